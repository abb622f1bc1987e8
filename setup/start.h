// The installer's start: the desktop user's token and profile, the
// previous install folder, the language library, a running launcher closed,
// then the uninstaller or the wizard.
#pragma once
#include <windows.h>

// The whole run; the process exit code.
int RunSetup(HINSTANCE instance, const wchar_t* cmdline);
BOOL ReadPreviousInstallDir();
BOOL FindSettingsFileLanguage();
BOOL SelectLanguageFromIni(const wchar_t* settingsFile);
// The library when its string 300 is at least 4.20, else NULL.
HMODULE LoadSetupLanguageDll(const wchar_t* path);
// The library for the user's language from Languages\Language.ini, else
// English.dll, else the program's own resources.
void SelectLanguageById(LANGID language);
// Every launcher window gets WM_CLOSE and up to waitMs to go; FALSE when
// one stays.
BOOL CloseRunningLaunchers(DWORD waitMs);
void UnloadShellUserProfile();
