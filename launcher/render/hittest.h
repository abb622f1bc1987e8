// What lies under a point of the launcher window: system buttons and their
// states, sizing borders, tabs, grid cells, and transparent skin pixels.
// Points are client coordinates of the window unless said otherwise.
#pragma once
#include <windows.h>

// HitTestSizing results.
enum {
  SIZING_LEFT = 1,
  SIZING_TOP = 2,
  SIZING_RIGHT = 3,
  SIZING_BOTTOM = 4,
  SIZING_TOPLEFT = 5,
  SIZING_TOPRIGHT = 6,
  SIZING_BOTTOMLEFT = 7,
  SIZING_BOTTOMRIGHT = 8,
  SIZING_NONE = 9,
};

// GetItemFromPoint kinds and IsPointInItemArea flags.
enum { HIT_TABS = 1, HIT_BUTTONS = 2 };
enum { ITEMAREA_TABS = 0x2, ITEMAREA_BUTTONS = 0x4 };
// ShrinkByShadowArea entries.
enum { SHADOW_MAIN = 0, SHADOW_SUBMENU = 1, SHADOW_SEARCH = 2 };

int GetCloseButtonState();
int GetPinButtonState();
int GetModeButtonState();
int GetSearchButtonState();
int HitTestSkinPart(int slot, int x, int y);
int IsTransparentPixel(HDC dc, HBITMAP bitmap, int x, int y);
int HitTestSizing(HCURSOR* cursor);
int GetItemFromPoint(POINT* screenPoint, int kind, int pixelTest);
// A grid cell's rectangle (inclusive, client); 0 when there is none.
int GetCellRect(int cell, RECT* client);
int IsPointInItemArea(POINT screenPoint, int flags);
void ShrinkByShadowArea(RECT* rect, int entry, int dpi);

// The sizing rule alone: window rectangle (exclusive, screen), the skin's
// shadow and sizing widths at 96 DPI, the DPI and the cursor.
int SizingCodeAt(RECT window, RECT shadow, RECT sizeArea, int dpi, POINT cursor, LPCWSTR* cursorShape);
// The tab or cell under a client point, or -1; the pixel test as above.
int FindItemAt(POINT client, int kind, int pixelTest);
