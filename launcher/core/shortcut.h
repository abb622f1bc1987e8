// Reading shortcut (.lnk) files. Safe on worker threads: the link is resolved
// with no window and no search, so a missing target never blocks.
#pragma once
#include <windows.h>

// What a shortcut holds; strings are process-heap blocks (null when absent).
struct ShortcutInfo {
  wchar_t* Target;
  wchar_t* IconLocation;
  int IconIndex;
  wchar_t* Arguments;
  wchar_t* WorkingDirectory;
  int ShowCmd;
  WORD HotKey;
  wchar_t* Comment;
};

// 1 when the shortcut could be read; out is filled (and must be freed) only then.
int ReadShortcut(const wchar_t* path, ShortcutInfo* out);
void FreeShortcutInfo(ShortcutInfo* info);
