// The extraction worker without windows: walks the attached archive's
// entries from the stream's position, writes them below the destination,
// and asks its questions through callbacks (the package's dialogs, or a
// test's answers).
#pragma once
#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

enum ReplaceAnswer { REPLACE_YES, REPLACE_NO, REPLACE_ALL, REPLACE_NEWER, REPLACE_CANCEL };
enum PasswordAnswer { PASSWORD_OK, PASSWORD_SKIP, PASSWORD_CANCEL };

struct SfxWorkerCallbacks {
  void* Context;
  int (*AskReplace)(void* context, const wchar_t* name, int64_t existingTime, uint64_t existingSize,
                    int64_t entryTime, uint64_t entrySize);
  // The password into password (up to 128 bytes with its terminator).
  int (*AskPassword)(void* context, const wchar_t* name, char* password);
  // A message box's text and MB_* flags: the button chosen (IDOK, IDRETRY...).
  int (*Message)(void* context, const wchar_t* text, UINT flags);
  void (*Progress)(void* context, const wchar_t* name);  // may be null
};

struct SfxExtraction {
  const wchar_t* Destination;  // absolute, ending in '\'
  bool OverwriteWithoutAsking;
  bool ListForDeletion;  // delete-after-run with a command
  // Out.
  int Extracted = 0;
  int Failed = 0;  // entries that could not be written correctly
  std::vector<std::wstring> DeleteList;  // absolute paths of extracted files
};

// 0 when every entry was dealt with (Failed tells whether all went well),
// -1 after a cancel, an invalid name or an unsupported method
// (g_Sfx.ExtractAbortCode says which).
int ExtractEntries(SfxExtraction* run, const SfxWorkerCallbacks& callbacks);

// 1 when the folder exists or was made level by level.
int CreateFolderPath(const wchar_t* path);
int64_t DosToUnixTime(uint16_t date, uint16_t time);
