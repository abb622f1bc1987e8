// A list view with one item on a window of its own, for the hit-test tests:
// run by the peer process (as the shell's list view runs in another process)
// or by a thread of the test. It can be told to hang for a while, as a busy
// or stuck program does. Its window title gives two screen points: one on
// the item, one on empty space ("x y x y").
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>

const wchar_t kListHostClass[] = L"VnHookListHost";

// comctl32 is loaded here, not linked: the peer must stay a process
// without COM for the other tests.
inline HWND CreateListHost()
{
  HMODULE comctl = LoadLibraryW(L"comctl32.dll");
  auto init = comctl ? (BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*))GetProcAddress(
                           comctl, "InitCommonControlsEx")
                     : nullptr;
  INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
  if (!init || !init(&icc))
    return NULL;
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(NULL);
  wc.lpszClassName = kListHostClass;
  RegisterClassW(&wc);
  HWND host = CreateWindowExW(WS_EX_TOOLWINDOW, kListHostClass, L"", WS_POPUP | WS_VISIBLE, 200,
                              150, 300, 200, NULL, NULL, wc.hInstance, NULL);
  if (!host)
    return NULL;
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_LIST, 0, 0, 300,
                              200, host, NULL, wc.hInstance, NULL);
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.pszText = (LPWSTR)L"item";
  RECT r = {LVIR_LABEL};
  if (!list || SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item) != 0 ||
      !SendMessageW(list, LVM_GETITEMRECT, 0, (LPARAM)&r)) {
    DestroyWindow(host);
    return NULL;
  }
  POINT on = {(r.left + r.right) / 2, (r.top + r.bottom) / 2}, off = {250, 180};
  ClientToScreen(list, &on);
  ClientToScreen(list, &off);
  wchar_t title[64];
  swprintf(title, 64, L"%ld %ld %ld %ld", on.x, on.y, off.x, off.y);
  SetWindowTextW(host, title);
  return host;
}

// Runs a list host until go is set; while hang is set it stops answering for
// hangMs. 0 = done, else the host could not be made.
inline int RunListHost(HANDLE ready, HANDLE go, HANDLE hang, DWORD hangMs)
{
  HWND host = CreateListHost();
  if (!host)
    return 20;
  SetEvent(ready);
  HANDLE events[2] = {go, hang};
  for (;;) {
    DWORD w = MsgWaitForMultipleObjects(2, events, FALSE, 30000, QS_ALLINPUT);
    if (w == WAIT_OBJECT_0 || w == WAIT_TIMEOUT)
      break;
    if (w == WAIT_OBJECT_0 + 1) {
      ResetEvent(hang);
      Sleep(hangMs);
    }
    MSG m;
    while (PeekMessageW(&m, NULL, 0, 0, PM_REMOVE))
      DispatchMessageW(&m);
  }
  DestroyWindow(host);
  return 0;
}
