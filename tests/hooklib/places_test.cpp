#include "hooklib/places.h"
#include "hooklib/settings.h"
#include "hooklib/fake_env.h"
#include "hooklib/listhost.h"
#include "hooklib/peer.h"
#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

enum { TL, TR, BL, BR, LEFT, TOP, RIGHT, BOTTOM };

struct Layout {
  std::vector<RECT> monitors;
  EdgeMargins margins;
};

struct PointCase {
  int type;
  POINT pt;
  bool on;
};

void CheckPoints(const char* name, const Layout& layout, const std::vector<PointCase>& cases)
{
  SCOPED_TRACE(name);
  FakeHookEnv env;
  auto d = NewSharedHookData();
  if (!layout.monitors.empty())
    ApplyDllData(d.get(), DLLDATA_MONITORS, (void*)(INT_PTR)layout.monitors.size(),
                 (void*)layout.monitors.data());
  ApplyDllData(d.get(), DLLDATA_OPTIONS, nullptr, (void*)&layout.margins);
  for (const PointCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " at (" << c.pt.x << ", " << c.pt.y
                                    << ")");
    EXPECT_EQ(c.on, CheckPtOnEdge(d.get(), c.pt, c.type) != FALSE);
  }
}

const EdgeMargins kCorners10 = {{{10, 10}, {10, 10}, {10, 10}, {10, 10}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}};

TEST(CheckPtOnEdge, OneMonitor)
{
  CheckPoints("corners of one monitor", {{{0, 0, 1920, 1080}}, kCorners10},
              {
                  {TL, {0, 0}, true},      {TL, {9, 9}, true},       {TL, {10, 0}, false},
                  {TL, {0, 10}, false},    {TL, {-1, 0}, false},     {TR, {1919, 0}, true},
                  {TR, {1910, 9}, true},   {TR, {1909, 0}, false},   {TR, {1920, 0}, false},
                  {BL, {0, 1079}, true},   {BL, {0, 1069}, false},   {BR, {1919, 1079}, true},
                  {BR, {1910, 1070}, true}, {BR, {1909, 1079}, false}, {BR, {1919, 1080}, false},
                  {LEFT, {0, 500}, true},  {LEFT, {1, 500}, false},  {TOP, {500, 0}, true},
                  {TOP, {500, 1}, false},  {RIGHT, {1919, 500}, true}, {RIGHT, {1918, 500}, false},
                  {BOTTOM, {500, 1079}, true}, {BOTTOM, {500, 1078}, false},
                  {-1, {0, 0}, false},     {8, {0, 0}, false},
              });
  EdgeMargins leftEdge = {};
  leftEdge.type[LEFT] = {50, 50};
  CheckPoints("left edge with margins 50, 50", {{{0, 0, 1920, 1080}}, leftEdge},
              {
                  {LEFT, {0, 49}, false},
                  {LEFT, {0, 50}, true},
                  {LEFT, {0, 1029}, true},
                  {LEFT, {0, 1030}, false},
                  {LEFT, {1, 500}, false},
              });
  EdgeMargins topEdge = {};
  topEdge.type[TOP] = {100, 200};
  CheckPoints("top edge: start and end margins", {{{0, 0, 1920, 1080}}, topEdge},
              {
                  {TOP, {99, 0}, false},
                  {TOP, {100, 0}, true},
                  {TOP, {1719, 0}, true},
                  {TOP, {1720, 0}, false},
              });
}

TEST(CheckPtOnEdge, TwoMonitors)
{
  CheckPoints("side by side", {{{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}}, kCorners10},
              {
                  {TL, {0, 0}, true},
                  {TL, {1920, 0}, false},  // the left monitor vetoes
                  {TR, {1919, 0}, false},  // the right monitor vetoes
                  {TR, {3839, 0}, true},
                  {BR, {3839, 1079}, true},
                  {RIGHT, {1919, 500}, false},
                  {RIGHT, {3839, 500}, true},
                  {LEFT, {1920, 500}, false},
                  {LEFT, {0, 500}, true},
                  {TOP, {1920, 0}, true},  // the top line runs over both
                  {BOTTOM, {2500, 1079}, true},
              });
  CheckPoints("stacked, the lower one smaller",
              {{{0, 0, 1920, 1080}, {0, 1080, 1280, 2104}}, kCorners10},
              {
                  {BL, {0, 1079}, false},   // the lower monitor vetoes
                  {BL, {0, 2103}, true},
                  {BR, {1919, 1079}, true},  // nothing below this part
                  {BR, {1279, 2103}, true},
                  {BOTTOM, {1500, 1079}, true},
                  {BOTTOM, {500, 1079}, false},
                  {BOTTOM, {500, 2103}, true},
                  {TOP, {500, 1080}, false},
              });
}

TEST(CheckPtOnEdge, NoMonitorsSent)
{
  CheckPoints("nothing is a corner or an edge", {{}, kCorners10},
              {{TL, {0, 0}, false}, {BR, {0, 0}, false}, {LEFT, {0, 0}, false}, {TOP, {0, 0}, false}});
}

// A fake shell window tree: the desktop (Progman > SHELLDLL_DefView >
// SysListView32) and a folder window (CabinetWClass > ShellTabWindowClass >
// DUIViewWndClassName > DirectUIHWND > SHELLDLL_DefView > DirectUIHWND).
struct ShellFixture {
  FakeHookEnv env;
  HWND progman = H(1), desktopView = H(2), desktopList = H(3);
  HWND cabinet = H(10), tab = H(11), duiView = H(12), outerDui = H(13), folderView = H(14),
       itemsView = H(15), folderList = H(16);
  HWND workerW = H(20), workerView = H(21), workerViewList = H(22);
  HWND other = H(30), otherChild = H(31);

  static HWND H(int n) { return (HWND)(INT_PTR)(0x1000 + n); }

  ShellFixture()
  {
    Add(progman, L"Progman", NULL);
    Add(desktopView, L"SHELLDLL_DefView", progman);
    Add(desktopList, L"SysListView32", desktopView);
    Add(cabinet, L"CabinetWClass", NULL);
    Add(tab, L"ShellTabWindowClass", cabinet);
    Add(duiView, L"DUIViewWndClassName", tab);
    Add(outerDui, L"DirectUIHWND", duiView);
    Add(folderView, L"SHELLDLL_DefView", outerDui);
    Add(itemsView, L"DirectUIHWND", folderView);
    Add(folderList, L"SysListView32", folderView);
    Add(workerW, L"WorkerW", NULL);
    Add(workerView, L"SHELLDLL_DefView", workerW);
    Add(workerViewList, L"SysListView32", workerView);
    env.windows[workerViewList].visible = false;
    Add(other, L"Notepad", NULL);
    Add(otherChild, L"SysListView32", other);
  }
  void Add(HWND h, const wchar_t* cls, HWND parent)
  {
    env.windows[h].cls = cls;
    env.windows[h].parent = parent;
  }
};

TEST(IsExplorerWindow, DesktopAndFolderBackground)
{
  ShellFixture f;
  const UINT D = WHERE_DESKTOP, F = WHERE_FOLDER;
  struct Case {
    const char* name;
    HWND wnd;
    UINT where;
    int action;
    bool onItem;      // the list view reports an item at the point
    bool background;  // UI Automation reports the items view's background
    int expected;
  } cases[] = {
      {"empty desktop, right click", f.desktopList, D, 1, false, false, PLACE_DESKTOP},
      {"desktop icon, right click", f.desktopList, D, 1, true, false, -1},
      {"desktop icon, middle click: no background test", f.desktopList, D, 2, true, false,
       PLACE_DESKTOP},
      {"desktop icon, left double click", f.desktopList, D, 25, true, false, -1},
      {"desktop without desktop bit", f.desktopList, F, 1, false, false, -1},
      {"desktop view with its list shown", f.desktopView, D, 1, false, false, -1},
      {"desktop view with its list hidden (WorkerW)", f.workerView, D, 1, false, false,
       PLACE_DESKTOP},
      {"folder background via UI Automation", f.itemsView, F, 0, false, true, PLACE_FOLDER},
      {"folder item via UI Automation", f.itemsView, F, 0, false, false, -1},
      {"folder item, no background test for X1", f.itemsView, F, 3, false, false, PLACE_FOLDER},
      {"folder list view background", f.folderList, F, 1, false, false, PLACE_FOLDER},
      {"folder list view item", f.folderList, F, 1, true, false, -1},
      {"folder without folder bit", f.itemsView, D, 0, false, true, -1},
      {"outer DirectUIHWND has no view above it", f.outerDui, F, 0, false, true, -1},
      {"a list view of another program", f.otherChild, D | F, 1, false, false, -1},
      {"an unknown class", f.cabinet, D | F, 1, false, false, -1},
      {"no window", NULL, D | F, 1, false, false, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    f.env.itemsViewBackground = c.background;
    if (c.wnd)
      f.env.windows[c.wnd].itemAt = c.onItem;
    EXPECT_EQ(c.expected, IsExplorerWindow(c.wnd, {5, 5}, c.where, c.action));
  }
}

TEST(IsExplorerWindow, ViewFartherThanFourLevelsIsNotFound)
{
  ShellFixture f;
  HWND a = ShellFixture::H(40), b = ShellFixture::H(41), c = ShellFixture::H(42),
       e = ShellFixture::H(43), list = ShellFixture::H(44);
  f.Add(a, L"Pane", f.desktopView);
  f.Add(b, L"Pane", a);
  f.Add(c, L"Pane", b);
  f.Add(e, L"Pane", c);
  f.Add(list, L"SysListView32", e);
  EXPECT_EQ(-1, IsExplorerWindow(list, {5, 5}, WHERE_DESKTOP, 2));
  f.Add(list, L"SysListView32", c);  // four levels up
  EXPECT_EQ(PLACE_DESKTOP, IsExplorerWindow(list, {5, 5}, WHERE_DESKTOP, 2));
}

TEST(FindActionPlace, OrderOfPlaces)
{
  ShellFixture f;
  auto d = NewSharedHookData();
  RECT screen = {0, 0, 1920, 1080};
  ApplyDllData(d.get(), DLLDATA_MONITORS, (void*)1, &screen);
  ApplyDllData(d.get(), DLLDATA_OPTIONS, nullptr, (void*)&kCorners10);
  f.env.windows[f.other].ncHit = HTCAPTION;
  struct Case {
    const char* name;
    UINT where;
    HWND wnd;
    POINT pt;
    int expected;
  } cases[] = {
      {"corner first", 0x1 | 0x2 | 0x20 | 0x200, f.other, {0, 0}, 1},
      {"edge when not in the corner", 0x1 | 0x2 | 0x20 | 0x200, f.other, {0, 500}, 5},
      {"title bar next", 0x1 | 0x2 | 0x200, f.other, {500, 500}, PLACE_TITLEBAR},
      {"not a title bar", 0x200, f.progman, {500, 500}, -1},
      {"desktop before anywhere", 0x1 | WHERE_DESKTOP, f.desktopList, {500, 500}, PLACE_DESKTOP},
      {"anywhere last", 0x1 | WHERE_DESKTOP, f.other, {500, 500}, PLACE_ANYWHERE},
      {"bottom-right corner", 0x10, f.other, {1915, 1075}, 4},
      {"bottom edge", 0x100, f.other, {800, 1079}, 8},
      {"nothing applies", 0x2 | 0x100, f.other, {800, 800}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.expected, FindActionPlace(d.get(), c.where, 2, c.wnd, c.pt));
  }
}

// Wine has no UI Automation: the test must answer "no background", not fail.
TEST(IsItemsViewBackgroundAt, FallsBackWithoutUiAutomation)
{
  POINT pt = {10, 10};
  BOOL first = IsItemsViewBackgroundAt(pt);
  EXPECT_EQ(first, IsItemsViewBackgroundAt(pt));
  EXPECT_FALSE(first);  // nothing under the point is a shell items view here
}

// A list view of our own: the hit test finds its item and its empty space.
TEST(HitTestRemoteListView, OwnListView)
{
  HWND list = CreateWindowExW(0, L"SysListView32", L"", WS_POPUP | WS_VISIBLE | LVS_LIST, 100, 100,
                              300, 200, NULL, NULL, NULL, NULL);
  if (!list) {
    // comctl32 not registered yet in this process.
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    list = CreateWindowExW(0, L"SysListView32", L"", WS_POPUP | WS_VISIBLE | LVS_LIST, 100, 100,
                           300, 200, NULL, NULL, NULL, NULL);
  }
  ASSERT_TRUE(list);
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.pszText = (LPWSTR)L"item";
  ASSERT_EQ(0, (int)SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item));
  RECT r = {LVIR_LABEL};
  ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, 0, (LPARAM)&r));
  POINT on = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(list, &on);
  EXPECT_TRUE(HitTestRemoteListView(list, on));
  EXPECT_FALSE(HitTestRemoteListView(list, {100 + 250, 100 + 180}));
  DestroyWindow(list);
  // A window that is gone counts as on an item: no place.
  EXPECT_TRUE(HitTestRemoteListView(list, on));
}

struct HostThread {
  HANDLE ready, go, hang;
  DWORD hangMs;
  int result = -1;
  static DWORD WINAPI Run(void* p)
  {
    HostThread* h = (HostThread*)p;
    h->result = RunListHost(h->ready, h->go, h->hang, h->hangMs);
    return 0;
  }
};

// The list host window of that process, and its two points.
HWND FindListHost(DWORD pid, POINT* on, POINT* off)
{
  for (HWND w = FindWindowExW(NULL, NULL, kListHostClass, NULL); w;
       w = FindWindowExW(NULL, w, kListHostClass, NULL)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    wchar_t title[64] = {};
    if (owner == pid && InternalGetWindowText(w, title, 64) &&
        swscanf(title, L"%ld %ld %ld %ld", &on->x, &on->y, &off->x, &off->y) == 4)
      return FindWindowExW(w, NULL, WC_LISTVIEWW, NULL);
  }
  return NULL;
}

// The hit test runs inside the mouse hook: a list view whose program hangs
// must not hold up the mouse. It runs in another process (as the desktop's
// does) or on another thread of this one; either way the record it writes
// must stay valid while an unanswered message may still reach it.
TEST(HitTestRemoteListView, ListViewThatDoesNotAnswerIsNotWaitedFor)
{
  const DWORD hangMs = 3000;
  for (bool otherProcess : {true, false}) {
    SCOPED_TRACE(otherProcess ? "list view of another process" : "list view of another thread");
    HANDLE ready = CreateEventW(NULL, TRUE, FALSE, L"VnHookTestListReady");
    HANDLE go = CreateEventW(NULL, TRUE, FALSE, L"VnHookTestListGo");
    HANDLE hang = CreateEventW(NULL, TRUE, FALSE, L"VnHookTestListHang");
    ASSERT_TRUE(ready && go && hang);
    Peer peer;
    HostThread host = {ready, go, hang, hangMs};
    HANDLE thread = NULL;
    if (otherProcess)
      ASSERT_TRUE(peer.Start(L"list-view VnHookTestListReady VnHookTestListGo VnHookTestListHang " +
                             std::to_wstring(hangMs)));
    else
      thread = CreateThread(NULL, 0, HostThread::Run, &host, 0, NULL);
    ASSERT_TRUE(otherProcess || thread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 10000));
    POINT on = {}, off = {};
    HWND list = FindListHost(otherProcess ? peer.pi.dwProcessId : GetCurrentProcessId(), &on, &off);
    ASSERT_TRUE(list);

    EXPECT_TRUE(HitTestRemoteListView(list, on));
    EXPECT_FALSE(HitTestRemoteListView(list, off));

    SetEvent(hang);
    Sleep(200);  // the host is asleep now
    DWORD start = GetTickCount();
    EXPECT_TRUE(HitTestRemoteListView(list, off)) << "no answer counts as on an item";
    EXPECT_LT(GetTickCount() - start, 1000u);

    // Awake again, the host answers as before (and has survived whatever
    // became of the message that was not answered in time).
    Sleep(hangMs);
    EXPECT_FALSE(HitTestRemoteListView(list, off));
    SetEvent(go);
    if (otherProcess) {
      EXPECT_EQ(0u, peer.Wait(10000));
    } else {
      EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, 10000));
      EXPECT_EQ(0, host.result);
      CloseHandle(thread);
    }
    CloseHandle(ready);
    CloseHandle(go);
    CloseHandle(hang);
  }
}

}  // namespace
