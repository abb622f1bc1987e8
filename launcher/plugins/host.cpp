#include "plugins/host.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <wchar.h>

#include "plugins/plugindata.h"
#include "plugins/services.h"
#include "plugins/vnplugin.h"
#include "state.h"
#include "store/paths.h"

PluginHostSeams g_PluginHostSeams = {::LoadLibraryW, ::GetProcAddress, ::FreeLibrary};

static CRITICAL_SECTION* HostLock() {
  static CRITICAL_SECTION lock;
  static bool ready = [] {
    InitializeCriticalSection(&lock);
    return true;
  }();
  (void)ready;
  return &lock;
}

void LockPlugins() { EnterCriticalSection(HostLock()); }
void UnlockPlugins() { LeaveCriticalSection(HostLock()); }

static PluginHostState& Host() {
  if (!g_App.Plugins) g_App.Plugins = new PluginHostState();
  return *g_App.Plugins;
}

static int Count() {
  LockPlugins();
  int n = (int)Host().List.size();
  UnlockPlugins();
  return n;
}

int IsPluginFileName(const wchar_t* name) {
  if (!name || !name[0] || !wcscmp(name, L".") || !wcscmp(name, L"..")) return 0;
  if (wcspbrk(name, L"\\/:")) return 0;
  if (wcslen(name) >= MAX_PATH) return 0;
  // "con.dll" and its kind open a device, not a file, up to Windows 10.
  wchar_t stem[6] = {};
  size_t n = wcscspn(name, L".");
  if (n == 3 || n == 4) {
    for (size_t i = 0; i < n; i++) stem[i] = towupper(name[i]);
    static const wchar_t* const devices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (const wchar_t* d : devices)
      if (!wcscmp(stem, d)) return 0;
    if (n == 4 && (!wcsncmp(stem, L"COM", 3) || !wcsncmp(stem, L"LPT", 3)) && stem[3] >= L'1' && stem[3] <= L'9')
      return 0;
  }
  return 1;
}

int FindPlugin(const wchar_t* fileName) {
  if (!fileName) return -1;
  LockPlugins();
  int found = -1;
  PluginHostState& h = Host();
  for (int i = 0; i < (int)h.List.size(); i++)
    if (!_wcsicmp(h.List[i]->FileName.c_str(), fileName)) {
      found = i;
      break;
    }
  UnlockPlugins();
  return found;
}

int AddPlugin(const wchar_t* fileName, int load) {
  if (!IsPluginFileName(fileName)) return 0;
  if (FindPlugin(fileName) >= 0) return 1;
  std::unique_ptr<PluginRecord> r(new (std::nothrow) PluginRecord());
  if (!r) return 0;
  r->Flags = 0;
  r->Module = nullptr;
  r->Handler = nullptr;
  r->FileName = fileName;
  LockPlugins();
  Host().List.push_back(std::move(r));
  int index = Count() - 1;
  UnlockPlugins();
  return load ? LoadPlugin(index) : 1;
}

static PluginRecord* Record(int index) {
  if (index < 0 || index >= Count()) return nullptr;
  return Host().List[index].get();
}

// Builds <program folder>\Plugins\<file>; 0 when it does not fit.
static int BuildPluginPath(const wchar_t* file, wchar_t* out) {
  wchar_t folder[MAX_PATH];
  if (!BuildProgramFilePath(L"Plugins", folder, MAX_PATH)) return 0;
  if (wcslen(folder) + 1 + wcslen(file) >= MAX_PATH) return 0;
  return PathCombineW(out, folder, file) != nullptr;
}

int LoadPlugin(int index) {
  PluginRecord* r = Record(index);
  if (!r) return 0;
  wchar_t path[MAX_PATH];
  HMODULE module = BuildPluginPath(r->FileName.c_str(), path) ? g_PluginHostSeams.LoadLibraryW(path) : nullptr;
  LockPlugins();
  r->Module = module;
  if (module)
    r->Handler = (PluginHandlerFn)(void*)g_PluginHostSeams.GetProcAddress(module, "VnPluginEventHandler");
  UnlockPlugins();
  int ok = r->Handler != nullptr;
  if (ok) {
    // The buffer is ours: a plug-in that fills all of it still leaves a
    // terminated name.
    wchar_t name[VN_PLUGIN_NAME_CHARS] = {};
    DWORD version = (DWORD)r->Handler(PE_QUERY, (INT_PTR)name, VN_PLUGIN_NAME_CHARS);
    name[VN_PLUGIN_NAME_CHARS - 1] = 0;
    ok = version >= VN_PLUGIN_VERSION;
  }
  if (ok) {
    LoadPluginData(index);
    ok = r->Handler(PE_INIT, index, (INT_PTR)GetPluginServices()) != 0;
  }
  if (!ok) {
    UnloadPlugin(index);
    return 0;
  }
  if (r->Flags & PRF_CHANGED) SavePluginData(index);
  return 1;
}

void UnloadPlugin(int index) {
  PluginRecord* r = Record(index);
  if (!r) return;
  if (r->Handler) r->Handler(PE_UNLOAD, 0, 0);
  // A caption the plug-in lent us must not outlive its library.
  ForgetPluginCaption();
  std::unique_ptr<PluginRecord> gone;
  LockPlugins();
  PluginHostState& h = Host();
  gone = std::move(h.List[index]);
  h.List.erase(h.List.begin() + index);
  UnlockPlugins();
  // A launch thread that pinned the module keeps it until its call returns.
  if (gone->Module) g_PluginHostSeams.FreeLibrary(gone->Module);
  for (int i = index; i < Count(); i++) {
    PluginRecord* later = Record(i);
    if (later && later->Handler) later->Handler(PE_RENUMBER, i, 0);
  }
}

void UnloadAllPlugins() {
  // In load order, each told before its library goes; no renumbering.
  for (int i = 0; i < Count(); i++) {
    PluginRecord* r = Record(i);
    if (r->Handler) r->Handler(PE_UNLOAD, 0, 0);
  }
  LockPlugins();
  std::vector<std::unique_ptr<PluginRecord>> gone;
  gone.swap(Host().List);
  UnlockPlugins();
  ForgetPluginCaption();
  for (auto& r : gone)
    if (r->Module) g_PluginHostSeams.FreeLibrary(r->Module);
}

DWORD GetPluginStateWord() {
  DWORD word = g_App.Settings.Status & (VNS_VIEWMODE2 | VNS_PINNED | VNS_RESTRICTED);
  if (g_App.RunState & RS_HOOKS_ON) word |= VNS_HOOKS_ACTIVE;
  return word;
}

// The handler of record index, its module pinned so that an unload on
// another thread cannot free the code under the call; null when none.
static PluginHandlerFn PinHandler(int index, HMODULE* pin) {
  PluginHandlerFn handler = nullptr;
  *pin = nullptr;
  LockPlugins();
  PluginRecord* r = Record(index);
  if (r && r->Handler &&
      GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, (LPCWSTR)(void*)r->Handler, pin))
    handler = r->Handler;
  UnlockPlugins();
  return handler;
}

int BroadcastPluginEvent(int code, INT_PTR arg) {
  if (code == PN_SHOWN || code == PN_HIDDEN || (code >= PN_VIEWMODE && code <= PN_UNHOOK))
    arg = (INT_PTR)GetPluginStateWord();
  int result = 1;
  if (!g_App.Plugins) return result;
  // Index by index, each pinned: a handler may unload plug-ins, and the
  // launch road announces its launches from its own thread.
  for (int i = 0; i < Count(); i++) {
    HMODULE pin;
    if (PluginHandlerFn handler = PinHandler(i, &pin)) {
      result &= handler((UINT)code, arg, 0);
      FreeLibrary(pin);
    }
  }
  return result;
}

int PluginItemEvent(ButtonInfo* item, int event, int ref, int flag) {
  if (!item || !item->File) return -1;
  HMODULE pin;
  PluginHandlerFn handler = PinHandler(FindPlugin(item->File), &pin);
  if (!handler) return -1;
  int result = handler((UINT)event, ref, flag);
  FreeLibrary(pin);
  return result;
}

// --- the probe list of the Plugins options page ------------------------------------

void FreePluginProbeList() {
  if (!g_App.Plugins) return;
  std::vector<std::unique_ptr<PluginRecord>> probes;
  LockPlugins();
  probes.swap(Host().Probe);
  UnlockPlugins();
  for (auto& r : probes) {
    // A loaded plug-in shares the module: it must not hear PE_UNLOAD.
    if (r->Handler && FindPlugin(r->FileName.c_str()) < 0) r->Handler(PE_UNLOAD, 0, 0);
    if (r->Module) g_PluginHostSeams.FreeLibrary(r->Module);
  }
}

void FillPluginList(HWND listView) {
  FreePluginProbeList();
  wchar_t pattern[MAX_PATH];
  if (!BuildPluginPath(L"*.dll", pattern)) return;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return;
  if (listView) {
    SendMessageW(listView, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, LVS_EX_CHECKBOXES);
    RECT client;
    GetClientRect(listView, &client);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = client.right - client.left;
    SendMessageW(listView, LVM_INSERTCOLUMNW, 0, (LPARAM)&column);
  }
  PluginHostState& h = Host();
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!IsPluginFileName(found.cFileName)) continue;
    wchar_t path[MAX_PATH];
    if (!BuildPluginPath(found.cFileName, path)) continue;
    HMODULE module = g_PluginHostSeams.LoadLibraryW(path);
    if (!module) continue;
    std::unique_ptr<PluginRecord> r(new PluginRecord());
    r->Flags = 0;
    r->FileName = found.cFileName;
    r->Module = module;
    r->Handler = (PluginHandlerFn)(void*)g_PluginHostSeams.GetProcAddress(module, "VnPluginEventHandler");
    wchar_t name[VN_PLUGIN_NAME_CHARS] = {};
    DWORD version = r->Handler ? (DWORD)r->Handler(PE_QUERY, (INT_PTR)name, VN_PLUGIN_NAME_CHARS) : 0;
    name[VN_PLUGIN_NAME_CHARS - 1] = 0;
    int loaded = FindPlugin(r->FileName.c_str()) >= 0;
    if (!loaded && !(version >= VN_PLUGIN_VERSION && r->Handler(PE_INIT, -1, (INT_PTR)GetPluginServices()))) {
      if (r->Handler && version >= VN_PLUGIN_VERSION) r->Handler(PE_UNLOAD, 0, 0);
      g_PluginHostSeams.FreeLibrary(module);
      continue;
    }
    LockPlugins();
    h.Probe.push_back(std::move(r));
    int index = (int)h.Probe.size() - 1;
    UnlockPlugins();
    if (!listView) continue;
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = name;
    item.lParam = index;
    int row = (int)SendMessageW(listView, LVM_INSERTITEMW, 0, (LPARAM)&item);
    if (row < 0) continue;
    LVITEMW state = {};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(loaded ? 2 : 1);
    SendMessageW(listView, LVM_SETITEMSTATE, row, (LPARAM)&state);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  if (listView && SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0) > 0) {
    LVITEMW select = {};
    select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(listView, LVM_SETITEMSTATE, 0, (LPARAM)&select);
  }
}

const wchar_t* GetPluginRowFileName(int row) {
  PluginHostState& h = Host();
  if (row < 0 || row >= (int)h.Probe.size()) return nullptr;
  return h.Probe[row]->FileName.c_str();
}

int IsPluginRowLoaded(int row) {
  const wchar_t* file = GetPluginRowFileName(row);
  return file && FindPlugin(file) >= 0 ? 1 : 0;
}
