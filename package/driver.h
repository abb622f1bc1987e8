// The package run: its own file or a named archive, the header's settings,
// the payload check, the destination, the extraction and then the command
// with its clean-up.
#pragma once
#include <windows.h>

#include "package/sfxheader.h"

extern SfxPayloadHeader g_SfxSettings;

// The destination as the user or the header gave it, made absolute against
// folder (the archive's, ending in '\'): 1 with out ending in '\', 0 when it
// holds characters no folder name may have or climbs above a root.
int NormaliseDestination(const wchar_t* destination, const wchar_t* folder, wchar_t* out, size_t units);

// CRC-32 of everything from start to the end of the file.
uint32_t PayloadCrc(HANDLE file, int64_t start);

struct SfxRunResult {
  int Result;    // 1 extracted to the end, 0 refused or nothing done, -1 own file unreadable
  int ExitCode;  // nonzero: the process ends with it (1 error, 2 entries failed)
};
// archive: empty in package mode. destination: from the command line, may be empty.
SfxRunResult RunSfx(const wchar_t* archive, const wchar_t* destination);

// Runs command (relative to folder, which ends in '\'); with wait, until it
// and any installer window it opened are gone. Nonzero when it started.
int RunAfterExtract(const wchar_t* command, const wchar_t* folder, bool wait);
// An installer's window (MSI, InstallShield, or titled "Setup"): className
// receives the class that matched (empty for the title), title "Setup" when
// the title matched; both at least 64 units.
HWND FindInstallerWindow(wchar_t* className, wchar_t* title);
