#include "store/language.h"

#include <gtest/gtest.h>

#include <string>

#include "state.h"
#include "support/test_support.h"

namespace {

TEST(IsLanguageFileName, AcceptsPlainDllNamesOnly) {
  struct Case {
    const wchar_t* Name;
    int Want;
  } cases[] = {
      {L"English.dll", 1},
      {L"english.DLL", 1},
      {L"a.dll", 1},
      {L"Chinese (Simplified).dll", 1},
      {L"..\\English.dll", 0},
      {L"../English.dll", 0},
      {L"sub\\English.dll", 0},
      {L"C:\\Windows\\English.dll", 0},
      {L"C:English.dll", 0},
      {L"\\\\server\\share\\English.dll", 0},
      {L"English.dll:stream", 0},
      {L"English.exe", 0},
      {L"English", 0},
      {L"English.dll ", 0},
      {L".dll", 0},
      {L"..dll", 0},
      {L"Japanese", 0},
      {L"", 0},
      {L"Eng\tlish.dll", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.Want, IsLanguageFileName(c.Name)) << "case " << (&c - cases);
  EXPECT_EQ(0, IsLanguageFileName(nullptr));
  std::wstring longName(256, L'x');
  EXPECT_EQ(0, IsLanguageFileName((longName + L".dll").c_str()));
  EXPECT_EQ(1, IsLanguageFileName((std::wstring(250, L'x') + L".dll").c_str()));
}

TEST(IsLanguageVersionAccepted, DigitPointDigitDigitFrom421) {
  struct Case {
    const wchar_t* Text;
    int Want;
  } cases[] = {
      {L"4.21", 1}, {L"4.22", 1}, {L"5.00", 1}, {L"9.99", 1},
      {L"4.20", 0}, {L"3.99", 0}, {L"0.00", 0},
      {L"4,21", 0}, {L"4.2", 0},  {L"4.210", 0}, {L"4.2a", 0}, {L"a.21", 0},
      {L"5.0:", 0},  // the bare arithmetic would take this for 5.0x
      {L"\xFF14.21", 0},  // full-width digit four
      {L"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.Want, IsLanguageVersionAccepted(c.Text)) << "case " << (&c - cases);
  EXPECT_EQ(0, IsLanguageVersionAccepted(nullptr));
}

// A program folder of its own, with Languages\ and, when asked, Language.ini.
class LanguageTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_App;
    g_App.LangModule = nullptr;
    g_App.LangFile[0] = 0;
    g_App.LangId = 0;
    g_App.RunState = 0;
    g_App.Settings.PendingSave = 0;
    wsprintfW(g_App.ProgramPath, L"%s\\Vantrel.exe", dir_.Path.c_str());
    ASSERT_TRUE(CreateDirectoryW(dir_.File(L"Languages").c_str(), nullptr));
  }
  void TearDown() override {
    FreeLanguageLibrary();
    g_App = saved_;
  }

  // Copies fixture lang_<kind>.dll to Languages\<name>.
  void AddLibrary(const wchar_t* kind, const wchar_t* name) {
    std::wstring from = FixturePath((std::wstring(L"lang_") + kind + L".dll").c_str());
    ASSERT_TRUE(CopyFileW(from.c_str(), Lang(name).c_str(), FALSE)) << "fixture " << kind;
  }
  void WriteIndex(const std::wstring& text) { ASSERT_TRUE(WriteUtf16File(Lang(L"Language.ini"), text)); }
  std::wstring Lang(const wchar_t* name) const { return dir_.Path + L"\\Languages\\" + name; }
  void SetLanguageFile(const wchar_t* name) { lstrcpynW(g_App.LangFile, name, 260); }

  static std::wstring Hex(unsigned v) {
    wchar_t buf[16];
    wsprintfW(buf, L"0x%04x", v);
    return buf;
  }

  TempDir dir_;
  AppState saved_;
};

TEST_F(LanguageTest, LoadsOnlyRecentEnoughLibraries) {
  struct Case {
    const wchar_t* Kind;
    bool Loads;
  } cases[] = {
      {L"v421", true}, {L"v500", true}, {L"v999", true},
      {L"v420", false}, {L"comma", false}, {L"short", false}, {L"long", false}, {L"letter", false},
  };
  for (const Case& c : cases) {
    std::wstring name = std::wstring(L"T") + c.Kind + L".dll";
    AddLibrary(c.Kind, name.c_str());
    HMODULE m = LoadLanguageDll(name.c_str());
    EXPECT_EQ(c.Loads, m != nullptr) << "library " << (&c - cases);
    if (m) {
      FreeLibrary(m);
    } else {
      // A refused library is not kept loaded.
      EXPECT_EQ(nullptr, GetModuleHandleW(Lang(name.c_str()).c_str()));
    }
  }
  EXPECT_EQ(nullptr, LoadLanguageDll(L"Missing.dll"));
}

TEST_F(LanguageTest, NamesThatLeaveTheFolderAreNotLoaded) {
  std::wstring outside = dir_.File(L"Outside.dll");
  ASSERT_TRUE(CopyFileW(FixturePath(L"lang_v421.dll").c_str(), outside.c_str(), FALSE));
  EXPECT_EQ(nullptr, LoadLanguageDll(L"..\\Outside.dll"));
  EXPECT_EQ(nullptr, LoadLanguageDll(outside.c_str()));
  EXPECT_EQ(nullptr, GetModuleHandleW(outside.c_str()));
}

TEST_F(LanguageTest, StoredNameOutsideTheFolderFallsBackAndIsReplaced) {
  ASSERT_TRUE(CopyFileW(FixturePath(L"lang_v421.dll").c_str(), dir_.File(L"Outside.dll").c_str(), FALSE));
  AddLibrary(L"v421", L"English.dll");
  SetLanguageFile(L"..\\Outside.dll");
  SetLanguage(nullptr);
  EXPECT_STREQ(L"English.dll", g_App.LangFile);
  ASSERT_NE(nullptr, g_App.LangModule);
  EXPECT_EQ(nullptr, GetModuleHandleW(dir_.File(L"Outside.dll").c_str()));
  // The replacement is saved.
  EXPECT_TRUE(g_App.RunState & RS_TRACK_CHANGES);
  EXPECT_EQ(1, g_App.Settings.PendingSave);
}

TEST_F(LanguageTest, DefaultFollowsTheUserLanguage) {
  LANGID user = GetUserDefaultLangID();
  ASSERT_NE(0x0411, user) << "a Japanese user takes the built-in resources";
  AddLibrary(L"v421", L"Mine.dll");
  AddLibrary(L"v500", L"English.dll");
  WriteIndex(L"; languages\r\n\r\n[Other]\r\nLID01=0x0401\r\n\r\n[Mine]\r\nLID01=0x0C0A ; Spanish\r\nLID02=" +
             Hex(user) + L"\r\nResourceLangID=0x0a\r\nResourceSubLangID=0x03\r\n");
  ChooseDefaultLanguage();
  EXPECT_STREQ(L"Mine.dll", g_App.LangFile);
  EXPECT_EQ(GetModuleHandleW(Lang(L"Mine.dll").c_str()), g_App.LangModule);
  EXPECT_EQ(MAKELANGID(0x0a, 0x03), g_App.LangId);
}

TEST_F(LanguageTest, DefaultFallsBackToEnglishThenBuiltIn) {
  LANGID user = GetUserDefaultLangID();
  ASSERT_NE(0x0411, user);
  // The matching library is missing; a gap in the LID numbers ends a section.
  WriteIndex(L"[Gone]\r\nLID01=" + Hex(user) + L"\r\n[Gap]\r\nLID01=0x0401\r\nLID03=" + Hex(user) + L"\r\n");
  AddLibrary(L"v421", L"English.dll");
  ChooseDefaultLanguage();
  EXPECT_STREQ(L"English.dll", g_App.LangFile);
  EXPECT_NE(nullptr, g_App.LangModule);
  FreeLanguageLibrary();

  ASSERT_TRUE(DeleteFileW(Lang(L"English.dll").c_str()));
  SetLanguageFile(L"Gone.dll");
  ChooseDefaultLanguage();
  EXPECT_EQ(nullptr, g_App.LangModule);
  EXPECT_STREQ(kBuiltinLanguage, g_App.LangFile);
  EXPECT_EQ(kBuiltinResourceLanguage, g_App.LangId);
}

TEST_F(LanguageTest, SectionNamesThatCannotBeLibrariesAreSkipped) {
  LANGID user = GetUserDefaultLangID();
  AddLibrary(L"v421", L"English.dll");
  AddLibrary(L"v500", L"Evil.dll");
  // A section name with a folder part, and an overlong one that ends the walk.
  WriteIndex(L"[..\\Languages\\Evil]\r\nLID01=" + Hex(user) + L"\r\n[" + std::wstring(300, L'x') +
             L"]\r\nLID01=0x0401\r\n[Evil]\r\nLID01=" + Hex(user) + L"\r\n");
  ChooseDefaultLanguage();
  EXPECT_STREQ(L"English.dll", g_App.LangFile);
}

TEST_F(LanguageTest, ResourceLanguageFromTheIndex) {
  struct Case {
    const wchar_t* Index;  // nullptr: no Language.ini
    LANGID Want;
  } cases[] = {
      {L"[English]\r\nResourceLangID=0x09\r\nResourceSubLangID=0x00\r\n", 0x0009},
      {L"[English]\r\nResourceLangID=0x09\r\nResourceSubLangID=0x01\r\n", 0x0409},
      {L"[English]\r\nResourceLangID=0x07\r\n", 0x0009},                      // both keys needed
      {L"[Other]\r\nResourceLangID=0x07\r\nResourceSubLangID=0x01\r\n", 0x0009},
      {nullptr, 0x0009},
  };
  SetLanguageFile(L"English.dll");
  for (const Case& c : cases) {
    DeleteFileW(Lang(L"Language.ini").c_str());
    if (c.Index) WriteIndex(c.Index);
    EXPECT_EQ(c.Want, SelectResourceLanguage()) << "case " << (&c - cases);
    EXPECT_EQ(c.Want, g_App.LangId);
  }
  SetLanguageFile(kBuiltinLanguage);
  EXPECT_EQ(kBuiltinResourceLanguage, SelectResourceLanguage());
}

TEST_F(LanguageTest, AnsiIndexIsReadAfterConversion) {
  ASSERT_TRUE(WriteFileBytes(Lang(L"Language.ini"), "[English]\r\nResourceLangID=0x09\r\nResourceSubLangID=0x02\r\n"));
  SetLanguageFile(L"English.dll");
  EXPECT_EQ(0x0809, SelectResourceLanguage());
}

TEST_F(LanguageTest, ShippedEnglishLibraryAndIndex) {
  for (const wchar_t* f : {L"English.dll", L"Language.ini"}) {
    std::wstring from = FixturePath((std::wstring(L"..\\Languages\\") + f).c_str());
    ASSERT_TRUE(CopyFileW(from.c_str(), Lang(f).c_str(), FALSE)) << "built " << (f[0] == L'E' ? "library" : "index");
  }
  SetLanguage(L"English.dll");
  ASSERT_NE(nullptr, g_App.LangModule);
  EXPECT_EQ(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), g_App.LangId);
  wchar_t name[32];
  ASSERT_GT(LoadStringW(g_App.LangModule, 301, name, 32), 0);
  EXPECT_STREQ(L"English", name);
  // The index names it for English-speaking users.
  FreeLanguageLibrary();
  g_App.LangFile[0] = 0;
  if (PRIMARYLANGID(GetUserDefaultLangID()) == LANG_ENGLISH) {
    ChooseDefaultLanguage();
    EXPECT_STREQ(L"English.dll", g_App.LangFile);
  }
}

TEST_F(LanguageTest, SetLanguageSwitchesAndKeepsTheSameName) {
  AddLibrary(L"v421", L"English.dll");
  SetLanguage(L"English.dll");
  HMODULE first = g_App.LangModule;
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(0, g_App.Settings.PendingSave);
  // The same name changes nothing: the library is not reloaded.
  SetLanguage(L"English.dll");
  EXPECT_EQ(first, g_App.LangModule);
  EXPECT_EQ(first, GetModuleHandleW(Lang(L"English.dll").c_str()));

  SetLanguage(kBuiltinLanguage);
  EXPECT_EQ(nullptr, g_App.LangModule);
  EXPECT_EQ(nullptr, GetModuleHandleW(Lang(L"English.dll").c_str()));
  EXPECT_EQ(kBuiltinResourceLanguage, g_App.LangId);
}

}  // namespace
