// The settings files' own INI engine: UTF-16LE text with BOM and CRLF, read
// whole into memory and scanned forward; written through a buffered file that
// replaces the old one only when every write succeeded.
#pragma once
#include <windows.h>
#include <shlobj.h>

// Key table row; a table ends at a row whose Key is null.
enum SettingKeyType : INT64 {
  SK_INT = 1,      // int32, "%d"
  SK_HEX16 = 2,    // low 16 bits, "%04x"
  SK_HEX32 = 3,    // 32 bits, "%08x"
  SK_STRING = 4,   // heap wide string (wchar_t*), escaped
  SK_IDLIST = 5,   // LPITEMIDLIST (shell allocator), hex data with terminator
};
struct SettingKey {
  const wchar_t* Key;
  void* Var;
  INT64 Type;
};

// ReadIniInt modes.
enum { INI_DEC = 1, INI_HEX = 3 };

// Output file. Lines collect in a buffer; CloseIniFile(commit) writes them to
// "<path>.tmp", flushes and moves it over <path>. Any failure leaves <path>
// as it was.
struct IniFile {
  wchar_t Path[MAX_PATH + 8];
  wchar_t* Buf;
  size_t Len;
  size_t Cap;
  int Failed;
};

// Readers.
int ReadSettingsFile(const wchar_t* path, wchar_t** buffer, UINT flags);
const wchar_t* FindIniText(const wchar_t* text, const wchar_t* pattern, int sectionLimit);
const wchar_t* FindIniSection(const wchar_t* text, const wchar_t* namePattern, int number);
int ReadIniInt(const wchar_t* section, const wchar_t* key, void* out, int mode);
wchar_t* ReadIniString(const wchar_t* section, const wchar_t* keyPattern, int number, int allowEmpty);
void* ReadIniHexData(const wchar_t* section, const wchar_t* key);
int ParseIniList(const wchar_t* value, int* a, int* b);
int ConvertAnsiSettings(wchar_t** buffer);

// Writers (1 = ok; callers AND the results).
int OpenIniFile(IniFile* file, const wchar_t* path);
int CloseIniFile(IniFile* file, int commit);
int WriteIniSection(IniFile* file, const wchar_t* namePattern, int number);
int WriteIniInt(IniFile* file, const wchar_t* keyPattern, int value, int number);
int WriteIniHex16(IniFile* file, const wchar_t* keyPattern, UINT value, int number);
int WriteIniHex(IniFile* file, const wchar_t* keyPattern, UINT value, int number);
int WriteIniString(IniFile* file, const wchar_t* keyPattern, const wchar_t* value, int number);
int WriteIniRaw(IniFile* file, const wchar_t* key, const wchar_t* text);
int WriteIniList(IniFile* file, const wchar_t* keyPattern, int a, int b, int number);
int WriteKeyTable(IniFile* file, const SettingKey* table);
int ReadKeyTable(const wchar_t* section, const SettingKey* table);
