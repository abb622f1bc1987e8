// The search window of the real Vantrel.exe: opened by its menu command,
// typed into, launching the selected hit with Enter and closed with Esc.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "e2e/launcher_fixture.h"
#include "e2e/screen_capture.h"
#include "support/test_support.h"

namespace {

using namespace e2e;

HWND FindSearchWindowOf(DWORD pid, DWORD timeoutMs = 5000) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    for (HWND w = FindWindowExW(nullptr, nullptr, L"VnSearchWndClass", nullptr); w;
         w = FindWindowExW(nullptr, w, L"VnSearchWndClass", nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      if (owner == pid && IsWindowVisible(w)) return w;
    }
    Sleep(20);
  }
  return nullptr;
}

// The window grows by one row per hit; waits until its height stops changing.
int SettledHeight(HWND w) {
  int last = -1;
  for (int i = 0; i < 50; i++) {
    Sleep(60);
    int h = WindowRect(w).bottom - WindowRect(w).top;
    if (h == last) return h;
    last = h;
  }
  return last;
}

void Type(HWND edit, const wchar_t* text) {
  for (const wchar_t* p = text; *p; p++) PostMessageW(edit, WM_CHAR, *p, 1);
}

void Key(HWND edit, WORD vk) {
  PostMessageW(edit, WM_KEYDOWN, vk, 1);
  PostMessageW(edit, WM_KEYUP, vk, 0xC0000001);
}

TEST(SearchE2E, TypedTextListsHitsInOrderEnterLaunchesAndEscCloses) {
  ProgramFolder folder(false);
  // Row, column: "NOTES" sits in an earlier row than "Notebook"; "Mynote"
  // matches further in; "Calc" not at all.
  folder.SeedSettings(1, L"KeyboardOption=00000005\r\n", {folder.MarkerButton(L"Notebook", 1, 0), folder.MarkerButton(L"Mynote", 0, 1),
                                folder.MarkerButton(L"NOTES", 0, 4), folder.MarkerButton(L"Calc", 0, 2)},
                      L"00b4e001");  // without "close the search window after a launch"
  Launcher l;
  HWND w = l.StartReady(folder, L"/n /l");
  ASSERT_NE(nullptr, w);
  ASSERT_TRUE(BecomesVisible(w));

  PostMessageW(w, WM_COMMAND, 40007, 0);
  HWND search = FindSearchWindowOf(l.Info.dwProcessId);
  ASSERT_NE(nullptr, search);
  HWND edit = FindWindowExW(search, nullptr, L"Edit", nullptr);
  ASSERT_NE(nullptr, edit);
  RECT lr = WindowRect(w), sr = WindowRect(search);
  EXPECT_EQ(lr.left, sr.left) << "attached below the launcher";
  EXPECT_EQ(lr.bottom, sr.top);
  int empty = SettledHeight(search);

  Type(edit, L"note");
  int three = SettledHeight(search);
  EXPECT_GT(three, empty);
  // The selected first row is drawn highlighted.
  std::unique_ptr<Canvas> shot = CaptureAndKeep(search, L"search_window.bmp");
  COLORREF hl = GetSysColor(COLOR_HIGHLIGHT);
  int lit = 0;
  for (int i = 0; i < shot->Width * shot->Height; i++) {
    DWORD p = shot->Bits[i];
    lit += RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF) == hl;
  }
  EXPECT_GT(lit, shot->Width * 10) << "no highlighted row";
  EXPECT_LT(lit, shot->Width * shot->Height / 2) << "only one row is highlighted";
  Key(edit, VK_RETURN);  // the first hit is selected
  WaitForMarks(folder, 1);
  EXPECT_EQ("NOTES", MarkNames(folder));
  Key(edit, VK_DOWN);
  Key(edit, VK_RETURN);
  WaitForMarks(folder, 2);
  Key(edit, VK_DOWN);
  Key(edit, VK_RETURN);
  WaitForMarks(folder, 3);
  EXPECT_EQ("NOTES Notebook Mynote", MarkNames(folder));

  // One more letter narrows the list to one row.
  Type(edit, L"b");
  int one = SettledHeight(search);
  EXPECT_LT(one, three);
  EXPECT_GT(one, empty);
  EXPECT_EQ((three - empty) / 3, one - empty) << "one row per hit";

  // Moving the launcher takes the window along.
  SetWindowPos(w, nullptr, lr.left + 40, lr.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Sleep(300);
  EXPECT_EQ(WindowRect(w).left, WindowRect(search).left);
  EXPECT_EQ(WindowRect(w).bottom, WindowRect(search).top);

  Key(edit, VK_ESCAPE);
  DWORD start = GetTickCount();
  while (IsWindow(search) && GetTickCount() - start < 5000) Sleep(20);
  EXPECT_FALSE(IsWindow(search));
  EXPECT_TRUE(IsWindow(w));

  // A character typed over the launcher opens the window with it.
  PostMessageW(w, WM_CHAR, 'c', 1);
  search = FindSearchWindowOf(l.Info.dwProcessId);
  ASSERT_NE(nullptr, search);
  edit = FindWindowExW(search, nullptr, L"Edit", nullptr);
  EXPECT_EQ(one, SettledHeight(search)) << "only Calc";
  wchar_t typed[16] = L"";
  SendMessageW(edit, WM_GETTEXT, 16, (LPARAM)typed);  // GetWindowTextW sees only the caption across processes
  EXPECT_STREQ(L"c", typed);
  Key(edit, VK_RETURN);
  WaitForMarks(folder, 4);
  EXPECT_EQ("NOTES Notebook Mynote Calc", MarkNames(folder));
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
  EXPECT_EQ(0, l.Quit());

  // Started again, the window comes back with the last text and its hits.
  Launcher again;
  w = again.StartReady(folder, L"/n /l");
  ASSERT_NE(nullptr, w);
  PostMessageW(w, WM_COMMAND, 40007, 0);
  search = FindSearchWindowOf(again.Info.dwProcessId);
  ASSERT_NE(nullptr, search);
  edit = FindWindowExW(search, nullptr, L"Edit", nullptr);
  typed[0] = 0;
  SendMessageW(edit, WM_GETTEXT, 16, (LPARAM)typed);
  EXPECT_STREQ(L"c", typed);
  EXPECT_EQ(one, SettledHeight(search));
  EXPECT_EQ(0, again.Quit());
}

}  // namespace
