// Keeping every stored reference to a button or a list right when buttons
// and lists move, are renumbered or go away.
#pragma once

int ReplaceItemReferences(int list, int index, int newList, int newIndex, int set);
void FixupReferences(int list, int delta, int markMoved);
int ShiftItemIndices(int list, int first, int last, int delta);

// Removes every reference to a button of the given lists: the page `page`
// (-1 none) and the child menus whose dead[n] is set (dead may be null).
// One pass over all tables. Returns refs changed.
int RemoveListReferences(int page, const unsigned char* dead);

// Renumbers every reference to lists of one kind (pages, or child menus with
// subMenus set) after the arrays were rearranged: map[old] is the new number,
// or -1 for a list that is gone. A page number naming a gone page moves to
// the page before it (page 0 stays 0).
void RemapListReferences(int subMenus, const int* map, int oldCount);

// Renumbers the references to the buttons of one list after its table was
// reordered: map[old index] = new index. Returns refs changed.
int RemapItemIndices(int list, const int* map, int count);
