// The other program of the helper's tests: admin_tests started with
// --vn-child, one top-level window that ignores WM_CLOSE.
#pragma once
#include <windows.h>

const wchar_t kAdminChildClass[] = L"VnAdminTestStubborn";

struct AdminChild {
  PROCESS_INFORMATION Info = {};
  HWND Window = nullptr;

  bool Start() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    wchar_t cmd[MAX_PATH + 32];
    wsprintfW(cmd, L"\"%s\" --vn-child", exe);
    STARTUPINFOW si = {sizeof si};
    if (!CreateProcessW(exe, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &Info)) return false;
    for (int i = 0; i < 1000 && !Window; ++i) {
      EnumWindows(Collect, (LPARAM)this);
      if (!Window) Sleep(10);
    }
    return Window != nullptr;
  }
  bool Running() const { return WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT; }
  ~AdminChild() {
    if (!Info.hProcess) return;
    if (Running()) TerminateProcess(Info.hProcess, 1);
    CloseHandle(Info.hProcess);
    CloseHandle(Info.hThread);
  }

 private:
  static BOOL CALLBACK Collect(HWND w, LPARAM lp) {
    AdminChild* self = (AdminChild*)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[64];
    if (pid == self->Info.dwProcessId && GetClassNameW(w, cls, 64) && !lstrcmpW(cls, kAdminChildClass)) {
      self->Window = w;
      return FALSE;
    }
    return TRUE;
  }
};
