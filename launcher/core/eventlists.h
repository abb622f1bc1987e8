// Items started one after another with delays (the start-up, exit, suspend
// and resume lists, a button's chained launches, launch-all) and the
// built-in system commands: power, screen saver, monitor off, the
// power-saving toggle and emptying the Recycle Bin.
#pragma once
#include <windows.h>

struct ButtonInfo;
struct EventEntry;

enum : int { EVENT_STARTUP = 0, EVENT_EXIT = 1, EVENT_SUSPEND = 2, EVENT_RESUME = 3 };

// Runner flags: bits 0x18 are added to every entry's launch flags.
enum : int {
  RUNNER_EVENT_LIST = 0x8,
  RUNNER_CHAIN = 0x30,
  RUNNER_FREE_LIST = 0x20,
};

// Calls that must never be made for real in a test: shutting down, sleep,
// the Recycle Bin, the monitor, the screen saver, system timeouts.
struct SystemSeams {
  BOOL (*ExitSession)(UINT flags, DWORD reason);
  BOOL (*SuspendState)(BOOL hibernate);
  HRESULT (*EmptyRecycleBin)();
  void (*MonitorOff)();
  BOOL (*StartScreenSaver)(const wchar_t* file);
  BOOL (*SystemParameters)(UINT action, UINT param, void* value, UINT winIni);
  int (*EnablePrivilege)(const wchar_t* name);
  void (*Sleep)(DWORD ms);
  // HtmlHelpW of the help viewer; null when the viewer is missing.
  HWND (*HtmlHelp)(HWND caller, const wchar_t* file, UINT command, DWORD_PTR data);
};
extern SystemSeams g_SystemSeams;

// The delays of a chain run relative to its earliest entry (no negative
// delay); hooksReleased adds unhookDelay to every entry.
void NormaliseChainDelays(EventEntry* entries, int count, int hooksReleased, int unhookDelay);

// Grid order of launch-all: sorts the indexes by row * 0xFFFF + column
// (column-first when vertical), stable.
void SortByGridPosition(int* order, const int* column, const int* row, int count, int vertical);

// Launches the item's chain (and releases the hooks for it); 1 when started.
int StartDelayedLaunches(ButtonInfo* item, int launchFlags);
// Asks, then launches every item of a page or child menu in grid order.
void LaunchAllItems(int list);

// Starts event list n on a runner (start-up), not waited for.
int StartEventList(int list);
// Runs event list n on the calling thread: each entry is launched here when
// its delay has passed. Waits at most budgetMs (INFINITE: all of them);
// entries not reached by then go to a runner. Returns the entries launched.
int RunEventListNow(int list, DWORD budgetMs);
// Shutdown: tells every runner to stop and waits up to timeoutMs for them.
// 1 when none is left.
int StopDelayedLaunches(DWORD timeoutMs);
// Runners alive now.
int GetRunnerCount();

// Item types 0x1000-0x1004 with their option bits in the high word.
void RunPowerCommand(UINT typeAndOptions);
// Item types 0x4000-0x406A.
void RunSpecialCommand(ButtonInfo* item, int flags);
void OpenItemMenuAt(ButtonInfo* item, int flags);
// The grid cell of a button of the current page, -1 when it shows nowhere.
int FindItemCell(const ButtonInfo* item);
// Where an item's menu opens: the saved point with flag 0x2000; over the
// visible window the cell's right-top (0x400), left-bottom (0x800) or
// centre, unless (flags & 0xC80) is 0x80; else just off the cursor.
POINT GetItemMenuPoint(int cell, const POINT* saved, int flags);
// 1 go on, 0 cancelled; asks from 20 items on.
int ConfirmManyFiles(HWND owner, int count, int dropped);
// Empties the Recycle Bin on a worker.
int StartEmptyRecycleBin();
DWORD WINAPI EmptyRecycleBinThread(void*);

// Power-saving toggle state. KeepAwake is the one flag the ticker's pulse
// and the tray picture read; the hot-edge check (ticker thread) may end it.
struct PowerSaveState {
  volatile LONG KeepAwake;
  int RestoreOnEdgeLeave;
  int Saved[3];       // screen saver, low power, power off (s)
  int SavedValid[3];  // which of them were read
};
extern PowerSaveState g_PowerSave;
void TogglePowerSaving(UINT itemOptions);
// The cursor is on no active hot edge: when the item asked for it, the
// timeouts that were read are set back and keep-awake ends. 1 when it did.
int EndKeepAwakeOnEdgeLeave();
// At the end of the program: keep-awake, when on, ends with the timeouts
// set back, so that leaving does not leave the system without them. 1 when
// it did.
int EndKeepAwakeAtExit();
