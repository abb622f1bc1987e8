// The Edges page of the options sheet: what touching each corner and side
// of the screen does, the corner and side ranges, and the launcher delays.
#pragma once
#include <windows.h>

INT_PTR CALLBACK EdgesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Delays of the page are kept within 0..10000 ms.
int ClampEdgeDelay(int ms);
