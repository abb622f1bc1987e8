#include "package/worker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "extract.h"
#include "package/sfxheader.h"
#include "zipbuild.h"

namespace {

const char* kFixturePassword = "Tr0ub4dor&3";

std::wstring Wide(const char* name) {
  wchar_t b[512];
  MultiByteToWideChar(CP_UTF8, 0, name, -1, b, 512);
  std::wstring w = b;
  for (auto& c : w)
    if (c == L'/') c = L'\\';
  return w;
}

// Answers given in turn, and what the worker said.
struct Script {
  std::vector<int> Replace;
  std::vector<std::string> Passwords;  // "" skips, "!" cancels
  std::vector<std::wstring> Messages;
  int ReplaceAsked = 0;
  size_t PasswordAt = 0;
};

int ScriptReplace(void* c, const wchar_t*, int64_t, uint64_t, int64_t, uint64_t) {
  Script* s = (Script*)c;
  int i = s->ReplaceAsked++;
  return i < (int)s->Replace.size() ? s->Replace[i] : REPLACE_CANCEL;
}

int ScriptPassword(void* c, const wchar_t*, char* password) {
  Script* s = (Script*)c;
  if (s->PasswordAt >= s->Passwords.size()) return PASSWORD_CANCEL;
  const std::string& p = s->Passwords[s->PasswordAt++];
  if (p == "!") return PASSWORD_CANCEL;
  if (p.empty()) return PASSWORD_SKIP;
  strcpy(password, p.c_str());
  return PASSWORD_OK;
}

int ScriptMessage(void* c, const wchar_t* text, UINT) {
  ((Script*)c)->Messages.push_back(text);
  return IDCANCEL;
}

struct WorkerRun {
  int Exit = 0;
  SfxExtraction Extraction;
};

WorkerRun Extract(const std::wstring& archive, const std::wstring& dest, Script* script, bool overwrite = false,
            bool list = false) {
  WorkerRun r;
  HANDLE file = CreateFileW(archive.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE);
  g_Sfx.ExtractAbortCode = ABORT_NONE;
  AttachArchive(file);
  EXPECT_GT(OpenZipArchive(ArchiveSize()), 0);
  r.Extraction.Destination = dest.c_str();
  r.Extraction.OverwriteWithoutAsking = overwrite;
  r.Extraction.ListForDeletion = list;
  SfxWorkerCallbacks cb = {script, ScriptReplace, ScriptPassword, ScriptMessage, nullptr};
  r.Exit = ExtractEntries(&r.Extraction, cb);
  DetachArchive();
  CloseHandle(file);
  return r;
}

std::wstring Slash(const std::wstring& dir) { return dir.back() == L'\\' ? dir : dir + L"\\"; }

bool Exists(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

const char* kTree[] = {"text.txt", "random.bin", "empty.txt", "sub/nested.txt", "sub/na\u00efve \u00fcn\u00efcode.txt"};

TEST(Worker, StoredDeflateAndDeflate64TreesAreByteIdentical) {
  std::vector<const char*> infozip(std::begin(kTree), std::end(kTree));
  std::vector<const char*> sevenzip = {"far.bin", "text.txt", "empty.txt"};
  struct Case {
    const char* archive;
    const std::vector<const char*>* members;
  } cases[] = {
      {"iz_store.zip", &infozip}, {"iz_deflate.zip", &infozip}, {"iz_appended.zip", &infozip},
      {"7z_deflate64.zip", &sevenzip}, {"7z_store.zip", &sevenzip},
  };
  for (const Case& c : cases) {
    TempDir out;
    Script s;
    WorkerRun r = Extract(PackageFixture(c.archive), Slash(out.Path), &s);
    EXPECT_EQ(r.Exit, 0) << c.archive;
    EXPECT_EQ(r.Extraction.Failed, 0) << c.archive;
    EXPECT_EQ(r.Extraction.Extracted, (int)c.members->size()) << c.archive;
    EXPECT_TRUE(s.Messages.empty()) << c.archive;
    for (const char* name : *c.members)
      EXPECT_TRUE(ReadFileBytes(Slash(out.Path) + Wide(name)) == SourceFile(name)) << c.archive << " " << name;
  }
}

TEST(Worker, BrokenEntriesAreCountedAndRemoved) {
  std::string zip = BuildZip({{"good.txt", "good data"}, {"bad.txt", "soon broken"}, {"after.txt", "after"}});
  zip[zip.find("soon broken")] = 'S';
  PatchedArchive a(zip);
  TempDir out;
  Script s;
  WorkerRun r = Extract(a.Path, Slash(out.Path), &s);
  EXPECT_EQ(r.Exit, 0);
  EXPECT_EQ(r.Extraction.Failed, 1);
  EXPECT_EQ(r.Extraction.Extracted, 2);
  EXPECT_FALSE(Exists(out.File(L"bad.txt")));
  EXPECT_EQ(ReadFileBytes(out.File(L"after.txt")), "after");
  ASSERT_EQ(s.Messages.size(), 1u);
  EXPECT_EQ(s.Messages[0], L"CRC Error!");
}

TEST(Worker, NamesNeverLeaveTheDestination) {
  struct Case {
    const char* stored;
    const wchar_t* written;
  } cases[] = {
      {"../../escaped.txt", L"escaped.txt"},
      {"/rooted.txt", L"rooted.txt"},
      {"\\\\server\\share\\unc.txt", L"server\\share\\unc.txt"},
      {"a/./../b/c.txt", L"a\\b\\c.txt"},
      {"con.txt", L"_on.txt"},
      {"sub/COM1.log", L"sub\\_OM1.log"},
      {"trail. . ", L"trail"},
  };
  TempDir root;
  std::wstring dest = root.File(L"dest\\");
  CreateDirectoryW(dest.c_str(), nullptr);
  std::vector<BuildEntry> entries;
  for (const Case& c : cases) entries.push_back({c.stored, c.stored});
  PatchedArchive a(BuildZip(entries));
  Script s;
  WorkerRun r = Extract(a.Path, dest, &s);
  EXPECT_EQ(r.Exit, 0);
  EXPECT_EQ(r.Extraction.Failed, 0);
  for (const Case& c : cases) EXPECT_EQ(ReadFileBytes(dest + c.written), c.stored) << c.stored;
  EXPECT_FALSE(Exists(root.File(L"escaped.txt")));
}

TEST(Worker, NameWithNothingLeftEndsTheRun) {
  PatchedArchive a(BuildZip({{"first.txt", "1"}, {"../..", "x"}, {"later.txt", "2"}}));
  TempDir out;
  Script s;
  WorkerRun r = Extract(a.Path, Slash(out.Path), &s);
  EXPECT_EQ(r.Exit, -1);
  EXPECT_EQ(g_Sfx.ExtractAbortCode, 1);
  EXPECT_TRUE(Exists(out.File(L"first.txt")));
  EXPECT_FALSE(Exists(out.File(L"later.txt")));
  ASSERT_EQ(s.Messages.size(), 1u);
  EXPECT_EQ(s.Messages[0], L"Invalid file-name.");
}

TEST(Worker, ReplaceAnswers) {
  struct Case {
    const char* what;
    std::vector<int> answers;
    int exit;
    const char* a;  // content of a.txt and b.txt afterwards
    const char* b;
    int asked;
  } cases[] = {
      {"yes then no", {REPLACE_YES, REPLACE_NO}, 0, "new a", "old b", 2},
      {"yes to all", {REPLACE_ALL}, 0, "new a", "new b", 1},
      {"cancel", {REPLACE_CANCEL}, -1, "old a", "old b", 1},
      // The stored entries are from 2024; the existing files are newer.
      {"newer", {REPLACE_NEWER}, 0, "old a", "old b", 1},
  };
  PatchedArchive a(BuildZip({{"a.txt", "new a"}, {"b.txt", "new b"}}));
  for (const Case& c : cases) {
    TempDir out;
    WriteFileBytes(out.File(L"a.txt"), "old a");
    WriteFileBytes(out.File(L"b.txt"), "old b");
    Script s;
    s.Replace = c.answers;
    WorkerRun r = Extract(a.Path, Slash(out.Path), &s);
    EXPECT_EQ(r.Exit, c.exit) << c.what;
    EXPECT_EQ(ReadFileBytes(out.File(L"a.txt")), c.a) << c.what;
    EXPECT_EQ(ReadFileBytes(out.File(L"b.txt")), c.b) << c.what;
    EXPECT_EQ(s.ReplaceAsked, c.asked) << c.what;
  }
  TempDir out;
  WriteFileBytes(out.File(L"a.txt"), "old a");
  Script s;
  WorkerRun r = Extract(a.Path, Slash(out.Path), &s, true);
  EXPECT_EQ(s.ReplaceAsked, 0);
  EXPECT_EQ(ReadFileBytes(out.File(L"a.txt")), "new a");
}

TEST(Worker, PasswordLoop) {
  // Wrong passwords only against AES: the traditional scheme's one check
  // byte lets one wrong password in 256 through, and its fixtures are made
  // anew, with new random headers, on every run.
  struct Case {
    const char* what;
    const char* archive;
    std::vector<std::string> passwords;
    int exit;
    bool written;
    int invalidMessages;
  } cases[] = {
      {"traditional, right at once", "iz_crypt.zip", {kFixturePassword}, 0, true, 0},
      {"AES, right at once", "7z_aes256_deflate.zip", {kFixturePassword}, 0, true, 0},
      {"wrong then right", "7z_aes256_deflate.zip", {"wrong", kFixturePassword}, 0, true, 1},
      {"skip", "7z_aes256_deflate.zip", {"", "", "", "", "", ""}, 0, false, 0},
      {"cancel", "7z_aes256_deflate.zip", {"wrong", "!"}, -1, false, 1},
  };
  for (const Case& c : cases) {
    TempDir out;
    Script s;
    s.Passwords = c.passwords;
    WorkerRun r = Extract(PackageFixture(c.archive), Slash(out.Path), &s);
    EXPECT_EQ(r.Exit, c.exit) << c.what;
    EXPECT_EQ(ReadFileBytes(out.File(L"text.txt")) == SourceFile("text.txt"), c.written) << c.what;
    int invalid = 0;
    for (auto& m : s.Messages) invalid += m == L"Invalid Decryption Password.";
    EXPECT_EQ(invalid, c.invalidMessages) << c.what;
  }
}

TEST(Worker, DeleteListHoldsAbsolutePaths) {
  TempDir out;
  Script s;
  WorkerRun r = Extract(PackageFixture("iz_deflate.zip"), Slash(out.Path), &s, true, true);
  ASSERT_EQ(r.Extraction.DeleteList.size(), 5u);
  for (const std::wstring& p : r.Extraction.DeleteList) {
    EXPECT_EQ(p.compare(0, Slash(out.Path).size(), Slash(out.Path)), 0);
    EXPECT_TRUE(Exists(p));
  }
}

TEST(Worker, FolderTimesAreKeptAfterFilesWentIn) {
  std::vector<BuildEntry> e = {{"dir/", ""}, {"dir/file.txt", "inside"}};
  e[0].ExternalAttributes = 0x10;
  PatchedArchive a(BuildZip(e));
  TempDir out;
  Script s;
  WorkerRun r = Extract(a.Path, Slash(out.Path), &s);
  EXPECT_EQ(r.Exit, 0);
  WIN32_FILE_ATTRIBUTE_DATA d;
  ASSERT_TRUE(GetFileAttributesExW(out.File(L"dir").c_str(), GetFileExInfoStandard, &d));
  FILETIME stored, local;
  DosDateTimeToFileTime(0x5821, 0x6000, &local);
  LocalFileTimeToFileTime(&local, &stored);
  EXPECT_EQ(CompareFileTime(&d.ftLastWriteTime, &stored), 0);
}

TEST(Worker, FolderThatCannotBeMadeCountsAsFailed) {
  TempDir out;
  WriteFileBytes(out.File(L"taken"), "a file where a folder should go");
  PatchedArchive a(BuildZip({{"taken/inner.txt", "x"}, {"ok.txt", "y"}}));
  Script s;
  WorkerRun r = Extract(a.Path, Slash(out.Path), &s);
  EXPECT_EQ(r.Exit, 0);
  EXPECT_EQ(r.Extraction.Failed, 1);
  EXPECT_EQ(ReadFileBytes(out.File(L"ok.txt")), "y");
}

}  // namespace
