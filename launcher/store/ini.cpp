#include "store/ini.h"

#include <stdint.h>
#include <string.h>

#include "store/datafolder.h"

IniWriteFn g_IniWriteFile = WriteFile;

namespace {

const size_t kNameMax = 256;            // a section header: 255 characters with brackets
const DWORD kWriteChunk = 64 * 1024;    // bytes per WriteFile
const size_t kBufferChars = kWriteChunk / sizeof(wchar_t);
const DWORD kReadChunk = 1024 * 1024;
const LONGLONG kMaxFileSize = 1LL << 30;

inline bool IsUnescapedBracket(const wchar_t* p) { return p[0] == L'[' && p[1] != L'\\'; }

inline int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// Decimal digits of v, written backwards from end; returns the first digit.
wchar_t* FormatDecimal(wchar_t* end, UINT v) {
  do {
    *--end = static_cast<wchar_t>(L'0' + v % 10);
    v /= 10;
  } while (v);
  return end;
}

// Formats a name pattern whose conversions (%u, %d with optional zero flag
// and width) all take the one number; -1 leaves the pattern as it is.
// Returns the length, or -1 when it does not fit in cap - 1 characters.
int FormatIniName(wchar_t* out, size_t cap, const wchar_t* pattern, int number) {
  if (!pattern) return -1;
  size_t n = 0;
  auto put = [&](wchar_t c) {
    if (n + 1 >= cap) return false;
    out[n++] = c;
    return true;
  };
  for (const wchar_t* p = pattern; *p; p++) {
    if (number == -1 || *p != L'%') {
      if (!put(*p)) return -1;
      continue;
    }
    const wchar_t* spec = p++;
    if (*p == L'%') {
      if (!put(L'%')) return -1;
      continue;
    }
    bool zero = false;
    if (*p == L'0') {
      zero = true;
      p++;
    }
    size_t width = 0;
    while (*p >= L'0' && *p <= L'9' && width < 64) width = width * 10 + (*p++ - L'0');
    if (*p != L'u' && *p != L'd') {
      // Not a conversion this engine knows: keep the text.
      for (const wchar_t* q = spec; q <= p && *q; q++)
        if (!put(*q)) return -1;
      if (!*p) break;
      continue;
    }
    bool negative = *p == L'd' && number < 0;
    UINT magnitude = negative ? 0u - static_cast<UINT>(number) : static_cast<UINT>(number);
    wchar_t digits[16];
    wchar_t* first = FormatDecimal(digits + 16, magnitude);
    size_t len = static_cast<size_t>(digits + 16 - first) + (negative ? 1 : 0);
    if (negative && zero && !put(L'-')) return -1;
    for (size_t i = len; i < width; i++)
      if (!put(zero ? L'0' : L' ')) return -1;
    if (negative && !zero && !put(L'-')) return -1;
    for (; first < digits + 16; first++)
      if (!put(*first)) return -1;
  }
  out[n] = 0;
  return static_cast<int>(n);
}

// Start of the value of "key=" between section and the next section header,
// matching the key only at the start of a line.
const wchar_t* FindKeyValue(const wchar_t* section, const wchar_t* keyPattern, int number) {
  wchar_t key[kNameMax];
  int klen = FormatIniName(key, kNameMax, keyPattern, number);
  if (!section || klen <= 0) return nullptr;
  const wchar_t* p = section;
  for (;;) {
    if (!*p || IsUnescapedBracket(p)) return nullptr;
    if (*p == key[0] && !wcsncmp(p, key, klen) && p[klen] == L'=') return p + klen + 1;
    for (; *p != L'\r' && *p != L'\n'; p++)
      if (!*p || IsUnescapedBracket(p)) return nullptr;
    while (*p == L'\r' || *p == L'\n') p++;
  }
}

// Every element of the list lies inside the data and the list ends exactly
// on its two-byte zero terminator.
bool IsWellFormedIdList(const BYTE* data, size_t len) {
  size_t off = 0;
  for (;;) {
    if (len - off < 2) return false;
    size_t cb = data[off] | (data[off + 1] << 8);
    if (cb == 0) return off + 2 == len;
    if (cb < 2 || cb > len - off) return false;
    off += cb;
  }
}

HANDLE OpenForReading(const wchar_t* path) {
  // Delete sharing lets a writer's rename replace the file while we read the old one.
  return CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// ---- writer buffer -------------------------------------------------------------

bool Fail(IniFile* f) {
  if (f) f->Failed = 1;
  return false;
}

// "<path>.tmp" into out; false when it does not fit.
bool TmpPath(const IniFile* f, wchar_t* out, size_t cap) {
  size_t plen = wcslen(f->Path);
  if (plen + 5 > cap) return false;
  memcpy(out, f->Path, plen * sizeof(wchar_t));
  memcpy(out + plen, L".tmp", 5 * sizeof(wchar_t));
  return true;
}

// Writes the buffered text to the tmp file (made on first use) in chunks of
// at most kWriteChunk bytes and empties the buffer. Once the file has failed
// the text is dropped: it will never be committed.
bool SpillIniBuffer(IniFile* f) {
  if (f->Failed || !f->Len) {
    f->Len = 0;
    return !f->Failed;
  }
  if (f->Tmp == INVALID_HANDLE_VALUE) {
    wchar_t tmp[MAX_PATH + 16];
    if (TmpPath(f, tmp, ARRAYSIZE(tmp)))
      f->Tmp = CreateFileW(tmp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f->Tmp == INVALID_HANDLE_VALUE) return Fail(f);
  }
  const BYTE* p = reinterpret_cast<const BYTE*>(f->Buf);
  size_t left = f->Len * sizeof(wchar_t);
  f->Len = 0;
  while (left) {
    DWORD chunk = left < kWriteChunk ? static_cast<DWORD>(left) : kWriteChunk;
    DWORD put = 0;
    if (!g_IniWriteFile(f->Tmp, p, chunk, &put, nullptr) || put != chunk) return Fail(f);
    p += chunk;
    left -= chunk;
  }
  return true;
}

// Room for extra more characters: a full buffer goes to disk first, so the
// buffer stays small and warm however large the file grows.
bool Reserve(IniFile* f, size_t extra) {
  if (!f || !f->Buf) return Fail(f);
  if (extra <= f->Cap - f->Len) return true;
  if (!SpillIniBuffer(f)) return false;
  if (extra <= f->Cap) return true;
  // One value longer than the whole buffer.
  if (extra > (SIZE_MAX / sizeof(wchar_t)) / 2) return Fail(f);
  void* grown = HeapReAlloc(GetProcessHeap(), 0, f->Buf, extra * sizeof(wchar_t));
  if (!grown) return Fail(f);
  f->Buf = static_cast<wchar_t*>(grown);
  f->Cap = extra;
  return true;
}

inline void PutRaw(IniFile* f, const wchar_t* s, size_t n) {
  memcpy(f->Buf + f->Len, s, n * sizeof(wchar_t));
  f->Len += n;
}

// "name=" with the key formatted from its pattern; reserves room for the
// value of up to valueMax characters and the CR LF.
bool BeginKeyLine(IniFile* f, const wchar_t* keyPattern, int number, size_t valueMax) {
  wchar_t key[kNameMax];
  int klen = FormatIniName(key, kNameMax, keyPattern, number);
  if (klen <= 0) return Fail(f);
  if (valueMax > SIZE_MAX / 4 || !Reserve(f, klen + 1 + valueMax + 2)) return Fail(f);
  PutRaw(f, key, klen);
  f->Buf[f->Len++] = L'=';
  return true;
}

inline void EndLine(IniFile* f) {
  f->Buf[f->Len++] = L'\r';
  f->Buf[f->Len++] = L'\n';
}

// Text of a value; "[" doubled into "[\" when escaping, and CR, LF kept out
// of the file so a value can never start a line of its own.
int WriteValueLine(IniFile* f, const wchar_t* keyPattern, int number, const wchar_t* value, bool escape) {
  size_t n = value ? wcslen(value) : 0;
  size_t brackets = 0;
  if (escape)
    for (size_t i = 0; i < n; i++) brackets += value[i] == L'[';
  if (!BeginKeyLine(f, keyPattern, number, n + brackets)) return 0;
  wchar_t* out = f->Buf + f->Len;
  for (size_t i = 0; i < n; i++) {
    wchar_t c = value[i];
    if (c == L'\r' || c == L'\n') c = L' ';
    *out++ = c;
    if (escape && c == L'[') *out++ = L'\\';
  }
  f->Len = out - f->Buf;
  EndLine(f);
  return 1;
}

int WriteHexLine(IniFile* f, const wchar_t* keyPattern, int number, UINT value, int digits) {
  static const wchar_t kHex[] = L"0123456789abcdef";
  if (!BeginKeyLine(f, keyPattern, number, digits)) return 0;
  for (int i = digits - 1; i >= 0; i--) f->Buf[f->Len++] = kHex[(value >> (i * 4)) & 0xF];
  EndLine(f);
  return 1;
}

inline void PutInt(IniFile* f, int v) {
  wchar_t digits[16];
  wchar_t* first = FormatDecimal(digits + 16, v < 0 ? 0u - static_cast<UINT>(v) : static_cast<UINT>(v));
  if (v < 0) *--first = L'-';
  PutRaw(f, first, digits + 16 - first);
}

int WriteIdListLine(IniFile* f, const wchar_t* key, const ITEMIDLIST* list) {
  static const wchar_t kHex[] = L"0123456789abcdef";
  const BYTE* data = reinterpret_cast<const BYTE*>(list);
  size_t len = 0;
  while (USHORT cb = *reinterpret_cast<const USHORT*>(data + len)) len += cb;
  len += 2;
  if (!BeginKeyLine(f, key, -1, len * 2)) return 0;
  for (size_t i = 0; i < len; i++) {
    f->Buf[f->Len++] = kHex[data[i] >> 4];
    f->Buf[f->Len++] = kHex[data[i] & 0xF];
  }
  EndLine(f);
  return 1;
}

}  // namespace

// ---- readers ---------------------------------------------------------------------

int ReadSettingsFile(const wchar_t* path, wchar_t** buffer, UINT flags) {
  if (!buffer) return 0;
  *buffer = nullptr;
  wchar_t joined[MAX_PATH + 16];
  if (!path) {
    const wchar_t* folder = ResolveDataFolder();
    const wchar_t* name = (flags & 0x2) ? L"Design.ini" : L"Vantrel.ini";
    if (!folder || !*folder || wcslen(folder) + 1 + wcslen(name) >= ARRAYSIZE(joined)) return 0;
    wcscpy(joined, folder);
    wcscat(joined, L"\\");
    wcscat(joined, name);
    path = joined;
  }
  HANDLE h = OpenForReading(path);
  if (h == INVALID_HANDLE_VALUE) return 0;
  LARGE_INTEGER size;
  BYTE* data = nullptr;
  if (GetFileSizeEx(h, &size) && size.QuadPart > 0 && size.QuadPart <= kMaxFileSize) {
    size_t total = static_cast<size_t>(size.QuadPart);
    // Two spare zero bytes end the text; two more cover an odd length.
    data = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, total + 4));
    size_t got = 0;
    while (data && got < total) {
      DWORD want = total - got < kReadChunk ? static_cast<DWORD>(total - got) : kReadChunk;
      DWORD n = 0;
      if (!ReadFile(h, data + got, want, &n, nullptr) || !n) {
        HeapFree(GetProcessHeap(), 0, data);
        data = nullptr;
        break;
      }
      got += n;
    }
  }
  CloseHandle(h);
  if (!data) return 0;
  *buffer = reinterpret_cast<wchar_t*>(data);
  return 1;
}

const wchar_t* FindIniText(const wchar_t* text, const wchar_t* pattern, int sectionLimit) {
  if (!text || !pattern || !*pattern) return nullptr;
  size_t plen = wcslen(pattern);
  int sections = 0;
  for (const wchar_t* p = text; *p; p++) {
    if (*p == pattern[0] && !wcsncmp(p, pattern, plen)) return p;
    if (sectionLimit > 0 && IsUnescapedBracket(p) && ++sections >= sectionLimit) return nullptr;
  }
  return nullptr;
}

const wchar_t* FindIniSection(const wchar_t* text, const wchar_t* namePattern, int number) {
  wchar_t header[kNameMax];
  header[0] = L'[';
  int n = FormatIniName(header + 1, kNameMax - 2, namePattern, number);
  if (n <= 0) return nullptr;
  header[n + 1] = L']';
  header[n + 2] = 0;
  const wchar_t* at = FindIniText(text, header, 0);
  return at ? at + n + 2 : nullptr;
}

int ReadIniInt(const wchar_t* section, const wchar_t* key, void* out, int mode) {
  const wchar_t* v = FindKeyValue(section, key, -1);
  if (!v) return 0;
  if (mode != INI_DEC && mode != INI_HEX) return 1;
  const wchar_t* p = v;
  while (*p == L' ' || *p == L'\t') p++;
  UINT result = 0;
  if (mode == INI_DEC) {
    bool negative = *p == L'-';
    if (*p == L'-' || *p == L'+') p++;
    unsigned long long m = 0;
    for (; *p >= L'0' && *p <= L'9'; p++)
      if (m <= 0x80000000ULL) m = m * 10 + (*p - L'0');
    // Out of range saturates, as the C library does.
    if (negative)
      result = m >= 0x80000000ULL ? 0x80000000u : 0u - static_cast<UINT>(m);
    else
      result = m > 0x7FFFFFFFULL ? 0x7FFFFFFFu : static_cast<UINT>(m);
  } else {
    // Parsed by hand: a 32-bit long would saturate "ffffffff".
    if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X')) p += 2;
    for (int d; (d = HexDigit(*p)) >= 0; p++) result = result > 0x0FFFFFFFu ? 0xFFFFFFFFu : (result << 4) | d;
  }
  if (result == 0 && *v != L'0') return 0;
  if (out) *static_cast<UINT*>(out) = result;
  return 1;
}

wchar_t* ReadIniString(const wchar_t* section, const wchar_t* keyPattern, int number, int allowEmpty) {
  const wchar_t* v = FindKeyValue(section, keyPattern, number);
  if (!v) return nullptr;
  size_t len = 0;
  const wchar_t* end = v;
  for (; *end && *end != L'\r' && *end != L'\n'; end++, len++) {
    if (*end == L'[') {
      if (end[1] != L'\\') break;
      end++;
    }
  }
  if (!len && !allowEmpty) return nullptr;
  wchar_t* s = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (len + 1) * sizeof(wchar_t)));
  if (!s) return nullptr;
  wchar_t* out = s;
  for (const wchar_t* p = v; p < end; p++) {
    *out++ = *p;
    if (*p == L'[') p++;
  }
  return s;
}

void* ReadIniHexData(const wchar_t* section, const wchar_t* key) {
  const wchar_t* v = FindKeyValue(section, key, -1);
  if (!v) return nullptr;
  size_t n = 0;
  while (v[n] && v[n] != L'\r' && v[n] != L'\n') n++;
  size_t len = n / 2;
  if (len > 0x7FFFFFF0) return nullptr;
  BYTE* data = static_cast<BYTE*>(CoTaskMemAlloc(len + 2));
  if (!data) return nullptr;
  for (size_t i = 0; i < len; i++) {
    int hi = HexDigit(v[i * 2]), lo = HexDigit(v[i * 2 + 1]);
    data[i] = static_cast<BYTE>(((hi < 0 ? 0 : hi) << 4) | (lo < 0 ? 0 : lo));
  }
  data[len] = data[len + 1] = 0;
  if (!IsWellFormedIdList(data, len)) {
    CoTaskMemFree(data);
    return nullptr;
  }
  return data;
}

int ParseIniList(const wchar_t* value, int* a, int* b) {
  if (!value) return 0;
  int* outs[2] = {a, b};
  int found = 0;
  const wchar_t* p = value;
  while (found < 2) {
    while (*p && (*p < L'0' || *p > L'9')) p++;
    if (!*p) break;
    UINT v = 0;
    for (; *p >= L'0' && *p <= L'9'; p++) v = v > 214748364u ? 0x7FFFFFFFu : v * 10 + (*p - L'0');
    if (v > 0x7FFFFFFFu) v = 0x7FFFFFFFu;
    if (outs[found]) *outs[found] = static_cast<int>(v);
    found++;
  }
  return found == 2;
}

int ConvertAnsiSettings(wchar_t** buffer) {
  if (!buffer || !*buffer) return 0;
  const char* bytes = reinterpret_cast<const char*>(*buffer);
  size_t n = strlen(bytes);
  if (!n || n > 0x7FFFFFF0) return 0;
  int count = MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(n), nullptr, 0);
  if (count <= 0) return 0;
  wchar_t* text = static_cast<wchar_t*>(
      HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (static_cast<size_t>(count) + 1) * sizeof(wchar_t)));
  if (!text) return 0;
  if (MultiByteToWideChar(CP_ACP, 0, bytes, static_cast<int>(n), text, count) != count) {
    HeapFree(GetProcessHeap(), 0, text);
    return 0;
  }
  HeapFree(GetProcessHeap(), 0, *buffer);
  *buffer = text;
  return 1;
}

int ReadKeyTable(const wchar_t* section, const SettingKey* table) {
  int found = 0;
  for (const SettingKey* row = table; row && row->Key; row++) {
    switch (row->Type) {
      case SK_INT:
      case SK_HEX32: {
        UINT* var = static_cast<UINT*>(row->Var);
        *var = 0;
        found += ReadIniInt(section, row->Key, var, row->Type == SK_INT ? INI_DEC : INI_HEX);
        break;
      }
      case SK_HEX16: {
        UINT* var = static_cast<UINT*>(row->Var);
        UINT v = 0;
        *var = 0;
        if (ReadIniInt(section, row->Key, &v, INI_HEX)) {
          *var = v & 0xFFFF;
          found++;
        }
        break;
      }
      case SK_STRING: {
        wchar_t** var = static_cast<wchar_t**>(row->Var);
        if (wchar_t* s = ReadIniString(section, row->Key, -1, 1)) {
          if (*var) HeapFree(GetProcessHeap(), 0, *var);
          *var = s;
          found++;
        }
        break;
      }
      case SK_IDLIST: {
        void** var = static_cast<void**>(row->Var);
        void* list = ReadIniHexData(section, row->Key);
        if (*var) CoTaskMemFree(*var);
        *var = list;
        found += list != nullptr;
        break;
      }
    }
  }
  return found;
}

// ---- writers ---------------------------------------------------------------------

int OpenIniFile(IniFile* file, const wchar_t* path) {
  if (!file) return 0;
  file->Buf = nullptr;
  file->Len = file->Cap = 0;
  file->Failed = 0;
  file->Tmp = INVALID_HANDLE_VALUE;
  file->Path[0] = 0;
  // Room for the ".tmp" suffix.
  if (!path || !*path || wcslen(path) + 5 > ARRAYSIZE(file->Path)) return 0;
  wcscpy(file->Path, path);
  file->Buf = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, kBufferChars * sizeof(wchar_t)));
  if (!file->Buf) return 0;
  file->Cap = kBufferChars;
  file->Buf[file->Len++] = 0xFEFF;
  return 1;
}

// Commit: the rest of the buffer goes to the tmp file, which is flushed and
// moved over the file. A tmp file of ours that is not committed is deleted.
int CloseIniFile(IniFile* file, int commit) {
  if (!file) return 0;
  int ok = 1;
  if (commit) ok = file->Buf && !file->Failed && SpillIniBuffer(file) && file->Tmp != INVALID_HANDLE_VALUE;
  bool created = file->Tmp != INVALID_HANDLE_VALUE;
  if (commit && ok) ok = FlushFileBuffers(file->Tmp);
  if (created) ok = CloseHandle(file->Tmp) && ok;
  file->Tmp = INVALID_HANDLE_VALUE;
  wchar_t tmp[MAX_PATH + 16];
  if (created && TmpPath(file, tmp, ARRAYSIZE(tmp))) {
    if (commit && ok) ok = MoveFileExW(tmp, file->Path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!commit || !ok) DeleteFileW(tmp);
  }
  if (file->Buf) HeapFree(GetProcessHeap(), 0, file->Buf);
  file->Buf = nullptr;
  file->Len = file->Cap = 0;
  return commit ? ok : 1;
}

int WriteIniSection(IniFile* file, const wchar_t* namePattern, int number) {
  wchar_t name[kNameMax];
  int n = FormatIniName(name, kNameMax - 2, namePattern, number);
  if (n <= 0 || !Reserve(file, n + 6)) return Fail(file);
  wchar_t* out = file->Buf + file->Len;
  *out++ = L'\r';
  *out++ = L'\n';
  *out++ = L'[';
  memcpy(out, name, n * sizeof(wchar_t));
  out += n;
  *out++ = L']';
  *out++ = L'\r';
  *out++ = L'\n';
  file->Len = out - file->Buf;
  return 1;
}

int WriteIniInt(IniFile* file, const wchar_t* keyPattern, int value, int number) {
  if (!BeginKeyLine(file, keyPattern, number, 11)) return 0;
  PutInt(file, value);
  EndLine(file);
  return 1;
}

int WriteIniHex16(IniFile* file, const wchar_t* keyPattern, UINT value, int number) {
  return WriteHexLine(file, keyPattern, number, value & 0xFFFF, 4);
}

int WriteIniHex(IniFile* file, const wchar_t* keyPattern, UINT value, int number) {
  return WriteHexLine(file, keyPattern, number, value, 8);
}

int WriteIniString(IniFile* file, const wchar_t* keyPattern, const wchar_t* value, int number) {
  return WriteValueLine(file, keyPattern, number, value, true);
}

int WriteIniRaw(IniFile* file, const wchar_t* key, const wchar_t* text) {
  return WriteValueLine(file, key, -1, text, false);
}

int WriteIniList(IniFile* file, const wchar_t* keyPattern, int a, int b, int number) {
  if (!BeginKeyLine(file, keyPattern, number, 23)) return 0;
  PutInt(file, a);
  file->Buf[file->Len++] = L',';
  PutInt(file, b);
  EndLine(file);
  return 1;
}

int WriteIniText(IniFile* file, const wchar_t* text, size_t count) {
  if (!text && count) return Fail(file);
  if (!Reserve(file, count)) return 0;
  PutRaw(file, text, count);
  return 1;
}

int WriteKeyTable(IniFile* file, const SettingKey* table) {
  int ok = 1;
  for (const SettingKey* row = table; row && row->Key; row++) {
    switch (row->Type) {
      case SK_INT:
        ok &= WriteIniInt(file, row->Key, *static_cast<const int*>(row->Var), -1);
        break;
      case SK_HEX16:
        ok &= WriteIniHex16(file, row->Key, *static_cast<const UINT*>(row->Var), -1);
        break;
      case SK_HEX32:
        ok &= WriteIniHex(file, row->Key, *static_cast<const UINT*>(row->Var), -1);
        break;
      case SK_STRING:
        ok &= WriteIniString(file, row->Key, *static_cast<wchar_t* const*>(row->Var), -1);
        break;
      case SK_IDLIST:
        if (const ITEMIDLIST* list = *static_cast<ITEMIDLIST* const*>(row->Var))
          ok &= WriteIdListLine(file, row->Key, list);
        break;
      default:
        ok = Fail(file);
        break;
    }
  }
  return ok;
}
