// The reference operations on their own.
#include "store/history.h"
#include "store/hotkeys.h"
#include "store/lists.h"
#include "store/refs.h"
#include "store_fixture.h"

namespace {

using RefsTest = StoreTest;

// The placeholder protocol: references to a list parked while it moves,
// then resolved to its new number.
TEST_F(RefsTest, FixupWithPlaceholder) {
  MakePages(5);
  for (int p = 0; p < 5; p++) Add(p, "b");
  References& r = S().Refs;
  ResizeHistory(5);
  for (int p = 4; p >= 0; p--) {
    AddHistoryEntry(GetItem(p, 0), 0, 0);
    r.EdgeAssignment[p] = MakeItemRef(p, 0);
    r.EdgeAssignment[8 + p] = 0xFFFF0000u | p;
    SetHotKey(0x41 + p, p, 0, 1);
  }
  FixupReferences(1, -1, 1);
  EXPECT_EQ(static_cast<UINT>(MakeItemRef(LIST_PLACEHOLDER, 0)), r.EdgeAssignment[1]);
  EXPECT_EQ(0xFFFFFFFEu, r.EdgeAssignment[9]);
  EXPECT_EQ(LIST_PLACEHOLDER, r.HotKeys.Rows[4].List);  // rows were added from page 4 down
  FixupReferences(3, +1, 0);
  int to[] = {0, 3, 1, 2, 4};
  for (int p = 0; p < 5; p++) {
    EXPECT_EQ(static_cast<UINT>(MakeItemRef(to[p], 0)), r.EdgeAssignment[p]) << p;
    EXPECT_EQ(0xFFFF0000u | to[p], r.EdgeAssignment[8 + p]) << p;
    EXPECT_EQ(to[p], r.HotKeys.Rows[5 - p].List) << p;
    EXPECT_EQ(MakeItemRef(to[p], 0), r.History[p].Ref) << p;
  }
}

TEST_F(RefsTest, ShiftItemIndicesChecksItsRange) {
  MakePages(1);
  for (int i = 0; i < 4; i++) Add(0, "b", i, 0);
  SetHotKey(0x41, 0, 3, 1);
  EXPECT_EQ(0, ShiftItemIndices(0, 4, 4, -1));   // first past the end
  EXPECT_EQ(0, ShiftItemIndices(0, 0, 1, -1));   // below 0
  EXPECT_EQ(0, ShiftItemIndices(0, 2, 3, +1));   // past the end
  EXPECT_EQ(0, ShiftItemIndices(7, 0, 0, 1));    // no such list
  EXPECT_EQ(3, S().Refs.HotKeys.Rows[1].Index);
  ButtonInfo* b0 = GetItem(0, 0);
  ButtonInfo* b3 = GetItem(0, 3);
  // Park b0, move 1..3 down, put b0 last: the key follows b3.
  ReplaceItemReferences(0, 0, 0, LIST_PLACEHOLDER, 1);
  EXPECT_EQ(1, ShiftItemIndices(0, 1, 3, -1));
  S().PageButtons[0][3] = b0;
  b0->Index = 3;
  ReplaceItemReferences(0, LIST_PLACEHOLDER, 0, 3, 1);
  EXPECT_EQ(b3, GetItem(0, 2));
  EXPECT_EQ(2, S().Refs.HotKeys.Rows[1].Index);
}

TEST_F(RefsTest, ReplaceMovesOrRemovesAndSaysSo) {
  MakePages(2);
  Add(0, "a");
  Add(1, "b");
  EXPECT_EQ(0, ReplaceItemReferences(0, 0, 1, 0, 1));  // nothing names it
  S().Refs.Circle[0] = CircleGestureSettings{1, 4, 20, 30, 0, 0};
  EXPECT_EQ(1, ReplaceItemReferences(0, 0, 1, 0, 1));
  EXPECT_EQ(1, S().Refs.Circle[0].Page);
  EXPECT_FALSE(g_Log.Has("DllData"));
  EXPECT_EQ(1, ReplaceItemReferences(1, 0, 0, 0, 0));
  EXPECT_EQ(0, S().Refs.Circle[0].Enable);
  EXPECT_EQ(1, g_Log.Count("DllData 1"));
}

}  // namespace
