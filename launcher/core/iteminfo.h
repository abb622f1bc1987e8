// What a button's target is and how it looks: item types, the classification
// of a new target, the defaults of a new button and the button's icons.
#pragma once
#include <windows.h>
#include <shlobj.h>

struct ButtonInfo;

// Item types (low 16 bits of ButtonInfo::Type) beside those of store/items.h.
enum : UINT {
  IT_DERIVE = 0,     // not known yet: derived from the target
  IT_PROGRAM = 1,
  IT_DOCUMENT = 2,   // opened with its associated program; also shortcut files
  IT_URL = 4,
  IT_PLUGIN = 5,     // File is the plug-in's file name
  IT_PACKAGED = 7,   // File is an application user model id
  IT_TEMPLATE_TASKMGR = 0x8000,  // add-dialog templates
  IT_TEMPLATE_DEVMGMT = 0x8001,
  IT_TEMPLATE_DISKMGMT = 0x8002,
};

// Option bits (high 16 bits of Type) read here.
enum : UINT {
  ITEM_KEEP_ICONS = 0x40000000,  // icons survive a rebuild of all icons
};

// ClassifyItemTarget mode bits.
enum : int {
  CIT_DEFAULTS = 1,        // fill name, tip, directory, show state, priority, key
  CIT_ICONS = 2,           // load the icons
  CIT_RESOLVE = 4,         // shortcut files become their targets; read Internet shortcuts
  CIT_FOLDER_OPTIONS = 8,  // folder items take the option bits of FolderDefault
};

// KeyboardOption bit: a new button takes the first character of its name as its key.
const UINT KBO_KEY_FROM_NAME = 0x20;

// The item type of a target. Types above 4 and an empty file come back
// unchanged; file is unquoted and loses a trailing backslash in place. UNC
// paths are decided by their text alone.
UINT DeriveItemType(UINT type, wchar_t* file);

void ClassifyItemTarget(ButtonInfo* item, int mode);
void FillItemDefaults(ButtonInfo* item);
// Reloads the four icon handles of the button (two view modes, each with its overlay).
void GetItemIcon(ButtonInfo* item);
// Heap path of the file whose icons show the item, with its icon index; null
// when only the shell can tell. keep: return the expanded path instead of a copy of file.
wchar_t* ResolveIconSource(UINT type, const wchar_t* file, LPCITEMIDLIST shellItem, int* index,
                           int keep);
// Heap path of the system icon library for a built-in type, or null (index -1).
wchar_t* DefaultIconFor(UINT type, int* index);

// Key of section "InternetShortcut" of a .url file: heap string, empty when
// absent; null when out of memory.
wchar_t* ReadUrlFileKey(const wchar_t* file, const wchar_t* key);
