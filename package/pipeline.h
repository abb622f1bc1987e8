// Between the archive and the extracted file: the input end reads stored
// bytes and decrypts them in place, the output end adds written bytes to the
// running CRC-32, writes them and reports progress; stored and deflate
// entries are plain loops between the two.
#pragma once
#include <windows.h>
#include <stdint.h>

#include "package/sfxstate.h"

// How an entry's extraction ended.
enum EntryResult {
  ENTRY_OK = 0,
  ENTRY_CRC,       // CRC-32 of the written bytes differs from the entry's
  ENTRY_DATA,      // compressed data broken or cut short
  ENTRY_TOO_LONG,  // the data would give more than the declared size
  ENTRY_SHORT,     // fewer bytes than the declared size
  ENTRY_WRITE,     // the output file could not be written
  ENTRY_METHOD,    // compression method not supported
  ENTRY_ABORTED,
  ENTRY_AUTH,      // WinZip AES authentication code did not match
};

void MakeCrcTable();
uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t length);
void ResetOutputCrc();

// Up to count bytes of the archive at its position, decrypted when
// decryption is on; -1 on a read error.
int64_t ReadEntryData(void* buffer, uint64_t count);
// count or -1 (aborted, failed write, or past the declared size: the bytes
// up to that size are still written and the fault is kept for the entry).
int WriteEntryData(const void* data, uint32_t count);

// Makes file the output of an entry declaring uncompressedSize bytes.
void BeginEntryOutput(HANDLE file, uint64_t uncompressedSize);
void CopyStoredEntry(uint64_t compressedSize, uint8_t* buffer);
void InflateEntry(uint64_t compressedSize, uint8_t* buffer);

// Runs the entry's method from the stream's position (its data, after
// CheckZipPassword) into file, through buffer (kWorkBufferBytes), and judges
// it: size, CRC-32 or authentication code, faults of the output end.
int ExtractEntry(const ZipEntry* entry, HANDLE file, uint8_t* buffer);
