// Icon images from icon files and from the icon resources of programs and
// libraries at a wanted pixel size, and icon images as bytes.
#pragma once
#include <windows.h>

// Number of icons in a file (0 none).
int ExtractItemIcon(wchar_t* path);
// An icon of a module, .ico file or anything ExtractIconEx reads; index < 0
// names the icon group resource -index.
HICON LoadIconFromModule(const wchar_t* file, int index, int size);
HICON LoadIcoFile(const wchar_t* file, int size);

// One directory entry of an .ico file, widths of 0 read as 256.
struct IcoEntry {
  int Width;
  int Height;
  int BitCount;
  DWORD Bytes;
  DWORD Offset;
};
// Parses the directory of an .ico file held in data[0..size): entries whose
// image does not lie wholly inside the file are dropped. Returns the number
// of usable entries written to out (at most max); -1 when the header is bad.
int ReadIcoDirectory(const BYTE* data, size_t size, IcoEntry* out, int max);
// The entry that best shows an icon of size pixels on a screen of
// screenBits bits per pixel; -1 when count is 0.
int SelectIcoEntry(const IcoEntry* entries, int count, int size, int screenBits);

// Checks that an icon image resource (BITMAPINFOHEADER, colour table, colour
// bits, mask) or a PNG image fits in length bytes. exact: the parts must fill
// the length and the header's image size must match (icon cache images).
int CheckIconImage(const BYTE* bits, DWORD length, int exact);
// Makes an icon from an image resource checked with CheckIconImage.
HICON IconFromImage(const BYTE* bits, DWORD length);

// The icon as an image resource in a block of heap (colour bits of 16 bits
// stored as 32); 1 on success, 0 for an icon that cannot be kept, -1 when
// the heap is full.
int SerializeIcon(HICON icon, HANDLE heap, BYTE** image, DWORD* length);

// Whole file into a block of heap with 2 zero bytes behind the data; the byte
// count, 0 on failure or for an empty file. Files of maxBytes or more fail.
DWORD ReadWholeFile(const wchar_t* path, HANDLE heap, BYTE** block, DWORD maxBytes = 0x7FFFFFF0);
