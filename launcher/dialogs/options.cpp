#include "dialogs/options.h"

#include <commctrl.h>
#include <prsht.h>
#include <stdio.h>
#include <wchar.h>

#include "core/hookctl.h"
#include "core/showhide.h"
#include "core/ticker.h"
#include "core/winhelpers.h"
#include "dialogs/circlespage.h"
#include "dialogs/clickspage.h"
#include "dialogs/edgespage.h"
#include "dialogs/dialogboxes.h"
#include "dialogs/dialoghelpers.h"
#include "dialogs/triggertree.h"
#include "core/hookbind.h"
#include "render/layout.h"
#include "render/skinsel.h"
#include "resources/resource.h"
#include "state.h"
#include "store/outlets.h"

static const wchar_t* const kHelpTopics[kOptionsPageCount] = {
    L"optClick.htm",   L"optEdge.htm",    L"optCircle.htm", L"optKeyboard.htm",
    L"optMouse.htm",   L"optFolder.htm",  L"optMenu.htm",   L"optEvents.htm",
    L"optDisable.htm", L"optPlugin.htm",  L"optDisplay.htm", L"optSkin.htm",
    L"optDesign1.htm", L"optDesign2.htm", L"optPages.htm",  L"optOther.htm"};


struct OptionsSnapshot {
  HANDLE Heap;
  wchar_t* SkinName;
  wchar_t* Caption;
  ViewModeDesign* ViewModeDesigns;
  DesignColors* WindowColors;
  PageInfo* Pages;  // record 0: the default page design; i+1: page i
  int PageCount;
  UINT DispOption;
  int Alpha;
  int SubMenuIconSize;
};

static OptionsSnapshot s_snapshot;
static UINT s_liveChanges;
static int s_lastPage;
static int s_previewState;  // 0 none, 1 show beside the sheet at first show, 2 shown
static WNDPROC s_sheetProc;
static HWND s_sheet;  // the open sheet, on the open-dialog stack

const wchar_t* GetOptionsHelpTopic(int index) {
  return index >= 0 && index < kOptionsPageCount ? kHelpTopics[index] : nullptr;
}

void SetLiveChange(UINT bit) { s_liveChanges |= bit; }
UINT GetLiveChangeFlags() { return s_liveChanges; }
int GetLastOptionsPage() { return s_lastPage; }
int HasOptionsSnapshot() { return s_snapshot.Heap != nullptr; }
void MarkOptionsDirty() { MarkSettingsChanged(); }

// --- snapshot ---------------------------------------------------------------------------------

static wchar_t* HeapDup(HANDLE heap, const wchar_t* text, size_t limit) {
  if (!text) text = L"";
  size_t n = wcsnlen(text, limit - 1);
  wchar_t* p = (wchar_t*)HeapAlloc(heap, 0, (n + 1) * sizeof(wchar_t));
  if (!p) return nullptr;
  memcpy(p, text, n * sizeof(wchar_t));
  p[n] = 0;
  return p;
}

static void TakeSnapshot() {
  OptionsSnapshot& s = s_snapshot;
  s = OptionsSnapshot{};
  HANDLE heap = HeapCreate(0, 0, 0);
  if (!heap) return;
  const ItemStore& store = g_App.Store;
  int pages = store.PageCount > 0 ? store.PageCount : 0;
  s.SkinName = HeapDup(heap, g_App.SkinName, 260);
  s.Caption = HeapDup(heap, g_App.Settings.Caption, kCaptionChars);
  s.ViewModeDesigns = (ViewModeDesign*)HeapAlloc(heap, 0, sizeof(ViewModeDesign) * 2);
  s.WindowColors = (DesignColors*)HeapAlloc(heap, 0, sizeof(DesignColors));
  s.Pages = (PageInfo*)HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(PageInfo) * (pages + 1));
  if (!s.SkinName || !s.Caption || !s.ViewModeDesigns || !s.WindowColors || !s.Pages) {
    HeapDestroy(heap);
    s = OptionsSnapshot{};
    return;
  }
  memcpy(s.ViewModeDesigns, g_App.Design.ViewMode, sizeof(ViewModeDesign) * 2);
  *s.WindowColors = g_App.Design.Window;
  s.Pages[0].Design = g_App.Design.PageDefault;
  for (int i = 0; i < pages; i++) {
    s.Pages[i + 1] = store.Pages[i];
    const wchar_t* name = store.Pages[i].Name;
    s.Pages[i + 1].Name = name && *name ? StoreDupString(name) : nullptr;
  }
  s.PageCount = pages;
  s.DispOption = g_App.Settings.DispOption;
  s.Alpha = g_App.Settings.Alpha;
  s.SubMenuIconSize = g_App.Settings.SubMenu.IconSize;
  s.Heap = heap;
}

static void DiscardSnapshot() {
  OptionsSnapshot& s = s_snapshot;
  if (!s.Heap) return;
  for (int i = 1; i <= s.PageCount; i++) StoreFree(s.Pages[i].Name);
  HeapDestroy(s.Heap);
  s = OptionsSnapshot{};
}

static void RestoreSnapshot() {
  OptionsSnapshot& s = s_snapshot;
  if (!s.Heap) return;
  for (int m = 0; m < 2; m++) {
    ViewModeDesign& live = g_App.Design.ViewMode[m];
    HFONT fonts[FONT_COUNT];
    for (int f = 0; f < FONT_COUNT; f++) fonts[f] = live.Fonts[f].Font;
    live = s.ViewModeDesigns[m];
    for (int f = 0; f < FONT_COUNT; f++) live.Fonts[f].Font = fonts[f];
  }
  g_App.Design.Window = *s.WindowColors;
  g_App.Design.PageDefault = s.Pages[0].Design;
  // Only what the sheet edits goes back: the button counts and tables of the
  // pages are the live ones, and pages added meanwhile have no saved record.
  ItemStore& store = g_App.Store;
  int pages = store.PageCount < s.PageCount ? store.PageCount : s.PageCount;
  for (int i = 0; i < pages; i++) {
    PageInfo& live = store.Pages[i];
    PageInfo& saved = s.Pages[i + 1];
    StoreFree(live.Name);
    live.Name = saved.Name;
    saved.Name = nullptr;
    live.Flag = saved.Flag;
    live.Design = saved.Design;
  }
  SettingsState& st = g_App.Settings;
  st.DispOption = s.DispOption;
  st.Alpha = s.Alpha;
  st.SubMenu.IconSize = s.SubMenuIconSize;
  MarkSettingsChanged();
  if (!st.Caption || wcscmp(st.Caption, s.Caption) != 0) {
    wchar_t* caption = StoreDupString(s.Caption);
    if (caption) {
      StoreFree(st.Caption);
      st.Caption = caption;
    }
  }
  if (_wcsicmp(s.SkinName, g_App.SkinName) != 0) {
    lstrcpynW(g_App.SkinName, s.SkinName, 260);
    LoadSkin(0);
  }
  SyncViewModeDesign(-1);
  for (int i = 0; i < FONT_COUNT; i++) RecreateFont(i, 0);
  DiscardSnapshot();
}

void SnapshotOptions(int op) {
  if (op == 0) {
    DiscardSnapshot();
    TakeSnapshot();
  } else if (op == 1) {
    RestoreSnapshot();
  } else if (op == 2) {
    DiscardSnapshot();
  }
}

// --- page protocol ----------------------------------------------------------------------------

int HandlePageNotify(HWND page, const NMHDR* header, int index, void (*apply)(HWND page)) {
  HWND sheet = GetParent(page);
  switch (header->code) {
    case PSN_APPLY:
      if (!apply) return 0;
      apply(page);
      SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
      return 1;
    case PSN_HELP:
      ShowHelpTopic(GetOptionsHelpTopic(index));
      return 1;
    case PSN_KILLACTIVE:
    case PSN_RESET: {
      HWND current = (HWND)SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
      int at = (int)SendMessageW(sheet, PSM_HWNDTOINDEX, (WPARAM)current, 0);
      if (at >= 0 && at < kOptionsPageCount) s_lastPage = at;
      SetWindowLongPtrW(page, DWLP_MSGRESULT, FALSE);
      return 1;
    }
  }
  return 0;
}

void BeginPageApply(HWND page) { PostMessageW(GetParent(page), PSM_CANCELTOCLOSE, 0, 0); }

// Pages whose settings their own procedures do not write yet: they keep the
// protocol so help, the remembered page and Cancel behave as on the others.
static INT_PTR CALLBACK PlainPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(page, DWLP_USER, ((PROPSHEETPAGEW*)lParam)->lParam);
    return TRUE;
  }
  if (message == WM_NOTIFY) {
    int index = (int)GetWindowLongPtrW(page, DWLP_USER);
    const NMHDR* h = (const NMHDR*)lParam;
    if (HandlePageNotify(page, h, index)) return TRUE;
    if (h->code == PSN_APPLY) {
      BeginPageApply(page);
      SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
      return TRUE;
    }
  }
  return FALSE;
}

// --- the sheet window ---------------------------------------------------------------------------

static void ShowLauncherBeside(HWND sheet) {
  RECT r, l = {};
  GetWindowRect(sheet, &r);
  if (g_App.MainWnd) GetWindowRect(g_App.MainWnd, &l);
  int y = r.top + ((r.bottom - r.top) - (l.bottom - l.top)) / 2;
  ShowLauncher(0x304, r.right + 10, y, 0xFFFF, 0);
}

static LRESULT CALLBACK OptionsSheetSubclassProc(HWND sheet, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SHOWWINDOW:
      if (wParam && !IsWindowVisible(sheet)) {
        MONITORINFO mi = {sizeof mi};
        RECT r;
        GetWindowRect(sheet, &r);
        if (GetMonitorInfoW(MonitorFromWindow(sheet, MONITOR_DEFAULTTONEAREST), &mi)) {
          int w = r.right - r.left, h = r.bottom - r.top;
          SetWindowPos(sheet, nullptr, mi.rcMonitor.left + (mi.rcMonitor.right - mi.rcMonitor.left - w) / 2,
                       mi.rcMonitor.top + (mi.rcMonitor.bottom - mi.rcMonitor.top - h) / 2, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (s_previewState == 1) {
          s_previewState = 2;
          ShowLauncherBeside(sheet);
          BringToForeground(sheet, 0);
        }
      }
      break;
    case WM_MOVE:
      if (s_previewState == 2) ShowLauncherBeside(sheet);
      break;
    case WM_HELP: {
      HWND page = (HWND)SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
      if (page) {
        PSHNOTIFY n = {};
        n.hdr.hwndFrom = sheet;
        n.hdr.code = PSN_HELP;
        SendMessageW(page, WM_NOTIFY, 0, (LPARAM)&n);
      }
      return TRUE;
    }
    case WM_DPICHANGED: {
      // The colour controls sit on Design 1.
      HWND page = (HWND)SendMessageW(sheet, PSM_INDEXTOHWND, OPT_PAGE_DESIGN1, 0);
      if (page) PostMessageW(page, WMA_DPIREFRESH, wParam, lParam);
      break;
    }
    case WM_NCDESTROY: {
      WNDPROC old = s_sheetProc;
      SetWindowLongPtrW(sheet, GWLP_WNDPROC, (LONG_PTR)old);
      s_sheetProc = nullptr;
      return CallWindowProcW(old, sheet, message, wParam, lParam);
    }
  }
  return CallWindowProcW(s_sheetProc, sheet, message, wParam, lParam);
}

static int CALLBACK OptionsSheetCallback(HWND sheet, UINT message, LPARAM) {
  if (message == PSCB_INITIALIZED) {
    s_sheet = sheet;
    TrackOpenDialog(sheet, WM_INITDIALOG);
    UpdateHookSuspend();
    s_sheetProc = (WNDPROC)SetWindowLongPtrW(sheet, GWLP_WNDPROC, (LONG_PTR)OptionsSheetSubclassProc);
  }
  return 0;
}

int GetShowTriggerWarning(UINT mask, UINT restraint, int noWarning) {
  if (noWarning) return 0;
  if (!mask) return IDS_NO_SHOW_TRIGGER;
  if ((restraint & 0x10) || (mask & restraint) == mask) return IDS_NEVER_SHOWN_RESTRICTED;
  return 0;
}

static void WarnWithoutShowTrigger() {
  const SettingsState& st = g_App.Settings;
  int id = GetShowTriggerWarning(CheckShowTriggers(&g_App.Store.Refs), st.Restraint,
                                 (st.DispOption & 0x80) || st.StandbyPosition);
  if (!id) return;
  wchar_t first[512], hint[512], text[1024];
  LoadStoreString(id, first, 512);
  LoadStoreString(IDS_FORCE_SHOW_HINT, hint, 512);
  swprintf(text, 1024, L"%ls%ls", first, hint);
  HWND owner = GetTopOpenDialog();
  if (!owner && g_App.MainWnd && IsWindowVisible(g_App.MainWnd)) owner = g_App.MainWnd;
  UINT keep = g_App.UiStateFlags & UIS_AUTOHIDE_ALLOWED;
  g_App.UiStateFlags &= ~UIS_AUTOHIDE_ALLOWED;
  g_DialogSeams.MessageBoxFn(owner, id, text, L"Vantrel", MB_ICONWARNING);
  g_App.UiStateFlags |= keep;
}

static void RestartMouseHook(UINT option1AtOpen) {
  if (!(g_App.RunState & RS_HOOKS_ON) || ((g_App.Settings.Option1 ^ option1AtOpen) & 0x100000) == 0) return;
  if (SetMouseHook(0)) {
    InterlockedAnd(&g_App.RunState, ~RS_HOOKS_ON);
    if (SetMouseHook(1)) InterlockedOr(&g_App.RunState, RS_HOOKS_ON);
  }
  if (!(g_App.RunState & RS_HOOKS_ON) && g_App.MainWnd) PostMessageW(g_App.MainWnd, WM_CLOSE, 0, 0);
}

static void SendGestureSettings() {
  if (!g_StoreOutlets._VnSetDllData) return;
  References& r = g_App.Store.Refs;
  g_StoreOutlets._VnSetDllData(1, r.MousePlaceMask, r.Circle);
  g_StoreOutlets._VnSetDllData(3, &g_App.Settings.Option1, g_App.Settings.EdgeMargins);
}

static DLGPROC PageProcOf(int index) {
  switch (index) {
    case OPT_PAGE_CLICKS: return ClicksPageProc;
    case OPT_PAGE_EDGES: return EdgesPageProc;
    case OPT_PAGE_CIRCLES: return CirclesPageProc;
  }
  return PlainPageProc;
}

static int ScaleAbove96(int v, int dpi) { return dpi > 96 ? MulDiv(v, dpi, 96) : v; }

int ShowOptionsDialog(int startPage) {
  PROPSHEETPAGEW pages[kOptionsPageCount];
  HPROPSHEETPAGE handles[kOptionsPageCount];
  int made = 0;
  for (int i = 0; i < kOptionsPageCount; i++) {
    PROPSHEETPAGEW& p = pages[i];
    p = PROPSHEETPAGEW{};
    p.dwSize = sizeof p;
    p.dwFlags = PSP_HASHELP;
    p.hInstance = GetDialogModule(IDD_PAGE_FIRST + i);
    p.pszTemplate = MAKEINTRESOURCEW(IDD_PAGE_FIRST + i);
    p.pfnDlgProc = PageProcOf(i);
    p.lParam = i;
    handles[i] = CreatePropertySheetPageW(&p);
    if (!handles[i]) break;
    made++;
  }
  if (made < kOptionsPageCount) {
    for (int i = 0; i < made; i++) DestroyPropertySheetPage(handles[i]);
    return -1;
  }

  wchar_t format[256], caption[300];
  LoadStoreString(IDS_OPTIONS_CAPTION, format, 256);
  if (GetFormatConversion(format) == 'd') swprintf(caption, 300, format, (int)(g_App.Settings.Status & STATUS_VIEWMODE2) + 1);
  else lstrcpynW(caption, format, 300);

  if (startPage < 0 || startPage >= kOptionsPageCount) startPage = s_lastPage;
  PROPSHEETHEADERW h = {};
  h.dwSize = sizeof h;
  h.dwFlags = PSH_USECALLBACK | PSH_NOCONTEXTHELP;
  h.hwndParent = GetDialogOwner();
  h.hInstance = g_App.Instance;
  h.pszCaption = caption;
  h.nPages = kOptionsPageCount;
  h.nStartPage = (UINT)startPage;
  h.phpage = handles;
  h.pfnCallback = OptionsSheetCallback;

  s_previewState = startPage >= OPT_PAGE_SKINS && startPage <= OPT_PAGE_PAGES ? 1 : 0;
  POINT corner = {};
  HWND main = g_App.MainWnd;
  if (main) {
    RECT r;
    GetWindowRect(main, &r);
    int dpi = GetWindowDpi(main, nullptr);
    corner.x = r.left + ScaleAbove96(g_App.Skin.MainShadow.left, dpi);
    corner.y = r.top + ScaleAbove96(g_App.Skin.MainShadow.top, dpi);
  }
  int wasVisible = main && IsWindowVisible(main);
  UINT status = g_App.Settings.Status;
  int iconSizes[2] = {g_App.Design.ViewMode[0].IconSizeGet, g_App.Design.ViewMode[1].IconSizeGet};
  SnapshotOptions(0);
  s_liveChanges = 0;
  UINT option1 = g_App.Settings.Option1;

  INT_PTR result = PropertySheetW(&h);

  if (s_sheet) TrackOpenDialog(s_sheet, WM_DESTROY);
  s_sheet = nullptr;
  UpdateHookSuspend();
  if (!GetTopOpenDialog() && main) {
    if (HIMC imc = ImmGetContext(main)) {
      if (ImmGetOpenStatus(imc)) ImmSetOpenStatus(imc, FALSE);
      ImmReleaseContext(main, imc);
    }
  }

  const SettingsState& st = g_App.Settings;
  if (result > 0) {
    SyncViewModeDesign(-1);
    SnapshotOptions(2);
    WriteSettings(nullptr, 0);
    RestartMouseHook(option1);
    SendGestureSettings();
    WarnWithoutShowTrigger();
  } else if (s_liveChanges & 0x1F) {
    SnapshotOptions(1);
    ApplyDesign();
  } else {
    SnapshotOptions(2);
  }

  if (st.StandbyPosition) {
    MoveToStandbyPosition(1);
  } else if (s_previewState == 2) {
    PlaceLauncherWindow(4, corner, 1);
    MarkSettingsChanged();
  }
  if (main && (wasVisible || st.StandbyPosition)) {
    if (!IsWindowVisible(main)) {
      ShowLauncher(0x300, 0, 0, 0xFFFF, 0);
      if ((status & STATUS_PINNED) && !(g_App.Settings.Status & STATUS_PINNED)) {
        g_App.Settings.Status |= STATUS_PINNED;
        MarkSettingsChanged();
        UpdateTopmost(0);
      }
    }
    g_App.Ticker.AutoHide.HideArmed = 1;
    g_App.Ticker.AutoHide.HideCountdown = st.HideDelay / 100;
    if (g_App.Tray.ToolTip) SendMessageW(g_App.Tray.ToolTip, TTM_ACTIVATE, TRUE, 0);
  } else if (main) {
    HideLauncher(1, 0, 0);
  }
  s_previewState = 0;
  if (main && (g_App.Design.ViewMode[0].IconSizeGet != iconSizes[0] || g_App.Design.ViewMode[1].IconSizeGet != iconSizes[1]))
    PostMessageW(main, WMA_UPDATEICONS, 0, 0);
  return (int)result;
}
