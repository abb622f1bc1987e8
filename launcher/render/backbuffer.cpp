#include "render/backbuffer.h"
#include "state.h"
#include "render/draw.h"
#include "render/image.h"
#include "render/layout.h"
#include "render/paint.h"
#include "render/skin.h"
#include "store/items.h"
#include "store/outlets.h"

int LayeredMode() { return g_App.Api.UpdateLayeredWindow != nullptr; }

void FreeImageCache(ImageCache* c) {
  if (c->Dc) {
    if (c->OldBitmap) SelectObject(c->Dc, c->OldBitmap);
    DeleteDC(c->Dc);
  }
  if (c->Bitmap) DeleteObject(c->Bitmap);
  *c = ImageCache{};
}

// Puts a new DC and bitmap in the cache, freeing the old pair; when either
// could not be made the old pair stays.
static int AdoptImage(ImageCache* cache, HDC dc, HBITMAP bmp, int width, int height, DWORD* bits) {
  if (!dc || !bmp) {
    if (bmp) DeleteObject(bmp);
    if (dc) DeleteDC(dc);
    return 0;
  }
  FreeImageCache(cache);
  cache->Dc = dc;
  cache->Bitmap = bmp;
  cache->OldBitmap = SelectObject(dc, bmp);
  cache->Width = width;
  cache->Height = height;
  cache->Bits = bits;
  return 1;
}

// A memory DC with a bitmap of the size, compatible with the window's DC.
// The new pair replaces the old one only when both could be made.
static int MakeImageCache(HWND window, ImageCache* cache, int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  HDC wdc = GetDC(window);
  if (!wdc) return 0;
  HDC dc = CreateCompatibleDC(wdc);
  HBITMAP bmp = dc ? CreateCompatibleBitmap(wdc, width, height) : nullptr;
  ReleaseDC(window, wdc);
  return AdoptImage(cache, dc, bmp, width, height, nullptr);
}

// A 32-bit top-down DIB section, all pixels 0 (transparent black). The back
// buffer is one, so that its alpha bytes can be set before a colour-key push
// (GDI leaves them 0, which some systems take as transparent even without
// per-pixel alpha); so are the caches of an alpha skin, which must keep the
// alpha the skin's images bring.
static int MakeDibCache(ImageCache* cache, int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  BITMAPINFO bi = {};
  bi.bmiHeader = DibHeader(width, -height, 32);
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bmp = dc ? CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
  return AdoptImage(cache, dc, bmp, width, height, static_cast<DWORD*>(bits));
}

int CreateBackBuffer(HWND window, HDC* dc, HBITMAP* bitmap, int width, int height) {
  if (!dc || !bitmap) return 0;
  ImageCache c = {};
  if (!MakeImageCache(window, &c, width, height)) return 0;
  // The caller's pair had its bitmap selected into its DC: free both.
  if (*dc) DeleteDC(*dc);
  if (*bitmap) DeleteObject(*bitmap);
  *dc = c.Dc;
  *bitmap = c.Bitmap;
  return 1;
}

int CreateBackBufferForWindow(HWND window, HDC* dc, HBITMAP* bitmap) {
  if (!LayeredMode() || !window) return 0;
  RECT r;
  if (!GetWindowRect(window, &r)) return 0;
  return CreateBackBuffer(window, dc, bitmap, r.right - r.left, r.bottom - r.top);
}

void PushLayeredWindow(HWND window, HDC source, int, BYTE alpha) {
  if (!LayeredMode() || !window || !source) return;
  RECT r;
  if (!GetWindowRect(window, &r)) return;
  POINT pos = {r.left, r.top}, origin = {0, 0};
  SIZE size = {r.right - r.left, r.bottom - r.top};
  HDC screen = GetDC(nullptr);
  if (g_App.Skin.TransparencyMode == SKINMODE_ALPHA) {
    BLENDFUNCTION bf = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    g_App.Api.UpdateLayeredWindow(window, screen, &pos, &size, source, &origin, 0, &bf, ULW_ALPHA);
  } else {
    // Classic look and colour-key skins: the clipping colour is cut out.
    const ImageCache& back = g_App.Render.Back;
    if (source == back.Dc && back.Bits) {
      GdiFlush();
      for (int i = 0, n = back.Width * back.Height; i < n; i++) back.Bits[i] |= 0xFF000000;
    }
    BLENDFUNCTION bf = {AC_SRC_OVER, 0, alpha, 0};
    g_App.Api.UpdateLayeredWindow(window, screen, &pos, &size, source, &origin, g_App.Skin.ClipColor, &bf,
                                  ULW_COLORKEY | ULW_ALPHA);
  }
  if (screen) ReleaseDC(nullptr, screen);
}

// The launcher or one of its own windows is in front.
static int LauncherInFront() {
  HWND front = GetForegroundWindow();
  if (!front || !g_App.MainWnd) return 0;
  for (HWND w = front; w; w = GetWindow(w, GW_OWNER))
    if (w == g_App.MainWnd) return 1;
  return 0;
}

BYTE ComputeWindowAlpha() {
  int a = g_App.Settings.Alpha;
  if (a < 0 || a > 255) a = 255;
  if (a != 255 && (g_App.Settings.DispOption & 0x2) && LauncherInFront()) a = 255;
  return static_cast<BYTE>(a);
}

int UpdateWindowAlpha() {
  if (!LayeredMode()) return 0;
  BYTE a = ComputeWindowAlpha();
  if (a == g_App.Render.Alpha) return 0;
  g_App.Render.Alpha = a;
  return 1;
}

int PagesShareButtonDesign() {
  const ItemStore& s = g_App.Store;
  if (s.PageCount <= 1) return 1;
  bool skin = HasSkin();
  for (int p = 1; p < s.PageCount; p++) {
    for (int k = 0; k < PD_COUNT; k++) {
      const DesignColors& a = s.Pages[0].Design.Sets[k];
      const DesignColors& b = s.Pages[p].Design.Sets[k];
      if (skin) {
        if (a.Pattern != b.Pattern) return 0;
      } else if (a.Flag != b.Flag || a.BG1 != b.BG1 || a.BG2 != b.BG2 || a.Frame1 != b.Frame1 ||
                 a.Frame2 != b.Frame2) {
        return 0;
      }
    }
  }
  return 1;
}

void FreeDrawingResources() {
  RenderState& r = g_App.Render;
  FreeImageCache(&r.Background);
  for (ImageCache& c : r.SysButtons) FreeImageCache(&c);
  FreeImageCache(&r.TabFaces);
  FreeImageCache(&r.ButtonFaces);
  FreeImageCache(&r.LockedFaces);
  FreeImageCache(&r.LockMarker);
  FreeImageCache(&r.Back);
  ComposedCache& c = r.Composed;
  for (ImageCache& i : c.States) FreeImageCache(&i);
  if (c.Entries) HeapFree(GetProcessHeap(), 0, c.Entries);
  c = ComposedCache{};
  ZeroMemory(r.Measured, sizeof r.Measured);
  FreeTextFonts();
}

// ---------------------------------------------------------------------------
// Composed pieces

void ForgetComposedPieces() {
  ComposedCache& c = g_App.Render.Composed;
  if (c.Entries) ZeroMemory(c.Entries, sizeof(ComposedEntry) * 3 * (c.Cells + c.Tabs));
}

static int Overlaps(const RECT& a, const RECT& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

HDC ComposedPieceDc(int kind, int index, int state, const RECT& area, UINT64 key, int* cached) {
  *cached = 0;
  ComposedCache& c = g_App.Render.Composed;
  const LayoutState& L = g_App.Layout;
  if (state < 0 || state > 2 || index < 0) return nullptr;
  if (!c.Entries || c.Cells != L.CellCount || c.Tabs != L.TabRectCount) {
    if (c.Entries) HeapFree(GetProcessHeap(), 0, c.Entries);
    c.Cells = c.Tabs = 0;
    int count = L.CellCount + L.TabRectCount;
    c.Entries = count > 0 ? static_cast<ComposedEntry*>(
                                HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ComposedEntry) * 3 * count))
                          : nullptr;
    if (!c.Entries) return nullptr;
    c.Cells = L.CellCount;
    c.Tabs = L.TabRectCount;
  }
  int count = c.Cells + c.Tabs;
  int slot = kind == PIECE_CELL ? index : c.Cells + index;
  if ((kind == PIECE_CELL && index >= c.Cells) || (kind == PIECE_TAB && index >= c.Tabs)) return nullptr;
  ComposedEntry* row = c.Entries + state * count;
  ImageCache& image = c.States[state];
  if (!image.Dc || image.Width != L.Width || image.Height != L.Height) {
    ZeroMemory(row, sizeof(ComposedEntry) * count);
    if (!MakeDibCache(&image, L.Width, L.Height)) {
      FreeImageCache(&image);
      return nullptr;
    }
  }
  if (!key) key = 1;
  ComposedEntry& e = row[slot];
  if (e.Key == key && EqualRect(&e.Area, &area)) {
    *cached = 1;
    return image.Dc;
  }
  for (int i = 0; i < count; i++)
    if (i != slot && row[i].Key && Overlaps(row[i].Area, area)) row[i].Key = 0;
  e.Area = area;
  e.Key = key;
  return image.Dc;
}

// ---------------------------------------------------------------------------
// Cache builders

static int S(int v) { return ScaleForDpi(v, LauncherDpi()); }

// A new cache of the size, prepared like every face image: filled with the
// clipping colour for colour-key skins, HALFTONE stretching.
static void InvalidateInclusive(HWND w, const RECT& r) {
  RECT e = {r.left, r.top, r.right + 1, r.bottom + 1};
  InvalidateRect(w, &e, TRUE);
}

static int PrepareCache(ImageCache* cache, int width, int height) {
  int made = g_App.Skin.TransparencyMode == SKINMODE_ALPHA ? MakeDibCache(cache, width, height)
                                                           : MakeImageCache(g_App.MainWnd, cache, width, height);
  if (!made) return 0;
  SetStretchBltMode(cache->Dc, HALFTONE);
  SetBrushOrgEx(cache->Dc, 0, 0, nullptr);
  if (g_App.Skin.TransparencyMode == SKINMODE_CLIPPING) {
    RECT all = {0, 0, width, height};
    HBRUSH b = CreateSolidBrush(g_App.Skin.ClipColor);
    FillRect(cache->Dc, &all, b);
    DeleteObject(b);
  }
  return 1;
}

static ClassicLook CurrentClassicLook() {
  const DesignColors& w = g_App.Design.Window;
  ClassicLook l = {};
  l.Flag = w.Flag;
  l.BG1 = w.BG1;
  l.BG2 = w.BG2;
  l.Frame1 = w.Frame1;
  l.Frame2 = w.Frame2;
  l.Shade1 = g_App.Render.Shade1;
  l.Shade2 = g_App.Render.Shade2;
  l.Client = RECT{0, 0, g_App.Layout.Width - 1, g_App.Layout.Height - 1};
  return l;
}

// One piece at its target: skin image or classic face.
static void DrawPiece(HDC dc, int slot, const ClassicLook& look) {
  const SkinSlot& piece = g_App.Skin.Slots[slot];
  const RECT& t = piece.Target;
  if (t.right < t.left || t.bottom < t.top) return;
  if (HasSkin())
    DrawSkinSlot(dc, &piece, 1, 0);
  else
    DrawClassicPiece(dc, slot, t, look);
}

void BuildWindowBackground() {
  ForgetComposedPieces();
  RenderState& r = g_App.Render;
  ComputeClassicShades(g_App.Design.Window.BG1, g_App.Design.Window.BG2, &r.Shade1, &r.Shade2);
  ImageCache c = r.Background;
  ImageCache fresh = {};
  if (!PrepareCache(&fresh, g_App.Layout.Width, g_App.Layout.Height)) return;
  (void)c;
  FreeImageCache(&r.Background);
  r.Background = fresh;
  ClassicLook look = CurrentClassicLook();
  static const int kPieces[] = {SLOT_BACKGROUND, SLOT_FRAMELEFT, SLOT_FRAMERIGHT, SLOT_FRAMETOP,
                                SLOT_FRAMEBOTTOM, SLOT_CAPTION, SLOT_TABAREA, SLOT_BUTTONAREA};
  for (int slot : kPieces) DrawPiece(r.Background.Dc, slot, look);
}

// The skin's image of a system button state; a state the skin gives no
// image falls back to the nearest state it has (down and hover to down,
// everything to normal), so the button never vanishes under the cursor.
static const SkinSlot* SystemButtonStateImage(int piece, int state) {
  const SkinSlot* slots = g_App.Skin.Slots;
  if (slots[piece + state].Dc) return &slots[piece + state];
  if (state == 3 && slots[piece + 2].Dc) return &slots[piece + 2];
  return &slots[piece];
}

void BuildSystemButtonImages() {
  ForgetComposedPieces();
  static const int kPieces[SYSBTN_COUNT] = {SLOT_CLOSEBUTTON, SLOT_PINBUTTON, SLOT_MODEBUTTON, SLOT_SEARCHBUTTON};
  RenderState& r = g_App.Render;
  ClassicLook look = CurrentClassicLook();
  bool skin = HasSkin() != 0;
  for (int i = 0; i < SYSBTN_COUNT; i++) {
    int piece = kPieces[i];
    SkinSlot* slots = g_App.Skin.Slots;
    RECT home = slots[piece].Target;
    int w = home.right - home.left + 1, h = home.bottom - home.top + 1;
    int states = i == SYSBTN_CLOSE ? 3 : 4;
    // A button the look does not have (the classic mode and search buttons,
    // a skin without the element) keeps an empty target or no image: no
    // strip, so nothing is drawn for it at the window's corner.
    bool absent = (skin && !slots[piece].Dc) || home.left == home.right || home.top == home.bottom;
    ImageCache fresh = {};
    if (absent || w <= 0 || h <= 0 || !PrepareCache(&fresh, w, states * h)) {
      FreeImageCache(&r.SysButtons[i]);
      continue;
    }
    for (int k = 0; k < states; k++) {
      int top = k * h;
      RECT row = {0, top, w - 1, top + h - 1};
      slots[piece + k].Target = row;
      if (skin) {
        SkinSlot image = *SystemButtonStateImage(piece, k);
        image.Target = row;
        DrawSkinSlot(fresh.Dc, &image, 1, 0);
        continue;
      }
      if (i == SYSBTN_CLOSE && r.Background.Dc)
        BitBlt(fresh.Dc, 0, top, w, h, r.Background.Dc, home.left, home.top, SRCCOPY);
      DrawClassicPiece(fresh.Dc, piece + k, row, look);
    }
    slots[piece].Target = home;
    FreeImageCache(&r.SysButtons[i]);
    r.SysButtons[i] = fresh;
  }
  LayoutState& L = g_App.Layout;
  for (int i = 0; i < SYSBTN_COUNT; i++) {
    L.Faces.Dc[FACE_CLOSE + i] = r.SysButtons[i].Dc;
    L.Faces.Bitmap[FACE_CLOSE + i] = r.SysButtons[i].Bitmap;
  }
}

void BuildTabImages() {
  ForgetComposedPieces();
  RenderState& r = g_App.Render;
  const LayoutState& L = g_App.Layout;
  int pages = g_App.Store.PageCount < L.TabRectCount ? g_App.Store.PageCount : L.TabRectCount;
  int rowH = S(CurrentViewDesign()->TabSizeY);
  int width = 0;
  for (int p = 0; p < pages; p++) {
    int w = L.TabRects[p].right - L.TabRects[p].left + 1;
    if (w > width) width = w;
  }
  ImageCache fresh = {};
  if (pages > 0 && PrepareCache(&fresh, width, pages * 3 * rowH)) {
    // Most pages' tabs share width and colours: a row drawn once is copied
    // (a skinned face is a nine-grid scaling, far dearer than a copy).
    struct Drawn {
      int Width, State, Top;
      const DesignColors* Set;
    } drawn[16];
    int drawnCount = 0;
    for (int p = 0; p < pages; p++) {
      int w = L.TabRects[p].right - L.TabRects[p].left + 1;
      const PageDesign& d = g_App.Store.Pages[p].Design;
      for (int s = 0; s < 3; s++) {
        int top = (3 * p + s) * rowH;
        const DesignColors* set = &d.Sets[PD_TABN + s];
        const Drawn* same = nullptr;
        for (int i = 0; i < drawnCount && !same; i++)
          if (drawn[i].Width == w && drawn[i].State == s && !memcmp(drawn[i].Set, set, sizeof *set)) same = &drawn[i];
        if (same) {
          BitBlt(fresh.Dc, 0, top, w, rowH, fresh.Dc, 0, same->Top, SRCCOPY);
          continue;
        }
        DrawPartFace(fresh.Dc, RECT{0, top, w - 1, top + rowH - 1}, 0, set, s);
        if (drawnCount < 16) drawn[drawnCount++] = Drawn{w, s, top, set};
      }
    }
    FreeImageCache(&r.TabFaces);
    r.TabFaces = fresh;
  } else if (pages == 0) {
    FreeImageCache(&r.TabFaces);
  }
  g_App.Layout.Faces.Dc[FACE_TABS] = r.TabFaces.Dc;
  g_App.Layout.Faces.Bitmap[FACE_TABS] = r.TabFaces.Bitmap;
}

// Button faces (part 1) or locked-button faces (part 2): one column per page
// unless every page shares the designs.
static void BuildButtonFaces(int part, ImageCache* cache) {
  const ViewModeDesign* v = CurrentViewDesign();
  int w = S(v->ButtonSizeX), h = S(v->ButtonSizeY);
  int pages = g_App.Store.PageCount;
  int columns = g_App.Render.SharedDesign || pages < 1 ? 1 : pages;
  ImageCache fresh = {};
  if (!PrepareCache(&fresh, columns * w, 3 * h)) return;
  for (int c = 0; c < columns; c++) {
    const PageDesign& d = pages > 0 ? g_App.Store.Pages[c].Design : g_App.Design.PageDefault;
    for (int s = 0; s < 3; s++)
      DrawPartFace(fresh.Dc, RECT{c * w, s * h, c * w + w - 1, s * h + h - 1}, part, &d.Sets[PD_BUTTONN + s], s);
  }
  FreeImageCache(cache);
  *cache = fresh;
}

// The lock marker at button size, as every locked cell shows it.
static void BuildLockMarker(ImageCache* cache) {
  const ViewModeDesign* v = CurrentViewDesign();
  int w = S(v->ButtonSizeX), h = S(v->ButtonSizeY);
  SkinSlot& marker = g_App.Skin.Slots[SLOT_LOCKMARKER];
  ImageCache fresh = {};
  if (!PrepareCache(&fresh, w, h)) return;
  marker.Target = RECT{0, 0, w - 1, h - 1};
  DrawSkinSlot(fresh.Dc, &marker, 1, 0);
  FreeImageCache(cache);
  *cache = fresh;
}

void BuildBackgroundBitmaps() {
  ForgetComposedPieces();
  RenderState& r = g_App.Render;
  r.SharedDesign = PagesShareButtonDesign();
  BuildButtonFaces(1, &r.ButtonFaces);
  // Locked-button faces and the lock marker come from skin images only.
  const SkinSlot* slots = g_App.Skin.Slots;
  if (HasSkin() && slots[SLOT_LOCKEDBUTTON].Dc)
    BuildButtonFaces(2, &r.LockedFaces);
  else
    FreeImageCache(&r.LockedFaces);
  if (HasSkin() && slots[SLOT_LOCKMARKER].Dc)
    BuildLockMarker(&r.LockMarker);
  else
    FreeImageCache(&r.LockMarker);
  FaceImages& f = g_App.Layout.Faces;
  f.SharedDesign = r.SharedDesign;
  f.Dc[FACE_BUTTONS] = r.ButtonFaces.Dc;
  f.Bitmap[FACE_BUTTONS] = r.ButtonFaces.Bitmap;
  f.Dc[FACE_LOCKEDBUTTONS] = r.LockedFaces.Dc;
  f.Bitmap[FACE_LOCKEDBUTTONS] = r.LockedFaces.Bitmap;
}

// ---------------------------------------------------------------------------
// Repainting

void RepaintMainWindow(UINT flags) {
  RenderState& r = g_App.Render;
  HWND w = g_App.MainWnd;
  if (LayeredMode()) {
    if (!r.Back.Dc || r.Back.Width != g_App.Layout.Width || r.Back.Height != g_App.Layout.Height) return;
    RECT all = {0, 0, g_App.Layout.Width - 1, g_App.Layout.Height - 1};
    if (flags & RP_FRAME) {
      if (r.Background.Dc)
        BitBlt(r.Back.Dc, 0, 0, g_App.Layout.Width, g_App.Layout.Height, r.Background.Dc, 0, 0, SRCCOPY);
      DrawCaption(r.Back.Dc, nullptr, 0);
      for (int piece : {SLOT_CLOSEBUTTON, SLOT_PINBUTTON, SLOT_MODEBUTTON, SLOT_SEARCHBUTTON})
        DrawSystemButton(piece, r.Back.Dc, nullptr, SystemButtonState(piece), 0);
    }
    if (flags & RP_TABS) DrawTabStrip(r.Back.Dc, &all);
    if (flags & RP_BUTTONS) DrawButtonArea(r.Back.Dc, &all);
    if (flags & RP_PUSH) PushLayeredWindow(w, r.Back.Dc, 0, r.Alpha);
    return;
  }
  if (!w) return;
  if (flags & RP_FRAME) {
    InvalidateRect(w, nullptr, TRUE);
  } else {
    if (flags & RP_TABS) InvalidateInclusive(w, g_App.Skin.Slots[SLOT_TABAREA].Target);
    if (flags & RP_BUTTONS) InvalidateInclusive(w, g_App.Skin.Slots[SLOT_BUTTONAREA].Target);
  }
  UpdateWindow(w);
}

// Composes the whole window into dc from the caches.
static void ComposeWindow(HDC dc) {
  const RenderState& r = g_App.Render;
  RECT all = {0, 0, g_App.Layout.Width - 1, g_App.Layout.Height - 1};
  if (r.Background.Dc) BitBlt(dc, 0, 0, g_App.Layout.Width, g_App.Layout.Height, r.Background.Dc, 0, 0, SRCCOPY);
  DrawCaption(dc, nullptr, 0);
  for (int piece : {SLOT_CLOSEBUTTON, SLOT_PINBUTTON, SLOT_MODEBUTTON, SLOT_SEARCHBUTTON})
    DrawSystemButton(piece, dc, nullptr, SystemButtonState(piece), 0);
  DrawTabStrip(dc, &all);
  DrawButtonArea(dc, &all);
}

void PaintMainWindow(HWND window) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  if (!dc) return;
  // Composed off screen first so the window never shows half a frame.
  ImageCache frame = {};
  if (MakeImageCache(window, &frame, g_App.Layout.Width, g_App.Layout.Height)) {
    ComposeWindow(frame.Dc);
    BitBlt(dc, 0, 0, frame.Width, frame.Height, frame.Dc, 0, 0, SRCCOPY);
    FreeImageCache(&frame);
  }
  EndPaint(window, &ps);
}

void UpdateWindowAfterLayout() {
  BuildWindowBackground();
  BuildSystemButtonImages();
  BuildTabImages();
  BuildBackgroundBitmaps();
  RenderState& r = g_App.Render;
  if (!LayeredMode()) {
    FreeImageCache(&r.Back);
    UpdateWindowAlpha();
    RepaintMainWindow(RP_FRAME | RP_TABS | RP_BUTTONS);
    return;
  }
  r.Alpha = ComputeWindowAlpha();
  if (!MakeDibCache(&r.Back, g_App.Layout.Width, g_App.Layout.Height)) {
    // The old buffer has the old size: nothing may be drawn into it or
    // pushed from it until a buffer of the window's size exists.
    FreeImageCache(&r.Back);
    return;
  }
  RepaintMainWindow(RP_FRAME | RP_TABS | RP_BUTTONS | RP_PUSH);
}

// ---------------------------------------------------------------------------
// Hooks into the layout and the store

static void DrawStoreButton(int cell, int state) { DrawButton(nullptr, cell, state, 1, 1); }
static void RelayoutStoreTabs() { RelayoutTabStrip(); }
static void ResetCaption() {
  g_App.Render.CaptionText = nullptr;
  DrawCaption(nullptr, nullptr, 1);
}

void InstallRenderOutlets() {
  g_LayoutSeams.MeasureText = MeasureText;
  g_LayoutSeams.RefreshImages = UpdateWindowAfterLayout;
  g_StoreOutlets.CalcMainWindowLayout = CalcMainWindowLayout;
  g_StoreOutlets.LayoutTabs = RelayoutStoreTabs;
  g_StoreOutlets.RepaintMainWindow = RepaintMainWindow;
  g_StoreOutlets.DrawButton = DrawStoreButton;
  g_StoreOutlets.BuildTabImages = BuildTabImages;
  g_StoreOutlets.BuildBackgroundBitmaps = BuildBackgroundBitmaps;
  g_StoreOutlets.ResetCaption = ResetCaption;
}
