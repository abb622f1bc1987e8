#include "dialogs/edgespage.h"

#include <commctrl.h>
#include <prsht.h>
#include <wchar.h>

#include "core/showhide.h"
#include "core/tray.h"
#include "dialogs/dialogboxes.h"
#include "dialogs/dialoghelpers.h"
#include "dialogs/edgerange.h"
#include "dialogs/initialpage.h"
#include "dialogs/options.h"
#include "dialogs/triggertree.h"
#include "render/draw.h"
#include "resources/resource.h"
#include "state.h"

enum {
  IDC_SCREEN = 1152,
  IDC_EDGE_FIRST = 1153,  // 1153-1160: edge types 0-7
  IDC_HOLD_TO_SHOW = 1161,
  IDC_HIDE_ON_LEAVE = 1147,
  IDC_DELAY_FIRST = 1162,  // 1162-1165: show, hide, launch, page switch
  IDC_DELAY_SPIN_FIRST = 1021,
  CMD_EDGE_NONE = 40070,
  CMD_EDGE_SHOW = 40071,
  CMD_EDGE_ITEM = 40072,
  CMD_EDGE_RANGE = 40073,
};
const int kEdgeButtons = 8;
const int kMaxEdgeDelay = 10000;
const UINT kShowLauncher = 0xFFFF0000u;

int ClampEdgeDelay(int ms) { return ms < 0 ? 0 : ms > kMaxEdgeDelay ? kMaxEdgeDelay : ms; }

static int IsShowValue(UINT v) { return (v & 0xFFFF0000u) == kShowLauncher; }

struct EdgesPageState {
  EdgeRange Margins[kEdgeButtons];
  UINT Values[kEdgeButtons];
  HWND ToolTip;
};

static EdgesPageState* State(HWND page) { return (EdgesPageState*)GetWindowLongPtrW(page, DWLP_USER); }

static int* DelaySetting(int k) {
  SettingsState& st = g_App.Settings;
  int* const settings[4] = {&st.ShowDelay, &st.HideDelay, &st.EdgeBootDelay, &st.PageDelay};
  return settings[k];
}

static HICON AssignmentIcon(UINT v) {
  if (v < 0x10000) return nullptr;
  if (IsShowValue(v)) return g_App.Tray.Icons && g_App.Tray.Count > 0 ? g_App.Tray.Icons[0] : nullptr;
  ButtonInfo* b = GetItem((int)(v >> 16) - 1, (int)(v & 0xFFFF));
  if (!b) return nullptr;
  if (b->Type == 0x4065) return g_App.Tray.Icons && g_App.Tray.Count > 2 ? g_App.Tray.Icons[2] : nullptr;
  return b->Icon[0] ? b->Icon[0] : b->Icon[1];
}

// The eight buttons draw the icon of what they do over the normal face.
static LRESULT CALLBACK ActionIconButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                             DWORD_PTR ref) {
  HWND page = (HWND)ref;
  EdgesPageState* s = State(page);
  int type = (int)id - IDC_EDGE_FIRST;
  switch (message) {
    case WM_PAINT: {
      LRESULT r = DefSubclassProc(button, message, wParam, lParam);
      HICON icon = s ? AssignmentIcon(s->Values[type]) : nullptr;
      if (icon) {
        UINT dpi = 96;
        HDC screen = GetDC(button);
        if (screen) {
          dpi = (UINT)GetDeviceCaps(screen, LOGPIXELSX);
          ReleaseDC(button, screen);
        }
        int size = dpi > 96 ? MulDiv(16, (int)dpi, 96) : 16;
        RECT rc;
        GetClientRect(button, &rc);
        HDC dc = GetDC(button);
        DrawIconEx(dc, (rc.right - size) / 2, (rc.bottom - size) / 2, icon, size, size, 0, nullptr, DI_NORMAL);
        ReleaseDC(button, dc);
      }
      return r;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(button, ActionIconButtonProc, id);
      break;
  }
  return DefSubclassProc(button, message, wParam, lParam);
}

static void EnableShowOptions(HWND page, const EdgesPageState* s) {
  BOOL any = FALSE;
  for (int t = 0; t < kEdgeButtons; t++) any |= IsShowValue(s->Values[t]);
  EnableWindow(GetDlgItem(page, IDC_HOLD_TO_SHOW), any);
  EnableWindow(GetDlgItem(page, IDC_HIDE_ON_LEAVE), any);
}

static int ReadDelay(HWND page, int k) {
  BOOL ok;
  int v = (int)GetDlgItemInt(page, IDC_DELAY_FIRST + k, &ok, TRUE);
  int clamped = ClampEdgeDelay(ok ? v : 0);
  if (!ok || clamped != v) SetDlgItemInt(page, IDC_DELAY_FIRST + k, (UINT)clamped, TRUE);
  return clamped;
}

static int InitPage(HWND page) {
  EdgesPageState* s = (EdgesPageState*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(EdgesPageState));
  if (!s) return 0;
  SetWindowLongPtrW(page, DWLP_USER, (LONG_PTR)s);
  s->ToolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0,
                               0, 0, page, nullptr, g_App.Instance, nullptr);
  if (s->ToolTip)
    SetWindowPos(s->ToolTip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
  for (int t = 0; t < kEdgeButtons; t++) {
    s->Margins[t] = g_App.Settings.EdgeMargins[t];
    s->Values[t] = g_App.Store.Refs.EdgeAssignment[t];
    HWND button = GetDlgItem(page, IDC_EDGE_FIRST + t);
    if (!SetWindowSubclass(button, ActionIconButtonProc, (UINT_PTR)(IDC_EDGE_FIRST + t), (DWORD_PTR)page)) return 0;
    if (s->ToolTip) {
      TTTOOLINFOW ti = {};
      ti.cbSize = sizeof ti;
      ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      ti.hwnd = page;
      ti.uId = (UINT_PTR)button;
      ti.lpszText = LPSTR_TEXTCALLBACKW;
      SendMessageW(s->ToolTip, TTM_ADDTOOLW, 0, (LPARAM)&ti);
    }
  }
  const UINT option1 = g_App.Settings.Option1;
  CheckDlgButton(page, IDC_HOLD_TO_SHOW, (option1 & 0x200000) ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(page, IDC_HIDE_ON_LEAVE, (option1 & 0x4000) ? BST_CHECKED : BST_UNCHECKED);
  EnableShowOptions(page, s);
  for (int k = 0; k < 4; k++) {
    SetDlgItemInt(page, IDC_DELAY_FIRST + k, (UINT)ClampEdgeDelay(*DelaySetting(k)), TRUE);
    SetEditRange(page, IDC_DELAY_FIRST + k, IDC_DELAY_SPIN_FIRST + k, kMaxEdgeDelay, 0);
  }
  return 1;
}

static void Apply(HWND page) {
  BeginPageApply(page);
  EdgesPageState* s = State(page);
  if (!s) return;
  for (int t = 0; t < kEdgeButtons; t++) g_App.Store.Refs.EdgeAssignment[t] = s->Values[t];
  MarkOptionsDirty();
  for (int t = 0; t < kEdgeButtons; t++) g_App.Settings.EdgeMargins[t] = s->Margins[t];
  MarkOptionsDirty();
  UINT option1 = g_App.Settings.Option1 & ~(0x200000u | 0x4000u);
  if (IsDlgButtonChecked(page, IDC_HOLD_TO_SHOW)) option1 |= 0x200000;
  if (IsDlgButtonChecked(page, IDC_HIDE_ON_LEAVE)) option1 |= 0x4000;
  g_App.Settings.Option1 = option1;
  MarkOptionsDirty();
  // Enter applies without the field losing the focus: clamp here too.
  for (int k = 0; k < 4; k++) {
    *DelaySetting(k) = ReadDelay(page, k);
    MarkOptionsDirty();
  }
}

static void OnEdgeButton(HWND page, int type) {
  EdgesPageState* s = State(page);
  HMENU top = LoadMenuW(GetMenuModule(IDR_MENU_EDGE), MAKEINTRESOURCEW(IDR_MENU_EDGE));
  if (!top) return;
  HMENU menu = GetSubMenu(top, 0);
  UINT v = s->Values[type];
  if (v > 0xFFFF && !IsShowValue(v)) {
    wchar_t text[kActionNameChars + 8];
    FormatActionName((int)(v >> 16) - 1, (int)(v & 0xFFFF), text, 0);
    lstrcatW(text, L"(&I)");
    InsertMenuW(menu, 2, MF_BYPOSITION | MF_STRING, CMD_EDGE_ITEM, text);
  }
  CheckMenuItem(menu, !v ? CMD_EDGE_NONE : IsShowValue(v) ? CMD_EDGE_SHOW : CMD_EDGE_ITEM, MF_BYCOMMAND | MF_CHECKED);
  POINT pt;
  GetCursorPos(&pt);
  UINT keep = g_App.UiStateFlags & 0x01;
  g_App.UiStateFlags |= 0x01;
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, pt.x, pt.y, 0, page, nullptr);
  UpdateCursor();
  g_App.UiStateFlags = (g_App.UiStateFlags & ~0x01u) | keep;
  DestroyMenu(top);
  InvalidateRect(GetDlgItem(page, IDC_EDGE_FIRST + type), nullptr, TRUE);
  if (command == CMD_EDGE_RANGE) {
    EdgeRangeParam range = {type, s->Margins[type].cx, s->Margins[type].cy};
    if (ShowEdgeRangeDialog(page, &range)) {
      s->Margins[type].cx = range.cx;
      s->Margins[type].cy = range.cy;
      PropSheet_Changed(GetParent(page), page);
    }
    return;
  }
  if (command == CMD_EDGE_SHOW) {
    int chosen = IsShowValue(v) ? (int)(v & 0xFFFF) : LIST_NONE;
    ChooseInitialPage(page, &chosen);
    s->Values[type] = kShowLauncher | ((UINT)chosen & 0xFFFF);
  } else if (command == CMD_EDGE_NONE) {
    s->Values[type] = 0;
  } else if (command != CMD_EDGE_ITEM) {
    return;
  }
  if (s->ToolTip) SendMessageW(s->ToolTip, TTM_POP, 0, 0);
  EnableShowOptions(page, s);
  InvalidateRect(GetDlgItem(page, IDC_EDGE_FIRST + type), nullptr, TRUE);
  PropSheet_Changed(GetParent(page), page);
}

INT_PTR CALLBACK EdgesPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      if (!InitPage(page)) PostMessageW(GetParent(page), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wParam), code = HIWORD(wParam);
      if (!State(page)) return FALSE;
      if (id >= IDC_EDGE_FIRST && id < IDC_EDGE_FIRST + kEdgeButtons && code == BN_CLICKED) {
        OnEdgeButton(page, id - IDC_EDGE_FIRST);
      } else if ((id == IDC_HOLD_TO_SHOW || id == IDC_HIDE_ON_LEAVE) && code == BN_CLICKED) {
        PropSheet_Changed(GetParent(page), page);
      } else if (id >= IDC_DELAY_FIRST && id < IDC_DELAY_FIRST + 4) {
        if (code == EN_CHANGE) PropSheet_Changed(GetParent(page), page);
        else if (code == EN_KILLFOCUS) ReadDelay(page, id - IDC_DELAY_FIRST);
      }
      return FALSE;
    }
    case WM_DRAWITEM: {
      const DRAWITEMSTRUCT* d = (const DRAWITEMSTRUCT*)lParam;
      if (d->CtlID != IDC_SCREEN) return FALSE;
      // A screen whose red rim stands for its edges.
      DrawFrameEdges(d->hDC, d->rcItem, 0xFFE6E6, 0xBE0000, 3);
      return TRUE;
    }
    case WM_CTLCOLORSTATIC:
      if (GetDlgCtrlID((HWND)lParam) == IDC_SCREEN) return (INT_PTR)GetStockObject(NULL_BRUSH);
      return FALSE;
    case WM_NOTIFY: {
      const NMHDR* h = (const NMHDR*)lParam;
      EdgesPageState* s = State(page);
      if (s && h->code == TTN_GETDISPINFOW && h->hwndFrom == s->ToolTip) {
        NMTTDISPINFOW* info = (NMTTDISPINFOW*)lParam;
        int type = GetDlgCtrlID((HWND)h->idFrom) - IDC_EDGE_FIRST;
        static wchar_t tip[kActionNameChars];
        tip[0] = 0;
        if (type >= 0 && type < kEdgeButtons && s->Values[type] > 0xFFFF) {
          UINT v = s->Values[type];
          FormatActionName(IsShowValue(v) ? LIST_NONE : (int)(v >> 16) - 1, (int)(v & 0xFFFF), tip, 0);
          tip[80] = 0;
        }
        info->lpszText = tip;
        return TRUE;
      }
      if (HandlePageNotify(page, h, OPT_PAGE_EDGES, Apply)) return TRUE;
      return FALSE;
    }
    case WM_DESTROY:
      if (EdgesPageState* s = State(page)) {
        if (s->ToolTip) DestroyWindow(s->ToolTip);
        SetWindowLongPtrW(page, DWLP_USER, 0);
        HeapFree(GetProcessHeap(), 0, s);
      }
      return FALSE;
  }
  return FALSE;
}
