#include "hooklib/places.h"
#include "hooklib/hookenv.h"
#include <commctrl.h>
#include <ole2.h>

BOOL CheckPtOnEdge(const SharedHookData* d, POINT pt, int type)
{
  if (type < 0 || type > 7)
    return FALSE;
  int count = d->monitorCount;
  if (count > kMaxMonitors)
    count = kMaxMonitors;
  const LONG x = pt.x, y = pt.y;
  const LONG cx = d->edgeMargins.type[type].cx, cy = d->edgeMargins.type[type].cy;
  BOOL hit = FALSE;
  for (int i = 0; i < count; i++) {
    const RECT& r = d->monitors[i];
    bool inRows = r.top <= y && y < r.bottom;      // the point's row crosses r
    bool inColumns = r.left <= x && x < r.right;   // the point's column crosses r
    bool veto = false, here = false;
    switch (type) {
    case 0:
      veto = (inRows && x >= r.left + cx) || (inColumns && y >= r.top + cy);
      here = inRows && inColumns && y < r.top + cy && x < r.left + cx;
      break;
    case 1:
      veto = (inRows && x < r.right - cx) || (inColumns && y >= r.top + cy);
      here = r.top <= y && y < r.top + cy && r.right - cx <= x && x < r.right;
      break;
    case 2:
      veto = (inRows && x >= r.left + cx) || (inColumns && y < r.bottom - cy);
      here = r.bottom - cy <= y && y < r.bottom && r.left <= x && x < r.left + cx;
      break;
    case 3:
      veto = (inRows && x < r.right - cx) || (inColumns && y < r.bottom - cy);
      here = r.bottom - cy <= y && y < r.bottom && r.right - cx <= x && x < r.right;
      break;
    case 4: {
      bool span = r.top + cx <= y && y < r.bottom - cy;
      veto = span && x > r.left;
      here = span && x == r.left;
      break;
    }
    case 5: {
      bool span = r.left + cx <= x && x < r.right - cy;
      veto = span && y > r.top;
      here = span && y == r.top;
      break;
    }
    case 6: {
      bool span = r.top + cx <= y && y < r.bottom - cy;
      veto = span && x < r.right - 1;
      here = span && x == r.right - 1;
      break;
    }
    case 7: {
      bool span = r.left + cx <= x && x < r.right - cy;
      veto = span && y < r.bottom - 1;
      here = span && y == r.bottom - 1;
      break;
    }
    }
    // A monitor beside or beyond the point makes it an inner corner or edge.
    if (veto)
      return FALSE;
    if (here)
      hit = TRUE;
  }
  return hit;
}

static bool IsClass(HWND wnd, const wchar_t* name)
{
  wchar_t cls[64];
  if (!wnd || !g_HookEnv.ClassName(wnd, cls, 64))
    return false;
  return lstrcmpW(cls, name) == 0;
}

enum ViewKind { VIEWKIND_NONE, VIEWKIND_LIST, VIEWKIND_ITEMS };

int IsExplorerWindow(HWND window, POINT pt, UINT whereBits, int actionIndex)
{
  wchar_t cls[1024];
  if (!window || !g_HookEnv.ClassName(window, cls, 1024))
    return -1;
  HWND view = NULL;
  ViewKind kind = VIEWKIND_NONE;
  if (!lstrcmpW(cls, L"SHELLDLL_DefView")) {
    // The view itself is hit only where its list is hidden: a desktop
    // without icons.
    HWND list = g_HookEnv.FindWindowEx(window, NULL, L"SysListView32", NULL);
    if (!list || g_HookEnv.Visible(list))
      return -1;
    view = window;
  } else {
    if (!lstrcmpW(cls, L"SysListView32"))
      kind = VIEWKIND_LIST;
    else if (!lstrcmpW(cls, L"DirectUIHWND"))
      kind = VIEWKIND_ITEMS;
    else if (lstrcmpW(cls, L"Internet Explorer_Server"))
      return -1;
    HWND w = window;
    for (int level = 0; level < 4 && !view; level++) {
      w = g_HookEnv.Parent(w);
      if (!w)
        break;
      if (IsClass(w, L"SHELLDLL_DefView"))
        view = w;
    }
    if (!view)
      return -1;
  }

  HWND parent = g_HookEnv.Parent(view);
  int place = -1;
  if ((whereBits & WHERE_DESKTOP) && (IsClass(parent, L"Progman") || IsClass(parent, L"WorkerW"))) {
    place = PLACE_DESKTOP;
  } else {
    if (!(whereBits & WHERE_FOLDER))
      return -1;
    // Bounded: a window tree of another process may change while we climb.
    HWND w = parent;
    for (int level = 0; w && level < 64 && place < 0; level++) {
      if (IsClass(w, L"CabinetWClass") || IsClass(w, L"ExploreWClass"))
        place = PLACE_FOLDER;
      else
        w = g_HookEnv.Parent(w);
    }
    if (place < 0)
      return -1;
  }

  // Only clicks that would act on an item need the empty background.
  if (kind == VIEWKIND_NONE || (actionIndex != 0 && actionIndex != 1 && actionIndex != 25))
    return place;
  if (kind == VIEWKIND_LIST)
    return g_HookEnv.ListViewItemAt(window, pt) ? -1 : place;
  return g_HookEnv.ItemsViewBackgroundAt(pt) ? place : -1;
}

int FindActionPlace(const SharedHookData* d, UINT whereBits, int actionIndex, HWND window,
                    POINT pt)
{
  if (whereBits & WHERE_CORNERS_EDGES) {
    for (int type = 0; type < 8; type++)
      if ((whereBits & (0x2u << type)) && CheckPtOnEdge(d, pt, type))
        return type + 1;
  }
  if ((whereBits & WHERE_TITLEBAR) && window && g_HookEnv.NcHitTest(window, pt) == HTCAPTION)
    return PLACE_TITLEBAR;
  if (whereBits & (WHERE_DESKTOP | WHERE_FOLDER)) {
    int place = IsExplorerWindow(window, pt, whereBits, actionIndex);
    if (place >= 0)
      return place;
  }
  if (whereBits & WHERE_ANYWHERE)
    return PLACE_ANYWHERE;
  return -1;
}

BOOL SendMessageBriefly(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, DWORD_PTR* answer)
{
  // A hung program must not stall the mouse: the system removes a low-level
  // hook that keeps input waiting.
  return SendMessageTimeoutW(wnd, msg, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, 200,
                             answer) != 0;
}

BOOL HitTestRemoteListView(HWND list, POINT pt)
{
  if (!ScreenToClient(list, &pt))
    return TRUE;
  LVHITTESTINFO info = {};
  info.pt = pt;
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  if (!pid)
    return TRUE;
  // The list view reads and writes the record in its own address space. Even
  // in this process the record is not on our stack: a message that timed out
  // may still be handled later.
  bool own = pid == GetCurrentProcessId();
  HANDLE process =
      own ? GetCurrentProcess()
          : OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process)
    return TRUE;
  const UINT onItem = LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON;
  BOOL on = TRUE;
  void* remote = VirtualAllocEx(process, NULL, sizeof(info), MEM_COMMIT, PAGE_READWRITE);
  if (remote) {
    bool sent = false, answered = false;
    SIZE_T done = 0;
    if (WriteProcessMemory(process, remote, &info, sizeof(info), &done) && done == sizeof(info)) {
      sent = true;
      DWORD_PTR result = 0;
      answered = SendMessageBriefly(list, LVM_HITTEST, 0, (LPARAM)remote, &result);
      LVHITTESTINFO back = {};
      if (answered && ReadProcessMemory(process, remote, &back, sizeof(back), &done) &&
          done == sizeof(back))
        on = (back.flags & onItem) != 0;
    }
    // Unanswered, the message may still reach the list view, which then
    // writes to the record: leave it to that process rather than free it.
    if (!sent || answered)
      VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  if (!own)
    CloseHandle(process);
  return on;
}

// The few UI Automation members used here, in their interface order; the
// unused ones only hold their places.
struct VnUiaElement : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetFocus() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRuntimeId(void** ids) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindFirst(int scope, void* cond, void** found) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindAll(int scope, void* cond, void** found) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindFirstBuildCache(int scope, void* cond, void* req, void** found) = 0;
  virtual HRESULT STDMETHODCALLTYPE FindAllBuildCache(int scope, void* cond, void* req, void** found) = 0;
  virtual HRESULT STDMETHODCALLTYPE BuildUpdatedCache(void* req, void** updated) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCurrentPropertyValue(int propertyId, VARIANT* value) = 0;
};

struct VnUiAutomation : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CompareElements(void* a, void* b, BOOL* same) = 0;
  virtual HRESULT STDMETHODCALLTYPE CompareRuntimeIds(void* a, void* b, BOOL* same) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRootElement(VnUiaElement** root) = 0;
  virtual HRESULT STDMETHODCALLTYPE ElementFromHandle(HWND wnd, VnUiaElement** element) = 0;
  virtual HRESULT STDMETHODCALLTYPE ElementFromPoint(POINT pt, VnUiaElement** element) = 0;
};

static const CLSID kClsidUiAutomation = {
    0xFF48DBA4, 0x60EF, 0x4201, {0xAA, 0x87, 0x54, 0x10, 0x3E, 0xEF, 0x59, 0x4E}};
static const IID kIidUiAutomation = {
    0x30CBE57D, 0xD9D0, 0x452A, {0xAB, 0x13, 0x7A, 0xC5, 0xAC, 0x48, 0x25, 0xEE}};
static const int kUiaClassNameProperty = 30012;

// COM is loaded only when a click needs it: the library runs inside every
// program on the desktop, and most of them never use COM. Once loaded it
// stays, as it would for any other user of it in that process.
static FARPROC ComCall(const wchar_t* dll, const char* name)
{
  HMODULE module = GetModuleHandleW(dll);
  if (!module)
    module = LoadLibraryW(dll);
  return module ? GetProcAddress(module, name) : NULL;
}

BOOL IsItemsViewBackgroundAt(POINT pt)
{
  auto coInitializeEx = (decltype(&CoInitializeEx))ComCall(L"ole32.dll", "CoInitializeEx");
  auto coUninitialize = (decltype(&CoUninitialize))ComCall(L"ole32.dll", "CoUninitialize");
  auto coCreateInstance = (decltype(&CoCreateInstance))ComCall(L"ole32.dll", "CoCreateInstance");
  auto variantClear = (decltype(&VariantClear))ComCall(L"oleaut32.dll", "VariantClear");
  if (!coInitializeEx || !coUninitialize || !coCreateInstance || !variantClear)
    return FALSE;
  if (FAILED(coInitializeEx(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)))
    return FALSE;
  BOOL background = FALSE;
  VnUiAutomation* uia = NULL;
  // Systems without UI Automation (older ones, Wine) fail here: no place.
  if (SUCCEEDED(coCreateInstance(kClsidUiAutomation, NULL, CLSCTX_INPROC_SERVER, kIidUiAutomation,
                                 (void**)&uia)) && uia) {
    VnUiaElement* element = NULL;
    if (SUCCEEDED(uia->ElementFromPoint(pt, &element)) && element) {
      VARIANT v = {};  // VT_EMPTY
      if (SUCCEEDED(element->GetCurrentPropertyValue(kUiaClassNameProperty, &v)) &&
          v.vt == VT_BSTR && v.bstrVal)
        background = lstrcmpW(v.bstrVal, L"UIItemsView") == 0;
      variantClear(&v);
      element->Release();
    }
    uia->Release();
  }
  coUninitialize();
  return background;
}
