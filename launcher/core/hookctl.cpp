#include "core/hookctl.h"

#include <process.h>
#include <stddef.h>
#include <wchar.h>

#include "core/hookbind.h"
#include "core/mainwnd.h"
#include "core/procwatch.h"
#include "core/switches.h"
#include "state.h"
#include "core/ticker.h"
#include "core/tray.h"
#include "core/winhelpers.h"
#include "dialogs/dialoghelpers.h"
#include "resources/resource.h"
#include "store/items.h"
#include "store/settings.h"

static const DWORD kHandOverMs = 3000;
static const DWORD kPollMs = 10;
static const DWORD kSuspendSpacingMs = 20;
static const DWORD kWinKeyRemovalMs = 1000;
static const UINT kMenuCloserMs = 500;

static HookControlState& H() { return g_App.Hooks; }

// --- pure parts ---------------------------------------------------------------------------

UINT ComputeSuspendWord(const SuspendInput* in) {
  UINT word = in->DialogOpen ? (UINT)SUSPEND_DIALOG : 0u;
  UINT r = in->Restraint;
  if (in->InFront || in->DialogOpen) word |= (r & 0xF) << 1;
  if (in->Restricted) word |= (r >> 4) & 0x1F;
  UINT full = (r >> 9) & 0x1F;
  if (full && in->FullScreen) word |= full;
  return word | (UINT)in->TargetFlags;
}

static int StartsWithNoCase(const wchar_t* s, const wchar_t* prefix) {
  size_t n = wcslen(prefix);
  return _wcsnicmp(s, prefix, n) == 0;
}

static int ContainsNoCase(const wchar_t* s, const wchar_t* part) {
  size_t n = wcslen(part), len = wcslen(s);
  for (size_t i = 0; i + n <= len; ++i)
    if (!_wcsnicmp(s + i, part, n)) return 1;
  return 0;
}

static int MatchesExe(const wchar_t* want, const wchar_t* path) {
  if (!want[0]) return 1;
  if (!wcschr(want, L'\\')) {
    const wchar_t* slash = wcsrchr(path, L'\\');
    return !_wcsicmp(want, slash ? slash + 1 : path);
  }
  return StartsWithNoCase(path, want);
}

int FindSuppressTarget(const SuppressTarget* targets, int count, const wchar_t* exePath,
                       const wchar_t* className, const wchar_t* title) {
  for (int i = 0; targets && i < count; ++i) {
    const SuppressTarget& t = targets[i];
    if (!t.Exe[0] && !t.Class[0] && !t.Caption[0]) continue;
    if (!MatchesExe(t.Exe, exePath)) continue;
    if (t.Class[0] && !StartsWithNoCase(className, t.Class)) continue;
    if (t.Caption[0] && !ContainsNoCase(title, t.Caption)) continue;
    return i;
  }
  return -1;
}

static const UINT kWinLeft = 1, kWinRight = 2;

static UINT WinBitOfKey(BYTE vk) {
  return vk == VK_LWIN ? kWinLeft : vk == VK_RWIN ? kWinRight : 0;
}

int ClassifyWinKeyCode(WORD code, UINT* aloneKeys) {
  BYTE key = LOBYTE(code);
  UINT bit = WinBitOfKey(key);
  if (!bit && !(code & 0x800)) return 0;
  if (bit && !(code & 0x700)) *aloneKeys |= bit;
  return 1;
}

static int IsModifierVk(BYTE vk) { return (vk >= VK_SHIFT && vk <= VK_MENU) || (vk >= VK_LSHIFT && vk <= VK_RMENU); }

static int HasWinKeyCode(const WORD* codes, int n, WORD code) {
  for (int i = 0; i < n; ++i)
    if ((codes[i] & 0xFFF) == (code & 0xFFF)) return 1;
  return 0;
}

static int WinKeyRemovalReady(const WinKeyState* s, int removalPending) {
  return removalPending && !s->Held && !s->Consumed && !s->ComboKey;
}

void StepWinKeyHook(WinKeyState* s, const WORD* codes, int codeCount, UINT aloneKeys,
                    const WinKeyEvent* e, WinKeyAction* out) {
  WinKeyAction a = {};
  BYTE vk = e->Vk;
  UINT win = WinBitOfKey(vk);
  if (e->Down) {
    s->LastKeyDown = vk;
    if (IsModifierVk(vk) || e->RemovalPending) {
      *out = a;
      return;
    }
    a.Swallow = 1;
    if (win) {
      s->Held |= win;
      if (!e->Repeat) {
        a.PostMessage = WMA_WINKEYDOWN;
        a.PostKey = vk;
      }
    } else if (s->Held && !e->Repeat) {
      WORD code = (WORD)(((e->Modifiers | 8) << 8) | vk);
      if (HasWinKeyCode(codes, codeCount, code)) {
        a.PostMessage = WMA_WINKEYDOWN;
        a.PostKey = vk;
        s->Consumed |= s->Held;
        s->ComboKey = vk;
      } else {
        // Not ours: the system gets the Windows key(s) and this key after all.
        if (s->Held & kWinLeft) a.Replay[a.ReplayCount++] = VK_LWIN;
        if (s->Held & kWinRight) a.Replay[a.ReplayCount++] = VK_RWIN;
        a.Replay[a.ReplayCount++] = vk;
        s->Held = 0;
      }
    } else if (!s->Held) {
      a.Swallow = 0;  // an ordinary key
    }
    *out = a;
    return;
  }

  BYTE lastDown = (BYTE)s->LastKeyDown;
  s->LastKeyDown = 0;
  if (IsModifierVk(vk)) {
    *out = a;
    return;
  }
  if (win && ((s->Held | s->Consumed) & win)) {
    s->Held &= ~win;
    a.Swallow = 1;
    if (s->Consumed & win) {
      s->Consumed &= ~win;
      a.PostMessage = WMA_WINKEYUP;
      a.PostKey = vk;
    } else if (!(aloneKeys & win) || lastDown != vk || (e->Modifiers & 7) || s->Held) {
      // The plain Windows key the system would have seen.
      a.Replay[0] = vk;
      a.ReplayCount = 1;
      a.Tap = 1;
    } else {
      a.PostMessage = WMA_WINKEYUP;
      a.PostKey = vk;
    }
  } else if (vk == s->ComboKey && vk) {
    s->ComboKey = 0;
    a.Swallow = 1;
    a.PostMessage = WMA_WINKEYUP;
    a.PostKey = vk;
  }
  if (a.PostMessage == WMA_WINKEYUP) a.PostRemoval = WinKeyRemovalReady(s, e->RemovalPending);
  *out = a;
}

// --- settings sent to the library ------------------------------------------------------------

static VnSetDllDataFn BoundSetDllData() { return g_Hook.SetDllData; }

void SendMonitorsToHook() {
  VnSetDllDataFn send = BoundSetDllData();
  const MonitorList& m = g_App.Ticker.Monitors;
  if (send && m.Count > 0) send(DLLDATA_MONITORS, (void*)(INT_PTR)m.Count, m.Monitors);
}

void SendHookSettings() {
  VnSetDllDataFn send = BoundSetDllData();
  if (!send) return;
  References& r = g_App.Store.Refs;
  send(DLLDATA_MOUSE, r.MousePlaceMask, r.Circle);
  send(DLLDATA_HOTKEYS, (void*)(INT_PTR)(r.HotKeys.Rows ? r.HotKeys.Count : -1), r.HotKeys.Rows);
  send(DLLDATA_OPTIONS, &g_App.Settings.Option1, g_App.Settings.EdgeMargins);
  SendMonitorsToHook();
}

static_assert(sizeof(CircleGestureSettings) == 24, "kind 1 sends the store's circle records as they are");
static_assert(sizeof(HotKeyEntry) == 12, "kind 2 sends the store's rows as they are");
static_assert(sizeof(EdgeRange) * kEdgeTypes == 64, "kind 3 sends the edge margins as they are");
static_assert(offsetof(SettingsState, Restraint) - offsetof(SettingsState, Option1) == 10 * sizeof(UINT),
              "kind 3 takes eleven words from Option1");

// --- hooks on and off ----------------------------------------------------------------------

static int IsOneShot() { return (g_App.RunState & RS_N_MODE) != 0; }
static int IsAdminMode() { return (g_App.RunState & RS_VNADMIN_MODE) != 0; }
static int HooksOn() { return (g_App.RunState & RS_HOOKS_ON) != 0; }

// Polls *flag every 10 ms until it is not 0; 0 after 3 s.
static LONG WaitForFlag(volatile LONG* flag) {
  DWORD start = GetTickCount();
  for (;;) {
    LONG v = *flag;
    if (v) return v;
    if (GetTickCount() - start >= kHandOverMs) return 0;
    Sleep(kPollMs);
  }
}

// A low-level hook lives on a thread that pumps messages.
static unsigned __stdcall MouseHookThread(void*) {
  MSG msg;
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // make the queue first
  InterlockedExchange(&H().MouseThreadReady, 1);
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WMA_HOOKTHREAD_INSTALL && !msg.hwnd) {
      VnOperateMouseHookFn op = g_Hook.OperateMouseHook;
      if (op && op(HOOKOP_INSTALL, g_App.MainWnd, TRUE)) {
        InterlockedExchange(&H().MouseThreadResult, 1);
      } else {
        ShowMessage(IDS_ERR_HOOK, MB_ICONERROR);
        InterlockedExchange(&H().MouseThreadResult, -1);
      }
      continue;
    }
    DispatchMessageW(&msg);
  }
  return 0;
}

static void EndMouseHookThread() {
  HookControlState& h = H();
  if (!h.MouseThread) return;
  PostThreadMessageW(h.MouseThreadId, WM_QUIT, 0, 0);
  WaitForSingleObject(h.MouseThread, kHandOverMs);
  CloseHandle(h.MouseThread);
  h.MouseThread = nullptr;
  h.MouseThreadId = 0;
}

static int InstallMouseHookOnThread() {
  HookControlState& h = H();
  EndMouseHookThread();
  h.MouseThreadReady = 0;
  h.MouseThreadResult = 0;
  unsigned id = 0;
  h.MouseThread = (HANDLE)_beginthreadex(nullptr, 0, MouseHookThread, nullptr, 0, &id);
  if (!h.MouseThread) return 0;
  h.MouseThreadId = id;
  if (WaitForFlag(&h.MouseThreadReady)) {
    InterlockedExchange(&h.MouseThreadReady, 0);
    PostThreadMessageW(h.MouseThreadId, WMA_HOOKTHREAD_INSTALL, 0, 0);
    LONG result = WaitForFlag(&h.MouseThreadResult);
    if (result > 0) return 1;
    if (result < 0) {
      EndMouseHookThread();
      return -1;
    }
  }
  EndMouseHookThread();
  return 0;  // timed out: try on this thread
}

int SetMouseHook(int on) {
  if (IsOneShot()) return 1;
  if (on) {
    if (HooksOn()) return 1;
    if (IsAdminMode()) {
      QueueAdminRequest(ADMINREQ_MOUSEHOOK, 1, 0);
      return 1;
    }
    if (g_App.Settings.Option1 & OPT1_LOWLEVEL_MOUSE) {
      int r = InstallMouseHookOnThread();
      if (r > 0) return 1;
      if (r < 0) return 0;
    }
    VnOperateMouseHookFn op = g_Hook.OperateMouseHook;
    if (!op || !op(HOOKOP_INSTALL, g_App.MainWnd, FALSE)) {
      ShowMessage(IDS_ERR_HOOK, MB_ICONERROR);
      return 0;
    }
    return 1;
  }
  if (!HooksOn()) return 1;
  if (IsAdminMode()) {
    QueueAdminRequest(ADMINREQ_MOUSEHOOK, 0, 0);
    return 1;
  }
  int removed = 0;
  DWORD start = GetTickCount();
  for (;;) {
    VnOperateMouseHookFn op = g_Hook.OperateMouseHook;
    if (!op || op(HOOKOP_REMOVE, nullptr, FALSE)) {
      removed = 1;
      break;
    }
    if (GetTickCount() - start >= kHandOverMs) break;
    Sleep(kPollMs);
  }
  EndMouseHookThread();
  return removed;
}

static int SetKeyboardHook(int on) {
  if (IsAdminMode()) {
    QueueAdminRequest(ADMINREQ_KEYBOARDHOOK, on ? 1 : 0, 0);
    return 1;
  }
  if (on) {
    VnOperateKeyboardHookFn op = g_Hook.OperateKeyboardHook;
    if (!op || !op(HOOKOP_INSTALL, g_App.MainWnd)) {
      ShowMessage(IDS_ERR_HOOK, MB_ICONERROR);
      return 0;
    }
    return 1;
  }
  DWORD start = GetTickCount();
  for (;;) {
    VnOperateKeyboardHookFn op = g_Hook.OperateKeyboardHook;
    if (!op || op(HOOKOP_REMOVE, nullptr)) return 1;
    if (GetTickCount() - start >= kHandOverMs) return 0;
    Sleep(kPollMs);
  }
}

int SetHooks(int on, int balloon) {
  if (!SetMouseHook(on)) return 0;
  if (!IsOneShot()) {
    int matches = on ? HooksOn() : !HooksOn();
    if (!matches) {
      if (!SetKeyboardHook(on)) return 0;
      if (on)
        InterlockedOr(&g_App.RunState, RS_HOOKS_ON);
      else
        InterlockedAnd(&g_App.RunState, ~RS_HOOKS_ON);
    }
  }
  // Hooks on again: no watched program holds them released any more.
  if (on) DropHookHoldingWatches();
  RefreshTrayStateIcon();
  if (balloon) ShowBalloonTextId(on ? IDS_HOOKS_RESUMED : IDS_HOOKS_RELEASED, 3000);
  return 1;
}

// --- suspend word ---------------------------------------------------------------------------

static void ArmSuspendTimer() {
  HWND w = g_App.MainWnd;
  if (!w || InterlockedExchange(&H().SuspendTimerArmed, 1)) return;
  // A timer belongs to the window's own thread; from elsewhere the same
  // WM_TIMER is posted.
  if (GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId())
    SetTimer(w, TIMER_HOOKSTATE, kSuspendSpacingMs, nullptr);
  else
    PostMessageW(w, WM_TIMER, TIMER_HOOKSTATE, 0);
}

static int ForegroundTargetFlags() {
  const SettingsState& s = g_App.Settings;
  if (s.TargetCount <= 0 || !s.Targets) return 0;
  HWND front = GetForegroundWindow();
  static wchar_t exe[kExePathChars], cls[1024], title[1024];  // ticker and UI never run this at once
  exe[0] = cls[0] = title[0] = 0;
  if (front) {
    GetWindowExePath(front, exe, 0);
    GetClassNameW(front, cls, 1024);
    GetWindowTextW(front, title, 1024);
  }
  int i = FindSuppressTarget(s.Targets, s.TargetCount, exe, cls, title);
  return i >= 0 ? s.Targets[i].Flags : 0;
}

static void UpdateHookSuspendOnce() {
  HookControlState& h = H();
  int front = IsLauncherInFront(0);
  int wantWinKeys = h.WinKeyCount > 0 && front;
  HWND w = g_App.MainWnd;
  int onUiThread = !w || GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId();
  // The hook belongs to the window's thread, which pumps its messages; the
  // ticker has that thread run this again instead.
  if (onUiThread)
    SetWinKeyHook(wantWinKeys);
  else if (wantWinKeys != (h.WinKeyHook != nullptr))
    ArmSuspendTimer();
  if (!HooksOn() || IsOneShot()) return;
  DWORD now = GetTickCount();
  if (h.SuspendSent && now - h.LastSuspendTick < kSuspendSpacingMs) {
    ArmSuspendTimer();
    return;
  }
  if (w && onUiThread) KillTimer(w, TIMER_HOOKSTATE);
  SuspendInput in = {};
  in.DialogOpen = GetTopOpenDialog() != nullptr;
  in.InFront = front;
  in.Restricted = (g_App.Settings.Status & STATUS_RESTRICTED) != 0;
  in.Restraint = g_App.Settings.Restraint;
  in.FullScreen = ((in.Restraint >> 9) & 0x1F) && IsFullScreenForeground();
  in.TargetFlags = ForegroundTargetFlags();
  UINT word = ComputeSuspendWord(&in);
  InterlockedExchange(&h.SuspendWord, (LONG)word);
  if (VnSetDllDataFn send = g_Hook.SetDllData) send(DLLDATA_SUSPEND, (void*)(INT_PTR)word, nullptr);
  h.LastSuspendTick = now;
  h.SuspendSent = 1;
}

void UpdateHookSuspend() {
  HookControlState& h = H();
  if (InterlockedExchange(&h.SuspendBusy, 1)) {
    ArmSuspendTimer();
    return;
  }
  UpdateHookSuspendOnce();
  InterlockedExchange(&h.SuspendBusy, 0);
}

void OnHookSuspendTimer() {
  if (g_App.MainWnd) KillTimer(g_App.MainWnd, TIMER_HOOKSTATE);
  InterlockedExchange(&H().SuspendTimerArmed, 0);
  UpdateHookSuspend();
}

static void CALLBACK ForegroundEventProc(HWINEVENTHOOK, DWORD, HWND, LONG idObject, LONG, DWORD, DWORD) {
  if (idObject == OBJID_WINDOW) UpdateHookSuspend();
}

void StartForegroundTracking() {
  StopForegroundTracking();
  HookControlState& h = H();
  h.ForegroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                     ForegroundEventProc, 0, 0, WINEVENT_OUTOFCONTEXT);
  h.NameChangeHook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                     ForegroundEventProc, 0, 0, WINEVENT_OUTOFCONTEXT);
}

void StopForegroundTracking() {
  HookControlState& h = H();
  if (h.ForegroundHook) UnhookWinEvent(h.ForegroundHook);
  if (h.NameChangeHook) UnhookWinEvent(h.NameChangeHook);
  h.ForegroundHook = h.NameChangeHook = nullptr;
}

// --- Win-key codes and the own keyboard hook ----------------------------------------------------

static void AppendWinKeyCode(WORD code) {
  HookControlState& h = H();
  if (!ClassifyWinKeyCode(code, &h.WinAloneKeys)) return;
  if (h.WinKeyCount == h.WinKeyCap) {
    int cap = h.WinKeyCap ? h.WinKeyCap * 2 : 16;
    HANDLE heap = GetProcessHeap();
    void* p = h.WinKeyCodes ? HeapReAlloc(heap, HEAP_ZERO_MEMORY, h.WinKeyCodes, cap * sizeof(WORD))
                            : HeapAlloc(heap, HEAP_ZERO_MEMORY, cap * sizeof(WORD));
    if (!p) return;
    h.WinKeyCodes = (WORD*)p;
    h.WinKeyCap = cap;
  }
  h.WinKeyCodes[h.WinKeyCount++] = code;
}

static void CollectListWinKeys(int list) {
  int n = 0;
  ButtonInfo** table = ListTable(list, &n);
  for (int i = 0; table && i < n; ++i)
    if (table[i]) AppendWinKeyCode((WORD)table[i]->Keyboard);
}

void CollectWinKeyCodes() {
  HookControlState& h = H();
  if (InterlockedExchange(&h.CollectBusy, 1)) return;
  h.WinKeyCount = 0;
  h.WinAloneKeys = 0;
  for (int i = 0; i < kLauncherKeyCount; ++i) AppendWinKeyCode(g_App.Settings.Keyboard[i]);
  for (int p = 0; p < g_App.Store.PageCount; ++p) CollectListWinKeys(p);
  for (int m = 0; m < g_App.Store.SubMenuCount; ++m) CollectListWinKeys(LIST_SUBMENU | m);
  InterlockedExchange(&h.CollectBusy, 0);
}

UINT GetModifierState() {
  UINT m = 0;
  if (GetAsyncKeyState(VK_SHIFT) & 0x8000) m |= 1;
  if (GetAsyncKeyState(VK_CONTROL) & 0x8000) m |= 2;
  if (GetAsyncKeyState(VK_MENU) & 0x8000) m |= 4;
  if ((GetAsyncKeyState(VK_LWIN) & 0x8000) || (GetAsyncKeyState(VK_RWIN) & 0x8000) || H().WinKeys.Held) m |= 8;
  return m;
}

static void ReplayKeys(const WinKeyAction& a) {
  INPUT in[6] = {};
  int n = 0;
  for (int i = 0; i < a.ReplayCount; ++i) {
    in[n].type = INPUT_KEYBOARD;
    in[n].ki.wVk = a.Replay[i];
    in[n].ki.dwExtraInfo = INJECT_SIGNATURE;
    ++n;
  }
  if (a.Tap && n == 1) {
    in[1] = in[0];
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    n = 2;
  }
  if (n) SendInput(n, in, sizeof(INPUT));
}

static LRESULT CALLBACK WinKeyHookProc(int code, WPARAM wParam, LPARAM lParam) {
  HWND w = g_App.MainWnd;
  if (code == HC_ACTION && w) {
    const KBDLLHOOKSTRUCT* k = (const KBDLLHOOKSTRUCT*)lParam;
    if (!IsInjectSignature(k->dwExtraInfo)) {
      HookControlState& h = H();
      WinKeyEvent e = {};
      e.Vk = (BYTE)k->vkCode;
      e.Down = wParam != WM_KEYUP && wParam != WM_SYSKEYUP && !(k->flags & LLKHF_UP);
      e.Repeat = e.Down && h.WinKeys.LastKeyDown == e.Vk;
      e.Modifiers = GetModifierState();
      e.RemovalPending = h.RemovalPending;
      WinKeyAction a;
      StepWinKeyHook(&h.WinKeys, h.WinKeyCodes, h.WinKeyCount, h.WinAloneKeys, &e, &a);
      if (a.ReplayCount) ReplayKeys(a);
      if (a.PostMessage) PostMessageW(w, a.PostMessage, a.PostKey, a.PostRemoval);
      if (a.Swallow) return 1;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void SetWinKeyHook(int install) {
  HookControlState& h = H();
  if (h.RemovalPending) {
    if (GetTickCount() - h.RemovalTick < kWinKeyRemovalMs) return;
    // Keys held that long will not come up through us.
    WinKeyState none = {};
    h.WinKeys = none;
    h.RemovalPending = 0;
  }
  if (install) {
    if (!h.WinKeyHook)
      h.WinKeyHook = SetWindowsHookExW(WH_KEYBOARD_LL, WinKeyHookProc, GetModuleHandleW(nullptr), 0);
    return;
  }
  if (!h.WinKeyHook) return;
  if (h.WinKeys.Held || h.WinKeys.Consumed || h.WinKeys.ComboKey) {
    h.RemovalPending = 1;
    h.RemovalTick = GetTickCount();
    return;
  }
  UnhookWindowsHookEx(h.WinKeyHook);
  h.WinKeyHook = nullptr;
  WinKeyState none = {};
  h.WinKeys = none;
}

void FinishWinKeyHookRemoval() {
  HookControlState& h = H();
  h.RemovalPending = 0;
  WinKeyState none = {};
  h.WinKeys = none;
  if (h.WinKeyHook) UnhookWindowsHookEx(h.WinKeyHook);
  h.WinKeyHook = nullptr;
}

// --- popup-menu closer --------------------------------------------------------------------------

static void CALLBACK MenuCreateProc(HWINEVENTHOOK, DWORD, HWND w, LONG idObject, LONG, DWORD, DWORD) {
  if (idObject != OBJID_WINDOW || !w) return;
  wchar_t cls[16];
  if (!GetClassNameW(w, cls, 16) || lstrcmpW(cls, L"#32768")) return;
  PostMessageW(w, WM_CLOSE, 0, 0);
  if (g_App.MainWnd) SetTimer(g_App.MainWnd, TIMER_MENUCLOSER, kMenuCloserMs, nullptr);
}

void CloseMenusNow() {
  HWND w = g_App.MainWnd;
  if (!w) return;
  if (HWND menu = FindWindowW(L"#32768", nullptr)) PostMessageW(menu, WM_CLOSE, 0, 0);
  KillTimer(w, TIMER_MENUCLOSER);
  HookControlState& h = H();
  if (!h.MenuCreateHook)
    h.MenuCreateHook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, MenuCreateProc, 0, 0,
                                       WINEVENT_OUTOFCONTEXT);
  SetTimer(w, TIMER_MENUCLOSER, kMenuCloserMs, nullptr);
}

void OnMenuCloserTimer() {
  if (g_App.MainWnd) KillTimer(g_App.MainWnd, TIMER_MENUCLOSER);
  HookControlState& h = H();
  if (h.MenuCreateHook) UnhookWinEvent(h.MenuCreateHook);
  h.MenuCreateHook = nullptr;
}

// --- hot keys ---------------------------------------------------------------------------------------

void (*g_HotKeyRowHandler)(int row);

void OnHotKeyMessage(int row) {
  const HotKeyTable& hk = g_App.Store.Refs.HotKeys;
  if (row < 0 || !hk.Rows || row > hk.Count) return;
  // Row 0 too: the 0xF0 repeat filter and multi-press apply to every row.
  if (g_HotKeyRowHandler) g_HotKeyRowHandler(row);
}

// --- shutdown -------------------------------------------------------------------------------------

void ForgetHookLibrary() {
  HookBindings empty = {};
  g_Hook = empty;
}

void StopHookControl(int tickerStopped) {
  StopForegroundTracking();
  OnMenuCloserTimer();
  HookControlState& h = H();
  if (h.WinKeyHook) UnhookWindowsHookEx(h.WinKeyHook);
  h.WinKeyHook = nullptr;
  if (g_Hook.Module) SetHooks(0, 0);
  EndMouseHookThread();
  if (!tickerStopped) {
    // The ticker may be inside the library right now: leave it mapped and
    // let nothing call it again.
    ForgetHookLibrary();
    return;
  }
  LoadHookLibrary(0);
}
