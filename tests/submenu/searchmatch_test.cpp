// What a search text finds and the order of the hits; the fast order must
// equal placing the hits one by one as they are scanned.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "store/items.h"
#include "submenu/searchmatch.h"

namespace {

struct FindCase {
  const wchar_t* Field;
  const wchar_t* Text;
  int Offset;
};

TEST(SearchMatch, FindsFirstOccurrenceFoldingCaseOnly) {
  const FindCase cases[] = {
      {L"Notepad", L"note", 0},
      {L"Notepad", L"PAD", 4},
      {L"notepad", L"NotePad", 0},
      {L"abcabc", L"bc", 1},           // first of two occurrences
      {L"aab", L"ab", 1},              // restart after a partial match
      {L"Café Noir", L"CAFÉ", 0},      // accented letters fold by case
      {L"ÉCOLE", L"école", 0},
      {L"Cafe", L"café", -1},          // accents are not dropped
      {L"Café", L"cafe", -1},
      {L"Straße", L"STRASSE", -1},     // no expansion of letters
      {L"Ωmega", L"ωM", 0},            // Greek case folds too
      {L"Word", L"Words", -1},         // text longer than the rest
      {L"Word", L"rd", 2},             // match at the very end
      {L"Word", L"x", -1},
      {L"Word", L"", -1},              // empty text finds nothing
      {L"", L"a", -1},
      {nullptr, L"a", -1},
      {L"a", nullptr, -1},
  };
  for (const FindCase& c : cases)
    EXPECT_EQ(c.Offset, FindSearchText(c.Field, c.Text)) << (c.Field ? c.Field : L"(null)") << " / "
                                                          << (c.Text ? c.Text : L"(null)");
}

struct ButtonCase {
  const wchar_t* Name;
  const wchar_t* Tip;
  int WithTips;
  int Offset;
};

TEST(SearchMatch, TipsCountOnlyWithTheOptionAndOnlyWhenTheNameMisses) {
  const ButtonCase cases[] = {
      {L"Editor", L"writes text", 0, -1},  // tip alone, option off
      {L"Editor", L"writes text", 1, 7},   // offset within the tip
      {L"Text editor", L"writes text", 1, 0},  // the name wins
      {L"Editor", nullptr, 1, -1},
      {nullptr, L"text", 1, 0},
      {L"Editor", L"", 1, -1},
  };
  for (const ButtonCase& c : cases)
    EXPECT_EQ(c.Offset, MatchSearchButton(c.Name, c.Tip, L"TEXT", c.WithTips))
        << (c.Name ? c.Name : L"(null)") << " tips " << c.WithTips;
  EXPECT_EQ(-1, MatchSearchButton(L"Editor", L"writes text", L"", 1));
}

TEST(SearchMatch, GridPositionRunsAlongRowsOrColumns) {
  // Row-wise: cell (col 5, row 0) comes before (col 0, row 1); column-wise the reverse.
  EXPECT_LT(SearchGridPosition(5, 0, 0), SearchGridPosition(0, 1, 0));
  EXPECT_GT(SearchGridPosition(5, 0, 1), SearchGridPosition(0, 1, 1));
  EXPECT_EQ(2 * 65535 + 3, SearchGridPosition(3, 2, 0));
  EXPECT_EQ(3 * 65535 + 2, SearchGridPosition(3, 2, 1));
}

// Placing each hit before the first placed one with a larger offset, or
// with the same offset on its own page and a later cell.
std::vector<SearchHit> PlaceOneByOne(const std::vector<SearchHit>& scan) {
  std::vector<SearchHit> out;
  for (const SearchHit& h : scan) {
    size_t at = out.size();
    for (size_t i = 0; i < out.size(); i++) {
      const SearchHit& e = out[i];
      if (e.Offset > h.Offset ||
          (e.Offset == h.Offset && e.List == h.List && !(h.List & LIST_SUBMENU) && e.Grid > h.Grid)) {
        at = i;
        break;
      }
    }
    out.insert(out.begin() + (long)at, h);
  }
  return out;
}

std::vector<int> Indices(const std::vector<SearchHit>& hits) {
  std::vector<int> r;
  for (const SearchHit& h : hits) r.push_back(h.List * 1000 + h.Index);
  return r;
}

struct OrderCase {
  const char* What;
  std::vector<SearchHit> Scan;
  std::vector<int> Expected;  // List * 1000 + Index
};

TEST(SearchMatch, OrdersByOffsetThenGridOnOnePageThenScan) {
  const int M = LIST_SUBMENU;
  const OrderCase cases[] = {
      {"offset first", {{0, 0, 3, 0}, {0, 1, 0, 9}, {1, 0, 1, 0}}, {1, 1000, 0}},
      {"same page by grid", {{0, 0, 0, 70000}, {0, 1, 0, 5}, {0, 2, 0, 65535}}, {1, 2, 0}},
      {"pages keep scan order", {{1, 0, 0, 9}, {2, 0, 0, 1}}, {1000, 2000}},
      {"page before child menu", {{0, 0, 0, 99}, {M, 0, 0, 0}}, {0, M * 1000}},
      {"child menus ignore grid", {{M, 0, 0, 9}, {M, 1, 0, 1}}, {M * 1000, M * 1000 + 1}},
      {"equal cells keep scan order", {{0, 4, 0, 7}, {0, 2, 0, 7}}, {4, 2}},
      {"child hit with smaller offset first", {{0, 0, 2, 0}, {M | 3, 0, 1, 0}}, {(M | 3) * 1000, 0}},
      {"empty", {}, {}},
  };
  for (const OrderCase& c : cases) {
    std::vector<SearchHit> hits = c.Scan;
    OrderSearchHits(hits.data(), (int)hits.size());
    EXPECT_EQ(c.Expected, Indices(hits)) << c.What;
    EXPECT_EQ(Indices(PlaceOneByOne(c.Scan)), Indices(hits)) << c.What;
  }
}

TEST(SearchMatch, SortEqualsOneByOnePlacementOnManyHits) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; round++) {
    std::vector<SearchHit> scan;
    for (int p = 0; p < 4; p++)
      for (int i = 0; i < 12; i++)
        if (rng() % 2) scan.push_back({p, i, (int)(rng() % 3), (int)(rng() % 6)});
    for (int m = 0; m < 3; m++)
      for (int i = 0; i < 8; i++)
        if (rng() % 2) scan.push_back({LIST_SUBMENU | m, i, (int)(rng() % 3), (int)(rng() % 6)});
    std::vector<SearchHit> hits = scan;
    OrderSearchHits(hits.data(), (int)hits.size());
    ASSERT_EQ(Indices(PlaceOneByOne(scan)), Indices(hits)) << "round " << round;
  }
}

}  // namespace
