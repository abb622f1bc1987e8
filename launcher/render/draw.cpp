#include <objidl.h>
#include <gdiplus.h>

#include <math.h>

#include "render/draw.h"
#include "render/image.h"
#include "state.h"
#include "store/items.h"

int ScaleForDpi(int value, int dpi) { return dpi > 96 ? value * dpi / 96 : value; }

int LauncherDpi() { return g_App.Design.Dpi > 0 ? g_App.Design.Dpi : 96; }

int CurrentSkinMode() { return g_App.Skin.TransparencyMode; }

const ViewModeDesign* CurrentViewDesign() {
  return &g_App.Design.ViewMode[(g_App.Settings.Status & STATUS_VIEWMODE2) ? 1 : 0];
}

static const ViewModeDesign& Active() { return *CurrentViewDesign(); }

// Fills an inclusive rectangle.
static void FillSolid(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
  RECT r = {left, top, right + 1, bottom + 1};
  HBRUSH brush = CreateSolidBrush(color);
  if (!brush) return;
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

static void DrawLine(HDC dc, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

// ---------------------------------------------------------------------------
// Arrows

void DrawArrow(HDC dc, const RECT& rect, int direction, int b, int c, COLORREF color, int dpi, int forceGdi) {
  if (!dc || direction < ARROW_UP || direction > ARROW_RIGHT) return;
  if (dpi <= 0) dpi = LauncherDpi();
  b = ScaleForDpi(b, dpi);
  c = ScaleForDpi(c, dpi);
  if (b <= 0 || c <= 0) return;
  bool vertical = direction == ARROW_UP || direction == ARROW_DOWN;
  int width = vertical ? b : c, height = vertical ? c : b;
  int x = rect.left + (rect.right - width - rect.left + 1) / 2;
  int y = rect.top + (rect.bottom - height - rect.top + 1) / 2;
  POINT p[3];
  switch (direction) {
    case ARROW_UP: p[0] = {0, c - 1}; p[1] = {b - 1, c - 1}; p[2] = {b / 2, 0}; break;
    case ARROW_DOWN: p[0] = {0, 0}; p[1] = {b / 2, c - 1}; p[2] = {b - 1, 0}; break;
    case ARROW_LEFT: p[0] = {0, b / 2}; p[1] = {c - 1, b - 1}; p[2] = {c - 1, 0}; break;
    default: p[0] = {0, 0}; p[1] = {0, b - 1}; p[2] = {c - 1, b / 2}; break;
  }
  for (POINT& q : p) {
    q.x += x;
    q.y += y;
  }
  if (CurrentSkinMode() == SKINMODE_ALPHA && !forceGdi) {
    Gdiplus::Graphics g(dc);
    Gdiplus::Color argb(0xFE, GetRValue(color), GetGValue(color), GetBValue(color));
    Gdiplus::SolidBrush brush(argb);
    Gdiplus::Point gp[3] = {{p[0].x, p[0].y}, {p[1].x, p[1].y}, {p[2].x, p[2].y}};
    g.FillPolygon(&brush, gp, 3, Gdiplus::FillModeAlternate);
    Gdiplus::Pen pen(&brush, 1.0f);
    g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    g.DrawPolygon(&pen, gp, 3);
    return;
  }
  HPEN pen = CreatePen(PS_SOLID, 0, color);
  HBRUSH brush = CreateSolidBrush(color);
  HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, brush);
  Polygon(dc, p, 3);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

// ---------------------------------------------------------------------------
// Gradients

static int ClampChannel(double v) {
  if (v < 0) return 0;
  if (v > 255) return 255;
  return static_cast<int>(v);
}

void DrawFrameEdges(HDC dc, const RECT& r, COLORREF color1, COLORREF color2, UINT flags) {
  if (!dc) return;
  if ((flags & FE_SOLID) || color1 == color2) {
    FillSolid(dc, r.left, r.top, r.right, r.bottom, color1);
    return;
  }
  UINT direction = flags & 0xF;
  int width = r.right - r.left, height = r.bottom - r.top;
  if (width < 0 || height < 0) return;
  // A diagonal across a one-pixel column has no slope to follow: run it top
  // to bottom instead of dividing by the zero width.
  if ((direction == FE_DIAGONAL_TOP || direction == FE_DIAGONAL_BOTTOM) && width == 0)
    direction = FE_TOP_TO_BOTTOM;
  int lines;
  switch (direction) {
    case FE_TOP_TO_BOTTOM: lines = height + 1; break;
    case FE_LEFT_TO_RIGHT: lines = width + 1; break;
    case FE_DIAGONAL_TOP:
    case FE_DIAGONAL_BOTTOM: lines = 4 * width + 1; break;
    default: return;
  }

  HRGN saved = CreateRectRgn(0, 0, 0, 0);
  int hadClip = saved ? GetClipRgn(dc, saved) : 0;
  HRGN shape;
  if (flags & (FE_CUT_BOTTOM | FE_CUT_TOP)) {
    POINT q[4];
    if (flags & FE_CUT_BOTTOM) {
      q[0] = {r.left, r.top};
      q[1] = {r.right + 1, r.top};
      q[2] = {r.right + r.top - r.bottom, r.bottom};
      q[3] = {r.left + r.bottom - r.top + 1, r.bottom};
    } else {
      q[0] = {r.left + r.bottom - r.top + 1, r.top};
      q[1] = {r.right + r.top - r.bottom, r.top};
      q[2] = {r.right + 1, r.bottom};
      q[3] = {r.left, r.bottom};
    }
    shape = CreatePolygonRgn(q, 4, ALTERNATE);
  } else {
    shape = CreateRectRgn(r.left, r.top, r.right + 1, r.bottom + 1);
  }
  if (shape) {
    if (hadClip == 1) CombineRgn(shape, shape, saved, RGN_AND);
    SelectClipRgn(dc, shape);
    DeleteObject(shape);
  }

  int n = (flags & FE_MIRRORED) ? lines / 2 : lines;
  // One mirrored line has no half to run through: it stays colour1.
  if (n < 1) n = 1;
  double r1 = GetRValue(color1), g1 = GetGValue(color1), b1 = GetBValue(color1);
  double dr = (GetRValue(color2) - r1) / n, dg = (GetGValue(color2) - g1) / n, db = (GetBValue(color2) - b1) / n;
  for (int i = 0; i < lines; i++) {
    int k = i;
    if ((flags & FE_MIRRORED) && i >= n) k = 2 * n - i;
    COLORREF c = RGB(ClampChannel(r1 + dr * k), ClampChannel(g1 + dg * k), ClampChannel(b1 + db * k));
    HPEN pen = CreatePen(PS_SOLID, 0, c);
    HGDIOBJ old = SelectObject(dc, pen);
    switch (direction) {
      case FE_TOP_TO_BOTTOM: DrawLine(dc, r.left, r.top + i, r.right + 1, r.top + i); break;
      case FE_LEFT_TO_RIGHT: DrawLine(dc, r.left + i, r.top, r.left + i, r.bottom + 1); break;
      case FE_DIAGONAL_TOP:
        DrawLine(dc, r.left + i / 2, r.top, r.left - 1, r.top + i / 2 * height / width);
        break;
      default:
        DrawLine(dc, r.left + i / 2, r.bottom, r.left - 1, r.bottom - i / 2 * height / width);
        break;
    }
    SelectObject(dc, old);
    DeleteObject(pen);
  }

  SelectClipRgn(dc, hadClip == 1 ? saved : nullptr);
  if (saved) DeleteObject(saved);
}

COLORREF ScaleColor(COLORREF color, double factor) {
  auto scale = [factor](int v) {
    double s = v * factor;
    if (s > 255) return 255;
    if (s < 0) return 0;
    return static_cast<int>(s);
  };
  return RGB(scale(GetRValue(color)), scale(GetGValue(color)), scale(GetBValue(color)));
}

void ComputeClassicShades(COLORREF bg1, COLORREF bg2, COLORREF* shade1, COLORREF* shade2) {
  int sum1 = GetRValue(bg1) + GetGValue(bg1) + GetBValue(bg1);
  int sum2 = GetRValue(bg2) + GetGValue(bg2) + GetBValue(bg2);
  COLORREF bright = sum1 >= sum2 ? bg1 : bg2, dark = sum1 >= sum2 ? bg2 : bg1;
  *shade1 = ScaleColor(bright, 0.7);
  *shade2 = ScaleColor(dark, 0.7);
}

// ---------------------------------------------------------------------------
// Classic pieces

static void FrameBox(HDC dc, int left, int top, int right, int bottom, COLORREF color) {
  RECT r = {left, top, right + 1, bottom + 1};
  HBRUSH brush = CreateSolidBrush(color);
  if (!brush) return;
  FrameRect(dc, &r, brush);
  DeleteObject(brush);
}

// Left and top edges in one colour, right and bottom in the other.
static void BoxEdges(HDC dc, const RECT& t, COLORREF lightEdge, COLORREF darkEdge) {
  FillSolid(dc, t.left, t.top, t.right, t.top, lightEdge);
  FillSolid(dc, t.left, t.top, t.left, t.bottom, lightEdge);
  FillSolid(dc, t.left, t.bottom, t.right, t.bottom, darkEdge);
  FillSolid(dc, t.right, t.top, t.right, t.bottom, darkEdge);
}

void DrawClassicPiece(HDC dc, int slot, const RECT& t, const ClassicLook& look) {
  if (!dc) return;
  UINT style = look.Flag & ~0xFu;
  switch (slot) {
    case 4: {
      RECT r = {t.left, t.top, t.right + 1, t.bottom + 1};
      FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      break;
    }
    case 56: {
      RECT r = {t.left, t.top, t.right + 1, t.bottom + 1};
      FillRect(dc, &r, GetSysColorBrush(COLOR_MENU));
      break;
    }
    case 5: case 7: case 57: case 59:
      DrawFrameEdges(dc, t, look.BG1, look.BG2, style | FE_LEFT_TO_RIGHT);
      break;
    case 6:
      DrawFrameEdges(dc, t, look.BG1, look.BG2, style | FE_TOP_TO_BOTTOM);
      break;
    case 58:
      DrawFrameEdges(dc, t, look.BG1, look.BG2, style | FE_TOP_TO_BOTTOM | FE_CUT_BOTTOM);
      break;
    case 8: case 60:
      DrawFrameEdges(dc, t, look.BG1, look.BG2, style | FE_TOP_TO_BOTTOM | FE_CUT_TOP);
      FrameBox(dc, look.Client.left, look.Client.top, look.Client.right, look.Client.bottom, RGB(0, 0, 0));
      break;
    case 9: case 10:
      BoxEdges(dc, t, look.Frame1, look.Frame2);
      break;
    case 11:
      BoxEdges(dc, t, look.Frame2, look.Frame1);
      break;
    case 12: case 13: case 14: case 15: {
      if (slot <= 13) DrawFrameEdges(dc, t, look.Shade1, look.Shade2, FE_TOP_TO_BOTTOM);
      else DrawFrameEdges(dc, t, RGB(0x50, 0xB4, 0x00), RGB(0xB4, 0xF0, 0x00), FE_TOP_TO_BOTTOM);
      FrameBox(dc, t.left, t.top, t.right, t.bottom, look.Frame2);
      // The light line sits just inside the dark box, so both show.
      FillSolid(dc, t.left + 1, t.bottom - 1, t.right - 1, t.bottom - 1, look.Frame1);
      FillSolid(dc, t.right - 1, t.top + 1, t.right - 1, t.bottom - 1, look.Frame1);
      break;
    }
    case 25:
      DrawFrameEdges(dc, t, look.Shade1, look.Shade2, FE_TOP_TO_BOTTOM);
      FrameBox(dc, t.left, t.top, t.right, t.bottom, look.Frame2);
      break;
    case 26: {
      HPEN pen = CreatePen(PS_SOLID, 0, look.Frame2);
      HBRUSH brush = CreateSolidBrush(ScaleColor(look.Shade1, 0.7));
      HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, brush);
      Rectangle(dc, t.left, t.top, t.right + 1, t.bottom + 1);
      SelectObject(dc, oldPen);
      SelectObject(dc, oldBrush);
      DeleteObject(pen);
      DeleteObject(brush);
      break;
    }
    default:
      // Sub-menu pieces (28-32) belong to the sub-menu drawer; the rest
      // have no classic face.
      break;
  }
}

void DrawClassicLine(HDC dc, const RECT& rect, const DesignColors* d, int state) {
  if (!dc || !d) return;
  bool pressed = state == 2;
  RECT face = rect;
  if (pressed) {
    face.left++;
    face.top++;
  } else {
    face.right--;
    face.bottom--;
  }
  if (face.right >= face.left && face.bottom >= face.top) DrawFrameEdges(dc, face, d->BG1, d->BG2, d->Flag);
  int w = LauncherDpi() / 96;
  if (w < 1) w = 1;
  COLORREF light = pressed ? ScaleColor(d->Frame1, 0.7) : d->Frame1;
  FillSolid(dc, rect.left, rect.top, rect.left + w - 1, rect.bottom, light);
  FillSolid(dc, rect.left, rect.top, rect.right, rect.top + w - 1, light);
  if (!pressed) {
    FillSolid(dc, rect.left, rect.bottom - w + 1, rect.right, rect.bottom, d->Frame2);
    FillSolid(dc, rect.right - w + 1, rect.top, rect.right, rect.bottom, d->Frame2);
  }
}

// ---------------------------------------------------------------------------
// Skin image blits

void BlitSkinPiece(HDC dest, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh,
                   int alphaAllowed) {
  if (!dest || !source) return;
  const SkinSettings& rs = g_App.Skin;
  if (rs.TransparencyMode == SKINMODE_CLIPPING && g_App.Api.TransparentBlt) {
    if (g_App.Api.TransparentBlt(dest, x, y, w, h, source, sx, sy, sw, sh, rs.ClipColor)) return;
  } else if (rs.TransparencyMode == SKINMODE_ALPHA && alphaAllowed && g_App.Api.AlphaBlend) {
    BLENDFUNCTION bf = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    if (g_App.Api.AlphaBlend(dest, x, y, w, h, source, sx, sy, sw, sh, bf)) return;
  }
  StretchBlt(dest, x, y, w, h, source, sx, sy, sw, sh, SRCCOPY);
}

// ---------------------------------------------------------------------------
// Text

int NeedsDecoratedText(const FontEntry* font, const DesignColors* d) {
  if (CurrentSkinMode() == SKINMODE_ALPHA) return 1;
  if (font && (font->Flag & FEF_ANTIALIAS)) return 1;
  if (!d) return 0;
  if (d->Flag & DCF_OUTLINE) return 1;
  if ((d->Flag & (DCF_SHADOW_UPPER | DCF_SHADOW_LOWER)) && d->ShadowAlpha >= 1 && d->ShadowAlpha <= 254) return 1;
  return 0;
}

static const FontEntry* FontOf(int font) {
  if (font < 0 || font >= FONT_COUNT) return nullptr;
  return &Active().Fonts[font];
}

int GetTextLogfont(HDC dc, HFONT font, LOGFONTW* out) {
  if (!font && dc) font = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
  if (!font) return 0;
  // The wide form keeps face names outside the ANSI code page.
  return GetObjectW(font, sizeof *out, out) == sizeof *out;
}

// The DC text is measured on: the back buffer when there is one, else the
// launcher window's (released by the caller when *release).
static HDC MeasureDc(bool* release) {
  *release = false;
  if (g_App.Render.Back.Dc) return g_App.Render.Back.Dc;
  HDC dc = GetDC(g_App.MainWnd);
  *release = dc != nullptr;
  return dc;
}

static int TextLength(const wchar_t* text) { return text ? lstrlenW(text) : 0; }

// Em size in pixels of a GDI+ font, whatever its unit.
static float EmPixels(const Gdiplus::Font& font, int dpi) {
  float size = font.GetSize();
  switch (font.GetUnit()) {
    case Gdiplus::UnitPoint: return size * dpi / 72.0f;
    case Gdiplus::UnitInch: return size * dpi;
    case Gdiplus::UnitDocument: return size * dpi / 300.0f;
    case Gdiplus::UnitMillimeter: return size * dpi / 25.4f;
    default: return size;
  }
}

UINT64 HashBytes(UINT64 hash, const void* data, size_t size) {
  const BYTE* p = static_cast<const BYTE*>(data);
  for (size_t i = 0; i < size; i++) hash = (hash ^ p[i]) * 1099511628211ull;
  return hash;
}

UINT64 HashText(UINT64 hash, const wchar_t* text) {
  if (!text) text = L"";
  return HashBytes(hash, text, sizeof(wchar_t) * (lstrlenW(text) + 1));
}

// The GDI+ font of a LOGFONT at the DC's DPI, made once; null when GDI+
// cannot make it.
static Gdiplus::Font* TextFont(HDC dc, const LOGFONTW& lf) {
  RenderState& r = g_App.Render;
  int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  for (TextFontEntry& e : r.TextFonts)
    if (e.Font && e.Dpi == dpi && !memcmp(&e.Logfont, &lf, sizeof lf)) return e.Font;
  Gdiplus::Font* font = new Gdiplus::Font(dc, &lf);  // GDI+ allocates: null on failure
  if (!font) return nullptr;
  if (font->GetLastStatus() != Gdiplus::Ok) {
    delete font;
    return nullptr;
  }
  TextFontEntry& e = r.TextFonts[r.NextTextFont];
  r.NextTextFont = (r.NextTextFont + 1) % kTextFonts;
  delete e.Font;
  e.Logfont = lf;
  e.Dpi = dpi;
  e.Font = font;
  return font;
}

void FreeTextFonts() {
  RenderState& r = g_App.Render;
  for (TextFontEntry& e : r.TextFonts) {
    delete e.Font;
    e = TextFontEntry{};
  }
  r.NextTextFont = 0;
}

static SIZE MeasureDecorated(HDC dc, const LOGFONTW& lf, const wchar_t* text) {
  SIZE s = {0, 0};
  Gdiplus::Graphics g(dc);
  Gdiplus::Font* font = TextFont(dc, lf);
  if (!font) return s;
  const Gdiplus::Font& f = *font;
  Gdiplus::RectF box;
  const wchar_t* t = text ? text : L"";
  if (g.MeasureString(t, TextLength(t), &f, Gdiplus::RectF(0, 0, 0, 0), &box) != Gdiplus::Ok) return s;
  s.cx = static_cast<LONG>(ceilf(box.Width));
  s.cy = static_cast<LONG>(ceilf(box.Height));
  return s;
}

static SIZE MeasurePlain(HDC dc, HFONT font, const wchar_t* text) {
  SIZE s = {0, 0};
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  GetTextExtentPoint32W(dc, text ? text : L"", TextLength(text), &s);
  if (old) SelectObject(dc, old);
  return s;
}

SIZE MeasureText(int font, const DesignColors* design, const wchar_t* text) {
  SIZE s = {0, 0};
  const FontEntry* fe = FontOf(font);
  bool release;
  HDC dc = MeasureDc(&release);
  if (!dc) return s;
  HFONT hf = fe ? fe->Font : nullptr;
  int decorated = NeedsDecoratedText(fe, design);
  // The tab strip measures every page's name for several states and twice
  // per layout; most of those ask what was just measured.
  struct {
    LOGFONTW Font;
    int Decorated, Dpi;
  } what;
  ZeroMemory(&what, sizeof what);
  MeasuredText* memo = nullptr;
  UINT64 key = 0;
  if (GetTextLogfont(dc, hf, &what.Font)) {
    what.Decorated = decorated;
    what.Dpi = GetDeviceCaps(dc, LOGPIXELSY);
    key = HashText(HashBytes(kHashStart, &what, sizeof what), text) | 1;
    memo = &g_App.Render.Measured[key % kMeasuredTexts];
    if (memo->Key == key) {
      if (release) ReleaseDC(g_App.MainWnd, dc);
      return memo->Size;
    }
  }
  if (decorated)
    s = memo ? MeasureDecorated(dc, what.Font, text) : s;
  else
    s = MeasurePlain(dc, hf, text);
  if (memo) {
    memo->Key = key;
    memo->Size = s;
  }
  if (release) ReleaseDC(g_App.MainWnd, dc);
  return s;
}

void DrawPlainText(HDC dc, const RECT& rect, const wchar_t* text, int font, const DesignColors* d, UINT format) {
  if (!dc || !text || !d) return;
  const FontEntry* fe = FontOf(font);
  HGDIOBJ oldFont = fe && fe->Font ? SelectObject(dc, fe->Font) : nullptr;
  int oldMode = SetBkMode(dc, TRANSPARENT);
  int len = TextLength(text);
  if ((format & (DT_CENTER | DT_SINGLELINE)) == (DT_CENTER | DT_SINGLELINE)) {
    SIZE s = {0, 0};
    GetTextExtentPoint32W(dc, text, len, &s);
    // A long single line starts at the left instead of losing both ends.
    if (s.cx >= rect.right - rect.left) format &= ~DT_CENTER;
  }
  COLORREF oldColor = GetTextColor(dc);
  if (d->Flag & (DCF_SHADOW_UPPER | DCF_SHADOW_LOWER)) {
    int off = ScaleForDpi(d->ShadowWidth, LauncherDpi());
    if (d->Flag & DCF_SHADOW_UPPER) off = -off;
    RECT shadow = rect;
    OffsetRect(&shadow, off, off);
    SetTextColor(dc, d->TextClr2);
    DrawTextW(dc, text, len, &shadow, format);
  }
  RECT r = rect;
  SetTextColor(dc, d->TextClr1);
  DrawTextW(dc, text, len, &r, format);
  SetTextColor(dc, oldColor);
  SetBkMode(dc, oldMode);
  if (oldFont) SelectObject(dc, oldFont);
}

static Gdiplus::Color WithAlpha(COLORREF c, int alpha) {
  return Gdiplus::Color(static_cast<BYTE>(alpha), GetRValue(c), GetGValue(c), GetBValue(c));
}

void DrawDecoratedText(HDC dc, const RECT& rect, const wchar_t* text, int font, const DesignColors* d,
                       UINT format) {
  if (!dc || !text || !d) return;
  const FontEntry* fe = FontOf(font);
  LOGFONTW lf;
  if (!GetTextLogfont(dc, fe ? fe->Font : nullptr, &lf)) return;
  Gdiplus::Graphics g(dc);
  Gdiplus::Font* made = TextFont(dc, lf);
  if (!made) return;
  const Gdiplus::Font& f = *made;
  int len = TextLength(text);
  Gdiplus::RectF layout(static_cast<float>(rect.left), static_cast<float>(rect.top),
                        static_cast<float>(rect.right - rect.left + 1), static_cast<float>(rect.bottom - rect.top + 1));
  g.SetCompositingMode(Gdiplus::CompositingModeSourceOver);
  g.SetTextRenderingHint(fe && (fe->Flag & FEF_ANTIALIAS) ? Gdiplus::TextRenderingHintAntiAliasGridFit
                                                           : Gdiplus::TextRenderingHintClearTypeGridFit);
  if ((format & (DT_CENTER | DT_SINGLELINE)) == (DT_CENTER | DT_SINGLELINE)) {
    Gdiplus::RectF box;
    if (g.MeasureString(text, len, &f, Gdiplus::RectF(0, 0, 0, 0), &box) == Gdiplus::Ok &&
        ceilf(box.Width) >= layout.Width)
      format &= ~DT_CENTER;
  }
  Gdiplus::StringFormat sf(0);
  if (format & DT_CENTER) sf.SetAlignment(Gdiplus::StringAlignmentCenter);
  if (format & DT_VCENTER) sf.SetLineAlignment(Gdiplus::StringAlignmentCenter);
  if (format & DT_SINGLELINE) sf.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);

  int shadowAlpha = d->ShadowAlpha >= 255 ? 254 : d->ShadowAlpha;
  if (shadowAlpha < 0) shadowAlpha = 0;
  float off = static_cast<float>(ScaleForDpi(d->ShadowWidth, LauncherDpi()));
  Gdiplus::SolidBrush textBrush(WithAlpha(d->TextClr1, 254));
  if (d->Flag & DCF_OUTLINE) {
    g.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    Gdiplus::FontFamily family;
    f.GetFamily(&family);
    Gdiplus::GraphicsPath path;
    path.AddString(text, len, &family, f.GetStyle(), EmPixels(f, GetDeviceCaps(dc, LOGPIXELSY)), layout, &sf);
    Gdiplus::Pen pen(WithAlpha(d->TextClr2, shadowAlpha), off);
    pen.SetLineJoin(Gdiplus::LineJoinRound);
    g.DrawPath(&pen, &path);
    g.FillPath(&textBrush, &path);
    return;
  }
  if (d->Flag & (DCF_SHADOW_UPPER | DCF_SHADOW_LOWER)) {
    if (d->Flag & DCF_SHADOW_UPPER) off = -off;
    Gdiplus::RectF shadow = layout;
    shadow.Offset(off, off);
    Gdiplus::SolidBrush shadowBrush(WithAlpha(d->TextClr2, shadowAlpha));
    g.DrawString(text, len, &f, shadow, &sf, &shadowBrush);
  }
  g.DrawString(text, len, &f, layout, &sf, &textBrush);
}

void DrawDesignText(HDC dc, const RECT& rect, const wchar_t* text, int font, const DesignColors* design,
                    UINT format) {
  if (NeedsDecoratedText(FontOf(font), design)) DrawDecoratedText(dc, rect, text, font, design, format);
  else DrawPlainText(dc, rect, text, font, design, format);
}

// ---------------------------------------------------------------------------
// Faces

// The face from the skin's image: the cell of the design column (Pattern)
// and the state's row, nine-grid scaled into the rectangle.
static void DrawSkinFace(HDC dc, const RECT& rect, int part, const DesignColors* d, int state) {
  SkinSlot slot = g_App.Skin.Slots[part];
  if (!slot.Dc || state < 0 || state > 2) return;
  // A skin that claims no columns still has its one image.
  int columns = g_App.Skin.DesignCount[part] > 0 ? g_App.Skin.DesignCount[part] : 1;
  int column = d->Pattern >= 0 && d->Pattern < columns ? d->Pattern : 0;
  int rows = 3, row = state;
  if (part == 0 && !(g_App.SkinText.SkinTextFlags & STF_NEW_TEXT_LAYOUT)) {
    // Tab images of the older text layout hold four rows: active first.
    static const int kOldTabRows[3] = {2, 3, 0};
    rows = 4;
    row = kOldTabRows[state];
  }
  int cellW = slot.ImageWidth / columns, cellH = slot.ImageHeight / rows;
  if (cellW <= 0 || cellH <= 0) return;
  slot.SourceLeft = column * cellW;
  slot.SourceTop = row * cellH;
  slot.SourceWidth = cellW;
  slot.SourceHeight = cellH;
  slot.Target = rect;
  g_App.Skin.Slots[part].Target = rect;
  DrawSkinSlot(dc, &slot, 1, 0);
}

void DrawPartFace(HDC dc, const RECT& rect, int part, const DesignColors* d, int state) {
  if (!dc || !d || part < 0 || part > 2) return;
  if (HasSkin()) {
    DrawSkinFace(dc, rect, part, d, state);
    return;
  }
  if (part == 0) {
    RECT inner = {rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1};
    if (inner.right >= inner.left && inner.bottom >= inner.top) DrawFrameEdges(dc, inner, d->BG1, d->BG2, d->Flag);
    HPEN light = CreatePen(PS_SOLID, 0, d->Frame1), dark = CreatePen(PS_SOLID, 0, d->Frame2);
    HGDIOBJ old = SelectObject(dc, light);
    POINT a[3] = {{rect.left, rect.bottom - 1}, {rect.left, rect.top}, {rect.right, rect.top}};
    Polyline(dc, a, 3);
    SelectObject(dc, dark);
    POINT b[3] = {{rect.left, rect.bottom}, {rect.right, rect.bottom}, {rect.right, rect.top - 1}};
    Polyline(dc, b, 3);
    SelectObject(dc, old);
    DeleteObject(light);
    DeleteObject(dark);
    return;
  }
  DrawClassicLine(dc, rect, d, state);
}

// ---------------------------------------------------------------------------
// Tab and button contents

void DrawTabText(HDC dc, const RECT& tab, const wchar_t* text, const DesignColors* design, int state) {
  if (!text || !*text) return;
  const ViewModeDesign& v = Active();
  int dpi = LauncherDpi();
  const RECT& m = v.Margin[MARGIN_TABTEXT];
  RECT r = {tab.left + ScaleForDpi(m.left, dpi), tab.top + ScaleForDpi(m.top, dpi),
            tab.right - ScaleForDpi(m.right, dpi), tab.bottom - ScaleForDpi(m.bottom, dpi)};
  UINT format = (v.Flag & 0x400) ? (DT_EDITCONTROL | DT_NOPREFIX | DT_WORDBREAK | DT_VCENTER)
                                 : (DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER);
  if (!(v.Flag & 0x4)) format |= DT_CENTER;
  DrawDesignText(dc, r, text, state == 2 ? FONT_TABA : FONT_TABB, design, format);
}

static POINT ShiftOf(int state) {
  POINT none = {0, 0};
  if (state == 1) return g_App.Skin.ShiftHover;
  if (state == 2) return g_App.Skin.ShiftDown;
  return none;
}

void DrawButtonIcon(HDC dc, const RECT& cell, POINT* at, HICON icon, int state, const OverlaySetting* overlay,
                    int dpi) {
  if (dpi <= 0) dpi = LauncherDpi();
  const ViewModeDesign& v = Active();
  const RECT& m = v.Margin[MARGIN_BUTTONICON];
  int size = v.IconSizeDisp;
  int centre = m.top + (v.ButtonSizeY - m.bottom - m.top - size) / 2;
  POINT p;
  if (v.Flag & 0x8) {
    p.x = cell.left + ScaleForDpi(m.left, dpi);
    p.y = cell.top + ScaleForDpi(centre, dpi);
  } else {
    p.x = cell.left + ScaleForDpi(m.left + (v.ButtonSizeX - m.right - m.left - size) / 2, dpi);
    p.y = cell.top + ScaleForDpi((v.Flag & 0x10) ? m.top : centre, dpi);
  }
  if (at) *at = p;
  if (!icon || !dc) return;
  POINT shift = ShiftOf(state);
  DrawIconImage(dc, icon, p.x + ScaleForDpi(shift.x, dpi), p.y + ScaleForDpi(shift.y, dpi),
                ScaleForDpi(size, dpi), overlay, dpi, 0);
}

BITMAPINFOHEADER DibHeader(int width, int height, WORD bits) {
  BITMAPINFOHEADER h = {};
  h.biSize = sizeof h;
  h.biWidth = width;
  h.biHeight = height;
  h.biPlanes = 1;
  h.biBitCount = bits;
  h.biCompression = BI_RGB;
  return h;
}

int IconHasPartialAlpha(HICON icon) {
  ICONINFO ii;
  if (!icon || !GetIconInfo(icon, &ii)) return 0;
  int partial = 0;
  BITMAP bm;
  if (ii.hbmColor && GetObjectW(ii.hbmColor, sizeof bm, &bm) == sizeof bm && bm.bmBitsPixel == 32) {
    BITMAPINFO bi = {};
    bi.bmiHeader = DibHeader(bm.bmWidth, bm.bmHeight, 32);
    size_t count = static_cast<size_t>(bm.bmWidth) * bm.bmHeight;
    DWORD* px = static_cast<DWORD*>(HeapAlloc(GetProcessHeap(), 0, count * 4));
    HDC screen = GetDC(nullptr);
    if (px && screen && GetDIBits(screen, ii.hbmColor, 0, bm.bmHeight, px, &bi, DIB_RGB_COLORS)) {
      for (size_t i = 0; i < count && !partial; i++) {
        BYTE a = static_cast<BYTE>(px[i] >> 24);
        partial = a >= 1 && a <= 254;
      }
    }
    if (screen) ReleaseDC(nullptr, screen);
    if (px) HeapFree(GetProcessHeap(), 0, px);
  }
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  if (ii.hbmMask) DeleteObject(ii.hbmMask);
  return partial;
}

static void DrawOneIcon(HDC dc, HICON icon, int x, int y, int size, int forceGdi) {
  if (forceGdi || CurrentSkinMode() != SKINMODE_ALPHA || IconHasPartialAlpha(icon)) {
    DrawIconEx(dc, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
    return;
  }
  Gdiplus::Bitmap* bmp = Gdiplus::Bitmap::FromHICON(icon);
  if (bmp && bmp->GetLastStatus() == Gdiplus::Ok) {
    Gdiplus::Graphics g(dc);
    g.DrawImage(bmp, x, y, size, size);
  } else {
    DrawIconEx(dc, x, y, icon, size, size, 0, nullptr, DI_NORMAL);
  }
  delete bmp;
}

void DrawIconImage(HDC dc, HICON icon, int x, int y, int size, const OverlaySetting* overlay, int dpi,
                   int forceGdi) {
  if (!dc || !icon || size <= 0) return;
  if (dpi <= 0) dpi = LauncherDpi();
  DrawOneIcon(dc, icon, x, y, size, forceGdi);
  if (!overlay || !overlay->Icon) return;
  int os = ScaleForDpi(overlay->Size, dpi);
  if (os <= 0) return;
  int ox = x, oy = y;
  if (overlay->BasePos == 2 || overlay->BasePos == 4) ox = x + size - os;
  if (overlay->BasePos == 3 || overlay->BasePos == 4) oy = y + size - os;
  ox += ScaleForDpi(overlay->OffsetX, dpi);
  oy += ScaleForDpi(overlay->OffsetY, dpi);
  DrawOneIcon(dc, overlay->Icon, ox, oy, os, forceGdi);
}

void DrawButtonText(HDC dc, const RECT& cell, POINT icon, const wchar_t* text, const DesignColors* design,
                    int state, int dpi) {
  if (!dc || !text || !*text) return;
  if (dpi <= 0) dpi = LauncherDpi();
  const ViewModeDesign& v = Active();
  const RECT& im = v.Margin[MARGIN_BUTTONICON];
  const RECT& tm = v.Margin[MARGIN_BUTTONTEXT];
  int size = v.IconSizeDisp;
  RECT r;
  if (v.Flag & 0x8) {
    r.left = icon.x + ScaleForDpi(im.right + size + tm.left, dpi);
    r.top = cell.top + ScaleForDpi(tm.top, dpi);
  } else {
    r.left = cell.left + ScaleForDpi(tm.left, dpi);
    r.top = icon.y + ScaleForDpi(tm.top + im.bottom + size, dpi);
  }
  r.right = cell.right - ScaleForDpi(tm.right, dpi);
  r.bottom = cell.bottom - ScaleForDpi(tm.bottom, dpi);
  if (state == 1 || state == 2) {
    POINT s = ShiftOf(state);
    OffsetRect(&r, ScaleForDpi(s.x, dpi), ScaleForDpi(s.y, dpi));
  }
  UINT format = (v.Flag & 0x20) ? (DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER)
                                : (DT_EDITCONTROL | DT_NOPREFIX | DT_WORDBREAK);
  if (!(v.Flag & 0x40)) format |= DT_CENTER;
  DrawDesignText(dc, r, text, FONT_BUTTON, design, format);
}
