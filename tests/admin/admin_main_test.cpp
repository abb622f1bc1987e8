// Entry of admin_tests. Started with --vn-child it becomes another program
// with a window that ignores WM_CLOSE, for the window requests that the
// helper carries out on other processes' windows; otherwise it runs the tests.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>

#include "admin_child.h"

static LRESULT CALLBACK StubbornWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_CLOSE) return 0;
  return DefWindowProcW(w, m, wp, lp);
}

static int RunStubbornChild() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = StubbornWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kAdminChildClass;
  RegisterClassW(&wc);
  CreateWindowExW(0, kAdminChildClass, L"child", WS_POPUP | WS_VISIBLE, 40, 40, 50, 50, nullptr, nullptr,
                  wc.hInstance, nullptr);
  SetTimer(nullptr, 0, 60000, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageW(&msg);
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc > 1 && !strcmp(argv[1], "--vn-child")) return RunStubbornChild();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
