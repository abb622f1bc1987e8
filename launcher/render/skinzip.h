// Members of a zipped skin: the archive held whole in memory, skin.xml found
// at the root or in a folder (which then prefixes every later lookup), and
// members unpacked into fresh heap blocks.
#pragma once
#include <windows.h>

#include "common/zip.h"

// Largest member the skin reader unpacks (also the largest skin image file).
const DWORD kMaxSkinMemberBytes = 64u << 20;
const int kZipPrefixBytes = 260;

struct SkinArchive {
  BYTE* Data;      // process heap; null: no archive open
  DWORD Length;
  char* Prefix;    // kZipPrefixBytes zeroed bytes of process heap, ANSI; null: none
};

// Takes over a heap block of the process heap as the open archive (the one
// open before is freed).
void OpenSkinArchive(BYTE* data, DWORD length);
// Frees the archive and its folder prefix.
void CloseSkinArchive();

// Finds a member by name (ASCII case ignored). With findSkinXml only the part
// behind the member's last '/' is compared, and a match inside a folder makes
// that folder the prefix of later lookups. Members whose names would leave
// the archive's tree, or are 260 bytes or longer, are passed over; an
// encrypted, Zip64, data-descriptor or cut-off member ends the walk. 1 or 0.
int FindZipEntry(const wchar_t* name, ZipLocalHeader* header, int findSkinXml);
// The member's bytes in a block of the process heap with two zero bytes
// behind them; the uncompressed size, or 0 with no block handed out.
DWORD ExtractZipEntry(const ZipLocalHeader* header, BYTE** buffer);
