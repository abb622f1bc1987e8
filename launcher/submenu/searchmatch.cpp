#include "submenu/searchmatch.h"

#include <windows.h>

#include <algorithm>

#include "store/items.h"

namespace {
// One upper-case table for every UTF-16 unit, filled once; the worker folds
// thousands of names per keystroke and CharUpperW per character is slow.
struct FoldTable {
  wchar_t Map[65536];
  FoldTable() {
    for (int c = 0; c < 65536; c++) Map[c] = (wchar_t)c;
    Map[0] = 0;
    CharUpperBuffW(Map + 1, 65535);
    // Surrogate halves fold as themselves, never into other units.
    for (int c = 0xD800; c < 0xE000; c++) Map[c] = (wchar_t)c;
  }
};
const wchar_t* Fold() {
  static FoldTable table;
  return table.Map;
}
}  // namespace

int FindSearchText(const wchar_t* field, const wchar_t* text) {
  // Checked here: the shell's substring search answers differently for an
  // empty text on different systems.
  if (!field || !text || !*text || !*field) return -1;
  const wchar_t* f = Fold();
  wchar_t first = f[(unsigned short)text[0]];
  for (const wchar_t* p = field; *p; p++) {
    if (f[(unsigned short)*p] != first) continue;
    int i = 1;
    while (text[i] && p[i] && f[(unsigned short)p[i]] == f[(unsigned short)text[i]]) i++;
    if (!text[i]) return (int)(p - field);
    if (!p[i]) return -1;
  }
  return -1;
}

int MatchSearchButton(const wchar_t* name, const wchar_t* tip, const wchar_t* text, int withTips) {
  int at = FindSearchText(name, text);
  if (at < 0 && withTips) at = FindSearchText(tip, text);
  return at;
}

int SearchGridPosition(int column, int row, int vertical) {
  return vertical ? column * 65535 + row : row * 65535 + column;
}

void OrderSearchHits(SearchHit* hits, int count) {
  // Equal to placing each hit, in scan order, before the first placed hit
  // with a larger offset or on its own page in a later cell; pages are
  // scanned in number order before any child menu, so a stable sort on
  // (offset, child menu, page, cell) gives the same list in n log n.
  std::stable_sort(hits, hits + count, [](const SearchHit& a, const SearchHit& b) {
    if (a.Offset != b.Offset) return a.Offset < b.Offset;
    bool ca = (a.List & LIST_SUBMENU) != 0, cb = (b.List & LIST_SUBMENU) != 0;
    if (ca != cb) return cb;
    if (ca) return false;
    if (a.List != b.List) return a.List < b.List;
    return a.Grid < b.Grid;
  });
}
