// The search window: an edit field above one row per hit, attached to the
// launcher; typing searches through the worker of search.h.
#pragma once
#include <windows.h>

LRESULT CALLBACK SearchWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp);
// Fills the launcher's entries for opening, laying out and re-searching.
void BindSearchWindow();
HWND SearchWindow();
HWND SearchEdit();
