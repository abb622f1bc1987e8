// Shell helpers: identifier lists, opening, shortcut names and files, the
// context menu's one-at-a-time guard.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <set>
#include <string>

#include "core/shellhelp.h"
#include "core/startup.h"
#include "state.h"
#include "support/test_support.h"

namespace {

class ShellHelpTest : public testing::Test {
 protected:
  void SetUp() override {
    init_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    ASSERT_TRUE(SUCCEEDED(SHGetMalloc(&g_App.Core.ShellMalloc)));
    ASSERT_TRUE(SUCCEEDED(SHGetDesktopFolder(&g_App.Core.DesktopFolder)));
  }
  void TearDown() override {
    g_App.Core.DesktopFolder->Release();
    g_App.Core.ShellMalloc->Release();
    g_App.Core.DesktopFolder = nullptr;
    g_App.Core.ShellMalloc = nullptr;
    if (SUCCEEDED(init_)) CoUninitialize();
  }
  // A list of the given item sizes, each item filled with its index.
  LPITEMIDLIST MakeList(std::initializer_list<int> sizes) {
    UINT total = 2;
    for (int s : sizes) total += s;
    BYTE* p = (BYTE*)g_App.Core.ShellMalloc->Alloc(total);
    memset(p, 0, total);
    BYTE* at = p;
    int i = 1;
    for (int s : sizes) {
      ((SHITEMID*)at)->cb = (USHORT)s;
      memset(at + 2, i++, s - 2);
      at += s;
    }
    return (LPITEMIDLIST)p;
  }
  HRESULT init_ = E_FAIL;
};

TEST_F(ShellHelpTest, ListSizesCopiesAndSplits) {
  LPITEMIDLIST list = MakeList({6, 10, 4});
  EXPECT_EQ(22u, PidlSize(list));
  EXPECT_EQ(0u, PidlSize(nullptr));

  LPITEMIDLIST copy = ClonePidl(list);
  ASSERT_NE(nullptr, copy);
  EXPECT_NE(list, copy);
  EXPECT_EQ(0, memcmp(list, copy, 22));

  LPITEMIDLIST parent = nullptr;
  LPCITEMIDLIST last = SplitPidl(list, &parent);
  ASSERT_NE(nullptr, last);
  EXPECT_EQ((const BYTE*)list + 16, (const BYTE*)last);  // inside the given list
  EXPECT_EQ(18u, PidlSize(parent));
  EXPECT_EQ(0, memcmp(list, parent, 16));

  // One item: the parent is the empty list.
  LPITEMIDLIST one = MakeList({8});
  LPITEMIDLIST emptyParent = nullptr;
  EXPECT_EQ((LPCITEMIDLIST)one, SplitPidl(one, &emptyParent));
  ASSERT_NE(nullptr, emptyParent);
  EXPECT_EQ(2u, PidlSize(emptyParent));

  LPITEMIDLIST none = nullptr;
  LPITEMIDLIST empty = MakeList({});
  EXPECT_EQ(nullptr, SplitPidl(empty, &none));
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(nullptr, SplitPidl(nullptr, &none));

  for (LPITEMIDLIST l : {list, copy, parent, one, emptyParent, empty}) FreePidl(l);
}

TEST_F(ShellHelpTest, CombineAlwaysGivesANewList) {
  LPITEMIDLIST a = MakeList({6, 4});
  LPITEMIDLIST b = MakeList({8});
  LPITEMIDLIST ab = CombinePidl(a, b);
  ASSERT_NE(nullptr, ab);
  EXPECT_EQ(20u, PidlSize(ab));
  EXPECT_EQ(0, memcmp(ab, a, 10));
  EXPECT_EQ(0, memcmp((BYTE*)ab + 10, b, 10));

  // Both sides free what they hold: b missing must still give a copy.
  LPITEMIDLIST alone = CombinePidl(a, nullptr);
  ASSERT_NE(nullptr, alone);
  EXPECT_NE(a, alone);
  EXPECT_EQ(PidlSize(a), PidlSize(alone));
  EXPECT_EQ(0, memcmp(a, alone, PidlSize(a)));
  LPITEMIDLIST onlyB = CombinePidl(nullptr, b);
  ASSERT_NE(nullptr, onlyB);
  EXPECT_NE(b, onlyB);
  for (LPITEMIDLIST l : {a, b, ab, alone, onlyB}) FreePidl(l);
}

TEST_F(ShellHelpTest, ParsePathsAndSpecialFolders) {
  LPITEMIDLIST drive = nullptr;
  ASSERT_EQ(1, ParsePathToPidl(L"C:", &drive));
  wchar_t path[MAX_PATH];
  ASSERT_TRUE(SHGetPathFromIDListW(drive, path));
  EXPECT_STREQ(L"C:\\", path);
  FreePidl(drive);

  TempDir dir;
  LPITEMIDLIST folder = nullptr;
  ASSERT_EQ(1, ParsePathToPidl(dir.Path.c_str(), &folder));
  ASSERT_TRUE(SHGetPathFromIDListW(folder, path));
  EXPECT_EQ(0, lstrcmpiW(dir.Path.c_str(), path));
  wchar_t name[MAX_PATH] = L"?";
  EXPECT_EQ(1, ShellOpenItem(folder, 0, name, nullptr, nullptr));  // a folder, not opened
  EXPECT_STREQ(PathFindFileNameW(dir.Path.c_str()), name);
  FreePidl(folder);

  LPITEMIDLIST missing = (LPITEMIDLIST)1;
  EXPECT_EQ(0, ParsePathToPidl(dir.File(L"no such file").c_str(), &missing));
  EXPECT_EQ(nullptr, missing);
  EXPECT_EQ(0, ParsePathToPidl(L"", &missing));

  LPITEMIDLIST desktop = nullptr;
  ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop)));
  EXPECT_EQ(1, IsSpecialFolderPidl(desktop, CSIDL_DESKTOP));
  LPITEMIDLIST drives = nullptr;
  ASSERT_TRUE(SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives)));
  EXPECT_EQ(0, IsSpecialFolderPidl(drives, CSIDL_DESKTOP));
  EXPECT_EQ(1, IsSpecialFolderPidl(drives, CSIDL_DRIVES));
  CoTaskMemFree(desktop);
  CoTaskMemFree(drives);
}

TEST_F(ShellHelpTest, WithoutTheShellAllocatorNothingIsMade) {
  IMalloc* saved = g_App.Core.ShellMalloc;
  g_App.Core.ShellMalloc = nullptr;
  BYTE raw[8] = {6, 0, 1, 2, 3, 4, 0, 0};
  LPITEMIDLIST parent = (LPITEMIDLIST)1;
  EXPECT_EQ(nullptr, ClonePidl((LPCITEMIDLIST)raw));
  EXPECT_EQ(nullptr, CombinePidl((LPCITEMIDLIST)raw, nullptr));
  EXPECT_EQ(nullptr, SplitPidl((LPCITEMIDLIST)raw, &parent));
  EXPECT_EQ(nullptr, parent);
  g_App.Core.ShellMalloc = saved;
}

std::set<std::wstring> g_Taken;
int IsTaken(const wchar_t* path) { return g_Taken.count(path) ? 1 : 0; }
int AllTaken(const wchar_t*) { return 1; }

TEST(ShortcutNameTest, NumbersFromTwoUpAndNeverOverwrites) {
  wchar_t out[MAX_PATH];
  struct Case {
    std::set<std::wstring> taken;
    const wchar_t* folder;
    const wchar_t* target;
    const wchar_t* want;
  } cases[] = {
      {{}, L"C:\\f", L"D:\\x\\tool.exe", L"C:\\f\\tool.lnk"},
      {{}, L"C:\\f\\", L"D:\\x\\tool.exe", L"C:\\f\\tool.lnk"},
      {{L"C:\\f\\tool.lnk"}, L"C:\\f", L"D:\\x\\tool.exe", L"C:\\f\\tool (2).lnk"},
      {{L"C:\\f\\tool.lnk", L"C:\\f\\tool (2).lnk"}, L"C:\\f", L"D:\\x\\tool.exe", L"C:\\f\\tool (3).lnk"},
      {{}, L"C:\\f", L"D:\\x\\archive.tar.gz", L"C:\\f\\archive.tar.lnk"},
      {{}, L"C:\\f", L"D:\\x\\README", L"C:\\f\\README.lnk"},
  };
  for (const Case& c : cases) {
    g_Taken = c.taken;
    ASSERT_EQ(1, PickShortcutName(c.folder, c.target, IsTaken, out, MAX_PATH)) << c.want;
    EXPECT_STREQ(c.want, out);
  }
  // Every name up to 9999 taken: no name rather than an overwrite.
  EXPECT_EQ(0, PickShortcutName(L"C:\\f", L"D:\\tool.exe", AllTaken, out, MAX_PATH));
  // A name that does not fit the buffer.
  g_Taken.clear();
  EXPECT_EQ(0, PickShortcutName(L"C:\\f", L"D:\\tool.exe", IsTaken, out, 10));
  EXPECT_EQ(0, PickShortcutName(L"C:\\f", L"D:\\.hidden", IsTaken, out, MAX_PATH));
}

TEST_F(ShellHelpTest, CreatedShortcutGetsTheNextFreeNumber) {
  TempDir dir;
  std::wstring target = dir.File(L"target.txt");
  ASSERT_TRUE(WriteFileBytes(target, "hello"));
  ASSERT_TRUE(WriteFileBytes(dir.File(L"target.lnk"), "taken"));
  ASSERT_TRUE(WriteFileBytes(dir.File(L"target (2).lnk"), "taken"));
  ASSERT_EQ(1, CreateShortcutFile(dir.Path.c_str(), target.c_str()));
  EXPECT_EQ("taken", ReadFileBytes(dir.File(L"target.lnk")));
  EXPECT_EQ("taken", ReadFileBytes(dir.File(L"target (2).lnk")));
  std::wstring made = dir.File(L"target (3).lnk");
  ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(made.c_str()));

  // The shortcut leads back to the target, with its folder to work in.
  IShellLinkW* link = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link)));
  IPersistFile* file = nullptr;
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file)));
  ASSERT_TRUE(SUCCEEDED(file->Load(made.c_str(), STGM_READ)));
  wchar_t text[MAX_PATH];
  ASSERT_TRUE(SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH)));
  EXPECT_EQ(0, lstrcmpiW(target.c_str(), text));
  ASSERT_TRUE(SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH)));
  EXPECT_EQ(0, lstrcmpiW(dir.Path.c_str(), text));
  file->Release();
  link->Release();

  EXPECT_EQ(0, CreateShortcutFile(dir.Path.c_str(), L""));
}

// While the menu tracks, a second request is refused at once.
int g_NestedResult = -1;
void CALLBACK TryNestedMenu(HWND w, UINT, UINT_PTR id, DWORD) {
  KillTimer(w, id);
  LPITEMIDLIST drives = nullptr;
  SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives);
  LPCITEMIDLIST child = drives;
  POINT pt = {10, 10};
  g_NestedResult = ShellContextMenu(nullptr, &child, 1, w, pt);
  CoTaskMemFree(drives);
  EndMenu();
}

TEST_F(ShellHelpTest, ContextMenuOneAtATime) {
  TempDir dir;
  std::wstring file = dir.File(L"item.txt");
  ASSERT_TRUE(WriteFileBytes(file, "x"));
  LPITEMIDLIST list = nullptr;
  ASSERT_EQ(1, ParsePathToPidl(file.c_str(), &list));
  LPITEMIDLIST parent = nullptr;
  LPCITEMIDLIST last = SplitPidl(list, &parent);
  HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, owner);
  HWND savedMain = g_App.MainWnd;
  g_App.MainWnd = nullptr;
  g_NestedResult = -1;
  SetTimer(owner, 1, 300, TryNestedMenu);
  POINT pt = {20, 20};
  int verb = ShellContextMenu(parent, &last, 1, owner, pt);
  EXPECT_EQ(SCM_NONE, verb);      // closed without a choice
  EXPECT_EQ(0, g_NestedResult);   // the nested call was refused
  EXPECT_EQ(0u, g_App.UiStateFlags & 1);
  g_App.MainWnd = savedMain;
  DestroyWindow(owner);
  FreePidl(parent);
  FreePidl(list);
}

}  // namespace

namespace {

TEST(EnablePrivilegeTest, FailureIsReported) {
  BindOptionalFunctions();
  EXPECT_EQ(1, EnablePrivilege(L"SeShutdownPrivilege"));
  EXPECT_EQ(0, EnablePrivilege(L"SeNoSuchPrivilege"));
  EXPECT_EQ(0, EnablePrivilege(nullptr));
  OptionalApi saved = g_App.Api;
  g_App.Api.AdjustTokenPrivileges = nullptr;  // not bound: nothing was enabled
  EXPECT_EQ(0, EnablePrivilege(L"SeShutdownPrivilege"));
  g_App.Api = saved;
}

}  // namespace
