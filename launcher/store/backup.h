// Keeping the settings safe and giving a new installation its start: export
// of the settings or the design to a chosen file, the automatic backup every
// BackupCycle days, the range check after every read and the first-run set-up.
#pragma once
#include <windows.h>

// Calls that tests and tools replace; filled with the real ones.
struct BackupSeams {
  UINT (*Today)();                   // days since 1 January 1601 (UTC)
  void (*SetTrayBusy)(int busy);     // tray icon busy picture and back; may be null
};
extern BackupSeams g_BackupSeams;

// ExportSettings what: bit 2 = the design only.
enum : int { EXPORT_SETTINGS = 0, EXPORT_DESIGN = 2 };

// Menu commands 40012 (what 0) and 40013 (what 2): asks for the file, then
// ExportSettingsTo. 1 when written; 0 when refused, cancelled or failed.
int ExportSettings(int what);
// Writes the settings (followed by the design) or the design alone to path;
// a failure shows 655.
int ExportSettingsTo(const wchar_t* path, int what);

// Rewrites the backup file when BackupCycle days have passed. Runs on the
// thread of the launcher window only (the ticker posts its check there), so
// the store cannot change under it; elsewhere it does nothing. Silent; 1
// when a backup was written.
int AutoBackupSettings();
// BackupFile expanded and made absolute (process heap), or null.
wchar_t* GetBackupFilePath();
UINT GetBackupDay();

void ValidateGlobalSettings();
int SetFirstRunDefaults();
int BuildDefaultPages();
void SetDefaultLauncherKeys();
void SetDefaultClickActions();
