// The builder thread of a level: collects the entries (child-menu buttons,
// history, one or two shell folders), filters, sorts and measures them
// into an array of its own. The window thread adopts that array at
// WMA_WORKERDONE; the builder never touches the level's window or shown
// items.
#include <shlwapi.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "core/shellhelp.h"
#include "core/hookbind.h"
#include "render/draw.h"
#include "resources/resource.h"
#include "render/layout.h"
#include "state.h"
#include "store/history.h"
#include "submenu/layout.h"
#include "submenu/sort.h"
#include "submenu/submenu.h"
#include "submenu/tree.h"

static int Stopped(const OpenMenu* m) { return (m->State & SMS_STOP) != 0; }

// File data of a folder's entries by lower-case file name, read in one
// pass instead of one lookup per entry.
struct FileDataEntry {
  ULONGLONG Size;
  FILETIME Write, Creation, Access;
};
typedef std::unordered_map<std::wstring, FileDataEntry> FileDataMap;

struct BuildState {
  OpenMenu* Menu;
  SmHeap* Heap;
  std::vector<SmItem*> Items;
  int Entries;
  int Width, Height;
  int Folders;
  HDC MeasureDc;
  FileDataMap FileData;
  // System image-list index by extension for files whose icon does not
  // depend on the file itself.
  std::unordered_map<std::wstring, int> IconByExtension;
};

static std::wstring Lower(const wchar_t* s) {
  std::wstring t = s ? s : L"";
  if (!t.empty()) CharLowerBuffW(&t[0], (DWORD)t.size());
  return t;
}

static void ReadFolderFileData(BuildState& b, LPCITEMIDLIST folder) {
  b.FileData.clear();
  wchar_t path[MAX_PATH + 4];
  if (!folder || !SHGetPathFromIDListW(folder, path) || !path[0] || lstrlenW(path) > MAX_PATH - 4) return;
  PathAddBackslashW(path);
  lstrcatW(path, L"*.*");
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW(path, &fd);
  if (f == INVALID_HANDLE_VALUE) return;
  do {
    FileDataEntry e = {((ULONGLONG)fd.nFileSizeHigh << 32) | fd.nFileSizeLow, fd.ftLastWriteTime,
                       fd.ftCreationTime, fd.ftLastAccessTime};
    b.FileData[Lower(fd.cFileName)] = e;
  } while (!Stopped(b.Menu) && FindNextFileW(f, &fd));
  FindClose(f);
}


static int IconSizeOf(const OpenMenu* m) {
  return ScaleForDpi(m->IconSize ? m->IconSize : 16, m->Dpi);
}

// Width and height of an entry with the level's font and design margins.
static void MeasureItem(BuildState& b, SmItem* it) {
  const OpenMenu* m = b.Menu;
  SIZE text = {0, 0};
  if (b.MeasureDc && it->Name) GetTextExtentPoint32W(b.MeasureDc, it->Name, lstrlenW(it->Name), &text);
  const SkinSettings& k = g_App.Skin;
  int dpi = m->Dpi;
  int ml = ScaleForDpi(k.ItemMargin.left, dpi), mr = ScaleForDpi(k.ItemMargin.right, dpi);
  int mt = ScaleForDpi(k.ItemMargin.top, dpi), mb = ScaleForDpi(k.ItemMargin.bottom, dpi);
  int icon = IconSizeOf(m);
  int h = icon + mt + mb;
  if (text.cy + mt + mb > h) h = text.cy + mt + mb;
  int w = ml + mr + ScaleForDpi(k.ItemInterval, dpi) + ScaleForDpi(10, dpi) + icon + text.cx;
  if (it->Cascades) w += ScaleForDpi(15, dpi);
  it->Rect = RECT{0, 0, w, h};
  if (w > b.Width) b.Width = w;
  if (h > b.Height) b.Height = h;
}

static SmItem* NewItem(BuildState& b) {
  SmItem* it = (SmItem*)SmAlloc(b.Heap, sizeof(SmItem));
  if (!it) return nullptr;
  it->Size = ~0ULL;
  it->ImageIndex = -1;
  it->Sequence = (int)b.Items.size();
  return it;
}

static int AddNoneItem(BuildState& b) {
  SmItem* it = NewItem(b);
  if (!it) return 0;
  wchar_t text[64];
  LoadSubMenuString(IDS_SM_NONE, text, 64);
  it->Name = SmCopyText(b.Heap, text);
  it->Attributes = SMA_PLACEHOLDER;
  MeasureItem(b, it);
  b.Items.push_back(it);
  return 1;
}

static int IsCascadingButton(const ButtonInfo* btn) {
  UINT t = btn->Type & 0xFFFF;
  if (t == 3 || t == 16 || t == 0x4066 || t == 0x4069 || t == 0x406A || (btn->Type & 0x2000)) return 1;
  return t == 6 && btn->ShellItem && ShellOpenItem(btn->ShellItem, 0, nullptr, nullptr, nullptr);
}

static int AddButtonItem(BuildState& b, ButtonInfo* btn) {
  SmItem* it = NewItem(b);
  if (!it) return 0;
  int large = (b.Menu->Bits & SMO_LARGE_ICONS) != 0;
  it->Button = btn;
  it->Name = btn->Name;
  it->Icon = btn->Icon[large ? 0 : 1];
  it->Cascades = IsCascadingButton(btn);
  MeasureItem(b, it);
  b.Items.push_back(it);
  return 1;
}

static void FillChildMenu(BuildState& b) {
  const ItemStore& s = g_App.Store;
  int n = b.Menu->Kind - 1;
  if (n < 0 || n >= s.SubMenuCount || !s.SubMenuButtons) return;
  int count = s.SubMenus[n].Count;
  b.Entries = count;
  for (int i = 0; i < count && !Stopped(b.Menu); ++i) {
    ButtonInfo* btn = s.SubMenuButtons[n] ? s.SubMenuButtons[n][i] : nullptr;
    if (!btn || !AddButtonItem(b, btn)) break;
  }
}

static void FillHistory(BuildState& b) {
  const References& r = g_App.Store.Refs;
  if (!r.History || r.MaxMemories <= 0 || !WaitModelIdle() || !BeginModelBusy()) return;
  int cap = r.MaxMemories < kMaxHistory ? r.MaxMemories : kMaxHistory;
  int limit = (b.Menu->Bits & SMO_FULL) ? b.Menu->CountLimit : 0;
  for (int i = 0; i < cap && r.History[i].Ref && !Stopped(b.Menu); ++i) {
    if (limit && (int)b.Items.size() >= limit) break;
    int ref = r.History[i].Ref;
    ButtonInfo* btn = GetItem(ItemRefList(ref), ItemRefIndex(ref));
    if (!btn || !MatchOptionText(b.Menu->OptionText, btn->Name, b.Menu->Bits, 0)) continue;
    if (!AddButtonItem(b, btn)) break;
    b.Entries++;
  }
  EndModelBusy();
}

static int ReadItemFileData(BuildState& b, SmItem* it) {
  const OpenMenu* m = b.Menu;
  LPITEMIDLIST full = CombinePidl((it->Attributes & SMA_SECOND) ? m->SecondFolder : m->Folder, it->Pidl);
  wchar_t path[MAX_PATH];
  int ok = full && SHGetPathFromIDListW(full, path);
  FreePidl(full);
  if (!ok) return 0;
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW(path, &fd);
  if (f == INVALID_HANDLE_VALUE) return 0;
  FindClose(f);
  it->Size = ((ULONGLONG)fd.nFileSizeHigh << 32) | fd.nFileSizeLow;
  it->WriteTime = fd.ftLastWriteTime;
  it->CreationTime = fd.ftCreationTime;
  it->AccessTime = fd.ftLastAccessTime;
  const wchar_t* ext = PathFindExtensionW(fd.cFileName);
  if (!IsFolderItem(it) && ext && ext[0] == L'.' && ext[1]) it->Extension = SmCopyText(b.Heap, ext + 1);
  it->Attributes |= SMA_DATA_READ;
  return 1;
}

// The entry's data from the folder's one-pass read, by its file name: the
// display name when it is the file name, else the parsing name.
static int TakeFileData(BuildState& b, IShellFolder* sf, SmItem* it) {
  if (b.FileData.empty()) return 0;
  auto found = b.FileData.find(Lower(it->Name));
  wchar_t name[MAX_PATH];
  lstrcpynW(name, it->Name, MAX_PATH);
  if (found == b.FileData.end()) {
    STRRET sr;
    if (FAILED(sf->GetDisplayNameOf(it->Pidl, SHGDN_INFOLDER | SHGDN_FORPARSING, &sr)) ||
        FAILED(StrRetToBufW(&sr, it->Pidl, name, MAX_PATH)))
      return 0;
    // Some shells give the whole path for the in-folder parsing name.
    found = b.FileData.find(Lower(PathFindFileNameW(name)));
    if (found == b.FileData.end()) return 0;
  }
  const FileDataEntry& e = found->second;
  it->Size = e.Size;
  it->WriteTime = e.Write;
  it->CreationTime = e.Creation;
  it->AccessTime = e.Access;
  const wchar_t* ext = PathFindExtensionW(name);
  if (!IsFolderItem(it) && ext && ext[0] == L'.' && ext[1]) it->Extension = SmCopyText(b.Heap, ext + 1);
  it->Attributes |= SMA_DATA_READ;
  return 1;
}

// Extensions whose files carry icons of their own.
static int HasOwnIcon(const wchar_t* ext) {
  static const wchar_t* const own[] = {L"exe", L"lnk", L"ico", L"url", L"website", L"cur", L"ani",
                                       L"dll", L"cpl", L"scr", L"msc", L"pif"};
  for (const wchar_t* e : own)
    if (!lstrcmpiW(ext, e)) return 1;
  return 0;
}

static void LoadItemIcon(BuildState& b, SmItem* it) {
  const OpenMenu* m = b.Menu;
  int byExt = !IsFolderItem(it) && it->Extension && it->Extension[0] && !HasOwnIcon(it->Extension);
  std::wstring key;
  if (byExt) {
    key = Lower(it->Extension);
    auto found = b.IconByExtension.find(key);
    if (found != b.IconByExtension.end()) {
      it->ImageIndex = found->second;
      it->Attributes |= SMA_ICON_LOADED;
      return;
    }
  }
  LPITEMIDLIST full = CombinePidl((it->Attributes & SMA_SECOND) ? m->SecondFolder : m->Folder, it->Pidl);
  if (!full) return;
  SHFILEINFOW info = {};
  UINT how = SHGFI_PIDL | SHGFI_SYSICONINDEX | ((m->Bits & SMO_LARGE_ICONS) ? 0 : SHGFI_SMALLICON);
  if (SHGetFileInfoW((LPCWSTR)full, 0, &info, sizeof info, how)) {
    it->ImageIndex = info.iIcon;
    it->Attributes |= SMA_ICON_LOADED;
    if (byExt) b.IconByExtension[key] = info.iIcon;
  }
  FreePidl(full);
}

// The extension of the entry's file name (not of its display name, which
// may hide it).
static void TakeExtension(BuildState& b, IShellFolder* sf, SmItem* it) {
  STRRET sr;
  wchar_t name[MAX_PATH];
  if (it->Extension || IsFolderItem(it) || FAILED(sf->GetDisplayNameOf(it->Pidl, SHGDN_INFOLDER | SHGDN_FORPARSING, &sr)) ||
      FAILED(StrRetToBufW(&sr, it->Pidl, name, MAX_PATH)))
    return;
  const wchar_t* ext = PathFindExtensionW(name);
  if (ext && ext[0] == L'.' && ext[1]) it->Extension = SmCopyText(b.Heap, ext + 1);
}

static void EnumerateFolder(BuildState& b, LPCITEMIDLIST folder, int second) {
  OpenMenu* m = b.Menu;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return;
  IShellFolder* sf = nullptr;
  if (!folder || !folder->mkid.cb) {
    sf = desktop;
    sf->AddRef();
  } else if (FAILED(desktop->BindToObject(folder, nullptr, IID_IShellFolder, (void**)&sf))) {
    sf = nullptr;
  }
  desktop->Release();
  if (!sf) return;
  IEnumIDList* en = nullptr;
  SHCONTF what = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN | SHCONTF_INCLUDESUPERHIDDEN;
  if (sf->EnumObjects(nullptr, what, &en) != S_OK || !en) {
    sf->Release();
    return;
  }
  en->Reset();
  int limit = (m->Bits & SMO_FULL) ? m->CountLimit : 0;
  int patterns = m->OptionText && (m->Bits & SMO_FULL) && OptionTextHasPatterns(m->OptionText);
  int deferIcons = (g_App.Settings.Option1 & OPT1_DEFERRED_MENU_ICONS) || (m->Bits & SMO_NO_ICONS);
  while (!Stopped(m) && !(limit && (int)b.Items.size() >= limit)) {
    LPITEMIDLIST child = nullptr;
    if (en->Next(1, &child, nullptr) != S_OK || !child) break;
    STRRET sr;
    wchar_t name[260];
    if (FAILED(sf->GetDisplayNameOf(child, SHGDN_INFOLDER, &sr)) || FAILED(StrRetToBufW(&sr, child, name, 260))) {
      FreePidl(child);
      continue;
    }
    SFGAOF attr = SMA_SHELL_MASK;
    LPCITEMIDLIST one = child;
    if (FAILED(sf->GetAttributesOf(1, &one, &attr))) attr = 0;
    attr &= SMA_SHELL_MASK;
    Sleep(0);
    b.Entries++;
    int isFolder = (attr & SFGAO_FOLDER) && !(attr & SFGAO_STREAM);
    if ((attr & SFGAO_HIDDEN) && !(m->Bits & SMO_HIDDEN)) {
      FreePidl(child);
      continue;
    }
    // Without a pattern every entry shows: no path lookup per entry.
    if (patterns) {
      LPITEMIDLIST full = CombinePidl(folder, child);
      int show = MatchOptionPatterns(full, name, m->OptionText, m->Bits, isFolder);
      FreePidl(full);
      if (!show) {
        FreePidl(child);
        continue;
      }
    }
    if (second) {
      int dup = 0;
      for (SmItem* old : b.Items)
        if (IsFolderItem(old) == isFolder && !lstrcmpiW(old->Name, name)) dup = 1;
      if (dup) {
        FreePidl(child);
        continue;
      }
    }
    SmItem* it = NewItem(b);
    if (it) it->Name = SmCopyText(b.Heap, name);
    if (!it || !it->Name) {
      if (it) SmFree(b.Heap, it);
      FreePidl(child);
      break;
    }
    it->Pidl = child;
    it->Attributes = attr | (second ? (UINT)SMA_SECOND : 0u);
    it->Cascades = isFolder;
    MeasureItem(b, it);
    if ((m->Bits & SMO_KEY_MASK) && !TakeFileData(b, sf, it)) ReadItemFileData(b, it);
    if (!(m->Bits & SMO_NO_ICONS)) TakeExtension(b, sf, it);
    if (!deferIcons) LoadItemIcon(b, it);
    b.Items.push_back(it);
    if (isFolder) b.Folders++;
  }
  en->Release();
  sf->Release();
}

static void FillFolder(BuildState& b) {
  OpenMenu* m = b.Menu;
  if (IsSpecialFolderPidl(m->Folder, CSIDL_DRIVES)) InterlockedOr(&m->State, SMS_COMPUTER);
  InterlockedOr(&m->State, SMS_BUILDING);
  if (m->Bits & SMO_KEY_MASK) ReadFolderFileData(b, m->Folder);
  EnumerateFolder(b, m->Folder, 0);
  if (m->SecondFolder && !Stopped(m)) {
    if (m->Bits & SMO_KEY_MASK) ReadFolderFileData(b, m->SecondFolder);
    EnumerateFolder(b, m->SecondFolder, 1);
  }
  b.FileData.clear();
  // Inserting one by one into the sorted place is quadratic; one merge
  // sort at the end gives the same order.
  SortSmItems(b.Items.data(), (int)b.Items.size(), m->Bits, (m->State & SMS_COMPUTER) != 0);
  InterlockedAnd(&m->State, ~SMS_BUILDING);
}

// Fills b; 1 when the level has items, 0 when it found none the first time
// (the window thread tries again) or was stopped.
static int BuildItems(BuildState& b) {
  OpenMenu* m = b.Menu;
  InterlockedAnd(&g_SmTree.State, ~SMTS_CREATING);
  b.MeasureDc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFont = b.MeasureDc && m->Font && m->Font->Font.Font ? SelectObject(b.MeasureDc, m->Font->Font.Font) : nullptr;
  if (m->Kind == SMK_NONE) AddNoneItem(b);
  else if (m->Kind == SMK_HISTORY) FillHistory(b);
  else if (m->Kind >= 1 && m->Kind <= 10000) FillChildMenu(b);
  else if (m->Folder) FillFolder(b);
  int result = 1;
  if (b.Items.empty() && !Stopped(m)) {
    if (!m->Folder || (m->State & SMS_EMPTY_ONCE)) {
      InterlockedAnd(&m->State, ~SMS_EMPTY_ONCE);
      AddNoneItem(b);
    } else {
      InterlockedOr(&m->State, SMS_EMPTY_ONCE);
      result = 0;
    }
  }
  if (oldFont) SelectObject(b.MeasureDc, oldFont);
  if (b.MeasureDc) DeleteDC(b.MeasureDc);
  if (Stopped(m)) result = 0;
  return result;
}

// Hands the collected items to the level: m->Built until the window
// thread adopts them.
static void PublishBuild(BuildState& b, int result) {
  OpenMenu* m = b.Menu;
  SmItem** arr = (SmItem**)SmAlloc(b.Heap, (b.Items.size() + 1) * sizeof(SmItem*));
  if (!arr) {
    for (SmItem* it : b.Items) FreeSmItem(b.Heap, it);
    b.Items.clear();
    return;
  }
  for (size_t i = 0; i < b.Items.size(); ++i) arr[i] = b.Items[i];
  FreeSmItemArray(b.Heap, m->Built, m->BuiltCount);
  m->Built = arr;
  m->BuiltCount = (int)b.Items.size();
  m->BuiltEntries = b.Entries;
  m->BuiltWidth = b.Width;
  m->BuiltHeight = b.Height;
  m->BuiltFolders = b.Folders;
  m->BuildResult = result;
}

struct DeferredIcon {
  SmItem* Item;
  int Index;
};

static DWORD WINAPI SubMenuBuilderThread(LPVOID arg) {
  OpenMenu* m = (OpenMenu*)arg;
  HRESULT co = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  BuildState b = {};
  b.Menu = m;
  b.Heap = OwnersOf(m)->Heap;
  int result = BuildItems(b);
  PublishBuild(b, result);
  if (!(m->State & SMS_DETACHED)) PostMessageW(m->Window, WMA_WORKERDONE, (WPARAM)m, 0);
  // Icons after showing: looked up here, handed over by the window thread.
  if (result && m->Kind == SMK_FOLDER && (g_App.Settings.Option1 & OPT1_DEFERRED_MENU_ICONS) &&
      !(m->Bits & SMO_NO_ICONS)) {
    InterlockedOr(&m->State, SMS_ICONS);
    // Shown entries get their icon one message each; the rest come in one
    // array at the end (slot 0 holds the count), so a big folder does not
    // flood the window with messages.
    int n = (int)b.Items.size();
    int* all = (int*)SmAlloc(b.Heap, (n + 1) * sizeof(int));
    if (all) all[0] = n;
    int first = m->FirstVisible, shown = m->Rows * m->Columns;
    for (int i = 0; i < n && !Stopped(m); ++i) {
      SmItem probe = *b.Items[i];
      probe.Attributes &= ~SMA_ICON_LOADED;
      LoadItemIcon(b, &probe);
      int index = (probe.Attributes & SMA_ICON_LOADED) ? probe.ImageIndex : -1;
      if (all) all[i + 1] = index;
      if (index >= 0 && i >= first && i < first + shown) PostMessageW(m->Window, WMA_SMREDRAWITEM, (WPARAM)i, index);
      Sleep(0);
    }
    if (all && (Stopped(m) || !PostMessageW(m->Window, WMA_SMREDRAWITEM, (WPARAM)-1, (LPARAM)all))) SmFree(b.Heap, all);
    InterlockedAnd(&m->State, ~SMS_ICONS);
  }
  if (SUCCEEDED(co)) CoUninitialize();
  DWORD code = Stopped(m) ? 1 : 0;
  SmHeap* heap = OwnersOf(m)->Heap;
  InterlockedDecrement(&g_SmBuilders);
  ReleaseSmLevel(m);  // the level may be gone after this
  ReleaseSmHeap(heap);
  return code;
}

int StartSubMenuBuilder(OpenMenu* m) {
  if (SubMenuBuilderRunning(m)) return 0;
  PrepareLevelFont(m);
  SmLevelOwners* o = OwnersOf(m);
  InterlockedIncrement(&o->Owners);
  InterlockedIncrement(&o->Heap->Refs);
  InterlockedIncrement(&g_SmBuilders);
  InterlockedAnd(&m->State, ~SMS_STOP);
  m->Builder = CreateThread(nullptr, 0, SubMenuBuilderThread, m, 0, nullptr);
  if (m->Builder) return 1;
  InterlockedDecrement(&g_SmBuilders);
  InterlockedDecrement(&o->Heap->Refs);
  InterlockedDecrement(&o->Owners);
  return 0;
}

int BuildSubMenuNow(OpenMenu* m) {
  BuildState b = {};
  b.Menu = m;
  b.Heap = OwnersOf(m)->Heap;
  int result = BuildItems(b);
  PublishBuild(b, result);
  return result;
}
