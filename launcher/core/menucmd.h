// Numbered menu commands (WM_COMMAND 40001-40068) on the launcher as a
// whole, on the current page or on one cell of the button grid, and the
// context menus that send them.
#pragma once
#include <windows.h>

struct ButtonInfo;

enum : int {
  CMD_ABOUT = 40001,
  CMD_HELP = 40003,
  CMD_EXIT = 40004,
  CMD_PIN = 40005,
  CMD_RESTRICTED = 40006,
  CMD_SEARCH = 40007,
  CMD_VIEWMODE1 = 40008,
  CMD_VIEWMODE2 = 40009,
  CMD_UNHOOK = 40010,
  CMD_OPTIONS = 40019,
  CMD_ADD_PAGE = 40020,
  CMD_PAGE_PROPERTIES = 40025,
  CMD_EMPTY_RECYCLEBIN = 40068,
};

// Context menu targets: the window or tray is 0.
enum : int {
  MENU_TAB = (int)0x80000000,
  MENU_CELL = 0x40000000,
};

// Entry points of the dialogs, the tray and the other windows that menu
// commands call; filled by their owners, an empty entry does nothing.
struct MenuEntryPoints {
  void (*AboutDialog)();                 // 40001
  void (*LanguageDialog)();              // 40002
  void (*HotkeyListDialog)();            // 40011
  void (*OptionsDialog)(int page);       // 40018 (page 11), 40019 (-1 last), 40025 (14)
  void (*AddPageDialog)();               // 40020
  void (*UpdateAllIcons)();              // 40017
  void (*ShowBalloon)(int stringId, int ms);
  void (*SetTrayState)();                // tray picture of the current state
  int (*SetHooks)(int on, int balloon);  // 40010
  void (*RefreshAppHookState)();
  void (*ToggleSearchWindow)(int on, int focus);  // 40007
  void (*RelayoutSearchWindow)();
  void (*OpenItemLocation)(ButtonInfo* b, int asMenu);       // 40032, 40033
  void (*ShowItemContextMenu)(ButtonInfo* b, POINT* where);  // 40031
  // The sub-menu windows: a child menu, folder, history (0x4069),
  // clipboard folder (0x4066) or last menu (0x406A) at a screen point.
  void (*OpenSubMenu)(int type, const void* source, const wchar_t* option, POINT pt, int flags);
  void (*TrayBusyAnimation)(int on);  // the Recycle Bin worker's busy picture
};
extern MenuEntryPoints g_MenuEntries;

// cell: the grid cell the command acts on, or -1.
void OnMenuCommand(int id, int cell, int flags);
// The commands on one button (also for the sub-menu windows).
int DoItemCommand(int id, ButtonInfo* button, int flags, int* out);

// Opens a context menu at pt; returns the cell for a button or empty-cell
// menu, else -1. target: 0 window or tray, MENU_TAB | page, MENU_CELL | cell.
int ShowContextMenu(int target, POINT pt, int fromMouse, int fromWindow);
// The popup ShowContextMenu would track, with its marks set (caller
// destroys the returned top menu; *popup is its first sub-menu).
HMENU BuildLauncherMenu(int target, int fromWindow, HMENU* popup);

// Key name of a HotKeyCode ("Ctrl + Shift + A"); short names for the
// narrow places. Returns the length written.
int FormatHotKeyName(int code, wchar_t* text, int size, int shortNames);
// Appends "\t<key name>" to the entries whose launcher key is bound.
void AppendMenuKeyNames(HMENU menu, int launcherWindow);
