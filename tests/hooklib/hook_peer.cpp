// A second process for the hook library tests: maps VnHook.dll from its own
// folder, queues one admin request, tells the test it is ready and waits to
// be let go. Exit code 0 = done; others name the step that failed.
#include "hooklib/vnhook.h"
#include <stdlib.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv)
{
  if (argc != 6 || wcscmp(argv[1], L"set-and-wait") != 0)
    return 1;
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
  if (!n || n >= MAX_PATH)
    return 2;
  wchar_t* slash = wcsrchr(path, L'\\');
  if (!slash)
    return 2;
  wcscpy(slash + 1, L"VnHook.dll");
  HMODULE lib = LoadLibraryW(path);
  if (!lib)
    return 3;
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
