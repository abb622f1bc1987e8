// The installer's platform calls that a test must not make for real, or
// that Wine answers differently from Windows: the desktop user's token,
// per-user folders, hidden SCHTASKS runs, the start as the desktop user,
// the clock's waits and message boxes. Bound with the real calls by
// BindSetupPlatform at start-up.
#pragma once
#include <windows.h>

struct SetupPlatform {
  int (*OsVersion)();
  // The shell's token and its loaded profile into g_Setup; FALSE when there
  // is no shell window, process, token or profile (Wine has no shell).
  BOOL (*TakeShellUserToken)();
  // A folder of the desktop user (CSIDL) into out (MAX_PATH).
  HRESULT (*GetUserFolderPath)(int csidl, wchar_t* out);
  // Runs a command line hidden, waiting up to 5 s; FALSE when it did not
  // start. (Wine's SCHTASKS cannot create or delete tasks.)
  BOOL (*RunHidden)(const wchar_t* cmdline);
  HRESULT (*ShellExecuteAsShellUser)(const wchar_t* program);
  void(WINAPI* Sleep)(DWORD);
  // A message box of string id, %s filled with arg (or arg appended when
  // the text has no %s); caption "Vantrel", owner the wizard.
  int (*ShowMessage)(int id, UINT flags, const wchar_t* arg);
};

extern SetupPlatform g_SetupPlatform;

void BindSetupPlatform();
// A string of the language library, else of the program, into out.
int LoadSetupString(int id, wchar_t* out, int chars);
// The module that holds dialog template id: the language library when it
// has it, else the program.
HINSTANCE SetupTemplateModule(int id);
