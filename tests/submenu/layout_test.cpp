// Rows, columns and scroll buttons on synthetic work areas, item
// rectangles, and placement beside the anchor on synthetic monitors.
#include <gtest/gtest.h>

#include "submenu/layout.h"
#include "submenu/records.h"

namespace {

const SmMetrics kM = {{3, 3, 3, 3}, {0, 0, 0, 0}, 1, 16, 16};

SmGridInput Input(int count, int itemH, int rows, int cols, int workH = 1000) {
  SmGridInput in = {};
  in.Work = RECT{0, 0, 1599, workH - 1};
  in.M = kM;
  in.ItemWidth = 120;
  in.ItemHeight = itemH;
  in.Count = count;
  in.OptRows = rows;
  in.OptColumns = cols;
  return in;
}

TEST(SubMenuGrid, RowsColumnsAndScrollButtons) {
  const struct {
    int Count, ItemH, Rows, Cols, WorkH;
    int WantRows, WantCols;
    LONG Scroll;
  } cases[] = {
      {10, 20, 4, 3, 1000, 4, 3, 0},          // 3 columns of 4
      {6, 20, 4, 3, 1000, 4, 2, 0},           // 6 items take 2 columns
      {5, 20, 0, 1, 1000, 5, 1, 0},           // fits: one column of all
      // 50 items, room for 20 in one column: up and down buttons take rows.
      {50, 20, 0, 1, 400, 18, 1, SMS_VSCROLL},
      {100, 20, 4, 3, 1000, 4, 3, SMS_HSCROLL},
      {3, 20, 10, 1, 1000, 3, 1, 0},          // more rows than items: the count
      {1, 5000, 0, 1, 400, 1, 1, 0},          // a tall item is cut to the area
  };
  for (const auto& c : cases) {
    SmGrid g = ComputeSubMenuGrid(Input(c.Count, c.ItemH, c.Rows, c.Cols, c.WorkH));
    SCOPED_TRACE(::testing::Message() << "count " << c.Count << " rows " << c.Rows << " cols " << c.Cols);
    EXPECT_EQ(c.WantRows, g.Rows);
    EXPECT_EQ(c.WantCols, g.Columns);
    EXPECT_EQ(c.Scroll, g.ScrollBits);
  }
}

TEST(SubMenuGrid, WindowSizeAndButtonRectangles) {
  SmGrid v = ComputeSubMenuGrid(Input(50, 20, 0, 1, 400));
  EXPECT_EQ(v.Rows * 20 + 6 + 2 * 17, v.Height);
  EXPECT_EQ(120 + 6, v.Width);
  EXPECT_EQ((RECT{3, 3, 122, 18}).bottom, v.Scroll[0].bottom);
  EXPECT_EQ(v.Scroll[0].bottom + 2 + v.Rows * 20 + 1, v.Scroll[1].top);
  EXPECT_EQ(400, v.Height);  // 18 rows, frames and both buttons fill the area

  SmGrid h = ComputeSubMenuGrid(Input(100, 20, 4, 3));
  EXPECT_EQ(3 * 120 + 6 + 2 * 17, h.Width);
  EXPECT_EQ(4 * 20 + 6, h.Height);
  EXPECT_EQ(3, h.Scroll[0].left);
  EXPECT_EQ(18, h.Scroll[0].right);
  EXPECT_EQ(18 + 360 + 2 + 1, h.Scroll[1].left);
  EXPECT_EQ(3 + 80 - 1, h.Scroll[1].bottom);

  SmGridInput narrow = Input(4, 20, 0, 1);
  narrow.OptItemWidth = 50;
  EXPECT_EQ(50, ComputeSubMenuGrid(narrow).ItemWidth);
}

TEST(SubMenuGrid, ItemRectanglesColumnByColumn) {
  SmGrid g = ComputeSubMenuGrid(Input(10, 20, 4, 3));
  RECT r[10];
  LayoutSmItemRects(g, kM, 0, 10, r);
  EXPECT_EQ((RECT{3, 3, 122, 22}).right, r[0].right);
  EXPECT_EQ(3, r[0].left);
  EXPECT_EQ(3 + 3 * 20, r[3].top);
  EXPECT_EQ(123, r[4].left);
  EXPECT_EQ(3, r[4].top);
  EXPECT_EQ(243, r[9].left);
  EXPECT_EQ(3 + 20, r[9].top);

  // Scrolled: items before the first visible one are not laid out, and the
  // horizontal buttons push the first column right.
  SmGrid s = ComputeSubMenuGrid(Input(100, 20, 4, 3));
  RECT big[100];
  LayoutSmItemRects(s, kM, 8, 100, big);
  EXPECT_LT(big[7].right, big[7].left);
  EXPECT_EQ(3 + 17, big[8].left);
  EXPECT_LT(big[20].right, big[20].left);
  EXPECT_EQ(3 + 17 + 240, big[19].left);
}

TEST(SubMenuGrid, FirstVisibleKeepsAFullPage) {
  const int cases[][5] = {
      // first, count, rows, cols, want
      {0, 10, 4, 1, 0}, {8, 10, 4, 1, 6}, {20, 10, 4, 1, 6}, {3, 3, 4, 1, 0}, {-2, 10, 4, 1, 0}, {5, 100, 4, 3, 5},
  };
  for (const auto& c : cases) EXPECT_EQ(c[4], ClampFirstVisible(c[0], c[1], c[2], c[3])) << c[0] << "/" << c[1];
}

TEST(SubMenuPlacement, BesideTheAnchorOnItsMonitor) {
  SmMetrics m = {{3, 3, 3, 3}, {2, 2, 6, 6}, 1, 16, 16};
  const struct {
    int Level, Left;
    RECT Anchor, Work;
    SIZE Size;
    int WantX, WantY, WantLeft;
  } cases[] = {
      // Root: the point less the shadow.
      {0, 0, {100, 100, 100, 100}, {0, 0, 1279, 1023}, {200, 300}, 98, 98, 0},
      // Root near the right and bottom edges: pulled inside (shadow allowed out).
      {0, 0, {1200, 900, 1200, 900}, {0, 0, 1279, 1023}, {200, 300}, 1279 + 6 - 200, 1023 + 6 - 300, 0},
      // Root on a second monitor to the left with negative coordinates.
      {0, 0, {-1900, 10, -1900, 10}, {-1920, 0, -1, 1079}, {200, 300}, -1902, 8, 0},
      // Cascade to the right of the parent item, first item level with it.
      {1, 0, {300, 200, 419, 219}, {0, 0, 1279, 1023}, {150, 100}, 419 - 3 + 1, 197, 0},
      // No room on the right: opens to the left.
      {1, 0, {1100, 200, 1219, 219}, {0, 0, 1279, 1023}, {150, 100}, 1100 + 3 - 150, 197, 1},
      // Already opening leftwards and it still fits there.
      {2, 1, {500, 200, 619, 219}, {0, 0, 1279, 1023}, {150, 100}, 500 + 3 - 150, 197, 1},
      // Leftwards no longer fits: back to the right.
      {2, 1, {50, 200, 169, 219}, {0, 0, 1279, 1023}, {150, 100}, 169 - 3 + 1, 197, 0},
      // Taller than the work area: from its top.
      {1, 0, {300, 200, 419, 219}, {0, 0, 1279, 599}, {150, 900}, 417, -2, 0},
  };
  for (const auto& c : cases) {
    SmPlaceInput in = {c.Level, c.Left, c.Anchor, c.Size, c.Work, m};
    int left = -1;
    POINT p = ComputeSubMenuPosition(in, &left);
    SCOPED_TRACE(::testing::Message() << "case " << (&c - cases));
    EXPECT_EQ(c.WantX, p.x);
    EXPECT_EQ(c.WantY, p.y);
    EXPECT_EQ(c.WantLeft, left);
  }
}

}  // namespace
