#include "core/shortcut.h"

#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <string.h>

const int kLinkTextChars = 1024;

static wchar_t* HeapCopy(const wchar_t* text) {
  if (!text) return nullptr;
  size_t n = wcslen(text);
  wchar_t* copy = (wchar_t*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (n + 1) * sizeof(wchar_t));
  if (copy) memcpy(copy, text, n * sizeof(wchar_t));
  return copy;
}

void FreeShortcutInfo(ShortcutInfo* info) {
  if (!info) return;
  wchar_t* texts[] = {info->Target, info->IconLocation, info->Arguments, info->WorkingDirectory, info->Comment};
  for (wchar_t* t : texts)
    if (t) HeapFree(GetProcessHeap(), 0, t);
  *info = ShortcutInfo{};
}

int ReadShortcut(const wchar_t* path, ShortcutInfo* out) {
  if (!path || !*path || !out) return 0;
  *out = ShortcutInfo{};
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  int ok = 0;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 (void**)&link)) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file)) &&
      SUCCEEDED(file->Load(path, STGM_READ))) {
    // No window, no search, no tracking and at most 100 ms: a launch thread
    // must never wait on a vanished network target or a dialog.
    link->Resolve(nullptr, SLR_NO_UI | SLR_NOSEARCH | SLR_NOTRACK | SLR_NOUPDATE | (100u << 16));
    wchar_t text[kLinkTextChars];
    text[0] = 0;
    if (FAILED(link->GetPath(text, kLinkTextChars, nullptr, 0)) || !text[0]) {
      LPITEMIDLIST pidl = nullptr;
      text[0] = 0;
      if (SUCCEEDED(link->GetIDList(&pidl)) && pidl) {
        if (!SHGetPathFromIDListW(pidl, text)) text[0] = 0;
        CoTaskMemFree(pidl);
      }
    }
    out->Target = HeapCopy(text);
    text[0] = 0;
    int index = 0;
    if (SUCCEEDED(link->GetIconLocation(text, kLinkTextChars, &index)) && text[0]) {
      out->IconLocation = HeapCopy(text);
      out->IconIndex = index;
    }
    text[0] = 0;
    if (SUCCEEDED(link->GetArguments(text, kLinkTextChars)) && text[0]) out->Arguments = HeapCopy(text);
    text[0] = 0;
    if (SUCCEEDED(link->GetWorkingDirectory(text, kLinkTextChars)) && text[0])
      out->WorkingDirectory = HeapCopy(text);
    text[0] = 0;
    if (SUCCEEDED(link->GetDescription(text, kLinkTextChars)) && text[0]) out->Comment = HeapCopy(text);
    int show = 0;
    if (SUCCEEDED(link->GetShowCmd(&show))) out->ShowCmd = show;
    WORD key = 0;
    if (SUCCEEDED(link->GetHotkey(&key))) out->HotKey = key;
    ok = out->Target != nullptr;
    if (!ok) FreeShortcutInfo(out);
  }
  if (file) file->Release();
  if (link) link->Release();
  if (SUCCEEDED(init)) CoUninitialize();
  return ok;
}
