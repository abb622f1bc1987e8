// VnHook.dll: the shared section, the exports and the hook procedures. The
// gesture logic lives in plain functions over the shared record
// (settings.cpp, keyboard.cpp, mouse.cpp, places.cpp, circle.cpp, adminring.cpp).
#include "hooklib/vnhook.h"
#include "hooklib/adminring.h"
#include "hooklib/circle.h"
#include "hooklib/keyboard.h"
#include "hooklib/mouse.h"
#include "hooklib/places.h"
#include "hooklib/settings.h"
#include <type_traits>

// One instance for every process that maps the library. It must be an
// initialised variable, or the compiler would move it out of the section.
static SharedHookData g_Shared __attribute__((section(".vnshared"), shared)) = {};

// Per process.
static HINSTANCE s_module;
static volatile LONG s_keyBusy;    // ordinary keyboard hook
static volatile LONG s_llKeyBusy;  // low-level keyboard hook

// Windows 2000 (500) brought the low-level hooks.
static UINT32 HookOsVersion()
{
  if (g_Shared.osVersion)
    return g_Shared.osVersion;
  static const WORD versions[] = {0x0A00, 0x0603, 0x0602, 0x0601, 0x0600, 0x0502, 0x0501, 0x0500};
  UINT32 found = 400;
  for (WORD v : versions) {
    OSVERSIONINFOEXW vi = {sizeof(vi)};
    vi.dwMajorVersion = HIBYTE(v);
    vi.dwMinorVersion = LOBYTE(v);
    DWORDLONG mask = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    if (VerifyVersionInfoW(&vi, VER_MAJORVERSION | VER_MINORVERSION, mask)) {
      found = HIBYTE(v) * 100 + LOBYTE(v);
      break;
    }
  }
  g_Shared.osVersion = found;
  return found;
}

static LRESULT CALLBACK KeyboardHookProc(int code, WPARAM wParam, LPARAM lParam)
{
  if (code == HC_ACTION && g_Shared.keyboardTarget && !InterlockedExchange(&s_keyBusy, 1)) {
    BOOL down = (lParam & 0x80000000) == 0;
    BOOL swallow = MatchHotKey(&g_Shared, (BYTE)wParam, GetTickCount(), down);
    InterlockedExchange(&s_keyBusy, 0);
    if (swallow)
      return 1;
  }
  return CallNextHookEx(NULL, code, wParam, lParam);
}

static LRESULT CALLBACK LowLevelKeyboardHookProc(int code, WPARAM wParam, LPARAM lParam)
{
  if (code == HC_ACTION && g_Shared.keyboardTarget) {
    const KBDLLHOOKSTRUCT* k = (const KBDLLHOOKSTRUCT*)lParam;
    if (!IsInjectSignature(k->dwExtraInfo) && !InterlockedExchange(&s_llKeyBusy, 1)) {
      BOOL down = wParam != WM_KEYUP && wParam != WM_SYSKEYUP && !(k->flags & LLKHF_UP);
      BOOL swallow = MatchHotKey(&g_Shared, (BYTE)k->vkCode, k->time, down);
      InterlockedExchange(&s_llKeyBusy, 0);
      if (swallow)
        return 1;
    }
  }
  return CallNextHookEx(NULL, code, wParam, lParam);
}

static LRESULT CALLBACK MouseHookProc(int code, WPARAM wParam, LPARAM lParam)
{
  if (code == HC_ACTION && lParam) {
    const MOUSEHOOKSTRUCTEX* m = (const MOUSEHOOKSTRUCTEX*)lParam;
    if (OnMouseHookEvent(&g_Shared, (UINT)wParam, m->pt, m->mouseData, m->dwExtraInfo, false))
      return 1;
  }
  return CallNextHookEx(NULL, code, wParam, lParam);
}

static LRESULT CALLBACK LowLevelMouseHookProc(int code, WPARAM wParam, LPARAM lParam)
{
  if (code == HC_ACTION && lParam) {
    const MSLLHOOKSTRUCT* m = (const MSLLHOOKSTRUCT*)lParam;
    if (OnMouseHookEvent(&g_Shared, (UINT)wParam, m->pt, m->mouseData, m->dwExtraInfo, true))
      return 1;
  }
  return CallNextHookEx(NULL, code, wParam, lParam);
}

static bool ProcessStart(HANDLE process, FILETIME* started)
{
  FILETIME exited, kernel, user;
  return GetProcessTimes(process, started, &exited, &kernel, &user) != FALSE;
}

static void SetHookOwner(HookOwner* owner)
{
  owner->process = GetCurrentProcessId();
  if (!ProcessStart(GetCurrentProcess(), &owner->started))
    owner->started = FILETIME();
}

// The handle of a hook whose process has ended (a launcher that died) is
// stale, and must not make the next installation a no-op.
static bool IsHookOwnerRunning(const HookOwner& owner)
{
  if (!owner.process)
    return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                               owner.process);
  if (!process)
    return GetLastError() == ERROR_ACCESS_DENIED;  // running, out of our reach
  FILETIME started;
  bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT &&
                 ProcessStart(process, &started) &&
                 CompareFileTime(&started, &owner.started) == 0;
  CloseHandle(process);
  return running;
}

// Windows removes a hook with the thread that set it; Wine may keep a
// low-level one in the chain, which then holds up the hooks behind it.
static void ForgetStaleHook(HHOOK* hook)
{
  if (*hook)
    UnhookWindowsHookEx(*hook);
  *hook = NULL;
}

static BOOL RemoveHook(HHOOK* hook, const HookOwner& owner)
{
  if (*hook) {
    // Keep the handle when the system refuses, so the caller can retry; a
    // hook whose owner is gone has nothing left to remove.
    if (!UnhookWindowsHookEx(*hook) && IsHookOwnerRunning(owner))
      return FALSE;
    *hook = NULL;
  }
  return TRUE;
}

extern "C" {

UINT32 WINAPI VnGetDllVersion(void)
{
  return HOOKDLL_VERSION;
}

void WINAPI VnSetDllData(int kind, void* p, void* q)
{
  ApplyDllData(&g_Shared, kind, p, q);
}

BOOL WINAPI VnOperateMouseHook(int op, HWND target, BOOL lowLevel)
{
  if (op == HOOKOP_INSTALL) {
    if (g_Shared.mouseHook && IsHookOwnerRunning(g_Shared.mouseHookOwner))
      return TRUE;
    ForgetStaleHook(&g_Shared.mouseHook);
    g_Shared.mouseTarget = target;
    HHOOK h;
    if (lowLevel && HookOsVersion() >= 500) {
      g_Shared.hookKinds |= HOOKKIND_MOUSE_LL;
      h = SetWindowsHookExW(WH_MOUSE_LL, LowLevelMouseHookProc, s_module, 0);
    } else {
      g_Shared.hookKinds &= ~HOOKKIND_MOUSE_LL;
      h = SetWindowsHookExW(WH_MOUSE, MouseHookProc, s_module, 0);
    }
    SetHookOwner(&g_Shared.mouseHookOwner);
    g_Shared.mouseHook = h;
    if (!h) {
      RemoveHook(&g_Shared.mouseHook, g_Shared.mouseHookOwner);
      return FALSE;
    }
    return TRUE;
  }
  if (op == HOOKOP_REMOVE)
    return RemoveHook(&g_Shared.mouseHook, g_Shared.mouseHookOwner);
  return TRUE;
}

BOOL WINAPI VnOperateKeyboardHook(int op, HWND target)
{
  if (op == HOOKOP_INSTALL) {
    if (g_Shared.keyboardHook && IsHookOwnerRunning(g_Shared.keyboardHookOwner))
      return TRUE;
    ForgetStaleHook(&g_Shared.keyboardHook);
    g_Shared.keyboardTarget = target;
    HHOOK h;
    if (HookOsVersion() >= 500) {
      g_Shared.hookKinds |= HOOKKIND_KEYBOARD_LL;
      h = SetWindowsHookExW(WH_KEYBOARD_LL, LowLevelKeyboardHookProc, s_module, 0);
    } else {
      g_Shared.hookKinds &= ~HOOKKIND_KEYBOARD_LL;
      h = SetWindowsHookExW(WH_KEYBOARD, KeyboardHookProc, s_module, 0);
    }
    SetHookOwner(&g_Shared.keyboardHookOwner);
    g_Shared.keyboardHook = h;
    return h != NULL;
  }
  if (op == HOOKOP_REMOVE)
    return RemoveHook(&g_Shared.keyboardHook, g_Shared.keyboardHookOwner);
  return TRUE;
}

int WINAPI VnSetAdminReq(int kind, INT_PTR a, INT_PTR b)
{
  return SetAdminRequest(&g_Shared, kind, a, b);
}

BOOL WINAPI VnClearAdminReq(int index)
{
  return ClearAdminRequest(&g_Shared, index);
}

BOOL WINAPI VnGetAdminReq(int* kind, INT_PTR* a, INT_PTR* b)
{
  return GetAdminRequest(&g_Shared, kind, a, b);
}

// No component calls it; kept for callers that feed moves themselves.
void WINAPI VnCheckMouseCircle(POINT pt)
{
  if (g_Shared.circleEnables && !(g_Shared.suspendFlags & HOOKSUSPEND_CIRCLES))
    OnMouseHookEvent(&g_Shared, WM_MOUSEMOVE, pt, 0, 0, true);
}

BOOL WINAPI VnCheckPtOnEdge(POINT pt, int type)
{
  return CheckPtOnEdge(&g_Shared, pt, type);
}

int WINAPI VnIsExplorerWindow(HWND window, POINT pt, UINT whereBits, int actionIndex)
{
  return IsExplorerWindow(window, pt, whereBits, actionIndex);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
  if (reason == DLL_PROCESS_ATTACH) {
    s_module = instance;
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH && !reserved) {
    // Timers and the menu watch call into the library: end them while it is
    // still mapped.
    CancelHookTimers();
    CloseAdminMutex();
  }
  return TRUE;
}

}  // extern "C"

// The binders call through the header's types: keep the definitions in step.
static_assert(std::is_same<decltype(&VnGetDllVersion), VnGetDllVersionFn>::value, "");
static_assert(std::is_same<decltype(&VnSetDllData), VnSetDllDataFn>::value, "");
static_assert(std::is_same<decltype(&VnOperateMouseHook), VnOperateMouseHookFn>::value, "");
static_assert(std::is_same<decltype(&VnOperateKeyboardHook), VnOperateKeyboardHookFn>::value, "");
static_assert(std::is_same<decltype(&VnSetAdminReq), VnSetAdminReqFn>::value, "");
static_assert(std::is_same<decltype(&VnClearAdminReq), VnClearAdminReqFn>::value, "");
static_assert(std::is_same<decltype(&VnGetAdminReq), VnGetAdminReqFn>::value, "");
static_assert(std::is_same<decltype(&VnCheckMouseCircle), VnCheckMouseCircleFn>::value, "");
static_assert(std::is_same<decltype(&VnCheckPtOnEdge), VnCheckPtOnEdgeFn>::value, "");
static_assert(std::is_same<decltype(&VnIsExplorerWindow), VnIsExplorerWindowFn>::value, "");
