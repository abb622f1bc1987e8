// mobral64W / mobralW: the self-extracting package program.
#include <windows.h>

#include "package/driver.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR line, int) {
  // Before anything else loads: no DLL from the package's own folder.
  typedef BOOL(WINAPI * SetDirsFn)(DWORD);
  SetDirsFn setDirs = (SetDirsFn)(void*)GetProcAddress(GetModuleHandleW(L"kernel32"), "SetDefaultDllDirectories");
  if (setDirs) setDirs(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS);
  // Common controls by full path: a static import would be looked for
  // beside the package first (it is no known system library).
  wchar_t comctl[MAX_PATH];
  UINT n = GetSystemDirectoryW(comctl, MAX_PATH - 16);
  if (n > 0 && n < MAX_PATH - 16) {
    lstrcatW(comctl, L"\\comctl32.dll");
    HMODULE cc = LoadLibraryExW(comctl, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    typedef void(WINAPI * InitFn)();
    InitFn init = cc ? (InitFn)(void*)GetProcAddress(cc, "InitCommonControls") : nullptr;
    if (init) init();
  }
  ClearSfxSettings(&g_SfxSettings);
  wchar_t archive[MAX_PATH] = L"", destination[MAX_PATH] = L"";
  int parsed = -1;
  if (line && line[0]) {
    if (!ScanSfxCommandLine(line, &g_SfxSettings, archive, MAX_PATH, destination, MAX_PATH)) return 1;
    parsed = 1;
    if (archive[0]) {
      wchar_t found[MAX_PATH];
      DWORD a = SearchPathW(nullptr, archive, nullptr, MAX_PATH, found, nullptr) ? GetFileAttributesW(found)
                                                                                  : INVALID_FILE_ATTRIBUTES;
      if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return 0;
      wcscpy(archive, found);
    }
    if (destination[0]) {
      DWORD a = GetFileAttributesW(destination);
      if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY)) destination[0] = 0;
    }
  }
  SfxRunResult r = RunSfx(archive, destination);
  if (r.ExitCode != 0) return r.ExitCode;
  return r.Result != 0 ? 0 : parsed;
}
