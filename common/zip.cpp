#include "common/zip.h"

#include <string.h>
#include <zlib.h>

// Deflate codes at best 258 bytes in two bits.
const uint64_t kDeflateMaxRatio = 1032;
const uint64_t kDeflateSlack = 1024;
// zlib counts in 32-bit units: feed it in pieces below that.
const size_t kZlibPiece = 1u << 30;

int ParseZipLocalHeader(const uint8_t* p, size_t available, ZipLocalHeader* out) {
  if (!p || available < kZipLocalHeaderBytes || ReadLe32(p) != kZipLocalSignature) return ZIP_END;
  memset(out, 0, sizeof *out);
  out->Flags = ReadLe16(p + 6);
  out->Method = ReadLe16(p + 8);
  out->Crc32 = ReadLe32(p + 14);
  out->CompressedSize = ReadLe32(p + 18);
  out->UncompressedSize = ReadLe32(p + 22);
  out->NameLength = ReadLe16(p + 26);
  out->ExtraLength = ReadLe16(p + 28);
  return ZIP_OK;
}

int ReadZipLocalHeader(const uint8_t* archive, uint64_t length, uint64_t offset, ZipLocalHeader* out) {
  if (!archive || offset >= length) return ZIP_END;
  uint64_t room = length - offset;
  int status = ParseZipLocalHeader(archive + offset, room < kZipLocalHeaderBytes ? (size_t)room : kZipLocalHeaderBytes,
                                   out);
  if (status != ZIP_OK) return status;
  out->Offset = offset;
  uint64_t name = offset + kZipLocalHeaderBytes;
  uint64_t data = name + out->NameLength + out->ExtraLength;
  if (data > length) return ZIP_TRUNCATED;
  out->Name = archive + name;
  if (out->Flags & ZIPFLAG_ENCRYPTED) return ZIP_ENCRYPTED;
  if (out->Flags & ZIPFLAG_DESCRIPTOR) return ZIP_DESCRIPTOR;
  if (out->CompressedSize == kZip64Marker || out->UncompressedSize == kZip64Marker) return ZIP_ZIP64;
  if (out->CompressedSize > length - data) return ZIP_TRUNCATED;
  out->Data = archive + data;
  out->Next = data + out->CompressedSize;
  return ZIP_OK;
}

int IsSafeZipName(const uint8_t* name, size_t length) {
  if (!name || length == 0 || name[0] == '/' || name[0] == '\\') return 0;
  size_t segment = 0;  // start of the current segment
  for (size_t i = 0; i <= length; i++) {
    bool end = i == length || name[i] == '/' || name[i] == '\\';
    if (i < length && (name[i] == ':' || name[i] == 0)) return 0;
    if (!end) continue;
    size_t n = i - segment;
    if ((n == 1 && name[segment] == '.') || (n == 2 && name[segment] == '.' && name[segment + 1] == '.')) return 0;
    segment = i + 1;
  }
  return 1;
}

int CheckZipMemberSize(const ZipLocalHeader& h, uint64_t maxSize) {
  if (h.UncompressedSize > maxSize) return ZIP_SIZE;
  if (h.Method == ZIPMETHOD_STORED && h.CompressedSize != h.UncompressedSize) return ZIP_SIZE;
  if (h.Method == ZIPMETHOD_DEFLATE && h.UncompressedSize > h.CompressedSize * kDeflateMaxRatio + kDeflateSlack)
    return ZIP_SIZE;
  return ZIP_OK;
}

uint32_t ZipCrc32(uint32_t crc, const void* data, size_t length) {
  const Bytef* p = static_cast<const Bytef*>(data);
  while (length > 0) {
    size_t n = length < kZlibPiece ? length : kZlibPiece;
    crc = (uint32_t)crc32(crc, p, (uInt)n);
    p += n;
    length -= n;
  }
  return crc;
}

int InflateRawExact(const uint8_t* in, size_t inLength, uint8_t* out, size_t outLength) {
  z_stream z;
  memset(&z, 0, sizeof z);
  if (inflateInit2(&z, -15) != Z_OK) return ZIP_MEMORY;
  z.next_in = const_cast<Bytef*>(in);
  // zlib wants an output pointer even for an empty member.
  uint8_t spare;
  z.next_out = out ? out : &spare;
  size_t inLeft = inLength, outLeft = outLength;
  int rc;
  for (;;) {
    // Refill a side only once zlib has used it up.
    if (z.avail_in == 0 && inLeft > 0) {
      size_t n = inLeft < kZlibPiece ? inLeft : kZlibPiece;
      z.avail_in = (uInt)n;
      inLeft -= n;
    }
    if (z.avail_out == 0 && outLeft > 0) {
      size_t n = outLeft < kZlibPiece ? outLeft : kZlibPiece;
      z.avail_out = (uInt)n;
      outLeft -= n;
    }
    rc = inflate(&z, Z_FINISH);
    if (rc == Z_STREAM_END) break;
    // No progress possible: more to give than room declared, or input gone.
    bool canRefill = (z.avail_in == 0 && inLeft > 0) || (z.avail_out == 0 && outLeft > 0);
    if ((rc != Z_OK && rc != Z_BUF_ERROR) || (rc == Z_BUF_ERROR && !canRefill)) break;
  }
  bool exact = rc == Z_STREAM_END && outLeft == 0 && z.avail_out == 0;
  inflateEnd(&z);
  return exact ? ZIP_OK : ZIP_DATA;
}

int UnpackZipMember(const ZipLocalHeader& h, uint8_t* out) {
  if (h.Method == ZIPMETHOD_STORED) {
    if (h.CompressedSize != h.UncompressedSize) return ZIP_SIZE;
    memcpy(out, h.Data, (size_t)h.UncompressedSize);
    return ZIP_OK;
  }
  if (h.Method != ZIPMETHOD_DEFLATE) return ZIP_METHOD;
  int status = InflateRawExact(h.Data, (size_t)h.CompressedSize, out, (size_t)h.UncompressedSize);
  if (status != ZIP_OK) return status;
  return ZipCrc32(0, out, (size_t)h.UncompressedSize) == h.Crc32 ? ZIP_OK : ZIP_CRC;
}
