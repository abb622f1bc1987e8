// The archive side of extraction: the end record found from the back (with
// its Zip64 extension), local headers walked from the front, each completed
// by its central record (sizes, CRC, attributes, names, extra fields).
#pragma once
#include <stdint.h>

#include "package/sfxstate.h"

const int kNotSupportedString = 13;  // "not supported archive format."

// 1 with the stream right behind the signature, 0 with it at offset 0.
int FindEndOfCentralDir();
// File position of the central directory (above 0), or 0: refused. The
// stream is left at offset 0.
int64_t OpenZipArchive(int64_t fileSize);
// 1 with the next entry read and the stream at its data, 0 at the end.
// window holds at least 1024 bytes.
int FindNextLocalHeader(ZipEntry* entry, uint8_t* window);
// Called right behind a local signature: 1 entry read, 0 no entry here.
int ReadLocalHeader(ZipEntry* entry, uint8_t* scratch);
// Reads the entry's central record: the entry's attributes, or -1 when that
// record belongs to another local header (the record is left for it).
int DecodeEntryName(ZipEntry* entry, uint8_t* scratch);
void ParseExtraFields(ZipEntry* entry, const uint8_t* data, uint32_t length, int local);
// Whether narrow name bytes are to be read as UTF-8.
int IsUtf8Name(const char* name);
