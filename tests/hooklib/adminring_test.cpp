#include "hooklib/adminring.h"
#include "hooklib/fake_env.h"
#include <gtest/gtest.h>
#include <process.h>

namespace {

const INT_PTR kWnd = 0x10040;

struct Taken {
  BOOL ok;
  int kind;
  INT_PTR a, b;
};

Taken Take(SharedHookData* d)
{
  Taken t = {FALSE, -7, -7, -7};
  t.ok = GetAdminRequest(d, &t.kind, &t.a, &t.b);
  return t;
}

TEST(AdminRing, FullRingDropsTheRequest)
{
  auto d = NewSharedHookData();
  for (int i = 0; i < kAdminRingSize; i++)
    EXPECT_EQ((i + 1) % kAdminRingSize, SetAdminRequest(d.get(), ADMINREQ_WINDOWOP, kWnd + i, i % 10));
  EXPECT_EQ(kAdminRingSize, d->adminCount);
  EXPECT_EQ(0, SetAdminRequest(d.get(), ADMINREQ_PRIORITY, HIGH_PRIORITY_CLASS, 0));
  EXPECT_EQ(kAdminRingSize, d->adminCount);
  for (int i = 0; i < kAdminRingSize; i++) {
    Taken t = Take(d.get());
    ASSERT_TRUE(t.ok) << i;
    ASSERT_EQ(kWnd + i, t.a) << i;
  }
  Taken t = Take(d.get());
  EXPECT_FALSE(t.ok) << "the dropped request never arrives";
}

TEST(AdminRing, OrderSurvivesTheWrapAround)
{
  auto d = NewSharedHookData();
  for (int i = 0; i < 1000; i++)
    SetAdminRequest(d.get(), ADMINREQ_MOUSEHOOK, 1, 0);
  for (int i = 0; i < 1000; i++)
    ASSERT_TRUE(Take(d.get()).ok);
  ASSERT_EQ(1000, d->adminWriteIndex);
  for (int i = 0; i < 60; i++)
    SetAdminRequest(d.get(), ADMINREQ_WINDOWOP, kWnd + i, 3);
  EXPECT_EQ(36, d->adminWriteIndex);
  for (int i = 0; i < 60; i++) {
    Taken t = Take(d.get());
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(ADMINREQ_WINDOWOP, t.kind);
    EXPECT_EQ(kWnd + i, t.a);
    EXPECT_EQ(3, t.b);
  }
}

TEST(AdminRing, EmptyRingClearsTheOutputs)
{
  auto d = NewSharedHookData();
  Taken t = Take(d.get());
  EXPECT_FALSE(t.ok);
  EXPECT_EQ(0, t.kind);
  EXPECT_EQ(0, t.a);
  EXPECT_EQ(0, t.b);
}

TEST(AdminRing, ClearEmptiesOneSlotOnly)
{
  auto d = NewSharedHookData();
  SetAdminRequest(d.get(), ADMINREQ_WINDOWOP, kWnd, 1);
  SetAdminRequest(d.get(), ADMINREQ_WINDOWOP, kWnd + 1, 2);
  EXPECT_TRUE(ClearAdminRequest(d.get(), -1));
  EXPECT_TRUE(ClearAdminRequest(d.get(), kAdminRingSize));
  EXPECT_EQ(kWnd, d->adminRing[0].a);
  EXPECT_TRUE(ClearAdminRequest(d.get(), 0));
  EXPECT_EQ(0, d->adminRing[0].kind);
  EXPECT_EQ(2, d->adminCount);
  EXPECT_EQ(2, d->adminWriteIndex);
  // The emptied slot is passed over; the next request comes out.
  Taken t = Take(d.get());
  ASSERT_TRUE(t.ok);
  EXPECT_EQ(kWnd + 1, t.a);
  EXPECT_EQ(0, d->adminCount);
}

TEST(AdminRing, RequestValidation)
{
  struct Case {
    int kind;
    INT_PTR a, b;
    bool valid;
  } cases[] = {
      {ADMINREQ_MOUSEHOOK, 1, 0, true},
      {ADMINREQ_MOUSEHOOK, 0, 0, true},
      {ADMINREQ_MOUSEHOOK, 2, 0, false},
      {ADMINREQ_KEYBOARDHOOK, 1, 0, true},
      {ADMINREQ_KEYBOARDHOOK, -1, 0, false},
      {ADMINREQ_PRIORITY, HIGH_PRIORITY_CLASS, 0, true},
      {ADMINREQ_PRIORITY, IDLE_PRIORITY_CLASS, 0, true},
      {ADMINREQ_PRIORITY, 0, 0, false},
      {ADMINREQ_PRIORITY, 0xC1E0, 0, false},
      {ADMINREQ_WINDOWOP, kWnd, 0, true},
      {ADMINREQ_WINDOWOP, kWnd, 9, true},
      {ADMINREQ_WINDOWOP, kWnd, 10, false},
      {ADMINREQ_WINDOWOP, kWnd, -1, false},
      {ADMINREQ_WINDOWOP, 0, 1, false},
      {0, 0, 0, false},
      {5, 1, 0, false},
      {-3, 1, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << " " << c.a << " " << c.b);
    EXPECT_EQ(c.valid, IsValidAdminRequest(c.kind, c.a, c.b));
    // Set refuses what Get would drop.
    auto d = NewSharedHookData();
    SetAdminRequest(d.get(), c.kind, c.a, c.b);
    EXPECT_EQ(c.valid ? 1 : 0, d->adminCount);
  }
}

TEST(AdminRing, GetDropsRequestsWrittenBadlyByOtherProcesses)
{
  // Another process can write the section directly: whatever it put there
  // must not reach the helper unless it is a request the helper may obey.
  auto d = NewSharedHookData();
  AdminRequest raw[] = {
      {9, kWnd, 1},
      {ADMINREQ_WINDOWOP, kWnd, 42},
      {ADMINREQ_WINDOWOP, kWnd, 7},
      {ADMINREQ_PRIORITY, 0x12345, 0},
      {ADMINREQ_KEYBOARDHOOK, 0, 0},
  };
  for (int i = 0; i < 5; i++)
    d->adminRing[i] = raw[i];
  d->adminCount = 5;
  d->adminWriteIndex = 5;
  Taken t = Take(d.get());
  ASSERT_TRUE(t.ok);
  EXPECT_EQ(ADMINREQ_WINDOWOP, t.kind);
  EXPECT_EQ(7, t.b);
  t = Take(d.get());
  ASSERT_TRUE(t.ok);
  EXPECT_EQ(ADMINREQ_KEYBOARDHOOK, t.kind);
  EXPECT_FALSE(Take(d.get()).ok);
  EXPECT_EQ(0, d->adminCount);
}

TEST(AdminRing, IndexesOutOfRangeEmptyTheRing)
{
  struct Case {
    int writeIndex, count;
  } cases[] = {{5000, 1}, {-1, 0}, {3, 1025}, {3, -4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.writeIndex << " " << c.count);
    auto d = NewSharedHookData();
    d->adminRing[2] = {ADMINREQ_MOUSEHOOK, 1, 0};
    d->adminWriteIndex = c.writeIndex;
    d->adminCount = c.count;
    EXPECT_FALSE(Take(d.get()).ok);
    EXPECT_EQ(0, d->adminCount);
    EXPECT_EQ(1, SetAdminRequest(d.get(), ADMINREQ_MOUSEHOOK, 0, 0));
    Taken t = Take(d.get());
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(0, t.a);
  }
}

// Holds the admin mutex from another thread until told to let go (or, with
// abandon, ends without releasing it).
struct MutexHolder {
  HANDLE taken = CreateEventW(NULL, TRUE, FALSE, NULL);
  HANDLE release = CreateEventW(NULL, TRUE, FALSE, NULL);
  HANDLE thread = NULL;
  bool abandon = false;

  explicit MutexHolder(bool abandonIt) : abandon(abandonIt)
  {
    thread = (HANDLE)_beginthreadex(NULL, 0, Run, this, 0, NULL);
    WaitForSingleObject(taken, 5000);
    if (abandon)
      WaitForSingleObject(thread, 5000);
  }
  ~MutexHolder()
  {
    SetEvent(release);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    CloseHandle(taken);
    CloseHandle(release);
  }
  static unsigned __stdcall Run(void* p)
  {
    MutexHolder* self = (MutexHolder*)p;
    HANDLE m = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, VN_ADMINREQ_MUTEX);
    WaitForSingleObject(m, INFINITE);
    SetEvent(self->taken);
    if (!self->abandon) {
      WaitForSingleObject(self->release, 10000);
      ReleaseMutex(m);
    }
    CloseHandle(m);
    return 0;
  }
};

TEST(AdminRing, BusyMutexSkipsTheWorkAfter100Ms)
{
  auto d = NewSharedHookData();
  ASSERT_NE(nullptr, AdminMutexHandle());
  SetAdminRequest(d.get(), ADMINREQ_MOUSEHOOK, 1, 0);
  {
    MutexHolder holder(false);
    DWORD start = GetTickCount();
    EXPECT_EQ(1, SetAdminRequest(d.get(), ADMINREQ_KEYBOARDHOOK, 1, 0));
    DWORD waited = GetTickCount() - start;
    EXPECT_GE(waited, 80u);
    EXPECT_LT(waited, 2000u);
    EXPECT_EQ(1, d->adminCount);
    Taken t = Take(d.get());
    EXPECT_FALSE(t.ok);
    EXPECT_EQ(-7, t.kind) << "outputs stay untouched after a time-out";
    EXPECT_EQ(-7, t.a);
    EXPECT_FALSE(ClearAdminRequest(d.get(), 0));
    EXPECT_EQ(1, d->adminRing[0].kind);
  }
  Taken t = Take(d.get());
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(ADMINREQ_MOUSEHOOK, t.kind);
}

TEST(AdminRing, AbandonedMutexCountsAsOwned)
{
  auto d = NewSharedHookData();
  ASSERT_NE(nullptr, AdminMutexHandle());
  MutexHolder holder(true);
  EXPECT_EQ(1, SetAdminRequest(d.get(), ADMINREQ_WINDOWOP, kWnd, 4));
  Taken t = Take(d.get());
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(4, t.b);
}

TEST(AdminRing, EachProcessKeepsItsOwnMutexHandle)
{
  HANDLE h = AdminMutexHandle();
  ASSERT_NE(nullptr, h);
  EXPECT_EQ(h, AdminMutexHandle());
  // The handle keeps the named mutex alive on its own.
  HANDLE byName = OpenMutexW(SYNCHRONIZE, FALSE, VN_ADMINREQ_MUTEX);
  ASSERT_NE(nullptr, byName);
  CloseHandle(byName);
  CloseAdminMutex();
  byName = OpenMutexW(SYNCHRONIZE, FALSE, VN_ADMINREQ_MUTEX);
  EXPECT_EQ(nullptr, byName) << "no other process holds it in this test run";
  if (byName)
    CloseHandle(byName);
  // The next ring call opens it again.
  auto d = NewSharedHookData();
  EXPECT_EQ(1, SetAdminRequest(d.get(), ADMINREQ_MOUSEHOOK, 1, 0));
  EXPECT_NE(nullptr, AdminMutexHandle());
}

}  // namespace
