// Settings of Vantrel.ini that live for the whole run.
#pragma once
#include <windows.h>

// [General] Status bits.
enum : UINT {
  STATUS_VIEWMODE2 = 0x1,  // the second view mode is shown
  STATUS_PINNED = 0x2,
  STATUS_RESTRICTED = 0x4,
  STATUS_SEARCH = 0x8,
};

// [General] Option1 bits read here.
enum : UINT {
  OPT1_AUTO_BACKUP = 0x1,
  OPT1_KEEP_PINNED = 0x8,
  OPT1_KEEP_RESTRICTED = 0x10,
};

// [General] DispOption bits.
enum : UINT {
  DISP_SEPARATE_VIEWMODES = 0x2000,  // own design and button positions per view mode
};

struct SettingsState {
  int LastPage;
  int LastPosX, LastPosY;
  UINT Status;
  UINT Option1;
  UINT KeyboardOption;
  UINT DispOption;
  UINT DispPosition;
  int ShowPosX, ShowPosY;
  UINT StandbyPosition;
  int StandbyPosX, StandbyPosY;
  UINT Priority;
  int PendingSave;  // changed since the last full save
};

// A setting changed: save it later, once the launcher has been shown.
void MarkSettingsChanged();
