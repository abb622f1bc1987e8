#include "common/messagelog.h"

#include <stdio.h>

int ReadMessageLogPath(wchar_t* path) {
  DWORD n = GetEnvironmentVariableW(L"VANTREL_MESSAGE_LOG", path, MAX_PATH);
  if (!n || n >= MAX_PATH) {
    path[0] = 0;
    return 0;
  }
  return 1;
}

int LogMessageId(const wchar_t* path, int id, UINT flags) {
  HANDLE f = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0,
                         nullptr);
  if (f != INVALID_HANDLE_VALUE) {
    char line[16];
    int n = sprintf(line, "%d\r\n", id);
    DWORD put;
    WriteFile(f, line, (DWORD)n, &put, nullptr);
    CloseHandle(f);
  }
  // Questions take the answer that changes nothing.
  switch (flags & MB_TYPEMASK) {
    case MB_OKCANCEL: case MB_RETRYCANCEL: case MB_YESNOCANCEL: case MB_CANCELTRYCONTINUE:
      return IDCANCEL;
    case MB_YESNO: return IDNO;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    default: return IDOK;
  }
}
