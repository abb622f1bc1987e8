// The administrator helper's process-wide state: its two windows, the
// launcher it started, and the hook library it hosts.
#pragma once
#include <windows.h>

#include "hooklib/vnhook.h"

const int kLauncherPathChars = MAX_PATH;

extern const wchar_t kAdminWndClass[];
extern const wchar_t kDummyWndClass[];
extern const wchar_t kLauncherWndClass[];
extern const wchar_t kLauncherExeName[];
extern const wchar_t kHookLibraryFile[];

struct AdminState {
  HINSTANCE Instance;
  HWND AdminWnd;                          // the hooks' target
  HWND LauncherWnd;                       // the launcher's main window, NULL until found
  wchar_t ProgramFolder[kLauncherPathChars];  // ours, with its trailing backslash
  wchar_t LauncherPath[kLauncherPathChars];
  HANDLE InstanceMutex;                   // one helper per program folder
  UINT_PTR RequestTimer;

  HMODULE HookModule;
  VnOperateMouseHookFn OperateMouseHook;
  VnOperateKeyboardHookFn OperateKeyboardHook;
  VnGetAdminReqFn GetAdminReq;
  // The hooks this helper installed itself: only those are ever removed
  // here (a launcher started without us runs hooks of its own).
  int MouseHookOwned;
  int KeyboardHookOwned;
};

extern AdminState g_Admin;
