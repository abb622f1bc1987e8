// The initial page chooser: the page a gesture or key shows the launcher
// at, or 0xFFFF for the page shown last.
#pragma once
#include <windows.h>

// lParam at creation points at the page value, which OK overwrites.
INT_PTR CALLBACK InitialPageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Runs the chooser modally on *page; 1 after OK, 0 after Escape.
int ChooseInitialPage(HWND owner, int* page);

// Drop-down row of a page value (row 0 = last displayed), -1 for a page
// beyond the last; and the value OK stores for a row (CB_ERR: 0xFFFF).
int GetInitialPageRow(int page, int pageCount);
int GetInitialPageValue(int row, int pageCount);
