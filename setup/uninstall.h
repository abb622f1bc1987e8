// The uninstaller: "/r" asks and hands over to a temporary copy, which with
// "/x" removes what the installer made.
#pragma once
#include <windows.h>

// TRUE when the command line was an uninstall switch (the installer ends).
BOOL ParseSetupCommandLine(const wchar_t* cmdline);
INT_PTR CALLBACK UninstallDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
BOOL RunUninstall();
BOOL DeleteInstallFile(const wchar_t* folder, const wchar_t* name);
// Removes folder and everything in it; links inside are removed as links,
// never followed.
BOOL DeleteFolderTree(const wchar_t* folder);
LONG DeleteRegKeyTree(HKEY root, const wchar_t* path);
// The install folder of the Uninstall entry when it is safe to remove:
// a full path that is not a root and agrees with InstallLocation.
BOOL ReadRemovableInstallFolder(wchar_t* folder);
