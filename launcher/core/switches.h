// The launcher's command line: switches, what a first instance applies at
// start and what a second instance forwards. Pure functions of the text.
#pragma once
#include <windows.h>

// Show-mode placements and flags.
enum : int {
  SHOW_AT_CURSOR = 1,        // centred on the cursor
  SHOW_CORNER_AT_CURSOR = 2, // body's top-left at the cursor
  SHOW_CENTRED = 3,          // centred on the primary monitor
  SHOW_AT_POINT = 4,         // body's top-left at a given point
  SHOW_LAST_POSITION = 5,    // where it was, kept inside its monitor
  SHOW_AUTOHIDE = 0x100,
  SHOW_FROM_OUTSIDE = 0x200,
};

const int kKeepCurrentPage = 0xFFFF;

// What the command line holds. Numbers are read as the switch gives them;
// the fields that decide nothing by themselves keep the raw value.
struct StartOptions {
  int Delay;            // /d ms
  int RebuildIcons;     // /r
  int AtMouse;          // /m
  int HasX;             // /s: x read
  int HasPoint;         // /s x:y (colon present)
  int X, Y;
  int HasPage;          // /p
  int Page;             // number after /p (1-based as typed)
  int Pin;              // /l
  int AutoHide;         // /a
  int NoHooks;          // /n
  int HooksOff;         // /nh
  int VnAdmin;          // /vnadmin
  int HasButtons;       // /b c:r with both in 1..100
  int Columns, Rows;
};

// Position just after the first occurrence of sw (case-insensitive) that is
// not followed by an ASCII letter; NULL when there is none. Occurrences that
// are followed by a letter are skipped, so "/nh /n" still finds "/n".
const wchar_t* FindSwitch(const wchar_t* cmdline, const wchar_t* sw);
void ParseStartOptions(const wchar_t* cmdline, StartOptions* out);

// The two messages a second instance sends to the running one.
struct ForwardRequest {
  int PinFirst;         // WM_COMMAND 40005 goes out first
  WPARAM ShowWParam;    // WMA_SHOWLAUNCHER: page << 16 | show mode
  LPARAM ShowLParam;    // y << 16 | x, each cut to 16 bits
};
void BuildForwardRequest(const StartOptions* opts, ForwardRequest* out);

// How a first instance shows itself at start. dispPosition is the
// DispPosition setting (bit 0: the body's corner goes to the cursor).
struct StartShow {
  int Show;             // a show switch was given
  int Mode;
  int X, Y;
  int Page;             // page index to select, or -1
};
void BuildStartShow(const StartOptions* opts, DWORD dispPosition, StartShow* out);
