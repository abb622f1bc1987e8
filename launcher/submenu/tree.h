// The open tree shared by the files of the sub-menu subsystem.
#pragma once
#include <windows.h>

#include "submenu/options.h"
#include "submenu/records.h"

// Heap of one tree: kept by the tree and by every builder still running,
// destroyed by whoever lets go last.
struct SmHeap {
  HANDLE Heap;
  volatile LONG Refs;
};

// SubMenuTree::State bits.
enum : LONG {
  SMTS_CREATING = 0x1,
  SMTS_REBUILDING = 0x2,
  SMTS_CLOSING = 0x4,
  SMTS_DRAGGING = 0x8,
  SMTS_TIPS = 0x10,
  SMTS_REOPEN_PARENT = 0x20,
};

const int kSmFontSlots = 8;
const int kSmOptionChars = 1024;

struct SubMenuTree {
  int Open;
  SmHeap* Heap;
  OpenMenu** Stack;
  int Count;
  volatile LONG State;
  DWORD OpenedTick;
  SubMenuOptions Options;
  wchar_t OptionText[kSmOptionChars + 1];
  SubMenuFontEntry Fonts[kSmFontSlots];
  int FontCount;
  HWND Host;  // takes OpenSubMenu requests from other threads
};
extern SubMenuTree g_SmTree;
extern volatile LONG g_SmBuilders;

void* SmAlloc(SmHeap* heap, size_t bytes);
void SmFree(SmHeap* heap, void* block);
void ReleaseSmHeap(SmHeap* heap);
wchar_t* SmCopyText(SmHeap* heap, const wchar_t* text);

// Per-level owner count: the window and the running builder each hold one;
// the last to let go frees the record (builder.cpp).
struct SmLevelOwners {
  OpenMenu Menu;
  SmHeap* Heap;
  volatile LONG Owners;
};
inline SmLevelOwners* OwnersOf(OpenMenu* m) { return reinterpret_cast<SmLevelOwners*>(m); }
void ReleaseSmLevel(OpenMenu* m);
void FreeSmItem(SmHeap* heap, SmItem* item);
void FreeSmItemArray(SmHeap* heap, SmItem** items, int count);

// builder.cpp
int StartSubMenuBuilder(OpenMenu* m);
// The build on the calling thread (the window thread's second try).
int BuildSubMenuNow(OpenMenu* m);
void DestroyOpenMenu(OpenMenu* m);
// Makes the items the builder finished the level's own, and lays it out
// (window thread).
void AdoptBuiltItems(OpenMenu* m);
// The design values of a level at its DPI.
struct SmMetrics;
void SubMenuMetrics(int dpi, SmMetrics* out);
// The window's layout from its items: size, position, item rectangles.
void SizeAndPlaceSubMenu(OpenMenu* m);

// place.cpp
void PrepareLevelFont(OpenMenu* m);
// 1 while the level's builder thread runs; a finished one's handle is
// closed (window thread).
int SubMenuBuilderRunning(OpenMenu* m);
void LayoutSubMenuItems(OpenMenu* m);

// paint.cpp
void RedrawSubMenu(HDC dc, OpenMenu* m);
// The whole level into dc over the client rectangle c (inclusive).
void PaintSubMenu(HDC dc, OpenMenu* m, RECT c);
void LoadSubMenuString(int id, wchar_t* buf, int count);
int FindLevelOfWindow(HWND w);
