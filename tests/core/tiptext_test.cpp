// Tooltip texts: which tools show what, and the text the real tooltip
// control gets from the launcher window for the part under the cursor.
#include "core/tiptext.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "render/skin.h"
#include "scene_fixture.h"
#include "store/history.h"

namespace {

TEST(ChooseTipSource, Table) {
  const UINT tips = 0x10, tabs = 0x20;
  const TipCursor nothing = {-1, -1, -1, 0};
  const TipCursor onClose = {SLOT_CLOSEBUTTON, -1, -1, 0};
  const TipCursor onTab2 = {-1, 2, -1, 0};
  const TipCursor onButton = {-1, -1, 5, 1};
  const TipCursor onEmptyCell = {-1, -1, 5, 0};
  struct Case {
    UINT_PTR Id;
    UINT Disp;
    TipCursor Cursor;
    int Kind, Index;
  } cases[] = {
      // Tips switched off: nothing for any tool.
      {1001, 0, onClose, TIP_NONE, -1},
      {1205, tabs, onButton, TIP_NONE, -1},
      // System buttons: only the one under the cursor; the others hide.
      {1001, tips, onClose, TIP_SYSTEM_BUTTON, SLOT_CLOSEBUTTON},
      {1002, tips, onClose, TIP_HIDE, -1},
      {1004, tips, {SLOT_SEARCHBUTTON, -1, -1, 0}, TIP_SYSTEM_BUTTON, SLOT_SEARCHBUTTON},
      {1003, tips, nothing, TIP_HIDE, -1},
      // Tabs only with their own bit.
      {1102, tips, onTab2, TIP_NONE, -1},
      {1102, tips | tabs, onTab2, TIP_TAB, 2},
      {1199, tips | tabs, nothing, TIP_HIDE, -1},
      // Buttons: the button under the cursor, whatever cell tool asks.
      {1205, tips, onButton, TIP_BUTTON, 5},
      {1200, tips, onButton, TIP_BUTTON, 5},
      {1205, tips, onEmptyCell, TIP_HIDE, -1},
      {1205, tips, nothing, TIP_HIDE, -1},
      {1006, tips, onButton, TIP_BUTTON, 5},
      {1006, tips, nothing, TIP_HIDE, -1},
      // Ids of no tool.
      {1000, tips, onClose, TIP_NONE, -1},
      {1005, tips, onButton, TIP_NONE, -1},
      {1050, tips, onButton, TIP_NONE, -1},
  };
  for (const Case& c : cases) {
    TipSource s = ChooseTipSource(c.Id, c.Disp, &c.Cursor);
    EXPECT_EQ(c.Kind, s.Kind) << "case " << (&c - cases);
    if (c.Kind != TIP_NONE && c.Kind != TIP_HIDE) {
      EXPECT_EQ(c.Index, s.Index) << "case " << (&c - cases);
    }
  }
}

class ToolTipTest : public SceneWindowTest {
 protected:
  void SetUp() override {
    SceneWindowTest::SetUp();
    ButtonInfo* b = g_App.Store.Grid[1].Button;
    ASSERT_NE(nullptr, b);
    b->Tip = StoreDupString(L"Opens the second one");
  }
  // The text the tooltip control gets for tool id, as it shows it.
  static std::wstring TextOf(UINT_PTR id) {
    wchar_t text[256] = L"unchanged";
    TOOLINFOW ti = {};
    ti.cbSize = sizeof ti;
    ti.hwnd = Window();
    ti.uId = id;
    ti.lpszText = text;
    SendMessageW(g_App.Tray.ToolTip, TTM_GETTEXTW, 256, (LPARAM)&ti);
    return text;
  }
  // The tool the control finds at a client point.
  static UINT_PTR ToolAt(int x, int y) {
    TTHITTESTINFOW hit = {};
    hit.hwnd = Window();
    hit.pt = POINT{x, y};
    hit.ti.cbSize = sizeof hit.ti;
    if (!SendMessageW(g_App.Tray.ToolTip, TTM_HITTESTW, 0, (LPARAM)&hit)) return 0;
    return hit.ti.uId;
  }
};

TEST_F(ToolTipTest, ButtonUnderTheCursorGivesItsTip) {
  ASSERT_TRUE(PutCursorOn(Cell(1)));
  EXPECT_EQ(L"Opens the second one", TextOf(TOOLID_CELL + 1));
  // The control finds the cell's own tool, not the button area's behind it.
  EXPECT_EQ((UINT_PTR)TOOLID_CELL + 1, ToolAt((Cell(1).left + Cell(1).right) / 2, Cell(1).top + 3));
  // A button without a tip, and an empty cell, show nothing.
  ASSERT_TRUE(PutCursorOn(Cell(0)));
  EXPECT_EQ(L"", TextOf(TOOLID_CELL));
  ASSERT_TRUE(PutCursorOn(Cell(5)));
  EXPECT_EQ(L"", TextOf(TOOLID_CELL + 5));
  // Tips switched off.
  ASSERT_TRUE(PutCursorOn(Cell(1)));
  g_App.Settings.DispOption &= ~0x10u;
  EXPECT_EQ(L"", TextOf(TOOLID_CELL + 1));
}

// A notification sent from another thread (or process) is not read: its
// address belongs to the sender.
TEST_F(ToolTipTest, NotificationsSentFromElsewhereAreNotRead) {
  ASSERT_TRUE(PutCursorOn(Cell(1)));
  NMTTDISPINFOW request = {};
  request.hdr.hwndFrom = g_App.Tray.ToolTip;
  request.hdr.idFrom = TOOLID_CELL + 1;
  request.hdr.code = TTN_GETDISPINFOW;
  wchar_t untouched[] = L"untouched";
  request.lpszText = untouched;
  volatile LONG done = 0;
  HWND w = Window();
  std::thread sender([&] {
    DWORD_PTR result;
    SendMessageTimeoutW(w, WM_NOTIFY, 0, (LPARAM)&request, SMTO_NORMAL, 5000, &result);
    InterlockedExchange(&done, 1);
  });
  while (!done) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    Sleep(5);
  }
  sender.join();
  EXPECT_EQ(untouched, request.lpszText);
  // The same request from the window's own thread is answered.
  SendMessageW(w, WM_NOTIFY, 0, (LPARAM)&request);
  EXPECT_STREQ(L"Opens the second one", request.lpszText);
}

TEST_F(ToolTipTest, CellsAddedLaterStayInFrontOfTheButtonArea) {
  g_App.Design.ViewMode[0].ButtonNumX += 2;
  ApplyDesign();
  int last = g_App.Layout.CellCount - 1;
  RECT r = Cell(last);
  EXPECT_EQ((UINT_PTR)TOOLID_CELL + last, ToolAt((r.left + r.right) / 2, (r.top + r.bottom) / 2));
}

TEST_F(ToolTipTest, TabsGiveThePageName) {
  ASSERT_TRUE(PutCursorOn(Tab(1)));
  EXPECT_EQ(L"P2", TextOf(TOOLID_TAB + 1));
  g_App.Settings.DispOption &= ~0x20u;
  EXPECT_EQ(L"", TextOf(TOOLID_TAB + 1));
}

TEST_F(ToolTipTest, SystemButtonsGiveTheirNames) {
  ShowWindow(Window(), SW_SHOWNA);  // hit tests answer only for a shown window
  // The classic look has no mode and search buttons: placed as a skin would,
  // in the caption.
  const RECT& caption = g_App.Skin.Slots[SLOT_CAPTION].Target;
  g_App.Skin.Slots[SLOT_MODEBUTTON].Target = RECT{caption.left, caption.top, caption.left + 9, caption.top + 9};
  g_App.Skin.Slots[SLOT_SEARCHBUTTON].Target = RECT{caption.left + 20, caption.top, caption.left + 29, caption.top + 9};
  struct Case {
    int Slot;
    UINT_PTR Id;
    UINT Status;
    const wchar_t* Text;
  } cases[] = {
      {SLOT_CLOSEBUTTON, TOOLID_CLOSEBUTTON, 0, L"Close"},
      {SLOT_PINBUTTON, TOOLID_PINBUTTON, 0, L"Pin"},
      {SLOT_MODEBUTTON, TOOLID_MODEBUTTON, 0, L"To View Mode 2"},
      {SLOT_MODEBUTTON, TOOLID_MODEBUTTON, STATUS_VIEWMODE2, L"To View Mode 1"},
      {SLOT_SEARCHBUTTON, TOOLID_SEARCHBUTTON, 0, L"Search Item"},
  };
  for (const Case& c : cases) {
    const RECT& r = g_App.Skin.Slots[c.Slot].Target;
    ASSERT_TRUE(PutCursorOn(r)) << c.Slot;
    g_App.Settings.Status = c.Status;
    EXPECT_EQ(c.Text, TextOf(c.Id)) << "case " << (&c - cases);
    // Another system button's tool, asked now, hides the tip.
    UINT_PTR other = c.Id == TOOLID_CLOSEBUTTON ? TOOLID_PINBUTTON : TOOLID_CLOSEBUTTON;
    EXPECT_EQ(L"", TextOf(other)) << "case " << (&c - cases);
  }
  g_App.Settings.Status = 0;
  ShowWindow(Window(), SW_HIDE);
}

TEST_F(ToolTipTest, HistoryButtonShowsItsNewestEntrysTip) {
  ButtonInfo* history = g_App.Store.Grid[2].Button;
  history->Type = IT_HISTORY | ITEM_SHOW_NEWEST;
  history->Tip = StoreDupString(L"History");
  HistoryEntry entries[2] = {{MakeItemRef(0, 1), 0}, {0, 0}};
  g_App.Store.Refs.History = entries;
  g_App.Store.Refs.MaxMemories = 2;
  ASSERT_TRUE(PutCursorOn(Cell(2)));
  EXPECT_EQ(L"Opens the second one", TextOf(TOOLID_CELL + 2));
  entries[0].Ref = 0;  // empty history: its own tip
  EXPECT_EQ(L"History", TextOf(TOOLID_CELL + 2));
  g_App.Store.Refs.History = nullptr;
  g_App.Store.Refs.MaxMemories = 0;
}

}  // namespace
