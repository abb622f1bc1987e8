// State of the mouse and keyboard over the launcher window, shared by the
// launcher commands, mouse input, keys and the context menus.
#pragma once
#include <windows.h>

struct ButtonInfo;

// InputState::Press kinds (the pressed cell in the low 16 bits).
enum : UINT {
  PRESS_LEFT = 0x1000000,
  PRESS_RIGHT = 0x2000000,
  PRESS_KEY = 0x4000000,
  PRESS_KINDS = 0x7000000,
  PRESS_CANCELLED = 0x20000000,
};

// InputState::Gesture: suppression of the release after a mouse gesture.
enum : UINT {
  GS_SKIP_LDOWN = 1,
  GS_SKIP_LUP = 2,
  GS_SKIP_RDOWN = 4,
  GS_SKIP_RUP = 8,
  GS_SKIP_MDOWN = 16,
  GS_SKIP_MUP = 32,
  GS_SKIP_WHEEL = 64,
};

struct InputState {
  UINT Press;
  ButtonInfo* PressButton;
  int PressList;         // list of the pressed button (current page when empty)
  int PressIndex;        // its index, -1 for an empty cell
  int PressCell;
  POINT PressPoint;
  UINT Gesture;
  int MenuPending;       // a context menu may open (right press, key, command)
  int TabPressed;        // -1 none
  POINT TabPoint;
  int TabDrag;
  int RearrangeDrag;
  int ClosePressed;
  int SizingMode;        // 0 none, 1..8 borders, 9 move
  POINT SizingStart;
  int LastMenuItem;      // item of the last context menu (WM_COMMAND's cell)
  int PendingKeyCommand; // command + 1 run on key release
  int PageHoverTab;      // tab timer 7 waits on, -1 none
  int TooltipOff;        // deactivated by a cursor command until the mouse moves
  POINT CursorAtKey;
};

// Clears the press and the drags (hiding, start-up).
void ResetInputState();
