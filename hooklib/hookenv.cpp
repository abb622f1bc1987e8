#include "hooklib/hookenv.h"
#include "hooklib/places.h"

static LRESULT RealNcHitTest(HWND wnd, POINT pt)
{
  DWORD_PTR answer = 0;
  if (!SendMessageBriefly(wnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y), &answer))
    return 0;
  return (LRESULT)answer;
}

HookEnv g_HookEnv = {
    GetTickCount,
    GetAsyncKeyState,
    PostMessageW,
    SendInput,
    GetSystemMetrics,
    GetDoubleClickTime,
    GetCursorPos,
    WindowFromPoint,
    GetClassNameW,
    GetWindow,
    GetParent,
    IsWindowVisible,
    GetWindowRect,
    FindWindowExW,
    RealNcHitTest,
    HitTestRemoteListView,
    IsItemsViewBackgroundAt,
    GetCurrentThreadId,
    SetTimer,
    KillTimer,
    SetWinEventHook,
    UnhookWinEvent,
};
