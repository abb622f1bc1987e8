#include "render/icons.h"

#include <shellapi.h>
#include <shlwapi.h>
#include <string.h>

#include "render/draw.h"
#include "store/paths.h"

static const BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const int kMaxIconSide = 1024;
const DWORD kMaxIcoFileBytes = 64u << 20;
const DWORD kReadChunk = 64u << 10;

DWORD ReadWholeFile(const wchar_t* path, HANDLE heap, BYTE** block, DWORD maxBytes) {
  *block = nullptr;
  HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 0;
  LARGE_INTEGER size;
  DWORD got = 0;
  if (GetFileSizeEx(f, &size) && size.QuadPart > 0 && size.QuadPart < (LONGLONG)maxBytes) {
    DWORD n = (DWORD)size.QuadPart;
    BYTE* data = (BYTE*)HeapAlloc(heap, 0, (SIZE_T)n + 2);
    if (data) {
      // Moderate reads: one read of many megabytes is far slower under Wine.
      DWORD at = 0, read = 0;
      while (at < n && ReadFile(f, data + at, n - at < kReadChunk ? n - at : kReadChunk, &read, nullptr) && read)
        at += read;
      if (at == n) {
        data[n] = data[n + 1] = 0;
        *block = data;
        got = n;
      } else {
        HeapFree(heap, 0, data);
      }
    }
  }
  CloseHandle(f);
  return got;
}

int ExtractItemIcon(wchar_t* path) {
  if (!path || !*path) return 0;
  PathUnquoteSpacesW(path);
  wchar_t* full = ExpandFullPath(path);
  if (!full) return 0;
  int count = (int)ExtractIconExW(full, -1, nullptr, nullptr, 0);
  // Some systems count no icons in a plain .ico file.
  if (count <= 0 && !wcscmp(PathFindExtensionW(full), L".ico")) count = 1;
  HeapFree(GetProcessHeap(), 0, full);
  return count;
}

// ---------------------------------------------------------------------------
// Image resources

static int IsPng(const BYTE* bits, DWORD length) {
  return length >= sizeof kPngSignature && !memcmp(bits, kPngSignature, sizeof kPngSignature);
}

int CheckIconImage(const BYTE* bits, DWORD length, int exact) {
  if (!bits) return 0;
  if (IsPng(bits, length)) return !exact && length >= 8 + 25;  // signature and IHDR
  BITMAPINFOHEADER h;
  if (length < sizeof h) return 0;
  memcpy(&h, bits, sizeof h);
  if (h.biSize < sizeof h || h.biSize > length || (exact && h.biSize != sizeof h)) return 0;
  if (h.biWidth < 1 || h.biWidth > kMaxIconSide || h.biHeight < 2 || h.biHeight > 2 * kMaxIconSide) return 0;
  if (h.biPlanes != 1 || (exact && (h.biHeight & 1))) return 0;
  int bpp = h.biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return 0;
  ULONGLONG masks = 0;
  if (h.biCompression == BI_BITFIELDS && !exact && (bpp == 16 || bpp == 32)) {
    if (h.biSize == sizeof h) masks = 12;
  } else if (h.biCompression != BI_RGB) {
    return 0;
  }
  ULONGLONG table;
  if (bpp <= 8) {
    ULONGLONG full = 1ull << bpp;
    if (h.biClrUsed > full || (exact && h.biClrUsed && h.biClrUsed != full)) return 0;
    table = exact || !h.biClrUsed ? full : h.biClrUsed;
  } else {
    if (h.biClrUsed > 256 || (exact && h.biClrUsed)) return 0;
    table = h.biClrUsed;
  }
  ULONGLONG w = (ULONGLONG)h.biWidth, rows = (ULONGLONG)h.biHeight / 2;
  ULONGLONG colour = ((w * bpp + 31) / 32) * 4 * rows;
  ULONGLONG mask = ((w + 31) / 32) * 4 * rows;
  ULONGLONG needed = h.biSize + masks + table * 4 + colour + mask;
  if (exact) return needed == length && h.biSizeImage == colour;
  return needed <= length;
}

HICON IconFromImage(const BYTE* bits, DWORD length) {
  int width = 0, height = 0, bpp = 32;
  if (!IsPng(bits, length)) {
    BITMAPINFOHEADER h;
    memcpy(&h, bits, sizeof h);
    width = h.biWidth;
    height = h.biHeight / 2;
    bpp = h.biBitCount;
  }
  HICON icon = CreateIconFromResourceEx((PBYTE)bits, length, TRUE, 0x30000, width, height, LR_DEFAULTCOLOR);
  if (!icon && bpp != 16) icon = CreateIconFromResource((PBYTE)bits, length, TRUE, 0x30000);
  return icon;
}

// ---------------------------------------------------------------------------
// .ico files

int ReadIcoDirectory(const BYTE* data, size_t size, IcoEntry* out, int max) {
  if (!data || size < 6) return -1;
  WORD head[3];
  memcpy(head, data, sizeof head);
  if (head[0] != 0 || head[1] != 1 || head[2] == 0) return -1;
  if (6 + 16 * (size_t)head[2] > size) return -1;
  int n = 0;
  for (int i = 0; i < head[2] && n < max; i++) {
    const BYTE* e = data + 6 + 16 * i;
    DWORD bytes, offset;
    memcpy(&bytes, e + 8, 4);
    memcpy(&offset, e + 12, 4);
    if (offset > size || bytes > size - offset || !CheckIconImage(data + offset, bytes, 0)) continue;
    IcoEntry& o = out[n++];
    o.Width = e[0] ? e[0] : 256;
    o.Height = e[1] ? e[1] : 256;
    WORD dirBits;
    memcpy(&dirBits, e + 6, 2);
    o.BitCount = dirBits;
    if (!IsPng(data + offset, bytes)) {
      WORD imageBits;
      memcpy(&imageBits, data + offset + 14, 2);
      o.BitCount = imageBits;
    } else if (!o.BitCount) {
      o.BitCount = 32;
    }
    o.Bytes = bytes;
    o.Offset = offset;
  }
  return n;
}

int SelectIcoEntry(const IcoEntry* entries, int count, int a, int screenBits) {
  if (count <= 0) return -1;
  int best = 0;
  for (int i = 0; i < count; i++) {
    const IcoEntry& e = entries[i];
    if (e.Width == a && e.Height == a && e.BitCount == screenBits) return i;
    if (i == 0) continue;
    const IcoEntry& b = entries[best];
    bool larger = e.Width > a || e.Height > a;
    bool bestLarger = b.Width > a || b.Height > a;
    if ((larger && e.Width < b.Width && e.Height < b.Height) ||
        (!larger && (bestLarger || (e.Width > b.Width && e.Height > b.Height))) ||
        (e.Width == b.Width && e.Height == b.Height && e.BitCount > b.BitCount &&
         (e.BitCount < screenBits || (screenBits == 24 && e.BitCount == 32))))
      best = i;
  }
  return best;
}

static int ScreenBits() {
  HDC dc = GetDC(nullptr);
  int bits = dc ? GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) : 32;
  if (dc) ReleaseDC(nullptr, dc);
  return bits;
}

HICON LoadIcoFile(const wchar_t* file, int size) {
  HANDLE heap = GetProcessHeap();
  BYTE* data;
  DWORD n = ReadWholeFile(file, heap, &data, kMaxIcoFileBytes);
  if (!n) return nullptr;
  HICON icon = nullptr;
  IcoEntry* entries = (IcoEntry*)HeapAlloc(heap, 0, 65535 * sizeof(IcoEntry));
  if (entries) {
    int count = ReadIcoDirectory(data, n, entries, 65535);
    int pick = SelectIcoEntry(entries, count, size, ScreenBits());
    if (pick >= 0) icon = IconFromImage(data + entries[pick].Offset, entries[pick].Bytes);
    HeapFree(heap, 0, entries);
  }
  HeapFree(heap, 0, data);
  return icon;
}

// ---------------------------------------------------------------------------
// Modules

struct GroupSearch {
  int Wanted;
  int Seen;
  LPWSTR Name;  // an id, or a heap copy of the name
};

static BOOL CALLBACK FindGroup(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) {
  GroupSearch* s = (GroupSearch*)param;
  if (s->Seen++ < s->Wanted) return TRUE;
  if (IS_INTRESOURCE(name)) {
    s->Name = name;
  } else {
    size_t n = wcslen(name);
    s->Name = (LPWSTR)HeapAlloc(GetProcessHeap(), 0, (n + 1) * sizeof(wchar_t));
    if (s->Name) memcpy(s->Name, name, (n + 1) * sizeof(wchar_t));
  }
  return FALSE;
}

static HICON IconFromGroup(HMODULE module, LPCWSTR group, int size) {
  HRSRC found = FindResourceW(module, group, RT_GROUP_ICON);
  if (!found) return nullptr;
  DWORD bytes = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const BYTE* dir = loaded ? (const BYTE*)LockResource(loaded) : nullptr;
  if (!dir || bytes < 6) return nullptr;
  WORD count;
  memcpy(&count, dir + 4, 2);
  // A group entry is 14 bytes; the lookup trusts the count.
  if (!count || 6 + 14 * (DWORD)count > bytes) return nullptr;
  int id = LookupIconIdFromDirectoryEx((PBYTE)dir, TRUE, size, size, LR_DEFAULTCOLOR);
  if (!id) return nullptr;
  HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(id), RT_ICON);
  if (!image) return nullptr;
  DWORD length = SizeofResource(module, image);
  HGLOBAL imageData = LoadResource(module, image);
  const BYTE* bits = imageData ? (const BYTE*)LockResource(imageData) : nullptr;
  if (!bits || !CheckIconImage(bits, length, 0)) return nullptr;
  return IconFromImage(bits, length);
}

HICON LoadIconFromModule(const wchar_t* file, int index, int size) {
  if (!file || !*file) return nullptr;
  HICON icon = nullptr;
  if (size == 16 || size == 32) {
    if (ExtractIconExW(file, index, size == 32 ? &icon : nullptr, size == 16 ? &icon : nullptr, 1) && icon)
      return icon;
    icon = nullptr;
  }
  const wchar_t* ext = PathFindExtensionW(file);
  if (_wcsicmp(ext, L".ico")) {
    HMODULE module = LoadLibraryExW(
        file, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH | LOAD_LIBRARY_AS_DATAFILE | DONT_RESOLVE_DLL_REFERENCES);
    if (module) {
      if (index < 0) {
        icon = IconFromGroup(module, MAKEINTRESOURCEW(-index), size);
      } else {
        GroupSearch s = {index, 0, nullptr};
        EnumResourceNamesW(module, RT_GROUP_ICON, FindGroup, (LONG_PTR)&s);
        if (s.Name) {
          icon = IconFromGroup(module, s.Name, size);
          if (!IS_INTRESOURCE(s.Name)) HeapFree(GetProcessHeap(), 0, s.Name);
        }
      }
      FreeLibrary(module);
    }
  } else {
    icon = LoadIcoFile(file, size);
  }
  if (!icon) {
    HICON got = nullptr;
    if (ExtractIconExW(file, index, size > 16 ? &got : nullptr, size > 16 ? nullptr : &got, 1) && got) icon = got;
  }
  return icon;
}

// ---------------------------------------------------------------------------
// Serialising

struct DibInfo {
  BITMAPINFOHEADER Header;
  RGBQUAD Colors[256];
};

static ULONGLONG RowBytes(LONG width, int bpp) { return (((ULONGLONG)width * bpp + 31) / 32) * 4; }

int SerializeIcon(HICON icon, HANDLE heap, BYTE** image, DWORD* length) {
  *image = nullptr;
  *length = 0;
  ICONINFO ii;
  if (!icon || !GetIconInfo(icon, &ii)) return 0;
  int ok = 0;
  HDC dc = GetDC(nullptr);
  BITMAP colourBm, maskBm;
  // An icon without a colour bitmap (monochrome) is not kept.
  if (dc && ii.hbmColor && GetObjectW(ii.hbmColor, sizeof colourBm, &colourBm) &&
      GetObjectW(ii.hbmMask, sizeof maskBm, &maskBm)) {
    LONG w = colourBm.bmWidth, h = colourBm.bmHeight;
    DibInfo bi = {};
    bi.Header.biSize = sizeof bi.Header;
    GetDIBits(dc, ii.hbmColor, 0, 0, nullptr, (BITMAPINFO*)&bi, DIB_RGB_COLORS);
    int bpp = bi.Header.biBitCount;
    if (bpp == 16 || bpp > 8) bpp = bpp == 24 ? 24 : 32;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) bpp = 32;
    int table = bpp <= 8 ? 1 << bpp : 0;
    ULONGLONG colourBytes = RowBytes(w, bpp) * h;
    ULONGLONG maskBytes = RowBytes(w, 1) * h;
    ULONGLONG headerBytes = sizeof(BITMAPINFOHEADER) + 4ull * table;
    ULONGLONG total = headerBytes + colourBytes + maskBytes;
    bool usable = w > 0 && h > 0 && w <= kMaxIconSide && h <= kMaxIconSide && maskBm.bmWidth == w;
    BYTE* out = usable ? (BYTE*)HeapAlloc(heap, HEAP_ZERO_MEMORY, (SIZE_T)total) : nullptr;
    if (usable && !out) ok = -1;
    if (out) {
      // Mask: 1 bit per pixel, white (1) where the screen shows through.
      DibInfo mi = {};
      mi.Header = DibHeader(w, h, 1);
      int maskRows = GetDIBits(dc, ii.hbmMask, 0, h, out + headerBytes + colourBytes, (BITMAPINFO*)&mi, DIB_RGB_COLORS);
      memset(&bi, 0, sizeof bi);
      bi.Header = DibHeader(w, h, (WORD)bpp);
      int colourRows = GetDIBits(dc, ii.hbmColor, 0, h, out + headerBytes, (BITMAPINFO*)&bi, DIB_RGB_COLORS);
      if (maskRows == h && colourRows == h) {
        bi.Header.biHeight = 2 * h;
        bi.Header.biCompression = BI_RGB;
        bi.Header.biSizeImage = (DWORD)colourBytes;
        bi.Header.biClrUsed = bi.Header.biClrImportant = 0;
        memcpy(out, &bi, (size_t)headerBytes);
        *image = out;
        *length = (DWORD)total;
        ok = 1;
      } else {
        HeapFree(heap, 0, out);
      }
    }
  }
  if (dc) ReleaseDC(nullptr, dc);
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  if (ii.hbmMask) DeleteObject(ii.hbmMask);
  return ok;
}
