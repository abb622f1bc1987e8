// Shared by the benchmark programs: a millisecond clock and icons with
// pixels that differ per seed.
#pragma once
#include <windows.h>

#include "render/draw.h"

inline double Now() {
  static LARGE_INTEGER freq;
  if (!freq.QuadPart) QueryPerformanceFrequency(&freq);
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

inline HICON MakeIcon(int side, DWORD seed) {
  BITMAPINFO bi = {};
  bi.bmiHeader = DibHeader(side, side, 32);
  void* bits = nullptr;
  HBITMAP colour = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!colour) return nullptr;
  for (int i = 0; i < side * side; i++) ((DWORD*)bits)[i] = (seed * 2654435761u + i) | 0xFF000000u;
  HBITMAP mask = CreateBitmap(side, side, 1, 1, nullptr);
  ICONINFO ii = {TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(colour);
  DeleteObject(mask);
  return icon;
}
