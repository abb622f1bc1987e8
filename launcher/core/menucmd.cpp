#include "core/menucmd.h"

#include "core/showhide.h"
#include "core/state.h"

static const UINT OPT1_AUTOHIDE_ON_PIN = 0x2000;

static void TogglePin() {
  g_App.Settings.Status ^= STATUS_PINNED;
  MarkSettingsChanged();
  UpdateTopmost(0);
  if ((g_App.Settings.Status & STATUS_PINNED) && g_App.MainWnd && !IsWindowVisible(g_App.MainWnd)) {
    int mode = ShowModeFromPositionBits(g_App.Settings.DispPosition & 0xF);
    if (g_App.Settings.Option1 & OPT1_AUTOHIDE_ON_PIN) mode |= 0x100;
    ShowLauncher(mode, g_App.Settings.ShowPosX, g_App.Settings.ShowPosY, 0xFFFF, 1);
  }
}

void OnMenuCommand(int id, int cell, int flags) {
  switch (id) {
    case CMD_EXIT:
      if (g_App.MainWnd) PostMessageW(g_App.MainWnd, WM_CLOSE, 0, 0);
      break;
    case CMD_PIN:
      TogglePin();
      break;
    default:
      break;
  }
}
