#include "admin/launcherstart.h"

#include <wchar.h>

#include "admin/platform.h"
#include "admin/state.h"
#include "common/procinfo.h"

static const size_t kMaxCommandLineChars = 32767;
static const DWORD kRetryMs = 100;
static const DWORD kInputIdleMs = 3000;

wchar_t* BuildLauncherCommandLine(const wchar_t* launcherPath, int withAdminSwitch, const wchar_t* options) {
  if (!launcherPath) return nullptr;
  if (!options) options = L"";
  size_t chars = wcslen(launcherPath) + 2 + (withAdminSwitch ? 1 + wcslen(kAdminSwitch) : 0) + 1 + wcslen(options);
  if (chars >= kMaxCommandLineChars) return nullptr;
  wchar_t* line = (wchar_t*)HeapAlloc(GetProcessHeap(), 0, (chars + 1) * sizeof(wchar_t));
  if (!line) return nullptr;
  line[0] = L'"';
  wcscpy(line + 1, launcherPath);
  wcscat(line, L"\"");
  if (withAdminSwitch) {
    wcscat(line, L" ");
    wcscat(line, kAdminSwitch);
  }
  wcscat(line, L" ");
  wcscat(line, options);
  return line;
}

struct LauncherSearch {
  const wchar_t* Path;
  DWORD Pid;
  HWND Found;
};

// EnumWindows callback: a window of the launcher's class whose process
// runs the expected image.
static BOOL CALLBACK EnumLauncherWindowProc(HWND w, LPARAM lp) {
  LauncherSearch* s = (LauncherSearch*)lp;
  wchar_t cls[1024];
  if (!GetClassNameW(w, cls, 1024) || _wcsicmp(cls, kLauncherWndClass)) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (!pid || (s->Pid && pid != s->Pid)) return TRUE;
  wchar_t image[kLauncherPathChars];
  if (!QueryProcessImagePath(pid, image, kLauncherPathChars) || _wcsicmp(image, s->Path)) return TRUE;
  s->Found = w;
  return FALSE;
}

HWND FindLauncherWindow(const wchar_t* launcherPath, DWORD pid) {
  LauncherSearch s = {launcherPath, pid, nullptr};
  EnumWindows(EnumLauncherWindowProc, (LPARAM)&s);
  return s.Found;
}

// The shell may not be up yet at logon: wait for its window.
static HANDLE TakeShellToken() {
  const AdminPlatform& p = g_AdminPlatform;
  DWORD start = p.GetTickCount();
  HWND shell;
  while (!(shell = p.GetShellWindow())) {
    if (p.GetTickCount() - start >= kLauncherStartWaitMs) return nullptr;
    p.Sleep(kRetryMs);
  }
  return p.DuplicateShellToken(shell);
}

// The started launcher's window; NULL when it does not come in time or the
// launcher ends first (another instance took over, or it failed to start).
static HWND WaitForLauncherWindow(const PROCESS_INFORMATION& pi) {
  const AdminPlatform& p = g_AdminPlatform;
  DWORD start = p.GetTickCount();
  for (;;) {
    if (p.WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) return nullptr;
    if (p.WaitForInputIdle(pi.hProcess, kInputIdleMs) != WAIT_TIMEOUT) {
      HWND w = FindLauncherWindow(g_Admin.LauncherPath, pi.dwProcessId);
      if (w) return w;
    }
    if (p.GetTickCount() - start >= kLauncherStartWaitMs) return nullptr;
    p.Sleep(kRetryMs);
  }
}

static BOOL StartWithToken(HANDLE token, wchar_t* line, const wchar_t* folder, STARTUPINFOW* si,
                           PROCESS_INFORMATION* pi) {
  const AdminPlatform& p = g_AdminPlatform;
  LPVOID environment = nullptr;
  if (!p.CreateEnvironmentBlock(&environment, token, FALSE)) environment = nullptr;
  DWORD start = p.GetTickCount();
  BOOL started;
  // The secondary logon service may not run yet at logon.
  while (!(started = p.CreateProcessWithTokenW(token, 0, g_Admin.LauncherPath, line, CREATE_UNICODE_ENVIRONMENT,
                                               environment, folder, si, pi))) {
    if (p.GetTickCount() - start >= kLauncherStartWaitMs) break;
    p.Sleep(kRetryMs);
  }
  if (environment) p.DestroyEnvironmentBlock(environment);
  return started;
}

BOOL StartLauncherDeElevated(const wchar_t* options) {
  const AdminPlatform& p = g_AdminPlatform;
  HANDLE token = nullptr;
  if (p.OsVersion() >= 600 && p.ElevationType() == TokenElevationTypeFull) token = TakeShellToken();

  wchar_t* line = BuildLauncherCommandLine(g_Admin.LauncherPath, token != nullptr, options);
  wchar_t folder[kLauncherPathChars];
  lstrcpynW(folder, g_Admin.LauncherPath, kLauncherPathChars);
  wchar_t* slash = wcsrchr(folder, L'\\');
  if (slash) slash[1] = 0;
  if (!line || !slash) {
    if (line) HeapFree(GetProcessHeap(), 0, line);
    if (token) p.CloseHandle(token);
    return FALSE;
  }

  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION pi = {};
  BOOL result;
  if (token) {
    result = StartWithToken(token, line, folder, &si, &pi);
    if (result) {
      g_Admin.LauncherWnd = WaitForLauncherWindow(pi);
      result = g_Admin.LauncherWnd != nullptr;
    }
  } else {
    // Not elevated, an older system, or no shell token: the launcher runs
    // on its own, hooks and all.
    result = p.CreateProcessW(g_Admin.LauncherPath, line, nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                              nullptr, folder, &si, &pi);
  }
  if (pi.hProcess) p.CloseHandle(pi.hProcess);
  if (pi.hThread) p.CloseHandle(pi.hThread);
  if (token) p.CloseHandle(token);
  HeapFree(GetProcessHeap(), 0, line);
  return result;
}
