// The installer's one state record: the desktop user's token, the folders,
// the language library, the wizard's choices and the step counter.
#pragma once
#include <windows.h>

#include "setup/startoptions.h"

struct SetupState {
  HINSTANCE Instance;
  HANDLE ShellToken;   // the desktop shell's token, or NULL
  HANDLE Profile;      // its loaded profile, or NULL
  wchar_t SetupFolder[MAX_PATH];    // with trailing backslash
  wchar_t InstallFolder[MAX_PATH];  // with trailing backslash
  BOOL PreviousInstall;
  HMODULE LanguageDll;  // NULL: the program's own resources
  wchar_t LanguagePath[MAX_PATH];
  HWND Sheet;           // owner of message boxes once the wizard exists

  BOOL RegisterAtStartup, StartThroughAdmin, DesktopShortcut, DesktopThroughAdmin;
  BOOL CopyFiles;
  wchar_t StartupOptions[kStartOptionChars];
  wchar_t DesktopOptions[kStartOptionChars];

  int Step, Total;
  BOOL Failed;
  wchar_t** Files;  // relative paths of the data files to copy
  int FileCount;
};

extern SetupState g_Setup;

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel";
const wchar_t kLauncherClass[] = L"VantrelWndClass";
