// The Circles page of the options sheet: the two circle gestures of the
// hook library, each showing the launcher at a chosen page.
#pragma once
#include <windows.h>

INT_PTR CALLBACK CirclesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Revolutions of a quarter count: "1/4", "1", "1 +3/4". Returns the length.
int FormatRevolutions(int quarters, wchar_t* out, int size);
