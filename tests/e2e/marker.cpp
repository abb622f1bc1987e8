// Stand-in program the launcher starts in the end-to-end tests: appends
// its first argument and the tick count to the file its second names.
#include <windows.h>
#include <stdio.h>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  HANDLE f = CreateFileW(argv[2], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 1;
  char line[160];
  int n = snprintf(line, sizeof line, "%ls %lu\r\n", argv[1], (unsigned long)GetTickCount());
  DWORD put = 0;
  WriteFile(f, line, (DWORD)n, &put, nullptr);
  CloseHandle(f);
  return 0;
}
