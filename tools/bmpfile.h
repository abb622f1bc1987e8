// 32-bit pixels written as a BMP file, for people to look at what tests and
// tools drew or captured.
#pragma once
#include <windows.h>

// height > 0: rows bottom-up (as GetDIBits gives them), < 0: top-down.
// 1 when the whole file was written.
inline int WriteBmpFile(const wchar_t* path, const void* pixels, int width, int height) {
  if (!pixels || width <= 0 || !height) return 0;
  BITMAPINFOHEADER bi = {};
  bi.biSize = sizeof bi;
  bi.biWidth = width;
  bi.biHeight = height;
  bi.biPlanes = 1;
  bi.biBitCount = 32;
  bi.biCompression = BI_RGB;
  DWORD bytes = static_cast<DWORD>(width) * static_cast<DWORD>(height < 0 ? -height : height) * 4;
  HANDLE f = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 0;
  BITMAPFILEHEADER fh = {};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi;
  fh.bfSize = fh.bfOffBits + bytes;
  DWORD n;
  int ok = WriteFile(f, &fh, sizeof fh, &n, nullptr) && WriteFile(f, &bi, sizeof bi, &n, nullptr) &&
           WriteFile(f, pixels, bytes, &n, nullptr) && n == bytes;
  CloseHandle(f);
  return ok;
}
