// A second process for the hook library tests. It maps VnHook.dll from its
// own folder and does one thing, named by the first argument:
//   set-and-wait READY GO a b   queue a window request (a, b), tell the test
//                               it is ready, wait to be let go
//   install-hooks READY GO      install both hooks, tell the test, pump until
//                               let go, end without removing them
//   list-view READY GO HANG ms  run a list view (listhost.h)
//   unload-with-timers          let a right click and a held-back middle
//                               click set the library's timers and menu
//                               watch, then unload it and live on
//   com-on-demand               map the library, then take its UI Automation
//                               path; COM must load for that path only
// Exit code 0 = done; others name the step that failed. The process links
// no COM library itself.
#include "hooklib/vnhook.h"
#include "hooklib/listhost.h"
#include <stdlib.h>
#include <wchar.h>

static HMODULE LoadHookLibrary()
{
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
  if (!n || n >= MAX_PATH)
    return NULL;
  wchar_t* slash = wcsrchr(path, L'\\');
  if (!slash)
    return NULL;
  wcscpy(slash + 1, L"VnHook.dll");
  return LoadLibraryW(path);
}

// Handles the messages that came; a posted msg seen on the way is counted.
static void Pump(DWORD ms, UINT msg = 0, int* seen = nullptr)
{
  DWORD start = GetTickCount();
  do {
    MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    MSG m;
    while (PeekMessageW(&m, NULL, 0, 0, PM_REMOVE)) {
      if (msg && m.message == msg && seen)
        ++*seen;
      DispatchMessageW(&m);
    }
  } while (GetTickCount() - start < ms);
}

static int SetAndWait(HMODULE lib, wchar_t** argv)
{
  VnSetAdminReqFn set = (VnSetAdminReqFn)GetProcAddress(lib, "_VnSetAdminReq");
  if (!set)
    return 4;
  set(ADMINREQ_WINDOWOP, (INT_PTR)_wcstoui64(argv[4], NULL, 0), (INT_PTR)wcstol(argv[5], NULL, 0));
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
  HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
  if (!ready || !go)
    return 5;
  SetEvent(ready);
  DWORD r = WaitForSingleObject(go, 10000);
  FreeLibrary(lib);
  return r == WAIT_OBJECT_0 ? 0 : 6;
}

static int InstallHooks(HMODULE lib, wchar_t** argv)
{
  auto mouse = (VnOperateMouseHookFn)GetProcAddress(lib, "_VnOperateMouseHook");
  auto keyboard = (VnOperateKeyboardHookFn)GetProcAddress(lib, "_VnOperateKeyboardHook");
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
  HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
  if (!mouse || !keyboard || !ready || !go)
    return 4;
  HWND wnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
  if (!mouse(HOOKOP_INSTALL, wnd, TRUE) || !keyboard(HOOKOP_INSTALL, wnd))
    return 5;
  SetEvent(ready);
  // Low-level hooks run on this thread: it keeps pumping while it waits.
  while (MsgWaitForMultipleObjects(1, &go, FALSE, 10000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
    Pump(0);
  ExitProcess(0);
}

static int ListView(wchar_t** argv)
{
  HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
  HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
  HANDLE hang = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, argv[4]);
  if (!ready || !go || !hang)
    return 4;
  return RunListHost(ready, go, hang, (DWORD)wcstoul(argv[5], NULL, 0));
}

static DWORD WINAPI SendClicks(void*)
{
  const DWORD flags[] = {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, MOUSEEVENTF_MIDDLEDOWN,
                         MOUSEEVENTF_MIDDLEUP};
  for (DWORD f : flags) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = f;
    SendInput(1, &in, sizeof(in));
    Sleep(30);
  }
  return 0;
}

static int UnloadWithTimers(HMODULE lib)
{
  auto setData = (VnSetDllDataFn)GetProcAddress(lib, "_VnSetDllData");
  auto mouse = (VnOperateMouseHookFn)GetProcAddress(lib, "_VnOperateMouseHook");
  if (!setData || !mouse)
    return 4;
  // Action 1 (right click) closes menus: a timer and an event hook. Action 27
  // (middle double click) with hold-back: a lone middle click waits on a
  // replay timer.
  UINT32 where[kMouseSettingCount] = {};
  where[1] = 1;
  where[27] = 1;
  setData(DLLDATA_MOUSE, where, NULL);
  UINT32 options[kOptionWordCount] = {0x20000};
  setData(DLLDATA_OPTIONS, options, NULL);
  HWND wnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
  if (!mouse(HOOKOP_INSTALL, wnd, TRUE))
    return 5;
  // Low-level hooks run on this thread: pump while the clicks go out, and
  // unload well before the timers (500 ms) come due.
  HANDLE sender = CreateThread(NULL, 0, SendClicks, NULL, 0, NULL);
  int actions = 0;
  while (sender && MsgWaitForMultipleObjects(1, &sender, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
    Pump(0, WMA_MOUSEACTION, &actions);
  Pump(50, WMA_MOUSEACTION, &actions);
  if (!actions)
    return 6;  // the hook never saw the right click
  for (int i = 0; i < 300 && !mouse(HOOKOP_REMOVE, NULL, FALSE); i++)
    Sleep(10);

  FreeLibrary(lib);
  if (GetModuleHandleW(L"VnHook.dll"))
    return 7;  // still mapped: nothing to show
  // A window being made is what the menu watch listens for.
  HWND made = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 1500) {
    MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    MSG m;
    while (PeekMessageW(&m, NULL, 0, 0, PM_REMOVE)) {
      if (m.message == WM_TIMER && !m.hwnd)
        return 8;  // a timer of the library outlived it: this process sets none
      DispatchMessageW(&m);
    }
  }
  DestroyWindow(made);
  return 0;
}

// Shell-like windows of our own: a folder window with its view and an items
// view, whose background test goes through UI Automation.
static HWND MakeWindow(const wchar_t* cls, HWND parent)
{
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(NULL);
  wc.lpszClassName = cls;
  RegisterClassW(&wc);
  return CreateWindowExW(0, cls, L"", parent ? WS_CHILD : WS_POPUP, 0, 0, 100, 100, parent, NULL,
                         wc.hInstance, NULL);
}

static int ComOnDemand(HMODULE lib)
{
  if (GetModuleHandleW(L"ole32.dll") || GetModuleHandleW(L"oleaut32.dll"))
    return 10;  // mapping the library brought COM in
  auto isExplorer = (VnIsExplorerWindowFn)GetProcAddress(lib, "_VnIsExplorerWindow");
  if (!isExplorer)
    return 4;
  HWND cabinet = MakeWindow(L"CabinetWClass", NULL);
  HWND view = MakeWindow(L"SHELLDLL_DefView", cabinet);
  HWND items = MakeWindow(L"DirectUIHWND", view);
  if (!items)
    return 5;
  // Not a real items view: whatever UI Automation says, no background.
  if (isExplorer(items, {5, 5}, 0x800, 0) != -1)
    return 11;
  if (!GetModuleHandleW(L"ole32.dll"))
    return 12;  // the UI Automation path did not run
  DestroyWindow(cabinet);
  return 0;
}

int wmain(int argc, wchar_t** argv)
{
  if (argc < 2)
    return 1;
  const wchar_t* mode = argv[1];
  if (!wcscmp(mode, L"list-view"))
    return argc == 6 ? ListView(argv) : 1;
  HMODULE lib = LoadHookLibrary();
  if (!lib)
    return 3;
  if (!wcscmp(mode, L"set-and-wait") && argc == 6)
    return SetAndWait(lib, argv);
  if (!wcscmp(mode, L"install-hooks") && argc == 4)
    return InstallHooks(lib, argv);
  if (!wcscmp(mode, L"unload-with-timers"))
    return UnloadWithTimers(lib);
  if (!wcscmp(mode, L"com-on-demand"))
    return ComOnDemand(lib);
  return 1;
}
