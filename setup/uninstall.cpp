#include "setup/uninstall.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <wchar.h>

#include <initializer_list>

#include "setup/install.h"
#include "setup/platform.h"
#include "setup/resources/setup_res.h"
#include "setup/setuplogic.h"
#include "setup/start.h"
#include "setup/state.h"
#include "setup/taskxml.h"
#include "setup/wizard.h"

BOOL DeleteInstallFile(const wchar_t* folder, const wchar_t* name) {
  wchar_t path[MAX_PATH];
  if (!PathCombineW(path, folder, name)) return FALSE;
  DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES) return TRUE;
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
  if (DeleteFileW(path)) return TRUE;
  // In use: a mapped file can still be moved out of the way.
  g_SetupPlatform.Sleep(500);
  wchar_t aside[MAX_PATH];
  if (MakeTempName(L"~VN", aside) && MoveFileExW(path, aside, MOVEFILE_COPY_ALLOWED)) return TRUE;
  g_SetupPlatform.ShowMessage(IDS_SETUP_DELETE_FAILED, MB_ICONERROR, path);
  return FALSE;
}

BOOL DeleteFolderTree(const wchar_t* folder) {
  DWORD attributes = GetFileAttributesW(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES) return TRUE;
  BOOL ok = TRUE;
  // A junction or link is removed itself; what it points at is not ours.
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    wchar_t pattern[MAX_PATH];
    if (!PathCombineW(pattern, folder, L"*.*")) return FALSE;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(pattern, &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (!wcscmp(found.cFileName, L".") || !wcscmp(found.cFileName, L"..")) continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          wchar_t child[MAX_PATH];
          if (!PathCombineW(child, folder, found.cFileName) || !DeleteFolderTree(child)) ok = FALSE;
        } else if (!DeleteInstallFile(folder, found.cFileName)) {
          ok = FALSE;
        }
      } while (FindNextFileW(find, &found));
      FindClose(find);
    }
  }
  attributes = GetFileAttributesW(folder);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) && !RemoveDirectoryW(folder)) {
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT) || !DeleteFileW(folder)) {
      g_SetupPlatform.ShowMessage(IDS_SETUP_FOLDER_FAILED, MB_ICONERROR, folder);
      return FALSE;
    }
  }
  return ok;
}

LONG DeleteRegKeyTree(HKEY root, const wchar_t* path) {
  HKEY key;
  if (RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
    wchar_t name[513], last[513] = L"";
    DWORD index = 0;
    while (RegEnumKeyW(key, index, name, 513) == ERROR_SUCCESS) {
      if (!wcscmp(name, last)) {
        ++index;  // its deletion failed; the next one is behind it
        continue;
      }
      wcscpy(last, name);
      wchar_t child[1100];
      if (wcslen(path) + wcslen(name) + 2 < 1100) {
        wcscpy(child, path);
        wcscat(child, L"\\");
        wcscat(child, name);
        DeleteRegKeyTree(root, child);
      } else {
        ++index;
      }
    }
    RegCloseKey(key);
  }
  return RegDeleteKeyW(root, path);
}

BOOL ReadRemovableInstallFolder(wchar_t* folder) {
  HKEY key;
  folder[0] = 0;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return FALSE;
  wchar_t command[261] = L"", location[MAX_PATH + 1] = L"";
  DWORD bytes = 520, type = 0;
  BOOL ok = RegQueryValueExW(key, L"UninstallString", nullptr, &type, (BYTE*)command, &bytes) == ERROR_SUCCESS &&
            type == REG_SZ;
  command[260] = 0;
  bytes = MAX_PATH * sizeof(wchar_t);
  BOOL hasLocation = RegQueryValueExW(key, L"InstallLocation", nullptr, &type, (BYTE*)location, &bytes) ==
                         ERROR_SUCCESS && type == REG_SZ;
  location[MAX_PATH] = 0;
  RegCloseKey(key);
  if (!ok || !ParseUninstallString(command, folder)) return FALSE;
  // A folder the entry names but the installer could not have chosen (a
  // root, a relative or climbing path), or two that disagree, is not ours
  // to empty.
  if (CheckInstallFolder(folder, L"") != FOLDER_OK || (hasLocation && location[0] && _wcsicmp(location, folder)))
    return FALSE;
  return TRUE;
}

BOOL RunUninstall() {
  const wchar_t* folder = g_Setup.InstallFolder;
  BOOL ok = TRUE;
  for (const wchar_t* name : {L"Vantrel.exe", L"VnHook.dll", L"Setup.exe", L"VnAdmin.exe"})
    if (!DeleteInstallFile(folder, name)) ok = FALSE;
  for (const wchar_t* name : {L"Docs", L"Languages", L"Plugins", L"Skins", L"Data"}) {
    wchar_t path[MAX_PATH];
    if (!PathCombineW(path, folder, name) || !DeleteFolderTree(path)) ok = FALSE;
  }
  wchar_t bare[MAX_PATH];
  wcscpy(bare, folder);
  PathRemoveBackslashW(bare);
  if (!RemoveDirectoryW(bare) && GetFileAttributesW(bare) != INVALID_FILE_ATTRIBUTES) ok = FALSE;
  if (g_SetupPlatform.OsVersion() >= 500) {
    for (int csidl : {CSIDL_COMMON_APPDATA, CSIDL_APPDATA}) {
      wchar_t base[MAX_PATH], settings[MAX_PATH];
      if (SUCCEEDED(g_SetupPlatform.GetUserFolderPath(csidl, base)) && base[0] && PathCombineW(settings, base, L"Vantrel"))
        DeleteFolderTree(settings);
    }
  }
  DeleteRegKeyTree(HKEY_LOCAL_MACHINE, kUninstallKey);
  CreateShortcut(CSIDL_STARTUP, FALSE, FALSE);
  CreateShortcut(CSIDL_DESKTOPDIRECTORY, FALSE, FALSE);
  if (g_SetupPlatform.OsVersion() >= 600) {
    wchar_t cmdline[80];
    swprintf(cmdline, 80, L"SCHTASKS /Delete /TN \"%ls\" /F", kTaskName);
    g_SetupPlatform.RunHidden(cmdline);
  }
  return ok;
}

INT_PTR CALLBACK UninstallDlgProc(HWND d, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      g_Setup.Sheet = d;
      CenterWindowOnScreen(d);
      SetTimer(d, 1, 300, nullptr);
      return TRUE;
    case WM_TIMER: {
      KillTimer(d, 1);
      SetForegroundWindow(d);
      BOOL ok = RunUninstall();
      wchar_t format[512], text[1024];
      LoadSetupString(ok ? IDS_SETUP_UNINSTALLED : IDS_SETUP_NOT_EMPTY, format, 512);
      wchar_t* mark = wcsstr(format, L"%s");
      if (mark) {
        *mark = 0;
        swprintf(text, 1024, L"%ls%ls%ls", format, g_Setup.InstallFolder, mark + 2);
      } else {
        wcscpy(text, format);
      }
      SetDlgItemTextW(d, IDC_UNINSTALL_STATUS, text);
      HWND close = GetDlgItem(d, IDCANCEL);
      EnableWindow(close, TRUE);
      SetFocus(close);
      SetForegroundWindow(d);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL && IsWindowEnabled(GetDlgItem(d, IDCANCEL))) EndDialog(d, 0);
      return TRUE;
  }
  return FALSE;
}

static BOOL AskAndHandOver() {
  if (g_SetupPlatform.ShowMessage(IDS_SETUP_CONFIRM_UNINSTALL, MB_ICONINFORMATION | MB_OKCANCEL, nullptr) != IDOK)
    return TRUE;
  wchar_t self[MAX_PATH], copy[MAX_PATH], temp[MAX_PATH], parameters[MAX_PATH + 8] = L"/x";
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  GetTempPathW(MAX_PATH, temp);
  if (!MakeTempName(L"VUI", copy) || wcslen(copy) + 4 >= MAX_PATH) {
    g_SetupPlatform.ShowMessage(IDS_SETUP_UNINSTALL_START, MB_ICONERROR, nullptr);
    return TRUE;
  }
  wcscat(copy, L".exe");
  BOOL copied = CopyFileW(self, copy, FALSE);
  wchar_t library[MAX_PATH];
  if (g_Setup.LanguagePath[0] && MakeTempName(L"VUI", library) && CopyFileW(g_Setup.LanguagePath, library, FALSE))
    swprintf(parameters, MAX_PATH + 8, L"/x /%ls", library);
  SetCurrentDirectoryW(temp);
  if (!copied ||
      (INT_PTR)ShellExecuteW(nullptr, nullptr, copy, parameters, temp, SW_SHOWNORMAL) <= 32)
    g_SetupPlatform.ShowMessage(IDS_SETUP_UNINSTALL_START, MB_ICONERROR, nullptr);
  return TRUE;
}

static void RemoveNow(const wchar_t* library) {
  if (library[0]) {
    HMODULE loaded = LoadSetupLanguageDll(library);
    if (loaded) {
      if (g_Setup.LanguageDll) FreeLibrary(g_Setup.LanguageDll);
      g_Setup.LanguageDll = loaded;
    }
  }
  if (ReadRemovableInstallFolder(g_Setup.InstallFolder)) {
    DialogBoxParamW(SetupTemplateModule(IDD_UNINSTALL), MAKEINTRESOURCEW(IDD_UNINSTALL), nullptr, UninstallDlgProc, 0);
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    MoveFileExW(self, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  } else {
    g_SetupPlatform.ShowMessage(IDS_SETUP_NO_UNINSTALL_INFO, MB_ICONERROR, nullptr);
  }
  if (library[0]) {
    if (g_Setup.LanguageDll) FreeLibrary(g_Setup.LanguageDll);
    g_Setup.LanguageDll = nullptr;
    if (!DeleteFileW(library)) MoveFileExW(library, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  }
}

BOOL ParseSetupCommandLine(const wchar_t* cmdline) {
  wchar_t library[MAX_PATH];
  switch (ParseSetupCommand(cmdline, library)) {
    case SETUP_ASK_REMOVE: return AskAndHandOver();
    case SETUP_REMOVE: RemoveNow(library); return TRUE;
    default: return FALSE;
  }
}
