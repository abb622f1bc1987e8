// Sub-menus in the real launcher: folder-menu buttons open a sorted level
// that cascades into sub-folders, a child-menu button shows its buttons,
// WMA_CLOSESUBMENUS closes the tree, and the last menu is written at exit
// and reopened by a second start.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/launcher_fixture.h"
#include "support/skin_files.h"
#include "hooklib/vnhook.h"
#include "support/test_support.h"

namespace e2e {
namespace {

const wchar_t kMenuClass[] = L"VnSubMenuWndClass";

struct MenuFind {
  DWORD Pid;
  std::vector<HWND> Found;
};

BOOL CALLBACK NoteMenu(HWND w, LPARAM lp) {
  MenuFind* f = (MenuFind*)lp;
  wchar_t cls[32];
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == f->Pid && IsWindowVisible(w) && GetClassNameW(w, cls, 32) && !lstrcmpW(cls, kMenuClass))
    f->Found.push_back(w);
  return TRUE;
}

// The visible sub-menu windows of the launcher, left to right.
std::vector<HWND> Menus(const Launcher& l) {
  MenuFind f = {l.Info.dwProcessId, {}};
  EnumWindows(NoteMenu, (LPARAM)&f);
  std::sort(f.Found.begin(), f.Found.end(),
            [](HWND a, HWND b) { return WindowRect(a).left < WindowRect(b).left; });
  return f.Found;
}

// Waits for count visible levels whose sizes stay put for 200 ms.
std::vector<HWND> WaitMenus(const Launcher& l, size_t count, DWORD timeoutMs = 10000) {
  DWORD start = GetTickCount();
  std::vector<RECT> last;
  for (;;) {
    std::vector<HWND> m = Menus(l);
    std::vector<RECT> now;
    for (HWND w : m) now.push_back(WindowRect(w));
    bool same = m.size() == count && now.size() == last.size() &&
                std::equal(now.begin(), now.end(), last.begin(), [](const RECT& a, const RECT& b) {
                  return EqualRect(&a, &b) != FALSE;
                });
    if (same && count && WindowRect(m[0]).bottom - WindowRect(m[0]).top > 1) return m;
    if (same && !count) return m;
    if (GetTickCount() - start > timeoutMs) return m;
    last = now;
    Sleep(200);
  }
}

int ClientHeight(HWND w) {
  RECT r;
  GetClientRect(w, &r);
  return r.bottom;
}

// Item rows of a single-column level from its height (classic frame 3 + 3).
int RowsOf(HWND w, int itemHeight) { return (ClientHeight(w) - 6) / itemHeight; }

void Click(HWND menu, int row, int itemHeight) {
  RECT c;
  GetClientRect(menu, &c);
  LPARAM at = MAKELPARAM(c.right / 2, 3 + row * itemHeight + itemHeight / 2);
  PostMessageW(menu, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(menu, WM_LBUTTONUP, 0, at);
}

// Keeps a PNG of the screen over the windows in the build folder. Taken
// from X itself: the screen DC of this process does not show the plain
// (not layered) popups of another one.
void Keep(const std::vector<HWND>& windows, const wchar_t* name) {
  RECT all = WindowRect(windows[0]);
  for (HWND w : windows) {
    RECT r = WindowRect(w);
    UnionRect(&all, &all, &r);
  }
  Sleep(300);
  std::wstring path = BuildFile(name);
  if (path.size() > 2 && path[1] == L':') path = path.substr(2);
  for (wchar_t& c : path)
    if (c == L'\\') c = L'/';
  DeleteFileW(BuildFile(name).c_str());
  wchar_t crop[64];
  wsprintfW(crop, L"%dx%d+%d+%d", all.right - all.left, all.bottom - all.top, all.left, all.top);
  // A BMP in the plain format the system's loader reads.
  if (path.size() > 4 && !lstrcmpiW(path.c_str() + path.size() - 4, L".bmp")) path = L"BMP3:" + path;
  std::wstring cmd = L"/bin/sh -c \"xwd -root -silent | /usr/bin/convert xwd:- -crop " + std::wstring(crop) + L" " +
                     path + L"\"";
  std::vector<wchar_t> buf(cmd.begin(), cmd.end());
  buf.push_back(0);
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessW(L"/bin/sh", buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  DWORD start = GetTickCount();
  while (GetFileAttributesW(BuildFile(name).c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 10000)
    Sleep(100);
  Sleep(300);  // the writer finishes the file
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(BuildFile(name).c_str())) << "screenshot " << name;
}

std::wstring Hex8(UINT v) {
  wchar_t b[16];
  wsprintfW(b, L"%08x", v);
  return b;
}

std::wstring Button(UINT type, const std::wstring& name, const std::wstring& file, const std::wstring& options, int col,
                    const std::wstring& extra = L"") {
  return L"Type=" + Hex8(type) + L"\r\nName=" + name + L"\r\nFile=" + file + L"\r\nParameter=\r\nDirectory=" + options +
         L"\r\nWindowStat=1\r\nFlag=00000020\r\nTip=\r\nKeyboard=0000\r\n" + extra + L"ViewMode1Pos=0," +
         std::to_wstring(col) + L"\r\nViewMode2Pos=0," + std::to_wstring(col) + L"\r\n";
}

// Started and shown where it stands, so that later changes are saved.
HWND StartAndShow(Launcher& l, const ProgramFolder& folder) {
  HWND w = l.StartReady(folder, L"/nh");
  if (!w) return nullptr;
  SendMessageW(w, WMA_SHOWLAUNCHER, MAKEWPARAM(0x300, 0xFFFF), 0);
  return BecomesVisible(w) && l.Answers() ? w : nullptr;
}

class SubMenuE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    // a (1 entry), b.txt, c (3 entries), d.txt: in mixed name order the
    // folders lie on rows 0 and 2; reversed on rows 1 and 3.
    root_ = files_.File(L"menu");
    CreateDirectoryW(root_.c_str(), nullptr);
    for (const wchar_t* d : {L"a", L"c"}) CreateDirectoryW((root_ + L"\\" + d).c_str(), nullptr);
    WriteFileBytes(root_ + L"\\a\\one.txt", "1");
    for (const wchar_t* f : {L"c\\x1.txt", L"c\\x2.txt", L"c\\x3.txt", L"b.txt", L"d.txt"})
      WriteFileBytes(root_ + L"\\" + f, "12");
    std::vector<std::wstring> buttons = {
        Button(0x80003, L"Mixed", root_, L"/sd", 0),
        Button(0x80003, L"Reversed", root_, L"/sdr", 1),
        Button(0x10, L"Child", L"", L"", 2, L"SubMenuIdx=0\r\n"),
        Button(0x406A, L"Last", L"", L"", 3),
    };
    folder_.SeedSettings(1, L"", buttons);
    // One child menu with two buttons.
    std::string bytes = ReadFileBytes(folder_.Settings());
    std::wstring text((const wchar_t*)(bytes.data() + 2), (bytes.size() - 2) / 2);
    size_t at = text.find(L"[SubMenus]");
    ASSERT_NE(std::wstring::npos, at);
    text = text.substr(0, at) + L"[SubMenus]\r\nCount=1\r\n\r\n[SubMenu000]\r\nPage=00000000\r\nButton=2\r\nCount=3\r\n\r\n[Btn000]\r\n" +
           Button(1, L"First", L"C:\\windows\\notepad.exe", L"", 0) + L"\r\n[Btn001]\r\n" +
           Button(1, L"Second", L"C:\\windows\\notepad.exe", L"", 1) + L"\r\n[Btn002]\r\n" +
           Button(1, L"Third", L"C:\\windows\\notepad.exe", L"", 2);
    ASSERT_TRUE(WriteUtf16File(folder_.Settings(), text));
  }
  ProgramFolder folder_{true};
  TempDir files_;
  std::wstring root_;
};

TEST_F(SubMenuE2e, FolderMenusSortCascadeAndClose) {
  Launcher l;
  HWND w = StartAndShow(l, folder_);
  ASSERT_NE(nullptr, w) << ReadFileBytes(folder_.MessageLog());

  PostMessageW(w, WMA_EXECUTE, 0, 0);  // "Mixed"
  std::vector<HWND> m = WaitMenus(l, 1);
  ASSERT_EQ(1u, m.size());
  // Four entries in one column.
  ASSERT_EQ(0, (ClientHeight(m[0]) - 6) % 4);
  int item = (ClientHeight(m[0]) - 6) / 4;
  ASSERT_GT(item, 10);
  Keep({w, m[0]}, L"submenu-folder.png");

  // Row 2 is the folder with three entries: it cascades beside row 2.
  Click(m[0], 2, item);
  m = WaitMenus(l, 2);
  ASSERT_EQ(2u, m.size());
  EXPECT_EQ(3, RowsOf(m[1], item));
  EXPECT_GE(WindowRect(m[1]).left, WindowRect(m[0]).right - 6);
  EXPECT_EQ(WindowRect(m[0]).top + 2 * item, WindowRect(m[1]).top);
  Keep({w, m[0], m[1]}, L"submenu-cascade.png");
  // Row 0 (the one-entry folder) replaces the cascade; row 1 is a file.
  Click(m[0], 0, item);
  m = WaitMenus(l, 2);
  ASSERT_EQ(2u, m.size());
  EXPECT_EQ(1, RowsOf(m[1], item));
  Click(m[0], 1, item);
  EXPECT_EQ(2u, WaitMenus(l, 2).size());

  PostMessageW(w, WMA_CLOSESUBMENUS, 0, 0);
  EXPECT_EQ(0u, WaitMenus(l, 0).size());

  // Reversed: the three-entry folder is on row 1, the other on row 3.
  PostMessageW(w, WMA_EXECUTE, 1, 0);
  m = WaitMenus(l, 1);
  ASSERT_EQ(1u, m.size());
  Click(m[0], 1, item);
  m = WaitMenus(l, 2);
  ASSERT_EQ(2u, m.size());
  EXPECT_EQ(3, RowsOf(m[1], item));
  Click(m[0], 3, item);
  m = WaitMenus(l, 2);
  ASSERT_EQ(2u, m.size());
  EXPECT_EQ(1, RowsOf(m[1], item));
  PostMessageW(w, WMA_CLOSESUBMENUS, 1, 0);  // only the cascade
  EXPECT_EQ(1u, WaitMenus(l, 1).size());
  PostMessageW(w, WMA_CLOSESUBMENUS, 0, 0);
  EXPECT_EQ(0u, WaitMenus(l, 0).size());
  EXPECT_TRUE(l.Running());
  EXPECT_EQ(0, l.Quit());
  EXPECT_EQ(L"2", folder_.GeneralValue(L"LastMenuType"));
  EXPECT_EQ(L"/sdr", folder_.GeneralValue(L"LastOptionF"));
  EXPECT_EQ("", ReadFileBytes(folder_.MessageLog()));
}

TEST_F(SubMenuE2e, ChildMenuShowsItsButtonsAndIsTheLastMenuOfTheNextStart) {
  int item = 0;
  {
    Launcher l;
    HWND w = StartAndShow(l, folder_);
    ASSERT_NE(nullptr, w) << ReadFileBytes(folder_.MessageLog());
    // The row height from the four-entry folder menu.
    PostMessageW(w, WMA_EXECUTE, 0, 0);
    std::vector<HWND> m = WaitMenus(l, 1);
    ASSERT_EQ(1u, m.size());
    ASSERT_EQ(0, (ClientHeight(m[0]) - 6) % 4);
    item = (ClientHeight(m[0]) - 6) / 4;
    PostMessageW(w, WMA_EXECUTE, 2, 0);  // "Child" closes the folder menu first
    DWORD start = GetTickCount();
    while (IsWindow(m[0]) && GetTickCount() - start < 5000) Sleep(50);
    EXPECT_FALSE(IsWindow(m[0]));
    m = WaitMenus(l, 1);
    ASSERT_EQ(1u, m.size());
    Keep({w, m[0]}, L"submenu-child.png");
    EXPECT_EQ(3 * item + 6, ClientHeight(m[0]));
    // A click on a button the window does not run yet changes nothing.
    Click(m[0], 1, item);
    EXPECT_EQ(1u, WaitMenus(l, 1).size());
    EXPECT_EQ(0, l.Quit());  // exit with the menu open records it
    EXPECT_EQ(L"1", folder_.GeneralValue(L"LastMenuType"));
    EXPECT_EQ(L"00000001", folder_.GeneralValue(L"LastSubMenu"));
  }
  // A second start from what was written: the last-menu button reopens it.
  Launcher again;
  HWND w = StartAndShow(again, folder_);
  ASSERT_NE(nullptr, w) << ReadFileBytes(folder_.MessageLog());
  PostMessageW(w, WMA_EXECUTE, 3, 0);
  std::vector<HWND> m = WaitMenus(again, 1);
  ASSERT_EQ(1u, m.size());
  EXPECT_EQ(3 * item + 6, ClientHeight(m[0]));
  Keep({w, m[0]}, L"submenu-last.png");
  EXPECT_EQ(0, again.Quit());
  EXPECT_EQ("", ReadFileBytes(folder_.MessageLog()));
}

// The shipped skin: the item under the mouse shows the skin's selected
// face rather than the classic highlight (the picture of a folder taller
// than the screen also shows the skin's scroll buttons).
TEST(SubMenuSkinE2e, TheShippedSkinDrawsItemFacesAndScrollButtons) {
  ProgramFolder folder(true);
  InstallSettingsTool(folder.Dir.Path);
  TempDir files;
  std::wstring many = files.File(L"many");
  CreateDirectoryW(many.c_str(), nullptr);
  for (int i = 0; i < 150; ++i) {
    wchar_t name[32];
    wsprintfW(name, L"\\file%03d.txt", i);
    WriteFileBytes(many + name, "1");
  }
  folder.SeedSettings(1, L"", {Button(0x80003, L"Many", many, L"", 0)});
  ToolRun r = RunSettingsTool(folder.Dir.Path, folder.Dir.File(L"Data"), {L"skin", L"\\Basalt"});
  ASSERT_EQ(0, r.Code) << r.Output;

  Launcher l;
  HWND w = StartAndShow(l, folder);
  ASSERT_NE(nullptr, w) << ReadFileBytes(folder.MessageLog());
  PostMessageW(w, WMA_EXECUTE, 0, 0);
  std::vector<HWND> m = WaitMenus(l, 1);
  ASSERT_EQ(1u, m.size());
  RECT c;
  GetClientRect(m[0], &c);
  const int x = c.right / 2, y = c.bottom / 2;
  PostMessageW(m[0], WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  Sleep(300);
  Keep({m[0]}, L"submenu-skin.bmp");
  HBITMAP shot = (HBITMAP)LoadImageW(nullptr, BuildFile(L"submenu-skin.bmp").c_str(), IMAGE_BITMAP, 0, 0,
                                     LR_LOADFROMFILE | LR_CREATEDIBSECTION);
  ASSERT_NE(nullptr, shot);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, shot);
  // The client lies at the window's corner (no frame); the hovered row
  // around y holds none of the classic highlight.
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  int highlighted = 0;
  for (int dy = -4; dy <= 4; ++dy)
    for (int px = 10; px < c.right - 10; px += 3) highlighted += GetPixel(dc, px, y + dy) == highlight;
  EXPECT_EQ(0, highlighted);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(shot);
  EXPECT_TRUE(l.Running());
  EXPECT_EQ(0, l.Quit());
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
}

}  // namespace
}  // namespace e2e
