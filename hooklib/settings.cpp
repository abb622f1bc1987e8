#include "hooklib/settings.h"
#include "hooklib/hookenv.h"
#include <string.h>

// Rows 0-24 downs, 25-49 double clicks, 50-74 triple clicks (each: five
// buttons alone, then with left, right, middle, X1, X2 held), 75-84 the
// wheel forward and backward with one button held.
static constexpr MouseActionRows BuildMouseActionTable()
{
  const UINT32 events[3][5] = {
      {0x201, 0x204, 0x207, 0x8067, 0x806A},    // down: L, R, M, X1, X2
      {0x203, 0x206, 0x209, 0x8068, 0x806B},    // double click
      {0x8064, 0x8065, 0x8066, 0x8069, 0x806C}, // triple click
  };
  MouseActionRows t = {};
  for (int kind = 0; kind < 3; kind++) {
    int r = kind * 25;
    for (int b = 0; b < 5; b++)
      t.row[r++] = {events[kind][b], 1u << b};
    for (int held = 0; held < 5; held++)
      for (int b = 0; b < 5; b++)
        if (b != held)
          t.row[r++] = {events[kind][b], (1u << b) | (0x10000u << held)};
  }
  for (int held = 0; held < 5; held++) {
    t.row[75 + 2 * held] = {0x806D, 0x10000u << held};
    t.row[76 + 2 * held] = {0x806E, 0x10000u << held};
  }
  return t;
}

constexpr MouseActionRows MouseActionTable = BuildMouseActionTable();

static void ApplyMouseSettings(SharedHookData* d, const UINT32* where, const CircleGestureSettings* circles)
{
  DWORD now = g_HookEnv.Tick();
  if (where) {
    d->notifyButtonUp = 0;
    d->mouseActionCount = 0;
    d->lastButtonMsg = 0;
    d->lastClickTick = now;
    d->lastButtonMsgTick = now;
    int count = 0;
    for (int i = 0; i < kMouseSettingCount; i++) {
      if (!where[i])
        continue;
      // Words past the last action only ask for button-up notices.
      if (i >= kMouseActionCount) {
        d->notifyButtonUp = 1;
        break;
      }
      d->mouseActions[count] = {i, where[i], MouseActionTable.row[i].event};
      d->mouseActionCount = ++count;
    }
  }
  if (circles) {
    d->circleSettings[0] = circles[0];
    d->circleSettings[1] = circles[1];
    d->circleEnables = (circles[0].enable ? 1u : 0u) | (circles[1].enable ? 2u : 0u);
    memset(d->circleTrackers, 0, sizeof(d->circleTrackers));
    d->circleProgressTick = now;
    d->lastMoveTick = now;
  }
}

static void ApplyHotKeys(SharedHookData* d, int last, const HotKeyEntry* rows)
{
  if (last < 0) {
    d->hotKeyLast = -1;
    return;
  }
  if (!rows)
    return;
  // The count comes from the caller; the table has a fixed size.
  if (last > kHotKeySlots - 1)
    last = kHotKeySlots - 1;
  // Hooks may read while we write: show them no rows until the copy is whole.
  d->hotKeyLast = -1;
  memset(d->hotKeyKeyParts, 0, sizeof(d->hotKeyKeyParts));
  for (int i = 0; i <= last; i++) {
    HotKeyCode code = (HotKeyCode)rows[i].code;
    d->hotKeys[i] = code;
    BYTE key = (BYTE)code;
    d->hotKeyKeyParts[key >> 5] |= 1u << (key & 31);
  }
  d->hotKeyLast = last;
}

static void ApplyOptions(SharedHookData* d, const UINT32* words, const EdgeMargins* margins)
{
  if (words) {
    d->holdBackClicks = (words[0] >> 17) & 1;
    d->circleCancelButtons = words[10];
  }
  if (margins)
    d->edgeMargins = *margins;
}

static void ApplyMonitors(SharedHookData* d, int count, const RECT* rects)
{
  if (count <= 0 || !rects)
    return;
  if (count > kMaxMonitors)
    count = kMaxMonitors;
  if (d->monitorCount > count)
    d->monitorCount = count;
  memcpy(d->monitors, rects, count * sizeof(RECT));
  d->monitorCount = count;
}

void ApplyDllData(SharedHookData* d, int kind, void* p, void* q)
{
  switch (kind) {
  case DLLDATA_MOUSE:
    ApplyMouseSettings(d, (const UINT32*)p, (const CircleGestureSettings*)q);
    break;
  case DLLDATA_HOTKEYS:
    ApplyHotKeys(d, (int)(INT_PTR)p, (const HotKeyEntry*)q);
    break;
  case DLLDATA_OPTIONS:
    ApplyOptions(d, (const UINT32*)p, (const EdgeMargins*)q);
    break;
  case DLLDATA_SUSPEND:
    d->suspendFlags = (UINT32)(UINT_PTR)p;
    break;
  case DLLDATA_MONITORS:
    ApplyMonitors(d, (int)(INT_PTR)p, (const RECT*)q);
    break;
  }
}
