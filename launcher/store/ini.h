// The settings files' own INI engine: UTF-16LE text with BOM and CRLF, read
// whole into memory and scanned forward; written through a buffered file that
// replaces the old one only when every write succeeded.
#pragma once
#include <windows.h>
#include <shlobj.h>

// Key table row; a table ends at a row whose Key is null. Var points to an
// int/UINT for types 1-3, a wchar_t* for 4, an LPITEMIDLIST for 5.
enum SettingKeyType : INT64 {
  SK_INT = 1,      // int32, "%d"
  SK_HEX16 = 2,    // low 16 bits of a 32-bit variable, "%04x"
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

// Output file. Lines collect in a buffer that goes to "<path>.tmp" in 64 KiB
// writes whenever it fills; CloseIniFile(commit) writes the rest, flushes and
// moves the tmp file over <path>. Any failure leaves <path> as it was.
struct IniFile {
  wchar_t Path[MAX_PATH + 8];
  wchar_t* Buf;   // text not yet written to Tmp
  size_t Len;
  size_t Cap;
  int Failed;
  HANDLE Tmp;     // INVALID_HANDLE_VALUE until the buffer first fills
};

// Readers. Names with a number are patterns with one unsigned argument
// ("Btn%03u"); number -1 uses the pattern as a plain name. Keys match only at
// the start of a line, from the section position up to the next section.
// ReadSettingsFile: null path = data folder + "Design.ini" (flags & 0x2) or
// "Vantrel.ini"; the buffer (process heap, HeapFree) keeps the BOM.
int ReadSettingsFile(const wchar_t* path, wchar_t** buffer, UINT flags);
const wchar_t* FindIniText(const wchar_t* text, const wchar_t* pattern, int sectionLimit);
const wchar_t* FindIniSection(const wchar_t* text, const wchar_t* namePattern, int number);
int ReadIniInt(const wchar_t* section, const wchar_t* key, void* out, int mode);
wchar_t* ReadIniString(const wchar_t* section, const wchar_t* keyPattern, int number, int allowEmpty);
// Item-ID list from hex data (shell allocator), null unless well formed.
void* ReadIniHexData(const wchar_t* section, const wchar_t* key);
// First two runs of digits; 1 when both were there (each found one is stored).
int ParseIniList(const wchar_t* value, int* a, int* b);
int ConvertAnsiSettings(wchar_t** buffer);

// Writers (1 = ok; callers AND the results). Any failed writer marks the
// file Failed so that a commit refuses it. CR and LF in values become blanks.
int OpenIniFile(IniFile* file, const wchar_t* path);
int CloseIniFile(IniFile* file, int commit);
int WriteIniSection(IniFile* file, const wchar_t* namePattern, int number);
int WriteIniInt(IniFile* file, const wchar_t* keyPattern, int value, int number);
int WriteIniHex16(IniFile* file, const wchar_t* keyPattern, UINT value, int number);
int WriteIniHex(IniFile* file, const wchar_t* keyPattern, UINT value, int number);
int WriteIniString(IniFile* file, const wchar_t* keyPattern, const wchar_t* value, int number);
int WriteIniRaw(IniFile* file, const wchar_t* key, const wchar_t* text);
int WriteIniList(IniFile* file, const wchar_t* keyPattern, int a, int b, int number);
// Appends text as it is (an unchanged part of an older file).
int WriteIniText(IniFile* file, const wchar_t* text, size_t count);
int WriteKeyTable(IniFile* file, const SettingKey* table);
// Types 1-3 are cleared, then read; 4 replaces the old string (freed) only
// when the key is there; 5 always replaces the old list (null when absent or
// malformed). Returns the number of keys found.
int ReadKeyTable(const wchar_t* section, const SettingKey* table);

// Test seam: the write CloseIniFile commits with (WriteFile by default).
typedef BOOL(WINAPI* IniWriteFn)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
extern IniWriteFn g_IniWriteFile;
