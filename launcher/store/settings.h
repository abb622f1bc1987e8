// Vantrel.ini: every setting and the whole item store. ReadSettings loads it
// at start-up, WriteSettings rewrites all of it, SavePages only the page and
// child-menu sections at its end. Writes go to a temporary file that replaces
// the old one only when complete.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include "store/ini.h"

const int kLauncherKeyCount = 80;  // [Keyboard] Page000.. Button000.. General000.. Menu000..
const int kClickCodes = 25;
const int kEdgeTypes = 8;
// Caps for counts read from the file where the format itself sets none.
const int kMaxFileCount = 1024;

// WriteSettings flags.
enum : UINT {
  WS_SETTINGS_ONLY = 0x4,  // leave the design out
  WS_QUIET = 0x100,        // report failures by the result alone (automatic backup)
};

// [Suppression] Target%03u: per-application suspend bits (hook data kind 4).
struct SuppressTarget {
  int Flags;
  wchar_t Caption[1024];
  wchar_t Class[1024];
  wchar_t Exe[260];
};

// [Mouse]: launcher command + 1 per click code; row Menu holds the sub-menus'.
struct ClickActionTable {
  int Button[kClickCodes];
  int Caption[kClickCodes];
  int TrayIcon[kClickCodes];
  int Menu[kClickCodes];
};

struct EdgeRange {  // [Edge] Range<t>1, Range<t>2 of edge type t
  int cx;
  int cy;
};

// [General] Status bits.
enum : UINT {
  STATUS_VIEWMODE2 = 0x1,  // the second view mode is shown
  STATUS_PINNED = 0x2,
  STATUS_RESTRICTED = 0x4,
  STATUS_SEARCH = 0x8,
};

// [General] Option1 bits read here.
enum : UINT {
  OPT1_AUTO_BACKUP = 0x1,
  OPT1_KEEP_PINNED = 0x8,
  OPT1_KEEP_RESTRICTED = 0x10,
};

// [General] DispOption bits.
enum : UINT {
  DISP_SEPARATE_VIEWMODES = 0x2000,  // own design and button positions per view mode
};

// The settings of Vantrel.ini outside the item store and its reference
// tables, named by their keys. [General] Language is g_App.LangFile.
struct SettingsState {
  // [General], in file order. Option1 to Restraint must stay one run of
  // eleven 32-bit words: the hook library takes them by address.
  UINT Version;
  int LastPage;
  int LastPosX, LastPosY;
  UINT Status;
  UINT Option1;
  UINT KeyboardOption;
  UINT DispOption;
  UINT DispPosition;
  int ShowPosX, ShowPosY;
  UINT StandbyPosition;
  int StandbyPosX, StandbyPosY;
  int TipsWidth;
  UINT Restraint;
  UINT DragOption;
  UINT Priority;
  int Alpha;
  UINT FolderDefault;
  int BackupCycle;
  UINT LastBackup;
  wchar_t* BackupFile;
  int PressHoldG, PressHoldB;
  int ShowDelay;
  int HideDelay;
  int EdgeBootDelay;
  int PageDelay;
  int HotkeyTimeout;
  int TipsDelay;
  int AutoMenuDelay;
  int DragMenuDelay;
  wchar_t* Caption;
  wchar_t* TrayIconFile;
  wchar_t* FilerPath;
  wchar_t* FilerParam;

  struct {
    wchar_t* LastWord;
    int DPI;
  } Search;

  struct {
    UINT Flag;
    int DelayTime;
  } Unhook;

  SuppressTarget* Targets;  // process heap
  int TargetCount;

  struct {
    int CountLimit;
    int ItemWidth;
    int Rows;
    int Columns;
    int ScrollLines;
    int IconSize;
    int ScrollWait;
    int ScrollInterval;
    int KeySelTimeout;
    int LastMenuType;
    UINT LastSubMenu;
    wchar_t* LastOptionS;
    LPITEMIDLIST LastFolder;  // shell allocator
    wchar_t* LastOptionF;
  } SubMenu;

  WORD Keyboard[kLauncherKeyCount];  // HotKeyCode per launcher-key slot

  ClickActionTable Mouse;
  int EmptyTrash;
  int ForceShutdown;

  EdgeRange EdgeMargins[kEdgeTypes];

  // [Plugins] file names in list order (process heap strings).
  wchar_t** Plugins;
  int PluginCount;

  // Settings changed since the last successful write to the data folder.
  int PendingSave;
};

// A setting changed: save it later, once the launcher has been shown.
void MarkSettingsChanged();

int ReadSettings();
int WriteSettings(const wchar_t* path, UINT flags);
int SavePages(IniFile* file);

// The values the settings hold before any file is read (also what a first
// run keeps); frees what the settings owned.
void ResetSettings();
// The four corner edge types get a margin of at least one pixel each way,
// as reading the file gives them.
void RaiseCornerMargins();
// Hands the item store the settings it keeps a copy of (Option1, the
// child-menu icon size).
void SyncStoreSettings();
// Frees every page and child menu with their buttons; the reference tables stay.
void ClearItemLists();
// Appends a plug-in file name unless it is listed already (load is left to
// the plug-in host).
int AddPluginName(const wchar_t* name);
