// Launcher commands: the 48 numbered actions that click actions, launcher
// keys, hot keys and mouse triggers are bound to (stored as command + 1).
#pragma once
#include <windows.h>

struct ButtonInfo;

enum : int {
  LC_PREV_PAGE = 0,
  LC_NEXT_PAGE = 1,
  LC_FIRST_PAGE = 2,
  LC_LAST_PAGE = 3,
  LC_PAGE1 = 4,
  LC_PAGE10 = 13,
  LC_LEFT = 14,
  LC_UP = 15,
  LC_RIGHT = 16,
  LC_DOWN = 17,
  LC_HOME = 18,
  LC_END = 19,
  LC_ROW_BACK = 20,
  LC_ROW_FORWARD = 21,
  LC_COLUMN_BACK = 22,
  LC_COLUMN_FORWARD = 23,
  LC_PRESS = 24,         // no command; as a key it presses the current button
  LC_FIRST_BUTTON_CMD = 24,
  LC_LOCK = 25,
  LC_LAUNCH = 26,
  LC_SHELL_MENU = 36,
  LC_BUTTON_MENU = 37,
  LC_LAST_BUTTON_CMD = 37,
  LC_HIDE = 38,
  LC_VIEW_MODE = 42,
  LC_WINDOW_MENU = 46,
  LC_EXIT = 47,
  kLauncherCommands = 48,
};

// Command flags.
enum : int {
  CF_MOUSE = 0x80,     // from a mouse click or trigger
  CF_REPEAT = 0x100,   // repeatable (wheel, tilt, X buttons)
};

// KeyboardOption bits of the cursor commands.
enum : UINT {
  KBO_CURSOR_SCROLL = 0x8,   // at an edge: scroll, then wrap
  KBO_CURSOR_WRAP = 0x10,    // stay within the visible cells and wrap
};

// Option1: wrap from the last page to the first and back.
const UINT OPT1_WRAP_PAGES = 0x4;

// Calls into neighbours that tests replace; an empty entry is skipped.
struct InputOutlets {
  void (*LaunchItem)(ButtonInfo* item, int flags, POINT* where);
  // Index of the tab (kind 1) or grid cell (kind 2) under a screen point
  // (null: the cursor), or -1.
  int (*GetItemFromPoint)(POINT* screen, int kind, int pixelTest);
  // Screen point in the tab area (flags 2) or the button area (flags 4).
  int (*IsPointInItemArea)(POINT screen, int flags);
  // Sizing code under the cursor (1..8 borders, 9 none) and its cursor.
  int (*HitTestSizing)(HCURSOR* cursor);
  // A caption button's skin slot (9 close, 12 pin, 16 mode, 20 search)
  // visible under the client point.
  int (*HitTestSkinPart)(int slot, int x, int y);
  // A grid cell's rectangle in client coordinates; 0 when there is none.
  int (*GetCellRect)(int cell, RECT* client);
  void (*SetHoverButton)(int cell);
  void (*SetHoverTab)(int tab);
  int (*ApplyDesign)();
  // The sub-menu windows: closes those above level; 1 when all are closed.
  int (*CloseSubMenus)(int level, int reason);
  void (*ShowHelpTopic)();
};
extern InputOutlets g_InputOutlets;

// Screen rectangle of the grid cell that shows button; 0 when the window
// is hidden or the button is not on the shown grid.
int GetButtonScreenRect(ButtonInfo* button, RECT* r);

// Fills the outlets above, the tray's, the menu entry points, the ticker's
// and the store's hover and tooltip calls with the neighbours that exist
// (start-up).
void BindInputOutlets();

// 1 when the command was accepted (also when it changed nothing), 0 refused.
int PerformLauncherCommand(int command, int flags);

// Makes a page current (LastPage); with refresh the grid is rebuilt and
// the window repainted. Pages outside the store are ignored.
void SelectPage(int page, int refresh);

// Page a page command (0..13) goes to, or -1 when it goes nowhere.
int ComputeTargetPage(int command, int current, int pageCount, int wrap);

// Menu command a launcher command stands for, 0 for none.
int LauncherCommandMenuId(int command, int viewMode2);

// The current cell over the visible grid and the page's scroll position.
struct GridCursor {
  int Columns, Rows;            // visible cells
  int TotalColumns, TotalRows;  // extent of the page's content
  int ScrollRow, ScrollColumn;
  int Cell;                     // -1 none
};
// Result bits of MoveGridCursor.
enum : int { GC_CELL = 1, GC_SCROLL = 2 };
// Moves the cursor by a command 14..23; returns what changed.
int MoveGridCursor(GridCursor* g, int command, UINT keyboardOption);
