#include "core/winhelpers.h"

#include <tlhelp32.h>
#include <wchar.h>

#include "core/hookbind.h"
#include "state.h"

// --- open-dialog stack --------------------------------------------------------

void TrackOpenDialog(HWND dialog, UINT message) {
  if (message == WM_INITDIALOG) {
    if (g_App.OpenDialogCount < 0) g_App.OpenDialogCount = 0;
    // A full stack keeps its entries; the extra dialog is simply not tracked.
    if (g_App.OpenDialogCount >= kMaxOpenDialogs) return;
    g_App.OpenDialogs[g_App.OpenDialogCount++] = dialog;
  } else if (message == WM_DESTROY) {
    // Remove this dialog wherever it stands: a dialog closed out of order
    // must not take another one's place as the owner of message boxes.
    int n = g_App.OpenDialogCount;
    if (n > kMaxOpenDialogs) n = kMaxOpenDialogs;
    for (int i = n - 1; i >= 0; --i) {
      if (g_App.OpenDialogs[i] != dialog) continue;
      for (int j = i; j + 1 < n; ++j) g_App.OpenDialogs[j] = g_App.OpenDialogs[j + 1];
      g_App.OpenDialogs[n - 1] = nullptr;
      g_App.OpenDialogCount = n - 1;
      break;
    }
  }
}

HWND GetTopOpenDialog() {
  int n = g_App.OpenDialogCount;
  if (n <= 0 || n > kMaxOpenDialogs) return nullptr;
  return g_App.OpenDialogs[n - 1];
}

// --- processes and elevation ----------------------------------------------------

int GetWindowElevationType(HWND window) {
  const OptionalApi& api = g_App.Api;
  if (!api.OpenProcessToken || !api.GetTokenInformation) return 0;
  HANDLE process;
  int own = !window;
  if (own) {
    process = GetCurrentProcess();
  } else {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (!pid) return 0;
    process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return 0;
  }
  int result = 0;
  HANDLE token;
  if (api.OpenProcessToken(process, TOKEN_QUERY, &token)) {
    TOKEN_ELEVATION_TYPE type;
    DWORD got = 0;
    if (api.GetTokenInformation(token, TokenElevationType, &type, sizeof type, &got)) {
      if (type == TokenElevationTypeFull) result = 1;
      else if (type == TokenElevationTypeLimited) result = 2;
    }
    CloseHandle(token);
  }
  if (!own) CloseHandle(process);
  return result;
}

static void SnapshotExeName(DWORD pid, wchar_t* out) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W pe;
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
    if (pe.th32ProcessID == pid) {
      lstrcpynW(out, pe.szExeFile, kExePathChars);
      break;
    }
  }
  CloseHandle(snap);
}

DWORD GetWindowExePath(HWND window, wchar_t* out, int flags) {
  if (out) out[0] = 0;
  if (!IsWindow(window)) return 0;
  if (flags & 1) {
    wchar_t cls[64];
    if (GetClassNameW(window, cls, 64) && !wcscmp(cls, L"ApplicationFrameWindow")) {
      HWND core = FindWindowExW(window, nullptr, L"Windows.UI.Core.CoreWindow", nullptr);
      if (core) window = core;
    }
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (!pid || !out) return pid;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process) {
    if (g_App.Api.GetModuleFileNameExW)
      g_App.Api.GetModuleFileNameExW(process, nullptr, out, kExePathChars);
    if (!out[0]) {
      DWORD n = kExePathChars;
      if (!QueryFullProcessImageNameW(process, 0, out, &n)) out[0] = 0;
    }
    CloseHandle(process);
  }
  if (!out[0] && (flags & 2)) SnapshotExeName(pid, out);
  return pid;
}

// --- window operations ------------------------------------------------------------

// A window of a fully elevated process is out of our reach unless we run
// elevated ourselves.
static int NeedsAdminHelper(HWND window) {
  return g_App.Core.ElevationType != 1 && GetWindowElevationType(window) == 1;
}

int RouteWindowOperation(HWND window, int operation) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  // Our own windows (launcher, dialogs, search and sub-menu windows) are
  // always handled here.
  if (pid == GetCurrentProcessId()) return 0;
  if (!NeedsAdminHelper(window)) return 0;
  if (g_App.RunState & RS_VNADMIN_MODE) QueueAdminRequest(4, (INT_PTR)window, operation);
  return 2;
}

int BringToForeground(HWND window, int restoreIconic) {
  if (!IsWindow(window)) return 0;
  HWND front = GetForegroundWindow();
  if (front == window) {
    BringWindowToTop(window);
    return 1;
  }
  if (RouteWindowOperation(window, 0) == 2) return 1;
  if (restoreIconic && IsIconic(window)) {
    ShowWindow(window, SW_RESTORE);
    return 1;
  }
  DWORD self = GetCurrentThreadId();
  DWORD other = front ? GetWindowThreadProcessId(front, nullptr) : 0;
  int attached = other && other != self && AttachThreadInput(self, other, TRUE);
  if (g_App.Api.AllowSetForegroundWindow) g_App.Api.AllowSetForegroundWindow(ASFW_ANY);
  BOOL ok = SetForegroundWindow(window);
  if (attached) AttachThreadInput(self, other, FALSE);
  return ok ? 1 : 0;
}

// --- close watch ----------------------------------------------------------------------

struct CloseWatchEntry {
  DWORD ProcessId;
  HANDLE Process;
  DWORD Tick;
};

static SRWLOCK s_watchLock = SRWLOCK_INIT;
static CloseWatchEntry* s_watch;
static int s_watchCount, s_watchCap;
static int s_watcherRunning;         // under the lock
static volatile LONG s_watcherKeepGoing;
static HANDLE s_watcherThread;

static const DWORD kKillAfterMs = 1000;

static void RemoveWatchEntry(int i) {
  CloseHandle(s_watch[i].Process);
  s_watch[i] = s_watch[--s_watchCount];
}

static DWORD WINAPI CloseWatcherThread(void*) {
  for (;;) {
    for (int i = 0; i < 10; ++i) {
      if (!s_watcherKeepGoing) break;
      Sleep(20);
    }
    AcquireSRWLockExclusive(&s_watchLock);
    if (!s_watcherKeepGoing) {
      s_watcherRunning = 0;
      ReleaseSRWLockExclusive(&s_watchLock);
      return 0;
    }
    DWORD now = GetTickCount();
    for (int i = s_watchCount - 1; i >= 0; --i) {
      DWORD code = 0;
      int exited = GetExitCodeProcess(s_watch[i].Process, &code) && code != STILL_ACTIVE;
      if (!exited && code == STILL_ACTIVE &&
          WaitForSingleObject(s_watch[i].Process, 0) == WAIT_OBJECT_0)
        exited = 1;  // a process may end with exit code 259 itself
      if (exited) {
        RemoveWatchEntry(i);
      } else if (now - s_watch[i].Tick > kKillAfterMs) {
        TerminateProcess(s_watch[i].Process, 0);
        RemoveWatchEntry(i);
      }
    }
    if (s_watchCount == 0) {
      s_watcherRunning = 0;
      ReleaseSRWLockExclusive(&s_watchLock);
      return 0;
    }
    ReleaseSRWLockExclusive(&s_watchLock);
  }
}

// Under the lock. 1 when the entry is (already) there.
static int AddWatchEntry(DWORD pid) {
  for (int i = 0; i < s_watchCount; ++i)
    if (s_watch[i].ProcessId == pid) return 1;
  if (s_watchCount == s_watchCap) {
    int cap = s_watchCap ? s_watchCap * 2 : 8;
    void* grown = s_watch ? HeapReAlloc(GetProcessHeap(), 0, s_watch, cap * sizeof *s_watch)
                          : HeapAlloc(GetProcessHeap(), 0, cap * sizeof *s_watch);
    if (!grown) return 0;
    s_watch = (CloseWatchEntry*)grown;
    s_watchCap = cap;
  }
  HANDLE process = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE,
                               FALSE, pid);
  if (!process) return 0;
  s_watch[s_watchCount++] = {pid, process, GetTickCount()};
  return 1;
}

int RequestCloseWindow(HWND window, int kill) {
  if (!IsWindow(window)) return 0;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != GetCurrentProcessId() && NeedsAdminHelper(window)) {
    if (!(g_App.RunState & RS_VNADMIN_MODE)) return 0;
    QueueAdminRequest(4, (INT_PTR)window, kill ? 2 : 1);
    return 1;
  }
  PostMessageW(window, WM_CLOSE, 0, 0);
  // Never end our own process this way.
  if (!kill || !pid || pid == GetCurrentProcessId()) return 1;
  AcquireSRWLockExclusive(&s_watchLock);
  if (AddWatchEntry(pid) && !s_watcherRunning) {
    if (s_watcherThread) {
      CloseHandle(s_watcherThread);
      s_watcherThread = nullptr;
    }
    s_watcherKeepGoing = 1;
    s_watcherThread = CreateThread(nullptr, 0, CloseWatcherThread, nullptr, 0, nullptr);
    if (s_watcherThread) s_watcherRunning = 1;
  }
  ReleaseSRWLockExclusive(&s_watchLock);
  return 1;
}

void StopCloseWatcher() {
  InterlockedExchange(&s_watcherKeepGoing, 0);
  if (s_watcherThread) {
    WaitForSingleObject(s_watcherThread, 1000);
    CloseHandle(s_watcherThread);
    s_watcherThread = nullptr;
  }
  AcquireSRWLockExclusive(&s_watchLock);
  while (s_watchCount) RemoveWatchEntry(s_watchCount - 1);
  ReleaseSRWLockExclusive(&s_watchLock);
}
