#include "store/paths.h"

#include <lm.h>
#include <shlwapi.h>
#include <string.h>
#include <wchar.h>

#include "state.h"

static const DWORD kFixedInfoSignature = 0xFEEF04BD;

// Zero-filled block for chars characters plus the terminator.
static wchar_t* AllocText(size_t chars) {
  if (chars >= ((size_t)-1) / sizeof(wchar_t) - 1) return nullptr;
  return (wchar_t*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (chars + 1) * sizeof(wchar_t));
}

static wchar_t* CopyText(const wchar_t* text, size_t chars) {
  wchar_t* copy = AllocText(chars);
  if (copy) memcpy(copy, text, chars * sizeof(wchar_t));
  return copy;
}

static wchar_t UpperChar(wchar_t c) {
  return (wchar_t)(ULONG_PTR)CharUpperW((LPWSTR)(ULONG_PTR)c);
}

static int StartsWith(const wchar_t* text, const wchar_t* prefix) {
  return wcsncmp(text, prefix, wcslen(prefix)) == 0;
}

// Length of the program folder with its trailing backslash; 0 when unknown.
static size_t ProgramFolderLength(const wchar_t* program) {
  const wchar_t* slash = wcsrchr(program, L'\\');
  return slash ? (size_t)(slash - program) + 1 : 0;
}

// Hands a conversion result to the caller: a new block in out, or copied
// over path when it fits in pathChars. Takes ownership of result.
static int DeliverPath(wchar_t* result, size_t resultLen, wchar_t* path, wchar_t** out,
                       size_t pathChars) {
  if (!result) return 0;
  int ok = 0;
  if (out) {
    *out = CopyText(result, resultLen);
    ok = *out != nullptr;
  } else if (resultLen < pathChars) {
    memcpy(path, result, (resultLen + 1) * sizeof(wchar_t));
    ok = 1;
  }
  HeapFree(GetProcessHeap(), 0, result);
  return ok;
}

DWORD GetModuleVersion(HMODULE module) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_VERSION);
  if (!found) return 0;
  DWORD size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  const BYTE* data = loaded ? (const BYTE*)LockResource(loaded) : nullptr;
  if (!data || size < sizeof(VS_FIXEDFILEINFO)) return 0;
  // The fixed information must lie wholly inside the resource.
  for (DWORD at = 0; at <= size - sizeof(VS_FIXEDFILEINFO); at += 4) {
    VS_FIXEDFILEINFO info;
    memcpy(&info, data + at, sizeof info);
    if (info.dwSignature != kFixedInfoSignature) continue;
    DWORD major = HIWORD(info.dwProductVersionMS), minor = LOWORD(info.dwProductVersionMS);
    DWORD build = HIWORD(info.dwProductVersionLS), revision = LOWORD(info.dwProductVersionLS);
    return ((major * 256 + minor) * 256 + build) * 256 + revision;
  }
  return 0;
}

const wchar_t* GetProgramPath() {
  if (!g_App.ProgramPath[0]) {
    DWORD got = GetModuleFileNameW(nullptr, g_App.ProgramPath, MAX_PATH);
    if (got == 0 || got >= MAX_PATH) g_App.ProgramPath[0] = 0;
  }
  return g_App.ProgramPath;
}

int BuildProgramFilePath(const wchar_t* name, wchar_t* out, int chars) {
  const wchar_t* program = GetProgramPath();
  if (!program[0]) return 0;
  const wchar_t* slash = wcsrchr(program, L'\\');
  size_t folder = slash ? (size_t)(slash - program + 1) : 0;
  size_t n = wcslen(name);
  if (folder + n + 1 > (size_t)chars) return 0;
  wmemcpy(out, program, folder);
  wmemcpy(out + folder, name, n + 1);
  return 1;
}

int IsRootPath(const wchar_t* path) {
  if (!path) return 0;
  size_t len = wcslen(path);
  if (len == 1) return path[0] == L'\\';
  if (len != 2 && len != 3) return 0;
  wchar_t letter = path[0];
  if (!((letter >= L'A' && letter <= L'Z') || (letter >= L'a' && letter <= L'z'))) return 0;
  return path[1] == L':' && (len == 2 || path[2] == L'\\');
}

int IsExecutableExtension(const wchar_t* ext) {
  static const wchar_t* const kExtensions[] = {L".exe", L".com", L".pif", L".bat", L".cmd"};
  if (!ext) return 0;
  for (const wchar_t* known : kExtensions)
    if (!_wcsicmp(ext, known)) return 1;
  return 0;
}

int PathReachable(const wchar_t* path) {
  if (!path || !*path) return 0;
  if (PathIsUNCServerW(path)) {
    if (!path[2]) return 0;  // "\\" alone names no server
    SERVER_INFO_100* info = nullptr;
    if (NetServerGetInfo((LPWSTR)(path + 2), 100, (LPBYTE*)&info) != NERR_Success) return 0;
    NetApiBufferFree(info);
    return 1;
  }
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

wchar_t* QuotePath(const wchar_t* text) {
  if (!text) return nullptr;
  size_t len = wcslen(text);
  // A lone quote is not a quoted text.
  if (len >= 2 && text[0] == L'"' && text[len - 1] == L'"') return CopyText(text, len);
  wchar_t* quoted = AllocText(len + 2);
  if (!quoted) return nullptr;
  quoted[0] = L'"';
  memcpy(quoted + 1, text, len * sizeof(wchar_t));
  quoted[len + 1] = L'"';
  return quoted;
}

wchar_t* GetParentFolder(const wchar_t* path) {
  if (!path || !*path || IsRootPath(path)) return nullptr;
  wchar_t* parent = CopyText(path, wcslen(path));
  if (!parent) return nullptr;
  PathRemoveFileSpecW(parent);
  if (!wcscmp(parent, L"\\\\")) {  // a UNC server has no parent
    HeapFree(GetProcessHeap(), 0, parent);
    return nullptr;
  }
  return parent;
}

wchar_t* ExpandEnvPath(const wchar_t* text) {
  if (!text) return AllocText(0);
  HANDLE heap = GetProcessHeap();
  DWORD size = 260;
  wchar_t* buffer = AllocText(size);
  while (buffer) {
    DWORD needed = ExpandEnvironmentStringsW(text, buffer, size);
    if (!needed) break;
    if (needed <= size) {
      if (needed < size) {
        void* smaller = HeapReAlloc(heap, HEAP_ZERO_MEMORY, buffer, (needed + 1) * sizeof(wchar_t));
        if (smaller) buffer = (wchar_t*)smaller;
      }
      return buffer;
    }
    void* larger = HeapReAlloc(heap, HEAP_ZERO_MEMORY, buffer, (needed + 1) * sizeof(wchar_t));
    if (!larger) break;
    buffer = (wchar_t*)larger;
    size = needed + 1;
  }
  if (buffer) HeapFree(heap, 0, buffer);
  return nullptr;
}

// Removes the last folder level of folder[0..*len) (which ends in a
// backslash), never going above its root of rootLen characters.
static void RemoveFolderLevel(const wchar_t* folder, size_t* len, size_t rootLen) {
  if (*len <= rootLen) return;
  size_t at = *len - 1;
  while (at > rootLen && folder[at - 1] != L'\\') at--;
  *len = at;
}

int MakeAbsolutePath(wchar_t* path, wchar_t** out, size_t pathChars) {
  if (out) *out = nullptr;
  if (!path) return 0;
  size_t len = wcslen(path);
  if (!len || path[0] == L' ' || path[0] == L'%' || path[1] == L':' || PathIsUNCW(path) ||
      PathIsURLW(path))
    return 0;
  const wchar_t* program = GetProgramPath();
  size_t folderLen = ProgramFolderLength(program);
  if (!folderLen) return 0;
  const wchar_t* root = PathSkipRootW(program);
  size_t rootLen = root ? (size_t)(root - program) : 0;
  if (rootLen > folderLen) rootLen = folderLen;

  wchar_t* result = AllocText(len + 1025);
  if (!result) return 0;
  size_t resultLen = 0;
  const wchar_t* rest = path;
  if (StartsWith(path, L".\\") || StartsWith(path, L"..\\")) {
    resultLen = folderLen;
    memcpy(result, program, folderLen * sizeof(wchar_t));
    if (StartsWith(rest, L".\\")) rest += 2;
    while (StartsWith(rest, L"..\\")) {
      RemoveFolderLevel(result, &resultLen, rootLen);
      rest += 3;
    }
    if (!wcscmp(rest, L"..")) {
      RemoveFolderLevel(result, &resultLen, rootLen);
      if (resultLen > rootLen) resultLen--;  // drop the backslash, not a root's
      rest += 2;
    }
  } else if (path[0] == L'\\') {
    // On the program's own drive (or share).
    resultLen = rootLen;
    memcpy(result, program, rootLen * sizeof(wchar_t));
    if (resultLen && result[resultLen - 1] == L'\\') resultLen--;
  } else {
    resultLen = folderLen;
    memcpy(result, program, folderLen * sizeof(wchar_t));
  }
  size_t restLen = wcslen(rest);
  memcpy(result + resultLen, rest, restLen * sizeof(wchar_t));
  resultLen += restLen;
  result[resultLen] = 0;
  return DeliverPath(result, resultLen, path, out, pathChars);
}

int MakeRelativePath(wchar_t* path, wchar_t** out, size_t pathChars) {
  if (out) *out = nullptr;
  if (!path) return 0;
  size_t len = wcslen(path);
  if (len <= 2) return 0;
  const wchar_t* program = GetProgramPath();
  if (!program[0] || program[1] != L':' || program[2] != L'\\') return 0;
  if (UpperChar(path[0]) != UpperChar(program[0]) || path[1] != L':' || path[2] != L'\\')
    return 0;
  if (len == 3) return DeliverPath(CopyText(L"\\", 1), 1, path, out, pathChars);

  size_t folderLen = ProgramFolderLength(program);
  // Just after the last backslash both share, where the path also has a
  // backslash or ends.
  size_t common = 3, at = 3;
  for (; path[at] && program[at] && UpperChar(path[at]) == UpperChar(program[at]); at++)
    if (path[at] == L'\\') common = at + 1;
  if (!path[at] && program[at] == L'\\') common = at + 1;

  const wchar_t* rest = path + (common < len ? common : len);
  size_t restLen = wcslen(rest);
  wchar_t* result;
  size_t resultLen = 0;
  if (common >= folderLen) {
    if (common == len) return 0;  // the program folder with its backslash stays
    while (StartsWith(rest, L".\\")) rest += 2, restLen -= 2;
    if (!restLen) return DeliverPath(CopyText(L".", 1), 1, path, out, pathChars);
    result = CopyText(rest, restLen);
    resultLen = restLen;
  } else {
    size_t levels = 0;
    for (size_t i = common; i < folderLen; i++)
      if (program[i] == L'\\') levels++;
    result = AllocText(levels * 3 + restLen);
    if (!result) return 0;
    for (size_t i = 0; i < levels; i++) memcpy(result + 3 * i, L"..\\", 3 * sizeof(wchar_t));
    resultLen = levels * 3;
    memcpy(result + resultLen, rest, restLen * sizeof(wchar_t));
    resultLen += restLen;
    if (!restLen) resultLen--;  // an ancestor itself: no trailing backslash
    result[resultLen] = 0;
  }
  return DeliverPath(result, resultLen, path, out, pathChars);
}

int GrowWideBuffer(WideStringHolder* holder, size_t chars) {
  if (!holder || chars >= ((size_t)-1) / sizeof(wchar_t) - 1) return 0;
  HANDLE heap = GetProcessHeap();
  size_t bytes = (chars + 1) * sizeof(wchar_t);
  void* block = holder->Buffer ? HeapReAlloc(heap, HEAP_ZERO_MEMORY, holder->Buffer, bytes)
                               : HeapAlloc(heap, HEAP_ZERO_MEMORY, bytes);
  if (!block) return 0;
  holder->Buffer = (wchar_t*)block;
  holder->Chars = chars;
  holder->Buffer[chars] = 0;  // stays terminated when it shrank
  return 1;
}

wchar_t* ExpandFullPath(const wchar_t* text) {
  wchar_t* expanded = ExpandEnvPath(text);
  if (!expanded) return nullptr;
  wchar_t* absolute = nullptr;
  if (MakeAbsolutePath(expanded, &absolute) && absolute) {
    HeapFree(GetProcessHeap(), 0, expanded);
    return absolute;
  }
  return expanded;
}
