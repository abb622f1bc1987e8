#include "core/hookbind.h"

#include "core/startup.h"
#include "store/paths.h"
#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "resources/resource.h"

HookBindings g_Hook;

static void ClearBindings() {
  HookBindings empty = {};
  g_Hook = empty;
}

static int BindHookLibrary() {
  wchar_t path[kProgramPathChars];
  if (!BuildProgramFilePath(kHookLibraryName, path, kProgramPathChars)) {
    ShowMessage(IDS_ERR_DLLLOAD, MB_ICONERROR);
    return 0;
  }
  HMODULE module = LoadLibraryW(path);
  if (!module) {
    ShowMessage(IDS_ERR_DLLLOAD, MB_ICONERROR);
    return 0;
  }
  HookBindings b = {};
  b.Module = module;
  b.GetDllVersion = (VnGetDllVersionFn)GetProcAddress(module, "_VnGetDllVersion");
  if (!b.GetDllVersion || b.GetDllVersion() != HOOKDLL_VERSION) {
    FreeLibrary(module);
    ShowMessage(IDS_ERR_DLLVERSION, MB_ICONERROR);
    return 0;
  }
  b.SetDllData = (VnSetDllDataFn)GetProcAddress(module, "_VnSetDllData");
  b.OperateMouseHook = (VnOperateMouseHookFn)GetProcAddress(module, "_VnOperateMouseHook");
  b.OperateKeyboardHook = (VnOperateKeyboardHookFn)GetProcAddress(module, "_VnOperateKeyboardHook");
  b.SetAdminReq = (VnSetAdminReqFn)GetProcAddress(module, "_VnSetAdminReq");
  b.ClearAdminReq = (VnClearAdminReqFn)GetProcAddress(module, "_VnClearAdminReq");
  b.CheckPtOnEdge = (VnCheckPtOnEdgeFn)GetProcAddress(module, "_VnCheckPtOnEdge");
  b.IsExplorerWindow = (VnIsExplorerWindowFn)GetProcAddress(module, "_VnIsExplorerWindow");
  if (!b.SetDllData || !b.OperateMouseHook || !b.OperateKeyboardHook || !b.SetAdminReq ||
      !b.ClearAdminReq || !b.CheckPtOnEdge || !b.IsExplorerWindow) {
    FreeLibrary(module);
    ShowMessage(IDS_ERR_DLLLOAD, MB_ICONERROR);
    return 0;
  }
  g_Hook = b;
  return 1;
}

int LoadHookLibrary(int load) {
  if (load) {
    if (g_Hook.Module) return 1;
    return BindHookLibrary();
  }
  if (!g_Hook.Module) return 1;
  DWORD start = GetTickCount();
  while (!FreeLibrary(g_Hook.Module)) {
    if (GetTickCount() - start >= 3000) return 0;
    Sleep(10);
  }
  ClearBindings();
  return 1;
}

void QueueAdminRequest(int kind, INT_PTR a, INT_PTR b) {
  VnSetAdminReqFn fn = g_Hook.SetAdminReq;
  if (fn) fn(kind, a, b);
}
