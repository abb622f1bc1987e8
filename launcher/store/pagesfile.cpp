#include "store/pagesfile.h"

#include <string.h>
#include <wchar.h>

#include <vector>

#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "resources/resource.h"
#include "store/items.h"
#include "store/outlets.h"
#include "store/sectionscan.h"
#include "store/settings.h"

namespace {

const int kPathChars = MAX_PATH - 1;
const int kTextChars = 1023;

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

bool SeparatePositions() { return (g_App.Settings.DispOption & DISP_SEPARATE_VIEWMODES) != 0; }

void CopyCut(wchar_t* out, int chars, const wchar_t* s) { lstrcpynW(out, s ? s : L"", chars + 1); }

void FreeText(wchar_t** s) {
  if (*s) StoreFree(*s);
  *s = nullptr;
}

// Position lists hold the row first.
void ReadPosition(SectionKeys& keys, const wchar_t* key, ItemPos* pos) {
  pos->PosX = pos->PosY = 0;
  if (wchar_t* v = keys.Text(key, -1, 0, 0)) {
    ParseIniList(v, &pos->PosY, &pos->PosX);
    StoreFree(v);
  }
}

void ReadPluginValues(SectionKeys& keys, ButtonInfo* b) {
  std::vector<int> ints;
  for (int i = 1; i <= kMaxFileCount; i++) {
    int v = 0;
    if (!keys.Read(&v, INI_DEC, L"PluginInt%02u", i)) break;
    ints.push_back(v);
  }
  std::vector<wchar_t*> strs;
  for (int i = 1; i <= kMaxFileCount; i++) {
    wchar_t* v = keys.Text(L"PluginStr%02u", i, 1, 0);
    if (!v) break;
    strs.push_back(v);
  }
  if (!ints.empty()) b->PluginInts = new std::vector<int>(ints);
  if (!strs.empty()) b->PluginStrs = new std::vector<wchar_t*>(strs);
}

ButtonInfo* ReadButton(SectionKeys& keys, const wchar_t* sec, int list, int index) {
  ButtonInfo* b = static_cast<ButtonInfo*>(StoreAlloc(sizeof(ButtonInfo)));
  if (!b) return nullptr;
  keys.Scan(sec);
  b->List = list;
  b->Index = index;
  b->Type = keys.Hex(L"Type");
  UINT type = ItemTypeOf(b->Type);
  b->Name = keys.Text(L"Name", -1, 0, kTextChars);
  if (type == IT_SHELLITEM)
    b->ShellItem = static_cast<LPITEMIDLIST>(keys.HexData(L"File"));
  else
    b->File = keys.Text(L"File", -1, 0, kTextChars);
  b->Parameter = keys.Text(L"Parameter", -1, 0, kTextChars);
  b->Directory = keys.Text(L"Directory", -1, 0, kTextChars);
  b->WindowStat = keys.Dec(L"WindowStat");
  b->Flag = static_cast<int>(keys.Hex(L"Flag"));
  b->Tip = keys.Text(L"Tip", -1, 0, kTextChars);
  b->Keyboard = static_cast<WORD>(keys.Hex(L"Keyboard"));
  if (!(list & LIST_SUBMENU)) {
    ReadPosition(keys, L"ViewMode1Pos", &b->Position[0]);
    if (SeparatePositions())
      ReadPosition(keys, L"ViewMode2Pos", &b->Position[1]);
    else
      b->Position[1] = b->Position[0];
  }
  if (type == IT_CHILDMENU) b->SubMenuIdx = keys.Dec(L"SubMenuIdx");
  b->RehookTrigger = keys.Text(L"RehookTrigger", -1, 0, kPathChars);
  if ((b->IconFile = keys.Text(L"IconFile", -1, 0, kPathChars)) != nullptr) b->IconIndex = keys.Dec(L"IconIndex");
  if ((b->OverlayIcon = keys.Text(L"OverlayIcon", -1, 0, kPathChars)) != nullptr) {
    b->OverlayIdx = keys.Dec(L"OverlayIdx");
    for (int o = 0; o < 2; o++) {
      OverlaySetting& ov = b->Overlay[o];
      ov.Size = keys.Dec(o ? L"Overlay2Size" : L"Overlay1Size");
      ov.BasePos = keys.Dec(o ? L"Overlay2BasePos" : L"Overlay1BasePos");
      ov.OffsetX = keys.Dec(o ? L"Overlay2OffsetX" : L"Overlay1OffsetX");
      ov.OffsetY = keys.Dec(o ? L"Overlay2OffsetY" : L"Overlay1OffsetY");
    }
  }
  int chains = Clamp(keys.Dec(L"ChainBoot"), 0, kMaxFileCount);
  if (chains > 0 && (b->ChainBoot = static_cast<EventEntry*>(StoreAlloc(chains * sizeof(EventEntry))))) {
    for (int i = 0; i < chains; i++) {
      UINT item = 0;
      if (!keys.Read(&item, INI_HEX, L"Chain%03u", i)) break;
      EventEntry& e = b->ChainBoot[b->ChainBootCount++];
      e.List = static_cast<int>(item >> 16);
      e.Index = static_cast<int>(item & 0xFFFF);
      keys.Read(&e.Delay, INI_DEC, L"Chain%03uDelay", i);
    }
    if (!b->ChainBootCount) {
      StoreFree(b->ChainBoot);
      b->ChainBoot = nullptr;
    }
  }
  b->TargetProgram = keys.Text(L"TargetProgram", -1, 0, kPathChars);
  int windows = Clamp(keys.Dec(L"TargetWindowCount"), 0, kMaxFileCount);
  if (windows > 0 &&
      (b->TargetWindows = static_cast<TargetWindowCondition*>(StoreAlloc(windows * sizeof(TargetWindowCondition))))) {
    for (int i = 0; i < windows; i++) {
      wchar_t* title = keys.Text(L"TargetWindowTitle%03u", i, 1, kTextChars);
      wchar_t* cls = keys.Text(L"TargetWindowClass%03u", i, 1, kTextChars);
      if (!title && !cls) break;
      TargetWindowCondition& w = b->TargetWindows[b->TargetWindowCount++];
      CopyCut(w.Title, kTextChars, title);
      CopyCut(w.Class, kTextChars, cls);
      FreeText(&title);
      FreeText(&cls);
    }
    if (!b->TargetWindowCount) {
      StoreFree(b->TargetWindows);
      b->TargetWindows = nullptr;
    }
  }
  if (type == 5) ReadPluginValues(keys, b);
  if (type == 0 && g_StoreOutlets.ClassifyItemTarget) g_StoreOutlets.ClassifyItemTarget(b, 2);
  return b;
}

// The buttons [Btn000]... of one list, each after the one before, among the
// headers [from, to). Returns the table (at least one slot) with count set
// to the buttons read; null after an allocation failure.
ButtonInfo** ReadButtonList(const std::vector<IniHeader>& hs, size_t from, size_t to, int list, int wanted,
                            int* count, SectionKeys& keys) {
  *count = 0;
  wanted = Clamp(wanted, 0, kMaxListButtons);
  ButtonInfo** table = static_cast<ButtonInfo**>(StoreAlloc((wanted > 0 ? wanted : 1) * sizeof(ButtonInfo*)));
  if (!table) return nullptr;
  size_t pos = from;
  for (int i = 0; i < wanted; i++) {
    size_t at = FindHeader(hs, pos, to, L"Btn%03u", i);
    if (at >= to) break;
    ButtonInfo* b = ReadButton(keys, SectionBody(hs[at]), list, i);
    if (!b) {
      for (int k = 0; k < *count; k++) FreeButtonRecord(table[k]);
      StoreFree(table);
      *count = 0;
      return nullptr;
    }
    table[(*count)++] = b;
    pos = at + 1;
  }
  if (*count < wanted && *count > 0) {
    if (void* shrunk = StoreReAlloc(table, *count * sizeof(ButtonInfo*))) table = static_cast<ButtonInfo**>(shrunk);
  }
  return table;
}

int OutOfMemory() {
  ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
  return 0;
}

}  // namespace

int ReadPageSections(const wchar_t* text) {
  ItemStore& st = g_App.Store;
  const wchar_t* pages = FindIniSection(text, L"Pages", -1);
  SectionKeys keys;
  keys.Scan(pages);
  int count = keys.Dec(L"Count");
  if (!pages || count < 1 || count > kMaxPages) return -1;
  st.Pages = static_cast<PageInfo*>(StoreAlloc(count * sizeof(PageInfo)));
  st.PageButtons = static_cast<ButtonInfo***>(StoreAlloc(count * sizeof(ButtonInfo**)));
  if (!st.Pages || !st.PageButtons) return OutOfMemory();
  st.PageCount = count;
  // The design file is read later and may not describe every page (one
  // written before it carried the pages does not): such a page keeps these.
  for (int p = 0; p < count; p++) InitPageDesign(&st.Pages[p].Design);

  // Every header after [Pages] once; the searches below walk this list.
  std::vector<IniHeader> hs;
  CollectHeaders(pages, &hs);
  static const wchar_t* const kPageGroup[] = {L"Page", L"ScrollStat", L"Btn"};
  static const wchar_t* const kButtonGroup[] = {L"ScrollStat", L"Btn"};
  size_t end = GroupEnd(hs, 0, hs.size(), kPageGroup, 3);
  size_t pos = 0;
  int filled = 0;
  for (int k = 0; k < kMaxPages && filled < count; k++) {
    size_t at = FindHeader(hs, pos, end, L"Page%03u", k);
    if (at >= end) continue;
    size_t pageEnd = GroupEnd(hs, at + 1, end, kButtonGroup, 2);
    PageInfo& page = st.Pages[filled];
    keys.Scan(SectionBody(hs[at]));
    page.Name = keys.Text(L"Name", -1, 0, kTextChars);
    page.Flag = static_cast<int>(keys.Hex(L"Flag"));
    int wanted = keys.Dec(L"Count");
    size_t scroll = FindHeader(hs, at + 1, pageEnd, L"ScrollStat");
    if (scroll < pageEnd) {
      keys.Scan(SectionBody(hs[scroll]));
      for (int vm = 0; vm < 2; vm++) {
        if (wchar_t* v = keys.Text(vm ? L"ViewMode2" : L"ViewMode1", -1, 0, 0)) {
          ParseIniList(v, &page.ScrollStat[vm], &page.ScrollStat[2 + vm]);
          StoreFree(v);
        }
      }
    }
    int n = 0;
    if (!(st.PageButtons[filled] = ReadButtonList(hs, at + 1, pageEnd, filled, wanted, &n, keys)))
      return OutOfMemory();
    page.Count = n;
    filled++;
    pos = pageEnd;
  }
  // Pages that were not found stay empty, each with its one spare slot.
  for (int p = filled; p < count; p++)
    if (!(st.PageButtons[p] = static_cast<ButtonInfo**>(StoreAlloc(sizeof(ButtonInfo*))))) return OutOfMemory();

  size_t subs = FindHeader(hs, end, hs.size(), L"SubMenus");
  if (subs >= hs.size()) return 1;
  keys.Scan(SectionBody(hs[subs]));
  int subCount = keys.Dec(L"Count");
  if (subCount < 1 || subCount > kMaxSubMenus) return 1;
  st.SubMenus = static_cast<SubMenuInfo*>(StoreAlloc(subCount * sizeof(SubMenuInfo)));
  st.SubMenuButtons = static_cast<ButtonInfo***>(StoreAlloc(subCount * sizeof(ButtonInfo**)));
  if (!st.SubMenus || !st.SubMenuButtons) return OutOfMemory();
  st.SubMenuCount = subCount;
  static const wchar_t* const kMenuGroup[] = {L"SubMenu", L"Btn"};
  static const wchar_t* const kMenuButtons[] = {L"Btn"};
  size_t subEnd = GroupEnd(hs, subs + 1, hs.size(), kMenuGroup, 2);
  pos = subs + 1;
  for (int m = 0; m < subCount; m++) {
    size_t at = FindHeader(hs, pos, subEnd, L"SubMenu%03u", m);
    int n = 0;
    if (at < subEnd) {
      SubMenuInfo& menu = st.SubMenus[m];
      size_t menuEnd = GroupEnd(hs, at + 1, subEnd, kMenuButtons, 1);
      keys.Scan(SectionBody(hs[at]));
      menu.Page = static_cast<int>(keys.Hex(L"Page") & 0xFFFF);
      menu.Button = keys.Dec(L"Button");
      int wanted = keys.Dec(L"Count");
      st.SubMenuButtons[m] = ReadButtonList(hs, at + 1, menuEnd, LIST_SUBMENU | m, wanted, &n, keys);
      menu.Count = n;
      pos = menuEnd;
    } else {
      st.SubMenuButtons[m] = static_cast<ButtonInfo**>(StoreAlloc(sizeof(ButtonInfo*)));
    }
    if (!st.SubMenuButtons[m]) return OutOfMemory();
  }
  return 1;
}

// ---- writer ---------------------------------------------------------------------

static int WriteButton(IniFile* f, const ButtonInfo* b, int number, bool onPage) {
  int ok = WriteIniSection(f, L"Btn%03u", number);
  UINT type = ItemTypeOf(b->Type);
  ok &= WriteIniHex(f, L"Type", b->Type, -1);
  ok &= WriteIniString(f, L"Name", b->Name, -1);
  if (type == IT_SHELLITEM && b->ShellItem) {
    LPITEMIDLIST list = b->ShellItem;
    const SettingKey row[] = {{L"File", &list, SK_IDLIST}, {nullptr, nullptr, 0}};
    ok &= WriteKeyTable(f, row);
  } else {
    ok &= WriteIniString(f, L"File", type == IT_SHELLITEM ? nullptr : b->File, -1);
  }
  ok &= WriteIniString(f, L"Parameter", b->Parameter, -1);
  ok &= WriteIniString(f, L"Directory", b->Directory, -1);
  ok &= WriteIniInt(f, L"WindowStat", b->WindowStat, -1);
  ok &= WriteIniHex(f, L"Flag", static_cast<UINT>(b->Flag), -1);
  ok &= WriteIniString(f, L"Tip", b->Tip, -1);
  ok &= WriteIniHex16(f, L"Keyboard", b->Keyboard, -1);
  if (onPage) {
    const ItemPos& p1 = b->Position[0];
    const ItemPos& p2 = SeparatePositions() ? b->Position[1] : b->Position[0];
    ok &= WriteIniList(f, L"ViewMode1Pos", p1.PosY, p1.PosX, -1);
    ok &= WriteIniList(f, L"ViewMode2Pos", p2.PosY, p2.PosX, -1);
  }
  if (type == IT_CHILDMENU) ok &= WriteIniInt(f, L"SubMenuIdx", b->SubMenuIdx, -1);
  if (b->RehookTrigger) ok &= WriteIniString(f, L"RehookTrigger", b->RehookTrigger, -1);
  if (b->IconFile) {
    ok &= WriteIniString(f, L"IconFile", b->IconFile, -1);
    ok &= WriteIniInt(f, L"IconIndex", b->IconIndex, -1);
  }
  if (b->OverlayIcon) {
    ok &= WriteIniString(f, L"OverlayIcon", b->OverlayIcon, -1);
    ok &= WriteIniInt(f, L"OverlayIdx", b->OverlayIdx, -1);
    for (int o = 0; o < 2; o++) {
      const OverlaySetting& ov = b->Overlay[o];
      ok &= WriteIniInt(f, o ? L"Overlay2Size" : L"Overlay1Size", ov.Size, -1);
      ok &= WriteIniInt(f, o ? L"Overlay2BasePos" : L"Overlay1BasePos", ov.BasePos, -1);
      ok &= WriteIniInt(f, o ? L"Overlay2OffsetX" : L"Overlay1OffsetX", ov.OffsetX, -1);
      ok &= WriteIniInt(f, o ? L"Overlay2OffsetY" : L"Overlay1OffsetY", ov.OffsetY, -1);
    }
  }
  if (b->ChainBootCount >= 1 && b->ChainBoot) {
    ok &= WriteIniInt(f, L"ChainBoot", b->ChainBootCount, -1);
    for (int i = 0; i < b->ChainBootCount; i++) {
      const EventEntry& e = b->ChainBoot[i];
      ok &= WriteIniHex(f, L"Chain%03u", (static_cast<UINT>(e.List) << 16) | (e.Index & 0xFFFF), i);
      ok &= WriteIniInt(f, L"Chain%03uDelay", e.Delay, i);
    }
  }
  if (b->TargetProgram) ok &= WriteIniString(f, L"TargetProgram", b->TargetProgram, -1);
  if (b->TargetWindowCount && b->TargetWindows) {
    ok &= WriteIniInt(f, L"TargetWindowCount", b->TargetWindowCount, -1);
    for (int i = 0; i < b->TargetWindowCount; i++) {
      ok &= WriteIniString(f, L"TargetWindowTitle%03u", b->TargetWindows[i].Title, i);
      ok &= WriteIniString(f, L"TargetWindowClass%03u", b->TargetWindows[i].Class, i);
    }
  }
  if (type == 5) {
    if (b->PluginInts)
      for (size_t i = 0; i < b->PluginInts->size(); i++)
        ok &= WriteIniInt(f, L"PluginInt%02u", (*b->PluginInts)[i], static_cast<int>(i + 1));
    if (b->PluginStrs)
      for (size_t i = 0; i < b->PluginStrs->size(); i++)
        ok &= WriteIniString(f, L"PluginStr%02u", (*b->PluginStrs)[i], static_cast<int>(i + 1));
  }
  return ok;
}

int WritePageSections(IniFile* f) {
  ItemStore& st = g_App.Store;
  int ok = WriteIniSection(f, L"Pages", -1);
  ok &= WriteIniInt(f, L"Count", st.PageCount, -1);
  for (int p = 0; p < st.PageCount; p++) {
    const PageInfo& page = st.Pages[p];
    ok &= WriteIniSection(f, L"Page%03u", p);
    ok &= WriteIniString(f, L"Name", page.Name, -1);
    ok &= WriteIniHex(f, L"Flag", static_cast<UINT>(page.Flag), -1);
    ok &= WriteIniInt(f, L"Count", page.Count, -1);
    // Per view mode: row offset, column offset.
    ok &= WriteIniSection(f, L"ScrollStat", -1);
    ok &= WriteIniList(f, L"ViewMode1", page.ScrollStat[0], page.ScrollStat[2], -1);
    ok &= WriteIniList(f, L"ViewMode2", page.ScrollStat[1], page.ScrollStat[3], -1);
    for (int i = 0; i < page.Count; i++) ok &= WriteButton(f, st.PageButtons[p][i], i, true);
  }
  ok &= WriteIniSection(f, L"SubMenus", -1);
  ok &= WriteIniInt(f, L"Count", st.SubMenuCount, -1);
  for (int m = 0; m < st.SubMenuCount; m++) {
    const SubMenuInfo& menu = st.SubMenus[m];
    ok &= WriteIniSection(f, L"SubMenu%03u", m);
    ok &= WriteIniHex16(f, L"Page", static_cast<UINT>(menu.Page), -1);
    ok &= WriteIniInt(f, L"Button", menu.Button, -1);
    ok &= WriteIniInt(f, L"Count", menu.Count, -1);
    for (int i = 0; i < menu.Count; i++) ok &= WriteButton(f, st.SubMenuButtons[m][i], i, false);
  }
  return ok;
}
