#include <gtest/gtest.h>

#include "core/switches.h"

namespace {

struct FindCase {
  const wchar_t* Cmdline;
  const wchar_t* Switch;
  int Offset;  // of the text after the switch, -1 none
};

TEST(FindSwitch, CountsOnlyWhenNoLetterFollows) {
  const FindCase cases[] = {
      {L"/n", L"/n", 2},
      {L"/N", L"/n", 2},                      // case-insensitive
      {L"/nh", L"/n", -1},                    // /nh is never /n
      {L"/nh /n", L"/n", 6},                  // a later /n still counts
      {L"/nh/n5", L"/n", 5},                  // followed by a digit
      {L"/n:", L"/n", 2},
      {L"x /n\"", L"/n", 4},                  // followed by a quote
      {L"C:/notes /p2", L"/n", -1},           // inside a word
      {L"/vnadmin", L"/n", -1},
      {L"/vnadmin", L"/vnadmin", 8},
      {L"/VNADMINx", L"/vnadmin", -1},
      {L"", L"/n", -1},
      {L"/", L"/n", -1},
  };
  for (const FindCase& c : cases) {
    const wchar_t* r = FindSwitch(c.Cmdline, c.Switch);
    int got = r ? (int)(r - c.Cmdline) : -1;
    EXPECT_EQ(c.Offset, got) << "case index " << (&c - cases);
  }
}

TEST(FindSwitch, NullInputs) {
  EXPECT_EQ(nullptr, FindSwitch(nullptr, L"/n"));
  EXPECT_EQ(nullptr, FindSwitch(L"/n", nullptr));
  EXPECT_EQ(nullptr, FindSwitch(L"/n", L""));
}

struct ParseCase {
  const wchar_t* Cmdline;
  StartOptions Want;
};

// Fields: Delay, RebuildIcons, AtMouse, HasX, HasPoint, X, Y, HasPage, Page,
// Pin, AutoHide, NoHooks, HooksOff, VnAdmin, HasButtons, Columns, Rows.
TEST(ParseStartOptions, Table) {
  const ParseCase cases[] = {
      {L"", {}},
      {L"/d1500", {1500}},
      {L"/d -20", {-20}},
      {L"/dx", {}},                              // /dx is no /d
      {L"/d", {0}},
      {L"/r", {0, 1}},
      {L"/m", {0, 0, 1}},
      {L"/s100:200", {0, 0, 0, 1, 1, 100, 200}},
      {L"/s-5:-7", {0, 0, 0, 1, 1, -5, -7}},
      {L"/s100", {0, 0, 0, 1, 0, 100, 0}},       // no colon: x only
      {L"/p3", {0, 0, 0, 0, 0, 0, 0, 1, 3}},
      {L"/p0", {0, 0, 0, 0, 0, 0, 0, 1, 0}},
      {L"/p-2", {0, 0, 0, 0, 0, 0, 0, 1, -2}},
      {L"/l", {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {L"/a", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {L"/n", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {L"/n5", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {L"/nh", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {L"/nh /n", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1}},
      {L"/NH /N", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1}},
      {L"/vnadmin /n", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
      {L"/b7:3", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 7, 3}},
      {L"/b100:100", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 100, 100}},
      {L"/b0:5", {}},
      {L"/b101:5", {}},
      {L"/b5:0", {}},
      {L"/b7", {}},
      {L"/bx7:3", {}},
      {L"/p2 /l /s10:20 /a /m /r /d99",
       {99, 1, 1, 1, 1, 10, 20, 1, 2, 1, 1}},
      {L"/d99999999999", {0x7FFFFFFF}},
  };
  for (const ParseCase& c : cases) {
    StartOptions got;
    memset(&got, 0xCC, sizeof got);
    ParseStartOptions(c.Cmdline, &got);
    const StartOptions& w = c.Want;
    SCOPED_TRACE(testing::Message() << "case index " << (&c - cases));
    EXPECT_EQ(w.Delay, got.Delay);
    EXPECT_EQ(w.RebuildIcons, got.RebuildIcons);
    EXPECT_EQ(w.AtMouse, got.AtMouse);
    EXPECT_EQ(w.HasX, got.HasX);
    EXPECT_EQ(w.HasPoint, got.HasPoint);
    EXPECT_EQ(w.X, got.X);
    EXPECT_EQ(w.Y, got.Y);
    EXPECT_EQ(w.HasPage, got.HasPage);
    EXPECT_EQ(w.Page, got.Page);
    EXPECT_EQ(w.Pin, got.Pin);
    EXPECT_EQ(w.AutoHide, got.AutoHide);
    EXPECT_EQ(w.NoHooks, got.NoHooks);
    EXPECT_EQ(w.HooksOff, got.HooksOff);
    EXPECT_EQ(w.VnAdmin, got.VnAdmin);
    EXPECT_EQ(w.HasButtons, got.HasButtons);
    EXPECT_EQ(w.Columns, got.Columns);
    EXPECT_EQ(w.Rows, got.Rows);
  }
}

struct ForwardCase {
  const wchar_t* Cmdline;
  int PinFirst;
  DWORD WParam;
  DWORD LParam;
};

TEST(BuildForwardRequest, Table) {
  const ForwardCase cases[] = {
      {L"", 0, 0xFFFF0205, 0},                       // plain second start
      {L"/p3", 0, 0x00020205, 0},
      {L"/p0", 0, 0xFFFF0205, 0},
      {L"/p-2", 0, 0xFFFF0205, 0},
      {L"/l", 1, 0xFFFF0205, 0},
      {L"/m", 0, 0xFFFF0201, 0},                      // always centred on the cursor
      {L"/m /a", 0, 0xFFFF0301, 0},
      {L"/s100:200", 0, 0xFFFF0204, 0x00C80064},
      {L"/s-1:-2", 0, 0xFFFF0204, 0xFFFEFFFF},        // cut to 16 bits each
      {L"/s100", 0, 0xFFFF0205, 0x00000064},          // x only, mode unchanged
      {L"/m /s5:6", 0, 0xFFFF0204, 0x00060005},       // the point wins
      {L"/p2 /l", 1, 0x00010205, 0},
      {L"/n /r /b3:3 /d50", 0, 0xFFFF0205, 0},        // first-instance only
      {L"/s70000:1", 0, 0xFFFF0204, 0x00011170},
  };
  for (const ForwardCase& c : cases) {
    StartOptions o;
    ParseStartOptions(c.Cmdline, &o);
    ForwardRequest r;
    BuildForwardRequest(&o, &r);
    SCOPED_TRACE(testing::Message() << "case index " << (&c - cases));
    EXPECT_EQ(c.PinFirst, r.PinFirst);
    EXPECT_EQ(c.WParam, (DWORD)r.ShowWParam);
    EXPECT_EQ(c.LParam, (DWORD)r.ShowLParam);
  }
}

struct StartShowCase {
  const wchar_t* Cmdline;
  DWORD DispPosition;
  StartShow Want;  // Show, Mode, X, Y, Page
};

TEST(BuildStartShow, Table) {
  const StartShowCase cases[] = {
      {L"", 0, {0, 5, 0, 0, -1}},
      {L"/p3", 0, {0, 5, 0, 0, 2}},                  // /p alone shows nothing
      {L"/p0", 0, {0, 5, 0, 0, -1}},
      {L"/m", 0, {1, 1, 0, 0, -1}},
      {L"/m", 1, {1, 2, 0, 0, -1}},                  // DispPosition bit 0
      {L"/s10:20", 0, {1, 4, 10, 20, -1}},
      {L"/s100", 0, {0, 5, 100, 0, -1}},             // no colon: neither moves nor shows
      {L"/l", 0, {1, 5, 0, 0, -1}},
      {L"/a", 0, {1, 0x105, 0, 0, -1}},
      {L"/n", 0, {1, 5, 0, 0, -1}},
      {L"/vnadmin /n", 0, {0, 5, 0, 0, -1}},
      {L"/nh", 0, {0, 5, 0, 0, -1}},
      {L"/m /a /p2", 1, {1, 0x102, 0, 0, 1}},
  };
  for (const StartShowCase& c : cases) {
    StartOptions o;
    ParseStartOptions(c.Cmdline, &o);
    StartShow s;
    BuildStartShow(&o, c.DispPosition, &s);
    SCOPED_TRACE(testing::Message() << "case index " << (&c - cases));
    EXPECT_EQ(c.Want.Show, s.Show);
    EXPECT_EQ(c.Want.Mode, s.Mode);
    EXPECT_EQ(c.Want.X, s.X);
    EXPECT_EQ(c.Want.Y, s.Y);
    EXPECT_EQ(c.Want.Page, s.Page);
  }
}

}  // namespace
