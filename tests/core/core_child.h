// Shared by the core tests: the launcher's window classes, registered once
// per process, and the helper process core_tests starts from itself
// (core_main_test.cpp).
#pragma once
#include <windows.h>

#include <vector>

#include "core/startup.h"

inline bool EnsureLauncherClasses() {
  static bool registered = RegisterWindowClasses(GetModuleHandleW(nullptr)) != 0;
  return registered;
}

const char kChildSwitch[] = "--vn-child";
const wchar_t kChildWindowClass[] = L"VnTestStubbornWindow";

struct ChildProcess {
  PROCESS_INFORMATION Info = {};
  std::vector<HWND> Windows;

  // Starts the helper and waits (up to 10 s) for its two windows.
  bool Start() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    wchar_t cmd[MAX_PATH + 32];
    wsprintfW(cmd, L"\"%s\" --vn-child", exe);
    STARTUPINFOW si = {sizeof si};
    if (!CreateProcessW(exe, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &Info)) return false;
    for (int i = 0; i < 1000 && Windows.size() < 2; ++i) {
      Windows.clear();
      EnumWindows(Collect, (LPARAM)this);
      if (Windows.size() < 2) Sleep(10);
    }
    return Windows.size() == 2;
  }
  bool Running() const { return WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT; }
  ~ChildProcess() {
    if (!Info.hProcess) return;
    if (Running()) TerminateProcess(Info.hProcess, 1);
    CloseHandle(Info.hProcess);
    CloseHandle(Info.hThread);
  }

 private:
  static BOOL CALLBACK Collect(HWND w, LPARAM lp) {
    ChildProcess* self = (ChildProcess*)lp;
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    wchar_t cls[64];
    if (pid == self->Info.dwProcessId && GetClassNameW(w, cls, 64) && !lstrcmpW(cls, kChildWindowClass))
      self->Windows.push_back(w);
    return TRUE;
  }
};
