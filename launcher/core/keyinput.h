// Keys pressed while the launcher window has the focus: launcher keys run
// launcher commands, a button's own shortcut launches it, a key can press
// the current button, Tab goes to the search box, Escape ends a drag.
#pragma once
#include <windows.h>

// Launcher key entry that presses the current button.
const int kPressKeyEntry = 24;

// Key code (HotKeyCode form): the key in the low byte, the modifier state
// in the high byte. A modifier key itself gives the Windows key held (left
// first) or 0 as its key part.
int MakeKeyCode(int vk, UINT modifiers, int leftWinDown, int rightWinDown);
// 1 when the key part is 0, VK_LWIN or VK_RWIN.
int IsModifierOnlyCode(int code);
// First entry of the launcher key table with that code, -1 none.
int FindLauncherKey(const WORD* table, int count, int code);
// Entries that keep running on auto-repeat.
int IsRepeatableEntry(int entry);

void OnKeyDown(UINT message, WPARAM vk, LPARAM lParam);
void OnKeyUp(UINT message, WPARAM vk);
// 1 while the window's input method holds a composition string.
int IsImeComposing(HWND window);
