// The data folder: where Vantrel.ini, Design.ini, the skins' .vsd files, the
// icon cache, the backup and PluginData live. Found once per run
// (g_App.DataFolderPath, g_App.DataFolderMode); moved when single user mode
// is switched.
#pragma once
#include <windows.h>

// g_App.DataFolderMode flags.
enum : int {
  DATA_MODE_APPDATA = 1,  // under an application-data folder of Windows
  DATA_MODE_SHARED = 2,   // one folder for all users (single user mode)
};

// The data folder without a trailing backslash; resolved (and created on a
// first run) by the first call while g_App.DataFolderPath is empty.
const wchar_t* ResolveDataFolder();

// Path of a skin's design file into out (MAX_PATH characters); skinName NULL
// means g_App.SkinName. 0 (out empty) for a name that is no plain file or
// folder name, or a path that does not fit.
int GetDesignFilePath(wchar_t* out, const wchar_t* skinName);

// Moves the data to the folder of the other sharing state. Switches only
// when Vantrel.ini is not left behind; 1 when everything moved.
int ToggleDataFolderSharing();

// Moves fromFolder\name (a file or a whole folder) to toFolder\name; 1 when
// all of it moved. Existing files at the destination are never replaced.
int MoveDataFiles(const wchar_t* fromFolder, const wchar_t* toFolder, const wchar_t* name);
