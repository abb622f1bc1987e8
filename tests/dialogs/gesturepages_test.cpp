#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <prsht.h>

#include <string>

#include "core/winhelpers.h"
#include "dialogs/circlespage.h"
#include "dialogs/edgerange.h"
#include "dialogs/edgespage.h"
#include "dialogs/options.h"
#include "state.h"
#include "store/lists.h"
#include "store/outlets.h"
#include "store/settings.h"
#include "support/dialog_driver.h"
#include "support/settings_env.h"

namespace {

HWND CurrentPage(HWND sheet) { return (HWND)SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0); }

std::wstring Text(HWND dialog, int id) {
  wchar_t text[1024];
  GetDlgItemTextW(dialog, id, text, 1024);
  return text;
}

// An up-down arrow as the control reports it: delta -1 is the up arrow here.
void Spin(HWND page, int id, int delta) {
  NMUPDOWN n = {};
  n.hdr.hwndFrom = GetDlgItem(page, id);
  n.hdr.idFrom = (UINT_PTR)id;
  n.hdr.code = UDN_DELTAPOS;
  n.iDelta = delta;
  SendMessageW(page, WM_NOTIFY, (WPARAM)id, (LPARAM)&n);
}

// The initial page chooser takes combo row `row` (0 = page shown last) and OK.
void ChooseRowWhenAsked(int row) {
  WhenDialogOpens([row](HWND chooser) {
    SendDlgItemMessageW(chooser, 1379, CB_SETCURSEL, (WPARAM)row, 0);
    ClickButton(chooser, IDOK);
  });
}

// Picks an entry of the next popup menu by its mnemonic, posted into the
// menu's loop (a posted Enter would leave a character for the next dialog).
wchar_t s_menuKey;

void CALLBACK PostMenuKey(HWND, UINT, UINT_PTR id, DWORD) {
  GUITHREADINFO gui = {sizeof gui};
  if (!GetGUIThreadInfo(GetCurrentThreadId(), &gui) || !(gui.flags & GUI_INMENUMODE)) return;
  KillTimer(nullptr, id);
  PostMessageW(gui.hwndMenuOwner, WM_CHAR, s_menuKey, 0);
}

void PickMenuEntryWhenTracked(wchar_t mnemonic) {
  s_menuKey = mnemonic;
  SetTimer(nullptr, 0, 60, PostMenuKey);
}

// The marker's class as start-up registers it.
void RegisterMarkerClass() {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = EdgeWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VnEdgeWndClass";
  RegisterClassExW(&wc);
}

void Toggle(HWND page, int id) {
  CheckDlgButton(page, id, IsDlgButtonChecked(page, id) ? BST_UNCHECKED : BST_CHECKED);
  ClickButton(page, id);
}

TEST(RevolutionsText, QuarterCountsReadAsRevolutions) {
  struct Case {
    int Quarters;
    const wchar_t* Text;
  } cases[] = {{1, L"1/4"}, {2, L"1/2"}, {3, L"3/4"}, {4, L"1"}, {5, L"1 +1/4"},
               {7, L"1 +3/4"}, {10, L"2 +1/2"}, {39, L"9 +3/4"}, {40, L"10"}};
  for (const Case& c : cases) {
    wchar_t out[32];
    int n = FormatRevolutions(c.Quarters, out, 32);
    EXPECT_STREQ(c.Text, out) << c.Quarters;
    EXPECT_EQ((int)wcslen(c.Text), n) << c.Quarters;
  }
}

TEST(EdgeMarker, PlacesEachEdgeTypeOnTheMonitor) {
  const RECT m = {0, 0, 1280, 1024};
  struct Case {
    int Type, cx, cy;
    RECT Want;
    int Shown;
  } cases[] = {
      {0, 30, 20, {0, 0, 30, 20}, 1},
      {1, 30, 20, {1250, 0, 1280, 20}, 1},
      {2, 30, 20, {0, 1004, 30, 1024}, 1},
      {3, 30, 20, {1250, 1004, 1280, 1024}, 1},
      {4, 100, 24, {0, 100, 5, 1000}, 1},
      {5, 10, 70, {10, 0, 1210, 5}, 1},
      {6, 0, 0, {1275, 0, 1280, 1024}, 1},
      {7, 40, 60, {40, 1019, 1220, 1024}, 1},
      // Excluded ends that cover the whole side leave nothing to show.
      {4, 600, 424, {0, 600, 5, 600}, 0},
      {7, 700, 700, {700, 1019, 580, 1024}, 0},
  };
  for (const Case& c : cases) {
    RECT r;
    EXPECT_EQ(c.Shown, GetEdgeMarkerRect(c.Type, c.cx, c.cy, m, &r)) << c.Type;
    EXPECT_TRUE(EqualRect(&c.Want, &r)) << c.Type << ": " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  }
  const int slots[8][2] = {{1, 0}, {1, 2}, {3, 0}, {3, 2}, {1, 3}, {0, 2}, {1, 3}, {0, 2}};
  for (int t = 0; t < 8; t++) {
    EXPECT_EQ(slots[t][0], GetEdgeRangeSlot(t, 0)) << t;
    EXPECT_EQ(slots[t][1], GetEdgeRangeSlot(t, 1)) << t;
  }
}

TEST(EdgeDelay, ClampsIntoRange) {
  const int cases[][2] = {{-5, 0}, {0, 0}, {300, 300}, {10000, 10000}, {10001, 10000}, {99999, 10000}};
  for (const auto& c : cases) EXPECT_EQ(c[1], ClampEdgeDelay(c[0])) << c[0];
}

class GesturePagesTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_StoreOutlets._VnSetDllData;
    g_StoreOutlets._VnSetDllData = [](int, void*, void*) {};
    AddPage(L"Tools");
    AddPage(L"Games");
    g_App.Store.Refs.MousePlaceMask[2] = 1;
    g_App.Store.Refs.MouseTargets[2][0] = MouseTarget{LIST_NONE, LIST_NONE};
    // Clockwise: an item of page 0; counterclockwise: off.
    g_App.Store.Refs.Circle[0] = CircleGestureSettings{1, 6, 300, 20, 0, 3};
    g_App.Store.Refs.Circle[1] = CircleGestureSettings{0, 39, 500, 5, 0, 7};
    g_App.Settings.Option1 |= 0x8000;
    g_App.Settings.Restraint &= ~0x1C000u;
    ASSERT_TRUE(WriteSettings(nullptr, 0));
    settings_ = env_.Bytes(L"Vantrel.ini");
  }
  void TearDown() override { g_StoreOutlets._VnSetDllData = saved_; }

  SettingsEnv env_;
  std::string settings_;
  void (*saved_)(int, void*, void*) = nullptr;
};

TEST_F(GesturePagesTest, CirclesPageShowsAndStoresBothCircles) {
  std::wstring turns[2], afterSpin;
  BOOL ccwMaxEnabled = TRUE, commonEnabled = FALSE;
  WhenDialogOpens([&](HWND sheet) {
    HWND page = CurrentPage(sheet);
    turns[0] = Text(page, 1178);
    turns[1] = Text(page, 1179);
    ccwMaxEnabled = IsWindowEnabled(GetDlgItem(page, 1181));
    commonEnabled = IsWindowEnabled(GetDlgItem(page, 1190));
    // Up twice from 39 quarters: 40 is the most.
    Spin(page, 1185, -1);
    Spin(page, 1185, -1);
    afterSpin = Text(page, 1179);
    // Maximum below minimum.
    SetDlgItemTextW(page, 1180, L"12");
    SetDlgItemTextW(page, 1182, L"40");
    CheckDlgButton(page, 1147, BST_UNCHECKED);
    CheckDlgButton(page, 1191, BST_CHECKED);
    PropSheet_PressButton(sheet, PSBTN_OK);
  });
  EXPECT_GT(ShowOptionsDialog(OPT_PAGE_CIRCLES), 0);
  EXPECT_EQ(L"1 +1/2", turns[0]);
  EXPECT_EQ(L"9 +3/4", turns[1]);
  EXPECT_EQ(L"10", afterSpin);
  EXPECT_FALSE(ccwMaxEnabled);
  EXPECT_TRUE(commonEnabled);

  const CircleGestureSettings& cw = g_App.Store.Refs.Circle[0];
  const CircleGestureSettings& ccw = g_App.Store.Refs.Circle[1];
  // The item assignment stays while its box was not clicked.
  EXPECT_EQ(1, cw.Enable);
  EXPECT_EQ(0, cw.Page);
  EXPECT_EQ(3, cw.Button);
  EXPECT_EQ(6, cw.RequiredSteps);
  EXPECT_EQ(40, cw.MinTravel);
  EXPECT_EQ(40, cw.MaxJump);
  // Unchecked: stored as showing the launcher at the page shown last.
  EXPECT_EQ(0, ccw.Enable);
  EXPECT_EQ(LIST_NONE, ccw.Page);
  EXPECT_EQ(LIST_NONE, ccw.Button);
  EXPECT_EQ(40, ccw.RequiredSteps);
  EXPECT_EQ(0u, g_App.Settings.Option1 & 0x8000u);
  EXPECT_EQ(0x8000u, g_App.Settings.Restraint & 0x1C000u);

  // A second start reads the same.
  CircleGestureSettings wrote[2] = {cw, ccw};
  UINT restraint = g_App.Settings.Restraint;
  g_App.Store.Refs.Circle[0] = g_App.Store.Refs.Circle[1] = CircleGestureSettings{};
  g_App.Settings.Restraint = 0;
  ASSERT_EQ(1, ReadSettings());
  for (int c = 0; c < 2; c++) {
    const CircleGestureSettings& g = g_App.Store.Refs.Circle[c];
    EXPECT_EQ(wrote[c].Enable, g.Enable) << c;
    EXPECT_EQ(wrote[c].RequiredSteps, g.RequiredSteps) << c;
    EXPECT_EQ(wrote[c].MaxJump, g.MaxJump) << c;
    EXPECT_EQ(wrote[c].MinTravel, g.MinTravel) << c;
    EXPECT_EQ(wrote[c].Page, g.Page) << c;
    EXPECT_EQ(wrote[c].Button, g.Button) << c;
  }
  EXPECT_EQ(restraint, g_App.Settings.Restraint);
}

TEST_F(GesturePagesTest, CirclesPageAssignsTheChoosersPageAndCancelKeepsEverything) {
  std::wstring shown;
  BOOL enabledAfterCheck = FALSE;
  WhenDialogOpens([&](HWND sheet) {
    HWND page = CurrentPage(sheet);
    Toggle(page, 1166);  // off
    ChooseRowWhenAsked(2);
    Toggle(page, 1166);  // on: the chooser opens
    ChooseRowWhenAsked(1);
    Toggle(page, 1167);
    enabledAfterCheck = IsWindowEnabled(GetDlgItem(page, 1181));
    shown = Text(page, 1169);
    PropSheet_PressButton(sheet, PSBTN_OK);
  });
  EXPECT_GT(ShowOptionsDialog(OPT_PAGE_CIRCLES), 0);
  EXPECT_TRUE(enabledAfterCheck);
  EXPECT_NE(std::wstring::npos, shown.find(L"Tools")) << shown;
  const CircleGestureSettings& cw = g_App.Store.Refs.Circle[0];
  EXPECT_EQ(1, cw.Enable);
  EXPECT_EQ(LIST_NONE, cw.Page);
  EXPECT_EQ(1, cw.Button);
  EXPECT_EQ(1, g_App.Store.Refs.Circle[1].Enable);
  EXPECT_EQ(0, g_App.Store.Refs.Circle[1].Button);

  std::string okFile = env_.Bytes(L"Vantrel.ini");
  WhenDialogOpens([&](HWND sheet) {
    HWND page = CurrentPage(sheet);
    Toggle(page, 1166);
    SetDlgItemTextW(page, 1180, L"999");
    Spin(page, 1184, -1);
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
  });
  EXPECT_LE(ShowOptionsDialog(OPT_PAGE_CIRCLES), 0);
  EXPECT_EQ(1, g_App.Store.Refs.Circle[0].Enable);
  EXPECT_EQ(300, g_App.Store.Refs.Circle[0].MaxJump);
  EXPECT_EQ(6, g_App.Store.Refs.Circle[0].RequiredSteps);
  EXPECT_EQ(okFile, env_.Bytes(L"Vantrel.ini"));
}

struct MarkerSearch {
  HWND Owner, Marker;
};

BOOL CALLBACK FindMarkerOf(HWND w, LPARAM p) {
  MarkerSearch* m = (MarkerSearch*)p;
  wchar_t name[64];
  GetClassNameW(w, name, 64);
  if (lstrcmpW(name, L"VnEdgeWndClass") || GetWindow(w, GW_OWNER) != m->Owner) return TRUE;
  m->Marker = w;
  return FALSE;
}

HWND FindMarker(HWND dialog) {
  MarkerSearch m = {dialog, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindMarkerOf, (LPARAM)&m);
  return m.Marker;
}

TEST_F(GesturePagesTest, EdgeRangeDialogFollowsEveryChangeWithItsMarker) {
  struct Case {
    int Type, cx, cy;
    const wchar_t* Title;
    int HiddenRow;
    const wchar_t* Typed;  // into the first value's row
    int WantCx;
    BOOL MarkerShownAfter;
  } cases[] = {
      {0, 40, 30, L"Range of Top Left Corner", 3, L"0", 1, TRUE},        // a corner is at least 1
      {3, 40, 30, L"Range of Bottom Right Corner", 1, L"20000", 10000, TRUE},
      {4, 10, 10, L"Excluded Range of Left Side", 0, L"0", 0, TRUE},     // a side may exclude nothing
      {5, 10, 10, L"Excluded Range of Top Side", 1, L"5000", 5000, FALSE},  // more than the side
  };
  RegisterMarkerClass();
  for (const Case& c : cases) {
    EdgeRangeParam range = {c.Type, c.cx, c.cy};
    std::wstring title, label;
    BOOL hiddenRowVisible = TRUE, markerShown = FALSE, markerAfter = TRUE;
    RECT markerRect = {};
    BYTE alpha = 0;
    DWORD layered = 0;
    WhenDialogOpens([&](HWND dialog) {
      wchar_t t[128];
      GetWindowTextW(dialog, t, 128);
      title = t;
      hiddenRowVisible = IsWindowVisible(GetDlgItem(dialog, 1389 + c.HiddenRow));
      int slot = GetEdgeRangeSlot(c.Type, 0);
      label = Text(dialog, 1385 + slot);
      HWND marker = FindMarker(dialog);
      if (marker) {
        markerShown = IsWindowVisible(marker);
        GetWindowRect(marker, &markerRect);
        GetLayeredWindowAttributes(marker, nullptr, &alpha, &layered);
      }
      SetDlgItemTextW(dialog, 1389 + slot, c.Typed);
      if (marker) markerAfter = IsWindowVisible(marker);
      ClickButton(dialog, IDOK);
    });
    ASSERT_EQ(1, ShowEdgeRangeDialog(nullptr, &range)) << c.Type;
    EXPECT_EQ(c.Title, title);
    EXPECT_FALSE(hiddenRowVisible) << c.Type;
    EXPECT_TRUE(markerShown) << c.Type;
    EXPECT_EQ(0xCC, alpha) << c.Type;
    EXPECT_EQ((DWORD)LWA_ALPHA, layered) << c.Type;
    MONITORINFO mi = {sizeof mi};
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTONEAREST), &mi);
    RECT want;
    GetEdgeMarkerRect(c.Type, c.cx, c.cy, mi.rcMonitor, &want);
    EXPECT_TRUE(EqualRect(&want, &markerRect)) << c.Type;
    EXPECT_EQ(c.MarkerShownAfter, markerAfter) << c.Type;
    EXPECT_EQ(c.WantCx, range.cx) << c.Type;
    EXPECT_EQ(c.cy, range.cy) << c.Type;
    if (c.Type >= 4) EXPECT_EQ(c.Type == 4 ? L"&Top:" : L"&Left:", label);
    else EXPECT_EQ(L"&Width:", label);
  }
  // Cancel leaves the range as it was, whatever was typed.
  EdgeRangeParam range = {1, 40, 30};
  WhenDialogOpens([](HWND dialog) {
    SetDlgItemTextW(dialog, 1390, L"900");
    ClickButton(dialog, IDCANCEL);
  });
  EXPECT_EQ(0, ShowEdgeRangeDialog(nullptr, &range));
  EXPECT_EQ(40, range.cx);
  EXPECT_EQ(30, range.cy);
  EXPECT_EQ(nullptr, GetTopOpenDialog());
}

TEST_F(GesturePagesTest, EdgesPageStoresRangesAssignmentsAndClampedDelays) {
  g_App.Store.Refs.EdgeAssignment[0] = 0;
  g_App.Store.Refs.EdgeAssignment[1] = 0;
  for (int t = 2; t < 8; t++) g_App.Store.Refs.EdgeAssignment[t] = 0;
  g_App.Settings.EdgeMargins[1] = EdgeRange{40, 30};
  g_App.Settings.Option1 |= 0x200000 | 0x4000;
  ASSERT_TRUE(WriteSettings(nullptr, 0));
  BOOL enabledAtStart = TRUE, enabledAfterShow = FALSE;
  WhenDialogOpens([&](HWND sheet) {
    HWND page = CurrentPage(sheet);
    enabledAtStart = IsWindowEnabled(GetDlgItem(page, 1161));
    // Top right: Configure Edge Range, then 55 x 66.
    PickMenuEntryWhenTracked(L'r');
    WhenDialogOpens([](HWND range) {
      SetDlgItemTextW(range, 1390, L"55");
      SetDlgItemTextW(range, 1391, L"66");
      ClickButton(range, IDOK);
    });
    ClickButton(page, 1154);
    // Top left: Show Vantrel at the chooser's first page.
    PickMenuEntryWhenTracked(L's');
    ChooseRowWhenAsked(1);
    ClickButton(page, 1153);
    enabledAfterShow = IsWindowEnabled(GetDlgItem(page, 1161));
    CheckDlgButton(page, 1147, BST_UNCHECKED);
    // Typed and applied with Enter: the field never lost the focus.
    SetDlgItemTextW(page, 1162, L"99999");
    SetDlgItemTextW(page, 1165, L"250");
    PropSheet_PressButton(sheet, PSBTN_OK);
  });
  EXPECT_GT(ShowOptionsDialog(OPT_PAGE_EDGES), 0);
  EXPECT_FALSE(enabledAtStart);
  EXPECT_TRUE(enabledAfterShow);
  EXPECT_EQ(55, g_App.Settings.EdgeMargins[1].cx);
  EXPECT_EQ(66, g_App.Settings.EdgeMargins[1].cy);
  EXPECT_EQ(0xFFFF0000u, g_App.Store.Refs.EdgeAssignment[0]);
  EXPECT_EQ(10000, g_App.Settings.ShowDelay);
  EXPECT_EQ(250, g_App.Settings.PageDelay);
  EXPECT_EQ(0x200000u, g_App.Settings.Option1 & 0x204000u);

  // Cancel after changing everything leaves the file and the settings alone.
  std::string okFile = env_.Bytes(L"Vantrel.ini");
  WhenDialogOpens([&](HWND sheet) {
    HWND page = CurrentPage(sheet);
    PickMenuEntryWhenTracked(L'r');
    WhenDialogOpens([](HWND range) {
      SetDlgItemTextW(range, 1390, L"7");
      ClickButton(range, IDOK);
    });
    ClickButton(page, 1154);
    PickMenuEntryWhenTracked(L'n');
    ClickButton(page, 1153);
    SetDlgItemTextW(page, 1163, L"1");
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
  });
  EXPECT_LE(ShowOptionsDialog(OPT_PAGE_EDGES), 0);
  EXPECT_EQ(okFile, env_.Bytes(L"Vantrel.ini"));
  EXPECT_EQ(55, g_App.Settings.EdgeMargins[1].cx);
  EXPECT_EQ(0xFFFF0000u, g_App.Store.Refs.EdgeAssignment[0]);

  // A second start reads what OK wrote.
  EXPECT_NE(std::wstring::npos, env_.Text(L"Vantrel.ini").find(L"Edge000=ffff0000"));
  g_App.Settings.EdgeMargins[1] = EdgeRange{};
  g_App.Settings.ShowDelay = 0;
  ASSERT_EQ(1, ReadSettings());
  EXPECT_EQ(55, g_App.Settings.EdgeMargins[1].cx);
  EXPECT_EQ(66, g_App.Settings.EdgeMargins[1].cy);
  EXPECT_EQ(10000, g_App.Settings.ShowDelay);
}

}  // namespace
