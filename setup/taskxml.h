// The scheduled task that starts the administrator helper at logon, as the
// XML text given to SCHTASKS.
#pragma once
#include <windows.h>

const wchar_t kTaskName[] = L"Vantrel";

// The task for installFolder (with trailing backslash) + "VnAdmin.exe" and
// the start options, with the command and the options escaped for XML; a
// block of the process heap (HeapFree it), NULL when out of memory.
wchar_t* BuildLogonTaskXml(const wchar_t* installFolder, const wchar_t* options);

// The Arguments of the task's Exec action in a /Query /XML answer, with
// XML escapes undone, into out (260 characters); FALSE when the answer holds
// no Exec action (no such task).
BOOL ReadTaskXmlArguments(const wchar_t* xml, wchar_t* out);
