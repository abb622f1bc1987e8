// Times the icon cache: writing and reading VnIcons.bin for 100 pages of
// buttons with a 32 and a 16 pixel icon each, and what the first drawing
// of one page then costs (its icons are made from the cache on first use).
//   iconcache_bench [icons...]       (default: 1000 10000)
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include "core/iteminfo.h"
#include "state.h"
#include "render/iconcache.h"
#include "store/items.h"
#include "store/lists.h"
#include "tools/bench.h"

static const int kPages = 100;

static int CountIcons(int perPage) {
  int icons = 0;
  for (int p = 0; p < kPages; p++)
    for (int i = 0; i < perPage; i++) {
      ButtonInfo* b = GetItem(p, i);
      icons += (b->Icon[0] != nullptr) + (b->Icon[1] != nullptr);
    }
  return icons;
}

static void Run(const wchar_t* dir, int icons) {
  int perPage = icons / 2 / kPages;
  if (perPage < 1) perPage = 1;
  ClearItemStore();
  for (int p = 0; p < kPages; p++) AddPage(L"P");
  double start = Now();
  for (int p = 0; p < kPages; p++)
    for (int i = 0; i < perPage; i++) {
      NewButtonTemplate t{};
      t.Button.Type = IT_PROGRAM;
      t.Control = NBT_KEEP_FIELDS;
      ButtonInfo* b = AddButton(&t, p);
      int n = p * perPage + i;
      b->Icon[0] = MakeIcon(32, n);
      b->Icon[1] = MakeIcon(16, n + 7);
    }
  double made = Now() - start;
  lstrcpyW(g_App.DataFolderPath, dir);
  start = Now();
  int saved = SaveIconCache(0);
  double save = Now() - start;
  wchar_t path[MAX_PATH];
  wsprintfW(path, L"%s\\%s", dir, kIconCacheName);
  WIN32_FILE_ATTRIBUTE_DATA info = {};
  GetFileAttributesExW(path, GetFileExInfoStandard, &info);
  // A start reads the cache into buttons that have no icons yet.
  start = Now();
  for (int p = 0; p < kPages; p++)
    for (int i = 0; i < perPage; i++) {
      ButtonInfo* b = GetItem(p, i);
      for (HICON& icon : b->Icon) icon = (DestroyIcon(icon), nullptr);
    }
  double dropped = Now() - start;
  start = Now();
  int loaded = LoadIconCache();
  double load = Now() - start;
  int present = CountIcons(perPage);
  printf("%d icons (%d pages x %d buttons, 32 and 16 px), %lu bytes\n", 2 * perPage * kPages, kPages, perPage,
         info.nFileSizeLow);
  printf("  CreateIconIndirect of all: %8.1f ms (%.3f ms each)\n", made, made / (2 * perPage * kPages));
  printf("  SaveIconCache(0):          %8.1f ms (%s)\n", save, saved ? "written" : "FAILED");
  printf("  DestroyIcon of all:        %8.1f ms\n", dropped);
  printf("  LoadIconCache():           %8.1f ms (%s, %d icons made at once)\n", load, loaded ? "read" : "FAILED",
         present);
  start = Now();
  saved = SaveIconCache(0);
  printf("  SaveIconCache(0) after load: %6.1f ms (%s)\n", Now() - start, saved ? "written" : "FAILED");
  // What drawing the first page asks for: its icons of one view mode.
  start = Now();
  for (int i = 0; i < perPage; i++) MakeCachedIcons(GetItem(0, i), 0);
  double page = Now() - start;
  start = Now();
  for (int p = 0; p < kPages; p++)
    for (int i = 0; i < perPage; i++) MakeCachedIcons(GetItem(p, i), -1);
  double rest = Now() - start;
  printf("  first page's icons made:   %8.1f ms; all the others: %.1f ms (%d icons)\n", page, rest,
         CountIcons(perPage));
  // A damaged copy is refused at once.
  HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  LONG zero = 0;
  DWORD wrote = 0;
  SetFilePointer(f, 12, nullptr, FILE_BEGIN);
  WriteFile(f, &zero, 4, &wrote, nullptr);
  CloseHandle(f);
  start = Now();
  loaded = LoadIconCache();
  printf("  damaged cache (block size 0): %s in %.1f ms\n", loaded ? "ACCEPTED" : "refused", Now() - start);
  DeleteFileW(path);
  ClearItemStore();
}

int wmain(int argc, wchar_t** argv) {
  wchar_t temp[MAX_PATH], dir[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  wsprintfW(dir, L"%sVnIconBench%lu", temp, GetCurrentProcessId());
  CreateDirectoryW(dir, nullptr);
  for (ViewModeDesign& d : g_App.Design.ViewMode) d.IconSizeGet = 32;
  if (argc < 2) {
    Run(dir, 1000);
    Run(dir, 10000);
  }
  for (int i = 1; i < argc; i++) Run(dir, _wtoi(argv[i]));
  RemoveDirectoryW(dir);
  return 0;
}
