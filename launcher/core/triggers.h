// Global triggers: what the launcher does when a mouse action, a hot key, a
// press-and-hold of buttons or a hot screen edge fires: show the launcher at
// the place its DispPosition bits choose, or launch the assigned button.
#pragma once
#include <windows.h>

struct ButtonInfo;

// Calls outside the triggers, filled with the real ones by
// InitTriggerPlatform; tests replace them.
struct TriggerPlatform {
  DWORD (*Tick)();
  void (*Show)(int mode, int x, int y, int page, int activate);
  void (*Launch)(ButtonInfo* item, UINT flags);
  void (*SetTimer)(UINT_PTR id, UINT ms);     // on the launcher window
  void (*KillTimer)(UINT_PTR id);
  BOOL (*Post)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  UINT (*DoubleClickTime)();
  int (*Metric)(int index);
  HWND (*WindowAt)(POINT pt);
  LRESULT (*NcHitTest)(HWND window, POINT pt);
  BOOL (*PtOnEdge)(POINT pt, int type);                          // the hook library's test
  int (*ExplorerPlace)(HWND window, POINT pt, UINT bits, int action);
  BOOL (*ScreenToClient)(HWND window, POINT* pt);
  SHORT (*KeyState)(int vk);
  UINT (*SuspendWord)();                                          // hook suspend word
  UINT (*ModifierState)();  // 1 Shift, 2 Ctrl, 4 Alt, 8 Win (also a Win key held by our own hook)
  // Opens a menu-like button of a sub-menu as a child menu inside it.
  void (*OpenInSubMenu)(ButtonInfo* item);
  void (*EndKeepAwake)();  // power saving back on, when an item switched it off
};
extern TriggerPlatform g_TriggerPlatform;
void InitTriggerPlatform();

// Process globals of the triggers.
struct TriggerState {
  // A mouse action held back while a double or triple click may follow.
  int PendingList, PendingIndex, PendingAction;
  // Hot edges: the edge the cursor was last seen on (-1 none), countdowns
  // in ticks.
  int LastEdge;
  int ShowCountdown, ItemCountdown;
  // Press-and-hold.
  UINT HoldButtons;
  POINT HoldStart;
  DWORD HoldTick;
  int HoldArmed;
  // Multi-press hot keys: the code waited on (0 none) and its row.
  int PendingHotKeyCode;
  int PendingHotKeyRow;
  DWORD LastF0Tick;
  int F0Seen;
  // Button shortcut keys: the running multi-press sequence, the button
  // waiting for more presses (list -1 none), the button kept for key-up.
  WORD KeyLastCode;
  int KeyPresses;
  DWORD KeyLastTick;
  int KeyPendingList, KeyPendingIndex;
  int KeptList, KeptIndex;
  // Bits of the launcher window's button-release word set by double and
  // triple clicks that showed it (0x3 left, 0xC right, 0x10 middle).
  volatile LONG ReleaseBits;
};

// Show mode for a trigger family: bits of DispPosition (4 per family) and
// the Option1 bit that adds auto-hide.
enum TriggerFamily {
  FAMILY_MOUSE = 0,
  FAMILY_EDGE = 1,
  FAMILY_CIRCLE = 2,
  FAMILY_HOTKEY = 3,
};
int TriggerShowMode(int family);

// type 2: WMA_MOUSEACTION (action, where); type 3: timer 1.
void DispatchTrigger(int type, int action, int where);
// WMA_HOTKEY row; -1 from timer 2.
void OnHotKey(int row);
// Ticker (every 100 ms) with the buttons down, and WMA_BUTTONUP.
void CheckHoldAction(UINT buttons, POINT pt);
// Ticker (every 100 ms) with the hot corner or edge under the cursor, -1 none.
void CheckHotEdge(int edge);
// A key pressed in the launcher window or a sub-menu (list): runs the button
// whose shortcut it is. 1 ran (or waits for more presses), 0 nothing, -1 from
// timer 3.
int MatchButtonKey(int list, UINT key, int timer);
// Runs the button kept for key-up (Win-key and modifier-only shortcuts);
// 1 when one ran.
int RunHoveredItem();
// A new key press: the item kept for key-up is no longer wanted.
void ClearKeptItem();
// types 16, 0x4066, 0x4069, 0x406A; with launch flag 0x4000 any folder-like
// item; a folder-like item whose option bits have 0x80000.
int IsMenuLikeItem(const ButtonInfo* item, UINT flags);
// The press-and-hold action of a set of buttons (85..99), -1 for none.
int HoldActionOfButtons(UINT buttons);
// Timers 1, 2 and 3 of the launcher window; 1 when handled.
int OnTriggerTimer(UINT_PTR id);
// The button-release bits; the ticker clears those it has seen handled.
UINT TriggerReleaseBits();
void ClearTriggerReleaseBits(UINT bits);
// Back to the state of a new start.
void ResetTriggers();
