// Processes whose window was asked to close and which must end: one that
// still runs about a second later is ended. A watch thread looks every
// 200 ms while there is anything to watch.
#pragma once
#include <windows.h>

// 1 when the process is watched (already, or from now on); 0 when it cannot
// be opened. The first request's time counts for a process asked twice.
int WatchProcessToEnd(DWORD pid);
// Ends the watch thread and waits for it, then lets go of the processes
// still watched without ending them.
void StopProcessEndWatch();
