// The button grid of the current page: which logical position and which
// button each visible cell shows, with locked buttons in their own cells.
#pragma once
#include "store/items.h"

int RebuildButtonGrid(int resize);
void PlaceGridItems(int resize);
int FindGridCell(ItemPos pos);
void CollectLockedButtons();
// A locked button's home at that position in a view mode's slot.
bool IsLockedHome(int viewMode, int column, int row);
