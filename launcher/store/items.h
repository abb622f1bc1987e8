// The item store: pages, child menus and the buttons in both, with their
// limits. Owned and changed by the UI thread only; other threads fetch a
// button again by list and index (GetItem) before every use.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <vector>

#include "render/design.h"
#include "store/settings.h"

// List numbers: a page number, or LIST_SUBMENU | n for child menu n.
enum : int {
  LIST_SUBMENU = 0x8000,
  LIST_PLACEHOLDER = 0xFFFE,  // a reference on its way to another place
  LIST_NONE = 0xFFFF,
};

const int kMaxPages = 100;
const int kMaxListButtons = 1000;
const int kMaxSubMenus = 10000;
const int kMaxHotKeys = 1024;
const int kMouseActions = 100;
const int kMousePlaces = 12;
const int kEdgeCount = 16;
const int kEventLists = 4;
const int kMaxHistory = 100;

// Item types (low 16 bits of ButtonInfo::Type) the store itself looks at.
enum : UINT {
  IT_FOLDER = 3,
  IT_SHELLITEM = 6,
  IT_CHILDMENU = 16,
  IT_POWER = 0x1000,          // bit of the power commands
  IT_FOLDERLIKE = 0x2000,     // bit of folder-like types
  IT_RECYCLEBIN = 0x200A,
  IT_BUILTIN = 0x4000,        // bit of the built-in commands
  IT_HISTORY = 0x4069,
};
// High bits of ButtonInfo::Type.
enum : UINT {
  ITEM_SHOW_NEWEST = 0x10000,  // history button shows its newest entry
  ITEM_LOCKED = 0x80000000,    // shown in its own cell on every page
};
inline UINT ItemTypeOf(UINT type) { return type & 0xFFFF; }

// Option1 bits the store reads.
enum : UINT {
  OPT1_RELATIVE_PATHS = 0x100,
  OPT1_PROPERTIES_AFTER_ADD = 0x200,
  OPT1_CLOSE_GAPS = 0x400,
};
// ViewModeDesign Flag bit: the view mode runs down columns instead of rows.
const UINT VMF_VERTICAL = 0x200;

// RepaintMainWindow parts.
enum : UINT {
  RP_FRAME = 1,
  RP_TABS = 2,
  RP_BUTTONS = 4,
  RP_PUSH = 0x80000000,
};

struct ItemPos {
  int PosX;  // column
  int PosY;  // row
};

struct OverlaySetting {
  int Size;
  int BasePos;
  int OffsetX;
  int OffsetY;
  HICON Icon;
};

// One entry of an event list or of a button's chained launches.
struct EventEntry {
  int List;
  int Index;
  int Delay;  // ms
  int Flags;  // launch flags
};

struct TargetWindowCondition {
  wchar_t Title[1024];
  wchar_t Class[1024];
};

struct ButtonInfo {
  int List;
  int Index;  // always its slot in the list's table
  UINT Type;
  wchar_t* Name;
  wchar_t* File;
  wchar_t* Parameter;
  wchar_t* Directory;  // child-menu buttons: the child-menu option string
  wchar_t* Tip;
  int WindowStat;
  WORD Keyboard;  // button shortcut; set when the low 12 bits are nonzero
  int Flag;
  ItemPos Position[2];  // per view mode
  LPITEMIDLIST ShellItem;  // shell allocator
  int SubMenuIdx;          // child-menu buttons: the child menu they own
  wchar_t* RehookTrigger;
  wchar_t* IconFile;
  int IconIndex;
  HICON Icon[2];
  wchar_t* OverlayIcon;
  int OverlayIdx;
  OverlaySetting Overlay[2];
  // Icon cache images not yet made into icons, for Icon[0], Icon[1],
  // Overlay[0].Icon and Overlay[1].Icon: offsets into the store's
  // IconImages of generation CachedIconSet, 0 for none. Only a slot whose
  // icon is null uses its image.
  DWORD CachedIcon[4];
  DWORD CachedIconSet;
  int ChainBootCount;
  EventEntry* ChainBoot;
  wchar_t* TargetProgram;
  int TargetWindowCount;
  TargetWindowCondition* TargetWindows;
  int WatchState;
  std::vector<int>* PluginInts;
  std::vector<wchar_t*>* PluginStrs;
};

// ButtonInfo followed by AddButton's control word.
enum : int {
  NBT_WITH_DIALOG = 1,
  NBT_CLASSIFY_MASK = 6,
  NBT_KEEP_FIELDS = 8,
  NBT_KEEP_SUBMENU = 0x10,
};
struct NewButtonTemplate {
  ButtonInfo Button;
  int Control;
};

struct PageInfo {
  int Count;
  wchar_t* Name;
  int ScrollStat[4];  // row offset vm 0, vm 1; column offset vm 0, vm 1
  int Flag;           // bit 0: scroll reset when the page becomes current
  PageDesign Design;
};

struct SubMenuInfo {
  int Page;    // list of the owning button
  int Button;  // index of the owning button
  int Count;
};

struct HistoryEntry {
  int Ref;  // ItemRef; 0 ends the list
  int Option;
};

struct GridCell {
  int Row;
  int Column;
  ButtonInfo* Button;
};

struct EventList {
  int Count;
  EventEntry* Entries;
};

struct MouseTarget {
  int List;  // LIST_NONE: show the launcher, Index = page (LIST_NONE = last page)
  int Index;
};

struct CircleGestureSettings {
  int Enable;
  int RequiredSteps;
  int MaxJump;
  int MinTravel;
  int Page;    // list; LIST_NONE: show the launcher with page Button
  int Button;
};

struct HotKeyEntry {
  int Code;  // HotKeyCode in the low 16 bits
  int List;
  int Index;
};

// Rows 0..Count: row 0 is the launcher's own show key (List = page to show).
struct HotKeyTable {
  int Count;
  HotKeyEntry* Rows;
};

// Every stored reference to a button or list outside the item tables; the
// store keeps them right when buttons and lists move or go away. The settings
// reader fills them.
struct References {
  HistoryEntry* History;  // MaxMemories entries, newest first; null when 0
  int MaxMemories;
  UINT HistoryFlag;
  int* Excluded;  // ItemRef values kept out of the history
  int ExcludedCount;
  EventList AutoBoot[kEventLists];  // start-up, exit, suspend, resume
  UINT MousePlaceMask[kMouseActions];
  MouseTarget MouseTargets[kMouseActions][kMousePlaces];
  UINT EdgeAssignment[kEdgeCount];  // ItemRef, or 0xFFFF0000 | page
  CircleGestureSettings Circle[2];
  HotKeyTable HotKeys;
};

// Settings the store reads besides Status, DispOption and the view-mode
// designs; filled by the settings reader.
struct StoreSettings {
  UINT Option1;
  int SubMenuIconSize;  // [SubMenu] IconSize
};

struct AssignmentSnapshot;

// The icon cache file as last read, kept while buttons make their icons
// from it on first use.
struct CachedIconImages {
  BYTE* Data;  // process heap
  DWORD Size;
  DWORD Generation;  // never 0 while Data is set
};

// The button makes no icon from the cache any more.
inline void DropCachedIcons(ButtonInfo* b) {
  for (DWORD& at : b->CachedIcon) at = 0;
  b->CachedIconSet = 0;
}

struct ItemStore {
  PageInfo* Pages;
  ButtonInfo*** PageButtons;  // one table per page
  int PageCount;
  int CurrentPage;
  int DragPage = -1;  // page being dragged along the tabs

  SubMenuInfo* SubMenus;
  ButtonInfo*** SubMenuButtons;  // one table per child menu
  int SubMenuCount;

  ButtonInfo** Locked;  // locked buttons of all pages, page then index order
  int LockedCount;
  int LockedCap;

  ButtonInfo* LastLaunched;

  GridCell* Grid;
  int GridCells;
  int GridColumns;
  int GridRows;
  int GridMaxColumn;
  int GridMaxRow;
  int PressedCell = -1;
  int HoverCell = -1;

  AssignmentSnapshot* Snapshot;
  References Refs;
  StoreSettings Set;
  CachedIconImages IconImages;
};

// Store allocations (process heap, zero-filled); null on failure.
void* StoreAlloc(size_t bytes);
// Fault injection for tests: nonzero makes the next store allocation fail.
// Always empty in the program.
extern int (*g_StoreFailAllocation)();
void* StoreReAlloc(void* block, size_t bytes);
void StoreFree(void* block);
wchar_t* StoreDupString(const wchar_t* text);

// A string of the language library, else of the program; 0 when missing.
int LoadStoreString(int id, wchar_t* buffer, int size);

// Current view mode and its position slot for position operations.
int CurrentViewMode();
int PositionViewMode(int viewMode);  // -1 = current
bool PositionsPerViewMode();
bool ViewModeVertical(int viewMode);

// List tables: the button table and count of a list, or null.
ButtonInfo** ListTable(int list, int* count);
bool ListExists(int list);

// Accessors.
ButtonInfo* GetItem(int list, int index);
int GetItemCount(int list);
const wchar_t* GetListOwnerName(int list);
int FindItemByHotkey(int key, int list, int skipIndex);

// Storage.
int ResizeButtonTable(int list, int n);

// Buttons. "refs changed" results are 1 when a reference outside the page
// sections changed: the caller then writes the whole settings file.
ButtonInfo* AddButton(NewButtonTemplate* tmpl, int list);
ButtonInfo* AddButtonWithDialog(int list, int cell, int withDialog);
void SetOtherViewModePosition(ButtonInfo* button);
int CopyButton(ButtonInfo* source, int list, int cell, int flags, ItemPos* pos);
int MoveOrCopyButton(int srcList, int srcIndex, ButtonInfo* source, int dstList, int dstIndex,
                     ButtonInfo* target, int flags, ItemPos* pos);
int MoveSubMenuButton(int list, int from, int to, int flags);
int ReleaseButton(int list, int index, int keepSlots, int cascade);
int DeleteButton(ButtonInfo* button, int page, int cell, int flags);
int SortList(int list, int ascending);
// Menu commands 40015 (relative) and 40016 (absolute): every button's paths.
void ConvertAllItemPaths(int toRelative);
bool IsInSubMenuTree(int list, int subMenu);

// Drops a button whose references are already gone (no index shifting).
void DiscardButton(ButtonInfo* button);

// Frees a released record's owned data and the record (or hands it to the
// process watch, which destroys it once no entry names it).
void FreeButtonRecord(ButtonInfo* button);
// Frees the owned data and the record at once.
void DestroyButtonRecord(ButtonInfo* button);
