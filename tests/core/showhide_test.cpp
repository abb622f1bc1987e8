#include "core/showhide.h"

#include <gtest/gtest.h>

#include "core/switches.h"

namespace {

TEST(ShowModeFromPositionBits, LowestBitWins) {
  struct Case {
    UINT Bits;
    int Mode;
  } cases[] = {{0, 1}, {1, 2}, {2, 0}, {4, 3}, {8, 4}, {3, 2}, {6, 0}, {12, 3}, {15, 2}};
  for (const Case& c : cases) EXPECT_EQ(c.Mode, ShowModeFromPositionBits(c.Bits)) << "bits " << c.Bits;
}

TEST(ComputeBodyPosition, Placements) {
  const RECT primary = {0, 0, 1280, 1024};
  const RECT work = {0, 0, 1280, 984};
  const RECT body = {100, 100, 300, 250};         // 200 x 150
  const RECT buttons = {120, 140, 280, 240};      // centre 200,190: 100,90 into the body
  struct Case {
    int Placement;
    POINT Pt, Cursor;
    POINT Want;
  } cases[] = {
      {SHOW_AT_CURSOR, {0, 0}, {640, 500}, {540, 410}},
      {SHOW_CORNER_AT_CURSOR, {0, 0}, {640, 500}, {640, 500}},
      {SHOW_CENTRED, {0, 0}, {5, 5}, {540, 437}},
      {SHOW_AT_POINT, {900, 700}, {5, 5}, {900, 700}},
      {SHOW_AT_POINT, {5000, -300}, {5, 5}, {5000, -300}},  // never pulled back
      {SHOW_LAST_POSITION, {0, 0}, {5, 5}, {100, 100}},
      {0, {900, 700}, {5, 5}, {100, 100}},                   // left where it is
      {9, {900, 700}, {5, 5}, {100, 100}},
      // Clamped into the work area: right and bottom, then left and top.
      {SHOW_CORNER_AT_CURSOR, {0, 0}, {1250, 980}, {1080, 834}},
      {SHOW_AT_CURSOR, {0, 0}, {10, 10}, {0, 0}},
  };
  for (const Case& c : cases) {
    POINT at = ComputeBodyPosition(c.Placement, c.Pt, c.Cursor, body, buttons, primary, work);
    EXPECT_EQ(c.Want.x, at.x) << "case " << (&c - cases);
    EXPECT_EQ(c.Want.y, at.y) << "case " << (&c - cases);
  }
  // A body larger than the monitor shows its top-left part.
  const RECT big = {0, 0, 2000, 1500};
  POINT at = ComputeBodyPosition(SHOW_LAST_POSITION, {}, {}, big, big, primary, work);
  EXPECT_EQ(0, at.x);
  EXPECT_EQ(0, at.y);
  // Last position off the monitor comes back inside.
  const RECT away = {-500, 2000, -300, 2150};
  at = ComputeBodyPosition(SHOW_LAST_POSITION, {}, {}, away, away, primary, work);
  EXPECT_EQ(0, at.x);
  EXPECT_EQ(834, at.y);
}

TEST(ComputeStandbyPoint, CornersWithMarginsOutside) {
  const RECT work = {0, 0, 1280, 984};
  const SIZE window = {220, 170};
  const RECT margins = {10, 5, 10, 15};
  struct Case {
    int Position;
    POINT Want;
  } cases[] = {
      {1, {-10, -5}},
      {2, {1070, -5}},
      {3, {-10, 829}},
      {4, {1070, 829}},
      {5, {33, 44}},
  };
  for (const Case& c : cases) {
    POINT p = ComputeStandbyPoint(c.Position, POINT{33, 44}, work, window, margins);
    EXPECT_EQ(c.Want.x, p.x) << "position " << c.Position;
    EXPECT_EQ(c.Want.y, p.y) << "position " << c.Position;
  }
}

}  // namespace
