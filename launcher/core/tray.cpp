#include "core/tray.h"

#include <commctrl.h>
#include <shellapi.h>

#include "core/eventlists.h"
#include "core/hookbind.h"
#include "core/mainwnd.h"
#include "core/showhide.h"
#include "state.h"
#include "core/switches.h"
#include "core/ticker.h"
#include "core/winhelpers.h"
#include "resources/resource.h"
#include "store/items.h"
#include "store/outlets.h"
#include "store/settings.h"

TrayOutlets g_TrayOutlets;

static const UINT_PTR kToolTipSubclassId = 1000;
static const wchar_t kTrayTip[] = L"Vantrel";

static TrayState& Tr() { return g_App.Tray; }

// --- pure parts -----------------------------------------------------------------------------

int TrayStateIconIndex(int keepAwake, int restricted, int hooksOn) {
  if (keepAwake) return 2;
  if (restricted || !hooksOn) return 1;
  return 0;
}

int NextTrayFrame(int frame, int count) {
  int next = frame + 1;
  return next >= count || next < kFirstTrayFrame ? kFirstTrayFrame : next;
}

int BuiltinTrayIconResource(int slot) {
  if (slot < 0 || slot >= kBuiltinTrayIcons) return 0;
  if (slot <= 2) return IDI_TRAY_NORMAL + slot;
  if (slot <= 4) return IDI_TRAY_NORMAL;
  return IDI_TRAY_NORMAL + (slot + 1) / 2;
}

int IconFileCountUsable(int count) { return count > 4; }

UINT MapToolTipMouseMessage(UINT message, POINT pt, POINT tipClientOrigin, POINT ownerClientOrigin, POINT* out) {
  POINT screen;
  if (message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK) {
    screen = POINT{pt.x + tipClientOrigin.x, pt.y + tipClientOrigin.y};
  } else if (message >= WM_NCLBUTTONDOWN && message <= WM_NCMBUTTONDBLCLK) {
    screen = pt;
    message += WM_LBUTTONDOWN - WM_NCLBUTTONDOWN;
  } else {
    return 0;
  }
  *out = POINT{screen.x - ownerClientOrigin.x, screen.y - ownerClientOrigin.y};
  return message;
}

// --- icon set -----------------------------------------------------------------------------------

static void DestroyIconsOfSet() {
  TrayState& t = Tr();
  for (int i = 0; t.Icons && i < t.Count; ++i)
    if (t.Icons[i]) DestroyIcon(t.Icons[i]);
  if (t.Icons) ZeroMemory(t.Icons, t.Count * sizeof(HICON));
}

static int SizeIconArray(int count) {
  TrayState& t = Tr();
  HANDLE heap = GetProcessHeap();
  void* p = t.Icons ? HeapReAlloc(heap, HEAP_ZERO_MEMORY, t.Icons, count * sizeof(HICON))
                    : HeapAlloc(heap, HEAP_ZERO_MEMORY, count * sizeof(HICON));
  if (!p) return 0;
  t.Icons = (HICON*)p;
  t.Count = count;
  return 1;
}

static int LoadIconFile(const wchar_t* file) {
  TrayState& t = Tr();
  int count = (int)ExtractIconExW(file, -1, nullptr, nullptr, 0);
  if (!IconFileCountUsable(count) || !SizeIconArray(count)) return 0;
  // Large ones too: some systems hand out no small icons without them.
  HICON* large = (HICON*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * sizeof(HICON));
  if (!large) return 0;
  int got = (int)ExtractIconExW(file, 0, large, t.Icons, (UINT)count);
  for (int i = 0; i < count; ++i)
    if (large[i]) DestroyIcon(large[i]);
  HeapFree(GetProcessHeap(), 0, large);
  int complete = got >= count;
  for (int i = 0; complete && i < count; ++i) complete = t.Icons[i] != nullptr;
  if (complete) return 1;
  DestroyIconsOfSet();
  return 0;
}

static int LoadBuiltinIcons() {
  if (!SizeIconArray(kBuiltinTrayIcons)) return 0;
  HINSTANCE inst = g_App.Instance ? g_App.Instance : GetModuleHandleW(nullptr);
  int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
  for (int i = 0; i < kBuiltinTrayIcons; ++i)
    Tr().Icons[i] = (HICON)LoadImageW(inst, MAKEINTRESOURCEW(BuiltinTrayIconResource(i)), IMAGE_ICON, cx, cy, 0);
  return 1;
}

int LoadTrayIcons(const wchar_t* iconFile) {
  TrayState& t = Tr();
  DestroyIconsOfSet();
  if (!t.Icons && !SizeIconArray(kBuiltinTrayIcons)) return 0;
  int ok = iconFile && iconFile[0] && LoadIconFile(iconFile);
  if (!ok) ok = LoadBuiltinIcons();
  if (ok && g_App.MainWnd) SetClassLongPtrW(g_App.MainWnd, GCLP_HICONSM, (LONG_PTR)t.Icons[0]);
  if (t.Frame >= t.Count) t.Frame = kFirstTrayFrame;
  return ok;
}

void FreeTrayIcons() {
  TrayState& t = Tr();
  DestroyIconsOfSet();
  if (t.Icons) HeapFree(GetProcessHeap(), 0, t.Icons);
  t.Icons = nullptr;
  t.Count = 0;
}

// --- the icon -------------------------------------------------------------------------------------

static int IsOneShot() { return (g_App.RunState & RS_N_MODE) != 0; }
static int TrayWanted() { return (g_App.Settings.DispOption & DISP_TRAY_ICON) != 0; }

static HICON SlotIcon(int slot) {
  TrayState& t = Tr();
  return t.Icons && slot >= 0 && slot < t.Count ? t.Icons[slot] : nullptr;
}

static int StateSlot() {
  return TrayStateIconIndex(g_PowerSave.KeepAwake != 0, (g_App.Settings.Status & STATUS_RESTRICTED) != 0,
                            (g_App.RunState & RS_HOOKS_ON) != 0);
}

static void InitNotifyData(NOTIFYICONDATAW* nid) {
  ZeroMemory(nid, sizeof *nid);
  nid->cbSize = sizeof *nid;
  // At shutdown the window is gone, but the icon is still filed under it.
  nid->hWnd = g_App.MainWnd ? g_App.MainWnd : Tr().Owner;
  nid->uID = kTrayIconId;
}

static int ModifyIcon(int slot) {
  NOTIFYICONDATAW nid;
  InitNotifyData(&nid);
  nid.uFlags = NIF_ICON;
  nid.hIcon = SlotIcon(slot);
  if (Shell_NotifyIconW(NIM_MODIFY, &nid)) return 1;
  InterlockedExchange(&g_App.Ticker.Tick, kTickRetrySoon);
  return 0;
}

int SetTrayIconState(int how) {
  if (IsOneShot()) return 0;
  if (!TrayWanted() && how != TRAY_DELETE) return 0;
  TrayState& t = Tr();
  NOTIFYICONDATAW nid;
  InitNotifyData(&nid);
  switch (how) {
    case TRAY_DELETE:
      InterlockedAnd(&g_App.RunState, ~RS_TRAY_ADDED);
      return Shell_NotifyIconW(NIM_DELETE, &nid) ? 1 : 0;
    case TRAY_ADD:
      nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
      nid.uCallbackMessage = WMA_TRAY;
      nid.hIcon = SlotIcon(StateSlot());
      lstrcpynW(nid.szTip, kTrayTip, ARRAYSIZE(nid.szTip));
      if (!Shell_NotifyIconW(NIM_ADD, &nid)) return 0;
      t.Owner = nid.hWnd;
      InterlockedOr(&g_App.RunState, RS_TRAY_ADDED);
      return 1;
    case TRAY_STATE:
      return ModifyIcon(StateSlot());
    case TRAY_ANIMATE:
      InterlockedExchange(&t.Frame, kFirstTrayFrame);
      InterlockedExchange(&t.Countdown, 1);
      return ModifyIcon(kFirstTrayFrame);
    case TRAY_STOP:
      InterlockedExchange(&t.Frame, -1);
      InterlockedExchange(&g_App.Ticker.Tick, kTickRetrySoon);
      return ModifyIcon(StateSlot());
    case TRAY_NEXT: {
      LONG next = NextTrayFrame(t.Frame, t.Count);
      InterlockedExchange(&t.Frame, next);
      return ModifyIcon(next);
    }
    default:
      return 0;
  }
}

void RefreshTrayStateIcon() {
  if (!IsOneShot() && TrayWanted()) SetTrayIconState(TRAY_STATE);
}

int IsTrayAnimating() { return Tr().Frame >= 0; }

void AdvanceTrayAnimation() {
  TrayState& t = Tr();
  if (t.Frame < 0) return;
  if (InterlockedDecrement(&t.Countdown) > 0) return;
  InterlockedExchange(&t.Countdown, 1);
  if (!IsOneShot() && TrayWanted()) SetTrayIconState(TRAY_NEXT);
}

void UpdateAllIcons() {
  HCURSOR before = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  int tray = !IsOneShot() && TrayWanted();
  if (tray) SetTrayIconState(TRAY_ANIMATE);
  ShowBalloonTextId(IDS_UPDATING_ICONS, 0);
  if (g_StoreOutlets.SaveIconCache) g_StoreOutlets.SaveIconCache(1);
  if (g_StoreOutlets.CalcMainWindowLayout) g_StoreOutlets.CalcMainWindowLayout();
  if (g_StoreOutlets.RepaintMainWindow) g_StoreOutlets.RepaintMainWindow(RP_FRAME | RP_TABS | RP_BUTTONS | RP_PUSH);
  if (g_StoreOutlets.PostResearch) g_StoreOutlets.PostResearch();
  ShowBalloonTip(L"", L"", 0);
  if (tray) SetTrayIconState(TRAY_STOP);
  if (g_StoreOutlets.UpdateCursor)
    g_StoreOutlets.UpdateCursor(0);
  else
    SetCursor(before);
}

void SetTrayBusyPicture(int busy) {
  if (IsOneShot() || !TrayWanted()) return;
  SetTrayIconState(busy ? TRAY_ANIMATE : TRAY_STOP);
}

// --- balloons -----------------------------------------------------------------------------------

int ShowBalloonTip(const wchar_t* title, const wchar_t* text, UINT timeMs) {
  if (!(g_App.RunState & RS_TRAY_ADDED)) return 0;
  NOTIFYICONDATAW nid;
  InitNotifyData(&nid);
  nid.uFlags = NIF_INFO;
  lstrcpynW(nid.szInfoTitle, title ? title : L"", ARRAYSIZE(nid.szInfoTitle));
  lstrcpynW(nid.szInfo, text ? text : L"", ARRAYSIZE(nid.szInfo));
  nid.dwInfoFlags = NIIF_INFO;
  if (!Shell_NotifyIconW(NIM_MODIFY, &nid)) return 0;
  if (timeMs && g_App.MainWnd) SetTimer(g_App.MainWnd, TIMER_BALLOON, timeMs, TrayBalloonTimerProc);
  return 1;
}

void CALLBACK TrayBalloonTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
  KillTimer(window, id);
  ShowBalloonTip(L"", L"", 0);
}

void ShowBalloonTextId(int id, UINT timeMs) {
  wchar_t text[256];
  text[0] = 0;
  if (!g_App.LangModule || LoadStringW(g_App.LangModule, id, text, ARRAYSIZE(text)) <= 0)
    LoadStringW(g_App.Instance ? g_App.Instance : GetModuleHandleW(nullptr), id, text, ARRAYSIZE(text));
  ShowBalloonTip(kTrayTip, text, timeMs);
}

// --- clicks -----------------------------------------------------------------------------------------

static void ShowFromTray() {
  ShowLauncher(SHOW_LAST_POSITION | SHOW_AUTOHIDE | SHOW_FROM_OUTSIDE, 0, 0, kKeepCurrentPage, 1);
}

void OnTrayMessage(UINT m) {
  HWND w = g_App.MainWnd;
  if (!w) return;
  if (m >= WM_LBUTTONDOWN && m <= WM_MOUSEHWHEEL && g_TrayOutlets.DispatchTrayClick &&
      g_TrayOutlets.DispatchTrayClick(m)) {
    g_App.Wnd.Flags &= ~WSF_TRAY_MENU;
    // The double click's action ran: the single click waiting for it
    // must not show the launcher as well.
    if (m == WM_LBUTTONDBLCLK) KillTimer(w, TIMER_TRAYCLICK);
    return;
  }
  switch (m) {
    case WM_LBUTTONDOWN:
      if (IsWindowVisible(w)) {
        BringToForeground(w, 0);
      } else if (HWND dialog = GetTopOpenDialog()) {
        BringToForeground(dialog, 0);
      } else if (g_TrayOutlets.HasTrayDoubleClick && g_TrayOutlets.HasTrayDoubleClick()) {
        SetTimer(w, TIMER_TRAYCLICK, GetDoubleClickTime(), nullptr);
      } else {
        ShowFromTray();
      }
      break;
    case WM_RBUTTONDOWN:
      g_App.Wnd.Flags |= WSF_TRAY_MENU;
      break;
    case WM_RBUTTONUP:
      BringToForeground(w, 0);
      if (g_TrayOutlets.ShowTrayMenu) g_TrayOutlets.ShowTrayMenu();
      if (!IsWindowVisible(w)) g_App.Wnd.Flags = 0;
      break;
    default:
      break;
  }
}

void OnTrayClickTimer() {
  if (g_App.MainWnd) KillTimer(g_App.MainWnd, TIMER_TRAYCLICK);
  ShowFromTray();
}

void OnTaskbarCreated() {
  if (!IsOneShot() && TrayWanted()) SetTrayIconState(TRAY_ADD);
}

// --- tooltip window -------------------------------------------------------------------------------

static UINT CurrentMouseKeys() {
  UINT k = 0;
  if (GetKeyState(VK_LBUTTON) < 0) k |= MK_LBUTTON;
  if (GetKeyState(VK_RBUTTON) < 0) k |= MK_RBUTTON;
  if (GetKeyState(VK_MBUTTON) < 0) k |= MK_MBUTTON;
  if (GetKeyState(VK_SHIFT) < 0) k |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) k |= MK_CONTROL;
  return k;
}

LRESULT CALLBACK ToolTipSubclassProc(HWND tip, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR) {
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(tip, ToolTipSubclassProc, id);
    if (Tr().ToolTip == tip) Tr().ToolTip = nullptr;
  } else if (HWND owner = g_App.MainWnd) {
    POINT tipOrigin = {0, 0}, ownerOrigin = {0, 0}, at;
    POINT pt = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    ClientToScreen(tip, &tipOrigin);
    ClientToScreen(owner, &ownerOrigin);
    if (UINT forward = MapToolTipMouseMessage(message, pt, tipOrigin, ownerOrigin, &at)) {
      // A non-client message's wParam is a hit-test code; its client
      // equivalent carries the key state instead.
      WPARAM keys = forward == message ? wParam : CurrentMouseKeys();
      PostMessageW(owner, forward, keys, MAKELPARAM((WORD)(short)at.x, (WORD)(short)at.y));
    }
  }
  return DefSubclassProc(tip, message, wParam, lParam);
}

int CreateToolTip() {
  TrayState& t = Tr();
  HWND owner = g_App.MainWnd;
  if (t.ToolTip) DestroyWindow(t.ToolTip);
  t.ToolTip = nullptr;
  DWORD style = WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP;
  if (g_App.Settings.DispOption & DISP_TOOLTIPS_BALLOON) style |= TTS_BALLOON;
  HINSTANCE inst = g_App.Instance ? g_App.Instance : GetModuleHandleW(nullptr);
  HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, L"", style, 0, 0, 10, 10, owner, nullptr, inst, nullptr);
  if (!tip) return 0;
  SetWindowPos(tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowSubclass(tip, ToolTipSubclassProc, kToolTipSubclassId, 0);
  SendMessageW(tip, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(g_App.Settings.TipsDelay, 0));
  SendMessageW(tip, TTM_SETDELAYTIME, TTDT_RESHOW, 0);
  int width = g_App.Settings.TipsWidth;
  SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, width ? width : -1);
  if (!owner || !IsWindowVisible(owner)) SendMessageW(tip, TTM_ACTIVATE, FALSE, 0);
  t.ToolTip = tip;
  return 1;
}
