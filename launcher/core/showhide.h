// Showing, hiding and placing the launcher window; its topmost state and
// the standby position.
#pragma once
#include <windows.h>

// Option1 and DispOption bits read here.
enum : UINT {
  OPT1_TRIM_MEMORY = 0x1000,
  DISP_ALWAYS_ON_TOP = 0x1,
  DISP_TOPMOST_WHEN_PINNED = 0x800,
};

void ShowLauncher(int mode, int x, int y, int page, int activate);
int HideLauncher(int hideMode, int reactivate, int endAfter);
BOOL PlaceLauncherWindow(int placement, POINT pt, int moveSearch);
int MoveToStandbyPosition(int reactivate);
int UpdateTopmost(int force);

// Show mode from four DispPosition bits (bit 0: 2, bit 1: 0, bit 2: 3,
// bit 3: 4, none: 1; the lowest set bit wins).
int ShowModeFromPositionBits(UINT bits);

// Pure placement: the new top-left of the body (window less its margins).
// body: the current body; buttonArea: its button area (same coordinates);
// primary: the primary monitor; bounds: the monitor area that clamps
// placements 1, 2 and 5.
POINT ComputeBodyPosition(int placement, POINT pt, POINT cursor, RECT body, RECT buttonArea,
                          RECT primary, RECT bounds);
// Standby point of the body for position 1..5 on the primary work area.
POINT ComputeStandbyPoint(int position, POINT custom, RECT work, SIZE window, RECT margins);
