// The real VnAdmin.exe with the real launcher and hook library. Wine runs
// every process with a full token and has no desktop shell, so a stand-in
// program registers the shell window; the launcher then runs with that
// program's token, which under Wine is as full as ours: that the launcher
// really runs de-elevated, and the mutex rights that makes necessary, only
// Windows shows (tests/windows-checklist.md).
#include <gtest/gtest.h>
#include <windows.h>

#include "e2e/launcher_fixture.h"

namespace {

using namespace e2e;

const wchar_t kShowHotKey[] =
    L"\r\n[HotKey]\r\nCount=0\r\n\r\n[HotKey000]\r\nCode=064b\r\nPage=65535\r\nButton=0\r\n";

// A started program of the build folder or of a program folder.
struct Program {
  PROCESS_INFORMATION Info = {};
  bool Start(const std::wstring& exe, const std::wstring& args, const std::wstring& folder,
             const std::wstring& messageLog = L"") {
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    std::vector<wchar_t> buf(cmd.begin(), cmd.end());
    buf.push_back(0);
    if (!messageLog.empty()) SetEnvironmentVariableW(L"VANTREL_MESSAGE_LOG", messageLog.c_str());
    STARTUPINFOW si = {sizeof si};
    BOOL ok = CreateProcessW(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &Info);
    SetEnvironmentVariableW(L"VANTREL_MESSAGE_LOG", nullptr);
    return ok != FALSE;
  }
  bool Running() const { return Info.hProcess && WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT; }
  long WaitExit(DWORD timeoutMs) const {
    if (WaitForSingleObject(Info.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(Info.hProcess, &code);
    return (long)code;
  }
  ~Program() {
    if (!Info.hProcess) return;
    if (Running()) TerminateProcess(Info.hProcess, 1);
    CloseHandle(Info.hProcess);
    CloseHandle(Info.hThread);
  }
};

// The desktop shell's stand-in, up until the object goes.
struct ShellStandIn {
  Program P;
  bool Start() {
    if (!P.Start(BuildFile(L"shellstandin.exe"), L"", BuildFile(L""))) return false;
    for (int i = 0; i < 250 && !GetShellWindow(); ++i) Sleep(20);
    return GetShellWindow() != nullptr;
  }
  ~ShellStandIn() {
    if (HWND w = GetShellWindow()) PostMessageW(w, WM_CLOSE, 0, 0);
    P.WaitExit(5000);
  }
};

struct AdminFolder : ProgramFolder {
  explicit AdminFolder(bool realLibrary = true) : ProgramFolder(realLibrary) {
    EXPECT_TRUE(CopyFileW(BuildFile(L"VnAdmin.exe").c_str(), Helper().c_str(), FALSE));
  }
  std::wstring Helper() const { return Dir.File(L"VnAdmin.exe"); }
};

// Presses the show hot key until the window shows (the helper serves the
// launcher's hook requests on its 100 ms timer).
bool HotKeyShows(HWND w, DWORD timeoutMs = 5000) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    InjectKeys({VK_CONTROL, VK_MENU, 'K'});
    if (BecomesVisible(w, true, 500)) return true;
  }
  return false;
}

TEST(AdminHelperE2E, TakesOverFromARunningLauncherAndHostsItsHooks) {
  AdminFolder folder;
  folder.SeedSettings(2, kShowHotKey);
  ShellStandIn shell;
  ASSERT_TRUE(shell.Start()) << "no stand-in shell window";
  // This process maps the folder's library as well: its section lives on
  // from one program to the next, with whatever hook handles they leave.
  HMODULE lib = LoadLibraryW(folder.Dir.File(L"VnHook.dll").c_str());
  ASSERT_NE(nullptr, lib);

  Launcher old;
  ASSERT_NE(nullptr, old.StartReady(folder, L""));
  Program helper;
  ASSERT_TRUE(helper.Start(folder.Helper(), L"/p2", folder.Dir.Path, folder.MessageLog()));
  EXPECT_EQ(0, old.WaitExit(15000)) << "the running launcher is closed";

  HWND w = nullptr;
  for (int i = 0; i < 750 && !w; ++i) {
    w = FindWindowOfImage(kMainClass, folder.Exe(), old.Info.dwProcessId);
    if (!w) Sleep(20);
  }
  ASSERT_NE(nullptr, w) << "no new launcher";
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  EXPECT_EQ(L"\"" + folder.Exe() + L"\" /vnadmin /p2", ProcessCommandLine(pid));
  DWORD_PTR answer;
  ASSERT_TRUE(SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
  EXPECT_TRUE(helper.Running());

  // A second helper of the folder leaves the first in charge.
  Program second;
  ASSERT_TRUE(second.Start(folder.Helper(), L"", folder.Dir.Path, folder.MessageLog()));
  EXPECT_EQ(0, second.WaitExit(10000));
  EXPECT_TRUE(IsWindow(w));

  // The launcher installs no hooks itself: the key reaches it through the
  // helper's hooks and the helper's window.
  ASSERT_TRUE(HotKeyShows(w));
  SendMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(BecomesVisible(w, false));

  // Unhook from the launcher's menu: it queues "hooks off", the helper
  // removes them, and the key no longer shows it.
  PostMessageW(w, WM_COMMAND, 40010, 0);
  Sleep(600);
  InjectKeys({VK_CONTROL, VK_MENU, 'K'});
  EXPECT_TRUE(StaysVisible(w, false, 1500));
  // And on again.
  PostMessageW(w, WM_COMMAND, 40010, 0);
  EXPECT_TRUE(HotKeyShows(w));

  // The launcher ends; so does the helper, with its hooks removed.
  PostMessageW(w, WM_COMMAND, 40004, 0);
  EXPECT_EQ(0, helper.WaitExit(10000));
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));

  // Under Wine a hook's removal cannot be told from its thread's end; what
  // shows is that the next launcher of the folder gets hooks of its own.
  Launcher next;
  HWND nw = next.StartReady(folder, L"");
  ASSERT_NE(nullptr, nw);
  EXPECT_TRUE(HotKeyShows(nw));
  EXPECT_EQ(0, next.Quit());
  FreeLibrary(lib);
}

TEST(AdminHelperE2E, RefusesAHookLibraryOfAnotherVersion) {
  AdminFolder folder(false);
  folder.SeedSettings(1);
  ASSERT_TRUE(CopyFileW(FixturePath(L"fakehook_badversion.dll").c_str(), folder.Dir.File(L"VnHook.dll").c_str(), FALSE));
  ShellStandIn shell;
  ASSERT_TRUE(shell.Start());
  Program helper;
  ASSERT_TRUE(helper.Start(folder.Helper(), L"", folder.Dir.Path, folder.MessageLog()));
  EXPECT_EQ(0, helper.WaitExit(10000));
  EXPECT_EQ("651\r\n", ReadFileBytes(folder.MessageLog()));
  EXPECT_EQ(nullptr, FindWindowOfImage(kMainClass, folder.Exe())) << "no launcher is started";
}

}  // namespace
