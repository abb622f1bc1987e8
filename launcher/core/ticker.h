// The ticker thread (100 ms): hook-suspend refresh, the 5-minute duties,
// tray animation, keep-awake, hot edges and auto-hide; the monitor list and
// small window and input helpers shared by several files.
#pragma once
#include <windows.h>

// Monitor and work-area rectangles in EnumDisplayMonitors order.
struct MonitorList {
  RECT* Monitors;  // process heap
  RECT* Work;
  int Count;
  int Cap;
  int Primary;
};

// Calls the ticker makes into other subsystems; empty entries are skipped.
// EndDrag and ReleaseGuardExpired run on the window's thread (auto-hide and
// a posted timer message), the others on the ticker's.
struct TickerOutlets {
  void (*CheckHotEdge)(int edge);               // -1: on no edge
  void (*CheckHoldAction)(UINT buttons, POINT pt);
  void (*CheckSubMenuFocus)();
  void (*EndDrag)();                            // drag states and feedback after a drag ended
  void (*ReleaseGuardExpired)();                // the wheel block after a middle click ends
  void (*ClearReleaseBits)(UINT bits);          // bits of the button-release word
};
extern TickerOutlets g_TickerOutlets;

// Auto-hide state of one showing.
struct AutoHideState {
  int ShowState;       // 0 hidden, 1..5 first ticks after showing, 6 settled
  int DragEnd;         // ticks without buttons, 0..5
  int HideCountdown;   // ticks
  int HideArmed;       // the leave countdown may hide
};

struct TickerState {
  volatile LONG Tick;         // 0..2999; 2990 forces the 5-minute duties
  volatile LONG Run;
  HANDLE Thread;
  DWORD ThreadId;
  int KeepAwakeCountdown;     // ticks to the next pulse while power saving is off
  volatile LONG ReleaseGuard; // ticks until the release guard ends (set by mouse input)
  AutoHideState AutoHide;
  MonitorList Monitors;
  ULONG RecycleBinWatch;      // shell notification registration, 0 none
};

const LONG kTicksPerCycle = 3000;     // 5 minutes
const LONG kTickRetrySoon = 2990;     // the 5-minute duties within a second

// UiStateFlags bits read by auto-hide.
enum : UINT {
  UIS_BUSY = 0x1,                 // no auto-hide at all
  UIS_TOOLTIPS_ACTIVE = 0x10,
  UIS_HIDE_HELD = 0x100,
};

// Posted WM_TIMER ids the ticker uses to run work on the window's thread,
// apart from every timer the window sets.
enum : UINT_PTR {
  TICKER_BACKUP_CHECK = 32,
  TICKER_RELEASE_GUARD = 33,
};

// --- pure parts ---------------------------------------------------------------------------

int AddMonitorRects(MonitorList* list, const RECT* monitor, const RECT* work, int primary);
void ClearMonitorList(MonitorList* list);
void FreeMonitorList(MonitorList* list);
// client (screen coordinates) covers a whole monitor of the list.
int CoversAnyMonitor(const RECT* client, const RECT* monitors, int count);

struct AutoHideInput {
  int Visible;
  int DialogOpen;
  int SubMenuOpen;
  int Busy;
  int AutoHideOff;
  UINT Buttons;          // GetMouseButtonState
  int OursInFront;       // the foreground is the launcher or its search window
  int ActiveSinceShown;
  int TooltipsActive;
  int Pinned;
  int HoldOff;
  int CursorInBody;
  int Dragging;
  int SearchVisible;
  int HideOnLeave;       // ShowLauncher armed auto-hide for this showing
  int HideDelayMs;
};
// What one tick of auto-hide does.
enum : UINT {
  AH_DRAG_ENDED = 0x1,
  AH_CLEAR_RELEASE_BITS = 0x2,
  AH_MARK_ACTIVE = 0x4,         // set the active and tooltip bits, TTM_ACTIVATE 1
  AH_HIDE = 0x8,                // WMA_HIDELAUNCHER (0, 1)
  AH_HIDE_REACTIVATE = 0x10,    // WMA_HIDELAUNCHER (0x10000, 1)
  AH_FORCE_FRONT = 0x20,
};
UINT StepAutoHide(const AutoHideInput* in, AutoHideState* st);
// The first corner or edge (0..7) with an arrival or leaving action on which
// check reports pt; -1 when none (or no check bound).
int FindHotEdge(const UINT* assignments, POINT pt, BOOL(WINAPI* check)(POINT, int));

// --- helpers -------------------------------------------------------------------------------

int StartTicker();
// Clears the run flag and waits up to 3 s; 1 when the thread has ended.
int StopTicker();
void BuildMonitorList();
// Show state 1 for a new showing (the layout and tooltip bits start over);
// 0 on hiding.
void BeginShowState(int shown);
// On the window's thread (WMA_AUTOHIDE, posted by the ticker every tick while
// the launcher is visible).
void AutoHideCheck();
// WM_TIMER ids of the ticker and the hook control; 1 when handled.
int OnTickerTimer(UINT_PTR id);

// WMA_RECYCLEBIN: every Recycle Bin button takes its icon again (empty or
// full) and those shown are redrawn.
void RefreshRecycleBinIcons();
// Shell notifications of the Recycle Bin's image to window as WMA_RECYCLEBIN;
// the registration number, 0 when refused. UnwatchRecycleBin ends it.
ULONG WatchRecycleBin(HWND window);
void UnwatchRecycleBin();

int IsModifierKey(UINT vk);
UINT GetMouseButtonState();
int IsPointInLauncherBody(HWND window, POINT pt);
int ClientRectToScreen(HWND window, RECT* rect);
int ScreenRectToClient(HWND window, RECT* rect);
int IsFullScreenForeground();
int IsLauncherInFront(int countDialogs);
// Opens the help file (program folder, "Docs\", the language's help file
// name) at its start, or at topic. 0 when there was nothing to open.
int ShowHelpTopic(const wchar_t* topic);
