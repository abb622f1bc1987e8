// The option string and the name patterns, from tables.
#include <gtest/gtest.h>

#include "submenu/options.h"

namespace {

const SubMenuDefaults kDefaults = {50, 200, 0, 3, 16, 3, 0};

struct OptionCase {
  const wchar_t* Text;
  int CountLimit, ItemWidth, Rows, Columns, IconSize;
  UINT Bits;
};

TEST(SubMenuOptionString, NumbersAreClampedAndFallBack) {
  const OptionCase cases[] = {
      {nullptr, 50, 200, 0, 3, 16, SMO_BY_NAME},
      {L"", 50, 200, 0, 3, 16, SMO_BY_NAME},
      {L"/max20000", 10000, 200, 0, 3, 16, SMO_BY_NAME},
      {L"/max-5", 0, 200, 0, 3, 16, SMO_BY_NAME},
      {L"/MAX 7", 7, 200, 0, 3, 16, SMO_BY_NAME},  // any case, blanks before the digits
      {L"/c0", 50, 200, 0, 3, 16, SMO_BY_NAME},    // 0 columns: the setting
      {L"/c500 /r-1", 50, 200, 0, 100, 16, SMO_BY_NAME},
      {L"/r4 /c3", 50, 200, 4, 3, 16, SMO_BY_NAME},
      {L"/w2000", 50, 1000, 0, 3, 16, SMO_BY_NAME},
      // "/is8" is also "/i": options in child menus.
      {L"/is8", 50, 200, 0, 3, 16, SMO_BY_NAME | SMO_IN_CHILDREN},
      {L"/is999", 50, 200, 0, 3, 256, SMO_BY_NAME | SMO_IN_CHILDREN},
      {L"/il", 50, 200, 0, 3, 16, SMO_BY_NAME | SMO_IN_CHILDREN | SMO_LARGE_ICONS},
      {L"/in", 50, 200, 0, 3, 16, SMO_BY_NAME | SMO_IN_CHILDREN | SMO_NO_ICONS},
      {L"/h", 50, 200, 0, 3, 16, SMO_BY_NAME | SMO_HIDDEN},
  };
  for (const OptionCase& c : cases) {
    SubMenuOptions o;
    ParseSubMenuOptions(c.Text, kDefaults, 0, &o, nullptr);
    SCOPED_TRACE(c.Text ? c.Text : L"(null)");
    EXPECT_EQ(c.CountLimit, o.CountLimit);
    EXPECT_EQ(c.ItemWidth, o.ItemWidth);
    EXPECT_EQ(c.Rows, o.Rows);
    EXPECT_EQ(c.Columns, o.Columns);
    EXPECT_EQ(c.IconSize, o.IconSize);
    EXPECT_EQ(c.Bits, o.Bits);
  }
}

TEST(SubMenuOptionString, SortAndFilterLetters) {
  const struct {
    const wchar_t* Text;
    UINT Bits;
  } cases[] = {
      {L"/ssr", SMO_BY_SIZE | SMO_REVERSE},
      {L"/sd", SMO_BY_NAME | SMO_MIXED},
      {L"/se /c2", SMO_BY_EXT},
      {L"/su", SMO_BY_WRITE},
      {L"/sca", SMO_BY_CREATION | SMO_BY_ACCESS},
      {L"/ssn", 0},       // n switches sorting off, also what came before
      {L"/snr", 0},       // ... and ends the letters
      {L"/sS", SMO_BY_NAME},  // letters count in lower case only
      {L"/S s", SMO_BY_NAME},  // a blank ends the letters
      {L"/fdi *.txt", SMO_BY_NAME | SMO_FOLDERS_TOO | SMO_EXCLUDE},
      {L"/fxd/h", SMO_BY_NAME | SMO_FOLDERS_TOO | SMO_HIDDEN},
      {L"/fI", SMO_BY_NAME},  // upper-case filter letters are skipped
  };
  for (const auto& c : cases) {
    SubMenuOptions o;
    ParseSubMenuOptions(c.Text, kDefaults, 0, &o, nullptr);
    EXPECT_EQ(c.Bits, o.Bits) << ::testing::PrintToString(std::wstring(c.Text));
  }
}

TEST(SubMenuOptionString, CallerBitsDisplayBitsAndPosition) {
  SubMenuDefaults d = kDefaults;
  d.DispOption = DISP_LARGE_MENU_ICONS | DISP_MENU_TIPS;
  SubMenuOptions o;
  ParseSubMenuOptions(nullptr, d, SMO_HIDDEN, &o, nullptr);
  EXPECT_EQ(SMO_BY_NAME | SMO_HIDDEN | SMO_LARGE_ICONS, o.Bits);
  EXPECT_TRUE(o.Tooltips);

  POINT p = {5, 6};
  ParseSubMenuOptions(L"/p100:200", kDefaults, 0, &o, &p);
  EXPECT_EQ(100, p.x);
  EXPECT_EQ(200, p.y);
  p = {5, 6};
  ParseSubMenuOptions(L"/p100", kDefaults, 0, &o, &p);  // no ':' keeps the point
  EXPECT_EQ(5, p.x);
  EXPECT_EQ(6, p.y);
  ParseSubMenuOptions(L"/p100:200", kDefaults, 0, &o, nullptr);  // no output, no crash
  EXPECT_FALSE(o.Tooltips);
}

TEST(SubMenuPatterns, WholeNameWithWildcards) {
  const struct {
    const wchar_t* Pattern;
    const wchar_t* Name;
    int Match;
  } cases[] = {
      {L"*.txt", L"notes.txt", 1},     {L"*.txt", L"NOTES.TXT", 1},   {L"*.txt", L"notes.txt.bak", 0},
      {L"a?c", L"abc", 1},             {L"a?c", L"ac", 0},            {L"*", L"", 1},
      {L"a*b*c", L"aXXbYYbc", 1},      {L"a*b*c", L"aXXbYYbd", 0},    {L"abc", L"abcd", 0},
      {L"x*", L"abc", 0},              {L"*a", L"banana", 1},         {L"*.txt /h", L"a.txt", 1},
      {L"*.doc", L"a.docx", 0},        {L"**x", L"yyx", 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.Match, MatchNamePattern(c.Pattern, c.Name)) << ::testing::PrintToString(std::wstring(c.Pattern))
                                                           << " " << ::testing::PrintToString(std::wstring(c.Name));
}

TEST(SubMenuPatterns, KeepDropAndFolders) {
  const UINT full = SMO_FULL | SMO_BY_NAME;
  const struct {
    const wchar_t* Text;
    const wchar_t* Name;
    UINT Bits;
    int Folder, Show;
  } cases[] = {
      {L"*.txt *.doc", L"a.txt", full, 0, 1},
      {L"*.txt *.doc", L"a.doc", full, 0, 1},
      {L"*.txt *.doc", L"a.bmp", full, 0, 0},
      {L"/fi *.txt *.doc", L"a.txt", full | SMO_EXCLUDE, 0, 0},
      {L"/fi *.txt *.doc", L"a.bmp", full | SMO_EXCLUDE, 0, 1},
      {L"*.txt", L"sub", full, 1, 1},                     // folders kept without d
      {L"/fd *.txt", L"sub", full | SMO_FOLDERS_TOO, 1, 0},
      {L"/fi", L"a.bmp", full | SMO_EXCLUDE, 0, 0},       // i with no pattern drops all
      {L"*.txt", L"a.bmp", SMO_BY_NAME, 0, 1},            // not a level with the full options
      {L"*.txt", L"", full, 0, 1},
      {L"/max5 /ssr", L"a.bmp", full, 0, 1},              // only switches: every entry
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.Show, MatchOptionText(c.Text, c.Name, c.Bits, c.Folder))
        << ::testing::PrintToString(std::wstring(c.Text)) << " " << ::testing::PrintToString(std::wstring(c.Name));
  EXPECT_EQ(1, MatchOptionText(nullptr, L"a.bmp", full, 0));
  EXPECT_FALSE(OptionTextHasPatterns(L"/max5  /ssr /h"));
  EXPECT_FALSE(OptionTextHasPatterns(nullptr));
  EXPECT_TRUE(OptionTextHasPatterns(L"/fi *.txt"));
  EXPECT_TRUE(OptionTextHasPatterns(L"a"));
}

}  // namespace
