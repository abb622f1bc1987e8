// Which buttons a search text finds and the order the hits are listed in,
// computed without windows or threads.
#pragma once

// One hit: where it lives, where the text was found and its cell.
struct SearchHit {
  int List;    // page number, or LIST_SUBMENU | child-menu number
  int Index;
  int Offset;  // first match, in characters
  int Grid;    // grid position in the current view mode (pages only)
};

// Offset of the first occurrence of text in field, case folded (accents stay
// distinct), or -1. An empty text or field finds nothing.
int FindSearchText(const wchar_t* field, const wchar_t* text);
// The offset a button is listed with: in its name, else (withTips) in its tip; -1 when neither.
int MatchSearchButton(const wchar_t* name, const wchar_t* tip, const wchar_t* text, int withTips);
// Sort key of a cell: rows first, or columns first in a vertical view mode.
int SearchGridPosition(int column, int row, int vertical);
// Puts hits given in scan order (pages, then child menus) into list order:
// by offset; equal offsets on one page by grid position; otherwise scan order.
void OrderSearchHits(SearchHit* hits, int count);
