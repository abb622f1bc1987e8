// Changing page buttons' grid positions without adding or removing buttons:
// locking, shifting a line, inserting and deleting grid lines, moving a
// button to another place of its page.
#pragma once
#include "store/items.h"

enum : int {
  GRID_INSERT = 1,
  GRID_DELETE = 2,
  GRID_ROW = 4,
  GRID_COLUMN = 8,
};

void ToggleButtonLock(ButtonInfo* button, int redraw);
void ShiftButtonPositions(int page, ItemPos from, const ItemPos* to, int delta, int viewMode);
void InsertOrDeleteGridLine(int cell, int flags);
void MoveButtonInList(int page, ButtonInfo* button, int cell, ButtonInfo* target);
