#include "core/ticker.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <vector>

#include "core/hookbind.h"
#include "core/mainwnd.h"
#include "core_child.h"
#include "core/mouseinput.h"
#include "input_fixture.h"
#include "state.h"

namespace {

// One showing, tick by tick: the inputs that matter change per step.
struct Tick {
  int Front;        // the launcher is the foreground window
  int InBody;       // the cursor is over it
  UINT Buttons;
  UINT Want;        // AH_ bits expected
  int ShowStateAfter;
};

void RunTicks(const char* name, AutoHideInput base, const Tick* ticks, int n, AutoHideState* st) {
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE(testing::Message() << name << " tick " << i);
    AutoHideInput in = base;
    in.OursInFront = ticks[i].Front;
    in.CursorInBody = ticks[i].InBody;
    in.Buttons = ticks[i].Buttons;
    EXPECT_EQ(ticks[i].Want, StepAutoHide(&in, st) & ~(UINT)AH_DRAG_ENDED);
    EXPECT_EQ(ticks[i].ShowStateAfter, st->ShowState);
  }
}

AutoHideInput Shown() {
  AutoHideInput in = {};
  in.Visible = 1;
  in.HideDelayMs = 300;
  return in;
}

TEST(AutoHide, FocusLossHidesOnlyOnceSettledAndActive) {
  AutoHideState st = {1, 0, 0, 0};
  AutoHideInput in = Shown();
  // Not in front during the first five ticks: pulled to the front, never hidden.
  const Tick settle[] = {
      {0, 0, 0, AH_FORCE_FRONT, 2}, {0, 0, 0, AH_FORCE_FRONT, 3},
      {0, 0, 0, AH_FORCE_FRONT | AH_CLEAR_RELEASE_BITS, 4}, {0, 0, 0, AH_FORCE_FRONT, 5},
      {0, 0, 0, 0, 6},  // settled, but it was never active: stays
      {0, 0, 0, 0, 6},
  };
  RunTicks("never active", in, settle, 6, &st);

  // Active once: the first tick in front marks it; focus loss then hides.
  in.ActiveSinceShown = 0;
  const Tick front[] = {{1, 0, 0, AH_MARK_ACTIVE, 6}};
  RunTicks("comes to front", in, front, 1, &st);
  in.ActiveSinceShown = 1;
  in.TooltipsActive = 1;
  const Tick lose[] = {{1, 0, 0, 0, 6}, {0, 0, 0, AH_HIDE, 6}};
  RunTicks("focus lost", in, lose, 2, &st);

  // ... but not over the body, with a button held, pinned or held off.
  const Tick keep[] = {{0, 1, 0, 0, 6}, {0, 0, 1, 0, 6}, {0, 0, 2, 0, 6}};
  RunTicks("kept", in, keep, 3, &st);
  in.Pinned = 1;
  const Tick pinned[] = {{0, 0, 0, 0, 6}};
  RunTicks("pinned", in, pinned, 1, &st);
  in.Pinned = 0;
  in.HoldOff = 1;
  RunTicks("held off", in, pinned, 1, &st);
}

TEST(AutoHide, LeavingCountsDownTheHideDelay) {
  AutoHideState st = {6, 0, 0, 0};
  AutoHideInput in = Shown();
  in.ActiveSinceShown = 1;
  in.TooltipsActive = 1;
  in.HideOnLeave = 1;
  // Over the body arms the countdown (300 ms = 3 ticks); leaving counts it down.
  const Tick leave[] = {
      {1, 1, 0, 0, 6}, {1, 0, 0, 0, 6}, {1, 0, 0, 0, 6}, {1, 0, 0, AH_HIDE_REACTIVATE, 6},
      {1, 0, 0, 0, 6},  // disarmed after hiding
  };
  RunTicks("leave", in, leave, 5, &st);

  // Coming back reloads it; a held button stops the count.
  const Tick back[] = {
      {1, 1, 0, 0, 6}, {1, 0, 0, 0, 6}, {1, 1, 0, 0, 6}, {1, 0, 1, 0, 6}, {1, 0, 1, 0, 6},
      {1, 0, 0, 0, 6}, {1, 0, 0, 0, 6}, {1, 0, 0, AH_HIDE_REACTIVATE, 6},
  };
  RunTicks("back", in, back, 8, &st);

  // Without hide-on-leave, or pinned, leaving never hides.
  st = AutoHideState{6, 0, 0, 0};
  in.HideOnLeave = 0;
  const Tick stay[] = {{1, 1, 0, 0, 6}, {1, 0, 0, 0, 6}, {1, 0, 0, 0, 6}, {1, 0, 0, 0, 6}, {1, 0, 0, 0, 6}};
  RunTicks("no hide-on-leave", in, stay, 5, &st);
  in.HideOnLeave = 1;
  in.Pinned = 1;
  RunTicks("pinned", in, stay, 5, &st);
}

TEST(AutoHide, NothingWhileBusyHiddenOrInADialog) {
  AutoHideInput in = Shown();
  in.ActiveSinceShown = 1;
  in.TooltipsActive = 1;
  AutoHideInput blocked[5] = {in, in, in, in, in};
  blocked[0].Visible = 0;
  blocked[1].DialogOpen = 1;
  blocked[2].SubMenuOpen = 1;
  blocked[3].Busy = 1;
  blocked[4].AutoHideOff = 1;
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    AutoHideState st = {6, 4, 0, 0};
    EXPECT_EQ(0u, StepAutoHide(&blocked[i], &st) & ~(UINT)AH_DRAG_ENDED);
  }
  // Auto-hide off still ends a drag: five ticks without buttons.
  AutoHideState st = {6, 0, 0, 0};
  in.AutoHideOff = 1;
  in.Buttons = 1;
  EXPECT_EQ(0u, StepAutoHide(&in, &st));
  in.Buttons = 0;
  UINT got = 0;
  for (int i = 0; i < 5; ++i) got |= StepAutoHide(&in, &st);
  EXPECT_EQ((UINT)AH_DRAG_ENDED, got);
  EXPECT_EQ(0u, StepAutoHide(&in, &st));  // once
}

TEST(Monitors, ListKeepsOrderAndPrimaryAndGrows) {
  MonitorList m = {};
  const RECT mon[7] = {{0, 0, 1024, 768},   {1024, 0, 2048, 768}, {-800, 0, 0, 600},  {0, 768, 640, 1248},
                       {2048, 0, 3072, 768}, {0, -480, 640, 0},   {3072, 0, 4096, 768}};
  for (int i = 0; i < 7; ++i) {
    RECT work = mon[i];
    work.bottom -= 40;
    ASSERT_EQ(1, AddMonitorRects(&m, &mon[i], &work, i == 2));
  }
  ASSERT_EQ(7, m.Count);
  EXPECT_EQ(2, m.Primary);
  for (int i = 0; i < 7; ++i) {
    EXPECT_TRUE(EqualRect(&m.Monitors[i], &mon[i])) << i;
    EXPECT_EQ(mon[i].bottom - 40, m.Work[i].bottom) << i;
  }
  ClearMonitorList(&m);
  EXPECT_EQ(0, m.Count);
  EXPECT_EQ(0, m.Primary);
  AddMonitorRects(&m, &mon[1], &mon[1], 0);
  EXPECT_EQ(1, m.Count);
  EXPECT_EQ(0, m.Primary);
  FreeMonitorList(&m);
  EXPECT_EQ(nullptr, m.Monitors);
}

TEST(Monitors, FullScreenMeansAWholeMonitorCovered) {
  const RECT mons[2] = {{0, 0, 1024, 768}, {1024, 0, 2304, 1024}};
  struct Case {
    RECT Client;
    int Want;
  } cases[] = {
      {{1024, 0, 2304, 1024}, 1},   // fills the secondary only
      {{1000, -10, 2400, 1100}, 1}, // larger than it
      {{0, 0, 1024, 767}, 0},       // one line short
      {{10, 10, 2000, 700}, 0},
      {{0, 0, 2304, 1024}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    EXPECT_EQ(c.Want, CoversAnyMonitor(&c.Client, mons, 2));
  }
  EXPECT_EQ(0, CoversAnyMonitor(&cases[0].Client, mons, 0));
}

static int s_edgeCalls;
static int s_edgeHit = -1;
static BOOL WINAPI FakeEdgeCheck(POINT, int edge) {
  ++s_edgeCalls;
  return edge == s_edgeHit;
}

TEST(HotEdges, OnlyEdgesWithAnActionAreAsked) {
  UINT assign[16] = {};
  POINT pt = {0, 0};
  s_edgeHit = 3;
  s_edgeCalls = 0;
  EXPECT_EQ(-1, FindHotEdge(assign, pt, FakeEdgeCheck));
  EXPECT_EQ(0, s_edgeCalls);
  assign[3 + 8] = 0xFFFF0000;  // leaving action on the bottom-right corner
  EXPECT_EQ(3, FindHotEdge(assign, pt, FakeEdgeCheck));
  assign[1] = 0x10002;
  s_edgeHit = 1;
  EXPECT_EQ(1, FindHotEdge(assign, pt, FakeEdgeCheck));
  s_edgeHit = 7;
  EXPECT_EQ(-1, FindHotEdge(assign, pt, FakeEdgeCheck));
  EXPECT_EQ(-1, FindHotEdge(assign, pt, nullptr));
}

TEST(InputHelpers, ModifierKeys) {
  for (UINT vk = 0; vk < 256; ++vk) {
    bool want = vk == VK_SHIFT || vk == VK_CONTROL || vk == VK_MENU || (vk >= VK_LSHIFT && vk <= VK_RMENU);
    EXPECT_EQ(want ? 1 : 0, IsModifierKey(vk)) << vk;
  }
}

// A ticker stuck in a call: StopTicker gives up after its wait and says so.
static HANDLE s_entered, s_release;
static void StuckSubMenuCheck() {
  SetEvent(s_entered);
  WaitForSingleObject(s_release, 10000);
}

TEST(Ticker, StopReportsATickerThatDidNotEnd) {
  AppState saved = g_App;
  TickerOutlets savedOutlets = g_TickerOutlets;
  g_App.MainWnd = nullptr;
  g_App.RunState = 0;
  g_App.Wnd.Flags = WSF_SUBMENU_OPEN;
  s_entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  s_release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  g_TickerOutlets = TickerOutlets{};
  g_TickerOutlets.CheckSubMenuFocus = StuckSubMenuCheck;
  ASSERT_EQ(1, StartTicker());
  HANDLE thread;
  ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), g_App.Ticker.Thread, GetCurrentProcess(), &thread, 0, FALSE,
                              DUPLICATE_SAME_ACCESS));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(s_entered, 5000));
  DWORD start = GetTickCount();
  EXPECT_EQ(0, StopTicker());
  EXPECT_GE(GetTickCount() - start, 2900u);
  SetEvent(s_release);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 5000));
  CloseHandle(thread);
  CloseHandle(s_entered);
  CloseHandle(s_release);

  // A ticker that is not stuck ends within its tick.
  g_TickerOutlets = TickerOutlets{};
  ASSERT_EQ(1, StartTicker());
  Sleep(250);
  start = GetTickCount();
  EXPECT_EQ(1, StopTicker());
  EXPECT_LT(GetTickCount() - start, 1000u);
  g_TickerOutlets = savedOutlets;
  g_App = saved;
}


// --- the Recycle Bin buttons ---------------------------------------------------------------

std::vector<std::pair<int, int>> g_Drawn;  // cell, state
void RecordDraw(int cell, int state) { g_Drawn.push_back({cell, state}); }

HICON MarkerIcon() {
  BYTE and_[32 * 4] = {}, xor_[32 * 4] = {};
  return CreateIcon(GetModuleHandleW(nullptr), 32, 32, 1, 1, and_, xor_);
}

class RecycleBinTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    g_Drawn.clear();
    g_StoreOutlets.DrawButton = RecordDraw;
  }
  // A button whose icons are a marker, to see which ones were taken again.
  ButtonInfo* Marked(ButtonInfo* b) {
    for (HICON& i : b->Icon) i = MarkerIcon();
    marker_.push_back(b->Icon[0]);
    return b;
  }
  bool StillMarked(const ButtonInfo* b) const {
    for (HICON m : marker_)
      if (b->Icon[0] == m) return true;
    return false;
  }
  std::vector<HICON> marker_;
};

TEST_F(RecycleBinTest, EveryBinButtonTakesItsIconAgainAndTheShownOnesAreRedrawn) {
  MakePages(2);
  ButtonInfo* plain = Marked(Add(0, "plain", 0, 0));
  ButtonInfo* bin = Marked(Add(0, "bin", 1, 0, IT_RECYCLEBIN));
  ButtonInfo* pressedBin = Marked(Add(0, "pressed bin", 2, 0, IT_RECYCLEBIN));
  ButtonInfo* elsewhere = Marked(Add(1, "bin on page 2", 0, 0, IT_RECYCLEBIN));
  ButtonInfo* menu = Add(0, "menu", 3, 0, IT_CHILDMENU);
  ASSERT_NE(nullptr, menu);
  ButtonInfo* inMenu = Marked(Add(LIST_SUBMENU | menu->SubMenuIdx, "bin in a child menu", 0, 0, IT_RECYCLEBIN));
  ASSERT_NE(nullptr, inMenu);
  RebuildButtonGrid(0);
  S().HoverCell = 1;
  S().PressedCell = 2;

  RefreshRecycleBinIcons();
  for (ButtonInfo* b : {bin, pressedBin, elsewhere, inMenu}) {
    EXPECT_FALSE(StillMarked(b)) << "not taken again";
    EXPECT_NE(nullptr, b->Icon[0]);
  }
  EXPECT_TRUE(StillMarked(plain));
  // Only those of the page shown, each in the state it is in.
  std::vector<std::pair<int, int>> want = {{1, 1}, {2, 2}};
  EXPECT_EQ(want, g_Drawn);
}

class WindowOfOurOwn {
 public:
  WindowOfOurOwn() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VnTestNoticeWindow";
    RegisterClassW(&wc);
    Window = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, wc.hInstance, nullptr);
  }
  ~WindowOfOurOwn() { DestroyWindow(Window); }
  // Pumps up to ms; the WMA_RECYCLEBIN messages seen.
  int Notices(DWORD ms) {
    DWORD start = GetTickCount();
    do {
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
      Sleep(10);
    } while (GetTickCount() - start < ms);
    return s_notices;
  }
  HWND Window;
  static int s_notices;

 private:
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WMA_RECYCLEBIN) {
      s_notices++;
      LONG event = 0;
      PIDLIST_ABSOLUTE* lists = nullptr;
      if (HANDLE lock = SHChangeNotification_Lock((HANDLE)wp, (DWORD)lp, &lists, &event)) {
        if (event != SHCNE_UPDATEIMAGE) s_notices += 100;
        SHChangeNotification_Unlock(lock);
      }
      return 0;
    }
    return DefWindowProcW(w, m, wp, lp);
  }
};
int WindowOfOurOwn::s_notices;

TEST(RecycleBinWatch, ImageChangesOfTheBinArriveUntilTheWatchEnds) {
  WindowOfOurOwn own;
  WindowOfOurOwn::s_notices = 0;
  ULONG id = WatchRecycleBin(own.Window);
  ASSERT_NE(0u, id);
  EXPECT_EQ(id, g_App.Ticker.RecycleBinWatch);
  LPITEMIDLIST bin = nullptr;
  ASSERT_EQ(S_OK, SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &bin));
  SHChangeNotify(SHCNE_UPDATEIMAGE, SHCNF_IDLIST, bin, nullptr);
  EXPECT_EQ(1, own.Notices(500));
  UnwatchRecycleBin();
  EXPECT_EQ(0u, g_App.Ticker.RecycleBinWatch);
  SHChangeNotify(SHCNE_UPDATEIMAGE, SHCNF_IDLIST, bin, nullptr);
  EXPECT_EQ(1, own.Notices(300));
  UnwatchRecycleBin();  // nothing left to end
  CoTaskMemFree(bin);
}

// --- on a launcher window: the drag end and the release guard --------------------------------

class TickerWindowTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    savedTicker_ = g_TickerOutlets;
    ASSERT_TRUE(EnsureLauncherClasses());
    ASSERT_NE(nullptr, CreateMainWindow(GetModuleHandleW(nullptr)));
    ShowWindow(g_App.MainWnd, SW_SHOWNA);
    BindInputOutlets();
  }
  void TearDown() override {
    StopTicker();
    if (g_App.MainWnd) DestroyWindow(g_App.MainWnd);
    Pump();
    g_TickerOutlets = savedTicker_;
    InputTest::TearDown();
  }
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      if (msg.message != WM_QUIT) DispatchMessageW(&msg);
  }
  TickerOutlets savedTicker_;
};

TEST_F(TickerWindowTest, DragsWhoseReleaseWasLostEndHalfASecondLater) {
  InputState& in = g_App.Input;
  // Parked at a standby position: auto-hide is off, the drag end still runs.
  g_App.Wnd.Flags |= WSF_STANDBY;
  g_App.Ticker.AutoHide = AutoHideState{};
  in.RearrangeDrag = 1;
  in.Press = PRESS_LEFT;
  in.PressCell = 0;
  in.TabPressed = 1;
  in.TabDrag = 1;
  g_App.Store.DragPage = 1;
  g_App.Layout.DragActive = 1;
  for (int tick = 0; tick < 4; ++tick) AutoHideCheck();
  EXPECT_EQ(1, in.RearrangeDrag) << "not before five ticks without buttons";
  AutoHideCheck();
  EXPECT_EQ(0, in.RearrangeDrag);
  EXPECT_EQ(0u, in.Press & PRESS_KINDS);
  EXPECT_EQ(0, in.TabDrag);
  EXPECT_EQ(-1, in.TabPressed);
  EXPECT_EQ(-1, g_App.Store.DragPage);
  EXPECT_EQ(0, g_App.Layout.DragActive);
}

TEST_F(TickerWindowTest, TheWheelWorksAgainThreeTicksAfterAMiddleClick) {
  g_App.UiStateFlags |= UIS_BUSY;  // no auto-hide while the ticker runs here
  SendMessageW(g_App.MainWnd, WM_MBUTTONUP, 0, 0);
  ASSERT_TRUE(g_App.Input.Gesture & GS_SKIP_WHEEL);
  EXPECT_EQ(3, g_App.Ticker.ReleaseGuard);
  ASSERT_EQ(1, StartTicker());
  DWORD start = GetTickCount();
  while ((g_App.Input.Gesture & GS_SKIP_WHEEL) && GetTickCount() - start < 2000) {
    Pump();
    Sleep(10);
  }
  DWORD took = GetTickCount() - start;
  EXPECT_FALSE(g_App.Input.Gesture & GS_SKIP_WHEEL);
  EXPECT_GE(took, 250u);
  EXPECT_EQ(0, g_App.Ticker.ReleaseGuard);
}

TEST_F(TickerWindowTest, TheShellsNoticeRedrawsTheBinButtons) {
  MakePages(1);
  Add(0, "bin", 2, 0, IT_RECYCLEBIN);
  RebuildButtonGrid(0);
  g_Drawn.clear();
  g_StoreOutlets.DrawButton = RecordDraw;
  // What the shell posts cannot always be locked (here: nothing to lock);
  // the bin changed all the same.
  SendMessageW(g_App.MainWnd, WMA_RECYCLEBIN, 0, 0);
  std::vector<std::pair<int, int>> want = {{2, 0}};
  EXPECT_EQ(want, g_Drawn);
}

int g_CloseCalls;
int CloseSecondTime(int level, int) {
  EXPECT_EQ(0, level);
  return ++g_CloseCalls >= 2;
}

TEST_F(TickerWindowTest, TheTickerClosesSubMenusTheUserLeft) {
  g_App.UiStateFlags |= UIS_BUSY;
  g_CloseCalls = 0;
  g_InputOutlets.CloseSubMenus = CloseSecondTime;
  POINT pt;
  GetCursorPos(&pt);
  HWND menu = CreateWindowExW(WS_EX_TOOLWINDOW, kSubMenuWndClass, L"", WS_POPUP, pt.x > 500 ? 10 : 700, 10, 50, 50,
                              g_App.MainWnd, nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(menu, SW_SHOWNA);
  g_App.Wnd.Flags |= WSF_SUBMENU_OPEN;
  ASSERT_EQ(1, StartTicker());
  DWORD start = GetTickCount();
  while (g_CloseCalls < 2 && GetTickCount() - start < 2000) {
    Pump();
    Sleep(10);
  }
  StopTicker();
  // Refused once: asked again until the sub-menus closed.
  EXPECT_GE(g_CloseCalls, 2);
  g_App.Wnd.Flags &= ~WSF_SUBMENU_OPEN;
  DestroyWindow(menu);
}

}  // namespace
