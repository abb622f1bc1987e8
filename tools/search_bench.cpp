// Search benchmark: 100 pages of 100 buttons and 100 child menus of 50
// buttons; time from a keystroke (the worker's start) to the complete,
// ordered result list taken on the window's thread, for texts of one, two
// and five characters, plus the bare scan without the thread.
//   search_bench [rounds]   (default 50; median and worst are printed)
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialogs/dialoghelpers.h"
#include "core/hookbind.h"
#include "state.h"
#include "store/items.h"
#include "store/lists.h"
#include "store/outlets.h"
#include "submenu/search.h"
#include "tools/bench.h"

static const wchar_t* const kWords[] = {L"Word",  L"Spreadsheet", L"Paint",  L"Notepad", L"Calculator", L"Mail",
                                        L"Photo", L"Music",       L"Video",  L"Terminal", L"Code",      L"Chat",
                                        L"Game",  L"Maps",        L"Clock",  L"Backup",  L"Browser",    L"Café"};
static const int kWordCount = sizeof kWords / sizeof kWords[0];

static void AddNamed(int list, const std::wstring& name, int i, UINT type) {
  NewButtonTemplate t{};
  t.Button.Type = type;
  t.Button.Name = StoreDupString(name.c_str());
  t.Button.Position[0] = t.Button.Position[1] = ItemPos{i % 10, i / 10};
  t.Control = NBT_KEEP_FIELDS;
  if (!AddButton(&t, list)) StoreFree(t.Button.Name);
}

static std::wstring NameOf(int list, int i) {
  return std::wstring(kWords[(list * 7 + i) % kWordCount]) + L" " + kWords[(i * 5 + list) % kWordCount] + L" " +
         std::to_wstring(list) + L"-" + std::to_wstring(i);
}

static void MakeStore() {
  for (ViewModeDesign& d : g_App.Design.ViewMode) {
    d.ButtonNumX = 10;
    d.ButtonNumY = 11;
  }
  for (int p = 0; p < 100; p++) {
    AddPage((L"Page " + std::to_wstring(p)).c_str());
    for (int i = 0; i < 100; i++) AddNamed(p, NameOf(p, i), i, 1);
    AddNamed(p, L"Menu " + std::to_wstring(p), 100, IT_CHILDMENU);
  }
  for (int m = 0; m < g_App.Store.SubMenuCount; m++)
    for (int i = 0; i < 50; i++) AddNamed(LIST_SUBMENU | m, NameOf(1000 + m, i), i, 1);
}

static double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int wmain(int argc, wchar_t** argv) {
  int rounds = argc > 1 ? _wtoi(argv[1]) : 50;
  if (rounds < 1) rounds = 1;
  g_DialogSeams.MessageBoxFn = [](HWND, int, const wchar_t*, const wchar_t*, UINT) { return IDOK; };
  g_StoreOutlets.StopSearch = PauseSearchForStoreChange;
  MakeStore();
  int buttons = 0;
  for (int p = 0; p < g_App.Store.PageCount; p++) buttons += GetItemCount(p);
  for (int m = 0; m < g_App.Store.SubMenuCount; m++) buttons += GetItemCount(LIST_SUBMENU | m);
  printf("store: %d pages, %d child menus, %d buttons\n", g_App.Store.PageCount, g_App.Store.SubMenuCount, buttons);

  HWND notify = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  const wchar_t* const texts[] = {L"a", L"ca", L"music"};
  SearchResults shown{};
  for (const wchar_t* text : texts) {
    std::vector<double> full, bare;
    int hits = 0;
    for (int r = 0; r < rounds; r++) {
      double t0 = Now();
      SearchResults plain{};
      CollectSearchResults(text, 0, 0, 0, nullptr, &plain);
      bare.push_back(Now() - t0);
      FreeSearchResults(&plain);

      t0 = Now();
      if (!StartSearchWorker(text, notify)) return 1;
      MSG m;
      while (GetMessageW(&m, notify, 0, 0) > 0 && m.message != WMA_WORKERDONE) {
      }
      TakeSearchResults(&shown);
      full.push_back(Now() - t0);
      hits = shown.Count;
    }
    printf("text \"%ls\" (%d chars): %d hits; keystroke to list median %.2f ms, worst %.2f ms; bare scan median %.2f ms\n",
           text, (int)wcslen(text), hits, Median(full), *std::max_element(full.begin(), full.end()), Median(bare));
  }
  FreeSearchResults(&shown);
  DestroyWindow(notify);
  return 0;
}
