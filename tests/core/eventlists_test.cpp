#include "core/eventlists.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "core/hookctl.h"
#include "core/mainwnd.h"
#include "core/startup.h"
#include "core/ticker.h"
#include "core/triggers.h"
#include "core_child.h"
#include "dialogs/dialoghelpers.h"
#include "input_fixture.h"

namespace {

TEST(NormaliseChainDelays, NegativeDelayMovesTheOthersLater) {
  EventEntry e[4] = {{0, 0, 0, 0}, {0, 1, -500, 0}, {0, 2, 0, 0}, {0, 3, 1000, 0}};
  NormaliseChainDelays(e, 4, 0, 0);
  EXPECT_EQ(500, e[0].Delay);  // the item itself
  EXPECT_EQ(0, e[1].Delay);
  EXPECT_EQ(500, e[2].Delay);
  EXPECT_EQ(1500, e[3].Delay);
  EventEntry f[3] = {{0, 0, 0, 0}, {0, 1, 200, 0}, {0, 2, 700, 0}};
  NormaliseChainDelays(f, 3, 1, 250);  // hooks released: everything later
  EXPECT_EQ(250, f[0].Delay);
  EXPECT_EQ(450, f[1].Delay);
  EXPECT_EQ(950, f[2].Delay);
}

TEST(SortByGridPosition, RowsFirstUnlessVertical) {
  const int column[5] = {2, 0, 1, 0, 2};
  const int row[5] = {0, 1, 0, 0, 0};  // 0 and 4 share a place: stable
  int order[5] = {0, 1, 2, 3, 4};
  SortByGridPosition(order, column, row, 5, 0);
  EXPECT_EQ(3, order[0]);
  EXPECT_EQ(2, order[1]);
  EXPECT_EQ(0, order[2]);
  EXPECT_EQ(4, order[3]);
  EXPECT_EQ(1, order[4]);
  int v[5] = {0, 1, 2, 3, 4};
  SortByGridPosition(v, column, row, 5, 1);
  EXPECT_EQ(3, v[0]);
  EXPECT_EQ(1, v[1]);
  EXPECT_EQ(2, v[2]);
  EXPECT_EQ(0, v[3]);
  EXPECT_EQ(4, v[4]);
}

// Launches with the time they came, from any thread.
struct TimedLog {
  std::mutex Lock;
  std::vector<std::pair<std::string, DWORD>> Items;
  std::vector<DWORD> Threads;
  DWORD Start = 0;
} g_Timed;

void TimedLaunch(ButtonInfo* b, int, POINT*) {
  std::lock_guard<std::mutex> g(g_Timed.Lock);
  std::string n;
  for (const wchar_t* p = b->Name; *p; ++p) n += (char)*p;
  g_Timed.Items.push_back({n, GetTickCount() - g_Timed.Start});
  g_Timed.Threads.push_back(GetCurrentThreadId());
}

std::vector<int> g_Boxes;
int g_BoxAnswer = IDOK;
int RecordBox(HWND, int id, const wchar_t*, const wchar_t*, UINT) {
  g_Boxes.push_back(id);
  return g_BoxAnswer;
}

class EventListTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    {
      std::lock_guard<std::mutex> g(g_Timed.Lock);
      g_Timed.Items.clear();
      g_Timed.Threads.clear();
      g_Timed.Start = GetTickCount();
    }
    g_InputOutlets.LaunchItem = TimedLaunch;
    g_Boxes.clear();
    g_BoxAnswer = IDOK;
    savedBox_ = g_DialogSeams.MessageBoxFn;
    g_DialogSeams.MessageBoxFn = RecordBox;
    MakePages(1);
  }
  void TearDown() override {
    StopDelayedLaunches(3000);
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    Pump();
    g_App.Store.Refs.AutoBoot[0] = g_App.Store.Refs.AutoBoot[1] = g_App.Store.Refs.AutoBoot[2] =
        g_App.Store.Refs.AutoBoot[3] = EventList{};
    g_DialogSeams.MessageBoxFn = savedBox_;
    InputTest::TearDown();
  }
  void MakeWindow() {
    ASSERT_TRUE(EnsureLauncherClasses());
    window_ = CreateMainWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(nullptr, window_);
  }
  static void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
  }
  // Pumps until n launches came or ms passed.
  size_t PumpUntil(size_t n, DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
      Pump();
      {
        std::lock_guard<std::mutex> g(g_Timed.Lock);
        if (g_Timed.Items.size() >= n) return g_Timed.Items.size();
      }
      if (GetTickCount() - start > ms) break;
      Sleep(10);
    }
    std::lock_guard<std::mutex> g(g_Timed.Lock);
    return g_Timed.Items.size();
  }
  void SetList(int list, std::vector<EventEntry> entries) {
    lists_[list] = entries;
    g_App.Store.Refs.AutoBoot[list] = EventList{(int)lists_[list].size(), lists_[list].data()};
  }
  std::vector<EventEntry> lists_[4];
  HWND window_ = nullptr;
  int (*savedBox_)(HWND, int, const wchar_t*, const wchar_t*, UINT) = nullptr;
};

TEST_F(EventListTest, StartupListRunsThroughTheWindowInOrderWithItsDelays) {
  Add(0, "a", 0, 0);
  Add(0, "b", 1, 0);
  Add(0, "c", 2, 0);
  MakeWindow();
  // c first at once, a after 300 ms, b after 600 ms; a missing button is skipped.
  SetList(EVENT_STARTUP, {{0, 0, 300, 0}, {0, 1, 600, 0}, {0, 2, 0, 0}, {0, 9, 0, 0}});
  g_Timed.Start = GetTickCount();
  ASSERT_EQ(1, StartEventList(EVENT_STARTUP));
  ASSERT_EQ(3u, PumpUntil(3, 5000));
  EXPECT_EQ("c", g_Timed.Items[0].first);
  EXPECT_EQ("a", g_Timed.Items[1].first);
  EXPECT_EQ("b", g_Timed.Items[2].first);
  EXPECT_GE(g_Timed.Items[1].second, 250u);
  EXPECT_GE(g_Timed.Items[2].second, 550u);
  // Launched on this (the window's) thread.
  for (DWORD t : g_Timed.Threads) EXPECT_EQ(GetCurrentThreadId(), t);
  PumpUntil(4, 300);
  EXPECT_EQ(3u, g_Timed.Items.size());
  EXPECT_EQ(0, StartEventList(EVENT_EXIT));  // empty: nothing starts
}

TEST_F(EventListTest, SuspendWithTwoEntriesAnswersWithinSeconds) {
  Add(0, "a", 0, 0);
  Add(0, "b", 1, 0);
  Add(0, "late", 2, 0);
  MakeWindow();
  SetList(EVENT_SUSPEND, {{0, 0, 0, 0}, {0, 1, 200, 0}, {0, 2, 5000, 0}});
  DWORD start = GetTickCount();
  LRESULT r = SendMessageW(window_, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  DWORD took = GetTickCount() - start;
  EXPECT_EQ(TRUE, r);
  EXPECT_LT(took, 4000u);
  {
    std::lock_guard<std::mutex> g(g_Timed.Lock);
    ASSERT_EQ(2u, g_Timed.Items.size());
    EXPECT_EQ("a", g_Timed.Items[0].first);
    EXPECT_EQ("b", g_Timed.Items[1].first);
  }
  // The entry beyond the wait still comes, later, through the window.
  ASSERT_EQ(3u, PumpUntil(3, 8000));
  EXPECT_EQ("late", g_Timed.Items[2].first);
  EXPECT_GE(g_Timed.Items[2].second, 4500u);
}

TEST_F(EventListTest, ExitListRunsOnTheCallingThreadWithoutAWindow) {
  Add(0, "a", 0, 0);
  Add(0, "b", 1, 0);
  SetList(EVENT_EXIT, {{0, 1, 250, 0}, {0, 0, 0, 0}});
  DWORD start = GetTickCount();
  EXPECT_EQ(2, RunEventListNow(EVENT_EXIT, INFINITE));
  EXPECT_GE(GetTickCount() - start, 200u);
  ASSERT_EQ(2u, g_Timed.Items.size());
  EXPECT_EQ("a", g_Timed.Items[0].first);
  EXPECT_EQ("b", g_Timed.Items[1].first);
}

TEST_F(EventListTest, ShutdownStopsARunnerThatStillWaits) {
  Add(0, "a", 0, 0);
  SetList(EVENT_STARTUP, {{0, 0, 60000, 0}});
  ASSERT_EQ(1, StartEventList(EVENT_STARTUP));
  EXPECT_EQ(1, GetRunnerCount());
  DWORD start = GetTickCount();
  EXPECT_EQ(1, StopDelayedLaunches(3000));
  EXPECT_LT(GetTickCount() - start, 1000u);
  EXPECT_EQ(0, GetRunnerCount());
  EXPECT_EQ(0, (int)g_App.Core.RunningWork);
  EXPECT_TRUE(g_Timed.Items.empty());
  // Later lists run again.
  SetList(EVENT_STARTUP, {{0, 0, 0, 0}});
  ASSERT_EQ(1, StartEventList(EVENT_STARTUP));
  EXPECT_EQ(1u, PumpUntil(1, 3000));
}

TEST_F(EventListTest, ChainStartsWithTheItemAndItsDelays) {
  ButtonInfo* a = Add(0, "a", 0, 0);
  Add(0, "b", 1, 0);
  Add(0, "c", 2, 0);
  static EventEntry chain[2] = {{0, 1, -300, 0}, {0, 2, 200, 0}};
  a->ChainBoot = chain;
  a->ChainBootCount = 2;
  g_Timed.Start = GetTickCount();
  ASSERT_EQ(1, StartDelayedLaunches(a, 0));
  EXPECT_EQ(3u, PumpUntil(3, 5000));
  a->ChainBoot = nullptr;
  a->ChainBootCount = 0;
  ASSERT_EQ(3u, g_Timed.Items.size());
  EXPECT_EQ("b", g_Timed.Items[0].first);
  EXPECT_EQ("a", g_Timed.Items[1].first);
  EXPECT_EQ("c", g_Timed.Items[2].first);
  EXPECT_GE(g_Timed.Items[1].second, 250u);
  EXPECT_GE(g_Timed.Items[2].second, 450u);
  EXPECT_EQ(0, StartDelayedLaunches(a, 0));  // nothing chained, no hooks to release
}

TEST_F(EventListTest, LaunchAllAsksFirstAndGoesInGridOrder) {
  Add(0, "z", 1, 1);
  Add(0, "y", 3, 0);
  Add(0, "x", 0, 1);
  g_BoxAnswer = IDCANCEL;
  LaunchAllItems(0);
  ASSERT_EQ(1u, g_Boxes.size());
  EXPECT_EQ(660, g_Boxes[0]);
  EXPECT_EQ(0u, PumpUntil(1, 300));
  g_BoxAnswer = IDOK;
  LaunchAllItems(0);
  ASSERT_EQ(3u, PumpUntil(3, 3000));
  EXPECT_EQ("y", g_Timed.Items[0].first);
  EXPECT_EQ("x", g_Timed.Items[1].first);
  EXPECT_EQ("z", g_Timed.Items[2].first);
}

TEST_F(EventListTest, ManyFilesAskFromTwenty) {
  EXPECT_EQ(1, ConfirmManyFiles(nullptr, 19, 1));
  EXPECT_TRUE(g_Boxes.empty());
  g_BoxAnswer = IDCANCEL;
  EXPECT_EQ(0, ConfirmManyFiles(nullptr, 20, 1));
  EXPECT_EQ(0, ConfirmManyFiles(nullptr, 25, 0));
  ASSERT_EQ(2u, g_Boxes.size());
  EXPECT_EQ(669, g_Boxes[0]);
  EXPECT_EQ(668, g_Boxes[1]);
}

// --- system commands through the seam ---

std::vector<std::string> g_Sys;
int g_FailRead = -1;  // SPI_GET... that fails

BOOL FakeExit(UINT flags, DWORD) {
  g_Sys.push_back("exit " + std::to_string(flags));
  return TRUE;
}
BOOL FakeSuspend(BOOL hibernate) {
  g_Sys.push_back(hibernate ? "hibernate" : "sleep");
  return TRUE;
}
HRESULT FakeEmpty() {
  g_Sys.push_back("empty " + std::to_string(GetCurrentThreadId()));
  return S_OK;
}
void FakeMonitor() { g_Sys.push_back("monitor"); }
BOOL FakeSpi(UINT action, UINT param, void* value, UINT) {
  if ((int)action == g_FailRead) return FALSE;
  if (value) *(int*)value = (int)action;  // a value of its own per timeout
  else g_Sys.push_back("set " + std::to_string(action) + " " + std::to_string(param));
  return TRUE;
}
int FakePrivilege(const wchar_t*) { return 1; }
void NoSleep(DWORD) {}

class SystemTest : public EventListTest {
 protected:
  void SetUp() override {
    EventListTest::SetUp();
    g_Sys.clear();
    g_FailRead = -1;
    g_SystemSeams = SystemSeams{FakeExit, FakeSuspend, FakeEmpty, FakeMonitor, nullptr, FakeSpi, FakePrivilege, NoSleep};
    g_PowerSave = PowerSaveState{};
  }
};

TEST_F(SystemTest, PowerCommands) {
  RunPowerCommand(0x1000 | 0x10000);  // confirm, and the answer is Cancel
  g_BoxAnswer = IDCANCEL;
  g_Sys.clear();
  g_Boxes.clear();
  RunPowerCommand(0x1001 | 0x10000);
  EXPECT_TRUE(g_Sys.empty());
  ASSERT_EQ(1u, g_Boxes.size());
  EXPECT_EQ(678, g_Boxes[0]);
  RunPowerCommand(0x1000 | 0x20000);  // forced, no question
  RunPowerCommand(0x1002);
  RunPowerCommand(0x1003);
  RunPowerCommand(0x1004);
  RunPowerCommand(0x1005);  // not a power command
  std::vector<std::string> want = {"exit " + std::to_string(EWX_SHUTDOWN | EWX_FORCE | EWX_FORCEIFHUNG),
                                   "exit " + std::to_string(EWX_LOGOFF), "sleep", "hibernate"};
  EXPECT_EQ(want, g_Sys);
}

TEST_F(SystemTest, PowerSavingRestoresOnlyWhatWasRead) {
  g_FailRead = SPI_GETLOWPOWERTIMEOUT;
  TogglePowerSaving(0x10000);
  EXPECT_EQ(1, g_PowerSave.KeepAwake);
  EXPECT_EQ(1, g_PowerSave.RestoreOnEdgeLeave);
  std::vector<std::string> on = {"set " + std::to_string(SPI_SETSCREENSAVETIMEOUT) + " 0",
                                 "set " + std::to_string(SPI_SETPOWEROFFTIMEOUT) + " 0"};
  EXPECT_EQ(on, g_Sys);
  g_Sys.clear();
  TogglePowerSaving(0);
  EXPECT_EQ(0, g_PowerSave.KeepAwake);
  std::vector<std::string> off = {
      "set " + std::to_string(SPI_SETSCREENSAVETIMEOUT) + " " + std::to_string(SPI_GETSCREENSAVETIMEOUT),
      "set " + std::to_string(SPI_SETPOWEROFFTIMEOUT) + " " + std::to_string(SPI_GETPOWEROFFTIMEOUT)};
  EXPECT_EQ(off, g_Sys);
}

std::string SetCall(UINT action, int value) { return "set " + std::to_string(action) + " " + std::to_string(value); }

// Leaving the hot edge ends keep-awake only for an item that asked for it,
// and sets back only the timeouts that were read.
TEST_F(SystemTest, PowerSavingEndsWhenTheCursorLeavesTheEdge) {
  const std::string screen = SetCall(SPI_SETSCREENSAVETIMEOUT, SPI_GETSCREENSAVETIMEOUT);
  const std::string low = SetCall(SPI_SETLOWPOWERTIMEOUT, SPI_GETLOWPOWERTIMEOUT);
  const std::string off = SetCall(SPI_SETPOWEROFFTIMEOUT, SPI_GETPOWEROFFTIMEOUT);
  struct Case {
    const char* Name;
    UINT Options;
    int FailRead;
    std::vector<std::string> Want;  // set calls on leaving
    int Ended;
  } cases[] = {
      {"all read", 0x10000, -1, {screen, low, off}, 1},
      {"low power unreadable", 0x10000, SPI_GETLOWPOWERTIMEOUT, {screen, off}, 1},
      {"screen saver unreadable", 0x10000, SPI_GETSCREENSAVETIMEOUT, {low, off}, 1},
      {"not asked for", 0, -1, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    g_PowerSave = PowerSaveState{};
    g_FailRead = c.FailRead;
    TogglePowerSaving(c.Options);
    ASSERT_EQ(1, (int)g_PowerSave.KeepAwake);
    g_Sys.clear();
    EXPECT_EQ(c.Ended, EndKeepAwakeOnEdgeLeave());
    EXPECT_EQ(c.Want, g_Sys);
    EXPECT_EQ(c.Ended ? 0 : 1, (int)g_PowerSave.KeepAwake);
    // Once only; and the next toggle turns it on again, not off.
    g_Sys.clear();
    EXPECT_EQ(0, EndKeepAwakeOnEdgeLeave());
    EXPECT_TRUE(g_Sys.empty());
    TogglePowerSaving(0);
    EXPECT_EQ(c.Ended ? 1 : 0, (int)g_PowerSave.KeepAwake);
  }
}

// Ending the program with keep-awake on gives the system its timeouts back
// (only those read), whether or not the item ends it at the edge.
TEST_F(SystemTest, KeepAwakeEndsWithTheProgram) {
  const std::string screen = SetCall(SPI_SETSCREENSAVETIMEOUT, SPI_GETSCREENSAVETIMEOUT);
  const std::string off = SetCall(SPI_SETPOWEROFFTIMEOUT, SPI_GETPOWEROFFTIMEOUT);
  for (UINT options : {0u, 0x10000u}) {
    g_PowerSave = PowerSaveState{};
    g_FailRead = SPI_GETLOWPOWERTIMEOUT;
    TogglePowerSaving(options);
    g_Sys.clear();
    EXPECT_EQ(1, EndKeepAwakeAtExit());
    EXPECT_EQ((std::vector<std::string>{screen, off}), g_Sys);
    EXPECT_EQ(0, (int)g_PowerSave.KeepAwake);
    g_Sys.clear();
    EXPECT_EQ(0, EndKeepAwakeAtExit());
    EXPECT_TRUE(g_Sys.empty());
  }
}

// The ticker's hot-edge check reaches it through the triggers' binding.
TEST_F(SystemTest, HotEdgeCheckRestoresThroughTheTriggers) {
  TriggerPlatform savedPlatform = g_TriggerPlatform;
  TickerOutlets savedTicker = g_TickerOutlets;
  void (*savedHandler)(int) = g_HotKeyRowHandler;
  InitTriggerPlatform();
  ResetTriggers();
  g_FailRead = SPI_GETPOWEROFFTIMEOUT;
  TogglePowerSaving(0x10000);
  g_Sys.clear();
  CheckHotEdge(-1);  // on no edge with an action
  std::vector<std::string> want = {SetCall(SPI_SETSCREENSAVETIMEOUT, SPI_GETSCREENSAVETIMEOUT),
                                   SetCall(SPI_SETLOWPOWERTIMEOUT, SPI_GETLOWPOWERTIMEOUT)};
  EXPECT_EQ(want, g_Sys);
  EXPECT_EQ(0, (int)g_PowerSave.KeepAwake);
  ResetTriggers();
  g_TriggerPlatform = savedPlatform;
  g_TickerOutlets = savedTicker;
  g_HotKeyRowHandler = savedHandler;
}

TEST_F(SystemTest, RecycleBinIsEmptiedOnItsWorker) {
  ASSERT_EQ(1, StartEmptyRecycleBin());
  DWORD start = GetTickCount();
  while (g_App.Core.RunningWork > 0 && GetTickCount() - start < 3000) Sleep(10);
  EXPECT_EQ(0, (int)g_App.Core.RunningWork);
  ASSERT_EQ(1u, g_Sys.size());
  EXPECT_NE("empty " + std::to_string(GetCurrentThreadId()), g_Sys[0]);
}

TEST_F(SystemTest, MonitorOffAndBuiltInCommands) {
  ButtonInfo* monitor = Add(0, "m", 0, 0, 0x4067);
  RunSpecialCommand(monitor, 0);
  ASSERT_EQ(1u, g_Sys.size());
  EXPECT_EQ("monitor", g_Sys[0]);
  MakeWindow();
  g_App.MainWnd = window_;
  ButtonInfo* pin = Add(0, "p", 1, 0, 0x4002);
  RunSpecialCommand(pin, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, window_, WM_COMMAND, WM_COMMAND, PM_REMOVE));
  EXPECT_EQ(40005u, LOWORD(m.wParam));
}

}  // namespace
