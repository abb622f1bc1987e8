// Start-up and exit of the host with the launcher's outlets (kept apart
// from the plug-ins' own header, whose names the core defines too).
#include <gtest/gtest.h>

#include "core/launch.h"
#include "plugin_fixture.h"
#include "store/outlets.h"

namespace {

TEST_F(PluginHostTest, StartLoadsTheListedPluginsAndBindsTheCallers) {
  Install(L"good", L"A.dll");
  Install(L"old", L"Old.dll");
  Install(L"good", L"C.dll");
  wchar_t a[] = L"A.dll", old[] = L"Old.dll", missing[] = L"Missing.dll", c[] = L"C.dll", bad[] = L"..\\C.dll";
  wchar_t* names[] = {a, old, missing, bad, c};
  g_App.Settings.Plugins = names;
  g_App.Settings.PluginCount = 5;
  StartPluginHost();
  g_App.Settings.Plugins = nullptr;
  g_App.Settings.PluginCount = 0;
  ASSERT_EQ(2, Count());
  EXPECT_EQ(1, FindPlugin(L"C.dll"));
  EXPECT_EQ((std::vector<std::string>{"1 0 0", "2 1 0"}), Events(L"C.dll")) << "took the index the failed ones left";
  EXPECT_TRUE(g_StoreOutlets.BroadcastPluginEvent);
  EXPECT_TRUE(g_LaunchPlatform.PluginItemEvent);
  StopPluginHost();
  EXPECT_EQ(0, Count());
  EXPECT_FALSE(g_StoreOutlets.BroadcastPluginEvent);
  EXPECT_FALSE(g_LaunchPlatform.PluginItemEvent);
  EXPECT_EQ("3 0 0", Events(L"C.dll").back());
}

}  // namespace
