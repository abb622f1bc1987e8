// Program start-up and shutdown: optional system functions bound by name,
// the single-instance check, the window classes, the ordered initialisation
// and its release in reverse.
#pragma once
#include <windows.h>
#include <shlobj.h>

// System functions that may be missing; every user tests the pointer. A
// missing UpdateLayeredWindow means an ordinary painted window.
struct OptionalApi {
  BOOL(WINAPI* AllowSetForegroundWindow)(DWORD);
  BOOL(WINAPI* UpdateLayeredWindow)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
  BOOL(WINAPI* SetLayeredWindowAttributes)(HWND, COLORREF, BYTE, DWORD);
  HRESULT(WINAPI* SHGetFolderPathW)(HWND, int, HANDLE, DWORD, LPWSTR);
  DWORD(WINAPI* GetModuleFileNameExW)(HANDLE, HMODULE, LPWSTR, DWORD);
  BOOL(WINAPI* OpenProcessToken)(HANDLE, DWORD, PHANDLE);
  BOOL(WINAPI* GetTokenInformation)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
  BOOL(WINAPI* DuplicateTokenEx)(HANDLE, DWORD, LPSECURITY_ATTRIBUTES, SECURITY_IMPERSONATION_LEVEL,
                                 TOKEN_TYPE, PHANDLE);
  BOOL(WINAPI* LookupPrivilegeValueW)(LPCWSTR, LPCWSTR, PLUID);
  BOOL(WINAPI* AdjustTokenPrivileges)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD);
  BOOL(WINAPI* CreateProcessWithTokenW)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR,
                                        LPSTARTUPINFOW, LPPROCESS_INFORMATION);
  BOOL(WINAPI* AlphaBlend)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
  BOOL(WINAPI* TransparentBlt)(HDC, int, int, int, int, HDC, int, int, int, int, UINT);
  HRESULT(WINAPI* GetDpiForMonitor)(HMONITOR, int, UINT*, UINT*);
  HRESULT(WINAPI* DwmGetWindowAttribute)(HWND, DWORD, PVOID, DWORD);
};

// Process-wide resources of start-up, released by ShutdownLauncher.
struct CoreState {
  int ElevationType;          // of this process (GetWindowElevationType)
  HANDLE StdUserToken;        // the shell's token when we run elevated
  int OleReady;
  IMalloc* ShellMalloc;
  IShellFolder* DesktopFolder;
  ULONG_PTR GdiplusToken;
  CRITICAL_SECTION WatchLock; // guards the watched processes
  int WatchLockReady;
  HANDLE WatchMutex;          // VANTREL_MUTEX_PROCWATCH
  UINT ShellIdListFormat;     // clipboard format "Shell IDList Array"
  volatile LONG RunningWork;  // launches and workers still running
};

// Window classes registered at start-up.
extern const wchar_t kMainWndClass[];
extern const wchar_t kDragWndClass[];
extern const wchar_t kSubMenuWndClass[];
extern const wchar_t kSmDragWndClass[];
extern const wchar_t kSearchWndClass[];
extern const wchar_t kEdgeWndClass[];
extern const wchar_t kProcWatchMutexName[];

const int kProgramPathChars = 1024;

// ApplyStartOptions purposes.
enum { SO_ASK_REBUILD = 1, SO_DELAY = 2, SO_FORWARD = 3, SO_APPLY = 4 };

void BindOptionalFunctions();
int ApplyStartOptions(const wchar_t* cmdline, int purpose, HWND target);
// The running launcher of this very executable, or NULL.
HWND FindRunningInstance();
int RegisterWindowClasses(HINSTANCE instance);
int InitLauncher(HINSTANCE instance, const wchar_t* cmdline);
void ShutdownLauncher(int normalEnd);
int SetProcessPriority(DWORD priorityClass, DWORD processId);
int EnablePrivilege(const wchar_t* name);

// Test runs may route message boxes to a file: when the environment
// variable VANTREL_MESSAGE_LOG names one, each box appends its string id
// and a line break there instead of opening.
void InstallMessageLogFromEnvironment();
