// The administrator helper's platform seam as its real start-up fills it:
// every entry bound, and a new entry cannot come without a name here.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "admin/platform.h"

namespace {

TEST(AdminPlatformSeam, EveryEntryIsBoundByTheRealStartUp) {
  const std::vector<const char*> fields = {
      "OsVersion", "ElevationType", "GetShellWindow", "DuplicateShellToken", "CreateEnvironmentBlock",
      "DestroyEnvironmentBlock", "CreateProcessWithTokenW", "CreateProcessW", "WaitForInputIdle",
      "WaitForSingleObject", "CloseHandle", "GetTickCount", "Sleep", "ShowMessage"};
  AdminPlatform saved = g_AdminPlatform;
  g_AdminPlatform = AdminPlatform();
  BindAdminPlatform();  // what wWinMain of VnAdmin.exe calls first
  ASSERT_EQ(sizeof(AdminPlatform), fields.size() * sizeof(void*)) << "a field has no name in this test";
  const void* const* slot = reinterpret_cast<const void* const*>(&g_AdminPlatform);
  for (size_t i = 0; i < fields.size(); ++i) EXPECT_NE(nullptr, slot[i]) << fields[i] << " is empty";
  g_AdminPlatform = saved;
}

}  // namespace
