// Opens every dialog and every options page and saves a picture of each as
// a BMP in one folder, for people to look at (tools/dialog-shots.sh runs it
// under Xvfb at 96 and 144 DPI and turns the pictures into PNG).
//   dialog_shots <out folder>
// Settings live in a temporary data folder that is removed afterwards.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <stdio.h>

#include <functional>
#include <string>

#include "core/winhelpers.h"
#include "dialogs/about.h"
#include "dialogs/hotkeylist.h"
#include "dialogs/edgerange.h"
#include "dialogs/initialpage.h"
#include "dialogs/langdialog.h"
#include "dialogs/options.h"
#include "state.h"
#include "store/hotkeys.h"
#include "store/lists.h"
#include "store/settings.h"

static std::wstring g_Out;
static std::function<void(HWND)> g_Action;

static void Pump(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  while ((int)(end - GetTickCount()) > 0) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    Sleep(10);
  }
}

// Asks tools/dialog-shots.sh for a picture of the window: it takes it from
// the X screen (a copy made in this process misses what Wine has not yet
// flushed there) and removes the request when done.
static void Capture(HWND window, const wchar_t* name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(400);
  RECT r;
  GetWindowRect(window, &r);
  std::wstring request = g_Out + L"\\" + name + L".req";
  FILE* f = _wfopen(request.c_str(), L"w");
  if (!f) return;
  fprintf(f, "%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
  fclose(f);
  for (int i = 0; i < 200 && GetFileAttributesW(request.c_str()) != INVALID_FILE_ATTRIBUTES; i++) Pump(50);
}

static HWND g_Dialog;

// Runs once the dialog's own loop has shown and painted it.
static void CALLBACK Act(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  std::function<void(HWND)> action = std::move(g_Action);
  action(g_Dialog);
}

static void CALLBACK Drive(HWND, UINT, UINT_PTR id, DWORD) {
  HWND top = GetTopOpenDialog();
  if (!top || !IsWindowVisible(top)) return;
  KillTimer(nullptr, id);
  g_Dialog = top;
  SetWindowPos(top, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
  SetTimer(nullptr, 0, 700, Act);
}

static void WhenOpen(std::function<void(HWND)> action) {
  g_Action = std::move(action);
  SetTimer(nullptr, 0, 50, Drive);
}

static void MakeSample() {
  ResetSettings();
  AddPage(L"Main");
  AddPage(L"Tools");
  AddPage(L"Games");
  References& r = g_App.Store.Refs;
  r.MousePlaceMask[2] = (1u << 0) | (1u << 9);
  r.MouseTargets[2][0] = MouseTarget{LIST_NONE, LIST_NONE};
  r.MouseTargets[2][9] = MouseTarget{LIST_NONE, 1};
  r.EdgeAssignment[0] = 0xFFFF0001u;
  r.Circle[0] = CircleGestureSettings{1, 7, 400, 10, LIST_NONE, 1};
  NewButtonTemplate t{};
  t.Button.Type = 1;
  t.Button.Name = StoreDupString(L"Notepad");
  t.Button.Position[0] = t.Button.Position[1] = ItemPos{2, 1};
  t.Control = NBT_KEEP_FIELDS;
  if (AddButton(&t, 1)) SetHotKey(0x24E, 1, 0, 1);
  else StoreFree(t.Button.Name);
  if (r.HotKeys.Rows) r.HotKeys.Rows[0] = HotKeyEntry{0x856, 0xFFFF, 0};
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: dialog_shots <out folder>\n");
    return 2;
  }
  g_Out = argv[1];
  CreateDirectoryW(g_Out.c_str(), nullptr);
  g_App.Instance = GetModuleHandleW(nullptr);
  g_App.UiStateFlags = UIS_AUTOHIDE_ALLOWED;
  lstrcpynW(g_App.LangFile, L"English.dll", 260);
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring data = std::wstring(temp) + L"vn-dialog-shots";
  CreateDirectoryW(data.c_str(), nullptr);
  lstrcpynW(g_App.DataFolderPath, data.c_str(), 260);
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);
  MakeSample();

  static const wchar_t* const kPageNames[kOptionsPageCount] = {
      L"options-00-clicks",   L"options-01-edges",   L"options-02-circles",  L"options-03-keyboard",
      L"options-04-mouse",    L"options-05-folders", L"options-06-menus",    L"options-07-events",
      L"options-08-disabling", L"options-09-plugins", L"options-10-display", L"options-11-skins",
      L"options-12-design1",  L"options-13-design2", L"options-14-pages",    L"options-15-other"};
  WhenOpen([](HWND sheet) {
    for (int i = 0; i < kOptionsPageCount; i++) {
      SendMessageW(sheet, PSM_SETCURSEL, (WPARAM)i, 0);
      Capture(sheet, kPageNames[i]);
    }
    HWND page = (HWND)SendMessageW(sheet, PSM_INDEXTOHWND, 0, 0);
    SendMessageW(sheet, PSM_SETCURSEL, 0, 0);
    SendDlgItemMessageW(page, 1140, BM_CLICK, 0, 0);
    Capture(sheet, L"options-00-clicks-hold");
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
  });
  ShowOptionsDialog(0);

  WhenOpen([](HWND d) {
    Capture(d, L"about");
    EndDialog(d, 0);
  });
  ShowAboutDialog();
  WhenOpen([](HWND d) {
    Capture(d, L"language");
    EndDialog(d, 0);
  });
  ShowLanguageDialog();
  WNDCLASSEXW marker = {};
  marker.cbSize = sizeof marker;
  marker.lpfnWndProc = EdgeWndProc;
  marker.hInstance = g_App.Instance;
  marker.lpszClassName = L"VnEdgeWndClass";
  RegisterClassExW(&marker);
  EdgeRangeParam corner = {1, 160, 120}, side = {4, 200, 100};
  for (EdgeRangeParam* range : {&corner, &side}) {
    static int shot;
    shot = range == &corner ? 0 : 1;
    WhenOpen([](HWND d) {
      Capture(d, shot ? L"edge-range-side" : L"edge-range-corner");
      Capture(GetDesktopWindow(), shot ? L"edge-range-side-screen" : L"edge-range-corner-screen");
      EndDialog(d, 0);
    });
    ShowEdgeRangeDialog(nullptr, range);
  }
  WhenOpen([](HWND d) {
    Capture(d, L"hotkey-list");
    EndDialog(d, 0);
  });
  ShowHotKeyListDialog();
  int value = 1;
  WhenOpen([](HWND d) {
    Capture(d, L"initial-page");
    EndDialog(d, 0);
  });
  ChooseInitialPage(nullptr, &value);

  ClearItemLists();
  DeleteFileW((data + L"\\Vantrel.ini").c_str());
  DeleteFileW((data + L"\\Design.ini").c_str());
  RemoveDirectoryW(data.c_str());
  return 0;
}
