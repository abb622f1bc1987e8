// Item information: classification of targets, defaults of new buttons,
// shortcut and Internet-shortcut resolution, icon sources and icon loading.
#include <gtest/gtest.h>
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

#include "core/iteminfo.h"
#include "core/shortcut.h"
#include "state.h"
#include "store/items.h"
#include "store/lists.h"
#include "support/test_support.h"

namespace {

wchar_t* Dup(const std::wstring& s) {
  wchar_t* p = (wchar_t*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (s.size() + 1) * sizeof(wchar_t));
  memcpy(p, s.c_str(), s.size() * sizeof(wchar_t));
  return p;
}

std::wstring Str(const wchar_t* s) { return s ? s : L"(null)"; }
std::string Narrow(const wchar_t* s) {
  std::string out;
  for (; s && *s; s++) out += (char)*s;
  return out;
}
std::wstring Wide(const char* s) {
  std::wstring out;
  for (; *s; s++) out += (wchar_t)(unsigned char)*s;
  return out;
}

std::wstring SystemPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder) + L"\\" + name;
}

bool MakeShortcut(const std::wstring& lnk, const std::wstring& target, const wchar_t* args, const wchar_t* dir,
                  const wchar_t* comment, WORD hotKey, int show, const wchar_t* iconFile = nullptr, int iconIndex = 0) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link));
  if (ok) {
    link->SetPath(target.c_str());
    if (args) link->SetArguments(args);
    if (dir) link->SetWorkingDirectory(dir);
    if (comment) link->SetDescription(comment);
    if (hotKey) link->SetHotkey(hotKey);
    if (show) link->SetShowCmd(show);
    if (iconFile) link->SetIconLocation(iconFile, iconIndex);
    ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file)) && SUCCEEDED(file->Save(lnk.c_str(), TRUE));
  }
  if (file) file->Release();
  if (link) link->Release();
  CoUninitialize();
  return ok;
}

// A 32x32 ARGB .ico file (one image) of a single colour.
std::string IcoBytes(int side, DWORD argb) {
  std::string img;
  BITMAPINFOHEADER h = {};
  h.biSize = 40;
  h.biWidth = side;
  h.biHeight = side * 2;
  h.biPlanes = 1;
  h.biBitCount = 32;
  h.biSizeImage = side * side * 4;
  img.append((const char*)&h, sizeof h);
  for (int i = 0; i < side * side; i++) img.append((const char*)&argb, 4);
  img.append(((side + 31) / 32) * 4 * side, '\0');
  std::string f;
  WORD head[3] = {0, 1, 1};
  f.append((const char*)head, 6);
  BYTE e[16] = {(BYTE)side, (BYTE)side, 0, 0, 1, 0, 32, 0};
  DWORD bytes = (DWORD)img.size(), offset = 22;
  memcpy(e + 8, &bytes, 4);
  memcpy(e + 12, &offset, 4);
  f.append((const char*)e, 16);
  return f + img;
}

int IconWidth(HICON icon) {
  ICONINFO ii;
  if (!icon || !GetIconInfo(icon, &ii)) return 0;
  BITMAP bm = {};
  GetObjectW(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  DeleteObject(ii.hbmMask);
  return bm.bmWidth;
}

class ItemInfoTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::wstring exe, doc, sub;

  void SetUp() override {
    ClearItemStore();
    g_App.Settings = SettingsState();
    for (ViewModeDesign& d : g_App.Design.ViewMode) d.IconSizeGet = 32;
    exe = dir.File(L"tool.exe");
    doc = dir.File(L"notes.txt");
    sub = dir.File(L"sub");
    // A real program, so that it has icons of its own.
    ASSERT_TRUE(CopyFileW(SystemPath(L"notepad.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(doc, "text"));
    ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
    ASSERT_EQ(0, AddPage(L"P1"));
  }
  void TearDown() override { ClearItemStore(); }

  ButtonInfo* Add(const std::wstring& file, UINT type = 0, const wchar_t* name = L"x") {
    NewButtonTemplate t{};
    t.Button.Type = type;
    t.Button.File = Dup(file);
    t.Button.Name = Dup(name);
    t.Control = NBT_KEEP_FIELDS;
    return AddButton(&t, 0);
  }
};

TEST_F(ItemInfoTest, DeriveItemTypeTable) {
  SetEnvironmentVariableW(L"VN_ITEMDIR", dir.Path.c_str());
  struct Case {
    UINT Type;
    std::wstring File;
    UINT Want;
    std::wstring After;  // File afterwards; empty = unchanged
  } cases[] = {
      {0, L"", 0, L""},
      {5, L"anything.exe", 5, L""},
      {IT_CHILDMENU, sub, IT_CHILDMENU, L""},
      {0, L"http://example.com/a?b", 4, L""},
      {0, L"mailto:someone@example.com", 4, L""},
      {0, L"\"" + exe + L"\"", 1, exe},
      {2, exe, 1, L""},
      {0, doc, 2, L""},
      {0, sub + L"\\", 3, sub},
      {0, L"%VN_ITEMDIR%\\sub", 3, L""},
      {0, L"%VN_ITEMDIR%\\tool.exe", 1, L""},
      {0, dir.File(L"gone"), 2, L""},           // missing, no extension
      {0, dir.File(L"gone.cmd"), 1, L""},       // missing program
      {0, dir.File(L"gone\\"), 2, dir.File(L"gone")},
      {0, L"C:\\", 3, L"C:\\"},                 // a root keeps its backslash
      {0, L"C:", 3, L""},
      {0, L"\\\\nosuchserver", 3, L""},
      {0, L"\\\\nosuchserver\\", 3, L"\\\\nosuchserver"},
      {0, L"\\\\nosuchserver\\share", 3, L""},
      {0, L"\\\\nosuchserver\\share\\run.EXE", 1, L""},
      {0, L"\\\\nosuchserver\\share\\doc.txt", 2, L""},
      {0, L"\\\\nosuchserver\\share\\folder\\", 3, L"\\\\nosuchserver\\share\\folder"},
  };
  DWORD start = GetTickCount();
  for (const Case& c : cases) {
    wchar_t buffer[600];
    wcscpy(buffer, c.File.c_str());
    EXPECT_EQ(c.Want, DeriveItemType(c.Type, buffer)) << Narrow(c.File.c_str());
    EXPECT_EQ(c.After.empty() ? c.File : c.After, std::wstring(buffer)) << Narrow(c.File.c_str());
  }
  // UNC paths are judged by their text: no network wait.
  EXPECT_LT(GetTickCount() - start, 2000u);
  EXPECT_EQ(0u, DeriveItemType(0, nullptr));
  SetEnvironmentVariableW(L"VN_ITEMDIR", nullptr);
}

TEST_F(ItemInfoTest, DefaultsPerType) {
  struct Case {
    std::wstring File;
    UINT Type;
    std::wstring Name, Tip, Directory;
  } cases[] = {
      {exe, 1, L"tool", L"tool", dir.Path},
      {doc, 2, L"notes", L"notes", dir.Path},
      {sub, 3, L"sub", sub, L"(null)"},
      {L"C:\\", 3, L"C:\\", L"C:\\", L"(null)"},
      {L"http://example.com/", 4, L"http://example.com/", L"http://example.com/", L"(null)"},
  };
  for (const Case& c : cases) {
    ButtonInfo* b = Add(c.File);
    ClassifyItemTarget(b, CIT_DEFAULTS);
    EXPECT_EQ(c.Type, b->Type) << Narrow(c.File.c_str());
    EXPECT_EQ(c.Name, Str(b->Name));
    EXPECT_EQ(c.Tip, Str(b->Tip));
    EXPECT_EQ(c.Directory, Str(b->Directory));
    EXPECT_EQ(1, b->WindowStat);
    EXPECT_EQ(0x20, b->Flag);
  }
  // A plug-in item keeps its show state and priority.
  ButtonInfo* p = Add(L"plugin.dll", IT_PLUGIN, L"Plug");
  p->WindowStat = 3;
  ClassifyItemTarget(p, CIT_DEFAULTS);
  EXPECT_EQ(3, p->WindowStat);
  EXPECT_EQ(L"Plug", Str(p->Tip));
}

TEST_F(ItemInfoTest, TemplatesBecomeSystemItems) {
  struct Case {
    UINT Type;
    const wchar_t* File;
    UINT Want;
    int Index;
  } cases[] = {{0x8000, L"taskmgr.exe", 1, -1}, {0x8001, L"devmgmt.msc", 2, 12}, {0x8002, L"diskmgmt.msc", 2, 79}};
  for (const Case& c : cases) {
    ButtonInfo* b = Add(L"", c.Type | 0x10000, L"T");
    ClassifyItemTarget(b, CIT_DEFAULTS);
    EXPECT_EQ(0x10000u | c.Want, b->Type);
    EXPECT_EQ(SystemPath(c.File), Str(b->File));
    EXPECT_EQ(SystemPath(L"").substr(0, SystemPath(L"").size() - 1), Str(b->Directory));
    if (c.Index >= 0) {
      EXPECT_EQ(SystemPath(L"shell32.dll"), Str(b->IconFile));
      EXPECT_EQ(c.Index, b->IconIndex);
    } else {
      EXPECT_EQ(nullptr, b->IconFile);
    }
  }
}

TEST_F(ItemInfoTest, KeyFromNameUnlessTaken) {
  g_App.Settings.KeyboardOption = KBO_KEY_FROM_NAME;
  ButtonInfo* m = Add(dir.File(L"mail.exe"));
  ClassifyItemTarget(m, CIT_DEFAULTS);
  EXPECT_EQ('M', m->Keyboard);

  ButtonInfo* m2 = Add(dir.File(L"music.exe"));  // M already taken on this page
  ClassifyItemTarget(m2, CIT_DEFAULTS);
  EXPECT_EQ(0, m2->Keyboard);

  g_App.Settings.Keyboard[17] = 'N';  // a launcher key
  ButtonInfo* n = Add(dir.File(L"notes.exe"));
  ClassifyItemTarget(n, CIT_DEFAULTS);
  EXPECT_EQ(0, n->Keyboard);

  ButtonInfo* digit = Add(dir.File(L"7zip.exe"));
  ClassifyItemTarget(digit, CIT_DEFAULTS);
  EXPECT_EQ('7', digit->Keyboard);

  ButtonInfo* sign = Add(dir.File(L"_tool.exe"));
  ClassifyItemTarget(sign, CIT_DEFAULTS);
  EXPECT_EQ(0, sign->Keyboard);

  g_App.Settings.KeyboardOption = 0;
  ButtonInfo* off = Add(dir.File(L"paint.exe"));
  ClassifyItemTarget(off, CIT_DEFAULTS);
  EXPECT_EQ(0, off->Keyboard);
}

TEST_F(ItemInfoTest, FolderItemsTakeFolderDefault) {
  g_App.Settings.FolderDefault = 0x00880000 | 0x1234;
  ButtonInfo* f = Add(sub, 0x10000);
  ClassifyItemTarget(f, CIT_FOLDER_OPTIONS);
  EXPECT_EQ(0x00880000u | IT_FOLDER, f->Type);
  ButtonInfo* p = Add(exe, 0x10000);
  ClassifyItemTarget(p, CIT_FOLDER_OPTIONS);
  EXPECT_EQ(0x10000u | IT_PROGRAM, p->Type);
  ButtonInfo* kept = Add(sub, 0x10000);
  ClassifyItemTarget(kept, 0);
  EXPECT_EQ(0x10000u | IT_FOLDER, kept->Type);
}

TEST_F(ItemInfoTest, ShortcutResolvedWithModeFour) {
  std::wstring lnk = dir.File(L"My Tool.lnk");
  ASSERT_TRUE(MakeShortcut(lnk, exe, L"-a \"b c\"", sub.c_str(), L"Edits text", 0x0641, SW_SHOWMAXIMIZED));
  ShortcutInfo info;
  ASSERT_EQ(1, ReadShortcut(lnk.c_str(), &info));
  int show = info.ShowCmd;  // Wine stores no show command: it reads back 1 there
  EXPECT_EQ(0x0641, info.HotKey);
  FreeShortcutInfo(&info);
  ButtonInfo* b = Add(lnk);
  ClassifyItemTarget(b, CIT_DEFAULTS | CIT_ICONS | CIT_RESOLVE);
  EXPECT_EQ(IT_PROGRAM, ItemTypeOf(b->Type));
  EXPECT_EQ(exe, Str(b->File));
  EXPECT_EQ(L"My Tool", Str(b->Name));  // the shortcut's name
  EXPECT_EQ(L"-a \"b c\"", Str(b->Parameter));
  EXPECT_EQ(sub, Str(b->Directory));
  EXPECT_EQ(L"Edits text", Str(b->Tip));
  EXPECT_EQ(show, b->WindowStat);
  EXPECT_TRUE(show == SW_SHOWMAXIMIZED || show == SW_SHOWNORMAL) << show;
  EXPECT_EQ(0x0641, b->Keyboard);
  EXPECT_NE(nullptr, b->Icon[0]);
  EXPECT_NE(nullptr, b->Icon[1]);
}

TEST_F(ItemInfoTest, ShortcutKeptWithoutModeFour) {
  std::wstring lnk = dir.File(L"Tool.lnk");
  ASSERT_TRUE(MakeShortcut(lnk, exe, L"-x", nullptr, nullptr, 0, 0));
  ButtonInfo* b = Add(lnk);
  ClassifyItemTarget(b, CIT_DEFAULTS | CIT_ICONS);
  EXPECT_EQ(IT_DOCUMENT, ItemTypeOf(b->Type));
  EXPECT_EQ(lnk, Str(b->File));
  EXPECT_EQ(nullptr, b->Parameter);
  EXPECT_EQ(dir.Path, Str(b->Directory));
  // Shows the target's icons.
  EXPECT_NE(nullptr, b->Icon[0]);
  EXPECT_NE(nullptr, b->Icon[1]);

  // Classified again without icons: the ones it has stay.
  HICON first = b->Icon[0], second = b->Icon[1];
  for (int mode : {0, (int)CIT_DEFAULTS, CIT_DEFAULTS | CIT_RESOLVE}) {
    ClassifyItemTarget(b, mode);
    EXPECT_EQ(first, b->Icon[0]) << mode;
    EXPECT_EQ(second, b->Icon[1]) << mode;
  }
}

TEST_F(ItemInfoTest, ShortcutToFolderAlwaysBecomesFolder) {
  std::wstring lnk = dir.File(L"Sub.lnk");
  ASSERT_TRUE(MakeShortcut(lnk, sub, nullptr, dir.Path.c_str(), nullptr, 0, 0));
  ButtonInfo* b = Add(lnk);
  ClassifyItemTarget(b, CIT_DEFAULTS);
  EXPECT_EQ(IT_FOLDER, ItemTypeOf(b->Type));
  EXPECT_EQ(sub, Str(b->File));
  EXPECT_EQ(nullptr, b->Directory);  // no working folder for a folder
}

TEST_F(ItemInfoTest, ShortcutWithMissingTargetDoesNotWait) {
  std::wstring gone = dir.File(L"gone.exe");
  ASSERT_TRUE(WriteFileBytes(gone, "x"));
  std::wstring lnk = dir.File(L"Gone.lnk");
  ASSERT_TRUE(MakeShortcut(lnk, gone, nullptr, nullptr, nullptr, 0, 0));
  DeleteFileW(gone.c_str());
  ButtonInfo* b = Add(lnk);
  DWORD start = GetTickCount();
  ClassifyItemTarget(b, CIT_DEFAULTS | CIT_RESOLVE);
  EXPECT_LT(GetTickCount() - start, 3000u);
  EXPECT_EQ(gone, Str(b->File));
  EXPECT_EQ(IT_PROGRAM, ItemTypeOf(b->Type));
}

TEST_F(ItemInfoTest, BrokenShortcutStaysADocument) {
  for (const char* bytes : {"", "not a link at all", "L\0\0\0\x01\x14\x02"}) {
    std::wstring lnk = dir.File(L"broken.lnk");
    ASSERT_TRUE(WriteFileBytes(lnk, bytes));
    ButtonInfo* b = Add(lnk);
    ClassifyItemTarget(b, CIT_DEFAULTS | CIT_RESOLVE);
    EXPECT_EQ(IT_DOCUMENT, ItemTypeOf(b->Type));
    EXPECT_EQ(lnk, Str(b->File));
    ShortcutInfo info;
    EXPECT_EQ(0, ReadShortcut(lnk.c_str(), &info));
  }
}

TEST_F(ItemInfoTest, InternetShortcut) {
  std::wstring ico = dir.File(L"site.ico");
  ASSERT_TRUE(WriteFileBytes(ico, IcoBytes(32, 0xFF00FF00)));
  std::wstring url = dir.File(L"Example.url");
  ASSERT_TRUE(WriteFileBytes(url, "[InternetShortcut]\r\nURL=http://example.com/page\r\nIconFile=\"" +
                                      Narrow(ico.c_str()) + "\"\r\nIconIndex=3\r\nHotKey=1601\r\n"));
  ButtonInfo* b = Add(url);
  ClassifyItemTarget(b, CIT_DEFAULTS | CIT_RESOLVE);
  EXPECT_EQ(IT_URL, ItemTypeOf(b->Type));
  EXPECT_EQ(L"http://example.com/page", Str(b->File));
  EXPECT_EQ(ico, Str(b->IconFile));
  EXPECT_EQ(3, b->IconIndex);
  EXPECT_EQ(0x0641, b->Keyboard);  // Ctrl+Alt+A
  EXPECT_EQ(nullptr, b->Directory);

  // Without mode 4 it stays the file it is.
  ButtonInfo* kept = Add(url);
  ClassifyItemTarget(kept, CIT_DEFAULTS);
  EXPECT_EQ(IT_DOCUMENT, ItemTypeOf(kept->Type));
  EXPECT_EQ(url, Str(kept->File));

  // No URL in it: unchanged.
  std::wstring empty = dir.File(L"Empty.website");
  ASSERT_TRUE(WriteFileBytes(empty, "[InternetShortcut]\r\nIconIndex=3\r\n"));
  ButtonInfo* e = Add(empty);
  ClassifyItemTarget(e, CIT_DEFAULTS | CIT_RESOLVE);
  EXPECT_EQ(IT_DOCUMENT, ItemTypeOf(e->Type));
  EXPECT_EQ(empty, Str(e->File));
}

TEST_F(ItemInfoTest, UrlKeyLongerThanFirstBuffer) {
  std::string longUrl = "http://example.com/" + std::string(1500, 'q');
  std::wstring url = dir.File(L"Long.url");
  ASSERT_TRUE(WriteFileBytes(url, "[InternetShortcut]\r\nURL=" + longUrl + "\r\n"));
  wchar_t* got = ReadUrlFileKey(url.c_str(), L"URL");
  ASSERT_NE(nullptr, got);
  EXPECT_EQ(Wide(longUrl.c_str()), std::wstring(got));
  HeapFree(GetProcessHeap(), 0, got);
  got = ReadUrlFileKey(url.c_str(), L"IconFile");
  ASSERT_NE(nullptr, got);
  EXPECT_EQ(L"", std::wstring(got));
  HeapFree(GetProcessHeap(), 0, got);
}

TEST_F(ItemInfoTest, IconSourcesAndDefaults) {
  struct Case {
    UINT Type;
    std::wstring File;
    std::wstring WantFile;
    int WantIndex;
  } cases[] = {
      {0x1000, L"", SystemPath(L"shell32.dll"), 27},
      {0x4000, L"", SystemPath(L"shell32.dll"), 21},
      {0x4069, L"", SystemPath(L"shell32.dll"), 239},
      {IT_CHILDMENU, L"", SystemPath(L"imageres.dll"), 142},
      {IT_FOLDER, L"\\\\nosuchserver", SystemPath(L"shell32.dll"), 15},
      {IT_FOLDER, L"\\\\nosuchserver\\share", SystemPath(L"shell32.dll"), 85},
      {IT_PROGRAM, exe, exe, 0},
  };
  for (const Case& c : cases) {
    int index = -5;
    wchar_t* got = ResolveIconSource(c.Type, c.File.c_str(), nullptr, &index, 1);
    EXPECT_EQ(c.WantFile, Str(got)) << std::hex << c.Type;
    EXPECT_EQ(c.WantIndex, index) << std::hex << c.Type;
    if (got) HeapFree(GetProcessHeap(), 0, got);
  }
  int index = 0;
  EXPECT_EQ(nullptr, DefaultIconFor(0x7777, &index));
  EXPECT_EQ(-1, index);
}

TEST_F(ItemInfoTest, IconsPerViewModeWithOverlays) {
  std::wstring ico = dir.File(L"own.ico");
  ASSERT_TRUE(WriteFileBytes(ico, IcoBytes(48, 0xFFFF0000)));
  g_App.Design.ViewMode[0].IconSizeGet = 48;
  g_App.Design.ViewMode[1].IconSizeGet = 48;  // equal: the second is 16
  ButtonInfo* b = Add(doc);
  b->IconFile = Dup(ico);
  b->OverlayIcon = Dup(ico);
  b->Overlay[0].Size = 48;
  b->Overlay[1].Size = 16;
  GetItemIcon(b);
  EXPECT_EQ(48, IconWidth(b->Icon[0]));
  EXPECT_EQ(16, IconWidth(b->Icon[1]));
  EXPECT_EQ(48, IconWidth(b->Overlay[0].Icon));
  EXPECT_EQ(16, IconWidth(b->Overlay[1].Icon));

  // A child-menu button always loads 32 and 16.
  ButtonInfo* menu = Add(L"", IT_CHILDMENU, L"menu");
  ASSERT_NE(nullptr, menu);
  NewButtonTemplate t{};
  t.Button.Type = IT_PROGRAM;
  t.Button.File = Dup(exe);
  t.Button.IconFile = Dup(ico);
  t.Control = NBT_KEEP_FIELDS;
  ButtonInfo* inMenu = AddButton(&t, LIST_SUBMENU | menu->SubMenuIdx);
  ASSERT_NE(nullptr, inMenu);
  GetItemIcon(inMenu);
  EXPECT_EQ(32, IconWidth(inMenu->Icon[0]));
  EXPECT_EQ(16, IconWidth(inMenu->Icon[1]));

  // A missing icon file falls back to the system's first icon.
  ButtonInfo* missing = Add(doc);
  missing->IconFile = Dup(dir.File(L"none.ico"));
  GetItemIcon(missing);
  EXPECT_NE(nullptr, missing->Icon[0]);
  EXPECT_EQ(nullptr, missing->Overlay[0].Icon);
}

}  // namespace
