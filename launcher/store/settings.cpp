#include "store/settings.h"

#include <shlwapi.h>
#include <string.h>
#include <wchar.h>

#include <vector>

#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "resources/resource.h"
#include "store/backup.h"
#include "store/datafolder.h"
#include "store/designfile.h"
#include "store/grid.h"
#include "store/history.h"
#include "store/hotkeys.h"
#include "store/items.h"
#include "store/language.h"
#include "store/lists.h"
#include "store/outlets.h"
#include "store/pagesfile.h"
#include "store/paths.h"
#include "store/sectionscan.h"
#include "store/upgrade.h"

namespace {

const int kPathChars = MAX_PATH - 1;  // strings that name files
const int kTextChars = 1023;          // other strings

SettingsState& S() { return g_App.Settings; }
References& Refs() { return g_App.Store.Refs; }

#define G(field) &g_App.Settings.field
const SettingKey kGeneralKeys[] = {
    {L"Version", G(Version), SK_HEX32},
    {L"LastPage", G(LastPage), SK_INT},
    {L"LastPosX", G(LastPosX), SK_INT},
    {L"LastPosY", G(LastPosY), SK_INT},
    {L"Status", G(Status), SK_HEX32},
    {L"Option1", G(Option1), SK_HEX32},
    {L"KeyboardOption", G(KeyboardOption), SK_HEX32},
    {L"DispOption", G(DispOption), SK_HEX32},
    {L"DispPosition", G(DispPosition), SK_HEX32},
    {L"ShowPosX", G(ShowPosX), SK_INT},
    {L"ShowPosY", G(ShowPosY), SK_INT},
    {L"StandbyPosition", G(StandbyPosition), SK_HEX32},
    {L"StandbyPosX", G(StandbyPosX), SK_INT},
    {L"StandbyPosY", G(StandbyPosY), SK_INT},
    {L"TipsWidth", G(TipsWidth), SK_INT},
    {L"Restraint", G(Restraint), SK_HEX32},
    {L"DragOption", G(DragOption), SK_HEX32},
    {L"Priority", G(Priority), SK_HEX32},
    {L"Alpha", G(Alpha), SK_INT},
    {L"FolderDefault", G(FolderDefault), SK_HEX32},
    {L"BackupCycle", G(BackupCycle), SK_INT},
    {L"LastBackup", G(LastBackup), SK_HEX32},
    {L"BackupFile", G(BackupFile), SK_STRING},
    {L"PressHoldG", G(PressHoldG), SK_INT},
    {L"PressHoldB", G(PressHoldB), SK_INT},
    {L"ShowDelay", G(ShowDelay), SK_INT},
    {L"HideDelay", G(HideDelay), SK_INT},
    {L"EdgeBootDelay", G(EdgeBootDelay), SK_INT},
    {L"PageDelay", G(PageDelay), SK_INT},
    {L"HotkeyTimeout", G(HotkeyTimeout), SK_INT},
    {L"TipsDelay", G(TipsDelay), SK_INT},
    {L"AutoMenuDelay", G(AutoMenuDelay), SK_INT},
    {L"DragMenuDelay", G(DragMenuDelay), SK_INT},
    {L"Caption", G(Caption), SK_STRING},
    {L"TrayIconFile", G(TrayIconFile), SK_STRING},
    {L"FilerPath", G(FilerPath), SK_STRING},
    {L"FilerParam", G(FilerParam), SK_STRING},
    // Language follows: it is kept in g_App.LangFile.
    {nullptr, nullptr, 0},
};

const SettingKey kSubMenuKeys[] = {
    {L"CountLimit", G(SubMenu.CountLimit), SK_INT},
    {L"ItemWidth", G(SubMenu.ItemWidth), SK_INT},
    {L"Rows", G(SubMenu.Rows), SK_INT},
    {L"Columns", G(SubMenu.Columns), SK_INT},
    {L"ScrollLines", G(SubMenu.ScrollLines), SK_INT},
    {L"IconSize", G(SubMenu.IconSize), SK_INT},
    {L"ScrollWait", G(SubMenu.ScrollWait), SK_INT},
    {L"ScrollInterval", G(SubMenu.ScrollInterval), SK_INT},
    {L"KeySelTimeout", G(SubMenu.KeySelTimeout), SK_INT},
    {L"LastMenuType", G(SubMenu.LastMenuType), SK_INT},
    {L"LastSubMenu", G(SubMenu.LastSubMenu), SK_HEX32},
    {L"LastOptionS", G(SubMenu.LastOptionS), SK_STRING},
    {L"LastFolder", G(SubMenu.LastFolder), SK_IDLIST},
    {L"LastOptionF", G(SubMenu.LastOptionF), SK_STRING},
    {nullptr, nullptr, 0},
};
#undef G

static_assert(offsetof(SettingsState, Restraint) - offsetof(SettingsState, Option1) == 10 * sizeof(UINT),
              "Option1 to Restraint must be one run of eleven words");

// ---- small helpers ----------------------------------------------------------------

void FreeString(wchar_t** s) {
  if (*s) HeapFree(GetProcessHeap(), 0, *s);
  *s = nullptr;
}

void CutString(wchar_t* s, int chars) {
  if (s && static_cast<int>(wcslen(s)) > chars) s[chars] = 0;
}

void CopyCut(wchar_t* out, int chars, const wchar_t* s) {
  lstrcpynW(out, s ? s : L"", chars + 1);
}

int ReadDec(const wchar_t* section, const wchar_t* key) {
  int v = 0;
  ReadIniInt(section, key, &v, INI_DEC);
  return v;
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

const wchar_t* LauncherKeyName(int slot, int* number) {
  if (slot < 14) return *number = slot, L"Page%03u";
  if (slot < 38) return *number = slot - 14, L"Button%03u";
  if (slot < 48) return *number = slot - 38, L"General%03u";
  return *number = slot - 48, L"Menu%03u";
}

}  // namespace

// ---- state --------------------------------------------------------------------------

void MarkSettingsChanged() {
  if (g_App.RunState & RS_TRACK_CHANGES) g_App.Settings.PendingSave = 1;
}

int AddPluginName(const wchar_t* name) {
  SettingsState& s = S();
  if (!name) return 0;
  for (int i = 0; i < s.PluginCount; i++)
    if (!wcscmp(s.Plugins[i], name)) return 1;
  wchar_t* copy = StoreDupString(name);
  if (!copy) return 0;
  void* grown = s.Plugins ? StoreReAlloc(s.Plugins, (s.PluginCount + 1) * sizeof(wchar_t*))
                          : StoreAlloc(sizeof(wchar_t*));
  if (!grown) {
    StoreFree(copy);
    return 0;
  }
  s.Plugins = static_cast<wchar_t**>(grown);
  s.Plugins[s.PluginCount++] = copy;
  return 1;
}

static void FreePluginNames() {
  SettingsState& s = S();
  for (int i = 0; i < s.PluginCount; i++) StoreFree(s.Plugins[i]);
  if (s.Plugins) StoreFree(s.Plugins);
  s.Plugins = nullptr;
  s.PluginCount = 0;
}

// Every number to the value it has before a file is read; what the settings
// own (strings, lists) stays.
static void SetNumericDefaults() {
  SettingsState& s = S();
  SettingsState owned = s;
  memset(&s, 0, sizeof s);
  s.BackupFile = owned.BackupFile;
  s.Caption = owned.Caption;
  s.TrayIconFile = owned.TrayIconFile;
  s.FilerPath = owned.FilerPath;
  s.FilerParam = owned.FilerParam;
  s.Search.LastWord = owned.Search.LastWord;
  s.SubMenu.LastOptionS = owned.SubMenu.LastOptionS;
  s.SubMenu.LastFolder = owned.SubMenu.LastFolder;
  s.SubMenu.LastOptionF = owned.SubMenu.LastOptionF;
  s.Targets = owned.Targets;
  s.TargetCount = owned.TargetCount;
  s.Plugins = owned.Plugins;
  s.PluginCount = owned.PluginCount;

  s.Option1 = 0xB4E021;
  s.KeyboardOption = 1;
  s.DispOption = 0x8B5;
  s.Restraint = 0xC9;
  s.DragOption = 0x10000000;
  s.Priority = 0x20;
  s.Alpha = 255;
  s.FolderDefault = 1;
  s.BackupCycle = 3;
  s.PressHoldG = 800;
  s.PressHoldB = 1000;
  s.HideDelay = 300;
  s.PageDelay = 200;
  s.HotkeyTimeout = 500;
  s.TipsDelay = 500;
  s.AutoMenuDelay = 400;
  s.DragMenuDelay = 1500;
  s.Unhook.DelayTime = 100;
  s.SubMenu.Columns = 1;
  s.SubMenu.ScrollLines = 3;
  s.SubMenu.IconSize = 16;
  s.SubMenu.ScrollWait = 300;
  s.SubMenu.ScrollInterval = 80;
  s.SubMenu.KeySelTimeout = 1000;
}

void ResetSettings() {
  SettingsState& s = S();
  FreeString(&s.BackupFile);
  FreeString(&s.Caption);
  FreeString(&s.TrayIconFile);
  FreeString(&s.FilerPath);
  FreeString(&s.FilerParam);
  FreeString(&s.Search.LastWord);
  FreeString(&s.SubMenu.LastOptionS);
  FreeString(&s.SubMenu.LastOptionF);
  if (s.SubMenu.LastFolder) CoTaskMemFree(s.SubMenu.LastFolder);
  s.SubMenu.LastFolder = nullptr;
  if (s.Targets) StoreFree(s.Targets);
  s.Targets = nullptr;
  s.TargetCount = 0;
  FreePluginNames();
  g_App.LangFile[0] = 0;
  SetNumericDefaults();
}

void ClearItemLists() {
  ItemStore& st = g_App.Store;
  for (int p = 0; p < st.PageCount; p++) {
    for (int i = 0; st.PageButtons && st.PageButtons[p] && i < st.Pages[p].Count; i++)
      if (st.PageButtons[p][i]) FreeButtonRecord(st.PageButtons[p][i]);
    if (st.PageButtons && st.PageButtons[p]) StoreFree(st.PageButtons[p]);
    if (st.Pages[p].Name) StoreFree(st.Pages[p].Name);
  }
  for (int m = 0; m < st.SubMenuCount; m++) {
    for (int i = 0; st.SubMenuButtons && st.SubMenuButtons[m] && i < st.SubMenus[m].Count; i++)
      if (st.SubMenuButtons[m][i]) FreeButtonRecord(st.SubMenuButtons[m][i]);
    if (st.SubMenuButtons && st.SubMenuButtons[m]) StoreFree(st.SubMenuButtons[m]);
  }
  if (st.Pages) StoreFree(st.Pages);
  if (st.PageButtons) StoreFree(st.PageButtons);
  if (st.SubMenus) StoreFree(st.SubMenus);
  if (st.SubMenuButtons) StoreFree(st.SubMenuButtons);
  st.Pages = nullptr;
  st.PageButtons = nullptr;
  st.PageCount = 0;
  st.CurrentPage = 0;
  st.SubMenus = nullptr;
  st.SubMenuButtons = nullptr;
  st.SubMenuCount = 0;
  st.LockedCount = 0;
  st.LastLaunched = nullptr;
}

void SyncStoreSettings() {
  StoreSettings& set = g_App.Store.Set;
  set.Option1 = S().Option1;
  set.SubMenuIconSize = S().SubMenu.IconSize;
}

// ---- [General] to [Plugins] ----------------------------------------------------

static void ReadGeneral(const wchar_t* sec) {
  SettingsState& s = S();
  ReadKeyTable(sec, kGeneralKeys);
  CutString(s.BackupFile, kPathChars);
  CutString(s.TrayIconFile, kPathChars);
  CutString(s.FilerPath, kPathChars);
  CutString(s.Caption, kTextChars);
  CutString(s.FilerParam, kTextChars);
  if (wchar_t* lang = ReadIniString(sec, L"Language", -1, 1)) {
    CopyCut(g_App.LangFile, kPathChars, lang);
    HeapFree(GetProcessHeap(), 0, lang);
  }
}

static void ReadHistory(const wchar_t* text) {
  References& r = Refs();
  const wchar_t* sec = FindIniSection(text, L"History", -1);
  SectionKeys keys;
  keys.Scan(sec);
  int cap = 10;
  int v = 0;
  if (sec && keys.Read(&v, INI_DEC, L"MaxMemories") && v >= 0 && v <= kMaxHistory) cap = v;
  if (r.History) StoreFree(r.History);
  r.History = cap > 0 ? static_cast<HistoryEntry*>(StoreAlloc(cap * sizeof(HistoryEntry))) : nullptr;
  r.MaxMemories = r.History ? cap : 0;
  if (!sec) return;
  r.HistoryFlag = keys.Hex(L"Flag");
  if (r.History && BeginModelBusy()) {
    for (int i = 0; i < r.MaxMemories; i++) {
      UINT ref = 0, option = 0;
      if (!keys.Read(&ref, INI_HEX, L"Item%02u", i + 1)) break;
      keys.Read(&option, INI_HEX, L"Option%02u", i + 1);
      r.History[i].Ref = static_cast<int>(ref);
      r.History[i].Option = static_cast<int>(option);
    }
    EndModelBusy();
  }
  std::vector<int> excluded;
  for (int i = 1; i <= kMaxFileCount; i++) {
    UINT ref = 0;
    if (!keys.Read(&ref, INI_HEX, L"Excluded%03u", i)) break;
    excluded.push_back(static_cast<int>(ref));
  }
  if (r.Excluded) StoreFree(r.Excluded);
  r.Excluded = nullptr;
  r.ExcludedCount = 0;
  if (!excluded.empty() && (r.Excluded = static_cast<int*>(StoreAlloc(excluded.size() * sizeof(int))))) {
    memcpy(r.Excluded, excluded.data(), excluded.size() * sizeof(int));
    r.ExcludedCount = static_cast<int>(excluded.size());
  }
}

static void ReadSearchAndUnhook(const wchar_t* text) {
  SettingsState& s = S();
  s.Search.DPI = 0;
  if (const wchar_t* sec = FindIniSection(text, L"Search", -1)) {
    ReadIniInt(sec, L"DPI", &s.Search.DPI, INI_DEC);
    if (wchar_t* word = ReadIniString(sec, L"LastWord", -1, 0)) {
      FreeString(&s.Search.LastWord);
      s.Search.LastWord = word;
      CutString(word, kTextChars);
    }
  }
  if (const wchar_t* sec = FindIniSection(text, L"Unhook", -1)) {
    ReadIniInt(sec, L"Flag", &s.Unhook.Flag, INI_HEX);
    ReadIniInt(sec, L"DelayTime", &s.Unhook.DelayTime, INI_DEC);
  }
}

static void ReadSuppression(const wchar_t* text) {
  SettingsState& s = S();
  if (s.Targets) StoreFree(s.Targets);
  s.Targets = nullptr;
  s.TargetCount = 0;
  const wchar_t* sec = FindIniSection(text, L"Suppression", -1);
  int count = sec ? ReadDec(sec, L"Count") : 0;
  if (count <= 0) return;
  count = count > kMaxFileCount ? kMaxFileCount : count;
  s.Targets = static_cast<SuppressTarget*>(StoreAlloc(count * sizeof(SuppressTarget)));
  if (!s.Targets) return;
  static const wchar_t* const kGroup[] = {L"Target"};
  std::vector<IniHeader> hs;
  CollectGroupHeaders(sec, kGroup, 1, &hs);
  SectionKeys keys;
  size_t pos = 0;
  for (int i = 0; i < count; i++) {
    size_t at = FindHeader(hs, pos, hs.size(), L"Target%03u", i);
    if (at >= hs.size()) break;
    keys.Scan(SectionBody(hs[at]));
    SuppressTarget& target = s.Targets[s.TargetCount++];
    target.Flags = static_cast<int>(keys.Hex(L"Flags"));
    const wchar_t* names[3] = {L"Exe", L"Class", L"Caption"};
    wchar_t* bufs[3] = {target.Exe, target.Class, target.Caption};
    int sizes[3] = {kPathChars, kTextChars, kTextChars};
    for (int k = 0; k < 3; k++) {
      wchar_t* v = keys.Text(names[k], -1, 0, sizes[k]);
      CopyCut(bufs[k], sizes[k], v);
      FreeString(&v);
    }
    pos = at + 1;
  }
}

static void ReadSubMenuOptions(const wchar_t* text) {
  SettingsState& s = S();
  const wchar_t* sec = FindIniSection(text, L"SubMenu", -1);
  if (!sec) sec = FindIniSection(text, L"FolderMenu", -1);
  if (!sec) return;
  ReadKeyTable(sec, kSubMenuKeys);
  CutString(s.SubMenu.LastOptionS, kTextChars);
  CutString(s.SubMenu.LastOptionF, kTextChars);
}

static void ReadKeyboardAndHotKeys(const wchar_t* text) {
  SettingsState& s = S();
  SetDefaultLauncherKeys();
  const wchar_t* sec = FindIniSection(text, L"Keyboard", -1);
  if (sec) {
    SectionKeys keys;
    keys.Scan(sec);
    for (int slot = 0; slot < kLauncherKeyCount; slot++) {
      int n;
      const wchar_t* name = LauncherKeyName(slot, &n);
      s.Keyboard[slot] = static_cast<WORD>(keys.Hex(name, n));
    }
  }

  HotKeyTable& hk = Refs().HotKeys;
  const wchar_t* hot = FindIniSection(sec ? sec : text, L"HotKey", -1);
  int count = hot ? Clamp(ReadDec(hot, L"Count"), 0, kMaxHotKeys) : 0;
  if (hk.Rows) StoreFree(hk.Rows);
  hk.Count = 0;
  hk.Rows = static_cast<HotKeyEntry*>(StoreAlloc((count + 1) * sizeof(HotKeyEntry)));
  if (!hk.Rows || !hot) return;
  static const wchar_t* const kGroup[] = {L"HotKey"};
  std::vector<IniHeader> hs;
  CollectGroupHeaders(hot, kGroup, 1, &hs);
  SectionKeys keys;
  size_t pos = 0;
  int rows = 0;
  for (int i = 0; i <= count; i++) {
    size_t at = FindHeader(hs, pos, hs.size(), L"HotKey%03u", i);
    if (at >= hs.size()) continue;
    keys.Scan(SectionBody(hs[at]));
    HotKeyEntry& row = hk.Rows[rows++];
    row.Code = static_cast<int>(keys.Hex(L"Code") & 0xFFFF);
    row.List = keys.Dec(L"Page");
    row.Index = keys.Dec(L"Button");
    pos = at + 1;
  }
  hk.Count = rows > 0 ? rows - 1 : 0;
  if (hk.Count != count) {
    if (void* shrunk = StoreReAlloc(hk.Rows, (hk.Count + 1) * sizeof(HotKeyEntry)))
      hk.Rows = static_cast<HotKeyEntry*>(shrunk);
  }
}

static void ReadMouse(const wchar_t* text) {
  SettingsState& s = S();
  SetDefaultClickActions();
  const wchar_t* sec = FindIniSection(text, L"Mouse", -1);
  if (!sec) return;
  int* rows[4] = {s.Mouse.Button, s.Mouse.Caption, s.Mouse.TrayIcon, s.Mouse.Menu};
  const wchar_t* names[4] = {L"Button%03u", L"Caption%03u", L"TrayIcon%03u", L"Menu%03u"};
  SectionKeys keys;
  keys.Scan(sec);
  for (int r = 0; r < 4; r++)
    for (int c = 0; c < kClickCodes; c++) rows[r][c] = keys.Dec(names[r], c);
  s.EmptyTrash = keys.Dec(L"EmptyTrash");
  s.ForceShutdown = keys.Dec(L"ForceShutdown");
}

void RaiseCornerMargins() {
  // Corners need at least one pixel to be reachable.
  for (int t = 0; t < 4; t++) {
    EdgeRange& m = S().EdgeMargins[t];
    if (m.cx < 1) m.cx = 1;
    if (m.cy < 1) m.cy = 1;
  }
}

static void ReadEdgesAndActions(const wchar_t* text) {
  SettingsState& s = S();
  References& r = Refs();
  SectionKeys keys;
  keys.Scan(FindIniSection(text, L"Edge", -1));
  for (int e = 0; e < kEdgeCount; e++) r.EdgeAssignment[e] = keys.Hex(L"Edge%03u", e);
  for (int t = 0; t < kEdgeTypes; t++) {
    EdgeRange& m = s.EdgeMargins[t];
    m.cx = keys.Dec(L"Range%02u", t * 10 + 1);
    m.cy = keys.Dec(L"Range%02u", t * 10 + 2);
  }
  RaiseCornerMargins();

  memset(r.MousePlaceMask, 0, sizeof r.MousePlaceMask);
  memset(r.MouseTargets, 0, sizeof r.MouseTargets);
  g_App.RunState &= ~RS_HOLD_ACTION;
  const wchar_t* act = FindIniSection(text, L"Action", -1);
  if (!act) return;
  int count = Clamp(ReadDec(act, L"Count"), 0, kMouseActions);
  static const wchar_t* const kGroup[] = {L"Action", L"Range"};
  std::vector<IniHeader> hs;
  CollectGroupHeaders(act, kGroup, 2, &hs);
  size_t pos = 0;
  for (int i = 0; i < count; i++) {
    // The next [Action...] section names the action by its number.
    while (pos < hs.size() && !HeaderStartsWith(hs[pos], L"Action")) pos++;
    if (pos >= hs.size()) break;
    const IniHeader& h = hs[pos++];
    int a = 0, digits = 0;
    for (int k = 6; k < h.NameLen && h.Name[k] >= L'0' && h.Name[k] <= L'9' && a < 1000; k++, digits++)
      a = a * 10 + (h.Name[k] - L'0');
    if (!digits || a >= kMouseActions) continue;
    keys.Scan(SectionBody(h));
    UINT mask = keys.Hex(L"Flag");
    r.MousePlaceMask[a] = mask;
    if (a >= 85) g_App.RunState |= RS_HOLD_ACTION;
    // Each place's pair is among the next twelve sections.
    size_t rangeEnd = pos + kMousePlaces < hs.size() ? pos + kMousePlaces : hs.size();
    for (int place = 0; place < kMousePlaces; place++) {
      if (!(mask & (1u << place))) continue;
      size_t rs = FindHeader(hs, pos, rangeEnd, L"Range%03u", place);
      if (rs >= rangeEnd) continue;
      keys.Scan(SectionBody(hs[rs]));
      r.MouseTargets[a][place].List = keys.Dec(L"Page");
      r.MouseTargets[a][place].Index = keys.Dec(L"Button");
    }
  }
}

static void ReadCircles(const wchar_t* text) {
  SectionKeys keys;
  for (int c = 0; c < 2; c++) {
    CircleGestureSettings& g = Refs().Circle[c];
    keys.Scan(FindIniSection(text, L"Circle%u", c));
    g.Enable = keys.Dec(L"Flag");
    g.RequiredSteps = keys.Dec(L"Number");
    g.MaxJump = keys.Dec(L"Maximum");
    g.MinTravel = keys.Dec(L"Minimum");
    g.Page = keys.Dec(L"Page");
    g.Button = keys.Dec(L"Button");
    if (g.RequiredSteps < 1 || g.RequiredSteps > 40) g.RequiredSteps = 7;
    if (g.MinTravel < 1 || g.MinTravel > 99) g.MinTravel = 5;
    if (g.MaxJump < g.MinTravel || g.MaxJump > 9999) g.MaxJump = 500;
  }
}

static int ReadEventLists(const wchar_t* text) {
  SectionKeys keys;
  for (int l = 0; l < kEventLists; l++) {
    const wchar_t* sec = FindIniSection(text, L"AutoBoot%03u", l);
    keys.Scan(sec);
    int count = keys.Dec(L"Count");
    if (count <= 0) continue;
    count = count > kMaxFileCount ? kMaxFileCount : count;
    EventList& list = Refs().AutoBoot[l];
    if (list.Entries) StoreFree(list.Entries);
    list.Count = 0;
    list.Entries = static_cast<EventEntry*>(StoreAlloc(count * sizeof(EventEntry)));
    if (!list.Entries) {
      ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
      return 0;
    }
    for (int i = 0; i < count; i++) {
      UINT item = 0;
      if (!keys.Read(&item, INI_HEX, L"Item%03u", i)) break;
      EventEntry& e = list.Entries[list.Count++];
      e.List = static_cast<int>(item >> 16);
      e.Index = static_cast<int>(item & 0xFFFF);
      keys.Read(&e.Delay, INI_DEC, L"Item%03uDelay", i);
    }
  }
  return 1;
}

static void ReadPlugins(const wchar_t* text) {
  FreePluginNames();
  SectionKeys keys;
  keys.Scan(FindIniSection(text, L"Plugins", -1));
  int count = Clamp(keys.Dec(L"Count"), 0, kMaxFileCount);
  // A number missing from the list is a gap, not its end: the later names
  // would be lost at the next write.
  for (int i = 0; i < count; i++) {
    wchar_t* name = keys.Text(L"Plugin%03u", i, 0, kPathChars);
    if (!name) continue;
    AddPluginName(name);
    HeapFree(GetProcessHeap(), 0, name);
  }
}

// ---- writers ----------------------------------------------------------------------

static int WriteGeneralSections(IniFile* f) {
  SettingsState& s = S();
  References& r = Refs();
  int ok = WriteIniSection(f, L"General", -1);
  ok &= WriteKeyTable(f, kGeneralKeys);
  ok &= WriteIniString(f, L"Language", g_App.LangFile, -1);

  ok &= WriteIniSection(f, L"History", -1);
  ok &= WriteIniInt(f, L"MaxMemories", r.MaxMemories, -1);
  ok &= WriteIniHex(f, L"Flag", r.HistoryFlag, -1);
  if (r.MaxMemories > 0 && r.History && BeginModelBusy()) {
    for (int i = 0; i < r.MaxMemories && r.History[i].Ref; i++) {
      ok &= WriteIniHex(f, L"Item%02u", static_cast<UINT>(r.History[i].Ref), i + 1);
      ok &= WriteIniHex(f, L"Option%02u", static_cast<UINT>(r.History[i].Option), i + 1);
    }
    EndModelBusy();
  }
  for (int i = 0; i < r.ExcludedCount; i++) ok &= WriteIniHex(f, L"Excluded%03u", static_cast<UINT>(r.Excluded[i]), i + 1);

  ok &= WriteIniSection(f, L"Search", -1);
  ok &= WriteIniString(f, L"LastWord", s.Search.LastWord, -1);
  ok &= WriteIniInt(f, L"DPI", s.Search.DPI, -1);

  ok &= WriteIniSection(f, L"Unhook", -1);
  ok &= WriteIniHex(f, L"Flag", s.Unhook.Flag, -1);
  ok &= WriteIniInt(f, L"DelayTime", s.Unhook.DelayTime, -1);

  ok &= WriteIniSection(f, L"Suppression", -1);
  ok &= WriteIniInt(f, L"Count", s.TargetCount, -1);
  for (int i = 0; i < s.TargetCount; i++) {
    const SuppressTarget& t = s.Targets[i];
    ok &= WriteIniSection(f, L"Target%03u", i);
    ok &= WriteIniHex(f, L"Flags", static_cast<UINT>(t.Flags), -1);
    ok &= WriteIniString(f, L"Exe", t.Exe, -1);
    ok &= WriteIniString(f, L"Class", t.Class, -1);
    ok &= WriteIniString(f, L"Caption", t.Caption, -1);
  }

  ok &= WriteIniSection(f, L"SubMenu", -1);
  ok &= WriteKeyTable(f, kSubMenuKeys);

  ok &= WriteIniSection(f, L"Keyboard", -1);
  for (int slot = 0; slot < kLauncherKeyCount; slot++) {
    int n;
    const wchar_t* name = LauncherKeyName(slot, &n);
    ok &= WriteIniHex16(f, name, s.Keyboard[slot], n);
  }

  // Row 0 (the launcher's own key) is always there, zero when unset.
  const HotKeyTable& hk = r.HotKeys;
  int hotCount = hk.Rows ? hk.Count : 0;
  ok &= WriteIniSection(f, L"HotKey", -1);
  ok &= WriteIniInt(f, L"Count", hotCount, -1);
  for (int i = 0; i <= hotCount; i++) {
    HotKeyEntry row = hk.Rows ? hk.Rows[i] : HotKeyEntry{0, 0, 0};
    ok &= WriteIniSection(f, L"HotKey%03u", i);
    ok &= WriteIniHex16(f, L"Code", static_cast<UINT>(row.Code), -1);
    ok &= WriteIniInt(f, L"Page", row.List, -1);
    ok &= WriteIniInt(f, L"Button", row.Index, -1);
  }

  ok &= WriteIniSection(f, L"Mouse", -1);
  const int* rows[4] = {s.Mouse.Button, s.Mouse.Caption, s.Mouse.TrayIcon, s.Mouse.Menu};
  const wchar_t* names[4] = {L"Button%03u", L"Caption%03u", L"TrayIcon%03u", L"Menu%03u"};
  for (int row = 0; row < 4; row++)
    for (int c = 0; c < kClickCodes; c++) ok &= WriteIniInt(f, names[row], rows[row][c], c);
  ok &= WriteIniInt(f, L"EmptyTrash", s.EmptyTrash, -1);
  ok &= WriteIniInt(f, L"ForceShutdown", s.ForceShutdown, -1);

  ok &= WriteIniSection(f, L"Edge", -1);
  for (int e = 0; e < kEdgeCount; e++) ok &= WriteIniHex(f, L"Edge%03u", r.EdgeAssignment[e], e);
  for (int t = 0; t < kEdgeTypes; t++) {
    ok &= WriteIniInt(f, L"Range%02u", s.EdgeMargins[t].cx, t * 10 + 1);
    ok &= WriteIniInt(f, L"Range%02u", s.EdgeMargins[t].cy, t * 10 + 2);
  }

  int actions = 0;
  for (int a = 0; a < kMouseActions; a++) actions += r.MousePlaceMask[a] != 0;
  ok &= WriteIniSection(f, L"Action", -1);
  ok &= WriteIniInt(f, L"Count", actions, -1);
  for (int a = 0; a < kMouseActions; a++) {
    UINT mask = r.MousePlaceMask[a];
    if (!mask) continue;
    ok &= WriteIniSection(f, L"Action%03u", a);
    ok &= WriteIniHex(f, L"Flag", mask, -1);
    for (int place = 0; place < kMousePlaces; place++) {
      if (!(mask & (1u << place))) continue;
      ok &= WriteIniSection(f, L"Range%03u", place);
      ok &= WriteIniInt(f, L"Page", r.MouseTargets[a][place].List, -1);
      ok &= WriteIniInt(f, L"Button", r.MouseTargets[a][place].Index, -1);
    }
  }

  for (int c = 0; c < 2; c++) {
    const CircleGestureSettings& g = r.Circle[c];
    ok &= WriteIniSection(f, L"Circle%u", c);
    ok &= WriteIniInt(f, L"Flag", g.Enable, -1);
    ok &= WriteIniInt(f, L"Number", g.RequiredSteps, -1);
    ok &= WriteIniInt(f, L"Maximum", g.MaxJump, -1);
    ok &= WriteIniInt(f, L"Minimum", g.MinTravel, -1);
    ok &= WriteIniInt(f, L"Page", g.Page, -1);
    ok &= WriteIniInt(f, L"Button", g.Button, -1);
  }

  for (int l = 0; l < kEventLists; l++) {
    const EventList& list = r.AutoBoot[l];
    int count = list.Entries ? list.Count : 0;
    ok &= WriteIniSection(f, L"AutoBoot%03u", l);
    ok &= WriteIniInt(f, L"Count", count, -1);
    for (int i = 0; i < count; i++) {
      const EventEntry& e = list.Entries[i];
      ok &= WriteIniHex(f, L"Item%03u", (static_cast<UINT>(e.List) << 16) | (e.Index & 0xFFFF), i);
      ok &= WriteIniInt(f, L"Item%03uDelay", e.Delay, i);
    }
  }

  ok &= WriteIniSection(f, L"Plugins", -1);
  ok &= WriteIniInt(f, L"Count", s.PluginCount, -1);
  for (int i = 0; i < s.PluginCount; i++) ok &= WriteIniString(f, L"Plugin%03u", s.Plugins[i], i);
  return ok;
}

// ---- entry points -----------------------------------------------------------------

static int DataFilePath(wchar_t* out, const wchar_t* name) {
  const wchar_t* folder = ResolveDataFolder();
  if (!folder || !*folder || wcslen(folder) + 1 + wcslen(name) >= MAX_PATH) return 0;
  wsprintfW(out, L"%s\\%s", folder, name);
  return 1;
}

// A settings file that is there but cannot be understood is kept beside
// the defaults that replace it.
static void SetAsideSettingsFile() {
  wchar_t path[MAX_PATH], aside[MAX_PATH + 8];
  if (!DataFilePath(path, L"Vantrel.ini")) return;
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (!GetFileAttributesExW(path, GetFileExInfoStandard, &info)) return;
  if (!info.nFileSizeHigh && !info.nFileSizeLow) return;
  wsprintfW(aside, L"%s.bad", path);
  CopyFileW(path, aside, FALSE);
}

static int StartFresh(UINT ownVersion) {
  S().Version = ownVersion;
  ChooseDefaultLanguage();
  return SetFirstRunDefaults();
}

int ReadSettings() {
  SettingsState& s = S();
  SetNumericDefaults();
  ClearItemStore();
  g_App.Store.Refs.MaxMemories = 10;
  UINT own = GetModuleVersion(nullptr);

  wchar_t* text = nullptr;
  if (!ReadSettingsFile(nullptr, &text, 0)) {
    SetAsideSettingsFile();
    return StartFresh(own);
  }
  int wasAnsi = 0;
  const wchar_t* general = FindIniSection(text, L"General", -1);
  if (!general && ConvertAnsiSettings(&text)) {
    wasAnsi = 1;
    general = FindIniSection(text, L"General", -1);
  }
  if (!general) {
    HeapFree(GetProcessHeap(), 0, text);
    SetAsideSettingsFile();
    return StartFresh(own);
  }

  ReadGeneral(general);
  // The stored language, or a replacement that is saved later.
  SetLanguage(nullptr);
  if (!(s.Option1 & OPT1_KEEP_PINNED)) s.Status &= ~STATUS_PINNED;
  if (!(s.Option1 & OPT1_KEEP_RESTRICTED)) s.Status &= ~STATUS_RESTRICTED;

  ReadHistory(text);
  ReadSearchAndUnhook(text);
  ReadSuppression(text);
  ReadSubMenuOptions(text);
  ReadKeyboardAndHotKeys(text);
  ReadMouse(text);
  ReadEdgesAndActions(text);
  ReadCircles(text);
  int ok = ReadEventLists(text);
  if (ok) {
    ReadPlugins(text);
    int pages = ReadPageSections(text);
    if (pages < 0) {
      // The page list and keys are now today's defaults: no upgrade step may
      // move them. The file itself is kept aside.
      SetAsideSettingsFile();
      s.Version = own;
      ok = SetFirstRunDefaults();
    } else {
      ok = pages;
      if (ok) CollectLockedButtons();
    }
  }
  if (!ok) {
    HeapFree(GetProcessHeap(), 0, text);
    return 0;
  }

  UINT stored = s.Version;
  if (stored != own) {
    CopyVersionedFiles(stored);
    if (stored < kUpgradeCurrentLayout && !RunSettingsUpgrade(text, stored)) {
      HeapFree(GetProcessHeap(), 0, text);
      ShowMessage(IDS_ERR_UPDATE, MB_ICONERROR);
      return 0;
    }
  }
  if (stored != own || wasAnsi) {
    s.Version = own;
    WriteSettings(nullptr, WS_SETTINGS_ONLY);
  }
  HeapFree(GetProcessHeap(), 0, text);
  ReadDesign(nullptr, 0);
  ValidateGlobalSettings();
  SyncStoreSettings();
  return 1;
}

int WriteSettings(const wchar_t* path, UINT flags) {
  wchar_t own[MAX_PATH];
  const wchar_t* target = path;
  if (!target && DataFilePath(own, L"Vantrel.ini")) target = own;
  IniFile f;
  int ok = target && OpenIniFile(&f, target);
  if (ok) {
    ok = WriteGeneralSections(&f);
    ok &= WritePageSections(&f);
    if (path && !(flags & WS_SETTINGS_ONLY))
      ok = WriteDesign(&f, path) && ok;  // appends the design and commits
    else
      ok = CloseIniFile(&f, 1) && ok;
    if (!path && !(flags & WS_SETTINGS_ONLY)) ok = WriteDesign(nullptr, nullptr) && ok;
  }
  if (ok && !path) S().PendingSave = 0;
  if (!ok && !(flags & WS_QUIET)) ShowMessage(IDS_ERR_SAVE, MB_ICONERROR);
  return ok;
}

// The start of a settings file up to and with its [Pages] header, read only
// as far as needed: the page list is most of a big file and is rewritten
// anyway. Null (and nothing read for good) when the file cannot be read or
// holds no UTF-16 [Pages].
static wchar_t* ReadUpToPages(const wchar_t* path, const wchar_t** pages) {
  *pages = nullptr;
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  size_t cap = 64 * 1024, len = 0;
  BYTE* buf = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, cap + 4));
  while (buf) {
    DWORD got = 0;
    if (!ReadFile(h, buf + len, static_cast<DWORD>(cap - len), &got, nullptr) || !got) break;
    len += got;
    memset(buf + len, 0, 4);
    const wchar_t* text = reinterpret_cast<const wchar_t*>(buf);
    if ((*pages = FindIniSection(text, L"Pages", -1)) != nullptr) break;
    if (len == cap) {
      if (cap > (1u << 30)) break;
      void* grown = HeapReAlloc(GetProcessHeap(), 0, buf, cap * 2 + 4);
      if (!grown) break;
      buf = static_cast<BYTE*>(grown);
      cap *= 2;
    }
  }
  CloseHandle(h);
  if (!*pages && buf) {
    HeapFree(GetProcessHeap(), 0, buf);
    buf = nullptr;
  }
  return reinterpret_cast<wchar_t*>(buf);
}

int SavePages(IniFile* file) {
  if (file) {
    int ok = WritePageSections(file);
    if (!ok) ShowMessage(IDS_ERR_SAVE, MB_ICONERROR);
    return ok;
  }
  wchar_t path[MAX_PATH];
  if (!DataFilePath(path, L"Vantrel.ini")) return 0;
  const wchar_t* pages = nullptr;
  wchar_t* text = ReadUpToPages(path, &pages);
  if (!text) {
    // No UTF-16 page list in front: read it all, as ANSI when need be.
    if (!ReadSettingsFile(path, &text, 0)) return 0;
    pages = FindIniSection(text, L"Pages", -1);
    if (!pages && ConvertAnsiSettings(&text)) pages = FindIniSection(text, L"Pages", -1);
  }
  if (!pages) {
    HeapFree(GetProcessHeap(), 0, text);
    return 0;
  }
  // Everything before the blank line that precedes [Pages] stays as it is.
  const wchar_t* start = text[0] == 0xFEFF ? text + 1 : text;
  const wchar_t* cut = pages - wcslen(L"[Pages]");
  if (cut - start >= 2 && cut[-2] == L'\r' && cut[-1] == L'\n') cut -= 2;
  IniFile f;
  int ok = OpenIniFile(&f, path);
  if (ok) {
    ok = WriteIniText(&f, start, cut - start);
    ok &= WritePageSections(&f);
    ok = CloseIniFile(&f, 1) && ok;
  }
  HeapFree(GetProcessHeap(), 0, text);
  if (!ok) ShowMessage(IDS_ERR_SAVE, MB_ICONERROR);
  return ok;
}
