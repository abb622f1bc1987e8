#include "submenu/search.h"

#include <process.h>
#include <string.h>

#include <vector>

#include "core/hookbind.h"
#include "state.h"
#include "store/items.h"
#include "submenu/searchmatch.h"

static const DWORD kSearchInterval = 20, kStopWaitMs = 3000;
static const UINT OPT1_SEARCH_TIPS = 0x800;  // the tip text is searched too
static const int kMaxSearchText = 260;

void FreeSearchResults(SearchResults* r) {
  if (r->Heap) HeapDestroy(r->Heap);
  *r = SearchResults{};
}

static int ScanList(int list, const wchar_t* text, int withTips, int slot, int vertical, volatile LONG* cancel,
                    std::vector<SearchHit>& hits) {
  int count = 0;
  ButtonInfo** table = ListTable(list, &count);
  for (int i = 0; table && i < count; i++) {
    if (cancel && *cancel) return 0;
    ButtonInfo* b = table[i];
    if (!b) continue;
    int at = MatchSearchButton(b->Name, b->Tip, text, withTips);
    if (at < 0) continue;
    const ItemPos& p = b->Position[slot];
    hits.push_back({list, i, at, SearchGridPosition(p.PosX, p.PosY, vertical)});
  }
  return 1;
}

int CollectSearchResults(const wchar_t* text, int withTips, int positionSlot, int vertical, volatile LONG* cancel,
                         SearchResults* out) {
  *out = SearchResults{};
  if (!text || !*text) return 1;  // an empty text lists nothing
  int slot = positionSlot ? 1 : 0;
  std::vector<SearchHit> hits;
  const ItemStore& s = g_App.Store;
  for (int p = 0; p < s.PageCount; p++)
    if (!ScanList(p, text, withTips, slot, vertical, cancel, hits)) return 0;
  for (int m = 0; m < s.SubMenuCount; m++)
    if (!ScanList(LIST_SUBMENU | m, text, withTips, slot, vertical, cancel, hits)) return 0;
  if (hits.empty()) return 1;
  OrderSearchHits(hits.data(), (int)hits.size());

  // One block for the table, the records and the names: a thousand hits
  // cost one allocation, not a thousand.
  std::vector<const wchar_t*> names(hits.size());
  size_t chars = 0;
  for (size_t i = 0; i < hits.size(); i++) {
    ButtonInfo* b = GetItem(hits[i].List, hits[i].Index);
    names[i] = b && b->Name ? b->Name : L"";
    chars += wcslen(names[i]) + 1;
  }
  HANDLE heap = HeapCreate(HEAP_NO_SERIALIZE, 0, 0);
  if (!heap) return 0;
  size_t bytes = (hits.size() + 1) * sizeof(SearchResult*) + hits.size() * sizeof(SearchResult) + chars * sizeof(wchar_t);
  char* block = (char*)HeapAlloc(heap, 0, bytes);
  if (!block) {
    HeapDestroy(heap);
    return 0;
  }
  SearchResult** items = (SearchResult**)block;
  SearchResult* records = (SearchResult*)(items + hits.size() + 1);
  wchar_t* textAt = (wchar_t*)(records + hits.size());
  int n = 0;
  for (size_t i = 0; i < hits.size(); i++) {
    SearchResult* r = &records[i];
    *r = SearchResult{};
    r->List = hits[i].List;
    r->Index = hits[i].Index;
    r->Offset = hits[i].Offset;
    size_t len = wcslen(names[i]);
    memcpy(textAt, names[i], (len + 1) * sizeof(wchar_t));
    r->Name = textAt;
    textAt += len + 1;
    items[n++] = r;
  }
  items[n] = nullptr;
  *out = SearchResults{heap, items, n};
  return 1;
}

ButtonInfo* SearchResultButton(const SearchResult* r) {
  if (!r) return nullptr;
  ButtonInfo* b = GetItem(r->List, r->Index);
  if (!b || lstrcmpW(b->Name ? b->Name : L"", r->Name ? r->Name : L"")) return nullptr;
  return b;
}

DWORD SearchStartDelay(DWORD now, DWORD lastStart) {
  DWORD since = now - lastStart;  // unsigned: survives the tick count wrap
  return since < kSearchInterval ? kSearchInterval - since : 0;
}

namespace {
struct Worker {
  HANDLE Thread;
  volatile LONG Cancel;
  volatile LONG Ready;  // the set below is complete and not yet taken
  wchar_t Text[kMaxSearchText + 1];  // the worker's own copy
  HWND Notify;
  int WithTips, Slot, Vertical;
  SearchResults Found;
  DWORD LastStart;
};
Worker g_Worker;
}  // namespace

static unsigned __stdcall SearchThread(void* arg) {
  Worker* w = (Worker*)arg;
  SearchResults found;
  if (!CollectSearchResults(w->Text, w->WithTips, w->Slot, w->Vertical, &w->Cancel, &found)) return 0;
  if (w->Cancel) {
    FreeSearchResults(&found);
    return 0;
  }
  w->Found = found;
  InterlockedExchange(&w->Ready, 1);
  if (w->Notify) PostMessageW(w->Notify, WMA_WORKERDONE, 0, 0);
  return 0;
}

static int JoinWorker() {
  Worker& w = g_Worker;
  if (!w.Thread) return 1;
  InterlockedExchange(&w.Cancel, 1);
  if (WaitForSingleObject(w.Thread, kStopWaitMs) != WAIT_OBJECT_0) return 0;
  CloseHandle(w.Thread);
  w.Thread = nullptr;
  return 1;
}

int StopSearchWorker() {
  Worker& w = g_Worker;
  if (!JoinWorker()) return 0;
  if (w.Ready) {
    FreeSearchResults(&w.Found);
    w.Ready = 0;
  }
  return 1;
}

int PauseSearchForStoreChange() {
  Worker& w = g_Worker;
  int cut = w.Thread && !w.Ready;
  if (!JoinWorker()) return 0;
  // A finished set holds only copies and checked references: it may stay.
  if (cut && w.Notify) PostMessageW(w.Notify, WMA_RESEARCH, 0, 0);
  return 1;
}

int StartSearchWorker(const wchar_t* text, HWND notify) {
  Worker& w = g_Worker;
  if (!StopSearchWorker()) return 0;  // the next change tries again
  lstrcpynW(w.Text, text ? text : L"", kMaxSearchText + 1);
  w.Notify = notify;
  w.WithTips = (g_App.Settings.Option1 & OPT1_SEARCH_TIPS) != 0;
  w.Slot = PositionViewMode(-1);
  w.Vertical = ViewModeVertical(CurrentViewMode());
  w.Cancel = 0;
  w.LastStart = GetTickCount();
  w.Thread = (HANDLE)_beginthreadex(nullptr, 0, SearchThread, &w, 0, nullptr);
  return w.Thread != nullptr;
}

int TakeSearchResults(SearchResults* shown) {
  Worker& w = g_Worker;
  if (!w.Ready) return 0;
  if (w.Thread) {
    WaitForSingleObject(w.Thread, INFINITE);  // it has only its return left
    CloseHandle(w.Thread);
    w.Thread = nullptr;
  }
  FreeSearchResults(shown);
  *shown = w.Found;
  w.Found = SearchResults{};
  w.Ready = 0;
  return 1;
}

int SearchWorkerRunning() { return g_Worker.Thread && !g_Worker.Ready; }
DWORD LastSearchStart() { return g_Worker.LastStart; }
