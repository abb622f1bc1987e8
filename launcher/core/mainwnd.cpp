#include "core/mainwnd.h"

#include <commctrl.h>
#include <imm.h>
#include <shlobj.h>

#include "core/commands.h"
#include "core/eventlists.h"
#include "core/hookbind.h"
#include "core/hookctl.h"
#include "core/launch.h"
#include "core/procwatch.h"
#include "core/shellhelp.h"
#include "core/keyinput.h"
#include "core/mouseinput.h"
#include "core/menucmd.h"
#include "core/showhide.h"
#include "core/startup.h"
#include "core/tiptext.h"
#include "state.h"
#include "core/ticker.h"
#include "core/tray.h"
#include "core/triggers.h"
#include "core/winhelpers.h"
#include "dialogs/dialoghelpers.h"
#include "render/backbuffer.h"
#include "render/design.h"
#include "render/draw.h"
#include "render/hittest.h"
#include "render/layout.h"
#include "render/skin.h"
#include "render/skinsel.h"
#include "resources/resource.h"
#include "store/items.h"
#include "store/designfile.h"
#include "store/settings.h"

static const UINT KBO_TYPE_TO_SEARCH = 0x4;
static const UINT DISP_TRANSLUCENT_BACKGROUND = 0x2;
static const UINT UIS_MENU_OPEN = 0x1;
// Deeper than any sub-menu tree the launcher opens.
static const WPARAM kMaxSubMenuLevels = 64;
static const DWORD kTypeToSearchWaitMs = 1000;
static const DWORD kSuspendListBudgetMs = 2500;

// --- checks on what other processes post -------------------------------------------

// Compares addresses only: wParam is never read through unless it is one
// of the store's own button records.
static int IsStoredButton(WPARAM candidate) {
  if (!candidate) return 0;
  const ItemStore& s = g_App.Store;
  for (int list = 0; list < s.PageCount + s.SubMenuCount; ++list) {
    int n = 0;
    ButtonInfo** table = ListTable(list < s.PageCount ? list : LIST_SUBMENU | (list - s.PageCount), &n);
    for (int i = 0; table && i < n; ++i)
      if ((WPARAM)table[i] == candidate) return 1;
  }
  return 0;
}

int IsPrivateMessageValid(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WMA_HOTKEY:
      return wParam <= (WPARAM)(g_App.Store.Refs.HotKeys.Count > 0 ? g_App.Store.Refs.HotKeys.Count : 0);
    case WMA_MOUSECIRCLE:
      return wParam <= 1;
    case WMA_MOUSEACTION:
      return wParam < (WPARAM)kMouseActions && lParam >= 0 && lParam < kMousePlaces;
    case WMA_BUTTONUP:  // 0x80000000 with one button bit
      return (wParam & ~(WPARAM)0x1F) == 0x80000000u && (wParam & 0x1F) &&
             !((wParam & 0x1F) & ((wParam & 0x1F) - 1));
    case WMA_WINKEYDOWN:
      return wParam <= 0xFF;
    case WMA_WINKEYUP:
      return wParam <= 0xFF && (lParam == 0 || lParam == 1);
    case WMA_SELECTSKIN:
      return wParam == (WPARAM)g_App.Wnd.SkinRequest;
    case WMA_OPENLOCATION:
      return IsStoredButton(wParam);
    case WMA_CLOSESUBMENUS:
      return wParam < kMaxSubMenuLevels;
    case WMA_TRAY:
      return wParam == kTrayIconId && lParam >= WM_MOUSEFIRST && lParam <= WM_MOUSELAST;
    case WMA_ADMINERROR:
      return wParam >= 1 && wParam <= 3;
    case WMA_RESETSCROLL:
      return wParam < (WPARAM)(g_App.Store.PageCount > 0 ? g_App.Store.PageCount : 0);
    default:
      return 1;
  }
}

int QueueSkinSelection(const wchar_t* name) {
  if (!g_App.MainWnd || !name) return 0;
  if (GetTopOpenDialog() || (g_App.UiStateFlags & UIS_MENU_OPEN)) return 0;
  lstrcpynW(g_App.Wnd.SkinRequest, name, kSkinNameChars);
  return PostMessageW(g_App.MainWnd, WMA_SELECTSKIN, (WPARAM)g_App.Wnd.SkinRequest, 0) ? 1 : 0;
}

// --- helpers ----------------------------------------------------------------------------

void EndIfIdleAfterHide() {
  HWND w = g_App.MainWnd;
  if (!w || g_App.Core.RunningWork != 0) return;
  if ((g_App.RunState & RS_N_MODE) && !IsWindowVisible(w))
    PostMessageW(w, WM_CLOSE, 0, 0);
  else if (g_App.Settings.Option1 & OPT1_TRIM_MEMORY)
    SetProcessWorkingSetSize(GetCurrentProcess(), (SIZE_T)-1, (SIZE_T)-1);
}

static void WritePendingSettings() {
  if (g_App.Settings.PendingSave) WriteSettings(nullptr, 0);
}

int WaitForForeground(HWND window, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (GetForegroundWindow() == window) return 1;
    if (GetTickCount() - start >= timeoutMs) return 0;
    Sleep(100);
  }
}

struct SearchFind {
  HWND Search;
};

static BOOL CALLBACK FindSearchWindow(HWND w, LPARAM lp) {
  wchar_t cls[32];
  if (GetClassNameW(w, cls, 32) && !lstrcmpW(cls, kSearchWndClass)) {
    ((SearchFind*)lp)->Search = w;
    return FALSE;
  }
  return TRUE;
}

// The search window's edit box: its child, or a window it owns.
static HWND FindSearchEdit(HWND search) {
  HWND edit = FindWindowExW(search, nullptr, L"Edit", nullptr);
  if (edit) return edit;
  for (HWND w = FindWindowExW(nullptr, nullptr, L"Edit", nullptr); w;
       w = FindWindowExW(nullptr, w, L"Edit", nullptr))
    if (GetWindow(w, GW_OWNER) == search) return w;
  return nullptr;
}

// A printable key typed over the launcher goes to the search box.
static void TypeToSearch(WPARAM c, LPARAM lParam) {
  HWND w = g_App.MainWnd;
  if (!w || !IsWindowVisible(w) || (g_App.Wnd.Flags & WSF_SUBMENU_OPEN)) return;
  if (!(g_App.Settings.KeyboardOption & KBO_TYPE_TO_SEARCH) || c < 33 || c > 126) return;
  SearchFind find = {};
  EnumThreadWindows(GetCurrentThreadId(), FindSearchWindow, (LPARAM)&find);
  if (!find.Search && !(g_App.Settings.Status & STATUS_SEARCH) && g_MenuEntries.ToggleSearchWindow) {
    // The first typed character opens the window; it then replaces the last text.
    g_App.Settings.Status |= STATUS_SEARCH;
    MarkSettingsChanged();
    g_MenuEntries.ToggleSearchWindow(1, 1);
    EnumThreadWindows(GetCurrentThreadId(), FindSearchWindow, (LPARAM)&find);
  }
  if (!find.Search) return;
  HWND edit = FindSearchEdit(find.Search);
  if (!edit) return;
  if (!(g_App.Settings.Status & STATUS_SEARCH)) {
    g_App.Settings.Status |= STATUS_SEARCH;
    MarkSettingsChanged();
  }
  HWND root = GetAncestor(edit, GA_ROOT);
  if (!IsWindowVisible(root)) ShowWindow(root, SW_SHOW);
  BringToForeground(root, 0);
  SetFocus(edit);
  // The box may never come to the front (another program took it): give
  // the key up rather than freeze the window.
  if (WaitForForeground(root, kTypeToSearchWaitMs)) PostMessageW(edit, WM_CHAR, c, lParam);
}

// A circle drawn with the mouse (detector 0 or 1): the launcher shows on
// the gesture's page, or the gesture's button runs.
static void OnMouseCircle(int detector) {
  const CircleGestureSettings& g = g_App.Store.Refs.Circle[detector];
  if (g.Page == LIST_NONE) {
    ShowLauncher(TriggerShowMode(FAMILY_CIRCLE), g_App.Settings.ShowPosX, g_App.Settings.ShowPosY, g.Button, 1);
    return;
  }
  ButtonInfo* b = GetItem(g.Page, g.Button);
  if (b && g_InputOutlets.LaunchItem) g_InputOutlets.LaunchItem(b, LF_TRIGGER, nullptr);
}

static void OnRecycleBinNotice(WPARAM wParam, LPARAM lParam) {
  // The shell's notice waits in shared memory until it is unlocked; a
  // notice that cannot be locked still means the bin changed.
  PIDLIST_ABSOLUTE* lists = nullptr;
  LONG event = 0;
  HANDLE lock = SHChangeNotification_Lock((HANDLE)wParam, (DWORD)lParam, &lists, &event);
  if (lock) SHChangeNotification_Unlock(lock);
  RefreshRecycleBinIcons();
}

// --- sub-menu focus ----------------------------------------------------------------------

static const DWORD kSubMenuSettleMs = 400;
static const UINT kCloseRetryMs = 50;

int ShouldCloseSubMenus(int dialogOpen, DWORD sinceOpenedMs, int foregroundInMenu, int cursorInMenu) {
  return !dialogOpen && sinceOpenedMs >= kSubMenuSettleMs && !foregroundInMenu && !cursorInMenu;
}

struct SubMenuFind {
  int Count;
  HWND Front, Under;
  int FrontIn, UnderIn;
};

static BOOL CALLBACK NoteSubMenu(HWND w, LPARAM lp) {
  wchar_t cls[32];
  if (!IsWindowVisible(w) || !GetClassNameW(w, cls, 32) || lstrcmpW(cls, kSubMenuWndClass)) return TRUE;
  SubMenuFind* f = (SubMenuFind*)lp;
  f->Count++;
  if (f->Front && (f->Front == w || IsChild(w, f->Front))) f->FrontIn = 1;
  if (f->Under && (f->Under == w || IsChild(w, f->Under))) f->UnderIn = 1;
  return TRUE;
}

void CheckSubMenuFocus() {
  HWND main = g_App.MainWnd;
  if (!main) return;
  SubMenuFind f = {};
  f.Front = GetForegroundWindow();
  POINT pt;
  if (GetCursorPos(&pt)) f.Under = WindowFromPoint(pt);
  EnumThreadWindows(GetWindowThreadProcessId(main, nullptr), NoteSubMenu, (LPARAM)&f);
  if (!f.Count) return;  // nothing open, nothing to close
  if (ShouldCloseSubMenus(GetTopOpenDialog() != nullptr, GetTickCount() - g_App.Wnd.SubMenuOpenedTick, f.FrontIn,
                          f.UnderIn))
    PostMessageW(main, WMA_CLOSESUBMENUS, 0, 0);
}

// --- display, DPI, activation ---------------------------------------------------------------

// 1 when the window's DPI changed and the design was laid out again for it.
static int RelayoutOnDpiChange() {
  HWND w = g_App.MainWnd;
  if (!w || (g_App.RunState & RS_DPI_RELAYOUT)) return 0;
  int dpi = GetWindowDpi(w, nullptr);
  if (dpi == LauncherDpi()) return 0;
  InterlockedOr(&g_App.RunState, RS_DPI_RELAYOUT);
  RelayoutForDpi(dpi);
  InterlockedAnd(&g_App.RunState, ~RS_DPI_RELAYOUT);
  return 1;
}

static void OnDisplayChange() {
  BuildMonitorList();
  SendMonitorsToHook();
  if (!RelayoutOnDpiChange()) ApplyDesign();
}

// The window's opacity when the launcher comes to the front or goes to the
// back (translucent in the background).
static void UpdateBackgroundAlpha() {
  if (!(g_App.Settings.DispOption & DISP_TRANSLUCENT_BACKGROUND) || !LayeredMode()) return;
  if (!UpdateWindowAlpha()) return;
  BYTE alpha = g_App.Render.Alpha;
  SearchFind find = {};
  EnumThreadWindows(GetCurrentThreadId(), FindSearchWindow, (LPARAM)&find);
  if (find.Search && g_App.Api.SetLayeredWindowAttributes)
    g_App.Api.SetLayeredWindowAttributes(find.Search, 0, alpha, LWA_ALPHA);
  if (g_App.Render.Back.Dc) PushLayeredWindow(g_App.MainWnd, g_App.Render.Back.Dc, 0, alpha);
}

// The keyboard's menu key: the menu of the current cell at its centre, or
// of the window at the top-left of the button area.
static void OnKeyboardContextMenu(HWND w) {
  if (g_App.Wnd.Flags & WSF_MENU_OPEN) return;
  int cell = g_App.Store.HoverCell;
  POINT pt;
  int target = 0;
  if (cell < 0) {
    const RECT& area = g_App.Skin.Slots[SLOT_BUTTONAREA].Target;
    pt = POINT{area.left, area.top};
    ClientToScreen(w, &pt);
  } else {
    target = MENU_CELL | cell;
    RECT r;
    if (IsWindowVisible(w) && GetCellRect(cell, &r)) {
      pt = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
      ClientToScreen(w, &pt);
    } else {
      GetCursorPos(&pt);
      pt.x += 1;
      pt.y += 1;
    }
  }
  // The key itself asks for the menu.
  g_App.Input.MenuPending = 1;
  g_App.Input.LastMenuItem = ShowContextMenu(target, pt, 0, 1);
}

// --- messages ---------------------------------------------------------------------------

// A plug-in's skin request (its name is in the own request buffer); a skin
// changed under an open dialog or menu would pull the look from under it.
static void OnSelectSkin() {
  if (GetTopOpenDialog() || (g_App.Wnd.Flags & (WSF_SUBMENU_OPEN | WSF_MENU_OPEN)) ||
      (g_App.UiStateFlags & UIS_MENU_OPEN))
    return;
  SelectSkin(g_App.Wnd.SkinRequest);
  WriteDesign(nullptr, nullptr);
}

static LRESULT OnPrivateMessage(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsPrivateMessageValid(message, wParam, lParam)) {
    if (message == WMA_EXECUTE) InterlockedAnd(&g_App.RunState, ~RS_EXECUTE_PENDING);
    return 0;
  }
  switch (message) {
    case WMA_MOUSECIRCLE:
      OnMouseCircle((int)wParam);
      return 0;
    case WMA_MOUSEACTION:
      DispatchTrigger(2, (int)wParam, (int)lParam);
      return 0;
    case WMA_RECYCLEBIN:
      OnRecycleBinNotice(wParam, lParam);
      return 0;
    case WMA_CLOSESUBMENUS:
      // A level whose builder does not stop refuses; asking again at once
      // would spin while it hangs, so a short timer asks again.
      if (g_InputOutlets.CloseSubMenus && !g_InputOutlets.CloseSubMenus((int)wParam, 0)) {
        int& pending = g_App.Wnd.PendingCloseLevel;
        if (pending <= 0 || (int)wParam < pending) pending = (int)wParam + 1;
        SetTimer(w, TIMER_CLOSESUBMENUS, kCloseRetryMs, nullptr);
      }
      return 0;
    case WMA_BUTTONUP: {
      POINT pt = {};
      GetCursorPos(&pt);
      CheckHoldAction((UINT)wParam, pt);
      return 0;
    }
    case WMA_SHOWLAUNCHER:
      ShowLauncher(LOWORD(wParam), (short)LOWORD(lParam), (short)HIWORD(lParam), HIWORD(wParam), 1);
      return 0;
    case WMA_HIDELAUNCHER:
      HideLauncher(LOWORD(wParam), HIWORD(wParam), (int)lParam);
      return 0;
    case WMA_WATCHCREATE:
      InstallWatchCreateHook();
      return 0;
    case WMA_WATCHDESTROY:
      InstallWatchDestroyHook();
      return 0;
    case WMA_EXECUTE: {
      ButtonInfo* b = GetItem((int)HIWORD(wParam), (int)LOWORD(wParam));
      if (b && g_InputOutlets.LaunchItem) g_InputOutlets.LaunchItem(b, (int)lParam, nullptr);
      InterlockedAnd(&g_App.RunState, ~RS_EXECUTE_PENDING);
      return 0;
    }
    case WMA_HOTKEY:
      OnHotKeyMessage((int)wParam);
      return 0;
    case WMA_WINKEYDOWN:
      OnKeyDown(message, wParam, 0);
      return 0;
    case WMA_WINKEYUP:
      OnKeyUp(message, wParam);
      if (lParam == 1) FinishWinKeyHookRemoval();
      return 0;
    case WMA_AUTOHIDE:
      AutoHideCheck();
      return 0;
    case WMA_TRAY:
      OnTrayMessage((UINT)lParam);
      return 0;
    case WMA_CLOSEMENUS:
      CloseMenusNow();
      return 0;
    case WMA_UPDATEICONS:
      UpdateAllIcons();
      return 0;
    case WMA_RESETSCROLL:
      ResetPageScroll((int)wParam);
      return 0;
    case WMA_SELECTSKIN:
      OnSelectSkin();
      return 0;
    case WMA_ADMINERROR:
      if (wParam == 3) {
        ShowMessage(IDS_ERR_HOOK, MB_ICONERROR);
        PostMessageW(w, WM_CLOSE, 0, 0);
      }
      return 0;
    default:
      return 0;
  }
}

static void OnActivate(HWND w, WPARAM wParam) {
  if (LOWORD(wParam) != WA_INACTIVE) {
    if ((g_App.Wnd.Flags & WSF_SUBMENU_OPEN) && IsWindowVisible(w)) CheckSubMenuFocus();
    if (GetTopOpenDialog()) return;
    HIMC imc = ImmGetContext(w);
    if (!imc) return;
    if (ImmGetOpenStatus(imc)) {
      ImmSetOpenStatus(imc, FALSE);
      g_App.Wnd.ImeWasOn = 1;
    }
    ImmReleaseContext(w, imc);
  } else if (g_App.Wnd.ImeWasOn && !GetTopOpenDialog()) {
    HIMC imc = ImmGetContext(w);
    if (imc) {
      ImmSetOpenStatus(imc, TRUE);
      ImmReleaseContext(w, imc);
    }
    g_App.Wnd.ImeWasOn = 0;
  }
}

static void OnActivateApp(HWND w, WPARAM active) {
  UpdateBackgroundAlpha();
  UpdateHookSuspend();
  if (active) return;
  CancelPress();
  // A release seen after coming back belongs to other keys: nothing may
  // still wait for one.
  ClearKeptItem();
  g_App.Input.PendingKeyCommand = 0;
  UINT f = g_App.Wnd.Flags;
  if ((f & WSF_SHOWN_NOACTIVATE) && !(f & WSF_TRAY_MENU) && !(f & WSF_SUBMENU_OPEN) && !GetTopOpenDialog() &&
      !(g_App.Settings.Status & STATUS_PINNED) && IsWindowVisible(w)) {
    POINT pt;
    GetCursorPos(&pt);
    if (!IsPointInLauncherBody(w, pt)) HideLauncher(0, 0, 0);
  }
  EndIfIdleAfterHide();
}

static LRESULT OnPowerBroadcast(HWND w, WPARAM event, LPARAM lParam) {
  switch (event) {
    case PBT_APMSUSPEND: {
      WritePendingSettings();
      UINT was = g_App.Wnd.PowerState;
      g_App.Wnd.PowerState &= ~(PWS_SUSPENDED | PWS_RESUMED | PWS_SKIP_LISTS);
      // Launched from here, on this thread, and never longer than the
      // system gives a window to answer; later entries go on by themselves.
      if (!(was & PWS_SKIP_LISTS)) RunEventListNow(EVENT_SUSPEND, kSuspendListBudgetMs);
      return TRUE;
    }
    case PBT_APMRESUMESUSPEND: {
      UINT was = g_App.Wnd.PowerState;
      g_App.Wnd.PowerState = (was & ~PWS_SKIP_LISTS) | PWS_SUSPENDED | PWS_RESUMED;
      if (!(was & (PWS_SUSPENDED | PWS_RESUMED | PWS_SKIP_LISTS))) StartEventList(EVENT_RESUME);
      return TRUE;
    }
    default:
      return DefWindowProcW(w, WM_POWERBROADCAST, event, lParam);
  }
}

LRESULT CALLBACK MainWndProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
  if ((message >= WMA_HOTKEY && message <= WMA_CLOSESUBMENUS) || message == WMA_RESETSCROLL)
    return OnPrivateMessage(w, message, wParam, lParam);
  if (message == WM_TIMER && OnTriggerTimer(wParam)) return 0;
  // An open shell context menu draws its own entries ("Send to", "Open with").
  LRESULT shellAnswer = 0;
  if (ForwardShellMenuMessage(message, wParam, lParam, &shellAnswer)) return shellAnswer;
  switch (message) {
    case WM_NCCREATE:
      g_App.MainWnd = w;
      break;
    case WM_CREATE:
      g_App.Wnd.TaskbarCreatedMsg = RegisterWindowMessageW(L"TaskbarCreated");
      return 0;
    case WM_DESTROY:
      // A WMA_EXECUTE still queued dies with the window; a runner waiting
      // for the bit (the exit list) must not wait for it forever.
      InterlockedAnd(&g_App.RunState, ~RS_EXECUTE_PENDING);
      WritePendingSettings();
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      if (g_App.MainWnd == w) g_App.MainWnd = nullptr;
      break;
    case WM_ACTIVATE:
      OnActivate(w, wParam);
      return 0;
    case WM_PAINT:
      if (GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_LAYERED) break;
      PaintMainWindow(w);
      return 0;
    case WM_CLOSE:
      // The last menu is recorded by closing the tree, before the window
      // and the menus it owns go.
      if (g_InputOutlets.CloseSubMenus) g_InputOutlets.CloseSubMenus(0, 1);
      break;
    case WM_ENDSESSION:
      if (g_InputOutlets.CloseSubMenus) g_InputOutlets.CloseSubMenus(0, 1);
      WritePendingSettings();
      return 0;
    case WM_SHOWWINDOW:
      if (!wParam) return 0;
      RefreshHoverUnderCursor();
      BringToForeground(w, 0);
      return 0;
    case WM_ACTIVATEAPP:
      OnActivateApp(w, wParam);
      return 0;
    case WM_NOTIFY: {
      // Our tooltip notifies from this thread; what another thread or
      // process sends carries an address that is not ours to read.
      if (InSendMessageEx(nullptr) != ISMEX_NOSEND) return 0;
      NMHDR* h = (NMHDR*)lParam;
      if (h && h->code == TTN_GETDISPINFOW && h->hwndFrom && h->hwndFrom == g_App.Tray.ToolTip)
        AnswerToolTipText((NMTTDISPINFOW*)lParam);
      return 0;
    }
    case WM_CONTEXTMENU:
      OnKeyboardContextMenu(w);
      return 0;
    case WM_CHAR:
      TypeToSearch(wParam, lParam);
      return 0;
    case WM_MOVE:  // the search window hangs below the launcher
      if (g_MenuEntries.RelayoutSearchWindow) g_MenuEntries.RelayoutSearchWindow();
      break;
    case WM_COMMAND:
      OnMenuCommand(LOWORD(wParam), g_App.Input.LastMenuItem, 0);
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) != SC_CLOSE) break;
      HideLauncher(1, 0, 0);
      EndIfIdleAfterHide();
      return 0;
    case WM_POWERBROADCAST:
      return OnPowerBroadcast(w, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_XBUTTONDOWN:
    case WM_MOUSEHWHEEL:
      OnMouseButton(message, wParam, lParam);
      UpdateCursor();
      return message == WM_XBUTTONDOWN ? TRUE : 0;
    case WM_MOUSEMOVE: {
      TRACKMOUSEEVENT tme = {sizeof tme, TME_LEAVE, w, 0};
      TrackMouseEvent(&tme);
      OnMouseMove(wParam, lParam);
      UpdateCursor();
      return 0;
    }
    case WM_MOUSELEAVE:
      OnMouseLeave();
      UpdateCursor();
      return 0;
    case WM_SETCURSOR:
      if ((HWND)wParam != w) break;
      UpdateCursor();
      return TRUE;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      OnKeyDown(message, wParam, lParam);
      UpdateCursor();
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      OnKeyUp(message, wParam);
      UpdateCursor();
      return 0;
    case WM_TIMER:
      if (wParam == TIMER_CLOSESUBMENUS) {
        KillTimer(w, TIMER_CLOSESUBMENUS);
        int level = g_App.Wnd.PendingCloseLevel - 1;
        g_App.Wnd.PendingCloseLevel = 0;
        if (level >= 0) PostMessageW(w, WMA_CLOSESUBMENUS, (WPARAM)level, 0);
      } else if (wParam == TIMER_PRESSHOLD) OnPressHoldTimer();
      else if (wParam == TIMER_PAGEDELAY) OnPageDelayTimer();
      else if (!OnTickerTimer(wParam)) break;
      return 0;
    case WM_SETTINGCHANGE:
      if (wParam != SPI_SETWORKAREA) break;
      OnDisplayChange();  // the work area changed
      break;
    case WM_DISPLAYCHANGE:
      OnDisplayChange();
      break;
    case WM_DPICHANGED:
      // Laid out for the monitor it is on; the suggested rectangle is not used.
      RelayoutOnDpiChange();
      return 0;
    default:
      if (message == g_App.Wnd.TaskbarCreatedMsg && message) {
        OnTaskbarCreated();
        return 0;
      }
      break;
  }
  return DefWindowProcW(w, message, wParam, lParam);
}

HWND CreateMainWindow(HINSTANCE instance) {
  DWORD ex = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_ACCEPTFILES;
  if (g_App.Api.UpdateLayeredWindow) ex |= WS_EX_LAYERED;
  HWND w = CreateWindowExW(ex, kMainWndClass, L"Vantrel", 0, 0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
  if (!w) return nullptr;
  SetWindowLongW(w, GWL_STYLE, WS_POPUP);
  SetWindowPos(w, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return w;
}
