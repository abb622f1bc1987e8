// Sub-menu geometry without windows: rows, columns and scroll buttons of a
// level on its work area, the item rectangles, and where a level goes
// beside its anchor. Rectangles of items and buttons are inclusive.
#pragma once
#include <windows.h>

// Design values in pixels for the level's DPI.
struct SmMetrics {
  RECT Frame;   // widths of the left, top, right and bottom frame
  RECT Shadow;  // shadow margins
  int ScrollGap, ScrollWidth, ScrollHeight;
};

struct SmGridInput {
  RECT Work;  // work area of the anchor's monitor
  SmMetrics M;
  int ItemWidth, ItemHeight;  // measured
  int Count;
  int OptRows, OptColumns, OptItemWidth;  // from the option string
};

struct SmGrid {
  int Rows, Columns;
  int ItemWidth, ItemHeight;
  LONG ScrollBits;  // 0, SMS_VSCROLL or SMS_HSCROLL
  RECT Scroll[2];   // first (up/left) and second (down/right) button
  int Width, Height;
};

SmGrid ComputeSubMenuGrid(const SmGridInput& in);
// Rectangles of the visible items from first, column by column; other
// items get an empty rectangle. rects has count entries.
void LayoutSmItemRects(const SmGrid& g, const SmMetrics& m, int first, int count, RECT* rects);
// The first visible item kept inside the count, so that a full grid of
// items follows it when they do not all fit.
int ClampFirstVisible(int first, int count, int rows, int columns);

struct SmPlaceInput {
  int Level;
  int Leftwards;  // the level opens to the left of its anchor
  RECT Anchor;    // parent item in screen coordinates; the root: the point in left/top
  SIZE Size;
  RECT Work;
  SmMetrics M;
};
// Top-left corner of the window; *leftwards receives the opening side.
POINT ComputeSubMenuPosition(const SmPlaceInput& in, int* leftwards);
