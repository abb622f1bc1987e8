// The hot-key table of buttons and what the hook library is sent.
#include "store/hotkeys.h"
#include "store/lists.h"
#include "store_fixture.h"

namespace {

class HotKeyTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    MakePages(2);
    for (int i = 0; i < 4; i++) Add(0, "b", i, 0);
  }
  HotKeyTable& T() { return S().Refs.HotKeys; }
};

TEST_F(HotKeyTest, AddChangeRemove) {
  EXPECT_EQ(1, SetHotKey(0x241, 0, 0, 1));
  EXPECT_EQ(1, SetHotKey(0x242, 0, 1, 1));
  EXPECT_EQ(1, SetHotKey(0x243, 0, 2, 1));
  EXPECT_EQ(3, T().Count);
  EXPECT_EQ(3, g_Log.Count("DllData 2"));
  g_Log.Calls.clear();

  EXPECT_EQ(0, SetHotKey(0x242, 0, 1, 1));  // unchanged
  EXPECT_EQ(1, SetHotKey(0x242, 0, 3, 1));  // another button: in place, nothing sent
  EXPECT_EQ(3, T().Rows[2].Index);
  EXPECT_FALSE(g_Log.Has("DllData"));

  EXPECT_EQ(1, SetHotKey(0x241, 0, 0, 0));  // row 1 of 3
  EXPECT_EQ(2, T().Count);
  EXPECT_EQ(0x242, T().Rows[1].Code);
  EXPECT_EQ(0x243, T().Rows[2].Code);
  EXPECT_EQ(1, g_Log.Count("DllData 2 2"));
  EXPECT_EQ(0, SetHotKey(0x241, 0, 0, 0));  // not there
}

TEST_F(HotKeyTest, PressCountsMakeDifferentCodes) {
  EXPECT_EQ(1, SetHotKey(0x0241, 0, 0, 1));
  EXPECT_EQ(1, SetHotKey(0x1241, 0, 1, 1));  // pressed twice
  EXPECT_EQ(2, T().Count);
  EXPECT_EQ(1, SetHotKey(0x1241, 0, 1, 0));
  EXPECT_EQ(0x0241, T().Rows[1].Code);
}

TEST_F(HotKeyTest, RowZeroIsNeverTouched) {
  ASSERT_EQ(1, ResizeHotKeyTable(0));
  T().Rows[0] = HotKeyEntry{0x70, 1, 0};
  EXPECT_EQ(0, SetHotKey(0x70, 0, 0, 0));
  EXPECT_EQ(1, SetHotKey(0x70, 0, 0, 1));  // a button may use the same code
  EXPECT_EQ(0x70, T().Rows[0].Code);
  EXPECT_EQ(1, T().Rows[0].List);
  EXPECT_EQ(1, T().Count);
}

TEST_F(HotKeyTest, FullTableRefusesSilently) {
  for (int i = 0; i < kMaxHotKeys; i++) ASSERT_EQ(1, SetHotKey(0x1000 | i, 0, i % 4, 1)) << i;
  g_Log.Calls.clear();
  EXPECT_EQ(0, SetHotKey(0x7FF, 0, 0, 1));
  EXPECT_EQ(kMaxHotKeys, T().Count);
  EXPECT_TRUE(g_Log.Calls.empty());
}

TEST_F(HotKeyTest, GrowFailureShows654) {
  g_Log.FailAfter = 0;
  EXPECT_EQ(0, SetHotKey(0x41, 0, 0, 1));
  g_Log.FailAfter = -1;
  EXPECT_EQ(0, T().Count);
  EXPECT_EQ(1, g_Log.Count("Msg 654 16"));
  EXPECT_FALSE(g_Log.Has("DllData"));
}

}  // namespace
