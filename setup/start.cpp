#include "setup/start.h"

#include <commctrl.h>
#include <shlobj.h>
#include <userenv.h>
#include <wchar.h>

#include <initializer_list>

#include "setup/platform.h"
#include "setup/setuplogic.h"
#include "setup/state.h"
#include "setup/uninstall.h"
#include "setup/wizard.h"

BOOL ReadPreviousInstallDir() {
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;
  g_Setup.PreviousInstall = TRUE;
  wchar_t command[261] = L"";
  DWORD bytes = 520, type = 0;
  LONG read = RegQueryValueExW(key, L"UninstallString", nullptr, &type, (BYTE*)command, &bytes);
  command[260] = 0;
  RegCloseKey(key);
  wchar_t folder[MAX_PATH];
  if (read != ERROR_SUCCESS || type != REG_SZ || !ParseUninstallString(command, folder)) return FALSE;
  wcscpy(g_Setup.InstallFolder, folder);
  return TRUE;
}

HMODULE LoadSetupLanguageDll(const wchar_t* path) {
  HMODULE library = LoadLibraryW(path);
  if (!library) return nullptr;
  wchar_t version[8] = L"";
  if (LoadStringW(library, 300, version, 8) == 4 && AcceptSetupLanguageVersion(version)) return library;
  FreeLibrary(library);
  return nullptr;
}

static BOOL UseLanguageLibrary(const wchar_t* path) {
  HMODULE library = LoadSetupLanguageDll(path);
  if (!library) return FALSE;
  g_Setup.LanguageDll = library;
  // The full file name, so the uninstaller can copy it.
  if (!GetModuleFileNameW(library, g_Setup.LanguagePath, MAX_PATH)) g_Setup.LanguagePath[0] = 0;
  return TRUE;
}

BOOL SelectLanguageFromIni(const wchar_t* settingsFile) {
  if (GetFileAttributesW(settingsFile) == INVALID_FILE_ATTRIBUTES) return FALSE;
  wchar_t name[260];
  GetPrivateProfileStringW(L"General", L"Language", L"", name, 260, settingsFile);
  if (!name[0] || !_wcsicmp(name, L"Japanese")) return TRUE;
  // The name is a file of the Languages folder, never a path elsewhere.
  if (wcschr(name, L'\\') || wcschr(name, L'/') || wcschr(name, L':')) return FALSE;
  wchar_t path[MAX_PATH];
  if (swprintf(path, MAX_PATH, L"%lsLanguages\\%ls", g_Setup.SetupFolder, name) < 0) return FALSE;
  return UseLanguageLibrary(path);
}

BOOL FindSettingsFileLanguage() {
  wchar_t path[MAX_PATH], user[257];
  DWORD chars = 257;
  swprintf(path, MAX_PATH, L"%lsData\\Vantrel.ini", g_Setup.InstallFolder);
  if (SelectLanguageFromIni(path)) return TRUE;
  if (GetUserNameW(user, &chars) && swprintf(path, MAX_PATH, L"%lsData\\%ls\\Vantrel.ini", g_Setup.InstallFolder, user) > 0 &&
      SelectLanguageFromIni(path))
    return TRUE;
  if (g_SetupPlatform.OsVersion() < 500) return FALSE;
  for (int csidl : {CSIDL_COMMON_APPDATA, CSIDL_APPDATA}) {
    wchar_t base[MAX_PATH];
    if (SUCCEEDED(g_SetupPlatform.GetUserFolderPath(csidl, base)) &&
        swprintf(path, MAX_PATH, L"%ls\\Vantrel\\Vantrel.ini", base) > 0 && SelectLanguageFromIni(path))
      return TRUE;
  }
  return FALSE;
}

void SelectLanguageById(LANGID language) {
  if (language == 1041) return;
  wchar_t list[MAX_PATH], sections[1000] = L"";
  swprintf(list, MAX_PATH, L"%lsLanguages\\Language.ini", g_Setup.SetupFolder);
  GetPrivateProfileSectionNamesW(sections, 1000, list);
  for (const wchar_t* section = sections; *section; section += wcslen(section) + 1) {
    for (int i = 1; i < 100; ++i) {
      wchar_t key[8], value[20];
      swprintf(key, 8, L"LID%02d", i);
      if (!GetPrivateProfileStringW(section, key, L"", value, 20, list) || !value[0]) break;
      if (ParseLanguageListId(value) != language) continue;
      wchar_t path[MAX_PATH];
      if (!wcschr(section, L'\\') && !wcschr(section, L'/') &&
          swprintf(path, MAX_PATH, L"%lsLanguages\\%ls", g_Setup.SetupFolder, section) > 0 && UseLanguageLibrary(path))
        return;
      goto english;
    }
  }
english:
  wchar_t english[MAX_PATH];
  swprintf(english, MAX_PATH, L"%lsLanguages\\English.dll", g_Setup.SetupFolder);
  if (!UseLanguageLibrary(english)) g_Setup.LanguagePath[0] = 0;
}

static BOOL CALLBACK CollectLauncher(HWND window, LPARAM param) {
  wchar_t name[64];
  if (GetClassNameW(window, name, 64) && !_wcsicmp(name, kLauncherClass)) {
    HWND* found = (HWND*)param;
    if (!*found) *found = window;
  }
  return TRUE;
}

BOOL CloseRunningLaunchers(DWORD waitMs) {
  for (;;) {
    HWND launcher = nullptr;
    EnumWindows(CollectLauncher, (LPARAM)&launcher);
    if (!launcher) return TRUE;
    PostMessageW(launcher, WM_CLOSE, 0, 0);
    DWORD waited = 0;
    while (IsWindow(launcher)) {
      if (waited >= waitMs) return FALSE;
      g_SetupPlatform.Sleep(100);
      waited += 100;
    }
  }
}

void UnloadShellUserProfile() {
  if (g_Setup.LanguageDll) FreeLibrary(g_Setup.LanguageDll);
  g_Setup.LanguageDll = nullptr;
  if (g_Setup.ShellToken) {
    if (g_Setup.Profile) UnloadUserProfile(g_Setup.ShellToken, g_Setup.Profile);
    CloseHandle(g_Setup.ShellToken);
  }
  g_Setup.ShellToken = nullptr;
  g_Setup.Profile = nullptr;
}

int RunSetup(HINSTANCE instance, const wchar_t* cmdline) {
  g_Setup.Instance = instance;
  if (!g_SetupPlatform.TakeShellUserToken()) {
    UnloadShellUserProfile();
    return 0;
  }
  DWORD n = GetModuleFileNameW(nullptr, g_Setup.SetupFolder, MAX_PATH);
  wchar_t* slash = n && n < MAX_PATH ? wcsrchr(g_Setup.SetupFolder, L'\\') : nullptr;
  if (slash) slash[1] = 0;
  if (!ReadPreviousInstallDir()) {
    wchar_t programs[MAX_PATH];
    g_SetupPlatform.GetUserFolderPath(CSIDL_PROGRAM_FILES, programs);
    swprintf(g_Setup.InstallFolder, MAX_PATH, L"%ls\\Vantrel\\", programs);
  }
  if (!FindSettingsFileLanguage()) SelectLanguageById(GetUserDefaultLangID());
  if (!CloseRunningLaunchers(5000)) {
    UnloadShellUserProfile();
    return 0;
  }
  int result = 0;
  if (!ParseSetupCommandLine(cmdline)) {
    SetCurrentDirectoryW(g_Setup.SetupFolder);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    ShowSetupWizard();
    result = 1;
  }
  UnloadShellUserProfile();
  return result;
}
