#include "store/datafolder.h"

#include <lmcons.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <string.h>

#include "state.h"
#include "store/paths.h"

static const wchar_t kSettingsFile[] = L"Vantrel.ini";
static const wchar_t kAppDataFolder[] = L"Vantrel";
static const wchar_t kProgramDataFolder[] = L"Data";
static const wchar_t kPluginDataFolder[] = L"PluginData";

// folder\name into out (MAX_PATH characters); 0 and out empty when it does
// not fit.
static int JoinPath(wchar_t* out, const wchar_t* folder, const wchar_t* name) {
  size_t folderLen = wcslen(folder), nameLen = wcslen(name);
  if (folderLen + 1 + nameLen >= MAX_PATH) {
    out[0] = 0;
    return 0;
  }
  memmove(out, folder, folderLen * sizeof(wchar_t));
  out[folderLen] = L'\\';
  memcpy(out + folderLen + 1, name, (nameLen + 1) * sizeof(wchar_t));
  return 1;
}

// One plain component: no separators, no drive or stream colon, not . or ..
static int IsPlainName(const wchar_t* name) {
  if (!name[0] || !wcscmp(name, L".") || !wcscmp(name, L"..")) return 0;
  return !wcspbrk(name, L"\\/:");
}

// The program folder without its trailing backslash.
static int GetProgramFolder(wchar_t* out) {
  const wchar_t* program = GetProgramPath();
  const wchar_t* slash = wcsrchr(program, L'\\');
  if (!slash) return 0;
  size_t len = (size_t)(slash - program);
  memcpy(out, program, len * sizeof(wchar_t));
  out[len] = 0;
  return 1;
}

static int GetSpecialFolder(wchar_t* out, int csidl) {
  wchar_t folder[MAX_PATH];
  if (!SHGetSpecialFolderPathW(nullptr, folder, csidl, FALSE)) return 0;
  return JoinPath(out, folder, kAppDataFolder);
}

static int HoldsSettings(const wchar_t* folder) {
  wchar_t file[MAX_PATH];
  return JoinPath(file, folder, kSettingsFile) && PathFileExistsW(file);
}

static int EnsureFolder(const wchar_t* folder) {
  return PathIsDirectoryW(folder) || CreateDirectoryW(folder, nullptr);
}

static const wchar_t* UseDataFolder(const wchar_t* folder, int mode) {
  wcscpy(g_App.DataFolderPath, folder);
  g_App.DataFolderMode = mode;
  return g_App.DataFolderPath;
}

const wchar_t* ResolveDataFolder() {
  if (g_App.DataFolderPath[0]) return g_App.DataFolderPath;
  g_App.DataFolderMode = 0;

  wchar_t program[MAX_PATH], user[UNLEN + 1], shared[MAX_PATH], perUser[MAX_PATH];
  wchar_t candidate[MAX_PATH] = L"";
  int candidateMode = -1;  // none built yet
  DWORD userChars = ARRAYSIZE(user);
  int haveUser = GetUserNameW(user, &userChars) && IsPlainName(user);
  int haveShared = GetProgramFolder(program) && JoinPath(shared, program, kProgramDataFolder);
  int havePerUser = haveShared && haveUser && JoinPath(perUser, shared, user);

  if (haveShared) {
    wcscpy(candidate, shared);
    candidateMode = DATA_MODE_SHARED;
    if (HoldsSettings(candidate)) return UseDataFolder(candidate, candidateMode);
  }
  if (havePerUser) {
    wcscpy(candidate, perUser);
    candidateMode = 0;
    if (HoldsSettings(candidate)) return UseDataFolder(candidate, candidateMode);
  }
  wchar_t appData[MAX_PATH];
  if (GetSpecialFolder(appData, CSIDL_COMMON_APPDATA)) {
    wcscpy(candidate, appData);
    candidateMode = DATA_MODE_APPDATA | DATA_MODE_SHARED;
    if (HoldsSettings(candidate)) return UseDataFolder(candidate, candidateMode);
  }
  if (GetSpecialFolder(appData, CSIDL_APPDATA)) {
    wcscpy(candidate, appData);
    candidateMode = DATA_MODE_APPDATA;
    if (HoldsSettings(candidate)) return UseDataFolder(candidate, candidateMode);
  }

  // First run: the program folder's own Data\<user>.
  if (havePerUser && EnsureFolder(shared) && EnsureFolder(perUser))
    return UseDataFolder(perUser, 0);
  // The program folder is not writable: the last candidate, normally the
  // user's AppData. Its mode says which kind it is, so a later toggle moves
  // to the right place.
  if (candidateMode < 0) return UseDataFolder(L"", 0);
  CreateDirectoryW(candidate, nullptr);
  return UseDataFolder(candidate, candidateMode);
}

int GetDesignFilePath(wchar_t* out, const wchar_t* skinName) {
  out[0] = 0;
  const wchar_t* name = skinName ? skinName : g_App.SkinName;
  const wchar_t* folder = ResolveDataFolder();
  if (!folder[0]) return 0;
  wchar_t file[MAX_PATH];
  size_t len = wcslen(name);
  if (!len) {
    wcscpy(file, L"Classic.vsd");
  } else if (name[0] == L'\\') {
    // A skin held in a folder; its dots are part of the name.
    if (!IsPlainName(name + 1) || len + 12 >= MAX_PATH) return 0;
    wcscpy(file, L"[FOLDER]_");
    wcscat(file, name + 1);
    wcscat(file, L".vsd");
  } else {
    if (!IsPlainName(name) || len + 4 >= MAX_PATH) return 0;
    wcscpy(file, name);
    PathRemoveExtensionW(file);
    wcscat(file, L".vsd");
  }
  return JoinPath(out, folder, file);
}

int MoveDataFiles(const wchar_t* fromFolder, const wchar_t* toFolder, const wchar_t* name) {
  wchar_t from[MAX_PATH], to[MAX_PATH];
  if (!IsPlainName(name) || !JoinPath(from, fromFolder, name) || !JoinPath(to, toFolder, name))
    return 0;
  DWORD attributes = GetFileAttributesW(from);
  if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  // A link to a folder moves as the link, never as what it points at.
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return MoveFileW(from, to) ? 1 : 0;

  if (!CreateDirectoryW(to, nullptr) && !PathIsDirectoryW(to)) return 0;
  wchar_t pattern[MAX_PATH];
  if (!JoinPath(pattern, from, L"*")) return 0;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(pattern, &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int ok = 1;
  do {
    if (!wcscmp(found.cFileName, L".") || !wcscmp(found.cFileName, L"..")) continue;
    if (!MoveDataFiles(from, to, found.cFileName)) ok = 0;
  } while (FindNextFileW(find, &found));
  FindClose(find);
  RemoveDirectoryW(from);  // stays when something could not move
  return ok;
}

// The folder of the other sharing state.
static int GetToggleTarget(wchar_t* target, int mode) {
  int shared = mode & DATA_MODE_SHARED;
  if (mode & DATA_MODE_APPDATA)
    return GetSpecialFolder(target, shared ? CSIDL_APPDATA : CSIDL_COMMON_APPDATA);
  wchar_t program[MAX_PATH];
  if (!GetProgramFolder(program) || !JoinPath(target, program, kProgramDataFolder)) return 0;
  if (!shared) return 1;
  wchar_t user[UNLEN + 1];
  DWORD userChars = ARRAYSIZE(user);
  if (!GetUserNameW(user, &userChars) || !IsPlainName(user)) return 0;
  return JoinPath(target, target, user);
}

int ToggleDataFolderSharing() {
  wchar_t source[MAX_PATH], target[MAX_PATH];
  if (!ResolveDataFolder()[0]) return 0;
  wcscpy(source, g_App.DataFolderPath);
  int mode = g_App.DataFolderMode;
  if (!GetToggleTarget(target, mode) || !_wcsicmp(source, target)) return 0;
  int created = 0;
  if (!PathIsDirectoryW(target)) {
    if (!CreateDirectoryW(target, nullptr)) return 0;
    created = 1;
  }

  // The settings go first: when they cannot move (one is already at the
  // target), nothing else has moved and the launcher stays where it is.
  if (HoldsSettings(source) && !MoveDataFiles(source, target, kSettingsFile)) {
    if (created) RemoveDirectoryW(target);
    return 0;
  }

  // Plain files and PluginData; other folders (the other users' folders in
  // a shared Data) stay.
  int ok = 0;
  wchar_t pattern[MAX_PATH];
  WIN32_FIND_DATAW found;
  HANDLE find = JoinPath(pattern, source, L"*.*") ? FindFirstFileW(pattern, &found)
                                                   : INVALID_HANDLE_VALUE;
  if (find != INVALID_HANDLE_VALUE) {
    ok = 1;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (_wcsicmp(found.cFileName, kPluginDataFolder)) continue;
      }
      if (!MoveDataFiles(source, target, found.cFileName)) ok = 0;
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }

  // A shared program-folder Data holds the per-user folders: it stays.
  if (mode != DATA_MODE_SHARED) RemoveDirectoryW(source);
  UseDataFolder(target, mode ^ DATA_MODE_SHARED);
  return ok;
}
