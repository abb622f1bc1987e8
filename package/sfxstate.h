// The package program's one process-wide state record: the open archive and
// its central directory walk, the current entry's decryption, the output end
// of the data pipeline and the Deflate64 decoder's cached tables.
#pragma once
#include <windows.h>
#include <stdint.h>

#include "package/crypto.h"

const int kZipRawNameBytes = 1040;
const int kZipWideNameUnits = 520;
const int kZipScratchBytes = 2048;
const int kWorkBufferBytes = 131072;

// Abort values shared by the worker and the dialogs.
const LONG ABORT_NONE = 0;
const LONG ABORT_CANCELLED = 100;
const LONG ABORT_ERROR = -1;

struct ZipEntry {
  uint16_t versionNeeded;
  uint16_t flags;
  uint16_t method;
  uint16_t dosTime;
  uint16_t dosDate;
  uint32_t crc32;
  uint64_t compressedSize;
  uint64_t uncompressedSize;
  uint16_t nameLength;
  uint16_t extraLength;
  uint32_t attributes;
  int64_t accessTime;
  int64_t creationTime;
  int64_t writeTime;
  char rawName[kZipRawNameBytes];
  wchar_t wideName[kZipWideNameUnits];
  uint32_t cipher;
  // Where the entry lies: its local signature, its stored data, and the
  // stored size before decryption set-up lowers compressedSize.
  int64_t headerPosition;
  int64_t dataPosition;
  uint64_t storedSize;
};

struct ZipCentralRecord {
  uint16_t versionMadeBy, versionNeeded, flags, method, dosTime, dosDate;
  uint32_t crc32;
  uint64_t compressedSize, uncompressedSize;
  uint16_t nameLength, extraLength, commentLength;
  uint32_t diskStart;
  uint16_t internalAttributes;
  uint32_t externalAttributes;
  uint64_t localHeaderOffset;
};

// Buffered reads over the archive file, 64-bit positions.
struct ArchiveStream {
  HANDLE File;
  uint64_t Size;
  uint64_t BufferStart;  // file position of Buffer[0]
  uint32_t BufferLength, BufferAt;
  uint8_t Buffer[65536];
};

struct AesState {
  uint8_t Counter[16];
  uint8_t KeyStream[16];
  uint32_t Position;  // in KeyStream, 16 = used up
  AesContext Aes;
  HmacSha1Context Hmac;
};

struct HuffEntry;  // deflate64.cpp

struct SfxState {
  volatile LONG ExtractAbortCode;
  int LastErrorString;  // resource string of a refusal the program should show, 0 none

  // Archive reader.
  ArchiveStream Archive;
  int64_t NextCentral;  // 0 = no central directory known
  int64_t Shift;        // added to stored offsets: bytes in front of the zip
  ZipCentralRecord Central;
  bool CentralMatched;  // Central belongs to the current entry

  // Decryption of the current entry.
  bool DecryptOn;
  uint32_t Keys[3];
  int64_t AesDataLength;
  uint8_t AesStrength;
  uint8_t Salt[16];
  uint8_t Verifier[2];
  AesState AesCtx;
  int32_t CodeState;

  // Output end.
  const uint32_t* CrcTable;
  uint32_t OutputCrc;
  HANDLE OutputFile;
  uint64_t OutputWritten;
  uint64_t OutputLimit;  // the entry's declared uncompressed size
  int OutputFault;       // ENTRY_* of a write that failed or ran past the limit
  HWND ProgressWindow;

  // Deflate64 tables of the fixed code, kept for the run.
  HuffEntry* FixedLiterals;
  HuffEntry* FixedDistances;
  int FixedLiteralBits, FixedDistanceBits;
};

extern SfxState g_Sfx;
