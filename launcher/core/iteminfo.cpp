#include "core/iteminfo.h"

#include <shellapi.h>
#include <shlwapi.h>
#include <string.h>
#include <wctype.h>

#include "core/shortcut.h"
#include "state.h"
#include "render/icons.h"
#include "store/items.h"
#include "store/paths.h"

static HANDLE Heap() { return GetProcessHeap(); }

static void FreeText(wchar_t** text) {
  if (*text) HeapFree(Heap(), 0, *text);
  *text = nullptr;
}

static wchar_t* CopyText(const wchar_t* text) {
  if (!text) return nullptr;
  size_t n = wcslen(text);
  wchar_t* copy = (wchar_t*)HeapAlloc(Heap(), HEAP_ZERO_MEMORY, (n + 1) * sizeof(wchar_t));
  if (copy) memcpy(copy, text, n * sizeof(wchar_t));
  return copy;
}

static void SetText(wchar_t** field, const wchar_t* text) {
  wchar_t* copy = CopyText(text);
  if (!copy && text) return;  // out of memory: the old value stays
  FreeText(field);
  *field = copy;
}

static void ReplaceText(wchar_t** field, wchar_t* owned) {
  FreeText(field);
  *field = owned;
}

// "<system folder>\name" as a heap string.
static wchar_t* SystemFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  if (!n || n >= MAX_PATH) return nullptr;
  size_t len = n + 1 + wcslen(name);
  wchar_t* path = (wchar_t*)HeapAlloc(Heap(), HEAP_ZERO_MEMORY, (len + 1) * sizeof(wchar_t));
  if (!path) return nullptr;
  wcscpy(path, folder);
  if (name[0]) {
    wcscat(path, L"\\");
    wcscat(path, name);
  }
  return path;
}

static void Unquote(wchar_t* text) {
  if (text) PathUnquoteSpacesW(text);
}

static int HasText(const wchar_t* text) { return text && *text; }

static int IsDirectory(const wchar_t* path) {
  DWORD a = GetFileAttributesW(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// ---------------------------------------------------------------------------
// Classification

UINT DeriveItemType(UINT type, wchar_t* file) {
  if (type > IT_URL || !HasText(file)) return type;
  if (PathIsURLW(file)) return IT_URL;
  Unquote(file);
  size_t len = wcslen(file);
  if (len > 1 && file[len - 1] == L'\\' && !IsRootPath(file)) file[len - 1] = 0;
  wchar_t* path = ExpandFullPath(file);
  if (!path) return IT_DOCUMENT;
  UINT result;
  const wchar_t* ext = PathFindExtensionW(path);
  if (IsRootPath(path) || PathIsUNCServerW(path)) {
    result = IT_FOLDER;
  } else if (PathIsUNCW(path)) {
    // Never touch the network while classifying: the text decides.
    result = *ext ? (IsExecutableExtension(ext) ? IT_PROGRAM : IT_DOCUMENT) : (UINT)IT_FOLDER;
  } else if (IsDirectory(path)) {
    result = IT_FOLDER;
  } else {
    result = IsExecutableExtension(ext) ? IT_PROGRAM : IT_DOCUMENT;
  }
  HeapFree(Heap(), 0, path);
  return result;
}

static const struct {
  UINT Type;
  const wchar_t* File;
  UINT NewType;
  int IconIndex;  // -1: the program's own icon
} kTemplates[] = {
    {IT_TEMPLATE_TASKMGR, L"taskmgr.exe", IT_PROGRAM, -1},
    {IT_TEMPLATE_DEVMGMT, L"devmgmt.msc", IT_DOCUMENT, 12},
    {IT_TEMPLATE_DISKMGMT, L"diskmgmt.msc", IT_DOCUMENT, 79},
};

// The file name of a path without its extension, as a heap string.
static wchar_t* BaseName(const wchar_t* path) {
  wchar_t* name = CopyText(PathFindFileNameW(path));
  if (name) PathRemoveExtensionW(name);
  return name;
}

static int IsLauncherKey(WORD key) {
  for (WORD k : g_App.Settings.Keyboard)
    if (k == key) return 1;
  return 0;
}

void FillItemDefaults(ButtonInfo* item) {
  if (!item) return;
  UINT type = ItemTypeOf(item->Type);
  UINT high = item->Type & 0xFFFF0000u;
  if (type != IT_PLUGIN) {
    item->WindowStat = 1;
    item->Flag = 0x20;  // NORMAL_PRIORITY_CLASS
  }
  const wchar_t* file = item->File ? item->File : L"";
  if (type == IT_FOLDER) {
    ReplaceText(&item->Name, CopyText(IsRootPath(file) ? file : PathFindFileNameW(file)));
    SetText(&item->Tip, file);
  } else if (type == IT_URL) {
    SetText(&item->Name, file);
    SetText(&item->Tip, file);
  } else if (type == IT_PROGRAM || type == IT_DOCUMENT) {
    ReplaceText(&item->Name, BaseName(file));
    SetText(&item->Tip, item->Name);
    ReplaceText(&item->Directory, GetParentFolder(file));
  } else {
    SetText(&item->Tip, item->Name);
    for (const auto& t : kTemplates) {
      if (t.Type != type) continue;
      ReplaceText(&item->Directory, SystemFile(L""));
      ReplaceText(&item->File, SystemFile(t.File));
      if (t.IconIndex >= 0) {
        ReplaceText(&item->IconFile, SystemFile(L"shell32.dll"));
        item->IconIndex = t.IconIndex;
      }
      item->Type = high | t.NewType;
    }
  }

  if (!item->Keyboard && (g_App.Settings.KeyboardOption & KBO_KEY_FROM_NAME) && item->Name) {
    wchar_t c = item->Name[0];
    if ((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'))
      item->Keyboard = (WORD)towupper(c);
  }
  WORD key = item->Keyboard;
  if ((key & 0xFFF) && (IsLauncherKey(key) || FindItemByHotkey(key, item->List, item->Index) >= 0))
    item->Keyboard = 0;
}

static void FreeCopy(ButtonInfo* c) {
  wchar_t** texts[] = {&c->File, &c->Parameter, &c->Directory, &c->Tip, &c->IconFile};
  for (wchar_t** t : texts) FreeText(t);
  for (int k = 0; k < 2; k++) {
    if (c->Icon[k]) DestroyIcon(c->Icon[k]);
    if (c->Overlay[k].Icon) DestroyIcon(c->Overlay[k].Icon);
  }
}

static void TakeText(wchar_t** field, wchar_t** from) {
  if (!*from) return;
  FreeText(field);
  *field = *from;
  *from = nullptr;
}

static void DestroyItemIcons(ButtonInfo* b) {
  for (int k = 0; k < 2; k++) {
    if (b->Icon[k]) DestroyIcon(b->Icon[k]);
    if (b->Overlay[k].Icon) DestroyIcon(b->Overlay[k].Icon);
    b->Icon[k] = b->Overlay[k].Icon = nullptr;
  }
  DropCachedIcons(b);
}

static void MoveIcons(ButtonInfo* to, ButtonInfo* from) {
  DestroyItemIcons(to);
  for (int k = 0; k < 2; k++) {
    to->Icon[k] = from->Icon[k];
    to->Overlay[k].Icon = from->Overlay[k].Icon;
    from->Icon[k] = from->Overlay[k].Icon = nullptr;
  }
}

// Reads a .lnk into the button. Returns the mode, changed as the shortcut asks.
static int ResolveShortcutItem(ButtonInfo* item, int mode) {
  ShortcutInfo link;
  if (!ReadShortcut(item->File, &link)) return mode;
  ButtonInfo copy = {};
  copy.List = item->List;
  copy.Index = item->Index;
  copy.Overlay[0] = item->Overlay[0];
  copy.Overlay[1] = item->Overlay[1];
  copy.Overlay[0].Icon = copy.Overlay[1].Icon = nullptr;
  copy.OverlayIcon = item->OverlayIcon;  // borrowed for the icon load only
  copy.OverlayIdx = item->OverlayIdx;
  copy.File = link.Target;
  link.Target = nullptr;
  copy.Type = DeriveItemType(IT_DERIVE, copy.File);
  copy.Parameter = link.Arguments;
  link.Arguments = nullptr;
  bool folder = copy.Type == IT_FOLDER;
  if (!folder) {
    if (link.WorkingDirectory) {
      Unquote(link.WorkingDirectory);
      copy.Directory = link.WorkingDirectory;
      link.WorkingDirectory = nullptr;
    } else {
      copy.Directory = GetParentFolder(copy.File);
    }
  }
  copy.Tip = link.Comment;
  link.Comment = nullptr;
  if (link.IconLocation) {
    Unquote(link.IconLocation);
    copy.IconFile = link.IconLocation;
    link.IconLocation = nullptr;
    copy.IconIndex = link.IconIndex;
  }
  copy.WindowStat = link.ShowCmd;
  copy.Keyboard = link.HotKey;
  FreeShortcutInfo(&link);

  if (folder) mode |= CIT_RESOLVE;
  bool icons = (mode & CIT_ICONS) != 0;
  if (icons) {
    GetItemIcon(&copy);
    mode &= ~CIT_ICONS;
  }
  if (mode & CIT_RESOLVE) {
    item->Type = (item->Type & 0xFFFF0000u) | copy.Type;
    TakeText(&item->File, &copy.File);
    FreeText(&item->Parameter);
    TakeText(&item->Parameter, &copy.Parameter);
    if (folder) FreeText(&item->Directory);
    TakeText(&item->Directory, &copy.Directory);
    TakeText(&item->Tip, &copy.Tip);
    if (copy.IconFile) {
      TakeText(&item->IconFile, &copy.IconFile);
      item->IconIndex = copy.IconIndex;
    }
    if (copy.WindowStat) item->WindowStat = copy.WindowStat;
    if (copy.Keyboard) item->Keyboard = copy.Keyboard;
  }
  // Icons not asked for stay as they are.
  if (icons) MoveIcons(item, &copy);
  copy.OverlayIcon = nullptr;
  FreeCopy(&copy);
  return mode;
}

static void ReadInternetShortcut(ButtonInfo* item) {
  wchar_t* url = ReadUrlFileKey(item->File, L"URL");
  if (!url) return;
  if (!*url) {
    HeapFree(Heap(), 0, url);
    return;
  }
  wchar_t* iconFile = ReadUrlFileKey(item->File, L"IconFile");
  int iconIndex = GetPrivateProfileIntW(L"InternetShortcut", L"IconIndex", 0, item->File);
  UINT hotKey = GetPrivateProfileIntW(L"InternetShortcut", L"HotKey", 0, item->File);
  ReplaceText(&item->File, url);
  if (HasText(iconFile)) {
    Unquote(iconFile);
    ReplaceText(&item->IconFile, iconFile);
    iconFile = nullptr;
    item->IconIndex = iconIndex;
  }
  if (iconFile) HeapFree(Heap(), 0, iconFile);
  if (hotKey & 0xFFFF) item->Keyboard = (WORD)hotKey;
  item->Type = (item->Type & 0xFFFF0000u) | IT_URL;
  FreeText(&item->Directory);
}

static int IsFolderItem(const ButtonInfo* item) {
  UINT type = ItemTypeOf(item->Type);
  if (type == IT_FOLDER || (type & IT_FOLDERLIKE)) return 1;
  if (type != IT_SHELLITEM || !item->ShellItem) return 0;
  SHFILEINFOW info = {};
  info.dwAttributes = SFGAO_FOLDER;
  return SHGetFileInfoW((LPCWSTR)item->ShellItem, 0, &info, sizeof info,
                        SHGFI_PIDL | SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED) &&
         (info.dwAttributes & SFGAO_FOLDER);
}

void ClassifyItemTarget(ButtonInfo* item, int mode) {
  if (!item) return;
  UINT high = item->Type & 0xFFFF0000u;
  item->Type = DeriveItemType(ItemTypeOf(item->Type), item->File);
  if (mode & CIT_DEFAULTS) FillItemDefaults(item);
  if (ItemTypeOf(item->Type) == IT_DOCUMENT && HasText(item->File) && !PathIsUNCW(item->File)) {
    const wchar_t* ext = PathFindExtensionW(item->File);
    if (!_wcsicmp(ext, L".lnk")) {
      mode = ResolveShortcutItem(item, mode);
    } else if ((mode & CIT_RESOLVE) && (!_wcsicmp(ext, L".url") || !_wcsicmp(ext, L".website"))) {
      ReadInternetShortcut(item);
    }
  }
  if (mode & CIT_ICONS) GetItemIcon(item);
  UINT keep = high;
  if ((mode & CIT_FOLDER_OPTIONS) && IsFolderItem(item)) keep = g_App.Settings.FolderDefault & 0xFFFF0000u;
  item->Type = keep | ItemTypeOf(item->Type);
}

wchar_t* ReadUrlFileKey(const wchar_t* file, const wchar_t* key) {
  DWORD size = 260;
  wchar_t* buffer = nullptr;
  for (;;) {
    wchar_t* grown = (wchar_t*)(buffer ? HeapReAlloc(Heap(), HEAP_ZERO_MEMORY, buffer, size * sizeof(wchar_t))
                                       : HeapAlloc(Heap(), HEAP_ZERO_MEMORY, size * sizeof(wchar_t)));
    if (!grown) {
      if (buffer) HeapFree(Heap(), 0, buffer);
      return nullptr;
    }
    buffer = grown;
    DWORD got = GetPrivateProfileStringW(L"InternetShortcut", key, L"", buffer, size, file);
    if (got < size - 1 || size >= (1u << 24)) {
      wchar_t* fit = (wchar_t*)HeapReAlloc(Heap(), 0, buffer, (wcslen(buffer) + 1) * sizeof(wchar_t));
      return fit ? fit : buffer;
    }
    size *= 2;
  }
}

// ---------------------------------------------------------------------------
// Icons

static const struct {
  UINT Type;
  int Old;  // before OS version 5.0
  int New;
} kDefaultIcons[] = {
    {IT_CHILDMENU, 4, 4}, {0x406A, 4, 4},   {0x1000, 27, 27}, {0x1001, 27, 27}, {0x4003, 27, 27},
    {0x4068, 27, 27},     {0x1002, 27, 44}, {0x1003, 25, 25}, {0x1004, 25, 25}, {0x4067, 25, 25},
    {0x4000, 65, 21},     {0x4001, 59, 109}, {0x4004, 59, 109}, {0x4002, 44, 47}, {0x4064, 25, 94},
    {0x4065, 27, 93},     {0x4066, 4, 4},   {0x4069, 20, 239},
};

wchar_t* DefaultIconFor(UINT type, int* index) {
  if (index) *index = -1;
  for (const auto& d : kDefaultIcons) {
    if (d.Type != type) continue;
    int os = GetOSVersion();
    if ((type == IT_CHILDMENU || type == 0x406A) && os >= 601) {
      if (index) *index = 142;
      return SystemFile(L"imageres.dll");
    }
    if (index) *index = os < 500 ? d.Old : d.New;
    return SystemFile(L"shell32.dll");
  }
  return nullptr;
}

// The icon location the shell gives for an ID list; bare names live in the system folder.
static wchar_t* ShellIconLocation(LPCITEMIDLIST pidl, int* index) {
  SHFILEINFOW info = {};
  if (!pidl || !SHGetFileInfoW((LPCWSTR)pidl, 0, &info, sizeof info, SHGFI_PIDL | SHGFI_ICONLOCATION) ||
      !info.szDisplayName[0])
    return nullptr;
  *index = info.iIcon;
  if (PathIsFileSpecW(info.szDisplayName)) return SystemFile(info.szDisplayName);
  return CopyText(info.szDisplayName);
}

// The default icon the registry names for the item's file type.
static wchar_t* RegistryDefaultIcon(UINT type, const wchar_t* path, int* index) {
  wchar_t cls[260] = L"Folder";
  if (type != IT_FOLDER) {
    const wchar_t* ext = type == IT_URL ? L".url" : PathFindExtensionW(path);
    if (!*ext) return nullptr;
    LONG size = sizeof cls;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, ext, cls, &size) != ERROR_SUCCESS || !cls[0]) return nullptr;
  }
  wchar_t key[300];
  wchar_t value[1024];
  if (wcslen(cls) > 250) return nullptr;
  wcscpy(key, cls);
  wcscat(key, L"\\DefaultIcon");
  LONG size = sizeof value;
  if (RegQueryValueW(HKEY_CLASSES_ROOT, key, value, &size) != ERROR_SUCCESS || !value[0]) return nullptr;
  value[ARRAYSIZE(value) - 1] = 0;
  wchar_t* comma = wcsrchr(value, L',');
  *index = 0;
  if (comma) {
    *comma = 0;
    *index = _wtoi(comma + 1);
  }
  Unquote(value);
  return ExpandEnvPath(value);
}

wchar_t* ResolveIconSource(UINT type, const wchar_t* file, LPCITEMIDLIST shellItem, int* index, int keep) {
  int dummy;
  if (!index) index = &dummy;
  *index = 0;
  if (type == IT_PLUGIN) {
    if (!HasText(file)) return nullptr;
    wchar_t path[MAX_PATH + 8];
    wchar_t name[MAX_PATH];
    if (wcslen(file) + 9 > MAX_PATH) return nullptr;
    wcscpy(name, L"Plugins\\");
    wcscat(name, file);
    if (!BuildProgramFilePath(name, path, MAX_PATH)) return nullptr;
    return CopyText(path);
  }
  if (type == IT_SHELLITEM) return ShellIconLocation(shellItem, index);
  if ((type & 0xFF00) == IT_FOLDERLIKE) {
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, type & 0xFF, &pidl)) || !pidl) return nullptr;
    wchar_t* location = ShellIconLocation(pidl, index);
    CoTaskMemFree(pidl);
    return location;
  }
  wchar_t* source = DefaultIconFor(type, index);
  if (source || *index >= 0) return source;
  *index = 0;
  if (!HasText(file)) return nullptr;

  wchar_t* path = ExpandFullPath(file);
  if (!path) return nullptr;
  const wchar_t* ext = PathFindExtensionW(path);
  wchar_t* result = nullptr;
  if (type <= IT_FOLDER && PathIsUNCW(path) && type == IT_FOLDER) {
    *index = PathIsUNCServerW(path) ? 15 : (GetOSVersion() < 500 ? 9 : 85);
    result = SystemFile(L"shell32.dll");
  } else if (type <= IT_FOLDER) {
    int own;
    if (PathIsUNCW(path)) {
      own = !_wcsicmp(ext, L".ico") ||
            ((type == IT_PROGRAM || !_wcsicmp(ext, L".dll") || !_wcsicmp(ext, L".icl")) && ExtractItemIcon(path) > 0);
    } else {
      own = ExtractItemIcon(path) > 0;
    }
    if (own) {
      *index = 0;
      result = keep ? CopyText(path) : CopyText(file);
    }
  }
  if (!result) {
    SHFILEINFOW info = {};
    if (SHGetFileInfoW(path, 0, &info, sizeof info, SHGFI_ICONLOCATION) && info.szDisplayName[0]) {
      wchar_t* location = PathIsFileSpecW(info.szDisplayName) ? SystemFile(info.szDisplayName)
                                                               : CopyText(info.szDisplayName);
      if (location && ExtractItemIcon(location) > 0) {
        *index = info.iIcon;
        result = location;
      } else if (location) {
        HeapFree(Heap(), 0, location);
      }
    }
  }
  if (!result) result = RegistryDefaultIcon(type, path, index);
  if (!result) {
    *index = IsExecutableExtension(ext) ? 2 : 0;
    result = SystemFile(L"shell32.dll");
  }
  HeapFree(Heap(), 0, path);
  return result;
}

// The shell's own icon of the item at a small or large system size.
static HICON ShellIcon(const ButtonInfo* item, int size) {
  UINT type = ItemTypeOf(item->Type);
  UINT which = SHGFI_ICON | (size <= 16 ? SHGFI_SMALLICON : SHGFI_LARGEICON);
  SHFILEINFOW info = {};
  if (type == IT_SHELLITEM || (type & 0xFF00) == IT_FOLDERLIKE) {
    LPITEMIDLIST owned = nullptr;
    LPCITEMIDLIST pidl = item->ShellItem;
    if (type != IT_SHELLITEM) {
      if (FAILED(SHGetSpecialFolderLocation(nullptr, type & 0xFF, &owned))) return nullptr;
      pidl = owned;
    }
    if (pidl) SHGetFileInfoW((LPCWSTR)pidl, 0, &info, sizeof info, which | SHGFI_PIDL);
    if (owned) CoTaskMemFree(owned);
    return info.hIcon;
  }
  if (!HasText(item->File)) return nullptr;
  wchar_t* path = ExpandFullPath(item->File);
  if (!path) return nullptr;
  SHGetFileInfoW(path, 0, &info, sizeof info, which);
  HeapFree(Heap(), 0, path);
  return info.hIcon;
}

static HICON IconOrFallback(const wchar_t* file, int index, int size, const wchar_t* shell32) {
  HICON icon = file ? LoadIconFromModule(file, index, size) : nullptr;
  if (!icon && shell32) icon = LoadIconFromModule(shell32, 0, size);
  return icon;
}

void GetItemIcon(ButtonInfo* item) {
  if (!item) return;
  DestroyItemIcons(item);
  int sizes[2];
  if ((item->List & LIST_SUBMENU) && item->List < LIST_PLACEHOLDER) {
    sizes[0] = 32;
    sizes[1] = 16;
  } else {
    sizes[0] = g_App.Design.ViewMode[0].IconSizeGet;
    sizes[1] = g_App.Design.ViewMode[1].IconSizeGet;
    if (sizes[0] <= 0) sizes[0] = 32;
    if (sizes[1] <= 0 || sizes[1] == sizes[0]) sizes[1] = 16;
  }
  UINT type = ItemTypeOf(item->Type);
  int index = 0;
  wchar_t* source = nullptr;
  if (HasText(item->IconFile)) {
    source = ExpandFullPath(item->IconFile);
    index = item->IconIndex;
  } else {
    source = ResolveIconSource(type, item->File, item->ShellItem, &index, 1);
  }
  if (!source) {
    for (int k = 0; k < 2; k++) item->Icon[k] = ShellIcon(item, sizes[k]);
  }
  wchar_t* shell32 = SystemFile(L"shell32.dll");
  for (int k = 0; k < 2; k++)
    if (!item->Icon[k]) item->Icon[k] = IconOrFallback(source ? source : shell32, source ? index : 0, sizes[k], shell32);
  // Overlays load whatever gave the icons: the cache stores one image per
  // overlay slot and must find it there.
  if (HasText(item->OverlayIcon)) {
    wchar_t* overlay = ExpandFullPath(item->OverlayIcon);
    for (int k = 0; k < 2; k++) {
      int size = item->Overlay[k].Size > 0 ? item->Overlay[k].Size : 16;
      item->Overlay[k].Icon = IconOrFallback(overlay, item->OverlayIdx, size, shell32);
    }
    if (overlay) HeapFree(Heap(), 0, overlay);
  }
  if (shell32) HeapFree(Heap(), 0, shell32);
  if (source) HeapFree(Heap(), 0, source);
}
