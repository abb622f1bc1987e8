// The search worker over a real item store: what it lists, that it searches
// its own copy of the text, that it stops when asked and before the store
// changes, and that listed names outlive the buttons they came from.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/dialoghelpers.h"
#include "core/hookbind.h"
#include "state.h"
#include "store/items.h"
#include "store/lists.h"
#include "store/outlets.h"
#include "submenu/search.h"
#include "support/test_support.h"

namespace {

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearItemStore();
    g_StoreOutlets = StoreOutlets{};
    g_StoreOutlets.StopSearch = PauseSearchForStoreChange;
    saved_ = g_DialogSeams.MessageBoxFn;
    g_DialogSeams.MessageBoxFn = [](HWND, int, const wchar_t*, const wchar_t*, UINT) { return IDOK; };
    g_App.Settings = SettingsState();
    for (ViewModeDesign& d : g_App.Design.ViewMode) {
      d.Flag = 0;
      d.ButtonNumX = 10;
      d.ButtonNumY = 10;
    }
    notify_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    StopSearchWorker();
    FreeSearchResults(&shown_);
    DestroyWindow(notify_);
    ClearItemStore();
    g_StoreOutlets = StoreOutlets{};
    g_DialogSeams.MessageBoxFn = saved_;
  }
  ButtonInfo* Add(int list, const wchar_t* name, int column = 0, int row = 0, const wchar_t* tip = nullptr,
                  UINT type = 1) {
    NewButtonTemplate t{};
    t.Button.Type = type;
    t.Button.Name = StoreDupString(name);
    t.Button.Tip = tip ? StoreDupString(tip) : nullptr;
    t.Button.Position[0] = t.Button.Position[1] = ItemPos{column, row};
    t.Control = NBT_KEEP_FIELDS;
    return AddButton(&t, list);
  }
  int Menu(int page, const wchar_t* name) { return LIST_SUBMENU | Add(page, name, 9, 9, nullptr, IT_CHILDMENU)->SubMenuIdx; }
  std::vector<std::wstring> Collect(const wchar_t* text, int withTips = 0, int vertical = 0) {
    SearchResults r{};
    EXPECT_EQ(1, CollectSearchResults(text, withTips, 0, vertical, nullptr, &r));
    std::vector<std::wstring> names;
    for (int i = 0; i < r.Count; i++) names.push_back(r.Items[i]->Name);
    FreeSearchResults(&r);
    return names;
  }
  // Waits for the worker's message, then takes its set on this thread.
  int WaitForResults(DWORD ms = 5000) {
    DWORD start = GetTickCount();
    MSG m;
    while (GetTickCount() - start < ms) {
      while (PeekMessageW(&m, notify_, 0, 0, PM_REMOVE))
        if (m.message == WMA_WORKERDONE) return TakeSearchResults(&shown_);
      Sleep(1);
    }
    return 0;
  }
  // Many pages of many buttons, so that a scan takes a while.
  void MakeLargeStore() {
    for (int p = 0; p < 60; p++) {
      AddPage((L"P" + std::to_wstring(p)).c_str());
      for (int i = 0; i < 400; i++) Add(p, (L"item " + std::to_wstring(p) + L"." + std::to_wstring(i)).c_str(), i % 20, i / 20);
    }
  }

  HWND notify_ = nullptr;
  SearchResults shown_{};
  int (*saved_)(HWND, int, const wchar_t*, const wchar_t*, UINT) = nullptr;
};

TEST_F(SearchTest, ListsPagesAndChildMenusInOffsetGridAndScanOrder) {
  AddPage(L"one");
  AddPage(L"two");
  Add(0, L"Note later", 3, 0);
  Add(0, L"Notes", 1, 1);   // same offset, later row
  Add(0, L"my note", 0, 0);  // offset 3
  Add(0, L"NOTE first", 2, 0);
  Add(1, L"notebook", 0, 0);
  int m = Menu(0, L"Menu");
  Add(m, L"note in menu");
  Add(m, L"Calc");
  Add(1, L"Editor", 1, 0, L"takes notes");
  const std::vector<std::wstring> expected = {L"NOTE first", L"Note later", L"Notes", L"notebook", L"note in menu",
                                              L"my note"};
  EXPECT_EQ(expected, Collect(L"note"));
  std::vector<std::wstring> withTips = Collect(L"note", 1);
  EXPECT_EQ(7u, withTips.size());
  EXPECT_EQ(L"Editor", withTips.back()) << "found at offset 6 of its tip";
  // Columns first: (2,0) and (3,0) now come after (1,1).
  const std::vector<std::wstring> vertical = {L"Notes", L"NOTE first", L"Note later", L"notebook", L"note in menu",
                                              L"my note"};
  EXPECT_EQ(vertical, Collect(L"note", 0, 1));
  EXPECT_TRUE(Collect(L"").empty()) << "an empty text lists nothing";
  EXPECT_TRUE(Collect(L"zzz").empty());
}

TEST_F(SearchTest, ResultsHoldCopiesAndCheckTheirButtonOnUse) {
  AddPage(L"one");
  AddPage(L"two");
  ButtonInfo* b = Add(1, L"Paint");
  SearchResults r{};
  ASSERT_EQ(1, CollectSearchResults(L"pa", 0, 0, 0, nullptr, &r));
  ASSERT_EQ(1, r.Count);
  EXPECT_NE(b->Name, r.Items[0]->Name);
  EXPECT_EQ(b, SearchResultButton(r.Items[0]));

  // Another button in the same slot is not the listed one.
  g_App.Store.CurrentPage = 1;
  DeletePage();
  EXPECT_EQ(nullptr, SearchResultButton(r.Items[0]));
  EXPECT_STREQ(L"Paint", r.Items[0]->Name);
  AddPage(L"again");
  Add(1, L"Other");
  EXPECT_EQ(nullptr, SearchResultButton(r.Items[0]));
  FreeSearchResults(&r);
}

TEST_F(SearchTest, CancelledScanGivesNothing) {
  AddPage(L"one");
  Add(0, L"abc");
  volatile LONG cancel = 1;
  SearchResults r{};
  EXPECT_EQ(0, CollectSearchResults(L"a", 0, 0, 0, &cancel, &r));
  EXPECT_EQ(nullptr, r.Heap);
  EXPECT_EQ(0, r.Count);
}

TEST_F(SearchTest, StartDelayAllowsOneStartPer20Ms) {
  struct Case {
    DWORD Now, Last, Delay;
  } cases[] = {{1000, 1000, 20}, {1005, 1000, 15}, {1019, 1000, 1}, {1020, 1000, 0}, {5000, 1000, 0},
               {4, 0xFFFFFFF0u, 0}, {2, 0xFFFFFFF0u, 2}};  // across the tick count's wrap
  for (const Case& c : cases) EXPECT_EQ(c.Delay, SearchStartDelay(c.Now, c.Last)) << c.Now << " " << c.Last;
}

TEST_F(SearchTest, WorkerSearchesItsOwnCopyAndPublishesOnTheCallersThread) {
  AddPage(L"one");
  Add(0, L"alpha");
  Add(0, L"beta");
  wchar_t text[8] = L"alp";
  ASSERT_EQ(1, StartSearchWorker(text, notify_));
  lstrcpyW(text, L"bet");  // the caller's buffer changes at once
  ASSERT_EQ(1, WaitForResults());
  ASSERT_EQ(1, shown_.Count);
  EXPECT_STREQ(L"alpha", shown_.Items[0]->Name);
  EXPECT_EQ(0, SearchWorkerRunning());

  ASSERT_EQ(1, StartSearchWorker(L"a", notify_));
  ASSERT_EQ(1, WaitForResults());
  EXPECT_EQ(2, shown_.Count) << "the new set replaces the old";
}

TEST_F(SearchTest, NewStartCancelsTheRunningScan) {
  MakeLargeStore();
  ASSERT_EQ(1, StartSearchWorker(L"item", notify_));
  ASSERT_EQ(1, StartSearchWorker(L"59.399", notify_));
  ASSERT_EQ(1, WaitForResults());
  ASSERT_EQ(1, shown_.Count);
  EXPECT_STREQ(L"item 59.399", shown_.Items[0]->Name);
  MSG m;
  EXPECT_FALSE(PeekMessageW(&m, notify_, WMA_WORKERDONE, WMA_WORKERDONE, PM_REMOVE)) << "only the last run reports";
}

TEST_F(SearchTest, StoreChangeDuringAScanStopsItAndAsksForANewOne) {
  MakeLargeStore();
  for (int round = 0; round < 5; round++) {
    ASSERT_EQ(1, StartSearchWorker(L"item", notify_));
    g_App.Store.CurrentPage = 0;
    ASSERT_EQ(1, DeletePage());  // frees buttons the worker may be reading
    EXPECT_EQ(0, SearchWorkerRunning());
    MSG m;
    int research = 0, done = 0;
    while (PeekMessageW(&m, notify_, 0, 0, PM_REMOVE)) {
      research += m.message == WMA_RESEARCH;
      done += m.message == WMA_WORKERDONE;
    }
    EXPECT_EQ(1, research + done) << "a cut scan is run again; a finished one is shown";
    if (done) {
      ASSERT_EQ(1, TakeSearchResults(&shown_));
      for (int i = 0; i < shown_.Count; i++) {
        ASSERT_EQ(0, wcsncmp(shown_.Items[i]->Name, L"item ", 5));  // copies, still readable
        ButtonInfo* b = SearchResultButton(shown_.Items[i]);
        if (b) {
          ASSERT_STREQ(shown_.Items[i]->Name, b->Name);
        }
      }
    }
  }
  // The next search sees the store as it is now.
  ASSERT_EQ(1, StartSearchWorker(L"item 0.", notify_));
  ASSERT_EQ(1, WaitForResults());
  EXPECT_EQ(0, shown_.Count);
}

}  // namespace
