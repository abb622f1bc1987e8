// Entry of core_tests. Started with --vn-child it becomes a helper process
// for the tests that act on other programs' windows; otherwise it runs the
// tests.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>

#include "core_child.h"

static LRESULT CALLBACK StubbornWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_CLOSE) return 0;  // ignores polite requests
  return DefWindowProcW(w, m, wp, lp);
}

// Two windows that ignore WM_CLOSE; runs until killed (or 60 s pass).
static int RunStubbornChild() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = StubbornWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kChildWindowClass;
  RegisterClassW(&wc);
  for (int i = 0; i < 2; ++i)
    CreateWindowExW(0, kChildWindowClass, L"child", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
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
  if (argc > 1 && !strcmp(argv[1], kChildSwitch)) return RunStubbornChild();
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
