#include "render/skinzip.h"

#include "state.h"

static void FreePrefix() {
  SkinArchive& a = g_App.SkinZip;
  if (a.Prefix) HeapFree(GetProcessHeap(), 0, a.Prefix);
  a.Prefix = nullptr;
}

void OpenSkinArchive(BYTE* data, DWORD length) {
  CloseSkinArchive();
  g_App.SkinZip.Data = data;
  g_App.SkinZip.Length = data ? length : 0;
}

void CloseSkinArchive() {
  SkinArchive& a = g_App.SkinZip;
  if (a.Data) HeapFree(GetProcessHeap(), 0, a.Data);
  a.Data = nullptr;
  a.Length = 0;
  FreePrefix();
}

static int AsciiLower(int c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

static int EqualNoCase(const BYTE* a, size_t an, const char* b, size_t bn) {
  if (an != bn) return 0;
  for (size_t i = 0; i < an; i++)
    if (AsciiLower(a[i]) != AsciiLower((BYTE)b[i])) return 0;
  return 1;
}

// Offset of the part behind the last '/' of a member name.
static size_t TailStart(const BYTE* name, size_t n) {
  size_t tail = 0;
  for (size_t i = 0; i < n; i++)
    if (name[i] == '/') tail = i + 1;
  return tail;
}

static int SetPrefix(const BYTE* name, size_t n) {
  char* block = (char*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, kZipPrefixBytes);
  if (!block) return 0;
  FreePrefix();
  memcpy(block, name, n);
  g_App.SkinZip.Prefix = block;
  return 1;
}

int FindZipEntry(const wchar_t* name, ZipLocalHeader* header, int findSkinXml) {
  const SkinArchive& a = g_App.SkinZip;
  if (!a.Data || !name || !header) return 0;
  char wanted[kZipPrefixBytes];
  int used = 0;
  if (!findSkinXml && a.Prefix) {
    used = lstrlenA(a.Prefix);
    if (used >= kZipPrefixBytes) return 0;
    memcpy(wanted, a.Prefix, used);
  }
  int n = WideCharToMultiByte(CP_ACP, 0, name, -1, wanted + used, kZipPrefixBytes - used, nullptr, nullptr);
  if (n <= 0) return 0;
  size_t wantedLength = used + n - 1;

  ZipLocalHeader h;
  for (uint64_t at = 0; ReadZipLocalHeader(a.Data, a.Length, at, &h) == ZIP_OK; at = h.Next) {
    size_t length = h.NameLength;
    if (length >= kZipPrefixBytes || !IsSafeZipName(h.Name, length)) continue;
    size_t tail = findSkinXml ? TailStart(h.Name, length) : 0;
    if (!EqualNoCase(h.Name + tail, length - tail, wanted, wantedLength)) continue;
    if (findSkinXml && tail > 0 && !SetPrefix(h.Name, tail)) return 0;
    *header = h;
    return 1;
  }
  return 0;
}

DWORD ExtractZipEntry(const ZipLocalHeader* header, BYTE** buffer) {
  *buffer = nullptr;
  const SkinArchive& a = g_App.SkinZip;
  if (!a.Data || !header) return 0;
  // Read the header again from the open archive: the caller's copy may come
  // from an archive that is gone.
  ZipLocalHeader h;
  if (ReadZipLocalHeader(a.Data, a.Length, header->Offset, &h) != ZIP_OK) return 0;
  if (h.Method != ZIPMETHOD_STORED && h.Method != ZIPMETHOD_DEFLATE) return 0;
  if (CheckZipMemberSize(h, kMaxSkinMemberBytes) != ZIP_OK || h.UncompressedSize == 0) return 0;
  DWORD size = (DWORD)h.UncompressedSize;
  BYTE* out = (BYTE*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (SIZE_T)size + 2);
  if (!out) return 0;
  if (UnpackZipMember(h, out) != ZIP_OK) {
    HeapFree(GetProcessHeap(), 0, out);
    return 0;
  }
  *buffer = out;
  return size;
}
