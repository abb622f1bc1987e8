#include "plugins/plugindata.h"

#include <shlwapi.h>
#include <wchar.h>

#include "state.h"
#include "store/datafolder.h"
#include "store/history.h"
#include "store/ini.h"
#include "store/items.h"

static const wchar_t kGeneral[] = L"General";
static const wchar_t kDataFolder[] = L"PluginData";

int IsPluginDataName(const wchar_t* name) {
  if (!name || !name[0] || wcslen(name) > (size_t)kPluginNameChars) return 0;
  return !wcspbrk(name, L"=[]\r\n");
}

int IsPluginDataText(const wchar_t* text) { return text && !wcspbrk(text, L"\r\n"); }

// The record of a plug-in index, or null; the caller holds the lock.
static PluginRecord* Record(int index) {
  PluginHostState* h = g_App.Plugins;
  if (!h || index < 0 || index >= (int)h->List.size()) return nullptr;
  return h->List[index].get();
}

// The entry (created empty) of a valid name pair, or null.
static PluginValue* Entry(PluginRecord* r, const wchar_t* section, const wchar_t* key) {
  if (!r) return nullptr;
  if (!section) section = kGeneral;
  if (!IsPluginDataName(section) || !IsPluginDataName(key)) return nullptr;
  return &r->Store[section][key];
}

// Holds the host lock for one store operation: plug-ins may call in from
// their own threads.
struct StoreLock {
  StoreLock() { LockPlugins(); }
  ~StoreLock() { UnlockPlugins(); }
};

int SetPluginInt(int index, const wchar_t* section, const wchar_t* key, int value) {
  StoreLock lock;
  PluginRecord* r = Record(index);
  PluginValue* v = Entry(r, section, key);
  if (!v) return 0;
  v->Kind = PV_INT;
  v->Number = value;
  v->Text.clear();
  r->Flags |= PRF_CHANGED;
  return 1;
}

const wchar_t* SetPluginString(int index, const wchar_t* section, const wchar_t* key, const wchar_t* text) {
  StoreLock lock;
  if (!text) text = L"";
  if (!IsPluginDataText(text)) return nullptr;
  PluginRecord* r = Record(index);
  PluginValue* v = Entry(r, section, key);
  if (!v) return nullptr;
  v->Kind = PV_STRING;
  v->Number = 0;
  v->Text = text;
  r->Flags |= PRF_CHANGED;
  return v->Text.c_str();
}

int GetPluginInt(int index, const wchar_t* section, const wchar_t* key, int defaultValue) {
  StoreLock lock;
  PluginValue* v = Entry(Record(index), section, key);
  return v && v->Kind == PV_INT ? v->Number : defaultValue;
}

const wchar_t* GetPluginString(int index, const wchar_t* section, const wchar_t* key) {
  StoreLock lock;
  PluginValue* v = Entry(Record(index), section, key);
  if (!v) return nullptr;
  if (v->Kind != PV_STRING) {
    v->Kind = PV_STRING;
    v->Number = 0;
    v->Text.clear();
  }
  return v->Text.c_str();
}

int DeletePluginValue(int index, const wchar_t* section, const wchar_t* key) {
  StoreLock lock;
  PluginRecord* r = Record(index);
  if (!r) return 0;
  if (!section) section = kGeneral;
  if (!IsPluginDataName(section) || !IsPluginDataName(key)) return 0;
  return r->Store[section].erase(key) ? 1 : 0;
}

int SetPluginDescription(int index, const wchar_t* text) {
  StoreLock lock;
  PluginRecord* r = Record(index);
  if (!r) return 0;
  r->Description = text ? text : L"";
  r->Flags |= PRF_DESCRIPTION;
  return 1;
}

// --- the file ---------------------------------------------------------------------

int GetPluginDataPath(const wchar_t* dllName, wchar_t* out, int chars) {
  if (!IsPluginFileName(dllName)) return 0;
  std::wstring path = ResolveDataFolder();
  path += L'\\';
  path += kDataFolder;
  path += L'\\';
  std::wstring stem = dllName;
  size_t dot = stem.rfind(L'.');
  if (dot != std::wstring::npos && dot > 0) stem.resize(dot);
  path += stem;
  path += L".ini";
  if ((int)path.size() >= chars || path.size() >= MAX_PATH) return 0;
  wcscpy(out, path.c_str());
  return 1;
}

int WritePluginStore(IniFile* file, const PluginStore& store) {
  int ok = 1;
  for (const auto& section : store) {
    ok &= WriteIniSection(file, section.first.c_str(), -1);
    for (const auto& entry : section.second) {
      const PluginValue& v = entry.second;
      if (v.Kind == PV_INT) {
        ok &= WriteIniInt(file, entry.first.c_str(), v.Number, -1);
      } else if (v.Kind == PV_STRING) {
        std::wstring quoted = L"\"" + v.Text + L"\"";
        ok &= WriteIniString(file, entry.first.c_str(), quoted.c_str(), -1);
      }
    }
  }
  return ok;
}

static int EnsureDataFolder(const wchar_t* folder) {
  DWORD attr = GetFileAttributesW(folder);
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) return 1;
  if (attr != INVALID_FILE_ATTRIBUTES) DeleteFileW(folder);
  CreateDirectoryW(folder, nullptr);
  attr = GetFileAttributesW(folder);
  return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

int SavePluginData(int index) {
  StoreLock lock;
  PluginRecord* r = Record(index);
  wchar_t path[MAX_PATH];
  if (!r || !GetPluginDataPath(r->FileName.c_str(), path, MAX_PATH)) return 0;
  wchar_t folder[MAX_PATH];
  wcscpy(folder, path);
  PathRemoveFileSpecW(folder);
  if (!EnsureDataFolder(folder)) return 0;
  IniFile file;
  if (!OpenIniFile(&file, path)) {
    CloseIniFile(&file, 0);
    return 0;
  }
  int ok = WritePluginStore(&file, r->Store);
  ok = CloseIniFile(&file, ok) && ok;
  if (ok) r->Flags &= ~PRF_CHANGED;
  return ok;
}

// Up to the stop character within max units; null when it is not there.
static const wchar_t* FindWithin(const wchar_t* p, wchar_t stop, int max) {
  for (int i = 0; i <= max && p[i]; i++)
    if (p[i] == stop) return p + i;
  return nullptr;
}

void ParsePluginData(const wchar_t* text, PluginStore* store) {
  if (!text || !store) return;
  const wchar_t* p = text;
  for (;;) {
    p = wcschr(p, L'[');
    if (!p) return;
    const wchar_t* close = FindWithin(p + 1, L']', 256);
    if (!close) return;
    std::wstring section(p + 1, close);
    p = close + 1;
    // A header alone keeps its section, as the file had it.
    if (IsPluginDataName(section.c_str())) (*store)[section];
    for (;;) {
      while (*p == L'\r' || *p == L'\n') p++;
      // A key: up to '='; a '[' or the end first means the next section.
      const wchar_t* eq = p;
      int n = 0;
      while (*eq && *eq != L'=' && *eq != L'[' && *eq != L'\r' && *eq != L'\n' && n <= 256) eq++, n++;
      if (*eq == L'\r' || *eq == L'\n') {
        p = eq;  // a line without a key: the next line may have one
        continue;
      }
      if (*eq != L'=') break;
      std::wstring key(p, eq);
      const wchar_t* value = eq + 1;
      const wchar_t* end = value;
      while (*end && *end != L'\r' && *end != L'\n') end++;
      std::wstring v;
      for (const wchar_t* q = value; q < end; q++) {
        v += *q;
        if (*q == L'[' && q + 1 < end && q[1] == L'\\') q++;
      }
      p = end;
      if (v.empty()) continue;
      if (!IsPluginDataName(section.c_str()) || !IsPluginDataName(key.c_str())) continue;
      PluginValue& entry = (*store)[section][key];
      if (!v.empty() && v[0] == L'"') {
        // Unquoted as the shell does: only a pair of outer quotes goes.
        if (v.size() >= 2 && v.back() == L'"') v = v.substr(1, v.size() - 2);
        entry.Kind = PV_STRING;
        entry.Number = 0;
        entry.Text = v;
      } else {
        entry.Kind = PV_INT;
        entry.Number = (int)wcstol(v.c_str(), nullptr, 10);
        entry.Text.clear();
      }
    }
  }
}

void LoadPluginData(int index) {
  StoreLock lock;
  PluginRecord* r = Record(index);
  wchar_t path[MAX_PATH];
  if (!r || !GetPluginDataPath(r->FileName.c_str(), path, MAX_PATH)) return;
  wchar_t* text = nullptr;
  if (!ReadSettingsFile(path, &text, 0) || !text) return;
  ParsePluginData(text, &r->Store);
  HeapFree(GetProcessHeap(), 0, text);
  r->Flags &= ~PRF_CHANGED;
}

// --- per-item values ----------------------------------------------------------------

ButtonInfo* ItemFromRef(int ref) {
  if (!ref) return nullptr;
  return GetItem(ItemRefList(ref), ItemRefIndex(ref));
}

const wchar_t* SetItemPluginString(ButtonInfo* item, int slot, const wchar_t* text) {
  if (!item || slot < 0 || slot > 0xFFFF) return nullptr;
  if (!text) text = L"";
  if (!item->PluginStrs) item->PluginStrs = new (std::nothrow) std::vector<wchar_t*>();
  if (!item->PluginStrs) return nullptr;
  std::vector<wchar_t*>& v = *item->PluginStrs;
  while ((int)v.size() <= slot) {
    wchar_t* empty = StoreDupString(L"");
    if (!empty) return nullptr;
    v.push_back(empty);
  }
  wchar_t* copy = StoreDupString(text);
  if (!copy) return nullptr;
  StoreFree(v[slot]);
  v[slot] = copy;
  return copy;
}

int SetItemPluginInt(ButtonInfo* item, int slot, int value) {
  if (!item || slot < 0 || slot > 0xFFFF) return 0;
  if (!item->PluginInts) item->PluginInts = new (std::nothrow) std::vector<int>();
  if (!item->PluginInts) return 0;
  if ((int)item->PluginInts->size() <= slot) item->PluginInts->resize(slot + 1, 0);
  (*item->PluginInts)[slot] = value;
  return 1;
}

int GetItemPluginInt(ButtonInfo* item, int slot, int defaultValue) {
  if (!item || !item->PluginInts || slot < 0 || slot >= (int)item->PluginInts->size()) return defaultValue;
  return (*item->PluginInts)[slot];
}

const wchar_t* GetItemPluginString(ButtonInfo* item, int slot) {
  if (!item || !item->PluginStrs || slot < 0 || slot >= (int)item->PluginStrs->size()) return nullptr;
  return (*item->PluginStrs)[slot];
}

void FreeItemPluginParams(ButtonInfo* item) {
  if (!item) return;
  if (item->PluginStrs) {
    for (wchar_t* s : *item->PluginStrs) StoreFree(s);
    delete item->PluginStrs;
    item->PluginStrs = nullptr;
  }
  delete item->PluginInts;
  item->PluginInts = nullptr;
}
