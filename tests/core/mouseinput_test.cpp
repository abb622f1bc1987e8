#include "core/mouseinput.h"

#include <gtest/gtest.h>
#include <ole2.h>

#include "core/ticker.h"
#include "input_fixture.h"

namespace {

const UINT S = MOD_SHIFT_BIT, C = MOD_CTRL_BIT, A = MOD_ALT_BIT, W = MOD_WIN_BIT;
const UINT L = MB_LEFT_BIT, R = MB_RIGHT_BIT, M = MB_MIDDLE_BIT;

WPARAM Wheel(short delta) { return (WPARAM)(DWORD)MAKELONG(0, delta); }

TEST(ComputeClickCode, Table) {
  struct Case {
    UINT Message;
    WPARAM WParam;
    UINT Mods, Buttons;
    int OverButton, Want;
  } cases[] = {
      {WM_LBUTTONDBLCLK, 0, 0, 0, 0, 0},
      {WM_LBUTTONDBLCLK, 0, 0, 0, 1, -1},          // on a button press-and-hold is code 0
      {kSubMenuDoubleClick, 0, 0, 0, 1, 0},
      {WM_MBUTTONUP, 0, 0, 0, 0, 1},
      {WM_MBUTTONUP, 0, S | C, 0, 0, 1},           // two modifiers are no single one
      {WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON1), 0, 0, 0, 2},
      {WM_XBUTTONDOWN, MAKEWPARAM(0, XBUTTON2), 0, 0, 0, 3},
      {WM_MOUSEWHEEL, Wheel(120), 0, 0, 0, 4},
      {WM_MOUSEWHEEL, Wheel(-120), 0, 0, 0, 5},
      {WM_MOUSEWHEEL, Wheel(120), 0, R, 0, 6},
      {WM_MOUSEWHEEL, Wheel(-240), 0, R | M, 0, 7},  // right before middle
      {WM_MOUSEWHEEL, Wheel(120), 0, M, 0, 8},
      {WM_MOUSEWHEEL, Wheel(-120), S, M, 0, 9},
      {WM_MOUSEWHEEL, Wheel(0), 0, 0, 0, -1},
      {WM_MOUSEHWHEEL, 0xFF880000u, 0, 0, 0, 10},
      {WM_MOUSEHWHEEL, 0x00780000u, 0, 0, 0, 11},
      {WM_MOUSEHWHEEL, 0x00F00000u, 0, 0, 0, -1},   // delta 240
      {WM_MOUSEHWHEEL, 0x00780004u, 0, 0, 0, -1},   // with a key held
      {WM_LBUTTONUP, 0, 0, R, 1, 12},
      {WM_LBUTTONUP, 0, S, R, 1, 12},               // other button before modifiers
      {WM_LBUTTONUP, 0, S, 0, 1, 13},
      {WM_LBUTTONUP, 0, C, 0, 1, 14},
      {WM_LBUTTONUP, 0, A, 0, 1, 15},
      {WM_LBUTTONUP, 0, S | C, 0, 1, -1},
      {WM_LBUTTONUP, 0, S | W, 0, 1, -1},           // the Windows key counts
      {WM_LBUTTONUP, 0, 0, 0, 1, -1},               // plain release
      {WM_RBUTTONUP, 0, 0, L, 0, 16},
      {WM_RBUTTONUP, 0, S, 0, 0, 17},
      {WM_RBUTTONUP, 0, C, 0, 0, 18},
      {WM_RBUTTONUP, 0, A, 0, 0, 19},
      {WM_RBUTTONUP, 0, 0, 0, 0, -1},
      {WM_MBUTTONUP, 0, 0, L, 0, 20},
      {WM_MBUTTONUP, 0, 0, R, 0, 21},
      {WM_MBUTTONUP, 0, 0, L | R, 0, 20},
      {WM_MBUTTONUP, 0, S, 0, 0, 22},
      {WM_MBUTTONUP, 0, C, 0, 0, 23},
      {WM_MBUTTONUP, 0, A, 0, 0, 24},
      {WM_LBUTTONDOWN, 0, 0, 0, 0, -1},
      {WM_RBUTTONDOWN, 0, S, 0, 0, -1},
      {WM_MOUSEMOVE, 0, 0, 0, 0, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Want, ComputeClickCode(c.Message, c.WParam, c.Mods, c.Buttons, c.OverButton))
        << "case " << (&c - cases);
}

TEST(DragStart, DistanceAndKind) {
  EXPECT_FALSE(IsDragDistance({100, 100}, {119, 81}));
  EXPECT_TRUE(IsDragDistance({100, 100}, {120, 100}));
  EXPECT_TRUE(IsDragDistance({100, 100}, {100, 80}));
  const UINT opt = (S << 16) | 0;  // rearrange plain, drag out with Shift
  EXPECT_EQ(1, ClassifyDragStart(0, 1, 1, 0, opt));
  EXPECT_EQ(1, ClassifyDragStart(0, 1, 1, C, opt));  // Ctrl copies
  EXPECT_EQ(2, ClassifyDragStart(0, 1, 1, S, opt));
  EXPECT_EQ(2, ClassifyDragStart(1, 1, 1, 0, opt));  // right press drags out
  EXPECT_EQ(0, ClassifyDragStart(1, 1, 0, 0, opt));
  EXPECT_EQ(0, ClassifyDragStart(0, 0, 0, 0, opt));  // empty cell
  EXPECT_EQ(0, ClassifyDragStart(0, 1, 1, A, opt));
}

TEST(DecideDropEffect, RefusalIsNone) {
  EXPECT_EQ((DWORD)DROPEFFECT_NONE, DecideDropEffect(0, DROPEFFECT_COPY | DROPEFFECT_MOVE));
  EXPECT_EQ((DWORD)DROPEFFECT_COPY, DecideDropEffect(1, DROPEFFECT_COPY));
}

class ClickTest : public InputTest {};

TEST_F(ClickTest, TableRowsRunTheirCommands) {
  MakePages(3);
  S().CurrentPage = 1;
  g_App.Settings.Mouse.Caption[4] = LC_PREV_PAGE + 1;
  g_App.Settings.Mouse.Caption[5] = LC_NEXT_PAGE + 1;
  g_App.Settings.Mouse.TrayIcon[1] = LC_LAST_PAGE + 1;
  EXPECT_EQ(1, DispatchClickAction(CA_CAPTION, 5, -1, CF_MOUSE));
  EXPECT_EQ(2, S().CurrentPage);
  EXPECT_EQ(1, DispatchClickAction(CA_CAPTION, 4, -1, CF_MOUSE));
  EXPECT_EQ(1, S().CurrentPage);
  EXPECT_EQ(0, DispatchClickAction(CA_BUTTON, 5, -1, CF_MOUSE));  // no action in that row
  EXPECT_EQ(0, DispatchClickAction(CA_CAPTION, -1, -1, CF_MOUSE));
  EXPECT_EQ(0, DispatchClickAction(CA_CAPTION, 25, -1, CF_MOUSE));
  EXPECT_EQ(1, DispatchClickAction(CA_TRAY, 1, -1, CF_MOUSE));
  EXPECT_EQ(2, S().CurrentPage);
  // Last page on the last page runs as first page, and the other way.
  EXPECT_EQ(1, DispatchClickAction(CA_TRAY, 1, -1, CF_MOUSE));
  EXPECT_EQ(0, S().CurrentPage);
  g_App.Settings.Mouse.TrayIcon[2] = LC_FIRST_PAGE + 1;
  EXPECT_EQ(1, DispatchClickAction(CA_TRAY, 2, -1, CF_MOUSE));
  EXPECT_EQ(2, S().CurrentPage);
}

TEST_F(ClickTest, WheelWithAButtonHeldSkipsThatButtonsRelease) {
  MakePages(2);
  g_App.Settings.Mouse.Button[6] = LC_NEXT_PAGE + 1;
  g_App.Settings.Mouse.Button[8] = LC_NEXT_PAGE + 1;
  g_App.Input.Gesture = 0;
  EXPECT_EQ(1, DispatchClickAction(CA_BUTTON, 6, -1, CF_MOUSE));
  EXPECT_EQ((UINT)GS_SKIP_RUP, g_App.Input.Gesture);
  EXPECT_EQ(1, DispatchClickAction(CA_BUTTON, 8, -1, CF_MOUSE));
  EXPECT_EQ((UINT)(GS_SKIP_RUP | GS_SKIP_MUP), g_App.Input.Gesture);
}

TEST_F(ClickTest, ButtonsOfTheirOwnAndRepeatableCodes) {
  MakePages(1);
  ButtonInfo* plugin = Add(0, "plug", 0, 0, 5);
  ButtonInfo* power = Add(0, "power", 1, 0, 0x1000);
  ButtonInfo* plain = Add(0, "plain", 2, 0, 1);
  ASSERT_TRUE(plugin && power && plain);
  g_App.Settings.ForceShutdown = 3 + 1;
  g_App.Settings.Mouse.Button[0] = LC_LAUNCH + 1;
  g_App.Settings.Mouse.Button[3] = LC_LAUNCH + 1;
  // A plug-in item's code 0 launches it unattended.
  EXPECT_EQ(1, DispatchClickAction(CA_BUTTON, 0, 0, CF_MOUSE));
  EXPECT_EQ("plug 1", g_InputLog.Launches.back());
  // The direct-run code runs a power item itself.
  EXPECT_EQ(1, DispatchClickAction(CA_BUTTON, 3, 1, CF_MOUSE));
  EXPECT_EQ("power 1", g_InputLog.Launches.back());
  // X button 2 on a plain button: repeatable, so no pressed cell is needed.
  S().HoverCell = 2;
  S().PressedCell = -1;
  EXPECT_EQ(1, DispatchClickAction(CA_BUTTON, 3, 2, CF_MOUSE));
  EXPECT_EQ("plain 184", g_InputLog.Launches.back());
  // Code 0 is not repeatable: the cell must be the pressed one.
  EXPECT_EQ(0, DispatchClickAction(CA_BUTTON, 0, 2, CF_MOUSE));
  // During a rearrange drag only page moves run.
  g_App.Input.RearrangeDrag = 1;
  EXPECT_EQ(0, DispatchClickAction(CA_BUTTON, 3, 2, CF_MOUSE));
}

TEST_F(ClickTest, PressReleaseAndHold) {
  MakePages(2);
  ButtonInfo* a = Add(0, "a", 0, 0);
  Add(0, "b", 1, 0);
  ASSERT_NE(nullptr, a);
  // Pressing one cell and releasing over its neighbour still launches the
  // pressed button.
  StartPress(0, PRESS_LEFT);
  EXPECT_EQ(0, S().PressedCell);
  ReleasePress(1);
  ASSERT_EQ(1u, g_InputLog.Launches.size());
  EXPECT_EQ("a 80", g_InputLog.Launches[0]);
  EXPECT_EQ(-1, S().PressedCell);
  // A right press never launches on release.
  StartPress(0, PRESS_RIGHT);
  ReleasePress(0);
  EXPECT_EQ(1u, g_InputLog.Launches.size());
  // A cancelled press launches nothing.
  StartPress(0, PRESS_LEFT);
  CancelPress();
  ReleasePress(0);
  EXPECT_EQ(1u, g_InputLog.Launches.size());
  // Holding runs code 0 of the button row for the cell and ends the press.
  g_App.Settings.Mouse.Button[0] = LC_LAUNCH + 1;
  StartPress(0, PRESS_LEFT);
  OnPressHoldTimer();
  ASSERT_EQ(2u, g_InputLog.Launches.size());
  EXPECT_EQ("a 84", g_InputLog.Launches[1]);
  ReleasePress(0);
  EXPECT_EQ(2u, g_InputLog.Launches.size());
  // A key press launches with launch flags 0.
  StartPress(0, PRESS_KEY);
  ReleasePress(0);
  EXPECT_EQ("a 0", g_InputLog.Launches.back());
}

// The hold timer of a left press on a button: a missing hold time (0) must
// not make every click a press-and-hold.
TEST_F(ClickTest, HoldTimerWaitsTheHoldTime) {
  struct Case {
    int HoldMs;
    bool FiresWithin150Ms;
  } cases[] = {{0, false}, {-3, false}, {30, true}, {1000, false}};
  MakePages(1);
  Add(0, "a", 0, 0);
  HWND w = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, w);
  HWND savedWnd = g_App.MainWnd;
  g_App.MainWnd = w;
  for (const Case& c : cases) {
    g_App.Settings.PressHoldB = c.HoldMs;
    StartPress(0, PRESS_LEFT);
    bool fired = false;
    DWORD start = GetTickCount();
    MSG m;
    while (!fired && GetTickCount() - start < 150) {
      if (PeekMessageW(&m, w, WM_TIMER, WM_TIMER, PM_REMOVE)) fired = m.wParam == TIMER_PRESSHOLD;
      else Sleep(5);
    }
    EXPECT_EQ(c.FiresWithin150Ms, fired) << c.HoldMs;
    CancelPress();
  }
  g_App.MainWnd = savedWnd;
  DestroyWindow(w);
}

TEST_F(ClickTest, ReleaseOnAnotherPageLaunchesOnlyOnThePressedCell) {
  MakePages(2);
  Add(0, "a", 0, 0);
  Add(1, "b", 1, 0);
  StartPress(0, PRESS_LEFT);
  SelectPage(1, 1);
  ReleasePress(1);  // another cell of another page
  EXPECT_TRUE(g_InputLog.Launches.empty());
  SelectPage(0, 1);
  StartPress(0, PRESS_LEFT);
  SelectPage(1, 1);
  ReleasePress(0);
  ASSERT_EQ(1u, g_InputLog.Launches.size());
  EXPECT_EQ("a 80", g_InputLog.Launches[0]);
}

TEST_F(ClickTest, ReleaseOfADeletedButtonLaunchesNothing) {
  MakePages(1);
  ButtonInfo* a = Add(0, "a", 0, 0);
  StartPress(0, PRESS_LEFT);
  ASSERT_EQ(1, DeleteButton(a, 0, 0, 0));
  ReleasePress(0);
  EXPECT_TRUE(g_InputLog.Launches.empty());
}

// A left press followed by a move: the cell under the cursor comes from
// here, the cursor itself stays where the press was (or the press point is
// put 50 pixels away, "far").
int g_CellUnderCursor = -1;
int FakeItemFromPoint(POINT*, int kind, int) { return kind == 2 ? g_CellUnderCursor : -1; }

class PressMoveTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    window_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window_);
    g_App.MainWnd = window_;
    g_InputOutlets.GetItemFromPoint = FakeItemFromPoint;
  }
  void TearDown() override {
    g_App.MainWnd = nullptr;
    DestroyWindow(window_);
    InputTest::TearDown();
  }
  HWND window_ = nullptr;
};

TEST_F(PressMoveTest, ASlipOntoTheNextCellKeepsThePressWhileADragIsPossible) {
  MakePages(1);
  ASSERT_NE(nullptr, Add(0, "a", 0, 0));               // cell 0, a program: may be dragged out
  ASSERT_NE(nullptr, Add(0, "b", 1, 0));               // cell 1
  ASSERT_NE(nullptr, Add(0, "pin", 3, 0, 0x4002));     // cell 3, a command: never dragged out
  const UINT kDefault = 0x10000000;  // rearrange with no key, drag out with a key no one has
  const UINT kAltRearranges = 0x4;   // rearrange with Alt, drag out with no key
  struct Case {
    const char* Name;
    UINT DragOption;
    int PressCell, MoveCell;
    bool Far;
    bool Pressed, Rearrange;
    const char* Launch;  // after a release on MoveCell, "" none
  } cases[] = {
      {"default, onto the neighbour", kDefault, 0, 1, false, true, false, "a 80"},
      {"default, on its own cell", kDefault, 0, 0, false, true, false, "a 80"},
      {"default, 20 pixels off: a rearrange drag", kDefault, 0, 1, true, true, true, ""},
      {"empty cell: no drag, leaving ends it", kDefault, 2, 1, false, false, false, ""},
      {"drag-out possible, onto the neighbour", kAltRearranges, 0, 1, false, true, false, "a 80"},
      {"drag-out possible, 20 pixels off", kAltRearranges, 0, 1, true, false, false, ""},
      {"no drag for a command, leaving ends it", kAltRearranges, 3, 1, false, false, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    g_InputLog.Launches.clear();
    g_App.Input.RearrangeDrag = 0;
    g_App.Settings.DragOption = c.DragOption;
    StartPress(c.PressCell, PRESS_LEFT);
    if (c.Far) g_App.Input.PressPoint.x -= 50;
    g_CellUnderCursor = c.MoveCell;
    OnMouseMove(MK_LBUTTON, 0);
    EXPECT_EQ(c.Pressed, (g_App.Input.Press & PRESS_KINDS) != 0);
    EXPECT_EQ(c.Rearrange, g_App.Input.RearrangeDrag != 0);
    if (!c.Rearrange) ReleasePress(c.MoveCell);
    CancelPress();
    EXPECT_EQ(c.Launch, g_InputLog.Launches.empty() ? std::string() : g_InputLog.Launches[0]);
    EXPECT_LE(g_InputLog.Launches.size(), 1u);
  }
}

// A middle click blocks the wheel for three ticks of the ticker, then the
// wheel pages again.
TEST_F(PressMoveTest, AMiddleClickBlocksTheWheelOnlyForAMoment) {
  MakePages(3);
  g_App.Settings.Mouse.Caption[5] = LC_NEXT_PAGE + 1;
  SetWindowPos(window_, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ASSERT_TRUE(IsWindowVisible(window_));
  g_CellUnderCursor = -1;
  OnMouseButton(WM_MOUSEWHEEL, Wheel(-120), 0);
  ASSERT_EQ(1, S().CurrentPage);
  OnMouseButton(WM_MBUTTONUP, 0, 0);
  OnMouseButton(WM_MOUSEWHEEL, Wheel(-120), 0);
  EXPECT_EQ(1, S().CurrentPage);  // blocked

  TickerOutlets savedTicker = g_TickerOutlets;
  g_TickerOutlets = TickerOutlets{};
  g_App.Ticker.Tick = 0;
  DWORD start = GetTickCount();
  ASSERT_EQ(1, StartTicker());
  DWORD paged = 0;
  while (!paged && GetTickCount() - start < 2000) {
    Sleep(20);
    OnMouseButton(WM_MOUSEWHEEL, Wheel(-120), 0);
    if (S().CurrentPage == 2) paged = GetTickCount() - start;
  }
  EXPECT_EQ(1, StopTicker());
  g_TickerOutlets = savedTicker;
  EXPECT_EQ(2, S().CurrentPage) << "the wheel stayed blocked";
  EXPECT_GE(paged, 150u);
  EXPECT_EQ(0u, g_App.Input.Gesture & GS_SKIP_WHEEL);
}

}  // namespace
