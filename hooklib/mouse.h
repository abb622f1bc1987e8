// Mouse actions: the button processor shared by the ordinary and the
// low-level mouse hook, the click classifier, the held-button match, the
// popup-menu closer and the replay of held-back clicks.
#pragma once
#include "hooklib/vnhook.h"

// Button bits, and the held-button bits of MouseActionTable masks.
enum : int {
  MOUSEBIT_LEFT = 0x1,
  MOUSEBIT_RIGHT = 0x2,
  MOUSEBIT_MIDDLE = 0x4,
  MOUSEBIT_X1 = 0x8,
  MOUSEBIT_X2 = 0x10,
  MOUSEHELD_SHIFT = 16,  // held bit = button bit << 16
};
// swallowedButtons: close popup menus at the next right-button-up.
const UINT32 kCloseMenuAtRightUp = 0x20000;

// One event of either mouse hook (already known to be HC_ACTION). Injected
// events pass untouched; lowLevel skips the repeat filter of the ordinary
// hook. TRUE = swallow the event.
BOOL OnMouseHookEvent(SharedHookData* d, UINT msg, POINT pt, DWORD mouseData,
                      ULONG_PTR extraInfo, bool lowLevel);

// The button processor: button-ups, downs, double clicks and the wheel.
BOOL ProcessMouseButton(SharedHookData* d, UINT msg, POINT pt, DWORD mouseData);

// Turns a button message into its event code (0 = none) and button bit.
UINT32 ClassifyClick(SharedHookData* d, UINT msg, DWORD mouseData, POINT pt, int* button);

// TRUE when the buttons held now are the ones action's row asks for.
BOOL IsHeldButtonMatch(int action);

// Logical button (after swapping) down now.
bool IsMouseButtonDown(int buttonBit);

// Posts WM_CLOSE to an open popup menu and closes the next one that opens
// within 500 ms.
void CloseMenuAndWatch(SharedHookData* d);

// The replay timer's work: ends the pending replay and sends the held-back
// click(s).
void ReplayHeldBackClick(SharedHookData* d);

// This process's replay timer and menu watch. A thread timer or an
// out-of-context event hook can only be ended by the thread that made it,
// and means nothing in another process, so they stay out of the shared record.
struct HookTimers {
  SharedHookData* data;     // the record the replay timer was set for
  UINT_PTR replayTimer;     // 0 = none
  DWORD replayThread;
  LONG replaySerial;        // data->replaySerial when it was set
  UINT_PTR menuTimer;       // ends the menu watch; 0 = none
  HWINEVENTHOOK menuWatch;  // closes the next popup menu; NULL = none
  DWORD menuThread;         // of both menuTimer and menuWatch
};
extern HookTimers g_HookTimers;

// Ends this thread's timers and menu watch, before the library leaves the
// process: nothing of ours may be called afterwards.
void CancelHookTimers();

// Fills inputs with the replay of the held-back click; the count (0 = none).
int BuildReplayInputs(const SharedHookData* d, POINT cursorNow, INPUT* inputs, int capacity);
