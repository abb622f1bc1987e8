#include "core/showhide.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/hookbind.h"
#include "core_child.h"
#include "core/hookctl.h"
#include "core/mainwnd.h"
#include "core/procwatch.h"
#include "core/startup.h"
#include "state.h"
#include "core/switches.h"
#include "core/ticker.h"
#include "render/design.h"
#include "render/layout.h"
#include "render/skin.h"
#include "resources/resource.h"
#include "store/grid.h"
#include "store/items.h"
#include "store/lists.h"
#include "store/outlets.h"
#include "store/settings.h"

namespace {

TEST(ShowModeFromPositionBits, LowestBitWins) {
  struct Case {
    UINT Bits;
    int Mode;
  } cases[] = {{0, 1}, {1, 2}, {2, 0}, {4, 3}, {8, 4}, {3, 2}, {6, 0}, {12, 3}, {15, 2}};
  for (const Case& c : cases) EXPECT_EQ(c.Mode, ShowModeFromPositionBits(c.Bits)) << "bits " << c.Bits;
}

// Monitor sets of the tables: one monitor with the taskbar at the bottom,
// one with it on the left, and a secondary monitor left of the primary.
struct Screens {
  std::vector<RECT> Monitors, Work;
  int Primary;
};
const Screens kSingle = {{{0, 0, 1280, 1024}}, {{0, 0, 1280, 984}}, 0};
const Screens kTaskbarLeft = {{{0, 0, 1280, 1024}}, {{60, 0, 1280, 1024}}, 0};
const Screens kLeftSecondary = {{{-1920, 0, 0, 1080}, {0, 0, 1280, 1024}},
                                {{-1920, 0, 0, 1040}, {0, 0, 1280, 984}},
                                1};
const Screens kNone = {{}, {}, 0};

TEST(FindMonitor, ContainingElseNearest) {
  const std::vector<RECT>& m = kLeftSecondary.Monitors;
  struct Case {
    POINT Pt;
    int Want;
  } cases[] = {
      {{-10, 500}, 0}, {{0, 500}, 1},     {{-1920, 0}, 0},  {{1279, 1023}, 1},
      {{-3000, 50}, 0},  // left of everything
      {{1500, 2000}, 1},  // below and right of the primary
      {{-5, 1500}, 0},    // below the seam, nearer the secondary
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Want, FindMonitorNearPoint(m.data(), (int)m.size(), c.Pt)) << c.Pt.x << "," << c.Pt.y;
  EXPECT_EQ(-1, FindMonitorNearPoint(nullptr, 0, POINT{0, 0}));

  struct RectCase {
    RECT R;
    int Want;
  } rects[] = {
      {{-300, 100, 100, 300}, 0},   // more on the secondary
      {{-100, 100, 300, 300}, 1},   // more on the primary
      {{2000, 100, 2400, 300}, 1},  // off to the right
      {{-2500, 100, -2100, 300}, 0},
  };
  for (const RectCase& c : rects) EXPECT_EQ(c.Want, FindMonitorNearRect(m.data(), (int)m.size(), c.R)) << c.R.left;
}

TEST(ComputeWindowPlacement, Table) {
  // The classic window: 419 x 224; its button area (inclusive) has its
  // centre at 210, 139 of the window, which is not the body's centre.
  const RECT win = {100, 100, 519, 324};
  const RECT buttons = {7, 60, 412, 217};
  const RECT none = {0, 0, 0, 0};
  const RECT shadow = {10, 5, 10, 15};
  const RECT winShadow = {90, 95, 529, 339};  // the same body with shadow borders
  const RECT big = {0, 0, 2000, 1500};
  struct Case {
    const char* Name;
    const Screens* S;
    int Placement;
    POINT Point, Cursor;
    RECT Window, Margins;
    int Topmost;
    POINT Want;
    int HasSearch = 0;
    RECT Search = {};
  } cases[] = {
      {"1 button area centred on the cursor", &kSingle, SHOW_AT_CURSOR, {}, {640, 500}, win, none, 0, {430, 361}},
      {"1 with shadow borders", &kSingle, SHOW_AT_CURSOR, {}, {640, 500}, winShadow, shadow, 0, {430, 361}},
      {"1 pushed back into the work area", &kSingle, SHOW_AT_CURSOR, {}, {1270, 980}, win, none, 0, {861, 760}},
      {"1 topmost: the whole monitor", &kSingle, SHOW_AT_CURSOR, {}, {1270, 1000}, win, none, 1, {861, 800}},
      {"1 near the top-left corner", &kSingle, SHOW_AT_CURSOR, {}, {10, 10}, win, none, 0, {0, 0}},
      {"1 on the secondary, left of the primary", &kLeftSecondary, SHOW_AT_CURSOR, {}, {-10, 500}, win, none, 0,
       {-419, 361}},
      {"1 on the primary's left edge stays on it", &kLeftSecondary, SHOW_AT_CURSOR, {}, {5, 500}, win, none, 0,
       {0, 361}},
      {"1 secondary work area bottom", &kLeftSecondary, SHOW_AT_CURSOR, {}, {-1900, 1070}, win, none, 0,
       {-1920, 816}},
      {"2 corner at the cursor", &kSingle, SHOW_CORNER_AT_CURSOR, {}, {640, 500}, win, none, 0, {640, 500}},
      {"2 body corner, margins outside", &kSingle, SHOW_CORNER_AT_CURSOR, {}, {640, 500}, winShadow, shadow, 0,
       {630, 495}},
      {"2 clamped body, margins may leave the work area", &kSingle, SHOW_CORNER_AT_CURSOR, {}, {1200, 900},
       winShadow, shadow, 0, {851, 755}},
      {"2 taskbar on the left", &kTaskbarLeft, SHOW_CORNER_AT_CURSOR, {}, {10, 10}, win, none, 0, {60, 10}},
      {"3 centred on the primary", &kSingle, SHOW_CENTRED, {}, {5, 5}, win, none, 0, {431, 400}},
      {"3 primary right of a secondary", &kLeftSecondary, SHOW_CENTRED, {}, {-500, 5}, win, none, 0, {431, 400}},
      {"4 body at the point", &kSingle, SHOW_AT_POINT, {900, 700}, {5, 5}, win, none, 0, {900, 700}},
      {"4 with margins", &kSingle, SHOW_AT_POINT, {900, 700}, {5, 5}, winShadow, shadow, 0, {890, 695}},
      {"4 beyond the screen is not pulled back", &kSingle, SHOW_AT_POINT, {5000, -300}, {5, 5}, win, none, 0,
       {5000, -300}},
      {"5 stays when inside", &kSingle, SHOW_LAST_POSITION, {}, {5, 5}, win, none, 0, {100, 100}},
      {"5 half off the bottom-right", &kSingle, SHOW_LAST_POSITION, {}, {5, 5}, {1200, 1000, 1619, 1224}, none, 0,
       {861, 760}},
      {"5 its own monitor, not the cursor's", &kLeftSecondary, SHOW_LAST_POSITION, {}, {640, 500},
       {-500, 1000, -81, 1224}, none, 0, {-500, 816}},
      {"5 larger than the monitor shows its top-left", &kSingle, SHOW_LAST_POSITION, {}, {5, 5}, big, none, 0,
       {0, 0}},
      {"5 entirely off screen comes back", &kSingle, SHOW_LAST_POSITION, {}, {5, 5}, {-900, 2000, -481, 2224}, none,
       0, {0, 760}},
      {"0 leaves it", &kSingle, 0, {900, 700}, {5, 5}, win, none, 0, {100, 100}},
      {"9 leaves it", &kSingle, 9, {900, 700}, {5, 5}, win, none, 0, {100, 100}},
      {"no monitor: no clamping", &kNone, SHOW_CORNER_AT_CURSOR, {}, {5000, 5000}, win, none, 0, {5000, 5000}},
      {"search window moves along and is clamped too", &kSingle, SHOW_CORNER_AT_CURSOR, {}, {640, 500}, win, none,
       0, {550, 500}, 1, {530, 100, 830, 400}},
  };
  for (const Case& c : cases) {
    PlacementInput in = {};
    in.Placement = c.Placement;
    in.Point = c.Point;
    in.Cursor = c.Cursor;
    in.Window = c.Window;
    in.Margins = c.Margins;
    in.ButtonArea = buttons;
    in.Topmost = c.Topmost;
    in.HasSearch = c.HasSearch;
    in.Search = c.Search;
    in.Monitors = c.S->Monitors.data();
    in.Work = c.S->Work.data();
    in.MonitorCount = (int)c.S->Monitors.size();
    in.Primary = c.S->Primary;
    POINT at = ComputeWindowPlacement(&in);
    EXPECT_EQ(c.Want.x, at.x) << c.Name;
    EXPECT_EQ(c.Want.y, at.y) << c.Name;
  }
}

TEST(ComputeStandbyPoint, CornersWithMarginsOutside) {
  const RECT work = {0, 0, 1280, 984};
  const SIZE window = {220, 170};
  const RECT margins = {10, 5, 10, 15};
  struct Case {
    int Position;
    POINT Want;
  } cases[] = {
      {1, {-10, -5}}, {2, {1070, -5}}, {3, {-10, 829}}, {4, {1070, 829}}, {5, {33, 44}},
  };
  for (const Case& c : cases) {
    POINT p = ComputeStandbyPoint(c.Position, POINT{33, 44}, work, window, margins);
    EXPECT_EQ(c.Want.x, p.x) << "position " << c.Position;
    EXPECT_EQ(c.Want.y, p.y) << "position " << c.Position;
  }
  // A work area with the taskbar on the left, on a monitor left of the primary.
  POINT p = ComputeStandbyPoint(1, POINT{}, RECT{-1860, 0, 0, 1080}, window, margins);
  EXPECT_EQ(-1870, p.x);
  EXPECT_EQ(-5, p.y);
}

TEST(ChooseCursor, Table) {
  struct Case {
    const char* Name;
    CursorInput In;
    int Want;
  } cases[] = {
      {"elsewhere: sizing test", {}, CURSOR_SIZING},
      {"moving or sizing the window", {1}, CURSOR_KEEP},
      {"OLE drag over", {0, 1, 1}, CURSOR_KEEP},
      {"rearrange drag", {0, 0, 1}, CURSOR_MOVE},
      {"rearrange drag with Ctrl", {0, 0, 1, 1}, CURSOR_COPY},
      {"rearrange drag beats an open sub-menu", {0, 0, 1, 0, 1}, CURSOR_MOVE},
      {"sub-menu open", {0, 0, 0, 0, 1}, CURSOR_ARROW},
      {"tab drag", {0, 0, 0, 0, 0, 1}, CURSOR_ARROW},
      {"dialog open", {0, 0, 0, 0, 0, 0, 1}, CURSOR_ARROW},
      {"context menu", {0, 0, 0, 0, 0, 0, 0, 1}, CURSOR_ARROW},
      {"tabs or buttons", {0, 0, 0, 0, 0, 0, 0, 0, 1}, CURSOR_ARROW},
      {"system button", {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, CURSOR_ARROW},
  };
  for (const Case& c : cases) EXPECT_EQ(c.Want, ChooseCursor(&c.In)) << c.Name;
}

// --- the launcher window, unshown at first, on injected screens ---------------------------

Screens g_Screens;
POINT g_Cursor;
std::vector<std::pair<int, INT_PTR>> g_PluginEvents;
UINT g_FakeDpi;

BOOL WINAPI FakeCursorPos(POINT* pt) {
  *pt = g_Cursor;
  return TRUE;
}

int FakeMonitors(MonitorList* out) {
  for (size_t i = 0; i < g_Screens.Monitors.size(); i++)
    AddMonitorRects(out, &g_Screens.Monitors[i], &g_Screens.Work[i], (int)i == g_Screens.Primary);
  return out->Count;
}

int RecordPluginEvent(int code, INT_PTR arg) {
  g_PluginEvents.push_back({code, arg});
  return 1;
}

HRESULT WINAPI FakeDpiForMonitor(HMONITOR, int, UINT* x, UINT* y) {
  *x = *y = g_FakeDpi;
  return S_OK;
}

class ShowHideTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = new AppState(g_App);
    savedSeams_ = g_ShowHideSeams;
    savedStore_ = g_StoreOutlets;
    savedLayout_ = g_LayoutSeams;
    ASSERT_TRUE(EnsureLauncherClasses());
    BindOptionalFunctions();
    ClearItemStore();
    g_App.RunState = 0;
    g_App.OpenDialogCount = 0;
    g_App.Wnd = MainWindowState{};
    g_App.Settings = SettingsState{};
    g_App.Hooks.SuspendWord = 0;
    g_App.Core.RunningWork = 0;
    g_App.Design.Dpi = 96;
    SetClassicLook();
    g_Screens = kSingle;
    g_Cursor = POINT{640, 500};
    g_PluginEvents.clear();
    g_ShowHideSeams.GetCursorPos = FakeCursorPos;
    g_ShowHideSeams.GetMonitors = FakeMonitors;
    g_StoreOutlets = StoreOutlets();
    g_StoreOutlets.BroadcastPluginEvent = RecordPluginEvent;
    g_LayoutSeams.RefreshImages = nullptr;
    window_ = CreateMainWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(nullptr, window_);
    MoveWindow(window_, 100, 100, 419, 224, FALSE);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    ClearItemStore();
    g_ShowHideSeams = savedSeams_;
    g_StoreOutlets = savedStore_;
    g_LayoutSeams = savedLayout_;
    g_App = *saved_;
    delete saved_;
  }
  RECT WindowRect() {
    RECT r;
    GetWindowRect(window_, &r);
    return r;
  }

  AppState* saved_ = nullptr;
  ShowHideSeams savedSeams_;
  StoreOutlets savedStore_;
  LayoutSeams savedLayout_;
  HWND window_ = nullptr;
};

TEST_F(ShowHideTest, AtTheCursorTheButtonAreaCentreMeetsIt) {
  g_App.Skin.Slots[SLOT_BUTTONAREA].Target = RECT{7, 60, 412, 217};
  g_App.Skin.ButtonAreaMargin = RECT{0, 0, 0, 0};
  ShowLauncher(SHOW_AT_CURSOR, 0, 0, kKeepCurrentPage, 1);
  RECT r = WindowRect();
  EXPECT_EQ(430, r.left);
  EXPECT_EQ(361, r.top);
  EXPECT_EQ(430, g_App.Settings.LastPosX);
  EXPECT_EQ(361, g_App.Settings.LastPosY);
  // The button area's own margins narrow the area whose centre counts.
  HideLauncher(1, 0, 0);
  g_App.Skin.ButtonAreaMargin = RECT{0, 0, 20, 10};
  ShowLauncher(SHOW_AT_CURSOR, 0, 0, kKeepCurrentPage, 1);
  r = WindowRect();
  EXPECT_EQ(440, r.left);
  EXPECT_EQ(366, r.top);
}

TEST_F(ShowHideTest, ClampsOnTheCursorsMonitorOfTwo) {
  g_Screens = kLeftSecondary;
  g_Cursor = POINT{-30, 1070};
  ShowLauncher(SHOW_CORNER_AT_CURSOR, 0, 0, kKeepCurrentPage, 1);
  RECT r = WindowRect();
  EXPECT_EQ(-419, r.left);
  EXPECT_EQ(1040 - 224, r.top);
}

TEST_F(ShowHideTest, StandbyBottomRightKeepsShadowOutsideTheWorkArea) {
  g_App.Skin.MainShadow = RECT{10, 5, 10, 15};
  g_App.Settings.StandbyPosition = 4;
  ShowLauncher(SHOW_CENTRED, 0, 0, kKeepCurrentPage, 1);
  EXPECT_EQ(1, HideLauncher(0, 0, 0));
  EXPECT_TRUE(IsWindowVisible(window_));
  EXPECT_TRUE(g_App.Wnd.Flags & WSF_STANDBY);
  RECT r = WindowRect();
  EXPECT_EQ(1280 + 10, r.right);
  EXPECT_EQ(984 + 15, r.bottom);
  // Parked, not hidden: the plug-ins hear nothing of hiding.
  for (auto& e : g_PluginEvents) EXPECT_NE(PN_HIDDEN, e.first);
  // The close button hides it.
  EXPECT_EQ(1, HideLauncher(1, 0, 0));
  EXPECT_FALSE(IsWindowVisible(window_));
  // Showing clears the standby state.
  ShowLauncher(SHOW_LAST_POSITION, 0, 0, kKeepCurrentPage, 1);
  EXPECT_FALSE(g_App.Wnd.Flags & WSF_STANDBY);
}

TEST_F(ShowHideTest, StandbyPositionsOnThePrimaryWorkArea) {
  g_Screens = kLeftSecondary;
  struct Case {
    UINT Position;
    POINT Want;
  } cases[] = {{1, {0, 0}}, {2, {1280 - 419, 0}}, {3, {0, 984 - 224}}, {4, {1280 - 419, 984 - 224}}, {5, {-700, 40}}};
  g_App.Settings.StandbyPosX = -700;
  g_App.Settings.StandbyPosY = 40;
  for (const Case& c : cases) {
    g_App.Settings.StandbyPosition = c.Position;
    ShowLauncher(SHOW_CENTRED, 0, 0, kKeepCurrentPage, 1);
    EXPECT_EQ(1, MoveToStandbyPosition(0)) << c.Position;
    RECT r = WindowRect();
    EXPECT_EQ(c.Want.x, r.left) << c.Position;
    EXPECT_EQ(c.Want.y, r.top) << c.Position;
  }
  g_App.Settings.StandbyPosition = 0;
  EXPECT_EQ(0, MoveToStandbyPosition(0));
  g_App.Settings.StandbyPosition = 4;
  g_Screens = kNone;
  EXPECT_EQ(0, MoveToStandbyPosition(0));
}

TEST_F(ShowHideTest, SuppressedShowsOnlyFromOutside) {
  g_App.Hooks.SuspendWord = SUSPEND_SHOW;
  ShowLauncher(SHOW_AT_POINT, 10, 10, kKeepCurrentPage, 1);
  EXPECT_FALSE(IsWindowVisible(window_));
  EXPECT_TRUE(g_PluginEvents.empty());
  ShowLauncher(SHOW_AT_POINT | SHOW_FROM_OUTSIDE, 10, 10, kKeepCurrentPage, 1);
  EXPECT_TRUE(IsWindowVisible(window_));
}

TEST_F(ShowHideTest, ShowAndHideTellThePluginsOnce) {
  ShowLauncher(SHOW_AT_POINT, 10, 10, kKeepCurrentPage, 1);
  ShowLauncher(SHOW_AT_POINT, 20, 20, kKeepCurrentPage, 1);  // already visible
  HideLauncher(1, 0, 0);
  EXPECT_EQ(0, HideLauncher(1, 0, 0));  // already hidden
  ASSERT_EQ(2u, g_PluginEvents.size());
  EXPECT_EQ(PN_SHOWN, g_PluginEvents[0].first);
  EXPECT_EQ(PN_HIDDEN, g_PluginEvents[1].first);
}

TEST_F(ShowHideTest, AutoHideAndActivationFlagsLiveForOneShowing) {
  ShowLauncher(SHOW_AT_POINT | SHOW_AUTOHIDE, 10, 10, kKeepCurrentPage, 0);
  EXPECT_EQ(1, g_App.Wnd.AutoHide);
  EXPECT_EQ(0, g_App.Wnd.Activated);
  EXPECT_TRUE(g_App.Wnd.Flags & WSF_SHOWN_NOACTIVATE);
  EXPECT_TRUE(IsWindowVisible(window_));
  HideLauncher(1, 0, 0);
  EXPECT_EQ(0, g_App.Wnd.AutoHide);
  EXPECT_EQ(0u, g_App.Wnd.Flags);
  ShowLauncher(SHOW_AT_POINT, 10, 10, kKeepCurrentPage, 1);
  EXPECT_EQ(0, g_App.Wnd.AutoHide);
  EXPECT_EQ(1, g_App.Wnd.Activated);
  EXPECT_FALSE(g_App.Wnd.Flags & WSF_SHOWN_NOACTIVATE);
}

TEST_F(ShowHideTest, HidingDropsPressDragAndHover) {
  ShowLauncher(SHOW_AT_POINT, 10, 10, kKeepCurrentPage, 1);
  g_App.Input.RearrangeDrag = 1;
  g_App.Input.TabDrag = 1;
  g_App.Input.TabPressed = 2;
  g_App.Input.Gesture = GS_SKIP_LUP | GS_SKIP_RUP;
  g_App.Layout.DragActive = 1;
  g_App.Store.HoverCell = 3;
  g_App.Store.DragPage = 1;
  g_App.Wnd.Flags |= WSF_MENU_OPEN;
  HideLauncher(1, 0, 0);
  EXPECT_EQ(0, g_App.Input.RearrangeDrag);
  EXPECT_EQ(0, g_App.Input.TabDrag);
  EXPECT_EQ(-1, g_App.Input.TabPressed);
  EXPECT_EQ(0u, g_App.Input.Gesture);
  EXPECT_EQ(0, g_App.Layout.DragActive);
  EXPECT_EQ(-1, g_App.Store.HoverCell);
  EXPECT_EQ(-1, g_App.Store.DragPage);
  EXPECT_EQ(0u, g_App.Wnd.Flags);
}

TEST_F(ShowHideTest, HidingUnpinsAndDropsTopmostUnlessKept) {
  g_App.Settings.DispOption = DISP_ALWAYS_ON_TOP | DISP_TOPMOST_WHEN_PINNED;
  g_App.Settings.Status = STATUS_PINNED;
  ShowLauncher(SHOW_AT_POINT, 10, 10, kKeepCurrentPage, 1);
  EXPECT_TRUE(GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  g_App.Settings.PendingSave = 0;
  HideLauncher(1, 0, 0);
  EXPECT_FALSE(g_App.Settings.Status & STATUS_PINNED);
  EXPECT_FALSE(GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(0, g_App.Settings.PendingSave);

  g_App.Settings.Option1 = OPT1_KEEP_PINNED;
  g_App.Settings.Status = STATUS_PINNED;
  ShowLauncher(SHOW_AT_POINT, 10, 10, kKeepCurrentPage, 1);
  HideLauncher(1, 0, 0);
  EXPECT_TRUE(g_App.Settings.Status & STATUS_PINNED);
  EXPECT_TRUE(GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(ShowHideTest, ReturningToAPageResetsItsScroll) {
  ASSERT_EQ(0, AddPage(L"One"));
  ASSERT_EQ(1, AddPage(L"Two"));
  g_App.Store.CurrentPage = g_App.Settings.LastPage = 0;
  g_App.Store.Pages[0].Flag = 1;
  g_App.Store.Pages[0].ScrollStat[0] = 2;
  g_App.Store.Pages[0].ScrollStat[2] = 1;
  g_App.Store.Pages[0].ScrollStat[1] = 5;  // the other view mode keeps its own
  g_App.Store.Pages[1].ScrollStat[0] = 4;  // no reset flag
  ShowLauncher(SHOW_AT_POINT, 10, 10, kKeepCurrentPage, 1);
  EXPECT_EQ(0, g_App.Store.Pages[0].ScrollStat[0]);
  EXPECT_EQ(0, g_App.Store.Pages[0].ScrollStat[2]);
  EXPECT_EQ(5, g_App.Store.Pages[0].ScrollStat[1]);
  // Not tracked before the first showing: no pending save from the reset.
  EXPECT_EQ(0, g_App.Settings.PendingSave);
  HideLauncher(1, 0, 0);
  ShowLauncher(SHOW_AT_POINT, 10, 10, 1, 1);
  EXPECT_EQ(1, g_App.Store.CurrentPage);
  EXPECT_EQ(4, g_App.Store.Pages[1].ScrollStat[0]);
}

TEST_F(ShowHideTest, AnotherDpiRelaysTheWindowAndPlacesItAgain) {
  ResetAllDesigns();
  SetDefaultFonts(0);
  SetDefaultFonts(1);
  SyncViewModeDesign(-1);
  for (int i = 0; i < FONT_COUNT; i++) RecreateFont(i, 0);
  ApplyDesign();
  ASSERT_EQ(96, g_App.Design.Dpi);
  ASSERT_EQ(419, g_App.Layout.Width);
  g_FakeDpi = 144;
  g_App.Api.GetDpiForMonitor = FakeDpiForMonitor;
  ShowLauncher(SHOW_AT_POINT, 300, 150, kKeepCurrentPage, 1);
  EXPECT_EQ(144, g_App.Design.Dpi);
  EXPECT_EQ(628, g_App.Layout.Width);
  EXPECT_EQ(336, g_App.Layout.Height);
  RECT r = WindowRect();
  EXPECT_EQ(628, r.right - r.left);
  // The point rescaled by old / new DPI.
  EXPECT_EQ(200, r.left);
  EXPECT_EQ(100, r.top);
  EXPECT_FALSE(g_App.RunState & RS_DPI_RELAYOUT);
  // Same DPI next time: placed once, where asked.
  ShowLauncher(SHOW_AT_POINT, 300, 150, kKeepCurrentPage, 1);
  r = WindowRect();
  EXPECT_EQ(300, r.left);
  EXPECT_EQ(150, r.top);
}

TEST_F(ShowHideTest, TheBodyLeavesOutTheShadowBorders) {
  struct Case {
    POINT Pt;
    int Classic, Skinned;
  } cases[] = {
      {{105, 150}, 1, 0},  // in the left shadow
      {{115, 150}, 1, 1},
      {{300, 102}, 1, 0},  // in the top shadow
      {{300, 106}, 1, 1},
      {{510, 150}, 1, 0},  // in the right shadow
      {{508, 150}, 1, 1},
      {{300, 310}, 1, 0},  // in the bottom shadow
      {{300, 308}, 1, 1},
      {{99, 150}, 0, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.Classic, IsPointInLauncherBody(window_, c.Pt)) << c.Pt.x << "," << c.Pt.y;
  g_App.Skin.MainShadow = RECT{10, 5, 10, 15};
  for (const Case& c : cases) EXPECT_EQ(c.Skinned, IsPointInLauncherBody(window_, c.Pt)) << c.Pt.x << "," << c.Pt.y;
  // Scaled with the window's DPI.
  g_App.Design.Dpi = 192;
  EXPECT_FALSE(IsPointInLauncherBody(window_, POINT{115, 150}));
  EXPECT_TRUE(IsPointInLauncherBody(window_, POINT{121, 150}));
}

TEST_F(ShowHideTest, RearrangeDragShowsTheMoveAndCopyCursors) {
  ShowLauncher(SHOW_AT_POINT, 10, 10, kKeepCurrentPage, 1);
  HCURSOR move = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_REARRANGE_MOVE));
  ASSERT_NE(nullptr, move);
  g_App.Instance = GetModuleHandleW(nullptr);
  g_App.Input.RearrangeDrag = 1;
  UpdateCursor();
  EXPECT_EQ(move, GetCursor());
  g_App.Input.RearrangeDrag = 0;
  g_App.Wnd.Flags |= WSF_SUBMENU_OPEN;
  UpdateCursor();
  EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), GetCursor());
}

// A launch from the window keeps the foreground with the launcher; once it
// hides, or parks at its standby place, the guard must be gone.
TEST_F(ShowHideTest, HidingEndsTheForegroundGuardOfALaunch) {
  struct Case {
    const char* Name;
    UINT Standby;
    int HideMode;
    bool Show;
  } cases[] = {
      {"hidden", 0, 1, true},
      {"parked at standby", 4, 0, true},
      {"already hidden", 0, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    g_App.Settings.StandbyPosition = c.Standby;
    if (c.Show) ShowLauncher(SHOW_AT_POINT, 10, 10, kKeepCurrentPage, 1);
    StartForegroundGuard();
    ASSERT_TRUE(IsForegroundGuardOn());
    HideLauncher(c.HideMode, 0, 0);
    EXPECT_FALSE(IsForegroundGuardOn());
    HideLauncher(1, 0, 0);
  }
}

ButtonInfo* AddButtonAt(int page, int column, int row) {
  NewButtonTemplate t{};
  t.Button.Type = 1;
  t.Button.Position[0] = t.Button.Position[1] = ItemPos{column, row};
  t.Control = NBT_KEEP_FIELDS;
  return AddButton(&t, page);
}

// Launch threads ask the window (WMA_RESETSCROLL) to put a page back at
// its top-left: scroll, grid and picture change together on its thread.
TEST_F(ShowHideTest, TheWindowResetsAPagesScrollWithItsGrid) {
  for (ViewModeDesign& d : g_App.Design.ViewMode) {
    d.ButtonNumX = 4;
    d.ButtonNumY = 3;
  }
  ASSERT_EQ(0, AddPage(L"One"));
  ASSERT_EQ(1, AddPage(L"Two"));
  g_App.Store.CurrentPage = 0;
  std::vector<ButtonInfo*> rows;
  for (int row = 0; row < 6; ++row) rows.push_back(AddButtonAt(0, 0, row));
  ASSERT_NE(nullptr, rows.back());
  PageInfo* pages = g_App.Store.Pages;
  pages[0].Flag = pages[1].Flag = 0x2;
  pages[0].ScrollStat[0] = 2;
  pages[0].ScrollStat[1] = 4;  // the other view mode keeps its own
  pages[1].ScrollStat[2] = 3;
  ASSERT_EQ(1, RebuildButtonGrid(1));
  ASSERT_EQ(rows[2], g_App.Store.Grid[0].Button);
  g_App.RunState |= RS_TRACK_CHANGES;
  g_App.Settings.PendingSave = 0;

  SendMessageW(window_, WMA_RESETSCROLL, 0, 0);
  EXPECT_EQ(0, pages[0].ScrollStat[0]);
  EXPECT_EQ(4, pages[0].ScrollStat[1]);
  EXPECT_EQ(0, g_App.Store.Grid[0].Row);
  EXPECT_EQ(rows[0], g_App.Store.Grid[0].Button);
  EXPECT_EQ(1, g_App.Settings.PendingSave);

  // Another page: its scroll only; the grid shows the current page.
  SendMessageW(window_, WMA_RESETSCROLL, 1, 0);
  EXPECT_EQ(0, pages[1].ScrollStat[2]);
  EXPECT_EQ(rows[0], g_App.Store.Grid[0].Button);
  // No such page: dropped.
  SendMessageW(window_, WMA_RESETSCROLL, 2, 0);
  SendMessageW(window_, WMA_RESETSCROLL, (WPARAM)-1, 0);
  EXPECT_EQ(2, g_App.Store.PageCount);
}

}  // namespace
