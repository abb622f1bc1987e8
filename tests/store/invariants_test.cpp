// The store fixture, its recording outlets and the invariant check that runs
// after every store test case.
#include <set>
#include <sstream>

#include "dialogs/dialoghelpers.h"
#include "store/grid.h"
#include "store/history.h"
#include "store/lists.h"
#include "store/outlets.h"
#include "store_fixture.h"

OutletLog g_Log;

int OutletLog::Count(const std::string& prefix) const {
  int n = 0;
  for (const std::string& c : Calls)
    if (c.compare(0, prefix.size(), prefix) == 0) n++;
  return n;
}

std::string OutletLog::Messages() const {
  std::string all;
  for (const std::string& c : Calls)
    if (c.compare(0, 4, "Msg ") == 0) all += c + "\n";
  return all;
}

std::wstring Wide(const char* text) { return std::wstring(text, text + strlen(text)); }
std::string Narrow(const wchar_t* text) {
  std::string s;
  for (; text && *text; text++) s += static_cast<char>(*text);
  return s;
}

namespace {

void Record(const std::string& call) { g_Log.Calls.push_back(call); }

StoreOutlets RecordingOutlets() {
  StoreOutlets o{};
  o.SavePages = [](const wchar_t*) { Record("SavePages"); return 1; };
  o.WriteSettings = [](const wchar_t*, int) { Record("WriteSettings"); return 1; };
  o.SaveIconCache = [](int) { Record("SaveIconCache"); return 1; };
  o.RepaintMainWindow = [](UINT parts) { Record("Repaint " + std::to_string(parts & 7)); };
  o.DrawButton = [](int cell, int state) { Record("DrawButton " + std::to_string(cell) + " " + std::to_string(state)); };
  o.CalcMainWindowLayout = [] { Record("CalcMainWindowLayout"); };
  o.LayoutTabs = [] { Record("LayoutTabs"); };
  o.BuildTabImages = [] { Record("BuildTabImages"); };
  o.BuildBackgroundBitmaps = [] { Record("BuildBackgroundBitmaps"); };
  o.HideTooltip = [] { Record("HideTooltip"); };
  o.PostResearch = [] { Record("PostResearch"); };
  o.ShowSubMenuWindow = [](int list) { Record("ShowSubMenuWindow " + std::to_string(list)); };
  o._VnSetDllData = [](int kind, void* p, void*) {
    Record("DllData " + std::to_string(kind) + (kind == 2 ? " " + std::to_string(reinterpret_cast<INT_PTR>(p)) : ""));
  };
  o.BroadcastPluginEvent = [](int code, INT_PTR arg) {
    char buf[64];
    snprintf(buf, sizeof buf, "Broadcast %#x %d", code, static_cast<int>(arg));
    Record(buf);
    return 1;
  };
  o.RemoveWatchEntries = [](ButtonInfo* b) {
    g_Log.WatchRemoved.push_back(b);
    Record("RemoveWatchEntries");
    return 1;
  };
  return o;
}

// Every live button of the store.
std::set<const ButtonInfo*> LiveButtons() {
  ItemStore& s = g_App.Store;
  std::set<const ButtonInfo*> live;
  for (int p = 0; p < s.PageCount; p++)
    for (int i = 0; i < s.Pages[p].Count; i++) live.insert(s.PageButtons[p][i]);
  for (int m = 0; m < s.SubMenuCount; m++)
    for (int i = 0; i < s.SubMenus[m].Count; i++) live.insert(s.SubMenuButtons[m][i]);
  return live;
}

}  // namespace

std::string CheckStoreInvariants() {
  ItemStore& s = g_App.Store;
  References& r = s.Refs;
  std::ostringstream out;
  auto item = [&](int list, int index) { return GetItem(list, index) != nullptr; };
  auto page = [&](int p) { return p == LIST_NONE || (p >= 0 && p < s.PageCount); };

  if (s.PageCount < 0 || s.PageCount > kMaxPages) out << "page count " << s.PageCount << "\n";
  if (s.SubMenuCount < 0 || s.SubMenuCount > kMaxSubMenus) out << "child-menu count " << s.SubMenuCount << "\n";
  auto checkList = [&](int list, ButtonInfo** t, int count) {
    if (count < 0 || count > kMaxListButtons) out << "list " << list << " count " << count << "\n";
    if (count > 0 && !t) out << "list " << list << " has no table\n";
    for (int i = 0; t && i < count; i++) {
      ButtonInfo* b = t[i];
      if (!b) {
        out << "list " << list << " slot " << i << " empty\n";
        continue;
      }
      if (b->List != list || b->Index != i)
        out << "list " << list << " slot " << i << " says " << b->List << "/" << b->Index << "\n";
      if (ItemTypeOf(b->Type) == IT_CHILDMENU) {
        int m = b->SubMenuIdx;
        if (m < 0 || m >= s.SubMenuCount) out << "button " << list << "/" << i << " owns missing child menu " << m << "\n";
        else if (s.SubMenus[m].Page != list || s.SubMenus[m].Button != i)
          out << "child menu " << m << " names " << s.SubMenus[m].Page << "/" << s.SubMenus[m].Button
              << " but its owner is " << list << "/" << i << "\n";
      }
      for (int k = 0; k < b->ChainBootCount; k++)
        if (!item(b->ChainBoot[k].List, b->ChainBoot[k].Index))
          out << "chain of " << list << "/" << i << " names " << b->ChainBoot[k].List << "/" << b->ChainBoot[k].Index << "\n";
    }
  };
  for (int p = 0; p < s.PageCount; p++) checkList(p, s.PageButtons[p], s.Pages[p].Count);
  for (int m = 0; m < s.SubMenuCount; m++) {
    checkList(LIST_SUBMENU | m, s.SubMenuButtons[m], s.SubMenus[m].Count);
    ButtonInfo* owner = GetItem(s.SubMenus[m].Page, s.SubMenus[m].Button);
    if (!owner || ItemTypeOf(owner->Type) != IT_CHILDMENU || owner->SubMenuIdx != m)
      out << "child menu " << m << " has no owner at " << s.SubMenus[m].Page << "/" << s.SubMenus[m].Button << "\n";
    int list = LIST_SUBMENU | m, steps = 0;
    while (list >= LIST_SUBMENU && list < LIST_PLACEHOLDER && steps++ <= s.SubMenuCount) {
      int n = list & 0x7FFF;
      if (n >= s.SubMenuCount) break;
      list = s.SubMenus[n].Page;
    }
    if (steps > s.SubMenuCount) out << "child menu " << m << " hangs in a cycle\n";
  }

  std::set<const ButtonInfo*> live = LiveButtons();
  int locked = 0;
  for (int p = 0; p < s.PageCount; p++)
    for (int i = 0; i < s.Pages[p].Count; i++) locked += (s.PageButtons[p][i]->Type & ITEM_LOCKED) ? 1 : 0;
  for (int i = 0; i < s.LockedCount; i++)
    if (!live.count(s.Locked[i]) || !(s.Locked[i]->Type & ITEM_LOCKED) || s.Locked[i]->List >= LIST_SUBMENU)
      out << "locked list entry " << i << " is not a live locked page button\n";
  if (s.LockedCount != locked) out << "locked list holds " << s.LockedCount << " of " << locked << "\n";
  for (int i = 0; i < s.GridCells; i++)
    if (s.Grid[i].Button && !live.count(s.Grid[i].Button)) out << "grid cell " << i << " shows a freed button\n";
  if (s.LastLaunched && !live.count(s.LastLaunched)) out << "last launched button was freed\n";

  if (r.History) {
    std::set<int> seen;
    for (int i = 0; i < r.MaxMemories && r.History[i].Ref; i++) {
      int v = r.History[i].Ref;
      if (!item(ItemRefList(v), ItemRefIndex(v))) out << "history " << i << " names " << std::hex << v << std::dec << "\n";
      if (!seen.insert(v).second) out << "history " << i << " repeats an entry\n";
    }
  }
  for (int i = 0; i < r.ExcludedCount; i++)
    if (!item(ItemRefList(r.Excluded[i]), ItemRefIndex(r.Excluded[i])))
      out << "excluded " << i << " names " << std::hex << r.Excluded[i] << std::dec << "\n";
  for (int k = 0; k < kEventLists; k++)
    for (int i = 0; i < r.AutoBoot[k].Count; i++)
      if (!item(r.AutoBoot[k].Entries[i].List, r.AutoBoot[k].Entries[i].Index))
        out << "event list " << k << " entry " << i << " names " << r.AutoBoot[k].Entries[i].List << "/"
            << r.AutoBoot[k].Entries[i].Index << "\n";
  for (int a = 0; a < kMouseActions; a++)
    for (int p = 0; p < kMousePlaces; p++) {
      if (!(r.MousePlaceMask[a] & (1u << p))) continue;
      const MouseTarget& t = r.MouseTargets[a][p];
      bool ok = t.List == LIST_NONE ? page(t.Index) : item(t.List, t.Index);
      if (!ok) out << "mouse action " << a << " place " << p << " names " << t.List << "/" << t.Index << "\n";
    }
  for (int e = 0; e < kEdgeCount; e++) {
    UINT v = r.EdgeAssignment[e];
    bool ok = v <= 0xFFFF || (v >= 0xFFFF0000u ? page(v & 0xFFFF) : item(ItemRefList(v), ItemRefIndex(v)));
    if (!ok) out << "edge " << e << " names " << std::hex << v << std::dec << "\n";
  }
  for (int c = 0; c < 2; c++) {
    const CircleGestureSettings& g = r.Circle[c];
    if (g.Enable && !(g.Page == LIST_NONE ? page(g.Button) : item(g.Page, g.Button)))
      out << "circle " << c << " names " << g.Page << "/" << g.Button << "\n";
  }
  if (r.HotKeys.Count < 0 || r.HotKeys.Count > kMaxHotKeys || (r.HotKeys.Count && !r.HotKeys.Rows))
    out << "hot-key count " << r.HotKeys.Count << "\n";
  for (int i = 1; r.HotKeys.Rows && i <= r.HotKeys.Count; i++)
    if (!item(r.HotKeys.Rows[i].List, r.HotKeys.Rows[i].Index))
      out << "hot key " << i << " names " << r.HotKeys.Rows[i].List << "/" << r.HotKeys.Rows[i].Index << "\n";
  if (r.HotKeys.Rows && r.HotKeys.Rows[0].Code && !page(r.HotKeys.Rows[0].List))
    out << "show hot key names page " << r.HotKeys.Rows[0].List << "\n";
  if (g_App.RunState & RS_HISTORY_BUSY) out << "model left busy\n";
  return out.str();
}

void StoreTest::SetUp() {
  ClearItemStore();
  g_Log = OutletLog();
  g_StoreOutlets = RecordingOutlets();
  g_StoreFailAllocation = [] {
    if (g_Log.FailAfter < 0) return 0;
    return g_Log.FailAfter-- == 0 ? 1 : 0;
  };
  savedMessageBox_ = g_DialogSeams.MessageBoxFn;
  g_DialogSeams.MessageBoxFn = [](HWND, int id, const wchar_t* text, const wchar_t*, UINT flags) {
    Record("Msg " + std::to_string(id) + " " + std::to_string(flags) + ": " + Narrow(text));
    return g_Log.MessageAnswer;
  };
  g_App.RunState = 0;
  S().Set = StoreSettings();
  S().Set.SubMenuIconSize = 16;
  g_App.Settings = SettingsState();
  for (ViewModeDesign& d : g_App.Design.ViewMode) {
    d.Flag = 0;
    d.ButtonNumX = 7;
    d.ButtonNumY = 3;
    d.IconSizeGet = 32;
  }
}

void StoreTest::TearDown() {
  EXPECT_EQ("", CheckStoreInvariants());
  g_StoreOutlets = StoreOutlets();
  g_StoreFailAllocation = nullptr;
  g_DialogSeams.MessageBoxFn = savedMessageBox_;
  ClearItemStore();
}

void StoreTest::MakePages(int n) {
  for (int i = 0; i < n; i++) {
    std::wstring name = L"P" + std::to_wstring(i + 1);
    ASSERT_EQ(i, AddPage(name.c_str()));
  }
  RebuildButtonGrid(1);
}

ButtonInfo* StoreTest::Add(int list, const char* name, int column, int row, UINT type) {
  NewButtonTemplate t{};
  t.Button.Type = type;
  t.Button.Name = StoreDupString(Wide(name).c_str());
  t.Button.Position[0] = t.Button.Position[1] = ItemPos{column, row};
  t.Control = NBT_KEEP_FIELDS;
  ButtonInfo* b = AddButton(&t, list);
  if (!b) StoreFree(t.Button.Name);
  return b;
}

ButtonInfo* StoreTest::AddMenu(int list, const char* name) { return Add(list, name, 0, 0, IT_CHILDMENU); }

// The check itself must see what it is there for.
TEST_F(StoreTest, InvariantCheckSeesBrokenStores) {
  MakePages(2);
  ButtonInfo* a = Add(0, "a");
  ButtonInfo* m = AddMenu(0, "m");
  EXPECT_EQ("", CheckStoreInvariants());

  a->Index = 5;
  EXPECT_NE(std::string::npos, CheckStoreInvariants().find("slot 0 says 0/5"));
  a->Index = 0;

  S().SubMenus[m->SubMenuIdx].Button = 0;
  EXPECT_NE(std::string::npos, CheckStoreInvariants().find("child menu 0 names 0/0"));
  S().SubMenus[m->SubMenuIdx].Button = 1;

  ResizeHistory(5);
  S().Refs.History[0].Ref = MakeItemRef(1, 0);  // page 1 is empty
  EXPECT_NE(std::string::npos, CheckStoreInvariants().find("history 0"));
  S().Refs.History[0].Ref = 0;

  S().Refs.EdgeAssignment[3] = 0xFFFF0007;  // page 7 does not exist
  EXPECT_NE(std::string::npos, CheckStoreInvariants().find("edge 3"));
  S().Refs.EdgeAssignment[3] = 0;
  EXPECT_EQ("", CheckStoreInvariants());
}
