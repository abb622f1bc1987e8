#include "plugins/services.h"

#include <wchar.h>

#include "core/hookbind.h"
#include "core/mainwnd.h"
#include "core/winhelpers.h"
#include "hooklib/vnhook.h"
#include "plugins/host.h"
#include "plugins/plugindata.h"
#include "render/paint.h"
#include "render/skinsel.h"
#include "resources/resource.h"
#include "state.h"
#include "store/datafolder.h"
#include "store/language.h"
#include "store/paths.h"

static_assert(sizeof(PluginServices) == 96 * sizeof(void*), "six groups of sixteen slots");

// One flag per guarded service: a caller that finds it taken returns at once.
struct TryLock {
  volatile LONG* Flag;
  bool Taken;
  explicit TryLock(volatile LONG* flag) : Flag(flag), Taken(InterlockedExchange(flag, 1) == 0) {}
  ~TryLock() {
    if (Taken) InterlockedExchange(Flag, 0);
  }
};

static volatile LONG s_captionBusy, s_skinsFolderBusy, s_skinInfoBusy, s_selectSkinBusy, s_windowOpBusy,
    s_languageBusy;

// --- group 0 -------------------------------------------------------------------------

static DWORD VNAPI SvcGetLauncherVersion() { return GetModuleVersion(nullptr); }

static HWND VNAPI SvcGetMainWindow(HMODULE* module) {
  if (module) *module = GetModuleHandleW(nullptr);
  return g_App.MainWnd;
}

static DWORD VNAPI SvcGetDisplayState() { return GetPluginStateWord(); }
static int VNAPI SvcGetPageCount() { return g_App.Store.PageCount; }
static int VNAPI SvcGetCurrentPage() { return g_App.Store.CurrentPage; }

static const wchar_t* VNAPI SvcGetLanguageName(const wchar_t** displayName) {
  static wchar_t name[260];
  if (displayName) {
    TryLock lock(&s_languageBusy);
    // Re-entered (or raced): the text is handed out as it stands.
    if (lock.Taken) {
      HMODULE from = g_App.LangModule ? g_App.LangModule : GetModuleHandleW(nullptr);
      if (LoadStringW(from, IDS_LANG_NAME, name, 260) <= 0) name[0] = 0;
    }
    *displayName = name;
  }
  return g_App.LangFile;
}

static const wchar_t* VNAPI SvcGetDataFolder() { return ResolveDataFolder(); }

// --- group 1 -------------------------------------------------------------------------

void PackShowLauncher(int mode, int x, int y, int page, WPARAM* wParam, LPARAM* lParam) {
  *wParam = (WPARAM)(((DWORD)(page & 0xFFFF) << 16) | (DWORD)(mode & 0xFFFF));
  *lParam = (LPARAM)(((DWORD)(y & 0xFFFF) << 16) | (DWORD)(x & 0xFFFF));
}

static int Post(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND w = g_App.MainWnd;
  return w && PostMessageW(w, message, wParam, lParam) ? 1 : 0;
}

static int VNAPI SvcPostShowLauncher(int mode, int x, int y, int page) {
  WPARAM wp;
  LPARAM lp;
  PackShowLauncher(mode, x, y, page, &wp, &lp);
  return Post(WMA_SHOWLAUNCHER, wp, lp);
}

static int VNAPI SvcPostHideLauncher() { return Post(WMA_HIDELAUNCHER, 0x10000, 1); }

static int VNAPI SvcSetViewMode(int second) {
  return Post(WM_COMMAND, second ? CMD_VIEWMODE2 : CMD_VIEWMODE1, 0);
}

// Posts the toggle only when the state bit differs from the wish.
static int PostToggleUnless(DWORD bit, int wanted, int command) {
  int now = (GetPluginStateWord() & bit) != 0;
  if (now == (wanted != 0)) return 1;
  return Post(WM_COMMAND, command, 0);
}

static int VNAPI SvcSetPinned(int pinned) { return PostToggleUnless(VNS_PINNED, pinned, CMD_PIN_TOGGLE); }
static int VNAPI SvcSetRestricted(int on) { return PostToggleUnless(VNS_RESTRICTED, on, CMD_RESTRICT_TOGGLE); }
// release: the hooks go when they are active, come back when released.
static int VNAPI SvcSetUnhooked(int release) {
  return PostToggleUnless(VNS_HOOKS_ACTIVE, !release, CMD_HOOK_TOGGLE);
}

// The text a plug-in lent without copy, while the caption shows it.
static const wchar_t* volatile s_lentCaption;

static void RedrawCaption() {
  if (g_App.MainWnd) DrawCaption(nullptr, nullptr, 1);
}

static int VNAPI SvcSetCaptionText(const wchar_t* text, int copy) {
  TryLock lock(&s_captionBusy);
  if (!lock.Taken) return 0;
  RenderState& r = g_App.Render;
  if (!text) {
    r.CaptionText = r.CaptionBuffer;
    s_lentCaption = nullptr;
  } else if (copy) {
    lstrcpynW(r.CaptionBuffer, text, kCaptionChars);
    r.CaptionText = r.CaptionBuffer;
    s_lentCaption = nullptr;
  } else {
    r.CaptionText = text;
    s_lentCaption = text;
  }
  RedrawCaption();
  return 1;
}

void ForgetPluginCaption() {
  TryLock lock(&s_captionBusy);
  const wchar_t* lent = s_lentCaption;
  if (!lent) return;
  s_lentCaption = nullptr;
  if (g_App.Render.CaptionText != lent) return;
  g_App.Render.CaptionText = nullptr;
  RedrawCaption();
}

// --- group 2 -------------------------------------------------------------------------

static const wchar_t* VNAPI SvcGetSkinsFolder() {
  static wchar_t folder[MAX_PATH];
  TryLock lock(&s_skinsFolderBusy);
  if (lock.Taken && !BuildProgramFilePath(L"Skins", folder, MAX_PATH)) folder[0] = 0;
  return folder;
}

static const wchar_t* VNAPI SvcGetSkinName() { return g_App.SkinName; }

static const wchar_t* VNAPI SvcGetSkinInfo(const wchar_t* skinName) {
  static wchar_t info[260];
  TryLock lock(&s_skinInfoBusy);
  if (!lock.Taken) return info;
  info[0] = 0;
  wchar_t* text = nullptr;
  if (skinName && skinName[0] && wcslen(skinName) < kSkinNameChars && GetSkinInfoText(&text, skinName, 0) && text)
    lstrcpynW(info, text, 260);
  if (text) HeapFree(GetProcessHeap(), 0, text);
  return info;
}

static int VNAPI SvcPostSelectSkin(const wchar_t* skinName) {
  TryLock lock(&s_selectSkinBusy);
  if (!lock.Taken || !skinName) return 0;
  // A cut name would select some other skin.
  if (wcslen(skinName) >= kSkinNameChars) return 0;
  return QueueSkinSelection(skinName);
}

// --- group 3 -------------------------------------------------------------------------

// Entry id mod 16 of a string block, bounds-checked against the resource size.
static int CopyStringEntry(const WORD* block, DWORD bytes, UINT id, wchar_t* buffer, int size) {
  const WORD* end = block + bytes / sizeof(WORD);
  const WORD* p = block;
  for (UINT i = 0; i < id % 16; i++) {
    if (p >= end || *p > (size_t)(end - p - 1)) return -1;
    p += 1 + *p;
  }
  if (p >= end || *p > (size_t)(end - p - 1) || *p == 0) return -1;
  int n = *p < (WORD)(size - 1) ? *p : size - 1;
  memcpy(buffer, p + 1, n * sizeof(wchar_t));
  buffer[n] = 0;
  return n;
}

static int VNAPI SvcLoadLangString(HMODULE module, UINT id, wchar_t* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  if (id > 0xFFFF) return 0;
  HRSRC res = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), SelectResourceLanguage());
  HGLOBAL loaded = res ? LoadResource(module, res) : nullptr;
  const WORD* block = loaded ? (const WORD*)LockResource(loaded) : nullptr;
  if (block) {
    int n = CopyStringEntry(block, SizeofResource(module, res), id, buffer, size);
    if (n > 0) return n;
  }
  int n = LoadStringW(module, id, buffer, size);
  if (n <= 0) buffer[0] = 0;
  return n > 0 ? n : 0;
}

static INT_PTR VNAPI SvcLangDialogBox(HMODULE module, UINT id, HWND owner, VnDialogProc proc, LPARAM param) {
  if (id > 0xFFFF) return -1;
  HRSRC res = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(id), SelectResourceLanguage());
  HGLOBAL loaded = res ? LoadResource(module, res) : nullptr;
  const DLGTEMPLATE* tmpl = loaded ? (const DLGTEMPLATE*)LockResource(loaded) : nullptr;
  if (tmpl) return DialogBoxIndirectParamW(module, tmpl, owner, proc, param);
  return DialogBoxParamW(module, MAKEINTRESOURCEW(id), owner, proc, param);
}

// --- group 4 -------------------------------------------------------------------------

static int VNAPI SvcSetPluginDescription(int index, const wchar_t* text) { return SetPluginDescription(index, text); }
static int VNAPI SvcSetPluginIntValue(int index, const wchar_t* section, const wchar_t* key, int value) {
  return SetPluginInt(index, section, key, value);
}
static const wchar_t* VNAPI SvcSetPluginStrValue(int index, const wchar_t* section, const wchar_t* key,
                                                 const wchar_t* text) {
  return SetPluginString(index, section, key, text);
}
static int VNAPI SvcGetPluginIntValue(int index, const wchar_t* section, const wchar_t* key, int defaultValue) {
  return GetPluginInt(index, section, key, defaultValue);
}
static const wchar_t* VNAPI SvcGetPluginStrValue(int index, const wchar_t* section, const wchar_t* key) {
  return GetPluginString(index, section, key);
}
static int VNAPI SvcSavePluginDataNow(int index) { return SavePluginData(index); }

// Item values: the host lock keeps plug-in threads from growing one list at
// the same time.
static int VNAPI SvcSetItemPluginInt(VnItemRef ref, int slot, int value) {
  LockPlugins();
  int ok = SetItemPluginInt(ItemFromRef(ref), slot, value);
  UnlockPlugins();
  return ok;
}
static const wchar_t* VNAPI SvcSetItemPluginStr(VnItemRef ref, int slot, const wchar_t* text) {
  LockPlugins();
  const wchar_t* stored = SetItemPluginString(ItemFromRef(ref), slot, text);
  UnlockPlugins();
  return stored;
}
static int VNAPI SvcGetItemPluginInt(VnItemRef ref, int slot, int defaultValue) {
  LockPlugins();
  int v = GetItemPluginInt(ItemFromRef(ref), slot, defaultValue);
  UnlockPlugins();
  return v;
}
static const wchar_t* VNAPI SvcGetItemPluginStr(VnItemRef ref, int slot) {
  LockPlugins();
  const wchar_t* v = GetItemPluginString(ItemFromRef(ref), slot);
  UnlockPlugins();
  return v;
}
static int VNAPI SvcDeletePluginValue(int index, const wchar_t* section, const wchar_t* key) {
  return DeletePluginValue(index, section, key);
}

// --- group 5 -------------------------------------------------------------------------

static int VNAPI SvcPluginWindowOperation(HWND window, int operation) {
  TryLock lock(&s_windowOpBusy);
  if (!lock.Taken) return 0;
  switch (operation) {
    case VNW_FOREGROUND:
      BringToForeground(window, 0);
      return 1;
    case VNW_CLOSE:
      if (!IsWindow(window)) return 1;
      if (GetWindowElevationType(window) != 1)
        PostMessageW(window, WM_CLOSE, 0, 0);
      else if (g_App.RunState & RS_VNADMIN_MODE)
        QueueAdminRequest(4, (INT_PTR)window, VNW_CLOSE);
      return 1;
    case VNW_CLOSE_WATCH:
      if (IsWindow(window)) RequestCloseWindow(window, 1);
      return 1;
    default:
      break;
  }
  if (operation < VNW_MAXIMIZE || operation > VNW_TOGGLE_TOPMOST) return 1;
  if (!IsWindow(window) || RouteWindowOperation(window, operation) != 0) return 1;
  switch (operation) {
    case VNW_MAXIMIZE:
      ShowWindow(window, SW_SHOWMAXIMIZED);
      break;
    case VNW_MINIMIZE:
      ShowWindow(window, SW_MINIMIZE);
      break;
    case VNW_RESTORE: {
      BOOL wasVisible = IsWindowVisible(window);
      ShowWindow(window, SW_RESTORE);
      if (!wasVisible) BringToForeground(window, 0);
      break;
    }
    case VNW_HIDE:
      ShowWindow(window, SW_HIDE);
      break;
    case VNW_SHOW:
      ShowWindow(window, SW_SHOW);
      BringToForeground(window, 0);
      break;
    case VNW_BOTTOM:
      SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      break;
    case VNW_TOGGLE_TOPMOST: {
      HWND after = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? HWND_NOTOPMOST : HWND_TOPMOST;
      SetWindowPos(window, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      break;
    }
  }
  return 1;
}

// --- the table -----------------------------------------------------------------------

static PluginServices MakeTable() {
  PluginServices t = {};
  t.GetLauncherVersion = SvcGetLauncherVersion;
  t.GetMainWindow = SvcGetMainWindow;
  t.GetDisplayState = SvcGetDisplayState;
  t.GetPageCount = SvcGetPageCount;
  t.GetCurrentPage = SvcGetCurrentPage;
  t.GetLanguageName = SvcGetLanguageName;
  t.GetDataFolder = SvcGetDataFolder;
  t.PostShowLauncher = SvcPostShowLauncher;
  t.PostHideLauncher = SvcPostHideLauncher;
  t.SetViewMode = SvcSetViewMode;
  t.SetPinned = SvcSetPinned;
  t.SetRestricted = SvcSetRestricted;
  t.SetUnhooked = SvcSetUnhooked;
  t.SetCaptionText = SvcSetCaptionText;
  t.GetSkinsFolder = SvcGetSkinsFolder;
  t.GetSkinName = SvcGetSkinName;
  t.GetSkinInfo = SvcGetSkinInfo;
  t.PostSelectSkin = SvcPostSelectSkin;
  t.LoadLangString = SvcLoadLangString;
  t.LangDialogBox = SvcLangDialogBox;
  t.SetPluginDescription = SvcSetPluginDescription;
  t.SetPluginIntValue = SvcSetPluginIntValue;
  t.SetPluginStrValue = SvcSetPluginStrValue;
  t.GetPluginIntValue = SvcGetPluginIntValue;
  t.GetPluginStrValue = SvcGetPluginStrValue;
  t.SavePluginDataNow = SvcSavePluginDataNow;
  t.SetItemPluginInt = SvcSetItemPluginInt;
  t.SetItemPluginStr = SvcSetItemPluginStr;
  t.GetItemPluginInt = SvcGetItemPluginInt;
  t.GetItemPluginStr = SvcGetItemPluginStr;
  t.DeletePluginValue = SvcDeletePluginValue;
  t.PluginWindowOperation = SvcPluginWindowOperation;
  return t;
}

const PluginServices* GetPluginServices() {
  static const PluginServices table = MakeTable();
  return &table;
}
