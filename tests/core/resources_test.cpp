// The built-in icons: every id the launcher loads is present in both sizes
// it asks for, and is drawn (not an empty image).
#include <gtest/gtest.h>
#include <windows.h>

#include "resources/resource.h"

namespace {

int OpaquePixels(HICON icon, int size) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = size;
  bi.bmiHeader.biHeight = -size;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bmp);
  // White background: a drawn icon leaves non-white pixels.
  PatBlt(dc, 0, 0, size, size, WHITENESS);
  DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  GdiFlush();
  int n = 0;
  const DWORD* px = static_cast<const DWORD*>(bits);
  for (int i = 0; i < size * size; ++i)
    if ((px[i] & 0xFFFFFF) != 0xFFFFFF) ++n;
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return n;
}

TEST(BuiltInIcons, EveryIdLoadsInSmallAndLargeSize) {
  const int ids[] = {IDI_PROGRAM,    IDI_TRAY_NORMAL, IDI_TRAY_RELEASED, IDI_TRAY_AWAKE,
                     IDI_TRAY_BUSY1, IDI_TRAY_BUSY2,  IDI_TRAY_BUSY3};
  for (int id : ids) {
    for (int size : {16, 32}) {
      HICON icon = (HICON)LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                     size, size, 0);
      ASSERT_NE(icon, nullptr) << "icon " << id << " size " << size;
      EXPECT_GT(OpaquePixels(icon, size), size * size / 2) << "icon " << id << " size " << size;
      DestroyIcon(icon);
    }
  }
}

// The rearrange-drag cursors: present, hot spot at the arrow's tip, drawn,
// and the copy cursor is not the move cursor.
TEST(BuiltInCursors, MoveAndCopyAreDrawnWithTheirHotSpot) {
  int drawn[2] = {};
  const int ids[] = {IDC_REARRANGE_MOVE, IDC_REARRANGE_COPY};
  for (int i = 0; i < 2; i++) {
    HCURSOR c = (HCURSOR)LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ids[i]), IMAGE_CURSOR, 32, 32, 0);
    ASSERT_NE(c, nullptr) << "cursor " << ids[i];
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(c, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(0u, info.xHotspot);
    EXPECT_EQ(0u, info.yHotspot);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    drawn[i] = OpaquePixels((HICON)c, 32);
    EXPECT_GT(drawn[i], 150) << "cursor " << ids[i];
    DestroyCursor(c);
  }
  EXPECT_NE(drawn[0], drawn[1]);
}

}  // namespace
