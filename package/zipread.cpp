#include "package/zipread.h"

#include <string.h>

#include "common/zip.h"
#include "package/pipeline.h"
#include "package/stream.h"

const uint32_t kEndSignature = 0x06054B50;
const uint32_t kZip64LocatorSignature = 0x07064B50;
const uint32_t kZip64EndSignature = 0x06064B50;
const uint32_t kCentralSignature = 0x02014B50;
const int kEndSearchBlock = 4096;
const int kLocalWindow = 1024;
const int kLocalOverlap = 20;
const int kZip64EndBytes = 56;  // fixed part, signature included
const int kZip64LocatorBytes = 20;
const int kMaxNameUnits = kZipWideNameUnits - 1;
const int64_t kFiletimeTo1970 = 116444736000000000LL;

static uint64_t ReadLe64(const uint8_t* p) { return (uint64_t)ReadLe32(p) | (uint64_t)ReadLe32(p + 4) << 32; }
static bool Aborted() { return g_Sfx.ExtractAbortCode != ABORT_NONE; }

int FindEndOfCentralDir() {
  uint8_t block[kEndSearchBlock + 3];
  uint8_t carry[3];
  int carried = 0;
  for (int64_t end = ArchiveSize(); end > 0;) {
    if (Aborted()) break;
    int64_t start = end >= kEndSearchBlock ? end - kEndSearchBlock : 0;
    int n = (int)(end - start);
    if (!ArchiveSeek(start) || ArchiveRead(block, n) != n) break;
    memcpy(block + n, carry, carried);
    for (int i = n + carried - 4; i >= 0; i--) {
      if (ReadLe32(block + i) == kEndSignature) {
        ArchiveSeek(start + i + 4);
        return 1;
      }
    }
    carried = n < 3 ? n : 3;
    memcpy(carry, block, carried);
    end = start;
  }
  ArchiveSeek(0);
  return 0;
}

static int64_t Refuse() {
  g_Sfx.NextCentral = 0;
  ArchiveSeek(0);
  return 0;
}

// The Zip64 end record named by the locator in front of the end record, or
// the one standing right before the locator when the zip was put behind other
// bytes (its stored offset then counts from the zip's start). -1 when none.
static int64_t FindZip64End(int64_t endPosition, uint8_t record[kZip64EndBytes]) {
  int64_t locator = endPosition - kZip64LocatorBytes;
  uint8_t b[kZip64LocatorBytes];
  if (locator < 0 || !ArchiveSeek(locator) || ArchiveRead(b, sizeof b) != (int64_t)sizeof b ||
      ReadLe32(b) != kZip64LocatorSignature)
    return -1;
  int64_t candidates[2] = {(int64_t)ReadLe64(b + 8), locator - kZip64EndBytes};
  for (int64_t at : candidates) {
    if (at < 0 || at > locator - kZip64EndBytes) continue;
    if (ArchiveSeek(at) && ArchiveRead(record, kZip64EndBytes) == kZip64EndBytes &&
        ReadLe32(record) == kZip64EndSignature)
      return at;
  }
  return -1;
}

int64_t OpenZipArchive(int64_t fileSize) {
  g_Sfx.NextCentral = 0;
  g_Sfx.Shift = 0;
  if (!FindEndOfCentralDir()) return 0;
  int64_t endPosition = ArchiveTell() - 4;
  uint8_t b[18];
  if (ArchiveRead(b, sizeof b) != (int64_t)sizeof b) return Refuse();
  uint16_t disk = ReadLe16(b), centralDisk = ReadLe16(b + 2);
  uint64_t size = ReadLe32(b + 8), offset = ReadLe32(b + 12);
  // The central directory ends where the record after it begins: the Zip64
  // end record when there is one, else the end record.
  int64_t directoryEnd = endPosition;
  uint8_t z[kZip64EndBytes];
  int64_t zip64End = FindZip64End(endPosition, z);
  if (zip64End >= 0) {
    if (ReadLe32(z + 16) != 0 || ReadLe32(z + 20) != 0) return Refuse();
    size = ReadLe64(z + 40);
    offset = ReadLe64(z + 48);
    directoryEnd = zip64End;
  } else {
    if (offset == kZip64Marker) return Refuse();
    if (disk != 0 || centralDisk != 0) return Refuse();
  }
  if (offset > (uint64_t)directoryEnd || size > (uint64_t)directoryEnd - offset) return Refuse();
  g_Sfx.Shift = directoryEnd - (int64_t)(offset + size);
  int64_t result = (int64_t)offset + g_Sfx.Shift;
  if (result <= 0 || result > fileSize) return Refuse();
  g_Sfx.NextCentral = result;
  ArchiveSeek(0);
  return result;
}

int FindNextLocalHeader(ZipEntry* entry, uint8_t* window) {
  entry->rawName[0] = 0;
  entry->wideName[0] = 0;
  uint8_t scratch[kZipScratchBytes];
  for (;;) {
    if (Aborted()) return 0;
    int64_t start = ArchiveTell();
    int64_t n = ArchiveRead(window, kLocalWindow);
    if (n <= kLocalOverlap) return 0;
    for (int64_t i = 0; i <= n - 21; i++) {
      if (ReadLe32(window + i) != kZipLocalSignature) continue;
      ArchiveSeek(start + i + 4);
      if (ReadLocalHeader(entry, scratch)) return 1;
      if (Aborted()) return 0;
    }
    ArchiveSeek(start + n - kLocalOverlap);
  }
}

int ReadLocalHeader(ZipEntry* entry, uint8_t* scratch) {
  int64_t header = ArchiveTell() - 4;
  uint8_t b[kZipLocalHeaderBytes];
  b[0] = 0x50, b[1] = 0x4B, b[2] = 3, b[3] = 4;
  if (ArchiveRead(b + 4, 26) != 26) return 0;
  ZipLocalHeader h;
  ParseZipLocalHeader(b, sizeof b, &h);
  if ((h.Flags & ZIPFLAG_STRONG) && (h.Flags >> 8) == 0x33) {
    g_Sfx.LastErrorString = kNotSupportedString;
    g_Sfx.ExtractAbortCode = ABORT_ERROR;
    return 0;
  }
  entry->accessTime = entry->creationTime = entry->writeTime = 0;
  entry->rawName[0] = 0;
  entry->wideName[0] = 0;
  entry->cipher = 0;
  entry->versionNeeded = ReadLe16(b + 4);
  entry->flags = h.Flags;
  entry->method = h.Method;
  entry->dosTime = ReadLe16(b + 10);
  entry->dosDate = ReadLe16(b + 12);
  entry->crc32 = h.Crc32;
  entry->compressedSize = h.CompressedSize;
  entry->uncompressedSize = h.UncompressedSize;
  entry->nameLength = h.NameLength;
  entry->extraLength = h.ExtraLength;
  if (h.NameLength >= kZipRawNameBytes) return 0;
  if (ArchiveRead(entry->rawName, h.NameLength) != h.NameLength) return 0;
  entry->rawName[h.NameLength] = 0;
  if (h.ExtraLength > 0) {
    // Only the first scratch-full of a longer block is looked at.
    uint32_t n = h.ExtraLength < kZipScratchBytes ? h.ExtraLength : kZipScratchBytes;
    if (ArchiveRead(scratch, n) != n) return 0;
    if (n < h.ExtraLength && !ArchiveSeek(ArchiveTell() + (h.ExtraLength - n))) return 0;
    ParseExtraFields(entry, scratch, n, 1);
  }
  int64_t data = ArchiveTell();
  entry->headerPosition = header;
  int attributes = DecodeEntryName(entry, scratch);
  if (attributes < 0) return 0;
  entry->attributes = (uint32_t)attributes;
  entry->dataPosition = data;
  entry->storedSize = entry->compressedSize;
  ArchiveSeek(data);
  return 1;
}

// The decoded name cut to what wideName holds, never inside a surrogate pair.
static void StoreWideName(ZipEntry* entry, const wchar_t* name, int units) {
  if (units > kMaxNameUnits) {
    units = kMaxNameUnits;
    if (IS_HIGH_SURROGATE(name[units - 1])) units--;
  }
  memcpy(entry->wideName, name, units * sizeof(wchar_t));
  entry->wideName[units] = 0;
}

static void DecodeRawName(ZipEntry* entry) {
  wchar_t wide[kZipRawNameBytes];
  bool utf8 = (entry->flags & ZIPFLAG_UTF8) || IsUtf8Name(entry->rawName);
  if (utf8) {
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, entry->rawName, -1, wide, kZipRawNameBytes);
    if (n > 0) {
      StoreWideName(entry, wide, n - 1);
      char narrow[kZipWideNameUnits];
      int m = WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK | WC_DEFAULTCHAR, entry->wideName, -1, narrow,
                                  kZipWideNameUnits, nullptr, nullptr);
      if (m > 0) memcpy(entry->rawName, narrow, m);
      return;
    }
  }
  int n = MultiByteToWideChar(CP_ACP, 0, entry->rawName, -1, wide, kZipRawNameBytes);
  if (n > 0) StoreWideName(entry, wide, n - 1);
}

// Scans forward from the next central position to a central signature.
static int64_t FindCentralSignature() {
  if (!ArchiveSeek(g_Sfx.NextCentral)) return -1;
  uint32_t last = 0;
  uint8_t c;
  while (ArchiveRead(&c, 1) == 1) {
    last = last >> 8 | (uint32_t)c << 24;
    if (last == kCentralSignature) return ArchiveTell();
  }
  return -1;
}

// The central record at the next central position with its extra fields:
// 1, or 0 when none is left (the next central position becomes 0). *start
// is where the record's signature stands.
static int ReadCentralRecord(ZipEntry* entry, uint8_t* scratch, int64_t* start) {
  uint8_t b[42];
  int64_t at = FindCentralSignature();
  if (at < 0 || ArchiveRead(b, sizeof b) != (int64_t)sizeof b) {
    g_Sfx.NextCentral = 0;
    return 0;
  }
  *start = at - 4;
  ZipCentralRecord& c = g_Sfx.Central;
  c.versionMadeBy = ReadLe16(b);
  c.versionNeeded = ReadLe16(b + 2);
  c.flags = ReadLe16(b + 4);
  c.method = ReadLe16(b + 6);
  c.dosTime = ReadLe16(b + 8);
  c.dosDate = ReadLe16(b + 10);
  c.crc32 = ReadLe32(b + 12);
  c.compressedSize = ReadLe32(b + 16);
  c.uncompressedSize = ReadLe32(b + 20);
  c.nameLength = ReadLe16(b + 24);
  c.extraLength = ReadLe16(b + 26);
  c.commentLength = ReadLe16(b + 28);
  c.diskStart = ReadLe16(b + 30);
  c.internalAttributes = ReadLe16(b + 32);
  c.externalAttributes = ReadLe32(b + 34);
  c.localHeaderOffset = ReadLe32(b + 38);
  int64_t record = at + (int64_t)sizeof b;
  g_Sfx.NextCentral = record + c.nameLength + c.extraLength + c.commentLength;
  if (c.extraLength > 0 && ArchiveSeek(record + c.nameLength)) {
    uint32_t n = c.extraLength < kZipScratchBytes ? c.extraLength : kZipScratchBytes;
    int64_t got = ArchiveRead(scratch, n);
    if (got > 0) {
      if (entry->rawName[0]) entry->wideName[0] = 0;
      ParseExtraFields(entry, scratch, (uint32_t)got, 0);
    }
  }
  return 1;
}

int DecodeEntryName(ZipEntry* entry, uint8_t* scratch) {
  g_Sfx.CentralMatched = false;
  if (g_Sfx.NextCentral == 0) {
    size_t n = strlen(entry->rawName);
    if (n > 0 && (entry->rawName[n - 1] == '/' || entry->rawName[n - 1] == '\\')) return FILE_ATTRIBUTE_DIRECTORY;
    return FILE_ATTRIBUTE_ARCHIVE;
  }
  // Each local header has its own central record. A record for an earlier
  // header (one that could not be read) is passed over; one for a later
  // header means this one is none of the archive's (a stray signature in
  // data or in the bytes in front of the zip) and stays for its own.
  ZipEntry before = *entry;  // a passed-over record's extra fields must not stay
  for (;;) {
    *entry = before;
    int64_t start = 0;
    int rc = ReadCentralRecord(entry, scratch, &start);
    if (rc <= 0) return 0;
    // A record pointing beyond the archive belongs to no header: passed over.
    uint64_t offset = g_Sfx.Central.localHeaderOffset;
    if (offset > (uint64_t)ArchiveSize()) continue;
    int64_t local = (int64_t)offset + g_Sfx.Shift;
    if (local == entry->headerPosition) break;
    if (local > entry->headerPosition) {
      // Kept for its own header; the search resumes at the record itself,
      // so stray signatures never scan the same bytes again.
      g_Sfx.NextCentral = start;
      return -1;
    }
  }
  const ZipCentralRecord& c = g_Sfx.Central;
  g_Sfx.CentralMatched = true;
  if (entry->rawName[0] && !entry->wideName[0]) DecodeRawName(entry);
  if (entry->extraLength == 0) entry->extraLength = c.extraLength;
  // Behind a data descriptor the local values are placeholders (a writer to
  // a pipe may even store the time as CRC); the central record has the truth.
  bool descriptor = (entry->flags & ZIPFLAG_DESCRIPTOR) != 0;
  if (descriptor || entry->crc32 == 0) entry->crc32 = c.crc32;
  if (descriptor || entry->compressedSize == 0 || entry->compressedSize == kZip64Marker)
    entry->compressedSize = c.compressedSize;
  if (descriptor || entry->uncompressedSize == 0 || entry->uncompressedSize == kZip64Marker)
    entry->uncompressedSize = c.uncompressedSize;
  return (int)(c.externalAttributes & 0xFF & ~0x08u);
}

static int64_t FiletimeToUnix(uint64_t ft) {
  return ft > (uint64_t)kFiletimeTo1970 ? (int64_t)(ft - kFiletimeTo1970) / 10000000 : 0;
}

static int IsStrongAlgorithm(uint16_t id) {
  static const uint16_t known[] = {0x6601, 0x6602, 0x6603, 0x6609, 0x660E, 0x660F, 0x6610, 0x6702, 0x6801};
  for (uint16_t k : known)
    if (k == id) return 1;
  return 0;
}

// Zip64 values stand in a fixed order, each only when its 32-bit field holds
// the marker; a field too short for the next value ends the read.
static void ReadZip64Field(const uint8_t* f, uint32_t size, uint64_t* uncompressed, uint64_t* compressed,
                           uint64_t* offset) {
  uint32_t at = 0;
  uint64_t* slots[3] = {uncompressed, compressed, offset};
  for (uint64_t* slot : slots) {
    if (!slot || *slot != kZip64Marker) continue;
    if (size - at < 8) return;
    *slot = ReadLe64(f + at);
    at += 8;
  }
}

void ParseExtraFields(ZipEntry* entry, const uint8_t* data, uint32_t length, int local) {
  entry->accessTime = entry->creationTime = entry->writeTime = 0;
  uint32_t at = 0;
  while (length - at > 4) {
    uint16_t id = ReadLe16(data + at), size = ReadLe16(data + at + 2);
    at += 4;
    if (size > length - at) break;
    const uint8_t* f = data + at;
    switch (id) {
      case 0x0001:
        if (local)
          ReadZip64Field(f, size, &entry->uncompressedSize, &entry->compressedSize, nullptr);
        else
          ReadZip64Field(f, size, &g_Sfx.Central.uncompressedSize, &g_Sfx.Central.compressedSize,
                         &g_Sfx.Central.localHeaderOffset);
        break;
      case 0x000A:
        if (size >= 32 && ReadLe16(f + 4) == 1 && ReadLe16(f + 6) == 24) {
          entry->writeTime = FiletimeToUnix(ReadLe64(f + 8));
          entry->accessTime = FiletimeToUnix(ReadLe64(f + 16));
          entry->creationTime = FiletimeToUnix(ReadLe64(f + 24));
        }
        break;
      case 0x0017:
        entry->cipher = 0;
        if (size >= 8 && IsStrongAlgorithm(ReadLe16(f + 2))) entry->cipher = ReadLe16(f + 2);
        break;
      case 0x7075:
        if (!entry->wideName[0] && size >= 5 && f[0] <= 1 &&
            ReadLe32(f + 1) == UpdateCrc32(0, entry->rawName, strlen(entry->rawName))) {
          uint32_t n = size - 5u < (uint32_t)kMaxNameUnits ? size - 5u : (uint32_t)kMaxNameUnits;
          memcpy(entry->rawName, f + 5, n);
          entry->rawName[n] = 0;
          wchar_t wide[kZipRawNameBytes];
          int units = MultiByteToWideChar(CP_UTF8, 0, entry->rawName, -1, wide, kZipRawNameBytes);
          if (units > 0) StoreWideName(entry, wide, units - 1);
        }
        break;
      case 0x9901:
        if (size >= 7) {
          entry->cipher = f[4];
          entry->method = ReadLe16(f + 5);
        }
        break;
      default:  // padding 0xA220 and every other field
        break;
    }
    at += size;
  }
}

int IsUtf8Name(const char* name) {
  const uint8_t* p = (const uint8_t*)name;
  int extra = 0, sequences = 0;
  bool firstChecked = false;
  uint8_t singleLead = 0;
  for (size_t i = 0; p[i]; i++) {
    if (p[i] == '\n') {
      extra = sequences = 0;
      continue;
    }
    int ones = 0;
    while (ones < 8 && (p[i] & (0x80 >> ones))) ones++;
    if (ones == 0) continue;
    if (ones == 1 || ones > 4) return 0;
    for (int k = 1; k < ones; k++)
      if ((p[i + k] & 0xC0) != 0x80) return 0;  // also stops at the terminator
    if (!firstChecked) {
      firstChecked = true;
      // Shift-JIS text can pass as UTF-8; these patterns are kana, not text in UTF-8.
      if (IsDBCSLeadByte(p[i]) && p[i + 1] && p[i + 2] && p[i + 3] && p[i + 2] == 0x82 && !IsDBCSLeadByte(p[i + 3]) &&
          (p[i + 3] & 0x50) && !(p[i] == 0xE3 && (p[i + 1] >= 0x81 && p[i + 1] <= 0x83)))
        return 0;
    }
    if (sequences == 0) singleLead = p[i];
    sequences++;
    extra += ones - 1;
    i += ones - 1;
  }
  if (extra == 0) return 0;
  if (extra == 1) return !IsDBCSLeadByte(singleLead);
  return 1;
}
