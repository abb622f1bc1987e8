#include "core/winhelpers.h"

#include <tlhelp32.h>
#include <wchar.h>

#include "common/closewatch.h"
#include "common/procinfo.h"
#include "core/hookbind.h"
#include "state.h"

// --- open-dialog stack --------------------------------------------------------

void TrackOpenDialog(HWND dialog, UINT message) {
  if (message == WM_INITDIALOG) {
    if (g_App.OpenDialogCount < 0) g_App.OpenDialogCount = 0;
    // A full stack keeps its entries; the extra dialog is simply not tracked.
    if (g_App.OpenDialogCount >= kMaxOpenDialogs) return;
    g_App.OpenDialogs[g_App.OpenDialogCount++] = dialog;
  } else if (message == WM_DESTROY) {
    // Remove this dialog wherever it stands: a dialog closed out of order
    // must not take another one's place as the owner of message boxes.
    int n = g_App.OpenDialogCount;
    if (n > kMaxOpenDialogs) n = kMaxOpenDialogs;
    for (int i = n - 1; i >= 0; --i) {
      if (g_App.OpenDialogs[i] != dialog) continue;
      for (int j = i; j + 1 < n; ++j) g_App.OpenDialogs[j] = g_App.OpenDialogs[j + 1];
      g_App.OpenDialogs[n - 1] = nullptr;
      g_App.OpenDialogCount = n - 1;
      break;
    }
  }
}

HWND GetTopOpenDialog() {
  int n = g_App.OpenDialogCount;
  if (n <= 0 || n > kMaxOpenDialogs) return nullptr;
  return g_App.OpenDialogs[n - 1];
}

// --- processes and elevation ----------------------------------------------------

int GetWindowElevationType(HWND window) {
  const OptionalApi& api = g_App.Api;
  if (!api.OpenProcessToken || !api.GetTokenInformation) return 0;
  HANDLE process;
  int own = !window;
  if (own) {
    process = GetCurrentProcess();
  } else {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (!pid) return 0;
    process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return 0;
  }
  int result = 0;
  HANDLE token;
  if (api.OpenProcessToken(process, TOKEN_QUERY, &token)) {
    TOKEN_ELEVATION_TYPE type;
    DWORD got = 0;
    if (api.GetTokenInformation(token, TokenElevationType, &type, sizeof type, &got)) {
      if (type == TokenElevationTypeFull) result = 1;
      else if (type == TokenElevationTypeLimited) result = 2;
    }
    CloseHandle(token);
  }
  if (!own) CloseHandle(process);
  return result;
}

static void SnapshotExeName(DWORD pid, wchar_t* out) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W pe;
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
    if (pe.th32ProcessID == pid) {
      lstrcpynW(out, pe.szExeFile, kExePathChars);
      break;
    }
  }
  CloseHandle(snap);
}

DWORD GetWindowExePath(HWND window, wchar_t* out, int flags) {
  if (out) out[0] = 0;
  if (!IsWindow(window)) return 0;
  if (flags & 1) {
    wchar_t cls[64];
    if (GetClassNameW(window, cls, 64) && !wcscmp(cls, L"ApplicationFrameWindow")) {
      HWND core = FindWindowExW(window, nullptr, L"Windows.UI.Core.CoreWindow", nullptr);
      if (core) window = core;
    }
  }
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (!pid || !out) return pid;
  // GetModuleFileNameEx cannot read a limited-information handle.
  QueryProcessImagePath(pid, out, kExePathChars);
  if (!out[0] && (flags & 2)) SnapshotExeName(pid, out);
  return pid;
}

// --- window operations ------------------------------------------------------------

// A window of a fully elevated process is out of our reach unless we run
// elevated ourselves.
static int NeedsAdminHelper(HWND window) {
  return g_App.Core.ElevationType != 1 && GetWindowElevationType(window) == 1;
}

int RouteWindowOperation(HWND window, int operation) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  // Our own windows (launcher, dialogs, search and sub-menu windows) are
  // always handled here.
  if (pid == GetCurrentProcessId()) return 0;
  if (!NeedsAdminHelper(window)) return 0;
  if (g_App.RunState & RS_VNADMIN_MODE) QueueAdminRequest(4, (INT_PTR)window, operation);
  return 2;
}

int BringToForeground(HWND window, int restoreIconic) {
  if (!IsWindow(window)) return 0;
  HWND front = GetForegroundWindow();
  if (front == window) {
    BringWindowToTop(window);
    return 1;
  }
  if (RouteWindowOperation(window, 0) == 2) return 1;
  if (restoreIconic && IsIconic(window)) {
    ShowWindow(window, SW_RESTORE);
    return 1;
  }
  return SwitchForegroundWindow(window);
}

// --- close watch ----------------------------------------------------------------------

int RequestCloseWindow(HWND window, int kill) {
  if (!IsWindow(window)) return 0;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != GetCurrentProcessId() && NeedsAdminHelper(window)) {
    if (!(g_App.RunState & RS_VNADMIN_MODE)) return 0;
    QueueAdminRequest(4, (INT_PTR)window, kill ? 2 : 1);
    return 1;
  }
  PostMessageW(window, WM_CLOSE, 0, 0);
  // Never end our own process this way.
  if (kill && pid && pid != GetCurrentProcessId()) WatchProcessToEnd(pid);
  return 1;
}

void StopCloseWatcher() { StopProcessEndWatch(); }
