// The notification-area icon (id 101): its icon set, state picture,
// animation and balloons, the clicks on it; and the launcher window's
// tooltip window, whose clicks go back to the launcher.
#pragma once
#include <windows.h>

const UINT kTrayIconId = 101;
const int kBuiltinTrayIcons = 11;
const int kFirstTrayFrame = 3;

// DispOption bits read here.
enum : UINT {
  DISP_TOOLTIPS_BALLOON = 0x40,
  DISP_TRAY_ICON = 0x80,
  DISP_TRAY_ICON_FILE = 0x100,
};

struct TrayState {
  HICON* Icons;          // process heap; slot 0 normal, 1 released, 2 keep-awake, 3.. frames
  int Count;
  volatile LONG Frame = -1;  // -1: no animation
  volatile LONG Countdown;
  HWND ToolTip;
  HWND Owner;            // the window the icon was added for
};

// Calls the tray makes into the click actions and menus; empty entries fall
// back to the tray's own handling.
struct TrayOutlets {
  // The click code of mouse message m dispatched on the tray row; 1 when an
  // action ran.
  int (*DispatchTrayClick)(UINT mouseMessage);
  // The tray row maps a double click to an action.
  int (*HasTrayDoubleClick)();
  void (*ShowTrayMenu)();
};
extern TrayOutlets g_TrayOutlets;

// SetTrayIconState how.
enum { TRAY_DELETE = 0, TRAY_ADD = 1, TRAY_STATE = 2, TRAY_ANIMATE = 3, TRAY_STOP = 4, TRAY_NEXT = 5 };

// --- pure parts ---------------------------------------------------------------------------

// Slot of the state picture.
int TrayStateIconIndex(int keepAwake, int restricted, int hooksOn);
// The frame after frame in a set of count icons: 3, 4, ... wrapping to 3.
int NextTrayFrame(int frame, int count);
// Built-in icon resource of slot (0..10).
int BuiltinTrayIconResource(int slot);
// Whether an icon file with this many icons replaces the built-in set.
int IconFileCountUsable(int count);
// What the launcher gets for a mouse message of the tooltip: the client
// message (a non-client one becomes its client equivalent) and the point in
// the launcher's client coordinates. pt is in the tooltip's client
// coordinates for client messages and in screen coordinates for non-client
// ones; the origins are the two client areas' top-left in screen
// coordinates. 0 when the message is not forwarded.
UINT MapToolTipMouseMessage(UINT message, POINT pt, POINT tipClientOrigin, POINT ownerClientOrigin, POINT* out);

// --- window side --------------------------------------------------------------------------

int LoadTrayIcons(const wchar_t* iconFile);
void FreeTrayIcons();
// 1 done; 0 when a tray call failed (the ticker then retries soon).
int SetTrayIconState(int how);
// NIM_MODIFY with the state picture, unless one-shot mode or no tray icon.
void RefreshTrayStateIcon();
int IsTrayAnimating();
// One ticker step of the animation.
void AdvanceTrayAnimation();
int ShowBalloonTip(const wchar_t* title, const wchar_t* text, UINT timeMs);
// Balloon titled "Vantrel" with string id.
void ShowBalloonTextId(int id, UINT timeMs);
void CALLBACK TrayBalloonTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
// Busy picture during long work (backup, icon rebuild) and back.
void SetTrayBusyPicture(int busy);
// WMA_TRAY with lParam m.
void OnTrayMessage(UINT mouseMessage);
// Timer 5: the single click on the tray icon waited for a double click.
void OnTrayClickTimer();
// WMA_UPDATEICONS: the icon cache rebuilt with the tray icon animating and
// a balloon saying so.
void UpdateAllIcons();
// "TaskbarCreated": the shell restarted, the icon is added again.
void OnTaskbarCreated();

int CreateToolTip();
LRESULT CALLBACK ToolTipSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR data);
