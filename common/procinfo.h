// Other programs' processes and windows, as the launcher and the
// administrator helper both look at them.
#pragma once
#include <windows.h>

// Full image path of process pid into out (chars characters, always
// terminated); 0 when the process cannot be opened or the path does not fit.
// A PROCESS_QUERY_LIMITED_INFORMATION handle is all it needs, so elevated
// processes answer too.
int QueryProcessImagePath(DWORD pid, wchar_t* out, DWORD chars);

// Brings window to the foreground by joining the input of the thread in
// front for the moment of the switch. The result of SetForegroundWindow.
int SwitchForegroundWindow(HWND window);
