// Mouse input on the real Vantrel.exe: presses that slip onto the next
// button.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

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

}  // namespace
