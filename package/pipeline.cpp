#include "package/pipeline.h"

#include <string.h>
#include <zlib.h>

#include "common/zip.h"
#include "package/decrypt.h"
#include "package/deflate64.h"
#include "package/stream.h"

const uint32_t kStoredBlock = 65536;
const uint32_t kInflateHalf = kWorkBufferBytes / 2;  // output area, then input area
const UINT WM_SFX_PROGRESS = WM_USER + 2;

void MakeCrcTable() { g_Sfx.CrcTable = (const uint32_t*)get_crc_table(); }

uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t length) { return ZipCrc32(crc, data, length); }

void ResetOutputCrc() { g_Sfx.OutputCrc = 0; }

int64_t ReadEntryData(void* buffer, uint64_t count) {
  int64_t got = ArchiveRead(buffer, count);
  if (got > 0 && g_Sfx.DecryptOn) DecryptEntryBytes(static_cast<uint8_t*>(buffer), (size_t)got);
  return got;
}

void BeginEntryOutput(HANDLE file, uint64_t uncompressedSize) {
  g_Sfx.OutputFile = file;
  g_Sfx.OutputWritten = 0;
  g_Sfx.OutputLimit = uncompressedSize;
  g_Sfx.OutputFault = ENTRY_OK;
  ResetOutputCrc();
}

int WriteEntryData(const void* data, uint32_t count) {
  if (g_Sfx.ExtractAbortCode != ABORT_NONE || g_Sfx.OutputFault != ENTRY_OK) return -1;
  uint64_t room = g_Sfx.OutputLimit - g_Sfx.OutputWritten;
  uint32_t n = count <= room ? count : (uint32_t)room;
  if (n > 0) {
    g_Sfx.OutputCrc = UpdateCrc32(g_Sfx.OutputCrc, data, n);
    DWORD wrote = 0;
    if (!WriteFile(g_Sfx.OutputFile, data, n, &wrote, nullptr) || wrote != n) {
      g_Sfx.OutputFault = ENTRY_WRITE;
      return -1;
    }
    g_Sfx.OutputWritten += n;
  }
  if (g_Sfx.ProgressWindow)
    PostMessageW(g_Sfx.ProgressWindow, WM_SFX_PROGRESS, (WPARAM)(ArchiveTell() / 10240), 0);
  if (n < count) {
    g_Sfx.OutputFault = ENTRY_TOO_LONG;
    return -1;
  }
  return (int)count;
}

void CopyStoredEntry(uint64_t compressedSize, uint8_t* buffer) {
  uint64_t left = compressedSize;
  while (left > 0) {
    uint32_t n = left < kStoredBlock ? (uint32_t)left : kStoredBlock;
    int64_t got = ReadEntryData(buffer, n);
    if (got <= 0) return;
    if (WriteEntryData(buffer, (uint32_t)got) < 0) return;
    left -= (uint64_t)got;
  }
}

// 1 when the stream ended where it should, 0 for broken or cut-off data.
static int InflateLoop(uint64_t compressedSize, uint8_t* buffer) {
  uint8_t* out = buffer;
  uint8_t* in = buffer + kInflateHalf;
  uint64_t left = compressedSize;
  z_stream z;
  memset(&z, 0, sizeof z);
  if (inflateInit2(&z, -15) != Z_OK) return 0;
  int ended = 0;
  for (;;) {
    if (z.avail_in == 0 && left > 0) {
      uint32_t n = left < kInflateHalf ? (uint32_t)left : kInflateHalf;
      int64_t got = ReadEntryData(in, n);
      if (got <= 0) {
        left = 0;  // a failed read ends the input
      } else {
        left -= (uint64_t)got;
        z.next_in = in;
        z.avail_in = (uInt)got;
      }
    }
    z.next_out = out;
    z.avail_out = kInflateHalf;
    int rc = inflate(&z, Z_SYNC_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) break;
    uint32_t produced = kInflateHalf - z.avail_out;
    if (produced > 0 && WriteEntryData(out, produced) < 0) break;
    if (rc == Z_STREAM_END) {
      ended = 1;
      break;
    }
    // No progress and nothing more to read: the stream is cut short.
    if (rc == Z_BUF_ERROR && z.avail_in == 0 && left == 0) break;
  }
  inflateEnd(&z);
  return ended;
}

void InflateEntry(uint64_t compressedSize, uint8_t* buffer) {
  // No data: no output, judged by size and CRC as any other entry.
  if (compressedSize == 0) return;
  if (!InflateLoop(compressedSize, buffer) && g_Sfx.OutputFault == ENTRY_OK && g_Sfx.ExtractAbortCode == ABORT_NONE)
    g_Sfx.OutputFault = ENTRY_DATA;
}

int ExtractEntry(const ZipEntry* entry, HANDLE file, uint8_t* buffer) {
  BeginEntryOutput(file, entry->uncompressedSize);
  switch (entry->method) {
    case ZIPMETHOD_STORED:
      CopyStoredEntry(entry->compressedSize, buffer);
      break;
    case ZIPMETHOD_DEFLATE:
      InflateEntry(entry->compressedSize, buffer);
      break;
    case ZIPMETHOD_DEFLATE64:
      if (InflateDeflate64Entry(entry->compressedSize) != INFLATE_OK && g_Sfx.OutputFault == ENTRY_OK &&
          g_Sfx.ExtractAbortCode == ABORT_NONE)
        g_Sfx.OutputFault = ENTRY_DATA;
      break;
    default:
      return ENTRY_METHOD;
  }
  if (g_Sfx.ExtractAbortCode != ABORT_NONE && g_Sfx.OutputFault == ENTRY_OK) return ENTRY_ABORTED;
  if (g_Sfx.OutputFault != ENTRY_OK) return g_Sfx.OutputFault;
  if (g_Sfx.OutputWritten != entry->uncompressedSize) return ENTRY_SHORT;
  if (g_Sfx.AesDataLength != 0) {
    if (entry->storedSize > (uint64_t)(INT64_MAX - entry->dataPosition)) return ENTRY_AUTH;
    int64_t end = entry->dataPosition + (int64_t)entry->storedSize;
    return VerifyAesCode(end) == 0 ? ENTRY_OK : ENTRY_AUTH;
  }
  return g_Sfx.OutputCrc == entry->crc32 ? ENTRY_OK : ENTRY_CRC;
}
