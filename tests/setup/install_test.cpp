#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "setup/install.h"
#include "setup/platform.h"
#include "setup/state.h"
#include "setup/uninstall.h"
#include "support/test_support.h"

namespace {

std::vector<int> g_messages;

int RecordMessage(int id, UINT, const wchar_t*) {
  g_messages.push_back(id);
  return IDOK;
}
void WINAPI NoSleep(DWORD) {}
int Windows10() { return 1000; }

struct SetupSeam {
  SetupPlatform saved = g_SetupPlatform;
  SetupSeam() {
    g_messages.clear();
    g_SetupPlatform.ShowMessage = RecordMessage;
    g_SetupPlatform.Sleep = NoSleep;
    g_SetupPlatform.OsVersion = Windows10;
  }
  ~SetupSeam() { g_SetupPlatform = saved; }
};

void Put(const std::wstring& path) { ASSERT_TRUE(WriteFileBytes(path, "data")); }

}  // namespace

// Folder skins are sub-folders of Skins: their files are listed and their
// folders made; other data folders give only their own files.
TEST(InstallSteps, ListsSkinTreesAndCopiesThem) {
  SetupSeam seam;
  TempDir from, to;
  for (const wchar_t* d : {L"Docs", L"Docs\\old", L"Languages", L"Skins", L"Skins\\Basalt", L"Skins\\Basalt\\parts"})
    CreateDirectoryW(from.File(d).c_str(), nullptr);
  for (const wchar_t* f : {L"Docs\\readme.txt", L"Docs\\old\\skip.txt", L"Languages\\English.dll",
                           L"Skins\\Basalt.zip", L"Skins\\Basalt\\skin.xml", L"Skins\\Basalt\\parts\\tab.png"})
    Put(from.File(f));
  wcscpy(g_Setup.SetupFolder, (from.Path + L"\\").c_str());
  wcscpy(g_Setup.InstallFolder, (to.Path + L"\\").c_str());
  g_Setup.CopyFiles = TRUE;
  ASSERT_EQ(5, ListInstallFiles());
  std::vector<std::wstring> listed(g_Setup.Files, g_Setup.Files + g_Setup.FileCount);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ((std::vector<std::wstring>{L"Docs\\readme.txt", L"Languages\\English.dll", L"Skins\\Basalt.zip",
                                       L"Skins\\Basalt\\parts\\tab.png", L"Skins\\Basalt\\skin.xml"}),
            listed);
  for (const std::wstring& f : listed) EXPECT_TRUE(CopyInstallFile(f.c_str()));
  EXPECT_EQ("data", ReadFileBytes(to.File(L"Skins\\Basalt\\parts\\tab.png")));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(to.File(L"Docs\\old").c_str()));
  FreeInstallFiles();
  // Settings only (installing into the setup folder): nothing is listed.
  g_Setup.CopyFiles = FALSE;
  EXPECT_EQ(0, ListInstallFiles());
  FreeInstallFiles();
  EXPECT_TRUE(g_messages.empty());
}

TEST(InstallSteps, CopyFailuresAreReported) {
  SetupSeam seam;
  TempDir from, to;
  wcscpy(g_Setup.SetupFolder, (from.Path + L"\\").c_str());
  wcscpy(g_Setup.InstallFolder, (to.Path + L"\\").c_str());
  EXPECT_FALSE(CopyInstallFile(L"Vantrel.exe"));  // no source
  EXPECT_EQ(std::vector<int>{914}, g_messages);
  // A file where the install folder should be.
  g_messages.clear();
  Put(to.File(L"blocked"));
  EXPECT_FALSE(EnsureInstallFolder((to.Path + L"\\blocked\\deeper\\").c_str()));
  EXPECT_EQ(std::vector<int>{911}, g_messages);
}

// A file another program holds is reported and kept, its folder too; the
// rest goes.
TEST(Uninstall, FolderTreeKeepsWhatItCannotRemove) {
  SetupSeam seam;
  TempDir dir;
  std::wstring data = dir.File(L"Data");
  CreateDirectoryW(data.c_str(), nullptr);
  CreateDirectoryW((data + L"\\user").c_str(), nullptr);
  Put(data + L"\\Vantrel.ini");
  Put(data + L"\\user\\Vantrel.ini");
  Put(data + L"\\foreign.txt");
  SetFileAttributesW((data + L"\\Vantrel.ini").c_str(), FILE_ATTRIBUTE_READONLY);
  HANDLE held = CreateFileW((data + L"\\foreign.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  EXPECT_FALSE(DeleteFolderTree(data.c_str()));
  CloseHandle(held);
  EXPECT_EQ((std::vector<int>{917, 918}), g_messages);
  EXPECT_EQ((std::set<std::wstring>{L"foreign.txt"}), ListFiles(data));
  g_messages.clear();
  EXPECT_TRUE(DeleteFolderTree(data.c_str()));
  EXPECT_TRUE(DeleteFolderTree(data.c_str()));  // gone already
  EXPECT_TRUE(g_messages.empty());
}
