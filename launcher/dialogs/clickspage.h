// The Clicks page of the options sheet: which clicks anywhere on the
// desktop show the launcher, and how the hook library detects clicks.
#pragma once
#include <windows.h>

INT_PTR CALLBACK ClicksPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Press-and-hold delay as stored: 0..10000 ms.
int ClampPressHoldDelay(int ms);
