// The installer's decisions that need no window or file: the install folder
// checks, the Uninstall entry's command read back, the command line, the
// version text of the entry and the language list's ids.
#pragma once
#include <windows.h>

enum FolderCheck {
  FOLDER_OK = 0,
  FOLDER_SETUP = 1,     // the setup folder itself: settings only, nothing copied
  FOLDER_ROOT = 909,    // a drive root
  FOLDER_NOT_FULL = 910 // not drive letter, colon, backslash
};

// folder and setupFolder end in a backslash. The message id to show, or
// FOLDER_OK / FOLDER_SETUP. A ".." segment could climb out of what the user
// sees, so it counts as not a full path.
int CheckInstallFolder(const wchar_t* folder, const wchar_t* setupFolder);

// The program path of an UninstallString (quoted, or up to the first
// blank) reduced to its folder up to the last backslash, into folder
// (MAX_PATH). FALSE when no end is found or no folder remains.
BOOL ParseUninstallString(const wchar_t* text, wchar_t* folder);

enum SetupCommand { SETUP_WIZARD = 0, SETUP_ASK_REMOVE = 1, SETUP_REMOVE = 2 };
// "/r" or "/R" at the start asks; "/x" removes, with the language library
// path after a further '/' into library (MAX_PATH, empty when none).
int ParseSetupCommand(const wchar_t* cmdline, wchar_t* library);

// "A.BC" from a product version (major, minor, third part) as decimal
// numbers, into out (16 characters).
void FormatDisplayVersion(DWORD versionMS, DWORD versionLS, wchar_t* out);

// A language list id written like 0x0409 with an optional comment; 0 when
// no hexadecimal digit follows.
LANGID ParseLanguageListId(const wchar_t* text);

// 1 when a language library's string 300 ("A.BC") is at least 4.20.
int AcceptSetupLanguageVersion(const wchar_t* text);
