// The history of launched buttons, its exclusions and the model-busy flag.
#include <atomic>
#include <thread>

#include "store/grid.h"
#include "store/history.h"
#include "store/lists.h"
#include "store_fixture.h"

namespace {

class HistoryTest : public StoreTest {
 protected:
  ButtonInfo* b[6];
  void SetUp() override {
    StoreTest::SetUp();
    MakePages(1);
    for (int i = 0; i < 6; i++) b[i] = Add(0, ("b" + std::to_string(i)).c_str(), i, 0);
    ASSERT_EQ(1, ResizeHistory(3));
  }
  std::string Order() {
    std::string s;
    for (int i = 0; i < S().Refs.MaxMemories && S().Refs.History[i].Ref; i++)
      s += Narrow(GetItem(ItemRefList(S().Refs.History[i].Ref), ItemRefIndex(S().Refs.History[i].Ref))->Name) + " ";
    return s;
  }
};

TEST_F(HistoryTest, NewestFirstWithinCapacity) {
  AddHistoryEntry(b[0], 7, 0);
  AddHistoryEntry(b[1], 0, 0);
  EXPECT_EQ("b1 b0 ", Order());
  EXPECT_EQ(7, S().Refs.History[1].Option);
  AddHistoryEntry(b[0], 0, 0);  // again: moves to the front
  EXPECT_EQ("b0 b1 ", Order());
  AddHistoryEntry(b[2], 0, 0);
  AddHistoryEntry(b[3], 0, 0);  // full: the oldest goes
  EXPECT_EQ("b3 b2 b0 ", Order());
  // A full history drops its last entry even when the launched button was in it.
  AddHistoryEntry(b[3], 0, 0);
  EXPECT_EQ("b3 b2 ", Order());
  EXPECT_EQ(b[3], S().LastLaunched);
}

TEST_F(HistoryTest, NotRecorded) {
  AddHistoryEntry(b[0], 0, 1);  // noRecord
  EXPECT_EQ("", Order());
  EXPECT_EQ(b[0], S().LastLaunched);
  AddHistoryEntry(nullptr, 0, 0);
  EXPECT_EQ(nullptr, S().LastLaunched);
  ResizeHistory(0);
  EXPECT_EQ(nullptr, S().Refs.History);
  EXPECT_EQ(1, AddHistoryEntry(b[1], 0, 0));
  EXPECT_EQ(b[1], S().LastLaunched);
}

TEST_F(HistoryTest, ExclusionsByFlagAndList) {
  struct Case {
    UINT flag;
    UINT type;
    bool excluded;
  } cases[] = {
      {0, 0x4001, false}, {1, 0x4001, true}, {2, 0x4001, false}, {2, 0x1002, true},
      {4, IT_FOLDER, true}, {4, IT_RECYCLEBIN, true}, {4, 2, false}, {0, IT_FOLDER, false},
  };
  for (const Case& c : cases) {
    S().Refs.HistoryFlag = c.flag;
    b[5]->Type = c.type;
    EXPECT_EQ(c.excluded ? 1 : 0, IsHistoryExcluded(b[5])) << c.flag << " " << std::hex << c.type;
  }
  S().Refs.HistoryFlag = 0;
  EXPECT_EQ(1, AddHistoryExclusion(MakeItemRef(0, 2)));
  EXPECT_EQ(1, AddHistoryExclusion(MakeItemRef(0, 2)));
  EXPECT_EQ(1, S().Refs.ExcludedCount);
  EXPECT_EQ(1, IsHistoryExcluded(b[2]));
  AddHistoryEntry(b[2], 0, 0);
  EXPECT_EQ("", Order());
}

TEST_F(HistoryTest, FolderShellItemIsExcludedWithFlag4) {
  LPITEMIDLIST windows = nullptr;
  ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_WINDOWS, &windows)));
  b[4]->Type = IT_SHELLITEM;
  b[4]->ShellItem = windows;  // freed with the button
  S().Refs.HistoryFlag = 4;
  AddHistoryEntry(b[4], 0, 0);
  EXPECT_EQ("", Order());
  S().Refs.HistoryFlag = 0;
  AddHistoryEntry(b[4], 0, 0);
  EXPECT_EQ("b4 ", Order());
}

TEST_F(HistoryTest, PruneRemovesNewlyExcludedEntries) {
  AddHistoryEntry(b[0], 0, 0);
  AddHistoryEntry(b[1], 0, 0);
  AddHistoryEntry(b[2], 0, 0);
  b[2]->Type = 0x4005;
  b[0]->Type = 0x4006;
  S().Refs.HistoryFlag = 1;
  EXPECT_EQ(1, PruneHistory());
  EXPECT_EQ("b1 ", Order());
  EXPECT_EQ(0, S().Refs.History[1].Ref);
}

TEST_F(HistoryTest, HistoryButtonsAreRedrawn) {
  ButtonInfo* h = Add(0, "recent", 0, 1, IT_HISTORY | ITEM_SHOW_NEWEST);
  Add(0, "plain history", 1, 1, IT_HISTORY);
  RebuildButtonGrid(0);
  S().HoverCell = 7;
  g_Log.Calls.clear();
  AddHistoryEntry(b[0], 0, 0);
  EXPECT_EQ(1, g_Log.Count("DrawButton"));
  EXPECT_EQ(1, g_Log.Count("DrawButton 7 1"));
  EXPECT_EQ(h, S().Grid[7].Button);
}

TEST_F(HistoryTest, ResizeKeepsTheNewestEntries) {
  AddHistoryEntry(b[0], 0, 0);
  AddHistoryEntry(b[1], 0, 0);
  AddHistoryEntry(b[2], 0, 0);
  ASSERT_EQ(1, ResizeHistory(2));
  EXPECT_EQ("b2 b1 ", Order());
  ASSERT_EQ(1, ResizeHistory(5));
  EXPECT_EQ("b2 b1 ", Order());
  g_Log.FailAfter = 0;
  EXPECT_EQ(0, ResizeHistory(50));  // the old array stays
  g_Log.FailAfter = -1;
  EXPECT_EQ(5, S().Refs.MaxMemories);
  EXPECT_EQ("b2 b1 ", Order());
}

TEST_F(HistoryTest, BusyModelTimesOutAfterThreeSeconds) {
  InterlockedOr(&g_App.RunState, RS_HISTORY_BUSY);
  DWORD start = GetTickCount();
  EXPECT_EQ(0, AddHistoryEntry(b[0], 0, 0));
  DWORD waited = GetTickCount() - start;
  EXPECT_GE(waited, 2990u);
  EXPECT_LT(waited, 4500u);
  EXPECT_EQ(0, WaitModelIdle());
  InterlockedAnd(&g_App.RunState, ~static_cast<LONG>(RS_HISTORY_BUSY));
  EXPECT_EQ("", Order());
  EXPECT_EQ(1, WaitModelIdle());
}

// A reader that holds the flag briefly delays the writer, which then records.
TEST_F(HistoryTest, WriterWaitsForAReader) {
  ASSERT_EQ(1, BeginModelBusy());
  std::thread reader([] {
    Sleep(150);
    EndModelBusy();
  });
  DWORD start = GetTickCount();
  EXPECT_EQ(1, AddHistoryEntry(b[0], 0, 0));
  EXPECT_GE(GetTickCount() - start, 100u);
  reader.join();
  EXPECT_EQ("b0 ", Order());
}

// Many threads taking the flag at once: never two inside together.
TEST_F(HistoryTest, BusyFlagIsATestAndSet) {
  std::atomic<int> inside{0}, overlaps{0}, entered{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; t++)
    threads.emplace_back([&] {
      for (int i = 0; i < 50; i++) {
        if (!BeginModelBusy()) continue;
        if (inside.fetch_add(1) != 0) overlaps++;
        entered++;
        Sleep(0);
        inside.fetch_sub(1);
        EndModelBusy();
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(0, overlaps.load());
  EXPECT_EQ(400, entered.load());
}

TEST_F(HistoryTest, AssignmentSnapshot) {
  References& r = S().Refs;
  EXPECT_EQ(1, SnapshotAssignments(2));  // nothing taken: nothing changes
  r.MousePlaceMask[3] = 1;
  r.MouseTargets[3][0] = MouseTarget{0, 1};
  r.EdgeAssignment[5] = MakeItemRef(0, 2);
  r.Circle[1] = CircleGestureSettings{1, 4, 20, 30, 0, 3};
  ASSERT_EQ(1, SnapshotAssignments(1));
  r.MousePlaceMask[3] = 0;
  r.MouseTargets[3][0] = MouseTarget{0, 0};
  r.EdgeAssignment[5] = 0;
  r.Circle[1].Enable = 0;
  EXPECT_EQ(1, SnapshotAssignments(2));
  EXPECT_EQ(1u, r.MousePlaceMask[3]);
  EXPECT_EQ(1, r.MouseTargets[3][0].Index);
  EXPECT_EQ(static_cast<UINT>(MakeItemRef(0, 2)), r.EdgeAssignment[5]);
  EXPECT_EQ(1, r.Circle[1].Enable);
  EXPECT_EQ(nullptr, S().Snapshot);
  // Op 1 that cannot allocate frees what it made.
  g_Log.FailAfter = 2;
  EXPECT_EQ(0, SnapshotAssignments(1));
  g_Log.FailAfter = -1;
  EXPECT_EQ(nullptr, S().Snapshot);
  // Any other op drops a snapshot without restoring.
  ASSERT_EQ(1, SnapshotAssignments(1));
  r.EdgeAssignment[5] = 0;
  EXPECT_EQ(1, SnapshotAssignments(3));
  EXPECT_EQ(0u, r.EdgeAssignment[5]);
}

}  // namespace
