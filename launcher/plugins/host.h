// The plug-in host: the list of plug-ins in load order (a plug-in's index is
// its position), loading and unloading them, the notification broadcast and
// the plug-in item events. The list is changed on the UI thread only; the
// lock lets launch threads and plug-in threads read it meanwhile.
#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

struct ButtonInfo;

// VnPluginEventHandler (plugins/vnplugin.h is the plug-ins' own header).
typedef int(WINAPI* PluginHandlerFn)(UINT event, INT_PTR arg1, INT_PTR arg2);

// PluginValue kinds.
enum : int { PV_EMPTY = 0, PV_INT = 1, PV_STRING = 2 };

struct PluginValue {
  int Kind;
  int Number;
  std::wstring Text;
};

// Ordinal order of the UTF-16 units: names are case-sensitive.
typedef std::map<std::wstring, PluginValue> PluginSection;
typedef std::map<std::wstring, PluginSection> PluginStore;

// PluginRecord::Flags.
enum : UINT {
  PRF_DESCRIPTION = 0x1,  // a description was set
  PRF_CHANGED = 0x2,      // the data store changed since the last save
};

struct PluginRecord {
  UINT Flags;
  HMODULE Module;
  std::wstring FileName;  // as listed in [Plugins], no folder
  std::wstring Description;
  PluginHandlerFn Handler;
  PluginStore Store;
};

struct PluginHostState {
  // Records on the heap so that texts handed to plug-ins stay where they
  // are while other records come and go.
  std::vector<std::unique_ptr<PluginRecord>> List;
  // One record per DLL of Plugins\ while the Plugins options page is open.
  std::vector<std::unique_ptr<PluginRecord>> Probe;
};

// The calls the host makes of the system; tests replace them.
struct PluginHostSeams {
  HMODULE(WINAPI* LoadLibraryW)(LPCWSTR);
  FARPROC(WINAPI* GetProcAddress)(HMODULE, LPCSTR);
  BOOL(WINAPI* FreeLibrary)(HMODULE);
};
extern PluginHostSeams g_PluginHostSeams;

// Guards g_App.Plugins.List (recursive: services called from inside a
// handler on the UI thread take it again).
void LockPlugins();
void UnlockPlugins();

// A plug-in name is one plain file name: not empty, no '\', '/' or ':', not
// "." or "..", no device name.
int IsPluginFileName(const wchar_t* name);

// Appends a record unless the name is listed already (ignoring case) or is
// no plain file name; with load, loads it at once. 1 when the name is (now)
// in the list, 0 refused or failed to load.
int AddPlugin(const wchar_t* fileName, int load);
// 1 loaded and accepted; 0 refused or failed (the record is removed) or
// index out of range.
int LoadPlugin(int index);
// PE_UNLOAD, FreeLibrary, record removed, later records renumbered.
void UnloadPlugin(int index);
// Every plug-in, last first (exit).
void UnloadAllPlugins();
// Index of the record with that file name, ignoring case; -1 when none.
int FindPlugin(const wchar_t* fileName);
// AND of all handlers' results, starting from 1.
int BroadcastPluginEvent(int code, INT_PTR arg);
// The handler of the plug-in the item names, called with (event, ref,
// flag); -1 when that plug-in is not loaded. Safe on a launch thread: the
// module is pinned for the call.
int PluginItemEvent(ButtonInfo* item, int event, int ref, int flag);
// The Plugins options page: fills its list view with one row per usable DLL
// of Plugins\ (checked when loaded), keeping their libraries in the probe
// list; IsPluginRowLoaded tells whether a row's DLL is loaded now;
// FreePluginProbeList lets the probed libraries go when the page closes.
void FillPluginList(HWND listView);
int IsPluginRowLoaded(int row);
const wchar_t* GetPluginRowFileName(int row);
void FreePluginProbeList();
// PluginStateWord: the display state with bit 16 while the hooks are on.
DWORD GetPluginStateWord();

// Start-up (plugins/pluginbind.cpp): a record for every [Plugins] name,
// each loaded in turn; the store and launch outlets bound to the host.
void StartPluginHost();
// Exit: every plug-in unloaded, the outlets cleared.
void StopPluginHost();
