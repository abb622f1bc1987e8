// Helpers around other programs' windows and the launcher's own dialogs:
// foreground, elevated targets, closing with a forced end, and the stack of
// open dialogs (g_App.OpenDialogs) that message boxes and auto-hide consult.
#pragma once
#include <windows.h>

// Every dialog procedure calls this first: WM_INITDIALOG pushes the dialog,
// WM_DESTROY removes it; other messages do nothing.
void TrackOpenDialog(HWND dialog, UINT message);
// Top of the open-dialog stack, or NULL.
HWND GetTopOpenDialog();

// 0: the caller performs the operation (own windows, non-elevated targets,
// or any target while we run elevated ourselves); 2: it does nothing
// (handed to the administrator helper in /vnadmin mode, or impossible).
int RouteWindowOperation(HWND window, int operation);
int BringToForeground(HWND window, int restoreIconic);
// Posts WM_CLOSE; with kill, ends the window's process when it is still
// running about a second later. 1 done, 0 not possible.
int RequestCloseWindow(HWND window, int kill);
// Ends the close watcher (shutdown); waits for it briefly.
void StopCloseWatcher();

// 1 full elevated token, 2 limited, 0 otherwise (window NULL: this process).
int GetWindowElevationType(HWND window);
// Process id of the window (0 unknown); out (1024 characters, may be NULL)
// gets its executable path. Flag 1: a frame window of a packaged app stands
// for its core window; flag 2: fall back to a process snapshot.
DWORD GetWindowExePath(HWND window, wchar_t* out, int flags);
const int kExePathChars = 1024;
