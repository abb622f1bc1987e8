#include "core/ticker.h"

#include <commctrl.h>
#include <process.h>
#include <shlobj.h>
#include <stdio.h>
#include <wchar.h>

#include "core/eventlists.h"
#include "core/hookbind.h"
#include "core/hookctl.h"
#include "core/iteminfo.h"
#include "core/mainwnd.h"
#include "state.h"
#include "core/tray.h"
#include "core/winhelpers.h"
#include "render/hittest.h"
#include "store/backup.h"
#include "resources/resource.h"
#include "store/items.h"
#include "store/outlets.h"
#include "store/paths.h"

TickerOutlets g_TickerOutlets;

static const DWORD kTickMs = 100;
static const DWORD kStopWaitMs = 3000;
static const int kSuspendEveryTicks = 30;
static const int kKeepAwakeTicks = 300;
static const int kSettleTicks = 5;

// Rebuilt by the UI thread while the ticker may read it.
static SRWLOCK s_monitorLock = SRWLOCK_INIT;

static TickerState& T() { return g_App.Ticker; }

// --- pure parts -----------------------------------------------------------------------------

int AddMonitorRects(MonitorList* list, const RECT* monitor, const RECT* work, int primary) {
  if (list->Count == list->Cap) {
    int cap = list->Cap ? list->Cap * 2 : 4;
    HANDLE heap = GetProcessHeap();
    RECT* m = (RECT*)(list->Monitors ? HeapReAlloc(heap, 0, list->Monitors, cap * sizeof(RECT))
                                     : HeapAlloc(heap, 0, cap * sizeof(RECT)));
    if (!m) return 0;
    list->Monitors = m;
    RECT* w = (RECT*)(list->Work ? HeapReAlloc(heap, 0, list->Work, cap * sizeof(RECT))
                                 : HeapAlloc(heap, 0, cap * sizeof(RECT)));
    if (!w) return 0;
    list->Work = w;
    list->Cap = cap;
  }
  list->Monitors[list->Count] = *monitor;
  list->Work[list->Count] = *work;
  list->Count++;
  if (primary) list->Primary = list->Count - 1;
  return 1;
}

void ClearMonitorList(MonitorList* list) {
  list->Count = 0;
  list->Primary = 0;
}

void FreeMonitorList(MonitorList* list) {
  if (list->Monitors) HeapFree(GetProcessHeap(), 0, list->Monitors);
  if (list->Work) HeapFree(GetProcessHeap(), 0, list->Work);
  MonitorList empty = {};
  *list = empty;
}

int CoversAnyMonitor(const RECT* client, const RECT* monitors, int count) {
  for (int i = 0; i < count; ++i) {
    const RECT& m = monitors[i];
    if (client->left <= m.left && client->top <= m.top && client->right >= m.right && client->bottom >= m.bottom)
      return 1;
  }
  return 0;
}

static int IsSettling(int showState) { return showState >= 1 && showState <= kSettleTicks; }

UINT StepAutoHide(const AutoHideInput* in, AutoHideState* st) {
  if (!in->Visible || in->DialogOpen || in->SubMenuOpen || in->Busy) return 0;
  UINT r = 0;
  int leftOrRight = (in->Buttons & 3) != 0;
  if (leftOrRight) {
    st->DragEnd = 0;
  } else if (st->DragEnd < 5 && ++st->DragEnd == 5) {
    r |= AH_DRAG_ENDED;
  }
  if (in->AutoHideOff) return r;

  if (IsSettling(st->ShowState)) {
    st->ShowState++;
    if (st->ShowState == 4) r |= AH_CLEAR_RELEASE_BITS;
  }
  int active = in->ActiveSinceShown;
  if (in->OursInFront) {
    if (!in->TooltipsActive) {
      r |= AH_MARK_ACTIVE;
      active = 1;
    }
  } else if (!IsSettling(st->ShowState)) {
    if (active && !in->Pinned && !in->HoldOff && !in->CursorInBody && !leftOrRight) {
      st->HideArmed = 0;
      return r | AH_HIDE;
    }
  } else if (!in->SearchVisible) {
    r |= AH_FORCE_FRONT;
  }

  if (in->CursorInBody || in->Dragging) {
    st->HideCountdown = in->HideDelayMs / 100;
    if (in->HideOnLeave) st->HideArmed = 1;
    return r;
  }
  if (active && st->HideArmed && !in->Pinned && !leftOrRight) {
    if (--st->HideCountdown <= 0) {
      st->HideArmed = 0;
      r |= AH_HIDE_REACTIVATE;
    }
  }
  return r;
}

int FindHotEdge(const UINT* assignments, POINT pt, VnCheckPtOnEdgeFn check) {
  if (!check) return -1;
  for (int e = 0; e < 8; ++e)
    if ((assignments[e] || assignments[e + 8]) && check(pt, e)) return e;
  return -1;
}

// --- helpers -----------------------------------------------------------------------------------

int IsModifierKey(UINT vk) { return (vk >= 16 && vk <= 18) || (vk >= 160 && vk <= 165); }

UINT GetMouseButtonState() {
  int swap = GetSystemMetrics(SM_SWAPBUTTON);
  UINT b = 0;
  if (GetAsyncKeyState(swap ? VK_RBUTTON : VK_LBUTTON) & 0x8000) b |= 1;
  if (GetAsyncKeyState(swap ? VK_LBUTTON : VK_RBUTTON) & 0x8000) b |= 2;
  if (GetAsyncKeyState(VK_MBUTTON) & 0x8000) b |= 4;
  if (GetAsyncKeyState(VK_XBUTTON1) & 0x8000) b |= 8;
  if (GetAsyncKeyState(VK_XBUTTON2) & 0x8000) b |= 0x10;
  return b;
}

// The window less the skin's shadow borders (the classic look has none).
int IsPointInLauncherBody(HWND window, POINT pt) {
  RECT r;
  if (!window || !GetWindowRect(window, &r)) return 0;
  ShrinkByShadowArea(&r, SHADOW_MAIN, 0);
  return PtInRect(&r, pt) != 0;
}

int ClientRectToScreen(HWND window, RECT* rect) {
  POINT a = {rect->left, rect->top}, b = {rect->right, rect->bottom};
  if (!ClientToScreen(window, &a) || !ClientToScreen(window, &b)) return 0;
  *rect = RECT{a.x, a.y, b.x, b.y};
  return 1;
}

int ScreenRectToClient(HWND window, RECT* rect) {
  POINT a = {rect->left, rect->top}, b = {rect->right, rect->bottom};
  if (!ScreenToClient(window, &a) || !ScreenToClient(window, &b)) return 0;
  *rect = RECT{a.x, a.y, b.x, b.y};
  return 1;
}

int IsFullScreenForeground() {
  HWND front = GetForegroundWindow();
  if (!front) return 0;
  wchar_t cls[16];
  if (GetClassNameW(front, cls, 16) && (!lstrcmpW(cls, L"Progman") || !lstrcmpW(cls, L"WorkerW"))) return 0;
  RECT client;
  if (!GetClientRect(front, &client) || !ClientRectToScreen(front, &client)) return 0;
  AcquireSRWLockShared(&s_monitorLock);
  const MonitorList& m = T().Monitors;
  int covers = CoversAnyMonitor(&client, m.Monitors, m.Count);
  ReleaseSRWLockShared(&s_monitorLock);
  return covers;
}

int IsLauncherInFront(int countDialogs) {
  if (IsSettling(T().AutoHide.ShowState)) return 1;
  if (g_App.Wnd.Flags & WSF_SUBMENU_OPEN) return 1;
  HWND w = g_App.MainWnd;
  if (w && IsWindowVisible(w) && GetForegroundWindow() == w) return 1;
  return countDialogs && GetTopOpenDialog() != nullptr;
}

int ShowHelpTopic(const wchar_t* topic) {
  const int kPathChars = MAX_PATH + 128;
  wchar_t path[kPathChars];
  wchar_t name[MAX_PATH];
  const wchar_t* program = GetProgramPath();
  const wchar_t* slash = program ? wcsrchr(program, L'\\') : nullptr;
  if (!slash || !LoadStoreString(IDS_LANG_HELPFILE, name, MAX_PATH) || !g_SystemSeams.HtmlHelp) return 0;
  int folder = (int)(slash - program) + 1;
  int n = swprintf(path, kPathChars, L"%.*lsDocs\\%ls%ls%ls", folder, program, name, topic && *topic ? L"::/" : L"",
                     topic ? topic : L"");
  if (n < 0 || n >= kPathChars) return 0;  // too long: no cut-off path
  g_SystemSeams.HtmlHelp(GetDesktopWindow(), path, 0 /* HH_DISPLAY_TOPIC */, 0);
  return 1;
}

static BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM lp) {
  MONITORINFO mi = {sizeof mi};
  if (GetMonitorInfoW(monitor, &mi))
    AddMonitorRects((MonitorList*)lp, &mi.rcMonitor, &mi.rcWork, (mi.dwFlags & MONITORINFOF_PRIMARY) != 0);
  return TRUE;
}

void BuildMonitorList() {
  AcquireSRWLockExclusive(&s_monitorLock);
  ClearMonitorList(&T().Monitors);
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, (LPARAM)&T().Monitors);
  ReleaseSRWLockExclusive(&s_monitorLock);
}

void BeginShowState(int shown) {
  AutoHideState& a = T().AutoHide;
  a.ShowState = shown ? 1 : 0;
  a.HideArmed = 0;
  a.HideCountdown = 0;
  g_App.UiStateFlags &= ~(UIS_TOOLTIPS_ACTIVE | UIS_AUTOHIDE_ALLOWED);
}

// --- auto-hide ---------------------------------------------------------------------------------

void AutoHideCheck() {
  HWND w = g_App.MainWnd;
  if (!w) return;
  AutoHideInput in = {};
  in.Visible = IsWindowVisible(w);
  if (!in.Visible) return;
  UINT ui = g_App.UiStateFlags;
  in.DialogOpen = g_App.OpenDialogCount > 0;
  in.SubMenuOpen = (g_App.Wnd.Flags & WSF_SUBMENU_OPEN) != 0;
  in.Busy = (ui & UIS_BUSY) != 0;
  // Parked at the standby position: it stays.
  in.AutoHideOff = (g_App.Wnd.Flags & WSF_STANDBY) != 0;
  in.Buttons = GetMouseButtonState();
  in.OursInFront = GetForegroundWindow() == w;
  in.ActiveSinceShown = (ui & UIS_AUTOHIDE_ALLOWED) != 0;
  in.TooltipsActive = (ui & UIS_TOOLTIPS_ACTIVE) != 0;
  in.Pinned = (g_App.Settings.Status & STATUS_PINNED) != 0;
  in.HoldOff = (ui & UIS_HIDE_HELD) != 0;
  POINT pt;
  GetCursorPos(&pt);
  in.CursorInBody = IsPointInLauncherBody(w, pt);
  in.HideOnLeave = g_App.Wnd.AutoHide;
  in.HideDelayMs = g_App.Settings.HideDelay;
  UINT r = StepAutoHide(&in, &T().AutoHide);
  if ((r & AH_DRAG_ENDED) && g_TickerOutlets.EndDrag) g_TickerOutlets.EndDrag();
  if ((r & AH_CLEAR_RELEASE_BITS) && g_TickerOutlets.ClearReleaseBits) g_TickerOutlets.ClearReleaseBits(0x1 | 0x4 | 0x10);
  if (r & AH_MARK_ACTIVE) {
    g_App.UiStateFlags |= UIS_TOOLTIPS_ACTIVE | UIS_AUTOHIDE_ALLOWED;
    if (HWND tip = g_App.Tray.ToolTip) SendMessageW(tip, TTM_ACTIVATE, TRUE, 0);
  }
  if (r & AH_HIDE) PostMessageW(w, WMA_HIDELAUNCHER, 0, 1);
  if (r & AH_HIDE_REACTIVATE) PostMessageW(w, WMA_HIDELAUNCHER, 0x10000, 1);
  if (r & AH_FORCE_FRONT) BringToForeground(w, 0);
}

// --- the Recycle Bin ---------------------------------------------------------------------------------

// Every cell that shows the button now (a locked one is on every page).
static void RedrawShownButton(const ButtonInfo* b) {
  const ItemStore& s = g_App.Store;
  if (!s.Grid || !g_StoreOutlets.DrawButton) return;
  for (int cell = 0; cell < s.GridCells; ++cell) {
    if (s.Grid[cell].Button != b) continue;
    g_StoreOutlets.DrawButton(cell, cell == s.PressedCell ? 2 : cell == s.HoverCell ? 1 : 0);
  }
}

void RefreshRecycleBinIcons() {
  // Counts are read again at every step: the store may change between them.
  for (int n = 0; n < g_App.Store.PageCount + g_App.Store.SubMenuCount; ++n) {
    int pages = g_App.Store.PageCount;
    int list = n < pages ? n : (LIST_SUBMENU | (n - pages));
    for (int i = 0;; ++i) {
      int count = 0;
      ButtonInfo** table = ListTable(list, &count);
      if (!table || i >= count) break;
      ButtonInfo* b = table[i];
      if (!b || ItemTypeOf(b->Type) != IT_RECYCLEBIN) continue;
      GetItemIcon(b);
      RedrawShownButton(b);
      Sleep(0);
    }
  }
}

ULONG WatchRecycleBin(HWND window) {
  LPITEMIDLIST bin = nullptr;
  if (!window || FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &bin)) || !bin) return 0;
  SHChangeNotifyEntry entry = {bin, TRUE};
  ULONG id = SHChangeNotifyRegister(window, SHCNRF_ShellLevel | SHCNRF_NewDelivery, SHCNE_UPDATEIMAGE,
                                    WMA_RECYCLEBIN, 1, &entry);
  CoTaskMemFree(bin);
  T().RecycleBinWatch = id;
  return id;
}

void UnwatchRecycleBin() {
  TickerState& t = T();
  if (!t.RecycleBinWatch) return;
  SHChangeNotifyDeregister(t.RecycleBinWatch);
  t.RecycleBinWatch = 0;
}

// --- the thread ----------------------------------------------------------------------------------

static void RunTick() {
  TickerState& t = T();
  LONG tick = InterlockedIncrement(&t.Tick);
  if (tick % kSuspendEveryTicks == 0) UpdateHookSuspend();
  if (tick >= kTicksPerCycle) {
    InterlockedExchange(&t.Tick, 0);
    // The store belongs to the window's thread: the backup check runs there.
    if (HWND w = g_App.MainWnd) PostMessageW(w, WM_TIMER, TICKER_BACKUP_CHECK, 0);
    if (!IsTrayAnimating()) RefreshTrayStateIcon();
  }
  AdvanceTrayAnimation();
  // The guarded word belongs to the window's thread.
  if (t.ReleaseGuard > 0 && InterlockedDecrement(&t.ReleaseGuard) == 0)
    if (HWND w = g_App.MainWnd) PostMessageW(w, WM_TIMER, TICKER_RELEASE_GUARD, 0);
  if (g_PowerSave.KeepAwake && --t.KeepAwakeCountdown <= 0) {
    SetThreadExecutionState(ES_DISPLAY_REQUIRED);
    t.KeepAwakeCountdown = kKeepAwakeTicks;
  }
  UINT buttons = GetMouseButtonState();
  if ((g_App.Wnd.Flags & WSF_SUBMENU_OPEN) && !(buttons & 3) && g_TickerOutlets.CheckSubMenuFocus)
    g_TickerOutlets.CheckSubMenuFocus();
  if (g_App.RunState & RS_HOOKS_ON) {
    POINT pt;
    GetCursorPos(&pt);
    int edge = -1;
    if (!(g_App.Hooks.SuspendWord & SUSPEND_EDGES))
      edge = FindHotEdge(g_App.Store.Refs.EdgeAssignment, pt, g_Hook.CheckPtOnEdge);
    if (g_TickerOutlets.CheckHotEdge) g_TickerOutlets.CheckHotEdge(edge);
    if (g_TickerOutlets.CheckHoldAction) g_TickerOutlets.CheckHoldAction(buttons, pt);
  }
  // Auto-hide runs on the window's thread: showing and hiding happen there,
  // and a check from here could act on a window hidden meanwhile.
  HWND w = g_App.MainWnd;
  if (w && IsWindowVisible(w)) PostMessageW(w, WMA_AUTOHIDE, 0, 0);
}

static unsigned __stdcall TickerThread(void*) {
  TickerState& t = T();
  while (t.Run) {
    Sleep(kTickMs);
    if (!t.Run) break;
    RunTick();
  }
  return 0;
}

int StartTicker() {
  TickerState& t = T();
  if (t.Thread) return 1;
  t.Run = 1;
  t.KeepAwakeCountdown = kKeepAwakeTicks;
  unsigned id = 0;
  t.Thread = (HANDLE)_beginthreadex(nullptr, 0, TickerThread, nullptr, 0, &id);
  if (!t.Thread) {
    t.Run = 0;
    return 0;
  }
  t.ThreadId = id;
  return 1;
}

int StopTicker() {
  TickerState& t = T();
  InterlockedExchange(&t.Run, 0);
  t.ThreadId = 0;
  if (!t.Thread) return 1;
  int ended = WaitForSingleObject(t.Thread, kStopWaitMs) == WAIT_OBJECT_0;
  CloseHandle(t.Thread);
  t.Thread = nullptr;
  return ended;
}

int OnTickerTimer(UINT_PTR id) {
  switch (id) {
    case TIMER_HOOKSTATE:
      OnHookSuspendTimer();
      return 1;
    case TIMER_MENUCLOSER:
      OnMenuCloserTimer();
      return 1;
    case TIMER_TRAYCLICK:
      OnTrayClickTimer();
      return 1;
    case TICKER_BACKUP_CHECK:
      AutoBackupSettings();
      return 1;
    case TICKER_RELEASE_GUARD:
      if (g_TickerOutlets.ReleaseGuardExpired) g_TickerOutlets.ReleaseGuardExpired();
      return 1;
    default:
      return 0;
  }
}
