// Process watch: what each launch records, when the hooks come back, the
// 20 ms spacing, and that no entry outlives its button.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/hookbind.h"
#include "core/launch.h"
#include "core/procwatch.h"
#include "core/startup.h"
#include "support/test_support.h"
#include "state.h"
#include "core_child.h"
#include "store/items.h"
#include "store/outlets.h"

namespace {

int g_HooksOn;
int FakeSetHooks(int on, int) {
  g_HooksOn += on ? 1 : 0;
  if (on) InterlockedOr(&g_App.RunState, RS_HOOKS_ON);
  return 1;
}

LRESULT CALLBACK WatchWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WMA_WATCHCREATE) InstallWatchCreateHook();
  else if (m == WMA_WATCHDESTROY) InstallWatchDestroyHook();
  return DefWindowProcW(w, m, wp, lp);
}

class ProcWatchTest : public testing::Test {
 protected:
  void SetUp() override {
    mutex_ = CreateMutexW(nullptr, FALSE, kProcWatchMutexName);
    ASSERT_NE(nullptr, mutex_);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WatchWndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VnWatchTestWindow";
    RegisterClassW(&wc);
    savedMain_ = g_App.MainWnd;
    g_App.MainWnd = CreateWindowExW(0, wc.lpszClassName, L"watch", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                    wc.hInstance, nullptr);
    ASSERT_NE(nullptr, g_App.MainWnd);
    savedSetHooks_ = g_LaunchPlatform.SetHooks;
    g_LaunchPlatform.SetHooks = FakeSetHooks;
    savedRemove_ = g_StoreOutlets.RemoveWatchEntries;
    g_StoreOutlets.RemoveWatchEntries = RemoveWatchEntries;
    savedRunState_ = g_App.RunState;
    g_HooksOn = 0;
    Sleep(25);  // past the spacing of an earlier case
  }
  void TearDown() override {
    StopProcessWatch();
    DestroyWindow(g_App.MainWnd);
    g_App.MainWnd = savedMain_;
    g_LaunchPlatform.SetHooks = savedSetHooks_;
    g_StoreOutlets.RemoveWatchEntries = savedRemove_;
    g_App.RunState = savedRunState_;
    CloseHandle(mutex_);
  }
  static ButtonInfo* NewButton(UINT type, const wchar_t* trigger = nullptr) {
    ButtonInfo* b = (ButtonInfo*)StoreAlloc(sizeof(ButtonInfo));
    b->Type = type;
    if (trigger) b->RehookTrigger = StoreDupString(trigger);
    return b;
  }
  static int Count() { return GetWatchEntries(nullptr, 0); }
  static WatchEntry Entry(int i) {
    WatchEntry e[16] = {};
    GetWatchEntries(e, 16);
    return e[i];
  }
  HANDLE mutex_ = nullptr;
  HWND savedMain_ = nullptr;
  int (*savedSetHooks_)(int, int) = nullptr;
  int (*savedRemove_)(ButtonInfo*) = nullptr;
  LONG savedRunState_ = 0;
};

TEST_F(ProcWatchTest, WithTheHooksOnOnlyProcessIdsAreKept) {
  g_App.RunState = RS_HOOKS_ON;
  ButtonInfo* b = NewButton(1 | ITEM_HOLD_HOOKS);
  ASSERT_EQ(1, WatchLaunchedItem(b, 4242));
  ASSERT_EQ(1, Count());
  EXPECT_EQ(WATCH_BY_PID, Entry(0).Flags);
  EXPECT_EQ(b, Entry(0).Item);
  EXPECT_EQ(4242, b->WatchState);

  // The button goes: so does its entry, whatever path freed it.
  FreeButtonRecord(b);
  EXPECT_EQ(0, Count());
}

// Another thread (or a launcher of another folder) holding the list's lock
// for a while, then letting go.
struct LockHolder {
  HANDLE Mutex;
  DWORD HoldMs;
  HANDLE Taken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE Thread = nullptr;
  LockHolder(HANDLE mutex, DWORD holdMs) : Mutex(mutex), HoldMs(holdMs) {
    Thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    WaitForSingleObject(Taken, 5000);
  }
  ~LockHolder() {
    WaitForSingleObject(Thread, INFINITE);
    CloseHandle(Thread);
    CloseHandle(Taken);
  }
  static DWORD WINAPI Run(void* p) {
    LockHolder* h = (LockHolder*)p;
    WaitForSingleObject(h->Mutex, INFINITE);
    SetEvent(h->Taken);
    Sleep(h->HoldMs);
    ReleaseMutex(h->Mutex);
    return 0;
  }
};

TEST_F(ProcWatchTest, ReleasingAButtonDoesNotWaitOutALockHeldElsewhere) {
  g_App.RunState = RS_HOOKS_ON;
  ButtonInfo* first = NewButton(1);
  ButtonInfo* second = NewButton(1);
  ASSERT_EQ(1, WatchLaunchedItem(first, 11));
  Sleep(25);
  ASSERT_EQ(1, WatchLaunchedItem(second, 22));
  ASSERT_EQ(2, Count());
  {
    LockHolder holder(mutex_, 2500);
    DWORD start = GetTickCount();
    FreeButtonRecord(first);
    FreeButtonRecord(second);  // a page of buttons waits once, not per button
    EXPECT_LT(GetTickCount() - start, 1500u);
    // Their entries still name them: the records stay until the lock is free.
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, first));
    EXPECT_TRUE(HeapValidate(GetProcessHeap(), 0, second));
  }
  Pump(100);  // the retry takes the lock now
  EXPECT_EQ(0, Count());
  ButtonInfo* third = NewButton(1);
  Sleep(25);
  ASSERT_EQ(1, WatchLaunchedItem(third, 33));
  EXPECT_EQ(third, Entry(0).Item);
  FreeButtonRecord(third);
  EXPECT_EQ(0, Count());
}

TEST_F(ProcWatchTest, LaunchesWithin20MsAreRecordedByTheRetryTimer) {
  g_App.RunState = RS_HOOKS_ON;
  ButtonInfo* first = NewButton(1);
  ButtonInfo* second = NewButton(1);
  ASSERT_EQ(1, WatchLaunchedItem(first, 11));
  EXPECT_EQ(0, WatchLaunchedItem(second, 22));  // too soon: deferred
  EXPECT_EQ(1, Count());
  Pump(100);
  ASSERT_EQ(2, Count());
  EXPECT_EQ(second, Entry(1).Item);
  EXPECT_EQ(22, second->WatchState);

  // A deferred request for a button that is freed meanwhile is forgotten.
  Sleep(25);
  ButtonInfo* third = NewButton(1);
  ASSERT_EQ(1, WatchLaunchedItem(third, 33));
  ButtonInfo* doomed = NewButton(1);
  EXPECT_EQ(0, WatchLaunchedItem(doomed, 44));
  FreeButtonRecord(doomed);
  Pump(100);
  EXPECT_EQ(3, Count());
  for (int i = 0; i < 3; ++i) EXPECT_NE(doomed, Entry(i).Item);
  FreeButtonRecord(first);
  FreeButtonRecord(second);
  FreeButtonRecord(third);
  EXPECT_EQ(0, Count());
}

TEST_F(ProcWatchTest, HooksComeBackWhenTheProgramsLastWindowIsGone) {
  ASSERT_TRUE(EnsureLauncherClasses());
  g_App.RunState = 0;  // released at launch
  ChildProcess child;
  ASSERT_TRUE(child.Start());
  ButtonInfo* b = NewButton(1 | ITEM_RELEASE_HOOKS | ITEM_HOLD_HOOKS);
  ASSERT_EQ(1, WatchLaunchedItem(b, child.Info.dwProcessId));
  EXPECT_EQ(WATCH_WHILE_WINDOW, Entry(0).Flags);
  Pump(50);

  CheckWatchedProcesses();  // still running: kept, hooks stay off
  EXPECT_EQ(1, Count());
  EXPECT_EQ(0, g_HooksOn);

  TerminateProcess(child.Info.hProcess, 0);
  WaitForSingleObject(child.Info.hProcess, 5000);
  // The destroy hook normally notices; look again in case it did not.
  Pump(300);
  if (Count()) {
    Sleep(25);
    CheckWatchedProcesses();
  }
  EXPECT_EQ(0, Count());
  EXPECT_EQ(1, g_HooksOn);
  EXPECT_EQ(0, b->WatchState);
  FreeButtonRecord(b);
}

TEST_F(ProcWatchTest, RehookTriggerWaitsForItsProgram) {
  g_App.RunState = 0;
  ButtonInfo* waiting = NewButton(1, L"C:\\nowhere\\not-running.exe");
  ASSERT_EQ(1, WatchLaunchedItem(waiting, 0));
  EXPECT_EQ(WATCH_UNTIL_TRIGGER, Entry(0).Flags);
  EXPECT_EQ(waiting, GetWaitingWatchItem());
  Sleep(25);
  CheckWatchedProcesses();
  EXPECT_EQ(1, Count());
  EXPECT_EQ(0, g_HooksOn);

  // A trigger whose program has a window (this test program): held while it exists.
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  ButtonInfo* running = NewButton(1, self);
  Sleep(25);
  ASSERT_EQ(1, WatchLaunchedItem(running, 0));
  EXPECT_EQ(nullptr, GetWaitingWatchItem());
  ASSERT_EQ(1, Count());  // the earlier waiting button's entry went
  EXPECT_EQ(running, Entry(0).Item);
  EXPECT_EQ(WATCH_WHILE_TRIGGER, Entry(0).Flags);
  Sleep(25);
  CheckWatchedProcesses();
  EXPECT_EQ(1, Count());
  EXPECT_EQ(0, g_HooksOn);

  // A waiting button that is freed leaves no pointer behind.
  ButtonInfo* again = NewButton(1, L"C:\\nowhere\\not-running.exe");
  Sleep(25);
  ASSERT_EQ(1, WatchLaunchedItem(again, 0));
  EXPECT_EQ(again, GetWaitingWatchItem());
  FreeButtonRecord(again);
  EXPECT_EQ(nullptr, GetWaitingWatchItem());

  // Hooks back on: everything but process-id watches is dropped.
  DropHookHoldingWatches();
  EXPECT_EQ(0, Count());
  FreeButtonRecord(waiting);
  FreeButtonRecord(running);
}

}  // namespace
