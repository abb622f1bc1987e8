// Every change of references walks all tables once, whatever the number of
// buttons moved: deleting a page of a full store stays linear.
#include "store/refs.h"

#include <string.h>

#include "state.h"
#include "store/history.h"
#include "store/hotkeys.h"
#include "store/items.h"
#include "store/outlets.h"

namespace {

enum { REF_KEEP, REF_SET, REF_REMOVE };
// Decides for one reference (list, index); may change both for REF_SET.
typedef int (*ItemRefFn)(int* list, int* index, void* ctx);

// A list number within its kind; kPlaceholder stands for LIST_PLACEHOLDER.
const int kPlaceholder = -2;
typedef int (*ListFn)(int number, void* ctx);  // new number, -1 gone

// Compacts an entry array through fn; shrinks it to its new size.
int WalkEntries(int* count, EventEntry** entries, ItemRefFn fn, void* ctx) {
  int matched = 0, n = 0;
  EventEntry* e = *entries;
  if (!e) return 0;
  for (int i = 0; i < *count; i++) {
    EventEntry x = e[i];
    int a = fn(&x.List, &x.Index, ctx);
    if (a != REF_KEEP) matched++;
    if (a == REF_REMOVE) continue;
    e[n++] = x;
  }
  if (n == *count) return matched;
  *count = n;
  if (n == 0) {
    StoreFree(e);
    *entries = nullptr;
  } else if (void* p = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, e, n * sizeof(EventEntry))) {
    *entries = static_cast<EventEntry*>(p);  // a failed shrink keeps the larger block
  }
  return matched;
}

int WalkRefArray(int* refs, int count, int* newCount, ItemRefFn fn, void* ctx) {
  int matched = 0, n = 0;
  for (int i = 0; i < count; i++) {
    int v = refs[i];
    if (!v) break;
    int l = ItemRefList(v), x = ItemRefIndex(v);
    int a = fn(&l, &x, ctx);
    if (a != REF_KEEP) matched++;
    if (a == REF_REMOVE) continue;
    refs[n++] = a == REF_SET ? MakeItemRef(l, x) : v;
  }
  *newCount = n;
  return matched;
}

void WalkButtonChains(ButtonInfo** table, int count, ItemRefFn fn, void* ctx, int* matched) {
  for (int i = 0; i < count; i++) {
    ButtonInfo* b = table[i];
    if (b && b->ChainBootCount > 0) *matched += WalkEntries(&b->ChainBootCount, &b->ChainBoot, fn, ctx);
  }
}

// Walks every stored button reference; parents adds the owners of child
// menus (changed, never removed). Returns the number of references matched
// outside the child-menu parents.
int WalkItemRefs(ItemRefFn fn, void* ctx, bool parents) {
  ItemStore& s = g_App.Store;
  References& r = s.Refs;
  int matched = 0;

  // History: skipped when the model stays busy; the other tables still change.
  if (r.History && r.MaxMemories > 0 && BeginModelBusy()) {
    int refs[kMaxHistory], options[kMaxHistory], cap = r.MaxMemories < kMaxHistory ? r.MaxMemories : kMaxHistory;
    int used = 0;
    while (used < cap && r.History[used].Ref) {
      refs[used] = r.History[used].Ref;
      options[used] = r.History[used].Option;
      used++;
    }
    int n = 0, m = 0;
    for (int i = 0; i < used; i++) {
      int l = ItemRefList(refs[i]), x = ItemRefIndex(refs[i]);
      int a = fn(&l, &x, ctx);
      if (a != REF_KEEP) m++;
      if (a == REF_REMOVE) continue;
      r.History[n].Ref = a == REF_SET ? MakeItemRef(l, x) : refs[i];
      r.History[n].Option = options[i];
      n++;
    }
    for (int i = n; i < used; i++) r.History[i] = HistoryEntry{0, 0};
    EndModelBusy();
    if (m) RedrawHistoryButtons();
    matched += m;
  }

  if (r.Excluded && r.ExcludedCount > 0) {
    int n;
    matched += WalkRefArray(r.Excluded, r.ExcludedCount, &n, fn, ctx);
    if (n != r.ExcludedCount) {
      r.ExcludedCount = n;
      if (!n) {
        StoreFree(r.Excluded);
        r.Excluded = nullptr;
      }
    }
  }

  for (int p = 0; p < s.PageCount; p++) WalkButtonChains(s.PageButtons[p], s.Pages[p].Count, fn, ctx, &matched);
  for (int m = 0; m < s.SubMenuCount; m++)
    WalkButtonChains(s.SubMenuButtons[m], s.SubMenus[m].Count, fn, ctx, &matched);
  for (int k = 0; k < kEventLists; k++)
    matched += WalkEntries(&r.AutoBoot[k].Count, &r.AutoBoot[k].Entries, fn, ctx);

  bool sendMouse = false;
  for (int a = 0; a < kMouseActions; a++) {
    for (int p = 0; p < kMousePlaces; p++) {
      MouseTarget& t = r.MouseTargets[a][p];
      if (!(r.MousePlaceMask[a] & (1u << p)) || t.List == LIST_NONE) continue;
      int act = fn(&t.List, &t.Index, ctx);
      if (act == REF_KEEP) continue;
      matched++;
      if (act == REF_REMOVE) {
        r.MousePlaceMask[a] &= ~(1u << p);
        t = MouseTarget{0, 0};
        sendMouse = true;
      }
    }
  }
  for (int e = 0; e < kEdgeCount; e++) {
    UINT v = r.EdgeAssignment[e];
    if (v <= 0xFFFF || v >= 0xFFFF0000u) continue;  // none, or show a page
    int l = ItemRefList(static_cast<int>(v)), x = ItemRefIndex(static_cast<int>(v));
    int act = fn(&l, &x, ctx);
    if (act == REF_KEEP) continue;
    matched++;
    r.EdgeAssignment[e] = act == REF_SET ? static_cast<UINT>(MakeItemRef(l, x)) : 0;
  }
  for (int c = 0; c < 2; c++) {
    CircleGestureSettings& g = r.Circle[c];
    if (!g.Enable || g.Page == LIST_NONE) continue;
    int act = fn(&g.Page, &g.Button, ctx);
    if (act == REF_KEEP) continue;
    matched++;
    if (act == REF_REMOVE) {
      g.Enable = 0;
      g.Page = LIST_NONE;
      g.Button = 0;
      sendMouse = true;
    }
  }

  HotKeyTable& hk = r.HotKeys;
  if (hk.Rows && hk.Count > 0) {
    int n = 1, before = hk.Count;
    for (int i = 1; i <= hk.Count; i++) {
      HotKeyEntry row = hk.Rows[i];
      int act = fn(&row.List, &row.Index, ctx);
      if (act != REF_KEEP) matched++;
      if (act == REF_REMOVE) continue;
      hk.Rows[n++] = row;
    }
    if (n - 1 != before) {
      hk.Count = n - 1;
      memset(&hk.Rows[n], 0, (before + 1 - n) * sizeof(HotKeyEntry));
      if (void* p = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, hk.Rows, n * sizeof(HotKeyEntry)))
        hk.Rows = static_cast<HotKeyEntry*>(p);
      SendHotKeyTable();
    }
  }

  if (parents) {
    for (int m = 0; m < s.SubMenuCount; m++) {
      SubMenuInfo& info = s.SubMenus[m];
      int l = info.Page, x = info.Button;
      if (fn(&l, &x, ctx) == REF_SET) {
        info.Page = l;
        info.Button = x;
      }
    }
  }

  if (sendMouse && g_StoreOutlets._VnSetDllData) g_StoreOutlets._VnSetDllData(1, r.MousePlaceMask, r.Circle);
  return matched;
}

struct ReplaceCtx {
  int list, index, newList, newIndex, set;
};
int ReplaceFn(int* list, int* index, void* ctx) {
  ReplaceCtx* c = static_cast<ReplaceCtx*>(ctx);
  if (*list != c->list || *index != c->index) return REF_KEEP;
  if (!c->set) return REF_REMOVE;
  *list = c->newList;
  *index = c->newIndex;
  return REF_SET;
}

struct ShiftCtx {
  int list, first, last, delta;
};
int ShiftFn(int* list, int* index, void* ctx) {
  ShiftCtx* c = static_cast<ShiftCtx*>(ctx);
  if (*list != c->list || *index < c->first || *index > c->last) return REF_KEEP;
  *index += c->delta;
  return REF_SET;
}

struct DeadCtx {
  int page;
  const unsigned char* dead;
  int count;
};
int DeadFn(int* list, int* index, void* ctx) {
  DeadCtx* c = static_cast<DeadCtx*>(ctx);
  int l = *list;
  if (l < LIST_SUBMENU) return l == c->page ? REF_REMOVE : REF_KEEP;
  if (l >= LIST_PLACEHOLDER || !c->dead) return REF_KEEP;
  int n = l & 0x7FFF;
  return n < c->count && c->dead[n] ? REF_REMOVE : REF_KEEP;
}

// Applies a list renumbering to one list value of the kind, or leaves it.
struct ListCtx {
  bool sub;
  ListFn fn;
  void* ctx;
};
bool ListOfKind(const ListCtx* c, int list) {
  if (list == LIST_PLACEHOLDER) return true;
  if (list == LIST_NONE || list < 0) return false;
  return c->sub ? (list & LIST_SUBMENU) != 0 : list < LIST_SUBMENU;
}
int ToNumber(const ListCtx* c, int list) {
  return list == LIST_PLACEHOLDER ? kPlaceholder : (c->sub ? list & 0x7FFF : list);
}
int FromNumber(const ListCtx* c, int number) {
  if (number == kPlaceholder) return LIST_PLACEHOLDER;
  return c->sub ? (LIST_SUBMENU | number) : number;
}
int ListRefFn(int* list, int* index, void* ctx) {
  ListCtx* c = static_cast<ListCtx*>(ctx);
  if (!ListOfKind(c, *list)) return REF_KEEP;
  int n = c->fn(ToNumber(c, *list), c->ctx);
  if (n == -1) return REF_REMOVE;
  int v = FromNumber(c, n);
  if (v == *list) return REF_KEEP;
  *list = v;
  return REF_SET;
}
// A page number field (show the launcher at a page; 0xFFFF none).
int MapPageNumber(const ListCtx* c, int page) {
  if (page == LIST_NONE) return page;
  int n = c->fn(page == LIST_PLACEHOLDER ? kPlaceholder : page, c->ctx);
  if (n == -1) n = page > 0 ? c->fn(page - 1, c->ctx) : 0;
  if (n == kPlaceholder) return LIST_PLACEHOLDER;
  return n < 0 ? 0 : n;
}

void WalkListRefs(bool sub, ListFn fn, void* ctx) {
  ItemStore& s = g_App.Store;
  References& r = s.Refs;
  ListCtx c{sub, fn, ctx};
  WalkItemRefs(ListRefFn, &c, true);

  if (!sub) {
    for (int a = 0; a < kMouseActions; a++)
      for (int p = 0; p < kMousePlaces; p++) {
        MouseTarget& t = r.MouseTargets[a][p];
        if ((r.MousePlaceMask[a] & (1u << p)) && t.List == LIST_NONE) t.Index = MapPageNumber(&c, t.Index);
      }
    for (int e = 0; e < kEdgeCount; e++) {
      UINT v = r.EdgeAssignment[e];
      if (v >= 0xFFFF0000u) r.EdgeAssignment[e] = 0xFFFF0000u | (MapPageNumber(&c, v & 0xFFFF) & 0xFFFF);
    }
    for (int k = 0; k < 2; k++) {
      CircleGestureSettings& g = r.Circle[k];
      if (g.Enable && g.Page == LIST_NONE) g.Button = MapPageNumber(&c, g.Button);
    }
    HotKeyTable& hk = r.HotKeys;
    if (hk.Rows && hk.Rows[0].Code) hk.Rows[0].List = MapPageNumber(&c, hk.Rows[0].List);
  }

  // Structural fields: every button's List is its list's slot; the owners of
  // child menus name their child menu's new number.
  if (!sub) {
    for (int p = 0; p < s.PageCount; p++)
      for (int i = 0; i < s.Pages[p].Count; i++)
        if (ButtonInfo* b = s.PageButtons[p][i]) b->List = p;
  } else {
    for (int m = 0; m < s.SubMenuCount; m++)
      for (int i = 0; i < s.SubMenus[m].Count; i++)
        if (ButtonInfo* b = s.SubMenuButtons[m][i]) b->List = LIST_SUBMENU | m;
  }
  if (sub) {
    auto fixOwners = [&](ButtonInfo** t, int n) {
      for (int i = 0; i < n; i++) {
        ButtonInfo* b = t[i];
        if (!b || ItemTypeOf(b->Type) != IT_CHILDMENU) continue;
        int v = fn(b->SubMenuIdx & 0x7FFF, ctx);
        if (v >= 0) b->SubMenuIdx = v;
      }
    };
    for (int p = 0; p < s.PageCount; p++) fixOwners(s.PageButtons[p], s.Pages[p].Count);
    for (int m = 0; m < s.SubMenuCount; m++) fixOwners(s.SubMenuButtons[m], s.SubMenus[m].Count);
  }
}

struct FixupCtx {
  int list, delta, markMoved;
};
int FixupFn(int r, void* ctx) {
  FixupCtx* c = static_cast<FixupCtx*>(ctx);
  if (r == kPlaceholder) return c->list;
  if (r < c->list) return r;
  if (c->markMoved && r == c->list) return kPlaceholder;
  int v = r + c->delta;
  return v < 0 ? -1 : v;
}

struct MapCtx {
  const int* map;
  int count;
};
int MapFn(int r, void* ctx) {
  MapCtx* c = static_cast<MapCtx*>(ctx);
  if (r < 0 || r >= c->count) return r;
  return c->map[r];
}

struct IndexMapCtx {
  int list;
  const int* map;
  int count;
};
int IndexMapFn(int* list, int* index, void* ctx) {
  IndexMapCtx* c = static_cast<IndexMapCtx*>(ctx);
  if (*list != c->list || *index < 0 || *index >= c->count || c->map[*index] == *index) return REF_KEEP;
  *index = c->map[*index];
  return REF_SET;
}

}  // namespace

int RemapItemIndices(int list, const int* map, int count) {
  IndexMapCtx c{list, map, count};
  return WalkItemRefs(IndexMapFn, &c, true) > 0;
}

int ReplaceItemReferences(int list, int index, int newList, int newIndex, int set) {
  ReplaceCtx c{list, index, newList, newIndex, set};
  return WalkItemRefs(ReplaceFn, &c, set != 0) > 0;
}

int ShiftItemIndices(int list, int first, int last, int delta) {
  int count;
  ButtonInfo** t = ListTable(list, &count);
  if (!t || first < 0 || first >= count || last < first || first + delta < 0 || last + delta >= count) return 0;
  ShiftCtx c{list, first, last, delta};
  int changed = WalkItemRefs(ShiftFn, &c, true) > 0;
  memmove(&t[first + delta], &t[first], (last - first + 1) * sizeof(ButtonInfo*));
  for (int i = first + delta; i <= last + delta; i++) t[i]->Index = i;
  return changed;
}

int RemoveListReferences(int page, const unsigned char* dead) {
  DeadCtx c{page, dead, g_App.Store.SubMenuCount};
  return WalkItemRefs(DeadFn, &c, false) > 0;
}

void FixupReferences(int list, int delta, int markMoved) {
  bool sub = list != LIST_NONE && list != LIST_PLACEHOLDER && (list & LIST_SUBMENU);
  FixupCtx c{sub ? list & 0x7FFF : list, delta, markMoved};
  WalkListRefs(sub, FixupFn, &c);
}

void RemapListReferences(int subMenus, const int* map, int oldCount) {
  MapCtx c{map, oldCount};
  WalkListRefs(subMenus != 0, MapFn, &c);
}
