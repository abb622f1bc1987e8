#include "layout_fixture.h"

namespace {

using LayoutTest = LayoutFixture;

TEST_F(LayoutTest, ClassicWindowSizePerDpiAndViewMode) {
  struct Case {
    int Dpi;
    UINT Status;
    int Width, Height;
  } cases[] = {
      {96, 0, 419, 224},   // 7 x 3 grid of 58-pixel buttons
      {144, 0, 628, 336},
      {120, 0, 522, 278},
      {72, 0, 419, 224},   // below 96 nothing is scaled
      {96, STATUS_VIEWMODE2, 419, 398},  // view mode 2: 7 x 6
      {144, STATUS_VIEWMODE2, 628, 597},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Dpi << " dpi, status " << c.Status);
    g_App.Design.Dpi = c.Dpi;
    g_App.Settings.Status = c.Status;
    CalcMainWindowLayout();
    EXPECT_EQ(g_App.Layout.Width, c.Width);
    EXPECT_EQ(g_App.Layout.Height, c.Height);
    EXPECT_EQ(Slot(SLOT_WINDOW), (RECT{0, 0, c.Width - 1, c.Height - 1}));
  }
}

TEST_F(LayoutTest, ClassicPieceRectanglesAt96And144Dpi) {
  struct Case {
    int Slot;
    RECT At96, At144;
  } cases[] = {
      {SLOT_FRAMETOP, {0, 0, 418, 21}, {0, 0, 627, 32}},
      {SLOT_FRAMELEFT, {0, 22, 5, 223}, {0, 33, 8, 335}},
      {SLOT_FRAMERIGHT, {413, 22, 418, 223}, {619, 33, 627, 335}},
      {SLOT_FRAMEBOTTOM, {0, 218, 418, 223}, {0, 327, 627, 335}},
      {SLOT_CLOSEBUTTON, {400, 6, 410, 16}, {600, 9, 615, 24}},
      {SLOT_PINBUTTON, {7, 6, 17, 16}, {10, 9, 25, 24}},
      // Offsets of one pixel stay one pixel: caption top, background edges.
      {SLOT_CAPTION, {19, 1, 398, 20}, {28, 1, 597, 31}},
      {SLOT_BACKGROUND, {6, 22, 412, 217}, {9, 33, 618, 326}},
      {SLOT_TABAREA, {6, 22, 412, 43}, {9, 33, 618, 65}},
      {SLOT_BUTTONAREA, {6, 44, 412, 217}, {9, 66, 618, 326}},
      // The classic window has no mode or search button.
      {SLOT_MODEBUTTON, {0, 0, 0, 0}, {0, 0, 0, 0}},
      {SLOT_SEARCHBUTTON, {0, 0, 0, 0}, {0, 0, 0, 0}},
  };
  for (int dpi : {96, 144}) {
    g_App.Design.Dpi = dpi;
    Layout();
    for (const Case& c : cases) EXPECT_EQ(Slot(c.Slot), dpi == 96 ? c.At96 : c.At144) << "slot " << c.Slot << " at " << dpi;
  }
}

TEST_F(LayoutTest, CellsFillTheButtonAreaRowByRow) {
  struct Case {
    int Dpi;
    RECT First, Second, Last;
  } cases[] = {
      {96, {7, 44, 64, 101}, {65, 44, 122, 101}, {355, 160, 412, 217}},
      {144, {10, 66, 96, 152}, {97, 66, 183, 152}, {532, 240, 618, 326}},  // 58 becomes 87
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Dpi);
    g_App.Design.Dpi = c.Dpi;
    Layout();
    ASSERT_EQ(g_App.Layout.CellCount, 21);
    EXPECT_EQ(g_App.Layout.CellColumns, 7);
    EXPECT_EQ(g_App.Layout.CellRects[0], c.First);
    EXPECT_EQ(g_App.Layout.CellRects[1], c.Second);
    EXPECT_EQ(g_App.Layout.CellRects[20], c.Last);
    // The cell below the first starts one button height further down.
    EXPECT_EQ(g_App.Layout.CellRects[7].top, c.First.bottom + 1);
  }
}

TEST_F(LayoutTest, SkinMarginsAndPitchesMoveCellsAndGrowTheArea) {
  g_App.Skin.ButtonAreaMargin = RECT{4, 5, 6, 7};
  g_App.Skin.ButtonPitch = POINT{2, 3};
  Design().ButtonNumX = 2;
  Design().ButtonNumY = 2;
  g_App.Design.Dpi = 144;
  Layout();
  // Area width S(4 + 6 + 2 * 58 + 2) = 192, height S(5 + 7 + 2 * 58 + 3) = 196.
  EXPECT_EQ(Slot(SLOT_BUTTONAREA), (RECT{9, 66, 200, 261}));
  EXPECT_EQ(g_App.Layout.CellRects[0], (RECT{15, 73, 101, 159}));
  EXPECT_EQ(g_App.Layout.CellRects[1], (RECT{105, 73, 191, 159}));
  EXPECT_EQ(g_App.Layout.CellRects[2], (RECT{15, 164, 101, 250}));
}

TEST_F(LayoutTest, HorizontalTabsWidthsRowsAndStretching) {
  struct Case {
    const char* What;
    UINT Flag;
    int TabSizeX;
    std::vector<std::wstring> Names;
    int Rows;
    std::vector<RECT> Tabs;
  } cases[] = {
      {"single line keeps measured widths, at least TabSizeX", 0, 58, {L"20", L"112", L"91"}, 1,
       {{7, 24, 64, 43}, {65, 24, 186, 43}, {187, 24, 287, 43}}},
      {"rows fill to the width; the first row is stretched", VMF_TAB_MULTILINE, 58, {L"190", L"140", L"90"}, 2,
       {{7, 24, 234, 43}, {235, 24, 412, 43}, {7, 44, 412, 63}}},
      {"the remainder of the stretch goes to the last tab", VMF_TAB_MULTILINE, 58, {L"90", L"90", L"90"}, 1,
       {{7, 24, 141, 43}, {142, 24, 276, 43}, {277, 24, 412, 43}}},
      {"fixed width rows are not stretched", VMF_TAB_MULTILINE | VMF_TAB_FIXEDWIDTH, 150,
       {L"1", L"1", L"1", L"1"}, 2, {{7, 24, 156, 43}, {157, 24, 306, 43}, {7, 44, 156, 63}, {157, 44, 306, 63}}},
      {"a tab wider than the strip is clamped and takes a row alone", VMF_TAB_MULTILINE, 58, {L"1000", L"90"}, 2,
       {{7, 24, 412, 43}, {7, 44, 412, 63}}},
      {"no pages: one row", VMF_TAB_MULTILINE, 58, {}, 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    Design().Flag = c.Flag;
    Design().TabSizeX = c.TabSizeX;
    SetPages(c.Names);
    Layout();
    EXPECT_EQ(g_App.Layout.TabRows, c.Rows);
    // Every extra row is one tab height more.
    EXPECT_EQ(Slot(SLOT_TABAREA).bottom, 43 + 20 * (c.Rows - 1));
    EXPECT_EQ(g_App.Layout.Height, 224 + 20 * (c.Rows - 1));
    ASSERT_EQ(g_App.Layout.TabRectCount, (int)c.Tabs.size());
    for (size_t i = 0; i < c.Tabs.size(); i++) EXPECT_EQ(g_App.Layout.TabRects[i], c.Tabs[i]) << "tab " << i;
    EXPECT_EQ(g_App.Layout.TabWidths, nullptr);  // the scratch widths are gone
  }
}

TEST_F(LayoutTest, TabsAt144DpiScaleSizesAndMargins) {
  Design().Flag = VMF_TAB_FIXEDWIDTH;
  SetPages({L"a", L"b"});
  g_App.Design.Dpi = 144;
  Layout();
  // x from 9 + S(1) = 10, y from 33 + S(2) = 36; 58 x 20 becomes 87 x 30.
  EXPECT_EQ(g_App.Layout.TabRects[0], (RECT{10, 36, 96, 65}));
  EXPECT_EQ(g_App.Layout.TabRects[1], (RECT{97, 36, 183, 65}));
}

TEST_F(LayoutTest, SingleLineStripScrollsTheCurrentTabIntoView) {
  SetPages({L"1000", L"90", L"90"});
  struct Case {
    int Page;
    int Tab0Left;
  } cases[] = {
      {0, 7},            // in view: nothing moves
      {1, 7 - 100},      // (413, 512) moves left to end at 412
      {2, 7 - 200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Page);
    g_App.Settings.LastPage = c.Page;
    Layout();
    EXPECT_EQ(g_App.Layout.TabRects[0].left, c.Tab0Left);
    EXPECT_EQ(g_App.Layout.TabRects[c.Page].right <= 412, true);
    EXPECT_EQ(g_App.Layout.TabRects[c.Page].left >= 7, true);
  }
  // Already in view: nothing to do and 0.
  EXPECT_EQ(ScrollTabIntoView(), 0);
  g_App.Layout.TabRects[2].right += 5;
  EXPECT_EQ(ScrollTabIntoView(), 1);
}

TEST_F(LayoutTest, EveryTabPosition) {
  struct Case {
    int Position;
    int Width, Height;
    RECT TabArea, ButtonArea, RightFrame, BottomFrame;
    RECT Tab0, Tab1;
  } cases[] = {
      {TABPOS_TOP, 419, 224, {6, 22, 412, 43}, {6, 44, 412, 217}, {413, 22, 418, 223}, {0, 218, 418, 223},
       {7, 24, 106, 43}, {107, 24, 164, 43}},
      {TABPOS_LEFT, 520, 202, {6, 22, 106, 195}, {107, 22, 513, 195}, {514, 22, 519, 201}, {0, 196, 519, 201},
       {7, 24, 106, 43}, {7, 44, 106, 63}},
      {TABPOS_RIGHT, 520, 202, {413, 22, 513, 195}, {6, 22, 412, 195}, {514, 22, 519, 201}, {0, 196, 519, 201},
       {414, 24, 513, 43}, {414, 44, 513, 63}},
      {TABPOS_BOTTOM, 419, 224, {6, 196, 412, 217}, {6, 22, 412, 195}, {413, 22, 418, 223}, {0, 218, 418, 223},
       {7, 198, 106, 217}, {107, 198, 164, 217}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Position);
    SetClassicLook();
    UseTabPosition(c.Position);
    SetPages({L"90", L"40"});
    Layout();
    EXPECT_EQ(g_App.Layout.Width, c.Width);
    EXPECT_EQ(g_App.Layout.Height, c.Height);
    EXPECT_EQ(Slot(SLOT_TABAREA), c.TabArea);
    EXPECT_EQ(Slot(SLOT_BUTTONAREA), c.ButtonArea);
    EXPECT_EQ(Slot(SLOT_FRAMERIGHT), c.RightFrame);
    EXPECT_EQ(Slot(SLOT_FRAMEBOTTOM), c.BottomFrame);
    // Vertical strips give every tab the widest width.
    EXPECT_EQ(g_App.Layout.TabRects[0], c.Tab0);
    EXPECT_EQ(g_App.Layout.TabRects[1], c.Tab1);
    EXPECT_EQ(g_App.Layout.CellRects[0].left, c.ButtonArea.left + 1);
  }
}

TEST_F(LayoutTest, VerticalStripScrollsOnY) {
  SetClassicLook();
  UseTabPosition(TABPOS_LEFT);
  SetPages({L"1", L"1", L"1", L"1", L"1", L"1", L"1", L"1", L"1", L"1"});
  g_App.Settings.LastPage = 9;
  Layout();
  // Tab 9 at (204, 223) ends above the area's bottom 195.
  EXPECT_EQ(g_App.Layout.TabRects[9].bottom, 195);
  EXPECT_EQ(g_App.Layout.TabRects[0].top, 24 - 28);
}

TEST_F(LayoutTest, ArrangementCodesFromOtherSourcesStayInRange) {
  CalcMainWindowLayout();
  EXPECT_EQ(GetArrangeCoord(SLOT_FRAMERIGHT, ARR_RIGHT), 418);
  EXPECT_EQ(GetArrangeCoord(SLOT_FRAMERIGHT, ARR_LEFT), 413);
  EXPECT_EQ(GetArrangeCoord(0, ARR_RIGHT), 0);      // no base
  EXPECT_EQ(GetArrangeCoord(63, ARR_RIGHT), 0);     // past the slots
  EXPECT_EQ(GetArrangeCoord(0xFFFF, ARR_BOTTOM), 0);
  EXPECT_EQ(GetArrangeCoord(SLOT_FRAMERIGHT, 0), 0);  // no side
}

TEST_F(LayoutTest, MeasuredTabWidthIsTheWidestStateWithTextMargins) {
  g_App.Design.Dpi = 144;
  // The active font's 120 plus S(5 + 5) = 15.
  EXPECT_EQ(MeasureTabWidth(nullptr, L"120"), 135);
  // Never narrower than S(TabSizeX) = 87.
  EXPECT_EQ(MeasureTabWidth(nullptr, L"20"), 87);
}

TEST_F(LayoutTest, FailedAllocationKeepsTheOldTables) {
  SetPages({L"1", L"2"});
  Layout();
  RECT* tabs = g_App.Layout.TabRects;
  RECT* cells = g_App.Layout.CellRects;
  RECT first = cells[0];
  g_StoreFailAllocation = [] { return 1; };
  // The widths array cannot be made: the strip measures 0, no tabs are laid out.
  CalcMainWindowLayout();
  EXPECT_EQ(LayoutTabs(), 0);
  EXPECT_EQ(LayoutButtons(), 0);
  EXPECT_EQ(MessageCount, 1);  // 654 for the cells
  EXPECT_EQ(g_App.Layout.TabRects, tabs);
  EXPECT_EQ(g_App.Layout.CellRects, cells);
  EXPECT_EQ(cells[0], first);
}

}  // namespace

namespace {

// ApplyDesign on a real launcher window with a tooltip control.
class ApplyDesignTest : public LayoutFixture {
 protected:
  void SetUp() override {
    LayoutFixture::SetUp();
    ASSERT_TRUE(EnsureLauncherClasses());
    window_ = CreateMainWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(window_, nullptr);
    tip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, window_, nullptr,
                           nullptr, nullptr);
    ASSERT_NE(tip_, nullptr);
    g_App.Tray.ToolTip = tip_;
    g_LayoutSeams.RefreshImages = [] { Refreshes++; };
    Refreshes = 0;
  }
  void TearDown() override {
    if (IsWindow(tip_)) DestroyWindow(tip_);
    g_App.Tray.ToolTip = nullptr;
    if (IsWindow(window_)) DestroyWindow(window_);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    g_App.MainWnd = nullptr;
    if (g_App.Store.Grid) StoreFree(g_App.Store.Grid);
    g_App.Store.Grid = nullptr;
    g_App.Store.GridCells = 0;
    LayoutFixture::TearDown();
  }
  int ToolCount() { return (int)SendMessageW(tip_, TTM_GETTOOLCOUNT, 0, 0); }
  bool HasTool(UINT_PTR id, RECT* rect) {
    TOOLINFOW ti = {};
    ti.cbSize = sizeof ti;
    ti.hwnd = window_;
    ti.uId = id;
    if (!SendMessageW(tip_, TTM_GETTOOLINFOW, 0, (LPARAM)&ti)) return false;
    if (rect) *rect = ti.rect;
    return true;
  }

  static inline int Refreshes = 0;
  HWND window_ = nullptr;
  HWND tip_ = nullptr;
};

TEST_F(ApplyDesignTest, TheWindowTakesTheLaidOutSizeAtItsLastPosition) {
  g_App.Settings.LastPosX = 30;
  g_App.Settings.LastPosY = 40;
  ApplyDesign();
  RECT r;
  GetWindowRect(window_, &r);
  int dpi = g_App.Design.Dpi;
  ASSERT_GE(dpi, 96);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(r.right - r.left, g_App.Layout.Width);
  EXPECT_EQ(r.bottom - r.top, g_App.Layout.Height);
  if (dpi == 96) {
    EXPECT_EQ(r.right - r.left, 419);
    EXPECT_EQ(r.bottom - r.top, 224);
  }
  EXPECT_EQ(Refreshes, 1);
  // The grid was rebuilt for the design.
  EXPECT_EQ(g_App.Store.GridCells, 21);
}

TEST_F(ApplyDesignTest, ToolsFollowThePartsAndSurplusToolsGo) {
  g_App.Design.Dpi = 96;
  SetPages({L"60", L"70"});
  ApplyDesign();
  // Close, pin, mode, search, two tabs, the button area and 21 cells.
  EXPECT_EQ(ToolCount(), 4 + 2 + 1 + 21);
  RECT r;
  ASSERT_TRUE(HasTool(TOOLID_TAB + 1, &r));
  // The inclusive tab rectangle, one more on the right and bottom.
  RECT tab = g_App.Layout.TabRects[1];
  EXPECT_EQ(r, (RECT{tab.left, tab.top, tab.right + 1, tab.bottom + 1}));
  ASSERT_TRUE(HasTool(TOOLID_BUTTONAREA, &r));
  EXPECT_EQ(r, Slot(SLOT_BUTTONAREA));  // the area as it is
  ASSERT_TRUE(HasTool(TOOLID_CELL + 20, &r));
  EXPECT_EQ(r.right, g_App.Layout.CellRects[20].right + 1);

  SetPages({L"60"});
  Design().ButtonNumY = 2;
  ApplyDesign();
  EXPECT_EQ(ToolCount(), 4 + 1 + 1 + 14);
  EXPECT_FALSE(HasTool(TOOLID_TAB + 1, nullptr));
  EXPECT_FALSE(HasTool(TOOLID_CELL + 14, nullptr));
  EXPECT_TRUE(HasTool(TOOLID_CELL + 13, nullptr));
}

}  // namespace
