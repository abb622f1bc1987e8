#include "render/backbuffer.h"
#include "core/state.h"
#include "render/draw.h"
#include "store/items.h"

int LayeredMode() { return g_App.Api.UpdateLayeredWindow != nullptr; }

void FreeImageCache(ImageCache* c) {
  if (c->Dc) {
    if (c->OldBitmap) SelectObject(c->Dc, c->OldBitmap);
    DeleteDC(c->Dc);
  }
  if (c->Bitmap) DeleteObject(c->Bitmap);
  *c = ImageCache{};
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
  if (!dc || !bmp) {
    if (dc) DeleteDC(dc);
    return 0;
  }
  FreeImageCache(cache);
  cache->Dc = dc;
  cache->Bitmap = bmp;
  cache->OldBitmap = SelectObject(dc, bmp);
  cache->Width = width;
  cache->Height = height;
  return 1;
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
  if (g_App.Render.SkinMode == SKINMODE_ALPHA) {
    BLENDFUNCTION bf = {AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    g_App.Api.UpdateLayeredWindow(window, screen, &pos, &size, source, &origin, 0, &bf, ULW_ALPHA);
  } else {
    // Classic look and colour-key skins: the clipping colour is cut out.
    BLENDFUNCTION bf = {AC_SRC_OVER, 0, alpha, 0};
    g_App.Api.UpdateLayeredWindow(window, screen, &pos, &size, source, &origin, g_App.Render.ClipColor, &bf,
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
  bool skin = g_App.Render.SkinMode != SKINMODE_NONE || g_App.SkinName[0];
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
}
