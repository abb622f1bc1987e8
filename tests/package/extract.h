// Runs the package reader over a whole archive the way the extraction
// worker does: entry by entry, password check, method, judgement, and the
// stream set behind the entry's stored data.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "common/zip.h"
#include "package/decrypt.h"
#include "package/deflate64.h"
#include "package/pipeline.h"
#include "package/stream.h"
#include "package/zipread.h"
#include "support/test_support.h"

const int kWrongPassword = -100;
const int kFolder = -200;

struct Extracted {
  std::string Name;  // UTF-8 of the decoded name
  uint32_t Attributes = 0;
  int Result = 0;  // EntryResult, kWrongPassword or kFolder
  std::string Data;
  uint16_t Flags = 0, Method = 0;
  uint32_t Crc = 0, Cipher = 0;
  uint64_t Size = 0;
  int64_t WriteTime = 0;
};

inline std::string Utf8(const wchar_t* w) {
  char b[2048];
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, b, sizeof b, nullptr, nullptr);
  return n > 0 ? std::string(b, n - 1) : std::string();
}

inline std::wstring PackageFixture(const char* name) {
  wchar_t b[1024];
  MultiByteToWideChar(CP_UTF8, 0, name, -1, b, 1024);
  std::wstring w = b;
  for (auto& c : w)
    if (c == L'/') c = L'\\';
  return FixturePath((L"package\\" + w).c_str());
}

inline std::string SourceFile(const char* name) {
  return ReadFileBytes(PackageFixture((std::string("src/") + name).c_str()));
}

struct ArchiveRun {
  int64_t Opened = 0;  // OpenZipArchive's result
  std::vector<Extracted> Entries;
  const Extracted* Find(const std::string& name) const {
    for (const Extracted& e : Entries)
      if (e.Name == name) return &e;
    return nullptr;
  }
};

// output: how the entry's file is opened (tests of failed writes open it read-only).
inline ArchiveRun ExtractArchive(const std::wstring& path, const char* password = nullptr,
                                 DWORD outputAccess = GENERIC_WRITE) {
  ArchiveRun run;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return run;
  g_Sfx.ExtractAbortCode = ABORT_NONE;
  g_Sfx.LastErrorString = 0;
  MakeCrcTable();
  AttachArchive(file);
  run.Opened = OpenZipArchive(ArchiveSize());
  static uint8_t window[1024];
  static uint8_t buffer[kWorkBufferBytes];
  static ZipEntry entry;
  TempDir out;
  while (run.Opened && FindNextLocalHeader(&entry, window)) {
    Extracted x;
    x.Name = Utf8(entry.wideName);
    x.Attributes = entry.attributes;
    x.Flags = entry.flags;
    x.Method = entry.method;
    x.Crc = entry.crc32;
    x.Size = entry.uncompressedSize;
    x.Cipher = entry.cipher;
    x.WriteTime = entry.writeTime;
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
      x.Result = kFolder;
    } else if (!CheckZipPassword((entry.flags & ZIPFLAG_ENCRYPTED) ? password : nullptr, &entry)) {
      x.Result = kWrongPassword;
    } else {
      std::wstring target = out.File(L"entry.out");
      if (outputAccess != GENERIC_WRITE) WriteFileBytes(target, "");
      HANDLE o = CreateFileW(target.c_str(), outputAccess, 0, nullptr,
                             outputAccess == GENERIC_WRITE ? CREATE_ALWAYS : OPEN_EXISTING, 0, nullptr);
      x.Result = ExtractEntry(&entry, o, buffer);
      CloseHandle(o);
      x.Data = ReadFileBytes(target);
      DeleteFileW(target.c_str());
    }
    g_Sfx.DecryptOn = false;
    g_Sfx.AesDataLength = 0;
    run.Entries.push_back(x);
    if (entry.storedSize > (uint64_t)(INT64_MAX - entry.dataPosition) ||
        !ArchiveSeek(entry.dataPosition + (int64_t)entry.storedSize))
      break;
  }
  FreeFixedTables();
  DetachArchive();
  CloseHandle(file);
  return run;
}

// An archive's bytes changed by a test, written to a temporary file.
struct PatchedArchive {
  TempDir Dir;
  std::wstring Path;
  explicit PatchedArchive(const std::string& bytes) : Path(Dir.File(L"patched.zip")) { WriteFileBytes(Path, bytes); }
};
