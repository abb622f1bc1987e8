// Starting the launcher from the elevated helper: with the desktop shell's
// token (de-elevated, with /vnadmin) when we run with a full elevated token,
// else as a plain process that runs on its own.
#pragma once
#include <windows.h>

const wchar_t kAdminSwitch[] = L"/vnadmin";
// Waits for the shell's window, for a start with its token to succeed, and
// for the started launcher's window.
const DWORD kLauncherStartWaitMs = 300000;

// The launcher's command line: its path in quotes (a folder with blanks must
// not start another program), " /vnadmin" when started with the shell's
// token, then a blank and the helper's own command line. A block of the
// process heap, or NULL when it would be longer than a command line may be.
wchar_t* BuildLauncherCommandLine(const wchar_t* launcherPath, int withAdminSwitch, const wchar_t* options);

// The launcher window of process pid (0: of any process) whose image is
// launcherPath; NULL when there is none.
HWND FindLauncherWindow(const wchar_t* launcherPath, DWORD pid);

// Starts g_Admin.LauncherPath with options. With the shell's token it waits
// for the launcher's window and keeps it in g_Admin.LauncherWnd; TRUE when
// that window was found. A plain start leaves no window known (the helper
// then ends at its first tick); TRUE when the process started.
BOOL StartLauncherDeElevated(const wchar_t* options);
