#include "render/layout.h"

#include <commctrl.h>
#include <string.h>

#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "render/draw.h"
#include "render/skin.h"
#include "resources/resource.h"
#include "store/grid.h"

LayoutSeams g_LayoutSeams = {MeasureText, nullptr};

// --- scaling --------------------------------------------------------------------------

static int CurrentDpi() { return g_App.Design.Dpi > 0 ? g_App.Design.Dpi : 96; }
static int S(int v) { return ScaleForDpi(v, CurrentDpi()); }
// Joins of one pixel stay one pixel at every DPI.
static int ScaleOffset(int v) { return (v >= -1 && v <= 1) ? v : S(v); }

// The view-mode design the layout uses (Status bit 0).
static const ViewModeDesign* ActiveDesign() {
  return &g_App.Design.ViewMode[(g_App.Settings.Status & STATUS_VIEWMODE2) ? 1 : 0];
}

static bool VerticalTabs() {
  int p = g_App.Skin.TabPosition;
  return p == TABPOS_LEFT || p == TABPOS_RIGHT;
}

int GetWindowDpi(HWND window, HMONITOR monitor) {
  HMONITOR m = window ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST) : monitor;
  int dpi = 0;
  if (m && g_App.Api.GetDpiForMonitor) {
    UINT x = 0, y = 0;
    if (SUCCEEDED(g_App.Api.GetDpiForMonitor(m, 0 /* effective DPI */, &x, &y))) dpi = (int)x;
  }
  if (!dpi) {
    HDC dc = GetDC(nullptr);
    if (dc) {
      dpi = GetDeviceCaps(dc, LOGPIXELSY);
      ReleaseDC(nullptr, dc);
    }
  }
  // A failing query must not shrink the window.
  return dpi < 96 ? CurrentDpi() : dpi;
}

// --- arrangement ----------------------------------------------------------------------

static void SetEdges(int slot, UINT l, UINT t, UINT r, UINT b, int vl, int vt, int vr, int vb) {
  SkinSlot& s = g_App.Skin.Slots[slot];
  s.Edge[EDGE_LEFT] = l;
  s.Edge[EDGE_TOP] = t;
  s.Edge[EDGE_RIGHT] = r;
  s.Edge[EDGE_BOTTOM] = b;
  s.Offset[EDGE_LEFT] = vl;
  s.Offset[EDGE_TOP] = vt;
  s.Offset[EDGE_RIGHT] = vr;
  s.Offset[EDGE_BOTTOM] = vb;
}

void ResetSkinArrangement() {
  for (int i = 0; i <= SLOT_LOCKMARKER; i++) SetEdges(i, 0, 0, 0, 0, 0, 0, 0, 0);
  const UINT V = ARR_VARIABLE;
  SetEdges(SLOT_WINDOW, 0, 0, ARR_RIGHT | SLOT_FRAMERIGHT, ARR_BOTTOM | SLOT_FRAMEBOTTOM, 0, 0, 0, 0);
  SetEdges(SLOT_BACKGROUND, ARR_RIGHT | SLOT_FRAMELEFT, ARR_BOTTOM | SLOT_FRAMETOP, ARR_LEFT | SLOT_FRAMERIGHT,
           ARR_TOP | SLOT_FRAMEBOTTOM, 1, 1, -1, -1);
  SetEdges(SLOT_FRAMELEFT, ARR_LEFT | SLOT_WINDOW, ARR_BOTTOM | SLOT_FRAMETOP, V, ARR_TOP | SLOT_FRAMEBOTTOM, 0, 1,
           0, -1);
  SetEdges(SLOT_FRAMETOP, ARR_LEFT | SLOT_WINDOW, ARR_TOP | SLOT_WINDOW, ARR_RIGHT | SLOT_WINDOW, V, 0, 0, 0, 0);
  SetEdges(SLOT_FRAMERIGHT, ARR_RIGHT | SLOT_BUTTONAREA, ARR_BOTTOM | SLOT_FRAMETOP, V,
           ARR_TOP | SLOT_FRAMEBOTTOM, 1, 1, 0, -1);
  SetEdges(SLOT_FRAMEBOTTOM, ARR_LEFT | SLOT_WINDOW, ARR_BOTTOM | SLOT_BUTTONAREA, ARR_RIGHT | SLOT_FRAMERIGHT, V,
           0, 1, 0, 0);
  SetEdges(SLOT_CLOSEBUTTON, ARR_RIGHT | SLOT_FRAMETOP, ARR_TOP | SLOT_FRAMETOP, V, V, 0, 0, 0, 0);
  SetEdges(SLOT_PINBUTTON, ARR_LEFT | SLOT_FRAMETOP, ARR_TOP | SLOT_FRAMETOP, V, V, 0, 0, 0, 0);
  SetEdges(SLOT_CAPTION, ARR_RIGHT | SLOT_PINBUTTON, ARR_TOP | SLOT_FRAMETOP, ARR_LEFT | SLOT_CLOSEBUTTON,
           ARR_BOTTOM | SLOT_FRAMETOP, 2, 1, -2, -1);
  SetEdges(SLOT_TABAREA, ARR_RIGHT | SLOT_FRAMELEFT, ARR_BOTTOM | SLOT_FRAMETOP, ARR_LEFT | SLOT_FRAMERIGHT,
           ARR_TOP | SLOT_FRAMEBOTTOM, 1, 1, -1, 0);
  SetEdges(SLOT_BUTTONAREA, ARR_RIGHT | SLOT_FRAMELEFT, ARR_BOTTOM | SLOT_TABAREA, 0, 0, 1, 1, 0, 0);
}

void SetTabPositionArrangement(int position) {
  SkinSettings& k = g_App.Skin;
  SkinSlot* s = k.Slots;
  if (position < TABPOS_TOP || position > TABPOS_BOTTOM) position = TABPOS_TOP;
  k.TabPosition = position;
  if (position == TABPOS_LEFT) s[SLOT_BUTTONAREA].Edge[EDGE_LEFT] = ARR_RIGHT | SLOT_TABAREA;
  if (position == TABPOS_RIGHT) {
    s[SLOT_FRAMERIGHT].Edge[EDGE_LEFT] = ARR_RIGHT | SLOT_TABAREA;
    s[SLOT_TABAREA].Edge[EDGE_LEFT] = ARR_RIGHT | SLOT_BUTTONAREA;
  }
  if (position == TABPOS_BOTTOM) {
    s[SLOT_FRAMEBOTTOM].Edge[EDGE_TOP] = ARR_BOTTOM | SLOT_TABAREA;
    s[SLOT_TABAREA].Edge[EDGE_TOP] = ARR_BOTTOM | SLOT_BUTTONAREA;
  }
  if (position != TABPOS_TOP) s[SLOT_BUTTONAREA].Edge[EDGE_TOP] = ARR_BOTTOM | SLOT_FRAMETOP;
  int rightOf = position == TABPOS_RIGHT ? SLOT_TABAREA : SLOT_BUTTONAREA;
  int bottomOf = position == TABPOS_BOTTOM ? SLOT_TABAREA : SLOT_BUTTONAREA;
  s[SLOT_FRAMERIGHT].Offset[EDGE_LEFT] = -s[rightOf].Offset[EDGE_RIGHT];
  s[SLOT_FRAMEBOTTOM].Offset[EDGE_TOP] = -s[bottomOf].Offset[EDGE_BOTTOM];
}

int GetArrangeCoord(int base, UINT code) {
  // Codes come from skin files: a base outside the slots yields 0.
  if (base <= 0 || base >= SKIN_SLOT_COUNT) return 0;
  const RECT& r = g_App.Skin.Slots[base].Target;
  if (code & ARR_LEFT) return r.left;
  if (code & ARR_TOP) return r.top;
  if (code & ARR_RIGHT) return r.right;
  if (code & ARR_BOTTOM) return r.bottom;
  return 0;
}

static LONG* EdgeOf(RECT& r, int edge) {
  switch (edge) {
    case EDGE_LEFT: return &r.left;
    case EDGE_TOP: return &r.top;
    case EDGE_RIGHT: return &r.right;
    default: return &r.bottom;
  }
}

static void Arrange(int slot, int edge) {
  SkinSlot& s = g_App.Skin.Slots[slot];
  UINT code = s.Edge[edge];
  int v = s.Offset[edge];
  if (edge >= EDGE_RIGHT && (code & (ARR_SIZE | ARR_VARIABLE))) {
    LONG start = edge == EDGE_RIGHT ? s.Target.left : s.Target.top;
    *EdgeOf(s.Target, edge) = S(v) + start - 1;
  } else {
    *EdgeOf(s.Target, edge) = ScaleOffset(v) + GetArrangeCoord((int)(code & ARR_BASE_MASK), code);
  }
}

static void ArrangeAll(int slot) {
  for (int e = EDGE_LEFT; e <= EDGE_BOTTOM; e++) Arrange(slot, e);
}

// --- tab strip measurement ------------------------------------------------------------

int MeasureTabWidth(const PageDesign* design, const wchar_t* name) {
  const ViewModeDesign* d = ActiveDesign();
  static const PageDesign kNone = {};
  if (!design) design = &kNone;
  int widest = 0;
  const struct {
    int Font, Set;
  } kinds[] = {{FONT_TABB, PD_TABN}, {FONT_TABB, PD_TABH}, {FONT_TABA, PD_TABS}};
  for (const auto& k : kinds) {
    SIZE s = g_LayoutSeams.MeasureText(k.Font, &design->Sets[k.Set], name);
    if (s.cx > widest) widest = s.cx;
  }
  const RECT& m = d->Margin[MARGIN_TABTEXT];
  int w = S(m.left + m.right) + widest;
  int fixed = S(d->TabSizeX);
  return w > fixed ? w : fixed;
}

// A zero-filled widths array for n pages, kept for LayoutTabs.
static int* NewTabWidths(int n) {
  LayoutState& L = g_App.Layout;
  if (L.TabWidths) StoreFree(L.TabWidths);
  L.TabWidthCount = 0;
  L.TabWidths = static_cast<int*>(StoreAlloc(sizeof(int) * (n > 0 ? n : 1)));
  if (L.TabWidths) L.TabWidthCount = n;
  return L.TabWidths;
}

static int TabWidthOfPage(int page) {
  const ViewModeDesign* d = ActiveDesign();
  if (d->Flag & VMF_TAB_FIXEDWIDTH) return S(d->TabSizeX);
  const PageInfo& p = g_App.Store.Pages[page];
  return MeasureTabWidth(&p.Design, p.Name);
}

// Widens the tabs [first, end) so that the row fills the available width.
static void StretchRow(int* w, int first, int end, int used, int avail, int pitch) {
  int n = end - first;
  if (n <= 0 || used >= avail) return;
  int gain = (avail - used) / n;
  int sum = 0;
  for (int i = first; i < end; i++) {
    w[i] += gain;
    sum += w[i];
  }
  sum += (n - 1) * pitch;
  w[end - 1] += avail - sum;
}

int CalcTabStripHeight(int width) {
  const ViewModeDesign* d = ActiveDesign();
  const SkinSettings& k = g_App.Skin;
  int n = g_App.Store.PageCount;
  int* w = NewTabWidths(n);
  if (!w) return 0;
  int avail = width - S(k.TabAreaMargin.left + k.TabAreaMargin.right);
  if (avail < 0) avail = 0;
  bool fixed = (d->Flag & VMF_TAB_FIXEDWIDTH) != 0;
  bool multi = (d->Flag & VMF_TAB_MULTILINE) != 0;
  for (int i = 0; i < n; i++) {
    w[i] = TabWidthOfPage(i);
    if (w[i] > avail) w[i] = avail;
  }
  int rows = 1;
  if (multi) {
    int pitch = S(k.TabPitch.x);
    int first = 0, used = 0;
    for (int i = 0; i < n; i++) {
      if (i > first && used + pitch + w[i] > avail) {
        if (!fixed) StretchRow(w, first, i, used, avail, pitch);
        rows++;
        first = i;
        used = w[i];
      } else {
        used += (i > first ? pitch : 0) + w[i];
      }
    }
    if (n > 0 && !fixed) StretchRow(w, first, n, used, avail, pitch);
  }
  g_App.Layout.TabRows = rows;
  return S((rows - 1) * k.TabPitch.y + k.TabAreaMargin.top + rows * d->TabSizeY + k.TabAreaMargin.bottom);
}

int CalcTabStripWidth() {
  const ViewModeDesign* d = ActiveDesign();
  const SkinSettings& k = g_App.Skin;
  int n = g_App.Store.PageCount;
  int* w = NewTabWidths(n);
  if (!w) return 0;
  int widest = 0;
  if (d->Flag & VMF_TAB_FIXEDWIDTH) {
    widest = S(d->TabSizeX);
  } else {
    for (int i = 0; i < n; i++) {
      int t = TabWidthOfPage(i);
      if (t > widest) widest = t;
    }
  }
  for (int i = 0; i < n; i++) w[i] = widest;
  g_App.Layout.TabRows = n;
  return widest + S(k.TabAreaMargin.left + k.TabAreaMargin.right);
}

// --- window ---------------------------------------------------------------------------

static void ArrangeButtonAreaSize() {
  const ViewModeDesign* d = ActiveDesign();
  const SkinSettings& k = g_App.Skin;
  RECT& r = g_App.Skin.Slots[SLOT_BUTTONAREA].Target;
  int nx = d->ButtonNumX > 0 ? d->ButtonNumX : 1;
  r.right = S(k.ButtonAreaMargin.left + k.ButtonAreaMargin.right + nx * d->ButtonSizeX + (nx - 1) * k.ButtonPitch.x) +
            r.left - 1;
}

static void ArrangeButtonAreaHeight() {
  const ViewModeDesign* d = ActiveDesign();
  const SkinSettings& k = g_App.Skin;
  RECT& r = g_App.Skin.Slots[SLOT_BUTTONAREA].Target;
  int ny = d->ButtonNumY > 0 ? d->ButtonNumY : 1;
  r.bottom = S(k.ButtonAreaMargin.top + k.ButtonAreaMargin.bottom + ny * d->ButtonSizeY + (ny - 1) * k.ButtonPitch.y) +
             r.top - 1;
}

static void ArrangeButtonArea() {
  Arrange(SLOT_BUTTONAREA, EDGE_LEFT);
  ArrangeButtonAreaSize();
  Arrange(SLOT_BUTTONAREA, EDGE_TOP);
  ArrangeButtonAreaHeight();
}

static void ArrangeRightFrame() {
  Arrange(SLOT_FRAMERIGHT, EDGE_LEFT);
  Arrange(SLOT_FRAMERIGHT, EDGE_TOP);
  Arrange(SLOT_FRAMERIGHT, EDGE_RIGHT);
}

static void ArrangeHorizontalTabArea() {
  RECT& t = g_App.Skin.Slots[SLOT_TABAREA].Target;
  Arrange(SLOT_TABAREA, EDGE_LEFT);
  Arrange(SLOT_TABAREA, EDGE_TOP);
  Arrange(SLOT_TABAREA, EDGE_RIGHT);
  t.bottom = t.top + CalcTabStripHeight(t.right - t.left + 1) - 1;
}

static void ArrangeVerticalTabArea() {
  RECT& t = g_App.Skin.Slots[SLOT_TABAREA].Target;
  Arrange(SLOT_TABAREA, EDGE_LEFT);
  Arrange(SLOT_TABAREA, EDGE_TOP);
  t.right = t.left + CalcTabStripWidth() - 1;
}

static void ArrangeAreas() {
  switch (g_App.Skin.TabPosition) {
    case TABPOS_BOTTOM:
      ArrangeButtonArea();
      ArrangeRightFrame();
      ArrangeHorizontalTabArea();
      Arrange(SLOT_FRAMEBOTTOM, EDGE_TOP);
      break;
    case TABPOS_LEFT:
      ArrangeVerticalTabArea();
      ArrangeButtonArea();
      ArrangeRightFrame();
      Arrange(SLOT_FRAMEBOTTOM, EDGE_TOP);
      Arrange(SLOT_TABAREA, EDGE_BOTTOM);
      break;
    case TABPOS_RIGHT:
      ArrangeButtonArea();
      ArrangeVerticalTabArea();
      ArrangeRightFrame();
      Arrange(SLOT_FRAMEBOTTOM, EDGE_TOP);
      Arrange(SLOT_TABAREA, EDGE_BOTTOM);
      break;
    default:
      Arrange(SLOT_BUTTONAREA, EDGE_LEFT);
      ArrangeButtonAreaSize();
      ArrangeRightFrame();
      ArrangeHorizontalTabArea();
      Arrange(SLOT_BUTTONAREA, EDGE_TOP);
      ArrangeButtonAreaHeight();
      Arrange(SLOT_FRAMEBOTTOM, EDGE_TOP);
      break;
  }
}

void CalcMainWindowLayout() {
  const ViewModeDesign* d = ActiveDesign();
  SkinSlot* s = g_App.Skin.Slots;
  if (s[SLOT_FRAMETOP].Edge[EDGE_BOTTOM] == ARR_VARIABLE) s[SLOT_FRAMETOP].Offset[EDGE_BOTTOM] = d->CaptionHeight;
  if (s[SLOT_FRAMELEFT].Edge[EDGE_RIGHT] == ARR_VARIABLE) s[SLOT_FRAMELEFT].Offset[EDGE_RIGHT] = d->FrameWidth;
  if (s[SLOT_FRAMERIGHT].Edge[EDGE_RIGHT] == ARR_VARIABLE) s[SLOT_FRAMERIGHT].Offset[EDGE_RIGHT] = d->FrameWidth;
  if (s[SLOT_FRAMEBOTTOM].Edge[EDGE_BOTTOM] == ARR_VARIABLE)
    s[SLOT_FRAMEBOTTOM].Offset[EDGE_BOTTOM] = d->FrameWidth;
  if (!HasSkin()) {
    s[SLOT_SEARCHFRAME + 0].Offset[EDGE_RIGHT] = d->FrameWidth;
    s[SLOT_SEARCHFRAME + 2].Offset[EDGE_RIGHT] = d->FrameWidth;
    s[SLOT_SEARCHFRAME + 1].Offset[EDGE_BOTTOM] = d->FrameWidth;
    s[SLOT_SEARCHFRAME + 3].Offset[EDGE_BOTTOM] = d->FrameWidth;
    int half = d->CaptionHeight / 2, top = d->CaptionHeight / 4 + 1;
    SkinSlot& c = s[SLOT_CLOSEBUTTON];
    c.Offset[EDGE_LEFT] = -half - 7;
    c.Offset[EDGE_TOP] = top;
    c.Offset[EDGE_RIGHT] = c.Offset[EDGE_BOTTOM] = half;
    SkinSlot& p = s[SLOT_PINBUTTON];
    p.Offset[EDGE_LEFT] = 7;
    p.Offset[EDGE_TOP] = top;
    p.Offset[EDGE_RIGHT] = p.Offset[EDGE_BOTTOM] = half;
  }
  // The window's own corner is the origin the frames start from.
  Arrange(SLOT_WINDOW, EDGE_LEFT);
  Arrange(SLOT_WINDOW, EDGE_TOP);
  Arrange(SLOT_FRAMETOP, EDGE_LEFT);
  Arrange(SLOT_FRAMETOP, EDGE_TOP);
  Arrange(SLOT_FRAMETOP, EDGE_BOTTOM);
  Arrange(SLOT_FRAMELEFT, EDGE_LEFT);
  Arrange(SLOT_FRAMELEFT, EDGE_TOP);
  Arrange(SLOT_FRAMELEFT, EDGE_RIGHT);
  ArrangeAreas();
  Arrange(SLOT_FRAMEBOTTOM, EDGE_LEFT);
  Arrange(SLOT_FRAMEBOTTOM, EDGE_RIGHT);
  Arrange(SLOT_FRAMEBOTTOM, EDGE_BOTTOM);
  Arrange(SLOT_WINDOW, EDGE_RIGHT);
  Arrange(SLOT_WINDOW, EDGE_BOTTOM);
  g_App.Layout.Width = s[SLOT_WINDOW].Target.right + 1;
  g_App.Layout.Height = s[SLOT_WINDOW].Target.bottom + 1;
  Arrange(SLOT_FRAMETOP, EDGE_RIGHT);
  Arrange(SLOT_FRAMELEFT, EDGE_BOTTOM);
  Arrange(SLOT_FRAMERIGHT, EDGE_BOTTOM);
  for (int slot : {SLOT_CLOSEBUTTON, SLOT_PINBUTTON, SLOT_MODEBUTTON, SLOT_SEARCHBUTTON, SLOT_CAPTION,
                   SLOT_BACKGROUND})
    ArrangeAll(slot);
}

// --- tooltip tools --------------------------------------------------------------------

static void SetTool(UINT_PTR id, RECT r, bool inclusive) {
  HWND tip = g_App.Tray.ToolTip;
  if (!tip || !g_App.MainWnd) return;
  if (inclusive) {
    r.right++;
    r.bottom++;
  }
  TOOLINFOW ti = {};
  ti.cbSize = sizeof ti;
  ti.hwnd = g_App.MainWnd;
  ti.uId = id;
  if (SendMessageW(tip, TTM_GETTOOLINFOW, 0, (LPARAM)&ti)) {
    ti.rect = r;
    SendMessageW(tip, TTM_NEWTOOLRECTW, 0, (LPARAM)&ti);
    return;
  }
  ti = TOOLINFOW{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_SUBCLASS;
  ti.hwnd = g_App.MainWnd;
  ti.uId = id;
  ti.rect = r;
  ti.lpszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(tip, TTM_ADDTOOLW, 0, (LPARAM)&ti);
}

static void DeleteTools(UINT_PTR base, int from, int to) {
  HWND tip = g_App.Tray.ToolTip;
  if (!tip || !g_App.MainWnd) return;
  for (int i = from; i < to; i++) {
    TOOLINFOW ti = {};
    ti.cbSize = sizeof ti;
    ti.hwnd = g_App.MainWnd;
    ti.uId = base + i;
    SendMessageW(tip, TTM_DELTOOLW, 0, (LPARAM)&ti);
  }
}

// --- tabs and cells -------------------------------------------------------------------

// A zero-filled table of n rectangles in place of the old one; the old one
// stays on failure.
static bool RenewRects(RECT** table, int n) {
  size_t bytes = sizeof(RECT) * (n > 0 ? n : 1);
  void* p = *table ? StoreReAlloc(*table, bytes) : StoreAlloc(bytes);
  if (!p) {
    ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
    return false;
  }
  memset(p, 0, bytes);
  *table = static_cast<RECT*>(p);
  return true;
}

int LayoutTabs() {
  LayoutState& L = g_App.Layout;
  if (!L.TabWidths) return 0;
  int n = g_App.Store.PageCount;
  if (n > L.TabWidthCount) n = L.TabWidthCount;
  if (!RenewRects(&L.TabRects, n)) return 0;
  L.TabRectCount = n;
  const ViewModeDesign* d = ActiveDesign();
  const SkinSettings& k = g_App.Skin;
  const RECT& area = k.Slots[SLOT_TABAREA].Target;
  bool vertical = VerticalTabs();
  bool multi = !vertical && (d->Flag & VMF_TAB_MULTILINE);
  int x0 = area.left + S(k.TabAreaMargin.left), y0 = area.top + S(k.TabAreaMargin.top);
  int limit = area.right + 1 + S(k.TabAreaMargin.left) - S(k.TabAreaMargin.left + k.TabAreaMargin.right);
  int height = S(d->TabSizeY);
  int x = x0, y = y0;
  for (int p = 0; p < n; p++) {
    int w = L.TabWidths[p];
    if (multi && x > x0 && x + w > limit) {
      x = x0;
      y += S(d->TabSizeY + k.TabPitch.y);
    }
    L.TabRects[p] = RECT{x, y, x + w - 1, y + height - 1};
    if (vertical)
      y += S(d->TabSizeY + k.TabPitch.y);
    else
      x += S(k.TabPitch.x) + w;
    SetTool(TOOLID_TAB + p, L.TabRects[p], true);
  }
  StoreFree(L.TabWidths);
  L.TabWidths = nullptr;
  L.TabWidthCount = 0;
  if (L.TabToolCount > n) DeleteTools(TOOLID_TAB, n, L.TabToolCount);
  L.TabToolCount = n;
  ScrollTabIntoView();
  return 1;
}

int ScrollTabIntoView() {
  LayoutState& L = g_App.Layout;
  int page = g_App.Settings.LastPage;
  if (page < 0 || page >= L.TabRectCount) return 1;
  const SkinSettings& k = g_App.Skin;
  const RECT& area = k.Slots[SLOT_TABAREA].Target;
  const RECT& tab = L.TabRects[page];
  int dx = 0, dy = 0;
  if (VerticalTabs()) {
    int top = area.top + S(k.TabAreaMargin.top), bottom = area.bottom - S(k.TabAreaMargin.bottom);
    if (tab.top < top)
      dy = top - tab.top;
    else if (tab.bottom > bottom)
      dy = bottom - tab.bottom;
    else
      return 0;
  } else {
    int left = area.left + S(k.TabAreaMargin.left), right = area.right - S(k.TabAreaMargin.right);
    if (tab.left < left)
      dx = left - tab.left;
    else if (tab.right > right)
      dx = right - tab.right;
    else
      return 0;
  }
  for (int i = 0; i < L.TabRectCount; i++) {
    OffsetRect(&L.TabRects[i], dx, dy);
    // The tooltips follow the tabs they describe.
    SetTool(TOOLID_TAB + i, L.TabRects[i], true);
  }
  return 1;
}

int LayoutButtons() {
  LayoutState& L = g_App.Layout;
  const ViewModeDesign* d = ActiveDesign();
  const SkinSettings& k = g_App.Skin;
  int nx = d->ButtonNumX > 0 ? d->ButtonNumX : 1;
  int ny = d->ButtonNumY > 0 ? d->ButtonNumY : 1;
  int n = nx * ny;
  if (!RenewRects(&L.CellRects, n)) return 0;
  L.CellCount = n;
  L.CellColumns = nx;
  L.CellRows = ny;
  const RECT& area = k.Slots[SLOT_BUTTONAREA].Target;
  int x0 = area.left + S(k.ButtonAreaMargin.left);
  int y = area.top + S(k.ButtonAreaMargin.top);
  int w = S(d->ButtonSizeX), h = S(d->ButtonSizeY);
  int stepX = S(d->ButtonSizeX + k.ButtonPitch.x), stepY = S(d->ButtonSizeY + k.ButtonPitch.y);
  RECT* cell = L.CellRects;
  for (int r = 0; r < ny; r++, y += stepY) {
    int x = x0;
    for (int c = 0; c < nx; c++, x += stepX, cell++) {
      *cell = RECT{x, y, x + w - 1, y + h - 1};
      SetTool(TOOLID_CELL + (cell - L.CellRects), *cell, true);
    }
  }
  if (L.CellToolCount > n) DeleteTools(TOOLID_CELL, n, L.CellToolCount);
  L.CellToolCount = n;
  // The tooltip takes the first tool that holds the cursor: the area's own
  // tool goes after every cell, also after cells added now.
  DeleteTools(TOOLID_BUTTONAREA, 0, 1);
  SetTool(TOOLID_BUTTONAREA, area, false);
  return 1;
}

// The window and its parts take the layout just computed: its size, the
// tools of the system buttons, the tab and cell rectangles.
static void PlaceLayout() {
  LayoutState& L = g_App.Layout;
  HWND w = g_App.MainWnd;
  if (w) MoveWindow(w, g_App.Settings.LastPosX, g_App.Settings.LastPosY, L.Width, L.Height, FALSE);
  const SkinSlot* s = g_App.Skin.Slots;
  SetTool(TOOLID_CLOSEBUTTON, s[SLOT_CLOSEBUTTON].Target, true);
  SetTool(TOOLID_PINBUTTON, s[SLOT_PINBUTTON].Target, true);
  SetTool(TOOLID_MODEBUTTON, s[SLOT_MODEBUTTON].Target, true);
  SetTool(TOOLID_SEARCHBUTTON, s[SLOT_SEARCHBUTTON].Target, true);
  LayoutTabs();
  LayoutButtons();
  L.PlacedWidth = L.Width;
  L.PlacedHeight = L.Height;
  L.PlacedTabArea = s[SLOT_TABAREA].Target;
  L.PlacedButtonArea = s[SLOT_BUTTONAREA].Target;
}

void ApplyDesign() {
  HWND w = g_App.MainWnd;
  g_App.Design.Dpi = GetWindowDpi(w, nullptr);
  RebuildButtonGrid(1);
  CalcMainWindowLayout();
  PlaceLayout();
  if (g_LayoutSeams.RefreshImages) g_LayoutSeams.RefreshImages();
}

int RelayoutTabStrip() {
  const LayoutState& L = g_App.Layout;
  const SkinSlot* s = g_App.Skin.Slots;
  if (L.Width == L.PlacedWidth && L.Height == L.PlacedHeight && EqualRect(&s[SLOT_TABAREA].Target, &L.PlacedTabArea) &&
      EqualRect(&s[SLOT_BUTTONAREA].Target, &L.PlacedButtonArea))
    return LayoutTabs();
  // The strip gained or lost a row (or width): the window, the cells below
  // it and every cached image follow.
  PlaceLayout();
  if (g_LayoutSeams.RefreshImages) g_LayoutSeams.RefreshImages();
  return 1;
}

void FreeLayout() {
  LayoutState& L = g_App.Layout;
  if (L.TabRects) StoreFree(L.TabRects);
  if (L.CellRects) StoreFree(L.CellRects);
  if (L.TabWidths) StoreFree(L.TabWidths);
  L.TabRects = nullptr;
  L.CellRects = nullptr;
  L.TabWidths = nullptr;
  L.TabRectCount = L.CellCount = L.TabWidthCount = 0;
}
