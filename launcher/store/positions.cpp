#include "store/positions.h"

#include <limits.h>
#include <stdlib.h>

#include "state.h"
#include "store/grid.h"
#include "store/outlets.h"

namespace {

int& Along(ItemPos& p, bool vertical) { return vertical ? p.PosY : p.PosX; }
int Along(const ItemPos& p, bool vertical) { return vertical ? p.PosY : p.PosX; }
int Across(const ItemPos& p, bool vertical) { return vertical ? p.PosX : p.PosY; }

// Stores a position for one view mode's slot, and for both when shared.
void StorePosition(ButtonInfo* b, int vm, ItemPos p) {
  if (PositionsPerViewMode()) {
    b->Position[vm] = p;
  } else {
    b->Position[0] = p;
    b->Position[1] = p;
  }
}

bool CurrentPageScrolled() {
  ItemStore& s = g_App.Store;
  if (s.CurrentPage < 0 || s.CurrentPage >= s.PageCount) return false;
  int vm = CurrentViewMode();
  const PageInfo& p = s.Pages[s.CurrentPage];
  return p.ScrollStat[vm] != 0 || p.ScrollStat[2 + vm] != 0;
}

bool PageHasButtonAt(int page, int vm, ItemPos pos, const ButtonInfo* except) {
  ItemStore& s = g_App.Store;
  for (int i = 0; i < s.Pages[page].Count; i++) {
    ButtonInfo* b = s.PageButtons[page][i];
    if (b != except && b->Position[vm].PosX == pos.PosX && b->Position[vm].PosY == pos.PosY) return true;
  }
  return false;
}

// Flips the lock and moves the other pages' buttons out of (or back into)
// the locked home.
void SetLock(ButtonInfo* button, bool lock) {
  ItemStore& s = g_App.Store;
  if (lock) button->Type |= ITEM_LOCKED;
  else button->Type &= ~ITEM_LOCKED;
  CollectLockedButtons();
  int modes = PositionsPerViewMode() ? 2 : 1;
  for (int p = 0; p < s.PageCount; p++) {
    if (p == button->List) continue;
    for (int vm = 0; vm < modes; vm++) {
      ItemPos pos = button->Position[vm];
      bool taken = PageHasButtonAt(p, vm, pos, button);
      if (lock && taken) ShiftButtonPositions(p, pos, nullptr, +1, vm);
      if (!lock && !taken) ShiftButtonPositions(p, pos, nullptr, -1, vm);
    }
  }
}

// The first place from v on along p's line, stepping by dir, that no locked
// button holds; a step below 0 turns forward. -1 when the steps would pass
// the largest coordinate: a damaged file can hold any position.
long long FreePlaceAlong(int vm, ItemPos p, bool vertical, long long v, int dir) {
  if (v < 0) v = 0;
  for (;;) {
    if (v > INT_MAX) return -1;
    ItemPos q = p;
    Along(q, vertical) = static_cast<int>(v);
    if (!IsLockedHome(vm, q.PosX, q.PosY)) return v;
    // Held at 0 by a locked home: look forward instead of looping there.
    if (v == 0 && dir < 0) dir = 1;
    v += dir;
  }
}

int CompareInts(const void* a, const void* b) {
  int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
  return x < y ? -1 : x > y ? 1 : 0;
}

void FinishPositionChange() {
  RebuildButtonGrid(0);
  if (g_StoreOutlets.RepaintMainWindow) g_StoreOutlets.RepaintMainWindow(RP_BUTTONS | RP_PUSH);
  if (g_StoreOutlets.SavePages) g_StoreOutlets.SavePages(nullptr);
}

}  // namespace

void ShiftButtonPositions(int page, ItemPos from, const ItemPos* to, int delta, int viewMode) {
  ItemStore& s = g_App.Store;
  if (page < 0 || page >= s.PageCount || !delta) return;
  int vm = PositionViewMode(viewMode);
  bool vertical = ViewModeVertical(vm);
  int step = delta > 0 ? 1 : -1;
  for (int i = 0; i < s.Pages[page].Count; i++) {
    ButtonInfo* b = s.PageButtons[page][i];
    if (b->Type & ITEM_LOCKED) continue;
    ItemPos p = b->Position[vm];
    if (Across(p, vertical) != Across(from, vertical)) continue;
    int a = Along(p, vertical);
    if (a < Along(from, vertical)) continue;
    if (to && a > Along(*to, vertical)) continue;
    long long v = FreePlaceAlong(vm, p, vertical, static_cast<long long>(a) + delta, step);
    if (v < 0) continue;  // no place left on the line: it stays
    Along(p, vertical) = static_cast<int>(v);
    StorePosition(b, vm, p);
  }
}

void ToggleButtonLock(ButtonInfo* button, int redraw) {
  ItemStore& s = g_App.Store;
  if (!button || button->List < 0 || button->List >= s.PageCount) return;
  bool lock = !(button->Type & ITEM_LOCKED);
  if (lock && CurrentPageScrolled()) return;
  SetLock(button, lock);
  if (!redraw) return;
  RebuildButtonGrid(0);
  bool otherPage = !lock && button->List != s.CurrentPage;
  int cell = FindGridCell(button->Position[CurrentViewMode()]);
  if (otherPage || CurrentPageScrolled() || cell < 0) {
    if (g_StoreOutlets.RepaintMainWindow) g_StoreOutlets.RepaintMainWindow(RP_BUTTONS | RP_PUSH);
  } else if (g_StoreOutlets.DrawButton) {
    g_StoreOutlets.DrawButton(cell, cell == s.PressedCell ? 2 : cell == s.HoverCell ? 1 : 0);
  }
  if (g_StoreOutlets.SavePages) g_StoreOutlets.SavePages(nullptr);
}

void InsertOrDeleteGridLine(int cell, int flags) {
  ItemStore& s = g_App.Store;
  if (cell < 0 || cell >= s.GridCells || s.CurrentPage < 0 || s.CurrentPage >= s.PageCount) return;
  if (!(flags & (GRID_INSERT | GRID_DELETE)) || !(flags & (GRID_ROW | GRID_COLUMN))) return;
  bool rowOp = (flags & GRID_ROW) != 0;
  bool insert = (flags & GRID_INSERT) != 0;
  int vm = PositionViewMode(-1);
  int line = rowOp ? s.Grid[cell].Row : s.Grid[cell].Column;
  int page = s.CurrentPage;
  ButtonInfo** table = s.PageButtons[page];
  int count = s.Pages[page].Count;

  // The crossing lines that stay: those of locked buttons on the line and,
  // when deleting, of every button on it. A sorted list of their numbers,
  // not an array indexed by them: a damaged file can hold any coordinate,
  // and there are never more marks than buttons.
  int* marks = static_cast<int*>(StoreAlloc((static_cast<size_t>(count) + s.LockedCount) * sizeof(int)));
  if (!marks) return;
  int marked = 0;
  auto markOnLine = [&](const ItemPos& p) {
    if ((rowOp ? p.PosY : p.PosX) == line) marks[marked++] = rowOp ? p.PosX : p.PosY;
  };
  for (int i = 0; i < s.LockedCount; i++) markOnLine(s.Locked[i]->Position[vm]);
  if (!insert)
    for (int i = 0; i < count; i++) markOnLine(table[i]->Position[vm]);
  qsort(marks, marked, sizeof(int), CompareInts);

  int step = insert ? 1 : -1;
  for (int i = 0; i < count; i++) {
    ButtonInfo* b = table[i];
    if (b->Type & ITEM_LOCKED) continue;
    ItemPos p = b->Position[vm];
    int on = rowOp ? p.PosY : p.PosX;
    int cross = rowOp ? p.PosX : p.PosY;
    if (on < line) continue;
    if (bsearch(&cross, marks, marked, sizeof(int), CompareInts)) continue;
    long long v = FreePlaceAlong(vm, p, rowOp, static_cast<long long>(on) + step, step);
    if (v < 0) continue;  // already on the last line there is
    (rowOp ? p.PosY : p.PosX) = static_cast<int>(v);
    StorePosition(b, vm, p);
  }
  StoreFree(marks);
  FinishPositionChange();
}

void MoveButtonInList(int page, ButtonInfo* button, int cell, ButtonInfo* target) {
  ItemStore& s = g_App.Store;
  if (!button || page < 0 || page >= s.PageCount || button->List != page || button == target) return;
  if (!target && (cell < 0 || cell >= s.GridCells)) return;
  bool wasLocked = (button->Type & ITEM_LOCKED) != 0;
  int vm = PositionViewMode(-1);
  bool vertical = ViewModeVertical(vm);  // as ShiftButtonPositions sees the line
  if (wasLocked) SetLock(button, false);
  ItemPos p = button->Position[vm];
  ItemPos dest;
  if (!target) {
    dest.PosX = s.Grid[cell].Column;
    dest.PosY = s.Grid[cell].Row;
  } else {
    ItemPos q = target->Position[vm];
    bool sameLine = Across(p, vertical) == Across(q, vertical);
    if (sameLine && Along(p, vertical) < Along(q, vertical)) {
      ItemPos from = p, to = q;
      Along(from, vertical) += 1;
      Along(to, vertical) -= 1;
      if (Along(from, vertical) <= Along(to, vertical)) ShiftButtonPositions(page, from, &to, -1, -1);
      dest = q;
      int v = Along(q, vertical) - 1;
      for (;;) {
        if (v < 0) v = 0;
        ItemPos t = q;
        Along(t, vertical) = v;
        if (!IsLockedHome(vm, t.PosX, t.PosY) || v == 0) break;
        v--;
      }
      Along(dest, vertical) = v;
    } else {
      ItemPos to = p;
      Along(to, vertical) -= 1;
      ShiftButtonPositions(page, q, sameLine ? &to : nullptr, +1, -1);
      dest = q;
    }
  }
  StorePosition(button, vm, dest);
  if (wasLocked) SetLock(button, true);
  FinishPositionChange();
}
