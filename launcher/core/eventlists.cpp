#include "core/eventlists.h"

#include <shellapi.h>
#include <string.h>

#include "core/commands.h"
#include "core/hookbind.h"
#include "core/mainwnd.h"
#include "core/showhide.h"
#include "core/menucmd.h"
#include "core/startup.h"
#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "resources/resource.h"
#include "store/grid.h"
#include "store/items.h"
#include "store/outlets.h"

PowerSaveState g_PowerSave;

// --- the real system calls ------------------------------------------------------------

static BOOL RealExitSession(UINT flags, DWORD reason) { return ExitWindowsEx(flags, reason); }

static BOOL RealSuspendState(BOOL hibernate) {
  typedef BOOLEAN(WINAPI * SetSuspendStateFn)(BOOLEAN, BOOLEAN, BOOLEAN);
  HMODULE m = LoadLibraryW(L"powrprof.dll");
  if (!m) return FALSE;
  SetSuspendStateFn fn = (SetSuspendStateFn)GetProcAddress(m, "SetSuspendState");
  BOOL ok = fn ? fn((BOOLEAN)hibernate, FALSE, FALSE) : FALSE;
  FreeLibrary(m);
  return ok;
}

static HRESULT RealEmptyRecycleBin() { return SHEmptyRecycleBinW(nullptr, nullptr, 0); }

static void RealMonitorOff() { PostMessageW(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER, 2); }

static BOOL RealStartScreenSaver(const wchar_t* file) {
  SHELLEXECUTEINFOW sei = {sizeof sei};
  sei.lpFile = file;
  sei.nShow = SW_SHOWNORMAL;
  return ShellExecuteExW(&sei);
}

static BOOL RealSystemParameters(UINT action, UINT param, void* value, UINT winIni) {
  return SystemParametersInfoW(action, param, value, winIni);
}

static void RealSleep(DWORD ms) { Sleep(ms); }

// The viewer is loaded on first use and kept: its windows outlive the call.
static HWND RealHtmlHelp(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data) {
  typedef HWND(WINAPI * HtmlHelpFn)(HWND, LPCWSTR, UINT, DWORD_PTR);
  static HtmlHelpFn fn;
  if (!fn) {
    HMODULE m = LoadLibraryW(L"hhctrl.ocx");
    if (m) fn = (HtmlHelpFn)GetProcAddress(m, "HtmlHelpW");
  }
  return fn ? fn(caller, file, command, data) : nullptr;
}

SystemSeams g_SystemSeams = {RealExitSession,      RealSuspendState,     RealEmptyRecycleBin,
                             RealMonitorOff,       RealStartScreenSaver, RealSystemParameters,
                             EnablePrivilege,      RealSleep,            RealHtmlHelp};

// --- pure helpers --------------------------------------------------------------------------

void NormaliseChainDelays(EventEntry* e, int count, int hooksReleased, int unhookDelay) {
  // Entry 0 is the item itself; the earliest chain entry sets the start.
  int m = 0;
  for (int i = 1; i < count; ++i)
    if (e[i].Delay < m) m = e[i].Delay;
  for (int i = 0; i < count; ++i) {
    e[i].Delay -= m;
    if (hooksReleased) e[i].Delay += unhookDelay;
  }
}

void SortByGridPosition(int* order, const int* column, const int* row, int count, int vertical) {
  auto key = [&](int i) -> long long {
    return vertical ? (long long)column[i] * 0xFFFF + row[i] : (long long)row[i] * 0xFFFF + column[i];
  };
  for (int i = 1; i < count; ++i) {
    int v = order[i];
    int j = i - 1;
    while (j >= 0 && key(order[j]) > key(v)) {
      order[j + 1] = order[j];
      --j;
    }
    order[j + 1] = v;
  }
}

// --- the runner ----------------------------------------------------------------------------

struct LaunchList {
  int Count;
  EventEntry* Entries;
};

struct RunnerParam {
  int Flags;
  LaunchList List;
};

static volatile LONG s_stopRunners;
static volatile LONG s_runners;

int GetRunnerCount() { return (int)s_runners; }

static int IsEntryValid(const EventEntry& e) { return GetItem(e.List, e.Index) != nullptr; }

// After the last worker: end in /n mode when hidden, else trim.
static void EndWork() {
  if (InterlockedDecrement(&g_App.Core.RunningWork) != 0) return;
  HWND w = g_App.MainWnd;
  if ((g_App.RunState & RS_N_MODE) && w && !IsWindowVisible(w))
    PostMessageW(w, WM_CLOSE, 0, 0);
  else if (g_App.Settings.Option1 & OPT1_TRIM_MEMORY)
    SetProcessWorkingSetSize(GetCurrentProcess(), (SIZE_T)-1, (SIZE_T)-1);
}

static void LaunchEntryDirectly(const EventEntry& e, int flags) {
  ButtonInfo* b = GetItem(e.List, e.Index);
  if (b && g_InputOutlets.LaunchItem) g_InputOutlets.LaunchItem(b, flags, nullptr);
}

static DWORD WINAPI PollDelayedLaunches(void* p) {
  RunnerParam* param = (RunnerParam*)p;
  LaunchList& list = param->List;
  char* done = (char*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, list.Count > 0 ? list.Count : 1);
  DWORD start = GetTickCount();
  int left = done ? list.Count : 0;
  while (left > 0 && !s_stopRunners) {
    for (int i = 0; i < list.Count && !s_stopRunners; ++i) {
      if (done[i]) continue;
      const EventEntry& e = list.Entries[i];
      if (g_App.RunState & RS_EXECUTE_PENDING) continue;
      if ((int)(GetTickCount() - start) < e.Delay) continue;
      int flags = (param->Flags & 0x18) | e.Flags;
      if (IsEntryValid(e)) {
        HWND w = g_App.MainWnd;
        if (w) {
          InterlockedOr(&g_App.RunState, RS_EXECUTE_PENDING);
          if (!PostMessageW(w, WMA_EXECUTE, (WPARAM)((e.List << 16) | (e.Index & 0xFFFF)), flags))
            InterlockedAnd(&g_App.RunState, ~RS_EXECUTE_PENDING);
        } else {
          LaunchEntryDirectly(e, flags);
        }
      }
      done[i] = 1;
      --left;
    }
    if (left > 0 && !s_stopRunners) Sleep(100);
  }
  if (done) HeapFree(GetProcessHeap(), 0, done);
  if (param->Flags & RUNNER_FREE_LIST) HeapFree(GetProcessHeap(), 0, list.Entries);
  HeapFree(GetProcessHeap(), 0, param);
  InterlockedDecrement(&s_runners);
  EndWork();
  return 0;
}

// Takes over entries (heap) when flags has RUNNER_FREE_LIST.
static int StartRunner(int flags, EventEntry* entries, int count) {
  RunnerParam* p = (RunnerParam*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(RunnerParam));
  if (!p) return 0;
  p->Flags = flags;
  p->List.Count = count;
  p->List.Entries = entries;
  InterlockedIncrement(&g_App.Core.RunningWork);
  InterlockedIncrement(&s_runners);
  HANDLE t = CreateThread(nullptr, 0, PollDelayedLaunches, p, 0, nullptr);
  if (!t) {
    InterlockedDecrement(&s_runners);
    InterlockedDecrement(&g_App.Core.RunningWork);
    HeapFree(GetProcessHeap(), 0, p);
    return 0;
  }
  CloseHandle(t);
  return 1;
}

static EventEntry* AllocEntries(int n) {
  return (EventEntry*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(EventEntry) * (n > 0 ? n : 1));
}

int StopDelayedLaunches(DWORD timeoutMs) {
  InterlockedExchange(&s_stopRunners, 1);
  DWORD start = GetTickCount();
  while (s_runners > 0 && GetTickCount() - start < timeoutMs) Sleep(10);
  if (s_runners > 0) return 0;
  // All have seen the flag and gone: later lists may run again.
  InterlockedExchange(&s_stopRunners, 0);
  return 1;
}

// Release the hooks while this item starts (option bit 0x800000).
static const UINT OPT_RELEASE_HOOKS = 0x800000;

int StartDelayedLaunches(ButtonInfo* item, int launchFlags) {
  if (!item) return 0;
  int released = 0;
  if ((item->Type & OPT_RELEASE_HOOKS) && (g_App.RunState & RS_HOOKS_ON) && g_MenuEntries.SetHooks) {
    g_MenuEntries.SetHooks(0, 1);
    released = 1;
  }
  int chain = item->ChainBoot ? item->ChainBootCount : 0;
  if (chain <= 0 && !released) return 0;
  if (chain < 0) chain = 0;
  EventEntry* e = AllocEntries(chain + 1);
  if (!e) return 0;
  e[0] = EventEntry{item->List, item->Index, 0, launchFlags};
  if (chain) memcpy(e + 1, item->ChainBoot, sizeof(EventEntry) * chain);
  NormaliseChainDelays(e, chain + 1, released, g_App.Settings.Unhook.DelayTime);
  if (!StartRunner(RUNNER_CHAIN, e, chain + 1)) {
    HeapFree(GetProcessHeap(), 0, e);
    return 0;
  }
  return 1;
}

static int IsLaunchAllType(UINT t) {
  return t <= 7 || (t & 0xF000) == IT_POWER || (t & 0xF000) == IT_FOLDERLIKE;
}

void LaunchAllItems(int list) {
  int n = 0;
  ButtonInfo** table = ListTable(list, &n);
  if (!table || n <= 0) return;
  int menu = (list & LIST_SUBMENU) != 0;
  if (ShowMessage(menu ? IDS_ASK_LAUNCH_MENU : IDS_ASK_LAUNCH_PAGE, MB_ICONQUESTION | MB_OKCANCEL) != IDOK) return;
  HANDLE heap = GetProcessHeap();
  int* order = (int*)HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(int) * 3 * n);
  EventEntry* e = AllocEntries(n);
  if (!order || !e) {
    if (order) HeapFree(heap, 0, order);
    if (e) HeapFree(heap, 0, e);
    return;
  }
  int* column = order + n;
  int* row = order + 2 * n;
  int vm = CurrentViewMode();
  int slot = PositionViewMode(-1);
  for (int i = 0; i < n; ++i) {
    order[i] = i;
    column[i] = table[i] ? table[i]->Position[slot].PosX : 0;
    row[i] = table[i] ? table[i]->Position[slot].PosY : 0;
  }
  if (!menu) SortByGridPosition(order, column, row, n, ViewModeVertical(vm));
  int count = 0;
  for (int k = 0; k < n; ++k) {
    ButtonInfo* b = table[order[k]];
    if (!b || !IsLaunchAllType(ItemTypeOf(b->Type))) continue;
    int folder = ItemTypeOf(b->Type) == IT_FOLDER || (b->Type & IT_FOLDERLIKE);
    int flags = folder ? (int)((b->Type & ~0xC7FFFu) | 0x8000) : 0;
    e[count++] = EventEntry{list, b->Index, 0, flags};
  }
  HeapFree(heap, 0, order);
  if (!count || !StartRunner(RUNNER_CHAIN, e, count)) HeapFree(heap, 0, e);
}

int StartEventList(int list) {
  if (list < 0 || list >= kEventLists) return 0;
  const EventList& l = g_App.Store.Refs.AutoBoot[list];
  if (l.Count <= 0 || !l.Entries) return 0;
  // The settings' own array may change while the runner reads it: give
  // the runner a copy of its own.
  EventEntry* e = AllocEntries(l.Count);
  if (!e) return 0;
  memcpy(e, l.Entries, sizeof(EventEntry) * l.Count);
  if (!StartRunner(RUNNER_EVENT_LIST | RUNNER_FREE_LIST, e, l.Count)) {
    HeapFree(GetProcessHeap(), 0, e);
    return 0;
  }
  return 1;
}

int RunEventListNow(int list, DWORD budgetMs) {
  if (list < 0 || list >= kEventLists) return 0;
  const EventList& l = g_App.Store.Refs.AutoBoot[list];
  if (l.Count <= 0 || !l.Entries) return 0;
  int n = l.Count;
  EventEntry* e = AllocEntries(n);
  if (!e) return 0;
  memcpy(e, l.Entries, sizeof(EventEntry) * n);
  // Launch in delay order on this thread; no message to our own window
  // that this very thread would have to handle.
  int* order = (int*)HeapAlloc(GetProcessHeap(), 0, sizeof(int) * n);
  if (!order) {
    HeapFree(GetProcessHeap(), 0, e);
    return 0;
  }
  for (int i = 0; i < n; ++i) order[i] = i;
  for (int i = 1; i < n; ++i) {
    int v = order[i], j = i - 1;
    while (j >= 0 && e[order[j]].Delay > e[v].Delay) order[j + 1] = order[j], --j;
    order[j + 1] = v;
  }
  DWORD start = GetTickCount();
  int launched = 0, k = 0;
  for (; k < n; ++k) {
    const EventEntry& x = e[order[k]];
    DWORD delay = x.Delay > 0 ? (DWORD)x.Delay : 0;
    if (budgetMs != INFINITE && delay > budgetMs) break;
    DWORD now = GetTickCount() - start;
    if (now < delay) g_SystemSeams.Sleep(delay - now);
    if (!IsEntryValid(x)) continue;
    LaunchEntryDirectly(x, RUNNER_EVENT_LIST | x.Flags);
    ++launched;
  }
  // What lies beyond the wait goes on without us, at its own time.
  if (k < n) {
    EventEntry* rest = AllocEntries(n - k);
    if (rest) {
      DWORD spent = GetTickCount() - start;
      for (int i = k; i < n; ++i) {
        rest[i - k] = e[order[i]];
        rest[i - k].Delay -= (int)spent;
      }
      if (!StartRunner(RUNNER_EVENT_LIST | RUNNER_FREE_LIST, rest, n - k)) HeapFree(GetProcessHeap(), 0, rest);
    }
  }
  HeapFree(GetProcessHeap(), 0, order);
  HeapFree(GetProcessHeap(), 0, e);
  return launched;
}

// --- system commands ------------------------------------------------------------------------

static const UINT OPT_CONFIRM = 0x10000, OPT_FORCE = 0x20000;

void RunPowerCommand(UINT typeAndOptions) {
  UINT type = typeAndOptions & 0xFFFF;
  if (type < 0x1000 || type > 0x1004) return;
  if (typeAndOptions & OPT_CONFIRM) {
    if (ShowMessage(IDS_ASK_SHUTDOWN + (int)(type & 0xFF), MB_ICONQUESTION | MB_OKCANCEL) != IDOK) return;
  }
  if (!g_SystemSeams.EnablePrivilege(SE_SHUTDOWN_NAME)) return;
  if (type == 0x1003 || type == 0x1004) {
    g_SystemSeams.SuspendState(type == 0x1004);
    return;
  }
  UINT flags = type == 0x1000 ? EWX_SHUTDOWN : type == 0x1001 ? EWX_REBOOT : EWX_LOGOFF;
  if (typeAndOptions & OPT_FORCE) {
    flags |= EWX_FORCE | EWX_FORCEIFHUNG;
    if (g_App.Settings.PendingSave) WriteSettings(nullptr, 0);
  }
  g_SystemSeams.ExitSession(flags, 0);
}

static const UINT kTimeoutGet[3] = {SPI_GETSCREENSAVETIMEOUT, SPI_GETLOWPOWERTIMEOUT, SPI_GETPOWEROFFTIMEOUT};
static const UINT kTimeoutSet[3] = {SPI_SETSCREENSAVETIMEOUT, SPI_SETLOWPOWERTIMEOUT, SPI_SETPOWEROFFTIMEOUT};

// A timeout whose read failed was never changed: it is not written back
// either (a failed read would otherwise restore 0, "never").
static void RestoreSavedTimeouts() {
  PowerSaveState& p = g_PowerSave;
  for (int i = 0; i < 3; ++i)
    if (p.SavedValid[i]) g_SystemSeams.SystemParameters(kTimeoutSet[i], (UINT)p.Saved[i], nullptr, 0);
  p.RestoreOnEdgeLeave = 0;
}

// The toggle runs on the window thread, the edge check on the ticker: one
// lock keeps a turn-on from reading the timeouts while a restore writes them.
static SRWLOCK s_powerLock = SRWLOCK_INIT;

// 1 when keep-awake was on and is now ended, its timeouts restored.
static int EndKeepAwakeLocked() {
  PowerSaveState& p = g_PowerSave;
  if (InterlockedCompareExchange(&p.KeepAwake, 0, 1) != 1) return 0;
  RestoreSavedTimeouts();
  return 1;
}

void TogglePowerSaving(UINT itemOptions) {
  PowerSaveState& p = g_PowerSave;
  AcquireSRWLockExclusive(&s_powerLock);
  if (!EndKeepAwakeLocked()) {
    for (int i = 0; i < 3; ++i) {
      int v = 0;
      p.SavedValid[i] = g_SystemSeams.SystemParameters(kTimeoutGet[i], 0, &v, 0) ? 1 : 0;
      p.Saved[i] = v;
      if (p.SavedValid[i]) g_SystemSeams.SystemParameters(kTimeoutSet[i], 0, nullptr, 0);
    }
    p.RestoreOnEdgeLeave = (itemOptions & 0x10000) != 0;
    InterlockedExchange(&p.KeepAwake, 1);
  }
  ReleaseSRWLockExclusive(&s_powerLock);
  if (g_MenuEntries.SetTrayState) g_MenuEntries.SetTrayState();
}

int EndKeepAwakeOnEdgeLeave() {
  PowerSaveState& p = g_PowerSave;
  if (!p.KeepAwake || !p.RestoreOnEdgeLeave) return 0;
  AcquireSRWLockExclusive(&s_powerLock);
  int ended = p.RestoreOnEdgeLeave && EndKeepAwakeLocked();
  ReleaseSRWLockExclusive(&s_powerLock);
  if (ended && g_MenuEntries.SetTrayState) g_MenuEntries.SetTrayState();
  return ended;
}

int EndKeepAwakeAtExit() {
  AcquireSRWLockExclusive(&s_powerLock);
  int ended = EndKeepAwakeLocked();
  ReleaseSRWLockExclusive(&s_powerLock);
  return ended;
}

static void StartCurrentScreenSaver() {
  wchar_t file[512] = L"";
  HKEY key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
  DWORD bytes = sizeof(file) - sizeof(wchar_t), type = 0;
  LONG r = RegQueryValueExW(key, L"SCRNSAVE.EXE", nullptr, &type, (BYTE*)file, &bytes);
  RegCloseKey(key);
  if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return;
  file[bytes / sizeof(wchar_t)] = 0;
  if (file[0]) g_SystemSeams.StartScreenSaver(file);
}

int FindItemCell(const ButtonInfo* item) {
  ItemStore& s = g_App.Store;
  if (!item || item->List != s.CurrentPage) return -1;
  return FindGridCell(item->Position[PositionViewMode(-1)]);
}

POINT GetItemMenuPoint(int cell, const POINT* saved, int flags) {
  if ((flags & 0x2000) && saved) return *saved;
  POINT pt = {0, 0};
  GetCursorPos(&pt);
  pt.x += 1;
  pt.y += 1;
  RECT r;
  HWND w = g_App.MainWnd;
  if (w && IsWindowVisible(w) && cell >= 0 && (flags & 0xC80) != 0x80 && g_InputOutlets.GetCellRect &&
      g_InputOutlets.GetCellRect(cell, &r)) {
    MapWindowPoints(w, nullptr, (POINT*)&r, 2);
    if (flags & 0x400) pt = POINT{r.right + 1, r.top};
    else if (flags & 0x800) pt = POINT{r.left, r.bottom + 1};
    else pt = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  return pt;
}

void OpenItemMenuAt(ButtonInfo* item, int flags) {
  if (!item) return;
  InterlockedOr(&g_App.RunState, RS_SUBMENU_FROM_ITEM);
  POINT pt = GetItemMenuPoint(FindItemCell(item), nullptr, flags);
  if (g_MenuEntries.OpenSubMenu)
    // A last-menu button's option bits say which last menu it reopens.
    g_MenuEntries.OpenSubMenu((int)(ItemTypeOf(item->Type) | (item->Type & 0x30000)), nullptr, item->Directory, pt,
                              flags);
}

void RunSpecialCommand(ButtonInfo* item, int flags) {
  if (!item) return;
  HWND w = g_App.MainWnd;
  switch (ItemTypeOf(item->Type)) {
    case 0x4000: if (w) PostMessageW(w, WM_COMMAND, CMD_OPTIONS, 0); return;
    case 0x4001: if (w) PostMessageW(w, WM_COMMAND, CMD_RESTRICTED, 0); return;
    case 0x4002: if (w) PostMessageW(w, WM_COMMAND, CMD_PIN, 0); return;
    case 0x4003: if (w) PostMessageW(w, WM_COMMAND, CMD_EXIT, 0); return;
    case 0x4004: if (w) PostMessageW(w, WM_COMMAND, CMD_UNHOOK, 0); return;
    case 0x4064: StartCurrentScreenSaver(); return;
    case 0x4065: TogglePowerSaving(item->Type & 0xFFFF0000u); return;
    case 0x4066:
    case 0x4069:
    case 0x406A: OpenItemMenuAt(item, flags); return;
    case 0x4067:
      g_SystemSeams.Sleep(500);
      g_SystemSeams.MonitorOff();
      return;
    case 0x4068:
      if (HWND progman = FindWindowW(L"Progman", L"Program Manager")) PostMessageW(progman, WM_CLOSE, 0, 0);
      return;
    default:
      return;
  }
}

int ConfirmManyFiles(HWND, int count, int dropped) {
  if (count < 20) return 1;
  return ShowMessageF(dropped ? IDS_ASK_DROP_MANY : IDS_ASK_OPEN_MANY, MB_ICONWARNING | MB_OKCANCEL, count) != IDCANCEL;
}

DWORD WINAPI EmptyRecycleBinThread(void*) {
  int animate = !(g_App.RunState & RS_N_MODE) && (g_App.RunState & RS_TRAY_ADDED);
  if (animate && g_MenuEntries.TrayBusyAnimation) g_MenuEntries.TrayBusyAnimation(1);
  g_SystemSeams.EmptyRecycleBin();
  if (animate && g_MenuEntries.TrayBusyAnimation) g_MenuEntries.TrayBusyAnimation(0);
  if (g_MenuEntries.SetTrayState) g_MenuEntries.SetTrayState();
  EndWork();
  return 0;
}

int StartEmptyRecycleBin() {
  InterlockedIncrement(&g_App.Core.RunningWork);
  HANDLE t = CreateThread(nullptr, 0, EmptyRecycleBinThread, nullptr, 0, nullptr);
  if (!t) {
    InterlockedDecrement(&g_App.Core.RunningWork);
    return 0;
  }
  CloseHandle(t);
  return 1;
}
