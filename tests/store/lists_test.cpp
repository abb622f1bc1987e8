// Pages and child menus as wholes: limits, deleting, moving, and every kind
// of stored reference following them.
#include "store/grid.h"
#include "store/history.h"
#include "store/hotkeys.h"
#include "store/lists.h"
#include "store/positions.h"
#include "store/outlets.h"
#include "store_fixture.h"

namespace {

using ListsTest = StoreTest;

TEST_F(ListsTest, HundredPagesAtMost) {
  MakePages(kMaxPages);
  g_Log.Calls.clear();
  EXPECT_EQ(-1, AddPage(L"one more"));
  EXPECT_EQ(kMaxPages, S().PageCount);
  EXPECT_EQ(1, g_Log.Count("Msg 663 48: You can add pages up to 100."));
}

TEST_F(ListsTest, LastPageCannotBeDeleted) {
  MakePages(1);
  Add(0, "a");
  EXPECT_EQ(0, DeletePage());
  EXPECT_EQ(1, S().PageCount);
  EXPECT_EQ(1, GetItemCount(0));
  EXPECT_EQ(1, g_Log.Count("Msg 662 48: At least one page is required."));
  EXPECT_FALSE(g_Log.Has("Msg 665"));
}

TEST_F(ListsTest, CancelledPageDeleteChangesNothing) {
  MakePages(2);
  Add(1, "a");
  S().CurrentPage = 1;
  g_Log.MessageAnswer = IDCANCEL;
  EXPECT_EQ(IDCANCEL, DeletePage());
  EXPECT_EQ(1, g_Log.Count("Msg 665 33: Are you sure you want to delete \"P2\"?"));
  EXPECT_EQ(2, S().PageCount);
  EXPECT_EQ(1, GetItemCount(1));
  EXPECT_FALSE(g_Log.Has("WriteSettings"));
}

TEST_F(ListsTest, DeletingTheLastPageShowsThePageBefore) {
  MakePages(3);
  S().Pages[1].Flag = 1;
  S().Pages[1].ScrollStat[0] = 2;
  S().Pages[1].ScrollStat[2] = 3;
  S().CurrentPage = 2;
  g_App.Settings.LastPage = 2;
  EXPECT_EQ(1, DeletePage());
  EXPECT_EQ(2, S().PageCount);
  EXPECT_EQ(1, S().CurrentPage);
  EXPECT_EQ(1, g_App.Settings.LastPage) << "the page shown is the one the settings name";
  EXPECT_EQ(0, S().Pages[1].ScrollStat[0]);
  EXPECT_EQ(0, S().Pages[1].ScrollStat[2]);
  EXPECT_TRUE(g_Log.Has("WriteSettings"));
  EXPECT_TRUE(g_Log.Has("SaveIconCache"));
  EXPECT_TRUE(g_Log.Has("Repaint 7"));
  EXPECT_EQ(1, g_Log.Count("Broadcast 0x10006 2"));
}

TEST_F(ListsTest, MakeDefaultListName) {
  wchar_t* page = MakeDefaultListName(4, 0);
  wchar_t* menu = MakeDefaultListName(7, 1);
  EXPECT_STREQ(L"Page 4", page);
  EXPECT_STREQ(L"Submenu 07", menu);
  StoreFree(page);
  StoreFree(menu);
}

TEST_F(ListsTest, DeletingAPageUnlocksItsLockedButtons) {
  MakePages(2);
  ButtonInfo* locked = Add(0, "locked", 2, 0);
  Add(1, "pushed", 2, 0);
  ToggleButtonLock(locked, 0);
  EXPECT_EQ(3, GetItem(1, 0)->Position[0].PosX);  // moved out of the locked home
  S().CurrentPage = 0;
  DeletePage();
  EXPECT_EQ(0, S().LockedCount);
  EXPECT_EQ(2, GetItem(0, 0)->Position[0].PosX);  // and back again
}

// One button at index 0 of every page; a child menu under page 1 and one
// under page 2; references of every kind to all of them.
class ReferenceTest : public StoreTest {
 protected:
  ButtonInfo* b[4];
  ButtonInfo* inner1;  // in the child menu of page 1
  ButtonInfo* inner2;  // in the child menu of page 2

  static EventEntry* Entries(std::initializer_list<EventEntry> list) {
    EventEntry* e = static_cast<EventEntry*>(StoreAlloc(list.size() * sizeof(EventEntry)));
    int i = 0;
    for (const EventEntry& x : list) e[i++] = x;
    return e;
  }

  void SetUp() override {
    StoreTest::SetUp();
    MakePages(4);
    for (int p = 0; p < 4; p++) b[p] = Add(p, ("b" + std::to_string(p)).c_str());
    ButtonInfo* m1 = AddMenu(1, "m1");
    ButtonInfo* m2 = AddMenu(2, "m2");
    inner1 = Add(MenuOf(m1), "inner1");
    inner2 = Add(MenuOf(m2), "inner2");
    References& r = S().Refs;
    ResizeHistory(10);
    AddHistoryEntry(inner2, 0, 0);
    AddHistoryEntry(inner1, 0, 0);
    for (int p = 3; p >= 0; p--) AddHistoryEntry(b[p], 0, 0);  // newest first: b0 b1 b2 b3
    for (int p = 0; p < 4; p++) AddHistoryExclusion(MakeItemRef(p, 0));
    AddHistoryExclusion(MakeItemRef(LIST_SUBMENU | 1, 0));
    b[0]->ChainBoot = Entries({{1, 0, 0, 0}, {2, 0, 0, 0}, {3, 0, 0, 0}, {LIST_SUBMENU | 1, 0, 0, 0}});
    b[0]->ChainBootCount = 4;
    r.AutoBoot[2] = EventList{4, Entries({{0, 0, 1, 0}, {1, 0, 2, 0}, {2, 0, 3, 0}, {3, 0, 4, 0}})};
    for (int p = 0; p < 4; p++) {
      r.MousePlaceMask[p] = 1;
      r.MouseTargets[p][0] = MouseTarget{p, 0};
      r.MousePlaceMask[10 + p] = 2;  // show page p
      r.MouseTargets[10 + p][1] = MouseTarget{LIST_NONE, p};
      r.EdgeAssignment[p] = MakeItemRef(p, 0);
      r.EdgeAssignment[8 + p] = 0xFFFF0000u | p;
      SetHotKey(0x41 + p, p, 0, 1);
    }
    SetHotKey(0x45, LIST_SUBMENU | 1, 0, 1);
    r.MousePlaceMask[20] = 1;  // show the last page shown
    r.MouseTargets[20][0] = MouseTarget{LIST_NONE, LIST_NONE};
    r.Circle[0] = CircleGestureSettings{1, 4, 20, 30, 1, 0};
    r.Circle[1] = CircleGestureSettings{1, 4, 20, 30, LIST_NONE, 3};
    r.HotKeys.Rows[0] = HotKeyEntry{0x70, 2, 0};
    g_Log.Calls.clear();
  }

  std::vector<int> HistoryRefs() {
    std::vector<int> v;
    for (int i = 0; i < S().Refs.MaxMemories && S().Refs.History[i].Ref; i++) v.push_back(S().Refs.History[i].Ref);
    return v;
  }
  std::vector<int> Excluded() {
    return std::vector<int>(S().Refs.Excluded, S().Refs.Excluded + S().Refs.ExcludedCount);
  }
  std::vector<int> Lists(const EventEntry* e, int n) {
    std::vector<int> v;
    for (int i = 0; i < n; i++) v.push_back(e[i].List);
    return v;
  }
  std::vector<int> HotKeyLists() {
    std::vector<int> v;
    for (int i = 1; i <= S().Refs.HotKeys.Count; i++) v.push_back(S().Refs.HotKeys.Rows[i].List);
    return v;
  }
};

TEST_F(ReferenceTest, DeletingAPageRenumbersEveryReferenceKind) {
  S().CurrentPage = 1;
  DeletePage();
  References& r = S().Refs;
  const int sub0 = LIST_SUBMENU | 0;  // the child menu of old page 2
  ASSERT_EQ(3, S().PageCount);
  ASSERT_EQ(1, S().SubMenuCount);
  EXPECT_EQ(b[2], GetItem(1, 0));
  EXPECT_EQ(inner2, GetItem(sub0, 0));
  EXPECT_EQ(1, S().SubMenus[0].Page);

  EXPECT_EQ((std::vector<int>{MakeItemRef(0, 0), MakeItemRef(1, 0), MakeItemRef(2, 0), MakeItemRef(sub0, 0)}),
            HistoryRefs());
  EXPECT_EQ((std::vector<int>{MakeItemRef(0, 0), MakeItemRef(1, 0), MakeItemRef(2, 0), MakeItemRef(sub0, 0)}),
            Excluded());
  EXPECT_EQ((std::vector<int>{1, 2, sub0}), Lists(b[0]->ChainBoot, b[0]->ChainBootCount));
  EXPECT_EQ((std::vector<int>{0, 1, 2}), Lists(r.AutoBoot[2].Entries, r.AutoBoot[2].Count));
  EXPECT_EQ(3, r.AutoBoot[2].Entries[1].Delay);  // whole entries move up
  EXPECT_EQ(4, r.AutoBoot[2].Entries[2].Delay);
  EXPECT_EQ((std::vector<int>{0, 1, 2, sub0}), HotKeyLists());

  EXPECT_EQ(1u, r.MousePlaceMask[0]);
  EXPECT_EQ(0u, r.MousePlaceMask[1]);  // the place that named a deleted button is off
  EXPECT_EQ(1, r.MouseTargets[2][0].List);
  EXPECT_EQ(2, r.MouseTargets[3][0].List);
  int shown[] = {0, 0, 1, 2};  // a deleted page's references move to the page before it
  for (int p = 0; p < 4; p++) EXPECT_EQ(shown[p], r.MouseTargets[10 + p][1].Index) << p;
  EXPECT_EQ(LIST_NONE, r.MouseTargets[20][0].Index);

  EXPECT_EQ(static_cast<UINT>(MakeItemRef(0, 0)), r.EdgeAssignment[0]);
  EXPECT_EQ(0u, r.EdgeAssignment[1]);
  EXPECT_EQ(static_cast<UINT>(MakeItemRef(1, 0)), r.EdgeAssignment[2]);
  EXPECT_EQ(static_cast<UINT>(MakeItemRef(2, 0)), r.EdgeAssignment[3]);
  for (int p = 0; p < 4; p++) EXPECT_EQ(0xFFFF0000u | shown[p], r.EdgeAssignment[8 + p]) << p;

  EXPECT_EQ(0, r.Circle[0].Enable);  // named a deleted button
  EXPECT_EQ(LIST_NONE, r.Circle[0].Page);
  EXPECT_EQ(1, r.Circle[1].Enable);
  EXPECT_EQ(2, r.Circle[1].Button);  // show page 3 -> 2
  EXPECT_EQ(1, r.HotKeys.Rows[0].List);
  EXPECT_EQ(1, g_Log.Count("DllData 1"));
  EXPECT_TRUE(g_Log.Has("DllData 2 4"));
}

TEST_F(ReferenceTest, MovingAPageRenumbersEveryReferenceKind) {
  S().DragPage = 1;
  MovePage(3);  // order becomes P1 P3 P2 P4
  References& r = S().Refs;
  int to[] = {0, 2, 1, 3};
  ASSERT_EQ(b[1], GetItem(2, 0));
  ASSERT_EQ(b[2], GetItem(1, 0));
  EXPECT_EQ(2, S().CurrentPage);
  EXPECT_EQ(2, g_App.Settings.LastPage);
  EXPECT_EQ(2, S().SubMenus[0].Page);
  EXPECT_EQ(1, S().SubMenus[1].Page);
  EXPECT_EQ((std::vector<int>{MakeItemRef(0, 0), MakeItemRef(2, 0), MakeItemRef(1, 0), MakeItemRef(3, 0),
                              MakeItemRef(LIST_SUBMENU | 0, 0), MakeItemRef(LIST_SUBMENU | 1, 0)}),
            HistoryRefs());
  EXPECT_EQ((std::vector<int>{MakeItemRef(0, 0), MakeItemRef(2, 0), MakeItemRef(1, 0), MakeItemRef(3, 0),
                              MakeItemRef(LIST_SUBMENU | 1, 0)}),
            Excluded());
  EXPECT_EQ((std::vector<int>{2, 1, 3, LIST_SUBMENU | 1}), Lists(b[0]->ChainBoot, b[0]->ChainBootCount));
  EXPECT_EQ((std::vector<int>{0, 2, 1, 3}), Lists(r.AutoBoot[2].Entries, r.AutoBoot[2].Count));
  EXPECT_EQ((std::vector<int>{0, 2, 1, 3, LIST_SUBMENU | 1}), HotKeyLists());
  for (int p = 0; p < 4; p++) {
    EXPECT_EQ(to[p], r.MouseTargets[p][0].List) << p;
    EXPECT_EQ(to[p], r.MouseTargets[10 + p][1].Index) << p;
    EXPECT_EQ(static_cast<UINT>(MakeItemRef(to[p], 0)), r.EdgeAssignment[p]) << p;
    EXPECT_EQ(0xFFFF0000u | to[p], r.EdgeAssignment[8 + p]) << p;
  }
  EXPECT_EQ(2, r.Circle[0].Page);
  EXPECT_EQ(3, r.Circle[1].Button);
  EXPECT_EQ(1, r.HotKeys.Rows[0].List);
  EXPECT_FALSE(g_Log.Has("Broadcast"));
  EXPECT_TRUE(g_Log.Has("WriteSettings"));
  EXPECT_FALSE(g_Log.Has("DllData"));  // nothing was removed
}

TEST_F(ReferenceTest, MovingAPageToItsOwnOrNextPlaceChangesNothing) {
  S().DragPage = 1;
  MovePage(1);
  MovePage(2);
  S().DragPage = -1;
  MovePage(0);
  EXPECT_EQ(b[1], GetItem(1, 0));
  EXPECT_TRUE(g_Log.Calls.empty());
}

TEST_F(ReferenceTest, MovingTheFirstPageLast) {
  S().DragPage = 0;
  MovePage(4);  // P2 P3 P4 P1
  EXPECT_EQ(b[0], GetItem(3, 0));
  EXPECT_EQ(3, S().Refs.MouseTargets[0][0].List);
  EXPECT_EQ(0, S().Refs.MouseTargets[1][0].List);
  EXPECT_EQ(0xFFFF0003u, S().Refs.EdgeAssignment[8]);
}

TEST_F(ReferenceTest, DeletingPageZeroKeepsPageReferencesOnAPage) {
  S().CurrentPage = 0;
  DeletePage();
  EXPECT_EQ(0, S().Refs.MouseTargets[10][1].Index);
  EXPECT_EQ(0xFFFF0000u, S().Refs.EdgeAssignment[8]);
  EXPECT_EQ(0, S().CurrentPage);
}

TEST_F(ReferenceTest, DeletingAChildMenuRenumbersLaterChildMenus) {
  DeleteButton(GetItem(1, 1), 1, -1, 2);  // m1 and child menu 0
  ASSERT_EQ(1, S().SubMenuCount);
  EXPECT_EQ(inner2, GetItem(LIST_SUBMENU | 0, 0));
  EXPECT_EQ(0, GetItem(2, 1)->SubMenuIdx);
  EXPECT_EQ((std::vector<int>{MakeItemRef(0, 0), MakeItemRef(1, 0), MakeItemRef(2, 0), MakeItemRef(3, 0),
                              MakeItemRef(LIST_SUBMENU | 0, 0)}),
            HistoryRefs());
  EXPECT_EQ(MakeItemRef(LIST_SUBMENU | 0, 0), S().Refs.Excluded[4]);
  EXPECT_EQ(LIST_SUBMENU | 0, b[0]->ChainBoot[3].List);
  EXPECT_EQ((std::vector<int>{0, 1, 2, 3, LIST_SUBMENU | 0}), HotKeyLists());
}

TEST_F(ReferenceTest, ReleasingAButtonRemovesEveryReferenceToIt) {
  ReleaseButton(2, 0, 0, 1);  // b2; m2 moves to index 0
  References& r = S().Refs;
  EXPECT_EQ((std::vector<int>{MakeItemRef(0, 0), MakeItemRef(1, 0), MakeItemRef(3, 0), MakeItemRef(LIST_SUBMENU | 0, 0),
                              MakeItemRef(LIST_SUBMENU | 1, 0)}),
            HistoryRefs());
  EXPECT_EQ(4, r.ExcludedCount);
  EXPECT_EQ(3, b[0]->ChainBootCount);
  EXPECT_EQ(3, r.AutoBoot[2].Count);
  EXPECT_EQ(0u, r.MousePlaceMask[2]);
  EXPECT_EQ(0u, r.EdgeAssignment[2]);
  EXPECT_EQ(4, r.HotKeys.Count);
  EXPECT_EQ(0, S().SubMenus[1].Button);  // m2's child menu follows its owner
  EXPECT_EQ(1, g_Log.Count("DllData 1"));
  EXPECT_EQ(1, g_Log.Count("DllData 2 4"));
}

TEST_F(ReferenceTest, BusyHistoryIsSkippedButTheRestChanges) {
  InterlockedOr(&g_App.RunState, RS_HISTORY_BUSY);
  DWORD start = GetTickCount();
  ReleaseButton(3, 0, 0, 1);
  DWORD waited = GetTickCount() - start;
  InterlockedAnd(&g_App.RunState, ~static_cast<LONG>(RS_HISTORY_BUSY));
  EXPECT_GE(waited, 2900u);
  EXPECT_EQ(6u, HistoryRefs().size());  // still names b3
  EXPECT_EQ(0u, S().Refs.MousePlaceMask[3]);
  EXPECT_EQ(4, S().Refs.HotKeys.Count);
  // Drop the stale entry so the store is sound again.
  ResizeHistory(0);
}

}  // namespace
