// First-run defaults, the automatic backup, export of the settings and the
// design.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <string.h>

#include <string>
#include <thread>

#include "state.h"
#include "resources/resource.h"
#include "store/backup.h"
#include "store/items.h"
#include "store/paths.h"
#include "store/lists.h"
#include "store/settings.h"
#include "support/settings_env.h"

namespace {

const SettingsState& S() { return g_App.Settings; }

std::wstring Hex8(UINT v) {
  wchar_t buf[16];
  wsprintfW(buf, L"%08x", v);
  return buf;
}

std::wstring ShellName(int csidl) {
  LPITEMIDLIST pidl = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &pidl))) return L"";
  SHFILEINFOW info = {};
  SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof info, SHGFI_PIDL | SHGFI_DISPLAYNAME);
  CoTaskMemFree(pidl);
  return info.szDisplayName;
}

std::wstring UserName() {
  wchar_t user[257];
  DWORD len = 257;
  return GetUserNameW(user, &len) ? user : L"";
}

// ---- first run ------------------------------------------------------------------

TEST(FirstRun, WritesTheDefaultsOfANewInstallation) {
  SettingsEnv env;
  ASSERT_EQ(1, ReadSettings());
  std::wstring backup = env.File((UserName() + L"_Backup.ini").c_str());

  std::string fixture = SettingsFixture(L"firstrun\\expected.ini");
  ASSERT_GT(fixture.size(), 2u);
  std::wstring expected(reinterpret_cast<const wchar_t*>(fixture.data() + 2), (fixture.size() - 2) / 2);
  ReplaceAll(expected, L"@VERSION@", Hex8(GetModuleVersion(nullptr)));
  ReplaceAll(expected, L"@TODAY@", Hex8(SettingsEnv::kToday));
  ReplaceAll(expected, L"@BACKUPFILE@", backup);
  ReplaceAll(expected, L"@LANGUAGE@", g_App.LangFile);
  ReplaceAll(expected, L"@NAME_DRIVES@", ShellName(CSIDL_DRIVES));
  ReplaceAll(expected, L"@NAME_CONTROLS@", ShellName(CSIDL_CONTROLS));
  ReplaceAll(expected, L"@NAME_PERSONAL@", ShellName(CSIDL_PERSONAL));
  ReplaceAll(expected, L"@NAME_BITBUCKET@", ShellName(CSIDL_BITBUCKET));
  EXPECT_EQ(expected, env.Text(L"Vantrel.ini"));
  EXPECT_TRUE(env.Exists(L"Design.ini"));
  EXPECT_FALSE(env.Exists(L"Vantrel.ini.bad"));
  EXPECT_TRUE(env.Messages.Calls.empty());

  // In memory as well as in the file; a second start reads the same back.
  ASSERT_EQ(3, g_App.Store.PageCount);
  ASSERT_EQ(5, g_App.Store.Pages[0].Count);
  EXPECT_EQ(0x14065u, g_App.Store.PageButtons[0][4]->Type);
  EXPECT_EQ(10, g_App.Store.Refs.MaxMemories);
  ASSERT_NE(nullptr, g_App.Store.Refs.History);
  // Corners get their least margin from the start, not only once read back.
  for (int t = 0; t < 4; t++) {
    EXPECT_EQ(1, S().EdgeMargins[t].cx) << t;
    EXPECT_EQ(1, S().EdgeMargins[t].cy) << t;
  }
  EXPECT_EQ(0, S().EdgeMargins[4].cx);
  std::string written = env.Bytes(L"Vantrel.ini");
  ASSERT_EQ(1, ReadSettings());
  EXPECT_EQ(written, env.Bytes(L"Vantrel.ini"));
  EXPECT_EQ(5, g_App.Store.Pages[0].Count);
  EXPECT_EQ(0x221, S().Keyboard[0]);
  EXPECT_EQ(1, S().EdgeMargins[0].cx);
}

// The default pages' design is part of what a first run writes, so that the
// next start draws the pages as the first one did and rewrites nothing.
TEST(FirstRun, TheDefaultPageDesignIsWrittenAndReadBack) {
  SettingsEnv env;
  ASSERT_EQ(1, ReadSettings());
  PageDesign def = {};
  InitPageDesign(&def);
  EXPECT_EQ(0xFFFFFFu, def.Sets[PD_BUTTONN].BG1);
  std::wstring design = env.Text(L"Design.ini");
  size_t at = design.find(L"\r\n[PageDefault]\r\n");
  ASSERT_NE(std::wstring::npos, at);
  for (const wchar_t* page : {L"\r\n[Page000]\r\n", L"\r\n[Page001]\r\n", L"\r\n[Page002]\r\n"}) {
    size_t next = design.find(page, at + 1);
    ASSERT_NE(std::wstring::npos, next);
    at = next;
  }
  EXPECT_EQ(std::wstring::npos, design.find(L"[Page003]"));

  std::string settings = env.Bytes(L"Vantrel.ini"), designBytes = env.Bytes(L"Design.ini");
  for (int start = 2; start <= 3; start++) {
    SCOPED_TRACE(start);
    ItemStore& st = g_App.Store;
    for (int i = 0; i < st.PageCount; i++) memset(&st.Pages[i].Design, 0, sizeof(PageDesign));
    ASSERT_EQ(1, ReadSettings());
    ASSERT_EQ(3, st.PageCount);
    for (int i = 0; i < 3; i++) EXPECT_EQ(0, memcmp(&def, &st.Pages[i].Design, sizeof def)) << "page " << i;
    // Saving what was read changes neither file.
    ASSERT_EQ(1, WriteSettings(nullptr, 0));
    EXPECT_EQ(settings, env.Bytes(L"Vantrel.ini"));
    EXPECT_EQ(designBytes, env.Bytes(L"Design.ini"));
  }
  EXPECT_TRUE(env.Messages.Calls.empty());
}

TEST(FirstRun, WarnsOnceAboutAnEarlierBackupFile) {
  SettingsEnv env;
  std::wstring backup = env.File((UserName() + L"_Backup.ini").c_str());
  ASSERT_TRUE(WriteUtf16File(backup, L"\r\n[General]\r\n"));
  ASSERT_EQ(1, ReadSettings());
  ASSERT_EQ(1, env.Messages.Count(IDS_PREVIOUS_BACKUP));
  const RecordedMessage* m = env.Messages.Last();
  EXPECT_EQ(static_cast<UINT>(MB_ICONWARNING), m->Flags & MB_ICONMASK);
  EXPECT_EQ(std::wstring(L"Vantrel"), m->Caption);
  EXPECT_EQ(std::wstring(L"A previous backup file was found.\n\n") + backup +
                L"\n\nThis file will be overwritten within 3 day(s) by the current settings.\n"
                L"Move it to another folder if you want to keep it.",
            m->Text);
  EXPECT_EQ(0u, m->UiStateFlags & UIS_AUTOHIDE_ALLOWED);
  // The next start reads the file and says nothing.
  ASSERT_EQ(1, ReadSettings());
  EXPECT_EQ(1, env.Messages.Count(IDS_PREVIOUS_BACKUP));
}

TEST(FirstRun, DefaultListNames) {
  SettingsEnv env;
  wchar_t* page = MakeDefaultListName(12, 0);
  wchar_t* menu = MakeDefaultListName(3, 1);
  ASSERT_NE(nullptr, page);
  ASSERT_NE(nullptr, menu);
  EXPECT_EQ(std::wstring(L"Page 12"), page);
  EXPECT_EQ(std::wstring(L"Submenu 03"), menu);
  StoreFree(page);
  StoreFree(menu);
}

// ---- range check ---------------------------------------------------------------

TEST(Validate, EveryReplacementMarksTheSettingsOnceShown) {
  SettingsEnv env;
  ResetSettings();
  g_App.Settings.Alpha = 10;
  ValidateGlobalSettings();
  EXPECT_EQ(255, S().Alpha);
  EXPECT_EQ(0, S().PendingSave) << "not tracked before the launcher was shown";
  g_App.RunState |= RS_TRACK_CHANGES;
  ValidateGlobalSettings();
  EXPECT_EQ(0, S().PendingSave) << "nothing to replace";
  g_App.Settings.SubMenu.IconSize = 300;
  ValidateGlobalSettings();
  EXPECT_EQ(16, S().SubMenu.IconSize);
  EXPECT_EQ(1, S().PendingSave);
}

// ---- automatic backup -----------------------------------------------------------

class AutoBackupTest : public ::testing::Test {
 protected:
  SettingsEnv env;
  std::wstring backup;

  void SetUp() override {
    ASSERT_TRUE(env.Install(L"roundtrip\\Vantrel.ini"));
    ASSERT_EQ(1, ReadSettings());
    backup = env.File(L"backup.ini");
    SetBackupFile(backup.c_str());
    g_App.Settings.Option1 |= OPT1_AUTO_BACKUP;
    g_App.Settings.BackupCycle = 3;
  }
  void SetBackupFile(const wchar_t* path) {
    StoreFree(g_App.Settings.BackupFile);
    g_App.Settings.BackupFile = StoreDupString(path);
  }
};

TEST_F(AutoBackupTest, WritesEveryCycleAndMovesTheDayOn) {
  g_App.Settings.LastBackup = SettingsEnv::kToday - 2;
  EXPECT_EQ(0, AutoBackupSettings());
  EXPECT_FALSE(env.Exists(L"backup.ini"));
  g_App.Settings.LastBackup = SettingsEnv::kToday - 3;
  EXPECT_EQ(1, AutoBackupSettings());
  EXPECT_EQ(SettingsEnv::kToday, S().LastBackup);
  std::wstring text = env.Text(L"backup.ini");
  EXPECT_EQ(0u, text.find(L"\r\n[General]\r\n"));
  EXPECT_NE(std::wstring::npos, text.find(L"\r\n[SubMenus]\r\n"));
  EXPECT_NE(std::wstring::npos, text.find(L"\r\n[Window]\r\n")) << "the design follows the settings";
  EXPECT_NE(std::wstring::npos, text.find(L"LastBackup=" + Hex8(SettingsEnv::kToday)));
  // Same day again: nothing to do.
  EXPECT_EQ(0, AutoBackupSettings());
  SettingsEnv::SetToday(SettingsEnv::kToday + 3);
  EXPECT_EQ(1, AutoBackupSettings());
  EXPECT_TRUE(env.Messages.Calls.empty());
}

TEST_F(AutoBackupTest, RunsOnlyOnTheThreadThatOwnsTheWindow) {
  HWND window = CreateWindowW(L"STATIC", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, window);
  g_App.MainWnd = window;
  g_App.Settings.LastBackup = 0;
  int fromWorker = -1;
  std::thread worker([&] { fromWorker = AutoBackupSettings(); });
  worker.join();
  EXPECT_EQ(0, fromWorker);
  EXPECT_FALSE(env.Exists(L"backup.ini"));
  EXPECT_EQ(1, AutoBackupSettings());
  EXPECT_TRUE(env.Exists(L"backup.ini"));
  g_App.MainWnd = nullptr;
  DestroyWindow(window);
}

TEST_F(AutoBackupTest, ClockSetBackGivesABackupAtTheNextCheck) {
  g_App.Settings.LastBackup = SettingsEnv::kToday + 40;
  ValidateGlobalSettings();
  EXPECT_EQ(0u, S().LastBackup);
  EXPECT_EQ(1, AutoBackupSettings());
}

TEST_F(AutoBackupTest, ExpandsVariablesAndCreatesMissingFolders) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"VNBACKUPTEST", env.Dir.Path.c_str()));
  SetBackupFile(L"%VNBACKUPTEST%\\one\\two\\backup.ini");
  g_App.Settings.LastBackup = 0;
  EXPECT_EQ(1, AutoBackupSettings());
  EXPECT_TRUE(env.Exists(L"one\\two\\backup.ini"));
  SetEnvironmentVariableW(L"VNBACKUPTEST", nullptr);
}

TEST_F(AutoBackupTest, RefusesWhenOffBusyOrWithoutAFile) {
  g_App.Settings.LastBackup = 0;
  g_App.Settings.Option1 &= ~OPT1_AUTO_BACKUP;
  EXPECT_EQ(0, AutoBackupSettings());
  g_App.Settings.Option1 |= OPT1_AUTO_BACKUP;
  g_App.OpenDialogCount = 1;
  EXPECT_EQ(0, AutoBackupSettings());
  g_App.OpenDialogCount = 0;
  SetBackupFile(L"");
  EXPECT_EQ(0, AutoBackupSettings());
  SetBackupFile((env.Dir.Path + L"\\folder\\").c_str());
  EXPECT_EQ(0, AutoBackupSettings());
  EXPECT_EQ(0u, S().LastBackup);
  EXPECT_TRUE(env.Messages.Calls.empty());
}

TEST_F(AutoBackupTest, FailingBackupIsSilentKeepsTheOldFileAndWaitsACycle) {
  std::string old = Utf16Bytes(L"\r\n[General]\r\nold backup\r\n");
  ASSERT_TRUE(WriteFileBytes(backup, old));
  g_App.Settings.LastBackup = 0;
  {
    FailingWrites failing(1);
    EXPECT_EQ(0, AutoBackupSettings());
    EXPECT_EQ(1, failing.Calls);
  }
  EXPECT_EQ(old, env.Bytes(L"backup.ini"));
  EXPECT_FALSE(env.Exists(L"backup.ini.tmp"));
  EXPECT_TRUE(env.Messages.Calls.empty());
  EXPECT_EQ(SettingsEnv::kToday, S().LastBackup);
  EXPECT_EQ(0, AutoBackupSettings());
}

TEST_F(AutoBackupTest, UnwritableFolderIsSilent) {
  // A file where a folder should be: the folder cannot be made.
  ASSERT_TRUE(WriteFileBytes(env.File(L"blocked"), "x"));
  SetBackupFile((env.Dir.Path + L"\\blocked\\sub\\backup.ini").c_str());
  g_App.Settings.LastBackup = 0;
  EXPECT_EQ(0, AutoBackupSettings());
  EXPECT_TRUE(env.Messages.Calls.empty());
}

// ---- export ------------------------------------------------------------------------

class ExportTest : public ::testing::Test {
 protected:
  SettingsEnv env;
  FileDialogRecorder dialog;

  void SetUp() override {
    ASSERT_TRUE(env.Install(L"roundtrip\\Vantrel.ini"));
    ASSERT_EQ(1, ReadSettings());
  }
};

TEST_F(ExportTest, SettingsGoToTheChosenFileWithTheDesign) {
  // The backup file's folder does not exist: the data folder is proposed.
  StoreFree(g_App.Settings.BackupFile);
  g_App.Settings.BackupFile = StoreDupString(env.File(L"no such folder\\backup.ini").c_str());
  ASSERT_EQ(1, WriteSettings(nullptr, 0));
  dialog.Result = TRUE;
  dialog.Chosen = env.File(L"exported.ini");
  ASSERT_EQ(1, ExportSettings(EXPORT_SETTINGS));
  ASSERT_EQ(1u, dialog.Calls.size());
  const RecordedFileDialog& d = dialog.Calls[0];
  EXPECT_FALSE(d.Open);
  EXPECT_EQ(env.File(L"Vantrel.ini"), d.File);
  EXPECT_NE(0u, d.Flags & OFN_OVERWRITEPROMPT);
  EXPECT_NE(std::wstring::npos, d.Filter.find(L"Setting Data Files"));
  std::wstring settings = env.Text(L"Vantrel.ini");
  std::wstring exported = env.Text(L"exported.ini");
  EXPECT_EQ(0u, exported.find(settings));
  EXPECT_NE(std::wstring::npos, exported.find(L"\r\n[Skin]\r\n", settings.size()));
  EXPECT_TRUE(env.Messages.Calls.empty());
}

TEST_F(ExportTest, DesignGoesAloneAndTheBackupFolderIsProposed) {
  CreateDirectoryW(env.File(L"keep").c_str(), nullptr);
  StoreFree(g_App.Settings.BackupFile);
  g_App.Settings.BackupFile = StoreDupString(env.File(L"keep\\mine.ini").c_str());
  dialog.Result = TRUE;
  dialog.Chosen = env.File(L"keep\\look.ini");
  ASSERT_EQ(1, ExportSettings(EXPORT_DESIGN));
  EXPECT_EQ(env.File(L"keep\\Design.ini"), dialog.Calls[0].File);
  std::wstring text = env.Text(L"keep\\look.ini");
  EXPECT_EQ(0u, text.find(L"\r\n[Skin]\r\n"));
  EXPECT_EQ(std::wstring::npos, text.find(L"[General]"));
}

TEST_F(ExportTest, CancelAndOpenDialogsDoNothing) {
  dialog.Result = FALSE;
  EXPECT_EQ(0, ExportSettings(EXPORT_SETTINGS));
  g_App.OpenDialogCount = 1;
  dialog.Result = TRUE;
  dialog.Chosen = env.File(L"x.ini");
  EXPECT_EQ(0, ExportSettings(EXPORT_SETTINGS));
  EXPECT_EQ(1u, dialog.Calls.size());
  EXPECT_FALSE(env.Exists(L"x.ini"));
  EXPECT_TRUE(env.Messages.Calls.empty());
}

TEST_F(ExportTest, AFileThatCannotBeWrittenIsReported) {
  std::wstring missing = env.File(L"no such folder\\out.ini");
  dialog.Result = TRUE;
  for (int what : {EXPORT_SETTINGS, EXPORT_DESIGN}) {
    env.Messages.Calls.clear();
    dialog.Chosen = missing;
    EXPECT_EQ(0, ExportSettings(what));
    EXPECT_EQ(1, env.Messages.Count(IDS_ERR_SAVE));
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR), env.Messages.Last()->Flags & MB_ICONMASK);
  }
}

}  // namespace
