#include "hooklib/circle.h"
#include "hooklib/hookenv.h"
#include "hooklib/mouse.h"
#include <string.h>

static const DWORD kRestMs = 200;      // a pointer resting this long ends the circle
static const DWORD kStrokeMs = 500;    // each stroke must follow the last turn within this
static const DWORD kRepostMs = 800;    // one message per detector within this

enum : int { MOVE_LEFT = 1, MOVE_UP = 2, MOVE_RIGHT = 4, MOVE_DOWN = 8 };

enum : int {
  CIRCLE_IDLE = 0,
  CIRCLE_STARTED = 1,
  STROKE_UP_RIGHT = 2,
  STROKE_DOWN_RIGHT = 3,
  STROKE_DOWN_LEFT = 4,
  STROKE_UP_LEFT = 5,
};

struct StrokeRule {
  int next;     // stroke that continues the circle
  int restart;  // a move this way starts again here
  int follow;   // a move this way drags the corner along
};

// Indexed by detector, then by state - 2 (the last stroke).
static const StrokeRule kRules[2][4] = {
    {
        {STROKE_DOWN_RIGHT, MOVE_LEFT, MOVE_UP},
        {STROKE_DOWN_LEFT, MOVE_UP, MOVE_RIGHT},
        {STROKE_UP_LEFT, MOVE_RIGHT, MOVE_DOWN},
        {STROKE_UP_RIGHT, MOVE_DOWN, MOVE_LEFT},
    },
    {
        {STROKE_UP_LEFT, MOVE_DOWN, MOVE_RIGHT},
        {STROKE_UP_RIGHT, MOVE_LEFT, MOVE_DOWN},
        {STROKE_DOWN_RIGHT, MOVE_UP, MOVE_LEFT},
        {STROKE_DOWN_LEFT, MOVE_RIGHT, MOVE_UP},
    },
};

void ResetCircleTrackers(SharedHookData* d)
{
  memset(d->circleTrackers, 0, sizeof(d->circleTrackers));
}

static void Restart(SharedHookData* d, CircleTracker* t, POINT pt, DWORD now)
{
  t->state = CIRCLE_STARTED;
  t->steps = 0;
  t->anchor = t->corner = pt;
  d->circleProgressTick = now;
}

static bool CancelButtonHeld(const SharedHookData* d)
{
  UINT32 cancel = d->circleCancelButtons;
  if (!(cancel & 0x1C000))
    return false;
  return ((cancel & 0x4000) && IsMouseButtonDown(MOUSEBIT_LEFT)) ||
         ((cancel & 0x8000) && IsMouseButtonDown(MOUSEBIT_RIGHT)) ||
         ((cancel & 0x10000) && IsMouseButtonDown(MOUSEBIT_MIDDLE));
}

static int Magnitude(LONG v)
{
  return v < 0 ? -v : v;
}

void DetectMouseCircle(SharedHookData* d, POINT pt)
{
  DWORD now = g_HookEnv.Tick();
  POINT last = d->lastMove;
  bool rested = pt.x == last.x && pt.y == last.y && now - d->lastMoveTick > kRestMs;
  if (rested || now - d->circleProgressTick > kStrokeMs || CancelButtonHeld(d))
    ResetCircleTrackers(d);
  d->lastMoveTick = now;

  int moves = (pt.x < last.x ? MOVE_LEFT : 0) | (pt.y < last.y ? MOVE_UP : 0) |
              (pt.x > last.x ? MOVE_RIGHT : 0) | (pt.y > last.y ? MOVE_DOWN : 0);
  for (int i = 0; i < 2; i++) {
    if (!(d->circleEnables & (1u << i)))
      continue;
    CircleTracker* t = &d->circleTrackers[i];
    const CircleGestureSettings& s = d->circleSettings[i];
    // Any process may write the tracker while we look at it: the state that
    // is checked is the one that indexes the rules, read once.
    const int state = *(volatile const int32_t*)&t->state;
    if (state < CIRCLE_STARTED || state > STROKE_UP_LEFT) {
      Restart(d, t, pt, now);
      continue;
    }
    if (Magnitude(pt.x - t->anchor.x) > s.maxJump || Magnitude(pt.y - t->anchor.y) > s.maxJump) {
      Restart(d, t, pt, now);
      continue;
    }
    POINT c = t->corner;
    bool farLeft = (moves & MOVE_LEFT) && c.x - pt.x >= s.minTravel;
    bool farUp = (moves & MOVE_UP) && c.y - pt.y >= s.minTravel;
    bool farRight = (moves & MOVE_RIGHT) && pt.x - c.x >= s.minTravel;
    bool farDown = (moves & MOVE_DOWN) && pt.y - c.y >= s.minTravel;
    int stroke = farRight && farUp     ? STROKE_UP_RIGHT
                 : farRight && farDown ? STROKE_DOWN_RIGHT
                 : farLeft && farDown  ? STROKE_DOWN_LEFT
                 : farLeft && farUp    ? STROKE_UP_LEFT
                                       : 0;
    bool advance;
    if (state == CIRCLE_STARTED) {
      advance = stroke != 0;
    } else {
      const StrokeRule& rule = kRules[i][state - STROKE_UP_RIGHT];
      advance = stroke == rule.next;
      if (!advance) {
        if (moves & rule.restart)
          Restart(d, t, pt, now);
        else if (moves & rule.follow)
          t->corner = pt;
        continue;
      }
    }
    if (!advance)
      continue;
    if (++t->steps < s.requiredSteps) {
      t->state = stroke;
      t->anchor = t->corner = pt;
      d->circleProgressTick = now;
      continue;
    }
    // A whole circle: both detectors start over.
    for (CircleTracker& each : d->circleTrackers) {
      each.state = CIRCLE_IDLE;
      each.steps = 0;
    }
    if (now - d->lastCirclePostTick[i] > kRepostMs) {
      g_HookEnv.Post(d->mouseTarget, WMA_MOUSECIRCLE, i, 0);
      d->lastCirclePostTick[i] = now;
    }
    break;
  }
  d->lastMove = pt;
}
