#include "store/lists.h"

#include <string.h>

#include <vector>

#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "resources/resource.h"
#include "store/grid.h"
#include "store/history.h"
#include "store/items.h"
#include "store/outlets.h"
#include "store/positions.h"
#include "store/refs.h"

wchar_t* MakeDefaultListName(int n, int subMenu) {
  wchar_t format[256], text[1024];
  LoadStoreString(subMenu ? IDS_SUBMENU_NAME : IDS_PAGE_NAME, format, 256);
  wsprintfW(text, format, n);
  return text[0] ? StoreDupString(text) : nullptr;
}

int ResizePageArray(int n) {
  ItemStore& s = g_App.Store;
  if (n < 0) return 0;
  size_t count = n ? n : 1;
  void* pages = StoreReAlloc(s.Pages, count * sizeof(PageInfo));
  if (pages) s.Pages = static_cast<PageInfo*>(pages);
  void* tables = pages ? StoreReAlloc(s.PageButtons, count * sizeof(ButtonInfo**)) : nullptr;
  if (tables) s.PageButtons = static_cast<ButtonInfo***>(tables);
  if (!pages || !tables) {
    ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
    return 0;
  }
  s.PageCount = n;
  return 1;
}

int AddPage(const wchar_t* name) {
  ItemStore& s = g_App.Store;
  if (s.PageCount >= kMaxPages) {
    ShowMessageF(IDS_LIMIT_PAGES, MB_ICONWARNING, kMaxPages);
    return -1;
  }
  int n = s.PageCount;
  ButtonInfo** table = static_cast<ButtonInfo**>(StoreAlloc(sizeof(ButtonInfo*)));
  wchar_t* copy = name ? StoreDupString(name) : nullptr;
  if (!table || (name && !copy)) {
    StoreFree(table);
    StoreFree(copy);
    ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
    return -1;
  }
  if (!ResizePageArray(n + 1)) {
    StoreFree(table);
    StoreFree(copy);
    return -1;
  }
  memset(&s.Pages[n], 0, sizeof(PageInfo));
  s.Pages[n].Name = copy;
  s.Pages[n].Design = g_App.Design.PageDefault;
  s.PageButtons[n] = table;
  return n;
}

// Marks child menu n and every child menu below it.
static void MarkSubMenuTree(int n, std::vector<unsigned char>& dead) {
  ItemStore& s = g_App.Store;
  std::vector<int> stack;
  if (n < 0 || n >= s.SubMenuCount || dead[n]) return;
  dead[n] = 1;
  stack.push_back(n);
  while (!stack.empty()) {
    int m = stack.back();
    stack.pop_back();
    for (int i = 0; i < s.SubMenus[m].Count; i++) {
      ButtonInfo* b = s.SubMenuButtons[m][i];
      if (!b || ItemTypeOf(b->Type) != IT_CHILDMENU) continue;
      int k = b->SubMenuIdx;
      if (k < 0 || k >= s.SubMenuCount || dead[k]) continue;
      dead[k] = 1;
      stack.push_back(k);
    }
  }
}

// Frees the buttons of a list whose references are already removed.
static void DiscardListButtons(ButtonInfo** table, int count) {
  for (int i = count - 1; i >= 0; i--)
    if (table[i]) DiscardButton(table[i]);
  StoreFree(table);
}

// Removes every marked child menu at once and renumbers the rest: the
// numbers of a cascade are resolved together, so a nested child menu with
// a lower number can never shift the one being deleted.
static void DropSubMenus(const std::vector<unsigned char>& dead) {
  ItemStore& s = g_App.Store;
  int old = s.SubMenuCount;
  std::vector<int> map(old, -1);
  StopSearchForStoreChange();
  int n = 0;
  for (int m = 0; m < old; m++) {
    if (dead[m]) {
      DiscardListButtons(s.SubMenuButtons[m], s.SubMenus[m].Count);
      s.SubMenuButtons[m] = nullptr;
      continue;
    }
    map[m] = n;
    s.SubMenus[n] = s.SubMenus[m];
    s.SubMenuButtons[n] = s.SubMenuButtons[m];
    n++;
  }
  if (n == old) return;
  s.SubMenuCount = n;
  if (n > 0) {  // failed shrinks keep the larger blocks
    if (void* p = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, s.SubMenus, n * sizeof(SubMenuInfo)))
      s.SubMenus = static_cast<SubMenuInfo*>(p);
    if (void* p = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, s.SubMenuButtons, n * sizeof(ButtonInfo**)))
      s.SubMenuButtons = static_cast<ButtonInfo***>(p);
  }
  RemapListReferences(1, map.data(), old);
}

int DeleteSubMenu(int n) {
  ItemStore& s = g_App.Store;
  if (n < 0 || n >= s.SubMenuCount) return 0;
  std::vector<unsigned char> dead(s.SubMenuCount, 0);
  MarkSubMenuTree(n, dead);
  RemoveListReferences(-1, dead.data());
  DropSubMenus(dead);
  if ((g_App.Settings.Status & STATUS_SEARCH) && g_StoreOutlets.PostResearch) g_StoreOutlets.PostResearch();
  return 1;
}

// After the page array changed: new tab layout, everything saved, locked
// buttons collected again.
static void RelayoutAfterPageChange() {
  if (g_StoreOutlets.CalcMainWindowLayout) g_StoreOutlets.CalcMainWindowLayout();
  if (g_StoreOutlets.LayoutTabs) g_StoreOutlets.LayoutTabs();
  if (g_StoreOutlets.BuildTabImages) g_StoreOutlets.BuildTabImages();
  if (g_StoreOutlets.BuildBackgroundBitmaps) g_StoreOutlets.BuildBackgroundBitmaps();
  if (g_StoreOutlets.WriteSettings) g_StoreOutlets.WriteSettings(nullptr, 0);
  if (g_StoreOutlets.SaveIconCache) g_StoreOutlets.SaveIconCache(0);
  if (g_StoreOutlets.UpdateCursor) g_StoreOutlets.UpdateCursor(0);
  CollectLockedButtons();
}

int DeletePage() {
  ItemStore& s = g_App.Store;
  if (s.PageCount <= 1) {
    ShowMessage(IDS_ERR_LAST_PAGE, MB_ICONWARNING);
    return 0;
  }
  int page = s.CurrentPage;
  if (page < 0 || page >= s.PageCount) return 0;
  int answer = ShowMessageF(IDS_ASK_DELETE, MB_ICONQUESTION | MB_OKCANCEL,
                                s.Pages[page].Name ? s.Pages[page].Name : L"");
  if (answer != IDOK) return answer;
  if (g_StoreOutlets.UpdateCursor) g_StoreOutlets.UpdateCursor(1);
  StopSearchForStoreChange();

  // Unlocking moves the other pages' buttons back into the freed homes.
  for (int i = 0; i < s.Pages[page].Count; i++) {
    ButtonInfo* b = s.PageButtons[page][i];
    if (b->Type & ITEM_LOCKED) ToggleButtonLock(b, 0);
  }
  std::vector<unsigned char> dead(s.SubMenuCount, 0);
  for (int i = 0; i < s.Pages[page].Count; i++) {
    ButtonInfo* b = s.PageButtons[page][i];
    if (ItemTypeOf(b->Type) == IT_CHILDMENU) MarkSubMenuTree(b->SubMenuIdx, dead);
  }
  RemoveListReferences(page, dead.data());
  DiscardListButtons(s.PageButtons[page], s.Pages[page].Count);
  s.PageButtons[page] = nullptr;
  s.Pages[page].Count = 0;
  DropSubMenus(dead);

  int old = s.PageCount;
  StoreFree(s.Pages[page].Name);
  memmove(&s.Pages[page], &s.Pages[page + 1], (old - page - 1) * sizeof(PageInfo));
  memmove(&s.PageButtons[page], &s.PageButtons[page + 1], (old - page - 1) * sizeof(ButtonInfo**));
  s.PageCount = old - 1;
  if (void* p = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, s.Pages, s.PageCount * sizeof(PageInfo)))
    s.Pages = static_cast<PageInfo*>(p);
  if (void* p = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, s.PageButtons, s.PageCount * sizeof(ButtonInfo**)))
    s.PageButtons = static_cast<ButtonInfo***>(p);
  std::vector<int> map(old);
  for (int p = 0; p < old; p++) map[p] = p < page ? p : p == page ? -1 : p - 1;
  RemapListReferences(0, map.data(), old);

  if (s.CurrentPage >= s.PageCount) {
    CollectLockedButtons();
    s.CurrentPage = s.PageCount - 1;
    PageInfo& last = s.Pages[s.CurrentPage];
    if (last.Flag & 1) {
      int vm = CurrentViewMode();
      last.ScrollStat[vm] = 0;
      last.ScrollStat[2 + vm] = 0;
    }
    MarkSettingsChanged();
  }
  // The settings name the page shown; the tab strip draws it as current.
  g_App.Settings.LastPage = s.CurrentPage;
  RelayoutAfterPageChange();
  RebuildButtonGrid(0);
  if (g_StoreOutlets.RepaintMainWindow) g_StoreOutlets.RepaintMainWindow(RP_FRAME | RP_TABS | RP_BUTTONS | RP_PUSH);
  if ((g_App.Settings.Status & STATUS_SEARCH) && g_StoreOutlets.PostResearch) g_StoreOutlets.PostResearch();
  return g_StoreOutlets.BroadcastPluginEvent ? g_StoreOutlets.BroadcastPluginEvent(PN_PAGESRESET, s.PageCount) : 1;
}

void MovePage(int to) {
  ItemStore& s = g_App.Store;
  int p = s.DragPage, n = s.PageCount;
  if (p < 0 || p >= n || to < 0 || to > n || to == p || to == p + 1) return;
  if (g_StoreOutlets.UpdateCursor) g_StoreOutlets.UpdateCursor(1);
  int dest = p < to ? to - 1 : to;
  PageInfo info = s.Pages[p];
  ButtonInfo** table = s.PageButtons[p];
  if (p < dest) {
    memmove(&s.Pages[p], &s.Pages[p + 1], (dest - p) * sizeof(PageInfo));
    memmove(&s.PageButtons[p], &s.PageButtons[p + 1], (dest - p) * sizeof(ButtonInfo**));
  } else {
    memmove(&s.Pages[dest + 1], &s.Pages[dest], (p - dest) * sizeof(PageInfo));
    memmove(&s.PageButtons[dest + 1], &s.PageButtons[dest], (p - dest) * sizeof(ButtonInfo**));
  }
  s.Pages[dest] = info;
  s.PageButtons[dest] = table;
  std::vector<int> map(n);
  for (int k = 0; k < n; k++) {
    if (k == p) map[k] = dest;
    else if (p < dest && k > p && k <= dest) map[k] = k - 1;
    else if (dest < p && k >= dest && k < p) map[k] = k + 1;
    else map[k] = k;
  }
  RemapListReferences(0, map.data(), n);

  RelayoutAfterPageChange();
  if (g_StoreOutlets.SelectPage) g_StoreOutlets.SelectPage(dest, 1);
  if (s.CurrentPage != dest || g_App.Settings.LastPage != dest) {
    s.CurrentPage = g_App.Settings.LastPage = dest;
    RebuildButtonGrid(0);
  }
  if (g_StoreOutlets.RepaintMainWindow) g_StoreOutlets.RepaintMainWindow(RP_TABS | RP_PUSH);
}

void ClearItemStore() {
  ItemStore& s = g_App.Store;
  for (int p = 0; p < s.PageCount; p++) {
    for (int i = 0; i < s.Pages[p].Count; i++) FreeButtonRecord(s.PageButtons[p][i]);
    StoreFree(s.PageButtons[p]);
    StoreFree(s.Pages[p].Name);
  }
  for (int m = 0; m < s.SubMenuCount; m++) {
    for (int i = 0; i < s.SubMenus[m].Count; i++) FreeButtonRecord(s.SubMenuButtons[m][i]);
    StoreFree(s.SubMenuButtons[m]);
  }
  StoreFree(s.Pages);
  StoreFree(s.PageButtons);
  StoreFree(s.SubMenus);
  StoreFree(s.SubMenuButtons);
  StoreFree(s.Locked);
  StoreFree(s.Grid);
  FreeAssignmentSnapshot();
  References& r = s.Refs;
  StoreFree(r.History);
  StoreFree(r.Excluded);
  for (int k = 0; k < kEventLists; k++) StoreFree(r.AutoBoot[k].Entries);
  StoreFree(r.HotKeys.Rows);
  if (s.IconImages.Data) HeapFree(GetProcessHeap(), 0, s.IconImages.Data);
  StoreSettings keep = s.Set;
  s = ItemStore();
  s.Set = keep;
}
