#include "core/winhelpers.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/startup.h"
#include "state.h"
#include "core_child.h"

namespace {

class WinHelpersTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_App;
    g_App.OpenDialogCount = 0;
    g_App.RunState = 0;
    BindOptionalFunctions();
    g_App.Core.ElevationType = GetWindowElevationType(nullptr);
  }
  void TearDown() override {
    for (HWND w : windows_)
      if (IsWindow(w)) DestroyWindow(w);
    StopCloseWatcher();
    g_App = saved_;
  }
  HWND MakeWindow(DWORD style = WS_POPUP | WS_VISIBLE) {
    HWND w = CreateWindowExW(0, L"STATIC", L"", style, 10, 10, 60, 40, nullptr, nullptr, nullptr, nullptr);
    windows_.push_back(w);
    return w;
  }
  static HWND Fake(int n) { return (HWND)(INT_PTR)(0x1000 + n); }

  AppState saved_;
  std::vector<HWND> windows_;
};

TEST_F(WinHelpersTest, DialogStackPushesAndRemovesTheClosedDialog) {
  TrackOpenDialog(Fake(1), WM_INITDIALOG);
  TrackOpenDialog(Fake(2), WM_INITDIALOG);
  TrackOpenDialog(Fake(3), WM_INITDIALOG);
  EXPECT_EQ(Fake(3), GetTopOpenDialog());
  // Other messages change nothing.
  TrackOpenDialog(Fake(3), WM_COMMAND);
  EXPECT_EQ(3, g_App.OpenDialogCount);

  // Closed out of order: the top stays the owner of message boxes.
  TrackOpenDialog(Fake(2), WM_DESTROY);
  EXPECT_EQ(2, g_App.OpenDialogCount);
  EXPECT_EQ(Fake(3), GetTopOpenDialog());
  EXPECT_EQ(Fake(1), g_App.OpenDialogs[0]);

  // A dialog that was never pushed removes nothing.
  TrackOpenDialog(Fake(9), WM_DESTROY);
  EXPECT_EQ(2, g_App.OpenDialogCount);

  TrackOpenDialog(Fake(3), WM_DESTROY);
  EXPECT_EQ(Fake(1), GetTopOpenDialog());
  TrackOpenDialog(Fake(1), WM_DESTROY);
  EXPECT_EQ(nullptr, GetTopOpenDialog());
  EXPECT_EQ(0, g_App.OpenDialogCount);
  TrackOpenDialog(Fake(1), WM_DESTROY);
  EXPECT_EQ(0, g_App.OpenDialogCount);
}

TEST_F(WinHelpersTest, NestedDialogOwnsUntilDestroyed) {
  TrackOpenDialog(Fake(1), WM_INITDIALOG);
  TrackOpenDialog(Fake(2), WM_INITDIALOG);
  EXPECT_EQ(Fake(2), GetTopOpenDialog());
  TrackOpenDialog(Fake(2), WM_DESTROY);
  EXPECT_EQ(Fake(1), GetTopOpenDialog());
}

TEST_F(WinHelpersTest, FullDialogStackKeepsItsEntries) {
  for (int i = 0; i < kMaxOpenDialogs + 3; ++i) TrackOpenDialog(Fake(i), WM_INITDIALOG);
  EXPECT_EQ(kMaxOpenDialogs, g_App.OpenDialogCount);
  EXPECT_EQ(Fake(kMaxOpenDialogs - 1), GetTopOpenDialog());
  // The untracked dialogs' ends leave the tracked ones alone.
  TrackOpenDialog(Fake(kMaxOpenDialogs + 1), WM_DESTROY);
  EXPECT_EQ(kMaxOpenDialogs, g_App.OpenDialogCount);
  // A corrupt count reads as an empty stack.
  g_App.OpenDialogCount = kMaxOpenDialogs + 5;
  EXPECT_EQ(nullptr, GetTopOpenDialog());
}

TEST_F(WinHelpersTest, BringToForeground) {
  EXPECT_EQ(0, BringToForeground(nullptr, 0));
  EXPECT_EQ(0, BringToForeground(Fake(1), 0));

  HWND a = MakeWindow();
  HWND b = MakeWindow();
  EXPECT_EQ(1, BringToForeground(a, 0));
  EXPECT_EQ(a, GetForegroundWindow());
  EXPECT_EQ(1, BringToForeground(b, 0));
  EXPECT_EQ(b, GetForegroundWindow());
  // Already in front: still success.
  EXPECT_EQ(1, BringToForeground(b, 0));

  HWND c = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  ShowWindow(c, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(c));
  BringToForeground(a, 0);
  EXPECT_EQ(1, BringToForeground(c, 1));
  EXPECT_FALSE(IsIconic(c));
}

TEST_F(WinHelpersTest, OwnWindowsAreNeverRouted) {
  HWND a = MakeWindow();
  EXPECT_EQ(0, RouteWindowOperation(a, 0));
  g_App.RunState = RS_VNADMIN_MODE;
  EXPECT_EQ(0, RouteWindowOperation(a, 2));
  EXPECT_EQ(0, GetWindowElevationType(Fake(1)));
}

TEST_F(WinHelpersTest, ElevatedTargetsNeedTheHelperUnlessWeAreElevated) {
  ChildProcess child;
  ASSERT_TRUE(child.Start());
  HWND w = child.Windows[0];
  int type = GetWindowElevationType(w);
  g_App.Core.ElevationType = 0;
  // Wine gives every process a full token, Windows only elevated ones.
  EXPECT_EQ(type == 1 ? 2 : 0, RouteWindowOperation(w, 0));
  EXPECT_EQ(type == 1 ? 0 : 1, RequestCloseWindow(w, 0));
  g_App.RunState = RS_VNADMIN_MODE;
  EXPECT_EQ(type == 1 ? 2 : 0, RouteWindowOperation(w, 0));
  EXPECT_EQ(1, RequestCloseWindow(w, 0));
  // Running elevated ourselves, we act on it directly.
  g_App.RunState = 0;
  g_App.Core.ElevationType = 1;
  EXPECT_EQ(0, RouteWindowOperation(w, 0));
  EXPECT_EQ(1, RequestCloseWindow(w, 0));
  EXPECT_TRUE(child.Running());
}

TEST_F(WinHelpersTest, ExePathOfWindows) {
  HWND a = MakeWindow();
  wchar_t path[kExePathChars];
  EXPECT_EQ(GetCurrentProcessId(), GetWindowExePath(a, path, 0));
  wchar_t own[kExePathChars];
  GetModuleFileNameW(nullptr, own, kExePathChars);
  EXPECT_EQ(0, _wcsicmp(own, path));
  EXPECT_EQ(GetCurrentProcessId(), GetWindowExePath(a, nullptr, 0));
  EXPECT_EQ(0u, GetWindowExePath(Fake(1), path, 2));
  EXPECT_EQ(0, path[0]);

  ChildProcess child;
  ASSERT_TRUE(child.Start());
  EXPECT_EQ(child.Info.dwProcessId, GetWindowExePath(child.Windows[0], path, 0));
  EXPECT_EQ(0, _wcsicmp(own, path));
}

TEST_F(WinHelpersTest, CloseWithoutKillOnlyAsks) {
  EXPECT_EQ(0, RequestCloseWindow(nullptr, 0));
  ChildProcess child;
  ASSERT_TRUE(child.Start());
  EXPECT_EQ(1, RequestCloseWindow(child.Windows[0], 0));
  Sleep(1600);
  EXPECT_TRUE(child.Running());
}

TEST_F(WinHelpersTest, CloseWithKillEndsAStubbornProgramAfterASecond) {
  ChildProcess child;
  ASSERT_TRUE(child.Start());
  DWORD start = GetTickCount();
  EXPECT_EQ(1, RequestCloseWindow(child.Windows[0], 1));
  // A second request for another window of the same process makes no new
  // entry: the first request's time still counts.
  Sleep(500);
  EXPECT_EQ(1, RequestCloseWindow(child.Windows[1], 1));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(child.Info.hProcess, 5000));
  DWORD took = GetTickCount() - start;
  EXPECT_GE(took, 1000u);
  EXPECT_LE(took, 1450u);
  DWORD code = 1;
  GetExitCodeProcess(child.Info.hProcess, &code);
  EXPECT_EQ(0u, code);
}

TEST_F(WinHelpersTest, KillNeverEndsThisProcess) {
  HWND a = MakeWindow();
  EXPECT_EQ(1, RequestCloseWindow(a, 1));
  Sleep(1400);
  MSG msg;
  bool gotClose = false;
  while (PeekMessageW(&msg, a, WM_CLOSE, WM_CLOSE, PM_REMOVE)) gotClose = true;
  EXPECT_TRUE(gotClose);
}

}  // namespace
