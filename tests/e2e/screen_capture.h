// What the screen shows of a launcher window, for end-to-end tests that
// compare starts or keep a picture of them.
#pragma once
#include <windows.h>

#include <memory>

#include "e2e/launcher_fixture.h"
#include "support/canvas.h"
#include "support/test_support.h"
#include "tools/bmpfile.h"

namespace e2e {

// What X shows over r. The launcher window is layered and Xvfb has no
// compositor, so a copy from the screen reads the pixels it was given.
inline std::unique_ptr<Canvas> CaptureScreen(const RECT& r) {
  auto c = std::make_unique<Canvas>(r.right - r.left, r.bottom - r.top, RGB(0, 0, 0));
  HDC screen = GetDC(nullptr);
  BitBlt(c->Dc, 0, 0, c->Width, c->Height, screen, r.left, r.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  GdiFlush();
  return c;
}

inline bool SamePixels(const Canvas& a, const Canvas& b) {
  if (a.Width != b.Width || a.Height != b.Height) return false;
  for (int i = 0; i < a.Width * a.Height; i++)
    if ((a.Bits[i] & 0xFFFFFF) != (b.Bits[i] & 0xFFFFFF)) return false;
  return true;
}

// Pixels that differ between two captures of the same size.
inline int DifferentPixels(const Canvas& a, const Canvas& b) {
  int n = 0;
  for (int i = 0; i < a.Width * a.Height; i++) n += (a.Bits[i] & 0xFFFFFF) != (b.Bits[i] & 0xFFFFFF);
  return n;
}

// Waits until two captures of the window 300 ms apart agree (showing and
// drawing are over); the last one.
inline std::unique_ptr<Canvas> SettledCapture(HWND w) {
  std::unique_ptr<Canvas> last = CaptureScreen(WindowRect(w));
  for (int i = 0; i < 30; i++) {
    Sleep(300);
    std::unique_ptr<Canvas> next = CaptureScreen(WindowRect(w));
    bool same = SamePixels(*last, *next);
    last = std::move(next);
    if (same) break;
  }
  return last;
}

// The settled capture of w, also kept as a BMP of the build folder for
// people to look at.
inline std::unique_ptr<Canvas> CaptureAndKeep(HWND w, const wchar_t* bmpName) {
  std::unique_ptr<Canvas> c = SettledCapture(w);
  EXPECT_TRUE(WriteBmpFile(BuildFile(bmpName).c_str(), c->Bits, c->Width, -c->Height)) << "saving the capture";
  return c;
}

}  // namespace e2e
