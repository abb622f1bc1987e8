// The sub-menu windows: menu trees opened from the launcher (child menus,
// folders, the history, the last menu, the clipboard folder), their levels
// and cascades, closing from the top down, and a read-only view of the open
// levels. Everything here runs on the launcher's thread; OpenSubMenu may
// be called from launch threads and hands the request over.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

struct ButtonInfo;

// Menu types of OpenSubMenu besides a folder path (3) and a shell item (6).
enum : UINT {
  SMT_CHILDMENU = 16,
  SMT_CLIPBOARD = 0x4066,
  SMT_HISTORY = 0x4069,
  SMT_LAST = 0x406A,
  SMT_SPECIAL = 0x2000,   // with a CSIDL in the low byte
  SMT_LAST_CHILD = 0x10000,
  SMT_LAST_FOLDER = 0x20000,
};

// type: a menu type; source: child-menu number + 1, a path, or an ID list
// (copied); flags: caller flags (SMF_*) among the launch flags. Nonzero
// when the root level was created.
int OpenSubMenu(UINT type, INT_PTR source, const wchar_t* options, POINT pt, UINT flags);
// One level: kind, folder (copied), second folder (taken over), owner,
// anchor, cursor name (copied; (wchar_t*)-1 puts the cursor on the first
// item). 1 when the window and its builder were made.
int CreateSubMenuWindow(int kind, LPCITEMIDLIST folder, LPITEMIDLIST second, HWND owner, RECT anchor,
                        const wchar_t* cursorName);
// Closes the levels from the top down to level. The second argument is
// force: a level whose builder does not stop within 100 ms is hidden and
// left to its builder (force), or keeps the tree open (0: answer 0, the
// caller asks again). Closing from level 0 records the last menu.
int CloseSubMenus(int level, int force);
int ShowSubMenuWindow(int level, int keep);
int IsSubMenuTreeOpen();
// Opens the child menu or folder of a button that lies in an open child
// menu beside its item, else as a new tree at the cursor.
void OpenButtonInSubMenu(ButtonInfo* item);
LRESULT CALLBACK SubMenuWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Fills the launcher's outlets with the sub-menu entry points and makes
// the helper window that takes requests from other threads (start-up, on
// the launcher's thread).
void BindSubMenuOutlets(HINSTANCE instance);
// Closes every level at exit, whatever the builders do.
void ShutdownSubMenus();

// The text of the clipboard turned into one folder path: blanks for tabs,
// line ends and quotes, trimmed; at most outChars - 1 characters.
void CleanClipboardPath(const wchar_t* text, size_t textChars, wchar_t* out, int outChars);
int ClipboardFolderPidl(LPITEMIDLIST* out, UINT type, UINT flags);

// A copy of the open levels, for tests and tools.
struct SmLevelView {
  int Kind;
  HWND Window;
  int Rows, Columns, FirstVisible, Hover;
  int Building;  // the builder still runs or its items were not adopted
  RECT Rect;     // window rectangle on the screen
  std::vector<std::wstring> Names;
  std::vector<RECT> ItemRects;
  LONG State;
};
std::vector<SmLevelView> SnapshotSubMenus();
// Number of builder threads still running (also of levels already closed).
int RunningSubMenuBuilders();
