// Sub-menu benchmark: folder menus of 1 000 and 10 000 files, sorted by name
// and by size, timed until the level is shown and until its builder is
// done (icons come after showing), next to a bare shell enumeration with
// display names and a bare FindFirstFileW loop over the same folder; and
// the longest gap in the window thread's message loop meanwhile, and the
// time until complete over a shell enumeration taken just before.
//   submenu_bench [rounds] [files...]   (default 3 rounds of 1000 and 10000;
//   the median is printed)
#include <shlobj.h>
#include <shlwapi.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/startup.h"
#include "render/skin.h"
#include "state.h"
#include "submenu/submenu.h"
#include "tools/bench.h"

static const UINT kDeferredIcons = 0x800000;

static std::wstring MakeFolder(const std::wstring& base, int files) {
  std::wstring dir = base + L"\\bench" + std::to_wstring(files);
  CreateDirectoryW(dir.c_str(), nullptr);
  for (int i = 0; i < files; ++i) {
    // Sizes out of name order, so that the two sorts differ.
    std::wstring f = dir + L"\\file" + std::to_wstring(i) + L".txt";
    HANDLE h = CreateFileW(f.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) continue;
    DWORD n = 0;
    char data[64] = {};
    WriteFile(h, data, (DWORD)((i * 37) % 64), &n, nullptr);
    CloseHandle(h);
  }
  return dir;
}

static void RemoveFolder(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (f != INVALID_HANDLE_VALUE) {
    do {
      if (fd.cFileName[0] != L'.') DeleteFileW((dir + L"\\" + fd.cFileName).c_str());
    } while (FindNextFileW(f, &fd));
    FindClose(f);
  }
  RemoveDirectoryW(dir.c_str());
}

static double BareFind(const std::wstring& dir) {
  double t = Now();
  int n = 0;
  WIN32_FIND_DATAW fd;
  HANDLE f = FindFirstFileW((dir + L"\\*.*").c_str(), &fd);
  if (f != INVALID_HANDLE_VALUE) {
    do n++;
    while (FindNextFileW(f, &fd));
    FindClose(f);
  }
  return n ? Now() - t : -1;
}

static double BareShell(const std::wstring& dir) {
  double t = Now();
  IShellFolder* desktop = nullptr;
  IShellFolder* sf = nullptr;
  LPITEMIDLIST pidl = nullptr;
  SHGetDesktopFolder(&desktop);
  if (!desktop || FAILED(desktop->ParseDisplayName(nullptr, nullptr, (LPWSTR)dir.c_str(), nullptr, &pidl, nullptr)) ||
      FAILED(desktop->BindToObject(pidl, nullptr, IID_IShellFolder, (void**)&sf)))
    return -1;
  IEnumIDList* en = nullptr;
  int n = 0;
  if (sf->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, &en) == S_OK) {
    LPITEMIDLIST child;
    while (en->Next(1, &child, nullptr) == S_OK) {
      STRRET sr;
      wchar_t name[260];
      if (SUCCEEDED(sf->GetDisplayNameOf(child, SHGDN_INFOLDER, &sr))) StrRetToBufW(&sr, child, name, 260);
      CoTaskMemFree(child);
      n++;
    }
    en->Release();
  }
  sf->Release();
  desktop->Release();
  CoTaskMemFree(pidl);
  return n ? Now() - t : -1;
}

struct MenuTimes {
  double Shown, Complete, LongestGap;
  int Items;
};

static MenuTimes TimeMenu(const std::wstring& dir, const wchar_t* options) {
  MenuTimes r = {-1, -1, 0, 0};
  double t = Now();
  if (!OpenSubMenu(3, (INT_PTR)dir.c_str(), options, POINT{50, 50}, 0)) return r;
  double last = Now();
  while (Now() - t < 120000) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    double now = Now();
    r.LongestGap = std::max(r.LongestGap, now - last);
    last = now;
    std::vector<SmLevelView> v = SnapshotSubMenus();
    if (r.Shown < 0 && v.size() == 1 && IsWindowVisible(v[0].Window) && !v[0].Names.empty()) {
      r.Shown = now - t;
      r.Items = (int)v[0].Names.size();
    }
    if (r.Shown >= 0 && !RunningSubMenuBuilders()) {
      r.Complete = now - t;
      break;
    }
    Sleep(1);
  }
  CloseSubMenus(0, 1);
  while (RunningSubMenuBuilders()) Sleep(5);
  return r;
}

static double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

int wmain(int argc, wchar_t** argv) {
  int rounds = argc > 1 ? _wtoi(argv[1]) : 3;
  if (rounds < 1) rounds = 1;
  OleInitialize(nullptr);
  SHGetMalloc(&g_App.Core.ShellMalloc);
  SHGetDesktopFolder(&g_App.Core.DesktopFolder);
  g_App.Instance = GetModuleHandleW(nullptr);
  SetClassicLook();
  ResetSettings();
  if (!RegisterWindowClasses(g_App.Instance)) {
    fprintf(stderr, "submenu_bench: window classes\n");
    return 1;
  }
  BindSubMenuOutlets(g_App.Instance);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring base = std::wstring(temp) + L"vn-submenu-bench";
  CreateDirectoryW(base.c_str(), nullptr);
  printf("rounds %d (median ms)\n", rounds);
  std::vector<int> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(_wtoi(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000};
  for (int files : sizes) {
    std::wstring dir = MakeFolder(base, files);
    std::vector<double> find, shell;
    for (int i = 0; i < rounds; ++i) {
      find.push_back(BareFind(dir));
      shell.push_back(BareShell(dir));
    }
    printf("%5d files: FindFirstFileW loop %8.1f, shell enumeration with names %8.1f\n", files, Median(find),
           Median(shell));
    fflush(stdout);
    for (UINT icons : {kDeferredIcons, 0u}) {
      g_App.Settings.Option1 = icons;
      for (const wchar_t* options : {L"", L"/ss"}) {
        std::vector<double> shown, done, gap, ratio;
        int items = 0;
        for (int i = 0; i < rounds; ++i) {
          // The machine's load changes from second to second: each menu is
          // set against a shell enumeration taken just before it.
          double bare = BareShell(dir);
          MenuTimes m = TimeMenu(dir, options);
          shown.push_back(m.Shown);
          done.push_back(m.Complete);
          gap.push_back(m.LongestGap);
          if (bare > 0 && m.Complete >= 0) ratio.push_back(m.Complete / bare);
          items = m.Items;
        }
        printf("  by %-4s icons %-8s: shown %8.1f, complete %8.1f (%.2fx the shell just before), longest loop gap "
               "%6.1f, items %d\n",
               *options ? "size" : "name", icons ? "deferred" : "at once", Median(shown), Median(done), Median(ratio),
               Median(gap), items);
        fflush(stdout);
      }
    }
    RemoveFolder(dir);
  }
  RemoveDirectoryW(base.c_str());
  return 0;
}
