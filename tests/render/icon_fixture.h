// Icons with known pixels for the icon and icon-cache tests.
#pragma once
#include <windows.h>

#include <string>

#include "render/icons.h"

// A side x side icon whose ARGB pixels follow from seed, with a mask that
// leaves a stripe transparent.
inline HICON MakeTestIcon(int side, DWORD seed) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = side;
  bi.bmiHeader.biHeight = side;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP colour = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!colour) return nullptr;
  DWORD* px = (DWORD*)bits;
  for (int i = 0; i < side * side; i++) px[i] = ((seed * 2654435761u) ^ (i * 40503u)) | 0xFF000000u;
  std::string maskBits(((side + 15) / 16) * 2 * side, '\0');
  for (int y = 0; y < side; y++) maskBits[y * ((side + 15) / 16) * 2] = (char)(y % 3 == 0 ? 0xF0 : 0);
  HBITMAP mask = CreateBitmap(side, side, 1, 1, maskBits.data());
  ICONINFO ii = {TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(colour);
  DeleteObject(mask);
  return icon;
}

// The icon's pixels and mask as its image bytes; empty for none.
inline std::string IconPixels(HICON icon) {
  if (!icon) return std::string();
  BYTE* image = nullptr;
  DWORD length = 0;
  if (SerializeIcon(icon, GetProcessHeap(), &image, &length) != 1) return "(unserialisable)";
  std::string s((const char*)image, length);
  HeapFree(GetProcessHeap(), 0, image);
  return s;
}
