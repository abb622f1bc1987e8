// Records, accessors, limits and the add/copy/move/delete operations.
#include <vector>

#include "store/grid.h"
#include "store/history.h"
#include "store/hotkeys.h"
#include "store/lists.h"
#include "store/outlets.h"
#include "store/refs.h"
#include "store_fixture.h"

namespace {

using ItemsTest = StoreTest;

TEST_F(ItemsTest, ItemRefPacksAndUnpacks) {
  struct Case {
    int list, index, ref;
  } cases[] = {
      {0, 0, 0x00010000},
      {0x8002, 5, static_cast<int>(0x80030005u)},
      {LIST_NONE, 3, static_cast<int>(0xFFFF0003u)},
      {LIST_PLACEHOLDER, 7, static_cast<int>(0xFFFE0007u)},
      {99, 999, 0x006403E7},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.ref, MakeItemRef(c.list, c.index)) << c.list;
    EXPECT_EQ(c.list, ItemRefList(c.ref)) << c.list;
    EXPECT_EQ(c.index, ItemRefIndex(c.ref)) << c.list;
  }
}

TEST_F(ItemsTest, GetItemChecksListAndIndex) {
  MakePages(2);
  ButtonInfo* a = Add(0, "a");
  ButtonInfo* m = AddMenu(1, "m");
  ButtonInfo* inner = Add(MenuOf(m), "inner");
  EXPECT_EQ(a, GetItem(0, 0));
  EXPECT_EQ(inner, GetItem(LIST_SUBMENU | 0, 0));
  struct Case {
    int list, index;
  } none[] = {{0, 1}, {0, -1}, {2, 0}, {-1, 0}, {LIST_NONE, 0}, {LIST_PLACEHOLDER, 0},
              {LIST_SUBMENU | 1, 0}, {LIST_SUBMENU | 0, 1}, {static_cast<int>(0x80008000u), 0}};
  for (const Case& c : none) EXPECT_EQ(nullptr, GetItem(c.list, c.index)) << c.list << "/" << c.index;
  EXPECT_EQ(1, GetItemCount(0));
  EXPECT_EQ(1, GetItemCount(LIST_SUBMENU));
  EXPECT_EQ(0, GetItemCount(5));
  EXPECT_EQ(0, GetItemCount(LIST_SUBMENU | 3));
  EXPECT_EQ(21, GetItemCount(-1));  // 7 x 3 cells
  EXPECT_STREQ(L"m", GetListOwnerName(LIST_SUBMENU));
  EXPECT_STREQ(L"P2", GetListOwnerName(1));
  EXPECT_EQ(nullptr, GetListOwnerName(LIST_SUBMENU | 4));
}

TEST_F(ItemsTest, FindItemByHotkey) {
  MakePages(1);
  Add(0, "none")->Keyboard = 0x1000;  // a press count alone is no key
  Add(0, "a")->Keyboard = 0x0241;
  Add(0, "b")->Keyboard = 0x0241;
  EXPECT_EQ(1, FindItemByHotkey(0x0241, 0, -1));
  EXPECT_EQ(2, FindItemByHotkey(0x0241, -1, 1));  // skips the button being edited
  EXPECT_EQ(-1, FindItemByHotkey(0x1000, 0, -1));
  EXPECT_EQ(-1, FindItemByHotkey(0, 0, -1));
  EXPECT_EQ(-1, FindItemByHotkey(0x0242, 0, -1));
}

TEST_F(ItemsTest, FullListRefusesAndChangesNothing) {
  MakePages(2);
  for (int i = 0; i < kMaxListButtons; i++) ASSERT_TRUE(Add(0, "x", i % 7, i / 7)) << i;
  g_Log.Calls.clear();
  EXPECT_EQ(nullptr, Add(0, "one too many"));
  EXPECT_EQ(nullptr, AddMenu(0, "menu too many"));
  EXPECT_EQ(kMaxListButtons, GetItemCount(0));
  EXPECT_EQ(0, S().SubMenuCount);
  EXPECT_EQ(2, g_Log.Count("Msg 664 48: Up to 1000 items can be registered per page."));

  // Copying or moving into the full list is refused the same way.
  ButtonInfo* b = Add(1, "b");
  g_Log.Calls.clear();
  EXPECT_EQ(0, MoveOrCopyButton(1, 0, b, 0, 0, nullptr, 2, nullptr));
  EXPECT_EQ(0, MoveOrCopyButton(1, 0, b, 0, 0, nullptr, 3, nullptr));
  EXPECT_EQ(2, g_Log.Count("Msg 664"));
  EXPECT_EQ(1, GetItemCount(1));
  EXPECT_EQ(b, GetItem(1, 0));
  EXPECT_FALSE(g_Log.Has("SavePages"));
}

TEST_F(ItemsTest, ChildMenuLimitRefusesOnlyNewChildMenus) {
  MakePages(11);
  for (int p = 0; p < 10; p++)
    for (int i = 0; i < kMaxListButtons; i++) ASSERT_TRUE(AddMenu(p, "m")) << p << "/" << i;
  ASSERT_EQ(kMaxSubMenus, S().SubMenuCount);
  g_Log.Calls.clear();
  EXPECT_EQ(nullptr, AddMenu(10, "10001st"));
  EXPECT_EQ(1, g_Log.Count("Msg 664 48: Up to 1000 items can be registered per page."));
  EXPECT_EQ(kMaxSubMenus, S().SubMenuCount);
  EXPECT_EQ(0, GetItemCount(10));
  // A copy would need a new child menu; a move keeps its own.
  EXPECT_EQ(0, MoveOrCopyButton(0, 0, nullptr, 10, 0, nullptr, 3, nullptr));
  EXPECT_EQ(0, GetItemCount(10));
  ButtonInfo* moved = GetItem(0, 5);
  int menu = moved->SubMenuIdx;
  MoveOrCopyButton(0, 5, moved, 10, 0, nullptr, 2, nullptr);
  ASSERT_EQ(1, GetItemCount(10));
  EXPECT_EQ(menu, GetItem(10, 0)->SubMenuIdx);
  EXPECT_EQ(kMaxSubMenus, S().SubMenuCount);
  // Plain buttons are still welcome.
  EXPECT_NE(nullptr, Add(10, "plain"));
}

// Every allocation of an add may fail; each failure must leave the store
// exactly as it was.
TEST_F(ItemsTest, FailedAddRollsBackFully) {
  MakePages(1);
  Add(0, "first");
  AddMenu(0, "menu");
  int failures = 0;
  for (int k = 0; k < 20; k++) {
    ButtonInfo* before0 = GetItem(0, 0);
    ButtonInfo* before1 = GetItem(0, 1);
    NewButtonTemplate t{};
    t.Button.Type = IT_CHILDMENU;
    t.Button.Name = StoreDupString(L"new menu");
    t.Control = NBT_KEEP_FIELDS;
    g_Log.Calls.clear();
    g_Log.FailAfter = k;
    ButtonInfo* b = AddButton(&t, 0);
    g_Log.FailAfter = -1;
    if (b) {
      EXPECT_EQ(3, GetItemCount(0));
      EXPECT_EQ(2, S().SubMenuCount);
      break;
    }
    failures++;
    StoreFree(t.Button.Name);
    EXPECT_EQ(2, GetItemCount(0)) << k;
    EXPECT_EQ(1, S().SubMenuCount) << k;
    EXPECT_EQ(before0, GetItem(0, 0));
    EXPECT_EQ(before1, GetItem(0, 1));
    EXPECT_EQ(1, g_Log.Count("Msg 654 16: Memory allocation failed.")) << k;
    EXPECT_EQ("", CheckStoreInvariants()) << k;
  }
  EXPECT_GE(failures, 4);  // record, child-menu records, their tables, the list table
}

TEST_F(ItemsTest, NewButtonStepsAlongItsLine) {
  MakePages(2);
  Add(0, "a", 0, 0);
  Add(0, "b", 1, 0);
  ButtonInfo* lockedElsewhere = Add(1, "locked", 2, 0);
  lockedElsewhere->Type |= ITEM_LOCKED;
  CollectLockedButtons();
  ButtonInfo* c = Add(0, "c", 0, 0);
  EXPECT_EQ(3, c->Position[0].PosX);  // past a, b and the locked home at 2
  EXPECT_EQ(0, c->Position[0].PosY);
  ButtonInfo* d = Add(0, "d", 6, 0);
  ButtonInfo* e = Add(0, "e", 6, 0);
  EXPECT_EQ(6, d->Position[0].PosX);
  EXPECT_EQ(7, e->Position[0].PosX);  // never wraps to the next row
  EXPECT_EQ(0, e->Position[0].PosY);

  g_App.Design.ViewMode[0].Flag = VMF_VERTICAL;
  ButtonInfo* f = Add(0, "f", 0, 0);
  EXPECT_EQ(0, f->Position[0].PosX);
  EXPECT_EQ(1, f->Position[0].PosY);
}

TEST_F(ItemsTest, OtherViewModePosition) {
  MakePages(1);
  ButtonInfo* a = Add(0, "a", 2, 1);
  EXPECT_EQ(2, a->Position[1].PosX);  // shared positions: a copy
  EXPECT_EQ(1, a->Position[1].PosY);

  g_App.Settings.DispOption = DISP_SEPARATE_VIEWMODES;
  Add(0, "b", 4, 0)->Position[1] = ItemPos{4, 0};
  ButtonInfo* c = Add(0, "c", 5, 2);
  EXPECT_EQ(5, c->Position[1].PosX);  // just past the end of row 0
  EXPECT_EQ(0, c->Position[1].PosY);
  g_App.Design.ViewMode[1].Flag = VMF_VERTICAL;
  ButtonInfo* d = Add(0, "d", 6, 2);
  EXPECT_EQ(0, d->Position[1].PosX);  // no button in column 0 yet
  EXPECT_EQ(0, d->Position[1].PosY);
  d->Position[1] = ItemPos{0, 2};
  ButtonInfo* e = Add(0, "e", 6, 1);
  EXPECT_EQ(0, e->Position[1].PosX);
  EXPECT_EQ(3, e->Position[1].PosY);  // past the largest row of column 0
}

TEST_F(ItemsTest, CopyOfChildMenuButtonGetsNewEmptyChildMenu) {
  MakePages(2);
  ButtonInfo* m = AddMenu(0, "menu");
  Add(MenuOf(m), "inside");
  m->Directory = StoreDupString(L"/max");
  MoveOrCopyButton(0, 0, m, 1, 0, nullptr, 3, nullptr);
  ButtonInfo* copy = GetItem(1, 0);
  ASSERT_NE(nullptr, copy);
  EXPECT_EQ(2, S().SubMenuCount);
  EXPECT_NE(m->SubMenuIdx, copy->SubMenuIdx);
  EXPECT_EQ(0, GetItemCount(MenuOf(copy)));
  EXPECT_EQ(1, GetItemCount(MenuOf(m)));
  EXPECT_STREQ(L"/max", copy->Directory);
  EXPECT_NE(m->Directory, copy->Directory);  // its own text
  EXPECT_EQ(1, S().SubMenus[copy->SubMenuIdx].Page);
  EXPECT_TRUE(g_Log.Has("SavePages"));
  EXPECT_TRUE(g_Log.Has("SaveIconCache"));
}

TEST_F(ItemsTest, MovedChildMenuButtonKeepsItsChildMenu) {
  MakePages(2);
  Add(0, "before");
  ButtonInfo* m = AddMenu(0, "menu");
  Add(0, "after");
  ButtonInfo* inside = Add(MenuOf(m), "inside");
  int menu = m->SubMenuIdx;
  SetHotKey(0x41, MenuOf(m), 0, 1);
  SetHotKey(0x42, 0, 2, 1);
  MoveOrCopyButton(0, 1, m, 1, 0, nullptr, 2, nullptr);
  EXPECT_EQ(2, GetItemCount(0));
  EXPECT_STREQ(L"after", GetItem(0, 1)->Name);
  ButtonInfo* moved = GetItem(1, 0);
  EXPECT_EQ(menu, moved->SubMenuIdx);
  EXPECT_EQ(1, S().SubMenuCount);
  EXPECT_EQ(1, S().SubMenus[menu].Page);
  EXPECT_EQ(0, S().SubMenus[menu].Button);
  EXPECT_EQ(inside, GetItem(MenuOf(moved), 0));
  // The key of "after" followed it to its new index.
  EXPECT_EQ(1, S().Refs.HotKeys.Rows[2].Index);
  EXPECT_TRUE(g_Log.Has("WriteSettings"));
}

TEST_F(ItemsTest, ChildMenuCannotMoveIntoItsOwnSubtree) {
  MakePages(1);
  ButtonInfo* m = AddMenu(0, "outer");
  ButtonInfo* n = AddMenu(MenuOf(m), "inner");
  EXPECT_EQ(0, MoveOrCopyButton(0, 0, m, MenuOf(n), 0, nullptr, 2, nullptr));
  EXPECT_EQ(0, MoveOrCopyButton(0, 0, m, MenuOf(m), 0, nullptr, 2, nullptr));
  EXPECT_EQ(m, GetItem(0, 0));
  EXPECT_EQ(0, GetItemCount(MenuOf(n)));
  // A copy is fine: it gets a child menu of its own.
  MoveOrCopyButton(0, 0, m, MenuOf(n), 0, nullptr, 3, nullptr);
  EXPECT_EQ(1, GetItemCount(MenuOf(n)));
  EXPECT_EQ(3, S().SubMenuCount);
}

TEST_F(ItemsTest, MoveIntoChildMenuLandsAtTheRequestedIndex) {
  MakePages(1);
  ButtonInfo* m = AddMenu(0, "menu");
  Add(MenuOf(m), "x");
  Add(MenuOf(m), "y");
  ButtonInfo* z = Add(0, "z");
  SetHotKey(0x41, 0, 1, 1);
  MoveOrCopyButton(0, 1, z, MenuOf(m), 1, nullptr, 2, nullptr);
  EXPECT_STREQ(L"z", GetItem(MenuOf(m), 1)->Name);
  EXPECT_STREQ(L"y", GetItem(MenuOf(m), 2)->Name);
  EXPECT_EQ(MenuOf(m), S().Refs.HotKeys.Rows[1].List);
  EXPECT_EQ(1, S().Refs.HotKeys.Rows[1].Index);
  EXPECT_TRUE(g_Log.Has("ShowSubMenuWindow"));
}

TEST_F(ItemsTest, MoveSubMenuButtonReordersAndKeepsReferences) {
  MakePages(1);
  ButtonInfo* m = AddMenu(0, "menu");
  int list = MenuOf(m);
  for (const char* n : {"a", "b", "c", "d"}) Add(list, n);
  for (int i = 0; i < 4; i++) SetHotKey(0x41 + i, list, i, 1);
  EXPECT_EQ(0, MoveSubMenuButton(list, 1, 1, 2));
  EXPECT_EQ(0, MoveSubMenuButton(list, 1, 2, 2));
  EXPECT_FALSE(g_Log.Has("SavePages"));
  MoveSubMenuButton(list, 0, 3, 2);  // a before d
  std::string order;
  for (int i = 0; i < 4; i++) order += Narrow(GetItem(list, i)->Name);
  EXPECT_EQ("bcad", order);
  for (int i = 0; i < 4; i++) {
    const HotKeyEntry& row = S().Refs.HotKeys.Rows[i + 1];
    EXPECT_EQ(std::string(1, 'a' + i), Narrow(GetItem(row.List, row.Index)->Name));
  }
  MoveSubMenuButton(list, 3, 0, 0);  // d to the front
  order.clear();
  for (int i = 0; i < 4; i++) order += Narrow(GetItem(list, i)->Name);
  EXPECT_EQ("dbca", order);
}

TEST_F(ItemsTest, ReleaseRemovesWatchEntriesAndCloseSlots) {
  MakePages(1);
  Add(0, "a");
  ButtonInfo* b = Add(0, "b");
  Add(0, "c");
  b->WatchState = 1234;
  AddHistoryEntry(b, 0, 0);
  EXPECT_EQ(b, S().LastLaunched);
  ReleaseButton(0, 1, 0, 1);
  ASSERT_EQ(1u, g_Log.WatchRemoved.size());
  EXPECT_EQ(b, g_Log.WatchRemoved[0]);
  EXPECT_EQ(nullptr, S().LastLaunched);
  EXPECT_EQ(2, GetItemCount(0));
  EXPECT_STREQ(L"c", GetItem(0, 1)->Name);
}

TEST_F(ItemsTest, DeleteButtonAsksAndClosesGaps) {
  MakePages(1);
  ButtonInfo* a = Add(0, "a", 0, 0);
  Add(0, "b", 1, 0);
  Add(0, "c", 2, 0);
  Add(0, "d", 0, 1);
  RebuildButtonGrid(0);
  g_Log.MessageAnswer = IDCANCEL;
  EXPECT_EQ(0, DeleteButton(a, 0, 0, 4 | 2));
  EXPECT_EQ(4, GetItemCount(0));
  EXPECT_EQ(1, g_Log.Count("Msg 665 33: Are you sure you want to delete \"a\"?"));
  EXPECT_FALSE(g_Log.Has("SavePages"));

  g_Log.MessageAnswer = IDOK;
  S().Set.Option1 = OPT1_CLOSE_GAPS;
  EXPECT_EQ(1, DeleteButton(a, 0, 0, 4 | 2));
  EXPECT_EQ(3, GetItemCount(0));
  EXPECT_EQ(0, GetItem(0, 0)->Position[0].PosX);  // b and c stepped back
  EXPECT_EQ(1, GetItem(0, 1)->Position[0].PosX);
  EXPECT_EQ(1, GetItem(0, 2)->Position[0].PosY);  // d on the next row stays
  EXPECT_EQ(0, GetItem(0, 2)->Position[0].PosX);
  EXPECT_TRUE(g_Log.Has("SavePages"));
  EXPECT_TRUE(g_Log.Has("HideTooltip"));
  EXPECT_EQ(S().Grid[0].Button, GetItem(0, 0));
}

TEST_F(ItemsTest, DeletingChildMenuButtonDeletesItsSubtreeAndReferences) {
  MakePages(1);
  ButtonInfo* keep = AddMenu(0, "keep");
  ButtonInfo* outer = AddMenu(0, "outer");
  ButtonInfo* inner = AddMenu(MenuOf(outer), "inner");
  ButtonInfo* deep = Add(MenuOf(inner), "deep");
  ButtonInfo* kept = Add(MenuOf(keep), "kept");
  (void)kept;
  ResizeHistory(10);
  AddHistoryEntry(GetItem(MenuOf(keep), 0), 0, 0);
  AddHistoryEntry(GetItem(MenuOf(inner), 0), 0, 0);
  SetHotKey(0x41, MenuOf(inner), 0, 1);
  SetHotKey(0x42, MenuOf(keep), 0, 1);
  g_Log.WatchRemoved.clear();
  DeleteButton(outer, 0, -1, 2);
  // Every freed button left the process watch: outer, inner and deep.
  EXPECT_EQ((std::vector<ButtonInfo*>{outer, inner, deep}), g_Log.WatchRemoved);
  EXPECT_EQ(1, S().SubMenuCount);
  EXPECT_EQ(1, GetItemCount(0));
  EXPECT_STREQ(L"kept", GetItem(MenuOf(keep), 0)->Name);
  EXPECT_EQ(1, S().Refs.HotKeys.Count);
  EXPECT_EQ(MenuOf(keep), S().Refs.HotKeys.Rows[1].List);
  EXPECT_EQ(MakeItemRef(MenuOf(keep), 0), S().Refs.History[0].Ref);
  EXPECT_EQ(0, S().Refs.History[1].Ref);
  EXPECT_TRUE(g_Log.Has("WriteSettings"));
}

// A nested child menu with a lower number than its parent: deleting the
// parent must delete exactly that subtree.
TEST_F(ItemsTest, NestedChildMenuWithLowerNumberDeletesTheRightMenus) {
  MakePages(1);
  ButtonInfo* m0 = AddMenu(0, "m0");  // child menu 0
  AddMenu(0, "m1");                   // child menu 1
  ButtonInfo* m2 = AddMenu(0, "m2");  // child menu 2
  Add(MenuOf(m0), "in0");
  Add(LIST_SUBMENU | 1, "in1");
  Add(MenuOf(m2), "in2");
  SetHotKey(0x41, LIST_SUBMENU | 2, 0, 1);
  // m0 (child menu 0) now hangs below child menu 1.
  MoveOrCopyButton(0, 0, m0, LIST_SUBMENU | 1, 1, nullptr, 2, nullptr);
  ASSERT_EQ(LIST_SUBMENU | 1, S().SubMenus[0].Page);
  ButtonInfo* m1 = GetItem(0, 0);
  ASSERT_STREQ(L"m1", m1->Name);
  DeleteButton(m1, 0, -1, 0);
  ASSERT_EQ(1, S().SubMenuCount);
  ButtonInfo* survivor = GetItem(0, 0);
  EXPECT_STREQ(L"m2", survivor->Name);
  EXPECT_EQ(0, survivor->SubMenuIdx);
  EXPECT_STREQ(L"in2", GetItem(LIST_SUBMENU | 0, 0)->Name);
  EXPECT_EQ(LIST_SUBMENU | 0, S().Refs.HotKeys.Rows[1].List);
}

TEST_F(ItemsTest, SortingAPageLeavesLockedButtonsWhereTheyAre) {
  MakePages(1);
  g_App.Design.ViewMode[0].ButtonNumX = 3;
  Add(0, "delta", 0, 0);
  ButtonInfo* locked = Add(0, "Alpha", 1, 0);
  Add(0, "charlie", 2, 0);
  Add(0, "bravo", 0, 1);
  Add(0, "Echo", 1, 1);
  locked->Type |= ITEM_LOCKED;
  CollectLockedButtons();
  SortList(0, 1);
  auto at = [&](const char* name) {
    for (int i = 0; i < GetItemCount(0); i++)
      if (Narrow(GetItem(0, i)->Name) == name) return GetItem(0, i)->Position[0];
    return ItemPos{-1, -1};
  };
  EXPECT_EQ(1, at("Alpha").PosX);
  EXPECT_EQ(0, at("bravo").PosX);
  EXPECT_EQ(2, at("charlie").PosX);  // skips the locked home at (1, 0)
  EXPECT_EQ(0, at("delta").PosX);
  EXPECT_EQ(1, at("delta").PosY);
  EXPECT_EQ(1, at("Echo").PosX);
  EXPECT_EQ(1, at("Echo").PosY);
  EXPECT_STREQ(L"delta", GetItem(0, 0)->Name);  // table order stays
  EXPECT_TRUE(g_Log.Has("SavePages"));
}

TEST_F(ItemsTest, SortingAChildMenuRenumbersEveryReference) {
  MakePages(1);
  ButtonInfo* m = AddMenu(0, "menu");
  int list = MenuOf(m);
  for (const char* n : {"b", "D", "a", "c", "a"}) Add(list, n);
  ButtonInfo* firstA = GetItem(list, 2);
  ButtonInfo* secondA = GetItem(list, 4);
  SetHotKey(0x41, list, 2, 1);
  S().Refs.EdgeAssignment[0] = MakeItemRef(list, 4);
  EventEntry* e = static_cast<EventEntry*>(StoreAlloc(sizeof(EventEntry)));
  *e = EventEntry{list, 1, 0, 0};
  S().Refs.AutoBoot[0] = EventList{1, e};
  SortList(list, 1);
  std::string order;
  for (int i = 0; i < 5; i++) order += Narrow(GetItem(list, i)->Name);
  EXPECT_EQ("aabcD", order);
  EXPECT_EQ(firstA, GetItem(list, 0));  // equal names keep their order
  EXPECT_EQ(secondA, GetItem(list, 1));
  EXPECT_EQ(0, S().Refs.HotKeys.Rows[1].Index);
  EXPECT_EQ(MakeItemRef(list, 1), static_cast<int>(S().Refs.EdgeAssignment[0]));
  EXPECT_EQ(4, S().Refs.AutoBoot[0].Entries[0].Index);  // D
  EXPECT_TRUE(g_Log.Has("WriteSettings"));
  SortList(list, 0);
  order.clear();
  for (int i = 0; i < 5; i++) order += Narrow(GetItem(list, i)->Name);
  EXPECT_EQ("Dcbaa", order);
  EXPECT_EQ(firstA, GetItem(list, 3));
}

TEST_F(ItemsTest, AddButtonWithoutDialogMakesANamedChildMenu) {
  MakePages(1);
  AddMenu(0, "existing");
  ButtonInfo* b = AddButtonWithDialog(0, 4, 0);
  ASSERT_NE(nullptr, b);
  EXPECT_EQ(static_cast<UINT>(IT_CHILDMENU), ItemTypeOf(b->Type));
  EXPECT_STREQ(L"Submenu 02", b->Name);
  EXPECT_EQ(4, b->Position[0].PosX);  // the cell's position
  EXPECT_EQ(2, S().SubMenuCount);
  EXPECT_TRUE(g_Log.Has("SavePages"));
  EXPECT_TRUE(g_Log.Has("SaveIconCache"));
}

TEST_F(ItemsTest, AddButtonWithDialogRefusesFullListBeforeTheDialog) {
  MakePages(1);
  int dialogs = 0;
  static int* counter;
  counter = &dialogs;
  g_StoreOutlets.RegisterItemDialog = [](NewButtonTemplate* t) {
    ++*counter;
    t->Button.Type = 1;
    t->Button.Name = StoreDupString(L"from dialog");
    t->Button.Tip = StoreDupString(L"a tip");
    return 1;
  };
  ButtonInfo* b = AddButtonWithDialog(0, -1, 1);
  ASSERT_NE(nullptr, b);
  EXPECT_STREQ(L"from dialog", b->Name);
  for (int i = 1; i < kMaxListButtons; i++) Add(0, "x", i, 1);
  g_Log.Calls.clear();
  EXPECT_EQ(nullptr, AddButtonWithDialog(0, -1, 1));
  EXPECT_EQ(1, dialogs);
  EXPECT_EQ(1, g_Log.Count("Msg 664"));
}

}  // namespace
