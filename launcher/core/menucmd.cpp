#include "core/menucmd.h"

#include <shellapi.h>
#include <stdio.h>
#include <wchar.h>

#include "core/commands.h"
#include "core/hookbind.h"
#include "core/eventlists.h"
#include "core/input.h"
#include "core/showhide.h"
#include "core/switches.h"
#include "state.h"
#include "core/winhelpers.h"
#include "dialogs/dialoghelpers.h"
#include "resources/resource.h"
#include "store/backup.h"
#include "store/grid.h"
#include "store/lists.h"
#include "store/outlets.h"
#include "store/positions.h"

MenuEntryPoints g_MenuEntries;

static const UINT OPT1_AUTOHIDE_ON_PIN = 0x2000;
static const int PN_VIEWMODE = 0x10008, PN_PIN = 0x10009, PN_RESTRICT = 0x1000A, PN_UNHOOK = 0x1000B;
static const int kOptionsLastPage = -1, kOptionsSkins = 11, kOptionsPage = 14;
static const int kBalloonMs = 3000;

// Option bits of a button's Type read here.
enum : UINT {
  OPT_OPEN_EXPLORER = 0x40000,
  OPT_OPEN_MENU = 0x80000,
  OPT_RUN_AS_USER = 0x200000,
  OPT_RUN_AS_ADMIN = 0x400000,
  OPT_SHELL_MENU_ON_CLICK = 0x20000000,
};

static void Broadcast(int code, INT_PTR arg) {
  if (g_StoreOutlets.BroadcastPluginEvent) g_StoreOutlets.BroadcastPluginEvent(code, arg);
}

static ButtonInfo* CellButton(int cell) {
  ItemStore& s = g_App.Store;
  if (cell < 0 || cell >= s.GridCells || !s.Grid) return nullptr;
  return s.Grid[cell].Button;
}

static int IsShellFolder(ButtonInfo* b) {
  if (ItemTypeOf(b->Type) != IT_SHELLITEM || !b->ShellItem || !g_App.Core.DesktopFolder) return 0;
  SFGAOF attr = SFGAO_FOLDER;
  LPCITEMIDLIST child = b->ShellItem;
  return SUCCEEDED(g_App.Core.DesktopFolder->GetAttributesOf(1, &child, &attr)) && (attr & SFGAO_FOLDER);
}

static int IsFolderLike(ButtonInfo* b) {
  return ItemTypeOf(b->Type) == IT_FOLDER || (b->Type & IT_FOLDERLIKE) || IsShellFolder(b);
}

static void TogglePin() {
  g_App.Settings.Status ^= STATUS_PINNED;
  MarkSettingsChanged();
  UpdateTopmost(0);
  if ((g_App.Settings.Status & STATUS_PINNED) && g_App.MainWnd && !IsWindowVisible(g_App.MainWnd)) {
    int mode = ShowModeFromPositionBits(g_App.Settings.DispPosition & 0xF);
    if (g_App.Settings.Option1 & OPT1_AUTOHIDE_ON_PIN) mode |= 0x100;
    ShowLauncher(mode, g_App.Settings.ShowPosX, g_App.Settings.ShowPosY, 0xFFFF, 1);
  }
  Broadcast(PN_PIN, 0);
}

static void ToggleRestricted() {
  g_App.Settings.Status ^= STATUS_RESTRICTED;
  MarkSettingsChanged();
  if (g_MenuEntries.RefreshAppHookState) g_MenuEntries.RefreshAppHookState();
  if (g_MenuEntries.SetTrayState) g_MenuEntries.SetTrayState();
  if (g_MenuEntries.ShowBalloon)
    g_MenuEntries.ShowBalloon((g_App.Settings.Status & STATUS_RESTRICTED) ? IDS_RESTRICTED_ON : IDS_RESTRICTED_OFF,
                              kBalloonMs);
  Broadcast(PN_RESTRICT, 0);
}

static void ToggleSearch(int flags) {
  int on = !(g_App.Settings.Status & STATUS_SEARCH);
  if (on) g_App.Settings.Status |= STATUS_SEARCH;
  else g_App.Settings.Status &= ~STATUS_SEARCH;
  MarkSettingsChanged();
  if (g_MenuEntries.ToggleSearchWindow) g_MenuEntries.ToggleSearchWindow(on, on && !(flags & CF_MOUSE));
}

static void SwitchViewMode(int toSecond) {
  int isSecond = (g_App.Settings.Status & STATUS_VIEWMODE2) != 0;
  if (isSecond == toSecond) return;
  g_App.Settings.Status ^= STATUS_VIEWMODE2;
  MarkSettingsChanged();
  if (g_InputOutlets.ApplyDesign) g_InputOutlets.ApplyDesign();
  RebuildButtonGrid(1);
  if (g_App.MainWnd) PlaceLauncherWindow(SHOW_LAST_POSITION, POINT{0, 0}, 1);
  if (g_MenuEntries.RelayoutSearchWindow) g_MenuEntries.RelayoutSearchWindow();
  Broadcast(PN_VIEWMODE, 0);
}

static void ToggleHooks() {
  if (g_App.RunState & RS_N_MODE) return;
  int on = !(g_App.RunState & RS_HOOKS_ON);
  if (g_MenuEntries.SetHooks) g_MenuEntries.SetHooks(on, 1);
  Broadcast(PN_UNHOOK, 0);
}

static void AddPageCommand() {
  if (g_App.Store.PageCount >= kMaxPages) {
    ShowMessageF(IDS_LIMIT_PAGES, MB_ICONWARNING, kMaxPages);
    return;
  }
  if (g_MenuEntries.AddPageDialog) g_MenuEntries.AddPageDialog();
}

static void OpenDataFolder() {
  if (g_App.DataFolderPath[0]) ShellExecuteW(nullptr, nullptr, g_App.DataFolderPath, nullptr, nullptr, SW_SHOWNORMAL);
}

static void InsertEmptyButton(int cell) {
  ItemStore& s = g_App.Store;
  if (cell < 0 || cell >= s.GridCells || s.CurrentPage < 0) return;
  if (g_StoreOutlets.HideTooltip) g_StoreOutlets.HideTooltip();
  ItemPos from = {s.Grid[cell].Column, s.Grid[cell].Row};
  ShiftButtonPositions(s.CurrentPage, from, nullptr, 1, -1);
  RebuildButtonGrid(0);
  if (g_StoreOutlets.RepaintMainWindow) g_StoreOutlets.RepaintMainWindow(RP_BUTTONS | RP_PUSH);
  if (g_StoreOutlets.SavePages) g_StoreOutlets.SavePages(nullptr);
}

// Launch with the option bits of the command in place of the item's own.
static void LaunchWithOptions(ButtonInfo* b, int flags, UINT clear, UINT add) {
  if (!g_InputOutlets.LaunchItem) return;
  UINT options = ((b->Type & 0xFFFF0000u) & ~clear) | add | 0x8000;
  int launch = (int)((((UINT)flags) & 0xFFFF) | options);
  g_InputOutlets.LaunchItem(b, launch, nullptr);
}

int DoItemCommand(int id, ButtonInfo* b, int flags, int* out) {
  if (out) *out = 0;
  if (!b) return 0;
  int menu = ItemTypeOf(b->Type) == IT_CHILDMENU ? (LIST_SUBMENU | b->SubMenuIdx) : -1;
  switch (id) {
    case 40026:
    case 40027:
      if (menu < 0) return 0;
      AddButtonWithDialog(menu, -1, id == 40026);
      return 1;
    case 40028:
    case 40029:
      if (menu < 0) return 0;
      SortList(menu, id == 40028);
      return 1;
    case 40030:
      if (menu < 0) return 0;
      LaunchAllItems(menu);
      return 1;
    case 40031:
      if (g_MenuEntries.ShowItemContextMenu) g_MenuEntries.ShowItemContextMenu(b, nullptr);
      return 1;
    case 40032:
    case 40033:
      if (g_MenuEntries.OpenItemLocation) g_MenuEntries.OpenItemLocation(b, id == 40033);
      return 1;
    case 40041:
      if (g_StoreOutlets.OpenItemProperties) g_StoreOutlets.OpenItemProperties(b);
      return 1;
    case 40062:
      LaunchWithOptions(b, flags, 0x608000, OPT_RUN_AS_USER);
      return 1;
    case 40063:
      LaunchWithOptions(b, flags, 0x608000, OPT_RUN_AS_ADMIN);
      return 1;
    case 40066:
      LaunchWithOptions(b, flags, 0xC8000, OPT_OPEN_EXPLORER);
      return 1;
    case 40065:
    case 40067:
      if (!IsFolderLike(b)) return DoItemCommand(id == 40065 ? 40032 : 40033, b, flags, out);
      LaunchWithOptions(b, flags, 0xC8000, id == 40067 ? (UINT)OPT_OPEN_MENU : 0u);
      return 1;
    case 40064:
      if (g_InputOutlets.LaunchItem) g_InputOutlets.LaunchItem(b, flags | 0x40, nullptr);
      return 1;
    case CMD_EMPTY_RECYCLEBIN:
      StartEmptyRecycleBin();
      EndIfIdleAfterHide();
      return 1;
    default:
      return 0;
  }
}

void OnMenuCommand(int id, int cell, int flags) {
  ItemStore& s = g_App.Store;
  int dialogOpen = GetTopOpenDialog() != nullptr;
  ButtonInfo* b = CellButton(cell);
  switch (id) {
    case 40001:
      if (!dialogOpen && g_MenuEntries.AboutDialog) g_MenuEntries.AboutDialog();
      return;
    case 40002:
      if (!dialogOpen && g_MenuEntries.LanguageDialog) g_MenuEntries.LanguageDialog();
      return;
    case CMD_HELP:
      if (g_InputOutlets.ShowHelpTopic) g_InputOutlets.ShowHelpTopic();
      EndIfIdleAfterHide();
      return;
    case CMD_EXIT:
      if (g_App.MainWnd) PostMessageW(g_App.MainWnd, WM_CLOSE, 0, 0);
      return;
    case CMD_PIN:
      TogglePin();
      return;
    case CMD_RESTRICTED:
      ToggleRestricted();
      return;
    case CMD_SEARCH:
      ToggleSearch(flags);
      return;
    case CMD_VIEWMODE1:
    case CMD_VIEWMODE2:
      SwitchViewMode(id == CMD_VIEWMODE2);
      return;
    case CMD_UNHOOK:
      ToggleHooks();
      return;
    case 40011:
      if (!dialogOpen && g_MenuEntries.HotkeyListDialog) g_MenuEntries.HotkeyListDialog();
      return;
    case 40012:
    case 40013:
      if (!dialogOpen) ExportSettings(id == 40012 ? 0 : 2);
      EndIfIdleAfterHide();
      return;
    case 40014:
      if (!dialogOpen) OpenDataFolder();
      EndIfIdleAfterHide();
      return;
    case 40015:
    case 40016:
      ConvertAllItemPaths(id == 40015);
      return;
    case 40017:
      if (g_MenuEntries.UpdateAllIcons) g_MenuEntries.UpdateAllIcons();
      EndIfIdleAfterHide();
      return;
    case 40018:
    case CMD_OPTIONS:
    case CMD_PAGE_PROPERTIES:
      if (!dialogOpen && g_MenuEntries.OptionsDialog)
        g_MenuEntries.OptionsDialog(id == 40018 ? kOptionsSkins : id == CMD_OPTIONS ? kOptionsLastPage : kOptionsPage);
      if (id != 40018) EndIfIdleAfterHide();
      return;
    case CMD_ADD_PAGE:
      if (!dialogOpen) AddPageCommand();
      EndIfIdleAfterHide();
      return;
    case 40021:
      DeletePage();
      return;
    case 40022:
    case 40023:
      if (s.CurrentPage >= 0) SortList(s.CurrentPage, id == 40022);
      return;
    case 40024:
      if (s.CurrentPage >= 0) LaunchAllItems(s.CurrentPage);
      return;
    case 40026:
    case 40027:
      if (b) {
        DoItemCommand(id, b, flags, nullptr);
        if (id == 40027 && g_App.MainWnd && ItemTypeOf(b->Type) == IT_CHILDMENU)
          PostMessageW(g_App.MainWnd, WMA_EXECUTE, (WPARAM)((b->List << 16) | b->Index), 0);
      } else if (cell >= 0 && s.CurrentPage >= 0) {
        AddButtonWithDialog(s.CurrentPage, cell, id == 40026);
      }
      return;
    case 40034:
      if (b) ToggleButtonLock(b, 1);
      return;
    case 40035:
      InsertEmptyButton(cell);
      return;
    case 40036:
      if (b) DeleteButton(b, s.CurrentPage, cell, 6);  // confirm, then save
      return;
    case 40037: InsertOrDeleteGridLine(cell, GRID_INSERT | GRID_ROW); return;
    case 40038: InsertOrDeleteGridLine(cell, GRID_INSERT | GRID_COLUMN); return;
    case 40039: InsertOrDeleteGridLine(cell, GRID_DELETE | GRID_ROW); return;
    case 40040: InsertOrDeleteGridLine(cell, GRID_DELETE | GRID_COLUMN); return;
    default:
      if (b) DoItemCommand(id, b, flags, nullptr);
      return;
  }
}

// --- context menus ---------------------------------------------------------------------

static HMENU LoadMenuResource(int id) {
  HMENU m = nullptr;
  if (g_App.LangModule) m = LoadMenuW(g_App.LangModule, MAKEINTRESOURCEW(id));
  if (!m) m = LoadMenuW(g_App.Instance ? g_App.Instance : GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
  return m;
}

static void Enable(HMENU m, UINT id, int on) { EnableMenuItem(m, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); }
static void Check(HMENU m, UINT id, int on) { CheckMenuItem(m, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); }

static void InsertStringItem(HMENU m, UINT* at, int stringId, UINT id, int enabled) {
  wchar_t text[128];
  LoadStoreString(stringId, text, 128);
  InsertMenuW(m, (*at)++, MF_BYPOSITION | MF_STRING | (enabled ? 0 : MF_GRAYED), id, text);
}

static int ClipboardHasLaunchData() {
  return IsClipboardFormatAvailable(CF_TEXT) || IsClipboardFormatAvailable(CF_HDROP);
}

// The button menu of the launcher window for one button.
static HMENU BuildButtonMenu(ButtonInfo* b, HMENU* popup) {
  UINT type = ItemTypeOf(b->Type);
  int childMenu = type == IT_CHILDMENU;
  HMENU top = LoadMenuResource(childMenu ? IDR_MENU_SUBMENU : IDR_MENU_BUTTON);
  if (!top) return nullptr;
  HMENU m = GetSubMenu(top, 0);
  *popup = m;
  if (type == 4 || type == 5 || (b->Type & (IT_POWER | IT_BUILTIN))) Enable(m, 40031, 0);
  UINT at = 0;
  if (type == 1 || type == 2) {
    int elevation = g_App.Core.ElevationType;
    if (elevation == 1)
      InsertStringItem(m, &at, (b->Type & OPT_RUN_AS_USER) ? IDS_RUN_AS_ADMIN : IDS_RUN_AS_USER,
                       (b->Type & OPT_RUN_AS_USER) ? 40063 : 40062, 1);
    else if (elevation == 2)
      InsertStringItem(m, &at, (b->Type & OPT_RUN_AS_ADMIN) ? IDS_RUN_AS_USER : IDS_RUN_AS_ADMIN,
                       (b->Type & OPT_RUN_AS_ADMIN) ? 40062 : 40063, 1);
  }
  if (type == 1 || type == 2 || type == 4 || type == 7) {
    InsertStringItem(m, &at, IDS_CLIPBOARD_LAUNCH, 40064, ClipboardHasLaunchData());
  } else if (IsFolderLike(b)) {
    InsertStringItem(m, &at, IDS_OPEN, 40065, 1);
    InsertStringItem(m, &at, IDS_OPEN_EXPLORER, 40066, 1);
    InsertStringItem(m, &at, IDS_OPEN_AS_MENU, 40067, 1);
    UINT def = (b->Type & OPT_OPEN_EXPLORER) ? 40066 : (b->Type & OPT_OPEN_MENU) ? 40067 : 40065;
    SetMenuDefaultItem(m, def, FALSE);
    if (type == IT_RECYCLEBIN) InsertStringItem(m, &at, IDS_EMPTY_RECYCLEBIN, 40068, 1);
  }
  if (at) InsertMenuW(m, at, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
  if (childMenu) {
    int n = GetItemCount(LIST_SUBMENU | b->SubMenuIdx);
    Enable(m, 40026, n <= 999);
    Enable(m, 40027, n <= 999);
    for (UINT id : {40028u, 40029u, 40030u}) Enable(m, id, n > 0);
  }
  if (b->List & LIST_SUBMENU) {
    DeleteMenu(m, 40034, MF_BYCOMMAND);
    DeleteMenu(m, 40035, MF_BYCOMMAND);
  } else {
    Check(m, 40034, (b->Type & ITEM_LOCKED) != 0);
    ItemStore& s = g_App.Store;
    int vm = CurrentViewMode();
    int scrolled = s.CurrentPage >= 0 && s.CurrentPage < s.PageCount &&
                   (s.Pages[s.CurrentPage].ScrollStat[vm] || s.Pages[s.CurrentPage].ScrollStat[2 + vm]);
    Enable(m, 40034, !scrolled);
  }
  return top;
}

HMENU BuildLauncherMenu(int target, int fromWindow, HMENU* popup) {
  ItemStore& s = g_App.Store;
  *popup = nullptr;
  HMENU top = nullptr;
  if (target & MENU_TAB) {
    top = LoadMenuResource(IDR_MENU_PAGE);
    if (!top) return nullptr;
    HMENU m = *popup = GetSubMenu(top, 0);
    int has = s.CurrentPage >= 0 && s.CurrentPage < s.PageCount && s.Pages[s.CurrentPage].Count > 0;
    Enable(m, 40020, s.PageCount < kMaxPages);
    Enable(m, 40021, s.PageCount > 1);
    for (UINT id : {40022u, 40023u, 40024u}) Enable(m, id, has);
  } else if (target & MENU_CELL) {
    ButtonInfo* b = CellButton(target & 0xFFFF);
    if (b) {
      top = BuildButtonMenu(b, popup);
    } else {
      top = LoadMenuResource(IDR_MENU_EMPTYCELL);
      if (!top) return nullptr;
      HMENU m = *popup = GetSubMenu(top, 0);
      int full = s.CurrentPage >= 0 && s.CurrentPage < s.PageCount && s.Pages[s.CurrentPage].Count >= kMaxListButtons;
      Enable(m, 40026, !full);
      Enable(m, 40027, !full);
    }
  } else {
    top = LoadMenuResource(IDR_MENU_GENERAL);
    if (!top) return nullptr;
    HMENU m = *popup = GetSubMenu(top, 0);
    UINT st = g_App.Settings.Status;
    Check(m, 40005, (st & STATUS_PINNED) != 0);
    Check(m, 40006, (st & STATUS_RESTRICTED) != 0);
    Check(m, 40007, (st & STATUS_SEARCH) != 0);
    UINT vm = (st & STATUS_VIEWMODE2) ? 40009 : 40008;
    CheckMenuRadioItem(m, 40008, 40009, vm, MF_BYCOMMAND);
    Enable(m, 40010, !(g_App.RunState & RS_N_MODE));
    Check(m, 40010, !(g_App.RunState & RS_HOOKS_ON));
    Enable(m, 40020, s.PageCount < kMaxPages);
    Enable(m, 40018, g_App.Api.UpdateLayeredWindow != nullptr);
    if (!fromWindow) return top;
  }
  if (*popup && (target & (MENU_TAB | MENU_CELL)) != MENU_TAB) AppendMenuKeyNames(*popup, 1);
  return top;
}

int ShowContextMenu(int target, POINT pt, int fromMouse, int fromWindow) {
  InputState& in = g_App.Input;
  HWND w = g_App.MainWnd;
  if (in.TabDrag || in.RearrangeDrag || !in.MenuPending || !w) return -1;
  in.MenuPending = 0;
  int visible = IsWindowVisible(w);
  if ((target & (MENU_TAB | MENU_CELL)) && !visible) target = 0;
  int cell = -1;
  if (target & MENU_CELL) {
    cell = target & 0xFFFF;
    ButtonInfo* b = CellButton(cell);
    if (b && fromMouse) {
      if (ItemTypeOf(b->Type) == IT_HISTORY && (b->Type & 0x20000)) {
        if (g_InputOutlets.LaunchItem) g_InputOutlets.LaunchItem(b, 0x8080, &pt);
        return -1;
      }
      if (b->Type & OPT_SHELL_MENU_ON_CLICK) {
        if (g_MenuEntries.ShowItemContextMenu) g_MenuEntries.ShowItemContextMenu(b, &pt);
        return -1;
      }
    }
  }
  HMENU popup;
  HMENU top = BuildLauncherMenu(target, fromWindow, &popup);
  if (!top) return -1;
  g_App.Wnd.Flags |= WSF_MENU_OPEN;
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  SetForegroundWindow(w);
  TrackPopupMenuEx(popup, TPM_RIGHTBUTTON, pt.x, pt.y, w, nullptr);
  PostMessageW(w, WM_NULL, 0, 0);
  g_App.Wnd.Flags &= ~WSF_MENU_OPEN;
  DestroyMenu(top);
  return cell;
}

// --- key names ----------------------------------------------------------------------------

struct KeyName {
  int Key;
  const wchar_t* Name;
};

static const KeyName kShortNames[] = {
    {0x08, L"BS"}, {0x2D, L"Ins"}, {0x2E, L"Del"}, {0x21, L"PgUp"}, {0x22, L"PgDn"}, {0x14, L"Caps"}, {0x15, L"Caps"},
};
static const KeyName kLongNames[] = {
    {0x5D, L"Apps"},     {0x13, L"Pause"},     {0x90, L"Num Lock"}, {0x2D, L"Insert"}, {0x2E, L"Delete"},
    {0x24, L"Home"},     {0x23, L"End"},       {0x21, L"Page Up"},  {0x22, L"Page Down"},
    {0x25, L"Left"},     {0x26, L"Up"},        {0x27, L"Right"},    {0x28, L"Down"},
    {0x14, L"Caps Lock"}, {0x15, L"Caps Lock"}, {0xE5, L"Kanji"},   {0x19, L"Kanji"},
};

static const wchar_t* FindKeyName(const KeyName* list, int n, int key) {
  for (int i = 0; i < n; ++i)
    if (list[i].Key == key) return list[i].Name;
  return nullptr;
}

int FormatHotKeyName(int code, wchar_t* text, int size, int shortNames) {
  if (size <= 0) return 0;
  text[0] = 0;
  if (!code) return LoadStoreString(IDS_KEY_NONE, text, size);
  wchar_t out[256] = L"";
  int key = code & 0xFF;
  const wchar_t* mods[3] = {nullptr, nullptr, nullptr};
  int nm = 0;
  if (code & 0x200) mods[nm++] = L"Ctrl";
  if (code & 0x100) mods[nm++] = L"Shift";
  if (code & 0x400) mods[nm++] = L"Alt";
  for (int i = 0; i < nm; ++i) {
    if (i) wcscat(out, L" + ");
    wcscat(out, mods[i]);
  }
  if (key) {
    if (nm) wcscat(out, L" + ");
    if (key == VK_LWIN) {
      wcscat(out, L"Win (L)");
    } else if (key == VK_RWIN) {
      wcscat(out, L"Win (R)");
    } else {
      if (code & 0x800) wcscat(out, L"Win + ");
      const wchar_t* name = shortNames ? FindKeyName(kShortNames, 7, key) : nullptr;
      if (!name) name = FindKeyName(kLongNames, 17, key);
      if (name) {
        wcscat(out, name);
      } else {
        wchar_t k[64] = L"";
        UINT scan = MapVirtualKeyW((UINT)key, 0);
        if (!GetKeyNameTextW((LONG)(scan << 16), k, 64)) swprintf(k, 64, L"0x%02X", key);
        wcsncat(out, k, 255 - wcslen(out));
      }
    }
  } else if (code & 0x800) {
    if (nm) wcscat(out, L" + ");
    wcscat(out, L"Win");
  }
  if ((code >> 12) > 0) {
    wchar_t fmt[64], times[80];
    if (LoadStoreString(IDS_KEY_TIMES, fmt, 64) && GetFormatConversion(fmt) == 'd') {
      swprintf(times, 80, fmt, (code >> 12) + 1);
      wcsncat(out, times, 255 - wcslen(out));
    }
  }
  lstrcpynW(text, out, size);
  return (int)wcslen(text);
}

void AppendMenuKeyNames(HMENU menu, int launcherWindow) {
  static const int kWindowPairs[][2] = {
      {40005, 39}, {40006, 40}, {40007, 41}, {40008, 42}, {40010, 43}, {40019, 44}, {40003, 45},
      {40004, 47}, {40032, 34}, {40033, 35}, {40031, 36}, {40034, 25}, {40035, 31}, {40036, 32},
      {40041, 33}, {40063, 27}, {40064, 28}, {40065, 29}, {40067, 30}};
  static const int kSubMenuPairs[][2] = {
      {40052, 77}, {40053, 56}, {40054, 57}, {40055, 70}, {40027, 74}, {40056, 74}, {40057, 75},
      {40058, 76}, {40059, 64}, {40032, 75}, {40033, 76}, {40031, 78}, {40036, 71}, {40041, 72}};
  const int (*pairs)[2] = launcherWindow ? kWindowPairs : kSubMenuPairs;
  int n = launcherWindow ? 19 : 14;
  for (int i = 0; i < n; ++i) {
    int code = g_App.Settings.Keyboard[pairs[i][1]];
    if (!code) continue;
    wchar_t text[256];
    MENUITEMINFOW mi = {sizeof mi};
    mi.fMask = MIIM_STRING;
    mi.dwTypeData = text;
    mi.cch = 128;
    if (!GetMenuItemInfoW(menu, (UINT)pairs[i][0], FALSE, &mi)) continue;
    if (wcschr(text, L'\t')) continue;
    wchar_t name[120];
    FormatHotKeyName(code, name, 120, 0);
    wcscat(text, L"\t");
    wcsncat(text, name, 255 - wcslen(text));
    mi.dwTypeData = text;
    SetMenuItemInfoW(menu, (UINT)pairs[i][0], FALSE, &mi);
  }
}
