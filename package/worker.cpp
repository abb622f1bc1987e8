#include "package/worker.h"

#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "common/zip.h"
#include "package/decrypt.h"
#include "package/deflate64.h"
#include "package/pipeline.h"
#include "package/sfxheader.h"
#include "package/sfxstate.h"
#include "package/stream.h"
#include "package/zipread.h"

namespace {

const int64_t kUnixEpochSeconds = 11644473600LL;

FILETIME ToFileTime(int64_t unixSeconds) {
  uint64_t t = (uint64_t)(unixSeconds + kUnixEpochSeconds) * 10000000ULL;
  FILETIME f;
  f.dwLowDateTime = (DWORD)t;
  f.dwHighDateTime = (DWORD)(t >> 32);
  return f;
}

int64_t FromFileTime(const FILETIME& f) {
  uint64_t t = (uint64_t)f.dwHighDateTime << 32 | f.dwLowDateTime;
  return (int64_t)(t / 10000000ULL) - kUnixEpochSeconds;
}

struct FolderRecord {
  std::wstring Path;
  uint32_t Attributes;
  int64_t Creation, Write, Access;
};

int64_t EntryTime(const ZipEntry& e) { return e.writeTime ? e.writeTime : DosToUnixTime(e.dosDate, e.dosTime); }

void StampFile(HANDLE file, int64_t creation, int64_t access, int64_t write) {
  FILETIME c = ToFileTime(creation), a = ToFileTime(access), w = ToFileTime(write);
  SetFileTime(file, creation ? &c : nullptr, access ? &a : nullptr, &w);
}

// Folder times last: writing files into a folder changes its own.
void RestoreFolderRecords(const std::vector<FolderRecord>& records) {
  for (const FolderRecord& r : records) {
    SetFileAttributesW(r.Path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (r.Write) {
      HANDLE h = CreateFileW(r.Path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, nullptr);
      if (h != INVALID_HANDLE_VALUE) {
        StampFile(h, r.Creation, r.Access, r.Write);
        CloseHandle(h);
      }
    }
    SetFileAttributesW(r.Path.c_str(), r.Attributes);
  }
}

int Say(const SfxWorkerCallbacks& cb, const wchar_t* text, UINT flags) {
  return cb.Message ? cb.Message(cb.Context, text, flags) : IDCANCEL;
}

void EndEntryDecryption() {
  g_Sfx.DecryptOn = false;
  g_Sfx.AesDataLength = 0;
}

}  // namespace

int64_t DosToUnixTime(uint16_t date, uint16_t time) {
  FILETIME local, utc;
  if (!DosDateTimeToFileTime(date, time, &local) || !LocalFileTimeToFileTime(&local, &utc)) return 0;
  return FromFileTime(utc);
}

int CreateFolderPath(const wchar_t* path) {
  if (!path[0]) return 0;
  DWORD a = GetFileAttributesW(path);
  if (a != INVALID_FILE_ATTRIBUTES) return (a & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
  std::wstring p = path;
  for (auto& c : p)
    if (c == L'/') c = L'\\';
  size_t from = 0;
  if (p.compare(0, 4, L"\\\\?\\") == 0) from = 4;
  if (p.compare(0, 2, L"\\\\") == 0 && from == 0) {
    // A UNC root: the server and the share are not made.
    size_t server = p.find(L'\\', 2);
    from = server == std::wstring::npos ? p.size() : p.find(L'\\', server + 1);
    if (from == std::wstring::npos) return 1;
  } else if (p.size() >= from + 2 && p[from + 1] == L':') {
    from += 2;
  }
  while (from < p.size()) {
    size_t next = p.find(L'\\', from + 1);
    if (next == std::wstring::npos) next = p.size();
    std::wstring level = p.substr(0, next);
    if (!level.empty() && level.back() != L'\\' && level.back() != L':') {
      DWORD la = GetFileAttributesW(level.c_str());
      if (la == INVALID_FILE_ATTRIBUTES) {
        if (!CreateDirectoryW(level.c_str(), nullptr)) return 0;
      } else if (!(la & FILE_ATTRIBUTE_DIRECTORY)) {
        return 0;
      }
    }
    from = next;
  }
  return 1;
}

int ExtractEntries(SfxExtraction* run, const SfxWorkerCallbacks& cb) {
  static uint8_t window[1024];
  static ZipEntry entry;
  uint8_t* buffer = (uint8_t*)HeapAlloc(GetProcessHeap(), 0, kWorkBufferBytes);
  if (!buffer) return -1;
  MakeCrcTable();
  char password[kMaxPasswordBytes + 1] = "";
  bool newerOnly = false, overwrite = run->OverwriteWithoutAsking;
  int exitCode = 0;
  std::vector<FolderRecord> folders;
  while (g_Sfx.ExtractAbortCode == ABORT_NONE && FindNextLocalHeader(&entry, window)) {
    uint64_t stored = entry.storedSize;
    if (stored > (uint64_t)(INT64_MAX - entry.dataPosition)) break;
    int64_t next = entry.dataPosition + (int64_t)stored;
    wchar_t name[kZipWideNameUnits + 8];
    wcsncpy(name, entry.wideName, kZipWideNameUnits);
    name[kZipWideNameUnits] = 0;
    if (!SanitiseEntryName(name, sizeof name / sizeof *name) || !IsBelowFolder(run->Destination, name)) {
      Say(cb, L"Invalid file-name.", MB_ICONERROR);
      g_Sfx.ExtractAbortCode = 1;
      exitCode = -1;
      break;
    }
    std::wstring path = std::wstring(run->Destination) + name;
    size_t n = wcslen(name);
    if (name[n - 1] == L'\\' || (entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      if (path.back() == L'\\') path.pop_back();
      int64_t write = EntryTime(entry);
      folders.push_back({path, entry.attributes | FILE_ATTRIBUTE_DIRECTORY, entry.creationTime, write,
                         entry.accessTime});
      if (!CreateFolderPath(path.c_str())) run->Failed++;
      ArchiveSeek(next);
      continue;
    }
    size_t slash = path.rfind(L'\\');
    if (!CreateFolderPath(path.substr(0, slash).c_str())) {
      run->Failed++;
      ArchiveSeek(next);
      continue;
    }
    WIN32_FILE_ATTRIBUTE_DATA existing;
    if (!overwrite && GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &existing)) {
      int64_t had = FromFileTime(existing.ftLastWriteTime);
      int64_t t = EntryTime(entry);
      bool take;
      if (newerOnly) {
        take = had < t;
      } else {
        uint64_t size = (uint64_t)existing.nFileSizeHigh << 32 | existing.nFileSizeLow;
        int answer = cb.AskReplace ? cb.AskReplace(cb.Context, name, had, size, t, entry.uncompressedSize)
                                   : REPLACE_CANCEL;
        if (answer == REPLACE_CANCEL) {
          g_Sfx.ExtractAbortCode = ABORT_CANCELLED;
          exitCode = -1;
          break;
        }
        if (answer == REPLACE_ALL) overwrite = true;
        if (answer == REPLACE_NEWER) newerOnly = true;
        take = answer == REPLACE_NEWER ? had < t : answer != REPLACE_NO;
      }
      if (!take) {
        ArchiveSeek(next);
        continue;
      }
    }
    bool skip = false;
    if (entry.flags & ZIPFLAG_ENCRYPTED) {
      bool ready = password[0] && CheckZipPassword(password, &entry);
      while (!ready) {
        password[0] = 0;
        int answer = cb.AskPassword ? cb.AskPassword(cb.Context, name, password) : PASSWORD_CANCEL;
        password[kMaxPasswordBytes] = 0;
        if (answer == PASSWORD_CANCEL) {
          g_Sfx.ExtractAbortCode = ABORT_CANCELLED;
          exitCode = -1;
          break;
        }
        if (answer == PASSWORD_SKIP) {
          skip = true;
          break;
        }
        ready = CheckZipPassword(password, &entry);
        if (!ready) Say(cb, L"Invalid Decryption Password.", MB_ICONWARNING);
      }
      if (exitCode) break;
    } else {
      CheckZipPassword(nullptr, &entry);
    }
    if (skip) {
      EndEntryDecryption();
      ArchiveSeek(next);
      continue;
    }
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (cb.Progress) cb.Progress(cb.Context, name);
    HANDLE file;
    for (;;) {
      file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file != INVALID_HANDLE_VALUE) break;
      wchar_t text[512];
      DWORD error = GetLastError();
      if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text, 512,
                          nullptr))
        _snwprintf(text, 512, L"Error %lu", error);
      if (Say(cb, text, MB_RETRYCANCEL | MB_ICONERROR) != IDRETRY) break;
    }
    if (file == INVALID_HANDLE_VALUE) {
      run->Failed++;
      EndEntryDecryption();
      ArchiveSeek(next);
      continue;
    }
    int result = ExtractEntry(&entry, file, buffer);
    EndEntryDecryption();
    if (result == ENTRY_OK) {
      if (entry.writeTime)
        StampFile(file, entry.creationTime, entry.accessTime, entry.writeTime);
      else
        StampFile(file, 0, 0, DosToUnixTime(entry.dosDate, entry.dosTime));
    }
    CloseHandle(file);
    if (result == ENTRY_METHOD) {
      DeleteFileW(path.c_str());
      wchar_t text[80];
      _snwprintf(text, 80, L"Error: not supported compression method %u", (unsigned)entry.method);
      Say(cb, text, MB_ICONERROR);
      g_Sfx.ExtractAbortCode = ABORT_ERROR;
      exitCode = -1;
      break;
    }
    if (result == ENTRY_ABORTED || g_Sfx.ExtractAbortCode != ABORT_NONE) {
      if (g_Sfx.OutputWritten != entry.uncompressedSize) DeleteFileW(path.c_str());
      exitCode = -1;
      break;
    }
    if (result != ENTRY_OK) {
      DeleteFileW(path.c_str());
      Say(cb, L"CRC Error!", MB_ICONERROR);
      run->Failed++;
    } else {
      if (entry.attributes & ~FILE_ATTRIBUTE_DIRECTORY) SetFileAttributesW(path.c_str(), entry.attributes);
      run->Extracted++;
      if (run->ListForDeletion) run->DeleteList.push_back(path);
    }
    if (!ArchiveSeek(next)) break;
  }
  RestoreFolderRecords(folders);
  FreeFixedTables();
  HeapFree(GetProcessHeap(), 0, buffer);
  return exitCode;
}
