// Stands in for the desktop shell, which Wine lacks: SetShellWindow makes
// its window the shell window, so that GetShellWindow, the window's process
// and that process's token answer as on Windows. Runs until the window is
// closed or 300 s pass; exit code 2 when the window could not be made the
// shell window.
#include <windows.h>

static LRESULT CALLBACK StandInProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(w, m, wp, lp);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = StandInProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"VnShellStandIn";
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
  typedef BOOL(WINAPI * SetShellWindowFn)(HWND);
  SetShellWindowFn set = (SetShellWindowFn)GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetShellWindow");
  if (!w || !set || !set(w)) return 2;
  SetTimer(nullptr, 0, 300000, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && !msg.hwnd) break;
    DispatchMessageW(&msg);
  }
  if (IsWindow(w)) DestroyWindow(w);
  return 0;
}
