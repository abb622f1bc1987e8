#include "core/launch.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <string.h>
#include <wchar.h>

#include <vector>

#include "common/desktopshell.h"
#include "core/commands.h"
#include "core/eventlists.h"
#include "core/hookctl.h"
#include "core/hookbind.h"
#include "core/mainwnd.h"
#include "core/procwatch.h"
#include "core/shortcut.h"
#include "core/shellhelp.h"
#include "state.h"
#include "core/winhelpers.h"
#include "store/grid.h"
#include "store/history.h"
#include "store/outlets.h"
#include "store/paths.h"
#include "core/showhide.h"
#include "core/tray.h"

// Item types the road dispatches on beside those of the store.
enum : UINT {
  kProgram = 1,
  kDocument = 2,
  kUrl = 4,
  kPluginItem = 5,
  kPackagedApp = 7,
  kPinCommand = 0x4002,
  kClipboardMenu = 0x4066,
  kLastMenu = 0x406A,
};

// Option1 and DispOption bits read here.
enum : UINT {
  OPT1_CLOSE_SEARCH = 0x20,
  OPT1_VIEWMODE1_AFTER = 0x40,
  OPT1_FILE_MANAGER = 0x400000,
  DISP_BUSY_TRAY = 0x80,
};

static const int kMenuCommandViewMode1 = 40008;
static const DWORD kPackagedWindowWaitMs = 3000;
static const int kAssocChars = 1024;
static const int kManyFiles = 20;

static HANDLE Heap() { return GetProcessHeap(); }
static void FreeText(wchar_t* t) {
  if (t) HeapFree(Heap(), 0, t);
}
static wchar_t* AllocText(size_t chars) {
  return (wchar_t*)HeapAlloc(Heap(), HEAP_ZERO_MEMORY, (chars + 1) * sizeof(wchar_t));
}
static wchar_t* CopyText(const wchar_t* text) {
  if (!text) return nullptr;
  size_t n = wcslen(text);
  wchar_t* c = AllocText(n);
  if (c) memcpy(c, text, n * sizeof(wchar_t));
  return c;
}
static int IsEmpty(const wchar_t* t) { return !t || !*t; }

static const wchar_t* FindNoCase(const wchar_t* text, const wchar_t* what) {
  if (!text || !what) return nullptr;
  size_t n = wcslen(what);
  for (const wchar_t* p = text; *p; ++p)
    if (!_wcsnicmp(p, what, n)) return p;
  return nullptr;
}

// --- platform ---------------------------------------------------------------------

static int RealGetElevation(HANDLE* token) {
  if (token) *token = g_App.Core.StdUserToken;
  return g_App.Core.ElevationType;
}

// {45BA127D-10A8-46EA-8AB7-56EA9078943C}, {2E941141-7F97-4756-BA1D-9DECDE894A3D}
static const CLSID kClsidActivationManager = {0x45BA127D, 0x10A8, 0x46EA, {0x8A, 0xB7, 0x56, 0xEA, 0x90, 0x78, 0x94, 0x3C}};
static const IID kIidActivationManager = {0x2E941141, 0x7F97, 0x4756, {0xBA, 0x1D, 0x9D, 0xEC, 0xDE, 0x89, 0x4A, 0x3D}};

// IApplicationActivationManager as the system defines it (MinGW lacks it).
struct VnApplicationActivationManager : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ActivateApplication(LPCWSTR appUserModelId, LPCWSTR arguments, int options,
                                                        DWORD* processId) = 0;
};

static HRESULT RealActivateApplication(const wchar_t* id, const wchar_t* arguments, DWORD* pid) {
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  VnApplicationActivationManager* manager = nullptr;
  HRESULT hr = CoCreateInstance(kClsidActivationManager, nullptr, CLSCTX_LOCAL_SERVER, kIidActivationManager,
                                (void**)&manager);
  if (SUCCEEDED(hr) && manager) {
    hr = manager->ActivateApplication(id, arguments, 0, pid);
    manager->Release();
  } else if (SUCCEEDED(hr)) {
    hr = E_NOINTERFACE;
  }
  if (SUCCEEDED(init)) CoUninitialize();
  return hr;
}

static BOOL WINAPI NoCreateProcessWithToken(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW,
                                            LPPROCESS_INFORMATION) {
  SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
  return FALSE;
}

// Read with no window and no search: a launch thread must never wait on a
// vanished target.
static wchar_t* LinkTarget(const wchar_t* lnk) {
  ShortcutInfo info;
  if (!ReadShortcut(lnk, &info)) return nullptr;
  wchar_t* target = info.Target;
  info.Target = nullptr;
  FreeShortcutInfo(&info);
  return target;
}

// The launcher commands, triggers and event lists reach the road here.
static void LaunchFromInput(ButtonInfo* item, int flags, POINT* where) { LaunchItem(item, (UINT)flags, where); }
static int DelayedLaunches(ButtonInfo* item, UINT flags) { return StartDelayedLaunches(item, (int)flags); }
static void PowerCommand(UINT options, UINT type) { RunPowerCommand((options & 0xFFFF0000) | (type & 0xFFFF)); }
static void SpecialCommand(ButtonInfo* item, UINT flags) { RunSpecialCommand(item, (int)flags); }
static int ConfirmClipboardFiles(int count) { return ConfirmManyFiles(nullptr, count, 0); }
// A launch thread asks; the window's thread resets the scroll and the grid.
static void PostPageScrollReset(int page) {
  if (g_App.MainWnd) PostMessageW(g_App.MainWnd, WMA_RESETSCROLL, (WPARAM)page, 0);
}

LaunchPlatform g_LaunchPlatform = {};

void InitLaunchPlatform() {
  LaunchPlatform& p = g_LaunchPlatform;
  p.GetElevation = RealGetElevation;
  p.ShellExecuteExW = ::ShellExecuteExW;
  p.ShellExecuteViaDesktop = ::ShellExecuteViaDesktop;
  p.CreateProcessW = ::CreateProcessW;
  p.CreateProcessWithTokenW =
      g_App.Api.CreateProcessWithTokenW ? g_App.Api.CreateProcessWithTokenW : NoCreateProcessWithToken;
  p.ActivateApplication = RealActivateApplication;
  p.ShortcutTarget = LinkTarget;
  p.SetHooks = SetHooks;
  p.SetTrayBusy = SetTrayBusyPicture;
  p.StartDelayedLaunches = DelayedLaunches;
  p.RunPowerCommand = PowerCommand;
  p.RunSpecialCommand = SpecialCommand;
  p.ConfirmManyFiles = ConfirmClipboardFiles;
  p.CreateThread = ::CreateThread;
  p.ResetPageScroll = PostPageScrollReset;
  p.GetButtonScreenRect = GetButtonScreenRect;
  g_InputOutlets.LaunchItem = LaunchFromInput;
}

// --- command lines ----------------------------------------------------------------

// A bounded writer: every append checks the room left.
struct BoundedText {
  wchar_t* Buf;
  int Cap;  // characters, terminator included
  int Len;
  int Failed;
  int Put(const wchar_t* s, int n) {
    if (Failed) return 0;
    if (n < 0) n = s ? (int)wcslen(s) : 0;
    if (Len + n >= Cap) {
      Failed = 1;
      return 0;
    }
    if (n) memcpy(Buf + Len, s, n * sizeof(wchar_t));
    Len += n;
    Buf[Len] = 0;
    return 1;
  }
  int Ch(wchar_t c) { return Put(&c, 1); }
};

int FillCommandTemplate(const wchar_t* tmpl, const wchar_t* path, const wchar_t* parameters, wchar_t* out,
                        int outChars, int* programChars) {
  if (programChars) *programChars = 0;
  if (!tmpl || !path || !out || outChars <= 0) return 0;
  out[0] = 0;
  BoundedText o = {out, outChars, 0, 0};
  int pathUsed = 0, argsUsed = 0;
  int haveArgs = !IsEmpty(parameters);
  for (const wchar_t* p = tmpl; *p; ++p) {
    if (*p != L'%' || !p[1]) {
      o.Ch(*p);
      continue;
    }
    wchar_t c = *++p;
    if (c == L'%') {
      o.Ch(L'%');
    } else if (c == L'1' || c == L'0' || c == L'L' || c == L'l' || c == L'V' || c == L'v' || c == L'D' ||
               c == L'd') {
      o.Put(path, -1);
      pathUsed = 1;
    } else if (c == L'*' || (c >= L'2' && c <= L'9')) {
      if (!argsUsed && haveArgs) o.Put(parameters, -1);
      argsUsed = 1;
    } else if (c == L'~' && p[1] == L'*') {
      ++p;
      if (!argsUsed && haveArgs) o.Put(parameters, -1);
      argsUsed = 1;
    }
    // Other placeholders (%I, %S, %H, %W ...) stand for things a plain
    // start has no value for: they go.
  }
  if (!pathUsed) {
    o.Put(L" \"", 2);
    o.Put(path, -1);
    o.Ch(L'"');
  }
  if (haveArgs && !argsUsed) {
    o.Ch(L' ');
    o.Put(parameters, -1);
  }
  if (o.Failed) {
    out[0] = 0;
    return 0;
  }
  if (programChars) {
    const wchar_t* args = PathGetArgsW(out);
    int n = (int)(args - out);
    while (n > 0 && out[n - 1] == L' ') --n;
    *programChars = n + 1;
  }
  return 1;
}

wchar_t* AssocCommandLine(const wchar_t* path, const wchar_t* parameters, int* programChars) {
  if (programChars) *programChars = 0;
  if (IsEmpty(path)) return nullptr;
  const wchar_t* lookup = path;
  wchar_t* linkTarget = nullptr;
  if (!lstrcmpiW(PathFindExtensionW(path), L".lnk")) {
    linkTarget = g_LaunchPlatform.ShortcutTarget ? g_LaunchPlatform.ShortcutTarget(path) : nullptr;
    if (linkTarget) lookup = linkTarget;
  }
  wchar_t tmpl[kAssocChars];
  DWORD n = kAssocChars;
  const wchar_t* ext = PathFindExtensionW(lookup);
  HRESULT hr = *ext ? AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_COMMAND, ext, L"open", tmpl, &n) : E_FAIL;
  FreeText(linkTarget);
  if (FAILED(hr) || !tmpl[0]) return nullptr;
  wchar_t* out = AllocText(kCommandChars);
  if (!out) return nullptr;
  if (!FillCommandTemplate(tmpl, path, parameters, out, kCommandChars, programChars)) {
    FreeText(out);
    return nullptr;
  }
  return out;
}

int InsertClipboardText(wchar_t* command, int commandChars, const wchar_t* text, int noBlank) {
  if (!command || !text || commandChars <= 0) return 0;
  int len = (int)wcslen(command), add = (int)wcslen(text);
  const wchar_t* at = FindNoCase(command, kClipboardPlaceholder);
  if (at) {
    int placeholder = (int)wcslen(kClipboardPlaceholder);
    if (len - placeholder + add >= commandChars) return 0;
    int pos = (int)(at - command);
    memmove(command + pos + add, command + pos + placeholder, (len - pos - placeholder + 1) * sizeof(wchar_t));
    memcpy(command + pos, text, add * sizeof(wchar_t));
    return 1;
  }
  int blank = (noBlank || !len) ? 0 : 1;
  if (len + blank + add >= commandChars) return 0;
  if (blank) command[len++] = L' ';
  memcpy(command + len, text, (add + 1) * sizeof(wchar_t));
  return 1;
}

int AppendArgument(wchar_t* command, int commandChars, const wchar_t* text) {
  if (!command || commandChars <= 0) return 0;
  if (IsEmpty(text)) return 1;
  int len = (int)wcslen(command), add = (int)wcslen(text);
  int blank = len ? 1 : 0;
  if (len + blank + add >= commandChars) return 0;
  if (blank) command[len++] = L' ';
  memcpy(command + len, text, (add + 1) * sizeof(wchar_t));
  return 1;
}

static int PutQuotedIf(BoundedText& o, const wchar_t* piece, int n, int quote) {
  if (quote) o.Ch(L'"');
  o.Put(piece, n);
  if (quote) o.Ch(L'"');
  return !o.Failed;
}

wchar_t* JoinClipboardFiles(const wchar_t* const* files, int count) {
  if (!files || count <= 0) return nullptr;
  wchar_t* out = AllocText(kCommandChars);
  if (!out) return nullptr;
  BoundedText o = {out, kCommandChars, 0, 0};
  for (int i = 0; i < count; ++i) {
    if (!files[i]) continue;
    if (o.Len) o.Ch(L' ');
    PutQuotedIf(o, files[i], -1, wcschr(files[i], L' ') != nullptr);
  }
  if (o.Failed) {
    FreeText(out);
    return nullptr;
  }
  return out;
}

wchar_t* JoinClipboardText(const wchar_t* text, int (*isFile)(const wchar_t* piece)) {
  if (!text) return nullptr;
  wchar_t* out = AllocText(kCommandChars);
  wchar_t* piece = AllocText(kCommandChars);
  if (!out || !piece) {
    FreeText(out);
    FreeText(piece);
    return nullptr;
  }
  BoundedText o = {out, kCommandChars, 0, 0};
  const wchar_t* p = text;
  while (*p && !o.Failed) {
    while (*p == L'\t' || *p == L'\r' || *p == L'\n') ++p;
    const wchar_t* start = p;
    while (*p && *p != L'\t' && *p != L'\r' && *p != L'\n') ++p;
    const wchar_t* end = p;
    while (start < end && *start == L' ') ++start;
    while (end > start && end[-1] == L' ') --end;
    int n = (int)(end - start);
    if (!n) continue;
    if (n >= kCommandChars) {
      o.Failed = 1;
      break;
    }
    memcpy(piece, start, n * sizeof(wchar_t));
    piece[n] = 0;
    if (o.Len) o.Ch(L' ');
    PutQuotedIf(o, piece, n, isFile && isFile(piece));
  }
  FreeText(piece);
  if (o.Failed) {
    FreeText(out);
    return nullptr;
  }
  return out;
}

static int ExistsOnDisk(const wchar_t* piece) { return GetFileAttributesW(piece) != INVALID_FILE_ATTRIBUTES; }

wchar_t* GetClipboardArguments(int* cancelled) {
  if (cancelled) *cancelled = 0;
  if (!OpenClipboard(nullptr)) return nullptr;
  wchar_t* result = nullptr;
  if (HANDLE drop = GetClipboardData(CF_HDROP)) {
    HDROP files = (HDROP)drop;
    UINT count = DragQueryFileW(files, 0xFFFFFFFF, nullptr, 0);
    if (count >= (UINT)kManyFiles && g_LaunchPlatform.ConfirmManyFiles &&
        !g_LaunchPlatform.ConfirmManyFiles((int)count)) {
      if (cancelled) *cancelled = 1;
    } else if (count) {
      std::vector<wchar_t*> names;
      for (UINT i = 0; i < count; ++i) {
        UINT n = DragQueryFileW(files, i, nullptr, 0);
        wchar_t* name = AllocText(n + 1);
        if (name && DragQueryFileW(files, i, name, n + 1)) names.push_back(name);
        else FreeText(name);
      }
      result = JoinClipboardFiles(names.data(), (int)names.size());
      for (wchar_t* n : names) FreeText(n);
      // Too much to pass on: nothing may start with half a list.
      if (!result && cancelled) *cancelled = 1;
    }
  } else if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    const wchar_t* text = (const wchar_t*)GlobalLock(data);
    if (text) {
      result = JoinClipboardText(text, ExistsOnDisk);
      if (!result && cancelled) *cancelled = 1;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return result;
}

DWORD CreationFlagsFromItemFlag(UINT flag) {
  // One class only: CreateProcess refuses two, and no other bit of a
  // hand-edited Flag (suspended, debug, new console ...) may come along.
  static const DWORD kOrder[] = {IDLE_PRIORITY_CLASS, BELOW_NORMAL_PRIORITY_CLASS, NORMAL_PRIORITY_CLASS,
                                 ABOVE_NORMAL_PRIORITY_CLASS, HIGH_PRIORITY_CLASS, REALTIME_PRIORITY_CLASS};
  DWORD priority = 0;
  for (DWORD c : kOrder)
    if (flag & c) {
      priority = c;
      break;
    }
  return priority | CREATE_UNICODE_ENVIRONMENT;
}

int WindowMatchesConditions(const wchar_t* title, const wchar_t* className, const TargetWindowCondition* conds,
                            int count, UINT options) {
  if (!(options & (ITEM_MATCH_ALL | ITEM_SKIP_MATCHING)) || !conds || count <= 0) return 1;
  for (int i = 0; i < count; ++i) {
    const TargetWindowCondition& c = conds[i];
    int titleOk = !c.Title[0] || (title && FindNoCase(title, c.Title));
    int classOk = !c.Class[0] || (className && !_wcsnicmp(className, c.Class, wcslen(c.Class)));
    int holds = titleOk && classOk;
    if ((options & ITEM_MATCH_ALL) && !holds) return 0;
    if ((options & ITEM_SKIP_MATCHING) && holds) return 0;
  }
  return 1;
}

wchar_t* BuildFilerCommandLine(const wchar_t* folder, const wchar_t* parameters, wchar_t** out) {
  if (out) *out = nullptr;
  const SettingsState& set = g_App.Settings;
  if (IsEmpty(set.FilerPath) || !out) return nullptr;
  wchar_t* program = ExpandFullPath(set.FilerPath);
  wchar_t* line = AllocText(kCommandChars);
  wchar_t* quoted = folder ? QuotePath(folder) : nullptr;
  int ok = program && line && (!folder || quoted);
  if (ok) {
    ok = AppendArgument(line, kCommandChars, parameters) && AppendArgument(line, kCommandChars, set.FilerParam) &&
         AppendArgument(line, kCommandChars, quoted);
  }
  FreeText(quoted);
  if (!ok) {
    FreeText(program);
    FreeText(line);
    return nullptr;
  }
  *out = line;
  return program;
}

// --- helpers of the road ------------------------------------------------------------

static UINT EffectiveOptions(const ButtonInfo* item, UINT flags) {
  return (flags & LF_OPTIONS_OVERRIDE) ? (flags & 0xFFFF0000) : (item->Type & 0xFFFF0000);
}

static int ShellItemIsFolder(LPCITEMIDLIST list) {
  if (!list) return 0;
  SHFILEINFOW info = {};
  info.dwAttributes = SFGAO_FOLDER;
  return SHGetFileInfoW((LPCWSTR)list, 0, &info, sizeof info, SHGFI_PIDL | SHGFI_ATTRIBUTES | SHGFI_ATTR_SPECIFIED) &&
         (info.dwAttributes & SFGAO_FOLDER);
}

static int IsFolderItem(const ButtonInfo* item) {
  UINT t = ItemTypeOf(item->Type);
  return t == IT_FOLDER || (t & IT_FOLDERLIKE) || (t == IT_SHELLITEM && ShellItemIsFolder(item->ShellItem));
}

static int WatchTestHolds(const ButtonInfo* item, UINT options) {
  if ((options & ITEM_BY_PROCESS) && (options & (ITEM_ACTIVATE_RUNNING | ITEM_CLOSE_RUNNING | ITEM_SINGLE_INSTANCE)))
    return 1;
  return ((options & ITEM_HOLD_HOOKS) || !IsEmpty(item->RehookTrigger)) &&
         !(g_App.RunState & (RS_HOOKS_ON | RS_N_MODE));
}

static int RunModeFor(UINT options) {
  HANDLE token = nullptr;
  int elevation = g_LaunchPlatform.GetElevation ? g_LaunchPlatform.GetElevation(&token) : 0;
  if ((options & ITEM_RUN_ADMIN) && elevation == 2) return RUN_AS_ADMIN;
  if ((options & ITEM_RUN_STANDARD) && elevation == 1) return RUN_AS_STANDARD;
  return RUN_AS_LAUNCHER;
}

static void BringLauncherForward() {
  if (g_App.MainWnd) BringToForeground(g_App.MainWnd, 0);
}

static wchar_t* ExpandedParameter(const ButtonInfo* item) {
  return IsEmpty(item->Parameter) ? nullptr : ExpandEnvPath(item->Parameter);
}

// Splits a command line into its program (unquoted, heap) and the rest.
static wchar_t* SplitProgram(const wchar_t* command, const wchar_t** rest) {
  const wchar_t* args = PathGetArgsW(command);
  int n = (int)(args - command);
  while (n > 0 && command[n - 1] == L' ') --n;
  wchar_t* program = AllocText(n);
  if (!program) return nullptr;
  memcpy(program, command, n * sizeof(wchar_t));
  PathUnquoteSpacesW(program);
  *rest = args;
  return program;
}

// --- dispatch -----------------------------------------------------------------------

int ShellExecuteItem(ButtonInfo* item, const wchar_t* file, const wchar_t* parameters, UINT flags, int mode) {
  if (!item) return 0;
  const LaunchPlatform& p = g_LaunchPlatform;
  UINT t = ItemTypeOf(item->Type);
  UINT options = EffectiveOptions(item, flags);
  wchar_t* ownParams = nullptr;
  wchar_t* ownFile = nullptr;
  wchar_t* directory = nullptr;
  wchar_t* filer = nullptr;
  SHELLEXECUTEINFOW sei = {};
  sei.cbSize = sizeof sei;
  sei.lpFile = file;
  sei.nShow = item->WindowStat;
  if (parameters) {
    sei.lpParameters = parameters;
  } else if (t != kUrl) {
    ownParams = ExpandedParameter(item);
    sei.lpParameters = ownParams;
  }
  if (mode == RUN_AS_ADMIN && GetOSVersion() >= 600) sei.lpVerb = L"runas";
  int ok = 1;
  if (t == kProgram || t == kDocument) {
    if (!IsEmpty(item->Directory)) directory = ExpandFullPath(item->Directory);
    sei.lpDirectory = directory;
  } else if (t == kUrl) {
    if (!file) {
      size_t a = item->File ? wcslen(item->File) : 0, b = item->Parameter ? wcslen(item->Parameter) : 0;
      ownFile = AllocText(a + b);
      if (ownFile) {
        if (a) memcpy(ownFile, item->File, a * sizeof(wchar_t));
        if (b) memcpy(ownFile + a, item->Parameter, b * sizeof(wchar_t));
      }
      ok = ownFile != nullptr;
      sei.lpFile = ownFile;
      sei.lpParameters = nullptr;
    }
  } else if (t == IT_FOLDER && (options & ITEM_BY_PROCESS)) {
    ownParams = ownParams ? ownParams : nullptr;
    wchar_t* line = AllocText(kCommandChars);
    BoundedText o = {line, kCommandChars, 0, 0};
    if (line) {
      o.Put(L"/e,\"", 4);
      o.Put(file, -1);
      o.Put(L"\" \"", 3);
      o.Put(sei.lpParameters, -1);
      o.Ch(L'"');
    }
    ok = line && !o.Failed;
    FreeText(ownParams);
    ownParams = line;
    sei.lpFile = L"explorer";
    sei.lpParameters = line;
  } else if ((t == IT_FOLDER || t == IT_SHELLITEM || (t & IT_FOLDERLIKE)) &&
             (g_App.Settings.Option1 & OPT1_FILE_MANAGER)) {
    wchar_t* line = nullptr;
    filer = BuildFilerCommandLine(t == IT_FOLDER ? file : nullptr, sei.lpParameters, &line);
    FreeText(ownParams);
    ownParams = line;
    ok = filer != nullptr;
    sei.lpFile = filer;
    sei.lpParameters = line;
  }
  if (ok && !sei.lpFile) ok = 0;
  if (ok) {
    HANDLE token = nullptr;
    int elevation = p.GetElevation ? p.GetElevation(&token) : 0;
    if (GetOSVersion() < 600 || (mode != RUN_AS_STANDARD && elevation == 1)) {
      BringLauncherForward();
      ok = p.ShellExecuteExW && p.ShellExecuteExW(&sei);
    } else {
      // Through the desktop the program runs with the shell's rights, not ours.
      HWND desktop = FindWindowW(L"Progman", L"Program Manager");
      if (desktop) BringToForeground(desktop, 0);
      HRESULT hr = p.ShellExecuteViaDesktop
                       ? p.ShellExecuteViaDesktop(sei.lpFile, sei.lpParameters, sei.lpDirectory, sei.lpVerb, sei.nShow)
                       : E_NOTIMPL;
      if (FAILED(hr)) {
        BringLauncherForward();
        ok = p.ShellExecuteExW && p.ShellExecuteExW(&sei);
      }
    }
    ok = ok ? 1 : 0;
  }
  if (ok && !IsEmpty(item->RehookTrigger) && !(g_App.RunState & (RS_HOOKS_ON | RS_N_MODE)))
    WatchLaunchedItem(item, 0);
  FreeText(ownParams);
  FreeText(ownFile);
  FreeText(directory);
  FreeText(filer);
  return ok;
}

int CreateProcessItem(ButtonInfo* item, const wchar_t* path, const wchar_t* commandLine, int mode) {
  if (!item || !path) return 0;
  const LaunchPlatform& p = g_LaunchPlatform;
  BringLauncherForward();
  UINT t = ItemTypeOf(item->Type);
  wchar_t* line = AllocText(kCommandChars);
  if (!line) return 0;
  int ok = 1;
  if (commandLine) {
    ok = (int)wcslen(commandLine) < kCommandChars;
    if (ok) lstrcpyW(line, commandLine);
  } else if (t == kProgram) {
    wchar_t* quoted = QuotePath(path);
    wchar_t* params = ExpandedParameter(item);
    ok = quoted && AppendArgument(line, kCommandChars, quoted) && AppendArgument(line, kCommandChars, params);
    FreeText(quoted);
    FreeText(params);
  } else {
    wchar_t* params = ExpandedParameter(item);
    wchar_t* assoc = AssocCommandLine(path, params, nullptr);
    ok = assoc && (int)wcslen(assoc) < kCommandChars;
    if (ok) lstrcpyW(line, assoc);
    FreeText(assoc);
    FreeText(params);
  }
  wchar_t* directory = (ok && !IsEmpty(item->Directory)) ? ExpandFullPath(item->Directory) : nullptr;
  PROCESS_INFORMATION pi = {};
  if (ok) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = (WORD)item->WindowStat;
    DWORD creation = CreationFlagsFromItemFlag((UINT)item->Flag);
    HANDLE token = nullptr;
    if (p.GetElevation) p.GetElevation(&token);
    BOOL started = FALSE;
    if (mode == RUN_AS_STANDARD && token && p.CreateProcessWithTokenW)
      started = p.CreateProcessWithTokenW(token, 0, nullptr, line, creation, nullptr, directory, &si, &pi);
    if (!started && p.CreateProcessW)
      started = p.CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, creation, nullptr, directory, &si, &pi);
    ok = started ? 1 : 0;
  }
  if (ok) {
    if (WatchTestHolds(item, item->Type & 0xFFFF0000)) WatchLaunchedItem(item, pi.dwProcessId);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (pi.hThread) CloseHandle(pi.hThread);
  }
  FreeText(directory);
  FreeText(line);
  return ok;
}

struct PackagedWindowFind {
  DWORD ProcessId;
  HWND Found;
};

static BOOL CALLBACK FindPackagedWindow(HWND w, LPARAM lp) {
  PackagedWindowFind* f = (PackagedWindowFind*)lp;
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != f->ProcessId || !IsWindowVisible(w)) return TRUE;
  f->Found = GetAncestor(w, GA_ROOT);
  return FALSE;
}

int ActivatePackagedApp(ButtonInfo* item, const wchar_t* arguments) {
  if (!item || ItemTypeOf(item->Type) != kPackagedApp || IsEmpty(item->File)) return 0;
  if (!g_LaunchPlatform.ActivateApplication) return 0;
  DWORD pid = 0;
  const wchar_t* args = arguments ? arguments : item->Parameter;
  if (FAILED(g_LaunchPlatform.ActivateApplication(item->File, args, &pid))) return 0;
  if (WatchTestHolds(item, item->Type & 0xFFFF0000)) WatchLaunchedItem(item, pid);
  if ((UINT)item->Flag & kRaisedPriorityBits) SetProcessPriority((UINT)item->Flag & kRaisedPriorityBits, pid);
  if (item->WindowStat != SW_SHOWNORMAL && pid) {
    PackagedWindowFind f = {pid, nullptr};
    EnumWindows(FindPackagedWindow, (LPARAM)&f);
    HWND w = f.Found;
    wchar_t cls[64];
    if (w && GetClassNameW(w, cls, 64) && !lstrcmpW(cls, L"Windows.UI.Core.CoreWindow")) {
      HWND frame = nullptr;
      for (DWORD waited = 0; waited <= kPackagedWindowWaitMs; waited += 100) {
        HWND parent = GetParent(w);
        if (parent && GetClassNameW(parent, cls, 64) && !lstrcmpW(cls, L"ApplicationFrameWindow")) {
          frame = parent;
          break;
        }
        Sleep(100);
      }
      w = frame;
    }
    if (w && item->WindowStat == SW_SHOWMINIMIZED) ShowWindow(w, SW_MINIMIZE);
    else if (w && item->WindowStat == SW_SHOWMAXIMIZED) ShowWindow(w, SW_SHOWMAXIMIZED);
  }
  return 1;
}

// --- running instance -------------------------------------------------------------

struct InstanceSearch {
  ButtonInfo* Item;
  UINT Type;
  UINT Options;
  DWORD ProcessId;       // match by process id when set
  const wchar_t* Path;   // else by executable path (or user model id)
  int Found;
};

static BOOL CALLBACK VisitInstanceWindow(HWND w, LPARAM lp) {
  InstanceSearch* s = (InstanceSearch*)lp;
  int match = 0;
  if (s->Type == kPackagedApp) {
    wchar_t* id = nullptr;
    if (GetAppUserModelId(w, &id) && id) {
      match = !lstrcmpiW(id, s->Path);
      FreeText(id);
    }
  } else if (s->ProcessId) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    match = pid == s->ProcessId;
  } else {
    wchar_t exe[kExePathChars];
    exe[0] = 0;
    GetWindowExePath(w, exe, 0);
    match = exe[0] && !lstrcmpiW(exe, s->Path);
  }
  if (!match) return TRUE;
  wchar_t title[1024], cls[256];
  title[0] = cls[0] = 0;
  GetWindowTextW(w, title, 1024);
  GetClassNameW(w, cls, 256);
  if (!WindowMatchesConditions(title, cls, s->Item->TargetWindows, s->Item->TargetWindowCount, s->Options))
    return TRUE;
  if (s->Type == kPackagedApp) {
    wchar_t root[64];
    if (!GetClassNameW(GetAncestor(w, GA_ROOT), root, 64) || lstrcmpW(root, L"ApplicationFrameWindow")) return TRUE;
  }
  if (s->Options & ITEM_ACTIVATE_RUNNING) {
    if (IsWindowVisible(w)) {
      s->Found = BringToForeground(w, 1) ? 1 : s->Found;
    } else if ((s->Options & ITEM_SHOW_HIDDEN) && lstrcmpW(cls, L"GDI+ Hook Window Class")) {
      if (!IsWindow(w)) {
        s->Found = 0;
      } else {
        int r = RouteWindowOperation(w, 7);
        if (r < 0) {
          s->Found = 0;
        } else if (r == 0) {
          ShowWindow(w, SW_SHOW);
          BringToForeground(w, 1);
          s->Found = 1;
        } else {
          s->Found = 1;
        }
      }
    }
    return TRUE;
  }
  if (s->Options & ITEM_CLOSE_RUNNING) {
    s->Found = RequestCloseWindow(w, (s->Options & ITEM_FOLDER_MENU) ? 1 : 0);
    return TRUE;
  }
  s->Found = 1;  // single instance: one is enough
  return FALSE;
}

int IsRunningInstance(ButtonInfo* item, const wchar_t* path) {
  if (!item) return 0;
  UINT t = ItemTypeOf(item->Type);
  UINT options = item->Type & 0xFFFF0000;
  if (t != kProgram && t != kDocument && t != kPackagedApp) return 0;
  if (!(options & (ITEM_ACTIVATE_RUNNING | ITEM_CLOSE_RUNNING | ITEM_SINGLE_INSTANCE))) return 0;
  if (GetOSVersion() < 500) options |= ITEM_BY_PROCESS;
  InstanceSearch s = {item, t, options, 0, nullptr, 0};
  wchar_t* key = nullptr;
  if (options & ITEM_BY_PROCESS) {
    if (!item->WatchState) return 0;
    s.ProcessId = (DWORD)item->WatchState;
  } else if (!IsEmpty(item->TargetProgram)) {
    key = ExpandFullPath(item->TargetProgram);
  } else if (t == kProgram) {
    key = CopyText(path);
  } else if (t == kDocument) {
    wchar_t exe[kAssocChars];
    DWORD n = kAssocChars;
    const wchar_t* ext = path ? PathFindExtensionW(path) : L"";
    if (*ext && SUCCEEDED(AssocQueryStringW(ASSOCF_NOTRUNCATE, ASSOCSTR_EXECUTABLE, ext, L"open", exe, &n)))
      key = CopyText(exe);
  } else {
    key = CopyText(item->File);
  }
  if (!s.ProcessId && IsEmpty(key)) {
    FreeText(key);
    return 0;
  }
  s.Path = key;
  EnumWindows(VisitInstanceWindow, (LPARAM)&s);
  FreeText(key);
  if (!s.Found) item->WatchState = 0;
  return s.Found;
}

// --- clipboard and argument runs ----------------------------------------------------

static int RunItemCore(ButtonInfo* item, const wchar_t* path, const wchar_t* clipboard, const wchar_t* extra,
                       UINT flags) {
  if (!item) return 0;
  UINT t = ItemTypeOf(item->Type);
  wchar_t* command = AllocText(kCommandChars);
  if (!command) return 0;
  wchar_t* params = ExpandedParameter(item);
  int ok = 1;
  if (t == kProgram) {
    wchar_t* quoted = path ? QuotePath(path) : nullptr;
    ok = quoted && AppendArgument(command, kCommandChars, quoted) && AppendArgument(command, kCommandChars, params);
    FreeText(quoted);
  } else if (t == kDocument) {
    wchar_t* assoc = AssocCommandLine(path, params, nullptr);
    ok = assoc && (int)wcslen(assoc) < kCommandChars;
    if (ok) lstrcpyW(command, assoc);
    FreeText(assoc);
  } else if (t == kUrl) {
    ok = AppendArgument(command, kCommandChars, item->File);
    if (ok && !IsEmpty(item->Parameter)) {
      int len = (int)wcslen(command), add = (int)wcslen(item->Parameter);
      ok = len + add < kCommandChars;
      if (ok) lstrcpyW(command + len, item->Parameter);
    }
  } else if (t == kPackagedApp) {
    ok = AppendArgument(command, kCommandChars, params);
  } else {
    ok = 0;
  }
  if (ok && clipboard) ok = InsertClipboardText(command, kCommandChars, clipboard, t == kUrl);
  if (ok && extra) ok = AppendArgument(command, kCommandChars, extra);
  FreeText(params);
  int done = 0;
  if (ok) {
    UINT options = EffectiveOptions(item, flags);
    if (t == kUrl) {
      done = ShellExecuteItem(item, command, nullptr, flags, RUN_AS_LAUNCHER);
    } else if (t == kPackagedApp) {
      done = ActivatePackagedApp(item, command);
    } else {
      int mode = RunModeFor(options);
      if (mode == RUN_AS_ADMIN || (!((UINT)item->Flag & kRaisedPriorityBits) && !WatchTestHolds(item, options))) {
        const wchar_t* rest = L"";
        wchar_t* program = SplitProgram(command, &rest);
        if (program) done = ShellExecuteItem(item, program, rest, flags, mode);
        FreeText(program);
      } else {
        done = CreateProcessItem(item, path, command, mode);
      }
    }
  }
  FreeText(command);
  return done;
}

int RunItemWithClipboard(ButtonInfo* item, const wchar_t* path, const wchar_t* clipboard, const wchar_t* extra,
                         UINT flags) {
  if (!clipboard) return 0;
  return RunItemCore(item, path, clipboard, extra, flags);
}

int RunItemWithArguments(ButtonInfo* item, const wchar_t* path, const wchar_t* extra, UINT flags) {
  return RunItemCore(item, path, nullptr, extra, flags);
}

// --- execute -----------------------------------------------------------------------

static POINT SubMenuPoint(ButtonInfo* item, UINT flags, POINT* where) {
  POINT pt = {};
  if (where) return *where;
  if ((flags & LF_MENU_AT_DROP) && g_LaunchPlatform.GetDropPoint && g_LaunchPlatform.GetDropPoint(&pt)) return pt;
  HWND w = g_App.MainWnd;
  RECT cell;
  if (w && IsWindowVisible(w) && (flags & (LF_MENU_RIGHT | LF_MENU_BELOW | LF_TRIGGER)) != LF_TRIGGER &&
      g_LaunchPlatform.GetButtonScreenRect && g_LaunchPlatform.GetButtonScreenRect(item, &cell)) {
    if (flags & LF_MENU_RIGHT) {
      pt.x = cell.right + 1;
      pt.y = cell.top;
    } else if (flags & LF_MENU_BELOW) {
      pt.x = cell.left;
      pt.y = cell.bottom + 1;
    } else {
      pt.x = (cell.left + cell.right) / 2;
      pt.y = (cell.top + cell.bottom) / 2;
    }
    return pt;
  }
  GetCursorPos(&pt);
  pt.x += 1;
  pt.y += 1;
  return pt;
}

int ExecuteItem(ButtonInfo* item, const wchar_t* path, UINT flags, POINT* where) {
  if (!item) return 0;
  const LaunchPlatform& p = g_LaunchPlatform;
  UINT t = ItemTypeOf(item->Type);
  UINT options = EffectiveOptions(item, flags);
  if (t & IT_POWER && t < IT_FOLDERLIKE) {
    UINT o = options;
    if (flags & LF_UNATTENDED) o = (o & ~ITEM_ACTIVATE_RUNNING) | ITEM_CLOSE_RUNNING;
    if (p.RunPowerCommand) p.RunPowerCommand(o, t);
    return 1;
  }
  if (t == kPluginItem) {
    if (p.PluginItemEvent) p.PluginItemEvent(item, 7, MakeItemRef(item->List, item->Index), flags & LF_UNATTENDED);
    return 1;
  }
  int folder = t == IT_FOLDER || (t & IT_FOLDERLIKE && t < IT_BUILTIN) ||
               (t == IT_SHELLITEM && ShellItemIsFolder(item->ShellItem));
  if (t == IT_CHILDMENU || (folder && (options & ITEM_FOLDER_MENU))) {
    POINT pt = SubMenuPoint(item, flags, where);
    INT_PTR source = t == IT_CHILDMENU ? item->SubMenuIdx + 1
                     : t == IT_SHELLITEM ? (INT_PTR)item->ShellItem
                                         : (INT_PTR)path;
    if (p.OpenSubMenu) p.OpenSubMenu(t, source, item->Directory, pt, flags);
    InterlockedOr(&g_App.RunState, RS_SUBMENU_FROM_ITEM);
    return 1;
  }
  if ((t & IT_FOLDERLIKE && t < IT_BUILTIN) || t == IT_SHELLITEM) {
    if (!IsEmpty(item->Parameter) && !(options & ITEM_BY_PROCESS) && (g_App.Settings.Option1 & OPT1_FILE_MANAGER))
      return ShellExecuteItem(item, path, nullptr, flags, RUN_AS_LAUNCHER);
    UINT show = (UINT)item->WindowStat | (options & ITEM_BY_PROCESS ? kShellOpenExplore : 0);
    if (t == IT_SHELLITEM) ShellOpenItem(item->ShellItem, show ? show : SW_SHOWNORMAL, nullptr, nullptr, nullptr);
    else OpenSpecialFolder(t & 0xFF, show ? show : SW_SHOWNORMAL, nullptr, nullptr, nullptr);
    return 1;
  }
  if (t == kPackagedApp) return ActivatePackagedApp(item, nullptr);
  if (t & IT_BUILTIN && t < 0x8000) {
    if (p.RunSpecialCommand) p.RunSpecialCommand(item, flags);
    return 1;
  }
  int mode = RunModeFor(options);
  if ((t == kProgram || t == kDocument) && mode != RUN_AS_ADMIN &&
      (((UINT)item->Flag & kRaisedPriorityBits) || WatchTestHolds(item, options)))
    return CreateProcessItem(item, path, nullptr, mode);
  if (t == kDocument && (!IsEmpty(item->Parameter) || mode == RUN_AS_ADMIN)) {
    wchar_t* params = ExpandedParameter(item);
    wchar_t* command = AssocCommandLine(path, params, nullptr);
    FreeText(params);
    if (!command) return 0;
    const wchar_t* rest = L"";
    wchar_t* program = SplitProgram(command, &rest);
    int ok = program ? ShellExecuteItem(item, program, rest, flags, mode) : 0;
    FreeText(program);
    FreeText(command);
    return ok;
  }
  return ShellExecuteItem(item, path, nullptr, flags, mode);
}

// --- after a launch ----------------------------------------------------------------

static BOOL CALLBACK FindSearchWindowProc(HWND w, LPARAM lp) {
  wchar_t cls[32];
  if (GetClassNameW(w, cls, 32) && !lstrcmpW(cls, kSearchWndClass)) {
    *(HWND*)lp = w;
    return FALSE;
  }
  return TRUE;
}

static int ListPage(int list) {
  const ItemStore& s = g_App.Store;
  for (int guard = 0; guard <= kMaxSubMenus && (list & LIST_SUBMENU); ++guard) {
    int m = list & 0x7FFF;
    if (m >= s.SubMenuCount) return -1;
    list = s.SubMenus[m].Page;
  }
  return list < s.PageCount ? list : -1;
}

static void AfterSuccess(ButtonInfo* item) {
  SettingsState& set = g_App.Settings;
  HWND main = g_App.MainWnd;
  if (set.Option1 & OPT1_CLOSE_SEARCH) {
    if (set.Status & STATUS_SEARCH) {
      set.Status &= ~STATUS_SEARCH;
      if (g_App.RunState & RS_TRACK_CHANGES) MarkSettingsChanged();
    }
    HWND search = nullptr;
    if (main) EnumThreadWindows(GetWindowThreadProcessId(main, nullptr), FindSearchWindowProc, (LPARAM)&search);
    if (search) {
      BringLauncherForward();
      PostMessageW(search, WM_CLOSE, 0, 0);
    }
  }
  if ((set.Option1 & OPT1_VIEWMODE1_AFTER) && main) PostMessageW(main, WM_COMMAND, kMenuCommandViewMode1, 0);
  int page = ListPage(item->List);
  if (page >= 0 && (g_App.Store.Pages[page].Flag & PAGE_RESET_AFTER_LAUNCH)) {
    int vm = CurrentViewMode() ? 1 : 0;
    const PageInfo& info = g_App.Store.Pages[page];
    // Only read here: the scroll, the grid and the picture change together
    // on the window's thread.
    if ((info.ScrollStat[vm] || info.ScrollStat[2 + vm]) && g_LaunchPlatform.ResetPageScroll)
      g_LaunchPlatform.ResetPageScroll(page);
  }
}

void PrepareAndExecuteItem(ButtonInfo* item, UINT flags, POINT* where) {
  if (!item) return;
  const LaunchPlatform& p = g_LaunchPlatform;
  int busy = 0;
  if (!(g_App.RunState & RS_N_MODE) && (g_App.Settings.DispOption & DISP_BUSY_TRAY) && p.SetTrayBusy) {
    p.SetTrayBusy(1);
    busy = 1;
  }
  UINT t = ItemTypeOf(item->Type);
  // Copies: the store may change the button while this thread works.
  int list = item->List, index = item->Index;
  wchar_t* path = nullptr;
  int reached = 0, done = 0;
  if (t <= IT_FOLDER) {
    if (IsEmpty(item->File) || !(path = ExpandFullPath(item->File))) goto finish;
    if (PathIsUNCW(path) && !PathReachable(path)) goto finish;
  }
  reached = 1;
  done = IsRunningInstance(item, path);
  if (!done && (t == kProgram || t == kDocument || t == kUrl || t == kPackagedApp) &&
      ((flags & LF_APPEND_CLIPBOARD) || FindNoCase(item->Parameter, kClipboardPlaceholder))) {
    int cancelled = 0;
    wchar_t* text = GetClipboardArguments(&cancelled);
    if (cancelled) {
      // Declined: the program must not start with "<clipboard>" as its argument.
      reached = 0;
      goto finish;
    }
    if (text) {
      done = RunItemWithClipboard(item, path, text, nullptr, flags);
      FreeText(text);
      goto after;
    }
  }
  if (!done) done = ExecuteItem(item, path, flags, where);
after:
  if (done) {
    if (g_App.RunState & RS_SUBMENU_FROM_ITEM) InterlockedAnd(&g_App.RunState, ~RS_SUBMENU_FROM_ITEM);
    else AfterSuccess(item);
  }
finish:
  if (busy) p.SetTrayBusy(0);
  if (reached && g_StoreOutlets.BroadcastPluginEvent)
    g_StoreOutlets.BroadcastPluginEvent(PN_ITEMEXECUTED, MakeItemRef(list, index));
  FreeText(path);
}

DWORD WINAPI ExecuteItemThread(LPVOID param) {
  LaunchRequest* request = (LaunchRequest*)param;
  if (request) {
    const ItemStore& s = g_App.Store;
    int list = request->List, index = request->Index;
    int listOk = list >= 0 && ((list & LIST_SUBMENU) ? (list & 0x7FFF) < s.SubMenuCount : list < s.PageCount);
    if (listOk && index >= 0 && index < GetItemCount(list)) {
      // The request may wait: COM for the shell calls on this thread.
      HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
      if (ButtonInfo* b = GetItem(list, index)) PrepareAndExecuteItem(b, request->Flags, nullptr);
      if (SUCCEEDED(init)) CoUninitialize();
    }
    HeapFree(Heap(), 0, request);
  }
  LONG left = g_App.Core.RunningWork;
  while (left > 0) {
    LONG seen = InterlockedCompareExchange(&g_App.Core.RunningWork, left - 1, left);
    if (seen == left) {
      --left;
      break;
    }
    left = seen;
  }
  if (left == 0) EndIfIdleAfterHide();
  return 0;
}

void LaunchItem(ButtonInfo* item, UINT flags, POINT* where) {
  if (!item) return;
  const LaunchPlatform& p = g_LaunchPlatform;
  UINT t = ItemTypeOf(item->Type);
  if (t == IT_HISTORY && (EffectiveOptions(item, flags) & ITEM_SHOW_NEWEST)) {
    if (!WaitModelIdle()) return;
    const References& r = g_App.Store.Refs;
    int ref = (r.History && r.MaxMemories > 0) ? r.History[0].Ref : 0;
    UINT option = ref ? (UINT)r.History[0].Option : 0;
    InterlockedAnd(&g_App.RunState, ~RS_HISTORY_BUSY);
    ButtonInfo* newest = ref ? GetItem(ItemRefList(ref), ItemRefIndex(ref)) : nullptr;
    if (!newest) return;
    item = newest;
    flags = option | (flags & LF_FROM_WINDOW);
    t = ItemTypeOf(item->Type);
  }
  UINT options = EffectiveOptions(item, flags);
  int opensMenu = t == IT_CHILDMENU || t == kClipboardMenu || t == IT_HISTORY || t == kLastMenu;
  if (!opensMenu && (flags & LF_FOLDER_AS_MENU)) opensMenu = IsFolderItem(item);
  else if (!opensMenu && (options & ITEM_FOLDER_MENU)) opensMenu = IsFolderItem(item);

  if (!(flags & LF_SKIP_PRELAUNCH)) {
    int hideOk = 1;
    if (t == kPluginItem && p.PluginItemEvent) {
      int answer = p.PluginItemEvent(item, 6, MakeItemRef(item->List, item->Index), flags & LF_UNATTENDED);
      if (answer >= 0) hideOk = answer != 0;
    }
    if (!(flags & LF_NO_HISTORY)) {
      AddHistoryEntry(item, (int)flags, opensMenu);
      if (flags & LF_FROM_WINDOW) {
        StartForegroundGuard();
      } else {
        StopForegroundGuard();
        if (hideOk && !opensMenu && !(g_App.Settings.Status & STATUS_PINNED) && t != kPinCommand)
          HideLauncher(0, 0, 0);
      }
    }
    if (p.StartDelayedLaunches && p.StartDelayedLaunches(item, flags)) return;
  }
  if (!(t & IT_BUILTIN) && t != kPluginItem) {
    g_App.Wnd.PrevForeground = nullptr;
    if (g_App.MainWnd && !IsWindowVisible(g_App.MainWnd)) BringToForeground(g_App.MainWnd, 0);
  }
  if (!opensMenu && t != kPluginItem) {
    LaunchRequest* request = (LaunchRequest*)HeapAlloc(Heap(), HEAP_ZERO_MEMORY, sizeof(LaunchRequest));
    if (request) {
      request->List = item->List;
      request->Index = item->Index;
      request->Flags = flags;
      // Counted before the thread exists: /n mode and the exit list must
      // not see nothing running while a launch is about to start.
      InterlockedIncrement(&g_App.Core.RunningWork);
      HANDLE thread = p.CreateThread ? p.CreateThread(nullptr, 0, ExecuteItemThread, request, 0, nullptr) : nullptr;
      if (thread) {
        CloseHandle(thread);
        return;
      }
      InterlockedDecrement(&g_App.Core.RunningWork);
      HeapFree(Heap(), 0, request);
    }
  }
  PrepareAndExecuteItem(item, flags, where);
  EndIfIdleAfterHide();
}
