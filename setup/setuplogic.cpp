#include "setup/setuplogic.h"

#include <stdio.h>
#include <wchar.h>

static int IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

int CheckInstallFolder(const wchar_t* folder, const wchar_t* setupFolder) {
  if (setupFolder[0] && !_wcsicmp(folder, setupFolder)) return FOLDER_SETUP;
  size_t n = wcslen(folder);
  if (!wcscmp(folder, L"\\") || (n == 3 && IsDriveLetter(folder[0]) && folder[1] == L':' && folder[2] == L'\\'))
    return FOLDER_ROOT;
  if (n < 4 || !IsDriveLetter(folder[0]) || folder[1] != L':' || folder[2] != L'\\') return FOLDER_NOT_FULL;
  // Each level must be a real name: no empty, "." or ".." segment, no
  // character a folder name cannot hold.
  const wchar_t* seg = folder + 3;
  for (const wchar_t* p = seg;; ++p) {
    if (*p == L'\\' || !*p) {
      size_t len = (size_t)(p - seg);
      if (*p || len) {
        if (!len || (len == 1 && seg[0] == L'.') || (len == 2 && seg[0] == L'.' && seg[1] == L'.'))
          return FOLDER_NOT_FULL;
      }
      if (!*p) break;
      seg = p + 1;
    } else if (wcschr(L"/:*?\"<>|", *p) || *p < 32) {
      return FOLDER_NOT_FULL;
    }
  }
  return FOLDER_OK;
}

BOOL ParseUninstallString(const wchar_t* text, wchar_t* folder) {
  const wchar_t* start = text;
  const wchar_t* end;
  if (*start == L'"') {
    ++start;
    end = wcschr(start, L'"');
  } else {
    end = wcschr(start, L' ');
  }
  if (!end) return FALSE;
  const wchar_t* slash = nullptr;
  for (const wchar_t* p = start; p < end; ++p)
    if (*p == L'\\') slash = p;
  if (!slash || (size_t)(slash + 1 - start) >= MAX_PATH) return FALSE;
  size_t len = (size_t)(slash + 1 - start);
  wmemcpy(folder, start, len);
  folder[len] = 0;
  return TRUE;
}

int ParseSetupCommand(const wchar_t* cmdline, wchar_t* library) {
  library[0] = 0;
  while (*cmdline == L' ' || *cmdline == L'\t') ++cmdline;
  if (cmdline[0] == L'/' && (cmdline[1] == L'r' || cmdline[1] == L'R')) return SETUP_ASK_REMOVE;
  if (cmdline[0] != L'/' || cmdline[1] != L'x') return SETUP_WIZARD;
  const wchar_t* next = wcschr(cmdline + 2, L'/');
  if (next) {
    ++next;
    while (*next == L' ') ++next;
    size_t len = wcslen(next);
    while (len && (next[len - 1] == L' ' || next[len - 1] == L'"')) --len;
    if (*next == L'"') ++next, --len;
    if (len && len < MAX_PATH) {
      wmemcpy(library, next, len);
      library[len] = 0;
    }
  }
  return SETUP_REMOVE;
}

void FormatDisplayVersion(DWORD ms, DWORD ls, wchar_t* out) {
  swprintf(out, 16, L"%u.%u%u", (unsigned)HIWORD(ms), (unsigned)LOWORD(ms), (unsigned)HIWORD(ls));
}

LANGID ParseLanguageListId(const wchar_t* text) {
  while (*text == L' ' || *text == L'\t') ++text;
  if (text[0] == L'0' && (text[1] | 0x20) == L'x') text += 2;
  unsigned v = 0;
  int digits = 0;
  for (;; ++text, ++digits) {
    wchar_t c = *text;
    int d = c >= L'0' && c <= L'9' ? c - L'0' : (c | 0x20) >= L'a' && (c | 0x20) <= L'f' ? (c | 0x20) - L'a' + 10 : -1;
    if (d < 0 || v > 0xFFFF) break;
    v = v * 16 + (unsigned)d;
  }
  return digits && v <= 0xFFFF ? (LANGID)v : 0;
}

int AcceptSetupLanguageVersion(const wchar_t* t) {
  if (wcslen(t) != 4 || t[1] != L'.') return 0;
  static const int kDigits[] = {0, 2, 3};
  for (int i : kDigits)
    if (t[i] < L'0' || t[i] > L'9') return 0;
  unsigned packed = (unsigned)(t[0] - L'0') << 24 | (unsigned)(t[2] - L'0') << 16 | (unsigned)(t[3] - L'0') << 8;
  return packed >= 0x04020000;
}
