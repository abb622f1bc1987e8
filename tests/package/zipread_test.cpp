// The archive reader and the data pipeline on archives made by Info-ZIP and
// 7-Zip when the suite runs (every file compared with its source), and on
// archives put together byte by byte for what the tools never write.
#include <gtest/gtest.h>
#include <string.h>

#include "tests/package/extract.h"
#include "tests/package/zipbuild.h"

namespace {

const char* const kUnicodeName = "sub/na\xc3\xafve \xc3\xbcn\xc3\xaf" "code.txt";

std::string Bytes(const wchar_t* path) { return ReadFileBytes(path); }

TEST(ZipReader, InfoZipArchivesExtractByteForByte) {
  struct Case {
    const char* Archive;
    std::vector<const char*> Files;
    bool Folders;
  } cases[] = {
      {"iz_deflate.zip", {"text.txt", "random.bin", "empty.txt", "sub/nested.txt", kUnicodeName}, true},
      {"iz_store.zip", {"text.txt", "random.bin", "empty.txt", "sub/nested.txt", kUnicodeName}, true},
      {"iz_zip64.zip", {"text.txt", "random.bin", "empty.txt", "sub/nested.txt", kUnicodeName}, true},
      // Written to a pipe: sizes and CRC only behind the data and in the central records.
      {"iz_stream.zip", {"text.txt", "random.bin", "empty.txt"}, false},
      // Behind 5000 other bytes holding a stray local signature, offsets not adjusted.
      {"iz_appended.zip", {"text.txt", "random.bin", "empty.txt", "sub/nested.txt", kUnicodeName}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Archive);
    ArchiveRun run = ExtractArchive(PackageFixture(c.Archive));
    ASSERT_GT(run.Opened, 0);
    EXPECT_EQ(c.Files.size() + (c.Folders ? 1 : 0), run.Entries.size());
    for (const char* name : c.Files) {
      const Extracted* e = run.Find(name);
      ASSERT_TRUE(e) << name;
      EXPECT_EQ(ENTRY_OK, e->Result) << name;
      EXPECT_EQ(SourceFile(name), e->Data) << name;
    }
    if (c.Folders) {
      const Extracted* folder = run.Find("sub/");
      ASSERT_TRUE(folder);
      EXPECT_EQ(kFolder, folder->Result);
    }
  }
}

TEST(ZipReader, MemberReadFromAPipeHasZip64SizesBehindItsData) {
  ArchiveRun run = ExtractArchive(PackageFixture("iz_stdin.zip"));
  ASSERT_EQ(1u, run.Entries.size());
  EXPECT_EQ("-", run.Entries[0].Name);
  EXPECT_TRUE(run.Entries[0].Flags & ZIPFLAG_DESCRIPTOR);
  EXPECT_EQ(ENTRY_OK, run.Entries[0].Result);
  EXPECT_EQ(SourceFile("text.txt"), run.Entries[0].Data);
}

TEST(ZipReader, SevenZipArchivesExtractByteForByte) {
  for (const char* archive : {"7z_store.zip", "7z_deflate64.zip"}) {
    SCOPED_TRACE(archive);
    ArchiveRun run = ExtractArchive(PackageFixture(archive));
    ASSERT_EQ(3u, run.Entries.size());
    for (const char* name : {"far.bin", "text.txt", "empty.txt"}) {
      const Extracted* e = run.Find(name);
      ASSERT_TRUE(e) << name;
      EXPECT_EQ(ENTRY_OK, e->Result) << name;
      EXPECT_EQ(SourceFile(name), e->Data) << name;
    }
    if (strstr(archive, "64")) {
      EXPECT_EQ(ZIPMETHOD_DEFLATE64, run.Find("far.bin")->Method);
    }
  }
}

// Sets the end record's comment: the archive ends comment bytes later.
std::string WithComment(std::string zip, size_t length, char fill) {
  size_t end = zip.rfind("PK\x05\x06");
  zip[end + 20] = (char)(length & 0xFF);
  zip[end + 21] = (char)(length >> 8);
  return zip + std::string(length, fill);
}

TEST(ZipReader, EndRecordIsFoundBehindCommentsAndAcrossBlockBorders) {
  std::string zip = Bytes(PackageFixture("iz_store.zip").c_str());
  // 4076 puts the end record's signature across the last 4096-byte border.
  for (size_t comment : {(size_t)0, (size_t)100, (size_t)4073, (size_t)4074, (size_t)4075, (size_t)4076,
                         (size_t)4077, (size_t)9000}) {
    PatchedArchive a(WithComment(zip, comment, 'c'));
    ArchiveRun run = ExtractArchive(a.Path);
    ASSERT_GT(run.Opened, 0) << comment;
    ASSERT_TRUE(run.Find("text.txt")) << comment;
    EXPECT_EQ(SourceFile("text.txt"), run.Find("text.txt")->Data) << comment;
  }
  // Shorter than one block, searched whole.
  ArchiveRun small = ExtractArchive(PackageFixture("d64_len285.zip"));
  EXPECT_GT(small.Opened, 0);
  EXPECT_EQ(1u, small.Entries.size());
}

TEST(ZipReader, ArchivesItCannotReadAreRefused) {
  std::string zip = Bytes(PackageFixture("iz_deflate.zip").c_str());
  size_t end = zip.rfind("PK\x05\x06");
  std::string multiDisk = zip, thisDisk = zip, marker = zip, beyond = zip;
  multiDisk[end + 6] = 1;
  thisDisk[end + 4] = 2;
  memset(&marker[end + 16], 0xFF, 4);  // Zip64 offset marker without a locator
  beyond[end + 19] = 0x70;             // central directory behind the end record
  struct Case {
    const char* What;
    std::string Bytes;
  } cases[] = {
      {"no end record", std::string(10000, 'x')},
      {"empty file", ""},
      {"end record cut short", zip.substr(0, zip.size() - 5)},
      {"central directory on another disk", multiDisk},
      {"another disk", thisDisk},
      {"Zip64 marker without locator", marker},
      {"offset past the end record", beyond},
  };
  for (const Case& c : cases) {
    PatchedArchive a(c.Bytes);
    EXPECT_EQ(0, ExtractArchive(a.Path).Opened) << c.What;
    EXPECT_EQ(0, g_Sfx.NextCentral) << c.What;
  }
}

TEST(ZipReader, NamesAreDecodedByFlagByContentOrFromTheUnicodePathField) {
  std::string utf8 = "caf\xc3\xa9.txt", ansi = "caf\xe9.txt";  // é in UTF-8 and in code page 1252
  std::string unicodeField = std::string("\x01", 1);
  Le(&unicodeField, Crc(ansi), 4);
  unicodeField += "\xe2\x82\xac-euro.txt";
  std::string staleField = std::string("\x01", 1);
  Le(&staleField, Crc("other"), 4);
  staleField += "wrong.txt";
  std::vector<BuildEntry> entries(5);
  entries[0].Name = utf8;
  entries[1].Name = ansi;
  entries[2].Name = ansi;
  entries[2].CentralExtra = ExtraField(0x7075, unicodeField);
  entries[3].Name = ansi;
  entries[3].CentralExtra = ExtraField(0x7075, staleField);
  // One two-byte sequence alone would pass as ANSI text; the flag says UTF-8.
  entries[4].Name = "\xc3\xa9";
  entries[4].Flags = ZIPFLAG_UTF8;
  for (size_t i = 0; i < entries.size(); i++) entries[i].Data = "data" + std::to_string(i);
  PatchedArchive a(BuildZip(entries));
  ArchiveRun run = ExtractArchive(a.Path);
  ASSERT_EQ(5u, run.Entries.size());
  EXPECT_EQ(utf8, run.Entries[0].Name);
  EXPECT_EQ(utf8, run.Entries[1].Name);
  EXPECT_EQ("\xe2\x82\xac-euro.txt", run.Entries[2].Name);
  EXPECT_EQ(utf8, run.Entries[3].Name);
  EXPECT_EQ("\xc3\xa9", run.Entries[4].Name);
  for (size_t i = 0; i < entries.size(); i++) EXPECT_EQ(entries[i].Data, run.Entries[i].Data) << i;
}

TEST(ZipReader, LongNamesAreBoundedAndTooLongOnesSkipped) {
  std::vector<BuildEntry> entries(4);
  entries[0].Name = std::string(1039, 'n');
  entries[1].Name = std::string(1040, 'm');  // no entry: skipped, the walk goes on
  entries[2].Name = "after.txt";
  entries[3].Name = std::string(600, 'p');  // fits the raw name, not the decoded one
  for (size_t i = 0; i < entries.size(); i++) entries[i].Data = "data" + std::to_string(i);
  PatchedArchive a(BuildZip(entries));
  ArchiveRun run = ExtractArchive(a.Path);
  ASSERT_EQ(3u, run.Entries.size());
  EXPECT_EQ(519u, run.Entries[0].Name.size());
  EXPECT_EQ("data0", run.Entries[0].Data);
  EXPECT_EQ("after.txt", run.Entries[1].Name);
  EXPECT_EQ("data2", run.Entries[1].Data);
  EXPECT_EQ(std::string(519, 'p'), run.Entries[2].Name);
}

std::string NtfsField(uint64_t write) {
  std::string d(4, '\0');
  Le(&d, 1, 2);
  Le(&d, 24, 2);
  Le(&d, write, 8);
  Le(&d, write, 8);
  Le(&d, write, 8);
  return ExtraField(0x000A, d);
}

TEST(ZipReader, ExtraFieldsAreReadWithinTheirBounds) {
  const uint64_t k2020 = 132223104000000000ULL;  // 2020-01-01 as FILETIME
  const int64_t k2020Unix = 1577836800;
  std::vector<BuildEntry> entries(5);
  for (size_t i = 0; i < entries.size(); i++) {
    entries[i].Name = "e" + std::to_string(i);
    entries[i].Data = "data" + std::to_string(i);
  }
  entries[0].LocalExtra = NtfsField(k2020);
  // A central block replaces the local times, also with none.
  entries[1].LocalExtra = NtfsField(k2020);
  entries[1].CentralExtra = ExtraField(0xA220, std::string(4, '\0'));
  // A block past the 2048-byte scratch area: only its start is looked at.
  entries[2].LocalExtra = ExtraField(0xA220, std::string(1000, '\0')) + NtfsField(k2020) +
                          ExtraField(0x1234, std::string(3000, 'z')) + NtfsField(k2020 + 10000000);
  // A field claiming more than its block holds is not read.
  entries[3].LocalExtra = NtfsField(k2020).substr(0, 20);
  // A Zip64 field too short for the size it announces.
  entries[4].LieSizes = true;
  entries[4].Compressed = 5;
  entries[4].Uncompressed = 0xFFFFFFFF;
  entries[4].LocalExtra = ExtraField(0x0001, std::string(4, '\x01'));
  entries[4].CentralExtra = entries[4].LocalExtra;
  PatchedArchive a(BuildZip(entries));
  ArchiveRun run = ExtractArchive(a.Path);
  ASSERT_EQ(5u, run.Entries.size());
  EXPECT_EQ(k2020Unix, run.Entries[0].WriteTime);
  EXPECT_EQ(0, run.Entries[1].WriteTime);
  EXPECT_EQ(k2020Unix, run.Entries[2].WriteTime);
  EXPECT_EQ("data2", run.Entries[2].Data);
  EXPECT_EQ(0, run.Entries[3].WriteTime);
  EXPECT_EQ("data3", run.Entries[3].Data);
  EXPECT_EQ(0xFFFFFFFFu, run.Entries[4].Size);
  EXPECT_NE(ENTRY_OK, run.Entries[4].Result);
}

TEST(ZipReader, NoCentralDirectoryLeftGivesAttributesFromTheName) {
  std::vector<BuildEntry> entries(3);
  entries[0].Name = "a.txt";
  entries[0].Data = "a";
  entries[0].ExternalAttributes = 0x21;  // read-only, archive
  entries[1].Name = "folder/";
  entries[2].Name = "b.txt";
  entries[2].Data = "b";
  std::string zip = BuildZip(entries);
  // Only the first central record stays findable.
  size_t second = zip.find("PK\x01\x02", zip.find("PK\x01\x02") + 4);
  std::string cut = zip;
  cut.replace(second, 4, "XXXX");
  size_t third = cut.find("PK\x01\x02", second);
  cut.replace(third, 4, "XXXX");
  PatchedArchive a(cut);
  ArchiveRun run = ExtractArchive(a.Path);
  ASSERT_EQ(3u, run.Entries.size());
  EXPECT_EQ(0x21u, run.Entries[0].Attributes);
  EXPECT_EQ(0u, run.Entries[1].Attributes);  // the scan reached the end
  EXPECT_EQ((uint32_t)FILE_ATTRIBUTE_ARCHIVE, run.Entries[2].Attributes);
  EXPECT_EQ("b", run.Entries[2].Data);
}

// The text.txt entry of the stored Info-ZIP archive with its declared size
// (local and central) set to size, CRC and stored length left alone.
std::string WithDeclaredSize(const char* archive, const char* member, uint32_t size, bool compressedToo) {
  std::string zip = Bytes(PackageFixture(archive).c_str());
  for (size_t at = zip.find(member); at != std::string::npos; at = zip.find(member, at + 1)) {
    bool local = zip.compare(at - 30, 4, "PK\x03\x04") == 0;
    bool central = at >= 46 && zip.compare(at - 46, 4, "PK\x01\x02") == 0;
    if (!local && !central) continue;
    size_t field = local ? at - 30 + 22 : at - 46 + 24;
    for (int i = 0; i < 4; i++) zip[field + i] = (char)(size >> (8 * i));
    if (compressedToo)
      for (int i = 0; i < 4; i++) zip[field - 4 + i] = (char)(size >> (8 * i));
  }
  return zip;
}

TEST(EntryPipeline, DeclaredSizeBoundsWhatIsWritten) {
  std::string text = SourceFile("text.txt");
  struct Case {
    const char* Archive;
    uint32_t Declared;
    int Result;
  } cases[] = {
      // A bomb stops at its declared size; the entry fails.
      {"iz_deflate.zip", 1000, ENTRY_TOO_LONG},
      {"iz_deflate.zip", (uint32_t)text.size() + 1, ENTRY_SHORT},
      {"iz_deflate.zip", (uint32_t)text.size(), ENTRY_OK},
  };
  for (const Case& c : cases) {
    PatchedArchive a(WithDeclaredSize(c.Archive, "text.txt", c.Declared, false));
    ArchiveRun run = ExtractArchive(a.Path);
    const Extracted* e = run.Find("text.txt");
    ASSERT_TRUE(e);
    EXPECT_EQ(c.Result, e->Result) << c.Declared;
    EXPECT_EQ(text.substr(0, c.Declared), e->Data) << c.Declared;
    EXPECT_EQ(ENTRY_OK, run.Find("random.bin")->Result);  // the walk goes on behind it
  }
}

TEST(EntryPipeline, UncompressedSizeIsComparedInSixtyFourBits) {
  // Five stored bytes declared as 4 GiB + 5 by a Zip64 field.
  BuildEntry e;
  e.Name = "big";
  e.Data = "12345";
  e.LieSizes = true;
  e.Compressed = 5;
  e.Uncompressed = 0xFFFFFFFF;
  std::string z64;
  Le(&z64, (1ULL << 32) + 5, 8);
  e.LocalExtra = ExtraField(0x0001, z64);
  e.CentralExtra = e.LocalExtra;
  PatchedArchive a(BuildZip({e}));
  ArchiveRun run = ExtractArchive(a.Path);
  ASSERT_EQ(1u, run.Entries.size());
  EXPECT_EQ((1ULL << 32) + 5, run.Entries[0].Size);
  EXPECT_EQ(ENTRY_SHORT, run.Entries[0].Result);
}

// Stored or deflated, an entry without data is an empty file, judged by its
// size and CRC like any other.
TEST(EntryPipeline, EntriesWithoutDataAreEmptyFiles) {
  for (uint16_t method : {0, 8}) {
    BuildEntry e;
    e.Name = "empty";
    e.Method = method;
    PatchedArchive a(BuildZip({e}));
    ArchiveRun run = ExtractArchive(a.Path);
    ASSERT_EQ(1u, run.Entries.size()) << method;
    EXPECT_EQ(ENTRY_OK, run.Entries[0].Result) << method;
    EXPECT_EQ("", run.Entries[0].Data) << method;
  }
}

// A stray local signature in front of the zip is none of its entries; the
// central record it was held against stays for its own header, and the
// search resumes at that record, not at a gap before it (else every stray
// scans the gap again).
TEST(ZipReader, AStrayHeaderLeavesTheSearchAtTheRecordItMet) {
  BuildEntry stray;
  stray.Name = "stray";
  std::string fake = BuildZip({stray});
  fake = fake.substr(0, fake.find("PK\x01\x02", 0));  // its local header and data only
  BuildEntry real;
  real.Name = "real";
  real.Data = std::string(4096, 'a');
  std::string front = "STUB" + fake;
  std::string zip = BuildZip({real}, front);
  // The end record claims the directory starts 4000 bytes early, in the data.
  size_t end = zip.rfind("PK\x05\x06");
  uint32_t size, offset;
  memcpy(&size, &zip[end + 12], 4);
  memcpy(&offset, &zip[end + 16], 4);
  size += 4000;
  offset -= 4000;
  memcpy(&zip[end + 12], &size, 4);
  memcpy(&zip[end + 16], &offset, 4);
  PatchedArchive a(zip);
  HANDLE file = CreateFileW(a.Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  MakeCrcTable();
  AttachArchive(file);
  ASSERT_GT(OpenZipArchive(ArchiveSize()), 0);
  static uint8_t scratch[4096];
  ZipEntry entry = {};
  strcpy(entry.rawName, "stray");
  entry.headerPosition = 4;
  EXPECT_EQ(-1, DecodeEntryName(&entry, scratch));
  EXPECT_EQ((int64_t)zip.find("PK\x01\x02"), g_Sfx.NextCentral);
  // The real entry still finds its record.
  ArchiveSeek(0);
  DetachArchive();
  CloseHandle(file);
  ArchiveRun run = ExtractArchive(a.Path);
  const Extracted* r = run.Find("real");
  ASSERT_TRUE(r);
  EXPECT_EQ(ENTRY_OK, r->Result);
  EXPECT_EQ(real.Data, r->Data);
}

TEST(EntryPipeline, FailedWriteFailsTheEntry) {
  for (const char* archive : {"iz_deflate.zip", "iz_store.zip", "7z_deflate64.zip"}) {
    ArchiveRun run = ExtractArchive(PackageFixture(archive), nullptr, GENERIC_READ);
    const Extracted* e = run.Find("text.txt");
    ASSERT_TRUE(e) << archive;
    EXPECT_EQ(ENTRY_WRITE, e->Result) << archive;
    // An empty file needs no write and still passes.
    EXPECT_EQ(ENTRY_OK, run.Find("empty.txt")->Result) << archive;
  }
}

TEST(EntryPipeline, BrokenDeflateDataFails) {
  std::string zip = Bytes(PackageFixture("iz_deflate.zip").c_str());
  size_t name = zip.find("text.txt");
  size_t data = name + 8 + (uint8_t)zip[name - 2];
  std::string garbled = zip;
  for (int i = 0; i < 64; i++) garbled[data + 100 + i] = (char)0xFF;
  std::string bad = zip;
  bad[data] = (char)0x07;  // block type 3 as the first block
  for (const std::string* z : {&garbled, &bad}) {
    PatchedArchive a(*z);
    ArchiveRun run = ExtractArchive(a.Path);
    ASSERT_TRUE(run.Find("text.txt"));
    EXPECT_NE(ENTRY_OK, run.Find("text.txt")->Result);
    EXPECT_EQ(ENTRY_OK, run.Find("random.bin")->Result);
  }
}

TEST(EntryPipeline, Crc32OfKnownData) {
  MakeCrcTable();
  EXPECT_EQ(0x352441C2u, UpdateCrc32(0, "abc", 3));
  EXPECT_EQ(0xCBF43926u, UpdateCrc32(UpdateCrc32(0, "1234", 4), "56789", 5));
  EXPECT_EQ(0u, UpdateCrc32(0, "", 0));
}

TEST(EntryPipeline, CancelStopsEveryMethodBeforeItsNextWrite) {
  for (const char* archive : {"iz_store.zip", "iz_deflate.zip", "7z_deflate64.zip"}) {
    HANDLE file = CreateFileW(PackageFixture(archive).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    g_Sfx.ExtractAbortCode = ABORT_NONE;
    AttachArchive(file);
    ASSERT_GT(OpenZipArchive(ArchiveSize()), 0);
    static uint8_t window[1024], buffer[kWorkBufferBytes];
    static ZipEntry entry;
    do {
      ASSERT_TRUE(FindNextLocalHeader(&entry, window)) << archive;
    } while (entry.uncompressedSize == 0 && ArchiveSeek(entry.dataPosition + (int64_t)entry.storedSize));
    TempDir out;
    HANDLE o = CreateFileW(out.File(L"x").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    g_Sfx.ExtractAbortCode = ABORT_CANCELLED;
    EXPECT_EQ(ENTRY_ABORTED, ExtractEntry(&entry, o, buffer)) << archive;
    EXPECT_EQ(0u, g_Sfx.OutputWritten) << archive;
    g_Sfx.ExtractAbortCode = ABORT_NONE;
    CloseHandle(o);
    DetachArchive();
    CloseHandle(file);
  }
}

}  // namespace

namespace {

TEST(ZipReader, Zip64EndRecordIsFollowedFromTheLocator) {
  std::string zip = ReadFileBytes(PackageFixture("iz_zip64.zip"));
  size_t end = zip.rfind("PK\x05\x06");
  ASSERT_EQ(0, zip.compare(end - 20, 4, "PK\x06\x07"));
  std::string marker = zip;
  memset(&marker[end + 12], 0xFF, 8);  // size and offset only in the Zip64 record
  std::string noRecord = marker;
  noRecord[end - 20 - 56] = 'X';  // locator names a record that is not there
  struct Case {
    const char* What;
    std::string Bytes;
    bool Opens;
  } cases[] = {
      {"as written", zip, true},
      {"end record with markers", marker, true},
      {"behind 5000 bytes", std::string(5000, 's') + marker, true},
      {"no Zip64 end record", noRecord, false},
  };
  for (const Case& c : cases) {
    PatchedArchive a(c.Bytes);
    ArchiveRun run = ExtractArchive(a.Path);
    EXPECT_EQ(c.Opens, run.Opened > 0) << c.What;
    if (!c.Opens) continue;
    ASSERT_TRUE(run.Find("random.bin")) << c.What;
    EXPECT_EQ(SourceFile("random.bin"), run.Find("random.bin")->Data) << c.What;
  }
}

TEST(ZipReader, StrongEncryptionIsRefusedWithTheArchiveMessage) {
  BuildEntry e;
  e.Name = "secret";
  e.Data = "x";
  e.Flags = 0x3341;  // encrypted, strong encryption, high byte 0x33
  PatchedArchive a(BuildZip({e}));
  ArchiveRun run = ExtractArchive(a.Path);
  EXPECT_GT(run.Opened, 0);
  EXPECT_TRUE(run.Entries.empty());
  EXPECT_EQ(ABORT_ERROR, g_Sfx.ExtractAbortCode);
  EXPECT_EQ(kNotSupportedString, g_Sfx.LastErrorString);
}

}  // namespace
