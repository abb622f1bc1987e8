// Vantrel.exe: one launcher per executable; a second start hands its
// switches to the running one.
#include <windows.h>
#include <shlobj.h>

#include "core/startup.h"
#include "state.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR cmdline, int) {
  g_App.Core.ShellIdListFormat = RegisterClipboardFormatW(CFSTR_SHELLIDLIST);
  BindOptionalFunctions();
  EnablePrivilege(L"SeDebugPrivilege");
  InstallMessageLogFromEnvironment();

  if (HWND running = FindRunningInstance()) {
    ApplyStartOptions(cmdline, SO_FORWARD, running);
    return 0;
  }
  ApplyStartOptions(cmdline, SO_DELAY, nullptr);
  if (!RegisterWindowClasses(instance)) return 0;
  if (!InitLauncher(instance, cmdline)) {
    ShutdownLauncher(0);
    return 0;
  }
  MSG msg;
  int rc;
  while ((rc = GetMessageW(&msg, nullptr, 0, 0)) != 0 && rc != -1) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  ShutdownLauncher(1);
  return rc == -1 ? 0 : (int)msg.wParam;
}
