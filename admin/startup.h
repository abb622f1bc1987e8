// The helper's start and end: its window classes and windows, the hook
// library bound from its own folder, a running launcher of that folder
// closed, the launcher started again de-elevated, and the release of all
// of it on every way out.
#pragma once
#include <windows.h>

// How long a running launcher gets to close its window, and then to end
// its process (its hooks go with it).
const DWORD kCloseLauncherMs = 300000;
const DWORD kLauncherEndMs = 30000;

int RegisterAdminClasses(HINSTANCE instance);
BOOL InitAdmin(HINSTANCE instance, const wchar_t* cmdline);
// load TRUE: LoadLibrary of VnHook.dll in g_Admin.ProgramFolder, version checked
// (651) and three exports bound (652). load FALSE: unloads it, retrying for
// up to 3 s.
BOOL BindHookLibrary(BOOL load);
// A running launcher of g_Admin.LauncherPath gets WM_CLOSE every 100 ms
// until its window is gone, then up to kLauncherEndMs to end. FALSE when the
// window stays.
BOOL CloseRunningLauncher();
// The window handle of "/x<number>" in the command line (the switch is
// found anywhere, in any case), or NULL.
HWND ParseCloseSwitch(const wchar_t* cmdline);
// The mutex that keeps one helper per program folder: its name for
// program path, into out (64 characters).
void BuildInstanceMutexName(const wchar_t* programPath, wchar_t* out);
LRESULT CALLBACK AdminWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void CleanupAdmin();
