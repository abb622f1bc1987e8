#include "core/triggers.h"

#include <shellapi.h>

#include "core/eventlists.h"
#include "core/hookbind.h"
#include "core/hookctl.h"
#include "core/mainwnd.h"
#include "core/showhide.h"
#include "state.h"
#include "core/ticker.h"
#include "store/items.h"

// Option1 bits read here.
static const UINT OPT1_MOUSE_AUTOHIDE = 0x2000;
static const UINT OPT1_EDGE_AUTOHIDE = 0x4000;
static const UINT OPT1_CIRCLE_AUTOHIDE = 0x8000;
static const UINT OPT1_HOTKEY_SHOW_AUTOHIDE = 0x10000;
static const UINT OPT1_MULTICLICK = 0x40000;       // tell single from multiple clicks
static const UINT OPT1_HOLD_NEEDS_RELEASE = 0x80000;
static const UINT OPT1_EDGE_NEEDS_BUTTON = 0x200000;
static const UINT KBO_MULTIPRESS = 0x1;
static const int kShowAutoHide = 0x100;
static const UINT kSuspendMouseActions = 0x2;

static const int kActions = 100, kPlaces = 12, kEdges = 8;
static const UINT kEdgeShowFlag = 0xFFFF0000u;
static const UINT LF_TRIGGER_LAUNCH = 0x80;   // global trigger: menus open at the cursor
static const DWORD kF0RepeatMs = 500;
static const int kDefaultHoldMs = 800, kDefaultHotKeyMs = 500;
static const DWORD kButtonKeyPressMs = 500;
static const UINT LF_FOLDER_AS_MENU = 0x4000, LF_OWN_OPTIONS = 0x8000;
static const UINT kOpenAsMenuOption = 0x80000;

// Nothing pending, no edge seen, press-and-hold armed.
static TriggerState s_t = {0, 0, -1, -1, 0, 0, 0, {0, 0}, 0, 1, 0, -1, 0, 0, 0, 0, 0, -1, 0, -1, 0, 0};

TriggerPlatform g_TriggerPlatform;

// --- real platform ----------------------------------------------------------------------------

static DWORD RealTick() { return GetTickCount(); }
static void RealSetTimer(UINT_PTR id, UINT ms) {
  if (g_App.MainWnd) SetTimer(g_App.MainWnd, id, ms, nullptr);
}
static void RealKillTimer(UINT_PTR id) {
  if (g_App.MainWnd) KillTimer(g_App.MainWnd, id);
}
static BOOL RealPost(HWND w, UINT m, WPARAM wp, LPARAM lp) { return PostMessageW(w, m, wp, lp); }
static UINT RealDoubleClickTime() { return GetDoubleClickTime(); }
static int RealMetric(int index) { return GetSystemMetrics(index); }
static HWND RealWindowAt(POINT pt) { return WindowFromPoint(pt); }
static LRESULT RealNcHitTest(HWND w, POINT pt) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(w, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y), SMTO_ABORTIFHUNG, 200, &answer)) return 0;
  return (LRESULT)answer;
}
static BOOL RealPtOnEdge(POINT pt, int type) {
  VnCheckPtOnEdgeFn f = g_Hook.CheckPtOnEdge;
  return f ? f(pt, type) : FALSE;
}
static int RealExplorerPlace(HWND w, POINT pt, UINT bits, int action) {
  VnIsExplorerWindowFn f = g_Hook.IsExplorerWindow;
  return f ? f(w, pt, bits, action) : -1;
}
// The button runs from the window's message loop (WMA_EXECUTE), fetched
// again by list and index there, as hot-edge buttons do.
static void RealLaunch(ButtonInfo* item, UINT flags) {
  if (item && g_App.MainWnd)
    PostMessageW(g_App.MainWnd, WMA_EXECUTE, (WPARAM)(((UINT)item->List << 16) | (item->Index & 0xFFFF)), flags);
}
static BOOL RealScreenToClient(HWND w, POINT* pt) { return ScreenToClient(w, pt); }
static SHORT RealKeyState(int vk) { return GetAsyncKeyState(vk); }
static UINT RealSuspendWord() { return (UINT)g_App.Hooks.SuspendWord; }
// Leaving a hot edge ends the keep-awake state an item switched on.
static void RealEndKeepAwake() { EndKeepAwakeOnEdgeLeave(); }

void InitTriggerPlatform() {
  TriggerPlatform& p = g_TriggerPlatform;
  p.Tick = RealTick;
  p.Show = ShowLauncher;
  p.Launch = RealLaunch;
  p.SetTimer = RealSetTimer;
  p.KillTimer = RealKillTimer;
  p.Post = RealPost;
  p.DoubleClickTime = RealDoubleClickTime;
  p.Metric = RealMetric;
  p.WindowAt = RealWindowAt;
  p.NcHitTest = RealNcHitTest;
  p.PtOnEdge = RealPtOnEdge;
  p.ExplorerPlace = RealExplorerPlace;
  p.ScreenToClient = RealScreenToClient;
  p.KeyState = RealKeyState;
  p.SuspendWord = RealSuspendWord;
  p.ModifierState = GetModifierState;
  p.EndKeepAwake = RealEndKeepAwake;
  g_TickerOutlets.CheckHotEdge = CheckHotEdge;
  g_TickerOutlets.CheckHoldAction = CheckHoldAction;
  g_TickerOutlets.ClearReleaseBits = ClearTriggerReleaseBits;
  g_HotKeyRowHandler = OnHotKey;
}

void ResetTriggers() {
  TriggerState fresh = {};
  fresh.LastEdge = -1;
  fresh.PendingHotKeyRow = -1;
  fresh.PendingAction = -1;
  fresh.HoldArmed = 1;
  fresh.KeyPendingList = -1;
  fresh.KeptList = -1;
  s_t = fresh;
}

UINT TriggerReleaseBits() { return (UINT)s_t.ReleaseBits; }

void ClearTriggerReleaseBits(UINT bits) { InterlockedAnd(&s_t.ReleaseBits, ~(LONG)bits); }

int TriggerShowMode(int family) {
  static const UINT autoHide[4] = {OPT1_MOUSE_AUTOHIDE, OPT1_EDGE_AUTOHIDE, OPT1_CIRCLE_AUTOHIDE,
                                   OPT1_HOTKEY_SHOW_AUTOHIDE};
  if (family < 0 || family > 3) return 1;
  const SettingsState& s = g_App.Settings;
  int mode = ShowModeFromPositionBits((s.DispPosition >> (4 * family)) & 0xF);
  if (s.Option1 & autoHide[family]) mode |= kShowAutoHide;
  return mode;
}

static UINT SuspendWord() {
  return g_TriggerPlatform.SuspendWord ? g_TriggerPlatform.SuspendWord() : 0;
}

static void LaunchStored(int list, int index, UINT flags) {
  ButtonInfo* item = GetItem(list, index);
  // A button that went away since the trigger was set is dropped.
  if (item && g_TriggerPlatform.Launch) g_TriggerPlatform.Launch(item, flags);
}

// --- mouse actions ------------------------------------------------------------------------------

static void RunMouseTarget(int action, int list, int index) {
  if (list != LIST_NONE) {
    LaunchStored(list, index, LF_TRIGGER_LAUNCH);
    return;
  }
  // The release of a double or triple click must not act on the launcher
  // window that it just showed.
  LONG bits = 0;
  if (action == 25 || action == 50) bits = 0x3;
  else if (action == 26 || action == 51) bits = 0xC;
  else if (action == 27 || action == 52) bits = 0x10;
  if (bits) InterlockedOr(&s_t.ReleaseBits, bits);
  const SettingsState& s = g_App.Settings;
  g_TriggerPlatform.Show(TriggerShowMode(FAMILY_MOUSE), s.ShowPosX, s.ShowPosY, index, 1);
}

void DispatchTrigger(int type, int action, int where) {
  TriggerPlatform& p = g_TriggerPlatform;
  if (type == 3) {
    p.KillTimer(TIMER_MULTICLICK);
    if (s_t.PendingAction < 0) return;
    int pending = s_t.PendingAction;
    s_t.PendingAction = -1;
    RunMouseTarget(pending, s_t.PendingList, s_t.PendingIndex);
    return;
  }
  if (type != 2) return;
  // Values from the hook library index our tables: check them here too.
  if (action < 0 || action >= kActions || where < 0 || where >= kPlaces) return;
  const References& refs = g_App.Store.Refs;
  MouseTarget target = refs.MouseTargets[action][where];
  p.KillTimer(TIMER_MULTICLICK);
  s_t.PendingAction = -1;
  if (g_App.Settings.Option1 & OPT1_MULTICLICK) {
    UINT m = 1u | (1u << where);
    UINT dbl = p.DoubleClickTime();
    UINT wait = 0;
    if (action < 25) {
      if (refs.MousePlaceMask[action + 50] & m) wait = 2 * dbl;
      else if (refs.MousePlaceMask[action + 25] & m) wait = dbl;
    } else if (action < 50 && (refs.MousePlaceMask[action + 25] & m)) {
      wait = dbl;
    }
    if (wait) {
      s_t.PendingAction = action;
      s_t.PendingList = target.List;
      s_t.PendingIndex = target.Index;
      p.SetTimer(TIMER_MULTICLICK, wait);
      return;
    }
  }
  RunMouseTarget(action, target.List, target.Index);
}

// --- hot keys -----------------------------------------------------------------------------------

static int PressesOf(int code) { return (code >> 12) & 0xF; }

void OnHotKey(int row) {
  TriggerPlatform& p = g_TriggerPlatform;
  const HotKeyTable& hk = g_App.Store.Refs.HotKeys;
  const SettingsState& s = g_App.Settings;
  if (!hk.Rows) return;
  if (row < -1 || row > hk.Count) return;
  if (row >= 0 && (hk.Rows[row].Code & 0xFF) == 0xF0) {
    // Some keyboards send this key twice for one press.
    DWORD now = p.Tick();
    if (s_t.F0Seen && now - s_t.LastF0Tick < kF0RepeatMs) return;
    s_t.F0Seen = 1;
    s_t.LastF0Tick = now;
  }
  if (s.KeyboardOption & KBO_MULTIPRESS) {
    if (row < 0) {
      row = s_t.PendingHotKeyRow;
      s_t.PendingHotKeyCode = 0;
      s_t.PendingHotKeyRow = -1;
      p.KillTimer(TIMER_HOTKEY);
      if (row < 0 || row > hk.Count) return;
    } else {
      int code = hk.Rows[row].Code & 0xFFF;
      bool more = false;
      for (int i = 0; i <= hk.Count && !more; i++)
        more = i != row && (hk.Rows[i].Code & 0xFFF) == code && PressesOf(hk.Rows[i].Code) > PressesOf(hk.Rows[row].Code);
      if (more) {
        s_t.PendingHotKeyRow = row;
        if (s_t.PendingHotKeyCode == code) return;
        s_t.PendingHotKeyCode = code;
        int ms = s.HotkeyTimeout > 0 ? s.HotkeyTimeout : kDefaultHotKeyMs;
        p.SetTimer(TIMER_HOTKEY, (UINT)ms);
        return;
      }
      if (s_t.PendingHotKeyCode == code) {
        p.KillTimer(TIMER_HOTKEY);
        s_t.PendingHotKeyCode = 0;
        s_t.PendingHotKeyRow = -1;
      }
    }
  } else if (row < 0) {
    return;
  }
  if (row == 0) {
    p.Show(TriggerShowMode(FAMILY_HOTKEY), s.ShowPosX, s.ShowPosY, hk.Rows[0].List, 1);
    return;
  }
  LaunchStored(hk.Rows[row].List, hk.Rows[row].Index, 0);
}

int OnTriggerTimer(UINT_PTR id) {
  if (id == TIMER_MULTICLICK) {
    DispatchTrigger(3, 0, 0);
    return 1;
  }
  if (id == TIMER_HOTKEY) {
    OnHotKey(-1);
    return 1;
  }
  if (id == TIMER_BUTTONKEY) {
    MatchButtonKey(0, 0, 1);
    return 1;
  }
  return 0;
}

// --- press and hold -----------------------------------------------------------------------------

int HoldActionOfButtons(UINT buttons) {
  switch (buttons) {
    case 0x1: return 85;
    case 0x2: return 86;
    case 0x4: return 87;
    case 0x8: return 88;
    case 0x10: return 89;
    case 0x3: return 90;
    case 0x5: return 91;
    case 0x9: return 92;
    case 0x11: return 93;
    case 0x6: return 94;
    case 0xA: return 95;
    case 0x12: return 96;
    case 0xC: return 97;
    case 0x14: return 98;
    case 0x18: return 99;
  }
  return -1;
}

static int FindHoldPlace(UINT bits, int action, HWND window, POINT pt) {
  TriggerPlatform& p = g_TriggerPlatform;
  for (int type = 0; type < kEdges; type++)
    if ((bits & (0x2u << type)) && p.PtOnEdge(pt, type)) return type + 1;
  if ((bits & 0x200) && window && p.NcHitTest(window, pt) == HTCAPTION) return 9;
  if (bits & 0xC00) {
    int place = p.ExplorerPlace(window, pt, bits, action);
    if (place == 10 || place == 11) return place;
  }
  if (bits & 0x1) return 0;
  return -1;
}

// Posts a button message to window with pt in its client coordinates.
static void PostButton(HWND window, UINT message, WPARAM keys, POINT pt) {
  TriggerPlatform& p = g_TriggerPlatform;
  p.ScreenToClient(window, &pt);
  p.Post(window, message, keys, MAKELPARAM(pt.x, pt.y));
}

void CheckHoldAction(UINT buttons, POINT pt) {
  if (!(g_App.RunState & RS_HOLD_ACTION)) return;
  TriggerPlatform& p = g_TriggerPlatform;
  if (!buttons || (SuspendWord() & kSuspendMouseActions)) {
    s_t.HoldButtons = 0;
    s_t.HoldArmed = 1;
    return;
  }
  if (buttons != s_t.HoldButtons) {
    s_t.HoldButtons = buttons;
    s_t.HoldStart = pt;
    s_t.HoldTick = p.Tick();
    return;
  }
  LONG dx = pt.x - s_t.HoldStart.x, dy = pt.y - s_t.HoldStart.y;
  if (dx < 0) dx = -dx;
  if (dy < 0) dy = -dy;
  if (dx > p.Metric(SM_CXDOUBLECLK) / 2 || dy > p.Metric(SM_CYDOUBLECLK) / 2) {
    s_t.HoldStart = pt;
    s_t.HoldTick = p.Tick();
    if (g_App.Settings.Option1 & OPT1_HOLD_NEEDS_RELEASE) s_t.HoldArmed = 0;
    return;
  }
  int holdMs = g_App.Settings.PressHoldG > 0 ? g_App.Settings.PressHoldG : kDefaultHoldMs;
  if (!s_t.HoldArmed || p.Tick() - s_t.HoldTick < (DWORD)holdMs) return;
  int action = HoldActionOfButtons(buttons);
  if (action < 0) return;
  UINT bits = g_App.Store.Refs.MousePlaceMask[action];
  if (!bits) return;
  HWND window = p.WindowAt(pt);
  int place = FindHoldPlace(bits, action, window, pt);
  if (place < 0) return;
  // The window under the pointer saw the presses: let it see them end.
  if (window) {
    if (buttons & 0x1) PostButton(window, WM_LBUTTONUP, MK_LBUTTON, pt);
    if (buttons & 0x2) {
      PostButton(window, WM_RBUTTONUP, MK_RBUTTON, pt);
      if (g_App.MainWnd) p.Post(g_App.MainWnd, WMA_CLOSEMENUS, 0, 0);
    }
    if (buttons & 0x4) {
      PostButton(window, WM_MBUTTONDOWN, MK_MBUTTON, pt);
      PostButton(window, WM_MBUTTONUP, MK_MBUTTON, pt);
    }
  }
  s_t.HoldArmed = 0;
  if (g_App.MainWnd) p.Post(g_App.MainWnd, WMA_MOUSEACTION, (WPARAM)action, place);
}

// --- hot edges ----------------------------------------------------------------------------------

static void ReloadEdgeCountdowns() {
  s_t.ShowCountdown = g_App.Settings.ShowDelay / 100;
  s_t.ItemCountdown = g_App.Settings.EdgeBootDelay / 100;
}

void CheckHotEdge(int edge) {
  TriggerPlatform& p = g_TriggerPlatform;
  if (edge < -1 || edge >= kEdges) edge = -1;
  const UINT* ea = g_App.Store.Refs.EdgeAssignment;
  int prev = s_t.LastEdge;
  int entry = -1;
  if (prev >= 0 && edge != prev && ea[prev + kEdges]) entry = prev + kEdges;
  else if (edge >= 0) entry = edge;
  UINT action = entry >= 0 ? ea[entry] : 0;
  if (!action) {
    s_t.LastEdge = edge;
    ReloadEdgeCountdowns();
    if (p.EndKeepAwake) p.EndKeepAwake();
    return;
  }
  if (entry == prev) {  // still on the edge it fired for
    ReloadEdgeCountdowns();
    return;
  }
  const SettingsState& s = g_App.Settings;
  if (action < kEdgeShowFlag) {
    if (--s_t.ItemCountdown > 0) return;
    int list = (int)(action >> 16) - 1, index = (int)(action & 0xFFFF);
    if (GetItem(list, index) && g_App.MainWnd)
      p.Post(g_App.MainWnd, WMA_EXECUTE, (WPARAM)((list << 16) | index), LF_TRIGGER_LAUNCH);
  } else {
    if (--s_t.ShowCountdown > 0) return;
    // Either button will do, so swapping them does not matter.
    if ((s.Option1 & OPT1_EDGE_NEEDS_BUTTON) && !(p.KeyState(VK_LBUTTON) & 0x8000) &&
        !(p.KeyState(VK_RBUTTON) & 0x8000))
      return;
    UINT page = action & 0xFFFF;
    if (g_App.MainWnd)
      p.Post(g_App.MainWnd, WMA_SHOWLAUNCHER, (WPARAM)((TriggerShowMode(FAMILY_EDGE) & 0xFFFF) | (page << 16)),
             (LPARAM)(((UINT)(WORD)s.ShowPosY << 16) | (WORD)s.ShowPosX));
  }
  s_t.LastEdge = edge;
}

// --- button shortcut keys -------------------------------------------------------------------------

static bool IsFolderLike(const ButtonInfo* item) {
  UINT type = ItemTypeOf(item->Type);
  if (type == IT_FOLDER || (type & IT_FOLDERLIKE)) return true;
  if (type != IT_SHELLITEM || !item->ShellItem) return false;
  SHFILEINFOW info = {};
  info.dwAttributes = SFGAO_FOLDER;
  return SHGetFileInfoW((LPCWSTR)item->ShellItem, 0, &info, sizeof info,
                        SHGFI_PIDL | SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED) &&
         (info.dwAttributes & SFGAO_FOLDER);
}

int IsMenuLikeItem(const ButtonInfo* item, UINT flags) {
  if (!item) return 0;
  UINT type = ItemTypeOf(item->Type);
  if (type == IT_CHILDMENU || type == 0x4066 || type == IT_HISTORY || type == 0x406A) return 1;
  if (!IsFolderLike(item)) return 0;
  if (flags & LF_FOLDER_AS_MENU) return 1;
  UINT options = (flags & LF_OWN_OPTIONS) ? flags : item->Type;
  return (options & kOpenAsMenuOption) ? 1 : 0;
}

static void RunKeyItem(ButtonInfo* item) {
  TriggerPlatform& p = g_TriggerPlatform;
  if ((item->List & LIST_SUBMENU) && item->List != LIST_NONE && p.OpenInSubMenu &&
      IsMenuLikeItem(item, kOpenAsMenuOption | LF_OWN_OPTIONS)) {
    p.OpenInSubMenu(item);
    return;
  }
  if (p.Launch) p.Launch(item, 0);
}

static bool IsShiftCtrlAlt(UINT key) {
  return key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU || (key >= VK_LSHIFT && key <= VK_RMENU);
}

int MatchButtonKey(int list, UINT key, int timer) {
  TriggerPlatform& p = g_TriggerPlatform;
  if (timer) {
    p.KillTimer(TIMER_BUTTONKEY);
    int pl = s_t.KeyPendingList, pi = s_t.KeyPendingIndex;
    s_t.KeyPendingList = -1;
    if (pl < 0) return -1;
    // Fetched again: the button may have gone while we waited.
    if (ButtonInfo* item = GetItem(pl, pi)) RunKeyItem(item);
    return -1;
  }
  UINT mods = p.ModifierState ? p.ModifierState() & 0xF : 0;
  WORD code;
  bool keyUp;
  if (IsShiftCtrlAlt(key)) {
    // A modifier alone stands for itself together with a held Windows key.
    UINT win = (p.KeyState(VK_LWIN) & 0x8000) ? VK_LWIN : (p.KeyState(VK_RWIN) & 0x8000) ? VK_RWIN : 0;
    if (!win && (mods & 0x8)) win = VK_LWIN;
    code = (WORD)((mods << 8) | win);
    keyUp = true;
  } else {
    code = (WORD)((mods << 8) | (key & 0xFF));
    keyUp = (key & 0xFF) == VK_LWIN || (key & 0xFF) == VK_RWIN;
  }
  if (!code) return 0;

  const ItemStore& st = g_App.Store;
  const bool multiPress = (g_App.Settings.KeyboardOption & KBO_MULTIPRESS) != 0;
  DWORD now = p.Tick();
  bool first = true, wait = false, repeated = false;
  ButtonInfo* candidate = nullptr;
  // Locked buttons show on every page, so their keys work on every page.
  int lockedCount = (list & LIST_SUBMENU) ? 0 : st.LockedCount;
  int count = GetItemCount(list);
  if (count < 0) count = 0;
  for (int n = 0; n < lockedCount + count; n++) {
    ButtonInfo* item = n < lockedCount ? st.Locked[n] : GetItem(list, n - lockedCount);
    if (!item || (item->Keyboard & 0xFFF) != code) continue;
    if (first) {
      first = false;
      if (code != s_t.KeyLastCode || now - s_t.KeyLastTick > kButtonKeyPressMs) s_t.KeyPresses = 0;
    }
    int presses = item->Keyboard >> 12;
    if (presses) repeated = true;
    if (presses != s_t.KeyPresses) {
      if (presses > s_t.KeyPresses && multiPress) wait = true;
      continue;
    }
    if (keyUp && presses == 0) {
      s_t.KeptList = item->List;
      s_t.KeptIndex = item->Index;
      continue;
    }
    candidate = item;
    if (wait) break;
  }
  if (repeated) {
    s_t.KeyLastCode = code;
    s_t.KeyLastTick = now;
    s_t.KeyPresses++;
  } else {
    s_t.KeyLastCode = 0;
    s_t.KeyPresses = 0;
  }
  if (!candidate) return 0;
  p.KillTimer(TIMER_BUTTONKEY);
  s_t.KeyPendingList = -1;
  if (wait) {
    s_t.KeyPendingList = candidate->List;
    s_t.KeyPendingIndex = candidate->Index;
    int ms = g_App.Settings.HotkeyTimeout > 0 ? g_App.Settings.HotkeyTimeout : kDefaultHotKeyMs;
    p.SetTimer(TIMER_BUTTONKEY, (UINT)ms);
    return 1;
  }
  RunKeyItem(candidate);
  return 1;
}

void ClearKeptItem() { s_t.KeptList = -1; }

int RunHoveredItem() {
  int list = s_t.KeptList, index = s_t.KeptIndex;
  s_t.KeptList = -1;
  if (list < 0) return 0;
  ButtonInfo* item = GetItem(list, index);
  if (!item) return 0;
  RunKeyItem(item);
  return 1;
}
