// The launcher's start switches as the installer offers them: read from an
// option string into the fields of the start options dialog, and written
// back from them.
#pragma once
#include <windows.h>

enum StartShow { SHOW_DEFAULT = 0, SHOW_AROUND_CURSOR = 1, SHOW_AT_POSITION = 2 };

struct StartOptions {
  BOOL PageOn;
  int Page;
  BOOL ButtonsOn;
  int Columns, Rows;
  BOOL Pinned;
  int Show;  // StartShow
  int X, Y;
  BOOL NonResident;
  BOOL DelayOn;
  int Delay;
};

const int kStartOptionChars = 260;

// Every switch is looked for anywhere, ignoring case; out-of-range numbers
// take the dialog's defaults (page 1, 7 x 3 buttons, delay 1000 ms).
void ParseStartOptions(const wchar_t* text, StartOptions* out);
// The option string, each part with its leading blank, into out
// (kStartOptionChars); parts whose numbers are out of range are left out.
void BuildStartOptions(const StartOptions& options, wchar_t* out);
