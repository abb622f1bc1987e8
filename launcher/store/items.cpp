#include "store/items.h"

#include <stdarg.h>
#include <string.h>

#include <new>
#include <vector>

#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "resources/resource.h"
#include "store/grid.h"
#include "store/history.h"
#include "store/lists.h"
#include "store/outlets.h"
#include "store/paths.h"
#include "store/positions.h"
#include "store/refs.h"

// ---------------------------------------------------------------------------
// Allocation and messages

int (*g_StoreFailAllocation)();

void* StoreAlloc(size_t bytes) {
  if (g_StoreFailAllocation && g_StoreFailAllocation()) return nullptr;
  return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes ? bytes : 1);
}

void* StoreReAlloc(void* block, size_t bytes) {
  if (!block) return StoreAlloc(bytes);
  if (g_StoreFailAllocation && g_StoreFailAllocation()) return nullptr;
  return HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, block, bytes ? bytes : 1);
}

void StoreFree(void* block) {
  if (block) HeapFree(GetProcessHeap(), 0, block);
}

wchar_t* StoreDupString(const wchar_t* text) {
  if (!text) return nullptr;
  size_t n = wcslen(text) + 1;
  wchar_t* p = static_cast<wchar_t*>(StoreAlloc(n * sizeof(wchar_t)));
  if (p) memcpy(p, text, n * sizeof(wchar_t));
  return p;
}

int LoadStoreString(int id, wchar_t* buffer, int size) {
  buffer[0] = 0;
  int n = 0;
  if (g_App.LangModule) n = LoadStringW(g_App.LangModule, id, buffer, size);
  if (n <= 0) n = LoadStringW(g_App.Instance ? g_App.Instance : GetModuleHandleW(nullptr), id, buffer, size);
  return n > 0 ? n : 0;
}

// ---------------------------------------------------------------------------
// View modes and lists

int CurrentViewMode() { return (g_App.Settings.Status & STATUS_VIEWMODE2) ? 1 : 0; }
bool PositionsPerViewMode() { return (g_App.Settings.DispOption & DISP_SEPARATE_VIEWMODES) != 0; }
int PositionViewMode(int viewMode) {
  if (!PositionsPerViewMode()) return 0;
  return viewMode < 0 ? CurrentViewMode() : (viewMode ? 1 : 0);
}
bool ViewModeVertical(int viewMode) { return (g_App.Design.ViewMode[viewMode ? 1 : 0].Flag & VMF_VERTICAL) != 0; }

static int* ListCountField(int list) {
  ItemStore& s = g_App.Store;
  if (list < 0 || list >= LIST_PLACEHOLDER) return nullptr;
  if (list & LIST_SUBMENU) {
    int n = list & 0x7FFF;
    return n < s.SubMenuCount ? &s.SubMenus[n].Count : nullptr;
  }
  return list < s.PageCount ? &s.Pages[list].Count : nullptr;
}

static ButtonInfo*** ListTableField(int list) {
  ItemStore& s = g_App.Store;
  if (!ListCountField(list)) return nullptr;
  return (list & LIST_SUBMENU) ? &s.SubMenuButtons[list & 0x7FFF] : &s.PageButtons[list];
}

bool ListExists(int list) { return ListCountField(list) != nullptr; }

ButtonInfo** ListTable(int list, int* count) {
  int* c = ListCountField(list);
  if (!c) {
    if (count) *count = 0;
    return nullptr;
  }
  if (count) *count = *c;
  return *ListTableField(list);
}

static bool IsPageList(int list) { return list >= 0 && list < LIST_SUBMENU; }

// ---------------------------------------------------------------------------
// Accessors

ButtonInfo* GetItem(int list, int index) {
  int count;
  ButtonInfo** t = ListTable(list, &count);
  if (!t || index < 0 || index >= count) return nullptr;
  return t[index];
}

int GetItemCount(int list) {
  if (list == -1) return g_App.Store.GridCells;
  int count;
  ListTable(list, &count);
  return count;
}

const wchar_t* GetListOwnerName(int list) {
  ItemStore& s = g_App.Store;
  if (!ListExists(list)) return nullptr;
  if (IsPageList(list)) return s.Pages[list].Name;
  const SubMenuInfo& m = s.SubMenus[list & 0x7FFF];
  ButtonInfo* owner = GetItem(m.Page, m.Button);
  return owner ? owner->Name : nullptr;
}

int FindItemByHotkey(int key, int list, int skipIndex) {
  key &= 0xFFFF;
  if (!key) return -1;
  if (list == -1) list = g_App.Store.CurrentPage;
  int count;
  ButtonInfo** t = ListTable(list, &count);
  for (int i = 0; t && i < count; i++) {
    ButtonInfo* b = t[i];
    if (!(b->Keyboard & 0xFFF) || b->Keyboard != key) continue;
    if (skipIndex >= 0 && b->Index == skipIndex) continue;
    return i;
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Records

int ResizeButtonTable(int list, int n) {
  ButtonInfo*** field = ListTableField(list);
  if (!field || n < 0) return 0;
  StopSearchForStoreChange();
  size_t bytes = (n ? n : 1) * sizeof(ButtonInfo*);
  void* p = StoreReAlloc(*field, bytes);
  if (!p) {
    ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
    return 0;
  }
  *field = static_cast<ButtonInfo**>(p);
  *ListCountField(list) = n;
  return 1;
}

static void FreeButtonPluginValues(ButtonInfo* b) {
  if (b->PluginStrs) {
    for (wchar_t* s : *b->PluginStrs) StoreFree(s);
    delete b->PluginStrs;
    b->PluginStrs = nullptr;
  }
  delete b->PluginInts;
  b->PluginInts = nullptr;
}

// Frees everything a record owns, not the record.
static void FreeButtonContents(ButtonInfo* b) {
  StopSearchForStoreChange();
  if (b->ShellItem) CoTaskMemFree(b->ShellItem);
  FreeButtonPluginValues(b);
  for (int k = 0; k < 2; k++) {
    if (b->Icon[k]) DestroyIcon(b->Icon[k]);
    if (b->Overlay[k].Icon) DestroyIcon(b->Overlay[k].Icon);
  }
  wchar_t* texts[] = {b->Name, b->File, b->Parameter, b->Directory, b->Tip,
                      b->RehookTrigger, b->IconFile, b->OverlayIcon, b->TargetProgram};
  for (wchar_t* t : texts) StoreFree(t);
  StoreFree(b->ChainBoot);
  StoreFree(b->TargetWindows);
}

void FreeButtonRecord(ButtonInfo* button) {
  if (!button) return;
  // Every way out of the store ends here: the process watch must not keep
  // a pointer to a record that is gone. A watch that cannot drop its
  // entries yet keeps the record and destroys it itself.
  if (g_StoreOutlets.RemoveWatchEntries && !g_StoreOutlets.RemoveWatchEntries(button)) return;
  DestroyButtonRecord(button);
}

void DestroyButtonRecord(ButtonInfo* button) {
  if (!button) return;
  FreeButtonContents(button);
  StoreFree(button);
}

static void RemoveFromLocked(ButtonInfo* b) {
  ItemStore& s = g_App.Store;
  for (int i = 0; i < s.LockedCount; i++) {
    if (s.Locked[i] != b) continue;
    memmove(&s.Locked[i], &s.Locked[i + 1], (s.LockedCount - i - 1) * sizeof(ButtonInfo*));
    s.LockedCount--;
    return;
  }
}

static void ClearGridCells(ButtonInfo* b) {
  ItemStore& s = g_App.Store;
  for (int i = 0; i < s.GridCells; i++)
    if (s.Grid[i].Button == b) s.Grid[i].Button = nullptr;
}

void DiscardButton(ButtonInfo* b) {
  ItemStore& s = g_App.Store;
  s.LastLaunched = nullptr;
  if (IsPageList(b->List)) ClearGridCells(b);
  if (b->Type & ITEM_LOCKED) RemoveFromLocked(b);
  FreeButtonRecord(b);
}

static bool IsRecycleBin(LPCITEMIDLIST pidl) {
  if (!pidl) return false;
  LPITEMIDLIST bin = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_BITBUCKET, &bin)) || !bin) return false;
  bool same = ILIsEqual(pidl, bin) != FALSE;
  CoTaskMemFree(bin);
  return same;
}

// ---------------------------------------------------------------------------
// Positions of new buttons

void SetOtherViewModePosition(ButtonInfo* button) {
  int cur = CurrentViewMode(), other = 1 - cur;
  if (!PositionsPerViewMode()) {
    button->Position[other] = button->Position[cur];
    return;
  }
  ItemStore& s = g_App.Store;
  bool vertical = ViewModeVertical(other);
  int best = -1;
  auto consider = [&](const ButtonInfo* b) {
    if (b == button) return;
    const ItemPos& p = b->Position[other];
    if (vertical && p.PosX == 0 && p.PosY > best) best = p.PosY;
    if (!vertical && p.PosY == 0 && p.PosX > best) best = p.PosX;
  };
  for (int i = 0; i < s.LockedCount; i++) consider(s.Locked[i]);
  int count;
  ButtonInfo** t = ListTable(button->List, &count);
  for (int i = 0; t && i < count; i++)
    if (t[i]) consider(t[i]);
  if (best < 0) button->Position[other] = ItemPos{0, 0};
  else if (vertical) button->Position[other] = ItemPos{0, best + 1};
  else button->Position[other] = ItemPos{best + 1, 0};
}

// Steps a new page button's position along its line, never wrapping, until
// no earlier button of the page and no locked button holds it.
static void MakePositionFree(ButtonInfo* b, ButtonInfo** table, int n) {
  ItemStore& s = g_App.Store;
  int vm = CurrentViewMode();
  bool vertical = ViewModeVertical(vm);
  ItemPos& p = b->Position[vm];
  int across = vertical ? p.PosX : p.PosY;
  int start = vertical ? p.PosY : p.PosX;
  std::vector<unsigned char> taken;
  auto mark = [&](const ButtonInfo* o) {
    const ItemPos& q = o->Position[vm];
    int a = vertical ? q.PosX : q.PosY, v = vertical ? q.PosY : q.PosX;
    if (a != across || v < start) return;
    size_t k = static_cast<size_t>(v - start);
    if (k > static_cast<size_t>(n + s.LockedCount)) return;  // cannot be reached
    if (taken.size() <= k) taken.resize(k + 1, 0);
    taken[k] = 1;
  };
  for (int i = 0; i < n; i++) mark(table[i]);
  for (int i = 0; i < s.LockedCount; i++) mark(s.Locked[i]);
  size_t k = 0;
  while (k < taken.size() && taken[k]) k++;
  if (vertical) p.PosY = start + static_cast<int>(k);
  else p.PosX = start + static_cast<int>(k);
}

// Replaces a path field by its converted form when the conversion gives one.
static void ConvertPathField(wchar_t** field, bool toRelative) {
  if (!*field || !**field) return;
  wchar_t* converted = nullptr;
  int ok = toRelative ? MakeRelativePath(*field, &converted) : MakeAbsolutePath(*field, &converted);
  if (!ok || !converted) return;
  if (wcscmp(converted, *field) == 0) {
    StoreFree(converted);
    return;
  }
  StoreFree(*field);
  *field = converted;
}

// File, Directory and IconFile are paths; Tip is free text and stays as typed.
static void MakeButtonPathsRelative(ButtonInfo* b) {
  ConvertPathField(&b->File, true);
  ConvertPathField(&b->Directory, true);
  ConvertPathField(&b->IconFile, true);
}

static void ConvertButtonPaths(ButtonInfo* b, bool toRelative) {
  if (ItemTypeOf(b->Type) <= IT_FOLDER) {
    ConvertPathField(&b->File, toRelative);
    if (ItemTypeOf(b->Type) != IT_FOLDER) ConvertPathField(&b->Directory, toRelative);
  }
  ConvertPathField(&b->RehookTrigger, toRelative);
  ConvertPathField(&b->IconFile, toRelative);
  ConvertPathField(&b->OverlayIcon, toRelative);
}

void ConvertAllItemPaths(int toRelative) {
  ItemStore& s = g_App.Store;
  if (ShowMessage(toRelative ? IDS_ASK_TO_RELATIVE : IDS_ASK_TO_ABSOLUTE, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
  if (g_StoreOutlets.UpdateCursor) g_StoreOutlets.UpdateCursor(1);
  for (int p = 0; p < s.PageCount; p++)
    for (int i = 0; i < s.Pages[p].Count; i++)
      if (ButtonInfo* b = GetItem(p, i)) ConvertButtonPaths(b, toRelative != 0);
  for (int m = 0; m < s.SubMenuCount; m++)
    for (int i = 0; i < s.SubMenus[m].Count; i++)
      if (ButtonInfo* b = GetItem(LIST_SUBMENU | m, i)) ConvertButtonPaths(b, toRelative != 0);
  if (g_StoreOutlets.SavePages) g_StoreOutlets.SavePages(nullptr);
  if (g_StoreOutlets.UpdateCursor) g_StoreOutlets.UpdateCursor(0);
}

static int CellState(int cell) {
  ItemStore& s = g_App.Store;
  return cell == s.PressedCell ? 2 : cell == s.HoverCell ? 1 : 0;
}

static void NotifySearch() {
  if ((g_App.Settings.Status & STATUS_SEARCH) && g_StoreOutlets.PostResearch) g_StoreOutlets.PostResearch();
}

static void FailAdd() {
  if (g_App.MainWnd) PostMessageW(g_App.MainWnd, WM_CLOSE, 0, 0);
}

// ---------------------------------------------------------------------------
// Adding

ButtonInfo* AddButton(NewButtonTemplate* tmpl, int list) {
  ItemStore& s = g_App.Store;
  if (!tmpl || !ListExists(list)) return nullptr;
  int n = GetItemCount(list);
  bool newMenu = ItemTypeOf(tmpl->Button.Type) == IT_CHILDMENU && !(tmpl->Control & NBT_KEEP_SUBMENU);
  // The child-menu limit has no message of its own; it shares the list one.
  if (n >= kMaxListButtons || (newMenu && s.SubMenuCount >= kMaxSubMenus)) {
    ShowMessageF(IDS_LIMIT_ITEMS, MB_ICONWARNING, kMaxListButtons);
    return nullptr;
  }

  // Everything that can fail is allocated before anything changes, so a
  // failure leaves the store as it was.
  ButtonInfo* b = static_cast<ButtonInfo*>(StoreAlloc(sizeof(ButtonInfo)));
  if (!b) {
    ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
    FailAdd();
    return nullptr;
  }
  ButtonInfo** menuTable = nullptr;
  if (newMenu) {
    int m = s.SubMenuCount;
    void* infos = StoreReAlloc(s.SubMenus, (m + 1) * sizeof(SubMenuInfo));
    if (infos) s.SubMenus = static_cast<SubMenuInfo*>(infos);  // a larger block, count unchanged
    void* tables = infos ? StoreReAlloc(s.SubMenuButtons, (m + 1) * sizeof(ButtonInfo**)) : nullptr;
    if (tables) s.SubMenuButtons = static_cast<ButtonInfo***>(tables);
    menuTable = tables ? static_cast<ButtonInfo**>(StoreAlloc(sizeof(ButtonInfo*))) : nullptr;
    if (!menuTable) {
      StoreFree(b);
      ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
      FailAdd();
      return nullptr;
    }
  }
  if (!ResizeButtonTable(list, n + 1)) {
    StoreFree(menuTable);
    StoreFree(b);
    FailAdd();
    return nullptr;
  }

  ButtonInfo** table = ListTable(list, nullptr);
  *b = tmpl->Button;
  b->List = list;
  b->Index = n;
  table[n] = b;
  if (newMenu) {
    int m = s.SubMenuCount;
    s.SubMenus[m] = SubMenuInfo{list, n, 0};
    s.SubMenuButtons[m] = menuTable;
    b->SubMenuIdx = m;
    s.SubMenuCount = m + 1;
  }

  if (!(tmpl->Control & NBT_KEEP_FIELDS)) {
    if (ItemTypeOf(b->Type) == IT_SHELLITEM && IsRecycleBin(b->ShellItem)) {
      b->Type = (b->Type & 0xFFFF0000u) | IT_RECYCLEBIN;
      CoTaskMemFree(b->ShellItem);
      b->ShellItem = nullptr;
    }
    if (g_StoreOutlets.ClassifyItemTarget)
      g_StoreOutlets.ClassifyItemTarget(b, (tmpl->Control & NBT_CLASSIFY_MASK) * 2 + 3);
    if (ItemTypeOf(b->Type) <= IT_FOLDER && (s.Set.Option1 & OPT1_RELATIVE_PATHS)) MakeButtonPathsRelative(b);
  }

  if (IsPageList(list)) {
    MakePositionFree(b, table, n);
    SetOtherViewModePosition(b);
    if (g_App.MainWnd && list == s.CurrentPage) {
      int cell = FindGridCell(b->Position[CurrentViewMode()]);
      if (cell >= 0) s.Grid[cell].Button = b;
    }
  }

  if (tmpl->Control & NBT_WITH_DIALOG) {
    if (IsPageList(list)) {
      int cell = list == s.CurrentPage ? FindGridCell(b->Position[CurrentViewMode()]) : -1;
      if (cell >= 0 && g_StoreOutlets.DrawButton) g_StoreOutlets.DrawButton(cell, CellState(cell));
    } else if (g_StoreOutlets.ShowSubMenuWindow) {
      g_StoreOutlets.ShowSubMenuWindow(list);
    }
  }
  NotifySearch();
  return b;
}

ButtonInfo* AddButtonWithDialog(int list, int cell, int withDialog) {
  ItemStore& s = g_App.Store;
  if (!ListExists(list)) return nullptr;
  NewButtonTemplate tmpl;
  memset(&tmpl, 0, sizeof(tmpl));
  if (withDialog) {
    if (GetItemCount(list) >= kMaxListButtons) {
      ShowMessageF(IDS_LIMIT_ITEMS, MB_ICONWARNING, kMaxListButtons);
      return nullptr;
    }
    if (!g_StoreOutlets.RegisterItemDialog || !g_StoreOutlets.RegisterItemDialog(&tmpl)) return nullptr;
  } else {
    tmpl.Button.Type = IT_CHILDMENU;
    tmpl.Button.Name = MakeDefaultListName(s.SubMenuCount + 1, 1);
  }
  if (g_StoreOutlets.UpdateCursor) g_StoreOutlets.UpdateCursor(1);
  tmpl.Control |= NBT_WITH_DIALOG;
  if (IsPageList(list) && cell >= 0 && cell < s.GridCells) {
    int vm = CurrentViewMode();
    tmpl.Button.Position[vm] = ItemPos{s.Grid[cell].Column, s.Grid[cell].Row};
  }
  ButtonInfo* b = AddButton(&tmpl, list);
  if (!b) {
    FreeButtonContents(&tmpl.Button);  // nothing of the template was taken
  } else {
    if (g_StoreOutlets.SavePages) g_StoreOutlets.SavePages(nullptr);
    if (g_StoreOutlets.SaveIconCache) g_StoreOutlets.SaveIconCache(0);
    if ((s.Set.Option1 & OPT1_PROPERTIES_AFTER_ADD) && g_StoreOutlets.OpenItemProperties)
      g_StoreOutlets.OpenItemProperties(b);
  }
  if (g_StoreOutlets.UpdateCursor) g_StoreOutlets.UpdateCursor(0);
  return b;
}

// ---------------------------------------------------------------------------
// Copying and moving

bool IsInSubMenuTree(int list, int subMenu) {
  ItemStore& s = g_App.Store;
  for (int guard = 0; guard <= s.SubMenuCount && list >= LIST_SUBMENU && list < LIST_PLACEHOLDER; guard++) {
    int n = list & 0x7FFF;
    if (n >= s.SubMenuCount) return false;
    if (n == subMenu) return true;
    list = s.SubMenus[n].Page;
  }
  return false;
}

static LPITEMIDLIST CloneIdList(LPCITEMIDLIST pidl) {
  if (!pidl) return nullptr;
  size_t size = 0;
  for (LPCITEMIDLIST p = pidl; p->mkid.cb; p = reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(p) + p->mkid.cb))
    size += p->mkid.cb;
  size += 2;
  LPITEMIDLIST copy = static_cast<LPITEMIDLIST>(CoTaskMemAlloc(size));
  if (copy) memcpy(copy, pidl, size);
  return copy;
}

static HICON DupIcon(HICON icon) { return icon ? DuplicateIcon(nullptr, icon) : nullptr; }

// Gives a copy its own data: the template shared the source's pointers.
static void DuplicateOwnedData(ButtonInfo* b, const ButtonInfo* src, bool reloadIcons) {
  wchar_t** texts[] = {&b->Name, &b->File, &b->Parameter, &b->Directory, &b->Tip,
                       &b->RehookTrigger, &b->IconFile, &b->OverlayIcon, &b->TargetProgram};
  for (wchar_t** t : texts) *t = StoreDupString(*t);
  b->ShellItem = ItemTypeOf(src->Type) == IT_SHELLITEM ? CloneIdList(src->ShellItem) : nullptr;
  b->PluginInts = nullptr;
  b->PluginStrs = nullptr;
  if (ItemTypeOf(src->Type) == 5) {
    if (src->PluginInts) b->PluginInts = new (std::nothrow) std::vector<int>(*src->PluginInts);
    if (src->PluginStrs) {
      b->PluginStrs = new (std::nothrow) std::vector<wchar_t*>();
      if (b->PluginStrs)
        for (wchar_t* t : *src->PluginStrs) b->PluginStrs->push_back(StoreDupString(t));
    }
  }
  b->TargetWindows = nullptr;
  if (src->TargetWindowCount > 0 && src->TargetWindows) {
    size_t bytes = src->TargetWindowCount * sizeof(TargetWindowCondition);
    b->TargetWindows = static_cast<TargetWindowCondition*>(StoreAlloc(bytes));
    if (b->TargetWindows) memcpy(b->TargetWindows, src->TargetWindows, bytes);
  }
  b->TargetWindowCount = b->TargetWindows ? src->TargetWindowCount : 0;
  b->ChainBootCount = 0;
  b->ChainBoot = nullptr;
  b->WatchState = 0;
  for (int k = 0; k < 2; k++) {
    b->Icon[k] = reloadIcons ? nullptr : DupIcon(src->Icon[k]);
    b->Overlay[k].Icon = reloadIcons ? nullptr : DupIcon(src->Overlay[k].Icon);
  }
  // Icons not made yet come from the same cache images as the source's.
  if (reloadIcons) {
    DropCachedIcons(b);
    g_StoreOutlets.GetItemIcon(b);
  }
}

int CopyButton(ButtonInfo* source, int list, int cell, int flags, ItemPos* pos) {
  ItemStore& s = g_App.Store;
  if (!source || !ListExists(list)) return 0;
  bool copy = (flags & 1) != 0;
  int srcList = source->List, srcIndex = source->Index;
  if (GetItem(srcList, srcIndex) != source) return 0;
  // A child menu moved into its own subtree would hang from nothing.
  if (!copy && ItemTypeOf(source->Type) == IT_CHILDMENU && IsInSubMenuTree(list, source->SubMenuIdx)) return 0;

  NewButtonTemplate tmpl;
  tmpl.Button = *source;
  tmpl.Control = NBT_KEEP_FIELDS | (copy ? 0 : NBT_KEEP_SUBMENU);
  tmpl.Button.Type &= ~ITEM_LOCKED;
  tmpl.Button.Position[0] = ItemPos{0, 0};
  tmpl.Button.Position[1] = ItemPos{0, 0};
  if (IsPageList(list)) {
    int vm = CurrentViewMode();
    if (pos) tmpl.Button.Position[vm] = *pos;
    else if (cell >= 0 && cell < s.GridCells) tmpl.Button.Position[vm] = ItemPos{s.Grid[cell].Column, s.Grid[cell].Row};
  }
  ButtonInfo* b = AddButton(&tmpl, list);
  if (!b) return 0;
  if (pos) *pos = b->Position[CurrentViewMode()];

  if (copy) {
    bool kindsDiffer = IsPageList(srcList) != IsPageList(list);
    bool sizesDiffer = g_App.Design.ViewMode[0].IconSizeGet != 32 || (s.Set.SubMenuIconSize != 32 && s.Set.SubMenuIconSize != 16);
    DuplicateOwnedData(b, source, kindsDiffer && sizesDiffer && g_StoreOutlets.GetItemIcon);
    return 0;
  }

  int changed = ReplaceItemReferences(srcList, srcIndex, list, b->Index, 1);
  // The new record took over everything the source owned.
  ButtonInfo* src = GetItem(srcList, srcIndex);
  int keepType = src->Type & ~0xFFFF;  // never a child-menu button any more
  memset(src, 0, sizeof(ButtonInfo));
  src->List = srcList;
  src->Index = srcIndex;
  src->Type = keepType;
  changed |= ReleaseButton(srcList, srcIndex, 0, 0);
  return changed;
}

int MoveSubMenuButton(int list, int from, int to, int flags) {
  int count;
  ButtonInfo** t = ListTable(list, &count);
  if (!t || IsPageList(list)) return 0;
  if (from < 0 || from >= count || to < 0 || to > count || to == from || to == from + 1) return 0;
  ButtonInfo* b = t[from];
  int changed = ReplaceItemReferences(list, from, list, LIST_PLACEHOLDER, 1);
  int at;
  if (from < to) {
    changed |= ShiftItemIndices(list, from + 1, to - 1, -1);
    at = to - 1;
  } else {
    changed |= ShiftItemIndices(list, to, from - 1, +1);
    at = to;
  }
  t[at] = b;
  b->Index = at;
  changed |= ReplaceItemReferences(list, LIST_PLACEHOLDER, list, at, 1);
  if (flags & 2) {
    if (changed ? !!g_StoreOutlets.WriteSettings : !!g_StoreOutlets.SavePages) {
      if (changed) g_StoreOutlets.WriteSettings(nullptr, 0);
      else g_StoreOutlets.SavePages(nullptr);
    }
    if (g_StoreOutlets.SaveIconCache) g_StoreOutlets.SaveIconCache(0);
    if (g_StoreOutlets.ShowSubMenuWindow) g_StoreOutlets.ShowSubMenuWindow(list);
  }
  return changed;
}

static void SaveAfterChange(int refsChanged) {
  if (refsChanged) {
    if (g_StoreOutlets.WriteSettings) g_StoreOutlets.WriteSettings(nullptr, 0);
  } else if (g_StoreOutlets.SavePages) {
    g_StoreOutlets.SavePages(nullptr);
  }
  if (g_StoreOutlets.SaveIconCache) g_StoreOutlets.SaveIconCache(0);
}

int MoveOrCopyButton(int srcList, int srcIndex, ButtonInfo* source, int dstList, int dstIndex,
                     ButtonInfo* target, int flags, ItemPos* pos) {
  ItemStore& s = g_App.Store;
  ButtonInfo* item = GetItem(srcList, srcIndex);
  if (!item || (source && source != item) || !ListExists(dstList)) return 0;
  source = item;
  bool copy = (flags & 1) != 0, finish = (flags & 2) != 0;
  if (!copy && srcList == dstList) {
    if (IsPageList(dstList)) {
      MoveButtonInList(dstList, source, dstIndex, target);
      return 0;
    }
    return MoveSubMenuButton(dstList, srcIndex, dstIndex, flags & 2);
  }
  if (GetItemCount(dstList) >= kMaxListButtons) {
    ShowMessageF(IDS_LIMIT_ITEMS, MB_ICONWARNING, kMaxListButtons);
    return 0;
  }
  if (!copy && ItemTypeOf(source->Type) == IT_CHILDMENU && IsInSubMenuTree(dstList, source->SubMenuIdx)) return 0;

  if (g_StoreOutlets.UpdateCursor) g_StoreOutlets.UpdateCursor(1);
  if (!copy && IsPageList(srcList) && (source->Type & ITEM_LOCKED)) {
    ToggleButtonLock(source, 0);
    RebuildButtonGrid(0);
  }
  if (IsPageList(dstList) && target) {
    ItemPos at;
    if (pos) at = *pos;
    else if (dstIndex >= 0 && dstIndex < s.GridCells) at = ItemPos{s.Grid[dstIndex].Column, s.Grid[dstIndex].Row};
    else at = target->Position[PositionViewMode(-1)];
    ShiftButtonPositions(dstList, at, nullptr, +1, -1);
  }
  int changed = CopyButton(source, dstList, dstIndex, copy ? 1 : 0, pos);

  if (IsPageList(srcList) || IsPageList(dstList)) {
    CollectLockedButtons();
    RebuildButtonGrid(0);
    if (finish && g_StoreOutlets.RepaintMainWindow) g_StoreOutlets.RepaintMainWindow(RP_BUTTONS | RP_PUSH);
  }
  if (IsPageList(dstList) && !finish) {
    if (g_StoreOutlets.UpdateCursor) g_StoreOutlets.UpdateCursor(0);
    return changed;
  }
  if (!IsPageList(dstList)) {
    int last = GetItemCount(dstList) - 1;
    if (dstIndex >= 0 && dstIndex < last) changed |= MoveSubMenuButton(dstList, last, dstIndex, 0);
    if (!finish) {
      if (g_StoreOutlets.UpdateCursor) g_StoreOutlets.UpdateCursor(0);
      return changed;
    }
    if (IsPageList(srcList) && g_StoreOutlets.ShowSubMenuWindow) g_StoreOutlets.ShowSubMenuWindow(dstList);
  }
  SaveAfterChange(changed);
  if (g_StoreOutlets.UpdateCursor) g_StoreOutlets.UpdateCursor(0);
  return changed;
}

// ---------------------------------------------------------------------------
// Releasing and deleting

int ReleaseButton(int list, int index, int keepSlots, int cascade) {
  int count;
  ButtonInfo** t = ListTable(list, &count);
  if (!t || index < 0 || index >= count) return 0;
  ButtonInfo* b = t[index];
  int changed = ReplaceItemReferences(list, index, 0, 0, 0);
  int menu = ItemTypeOf(b->Type) == IT_CHILDMENU ? b->SubMenuIdx : -1;
  if (IsPageList(list) && g_StoreOutlets.ResetCaption) g_StoreOutlets.ResetCaption();
  DiscardButton(b);
  t[index] = nullptr;
  if (!keepSlots) changed |= ShiftItemIndices(list, index + 1, count - 1, -1);
  int* c = ListCountField(list);
  (*c)--;
  if (!keepSlots && *c > 0) {
    ButtonInfo*** field = ListTableField(list);
    if (void* p = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, *field, *c * sizeof(ButtonInfo*)))
      *field = static_cast<ButtonInfo**>(p);
  }
  if (menu >= 0 && cascade) changed |= DeleteSubMenu(menu);
  return changed;
}

int DeleteButton(ButtonInfo* button, int page, int cell, int flags) {
  ItemStore& s = g_App.Store;
  if (!button || GetItem(button->List, button->Index) != button) return 0;
  if (flags & 4) {
    int r = ShowMessageF(IDS_ASK_DELETE, MB_ICONQUESTION | MB_OKCANCEL, button->Name ? button->Name : L"");
    if (r != IDOK) return 0;
  }
  int list = button->List;
  bool onPage = IsPageList(list);
  if (onPage && list != s.CurrentPage) {
    if (g_StoreOutlets.SelectPage) g_StoreOutlets.SelectPage(list, 1);
    if (s.CurrentPage != list) {
      s.CurrentPage = list;
      RebuildButtonGrid(0);
    }
    cell = -1;  // the cell was one of another page's grid
  }
  if (onPage && (button->Type & ITEM_LOCKED)) ToggleButtonLock(button, 0);
  bool validCell = onPage && cell >= 0 && cell < s.GridCells;
  ItemPos at = validCell ? ItemPos{s.Grid[cell].Column, s.Grid[cell].Row} : ItemPos{0, 0};

  int changed = ReleaseButton(list, button->Index, 0, 1);
  if (onPage) {
    if ((s.Set.Option1 & OPT1_CLOSE_GAPS) && validCell) {
      if (ViewModeVertical(PositionViewMode(-1))) at.PosY++;
      else at.PosX++;
      ShiftButtonPositions(list, at, nullptr, -1, -1);
    }
    if (g_StoreOutlets.HideTooltip) g_StoreOutlets.HideTooltip();
    CollectLockedButtons();
    RebuildButtonGrid(0);
    if (g_StoreOutlets.RepaintMainWindow) g_StoreOutlets.RepaintMainWindow(RP_BUTTONS | RP_PUSH);
  }
  if (flags & 2) SaveAfterChange(changed);
  NotifySearch();
  return 1;
}

// ---------------------------------------------------------------------------
// Sorting

static int CompareNames(const ButtonInfo* a, const ButtonInfo* b) {
  return lstrcmpiW(a->Name ? a->Name : L"", b->Name ? b->Name : L"");
}

int SortList(int list, int ascending) {
  int count;
  ButtonInfo** t = ListTable(list, &count);
  if (!t) return 0;
  bool page = IsPageList(list);
  ButtonInfo** sorted = static_cast<ButtonInfo**>(StoreAlloc((count ? count : 1) * sizeof(ButtonInfo*)));
  if (!sorted) return 0;
  // Insertion sort: each button goes before the first placed one whose name
  // is greater (smaller when descending); equal names keep their order.
  int m = 0;
  for (int i = 0; i < count; i++) {
    ButtonInfo* b = t[i];
    if (page && (b->Type & ITEM_LOCKED)) continue;
    int lo = 0, hi = m;
    while (lo < hi) {
      int mid = (lo + hi) / 2;
      int c = CompareNames(sorted[mid], b);
      bool after = ascending ? c > 0 : c < 0;
      if (after) hi = mid;
      else lo = mid + 1;
    }
    memmove(&sorted[lo + 1], &sorted[lo], (m - lo) * sizeof(ButtonInfo*));
    sorted[lo] = b;
    m++;
  }

  if (!page) {
    std::vector<int> map(count);
    for (int i = 0; i < count; i++) map[sorted[i]->Index] = i;
    RemapItemIndices(list, map.data(), count);
    for (int i = 0; i < count; i++) {
      t[i] = sorted[i];
      t[i]->Index = i;
    }
    StoreFree(sorted);
    if (g_StoreOutlets.WriteSettings) g_StoreOutlets.WriteSettings(nullptr, 0);
    if (g_StoreOutlets.SaveIconCache) g_StoreOutlets.SaveIconCache(0);
    if (g_StoreOutlets.ShowSubMenuWindow) g_StoreOutlets.ShowSubMenuWindow(list);
    return 1;
  }

  int cur = CurrentViewMode();
  int vm = PositionViewMode(-1);
  bool vertical = ViewModeVertical(cur);
  int cols = g_App.Design.ViewMode[cur].ButtonNumX > 0 ? g_App.Design.ViewMode[cur].ButtonNumX : 1;
  int rows = g_App.Design.ViewMode[cur].ButtonNumY > 0 ? g_App.Design.ViewMode[cur].ButtonNumY : 1;
  int c = 0, r = 0;
  auto advance = [&]() {
    if (vertical) {
      if (++r >= rows) r = 0, c++;
    } else {
      if (++c >= cols) c = 0, r++;
    }
  };
  for (int i = 0; i < m; i++) {
    while (IsLockedHome(vm, c, r)) advance();
    ItemPos p{c, r};
    if (PositionsPerViewMode()) {
      sorted[i]->Position[vm] = p;
    } else {
      sorted[i]->Position[0] = p;
      sorted[i]->Position[1] = p;
    }
    advance();
  }
  StoreFree(sorted);
  if (g_StoreOutlets.SavePages) g_StoreOutlets.SavePages(nullptr);
  RebuildButtonGrid(0);
  if (g_StoreOutlets.RepaintMainWindow) g_StoreOutlets.RepaintMainWindow(RP_BUTTONS | RP_PUSH);
  return 1;
}
