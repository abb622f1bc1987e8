// Drawing tests: a 32-bit top-down DIB in a memory DC to draw on and probe,
// and GDI+ started once per test program.
#pragma once
#include <windows.h>

#include <string>

struct Canvas {
  HDC Dc = nullptr;
  HBITMAP Bitmap = nullptr;
  HGDIOBJ Old = nullptr;
  DWORD* Bits = nullptr;
  int Width = 0, Height = 0;

  Canvas(int width, int height, COLORREF fill = RGB(1, 2, 3));
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // Colour at (x, y) as a COLORREF (alpha dropped); CLR_INVALID outside.
  COLORREF At(int x, int y) const;
  void Fill(COLORREF color);
  // Pixels of this colour inside the inclusive rectangle.
  int Count(COLORREF color, int left, int top, int right, int bottom) const;
  int Count(COLORREF color) const { return Count(color, 0, 0, Width - 1, Height - 1); }
  // Bounding box (inclusive) of the pixels that differ from `background`,
  // or of the pixels of `color` when exact; empty (left > right) when none.
  RECT InkBox(COLORREF background) const;
  RECT BoxOf(COLORREF color) const;
  // Bounding box of the pixels within `tolerance` of the colour on every channel.
  RECT BoxNear(COLORREF color, int tolerance) const;
  int CountNear(COLORREF color, int tolerance) const;
};

// A size x size 32-bit icon of one colour and alpha (the caller destroys it).
HICON MakeSolidIcon(int size, COLORREF rgb, BYTE alpha);

void EnsureGdiplus();
// "0xBBGGRR" for readable failures.
std::string Hex(COLORREF c);
