#include "dialogs/options.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "core/winhelpers.h"
#include "dialogs/about.h"
#include "dialogs/langdialog.h"
#include "resources/resource.h"
#include "state.h"
#include "store/language.h"
#include "store/lists.h"
#include "store/outlets.h"
#include "store/settings.h"
#include "support/dialog_driver.h"
#include "support/settings_env.h"

namespace {

int DeletePageAt(int page) {
  g_App.Store.CurrentPage = page;
  return DeletePage() == 1;
}

// Options sheet cases start from settings written once to a fresh folder.
class OptionsSheetTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_StoreOutlets._VnSetDllData;
    g_StoreOutlets._VnSetDllData = RecordDllData;
    s_kinds.clear();
    AddPage(L"Tools");
    AddPage(L"Games");
    // One show trigger, so OK does not warn unless a case removes it.
    g_App.Store.Refs.MousePlaceMask[2] = 1;
    g_App.Store.Refs.MouseTargets[2][0] = MouseTarget{LIST_NONE, LIST_NONE};
    ASSERT_TRUE(WriteSettings(nullptr, 0));
    settings_ = env_.Bytes(L"Vantrel.ini");
    design_ = env_.Bytes(L"Design.ini");
    ASSERT_FALSE(settings_.empty());
    ASSERT_FALSE(design_.empty());
  }
  void TearDown() override { g_StoreOutlets._VnSetDllData = saved_; }
  bool FilesUnchanged() { return env_.Bytes(L"Vantrel.ini") == settings_ && env_.Bytes(L"Design.ini") == design_; }
  static void RecordDllData(int kind, void*, void*) { s_kinds.push_back(kind); }

  SettingsEnv env_;
  std::string settings_, design_;
  void (*saved_)(int, void*, void*) = nullptr;
  static std::vector<int> s_kinds;
};
std::vector<int> OptionsSheetTest::s_kinds;

HWND Page(HWND sheet) { return (HWND)SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0); }

TEST_F(OptionsSheetTest, EveryPageOpensAndCancelLeavesFilesAlone) {
  DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  DWORD user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  std::vector<std::wstring> titles;
  std::wstring caption;
  int pages = 0;
  WhenDialogOpens([&](HWND sheet) {
    wchar_t text[128];
    GetWindowTextW(sheet, text, 128);
    caption = text;
    HWND tabs = (HWND)SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0);
    pages = TabCtrl_GetItemCount(tabs);
    for (int i = 0; i < kOptionsPageCount; i++) {
      SendMessageW(sheet, PSM_SETCURSEL, (WPARAM)i, 0);
      TCITEMW item = {};
      item.mask = TCIF_TEXT;
      item.pszText = text;
      item.cchTextMax = 128;
      TabCtrl_GetItem(tabs, i, &item);
      titles.push_back(text);
      EXPECT_TRUE(Page(sheet)) << i;
    }
    SendMessageW(sheet, PSM_SETCURSEL, 4, 0);
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
  });
  EXPECT_LE(ShowOptionsDialog(0), 0);
  EXPECT_EQ(kOptionsPageCount, pages);
  EXPECT_EQ(L"Vantrel Options [View Mode 1]", caption);
  ASSERT_EQ(16u, titles.size());
  EXPECT_EQ(L"Clicks", titles[0]);
  EXPECT_EQ(L"Skins", titles[11]);
  EXPECT_EQ(L"Other", titles[15]);
  EXPECT_TRUE(FilesUnchanged());
  EXPECT_FALSE(HasOptionsSnapshot());
  EXPECT_EQ(nullptr, GetTopOpenDialog());
  EXPECT_TRUE(s_kinds.empty());
  EXPECT_EQ(4, GetLastOptionsPage());
  // Open and close again: the page left last comes back, nothing leaks.
  int opened = -1;
  WhenDialogOpens([&](HWND sheet) {
    opened = PropSheet_HwndToIndex(sheet, Page(sheet));
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
  });
  ShowOptionsDialog(-1);
  EXPECT_EQ(4, opened);
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdi + 2);
  EXPECT_LE(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), user + 2);
}

TEST_F(OptionsSheetTest, CancelAfterLiveChangesRestoresWhatWasPreviewed) {
  ItemStore& s = g_App.Store;
  WhenDialogOpens([&](HWND sheet) {
    // What the design and page pages do while previewing.
    g_App.Design.ViewMode[0].ButtonSizeX += 13;
    g_App.Design.ViewMode[1].Fonts[FONT_BUTTON].Size = 31;
    g_App.Design.Window.BG1 = RGB(1, 2, 3);
    g_App.Design.PageDefault.Sets[PD_TABH].Frame1 = RGB(9, 9, 9);
    StoreFree(s.Pages[0].Name);
    s.Pages[0].Name = StoreDupString(L"Renamed");
    s.Pages[1].Flag = 3;
    s.Pages[1].Design.Sets[PD_BUTTONN].BG2 = RGB(4, 5, 6);
    g_App.Settings.Alpha = 77;
    g_App.Settings.DispOption ^= 0x10;
    // A page added while the sheet is open keeps its own record.
    AddPage(L"Added");
    SetLiveChange(0x08);
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
  });
  ShowOptionsDialog(12);
  EXPECT_TRUE(FilesUnchanged());
  ASSERT_EQ(3, s.PageCount);
  EXPECT_STREQ(L"Tools", s.Pages[0].Name);
  EXPECT_STREQ(L"Added", s.Pages[2].Name);
  EXPECT_FALSE(HasOptionsSnapshot());
  // Written again, the restored state is byte for byte the old one (less
  // the page added meanwhile).
  ASSERT_EQ(1, DeletePageAt(2));
  g_App.Store.CurrentPage = g_App.Settings.LastPage = 0;
  ASSERT_TRUE(WriteSettings(nullptr, 0));
  EXPECT_EQ(settings_, env_.Bytes(L"Vantrel.ini"));
  EXPECT_EQ(design_, env_.Bytes(L"Design.ini"));
}

TEST_F(OptionsSheetTest, OkWithoutChangesWritesTheSameFilesAndSendsHookData) {
  WhenDialogOpens([](HWND sheet) { PropSheet_PressButton(sheet, PSBTN_OK); });
  EXPECT_GT(ShowOptionsDialog(3), 0);
  EXPECT_TRUE(FilesUnchanged());
  EXPECT_EQ((std::vector<int>{1, 3}), s_kinds);
  EXPECT_TRUE(env_.Messages.Calls.empty());
}

TEST_F(OptionsSheetTest, ClicksPageStoresAndClamps) {
  g_App.Settings.Option1 = 0x2000 | 0x40000 | 0x100000;
  g_App.Settings.PressHoldG = 800;
  std::wstring shown;
  WhenDialogOpens([&](HWND sheet) {
    HWND page = Page(sheet);
    wchar_t text[16];
    GetDlgItemTextW(page, 1089, text, 16);
    shown = text;
    EXPECT_EQ((UINT)BST_CHECKED, IsDlgButtonChecked(page, 1147));
    EXPECT_EQ((UINT)BST_UNCHECKED, IsDlgButtonChecked(page, 1148));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, 1141)));
    CheckDlgButton(page, 1139, BST_CHECKED);
    CheckDlgButton(page, 1136, BST_UNCHECKED);
    ClickButton(page, 1139);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(page, 1141)));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(page, 1144)));
    CheckDlgButton(page, 1147, BST_UNCHECKED);
    CheckDlgButton(page, 1148, BST_CHECKED);
    CheckDlgButton(page, 1150, BST_CHECKED);
    CheckDlgButton(page, 1151, BST_UNCHECKED);
    SetDlgItemTextW(page, 1089, L"12000");
    PropSheet_PressButton(sheet, PSBTN_OK);
  });
  EXPECT_GT(ShowOptionsDialog(0), 0);
  EXPECT_EQ(L"800", shown);
  EXPECT_EQ(10000, g_App.Settings.PressHoldG);
  EXPECT_EQ(0x20000u | 0x40000u | 0x80000u, g_App.Settings.Option1 & 0x1FE000u);
  EXPECT_FALSE(FilesUnchanged());
  EXPECT_NE(std::wstring::npos, env_.Text(L"Vantrel.ini").find(L"PressHoldG=10000"));
}

TEST_F(OptionsSheetTest, OkWarnsWhenNothingCanShowTheLauncher) {
  struct Case {
    UINT Mask;  // mouse trigger 2 anywhere: 1 shows the launcher
    UINT Restraint, DispOption, Standby;
    int Message;
  } cases[] = {
      {0, 0, 0, 0, IDS_NO_SHOW_TRIGGER},
      {1, 0x10, 0, 0, IDS_NEVER_SHOWN_RESTRICTED},
      {1, 0x20, 0, 0, IDS_NEVER_SHOWN_RESTRICTED},
      {1, 0, 0, 0, 0},
      {0, 0, 0x80, 0, 0},
      {0, 0, 0, 1, 0},
  };
  for (const Case& c : cases) {
    env_.Messages.Calls.clear();
    g_App.Store.Refs.MousePlaceMask[2] = c.Mask;
    g_App.Store.Refs.MouseTargets[2][0] = MouseTarget{LIST_NONE, LIST_NONE};
    g_App.Settings.Restraint = c.Restraint;
    g_App.Settings.DispOption = c.DispOption;
    g_App.Settings.StandbyPosition = c.Standby;
    WhenDialogOpens([](HWND sheet) { PropSheet_PressButton(sheet, PSBTN_OK); });
    ShowOptionsDialog(0);
    if (!c.Message) {
      EXPECT_TRUE(env_.Messages.Calls.empty()) << c.Mask << " " << c.Restraint;
      continue;
    }
    ASSERT_EQ(1u, env_.Messages.Calls.size());
    const RecordedMessage& m = env_.Messages.Calls[0];
    EXPECT_EQ(c.Message, m.Id);
    EXPECT_EQ((UINT)MB_ICONWARNING, m.Flags);
    EXPECT_EQ(0u, m.UiStateFlags & UIS_AUTOHIDE_ALLOWED);
    std::wstring hint = L"\nYou can force Vantrel to appear by launching Vantrel.exe again.";
    EXPECT_EQ(hint, m.Text.substr(m.Text.size() - hint.size()));
    // The settings are saved all the same.
    EXPECT_NE(std::wstring::npos, env_.Text(L"Vantrel.ini").find(L"Restraint="));
  }
}

TEST(Snapshot, RestoreWithoutSnapshotDoesNothing) {
  SettingsEnv env;
  AddPage(L"One");
  g_App.Settings.Alpha = 40;
  SnapshotOptions(1);
  EXPECT_EQ(40, g_App.Settings.Alpha);
  SnapshotOptions(0);
  EXPECT_TRUE(HasOptionsSnapshot());
  g_App.Settings.Alpha = 41;
  SnapshotOptions(2);
  EXPECT_FALSE(HasOptionsSnapshot());
  EXPECT_EQ(41, g_App.Settings.Alpha);
  // Pages deleted while it was taken: only the pages still there get back.
  AddPage(L"Two");
  SnapshotOptions(0);
  ASSERT_EQ(1, DeletePageAt(1));
  StoreFree(g_App.Store.Pages[0].Name);
  g_App.Store.Pages[0].Name = nullptr;
  g_App.Store.Pages[0].Count = 0;
  SnapshotOptions(1);
  ASSERT_EQ(1, g_App.Store.PageCount);
  EXPECT_STREQ(L"One", g_App.Store.Pages[0].Name);
}

// --- language list and About --------------------------------------------------------------------

class ProgramFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW(dir_.File(L"Languages").c_str(), nullptr);
    lstrcpynW(g_App.ProgramPath, dir_.File(L"Vantrel.exe").c_str(), MAX_PATH);
  }
  void TearDown() override {
    FreeLanguageLibrary();
    g_App.ProgramPath[0] = 0;
    lstrcpynW(g_App.LangFile, L"Japanese", 260);
  }
  void Install(const wchar_t* fixture, const wchar_t* as) {
    ASSERT_TRUE(CopyFileW(fixture, dir_.File((std::wstring(L"Languages\\") + as).c_str()).c_str(), FALSE));
  }
  SettingsEnv env_;
  TempDir dir_;
};

std::vector<std::wstring> ListRows(HWND list) {
  std::vector<std::wstring> rows;
  int n = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (int i = 0; i < n; i++) {
    wchar_t text[300] = {};
    SendMessageW(list, LB_GETTEXT, (WPARAM)i, (LPARAM)text);
    rows.push_back(text);
  }
  return rows;
}

TEST_F(ProgramFolderTest, LanguageListRefusesBadVersionsAndSwitches) {
  Install(BuildFile(L"Languages/English.dll").c_str(), L"English.dll");
  Install(FixturePath(L"lang_v421.dll").c_str(), L"Good.dll");
  Install(FixturePath(L"lang_v420.dll").c_str(), L"Old.dll");
  Install(FixturePath(L"lang_comma.dll").c_str(), L"Comma.dll");
  SetLanguage(L"Good.dll");
  ASSERT_TRUE(g_App.LangModule);
  std::vector<std::wstring> rows;
  std::wstring selected;
  WhenDialogOpens([&](HWND d) {
    HWND list = GetDlgItem(d, 1035);
    rows = ListRows(list);
    selected = rows.at((size_t)SendMessageW(list, LB_GETCURSEL, 0, 0));
    SendMessageW(list, LB_SETCURSEL, 2, 0);
    ClickButton(d, IDOK);
  });
  ShowLanguageDialog();
  // The built-in row and two libraries; the sorted list keeps the files in step.
  EXPECT_EQ((std::vector<std::wstring>{L"English", L"English", L"Test v421"}), rows);
  EXPECT_EQ(L"Test v421", selected);
  EXPECT_STREQ(L"Good.dll", g_App.LangFile);
  EXPECT_TRUE(g_App.LangModule);
  EXPECT_NE(std::wstring::npos, env_.Text(L"Vantrel.ini").find(L"Language=Good.dll"));

  // Unknown name: the built-in row stays selected; OK on it frees the library.
  lstrcpynW(g_App.LangFile, L"Gone.dll", 260);
  WhenDialogOpens([&](HWND d) { ClickButton(d, IDOK); });
  ShowLanguageDialog();
  EXPECT_STREQ(L"Japanese", g_App.LangFile);
  EXPECT_FALSE(g_App.LangModule);
}

TEST_F(ProgramFolderTest, AboutShowsVersionAndHidesTheTranslatorBlockForEnglish) {
  struct Case {
    const wchar_t* Library;
    bool Block;
  } cases[] = {{L"English.dll", false}, {L"Good.dll", true}};
  Install(BuildFile(L"Languages/English.dll").c_str(), L"English.dll");
  Install(FixturePath(L"lang_v421.dll").c_str(), L"Good.dll");
  int heights[2] = {};
  for (int k = 0; k < 2; k++) {
    FreeLanguageLibrary();
    SetLanguage(cases[k].Library);
    ASSERT_TRUE(g_App.LangModule);
    std::wstring version;
    bool block = false;
    WhenDialogOpens([&](HWND d) {
      wchar_t text[128];
      GetDlgItemTextW(d, 1401, text, 128);
      version = text;
      block = IsWindowVisible(GetDlgItem(d, 1406)) != FALSE;
      RECT r, ok;
      GetClientRect(d, &r);
      heights[k] = r.bottom;
      GetWindowRect(GetDlgItem(d, IDOK), &ok);
      MapWindowPoints(nullptr, d, (POINT*)&ok, 2);
      EXPECT_LE(ok.bottom, r.bottom);  // OK stays inside the shorter box
      ClickButton(d, IDOK);
    });
    ShowAboutDialog();
    EXPECT_EQ(std::wstring(sizeof(void*) == 8 ? L"Vantrel 64-bit Version " : L"Vantrel Version ") + L"4.2.2", version);
    EXPECT_EQ(cases[k].Block, block) << k;
  }
  EXPECT_LT(heights[0], heights[1]);
}

TEST_F(ProgramFolderTest, AboutMailLinkOpensWithTheSubjectAndCloses) {
  static std::wstring opened;
  auto saved = g_DialogSeams.ShellExecuteExFn;
  g_DialogSeams.ShellExecuteExFn = [](SHELLEXECUTEINFOW* info) -> BOOL {
    opened = info->lpFile;
    return TRUE;
  };
  WhenDialogOpens([](HWND d) {
    RECT r;
    GetWindowRect(GetDlgItem(d, 1405), &r);
    SetCursorPos(r.left + 2, r.top + 2);
    SendMessageW(d, WM_LBUTTONDOWN, 0, 0);
  });
  ShowAboutDialog();
  g_DialogSeams.ShellExecuteExFn = saved;
  EXPECT_EQ(L"mailto:support@vantrel.example?subject=[Vantrel]", opened);
  EXPECT_EQ(nullptr, GetTopOpenDialog());
}

}  // namespace
