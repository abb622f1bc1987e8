#include "setup/install.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <stdio.h>
#include <wchar.h>

#include <initializer_list>

#include "common/versioninfo.h"
#include "setup/platform.h"
#include "setup/resources/setup_res.h"
#include "setup/setuplogic.h"
#include "setup/state.h"
#include "setup/taskxml.h"

static const wchar_t* const kProgramFiles[] = {L"Vantrel.exe", L"VnHook.dll", L"Setup.exe", L"VnAdmin.exe"};
static const wchar_t* const kDataFolders[] = {L"Docs", L"Languages", L"Plugins", L"Skins"};

BOOL CreateFolderLevel(const wchar_t* folder) {
  size_t n = wcslen(folder);
  if ((n == 3 && folder[1] == L':') || (n == 2 && folder[1] == L':')) return TRUE;
  wchar_t path[MAX_PATH];
  wcscpy(path, folder);
  if (n && path[n - 1] == L'\\') path[n - 1] = 0;
  DWORD attributes = GetFileAttributesW(path);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return TRUE;
    g_SetupPlatform.ShowMessage(IDS_SETUP_FILE_EXISTS, MB_ICONERROR, path);
    return FALSE;
  }
  if (CreateDirectoryW(path, nullptr)) return TRUE;
  g_SetupPlatform.ShowMessage(IDS_SETUP_CREATE_FAILED, MB_ICONERROR, path);
  return FALSE;
}

BOOL EnsureInstallFolder(const wchar_t* folder) {
  if (!(folder[0] && folder[1] == L':' && folder[2] == L'\\')) return CreateFolderLevel(folder);
  wchar_t level[MAX_PATH];
  for (size_t i = 3; folder[i]; ++i) {
    if (folder[i] != L'\\') continue;
    wmemcpy(level, folder, i);
    level[i] = 0;
    if (!CreateFolderLevel(level)) return FALSE;
  }
  size_t n = wcslen(folder);
  return folder[n - 1] == L'\\' || CreateFolderLevel(folder);
}

BOOL MakeTempName(const wchar_t* prefix, wchar_t* out) {
  wchar_t folder[MAX_PATH];
  if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, prefix, 0, out)) return FALSE;
  DeleteFileW(out);
  return TRUE;
}

static BOOL JoinPath(const wchar_t* folder, const wchar_t* path, wchar_t* out) {
  if (wcslen(folder) + wcslen(path) >= MAX_PATH) return FALSE;
  wcscpy(out, folder);
  wcscat(out, path);
  return TRUE;
}

static BOOL CopyInstallFileOnce(const wchar_t* source, const wchar_t* target, int depth) {
  if (CopyFileW(source, target, FALSE)) {
    SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
    return TRUE;
  }
  DWORD error = GetLastError();
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_USER_MAPPED_FILE) {
    // A running program's file can be moved though not overwritten.
    if (depth == 0 && GetFileAttributesW(target) != INVALID_FILE_ATTRIBUTES) {
      g_SetupPlatform.Sleep(500);
      wchar_t aside[MAX_PATH];
      if (MakeTempName(L"~VN", aside) && MoveFileExW(target, aside, MOVEFILE_COPY_ALLOWED) &&
          CopyInstallFileOnce(source, target, 1))
        return TRUE;
    }
    g_SetupPlatform.ShowMessage(IDS_SETUP_IN_USE, MB_ICONERROR, target);
    return FALSE;
  }
  if (error == ERROR_FILE_EXISTS) return TRUE;
  g_SetupPlatform.ShowMessage(IDS_SETUP_COPY_FAILED, MB_ICONERROR, source);
  return FALSE;
}

BOOL CopyInstallFile(const wchar_t* path) {
  wchar_t source[MAX_PATH], target[MAX_PATH];
  if (!JoinPath(g_Setup.SetupFolder, path, source) || !JoinPath(g_Setup.InstallFolder, path, target)) {
    g_SetupPlatform.ShowMessage(IDS_SETUP_COPY_FAILED, MB_ICONERROR, path);
    return FALSE;
  }
  return CopyInstallFileOnce(source, target, 0);
}

static void AddInstallFile(const wchar_t* relative) {
  wchar_t** grown = (wchar_t**)HeapReAlloc(GetProcessHeap(), 0, g_Setup.Files, (g_Setup.FileCount + 1) * sizeof(wchar_t*));
  if (!grown) return;
  g_Setup.Files = grown;
  size_t bytes = (wcslen(relative) + 1) * sizeof(wchar_t);
  wchar_t* copy = (wchar_t*)HeapAlloc(GetProcessHeap(), 0, bytes);
  if (!copy) return;
  memcpy(copy, relative, bytes);
  g_Setup.Files[g_Setup.FileCount++] = copy;
}

// relative: "Skins" or "Skins\Basalt" (no trailing backslash).
static void ListFolder(const wchar_t* relative, BOOL subfolders) {
  wchar_t pattern[MAX_PATH];
  if (swprintf(pattern, MAX_PATH, L"%ls%ls\\*.*", g_Setup.SetupFolder, relative) < 0) return;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!wcscmp(found.cFileName, L".") || !wcscmp(found.cFileName, L"..")) continue;
    wchar_t child[MAX_PATH];
    if (swprintf(child, MAX_PATH, L"%ls\\%ls", relative, found.cFileName) < 0 ||
        wcslen(g_Setup.InstallFolder) + wcslen(child) >= MAX_PATH - 1)
      continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A link could lead anywhere; only real folders are part of a skin.
      if (!subfolders || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
      wchar_t target[MAX_PATH];
      if (JoinPath(g_Setup.InstallFolder, child, target)) CreateFolderLevel(target);
      ListFolder(child, TRUE);
    } else {
      AddInstallFile(child);
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

int ListInstallFiles() {
  FreeInstallFiles();
  g_Setup.Files = (wchar_t**)HeapAlloc(GetProcessHeap(), 0, sizeof(wchar_t*));
  for (const wchar_t* folder : kDataFolders) {
    wchar_t target[MAX_PATH];
    if (JoinPath(g_Setup.InstallFolder, folder, target)) CreateFolderLevel(target);
    if (g_Setup.CopyFiles) ListFolder(folder, !wcscmp(folder, L"Skins"));
  }
  return g_Setup.FileCount;
}

void FreeInstallFiles() {
  for (int i = 0; i < g_Setup.FileCount; ++i)
    if (g_Setup.Files[i]) HeapFree(GetProcessHeap(), 0, g_Setup.Files[i]);
  if (g_Setup.Files) HeapFree(GetProcessHeap(), 0, g_Setup.Files);
  g_Setup.Files = nullptr;
  g_Setup.FileCount = 0;
}

BOOL GetShortcutPath(int csidl, wchar_t* out) {
  wchar_t folder[MAX_PATH];
  if (FAILED(g_SetupPlatform.GetUserFolderPath(csidl, folder)) || wcslen(folder) + 13 >= MAX_PATH) {
    out[0] = 0;
    return FALSE;
  }
  swprintf(out, MAX_PATH, L"%ls\\Vantrel.lnk", folder);
  return GetFileAttributesW(out) != INVALID_FILE_ATTRIBUTES;
}

BOOL ReadShortcutArguments(wchar_t* path, wchar_t* arguments) {
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link);
  if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, (void**)&file);
  if (SUCCEEDED(hr)) hr = file->Load(path, STGM_READ);
  if (SUCCEEDED(hr)) {
    link->Resolve(nullptr, SLR_ANY_MATCH | SLR_NO_UI);
    wchar_t target[MAX_PATH], args[kStartOptionChars];
    if (SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_UNCPRIORITY))) wcscpy(path, target);
    if (SUCCEEDED(hr = link->GetArguments(args, kStartOptionChars))) wcscpy(arguments, args);
  }
  if (file) file->Release();
  if (link) link->Release();
  if (SUCCEEDED(init)) CoUninitialize();
  return SUCCEEDED(hr);
}

void CreateShortcut(int csidl, BOOL create, BOOL toHelper) {
  wchar_t path[MAX_PATH];
  GetShortcutPath(csidl, path);
  if (!path[0]) return;
  if (!create) {
    DeleteFileW(path);
    return;
  }
  wchar_t target[MAX_PATH];
  if (!JoinPath(g_Setup.InstallFolder, toHelper ? L"VnAdmin.exe" : L"Vantrel.exe", target)) return;
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&link))) {
    link->SetPath(target);
    link->SetWorkingDirectory(g_Setup.InstallFolder);
    link->SetArguments(csidl == CSIDL_STARTUP ? g_Setup.StartupOptions : g_Setup.DesktopOptions);
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
      file->Save(path, TRUE);
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(init)) CoUninitialize();
}

BOOL ReadTaskArguments() {
  if (g_SetupPlatform.OsVersion() < 600) return FALSE;
  wchar_t file[MAX_PATH], cmdline[MAX_PATH + 80];
  if (!MakeTempName(L"~VN", file)) return FALSE;
  swprintf(cmdline, MAX_PATH + 80, L"CMD /C SCHTASKS /Query /TN \"%ls\" /XML ONE > \"%ls\"", kTaskName, file);
  g_SetupPlatform.RunHidden(cmdline);
  BOOL found = FALSE;
  HANDLE h = CreateFileW(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    DWORD size = GetFileSize(h, nullptr), got = 0;
    if (size != INVALID_FILE_SIZE && size < (1u << 20)) {
      char* bytes = (char*)HeapAlloc(GetProcessHeap(), 0, size + 1);
      wchar_t* text = (wchar_t*)HeapAlloc(GetProcessHeap(), 0, (size + 1) * sizeof(wchar_t));
      if (bytes && text && ReadFile(h, bytes, size, &got, nullptr)) {
        int n = MultiByteToWideChar(CP_ACP, 0, bytes, (int)got, text, (int)size);
        text[n > 0 ? n : 0] = 0;
        wchar_t args[kStartOptionChars];
        found = ReadTaskXmlArguments(text, args);
        if (found) wcscpy(g_Setup.StartupOptions, args);
      }
      if (bytes) HeapFree(GetProcessHeap(), 0, bytes);
      if (text) HeapFree(GetProcessHeap(), 0, text);
    }
    CloseHandle(h);
  }
  DeleteFileW(file);
  return found;
}

static void RegisterLogonTask() {
  wchar_t file[MAX_PATH];
  wchar_t* xml = BuildLogonTaskXml(g_Setup.InstallFolder, g_Setup.StartupOptions);
  if (xml && MakeTempName(L"~VN", file)) {
    HANDLE h = CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      int bytes = WideCharToMultiByte(CP_ACP, 0, xml, -1, nullptr, 0, nullptr, nullptr);
      char* text = bytes > 0 ? (char*)HeapAlloc(GetProcessHeap(), 0, (size_t)bytes) : nullptr;
      DWORD put;
      // The text alone: its terminator stays out of the file.
      if (text && WideCharToMultiByte(CP_ACP, 0, xml, -1, text, bytes, nullptr, nullptr) > 0)
        WriteFile(h, text, (DWORD)(bytes - 1), &put, nullptr);
      if (text) HeapFree(GetProcessHeap(), 0, text);
      CloseHandle(h);
      if (g_SetupPlatform.OsVersion() >= 600) {
        wchar_t cmdline[MAX_PATH + 80];
        swprintf(cmdline, MAX_PATH + 80, L"SCHTASKS /Create /TN \"%ls\" /F /XML \"%ls\"", kTaskName, file);
        g_SetupPlatform.RunHidden(cmdline);
      }
      DeleteFileW(file);
    }
  }
  if (xml) HeapFree(GetProcessHeap(), 0, xml);
  CreateShortcut(CSIDL_STARTUP, FALSE, FALSE);
}

static void SetValue(HKEY key, const wchar_t* name, const wchar_t* text) {
  RegSetValueExW(key, name, 0, REG_SZ, (const BYTE*)text, (DWORD)((wcslen(text) + 1) * sizeof(wchar_t)));
}

void WriteUninstallKey() {
  HKEY key;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  wchar_t launcher[MAX_PATH], version[16] = L"", uninstall[MAX_PATH + 8];
  JoinPath(g_Setup.InstallFolder, L"Vantrel.exe", launcher);
  VS_FIXEDFILEINFO info;
  if (ReadFileFixedVersion(launcher, &info)) FormatDisplayVersion(info.dwProductVersionMS, info.dwProductVersionLS, version);
  swprintf(uninstall, MAX_PATH + 8, L"\"%lsSetup.exe\" /r", g_Setup.InstallFolder);
  SetValue(key, L"DisplayName", L"Vantrel");
  SetValue(key, L"DisplayIcon", launcher);
  SetValue(key, L"DisplayVersion", version);
  SetValue(key, L"Publisher", L"Dravensko");
  SetValue(key, L"InstallLocation", g_Setup.InstallFolder);
  SetValue(key, L"UninstallString", uninstall);
  SetValue(key, L"URLInfoAbout", L"https://www.dravensko.example/");
  SetValue(key, L"HelpLink", L"https://www.dravensko.example/");
  SetValue(key, L"URLUpdateInfo", L"https://www.dravensko.example/vantrel/download/");
  SetValue(key, L"Contact", L"vantrel@dravensko.example");
  RegCloseKey(key);
}

static void DeleteIfExists(const wchar_t* path) {
  if (GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) DeleteFileW(path);
}

static void FinishInstall() {
  FreeInstallFiles();
  if (g_Setup.RegisterAtStartup && g_Setup.StartThroughAdmin) {
    RegisterLogonTask();
  } else if (g_Setup.RegisterAtStartup) {
    CreateShortcut(CSIDL_STARTUP, TRUE, FALSE);
    if (g_SetupPlatform.OsVersion() >= 600) {
      wchar_t cmdline[80];
      swprintf(cmdline, 80, L"SCHTASKS /Delete /TN \"%ls\" /F", kTaskName);
      g_SetupPlatform.RunHidden(cmdline);
    }
  }
  if (g_Setup.DesktopShortcut) CreateShortcut(CSIDL_DESKTOPDIRECTORY, TRUE, g_Setup.DesktopThroughAdmin);
  WriteUninstallKey();
  wchar_t path[MAX_PATH];
  if (JoinPath(g_Setup.InstallFolder, L"Vantrel.chm", path)) DeleteIfExists(path);
  wchar_t user[257];
  DWORD chars = 257;
  if (!GetUserNameW(user, &chars)) user[0] = 0;
  for (const wchar_t* name : {L"Mode1.vic", L"Mode2.vic"}) {
    wchar_t own[MAX_PATH], shared[MAX_PATH];
    swprintf(own, MAX_PATH, L"%lsData\\%ls\\%ls", g_Setup.InstallFolder, user, name);
    swprintf(shared, MAX_PATH, L"%lsData\\%ls", g_Setup.InstallFolder, name);
    DeleteIfExists(user[0] && GetFileAttributesW(own) != INVALID_FILE_ATTRIBUTES ? own : shared);
  }
}

BOOL RunInstallStep(HWND status, HWND progress) {
  wchar_t text[512];
  int step = g_Setup.Step;
  if (step == 0) {
    g_Setup.Failed = FALSE;
    if (status && LoadSetupString(IDS_SETUP_UPDATING, text, 512)) SetWindowTextW(status, text);
    EnsureInstallFolder(g_Setup.InstallFolder);
    ListInstallFiles();
    g_Setup.Total = g_Setup.FileCount + 5;
    if (progress) SendMessageW(progress, PBM_SETRANGE32, 0, g_Setup.Total);
    if (g_Setup.CopyFiles) {
      if (status && LoadSetupString(IDS_SETUP_COPYING, text, 512)) SetWindowTextW(status, text);
    } else {
      g_Setup.Step = g_Setup.Total - 1;
      if (progress) SendMessageW(progress, PBM_DELTAPOS, g_Setup.Total - 1, 0);
    }
  } else if (step <= 4) {
    if (!CopyInstallFile(kProgramFiles[step - 1])) g_Setup.Failed = TRUE;
  } else if (step < g_Setup.Total) {
    int index = step - 5;
    if (index < g_Setup.FileCount && g_Setup.Files[index]) {
      if (!CopyInstallFile(g_Setup.Files[index])) g_Setup.Failed = TRUE;
      HeapFree(GetProcessHeap(), 0, g_Setup.Files[index]);
      g_Setup.Files[index] = nullptr;
    }
  } else {
    FinishInstall();
  }
  if (progress) SendMessageW(progress, PBM_DELTAPOS, 1, 0);
  g_Setup.Step++;
  return step < g_Setup.Total;
}
