#include "admin/platform.h"

#include <userenv.h>

#include "common/messagelog.h"
#include "common/osversion.h"
#include "launcher/resources/resource.h"

AdminPlatform g_AdminPlatform;

static wchar_t s_messageLog[MAX_PATH];

static int RealElevationType() {
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return 0;
  TOKEN_ELEVATION_TYPE type;
  DWORD got = 0;
  int result = GetTokenInformation(token, TokenElevationType, &type, sizeof type, &got) ? (int)type : 0;
  CloseHandle(token);
  return result;
}

// The shell runs as the desktop user without elevation: its token, as a
// primary token we may start a process with.
static HANDLE RealDuplicateShellToken(HWND shell) {
  DWORD pid = 0;
  if (!GetWindowThreadProcessId(shell, &pid) || !pid) return nullptr;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return nullptr;
  HANDLE token = nullptr, primary = nullptr;
  if (OpenProcessToken(process, TOKEN_DUPLICATE | TOKEN_QUERY, &token)) {
    const DWORD access = TOKEN_ASSIGN_PRIMARY | TOKEN_DUPLICATE | TOKEN_QUERY | TOKEN_ADJUST_DEFAULT |
                         TOKEN_ADJUST_SESSIONID;
    if (!DuplicateTokenEx(token, access, nullptr, SecurityImpersonation, TokenPrimary, &primary)) primary = nullptr;
    CloseHandle(token);
  }
  CloseHandle(process);
  return primary;
}

static int RealShowMessage(int id, UINT flags) {
  if (s_messageLog[0]) return LogMessageId(s_messageLog, id, flags);
  wchar_t text[512];
  if (!LoadStringW(GetModuleHandleW(nullptr), (UINT)id, text, 512)) wsprintfW(text, L"%d", id);
  return MessageBoxW(nullptr, text, L"Vantrel", flags | MB_SETFOREGROUND);
}

void BindAdminPlatform() {
  ReadMessageLogPath(s_messageLog);
  AdminPlatform& p = g_AdminPlatform;
  p.OsVersion = GetOSVersion;
  p.ElevationType = RealElevationType;
  p.GetShellWindow = GetShellWindow;
  p.DuplicateShellToken = RealDuplicateShellToken;
  p.CreateEnvironmentBlock = CreateEnvironmentBlock;
  p.DestroyEnvironmentBlock = DestroyEnvironmentBlock;
  p.CreateProcessWithTokenW = CreateProcessWithTokenW;
  p.CreateProcessW = CreateProcessW;
  p.WaitForInputIdle = WaitForInputIdle;
  p.WaitForSingleObject = WaitForSingleObject;
  p.CloseHandle = CloseHandle;
  p.GetTickCount = GetTickCount;
  p.Sleep = Sleep;
  p.ShowMessage = RealShowMessage;
}
