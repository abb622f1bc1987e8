#include "store/upgrade.h"

#include <wchar.h>

#include <string>
#include <vector>

#include "state.h"
#include "render/design.h"
#include "store/datafolder.h"
#include "store/ini.h"
#include "store/items.h"
#include "store/settings.h"

namespace {

// The version the file was written by; every step compares against it.
UINT g_OldVersion;

const UINT kMenuRowSince = 0x03020000;  // files from here on carry the [Mouse] Menu row

WORD* Slots() { return g_App.Settings.Keyboard; }

// Slots a..b move to c..; the slots the move leaves behind become 0.
void MoveSlots(int a, int b, int c) {
  WORD* k = Slots();
  int n = b - a + 1;
  WORD moved[kLauncherKeyCount];
  memcpy(moved, k + a, n * sizeof(WORD));
  for (int i = a; i <= b; i++) k[i] = 0;
  memcpy(k + c, moved, n * sizeof(WORD));
}

bool SlotUsed(WORD key, int lo, int hi) {
  for (int i = lo; i <= hi; i++)
    if (Slots()[i] == key) return true;
  return false;
}

void SetSlotUnlessUsed(int slot, WORD key, int lo, int hi) { Slots()[slot] = SlotUsed(key, lo, hi) ? 0 : key; }

// The click-action rows an old file has: Button, Caption, TrayIcon, and Menu
// only from 3.2.0.0 on.
int ClickRows(int* rows[4]) {
  ClickActionTable& t = g_App.Settings.Mouse;
  rows[0] = t.Button;
  rows[1] = t.Caption;
  rows[2] = t.TrayIcon;
  rows[3] = t.Menu;
  return g_OldVersion >= kMenuRowSince ? 4 : 3;
}

// Commands (stored + 1) at or above n move up by k.
void ShiftActions(int n, int k) {
  int* rows[4];
  int count = ClickRows(rows);
  for (int r = 0; r < count; r++)
    for (int c = 0; c < kClickCodes; c++)
      if (rows[r][c] >= n) rows[r][c] += k;
}

void MoveRowCodes(int* row, int a, int b, int c) {
  int n = b - a + 1;
  int moved[kClickCodes];
  memcpy(moved, row + a, n * sizeof(int));
  for (int i = a; i <= b; i++) row[i] = 0;
  memcpy(row + c, moved, n * sizeof(int));
}

void MoveCodes(int a, int b, int c) {
  int* rows[4];
  int count = ClickRows(rows);
  for (int r = 0; r < count; r++) MoveRowCodes(rows[r], a, b, c);
}

template <typename Fn>
void ForEachButton(Fn fn) {
  ItemStore& st = g_App.Store;
  for (int p = 0; p < st.PageCount; p++)
    for (int i = 0; i < st.Pages[p].Count; i++)
      if (st.PageButtons[p][i]) fn(st.PageButtons[p][i]);
  for (int m = 0; m < st.SubMenuCount; m++)
    for (int i = 0; i < st.SubMenus[m].Count; i++)
      if (st.SubMenuButtons[m][i]) fn(st.SubMenuButtons[m][i]);
}

UINT MoveBit(UINT v, UINT from, UINT to) { return (v & from) ? ((v & ~from) | to) : v; }

// Builds the bits of `map` from v: every set source bit gives its target bit.
struct BitMove {
  UINT From, To;
};
UINT MapBits(UINT v, const BitMove* map, int n) {
  UINT out = 0;
  for (int i = 0; i < n; i++)
    if (v & map[i].From) out |= map[i].To;
  return out;
}

int ActiveViewMode() { return (g_App.Settings.Status & STATUS_VIEWMODE2) ? 1 : 0; }

// ---- the steps --------------------------------------------------------------------

// Win modifier: 0x1000 -> 0x800.
int WinModifierStep(const wchar_t*) {
  auto fix = [](UINT code) { return (code & 0x1000) ? ((code & ~0x1000u) | 0x800) : code; };
  for (int i = 0; i < kLauncherKeyCount; i++) Slots()[i] = static_cast<WORD>(fix(Slots()[i]));
  HotKeyTable& hk = g_App.Store.Refs.HotKeys;
  for (int i = 0; hk.Rows && i <= hk.Count; i++) hk.Rows[i].Code = static_cast<int>(fix(hk.Rows[i].Code));
  ForEachButton([&](ButtonInfo* b) { b->Keyboard = static_cast<WORD>(fix(b->Keyboard)); });
  return 1;
}

int EdgeAndFlagStep(const wchar_t*) {
  for (UINT& e : g_App.Store.Refs.EdgeAssignment) e = (e & 0xFFFF) == 1 ? (0xFFFF0000u | (e >> 16)) : 0;
  static const BitMove kType[] = {{0x200000, 0x10000},  {0x400000, 0x20000}, {0x10000, 0x40000},
                                  {0x20000, 0x80000},   {0x40000, 0x100000}, {0x80000, 0x200000},
                                  {0x100000, 0x40000000}};
  ForEachButton([](ButtonInfo* b) { b->Type = (b->Type & ~0x7F0000u) | MapBits(b->Type, kType, 7); });
  static const BitMove kFolder[] = {{0x10000, 0x40000}, {0x20000, 0x80000}};
  UINT& fd = g_App.Settings.FolderDefault;
  fd = (fd & ~0x30000u) | MapBits(fd, kFolder, 2);
  return 1;
}

int ShellItemStep(const wchar_t*) {
  UINT& o = g_App.Settings.Option1;
  o = (o & 0x2000000) ? ((o & ~0x2000000u) | 0x4) : (o & ~0x4u);
  Slots()[27] = Slots()[26];
  Slots()[26] = 0;
  ShiftActions(27, 1);
  ForEachButton([](ButtonInfo* b) {
    if (ItemTypeOf(b->Type) == 6) b->Type = 0x2003;
  });
  return 1;
}

int MarginStep(const wchar_t*) {
  SettingsState& s = g_App.Settings;
  s.DispOption = (s.DispOption & ~1u) | ((s.Option1 & 0x20000) ? 1 : 0);
  UINT o = s.Option1;
  auto copy = [&](UINT to, UINT from) { o = (o & from) ? (o | to) : (o & ~to); };
  copy(0x20000, 0x400000);
  copy(0x400, 0x800000);
  copy(0x1000, 0x1000000);
  s.Option1 = o;
  static const RECT kMargins[MARGIN_COUNT] = {{4, 2, 4, 0}, {5, 0, 5, 0}, {0, 6, 0, 2}, {2, 0, 2, 2}};
  for (ViewModeDesign& vm : g_App.Design.ViewMode) memcpy(vm.Margin, kMargins, sizeof kMargins);
  return 1;
}

int ButtonCodeStep(const wchar_t*) {
  int* b = g_App.Settings.Mouse.Button;
  MoveRowCodes(b, 6, 14, 8);
  b[6] = b[7] = 0;
  return 1;
}

int Slot20Step(const wchar_t*) {
  MoveSlots(20, 36, 21);
  Slots()[20] = 0;
  ShiftActions(21, 1);
  return 1;
}

int OpenFolderStep(const wchar_t*) {
  MoveSlots(21, 36, 22);
  Slots()[21] = 0x20D;
  ShiftActions(22, 1);
  if (g_OldVersion >= kMenuRowSince) {
    MoveSlots(58, 78, 59);
    Slots()[58] = 0x343;
    ShiftActions(58, 1);
    MoveSlots(65, 78, 66);
    Slots()[65] = 0x24F;
    ShiftActions(64, 1);
  }
  int* rows[4];
  int count = ClickRows(rows);
  ClickActionTable& t = g_App.Settings.Mouse;
  for (int r = 0; r < count; r++) {
    int* row = rows[r];
    MoveRowCodes(row, 14, 16, 16);
    MoveRowCodes(row, 11, 18, 12);
    row[11] = row == t.Button ? 22 : row == t.Menu ? 66 : 0;
    MoveRowCodes(row, 8, 19, 9);
  }
  return 1;
}

int PlaceBitsStep(const wchar_t*) {
  References& r = g_App.Store.Refs;
  for (int a = 0; a < kMouseActions; a++) {
    UINT flags = r.MousePlaceMask[a];
    if (!flags) continue;
    r.MousePlaceMask[a] = ((flags & ~1u) << 4) | (flags & 1);
    for (int q = 7; q >= 1; q--) r.MouseTargets[a][q + 4] = r.MouseTargets[a][q];
    for (int q = 1; q <= 4; q++) r.MouseTargets[a][q] = MouseTarget{0, 0};
  }
  ForEachButton([](ButtonInfo* b) {
    UINT type = ItemTypeOf(b->Type);
    if ((type == 1 || type == 2) && (b->Type & 0x30000)) b->Type ^= 0x40000;
  });
  return 1;
}

int ScrollKeyStep(const wchar_t*) {
  MoveSlots(18, 35, 20);
  Slots()[18] = 0x226;
  Slots()[19] = 0x228;
  ShiftActions(19, 2);
  int* rows[4];
  int count = ClickRows(rows);
  static const int kNew[4][2] = {{19, 20}, {19, 20}, {0, 0}, {53, 54}};
  for (int r = 0; r < count; r++) {
    MoveRowCodes(rows[r], 6, 20, 8);
    rows[r][6] = kNew[r][0];
    rows[r][7] = kNew[r][1];
  }
  return 1;
}

int SearchKeyStep(const wchar_t*) {
  MoveSlots(35, 36, 36);
  Slots()[35] = 0x246;
  ShiftActions(36, 1);
  return 1;
}

int LaunchFlagStep(const wchar_t*) {
  ForEachButton([](ButtonInfo* b) {
    UINT t = b->Type, type = ItemTypeOf(t);
    if (type == 1 || type == 2) {
      if (t & 0x800000)
        t |= 0x200000;
      else if (t & 0x1000000)
        t |= 0x400000;
    } else if (type & 0x1000) {
      t = MoveBit(MoveBit(t, 0x100000, 0x10000), 0x200000, 0x20000);
    } else if (type == 0x4065) {
      t = MoveBit(t, 0x400000, 0x10000);
    } else if (type == 0x4066) {
      t = MoveBit(t, 0x200000, 0x10000);
    }
    b->Type = t & ~0x1800000u;
  });
  return 1;
}

int ContinuousLaunchStep(const wchar_t*) {
  MoveSlots(22, 36, 23);
  SetSlotUnlessUsed(22, 0x20, 0, 47);
  MoveSlots(38, 46, 39);
  Slots()[38] = 0;
  WORD k = Slots()[34];
  if (k == 0xF0 || k == 0x209 || k == 0x20) Slots()[34] = 0x220;
  ShiftActions(38, 1);
  ShiftActions(23, 1);
  g_App.Settings.Mouse.Button[12] = 23;
  return 1;
}

int OptionWordStep(const wchar_t* text) {
  SettingsState& s = g_App.Settings;
  static const BitMove kPairs[] = {
      {0x80, 0x1},          {0x2000, 0x2},        {0x2000, 0x4},        {0x400000, 0x8},
      {0x800000, 0x10},     {0x1, 0x20},          {0x400, 0x40},        {0x20, 0x80},
      {0x4, 0x100},         {0x4000, 0x200},      {0x10, 0x400},        {0x100000, 0x1000},
      {0x80000, 0x2000},    {0x8000, 0x4000},     {0x200, 0x8000},      {0x10000, 0x10000},
      {0x800, 0x40000},     {0x2, 0x80000},       {0x200000, 0x100000}, {0x1000000, 0x200000},
      {0x40, 0x400000},     {0x4000000, 0x800000}, {0x40000, 0x1000000}, {0x2000000, 0x2000000},
  };
  UINT old = s.Option1;
  s.Option1 = MapBits(old, kPairs, ARRAYSIZE(kPairs));
  s.KeyboardOption = ((old & 0x1000) ? 1 : 0) | ((old & 0x10000000) ? 0x20 : 0) | ((old & 0x20000000) ? 0x10 : 0);
  if (const wchar_t* search = FindIniSection(text, L"Search", -1)) {
    ViewModeDesign& vm = g_App.Design.ViewMode[ActiveViewMode()];
    vm.SearchWindowX = vm.SearchWindowY = vm.SearchWindowW = 0;
    ReadIniInt(search, L"PosX", &vm.SearchWindowX, INI_DEC);
    ReadIniInt(search, L"PosY", &vm.SearchWindowY, INI_DEC);
    ReadIniInt(search, L"Width", &vm.SearchWindowW, INI_DEC);
  }
  return 1;
}

// Plug-in string slot (0-based) of a button, the list grown with empty texts.
int SetPluginString(ButtonInfo* b, int slot, const wchar_t* text) {
  if (!b->PluginStrs) b->PluginStrs = new std::vector<wchar_t*>();
  std::vector<wchar_t*>& v = *b->PluginStrs;
  while (static_cast<int>(v.size()) <= slot) {
    wchar_t* empty = StoreDupString(L"");
    if (!empty) return 0;
    v.push_back(empty);
  }
  wchar_t* copy = StoreDupString(text ? text : L"");
  if (!copy) return 0;
  StoreFree(v[slot]);
  v[slot] = copy;
  return 1;
}

int SetPluginInt(ButtonInfo* b, int slot, int value) {
  if (!b->PluginInts) b->PluginInts = new std::vector<int>();
  if (static_cast<int>(b->PluginInts->size()) <= slot) b->PluginInts->resize(slot + 1, 0);
  (*b->PluginInts)[slot] = value;
  return 1;
}

void TakeString(wchar_t** field) {
  StoreFree(*field);
  *field = nullptr;
}

int ConvertPluginItem(ButtonInfo* b) {
  if (ItemTypeOf(b->Type) != 5) return 1;
  bool renamed = false;
  if (b->File && !lstrcmpiW(b->File, L"VnWndCtl.dll")) {
    wchar_t* name = StoreDupString(L"Wendrasol.dll");
    if (!name) return 0;
    StoreFree(b->File);
    b->File = name;
    renamed = true;
  }
  int ok = 1;
  if (b->WindowStat) {
    ok &= SetPluginInt(b, 0, b->WindowStat);
    b->WindowStat = 0;
  }
  if (b->Flag) {
    ok &= SetPluginInt(b, 1, b->Flag);
    b->Flag = 0;
  }
  if (b->Parameter) {
    ok &= SetPluginString(b, 0, b->Parameter);
    TakeString(&b->Parameter);
  }
  if (b->Directory) {
    const wchar_t* slash = wcschr(b->Directory, L'/');
    if (renamed && slash && wcslen(b->Directory) > 1) {
      std::wstring before(b->Directory, slash - b->Directory);
      ok &= SetPluginString(b, 1, slash + 1);
      ok &= SetPluginString(b, 2, before.c_str());
    } else {
      ok &= SetPluginString(b, 1, b->Directory);
    }
    TakeString(&b->Directory);
  }
  return ok;
}

// Columns of the two view modes as the old Design.ini has them.
void ReadOldColumns(int columns[2]) {
  columns[0] = columns[1] = 7;
  wchar_t* design = nullptr;
  if (!ReadSettingsFile(nullptr, &design, 0x2)) return;
  const wchar_t* window = FindIniSection(design, L"Window", -1);
  if (!window && ConvertAnsiSettings(&design)) window = FindIniSection(design, L"Window", -1);
  for (int vm = 0; window && vm < 2; vm++) {
    const wchar_t* sec = FindIniSection(window, vm ? L"DispMode2" : L"DispMode1", -1);
    int n = 0;
    if (sec && ReadIniInt(sec, L"ButtonNumX", &n, INI_DEC) && n >= 1) columns[vm] = n;
  }
  HeapFree(GetProcessHeap(), 0, design);
}

int GridLayoutStep(const wchar_t* text) {
  SettingsState& s = g_App.Settings;
  s.DispOption |= DISP_SEPARATE_VIEWMODES;

  MoveSlots(18, 35, 20);
  if (Slots()[2] == 0x24) Slots()[2] = 0x224;
  if (Slots()[3] == 0x23) Slots()[3] = 0x223;
  SetSlotUnlessUsed(18, 0x24, 0, 47);
  SetSlotUnlessUsed(19, 0x23, 0, 47);
  MoveSlots(22, 35, 24);
  SetSlotUnlessUsed(22, 0x225, 0, 47);
  SetSlotUnlessUsed(23, 0x227, 0, 47);
  MoveSlots(27, 36, 28);
  Slots()[27] = 0;
  MoveSlots(74, 79, 73);
  MoveSlots(63, 79, 62);
  if (g_OldVersion >= kMenuRowSince) {
    MoveSlots(60, 77, 62);
    Slots()[60] = Slots()[61] = 0;
  }
  Slots()[64] = 0;
  SetSlotUnlessUsed(50, 0x25, 48, 79);
  SetSlotUnlessUsed(51, 0x27, 48, 79);
  SetSlotUnlessUsed(60, 0x225, 48, 79);
  SetSlotUnlessUsed(61, 0x227, 48, 79);

  int* rows[4];
  int count = ClickRows(rows);
  for (int r = 0; r < count; r++)
    for (int c = 0; c < kClickCodes; c++) {
      int& v = rows[r][c];
      if (v == 69)
        v = 0;
      else if (v > 69)
        v--;
      if (v == 58)
        v = 0;
      else if (v > 58)
        v--;
    }
  ShiftActions(56, 2);
  ShiftActions(24, 1);
  ShiftActions(21, 2);
  ShiftActions(19, 2);
  MoveCodes(8, 22, 10);
  ClickActionTable& t = g_App.Settings.Mouse;
  t.Button[8] = t.Caption[8] = 23;
  t.Button[9] = t.Caption[9] = 24;

  int columns[2];
  ReadOldColumns(columns);
  ItemStore& st = g_App.Store;
  const wchar_t* pos = FindIniSection(text, L"Pages", -1);
  int page = 0;
  for (int k = 0; pos && k < kMaxPages && page < st.PageCount; k++) {
    const wchar_t* sec = FindIniSection(pos, L"Page%03u", k);
    if (!sec) continue;
    for (int i = 0; i < st.Pages[page].Count; i++) {
      ButtonInfo* b = st.PageButtons[page][i];
      if (!ConvertPluginItem(b)) return 0;
      const wchar_t* btn = FindIniSection(sec, L"Btn%03u", i);
      int p = 0;
      if (btn && ReadIniInt(btn, L"Position", &p, INI_DEC) && p >= 0) {
        for (int vm = 0; vm < 2; vm++) b->Position[vm] = ItemPos{p % columns[vm], p / columns[vm]};
      }
    }
    page++;
    pos = sec;
  }
  for (int m = 0; m < st.SubMenuCount; m++)
    for (int i = 0; i < st.SubMenus[m].Count; i++)
      if (!ConvertPluginItem(st.SubMenuButtons[m][i])) return 0;
  return 1;
}

struct UpgradeStep {
  UINT Threshold;
  int (*Run)(const wchar_t* text);
};

const UpgradeStep kSettingsUpgradeSteps[] = {
    {0x02060200, WinModifierStep},   {0x02060600, EdgeAndFlagStep},      {0x02070000, ShellItemStep},
    {0x02070100, MarginStep},        {0x02070600, ButtonCodeStep},       {0x03020100, Slot20Step},
    {0x03020200, OpenFolderStep},    {0x03020500, PlaceBitsStep},        {0x03020600, ScrollKeyStep},
    {0x04000000, SearchKeyStep},     {0x04000500, LaunchFlagStep},       {0x04000500, ContinuousLaunchStep},
    {0x04010000, OptionWordStep},    {0x04020000, GridLayoutStep},       {0, nullptr},
};

}  // namespace

void CopyVersionedFiles(UINT version) {
  const wchar_t* folder = ResolveDataFolder();
  if (!folder || !*folder) return;
  int n = (static_cast<int>(version >> 24) * 10 + static_cast<int>((version >> 16) & 0xFF)) * 10 +
          static_cast<int>((version >> 8) & 0xFF);
  for (const wchar_t* name : {L"Vantrel", L"Design"}) {
    wchar_t from[MAX_PATH + 32], to[MAX_PATH + 32];
    if (wcslen(folder) + 32 >= MAX_PATH) return;
    wsprintfW(from, L"%s\\%s.ini", folder, name);
    wsprintfW(to, L"%s\\%s%d.ini", folder, name, n);
    CopyFileW(from, to, FALSE);
  }
}

int RunSettingsUpgrade(const wchar_t* text, UINT storedVersion) {
  g_OldVersion = storedVersion;
  for (const UpgradeStep* step = kSettingsUpgradeSteps; step->Run; step++)
    if (storedVersion < step->Threshold && !step->Run(text)) return 0;
  return 1;
}
