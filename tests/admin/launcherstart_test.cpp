// Starting the launcher from the helper. Wine runs every process with a
// full token and has no shell window, so the elevation decisions are driven
// here through the helper's platform seam; each case records which call
// started the launcher, with which token and command line. What only
// Windows can show (a really de-elevated launcher) is on the checklist.
#include "admin/launcherstart.h"

#include <gtest/gtest.h>

#include "admin/state.h"
#include "admin_fixture.h"

namespace {

using namespace admintest;

TEST(LauncherCommandLine, QuotesThePathAndKeepsTheOptions) {
  struct Case {
    const wchar_t* Path;
    int Switch;
    const wchar_t* Options;
    const wchar_t* Want;
  } cases[] = {
      {L"C:\\Program Files\\Vantrel\\Vantrel.exe", 1, L"/p2 /l",
       L"\"C:\\Program Files\\Vantrel\\Vantrel.exe\" /vnadmin /p2 /l"},
      {L"C:\\V\\Vantrel.exe", 0, L"/p2 /l", L"\"C:\\V\\Vantrel.exe\" /p2 /l"},
      {L"C:\\V\\Vantrel.exe", 1, L"", L"\"C:\\V\\Vantrel.exe\" /vnadmin "},
      {L"C:\\V\\Vantrel.exe", 1, nullptr, L"\"C:\\V\\Vantrel.exe\" /vnadmin "},
      // The helper's own /x goes on with the rest.
      {L"C:\\V\\Vantrel.exe", 1, L"/x1234 /m", L"\"C:\\V\\Vantrel.exe\" /vnadmin /x1234 /m"},
  };
  for (const Case& c : cases) {
    wchar_t* line = BuildLauncherCommandLine(c.Path, c.Switch, c.Options);
    ASSERT_NE(nullptr, line);
    EXPECT_STREQ(c.Want, line);
    HeapFree(GetProcessHeap(), 0, line);
  }
  std::wstring huge(32800, L'a');
  EXPECT_EQ(nullptr, BuildLauncherCommandLine(L"C:\\V\\Vantrel.exe", 1, huge.c_str()));
}

class LauncherStart : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_Admin;
    g_Admin.LauncherWnd = nullptr;
    // The launcher "started" is this process: its image is the path looked for.
    lstrcpynW(g_Admin.LauncherPath, OwnExePath().c_str(), kLauncherPathChars);
    folder_ = g_Admin.LauncherPath;
    folder_.resize(folder_.rfind(L'\\') + 1);
  }
  void TearDown() override { g_Admin = saved_; }
  std::wstring Line(bool adminSwitch) const {
    return L"\"" + std::wstring(g_Admin.LauncherPath) + L"\"" + (adminSwitch ? L" /vnadmin" : L"") + L" /p2 /l";
  }
  AdminState saved_;
  std::wstring folder_;
};

TEST_F(LauncherStart, ChoosesTheShellTokenOnlyWithAFullTokenOnVistaOrLater) {
  struct Case {
    const char* Name;
    int Os;
    int Elevation;
    DWORD ShellAfterMs;
    bool TokenOk;
    const char* WantApi;
  } cases[] = {
      {"full token, shell up", 1000, TokenElevationTypeFull, 0, true, "CreateProcessWithTokenW"},
      {"full token, shell after 2 s", 601, TokenElevationTypeFull, 2000, true, "CreateProcessWithTokenW"},
      {"before Vista", 501, TokenElevationTypeFull, 0, true, "CreateProcessW"},
      {"limited token", 1000, TokenElevationTypeLimited, 0, true, "CreateProcessW"},
      {"default token (UAC off)", 1000, TokenElevationTypeDefault, 0, true, "CreateProcessW"},
      {"token type unreadable", 1000, 0, 0, true, "CreateProcessW"},
      {"no shell within 300 s", 1000, TokenElevationTypeFull, kNever, true, "CreateProcessW"},
      {"shell token refused", 1000, TokenElevationTypeFull, 0, false, "CreateProcessW"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    RecordingWindow launcher(L"VantrelWndClass");
    g_Admin.LauncherWnd = nullptr;
    FakePlatform f;
    f.Os = c.Os;
    f.Elevation = c.Elevation;
    f.ShellAfterMs = c.ShellAfterMs;
    f.TokenOk = c.TokenOk;
    EXPECT_TRUE(StartLauncherDeElevated(L"/p2 /l"));
    ASSERT_EQ(1u, f.Starts.size());
    EXPECT_EQ(c.WantApi, f.Starts[0]);
    bool withToken = f.Starts[0] == "CreateProcessWithTokenW";
    EXPECT_EQ(Line(withToken), f.Line);
    EXPECT_EQ(g_Admin.LauncherPath, f.App) << "the application name is given, not left to the command line";
    EXPECT_EQ(folder_, f.Folder);
    EXPECT_EQ((DWORD)CREATE_UNICODE_ENVIRONMENT, f.CreationFlags);
    EXPECT_EQ((DWORD)STARTF_USESHOWWINDOW, f.Startup.dwFlags);
    EXPECT_EQ(SW_SHOWNORMAL, f.Startup.wShowWindow);
    if (withToken) {
      EXPECT_EQ(kFakeToken, f.TokenUsed);
      EXPECT_EQ(kFakeEnvironment, f.EnvironmentUsed);
      EXPECT_TRUE(f.EnvironmentDestroyed);
      EXPECT_TRUE(f.WasClosed(kFakeToken));
      // The window of the started process becomes the hooks' destination.
      EXPECT_EQ(launcher.Handle, g_Admin.LauncherWnd);
    } else {
      EXPECT_EQ(nullptr, f.EnvironmentUsed);
      // Nobody to serve: the helper ends at its first tick.
      EXPECT_EQ(nullptr, g_Admin.LauncherWnd);
    }
    EXPECT_TRUE(f.WasClosed(kFakeProcess));
    EXPECT_TRUE(f.WasClosed(kFakeThread));
  }
}

TEST_F(LauncherStart, WaitsForTheShellUpTo300Seconds) {
  FakePlatform f;
  f.ShellAfterMs = kNever;
  EXPECT_TRUE(StartLauncherDeElevated(L"/p2 /l"));
  EXPECT_GE(f.Elapsed(), kLauncherStartWaitMs);
  EXPECT_LT(f.Elapsed(), kLauncherStartWaitMs + 1000);
}

TEST_F(LauncherStart, RetriesTheTokenStartAndFailsAfter300Seconds) {
  RecordingWindow launcher(L"VantrelWndClass");
  {
    FakePlatform f;
    f.TokenStartFailures = 3;
    EXPECT_TRUE(StartLauncherDeElevated(L"/p2 /l"));
    EXPECT_EQ(4u, f.Starts.size());
    EXPECT_EQ(300u, f.Elapsed()) << "every 100 ms";
    EXPECT_EQ(launcher.Handle, g_Admin.LauncherWnd);
  }
  // A de-elevation that never works starts nothing else: no launcher with
  // our full token.
  g_Admin.LauncherWnd = nullptr;
  FakePlatform f;
  f.TokenStartFailures = -1;
  EXPECT_FALSE(StartLauncherDeElevated(L"/p2 /l"));
  EXPECT_GE(f.Elapsed(), kLauncherStartWaitMs);
  for (const std::string& api : f.Starts) EXPECT_EQ("CreateProcessWithTokenW", api);
  EXPECT_TRUE(f.EnvironmentDestroyed);
  EXPECT_TRUE(f.WasClosed(kFakeToken));
  EXPECT_EQ(nullptr, g_Admin.LauncherWnd);
}

TEST_F(LauncherStart, StartsWithoutAnEnvironmentBlockWhenNoneCanBeMade) {
  RecordingWindow launcher(L"VantrelWndClass");
  FakePlatform f;
  f.EnvironmentOk = false;
  EXPECT_TRUE(StartLauncherDeElevated(L""));
  ASSERT_EQ(1u, f.Starts.size());
  EXPECT_EQ(nullptr, f.EnvironmentUsed);
  EXPECT_FALSE(f.EnvironmentDestroyed);
}

TEST_F(LauncherStart, StopsWaitingForTheWindowWhenTheLauncherHasEnded) {
  // No launcher window in this process: only the process's end stops the wait.
  FakePlatform f;
  f.ProcessEnds = true;
  EXPECT_FALSE(StartLauncherDeElevated(L"/p2 /l"));
  EXPECT_LT(f.Elapsed(), 1000u);
  EXPECT_EQ(nullptr, g_Admin.LauncherWnd);
  EXPECT_TRUE(f.WasClosed(kFakeProcess));
}

TEST_F(LauncherStart, GivesUpOnAWindowThatNeverComes) {
  FakePlatform f;
  EXPECT_FALSE(StartLauncherDeElevated(L"/p2 /l"));
  EXPECT_GE(f.Elapsed(), kLauncherStartWaitMs);
  EXPECT_LT(f.Elapsed(), kLauncherStartWaitMs + 1000);
}

TEST_F(LauncherStart, TakesOnlyTheWindowOfTheStartedProcessAndPath) {
  RecordingWindow other(L"VnAdminTestWindow");
  RecordingWindow launcher(L"VantrelWndClass");
  {
    // Another process id: this process's window is not the one started.
    FakePlatform f;
    f.StartedPid = GetCurrentProcessId() + 4;
    EXPECT_FALSE(StartLauncherDeElevated(L""));
  }
  lstrcpyW(g_Admin.LauncherPath, L"C:\\Elsewhere\\Vantrel.exe");
  FakePlatform f;
  EXPECT_FALSE(StartLauncherDeElevated(L""));
  EXPECT_EQ(nullptr, g_Admin.LauncherWnd);
}

TEST_F(LauncherStart, PlainStartReportsAFailedStart) {
  FakePlatform f;
  f.Os = 600;
  f.Elevation = TokenElevationTypeLimited;
  f.PlainStartOk = false;
  EXPECT_FALSE(StartLauncherDeElevated(L"/m"));
  EXPECT_EQ(std::vector<std::string>{"CreateProcessW"}, f.Starts);
}

TEST(LauncherWindowSearch, MatchesClassAndImagePathIgnoringCase) {
  RecordingWindow plain(L"VnAdminTestWindow");
  RecordingWindow launcher(L"VantrelWndClass");
  std::wstring own = OwnExePath();
  std::wstring upper = own;
  CharUpperW(&upper[0]);
  EXPECT_EQ(launcher.Handle, FindLauncherWindow(own.c_str(), 0));
  EXPECT_EQ(launcher.Handle, FindLauncherWindow(upper.c_str(), GetCurrentProcessId()));
  EXPECT_EQ(nullptr, FindLauncherWindow(L"C:\\Other\\Vantrel.exe", 0));
  DestroyWindow(launcher.Handle);
  EXPECT_EQ(nullptr, FindLauncherWindow(own.c_str(), 0));
}

}  // namespace
