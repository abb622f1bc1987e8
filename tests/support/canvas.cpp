#include <objidl.h>
#include <gdiplus.h>

#include <stdio.h>
#include <stdlib.h>

#include "support/canvas.h"

Canvas::Canvas(int width, int height, COLORREF fill) : Width(width), Height(height) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Bitmap = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  Bits = static_cast<DWORD*>(bits);
  Dc = CreateCompatibleDC(nullptr);
  Old = SelectObject(Dc, Bitmap);
  Fill(fill);
}

Canvas::~Canvas() {
  SelectObject(Dc, Old);
  DeleteDC(Dc);
  DeleteObject(Bitmap);
}

static DWORD ToPixel(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

void Canvas::Fill(COLORREF color) {
  GdiFlush();
  for (int i = 0; i < Width * Height; i++) Bits[i] = ToPixel(color) | 0xFF000000;
}

COLORREF Canvas::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return CLR_INVALID;
  GdiFlush();
  DWORD p = Bits[y * Width + x];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int Canvas::Count(COLORREF color, int left, int top, int right, int bottom) const {
  int n = 0;
  for (int y = top; y <= bottom; y++)
    for (int x = left; x <= right; x++)
      if (At(x, y) == color) n++;
  return n;
}

RECT Canvas::InkBox(COLORREF background) const {
  RECT r = {Width, Height, -1, -1};
  for (int y = 0; y < Height; y++)
    for (int x = 0; x < Width; x++)
      if (At(x, y) != background) {
        if (x < r.left) r.left = x;
        if (y < r.top) r.top = y;
        if (x > r.right) r.right = x;
        if (y > r.bottom) r.bottom = y;
      }
  return r;
}

RECT Canvas::BoxOf(COLORREF color) const {
  RECT r = {Width, Height, -1, -1};
  for (int y = 0; y < Height; y++)
    for (int x = 0; x < Width; x++)
      if (At(x, y) == color) {
        if (x < r.left) r.left = x;
        if (y < r.top) r.top = y;
        if (x > r.right) r.right = x;
        if (y > r.bottom) r.bottom = y;
      }
  return r;
}

static bool Near(COLORREF a, COLORREF b, int t) {
  return abs(GetRValue(a) - GetRValue(b)) <= t && abs(GetGValue(a) - GetGValue(b)) <= t &&
         abs(GetBValue(a) - GetBValue(b)) <= t;
}

RECT Canvas::BoxNear(COLORREF color, int tolerance) const {
  RECT r = {Width, Height, -1, -1};
  for (int y = 0; y < Height; y++)
    for (int x = 0; x < Width; x++)
      if (Near(At(x, y), color, tolerance)) {
        if (x < r.left) r.left = x;
        if (y < r.top) r.top = y;
        if (x > r.right) r.right = x;
        if (y > r.bottom) r.bottom = y;
      }
  return r;
}

int Canvas::CountNear(COLORREF color, int tolerance) const {
  int n = 0;
  for (int y = 0; y < Height; y++)
    for (int x = 0; x < Width; x++)
      if (Near(At(x, y), color, tolerance)) n++;
  return n;
}

void EnsureGdiplus() {
  static ULONG_PTR token = 0;
  if (token) return;
  Gdiplus::GdiplusStartupInput in;
  Gdiplus::GdiplusStartup(&token, &in, nullptr);
}

std::string Hex(COLORREF c) {
  char b[16];
  snprintf(b, sizeof b, "0x%06lX", static_cast<unsigned long>(c));
  return b;
}

// A size x size 32-bit icon of one colour and alpha.
HICON MakeSolidIcon(int size, COLORREF rgb, BYTE alpha) {
  BITMAPV5HEADER bi = {};
  bi.bV5Size = sizeof bi;
  bi.bV5Width = size;
  bi.bV5Height = -size;
  bi.bV5Planes = 1;
  bi.bV5BitCount = 32;
  bi.bV5Compression = BI_BITFIELDS;
  bi.bV5RedMask = 0xFF0000;
  bi.bV5GreenMask = 0xFF00;
  bi.bV5BlueMask = 0xFF;
  bi.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP color = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  DWORD* p = static_cast<DWORD*>(bits);
  for (int i = 0; i < size * size; i++)
    p[i] = (static_cast<DWORD>(alpha) << 24) | (GetRValue(rgb) << 16) | (GetGValue(rgb) << 8) | GetBValue(rgb);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  ICONINFO ii = {TRUE, 0, 0, mask, color};
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(color);
  DeleteObject(mask);
  return icon;
}
