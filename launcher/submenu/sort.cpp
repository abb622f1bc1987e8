#include "submenu/sort.h"

#include <algorithm>

#include "submenu/options.h"

wchar_t DriveLetterOf(const wchar_t* name) {
  if (!name) return 0;
  const wchar_t* p = wcsstr(name, L":)");
  return p && p > name ? p[-1] : 0;
}

static int CompareNames(const wchar_t* a, const wchar_t* b) { return lstrcmpiW(a ? a : L"", b ? b : L""); }

static UINT KeyBitsFor(const SmItem* added, UINT bits) {
  if (IsFolderItem(added) && (bits & (SMO_BY_SIZE | SMO_BY_EXT)))
    bits = (bits & ~SMO_KEY_MASK & ~SMO_BY_NAME) | SMO_BY_NAME;
  return bits;
}

int CompareSmItems(const SmItem* a, const SmItem* b, UINT bits, int computer) {
  bits = KeyBitsFor(a, bits);
  if (bits & SMO_BY_SIZE) return a->Size > b->Size ? 1 : -1;
  if (bits & SMO_BY_EXT) return CompareNames(a->Extension, b->Extension);
  if (bits & SMO_BY_WRITE) return CompareFileTime(&a->WriteTime, &b->WriteTime);
  if (bits & SMO_BY_CREATION) return CompareFileTime(&a->CreationTime, &b->CreationTime);
  if (bits & SMO_BY_ACCESS) return CompareFileTime(&a->AccessTime, &b->AccessTime);
  if (computer) {
    wchar_t x = DriveLetterOf(a->Name), y = DriveLetterOf(b->Name);
    if (x && y) return x < y ? -1 : 1;
    if (x) return -1;
    if (y) return 1;
    return 0;
  }
  return CompareNames(a->Name, b->Name);
}

static int NeedsData(const SmItem* it, UINT bits) {
  return (bits & SMO_KEY_MASK) && !(it->Attributes & SMA_DATA_READ);
}

// The new entry stops in front of a placed one.
static int StopsBefore(const SmItem* added, const SmItem* placed, UINT bits, int computer) {
  int r = CompareSmItems(added, placed, bits, computer);
  return (bits & SMO_REVERSE) ? r > 0 : r < 0;
}

int FindSortedInsertIndex(SmItem* const* items, int n, int folders, const SmItem* added, UINT bits, int computer) {
  if (!(bits & SMO_SORT_MASK) || NeedsData(added, bits)) return n;
  int lo = 0, hi = n;
  if (!(bits & SMO_MIXED)) {
    if (IsFolderItem(added)) hi = folders;
    else lo = folders;
  }
  for (int i = lo; i < hi; ++i)
    if (StopsBefore(added, items[i], bits, computer)) return i;
  return hi;
}

void SortSmItems(SmItem** items, int n, UINT bits, int computer) {
  if (!(bits & SMO_SORT_MASK) || n < 2) return;
  // Inserting one by one fixes each pair by the later entry's comparison
  // with the earlier one; that pairwise order, applied by a merge sort,
  // gives the same array without the quadratic walk.
  auto precedes = [bits, computer](const SmItem* a, const SmItem* b) {
    if (a == b) return false;
    int aLater = a->Sequence > b->Sequence;
    const SmItem* later = aLater ? a : b;
    const SmItem* earlier = aLater ? b : a;
    int laterFirst;
    if (NeedsData(later, bits)) laterFirst = 0;
    else if (NeedsData(earlier, bits)) laterFirst = 1;
    else if (!(bits & SMO_MIXED) && IsFolderItem(later) != IsFolderItem(earlier)) laterFirst = IsFolderItem(later);
    else laterFirst = StopsBefore(later, earlier, bits, computer);
    return aLater ? laterFirst != 0 : laterFirst == 0;
  };
  std::stable_sort(items, items + n, precedes);
}
