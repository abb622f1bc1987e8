// The tests' side of the built library: files beside the test program, the
// peer process (hook_peer.cpp) and the library's shared section.
#pragma once
#include "hooklib/vnhook.h"
#include <string>

inline std::wstring BuildFolderFile(const wchar_t* name)
{
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(NULL, path, MAX_PATH);
  std::wstring s(path, n);
  return s.substr(0, s.rfind(L'\\') + 1) + name;
}

// One run of hook_peer.exe; ended when it is still running at the end.
struct Peer {
  PROCESS_INFORMATION pi = {};

  bool Start(const std::wstring& args)
  {
    std::wstring cmd = L"\"" + BuildFolderFile(L"hook_peer.exe") + L"\" " + args;
    STARTUPINFOW si = {sizeof(si)};
    if (!CreateProcessW(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
      return false;
    // Wine keeps what a thread owns (its hooks) while a handle to it is open.
    CloseHandle(pi.hThread);
    pi.hThread = NULL;
    return true;
  }
  // The exit code, or STILL_ACTIVE when it has not ended in time.
  DWORD Wait(DWORD ms)
  {
    DWORD code = STILL_ACTIVE;
    if (pi.hProcess && WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0)
      GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
  ~Peer()
  {
    if (!pi.hProcess)
      return;
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT)
      TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hProcess);
  }
};

// The library's one shared section, as mapped in this process (found by its
// flag: a long section name is not in the mapped headers).
inline SharedHookData* SharedSectionOf(HMODULE module)
{
  if (!module)
    return nullptr;
  BYTE* base = (BYTE*)module;
  IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
  IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; i++, section++)
    if ((section->Characteristics & IMAGE_SCN_MEM_SHARED) &&
        section->Misc.VirtualSize >= sizeof(SharedHookData))
      return (SharedHookData*)(base + section->VirtualAddress);
  return nullptr;
}
