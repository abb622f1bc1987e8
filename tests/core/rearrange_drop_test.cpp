// The end of a rearrange drag over the grid, as the window's left release
// gives it: a move from another page goes through the store's move, which
// shows and saves the change.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/mouseinput.h"
#include "input_fixture.h"
#include "store/hotkeys.h"

namespace {

std::vector<std::string> g_Saves;
int g_DropCell = -1;

int RecordSavePages(const wchar_t*) {
  g_Saves.push_back("SavePages");
  return 1;
}
int RecordWriteSettings(const wchar_t*, int) {
  g_Saves.push_back("WriteSettings");
  return 1;
}
int RecordIconCache(int) {
  g_Saves.push_back("SaveIconCache");
  return 1;
}
void RecordRepaint(UINT parts) { g_Saves.push_back("Repaint " + std::to_string(parts & 7)); }
// Tabs are never under the pointer; the grid cell is the one the test drops on.
int ItemUnderPointer(POINT*, int kind, int) { return kind == 2 ? g_DropCell : -1; }

class RearrangeDropTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    g_Saves.clear();
    g_StoreOutlets.SavePages = RecordSavePages;
    g_StoreOutlets.WriteSettings = RecordWriteSettings;
    g_StoreOutlets.SaveIconCache = RecordIconCache;
    g_StoreOutlets.RepaintMainWindow = RecordRepaint;
    g_InputOutlets.GetItemFromPoint = ItemUnderPointer;
    // Clicks count only on a visible launcher window.
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"STATIC", L"", WS_POPUP, 0, 0, 20, 20, nullptr,
                              nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window_);
    ShowWindow(window_, SW_SHOWNA);
    g_App.MainWnd = window_;
  }
  void TearDown() override {
    g_App.MainWnd = nullptr;
    DestroyWindow(window_);
    InputTest::TearDown();
  }
  // The drag of b as the press and the drag start leave it, then the release over cell.
  void DropAt(ButtonInfo* b, int cell) {
    g_App.Input.PressList = b->List;
    g_App.Input.PressIndex = b->Index;
    g_App.Input.RearrangeDrag = 1;
    g_DropCell = cell;
    OnMouseButton(WM_LBUTTONUP, 0, 0);
  }
  HWND window_ = nullptr;
};

TEST_F(RearrangeDropTest, AMoveToAnotherPageIsSaved) {
  struct Case {
    bool HotKey;  // a reference outside the page sections follows the button
    int Cell;     // dropped on; cell 1 holds a button of that page
    int MovedColumn, ThereColumn;
    std::vector<std::string> Saves;
  } cases[] = {
      {false, 0, 0, 1, {"Repaint 4", "SavePages", "SaveIconCache"}},
      {true, 0, 0, 1, {"Repaint 4", "WriteSettings", "SaveIconCache"}},
      {false, 1, 1, 2, {"Repaint 4", "SavePages", "SaveIconCache"}},  // room is made at the cell
  };
  for (const Case& c : cases) {
    ClearItemStore();
    MakePages(2);
    ButtonInfo* moved = Add(0, "moved", 0, 0);
    ButtonInfo* there = Add(1, "there", 1, 0);
    if (c.HotKey) {
      ASSERT_EQ(1, SetHotKey(0x41, 0, 0, 1));
    }
    // The drag went over the tab of page 2 and ends on one of its cells.
    SelectPage(1, 1);
    g_Saves.clear();
    DropAt(moved, c.Cell);
    EXPECT_EQ(0, g_App.Input.RearrangeDrag);
    EXPECT_EQ(0, GetItemCount(0));
    ASSERT_EQ(2, GetItemCount(1));
    ButtonInfo* now = S().Grid[c.Cell].Button;
    ASSERT_NE(nullptr, now);
    EXPECT_STREQ(L"moved", now->Name);
    EXPECT_EQ(c.MovedColumn, now->Position[0].PosX);
    EXPECT_EQ(c.ThereColumn, there->Position[0].PosX);
    EXPECT_EQ(c.Saves, g_Saves) << "hot key " << c.HotKey << " cell " << c.Cell;
    if (c.HotKey) {
      EXPECT_EQ(1, S().Refs.HotKeys.Rows[1].List);
    }
  }
}

TEST_F(RearrangeDropTest, AMoveOnTheSamePageIsSavedOnce) {
  MakePages(1);
  ButtonInfo* a = Add(0, "a", 0, 0);
  Add(0, "b", 1, 0);
  g_Saves.clear();
  DropAt(a, 3);
  EXPECT_EQ(3, a->Position[0].PosX);
  EXPECT_EQ(1, (int)std::count(g_Saves.begin(), g_Saves.end(), "SavePages"));
  EXPECT_EQ(0, (int)std::count(g_Saves.begin(), g_Saves.end(), "WriteSettings"));
}

TEST_F(RearrangeDropTest, ADropOutsideTheGridChangesAndSavesNothing) {
  MakePages(2);
  ButtonInfo* a = Add(0, "a", 0, 0);
  SelectPage(1, 1);
  g_Saves.clear();
  DropAt(a, -1);
  EXPECT_EQ(1, GetItemCount(0));
  EXPECT_EQ(0, GetItemCount(1));
  EXPECT_TRUE(g_Saves.empty());
}

}  // namespace
