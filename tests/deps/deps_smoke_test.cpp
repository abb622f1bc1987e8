// The image and archive libraries link into the static build and work the way
// the skin loader and the package reader call them: from memory, with errors
// reported by return value.
#include <gtest/gtest.h>
#include <setjmp.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>

#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <zlib.h>

#include "support/test_support.h"

namespace {

struct Image {
  int Width = 0, Height = 0, Channels = 0;
  std::vector<unsigned char> Pixels;  // rows top-down, Channels bytes a pixel
  const unsigned char* At(int x, int y) const { return &Pixels[(y * Width + x) * Channels]; }
};

std::string Fixture(const wchar_t* name) {
  return ReadFileBytes(FixturePath((std::wstring(L"deps\\") + name).c_str()));
}

// --- libpng -----------------------------------------------------------------

struct MemoryReader {
  const unsigned char* Data;
  size_t Size, Pos;
};

void ReadPngFromMemory(png_structp png, png_bytep out, png_size_t count) {
  MemoryReader* reader = (MemoryReader*)png_get_io_ptr(png);
  if (count > reader->Size - reader->Pos) png_error(png, "truncated");
  memcpy(out, reader->Data + reader->Pos, count);
  reader->Pos += count;
}
void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

// Nothing with a destructor lives in this frame: errors leave it by longjmp.
bool DecodePng(const std::string& bytes, Image* image) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  MemoryReader reader = {(const unsigned char*)bytes.data(), bytes.size(), 0};
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, &reader, ReadPngFromMemory);
  png_read_png(png, info, PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_PACKING | PNG_TRANSFORM_EXPAND,
               nullptr);
  bool eightBit = png_get_bit_depth(png, info) == 8;
  image->Width = (int)png_get_image_width(png, info);
  image->Height = (int)png_get_image_height(png, info);
  image->Channels = png_get_channels(png, info);
  png_bytepp rows = png_get_rows(png, info);
  size_t rowBytes = (size_t)image->Width * image->Channels;
  image->Pixels.resize(rowBytes * image->Height);
  for (int y = 0; y < image->Height; ++y) memcpy(&image->Pixels[y * rowBytes], rows[y], rowBytes);
  png_destroy_read_struct(&png, &info, nullptr);
  return eightBit;
}

// --- libjpeg-turbo ------------------------------------------------------------

struct JpegErrorJump {
  jpeg_error_mgr Manager;
  jmp_buf Jump;
};
void JpegErrorExit(j_common_ptr cinfo) { longjmp(((JpegErrorJump*)cinfo->err)->Jump, 1); }
void JpegQuiet(j_common_ptr) {}

// Corrupt data only warns in libjpeg (it pads a short stream); count that as
// failure too, as a careful image loader does.
bool DecodeJpeg(const std::string& bytes, Image* image) {
  jpeg_decompress_struct cinfo = {};
  JpegErrorJump error;
  cinfo.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = JpegErrorExit;
  error.Manager.output_message = JpegQuiet;
  if (setjmp(error.Jump)) {
    jpeg_destroy_decompress(&cinfo);  // safe before creation: no memory manager yet
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, (const unsigned char*)bytes.data(), (unsigned long)bytes.size());
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_RGB;
  jpeg_start_decompress(&cinfo);
  image->Width = (int)cinfo.output_width;
  image->Height = (int)cinfo.output_height;
  image->Channels = cinfo.output_components;
  size_t rowBytes = (size_t)image->Width * image->Channels;
  image->Pixels.resize(rowBytes * image->Height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = &image->Pixels[cinfo.output_scanline * rowBytes];
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  bool clean = error.Manager.num_warnings == 0;
  jpeg_destroy_decompress(&cinfo);
  return clean;
}

// --- zlib -----------------------------------------------------------------------

// Raw inflate of the whole stream into size bytes; Z_STREAM_END when complete.
int InflateRaw(const std::string& in, size_t size, std::string* out) {
  z_stream z = {};
  if (inflateInit2(&z, -15) != Z_OK) return Z_MEM_ERROR;
  out->assign(size, '\0');
  z.next_in = (Bytef*)in.data();
  z.avail_in = (uInt)in.size();
  z.next_out = (Bytef*)&(*out)[0];
  z.avail_out = (uInt)size;
  int rc = inflate(&z, Z_FINISH);
  out->resize(z.total_out);
  inflateEnd(&z);
  return rc;
}

TEST(DepsSmoke, PngPaletteAnd16Bit) {
  Image image;
  ASSERT_TRUE(DecodePng(Fixture(L"redblue8x4.png"), &image));
  EXPECT_EQ(8, image.Width);
  EXPECT_EQ(4, image.Height);
  ASSERT_EQ(3, image.Channels);  // palette expanded to RGB
  const unsigned char* left = image.At(0, 3);
  const unsigned char* right = image.At(7, 0);
  EXPECT_EQ(255, left[0]);
  EXPECT_EQ(0, left[1]);
  EXPECT_EQ(0, left[2]);
  EXPECT_EQ(0, right[0]);
  EXPECT_EQ(0, right[1]);
  EXPECT_EQ(255, right[2]);

  Image deep;
  ASSERT_TRUE(DecodePng(Fixture(L"orange16bit.png"), &deep));
  EXPECT_EQ(3, deep.Width);
  EXPECT_EQ(5, deep.Height);
  ASSERT_EQ(3, deep.Channels);
  const unsigned char* p = deep.At(2, 4);
  EXPECT_EQ(0xFF, p[0]);
  EXPECT_EQ(0x80, p[1]);
  EXPECT_EQ(0x00, p[2]);
}

TEST(DepsSmoke, Jpeg) {
  Image image;
  ASSERT_TRUE(DecodeJpeg(Fixture(L"blue16.jpg"), &image));
  EXPECT_EQ(16, image.Width);
  EXPECT_EQ(16, image.Height);
  ASSERT_EQ(3, image.Channels);
  for (int xy : {0, 7, 15}) {
    const unsigned char* p = image.At(xy, 15 - xy);
    EXPECT_NEAR(0x30, p[0], 3);
    EXPECT_NEAR(0x50, p[1], 3);
    EXPECT_NEAR(0xA0, p[2], 3);
  }
}

TEST(DepsSmoke, TruncatedImagesFailCleanly) {
  std::string png = Fixture(L"redblue8x4.png");
  std::string jpeg = Fixture(L"blue16.jpg");
  ASSERT_GT(png.size(), 60u);
  ASSERT_GT(jpeg.size(), 60u);
  for (size_t keep : {(size_t)0, (size_t)7, (size_t)8, (size_t)30, png.size() / 2, png.size() - 12,
                      png.size() - 1}) {
    Image image;
    EXPECT_FALSE(DecodePng(png.substr(0, keep), &image)) << "png cut to " << keep;
  }
  for (size_t keep : {(size_t)0, (size_t)2, (size_t)20, jpeg.size() / 2, jpeg.size() - 10,
                      jpeg.size() - 2}) {
    Image image;
    EXPECT_FALSE(DecodeJpeg(jpeg.substr(0, keep), &image)) << "jpeg cut to " << keep;
  }
  // Garbage after a valid signature.
  std::string bad = png.substr(0, 8) + std::string(64, '\x5a');
  Image image;
  EXPECT_FALSE(DecodePng(bad, &image));
}

TEST(DepsSmoke, RawInflateAndCrc) {
  std::string stream = Fixture(L"sample.deflate");
  std::string expect = Fixture(L"sample.expect");
  unsigned long crc = 0, size = 0;
  ASSERT_EQ(2, sscanf(expect.c_str(), "%lx %lu", &crc, &size));
  ASSERT_GT(size, 100000u);

  std::string data;
  ASSERT_EQ(Z_STREAM_END, InflateRaw(stream, size, &data));
  ASSERT_EQ(size, data.size());
  EXPECT_EQ(crc, crc32(0, (const Bytef*)data.data(), (uInt)data.size()));

  // Cut short, corrupted, or too small a buffer: an error code, never a crash.
  EXPECT_NE(Z_STREAM_END, InflateRaw(stream.substr(0, stream.size() / 2), size, &data));
  std::string corrupt = stream;
  corrupt[0] = '\xff';  // reserved block type
  EXPECT_EQ(Z_DATA_ERROR, InflateRaw(corrupt, size, &data));
  EXPECT_EQ(Z_BUF_ERROR, InflateRaw(stream, size - 1, &data));
  EXPECT_EQ(size - 1, data.size());
}

}  // namespace
