#include "admin/requests.h"

#include "admin/platform.h"
#include "admin/state.h"
#include "common/closewatch.h"
#include "common/procinfo.h"

static const DWORD kHookRemoveMs = 3000;
static const DWORD kHookRetryMs = 10;
// One tick takes at most a full ring: a writer that keeps it filled cannot
// hold the helper's thread (the low-level hooks run on it).
static const int kRequestsPerTick = kAdminRingSize;

static int IsAllowedPriorityClass(INT_PTR c) {
  switch (c) {
    case IDLE_PRIORITY_CLASS:
    case BELOW_NORMAL_PRIORITY_CLASS:
    case NORMAL_PRIORITY_CLASS:
    case ABOVE_NORMAL_PRIORITY_CLASS:
    case HIGH_PRIORITY_CLASS:
      return 1;
  }
  // Realtime would let the hooks starve the whole system.
  return 0;
}

RequestVerdict CheckAdminRequest(int kind, INT_PTR a, INT_PTR b, const RequestTarget* target, DWORD selfPid,
                                 DWORD selfSession) {
  switch (kind) {
    case ADMINREQ_MOUSEHOOK:
    case ADMINREQ_KEYBOARDHOOK:
      return a == 0 || a == 1 ? REQUEST_OK : REQUEST_BAD_ARGUMENT;
    case ADMINREQ_PRIORITY:
      return IsAllowedPriorityClass(a) ? REQUEST_OK : REQUEST_BAD_PRIORITY;
    case ADMINREQ_WINDOWOP:
      if (b < 0 || b > kAdminWindowOpLast) return REQUEST_BAD_ARGUMENT;
      if (!target || !target->IsWindow) return REQUEST_NOT_A_WINDOW;
      if (!target->TopLevel) return REQUEST_NOT_TOP_LEVEL;
      if (target->ProcessId == selfPid) return REQUEST_OWN_PROCESS;
      if (!target->SessionKnown || target->SessionId != selfSession) return REQUEST_OTHER_SESSION;
      return REQUEST_OK;
  }
  return REQUEST_UNKNOWN_KIND;
}

void DescribeRequestTarget(HWND window, RequestTarget* out) {
  *out = RequestTarget();
  if (!window || !IsWindow(window)) return;
  out->IsWindow = 1;
  // Child and message-only windows have another parent than the desktop.
  out->TopLevel = GetAncestor(window, GA_PARENT) == GetDesktopWindow();
  GetWindowThreadProcessId(window, &out->ProcessId);
  out->SessionKnown = out->ProcessId && ProcessIdToSessionId(out->ProcessId, &out->SessionId);
}

// --- hooks -------------------------------------------------------------------------

static void ReportHookFailure() {
  if (g_Admin.LauncherWnd) PostMessageW(g_Admin.LauncherWnd, WMA_ADMINERROR, 3, 0);
}

static BOOL RemoveHookRetrying(BOOL (*remove)()) {
  const AdminPlatform& p = g_AdminPlatform;
  DWORD start = p.GetTickCount();
  for (;;) {
    if (remove()) return TRUE;
    if (p.GetTickCount() - start > kHookRemoveMs) return FALSE;
    p.Sleep(kHookRetryMs);
  }
}

static BOOL RemoveMouseHook() { return g_Admin.OperateMouseHook(HOOKOP_REMOVE, nullptr, FALSE); }
static BOOL RemoveKeyboardHook() { return g_Admin.OperateKeyboardHook(HOOKOP_REMOVE, nullptr); }

// Installing over a handle that the library still holds for another process
// reports success and changes nothing: such a handle is removed first, so
// that a success means a hook of ours. A handle that cannot be removed
// belongs to a process still running: that is a failure.
static BOOL InstallOwnHook(int* owned, BOOL (*remove)(), BOOL (*install)()) {
  if (!*owned && !remove()) {
    ReportHookFailure();
    return FALSE;
  }
  if (!install()) {
    *owned = 0;
    ReportHookFailure();
    return FALSE;
  }
  *owned = 1;
  return TRUE;
}

static BOOL InstallMouseHook() { return g_Admin.OperateMouseHook(HOOKOP_INSTALL, g_Admin.AdminWnd, TRUE); }
static BOOL InstallKeyboardHook() { return g_Admin.OperateKeyboardHook(HOOKOP_INSTALL, g_Admin.AdminWnd); }

static BOOL SetOwnHook(BOOL on, int* owned, BOOL (*remove)(), BOOL (*install)()) {
  if (on) return InstallOwnHook(owned, remove, install);
  // Never remove what another process installed.
  if (!*owned) return TRUE;
  if (!RemoveHookRetrying(remove)) return FALSE;
  *owned = 0;
  return TRUE;
}

BOOL SetAdminMouseHook(BOOL on) {
  if (!g_Admin.OperateMouseHook) return FALSE;
  return SetOwnHook(on, &g_Admin.MouseHookOwned, RemoveMouseHook, InstallMouseHook);
}

BOOL SetAdminKeyboardHook(BOOL on) {
  if (!g_Admin.OperateKeyboardHook) return FALSE;
  return SetOwnHook(on, &g_Admin.KeyboardHookOwned, RemoveKeyboardHook, InstallKeyboardHook);
}

// --- window operations ----------------------------------------------------------------

BOOL ForceForegroundWindow(HWND window, BOOL restoreIfIconic) {
  if (!IsWindow(window)) return FALSE;
  if (GetForegroundWindow() == window) {
    BringWindowToTop(window);
    return TRUE;
  }
  if (restoreIfIconic && IsIconic(window)) {
    ShowWindow(window, SW_RESTORE);
    return TRUE;
  }
  return SwitchForegroundWindow(window);
}

BOOL CloseWindowAndWatch(HWND window, BOOL end) {
  if (!IsWindow(window)) return FALSE;
  PostMessageW(window, WM_CLOSE, 0, 0);
  if (!end) return TRUE;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  // A process that cannot be opened is only asked to close.
  if (pid) WatchProcessToEnd(pid);
  return TRUE;
}

void DoAdminWindowOp(HWND window, int op) {
  if (!IsWindow(window)) return;
  switch (op) {
    case 0:
      ForceForegroundWindow(window, TRUE);
      break;
    case 1:
      PostMessageW(window, WM_CLOSE, 0, 0);
      break;
    case 2:
      CloseWindowAndWatch(window, TRUE);
      break;
    case 3:
      ShowWindow(window, SW_SHOWMAXIMIZED);
      break;
    case 4:
      ShowWindow(window, SW_MINIMIZE);
      break;
    case 5: {
      BOOL wasVisible = IsWindowVisible(window);
      ShowWindow(window, SW_RESTORE);
      if (!wasVisible && IsWindow(window)) ForceForegroundWindow(window, FALSE);
      break;
    }
    case 6:
      ShowWindow(window, SW_HIDE);
      break;
    case 7:
      ShowWindow(window, SW_SHOW);
      ForceForegroundWindow(window, TRUE);
      break;
    case 8:
      SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      break;
    case 9: {
      HWND after = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) ? HWND_NOTOPMOST : HWND_TOPMOST;
      SetWindowPos(window, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
      break;
    }
  }
}

// --- the service -----------------------------------------------------------------------

RequestVerdict CarryOutAdminRequest(int kind, INT_PTR a, INT_PTR b) {
  RequestTarget target = {};
  if (kind == ADMINREQ_WINDOWOP) DescribeRequestTarget((HWND)a, &target);
  DWORD selfSession = 0;
  ProcessIdToSessionId(GetCurrentProcessId(), &selfSession);
  RequestVerdict verdict = CheckAdminRequest(kind, a, b, &target, GetCurrentProcessId(), selfSession);
  if (verdict != REQUEST_OK) return verdict;
  switch (kind) {
    case ADMINREQ_MOUSEHOOK:
      SetAdminMouseHook(a == 1);
      break;
    case ADMINREQ_KEYBOARDHOOK:
      SetAdminKeyboardHook(a == 1);
      break;
    case ADMINREQ_PRIORITY:
      // The hooks run in this process.
      SetPriorityClass(GetCurrentProcess(), (DWORD)a);
      break;
    case ADMINREQ_WINDOWOP:
      DoAdminWindowOp((HWND)a, (int)b);
      break;
  }
  return verdict;
}

void CALLBACK AdminRequestTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
  if (!IsWindow(g_Admin.LauncherWnd)) {
    KillTimer(window, id);
    g_Admin.RequestTimer = 0;
    PostMessageW(g_Admin.AdminWnd, WM_CLOSE, 0, 0);
    return;
  }
  if (!g_Admin.GetAdminReq) return;
  int kind;
  INT_PTR a, b;
  for (int n = 0; n < kRequestsPerTick && g_Admin.GetAdminReq(&kind, &a, &b); ++n) {
    CarryOutAdminRequest(kind, a, b);
    Sleep(0);
  }
}
