// The hot-key list: every assigned hot key with its page and item, and a
// copy of the list to the clipboard as tab-separated text.
#pragma once
#include <windows.h>

void ShowHotKeyListDialog();
INT_PTR CALLBACK HotKeyListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Clipboard text of the list view: a header line, then Page, Item, Hotkey
// of each row, CR LF after each line. Process-heap string; null when empty.
wchar_t* BuildHotKeyListText(HWND list);
// Puts that text on the clipboard; 1 when copied.
int CopyHotKeyList(HWND list);
