// An edit control made into a hot-key entry field: while it has the focus a
// low-level keyboard hook takes every keystroke, so that Win + key or
// Alt + Tab can be typed, and the field keeps the combination as a
// HotKeyCode (key in bits 0-7, 0x100 Shift, 0x200 Ctrl, 0x400 Alt,
// 0x800 Win, press count in bits 12-15).
#pragma once
#include <windows.h>

const UINT WMA_CTLINIT = 0x801F;
const UINT WMA_HKKEYDOWN = 0x8020;  // wParam: virtual key going down
const UINT WMA_HKRESET = 0x8021;
const UINT WMA_HKREFRESH = 0x8022;

struct HotKeyFieldState {
  LPARAM Param;
  WORD Code;
};

// Subclasses edit with the address of the owner's slot; WMA_CTLINIT then
// stores the field's state record there. Returns 0 when it fails.
int MakeHotKeyField(HWND edit, HotKeyFieldState** slot, LPARAM param);
LRESULT CALLBACK HotKeyFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR ref);
// Whether the keyboard hook is installed now.
int IsHotKeyHookInstalled();
// What a key going down makes of the stored code; remembered is the main
// key kept across modifier presses (in/out). modifiers: 1 Shift, 2 Ctrl,
// 4 Alt, 8 Win.
WORD NextHotKeyCode(WORD code, UINT key, UINT modifiers, UINT* remembered);
