#include "render/paint.h"

#include "state.h"
#include "render/backbuffer.h"
#include "render/design.h"
#include "render/draw.h"
#include "render/iconcache.h"
#include "render/layout.h"
#include "render/skin.h"
#include "store/history.h"
#include "store/items.h"

// DispOption bits of the caption text.
enum : UINT {
  DISP_CAPTION_NAME = 0x4,
  DISP_CAPTION_TIP = 0x8,
  DISP_CAPTION_TEXT = 0x1000,
};

static int S(int v) { return ScaleForDpi(v, LauncherDpi()); }

static int SysIndex(int piece) {
  switch (piece) {
    case SLOT_CLOSEBUTTON: return SYSBTN_CLOSE;
    case SLOT_PINBUTTON: return SYSBTN_PIN;
    case SLOT_MODEBUTTON: return SYSBTN_MODE;
    case SLOT_SEARCHBUTTON: return SYSBTN_SEARCH;
    default: return -1;
  }
}

// The DC to draw into: the given one, else the back buffer (layered), else
// a DC of the window, released by ReleaseTarget.
static HDC AcquireTarget(HDC given, bool* release) {
  *release = false;
  if (given) return given;
  if (LayeredMode()) return g_App.Render.Back.Dc;
  if (!g_App.MainWnd) return nullptr;
  HDC dc = GetDC(g_App.MainWnd);
  *release = dc != nullptr;
  return dc;
}

static void ReleaseTarget(HDC dc, bool release) {
  if (release) ReleaseDC(g_App.MainWnd, dc);
}

static void PushBackBuffer() {
  if (LayeredMode() && g_App.Render.Back.Dc && g_App.MainWnd)
    PushLayeredWindow(g_App.MainWnd, g_App.Render.Back.Dc, 0, g_App.Render.Alpha);
}

static int Width(const RECT& r) { return r.right - r.left + 1; }
static int Height(const RECT& r) { return r.bottom - r.top + 1; }

static bool Meets(const RECT& part, const RECT* clip) {
  if (!clip) return true;
  return part.left <= clip->right && clip->left <= part.right && part.top <= clip->bottom &&
         clip->top <= part.bottom;
}

// Copies the window background under an inclusive rectangle.
static void CopyBackground(HDC dc, const RECT& r) {
  const ImageCache& bg = g_App.Render.Background;
  if (!bg.Dc || r.right < r.left || r.bottom < r.top) return;
  BitBlt(dc, r.left, r.top, Width(r), Height(r), bg.Dc, r.left, r.top, SRCCOPY);
}


// Where a piece of the back buffer is composed: its cached image when the
// look allows one, else the target itself.
static HDC PieceTarget(HDC dc, int kind, int index, int state, const RECT& area, UINT64 key, int* cached) {
  *cached = 0;
  if (!HasSkin() || dc != g_App.Render.Back.Dc) return dc;
  HDC piece = ComposedPieceDc(kind, index, state, area, key, cached);
  return piece ? piece : dc;
}

static void CopyPiece(HDC dc, HDC piece, const RECT& area) {
  if (piece != dc) BitBlt(dc, area.left, area.top, Width(area), Height(area), piece, area.left, area.top, SRCCOPY);
}

// ---------------------------------------------------------------------------
// Caption and system buttons

const wchar_t* CurrentCaptionText() {
  const wchar_t* t = g_App.Render.CaptionText;
  if (!t) t = g_App.Settings.Caption;
  return t ? t : L"";
}

// Points the caption at a text: the Caption setting when null or empty.
static void SetCaptionText(const wchar_t* text) {
  if (!text || !*text) {
    g_App.Render.CaptionText = nullptr;
    return;
  }
  lstrcpynW(g_App.Render.CaptionBuffer, text, kCaptionChars);
  g_App.Render.CaptionText = g_App.Render.CaptionBuffer;
}

void DrawCaption(HDC given, const RECT* clip, int push) {
  const RECT& cap = g_App.Skin.Slots[SLOT_CAPTION].Target;
  if (cap.right < cap.left || cap.bottom < cap.top) return;
  if (!Meets(cap, clip)) return;
  bool release;
  HDC dc = AcquireTarget(given, &release);
  if (!dc) return;
  CopyBackground(dc, cap);
  const wchar_t* text = CurrentCaptionText();
  if (*text && (g_App.Settings.DispOption & (DISP_CAPTION_NAME | DISP_CAPTION_TIP | DISP_CAPTION_TEXT)) &&
      !(g_App.Skin.Flags & SKF_NO_CAPTION)) {
    const ViewModeDesign* v = CurrentViewDesign();
    const RECT& m = v->Margin[MARGIN_CAPTION];
    RECT r = {cap.left + S(m.left), cap.top + S(m.top), cap.right - S(m.right), cap.bottom - S(m.bottom)};
    UINT format = (v->Flag & 0x100) ? (DT_EDITCONTROL | DT_NOPREFIX | DT_WORDBREAK | DT_VCENTER)
                                    : (DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
    if (v->Flag & 0x80) format |= DT_CENTER;
    DrawDesignText(dc, r, text, FONT_CAPTION, &g_App.Design.Window, format);
  }
  ReleaseTarget(dc, release);
  if (push) PushBackBuffer();
}

void DrawSystemButton(int piece, HDC given, const RECT* clip, int state, int push) {
  int i = SysIndex(piece);
  if (i < 0 || state < 0) return;
  const ImageCache& strip = g_App.Render.SysButtons[i];
  const RECT& t = g_App.Skin.Slots[piece].Target;
  int w = Width(t), h = Height(t);
  if (!strip.Dc || w <= 0 || h <= 0 || (state + 1) * h > strip.Height) return;
  if (!Meets(t, clip)) return;
  bool release;
  HDC dc = AcquireTarget(given, &release);
  if (!dc) return;
  CopyBackground(dc, t);
  BlitSkinPiece(dc, t.left, t.top, w, h, strip.Dc, 0, state * h, w, h, 1);
  ReleaseTarget(dc, release);
  if (push) PushBackBuffer();
}

int SystemButtonState(int piece) {
  int i = SysIndex(piece);
  if (i < 0) return 0;
  int s = g_App.Render.SysButtonState[i];
  // The pinned half of the pin state always follows the setting.
  if (i == SYSBTN_PIN) s = (s & 1) | ((g_App.Settings.Status & STATUS_PINNED) ? 2 : 0);
  return s;
}

void SetSystemButtonState(int piece, int state) {
  int i = SysIndex(piece);
  if (i < 0 || g_App.Render.SysButtonState[i] == state) return;
  g_App.Render.SysButtonState[i] = state;
  DrawSystemButton(piece, nullptr, nullptr, state, 1);
}

// ---------------------------------------------------------------------------
// Tabs

static int CurrentPage() { return g_App.Store.CurrentPage; }

static int TabState(int page) {
  if (page == CurrentPage()) return 2;
  if (page == g_App.Layout.HoverTab) return 1;
  return 0;
}

void DrawTab(HDC given, int page, int state, int copyBackground) {
  const LayoutState& L = g_App.Layout;
  const ImageCache& faces = g_App.Render.TabFaces;
  if (page < 0 || page >= g_App.Store.PageCount || page >= L.TabRectCount || state < 0 || state > 2) return;
  if (!faces.Dc || !L.TabRects) return;
  bool release;
  HDC dc = AcquireTarget(given, &release);
  if (!dc) return;
  const RECT& tab = L.TabRects[page];
  const RECT& area = g_App.Skin.Slots[SLOT_TABAREA].Target;
  const RECT& m = g_App.Skin.TabAreaMargin;
  RECT inner = {area.left + S(m.left), area.top + S(m.top), area.right - S(m.right) + 1,
                area.bottom - S(m.bottom) + 1};
  RECT shown = {tab.left, tab.top, tab.right + 1, tab.bottom + 1};
  RECT clipRect;
  if (IntersectRect(&clipRect, &shown, &inner)) {
    const PageInfo& p = g_App.Store.Pages[page];
    const DesignColors* set = &p.Design.Sets[PD_TABN + state];
    const FontEntry* fonts = CurrentViewDesign()->Fonts;
    RECT area = {clipRect.left, clipRect.top, clipRect.right - 1, clipRect.bottom - 1};
    UINT64 key = HashBytes(kHashStart, &tab, sizeof tab);
    key = HashBytes(key, set, sizeof *set);
    key = HashBytes(key, &fonts[state == 2 ? FONT_TABA : FONT_TABB].Font, sizeof(HFONT));
    key = HashText(key, p.Name);
    int cached = 0;
    HDC target = copyBackground ? PieceTarget(dc, PIECE_TAB, page, state, area, key, &cached) : dc;
    if (!cached) {
      // Clip to the tab inside the strip, on top of any clip the DC has.
      HRGN saved = CreateRectRgn(0, 0, 0, 0);
      int hadClip = saved ? GetClipRgn(target, saved) : 0;
      IntersectClipRect(target, clipRect.left, clipRect.top, clipRect.right, clipRect.bottom);
      if (copyBackground) CopyBackground(target, tab);
      int rowH = S(CurrentViewDesign()->TabSizeY);
      BlitSkinPiece(target, tab.left, tab.top, Width(tab), Height(tab), faces.Dc, 0, (state + 3 * page) * rowH,
                    Width(tab), rowH, 1);
      DrawTabText(target, tab, p.Name, set, state);
      SelectClipRgn(target, hadClip == 1 ? saved : nullptr);
      if (saved) DeleteObject(saved);
    }
    CopyPiece(dc, target, area);
  }
  ReleaseTarget(dc, release);
}

void DrawTabStrip(HDC given, const RECT* clip) {
  bool release;
  HDC dc = AcquireTarget(given, &release);
  if (!dc) return;
  CopyBackground(dc, g_App.Skin.Slots[SLOT_TABAREA].Target);
  const LayoutState& L = g_App.Layout;
  int n = g_App.Store.PageCount < L.TabRectCount ? g_App.Store.PageCount : L.TabRectCount;
  for (int p = 0; p < n; p++)
    if (Meets(L.TabRects[p], clip)) DrawTab(dc, p, TabState(p), HasSkin());
  ReleaseTarget(dc, release);
}

// ---------------------------------------------------------------------------
// Buttons

static ButtonInfo* CellItem(int cell) {
  const ItemStore& s = g_App.Store;
  if (!s.Grid || cell < 0 || cell >= s.GridCells) return nullptr;
  return s.Grid[cell].Button;
}

static int IsPageList(int list) { return list >= 0 && list < g_App.Store.PageCount; }

static int ButtonState(int cell) {
  if (cell == g_App.Store.PressedCell) return 2;
  if (cell == g_App.Store.HoverCell) return 1;
  return 0;
}

void DrawLockMarker(HDC dc, int x, int y, int w, int h, int cell) {
  const ImageCache& marker = g_App.Render.LockMarker;
  ButtonInfo* b = CellItem(cell);
  if (!dc || !marker.Dc || !b || !(b->Type & ITEM_LOCKED)) return;
  const int* off = g_App.Skin.Slots[SLOT_LOCKMARKER].Offset;
  BlitSkinPiece(dc, x + S(off[EDGE_LEFT]), y + S(off[EDGE_TOP]), w + S(off[EDGE_RIGHT] - off[EDGE_LEFT]),
                h + S(off[EDGE_BOTTOM] - off[EDGE_TOP]), marker.Dc, 0, 0, marker.Width, marker.Height, 1);
}

ButtonInfo* ShownButton(ButtonInfo* b) {
  if (ItemTypeOf(b->Type) != IT_HISTORY || !(b->Type & ITEM_SHOW_NEWEST)) return b;
  const References& refs = g_App.Store.Refs;
  if (!refs.History || refs.MaxMemories <= 0 || !refs.History[0].Ref) return b;
  if (!WaitModelIdle()) return b;
  InterlockedOr(&g_App.RunState, RS_HISTORY_BUSY);
  int ref = refs.History[0].Ref;
  ButtonInfo* shown = GetItem(ItemRefList(ref), ItemRefIndex(ref));
  InterlockedAnd(&g_App.RunState, ~RS_HISTORY_BUSY);
  return shown ? shown : b;
}

// Composes one cell into dc: background under it (when asked), lock marker,
// face, icon and text.
static void ComposeButton(HDC dc, int cell, int state, int copyBackground, const RECT& under, ButtonInfo* item,
                          ButtonInfo* shown, int iconMode) {
  const LayoutState& L = g_App.Layout;
  const RenderState& R = g_App.Render;
  const RECT& r = L.CellRects[cell];
  const ViewModeDesign* v = CurrentViewDesign();
  int page = item && IsPageList(item->List) ? item->List : CurrentPage();
  int column = R.SharedDesign ? 0 : page;
  int w = S(v->ButtonSizeX), h = S(v->ButtonSizeY);
  const int zOrder = g_App.Skin.LockMarkerOrder;

  if (copyBackground) CopyBackground(dc, under);
  HDC faces = R.ButtonFaces.Dc;
  bool locked = item && (item->Type & ITEM_LOCKED);
  if (locked) {
    if (zOrder == 2) DrawLockMarker(dc, r.left, r.top, w, h, cell);
    if (R.LockedFaces.Dc) faces = R.LockedFaces.Dc;
  }
  BlitSkinPiece(dc, r.left, r.top, w, h, faces, column * w, state * h, w, h, 1);
  if (item) {
    if (zOrder == 1) DrawLockMarker(dc, r.left, r.top, w, h, cell);
    POINT at;
    DrawButtonIcon(dc, r, &at, shown->Icon[iconMode], state, &shown->Overlay[iconMode], 0);
    if (v->Flag & 0x10) {
      int textPage = IsPageList(item->List) ? item->List : CurrentPage();
      const PageDesign& pd = textPage >= 0 && textPage < g_App.Store.PageCount ? g_App.Store.Pages[textPage].Design
                                                                                : g_App.Design.PageDefault;
      DrawButtonText(dc, r, at, shown->Name, &pd.Sets[PD_BUTTONN + state], state, 0);
    }
  }
  if (zOrder == 0) DrawLockMarker(dc, r.left, r.top, w, h, cell);
}

// Everything ComposeButton's picture of a cell depends on besides the
// cached faces and background.
static UINT64 ButtonKey(ButtonInfo* item, ButtonInfo* shown, int iconMode) {
  const ViewModeDesign* v = CurrentViewDesign();
  int page = item && IsPageList(item->List) ? item->List : CurrentPage();
  struct {
    const void* Item;
    const void* Shown;
    HICON Icon;
    OverlaySetting Overlay;
    HFONT Font;
    UINT Type, Flag;
    int Page, MarkerOrder;
  } k;
  ZeroMemory(&k, sizeof k);
  k.Item = item;
  k.Shown = shown;
  k.Font = v->Fonts[FONT_BUTTON].Font;
  k.Flag = v->Flag;
  k.Page = page;
  k.MarkerOrder = g_App.Skin.LockMarkerOrder;
  if (item) {
    k.Icon = shown->Icon[iconMode];
    k.Overlay = shown->Overlay[iconMode];
    k.Type = item->Type;
  }
  UINT64 key = HashBytes(kHashStart, &k, sizeof k);
  if (page >= 0 && page < g_App.Store.PageCount)
    key = HashBytes(key, &g_App.Store.Pages[page].Design, sizeof(PageDesign));
  return item ? HashText(key, shown->Name) : key;
}

void DrawButton(HDC given, int cell, int state, int copyBackground, int push) {
  const LayoutState& L = g_App.Layout;
  const RenderState& R = g_App.Render;
  if (cell < 0 || cell >= L.CellCount || !L.CellRects || state < 0 || state > 2 || !R.ButtonFaces.Dc) return;
  bool release;
  HDC dc = AcquireTarget(given, &release);
  if (!dc) return;
  RECT under = L.CellRects[cell];
  if (R.LockMarker.Dc) {
    const int* off = g_App.Skin.Slots[SLOT_LOCKMARKER].Offset;
    under.left += S(off[EDGE_LEFT]);
    under.top += S(off[EDGE_TOP]);
    under.right += S(off[EDGE_RIGHT]);
    under.bottom += S(off[EDGE_BOTTOM]);
  }
  ButtonInfo* item = CellItem(cell);
  ButtonInfo* shown = nullptr;
  int iconMode = 0;
  if (item) {
    shown = ShownButton(item);
    int vm = (g_App.Settings.Status & STATUS_VIEWMODE2) ? 1 : 0;
    // One icon serves both view modes while they take icons of one size.
    iconMode = g_App.Design.ViewMode[0].IconSizeGet == g_App.Design.ViewMode[1].IconSizeGet ? 0 : vm;
    MakeCachedIcons(shown, iconMode);
  }
  int cached = 0;
  HDC target = copyBackground ? PieceTarget(dc, PIECE_CELL, cell, state, under, ButtonKey(item, shown, iconMode),
                                            &cached)
                              : dc;
  if (!cached) {
    // A composed piece holds nothing beyond its area.
    if (target != dc) IntersectClipRect(target, under.left, under.top, under.right + 1, under.bottom + 1);
    ComposeButton(target, cell, state, copyBackground, under, item, shown, iconMode);
    if (target != dc) SelectClipRgn(target, nullptr);
  }
  CopyPiece(dc, target, under);
  ReleaseTarget(dc, release);
  if (push) PushBackBuffer();
}

void DrawButtonArea(HDC given, const RECT* clip) {
  bool release;
  HDC dc = AcquireTarget(given, &release);
  if (!dc) return;
  CopyBackground(dc, g_App.Skin.Slots[SLOT_BUTTONAREA].Target);
  const LayoutState& L = g_App.Layout;
  for (int c = 0; c < L.CellCount; c++)
    if (Meets(L.CellRects[c], clip)) DrawButton(dc, c, ButtonState(c), HasSkin(), 0);
  ReleaseTarget(dc, release);
}

// ---------------------------------------------------------------------------
// Hover

static bool CaptionFollowsHover() { return (g_App.Settings.DispOption & (DISP_CAPTION_NAME | DISP_CAPTION_TIP)) != 0; }

void SetHoverTab(int page) {
  LayoutState& L = g_App.Layout;
  if (page == L.HoverTab) return;
  int old = L.HoverTab;
  L.HoverTab = page;
  bool drawn = false;
  if (old >= 0 && old < g_App.Store.PageCount) {
    DrawTab(nullptr, old, old == CurrentPage() ? 2 : 0, 1);
    drawn = true;
  }
  if (page >= 0 && page < g_App.Store.PageCount) {
    DrawTab(nullptr, page, page == CurrentPage() ? 2 : 1, 1);
    drawn = true;
  }
  if (CaptionFollowsHover()) {
    SetCaptionText(page >= 0 && page < g_App.Store.PageCount ? g_App.Store.Pages[page].Name : nullptr);
    DrawCaption(nullptr, nullptr, 0);
    drawn = true;
  }
  if (drawn) PushBackBuffer();
}

void SetHoverButton(int cell, int force) {
  ItemStore& s = g_App.Store;
  if (cell == s.HoverCell && !force) return;
  int old = s.HoverCell;
  s.HoverCell = cell;
  bool drawn = false;
  if (old >= 0 && old != cell && !g_App.Layout.DragActive) {
    DrawButton(nullptr, old, ButtonState(old), 1, 0);
    drawn = true;
  }
  if (cell >= 0) {
    DrawButton(nullptr, cell, cell == s.PressedCell ? 2 : 1, 1, 0);
    drawn = true;
  }
  if (CaptionFollowsHover()) {
    ButtonInfo* b = CellItem(cell);
    const wchar_t* text = nullptr;
    if (b) text = (g_App.Settings.DispOption & DISP_CAPTION_NAME) ? b->Name : b->Tip;
    SetCaptionText(text);
    DrawCaption(nullptr, nullptr, 0);
    drawn = true;
  }
  if (drawn) PushBackBuffer();
}

int ClearHoverState(UINT flags, int push) {
  bool changed = false;
  if ((flags & 1) && g_App.Layout.HoverTab >= 0) {
    int old = g_App.Layout.HoverTab;
    g_App.Layout.HoverTab = -1;
    DrawTab(nullptr, old, old == CurrentPage() ? 2 : 0, 1);
    changed = true;
  }
  if ((flags & 2) && g_App.Store.HoverCell >= 0 && !g_App.Layout.DragActive) {
    int old = g_App.Store.HoverCell;
    g_App.Store.HoverCell = -1;
    DrawButton(nullptr, old, ButtonState(old), 1, 0);
    changed = true;
  }
  if (changed && CaptionFollowsHover()) {
    SetCaptionText(nullptr);
    DrawCaption(nullptr, nullptr, 0);
  }
  if (changed && push) PushBackBuffer();
  return changed;
}
