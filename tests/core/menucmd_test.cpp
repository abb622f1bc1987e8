#include "core/menucmd.h"

#include <gtest/gtest.h>

#include <string>

#include "input_fixture.h"

namespace {

std::string Name(int code, int shortNames = 0) {
  wchar_t text[128];
  FormatHotKeyName(code, text, 128, shortNames);
  std::string s;
  for (const wchar_t* p = text; *p; ++p) s += (char)*p;
  return s;
}

TEST(FormatHotKeyName, ModifiersInOrderAndNamedKeys) {
  EXPECT_EQ("None", Name(0));
  EXPECT_EQ("Ctrl + Shift + Alt + Page Up", Name(0x721));
  EXPECT_EQ("PgUp", Name(0x21, 1));
  EXPECT_EQ("Ctrl + Del", Name(0x22E, 1));
  EXPECT_EQ("Delete", Name(0x2E));
  EXPECT_EQ("Alt + Win + Down", Name(0xC28));
  EXPECT_EQ("Shift + Win (L)", Name(0x100 | VK_LWIN));
  EXPECT_EQ("Win (R)", Name(VK_RWIN));
  EXPECT_EQ("Caps Lock", Name(0x15));
  EXPECT_EQ("Kanji", Name(0x19));
  EXPECT_EQ("Home  x  3 times", Name(0x2024));  // press count 2 means three presses
}

class MenuTest : public InputTest {
 protected:
  UINT State(HMENU m, UINT id) { return GetMenuState(m, id, MF_BYCOMMAND); }
};

TEST_F(MenuTest, GeneralMenuMarks) {
  MakePages(1);
  g_App.Settings.Status = STATUS_PINNED | STATUS_VIEWMODE2;
  g_App.RunState = RS_N_MODE;
  g_App.Settings.Keyboard[47] = 0x473;  // Alt+F4 on exit
  HMENU popup;
  HMENU top = BuildLauncherMenu(0, 1, &popup);
  ASSERT_NE(nullptr, top);
  EXPECT_TRUE(State(popup, 40005) & MF_CHECKED);
  EXPECT_FALSE(State(popup, 40006) & MF_CHECKED);
  EXPECT_TRUE(State(popup, 40009) & MF_CHECKED);
  EXPECT_FALSE(State(popup, 40008) & MF_CHECKED);
  EXPECT_TRUE(State(popup, 40010) & MF_GRAYED);  // no hooks in /n mode
  wchar_t text[64];
  GetMenuStringW(popup, 40004, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(L"E&xit\tAlt + F4", text);
  DestroyMenu(top);
  // From the tray: no key names.
  top = BuildLauncherMenu(0, 0, &popup);
  GetMenuStringW(popup, 40004, text, 64, MF_BYCOMMAND);
  EXPECT_STREQ(L"E&xit", text);
  DestroyMenu(top);
}

TEST_F(MenuTest, PageMenuFollowsTheStore) {
  MakePages(1);
  HMENU popup;
  HMENU top = BuildLauncherMenu(MENU_TAB | 0, 1, &popup);
  ASSERT_NE(nullptr, top);
  EXPECT_TRUE(State(popup, 40021) & MF_GRAYED);  // the one page stays
  EXPECT_TRUE(State(popup, 40024) & MF_GRAYED);  // nothing to launch
  EXPECT_FALSE(State(popup, 40020) & MF_GRAYED);
  DestroyMenu(top);
  AddPage(L"P2");
  Add(0, "a", 0, 0);
  top = BuildLauncherMenu(MENU_TAB | 0, 1, &popup);
  EXPECT_FALSE(State(popup, 40021) & MF_GRAYED);
  EXPECT_FALSE(State(popup, 40024) & MF_GRAYED);
  DestroyMenu(top);
}

TEST_F(MenuTest, ButtonMenuEntriesByType) {
  MakePages(1);
  Add(0, "program", 0, 0, 2);
  Add(0, "folder", 1, 0, 3 | 0x80000);
  Add(0, "url", 2, 0, 4);
  g_App.Core.ElevationType = 2;  // limited token: run as administrator offered
  HMENU popup;
  HMENU top = BuildLauncherMenu(MENU_CELL | 0, 1, &popup);
  ASSERT_NE(nullptr, top);
  EXPECT_NE((UINT)-1, State(popup, 40063));
  EXPECT_EQ((UINT)-1, State(popup, 40062));
  EXPECT_NE((UINT)-1, State(popup, 40064));
  EXPECT_EQ((UINT)-1, State(popup, 40065));
  DestroyMenu(top);
  top = BuildLauncherMenu(MENU_CELL | 1, 1, &popup);
  EXPECT_NE((UINT)-1, State(popup, 40065));
  EXPECT_EQ(40067u, GetMenuDefaultItem(popup, FALSE, 0));  // opens as a menu
  EXPECT_EQ((UINT)-1, State(popup, 40064));
  DestroyMenu(top);
  top = BuildLauncherMenu(MENU_CELL | 2, 1, &popup);
  EXPECT_TRUE(State(popup, 40031) & MF_GRAYED);  // no shell menu for a URL
  DestroyMenu(top);
  // An empty cell gets the empty-cell menu.
  top = BuildLauncherMenu(MENU_CELL | 5, 1, &popup);
  EXPECT_NE((UINT)-1, State(popup, 40026));
  EXPECT_EQ((UINT)-1, State(popup, 40036));
  DestroyMenu(top);
}

TEST_F(MenuTest, CommandsOnCellsAndPages) {
  MakePages(2);
  ButtonInfo* a = Add(0, "a", 0, 0);
  // Lock toggles the cell's button.
  OnMenuCommand(40034, 0, 0);
  EXPECT_TRUE(a->Type & ITEM_LOCKED);
  OnMenuCommand(40034, 0, 0);
  EXPECT_FALSE(a->Type & ITEM_LOCKED);
  // Insert an empty button before it: it moves on by one.
  OnMenuCommand(40035, 0, 0);
  EXPECT_EQ(1, a->Position[0].PosX);
  // Open as standard user: the option bits replace the item's own.
  a->Type = 2 | 0x400000;
  OnMenuCommand(40062, 1, 0);
  ASSERT_EQ(1u, g_InputLog.Launches.size());
  EXPECT_EQ("a 208000", g_InputLog.Launches[0]);
  // Exit posts WM_CLOSE to the window (none here: nothing happens).
  OnMenuCommand(40004, -1, 0);
}

}  // namespace
