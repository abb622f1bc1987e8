// Settings of older and newer versions: versioned copies and the upgrade
// steps, against before/after files traced by hand from the step table.
#include <gtest/gtest.h>

#include <string>

#include "state.h"
#include "render/design.h"
#include "resources/resource.h"
#include "store/items.h"
#include "store/settings.h"
#include "store/upgrade.h"
#include "support/settings_env.h"

namespace {

struct Golden {
  const wchar_t* Folder;
  const wchar_t* Copy;  // versioned copy of Vantrel.ini
  const wchar_t* DesignCopy;
};

const Golden kGolden[] = {
    {L"upgrade250", L"Vantrel250.ini", L"Design250.ini"},
    {L"upgrade320", L"Vantrel320.ini", L"Design320.ini"},
    {L"newer", L"Vantrel430.ini", L"Design430.ini"},
};

TEST(SettingsUpgrade, OlderAndNewerFilesBecomeTheCurrentFormat) {
  for (const Golden& g : kGolden) {
    SCOPED_TRACE(testing::Message() << std::string(g.Folder, g.Folder + wcslen(g.Folder)));
    SettingsEnv env;
    std::wstring folder = g.Folder;
    ASSERT_TRUE(env.Install((folder + L"\\Vantrel.ini").c_str()));
    if (!env.Install((folder + L"\\Design.ini").c_str(), L"Design.ini")) {
      ASSERT_TRUE(WriteUtf16File(env.File(L"Design.ini"), L"\r\n[Skin]\r\nName=\r\n"));
    }
    std::string oldSettings = env.Bytes(L"Vantrel.ini");
    std::string oldDesign = env.Bytes(L"Design.ini");

    ASSERT_EQ(1, ReadSettings());
    EXPECT_EQ(SettingsFixture((folder + L"\\expected.ini").c_str()), env.Bytes(L"Vantrel.ini"));
    EXPECT_EQ(oldSettings, env.Bytes(g.Copy));
    EXPECT_EQ(oldDesign, env.Bytes(g.DesignCopy));
    EXPECT_EQ(oldDesign, env.Bytes(L"Design.ini")) << "the upgrade writes the settings only";
    EXPECT_TRUE(env.Messages.Calls.empty());

    // Upgraded once: the next start runs nothing and copies nothing.
    DeleteFileW(env.File(g.Copy).c_str());
    std::string upgraded = env.Bytes(L"Vantrel.ini");
    ASSERT_EQ(1, ReadSettings());
    EXPECT_EQ(upgraded, env.Bytes(L"Vantrel.ini"));
    EXPECT_FALSE(env.Exists(g.Copy));
  }
}

TEST(SettingsUpgrade, MarginsAndSearchWindowOfOldFilesMoveIntoTheDesign) {
  SettingsEnv env;
  ResetSettings();
  g_App.Settings.Status = 0;
  for (ViewModeDesign& vm : g_App.Design.ViewMode) {
    memset(vm.Margin, 0, sizeof vm.Margin);
    vm.SearchWindowX = vm.SearchWindowY = vm.SearchWindowW = 9;
  }
  const wchar_t* text = L"\xFEFF\r\n[General]\r\n\r\n[Search]\r\nPosX=100\r\nWidth=300\r\n";
  ASSERT_EQ(1, RunSettingsUpgrade(text, 0x02070000));
  for (const ViewModeDesign& vm : g_App.Design.ViewMode) {
    EXPECT_EQ(4, vm.Margin[MARGIN_CAPTION].left);
    EXPECT_EQ(2, vm.Margin[MARGIN_CAPTION].top);
    EXPECT_EQ(6, vm.Margin[MARGIN_BUTTONICON].top);
    EXPECT_EQ(2, vm.Margin[MARGIN_BUTTONTEXT].bottom);
  }
  const ViewModeDesign& current = g_App.Design.ViewMode[0];
  EXPECT_EQ(100, current.SearchWindowX);
  EXPECT_EQ(0, current.SearchWindowY) << "a missing key gives 0";
  EXPECT_EQ(300, current.SearchWindowW);
  EXPECT_EQ(9, g_App.Design.ViewMode[1].SearchWindowX) << "only the current view mode";
}

TEST(SettingsUpgrade, StepsAtOrAboveTheirThresholdDoNothing) {
  SettingsEnv env;
  ResetSettings();
  g_App.Settings.Keyboard[26] = 0x50;
  g_App.Settings.Option1 = 0x2000000;
  g_App.Settings.Mouse.Button[0] = 40;
  // 2.7.0.0 itself is not older than the step of 2.7.0.0.
  ASSERT_EQ(1, RunSettingsUpgrade(L"", 0x04020000));
  EXPECT_EQ(0x50, g_App.Settings.Keyboard[26]);
  EXPECT_EQ(0x2000000u, g_App.Settings.Option1);
  EXPECT_EQ(40, g_App.Settings.Mouse.Button[0]);
}

TEST(SettingsUpgrade, VersionedCopyNamesAndMissingFiles) {
  SettingsEnv env;
  ASSERT_TRUE(WriteUtf16File(env.File(L"Vantrel.ini"), L"\r\n[General]\r\n"));
  CopyVersionedFiles(0x04010000);
  EXPECT_TRUE(env.Exists(L"Vantrel410.ini"));
  EXPECT_FALSE(env.Exists(L"Design410.ini")) << "no Design.ini, no copy, no complaint";
  CopyVersionedFiles(0x0A0B0C0D);
  EXPECT_TRUE(env.Exists(L"Vantrel1122.ini"));
}

}  // namespace
