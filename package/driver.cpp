#include "package/driver.h"

#include <shellapi.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include <string>

#include "common/zip.h"
#include "package/sfxstate.h"
#include "package/stream.h"
#include "package/worker.h"
#include "package/zipread.h"

SfxPayloadHeader g_SfxSettings;

namespace {

const wchar_t kCaption[] = L"ZIP-SFX";

int Box(const wchar_t* text, const wchar_t* caption, UINT flags) { return MessageBoxW(nullptr, text, caption, flags); }

int BoxMessage(void*, const wchar_t* text, UINT flags) { return Box(text, kCaption, flags); }

int BoxReplace(void*, const wchar_t* name, int64_t, uint64_t, int64_t, uint64_t) {
  wchar_t text[700];
  _snwprintf(text, 700, L"The file '%ls' already exists.\nDo you want to replace it?", name);
  text[699] = 0;
  switch (Box(text, kCaption, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
      return REPLACE_YES;
    case IDNO:
      return REPLACE_NO;
  }
  return REPLACE_CANCEL;
}

// Windows cannot delete a folder that is a process's current directory.
void LeaveFolder() {
  wchar_t system[MAX_PATH];
  if (GetSystemDirectoryW(system, MAX_PATH)) SetCurrentDirectoryW(system);
}

void DeleteFolderTree(const std::wstring& folder) {
  WIN32_FIND_DATAW d;
  HANDLE f = FindFirstFileW((folder + L"*").c_str(), &d);
  if (f != INVALID_HANDLE_VALUE) {
    do {
      if (!wcscmp(d.cFileName, L".") || !wcscmp(d.cFileName, L"..")) continue;
      if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        std::wstring sub = folder + d.cFileName + L"\\";
        DeleteFolderTree(sub);
        RemoveDirectoryW(sub.c_str());
      }
    } while (FindNextFileW(f, &d));
    FindClose(f);
  }
}

bool RunsOn64BitWindows() {
#ifdef _WIN64
  return true;
#else
  typedef BOOL(WINAPI * IsWow64Fn)(HANDLE, PBOOL);
  IsWow64Fn isWow64 = (IsWow64Fn)(void*)GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process");
  BOOL wow = FALSE;
  return isWow64 && isWow64(GetCurrentProcess(), &wow) && wow;
#endif
}

}  // namespace

int NormaliseDestination(const wchar_t* destination, const wchar_t* folder, wchar_t* out, size_t units) {
  std::wstring d = destination, f = folder;
  for (auto& c : d)
    if (c == L'/') c = L'\\';
  if (!d.empty() && d.back() == L'\\') d.pop_back();
  if (d.empty()) {
    d = f;
  } else if (d.find(L'\\') == std::wstring::npos && d.back() != L':') {
    d = f + d;
  } else if (d.compare(0, 2, L".\\") == 0) {
    d = f + d.substr(2);
  } else if (d[0] == L'\\' && (d.size() < 2 || d[1] != L'\\')) {
    d = f + d.substr(1);
  } else if (d.compare(0, 3, L"..\\") == 0) {
    std::wstring base = f;
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    while (d.compare(0, 3, L"..\\") == 0) {
      size_t cut = base.rfind(L'\\');
      if (cut == std::wstring::npos) return 0;
      base.resize(cut);
      d = d.substr(3);
    }
    d = base + L"\\" + d;
  }
  if (d.find_first_of(L"*?\"<>|") != std::wstring::npos) return 0;
  while (!d.empty() && d.back() == L' ') d.pop_back();
  if (d.empty() || d.back() != L'\\') d += L'\\';
  if (d.size() >= units) return 0;
  wcscpy(out, d.c_str());
  return 1;
}

uint32_t PayloadCrc(HANDLE file, int64_t start) {
  LARGE_INTEGER at;
  at.QuadPart = start;
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return 0;
  static uint8_t block[65536];
  uint32_t crc = 0;
  DWORD got;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) crc = ZipCrc32(crc, block, got);
  return crc;
}

// A setup information file goes to setupapi's installer, by rundll32 from
// the system folder, and is waited for.
static int InstallInf(const std::wstring& path, const std::wstring& dir) {
  wchar_t shortPath[MAX_PATH], system[MAX_PATH];
  DWORD n = GetShortPathNameW(path.c_str(), shortPath, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) {
    wcsncpy(shortPath, path.c_str(), MAX_PATH - 1);
    shortPath[MAX_PATH - 1] = 0;
  }
  UINT s = GetSystemDirectoryW(system, MAX_PATH);
  if (s == 0 || s >= MAX_PATH) return 0;
  std::wstring line = L"\"" + std::wstring(system) + L"\\rundll32.exe\" setupapi,InstallHinfSection DefaultInstall 132 " +
                      shortPath;
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi;
#ifndef _WIN64
  // A package for 64-bit Windows installs into the real system folder.
  typedef BOOL(WINAPI * DisableFn)(PVOID*);
  typedef BOOL(WINAPI * RevertFn)(PVOID);
  HMODULE kernel = GetModuleHandleW(L"kernel32");
  DisableFn off = (DisableFn)(void*)GetProcAddress(kernel, "Wow64DisableWow64FsRedirection");
  RevertFn on = (RevertFn)(void*)GetProcAddress(kernel, "Wow64RevertWow64FsRedirection");
  PVOID redirection = nullptr;
  bool switched = g_SfxSettings.Kind == '6' && off && on && off(&redirection);
#endif
  BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi);
#ifndef _WIN64
  if (switched) on(redirection);
#endif
  if (!started) return 0;
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return 1;
}

int RunAfterExtract(const wchar_t* command, const wchar_t* folder, bool wait) {
  std::wstring path = std::wstring(folder) + command, params;
  size_t lastDot = path.rfind(L'.');
  if (lastDot != std::wstring::npos && _wcsicmp(path.c_str() + lastDot, L".inf") == 0)
    return InstallInf(path, path.substr(0, path.rfind(L'\\') + 1));
  // Parameters follow the program's ".exe" and a blank; they may hold dots
  // of their own (file names), so the last dot does not decide.
  for (size_t at = wcslen(folder); at + 4 < path.size(); at++) {
    if (path[at] == L'.' && towupper(path[at + 1]) == L'E' && towupper(path[at + 2]) == L'X' &&
        towupper(path[at + 3]) == L'E' && path[at + 4] == L' ') {
      params = path.substr(at + 5);
      path.resize(at + 4);
      break;
    }
  }
  std::wstring dir = path.substr(0, path.rfind(L'\\') + 1);
  SHELLEXECUTEINFOW sei = {};
  sei.cbSize = sizeof sei;
  sei.fMask = SEE_MASK_NOCLOSEPROCESS;
  sei.lpFile = path.c_str();
  sei.lpParameters = params.empty() ? nullptr : params.c_str();
  sei.lpDirectory = dir.c_str();
  sei.nShow = SW_SHOW;
  if (!ShellExecuteExW(&sei)) return 0;
  if (!sei.hProcess) return 1;
  WaitForInputIdle(sei.hProcess, INFINITE);
  Sleep(100);
  DWORD code = 0;
  if (!GetExitCodeProcess(sei.hProcess, &code) || !wait) {
    CloseHandle(sei.hProcess);
    return 1;
  }
  bool wasRunning = code == STILL_ACTIVE;
  if (wasRunning)
    while (WaitForSingleObject(sei.hProcess, 0) == WAIT_TIMEOUT) Sleep(100);
  CloseHandle(sei.hProcess);
  Sleep(1000);
  // A bootstrapper may leave the work to an installer of another process.
  wchar_t className[64] = L"", title[64] = L"";
  HWND installer = nullptr;
  for (int tries = wasRunning ? 200 : 3000; tries > 0 && !installer; tries--) {
    Sleep(10);
    installer = FindInstallerWindow(className, title);
  }
  if (!installer) return 0;
  while (FindWindowW(className[0] ? className : nullptr, title[0] ? title : nullptr)) Sleep(100);
  return 1;
}

HWND FindInstallerWindow(wchar_t* className, wchar_t* title) {
  static const wchar_t* const kClasses[] = {L"MsiDialogCloseClass", L"InstallShield_Win"};
  for (const wchar_t* c : kClasses) {
    if (HWND w = FindWindowW(c, nullptr)) {
      wcscpy(className, c);
      return w;
    }
  }
  className[0] = 0;
  if (HWND w = FindWindowW(nullptr, L"Setup")) {
    wcscpy(title, L"Setup");
    return w;
  }
  title[0] = 0;
  return nullptr;
}

SfxRunResult RunSfx(const wchar_t* archive, const wchar_t* cmdDestination) {
  SfxRunResult r = {0, 0};
  wchar_t module[MAX_PATH];
  GetModuleFileNameW(nullptr, module, MAX_PATH);
  bool packageMode = !archive[0];
  const wchar_t* source = packageMode ? module : archive;
  HANDLE file = CreateFileW(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    r.Result = packageMode ? -1 : 0;
    r.ExitCode = 1;
    return r;
  }
  LARGE_INTEGER size;
  GetFileSizeEx(file, &size);
  int64_t payload = 0;
  bool temporary = false;
  wchar_t destination[kSfxDestinationUnits] = L"";
  if (cmdDestination[0]) wcsncpy(destination, cmdDestination, kSfxDestinationUnits - 1);
  if (packageMode) {
    uint8_t head[4096];
    DWORD got = 0;
    ReadFile(file, head, sizeof head, &got, nullptr);
    payload = FindPayloadOffset(head, got);
    if (payload == 0 || payload >= size.QuadPart) {
      CloseHandle(file);
      return r;
    }
    uint8_t bytes[kSfxHeaderBytes];
    LARGE_INTEGER at;
    at.QuadPart = payload;
    SfxPayloadHeader header;
    if (SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && ReadFile(file, bytes, sizeof bytes, &got, nullptr) &&
        ReadSfxHeader(bytes, got, &header)) {
      if (header.Kind == '6' && !RunsOn64BitWindows()) {
        Box(L"This sfx-module cannot be run in Win32.", kCaption, MB_ICONERROR);
        CloseHandle(file);
        return r;
      }
      TakeHeaderSettings(&g_SfxSettings, header);
      temporary = ExpandFolderTemplate(destination, header, module);
    } else {
      payload = -1;  // no header: the whole file is read as a zip
    }
  }
  g_Sfx.ExtractAbortCode = ABORT_NONE;
  AttachArchive(file);
  if (!OpenZipArchive(ArchiveSize())) {
    Box(L"not supported archive format.", kCaption, MB_ICONERROR);
    DetachArchive();
    CloseHandle(file);
    return r;
  }
  if (g_SfxSettings.QuestionText[0] &&
      Box(g_SfxSettings.QuestionText, g_SfxSettings.QuestionCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) {
    DetachArchive();
    CloseHandle(file);
    return r;
  }
  if (payload > 0 && g_SfxSettings.PayloadCrc) {
    if (PayloadCrc(file, payload + kSfxHeaderBytes) != g_SfxSettings.PayloadCrc) {
      Box(L"CRC check error!", L"Warning", MB_ICONERROR);
      if (g_SfxSettings.Command[0]) {
        DetachArchive();
        CloseHandle(file);
        r.ExitCode = 1;
        return r;
      }
    }
  }
  ArchiveSeek(payload > 0 ? payload + kSfxHeaderBytes : 0);

  wchar_t folder[MAX_PATH];
  wcsncpy(folder, source, MAX_PATH - 1);
  folder[MAX_PATH - 1] = 0;
  wchar_t* cut = wcsrchr(folder, L'\\');
  if (cut) cut[1] = 0;
  else folder[0] = 0;
  wchar_t dest[kSfxDestinationUnits];
  if (!NormaliseDestination(destination, folder, dest, kSfxDestinationUnits)) {
    Box(L"Invalid file-name.", kCaption, MB_ICONERROR);
    DetachArchive();
    CloseHandle(file);
    r.ExitCode = 1;
    return r;
  }
  r.Result = 1;
  if (GetFileAttributesW(dest) == INVALID_FILE_ATTRIBUTES) {
    wchar_t text[400];
    _snwprintf(text, 400, L"The Folder '%ls' does not exist.\nDo you want to create it?", dest);
    text[399] = 0;
    if (!g_SfxSettings.OverwriteWithoutAsking && Box(text, kCaption, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
      DetachArchive();
      CloseHandle(file);
      return r;
    }
    if (!CreateFolderPath(dest)) {
      Box(L"Cannot create a folder.\nThis archive forbids writing.", kCaption, MB_ICONERROR);
      DetachArchive();
      CloseHandle(file);
      r.ExitCode = 1;
      return r;
    }
  }
  SfxExtraction run;
  run.Destination = dest;
  run.OverwriteWithoutAsking = g_SfxSettings.OverwriteWithoutAsking != 0;
  run.ListForDeletion = g_SfxSettings.DeleteAfterRun && g_SfxSettings.Command[0];
  SfxWorkerCallbacks cb = {nullptr, BoxReplace, nullptr, BoxMessage, nullptr};
  int worker = ExtractEntries(&run, cb);
  DetachArchive();
  CloseHandle(file);
  if (g_Sfx.ExtractAbortCode != ABORT_NONE || worker != 0) {
    r.Result = 0;
    r.ExitCode = 1;
    return r;
  }
  // A broken tree is never handed to the installer.
  if (run.Failed > 0) {
    r.ExitCode = 2;
    return r;
  }
  if (g_SfxSettings.Command[0]) {
    RunAfterExtract(g_SfxSettings.Command, dest, g_SfxSettings.DeleteAfterRun != 0);
    if (g_SfxSettings.DeleteAfterRun) {
      LeaveFolder();
      for (const std::wstring& p : run.DeleteList) {
        SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(p.c_str());
      }
      if (temporary) {
        DeleteFolderTree(dest);
        RemoveDirectoryW(dest);
      }
    }
  } else if (g_SfxSettings.OpenFolderAfterwards) {
    MessageBeep(MB_ICONASTERISK);
    ShellExecuteW(nullptr, L"open", dest, nullptr, nullptr, SW_SHOWDEFAULT);
  }
  r.ExitCode = 0;
  return r;
}
