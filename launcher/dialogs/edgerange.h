// The edge range dialog: the size of a screen corner or the excluded ends
// of a side, shown live by a red translucent marker on the screen.
#pragma once
#include <windows.h>

// The dialog's parameter: one EdgeMargins entry and its edge type (0-3
// corners, 4 left, 5 top, 6 right, 7 bottom side).
struct EdgeRangeParam {
  int Type;
  int cx;
  int cy;
};

// Dialog 180 on range (type, cx, cy, read and written in place); 1 after OK.
int ShowEdgeRangeDialog(HWND owner, EdgeRangeParam* range);
INT_PTR CALLBACK EdgeRangeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Window procedure of the marker class.
LRESULT CALLBACK EdgeWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Row (0-3) of the dialog that holds cx and cy of an edge type.
int GetEdgeRangeSlot(int type, int value);
// The marker's place on a monitor; 0 when it has no area (then hidden).
int GetEdgeMarkerRect(int type, int cx, int cy, const RECT& monitor, RECT* out);
