// VnAdmin.exe: the elevated administrator helper. No window of its own is
// ever shown; it hosts the global hooks for the launcher it starts.
#include <windows.h>

#include "admin/platform.h"
#include "admin/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR cmdline, int) {
  BindAdminPlatform();
  if (!RegisterAdminClasses(instance)) return 0;
  if (!InitAdmin(instance, cmdline)) {
    CleanupAdmin();
    return 0;
  }
  MSG msg = {};
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  CleanupAdmin();
  return (int)msg.wParam;
}
