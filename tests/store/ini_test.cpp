#include "store/ini.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <stdio.h>
#include <string>
#include <vector>

#include "state.h"
#include "support/test_support.h"
#include "tools/ini_sample.h"

namespace {

// A heap text from the engine, freed with the heap it came from.
struct HeapText {
  wchar_t* P = nullptr;
  ~HeapText() {
    if (P) HeapFree(GetProcessHeap(), 0, P);
  }
};

std::wstring TakeString(wchar_t* s) {
  if (!s) return L"<null>";
  std::wstring out = s;
  HeapFree(GetProcessHeap(), 0, s);
  return out;
}

std::wstring ReadString(const wchar_t* section, const wchar_t* key, int allowEmpty = 0) {
  return TakeString(ReadIniString(section, key, -1, allowEmpty));
}

// The sample whose bytes ini_fixtures.py writes independently.
int WriteSample(IniFile* f) {
  static int countLimit = 7;
  static UINT code = 0x10041, lastSubMenu = 0xdeadbeef;
  static wchar_t option[] = L"x[y";
  static wchar_t* optionPtr = option;
  static wchar_t* blank = nullptr;
  static BYTE folder[] = {4, 0, 0xab, 0xcd, 0, 0};
  static void* folderPtr = folder;
  static void* noList = nullptr;
  static const SettingKey table[] = {
      {L"CountLimit", &countLimit, SK_INT},  {L"Code", &code, SK_HEX16},
      {L"LastSubMenu", &lastSubMenu, SK_HEX32}, {L"LastOptionS", &optionPtr, SK_STRING},
      {L"LastFolder", &folderPtr, SK_IDLIST}, {L"NoList", &noList, SK_IDLIST},
      {L"Blank", &blank, SK_STRING},         {nullptr, nullptr, 0},
  };
  int ok = 1;
  ok &= WriteIniSection(f, L"General", -1);
  ok &= WriteIniHex(f, L"Version", 0x04020200, -1);
  ok &= WriteIniInt(f, L"LastPage", -5, -1);
  ok &= WriteIniInt(f, L"Min", INT_MIN, -1);
  ok &= WriteIniHex16(f, L"Code", 0x1234ABCD, -1);
  ok &= WriteIniHex(f, L"Option1", 0xFFFFFFFF, -1);
  ok &= WriteIniString(f, L"Caption", L"a[b] [[c", -1);
  ok &= WriteIniString(f, L"Empty", nullptr, -1);
  ok &= WriteIniString(f, L"Tip", L"one\r\ntwo\rthree\nfour", -1);
  ok &= WriteIniSection(f, L"Page%03u", 7);
  ok &= WriteIniString(f, L"Name", L"\u00dcn\u00efc\u00f8d\u00e9 \u2713 \u65e5\u672c", -1);
  ok &= WriteIniList(f, L"ViewMode%d", 3, -12, 1);
  ok &= WriteIniRaw(f, L"File", L"0a1b2c");
  ok &= WriteIniInt(f, L"Item%03uDelay", 250, 4);
  ok &= WriteIniSection(f, L"SubMenu", -1);
  ok &= WriteKeyTable(f, table);
  return ok;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(IniWriter, OutputMatchesIndependentFixturesByteForByte) {
  TempDir dir;
  std::wstring path = dir.File(L"Vantrel.ini");
  IniFile f;
  ASSERT_EQ(OpenIniFile(&f, path.c_str()), 1);
  EXPECT_EQ(WriteSample(&f), 1);
  ASSERT_EQ(CloseIniFile(&f, 1), 1);
  EXPECT_EQ(f.Buf, nullptr);
  std::string expected = ReadFileBytes(FixturePath(L"ini_writer_sample.ini"));
  ASSERT_GT(expected.size(), 100u);
  EXPECT_EQ(ReadFileBytes(path), expected);
  EXPECT_FALSE(Exists(path + L".tmp"));

  // Replacing an existing file, smaller than before.
  ASSERT_EQ(OpenIniFile(&f, path.c_str()), 1);
  EXPECT_EQ(WriteIniSection(&f, L"Pages", -1), 1);
  ASSERT_EQ(CloseIniFile(&f, 1), 1);
  expected = ReadFileBytes(FixturePath(L"ini_writer_minimal.ini"));
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST(IniWriter, ReadsBackWhatItWrote) {
  TempDir dir;
  std::wstring path = dir.File(L"Vantrel.ini");
  IniFile f;
  ASSERT_EQ(OpenIniFile(&f, path.c_str()), 1);
  WriteSample(&f);
  ASSERT_EQ(CloseIniFile(&f, 1), 1);

  HeapText text;
  ASSERT_EQ(ReadSettingsFile(path.c_str(), &text.P, 0), 1);
  EXPECT_EQ(text.P[0], 0xFEFF);
  const wchar_t* general = FindIniSection(text.P, L"General", -1);
  ASSERT_NE(general, nullptr);
  struct IntCase {
    const wchar_t* Key;
    int Mode;
    UINT Want;
  } ints[] = {
      {L"Version", INI_HEX, 0x04020200}, {L"LastPage", INI_DEC, (UINT)-5},
      {L"Min", INI_DEC, 0x80000000u},    {L"Code", INI_HEX, 0xabcd},
      {L"Option1", INI_HEX, 0xFFFFFFFF},
  };
  for (const IntCase& c : ints) {
    UINT v = 0;
    EXPECT_EQ(ReadIniInt(general, c.Key, &v, c.Mode), 1) << c.Key;
    EXPECT_EQ(v, c.Want) << c.Key;
  }
  EXPECT_EQ(ReadString(general, L"Caption"), L"a[b] [[c");
  EXPECT_EQ(ReadString(general, L"Empty"), L"<null>");
  EXPECT_EQ(ReadString(general, L"Empty", 1), L"");
  EXPECT_EQ(ReadString(general, L"Tip"), L"one  two three four");

  const wchar_t* page = FindIniSection(general, L"Page%03u", 7);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(ReadString(page, L"Name"), L"\u00dcn\u00efc\u00f8d\u00e9 \u2713 \u65e5\u672c");
  HeapText list;
  list.P = ReadIniString(page, L"ViewMode%d", 1, 0);
  int a = 0, b = 0;
  EXPECT_EQ(ParseIniList(list.P, &a, &b), 1);
  EXPECT_EQ(a, 3);
  EXPECT_EQ(b, 12);
  EXPECT_EQ(ReadString(page, L"File"), L"0a1b2c");
  UINT delay = 0;
  EXPECT_EQ(ReadIniInt(page, L"Item004Delay", &delay, INI_DEC), 1);
  EXPECT_EQ(delay, 250u);

  const wchar_t* sub = FindIniSection(page, L"SubMenu", -1);
  ASSERT_NE(sub, nullptr);
  int countLimit = 99, missing = 99;
  UINT code = 0xFFFFFFFF, lastSubMenu = 0;
  wchar_t* option = nullptr;
  wchar_t* blank = nullptr;
  wchar_t* kept = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 16));
  wcscpy(kept, L"keep");
  void* folder = nullptr;
  void* noList = CoTaskMemAlloc(2);
  memset(noList, 0, 2);
  const SettingKey table[] = {
      {L"CountLimit", &countLimit, SK_INT},  {L"Code", &code, SK_HEX16},
      {L"LastSubMenu", &lastSubMenu, SK_HEX32}, {L"LastOptionS", &option, SK_STRING},
      {L"LastFolder", &folder, SK_IDLIST},    {L"NoList", &noList, SK_IDLIST},
      {L"Blank", &blank, SK_STRING},          {L"Missing", &missing, SK_INT},
      {L"MissingText", &kept, SK_STRING},     {nullptr, nullptr, 0},
  };
  EXPECT_EQ(ReadKeyTable(sub, table), 6);
  EXPECT_EQ(countLimit, 7);
  EXPECT_EQ(code, 0x41u);
  EXPECT_EQ(lastSubMenu, 0xdeadbeefu);
  EXPECT_EQ(TakeString(option), L"x[y");
  ASSERT_NE(folder, nullptr);
  EXPECT_EQ(memcmp(folder, "\x04\x00\xab\xcd\x00\x00", 6), 0);
  CoTaskMemFree(folder);
  EXPECT_EQ(noList, nullptr);
  EXPECT_EQ(TakeString(blank), L"");
  EXPECT_EQ(missing, 0);
  EXPECT_EQ(TakeString(kept), L"keep");
}

// Writes one file and returns its text through the reader.
std::wstring WriteAndRead(const std::wstring& path, int (*write)(IniFile*)) {
  IniFile f;
  if (!OpenIniFile(&f, path.c_str())) return L"<open failed>";
  int ok = write(&f);
  if (!CloseIniFile(&f, 1) || !ok) return L"<write failed>";
  HeapText text;
  if (!ReadSettingsFile(path.c_str(), &text.P, 0)) return L"<read failed>";
  return text.P;
}

TEST(IniWriter, BracketsInValuesNeverOpenASection) {
  TempDir dir;
  std::wstring text = WriteAndRead(dir.File(L"a.ini"), [](IniFile* f) {
    return WriteIniSection(f, L"Page%03u", 0) & WriteIniString(f, L"Name", L"[Btn000] [\\x", -1) &
           WriteIniString(f, L"Tip", L"t", -1) & WriteIniSection(f, L"Btn%03u", 0) &
           WriteIniString(f, L"Name", L"real", -1);
  });
  const wchar_t* page = FindIniSection(text.c_str(), L"Page000", -1);
  ASSERT_NE(page, nullptr);
  EXPECT_EQ(ReadString(page, L"Name"), L"[Btn000] [\\x");
  EXPECT_EQ(ReadString(page, L"Tip"), L"t");
  EXPECT_EQ(ReadString(FindIniSection(page, L"Btn%03u", 0), L"Name"), L"real");
}

TEST(IniWriter, LineBreaksInValuesCannotInjectKeysOrSections) {
  TempDir dir;
  std::wstring text = WriteAndRead(dir.File(L"a.ini"), [](IniFile* f) {
    return WriteIniSection(f, L"Btn000", -1) & WriteIniString(f, L"Name", L"x\r\nFile=evil.exe\n[Evil]\r", -1) &
           WriteIniRaw(f, L"Parameter", L"p\nTip=evil") & WriteIniString(f, L"Directory", L"d\0File=evil.exe", -1) &
           WriteIniString(f, L"File", L"good.exe", -1) & WriteIniString(f, L"Tip", L"tip", -1);
  });
  const wchar_t* btn = FindIniSection(text.c_str(), L"Btn000", -1);
  ASSERT_NE(btn, nullptr);
  EXPECT_EQ(ReadString(btn, L"Name"), L"x  File=evil.exe [Evil] ");
  EXPECT_EQ(ReadString(btn, L"Parameter"), L"p Tip=evil");
  EXPECT_EQ(ReadString(btn, L"Directory"), L"d");
  EXPECT_EQ(ReadString(btn, L"File"), L"good.exe");
  EXPECT_EQ(ReadString(btn, L"Tip"), L"tip");
  EXPECT_EQ(FindIniSection(text.c_str(), L"Evil", -1), nullptr);
}

TEST(IniWriter, NamePatternsAndHeaderLimit) {
  struct Case {
    const wchar_t* Pattern;
    int Number;
    const wchar_t* Want;
  } cases[] = {
      {L"Page%03u", 7, L"\r\n[Page007]\r\n"},      {L"HotKey%03u", 1024, L"\r\n[HotKey1024]\r\n"},
      {L"ViewMode%d", 2, L"\r\n[ViewMode2]\r\n"},  {L"Item%02u", 3, L"\r\n[Item03]\r\n"},
      {L"Plain%03u", -1, L"\r\n[Plain%03u]\r\n"}, {L"Rate%%%u", 5, L"\r\n[Rate%5]\r\n"},
  };
  for (const Case& c : cases) {
    IniFile f;
    ASSERT_EQ(OpenIniFile(&f, L"C:\\unused.ini"), 1);
    EXPECT_EQ(WriteIniSection(&f, c.Pattern, c.Number), 1) << c.Pattern;
    EXPECT_EQ(std::wstring(f.Buf + 1, f.Len - 1), c.Want) << c.Pattern;
    CloseIniFile(&f, 0);
  }
  // A header holds at most 255 characters with its brackets.
  std::wstring longest(253, L'n');
  IniFile f;
  ASSERT_EQ(OpenIniFile(&f, L"C:\\unused.ini"), 1);
  EXPECT_EQ(WriteIniSection(&f, longest.c_str(), -1), 1);
  EXPECT_EQ(f.Failed, 0);
  EXPECT_EQ(std::wstring(f.Buf, f.Len), L"\uFEFF\r\n[" + longest + L"]\r\n");
  EXPECT_EQ(WriteIniSection(&f, (longest + L"n").c_str(), -1), 0);
  EXPECT_EQ(f.Failed, 1);
  EXPECT_EQ(f.Len, longest.size() + 7);
  CloseIniFile(&f, 0);
}

// ---- reading -----------------------------------------------------------------

TEST(IniReader, IntegerValues) {
  const wchar_t* text =
      L"\r\n[Sec]\r\nZero=0\r\nAbc=abc\r\nNeg=  -17x\r\nPlus=+5\r\nBig=99999999999\r\nSmall=-99999999999\r\n"
      L"HexFull=ffffffff\r\nHexUpper=0xABCD\r\nHexZero=00000000\r\nHexLong=123456789\r\nHexBad=zz\r\n"
      L"Blank= 0\r\n\r\n[Next]\r\nLater=5\r\n";
  const wchar_t* sec = FindIniSection(text, L"Sec", -1);
  ASSERT_NE(sec, nullptr);
  struct Case {
    const wchar_t* Key;
    int Mode;
    int Found;
    UINT Want;  // 0x2A: left untouched
  } cases[] = {
      {L"Zero", INI_DEC, 1, 0},           {L"Abc", INI_DEC, 0, 0x2A},
      {L"Neg", INI_DEC, 1, (UINT)-17},    {L"Plus", INI_DEC, 1, 5},
      {L"Big", INI_DEC, 1, INT_MAX},      {L"Small", INI_DEC, 1, 0x80000000u},
      {L"HexFull", INI_HEX, 1, 0xFFFFFFFF}, {L"HexUpper", INI_HEX, 1, 0xABCD},
      {L"HexZero", INI_HEX, 1, 0},        {L"HexLong", INI_HEX, 1, 0xFFFFFFFF},
      {L"HexBad", INI_HEX, 0, 0x2A},      {L"Blank", INI_DEC, 0, 0x2A},
      {L"Abc", 0, 1, 0x2A},               {L"Gone", 0, 0, 0x2A},
      {L"Later", INI_DEC, 0, 0x2A},
  };
  for (const Case& c : cases) {
    UINT v = 0x2A;
    EXPECT_EQ(ReadIniInt(sec, c.Key, &v, c.Mode), c.Found) << c.Key;
    EXPECT_EQ(v, c.Want) << c.Key;
  }
  UINT v = 0;
  EXPECT_EQ(ReadIniInt(nullptr, L"Zero", &v, INI_DEC), 0);
}

TEST(IniReader, KeysMatchOnlyAtTheStartOfALine) {
  struct Case {
    const wchar_t* Text;
    const wchar_t* Key;
    const wchar_t* Want;
  } cases[] = {
      {L"Name=x Tip=y\r\nTip=real\r\n", L"Tip", L"real"},
      {L"Name=x Tip=y\r\n", L"Tip", L"<null>"},
      {L"IconFile=icon.ico\r\nFile=target.exe\r\n", L"File", L"target.exe"},
      {L"IconFile=icon.ico\r\n", L"File", L"<null>"},
      {L"ShadowWidth=3\r\nWidth=9\r\n", L"Width", L"9"},
      {L"Tip=direct\r\n", L"Tip", L"direct"},  // directly at the given position
      {L"A=1\nTip=lf\n", L"Tip", L"lf"},
      {L"A=1\r\n[Next]\r\nTip=later\r\n", L"Tip", L"<null>"},
      {L"A=[\\x\r\nTip=after escape\r\n", L"Tip", L"after escape"},
      {L"Tip\r\n=no\r\n", L"Tip", L"<null>"},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadString(c.Text, c.Key), c.Want) << c.Text;
}

TEST(IniReader, StringValues) {
  const wchar_t* text = L"Empty=\r\nEsc=a[\\b[\\\r\nCut=ab[cd\r\nLong=";
  EXPECT_EQ(ReadString(text, L"Empty"), L"<null>");
  EXPECT_EQ(ReadString(text, L"Empty", 1), L"");
  EXPECT_EQ(ReadString(text, L"Esc"), L"a[b[");
  EXPECT_EQ(ReadString(text, L"Cut"), L"ab");
  std::wstring big = L"\r\n[S]\r\nLong=" + std::wstring(5000, L'v') + L"\r\n";
  EXPECT_EQ(ReadString(FindIniSection(big.c_str(), L"S", -1), L"Long"), std::wstring(5000, L'v'));
}

TEST(IniReader, TwoNumberLists) {
  struct Case {
    const wchar_t* Value;
    int Ok, A, B;  // -1: left untouched
  } cases[] = {
      {L"-3,7", 1, 3, 7}, {L"10,20", 1, 10, 20}, {L"x5y 6z9", 1, 5, 6},
      {L"12", 0, 12, -1}, {L"", 0, -1, -1},      {L"99999999999,1", 1, INT_MAX, 1},
  };
  for (const Case& c : cases) {
    int a = -1, b = -1;
    EXPECT_EQ(ParseIniList(c.Value, &a, &b), c.Ok) << c.Value;
    EXPECT_EQ(a, c.A) << c.Value;
    EXPECT_EQ(b, c.B) << c.Value;
  }
}

TEST(IniReader, ItemIdListsAreCheckedBeforeUse) {
  struct Case {
    const wchar_t* Hex;
    const char* Bytes;  // null: refused
    size_t Len;
  } cases[] = {
      {L"0400abcd0000", "\x04\x00\xab\xcd\x00\x00", 6},
      {L"0000", "\x00\x00", 2},  // the desktop: an empty list
      {L"0300ff0400abcd0000", "\x03\x00\xff\x04\x00\xab\xcd\x00\x00", 9},
      {L"0400zzcd0000", "\x04\x00\x00\xcd\x00\x00", 6},  // a stray character counts as 0
      {L"0400ABCD00000", "\x04\x00\xab\xcd\x00\x00", 6},  // odd last character dropped
      {L"00000400abcd0000", nullptr, 0},                 // size 0 before the end
      {L"0100ff0000", nullptr, 0},                       // size 1
      {L"0800abcd0000", nullptr, 0},                     // element past the end
      {L"0600abcd0000", nullptr, 0},                     // element over the terminator
      {L"0400abcd", nullptr, 0},                         // no terminator
      {L"0400abcd00", nullptr, 0},                       // half a terminator
      {L"0400abcd000000", nullptr, 0},                   // bytes after the terminator
      {L"zz00abcd0000", nullptr, 0},
      {L"", nullptr, 0},
  };
  for (const Case& c : cases) {
    std::wstring text = L"LastFolder=" + std::wstring(c.Hex) + L"\r\nNext=1\r\n";
    BYTE* data = static_cast<BYTE*>(ReadIniHexData(text.c_str(), L"LastFolder"));
    if (!c.Bytes) {
      EXPECT_EQ(data, nullptr) << c.Hex;
    } else {
      EXPECT_NE(data, nullptr) << c.Hex;
      if (!data) continue;
      EXPECT_EQ(std::string(reinterpret_cast<char*>(data), c.Len), std::string(c.Bytes, c.Len)) << c.Hex;
      EXPECT_EQ(data[c.Len] | data[c.Len + 1], 0) << c.Hex;
    }
    CoTaskMemFree(data);
  }
  EXPECT_EQ(ReadIniHexData(L"Other=0000\r\n", L"LastFolder"), nullptr);
}

TEST(IniReader, SectionsAreFoundFromTheEnclosingPosition) {
  const wchar_t* text =
      L"\uFEFF\r\n[Pages]\r\nCount=2\r\n\r\n[Page000]\r\nCount=2\r\n\r\n[Btn000]\r\nName=A0\r\n"
      L"\r\n[Btn001]\r\nName=A1\r\n\r\n[Page001]\r\nCount=1\r\n\r\n[Btn000]\r\nName=B0\r\n";
  const wchar_t* pages = FindIniSection(text, L"Pages", -1);
  const wchar_t* page0 = FindIniSection(pages, L"Page%03u", 0);
  const wchar_t* page1 = FindIniSection(page0, L"Page%03u", 1);
  ASSERT_TRUE(pages && page0 && page1);
  EXPECT_EQ(ReadString(FindIniSection(page1, L"Btn%03u", 0), L"Name"), L"B0");
  EXPECT_EQ(ReadString(FindIniSection(page0, L"Btn%03u", 0), L"Name"), L"A0");
  EXPECT_EQ(ReadString(FindIniSection(page0, L"Btn%03u", 1), L"Name"), L"A1");
  EXPECT_EQ(FindIniSection(page1, L"Btn%03u", 1), nullptr);  // lies before page 1
  EXPECT_EQ(FindIniSection(page1, L"Page%03u", 0), nullptr);
  UINT count = 0;
  EXPECT_EQ(ReadIniInt(page1, L"Count", &count, INI_DEC), 1);
  EXPECT_EQ(count, 1u);
}

TEST(IniReader, TextSearchCanStopAfterSomeSections) {
  const wchar_t* text = L"[Action003]\r\nFlag=[\\x\r\n[Range000]\r\n[Range005]\r\nPage=1\r\n";
  struct Case {
    const wchar_t* Pattern;
    int Limit;
    bool Found;
  } cases[] = {
      {L"[Range005]", 0, true},  {L"[Range005]", 3, true}, {L"[Range005]", 2, false},
      {L"[Action", 1, true},     {L"Page=", 3, false},     {L"Page=", 4, true},
      {L"[Range009]", 0, false}, {L"", 0, false},
  };
  for (const Case& c : cases) {
    const wchar_t* at = FindIniText(text, c.Pattern, c.Limit);
    EXPECT_EQ(at != nullptr, c.Found) << c.Limit;
    if (at) {
      EXPECT_EQ(wcsncmp(at, c.Pattern, wcslen(c.Pattern)), 0);
    }
  }
}

// ---- files -------------------------------------------------------------------

TEST(IniFiles, ReadingWholeFiles) {
  TempDir dir;
  HeapText text;
  EXPECT_EQ(ReadSettingsFile(dir.File(L"missing.ini").c_str(), &text.P, 0), 0);
  EXPECT_EQ(text.P, nullptr);
  ASSERT_TRUE(WriteFileBytes(dir.File(L"empty.ini"), ""));
  EXPECT_EQ(ReadSettingsFile(dir.File(L"empty.ini").c_str(), &text.P, 0), 0);
  EXPECT_EQ(text.P, nullptr);
  // An odd length still ends in a whole zero character.
  ASSERT_TRUE(WriteFileBytes(dir.File(L"odd.ini"), std::string("\xFF\xFE" "A\x00" "B", 5)));
  ASSERT_EQ(ReadSettingsFile(dir.File(L"odd.ini").c_str(), &text.P, 0), 1);
  EXPECT_EQ(text.P[0], 0xFEFF);
  EXPECT_EQ(text.P[1], L'A');
  EXPECT_EQ(text.P[2], L'B');
  EXPECT_EQ(text.P[3], 0);
}

TEST(IniFiles, NoPathMeansTheDataFolder) {
  TempDir dir;
  std::wstring saved = g_App.DataFolderPath;
  wcscpy(g_App.DataFolderPath, dir.Path.c_str());
  ASSERT_TRUE(WriteUtf16File(dir.File(L"Vantrel.ini"), L"\r\n[General]\r\n"));
  ASSERT_TRUE(WriteUtf16File(dir.File(L"Design.ini"), L"\r\n[Window]\r\n"));
  HeapText settings, design;
  EXPECT_EQ(ReadSettingsFile(nullptr, &settings.P, 0), 1);
  EXPECT_EQ(ReadSettingsFile(nullptr, &design.P, 0x2), 1);
  wcscpy(g_App.DataFolderPath, saved.c_str());
  ASSERT_TRUE(settings.P && design.P);
  EXPECT_NE(FindIniSection(settings.P, L"General", -1), nullptr);
  EXPECT_NE(FindIniSection(design.P, L"Window", -1), nullptr);
}

TEST(IniFiles, AnsiFilesAreReadThroughTheAnsiCodePage) {
  // Bytes of one text in the code pages a prefix may use.
  struct Case {
    UINT CodePage;
    const char* Bytes;
    const wchar_t* Want;
  } cases[] = {
      {1252, "Caf\xe9 \x80", L"Caf\u00e9 \u20ac"},
      {1250, "\x8a\xe8", L"\u0160\u010d"},
      {932, "\x83\x65\x83\x58\x83\x67", L"\u30c6\u30b9\u30c8"},
      {65001, "Caf\xc3\xa9", L"Caf\u00e9"},
  };
  const Case* c = nullptr;
  for (const Case& row : cases)
    if (row.CodePage == GetACP()) c = &row;
  ASSERT_NE(c, nullptr) << "add a row for code page " << GetACP();
  TempDir dir;
  std::string bytes = std::string("\r\n[General]\r\nCaption=") + c->Bytes + "\r\nLastPage=3\r\n";
  ASSERT_TRUE(WriteFileBytes(dir.File(L"old.ini"), bytes));
  HeapText text;
  ASSERT_EQ(ReadSettingsFile(dir.File(L"old.ini").c_str(), &text.P, 0), 1);
  EXPECT_EQ(FindIniSection(text.P, L"General", -1), nullptr);
  ASSERT_EQ(ConvertAnsiSettings(&text.P), 1);
  const wchar_t* general = FindIniSection(text.P, L"General", -1);
  ASSERT_NE(general, nullptr);
  EXPECT_EQ(ReadString(general, L"Caption"), c->Want);
  UINT page = 0;
  EXPECT_EQ(ReadIniInt(general, L"LastPage", &page, INI_DEC), 1);
  EXPECT_EQ(page, 3u);
}

// Fails the write numbered FailAt (1 = first) and notes the largest write.
int g_WriteCalls, g_FailAt;
DWORD g_LargestWrite;
BOOL WINAPI CountingWrite(HANDLE h, LPCVOID data, DWORD size, LPDWORD put, LPOVERLAPPED ov) {
  if (size > g_LargestWrite) g_LargestWrite = size;
  if (++g_WriteCalls == g_FailAt) {
    // Half a chunk reaches the disk before the failure.
    WriteFile(h, data, size / 2, put, ov);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return WriteFile(h, data, size, put, ov);
}

// About 640 KiB: a file of several chunks.
int WriteManyKeys(IniFile* f) {
  int ok = WriteIniSection(f, L"Big", -1);
  for (int i = 0; i < 20000; i++) ok &= WriteIniInt(f, L"Key%05u", i, i);
  return ok;
}

TEST(IniFiles, AFailedWriteLeavesTheOldFileAsItWas) {
  TempDir dir;
  std::wstring path = dir.File(L"Vantrel.ini");
  IniFile f;
  ASSERT_EQ(OpenIniFile(&f, path.c_str()), 1);
  WriteSample(&f);
  ASSERT_EQ(CloseIniFile(&f, 1), 1);
  const std::string old = ReadFileBytes(path);

  // A file written whole goes out in a few writes of at most 64 KiB.
  std::wstring other = dir.File(L"Other.ini");
  g_IniWriteFile = CountingWrite;
  g_WriteCalls = g_FailAt = 0;
  g_LargestWrite = 0;
  ASSERT_EQ(OpenIniFile(&f, other.c_str()), 1);
  EXPECT_EQ(WriteManyKeys(&f), 1);
  EXPECT_EQ(CloseIniFile(&f, 1), 1);
  const int chunks = g_WriteCalls;
  const size_t size = ReadFileBytes(other).size();
  EXPECT_GT(size, 600000u);
  EXPECT_LE(g_LargestWrite, 65536u);
  EXPECT_GT(g_LargestWrite, 65000u);
  EXPECT_LE(chunks, (int)(size / 65536) + 2);

  for (int failAt : {1, 2, chunks - 1, chunks}) {
    g_WriteCalls = 0;
    g_FailAt = failAt;
    ASSERT_EQ(OpenIniFile(&f, path.c_str()), 1);
    WriteManyKeys(&f);
    EXPECT_EQ(CloseIniFile(&f, 1), 0) << failAt;
    EXPECT_EQ(f.Buf, nullptr);
    EXPECT_EQ(f.Tmp, INVALID_HANDLE_VALUE);
    EXPECT_EQ(g_WriteCalls, failAt) << "nothing is written after a failure";
    EXPECT_EQ(ReadFileBytes(path), old) << failAt;
    EXPECT_FALSE(Exists(path + L".tmp")) << failAt;
  }
  g_IniWriteFile = WriteFile;

  // Dropped after some chunks went to disk: the tmp file goes too.
  ASSERT_EQ(OpenIniFile(&f, path.c_str()), 1);
  WriteManyKeys(&f);
  EXPECT_TRUE(Exists(path + L".tmp"));
  EXPECT_EQ(CloseIniFile(&f, 0), 1);
  EXPECT_FALSE(Exists(path + L".tmp"));
  EXPECT_EQ(ReadFileBytes(path), old);

  ASSERT_EQ(OpenIniFile(&f, path.c_str()), 1);
  WriteManyKeys(&f);
  EXPECT_EQ(CloseIniFile(&f, 1), 1);
  EXPECT_EQ(ReadFileBytes(path), ReadFileBytes(other));
}

TEST(IniFiles, AFileWithAFailedLineIsNeverCommitted) {
  TempDir dir;
  std::wstring path = dir.File(L"Design.ini");
  ASSERT_TRUE(WriteUtf16File(path, L"\r\n[Window]\r\nFlag=00000001\r\n"));
  const std::string old = ReadFileBytes(path);
  IniFile f;
  ASSERT_EQ(OpenIniFile(&f, path.c_str()), 1);
  EXPECT_EQ(WriteIniSection(&f, std::wstring(300, L'x').c_str(), -1), 0);
  EXPECT_EQ(WriteIniInt(&f, L"After", 1, -1), 1);
  EXPECT_EQ(CloseIniFile(&f, 1), 0);
  EXPECT_EQ(ReadFileBytes(path), old);

  // Closing without commit touches nothing.
  ASSERT_EQ(OpenIniFile(&f, path.c_str()), 1);
  WriteIniSection(&f, L"Other", -1);
  EXPECT_EQ(CloseIniFile(&f, 0), 1);
  EXPECT_EQ(ReadFileBytes(path), old);

  // A folder that is not there: nothing is created, the result is 0.
  std::wstring nowhere = dir.File(L"none\\Vantrel.ini");
  ASSERT_EQ(OpenIniFile(&f, nowhere.c_str()), 1);
  WriteIniSection(&f, L"General", -1);
  EXPECT_EQ(CloseIniFile(&f, 1), 0);
  EXPECT_FALSE(Exists(dir.File(L"none")));

  // A path with no room for the ".tmp" name is refused at once.
  std::wstring tooLong = dir.Path + L"\\" + std::wstring(MAX_PATH, L'y');
  EXPECT_EQ(OpenIniFile(&f, tooLong.c_str()), 0);
  EXPECT_EQ(f.Buf, nullptr);
}

TEST(IniFiles, UnchangedTextCarriesOverVerbatim) {
  TempDir dir;
  std::wstring path = dir.File(L"Vantrel.ini");
  const wchar_t kept[] = L"\r\n[General]\r\nCaption=a[\\b\r\n";
  IniFile f;
  ASSERT_EQ(OpenIniFile(&f, path.c_str()), 1);
  EXPECT_EQ(WriteIniText(&f, kept, wcslen(kept)), 1);
  EXPECT_EQ(WriteIniSection(&f, L"Pages", -1), 1);
  ASSERT_EQ(CloseIniFile(&f, 1), 1);
  std::wstring want = std::wstring(L"\uFEFF") + kept + L"\r\n[Pages]\r\n";
  EXPECT_EQ(ReadFileBytes(path), std::string(reinterpret_cast<const char*>(want.data()), want.size() * 2));
}

// Its speed is a figure of tools/settings_bench; here, that a file this big
// is written whole.
TEST(IniFiles, TenThousandButtonsAreWrittenWhole) {
  TempDir dir;
  std::wstring path = dir.File(L"Vantrel.ini");
  IniFile f;
  ASSERT_EQ(OpenIniFile(&f, path.c_str()), 1);
  int ok = WriteSampleButtons(&f, 10000);
  ASSERT_EQ(ok, 1);
  ASSERT_EQ(CloseIniFile(&f, 1), 1);
  std::string bytes = ReadFileBytes(path);
  ASSERT_GT(bytes.size(), 10000u * 20 * 20);
  // The last button's last key made it to the end of the file.
  std::wstring tail(100, L'\0');
  memcpy(&tail[0], bytes.data() + bytes.size() - 200, 200);
  EXPECT_NE(tail.find(L"TargetWindowClass000=Notepad"), std::wstring::npos);
}

}  // namespace
