// Process watch: programs started from buttons that keep the global hooks
// released while they run (or while a window of the button's RehookTrigger
// program exists), the process id a button finds its running instance by,
// and the foreground guard after launches from the launcher window.
#pragma once
#include <windows.h>

struct ButtonInfo;

// WatchEntry::Flags.
enum : int {
  WATCH_BY_PID = 1,          // process id only; keeps nothing released
  WATCH_WHILE_WINDOW = 2,    // hooks released while the process has a top-level window
  WATCH_UNTIL_TRIGGER = 4,   // released until a window of the trigger program appears
  WATCH_WHILE_TRIGGER = 8,   // released while a window of the trigger program exists
};

struct WatchEntry {
  int Flags;
  ButtonInfo* Item;
};

// WatchLaunchedItem: 1 recorded, 0 not (or deferred to the 20 ms retry).
int WatchLaunchedItem(ButtonInfo* item, DWORD processId);
void CheckWatchedProcesses();
// Under the watch mutex: drops entry index (its button's watch state cleared).
void RemoveWatchEntry(int index);
// The store calls this before it frees a button: 1 when no entry names it
// any more. 0 when the list's lock could not be had in time: the watch then
// keeps the record and destroys it itself once its entries are gone.
int RemoveWatchEntries(ButtonInfo* item);
// The hooks came back on: forget the waiting button, remove the create
// hook and drop every entry that is not a plain process-id watch.
void DropHookHoldingWatches();
// Closes the WinEvent hooks and frees the list (shutdown).
void StopProcessWatch();

// WMA_WATCHCREATE and WMA_WATCHDESTROY on the launcher window.
void InstallWatchCreateHook();
void InstallWatchDestroyHook();

// The foreground guard of launches from the launcher window.
void StartForegroundGuard();
void StopForegroundGuard();
// 1 while the guard bit or its WinEvent hook is left on.
int IsForegroundGuardOn();

// Snapshot for tests and the shutdown: entries copied into out (at most
// max); the count.
int GetWatchEntries(WatchEntry* out, int max);
ButtonInfo* GetWaitingWatchItem();

// The window's application user model id (heap) and the window it was
// read from (a frame stands for its core window); null when none.
HWND GetAppUserModelId(HWND window, wchar_t** out);
