// Showing, hiding and placing the launcher window; its topmost state, the
// standby position and the mouse cursor over it.
#pragma once
#include <windows.h>

struct MonitorList;

// Option1 and DispOption bits read here.
enum : UINT {
  OPT1_TRIM_MEMORY = 0x1000,
  DISP_ALWAYS_ON_TOP = 0x1,
  DISP_TOPMOST_WHEN_PINNED = 0x800,
};

// Plug-in notifications of showing and hiding.
enum : int { PN_SHOWN = 0x10001, PN_HIDDEN = 0x10002 };

// PageInfo::Flag: when the page's scroll goes back to its top-left.
enum : int { PAGE_RESET_ON_SHOW = 0x1, PAGE_RESET_AFTER_LAUNCH = 0x2 };

void ShowLauncher(int mode, int x, int y, int page, int activate);
int HideLauncher(int hideMode, int reactivate, int endAfter);
BOOL PlaceLauncherWindow(int placement, POINT pt, int moveSearch);
int MoveToStandbyPosition(int reactivate);
int UpdateTopmost(int force);
// On the window's thread: page's scroll of the current view mode back to
// 0, its grid rebuilt and repainted when it is the current page; 0 when it
// was not scrolled.
int ResetPageScroll(int page);
void UpdateCursor();
// The window came onto a monitor of another DPI: the design (view-mode
// copy, fonts, layout) is made again for it.
void RelayoutForDpi(int dpi);

// Show mode from four DispPosition bits (bit 0: 2, bit 1: 0, bit 2: 3,
// bit 3: 4, none: 1; the lowest set bit wins).
int ShowModeFromPositionBits(UINT bits);

// The screen facts placement reads; tests put in their own monitors.
struct ShowHideSeams {
  BOOL(WINAPI* GetCursorPos)(POINT* pt);
  // Fills the list (monitor and work rectangles, primary); 0 when empty.
  int (*GetMonitors)(MonitorList* out);
};
extern ShowHideSeams g_ShowHideSeams;

// --- pure parts -------------------------------------------------------------------

// What a placement starts from. Rectangles are screen coordinates except
// ButtonArea (window coordinates, inclusive, inside its own margins).
struct PlacementInput {
  int Placement;
  POINT Point;        // placement 4
  POINT Cursor;
  RECT Window;
  RECT Margins;       // shadow borders around the body, scaled
  RECT ButtonArea;
  int HasSearch;      // the search window moves along
  RECT Search;        // its rectangle less its own margins
  int Topmost;        // clamp to the whole monitor, not its work area
  const RECT* Monitors;
  const RECT* Work;
  int MonitorCount;
  int Primary;
};
// The window's new top-left.
POINT ComputeWindowPlacement(const PlacementInput* in);

// Index of the monitor that holds pt, else the nearest one; -1 for none.
int FindMonitorNearPoint(const RECT* monitors, int count, POINT pt);
// Index of the monitor that shares most area with r, else the nearest; -1.
int FindMonitorNearRect(const RECT* monitors, int count, RECT r);

// The window's standby top-left for position 1..5 on the primary work area
// (margins outside it); custom for position 5.
POINT ComputeStandbyPoint(int position, POINT custom, RECT work, SIZE window, RECT margins);

// UpdateCursor's choice.
enum {
  CURSOR_KEEP = 0,       // leave the cursor alone
  CURSOR_ARROW = 1,
  CURSOR_MOVE = 2,       // rearrange drag (resource 124)
  CURSOR_COPY = 3,       // rearrange drag with Ctrl (125)
  CURSOR_SIZING = 4,     // what the sizing hit test gives
};
struct CursorInput {
  int Sizing;            // the window is being moved or resized
  int OleDragOver;
  int RearrangeDrag;
  int CtrlHeld;
  int SubMenuOpen;
  int TabDrag;
  int DialogOpen;
  int MenuOpen;
  int OverItemArea;      // tab strip or button area
  int OverSystemButton;
};
int ChooseCursor(const CursorInput* in);
