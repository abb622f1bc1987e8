// The texts of the launcher window's tooltips, given when the tooltip
// control asks for them (TTN_GETDISPINFOW): the system button, the tab or
// the button under the cursor.
#pragma once
#include <windows.h>
#include <commctrl.h>

// Where a tool's text comes from.
enum {
  TIP_NONE = 0,       // no text, nothing shown
  TIP_HIDE,           // the tool has nothing under the cursor: TTM_POP
  TIP_SYSTEM_BUTTON,  // Index: the button's skin slot
  TIP_TAB,            // Index: the page
  TIP_BUTTON,         // Index: the grid cell
};

struct TipSource {
  int Kind;
  int Index;
};

// What lies under the cursor.
struct TipCursor {
  int SystemSlot;      // skin slot of the system button under it (9, 12, 16, 20), -1 none
  int Tab;             // -1 none
  int Cell;            // -1 none
  int CellHasButton;
};

// The source of tool toolId's text with the DispOption bits given.
TipSource ChooseTipSource(UINT_PTR toolId, UINT dispOption, const TipCursor* cursor);

// Fills the request from the state under the cursor now.
void AnswerToolTipText(NMTTDISPINFOW* request);
