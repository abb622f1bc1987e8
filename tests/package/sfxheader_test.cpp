#include "package/sfxheader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

std::string Narrow(const wchar_t* w) {
  char b[2048];
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, b, sizeof b, nullptr, nullptr);
  return n > 0 ? std::string(b, n - 1) : std::string();
}

std::string PackageFile(const wchar_t* name) { return ReadFileBytes(FixturePath((std::wstring(L"package\\") + name).c_str())); }

SfxPayloadHeader FullHeader() {
  SfxPayloadHeader h;
  memset(&h, 0, sizeof h);
  memcpy(h.Magic, "MOBRAL", 6);
  h.Kind = '6';
  h.Charset = 'U';
  wcscpy(h.Destination, L"%temp%\\Vantrel \u00fc");
  wcscpy(h.Command, L"setup.exe /q");
  h.OverwriteWithoutAsking = 1;
  h.DeleteAfterRun = 1;
  h.SkipConfirmation = 1;
  h.PayloadCrc = 0xDEADBEEF;
  wcscpy(h.QuestionCaption, L"Caption");
  wcscpy(h.QuestionText, L"Go on?");
  return h;
}

TEST(SfxHeader, AgreesWithTheBuildsPacker) {
  std::string packed = PackageFile(L"header.bin");
  ASSERT_EQ(packed.size(), (size_t)kSfxHeaderBytes);
  SfxPayloadHeader mine = FullHeader();
  EXPECT_EQ(packed, std::string((const char*)&mine, sizeof mine));

  SfxPayloadHeader read;
  ASSERT_EQ(ReadSfxHeader((const uint8_t*)packed.data(), packed.size(), &read), 1);
  EXPECT_EQ(read.Kind, '6');
  EXPECT_STREQ(read.Destination, L"%temp%\\Vantrel \u00fc");
  EXPECT_STREQ(read.Command, L"setup.exe /q");
  EXPECT_EQ(read.OverwriteWithoutAsking, 1);
  EXPECT_EQ(read.OpenFolderAfterwards, 0);
  EXPECT_EQ(read.DeleteAfterRun, 1);
  EXPECT_EQ(read.SkipConfirmation, 1);
  EXPECT_EQ(read.PayloadCrc, 0xDEADBEEFu);
  EXPECT_STREQ(read.QuestionCaption, L"Caption");
  EXPECT_STREQ(read.QuestionText, L"Go on?");
}

TEST(SfxHeader, RulesOfReading) {
  struct Case {
    const char* what;
    int offset;  // byte changed, -1 none
    uint8_t value;
    bool emptyCommand;
    size_t length;
    int accepted;
  } cases[] = {
      {"whole header", -1, 0, false, kSfxHeaderBytes, 1},
      {"kind byte is not compared", 6, 'x', false, kSfxHeaderBytes, 1},
      {"first magic byte", 0, 'm', false, kSfxHeaderBytes, 0},
      {"sixth magic byte", 5, 'X', false, kSfxHeaderBytes, 0},
      {"charset mark", 7, 'A', false, kSfxHeaderBytes, 0},
      {"one byte short", -1, 0, false, kSfxHeaderBytes - 1, 0},
      {"command without terminator", -2, 0, false, kSfxHeaderBytes, 0},
      {"question without terminator", -3, 0, false, kSfxHeaderBytes, 0},
  };
  for (const Case& c : cases) {
    SfxPayloadHeader h = FullHeader();
    uint8_t* b = (uint8_t*)&h;
    if (c.offset >= 0) b[c.offset] = c.value;
    if (c.offset == -2) wmemset(h.Command, L'x', kSfxCommandUnits);
    if (c.offset == -3) wmemset(h.QuestionText, L'x', kSfxQuestionUnits);
    SfxPayloadHeader out;
    EXPECT_EQ(ReadSfxHeader(b, c.length, &out), c.accepted) << c.what;
  }
}

TEST(SfxHeader, EmptyCommandClearsDeleteAndKind) {
  SfxPayloadHeader h = FullHeader();
  h.Command[0] = 0;
  SfxPayloadHeader out;
  ASSERT_EQ(ReadSfxHeader((const uint8_t*)&h, sizeof h, &out), 1);
  EXPECT_EQ(out.DeleteAfterRun, 0);
  EXPECT_EQ(out.Kind, '3');
}

TEST(SfxHeader, HeaderValuesWinOverSwitches) {
  SfxPayloadHeader s;
  ClearSfxSettings(&s);
  wchar_t archive[MAX_PATH], dest[MAX_PATH];
  ASSERT_EQ(ScanSfxCommandLine(L"/E:other.exe /N /O", &s, archive, MAX_PATH, dest, MAX_PATH), 1);
  SfxPayloadHeader shipped = FullHeader();
  shipped.OverwriteWithoutAsking = 0;
  shipped.OpenFolderAfterwards = 1;
  TakeHeaderSettings(&s, shipped);
  EXPECT_STREQ(s.Command, L"setup.exe /q");
  EXPECT_EQ(s.OverwriteWithoutAsking, 0);
  EXPECT_EQ(s.OpenFolderAfterwards, 1);
  EXPECT_EQ(s.Kind, '6');
}

// A small image: MZ, PE signature, optional header of 0xF0 bytes, sections.
std::vector<uint8_t> Image(const std::vector<std::pair<uint32_t, uint32_t>>& sections, uint32_t pe = 0x80) {
  std::vector<uint8_t> b(1024, 0);
  b[0] = 'M';
  b[1] = 'Z';
  memcpy(&b[60], &pe, 4);
  if (pe + 24 < b.size()) {
    memcpy(&b[pe], "PE\0\0", 4);
    uint16_t n = (uint16_t)sections.size(), opt = 0xF0;
    memcpy(&b[pe + 6], &n, 2);
    memcpy(&b[pe + 20], &opt, 2);
    size_t at = pe + 24 + opt;
    for (auto& s : sections) {
      uint32_t chars = 0x40000040;
      memcpy(&b[at + 16], &s.second, 4);  // SizeOfRawData
      memcpy(&b[at + 20], &s.first, 4);   // PointerToRawData
      memcpy(&b[at + 36], &chars, 4);
      at += 40;
    }
  }
  return b;
}

TEST(SfxHeader, PayloadOffsetBehindTheLastSection) {
  struct Case {
    const char* what;
    std::vector<uint8_t> image;
    size_t length;
    uint32_t offset;
  } cases[] = {
      {"three sections", Image({{0x400, 0x1000}, {0x1400, 0x200}, {0x1600, 0x600}}), 1024, 0x1C00},
      {"one section", Image({{0x400, 0x800}}), 1024, 0xC00},
      {"no sections", Image({}), 1024, 0},
      {"fewer than 512 bytes", Image({{0x400, 0x800}}), 511, 0},
      {"PE header too near the end", Image({{0x400, 0x800}}, 1024 - 328), 1024, 0},
      {"PE at offset 0", Image({{0x400, 0x800}}, 0), 1024, 0},
  };
  for (Case& c : cases) EXPECT_EQ(FindPayloadOffset(c.image.data(), c.length), c.offset) << c.what;
  std::vector<uint8_t> notMz = Image({{0x400, 0x800}});
  notMz[0] = 'X';
  EXPECT_EQ(FindPayloadOffset(notMz.data(), notMz.size()), 0u);
  std::vector<uint8_t> notPe = Image({{0x400, 0x800}});
  notPe[0x81] = 'X';
  EXPECT_EQ(FindPayloadOffset(notPe.data(), notPe.size()), 0u);
}

TEST(SfxHeader, Switches) {
  struct Case {
    const wchar_t* line;
    const wchar_t* command;
    int deleteAfter, skip, openFolder, overwrite;
    const wchar_t* archive;
    const wchar_t* destination;
  } cases[] = {
      {L"/E:\"my setup.exe\" /H", L"my setup.exe", 0, 1, 1, 0, L"", L""},
      {L"/D", L"", 0, 0, 1, 0, L"", L""},
      {L"/e:setup.exe /d /n /o", L"setup.exe", 1, 0, 0, 1, L"", L""},
      {L"/E /H pack.zip", L"", 0, 1, 1, 0, L"pack.zip", L""},
      {L"pack.zip  ", L"", 0, 0, 1, 0, L"pack.zip", L""},
      {L"/X pack.zip", L"", 0, 0, 1, 0, L"/X pack.zip", L""},
      {L"/H /E:run.exe C:\\a b\\p.zip ", L"run.exe", 0, 1, 1, 0, L"C:\\a b\\p.zip", L""},
      {L"C:\\p.zip /H", L"", 0, 1, 1, 0, L"C:\\p.zip", L""},
      {L"/H \"C:\\a b\\p.zip\" \"D:\\out\"", L"", 0, 1, 1, 0, L"C:\\a b\\p.zip", L"D:\\out"},
      {L"\"C:\\p.zip\"\"D:\\out\"", L"", 0, 0, 1, 0, L"C:\\p.zip", L""},
      {L"\"C:\\open.zip", L"", 0, 0, 1, 0, L"C:\\open.zip", L""},
      {L"/E:\"never closed /H", L"never closed /H", 0, 0, 1, 0, L"", L""},
      {L"/E: /H", L"", 0, 1, 1, 0, L"", L""},
      {L"p.zip /", L"", 0, 0, 1, 0, L"p.zip /", L""},
  };
  for (const Case& c : cases) {
    SfxPayloadHeader s;
    ClearSfxSettings(&s);
    wchar_t archive[MAX_PATH], dest[MAX_PATH];
    ASSERT_EQ(ScanSfxCommandLine(c.line, &s, archive, MAX_PATH, dest, MAX_PATH), 1) << Narrow(c.line);
    EXPECT_STREQ(s.Command, c.command) << Narrow(c.line);
    EXPECT_EQ(s.DeleteAfterRun, c.deleteAfter) << Narrow(c.line);
    EXPECT_EQ(s.SkipConfirmation, c.skip) << Narrow(c.line);
    EXPECT_EQ(s.OpenFolderAfterwards, c.openFolder) << Narrow(c.line);
    EXPECT_EQ(s.OverwriteWithoutAsking, c.overwrite) << Narrow(c.line);
    EXPECT_STREQ(archive, c.archive) << Narrow(c.line);
    EXPECT_STREQ(dest, c.destination) << Narrow(c.line);
  }
}

TEST(SfxHeader, OverlongLinesAndCommandsAreRefused) {
  SfxPayloadHeader s;
  ClearSfxSettings(&s);
  wchar_t archive[MAX_PATH], dest[MAX_PATH];
  std::wstring longLine(kSfxCommandLineUnits, L'a');
  EXPECT_EQ(ScanSfxCommandLine(longLine.c_str(), &s, archive, MAX_PATH, dest, MAX_PATH), 0);
  std::wstring longCommand = L"/E:" + std::wstring(kSfxCommandUnits, L'c');
  EXPECT_EQ(ScanSfxCommandLine(longCommand.c_str(), &s, archive, MAX_PATH, dest, MAX_PATH), 0);
}

int FakeFolder(const wchar_t* name, wchar_t* out) {
  const wchar_t* v = !wcscmp(name, L"temp")      ? L"C:\\Temp\\"
                     : !wcscmp(name, L"WinDir")  ? L"C:\\windows"
                     : !wcscmp(name, L"Desktop") ? L"C:\\users\\me\\Desktop"
                                                 : nullptr;
  if (!v) return 0;
  wcscpy(out, v);
  return 1;
}

TEST(SfxHeader, DestinationTemplates) {
  SfxFolderLookup saved = g_SfxFolders;
  g_SfxFolders.Value = FakeFolder;
  struct Case {
    const wchar_t* templ;
    const wchar_t* command;
    int deleteAfter;
    const wchar_t* expected;
    bool temporary;
  } cases[] = {
      {L"%temp%", L"setup.exe", 1, L"C:\\Temp\\~mobral64W.exe", true},
      {L"%temp%", L"", 1, L"C:\\Temp", false},
      {L"%temp%", L"setup.exe", 0, L"C:\\Temp", false},
      {L"%temp%\\Vantrel", L"setup.exe", 1, L"C:\\Temp\\Vantrel", false},
      {L"%WinDir%\\x", L"", 0, L"C:\\windows\\x", false},
      {L"%Desktop%", L"", 0, L"C:\\users\\me\\Desktop", false},
      {L"%Temp%\\x", L"", 0, L"\\x", false},
      {L"%Nowhere%\\x", L"", 0, L"\\x", false},
      {L"D:\\fixed", L"", 0, L"D:\\fixed", false},
      {L"%half", L"", 0, L"%half", false},
      {L"", L"", 0, L"untouched", false},
  };
  for (const Case& c : cases) {
    SfxPayloadHeader h;
    memset(&h, 0, sizeof h);
    wcscpy(h.Destination, c.templ);
    wcscpy(h.Command, c.command);
    h.DeleteAfterRun = c.deleteAfter;
    wchar_t dest[kSfxDestinationUnits] = L"untouched";
    EXPECT_EQ(ExpandFolderTemplate(dest, h, L"Z:\\dist\\mobral64W.exe"), c.temporary) << Narrow(c.templ);
    EXPECT_STREQ(dest, c.expected) << Narrow(c.templ);
  }
  g_SfxFolders = saved;
}

TEST(SfxHeader, EntryNamesStayBelowTheDestination) {
  struct Case {
    const wchar_t* name;
    const wchar_t* clean;  // nullptr: refused
  } cases[] = {
      {L"a/b/c.txt", L"a\\b\\c.txt"},
      {L"\\\\server\\share\\f.txt", L"server\\share\\f.txt"},
      {L"../../evil.txt", L"evil.txt"},
      {L"a/../../b.txt", L"a\\b.txt"},
      {L"./x/./y", L"x\\y"},
      {L"con", L"_on"},
      {L"con.txt", L"_on.txt"},
      {L"sub/COM1.log", L"sub\\_OM1.log"},
      {L"lpt9", L"_pt9"},
      {L"nul .txt", L"_ul .txt"},
      {L"console.txt", L"console.txt"},
      {L"COM10", L"COM10"},
      {L"name. . ", L"name"},
      {L"dir. /file.txt", L"dir\\file.txt"},
      {L"  lead/  inner", L"lead\\inner"},
      {L"a<b>c:d|e?f*g\"h", L"a_b_c_d_e_f_g_h"},
      {L"line\nfeed\r", L"line_feed_"},
      {L"join\u2060er", L"join_er"},
      {L"right\u202Eleft", L"right\u202Eleft"},
      {L"folder/", L"folder\\"},
      {L"..", nullptr},
      {L"./ / .", nullptr},
      {L"", nullptr},
  };
  for (const Case& c : cases) {
    wchar_t name[600];
    wcscpy(name, c.name);
    int ok = SanitiseEntryName(name, 600);
    EXPECT_EQ(ok, c.clean ? 1 : 0) << Narrow(c.name);
    if (c.clean && ok) {
      EXPECT_STREQ(name, c.clean) << Narrow(c.name);
    }
  }
  std::wstring tooLong(520, L'a');
  wchar_t name[600];
  wcscpy(name, tooLong.c_str());
  EXPECT_EQ(SanitiseEntryName(name, 600), 0);
}

TEST(SfxHeader, ResolvedPathsOutsideTheFolderAreRefused) {
  struct Case {
    const wchar_t* relative;
    int below;
  } cases[] = {
      {L"a\\b.txt", 1}, {L"..\\b.txt", 0}, {L"a\\..\\..\\b.txt", 0}, {L"", 0},
      {L"a\\..\\b.txt", 1}, {L"..\\dest2\\b.txt", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsBelowFolder(L"C:\\dest\\", c.relative), c.below) << Narrow(c.relative);
}

}  // namespace

namespace {

// The built program is stripped: its payload goes right behind its image.
TEST(SfxHeader, BuiltProgramsPayloadOffsetIsItsSize) {
  std::string image = ReadFileBytes(std::wstring(VN_BUILD_DIR) + L"\\" + VN_PACKAGE_PROGRAM);
  ASSERT_GT(image.size(), 4096u);
  EXPECT_EQ(FindPayloadOffset((const uint8_t*)image.data(), image.size()), image.size());
}

}  // namespace
