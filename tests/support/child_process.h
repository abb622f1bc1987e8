// Another program for the tests that act on other programs' windows: the
// test program itself started with --vn-child, with two top-level windows
// that ignore WM_CLOSE (RunStubbornChild), running until killed or 60 s pass.
#pragma once
#include <windows.h>

#include <vector>

const char kChildSwitch[] = "--vn-child";
const wchar_t kChildWindowClass[] = L"VnTestStubbornWindow";

struct ChildProcess {
  PROCESS_INFORMATION Info = {};
  std::vector<HWND> Windows;

  // Starts the child and waits (up to 10 s) for its two windows.
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

// The child's side: its windows and message loop; the exit code.
int RunStubbornChild();
