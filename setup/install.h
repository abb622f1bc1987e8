// The installation steps run one at a time from the progress page: the
// install folder, the program and data files (with files in use moved
// aside), the start at logon, the desktop shortcut and the Uninstall entry.
#pragma once
#include <windows.h>

// Creates every level of folder (with trailing backslash); shows its own
// message on failure.
BOOL EnsureInstallFolder(const wchar_t* folder);
BOOL CreateFolderLevel(const wchar_t* folder);
// Copies setup folder + path to install folder + path.
BOOL CopyInstallFile(const wchar_t* path);
// Step 0 list: the files of Docs, Languages and Plugins, and the whole tree
// of Skins (folder skins), without following links; folders are created in
// the install folder. The list's count.
int ListInstallFiles();
void FreeInstallFiles();
// Runs step g_Setup.Step; TRUE while more steps remain (the caller advances).
// status and progress are the page's controls (may be NULL in tests).
BOOL RunInstallStep(HWND status, HWND progress);
// The shortcut path of a desktop-user folder into out; TRUE when it exists.
BOOL GetShortcutPath(int csidl, wchar_t* out);
BOOL ReadShortcutArguments(wchar_t* path, wchar_t* arguments);
void CreateShortcut(int csidl, BOOL create, BOOL toHelper);
BOOL ReadTaskArguments();
void WriteUninstallKey();
// A fresh name in the temporary folder with prefix (the file made for it
// removed) into out.
BOOL MakeTempName(const wchar_t* prefix, wchar_t* out);
