#include "core/triggers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/eventlists.h"
#include "core/hookbind.h"
#include "core/hookctl.h"
#include "state.h"
#include "store/items.h"

namespace {

const HWND kMain = (HWND)(INT_PTR)0x5150;
const HWND kUnder = (HWND)(INT_PTR)0x6160;  // the window under the pointer

struct Posted {
  HWND Wnd;
  UINT Msg;
  WPARAM W;
  LPARAM L;
  bool operator==(const Posted& o) const { return Wnd == o.Wnd && Msg == o.Msg && W == o.W && L == o.L; }
};

// What the triggers did, in order: "show mode x y page", "launch list index
// flags", "timer id ms", "kill id".
struct TriggerLog {
  std::vector<std::string> Calls;
  std::vector<Posted> Posts;
  DWORD Now = 50000;
  UINT Suspend = 0;
  bool Keys[256] = {};
  LRESULT NcHit = HTCLIENT;
  int Explorer = -1;
  int EdgeType = -1;  // the corner or edge PtOnEdge reports, -1 none
  UINT Modifiers = 0;
};
TriggerLog* g_Log;

std::string Str(const char* format, ...) {
  char buffer[128];
  va_list args;
  va_start(args, format);
  vsnprintf(buffer, sizeof(buffer), format, args);
  va_end(args);
  return buffer;
}

DWORD FakeTick() { return g_Log->Now; }
void FakeShow(int mode, int x, int y, int page, int activate) {
  g_Log->Calls.push_back(Str("show %x %d %d %d %d", mode, x, y, page, activate));
}
void FakeLaunch(ButtonInfo* item, UINT flags) {
  g_Log->Calls.push_back(Str("launch %d %d %x", item->List, item->Index, flags));
}
void FakeSetTimer(UINT_PTR id, UINT ms) { g_Log->Calls.push_back(Str("timer %d %u", (int)id, ms)); }
void FakeKillTimer(UINT_PTR id) { g_Log->Calls.push_back(Str("kill %d", (int)id)); }
BOOL FakePost(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  g_Log->Posts.push_back({w, m, wp, lp});
  return TRUE;
}
UINT FakeDoubleClickTime() { return 400; }
int FakeMetric(int index) { return index == SM_CXDOUBLECLK || index == SM_CYDOUBLECLK ? 8 : 0; }
HWND FakeWindowAt(POINT) { return kUnder; }
LRESULT FakeNcHitTest(HWND, POINT) { return g_Log->NcHit; }
BOOL FakePtOnEdge(POINT, int type) { return type == g_Log->EdgeType; }
int FakeExplorerPlace(HWND, POINT, UINT, int) { return g_Log->Explorer; }
BOOL FakeScreenToClient(HWND, POINT* pt) {
  pt->x -= 100;
  pt->y -= 50;
  return TRUE;
}
SHORT FakeKeyState(int vk) { return g_Log->Keys[vk & 0xFF] ? (SHORT)0x8000 : 0; }
UINT FakeSuspendWord() { return g_Log->Suspend; }
UINT FakeModifierState() { return g_Log->Modifiers; }

// One page of three buttons, the settings the triggers read and the fake
// platform; everything put back afterwards.
class TriggerTest : public ::testing::Test {
 protected:
  TriggerLog log;
  ButtonInfo buttons[3] = {};
  ButtonInfo* table[3] = {&buttons[0], &buttons[1], &buttons[2]};
  PageInfo page = {};
  ButtonInfo** pageTables[1] = {table};
  HotKeyEntry hotKeys[4] = {};

  void SetUp() override {
    g_Log = &log;
    savedStore_ = g_App.Store;
    savedSettings_ = g_App.Settings;
    savedPlatform_ = g_TriggerPlatform;
    savedMain_ = g_App.MainWnd;
    savedRunState_ = g_App.RunState;
    g_App.Store = ItemStore();
    for (int i = 0; i < 3; i++) {
      buttons[i].List = 0;
      buttons[i].Index = i;
    }
    page.Count = 3;
    g_App.Store.Pages = &page;
    g_App.Store.PageButtons = pageTables;
    g_App.Store.PageCount = 1;
    for (auto& row : g_App.Store.Refs.MouseTargets)
      for (MouseTarget& t : row) t = {LIST_NONE, LIST_NONE};
    g_App.Store.Refs.HotKeys = {3, hotKeys};
    memset(&g_App.Settings, 0, sizeof(g_App.Settings));
    g_App.Settings.ShowPosX = 11;
    g_App.Settings.ShowPosY = 22;
    g_App.MainWnd = kMain;
    g_App.RunState = RS_HOLD_ACTION;
    g_TriggerPlatform = {FakeTick,          FakeShow,         FakeLaunch,       FakeSetTimer,
                         FakeKillTimer,     FakePost,         FakeDoubleClickTime, FakeMetric,
                         FakeWindowAt,      FakeNcHitTest,    FakePtOnEdge,     FakeExplorerPlace,
                         FakeScreenToClient, FakeKeyState,    FakeSuspendWord,  FakeModifierState,
                         nullptr,           nullptr};
    ResetTriggers();
  }
  void TearDown() override {
    ResetTriggers();
    g_App.Store = savedStore_;
    g_App.Settings = savedSettings_;
    g_TriggerPlatform = savedPlatform_;
    g_App.MainWnd = savedMain_;
    g_App.RunState = savedRunState_;
    g_Log = nullptr;
  }
  // The calls so far, and the log emptied.
  std::vector<std::string> Take() {
    std::vector<std::string> c;
    c.swap(log.Calls);
    return c;
  }
  std::vector<std::string> Launches() {
    std::vector<std::string> out;
    for (const std::string& c : Take())
      if (c.rfind("launch", 0) == 0 || c.rfind("show", 0) == 0) out.push_back(c);
    return out;
  }
  References& Refs() { return g_App.Store.Refs; }

 private:
  ItemStore savedStore_;
  SettingsState savedSettings_;
  TriggerPlatform savedPlatform_;
  HWND savedMain_;
  LONG savedRunState_;
};

using Calls = std::vector<std::string>;

TEST_F(TriggerTest, MouseActionRunsItsTarget) {
  Refs().MouseTargets[0][0] = {0, 1};
  Refs().MouseTargets[1][4] = {LIST_NONE, 2};
  Refs().MouseTargets[2][0] = {0, 7};  // no such button any more
  g_App.Settings.DispPosition = 0x2;   // mouse family, second bit: mode 0
  DispatchTrigger(2, 0, 0);
  EXPECT_EQ((Calls{"kill 1", "launch 0 1 80"}), Take());
  DispatchTrigger(2, 1, 4);
  EXPECT_EQ((Calls{"kill 1", "show 0 11 22 2 1"}), Take());
  g_App.Settings.Option1 = 0x2000;  // auto-hide for mouse actions
  DispatchTrigger(2, 1, 4);
  EXPECT_EQ((Calls{"kill 1", "show 100 11 22 2 1"}), Take());
  DispatchTrigger(2, 2, 0);
  EXPECT_EQ((Calls{"kill 1"}), Take());
}

// The hook library's values index the target tables: anything out of range
// is dropped before it is used.
TEST_F(TriggerTest, MouseActionOutOfRangeIsDropped) {
  const int bad[][2] = {{100, 0}, {-1, 0}, {0, 12}, {0, -1}, {0x7FFFFFFF, 3}};
  for (const auto& b : bad) DispatchTrigger(2, b[0], b[1]);
  DispatchTrigger(7, 0, 0);
  EXPECT_TRUE(Take().empty());
}

TEST_F(TriggerTest, MultiClickArming) {
  g_App.Settings.Option1 = 0x40000;
  Refs().MouseTargets[0][5] = {0, 0};
  Refs().MouseTargets[25][5] = {0, 1};
  Refs().MouseTargets[50][5] = {0, 2};
  Refs().MousePlaceMask[25] = 1u << 5;
  // A single click waits one double-click time, then runs.
  DispatchTrigger(2, 0, 5);
  EXPECT_EQ((Calls{"kill 1", "timer 1 400"}), Take());
  EXPECT_EQ(1, OnTriggerTimer(1));
  EXPECT_EQ((Calls{"kill 1", "launch 0 0 80"}), Take());
  OnTriggerTimer(1);  // nothing left
  EXPECT_EQ((Calls{"kill 1"}), Take());
  // A double click within that time runs only the double click.
  DispatchTrigger(2, 0, 5);
  DispatchTrigger(2, 25, 5);
  EXPECT_EQ((Calls{"kill 1", "timer 1 400", "kill 1", "launch 0 1 80"}), Take());
  OnTriggerTimer(1);
  EXPECT_EQ((Calls{"kill 1"}), Take());
  // With a triple click assigned (here for anywhere) a press waits twice as
  // long and the double click waits too.
  Refs().MousePlaceMask[50] = 1;
  DispatchTrigger(2, 0, 5);
  DispatchTrigger(2, 25, 5);
  DispatchTrigger(2, 50, 5);
  EXPECT_EQ((Calls{"kill 1", "timer 1 800", "kill 1", "timer 1 400", "kill 1", "launch 0 2 80"}), Take());
  // Another place has no multi-click assignment: runs at once.
  Refs().MousePlaceMask[50] = 0;
  Refs().MouseTargets[0][3] = {0, 2};
  DispatchTrigger(2, 0, 3);
  EXPECT_EQ((Calls{"kill 1", "launch 0 2 80"}), Take());
  // Without the option nothing waits.
  g_App.Settings.Option1 = 0;
  DispatchTrigger(2, 0, 5);
  EXPECT_EQ((Calls{"kill 1", "launch 0 0 80"}), Take());
}

TEST_F(TriggerTest, DoubleAndTripleClicksThatShowMarkTheirRelease) {
  struct Case {
    int Action;
    UINT Bits;
  } cases[] = {{25, 0x3}, {50, 0x3}, {26, 0xC}, {51, 0xC}, {27, 0x10}, {52, 0x10}, {0, 0}, {28, 0}};
  for (const Case& c : cases) {
    ResetTriggers();
    DispatchTrigger(2, c.Action, 0);
    EXPECT_EQ(c.Bits, TriggerReleaseBits()) << c.Action;
  }
  // A button target does not show the launcher: no bits.
  ResetTriggers();
  Refs().MouseTargets[25][0] = {0, 1};
  DispatchTrigger(2, 25, 0);
  EXPECT_EQ(0u, TriggerReleaseBits());
  DispatchTrigger(2, 26, 0);
  ClearTriggerReleaseBits(0x4);
  EXPECT_EQ(0x8u, TriggerReleaseBits());
}

TEST_F(TriggerTest, HotKeyRows) {
  hotKeys[0] = {0x85B, 2, 0};  // Win alone shows page 2
  hotKeys[1] = {0x241, 0, 1};
  hotKeys[2] = {0x0F0, 0, 2};
  hotKeys[3] = {0x242, 0, 9};  // its button went away
  g_App.Settings.DispPosition = 0x4000;  // hot-key family, third bit: mode 3
  OnHotKey(0);
  EXPECT_EQ((Calls{"show 3 11 22 2 1"}), Take());
  g_App.Settings.Option1 = 0x10000;
  OnHotKey(0);
  EXPECT_EQ((Calls{"show 103 11 22 2 1"}), Take());
  OnHotKey(1);
  EXPECT_EQ((Calls{"launch 0 1 0"}), Take());
  OnHotKey(3);
  OnHotKey(4);   // above the last row
  OnHotKey(-2);
  OnHotKey(-1);  // the timer with nothing pending
  EXPECT_TRUE(Take().empty());
  // Key 0xF0 fires at most once per 500 ms.
  OnHotKey(2);
  log.Now += 300;
  OnHotKey(2);
  log.Now += 300;
  OnHotKey(2);
  EXPECT_EQ((Calls{"launch 0 2 0", "launch 0 2 0"}), Take());
}

TEST_F(TriggerTest, MultiPressHotKeys) {
  hotKeys[1] = {0x241, 0, 1};   // Ctrl+A
  hotKeys[2] = {0x1241, 0, 2};  // Ctrl+A pressed twice
  hotKeys[3] = {0x242, 0, 0};   // Ctrl+B
  g_App.Settings.KeyboardOption = 1;
  g_App.Settings.HotkeyTimeout = 300;
  // One press: wait, then the timer runs the single-press row.
  OnHotKey(1);
  EXPECT_EQ((Calls{"timer 2 300"}), Take());
  EXPECT_EQ(1, OnTriggerTimer(2));
  EXPECT_EQ((Calls{"kill 2", "launch 0 1 0"}), Take());
  // Two presses: the second row runs and the wait ends.
  OnHotKey(1);
  OnHotKey(2);
  EXPECT_EQ((Calls{"timer 2 300", "kill 2", "launch 0 2 0"}), Take());
  OnTriggerTimer(2);
  EXPECT_EQ((Calls{"kill 2"}), Take());
  // A row without a longer sequence runs at once.
  OnHotKey(3);
  EXPECT_EQ((Calls{"launch 0 0 0"}), Take());
  // Without the option the single-press row runs at once.
  g_App.Settings.KeyboardOption = 0;
  OnHotKey(1);
  EXPECT_EQ((Calls{"launch 0 1 0"}), Take());
  EXPECT_EQ(1, OnTriggerTimer(2));
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(0, OnTriggerTimer(4));
}

TEST_F(TriggerTest, HotKeysWithoutRows) {
  g_App.Store.Refs.HotKeys = {0, nullptr};
  OnHotKey(0);
  OnHotKey(-1);
  EXPECT_TRUE(Take().empty());
}

// WMA_HOTKEY from the library: row 0 (show the launcher) takes the same
// road as the button rows, with the 0xF0 filter and multi-press.
TEST_F(TriggerTest, HotKeyMessagesOfEveryRowGoThroughTheTriggers) {
  void (*savedHandler)(int) = g_HotKeyRowHandler;
  g_HotKeyRowHandler = OnHotKey;
  struct Step {
    int Row;         // OnHotKeyMessage row; 100 = timer 2 fires
    DWORD Advance;   // ms before it
    Calls Want;
  };
  struct Case {
    const char* Name;
    HotKeyEntry Rows[4];
    UINT KeyboardOption;
    std::vector<Step> Steps;
  } cases[] = {
      {"key 0xF0 on row 0 fires once per 500 ms",
       {{0x0F0, 2, 0}, {0x241, 0, 1}, {}, {}},
       0,
       {{0, 0, {"show 1 11 22 2 1"}}, {0, 300, {}}, {0, 300, {"show 1 11 22 2 1"}}, {1, 0, {"launch 0 1 0"}}}},
      {"row 0 waits for a second press",
       {{0x241, 0xFFFF, 0}, {0x1241, 0, 1}, {}, {}},
       1,
       {{0, 0, {"timer 2 500"}}, {100, 500, {"kill 2", "show 1 11 22 65535 1"}},
        {0, 1000, {"timer 2 500"}}, {1, 100, {"kill 2", "launch 0 1 0"}}}},
      {"row 0 is the longer sequence",
       {{0x1241, 3, 0}, {0x241, 0, 2}, {}, {}},
       1,
       {{1, 0, {"timer 2 500"}}, {0, 100, {"kill 2", "show 1 11 22 3 1"}}}},
      {"rows out of range never reach the triggers",
       {{0x241, 1, 0}, {}, {}, {}},
       1,
       {{-1, 0, {}}, {4, 0, {}}, {-5, 0, {}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ResetTriggers();
    Take();
    for (int i = 0; i < 4; i++) hotKeys[i] = c.Rows[i];
    g_App.Settings.KeyboardOption = c.KeyboardOption;
    for (const Step& st : c.Steps) {
      log.Now += st.Advance;
      if (st.Row == 100) OnTriggerTimer(2);
      else OnHotKeyMessage(st.Row);
      EXPECT_EQ(st.Want, Take()) << "row " << st.Row;
    }
  }
  g_HotKeyRowHandler = savedHandler;
}

TEST(HoldActionOfButtons, EveryPairAndSingle) {
  struct Case {
    UINT Buttons;
    int Action;
  } cases[] = {{1, 85},     {2, 86},     {4, 87},     {8, 88},     {0x10, 89},  {3, 90},  {5, 91},
               {9, 92},     {0x11, 93},  {6, 94},     {0xA, 95},   {0x12, 96},  {0xC, 97}, {0x14, 98},
               {0x18, 99},  {0, -1},     {7, -1},     {0x1F, -1},  {0x80000001, -1}};
  for (const Case& c : cases) EXPECT_EQ(c.Action, HoldActionOfButtons(c.Buttons)) << c.Buttons;
}

TEST_F(TriggerTest, PressAndHold) {
  Refs().MousePlaceMask[85] = 0x1;
  POINT pt = {300, 200};
  CheckHoldAction(1, pt);  // the press is seen
  for (int i = 0; i < 7; i++) {
    log.Now += 100;
    CheckHoldAction(1, pt);
  }
  EXPECT_TRUE(log.Posts.empty());
  log.Now += 100;  // 800 ms
  CheckHoldAction(1, pt);
  std::vector<Posted> want = {{kUnder, WM_LBUTTONUP, MK_LBUTTON, MAKELPARAM(200, 150)},
                              {kMain, WMA_MOUSEACTION, 85, 0}};
  EXPECT_EQ(want, log.Posts);
  // Held on: fires once. Released and held again: fires again.
  log.Now += 1000;
  CheckHoldAction(1, pt);
  EXPECT_EQ(2u, log.Posts.size());
  CheckHoldAction(0, pt);
  CheckHoldAction(1, pt);
  log.Now += 800;
  CheckHoldAction(1, pt);
  EXPECT_EQ(4u, log.Posts.size());
}

TEST_F(TriggerTest, PressAndHoldDriftAndRelease) {
  Refs().MousePlaceMask[85] = 0x1;
  // Drifting beyond the double-click square restarts the timing.
  CheckHoldAction(1, {300, 200});
  log.Now += 500;
  CheckHoldAction(1, {310, 200});
  log.Now += 500;
  CheckHoldAction(1, {310, 200});
  EXPECT_TRUE(log.Posts.empty());
  log.Now += 300;
  CheckHoldAction(1, {311, 201});  // within the square
  EXPECT_EQ(2u, log.Posts.size());
  // The library's button-up value never equals a button set: timing restarts.
  CheckHoldAction(0, {0, 0});
  CheckHoldAction(1, {300, 200});
  log.Now += 500;
  CheckHoldAction(0x80000001, {300, 200});
  CheckHoldAction(1, {300, 200});
  log.Now += 500;
  CheckHoldAction(1, {300, 200});
  EXPECT_EQ(2u, log.Posts.size());
  // With Option1 0x80000 a drift disarms until the buttons are released.
  g_App.Settings.Option1 = 0x80000;
  CheckHoldAction(0, {0, 0});
  CheckHoldAction(1, {300, 200});
  CheckHoldAction(1, {320, 200});
  log.Now += 2000;
  CheckHoldAction(1, {320, 200});
  EXPECT_EQ(2u, log.Posts.size());
  CheckHoldAction(0, {0, 0});
  CheckHoldAction(1, {320, 200});
  log.Now += 800;
  CheckHoldAction(1, {320, 200});
  EXPECT_EQ(4u, log.Posts.size());
}

TEST_F(TriggerTest, PressAndHoldPlaces) {
  g_App.Settings.PressHoldG = 300;
  struct Case {
    const char* Name;
    UINT Buttons;
    UINT Mask;
    int Edge;
    LRESULT NcHit;
    int Explorer;
    std::vector<Posted> Want;
  } cases[] = {
      {"right on a title bar", 2, 0x200 | 0x1, -1, HTCAPTION, -1,
       {{kUnder, WM_RBUTTONUP, MK_RBUTTON, MAKELPARAM(200, 150)}, {kMain, WMA_CLOSEMENUS, 0, 0},
        {kMain, WMA_MOUSEACTION, 86, 9}}},
      {"middle in the top-right corner", 4, 0x4 | 0x200, 1, HTCAPTION, -1,
       {{kUnder, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(200, 150)},
        {kUnder, WM_MBUTTONUP, MK_MBUTTON, MAKELPARAM(200, 150)},
        {kMain, WMA_MOUSEACTION, 87, 2}}},
      {"X1 on the desktop", 8, 0x400, -1, HTCLIENT, 10, {{kMain, WMA_MOUSEACTION, 88, 10}}},
      {"left and X2 on the bottom edge", 0x11, 0x100, 7, HTCLIENT, -1,
       {{kUnder, WM_LBUTTONUP, MK_LBUTTON, MAKELPARAM(200, 150)}, {kMain, WMA_MOUSEACTION, 93, 8}}},
      {"no place applies", 8, 0x400 | 0x2, 1, HTCLIENT, -1, {}},
      {"nothing assigned", 0x18, 0, -1, HTCLIENT, -1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    ResetTriggers();
    log.Posts.clear();
    memset(Refs().MousePlaceMask, 0, sizeof(Refs().MousePlaceMask));
    int action = HoldActionOfButtons(c.Buttons);
    Refs().MousePlaceMask[action] = c.Mask;
    log.EdgeType = c.Edge;
    log.NcHit = c.NcHit;
    log.Explorer = c.Explorer;
    CheckHoldAction(c.Buttons, {300, 200});
    log.Now += 300;
    CheckHoldAction(c.Buttons, {300, 200});
    EXPECT_EQ(c.Want, log.Posts);
  }
}

TEST_F(TriggerTest, PressAndHoldOff) {
  Refs().MousePlaceMask[85] = 0x1;
  // Suspended mouse actions.
  log.Suspend = 0x2;
  CheckHoldAction(1, {300, 200});
  log.Now += 1000;
  CheckHoldAction(1, {300, 200});
  // No hold action assigned at all.
  log.Suspend = 0;
  g_App.RunState = 0;
  CheckHoldAction(1, {300, 200});
  log.Now += 1000;
  CheckHoldAction(1, {300, 200});
  EXPECT_TRUE(log.Posts.empty());
}

WPARAM ShowW(UINT mode, UINT page) { return (WPARAM)((mode & 0xFFFF) | (page << 16)); }

TEST_F(TriggerTest, HotEdgeFiresOncePerEntry) {
  Refs().EdgeAssignment[0] = 0xFFFF0003;  // top-left corner shows page 3
  g_App.Settings.DispPosition = 0x20;      // edge family, second bit: mode 0
  const LPARAM at = (22 << 16) | 11;
  CheckHotEdge(-1);
  CheckHotEdge(0);  // first tick on the corner
  std::vector<Posted> want = {{kMain, WMA_SHOWLAUNCHER, ShowW(0, 3), at}};
  EXPECT_EQ(want, log.Posts);
  for (int i = 0; i < 5; i++) CheckHotEdge(0);  // staying
  EXPECT_EQ(want, log.Posts);
  CheckHotEdge(-1);  // leaving
  CheckHotEdge(4);   // an edge without an action
  CheckHotEdge(0);   // coming back
  want.push_back({kMain, WMA_SHOWLAUNCHER, ShowW(0, 3), at});
  EXPECT_EQ(want, log.Posts);
}

TEST_F(TriggerTest, HotEdgeDelaysLeavingAndItems) {
  Refs().EdgeAssignment[5] = 0xFFFFFFFF;          // top edge: current page
  Refs().EdgeAssignment[6] = (1u << 16) | 2;      // right edge: button 2 of page 0
  Refs().EdgeAssignment[7] = (1u << 16) | 9;      // bottom edge: a button that went away
  Refs().EdgeAssignment[5 + 8] = (1u << 16) | 1;  // leaving the top edge: button 1
  g_App.Settings.ShowDelay = 300;
  g_App.Settings.EdgeBootDelay = 0;
  g_App.Settings.Option1 = 0x4000;  // auto-hide for edges
  CheckHotEdge(-1);
  CheckHotEdge(5);
  CheckHotEdge(5);
  EXPECT_TRUE(log.Posts.empty());
  CheckHotEdge(5);  // third tick: 300 ms
  ASSERT_EQ(1u, log.Posts.size());
  EXPECT_EQ(ShowW(0x101, 0xFFFF), log.Posts[0].W);
  CheckHotEdge(-1);  // leaving runs the leaving action
  ASSERT_EQ(2u, log.Posts.size());
  EXPECT_EQ((Posted{kMain, WMA_EXECUTE, (0 << 16) | 1, 0x80}), log.Posts[1]);
  CheckHotEdge(6);
  ASSERT_EQ(3u, log.Posts.size());
  EXPECT_EQ((Posted{kMain, WMA_EXECUTE, (0 << 16) | 2, 0x80}), log.Posts[2]);
  CheckHotEdge(7);
  CheckHotEdge(7);
  CheckHotEdge(42);  // not an edge
  EXPECT_EQ(3u, log.Posts.size());
}

TEST_F(TriggerTest, HotEdgeThatNeedsAButton) {
  Refs().EdgeAssignment[2] = 0xFFFF0000;
  g_App.Settings.Option1 = 0x200000;
  CheckHotEdge(2);
  CheckHotEdge(2);
  EXPECT_TRUE(log.Posts.empty());
  log.Keys[VK_RBUTTON] = true;
  CheckHotEdge(2);
  EXPECT_EQ(1u, log.Posts.size());
  CheckHotEdge(2);
  EXPECT_EQ(1u, log.Posts.size());
}

TEST_F(TriggerTest, ButtonShortcutKeys) {
  buttons[0].Keyboard = 0x241;   // Ctrl+A
  buttons[1].Keyboard = 0x1241;  // Ctrl+A twice
  buttons[2].Keyboard = 0x442;   // Alt+B
  ButtonInfo locked = {};
  locked.List = 0;
  locked.Index = 2;  // locked buttons live on a page too
  locked.Keyboard = 0x243;
  ButtonInfo* lockedTable[1] = {&locked};
  g_App.Store.Locked = lockedTable;
  g_App.Store.LockedCount = 1;
  g_App.Settings.KeyboardOption = 1;
  g_App.Settings.HotkeyTimeout = 250;

  log.Modifiers = 0x4;
  EXPECT_EQ(1, MatchButtonKey(0, 'B', 0));
  EXPECT_EQ((Calls{"kill 3", "launch 0 2 0"}), Take());
  log.Modifiers = 0x2;
  EXPECT_EQ(1, MatchButtonKey(0, 'C', 0));  // the locked button's key
  EXPECT_EQ((Calls{"kill 3", "launch 0 2 0"}), Take());
  EXPECT_EQ(0, MatchButtonKey(0, 'Z', 0));
  log.Modifiers = 0;
  EXPECT_EQ(0, MatchButtonKey(0, 'A', 0));  // no modifiers
  EXPECT_TRUE(Take().empty());

  // Ctrl+A once: waits for a second press, then runs the single-press button.
  log.Modifiers = 0x2;
  EXPECT_EQ(1, MatchButtonKey(0, 'A', 0));
  EXPECT_EQ((Calls{"kill 3", "timer 3 250"}), Take());
  EXPECT_EQ(1, OnTriggerTimer(3));
  EXPECT_EQ((Calls{"kill 3", "launch 0 0 0"}), Take());
  // Twice within 500 ms: the double-press button.
  log.Now += 1000;
  MatchButtonKey(0, 'A', 0);
  log.Now += 100;
  EXPECT_EQ(1, MatchButtonKey(0, 'A', 0));
  EXPECT_EQ((Calls{"kill 3", "timer 3 250", "kill 3", "launch 0 1 0"}), Take());
  // Twice, 600 ms apart: each counts as a first press.
  log.Now += 1000;
  MatchButtonKey(0, 'A', 0);
  log.Now += 600;
  MatchButtonKey(0, 'A', 0);
  EXPECT_EQ((Calls{"kill 3", "timer 3 250", "kill 3", "timer 3 250"}), Take());
  // The waiting button went away before the timer: nothing runs.
  g_App.Store.PageButtons[0][0] = nullptr;
  EXPECT_EQ(-1, MatchButtonKey(0, 0, 1));
  EXPECT_EQ((Calls{"kill 3"}), Take());
  g_App.Store.PageButtons[0][0] = &buttons[0];
  // Without multi-press the single-press button runs at once.
  g_App.Settings.KeyboardOption = 0;
  log.Now += 1000;
  EXPECT_EQ(1, MatchButtonKey(0, 'A', 0));
  EXPECT_EQ((Calls{"kill 3", "launch 0 0 0"}), Take());
  g_App.Store.Locked = nullptr;
  g_App.Store.LockedCount = 0;
}

TEST_F(TriggerTest, WindowsKeyShortcutsRunAtKeyUp) {
  buttons[1].Keyboard = 0x85B;  // Win alone
  buttons[2].Keyboard = 0xA5B;  // Win+Ctrl
  log.Modifiers = 0x8;
  log.Keys[VK_LWIN] = true;
  EXPECT_EQ(0, MatchButtonKey(0, VK_LWIN, 0));  // kept, not run
  EXPECT_TRUE(Take().empty());
  EXPECT_EQ(1, RunHoveredItem());
  EXPECT_EQ((Calls{"launch 0 1 0"}), Take());
  EXPECT_EQ(0, RunHoveredItem());  // once
  log.Modifiers = 0xA;
  EXPECT_EQ(0, MatchButtonKey(0, VK_LCONTROL, 0));
  EXPECT_EQ(1, RunHoveredItem());
  EXPECT_EQ((Calls{"launch 0 2 0"}), Take());
}

TEST_F(TriggerTest, MenuLikeItems) {
  struct Case {
    UINT Type;
    UINT Flags;
    int Want;
  } cases[] = {{16, 0, 1},      {0x4066, 0, 1},  {0x4069, 0, 1},       {0x406A, 0, 1},    {1, 0, 0},
               {3, 0, 0},       {3, 0x4000, 1},  {3 | 0x80000, 0, 1},  {0x2005, 0x8000 | 0x80000, 1},
               {0x2005, 0x8000, 0}, {1, 0x4000, 0}};
  for (const Case& c : cases) {
    ButtonInfo b = {};
    b.Type = c.Type;
    EXPECT_EQ(c.Want, IsMenuLikeItem(&b, c.Flags)) << std::hex << c.Type << " " << c.Flags;
  }
  EXPECT_EQ(0, IsMenuLikeItem(nullptr, 0x4000));
}

}  // namespace
