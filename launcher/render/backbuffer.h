// The launcher window's cached images (window background, system button
// strips, tab and button faces, lock marker) and the back buffer they are
// composed in; pushing it to the layered window, or painting the window
// the ordinary way when layered windows are missing.
#pragma once
#include <windows.h>

// A memory DC with its selected bitmap.
struct ImageCache {
  HDC Dc;
  HBITMAP Bitmap;
  HGDIOBJ OldBitmap;
  int Width, Height;
  DWORD* Bits;  // 32-bit top-down pixels when the bitmap is a DIB section
};

// System buttons in drawing order, and their skin pieces.
enum { SYSBTN_CLOSE, SYSBTN_PIN, SYSBTN_MODE, SYSBTN_SEARCH, SYSBTN_COUNT };

const int kCaptionChars = 1024;

// Buttons and tabs of a skinned window as last composed, one window-size
// image per state, so that a repaint copies every piece that has not
// changed instead of drawing its text again (GDI+ text is by far the
// slowest step of a skinned repaint).
enum { PIECE_CELL, PIECE_TAB };
struct ComposedEntry {
  RECT Area;   // inclusive; where the piece was composed
  UINT64 Key;  // what it showed; 0 = nothing
};
struct ComposedCache {
  ImageCache States[3];
  ComposedEntry* Entries;  // 3 rows of Cells + Tabs
  int Cells, Tabs;
};

// Sizes of texts measured before, by a hash of font, decoration, DPI and text.
struct MeasuredText {
  UINT64 Key;  // 0 = empty
  SIZE Size;
};
const int kMeasuredTexts = 512;

// GDI+ fonts made for decorated text, kept because making one costs more
// than drawing with it.
namespace Gdiplus {
class Font;
}
struct TextFontEntry {
  LOGFONTW Logfont;
  int Dpi;
  Gdiplus::Font* Font;
};
const int kTextFonts = 4;

struct RenderState {
  ImageCache Background;
  ImageCache SysButtons[SYSBTN_COUNT];
  ImageCache TabFaces;
  ImageCache ButtonFaces;
  ImageCache LockedFaces;
  ImageCache LockMarker;
  ImageCache Back;  // layered mode only
  ComposedCache Composed;
  MeasuredText Measured[kMeasuredTexts];
  TextFontEntry TextFonts[kTextFonts];
  int NextTextFont;

  int SharedDesign;  // every page shares the button designs: one face column
  BYTE Alpha;        // constant alpha of every push
  COLORREF Shade1, Shade2;  // tab-area shades of the classic look

  int SysButtonState[SYSBTN_COUNT];
  const wchar_t* CaptionText;  // null = the Caption setting
  wchar_t CaptionBuffer[kCaptionChars];
};

// RepaintMainWindow flags (RP_FRAME, RP_TABS, RP_BUTTONS, RP_PUSH of the store).
void RepaintMainWindow(UINT flags);
int UpdateWindowAlpha();
void PushLayeredWindow(HWND window, HDC source, int unused, BYTE alpha);
int CreateBackBuffer(HWND window, HDC* dc, HBITMAP* bitmap, int width, int height);
int CreateBackBufferForWindow(HWND window, HDC* dc, HBITMAP* bitmap);
void FreeDrawingResources();

// 1 when the launcher window is layered (UpdateLayeredWindow was bound).
int LayeredMode();
// The alpha the window should have now.
BYTE ComputeWindowAlpha();

// Cache builders, run by ApplyDesign and after page changes.
void BuildWindowBackground();
void BuildSystemButtonImages();
void BuildTabImages();
void BuildBackgroundBitmaps();
// The window update at the end of ApplyDesign.
void UpdateWindowAfterLayout();
// WM_PAINT of a window that is not layered.
void PaintMainWindow(HWND window);

// Gives the layout the text measurement and image refresh of the drawing
// code, and the store its repaint calls.
void InstallRenderOutlets();

// The image to compose a piece in for the back buffer, with *cached 1 when
// it already holds the piece as key describes it at area; null when there
// is no such image (the caller draws straight into the back buffer).
// Pieces of that state that area overlaps are forgotten.
HDC ComposedPieceDc(int kind, int index, int state, const RECT& area, UINT64 key, int* cached);
// Every composed piece is forgotten (the faces, background or layout changed).
void ForgetComposedPieces();

// 1 when every page's button designs equal page 0's in the compared fields.
int PagesShareButtonDesign();
void FreeImageCache(ImageCache* cache);
