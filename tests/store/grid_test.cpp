// The button grid and the position operations on page buttons.
#include "store/grid.h"
#include "store/lists.h"
#include "store/positions.h"
#include "store_fixture.h"

inline bool operator==(ItemPos a, ItemPos b) { return a.PosX == b.PosX && a.PosY == b.PosY; }
inline std::ostream& operator<<(std::ostream& o, ItemPos p) { return o << "(" << p.PosX << "," << p.PosY << ")"; }

namespace {

class GridTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    MakePages(3);
  }
  ButtonInfo* Lock(ButtonInfo* b) {
    b->Type |= ITEM_LOCKED;
    CollectLockedButtons();
    return b;
  }
  // Positions of the cells as "c,r" with a * on the cells showing a button.
  std::string Cells() {
    std::string s;
    for (int i = 0; i < S().GridCells; i++) {
      const GridCell& g = S().Grid[i];
      s += std::to_string(g.Column) + "," + std::to_string(g.Row) + (g.Button ? "*" : "") + " ";
    }
    return s;
  }
  ItemPos P(ButtonInfo* b) { return b->Position[0]; }
};


TEST_F(GridTest, UnscrolledPageWithLockedButton) {
  ButtonInfo* locked = Lock(Add(1, "locked", 2, 1));
  ButtonInfo* a = Add(0, "a", 0, 0);
  ButtonInfo* hidden = Add(0, "hidden", 0, 1);
  hidden->Position[0] = hidden->Position[1] = ItemPos{2, 1};  // under the locked home
  ButtonInfo* beyond = Add(0, "beyond", 9, 0);
  RebuildButtonGrid(0);
  ASSERT_EQ(21, S().GridCells);
  EXPECT_EQ(locked, S().Grid[9].Button);
  EXPECT_EQ(a, S().Grid[0].Button);
  for (int i = 0; i < 21; i++) {
    EXPECT_EQ(i % 7, S().Grid[i].Column) << i;
    EXPECT_EQ(i / 7, S().Grid[i].Row) << i;
  }
  int shown = 0;
  for (int i = 0; i < 21; i++) shown += S().Grid[i].Button ? 1 : 0;
  EXPECT_EQ(2, shown);  // neither "hidden" nor "beyond"
  EXPECT_EQ(9, S().GridMaxColumn);
  EXPECT_EQ(-1, FindGridCell(P(beyond)));
  EXPECT_EQ(9, FindGridCell(ItemPos{2, 1}));
}

TEST_F(GridTest, TwoButtonsOnOnePositionShowTheFirst) {
  ButtonInfo* first = Add(0, "first", 3, 2);
  ButtonInfo* second = Add(0, "second", 0, 0);
  second->Position[0] = second->Position[1] = ItemPos{3, 2};
  RebuildButtonGrid(0);
  EXPECT_EQ(first, S().Grid[17].Button);
  int shown = 0;
  for (int i = 0; i < 21; i++) shown += S().Grid[i].Button ? 1 : 0;
  EXPECT_EQ(1, shown);
}

TEST_F(GridTest, EmptyGridFindsNothing) {
  ClearItemStore();
  EXPECT_EQ(-1, FindGridCell(ItemPos{0, 0}));
  EXPECT_EQ(0, GetItemCount(-1));
  MakePages(1);
  EXPECT_EQ(-1, FindGridCell(ItemPos{7, 0}));
}

TEST_F(GridTest, GridFollowsTheDesignSize) {
  g_App.Design.ViewMode[0].ButtonNumX = 4;
  g_App.Design.ViewMode[0].ButtonNumY = 2;
  RebuildButtonGrid(0);  // a changed size is never written past the array
  EXPECT_EQ(8, S().GridCells);
  EXPECT_EQ(8, GetItemCount(-1));
  EXPECT_EQ(7, FindGridCell(ItemPos{3, 1}));
}

TEST_F(GridTest, ScrollingAlongARowSkipsLockedHomes) {
  g_App.Design.ViewMode[0].ButtonNumX = 4;
  g_App.Design.ViewMode[0].ButtonNumY = 1;
  Lock(Add(1, "locked", 1, 0));
  S().Pages[0].ScrollStat[2] = 1;  // one column scrolled
  RebuildButtonGrid(0);
  // The locked button keeps its own cell; the others show columns past it.
  EXPECT_EQ("2,0 1,0* 3,0 4,0 ", Cells());
  S().Pages[0].ScrollStat[2] = 0;
  RebuildButtonGrid(0);
  EXPECT_EQ("0,0 1,0* 2,0 3,0 ", Cells());
}

TEST_F(GridTest, ScrollingByRows) {
  g_App.Design.ViewMode[0].ButtonNumX = 2;
  g_App.Design.ViewMode[0].ButtonNumY = 2;
  ButtonInfo* b = Add(0, "b", 1, 2);
  S().Pages[0].ScrollStat[0] = 1;
  RebuildButtonGrid(0);
  EXPECT_EQ("0,1 1,1 0,2 1,2* ", Cells());
  EXPECT_EQ(b, S().Grid[3].Button);
}

TEST_F(GridTest, LockingPushesOtherPagesAndUnlockingPullsThemBack) {
  ButtonInfo* l = Add(0, "l", 3, 0);
  ButtonInfo* onOne = Add(1, "x", 3, 0);
  ButtonInfo* nextOnOne = Add(1, "y", 4, 0);
  ButtonInfo* otherRow = Add(1, "z", 3, 1);
  ButtonInfo* onTwo = Add(2, "w", 4, 0);  // page 2 has nothing at (3, 0)
  ToggleButtonLock(l, 1);
  EXPECT_TRUE(l->Type & ITEM_LOCKED);
  EXPECT_EQ((ItemPos{4, 0}), P(onOne));
  EXPECT_EQ((ItemPos{5, 0}), P(nextOnOne));
  EXPECT_EQ((ItemPos{3, 1}), P(otherRow));
  EXPECT_EQ((ItemPos{4, 0}), P(onTwo));
  EXPECT_TRUE(g_Log.Has("SavePages"));
  Add(2, "v", 0, 0)->Position[0] = ItemPos{3, 0};  // page 2 now uses (3, 0)
  GetItem(2, 1)->Position[1] = ItemPos{3, 0};
  ToggleButtonLock(l, 1);
  EXPECT_FALSE(l->Type & ITEM_LOCKED);
  EXPECT_EQ((ItemPos{3, 0}), P(onOne));
  EXPECT_EQ((ItemPos{4, 0}), P(nextOnOne));
  EXPECT_EQ((ItemPos{4, 0}), P(onTwo));  // page 2 had a button there: stays
  EXPECT_EQ(0, S().LockedCount);
}

TEST_F(GridTest, LockingIsRefusedWhileScrolled) {
  ButtonInfo* l = Add(0, "l", 3, 0);
  S().Pages[0].ScrollStat[2] = 1;
  ToggleButtonLock(l, 1);
  EXPECT_FALSE(l->Type & ITEM_LOCKED);
  EXPECT_FALSE(g_Log.Has("SavePages"));
}

TEST_F(GridTest, ShiftNeverBelowZeroNorOntoALockedHome) {
  Lock(Add(1, "locked", 2, 0));
  ButtonInfo* a = Add(0, "a", 0, 0);
  ButtonInfo* b = Add(0, "b", 1, 0);
  ButtonInfo* c = Add(0, "c", 3, 0);
  ShiftButtonPositions(0, ItemPos{0, 0}, nullptr, +1, -1);
  EXPECT_EQ((ItemPos{1, 0}), P(a));
  EXPECT_EQ((ItemPos{3, 0}), P(b));  // stepped past the locked home
  EXPECT_EQ((ItemPos{4, 0}), P(c));
  ShiftButtonPositions(0, ItemPos{0, 0}, nullptr, -2, -1);
  EXPECT_EQ((ItemPos{0, 0}), P(a));  // clamped
  EXPECT_EQ((ItemPos{1, 0}), P(b));
  EXPECT_EQ((ItemPos{1, 0}), P(c));  // 2 is locked: one more back
  ItemPos to{0, 0};
  ShiftButtonPositions(0, ItemPos{0, 0}, &to, +1, -1);  // only column 0
  EXPECT_EQ((ItemPos{1, 0}), P(a));
  EXPECT_EQ((ItemPos{1, 0}), P(b));
}

TEST_F(GridTest, ShiftAtZeroNextToALockedHomeEnds) {
  Lock(Add(1, "locked", 0, 0));
  ButtonInfo* a = Add(0, "a", 1, 0);
  ShiftButtonPositions(0, ItemPos{0, 0}, nullptr, -1, -1);
  EXPECT_EQ((ItemPos{1, 0}), P(a));  // 0 is held: it cannot go further back
}

TEST_F(GridTest, DeletingAnEmptyRowPullsOnlyFreeColumnsUp) {
  ButtonInfo* above = Add(0, "above", 0, 0);
  Add(0, "onRow", 1, 1);
  ButtonInfo* below0 = Add(0, "below0", 0, 2);
  ButtonInfo* below1 = Add(0, "below1", 1, 2);
  ButtonInfo* lockedCol = Lock(Add(1, "locked", 2, 1));
  ButtonInfo* below2 = Add(0, "below2", 2, 2);
  RebuildButtonGrid(0);
  InsertOrDeleteGridLine(FindGridCell(ItemPos{0, 1}), GRID_DELETE | GRID_ROW);
  EXPECT_EQ((ItemPos{0, 0}), P(above));
  EXPECT_EQ((ItemPos{0, 1}), P(below0));
  EXPECT_EQ((ItemPos{1, 2}), P(below1));  // its column has a button on the row
  EXPECT_EQ((ItemPos{2, 2}), P(below2));  // and this one a locked button
  EXPECT_EQ((ItemPos{2, 1}), P(lockedCol));
  EXPECT_TRUE(g_Log.Has("Repaint 4"));
  EXPECT_TRUE(g_Log.Has("SavePages"));
}

TEST_F(GridTest, InsertingARowStopsAtLockedColumns) {
  ButtonInfo* a = Add(0, "a", 0, 1);
  ButtonInfo* b = Add(0, "b", 0, 2);
  Lock(Add(1, "locked", 1, 1));
  ButtonInfo* c = Add(0, "c", 1, 2);
  ButtonInfo* d = Add(0, "d", 2, 0);
  RebuildButtonGrid(0);
  InsertOrDeleteGridLine(FindGridCell(ItemPos{0, 1}), GRID_INSERT | GRID_ROW);
  EXPECT_EQ((ItemPos{0, 2}), P(a));
  EXPECT_EQ((ItemPos{0, 3}), P(b));
  EXPECT_EQ((ItemPos{1, 2}), P(c));
  EXPECT_EQ((ItemPos{2, 0}), P(d));
  InsertOrDeleteGridLine(99, GRID_INSERT | GRID_ROW);  // outside the grid
  EXPECT_EQ((ItemPos{0, 2}), P(a));
}

TEST_F(GridTest, InsertingAColumn) {
  ButtonInfo* a = Add(0, "a", 1, 0);
  ButtonInfo* b = Add(0, "b", 0, 0);
  RebuildButtonGrid(0);
  InsertOrDeleteGridLine(FindGridCell(ItemPos{1, 0}), GRID_INSERT | GRID_COLUMN);
  EXPECT_EQ((ItemPos{2, 0}), P(a));
  EXPECT_EQ((ItemPos{0, 0}), P(b));
}

// Positions a damaged file can hold: the marks never size by them, and no
// step runs past the largest coordinate.
TEST_F(GridTest, GridLinesWithDamagedPositions) {
  const int kMax = 0x7FFFFFFF;
  struct Case {
    const char* What;
    int Flags;
    ItemPos Cell;  // logical position of the cell the command is given
    std::vector<ItemPos> Buttons;
    std::vector<ItemPos> Locked;  // on page 2
    std::vector<ItemPos> After;
  } cases[] = {
      {"row past the largest column", GRID_INSERT | GRID_ROW, {0, 0}, {{kMax, 0}, {0, 0}}, {}, {{kMax, 1}, {0, 1}}},
      {"column under the largest row", GRID_INSERT | GRID_COLUMN, {0, 0}, {{0, kMax}, {0, 1}}, {}, {{1, kMax}, {1, 1}}},
      {"locked far column holds", GRID_INSERT | GRID_ROW, {0, 0}, {{kMax - 1, 0}, {kMax, 0}}, {{kMax - 1, 0}},
       {{kMax - 1, 0}, {kMax, 1}}},
      {"last row stays", GRID_INSERT | GRID_ROW, {0, 0}, {{0, kMax}, {1, 0}}, {}, {{0, kMax}, {1, 1}}},
      {"last column stays", GRID_INSERT | GRID_COLUMN, {1, 0}, {{kMax, 2}, {1, 2}}, {}, {{kMax, 2}, {2, 2}}},
      {"delete keeps the far column", GRID_DELETE | GRID_ROW, {0, 1}, {{kMax, 1}, {kMax, 2}, {3, 2}}, {},
       {{kMax, 1}, {kMax, 2}, {3, 1}}},
      {"delete next to a far locked home", GRID_DELETE | GRID_COLUMN, {0, 0}, {{1, kMax}, {1, 0}}, {{0, kMax}},
       {{1, kMax}, {0, 0}}},
  };
  for (const Case& c : cases) {
    for (int p = 0; p < S().PageCount; p++)
      while (GetItemCount(p)) ReleaseButton(p, GetItemCount(p) - 1, 0, 0);
    CollectLockedButtons();
    std::vector<ButtonInfo*> buttons;
    for (const ItemPos& at : c.Buttons) buttons.push_back(Add(0, "b", at.PosX, at.PosY));
    for (const ItemPos& at : c.Locked) Lock(Add(1, "locked", at.PosX, at.PosY));
    RebuildButtonGrid(0);
    int cell = FindGridCell(c.Cell);
    ASSERT_GE(cell, 0) << c.What;
    InsertOrDeleteGridLine(cell, c.Flags);
    for (size_t i = 0; i < buttons.size(); i++) EXPECT_EQ(c.After[i], P(buttons[i])) << c.What << " button " << i;
  }
}

TEST_F(GridTest, MovingOntoAButtonOfTheSameRow) {
  ButtonInfo* a = Add(0, "a", 0, 0);
  ButtonInfo* b = Add(0, "b", 1, 0);
  ButtonInfo* c = Add(0, "c", 2, 0);
  ButtonInfo* d = Add(0, "d", 3, 0);
  RebuildButtonGrid(0);
  MoveButtonInList(0, a, 3, d);  // a goes just before d, the gap closes
  EXPECT_EQ((ItemPos{0, 0}), P(b));
  EXPECT_EQ((ItemPos{1, 0}), P(c));
  EXPECT_EQ((ItemPos{2, 0}), P(a));
  EXPECT_EQ((ItemPos{3, 0}), P(d));
  MoveButtonInList(0, d, 0, b);  // d to the front pushes the rest on
  EXPECT_EQ((ItemPos{0, 0}), P(d));
  EXPECT_EQ((ItemPos{1, 0}), P(b));
  EXPECT_EQ((ItemPos{2, 0}), P(c));
  EXPECT_EQ((ItemPos{3, 0}), P(a));
  ButtonInfo* e = Add(0, "e", 0, 1);
  MoveButtonInList(0, e, 1, b);  // from another row: the row from b on moves on
  EXPECT_EQ((ItemPos{1, 0}), P(e));
  EXPECT_EQ((ItemPos{2, 0}), P(b));
  EXPECT_EQ((ItemPos{4, 0}), P(a));
  g_Log.Calls.clear();
  MoveButtonInList(0, e, 1, e);  // onto itself
  EXPECT_TRUE(g_Log.Calls.empty());
}

TEST_F(GridTest, MovingToAnEmptyCellAndKeepingTheLock) {
  ButtonInfo* a = Add(0, "a", 0, 0);
  ToggleButtonLock(a, 0);
  ButtonInfo* other = Add(1, "o", 5, 2);
  RebuildButtonGrid(0);
  MoveButtonInList(0, a, FindGridCell(ItemPos{5, 2}), nullptr);
  EXPECT_EQ((ItemPos{5, 2}), P(a));
  EXPECT_TRUE(a->Type & ITEM_LOCKED);
  EXPECT_EQ((ItemPos{6, 2}), P(other));  // moved out of the new home
  EXPECT_EQ(a, S().Grid[FindGridCell(ItemPos{5, 2})].Button);
}

TEST_F(GridTest, SeparatePositionsPerViewMode) {
  g_App.Settings.DispOption = DISP_SEPARATE_VIEWMODES;
  ButtonInfo* a = Add(0, "a", 1, 0);
  a->Position[1] = ItemPos{5, 5};
  ShiftButtonPositions(0, ItemPos{0, 0}, nullptr, +1, 0);
  EXPECT_EQ((ItemPos{2, 0}), a->Position[0]);
  EXPECT_EQ((ItemPos{5, 5}), a->Position[1]);
  g_App.Settings.DispOption = 0;
  ShiftButtonPositions(0, ItemPos{0, 0}, nullptr, +1, 1);  // shared: view mode 0, copied to both
  EXPECT_EQ((ItemPos{3, 0}), a->Position[0]);
  EXPECT_EQ((ItemPos{3, 0}), a->Position[1]);
}

}  // namespace
