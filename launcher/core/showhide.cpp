#include "core/showhide.h"

#include <commctrl.h>

#include "core/hookctl.h"
#include "core/commands.h"
#include "core/mainwnd.h"
#include "core/state.h"
#include "core/switches.h"
#include "core/ticker.h"
#include "core/winhelpers.h"
#include "store/items.h"

// --- pure placement ---------------------------------------------------------------

POINT ComputeBodyPosition(int placement, POINT pt, POINT cursor, RECT body, RECT buttonArea,
                          RECT primary, RECT bounds) {
  LONG w = body.right - body.left, h = body.bottom - body.top;
  POINT at = {body.left, body.top};
  switch (placement) {
    case SHOW_AT_CURSOR:
      at.x = cursor.x - ((buttonArea.left + buttonArea.right) / 2 - body.left);
      at.y = cursor.y - ((buttonArea.top + buttonArea.bottom) / 2 - body.top);
      break;
    case SHOW_CORNER_AT_CURSOR:
      at = cursor;
      break;
    case SHOW_CENTRED:
      at.x = primary.right / 2 - w / 2;
      at.y = primary.bottom / 2 - h / 2;
      return at;
    case SHOW_AT_POINT:
      return pt;
    case SHOW_LAST_POSITION:
      break;
    default:
      return at;
  }
  // Keep it on the monitor: right and bottom first, so that a body larger
  // than the monitor shows its top-left part.
  if (at.x + w > bounds.right) at.x = bounds.right - w;
  if (at.y + h > bounds.bottom) at.y = bounds.bottom - h;
  if (at.x < bounds.left) at.x = bounds.left;
  if (at.y < bounds.top) at.y = bounds.top;
  return at;
}

int ShowModeFromPositionBits(UINT bits) {
  if (bits & 1) return SHOW_CORNER_AT_CURSOR;
  if (bits & 2) return 0;
  if (bits & 4) return SHOW_CENTRED;
  if (bits & 8) return SHOW_AT_POINT;
  return SHOW_AT_CURSOR;
}

POINT ComputeStandbyPoint(int position, POINT custom, RECT work, SIZE window, RECT m) {
  switch (position) {
    case 1: return {work.left - m.left, work.top - m.top};
    case 2: return {work.right + m.right - window.cx, work.top - m.top};
    case 3: return {work.left - m.left, work.bottom + m.bottom - window.cy};
    case 4: return {work.right + m.right - window.cx, work.bottom + m.bottom - window.cy};
    default: return custom;
  }
}

// The skin's shadow margins around the body; the classic look has none.
static RECT BodyMargins() { return RECT{0, 0, 0, 0}; }

static int IsTopmost(HWND w) { return (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

static int IsPinned() { return (g_App.Settings.Status & STATUS_PINNED) != 0; }

// --- window ------------------------------------------------------------------------------

int UpdateTopmost(int force) {
  HWND w = g_App.MainWnd;
  if (force) return w && IsTopmost(w);
  UINT disp = g_App.Settings.DispOption;
  int want = (disp & DISP_ALWAYS_ON_TOP) && (!(disp & DISP_TOPMOST_WHEN_PINNED) || IsPinned());
  if (w && want != IsTopmost(w))
    SetWindowPos(w, want ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return want;
}

BOOL PlaceLauncherWindow(int placement, POINT pt, int moveSearch) {
  HWND w = g_App.MainWnd;
  if (!w) return FALSE;
  POINT cursor;
  GetCursorPos(&cursor);
  RECT win;
  GetWindowRect(w, &win);
  RECT m = BodyMargins();
  RECT body = {win.left + m.left, win.top + m.top, win.right - m.right, win.bottom - m.bottom};
  HMONITOR mon = MonitorFromPoint(placement == SHOW_LAST_POSITION ? POINT{body.left, body.top} : cursor,
                                  MONITOR_DEFAULTTONEAREST);
  if (placement == SHOW_LAST_POSITION) mon = MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST);
  MONITORINFO mi = {sizeof mi};
  RECT bounds = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (mon && GetMonitorInfoW(mon, &mi)) bounds = IsTopmost(w) ? mi.rcMonitor : mi.rcWork;
  MONITORINFO pmi = {sizeof pmi};
  RECT primary = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &pmi)) primary = pmi.rcMonitor;
  POINT at = ComputeBodyPosition(placement, pt, cursor, body, body, primary, bounds);
  int x = at.x - m.left, y = at.y - m.top;
  BOOL ok = MoveWindow(w, x, y, win.right - win.left, win.bottom - win.top, FALSE);
  g_App.Settings.LastPosX = x;
  g_App.Settings.LastPosY = y;
  return ok;
}

int MoveToStandbyPosition(int reactivate) {
  HWND w = g_App.MainWnd;
  UINT position = g_App.Settings.StandbyPosition;
  if (!w || !position || position > 5) return 0;
  MONITORINFO mi = {sizeof mi};
  if (!GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi)) return 0;
  RECT win;
  GetWindowRect(w, &win);
  SIZE size = {win.right - win.left, win.bottom - win.top};
  RECT m = BodyMargins();
  POINT custom = {g_App.Settings.StandbyPosX, g_App.Settings.StandbyPosY};
  POINT at = ComputeStandbyPoint((int)position, custom, mi.rcWork, size, m);
  // The standby point is where the window goes; placement 4 takes the body.
  PlaceLauncherWindow(SHOW_AT_POINT, POINT{at.x + m.left, at.y + m.top}, 1);
  if (!UpdateTopmost(0))
    SetWindowPos(w, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
  if (reactivate && g_App.Wnd.PrevForeground) BringToForeground(g_App.Wnd.PrevForeground, 0);
  g_App.Wnd.Flags |= WSF_STANDBY;
  g_App.Wnd.PrevForeground = nullptr;
  return 1;
}

void ShowLauncher(int mode, int x, int y, int page, int activate) {
  HWND w = g_App.MainWnd;
  if (!w) return;
  // The foreground program holds triggers off; outside requests still show.
  if ((g_App.Hooks.SuspendWord & SUSPEND_SHOW) && !(mode & SHOW_FROM_OUTSIDE)) return;
  g_App.Wnd.Flags &= ~WSF_STANDBY;
  UpdateTopmost(0);
  if (page != kKeepCurrentPage && page != g_App.Settings.LastPage) SelectPage(page, 1);

  RECT before;
  GetWindowRect(w, &before);
  PlaceLauncherWindow(mode & 0xFF, POINT{x, y}, 1);
  RECT after;
  GetWindowRect(w, &after);
  if (before.left != after.left || before.top != after.top) MarkSettingsChanged();
  InterlockedOr(&g_App.RunState, RS_TRACK_CHANGES);

  HWND front = GetForegroundWindow();
  if (front != w && front != GetTopOpenDialog() && !(IsWindowVisible(w) && front == w))
    g_App.Wnd.PrevForeground = front;
  g_App.Wnd.AutoHide = (mode & SHOW_AUTOHIDE) != 0;
  if (!activate) g_App.Wnd.Flags |= WSF_SHOWN_NOACTIVATE;
  g_App.Wnd.Activated = activate != 0;

  BeginShowState(1);
  if (!IsWindowVisible(w)) {
    ShowWindow(w, activate ? SW_SHOW : SW_SHOWNA);
  } else if (activate) {
    BringToForeground(w, 0);
  }
  UpdateHookSuspend();
}

int HideLauncher(int hideMode, int reactivate, int endAfter) {
  HWND w = g_App.MainWnd;
  if (!w || !IsWindowVisible(w)) return 0;
  g_App.Wnd.AutoHide = 0;
  g_App.Wnd.Activated = 0;
  g_App.Wnd.Flags = 0;
  if (hideMode == 0 && g_App.Settings.StandbyPosition) {
    int parked = MoveToStandbyPosition(reactivate);
    if (parked) return parked;
  }
  ShowWindow(w, SW_HIDE);
  BeginShowState(0);
  if (HWND tip = g_App.Tray.ToolTip) SendMessageW(tip, TTM_ACTIVATE, FALSE, 0);
  UpdateHookSuspend();
  if (!(g_App.Settings.Option1 & OPT1_KEEP_PINNED) && IsPinned()) {
    // Not a change the user asked for: no pending save.
    g_App.Settings.Status &= ~STATUS_PINNED;
    UpdateTopmost(0);
  }
  if (reactivate && g_App.Wnd.PrevForeground) BringToForeground(g_App.Wnd.PrevForeground, 0);
  g_App.Wnd.PrevForeground = nullptr;
  if (endAfter) EndIfIdleAfterHide();
  return 1;
}
