// Place tests of mouse actions: corners and edges of the desktop, title
// bars, the desktop background and the background of a folder window.
#pragma once
#include "hooklib/vnhook.h"

// Place codes posted with WMA_MOUSEACTION.
enum : int {
  PLACE_ANYWHERE = 0,   // 1..4 corners, 5..8 edges: type + 1
  PLACE_TITLEBAR = 9,
  PLACE_DESKTOP = 10,
  PLACE_FOLDER = 11,
};

// whereBits of a MouseActionEntry.
enum : UINT32 {
  WHERE_ANYWHERE = 0x1,
  WHERE_CORNERS_EDGES = 0x1FE,  // 0x2 << type, type 0..7
  WHERE_TITLEBAR = 0x200,
  WHERE_DESKTOP = 0x400,
  WHERE_FOLDER = 0x800,
};

// TRUE when pt lies in corner (type 0..3) or on edge (4..7) of the desktop
// made of the monitor rectangles of d, with d's margins.
BOOL CheckPtOnEdge(const SharedHookData* d, POINT pt, int type);

// PLACE_DESKTOP, PLACE_FOLDER or -1 for a click on window at pt.
int IsExplorerWindow(HWND window, POINT pt, UINT whereBits, int actionIndex);

// The first place of whereBits that applies to a click of action at pt on
// window, in the order corners, edges, title bar, desktop or folder,
// anywhere; -1 when none does.
int FindActionPlace(const SharedHookData* d, UINT whereBits, int actionIndex, HWND window,
                    POINT pt);

// Sends msg to a window that may belong to a hung program, from inside the
// input path: waits a short while at most. FALSE when it did not answer.
BOOL SendMessageBriefly(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR* answer);

// Platform tests behind the hook environment (real implementations).
BOOL HitTestRemoteListView(HWND list, POINT pt);
BOOL IsItemsViewBackgroundAt(POINT pt);
