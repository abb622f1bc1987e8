// The platform calls of the administrator helper that a test must not make
// for real: the elevation decisions, process starts, waits and the clock,
// and message boxes. Filled with the real calls by BindAdminPlatform at
// start-up.
#pragma once
#include <windows.h>

struct AdminPlatform {
  int (*OsVersion)();
  // TokenElevationType of our own token (1 default, 2 full, 3 limited); 0
  // when it cannot be read.
  int (*ElevationType)();
  HWND(WINAPI* GetShellWindow)();
  // A primary token duplicated from the shell window's process; NULL on any
  // failure.
  HANDLE (*DuplicateShellToken)(HWND shell);
  BOOL(WINAPI* CreateEnvironmentBlock)(LPVOID*, HANDLE, BOOL);
  BOOL(WINAPI* DestroyEnvironmentBlock)(LPVOID);
  BOOL(WINAPI* CreateProcessWithTokenW)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW,
                                        LPPROCESS_INFORMATION);
  BOOL(WINAPI* CreateProcessW)(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                               LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION);
  DWORD(WINAPI* WaitForInputIdle)(HANDLE, DWORD);
  DWORD(WINAPI* WaitForSingleObject)(HANDLE, DWORD);
  BOOL(WINAPI* CloseHandle)(HANDLE);
  DWORD(WINAPI* GetTickCount)();
  void(WINAPI* Sleep)(DWORD);
  // A message box of string id (error icon, caption "Vantrel").
  int (*ShowMessage)(int id, UINT flags);
};

extern AdminPlatform g_AdminPlatform;

// The real calls; with VANTREL_MESSAGE_LOG set, message boxes go to that
// file instead.
void BindAdminPlatform();
