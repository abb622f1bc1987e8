// The records of an open sub-menu tree: one OpenMenu per level, one SmItem
// per entry, and the per-DPI fonts. Every level of a tree lives on the
// tree's private heap.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "render/design.h"

struct ButtonInfo;

// Menu kinds: 0 folder, 1..10000 child menu number + 1, then these.
enum : int { SMK_FOLDER = 0, SMK_HISTORY = 10001, SMK_NONE = 10002 };

// OpenMenu::State bits.
enum : LONG {
  SMS_IN_BUTTON = 0x1,     // a mouse-button message is being handled
  SMS_STOP = 0x2,          // the builder is to stop
  SMS_EMPTY_ONCE = 0x4,    // the build found nothing once already
  SMS_COMPUTER = 0x8,      // the folder is the Computer folder
  SMS_CURSOR_FIRST = 0x10,
  SMS_VSCROLL = 0x20,
  SMS_HSCROLL = 0x40,
  SMS_LEFTWARDS = 0x80,
  SMS_RIGHT_DOWN = 0x100,
  SMS_OPENING_CHILD = 0x200,
  SMS_SHOWN = 0x400,
  SMS_KEEP_ITEMS = 0x800,
  SMS_CLOSING = 0x1000,
  SMS_BUILDING = 0x2000,
  SMS_ICONS = 0x4000,
  SMS_RENAME_AFTER = 0x8000,
  SMS_DETACHED = 0x10000,  // the window is gone; the builder frees the level
};

// SmItem::Attributes: the shell's bits and these of our own.
enum : UINT {
  SMA_PLACEHOLDER = 0x1,
  SMA_DATA_READ = 0x2,
  SMA_ICON_LOADED = 0x4,
  SMA_SECOND = 0x8,
  SMA_SHELL_MASK = 0x20491000,  // folder, stream, hidden, link, system
};

struct SmItem {
  ButtonInfo* Button;
  void* Overlay;
  LPITEMIDLIST Pidl;  // relative to the menu's folder, owned
  wchar_t* Extension;
  FILETIME WriteTime, CreationTime, AccessTime;
  ULONGLONG Size;  // ~0 until read
  int ImageIndex;
  wchar_t* Name;
  HICON Icon;
  UINT Attributes;
  RECT Rect;  // inclusive; before layout right/bottom hold the measured size
  int Cascades;
  int Sequence;  // enumeration order, for ties of the sort
};

inline int IsFolderItem(const SmItem* it) {
  return (it->Attributes & SFGAO_FOLDER) && !(it->Attributes & SFGAO_STREAM);
}

struct SubMenuFontEntry {
  int Dpi;
  FontEntry Font;
  int Owned;
};

struct OpenMenu {
  int Kind;
  LPITEMIDLIST Folder;
  LPITEMIDLIST SecondFolder;
  int Level;
  volatile LONG State;
  UINT Bits;
  HWND Window;
  HANDLE Builder;
  SmItem** Items;
  int ItemCount;
  int EntryCount;
  int Rows, Columns;
  int ItemWidth, ItemHeight;
  int FirstVisible;
  int Hover, Pressed, OpenChild;
  wchar_t* OpenChildName;
  wchar_t* CursorName;
  int SelectionCount;
  int* Selection;
  RECT Anchor;
  RECT Scroll[2];
  int ScrollState[2];
  HWND Tooltip;
  HDC BackDc;
  HBITMAP BackBitmap;
  int Dpi;
  SubMenuFontEntry* Font;
  // The tree's option text, count limit and icon size, copied for the
  // builder (a later tree may rewrite the tree's own while it runs).
  wchar_t* OptionText;
  int CountLimit, IconSize;
  // The builder's finished items, adopted by the window thread at
  // WMA_WORKERDONE; never read by the window before that.
  SmItem** Built;
  int BuiltCount, BuiltEntries, BuiltWidth, BuiltHeight, BuiltFolders;
  int BuildResult;
};
