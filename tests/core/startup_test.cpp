#include "core/startup.h"

#include <gtest/gtest.h>

#include <string>

#include "core/mainwnd.h"
#include "core/showhide.h"
#include "state.h"
#include "store/lists.h"
#include "core_child.h"
#include "support/test_support.h"

namespace {

// Switches applied to a launcher window of this process.
class StartOptionsTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_App;
    ASSERT_TRUE(EnsureLauncherClasses());
    BindOptionalFunctions();
    g_App.RunState = 0;
    g_App.OpenDialogCount = 0;
    g_App.Wnd = MainWindowState{};
    g_App.Settings = SettingsState{};
    for (ViewModeDesign& d : g_App.Design.ViewMode) d.ButtonNumX = d.ButtonNumY = 4;
    ClearItemStore();
    for (const wchar_t* name : {L"P1", L"P2", L"P3"}) ASSERT_GE(AddPage(name), 0);
    window_ = CreateMainWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(nullptr, window_);
    MoveWindow(window_, 10, 20, 1, 1, FALSE);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    ClearItemStore();
    g_App = saved_;
  }
  void Apply(const wchar_t* cmdline) { ApplyStartOptions(cmdline, SO_APPLY, window_); }
  POINT Pos() {
    RECT r;
    GetWindowRect(window_, &r);
    return {r.left, r.top};
  }

  AppState saved_;
  HWND window_ = nullptr;
};

TEST_F(StartOptionsTest, PageAloneSelectsWithoutShowing) {
  Apply(L"/p2");
  EXPECT_EQ(1, g_App.Store.CurrentPage);
  EXPECT_EQ(1, g_App.Settings.LastPage);
  EXPECT_FALSE(IsWindowVisible(window_));
  // No pending save before the launcher was shown once.
  EXPECT_EQ(0, g_App.Settings.PendingSave);
}

TEST_F(StartOptionsTest, PagesOutOfRangeSelectNothing) {
  const wchar_t* cases[] = {L"/p0", L"/p-2", L"/p4", L"/p99999999999"};
  for (const wchar_t* const& c : cases) {
    Apply(c);
    EXPECT_EQ(0, g_App.Store.CurrentPage) << "case " << (&c - cases);
  }
}

TEST_F(StartOptionsTest, PointWithoutColonNeitherMovesNorShows) {
  Apply(L"/s100");
  EXPECT_FALSE(IsWindowVisible(window_));
  EXPECT_EQ(10, Pos().x);
  Apply(L"/s100:200");
  EXPECT_TRUE(IsWindowVisible(window_));
  EXPECT_EQ(100, Pos().x);
  EXPECT_EQ(200, Pos().y);
}

TEST_F(StartOptionsTest, PinShowsAndPins) {
  Apply(L"/l");
  EXPECT_TRUE(g_App.Settings.Status & STATUS_PINNED);
  EXPECT_TRUE(IsWindowVisible(window_));
}

TEST_F(StartOptionsTest, HookModes) {
  struct Case {
    const wchar_t* Cmdline;
    LONG Bits;  // of RS_N_MODE | RS_VNADMIN_MODE | RS_NOHOOKS_SWITCH
    bool Shown;
  } cases[] = {
      {L"/n", RS_N_MODE, true},
      {L"/n5", RS_N_MODE, true},
      {L"/nh", RS_NOHOOKS_SWITCH, false},
      {L"/nh /n", RS_N_MODE | RS_NOHOOKS_SWITCH, true},
      {L"/vnadmin /n", RS_VNADMIN_MODE, false},
      {L"/N", RS_N_MODE, true},
  };
  for (const Case& c : cases) {
    g_App.RunState = 0;
    ShowWindow(window_, SW_HIDE);
    Apply(c.Cmdline);
    EXPECT_EQ(c.Bits, g_App.RunState & (RS_N_MODE | RS_VNADMIN_MODE | RS_NOHOOKS_SWITCH)) << "case " << (&c - cases);
    EXPECT_EQ(c.Shown, IsWindowVisible(window_) != FALSE) << "case " << (&c - cases);
  }
}

TEST_F(StartOptionsTest, ButtonGridOfTheCurrentViewMode) {
  Apply(L"/b7:3");
  EXPECT_EQ(7, g_App.Design.ViewMode[0].ButtonNumX);
  EXPECT_EQ(3, g_App.Design.ViewMode[0].ButtonNumY);
  EXPECT_EQ(4, g_App.Design.ViewMode[1].ButtonNumX);
  g_App.Settings.Status = STATUS_VIEWMODE2;
  Apply(L"/b2:9");
  EXPECT_EQ(2, g_App.Design.ViewMode[1].ButtonNumX);
  EXPECT_EQ(9, g_App.Design.ViewMode[1].ButtonNumY);
  for (const wchar_t* c : {L"/b0:5", L"/b101:5", L"/b7", L"/b5:0"}) Apply(c);
  EXPECT_EQ(7, g_App.Design.ViewMode[0].ButtonNumX);
  EXPECT_EQ(2, g_App.Design.ViewMode[1].ButtonNumX);
}

TEST_F(StartOptionsTest, StandbyPositionParksAtStart) {
  g_App.Settings.StandbyPosition = 5;
  g_App.Settings.StandbyPosX = 300;
  g_App.Settings.StandbyPosY = 40;
  Apply(L"");
  EXPECT_TRUE(IsWindowVisible(window_));
  EXPECT_TRUE(g_App.Wnd.Flags & WSF_STANDBY);
  EXPECT_EQ(300, Pos().x);
  EXPECT_EQ(40, Pos().y);
  // A show switch with a standby position still shows it there, unparked.
  Apply(L"/s50:60");
  EXPECT_EQ(50, Pos().x);
  EXPECT_FALSE(g_App.Wnd.Flags & WSF_STANDBY);
}

TEST(ApplyStartOptions, AskAndDelay) {
  EXPECT_EQ(1, ApplyStartOptions(L"/r", SO_ASK_REBUILD, nullptr));
  EXPECT_EQ(0, ApplyStartOptions(L"/ra", SO_ASK_REBUILD, nullptr));
  // The performance counter: GetTickCount's coarse steps can read 285 ms
  // for a 300 ms wait.
  LARGE_INTEGER freq, t0, t1;
  QueryPerformanceFrequency(&freq);
  auto elapsedMs = [&] {
    QueryPerformanceCounter(&t1);
    return (t1.QuadPart - t0.QuadPart) * 1000 / freq.QuadPart;
  };
  QueryPerformanceCounter(&t0);
  EXPECT_EQ(0, ApplyStartOptions(L"/d300", SO_DELAY, nullptr));
  EXPECT_GE(elapsedMs(), 290);
  QueryPerformanceCounter(&t0);
  ApplyStartOptions(L"/d-5000", SO_DELAY, nullptr);
  EXPECT_LT(elapsedMs(), 100);
}

}  // namespace
