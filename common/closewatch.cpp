#include "common/closewatch.h"

struct WatchEntry {
  DWORD ProcessId;
  HANDLE Process;
  DWORD Tick;
};

// A static lock needs no set-up and is never freed, so nothing can use it
// after it is gone.
static SRWLOCK s_lock = SRWLOCK_INIT;
static WatchEntry* s_entries;        // under the lock
static int s_count, s_cap;           // under the lock
static int s_running;                // under the lock: the thread has work
static volatile LONG s_keepGoing;
static HANDLE s_thread;              // under the lock

static const DWORD kEndAfterMs = 1000;
static const DWORD kStopWaitMs = 3000;

static void RemoveEntry(int i) {
  CloseHandle(s_entries[i].Process);
  s_entries[i] = s_entries[--s_count];
}

static int HasEnded(HANDLE process) {
  DWORD code = 0;
  if (GetExitCodeProcess(process, &code) && code != STILL_ACTIVE) return 1;
  // A process may end with exit code 259 itself.
  return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

// Under the lock. 1 when the list still has entries.
static int ScanEntries() {
  DWORD now = GetTickCount();
  for (int i = s_count - 1; i >= 0; --i) {
    if (HasEnded(s_entries[i].Process)) {
      RemoveEntry(i);
    } else if (now - s_entries[i].Tick > kEndAfterMs) {
      TerminateProcess(s_entries[i].Process, 0);
      RemoveEntry(i);
    }
  }
  return s_count > 0;
}

static DWORD WINAPI WatchThread(void*) {
  for (;;) {
    for (int i = 0; i < 10 && s_keepGoing; ++i) Sleep(20);
    AcquireSRWLockExclusive(&s_lock);
    if (!s_keepGoing || !ScanEntries()) {
      s_running = 0;
      ReleaseSRWLockExclusive(&s_lock);
      return 0;
    }
    ReleaseSRWLockExclusive(&s_lock);
  }
}

// Under the lock.
static int AddEntry(DWORD pid) {
  for (int i = 0; i < s_count; ++i)
    if (s_entries[i].ProcessId == pid) return 1;
  if (s_count == s_cap) {
    int cap = s_cap ? s_cap * 2 : 8;
    void* grown = s_entries ? HeapReAlloc(GetProcessHeap(), 0, s_entries, cap * sizeof *s_entries)
                            : HeapAlloc(GetProcessHeap(), 0, cap * sizeof *s_entries);
    if (!grown) return 0;
    s_entries = (WatchEntry*)grown;
    s_cap = cap;
  }
  HANDLE process = OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
  if (!process) return 0;
  s_entries[s_count++] = {pid, process, GetTickCount()};
  return 1;
}

int WatchProcessToEnd(DWORD pid) {
  if (!pid || pid == GetCurrentProcessId()) return 0;
  AcquireSRWLockExclusive(&s_lock);
  int watched = AddEntry(pid);
  // Started and marked running under the lock: two requests in a row never
  // start two threads.
  if (watched && !s_running) {
    if (s_thread) CloseHandle(s_thread);
    InterlockedExchange(&s_keepGoing, 1);
    s_thread = CreateThread(nullptr, 0, WatchThread, nullptr, 0, nullptr);
    s_running = s_thread != nullptr;
  }
  ReleaseSRWLockExclusive(&s_lock);
  return watched;
}

void StopProcessEndWatch() {
  InterlockedExchange(&s_keepGoing, 0);
  AcquireSRWLockExclusive(&s_lock);
  HANDLE thread = s_thread;
  s_thread = nullptr;
  ReleaseSRWLockExclusive(&s_lock);
  if (thread) {
    WaitForSingleObject(thread, kStopWaitMs);
    CloseHandle(thread);
  }
  AcquireSRWLockExclusive(&s_lock);
  while (s_count) RemoveEntry(s_count - 1);
  if (s_entries) HeapFree(GetProcessHeap(), 0, s_entries);
  s_entries = nullptr;
  s_cap = 0;
  s_running = 0;
  ReleaseSRWLockExclusive(&s_lock);
}
