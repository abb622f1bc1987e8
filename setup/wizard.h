// The installer's wizard: the options page, the start options dialog and
// the progress page.
#pragma once
#include <windows.h>

INT_PTR CALLBACK OptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK StartOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ProgressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// Shows the wizard; the PropertySheetW result.
INT_PTR ShowSetupWizard();
void CenterWindowOnScreen(HWND window);
