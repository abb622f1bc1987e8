// The helper's start and end: the command line, one helper per folder, the
// hook library bound from the program folder, a running launcher closed,
// the hooks' messages forwarded, and the clean-up.
#include "admin/startup.h"

#include <gtest/gtest.h>

#include "admin/requests.h"
#include "admin/state.h"
#include "admin_fixture.h"
#include "launcher/resources/resource.h"
#include "support/test_support.h"

namespace {

using namespace admintest;

TEST(AdminCommandLine, CloseSwitchTakesTheDecimalHandleAfterIt) {
  struct Case {
    const wchar_t* Line;
    INT_PTR Want;
  } cases[] = {
      {L"/x1234", 1234},   {L"/p2 /X77 /l", 77}, {L"/l/x5", 5},      {L"/x", 0},
      {L"/xyz /x9", 0},    {L"", 0},             {L"/p2 /l", 0},     {L"/x0012", 12},
      {L"/x4294967295", (INT_PTR)0xFFFFFFFFu},
  };
  for (const Case& c : cases) EXPECT_EQ((HWND)c.Want, ParseCloseSwitch(c.Line)) << c.Want;
  EXPECT_EQ(nullptr, ParseCloseSwitch(nullptr));
}

TEST(AdminInstance, OneMutexNamePerProgramFolder) {
  wchar_t a[64], b[64], c[64];
  BuildInstanceMutexName(L"C:\\Program Files\\Vantrel\\VnAdmin.exe", a);
  BuildInstanceMutexName(L"c:\\program files\\vantrel\\vnadmin.EXE", b);
  BuildInstanceMutexName(L"C:\\Program Files\\Vantrel2\\VnAdmin.exe", c);
  EXPECT_STREQ(a, b);
  EXPECT_STRNE(a, c);
  EXPECT_EQ(nullptr, wcschr(a, L'\\'));
  EXPECT_EQ(0, wcsncmp(a, L"VANTREL_MUTEX_ADMIN_", 20));
  EXPECT_EQ(36u, wcslen(a));
}

// A program folder of its own with the hook library (or a stand-in) in it.
class AdminBinding : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_Admin;
    g_Admin = AdminState();
    std::wstring folder = dir_.Path + L"\\";
    lstrcpyW(g_Admin.ProgramFolder, folder.c_str());
  }
  void TearDown() override {
    BindHookLibrary(FALSE);
    g_Admin = saved_;
  }
  void Put(const std::wstring& from) {
    ASSERT_TRUE(CopyFileW(from.c_str(), dir_.File(L"VnHook.dll").c_str(), FALSE));
  }
  AdminState saved_;
  TempDir dir_;
  FakePlatform platform_;
};

TEST_F(AdminBinding, BindsTheThreeExportsOfTheRealLibrary) {
  Put(BuildFile(L"VnHook.dll"));
  ASSERT_TRUE(BindHookLibrary(TRUE));
  EXPECT_NE(nullptr, g_Admin.HookModule);
  EXPECT_NE(nullptr, g_Admin.OperateMouseHook);
  EXPECT_NE(nullptr, g_Admin.OperateKeyboardHook);
  EXPECT_NE(nullptr, g_Admin.GetAdminReq);
  EXPECT_TRUE(platform_.Messages.empty());
  EXPECT_TRUE(BindHookLibrary(FALSE));
  EXPECT_EQ(nullptr, g_Admin.HookModule);
  EXPECT_EQ(nullptr, g_Admin.GetAdminReq);
  EXPECT_EQ(nullptr, GetModuleHandleW(dir_.File(L"VnHook.dll").c_str())) << "unloaded";
}

TEST_F(AdminBinding, RefusesWithTheLaunchersMessages) {
  struct Case {
    const char* Name;
    const wchar_t* Fixture;  // NULL: no library at all
    int WantMessage;
    bool StaysLoaded;
  } cases[] = {
      {"another version", L"fakehook_badversion.dll", IDS_ERR_DLLVERSION, true},
      {"no _VnGetAdminReq", L"fakehook_noadmin.dll", IDS_ERR_DLLLOAD, false},
      {"no library", nullptr, IDS_ERR_DLLLOAD, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    DeleteFileW(dir_.File(L"VnHook.dll").c_str());
    if (c.Fixture) Put(FixturePath(c.Fixture));
    platform_.Messages.clear();
    EXPECT_FALSE(BindHookLibrary(TRUE));
    EXPECT_EQ(std::vector<int>{c.WantMessage}, platform_.Messages);
    EXPECT_EQ(nullptr, g_Admin.OperateMouseHook);
    EXPECT_EQ(nullptr, g_Admin.GetAdminReq);
    // A library of another version is kept until the clean-up frees it.
    EXPECT_EQ(c.StaysLoaded, g_Admin.HookModule != nullptr);
    EXPECT_TRUE(BindHookLibrary(FALSE));
    EXPECT_EQ(nullptr, GetModuleHandleW(dir_.File(L"VnHook.dll").c_str()));
  }
}

class RunningLauncher : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_Admin;
    lstrcpynW(g_Admin.LauncherPath, OwnExePath().c_str(), kLauncherPathChars);
  }
  void TearDown() override { g_Admin = saved_; }
  AdminState saved_;
  FakePlatform platform_;
};

TEST_F(RunningLauncher, IsAskedEvery100msUntilItsWindowIsGoneThenAwaited) {
  RecordingWindow launcher(L"VantrelWndClass");
  launcher.CloseAfter = 3;
  EXPECT_TRUE(CloseRunningLauncher());
  EXPECT_FALSE(IsWindow(launcher.Handle));
  EXPECT_EQ(3, launcher.Count(WM_CLOSE));
  EXPECT_EQ(300u, platform_.Elapsed());
  // Then its process's end, bounded: its hooks go with it.
  ASSERT_EQ(1u, platform_.Waits.size());
  EXPECT_EQ(kLauncherEndMs, platform_.Waits[0].second);
}

TEST_F(RunningLauncher, ThatNeverClosesFailsTheStartAfter300Seconds) {
  RecordingWindow launcher(L"VantrelWndClass");
  EXPECT_FALSE(CloseRunningLauncher());
  EXPECT_TRUE(IsWindow(launcher.Handle));
  EXPECT_GE(platform_.Elapsed(), kCloseLauncherMs);
  EXPECT_LT(platform_.Elapsed(), kCloseLauncherMs + 200);
  EXPECT_TRUE(platform_.Waits.empty());
}

TEST_F(RunningLauncher, OfAnotherFolderIsLeftAlone) {
  RecordingWindow launcher(L"VantrelWndClass");
  RecordingWindow plain(L"VnAdminTestWindow");
  lstrcpyW(g_Admin.LauncherPath, L"C:\\Elsewhere\\Vantrel.exe");
  EXPECT_TRUE(CloseRunningLauncher());
  PumpMessages();
  EXPECT_EQ(0, launcher.Count(WM_CLOSE));
  EXPECT_EQ(0u, platform_.Elapsed());
}

TEST(AdminWindow, ForwardsTheHooksMessagesUnchanged) {
  AdminState saved = g_Admin;
  RecordingWindow launcher(L"VantrelWndClass");
  g_Admin.LauncherWnd = launcher.Handle;
  HWND admin = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  struct Case {
    UINT Message;
    WPARAM W;
    LPARAM L;
    bool Forwarded;
  } cases[] = {
      {WMA_HOTKEY, 7, 0, true},           {WMA_MOUSECIRCLE, 1, 0, true},
      {WMA_MOUSEACTION, 5, 3, true},      {WMA_BUTTONUP, 0x80000002u, 0, true},
      {WMA_WINKEYDOWN, VK_LWIN, 0, true}, {WMA_WINKEYUP, VK_RWIN, 1, true},
      {WMA_HOOKTHREAD_INSTALL, 0, 0, false}, {WMA_SHOWLAUNCHER, 0x300, 0, false},
  };
  for (const Case& c : cases) {
    launcher.Messages.clear();
    EXPECT_EQ(0, AdminWndProc(admin, c.Message, c.W, c.L));
    PumpMessages();
    if (!c.Forwarded) {
      EXPECT_TRUE(launcher.Messages.empty()) << std::hex << c.Message;
      continue;
    }
    ASSERT_EQ(1u, launcher.Messages.size()) << std::hex << c.Message;
    EXPECT_EQ(c.Message, launcher.Messages[0].Message);
    EXPECT_EQ(c.W, launcher.Messages[0].W);
    EXPECT_EQ(c.L, launcher.Messages[0].L);
  }
  DestroyWindow(admin);
  g_Admin = saved;
}

TEST(AdminCleanup, RemovesOnlyItsOwnHooksAndFreesTheLibrary) {
  struct Case {
    int MouseOwned, KeyboardOwned;
    const char* WantCalls;
  } cases[] = {
      {1, 1, "mouse 2, keyboard 2"},
      {1, 0, "mouse 2"},
      {0, 0, ""},
  };
  for (const Case& c : cases) {
    FakePlatform platform;
    FakeHookLibrary lib;
    g_Admin.MouseHookOwned = c.MouseOwned;
    g_Admin.KeyboardHookOwned = c.KeyboardOwned;
    CleanupAdmin();
    EXPECT_EQ(c.WantCalls, lib.Joined());
    EXPECT_EQ(nullptr, g_Admin.OperateMouseHook);
    EXPECT_EQ(nullptr, g_Admin.GetAdminReq);
    EXPECT_EQ(nullptr, g_Admin.AdminWnd);
  }
}

}  // namespace
