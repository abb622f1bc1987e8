// The hover highlight of buttons and tabs on the real drawing: moved by the
// mouse, by cursor keys and on showing, through the outlets start-up binds.
#include <gtest/gtest.h>

#include <vector>

#include "core/commands.h"
#include "core/mouseinput.h"
#include "render/paint.h"
#include "scene_fixture.h"

namespace {

class HoverTest : public SceneWindowTest {
 protected:
  void SetUp() override {
    SceneWindowTest::SetUp();
    normal_ = CellFace(0);
    ASSERT_EQ(normal_, CellFace(1));
  }
  COLORREF normal_ = 0;
};

TEST_F(HoverTest, MouseMovesTheHighlightFromCellToCell) {
  ASSERT_TRUE(PutCursorOn(Cell(1)));
  OnMouseMove(0, 0);
  EXPECT_EQ(1, g_App.Store.HoverCell);
  COLORREF hover = CellFace(1);
  EXPECT_NE(normal_, hover);
  EXPECT_EQ(normal_, CellFace(0));

  ASSERT_TRUE(PutCursorOn(Cell(2)));
  OnMouseMove(0, 0);
  EXPECT_EQ(2, g_App.Store.HoverCell);
  EXPECT_EQ(hover, CellFace(2));
  EXPECT_EQ(normal_, CellFace(1)) << "the old cell keeps no highlight";

  // Leaving the window: no highlight left.
  OnMouseLeave();
  EXPECT_EQ(-1, g_App.Store.HoverCell);
  EXPECT_EQ(normal_, CellFace(2));
}

TEST_F(HoverTest, CursorKeysMoveTheHighlightAndTheMouseTakesItBackOnlyFarAway) {
  ASSERT_TRUE(PutCursorOn(Cell(2)));
  g_App.Store.HoverCell = -1;
  PerformLauncherCommand(LC_RIGHT, 0);  // the first cell becomes current
  EXPECT_EQ(0, g_App.Store.HoverCell);
  PerformLauncherCommand(LC_RIGHT, 0);
  EXPECT_EQ(1, g_App.Store.HoverCell);
  COLORREF hover = CellFace(1);
  EXPECT_NE(normal_, hover);
  EXPECT_EQ(normal_, CellFace(0));

  // The cursor was left over cell 2: a small move keeps the key's cell.
  POINT at;
  GetCursorPos(&at);
  ASSERT_TRUE(SetCursorPos(at.x + 9, at.y - 9));
  OnMouseMove(0, 0);
  EXPECT_EQ(1, g_App.Store.HoverCell);
  EXPECT_EQ(hover, CellFace(1));
  ASSERT_TRUE(SetCursorPos(at.x + 10, at.y));
  OnMouseMove(0, 0);
  EXPECT_EQ(2, g_App.Store.HoverCell);
  EXPECT_EQ(hover, CellFace(2));
  EXPECT_EQ(normal_, CellFace(1));
}

TEST_F(HoverTest, ShowingHighlightsTheCellUnderTheCursor) {
  ASSERT_TRUE(PutCursorOn(Cell(2)));
  g_App.Store.HoverCell = -1;
  ShowWindow(Window(), SW_SHOWNA);
  EXPECT_EQ(2, g_App.Store.HoverCell);
  EXPECT_NE(normal_, CellFace(2));
  ShowWindow(Window(), SW_HIDE);
}

TEST_F(HoverTest, TabUnderTheCursorIsHighlighted) {
  COLORREF plain = TabFace(1);
  ASSERT_TRUE(PutCursorOn(Tab(1)));
  OnMouseMove(0, 0);
  EXPECT_EQ(1, g_App.Layout.HoverTab);
  EXPECT_NE(plain, TabFace(1));
  OnMouseLeave();
  EXPECT_EQ(-1, g_App.Layout.HoverTab);
  EXPECT_EQ(plain, TabFace(1));
}

// The messages the tooltip window gets, noted by a subclass.
std::vector<std::pair<UINT, WPARAM>> g_TipMessages;
LRESULT CALLBACK NoteTipMessage(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (m == TTM_POP || m == TTM_ACTIVATE) g_TipMessages.push_back({m, wp});
  return DefSubclassProc(w, m, wp, lp);
}

TEST_F(HoverTest, KeysSilenceTheTooltipThePageChangeHidesIt) {
  ASSERT_TRUE(SetWindowSubclass(g_App.Tray.ToolTip, NoteTipMessage, 7, 0));
  g_TipMessages.clear();
  PerformLauncherCommand(LC_RIGHT, 0);
  std::vector<std::pair<UINT, WPARAM>> silenced = {{TTM_ACTIVATE, FALSE}};
  EXPECT_EQ(silenced, g_TipMessages);
  g_TipMessages.clear();
  SelectPage(1, 1);
  std::vector<std::pair<UINT, WPARAM>> popped = {{TTM_POP, 0}};
  EXPECT_EQ(popped, g_TipMessages);
  // The mouse moving on brings it back.
  g_TipMessages.clear();
  POINT at;
  GetCursorPos(&at);
  ASSERT_TRUE(SetCursorPos(at.x + 30, at.y));
  OnMouseMove(0, 0);
  std::vector<std::pair<UINT, WPARAM>> back = {{TTM_ACTIVATE, TRUE}};
  EXPECT_EQ(back, g_TipMessages);
  RemoveWindowSubclass(g_App.Tray.ToolTip, NoteTipMessage, 7);
}

}  // namespace
