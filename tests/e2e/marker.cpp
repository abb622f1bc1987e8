// Stand-in program the launcher starts in the end-to-end tests: appends
// its first argument, the tick count and its own creation time (FILETIME
// units, the clock process end times use) to the file its second names.
// A window program: a console one would need a console host from Wine,
// which can hang when the launcher ends while it starts.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  if (__argc < 3) return 2;
  FILETIME created = {}, unused[3];
  GetProcessTimes(GetCurrentProcess(), &created, &unused[0], &unused[1], &unused[2]);
  HANDLE f = CreateFileW(__wargv[2], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 1;
  char line[200];
  int n = snprintf(line, sizeof line, "%ls %lu %llu\r\n", __wargv[1], (unsigned long)GetTickCount(),
                   ((unsigned long long)created.dwHighDateTime << 32) | created.dwLowDateTime);
  DWORD put = 0;
  WriteFile(f, line, (DWORD)n, &put, nullptr);
  CloseHandle(f);
  return 0;
}
