// The About box: program icon, version line, credit and links; language
// libraries add their translator block.
#pragma once
#include <windows.h>

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ShowAboutDialog();

// "Vantrel 64-bit Version 4.2.2" from a packed version (major << 24 |
// minor << 16 | build << 8); the label follows the build's architecture.
int FormatAboutVersion(DWORD version, int is64, wchar_t* out, int chars);
// What a link opens: the text itself, or "mailto:" text "?subject=[Vantrel]";
// the address is cut at 1017 characters. Returns the length.
int BuildLinkTarget(const wchar_t* text, int mail, wchar_t* out, int chars);
const int kLinkTargetChars = 1024 + 24;
