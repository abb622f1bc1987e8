#include "core/shellhelp.h"

#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <string.h>
#include <wchar.h>

#include "state.h"
#include "core/winhelpers.h"
#include "store/items.h"
#include "store/paths.h"

// g_App.UiStateFlags bit the launcher window reads while one of its menus is up.
static const UINT kUiMenuOpen = 0x1;
static const int kNameChars = 1024;
static const int kMaxShortcutNumber = 9999;

// --- item identifier lists ------------------------------------------------------------

static IMalloc* Allocator() { return g_App.Core.ShellMalloc; }

UINT PidlSize(LPCITEMIDLIST list) {
  if (!list) return 0;
  UINT size = 2;
  for (const BYTE* p = (const BYTE*)list; ((const SHITEMID*)p)->cb; p += ((const SHITEMID*)p)->cb)
    size += ((const SHITEMID*)p)->cb;
  return size;
}

void FreePidl(LPITEMIDLIST list) {
  if (list && Allocator()) Allocator()->Free(list);
}

static LPITEMIDLIST AllocPidl(UINT bytes) {
  IMalloc* m = Allocator();
  if (!m) return nullptr;
  void* p = m->Alloc(bytes);
  if (p) memset(p, 0, bytes);
  return (LPITEMIDLIST)p;
}

LPITEMIDLIST ClonePidl(LPCITEMIDLIST list) {
  if (!list) return nullptr;
  UINT size = PidlSize(list);
  LPITEMIDLIST copy = AllocPidl(size);
  if (copy) memcpy(copy, list, size);
  return copy;
}

LPCITEMIDLIST SplitPidl(LPCITEMIDLIST list, LPITEMIDLIST* parent) {
  if (parent) *parent = nullptr;
  if (!list || !list->mkid.cb || !Allocator()) return nullptr;
  const BYTE* last = (const BYTE*)list;
  for (const BYTE* p = last; ((const SHITEMID*)p)->cb; p += ((const SHITEMID*)p)->cb) last = p;
  if (parent) {
    UINT head = (UINT)(last - (const BYTE*)list);
    LPITEMIDLIST copy = AllocPidl(head + 2);
    if (!copy) return nullptr;
    memcpy(copy, list, head);  // the zeroed tail is the terminator
    *parent = copy;
  }
  return (LPCITEMIDLIST)last;
}

// b null used to hand back a itself, which both caller and owner then freed.
LPITEMIDLIST CombinePidl(LPCITEMIDLIST a, LPCITEMIDLIST b) {
  if (!a) return ClonePidl(b);
  if (!b) return ClonePidl(a);
  UINT sizeA = PidlSize(a) - 2;
  UINT sizeB = PidlSize(b);
  LPITEMIDLIST out = AllocPidl(sizeA + sizeB);
  if (!out) return nullptr;
  memcpy(out, a, sizeA);
  memcpy((BYTE*)out + sizeA, b, sizeB);
  return out;
}

int ParsePathToPidl(const wchar_t* path, LPITEMIDLIST* out) {
  if (out) *out = nullptr;
  IShellFolder* desktop = g_App.Core.DesktopFolder;
  if (!path || !*path || !out || !desktop) return 0;
  wchar_t buffer[kNameChars];
  if (lstrlenW(path) >= kNameChars - 1) return 0;
  lstrcpyW(buffer, path);
  if (buffer[0] && buffer[1] == L':' && !buffer[2]) lstrcatW(buffer, L"\\");
  if (!PathReachable(buffer)) return 0;
  LPITEMIDLIST list = nullptr;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, buffer, nullptr, &list, nullptr)) || !list) return 0;
  *out = list;
  return 1;
}

int IsSpecialFolderPidl(LPCITEMIDLIST list, int csidl) {
  if (!list) return 0;
  LPITEMIDLIST special = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &special)) || !special) return 0;
  UINT size = PidlSize(list);
  int same = size == PidlSize(special) && !memcmp(list, special, size);
  CoTaskMemFree(special);
  return same;
}

LPITEMIDLIST MapStartMenuPath(LPCITEMIDLIST list) {
  wchar_t path[MAX_PATH], common[MAX_PATH], own[MAX_PATH];
  if (!list || !SHGetPathFromIDListW(list, path)) return nullptr;
  if (!SHGetSpecialFolderPathW(nullptr, common, CSIDL_COMMON_STARTMENU, FALSE) ||
      !SHGetSpecialFolderPathW(nullptr, own, CSIDL_STARTMENU, FALSE))
    return nullptr;
  const wchar_t* from = nullptr;
  const wchar_t* to = nullptr;
  int commonLen = lstrlenW(common), ownLen = lstrlenW(own);
  if (commonLen && !_wcsnicmp(path, common, commonLen)) {
    from = common;
    to = own;
  } else if (ownLen && !_wcsnicmp(path, own, ownLen)) {
    from = own;
    to = common;
  }
  if (!from) return nullptr;
  wchar_t mapped[kNameChars];
  const wchar_t* rest = path + lstrlenW(from);
  if (lstrlenW(to) + lstrlenW(rest) >= kNameChars) return nullptr;
  lstrcpyW(mapped, to);
  lstrcatW(mapped, rest);
  LPITEMIDLIST result = nullptr;
  return ParsePathToPidl(mapped, &result) ? result : nullptr;
}

// --- opening -----------------------------------------------------------------------

int ShellOpenItem(LPCITEMIDLIST list, UINT show, wchar_t* text, int* index, HICON* icon) {
  if (!list) return 0;
  SHFILEINFOW info = {};
  info.dwAttributes = SFGAO_FOLDER;
  int folder = SHGetFileInfoW((LPCWSTR)list, 0, &info, sizeof info,
                              SHGFI_PIDL | SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED) &&
               (info.dwAttributes & SFGAO_FOLDER);
  if (LOWORD(show)) {
    if (g_App.MainWnd) BringToForeground(g_App.MainWnd, 0);
    SHELLEXECUTEINFOW sei = {sizeof sei};
    sei.fMask = (GetOSVersion() <= 500 && list->mkid.cb) ? SEE_MASK_INVOKEIDLIST : SEE_MASK_IDLIST;
    sei.lpIDList = (void*)list;
    sei.nShow = LOWORD(show);
    sei.lpVerb = (folder && (show & kShellOpenExplore)) ? L"explore" : nullptr;
    ShellExecuteExW(&sei);
  }
  if (text && index) {
    SHFILEINFOW loc = {};
    text[0] = 0;
    if (SHGetFileInfoW((LPCWSTR)list, 0, &loc, sizeof loc, SHGFI_PIDL | SHGFI_ICONLOCATION) && loc.szDisplayName[0]) {
      // A bare file name lives in the system folder.
      wchar_t system[MAX_PATH];
      UINT n = 0;
      if (PathFindFileNameW(loc.szDisplayName) == loc.szDisplayName) n = GetSystemDirectoryW(system, MAX_PATH);
      if (!n || n >= MAX_PATH || !PathCombineW(text, system, loc.szDisplayName))
        lstrcpynW(text, loc.szDisplayName, MAX_PATH);
      *index = loc.iIcon;
    } else if (icon) {
      UINT flags = SHGFI_PIDL | SHGFI_ICON | (*index <= 16 ? SHGFI_SMALLICON : 0);
      SHFILEINFOW got = {};
      *icon = SHGetFileInfoW((LPCWSTR)list, 0, &got, sizeof got, flags) ? got.hIcon : nullptr;
    }
  } else if (text) {
    SHFILEINFOW name = {};
    text[0] = 0;
    if (SHGetFileInfoW((LPCWSTR)list, 0, &name, sizeof name, SHGFI_PIDL | SHGFI_DISPLAYNAME))
      lstrcpynW(text, name.szDisplayName, MAX_PATH);
  }
  return folder;
}

int OpenSpecialFolder(UINT csidl, UINT show, wchar_t* text, int* index, HICON* icon) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, (int)(csidl & 0xFF), &list)) || !list) return 0;
  int folder = ShellOpenItem(list, show, text, index, icon);
  CoTaskMemFree(list);
  return folder;
}

// --- context menu -----------------------------------------------------------------

static volatile LONG g_MenuInUse;
static IContextMenu3* g_OpenMenu3;

int ForwardShellMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  IContextMenu3* menu = g_OpenMenu3;
  if (!menu) return 0;
  switch (message) {
    case WM_INITMENUPOPUP:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_MENUCHAR: {
      LRESULT r = 0;
      if (FAILED(menu->HandleMenuMsg2(message, wParam, lParam, &r))) return 0;
      if (result) *result = r;
      return 1;
    }
    default:
      return 0;
  }
}

static int VerbCode(const char* verb) {
  static const struct {
    const char* Verb;
    int Code;
  } kVerbs[] = {{"open", SCM_OPEN},   {"runas", SCM_RUNAS},       {"delete", SCM_DELETE},
                {"paste", SCM_PASTE}, {"undelete", SCM_UNDELETE}, {"properties", SCM_PROPERTIES}};
  for (const auto& v : kVerbs)
    if (!lstrcmpiA(verb, v.Verb)) return v.Code;
  return SCM_NONE;
}

int ShellContextMenu(LPCITEMIDLIST parent, LPCITEMIDLIST* children, int count, HWND owner, POINT pt) {
  IShellFolder* desktop = g_App.Core.DesktopFolder;
  if (!desktop || !children || count <= 0) return 0;
  if (InterlockedExchange(&g_MenuInUse, 1)) return 0;
  int code = SCM_NONE;
  IShellFolder* folder = nullptr;
  if (!parent || !parent->mkid.cb || FAILED(desktop->BindToObject(parent, nullptr, IID_IShellFolder, (void**)&folder)))
    folder = nullptr;
  IShellFolder* use = folder ? folder : desktop;
  IContextMenu* menu = nullptr;
  if (SUCCEEDED(use->GetUIObjectOf(nullptr, (UINT)count, children, IID_IContextMenu, nullptr, (void**)&menu)) && menu) {
    IContextMenu3* menu3 = nullptr;
    if (SUCCEEDED(menu->QueryInterface(IID_IContextMenu3, (void**)&menu3))) g_OpenMenu3 = menu3;
    HMENU popup = CreatePopupMenu();
    if (popup && SUCCEEDED(menu->QueryContextMenu(popup, 0, 1, 0xFFFF, CMF_NORMAL))) {
      g_App.UiStateFlags |= kUiMenuOpen;
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      HWND window = g_App.MainWnd ? g_App.MainWnd : owner;
      UINT id = (UINT)TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_RECURSE, pt.x, pt.y, window, nullptr);
      g_App.UiStateFlags &= ~kUiMenuOpen;
      POINT now;
      if (GetCursorPos(&now)) SetCursorPos(now.x, now.y);
      if (id) {
        CMINVOKECOMMANDINFO ici = {};
        ici.cbSize = sizeof ici;
        ici.hwnd = owner;
        ici.lpVerb = MAKEINTRESOURCEA(id - 1);
        ici.nShow = SW_SHOWNORMAL;
        menu->InvokeCommand(&ici);
        char verb[32] = {};
        if (SUCCEEDED(menu->GetCommandString(id - 1, GCS_VERBA, nullptr, verb, 30))) {
          verb[30] = 0;
          code = VerbCode(verb);
        }
      }
    }
    if (popup) DestroyMenu(popup);
    g_OpenMenu3 = nullptr;
    if (menu3) menu3->Release();
    menu->Release();
  }
  if (folder) folder->Release();
  InterlockedExchange(&g_MenuInUse, 0);
  return code;
}

void ShowItemContextMenu(ButtonInfo* button, HWND owner, POINT pt) {
  if (!button || !Allocator()) return;
  LPITEMIDLIST list = nullptr;
  UINT type = ItemTypeOf(button->Type);
  if (type == IT_SHELLITEM) {
    list = ClonePidl(button->ShellItem);
  } else if (type & IT_FOLDERLIKE) {
    LPITEMIDLIST special = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, (int)(type & 0xFF), &special)) && special) {
      list = ClonePidl(special);
      CoTaskMemFree(special);
    }
  } else if (button->File) {
    wchar_t* path = ExpandFullPath(button->File);
    if (path) {
      ParsePathToPidl(path, &list);
      HeapFree(GetProcessHeap(), 0, path);
    }
  }
  if (!list) return;
  if (list->mkid.cb) {  // the empty list is the desktop itself: no menu
    LPITEMIDLIST parent = nullptr;
    LPCITEMIDLIST last = SplitPidl(list, &parent);
    if (last) ShellContextMenu(parent, &last, 1, g_App.MainWnd ? g_App.MainWnd : owner, pt);
    FreePidl(parent);
  }
  FreePidl(list);
}

// --- shortcut files ---------------------------------------------------------------

int PickShortcutName(const wchar_t* folder, const wchar_t* target, int (*exists)(const wchar_t* path),
                     wchar_t* out, int outChars) {
  if (!folder || !target || !exists || !out || outChars <= 0) return 0;
  out[0] = 0;
  const wchar_t* name = PathFindFileNameW(target);
  const wchar_t* ext = PathFindExtensionW(name);
  int baseLen = (int)(ext - name);
  if (baseLen <= 0) return 0;
  int folderLen = lstrlenW(folder);
  int sep = (folderLen && folder[folderLen - 1] != L'\\') ? 1 : 0;
  for (int n = 1; n <= kMaxShortcutNumber; ++n) {
    wchar_t suffix[24];
    if (n == 1)
      lstrcpyW(suffix, L".lnk");
    else
      wsprintfW(suffix, L" (%d).lnk", n);
    int need = folderLen + sep + baseLen + lstrlenW(suffix) + 1;
    if (need > outChars) return 0;
    memcpy(out, folder, folderLen * sizeof(wchar_t));
    int at = folderLen;
    if (sep) out[at++] = L'\\';
    memcpy(out + at, name, baseLen * sizeof(wchar_t));
    at += baseLen;
    lstrcpyW(out + at, suffix);
    if (!exists(out)) return 1;
  }
  out[0] = 0;
  return 0;
}

static int FileExists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

int CreateShortcutFile(const wchar_t* folder, const wchar_t* target) {
  if (!folder || !target || !*target) return 0;
  wchar_t name[kNameChars];
  if (!PickShortcutName(folder, target, FileExists, name, kNameChars)) return 0;
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  int ok = 0;
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link))) {
    link->SetPath(target);
    wchar_t* parent = GetParentFolder(target);
    if (parent) {
      link->SetWorkingDirectory(parent);
      HeapFree(GetProcessHeap(), 0, parent);
    }
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file)) && !FileExists(name))
      ok = SUCCEEDED(file->Save(name, TRUE));
  }
  if (file) file->Release();
  if (link) link->Release();
  if (SUCCEEDED(init)) CoUninitialize();
  return ok;
}
