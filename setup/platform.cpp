#include "setup/platform.h"

#include <shlobj.h>
#include <userenv.h>
#include <wchar.h>

#include "common/desktopshell.h"
#include "common/messagelog.h"
#include "common/osversion.h"
#include "setup/state.h"

SetupPlatform g_SetupPlatform;
SetupState g_Setup;

static wchar_t s_messageLog[MAX_PATH];

int LoadSetupString(int id, wchar_t* out, int chars) {
  out[0] = 0;
  if (g_Setup.LanguageDll && LoadStringW(g_Setup.LanguageDll, (UINT)id, out, chars) > 0) return 1;
  return LoadStringW(g_Setup.Instance ? g_Setup.Instance : GetModuleHandleW(nullptr), (UINT)id, out, chars) > 0;
}

HINSTANCE SetupTemplateModule(int id) {
  if (g_Setup.LanguageDll && FindResourceW(g_Setup.LanguageDll, MAKEINTRESOURCEW(id), (LPCWSTR)RT_DIALOG))
    return g_Setup.LanguageDll;
  return g_Setup.Instance ? g_Setup.Instance : GetModuleHandleW(nullptr);
}

static BOOL RealTakeShellUserToken() {
  typedef BOOL(WINAPI * IsUserAnAdminFn)();
  IsUserAnAdminFn isAdmin = (IsUserAnAdminFn)GetProcAddress(LoadLibraryW(L"shell32.dll"), "IsUserAnAdmin");
  if (!isAdmin || !isAdmin()) return TRUE;  // not elevated: our own token is the user's
  HWND shell = GetShellWindow();
  DWORD pid = 0;
  if (!shell || !GetWindowThreadProcessId(shell, &pid) || !pid) return FALSE;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, TRUE, pid);
  if (!process) return FALSE;
  HANDLE token = nullptr;
  BOOL opened = OpenProcessToken(process, TOKEN_DUPLICATE | TOKEN_IMPERSONATE | TOKEN_QUERY, &token);
  CloseHandle(process);
  if (!opened) return FALSE;
  g_Setup.ShellToken = token;
  PROFILEINFOW profile = {};
  profile.dwSize = sizeof profile;
  profile.dwFlags = PI_NOUI;
  wchar_t blank[] = L" ";
  profile.lpUserName = blank;
  if (!LoadUserProfileW(token, &profile)) return FALSE;
  g_Setup.Profile = profile.hProfile;
  return TRUE;
}

static const struct { int csidl; const wchar_t* name; } kShellFolderNames[] = {
    {CSIDL_DESKTOPDIRECTORY, L"Desktop"}, {CSIDL_PROGRAMS, L"Programs"}, {CSIDL_PERSONAL, L"Personal"},
    {CSIDL_FAVORITES, L"Favorites"}, {CSIDL_STARTUP, L"Startup"}, {CSIDL_RECENT, L"Recent"},
    {CSIDL_SENDTO, L"SendTo"}, {CSIDL_STARTMENU, L"Start Menu"}, {CSIDL_MYMUSIC, L"My Music"},
    {CSIDL_MYVIDEO, L"My Video"}, {CSIDL_HISTORY, L"History"}, {CSIDL_MYPICTURES, L"My Pictures"},
};

static HRESULT RealGetUserFolderPath(int csidl, wchar_t* out) {
  out[0] = 0;
  HRESULT hr = E_FAIL;
  if (GetOSVersion() >= 500) {
    hr = SHGetFolderPathW(nullptr, csidl, g_Setup.ShellToken, SHGFP_TYPE_CURRENT, out);
  } else {
    for (const auto& f : kShellFolderNames) {
      if (f.csidl != csidl) continue;
      HKEY key;
      if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                        0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD bytes = MAX_PATH * sizeof(wchar_t), type;
        if (RegQueryValueExW(key, f.name, nullptr, &type, (BYTE*)out, &bytes) == ERROR_SUCCESS && type == REG_SZ)
          hr = S_OK;
        out[MAX_PATH - 1] = 0;
        RegCloseKey(key);
      }
    }
  }
  if (FAILED(hr) && csidl == CSIDL_PROGRAM_FILES) {
    wchar_t windows[MAX_PATH];
    UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n >= 2 && windows[1] == L':') swprintf(out, MAX_PATH, L"%c:\\Program Files", windows[0]);
    else wcscpy(out, L"C:\\Program Files");
    hr = S_OK;
  }
  return hr;
}

static BOOL RealRunHidden(const wchar_t* cmdline) {
  wchar_t line[1024];
  if (wcslen(cmdline) >= 1024) return FALSE;
  wcscpy(line, cmdline);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi;
  if (!CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &si, &pi))
    return FALSE;
  CloseHandle(pi.hThread);
  WaitForSingleObject(pi.hProcess, 5000);
  CloseHandle(pi.hProcess);
  return TRUE;
}

// Started through the desktop's shell view, the program runs as the desktop
// user without elevation.
static HRESULT RealShellExecuteAsShellUser(const wchar_t* program) {
  return ShellExecuteViaDesktop(program, g_Setup.StartupOptions, g_Setup.InstallFolder, nullptr, SW_SHOWNORMAL);
}

static int RealShowMessage(int id, UINT flags, const wchar_t* arg) {
  if (s_messageLog[0]) return LogMessageId(s_messageLog, id, flags);
  wchar_t format[1024], text[2048];
  if (!LoadSetupString(id, format, 1024)) swprintf(format, 1024, L"%d", id);
  wchar_t* mark = wcsstr(format, L"%s");
  if (!mark) mark = wcsstr(format, L"%u");
  if (mark && arg) {
    *mark = 0;
    swprintf(text, 2048, L"%ls%ls%ls", format, arg, mark + 2);
  } else {
    swprintf(text, 2048, L"%ls%ls", format, arg ? arg : L"");
  }
  return MessageBoxW(g_Setup.Sheet, text, L"Vantrel", flags | MB_SETFOREGROUND);
}

void BindSetupPlatform() {
  ReadMessageLogPath(s_messageLog);
  SetupPlatform& p = g_SetupPlatform;
  p.OsVersion = GetOSVersion;
  p.TakeShellUserToken = RealTakeShellUserToken;
  p.GetUserFolderPath = RealGetUserFolderPath;
  p.RunHidden = RealRunHidden;
  p.ShellExecuteAsShellUser = RealShellExecuteAsShellUser;
  p.Sleep = Sleep;
  p.ShowMessage = RealShowMessage;
}
