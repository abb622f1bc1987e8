// vnsettings: loads, saves, exports and backs up the settings of a data
// folder from the command line, and selects a skin as the options page
// does. Message boxes print their string id instead.
//   vnsettings <data folder> <command> [argument] [<command> ...]
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include "state.h"
#include "core/startup.h"
#include "dialogs/dialoghelpers.h"
#include "render/design.h"
#include "render/image.h"
#include "render/layout.h"
#include "render/skinsel.h"
#include "render/skinxml.h"
#include "render/skinzip.h"
#include "store/backup.h"
#include "store/datafolder.h"
#include "store/designfile.h"
#include "store/items.h"
#include "store/settings.h"

static int PrintMessage(HWND, int id, const wchar_t*, const wchar_t*, UINT) {
  printf("message %d\n", id);
  return IDOK;
}

static UINT g_Day;
static UINT GivenDay() { return g_Day; }

static void Usage() {
  printf(
      "usage: vnsettings <data folder> <command> [argument] ...\n"
      "  load                 read the settings (a first run when there are none)\n"
      "  save                 write Vantrel.ini and Design.ini\n"
      "  savepages            rewrite the page and child-menu sections only\n"
      "  export <file>        write the settings followed by the design to file\n"
      "  exportdesign <file>  write the design to file\n"
      "  backup [day]         run the automatic backup check (day: days since 1601)\n"
      "  skin <name>          select a skin as the options page does and write Design.ini:\n"
      "                       '\\Name' the folder Skins\\Name, 'Name.zip' (or 'Name') the\n"
      "                       archive, '' the classic look\n"
      "  summary              print what is loaded\n"
      "Commands run in order; the first one that fails ends the run (exit code 1).\n");
}

static void Summary() {
  const SettingsState& s = g_App.Settings;
  const ItemStore& st = g_App.Store;
  int buttons = 0;
  for (int p = 0; p < st.PageCount; p++) buttons += st.Pages[p].Count;
  int menuButtons = 0;
  for (int m = 0; m < st.SubMenuCount; m++) menuButtons += st.SubMenus[m].Count;
  printf("version %08x\npages %d\nbuttons %d\nchild menus %d\nchild-menu buttons %d\nhot keys %d\n", s.Version,
         st.PageCount, buttons, st.SubMenuCount, menuButtons, st.Refs.HotKeys.Count);
  printf("last backup %u\nbackup cycle %d\n", s.LastBackup, s.BackupCycle);
}

static int Exists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }
static int IsFolder(const wchar_t* path) {
  DWORD a = GetFileAttributesW(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// What the launcher has in place before it reads a skin: the layered-window
// functions (no skin without them), GDI+ for the tab texts the layout
// measures, and the screen's DPI for the fonts.
static void PrepareLook() {
  static int ready;
  if (ready) return;
  ready = 1;
  BindOptionalFunctions();
  Gdiplus::GdiplusStartupInput in;
  ULONG_PTR token;
  Gdiplus::GdiplusStartup(&token, &in, nullptr);
  g_App.Design.Dpi = GetWindowDpi(nullptr, MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
}

// Why a named skin did not load, for the user who typed its name.
static void ExplainFailedSkin(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  if (!g_App.Api.UpdateLayeredWindow) {
    printf("skins need layered windows, which this system lacks\n");
  } else if (!IsSkinName(name) || !BuildSkinFilePath(name, nullptr, path, MAX_PATH - 4)) {
    printf("\"%ls\" is no skin name: a folder in Skins is named '\\Name', an archive 'Name.zip'\n", name);
  } else {
    int found = name[0] == L'\\' ? IsFolder(path) : Exists(path) || Exists(wcscat(path, L".zip"));
    if (!found)
      printf("no skin \"%ls\" in the Skins folder beside the program\n", name);
    else
      printf("the skin \"%ls\" is broken (its skin.xml or an image cannot be read)\n", name);
  }
  printf("the classic look is selected\n");
}

// The options page's selection: the look shown now (as start-up loads it)
// keeps its design in its own design file, the new skin is selected (its
// design file read, or on a first selection the skin's fonts and colours
// taken), and Design.ini is written. 0 when a named skin did not load.
static int ChooseSkin(const wchar_t* name) {
  PrepareLook();
  LoadSkin(0);
  SyncViewModeDesign(-1);
  wchar_t path[MAX_PATH];
  if (!GetDesignFilePath(path, nullptr) || !WriteDesign(nullptr, path)) {
    printf("cannot write the design of the current look to %ls\n", path[0] ? path : L"its design file");
    return 0;
  }
  int hadDesign = GetDesignFilePath(path, name) && Exists(path);
  int loaded = SelectSkin(name);
  int written = WriteDesign(nullptr, nullptr);
  if (name[0] && !loaded) {
    ExplainFailedSkin(name);
    return 0;
  }
  if (!name[0])
    printf("the classic look is selected\n");
  else
    printf("the skin \"%ls\" is selected with %s\n", name,
           hadDesign ? "the design of its design file" : "its own fonts and colours (first selection)");
  return written;
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    Usage();
    return 2;
  }
  wchar_t folder[MAX_PATH];
  DWORD n = GetFullPathNameW(argv[1], MAX_PATH, folder, nullptr);
  if (!n || n >= MAX_PATH || !(GetFileAttributesW(folder) & FILE_ATTRIBUTE_DIRECTORY) ||
      GetFileAttributesW(folder) == INVALID_FILE_ATTRIBUTES) {
    fprintf(stderr, "not a folder: %ls\n", argv[1]);
    return 2;
  }
  size_t len = wcslen(folder);
  if (len > 3 && folder[len - 1] == L'\\') folder[len - 1] = 0;
  lstrcpynW(g_App.DataFolderPath, folder, ARRAYSIZE(g_App.DataFolderPath));
  g_App.Instance = GetModuleHandleW(nullptr);
  g_DialogSeams.MessageBoxFn = PrintMessage;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

  bool loaded = false;
  int ok = 1;
  for (int i = 2; i < argc; i++) {
    const wchar_t* cmd = argv[i];
    const wchar_t* arg = i + 1 < argc ? argv[i + 1] : nullptr;
    if (wcscmp(cmd, L"load") && !loaded) {
      if (!ReadSettings()) return printf("load failed\n"), 1;
      loaded = true;
    }
    ok = 1;
    if (!wcscmp(cmd, L"load")) {
      ok = ReadSettings();
      loaded = true;
    } else if (!wcscmp(cmd, L"save")) {
      ok = WriteSettings(nullptr, 0);
    } else if (!wcscmp(cmd, L"savepages")) {
      ok = SavePages(nullptr);
    } else if (!wcscmp(cmd, L"export") || !wcscmp(cmd, L"exportdesign")) {
      if (!arg) return Usage(), 2;
      wchar_t path[MAX_PATH];
      if (!GetFullPathNameW(arg, MAX_PATH, path, nullptr)) return Usage(), 2;
      ok = ExportSettingsTo(path, wcscmp(cmd, L"export") ? EXPORT_DESIGN : EXPORT_SETTINGS);
      i++;
    } else if (!wcscmp(cmd, L"backup")) {
      if (arg && iswdigit(arg[0])) {
        g_Day = static_cast<UINT>(wcstoul(arg, nullptr, 10));
        g_BackupSeams.Today = GivenDay;
        i++;
      }
      ok = AutoBackupSettings();
      printf("backup %s\n", ok ? "written" : "not due or not possible");
      ok = 1;
    } else if (!wcscmp(cmd, L"skin")) {
      if (!arg) return Usage(), 2;
      ok = ChooseSkin(arg);
      i++;
    } else if (!wcscmp(cmd, L"summary")) {
      Summary();
    } else {
      Usage();
      return 2;
    }
    printf("%ls %s\n", cmd, ok ? "ok" : "failed");
    if (!ok) break;
  }
  // Nothing of a skin is held beyond the run.
  FreeSlotBitmaps();
  CloseSkinArchive();
  return ok ? 0 : 1;
}
