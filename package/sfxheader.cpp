#include "package/sfxheader.h"

#include <shlobj.h>
#include <wchar.h>

#include <string.h>

void ClearSfxSettings(SfxPayloadHeader* s) {
  memset(s, 0, sizeof *s);
  s->OpenFolderAfterwards = 1;
}

static int Terminated(const wchar_t* text, size_t units) { return wmemchr(text, L'\0', units) != nullptr; }

int ReadSfxHeader(const uint8_t* bytes, size_t length, SfxPayloadHeader* out) {
  if (length < (size_t)kSfxHeaderBytes) return 0;
  if (memcmp(bytes, "MOBRAL", 6) != 0 || bytes[7] != 'U') return 0;
  SfxPayloadHeader h;
  memcpy(&h, bytes, sizeof h);
  // A field without its terminator would be read past its end.
  if (!Terminated(h.Destination, kSfxDestinationUnits) || !Terminated(h.Command, kSfxCommandUnits) ||
      !Terminated(h.QuestionCaption, kSfxCaptionUnits) || !Terminated(h.QuestionText, kSfxQuestionUnits))
    return 0;
  if (h.Command[0] == 0) {
    h.DeleteAfterRun = 0;
    h.Kind = '3';
  }
  *out = h;
  return 1;
}

void TakeHeaderSettings(SfxPayloadHeader* settings, const SfxPayloadHeader& header) {
  memcpy(settings->Command, header.Command, sizeof header.Command);
  settings->OverwriteWithoutAsking = header.OverwriteWithoutAsking;
  settings->OpenFolderAfterwards = header.OpenFolderAfterwards;
  settings->DeleteAfterRun = header.DeleteAfterRun;
  settings->SkipConfirmation = header.SkipConfirmation;
  settings->PayloadCrc = header.PayloadCrc;
  memcpy(settings->QuestionCaption, header.QuestionCaption, sizeof header.QuestionCaption);
  memcpy(settings->QuestionText, header.QuestionText, sizeof header.QuestionText);
  if (header.Kind == '6') settings->Kind = '6';
}

static uint32_t Le32(const uint8_t* p) {
  return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
static uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }

uint32_t FindPayloadOffset(const uint8_t* image, size_t length) {
  if (length > 4096) length = 4096;
  if (length < 512 || image[0] != 'M' || image[1] != 'Z') return 0;
  uint32_t pe = Le32(image + 60);
  if (pe == 0 || pe >= length - 328 || memcmp(image + pe, "PE\0\0", 4) != 0) return 0;
  uint32_t sections = Le16(image + pe + 6);
  uint64_t at = (uint64_t)pe + 24 + Le16(image + pe + 20);
  if (sections == 0) return 0;
  uint32_t counted = 1;
  while (counted < sections && at + 40 < length) {
    if (Le32(image + at + 36) & 0x40000040) counted++;
    at += 40;
  }
  if (counted != sections || at + 40 > length) return 0;
  uint64_t end = (uint64_t)Le32(image + at + 20) + Le32(image + at + 16);
  return end > 0xFFFFFFFFu ? 0 : (uint32_t)end;
}

static void TrimTrailingBlanks(wchar_t* s) {
  size_t n = wcslen(s);
  while (n > 0 && s[n - 1] == L' ') s[--n] = 0;
}

// Copies text[0..count) into out when it fits (with its terminator).
static int CopyPart(const wchar_t* text, size_t count, wchar_t* out, size_t units) {
  if (count >= units) return 0;
  wmemcpy(out, text, count);
  out[count] = 0;
  return 1;
}

int ScanSfxCommandLine(const wchar_t* line, SfxPayloadHeader* settings, wchar_t* archive, size_t archiveUnits,
                       wchar_t* destination, size_t destinationUnits) {
  archive[0] = 0;
  destination[0] = 0;
  size_t length = wcslen(line);
  if (length >= (size_t)kSfxCommandLineUnits) return 0;
  wchar_t work[kSfxCommandLineUnits];
  wmemcpy(work, line, length + 1);
  bool anySwitch = false, command = false;
  size_t lastSwitchEnd = 0;
  for (size_t i = 0; i < length; i++) {
    if (work[i] != L'/' || i + 1 >= length) continue;
    wchar_t c = (wchar_t)towupper(work[i + 1]);
    if (c == L'E') {
      if (work[i + 2] != L':') continue;
      size_t start = i + 3, end;
      if (work[start] == L'"') {
        const wchar_t* close = wcschr(work + start + 1, L'"');
        end = close ? (size_t)(close - work) : length;
        if (!CopyPart(work + start + 1, end - start - 1, settings->Command, kSfxCommandUnits)) return 0;
        work[start] = L' ';
        if (close) work[end++] = L' ';
      } else {
        end = start;
        while (end < length && work[end] != L' ') end++;
        if (!CopyPart(work + start, end - start, settings->Command, kSfxCommandUnits)) return 0;
      }
      command = settings->Command[0] != 0;
      anySwitch = true;
      lastSwitchEnd = end;
      i = end > 0 ? end - 1 : 0;
      continue;
    }
    if (c == L'D') settings->DeleteAfterRun = 1;
    else if (c == L'H') settings->SkipConfirmation = 1;
    else if (c == L'N') settings->OpenFolderAfterwards = 0;
    else if (c == L'O') settings->OverwriteWithoutAsking = 1;
    else continue;
    anySwitch = true;
    lastSwitchEnd = i + 2;
    i++;
  }
  if (!command) settings->DeleteAfterRun = 0;

  const wchar_t* open = wcschr(work, L'"');
  if (open) {
    const wchar_t* close = wcschr(open + 1, L'"');
    size_t n = close ? (size_t)(close - open - 1) : wcslen(open + 1);
    if (!CopyPart(open + 1, n, archive, archiveUnits)) return 0;
    if (close && close[1] == L' ') {
      const wchar_t* next = wcschr(close + 1, L'"');
      const wchar_t* nextClose = next ? wcschr(next + 1, L'"') : nullptr;
      if (nextClose && !CopyPart(next + 1, (size_t)(nextClose - next - 1), destination, destinationUnits)) return 0;
    }
  } else if (!anySwitch) {
    const wchar_t* p = work;
    while (*p == L' ') p++;
    if (!CopyPart(p, wcslen(p), archive, archiveUnits)) return 0;
  } else {
    const wchar_t* p = work + lastSwitchEnd;
    while (*p == L' ') p++;
    if (*p) {
      if (!CopyPart(p, wcslen(p), archive, archiveUnits)) return 0;
    } else {
      const wchar_t* slash = wcschr(work, L'/');
      if (!CopyPart(work, (size_t)(slash - work), archive, archiveUnits)) return 0;
    }
  }
  TrimTrailingBlanks(archive);
  return 1;
}

static int SpecialFolder(int csidl, wchar_t* out) {
  PIDLIST_ABSOLUTE list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list) return 0;
  BOOL ok = SHGetPathFromIDListW(list, out);
  CoTaskMemFree(list);
  return ok ? 1 : 0;
}

static int SystemFolderValue(const wchar_t* name, wchar_t* out) {
  out[0] = 0;
  switch (name[0]) {
    case L'D':
      return wcscmp(name, L"Desktop") == 0 && SpecialFolder(CSIDL_DESKTOPDIRECTORY, out);
    case L'M':
      return wcscmp(name, L"MyDocuments") == 0 && SpecialFolder(CSIDL_PERSONAL, out);
    case L'P':
      return wcscmp(name, L"ProgramFiles") == 0 && SpecialFolder(CSIDL_PROGRAM_FILES, out);
    case L'S':
      return wcscmp(name, L"SystemDir") == 0 && GetSystemDirectoryW(out, 256) > 0;
    case L'W':
      return wcscmp(name, L"WinDir") == 0 && GetWindowsDirectoryW(out, 256) > 0;
    case L't':
      return wcscmp(name, L"temp") == 0 && GetTempPathW(256, out) > 0;
  }
  return 0;
}

SfxFolderLookup g_SfxFolders = {SystemFolderValue};

bool ExpandFolderTemplate(wchar_t* destination, const SfxPayloadHeader& header, const wchar_t* modulePath) {
  const wchar_t* t = header.Destination;
  if (t[0] == 0) return false;
  const wchar_t* second = t[0] == L'%' ? wcschr(t + 1, L'%') : nullptr;
  if (!second) {
    wcsncpy(destination, t, kSfxDestinationUnits - 1);
    destination[kSfxDestinationUnits - 1] = 0;
    return false;
  }
  wchar_t name[kSfxDestinationUnits];
  size_t n = (size_t)(second - t - 1);
  wmemcpy(name, t + 1, n);
  name[n] = 0;
  wchar_t value[MAX_PATH + 1] = L"";
  if (!g_SfxFolders.Value(name, value)) value[0] = 0;
  size_t v = wcslen(value);
  if (v > 0 && value[v - 1] == L'\\') value[--v] = 0;
  if (wcscmp(t, L"%temp%") == 0 && header.DeleteAfterRun && header.Command[0]) {
    const wchar_t* file = wcsrchr(modulePath, L'\\');
    file = file ? file + 1 : modulePath;
    _snwprintf(destination, kSfxDestinationUnits, L"%ls\\~%ls", value, file);
    destination[kSfxDestinationUnits - 1] = 0;
    return true;
  }
  _snwprintf(destination, kSfxDestinationUnits, L"%ls%ls", value, second + 1);
  destination[kSfxDestinationUnits - 1] = 0;
  return false;
}

// AUX, CON, NUL, PRN, COMn and LPTn, with or without an extension.
static bool IsDeviceName(const wchar_t* part, size_t n) {
  size_t base = 0;
  while (base < n && part[base] != L'.') base++;
  while (base > 0 && part[base - 1] == L' ') base--;
  wchar_t up[4];
  if (base != 3 && base != 4) return false;
  for (size_t i = 0; i < 3; i++) up[i] = (wchar_t)towupper(part[i]);
  up[3] = 0;
  if (base == 3) return !wcscmp(up, L"AUX") || !wcscmp(up, L"CON") || !wcscmp(up, L"NUL") || !wcscmp(up, L"PRN");
  return (!wcscmp(up, L"COM") || !wcscmp(up, L"LPT")) && part[3] >= L'0' && part[3] <= L'9';
}

static wchar_t CleanChar(wchar_t c) {
  if (c < 0x20 || c == 0x2060 || wcschr(L"\"*:<>?|", c)) return L'_';
  return c;
}

int SanitiseEntryName(wchar_t* name, size_t capacity) {
  size_t length = wcslen(name);
  if (length == 0 || length >= 520 || length >= capacity) return 0;
  for (size_t i = 0; i < length; i++)
    if (name[i] == L'/') name[i] = L'\\';
  bool folder = name[length - 1] == L'\\';
  wchar_t out[520];
  size_t o = 0;
  size_t i = 0;
  while (i < length) {
    while (i < length && name[i] == L'\\') i++;
    size_t start = i;
    while (i < length && name[i] != L'\\') i++;
    size_t end = i;
    // No component begins with a blank or ends in a dot or a blank: Windows
    // drops those, and ".." would then climb out of the destination.
    while (start < end && name[start] == L' ') start++;
    while (end > start && (name[end - 1] == L'.' || name[end - 1] == L' ')) end--;
    if (end == start) continue;
    if (o > 0) out[o++] = L'\\';
    size_t first = o;
    for (size_t k = start; k < end; k++) out[o++] = CleanChar(name[k]);
    if (IsDeviceName(out + first, o - first)) out[first] = L'_';
  }
  if (o == 0) return 0;
  if (folder) out[o++] = L'\\';
  out[o] = 0;
  wmemcpy(name, out, o + 1);
  return 1;
}

int IsBelowFolder(const wchar_t* folder, const wchar_t* relative) {
  // Room for a destination and the longest entry name.
  wchar_t joined[1100], full[1100], base[1100];
  if (_snwprintf(joined, sizeof joined / sizeof *joined, L"%ls%ls", folder, relative) < 0) return 0;
  DWORD n = GetFullPathNameW(joined, sizeof full / sizeof *full, full, nullptr);
  DWORD b = GetFullPathNameW(folder, sizeof base / sizeof *base, base, nullptr);
  if (n == 0 || b == 0 || n >= sizeof full / sizeof *full || b >= sizeof base / sizeof *base) return 0;
  if (b == 0 || base[b - 1] != L'\\') return 0;
  return n > b && _wcsnicmp(full, base, b) == 0;
}
