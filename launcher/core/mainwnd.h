// The launcher window's procedure: input, requests from other processes and
// threads (private WMA_ messages), and system notifications.
#pragma once
#include <windows.h>

// MainWindowState::Flags.
enum : UINT {
  WSF_SHOWN_NOACTIVATE = 0x20,   // shown without activation
  WSF_MENU_OPEN = 0x40,          // a context menu of the window is tracked
  WSF_TRAY_MENU = 0x80,          // the tray menu is open
  WSF_SUBMENU_OPEN = 0x400,      // a sub-menu window is open
  WSF_STANDBY = 0x80000000,      // parked at the standby position
};

// Power state bits (WM_POWERBROADCAST).
enum : UINT {
  PWS_SUSPENDED = 0x1,
  PWS_RESUMED = 0x2,
  PWS_SKIP_LISTS = 0x4,
};

const int kSkinNameChars = 260;

struct MainWindowState {
  UINT Flags;
  UINT TaskbarCreatedMsg;
  HWND PrevForeground;   // window in front before the launcher was shown
  int AutoHide;          // armed by show mode 0x100
  int Activated;         // the last show activated the window
  int ImeWasOn;          // the IME was switched off on activation
  UINT PowerState;
  DWORD SubMenuOpenedTick;  // when the last sub-menu window opened
  int PendingCloseLevel;    // 1 + the lowest level a refused close still has to reach; 0 none
  // The one skin-name buffer WMA_SELECTSKIN accepts (QueueSkinSelection).
  wchar_t SkinRequest[kSkinNameChars];
};

// Timer ids of the launcher window.
enum {
  TIMER_MULTICLICK = 1,
  TIMER_HOTKEY = 2,
  TIMER_BUTTONKEY = 3,
  TIMER_PRESSHOLD = 4,
  TIMER_TRAYCLICK = 5,
  TIMER_PROCWATCH = 6,
  TIMER_PAGEDELAY = 7,
  TIMER_DRAGHOVER_PAGE = 8,
  TIMER_DRAGHOVER_MENU = 9,
  TIMER_BALLOON = 14,
  TIMER_HOOKSTATE = 15,
  TIMER_MENUCLOSER = 16,
  TIMER_CLOSESUBMENUS = 17,  // asks the sub-menus again after a refused close
};

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Creates the launcher window (hidden, 1x1 at 0,0); NULL on failure.
HWND CreateMainWindow(HINSTANCE instance);

// 1 when a private message from another thread or process carries values
// the launcher may act on; the window drops it otherwise.
int IsPrivateMessageValid(UINT message, WPARAM wParam, LPARAM lParam);

// Copies the name into the launcher's skin-request buffer and posts
// WMA_SELECTSKIN with it; 0 when refused (a dialog or menu is open).
int QueueSkinSelection(const wchar_t* name);

// Waits, polling every 100 ms, for window to be the foreground window;
// gives up after timeoutMs. 1 when it came to the front.
int WaitForForeground(HWND window, DWORD timeoutMs);

// The sub-menu focus check (ticker, WM_ACTIVATE): when no dialog is open,
// 400 ms after the last sub-menu opened, and neither the foreground window
// nor the cursor is in an open sub-menu, WMA_CLOSESUBMENUS closes them.
void CheckSubMenuFocus();
int ShouldCloseSubMenus(int dialogOpen, DWORD sinceOpenedMs, int foregroundInMenu, int cursorInMenu);

// The program ends when hidden in /n mode with nothing running; otherwise
// hiding may trim the working set (Option1 0x1000).
void EndIfIdleAfterHide();
