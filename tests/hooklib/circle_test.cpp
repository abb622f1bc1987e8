#include "hooklib/circle.h"
#include "hooklib/mouse.h"
#include "hooklib/settings.h"
#include "hooklib/fake_env.h"
#include <gtest/gtest.h>
#include <math.h>

namespace {

const HWND kTarget = (HWND)(INT_PTR)0x4242;
const double kPi = 3.14159265358979323846;

// Points on a circle in screen coordinates (y downward), starting at the
// top; clockwise on the screen means first to the right.
struct CircleDraw {
  int radius = 100;
  double turns = 1.0;
  int pointsPerQuarter = 16;
  DWORD msPerPoint = 20;
  bool clockwise = true;
  POINT center = {600, 500};
};

struct CircleFixture {
  FakeHookEnv env;
  std::unique_ptr<SharedHookData> d = NewSharedHookData();

  explicit CircleFixture(UINT32 enables = 3, int steps = 4, int maxJump = 200, int minTravel = 20,
                         UINT32 cancel = 0)
  {
    d->mouseTarget = kTarget;
    CircleGestureSettings s[2] = {};
    for (int i = 0; i < 2; i++)
      s[i] = {(int)((enables >> i) & 1), steps, maxJump, minTravel, 0, 0};
    ApplyDllData(d.get(), DLLDATA_MOUSE, nullptr, s);
    UINT32 options[kOptionWordCount] = {};
    options[10] = cancel;
    ApplyDllData(d.get(), DLLDATA_OPTIONS, options, nullptr);
  }

  void Move(POINT pt) { OnMouseHookEvent(d.get(), WM_MOUSEMOVE, pt, 0, 0, true); }

  void Draw(const CircleDraw& c)
  {
    int n = (int)(c.turns * 4 * c.pointsPerQuarter);
    for (int i = 0; i <= n; i++) {
      double a = (c.clockwise ? 1 : -1) * i * (kPi / 2) / c.pointsPerQuarter;
      Move({c.center.x + (LONG)lround(c.radius * sin(a)),
            c.center.y - (LONG)lround(c.radius * cos(a))});
      env.tick += c.msPerPoint;
    }
  }

  std::vector<int> Circles() const
  {
    std::vector<int> out;
    for (const PostedMessage& m : env.posted) {
      EXPECT_EQ(kTarget, m.wnd);
      EXPECT_EQ((UINT)WMA_MOUSECIRCLE, m.msg);
      out.push_back((int)m.wParam);
    }
    return out;
  }
};

TEST(DetectMouseCircle, GeneratedCircles)
{
  struct Case {
    const char* name;
    CircleDraw draw;
    UINT32 enables;
    int steps, maxJump, minTravel;
    std::vector<int> expected;
  } cases[] = {
      {"clockwise", {}, 3, 4, 200, 20, {0}},
      {"counter-clockwise", {100, 1.0, 16, 20, false}, 3, 4, 200, 20, {1}},
      {"clockwise with only the counter-clockwise detector on", {}, 2, 4, 200, 20, {}},
      {"counter-clockwise with only the clockwise detector on", {100, 1.0, 16, 20, false}, 1, 4,
       200, 20, {}},
      {"three quarters are not enough for four steps", {100, 0.75}, 3, 4, 200, 20, {}},
      {"eight steps need two turns", {100, 2.0}, 3, 8, 200, 20, {0}},
      {"eight steps, one turn", {}, 3, 8, 200, 20, {}},
      {"a small circle does not travel far enough", {12}, 3, 4, 200, 20, {}},
      {"a big circle jumps too far from its turns", {300}, 3, 4, 200, 20, {}},
      {"a big circle within a bigger jump", {300}, 3, 4, 500, 20, {0}},
      {"quarters slower than 500 ms", {100, 1.0, 16, 40}, 1, 4, 200, 20, {}},
      {"quick quarters", {100, 1.0, 8, 10}, 3, 4, 200, 20, {0}},
      {"two circles within 800 ms post once", {100, 2.0, 8, 10}, 3, 4, 200, 20, {0}},
      {"two slow circles post twice", {100, 2.0, 16, 30}, 3, 4, 200, 20, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CircleFixture f(c.enables, c.steps, c.maxJump, c.minTravel);
    f.Draw(c.draw);
    EXPECT_EQ(c.expected, f.Circles());
  }
}

TEST(DetectMouseCircle, RestingPointerStartsAgain)
{
  CircleFixture f;
  CircleDraw half;
  half.turns = 0.5;
  f.Draw(half);
  EXPECT_GE(f.d->circleTrackers[0].steps, 1);
  // The draw ends on its last point; the same point 250 ms later is a rest.
  POINT last = f.d->lastMove;
  f.env.tick += 250;
  f.Move(last);
  EXPECT_EQ(1, f.d->circleTrackers[0].state);
  EXPECT_EQ(0, f.d->circleTrackers[0].steps);
}

TEST(DetectMouseCircle, JumpRestartsAtTheCurrentPoint)
{
  CircleFixture f(1, 4, 50, 20);
  f.Move({100, 100});
  f.env.tick += 10;
  f.Move({130, 130});  // a down-right stroke: state 3
  EXPECT_EQ(3, f.d->circleTrackers[0].state);
  f.env.tick += 10;
  f.Move({181, 130});  // 51 pixels right of the last turn
  EXPECT_EQ(1, f.d->circleTrackers[0].state);
  EXPECT_EQ(0, f.d->circleTrackers[0].steps);
  EXPECT_EQ(181, f.d->circleTrackers[0].anchor.x);
  EXPECT_EQ(181, f.d->circleTrackers[0].corner.x);
}

TEST(DetectMouseCircle, CancelButtons)
{
  struct Case {
    const char* name;
    UINT32 cancel;
    int heldVk;
    bool swap;
    size_t posts;
  } cases[] = {
      {"left cancels", 0x4000, VK_LBUTTON, false, 0},
      {"left cancels: with swapped buttons that is the right key", 0x4000, VK_RBUTTON, true, 0},
      {"right cancels", 0x8000, VK_RBUTTON, false, 0},
      {"middle cancels", 0x10000, VK_MBUTTON, false, 0},
      {"another button held does not cancel", 0x4000, VK_MBUTTON, false, 1},
      {"no cancel buttons", 0, VK_LBUTTON, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CircleFixture f(3, 4, 200, 20, c.cancel);
    f.env.swapButtons = c.swap;
    f.env.keys[c.heldVk] = true;
    f.Draw({});
    EXPECT_EQ(c.posts, f.env.posted.size());
  }
}

TEST(DetectMouseCircle, SuspendedMovesAreNotExamined)
{
  CircleFixture f;
  f.d->suspendFlags = HOOKSUSPEND_CIRCLES;
  f.Draw({});
  EXPECT_TRUE(f.env.posted.empty());
  EXPECT_EQ(0, f.d->circleTrackers[0].state);
  EXPECT_EQ(0, f.d->lastMove.x);
  f.d->suspendFlags = HOOKSUSPEND_MOUSEACTIONS;  // only clicks are off
  f.env.tick += 1000;
  f.Draw({});
  EXPECT_EQ(std::vector<int>{0}, f.Circles());
}

TEST(DetectMouseCircle, RightButtonUpResetsTheTrackers)
{
  CircleFixture f;
  CircleDraw part;
  part.turns = 0.75;
  f.Draw(part);
  ASSERT_GE(f.d->circleTrackers[0].steps, 2);
  EXPECT_FALSE(OnMouseHookEvent(f.d.get(), WM_RBUTTONUP, f.d->lastMove, 0, 0, true));
  EXPECT_EQ(0, f.d->circleTrackers[0].state);
  EXPECT_EQ(0, f.d->circleTrackers[0].steps);
}

TEST(DetectMouseCircle, InjectedMovesAreIgnored)
{
  CircleFixture f;
  for (int i = 0; i < 64; i++) {
    double a = i * (kPi / 32);
    OnMouseHookEvent(f.d.get(), WM_MOUSEMOVE,
                     {600 + (LONG)lround(100 * sin(a)), 500 - (LONG)lround(100 * cos(a))}, 0,
                     INJECT_SIGNATURE, true);
    f.env.tick += 20;
  }
  EXPECT_TRUE(f.env.posted.empty());
  EXPECT_EQ(0, f.d->circleTrackers[0].state);
}

// Any process mapping the library can write the trackers: a state outside
// the known ones starts the tracker again instead of choosing a rule.
TEST(DetectMouseCircle, UnknownTrackerStateStartsAgain)
{
  for (int32_t bad : {-1, 6, 0x40000000, INT32_MIN, INT32_MAX}) {
    SCOPED_TRACE(bad);
    CircleFixture f(3);
    f.Move({100, 100});
    f.env.tick += 10;
    f.d->circleTrackers[0].state = bad;
    f.d->circleTrackers[1].state = bad;
    f.Move({130, 130});
    for (const CircleTracker& t : f.d->circleTrackers) {
      EXPECT_EQ(1, t.state);
      EXPECT_EQ(130, t.anchor.x);
      EXPECT_EQ(130, t.corner.y);
    }
  }
}

}  // namespace
