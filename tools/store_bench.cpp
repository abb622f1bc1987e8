// Times the item store's structural operations on a full store: 100 pages of
// 1000 buttons with child menus and references of every kind.
//   wine store_bench.exe
#include <stdio.h>

#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "store/grid.h"
#include "store/history.h"
#include "store/hotkeys.h"
#include "store/items.h"
#include "store/lists.h"
#include "tools/bench.h"

static ButtonInfo* AddPlain(int list, int i, UINT type) {
  NewButtonTemplate t{};
  t.Button.Type = type;
  t.Button.Name = StoreDupString(L"button");
  t.Button.Position[0] = t.Button.Position[1] = ItemPos{i % 10, i / 10};
  t.Control = NBT_KEEP_FIELDS;
  return AddButton(&t, list);
}

// pages x 1000 buttons (10 of them child menus of 20 buttons each) and
// references into all of it. Returns the milliseconds per added button.
static double BuildStore(int pages) {
  ClearItemStore();
  double start = Now();
  int added = 0;
  for (int p = 0; p < pages; p++) {
    wchar_t name[16];
    wsprintfW(name, L"P%d", p + 1);
    AddPage(name);
    for (int i = 0; i < kMaxListButtons; i++) {
      bool menu = i % 100 == 99;
      ButtonInfo* b = AddPlain(p, i, menu ? static_cast<UINT>(IT_CHILDMENU) : 1u);
      added++;
      if (!menu) continue;
      for (int k = 0; k < 20; k++, added++) AddPlain(LIST_SUBMENU | b->SubMenuIdx, k, 1);
    }
  }
  double perButton = (Now() - start) / added;

  References& r = g_App.Store.Refs;
  ResizeHistory(kMaxHistory);
  for (int i = 0; i < kMaxHistory; i++) AddHistoryEntry(GetItem(i % pages, i * 7 % 990), 0, 0);
  for (int i = 0; i < 200; i++) AddHistoryExclusion(MakeItemRef(i % pages, i * 3 % 990));
  for (int i = 0; i < kMaxHotKeys; i++) SetHotKey(0x1000 | i, i % pages, i % 990, 1);
  for (int k = 0; k < kEventLists; k++) {
    r.AutoBoot[k].Count = 250;
    r.AutoBoot[k].Entries = static_cast<EventEntry*>(StoreAlloc(250 * sizeof(EventEntry)));
    for (int i = 0; i < 250; i++) r.AutoBoot[k].Entries[i] = EventEntry{(i + k) % pages, i, 0, 0};
  }
  for (int a = 0; a < kMouseActions; a++) {
    r.MousePlaceMask[a] = 0xFFF;
    for (int p = 0; p < kMousePlaces; p++)
      r.MouseTargets[a][p] = p == 11 ? MouseTarget{LIST_NONE, a % pages} : MouseTarget{(a + p) % pages, a};
  }
  for (int e = 0; e < kEdgeCount; e++) r.EdgeAssignment[e] = e < 8 ? MakeItemRef(e % pages, e) : 0xFFFF0000u | (e % pages);
  r.Circle[0] = CircleGestureSettings{1, 4, 20, 30, pages - 1, 5};
  r.Circle[1] = CircleGestureSettings{1, 4, 20, 30, LIST_NONE, pages - 1};
  for (int p = 0; p < pages; p++) {  // chained launches on one button per page
    ButtonInfo* b = GetItem(p, 0);
    b->ChainBootCount = 10;
    b->ChainBoot = static_cast<EventEntry*>(StoreAlloc(10 * sizeof(EventEntry)));
    for (int i = 0; i < 10; i++) b->ChainBoot[i] = EventEntry{(p + i) % pages, i + 1, 0, 0};
  }
  CollectLockedButtons();
  RebuildButtonGrid(1);
  return perButton;
}

int wmain() {
  g_DialogSeams.MessageBoxFn = [](HWND, int, const wchar_t*, const wchar_t*, UINT) { return IDOK; };
  g_App.Design.ViewMode[0].ButtonNumX = g_App.Design.ViewMode[1].ButtonNumX = 10;
  g_App.Design.ViewMode[0].ButtonNumY = g_App.Design.ViewMode[1].ButtonNumY = 10;
  g_App.Design.ViewMode[0].IconSizeGet = g_App.Design.ViewMode[1].IconSizeGet = 32;

  printf("store: 1000 buttons a page (10 child menus of 20 buttons), 100 history, 1024 hot keys,\n"
         "1000 event entries, 1200 mouse places, 16 edges, 2 circles, 10 chained launches a page\n\n");
  printf("%-6s %10s %12s %12s %12s %12s %12s\n", "pages", "add (us)", "del page", "move page", "del btn 0",
         "move btn", "copy btn");
  const int sizes[] = {25, 50, 100};
  for (int pages : sizes) {
    double add = BuildStore(pages);
    ItemStore& s = g_App.Store;
    const int rounds = 5;

    double t = Now();
    for (int i = 0; i < rounds; i++) {
      s.CurrentPage = s.PageCount / 2;
      DeletePage();
    }
    double delPage = (Now() - t) / rounds;

    t = Now();
    for (int i = 0; i < rounds; i++) {
      s.DragPage = 1 + i;
      MovePage(s.PageCount - 1 - i);
    }
    double movePage = (Now() - t) / rounds;

    t = Now();
    for (int i = 0; i < rounds; i++) DeleteButton(GetItem(2, 0), 2, -1, 0);
    double delButton = (Now() - t) / rounds;

    t = Now();
    for (int i = 0; i < rounds; i++) {
      ItemPos pos{9, 99};
      MoveOrCopyButton(3, 0, nullptr, 4, -1, nullptr, 2, &pos);  // into a full list: refused
      MoveOrCopyButton(3, 0, nullptr, 2, -1, nullptr, 2, &pos);  // 2 has room after the deletes
    }
    double moveButton = (Now() - t) / rounds;

    t = Now();
    for (int i = 0; i < rounds; i++) {
      ItemPos pos{9, 99};
      MoveOrCopyButton(5, 99, nullptr, 3, -1, nullptr, 3, &pos);  // a child-menu button
    }
    double copyButton = (Now() - t) / rounds;

    printf("%-6d %10.2f %9.2f ms %9.2f ms %9.2f ms %9.2f ms %9.2f ms\n", pages, add * 1000.0, delPage, movePage,
           delButton, moveButton, copyButton);
  }
  ClearItemStore();
  return 0;
}
