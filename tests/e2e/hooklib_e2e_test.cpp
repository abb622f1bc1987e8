// The real Vantrel.exe with the real hook library: what the library's shared
// section carries from one launcher to the next.
#include <gtest/gtest.h>
#include <windows.h>

#include "e2e/launcher_fixture.h"

namespace {

using namespace e2e;

// Ctrl+Alt+K shows the launcher, keeping the current page.
const wchar_t kShowHotKey[] =
    L"\r\n[HotKey]\r\nCount=0\r\n\r\n[HotKey000]\r\nCode=064b\r\nPage=65535\r\nButton=0\r\n";

// The section lives while any process maps the library (the administrator
// helper does; here this test). A launcher that dies leaves its hook handles
// in it; the next one must get hooks of its own all the same.
TEST(HookLibraryE2E, LauncherAfterOneThatDiedGetsItsHooks) {
  ProgramFolder folder(true);
  folder.SeedSettings(2, kShowHotKey);
  HMODULE lib = LoadLibraryW(folder.Dir.File(L"VnHook.dll").c_str());
  ASSERT_NE(nullptr, lib);
  {
    Launcher first;
    HWND w = first.StartReady(folder, L"");
    ASSERT_NE(nullptr, w);
    InjectKeys({VK_CONTROL, VK_MENU, 'K'});
    ASSERT_TRUE(BecomesVisible(w)) << "the first launcher's hooks work";
    ASSERT_TRUE(TerminateProcess(first.Info.hProcess, 1));
    ASSERT_EQ(1, first.WaitExit());
  }
  Launcher second;
  HWND w = second.StartReady(folder, L"");
  ASSERT_NE(nullptr, w);
  ASSERT_FALSE(Visible(w));
  InjectKeys({VK_CONTROL, VK_MENU, 'K'});
  EXPECT_TRUE(BecomesVisible(w));
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
  EXPECT_EQ(0, second.Quit());
  FreeLibrary(lib);
}

}  // namespace
