#include "render/image.h"

#include <setjmp.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

#include "render/draw.h"
#include "render/icons.h"
#include "render/skinxml.h"
#include "render/skinzip.h"
#include "state.h"
#include "store/paths.h"

static const BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Decoded pixels before they become a bitmap: rows bottom-up as a DIB keeps
// them, each pixel premultiplied 0xAARRGGBB.
struct DecodedImage {
  int Width, Height;
  DWORD* Pixels;  // process heap
};

static void FreeDecoded(DecodedImage* image) {
  if (image->Pixels) HeapFree(GetProcessHeap(), 0, image->Pixels);
  image->Pixels = nullptr;
}

static int FitsImageCaps(unsigned long long width, unsigned long long height) {
  return width > 0 && height > 0 && width <= (unsigned)kMaxImageSide && height <= (unsigned)kMaxImageSide &&
         width * height <= (unsigned)kMaxImagePixels;
}

static int AllocDecoded(DecodedImage* image, int width, int height) {
  image->Width = width;
  image->Height = height;
  image->Pixels = (DWORD*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)width * height * 4);
  return image->Pixels != nullptr;
}

static DWORD Premultiplied(int r, int g, int b, int a) {
  if (a == 0) return 0;
  if (a != 255) {
    r = r * a / 255;
    g = g * a / 255;
    b = b * a / 255;
  }
  return (DWORD)a << 24 | (DWORD)r << 16 | (DWORD)g << 8 | (DWORD)b;
}

// Row `top` counted from the top of the image, where a DIB keeps it.
static DWORD* DecodedRow(const DecodedImage* image, int top) {
  return image->Pixels + (size_t)(image->Height - 1 - top) * image->Width;
}

// The launcher window's DC, or the screen's before the window exists.
static HDC GetWindowDc() { return GetDC(g_App.MainWnd); }
static void ReleaseWindowDc(HDC dc) { ReleaseDC(g_App.MainWnd, dc); }

// A memory DC compatible with the window's, with the bitmap selected; the
// bitmap is deleted when the DC cannot be made.
static int SelectIntoMemoryDc(HDC window, HBITMAP bitmap, HDC* dc) {
  HDC memory = CreateCompatibleDC(window);
  if (!memory) {
    DeleteObject(bitmap);
    return 0;
  }
  SelectObject(memory, bitmap);
  *dc = memory;
  return 1;
}

static int MakeImageDc(const DecodedImage& image, HDC* dc, HBITMAP* bitmap, int* width, int* height) {
  BITMAPV5HEADER h = {};
  h.bV5Size = sizeof h;
  h.bV5Width = image.Width;
  h.bV5Height = image.Height;
  h.bV5Planes = 1;
  h.bV5BitCount = 32;
  h.bV5Compression = BI_BITFIELDS;
  h.bV5RedMask = 0x00FF0000;
  h.bV5GreenMask = 0x0000FF00;
  h.bV5BlueMask = 0x000000FF;
  h.bV5AlphaMask = 0xFF000000;
  HDC window = GetWindowDc();
  void* bits = nullptr;
  HBITMAP b = CreateDIBSection(window, reinterpret_cast<BITMAPINFO*>(&h), DIB_RGB_COLORS, &bits, nullptr, 0);
  int ok = 0;
  if (b && bits) {
    memcpy(bits, image.Pixels, (size_t)image.Width * image.Height * 4);
    ok = SelectIntoMemoryDc(window, b, dc);
  } else if (b) {
    DeleteObject(b);
  }
  if (window) ReleaseWindowDc(window);
  if (!ok) return 0;
  *bitmap = b;
  *width = image.Width;
  *height = image.Height;
  return 1;
}

// ---------------------------------------------------------------------------
// PNG

struct PngCursor {
  const BYTE* Data;
  size_t Length, Pos;
};

static void PngReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
  PngCursor* c = static_cast<PngCursor*>(png_get_io_ptr(png));
  if (count > c->Length - c->Pos) png_error(png, "read past the end");
  memcpy(out, c->Data + c->Pos, count);
  c->Pos += count;
}

static void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
static void PngWarning(png_structp, png_const_charp) {}

static unsigned long ReadBe32(const BYTE* p) {
  return (unsigned long)p[0] << 24 | (unsigned long)p[1] << 16 | (unsigned long)p[2] << 8 | p[3];
}

// Sizes from IHDR, so an oversized image is refused before libpng allocates
// its rows.
static int PngSizeFits(const BYTE* bytes, DWORD length) {
  if (length < 24 || memcmp(bytes + 12, "IHDR", 4) != 0) return 0;
  return FitsImageCaps(ReadBe32(bytes + 16), ReadBe32(bytes + 20));
}

// Gray (1 channel), gray with alpha (2), RGB (3) and RGBA (4) rows of 8-bit
// samples into premultiplied pixels.
static void ConvertPngRows(png_bytepp rows, int channels, DecodedImage* image) {
  for (int y = 0; y < image->Height; y++) {
    const BYTE* s = rows[y];
    DWORD* d = DecodedRow(image, y);
    for (int x = 0; x < image->Width; x++, s += channels) {
      switch (channels) {
        case 1: d[x] = Premultiplied(s[0], s[0], s[0], 255); break;
        case 2: d[x] = Premultiplied(s[0], s[0], s[0], s[1]); break;
        case 3: d[x] = Premultiplied(s[0], s[1], s[2], 255); break;
        default: d[x] = Premultiplied(s[0], s[1], s[2], s[3]); break;
      }
    }
  }
}

// Only plain locals live here: libpng leaves this frame by longjmp. The
// pixels are allocated after the last libpng call that can fail.
static int ReadPngPixels(const BYTE* bytes, DWORD length, DecodedImage* out) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return 0;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return 0;
  }
  PngCursor cursor = {bytes, length, 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return 0;
  }
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  png_set_read_fn(png, &cursor, PngReadFromMemory);
  png_read_png(png, info, PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_PACKING | PNG_TRANSFORM_EXPAND, nullptr);
  int width = (int)png_get_image_width(png, info), height = (int)png_get_image_height(png, info);
  int channels = png_get_channels(png, info);
  png_bytepp rows = png_get_rows(png, info);
  int ok = png_get_bit_depth(png, info) == 8 && channels >= 1 && channels <= 4 && rows &&
           FitsImageCaps(width, height) && AllocDecoded(out, width, height);
  if (ok) ConvertPngRows(rows, channels, out);
  png_destroy_read_struct(&png, &info, nullptr);
  return ok;
}

int DecodePng(const BYTE* bytes, DWORD length, HDC* dc, HBITMAP* bitmap, int* width, int* height) {
  if (!bytes || length < sizeof kPngSignature || memcmp(bytes, kPngSignature, sizeof kPngSignature) != 0 ||
      !PngSizeFits(bytes, length))
    return 0;
  DecodedImage image = {};
  int ok = ReadPngPixels(bytes, length, &image) && MakeImageDc(image, dc, bitmap, width, height);
  FreeDecoded(&image);
  return ok;
}

// ---------------------------------------------------------------------------
// JPEG

struct JpegJob {
  jpeg_decompress_struct Info;
  jpeg_error_mgr Errors;  // the error callbacks find the job through it
  jmp_buf Jump;
  int Truncated;
};

static JpegJob* JobOf(j_common_ptr c) {
  return reinterpret_cast<JpegJob*>(reinterpret_cast<char*>(c->err) - offsetof(JpegJob, Errors));
}

static void JpegErrorExit(j_common_ptr c) { longjmp(JobOf(c)->Jump, 1); }

// libjpeg pads a file that ends inside the image with gray and only warns;
// a cut-off file is still a broken file.
static void JpegEmitMessage(j_common_ptr c, int level) {
  if (level < 0 && c->err->msg_code == JWRN_JPEG_EOF) JobOf(c)->Truncated = 1;
}

static void JpegOutputMessage(j_common_ptr) {}

// Everything that must survive the longjmp is in the job or in *out, both
// outside this frame.
static int ReadJpegPixels(JpegJob* job, const BYTE* bytes, DWORD length, DecodedImage* out) {
  j_decompress_ptr c = &job->Info;
  c->err = jpeg_std_error(&job->Errors);
  job->Errors.error_exit = JpegErrorExit;
  job->Errors.emit_message = JpegEmitMessage;
  job->Errors.output_message = JpegOutputMessage;
  if (setjmp(job->Jump)) {
    jpeg_destroy_decompress(c);
    FreeDecoded(out);
    return 0;
  }
  jpeg_create_decompress(c);
  jpeg_mem_src(c, bytes, length);
  jpeg_read_header(c, TRUE);
  if (!FitsImageCaps(c->image_width, c->image_height)) {
    jpeg_destroy_decompress(c);
    return 0;
  }
  jpeg_start_decompress(c);
  int components = c->output_components;
  if ((components != 1 && components != 3) || !FitsImageCaps(c->output_width, c->output_height) ||
      !AllocDecoded(out, (int)c->output_width, (int)c->output_height)) {
    jpeg_destroy_decompress(c);
    FreeDecoded(out);
    return 0;
  }
  JSAMPARRAY row = (*c->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(c), JPOOL_IMAGE,
                                           c->output_width * components, 1);
  while (c->output_scanline < c->output_height) {
    int k = (int)c->output_scanline;
    if (jpeg_read_scanlines(c, row, 1) != 1) break;
    const BYTE* s = row[0];
    DWORD* d = DecodedRow(out, k);
    for (int x = 0; x < out->Width; x++, s += components)
      d[x] = components == 1 ? Premultiplied(s[0], s[0], s[0], 255) : Premultiplied(s[0], s[1], s[2], 255);
  }
  int complete = c->output_scanline == c->output_height;
  if (complete) jpeg_finish_decompress(c);
  jpeg_destroy_decompress(c);
  if (!complete || job->Truncated) {
    FreeDecoded(out);
    return 0;
  }
  return 1;
}

int DecodeJpeg(const BYTE* bytes, DWORD length, HDC* dc, HBITMAP* bitmap, int* width, int* height) {
  if (!bytes || length == 0) return 0;
  JpegJob* job = (JpegJob*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(JpegJob));
  if (!job) return 0;
  DecodedImage image = {};
  int ok = ReadJpegPixels(job, bytes, length, &image) && MakeImageDc(image, dc, bitmap, width, height);
  FreeDecoded(&image);
  HeapFree(GetProcessHeap(), 0, job);
  return ok;
}

// ---------------------------------------------------------------------------
// BMP

// What DecodeBmp learnt from the headers, every part checked to lie inside
// the file.
struct BmpLayout {
  int Width, Height;  // height positive
  int TopDown;
  int Bits;
  DWORD Compression;
  DWORD Masks[3];     // BI_BITFIELDS only
  DWORD Colors;       // colour table entries
  const BYTE* Table;  // colour table (RGBQUAD)
  const BYTE* Pixels;
  size_t PixelBytes;
  size_t Stride;      // uncompressed rows
};

static int ReadBmpLayout(const BYTE* b, DWORD length, BmpLayout* out) {
  const DWORD kFileHeader = 14;
  if (!b || length < kFileHeader + 40 || b[0] != 'B' || b[1] != 'M') return 0;
  DWORD pixelOffset = ReadLe32(b + 10);
  DWORD headerSize = ReadLe32(b + 14);
  // BITMAPINFOHEADER and its longer successors; the old core header is not
  // a BITMAPINFOHEADER.
  if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124) return 0;
  if (headerSize > length - kFileHeader) return 0;
  const BYTE* h = b + kFileHeader;
  LONG width = (LONG)ReadLe32(h + 4), height = (LONG)ReadLe32(h + 8);
  int planes = ReadLe16(h + 12), bits = ReadLe16(h + 14);
  DWORD compression = ReadLe32(h + 16), sizeImage = ReadLe32(h + 20), used = ReadLe32(h + 32);
  if (planes != 1 || width <= 0 || height == 0 || height == (LONG)0x80000000) return 0;
  int topDown = height < 0;
  if (topDown) height = -height;
  if (!FitsImageCaps((unsigned long long)width, (unsigned long long)height)) return 0;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
  bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  if (compression == BI_RLE8 && bits != 8) return 0;
  if (compression == BI_RLE4 && bits != 4) return 0;
  if (compression == BI_BITFIELDS && bits != 16 && bits != 32) return 0;
  if (compression != BI_RGB && compression != BI_BITFIELDS && !rle) return 0;
  if (rle && topDown) return 0;  // compressed rows run bottom-up only

  size_t at = kFileHeader + headerSize;
  memset(out, 0, sizeof *out);
  if (compression == BI_BITFIELDS) {
    const BYTE* masks = h + 40;  // inside the longer headers, else right behind
    if (headerSize == 40) {
      if (at + 12 > length) return 0;
      at += 12;
    }
    for (int i = 0; i < 3; i++) out->Masks[i] = ReadLe32(masks + 4 * i);
  }
  DWORD colors = 0;
  if (bits <= 8) {
    DWORD most = 1u << bits;
    colors = used ? used : most;
    if (colors > most) return 0;
  }
  if (at + (size_t)colors * 4 > length) return 0;
  out->Table = b + at;
  at += (size_t)colors * 4;

  unsigned long long stride = ((unsigned long long)width * bits + 31) / 32 * 4;
  unsigned long long need = rle ? sizeImage : stride * (unsigned long long)height;
  if (need == 0 || pixelOffset < at || pixelOffset > length || need > length - pixelOffset) return 0;
  out->Width = width;
  out->Height = height;
  out->TopDown = topDown;
  out->Bits = bits;
  out->Compression = compression;
  out->Colors = colors;
  out->Pixels = b + pixelOffset;
  out->PixelBytes = (size_t)need;
  out->Stride = (size_t)stride;
  return 1;
}

// 24- and 32-bit pixels in the byte order an alpha skin takes them in.
static int IsAlphaReadyBmp(const BmpLayout& l) {
  if (l.Bits == 24) return l.Compression == BI_RGB;
  if (l.Bits != 32) return 0;
  return l.Compression == BI_RGB ||
         (l.Compression == BI_BITFIELDS && l.Masks[0] == 0x00FF0000 && l.Masks[1] == 0x0000FF00 &&
          l.Masks[2] == 0x000000FF);
}

static int DecodeAlphaBmp(const BmpLayout& l, HDC* dc, HBITMAP* bitmap, int* width, int* height) {
  DecodedImage image = {};
  if (!AllocDecoded(&image, l.Width, l.Height)) return 0;
  for (int y = 0; y < l.Height; y++) {
    // File rows run bottom-up unless the height was negative.
    const BYTE* s = l.Pixels + (size_t)y * l.Stride;
    DWORD* d = DecodedRow(&image, l.TopDown ? y : l.Height - 1 - y);
    for (int x = 0; x < l.Width; x++) {
      if (l.Bits == 24) {
        d[x] = Premultiplied(s[2], s[1], s[0], 255);
        s += 3;
      } else {
        d[x] = Premultiplied(s[2], s[1], s[0], s[3]);
        s += 4;
      }
    }
  }
  int ok = MakeImageDc(image, dc, bitmap, width, height);
  FreeDecoded(&image);
  return ok;
}

// The file's headers as a plain BITMAPINFO (masks and colour table copied),
// so GDI reads nothing of the file beyond what was checked.
static int DecodeDeviceBmp(const BmpLayout& l, HDC* dc, HBITMAP* bitmap, int* width, int* height) {
  size_t size = sizeof(BITMAPINFOHEADER) + 12 + (size_t)l.Colors * 4;
  BITMAPINFO* info = (BITMAPINFO*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size);
  if (!info) return 0;
  BITMAPINFOHEADER& h = info->bmiHeader;
  h.biSize = sizeof h;
  h.biWidth = l.Width;
  h.biHeight = l.TopDown ? -l.Height : l.Height;
  h.biPlanes = 1;
  h.biBitCount = (WORD)l.Bits;
  h.biCompression = l.Compression;
  h.biSizeImage = (DWORD)l.PixelBytes;
  h.biClrUsed = l.Colors;
  BYTE* tail = reinterpret_cast<BYTE*>(info) + sizeof h;
  if (l.Compression == BI_BITFIELDS) {
    memcpy(tail, l.Masks, 12);
    tail += 12;
  }
  memcpy(tail, l.Table, (size_t)l.Colors * 4);

  BITMAPINFOHEADER shape = DibHeader(l.Width, l.Height, (WORD)l.Bits);
  HDC window = GetWindowDc();
  HBITMAP b = CreateDIBitmap(window, &shape, 0, nullptr, nullptr, DIB_RGB_COLORS);
  int ok = 0;
  if (b) {
    if (SetDIBits(window, b, 0, l.Height, l.Pixels, info, DIB_RGB_COLORS) > 0) ok = SelectIntoMemoryDc(window, b, dc);
    else DeleteObject(b);
  }
  if (window) ReleaseWindowDc(window);
  HeapFree(GetProcessHeap(), 0, info);
  if (!ok) return 0;
  *bitmap = b;
  *width = l.Width;
  *height = l.Height;
  return 1;
}

int DecodeBmp(const BYTE* bytes, DWORD length, HDC* dc, HBITMAP* bitmap, int* width, int* height) {
  BmpLayout l;
  if (!ReadBmpLayout(bytes, length, &l)) return 0;
  if (g_App.Skin.TransparencyMode == SKINMODE_ALPHA && IsAlphaReadyBmp(l))
    return DecodeAlphaBmp(l, dc, bitmap, width, height);
  return DecodeDeviceBmp(l, dc, bitmap, width, height);
}

// ---------------------------------------------------------------------------
// Slot images

// The file's bytes from the open archive or the skin's folder (heap block).
static DWORD ReadSlotFile(const wchar_t* name, BYTE** bytes) {
  *bytes = nullptr;
  if (g_App.Skin.Flags & SKF_ZIPPED) {
    ZipLocalHeader header;
    if (!FindZipEntry(name, &header, 0)) return 0;
    return ExtractZipEntry(&header, bytes);
  }
  // Neither the skin's name (from Design.ini or a plug-in) nor the file's
  // may lead out of the skin's own folder.
  wchar_t path[1024];
  if (!BuildSkinFilePath(g_App.SkinName, name, path, 1024)) return 0;
  return ReadWholeFile(path, GetProcessHeap(), bytes, kMaxSkinMemberBytes);
}

static int DecodeImage(const BYTE* bytes, DWORD length, HDC* dc, HBITMAP* bitmap, int* width, int* height) {
  int png = length >= sizeof kPngSignature && memcmp(bytes, kPngSignature, sizeof kPngSignature) == 0;
  if (png ? DecodePng(bytes, length, dc, bitmap, width, height)
          : DecodeJpeg(bytes, length, dc, bitmap, width, height))
    return 1;
  return DecodeBmp(bytes, length, dc, bitmap, width, height);
}

int BorrowSlotImage(int index) {
  if (index < 0 || index >= SKIN_SLOT_COUNT) return 0;
  SkinSlot* slots = g_App.Skin.Slots;
  SkinSlot& slot = slots[index];
  size_t length = wcsnlen(slot.FileName, 260);
  // A name one short of the buffer has no room for the mark: it gets an
  // image of its own instead.
  if (!slot.FileName[0] || slot.FileName[0] == L'\\' || length + 1 >= 260) return 0;
  for (int i = 0; i < index; i++) {
    const SkinSlot& other = slots[i];
    if (!other.Dc || !other.Bitmap || wcscmp(other.FileName, slot.FileName) != 0) continue;
    wmemmove(slot.FileName + 1, slot.FileName, length + 1);
    slot.FileName[0] = L'\\';
    slot.ImageWidth = other.ImageWidth;
    slot.ImageHeight = other.ImageHeight;
    slot.Dc = other.Dc;
    slot.Bitmap = other.Bitmap;
    return 1;
  }
  return 0;
}

int LoadSlotImage(int index) {
  if (index < 0 || index >= SKIN_SLOT_COUNT) return 0;
  SkinSlot& slot = g_App.Skin.Slots[index];
  // A leading backslash is the shared mark: a name that already has one
  // would never be freed.
  if (!slot.FileName[0] || slot.FileName[0] == L'\\' || wcsnlen(slot.FileName, 260) >= 260) return 0;
  if (BorrowSlotImage(index)) return 1;
  BYTE* bytes;
  DWORD n = ReadSlotFile(slot.FileName, &bytes);
  if (!n) return 0;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  int width = 0, height = 0;
  int ok = DecodeImage(bytes, n, &dc, &bitmap, &width, &height);
  HeapFree(GetProcessHeap(), 0, bytes);
  if (!ok) return 0;
  slot.Dc = dc;
  slot.Bitmap = bitmap;
  slot.ImageWidth = width;
  slot.ImageHeight = height;
  return 1;
}

void FreeSlotBitmaps() {
  for (SkinSlot& s : g_App.Skin.Slots) {
    if (s.FileName[0] != L'\\') {
      if (s.Dc) DeleteDC(s.Dc);
      if (s.Bitmap) DeleteObject(s.Bitmap);
    }
    // Shared slots only drop their copies of handles that are gone now.
    s.Dc = nullptr;
    s.Bitmap = nullptr;
  }
}

// ---------------------------------------------------------------------------
// Nine-grid drawing

// value * 96 / dpi to the nearest integer; a remainder over dpi / 2 rounds
// away from zero.
static int ToSkinUnits(int value, int dpi) {
  long long n = (long long)value * 96;
  long long q = n / dpi, r = n % dpi;
  if (r > dpi / 2) q++;
  else if (-r > dpi / 2) q--;
  return (int)q;
}

// A device size in 96-DPI units: at most 96 DPI unchanged, else converted
// (a result of 0 keeps the device size).
static int SkinSizeOf(int value, int dpi) {
  if (dpi <= 96) return value;
  int v = ToSkinUnits(value, dpi);
  return v ? v : value;
}

static SlotPiece Piece(int part, int x, int y, int w, int h, int sx, int sy, int sw, int sh) {
  SlotPiece p = {part, x, y, w, h, sx, sy, sw, sh};
  return p;
}

int LaySlotPieces(const SkinSlot& s, int dpi, SlotPiece pieces[PIECE_COUNT]) {
  if (dpi <= 0) dpi = LauncherDpi();
  const RECT& t = s.Target;
  int W = t.right - t.left, H = t.bottom - t.top;
  int w = SkinSizeOf(W, dpi) + 1, h = SkinSizeOf(H, dpi) + 1;
  int left = s.Border.left < w ? s.Border.left : w;
  int top = s.Border.top < h ? s.Border.top : h;
  int right = s.Border.right + left >= w ? w - left : s.Border.right;
  int bottom = s.Border.bottom + top >= h ? h - top : s.Border.bottom;
  int dl = ScaleForDpi(left, dpi), dt = ScaleForDpi(top, dpi);
  int dr = ScaleForDpi(right, dpi), db = ScaleForDpi(bottom, dpi);
  int sx = s.SourceLeft, sy = s.SourceTop, sw = s.SourceWidth, sh = s.SourceHeight;
  // An image element that names no width (height) means the rest of its image.
  if (sw <= 0) sw = s.ImageWidth - sx;
  if (sh <= 0) sh = s.ImageHeight - sy;
  int smw = sw - right - left, smh = sh - bottom - top;
  int tmw = W - dr - dl + 1, tmh = H - db - dt + 1;
  int tr = t.left + W + 1 - dr, tb = t.top + H + 1 - db;  // target x of the right, y of the bottom pieces
  int srx = sx + sw - right, sby = sy + sh - bottom;
  SlotPiece all[PIECE_COUNT] = {
      Piece(PIECE_TOPLEFT, t.left, t.top, dl, dt, sx, sy, left, top),
      Piece(PIECE_TOPRIGHT, tr, t.top, dr, dt, srx, sy, right, top),
      Piece(PIECE_BOTTOMLEFT, t.left, tb, dl, db, sx, sby, left, bottom),
      Piece(PIECE_BOTTOMRIGHT, tr, tb, dr, db, srx, sby, right, bottom),
      Piece(PIECE_TOP, t.left + dl, t.top, tmw, dt, sx + left, sy, smw, top),
      Piece(PIECE_LEFT, t.left, t.top + dt, dl, tmh, sx, sy + top, left, smh),
      Piece(PIECE_RIGHT, tr, t.top + dt, dr, tmh, srx, sy + top, right, smh),
      Piece(PIECE_BOTTOM, t.left + dl, tb, tmw, db, sx + left, sby, smw, bottom),
      Piece(PIECE_MIDDLE, t.left + dl, t.top + dt, tmw, tmh, sx + left, sy + top, smw, smh),
  };
  int n = 0;
  for (const SlotPiece& p : all)
    if (p.Width > 0 && p.Height > 0 && p.SourceWidth > 0 && p.SourceHeight > 0) pieces[n++] = p;
  return n;
}

void CountSlotTiles(const SlotPiece& p, int dpi, int* columns, int* rows) {
  if (dpi <= 0) dpi = LauncherDpi();
  int tw = ScaleForDpi(p.SourceWidth, dpi), th = ScaleForDpi(p.SourceHeight, dpi);
  *columns = tw > 0 && p.Width > 0 ? (p.Width + tw - 1) / tw : 0;
  *rows = th > 0 && p.Height > 0 ? (p.Height + th - 1) / th : 0;
}

// One axis of a tile: where it starts, its size, and its source size.
static void TileSpan(int start, int total, int source, int dpi, int index, int* at, int* size, int* sourceSize) {
  int tile = ScaleForDpi(source, dpi);
  *at = start + index * tile;
  int left = total - index * tile;
  if (left >= tile) {
    *size = tile;
    *sourceSize = source;
  } else {
    *size = left;
    *sourceSize = SkinSizeOf(left, dpi);
  }
}

SlotPiece SlotTile(const SlotPiece& p, int dpi, int column, int row) {
  if (dpi <= 0) dpi = LauncherDpi();
  SlotPiece t = p;
  TileSpan(p.X, p.Width, p.SourceWidth, dpi, column, &t.X, &t.Width, &t.SourceWidth);
  TileSpan(p.Y, p.Height, p.SourceHeight, dpi, row, &t.Y, &t.Height, &t.SourceHeight);
  return t;
}

void TileSlotPiece(HDC dc, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                   int alphaBlend, int dpi) {
  if (!dc || !source) return;
  if (dpi <= 0) dpi = LauncherDpi();
  SlotPiece p = Piece(PIECE_MIDDLE, x, y, width, height, sx, sy, sw, sh);
  int columns, rows;
  CountSlotTiles(p, dpi, &columns, &rows);
  for (int r = 0; r < rows; r++) {
    for (int c = 0; c < columns; c++) {
      SlotPiece t = SlotTile(p, dpi, c, r);
      BlitSkinPiece(dc, t.X, t.Y, t.Width, t.Height, source, t.SourceX, t.SourceY, t.SourceWidth, t.SourceHeight,
                    alphaBlend);
    }
  }
}

void DrawSkinSlot(HDC dc, const SkinSlot* slot, int alphaBlend, int dpi) {
  if (!dc || !slot || !slot->Dc) return;
  if (dpi <= 0) dpi = LauncherDpi();
  SlotPiece pieces[PIECE_COUNT];
  int n = LaySlotPieces(*slot, dpi, pieces);
  int oldMode = SetStretchBltMode(dc, HALFTONE);
  POINT oldOrigin;
  SetBrushOrgEx(dc, 0, 0, &oldOrigin);
  bool tiled = (slot->Flags & 1) != 0;
  for (int i = 0; i < n; i++) {
    const SlotPiece& p = pieces[i];
    if (tiled && p.Part >= PIECE_TOP)
      TileSlotPiece(dc, p.X, p.Y, p.Width, p.Height, slot->Dc, p.SourceX, p.SourceY, p.SourceWidth, p.SourceHeight,
                    alphaBlend, dpi);
    else
      BlitSkinPiece(dc, p.X, p.Y, p.Width, p.Height, slot->Dc, p.SourceX, p.SourceY, p.SourceWidth, p.SourceHeight,
                    alphaBlend);
  }
  if (oldMode) SetStretchBltMode(dc, oldMode);
  SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
}
