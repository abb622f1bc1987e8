// Skin images: PNG, JPEG and BMP bytes decoded into bitmaps selected into
// memory DCs (32-bit premultiplied DIB sections where alpha matters), the
// images of the skin slots, and a slot drawn as nine pieces scaled for the DPI.
#pragma once
#include <windows.h>

#include "render/skin.h"

// Larger images are refused before anything is allocated for them.
const int kMaxImageSide = 8192;
const int kMaxImagePixels = 16 << 20;

// Each gives 1 with a memory DC (compatible with the launcher window's DC)
// holding the new bitmap, or 0 with nothing allocated.
int DecodePng(const BYTE* bytes, DWORD length, HDC* dc, HBITMAP* bitmap, int* width, int* height);
int DecodeJpeg(const BYTE* bytes, DWORD length, HDC* dc, HBITMAP* bitmap, int* width, int* height);
// A whole BMP file. In an alpha skin 24- and 32-bit files become premultiplied
// DIB sections; everything else a device bitmap.
int DecodeBmp(const BYTE* bytes, DWORD length, HDC* dc, HBITMAP* bitmap, int* width, int* height);

// The image named by g_App.Skin.Slots[slot].FileName, read from the open skin
// archive (zipped skin) or the skin's folder, unless BorrowSlotImage finds
// it already decoded. 1 or 0.
int LoadSlotImage(int slot);
// A lower slot naming the same file (exactly) lends its image: this slot's
// name then gains a leading '\' and the slot never frees the handles. 1
// when it borrowed; 0 (nothing changed) when no lower slot has the image or
// the name has no room for the mark.
int BorrowSlotImage(int slot);
// Deletes the DCs and bitmaps of the slots that own them; every slot is left
// without image.
void FreeSlotBitmaps();

// The nine pieces of a slot, in drawing order.
enum {
  PIECE_TOPLEFT, PIECE_TOPRIGHT, PIECE_BOTTOMLEFT, PIECE_BOTTOMRIGHT,
  PIECE_TOP, PIECE_LEFT, PIECE_RIGHT, PIECE_BOTTOM, PIECE_MIDDLE,
  PIECE_COUNT
};

// One blit: target x, y, width, height and its source in the image.
struct SlotPiece {
  int Part;  // PIECE_*
  int X, Y, Width, Height;
  int SourceX, SourceY, SourceWidth, SourceHeight;
};

// The pieces of the slot's source rectangle over its target rectangle at the
// DPI (borders kept at their size, scaled; edges and middle take the rest).
// A source without width or height takes the rest of the image.
// Pieces with no size on either side are left out. Returns how many.
int LaySlotPieces(const SkinSlot& slot, int dpi, SlotPiece pieces[PIECE_COUNT]);
// Tiles of a piece: columns and rows, and the tile at (column, row); the last
// column and row are cut to what remains of the target.
void CountSlotTiles(const SlotPiece& piece, int dpi, int* columns, int* rows);
SlotPiece SlotTile(const SlotPiece& piece, int dpi, int column, int row);

// Draws the slot's image into its target rectangle; dpi 0 = the launcher's.
void DrawSkinSlot(HDC dc, const SkinSlot* slot, int alphaBlend, int dpi);
void TileSlotPiece(HDC dc, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                   int alphaBlend, int dpi);
