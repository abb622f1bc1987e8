// The shared zip pieces on archives built byte by byte: every length in a
// local header checked against the bytes, names that stay inside the tree,
// member sizes that a small archive can really hold, and raw inflate that
// must land exactly on the declared size.
#include <gtest/gtest.h>
#include <string.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "common/zip.h"

namespace {

typedef std::vector<uint8_t> Bytes;

void PutLe(Bytes* b, uint32_t v, int n) {
  for (int i = 0; i < n; i++) b->push_back((uint8_t)(v >> (8 * i)));
}

struct Member {
  std::string Name;
  std::string Data;
  uint16_t Flags = 0;
  uint16_t Method = ZIPMETHOD_STORED;
  uint16_t ExtraLength = 0;
  // Written as the header's sizes when not ~0.
  uint32_t Compressed = ~0u, Uncompressed = ~0u;
  bool Overrides = false;
};

// One local header, its name, a zero extra field and the data.
Bytes LocalHeader(const Member& m) {
  Bytes b;
  PutLe(&b, kZipLocalSignature, 4);
  PutLe(&b, 20, 2);
  PutLe(&b, m.Flags, 2);
  PutLe(&b, m.Method, 2);
  PutLe(&b, 0, 4);  // time, date
  PutLe(&b, ZipCrc32(0, m.Data.data(), m.Data.size()), 4);
  PutLe(&b, m.Overrides ? m.Compressed : (uint32_t)m.Data.size(), 4);
  PutLe(&b, m.Overrides ? m.Uncompressed : (uint32_t)m.Data.size(), 4);
  PutLe(&b, (uint32_t)m.Name.size(), 2);
  PutLe(&b, m.ExtraLength, 2);
  b.insert(b.end(), m.Name.begin(), m.Name.end());
  b.insert(b.end(), m.ExtraLength, 0);
  b.insert(b.end(), m.Data.begin(), m.Data.end());
  return b;
}

Member Sized(const char* name, const char* data, uint32_t compressed, uint32_t uncompressed) {
  Member m;
  m.Name = name;
  m.Data = data;
  m.Compressed = compressed;
  m.Uncompressed = uncompressed;
  m.Overrides = true;
  return m;
}

std::string Deflate(const std::string& text) {
  z_stream z = {};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, (uLong)text.size()), '\0');
  z.next_in = (Bytef*)text.data();
  z.avail_in = (uInt)text.size();
  z.next_out = (Bytef*)&out[0];
  z.avail_out = (uInt)out.size();
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::string Repeated(const char* word, int times) {
  std::string s;
  for (int i = 0; i < times; i++) s += word;
  return s;
}

// --- local headers -------------------------------------------------------------

TEST(ZipLocalHeader, EveryPartMustLieInsideTheBytes) {
  Member plain;
  plain.Name = "skin.xml";
  plain.Data = "<skin/>";
  Member encrypted = plain, descriptor = plain, extra = plain;
  encrypted.Flags = ZIPFLAG_ENCRYPTED;
  descriptor.Flags = ZIPFLAG_DESCRIPTOR;
  extra.ExtraLength = 6;
  struct Case {
    const char* What;
    Bytes Archive;
    size_t Cut;  // bytes dropped from the end
    int Status;
  } cases[] = {
      {"whole member", LocalHeader(plain), 0, ZIP_OK},
      {"with an extra field", LocalHeader(extra), 0, ZIP_OK},
      {"data one byte short", LocalHeader(plain), 1, ZIP_TRUNCATED},
      {"extra field cut", LocalHeader(extra), 7 + 4, ZIP_TRUNCATED},
      {"name cut", LocalHeader(plain), 7 + 3, ZIP_TRUNCATED},
      {"fixed part cut", LocalHeader(plain), 7 + 8 + 1, ZIP_END},
      {"encrypted", LocalHeader(encrypted), 0, ZIP_ENCRYPTED},
      {"data descriptor", LocalHeader(descriptor), 0, ZIP_DESCRIPTOR},
      {"Zip64 compressed size", LocalHeader(Sized("a", "x", kZip64Marker, 1)), 0, ZIP_ZIP64},
      {"Zip64 uncompressed size", LocalHeader(Sized("a", "x", 1, kZip64Marker)), 0, ZIP_ZIP64},
      // 30 + name + size wraps a 32-bit offset past the end of the block.
      {"size near 4 GiB", LocalHeader(Sized("a", "x", 0xFFFFFFF0u, 1)), 0, ZIP_TRUNCATED},
  };
  for (const Case& c : cases) {
    Bytes b = c.Archive;
    b.resize(b.size() - c.Cut);
    ZipLocalHeader h;
    EXPECT_EQ(c.Status, ReadZipLocalHeader(b.data(), b.size(), 0, &h)) << c.What;
  }
}

TEST(ZipLocalHeader, WalksFromOneMemberToTheNext) {
  Member a, b;
  a.Name = "first/";
  b.Name = "first/second.png";
  b.Data = "PNG bytes";
  b.ExtraLength = 4;
  Bytes archive = LocalHeader(a), second = LocalHeader(b);
  archive.insert(archive.end(), second.begin(), second.end());
  PutLe(&archive, 0x02014B50, 4);  // the central directory follows

  ZipLocalHeader h;
  ASSERT_EQ(ZIP_OK, ReadZipLocalHeader(archive.data(), archive.size(), 0, &h));
  EXPECT_EQ(0u, h.CompressedSize);
  EXPECT_EQ(36u, h.Next);
  ASSERT_EQ(ZIP_OK, ReadZipLocalHeader(archive.data(), archive.size(), h.Next, &h));
  EXPECT_EQ(36u, h.Offset);
  EXPECT_EQ("first/second.png", std::string((const char*)h.Name, h.NameLength));
  EXPECT_EQ("PNG bytes", std::string((const char*)h.Data, (size_t)h.CompressedSize));
  EXPECT_EQ(archive.size() - 4, h.Next);
  EXPECT_EQ(ZIP_END, ReadZipLocalHeader(archive.data(), archive.size(), h.Next, &h));
  EXPECT_EQ(ZIP_END, ReadZipLocalHeader(archive.data(), archive.size(), archive.size() + 10, &h));
}

// --- names -----------------------------------------------------------------------

TEST(ZipNames, OnlyRelativeNamesInsideTheTreeAreSafe) {
  struct Case {
    const char* Name;
    int Safe;
  } cases[] = {
      {"skin.xml", 1},          {"theme/inner/skin.xml", 1}, {"a..b/c.png", 1},
      {"folder/", 1},           {"..png", 1},                {"", 0},
      {"../skin.xml", 0},       {"a/../../skin.xml", 0},     {"a/..", 0},
      {"..\\skin.xml", 0},      {"a\\..\\b", 0},             {"/rooted/skin.xml", 0},
      {"\\rooted\\skin.xml", 0}, {"C:/skin.xml", 0},         {"C:skin.xml", 0},
      {"good/./skin.xml", 0},   {"./skin.xml", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Safe, IsSafeZipName((const uint8_t*)c.Name, strlen(c.Name))) << c.Name;
  const uint8_t withNul[] = {'a', 0, 'b'};
  EXPECT_EQ(0, IsSafeZipName(withNul, sizeof withNul));
}

// --- sizes -----------------------------------------------------------------------

TEST(ZipSizes, ASmallArchiveCannotClaimMoreThanItsDataGives) {
  struct Case {
    const char* What;
    uint16_t Method;
    uint64_t Compressed, Uncompressed, Cap;
    int Status;
  } cases[] = {
      {"stored, equal", ZIPMETHOD_STORED, 100, 100, 1000, ZIP_OK},
      {"stored, sizes differ", ZIPMETHOD_STORED, 100, 99, 1000, ZIP_SIZE},
      {"over the cap", ZIPMETHOD_DEFLATE, 100000, 2000, 1999, ZIP_SIZE},
      {"at the cap", ZIPMETHOD_DEFLATE, 1000, 2000, 2000, ZIP_OK},
      {"1 MiB from 2000 bytes", ZIPMETHOD_DEFLATE, 2000, 1 << 20, 64 << 20, ZIP_OK},
      {"1 MiB from 100 bytes", ZIPMETHOD_DEFLATE, 100, 1 << 20, 64 << 20, ZIP_SIZE},
      {"4 GiB from 111 bytes", ZIPMETHOD_DEFLATE, 111, 0xFFFFFF00u, 64 << 20, ZIP_SIZE},
      {"empty deflate", ZIPMETHOD_DEFLATE, 2, 0, 64 << 20, ZIP_OK},
  };
  for (const Case& c : cases) {
    ZipLocalHeader h = {};
    h.Method = c.Method;
    h.CompressedSize = c.Compressed;
    h.UncompressedSize = c.Uncompressed;
    EXPECT_EQ(c.Status, CheckZipMemberSize(h, c.Cap)) << c.What;
  }
}

// --- CRC-32 and inflate -----------------------------------------------------------

TEST(ZipCrc, IsTheZipCrc32) {
  EXPECT_EQ(0x352441C2u, ZipCrc32(0, "abc", 3));
  EXPECT_EQ(0u, ZipCrc32(0, "", 0));
  // Chained over pieces as over the whole.
  EXPECT_EQ(ZipCrc32(0, "abcdef", 6), ZipCrc32(ZipCrc32(0, "abc", 3), "def", 3));
}

TEST(ZipInflate, EndsExactlyAtTheDeclaredSize) {
  const std::string text = Repeated("skin.xml and its images; ", 400);
  const std::string stream = Deflate(text);
  const std::string empty = Deflate("");
  struct Case {
    const char* What;
    std::string In;
    size_t OutLength;
    int Status;
  } cases[] = {
      {"exact", stream, text.size(), ZIP_OK},
      {"stream longer than declared", stream, text.size() - 1, ZIP_DATA},
      {"stream shorter than declared", stream, text.size() + 1, ZIP_DATA},
      {"input cut", stream.substr(0, stream.size() / 2), text.size(), ZIP_DATA},
      {"input cut by its last byte", stream.substr(0, stream.size() - 1), text.size(), ZIP_DATA},
      {"not deflate", std::string("\xff\xff\xff\xff\xff\xff", 6), 10, ZIP_DATA},
      {"empty member", empty, 0, ZIP_OK},
      {"no input", std::string(), 10, ZIP_DATA},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out(c.OutLength + 1, 0xEE);
    EXPECT_EQ(c.Status, InflateRawExact((const uint8_t*)c.In.data(), c.In.size(), out.data(), c.OutLength))
        << c.What;
    if (c.Status == ZIP_OK) {
      EXPECT_EQ(0, memcmp(out.data(), text.data(), c.OutLength)) << c.What;
      EXPECT_EQ(0xEE, out[c.OutLength]) << c.What << ": wrote past the declared size";
    }
  }
}

TEST(ZipUnpack, StoredCopiedDeflatedCheckedOthersRefused) {
  const std::string text = Repeated("button ", 300);
  const std::string stream = Deflate(text);
  auto header = [&](uint16_t method, const std::string& data, uint32_t crc) {
    ZipLocalHeader h = {};
    h.Method = method;
    h.Crc32 = crc;
    h.CompressedSize = data.size();
    h.UncompressedSize = text.size();
    h.Data = (const uint8_t*)data.data();
    return h;
  };
  const uint32_t crc = ZipCrc32(0, text.data(), text.size());
  struct Case {
    const char* What;
    ZipLocalHeader Header;
    int Status;
  } cases[] = {
      {"deflate", header(ZIPMETHOD_DEFLATE, stream, crc), ZIP_OK},
      {"deflate, wrong CRC", header(ZIPMETHOD_DEFLATE, stream, crc ^ 1), ZIP_CRC},
      {"stored", header(ZIPMETHOD_STORED, text, crc), ZIP_OK},
      {"stored, wrong CRC is not checked", header(ZIPMETHOD_STORED, text, crc ^ 1), ZIP_OK},
      {"bzip2", header(12, stream, crc), ZIP_METHOD},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> out(text.size());
    EXPECT_EQ(c.Status, UnpackZipMember(c.Header, out.data())) << c.What;
    if (c.Status == ZIP_OK) {
      EXPECT_EQ(text, std::string(out.begin(), out.end())) << c.What;
    }
  }
}

}  // namespace
