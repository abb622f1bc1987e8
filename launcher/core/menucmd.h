// Numbered menu commands (WM_COMMAND 40001-40068) on the launcher as a whole.
#pragma once
#include <windows.h>

enum : int {
  CMD_EXIT = 40004,
  CMD_PIN = 40005,
};

// cell: the grid cell the command acts on, or -1.
void OnMenuCommand(int id, int cell, int flags);
