// Where everything of the launcher window lies: frames, caption, system
// buttons, tab strip and button grid, for the current view mode, tab
// position and DPI. Rectangles are inclusive (right and bottom are the last
// pixel); coordinates are those of the window, which has no system frame.
#pragma once
#include <windows.h>

#include "render/design.h"

// ViewModeDesign::Flag bits of the tab strip.
enum : UINT {
  VMF_TAB_MULTILINE = 0x1,
  VMF_TAB_FIXEDWIDTH = 0x2,
};

// Tooltip tool ids of the window's parts.
enum : UINT_PTR {
  TOOLID_CLOSEBUTTON = 1001,
  TOOLID_PINBUTTON = 1002,
  TOOLID_MODEBUTTON = 1003,
  TOOLID_SEARCHBUTTON = 1004,
  TOOLID_BUTTONAREA = 1006,
  TOOLID_TAB = 1100,   // + page
  TOOLID_CELL = 1200,  // + cell
};

// Cached face images the pixel tests read (the drawing code fills them when
// it builds its caches; empty means no pixel test).
enum { FACE_TABS, FACE_BUTTONS, FACE_LOCKEDBUTTONS, FACE_CLOSE, FACE_PIN, FACE_MODE, FACE_SEARCH, FACE_COUNT };
struct FaceImages {
  HDC Dc[FACE_COUNT];
  HBITMAP Bitmap[FACE_COUNT];
  int SharedDesign;  // every page uses the same button faces (one column)
};

struct LayoutState {
  int Width, Height;  // window size
  RECT* TabRects;     // one per page
  int TabRectCount;
  int* TabWidths;  // left by the strip measurement for LayoutTabs
  int TabWidthCount;
  int TabRows;
  RECT* CellRects;  // ButtonNumX cells a row, row by row
  int CellCount;
  int CellColumns, CellRows;
  int TabToolCount, CellToolCount;
  // What the window and its cells were last given (the partial relayout
  // after page changes compares with it).
  int PlacedWidth, PlacedHeight;
  RECT PlacedTabArea, PlacedButtonArea;
  int HoverTab = -1;
  int DragActive;  // a drag over the window is in progress
  FaceImages Faces;
};

// Text measurement the tab widths rely on (the drawing code's, so that
// measuring and drawing agree); tests put their own in.
struct LayoutSeams {
  SIZE (*MeasureText)(int fontEntry, const DesignColors* colors, const wchar_t* text);
  // Rebuilds the cached images and pushes the window after a layout.
  void (*RefreshImages)();
};
extern LayoutSeams g_LayoutSeams;

int GetWindowDpi(HWND window, HMONITOR monitor);

void ApplyDesign();
void CalcMainWindowLayout();
int LayoutTabs();
// After pages were removed or moved, following CalcMainWindowLayout: the
// tabs anew; when the strip's rows changed, the window size, the cells and
// the cached images too.
int RelayoutTabStrip();
int ScrollTabIntoView();
int LayoutButtons();
void ResetSkinArrangement();
// After a skin gives its tab position: the bases the areas and frames take.
void SetTabPositionArrangement(int position);
int GetArrangeCoord(int base, UINT code);
int MeasureTabWidth(const PageDesign* design, const wchar_t* name);
int CalcTabStripHeight(int width);
int CalcTabStripWidth();
// Frees the tab and cell tables.
void FreeLayout();
