// The one service table every plug-in receives with PE_INIT. Each service
// checks its arguments; those a plug-in may call from its own threads guard
// themselves (a try-lock that never waits, or the host lock).
#pragma once
#include <windows.h>

#include "plugins/vnplugin.h"

const PluginServices* GetPluginServices();

// A caption text a plug-in lent without copy is dropped (the Caption
// setting shows again) before a plug-in library is freed.
void ForgetPluginCaption();

// Command ids the pin, restricted, view-mode and hook services post.
enum : int {
  CMD_PIN_TOGGLE = 40005,
  CMD_RESTRICT_TOGGLE = 40006,
  CMD_VIEWMODE1 = 40008,
  CMD_VIEWMODE2 = 40009,
  CMD_HOOK_TOGGLE = 40010,
};

// The posted message parameters of PostShowLauncher: every argument is a
// 16-bit value, so higher bits cannot spill into the neighbouring field.
void PackShowLauncher(int mode, int x, int y, int page, WPARAM* wParam, LPARAM* lParam);
