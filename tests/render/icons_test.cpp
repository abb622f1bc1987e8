// Icon images: serialising, checking image resources, .ico directories and
// the choice of an .ico entry.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "render/icon_fixture.h"
#include "render/icons.h"
#include "support/test_support.h"

namespace {

// One icon image resource: header, colour table, colour bits, mask.
std::string Image(int side, int bpp, DWORD fill = 0xFF336699) {
  BITMAPINFOHEADER h = {};
  h.biSize = 40;
  h.biWidth = side;
  h.biHeight = side * 2;
  h.biPlanes = 1;
  h.biBitCount = (WORD)bpp;
  int stride = ((side * bpp + 31) / 32) * 4;
  h.biSizeImage = stride * side;
  std::string s((const char*)&h, sizeof h);
  if (bpp <= 8) s.append(4u << bpp, '\x40');
  for (int i = 0; i < stride * side; i += 4) s.append((const char*)&fill, 4);
  s.append(((side + 31) / 32) * 4 * side, '\0');
  return s;
}

struct Entry {
  int W, H, Bpp;
  std::string Bits;
  DWORD Offset = 0;  // 0: where the image is placed
  DWORD Bytes = 0;   // 0: the image's length
};

std::string Ico(std::vector<Entry> entries, WORD count = 0) {
  std::string dir, images;
  WORD head[3] = {0, 1, count ? count : (WORD)entries.size()};
  dir.append((const char*)head, 6);
  DWORD at = 6 + 16 * (DWORD)entries.size();
  for (Entry& e : entries) {
    BYTE d[16] = {(BYTE)(e.W & 0xFF), (BYTE)(e.H & 0xFF), 0, 0, 1, 0, (BYTE)e.Bpp, 0};
    DWORD bytes = e.Bytes ? e.Bytes : (DWORD)e.Bits.size(), offset = e.Offset ? e.Offset : at + (DWORD)images.size();
    memcpy(d + 8, &bytes, 4);
    memcpy(d + 12, &offset, 4);
    dir.append((const char*)d, 16);
    images += e.Bits;
  }
  return dir + images;
}

TEST(Icons, SerialisedIconRoundTripsPixelEqual) {
  for (int side : {16, 24, 32, 48, 256}) {
    HICON icon = MakeTestIcon(side, side * 7u);
    ASSERT_NE(nullptr, icon);
    BYTE* image;
    DWORD length;
    ASSERT_EQ(1, SerializeIcon(icon, GetProcessHeap(), &image, &length));
    // Header, 32-bit colour, 1-bit mask; a valid cache image.
    EXPECT_EQ(40u + side * side * 4 + ((side + 31) / 32) * 4 * side, length);
    EXPECT_EQ(1, CheckIconImage(image, length, 1));
    HICON back = IconFromImage(image, length);
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(std::string((const char*)image, length), IconPixels(back)) << side;
    HeapFree(GetProcessHeap(), 0, image);
    DestroyIcon(back);
    DestroyIcon(icon);
  }
  BYTE* image;
  DWORD length;
  EXPECT_EQ(0, SerializeIcon(nullptr, GetProcessHeap(), &image, &length));
  EXPECT_EQ(nullptr, image);
}

TEST(Icons, ImageChecksBoundEveryPart) {
  std::string good32 = Image(32, 32), good8 = Image(16, 8), good1 = Image(32, 1), png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, 'x');
  auto with = [](std::string s, int offset, DWORD value, int bytes = 4) {
    memcpy(&s[offset], &value, bytes);
    return s;
  };
  struct Case {
    const char* Name;
    std::string Bits;
    int Loose, Exact;
  } cases[] = {
      {"32-bit", good32, 1, 1},
      {"8-bit with table", good8, 1, 1},
      {"1-bit", good1, 1, 1},
      {"png", png, 1, 0},
      {"short of its mask", good32.substr(0, good32.size() - 1), 0, 0},
      {"trailing bytes", good32 + "xx", 1, 0},
      {"colour table cut", good8.substr(0, 40 + 512), 0, 0},
      {"header only", good32.substr(0, 40), 0, 0},
      {"less than a header", good32.substr(0, 39), 0, 0},
      {"empty", "", 0, 0},
      {"header size huge", with(good32, 0, 0x7FFFFFFF), 0, 0},
      {"header size small", with(good32, 0, 12), 0, 0},
      {"width 0", with(good32, 4, 0), 0, 0},
      {"width huge", with(good32, 4, 0x40000000), 0, 0},
      {"negative height", with(good32, 8, (DWORD)-64), 0, 0},
      {"height claims more rows", with(good32, 8, 66), 0, 0},
      {"bit count 7", with(good32, 14, 7, 2), 0, 0},
      {"compressed", with(good32, 16, BI_RLE8), 0, 0},
      {"image size disagrees", with(good32, 20, 5), 1, 0},
      {"colours used beyond 8 bits", with(good8, 32, 257), 0, 0},
      {"colours used beside 32 bits", with(good32, 32, 4), 0, 0},
      {"png cut short", png.substr(0, 20), 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.Loose, CheckIconImage((const BYTE*)c.Bits.data(), (DWORD)c.Bits.size(), 0)) << c.Name;
    EXPECT_EQ(c.Exact, CheckIconImage((const BYTE*)c.Bits.data(), (DWORD)c.Bits.size(), 1)) << c.Name;
  }
}

TEST(Icons, IcoDirectoryBoundsEachEntry) {
  std::string a = Image(16, 32), b = Image(32, 32);
  std::string good = Ico({{16, 16, 32, a}, {32, 32, 32, b}});
  struct Case {
    const char* Name;
    std::string File;
    int Want;  // usable entries, -1 refused
  } cases[] = {
      {"good", good, 2},
      {"count beyond the directory", Ico({{16, 16, 32, a}}, 5000), -1},
      {"count 0", Ico({}), -1},
      {"reserved set", std::string("\1\0", 2) + good.substr(2), -1},
      {"cursor type", good.substr(0, 2) + std::string("\2\0", 2) + good.substr(4), -1},
      {"header cut", good.substr(0, 5), -1},
      {"directory cut", good.substr(0, 6 + 20), -1},
      {"image past the end", good.substr(0, good.size() - 10), 1},
      {"offset past the end", Ico({{16, 16, 32, a, 0x7FFFFFF0}, {32, 32, 32, b}}), 1},
      {"offset + bytes wraps", Ico({{16, 16, 32, a, 0xFFFFFF00, 0x200}, {32, 32, 32, b}}), 1},
      {"bytes beyond the file", Ico({{16, 16, 32, a, 0, 0x10000}, {32, 32, 32, b}}), 1},
      {"bytes too few for the image", Ico({{16, 16, 32, a, 0, 100}, {32, 32, 32, b}}), 1},
      {"offset inside the directory", Ico({{16, 16, 32, a, 2}, {32, 32, 32, b}}), 1},
      {"all entries bad", Ico({{16, 16, 32, a, 0x7FFFFFF0}}), 0},
  };
  for (const Case& c : cases) {
    IcoEntry entries[8];
    EXPECT_EQ(c.Want, ReadIcoDirectory((const BYTE*)c.File.data(), c.File.size(), entries, 8)) << c.Name;
  }
  IcoEntry entries[8];
  ASSERT_EQ(2, ReadIcoDirectory((const BYTE*)good.data(), good.size(), entries, 8));
  EXPECT_EQ(32, entries[1].Width);
  EXPECT_EQ(32, entries[1].BitCount);
  EXPECT_EQ(b.size(), entries[1].Bytes);
}

TEST(Icons, IcoEntryChoice) {
  struct Case {
    const char* Name;
    std::vector<IcoEntry> Entries;
    int Size, Screen, Want;
  } cases[] = {
      {"exact size and depth", {{16, 16, 32}, {32, 32, 32}, {24, 24, 8}, {24, 24, 32}}, 24, 32, 3},
      {"largest that fits", {{16, 16, 32}, {32, 32, 32}, {24, 24, 8}}, 24, 32, 2},
      {"smaller than the first one that is too big", {{64, 64, 32}, {48, 48, 32}, {128, 128, 32}}, 24, 32, 1},
      {"deeper at the same size below the screen", {{24, 24, 4}, {24, 24, 8}, {24, 24, 16}}, 32, 16, 1},
      {"32 bits allowed on a 24-bit screen", {{16, 16, 4}, {16, 16, 32}}, 16, 24, 1},
      {"not above the screen's depth", {{16, 16, 4}, {16, 16, 32}}, 16, 16, 0},
      {"first alone", {{48, 48, 32}}, 16, 32, 0},
      {"256 pixels from a 0 in the file", {{256, 256, 32}, {16, 16, 32}}, 256, 32, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Want, SelectIcoEntry(c.Entries.data(), (int)c.Entries.size(), c.Size, c.Screen)) << c.Name;
  EXPECT_EQ(-1, SelectIcoEntry(nullptr, 0, 16, 32));
}

// Read in pieces: every byte of a file several pieces long, two zero bytes
// behind it, and a refusal for files at the size limit or empty.
TEST(Icons, ReadWholeFileReadsEveryByte) {
  TempDir dir;
  std::wstring path = dir.File(L"whole.bin");
  std::string bytes(3 * 65536 + 7, '\0');
  for (size_t i = 0; i < bytes.size(); i++) bytes[i] = (char)(i * 131 + i / 65536);
  ASSERT_TRUE(WriteFileBytes(path, bytes));
  struct Case {
    DWORD MaxBytes;
    DWORD Expected;
  } cases[] = {{0x7FFFFFF0, (DWORD)bytes.size()}, {(DWORD)bytes.size() + 1, (DWORD)bytes.size()}, {(DWORD)bytes.size(), 0}};
  for (const Case& c : cases) {
    BYTE* block = nullptr;
    DWORD n = ReadWholeFile(path.c_str(), GetProcessHeap(), &block, c.MaxBytes);
    ASSERT_EQ(c.Expected, n) << c.MaxBytes;
    if (!n) {
      EXPECT_EQ(nullptr, block);
      continue;
    }
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(0, memcmp(block, bytes.data(), n));
    EXPECT_EQ(0, block[n]);
    EXPECT_EQ(0, block[n + 1]);
    HeapFree(GetProcessHeap(), 0, block);
  }
  ASSERT_TRUE(WriteFileBytes(path, ""));
  BYTE* block = nullptr;
  EXPECT_EQ(0u, ReadWholeFile(path.c_str(), GetProcessHeap(), &block));
  EXPECT_EQ(nullptr, block);
}

TEST(Icons, LoadIcoFileTakesTheWantedSize) {
  TempDir dir;
  std::wstring path = dir.File(L"four.ico");
  ASSERT_TRUE(WriteFileBytes(path, Ico({{16, 16, 32, Image(16, 32)},
                                        {32, 32, 32, Image(32, 32)},
                                        {24, 24, 8, Image(24, 8)},
                                        {24, 24, 32, Image(24, 32, 0xFF00FF00)}})));
  HICON icon = LoadIcoFile(path.c_str(), 24);
  ASSERT_NE(nullptr, icon);
  std::string px = IconPixels(icon);
  ASSERT_GE(px.size(), 44u);
  BITMAPINFOHEADER h;
  memcpy(&h, px.data(), sizeof h);
  EXPECT_EQ(24, h.biWidth);
  DWORD first;
  memcpy(&first, px.data() + 40, 4);
  EXPECT_EQ(0xFF00FF00u, first);  // the 32-bit one
  DestroyIcon(icon);
  icon = LoadIconFromModule(path.c_str(), 0, 32);
  ASSERT_NE(nullptr, icon);
  DestroyIcon(icon);

  // Damaged files give no icon, and at once.
  std::string good = Ico({{16, 16, 32, Image(16, 32)}});
  for (std::string bad : {std::string(), good.substr(0, 21), good.substr(0, 60), Ico({{16, 16, 32, Image(16, 32), 0, 0x7FFFFFFF}}),
                          Ico({{16, 16, 32, Image(16, 32)}}, 0xFFFF)}) {
    ASSERT_TRUE(WriteFileBytes(path, bad));
    EXPECT_EQ(nullptr, LoadIcoFile(path.c_str(), 16)) << bad.size();
  }
  EXPECT_EQ(nullptr, LoadIcoFile(dir.File(L"missing.ico").c_str(), 16));
}

TEST(Icons, ModuleIconsAtSize) {
  wchar_t shell32[MAX_PATH];
  GetSystemDirectoryW(shell32, MAX_PATH);
  wcscat(shell32, L"\\shell32.dll");
  for (int size : {16, 32, 48}) {
    HICON icon = LoadIconFromModule(shell32, 3, size);
    ASSERT_NE(nullptr, icon) << size;
    BITMAPINFOHEADER h;
    std::string px = IconPixels(icon);
    ASSERT_GE(px.size(), 40u);
    memcpy(&h, px.data(), sizeof h);
    EXPECT_EQ(size, h.biWidth);
    DestroyIcon(icon);
  }
  EXPECT_EQ(nullptr, LoadIconFromModule(L"", 0, 32));
  wchar_t path[MAX_PATH];
  wcscpy(path, shell32);
  EXPECT_GT(ExtractItemIcon(path), 10);
}

}  // namespace
