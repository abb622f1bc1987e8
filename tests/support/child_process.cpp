#include "support/child_process.h"

static LRESULT CALLBACK StubbornWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_CLOSE) return 0;  // ignores polite requests
  return DefWindowProcW(w, m, wp, lp);
}

// Two windows that ignore WM_CLOSE; runs until killed (or 60 s pass).
int RunStubbornChild() {
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
