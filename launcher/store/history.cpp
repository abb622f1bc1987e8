#include "store/history.h"

#include <string.h>

#include "state.h"
#include "store/outlets.h"

int MakeItemRef(int list, int index) {
  UINT high = (list == LIST_PLACEHOLDER || list == LIST_NONE) ? static_cast<UINT>(list)
                                                              : static_cast<UINT>(list + 1);
  return static_cast<int>((high << 16) | (static_cast<UINT>(index) & 0xFFFF));
}

int ItemRefList(int ref) {
  UINT v = static_cast<UINT>(ref);
  return v < 0xFFFE0000u ? static_cast<int>(v >> 16) - 1 : static_cast<int>(v >> 16);
}

int ItemRefIndex(int ref) { return ref & 0xFFFF; }

int WaitModelIdle() {
  DWORD start = GetTickCount();
  while (g_App.RunState & RS_HISTORY_BUSY) {
    if (GetTickCount() - start > 3000) return 0;
    Sleep(10);
  }
  return 1;
}

// Test-and-set: two writers can never both see the bit clear and rewrite
// the array at once.
int BeginModelBusy() {
  DWORD start = GetTickCount();
  for (;;) {
    LONG old = InterlockedOr(&g_App.RunState, RS_HISTORY_BUSY);
    if (!(old & RS_HISTORY_BUSY)) return 1;
    if (GetTickCount() - start > 3000) return 0;
    Sleep(10);
  }
}

void EndModelBusy() { InterlockedAnd(&g_App.RunState, ~static_cast<LONG>(RS_HISTORY_BUSY)); }

static int CellState(int cell) {
  ItemStore& s = g_App.Store;
  return cell == s.PressedCell ? 2 : cell == s.HoverCell ? 1 : 0;
}

void RedrawHistoryButtons() {
  ItemStore& s = g_App.Store;
  if (!g_StoreOutlets.DrawButton) return;
  for (int i = 0; i < s.GridCells; i++) {
    ButtonInfo* b = s.Grid[i].Button;
    if (b && ItemTypeOf(b->Type) == IT_HISTORY && (b->Type & ITEM_SHOW_NEWEST)) g_StoreOutlets.DrawButton(i, CellState(i));
  }
}

static bool IsShellFolder(LPCITEMIDLIST pidl) {
  if (!pidl) return false;
  IShellFolder* parent = nullptr;
  LPCITEMIDLIST child = nullptr;
  if (FAILED(SHBindToParent(pidl, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child))) return false;
  SFGAOF attrs = SFGAO_FOLDER;
  HRESULT hr = parent->GetAttributesOf(1, &child, &attrs);
  parent->Release();
  return SUCCEEDED(hr) && (attrs & SFGAO_FOLDER);
}

int IsHistoryExcluded(ButtonInfo* button) {
  if (!button) return 0;
  References& r = g_App.Store.Refs;
  UINT t = ItemTypeOf(button->Type);
  if ((r.HistoryFlag & 2) && (t & IT_POWER)) return 1;
  if ((r.HistoryFlag & 1) && (t & IT_BUILTIN)) return 1;
  if (r.HistoryFlag & 4) {
    if (t == IT_FOLDER || (t & IT_FOLDERLIKE)) return 1;
    if (t == IT_SHELLITEM && IsShellFolder(button->ShellItem)) return 1;
  }
  for (int i = 0; i < r.ExcludedCount; i++) {
    int v = r.Excluded[i];
    if (GetItem(ItemRefList(v), ItemRefIndex(v)) == button) return 1;
  }
  return 0;
}

int AddHistoryEntry(ButtonInfo* button, int option, int noRecord) {
  ItemStore& s = g_App.Store;
  References& r = s.Refs;
  s.LastLaunched = button;
  if (!r.History || r.MaxMemories <= 0 || noRecord || !button || IsHistoryExcluded(button)) return 1;
  int ref = MakeItemRef(button->List, button->Index);
  if (!ref) return 1;
  if (!BeginModelBusy()) return 0;
  int cap = r.MaxMemories < kMaxHistory ? r.MaxMemories : kMaxHistory;
  HistoryEntry old[kMaxHistory];
  memcpy(old, r.History, cap * sizeof(HistoryEntry));
  memset(r.History, 0, cap * sizeof(HistoryEntry));
  r.History[0].Ref = ref;
  r.History[0].Option = option;
  int n = 1;
  // Only the first cap - 1 old entries are looked at: a full history always
  // loses its oldest entry.
  for (int i = 0; i < cap - 1 && old[i].Ref; i++) {
    if (old[i].Ref == ref) continue;
    r.History[n++] = old[i];
  }
  EndModelBusy();
  RedrawHistoryButtons();
  MarkSettingsChanged();
  return 1;
}

int PruneHistory() {
  References& r = g_App.Store.Refs;
  if (!r.History || r.MaxMemories <= 0) return 0;
  if (!BeginModelBusy()) return 0;
  int cap = r.MaxMemories < kMaxHistory ? r.MaxMemories : kMaxHistory;
  bool firstGone = false;
  int i = 0;
  while (i < cap && r.History[i].Ref) {
    int v = r.History[i].Ref;
    ButtonInfo* b = GetItem(ItemRefList(v), ItemRefIndex(v));
    if (b && IsHistoryExcluded(b)) {
      if (i == 0) firstGone = true;
      memmove(&r.History[i], &r.History[i + 1], (cap - i - 1) * sizeof(HistoryEntry));
      r.History[cap - 1] = HistoryEntry{0, 0};
      continue;
    }
    i++;
  }
  EndModelBusy();
  if (firstGone) RedrawHistoryButtons();
  return 1;
}

int ResizeHistory(int n) {
  References& r = g_App.Store.Refs;
  if (n > kMaxHistory) n = kMaxHistory;
  if (!BeginModelBusy()) return 0;
  int ok = 1;
  if (n <= 0) {
    StoreFree(r.History);
    r.History = nullptr;
    r.MaxMemories = 0;
  } else {
    void* p = r.History ? StoreReAlloc(r.History, n * sizeof(HistoryEntry)) : StoreAlloc(n * sizeof(HistoryEntry));
    if (p) {
      r.History = static_cast<HistoryEntry*>(p);
      r.MaxMemories = n;
    } else {
      ok = 0;  // the old array stays
    }
  }
  EndModelBusy();
  return ok;
}

int AddHistoryExclusion(int ref) {
  References& r = g_App.Store.Refs;
  for (int i = 0; i < r.ExcludedCount; i++)
    if (r.Excluded[i] == ref) return 1;
  size_t bytes = (r.ExcludedCount + 1) * sizeof(int);
  void* p = r.Excluded ? StoreReAlloc(r.Excluded, bytes) : StoreAlloc(bytes);
  if (!p) return 0;
  r.Excluded = static_cast<int*>(p);
  r.Excluded[r.ExcludedCount++] = ref;
  return 1;
}

struct AssignmentSnapshot {
  UINT* Masks;
  MouseTarget* Places;
  CircleGestureSettings* Circles;
  UINT* Edges;
};

void FreeAssignmentSnapshot() {
  AssignmentSnapshot*& snap = g_App.Store.Snapshot;
  if (!snap) return;
  StoreFree(snap->Masks);
  StoreFree(snap->Places);
  StoreFree(snap->Circles);
  StoreFree(snap->Edges);
  StoreFree(snap);
  snap = nullptr;
}

int SnapshotAssignments(int op) {
  References& r = g_App.Store.Refs;
  AssignmentSnapshot*& snap = g_App.Store.Snapshot;
  if (op == 1) {
    FreeAssignmentSnapshot();
    snap = static_cast<AssignmentSnapshot*>(StoreAlloc(sizeof(AssignmentSnapshot)));
    if (!snap) return 0;
    snap->Masks = static_cast<UINT*>(StoreAlloc(sizeof(r.MousePlaceMask)));
    snap->Places = static_cast<MouseTarget*>(StoreAlloc(sizeof(r.MouseTargets)));
    snap->Circles = static_cast<CircleGestureSettings*>(StoreAlloc(sizeof(r.Circle)));
    snap->Edges = static_cast<UINT*>(StoreAlloc(sizeof(r.EdgeAssignment)));
    if (!snap->Masks || !snap->Places || !snap->Circles || !snap->Edges) {
      FreeAssignmentSnapshot();
      return 0;
    }
    memcpy(snap->Masks, r.MousePlaceMask, sizeof(r.MousePlaceMask));
    memcpy(snap->Places, r.MouseTargets, sizeof(r.MouseTargets));
    memcpy(snap->Circles, r.Circle, sizeof(r.Circle));
    memcpy(snap->Edges, r.EdgeAssignment, sizeof(r.EdgeAssignment));
    return 1;
  }
  if (op == 2 && snap) {
    memcpy(r.MousePlaceMask, snap->Masks, sizeof(r.MousePlaceMask));
    memcpy(r.MouseTargets, snap->Places, sizeof(r.MouseTargets));
    memcpy(r.Circle, snap->Circles, sizeof(r.Circle));
    memcpy(r.EdgeAssignment, snap->Edges, sizeof(r.EdgeAssignment));
  }
  FreeAssignmentSnapshot();
  return 1;
}
