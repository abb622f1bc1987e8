// Platform calls of the gesture logic. One table per process, filled with the
// real calls; tests replace entries to feed synthetic time, key states and
// windows, and to see what would be posted, injected or timed.
#pragma once
#include <windows.h>

struct HookEnv {
  DWORD (WINAPI* Tick)(void);
  SHORT (WINAPI* KeyState)(int vk);
  BOOL (WINAPI* Post)(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  UINT (WINAPI* Inject)(UINT count, LPINPUT inputs, int size);

  // Mouse gestures.
  int (WINAPI* Metric)(int index);
  UINT (WINAPI* DoubleClickTime)(void);
  BOOL (WINAPI* CursorPos)(LPPOINT pt);
  HWND (WINAPI* WindowAt)(POINT pt);
  int (WINAPI* ClassName)(HWND wnd, LPWSTR name, int size);
  HWND (WINAPI* RelatedWindow)(HWND wnd, UINT cmd);
  HWND (WINAPI* Parent)(HWND wnd);
  BOOL (WINAPI* Visible)(HWND wnd);
  BOOL (WINAPI* WindowRect)(HWND wnd, LPRECT rect);
  HWND (WINAPI* FindWindowEx)(HWND parent, HWND after, LPCWSTR cls, LPCWSTR title);
  // The answer of the window to WM_NCHITTEST at a screen point; 0 when it
  // does not answer in time.
  LRESULT (*NcHitTest)(HWND wnd, POINT pt);
  // TRUE when the point lies on an item of a list view (of any process);
  // failures count as on an item.
  BOOL (*ListViewItemAt)(HWND list, POINT pt);
  // TRUE when UI Automation names the element at the point "UIItemsView";
  // FALSE when it does not or is not available.
  BOOL (*ItemsViewBackgroundAt)(POINT pt);
  // Thread timers and out-of-context event hooks belong to the thread that
  // made them.
  DWORD (WINAPI* ThreadId)(void);
  UINT_PTR (WINAPI* SetTimer)(HWND wnd, UINT_PTR id, UINT ms, TIMERPROC proc);
  BOOL (WINAPI* KillTimer)(HWND wnd, UINT_PTR id);
  HWINEVENTHOOK (WINAPI* SetWinEventHook)(DWORD eventMin, DWORD eventMax, HMODULE module,
                                          WINEVENTPROC proc, DWORD process, DWORD thread,
                                          DWORD flags);
  BOOL (WINAPI* UnhookWinEvent)(HWINEVENTHOOK hook);
};

extern HookEnv g_HookEnv;
