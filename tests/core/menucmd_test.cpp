#include "core/menucmd.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "core/ticker.h"
#include "core/tray.h"
#include "input_fixture.h"
#include "support/test_support.h"

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

// --- commands that end at an entry point or a bound implementation ---

std::vector<std::string> g_Calls;

void Note(const std::string& s) { g_Calls.push_back(s); }
void FakeAbout() { Note("about"); }
void FakeLanguage() { Note("language"); }
void FakeHotkeys() { Note("hotkeys"); }
void FakeOptions(int page) { Note("options " + std::to_string(page)); }
void FakeAddPage() { Note("addpage"); }
void FakeIcons() { Note("icons"); }
void FakeHelp() { Note("help"); }
void FakeSearch(int on, int focus) { Note("search " + std::to_string(on) + " " + std::to_string(focus)); }
void FakeShellMenu(ButtonInfo* b, POINT* where) { Note(std::string("shellmenu ") + (b ? "button" : "?") + (where ? " at" : "")); }
void FakeLocation(ButtonInfo*, int asMenu) { Note("location " + std::to_string(asMenu)); }
void FakeProperties(ButtonInfo*) { Note("properties"); }

class MenuEntryTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    g_Calls.clear();
    g_MenuEntries.AboutDialog = FakeAbout;
    g_MenuEntries.LanguageDialog = FakeLanguage;
    g_MenuEntries.HotkeyListDialog = FakeHotkeys;
    g_MenuEntries.OptionsDialog = FakeOptions;
    g_MenuEntries.AddPageDialog = FakeAddPage;
    g_MenuEntries.UpdateAllIcons = FakeIcons;
    g_MenuEntries.ToggleSearchWindow = FakeSearch;
    g_MenuEntries.ShowItemContextMenu = FakeShellMenu;
    g_MenuEntries.OpenItemLocation = FakeLocation;
    g_StoreOutlets.OpenItemProperties = FakeProperties;
    g_InputOutlets.ShowHelpTopic = FakeHelp;
  }
};

// Each command reaches its entry point once; those that open a dialog, the
// help or the options stay quiet while one of our dialogs is open.
TEST_F(MenuEntryTest, CommandsReachTheirEntryPoints) {
  MakePages(1);
  Add(0, "a", 0, 0);
  struct Case {
    int Id;
    int Cell;
    int Flags;
    const char* Want;        // with no dialog open
    const char* WantDialog;  // with one open
  } cases[] = {
      {40001, -1, 0, "about", ""},
      {40002, -1, 0, "language", ""},
      {40003, -1, 0, "help", "help"},
      {40007, -1, 0, "search 1 1", "search 1 1"},
      {40007, -1, CF_MOUSE, "search 1 0", "search 1 0"},
      {40011, -1, 0, "hotkeys", ""},
      {40017, -1, 0, "icons", "icons"},
      {40018, -1, 0, "options 11", ""},
      {40019, -1, 0, "options -1", ""},
      {40020, -1, 0, "addpage", ""},
      {40025, -1, 0, "options 14", ""},
      {40031, 0, 0, "shellmenu button", "shellmenu button"},
      {40032, 0, 0, "location 0", "location 0"},
      {40033, 0, 0, "location 1", "location 1"},
      {40041, 0, 0, "properties", "properties"},
      {40031, 3, 0, "", ""},  // an empty cell: nothing to act on
      {40041, -1, 0, "", ""},
  };
  HWND dialog = (HWND)(INT_PTR)0x4242;
  for (int open = 0; open < 2; ++open) {
    g_App.OpenDialogs[0] = open ? dialog : nullptr;
    g_App.OpenDialogCount = open;
    for (const Case& c : cases) {
      g_Calls.clear();
      g_App.Settings.Status &= ~STATUS_SEARCH;
      OnMenuCommand(c.Id, c.Cell, c.Flags);
      std::string want = open ? c.WantDialog : c.Want;
      std::vector<std::string> expected;
      if (!want.empty()) expected.push_back(want);
      EXPECT_EQ(expected, g_Calls) << c.Id << " cell " << c.Cell << (open ? " with a dialog open" : "");
    }
  }
  g_App.OpenDialogCount = 0;
  g_App.OpenDialogs[0] = nullptr;
}

int RecordIconCache(int flags) {
  Note("iconcache " + std::to_string(flags));
  return 1;
}
void RecordLayout() { Note("layout"); }
void RecordRepaint(UINT parts) { Note("repaint " + std::to_string(parts)); }

// After start-up binding, "Update Icons" runs the tray's UpdateAllIcons.
TEST_F(MenuTest, UpdateIconsIsBound) {
  MakePages(1);
  TrayOutlets savedTray = g_TrayOutlets;
  g_MenuEntries = MenuEntryPoints();
  BindInputOutlets();
  g_Calls.clear();
  g_StoreOutlets.SaveIconCache = RecordIconCache;
  g_StoreOutlets.CalcMainWindowLayout = RecordLayout;
  g_StoreOutlets.RepaintMainWindow = RecordRepaint;
  OnMenuCommand(40017, -1, 0);
  std::vector<std::string> want = {"iconcache 1", "layout",
                                   "repaint " + std::to_string(RP_FRAME | RP_TABS | RP_BUTTONS | RP_PUSH)};
  EXPECT_EQ(want, g_Calls);
  g_TrayOutlets = savedTray;
}

struct HelpCall {
  HWND Caller;
  std::wstring File;
  UINT Command;
};
std::vector<HelpCall> g_Help;
HWND RecordHelp(HWND caller, const wchar_t* file, UINT command, DWORD_PTR) {
  g_Help.push_back({caller, file, command});
  return nullptr;
}

// "Help" opens the help file beside the program through the viewer seam.
TEST_F(MenuTest, HelpOpensTheHelpFile) {
  TrayOutlets savedTray = g_TrayOutlets;
  BindInputOutlets();
  g_Help.clear();
  g_SystemSeams.HtmlHelp = RecordHelp;
  wchar_t program[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
  std::wstring folder(program, wcsrchr(program, L'\\') + 1);
  OnMenuCommand(40003, -1, 0);
  EXPECT_EQ(1, ShowHelpTopic(L"keys.htm"));
  ASSERT_EQ(2u, g_Help.size());
  EXPECT_EQ(folder + L"Docs\\Vantrel_en.chm", g_Help[0].File);
  EXPECT_EQ(GetDesktopWindow(), g_Help[0].Caller);
  EXPECT_EQ(0u, g_Help[0].Command);  // display the topic
  EXPECT_EQ(folder + L"Docs\\Vantrel_en.chm::/keys.htm", g_Help[1].File);
  // No viewer: nothing to open, and no crash.
  g_SystemSeams.HtmlHelp = nullptr;
  EXPECT_EQ(0, ShowHelpTopic(nullptr));
  g_TrayOutlets = savedTray;
}

int FakeCellRect(int cell, RECT* r) {
  if (cell != 1) return 0;
  *r = RECT{40, 20, 80, 60};
  return 1;
}

// A visible launcher window at the screen's top-left, client = screen.
class MenuPointTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VnMenuPointWindow";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                              wc.hInstance, nullptr);
    ShowWindow(window_, SW_SHOWNA);
    g_App.MainWnd = window_;
    g_InputOutlets.GetCellRect = FakeCellRect;
  }
  void TearDown() override {
    g_App.MainWnd = nullptr;
    DestroyWindow(window_);
    MenuTest::TearDown();
  }
  HWND window_ = nullptr;
};

TEST_F(MenuPointTest, ItemMenuPoints) {
  POINT cursor;
  GetCursorPos(&cursor);
  POINT offCursor = {cursor.x + 1, cursor.y + 1};
  POINT saved = {500, 600};
  struct Case {
    int Cell;
    const POINT* Saved;
    int Flags;
    bool Visible;
    POINT Want;
  } cases[] = {
      {1, nullptr, 0, true, {60, 40}},           // the cell's centre
      {1, nullptr, 0x400, true, {81, 20}},       // right of it
      {1, nullptr, 0x800, true, {40, 61}},       // below it
      {1, nullptr, 0x80, true, offCursor},       // a global trigger: at the cursor
      {1, nullptr, 0x480, true, {81, 20}},
      {1, &saved, 0x2000, true, saved},
      {1, nullptr, 0x2000, true, {60, 40}},      // no point saved
      {2, nullptr, 0, true, offCursor},          // no such cell
      {-1, nullptr, 0, true, offCursor},
      {1, nullptr, 0, false, offCursor},         // the window is hidden
  };
  for (const Case& c : cases) {
    ShowWindow(window_, c.Visible ? SW_SHOWNA : SW_HIDE);
    POINT pt = GetItemMenuPoint(c.Cell, c.Saved, c.Flags);
    EXPECT_EQ(c.Want.x, pt.x) << "case " << (&c - cases);
    EXPECT_EQ(c.Want.y, pt.y) << "case " << (&c - cases);
  }
}

RECT g_MenuRect;
void CALLBACK NoteMenuAndClose(HWND w, UINT, UINT_PTR id, DWORD) {
  KillTimer(w, id);
  if (HWND menu = FindWindowW(L"#32768", nullptr)) GetWindowRect(menu, &g_MenuRect);
  EndMenu();
}

// "Show Shell Menu" from the button menu opens the shell's menu of the
// button's file at its cell.
TEST_F(MenuPointTest, ShellMenuOpensAtTheCell) {
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  ASSERT_TRUE(SUCCEEDED(SHGetMalloc(&g_App.Core.ShellMalloc)));
  ASSERT_TRUE(SUCCEEDED(SHGetDesktopFolder(&g_App.Core.DesktopFolder)));
  TempDir dir;
  std::wstring file = dir.File(L"target.txt");
  ASSERT_TRUE(WriteFileBytes(file, "x"));
  MakePages(1);
  ButtonInfo* b = Add(0, "a", 1, 0);
  ASSERT_NE(nullptr, b);
  b->File = StoreDupString(file.c_str());
  TrayOutlets savedTray = g_TrayOutlets;
  BindInputOutlets();
  g_InputOutlets.GetCellRect = FakeCellRect;
  g_MenuRect = RECT{-1, -1, -1, -1};
  SetTimer(window_, 1, 300, NoteMenuAndClose);
  OnMenuCommand(40031, 1, 0);
  EXPECT_EQ(60, g_MenuRect.left);
  EXPECT_EQ(40, g_MenuRect.top);
  g_TrayOutlets = savedTray;
  g_App.Core.DesktopFolder->Release();
  g_App.Core.ShellMalloc->Release();
  g_App.Core.DesktopFolder = nullptr;
  g_App.Core.ShellMalloc = nullptr;
  if (SUCCEEDED(init)) CoUninitialize();
}

}  // namespace
