#include "store/grid.h"

#include <string.h>

#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "resources/resource.h"
#include "store/outlets.h"

void CollectLockedButtons() {
  ItemStore& s = g_App.Store;
  s.LockedCount = 0;
  for (int p = 0; p < s.PageCount; p++) {
    for (int i = 0; i < s.Pages[p].Count; i++) {
      ButtonInfo* b = s.PageButtons[p][i];
      if (!b || !(b->Type & ITEM_LOCKED)) continue;
      if (s.LockedCount == s.LockedCap) {
        int cap = s.LockedCap ? s.LockedCap * 2 : 16;
        void* q = s.Locked ? StoreReAlloc(s.Locked, cap * sizeof(ButtonInfo*)) : StoreAlloc(cap * sizeof(ButtonInfo*));
        if (!q) return;  // keep what was found so far
        s.Locked = static_cast<ButtonInfo**>(q);
        s.LockedCap = cap;
      }
      s.Locked[s.LockedCount++] = b;
    }
  }
}

bool IsLockedHome(int viewMode, int column, int row) {
  ItemStore& s = g_App.Store;
  for (int i = 0; i < s.LockedCount; i++) {
    const ItemPos& p = s.Locked[i]->Position[viewMode];
    if (p.PosX == column && p.PosY == row) return true;
  }
  return false;
}

int FindGridCell(ItemPos pos) {
  ItemStore& s = g_App.Store;
  for (int i = 0; i < s.GridCells; i++)
    if (s.Grid[i].Column == pos.PosX && s.Grid[i].Row == pos.PosY) return i;
  return -1;
}

namespace {

struct Placement {
  GridCell* cells;
  int cols, rows;
  bool alongRow;
  int vm;

  GridCell& At(int c, int r) { return cells[c + cols * r]; }
  static bool Unassigned(const GridCell& g) { return !g.Row && !g.Column && !g.Button; }

  // The cell before (c, r) on its line, false at the line's start.
  bool Before(int* c, int* r) const {
    if (alongRow) return *c > 0 ? (--*c, true) : false;
    return *r > 0 ? (--*r, true) : false;
  }
  bool After(int* c, int* r) const {
    if (alongRow) return *c + 1 < cols ? (++*c, true) : false;
    return *r + 1 < rows ? (++*r, true) : false;
  }

  void GiveToPreviousFreeCell(int c, int r, int column, int row) {
    while (Before(&c, &r)) {
      GridCell& g = At(c, r);
      if (Unassigned(g)) {
        g.Column = column;
        g.Row = row;
        return;
      }
    }
  }

  // The free cells from (c, r) to the line's end take the position of the
  // next free cell after them; the last one steps past locked homes.
  void SkipLockedPosition(int c, int r, int column, int row) {
    int line[1024];
    int n = 0;
    int fc = c, fr = r;
    do {
      if (!At(fc, fr).Button && n < 1024) line[n++] = fc + cols * fr;
    } while (After(&fc, &fr));
    if (!n) return;
    auto lineCoord = [&](const GridCell& g) { return alongRow ? g.Column : g.Row; };
    int lastValue = n > 1 ? lineCoord(cells[line[n - 1]]) : (alongRow ? column : row);
    for (int i = 0; i + 1 < n; i++) {
      GridCell& g = cells[line[i]];
      int v = lineCoord(cells[line[i + 1]]);
      g.Column = alongRow ? v : column;
      g.Row = alongRow ? row : v;
    }
    int v = lastValue + 1;
    while (alongRow ? IsLockedHome(vm, v, row) : IsLockedHome(vm, column, v)) v++;
    GridCell& last = cells[line[n - 1]];
    last.Column = alongRow ? v : column;
    last.Row = alongRow ? row : v;
  }
};

bool PlaceCells(int resize) {
  ItemStore& s = g_App.Store;
  int vm = CurrentViewMode();
  int cols = g_App.Design.ViewMode[vm].ButtonNumX > 0 ? g_App.Design.ViewMode[vm].ButtonNumX : 1;
  int rows = g_App.Design.ViewMode[vm].ButtonNumY > 0 ? g_App.Design.ViewMode[vm].ButtonNumY : 1;
  // A grid of another size than the design's is always resized: cells past
  // the array must never be written.
  if (resize || cols * rows != s.GridCells || !s.Grid) {
    size_t bytes = static_cast<size_t>(cols) * rows * sizeof(GridCell);
    void* p = s.Grid ? StoreReAlloc(s.Grid, bytes) : StoreAlloc(bytes);
    if (!p) return false;
    s.Grid = static_cast<GridCell*>(p);
    s.GridCells = cols * rows;
  }
  s.GridColumns = cols;
  s.GridRows = rows;
  memset(s.Grid, 0, s.GridCells * sizeof(GridCell));
  s.GridMaxColumn = 0;
  s.GridMaxRow = 0;

  for (int i = 0; i < s.LockedCount; i++) {
    ButtonInfo* b = s.Locked[i];
    const ItemPos& p = b->Position[vm];
    if (p.PosX >= 0 && p.PosX < cols && p.PosY >= 0 && p.PosY < rows) {
      GridCell& g = s.Grid[p.PosX + cols * p.PosY];
      g.Column = p.PosX;
      g.Row = p.PosY;
      g.Button = b;
    }
    if (p.PosX > s.GridMaxColumn) s.GridMaxColumn = p.PosX;
    if (p.PosY > s.GridMaxRow) s.GridMaxRow = p.PosY;
  }

  int rowOffset = 0, columnOffset = 0;
  if (s.CurrentPage >= 0 && s.CurrentPage < s.PageCount) {
    rowOffset = s.Pages[s.CurrentPage].ScrollStat[vm];
    columnOffset = s.Pages[s.CurrentPage].ScrollStat[2 + vm];
  }
  if (rowOffset < 0) rowOffset = 0;
  if (columnOffset < 0) columnOffset = 0;
  Placement pl{s.Grid, cols, rows, columnOffset >= 1 && rowOffset == 0, vm};
  for (int r = rows - 1; r >= 0; r--) {
    for (int c = cols - 1; c >= 0; c--) {
      GridCell& g = pl.At(c, r);
      int nc = c + columnOffset, nr = r + rowOffset;
      bool home = IsLockedHome(vm, nc, nr);
      if (Placement::Unassigned(g)) {
        if (home) {
          pl.SkipLockedPosition(c, r, nc, nr);
        } else {
          g.Column = nc;
          g.Row = nr;
        }
      } else if (!home) {
        if (g.Button) {
          pl.GiveToPreviousFreeCell(c, r, nc, nr);
        } else {
          bool naturalFirst = pl.alongRow ? nc < g.Column : nr < g.Row;
          if (naturalFirst) {
            pl.GiveToPreviousFreeCell(c, r, nc, nr);
          } else {
            pl.GiveToPreviousFreeCell(c, r, g.Column, g.Row);
            g.Column = nc;
            g.Row = nr;
          }
        }
      }
    }
  }

  if (s.CurrentPage >= 0 && s.CurrentPage < s.PageCount) {
    PageInfo& page = s.Pages[s.CurrentPage];
    for (int i = 0; i < page.Count; i++) {
      ButtonInfo* b = s.PageButtons[s.CurrentPage][i];
      if (!b || (b->Type & ITEM_LOCKED)) continue;
      const ItemPos& p = b->Position[vm];
      for (int k = 0; k < s.GridCells; k++) {
        GridCell& g = s.Grid[k];
        if (g.Column == p.PosX && g.Row == p.PosY) {
          if (!g.Button) g.Button = b;
          break;
        }
      }
      if (p.PosX > s.GridMaxColumn) s.GridMaxColumn = p.PosX;
      if (p.PosY > s.GridMaxRow) s.GridMaxRow = p.PosY;
    }
  }
  return true;
}

}  // namespace

void PlaceGridItems(int resize) { PlaceCells(resize); }

int RebuildButtonGrid(int resize) {
  if (PlaceCells(resize)) return 1;
  ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
  if (g_App.MainWnd) PostMessageW(g_App.MainWnd, WM_CLOSE, 0, 0);
  return 0;
}
