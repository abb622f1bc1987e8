#include "core/procwatch.h"

#include <string.h>

#include "core/hookbind.h"
#include "core/launch.h"
#include "core/mainwnd.h"
#include "state.h"
#include "core/winhelpers.h"
#include "store/items.h"
#include "store/paths.h"

// Timers of the launcher window, run through their own callbacks.
enum : UINT_PTR {
  TIMER_GUARD_RETRY = 17,
  TIMER_CHECK_RETRY = 18,
  TIMER_WATCH_RETRY = 19,
  TIMER_RELEASE_RETRY = 20,  // buttons let go of while the lock was held elsewhere
};
static const UINT kRetryMs = 20;
static const UINT kFrameGuardMs = 100;
static const DWORD kMutexWaitMs = 500;

static WatchEntry* g_Entries;
static int g_Count;
static ButtonInfo* g_Waiting;  // waits for its trigger program's window
static ButtonInfo* g_PendingItem;
static DWORD g_PendingPid;
static int g_PendingSet;
static HWINEVENTHOOK g_CreateHook;
static HWINEVENTHOOK g_DestroyHook;
static HWINEVENTHOOK g_ForegroundHook;
static DWORD g_LastChange;
static DWORD g_LastCheck;
static DWORD g_LastGuard;
static volatile LONG g_GuardOn;
static volatile LONG g_GuardBusy;
static volatile LONG g_Armed[4];  // timers 17, 18, 19, 20
// Buttons the store let go of while the list's lock was held elsewhere:
// kept alive (entries may still name them) until a pass under the lock
// drops their entries and frees them. The array has a spin lock of its
// own, held only to add one or take all: it changes exactly while the
// list's lock is held by someone else.
static ButtonInfo** g_Released;
static volatile LONG g_ReleasedCount;
static volatile LONG g_ReleasedBusy;

// --- lock --------------------------------------------------------------------------

// The named mutex, opened for this use and taken within 500 ms; null when
// it cannot be had. An abandoned mutex counts as taken.
static HANDLE TakeWatchMutex(DWORD waitMs) {
  HANDLE m = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, kProcWatchMutexName);
  if (!m) return nullptr;
  DWORD r = WaitForSingleObject(m, waitMs);
  if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) return m;
  CloseHandle(m);
  return nullptr;
}

static void GiveWatchMutex(HANDLE m) {
  if (!m) return;
  ReleaseMutex(m);
  CloseHandle(m);
}

static void CALLBACK OnRetryTimer(HWND, UINT, UINT_PTR id, DWORD);

static void ArmTimer(UINT_PTR id) {
  volatile LONG* armed = &g_Armed[id - TIMER_GUARD_RETRY];
  if (!g_App.MainWnd || InterlockedExchange(armed, 1)) return;
  if (!SetTimer(g_App.MainWnd, id, kRetryMs, OnRetryTimer)) InterlockedExchange(armed, 0);
}

static void DisarmTimer(UINT_PTR id) {
  if (g_App.MainWnd) KillTimer(g_App.MainWnd, id);
  InterlockedExchange(&g_Armed[id - TIMER_GUARD_RETRY], 0);
}

static int OnUiThread() {
  return g_App.MainWnd && GetWindowThreadProcessId(g_App.MainWnd, nullptr) == GetCurrentThreadId();
}

// --- list ---------------------------------------------------------------------------

static int FindEntry(ButtonInfo* item) {
  for (int i = 0; i < g_Count; ++i)
    if (g_Entries[i].Item == item) return i;
  return -1;
}

static void UnhookOnUi(HWINEVENTHOOK* hook, UINT message) {
  if (!*hook) return;
  // A WinEvent hook goes on the thread that set it: others ask that thread.
  if (OnUiThread()) {
    UnhookWinEvent(*hook);
    *hook = nullptr;
  } else if (g_App.MainWnd) {
    PostMessageW(g_App.MainWnd, message, 0, 0);
  }
}

void RemoveWatchEntry(int index) {
  if (index < 0 || index >= g_Count) return;
  if (g_Entries[index].Item) g_Entries[index].Item->WatchState = 0;
  memmove(&g_Entries[index], &g_Entries[index + 1], (g_Count - index - 1) * sizeof(WatchEntry));
  --g_Count;
  if (!g_Count) {
    HeapFree(GetProcessHeap(), 0, g_Entries);
    g_Entries = nullptr;
    UnhookOnUi(&g_DestroyHook, WMA_WATCHDESTROY);
  } else {
    void* smaller = HeapReAlloc(GetProcessHeap(), 0, g_Entries, g_Count * sizeof(WatchEntry));
    if (smaller) g_Entries = (WatchEntry*)smaller;
  }
}

static void RemoveEntriesOf(ButtonInfo* item) {
  for (int i = g_Count - 1; i >= 0; --i)
    if (g_Entries[i].Item == item) RemoveWatchEntry(i);
}

// Under the lock: no entry, waiting slot or pending request names item.
static void ForgetButton(ButtonInfo* item) {
  RemoveEntriesOf(item);
  if (g_Waiting == item) g_Waiting = nullptr;
  if (g_PendingItem == item) {
    g_PendingItem = nullptr;
    g_PendingSet = 0;
  }
  item->WatchState = 0;
}

static void LockReleased() {
  while (InterlockedExchange(&g_ReleasedBusy, 1)) Sleep(0);
}
static void UnlockReleased() { InterlockedExchange(&g_ReleasedBusy, 0); }

// Under the lock: the buttons let go of earlier leave the list and are
// freed. 1 when about was one of them.
static int DropReleasedButtons(const ButtonInfo* about = nullptr) {
  if (!g_ReleasedCount) return 0;
  LockReleased();
  ButtonInfo** released = g_Released;
  int n = g_ReleasedCount;
  g_Released = nullptr;
  g_ReleasedCount = 0;
  UnlockReleased();
  int found = 0;
  for (int k = 0; k < n; ++k) {
    found |= released[k] == about;
    ForgetButton(released[k]);
    DestroyButtonRecord(released[k]);
  }
  if (released) HeapFree(GetProcessHeap(), 0, released);
  return found && about;
}

static int KeepReleased(ButtonInfo* item) {
  LockReleased();
  size_t bytes = (g_ReleasedCount + 1) * sizeof(ButtonInfo*);
  void* grown = g_Released ? HeapReAlloc(GetProcessHeap(), 0, g_Released, bytes) : HeapAlloc(GetProcessHeap(), 0, bytes);
  if (grown) {
    g_Released = (ButtonInfo**)grown;
    g_Released[g_ReleasedCount] = item;
    InterlockedIncrement(&g_ReleasedCount);
  }
  UnlockReleased();
  return grown != nullptr;
}

int RemoveWatchEntries(ButtonInfo* item) {
  if (!item) return 1;
  // Once the lock was not to be had, later buttons only try it: deleting a
  // page must not wait half a second per button.
  HANDLE m = TakeWatchMutex(g_ReleasedCount ? 0 : kMutexWaitMs);
  if (!m && KeepReleased(item)) {
    ArmTimer(TIMER_RELEASE_RETRY);
    return 0;
  }
  // Out of memory even for that: wait for the lock rather than leave an
  // entry pointing at freed memory.
  if (!m) m = TakeWatchMutex(INFINITE);
  DropReleasedButtons();
  ForgetButton(item);
  GiveWatchMutex(m);
  return 1;
}

static void RetryReleasedButtons() {
  HANDLE m = TakeWatchMutex(0);
  if (!m) {
    ArmTimer(TIMER_RELEASE_RETRY);
    return;
  }
  DropReleasedButtons();
  GiveWatchMutex(m);
}

void DropHookHoldingWatches() {
  HANDLE m = TakeWatchMutex(kMutexWaitMs);
  if (m) DropReleasedButtons();
  g_Waiting = nullptr;
  UnhookOnUi(&g_CreateHook, WMA_WATCHCREATE);
  for (int i = g_Count - 1; i >= 0; --i)
    if (!(g_Entries[i].Flags & WATCH_BY_PID)) RemoveWatchEntry(i);
  GiveWatchMutex(m);
}

int GetWatchEntries(WatchEntry* out, int max) {
  HANDLE m = TakeWatchMutex(kMutexWaitMs);
  if (m) DropReleasedButtons();
  int n = g_Count;
  for (int i = 0; out && i < n && i < max; ++i) out[i] = g_Entries[i];
  GiveWatchMutex(m);
  return n;
}

ButtonInfo* GetWaitingWatchItem() { return g_Waiting; }

// --- windows ------------------------------------------------------------------------

struct TriggerSearch {
  const wchar_t* Path;
  int Found;
};

static BOOL CALLBACK FindTriggerWindow(HWND w, LPARAM lp) {
  TriggerSearch* s = (TriggerSearch*)lp;
  wchar_t exe[kExePathChars];
  exe[0] = 0;
  if (GetWindowExePath(w, exe, 0) && exe[0] && !lstrcmpiW(exe, s->Path)) {
    s->Found = 1;
    return FALSE;
  }
  return TRUE;
}

static wchar_t* TriggerPath(const ButtonInfo* item) {
  if (!item || !item->RehookTrigger || !item->RehookTrigger[0]) return nullptr;
  return ExpandFullPath(item->RehookTrigger);
}

int WatchLaunchedItem(ButtonInfo* item, DWORD processId) {
  HANDLE m = TakeWatchMutex(kMutexWaitMs);
  if (m && DropReleasedButtons(item)) {
    // The store let go of it (the waiting button of a create event).
    GiveWatchMutex(m);
    return 0;
  }
  if (!m || GetTickCount() - g_LastChange < kRetryMs) {
    if (item) {
      g_PendingItem = item;
      g_PendingPid = processId;
      g_PendingSet = 1;
    }
    GiveWatchMutex(m);
    ArmTimer(TIMER_WATCH_RETRY);
    return 0;
  }
  DisarmTimer(TIMER_WATCH_RETRY);
  if (!item) {
    if (!g_PendingSet || !g_PendingItem) {
      GiveWatchMutex(m);
      return 0;
    }
    item = g_PendingItem;
    processId = g_PendingPid;
  }
  g_PendingItem = nullptr;
  g_PendingSet = 0;
  int flags = 0;
  if (!(g_App.RunState & (RS_HOOKS_ON | RS_N_MODE))) {
    if ((item->Type & ITEM_HOLD_HOOKS) && processId) flags = WATCH_WHILE_WINDOW;
    if (g_Waiting && g_Waiting != item) {
      RemoveEntriesOf(g_Waiting);
      g_Waiting = nullptr;
    }
    if (wchar_t* trigger = TriggerPath(item)) {
      TriggerSearch s = {trigger, 0};
      EnumWindows(FindTriggerWindow, (LPARAM)&s);
      HeapFree(GetProcessHeap(), 0, trigger);
      if (s.Found) {
        flags |= WATCH_WHILE_TRIGGER;
        UnhookOnUi(&g_CreateHook, WMA_WATCHCREATE);
        g_Waiting = nullptr;
      } else {
        g_Waiting = item;
        flags |= WATCH_UNTIL_TRIGGER;
        if (!g_CreateHook && g_App.MainWnd) PostMessageW(g_App.MainWnd, WMA_WATCHCREATE, 0, 0);
      }
    }
  }
  if (!flags && processId) flags = WATCH_BY_PID;
  int index = FindEntry(item);
  if (index < 0) {
    size_t bytes = (g_Count + 1) * sizeof(WatchEntry);
    void* grown = g_Entries ? HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, g_Entries, bytes)
                            : HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
    if (!grown) {
      if (g_Waiting == item) g_Waiting = nullptr;
      GiveWatchMutex(m);
      return 0;
    }
    g_Entries = (WatchEntry*)grown;
    index = g_Count++;
  }
  item->WatchState = (int)processId;
  g_Entries[index].Item = item;
  g_Entries[index].Flags = flags;
  if (!g_DestroyHook && g_App.MainWnd) PostMessageW(g_App.MainWnd, WMA_WATCHDESTROY, 0, 0);
  g_LastChange = GetTickCount();
  GiveWatchMutex(m);
  return 1;
}

struct WindowCensus {
  int* Bits;
  wchar_t** Triggers;
};

static BOOL CALLBACK CountWatchedWindows(HWND w, LPARAM lp) {
  WindowCensus* c = (WindowCensus*)lp;
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t exe[kExePathChars];
  int haveExe = -1;
  for (int i = 0; i < g_Count; ++i) {
    if (pid && (DWORD)g_Entries[i].Item->WatchState == pid) c->Bits[i] |= 1;
    if (c->Triggers[i]) {
      if (haveExe < 0) {
        exe[0] = 0;
        GetWindowExePath(w, exe, 0);
        haveExe = exe[0] != 0;
      }
      if (haveExe && !lstrcmpiW(exe, c->Triggers[i])) c->Bits[i] |= 2;
    }
  }
  return TRUE;
}

void CheckWatchedProcesses() {
  HANDLE m = TakeWatchMutex(kMutexWaitMs);
  if (!m) {
    ArmTimer(TIMER_CHECK_RETRY);
    return;
  }
  DropReleasedButtons();
  if (GetTickCount() - g_LastCheck < kRetryMs) {
    ArmTimer(TIMER_CHECK_RETRY);
    GiveWatchMutex(m);
    return;
  }
  DisarmTimer(TIMER_CHECK_RETRY);
  int release = !(g_App.RunState & (RS_HOOKS_ON | RS_N_MODE));
  int n = g_Count;
  int* bits = n ? (int*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, n * sizeof(int)) : nullptr;
  wchar_t** triggers = n ? (wchar_t**)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, n * sizeof(wchar_t*)) : nullptr;
  if (n && (!bits || !triggers)) {
    // Try again shortly rather than drop entries on a guess.
    if (bits) HeapFree(GetProcessHeap(), 0, bits);
    if (triggers) HeapFree(GetProcessHeap(), 0, triggers);
    ArmTimer(TIMER_CHECK_RETRY);
    GiveWatchMutex(m);
    return;
  }
  for (int i = 0; i < n; ++i) triggers[i] = TriggerPath(g_Entries[i].Item);
  WindowCensus census = {bits, triggers};
  if (n) EnumWindows(CountWatchedWindows, (LPARAM)&census);
  for (int i = n - 1; i >= 0; --i) {
    int f = g_Entries[i].Flags;
    if (f & WATCH_UNTIL_TRIGGER) {
      release = 0;
    } else if ((f & WATCH_BY_PID) && (bits[i] & 1)) {
    } else if (((f & WATCH_WHILE_WINDOW) && (bits[i] & 1)) || ((f & WATCH_WHILE_TRIGGER) && (bits[i] & 2))) {
      release = 0;
    } else {
      RemoveWatchEntry(i);
    }
  }
  for (int i = 0; i < n; ++i)
    if (triggers[i]) HeapFree(GetProcessHeap(), 0, triggers[i]);
  if (bits) HeapFree(GetProcessHeap(), 0, bits);
  if (triggers) HeapFree(GetProcessHeap(), 0, triggers);
  if (release && g_LaunchPlatform.SetHooks && g_LaunchPlatform.SetHooks(1, 1)) DropHookHoldingWatches();
  g_LastCheck = GetTickCount();
  GiveWatchMutex(m);
}

// --- WinEvent hooks -----------------------------------------------------------------

static void CALLBACK OnWindowCreated(HWINEVENTHOOK, DWORD, HWND, LONG idObject, LONG, DWORD, DWORD) {
  if (idObject != OBJID_WINDOW || !g_Waiting) return;
  ButtonInfo* item = g_Waiting;
  WatchLaunchedItem(item, (DWORD)item->WatchState);
}

static void CALLBACK OnWindowDestroyed(HWINEVENTHOOK, DWORD, HWND, LONG idObject, LONG, DWORD, DWORD) {
  if (idObject == OBJID_WINDOW) CheckWatchedProcesses();
}

void InstallWatchCreateHook() {
  if (g_CreateHook) UnhookWinEvent(g_CreateHook);
  g_CreateHook = nullptr;
  if (!g_Waiting) return;
  g_CreateHook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, OnWindowCreated, 0, 0,
                                 WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
}

void InstallWatchDestroyHook() {
  if (g_DestroyHook) UnhookWinEvent(g_DestroyHook);
  g_DestroyHook = nullptr;
  if (!g_Count) return;
  g_DestroyHook = SetWinEventHook(EVENT_OBJECT_DESTROY, EVENT_OBJECT_DESTROY, nullptr, OnWindowDestroyed, 0, 0,
                                  WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
}

void StopProcessWatch() {
  HANDLE m = TakeWatchMutex(kMutexWaitMs);
  StopForegroundGuard();
  if (g_CreateHook) UnhookWinEvent(g_CreateHook);
  if (g_DestroyHook) UnhookWinEvent(g_DestroyHook);
  g_CreateHook = g_DestroyHook = nullptr;
  // Launch threads have ended by now: the records go even without the lock.
  DropReleasedButtons();
  for (int i = 0; i < g_Count; ++i)
    if (g_Entries[i].Item) g_Entries[i].Item->WatchState = 0;
  if (g_Entries) HeapFree(GetProcessHeap(), 0, g_Entries);
  g_Entries = nullptr;
  g_Count = 0;
  g_Waiting = g_PendingItem = nullptr;
  g_PendingSet = 0;
  for (UINT_PTR id = TIMER_GUARD_RETRY; id <= TIMER_RELEASE_RETRY; ++id) DisarmTimer(id);
  GiveWatchMutex(m);
}

// --- foreground guard ----------------------------------------------------------------

static void GuardForeground();

static void CALLBACK OnFrameGuardTimer(HWND w, UINT, UINT_PTR id, DWORD) {
  KillTimer(w, id);
  HWND main = g_App.MainWnd;
  HWND front = GetForegroundWindow();
  if (!g_GuardOn || !main || front == main) return;
  if (front != GetTopOpenDialog()) g_App.Wnd.PrevForeground = front;
  BringToForeground(main, 0);
}

static void GuardForeground() {
  HWND main = g_App.MainWnd;
  if (!g_GuardOn || !main) return;
  if (InterlockedExchange(&g_GuardBusy, 1)) {
    ArmTimer(TIMER_GUARD_RETRY);
    return;
  }
  if (GetTickCount() - g_LastGuard < kRetryMs) {
    InterlockedExchange(&g_GuardBusy, 0);
    ArmTimer(TIMER_GUARD_RETRY);
    return;
  }
  DisarmTimer(TIMER_GUARD_RETRY);
  HWND front = GetForegroundWindow();
  if (front && front != main) {
    wchar_t cls[64];
    if (GetClassNameW(front, cls, 64) && !lstrcmpW(cls, L"ApplicationFrameWindow")) {
      // The frame of a packaged app takes its place a moment later.
      SetTimer(main, TIMER_PROCWATCH, kFrameGuardMs, OnFrameGuardTimer);
    } else {
      if (front != GetTopOpenDialog()) g_App.Wnd.PrevForeground = front;
      BringToForeground(main, 0);
    }
  }
  g_LastGuard = GetTickCount();
  InterlockedExchange(&g_GuardBusy, 0);
}

static void CALLBACK OnForegroundChanged(HWINEVENTHOOK, DWORD, HWND w, LONG idObject, LONG, DWORD, DWORD) {
  if (idObject != OBJID_WINDOW || w == g_App.MainWnd) return;
  GuardForeground();
}

void StartForegroundGuard() {
  HWND main = g_App.MainWnd;
  InterlockedExchange(&g_GuardOn, 1);
  if (main && !(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_TOPMOST))
    SetWindowPos(main, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (g_ForegroundHook) UnhookWinEvent(g_ForegroundHook);
  g_ForegroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnForegroundChanged,
                                     0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
}

void StopForegroundGuard() {
  InterlockedExchange(&g_GuardOn, 0);
  if (g_ForegroundHook) UnhookWinEvent(g_ForegroundHook);
  g_ForegroundHook = nullptr;
  if (g_App.MainWnd) KillTimer(g_App.MainWnd, TIMER_PROCWATCH);
  DisarmTimer(TIMER_GUARD_RETRY);
}

int IsForegroundGuardOn() { return g_GuardOn || g_ForegroundHook; }

static void CALLBACK OnRetryTimer(HWND w, UINT, UINT_PTR id, DWORD) {
  KillTimer(w, id);
  InterlockedExchange(&g_Armed[id - TIMER_GUARD_RETRY], 0);
  if (id == TIMER_WATCH_RETRY) WatchLaunchedItem(nullptr, 0);
  else if (id == TIMER_CHECK_RETRY) CheckWatchedProcesses();
  else if (id == TIMER_RELEASE_RETRY) RetryReleasedButtons();
  else GuardForeground();
}

// --- application user model id -------------------------------------------------------

typedef LONG(WINAPI* GetApplicationUserModelIdFn)(HANDLE, UINT32*, PWSTR);

HWND GetAppUserModelId(HWND window, wchar_t** out) {
  if (out) *out = nullptr;
  if (!window || !out) return nullptr;
  wchar_t cls[64];
  if (GetClassNameW(window, cls, 64) && !lstrcmpW(cls, L"ApplicationFrameWindow")) {
    HWND core = FindWindowExW(window, nullptr, L"Windows.UI.Core.CoreWindow", nullptr);
    if (core) window = core;
  }
  static GetApplicationUserModelIdFn fn =
      (GetApplicationUserModelIdFn)(void*)GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetApplicationUserModelId");
  if (!fn) return nullptr;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = pid ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid) : nullptr;
  if (!process) return nullptr;
  UINT32 length = 0;
  HWND used = nullptr;
  if (fn(process, &length, nullptr) == ERROR_INSUFFICIENT_BUFFER && length) {
    wchar_t* id = (wchar_t*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (length + 1) * sizeof(wchar_t));
    UINT32 size = length + 1;
    if (id && fn(process, &size, id) == ERROR_SUCCESS) {
      *out = id;
      used = window;
    } else if (id) {
      HeapFree(GetProcessHeap(), 0, id);
    }
  }
  CloseHandle(process);
  return used;
}
