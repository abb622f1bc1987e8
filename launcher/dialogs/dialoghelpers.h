// Small operations every dialog uses: the program's message box, the
// open/save file dialog, numeric edit fields, edit text as a new string and
// placing a control inside a frame.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

// Platform calls of the dialogs that tests replace; filled with the real
// calls. The message box also gets the string id so a recorder can name it.
struct DialogSeams {
  int (*MessageBoxFn)(HWND owner, int id, const wchar_t* text, const wchar_t* caption, UINT flags);
  BOOL (*GetOpenFileNameFn)(OPENFILENAMEW* ofn);
  BOOL (*GetSaveFileNameFn)(OPENFILENAMEW* ofn);
  BOOL (*ShellExecuteExFn)(SHELLEXECUTEINFOW* info);  // links of the About box
};
extern DialogSeams g_DialogSeams;

// File kinds of BrowseForFile's filter list.
enum FileKind { FK_ALL = 0, FK_PROGRAMS = 1, FK_ICONS = 2, FK_ICONLIBS = 3, FK_SETTINGS = 4 };

// Control that PlaceControlInFrame measures against.
const int kPlacementFrameId = 1055;

// GetEditTextAlloc modes.
enum { EDIT_TEXT_PLAIN = 0, EDIT_TEXT_ABSOLUTE_PATH = 2 };

// Shows string id under the program's caption; returns the MessageBoxW result.
int ShowMessage(int id, UINT mbFlags);
// The same for a string with one %d or %s taking the one argument given.
int ShowMessageF(int id, UINT mbFlags, ...);
// The single conversion a message format holds: 'd', 's', 0 for none, -1 when
// it holds anything else (more than one, '*', size prefixes, other types).
int GetFormatConversion(const wchar_t* format);

// Open (open != 0) or save dialog over path (1024 characters, in/out).
BOOL BrowseForFile(HWND owner, wchar_t* path, int count, const int* kinds, int filterIndex,
                   int noDereference, int open);
void SetEditRange(HWND dialog, int editId, int updownId, int max, int min);
// New process-heap string (HeapFree) with the edit's text; NULL when empty.
wchar_t* GetEditTextAlloc(HWND dialog, int editId, int mode);
void PlaceControlInFrame(HWND dialog, int id, int x, int y, int width, int height);
