#include "render/hittest.h"

#include <vector>

#include "state.h"
#include "render/draw.h"
#include "render/layout.h"
#include "render/skin.h"

static int CurrentDpi() { return g_App.Design.Dpi > 0 ? g_App.Design.Dpi : 96; }
static int S(int v) { return ScaleForDpi(v, CurrentDpi()); }
static const ViewModeDesign* ActiveDesign() {
  return &g_App.Design.ViewMode[(g_App.Settings.Status & STATUS_VIEWMODE2) ? 1 : 0];
}

static bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

// --- pixels ---------------------------------------------------------------------------

// The alpha byte of a 32-bit pixel; -1 when the bitmap cannot be read there.
static int ReadAlpha(HDC dc, HBITMAP bitmap, int width, int height, int x, int y) {
  // One scan line of a bottom-up copy, whatever the bitmap's own row order:
  // a DIB section's header does not tell a top-down one apart everywhere
  // (Wine reports its height positive).
  std::vector<DWORD> line(width);
  BITMAPINFO bi = {};
  bi.bmiHeader = DibHeader(width, height, 32);
  if (GetDIBits(dc, bitmap, height - 1 - y, 1, line.data(), &bi, DIB_RGB_COLORS) != 1) return -1;
  return (int)(line[x] >> 24);
}

int IsTransparentPixel(HDC dc, HBITMAP bitmap, int x, int y) {
  if (!dc || !bitmap) return 0;
  BITMAP bm = {};
  if (!GetObjectW(bitmap, sizeof bm, &bm)) return 0;
  if (x < 0 || y < 0 || x >= bm.bmWidth || y >= bm.bmHeight) return 0;
  switch (g_App.Skin.TransparencyMode) {
    case SKINMODE_CLIPPING:
      return GetPixel(dc, x, y) == g_App.Skin.ClipColor;
    case SKINMODE_ALPHA:
      return ReadAlpha(dc, bitmap, bm.bmWidth, bm.bmHeight, x, y) == 0;
    default:
      return 0;
  }
}

// The cached strip of a system button; its first row is the normal state.
static int FaceOfSlot(int slot) {
  switch (slot) {
    case SLOT_CLOSEBUTTON: return FACE_CLOSE;
    case SLOT_PINBUTTON: return FACE_PIN;
    case SLOT_MODEBUTTON: return FACE_MODE;
    case SLOT_SEARCHBUTTON: return FACE_SEARCH;
    default: return -1;
  }
}

static int FaceTransparent(int face, int x, int y) {
  const FaceImages& f = g_App.Layout.Faces;
  return face >= 0 && IsTransparentPixel(f.Dc[face], f.Bitmap[face], x, y);
}

// --- system buttons -------------------------------------------------------------------

int HitTestSkinPart(int slot, int x, int y) {
  HWND w = g_App.MainWnd;
  if (!w || !IsWindowVisible(w) || slot < 0 || slot >= SKIN_SLOT_COUNT) return 0;
  const RECT& r = g_App.Skin.Slots[slot].Target;
  if (r.left == r.right || r.top == r.bottom) return 0;
  if (!Contains(r, POINT{x, y})) return 0;
  if (!HasSkin()) return 1;
  return !FaceTransparent(FaceOfSlot(slot), x - r.left, y - r.top);
}

static int UnderCursor(int slot) {
  if (g_App.Layout.DragActive || g_App.Input.RearrangeDrag || g_App.Input.TabDrag || !g_App.MainWnd) return 0;
  POINT p;
  if (!GetCursorPos(&p)) return 0;
  ScreenToClient(g_App.MainWnd, &p);
  return HitTestSkinPart(slot, p.x, p.y);
}

int GetCloseButtonState() {
  if (g_App.Input.ClosePressed) return 2;
  return UnderCursor(SLOT_CLOSEBUTTON);
}

int GetPinButtonState() {
  return ((g_App.Settings.Status & STATUS_PINNED) ? 2 : 0) | UnderCursor(SLOT_PINBUTTON);
}

int GetModeButtonState() {
  return ((g_App.Settings.Status & STATUS_VIEWMODE2) ? 2 : 0) | UnderCursor(SLOT_MODEBUTTON);
}

int GetSearchButtonState() {
  return ((g_App.Settings.Status & STATUS_SEARCH) ? 2 : 0) | UnderCursor(SLOT_SEARCHBUTTON);
}

// --- sizing ---------------------------------------------------------------------------

int SizingCodeAt(RECT window, RECT shadow, RECT size, int dpi, POINT pt, LPCWSTR* cursor) {
  struct Rule {
    int Code;
    LPCWSTR Cursor;
  };
  const LPCWSTR arrow = MAKEINTRESOURCEW(32512), nwse = MAKEINTRESOURCEW(32642), nesw = MAKEINTRESOURCEW(32643),
                we = MAKEINTRESOURCEW(32644), ns = MAKEINTRESOURCEW(32645);
  if (cursor) *cursor = arrow;
  RECT r = {window.left + ScaleForDpi(shadow.left, dpi), window.top + ScaleForDpi(shadow.top, dpi),
            window.right - ScaleForDpi(shadow.right, dpi), window.bottom - ScaleForDpi(shadow.bottom, dpi)};
  if (pt.x < r.left || pt.y < r.top || pt.x >= r.right || pt.y >= r.bottom) return SIZING_NONE;
  int L = ScaleForDpi(size.left, dpi), T = ScaleForDpi(size.top, dpi);
  int R = ScaleForDpi(size.right, dpi), B = ScaleForDpi(size.bottom, dpi);
  int dl = pt.x - r.left, dt = pt.y - r.top, dr = r.right - 1 - pt.x, db = r.bottom - 1 - pt.y;
  // Corners reach twice the border width along each edge.
  Rule hit = {SIZING_NONE, arrow};
  if ((dl < L && dt < 2 * T) || (dl < 2 * L && dt < T))
    hit = {SIZING_TOPLEFT, nwse};
  else if ((dr < R && dt < 2 * T) || (dr < 2 * R && dt < T))
    hit = {SIZING_TOPRIGHT, nesw};
  else if ((dl < L && db < 2 * B) || (dl < 2 * L && db < B))
    hit = {SIZING_BOTTOMLEFT, nesw};
  else if ((dr < R && db < 2 * B) || (dr < 2 * R && db < B))
    hit = {SIZING_BOTTOMRIGHT, nwse};
  else if (dl < L)
    hit = {SIZING_LEFT, we};
  else if (dt < T)
    hit = {SIZING_TOP, ns};
  else if (dr < R)
    hit = {SIZING_RIGHT, we};
  else if (db < B)
    hit = {SIZING_BOTTOM, ns};
  if (cursor) *cursor = hit.Cursor;
  return hit.Code;
}

int HitTestSizing(HCURSOR* cursor) {
  LPCWSTR shape = MAKEINTRESOURCEW(32512);
  int code = SIZING_NONE;
  HWND w = g_App.MainWnd;
  POINT p;
  RECT r;
  if (w && GetCursorPos(&p) && WindowFromPoint(p) == w && GetWindowRect(w, &r))
    code = SizingCodeAt(r, g_App.Skin.MainShadow, g_App.Skin.SizeArea, CurrentDpi(), p, &shape);
  if (cursor) *cursor = LoadCursorW(nullptr, shape);
  return code;
}

void ShrinkByShadowArea(RECT* rect, int entry, int dpi) {
  if (!rect) return;
  const SkinSettings& k = g_App.Skin;
  const RECT* shadow = entry == SHADOW_MAIN      ? &k.MainShadow
                       : entry == SHADOW_SUBMENU ? &k.SubMenuShadow
                       : entry == SHADOW_SEARCH  ? &k.SearchShadow
                                                 : nullptr;
  if (!shadow) return;
  if (dpi == 0) dpi = CurrentDpi();
  rect->left += ScaleForDpi(shadow->left, dpi);
  rect->top += ScaleForDpi(shadow->top, dpi);
  rect->right -= ScaleForDpi(shadow->right, dpi);
  rect->bottom -= ScaleForDpi(shadow->bottom, dpi);
}

// --- tabs and cells -------------------------------------------------------------------

static int PageOfButton(const ButtonInfo* b) {
  const ItemStore& s = g_App.Store;
  for (int p = 0; p < s.PageCount; p++)
    for (int i = 0; i < s.Pages[p].Count; i++)
      if (s.PageButtons[p][i] == b) return p;
  return s.CurrentPage;
}

static int TabPixelTransparent(int index, POINT p, const RECT& r) {
  int state = index == g_App.Settings.LastPage ? 2 : index == g_App.Layout.HoverTab ? 1 : 0;
  int y = S(ActiveDesign()->TabSizeY) * (3 * index + state) + p.y - r.top;
  return FaceTransparent(FACE_TABS, p.x - r.left, y);
}

static int CellPixelTransparent(int index, POINT p, const RECT& r) {
  const ItemStore& s = g_App.Store;
  const ButtonInfo* b = index < s.GridCells && s.Grid ? s.Grid[index].Button : nullptr;
  bool locked = b && (b->Type & ITEM_LOCKED);
  int column = 0;
  if (!g_App.Layout.Faces.SharedDesign) column = locked ? PageOfButton(b) : s.CurrentPage;
  if (column < 0) column = 0;
  int state = index == s.PressedCell ? 2 : index == s.HoverCell ? 1 : 0;
  const ViewModeDesign* d = ActiveDesign();
  int face = locked && g_App.Layout.Faces.Bitmap[FACE_LOCKEDBUTTONS] ? FACE_LOCKEDBUTTONS : FACE_BUTTONS;
  return FaceTransparent(face, column * S(d->ButtonSizeX) + p.x - r.left, state * S(d->ButtonSizeY) + p.y - r.top);
}

int FindItemAt(POINT p, int kind, int pixelTest) {
  const LayoutState& L = g_App.Layout;
  const RECT* rects;
  int count;
  if (kind == HIT_TABS) {
    const SkinSettings& k = g_App.Skin;
    RECT area = k.Slots[SLOT_TABAREA].Target;
    area.left += S(k.TabAreaMargin.left);
    area.top += S(k.TabAreaMargin.top);
    area.right -= S(k.TabAreaMargin.right);
    area.bottom -= S(k.TabAreaMargin.bottom);
    if (!Contains(area, p)) return -1;
    rects = L.TabRects;
    count = L.TabRectCount;
  } else if (kind == HIT_BUTTONS) {
    rects = L.CellRects;
    count = L.CellCount;
  } else {
    return -1;
  }
  for (int i = 0; rects && i < count; i++) {
    if (!Contains(rects[i], p)) continue;
    if (!pixelTest || !HasSkin()) return i;
    // A transparent corner hits nothing, not the neighbour behind it.
    int clear = kind == HIT_TABS ? TabPixelTransparent(i, p, rects[i]) : CellPixelTransparent(i, p, rects[i]);
    return clear ? -1 : i;
  }
  return -1;
}

int GetItemFromPoint(POINT* screenPoint, int kind, int pixelTest) {
  HWND w = g_App.MainWnd;
  if (!w) return -1;
  POINT p;
  if (screenPoint)
    p = *screenPoint;
  else if (!GetCursorPos(&p))
    return -1;
  ScreenToClient(w, &p);
  return FindItemAt(p, kind, pixelTest);
}

int IsPointInItemArea(POINT screenPoint, int flags) {
  HWND w = g_App.MainWnd;
  if (!w) return 0;
  POINT p = screenPoint;
  ScreenToClient(w, &p);
  if ((flags & ITEMAREA_TABS) && Contains(g_App.Skin.Slots[SLOT_TABAREA].Target, p)) return 1;
  if ((flags & ITEMAREA_BUTTONS) && Contains(g_App.Skin.Slots[SLOT_BUTTONAREA].Target, p)) return 1;
  return 0;
}

int GetCellRect(int cell, RECT* client) {
  const LayoutState& L = g_App.Layout;
  if (!client || !L.CellRects || cell < 0 || cell >= L.CellCount) return 0;
  *client = L.CellRects[cell];
  return 1;
}
