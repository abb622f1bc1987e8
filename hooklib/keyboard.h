// Hot-key detection shared by the ordinary and the low-level keyboard hook.
#pragma once
#include "hooklib/vnhook.h"

// The HotKeyCode (low 12 bits) of a key-down of vk with the modifiers held now.
WORD BuildHotKeyCode(const SharedHookData* d, BYTE vk);

// Compares one key event with the hot-key rows and posts WMA_HOTKEY for the
// rows that fire. time is the event's tick count. TRUE = swallow the event.
BOOL MatchHotKey(SharedHookData* d, BYTE vk, DWORD time, BOOL down);
