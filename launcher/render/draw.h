// Drawing primitives of the launcher window: the classic look's gradients,
// frames and faces, arrows, text (GDI, or GDI+ with shadow and outline),
// icons and skin image blits. Each takes a DC and rectangles; rectangles are
// inclusive (right and bottom are the last pixel inside).
#pragma once
#include <windows.h>

#include "render/design.h"
#include "render/skin.h"

struct OverlaySetting;

// DrawFrameEdges flags besides the design Flag's direction (low 4 bits),
// mirrored (0x10) and solid (0x40) bits.
enum : UINT {
  FE_TOP_TO_BOTTOM = 1,
  FE_LEFT_TO_RIGHT = 2,
  FE_DIAGONAL_TOP = 3,
  FE_DIAGONAL_BOTTOM = 4,
  FE_MIRRORED = 0x10,
  FE_SOLID = 0x40,
  FE_CUT_BOTTOM = 0x40000000,  // the two bottom corners cut at 45 degrees
  FE_CUT_TOP = 0x80000000,     // the two top corners cut
};

// DesignColors::Flag bits of text decoration.
enum : UINT {
  DCF_SHADOW_UPPER = 0x100,
  DCF_SHADOW_LOWER = 0x200,
  DCF_OUTLINE = 0x400,
};


enum { ARROW_UP, ARROW_DOWN, ARROW_LEFT, ARROW_RIGHT };

// Everything the classic drawer reads for one window: the window design's
// colours, the two tab-area shades and the window's client rectangle.
struct ClassicLook {
  UINT Flag;
  COLORREF BG1, BG2, Frame1, Frame2;
  COLORREF Shade1, Shade2;
  RECT Client;  // inclusive
};

// S(v) at a DPI: v * dpi / 96 above 96 DPI, else v.
int ScaleForDpi(int value, int dpi);
// The launcher's DPI (96 until the layout has set one).
int LauncherDpi();
// The design of the view mode shown now (Status bit 0).
const ViewModeDesign* CurrentViewDesign();
// The transparency mode of the loaded skin (SKINMODE_NONE in the classic look).
int CurrentSkinMode();

void DrawArrow(HDC dc, const RECT& rect, int direction, int b, int c, COLORREF color, int dpi, int forceGdi);
void DrawFrameEdges(HDC dc, const RECT& rect, COLORREF color1, COLORREF color2, UINT flags);
COLORREF ScaleColor(COLORREF color, double factor);
// One classic piece at its target rectangle.
void DrawClassicPiece(HDC dc, int slot, const RECT& target, const ClassicLook& look);
// Tab and button face of the classic look (state 2 = pressed).
void DrawClassicLine(HDC dc, const RECT& rect, const DesignColors* design, int state);
// The two tab-area shades from the window colours: the brighter of BG1 and
// BG2 first (BG1 on a tie), each scaled by 0.7.
void ComputeClassicShades(COLORREF bg1, COLORREF bg2, COLORREF* shade1, COLORREF* shade2);

// Copies one image cell with the skin's transparency.
void BlitSkinPiece(HDC dest, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh,
                   int alphaAllowed);

// Text. The font is entry `font` of the current view mode.
int NeedsDecoratedText(const FontEntry* font, const DesignColors* design);
SIZE MeasureText(int font, const DesignColors* design, const wchar_t* text);
void DrawPlainText(HDC dc, const RECT& rect, const wchar_t* text, int font, const DesignColors* design,
                   UINT format);
void DrawDecoratedText(HDC dc, const RECT& rect, const wchar_t* text, int font, const DesignColors* design,
                       UINT format);
// Decorated or plain by NeedsDecoratedText.
void DrawDesignText(HDC dc, const RECT& rect, const wchar_t* text, int font, const DesignColors* design,
                    UINT format);
// FNV-1a, for telling by one comparison whether what a cached result was
// made from has changed.
const UINT64 kHashStart = 14695981039346656037ull;
UINT64 HashBytes(UINT64 hash, const void* data, size_t size);
UINT64 HashText(UINT64 hash, const wchar_t* text);  // null hashes as ""
// Frees the GDI+ fonts kept for decorated text (before GDI+ shuts down).
void FreeTextFonts();
// The LOGFONT GDI+ builds its font from: the entry's font, else the DC's.
int GetTextLogfont(HDC dc, HFONT font, LOGFONTW* out);

// Tab or button face: part 0 tab, 1 button, 2 locked button; state 0-2.
void DrawPartFace(HDC dc, const RECT& rect, int part, const DesignColors* design, int state);

void DrawTabText(HDC dc, const RECT& tab, const wchar_t* text, const DesignColors* design, int state);
// Where the icon of a cell goes (before any hover or down shift) into *at;
// draws the icon when one is given. dpi 0 = the launcher's.
void DrawButtonIcon(HDC dc, const RECT& cell, POINT* at, HICON icon, int state, const OverlaySetting* overlay,
                    int dpi);
void DrawIconImage(HDC dc, HICON icon, int x, int y, int size, const OverlaySetting* overlay, int dpi,
                   int forceGdi);
void DrawButtonText(HDC dc, const RECT& cell, POINT icon, const wchar_t* text, const DesignColors* design,
                    int state, int dpi);
// The header of an uncompressed DIB; a negative height is top-down.
BITMAPINFOHEADER DibHeader(int width, int height, WORD bits);
// 1 when the icon's colour bitmap is 32-bit with an alpha of 1-254 somewhere.
int IconHasPartialAlpha(HICON icon);
