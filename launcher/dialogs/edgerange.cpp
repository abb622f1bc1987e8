#include "dialogs/edgerange.h"

#include <commctrl.h>
#include <wchar.h>

#include "core/winhelpers.h"
#include "dialogs/dialogboxes.h"
#include "dialogs/dialoghelpers.h"
#include "resources/resource.h"
#include "state.h"

enum {
  IDC_RANGE_LABEL = 1385,  // row k: label 1385 + k, edit 1389 + k, up-down 1021 + k
  IDC_RANGE_EDIT = 1389,
  IDC_RANGE_SPIN = 1021,
  IDS_EDGE_NAME = 456,
  IDS_CORNER_RANGE = 466,
  IDS_SIDE_RANGE = 467,
  IDS_SIDE_LABEL = 468,
};
const int kMarkerThickness = 5;
const int kMaxRange = 10000;
extern const wchar_t kEdgeWndClass[];

static const unsigned char kSlots[8][2] = {{1, 0}, {1, 2}, {3, 0}, {3, 2}, {1, 3}, {0, 2}, {1, 3}, {0, 2}};

// Types outside 0-7 never reach the dialog; they read as a top-left corner.
int GetEdgeRangeSlot(int type, int value) { return kSlots[type >= 0 && type < 8 ? type : 0][value ? 1 : 0]; }

int GetEdgeMarkerRect(int type, int cx, int cy, const RECT& m, RECT* out) {
  int x = m.left, y = m.top, w = cx, h = cy;
  switch (type) {
    case 0: break;
    case 1: x = m.right - cx; break;
    case 2: y = m.bottom - cy; break;
    case 3: x = m.right - cx; y = m.bottom - cy; break;
    case 4: y = m.top + cx; w = kMarkerThickness; h = m.bottom - m.top - cx - cy; break;
    case 5: x = m.left + cx; w = m.right - m.left - cx - cy; h = kMarkerThickness; break;
    case 6: x = m.right - kMarkerThickness; y = m.top + cx; w = kMarkerThickness; h = m.bottom - m.top - cx - cy; break;
    case 7: x = m.left + cx; y = m.bottom - kMarkerThickness; w = m.right - m.left - cx - cy; h = kMarkerThickness; break;
    default: w = h = 0;
  }
  SetRect(out, x, y, x + w, y + h);
  return w > 0 && h > 0;
}

struct EdgeRangeState {
  EdgeRangeParam* Range;
  HWND Marker;
};

static int MinOf(int type) { return type < 4 ? 1 : 0; }

static int ReadSlot(HWND dialog, int slot, int type) {
  BOOL ok;
  int v = (int)GetDlgItemInt(dialog, IDC_RANGE_EDIT + slot, &ok, TRUE);
  if (!ok) v = 0;
  return v < MinOf(type) ? MinOf(type) : v > kMaxRange ? kMaxRange : v;
}

static void PlaceMarker(HWND dialog, EdgeRangeState* s) {
  if (!s->Marker) return;
  int type = s->Range->Type;
  MONITORINFO mi = {sizeof mi};
  if (!GetMonitorInfoW(MonitorFromWindow(s->Marker, MONITOR_DEFAULTTONEAREST), &mi)) return;
  RECT r;
  int shown = GetEdgeMarkerRect(type, ReadSlot(dialog, GetEdgeRangeSlot(type, 0), type),
                                ReadSlot(dialog, GetEdgeRangeSlot(type, 1), type), mi.rcMonitor, &r);
  SetWindowPos(s->Marker, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOACTIVATE | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

static void InitDialog(HWND dialog, EdgeRangeState* s) {
  int type = s->Range->Type;
  wchar_t name[128], format[256], title[1024];
  LoadStoreString(IDS_EDGE_NAME + type, name, 128);
  LoadStoreString(type < 4 ? IDS_CORNER_RANGE : IDS_SIDE_RANGE, format, 256);
  // wsprintfW reads %s as a wide string, as the language texts mean it.
  if (GetFormatConversion(format) == 's') wsprintfW(title, format, name);
  else lstrcpynW(title, format, 1024);
  SetWindowTextW(dialog, title);
  int used[4] = {};
  for (int v = 0; v < 2; v++) {
    int slot = GetEdgeRangeSlot(type, v);
    used[slot] = 1;
    SetDlgItemInt(dialog, IDC_RANGE_EDIT + slot, (UINT)(v ? s->Range->cy : s->Range->cx), TRUE);
    SetEditRange(dialog, IDC_RANGE_EDIT + slot, IDC_RANGE_SPIN + slot, kMaxRange, MinOf(type));
    if (type >= 4) {
      wchar_t label[64];
      LoadStoreString(IDS_SIDE_LABEL + slot, label, 64);
      SetDlgItemTextW(dialog, IDC_RANGE_LABEL + slot, label);
    }
  }
  // The used rows move up to the first two places; the dialog shrinks by the rest.
  RECT first, second;
  GetWindowRect(GetDlgItem(dialog, IDC_RANGE_EDIT), &first);
  GetWindowRect(GetDlgItem(dialog, IDC_RANGE_EDIT + 1), &second);
  int pitch = second.top - first.top, place = 0;
  for (int k = 0; k < 4; k++) {
    const int ids[3] = {IDC_RANGE_LABEL + k, IDC_RANGE_EDIT + k, IDC_RANGE_SPIN + k};
    for (int id : ids) {
      HWND control = GetDlgItem(dialog, id);
      if (!used[k]) {
        ShowWindow(control, SW_HIDE);
        continue;
      }
      RECT r;
      GetWindowRect(control, &r);
      MapWindowPoints(nullptr, dialog, (POINT*)&r, 2);
      SetWindowPos(control, nullptr, r.left, r.top - (k - place) * pitch, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    if (used[k]) place++;
  }
  for (int id : {IDOK, IDCANCEL}) {
    RECT r;
    HWND button = GetDlgItem(dialog, id);
    GetWindowRect(button, &r);
    MapWindowPoints(nullptr, dialog, (POINT*)&r, 2);
    SetWindowPos(button, nullptr, r.left, r.top - 2 * pitch, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  }
  RECT w;
  GetWindowRect(dialog, &w);
  SetWindowPos(dialog, nullptr, 0, 0, w.right - w.left, w.bottom - w.top - 2 * pitch, SWP_NOMOVE | SWP_NOZORDER);
  s->Marker = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, kEdgeWndClass, L"", WS_POPUP, 0, 0, 0, 0, dialog,
                              nullptr, g_App.Instance, nullptr);
  PlaceMarker(dialog, s);
  SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

INT_PTR CALLBACK EdgeRangeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  EdgeRangeState* s = (EdgeRangeState*)GetWindowLongPtrW(dialog, DWLP_USER);
  TrackOpenDialog(dialog, message);
  switch (message) {
    case WM_INITDIALOG: {
      EdgeRangeParam* range = (EdgeRangeParam*)lParam;
      if (!range || range->Type < 0 || range->Type >= 8) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      s = (EdgeRangeState*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(EdgeRangeState));
      if (!s) {
        EndDialog(dialog, 0);
        return TRUE;
      }
      s->Range = range;
      SetWindowLongPtrW(dialog, DWLP_USER, (LONG_PTR)s);
      InitDialog(dialog, s);
      return TRUE;
    }
    case WM_COMMAND: {
      int id = LOWORD(wParam), code = HIWORD(wParam);
      if (!s) {
        if (id == IDCANCEL) EndDialog(dialog, 0);
        return FALSE;
      }
      if (id >= IDC_RANGE_EDIT && id < IDC_RANGE_EDIT + 4 && code == EN_CHANGE && IsWindowVisible(dialog)) {
        // A value out of range is replaced at once, so the marker never shows one.
        BOOL ok;
        int typed = (int)GetDlgItemInt(dialog, id, &ok, TRUE);
        int v = ReadSlot(dialog, id - IDC_RANGE_EDIT, s->Range->Type);
        if (ok && v != typed) SetDlgItemInt(dialog, id, (UINT)v, TRUE);
        PlaceMarker(dialog, s);
      } else if (id == IDOK) {
        int type = s->Range->Type;
        s->Range->cx = ReadSlot(dialog, GetEdgeRangeSlot(type, 0), type);
        s->Range->cy = ReadSlot(dialog, GetEdgeRangeSlot(type, 1), type);
        EndDialog(dialog, 1);
      } else if (id == IDCANCEL) {
        EndDialog(dialog, 0);
      }
      return FALSE;
    }
    case WM_DESTROY:
      if (s) {
        if (s->Marker) DestroyWindow(s->Marker);
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        HeapFree(GetProcessHeap(), 0, s);
      }
      return FALSE;
  }
  return FALSE;
}

int ShowEdgeRangeDialog(HWND owner, EdgeRangeParam* range) {
  return RunDialog(IDD_EDGE_RANGE, owner, EdgeRangeDlgProc, (LPARAM)range) == 1;
}

LRESULT CALLBACK EdgeWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      // Bound at run time: older systems lack it.
      typedef BOOL(WINAPI * SetLayeredFn)(HWND, COLORREF, BYTE, DWORD);
      SetLayeredFn set = (SetLayeredFn)(void*)GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetLayeredWindowAttributes");
      if (set) set(window, 0, 0xCC, LWA_ALPHA);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
      FillRect(dc, &ps.rcPaint, red);
      DeleteObject(red);
      EndPaint(window, &ps);
      return 0;
    }
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
