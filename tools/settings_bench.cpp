// settings_bench: times reading and writing a settings file of 100 pages of
// 100 buttons each, every text field filled: once with texts of everyday
// length, once with long ones.
//   settings_bench [rounds]
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "store/ini.h"
#include "store/items.h"
#include "store/paths.h"
#include "store/lists.h"
#include "store/settings.h"
#include "tools/ini_sample.h"

static int PrintMessage(HWND, int id, const wchar_t*, const wchar_t*, UINT) {
  printf("message %d\n", id);
  return IDOK;
}

static bool g_Long;

static wchar_t* Text(const wchar_t* what, int p, int i) {
  wchar_t buf[256];
  if (g_Long)
    wsprintfW(buf, L"%s of button %d on page %d [with a bracket] and some more words", what, i, p);
  else
    wsprintfW(buf, L"%s %d-%d", what, p, i);
  return StoreDupString(buf);
}

static bool FillStore(int pages, int perPage) {
  ItemStore& st = g_App.Store;
  ClearItemStore();
  st.Pages = static_cast<PageInfo*>(StoreAlloc(pages * sizeof(PageInfo)));
  st.PageButtons = static_cast<ButtonInfo***>(StoreAlloc(pages * sizeof(ButtonInfo**)));
  if (!st.Pages || !st.PageButtons) return false;
  st.PageCount = pages;
  for (int p = 0; p < pages; p++) {
    st.Pages[p].Name = Text(L"Page", p, 0);
    st.PageButtons[p] = static_cast<ButtonInfo**>(StoreAlloc(perPage * sizeof(ButtonInfo*)));
    if (!st.PageButtons[p]) return false;
    for (int i = 0; i < perPage; i++) {
      ButtonInfo* b = static_cast<ButtonInfo*>(StoreAlloc(sizeof(ButtonInfo)));
      if (!b) return false;
      b->List = p;
      b->Index = i;
      b->Type = 1;
      b->Name = Text(L"Button", p, i);
      b->File = Text(L"C:\\Program Files\\Vendor\\Program\\program.exe", p, i);
      b->Parameter = Text(L"/x --y", p, i);
      b->Directory = Text(L"C:\\Program Files\\Vendor", p, i);
      b->Tip = Text(L"Starts the program", p, i);
      b->RehookTrigger = Text(L"helper.exe", p, i);
      b->IconFile = Text(L"C:\\Icons\\icon.ico", p, i);
      b->OverlayIcon = Text(L"C:\\Icons\\overlay.ico", p, i);
      b->TargetProgram = Text(L"program.exe", p, i);
      b->Position[0] = b->Position[1] = ItemPos{i % 10, i / 10};
      b->Keyboard = 0x241;
      st.PageButtons[p][i] = b;
      st.Pages[p].Count++;
    }
  }
  return true;
}

static double Ms(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f) {
  return (b.QuadPart - a.QuadPart) * 1000.0 / f.QuadPart;
}

static int Run(const wchar_t* folder, int rounds) {
  ResetSettings();
  lstrcpyW(g_App.LangFile, L"Japanese");
  g_App.Settings.Version = GetModuleVersion(nullptr);
  if (!FillStore(100, 100) || !WriteSettings(nullptr, 0)) return printf("setting up failed\n"), 1;

  wchar_t path[MAX_PATH];
  wsprintfW(path, L"%s\\Vantrel.ini", folder);
  WIN32_FILE_ATTRIBUTE_DATA info;
  GetFileAttributesExW(path, GetFileExInfoStandard, &info);
  printf("%s texts: %lu bytes, 100 pages x 100 buttons\n", g_Long ? "long" : "everyday", info.nFileSizeLow);

  LARGE_INTEGER f, a, b;
  QueryPerformanceFrequency(&f);
  std::vector<double> reads, writes, pages;
  int buttons = 0;
  std::vector<double> files, clears;
  for (int r = 0; r < rounds; r++) {
    wchar_t* text = nullptr;
    QueryPerformanceCounter(&a);
    ReadSettingsFile(nullptr, &text, 0);
    QueryPerformanceCounter(&b);
    files.push_back(Ms(a, b, f));
    HeapFree(GetProcessHeap(), 0, text);
    // A start reads into an empty store.
    QueryPerformanceCounter(&a);
    ClearItemStore();
    QueryPerformanceCounter(&b);
    clears.push_back(Ms(a, b, f));
    QueryPerformanceCounter(&a);
    int ok = ReadSettings();
    QueryPerformanceCounter(&b);
    reads.push_back(Ms(a, b, f));
    if (!ok) return printf("read failed\n"), 1;
    buttons = 0;
    for (int p = 0; p < g_App.Store.PageCount; p++) buttons += g_App.Store.Pages[p].Count;
    QueryPerformanceCounter(&a);
    ok = WriteSettings(nullptr, 0);
    QueryPerformanceCounter(&b);
    writes.push_back(Ms(a, b, f));
    if (!ok) return printf("write failed\n"), 1;
    QueryPerformanceCounter(&a);
    ok = SavePages(nullptr);
    QueryPerformanceCounter(&b);
    pages.push_back(Ms(a, b, f));
    if (!ok) return printf("save pages failed\n"), 1;
  }
  printf("buttons read back: %d\n", buttons);
  auto report = [](const char* what, std::vector<double> v) {
    std::sort(v.begin(), v.end());
    printf("  %-13s min %7.2f ms  median %7.2f ms  max %7.2f ms\n", what, v.front(), v[v.size() / 2], v.back());
  };
  report("ReadSettings", reads);
  report("  file alone", files);
  report("ClearItemStore", clears);
  report("WriteSettings", writes);
  report("SavePages", pages);
  return 0;
}

// The INI writer alone: 10 000 button sections of 20 keys each.
static void TimeIniWriter(const wchar_t* folder, int rounds) {
  wchar_t path[MAX_PATH];
  wsprintfW(path, L"%s\\writer.ini", folder);
  LARGE_INTEGER f, a, b;
  QueryPerformanceFrequency(&f);
  std::vector<double> times;
  for (int r = 0; r < rounds; r++) {
    QueryPerformanceCounter(&a);
    IniFile file;
    int ok = OpenIniFile(&file, path);
    if (ok) {
      ok = WriteSampleButtons(&file, 10000);
      ok &= CloseIniFile(&file, ok);
    }
    QueryPerformanceCounter(&b);
    if (!ok) {
      printf("INI writer failed\n");
      return;
    }
    times.push_back(Ms(a, b, f));
  }
  std::sort(times.begin(), times.end());
  printf("INI writer, 10000 sections x 20 keys: min %7.2f ms  median %7.2f ms  max %7.2f ms\n", times.front(),
         times[times.size() / 2], times.back());
  DeleteFileW(path);
}

int wmain(int argc, wchar_t** argv) {
  int rounds = argc > 1 ? _wtoi(argv[1]) : 5;
  if (rounds < 1) rounds = 1;
  wchar_t temp[MAX_PATH], folder[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  wsprintfW(folder, L"%svnbench%lu", temp, GetCurrentProcessId());
  CreateDirectoryW(folder, nullptr);
  lstrcpynW(g_App.DataFolderPath, folder, ARRAYSIZE(g_App.DataFolderPath));
  g_App.Instance = GetModuleHandleW(nullptr);
  g_DialogSeams.MessageBoxFn = PrintMessage;

  TimeIniWriter(folder, rounds);
  int rc = Run(folder, rounds);
  g_Long = true;
  if (!rc) rc = Run(folder, rounds);

  ClearItemStore();
  ResetSettings();
  for (const wchar_t* name : {L"Vantrel.ini", L"Design.ini"}) {
    wchar_t path[MAX_PATH];
    wsprintfW(path, L"%s\\%s", folder, name);
    DeleteFileW(path);
  }
  RemoveDirectoryW(folder);
  return rc;
}
