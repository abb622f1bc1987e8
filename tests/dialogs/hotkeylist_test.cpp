#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>

#include "core/menucmd.h"
#include "core/winhelpers.h"
#include "dialogs/dialogboxes.h"
#include "dialogs/hotkeylist.h"
#include "dialogs/triggertree.h"
#include "state.h"
#include "store/hotkeys.h"
#include "store/lists.h"
#include "store/outlets.h"
#include "support/dialog_driver.h"
#include "support/settings_env.h"

namespace {

ButtonInfo* AddNamed(int list, const wchar_t* name, int column, int row) {
  NewButtonTemplate t{};
  t.Button.Type = 1;
  t.Button.Name = StoreDupString(name);
  t.Button.Position[0] = t.Button.Position[1] = ItemPos{column, row};
  t.Control = NBT_KEEP_FIELDS;
  ButtonInfo* b = AddButton(&t, list);
  if (!b) StoreFree(t.Button.Name);
  return b;
}

std::wstring KeyName(int code) {
  wchar_t text[256];
  FormatHotKeyName(code, text, 256, 0);
  return text;
}

std::wstring Cell(HWND list, int row, int column) {
  wchar_t text[256] = L"";
  LVITEMW it = {};
  it.iSubItem = column;
  it.pszText = text;
  it.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, (WPARAM)row, (LPARAM)&it);
  return text;
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    if (const wchar_t* p = (const wchar_t*)GlobalLock(h)) {
      text = p;
      GlobalUnlock(h);
    }
  }
  CloseClipboard();
  return text;
}

class HotKeyListTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_StoreOutlets._VnSetDllData;
    g_StoreOutlets._VnSetDllData = [](int, void*, void*) {};
    AddPage(L"Tools");
    AddPage(L"Games");
    ASSERT_TRUE(AddNamed(0, L"Notes", 1, 2));
    ASSERT_TRUE(AddNamed(1, L"Chess", 4, 0));
    ASSERT_EQ(1, SetHotKey(0x241, 0, 0, 1));
    ASSERT_EQ(1, SetHotKey(0x642, 1, 0, 1));
  }
  void TearDown() override { g_StoreOutlets._VnSetDllData = saved_; }
  SettingsEnv env_;
  void (*saved_)(int, void*, void*) = nullptr;
};

TEST_F(HotKeyListTest, ListsEveryHotKeyAndCopiesThemAsTabSeparatedLines) {
  struct Case {
    int ShowCode;
    int Rows;
  } cases[] = {{0, 2}, {0x253, 3}};
  for (const Case& c : cases) {
    g_App.Store.Refs.HotKeys.Rows[0].Code = c.ShowCode;
    g_App.Store.Refs.HotKeys.Rows[0].List = 1;
    int rows = -1;
    std::wstring first, notes[4], clip;
    WhenDialogOpens([&](HWND dialog) {
      HWND list = GetDlgItem(dialog, 1398);
      rows = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
      first = Cell(list, 0, 0);
      for (int k = 0; k < 4; k++) notes[k] = Cell(list, c.ShowCode ? 1 : 0, k);
      ClickButton(dialog, 1399);
      clip = ClipboardText();
      ClickButton(dialog, IDOK);
    });
    // The menu command's entry as start-up binds it.
    BindDialogEntries();
    ASSERT_TRUE(g_MenuEntries.HotkeyListDialog);
    g_MenuEntries.HotkeyListDialog();
    EXPECT_EQ(c.Rows, rows);
    EXPECT_EQ(c.ShowCode != 0, first == L"000-000.000") << first;
    // Page 0, row 3, column 2.
    EXPECT_EQ(L"000-003.002", notes[0]);
    EXPECT_EQ(L"Tools", notes[1]);
    EXPECT_EQ(L"Notes", notes[2]);
    EXPECT_EQ(KeyName(0x241), notes[3]);
    std::wstring want = L"Page\tItem\tHotkey\r\n";
    if (c.ShowCode) {
      wchar_t show[kActionNameChars];
      FormatActionName(LIST_NONE, 1, show, 0);
      want += std::wstring(L"\t") + show + L"\t" + KeyName(0x253) + L"\r\n";
    }
    want += L"Tools\tNotes\t" + KeyName(0x241) + L"\r\n";
    want += L"Games\tChess\t" + KeyName(0x642) + L"\r\n";
    EXPECT_EQ(want, clip);
    EXPECT_EQ(nullptr, GetTopOpenDialog());
  }
}

TEST(HotKeyListCopy, NothingForNoWindowOrAnEmptyList) {
  EXPECT_EQ(0, CopyHotKeyList(nullptr));
  EXPECT_EQ(nullptr, BuildHotKeyListText(nullptr));
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", LVS_REPORT, 0, 0, 100, 100, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_TRUE(list);
  EXPECT_EQ(0, CopyHotKeyList(list));
  DestroyWindow(list);
}

}  // namespace
