// Mouse input on the real Vantrel.exe: presses that slip onto the next
// button, and clicks on the tray icon (its messages posted as the
// notification area would send them).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "hooklib/vnhook.h"
#include "e2e/launcher_fixture.h"
#include "support/test_support.h"

namespace {

using namespace e2e;

// Every cell of the 7 x 3 grid holds a marker button named after its place.
std::vector<std::wstring> MarkerGrid(const ProgramFolder& folder) {
  std::vector<std::wstring> buttons;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 7; ++column) {
      std::wstring name = L"r" + std::to_wstring(row) + L"c" + std::to_wstring(column);
      buttons.push_back(folder.MarkerButton(name.c_str(), row, column));
    }
  }
  return buttons;
}

// A left press at x, real pointer moves to (x + dx, y), release there: all
// real X input, as a hand on the mouse would make it.
bool PressMoveRelease(int x, int y, int dx) {
  if (!MovePointer(x, y) || !RunXdotool(L"mousedown 1")) return false;
  Sleep(200);
  bool moved = MovePointer(x + dx, y);
  Sleep(100);
  return RunXdotool(L"mouseup 1") && moved;
}

TEST(InputE2E, APressThatSlipsOntoTheNextButtonLaunchesThePressedOne) {
  ProgramFolder folder(false);
  folder.SeedSettings(1, L"", MarkerGrid(folder));
  Launcher l;
  // Pinned (/l): the launcher stays in front through the launches.
  HWND w = l.StartReady(folder, L"/n /l");
  ASSERT_NE(nullptr, w);
  ASSERT_TRUE(BecomesVisible(w));
  // The middle of the window lies on the middle cell (58 pixels wide);
  // 20 pixels right of it is still that cell, 34 the next one. The plain
  // clicks make sure of that first.
  RECT r = WindowRect(w);
  int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  ASSERT_TRUE(MovePointer(cx + 20, cy));
  InjectClick(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  WaitForMarks(folder, 1);
  ASSERT_TRUE(MovePointer(cx + 34, cy));
  InjectClick(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  WaitForMarks(folder, 2);
  ASSERT_EQ("r1c3 r1c4", MarkNames(folder));

  // 14 pixels, less than a drag: released on r1c4, r1c3 starts.
  ASSERT_TRUE(PressMoveRelease(cx + 20, cy, 14));
  WaitForMarks(folder, 3);
  Sleep(300);
  EXPECT_EQ("r1c3 r1c4 r1c3", MarkNames(folder));
  EXPECT_TRUE(Visible(w));
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
  EXPECT_EQ(0, l.Quit());
}

void PostTray(HWND w, std::initializer_list<UINT> messages) {
  for (UINT m : messages) PostMessageW(w, WMA_TRAY, 101, m);
}

TEST(InputE2E, ATrayDoubleClickRunsItsActionAndShowsNothing) {
  ProgramFolder folder(true);
  // The tray double click (code 0) turns to the next page (command 1).
  // No tray icon: start-up would wait for Wine's tray host; the clicks
  // come as messages.
  folder.SeedSettings(3, L"\r\n[Mouse]\r\nTrayIcon000=2\r\n", {}, L"00b4e021", L"00000835");
  Launcher l;
  HWND w = l.StartReady(folder, L"");
  ASSERT_NE(nullptr, w);
  ASSERT_FALSE(Visible(w));
  const DWORD doubleClick = GetDoubleClickTime();
  // One click: the launcher shows once the double-click time is over.
  DWORD clicked = GetTickCount();
  PostTray(w, {WM_LBUTTONDOWN, WM_LBUTTONUP});
  ASSERT_TRUE(BecomesVisible(w, true, doubleClick + 3000));
  EXPECT_GE(GetTickCount() - clicked, doubleClick - 50);
  PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(BecomesVisible(w, false));

  // A double click: its action only.
  PostTray(w, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
  ASSERT_TRUE(l.Answers());
  EXPECT_TRUE(StaysVisible(w, false, doubleClick + 700)) << "the first click of the double click showed it";
  ASSERT_EQ(0, l.Quit());
  EXPECT_EQ(L"1", folder.GeneralValue(L"LastPage"));
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
}

}  // namespace
