// Vantrel.ini reading and writing: round trip against files written from the
// format by the fixture script, value ranges, ANSI files, broken files and
// writes that fail half way.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "state.h"
#include "resources/resource.h"
#include "store/backup.h"
#include "store/ini.h"
#include "store/items.h"
#include "store/paths.h"
#include "store/settings.h"
#include "support/settings_env.h"

namespace {

const SettingsState& S() { return g_App.Settings; }
const ItemStore& Store() { return g_App.Store; }

std::wstring Str(const wchar_t* s) { return s ? s : L"(null)"; }

// A file of [General] lines and a page list that needs no repair.
std::wstring GeneralFile(const std::wstring& general, const std::wstring& more = L"") {
  return L"\r\n[General]\r\nVersion=04020200\r\nLanguage=Japanese\r\n" + general + more +
         L"\r\n[Pages]\r\nCount=1\r\n\r\n[Page000]\r\nName=P\r\nCount=0\r\n\r\n[SubMenus]\r\nCount=0\r\n";
}

size_t CountOf(const std::wstring& text, const std::wstring& what) {
  size_t n = 0;
  for (size_t at = 0; (at = text.find(what, at)) != std::wstring::npos; at += what.size()) n++;
  return n;
}

class SettingsFileTest : public ::testing::Test {
 protected:
  SettingsEnv env;

  void WriteSettingsText(const std::wstring& text) { ASSERT_TRUE(WriteUtf16File(env.File(L"Vantrel.ini"), text)); }
};

// ---- round trip -------------------------------------------------------------------

TEST_F(SettingsFileTest, CurrentFileIsReadWithoutRewriteAndWrittenBackByteForByte) {
  ASSERT_TRUE(env.Install(L"roundtrip\\Vantrel.ini"));
  std::string original = env.Bytes(L"Vantrel.ini");

  ASSERT_EQ(1, ReadSettings());
  EXPECT_EQ(original, env.Bytes(L"Vantrel.ini")) << "a current file is not rewritten on reading";
  EXPECT_FALSE(env.Exists(L"Vantrel422.ini"));

  ASSERT_EQ(1, WriteSettings(nullptr, 0));
  EXPECT_EQ(original, env.Bytes(L"Vantrel.ini"));
  EXPECT_TRUE(env.Exists(L"Design.ini"));
  EXPECT_FALSE(env.Exists(L"Vantrel.ini.tmp"));

  ASSERT_EQ(1, SavePages(nullptr));
  EXPECT_EQ(original, env.Bytes(L"Vantrel.ini"));
  EXPECT_TRUE(env.Messages.Calls.empty());
}

TEST_F(SettingsFileTest, ReadingFillsEverySection) {
  ASSERT_TRUE(env.Install(L"roundtrip\\Vantrel.ini"));
  ASSERT_EQ(1, ReadSettings());
  const SettingsState& s = S();
  const References& r = Store().Refs;

  EXPECT_EQ(0x04020200u, s.Version);
  EXPECT_EQ(-40, s.LastPosY);
  EXPECT_EQ(0x28B5u, s.DispOption);
  EXPECT_EQ(0x4000u, s.Priority);
  EXPECT_EQ(std::wstring(L"%APPDATA%\\Vantrel\\[old]\\backup.ini"), Str(s.BackupFile));
  EXPECT_EQ(std::wstring(L"Vantrel \u2014 Tools \u00fc"), Str(s.Caption));
  EXPECT_EQ(std::wstring(L"Japanese"), g_App.LangFile);
  EXPECT_EQ(10, r.MaxMemories);
  EXPECT_EQ(static_cast<int>(0x80010001), r.History[1].Ref);
  EXPECT_EQ(0, r.History[3].Ref);
  ASSERT_EQ(2, r.ExcludedCount);
  EXPECT_EQ(0x30000, r.Excluded[1]);
  EXPECT_EQ(std::wstring(L"note[pad]"), Str(s.Search.LastWord));
  EXPECT_EQ(250, s.Unhook.DelayTime);
  ASSERT_EQ(2, s.TargetCount);
  EXPECT_EQ(std::wstring(L"MSPaintApp"), s.Targets[1].Class);
  EXPECT_EQ(24, s.SubMenu.IconSize);
  ASSERT_NE(nullptr, s.SubMenu.LastFolder);
  EXPECT_EQ(6, s.SubMenu.LastFolder->mkid.cb);
  EXPECT_EQ(2, r.HotKeys.Count);
  EXPECT_EQ(0x8000, r.HotKeys.Rows[2].List);
  EXPECT_EQ(0x1243, r.HotKeys.Rows[2].Code);
  EXPECT_EQ(3, s.ForceShutdown);
  EXPECT_EQ(0x80010000u, r.EdgeAssignment[15]);
  EXPECT_EQ(10, s.EdgeMargins[5].cx);
  EXPECT_EQ(0x6u, r.MousePlaceMask[87]);
  EXPECT_EQ(3, r.MouseTargets[87][2].Index);
  EXPECT_TRUE(g_App.RunState & RS_HOLD_ACTION) << "action 87 is a press-and-hold action";
  EXPECT_EQ(400, r.Circle[0].MaxJump);
  ASSERT_EQ(2, r.AutoBoot[0].Count);
  EXPECT_EQ(0x8000, r.AutoBoot[0].Entries[1].List);
  EXPECT_EQ(-200, r.AutoBoot[2].Entries[0].Delay);
  ASSERT_EQ(2, s.PluginCount);
  EXPECT_EQ(std::wstring(L"Clock.dll"), s.Plugins[1]);

  ASSERT_EQ(3, Store().PageCount);
  EXPECT_EQ(std::wstring(L"Main [1]"), Str(Store().Pages[0].Name));
  EXPECT_EQ(1, Store().Pages[0].ScrollStat[1]);
  ASSERT_EQ(4, Store().Pages[0].Count);
  const ButtonInfo* b = Store().PageButtons[0][0];
  EXPECT_EQ(0x241, b->Keyboard);
  EXPECT_EQ(1, b->Position[1].PosX);
  EXPECT_EQ(0, b->Position[1].PosY);
  ASSERT_EQ(2, b->ChainBootCount);
  EXPECT_EQ(-100, b->ChainBoot[1].Delay);
  ASSERT_EQ(1, b->TargetWindowCount);
  EXPECT_EQ(std::wstring(L"Notepad"), b->TargetWindows[0].Class);
  const ButtonInfo* shell = Store().PageButtons[0][1];
  ASSERT_NE(nullptr, shell->ShellItem);
  EXPECT_EQ(4, shell->ShellItem->mkid.cb);
  EXPECT_EQ(nullptr, shell->File);
  const ButtonInfo* plugin = Store().PageButtons[0][3];
  ASSERT_NE(nullptr, plugin->PluginInts);
  EXPECT_EQ((std::vector<int>{3, -7}), *plugin->PluginInts);
  ASSERT_NE(nullptr, plugin->PluginStrs);
  ASSERT_EQ(2u, plugin->PluginStrs->size());
  EXPECT_EQ(std::wstring(L"a[b"), (*plugin->PluginStrs)[0]);
  EXPECT_EQ(std::wstring(L""), (*plugin->PluginStrs)[1]);
  EXPECT_EQ(-2, plugin->Overlay[0].OffsetX);

  ASSERT_EQ(2, Store().SubMenuCount);
  EXPECT_EQ(0x8000, Store().SubMenus[1].Page);
  EXPECT_EQ(0x8001, Store().SubMenuButtons[1][0]->List);
  EXPECT_EQ(1, Store().SubMenuButtons[0][1]->SubMenuIdx);
}

TEST_F(SettingsFileTest, SavingPagesTwiceLeavesOnePageList) {
  ASSERT_TRUE(env.Install(L"roundtrip\\Vantrel.ini"));
  ASSERT_EQ(1, ReadSettings());
  ASSERT_EQ(1, SavePages(nullptr));
  ASSERT_EQ(1, SavePages(nullptr));
  std::wstring text = env.Text(L"Vantrel.ini");
  EXPECT_EQ(1u, CountOf(text, L"[Pages]"));
  EXPECT_EQ(1u, CountOf(text, L"[SubMenus]"));
  EXPECT_EQ(1u, CountOf(text, L"[General]"));
}

TEST_F(SettingsFileTest, SavePagesWritesTheStoreAndKeepsEverythingBefore) {
  ASSERT_TRUE(env.Install(L"roundtrip\\Vantrel.ini"));
  ASSERT_EQ(1, ReadSettings());
  std::wstring before = env.Text(L"Vantrel.ini");
  ButtonInfo* b = g_App.Store.PageButtons[1][0];
  StoreFree(b->Name);
  b->Name = StoreDupString(L"Renamed [x]");
  // A setting changed in memory only: SavePages leaves the settings part alone.
  g_App.Settings.Alpha = 99;

  ASSERT_EQ(1, SavePages(nullptr));
  std::wstring after = env.Text(L"Vantrel.ini");
  size_t cut = before.find(L"\r\n[Pages]");
  ASSERT_NE(std::wstring::npos, cut);
  EXPECT_EQ(before.substr(0, cut), after.substr(0, cut));
  EXPECT_NE(std::wstring::npos, after.find(L"Name=Renamed [\\x]\r\n"));
  EXPECT_EQ(std::wstring::npos, after.find(L"Alpha=99"));
}

TEST_F(SettingsFileTest, SavePagesFindsAPageListFarIntoTheFile) {
  // Long application targets put [Pages] well past the first read.
  std::wstring targets = L"\r\n[Suppression]\r\nCount=60\r\n";
  for (int i = 0; i < 60; i++) {
    wchar_t head[64];
    wsprintfW(head, L"\r\n[Target%03d]\r\nFlags=00000002\r\nExe=a.exe\r\nClass=\r\nCaption=", i);
    targets += head + std::wstring(1000, L'c') + L"\r\n";
  }
  WriteSettingsText(GeneralFile(L"", targets));
  ASSERT_EQ(1, ReadSettings());
  ASSERT_EQ(60, S().TargetCount);
  ASSERT_EQ(1, WriteSettings(nullptr, WS_SETTINGS_ONLY));
  std::string written = env.Bytes(L"Vantrel.ini");
  ASSERT_GT(written.size(), 128u * 1024);
  ASSERT_EQ(1, SavePages(nullptr));
  EXPECT_EQ(written, env.Bytes(L"Vantrel.ini"));
}

TEST_F(SettingsFileTest, SavePagesRewritesAnAnsiFileAsUtf16) {
  ASSERT_TRUE(env.Install(L"ansi\\Vantrel.ini"));
  ASSERT_EQ(1, ReadSettings());
  std::wstring caption = Str(S().Caption);
  // The file on disk is ANSI again (another program wrote it back).
  ASSERT_TRUE(env.Install(L"ansi\\Vantrel.ini"));
  ASSERT_EQ(1, SavePages(nullptr));
  std::wstring text = env.Text(L"Vantrel.ini");
  EXPECT_EQ("\xFF\xFE", env.Bytes(L"Vantrel.ini").substr(0, 2));
  EXPECT_EQ(0u, text.find(L"\r\n[General]\r\n"));
  EXPECT_NE(std::wstring::npos, text.find(L"Caption=" + caption + L"\r\n"));
  EXPECT_EQ(1u, CountOf(text, L"[Pages]"));
}

TEST_F(SettingsFileTest, SavePagesWithoutAFileOrPageListReturnsZero) {
  EXPECT_EQ(0, SavePages(nullptr));
  WriteSettingsText(L"\r\n[General]\r\nAlpha=200\r\n");
  std::string before = env.Bytes(L"Vantrel.ini");
  EXPECT_EQ(0, SavePages(nullptr));
  EXPECT_EQ(before, env.Bytes(L"Vantrel.ini"));
}

TEST_F(SettingsFileTest, WriteSettingsWithPathCarriesTheDesignOrNot) {
  ASSERT_TRUE(env.Install(L"roundtrip\\Vantrel.ini"));
  ASSERT_EQ(1, ReadSettings());
  std::wstring full = env.File(L"full.ini");
  std::wstring only = env.File(L"only.ini");
  ASSERT_EQ(1, WriteSettings(full.c_str(), 0));
  // Settings only, with a path: the file is still ended and committed.
  ASSERT_EQ(1, WriteSettings(only.c_str(), WS_SETTINGS_ONLY));
  std::wstring settingsText = env.Text(L"Vantrel.ini");
  EXPECT_EQ(settingsText, env.Text(L"only.ini"));
  std::wstring fullText = env.Text(L"full.ini");
  EXPECT_EQ(0u, fullText.find(settingsText));
  EXPECT_NE(std::wstring::npos, fullText.find(L"\r\n[Skin]\r\n", settingsText.size()));
  EXPECT_NE(std::wstring::npos, fullText.find(L"\r\n[Window]\r\n"));
  // The second write works on the same file again: nothing held open.
  ASSERT_EQ(1, WriteSettings(only.c_str(), WS_SETTINGS_ONLY));
  EXPECT_TRUE(DeleteFileW(only.c_str()));
}

TEST_F(SettingsFileTest, PendingSaveClearsOnlyOnAWriteToTheDataFolder) {
  ASSERT_TRUE(env.Install(L"roundtrip\\Vantrel.ini"));
  ASSERT_EQ(1, ReadSettings());
  g_App.Settings.PendingSave = 0;
  MarkSettingsChanged();
  EXPECT_EQ(0, S().PendingSave) << "changes are tracked only once the launcher was shown";
  g_App.RunState |= RS_TRACK_CHANGES;
  MarkSettingsChanged();
  EXPECT_EQ(1, S().PendingSave);
  ASSERT_EQ(1, WriteSettings(env.File(L"copy.ini").c_str(), 0));
  EXPECT_EQ(1, S().PendingSave);
  ASSERT_EQ(1, WriteSettings(nullptr, 0));
  EXPECT_EQ(0, S().PendingSave);
}

// A plug-in list with numbers missing (an entry deleted by hand) keeps every
// name after the gap, also through the next write.
TEST_F(SettingsFileTest, PluginListGapsAreSkippedNotTheEnd) {
  struct Case {
    const wchar_t* Section;
    std::vector<std::wstring> Names;
  } cases[] = {
      {L"Count=4\r\nPlugin000=A.dll\r\nPlugin002=C.dll\r\nPlugin003=D.dll\r\n", {L"A.dll", L"C.dll", L"D.dll"}},
      {L"Count=3\r\nPlugin001=B.dll\r\nPlugin002=C.dll\r\n", {L"B.dll", L"C.dll"}},
      {L"Count=2\r\nPlugin000=A.dll\r\nPlugin005=F.dll\r\n", {L"A.dll"}},  // past the count
      {L"Count=2\r\n", {}},
  };
  for (const Case& c : cases) {
    WriteSettingsText(GeneralFile(L"", L"\r\n[Plugins]\r\n" + std::wstring(c.Section)));
    ASSERT_EQ(1, ReadSettings());
    std::vector<std::wstring> read(S().Plugins, S().Plugins + S().PluginCount);
    EXPECT_EQ(c.Names, read) << c.Section;
    ASSERT_EQ(1, WriteSettings(nullptr, 0));
    ASSERT_EQ(1, ReadSettings());
    std::vector<std::wstring> again(S().Plugins, S().Plugins + S().PluginCount);
    EXPECT_EQ(c.Names, again) << c.Section;
    std::wstring text = env.Text(L"Vantrel.ini");
    for (size_t i = 0; i < c.Names.size(); i++) {
      wchar_t key[32];
      swprintf(key, 32, L"\r\nPlugin%03u=", (unsigned)i);
      EXPECT_NE(std::wstring::npos, text.find(key + c.Names[i] + L"\r\n")) << c.Section;
    }
  }
}

// ---- values and ranges ------------------------------------------------------------

struct RangeCase {
  const wchar_t* Lines;  // [General] lines, or sections after it
  const wchar_t* Name;
  long long (*Get)();
  long long Expected;
};

#define FIELD(expr) [] { return static_cast<long long>(expr); }
const RangeCase kRangeCases[] = {
    {L"Alpha=10\r\n", L"Alpha 10", FIELD(S().Alpha), 255},
    {L"Alpha=25\r\n", L"Alpha 25", FIELD(S().Alpha), 25},
    {L"BackupCycle=0\r\n", L"BackupCycle 0", FIELD(S().BackupCycle), 3},
    {L"BackupCycle=99\r\n", L"BackupCycle 99", FIELD(S().BackupCycle), 99},
    {L"Priority=00000000\r\n", L"Priority 0", FIELD(S().Priority), 0x20},
    {L"Priority=00004000\r\n", L"Priority below normal", FIELD(S().Priority), 0x4000},
    {L"PressHoldG=-1\r\n", L"PressHoldG negative", FIELD(S().PressHoldG), 800},
    {L"HideDelay=10001\r\n", L"HideDelay 10001", FIELD(S().HideDelay), 300},
    {L"HideDelay=10000\r\n", L"HideDelay 10000", FIELD(S().HideDelay), 10000},
    {L"DragMenuDelay=-5\r\n", L"DragMenuDelay negative", FIELD(S().DragMenuDelay), 1500},
    {L"ShowPosX=-10001\r\n", L"ShowPosX", FIELD(S().ShowPosX), 0},
    {L"StandbyPosition=00000006\r\n", L"StandbyPosition", FIELD(S().StandbyPosition), 0},
    {L"TipsWidth=10001\r\n", L"TipsWidth", FIELD(S().TipsWidth), 0},
    {L"Status=000000ff\r\nOption1=00000018\r\n", L"Status masked", FIELD(S().Status), 0xF},
    {L"Status=00000006\r\nOption1=00b4e021\r\n", L"pin and restricted dropped", FIELD(S().Status), 0},
    {L"Option1=ffffffff\r\n", L"Option1 top bits", FIELD(S().Option1), 0x3FFFFFF},
    {L"KeyboardOption=00000007\r\n", L"KeyboardOption bit 1", FIELD(S().KeyboardOption), 5},
    {L"LastPage=5\r\n", L"LastPage past the pages", FIELD(S().LastPage), 0},
    {L"LastBackup=00030000\r\n", L"LastBackup in the future", FIELD(S().LastBackup), 0},
    {L"LastBackup=00025000\r\n", L"LastBackup in the past", FIELD(S().LastBackup), 0x25000},
    {L"", L"DispOption missing reads 0", FIELD(S().DispOption), 0},
    {L"", L"Restraint missing reads 0", FIELD(S().Restraint), 0},
    {L"\r\n[History]\r\nMaxMemories=101\r\n", L"MaxMemories 101", FIELD(Store().Refs.MaxMemories), 10},
    {L"\r\n[History]\r\nMaxMemories=0\r\n", L"MaxMemories 0", FIELD(Store().Refs.MaxMemories), 0},
    {L"", L"no [History]", FIELD(Store().Refs.MaxMemories), 10},
    {L"\r\n[SubMenu]\r\nIconSize=300\r\n", L"IconSize 300", FIELD(S().SubMenu.IconSize), 16},
    {L"\r\n[SubMenu]\r\nScrollInterval=5\r\n", L"ScrollInterval 5", FIELD(S().SubMenu.ScrollInterval), 80},
    {L"\r\n[SubMenu]\r\nColumns=0\r\n", L"Columns 0", FIELD(S().SubMenu.Columns), 1},
    {L"\r\n[FolderMenu]\r\nRows=7\r\n", L"old [FolderMenu]", FIELD(S().SubMenu.Rows), 7},
    {L"\r\n[Unhook]\r\nDelayTime=20000\r\n", L"DelayTime", FIELD(S().Unhook.DelayTime), 100},
    {L"\r\n[Circle0]\r\nNumber=0\r\n", L"circle Number 0", FIELD(Store().Refs.Circle[0].RequiredSteps), 7},
    {L"\r\n[Circle0]\r\nNumber=41\r\n", L"circle Number 41", FIELD(Store().Refs.Circle[0].RequiredSteps), 7},
    {L"\r\n[Circle1]\r\nMaximum=10000\r\nMinimum=5\r\n", L"circle Maximum", FIELD(Store().Refs.Circle[1].MaxJump),
     500},
    {L"\r\n[Circle1]\r\nMaximum=3\r\nMinimum=4\r\n", L"circle Maximum below Minimum",
     FIELD(Store().Refs.Circle[1].MaxJump), 500},
    {L"\r\n[Circle1]\r\nMinimum=100\r\n", L"circle Minimum", FIELD(Store().Refs.Circle[1].MinTravel), 5},
    {L"\r\n[Keyboard]\r\n[HotKey]\r\nCount=5000\r\n\r\n[HotKey000]\r\nCode=0241\r\n\r\n[HotKey001]\r\nCode=0242\r\n",
     L"HotKey Count 5000 read as found", FIELD(Store().Refs.HotKeys.Count), 1},
    {L"\r\n[Keyboard]\r\n[HotKey]\r\nCount=-3\r\n\r\n[HotKey000]\r\nCode=0241\r\n\r\n[HotKey001]\r\nCode=0242\r\n",
     L"HotKey Count negative", FIELD(Store().Refs.HotKeys.Count), 0},
    {L"\r\n[Edge]\r\nRange01=0\r\nRange02=-4\r\n", L"corner margin raised", FIELD(S().EdgeMargins[0].cy), 1},
    {L"\r\n[Edge]\r\nRange51=0\r\n", L"edge margin kept", FIELD(S().EdgeMargins[5].cx), 0},
    {L"\r\n[Keyboard]\r\nPage000=0241\r\n", L"keys cleared when [Keyboard] exists", FIELD(S().Keyboard[1]), 0},
    {L"", L"default keys without [Keyboard]", FIELD(S().Keyboard[1]), 0x222},
    {L"\r\n[Mouse]\r\nButton001=7\r\n", L"clicks cleared when [Mouse] exists", FIELD(S().Mouse.Button[0]), 0},
    {L"", L"default clicks without [Mouse]", FIELD(S().Mouse.Button[0]), 36},
};
#undef FIELD

TEST_F(SettingsFileTest, ValuesAreBroughtIntoRangeAfterReading) {
  for (const RangeCase& c : kRangeCases) {
    std::wstring lines = c.Lines;
    bool general = lines.empty() || lines[0] != L'\r';
    WriteSettingsText(general ? GeneralFile(lines) : GeneralFile(L"", lines));
    ASSERT_EQ(1, ReadSettings()) << c.Name;
    EXPECT_EQ(c.Expected, c.Get()) << c.Name;
  }
}

TEST_F(SettingsFileTest, MissingStringsKeepTheirValueAndEmptyOnesAreRead) {
  ResetSettings();
  g_App.Settings.Caption = StoreDupString(L"Kept");
  g_App.Settings.FilerPath = StoreDupString(L"C:\\old.exe");
  WriteSettingsText(GeneralFile(L"FilerPath=\r\n"));
  ASSERT_EQ(1, ReadSettings());
  EXPECT_EQ(std::wstring(L"Kept"), Str(S().Caption));
  EXPECT_EQ(std::wstring(L""), Str(S().FilerPath));
  // Numbers never keep theirs: a missing one reads 0 (then its range check).
  EXPECT_EQ(0, S().ShowDelay);
}

TEST_F(SettingsFileTest, ButtonWithoutTypeStaysUnclassifiedAndTailKeysAreNotMistaken) {
  WriteSettingsText(
      L"\r\n[General]\r\nVersion=04020200\r\nLanguage=Japanese\r\n\r\n[Pages]\r\nCount=1\r\n\r\n[Page000]\r\n"
      L"Name=P\r\nCount=1\r\n\r\n[Btn000]\r\nName=N\r\nIconFile=C:\\i.ico\r\nIconIndex=3\r\n\r\n[SubMenus]\r\n"
      L"Count=0\r\n");
  ASSERT_EQ(1, ReadSettings());
  ASSERT_EQ(1, Store().Pages[0].Count);
  const ButtonInfo* b = Store().PageButtons[0][0];
  EXPECT_EQ(nullptr, b->File) << "File= is not found inside IconFile=";
  EXPECT_EQ(std::wstring(L"C:\\i.ico"), Str(b->IconFile));
  EXPECT_EQ(3, b->IconIndex);
}

// ---- ANSI and broken files --------------------------------------------------------

TEST_F(SettingsFileTest, AnsiFileIsReadThroughTheCodePageAndRewrittenAsUtf16) {
  ASSERT_TRUE(env.Install(L"ansi\\Vantrel.ini"));
  std::string ansi = env.Bytes(L"Vantrel.ini");
  ASSERT_EQ(1, ReadSettings());
  wchar_t expected[64];
  int n = MultiByteToWideChar(CP_ACP, 0, "Caf\xe9 \xfc" "ber", -1, expected, 64);
  ASSERT_GT(n, 0);
  EXPECT_EQ(std::wstring(expected), Str(S().Caption));
  ASSERT_EQ(1, Store().PageCount);
  std::string now = env.Bytes(L"Vantrel.ini");
  ASSERT_GE(now.size(), 2u);
  EXPECT_EQ("\xFF\xFE", now.substr(0, 2));
  std::wstring text = env.Text(L"Vantrel.ini");
  EXPECT_NE(std::wstring::npos, text.find(std::wstring(L"Caption=") + expected + L"\r\n"));
  EXPECT_EQ(0u, text.find(L"\r\n[General]\r\nVersion=04020200\r\n"));
  EXPECT_EQ(std::wstring::npos, text.find(L"[Skin]")) << "the ANSI rewrite is the settings only";
  EXPECT_FALSE(env.Exists(L"Vantrel.ini.bad"));
  // Read again: now a plain current file.
  ASSERT_EQ(1, ReadSettings());
  EXPECT_EQ(std::wstring(expected), Str(S().Caption));
}

TEST_F(SettingsFileTest, UnreadableFileIsSetAsideBeforeTheDefaultsReplaceIt) {
  std::string junk("\x01\x02garbage without sections\x03", 27);
  ASSERT_TRUE(WriteFileBytes(env.File(L"Vantrel.ini"), junk));
  ASSERT_EQ(1, ReadSettings());
  EXPECT_EQ(junk, env.Bytes(L"Vantrel.ini.bad"));
  EXPECT_EQ(3, Store().PageCount);
  EXPECT_NE(std::wstring::npos, env.Text(L"Vantrel.ini").find(L"\r\n[Pages]\r\nCount=3\r\n"));
}

TEST_F(SettingsFileTest, EmptyFileIsAFirstRunWithoutCopy) {
  ASSERT_TRUE(WriteFileBytes(env.File(L"Vantrel.ini"), ""));
  ASSERT_EQ(1, ReadSettings());
  EXPECT_FALSE(env.Exists(L"Vantrel.ini.bad"));
  EXPECT_EQ(3, Store().PageCount);
}

struct BadCase {
  const wchar_t* File;
  bool SetAside;  // a copy Vantrel.ini.bad is expected
  void (*Check)();
};

const BadCase kBadCases[] = {
    {L"truncated_1.ini", true, [] { EXPECT_EQ(3, Store().PageCount); }},
    {L"truncated_2.ini", true, [] { EXPECT_EQ(3, Store().PageCount); }},
    {L"truncated_3.ini", true, nullptr},
    {L"truncated_101.ini", true, [] { EXPECT_EQ(3, Store().PageCount); }},
    {L"truncated_7666.ini", true, [] { EXPECT_EQ(3, Store().PageCount); }},
    {L"truncated_7667.ini", true, [] { EXPECT_EQ(3, Store().PageCount); }},
    {L"truncated_15329.ini", false, nullptr},
    {L"truncated_15331.ini", false, nullptr},
    {L"random_1.ini", true, nullptr},
    {L"random_17.ini", true, nullptr},
    {L"random_4096.ini", true, nullptr},
    {L"random_65537.ini", true, nullptr},
    {L"random_utf16.ini", true, nullptr},
    {L"huge_counts.ini", false,
     [] {
       const SettingsState& s = S();
       const References& r = Store().Refs;
       EXPECT_EQ(1, s.TargetCount);
       EXPECT_EQ(1, r.HotKeys.Count);
       EXPECT_EQ(0x242, r.HotKeys.Rows[1].Code);
       EXPECT_EQ(1u, r.MousePlaceMask[1]);
       EXPECT_EQ(2, r.AutoBoot[0].Count);
       EXPECT_EQ(1, s.PluginCount);
       EXPECT_EQ(100, Store().PageCount);
       ASSERT_EQ(2, Store().Pages[0].Count);
       EXPECT_EQ(0, Store().Pages[1].Count);
       const ButtonInfo* b = Store().PageButtons[0][0];
       EXPECT_EQ(1, b->ChainBootCount);
       EXPECT_EQ(1, b->TargetWindowCount);
       ASSERT_NE(nullptr, Store().PageButtons[0][1]->PluginInts);
       EXPECT_EQ(2u, Store().PageButtons[0][1]->PluginInts->size());
       EXPECT_EQ(0, Store().SubMenuCount);
     }},
    {L"no_values.ini", true,
     [] {
       EXPECT_EQ(255, S().Alpha);
       EXPECT_EQ(3, Store().PageCount);
     }},
    {L"long_values.ini", false,
     [] {
       const SettingsState& s = S();
       EXPECT_EQ(259u, wcslen(s.BackupFile));
       EXPECT_EQ(1023u, wcslen(s.Caption));
       EXPECT_EQ(1023u, wcslen(s.FilerParam));
       EXPECT_LT(wcslen(g_App.LangFile), 260u);
       EXPECT_EQ(1023u, wcslen(s.Search.LastWord));
       ASSERT_EQ(1, s.TargetCount);
       EXPECT_EQ(259u, wcslen(s.Targets[0].Exe));
       EXPECT_EQ(1023u, wcslen(s.Targets[0].Caption));
       EXPECT_EQ(259u, wcslen(s.Plugins[0]));
       ASSERT_EQ(1, Store().Pages[0].Count);
       const ButtonInfo* b = Store().PageButtons[0][0];
       EXPECT_EQ(1023u, wcslen(b->Name));
       EXPECT_EQ(259u, wcslen(b->IconFile));
       EXPECT_EQ(1023u, wcslen(b->TargetWindows[0].Title));
     }},
    {L"bad_hex.ini", false,
     [] {
       EXPECT_EQ(0u, S().Status);
       EXPECT_EQ(nullptr, S().SubMenu.LastFolder);
       EXPECT_EQ(0, S().Keyboard[0]);
       EXPECT_EQ(0x241, S().Keyboard[1]);
       ASSERT_EQ(2, Store().Pages[0].Count);
       EXPECT_EQ(nullptr, Store().PageButtons[0][0]->ShellItem);
       EXPECT_EQ(nullptr, Store().PageButtons[0][1]->ShellItem);
     }},
    {L"pages_zero.ini", true, [] { EXPECT_EQ(111, S().Alpha); }},
    {L"pages_negative.ini", true, [] { EXPECT_EQ(111, S().Alpha); }},
    {L"pages_101.ini", true, [] { EXPECT_EQ(111, S().Alpha); }},
    {L"pages_missing.ini", true,
     [] {
       EXPECT_EQ(111, S().Alpha);
       EXPECT_EQ(std::wstring(L"Vantrel"), Str(S().Caption));
     }},
    {L"bracket_value.ini", true, nullptr},
    {L"gaps.ini", false,
     [] {
       ASSERT_EQ(3, Store().PageCount);
       EXPECT_EQ(std::wstring(L"Second"), Str(Store().Pages[0].Name));
       EXPECT_EQ(1, Store().Pages[0].Count) << "buttons of the next page are not taken";
       EXPECT_EQ(std::wstring(L"Third"), Str(Store().Pages[1].Name));
       EXPECT_EQ(1, Store().Pages[1].Count);
       EXPECT_EQ(0, Store().Pages[2].Count);
     }},
};

TEST(SettingsBadFiles, EveryBrokenFileGivesDefaultsOrWhatCanBeRead) {
  for (const BadCase& c : kBadCases) {
    SCOPED_TRACE(testing::Message() << std::string(c.File, c.File + wcslen(c.File)));
    SettingsEnv env;
    ASSERT_TRUE(env.Install((std::wstring(L"bad\\") + c.File).c_str()));
    std::string original = env.Bytes(L"Vantrel.ini");
    ASSERT_EQ(1, ReadSettings());
    ASSERT_GE(Store().PageCount, 1);
    ASSERT_LE(Store().PageCount, 100);
    for (int p = 0; p < Store().PageCount; p++) ASSERT_LE(Store().Pages[p].Count, 1000);
    EXPECT_EQ(c.SetAside, env.Exists(L"Vantrel.ini.bad"));
    if (c.SetAside) {
      EXPECT_EQ(original, env.Bytes(L"Vantrel.ini.bad"));
      EXPECT_EQ(0u, env.Text(L"Vantrel.ini").find(L"\r\n[General]\r\n"));
    }
    if (c.Check) c.Check();
    EXPECT_EQ(0, env.Messages.Count(IDS_ERR_MEMORY));
    // Whatever was read can be written and read back.
    ASSERT_EQ(1, WriteSettings(nullptr, 0));
    ASSERT_EQ(1, ReadSettings());
  }
}

TEST(SettingsBadFiles, UnreadableVersionRunsEveryStepAndKeepsACopy) {
  SettingsEnv env;
  ASSERT_TRUE(WriteUtf16File(env.File(L"Vantrel.ini"),
                             L"\r\n[General]\r\nVersion=zz\r\nLanguage=Japanese\r\n\r\n[Pages]\r\nCount=1\r\n"
                             L"\r\n[Page000]\r\nName=P\r\nCount=0\r\n"));
  ASSERT_EQ(1, ReadSettings());
  EXPECT_TRUE(env.Exists(L"Vantrel0.ini"));
  EXPECT_EQ(GetModuleVersion(nullptr), S().Version);
  EXPECT_NE(std::wstring::npos, env.Text(L"Vantrel.ini").find(L"Version=04020200\r\n"));
}

// ---- writes that fail half way ----------------------------------------------------

// Runs op with the k-th file write failing, for every k until op gets through
// without reaching it. Each file must then hold its old or its new contents,
// never a mix, the file whose write failed its old ones, and no temporary
// file may stay behind.
void CheckEveryFailingWrite(SettingsEnv& env, const std::vector<const wchar_t*>& files,
                            const std::vector<std::string>& oldBytes, int (*prepare)(), int (*op)(),
                            bool quiet) {
  std::vector<std::string> newBytes;
  {
    for (size_t i = 0; i < files.size(); i++) ASSERT_TRUE(WriteFileBytes(env.File(files[i]), oldBytes[i]));
    ASSERT_EQ(1, prepare());
    ASSERT_EQ(1, op());
    for (const wchar_t* f : files) newBytes.push_back(env.Bytes(f));
  }
  for (int k = 1;; k++) {
    SCOPED_TRACE(testing::Message() << "write " << k << " fails");
    for (size_t i = 0; i < files.size(); i++) ASSERT_TRUE(WriteFileBytes(env.File(files[i]), oldBytes[i]));
    ASSERT_EQ(1, prepare());
    env.Messages.Calls.clear();
    int result;
    int calls;
    {
      FailingWrites failing(k);
      result = op();
      calls = failing.Calls;
    }
    bool reached = calls >= k;
    if (!reached) {
      EXPECT_EQ(1, result);
      break;
    }
    EXPECT_EQ(0, result);
    EXPECT_EQ(quiet ? 0 : 1, env.Messages.Count(IDS_ERR_SAVE));
    int unchanged = 0;
    for (size_t i = 0; i < files.size(); i++) {
      std::string now = env.Bytes(files[i]);
      EXPECT_TRUE(now == oldBytes[i] || now == newBytes[i]) << "partial file";
      unchanged += now == oldBytes[i];
      EXPECT_FALSE(env.Exists((std::wstring(files[i]) + L".tmp").c_str()));
    }
    EXPECT_GE(unchanged, 1) << "the failed write changed nothing";
    ASSERT_LT(k, 200);
  }
}

// A store big enough that a commit takes several writes.
int ReadAndGrow() {
  if (!ReadSettings()) return 0;
  for (int i = 0; i < 400; i++) {
    NewButtonTemplate t = {};
    t.Button.Type = 1;
    t.Button.Name = StoreDupString(L"a button with a long enough name to fill the file quickly");
    t.Button.File = StoreDupString(L"C:\\Program Files\\Some Vendor\\Some Program\\program.exe");
    t.Control = NBT_KEEP_FIELDS;
    if (!AddButton(&t, 2)) return 0;
  }
  StoreFree(g_App.Settings.Caption);
  g_App.Settings.Caption = StoreDupString(L"Changed");
  return 1;
}

TEST(SettingsFailedWrites, WriteSettingsLeavesEachFileOldOrNew) {
  SettingsEnv env;
  std::string settings = SettingsFixture(L"roundtrip\\Vantrel.ini");
  std::string design = Utf16Bytes(L"\r\n[Skin]\r\nName=\r\n\r\n[Window]\r\nFlag=00000200\r\n");
  CheckEveryFailingWrite(env, {L"Vantrel.ini", L"Design.ini"}, {settings, design}, ReadAndGrow,
                         [] { return WriteSettings(nullptr, 0); }, false);
}

TEST(SettingsFailedWrites, SavePagesLeavesTheFileOldOrNew) {
  SettingsEnv env;
  std::string settings = SettingsFixture(L"roundtrip\\Vantrel.ini");
  CheckEveryFailingWrite(env, {L"Vantrel.ini"}, {settings}, ReadAndGrow, [] { return SavePages(nullptr); },
                         false);
}

TEST(SettingsFailedWrites, ExportOfTheDesignLeavesTheFileOldOrNew) {
  SettingsEnv env;
  std::string settings = SettingsFixture(L"roundtrip\\Vantrel.ini");
  std::string old = Utf16Bytes(L"\r\n[Skin]\r\nName=old\r\n");
  ASSERT_TRUE(WriteFileBytes(env.File(L"Vantrel.ini"), settings));
  static std::wstring target;
  target = env.File(L"export.ini");
  CheckEveryFailingWrite(env, {L"export.ini"}, {old}, [] { return ReadSettings(); },
                         [] { return ExportSettingsTo(target.c_str(), EXPORT_DESIGN); }, false);
}

}  // namespace
