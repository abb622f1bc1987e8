#include "common/procinfo.h"

int QueryProcessImagePath(DWORD pid, wchar_t* out, DWORD chars) {
  if (!out || !chars) return 0;
  out[0] = 0;
  if (!pid) return 0;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return 0;
  DWORD n = chars;
  BOOL ok = QueryFullProcessImageNameW(process, 0, out, &n);
  CloseHandle(process);
  if (!ok || n >= chars) {
    out[0] = 0;
    return 0;
  }
  return 1;
}

int SwitchForegroundWindow(HWND window) {
  HWND front = GetForegroundWindow();
  DWORD self = GetCurrentThreadId();
  DWORD other = front ? GetWindowThreadProcessId(front, nullptr) : 0;
  int attached = other && other != self && AttachThreadInput(self, other, TRUE);
  AllowSetForegroundWindow(ASFW_ANY);
  BOOL ok = SetForegroundWindow(window);
  if (attached) AttachThreadInput(self, other, FALSE);
  return ok ? 1 : 0;
}
