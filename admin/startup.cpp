#include "admin/startup.h"

#include <stdlib.h>
#include <wchar.h>

#include "admin/launcherstart.h"
#include "admin/platform.h"
#include "admin/requests.h"
#include "admin/state.h"
#include "common/closewatch.h"
#include "common/procinfo.h"
#include "launcher/resources/resource.h"

const wchar_t kAdminWndClass[] = L"VantrelAdminWndClass";
const wchar_t kDummyWndClass[] = L"VantrelDummyWndClass";
const wchar_t kLauncherWndClass[] = L"VantrelWndClass";
const wchar_t kLauncherExeName[] = L"Vantrel.exe";
const wchar_t kHookLibraryFile[] = L"VnHook.dll";

AdminState g_Admin;

static const DWORD kPollMs = 100;
static const DWORD kUnloadMs = 3000;
static const DWORD kUnloadRetryMs = 10;

// --- windows ---------------------------------------------------------------------

LRESULT CALLBACK AdminWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WMA_HOTKEY:
    case WMA_MOUSECIRCLE:
    case WMA_MOUSEACTION:
    case WMA_BUTTONUP:
    case WMA_WINKEYDOWN:
    case WMA_WINKEYUP:
      // What the hooks found, for the launcher.
      if (g_Admin.LauncherWnd) PostMessageW(g_Admin.LauncherWnd, message, wParam, lParam);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

static LRESULT CALLBACK DummyWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

int RegisterAdminClasses(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = AdminWndProc;
  wc.hInstance = instance;
  wc.lpszClassName = kAdminWndClass;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PROGRAM));
  wc.hIconSm = (HICON)LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM_SMALL), IMAGE_ICON,
                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0);
  if (!RegisterClassExW(&wc)) return 0;
  WNDCLASSEXW dummy = {};
  dummy.cbSize = sizeof dummy;
  dummy.lpfnWndProc = DummyWndProc;
  dummy.hInstance = instance;
  dummy.lpszClassName = kDummyWndClass;
  return RegisterClassExW(&dummy) != 0;
}

// Taking the foreground once now gives us the right to hand it on later
// (window operation 0 and the like).
static void TakeForeground(HINSTANCE instance) {
  HWND dummy = CreateWindowExW(0, kDummyWndClass, L"", WS_POPUP | WS_CLIPSIBLINGS, 0, 0, 1, 1, nullptr, nullptr,
                               instance, nullptr);
  if (!dummy) return;
  if (GetForegroundWindow() == dummy) {
    BringWindowToTop(dummy);
  } else {
    SwitchForegroundWindow(dummy);
  }
  PostMessageW(dummy, WM_CLOSE, 0, 0);
}

// --- command line and instance ------------------------------------------------------------

HWND ParseCloseSwitch(const wchar_t* cmdline) {
  if (!cmdline) return nullptr;
  for (const wchar_t* at = cmdline; *at; ++at) {
    if (at[0] != L'/' || (at[1] != L'x' && at[1] != L'X')) continue;
    if (at[2] < L'0' || at[2] > L'9') return nullptr;
    return (HWND)(INT_PTR)wcstoul(at + 2, nullptr, 10);
  }
  return nullptr;
}

void BuildInstanceMutexName(const wchar_t* programPath, wchar_t* out) {
  // A path holds backslashes, which a kernel object name must not: the
  // name carries a hash of the path in any case instead.
  unsigned long long hash = 1469598103934665603ull;
  for (const wchar_t* c = programPath; *c; ++c) {
    hash ^= (unsigned long long)(WORD)(ULONG_PTR)CharUpperW((LPWSTR)(ULONG_PTR)*c);
    hash *= 1099511628211ull;
  }
  wsprintfW(out, L"VANTREL_MUTEX_ADMIN_%08lX%08lX", (unsigned long)(hash >> 32), (unsigned long)hash);
}

static BOOL TakeInstanceMutex(const wchar_t* programPath) {
  wchar_t name[64];
  BuildInstanceMutexName(programPath, name);
  g_Admin.InstanceMutex = CreateMutexW(nullptr, FALSE, name);
  return g_Admin.InstanceMutex && GetLastError() != ERROR_ALREADY_EXISTS;
}

static void EnableDebugPrivilege() {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
  TOKEN_PRIVILEGES tp = {};
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (LookupPrivilegeValueW(nullptr, SE_DEBUG_NAME, &tp.Privileges[0].Luid))
    AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
  CloseHandle(token);
}

// <program folder>\name into out; FALSE when it does not fit.
static BOOL BuildProgramFilePath(const wchar_t* name, wchar_t* out) {
  if (!g_Admin.ProgramFolder[0]) return FALSE;
  if (wcslen(g_Admin.ProgramFolder) + wcslen(name) >= (size_t)kLauncherPathChars) return FALSE;
  wcscpy(out, g_Admin.ProgramFolder);
  wcscat(out, name);
  return TRUE;
}

// --- hook library ------------------------------------------------------------------------

BOOL BindHookLibrary(BOOL load) {
  const AdminPlatform& p = g_AdminPlatform;
  if (!load) {
    if (g_Admin.HookModule) {
      DWORD start = p.GetTickCount();
      while (!FreeLibrary(g_Admin.HookModule)) {
        if (p.GetTickCount() - start >= kUnloadMs) return FALSE;
        p.Sleep(kUnloadRetryMs);
      }
    }
    g_Admin.HookModule = nullptr;
    g_Admin.OperateMouseHook = nullptr;
    g_Admin.OperateKeyboardHook = nullptr;
    g_Admin.GetAdminReq = nullptr;
    return TRUE;
  }
  wchar_t path[kLauncherPathChars];
  HMODULE module = BuildProgramFilePath(kHookLibraryFile, path) ? LoadLibraryW(path) : nullptr;
  if (module) {
    VnGetDllVersionFn version = (VnGetDllVersionFn)GetProcAddress(module, "_VnGetDllVersion");
    if (!version || version() != HOOKDLL_VERSION) {
      g_Admin.HookModule = module;  // freed by CleanupAdmin
      p.ShowMessage(IDS_ERR_DLLVERSION, MB_ICONERROR);
      return FALSE;
    }
  }
  VnOperateMouseHookFn mouse =
      module ? (VnOperateMouseHookFn)GetProcAddress(module, "_VnOperateMouseHook") : nullptr;
  VnOperateKeyboardHookFn keyboard =
      module ? (VnOperateKeyboardHookFn)GetProcAddress(module, "_VnOperateKeyboardHook") : nullptr;
  VnGetAdminReqFn requests = module ? (VnGetAdminReqFn)GetProcAddress(module, "_VnGetAdminReq") : nullptr;
  if (!mouse || !keyboard || !requests) {
    if (module) FreeLibrary(module);
    p.ShowMessage(IDS_ERR_DLLLOAD, MB_ICONERROR);
    return FALSE;
  }
  g_Admin.HookModule = module;
  g_Admin.OperateMouseHook = mouse;
  g_Admin.OperateKeyboardHook = keyboard;
  g_Admin.GetAdminReq = requests;
  return TRUE;
}

// Requests still in the ring were queued for a helper that is gone. Taking
// them also makes this elevated process the creator of the ring's mutex,
// with the access rights the de-elevated launcher needs.
static void DropLeftoverRequests() {
  int kind;
  INT_PTR a, b;
  for (int n = 0; n < kAdminRingSize && g_Admin.GetAdminReq(&kind, &a, &b); ++n) {
  }
}

// --- a running launcher -------------------------------------------------------------------

BOOL CloseRunningLauncher() {
  const AdminPlatform& p = g_AdminPlatform;
  HWND running = FindLauncherWindow(g_Admin.LauncherPath, 0);
  if (!running) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(running, &pid);
  HANDLE process = pid ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr;
  DWORD start = p.GetTickCount();
  BOOL closed = TRUE;
  while (IsWindow(running)) {
    if (p.GetTickCount() - start >= kCloseLauncherMs) {
      closed = FALSE;
      break;
    }
    PostMessageW(running, WM_CLOSE, 0, 0);
    p.Sleep(kPollMs);
  }
  // Its hooks stay in the library's section until its process is gone;
  // ours would not be installed over them.
  if (process) {
    if (closed) p.WaitForSingleObject(process, kLauncherEndMs);
    CloseHandle(process);
  }
  return closed;
}

// --- start and end -------------------------------------------------------------------------

BOOL InitAdmin(HINSTANCE instance, const wchar_t* cmdline) {
  g_Admin.Instance = instance;
  EnableDebugPrivilege();
  if (HWND target = ParseCloseSwitch(cmdline)) PostMessageW(target, WM_CLOSE, 0, 0);

  wchar_t own[kLauncherPathChars];
  DWORD n = GetModuleFileNameW(nullptr, own, kLauncherPathChars);
  if (!n || n >= (DWORD)kLauncherPathChars || !TakeInstanceMutex(own)) return FALSE;
  wchar_t* slash = wcsrchr(own, L'\\');
  if (!slash) return FALSE;
  slash[1] = 0;
  wcscpy(g_Admin.ProgramFolder, own);

  g_Admin.AdminWnd = CreateWindowExW(WS_EX_NOACTIVATE, kAdminWndClass, L"", WS_POPUP | WS_MINIMIZE | WS_CLIPSIBLINGS,
                                     0, 0, 1, 1, nullptr, nullptr, instance, nullptr);
  if (!g_Admin.AdminWnd) return FALSE;
  TakeForeground(instance);
  if (!BindHookLibrary(TRUE)) return FALSE;
  DropLeftoverRequests();
  if (!BuildProgramFilePath(kLauncherExeName, g_Admin.LauncherPath)) return FALSE;
  if (!CloseRunningLauncher()) return FALSE;
  if (!StartLauncherDeElevated(cmdline)) return FALSE;
  g_Admin.RequestTimer = SetTimer(g_Admin.AdminWnd, kRequestTimerId, kRequestTimerMs, AdminRequestTimerProc);
  SetProcessWorkingSetSize(GetCurrentProcess(), (SIZE_T)-1, (SIZE_T)-1);
  return TRUE;
}

void CleanupAdmin() {
  if (g_Admin.RequestTimer && IsWindow(g_Admin.AdminWnd)) KillTimer(g_Admin.AdminWnd, g_Admin.RequestTimer);
  g_Admin.RequestTimer = 0;
  // The watch thread is joined before its list goes.
  StopProcessEndWatch();
  SetAdminMouseHook(FALSE);
  SetAdminKeyboardHook(FALSE);
  BindHookLibrary(FALSE);
  if (g_Admin.AdminWnd && IsWindow(g_Admin.AdminWnd)) DestroyWindow(g_Admin.AdminWnd);
  g_Admin.AdminWnd = nullptr;
  g_Admin.LauncherWnd = nullptr;
  if (g_Admin.InstanceMutex) CloseHandle(g_Admin.InstanceMutex);
  g_Admin.InstanceMutex = nullptr;
}
