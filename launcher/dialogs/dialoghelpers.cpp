#include "dialogs/dialoghelpers.h"

#include <commctrl.h>
#include <shlwapi.h>
#include <stdarg.h>
#include <stdio.h>
#include <wchar.h>

#include "state.h"
#include "resources/resource.h"
#include "store/paths.h"

static int RealMessageBox(HWND owner, int, const wchar_t* text, const wchar_t* caption, UINT flags) {
  return MessageBoxW(owner, text, caption, flags);
}
static BOOL RealGetOpenFileName(OPENFILENAMEW* ofn) { return GetOpenFileNameW(ofn); }
static BOOL RealGetSaveFileName(OPENFILENAMEW* ofn) { return GetSaveFileNameW(ofn); }

static BOOL RealShellExecuteEx(SHELLEXECUTEINFOW* info) { return ShellExecuteExW(info); }

DialogSeams g_DialogSeams = {RealMessageBox, RealGetOpenFileName, RealGetSaveFileName, RealShellExecuteEx};

static const wchar_t kCaption[] = L"Vantrel";
const int kMessageChars = 1024;

static HINSTANCE ProgramModule() { return g_App.Instance ? g_App.Instance : GetModuleHandleW(nullptr); }

// Text of a string id from the language library, else from the program. A
// library that lacks the id falls back too, so no box comes up empty.
static void LoadUiString(int id, wchar_t* buf, int count) {
  if (g_App.LangModule && LoadStringW(g_App.LangModule, id, buf, count) > 0) return;
  if (LoadStringW(ProgramModule(), id, buf, count) <= 0) buf[0] = 0;
}

// Top of the open-dialog stack, else the launcher window while it is shown.
static HWND GetMessageOwner() {
  int n = g_App.OpenDialogCount;
  if (n > 0 && n <= kMaxOpenDialogs && g_App.OpenDialogs[n - 1]) return g_App.OpenDialogs[n - 1];
  if (g_App.MainWnd && IsWindowVisible(g_App.MainWnd)) return g_App.MainWnd;
  return nullptr;
}

static int ShowText(int id, const wchar_t* text, UINT flags) {
  // A box runs its own message loop, so another box may open inside it; the
  // launcher may auto-hide again only when the last one is gone.
  static LONG boxesUp;
  HWND owner = GetMessageOwner();
  InterlockedIncrement(&boxesUp);
  g_App.UiStateFlags &= ~UIS_AUTOHIDE_ALLOWED;
  int result = g_DialogSeams.MessageBoxFn(owner, id, text, kCaption, flags);
  if (InterlockedDecrement(&boxesUp) == 0) g_App.UiStateFlags |= UIS_AUTOHIDE_ALLOWED;
  return result;
}

int ShowMessage(int id, UINT mbFlags) {
  wchar_t text[kMessageChars];
  LoadUiString(id, text, kMessageChars);
  return ShowText(id, text, mbFlags);
}

int GetFormatConversion(const wchar_t* format) {
  int found = 0;
  for (const wchar_t* p = format; *p; ++p) {
    if (*p != L'%') continue;
    if (*++p == L'%') continue;
    while (*p == L'-' || *p == L'+' || *p == L' ' || *p == L'0') ++p;
    // Widths beyond three digits only serve to blow up the output.
    for (int i = 0; i < 3 && *p >= L'0' && *p <= L'9'; ++i) ++p;
    if (*p == L'.') {
      ++p;
      for (int i = 0; i < 3 && *p >= L'0' && *p <= L'9'; ++i) ++p;
    }
    if ((*p != L'd' && *p != L's') || found) return -1;
    found = *p;
  }
  return found;
}

int ShowMessageF(int id, UINT mbFlags, ...) {
  // The built-in text says what the caller passes; a language library's text
  // is used only when it asks for exactly the same.
  wchar_t builtin[kMessageChars];
  if (LoadStringW(ProgramModule(), id, builtin, kMessageChars) <= 0) builtin[0] = 0;
  int conversion = GetFormatConversion(builtin);
  if (conversion < 0) return ShowText(id, builtin, mbFlags);

  wchar_t translated[kMessageChars];
  const wchar_t* format = builtin;
  if (g_App.LangModule && LoadStringW(g_App.LangModule, id, translated, kMessageChars) > 0 &&
      GetFormatConversion(translated) == conversion)
    format = translated;

  wchar_t text[kMessageChars];
  va_list args;
  va_start(args, mbFlags);
  _vsnwprintf(text, kMessageChars - 1, format, args);
  va_end(args);
  text[kMessageChars - 1] = 0;
  return ShowText(id, text, mbFlags);
}

struct FileKindFilter {
  int NameId;
  const wchar_t* Suffix;
  const wchar_t* Pattern;
};
static const FileKindFilter kFileKindFilters[] = {
    {IDS_FILTER_ALL, L" (*.*)", L"*.*"},
    {IDS_FILTER_PROGRAMS, L" (*.exe;*.com)", L"*.exe;*.com"},
    {IDS_FILTER_ICONS, L" (*.exe;*.ico;*.dll;*.icl)", L"*.exe;*.ico;*.dll;*.icl"},
    {IDS_FILTER_ICONLIBS, L" (*.dll;*.icl)", L"*.dll;*.icl"},
    {IDS_FILTER_SETTINGS, L" (*.ini)", L"*.ini"},
};
const int kFilterChars = 1024;
const int kBrowsePathChars = 1024;

// "name (suffix)\0pattern\0" per kind and a closing NUL. Kinds that are
// unknown or no longer fit are left out.
static void BuildFileFilter(const int* kinds, int count, wchar_t* filter) {
  size_t len = 0;
  for (int i = 0; i < count; ++i) {
    int k = kinds[i];
    if (k < 0 || k >= (int)(sizeof kFileKindFilters / sizeof kFileKindFilters[0])) continue;
    const FileKindFilter& kind = kFileKindFilters[k];
    wchar_t name[260];
    LoadUiString(kind.NameId, name, 260);
    size_t nameLen = wcslen(name), suffixLen = wcslen(kind.Suffix), patternLen = wcslen(kind.Pattern);
    size_t need = nameLen + suffixLen + 1 + patternLen + 1;
    if (len + need > kFilterChars - 1) break;
    wmemcpy(filter + len, name, nameLen);
    wmemcpy(filter + len + nameLen, kind.Suffix, suffixLen + 1);
    len += nameLen + suffixLen + 1;
    wmemcpy(filter + len, kind.Pattern, patternLen + 1);
    len += patternLen + 1;
  }
  filter[len] = 0;
}

static bool IsFolder(const wchar_t* path) {
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL BrowseForFile(HWND owner, wchar_t* path, int count, const int* kinds, int filterIndex,
                   int noDereference, int open) {
  wchar_t filter[kFilterChars];
  BuildFileFilter(kinds, count, filter);

  path[kBrowsePathChars - 1] = 0;
  wchar_t folder[kBrowsePathChars];
  wcscpy(folder, path);
  if (path[0] && IsFolder(path)) {
    path[0] = 0;
  } else {
    PathRemoveFileSpecW(folder);
    if (!folder[0] || !IsFolder(folder)) wcscpy(folder, L"C:");
  }

  OPENFILENAMEW ofn = {};
  // Systems before 2000 refuse the larger structure.
  ofn.lStructSize = GetOSVersion() < 500 ? OPENFILENAME_SIZE_VERSION_400W : sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter[0] ? filter : nullptr;
  ofn.nFilterIndex = filterIndex;
  ofn.lpstrFile = path;
  ofn.nMaxFile = kBrowsePathChars;
  ofn.lpstrInitialDir = folder;
  if (open) {
    ofn.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_NONETWORKBUTTON;
    if (!noDereference) ofn.Flags |= OFN_NODEREFERENCELINKS;
    return g_DialogSeams.GetOpenFileNameFn(&ofn);
  }
  ofn.Flags = OFN_OVERWRITEPROMPT;
  ofn.lpstrDefExt = L"ini";
  return g_DialogSeams.GetSaveFileNameFn(&ofn);
}

void SetEditRange(HWND dialog, int editId, int updownId, int max, int min) {
  wchar_t digits[16];
  int maxChars = wsprintfW(digits, L"%d", max);
  int minChars = wsprintfW(digits, L"%d", min);
  SendDlgItemMessageW(dialog, editId, EM_LIMITTEXT, maxChars > minChars ? maxChars : minChars, 0);
  // The 32-bit message keeps ranges beyond a short intact.
  SendDlgItemMessageW(dialog, updownId, UDM_SETRANGE32, (WPARAM)min, (LPARAM)max);
}

wchar_t* GetEditTextAlloc(HWND dialog, int editId, int mode) {
  HWND edit = GetDlgItem(dialog, editId);
  int len = edit ? GetWindowTextLengthW(edit) : 0;
  if (len <= 0) return nullptr;
  HANDLE heap = GetProcessHeap();
  wchar_t* text = (wchar_t*)HeapAlloc(heap, HEAP_ZERO_MEMORY, (len + 1) * sizeof(wchar_t));
  if (!text) return nullptr;
  GetWindowTextW(edit, text, len + 1);
  if (!text[0]) {
    HeapFree(heap, 0, text);
    return nullptr;
  }
  if (mode != EDIT_TEXT_ABSOLUTE_PATH) return text;

  wchar_t* expanded = ExpandEnvPath(text);
  HeapFree(heap, 0, text);
  if (!expanded) return nullptr;
  wchar_t* absolute = nullptr;
  if (MakeAbsolutePath(expanded, &absolute) && absolute) {
    HeapFree(heap, 0, expanded);
    return absolute;
  }
  return expanded;
}

void PlaceControlInFrame(HWND dialog, int id, int x, int y, int width, int height) {
  HWND frame = GetDlgItem(dialog, kPlacementFrameId);
  HWND control = GetDlgItem(dialog, id);
  if (!frame || !control) return;
  RECT f, c;
  GetWindowRect(frame, &f);
  MapWindowPoints(nullptr, dialog, (POINT*)&f, 2);
  GetWindowRect(control, &c);
  MapWindowPoints(nullptr, dialog, (POINT*)&c, 2);
  long long fw = f.right - f.left, fh = f.bottom - f.top;
  int left = x > 0 ? f.left + (int)(x * fw / 100) : c.left;
  int top = y > 0 ? f.top + (int)(y * fh / 100) : c.top;
  int w = width > 0 ? (int)(width * fw / 100) : c.right - c.left;
  int h = height > 0 ? (int)(height * fh / 100) : c.bottom - c.top;
  MoveWindow(control, left, top, w, h, FALSE);
}
