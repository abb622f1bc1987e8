// Run-time binding of the hook library VnHook.dll from the program folder.
#pragma once
#include <windows.h>

// The item store has records of its own under two of the library header's
// names (the same rows with other field names); here the library's take
// other names so that both headers can meet in one file.
#define CircleGestureSettings HookCircleGestureSettings
#define HotKeyEntry HookHotKeyEntry
#include "hooklib/vnhook.h"
#undef CircleGestureSettings
#undef HotKeyEntry

// Exports bound by name; all empty while the library is not loaded. Kept
// apart from g_App so that only the files that call the library see its
// header.
struct HookBindings {
  HMODULE Module;
  VnGetDllVersionFn GetDllVersion;
  VnSetDllDataFn SetDllData;
  VnOperateMouseHookFn OperateMouseHook;
  VnOperateKeyboardHookFn OperateKeyboardHook;
  VnSetAdminReqFn SetAdminReq;
  VnClearAdminReqFn ClearAdminReq;
  VnCheckPtOnEdgeFn CheckPtOnEdge;
  VnIsExplorerWindowFn IsExplorerWindow;
};

extern HookBindings g_Hook;

const wchar_t kHookLibraryName[] = L"VnHook.dll";

// load 1: loads and binds the library (651 wrong version, 652 missing library
// or export; 0 then). load 0: unloads it, retrying for up to 3 s.
int LoadHookLibrary(int load);
// Queues a request for the administrator helper; dropped when unbound.
void QueueAdminRequest(int kind, INT_PTR a, INT_PTR b);
