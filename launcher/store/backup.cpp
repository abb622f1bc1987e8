#include "store/backup.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <stdio.h>
#include <wchar.h>

#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "render/design.h"
#include "resources/resource.h"
#include "store/datafolder.h"
#include "store/designfile.h"
#include "store/history.h"
#include "store/items.h"
#include "store/lists.h"
#include "store/paths.h"
#include "store/settings.h"

static UINT RealToday() {
  SYSTEMTIME st;
  FILETIME ft;
  GetSystemTime(&st);
  SystemTimeToFileTime(&st, &ft);
  ULONGLONG t = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<UINT>(t / 864000000000ULL);
}

BackupSeams g_BackupSeams = {RealToday, nullptr};

UINT GetBackupDay() { return g_BackupSeams.Today(); }

static void SetTrayBusy(int busy) {
  if (g_BackupSeams.SetTrayBusy) g_BackupSeams.SetTrayBusy(busy);
}

static HINSTANCE ProgramModule() { return g_App.Instance ? g_App.Instance : GetModuleHandleW(nullptr); }

// A text of the language library when it carries the id, else the built-in one.
static void LoadText(int id, wchar_t* buf, int chars) {
  if (g_App.LangModule && LoadStringW(g_App.LangModule, id, buf, chars) > 0) return;
  if (LoadStringW(ProgramModule(), id, buf, chars) <= 0) buf[0] = 0;
}

// ---- export and automatic backup ------------------------------------------------

wchar_t* GetBackupFilePath() { return ExpandFullPath(g_App.Settings.BackupFile); }

int ExportSettingsTo(const wchar_t* path, int what) {
  HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  SetTrayBusy(1);
  int ok;
  if (what & EXPORT_DESIGN) {
    ok = WriteDesign(nullptr, path);
    if (!ok) ShowMessage(IDS_ERR_SAVE, MB_ICONERROR);
  } else {
    ok = WriteSettings(path, 0);  // reports its own failure
  }
  SetTrayBusy(0);
  SetCursor(old);
  return ok;
}

int ExportSettings(int what) {
  if (g_App.OpenDialogCount > 0) return 0;
  const int kChars = 1025;
  wchar_t folder[kChars] = L"";
  if (wchar_t* backup = GetBackupFilePath()) {
    lstrcpynW(folder, backup, kChars);
    HeapFree(GetProcessHeap(), 0, backup);
  }
  PathRemoveFileSpecW(folder);
  if (!folder[0] || !PathIsDirectoryW(folder)) lstrcpynW(folder, ResolveDataFolder(), kChars);
  wchar_t path[kChars];
  const wchar_t* name = (what & EXPORT_DESIGN) ? L"Design.ini" : L"Vantrel.ini";
  if (wcslen(folder) + 1 + wcslen(name) >= static_cast<size_t>(kChars)) folder[0] = 0;
  swprintf(path, kChars, folder[0] ? L"%ls\\%ls" : L"%ls%ls", folder, name);

  static const int kKinds[] = {FK_SETTINGS};
  g_App.UiStateFlags &= ~UIS_AUTOHIDE_ALLOWED;
  BOOL chosen = BrowseForFile(g_App.MainWnd, path, 1, kKinds, 1, 0, 0);
  g_App.UiStateFlags |= UIS_AUTOHIDE_ALLOWED;
  if (!chosen) return 0;
  return ExportSettingsTo(path, what);
}

// Creates the missing folders of path's folder part, one level at a time.
static int CreateFolderChain(const wchar_t* file) {
  wchar_t folder[MAX_PATH * 4];
  lstrcpynW(folder, file, ARRAYSIZE(folder));
  PathRemoveFileSpecW(folder);
  if (!folder[0] || PathIsDirectoryW(folder)) return 1;
  wchar_t part[ARRAYSIZE(folder)];
  const wchar_t* next = PathSkipRootW(folder);
  if (!next) next = folder;
  for (;;) {
    next = PathFindNextComponentW(next);
    if (!next) break;
    size_t len = next - folder;
    if (len >= ARRAYSIZE(part)) return 0;
    wmemcpy(part, folder, len);
    part[len] = 0;
    PathRemoveBackslashW(part);
    if (!PathIsDirectoryW(part) && !CreateDirectoryW(part, nullptr)) return 0;
    if (!*next) break;
  }
  return PathIsDirectoryW(folder) ? 1 : 0;
}

int AutoBackupSettings() {
  SettingsState& s = g_App.Settings;
  // The store belongs to the UI thread: a check from elsewhere (the ticker)
  // must be posted there instead of writing under the UI's changes.
  if (g_App.MainWnd && GetWindowThreadProcessId(g_App.MainWnd, nullptr) != GetCurrentThreadId()) return 0;
  if (!(s.Option1 & OPT1_AUTO_BACKUP) || g_App.OpenDialogCount > 0) return 0;
  UINT today = GetBackupDay();
  if (today - s.LastBackup < static_cast<UINT>(s.BackupCycle)) return 0;
  wchar_t* path = GetBackupFilePath();
  if (!path) return 0;
  int ok = 0;
  size_t n = wcslen(path);
  bool hasName = n > 0 && path[n - 1] != L'\\' && path[n - 1] != L'/' && path[n - 1] != L':';
  if (hasName && CreateFolderChain(path)) {
    SetTrayBusy(1);
    // Set first, whatever the write does: a failing backup waits for the next cycle.
    s.LastBackup = today;
    MarkSettingsChanged();
    ok = WriteSettings(path, WS_QUIET);
    SetTrayBusy(0);
  }
  HeapFree(GetProcessHeap(), 0, path);
  return ok;
}

// ---- range check ------------------------------------------------------------------

namespace {

struct SignedRange {
  int* Var;
  int Lo, Hi, Default;
};
struct DelayLimit {
  int* Var;
  int Default;
};

void Replace(int* var, int value) {
  if (*var == value) return;
  *var = value;
  MarkSettingsChanged();
}

void ReplaceBits(UINT* var, UINT value) {
  if (*var == value) return;
  *var = value;
  MarkSettingsChanged();
}

}  // namespace

void ValidateGlobalSettings() {
  SettingsState& s = g_App.Settings;
  ItemStore& st = g_App.Store;
  if ((s.LastPage < 0 || s.LastPage >= st.PageCount) && st.PageCount > 0) {
    Replace(&s.LastPage, 0);
    if (st.Pages[0].Flag & 1) {
      int vm = (s.Status & STATUS_VIEWMODE2) ? 1 : 0;
      st.Pages[0].ScrollStat[vm] = st.Pages[0].ScrollStat[2 + vm] = 0;
    }
  }
  if (s.LastBackup > GetBackupDay()) ReplaceBits(&s.LastBackup, 0);

  const SignedRange ranges[] = {
      {&s.ShowPosX, -10000, 10000, 0},
      {&s.ShowPosY, -10000, 10000, 0},
      {reinterpret_cast<int*>(&s.StandbyPosition), 0, 5, 0},
      {&s.StandbyPosX, -10000, 10000, 0},
      {&s.StandbyPosY, -10000, 10000, 0},
      {&s.TipsWidth, 0, 10000, 0},
      {&s.Alpha, 25, 255, 255},
      {&s.BackupCycle, 1, 99, 3},
      {&st.Refs.MaxMemories, 0, kMaxHistory, 10},
      {&s.SubMenu.CountLimit, 0, 10000, 0},
      {&s.SubMenu.ItemWidth, 0, 1000, 0},
      {&s.SubMenu.Rows, 0, 100, 0},
      {&s.SubMenu.Columns, 1, 100, 1},
      {&s.SubMenu.ScrollLines, 1, 100, 3},
      {&s.SubMenu.IconSize, 16, 256, 16},
      {&s.SubMenu.ScrollInterval, 10, 10000, 80},
  };
  for (const SignedRange& r : ranges)
    if (*r.Var < r.Lo || *r.Var > r.Hi) Replace(r.Var, r.Default);

  // Times compare unsigned: a negative one counts as too long.
  const DelayLimit delays[] = {
      {&s.PressHoldG, 800},          {&s.PressHoldB, 1000},    {&s.ShowDelay, 0},
      {&s.HideDelay, 300},           {&s.EdgeBootDelay, 0},    {&s.PageDelay, 200},
      {&s.HotkeyTimeout, 500},       {&s.TipsDelay, 500},      {&s.AutoMenuDelay, 400},
      {&s.DragMenuDelay, 1500},      {&s.Unhook.DelayTime, 100}, {&s.SubMenu.ScrollWait, 300},
      {&s.SubMenu.KeySelTimeout, 1000},
  };
  for (const DelayLimit& d : delays)
    if (static_cast<UINT>(*d.Var) > 10000) Replace(d.Var, d.Default);

  ReplaceBits(&s.Status, s.Status & 0xF);
  ReplaceBits(&s.Option1, s.Option1 & 0x3FFFFFF);
  ReplaceBits(&s.KeyboardOption, s.KeyboardOption & ~2u);
  if (!(s.Priority & 0xC1E0)) ReplaceBits(&s.Priority, 0x20);
}

// ---- first run ------------------------------------------------------------------

void SetDefaultLauncherKeys() {
  static const WORD kKeys[kLauncherKeyCount] = {
      // Pages: previous, next, first, last, 1st to 9th, 10th.
      0x221, 0x222, 0x224, 0x223, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x30,
      // Buttons: left, up, right, down, first, last, scroll up, down, left,
      // right, press, lock, continuous, as administrator, clipboard, open
      // folder, folder as menu, insert, delete, properties, parent folder,
      // parent as menu, shell menu, button menu.
      0x25, 0x26, 0x27, 0x28, 0x24, 0x23, 0x226, 0x228, 0x225, 0x227, 0x0D, 0x24C, 0x20, 0, 0, 0x20D, 0x10D,
      0x2D, 0x2E, 0x250, 0x08, 0x108, 0x40D, 0x242,
      // General: close, pin, restricted, search, view mode, unhook, options,
      // help, general menu, exit.
      0x1B, 0x220, 0x251, 0x246, 0x09, 0, 0x24F, 0x70, 0x24D, 0x473,
      // Menus: up, down, left, right, first, last, select multiple, range,
      // all, none, scroll up, down, left, right, page up, page down, close
      // child, close all, open, cut, copy, copy path, paste, delete,
      // properties, rename, new folder, open folder, parent as menu,
      // tooltips, shell menu, general menu.
      0x26, 0x28, 0x25, 0x27, 0x24, 0x23, 0x20, 0x120, 0x241, 0x244, 0x226, 0x228, 0x225, 0x227, 0x21, 0x22, 0,
      0x1B, 0x0D, 0x258, 0x243, 0x343, 0x256, 0x2E, 0x250, 0x71, 0x24E, 0x20D, 0x08, 0x254, 0x40D, 0x24D,
  };
  memcpy(g_App.Settings.Keyboard, kKeys, sizeof kKeys);
}

void SetDefaultClickActions() {
  // Per click code: Button, Caption, TrayIcon, Menu rows (command + 1).
  static const int kActions[kClickCodes][4] = {
      {36, 43, 41, 74}, {31, 40, 45, 65}, {3, 3, 0, 63},  {4, 4, 0, 64},  {1, 1, 0, 59},
      {2, 2, 0, 60},    {21, 21, 0, 63},  {22, 22, 0, 64}, {23, 23, 0, 0}, {24, 24, 0, 0},
      {3, 3, 0, 53},    {4, 4, 0, 54},    {0, 0, 0, 0},    {0, 0, 0, 56},  {27, 0, 0, 55},
      {35, 0, 0, 0},    {30, 0, 0, 76},   {37, 0, 0, 80},  {26, 0, 0, 0},  {34, 45, 0, 73},
      {0, 0, 0, 0},     {0, 0, 0, 0},     {0, 0, 0, 0},    {0, 0, 0, 0},   {0, 0, 0, 0},
  };
  ClickActionTable& t = g_App.Settings.Mouse;
  for (int c = 0; c < kClickCodes; c++) {
    t.Button[c] = kActions[c][0];
    t.Caption[c] = kActions[c][1];
    t.TrayIcon[c] = kActions[c][2];
    t.Menu[c] = kActions[c][3];
  }
  g_App.Settings.EmptyTrash = 1;
  g_App.Settings.ForceShutdown = 1;
}

// The shell's name of a special folder, or null.
static wchar_t* SpecialFolderName(int csidl) {
  LPITEMIDLIST pidl = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &pidl)) || !pidl) return nullptr;
  SHFILEINFOW info = {};
  wchar_t* name = nullptr;
  if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME) &&
      info.szDisplayName[0])
    name = StoreDupString(info.szDisplayName);
  CoTaskMemFree(pidl);
  return name;
}

int BuildDefaultPages() {
  ItemStore& st = g_App.Store;
  ClearItemLists();
  const int kPages = 3;
  st.Pages = static_cast<PageInfo*>(StoreAlloc(kPages * sizeof(PageInfo)));
  st.PageButtons = static_cast<ButtonInfo***>(StoreAlloc(kPages * sizeof(ButtonInfo**)));
  if (!st.Pages || !st.PageButtons) {
    StoreFree(st.Pages);
    StoreFree(st.PageButtons);
    st.Pages = nullptr;
    st.PageButtons = nullptr;
    ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
    return 0;
  }
  st.PageCount = kPages;
  for (int p = 0; p < kPages; p++) {
    if (!(st.PageButtons[p] = static_cast<ButtonInfo**>(StoreAlloc(sizeof(ButtonInfo*))))) {
      ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
      return 0;
    }
    st.Pages[p].Name = MakeDefaultListName(p + 1, 0);
  }
  ResetAllDesigns();
  SyncStoreSettings();

  struct DefaultButton {
    UINT Type;
    int Csidl;  // -1: the name is a string of ours
    int Column, Row;
  };
  static const DefaultButton kButtons[] = {
      {0x82011, CSIDL_DRIVES, 0, 0},   {0x82003, CSIDL_CONTROLS, 1, 0}, {0x82005, CSIDL_PERSONAL, 2, 0},
      {0x200A, CSIDL_BITBUCKET, 6, 2}, {0x14065, -1, 6, 5},
  };
  SettingsState& s = g_App.Settings;
  int vm = (s.Status & STATUS_VIEWMODE2) ? 1 : 0;
  for (const DefaultButton& d : kButtons) {
    NewButtonTemplate t = {};
    t.Button.Type = d.Type;
    if (d.Csidl >= 0) {
      t.Button.Name = SpecialFolderName(d.Csidl);
    } else {
      wchar_t name[256];
      LoadText(IDS_SUSPEND_SCREENSAVER, name, ARRAYSIZE(name));
      t.Button.Name = name[0] ? StoreDupString(name) : nullptr;
    }
    t.Button.Position[vm] = ItemPos{d.Column, d.Row};
    if (!(s.DispOption & DISP_SEPARATE_VIEWMODES)) t.Button.Position[1 - vm] = t.Button.Position[vm];
    if (!AddButton(&t, 0)) {
      StoreFree(t.Button.Name);
      return 0;
    }
  }

  References& r = st.Refs;
  r.EdgeAssignment[1] = 0x00010004;
  r.EdgeAssignment[3] = 0xFFFFFFFF;
  // Else the corner edges stay out of reach until the file is read again.
  RaiseCornerMargins();
  r.MousePlaceMask[25] = 0x400;
  r.MouseTargets[25][10] = MouseTarget{LIST_NONE, LIST_NONE};
  for (CircleGestureSettings& c : r.Circle) {
    c.RequiredSteps = 7;
    c.MaxJump = 500;
    c.MinTravel = 5;
    c.Page = LIST_NONE;
    c.Button = LIST_NONE;
  }
  return 1;
}

// Warning 682 names the file and the cycle; a translation is used only when
// it asks for the same two values in the same order.
static void WarnPreviousBackup(const wchar_t* path, int cycle) {
  wchar_t format[1024], builtin[1024];
  LoadText(IDS_PREVIOUS_BACKUP, format, ARRAYSIZE(format));
  if (LoadStringW(ProgramModule(), IDS_PREVIOUS_BACKUP, builtin, ARRAYSIZE(builtin)) <= 0) builtin[0] = 0;
  const wchar_t* s = wcsstr(format, L"%s");
  const wchar_t* d = s ? wcsstr(s + 2, L"%d") : nullptr;
  int percents = 0;
  for (const wchar_t* p = format; *p; p++) percents += *p == L'%';
  if (!s || !d || percents != 2) wcscpy(format, builtin);
  wchar_t text[1024];  // wsprintfW's limit; the path is at most MAX_PATH
  wsprintfW(text, format[0] ? format : L"%s %d", path, cycle);
  // Same owner and auto-hide rule as every other box of the program.
  HWND owner = nullptr;
  if (g_App.OpenDialogCount > 0 && g_App.OpenDialogCount <= kMaxOpenDialogs)
    owner = g_App.OpenDialogs[g_App.OpenDialogCount - 1];
  else if (g_App.MainWnd && IsWindowVisible(g_App.MainWnd))
    owner = g_App.MainWnd;
  g_App.UiStateFlags &= ~UIS_AUTOHIDE_ALLOWED;
  g_DialogSeams.MessageBoxFn(owner, IDS_PREVIOUS_BACKUP, text, L"Vantrel", MB_ICONWARNING);
  g_App.UiStateFlags |= UIS_AUTOHIDE_ALLOWED;
}

int SetFirstRunDefaults() {
  SettingsState& s = g_App.Settings;
  if (!BuildDefaultPages()) return 0;
  SetDefaultLauncherKeys();
  SetDefaultClickActions();
  s.LastBackup = GetBackupDay();

  wchar_t user[257] = L"";
  DWORD len = ARRAYSIZE(user);
  if (!GetUserNameW(user, &len)) user[0] = 0;
  wchar_t path[MAX_PATH * 2];
  swprintf(path, ARRAYSIZE(path), L"%ls\\%ls_Backup.ini", ResolveDataFolder(), user);
  path[MAX_PATH - 1] = 0;
  if (s.BackupFile) HeapFree(GetProcessHeap(), 0, s.BackupFile);
  s.BackupFile = StoreDupString(path);
  if (PathFileExistsW(path)) WarnPreviousBackup(path, s.BackupCycle);

  if (s.Caption) HeapFree(GetProcessHeap(), 0, s.Caption);
  s.Caption = StoreDupString(L"Vantrel");
  ValidateGlobalSettings();
  ResizeHistory(g_App.Store.Refs.MaxMemories);
  WriteSettings(nullptr, 0);
  return 1;
}
