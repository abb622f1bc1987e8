#include "core/hookctl.h"

#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "core/hookbind.h"
#include "state.h"
#include "store/settings.h"
#include "support/test_support.h"

namespace {

TEST(HookSuspend, RestraintGroupsApplyByCircumstance) {
  // Restraint 0xC9 (first-run default) and others, one circumstance at a time.
  struct Case {
    int Dialog, Front, Restricted, Full;
    UINT Restraint;
    int Target;
    UINT Want;
  } cases[] = {
      {0, 0, 0, 0, 0xC9, 0, 0},
      {0, 1, 0, 0, 0xC9, 0, 0x12},          // bits 0-3 shifted up: mouse actions, hot keys
      {0, 0, 1, 0, 0xC9, 0, 0x0C},          // bits 4-8 shifted down: edges, circles
      {0, 0, 0, 1, 0xC9, 0, 0},             // no full-screen group set
      {0, 0, 0, 1, 0x3E00, 0, 0x1F},        // bits 9-13: everything while full screen
      {0, 0, 0, 0, 0x3E00, 0, 0},
      {0, 0, 0, 1, 0x0200 | 0x0F, 0, 0x01}, // full-screen group alone, not the in-front one
      {1, 0, 0, 0, 0, 0, 0x13},             // a dialog suspends whatever Restraint says
      {1, 0, 0, 0, 0xF, 0, 0x13 | 0x1E},    // and counts as in front
      {0, 1, 1, 1, 0xFFFF, 0, 0x1F},
      {0, 0, 0, 0, 0, 0x4, 0x4},            // a suppression record's flags
      {0, 1, 0, 0, 0x1, 0x8, 0x2 | 0x8},
      {0, 0, 0, 0, 0x4000 | 0x8000 | 0x10000, 0, 0},  // bits for the library only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    SuspendInput in = {c.Dialog, c.Front, c.Restricted, c.Full, c.Restraint, c.Target};
    EXPECT_EQ(c.Want, ComputeSuspendWord(&in));
  }
}

SuppressTarget MakeTarget(int flags, const wchar_t* exe, const wchar_t* cls, const wchar_t* caption) {
  SuppressTarget t = {};
  t.Flags = flags;
  wcscpy(t.Exe, exe);
  wcscpy(t.Class, cls);
  wcscpy(t.Caption, caption);
  return t;
}

TEST(HookSuspend, SuppressionRecordsMatchFirstOnly) {
  std::vector<SuppressTarget> t = {
      MakeTarget(0x1, L"", L"", L""),                        // nothing to compare: never matches
      MakeTarget(0x2, L"GAME.EXE", L"", L""),                 // bare name: the file-name part
      MakeTarget(0x4, L"C:\\Tools\\", L"", L""),              // a path: prefix of the path
      MakeTarget(0x8, L"", L"Chrome_Widget", L""),            // class prefix
      MakeTarget(0x10, L"", L"", L"- Remote"),                // caption part
      MakeTarget(0x3, L"game.exe", L"Other", L""),            // later record for game.exe
  };
  struct Case {
    const wchar_t* Exe;
    const wchar_t* Class;
    const wchar_t* Title;
    int Want;
  } cases[] = {
      {L"D:\\Games\\game.exe", L"Other", L"x", 1},      // first of two matching records wins
      {L"D:\\Games\\game.exe.bak", L"Main", L"x", -1},
      {L"D:\\Games\\notgame.exe", L"Main", L"x", -1},
      {L"c:\\tools\\edit.exe", L"Main", L"x", 2},
      {L"C:\\Toolsmith\\a.exe", L"Main", L"x", -1},
      {L"C:\\a.exe", L"chrome_widgetwin_1", L"x", 3},
      {L"C:\\a.exe", L"WidgetChrome_Widget", L"x", -1},
      {L"C:\\a.exe", L"Main", L"Desktop - remote session", 4},
      {L"", L"", L"", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    EXPECT_EQ(c.Want, FindSuppressTarget(t.data(), (int)t.size(), c.Exe, c.Class, c.Title));
  }
  EXPECT_EQ(-1, FindSuppressTarget(nullptr, 3, L"a", L"b", L"c"));
}

TEST(WinKeyCodes, OnlyCodesWithAWindowsKeyAreCollected) {
  struct Case {
    WORD Code;
    int Want;
    UINT Alone;
  } cases[] = {
      {0x5B, 1, 1},           // left Win alone
      {0x5C, 1, 2},           // right Win alone
      {0x15B, 1, 0},          // Shift+left Win: not alone
      {0x845, 1, 0},          // Win+E
      {0x645, 0, 0},          // Ctrl+Alt+E
      {0x45, 0, 0},
      {0x35B, 1, 0},
      {0x85B, 1, 1},          // Win modifier on the Win key itself
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "code " << std::hex << c.Code);
    UINT alone = 0;
    EXPECT_EQ(c.Want, ClassifyWinKeyCode(c.Code, &alone));
    EXPECT_EQ(c.Alone, alone);
  }
}

// The own Windows-key hook, fed key sequences.
class WinKeyHookSteps : public testing::Test {
 protected:
  WinKeyAction Key(BYTE vk, int down, UINT modifiers = 0, int removal = 0) {
    WinKeyEvent e = {vk, down, down && state_.LastKeyDown == vk, modifiers, removal};
    WinKeyAction a;
    StepWinKeyHook(&state_, codes_.data(), (int)codes_.size(), alone_, &e, &a);
    return a;
  }
  WinKeyState state_ = {};
  std::vector<WORD> codes_ = {0x845 /* Win+E */, 0x5C /* right Win alone */};
  UINT alone_ = 2;
};

TEST_F(WinKeyHookSteps, ALauncherCombinationIsSwallowedAndPosted) {
  WinKeyAction a = Key(VK_LWIN, 1);
  EXPECT_TRUE(a.Swallow);
  EXPECT_EQ((UINT)WMA_WINKEYDOWN, a.PostMessage);
  EXPECT_EQ(0, Key(VK_LWIN, 1).PostMessage);  // auto-repeat
  a = Key('E', 1, 8);
  EXPECT_TRUE(a.Swallow);
  EXPECT_EQ((UINT)WMA_WINKEYDOWN, a.PostMessage);
  EXPECT_EQ((WPARAM)'E', a.PostKey);
  EXPECT_EQ(0, a.ReplayCount);
  a = Key('E', 0, 8);
  EXPECT_TRUE(a.Swallow);
  EXPECT_EQ((UINT)WMA_WINKEYUP, a.PostMessage);
  a = Key(VK_LWIN, 0);
  EXPECT_TRUE(a.Swallow);
  EXPECT_EQ((UINT)WMA_WINKEYUP, a.PostMessage);
  EXPECT_EQ(0, a.ReplayCount);
  EXPECT_EQ(0u, state_.Held | state_.Consumed);
  EXPECT_EQ(0, state_.ComboKey);
}

TEST_F(WinKeyHookSteps, OtherCombinationsAndBareTapsReachTheSystem) {
  // Win+R is not ours: Win and R are replayed down, left first.
  Key(VK_LWIN, 1);
  WinKeyAction a = Key('R', 1, 8);
  EXPECT_TRUE(a.Swallow);
  ASSERT_EQ(2, a.ReplayCount);
  EXPECT_EQ(VK_LWIN, a.Replay[0]);
  EXPECT_EQ('R', a.Replay[1]);
  EXPECT_FALSE(a.Tap);
  EXPECT_FALSE(Key('R', 0).Swallow);  // its release is the system's
  // Left Win alone is not a launcher code: a tap is replayed.
  Key(VK_LWIN, 1);
  a = Key(VK_LWIN, 0);
  EXPECT_TRUE(a.Swallow);
  ASSERT_EQ(1, a.ReplayCount);
  EXPECT_EQ(VK_LWIN, a.Replay[0]);
  EXPECT_TRUE(a.Tap);
  // Right Win alone is: posted, not replayed.
  Key(VK_RWIN, 1);
  a = Key(VK_RWIN, 0);
  EXPECT_EQ((UINT)WMA_WINKEYUP, a.PostMessage);
  EXPECT_EQ(0, a.ReplayCount);
  // ... unless Ctrl was held with it.
  Key(VK_RWIN, 1);
  a = Key(VK_RWIN, 0, 2);
  EXPECT_TRUE(a.Tap);
  EXPECT_EQ(0u, a.PostMessage);
  // Keys without a Windows key pass untouched.
  EXPECT_FALSE(Key('A', 1).Swallow);
  EXPECT_FALSE(Key(VK_SHIFT, 1).Swallow);
}

TEST_F(WinKeyHookSteps, RemovalIsReportedWhenTheLastKeyComesUp) {
  Key(VK_LWIN, 1);
  Key('E', 1, 8);
  EXPECT_EQ(0, Key(VK_LWIN, 0, 0, 1).PostRemoval);  // E still held
  WinKeyAction a = Key('E', 0, 0, 1);
  EXPECT_EQ((UINT)WMA_WINKEYUP, a.PostMessage);
  EXPECT_EQ(1, a.PostRemoval);
  // While removal is pending, new presses pass on.
  EXPECT_FALSE(Key(VK_LWIN, 1, 0, 1).Swallow);
}

// The library binding at shutdown: with a ticker that did not stop, the
// library stays mapped and nothing is bound any more.
class HookStopTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_App;
    wsprintfW(g_App.ProgramPath, L"%s\\Vantrel.exe", dir_.Path.c_str());
    std::wstring from = FixturePath(L"fakehook_good.dll");
    ASSERT_TRUE(CopyFileW(from.c_str(), dir_.File(L"VnHook.dll").c_str(), FALSE));
    g_App.RunState = 0;
    g_App.MainWnd = nullptr;
  }
  void TearDown() override {
    LoadHookLibrary(0);
    if (HMODULE m = GetModuleHandleW(dir_.File(L"VnHook.dll").c_str())) FreeLibrary(m);
    g_App = saved_;
  }
  bool LibraryLoaded() { return GetModuleHandleW(dir_.File(L"VnHook.dll").c_str()) != nullptr; }
  TempDir dir_;
  AppState saved_;
};

TEST_F(HookStopTest, LibraryStaysMappedWhileTheTickerMayBeInIt) {
  ASSERT_EQ(1, LoadHookLibrary(1));
  StopHookControl(0);
  EXPECT_TRUE(LibraryLoaded());
  EXPECT_EQ(nullptr, g_Hook.Module);
  EXPECT_EQ(nullptr, g_Hook.SetDllData);
  EXPECT_EQ(nullptr, g_Hook.CheckPtOnEdge);
}

TEST_F(HookStopTest, LibraryIsUnloadedOnceTheTickerHasStopped) {
  ASSERT_EQ(1, LoadHookLibrary(1));
  StopHookControl(1);
  EXPECT_FALSE(LibraryLoaded());
  EXPECT_EQ(nullptr, g_Hook.Module);
}

}  // namespace
