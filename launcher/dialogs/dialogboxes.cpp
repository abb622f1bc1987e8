#include "dialogs/dialogboxes.h"

#include "core/menucmd.h"
#include "core/winhelpers.h"
#include "dialogs/about.h"
#include "dialogs/hotkeylist.h"
#include "dialogs/langdialog.h"
#include "dialogs/options.h"
#include "state.h"

static HINSTANCE ProgramModule() { return g_App.Instance ? g_App.Instance : GetModuleHandleW(nullptr); }

HINSTANCE GetDialogModule(int id) {
  HMODULE lang = g_App.LangModule;
  if (lang && FindResourceW(lang, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */)) return lang;
  return ProgramModule();
}

HINSTANCE GetMenuModule(int id) {
  HMODULE lang = g_App.LangModule;
  if (lang && FindResourceW(lang, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(4) /* RT_MENU */)) return lang;
  return ProgramModule();
}

INT_PTR RunDialog(int id, HWND owner, DLGPROC proc, LPARAM param) {
  return DialogBoxParamW(GetDialogModule(id), MAKEINTRESOURCEW(id), owner, proc, param);
}

HWND GetDialogOwner() {
  HWND top = GetTopOpenDialog();
  return top ? top : g_App.MainWnd;
}

static void OpenOptions(int page) { ShowOptionsDialog(page); }

void BindDialogEntries() {
  g_MenuEntries.AboutDialog = ShowAboutDialog;
  g_MenuEntries.LanguageDialog = ShowLanguageDialog;
  g_MenuEntries.OptionsDialog = OpenOptions;
  g_MenuEntries.HotkeyListDialog = ShowHotKeyListDialog;
}
