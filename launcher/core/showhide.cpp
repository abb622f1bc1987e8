#include "core/showhide.h"

#include <commctrl.h>

#include "core/commands.h"
#include "core/hookctl.h"
#include "core/mainwnd.h"
#include "core/menucmd.h"
#include "core/mouseinput.h"
#include "core/procwatch.h"
#include "core/startup.h"
#include "state.h"
#include "core/switches.h"
#include "core/ticker.h"
#include "core/winhelpers.h"
#include "render/backbuffer.h"
#include "render/design.h"
#include "render/draw.h"
#include "render/hittest.h"
#include "render/layout.h"
#include "render/paint.h"
#include "resources/resource.h"
#include "store/backup.h"
#include "store/grid.h"
#include "store/items.h"
#include "store/outlets.h"

// Window-state flag of a keyboard or menu interaction (set by launcher
// commands that did not come from the mouse).
static const UINT kKeyInteraction = 0x100;
// DispOption bits that make the caption show page names.
static const UINT kPageCaption = 0x4 | 0x8;

static BOOL CALLBACK AddMonitorOf(HMONITOR monitor, HDC, LPRECT, LPARAM lp) {
  MONITORINFO mi = {sizeof mi};
  if (GetMonitorInfoW(monitor, &mi))
    AddMonitorRects((MonitorList*)lp, &mi.rcMonitor, &mi.rcWork, (mi.dwFlags & MONITORINFOF_PRIMARY) != 0);
  return TRUE;
}

static int EnumerateMonitors(MonitorList* out) {
  EnumDisplayMonitors(nullptr, nullptr, AddMonitorOf, (LPARAM)out);
  return out->Count;
}

ShowHideSeams g_ShowHideSeams = {GetCursorPos, EnumerateMonitors};

// --- pure placement ---------------------------------------------------------------

static LONGLONG DistanceSquared(RECT r, POINT p) {
  LONGLONG dx = p.x < r.left ? r.left - p.x : p.x >= r.right ? p.x - (r.right - 1) : 0;
  LONGLONG dy = p.y < r.top ? r.top - p.y : p.y >= r.bottom ? p.y - (r.bottom - 1) : 0;
  return dx * dx + dy * dy;
}

int FindMonitorNearPoint(const RECT* monitors, int count, POINT pt) {
  int best = -1;
  LONGLONG bestDistance = 0;
  for (int i = 0; i < count; i++) {
    LONGLONG d = DistanceSquared(monitors[i], pt);
    if (best < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

int FindMonitorNearRect(const RECT* monitors, int count, RECT r) {
  int best = -1;
  LONGLONG bestArea = 0;
  for (int i = 0; i < count; i++) {
    RECT x;
    if (!IntersectRect(&x, &monitors[i], &r)) continue;
    LONGLONG area = (LONGLONG)(x.right - x.left) * (x.bottom - x.top);
    if (area > bestArea) {
      best = i;
      bestArea = area;
    }
  }
  if (best >= 0) return best;
  // Off every monitor: the one nearest to the rectangle's nearest corner.
  LONGLONG bestDistance = 0;
  for (int i = 0; i < count; i++) {
    const RECT& m = monitors[i];
    LONGLONG dx = r.right <= m.left ? m.left - r.right + 1 : r.left >= m.right ? r.left - m.right + 1 : 0;
    LONGLONG dy = r.bottom <= m.top ? m.top - r.bottom + 1 : r.top >= m.bottom ? r.top - m.bottom + 1 : 0;
    LONGLONG d = dx * dx + dy * dy;
    if (best < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  return best;
}

POINT ComputeWindowPlacement(const PlacementInput* in) {
  const RECT& m = in->Margins;
  const RECT& win = in->Window;
  RECT body = {win.left + m.left, win.top + m.top, win.right - m.right, win.bottom - m.bottom};
  LONG w = body.right - body.left, h = body.bottom - body.top;
  POINT at = {body.left, body.top};
  int clampOn = -1;
  switch (in->Placement) {
    case SHOW_AT_CURSOR: {
      // The button area's centre, in window coordinates (inclusive rectangle).
      const RECT& b = in->ButtonArea;
      LONG cx = (b.left + b.right + 1) / 2, cy = (b.top + b.bottom + 1) / 2;
      at.x = in->Cursor.x - cx + m.left;
      at.y = in->Cursor.y - cy + m.top;
      clampOn = FindMonitorNearPoint(in->Monitors, in->MonitorCount, in->Cursor);
      break;
    }
    case SHOW_CORNER_AT_CURSOR:
      at = in->Cursor;
      clampOn = FindMonitorNearPoint(in->Monitors, in->MonitorCount, in->Cursor);
      break;
    case SHOW_CENTRED:
      if (in->Primary >= 0 && in->Primary < in->MonitorCount) {
        const RECT& p = in->Monitors[in->Primary];
        at.x = p.right / 2 - w / 2;
        at.y = p.bottom / 2 - h / 2;
      }
      break;
    case SHOW_AT_POINT:
      at = in->Point;
      break;
    case SHOW_LAST_POSITION:
      clampOn = FindMonitorNearRect(in->Monitors, in->MonitorCount, win);
      break;
    default:
      break;
  }
  if (clampOn >= 0) {
    RECT all = {at.x, at.y, at.x + w, at.y + h};
    if (in->HasSearch) {
      RECT s = in->Search;
      OffsetRect(&s, at.x - body.left, at.y - body.top);
      UnionRect(&all, &all, &s);
    }
    const RECT& b = in->Topmost ? in->Monitors[clampOn] : in->Work[clampOn];
    // Right and bottom first, so that what is larger than the monitor
    // shows its top-left part.
    LONG dx = 0, dy = 0;
    if (all.right > b.right) dx = b.right - all.right;
    if (all.bottom > b.bottom) dy = b.bottom - all.bottom;
    if (all.left + dx < b.left) dx = b.left - all.left;
    if (all.top + dy < b.top) dy = b.top - all.top;
    at.x += dx;
    at.y += dy;
  }
  return POINT{at.x - m.left, at.y - m.top};
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

int ChooseCursor(const CursorInput* in) {
  if (in->Sizing || in->OleDragOver) return CURSOR_KEEP;
  if (in->RearrangeDrag) return in->CtrlHeld ? CURSOR_COPY : CURSOR_MOVE;
  if (in->SubMenuOpen || in->TabDrag || in->DialogOpen || in->MenuOpen) return CURSOR_ARROW;
  if (in->OverItemArea || in->OverSystemButton) return CURSOR_ARROW;
  return CURSOR_SIZING;
}

// --- the window -------------------------------------------------------------------

static int IsTopmost(HWND w) { return (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }
static int IsPinned() { return (g_App.Settings.Status & STATUS_PINNED) != 0; }
static int CurrentDpi() { return g_App.Design.Dpi > 0 ? g_App.Design.Dpi : 96; }

// The skin's shadow borders around the body, at the window's DPI; the
// classic look has none.
static RECT BodyMargins() {
  const RECT& s = g_App.Skin.MainShadow;
  int dpi = CurrentDpi();
  return RECT{ScaleForDpi(s.left, dpi), ScaleForDpi(s.top, dpi), ScaleForDpi(s.right, dpi),
              ScaleForDpi(s.bottom, dpi)};
}

// The button area less its own margins, in window coordinates.
static RECT ButtonAreaInsideMargins() {
  RECT r = g_App.Skin.Slots[SLOT_BUTTONAREA].Target;
  const RECT& k = g_App.Skin.ButtonAreaMargin;
  int dpi = CurrentDpi();
  r.left += ScaleForDpi(k.left, dpi);
  r.top += ScaleForDpi(k.top, dpi);
  r.right -= ScaleForDpi(k.right, dpi);
  r.bottom -= ScaleForDpi(k.bottom, dpi);
  return r;
}

// The launcher's own search window, when one exists.
static HWND FindSearchWindow() {
  DWORD self = GetCurrentProcessId();
  for (HWND s = FindWindowExW(nullptr, nullptr, kSearchWndClass, nullptr); s;
       s = FindWindowExW(nullptr, s, kSearchWndClass, nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(s, &pid);
    if (pid == self) return s;
  }
  return nullptr;
}

int UpdateTopmost(int force) {
  HWND w = g_App.MainWnd;
  if (force) return w && IsTopmost(w);
  UINT disp = g_App.Settings.DispOption;
  int want = (disp & DISP_ALWAYS_ON_TOP) && (!(disp & DISP_TOPMOST_WHEN_PINNED) || IsPinned());
  if (w && want != IsTopmost(w))
    SetWindowPos(w, want ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return want;
}

BOOL PlaceLauncherWindow(int placement, POINT pt, int moveSearch) {
  HWND w = g_App.MainWnd;
  if (!w) return FALSE;
  PlacementInput in = {};
  in.Placement = placement;
  in.Point = pt;
  if (!g_ShowHideSeams.GetCursorPos(&in.Cursor)) in.Cursor = POINT{0, 0};
  GetWindowRect(w, &in.Window);
  in.Margins = BodyMargins();
  in.ButtonArea = ButtonAreaInsideMargins();
  in.Topmost = IsTopmost(w);
  HWND search = FindSearchWindow();
  RECT searchRect = {};
  if (search && (g_App.Settings.Status & STATUS_SEARCH) && GetWindowRect(search, &searchRect)) {
    in.HasSearch = 1;
    in.Search = searchRect;
    ShrinkByShadowArea(&in.Search, SHADOW_SEARCH, 0);
  }
  MonitorList monitors = {};
  g_ShowHideSeams.GetMonitors(&monitors);
  in.Monitors = monitors.Monitors;
  in.Work = monitors.Work;
  in.MonitorCount = monitors.Count;
  in.Primary = monitors.Primary;
  POINT at = ComputeWindowPlacement(&in);
  FreeMonitorList(&monitors);
  BOOL ok = MoveWindow(w, at.x, at.y, in.Window.right - in.Window.left, in.Window.bottom - in.Window.top, FALSE);
  g_App.Settings.LastPosX = at.x;
  g_App.Settings.LastPosY = at.y;
  if (moveSearch && search && GetWindowRect(search, &searchRect))
    SetWindowPos(search, nullptr, searchRect.left + at.x - in.Window.left, searchRect.top + at.y - in.Window.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return ok;
}

int MoveToStandbyPosition(int reactivate) {
  HWND w = g_App.MainWnd;
  UINT position = g_App.Settings.StandbyPosition;
  if (!w || !position || position > 5) return 0;
  MonitorList monitors = {};
  g_ShowHideSeams.GetMonitors(&monitors);
  if (monitors.Count < 1) {
    FreeMonitorList(&monitors);
    return 0;
  }
  int primary = monitors.Primary >= 0 && monitors.Primary < monitors.Count ? monitors.Primary : 0;
  RECT work = monitors.Work[primary];
  FreeMonitorList(&monitors);
  RECT win;
  GetWindowRect(w, &win);
  SIZE size = {win.right - win.left, win.bottom - win.top};
  RECT m = BodyMargins();
  POINT custom = {g_App.Settings.StandbyPosX, g_App.Settings.StandbyPosY};
  POINT at = ComputeStandbyPoint((int)position, custom, work, size, m);
  // The standby point is the window's; placement 4 takes the body's.
  PlaceLauncherWindow(SHOW_AT_POINT, POINT{at.x + m.left, at.y + m.top}, 1);
  if (!UpdateTopmost(0))
    SetWindowPos(w, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW);
  if (reactivate && g_App.Wnd.PrevForeground) BringToForeground(g_App.Wnd.PrevForeground, 0);
  g_App.Wnd.Flags |= WSF_STANDBY;
  g_App.Wnd.PrevForeground = nullptr;
  UpdateHookSuspend();
  return 1;
}

static int ViewModeIndex() { return (g_App.Settings.Status & STATUS_VIEWMODE2) ? 1 : 0; }

int ResetPageScroll(int p) {
  ItemStore& s = g_App.Store;
  if (p < 0 || p >= s.PageCount) return 0;
  PageInfo& page = s.Pages[p];
  int vm = ViewModeIndex();
  if (page.ScrollStat[vm] == 0 && page.ScrollStat[2 + vm] == 0) return 0;
  page.ScrollStat[vm] = 0;
  page.ScrollStat[2 + vm] = 0;
  MarkSettingsChanged();
  // Another page's grid is built when it becomes current.
  if (p != s.CurrentPage) return 1;
  if (HWND w = g_App.MainWnd) {
    KillTimer(w, TIMER_PRESSHOLD);
    KillTimer(w, TIMER_DRAGHOVER_PAGE);
  }
  if (g_StoreOutlets.HideTooltip) g_StoreOutlets.HideTooltip();
  RebuildButtonGrid(0);
  if ((g_App.Settings.DispOption & kPageCaption) && g_StoreOutlets.ResetCaption) g_StoreOutlets.ResetCaption();
  RepaintMainWindow(RP_BUTTONS | RP_PUSH);
  return 1;
}

// Back on the current page: a page that resets its scroll on return starts
// at its top-left again.
static void ResetScrollOnReturn() {
  ItemStore& s = g_App.Store;
  int p = s.CurrentPage;
  if (p >= 0 && p < s.PageCount && (s.Pages[p].Flag & PAGE_RESET_ON_SHOW)) ResetPageScroll(p);
}

void RelayoutForDpi(int dpi) {
  g_App.Design.Dpi = dpi;
  SyncViewModeDesign(-1);
  for (int i = 0; i < FONT_COUNT; i++) RecreateFont(i, 0);
  ApplyDesign();
}

void ShowLauncher(int mode, int x, int y, int page, int activate) {
  HWND w = g_App.MainWnd;
  if (!w) return;
  // The foreground program holds triggers off; outside requests still show.
  if ((g_App.Hooks.SuspendWord & SUSPEND_SHOW) && !(mode & SHOW_FROM_OUTSIDE)) return;
  g_App.Wnd.Flags &= ~WSF_STANDBY;
  UpdateTopmost(0);
  if (page == kKeepCurrentPage || page == g_App.Store.CurrentPage)
    ResetScrollOnReturn();
  else
    SelectPage(page, 1);

  RECT before;
  GetWindowRect(w, &before);
  InterlockedOr(&g_App.RunState, RS_DPI_RELAYOUT);
  int placement = mode & 0xFF;
  PlaceLauncherWindow(placement, POINT{x, y}, 1);
  int oldDpi = CurrentDpi();
  int newDpi = GetWindowDpi(w, nullptr);
  if (newDpi != oldDpi) {
    x = MulDiv(x, oldDpi, newDpi);
    y = MulDiv(y, oldDpi, newDpi);
    RelayoutForDpi(newDpi);
    PlaceLauncherWindow(placement, POINT{x, y}, 1);
  }
  InterlockedAnd(&g_App.RunState, ~RS_DPI_RELAYOUT);
  RECT after;
  GetWindowRect(w, &after);
  if (before.left != after.left || before.top != after.top) MarkSettingsChanged();
  InterlockedOr(&g_App.RunState, RS_TRACK_CHANGES);

  if (!IsLauncherInFront(0)) {
    HWND front = GetForegroundWindow();
    if (front && front != w && front != GetTopOpenDialog()) g_App.Wnd.PrevForeground = front;
  }
  g_App.Wnd.AutoHide = (mode & SHOW_AUTOHIDE) != 0;
  if (!activate) g_App.Wnd.Flags |= WSF_SHOWN_NOACTIVATE;
  g_App.Wnd.Activated = activate != 0;

  BeginShowState(1);
  if (!IsWindowVisible(w)) {
    ShowWindow(w, activate ? SW_SHOW : SW_SHOWNA);
    LONG rs = g_App.RunState;
    if ((g_App.Settings.Unhook.Flag & 1) && !(rs & RS_N_MODE) && !(rs & RS_HOOKS_ON)) SetHooks(1, 1);
    if (g_StoreOutlets.BroadcastPluginEvent) g_StoreOutlets.BroadcastPluginEvent(PN_SHOWN, 0);
  } else if (activate) {
    BringToForeground(w, 0);
  }
  if (g_App.Settings.Status & STATUS_SEARCH) {
    if (HWND search = FindSearchWindow())
      ShowWindow(search, SW_SHOWNA);
    else if (g_MenuEntries.ToggleSearchWindow)
      g_MenuEntries.ToggleSearchWindow(1, 0);
  }
  UpdateHookSuspend();
}

int HideLauncher(int hideMode, int reactivate, int endAfter) {
  // A launch from the window left the guard on; a hidden (or parked)
  // launcher must not keep taking the foreground back.
  StopForegroundGuard();
  HWND w = g_App.MainWnd;
  if (!w || !IsWindowVisible(w)) return 0;
  if (!reactivate && (g_App.Wnd.Flags & kKeyInteraction)) BringToForeground(w, 0);

  KillTimer(w, TIMER_PRESSHOLD);
  KillTimer(w, TIMER_DRAGHOVER_PAGE);
  g_App.Wnd.AutoHide = 0;
  g_App.Wnd.Activated = 0;
  g_App.Wnd.Flags = 0;
  InputState& in = g_App.Input;
  in.Gesture = 0;
  CancelPress();
  in.RearrangeDrag = 0;
  in.TabDrag = 0;
  in.TabPressed = -1;
  g_App.Layout.DragActive = 0;
  g_App.Store.DragPage = -1;
  ClearHoverState(1 | 2, 0);
  g_App.Store.HoverCell = -1;
  if ((g_App.Settings.DispOption & kPageCaption) && g_StoreOutlets.ResetCaption) g_StoreOutlets.ResetCaption();

  if (hideMode == 0) {
    int parked = MoveToStandbyPosition(reactivate);
    if (parked) return parked;
  }

  ShowWindow(w, SW_HIDE);
  BeginShowState(0);
  if (HWND tip = g_App.Tray.ToolTip) SendMessageW(tip, TTM_ACTIVATE, FALSE, 0);
  if (HWND search = FindSearchWindow()) ShowWindow(search, SW_HIDE);

  if (!(g_App.Settings.Option1 & OPT1_KEEP_PINNED) && IsPinned()) {
    // Not a change the user asked for: no pending save.
    g_App.Settings.Status &= ~STATUS_PINNED;
    UpdateTopmost(0);
  }
  // Redraws the pin (and any other) button whose state changed.
  SetSystemButtonState(SLOT_CLOSEBUTTON, GetCloseButtonState());
  SetSystemButtonState(SLOT_PINBUTTON, GetPinButtonState());
  SetSystemButtonState(SLOT_MODEBUTTON, GetModeButtonState());
  SetSystemButtonState(SLOT_SEARCHBUTTON, GetSearchButtonState());

  if (reactivate && g_App.Wnd.PrevForeground) BringToForeground(g_App.Wnd.PrevForeground, 0);
  g_App.Wnd.PrevForeground = nullptr;
  if (g_StoreOutlets.BroadcastPluginEvent) g_StoreOutlets.BroadcastPluginEvent(PN_HIDDEN, 0);
  AutoBackupSettings();
  if (endAfter) EndIfIdleAfterHide();
  UpdateHookSuspend();
  return 1;
}

void UpdateCursor() {
  HWND w = g_App.MainWnd;
  if (!w) return;
  const InputState& input = g_App.Input;
  CursorInput in = {};
  in.Sizing = input.SizingMode != 0;
  in.OleDragOver = g_App.Layout.DragActive;
  in.RearrangeDrag = input.RearrangeDrag;
  in.CtrlHeld = GetAsyncKeyState(VK_CONTROL) < 0;
  in.SubMenuOpen = (g_App.Wnd.Flags & WSF_SUBMENU_OPEN) != 0;
  in.TabDrag = input.TabDrag;
  in.DialogOpen = GetTopOpenDialog() != nullptr;
  in.MenuOpen = (g_App.Wnd.Flags & (WSF_MENU_OPEN | WSF_TRAY_MENU)) != 0;
  POINT pt = {};
  g_ShowHideSeams.GetCursorPos(&pt);
  in.OverItemArea = IsPointInItemArea(pt, ITEMAREA_TABS | ITEMAREA_BUTTONS);
  POINT client = pt;
  if (ScreenToClient(w, &client)) {
    const int slots[] = {SLOT_CLOSEBUTTON, SLOT_PINBUTTON, SLOT_MODEBUTTON, SLOT_SEARCHBUTTON};
    for (int slot : slots)
      if (HitTestSkinPart(slot, client.x, client.y)) in.OverSystemButton = 1;
  }
  HCURSOR cursor = nullptr;
  switch (ChooseCursor(&in)) {
    case CURSOR_KEEP:
      return;
    case CURSOR_MOVE:
    case CURSOR_COPY: {
      HINSTANCE self = g_App.Instance ? g_App.Instance : GetModuleHandleW(nullptr);
      int id = in.CtrlHeld ? IDC_REARRANGE_COPY : IDC_REARRANGE_MOVE;
      cursor = LoadCursorW(self, MAKEINTRESOURCEW(id));
      break;
    }
    case CURSOR_SIZING:
      HitTestSizing(&cursor);
      break;
    default:
      break;
  }
  SetCursor(cursor ? cursor : LoadCursorW(nullptr, IDC_ARROW));
}
