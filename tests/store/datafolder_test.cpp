#include <gtest/gtest.h>
#include <lmcons.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "state.h"
#include "store/datafolder.h"
#include "support/test_support.h"

namespace {

bool IsFolder(const std::wstring& path) { return PathIsDirectoryW(path.c_str()) != FALSE; }

bool Exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The program sits in a temporary folder; both AppData\Vantrel folders of the
// test prefix are cleaned of whatever a test put there.
class DataFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_App;
    Program = Temp.Path + L"\\Prog";
    ASSERT_TRUE(CreateDirectoryW(Program.c_str(), nullptr));
    wcscpy(g_App.ProgramPath, (Program + L"\\Vantrel.exe").c_str());
    Shared = Program + L"\\Data";

    wchar_t name[UNLEN + 1];
    DWORD chars = ARRAYSIZE(name);
    ASSERT_TRUE(GetUserNameW(name, &chars));
    User = name;
    PerUser = Shared + L"\\" + User;

    wchar_t folder[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, folder, CSIDL_COMMON_APPDATA, FALSE));
    CommonAppData = std::wstring(folder) + L"\\Vantrel";
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, folder, CSIDL_APPDATA, FALSE));
    UserAppData = std::wstring(folder) + L"\\Vantrel";
    for (auto* f : {&CommonAppData, &UserAppData}) {
      // Left over from elsewhere it would decide every case below.
      ASSERT_FALSE(Exists(*f + L"\\Vantrel.ini")) << "stale " << *f;
      existed_.push_back(IsFolder(*f));
    }
  }

  void TearDown() override {
    const std::wstring* folders[] = {&CommonAppData, &UserAppData};
    for (int i = 0; i < 2; i++) {
      if (!existed_[i]) {
        RemoveTree(*folders[i]);
      } else {
        for (const wchar_t* f : {L"Vantrel.ini", L"Design.ini", L"VnIcons.bin"})
          DeleteFileW((*folders[i] + L"\\" + f).c_str());
        RemoveTree(*folders[i] + L"\\PluginData");
      }
    }
    g_App = saved_;
  }

  const wchar_t* Resolve() {
    g_App.DataFolderPath[0] = 0;
    g_App.DataFolderMode = 99;
    return ResolveDataFolder();
  }

  void Put(const std::wstring& path, const char* bytes = "x") {
    std::wstring folder = path.substr(0, path.rfind(L'\\'));
    MakeFolders(folder);
    ASSERT_TRUE(WriteFileBytes(path, bytes)) << path;
  }

  void MakeFolders(const std::wstring& folder) {
    if (IsFolder(folder)) return;
    MakeFolders(folder.substr(0, folder.rfind(L'\\')));
    CreateDirectoryW(folder.c_str(), nullptr);
  }

  void ExpectData(const std::wstring& folder, int mode) {
    EXPECT_STREQ(g_App.DataFolderPath, folder.c_str());
    EXPECT_EQ(g_App.DataFolderMode, mode);
  }

  TempDir Temp;
  std::wstring Program, Shared, PerUser, User, CommonAppData, UserAppData;

 private:
  AppState saved_;
  std::vector<bool> existed_;
};

TEST_F(DataFolderTest, SettingsFileDecidesInOrder) {
  struct {
    const char* Name;
    std::vector<std::wstring> Holding;  // folders that hold a Vantrel.ini
    std::wstring Expected;
    int Mode;
  } cases[] = {
      {"shared wins", {Shared, PerUser, CommonAppData, UserAppData}, Shared, 2},
      {"per-user before AppData", {PerUser, CommonAppData, UserAppData}, PerUser, 0},
      {"common before own AppData", {CommonAppData, UserAppData}, CommonAppData, 3},
      {"own AppData", {UserAppData}, UserAppData, 1},
  };
  for (auto& c : cases) {
    for (auto& folder : c.Holding) Put(folder + L"\\Vantrel.ini");
    EXPECT_STREQ(Resolve(), c.Expected.c_str()) << c.Name;
    EXPECT_EQ(g_App.DataFolderMode, c.Mode) << c.Name;
    for (auto& folder : c.Holding) DeleteFileW((folder + L"\\Vantrel.ini").c_str());
  }
}

TEST_F(DataFolderTest, ResolvedOncePerRun) {
  Put(PerUser + L"\\Vantrel.ini");
  const wchar_t* first = Resolve();
  Put(Shared + L"\\Vantrel.ini");  // appears later: no effect until re-resolved
  EXPECT_EQ(ResolveDataFolder(), first);
  ExpectData(PerUser, 0);
}

TEST_F(DataFolderTest, FirstRunCreatesPerUserFolder) {
  EXPECT_STREQ(Resolve(), PerUser.c_str());
  EXPECT_EQ(g_App.DataFolderMode, 0);
  EXPECT_TRUE(IsFolder(PerUser));
  EXPECT_FALSE(Exists(UserAppData + L"\\Vantrel.ini"));
}

// Wine keeps no read-only mark on folders and the tests run as root, so a
// file named Data stands in for a program folder without write access:
// creating Data fails either way.
TEST_F(DataFolderTest, UnwritableProgramFolderFallsBackToAppData) {
  Put(Shared, "not a folder");
  EXPECT_STREQ(Resolve(), UserAppData.c_str());
  EXPECT_EQ(g_App.DataFolderMode, 1);
  EXPECT_TRUE(IsFolder(UserAppData));
}

TEST_F(DataFolderTest, DesignFileNames) {
  wcscpy(g_App.DataFolderPath, L"C:\\D");
  wcscpy(g_App.SkinName, L"Current.zip");
  struct {
    const wchar_t* Skin;
    const wchar_t* Path;  // empty: refused
  } cases[] = {
      {L"\\Glass", L"C:\\D\\[FOLDER]_Glass.vsd"},
      {L"\\My.Skin", L"C:\\D\\[FOLDER]_My.Skin.vsd"},
      {L"Glass.zip", L"C:\\D\\Glass.vsd"},
      {L"my.skin.zip", L"C:\\D\\my.skin.vsd"},
      {L"Blue", L"C:\\D\\Blue.vsd"},
      {L"", L"C:\\D\\Classic.vsd"},
      {nullptr, L"C:\\D\\Current.vsd"},
      // Names from the design file may not lead out of the data folder.
      {L"..\\..\\evil.zip", L""},
      {L"\\..\\evil", L""},
      {L"\\a\\b", L""},
      {L"sub/evil.zip", L""},
      {L"C:evil.zip", L""},
      {L"x.zip:stream", L""},
      {L"..", L""},
  };
  for (auto& c : cases) {
    wchar_t out[MAX_PATH] = L"junk";
    EXPECT_EQ(GetDesignFilePath(out, c.Skin), c.Path[0] ? 1 : 0) << (c.Skin ? c.Skin : L"null");
    EXPECT_STREQ(out, c.Path) << (c.Skin ? c.Skin : L"null");
  }
  std::wstring longName(MAX_PATH, L'a');
  wchar_t out[MAX_PATH];
  EXPECT_EQ(GetDesignFilePath(out, longName.c_str()), 0);
  EXPECT_STREQ(out, L"");
}

TEST_F(DataFolderTest, SingleUserModeOnAndOff) {
  Put(PerUser + L"\\Vantrel.ini", "settings");
  Put(PerUser + L"\\Design.ini", "design");
  Put(PerUser + L"\\Glass.vsd", "glass");
  Put(PerUser + L"\\PluginData\\clock.dat", "clock");
  Put(PerUser + L"\\PluginData\\deep\\more.dat", "more");
  Put(Shared + L"\\alice\\Vantrel.ini", "alice's");
  ASSERT_STREQ(Resolve(), PerUser.c_str());

  // On: everything moves up and the empty per-user folder goes.
  EXPECT_EQ(ToggleDataFolderSharing(), 1);
  ExpectData(Shared, 2);
  EXPECT_EQ(ReadFileBytes(Shared + L"\\Vantrel.ini"), "settings");
  EXPECT_EQ(ReadFileBytes(Shared + L"\\Design.ini"), "design");
  EXPECT_EQ(ReadFileBytes(Shared + L"\\Glass.vsd"), "glass");
  EXPECT_EQ(ReadFileBytes(Shared + L"\\PluginData\\clock.dat"), "clock");
  EXPECT_EQ(ReadFileBytes(Shared + L"\\PluginData\\deep\\more.dat"), "more");
  EXPECT_FALSE(Exists(PerUser));

  // Off: files and PluginData move down; other users' folders and the
  // shared folder itself stay.
  Put(Shared + L"\\VnIcons.bin", "icons");
  EXPECT_EQ(ToggleDataFolderSharing(), 1);
  ExpectData(PerUser, 0);
  EXPECT_EQ(ReadFileBytes(PerUser + L"\\Vantrel.ini"), "settings");
  EXPECT_EQ(ReadFileBytes(PerUser + L"\\VnIcons.bin"), "icons");
  EXPECT_EQ(ReadFileBytes(PerUser + L"\\PluginData\\deep\\more.dat"), "more");
  EXPECT_FALSE(Exists(Shared + L"\\Vantrel.ini"));
  EXPECT_FALSE(Exists(Shared + L"\\PluginData"));
  EXPECT_EQ(ReadFileBytes(Shared + L"\\alice\\Vantrel.ini"), "alice's");
  EXPECT_TRUE(IsFolder(Shared));
}

TEST_F(DataFolderTest, SingleUserModeInAppData) {
  Put(UserAppData + L"\\Vantrel.ini", "settings");
  Put(UserAppData + L"\\PluginData\\p.dat", "plugin");
  ASSERT_STREQ(Resolve(), UserAppData.c_str());

  EXPECT_EQ(ToggleDataFolderSharing(), 1);
  ExpectData(CommonAppData, 3);
  EXPECT_EQ(ReadFileBytes(CommonAppData + L"\\Vantrel.ini"), "settings");
  EXPECT_EQ(ReadFileBytes(CommonAppData + L"\\PluginData\\p.dat"), "plugin");
  EXPECT_FALSE(Exists(UserAppData));

  EXPECT_EQ(ToggleDataFolderSharing(), 1);
  ExpectData(UserAppData, 1);
  EXPECT_EQ(ReadFileBytes(UserAppData + L"\\Vantrel.ini"), "settings");
  EXPECT_FALSE(Exists(CommonAppData));
}

// A settings file already at the target: nothing moves and the launcher keeps
// its folder, instead of switching to the stale settings and leaving its own
// behind.
TEST_F(DataFolderTest, ToggleRefusedWhenSettingsCannotMove) {
  Put(Shared + L"\\Vantrel.ini", "current");
  Put(Shared + L"\\Design.ini", "design");
  Put(Shared + L"\\PluginData\\p.dat", "plugin");
  Put(PerUser + L"\\Vantrel.ini", "stale");
  ASSERT_STREQ(Resolve(), Shared.c_str());

  EXPECT_EQ(ToggleDataFolderSharing(), 0);
  ExpectData(Shared, 2);
  EXPECT_EQ(ReadFileBytes(Shared + L"\\Vantrel.ini"), "current");
  EXPECT_EQ(ReadFileBytes(Shared + L"\\Design.ini"), "design");
  EXPECT_EQ(ReadFileBytes(Shared + L"\\PluginData\\p.dat"), "plugin");
  EXPECT_EQ(ReadFileBytes(PerUser + L"\\Vantrel.ini"), "stale");
  EXPECT_FALSE(Exists(PerUser + L"\\Design.ini"));
  EXPECT_FALSE(Exists(PerUser + L"\\PluginData"));
}

TEST_F(DataFolderTest, ToggleRefusedWhenTargetCannotBeMade) {
  Put(PerUser + L"\\Vantrel.ini", "current");
  ASSERT_STREQ(Resolve(), PerUser.c_str());
  // Switching off again later needs Data\<user>; a file there blocks it.
  ASSERT_EQ(ToggleDataFolderSharing(), 1);
  Put(PerUser, "a file");
  EXPECT_EQ(ToggleDataFolderSharing(), 0);
  ExpectData(Shared, 2);
  EXPECT_EQ(ReadFileBytes(Shared + L"\\Vantrel.ini"), "current");
}

// Once the settings moved, the switch stands; a file that could not follow
// stays behind with the source folder and the result says so.
TEST_F(DataFolderTest, PartialMoveStillSwitches) {
  Put(PerUser + L"\\Vantrel.ini", "settings");
  Put(PerUser + L"\\Design.ini", "mine");
  Put(PerUser + L"\\Glass.vsd", "glass");
  Put(Shared + L"\\Design.ini", "theirs");
  ASSERT_STREQ(Resolve(), PerUser.c_str());

  EXPECT_EQ(ToggleDataFolderSharing(), 0);
  ExpectData(Shared, 2);
  EXPECT_EQ(ReadFileBytes(Shared + L"\\Vantrel.ini"), "settings");
  EXPECT_EQ(ReadFileBytes(Shared + L"\\Glass.vsd"), "glass");
  EXPECT_EQ(ReadFileBytes(Shared + L"\\Design.ini"), "theirs");
  EXPECT_EQ(ReadFileBytes(PerUser + L"\\Design.ini"), "mine");
}

TEST_F(DataFolderTest, MoveDataFiles) {
  std::wstring from = Temp.Path + L"\\from", to = Temp.Path + L"\\to";
  Put(from + L"\\a.txt", "a");
  Put(from + L"\\tree\\b.txt", "b");
  Put(from + L"\\tree\\sub\\c.txt", "c");
  Put(from + L"\\tree\\sub\\taken.txt", "mine");
  Put(to + L"\\tree\\sub\\taken.txt", "theirs");
  Put(from + L"\\clash.txt", "mine");
  Put(to + L"\\clash.txt", "theirs");

  EXPECT_EQ(MoveDataFiles(from.c_str(), to.c_str(), L"a.txt"), 1);
  EXPECT_EQ(ReadFileBytes(to + L"\\a.txt"), "a");
  EXPECT_FALSE(Exists(from + L"\\a.txt"));

  EXPECT_EQ(MoveDataFiles(from.c_str(), to.c_str(), L"clash.txt"), 0);
  EXPECT_EQ(ReadFileBytes(from + L"\\clash.txt"), "mine");
  EXPECT_EQ(ReadFileBytes(to + L"\\clash.txt"), "theirs");

  // A tree moves into an existing folder; what cannot move stays behind.
  EXPECT_EQ(MoveDataFiles(from.c_str(), to.c_str(), L"tree"), 0);
  EXPECT_EQ(ReadFileBytes(to + L"\\tree\\b.txt"), "b");
  EXPECT_EQ(ReadFileBytes(to + L"\\tree\\sub\\c.txt"), "c");
  EXPECT_EQ(ReadFileBytes(to + L"\\tree\\sub\\taken.txt"), "theirs");
  EXPECT_EQ(ReadFileBytes(from + L"\\tree\\sub\\taken.txt"), "mine");
  EXPECT_FALSE(Exists(from + L"\\tree\\b.txt"));

  EXPECT_EQ(MoveDataFiles(from.c_str(), to.c_str(), L"missing.txt"), 0);
  for (const wchar_t* bad : {L"..", L".", L"", L"tree\\sub", L"..\\from\\clash.txt"})
    EXPECT_EQ(MoveDataFiles(from.c_str(), to.c_str(), bad), 0) << bad;
  EXPECT_TRUE(IsFolder(from + L"\\tree\\sub"));
}

}  // namespace
