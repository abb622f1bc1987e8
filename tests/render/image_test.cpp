// Skin image decoding on images made by ImageMagick at build time and BMP
// files built here field by field, the slot images read from a skin folder
// or a zipped skin, and the nine-grid drawing of a slot at 96 and 144 DPI.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "render/icons.h"
#include "render/image.h"
#include "render/skinzip.h"
#include "state.h"
#include "support/canvas.h"
#include "support/test_support.h"

namespace {

typedef int (*Decoder)(const BYTE*, DWORD, HDC*, HBITMAP*, int*, int*);

std::string ImageBytes(const wchar_t* name) {
  std::string bytes = ReadFileBytes(FixturePath((std::wstring(L"image\\") + name).c_str()));
  EXPECT_FALSE(bytes.empty()) << "missing fixture";
  return bytes;
}

// One decode, its handles freed at the end of the test.
struct Decoded {
  int Ok = 0;
  HDC Dc = nullptr;
  HBITMAP Bitmap = nullptr;
  int Width = -1, Height = -1;
  Decoded(Decoder decode, const std::string& bytes) {
    Ok = decode((const BYTE*)bytes.data(), (DWORD)bytes.size(), &Dc, &Bitmap, &Width, &Height);
  }
  ~Decoded() {
    if (Dc) DeleteDC(Dc);
    if (Bitmap) DeleteObject(Bitmap);
  }
  Decoded(const Decoded&) = delete;
  Decoded& operator=(const Decoded&) = delete;
  // Pixels top-down as 0xAARRGGBB; the alpha of a device bitmap is not kept.
  std::vector<DWORD> Pixels(bool* isDib) const {
    std::vector<DWORD> out((size_t)Width * Height);
    DIBSECTION ds;
    *isDib = GetObjectW(Bitmap, sizeof ds, &ds) == sizeof ds && ds.dsBm.bmBits;
    if (*isDib) {
      const DWORD* bits = (const DWORD*)ds.dsBm.bmBits;
      bool bottomUp = ds.dsBmih.biHeight > 0;
      for (int y = 0; y < Height; y++)
        memcpy(&out[(size_t)y * Width], bits + (size_t)(bottomUp ? Height - 1 - y : y) * Width, Width * 4);
      return out;
    }
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = Width;
    bi.bmiHeader.biHeight = -Height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, Bitmap, 0, Height, out.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (DWORD& p : out) p &= 0x00FFFFFF;
    return out;
  }
};

struct Probe {
  int X, Y;
  DWORD Argb;  // alpha compared only for DIB sections
};

bool Near(DWORD a, DWORD b, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    int d = (int)((a >> shift) & 0xFF) - (int)((b >> shift) & 0xFF);
    if (d > tolerance || d < -tolerance) return false;
  }
  return true;
}

std::string Hex32(DWORD v) {
  char s[16];
  snprintf(s, sizeof s, "0x%08lX", (unsigned long)v);
  return s;
}

struct DecodeCase {
  const char* What;
  std::string Bytes;
  Decoder Decode;
  int Mode;     // skin transparency mode (BMP only)
  int Ok;
  int Width, Height;
  bool Dib;     // a premultiplied 32-bit DIB section
  int Tolerance;
  std::vector<Probe> Probes;
};

void CheckDecode(const DecodeCase& c) {
  SCOPED_TRACE(c.What);
  g_App.Skin.TransparencyMode = c.Mode;
  Decoded d(c.Decode, c.Bytes);
  ASSERT_EQ(c.Ok, d.Ok);
  if (!c.Ok) {
    EXPECT_EQ(nullptr, d.Dc);
    EXPECT_EQ(nullptr, d.Bitmap);
    return;
  }
  ASSERT_EQ(c.Width, d.Width);
  ASSERT_EQ(c.Height, d.Height);
  ASSERT_EQ(OBJ_MEMDC, (int)GetObjectType(d.Dc));
  EXPECT_EQ((HGDIOBJ)d.Bitmap, GetCurrentObject(d.Dc, OBJ_BITMAP));
  bool dib;
  std::vector<DWORD> px = d.Pixels(&dib);
  EXPECT_EQ(c.Dib, dib);
  if (dib) {
    DIBSECTION ds;
    GetObjectW(d.Bitmap, sizeof ds, &ds);
    EXPECT_EQ(32, ds.dsBmih.biBitCount);
    EXPECT_GT(ds.dsBmih.biHeight, 0);  // bottom-up
    EXPECT_EQ(0x00FF0000u, ds.dsBitfields[0]);
    EXPECT_EQ(0x0000FF00u, ds.dsBitfields[1]);
    EXPECT_EQ(0x000000FFu, ds.dsBitfields[2]);
  }
  for (const Probe& p : c.Probes) {
    DWORD want = dib ? p.Argb : p.Argb & 0x00FFFFFF;
    DWORD got = px[(size_t)p.Y * d.Width + p.X];
    EXPECT_TRUE(Near(want, got, c.Tolerance)) << "(" << p.X << ", " << p.Y << ") " << Hex32(got) << ", want "
                                              << Hex32(want);
  }
}

class ImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_App.Skin = SkinSettings{};
    g_App.Design.Dpi = 96;
  }
  void TearDown() override {
    FreeSlotBitmaps();
    CloseSkinArchive();
    SetClassicLook();
  }
};

// --- PNG and JPEG -------------------------------------------------------------------

TEST_F(ImageTest, PngAndJpegBecomePremultipliedDibSections) {
  const DecodeCase cases[] = {
      // 200, 100, 50 at alpha 128: each channel * 128 / 255, truncated.
      {"RGBA PNG", ImageBytes(L"rgba.png"), DecodePng, 0, 1, 3, 1, true, 0,
       {{0, 0, 0x80643219}, {1, 0, 0xFF0A141E}, {2, 0, 0x00000000}}},
      {"16-bit RGB PNG", ImageBytes(L"rgb16.png"), DecodePng, 0, 1, 3, 5, true, 0,
       {{0, 0, 0xFFFF8000}, {2, 4, 0xFFFF8000}}},
      {"1-bit palette PNG", ImageBytes(L"palette.png"), DecodePng, 0, 1, 8, 4, true, 0,
       {{0, 3, 0xFFFF0000}, {7, 0, 0xFF0000FF}}},
      {"palette PNG with tRNS", ImageBytes(L"palette-trns.png"), DecodePng, 0, 1, 2, 1, true, 0,
       {{0, 0, 0xFFFF0000}, {1, 0, 0x00000000}}},
      // Gray images are common in skins: expanded to RGB.
      {"4-bit gray PNG", ImageBytes(L"gray4.png"), DecodePng, 0, 1, 4, 2, true, 0,
       {{0, 0, 0xFF666666}, {3, 1, 0xFF666666}}},
      {"8-bit gray PNG", ImageBytes(L"gray8.png"), DecodePng, 0, 1, 4, 2, true, 0, {{1, 1, 0xFF4D4D4D}}},
      {"gray and alpha PNG", ImageBytes(L"gray-alpha.png"), DecodePng, 0, 1, 4, 2, true, 0,
       {{0, 0, 0x80323232}}},
      {"PNG wider than the cap", ImageBytes(L"wide.png"), DecodePng, 0, 0, 0, 0, true, 0, {}},
      {"JPEG as PNG", ImageBytes(L"rgb.jpg"), DecodePng, 0, 0, 0, 0, true, 0, {}},
      {"RGB JPEG", ImageBytes(L"rgb.jpg"), DecodeJpeg, 0, 1, 16, 16, true, 4,
       {{0, 0, 0xFF3050A0}, {15, 15, 0xFF3050A0}}},
      {"gray JPEG", ImageBytes(L"gray.jpg"), DecodeJpeg, 0, 1, 8, 8, true, 2, {{4, 4, 0xFF666666}}},
      {"64 x 64 JPEG", ImageBytes(L"gradient.jpg"), DecodeJpeg, 0, 1, 64, 64, true, 12,
       {{0, 0, 0xFFFF0000}, {63, 63, 0xFF0000FF}}},
      {"CMYK JPEG", ImageBytes(L"cmyk.jpg"), DecodeJpeg, 0, 0, 0, 0, true, 0, {}},
      {"JPEG wider than the cap", ImageBytes(L"wide.jpg"), DecodeJpeg, 0, 0, 0, 0, true, 0, {}},
      {"PNG as JPEG", ImageBytes(L"rgba.png"), DecodeJpeg, 0, 0, 0, 0, true, 0, {}},
      {"no bytes", std::string(), DecodeJpeg, 0, 0, 0, 0, true, 0, {}},
  };
  for (const DecodeCase& c : cases) CheckDecode(c);
}

TEST_F(ImageTest, TruncatedFilesFailWithNothingLeft) {
  struct Case {
    const wchar_t* File;
    Decoder Decode;
    double Keep;  // share of the file kept
  } cases[] = {
      {L"rgba.png", DecodePng, 0.5},      {L"rgba.png", DecodePng, 0.95},
      {L"rgb16.png", DecodePng, 0.3},     {L"rgb.jpg", DecodeJpeg, 0.1},
      // Inside the scan: libjpeg pads the rest with gray and only warns.
      {L"gradient.jpg", DecodeJpeg, 0.7}, {L"rgb24.bmp", DecodeBmp, 0.99},
      {L"rgba32.bmp", DecodeBmp, 0.9},    {L"palette1.bmp", DecodeBmp, 0.5},
  };
  for (int mode : {SKINMODE_CLIPPING, SKINMODE_ALPHA}) {
    for (const Case& c : cases) {
      std::string bytes = ImageBytes(c.File);
      bytes.resize((size_t)(bytes.size() * c.Keep));
      std::string what = "cut " + std::string(c.File, c.File + wcslen(c.File));
      CheckDecode({what.c_str(), bytes, c.Decode, mode, 0, 0, 0, true, 0, {}});
    }
  }
}

// --- BMP --------------------------------------------------------------------------------

void Put32(std::string* b, size_t at, DWORD v) { memcpy(&(*b)[at], &v, 4); }
void Put16(std::string* b, size_t at, WORD v) { memcpy(&(*b)[at], &v, 2); }

// A BMP with a BITMAPINFOHEADER and no colour table; rows given top first
// as 0xAARRGGBB, written bottom-up unless topDown.
std::string MakeBmp(int bits, int width, const std::vector<std::vector<DWORD>>& rows, bool topDown) {
  int height = (int)rows.size();
  size_t stride = ((size_t)width * bits + 31) / 32 * 4;
  std::string b(54 + stride * height, '\0');
  b[0] = 'B';
  b[1] = 'M';
  Put32(&b, 2, (DWORD)b.size());
  Put32(&b, 10, 54);
  Put32(&b, 14, 40);
  Put32(&b, 18, width);
  Put32(&b, 22, topDown ? -height : height);
  Put16(&b, 26, 1);
  Put16(&b, 28, (WORD)bits);
  for (int r = 0; r < height; r++) {
    size_t row = 54 + stride * (topDown ? r : height - 1 - r);
    for (int x = 0; x < width; x++) {
      DWORD p = rows[r][x];
      BYTE* d = (BYTE*)&b[row + (size_t)x * (bits / 8)];
      d[0] = p & 0xFF;
      d[1] = (p >> 8) & 0xFF;
      d[2] = (p >> 16) & 0xFF;
      if (bits == 32) d[3] = p >> 24;
    }
  }
  return b;
}

const std::vector<std::vector<DWORD>> kRedOverBlue = {{0xFFFF0000, 0xFFFF0000}, {0xFF0000FF, 0xFF0000FF}};
const std::vector<std::vector<DWORD>> kHalfOverBlue = {{0x80C86432, 0xFF102030}, {0xFF0000FF, 0x00FFFFFF}};

TEST_F(ImageTest, BmpRowsComeOutTopRowFirstInEitherFileOrder) {
  const DecodeCase cases[] = {
      {"24-bit bottom-up, alpha skin", MakeBmp(24, 2, kRedOverBlue, false), DecodeBmp, SKINMODE_ALPHA, 1, 2, 2, true,
       0, {{0, 0, 0xFFFF0000}, {1, 1, 0xFF0000FF}}},
      {"24-bit top-down, alpha skin", MakeBmp(24, 2, kRedOverBlue, true), DecodeBmp, SKINMODE_ALPHA, 1, 2, 2, true,
       0, {{0, 0, 0xFFFF0000}, {1, 1, 0xFF0000FF}}},
      {"32-bit bottom-up, alpha skin", MakeBmp(32, 2, kHalfOverBlue, false), DecodeBmp, SKINMODE_ALPHA, 1, 2, 2,
       true, 0, {{0, 0, 0x80643219}, {1, 0, 0xFF102030}, {0, 1, 0xFF0000FF}, {1, 1, 0}}},
      {"32-bit top-down, alpha skin", MakeBmp(32, 2, kHalfOverBlue, true), DecodeBmp, SKINMODE_ALPHA, 1, 2, 2, true,
       0, {{0, 0, 0x80643219}, {1, 1, 0}}},
      {"24-bit top-down, colour key", MakeBmp(24, 2, kRedOverBlue, true), DecodeBmp, SKINMODE_CLIPPING, 1, 2, 2,
       false, 0, {{0, 0, 0xFF0000}, {1, 1, 0x0000FF}}},
      {"32-bit, colour key: alpha ignored", MakeBmp(32, 2, kHalfOverBlue, false), DecodeBmp, SKINMODE_CLIPPING, 1, 2,
       2, false, 0, {{0, 0, 0xC86432}, {0, 1, 0x0000FF}}},
      {"24-bit by ImageMagick, alpha skin", ImageBytes(L"rgb24.bmp"), DecodeBmp, SKINMODE_ALPHA, 1, 3, 2, true, 0,
       {{0, 0, 0xFFFF0000}, {2, 1, 0xFF0000FF}}},
      {"24-bit by ImageMagick, colour key", ImageBytes(L"rgb24.bmp"), DecodeBmp, SKINMODE_CLIPPING, 1, 3, 2, false, 0,
       {{0, 0, 0xFF0000}, {2, 1, 0x0000FF}}},
      // A BITMAPV5HEADER with bit fields.
      {"32-bit V5 by ImageMagick, alpha skin", ImageBytes(L"rgba32.bmp"), DecodeBmp, SKINMODE_ALPHA, 1, 3, 2, true, 0,
       {{0, 0, 0x80643219}, {2, 1, 0xFF0000FF}}},
      {"1-bit palette, alpha skin", ImageBytes(L"palette1.bmp"), DecodeBmp, SKINMODE_ALPHA, 1, 3, 2, false, 0,
       {{0, 0, 0xFF0000}, {2, 1, 0x00FF00}}},
      {"PNG bytes", ImageBytes(L"rgba.png"), DecodeBmp, SKINMODE_ALPHA, 0, 0, 0, true, 0, {}},
  };
  for (const DecodeCase& c : cases) CheckDecode(c);
}

TEST_F(ImageTest, BmpSizesAndOffsetsAreCheckedAgainstTheBytes) {
  const std::string base = MakeBmp(24, 2, kRedOverBlue, false);
  struct Case {
    const char* What;
    size_t At;  // field offset in the file
    int Bytes;  // 2 or 4
    DWORD Value;
  } cases[] = {
      {"pixel offset at the end", 10, 4, (DWORD)base.size()},
      {"pixel offset inside the headers", 10, 4, 20},
      {"pixel offset far out", 10, 4, 0xFFFFFFF0u},
      {"core header", 14, 4, 12},
      {"header longer than the file", 14, 4, 200},
      {"width 0", 18, 4, 0},
      {"negative width", 18, 4, (DWORD)-2},
      {"height 0", 22, 4, 0},
      {"height of INT_MIN", 22, 4, 0x80000000u},
      {"taller than the data", 22, 4, 3},
      {"two planes", 26, 2, 2},
      {"3 bits a pixel", 28, 2, 3},
      {"embedded JPEG", 30, 4, BI_JPEG},
      {"RLE8 at 24 bits", 30, 4, BI_RLE8},
  };
  for (int mode : {SKINMODE_CLIPPING, SKINMODE_ALPHA}) {
    for (const Case& c : cases) {
      std::string b = base;
      if (c.Bytes == 4) Put32(&b, c.At, c.Value);
      else Put16(&b, c.At, (WORD)c.Value);
      CheckDecode({c.What, b, DecodeBmp, mode, 0, 0, 0, true, 0, {}});
    }
  }
  // 8-bit files whose colour table does not fit.
  std::string palette(54 + 1024 + 4, '\0');
  memcpy(&palette[0], base.data(), 54);
  Put16(&palette, 28, 8);
  Put32(&palette, 10, 54 + 1024);
  Put32(&palette, 22, 1);
  Put32(&palette, 18, 1);
  CheckDecode({"8-bit with 256 colours", palette, DecodeBmp, SKINMODE_CLIPPING, 1, 1, 1, false, 0, {}});
  std::string tooMany = palette;
  Put32(&tooMany, 46, 300);
  CheckDecode({"more colours than 8 bits hold", tooMany, DecodeBmp, SKINMODE_CLIPPING, 0, 0, 0, true, 0, {}});
  CheckDecode({"colour table cut", palette.substr(0, 54 + 512), DecodeBmp, SKINMODE_CLIPPING, 0, 0, 0, true, 0, {}});
  std::string rle = palette;
  Put32(&rle, 30, BI_RLE8);
  Put32(&rle, 34, 4);
  Put32(&rle, 22, (DWORD)-1);
  CheckDecode({"top-down RLE", rle, DecodeBmp, SKINMODE_CLIPPING, 0, 0, 0, true, 0, {}});
  Put32(&rle, 22, 1);
  memcpy(&rle[54 + 1024], "\x01\x00\x00\x01", 4);  // one pixel of colour 0, end of bitmap
  CheckDecode({"bottom-up RLE", rle, DecodeBmp, SKINMODE_CLIPPING, 1, 1, 1, false, 0, {{0, 0, 0x000000}}});
  // Wider than the cap although every byte is there.
  std::vector<std::vector<DWORD>> wide(1, std::vector<DWORD>(kMaxImageSide + 1, 0xFF00FF00));
  CheckDecode({"wider than the cap", MakeBmp(24, kMaxImageSide + 1, wide, false), DecodeBmp, SKINMODE_ALPHA, 0, 0, 0,
               true, 0, {}});
  CheckDecode({"not a bitmap", std::string("BM") + std::string(60, '\x7F'), DecodeBmp, SKINMODE_ALPHA, 0, 0, 0, true,
               0, {}});
}

// --- slot images -------------------------------------------------------------------------

class SlotImageTest : public ImageTest {
 protected:
  void SetUp() override {
    ImageTest::SetUp();
    wcscpy(savedProgram_, g_App.ProgramPath);
    wcscpy(savedSkin_, g_App.SkinName);
    wcscpy(g_App.ProgramPath, dir_.File(L"Vantrel.exe").c_str());
  }
  void TearDown() override {
    ImageTest::TearDown();
    wcscpy(g_App.ProgramPath, savedProgram_);
    wcscpy(g_App.SkinName, savedSkin_);
  }
  SkinSlot& Slot(int i) { return g_App.Skin.Slots[i]; }
  void Name(int i, const wchar_t* name) { lstrcpynW(Slot(i).FileName, name, 260); }
  // A folder skin "\Folder" holding the given files.
  void MakeFolderSkin(std::initializer_list<std::pair<const wchar_t*, std::string>> files) {
    CreateDirectoryW(dir_.File(L"Skins").c_str(), nullptr);
    CreateDirectoryW(dir_.File(L"Skins\\Folder").c_str(), nullptr);
    for (const auto& f : files)
      ASSERT_TRUE(WriteFileBytes(dir_.File((std::wstring(L"Skins\\Folder\\") + f.first).c_str()), f.second));
    wcscpy(g_App.SkinName, L"\\Folder");
    g_App.Skin.Flags = 0;
  }
  TempDir dir_;
  wchar_t savedProgram_[MAX_PATH], savedSkin_[260];
};

TEST_F(SlotImageTest, FolderSkinImagesByContentNotByName) {
  g_App.Skin.TransparencyMode = SKINMODE_ALPHA;
  MakeFolderSkin({{L"tab.png", ImageBytes(L"rgba.png")},
                  {L"face.jpg", ImageBytes(L"rgb.jpg")},
                  {L"marker.png", MakeBmp(24, 2, kRedOverBlue, false)},  // a BMP whatever its name
                  {L"broken.png", ImageBytes(L"rgba.png").substr(0, 40)},
                  {L"gray.png", ImageBytes(L"gray8.png")}});
  struct Case {
    int Slot;
    const wchar_t* File;
    int Ok, Width, Height;
  } cases[] = {
      {0, L"tab.png", 1, 3, 1},    {1, L"face.jpg", 1, 16, 16}, {27, L"marker.png", 1, 2, 2},
      {4, L"broken.png", 0, 0, 0}, {5, L"missing.png", 0, 0, 0}, {6, L"gray.png", 1, 4, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.File);
    Name(c.Slot, c.File);
    EXPECT_EQ(c.Ok, LoadSlotImage(c.Slot));
    EXPECT_EQ(c.Ok != 0, Slot(c.Slot).Dc != nullptr);
    EXPECT_EQ(c.Ok != 0, Slot(c.Slot).Bitmap != nullptr);
    EXPECT_EQ(c.Width, Slot(c.Slot).ImageWidth);
    EXPECT_EQ(c.Height, Slot(c.Slot).ImageHeight);
  }
}

TEST_F(SlotImageTest, SlotsNamingOneFileShareOneBitmapFreedOnce) {
  MakeFolderSkin({{L"tab.png", ImageBytes(L"rgba.png")}, {L"other.png", ImageBytes(L"rgb16.png")}});
  Name(1, L"tab.png");
  Name(9, L"other.png");
  Name(12, L"tab.png");
  Name(13, L"TAB.png");  // file names compare exactly
  for (int i : {1, 9, 12, 13}) ASSERT_EQ(1, LoadSlotImage(i)) << i;
  EXPECT_STREQ(L"tab.png", Slot(1).FileName);
  EXPECT_STREQ(L"\\tab.png", Slot(12).FileName);
  EXPECT_EQ(Slot(1).Dc, Slot(12).Dc);
  EXPECT_EQ(Slot(1).Bitmap, Slot(12).Bitmap);
  EXPECT_EQ(3, Slot(12).ImageWidth);
  EXPECT_NE(Slot(1).Dc, Slot(13).Dc);
  EXPECT_STREQ(L"TAB.png", Slot(13).FileName);

  HDC owned = Slot(1).Dc;
  HBITMAP bitmap = Slot(1).Bitmap;
  FreeSlotBitmaps();
  EXPECT_EQ(0u, GetObjectType(owned));
  EXPECT_EQ(0u, GetObjectType(bitmap));
  for (const SkinSlot& s : g_App.Skin.Slots) {
    EXPECT_EQ(nullptr, s.Dc);
    EXPECT_EQ(nullptr, s.Bitmap);
  }
  FreeSlotBitmaps();  // again: nothing left to free
}

TEST_F(SlotImageTest, NamesThatCannotBeASlotFile) {
  MakeFolderSkin({{L"tab.png", ImageBytes(L"rgba.png")}});
  Name(0, L"\\tab.png");  // the shared mark: such a slot would never be freed
  EXPECT_EQ(0, LoadSlotImage(0));
  EXPECT_EQ(0, LoadSlotImage(-1));
  EXPECT_EQ(0, LoadSlotImage(SKIN_SLOT_COUNT));
  EXPECT_EQ(0, LoadSlotImage(3));  // no name
}

TEST_F(SlotImageTest, ZippedSkinImagesComeFromTheArchiveFolderOfSkinXml) {
  BYTE* data;
  DWORD n = ReadWholeFile(FixturePath(L"skinzip\\nested.zip").c_str(), GetProcessHeap(), &data);
  ASSERT_GT(n, 0u);
  OpenSkinArchive(data, n);
  ZipLocalHeader h;
  ASSERT_EQ(1, FindZipEntry(L"skin.xml", &h, 1));
  g_App.Skin.Flags = 1;
  g_App.Skin.TransparencyMode = SKINMODE_ALPHA;
  Name(0, L"tab.png");
  Name(1, L"skin.xml");  // not an image
  EXPECT_EQ(1, LoadSlotImage(0));
  EXPECT_EQ(3, Slot(0).ImageWidth);
  EXPECT_EQ(0, LoadSlotImage(1));
  EXPECT_EQ(nullptr, Slot(1).Dc);
}

// --- nine-grid geometry ----------------------------------------------------------------------

SkinSlot GridSlot(RECT source, RECT border, RECT target) {
  SkinSlot s = {};
  s.SourceLeft = source.left;
  s.SourceTop = source.top;
  s.SourceWidth = source.right;
  s.SourceHeight = source.bottom;
  s.Border = border;
  s.Target = target;
  return s;
}

// A slot whose image element named no size: the rest of the image from
// the source corner.
SkinSlot SizelessSlot(int imageWidth, int imageHeight, POINT corner, RECT target) {
  SkinSlot s = GridSlot({corner.x, corner.y, 0, 0}, {0, 0, 0, 0}, target);
  s.ImageWidth = imageWidth;
  s.ImageHeight = imageHeight;
  return s;
}

std::string Describe(const SlotPiece& p) {
  char s[128];
  snprintf(s, sizeof s, "%d: %d,%d %dx%d <- %d,%d %dx%d", p.Part, p.X, p.Y, p.Width, p.Height, p.SourceX, p.SourceY,
           p.SourceWidth, p.SourceHeight);
  return s;
}

TEST(SlotGeometry, NinePiecesKeepTheBordersAndScaleThemForTheDpi) {
  struct Case {
    const char* What;
    SkinSlot Slot;
    int Dpi;
    std::vector<SlotPiece> Pieces;
  } cases[] = {
      {"96 DPI: 30 x 30 source, 10-pixel borders, 60 x 40 target",
       GridSlot({0, 0, 30, 30}, {10, 10, 10, 10}, {0, 0, 59, 39}), 96,
       {{PIECE_TOPLEFT, 0, 0, 10, 10, 0, 0, 10, 10},
        {PIECE_TOPRIGHT, 50, 0, 10, 10, 20, 0, 10, 10},
        {PIECE_BOTTOMLEFT, 0, 30, 10, 10, 0, 20, 10, 10},
        {PIECE_BOTTOMRIGHT, 50, 30, 10, 10, 20, 20, 10, 10},
        {PIECE_TOP, 10, 0, 40, 10, 10, 0, 10, 10},
        {PIECE_LEFT, 0, 10, 10, 20, 0, 10, 10, 10},
        {PIECE_RIGHT, 50, 10, 10, 20, 20, 10, 10, 10},
        {PIECE_BOTTOM, 10, 30, 40, 10, 10, 20, 10, 10},
        {PIECE_MIDDLE, 10, 10, 40, 20, 10, 10, 10, 10}}},
      // A 10-pixel border is 15 pixels wide at 144 DPI.
      {"144 DPI: same slot, 90 x 60 target", GridSlot({0, 0, 30, 30}, {10, 10, 10, 10}, {0, 0, 89, 59}), 144,
       {{PIECE_TOPLEFT, 0, 0, 15, 15, 0, 0, 10, 10},
        {PIECE_TOPRIGHT, 75, 0, 15, 15, 20, 0, 10, 10},
        {PIECE_BOTTOMLEFT, 0, 45, 15, 15, 0, 20, 10, 10},
        {PIECE_BOTTOMRIGHT, 75, 45, 15, 15, 20, 20, 10, 10},
        {PIECE_TOP, 15, 0, 60, 15, 10, 0, 10, 10},
        {PIECE_LEFT, 0, 15, 15, 30, 0, 10, 10, 10},
        {PIECE_RIGHT, 75, 15, 15, 30, 20, 10, 10, 10},
        {PIECE_BOTTOM, 15, 45, 60, 15, 10, 20, 10, 10},
        {PIECE_MIDDLE, 15, 15, 60, 30, 10, 10, 10, 10}}},
      {"unequal borders in a cell of a larger image at 144 DPI",
       GridSlot({40, 8, 20, 12}, {4, 2, 6, 3}, {100, 50, 129, 64}), 144,
       {{PIECE_TOPLEFT, 100, 50, 6, 3, 40, 8, 4, 2},
        {PIECE_TOPRIGHT, 121, 50, 9, 3, 54, 8, 6, 2},
        {PIECE_BOTTOMLEFT, 100, 61, 6, 4, 40, 17, 4, 3},
        {PIECE_BOTTOMRIGHT, 121, 61, 9, 4, 54, 17, 6, 3},
        {PIECE_TOP, 106, 50, 15, 3, 44, 8, 10, 2},
        {PIECE_LEFT, 100, 53, 6, 8, 40, 10, 4, 7},
        {PIECE_RIGHT, 121, 53, 9, 8, 54, 10, 6, 7},
        {PIECE_BOTTOM, 106, 61, 15, 4, 44, 17, 10, 3},
        {PIECE_MIDDLE, 106, 53, 15, 8, 44, 10, 10, 7}}},
      // Borders larger than the target: only the corners that still have size.
      {"15 x 15 target under 10-pixel borders", GridSlot({0, 0, 30, 30}, {10, 10, 10, 10}, {0, 0, 14, 14}), 96,
       {{PIECE_TOPLEFT, 0, 0, 10, 10, 0, 0, 10, 10},
        {PIECE_TOPRIGHT, 10, 0, 5, 10, 25, 0, 5, 10},
        {PIECE_BOTTOMLEFT, 0, 10, 10, 5, 0, 25, 10, 5},
        {PIECE_BOTTOMRIGHT, 10, 10, 5, 5, 25, 25, 5, 5}}},
      {"8 x 20 target: left border only", GridSlot({0, 0, 30, 30}, {10, 0, 10, 0}, {0, 0, 7, 19}), 96,
       {{PIECE_LEFT, 0, 0, 8, 20, 0, 0, 8, 30}}},
      {"no borders: the middle alone", GridSlot({2, 3, 5, 6}, {0, 0, 0, 0}, {10, 10, 29, 19}), 144,
       {{PIECE_MIDDLE, 10, 10, 20, 10, 2, 3, 5, 6}}},
      // 3 pixels at 144 DPI are 2 at 96: one border each, one pixel between.
      {"3 x 3 target at 144 DPI", GridSlot({0, 0, 9, 9}, {1, 1, 1, 1}, {0, 0, 2, 2}), 144,
       {{PIECE_TOPLEFT, 0, 0, 1, 1, 0, 0, 1, 1},
        {PIECE_TOPRIGHT, 2, 0, 1, 1, 8, 0, 1, 1},
        {PIECE_BOTTOMLEFT, 0, 2, 1, 1, 0, 8, 1, 1},
        {PIECE_BOTTOMRIGHT, 2, 2, 1, 1, 8, 8, 1, 1},
        {PIECE_TOP, 1, 0, 1, 1, 1, 0, 7, 1},
        {PIECE_LEFT, 0, 1, 1, 1, 0, 1, 1, 7},
        {PIECE_RIGHT, 2, 1, 1, 1, 8, 1, 1, 7},
        {PIECE_BOTTOM, 1, 2, 1, 1, 1, 8, 7, 1},
        {PIECE_MIDDLE, 1, 1, 1, 1, 1, 1, 7, 7}}},
      {"empty target", GridSlot({0, 0, 30, 30}, {10, 10, 10, 10}, {5, 5, 4, 4}), 96, {}},
      {"empty source", GridSlot({0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 9, 9}), 96, {}},
      {"no size given: the whole image", SizelessSlot(12, 8, {0, 0}, {0, 0, 23, 15}), 96,
       {{PIECE_MIDDLE, 0, 0, 24, 16, 0, 0, 12, 8}}},
      {"no size given: the rest right of and below the corner", SizelessSlot(12, 8, {4, 2}, {0, 0, 7, 5}), 96,
       {{PIECE_MIDDLE, 0, 0, 8, 6, 4, 2, 8, 6}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    SlotPiece got[PIECE_COUNT];
    int n = LaySlotPieces(c.Slot, c.Dpi, got);
    std::vector<std::string> have, want;
    for (int i = 0; i < n; i++) have.push_back(Describe(got[i]));
    for (const SlotPiece& p : c.Pieces) want.push_back(Describe(p));
    EXPECT_EQ(want, have);
  }
}

TEST(SlotGeometry, TiledPiecesEndWithCutTiles) {
  struct Case {
    const char* What;
    SlotPiece Piece;
    int Dpi;
    int Columns, Rows;
    std::vector<SlotPiece> Tiles;  // row by row
  } cases[] = {
      {"25 x 10 from a 10 x 10 tile", {PIECE_MIDDLE, 10, 0, 25, 10, 4, 4, 10, 10}, 96, 3, 1,
       {{PIECE_MIDDLE, 10, 0, 10, 10, 4, 4, 10, 10},
        {PIECE_MIDDLE, 20, 0, 10, 10, 4, 4, 10, 10},
        {PIECE_MIDDLE, 30, 0, 5, 10, 4, 4, 5, 10}}},
      // Tiles are 15 x 15; the last column's 10 pixels are 6.67 source pixels.
      {"40 x 20 at 144 DPI", {PIECE_MIDDLE, 0, 0, 40, 20, 0, 0, 10, 10}, 144, 3, 2,
       {{PIECE_MIDDLE, 0, 0, 15, 15, 0, 0, 10, 10},
        {PIECE_MIDDLE, 15, 0, 15, 15, 0, 0, 10, 10},
        {PIECE_MIDDLE, 30, 0, 10, 15, 0, 0, 7, 10},
        {PIECE_MIDDLE, 0, 15, 15, 5, 0, 0, 10, 3},
        {PIECE_MIDDLE, 15, 15, 15, 5, 0, 0, 10, 3},
        {PIECE_MIDDLE, 30, 15, 10, 5, 0, 0, 7, 3}}},
      // A last pixel worth less than half a source pixel still takes one.
      {"16 x 15 at 200 DPI", {PIECE_MIDDLE, 0, 0, 16, 15, 0, 0, 7, 7}, 200, 2, 2,
       {{PIECE_MIDDLE, 0, 0, 14, 14, 0, 0, 7, 7},
        {PIECE_MIDDLE, 14, 0, 2, 14, 0, 0, 1, 7},
        {PIECE_MIDDLE, 0, 14, 14, 1, 0, 0, 7, 1},
        {PIECE_MIDDLE, 14, 14, 2, 1, 0, 0, 1, 1}}},
      {"exact multiple", {PIECE_TOP, 0, 0, 20, 5, 0, 0, 10, 5}, 96, 2, 1,
       {{PIECE_TOP, 0, 0, 10, 5, 0, 0, 10, 5}, {PIECE_TOP, 10, 0, 10, 5, 0, 0, 10, 5}}},
      {"no source", {PIECE_MIDDLE, 0, 0, 20, 5, 0, 0, 0, 5}, 96, 0, 1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    int columns, rows;
    CountSlotTiles(c.Piece, c.Dpi, &columns, &rows);
    EXPECT_EQ(c.Columns, columns);
    EXPECT_EQ(c.Rows, rows);
    std::vector<std::string> have, want;
    for (int r = 0; r < rows; r++)
      for (int col = 0; col < columns; col++) have.push_back(Describe(SlotTile(c.Piece, c.Dpi, col, r)));
    for (const SlotPiece& p : c.Tiles) want.push_back(Describe(p));
    EXPECT_EQ(want, have);
  }
}

// --- drawing ---------------------------------------------------------------------------------

class SlotDrawTest : public ImageTest {
 protected:
  // A slot over a BMP image decoded the way a skin's is.
  void LoadImage(const std::vector<std::vector<DWORD>>& rows, int mode) {
    g_App.Skin.TransparencyMode = mode;
    std::string bmp = MakeBmp(mode == SKINMODE_ALPHA ? 32 : 24, (int)rows[0].size(), rows, false);
    SkinSlot& s = g_App.Skin.Slots[SLOT_BUTTON];
    ASSERT_EQ(1, DecodeBmp((const BYTE*)bmp.data(), (DWORD)bmp.size(), &s.Dc, &s.Bitmap, &s.ImageWidth,
                           &s.ImageHeight));
    s.SourceWidth = s.ImageWidth;
    s.SourceHeight = s.ImageHeight;
  }
  SkinSlot& Slot() { return g_App.Skin.Slots[SLOT_BUTTON]; }
};

const DWORD R = 0xFFFF0000, B = 0xFF0000FF, G = 0xFF00FF00, Y = 0xFFFFFF00;

TEST_F(SlotDrawTest, TenPixelBorderIsFifteenWideAt144Dpi) {
  // Red border columns, a blue middle.
  std::vector<DWORD> row(30, R);
  for (int x = 10; x < 20; x++) row[x] = B;
  LoadImage(std::vector<std::vector<DWORD>>(30, row), SKINMODE_NONE);
  Slot().Border = RECT{10, 10, 10, 10};
  Slot().Flags = 1;  // tiled: every pixel copied, none blended
  Slot().Target = RECT{5, 0, 94, 59};
  Canvas canvas(100, 60);
  DrawSkinSlot(canvas.Dc, &Slot(), 1, 144);
  EXPECT_EQ(RGB(1, 2, 3), canvas.At(4, 30));
  EXPECT_EQ(RGB(255, 0, 0), canvas.At(5, 30));
  EXPECT_EQ(RGB(255, 0, 0), canvas.At(19, 30));
  EXPECT_EQ(RGB(0, 0, 255), canvas.At(20, 30));
  EXPECT_EQ(RGB(0, 0, 255), canvas.At(79, 30));
  EXPECT_EQ(RGB(255, 0, 0), canvas.At(80, 30));
  EXPECT_EQ(RGB(255, 0, 0), canvas.At(94, 30));
  EXPECT_EQ(RGB(1, 2, 3), canvas.At(95, 30));
}

TEST_F(SlotDrawTest, TiledMiddleRepeatsAndCutsItsLastTile) {
  // 1-pixel red frame round a 2 x 1 middle of green then yellow.
  LoadImage({{R, R, R, R}, {R, G, Y, R}, {R, R, R, R}}, SKINMODE_NONE);
  Slot().Border = RECT{1, 1, 1, 1};
  Slot().Flags = 1;
  Slot().Target = RECT{0, 0, 6, 2};  // a middle of 5 x 1
  Canvas canvas(8, 3);
  DrawSkinSlot(canvas.Dc, &Slot(), 1, 96);
  const COLORREF want[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(255, 255, 0), RGB(0, 255, 0),
                           RGB(255, 255, 0), RGB(0, 255, 0), RGB(255, 0, 0), RGB(1, 2, 3)};
  for (int x = 0; x < 8; x++) EXPECT_EQ(want[x], canvas.At(x, 1)) << x;
}

TEST_F(SlotDrawTest, PremultipliedPixelsBlendOverWhatIsBehind) {
  auto bound = g_App.Api.AlphaBlend;
  g_App.Api.AlphaBlend = ::AlphaBlend;
  LoadImage({{0x80C86432}}, SKINMODE_ALPHA);
  Slot().Target = RECT{1, 1, 2, 2};
  Canvas canvas(4, 4, RGB(255, 255, 255));
  DrawSkinSlot(canvas.Dc, &Slot(), 1, 96);
  // 100, 50, 25 premultiplied plus white at 127 / 255.
  COLORREF got = canvas.At(1, 1);
  EXPECT_TRUE(Near(RGB(227, 177, 152), got, 2)) << Hex(got);
  EXPECT_TRUE(Near(RGB(227, 177, 152), canvas.At(2, 2), 2)) << Hex(canvas.At(2, 2));
  EXPECT_EQ(RGB(255, 255, 255), canvas.At(0, 0));
  EXPECT_EQ(RGB(255, 255, 255), canvas.At(3, 3));
  g_App.Api.AlphaBlend = bound;
}

TEST_F(SlotDrawTest, ASlotWithoutImageDrawsNothing) {
  Slot().Target = RECT{0, 0, 9, 9};
  Slot().SourceWidth = Slot().SourceHeight = 10;
  Canvas canvas(10, 10);
  DrawSkinSlot(canvas.Dc, &Slot(), 1, 96);
  EXPECT_EQ(100, canvas.Count(RGB(1, 2, 3)));
}

}  // namespace
