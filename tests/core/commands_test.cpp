#include "core/commands.h"

#include <gtest/gtest.h>

#include "input_fixture.h"

namespace {

TEST(ComputeTargetPage, Table) {
  struct Case {
    int Command, Current, Count, Wrap, Want;
  } cases[] = {
      {LC_PREV_PAGE, 2, 5, 0, 1},  {LC_PREV_PAGE, 0, 5, 0, -1}, {LC_PREV_PAGE, 0, 5, 1, 4},
      {LC_NEXT_PAGE, 2, 5, 0, 3},  {LC_NEXT_PAGE, 4, 5, 0, -1}, {LC_NEXT_PAGE, 4, 5, 1, 0},
      {LC_FIRST_PAGE, 3, 5, 0, 0}, {LC_LAST_PAGE, 0, 5, 0, 4},  {LC_PAGE1, 2, 5, 0, 0},
      {LC_PAGE1 + 2, 0, 3, 0, 2},  {LC_PAGE1 + 5, 0, 3, 0, -1},  // command 9 with 3 pages
      {LC_PAGE10, 0, 10, 0, 9},    {LC_PAGE10, 0, 9, 0, -1},    {LC_NEXT_PAGE, 0, 0, 1, -1},
      {LC_LEFT, 0, 5, 0, -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Want, ComputeTargetPage(c.Command, c.Current, c.Count, c.Wrap)) << "case " << (&c - cases);
}

TEST(LauncherCommandMenuId, EveryCommandHasItsMenuIdOrNone) {
  const int want[kLauncherCommands] = {
      0,     0,     0,     0,     0,     0,     0,     0,     0,     0,     0,     0,     0,     0,     0,     0,
      0,     0,     0,     0,     0,     0,     0,     0,     0,     40034, 0,     40063, 40064, 40065, 40067, 40035,
      40036, 40041, 40032, 40033, 40031, 0,     0,     40005, 40006, 40007, 40009, 40010, 40019, 40003, 0,     40004};
  for (int c = 0; c < kLauncherCommands; ++c) EXPECT_EQ(want[c], LauncherCommandMenuId(c, 0)) << "command " << c;
  EXPECT_EQ(40008, LauncherCommandMenuId(LC_VIEW_MODE, 1));
}

TEST(MoveGridCursor, EdgesByKeyboardOption) {
  // 3 x 2 visible cells over content of 5 columns and 4 rows.
  struct Case {
    int Command;
    UINT Option;
    int Cell, ScrollRow, ScrollCol;
    int WantCell, WantRow, WantCol, WantResult;
  } cases[] = {
      {LC_RIGHT, 0, 0, 0, 0, 1, 0, 0, GC_CELL},
      {LC_RIGHT, 0, 2, 0, 0, 2, 0, 0, 0},                              // stops at the edge
      {LC_RIGHT, KBO_CURSOR_WRAP, 2, 0, 0, 0, 0, 0, GC_CELL},          // wraps in view
      {LC_RIGHT, KBO_CURSOR_SCROLL, 2, 0, 0, 2, 0, 1, GC_SCROLL},      // scrolls first
      {LC_RIGHT, KBO_CURSOR_SCROLL, 2, 0, 2, 0, 0, 0, GC_CELL | GC_SCROLL},  // then wraps
      {LC_LEFT, KBO_CURSOR_SCROLL, 3, 0, 0, 5, 0, 2, GC_CELL | GC_SCROLL},
      {LC_LEFT, KBO_CURSOR_SCROLL, 0, 0, 1, 0, 0, 0, GC_SCROLL},
      {LC_UP, 0, 1, 0, 0, 1, 0, 0, 0},
      {LC_DOWN, 0, 1, 0, 0, 4, 0, 0, GC_CELL},
      {LC_DOWN, KBO_CURSOR_SCROLL, 4, 1, 0, 4, 2, 0, GC_SCROLL},
      {LC_DOWN, KBO_CURSOR_WRAP, 4, 1, 0, 1, 1, 0, GC_CELL},
      {LC_DOWN, 0, -1, 0, 0, 0, 0, 0, GC_CELL},                        // no cell: the first
      {LC_HOME, 0, 5, 2, 1, 0, 0, 0, GC_CELL | GC_SCROLL},
      {LC_HOME, 0, 0, 0, 0, 0, 0, 0, 0},                               // already there
      {LC_END, 0, 0, 0, 0, 5, 2, 2, GC_CELL | GC_SCROLL},
      {LC_ROW_FORWARD, 0, 1, 2, 0, 1, 2, 0, 0},                        // not beyond rows - visible
      {LC_ROW_FORWARD, 0, 1, 1, 0, 1, 2, 0, GC_SCROLL},
      {LC_ROW_BACK, 0, 1, 0, 0, 1, 0, 0, 0},
      {LC_COLUMN_FORWARD, 0, 1, 0, 1, 1, 0, 2, GC_SCROLL},
      {LC_COLUMN_BACK, 0, 1, 0, 1, 1, 0, 0, GC_SCROLL},
  };
  for (const Case& c : cases) {
    GridCursor g = {3, 2, 5, 4, c.ScrollRow, c.ScrollCol, c.Cell};
    int r = MoveGridCursor(&g, c.Command, c.Option);
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    EXPECT_EQ(c.WantResult, r);
    EXPECT_EQ(c.WantCell, g.Cell);
    EXPECT_EQ(c.WantRow, g.ScrollRow);
    EXPECT_EQ(c.WantCol, g.ScrollColumn);
  }
}

class CommandTest : public InputTest {};

TEST_F(CommandTest, PageCommandsSelectAndReportSuccess) {
  MakePages(3);
  g_App.Settings.Option1 = 0;
  S().CurrentPage = 2;
  EXPECT_EQ(1, PerformLauncherCommand(LC_NEXT_PAGE, 0));  // last page, no wrap: nothing, success
  EXPECT_EQ(2, S().CurrentPage);
  EXPECT_EQ(1, PerformLauncherCommand(LC_PAGE1 + 5, 0));  // page 6 of 3: nothing
  EXPECT_EQ(2, S().CurrentPage);
  g_App.Settings.Option1 = OPT1_WRAP_PAGES;
  EXPECT_EQ(1, PerformLauncherCommand(LC_NEXT_PAGE, 0));
  EXPECT_EQ(0, S().CurrentPage);
  EXPECT_EQ(0, g_App.Settings.LastPage);
  EXPECT_EQ(1, PerformLauncherCommand(LC_PAGE1 + 1, 0));
  EXPECT_EQ(1, S().CurrentPage);
  // A tab drag holds the page.
  g_App.Input.TabDrag = 1;
  EXPECT_EQ(1, PerformLauncherCommand(LC_FIRST_PAGE, 0));
  EXPECT_EQ(1, S().CurrentPage);
}

TEST_F(CommandTest, PageChangeRebuildsTheGridOfTheNewPage) {
  MakePages(2);
  Add(0, "a", 0, 0);
  Add(1, "b", 1, 0);
  ASSERT_NE(nullptr, S().Grid[0].Button);
  PerformLauncherCommand(LC_NEXT_PAGE, 0);
  EXPECT_EQ(nullptr, S().Grid[0].Button);
  ASSERT_NE(nullptr, S().Grid[1].Button);
  EXPECT_STREQ(L"b", S().Grid[1].Button->Name);
}

TEST_F(CommandTest, ButtonCommandsNeedACurrentCell) {
  MakePages(1);
  Add(0, "a", 1, 0);
  S().HoverCell = -1;
  EXPECT_EQ(0, PerformLauncherCommand(LC_LAUNCH, 0));
  EXPECT_TRUE(g_InputLog.Launches.empty());
  S().HoverCell = 1;
  EXPECT_EQ(0, PerformLauncherCommand(LC_PRESS, 0));  // never a command
  EXPECT_EQ(1, PerformLauncherCommand(LC_LAUNCH, 0));
  ASSERT_EQ(1u, g_InputLog.Launches.size());
  EXPECT_EQ("a 4", g_InputLog.Launches[0]);  // from the launcher window
  // A click must be on the pressed cell, unless it is a repeatable one.
  S().PressedCell = 2;
  EXPECT_EQ(0, PerformLauncherCommand(LC_LAUNCH, CF_MOUSE));
  EXPECT_EQ(1, PerformLauncherCommand(LC_LAUNCH, CF_MOUSE | CF_REPEAT));
  EXPECT_EQ("a 184", g_InputLog.Launches.back());
  // Empty cells take button commands and do nothing.
  S().HoverCell = 5;
  EXPECT_EQ(1, PerformLauncherCommand(LC_LAUNCH, 0));
  EXPECT_EQ(2u, g_InputLog.Launches.size());
}

TEST_F(CommandTest, OutOfRangeAndMenuCommands) {
  MakePages(1);
  EXPECT_EQ(0, PerformLauncherCommand(-1, 0));
  EXPECT_EQ(0, PerformLauncherCommand(kLauncherCommands, 0));
  // Command 44 reaches the options through the menu command.
  EXPECT_EQ(1, PerformLauncherCommand(44, 0));
  EXPECT_EQ(1, g_InputLog.Options);
  // A command not from the mouse allows the next context menu.
  g_App.Input.MenuPending = 0;
  PerformLauncherCommand(LC_HOME, 0);
  EXPECT_EQ(1, g_App.Input.MenuPending);
  g_App.Input.MenuPending = 0;
  PerformLauncherCommand(LC_HOME, CF_MOUSE);
  EXPECT_EQ(0, g_App.Input.MenuPending);
}

TEST_F(CommandTest, ViewModeCommandFollowsTheShownMode) {
  MakePages(1);
  g_App.Settings.Status = STATUS_VIEWMODE2;
  EXPECT_EQ(1, PerformLauncherCommand(LC_VIEW_MODE, 0));  // 40008: back to view mode 1
  EXPECT_EQ(0u, g_App.Settings.Status & STATUS_VIEWMODE2);
  EXPECT_EQ(1, PerformLauncherCommand(LC_VIEW_MODE, 0));
  EXPECT_EQ((UINT)STATUS_VIEWMODE2, g_App.Settings.Status & STATUS_VIEWMODE2);
}

TEST_F(CommandTest, CursorCommandsMoveTheHoverAndScrollThePage) {
  MakePages(1);
  Add(0, "far", 3, 5);  // content of 6 rows on a 3-row grid
  g_App.Settings.KeyboardOption = KBO_CURSOR_SCROLL;
  S().HoverCell = -1;
  PerformLauncherCommand(LC_DOWN, 0);
  EXPECT_EQ(0, S().HoverCell);
  ASSERT_FALSE(g_InputLog.Hover.empty());
  EXPECT_EQ(0, g_InputLog.Hover.back());
  PerformLauncherCommand(LC_DOWN, 0);
  PerformLauncherCommand(LC_DOWN, 0);
  EXPECT_EQ(8, S().HoverCell);
  PerformLauncherCommand(LC_DOWN, 0);  // at the bottom: the page scrolls
  EXPECT_EQ(8, S().HoverCell);
  EXPECT_EQ(1, S().Pages[0].ScrollStat[0]);
  PerformLauncherCommand(LC_END, 0);
  EXPECT_EQ(3, S().Pages[0].ScrollStat[0]);
  EXPECT_EQ(11, S().HoverCell);
  ASSERT_NE(nullptr, S().Grid[11].Button);  // the grid was rebuilt scrolled
  EXPECT_STREQ(L"far", S().Grid[11].Button->Name);
}

}  // namespace
