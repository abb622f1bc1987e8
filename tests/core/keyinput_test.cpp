#include "core/keyinput.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/mainwnd.h"
#include "core/mouseinput.h"
#include "core/triggers.h"
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

// The triggers' platform for button keys: launches go the way the
// window's WMA_EXECUTE takes them, modifiers and Windows keys are the test's.
DWORD g_KeyNow = 10000;
UINT g_KeyMods = 0;
bool g_LeftWinDown = false;
DWORD KeyTick() { return g_KeyNow; }
void KeyLaunch(ButtonInfo* item, UINT flags) { g_InputOutlets.LaunchItem(item, (int)flags, nullptr); }
void NoTimer(UINT_PTR, UINT) {}
void NoKill(UINT_PTR) {}
SHORT KeyState(int vk) { return vk == VK_LWIN && g_LeftWinDown ? (SHORT)0x8000 : 0; }
UINT KeyMods() { return g_KeyMods; }

// Keys sent to a visible launcher window of this process.
class KeyTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    savedPlatform_ = g_TriggerPlatform;
    g_TriggerPlatform = TriggerPlatform();
    g_TriggerPlatform.Tick = KeyTick;
    g_TriggerPlatform.Launch = KeyLaunch;
    g_TriggerPlatform.SetTimer = NoTimer;
    g_TriggerPlatform.KillTimer = NoKill;
    g_TriggerPlatform.KeyState = KeyState;
    g_TriggerPlatform.ModifierState = KeyMods;
    g_KeyMods = 0;
    g_LeftWinDown = false;
    ResetTriggers();
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
    ResetTriggers();
    g_TriggerPlatform = savedPlatform_;
    InputTest::TearDown();
  }
  TriggerPlatform savedPlatform_;
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

// A button's own key goes through the triggers' button-key matching: plain
// keys run at once, Windows-key and modifier-only keys on their release.
TEST_F(KeyTest, ButtonKeys) {
  struct Step {
    bool Down;
    int Vk;
    UINT Mods;         // as the triggers see them
    bool Repeat;
    size_t Launches;   // launches so far
  };
  struct Case {
    const char* Name;
    WORD ButtonKey;
    WORD NextPageKey;  // launcher key of the next-page command
    bool LeftWin;
    std::vector<Step> Steps;
    int Page;          // current page at the end
  } cases[] = {
      {"plain key", 'K', 0, false, {{true, 'K', 0, false, 1}, {false, 'K', 0, false, 1}}, 0},
      {"with Ctrl", 0x24B, 0, false, {{true, 'K', 0x2, false, 1}, {false, 'K', 0x2, false, 1}}, 0},
      {"without its modifier", 0x24B, 0, false, {{true, 'K', 0, false, 0}, {false, 'K', 0, false, 0}}, 0},
      {"another key", 'K', 0, false, {{true, 'Q', 0, false, 0}, {false, 'Q', 0, false, 0}}, 0},
      {"auto-repeat runs once", 'K', 0, false,
       {{true, 'K', 0, false, 1}, {true, 'K', 0, true, 1}, {true, 'K', 0, true, 1}, {false, 'K', 0, false, 1}}, 0},
      {"a launcher key wins", 'K', 'K', false, {{true, 'K', 0, false, 0}, {false, 'K', 0, false, 0}}, 1},
      {"Windows key alone, on release", 0x85B, 0, true,
       {{true, VK_LWIN, 0x8, false, 0}, {false, VK_LWIN, 0x8, false, 1}}, 0},
      {"Ctrl+Shift alone, on release", 0x300, 0, false,
       {{true, VK_SHIFT, 0x3, false, 0}, {false, VK_SHIFT, 0x3, false, 1}}, 0},
      {"Ctrl+Shift held until it repeats", 0x300, 0, false,
       {{true, VK_SHIFT, 0x3, false, 0}, {true, VK_SHIFT, 0x3, true, 0}, {false, VK_SHIFT, 0x3, false, 1}}, 0},
      {"a later key drops the kept one", 0x85B, 'E', true,
       {{true, VK_LWIN, 0x8, false, 0}, {true, 'E', 0x8, false, 0}, {false, VK_LWIN, 0x8, false, 0}}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ClearItemStore();
    ResetInputState();
    ResetTriggers();
    g_InputLog = InputLog();
    MakePages(2);
    ButtonInfo* a = Add(0, "a", 0, 0);
    ASSERT_NE(nullptr, a);
    a->Keyboard = c.ButtonKey;
    g_App.Settings.Keyboard[LC_NEXT_PAGE] = c.NextPageKey;
    g_LeftWinDown = c.LeftWin;
    g_KeyNow += 5000;
    for (const Step& st : c.Steps) {
      g_KeyMods = st.Mods;
      if (st.Down) Press(st.Vk, st.Repeat);
      else Release(st.Vk);
      EXPECT_EQ(st.Launches, g_InputLog.Launches.size()) << "after " << (st.Down ? "down " : "up ") << st.Vk;
    }
    if (!g_InputLog.Launches.empty()) {
      EXPECT_EQ("a 0", g_InputLog.Launches[0]);
    }
    EXPECT_EQ(c.Page, S().CurrentPage);
  }
}

// A button's key launches without its character also reaching the window
// (where it would start a search); other keys keep theirs.
TEST_F(KeyTest, ButtonKeyTakesItsCharacter) {
  struct Case {
    int Vk;
    bool CharLeft;
  } cases[] = {{'K', false}, {'Q', true}};
  for (const Case& c : cases) {
    ClearItemStore();
    ResetTriggers();
    MakePages(1);
    Add(0, "a", 0, 0)->Keyboard = 'K';
    g_KeyNow += 5000;
    PostMessageW(window_, WM_CHAR, (WPARAM)(c.Vk | 0x20), 1);
    Press(c.Vk);
    Release(c.Vk);
    MSG m;
    EXPECT_EQ(c.CharLeft, PeekMessageW(&m, window_, WM_CHAR, WM_CHAR, PM_REMOVE) != FALSE) << (char)c.Vk;
  }
}

// Leaving the window drops what waits for a key release: the release of
// other keys after coming back launches nothing.
TEST_F(KeyTest, DeactivationDropsTheKeptItem) {
  MakePages(2);
  Add(0, "a", 0, 0)->Keyboard = 0x85B;  // Windows key alone
  g_LeftWinDown = true;
  g_KeyMods = 0x8;
  Press(VK_LWIN);
  MainWndProc(window_, WM_ACTIVATEAPP, FALSE, 0);
  g_LeftWinDown = false;
  g_KeyMods = 0;
  Release(VK_CONTROL);
  EXPECT_TRUE(g_InputLog.Launches.empty());
  // The same for a modifier-only launcher key waiting for its release.
  g_App.Input.PendingKeyCommand = LC_NEXT_PAGE + 1;
  MainWndProc(window_, WM_ACTIVATEAPP, FALSE, 0);
  Release(VK_SHIFT);
  EXPECT_EQ(0, S().CurrentPage);
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
