// The helper's request service: every 100 ms it takes what the de-elevated
// launcher queued in the hook library's ring and carries it out with its
// own rights. Any process that maps the library can write that ring, so
// every request is checked before anything is done.
#pragma once
#include <windows.h>

const UINT_PTR kRequestTimerId = 1;
const UINT kRequestTimerMs = 100;

// What a window request's handle stands for, as the checks see it.
struct RequestTarget {
  int IsWindow;
  int TopLevel;
  DWORD ProcessId;
  int SessionKnown;
  DWORD SessionId;
};

enum RequestVerdict {
  REQUEST_OK = 0,
  REQUEST_UNKNOWN_KIND,
  REQUEST_BAD_ARGUMENT,     // hook switch other than 0/1, window op out of 0..9
  REQUEST_BAD_PRIORITY,     // realtime, or no priority class at all
  REQUEST_NOT_A_WINDOW,
  REQUEST_NOT_TOP_LEVEL,
  REQUEST_OWN_PROCESS,      // a window of the helper itself
  REQUEST_OTHER_SESSION,    // or of a session we cannot tell
};

// Whether the helper may carry out request (kind, a, b); target describes
// a's window for kind 4 (may be NULL for the others).
RequestVerdict CheckAdminRequest(int kind, INT_PTR a, INT_PTR b, const RequestTarget* target, DWORD selfPid,
                                 DWORD selfSession);
void DescribeRequestTarget(HWND window, RequestTarget* out);

// Checks and carries out one request; the verdict.
RequestVerdict CarryOutAdminRequest(int kind, INT_PTR a, INT_PTR b);
// Timer 1 of the admin window: ends the helper when the launcher's window
// is gone, else serves the ring.
void CALLBACK AdminRequestTimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);

// The hooks, installed with the admin window as their target. Installing
// reports a failure to the launcher (WMA_ADMINERROR 3); removing gives up
// after 3 s.
BOOL SetAdminMouseHook(BOOL on);
BOOL SetAdminKeyboardHook(BOOL on);

void DoAdminWindowOp(HWND window, int op);
BOOL ForceForegroundWindow(HWND window, BOOL restoreIfIconic);
// Posts WM_CLOSE; with end, the window's process is ended when it still
// runs a second later.
BOOL CloseWindowAndWatch(HWND window, BOOL end);
