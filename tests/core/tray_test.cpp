#include "core/tray.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <vector>

#include "core/mainwnd.h"
#include "core/hookbind.h"
#include "state.h"
#include "core/ticker.h"
#include "resources/resource.h"
#include "core_child.h"
#include "support/test_support.h"

namespace {

TEST(TrayIcon, StatePictureAndFrames) {
  struct Case {
    int KeepAwake, Restricted, HooksOn, Want;
  } cases[] = {
      {0, 0, 1, 0}, {0, 0, 0, 1}, {0, 1, 1, 1}, {1, 1, 0, 2}, {1, 0, 1, 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Want, TrayStateIconIndex(c.KeepAwake, c.Restricted, c.HooksOn)) << (&c - cases);

  // Frames run 3, 4, ... and wrap to 3 at the set's size.
  int frame = kFirstTrayFrame;
  for (int i = 4; i < 11; ++i) EXPECT_EQ(i, frame = NextTrayFrame(frame, 11));
  EXPECT_EQ(3, NextTrayFrame(frame, 11));
  EXPECT_EQ(4, NextTrayFrame(3, 5));
  EXPECT_EQ(3, NextTrayFrame(4, 5));
  EXPECT_EQ(3, NextTrayFrame(-1, 11));

  const int builtin[kBuiltinTrayIcons] = {101, 102, 103, 101, 101, 104, 104, 105, 105, 106, 106};
  for (int i = 0; i < kBuiltinTrayIcons; ++i) EXPECT_EQ(builtin[i], BuiltinTrayIconResource(i)) << i;
  EXPECT_EQ(0, IconFileCountUsable(4));
  EXPECT_EQ(1, IconFileCountUsable(5));
}

TEST(TrayIcon, ToolTipMouseMessagesArriveInLauncherCoordinates) {
  const POINT tip = {300, 200}, owner = {100, 50};
  struct Case {
    UINT Message;
    POINT Pt;
    UINT Want;
    POINT At;
  } cases[] = {
      {WM_LBUTTONDOWN, {5, 6}, WM_LBUTTONDOWN, {205, 156}},
      {WM_MBUTTONDBLCLK, {0, 0}, WM_MBUTTONDBLCLK, {200, 150}},
      // Non-client messages carry screen coordinates and become client ones.
      {WM_NCLBUTTONDOWN, {310, 210}, WM_LBUTTONDOWN, {210, 160}},
      {WM_NCRBUTTONUP, {90, 40}, WM_RBUTTONUP, {-10, -10}},
      {WM_NCMBUTTONDBLCLK, {100, 50}, WM_MBUTTONDBLCLK, {0, 0}},
      {WM_MOUSEMOVE, {1, 1}, 0, {0, 0}},
      {WM_NCMOUSEMOVE, {1, 1}, 0, {0, 0}},
      {WM_XBUTTONDOWN, {1, 1}, 0, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    POINT at = {-99, -99};
    EXPECT_EQ(c.Want, MapToolTipMouseMessage(c.Message, c.Pt, tip, owner, &at));
    if (c.Want) {
      EXPECT_EQ(c.At.x, at.x);
      EXPECT_EQ(c.At.y, at.y);
    }
  }
}

// The launcher window of this process with its tooltip and icon set.
class TrayWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_App;
    ASSERT_TRUE(EnsureLauncherClasses());
    g_App.RunState = 0;
    g_App.Settings = SettingsState{};
    g_App.Settings.DispOption = DISP_TRAY_ICON;
    g_App.Tray = TrayState{};
    window_ = CreateMainWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(nullptr, window_);
  }
  void TearDown() override {
    FreeTrayIcons();
    if (g_App.Tray.ToolTip) DestroyWindow(g_App.Tray.ToolTip);
    if (IsWindow(window_)) DestroyWindow(window_);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    g_App = saved_;
  }
  AppState saved_;
  HWND window_ = nullptr;
};

TEST_F(TrayWindowTest, FilesThatCannotDeliverFallBackToTheBuiltInSet) {
  // No file, a file that is not there, a file with too few icons: the
  // eleven built-in ones, and the window's small icon is the first.
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File(L"few.dll"), "MZ not really"));
  const wchar_t* files[] = {L"", L"missing.ico", L"few.dll"};
  for (int f = 0; f < 3; ++f) {
    const wchar_t* file = files[f];
    SCOPED_TRACE(testing::Message() << "file " << f);
    std::wstring path = file[0] ? dir.File(file) : L"";
    ASSERT_EQ(1, LoadTrayIcons(path.c_str()));
    EXPECT_EQ(kBuiltinTrayIcons, g_App.Tray.Count);
    for (int i = 0; i < kBuiltinTrayIcons; ++i) EXPECT_NE(nullptr, g_App.Tray.Icons[i]) << i;
    EXPECT_EQ((LONG_PTR)g_App.Tray.Icons[0], (LONG_PTR)GetClassLongPtrW(window_, GCLP_HICONSM));
  }
}

TEST_F(TrayWindowTest, AnimationStepsAndFailuresAskTheTickerToRetry) {
  ASSERT_EQ(1, LoadTrayIcons(nullptr));
  SetTrayIconState(TRAY_ANIMATE);
  EXPECT_EQ(3, g_App.Tray.Frame);
  EXPECT_TRUE(IsTrayAnimating());
  // One frame per tick, wrapping to the first frame.
  for (int want : {4, 5, 6, 7, 8, 9, 10, 3, 4}) {
    AdvanceTrayAnimation();
    EXPECT_EQ(want, g_App.Tray.Frame);
  }
  // The icon was never added: every modify fails and asks for the retry.
  g_App.Ticker.Tick = 0;
  SetTrayIconState(TRAY_NEXT);
  EXPECT_EQ(kTickRetrySoon, g_App.Ticker.Tick);
  g_App.Ticker.Tick = 0;
  SetTrayIconState(TRAY_STOP);
  EXPECT_EQ(-1, g_App.Tray.Frame);
  EXPECT_EQ(kTickRetrySoon, g_App.Ticker.Tick);
  EXPECT_FALSE(IsTrayAnimating());
  AdvanceTrayAnimation();
  EXPECT_EQ(-1, g_App.Tray.Frame);

  // One-shot mode and a hidden tray icon leave everything alone.
  g_App.RunState = RS_N_MODE;
  EXPECT_EQ(0, SetTrayIconState(TRAY_ANIMATE));
  EXPECT_EQ(-1, g_App.Tray.Frame);
  g_App.RunState = 0;
  g_App.Settings.DispOption = 0;
  EXPECT_EQ(0, SetTrayIconState(TRAY_ANIMATE));
  EXPECT_EQ(-1, g_App.Tray.Frame);
}

TEST_F(TrayWindowTest, NoBalloonBeforeTheIconIsAdded) {
  ASSERT_EQ(1, LoadTrayIcons(nullptr));
  EXPECT_EQ(0, ShowBalloonTip(L"Vantrel", L"text", 1000));
  EXPECT_EQ(0, g_App.RunState & RS_TRAY_ADDED);
}

TEST_F(TrayWindowTest, ToolTipClicksReachTheLauncherWhereTheyHappened) {
  g_App.Settings.TipsDelay = 500;
  ASSERT_EQ(1, CreateToolTip());
  HWND tip = g_App.Tray.ToolTip;
  ASSERT_NE(nullptr, tip);
  EXPECT_TRUE(GetWindowLongW(tip, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(window_, GetWindow(tip, GW_OWNER));
  EXPECT_EQ(500, (int)SendMessageW(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
  EXPECT_EQ(-1, (int)SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0));

  MoveWindow(window_, 100, 100, 300, 200, FALSE);
  SetWindowPos(tip, nullptr, 150, 160, 80, 30, SWP_NOZORDER | SWP_NOACTIVATE);
  POINT ownerOrigin = {0, 0}, tipOrigin = {0, 0};
  ClientToScreen(window_, &ownerOrigin);
  ClientToScreen(tip, &tipOrigin);

  struct Case {
    UINT Message;
    WPARAM WParam;
    POINT Pt;  // client of the tooltip, or screen for non-client messages
    UINT Want;
    POINT WantAt;
  } cases[] = {
      {WM_LBUTTONDOWN, MK_LBUTTON, {4, 5}, WM_LBUTTONDOWN,
       {tipOrigin.x + 4 - ownerOrigin.x, tipOrigin.y + 5 - ownerOrigin.y}},
      {WM_NCRBUTTONDOWN, HTNOWHERE, {170, 175}, WM_RBUTTONDOWN, {170 - ownerOrigin.x, 175 - ownerOrigin.y}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    SendMessageW(tip, c.Message, c.WParam, MAKELPARAM(c.Pt.x, c.Pt.y));
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, window_, c.Want, c.Want, PM_REMOVE));
    EXPECT_EQ(c.WantAt.x, (short)LOWORD(msg.lParam));
    EXPECT_EQ(c.WantAt.y, (short)HIWORD(msg.lParam));
    if (c.Message == c.Want) {
      EXPECT_EQ(c.WParam, msg.wParam);
    }
  }
  DestroyWindow(tip);
  EXPECT_EQ(nullptr, g_App.Tray.ToolTip);
}

// The tray row maps the double click to an action; the action is recorded.
std::vector<UINT> g_TrayDispatched;
int DispatchOnlyDoubleClick(UINT m) {
  if (m != WM_LBUTTONDBLCLK) return 0;
  g_TrayDispatched.push_back(m);
  return 1;
}
int TrayDoubleClickMapped() { return 1; }

// Pumps the window's messages for ms; whether it became visible.
bool ShowsWithin(HWND w, DWORD ms) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (IsWindowVisible(w)) return true;
    Sleep(10);
  }
  return IsWindowVisible(w) != FALSE;
}

// A single click waits out the double-click time, then shows the launcher;
// a double click runs its action and shows nothing.
TEST_F(TrayWindowTest, ADoubleClickRunsItsActionAndDoesNotShowTheLauncher) {
  TrayOutlets saved = g_TrayOutlets;
  g_TrayOutlets = TrayOutlets{};
  g_TrayOutlets.DispatchTrayClick = DispatchOnlyDoubleClick;
  g_TrayOutlets.HasTrayDoubleClick = TrayDoubleClickMapped;
  g_TrayDispatched.clear();
  const DWORD wait = GetDoubleClickTime() + 300;
  for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
    SendMessageW(window_, WMA_TRAY, kTrayIconId, m);
  EXPECT_EQ(std::vector<UINT>{WM_LBUTTONDBLCLK}, g_TrayDispatched);
  EXPECT_FALSE(ShowsWithin(window_, wait)) << "the single click showed it after the double click";

  for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP}) SendMessageW(window_, WMA_TRAY, kTrayIconId, m);
  EXPECT_FALSE(IsWindowVisible(window_));  // waits for a second click first
  EXPECT_TRUE(ShowsWithin(window_, wait));
  g_TrayOutlets = saved;
}

}  // namespace
