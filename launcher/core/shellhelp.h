// Small wrappers around the Windows shell shared by the launch road, item
// information, drops and menus: item identifier lists in the shell
// allocator, opening shell items and special folders, the shell context
// menu, starting a program through the desktop shell, and shortcut files.
// Every helper answers 0, null or a failing HRESULT when the shell
// allocator or the desktop folder is missing.
#pragma once
#include <windows.h>
#include <shlobj.h>

struct ButtonInfo;

// Size of a list in bytes including its 2-byte terminator; 0 for null.
UINT PidlSize(LPCITEMIDLIST list);
// Lists made here come from the shell allocator; free them with this.
void FreePidl(LPITEMIDLIST list);

// "X:" is taken as "X:\"; an unreachable path fails without asking the shell.
int ParsePathToPidl(const wchar_t* path, LPITEMIDLIST* out);
LPITEMIDLIST ClonePidl(LPCITEMIDLIST list);
// *parent := a copy without the last item (the empty list for a one-item
// list); the result points at the last item inside list. Null for an
// empty or null list.
LPCITEMIDLIST SplitPidl(LPCITEMIDLIST list, LPITEMIDLIST* parent);
// A new list: a followed by b. Always a new list, also when b is null.
LPITEMIDLIST CombinePidl(LPCITEMIDLIST a, LPCITEMIDLIST b);
int IsSpecialFolderPidl(LPCITEMIDLIST list, int csidl);
// The same place under the other Start Menu (all users <-> own), or null.
LPITEMIDLIST MapStartMenuPath(LPCITEMIDLIST list);

// show: low 16 bits the ShowWindow value, 0 = do not open; bit 0x40000
// opens a folder with the tree ("explore"). text (MAX_PATH characters) with
// index: the icon location and its index (index holds the wanted icon size
// on entry for *icon); text without index: the display name. Result: 1 when
// the item is a folder.
const UINT kShellOpenExplore = 0x40000;
int ShellOpenItem(LPCITEMIDLIST list, UINT show, wchar_t* text, int* index, HICON* icon);
int OpenSpecialFolder(UINT csidl, UINT show, wchar_t* text, int* index, HICON* icon);

// Verb codes of ShellContextMenu.
enum : int {
  SCM_NONE = 0,
  SCM_OPEN = 1,
  SCM_RUNAS = 2,
  SCM_DELETE = 3,
  SCM_PASTE = 6,
  SCM_UNDELETE = 7,
  SCM_PROPERTIES = 8,
};
// Only one menu at a time: a call while one is shown answers 0 at once.
int ShellContextMenu(LPCITEMIDLIST parent, LPCITEMIDLIST* children, int count, HWND owner, POINT pt);
void ShowItemContextMenu(ButtonInfo* button, HWND owner, POINT pt);
// The launcher window passes menu messages to an open shell context menu
// (owner-drawn "Send to" and "Open with" entries); 1 when it took one.
int ForwardShellMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

// Name of a new shortcut for target in folder: "name.lnk", then
// "name (2).lnk" up to "name (9999).lnk"; exists decides which are taken.
// 0 when every name is taken or the name does not fit.
int PickShortcutName(const wchar_t* folder, const wchar_t* target, int (*exists)(const wchar_t* path),
                     wchar_t* out, int outChars);
// Creates the shortcut; never overwrites an existing file.
int CreateShortcutFile(const wchar_t* folder, const wchar_t* target);
