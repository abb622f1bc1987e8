#include "common/versioninfo.h"

#include <string.h>

int ReadFileFixedVersion(const wchar_t* path, VS_FIXEDFILEINFO* out) {
  HMODULE module = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | DONT_RESOLVE_DLL_REFERENCES |
                                                     LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module) return 0;
  int found = 0;
  HRSRC info = FindResourceW(module, MAKEINTRESOURCEW(1), (LPCWSTR)RT_VERSION);
  HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
  const BYTE* data = loaded ? (const BYTE*)LockResource(loaded) : nullptr;
  DWORD size = info ? SizeofResource(module, info) : 0;
  // The fixed part sits behind the key on a 4-byte boundary; its signature
  // marks it wherever the padding put it.
  for (DWORD at = 0; data && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
    DWORD signature;
    memcpy(&signature, data + at, 4);
    if (signature == 0xFEEF04BD) {
      memcpy(out, data + at, sizeof *out);
      found = 1;
      break;
    }
  }
  FreeLibrary(module);
  return found;
}
