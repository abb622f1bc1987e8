// Order of folder-menu entries: the comparison of a new entry with one
// already placed, the insert index, and a whole-array sort that gives the
// same order as inserting the entries one by one.
#pragma once
#include <windows.h>

#include "submenu/records.h"

// The drive letter of a Computer-folder name: the character before the
// first ":)", or 0.
wchar_t DriveLetterOf(const wchar_t* name);
// Compares a new entry with a placed one by the sort key of bits (size and
// extension of a folder go by name): <0 the new one sorts first.
int CompareSmItems(const SmItem* added, const SmItem* placed, UINT bits, int computer);
// Where the new entry goes among n entries, the first folders of them
// folders (unless mixed). Entries whose data are needed and missing go last.
int FindSortedInsertIndex(SmItem* const* items, int n, int folders, const SmItem* added, UINT bits, int computer);
// Sorts by Sequence-ordered insertion semantics in O(n log n).
void SortSmItems(SmItem** items, int n, UINT bits, int computer);
