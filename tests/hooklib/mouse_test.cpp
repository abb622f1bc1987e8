#include "hooklib/mouse.h"
#include "hooklib/places.h"
#include "hooklib/settings.h"
#include "hooklib/fake_env.h"
#include <gtest/gtest.h>
#include <utility>

namespace {

const HWND kTarget = (HWND)(INT_PTR)0x4242;
const HWND kPlainWindow = (HWND)(INT_PTR)0x100;
const int L = MOUSEBIT_LEFT, R = MOUSEBIT_RIGHT, M = MOUSEBIT_MIDDLE, X1 = MOUSEBIT_X1,
          X2 = MOUSEBIT_X2;

// One event of a scenario.
//  'd' button arg goes down at (x, y)     'u' button arg goes up
//  'c' the system's double-click message of button arg at (x, y)
//  'n' non-client down of button arg      'W' wheel, delta arg
//  'h' button arg is held (x = 1) or released (x = 0) in the key state
//  'w' wait arg ms                        'f' fire the replay timer
//  's' suspend flags = arg
struct Step {
  char op;
  int arg;
  int x, y;
  int swallow;  // expected for events; -1 = not checked
};

struct Action {
  int number;
  UINT32 where;
};

struct Scenario {
  const char* name;
  std::vector<Action> actions;
  bool holdBack;
  std::vector<Step> steps;
  std::vector<std::pair<int, int>> posted;  // WMA_MOUSEACTION (action, place)
  int replayedClicks;                       // injected down/up pairs
};

UINT DownMessage(int button)
{
  switch (button) {
  case L: return WM_LBUTTONDOWN;
  case R: return WM_RBUTTONDOWN;
  case M: return WM_MBUTTONDOWN;
  }
  return WM_XBUTTONDOWN;
}

DWORD XData(int button)
{
  return button == X1 ? MAKELONG(0, XBUTTON1) : button == X2 ? MAKELONG(0, XBUTTON2) : 0;
}

int ButtonVk(int button)
{
  switch (button) {
  case L: return VK_LBUTTON;
  case R: return VK_RBUTTON;
  case M: return VK_MBUTTON;
  case X1: return VK_XBUTTON1;
  }
  return VK_XBUTTON2;
}

struct MouseFixture {
  FakeHookEnv env;
  std::unique_ptr<SharedHookData> d = NewSharedHookData();

  MouseFixture()
  {
    d->mouseTarget = kTarget;
    env.windows[kPlainWindow].cls = L"PlainWindow";
    env.windowAtPoint = kPlainWindow;
    RECT screen = {0, 0, 1920, 1080};
    ApplyDllData(d.get(), DLLDATA_MONITORS, (void*)1, &screen);
  }

  void Configure(const std::vector<Action>& actions, bool holdBack, bool notifyUps = false)
  {
    UINT32 where[kMouseSettingCount] = {};
    for (const Action& a : actions)
      where[a.number] = a.where;
    if (notifyUps)
      where[90] = 1;
    ApplyDllData(d.get(), DLLDATA_MOUSE, where, nullptr);
    UINT32 options[kOptionWordCount] = {};
    options[0] = holdBack ? 0x20000 : 0;
    EdgeMargins margins = {{{10, 10}, {10, 10}, {10, 10}, {10, 10}}};
    ApplyDllData(d.get(), DLLDATA_OPTIONS, options, &margins);
  }

  BOOL Event(UINT msg, int x, int y, DWORD data, bool lowLevel = true)
  {
    return OnMouseHookEvent(d.get(), msg, {x, y}, data, 0, lowLevel);
  }

  // Runs one step; the swallow answer, or -1 for steps that are not events.
  int Run(const Step& st)
  {
    switch (st.op) {
    case 'd': return Event(DownMessage(st.arg), st.x, st.y, XData(st.arg));
    case 'n': return Event(DownMessage(st.arg) - 0x160, st.x, st.y, XData(st.arg));
    case 'c': return Event(DownMessage(st.arg) + 2, st.x, st.y, XData(st.arg));
    case 'u': return Event(DownMessage(st.arg) + 1, st.x, st.y, XData(st.arg));
    case 'W': return Event(WM_MOUSEWHEEL, st.x, st.y, MAKELONG(0, (WORD)(short)st.arg));
    case 'h': env.keys[ButtonVk(st.arg)] = st.x != 0; return -1;
    case 'w': env.tick += st.arg; return -1;
    case 'f':
      if (g_HookTimers.replayTimer)
        env.FireTimer(g_HookTimers.replayTimer);
      return -1;
    case 's': d->suspendFlags = st.arg; return -1;
    }
    ADD_FAILURE() << "unknown step " << st.op;
    return -1;
  }

  std::vector<std::pair<int, int>> Actions() const
  {
    std::vector<std::pair<int, int>> out;
    for (const PostedMessage& m : env.posted)
      if (m.msg == WMA_MOUSEACTION) {
        EXPECT_EQ(kTarget, m.wnd);
        out.push_back({(int)m.wParam, (int)m.lParam});
      }
    return out;
  }
};

void RunScenario(const Scenario& s)
{
  SCOPED_TRACE(s.name);
  MouseFixture f;
  f.Configure(s.actions, s.holdBack);
  for (size_t i = 0; i < s.steps.size(); i++) {
    SCOPED_TRACE(testing::Message() << "step " << i << " '" << s.steps[i].op << "'");
    int swallow = f.Run(s.steps[i]);
    if (swallow >= 0 && s.steps[i].swallow >= 0) {
      EXPECT_EQ(s.steps[i].swallow, swallow);
    }
    f.env.tick += 40;
  }
  EXPECT_EQ(s.posted, f.Actions());
  int downs = 0;
  for (const INPUT& in : f.env.injected) {
    EXPECT_EQ((ULONG_PTR)INJECT_SIGNATURE, in.mi.dwExtraInfo);
    if (in.mi.dwFlags & (MOUSEEVENTF_MIDDLEDOWN | MOUSEEVENTF_XDOWN))
      downs++;
  }
  EXPECT_EQ(s.replayedClicks, downs);
}

const UINT32 ANY = WHERE_ANYWHERE;

TEST(ProcessMouseButton, ClickSequences)
{
  const Scenario scenarios[] = {
      {"plain left click: the down is swallowed, the up reaches its window",
       {{0, ANY}}, false,
       {{'d', L, 500, 500, 1}, {'u', L, 500, 500, 0}},
       {{0, 0}}, 0},
      {"right click: down and up swallowed",
       {{1, ANY}}, false,
       {{'d', R, 500, 500, 1}, {'u', R, 500, 500, 1}},
       {{1, 0}}, 0},
      {"an unconfigured button passes",
       {{0, ANY}}, false,
       {{'d', M, 500, 500, 0}, {'u', M, 500, 500, 0}},
       {}, 0},
      {"left click while right is held posts the chord",
       {{0, ANY}, {9, ANY}}, false,
       {{'h', R, 1}, {'d', L, 500, 500, 1}, {'u', L, 500, 500, 1}, {'h', R, 0}},
       {{9, 0}}, 0},
      {"a plain action does not answer while another button is held",
       {{0, ANY}}, false,
       {{'h', R, 1}, {'d', L, 500, 500, 0}, {'u', L, 500, 500, 0}},
       {}, 0},
      {"three quick left clicks, then a fourth",
       {{0, ANY}, {25, ANY}, {50, ANY}}, false,
       {{'d', L, 500, 500, 1}, {'u', L, 500, 500, 0}, {'d', L, 501, 502, 1}, {'u', L, 501, 502, 0},
        {'d', L, 502, 500, 1}, {'u', L, 502, 500, 1}, {'d', L, 502, 500, 1}},
       {{0, 0}, {25, 0}, {50, 0}, {0, 0}}, 0},
      {"clicks further apart than the double-click square are singles",
       {{0, ANY}, {25, ANY}}, false,
       {{'d', L, 500, 500, 1}, {'u', L, 500, 500, 0}, {'d', L, 505, 500, 1}},
       {{0, 0}, {0, 0}}, 0},
      {"clicks slower than the double-click time are singles",
       {{0, ANY}, {25, ANY}}, false,
       {{'d', L, 500, 500, 1}, {'u', L, 500, 500, 0}, {'w', 600}, {'d', L, 500, 500, 1}},
       {{0, 0}, {0, 0}}, 0},
      {"a double click of another button starts a new count",
       {{0, ANY}, {1, ANY}, {26, ANY}}, false,
       {{'d', L, 500, 500, 1}, {'u', L, 500, 500, 0}, {'d', R, 500, 500, 1}, {'u', R, 500, 500, 1},
        {'d', R, 500, 500, 1}},
       {{0, 0}, {1, 0}, {26, 0}}, 0},
      {"the system's double-click message is a double click",
       {{0, ANY}, {25, ANY}}, false,
       {{'d', L, 500, 500, 1}, {'u', L, 500, 500, 0}, {'c', L, 500, 500, 1}},
       {{0, 0}, {25, 0}}, 0},
      {"X1 double click 100 pixels from the first click still counts",
       {{3, ANY}, {28, ANY}}, false,
       {{'d', X1, 500, 500, 1}, {'u', X1, 500, 500, 1}, {'d', X1, 600, 600, 1},
        {'u', X1, 600, 600, 1}},
       {{3, 0}, {28, 0}}, 0},
      {"X2 triple click",
       {{54, ANY}}, false,
       {{'d', X2, 10, 10, 0}, {'u', X2, 10, 10, 0}, {'d', X2, 10, 10, 0}, {'u', X2, 10, 10, 0},
        {'d', X2, 10, 10, 1}, {'u', X2, 10, 10, 1}},
       {{54, 0}}, 0},
      {"the wheel alone matches no action",
       {{75, ANY}, {76, ANY}}, false,
       {{'W', 120, 500, 500, 0}, {'W', -120, 500, 500, 0}},
       {}, 0},
      {"wheel forward with left held, backward with right held",
       {{75, ANY}, {78, ANY}}, false,
       {{'h', L, 1}, {'W', 120, 500, 500, 1}, {'h', L, 0}, {'h', R, 1}, {'W', -120, 500, 500, 1},
        {'W', 120, 500, 500, 0}},
       {{75, 0}, {78, 0}}, 0},
      {"wheel with the right button held: its up is passed on to close the menu it opens",
       {{78, ANY}}, false,
       {{'h', R, 1}, {'W', -120, 500, 500, 1}, {'h', R, 0}, {'u', R, 500, 500, 0}},
       {{78, 0}}, 0},
      {"suspended: nothing posted or swallowed but an up still owed",
       {{1, ANY}}, false,
       {{'d', R, 500, 500, 1}, {'s', HOOKSUSPEND_MOUSEACTIONS}, {'u', R, 500, 500, 1},
        {'d', R, 500, 500, 0}, {'u', R, 500, 500, 0}},
       {{1, 0}}, 0},
      {"non-client clicks count as client clicks",
       {{0, ANY}, {25, ANY}}, false,
       {{'n', L, 500, 500, 1}, {'n', L, 500, 500, 1}},
       {{0, 0}, {25, 0}}, 0},
      {"only the top-left corner: a click elsewhere passes",
       {{0, 0x2}}, false,
       {{'d', L, 500, 500, 0}, {'u', L, 500, 500, 0}, {'w', 600}, {'d', L, 0, 0, 1}},
       {{0, 1}}, 0},
      {"corner before anywhere",
       {{2, 0x1 | 0x10}}, false,
       {{'d', M, 1919, 1079, 1}, {'w', 600}, {'d', M, 900, 900, 1}},
       {{2, 4}, {2, 0}}, 0},
      {"held back: one middle click is replayed after the double-click time",
       {{27, ANY}}, true,
       {{'d', M, 300, 200, 1}, {'u', M, 300, 200, 1}, {'w', 500}, {'f', 0}},
       {}, 1},
      {"held back: a quick second middle click posts the double click, no replay",
       {{27, ANY}}, true,
       {{'d', M, 300, 200, 1}, {'u', M, 300, 200, 1}, {'d', M, 300, 200, 1},
        {'u', M, 300, 200, 1}, {'f', 0}},
       {{27, 0}}, 0},
      {"held back for a triple click: two clicks are replayed",
       {{52, ANY}}, true,
       {{'d', M, 300, 200, 1}, {'u', M, 300, 200, 1}, {'d', M, 300, 200, 1},
        {'u', M, 300, 200, 1}, {'w', 500}, {'f', 0}},
       {}, 2},
      {"held back for a triple click, then the triple click",
       {{52, ANY}}, true,
       {{'d', M, 300, 200, 1}, {'d', M, 300, 200, 1}, {'d', M, 300, 200, 1}, {'f', 0}},
       {{52, 0}}, 0},
      {"a chosen action with a place wins over holding back",
       {{2, ANY}, {52, ANY}}, true,
       {{'d', M, 300, 200, 1}, {'u', M, 300, 200, 1}, {'f', 0}},
       {{2, 0}}, 0},
      {"another button drops a held-back click: neither replayed nor acted on",
       {{27, ANY}, {0, ANY}}, true,
       {{'d', M, 300, 200, 1}, {'u', M, 300, 200, 1}, {'d', L, 300, 200, 1}, {'f', 0}},
       {{0, 0}}, 0},
      {"without hold-back a lone middle click passes",
       {{27, ANY}}, false,
       {{'d', M, 300, 200, 0}, {'u', M, 300, 200, 0}, {'d', M, 300, 200, 1}},
       {{27, 0}}, 0},
      {"X1 held back and replayed",
       {{28, ANY}}, true,
       {{'d', X1, 300, 200, 1}, {'u', X1, 300, 200, 1}, {'f', 0}},
       {}, 1},
  };
  for (const Scenario& s : scenarios)
    RunScenario(s);
}

TEST(ProcessMouseButton, SwappedButtons)
{
  MouseFixture f;
  f.env.swapButtons = true;
  f.Configure({{9, ANY}, {5, ANY}}, false);
  // Logical right is the physical left: VK_LBUTTON down means right held.
  f.env.keys[VK_LBUTTON] = true;
  EXPECT_TRUE(f.Event(WM_LBUTTONDOWN, 10, 10, 0));
  EXPECT_EQ((std::vector<std::pair<int, int>>{{9, 0}}), f.Actions());
}

TEST(ProcessMouseButton, ButtonUpNotices)
{
  MouseFixture f;
  f.Configure({{1, ANY}}, false, true);
  EXPECT_EQ(1, f.d->notifyButtonUp);
  EXPECT_TRUE(f.Event(WM_RBUTTONDOWN, 10, 10, 0));
  EXPECT_TRUE(f.Event(WM_RBUTTONUP, 10, 10, 0));    // swallowed, still noticed
  EXPECT_FALSE(f.Event(WM_LBUTTONUP, 10, 10, 0));
  EXPECT_FALSE(f.Event(WM_XBUTTONUP, 10, 10, MAKELONG(0, XBUTTON2)));
  std::vector<WPARAM> ups;
  for (const PostedMessage& m : f.env.posted)
    if (m.msg == WMA_BUTTONUP)
      ups.push_back(m.wParam);
  EXPECT_EQ((std::vector<WPARAM>{0x80000002, 0x80000001, 0x80000010}), ups);
}

TEST(OnMouseHookEvent, InjectedAndRepeatedEventsPass)
{
  MouseFixture f;
  f.Configure({{0, ANY}, {25, ANY}}, false);
  for (ULONG_PTR extra : {(ULONG_PTR)INJECT_SIGNATURE, (ULONG_PTR)INJECT_SIGNATURE | 0x7F})
    EXPECT_FALSE(OnMouseHookEvent(f.d.get(), WM_LBUTTONDOWN, {5, 5}, 0, extra, true));
  EXPECT_TRUE(f.env.posted.empty());
  // The ordinary hook sees some messages twice: the repeat within 50 ms is
  // passed on and does not count as a double click.
  EXPECT_TRUE(f.Event(WM_LBUTTONDOWN, 5, 5, 0, false));
  f.env.tick += 10;
  EXPECT_FALSE(f.Event(WM_LBUTTONDOWN, 5, 5, 0, false));
  f.env.tick += 60;
  EXPECT_TRUE(f.Event(WM_LBUTTONDOWN, 5, 5, 0, false));
  EXPECT_EQ((std::vector<std::pair<int, int>>{{0, 0}, {25, 0}}), f.Actions());
}

TEST(CloseMenuAndWatch, RightClickActionClosesTheMenus)
{
  MouseFixture f;
  const HWND openMenu = (HWND)(INT_PTR)0x300, laterMenu = (HWND)(INT_PTR)0x301;
  f.env.windows[openMenu].cls = L"#32768";
  f.Configure({{1, ANY}}, false);
  EXPECT_TRUE(f.Event(WM_RBUTTONDOWN, 10, 10, 0));
  // The menu that was open is closed at once, and a watch is set.
  ASSERT_EQ(2u, f.env.posted.size());
  EXPECT_EQ(openMenu, f.env.posted[1].wnd);
  EXPECT_EQ((UINT)WM_CLOSE, f.env.posted[1].msg);
  EXPECT_EQ(1, f.env.winEventHooks);
  ASSERT_TRUE(g_HookTimers.menuTimer);
  ASSERT_TRUE(f.env.Timer(g_HookTimers.menuTimer));
  EXPECT_EQ(500u, f.env.Timer(g_HookTimers.menuTimer)->ms);

  // Another window being created is left alone; the next menu is closed and
  // the watch ends.
  HWINEVENTHOOK watch = f.env.winEventHook;
  f.env.windows[laterMenu].cls = L"#32768";
  f.env.winEventProc(watch, EVENT_OBJECT_CREATE, kPlainWindow, OBJID_WINDOW, 0, 0, 0);
  f.env.winEventProc(watch, EVENT_OBJECT_CREATE, laterMenu, OBJID_CLIENT, 0, 0, 0);
  EXPECT_EQ(2u, f.env.posted.size());
  f.env.winEventProc(watch, EVENT_OBJECT_CREATE, laterMenu, OBJID_WINDOW, 0, 0, 0);
  ASSERT_EQ(3u, f.env.posted.size());
  EXPECT_EQ(laterMenu, f.env.posted[2].wnd);
  EXPECT_EQ(0, f.env.winEventHooks);
  EXPECT_FALSE(g_HookTimers.menuTimer);
  EXPECT_TRUE(f.env.timers.empty());
}

TEST(CloseMenuAndWatch, WatchEndsAfterItsTime)
{
  MouseFixture f;
  f.Configure({{13, ANY}}, false);  // left click with middle held: no menu involved
  f.env.keys[VK_MBUTTON] = true;
  EXPECT_TRUE(f.Event(WM_LBUTTONDOWN, 10, 10, 0));
  EXPECT_EQ(0, f.env.winEventHooks);

  f.Configure({{5, ANY}}, false);  // right click with left held
  f.env.keys[VK_MBUTTON] = false;
  f.env.keys[VK_LBUTTON] = true;
  EXPECT_TRUE(f.Event(WM_RBUTTONDOWN, 10, 10, 0));
  EXPECT_EQ(1, f.env.winEventHooks);
  f.env.FireTimer(g_HookTimers.menuTimer);
  EXPECT_EQ(0, f.env.winEventHooks);
  EXPECT_FALSE(g_HookTimers.menuTimer);
  EXPECT_TRUE(f.env.timers.empty());
}

TEST(ProcessMouseButton, ClickOnAPopupMenuLooksBehindIt)
{
  MouseFixture f;
  const HWND menu = (HWND)(INT_PTR)0x300, hidden = (HWND)(INT_PTR)0x301,
             elsewhere = (HWND)(INT_PTR)0x302, below = (HWND)(INT_PTR)0x303;
  f.env.windows[menu] = {L"#32768", NULL, hidden, true, {0, 0, 100, 100}};
  f.env.windows[hidden] = {L"Hidden", NULL, elsewhere, false, {0, 0, 500, 500}};
  f.env.windows[elsewhere] = {L"Elsewhere", NULL, below, true, {600, 600, 700, 700}};
  f.env.windows[below] = {L"Below", NULL, NULL, true, {0, 0, 500, 500}, HTCAPTION};
  f.env.windowAtPoint = menu;
  f.Configure({{0, WHERE_TITLEBAR}}, false);
  EXPECT_TRUE(f.Event(WM_LBUTTONDOWN, 50, 50, 0));
  EXPECT_EQ((std::vector<std::pair<int, int>>{{0, PLACE_TITLEBAR}}), f.Actions());
}

TEST(ClassifyClick, FourQuickClicksAreDownDoubleTripleDown)
{
  FakeHookEnv env;
  auto d = NewSharedHookData();
  const UINT32 expected[] = {0x207, 0x209, 0x8066, 0x207};
  for (UINT32 e : expected) {
    int button = 0;
    EXPECT_EQ(e, ClassifyClick(d.get(), WM_MBUTTONDOWN, 0, {1, 1}, &button));
    EXPECT_EQ(M, button);
    env.tick += 100;
  }
  int button = 7;
  EXPECT_EQ(0u, ClassifyClick(d.get(), WM_XBUTTONDOWN, 0, {1, 1}, &button));
  EXPECT_EQ(0, button);
}

// The held-back middle click is replayed at the place it was made, then the
// pointer goes back.
TEST(BuildReplayInputs, MiddleClickMovesToItsPlaceAndBack)
{
  FakeHookEnv env;
  auto d = NewSharedHookData();
  RECT screens[2] = {{0, 0, 1920, 1080}, {1920, 0, 3840, 1080}};
  ApplyDllData(d.get(), DLLDATA_MONITORS, (void*)2, screens);
  d->heldBackButton = M;
  d->replayClicks = 1;
  d->replayPos = {960, 540};
  INPUT in[6];
  ASSERT_EQ(3, BuildReplayInputs(d.get(), {1919, 1079}, in, 6));
  EXPECT_EQ((DWORD)(MOUSEEVENTF_MIDDLEDOWN | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE),
            in[0].mi.dwFlags);
  EXPECT_EQ(32768, in[0].mi.dx);
  EXPECT_EQ(32768, in[0].mi.dy);
  EXPECT_EQ((DWORD)MOUSEEVENTF_MIDDLEUP, in[1].mi.dwFlags);
  EXPECT_EQ((DWORD)(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE), in[2].mi.dwFlags);
  EXPECT_EQ(65502, in[2].mi.dx);  // (1919 * 65536 + 1919) / 1920
  EXPECT_EQ(65476, in[2].mi.dy);
  // A point on the second monitor is beyond 65535: the arithmetic must not
  // overflow.
  d->replayPos = {3839, 1079};
  ASSERT_EQ(3, BuildReplayInputs(d.get(), {0, 0}, in, 6));
  EXPECT_EQ(131038, in[0].mi.dx);
  for (int i = 0; i < 3; i++)
    EXPECT_EQ((ULONG_PTR)INJECT_SIGNATURE, in[i].mi.dwExtraInfo);
}

// Until the launcher sends its monitors, the first monitor has no size; the
// replay must not divide by it, in whatever process it runs.
TEST(BuildReplayInputs, NoMonitorsYetClicksWithoutMoving)
{
  FakeHookEnv env;
  struct Case {
    const char* name;
    int monitors;
    RECT first;
  } cases[] = {
      {"no monitors sent", 0, {0, 0, 0, 0}},
      {"first monitor of zero size", 1, {0, 0, 0, 0}},
      {"first monitor of zero height", 1, {0, 0, 1920, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto d = NewSharedHookData();
    d->monitorCount = c.monitors;
    d->monitors[0] = c.first;
    d->heldBackButton = M;
    d->replayClicks = 2;
    d->replayPos = {100, 100};
    INPUT in[6];
    ASSERT_EQ(4, BuildReplayInputs(d.get(), {5, 5}, in, 6));
    const DWORD flags[] = {MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, MOUSEEVENTF_MIDDLEDOWN,
                           MOUSEEVENTF_MIDDLEUP};
    for (int i = 0; i < 4; i++)
      EXPECT_EQ(flags[i], in[i].mi.dwFlags);
  }
}

TEST(BuildReplayInputs, ExtraButtonsAndNothingHeld)
{
  FakeHookEnv env;
  auto d = NewSharedHookData();
  INPUT in[6];
  d->heldBackButton = 0;
  EXPECT_EQ(0, BuildReplayInputs(d.get(), {0, 0}, in, 6));
  d->heldBackButton = L;  // never held back
  EXPECT_EQ(0, BuildReplayInputs(d.get(), {0, 0}, in, 6));
  d->heldBackButton = X2;
  d->replayClicks = 1;
  ASSERT_EQ(2, BuildReplayInputs(d.get(), {0, 0}, in, 6));
  EXPECT_EQ((DWORD)MOUSEEVENTF_XDOWN, in[0].mi.dwFlags);
  EXPECT_EQ((DWORD)XBUTTON2, in[0].mi.mouseData);
  EXPECT_EQ((DWORD)MOUSEEVENTF_XUP, in[1].mi.dwFlags);
}

// Through the timer: with no monitors sent the replay goes out without a
// move, and the held-back state ends.
TEST(ReplayHeldBackClick, TimerReplaysWithoutMonitors)
{
  FakeHookEnv env;
  auto d = NewSharedHookData();
  d->mouseTarget = kTarget;
  UINT32 where[kMouseSettingCount] = {};
  where[27] = ANY;
  ApplyDllData(d.get(), DLLDATA_MOUSE, where, nullptr);
  d->holdBackClicks = 1;
  EXPECT_TRUE(OnMouseHookEvent(d.get(), WM_MBUTTONDOWN, {40, 40}, 0, 0, true));
  ASSERT_TRUE(g_HookTimers.replayTimer);
  ASSERT_TRUE(env.Timer(g_HookTimers.replayTimer));
  EXPECT_EQ(env.doubleClickMs, env.Timer(g_HookTimers.replayTimer)->ms);
  env.FireTimer(g_HookTimers.replayTimer);
  EXPECT_EQ(2u, env.injected.size());
  EXPECT_FALSE(g_HookTimers.replayTimer);
  EXPECT_EQ(0, d->heldBackButton);
  EXPECT_TRUE(env.timers.empty());
}

// A timer of the program whose thread the ordinary hook runs on.
void CALLBACK ProgramTimerProc(HWND, UINT, UINT_PTR, DWORD) {}

// Thread timers belong to the thread that set them, and each thread numbers
// its own: a click processed on another thread (or in another process) may
// neither kill our timer nor one of the program's that has the same id, and
// the timer it cannot kill must stand down when it fires.
TEST(HookTimers, ClickOnAnotherThreadDropsTheReplayWithoutTouchingItsTimers)
{
  MouseFixture f;
  f.Configure({{27, ANY}, {0, ANY}}, true);
  f.env.thread = 1;
  EXPECT_TRUE(f.Event(WM_MBUTTONDOWN, 300, 200, 0));  // held back
  UINT_PTR replay = g_HookTimers.replayTimer;
  ASSERT_TRUE(f.env.Timer(replay));

  f.env.thread = 2;
  UINT_PTR program = g_HookEnv.SetTimer(NULL, 0, 1000, ProgramTimerProc);
  ASSERT_EQ(replay, program) << "the fixture needs the same id on both threads";
  f.env.tick += 40;
  EXPECT_TRUE(f.Event(WM_LBUTTONDOWN, 300, 200, 0));  // drops the held-back click
  EXPECT_TRUE(f.env.Timer(program)) << "the program's own timer is left alone";

  f.env.thread = 1;
  f.env.FireTimer(replay);
  EXPECT_FALSE(f.env.Timer(replay)) << "a timer that stands down still ends";
  EXPECT_TRUE(f.env.injected.empty()) << "the dropped click is not replayed";
  EXPECT_EQ((std::vector<std::pair<int, int>>{{0, 0}}), f.Actions());
}

TEST(HookTimers, OnlyTheNewestHoldBackReplays)
{
  MouseFixture f;
  f.Configure({{52, ANY}}, true);  // middle triple click
  f.env.thread = 1;
  EXPECT_TRUE(f.Event(WM_MBUTTONDOWN, 300, 200, 0));
  UINT_PTR first = g_HookTimers.replayTimer;
  f.env.tick += 40;
  f.env.thread = 2;
  EXPECT_TRUE(f.Event(WM_MBUTTONDOWN, 300, 200, 0));  // the double click, held back again
  UINT_PTR second = g_HookTimers.replayTimer;
  ASSERT_TRUE(f.env.Timer(second));

  // The first thread's timer comes due first: it must not replay the
  // clicks that the second one holds.
  f.env.thread = 1;
  f.env.FireTimer(first);
  EXPECT_FALSE(f.env.Timer(first));
  EXPECT_TRUE(f.env.injected.empty());

  f.env.thread = 2;
  f.env.FireTimer(second);
  EXPECT_FALSE(f.env.Timer(second));
  int downs = 0;
  for (const INPUT& in : f.env.injected)
    downs += (in.mi.dwFlags & MOUSEEVENTF_MIDDLEDOWN) != 0;
  EXPECT_EQ(2, downs) << "both clicks, once";
  EXPECT_TRUE(f.env.timers.empty());
}

TEST(HookTimers, MenuWatchOfAnotherThreadIsLeftToItsOwner)
{
  MouseFixture f;
  f.Configure({{1, ANY}}, false);
  f.env.thread = 1;
  EXPECT_TRUE(f.Event(WM_RBUTTONDOWN, 10, 10, 0));
  UINT_PTR watchTimer = g_HookTimers.menuTimer;
  ASSERT_TRUE(f.env.Timer(watchTimer));
  EXPECT_EQ(1, f.env.winEventHooks);

  f.env.thread = 2;
  UINT_PTR program = g_HookEnv.SetTimer(NULL, 0, 1000, ProgramTimerProc);
  ASSERT_EQ(watchTimer, program);
  f.env.tick += 600;
  EXPECT_TRUE(f.Event(WM_RBUTTONUP, 10, 10, 0));
  EXPECT_TRUE(f.Event(WM_RBUTTONDOWN, 10, 10, 0));
  EXPECT_TRUE(f.env.Timer(program)) << "the program's own timer is left alone";
  EXPECT_EQ(1, f.env.winEventHooks) << "one watch at a time";

  // The owner's timer ends its watch, and nothing of ours is left.
  f.env.thread = 1;
  f.env.FireTimer(watchTimer);
  EXPECT_FALSE(f.env.Timer(watchTimer));
  EXPECT_EQ(0, f.env.winEventHooks);
  EXPECT_EQ(1u, f.env.timers.size());
}

// An event hook that is not the watch we keep (one left from before) goes.
TEST(HookTimers, StrayMenuEventHookIsRemoved)
{
  MouseFixture f;
  f.Configure({{1, ANY}}, false);
  EXPECT_TRUE(f.Event(WM_RBUTTONDOWN, 10, 10, 0));
  ASSERT_EQ(1, f.env.winEventHooks);
  HWINEVENTHOOK stray = (HWINEVENTHOOK)(INT_PTR)0x1234;
  f.env.winEventProc(stray, EVENT_OBJECT_CREATE, kPlainWindow, OBJID_WINDOW, 0, 0, 0);
  EXPECT_EQ(0, f.env.winEventHooks) << "the stray hook was unhooked";
  EXPECT_TRUE(g_HookTimers.menuWatch) << "our own watch stays";
}

// What the library does before it leaves a process.
TEST(HookTimers, CancelEndsThisThreadsTimersAndWatch)
{
  MouseFixture f;
  f.Configure({{1, ANY}, {27, ANY}}, true);
  EXPECT_TRUE(f.Event(WM_RBUTTONDOWN, 10, 10, 0));
  f.env.tick += 40;
  EXPECT_TRUE(f.Event(WM_MBUTTONDOWN, 10, 10, 0));
  EXPECT_EQ(2u, f.env.timers.size());
  EXPECT_EQ(1, f.env.winEventHooks);
  CancelHookTimers();
  EXPECT_TRUE(f.env.timers.empty());
  EXPECT_EQ(0, f.env.winEventHooks);
  EXPECT_FALSE(g_HookTimers.replayTimer);
  EXPECT_FALSE(g_HookTimers.menuTimer);
  EXPECT_FALSE(g_HookTimers.menuWatch);
}

}  // namespace
