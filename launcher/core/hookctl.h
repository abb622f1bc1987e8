// Hook control: the launcher's settings copied into the hook library, the
// global hooks switched on and off (directly, on the mouse-hook thread, or
// through the administrator helper), the per-application suspend word, the
// own Windows-key hook and the popup-menu closer.
#pragma once
#include <windows.h>

struct SuppressTarget;

// Hook suspend word (kind 4). 0x4 is read by the launcher only.
enum : UINT {
  SUSPEND_SHOW = 0x1,          // triggers do not show the launcher
  SUSPEND_MOUSEACTIONS = 0x2,
  SUSPEND_EDGES = 0x4,
  SUSPEND_CIRCLES = 0x8,
  SUSPEND_HOTKEYS = 0x10,
  SUSPEND_DIALOG = 0x13,       // a launcher dialog is open
};

// Option1 bit: the mouse hook is a low-level one on a thread of its own.
const UINT OPT1_LOWLEVEL_MOUSE = 0x100000;

// Win-key codes and the own WH_KEYBOARD_LL hook's state.
struct WinKeyState {
  WORD LastKeyDown;
  UINT Held;       // bit 1 left, 2 right: down and swallowed
  UINT Consumed;   // same bits: used by a launcher combination
  BYTE ComboKey;   // the non-Win key of that combination while held
};

struct HookControlState {
  volatile LONG SuspendWord;   // last value sent with kind 4
  DWORD LastSuspendTick;
  int SuspendSent;             // a kind 4 has gone out since start-up
  volatile LONG SuspendBusy;
  volatile LONG SuspendTimerArmed;
  HWINEVENTHOOK ForegroundHook;
  HWINEVENTHOOK NameChangeHook;
  HWINEVENTHOOK MenuCreateHook;

  HANDLE MouseThread;
  DWORD MouseThreadId;
  volatile LONG MouseThreadReady;
  volatile LONG MouseThreadResult;

  WORD* WinKeyCodes;           // process heap
  int WinKeyCount;
  int WinKeyCap;
  UINT WinAloneKeys;           // bit 1 left, 2 right
  volatile LONG CollectBusy;
  HHOOK WinKeyHook;
  WinKeyState WinKeys;
  int RemovalPending;
  DWORD RemovalTick;
};

// --- pure parts -------------------------------------------------------------------

// What the suspend word is made of; each field is read as a yes/no except
// Restraint and TargetFlags.
struct SuspendInput {
  int DialogOpen;      // the open-dialog stack's top entry is not null
  int InFront;         // the launcher (or its search window) is in front
  int Restricted;      // Status bit 2
  int FullScreen;      // a full-screen window other than the desktop is in front
  UINT Restraint;
  int TargetFlags;     // flags of the first matching suppression record, else 0
};
UINT ComputeSuspendWord(const SuspendInput* in);

// The first record that matches the foreground window's executable path,
// class name and title; -1 when none does. A record with nothing to compare
// never matches.
int FindSuppressTarget(const SuppressTarget* targets, int count, const wchar_t* exePath,
                       const wchar_t* className, const wchar_t* title);

// Appends code to a Win-key code list when it involves a Windows key;
// aloneKeys gets bit 1/2 for a bare left/right Windows key. 0 = not a
// Win-key code.
int ClassifyWinKeyCode(WORD code, UINT* aloneKeys);

// One keyboard event as the own Windows-key hook sees it, and what it does.
struct WinKeyEvent {
  BYTE Vk;
  int Down;
  int Repeat;          // the same key as the last key down (auto-repeat)
  UINT Modifiers;      // GetModifierState: 1 Shift, 2 Ctrl, 4 Alt, 8 Win
  int RemovalPending;
};
struct WinKeyAction {
  int Swallow;
  UINT PostMessage;    // 0, WMA_WINKEYDOWN or WMA_WINKEYUP
  WPARAM PostKey;
  int PostRemoval;     // lParam of WMA_WINKEYUP
  BYTE Replay[3];      // keys replayed down (Tap: one key down and up)
  int ReplayCount;
  int Tap;
};
void StepWinKeyHook(WinKeyState* s, const WORD* codes, int codeCount, UINT aloneKeys,
                    const WinKeyEvent* e, WinKeyAction* out);

// --- launcher side ------------------------------------------------------------------

// Kinds 1, 2, 3 and 5 in this order (5 only with monitors); skipped while
// the library is not bound.
void SendHookSettings();
void SendMonitorsToHook();
int SetHooks(int on, int balloon);
int SetMouseHook(int on);
void UpdateHookSuspend();
// Timer 15 of the launcher window (also a WM_TIMER posted by the ticker).
void OnHookSuspendTimer();
void CollectWinKeyCodes();
void SetWinKeyHook(int install);
// WMA_WINKEYUP with lParam 1: the held-key state is over, remove the hook.
void FinishWinKeyHookRemoval();
// The modifier bits with the Win bit also set while the own hook holds a
// swallowed Windows key.
UINT GetModifierState();

// Foreground and title changes refresh the suspend word.
void StartForegroundTracking();
void StopForegroundTracking();
// WMA_CLOSEMENUS and timer 16.
void CloseMenusNow();
void OnMenuCloserTimer();

// WMA_HOTKEY: every row in range goes to g_HotKeyRowHandler (the global
// triggers), row 0 (show the launcher) included.
void OnHotKeyMessage(int row);
extern void (*g_HotKeyRowHandler)(int row);

// Shutdown: hooks off, WinEvent hooks and the Win-key hook removed, and
// the library unloaded unless the ticker may still call into it.
void StopHookControl(int tickerStopped);
// Drops the bound entry points without unloading the library: a thread
// that read one of them may still be inside it.
void ForgetHookLibrary();
