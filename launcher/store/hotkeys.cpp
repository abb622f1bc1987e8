#include "store/hotkeys.h"

#include <string.h>

#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "resources/resource.h"
#include "store/items.h"
#include "store/outlets.h"

void SendHotKeyTable() {
  HotKeyTable& hk = g_App.Store.Refs.HotKeys;
  if (g_StoreOutlets._VnSetDllData)
    g_StoreOutlets._VnSetDllData(2, reinterpret_cast<void*>(static_cast<INT_PTR>(hk.Count)), hk.Rows);
}

int ResizeHotKeyTable(int n) {
  HotKeyTable& hk = g_App.Store.Refs.HotKeys;
  if (n < 0) n = 0;
  size_t bytes = (n + 1) * sizeof(HotKeyEntry);
  void* p = hk.Rows ? StoreReAlloc(hk.Rows, bytes) : StoreAlloc(bytes);
  if (!p) {
    ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
    return 0;
  }
  hk.Rows = static_cast<HotKeyEntry*>(p);
  hk.Count = n;
  return 1;
}

int SetHotKey(int key, int list, int index, int set) {
  HotKeyTable& hk = g_App.Store.Refs.HotKeys;
  int code = key & 0xFFFF;
  int row = 0;
  for (int i = 1; hk.Rows && i <= hk.Count; i++) {
    if ((hk.Rows[i].Code & 0xFFFF) == code) {
      row = i;
      break;
    }
  }
  if (row && set) {
    if (hk.Rows[row].List == list && hk.Rows[row].Index == index) return 0;
    hk.Rows[row].List = list;
    hk.Rows[row].Index = index;
    return 1;  // the hook library holds only the codes
  }
  if (row) {
    memmove(&hk.Rows[row], &hk.Rows[row + 1], (hk.Count - row) * sizeof(HotKeyEntry));
    hk.Count--;
    memset(&hk.Rows[hk.Count + 1], 0, sizeof(HotKeyEntry));
    // A failed shrink keeps the larger block.
    if (void* p = HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, hk.Rows, (hk.Count + 1) * sizeof(HotKeyEntry)))
      hk.Rows = static_cast<HotKeyEntry*>(p);
    SendHotKeyTable();
    return 1;
  }
  if (!set || hk.Count >= kMaxHotKeys) return 0;
  int n = hk.Count;
  if (!ResizeHotKeyTable(n + 1)) return 0;
  hk.Rows[n + 1] = HotKeyEntry{code, list, index};
  SendHotKeyTable();
  return 1;
}
