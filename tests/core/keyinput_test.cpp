#include "core/keyinput.h"

#include <gtest/gtest.h>

#include "core/mouseinput.h"
#include "input_fixture.h"

namespace {

TEST(MakeKeyCode, KeysAndModifierOnlyCombinations) {
  struct Case {
    int Vk;
    UINT Mods;
    int LWin, RWin;
    int Want;
  } cases[] = {
      {'A', 0, 0, 0, 0x41},
      {'A', MOD_CTRL_BIT | MOD_SHIFT_BIT, 0, 0, 0x341},
      {VK_F4, MOD_ALT_BIT, 0, 0, 0x473},
      {VK_SPACE, MOD_CTRL_BIT, 0, 0, 0x220},
      {VK_SHIFT, MOD_SHIFT_BIT | MOD_WIN_BIT, 1, 0, 0x900 | VK_LWIN},
      {VK_SHIFT, MOD_SHIFT_BIT | MOD_WIN_BIT, 0, 1, 0x900 | VK_RWIN},
      {VK_CONTROL, MOD_CTRL_BIT | MOD_SHIFT_BIT, 0, 0, 0x300},
      {VK_LMENU, MOD_ALT_BIT, 0, 0, 0x400},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Want, MakeKeyCode(c.Vk, c.Mods, c.LWin, c.RWin)) << "case " << (&c - cases);
  EXPECT_TRUE(IsModifierOnlyCode(0x300));
  EXPECT_TRUE(IsModifierOnlyCode(0x900 | VK_LWIN));
  EXPECT_FALSE(IsModifierOnlyCode(0x341));
}

TEST(FindLauncherKey, FirstEqualEntryWins) {
  WORD table[80] = {};
  table[1] = 0x27;
  table[16] = 0x27;
  table[38] = 0x1B;
  EXPECT_EQ(1, FindLauncherKey(table, 80, 0x27));
  EXPECT_EQ(38, FindLauncherKey(table, 80, 0x1B));
  EXPECT_EQ(-1, FindLauncherKey(table, 80, 0x127));  // Shift+Right is another key
  EXPECT_EQ(-1, FindLauncherKey(table, 80, 0));      // unbound entries never match
  table[60] = 0x41;                                  // a sub-menu key
  EXPECT_EQ(-1, FindLauncherKey(table, 48, 0x41));
}

TEST(IsRepeatableEntry, PagesCursorAndScrollOnly) {
  for (int e = -1; e < 80; ++e)
    EXPECT_EQ(e == 0 || e == 1 || (e >= 14 && e <= 23), IsRepeatableEntry(e) != 0) << "entry " << e;
}

// Keys sent to a visible launcher window of this process.
class KeyTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VnKeyTestWindow";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(window_, SW_SHOWNA);
    g_App.MainWnd = window_;
  }
  void TearDown() override {
    g_App.MainWnd = nullptr;
    DestroyWindow(window_);
    InputTest::TearDown();
  }
  void Press(int vk, bool repeat = false) { OnKeyDown(WM_KEYDOWN, vk, repeat ? 0x40000000 : 0); }
  void Release(int vk) { OnKeyUp(WM_KEYUP, vk); }
  HWND window_ = nullptr;
};

TEST_F(KeyTest, RepeatOnlyWhereAllowed) {
  MakePages(3);
  Add(0, "a", 0, 0);
  g_App.Settings.Keyboard[LC_NEXT_PAGE] = VK_NEXT;
  g_App.Settings.Keyboard[LC_LAUNCH] = VK_RETURN;
  Press(VK_NEXT);
  Press(VK_NEXT, true);
  Release(VK_NEXT);
  EXPECT_EQ(2, S().CurrentPage);
  SelectPage(0, 1);
  S().HoverCell = 0;
  Press(VK_RETURN);
  Press(VK_RETURN, true);
  Press(VK_RETURN, true);
  Release(VK_RETURN);
  EXPECT_EQ(1u, g_InputLog.Launches.size());
}

TEST_F(KeyTest, UnknownKeysDoNothingAndButtonKeysLaunchOnRelease) {
  MakePages(2);
  ButtonInfo* a = Add(0, "a", 0, 0);
  a->Keyboard = 'K';
  Press('Q');
  Release('Q');
  EXPECT_TRUE(g_InputLog.Launches.empty());
  EXPECT_EQ(0, S().CurrentPage);
  Press('K');
  EXPECT_TRUE(g_InputLog.Launches.empty());
  Release('K');
  ASSERT_EQ(1u, g_InputLog.Launches.size());
  EXPECT_EQ("a 0", g_InputLog.Launches[0]);
}

TEST_F(KeyTest, PressKeyLaunchesOnceOnRelease) {
  MakePages(1);
  Add(0, "a", 1, 0);
  g_App.Settings.Keyboard[kPressKeyEntry] = VK_SPACE;
  S().HoverCell = 1;
  Press(VK_SPACE);
  EXPECT_TRUE(g_InputLog.Launches.empty());
  EXPECT_EQ(1, S().PressedCell);
  Release(VK_SPACE);
  ASSERT_EQ(1u, g_InputLog.Launches.size());
  EXPECT_EQ("a 0", g_InputLog.Launches[0]);
}

TEST_F(KeyTest, NothingWhileHiddenOrWithASubMenuOpen) {
  MakePages(2);
  g_App.Settings.Keyboard[LC_NEXT_PAGE] = VK_NEXT;
  g_App.Wnd.Flags |= WSF_SUBMENU_OPEN;
  Press(VK_NEXT);
  EXPECT_EQ(0, S().CurrentPage);
  g_App.Wnd.Flags = 0;
  ShowWindow(window_, SW_HIDE);
  Press(VK_NEXT);
  EXPECT_EQ(0, S().CurrentPage);
}

TEST_F(KeyTest, EscapeEndsARearrangeDrag) {
  MakePages(1);
  Add(0, "a", 0, 0);
  StartPress(0, PRESS_LEFT);
  g_App.Input.RearrangeDrag = 1;
  Press(VK_ESCAPE);
  EXPECT_EQ(0, g_App.Input.RearrangeDrag);
  EXPECT_EQ(-1, S().PressedCell);
  EXPECT_TRUE(g_InputLog.Launches.empty());
}

}  // namespace
