// Where the dialogs come from and how the launcher reaches them: templates
// from the language library when it holds them, else from the program, and
// the menu entry points bound at start-up.
#pragma once
#include <windows.h>

// Module that holds dialog template id: the language library, else the program.
HINSTANCE GetDialogModule(int id);
// The same for menu template id.
HINSTANCE GetMenuModule(int id);
// DialogBoxParamW of template id from that module.
INT_PTR RunDialog(int id, HWND owner, DLGPROC proc, LPARAM param);
// Owner of a dialog the launcher opens: the top of the open-dialog stack,
// else the launcher window.
HWND GetDialogOwner();

// Fills the menu entry points of the About, language and options dialogs.
void BindDialogEntries();
