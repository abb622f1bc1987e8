// The search worker: finds the buttons of every page and child menu whose
// name (or tip) holds a text, on its own thread, into a private heap.
#pragma once
#include <windows.h>

struct ButtonInfo;

// One listed hit. The button is named by list and index and fetched again on
// every use, so a hit never points into the store.
struct SearchResult {
  int List;
  int Index;
  int Offset;
  wchar_t* Name;  // copy, on the result heap
  RECT Rect;      // its row in the search window
};

// A whole result set: freed in one HeapDestroy.
struct SearchResults {
  HANDLE Heap;
  SearchResult** Items;
  int Count;
};

// Scans the store for text. cancel (may be null) is polled before every
// button. Returns 1 with *out filled (heap may be null for no hits), 0 when
// cancelled or without memory (*out empty).
int CollectSearchResults(const wchar_t* text, int withTips, int positionSlot, int vertical, volatile LONG* cancel,
                         SearchResults* out);
void FreeSearchResults(SearchResults* r);
// The button a result names, when it is still there under the same name.
ButtonInfo* SearchResultButton(const SearchResult* r);

// Milliseconds to wait before the next start (0 = start now): one start per 20 ms.
DWORD SearchStartDelay(DWORD now, DWORD lastStart);

// The one worker. StartSearchWorker cancels a running one (up to 3000 ms;
// 0 when it would not stop), copies text and starts; the finished worker
// posts WMA_WORKERDONE to notify. TakeSearchResults, on the UI thread
// only, replaces *shown with the finished set and returns 1; 0 when no set
// is ready. StopSearchWorker cancels, waits and drops an unshown set;
// called before the store changes and when the window closes.
int StartSearchWorker(const wchar_t* text, HWND notify);
int TakeSearchResults(SearchResults* shown);
int StopSearchWorker();
int SearchWorkerRunning();
// Before the store changes (UI thread): stops a running scan, which its
// window then runs again (WMA_RESEARCH); a finished set is kept.
int PauseSearchForStoreChange();
// Start time of the last worker (GetTickCount).
DWORD LastSearchStart();
