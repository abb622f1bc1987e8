// Mouse input over the launcher window and the tray icon: click codes, the
// click-action table, pressing, holding and dragging buttons and tabs, the
// caption buttons, moving and resizing the window.
#pragma once
#include <windows.h>

// Rows of the click-action table.
enum : int { CA_BUTTON = 0, CA_CAPTION = 1, CA_TRAY = 2, CA_MENU = 3 };

// Modifier state bits (GetModifierState).
enum : UINT { MOD_SHIFT_BIT = 1, MOD_CTRL_BIT = 2, MOD_ALT_BIT = 4, MOD_WIN_BIT = 8 };
// Mouse-button state bits (GetMouseButtonState).
enum : UINT { MB_LEFT_BIT = 1, MB_RIGHT_BIT = 2, MB_MIDDLE_BIT = 4, MB_X1_BIT = 8, MB_X2_BIT = 16 };

// The sub-menu windows' double click.
const UINT kSubMenuDoubleClick = 0x800B;
// Distance from the press point at which a drag starts, either direction.
const int kDragStartPixels = 20;

// GetModifierState (hook control) and GetMouseButtonState (ticker) give
// the state these bits name.

// Click code 0..24 of a message with the given key and button state, -1 none.
int ComputeClickCode(UINT message, WPARAM wParam, UINT modifiers, UINT buttons, int overButton);
// The same with the state of now.
int GetClickCode(UINT message, WPARAM wParam, int overButton);

// Runs the click action of row for code; 1 when something ran.
int DispatchClickAction(int row, int code, int cell, int flags);

// 1 once the point is kDragStartPixels or more from the press point.
int IsDragDistance(POINT press, POINT now);
// What a move with a left or right press starts: 0 nothing, 1 rearrange,
// 2 OLE drag-out. dragOption: low word the rearrange modifiers, high word
// the drag-out modifiers.
int ClassifyDragStart(int rightPress, int onButton, int canDragOut, UINT modifiers, UINT dragOption);
// Drop effect answered to a drag-over: none when refused.
DWORD DecideDropEffect(int accept, DWORD wanted);

void OnMouseButton(UINT message, WPARAM wParam, LPARAM lParam);
void OnMouseMove(WPARAM wParam, LPARAM lParam);
void OnMouseLeave();
// WM_SHOWWINDOW: the hover highlight moves to the cell under the cursor and
// the tooltip comes back (not during a rearrange drag).
void RefreshHoverUnderCursor();
// Auto-hide's drag end: rearrange and tab drags whose release was lost are
// forgotten.
void EndLostDrag();
// The ticker's release guard ran out: the wheel works again after a middle
// click.
void EndWheelBlock();
// Timer 4: press and hold.
void OnPressHoldTimer();
// Timer 7: page switch on hovering a tab.
void OnPageDelayTimer();

// Pressing by key (launcher key entry 24) and its release.
void StartPress(int cell, UINT kind);
void ReleasePress(int cell);
void CancelPress();
