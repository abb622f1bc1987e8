// The language choice dialog: the built-in language and every library of
// the Languages folder that passes the version test, by display name.
#pragma once
#include <windows.h>

INT_PTR CALLBACK LanguageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ShowLanguageDialog();

// Rows of the list: display names and the library file of each row (null
// for the built-in one). Entries are process-heap strings.
struct LanguageList {
  HANDLE Heap;
  wchar_t** Files;  // parallel to the list box rows
  int Count;
  int Capacity;
};
// Fills list box `list` (sorted); the current language's row is selected.
void FillLanguageList(HWND list, LanguageList* rows);
void FreeLanguageList(LanguageList* rows);
