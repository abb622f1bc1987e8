// A settings file's worth of button sections for the INI writer: the test
// that it writes them whole and the benchmark that times it write the same.
#pragma once
#include "store/ini.h"

// count sections of 20 keys each; 1 when every write succeeded.
inline int WriteSampleButtons(IniFile* f, int count) {
  int ok = 1;
  for (int i = 0; i < count; i++) {
    ok &= WriteIniSection(f, L"Btn%03u", i % 1000);
    ok &= WriteIniHex(f, L"Type", 2, -1);
    ok &= WriteIniString(f, L"Name", L"Notepad [main]", -1);
    ok &= WriteIniString(f, L"File", L"C:\\Windows\\System32\\notepad.exe", -1);
    ok &= WriteIniString(f, L"Parameter", L"", -1);
    ok &= WriteIniString(f, L"Directory", L"C:\\Users\\someone\\Documents", -1);
    ok &= WriteIniInt(f, L"WindowStat", 1, -1);
    ok &= WriteIniHex(f, L"Flag", 0x800000, -1);
    ok &= WriteIniString(f, L"Tip", L"Edit text files", -1);
    ok &= WriteIniHex16(f, L"Keyboard", 0x241, -1);
    ok &= WriteIniList(f, L"ViewMode%dPos", i % 7, i / 7, 1);
    ok &= WriteIniList(f, L"ViewMode%dPos", i % 7, i / 7, 2);
    ok &= WriteIniString(f, L"IconFile", L"C:\\Windows\\System32\\shell32.dll", -1);
    ok &= WriteIniInt(f, L"IconIndex", 12, -1);
    ok &= WriteIniInt(f, L"ChainBoot", 1, -1);
    ok &= WriteIniHex(f, L"Chain%03u", 0x10002, 0);
    ok &= WriteIniInt(f, L"Chain%03uDelay", 500, 0);
    ok &= WriteIniString(f, L"TargetProgram", L"notepad.exe", -1);
    ok &= WriteIniInt(f, L"TargetWindowCount", 1, -1);
    ok &= WriteIniString(f, L"TargetWindowTitle%03u", L"Untitled - Notepad", 0);
    ok &= WriteIniString(f, L"TargetWindowClass%03u", L"Notepad", 0);
  }
  return ok;
}
