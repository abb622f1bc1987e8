// Times the classification of 10 000 targets (files, folders, URLs,
// shortcuts, Internet shortcuts); iconcache_bench times the icon cache.
//   wine iteminfo_bench.exe
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <stdio.h>

#include "core/iteminfo.h"
#include "state.h"
#include "store/items.h"
#include "store/lists.h"
#include "tools/bench.h"

static wchar_t g_Dir[MAX_PATH];

static void PathIn(wchar_t* out, const wchar_t* name, int n) { wsprintfW(out, L"%s\\%s%d", g_Dir, name, n); }

static void WriteText(const wchar_t* path, const char* text) {
  HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD wrote;
  WriteFile(f, text, lstrlenA(text), &wrote, nullptr);
  CloseHandle(f);
}

static bool MakeShortcut(const wchar_t* lnk, const wchar_t* target) {
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link)) &&
            SUCCEEDED(link->SetPath(target)) && SUCCEEDED(link->SetArguments(L"-x")) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file)) && SUCCEEDED(file->Save(lnk, TRUE));
  if (file) file->Release();
  if (link) link->Release();
  return ok;
}

static const int kKinds = 6;
static const wchar_t* const kKindNames[kKinds] = {L"program", L"document", L"folder", L"URL", L"shortcut", L"Internet shortcut"};

// 100 targets of every kind in the temporary folder.
static void MakeTargets() {
  wchar_t path[MAX_PATH], other[MAX_PATH];
  for (int i = 0; i < 100; i++) {
    PathIn(path, L"prog", i);
    lstrcatW(path, L".exe");
    WriteText(path, "MZ");
    PathIn(path, L"doc", i);
    lstrcatW(path, L".txt");
    WriteText(path, "text");
    PathIn(path, L"folder", i);
    CreateDirectoryW(path, nullptr);
    PathIn(path, L"link", i);
    lstrcatW(path, L".lnk");
    PathIn(other, L"prog", i);
    lstrcatW(other, L".exe");
    if (!MakeShortcut(path, other)) printf("shortcut %d not made\n", i);
    PathIn(path, L"site", i);
    lstrcatW(path, L".url");
    WriteText(path, "[InternetShortcut]\r\nURL=http://example.com/\r\nHotKey=1601\r\n");
  }
}

static void TargetOf(int n, wchar_t* out) {
  int i = (n / kKinds) % 100;
  switch (n % kKinds) {
    case 0: PathIn(out, L"prog", i); lstrcatW(out, L".exe"); break;
    case 1: PathIn(out, L"doc", i); lstrcatW(out, L".txt"); break;
    case 2: PathIn(out, L"folder", i); break;
    case 3: wsprintfW(out, L"http://example.com/page%d", n); break;
    case 4: PathIn(out, L"link", i); lstrcatW(out, L".lnk"); break;
    default: PathIn(out, L"site", i); lstrcatW(out, L".url"); break;
  }
}

static ButtonInfo* AddTarget(int list, int n) {
  wchar_t target[MAX_PATH];
  TargetOf(n, target);
  NewButtonTemplate t{};
  t.Button.File = StoreDupString(target);
  t.Button.Name = StoreDupString(L"b");
  t.Control = NBT_KEEP_FIELDS;
  return AddButton(&t, list);
}

static void ClassifyAll(int mode, const wchar_t* what, int targets) {
  ClearItemStore();
  for (int p = 0; p < 10; p++) AddPage(L"P");
  for (int n = 0; n < targets; n++) AddTarget(n / 1000, n);
  double perKind[kKinds] = {};
  int types[kKinds] = {};
  double start = Now();
  for (int n = 0; n < targets; n++) {
    ButtonInfo* b = GetItem(n / 1000, n % 1000);
    double t = Now();
    ClassifyItemTarget(b, mode);
    perKind[n % kKinds] += Now() - t;
    types[n % kKinds] = ItemTypeOf(b->Type);
  }
  double total = Now() - start;
  printf("classify %d targets, %ls: %.0f ms (%.3f ms each)\n", targets, what, total, total / targets);
  for (int k = 0; k < kKinds; k++)
    printf("  %-18ls type %d  %.3f ms each\n", kKindNames[k], types[k], perKind[k] / ((double)targets / kKinds));
}

static void RemoveTargets() {
  wchar_t path[MAX_PATH];
  for (int i = 0; i < 100; i++) {
    const wchar_t* files[] = {L"prog", L"doc", L"link", L"site"};
    const wchar_t* exts[] = {L".exe", L".txt", L".lnk", L".url"};
    for (int k = 0; k < 4; k++) {
      PathIn(path, files[k], i);
      lstrcatW(path, exts[k]);
      DeleteFileW(path);
    }
    PathIn(path, L"folder", i);
    RemoveDirectoryW(path);
  }
  RemoveDirectoryW(g_Dir);
}

int wmain() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  wsprintfW(g_Dir, L"%sVnItemBench%lu", temp, GetCurrentProcessId());
  CreateDirectoryW(g_Dir, nullptr);
  for (ViewModeDesign& d : g_App.Design.ViewMode) d.IconSizeGet = 32;
  MakeTargets();
  ClassifyAll(CIT_DEFAULTS | CIT_RESOLVE, L"defaults, shortcuts resolved", 10000);
  // Loading icons asks the shell for each one: a smaller run.
  ClassifyAll(CIT_DEFAULTS | CIT_ICONS | CIT_RESOLVE, L"defaults, shortcuts resolved, icons loaded", 1200);
  ClearItemStore();
  RemoveTargets();
  CoUninitialize();
  return 0;
}
