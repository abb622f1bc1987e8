#include "core/startup.h"
#include "submenu/searchwnd.h"
#include "submenu/submenu.h"

#include <commctrl.h>
#include <objidl.h>
#include <gdiplus.h>
#include <ole2.h>
#include <stdio.h>
#include <wchar.h>

#include "common/messagelog.h"
#include "core/commands.h"
#include "core/eventlists.h"
#include "core/hookbind.h"
#include "core/hookctl.h"
#include "core/iteminfo.h"
#include "core/launch.h"
#include "core/mainwnd.h"
#include "core/procwatch.h"
#include "core/showhide.h"
#include "state.h"
#include "core/switches.h"
#include "core/ticker.h"
#include "core/tray.h"
#include "core/triggers.h"
#include "core/winhelpers.h"
#include "dialogs/dialogboxes.h"
#include "dialogs/dialoghelpers.h"
#include "dialogs/edgerange.h"
#include "render/draw.h"
#include "render/iconcache.h"
#include "render/hittest.h"
#include "render/image.h"
#include "render/skinsel.h"
#include "render/skinzip.h"
#include "resources/resource.h"
#include "store/backup.h"
#include "store/datafolder.h"
#include "store/language.h"
#include "store/outlets.h"
#include "store/paths.h"
#include "store/settings.h"
#include "plugins/host.h"

const wchar_t kMainWndClass[] = L"VantrelWndClass";
const wchar_t kDragWndClass[] = L"VnDragWndClass";
const wchar_t kSubMenuWndClass[] = L"VnSubMenuWndClass";
const wchar_t kSmDragWndClass[] = L"VnSmDragWndClass";
const wchar_t kSearchWndClass[] = L"VnSearchWndClass";
const wchar_t kEdgeWndClass[] = L"VnEdgeWndClass";
const wchar_t kProcWatchMutexName[] = L"VANTREL_MUTEX_PROCWATCH";

// --- optional functions -----------------------------------------------------------

static HMODULE TakeLibrary(const wchar_t* name) {
  HMODULE m = GetModuleHandleW(name);
  return m ? m : LoadLibraryW(name);
}

template <typename Fn>
static void Bind(HMODULE module, const char* name, Fn* slot) {
  *slot = module ? (Fn)GetProcAddress(module, name) : nullptr;
}

void BindOptionalFunctions() {
  OptionalApi& a = g_App.Api;
  HMODULE user32 = TakeLibrary(L"user32.dll");
  Bind(user32, "AllowSetForegroundWindow", &a.AllowSetForegroundWindow);
  Bind(user32, "UpdateLayeredWindow", &a.UpdateLayeredWindow);
  Bind(user32, "SetLayeredWindowAttributes", &a.SetLayeredWindowAttributes);
  Bind(TakeLibrary(L"shell32.dll"), "SHGetFolderPathW", &a.SHGetFolderPathW);
  Bind(TakeLibrary(L"psapi.dll"), "GetModuleFileNameExW", &a.GetModuleFileNameExW);
  HMODULE advapi = TakeLibrary(L"advapi32.dll");
  Bind(advapi, "OpenProcessToken", &a.OpenProcessToken);
  Bind(advapi, "GetTokenInformation", &a.GetTokenInformation);
  Bind(advapi, "DuplicateTokenEx", &a.DuplicateTokenEx);
  Bind(advapi, "LookupPrivilegeValueW", &a.LookupPrivilegeValueW);
  Bind(advapi, "AdjustTokenPrivileges", &a.AdjustTokenPrivileges);
  Bind(advapi, "CreateProcessWithTokenW", &a.CreateProcessWithTokenW);
  HMODULE msimg = TakeLibrary(L"msimg32.dll");
  Bind(msimg, "AlphaBlend", &a.AlphaBlend);
  Bind(msimg, "TransparentBlt", &a.TransparentBlt);
  Bind(TakeLibrary(L"shcore.dll"), "GetDpiForMonitor", &a.GetDpiForMonitor);
  Bind(TakeLibrary(L"dwmapi.dll"), "DwmGetWindowAttribute", &a.DwmGetWindowAttribute);
}

int EnablePrivilege(const wchar_t* name) {
  const OptionalApi& a = g_App.Api;
  if (GetOSVersion() < 500) return 1;
  if (!name || !a.OpenProcessToken || !a.LookupPrivilegeValueW || !a.AdjustTokenPrivileges) return 0;
  HANDLE token;
  if (!a.OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return 0;
  TOKEN_PRIVILEGES tp = {};
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  int ok = 0;
  // AdjustTokenPrivileges succeeds also when it enabled nothing; only
  // ERROR_SUCCESS afterwards means the privilege is really on.
  if (a.LookupPrivilegeValueW(nullptr, name, &tp.Privileges[0].Luid)) {
    SetLastError(ERROR_SUCCESS);
    ok = a.AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr) && GetLastError() == ERROR_SUCCESS;
  }
  CloseHandle(token);
  return ok;
}

int SetProcessPriority(DWORD priorityClass, DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_SET_INFORMATION, FALSE, processId);
  if (!process) return 0;
  BOOL ok = SetPriorityClass(process, priorityClass);
  CloseHandle(process);
  if (g_App.RunState & RS_VNADMIN_MODE) QueueAdminRequest(3, (INT_PTR)priorityClass, 0);
  return ok ? 1 : 0;
}

// --- program folder ------------------------------------------------------------------

// --- message log for test runs ----------------------------------------------------------

static wchar_t s_messageLog[MAX_PATH];

static int LogMessageBox(HWND, int id, const wchar_t*, const wchar_t*, UINT flags) {
  return LogMessageId(s_messageLog, id, flags);
}

void InstallMessageLogFromEnvironment() {
  if (ReadMessageLogPath(s_messageLog)) g_DialogSeams.MessageBoxFn = LogMessageBox;
}

// --- single instance ------------------------------------------------------------------

HWND FindRunningInstance() {
  wchar_t own[kProgramPathChars];
  DWORD n = GetModuleFileNameW(nullptr, own, kProgramPathChars);
  if (!n || n >= (DWORD)kProgramPathChars) return nullptr;
  // Look at every launcher window: a copy in another folder may run beside us.
  for (HWND w = FindWindowExW(nullptr, nullptr, kMainWndClass, nullptr); w;
       w = FindWindowExW(nullptr, w, kMainWndClass, nullptr)) {
    wchar_t path[kExePathChars];
    if (!GetWindowExePath(w, path, 0)) continue;
    if (!_wcsicmp(path, own)) return w;
  }
  return nullptr;
}

// --- switches --------------------------------------------------------------------------

static void ApplySwitchesAtStart(const StartOptions& o) {
  StartShow show;
  BuildStartShow(&o, g_App.Settings.DispPosition, &show);
  if (show.Page >= 0 && show.Page != g_App.Settings.LastPage) SelectPage(show.Page, 1);
  if (o.Pin) {
    g_App.Settings.Status |= STATUS_PINNED;
    UpdateTopmost(0);
  }
  if (o.VnAdmin) g_App.RunState |= RS_VNADMIN_MODE;
  else if (o.NoHooks) g_App.RunState |= RS_N_MODE;
  if (o.HooksOff) g_App.RunState |= RS_NOHOOKS_SWITCH;
  if (o.HasButtons) {
    ViewModeDesign& d = g_App.Design.ViewMode[(g_App.Settings.Status & STATUS_VIEWMODE2) ? 1 : 0];
    d.ButtonNumX = o.Columns;
    d.ButtonNumY = o.Rows;
    ApplyDesign();
  }
  if (show.Show || g_App.Settings.StandbyPosition) {
    int standby = g_App.Settings.StandbyPosition != 0;
    ShowLauncher(show.Mode, show.X, show.Y, kKeepCurrentPage, !standby);
    if (standby && (show.Mode & 0xFF) == SHOW_LAST_POSITION) MoveToStandbyPosition(1);
  }
}

int ApplyStartOptions(const wchar_t* cmdline, int purpose, HWND target) {
  StartOptions o;
  ParseStartOptions(cmdline, &o);
  switch (purpose) {
    case SO_ASK_REBUILD:
      return o.RebuildIcons;
    case SO_DELAY:
      if (o.Delay > 0) Sleep((DWORD)o.Delay);
      return 0;
    case SO_FORWARD: {
      ForwardRequest r;
      BuildForwardRequest(&o, &r);
      // Never wait for the other process: it may be busy or hung.
      if (r.PinFirst) SendNotifyMessageW(target, WM_COMMAND, 40005, 0);
      SendNotifyMessageW(target, WMA_SHOWLAUNCHER, r.ShowWParam, r.ShowLParam);
      return 0;
    }
    default:
      ApplySwitchesAtStart(o);
      return 0;
  }
}

// --- window classes ------------------------------------------------------------------------

static LRESULT CALLBACK PlainWndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  return DefWindowProcW(w, m, wp, lp);
}

int RegisterWindowClasses(HINSTANCE instance) {
  struct ClassRow {
    const wchar_t* Name;
    UINT Style;
    WNDPROC Proc;
  };
  // The other windows' procedures come with their windows; until a window
  // of a class is made, the class only reserves the name.
  const ClassRow rows[] = {
      {kMainWndClass, CS_DBLCLKS, MainWndProc},
      {kDragWndClass, 0, PlainWndProc},
      {kSubMenuWndClass, CS_DBLCLKS, SubMenuWndProc},
      {kSmDragWndClass, 0, PlainWndProc},
      {kSearchWndClass, 0, SearchWndProc},
      {kEdgeWndClass, 0, EdgeWndProc},
  };
  for (int i = 0; i < 6; ++i) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = rows[i].Style;
    wc.lpfnWndProc = rows[i].Proc;
    wc.hInstance = instance;
    wc.lpszClassName = rows[i].Name;
    if (i == 0) {
      wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PROGRAM));
      wc.hIconSm = (HICON)LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM_SMALL), IMAGE_ICON,
                                     GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0);
    }
    if (!RegisterClassExW(&wc)) return 0;
  }
  return 1;
}

// --- shutdown -----------------------------------------------------------------------------

static const DWORD kRunnerStopMs = 3000;
static const DWORD kLaunchWaitMs = 10000;

// Launch threads of the exit list must get their processes started
// before this one ends.
static void WaitForLaunches(DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (g_App.Core.RunningWork > 0 && GetTickCount() - start < timeoutMs) Sleep(20);
}

// --- initialisation --------------------------------------------------------------------------

// The store's way to the hook library (its export is stdcall on x86).
static void SendDllData(int kind, void* p, void* q) {
  if (g_Hook.SetDllData) g_Hook.SetDllData(kind, p, q);
}

// The shell's token, duplicated, for launches as the standard user.
static void KeepShellToken() {
  const OptionalApi& a = g_App.Api;
  if (!a.OpenProcessToken || !a.DuplicateTokenEx) return;
  HWND shell = GetShellWindow();
  DWORD pid = 0;
  if (!shell || !GetWindowThreadProcessId(shell, &pid) || !pid) return;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, TRUE, pid);
  if (!process) return;
  HANDLE token;
  if (a.OpenProcessToken(process, TOKEN_DUPLICATE | TOKEN_IMPERSONATE | TOKEN_QUERY, &token)) {
    HANDLE dup = nullptr;
    if (a.DuplicateTokenEx(token, MAXIMUM_ALLOWED, nullptr, SecurityDelegation, TokenPrimary, &dup))
      g_App.Core.StdUserToken = dup;
    CloseHandle(token);
  }
  CloseHandle(process);
}

// Long store operations show the wait cursor; afterwards the cursor is
// chosen again for where the mouse is.
static void SetWaitCursor(int wait) {
  if (wait)
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  else
    UpdateCursor();
}

static int ApplyDesignOutlet() {
  ApplyDesign();
  return 1;
}

static void EnsureProgramSubfolder(const wchar_t* name) {
  wchar_t path[kProgramPathChars];
  if (!BuildProgramFilePath(name, path, kProgramPathChars)) return;
  DWORD attr = GetFileAttributesW(path);
  if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) return;
  if (attr != INVALID_FILE_ATTRIBUTES) DeleteFileW(path);
  CreateDirectoryW(path, nullptr);
}

// The icon file of the settings when DispOption asks for one, else the
// built-in set.
static void LoadStartTrayIcons() {
  const SettingsState& s = g_App.Settings;
  wchar_t* file = nullptr;
  if ((s.DispOption & DISP_TRAY_ICON_FILE) && s.TrayIconFile && s.TrayIconFile[0]) {
    file = ExpandEnvPath(s.TrayIconFile);
    wchar_t* absolute = nullptr;
    if (file && MakeAbsolutePath(file, &absolute) && absolute) {
      HeapFree(GetProcessHeap(), 0, file);
      file = absolute;
    }
  }
  LoadTrayIcons(file);
  if (file) HeapFree(GetProcessHeap(), 0, file);
}

int InitLauncher(HINSTANCE instance, const wchar_t* cmdline) {
  CoreState& c = g_App.Core;
  g_App.Instance = instance;
  g_App.UiStateFlags |= UIS_AUTOHIDE_ALLOWED;
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  BuildMonitorList();

  c.ElevationType = GetWindowElevationType(nullptr);
  if (c.ElevationType == 1) KeepShellToken();

  InitializeCriticalSection(&c.WatchLock);
  c.WatchLockReady = 1;

  if (FAILED(OleInitialize(nullptr))) {
    ShowMessage(IDS_ERR_COM, MB_ICONERROR);
    return 0;
  }
  c.OleReady = 1;
  if (FAILED(SHGetMalloc(&c.ShellMalloc)) || FAILED(SHGetDesktopFolder(&c.DesktopFolder))) {
    ShowMessage(IDS_ERR_COM, MB_ICONERROR);
    return 0;
  }

  c.WatchMutex = CreateMutexW(nullptr, FALSE, kProcWatchMutexName);
  if (!c.WatchMutex) {
    ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
    return 0;
  }

  InitLaunchPlatform();
  g_StoreOutlets.RemoveWatchEntries = RemoveWatchEntries;

  EnsureProgramSubfolder(L"Plugins");
  EnsureProgramSubfolder(L"Languages");
  EnsureProgramSubfolder(L"Skins");

  g_StoreOutlets.ClassifyItemTarget = ClassifyItemTarget;
  g_StoreOutlets.GetItemIcon = GetItemIcon;
  g_StoreOutlets.SaveIconCache = SaveIconCache;
  ResolveDataFolder();
  if (!ReadSettings()) return 0;  // it has said why
  // The store shows the page the settings name as the last one shown.
  if (g_App.Settings.LastPage >= 0 && g_App.Settings.LastPage < g_App.Store.PageCount)
    g_App.Store.CurrentPage = g_App.Settings.LastPage;
  g_StoreOutlets.SelectPage = SelectPage;
  CollectWinKeyCodes();
  ResetInputState();
  BindInputOutlets();
  BindDialogEntries();

  Gdiplus::GdiplusStartupInput gdip;
  if (Gdiplus::GdiplusStartup(&c.GdiplusToken, &gdip, nullptr) != Gdiplus::Ok) c.GdiplusToken = 0;

  InitTriggerPlatform();
  BindSubMenuOutlets(instance);
  BindSearchWindow();
  HWND w = CreateMainWindow(instance);
  if (!w) return 0;
  if (!CreateToolTip()) return 0;

  if (ApplyStartOptions(cmdline, SO_ASK_REBUILD, nullptr) || !LoadIconCache()) SaveIconCache(1);
  // The look and the layout: the skin Design.ini names (or the classic
  // look), then the window takes its size at its last position.
  g_App.Design.Dpi = GetWindowDpi(w, nullptr);
  LoadSkin(0);
  SyncViewModeDesign(-1);
  for (int i = 0; i < FONT_COUNT; i++) RecreateFont(i, 0);
  InstallRenderOutlets();
  g_StoreOutlets.UpdateCursor = SetWaitCursor;
  ApplyDesign();
  g_InputOutlets.GetItemFromPoint = GetItemFromPoint;
  g_InputOutlets.IsPointInItemArea = IsPointInItemArea;
  g_InputOutlets.HitTestSizing = HitTestSizing;
  g_InputOutlets.HitTestSkinPart = HitTestSkinPart;
  g_InputOutlets.GetCellRect = GetCellRect;
  g_InputOutlets.ApplyDesign = ApplyDesignOutlet;
  LoadStartTrayIcons();
  g_BackupSeams.SetTrayBusy = SetTrayBusyPicture;
  ApplyStartOptions(cmdline, SO_APPLY, g_App.MainWnd);
  if (!StartTicker()) return 0;
  WatchRecycleBin(w);  // without it the bin's buttons keep their picture
  StartPluginHost();

  if (!(g_App.RunState & RS_N_MODE)) {
    if (!LoadHookLibrary(1)) return 0;
    g_StoreOutlets._VnSetDllData = SendDllData;
    SendHookSettings();
    UpdateHookSuspend();
    SetProcessPriority(g_App.Settings.Priority & 0xC1E0, GetCurrentProcessId());
    if (!(g_App.RunState & RS_NOHOOKS_SWITCH) && !SetHooks(1, 0)) return 0;
    InterlockedAnd(&g_App.RunState, ~RS_NOHOOKS_SWITCH);
    StartForegroundTracking();
    if (g_App.Settings.DispOption & DISP_TRAY_ICON) SetTrayIconState(TRAY_ADD);
    if (g_App.Settings.Option1 & OPT1_TRIM_MEMORY) SetProcessWorkingSetSize(GetCurrentProcess(), (SIZE_T)-1, (SIZE_T)-1);
  }
  // Shift held while the launcher starts skips the start-up list.
  if (GetAsyncKeyState(VK_SHIFT) >= 0) StartEventList(EVENT_STARTUP);
  return 1;
}

void ShutdownLauncher(int normalEnd) {
  CoreState& c = g_App.Core;
  // A runner still going (the start-up list) reads the store: stop it
  // before anything is torn down.
  StopDelayedLaunches(kRunnerStopMs);
  if (normalEnd) {
    RunEventListNow(EVENT_EXIT, INFINITE);
    WaitForLaunches(kLaunchWaitMs);
  }
  StopPluginHost();
  UnwatchRecycleBin();
  StopCloseWatcher();
  StopProcessWatch();
  if (c.WatchMutex) {
    CloseHandle(c.WatchMutex);
    c.WatchMutex = nullptr;
  }
  if (c.WatchLockReady) {
    DeleteCriticalSection(&c.WatchLock);
    c.WatchLockReady = 0;
  }
  g_StoreOutlets._VnSetDllData = nullptr;
  StopHookControl(StopTicker());
  EndKeepAwakeAtExit();
  g_BackupSeams.SetTrayBusy = nullptr;
  if (c.StdUserToken) {
    CloseHandle(c.StdUserToken);
    c.StdUserToken = nullptr;
  }
  if (c.GdiplusToken) {
    FreeTextFonts();  // GDI+ objects die before GDI+ does
    Gdiplus::GdiplusShutdown(c.GdiplusToken);
    c.GdiplusToken = 0;
  }
  if (c.DesktopFolder) {
    c.DesktopFolder->Release();
    c.DesktopFolder = nullptr;
  }
  if (c.ShellMalloc) {
    c.ShellMalloc->Release();
    c.ShellMalloc = nullptr;
  }
  if (c.OleReady) {
    OleUninitialize();
    c.OleReady = 0;
  }
  FreeLayout();
  FreeDrawingResources();
  FreeSlotBitmaps();
  CloseSkinArchive();
  FreeLanguageLibrary();
  if ((g_App.Settings.DispOption & DISP_TRAY_ICON) && !(g_App.RunState & RS_N_MODE)) SetTrayIconState(TRAY_DELETE);
  FreeTrayIcons();
  wchar_t windows[MAX_PATH];
  if (GetWindowsDirectoryW(windows, MAX_PATH)) SetCurrentDirectoryW(windows);
}
