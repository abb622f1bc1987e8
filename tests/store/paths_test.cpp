#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "state.h"
#include "store/paths.h"
#include "support/test_support.h"

namespace {

// Runs a test with the program at a chosen path; restores the real one.
class ProgramPathTest : public ::testing::Test {
 protected:
  void SetUp() override { wcscpy(saved_, g_App.ProgramPath); }
  void TearDown() override { wcscpy(g_App.ProgramPath, saved_); }
  void SetProgram(const wchar_t* path) { wcscpy(g_App.ProgramPath, path); }
  wchar_t saved_[MAX_PATH];
};

std::wstring Take(wchar_t* text) {
  std::wstring s = text ? text : L"<null>";
  if (text) HeapFree(GetProcessHeap(), 0, text);
  return s;
}

// Converted text, or "<none>" when the conversion declined.
std::wstring ToRelative(const wchar_t* path) {
  std::vector<wchar_t> buf(path, path + wcslen(path) + 1);
  wchar_t* out = reinterpret_cast<wchar_t*>(1);
  int ok = MakeRelativePath(buf.data(), &out);
  EXPECT_EQ(ok != 0, out != nullptr) << "result and out disagree for " << path;
  EXPECT_STREQ(buf.data(), path) << "out mode must not touch the path";
  return ok ? Take(out) : L"<none>";
}

std::wstring ToAbsolute(const wchar_t* path) {
  std::vector<wchar_t> buf(path, path + wcslen(path) + 1);
  wchar_t* out = reinterpret_cast<wchar_t*>(1);
  int ok = MakeAbsolutePath(buf.data(), &out);
  EXPECT_EQ(ok != 0, out != nullptr) << "result and out disagree for " << path;
  EXPECT_STREQ(buf.data(), path) << "out mode must not touch the path";
  return ok ? Take(out) : L"<none>";
}

struct PathCase {
  const wchar_t* In;
  const wchar_t* Out;  // L"<none>" when left alone
};

const wchar_t kProgram[] = L"C:\\Tools\\Launcher\\Vantrel.exe";

TEST(OSVersion, WindowsTenThroughTheManifest) {
  // The test programs carry the launcher's manifest; without its supportedOS
  // entry the version checks would stop below 1000.
  ASSERT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_MANIFEST), nullptr);
  EXPECT_EQ(GetOSVersion(), 1000);
  EXPECT_EQ(GetOSVersion(), 1000);
}

TEST(ModuleVersion, OwnResourcePacksProductVersion) {
  EXPECT_EQ(GetModuleVersion(nullptr), 0x04020200u);
}

TEST(ModuleVersion, LibraryResources) {
  struct {
    const wchar_t* Dll;
    DWORD Expected;
  } cases[] = {
      {L"version_product.dll", 0x05060708u},  // file version 1.2.3.4 is not the one
      {L"version_none.dll", 0},
      {L"version_truncated.dll", 0},  // signature too close to the end
  };
  for (auto& c : cases) {
    HMODULE module = LoadLibraryW(FixturePath(c.Dll).c_str());
    ASSERT_NE(module, nullptr) << FixturePath(c.Dll);
    EXPECT_EQ(GetModuleVersion(module), c.Expected) << c.Dll;
    FreeLibrary(module);
  }
}

TEST(PathTests, IsRootPath) {
  struct {
    const wchar_t* Path;
    int Root;
  } cases[] = {
      {L"\\", 1},        {L"c:", 1},          {L"C:\\", 1},   {L"z:\\", 1},
      {L"C:\\x", 0},     {L"\\\\server", 0},  {L"\\\\", 0},   {L"1:\\", 0},
      {L"C:/", 0},       {L"", 0},            {L"C", 0},      {L"CC:", 0},
  };
  for (auto& c : cases) EXPECT_EQ(IsRootPath(c.Path), c.Root) << c.Path;
  EXPECT_EQ(IsRootPath(nullptr), 0);
}

TEST(PathTests, IsExecutableExtension) {
  struct {
    const wchar_t* Ext;
    int Exec;
  } cases[] = {
      {L".exe", 1}, {L".EXE", 1}, {L".Com", 1}, {L".pif", 1}, {L".bat", 1}, {L".CMD", 1},
      {L"exe", 0},  {L".exe ", 0}, {L".lnk", 0}, {L".ex", 0},  {L"", 0},
  };
  for (auto& c : cases) EXPECT_EQ(IsExecutableExtension(c.Ext), c.Exec) << c.Ext;
  EXPECT_EQ(IsExecutableExtension(nullptr), 0);
}

TEST(PathTests, PathReachableFilesAndFolders) {
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File(L"a.txt"), "x"));
  EXPECT_EQ(PathReachable(dir.Path.c_str()), 1);
  EXPECT_EQ(PathReachable(dir.File(L"a.txt").c_str()), 1);
  EXPECT_EQ(PathReachable(dir.File(L"missing.txt").c_str()), 0);
  EXPECT_EQ(PathReachable(L""), 0);
  EXPECT_EQ(PathReachable(nullptr), 0);
}

TEST(PathTests, PathReachableUncServer) {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = ARRAYSIZE(name);
  ASSERT_TRUE(GetComputerNameW(name, &size));
  EXPECT_EQ(PathReachable((std::wstring(L"\\\\") + name).c_str()), 1);
  EXPECT_EQ(PathReachable(L"\\\\"), 0);

  DWORD start = GetTickCount();
  EXPECT_EQ(PathReachable(L"\\\\vn-no-such-server-7f3a"), 0);
  EXPECT_LT(GetTickCount() - start, 10000u) << "an unknown server must not hang the caller";
}

TEST(PathTests, QuotePath) {
  PathCase cases[] = {
      {L"C:\\Program Files\\a.exe", L"\"C:\\Program Files\\a.exe\""},
      {L"\"C:\\a b\\c.exe\"", L"\"C:\\a b\\c.exe\""},
      {L"", L"\"\""},
      {L"\"", L"\"\"\""},            // a lone quote is not quoted text
      {L"\"a", L"\"\"a\""},
      {L"a\"", L"\"a\"\""},
  };
  for (auto& c : cases) EXPECT_EQ(Take(QuotePath(c.In)), c.Out) << c.In;
  EXPECT_EQ(QuotePath(nullptr), nullptr);
}

TEST(PathTests, GetParentFolder) {
  PathCase cases[] = {
      {L"C:\\Tools\\Launcher\\Vantrel.exe", L"C:\\Tools\\Launcher"},
      {L"C:\\Tools\\Launcher\\", L"C:\\Tools\\Launcher"},
      {L"C:\\Tools", L"C:\\"},
      {L"C:\\", L"<null>"},
      {L"C:", L"<null>"},
      {L"\\", L"<null>"},
      {L"", L"<null>"},
      {L"\\\\server\\share", L"\\\\server"},
      {L"\\\\server", L"<null>"},  // a server has no parent
  };
  for (auto& c : cases) EXPECT_EQ(Take(GetParentFolder(c.In)), c.Out) << c.In;
  EXPECT_EQ(GetParentFolder(nullptr), nullptr);
}

TEST(PathTests, ExpandEnvPathAroundTheFirstBufferSize) {
  // Expansions of 258 to 5000 characters cross the first 260-character try.
  for (size_t len : {0u, 1u, 258u, 259u, 260u, 261u, 262u, 1000u, 5000u}) {
    std::wstring value(len, L'v');
    if (len) value[len - 1] = L'!';
    ASSERT_TRUE(SetEnvironmentVariableW(L"VN_TEST_LONG", len ? value.c_str() : nullptr));
    std::wstring expected = len ? L"<" + value + L">" : L"<%VN_TEST_LONG%>";
    EXPECT_EQ(Take(ExpandEnvPath(L"<%VN_TEST_LONG%>")), expected) << len;
  }
  SetEnvironmentVariableW(L"VN_TEST_LONG", nullptr);

  EXPECT_EQ(Take(ExpandEnvPath(nullptr)), L"");
  EXPECT_EQ(Take(ExpandEnvPath(L"")), L"");
  EXPECT_EQ(Take(ExpandEnvPath(L"%VN_NO_SUCH_VAR%\\x")), L"%VN_NO_SUCH_VAR%\\x");
}

TEST_F(ProgramPathTest, ProgramPathFilledFromTheModule) {
  g_App.ProgramPath[0] = 0;
  wchar_t real[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, real, MAX_PATH), 0u);
  EXPECT_STREQ(GetProgramPath(), real);
  SetProgram(kProgram);
  EXPECT_STREQ(GetProgramPath(), kProgram);
}

TEST_F(ProgramPathTest, MakeRelativePath) {
  SetProgram(kProgram);
  PathCase cases[] = {
      {L"C:\\Tools\\Launcher\\Data\\a.txt", L"Data\\a.txt"},
      {L"c:\\TOOLS\\launcher\\Data\\a.txt", L"Data\\a.txt"},
      {L"C:\\Tools\\Launcher\\Vantrel.exe", L"Vantrel.exe"},
      {L"C:\\Tools\\Launcher\\.\\x.txt", L"x.txt"},
      {L"C:\\Tools\\b.exe", L"..\\b.exe"},
      {L"C:\\Other\\c.exe", L"..\\..\\Other\\c.exe"},
      {L"C:\\ToolsX\\a.exe", L"..\\..\\ToolsX\\a.exe"},      // shares text, not a folder
      {L"C:\\Tools\\LauncherX\\a", L"..\\LauncherX\\a"},
      {L"C:\\Tools", L".."},
      {L"C:\\Tools\\", L".."},
      {L"C:\\Tools\\Launcher", L"."},
      {L"C:\\Tools\\Launcher\\", L"<none>"},
      {L"C:\\", L"\\"},
      {L"c:\\", L"\\"},
      {L"D:\\x.exe", L"<none>"},
      {L"\\\\server\\share\\x.exe", L"<none>"},
      {L"Data\\a.txt", L"<none>"},
      {L"C:x", L"<none>"},
      {L"C:", L"<none>"},
  };
  for (auto& c : cases) EXPECT_EQ(ToRelative(c.In), c.Out) << c.In;
  wchar_t* out = reinterpret_cast<wchar_t*>(1);
  EXPECT_EQ(MakeRelativePath(nullptr, &out), 0);
  EXPECT_EQ(out, nullptr);
}

TEST_F(ProgramPathTest, MakeAbsolutePath) {
  SetProgram(kProgram);
  PathCase cases[] = {
      {L"Data\\a.txt", L"C:\\Tools\\Launcher\\Data\\a.txt"},
      {L".\\Data\\a.txt", L"C:\\Tools\\Launcher\\Data\\a.txt"},
      {L"tool.exe", L"C:\\Tools\\Launcher\\tool.exe"},
      {L".hidden", L"C:\\Tools\\Launcher\\.hidden"},
      {L"..\\b.exe", L"C:\\Tools\\b.exe"},
      {L"..\\..\\Other\\c.exe", L"C:\\Other\\c.exe"},
      {L".\\..\\b.exe", L"C:\\Tools\\b.exe"},
      {L"..", L"C:\\Tools\\Launcher\\.."},
      {L"..\\", L"C:\\Tools\\"},
      {L"..\\..", L"C:\\"},
      {L".\\..", L"C:\\Tools"},
      {L"..\\..\\..\\..\\x.exe", L"C:\\x.exe"},  // never above the root
      {L"\\", L"C:\\"},
      {L"\\Windows\\x.exe", L"C:\\Windows\\x.exe"},
      {L"D:\\x.exe", L"<none>"},
      {L"C:x.exe", L"<none>"},
      {L"%WINDIR%\\notepad.exe", L"<none>"},
      {L" x.exe", L"<none>"},
      {L"", L"<none>"},
      {L"\\\\server\\share\\x.exe", L"<none>"},
      {L"http://example.com/a", L"<none>"},
  };
  for (auto& c : cases) EXPECT_EQ(ToAbsolute(c.In), c.Out) << c.In;
  wchar_t* out = reinterpret_cast<wchar_t*>(1);
  EXPECT_EQ(MakeAbsolutePath(nullptr, &out), 0);
  EXPECT_EQ(out, nullptr);
}

TEST_F(ProgramPathTest, RelativeAndBackGiveTheSamePlace) {
  SetProgram(kProgram);
  const wchar_t* paths[] = {
      L"C:\\Tools\\Launcher\\Data\\a.txt", L"C:\\Tools\\b.exe", L"C:\\Other\\c.exe",
      L"C:\\Tools",  L"C:\\", L"C:\\Tools\\Launcher", L"C:\\Tools\\Launcher\\Sub\\Deep\\d.txt",
  };
  for (const wchar_t* path : paths) {
    std::wstring rel = ToRelative(path);
    ASSERT_NE(rel, L"<none>") << path;
    std::wstring back = ToAbsolute(rel.c_str());
    wchar_t canonical[MAX_PATH];
    ASSERT_GT(GetFullPathNameW(back.c_str(), MAX_PATH, canonical, nullptr), 0u) << back;
    EXPECT_EQ(_wcsicmp(canonical, path), 0) << path << " -> " << rel << " -> " << back;
  }
}

TEST_F(ProgramPathTest, ProgramOnAShare) {
  SetProgram(L"\\\\srv\\tools\\Launcher\\Vantrel.exe");
  EXPECT_EQ(ToAbsolute(L"a.txt"), L"\\\\srv\\tools\\Launcher\\a.txt");
  EXPECT_EQ(ToAbsolute(L"\\a.txt"), L"\\\\srv\\tools\\a.txt");
  EXPECT_EQ(ToAbsolute(L"..\\..\\..\\a.txt"), L"\\\\srv\\tools\\a.txt");
  EXPECT_EQ(ToRelative(L"C:\\Tools\\a.txt"), L"<none>");
}

// In place, the result must fit the caller's buffer: a longer result leaves
// the path and everything behind its buffer untouched.
TEST_F(ProgramPathTest, InPlaceConversionsRespectTheBufferSize) {
  SetProgram(kProgram);
  struct {
    int (*Convert)(wchar_t*, wchar_t**, size_t);
    const wchar_t* In;
    const wchar_t* Out;
  } cases[] = {
      {MakeRelativePath, L"C:\\Other\\c.exe", L"..\\..\\Other\\c.exe"},
      {MakeRelativePath, L"C:\\Tools\\Launcher\\Data\\a.txt", L"Data\\a.txt"},
      {MakeAbsolutePath, L"tool.exe", L"C:\\Tools\\Launcher\\tool.exe"},
      {MakeAbsolutePath, L"..\\b.exe", L"C:\\Tools\\b.exe"},
  };
  const wchar_t kGuard = 0xBEEF;
  for (auto& c : cases) {
    size_t need = wcslen(c.Out) + 1;
    for (size_t chars : {need - 1, need, need + 40}) {
      if (chars < wcslen(c.In) + 1) continue;  // the path itself must fit its buffer
      std::vector<wchar_t> buf(chars + 8, kGuard);
      wcscpy(buf.data(), c.In);
      int ok = c.Convert(buf.data(), nullptr, chars);
      if (chars >= need) {
        EXPECT_EQ(ok, 1) << c.In << " in " << chars;
        EXPECT_STREQ(buf.data(), c.Out) << c.In << " in " << chars;
      } else {
        EXPECT_EQ(ok, 0) << c.In << " in " << chars;
        EXPECT_STREQ(buf.data(), c.In) << c.In << " in " << chars;
      }
      for (size_t i = chars; i < buf.size(); i++)
        ASSERT_EQ(buf[i], kGuard) << c.In << ": wrote past " << chars << " characters";
    }
  }
  // Without a size there is no room at all.
  wchar_t path[MAX_PATH] = L"tool.exe";
  EXPECT_EQ(MakeAbsolutePath(path, nullptr), 0);
  EXPECT_STREQ(path, L"tool.exe");
}

TEST(WideBuffer, GrowKeepsTextAndZeroFills) {
  WideStringHolder holder = {};
  ASSERT_EQ(GrowWideBuffer(&holder, 4), 1);
  ASSERT_NE(holder.Buffer, nullptr);
  EXPECT_EQ(holder.Chars, 4u);
  for (int i = 0; i <= 4; i++) EXPECT_EQ(holder.Buffer[i], 0);
  wcscpy(holder.Buffer, L"abcd");

  ASSERT_EQ(GrowWideBuffer(&holder, 3000), 1);
  EXPECT_STREQ(holder.Buffer, L"abcd");
  for (int i = 4; i <= 3000; i++) ASSERT_EQ(holder.Buffer[i], 0) << i;

  // Far too much: the old buffer stays as it was.
  wchar_t* before = holder.Buffer;
  EXPECT_EQ(GrowWideBuffer(&holder, ((size_t)-1) / 4), 0);
  EXPECT_EQ(GrowWideBuffer(&holder, (size_t)-1), 0);
  EXPECT_EQ(holder.Buffer, before);
  EXPECT_EQ(holder.Chars, 3000u);
  EXPECT_STREQ(holder.Buffer, L"abcd");

  ASSERT_EQ(GrowWideBuffer(&holder, 2), 1);
  EXPECT_STREQ(holder.Buffer, L"ab");
  HeapFree(GetProcessHeap(), 0, holder.Buffer);
  EXPECT_EQ(GrowWideBuffer(nullptr, 4), 0);
}

TEST_F(ProgramPathTest, BuildProgramFilePathJoinsWithTheProgramFolder) {
  SetProgram(L"C:\\Programs\\Vantrel\\Vantrel.exe");
  wchar_t out[64];
  ASSERT_EQ(1, BuildProgramFilePath(L"VnHook.dll", out, 64));
  EXPECT_STREQ(L"C:\\Programs\\Vantrel\\VnHook.dll", out);
  EXPECT_EQ(0, BuildProgramFilePath(L"Languages\\A-very-long-library-name.dll", out, 40));
}

}  // namespace
