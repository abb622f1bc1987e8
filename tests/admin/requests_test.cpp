// The helper's request service: what it accepts from the ring (any process
// that maps the hook library can write there), the hooks it installs and
// removes, the priority class, and the window operations.
#include "admin/requests.h"

#include <gtest/gtest.h>

#include "admin/state.h"
#include "admin_fixture.h"
#include "common/closewatch.h"
#include "support/child_process.h"

namespace {

using namespace admintest;

const DWORD kSelf = 100, kSession = 1;

RequestTarget Top(DWORD pid = 200, DWORD session = kSession) { return {1, 1, pid, 1, session}; }

TEST(AdminRequestCheck, OnlyKnownRequestsWithSoundArguments) {
  struct Case {
    const char* Name;
    int Kind;
    INT_PTR A, B;
    RequestTarget Target;
    RequestVerdict Want;
  } cases[] = {
      {"mouse hook on", 1, 1, 0, {}, REQUEST_OK},
      {"mouse hook off", 1, 0, 0, {}, REQUEST_OK},
      {"keyboard hook on", 2, 1, 0, {}, REQUEST_OK},
      {"hook switch 2", 2, 2, 0, {}, REQUEST_BAD_ARGUMENT},
      {"hook switch -1", 1, -1, 0, {}, REQUEST_BAD_ARGUMENT},
      {"high priority", 3, HIGH_PRIORITY_CLASS, 0, {}, REQUEST_OK},
      {"idle priority", 3, IDLE_PRIORITY_CLASS, 0, {}, REQUEST_OK},
      {"below normal", 3, BELOW_NORMAL_PRIORITY_CLASS, 0, {}, REQUEST_OK},
      {"above normal", 3, ABOVE_NORMAL_PRIORITY_CLASS, 0, {}, REQUEST_OK},
      {"normal", 3, NORMAL_PRIORITY_CLASS, 0, {}, REQUEST_OK},
      {"realtime", 3, REALTIME_PRIORITY_CLASS, 0, {}, REQUEST_BAD_PRIORITY},
      {"high with realtime", 3, HIGH_PRIORITY_CLASS | REALTIME_PRIORITY_CLASS, 0, {}, REQUEST_BAD_PRIORITY},
      {"no class", 3, 0, 0, {}, REQUEST_BAD_PRIORITY},
      {"made-up class", 3, 0x12345, 0, {}, REQUEST_BAD_PRIORITY},
      {"window op 0", 4, 0x1234, 0, Top(), REQUEST_OK},
      {"window op 9", 4, 0x1234, 9, Top(), REQUEST_OK},
      {"window op 10", 4, 0x1234, 10, Top(), REQUEST_BAD_ARGUMENT},
      {"window op -1", 4, 0x1234, -1, Top(), REQUEST_BAD_ARGUMENT},
      {"no window", 4, 0x1234, 1, {}, REQUEST_NOT_A_WINDOW},
      {"child window", 4, 0x1234, 1, {1, 0, 200, 1, kSession}, REQUEST_NOT_TOP_LEVEL},
      {"the helper's own window", 4, 0x1234, 2, Top(kSelf), REQUEST_OWN_PROCESS},
      {"another session", 4, 0x1234, 2, Top(200, 0), REQUEST_OTHER_SESSION},
      {"session unknown", 4, 0x1234, 2, {1, 1, 200, 0, kSession}, REQUEST_OTHER_SESSION},
      {"empty slot", 0, 0, 0, {}, REQUEST_UNKNOWN_KIND},
      {"kind 5", 5, 1, 0, {}, REQUEST_UNKNOWN_KIND},
      {"negative kind", -4, 1, 0, Top(), REQUEST_UNKNOWN_KIND},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Want, CheckAdminRequest(c.Kind, c.A, c.B, &c.Target, kSelf, kSession)) << c.Name;
  EXPECT_EQ(REQUEST_NOT_A_WINDOW, CheckAdminRequest(4, 0x1234, 1, nullptr, kSelf, kSession));
}

TEST(AdminRequestCheck, DescribesRealWindows) {
  RecordingWindow top;
  HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, top.Handle, nullptr, nullptr, nullptr);
  HWND messageOnly = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 5, 5, HWND_MESSAGE, nullptr, nullptr, nullptr);
  DWORD session = 0;
  ASSERT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &session));
  RequestTarget t;
  DescribeRequestTarget(top.Handle, &t);
  EXPECT_TRUE(t.IsWindow);
  EXPECT_TRUE(t.TopLevel);
  EXPECT_EQ(GetCurrentProcessId(), t.ProcessId);
  EXPECT_TRUE(t.SessionKnown);
  EXPECT_EQ(session, t.SessionId);
  DescribeRequestTarget(child, &t);
  EXPECT_TRUE(t.IsWindow);
  EXPECT_FALSE(t.TopLevel);
  DescribeRequestTarget(messageOnly, &t);
  EXPECT_FALSE(t.TopLevel);
  DestroyWindow(messageOnly);
  DescribeRequestTarget(messageOnly, &t);
  EXPECT_FALSE(t.IsWindow);
  DescribeRequestTarget(nullptr, &t);
  EXPECT_FALSE(t.IsWindow);
}

class AdminService : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_Admin;
    g_Admin.AdminWnd = admin_.Handle;
    g_Admin.LauncherWnd = launcher_.Handle;
  }
  void TearDown() override {
    StopProcessEndWatch();
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
    g_Admin = saved_;
  }
  void Tick() {
    AdminRequestTimerProc(admin_.Handle, WM_TIMER, kRequestTimerId, 0);
    PumpMessages();
  }
  AdminState saved_;
  RecordingWindow admin_;
  RecordingWindow launcher_{L"VantrelWndClass"};
  FakePlatform platform_;
};

TEST_F(AdminService, HookRequestsInstallOwnHooksWithTheAdminWindowAsTarget) {
  FakeHookLibrary lib;
  lib.Queue(1, 1);
  lib.Queue(2, 1);
  Tick();
  // A handle left in the library by another process is removed first, so
  // that installing cannot be a no-op reporting success.
  EXPECT_EQ("mouse 2, mouse 1, keyboard 2, keyboard 1", lib.Joined());
  EXPECT_EQ((std::vector<HWND>{admin_.Handle, admin_.Handle}), lib.Targets);
  EXPECT_EQ(std::vector<BOOL>{TRUE}, lib.LowLevel);
  EXPECT_TRUE(g_Admin.MouseHookOwned);
  EXPECT_TRUE(g_Admin.KeyboardHookOwned);
  EXPECT_EQ(0, launcher_.Count(WMA_ADMINERROR));

  // Ours already: installing again asks the library only.
  lib.Calls.clear();
  lib.Queue(1, 1);
  lib.Queue(1, 0);
  lib.Queue(2, 0);
  Tick();
  EXPECT_EQ("mouse 1, mouse 2, keyboard 2", lib.Joined());
  EXPECT_FALSE(g_Admin.MouseHookOwned);
  EXPECT_FALSE(g_Admin.KeyboardHookOwned);

  // What we did not install is never removed here.
  lib.Calls.clear();
  lib.Queue(1, 0);
  lib.Queue(2, 0);
  Tick();
  EXPECT_EQ("", lib.Joined());
}

TEST_F(AdminService, AFailedInstallIsReportedToTheLauncher) {
  struct Case {
    const char* Name;
    int Kind;
    int InstallFailures, RemoveFailures;
    const char* WantCalls;
  } cases[] = {
      {"mouse hook refused", 1, 1, 0, "mouse 2, mouse 1"},
      {"keyboard hook refused", 2, 1, 0, "keyboard 2, keyboard 1"},
      {"another process's hook stays", 1, 0, 1, "mouse 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    FakeHookLibrary lib;
    lib.InstallFailures = c.InstallFailures;
    lib.RemoveFailures = c.RemoveFailures;
    launcher_.Messages.clear();
    lib.Queue(c.Kind, 1);
    Tick();
    EXPECT_EQ(c.WantCalls, lib.Joined());
    ASSERT_EQ(1, launcher_.Count(WMA_ADMINERROR));
    EXPECT_EQ(3u, launcher_.Messages[0].W);
    EXPECT_EQ(0, launcher_.Messages[0].L);
    EXPECT_FALSE(g_Admin.MouseHookOwned || g_Admin.KeyboardHookOwned);
  }
}

TEST_F(AdminService, RemovalIsRetriedFor3SecondsThenLeft) {
  FakeHookLibrary lib;
  g_Admin.MouseHookOwned = 1;
  lib.RemoveFailures = 5;
  DWORD start = platform_.Now;
  EXPECT_TRUE(SetAdminMouseHook(FALSE));
  EXPECT_EQ(50u, platform_.Now - start) << "every 10 ms";
  EXPECT_FALSE(g_Admin.MouseHookOwned);
  g_Admin.MouseHookOwned = 1;
  lib.RemoveFailures = -1;
  start = platform_.Now;
  EXPECT_FALSE(SetAdminMouseHook(FALSE));
  EXPECT_GE(platform_.Now - start, 3000u);
  EXPECT_LE(platform_.Now - start, 3020u);
  EXPECT_TRUE(g_Admin.MouseHookOwned) << "still ours, still installed";
  EXPECT_EQ(0, launcher_.Count(WMA_ADMINERROR)) << "a removal that fails is not reported";
}

TEST_F(AdminService, PriorityRequestsSetTheHelpersClassButNeverRealtime) {
  FakeHookLibrary lib;
  lib.Queue(3, HIGH_PRIORITY_CLASS);
  Tick();
  EXPECT_EQ((DWORD)HIGH_PRIORITY_CLASS, GetPriorityClass(GetCurrentProcess()));
  lib.Queue(3, REALTIME_PRIORITY_CLASS);
  lib.Queue(3, 0x12345);
  Tick();
  EXPECT_EQ((DWORD)HIGH_PRIORITY_CLASS, GetPriorityClass(GetCurrentProcess()));
  lib.Queue(3, BELOW_NORMAL_PRIORITY_CLASS);
  Tick();
  EXPECT_EQ((DWORD)BELOW_NORMAL_PRIORITY_CLASS, GetPriorityClass(GetCurrentProcess()));
}

TEST_F(AdminService, UnknownAndRefusedRequestsLeaveTheRingAndDoNothing) {
  FakeHookLibrary lib;
  RecordingWindow own;
  lib.Queue(7, 1, 1);
  lib.Queue(0, 0, 0);
  lib.Queue(4, (INT_PTR)own.Handle, 9);  // the helper's own window
  lib.Queue(4, (INT_PTR)own.Handle, 1);
  lib.Queue(1, 5);
  lib.Queue(2, 1);
  Tick();
  EXPECT_EQ(6, lib.Taken);
  EXPECT_TRUE(lib.Ring.empty());
  EXPECT_EQ("keyboard 2, keyboard 1", lib.Joined());
  EXPECT_FALSE(GetWindowLongW(own.Handle, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(0, own.Count(WM_CLOSE));
  EXPECT_EQ(REQUEST_OWN_PROCESS, CarryOutAdminRequest(4, (INT_PTR)own.Handle, 2));
  PumpMessages();
  EXPECT_EQ(0, own.Count(WM_CLOSE));
}

TEST_F(AdminService, OneTickTakesAtMostAFullRing) {
  FakeHookLibrary lib;
  lib.EndlessRing = true;
  Tick();
  EXPECT_EQ(kAdminRingSize, lib.Taken);
}

TEST_F(AdminService, EndsWhenTheLaunchersWindowIsGone) {
  FakeHookLibrary lib;
  lib.Queue(1, 1);
  UINT_PTR timer = SetTimer(admin_.Handle, kRequestTimerId, 60000, nullptr);
  ASSERT_NE(0u, timer);
  DestroyWindow(launcher_.Handle);
  Tick();
  EXPECT_EQ(1, admin_.Count(WM_CLOSE));
  EXPECT_EQ(1u, lib.Ring.size()) << "nothing served once the launcher is gone";
  EXPECT_FALSE(KillTimer(admin_.Handle, kRequestTimerId)) << "the timer was killed";
}

TEST_F(AdminService, WindowRequestsActOnOtherProgramsWindows) {
  ChildProcess child;
  ASSERT_TRUE(child.Start());
  FakeHookLibrary lib;
  lib.Queue(4, (INT_PTR)child.Windows[0], 9);
  Tick();
  EXPECT_TRUE(GetWindowLongW(child.Windows[0], GWL_EXSTYLE) & WS_EX_TOPMOST);
  lib.Queue(4, (INT_PTR)child.Windows[0], 9);
  Tick();
  EXPECT_FALSE(GetWindowLongW(child.Windows[0], GWL_EXSTYLE) & WS_EX_TOPMOST);
  lib.Queue(4, (INT_PTR)child.Windows[0], 7);
  Tick();
  EXPECT_TRUE(IsWindowVisible(child.Windows[0]));
  lib.Queue(4, (INT_PTR)child.Windows[0], 6);
  Tick();
  EXPECT_FALSE(IsWindowVisible(child.Windows[0]));
}

TEST_F(AdminService, CloseAndEndEndsAStubbornProgramAfterASecond) {
  ChildProcess child;
  ASSERT_TRUE(child.Start());
  FakeHookLibrary lib;
  DWORD start = GetTickCount();
  lib.Queue(4, (INT_PTR)child.Windows[0], 2);
  Tick();
  // Asked twice, watched once: the first request's time counts.
  Sleep(500);
  lib.Queue(4, (INT_PTR)child.Windows[1], 2);
  Tick();
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.Info.hProcess, 5000));
  DWORD took = GetTickCount() - start;
  EXPECT_GE(took, 1000u);
  EXPECT_LE(took, 1600u);
}

TEST_F(AdminService, ClosingWithoutEndOnlyAsks) {
  ChildProcess child;
  ASSERT_TRUE(child.Start());
  EXPECT_FALSE(CloseWindowAndWatch(nullptr, TRUE));
  EXPECT_TRUE(CloseWindowAndWatch(child.Windows[0], FALSE));
  Sleep(1400);
  EXPECT_TRUE(child.Running());
}

TEST(AdminWindowOps, EachOperationOnARealWindow) {
  RecordingWindow w(L"VnAdminTestWindow", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_MAXIMIZEBOX | WS_MINIMIZEBOX);
  HWND h = w.Handle;
  auto topmost = [&] { return (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  DoAdminWindowOp(h, 9);
  EXPECT_TRUE(topmost());
  DoAdminWindowOp(h, 9);
  EXPECT_FALSE(topmost());
  DoAdminWindowOp(h, 3);
  EXPECT_TRUE(IsZoomed(h));
  DoAdminWindowOp(h, 4);
  EXPECT_TRUE(IsIconic(h));
  DoAdminWindowOp(h, 5);
  EXPECT_FALSE(IsIconic(h));
  DoAdminWindowOp(h, 6);
  EXPECT_FALSE(IsWindowVisible(h));
  DoAdminWindowOp(h, 7);
  EXPECT_TRUE(IsWindowVisible(h));
  DoAdminWindowOp(h, 1);
  DoAdminWindowOp(h, 10);  // no such operation
  PumpMessages();
  EXPECT_EQ(1, w.Count(WM_CLOSE));
  EXPECT_TRUE(IsWindow(h));
  DestroyWindow(h);
  DoAdminWindowOp(h, 9);  // gone: nothing happens
  EXPECT_FALSE(ForceForegroundWindow(h, TRUE));
}

TEST(AdminWindowOps, ForegroundRestoresAMinimisedWindowFirst) {
  RecordingWindow w(L"VnAdminTestWindow", WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_MINIMIZEBOX);
  RecordingWindow front(L"VnAdminTestWindow", WS_POPUP | WS_VISIBLE);
  ShowWindow(w.Handle, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(w.Handle));
  // The window in front is only brought to the top, minimised or not.
  SetForegroundWindow(front.Handle);
  ASSERT_NE(w.Handle, GetForegroundWindow());
  EXPECT_TRUE(ForceForegroundWindow(w.Handle, TRUE));
  EXPECT_FALSE(IsIconic(w.Handle));
}

}  // namespace
