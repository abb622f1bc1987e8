// Package reader benchmark: the best of three extractions of an archive's
// first entry to NUL, in MB/s of uncompressed bytes, with its result code.
//   package_bench <archive> [password] ...   (each archive, then its password or -)
// tools/package-bench.sh makes the 200 MB archives and runs the native
// tools on them in the same run.
#include <stdio.h>
#include <string.h>

#include "package/decrypt.h"
#include "package/deflate64.h"
#include "package/pipeline.h"
#include "package/stream.h"
#include "package/zipread.h"
#include "tools/bench.h"

static uint8_t g_Window[1024];
static uint8_t g_Buffer[kWorkBufferBytes];
static ZipEntry g_Entry;

// Milliseconds for one extraction, -1 when the entry failed.
static double ExtractFirst(const wchar_t* path, const char* password, uint64_t* bytes, int* result) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  HANDLE out = CreateFileW(L"NUL", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  double start = Now();
  g_Sfx.ExtractAbortCode = ABORT_NONE;
  MakeCrcTable();
  AttachArchive(file);
  *result = -1;
  if (OpenZipArchive(ArchiveSize()) && FindNextLocalHeader(&g_Entry, g_Window) &&
      CheckZipPassword((g_Entry.flags & 1) ? password : nullptr, &g_Entry)) {
    *bytes = g_Entry.uncompressedSize;
    *result = ExtractEntry(&g_Entry, out, g_Buffer);
  }
  double ms = Now() - start;
  g_Sfx.DecryptOn = false;
  g_Sfx.AesDataLength = 0;
  FreeFixedTables();
  DetachArchive();
  CloseHandle(out);
  CloseHandle(file);
  return *result == ENTRY_OK ? ms : -1;
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: package_bench <archive> <password or -> ...\n");
    return 2;
  }
  int failed = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    char password[kMaxPasswordBytes + 1] = {};
    if (wcscmp(argv[i + 1], L"-") != 0)
      WideCharToMultiByte(CP_ACP, 0, argv[i + 1], -1, password, sizeof password - 1, nullptr, nullptr);
    double best = -1;
    uint64_t bytes = 0;
    int result = 0;
    for (int round = 0; round < 3; round++) {
      double ms = ExtractFirst(argv[i], password[0] ? password : nullptr, &bytes, &result);
      if (ms < 0) break;
      if (best < 0 || ms < best) best = ms;
    }
    char name[MAX_PATH];
    WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, name, sizeof name, nullptr, nullptr);
    const char* base = name;
    for (const char* p = name; *p; p++)
      if (*p == '\\' || *p == '/') base = p + 1;
    if (best < 0) {
      printf("%-28s failed (result %d)\n", base, result);
      failed = 1;
      continue;
    }
    printf("%-28s %8.1f MB in %8.1f ms  %7.1f MB/s\n", base, bytes / 1e6, best, bytes / 1e3 / best);
  }
  return failed;
}
