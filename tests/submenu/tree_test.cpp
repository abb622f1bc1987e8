// Menu trees over real folders: the builder's order, filters and limits,
// the "(None)" level, cascades, closing (also while a builder is busy), the
// last menu, and levels leaving the stack by identity.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/shellhelp.h"
#include "core/startup.h"
#include "state.h"
#include "submenu/submenu.h"
#include "support/test_support.h"

namespace {

// Pumps until every open level has adopted its items (or the time is up).
std::vector<SmLevelView> WaitBuilt(int levels, DWORD ms = 10000) {
  DWORD start = GetTickCount();
  for (;;) {
    Pump(10);
    std::vector<SmLevelView> v = SnapshotSubMenus();
    bool done = (int)v.size() == levels;
    for (auto& l : v) done = done && !l.Building && !l.Names.empty();
    if (done || GetTickCount() - start > ms) return v;
  }
}

void MakeFile(const std::wstring& path, int bytes) {
  std::string data(bytes, 'x');
  WriteFileBytes(path, data);
}

class SubMenuTree : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    OleInitialize(nullptr);
    SHGetMalloc(&g_App.Core.ShellMalloc);
    SHGetDesktopFolder(&g_App.Core.DesktopFolder);
    g_App.Instance = GetModuleHandleW(nullptr);
    RegisterWindowClasses(g_App.Instance);
    BindSubMenuOutlets(g_App.Instance);
  }
  void SetUp() override {
    dir_ = new TempDir;
    MakeFile(dir_->File(L"c.txt"), 10);
    MakeFile(dir_->File(L"a.txt"), 300);
    MakeFile(dir_->File(L"b.doc"), 20);
    CreateDirectoryW(dir_->File(L"sub").c_str(), nullptr);
    MakeFile(dir_->File(L"sub\\inner.txt"), 1);
    CreateDirectoryW(dir_->File(L"empty").c_str(), nullptr);
  }
  void TearDown() override {
    CloseSubMenus(0, 1);
    Pump(20);
    ASSERT_FALSE(IsSubMenuTreeOpen());
    delete dir_;
  }
  int OpenFolder(const std::wstring& path, const wchar_t* options, UINT flags = 0) {
    return OpenSubMenu(3, (INT_PTR)path.c_str(), options, POINT{100, 100}, flags);
  }
  TempDir* dir_ = nullptr;
};

TEST_F(SubMenuTree, FolderMenusListEntriesByTheOptionString) {
  using V = std::vector<std::wstring>;
  const struct {
    const wchar_t* Options;
    V Names;
  } cases[] = {
      {nullptr, {L"empty", L"sub", L"a.txt", L"b.doc", L"c.txt"}},
      {L"/ss", {L"empty", L"sub", L"c.txt", L"b.doc", L"a.txt"}},
      {L"/ssr", {L"sub", L"empty", L"a.txt", L"b.doc", L"c.txt"}},
      {L"/sd", {L"a.txt", L"b.doc", L"c.txt", L"empty", L"sub"}},
      {L"*.txt", {L"empty", L"sub", L"a.txt", L"c.txt"}},
      {L"/fid *.txt e*", {L"sub", L"b.doc"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Options ? c.Options : L"(none)");
    ASSERT_TRUE(OpenFolder(dir_->Path, c.Options));
    std::vector<SmLevelView> v = WaitBuilt(1);
    ASSERT_EQ(1u, v.size());
    EXPECT_EQ(c.Names, v[0].Names);
    EXPECT_EQ(0, v[0].Kind);
    EXPECT_TRUE(IsWindowVisible(v[0].Window));
    ASSERT_TRUE(CloseSubMenus(0, 0));
    EXPECT_FALSE(IsSubMenuTreeOpen());
  }
  // The limit counts entries as the folder gives them; the kept ones are
  // sorted.
  ASSERT_TRUE(OpenFolder(dir_->Path, L"/max2 /sd"));
  std::vector<SmLevelView> v = WaitBuilt(1);
  ASSERT_EQ(1u, v.size());
  ASSERT_EQ(2u, v[0].Names.size());
  EXPECT_LT(lstrcmpiW(v[0].Names[0].c_str(), v[0].Names[1].c_str()), 0);
}

TEST_F(SubMenuTree, EmptyFolderShowsNoneAndAFileIsRefused) {
  ASSERT_TRUE(OpenFolder(dir_->File(L"empty"), nullptr));
  std::vector<SmLevelView> v = WaitBuilt(1);
  ASSERT_EQ(1u, v.size());
  EXPECT_EQ(std::vector<std::wstring>{L"(None)"}, v[0].Names);
  ASSERT_TRUE(CloseSubMenus(0, 0));

  EXPECT_FALSE(OpenFolder(dir_->File(L"a.txt"), nullptr));
  EXPECT_FALSE(IsSubMenuTreeOpen());
  EXPECT_FALSE(OpenFolder(L"", nullptr));
  EXPECT_FALSE(OpenFolder(dir_->File(L"missing"), nullptr));
  EXPECT_FALSE(IsSubMenuTreeOpen());
}

// A press on a folder opens its level beside the item; closing above
// level 0 keeps the root; closing from 0 records the deepest folder.
TEST_F(SubMenuTree, CascadeAndLastFolder) {
  ASSERT_TRUE(OpenFolder(dir_->Path, L"/ss"));
  std::vector<SmLevelView> v = WaitBuilt(1);
  ASSERT_EQ(1u, v.size());
  ASSERT_EQ(L"sub", v[0].Names[1]);
  RECT r = v[0].ItemRects[1];
  LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(v[0].Window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(v[0].Window, WM_LBUTTONUP, 0, at);
  v = WaitBuilt(2);
  ASSERT_EQ(2u, v.size());
  EXPECT_EQ(std::vector<std::wstring>{L"inner.txt"}, v[1].Names);
  // Beside the parent item, first item level with it.
  RECT parent = v[0].ItemRects[1];
  MapWindowPoints(v[0].Window, nullptr, (POINT*)&parent, 2);
  EXPECT_GE(v[1].Rect.left, parent.right - 3);
  EXPECT_EQ(parent.top + 0, v[1].Rect.top + v[1].ItemRects[0].top);

  ASSERT_TRUE(CloseSubMenus(1, 0));
  v = SnapshotSubMenus();
  ASSERT_EQ(1u, v.size());

  SendMessageW(v[0].Window, WM_LBUTTONUP, 0, at);
  ASSERT_EQ(2u, WaitBuilt(2).size());
  ASSERT_TRUE(CloseSubMenus(0, 0));
  const auto& s = g_App.Settings.SubMenu;
  EXPECT_EQ(2, s.LastMenuType);
  ASSERT_TRUE(s.LastFolder);
  wchar_t path[MAX_PATH];
  ASSERT_TRUE(SHGetPathFromIDListW(s.LastFolder, path));
  EXPECT_EQ(0, lstrcmpiW(dir_->File(L"sub").c_str(), path));
  EXPECT_STREQ(L"/ss", s.LastOptionF);

  // The last menu reopens the stored folder with its stored options.
  ASSERT_TRUE(OpenSubMenu(0x406A, 0, nullptr, POINT{50, 50}, 0));
  v = WaitBuilt(1);
  ASSERT_EQ(1u, v.size());
  EXPECT_EQ(std::vector<std::wstring>{L"inner.txt"}, v[0].Names);
}

// A level removed from the middle of the tree leaves by identity: the
// levels around it stay and renumber.
TEST_F(SubMenuTree, LevelLeavesTheStackByIdentity) {
  ASSERT_TRUE(OpenFolder(dir_->Path, nullptr));
  std::vector<SmLevelView> v = WaitBuilt(1);
  ASSERT_EQ(L"sub", v[0].Names[1]);
  RECT r = v[0].ItemRects[1];
  LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  SendMessageW(v[0].Window, WM_LBUTTONUP, 0, at);
  v = WaitBuilt(2);
  ASSERT_EQ(2u, v.size());
  HWND root = v[0].Window, child = v[1].Window;
  ASSERT_TRUE(OpenFolder(dir_->Path, nullptr));  // a new tree closes the old one first
  v = WaitBuilt(1);
  ASSERT_EQ(1u, v.size());
  EXPECT_FALSE(IsWindow(root));
  EXPECT_FALSE(IsWindow(child));
  SendMessageW(v[0].Window, WM_LBUTTONUP, 0, at);
  v = WaitBuilt(2);
  ASSERT_EQ(2u, v.size());
  DestroyWindow(v[0].Window);  // not the top one
  std::vector<SmLevelView> after = SnapshotSubMenus();
  ASSERT_EQ(1u, after.size());
  EXPECT_EQ(v[1].Window, after[0].Window);
  EXPECT_TRUE(IsSubMenuTreeOpen());
  ASSERT_TRUE(CloseSubMenus(0, 0));
  EXPECT_FALSE(IsSubMenuTreeOpen());
}

// Closing while the builder still reads a big folder: without force the
// close waits about 100 ms for the builder to stop and is refused when it
// has not (whether it has depends on where the shell is in the folder);
// with force it always closes, and the builder ends by itself without
// touching a freed level.
TEST_F(SubMenuTree, ClosingWhileTheBuilderReadsABigFolder) {
  std::wstring big = dir_->File(L"big");
  CreateDirectoryW(big.c_str(), nullptr);
  for (int i = 0; i < 10000; ++i) MakeFile(big + L"\\f" + std::to_wstring(i) + L".dat", 0);
  ASSERT_TRUE(OpenFolder(big, L"/ss"));
  Pump(30);
  DWORD t0 = GetTickCount();
  int closed = CloseSubMenus(0, 0);
  EXPECT_LT(GetTickCount() - t0, 1000u);
  EXPECT_EQ(!closed, IsSubMenuTreeOpen());
  if (!closed) {
    EXPECT_TRUE(CloseSubMenus(0, 1));
  }
  EXPECT_FALSE(IsSubMenuTreeOpen());
  DWORD start = GetTickCount();
  while (RunningSubMenuBuilders() && GetTickCount() - start < 30000) Pump(20);
  EXPECT_EQ(0, RunningSubMenuBuilders());
  // A new tree opens at once and works.
  ASSERT_TRUE(OpenFolder(dir_->Path, nullptr));
  EXPECT_EQ(6u, WaitBuilt(1)[0].Names.size());  // with the big folder
}

TEST(SubMenuClipboard, TextBecomesOnePathWithinItsBuffer) {
  const struct {
    const wchar_t* Text;
    int Chars;
    const wchar_t* Want;
  } cases[] = {
      {L"\"C:\\Data\"\r\n", 100, L"C:\\Data"},
      {L"\tC:\\a b\t", 100, L"C:\\a b"},
      {L"C:\\abcdef", 5, L"C:\\a"},  // cut to the buffer
      {L"", 10, L""},
  };
  for (const auto& c : cases) {
    wchar_t out[100];
    CleanClipboardPath(c.Text, wcslen(c.Text), out, c.Chars);
    EXPECT_STREQ(c.Want, out);
  }
  // Text without a terminator inside its block is read only to the block.
  wchar_t block[4] = {L'C', L':', L'\\', L'x'};
  wchar_t out[16];
  CleanClipboardPath(block, 3, out, 16);
  EXPECT_STREQ(L"C:\\", out);
}

}  // namespace
