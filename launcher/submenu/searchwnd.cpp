#include "submenu/searchwnd.h"

#include <commctrl.h>

#include "core/launch.h"
#include "core/menucmd.h"
#include "core/startup.h"
#include "core/winhelpers.h"
#include "core/hookbind.h"
#include "render/draw.h"
#include "state.h"
#include "store/items.h"
#include "store/outlets.h"
#include "submenu/search.h"

static const int kMaxText = 260, kMinWidth = 100, kIconSide = 16, kFrame = 2;
static const UINT kDebounceTimer = 1;
static const UINT kLaunchFlags = 512, kMouseLaunchFlags = 640;

namespace {
struct SearchWindowState {
  HWND Wnd, Edit;
  HFONT Font;
  int Selected, Pressed;
  int RowHeight, EditHeight;
  SearchResults Shown;  // swapped in on this thread only
};
SearchWindowState g_Search;
}  // namespace

HWND SearchWindow() { return g_Search.Wnd; }
HWND SearchEdit() { return g_Search.Edit; }

static int Dpi() {
  HDC dc = GetDC(nullptr);
  int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
  if (dc) ReleaseDC(nullptr, dc);
  return dpi > 0 ? dpi : 96;
}

static RECT RowRect(int i) {
  RECT c;
  GetClientRect(g_Search.Wnd, &c);
  int top = kFrame + g_Search.EditHeight + kFrame + i * g_Search.RowHeight;
  return RECT{kFrame, top, c.right - kFrame, top + g_Search.RowHeight};
}

// Below the launcher's body, or where the user last put it relative to the launcher.
static void LayoutSearch() {
  SearchWindowState& s = g_Search;
  if (!s.Wnd || !g_App.MainWnd) return;
  RECT l;
  GetWindowRect(g_App.MainWnd, &l);
  const ViewModeDesign& d = g_App.Design.ViewMode[CurrentViewMode()];
  int dpi = Dpi();
  int x = l.left, y = l.bottom, width = l.right - l.left;
  if (d.SearchWindowW > 0) {
    x = l.left + d.SearchWindowX;
    y = l.top + d.SearchWindowY;
    width = d.SearchWindowW;
  }
  int least = MulDiv(kMinWidth, dpi, 96);
  if (width < least) width = least;
  HDC dc = GetDC(s.Wnd);
  HGDIOBJ old = SelectObject(dc, s.Font);
  TEXTMETRICW tm = {};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(s.Wnd, dc);
  s.EditHeight = tm.tmHeight * 3 / 2 < 22 ? 22 : tm.tmHeight * 3 / 2;
  int icon = MulDiv(kIconSide, dpi, 96);
  s.RowHeight = (tm.tmHeight > icon ? tm.tmHeight : icon) + MulDiv(4, dpi, 96);
  int height = kFrame * 3 + s.EditHeight + s.Shown.Count * s.RowHeight;
  MoveWindow(s.Wnd, x, y, width, height, TRUE);
  MoveWindow(s.Edit, kFrame, kFrame, width - 2 * kFrame, s.EditHeight, TRUE);
}

static void Paint(HDC dc) {
  SearchWindowState& s = g_Search;
  RECT c;
  GetClientRect(s.Wnd, &c);
  FillRect(dc, &c, GetSysColorBrush(COLOR_MENU));
  FrameRect(dc, &c, GetSysColorBrush(COLOR_WINDOWFRAME));
  HGDIOBJ old = SelectObject(dc, s.Font);
  SetBkMode(dc, TRANSPARENT);
  int dpi = Dpi(), icon = MulDiv(kIconSide, dpi, 96), pad = MulDiv(4, dpi, 96);
  for (int i = 0; i < s.Shown.Count; i++) {
    SearchResult* r = s.Shown.Items[i];
    RECT row = RowRect(i);
    r->Rect = row;
    int sel = i == s.Selected;
    if (sel) FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(sel ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    ButtonInfo* b = SearchResultButton(r);
    HICON h = b ? (b->Icon[0] ? b->Icon[0] : b->Icon[1]) : nullptr;
    if (h) DrawIconEx(dc, row.left + pad, row.top + (row.bottom - row.top - icon) / 2, h, icon, icon, 0, nullptr, DI_NORMAL);
    RECT text = row;
    text.left += pad * 2 + icon;
    DrawTextW(dc, r->Name, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  SelectObject(dc, old);
}

static void Redraw() {
  if (g_Search.Wnd) InvalidateRect(g_Search.Wnd, nullptr, TRUE);
}

static void Select(int i) {
  if (i < -1 || i >= g_Search.Shown.Count || i == g_Search.Selected) return;
  g_Search.Selected = i;
  Redraw();
}

static void LaunchSelected(UINT flags) {
  SearchWindowState& s = g_Search;
  if (s.Selected < 0 || s.Selected >= s.Shown.Count) return;
  ButtonInfo* b = SearchResultButton(s.Shown.Items[s.Selected]);
  if (!b) return;  // gone from the store since the search
  RECT row = RowRect(s.Selected);
  POINT pt = {row.left + (row.right - row.left) * 2 / 3, (row.top + row.bottom) / 2};
  ClientToScreen(s.Wnd, &pt);
  LaunchItem(b, flags, &pt);
}

static void StartSearch() {
  SearchWindowState& s = g_Search;
  if (!s.Wnd) return;
  DWORD wait = SearchStartDelay(GetTickCount(), LastSearchStart());
  if (wait) {
    SetTimer(s.Wnd, kDebounceTimer, wait, nullptr);
    return;
  }
  wchar_t text[kMaxText + 1] = L"";
  GetWindowTextW(s.Edit, text, kMaxText + 1);
  SettingsState& set = g_App.Settings;
  if (!set.Search.LastWord || lstrcmpW(set.Search.LastWord, text)) {
    wchar_t* copy = StoreDupString(text);
    if (copy) {
      StoreFree(set.Search.LastWord);
      set.Search.LastWord = copy;
      MarkSettingsChanged();
    }
  }
  if (!text[0]) {  // nothing to look for: an empty list, no worker
    StopSearchWorker();
    FreeSearchResults(&s.Shown);
    s.Selected = -1;
    LayoutSearch();
    Redraw();
    return;
  }
  StartSearchWorker(text, s.Wnd);  // a worker that will not stop: the next change tries again
}

static void CloseSearch() {
  if (g_App.Settings.Status & STATUS_SEARCH) OnMenuCommand(CMD_SEARCH, -1, 0);
  else if (g_Search.Wnd) DestroyWindow(g_Search.Wnd);
}

static int HandleKey(WPARAM vk) {
  int mods = (GetKeyState(VK_SHIFT) < 0) | (GetKeyState(VK_CONTROL) < 0) << 1 | (GetKeyState(VK_MENU) < 0) << 2;
  if (mods) return 0;
  switch (vk) {
    case VK_RETURN:
      LaunchSelected(kLaunchFlags);
      return 1;
    case VK_ESCAPE:  // not destroyed from inside the edit's own key handling
      PostMessageW(g_Search.Wnd, WM_CLOSE, 0, 0);
      return 1;
    case VK_UP:
      if (g_Search.Selected > 0) Select(g_Search.Selected - 1);
      return 1;
    case VK_DOWN:
      Select(g_Search.Selected + 1);
      return 1;
    case VK_TAB:
      if (g_App.MainWnd) BringToForeground(g_App.MainWnd, 0);
      return 1;
  }
  return 0;
}

static LRESULT CALLBACK EditProc(HWND w, UINT m, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
  switch (m) {
    case WM_KEYDOWN:
      if (HandleKey(wp)) return 0;
      break;
    case WM_CHAR:  // the keys above would only beep here
      if (wp == '\r' || wp == 27 || wp == '\t') return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(w, EditProc, id);
      break;
  }
  return DefSubclassProc(w, m, wp, lp);
}

static int RowAt(LPARAM lp) {
  POINT pt = {(short)LOWORD(lp), (short)HIWORD(lp)};
  for (int i = 0; i < g_Search.Shown.Count; i++) {
    RECT r = RowRect(i);
    if (PtInRect(&r, pt)) return i;
  }
  return -1;
}

LRESULT CALLBACK SearchWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  SearchWindowState& s = g_Search;
  if (w != s.Wnd) return DefWindowProcW(w, m, wp, lp);
  switch (m) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(w, &ps);
      Paint(dc);
      EndPaint(w, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_CLOSE:
      CloseSearch();
      return 0;
    case WM_COMMAND:
      if ((HWND)lp == s.Edit && HIWORD(wp) == EN_CHANGE) StartSearch();
      return 0;
    case WMA_RESEARCH:
      StartSearch();
      return 0;
    case WM_TIMER:
      if (wp == kDebounceTimer) {
        KillTimer(w, kDebounceTimer);
        StartSearch();
      }
      return 0;
    case WMA_WORKERDONE:
      if (TakeSearchResults(&s.Shown)) {
        s.Selected = s.Shown.Count ? 0 : -1;
        s.Pressed = -1;
        LayoutSearch();
        Redraw();
      }
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (HandleKey(wp)) return 0;
      break;
    case WM_MOUSEMOVE:
      if (!SearchWorkerRunning() && !(wp & (MK_LBUTTON | MK_RBUTTON))) {
        int i = RowAt(lp);
        if (i >= 0) Select(i);
      }
      return 0;
    case WM_LBUTTONDOWN:
      if (!SearchWorkerRunning()) {
        s.Pressed = RowAt(lp);
        if (s.Pressed >= 0) Select(s.Pressed);
      }
      return 0;
    case WM_LBUTTONUP: {
      int i = SearchWorkerRunning() ? -1 : RowAt(lp);
      if (i >= 0 && i == s.Pressed && i == s.Selected) LaunchSelected(kMouseLaunchFlags);
      s.Pressed = -1;
      if (s.Edit) SetFocus(s.Edit);
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && s.Edit) SetFocus(s.Edit);
      return 0;
    case WM_DESTROY:
      KillTimer(w, kDebounceTimer);
      StopSearchWorker();
      FreeSearchResults(&s.Shown);
      if (s.Font) DeleteObject(s.Font);
      s = SearchWindowState{};
      return 0;
  }
  return DefWindowProcW(w, m, wp, lp);
}

static HFONT MakeFont() {
  NONCLIENTMETRICSW nm = {};
  nm.cbSize = sizeof nm;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof nm, &nm, 0)) return CreateFontIndirectW(&nm.lfMenuFont);
  return nullptr;
}

static int OpenSearchWindow() {
  SearchWindowState& s = g_Search;
  if (s.Wnd) return 1;
  s = SearchWindowState{};
  s.Selected = s.Pressed = -1;
  HINSTANCE inst = GetModuleHandleW(nullptr);
  // Messages before s.Wnd is set go to DefWindowProcW: nothing is needed of them.
  HWND w = CreateWindowExW(WS_EX_TOOLWINDOW, kSearchWndClass, L"", WS_POPUP, 0, 0, 1, 1, g_App.MainWnd, nullptr, inst,
                           nullptr);
  if (!w) return 0;
  s.Wnd = w;
  s.Font = MakeFont();
  s.Edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 1, 1, w,
                           (HMENU)1, inst, nullptr);
  if (!s.Edit) {
    DestroyWindow(w);
    return 0;
  }
  if (s.Font) SendMessageW(s.Edit, WM_SETFONT, (WPARAM)s.Font, 0);
  SendMessageW(s.Edit, EM_LIMITTEXT, kMaxText, 0);
  SetWindowSubclass(s.Edit, EditProc, 1, 0);
  LayoutSearch();
  const wchar_t* last = g_App.Settings.Search.LastWord;
  if (last && *last) SetWindowTextW(s.Edit, last);  // searches through EN_CHANGE
  ShowWindow(w, SW_SHOW);
  return 1;
}

static void FocusEdit() {
  if (!g_Search.Wnd) return;
  BringToForeground(g_Search.Wnd, 0);
  SetFocus(g_Search.Edit);
  SendMessageW(g_Search.Edit, EM_SETSEL, 0, -1);
}

static void ToggleSearchWindow(int on, int focus) {
  if (!on) {
    if (g_Search.Wnd) DestroyWindow(g_Search.Wnd);
    if (g_App.MainWnd && IsWindowVisible(g_App.MainWnd)) BringToForeground(g_App.MainWnd, 0);
    return;
  }
  if (!OpenSearchWindow()) {
    g_App.Settings.Status &= ~STATUS_SEARCH;
    return;
  }
  ShowWindow(g_Search.Wnd, SW_SHOW);
  if (focus || GetForegroundWindow() == g_App.MainWnd) FocusEdit();
}

static void RelayoutSearchWindow() {
  LayoutSearch();
  Redraw();
}

static void PostResearch() {
  if (g_Search.Wnd) PostMessageW(g_Search.Wnd, WMA_RESEARCH, 0, 0);
}

void BindSearchWindow() {
  g_MenuEntries.ToggleSearchWindow = ToggleSearchWindow;
  g_MenuEntries.RelayoutSearchWindow = RelayoutSearchWindow;
  g_StoreOutlets.PostResearch = PostResearch;
  g_StoreOutlets.StopSearch = PauseSearchForStoreChange;
}
