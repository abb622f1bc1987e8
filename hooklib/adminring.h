// The admin request ring: a de-elevated launcher queues requests that the
// elevated helper takes and carries out. Guarded across processes by the
// named mutex VANTREL_MUTEX_ADMINREQ (100 ms wait; a time-out does nothing).
#pragma once
#include "hooklib/vnhook.h"

// Whether a request is one the helper may carry out: a known kind with
// arguments in range. Anything else is refused or dropped.
bool IsValidAdminRequest(int kind, INT_PTR a, INT_PTR b);

// Queues a request; a full ring or an invalid request drops it. Returns the
// write index after the call.
int SetAdminRequest(SharedHookData* d, int kind, INT_PTR a, INT_PTR b);
// Takes the oldest valid request (invalid ones are removed on the way).
// TRUE = a request was taken; an empty ring sets the outputs to 0.
BOOL GetAdminRequest(SharedHookData* d, int* kind, INT_PTR* a, INT_PTR* b);
// Empties slot index (0..1023). TRUE when the mutex could be had.
BOOL ClearAdminRequest(SharedHookData* d, int index);

// This process's handle of the mutex (created or opened by name on first
// use), and its release when the library leaves the process.
HANDLE AdminMutexHandle();
void CloseAdminMutex();
