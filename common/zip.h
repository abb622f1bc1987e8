// Zip pieces that the skin reader and the package reader share: local file
// headers read with every length checked against the bytes, member names that
// stay inside the archive's own tree, CRC-32, and raw inflate to an exact size.
#pragma once
#include <stddef.h>
#include <stdint.h>

const uint32_t kZipLocalSignature = 0x04034B50;
const size_t kZipLocalHeaderBytes = 30;
const uint16_t ZIPFLAG_ENCRYPTED = 0x0001;
const uint16_t ZIPFLAG_DESCRIPTOR = 0x0008;  // sizes and CRC follow the data
const uint16_t ZIPMETHOD_STORED = 0;
const uint16_t ZIPMETHOD_DEFLATE = 8;
const uint16_t ZIPMETHOD_DEFLATE64 = 9;
const uint16_t ZIPFLAG_STRONG = 0x0040;
const uint16_t ZIPFLAG_UTF8 = 0x0800;  // name and comment are UTF-8
// A 32-bit size field holding this marker has its real value in a Zip64 extra field.
const uint32_t kZip64Marker = 0xFFFFFFFF;

enum ZipStatus {
  ZIP_OK = 0,
  ZIP_END,         // no local header here (other signature, or no room for one)
  ZIP_TRUNCATED,   // name, extra field or data runs past the end of the bytes
  ZIP_ENCRYPTED,
  ZIP_DESCRIPTOR,  // sizes only in a trailing data descriptor
  ZIP_ZIP64,       // sizes only in a Zip64 extra field
  ZIP_METHOD,      // neither stored nor deflate
  ZIP_SIZE,        // sizes that disagree, exceed the cap or cannot come from the data
  ZIP_DATA,        // the deflate stream is broken, short or longer than declared
  ZIP_CRC,
  ZIP_MEMORY,
};

inline uint16_t ReadLe16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
inline uint32_t ReadLe32(const uint8_t* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

struct ZipLocalHeader {
  uint64_t Offset;  // of the signature in the archive
  uint16_t Flags;
  uint16_t Method;
  uint32_t Crc32;
  uint64_t CompressedSize;
  uint64_t UncompressedSize;
  uint16_t NameLength;
  uint16_t ExtraLength;
  const uint8_t* Name;  // NameLength bytes, not terminated
  const uint8_t* Data;  // CompressedSize bytes
  uint64_t Next;        // offset just behind the data
};

// The 30 fixed bytes at p (available bytes from there): ZIP_END without the
// signature or room for the fixed part, else ZIP_OK with the fields filled
// (Name, Data and Next are left for the caller, who knows where they lie).
int ParseZipLocalHeader(const uint8_t* p, size_t available, ZipLocalHeader* out);

// The local header at offset inside archive[0..length), with its name, extra
// field and data checked to lie inside. Encrypted, data-descriptor and Zip64
// members are reported before their data is looked for, since their sizes
// cannot be trusted to find it.
int ReadZipLocalHeader(const uint8_t* archive, uint64_t length, uint64_t offset, ZipLocalHeader* out);

// 1 when a member name is a relative path that stays inside the archive's
// tree: not empty, no leading slash or backslash, no drive or ':', no NUL,
// no "." or ".." segment (either slash separates).
int IsSafeZipName(const uint8_t* name, size_t length);

// ZIP_OK when the header's sizes fit: stored sizes equal, the uncompressed
// size at most maxSize, and no more than deflate can produce from the
// compressed bytes (so a small archive cannot claim gigabytes).
int CheckZipMemberSize(const ZipLocalHeader& header, uint64_t maxSize);

uint32_t ZipCrc32(uint32_t crc, const void* data, size_t length);

// Raw deflate (no zlib header) of in[0..inLength) into exactly outLength
// bytes: ZIP_OK only when the stream ends there, ZIP_DATA when it is broken,
// stops short or has more to give.
int InflateRawExact(const uint8_t* in, size_t inLength, uint8_t* out, size_t outLength);

// The member's data into out[0..UncompressedSize): a stored copy, or inflated
// and checked against the CRC-32. The caller checked CheckZipMemberSize.
int UnpackZipMember(const ZipLocalHeader& header, uint8_t* out);
