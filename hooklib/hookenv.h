// Platform calls of the gesture logic. One table per process, filled with the
// real calls; tests replace entries to feed synthetic time and key states and
// to see what would be posted or injected.
#pragma once
#include <windows.h>

struct HookEnv {
  DWORD (WINAPI* Tick)(void);
  SHORT (WINAPI* KeyState)(int vk);
  BOOL (WINAPI* Post)(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  UINT (WINAPI* Inject)(UINT count, LPINPUT inputs, int size);
};

extern HookEnv g_HookEnv;
