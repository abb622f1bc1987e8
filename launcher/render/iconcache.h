// The icon cache VnIcons.bin in the data folder: the rendered icons of every
// button, so that a start need not ask the shell for each of them.
//
// Layout (little-endian): "VNICON\0", one pad byte, int32 container count
// (pages + child menus); then per container, pages first: int32 block size
// (header included), int32 image count, and per button its first icon,
// first overlay (when it has an overlay file), second icon, second overlay,
// each as int32 length + icon image resource. A length of 0 stands for an
// icon that could not be made.
#pragma once
#include <windows.h>

const wchar_t kIconCacheName[] = L"VnIcons.bin";

// Writes the cache from the buttons' icons; rebuild: reload every icon first
// (except those of buttons that keep theirs). 1 written, 0 not (the old file stays).
int SaveIconCache(int rebuild);
// Sets every button's icons from the cache. 0 when the file is missing,
// damaged or written for other buttons; no button is changed then. The
// file stays in memory (the store's IconImages) and each icon is made from
// its image when first needed (MakeCachedIcons).
int LoadIconCache();
// Makes the icons of view mode 0 or 1 (-1: both) and their overlays that
// still wait for their cache images. A button whose image the system will
// not take loads its icons from their source instead.
struct ButtonInfo;
void MakeCachedIcons(ButtonInfo* b, int mode);

// Writes of the cache file go through here so a test can make them fail.
struct IconCacheSeams {
  BOOL(WINAPI* WriteFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
};
extern IconCacheSeams g_IconCacheSeams;
