// The sub-menu option string: switches and name patterns carried by a
// child-menu or folder-menu button, parsed once per opened menu tree.
#pragma once
#include <windows.h>
#include <shlobj.h>

// SubMenuOptions::Bits.
enum : UINT {
  SMO_IN_CHILDREN = 0x1,   // the options also apply in cascaded levels
  SMO_HIDDEN = 0x2,
  SMO_NO_ICONS = 0x4,
  SMO_LARGE_ICONS = 0x8,
  SMO_EXCLUDE = 0x10,      // the patterns name entries to leave out
  SMO_FOLDERS_TOO = 0x20,  // the patterns also apply to folders
  SMO_FULL = 0x40,         // set per level: the full options apply here
  SMO_BY_NAME = 0x1000000,
  SMO_BY_SIZE = 0x2000000,
  SMO_BY_EXT = 0x4000000,
  SMO_BY_WRITE = 0x8000000,
  SMO_BY_CREATION = 0x10000000,
  SMO_BY_ACCESS = 0x20000000,
  SMO_REVERSE = 0x40000000,
  SMO_MIXED = 0x80000000,
  SMO_SORT_MASK = 0xFF000000,
  SMO_KEY_MASK = 0x3E000000,  // every key but the name
};

// Caller flags of OpenSubMenu.
enum : UINT {
  SMF_SEARCH_OWNER = 0x200,
  SMF_SHOW_HIDDEN = 0x1000,
};

// DispOption bits read by the sub-menus.
enum : UINT {
  DISP_BALLOON_TIPS = 0x40,
  DISP_TRAY_BUSY = 0x80,
  DISP_LARGE_MENU_ICONS = 0x200,
  DISP_MENU_TIPS = 0x400,
};
// Option1: folder-menu icons come after the level is shown.
const UINT OPT1_DEFERRED_MENU_ICONS = 0x800000;

// The [SubMenu] settings and display bits the parser falls back on.
struct SubMenuDefaults {
  int CountLimit, ItemWidth, Rows, Columns, IconSize, ScrollLines;
  UINT DispOption;
};

struct SubMenuOptions {
  const wchar_t* Text;  // the option string, or null
  int CountLimit;       // 0 = no limit
  int ItemWidth;        // 0 = as measured
  int Rows;             // 0 = as many as fit
  int Columns;
  int IconSize;
  int ScrollLines;
  UINT Bits;
  int Tooltips;
};

// Fills out from text (may be null) and the defaults; bits holds the bits
// the caller set before (hidden). With position non-null a "/p" switch
// replaces it.
void ParseSubMenuOptions(const wchar_t* text, const SubMenuDefaults& defaults, UINT bits, SubMenuOptions* out,
                         POINT* position);
// The defaults from the live settings.
SubMenuDefaults CurrentSubMenuDefaults();

// 1 when pattern covers the whole name ('*' any run, '?' any one
// character, the rest compared ignoring case). The pattern ends at a blank,
// a '/' or its terminator.
int MatchNamePattern(const wchar_t* pattern, const wchar_t* name);
// 1 when the option text holds a name pattern (a word that is no switch).
int OptionTextHasPatterns(const wchar_t* text);
// The patterns of the option text against one name: 1 show, 0 leave out.
int MatchOptionText(const wchar_t* text, const wchar_t* name, UINT bits, int isFolder);
// As above, with the name taken from the entry's file-system path when it
// has one (absolute ID list or null).
int MatchOptionPatterns(LPCITEMIDLIST pidl, const wchar_t* name, const wchar_t* text, UINT bits, int isFolder);
