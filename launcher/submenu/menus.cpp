// Menu trees and their levels: opening, cascading, closing from the top
// down, the last menu, and the clipboard folder.
#include "submenu/submenu.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "core/commands.h"
#include "core/hookctl.h"
#include "core/menucmd.h"
#include "core/triggers.h"
#include "core/launch.h"
#include "core/mainwnd.h"
#include "core/shellhelp.h"
#include "core/startup.h"
#include "core/winhelpers.h"
#include "render/draw.h"
#include "render/skin.h"
#include "state.h"
#include "store/outlets.h"
#include "store/settings.h"
#include "submenu/tree.h"

SubMenuTree g_SmTree;
volatile LONG g_SmBuilders;

// --- heap ---------------------------------------------------------------------------

static SmHeap* NewSmHeap() {
  HANDLE h = HeapCreate(0, 0, 0);
  if (!h) return nullptr;
  SmHeap* heap = (SmHeap*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(SmHeap));
  if (!heap) {
    HeapDestroy(h);
    return nullptr;
  }
  heap->Heap = h;
  heap->Refs = 1;
  return heap;
}

void ReleaseSmHeap(SmHeap* heap) {
  if (!heap || InterlockedDecrement(&heap->Refs) > 0) return;
  HeapDestroy(heap->Heap);
  HeapFree(GetProcessHeap(), 0, heap);
}

void* SmAlloc(SmHeap* heap, size_t bytes) { return HeapAlloc(heap->Heap, HEAP_ZERO_MEMORY, bytes ? bytes : 1); }
void SmFree(SmHeap* heap, void* block) {
  if (block) HeapFree(heap->Heap, 0, block);
}

wchar_t* SmCopyText(SmHeap* heap, const wchar_t* text) {
  if (!text) return nullptr;
  size_t n = wcslen(text) + 1;
  wchar_t* copy = (wchar_t*)SmAlloc(heap, n * sizeof(wchar_t));
  if (copy) memcpy(copy, text, n * sizeof(wchar_t));
  return copy;
}

void FreeSmItem(SmHeap* heap, SmItem* it) {
  if (!it) return;
  if (!it->Button) {  // folder entries own their texts, icon and list
    SmFree(heap, it->Name);
    SmFree(heap, it->Extension);
    if (it->Icon) DestroyIcon(it->Icon);
    FreePidl(it->Pidl);
  }
  SmFree(heap, it);
}

void FreeSmItemArray(SmHeap* heap, SmItem** items, int count) {
  if (!items) return;
  for (int i = 0; i < count; ++i) FreeSmItem(heap, items[i]);
  SmFree(heap, items);
}

void ReleaseSmLevel(OpenMenu* m) {
  SmLevelOwners* o = OwnersOf(m);
  if (InterlockedDecrement(&o->Owners) > 0) return;
  SmHeap* heap = o->Heap;
  FreeSmItemArray(heap, m->Items, m->ItemCount);
  FreeSmItemArray(heap, m->Built, m->BuiltCount);
  FreePidl(m->Folder);
  FreePidl(m->SecondFolder);
  SmFree(heap, m->Selection);
  SmFree(heap, m->OptionText);
  if (m->Builder) CloseHandle(m->Builder);
  SmFree(heap, o);
  ReleaseSmHeap(heap);
}

// --- the tree -------------------------------------------------------------------------

static int IsChildKind(int kind) { return kind >= 1 && kind <= 10000; }

static void SeedClassicTextColors() {
  if (HasSkin()) return;
  DesignColors* t = g_App.SkinText.TextColors;
  t[SKT_ITEM_NORMAL].TextClr1 = GetSysColor(COLOR_MENUTEXT);
  t[SKT_ITEM_SELECTED].TextClr1 = GetSysColor(COLOR_HIGHLIGHTTEXT);
  t[SKT_ITEM_DISABLED].TextClr1 = GetSysColor(COLOR_GRAYTEXT);
}

static void ResetFonts() {
  for (int i = 1; i < g_SmTree.FontCount; ++i)
    if (g_SmTree.Fonts[i].Owned && g_SmTree.Fonts[i].Font.Font) DeleteObject(g_SmTree.Fonts[i].Font.Font);
  g_SmTree.FontCount = 1;
  SubMenuFontEntry& e = g_SmTree.Fonts[0];
  e.Dpi = LauncherDpi();
  e.Font = CurrentViewDesign()->Fonts[FONT_SUBMENU];
  e.Owned = 0;
}

static void EndTree() {
  ResetFonts();
  g_SmTree.FontCount = 0;
  if (g_SmTree.Heap) {
    SmFree(g_SmTree.Heap, g_SmTree.Stack);
    ReleaseSmHeap(g_SmTree.Heap);
  }
  g_SmTree.Heap = nullptr;
  g_SmTree.Stack = nullptr;
  g_SmTree.Count = 0;
  g_SmTree.Open = 0;
  g_App.Wnd.Flags &= ~WSF_SUBMENU_OPEN;
  UpdateHookSuspend();
}

int IsSubMenuTreeOpen() { return g_SmTree.Open; }

int FindLevelOfWindow(HWND w) {
  for (int i = 0; i < g_SmTree.Count; ++i)
    if (g_SmTree.Stack[i]->Window == w) return i;
  return -1;
}

static void CopyOptionText(const wchar_t* text) {
  g_SmTree.OptionText[0] = 0;
  if (text) lstrcpynW(g_SmTree.OptionText, text, kSmOptionChars + 1);
}

static void ParseTreeOptions(UINT bits, POINT* position) {
  ParseSubMenuOptions(g_SmTree.OptionText, CurrentSubMenuDefaults(), bits, &g_SmTree.Options, position);
}

// The kind the last-menu type reopens, with its stored option text.
static int LastMenuKind(UINT type, LPITEMIDLIST* folder, const wchar_t** text) {
  const SettingsState& s = g_App.Settings;
  int which = (type & SMT_LAST_CHILD) ? 1 : (type & SMT_LAST_FOLDER) ? 2 : s.SubMenu.LastMenuType;
  if (which == 1) {
    *text = s.SubMenu.LastOptionS;
    int kind = (int)s.SubMenu.LastSubMenu;
    return IsChildKind(kind) && kind - 1 < g_App.Store.SubMenuCount ? kind : SMK_NONE;
  }
  if (which == 2 && s.SubMenu.LastFolder) {
    *text = s.SubMenu.LastOptionF;
    *folder = ClonePidl(s.SubMenu.LastFolder);
    return *folder ? SMK_FOLDER : SMK_NONE;
  }
  return SMK_NONE;
}

struct HostRequest {
  UINT Type;
  INT_PTR Source;
  const wchar_t* Options;
  POINT Point;
  UINT Flags;
};
static const UINT kHostOpen = WM_APP + 100;

int OpenSubMenu(UINT type, INT_PTR source, const wchar_t* options, POINT pt, UINT flags) {
  // Windows of the tree belong to the launcher's thread; a launch thread
  // hands the request over and waits, so its ID list stays valid.
  if (g_SmTree.Host && GetWindowThreadProcessId(g_SmTree.Host, nullptr) != GetCurrentThreadId()) {
    HostRequest r = {type, source, options, pt, flags};
    return (int)SendMessageW(g_SmTree.Host, kHostOpen, 0, (LPARAM)&r);
  }
  if (g_SmTree.Open && !CloseSubMenus(0, 0)) return 0;
  if (g_SmTree.Open) return 0;
  HWND main = g_App.MainWnd;
  g_SmTree.Open = 1;
  g_SmTree.Count = 0;
  g_SmTree.State = (g_SmTree.State & SMTS_DRAGGING) | ((g_App.Settings.DispOption & DISP_MENU_TIPS) ? (LONG)SMTS_TIPS : 0);
  ResetFonts();
  SeedClassicTextColors();
  CopyOptionText(options);
  UINT bits = (flags & SMF_SHOW_HIDDEN) ? (UINT)SMO_HIDDEN : 0u;
  ParseTreeOptions(bits, &pt);

  UINT t = type & 0xFFFF;
  int kind = SMK_FOLDER;
  LPITEMIDLIST folder = nullptr;
  int ownFolder = 0;
  if (t == SMT_CHILDMENU) {
    kind = (int)source;
    if (!IsChildKind(kind) || kind - 1 >= g_App.Store.SubMenuCount) kind = SMK_NONE;
  } else if (t == SMT_HISTORY) {
    kind = SMK_HISTORY;
  } else if (t == SMT_CLIPBOARD) {
    if (!ClipboardFolderPidl(&folder, type, flags)) kind = SMK_NONE;
  } else if (t == SMT_LAST) {
    const wchar_t* stored = nullptr;
    kind = LastMenuKind(type, &folder, &stored);
    if (!options || !*options) {
      CopyOptionText(stored);
      ParseTreeOptions(bits, nullptr);
    }
  }
  g_SmTree.Heap = NewSmHeap();
  if (g_SmTree.Heap) g_SmTree.Stack = (OpenMenu**)SmAlloc(g_SmTree.Heap, sizeof(OpenMenu*));
  if (!g_SmTree.Heap || !g_SmTree.Stack) {
    FreePidl(folder);
    EndTree();
    return 0;
  }
  LPITEMIDLIST second = nullptr;
  if (kind == SMK_FOLDER && !folder) {
    if (t == 6) folder = ClonePidl((LPCITEMIDLIST)source);
    else if (type & SMT_SPECIAL) SHGetSpecialFolderLocation(nullptr, (int)(type & 0xFF), &folder);
    else if (source && *(const wchar_t*)source) ParsePathToPidl((const wchar_t*)source, &folder);
    if (!folder) {
      EndTree();
      return 0;
    }
    ownFolder = 1;
  }
  if (ownFolder) second = MapStartMenuPath(folder);
  if (main) BringToForeground(main, 0);
  RECT anchor = {pt.x, pt.y, pt.x, pt.y};
  int ok = CreateSubMenuWindow(kind, folder, second, main, anchor, nullptr);
  FreePidl(folder);
  if (!ok) {
    if (!g_SmTree.Count) EndTree();
    return 0;
  }
  g_SmTree.OpenedTick = GetTickCount();
  g_App.Wnd.SubMenuOpenedTick = g_SmTree.OpenedTick;
  g_App.Wnd.Flags |= WSF_SUBMENU_OPEN;
  UpdateHookSuspend();
  return 1;
}

int CreateSubMenuWindow(int kind, LPCITEMIDLIST folder, LPITEMIDLIST second, HWND owner, RECT anchor,
                        const wchar_t* cursorName) {
  SmHeap* heap = g_SmTree.Heap;
  if ((g_SmTree.State & SMTS_CLOSING) || !heap || !g_SmTree.Open) {
    FreePidl(second);
    return 0;
  }
  if (folder) {
    SHFILEINFOW info = {};
    info.dwAttributes = SFGAO_FOLDER;
    if (!SHGetFileInfoW((LPCWSTR)folder, 0, &info, sizeof info, SHGFI_PIDL | SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED) ||
        !(info.dwAttributes & SFGAO_FOLDER)) {
      FreePidl(second);
      return 0;
    }
  }
  OpenMenu** grown = (OpenMenu**)HeapReAlloc(heap->Heap, HEAP_ZERO_MEMORY, g_SmTree.Stack,
                                             (g_SmTree.Count + 1) * sizeof(OpenMenu*));
  SmLevelOwners* o = grown ? (SmLevelOwners*)SmAlloc(heap, sizeof(SmLevelOwners)) : nullptr;
  if (grown) g_SmTree.Stack = grown;
  if (!o) {
    FreePidl(second);
    return 0;
  }
  o->Heap = heap;
  o->Owners = 1;
  InterlockedIncrement(&heap->Refs);
  OpenMenu* m = &o->Menu;
  m->Kind = kind;
  m->Folder = folder ? ClonePidl(folder) : nullptr;
  m->SecondFolder = second;
  m->Selection = (int*)SmAlloc(heap, sizeof(int));
  m->Level = g_SmTree.Count;
  m->Hover = m->Pressed = m->OpenChild = -1;
  m->Anchor = anchor;
  m->ScrollState[0] = m->ScrollState[1] = 3;
  if (g_SmTree.OptionText[0]) m->OptionText = SmCopyText(heap, g_SmTree.OptionText);
  m->CountLimit = g_SmTree.Options.CountLimit;
  m->IconSize = g_SmTree.Options.IconSize;
  if (cursorName == (const wchar_t*)-1) m->State |= SMS_CURSOR_FIRST;
  else if (cursorName) m->CursorName = SmCopyText(heap, cursorName);
  UINT parsed = g_SmTree.Options.Bits;
  m->Bits = (m->Level == 0 || (parsed & SMO_IN_CHILDREN)) ? parsed | SMO_FULL
                                                          : (parsed & (SMO_HIDDEN | SMO_NO_ICONS)) | SMO_BY_NAME;
  if ((folder && !m->Folder) || !m->Selection || (g_SmTree.OptionText[0] && !m->OptionText)) {
    ReleaseSmLevel(m);
    return 0;
  }
  m->Window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_ACCEPTFILES, kSubMenuWndClass, L"Vantrel", WS_POPUP, 0, 0, 1,
                              1, owner, nullptr, g_App.Instance ? g_App.Instance : GetModuleHandleW(nullptr), nullptr);
  if (!m->Window) {
    ReleaseSmLevel(m);
    return 0;
  }
  g_SmTree.Stack[g_SmTree.Count++] = m;
  InterlockedOr(&g_SmTree.State, SMTS_CREATING);
  if (!StartSubMenuBuilder(m)) {
    CloseSubMenus(m->Level, 0);
    return 0;
  }
  return 1;
}

// --- closing --------------------------------------------------------------------------

static int StopSubMenuBuilder(OpenMenu* m, int force) {
  if (!SubMenuBuilderRunning(m)) return 1;
  InterlockedOr(&m->State, SMS_STOP);
  for (int i = 0; i < 10; ++i)
    if (WaitForSingleObject(m->Builder, 10) == WAIT_OBJECT_0) return 1;
  if (!force) return 0;
  // Never end a thread that may hold the shell's or the heap's locks: the
  // level is hidden and handed to its builder, which frees it when it ends.
  InterlockedOr(&m->State, SMS_DETACHED);
  ShowWindow(m->Window, SW_HIDE);
  return 1;
}

static void RememberLastMenu(const OpenMenu* top) {
  SettingsState& s = g_App.Settings;
  wchar_t*& text = IsChildKind(top->Kind) ? s.SubMenu.LastOptionS : s.SubMenu.LastOptionF;
  wchar_t* copy = (wchar_t*)HeapAlloc(GetProcessHeap(), 0, (wcslen(g_SmTree.OptionText) + 1) * sizeof(wchar_t));
  if (IsChildKind(top->Kind)) {
    s.SubMenu.LastMenuType = 1;
    s.SubMenu.LastSubMenu = (UINT)top->Kind;
  } else {
    LPITEMIDLIST folder = ClonePidl(top->Folder);
    if (!folder) {
      if (copy) HeapFree(GetProcessHeap(), 0, copy);
      return;
    }
    s.SubMenu.LastMenuType = 2;
    if (s.SubMenu.LastFolder) CoTaskMemFree(s.SubMenu.LastFolder);
    s.SubMenu.LastFolder = folder;
  }
  if (copy) {
    wcscpy(copy, g_SmTree.OptionText);
    if (text) HeapFree(GetProcessHeap(), 0, text);
    text = copy;
  }
  MarkSettingsChanged();
}

int CloseSubMenus(int level, int force) {
  if (level < 0 || level >= g_SmTree.Count) return 1;
  InterlockedOr(&g_SmTree.State, SMTS_CLOSING);
  if (level == 0) {
    const OpenMenu* top = g_SmTree.Stack[g_SmTree.Count - 1];
    if ((top->Kind == SMK_FOLDER && top->Folder) || IsChildKind(top->Kind)) RememberLastMenu(top);
  }
  int closed = 1;
  while (g_SmTree.Count > level) {
    OpenMenu* m = g_SmTree.Stack[g_SmTree.Count - 1];
    if ((m->State & SMS_IN_BUTTON) || !StopSubMenuBuilder(m, force)) {
      closed = 0;
      break;
    }
    InterlockedOr(&m->State, SMS_CLOSING);
    HWND w = m->Window;
    SendMessageW(w, WM_CLOSE, 0, 0);
    if (IsWindow(w)) {
      closed = 0;
      break;
    }
  }
  InterlockedAnd(&g_SmTree.State, ~SMTS_CLOSING);
  return closed;
}

void ShutdownSubMenus() {
  if (g_SmTree.Open) CloseSubMenus(0, 1);
}

// WM_DESTROY of a level: the level leaves the stack by identity, whatever
// its position.
void DestroyOpenMenu(OpenMenu* m) {
  int at = -1;
  for (int i = 0; i < g_SmTree.Count; ++i)
    if (g_SmTree.Stack[i] == m) at = i;
  if (at < 0) return;
  for (int i = at; i + 1 < g_SmTree.Count; ++i) {
    g_SmTree.Stack[i] = g_SmTree.Stack[i + 1];
    g_SmTree.Stack[i]->Level = i;
  }
  g_SmTree.Count--;
  if (at > 0 && at - 1 < g_SmTree.Count) {
    OpenMenu* parent = g_SmTree.Stack[at - 1];
    SmFree(g_SmTree.Heap, parent->OpenChildName);
    parent->OpenChildName = nullptr;
    parent->OpenChild = -1;
  }
  if (m->BackDc) DeleteDC(m->BackDc);
  if (m->BackBitmap) DeleteObject(m->BackBitmap);
  m->BackDc = nullptr;
  m->BackBitmap = nullptr;
  SmFree(g_SmTree.Heap, m->OpenChildName);
  SmFree(g_SmTree.Heap, m->CursorName);
  m->OpenChildName = m->CursorName = nullptr;
  m->Window = nullptr;
  ReleaseSmLevel(m);
  if (!g_SmTree.Count) EndTree();
}

// --- clipboard folder -------------------------------------------------------------

void CleanClipboardPath(const wchar_t* text, size_t textChars, wchar_t* out, int outChars) {
  if (outChars <= 0) return;
  int n = 0;
  for (size_t i = 0; text && i < textChars && text[i] && n < outChars - 1; ++i) {
    wchar_t c = text[i];
    out[n++] = (c == L'\t' || c == L'\n' || c == L'\r' || c == L'"') ? L' ' : c;
  }
  out[n] = 0;
  PathRemoveBlanksW(out);
}

int ClipboardFolderPidl(LPITEMIDLIST* out, UINT type, UINT flags) {
  *out = nullptr;
  wchar_t path[MAX_PATH] = L"";
  if (!OpenClipboard(nullptr)) return 0;
  if (HANDLE drop = GetClipboardData(CF_HDROP)) {
    if (!DragQueryFileW((HDROP)drop, 0, path, MAX_PATH)) path[0] = 0;
  } else if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    // The clipboard's block may be any size and need not end in a
    // terminator within it: read no further than the block.
    const wchar_t* text = (const wchar_t*)GlobalLock(data);
    if (text) {
      CleanClipboardPath(text, GlobalSize(data) / sizeof(wchar_t), path, MAX_PATH);
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  if (!path[0]) return 0;
  if (!PathIsDirectoryW(path) || (type & SMT_LAST_CHILD)) PathRemoveFileSpecW(path);
  if (!path[0] || !PathFileExistsW(path)) return 0;
  if (flags & 0x2) PathRemoveFileSpecW(path);
  return ParsePathToPidl(path, out) && *out;
}

// --- requests from other threads and buttons in open menus ---------------------------

static LRESULT CALLBACK HostWndProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kHostOpen && lParam) {
    const HostRequest* r = (const HostRequest*)lParam;
    return OpenSubMenu(r->Type, r->Source, r->Options, r->Point, r->Flags);
  }
  return DefWindowProcW(w, message, wParam, lParam);
}

static void OpenOutlet(UINT type, INT_PTR source, const wchar_t* options, POINT pt, UINT flags) {
  OpenSubMenu(type, source, options, pt, flags);
}
static void OpenEntry(int type, const void* source, const wchar_t* options, POINT pt, int flags) {
  OpenSubMenu((UINT)type, (INT_PTR)source, options, pt, (UINT)flags);
}
static void ShowChildMenuWindow(int list) {
  for (int i = 0; i < g_SmTree.Count; ++i)
    if (g_SmTree.Stack[i]->Kind == (list & 0x7FFF) + 1) ShowSubMenuWindow(i, 0);
}

void OpenButtonInSubMenu(ButtonInfo* item) {
  if (!item) return;
  POINT pt;
  GetCursorPos(&pt);
  pt.x += 1;
  pt.y += 1;
  LaunchItem(item, LF_FOLDER_AS_MENU | LF_TRIGGER, &pt);
}

void BindSubMenuOutlets(HINSTANCE instance) {
  static const wchar_t kHostClass[] = L"VnSubMenuHostClass";
  WNDCLASSW wc = {};
  wc.lpfnWndProc = HostWndProc;
  wc.hInstance = instance;
  wc.lpszClassName = kHostClass;
  RegisterClassW(&wc);
  if (!g_SmTree.Host) g_SmTree.Host = CreateWindowExW(0, kHostClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
  g_LaunchPlatform.OpenSubMenu = OpenOutlet;
  g_MenuEntries.OpenSubMenu = OpenEntry;
  g_InputOutlets.CloseSubMenus = CloseSubMenus;
  g_StoreOutlets.ShowSubMenuWindow = ShowChildMenuWindow;
  g_TriggerPlatform.OpenInSubMenu = OpenButtonInSubMenu;
}
