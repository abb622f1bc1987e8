#include "dialogs/triggertree.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/about.h"
#include "dialogs/initialpage.h"
#include "dialogs/options.h"
#include "resources/resource.h"
#include "state.h"
#include "store/lists.h"
#include "support/message_recorder.h"
#include "support/settings_env.h"
#include "support/dialog_driver.h"

namespace {

ButtonInfo* AddNamed(int list, const wchar_t* name, int column) {
  NewButtonTemplate t{};
  t.Button.Type = 1;
  t.Button.Name = StoreDupString(name);
  t.Button.Position[0] = t.Button.Position[1] = ItemPos{column, 0};
  t.Control = NBT_KEEP_FIELDS;
  ButtonInfo* b = AddButton(&t, list);
  if (!b) StoreFree(t.Button.Name);
  return b;
}

std::wstring TriggerText(int t) {
  wchar_t text[256];
  FormatTriggerText(t, text, 256);
  return text;
}

TEST(TriggerCatalogue, TextsAndPlaces) {
  struct Case {
    int Trigger;
    const wchar_t* Text;
    int Places;
  } cases[] = {
      {0, L"Left click", 11},
      {1, L"Right click", 11},
      {2, L"Middle click", 12},
      {5, L"Left button + Right click", 12},
      {24, L"X2 button + X1 click", 12},
      {25, L"Left double-click", 11},
      {26, L"Right double-click", 12},
      {55, L"Left button + Right triple-click", 12},
      {75, L"Left button + Wheel Up", 12},
      {84, L"X2 button + Wheel Down", 12},
      {85, L"Press and Hold the Left button", 12},
      {99, L"Press and Hold the X1 and X2 buttons", 12},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.Text, TriggerText(c.Trigger)) << c.Trigger;
    int places = 0;
    for (int p = 0; p < kMousePlaces; p++) places += IsPlaceOffered(c.Trigger, p);
    EXPECT_EQ(c.Places, places) << c.Trigger;
  }
  int total = 0;
  for (int c = 0; c < kTriggerCategories; c++) {
    EXPECT_EQ(total, GetTriggerBase(c));
    total += GetTriggerCount(c);
  }
  EXPECT_EQ(kMouseActions, total);
  EXPECT_FALSE(IsPlaceOffered(2, kMousePlaces));
}

class ActionNames : public testing::Test {
 protected:
  void SetUp() override {
    AddPage(L"Tools");
    AddPage(nullptr);
    button_ = AddNamed(0, L"Editor", 0);
  }
  SettingsEnv env_;
  ButtonInfo* button_ = nullptr;
};

TEST_F(ActionNames, NamesLauncherPagesAndButtons) {
  ASSERT_TRUE(button_);
  struct Case {
    int List, Index, WithoutPrefix;
    const wchar_t* Text;
  } cases[] = {
      {LIST_NONE, LIST_NONE, 0, L"Show Vantrel - Last Displayed Page"},
      {LIST_NONE, LIST_NONE, 1, L"Last Displayed Page"},
      {LIST_NONE, 0, 0, L"Show Vantrel - Tools"},
      {LIST_NONE, 0, 1, L"Tools"},
      {LIST_NONE, 1, 0, L"Show Vantrel - "},  // a page without a name
      {LIST_NONE, 7, 0, L"Show Vantrel - "},  // no such page
      {0, button_->Index, 0, L"Editor - Tools"},
      {0, 5, 0, L""},  // a button that is gone
      {3, 0, 0, L""},
  };
  for (const Case& c : cases) {
    wchar_t out[kActionNameChars];
    FormatActionName(c.List, c.Index, out, c.WithoutPrefix);
    EXPECT_EQ(std::wstring(c.Text), out) << c.List << "," << c.Index;
  }
}

TEST(ShowTriggers, MaskAndWarning) {
  References r = {};
  HotKeyEntry rows[1] = {};
  EXPECT_EQ(0u, CheckShowTriggers(&r));
  r.MousePlaceMask[3] = 1u << 2;
  r.MouseTargets[3][2] = MouseTarget{0, 4};  // a button: not a way to show
  r.EdgeAssignment[5] = (1u << 16) | 2;     // a button again
  EXPECT_EQ(0u, CheckShowTriggers(&r));
  r.HotKeys.Rows = rows;
  r.HotKeys.Count = 0;
  rows[0].Code = 0x241;
  EXPECT_EQ(0x100u, CheckShowTriggers(&r));
  r.MouseTargets[3][2] = MouseTarget{LIST_NONE, LIST_NONE};
  r.EdgeAssignment[9] = 0xFFFF0000u;
  r.Circle[1] = CircleGestureSettings{1, 0, 0, 0, LIST_NONE, 0};
  EXPECT_EQ(0x1E0u, CheckShowTriggers(&r));
  r.MousePlaceMask[3] = 0;  // the slot alone does not count
  EXPECT_EQ(0x1C0u, CheckShowTriggers(&r));

  struct Case {
    UINT Mask, Restraint;
    int NoWarning, Id;
  } cases[] = {
      {0, 0, 0, IDS_NO_SHOW_TRIGGER},      {0x20, 0, 0, 0},
      {0x20, 0x10, 0, IDS_NEVER_SHOWN_RESTRICTED}, {0x60, 0x60, 0, IDS_NEVER_SHOWN_RESTRICTED},
      {0x60, 0x20, 0, 0},                  {0, 0, 1, 0},
      {0x20, 0x10, 1, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Id, GetShowTriggerWarning(c.Mask, c.Restraint, c.NoWarning)) << c.Mask << " " << c.Restraint;
}

TEST(InitialPage, RowsAndStoredValues) {
  EXPECT_EQ(0, GetInitialPageRow(0xFFFF, 3));
  EXPECT_EQ(1, GetInitialPageRow(0, 3));
  EXPECT_EQ(3, GetInitialPageRow(2, 3));
  EXPECT_EQ(-1, GetInitialPageRow(3, 3));  // beyond the last page: no row
  EXPECT_EQ(0xFFFF, GetInitialPageValue(0, 3));
  EXPECT_EQ(2, GetInitialPageValue(3, 3));
  EXPECT_EQ(0xFFFF, GetInitialPageValue(CB_ERR, 3));  // nothing chosen
  EXPECT_EQ(0xFFFF, GetInitialPageValue(4, 3));
}

TEST(InitialPage, DialogListsPagesAndStoresTheChoice) {
  SettingsEnv env;
  AddPage(L"Tools");
  AddPage(nullptr);
  struct Case {
    int Start;
    int Select;  // -2 leave as it opens
    int Expected;
    int Rows;
    int Shown;   // selected row when it opened
  } cases[] = {
      {0xFFFF, -2, 0xFFFF, 3, 0},
      {1, -2, 1, 3, 2},
      {0xFFFF, 2, 1, 3, 0},
      {9, -2, 0xFFFF, 3, -1},  // no row selected: OK keeps a valid value
  };
  for (const Case& c : cases) {
    int page = c.Start, rows = 0, shown = -3;
    std::wstring second;
    WhenDialogOpens([&](HWND d) {
      HWND combo = GetDlgItem(d, 1379);
      rows = (int)SendMessageW(combo, CB_GETCOUNT, 0, 0);
      shown = (int)SendMessageW(combo, CB_GETCURSEL, 0, 0);
      wchar_t text[64] = {};
      SendMessageW(combo, CB_GETLBTEXT, 2, (LPARAM)text);
      second = text;
      if (c.Select != -2) SendMessageW(combo, CB_SETCURSEL, (WPARAM)c.Select, 0);
      ClickButton(d, IDOK);
    });
    EXPECT_EQ(1, ChooseInitialPage(nullptr, &page));
    EXPECT_EQ(c.Expected, page);
    EXPECT_EQ(c.Rows, rows);
    EXPECT_EQ(c.Shown, shown);
    EXPECT_EQ(L"2. ", second);  // a page without a name: its number only
  }
  int page = 1;
  WhenDialogOpens([](HWND d) { SendMessageW(d, WM_COMMAND, IDCANCEL, 0); });
  EXPECT_EQ(0, ChooseInitialPage(nullptr, &page));
  EXPECT_EQ(1, page);
}

TEST(About, VersionAndLinkTargets) {
  wchar_t text[128];
  FormatAboutVersion(0x04020200, 1, text, 128);
  EXPECT_STREQ(L"Vantrel 64-bit Version 4.2.2", text);
  FormatAboutVersion(0x0A0B0C00, 0, text, 128);
  EXPECT_STREQ(L"Vantrel Version 10.11.12", text);  // numbers, not digit characters
  FormatAboutVersion(0xFFFF1000, 1, text, 128);
  EXPECT_STREQ(L"Vantrel 64-bit Version 255.255.16", text);

  wchar_t target[kLinkTargetChars];
  BuildLinkTarget(L"a@b.example", 1, target, kLinkTargetChars);
  EXPECT_STREQ(L"mailto:a@b.example?subject=[Vantrel]", target);
  BuildLinkTarget(L"https://x.example/", 0, target, kLinkTargetChars);
  EXPECT_STREQ(L"https://x.example/", target);
  std::wstring longMail(3000, L'm');
  int n = BuildLinkTarget(longMail.c_str(), 1, target, kLinkTargetChars);
  EXPECT_EQ(7 + 1017 + 18, n);
  EXPECT_EQ(std::wstring(L"?subject=[Vantrel]"), std::wstring(target + n - 18));
}

// --- the tree ----------------------------------------------------------------------------------

class TriggerTreeTest : public testing::Test {
 protected:
  void SetUp() override {
    AddPage(L"Tools");
    AddPage(L"Games");
    button_ = AddNamed(0, L"Editor", 0);
    other_ = AddNamed(0, L"Other", 1);
    InitCommonControls();
    tree_ = CreateWindowExW(0, WC_TREEVIEWW, L"", WS_POPUP | TVS_HASBUTTONS | TVS_LINESATROOT, 0, 0, 300, 300,
                            nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    FillTriggerTree(tree_, 0, 0, 0, 0);
    DestroyWindow(tree_);
  }
  References& R() { return g_App.Store.Refs; }
  HTREEITEM Root(int row) {
    HTREEITEM n = TreeView_GetRoot(tree_);
    while (n && row--) n = TreeView_GetNextSibling(tree_, n);
    return n;
  }
  HTREEITEM Child(HTREEITEM root, int k) {
    HTREEITEM n = TreeView_GetChild(tree_, root);
    while (n && k--) n = TreeView_GetNextSibling(tree_, n);
    return n;
  }
  int Check(HTREEITEM n) { return (int)(TreeView_GetItemState(tree_, n, TVIS_STATEIMAGEMASK) >> 12); }
  std::wstring Text(HTREEITEM n) {
    wchar_t text[512] = {};
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = n;
    tv.pszText = text;
    tv.cchTextMax = 512;
    TreeView_GetItem(tree_, &tv);
    return text;
  }
  int Count(HTREEITEM parent) {
    int k = 0;
    for (HTREEITEM n = parent ? TreeView_GetChild(tree_, parent) : TreeView_GetRoot(tree_); n;
         n = TreeView_GetNextSibling(tree_, n))
      k++;
    return k;
  }
  // Space on the selected item, then the flip the tree view makes itself.
  int PressSpace(HTREEITEM n, int list, int index, int category = 0) {
    TreeView_SelectItem(tree_, n);
    int r = OnTriggerTreeCheck(tree_, category, list, index, 0);
    TreeView_SetCheckState(tree_, n, Check(n) != 2);
    return r;
  }

  SettingsEnv env_;
  ButtonInfo* button_ = nullptr;
  ButtonInfo* other_ = nullptr;
  HWND tree_ = nullptr;
};

TEST_F(TriggerTreeTest, FillShowsAssignmentsOfTheCategory) {
  R().MousePlaceMask[2] = (1u << 0) | (1u << 10);  // middle click: anywhere, desktop
  R().MouseTargets[2][0] = MouseTarget{LIST_NONE, 1};
  R().MouseTargets[2][10] = MouseTarget{0, other_->Index};
  FillTriggerTree(tree_, 0, LIST_NONE, 0, 1);
  EXPECT_TRUE(GetWindowLongPtrW(tree_, GWL_STYLE) & TVS_CHECKBOXES);
  ASSERT_EQ(25, Count(nullptr));
  EXPECT_EQ(L"Left click", Text(Root(0)));
  EXPECT_EQ(11, Count(Root(0)));
  EXPECT_EQ(L"Top Left of the Screen", Text(Child(Root(0), 0)));
  HTREEITEM middle = Root(2);
  EXPECT_EQ(12, Count(middle));
  EXPECT_EQ(2, Check(middle));
  EXPECT_EQ(1, Check(Root(0)));
  EXPECT_EQ(L"Anywhere  [ Show Vantrel - Games ]", Text(Child(middle, 0)));
  EXPECT_EQ(L"Desktop  [ Other - Tools ]", Text(Child(middle, 10)));
  EXPECT_EQ(2, Check(Child(middle, 0)));
  EXPECT_EQ(1, Check(Child(middle, 1)));
  // The first of ours is selected and its trigger expanded.
  EXPECT_EQ(Child(middle, 0), TreeView_GetSelection(tree_));
  EXPECT_TRUE(TreeView_GetItemState(tree_, middle, TVIS_EXPANDED) & TVIS_EXPANDED);

  FillTriggerTree(tree_, 3, LIST_NONE, 0, 1);  // the wheel: appended below
  EXPECT_EQ(35, Count(nullptr));
}

TEST_F(TriggerTreeTest, ItemModeKeepsOtherButtonsSlotsOnReadBack) {
  R().MousePlaceMask[5] = (1u << 3) | (1u << 4);
  R().MouseTargets[5][3] = MouseTarget{0, other_->Index};
  R().MouseTargets[5][4] = MouseTarget{0, button_->Index};
  FillTriggerTree(tree_, 0, 0, button_->Index, 1);
  HTREEITEM t = Root(5);
  // Unchecking ours and checking a new place for ours.
  EXPECT_EQ(1, PressSpace(Child(t, 4), 0, button_->Index));
  EXPECT_EQ(1, Check(Child(t, 4)));
  EXPECT_EQ(1, PressSpace(Child(t, 7), 0, button_->Index));
  EXPECT_EQ(L"Right Side of the Screen  [ Editor - Tools ]", Text(Child(t, 7)));
  ReadTriggerTree(tree_, 0, 0, button_->Index);
  EXPECT_EQ((1u << 3) | (1u << 7), R().MousePlaceMask[5]);
  EXPECT_EQ(other_->Index, R().MouseTargets[5][3].Index);  // another button's slot stays
  EXPECT_EQ(0, R().MouseTargets[5][4].List);                // cleared to {0, 0}
  EXPECT_EQ(0, R().MouseTargets[5][4].Index);
  EXPECT_EQ(button_->Index, R().MouseTargets[5][7].Index);
}

TEST_F(TriggerTreeTest, ParentFollowsItsChildrenAndDeletionAsks) {
  MessageRecorder messages;
  FillTriggerTree(tree_, 4, 0, button_->Index, 1);
  HTREEITEM hold = Root(0);
  EXPECT_EQ(1, Check(hold));
  PressSpace(Child(hold, 2), 0, button_->Index);
  EXPECT_EQ(2, Check(hold));  // the first checked place checks the trigger
  PressSpace(Child(hold, 5), 0, button_->Index);
  PressSpace(Child(hold, 2), 0, button_->Index);
  EXPECT_EQ(2, Check(hold));  // one still checked
  PressSpace(Child(hold, 5), 0, button_->Index);
  EXPECT_EQ(1, Check(hold));  // the last one unchecked
  EXPECT_TRUE(messages.Calls.empty());

  PressSpace(Child(hold, 1), 0, button_->Index);
  PressSpace(Child(hold, 6), 0, button_->Index);
  messages.Answer(IDCANCEL);
  EXPECT_EQ(0, PressSpace(hold, 0, button_->Index));
  ASSERT_EQ(1u, messages.Calls.size());
  EXPECT_EQ(L"Are you sure you want to delete all assignment to \"Press and Hold the Left button\"?",
            messages.Calls[0].Text);
  EXPECT_EQ(2, Check(hold));
  EXPECT_EQ(2, Check(Child(hold, 6)));
  messages.Answer(IDOK);
  EXPECT_EQ(1, PressSpace(hold, 0, button_->Index));
  EXPECT_EQ(1, Check(hold));
  EXPECT_EQ(1, Check(Child(hold, 1)));
  EXPECT_EQ(L"Top Left of the Screen", Text(Child(hold, 1)));
  ReadTriggerTree(tree_, 4, 0, button_->Index);
  EXPECT_EQ(0u, R().MousePlaceMask[85]);
  // An unchecked trigger is not checked by a click on it.
  EXPECT_EQ(1, PressSpace(hold, 0, button_->Index));
  EXPECT_EQ(1, Check(hold));
}

TEST_F(TriggerTreeTest, ShowModeAsksForThePage) {
  FillTriggerTree(tree_, 1, LIST_NONE, 0, 1);
  HTREEITEM dbl = Root(1);  // right double-click
  WhenDialogOpens([](HWND d) {
    SendDlgItemMessageW(d, 1379, CB_SETCURSEL, 2, 0);
    ClickButton(d, IDOK);
  });
  PressSpace(Child(dbl, 9), LIST_NONE, 0, 1);
  EXPECT_EQ(L"Title Bar  [ Show Vantrel - Games ]", Text(Child(dbl, 9)));
  WhenDialogOpens([](HWND d) { ClickButton(d, IDOK); });
  PressSpace(Child(dbl, 10), LIST_NONE, 0, 1);
  ReadTriggerTree(tree_, 1, LIST_NONE, 0);
  EXPECT_EQ((1u << 9) | (1u << 10), R().MousePlaceMask[26]);
  EXPECT_EQ(LIST_NONE, R().MouseTargets[26][9].List);
  EXPECT_EQ(1, R().MouseTargets[26][9].Index);
  EXPECT_EQ(LIST_NONE, R().MouseTargets[26][10].Index);  // the last displayed page
  // Left double-click has no "Anywhere": its first place is the top left.
  EXPECT_EQ(L"Top Left of the Screen", Text(Child(Root(0), 0)));
}

TEST_F(TriggerTreeTest, ExpandAndFoldAll) {
  FillTriggerTree(tree_, 3, LIST_NONE, 0, 1);
  ExpandTriggerTree(tree_, 40060);
  for (int i = 0; i < 10; i++) EXPECT_TRUE(TreeView_GetItemState(tree_, Root(i), TVIS_EXPANDED) & TVIS_EXPANDED);
  ExpandTriggerTree(tree_, 40061);
  for (int i = 0; i < 10; i++) EXPECT_FALSE(TreeView_GetItemState(tree_, Root(i), TVIS_EXPANDED) & TVIS_EXPANDED);
  EXPECT_EQ(Root(0), TreeView_GetSelection(tree_));
}

}  // namespace
