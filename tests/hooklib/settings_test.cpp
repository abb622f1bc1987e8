#include "hooklib/settings.h"
#include "hooklib/fake_env.h"
#include <gtest/gtest.h>

namespace {

TEST(MouseActionTable, RowsFollowTheButtonRule)
{
  struct Case {
    int row;
    UINT32 event, mask;
  } cases[] = {
      {0, 0x201, 0x1},       {1, 0x204, 0x2},         {4, 0x806A, 0x10},
      {5, 0x204, 0x10002},   {9, 0x201, 0x20001},     {16, 0x806A, 0x40010},
      {20, 0x806A, 0x80010}, {24, 0x8067, 0x100008},  {25, 0x203, 0x1},
      {27, 0x209, 0x4},      {52, 0x8066, 0x4},       {74, 0x8069, 0x100008},
      {75, 0x806D, 0x10000}, {78, 0x806E, 0x20000},   {84, 0x806E, 0x100000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row);
    EXPECT_EQ(c.event, MouseActionTable.row[c.row].event);
    EXPECT_EQ(c.mask, MouseActionTable.row[c.row].mask);
  }
  // Every action is a distinct gesture; rows past the last action are empty.
  for (int i = 0; i < kMouseActionCount; i++)
    for (int j = i + 1; j < kMouseActionCount; j++)
      EXPECT_FALSE(MouseActionTable.row[i].event == MouseActionTable.row[j].event &&
                   MouseActionTable.row[i].mask == MouseActionTable.row[j].mask)
          << i << " " << j;
  for (int i = kMouseActionCount; i < kMouseSettingCount; i++)
    EXPECT_EQ(0u, MouseActionTable.row[i].event | MouseActionTable.row[i].mask) << i;
}

TEST(ApplyDllData, MouseActionsInActionOrder)
{
  FakeHookEnv env;
  auto d = NewSharedHookData();
  d->lastButtonMsg = 0x201;
  UINT32 where[kMouseSettingCount] = {};
  where[0] = 0x1;
  where[27] = 0x400;
  where[84] = 0x2;
  ApplyDllData(d.get(), DLLDATA_MOUSE, where, nullptr);
  ASSERT_EQ(3, d->mouseActionCount);
  EXPECT_EQ(0, d->mouseActions[0].actionIndex);
  EXPECT_EQ(0x1u, d->mouseActions[0].whereBits);
  EXPECT_EQ(0x201u, d->mouseActions[0].event);
  EXPECT_EQ(27, d->mouseActions[1].actionIndex);
  EXPECT_EQ(0x400u, d->mouseActions[1].whereBits);
  EXPECT_EQ(0x209u, d->mouseActions[1].event);
  EXPECT_EQ(84, d->mouseActions[2].actionIndex);
  EXPECT_EQ(0x806Eu, d->mouseActions[2].event);
  EXPECT_EQ(0, d->notifyButtonUp);
  EXPECT_EQ(0, d->lastButtonMsg);
  EXPECT_EQ(env.tick, d->lastClickTick);
  EXPECT_EQ(env.tick, d->lastButtonMsgTick);
}

TEST(ApplyDllData, WordsPastTheActionsOnlySwitchOnButtonUps)
{
  FakeHookEnv env;
  auto d = NewSharedHookData();
  UINT32 where[kMouseSettingCount] = {};
  where[85] = 0x1;
  where[90] = 0x1;
  ApplyDllData(d.get(), DLLDATA_MOUSE, where, nullptr);
  EXPECT_EQ(0, d->mouseActionCount);
  EXPECT_EQ(1, d->notifyButtonUp);

  // A new array replaces the old list and the notice.
  UINT32 again[kMouseSettingCount] = {};
  again[3] = 0x1;
  ApplyDllData(d.get(), DLLDATA_MOUSE, again, nullptr);
  EXPECT_EQ(1, d->mouseActionCount);
  EXPECT_EQ(0, d->notifyButtonUp);
}

TEST(ApplyDllData, CircleSettingsResetTheTrackers)
{
  FakeHookEnv env;
  auto d = NewSharedHookData();
  UINT32 where[kMouseSettingCount] = {};
  where[1] = 0x1;
  ApplyDllData(d.get(), DLLDATA_MOUSE, where, nullptr);
  d->circleTrackers[0].state = 3;
  d->circleTrackers[1].steps = 2;
  CircleGestureSettings c[2] = {{0, 4, 200, 20, 1, 2}, {7, 5, 150, 30, 3, 4}};
  ApplyDllData(d.get(), DLLDATA_MOUSE, nullptr, c);
  EXPECT_EQ(2u, d->circleEnables);
  EXPECT_EQ(0, memcmp(c, d->circleSettings, sizeof(c)));
  EXPECT_EQ(0, d->circleTrackers[0].state);
  EXPECT_EQ(0, d->circleTrackers[1].steps);
  EXPECT_EQ(env.tick, d->circleProgressTick);
  EXPECT_EQ(env.tick, d->lastMoveTick);
  EXPECT_EQ(1, d->mouseActionCount) << "a null action array keeps the actions";
}

TEST(ApplyDllData, HotKeyRowsKeepTheLowWordOfTheCode)
{
  FakeHookEnv env;
  auto d = NewSharedHookData();
  HotKeyEntry rows[3] = {{0x64B, 0xFFFF, 0}, {0x71241, 2, 5}, {0x85B, 0x8001, 3}};
  ApplyDllData(d.get(), DLLDATA_HOTKEYS, (void*)(INT_PTR)2, rows);
  EXPECT_EQ(2, d->hotKeyLast);
  EXPECT_EQ(0x64B, d->hotKeys[0]);
  EXPECT_EQ(0x1241, d->hotKeys[1]);
  EXPECT_EQ(0x85B, d->hotKeys[2]);

  ApplyDllData(d.get(), DLLDATA_HOTKEYS, (void*)(INT_PTR)1, nullptr);
  EXPECT_EQ(2, d->hotKeyLast) << "no rows: nothing changes";
  ApplyDllData(d.get(), DLLDATA_HOTKEYS, (void*)(INT_PTR)-1, rows);
  EXPECT_EQ(-1, d->hotKeyLast);
}

TEST(ApplyDllData, HotKeyCountIsClampedToTheTable)
{
  // A count past the table must not spill into the admin ring behind it.
  FakeHookEnv env;
  auto d = NewSharedHookData();
  for (AdminRequest& r : d->adminRing)
    r = {ADMINREQ_WINDOWOP, 0x77, 5};
  std::vector<HotKeyEntry> rows(5000);
  for (size_t i = 0; i < rows.size(); i++)
    rows[i].code = 0x100 + (int)(i % 0xE00);
  ApplyDllData(d.get(), DLLDATA_HOTKEYS, (void*)(INT_PTR)4999, rows.data());
  EXPECT_EQ(kHotKeySlots - 1, d->hotKeyLast);
  EXPECT_EQ(rows[kHotKeySlots - 1].code, d->hotKeys[kHotKeySlots - 1]);
  for (int i = 0; i < kAdminRingSize; i++) {
    ASSERT_EQ(ADMINREQ_WINDOWOP, d->adminRing[i].kind) << i;
    ASSERT_EQ(0x77, d->adminRing[i].a) << i;
  }
}

TEST(ApplyDllData, OptionWordsAndEdgeMargins)
{
  FakeHookEnv env;
  auto d = NewSharedHookData();
  UINT32 words[kOptionWordCount] = {};
  words[0] = 0x20000 | 0x1;
  words[10] = 0xC9 | 0x4000 | 0x10000;
  EdgeMargins m = {};
  for (int i = 0; i < 8; i++)
    m.type[i] = {i + 1, 10 * i};
  ApplyDllData(d.get(), DLLDATA_OPTIONS, words, &m);
  EXPECT_EQ(1, d->holdBackClicks);
  EXPECT_EQ(words[10], d->circleCancelButtons);
  EXPECT_EQ(0, memcmp(&m, &d->edgeMargins, sizeof(m)));

  words[0] = ~0x20000u;
  ApplyDllData(d.get(), DLLDATA_OPTIONS, words, nullptr);
  EXPECT_EQ(0, d->holdBackClicks);
  EXPECT_EQ(7, d->edgeMargins.type[6].cx) << "null margins keep the old ones";
}

TEST(ApplyDllData, SuspendFlags)
{
  FakeHookEnv env;
  auto d = NewSharedHookData();
  ApplyDllData(d.get(), DLLDATA_SUSPEND, (void*)(UINT_PTR)0x1A, nullptr);
  EXPECT_EQ(0x1Au, d->suspendFlags);
  ApplyDllData(d.get(), DLLDATA_SUSPEND, nullptr, nullptr);
  EXPECT_EQ(0u, d->suspendFlags);
}

TEST(ApplyDllData, MonitorRectangles)
{
  FakeHookEnv env;
  std::vector<RECT> rects(70);
  for (int i = 0; i < 70; i++)
    rects[i] = {i * 100, 0, i * 100 + 100, 50};
  struct Case {
    int count;
    bool withArray;
    int expected;
  } cases[] = {
      {2, true, 2}, {70, true, kMaxMonitors}, {0, true, 3}, {-5, true, 3}, {4, false, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    auto d = NewSharedHookData();
    RECT old[3] = {{1, 1, 2, 2}, {3, 3, 4, 4}, {5, 5, 6, 6}};
    ApplyDllData(d.get(), DLLDATA_MONITORS, (void*)(INT_PTR)3, old);
    ApplyDllData(d.get(), DLLDATA_MONITORS, (void*)(INT_PTR)c.count,
                 c.withArray ? rects.data() : nullptr);
    EXPECT_EQ(c.expected, d->monitorCount);
    const RECT* want = c.expected == 3 ? old : rects.data();
    EXPECT_EQ(0, memcmp(want, d->monitors, c.expected * sizeof(RECT)));
  }
}

TEST(ApplyDllData, UnknownKindsChangeNothing)
{
  FakeHookEnv env;
  auto d = NewSharedHookData();
  auto before = NewSharedHookData();
  UINT32 words[kMouseSettingCount];
  memset(words, 0x5A, sizeof(words));
  for (int kind : {0, 6, -1, 100})
    ApplyDllData(d.get(), kind, words, words);
  EXPECT_EQ(0, memcmp(before.get(), d.get(), sizeof(SharedHookData)));
}

}  // namespace
