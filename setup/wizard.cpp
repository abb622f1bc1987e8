#include "setup/wizard.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <wchar.h>

#include "setup/install.h"
#include "setup/platform.h"
#include "setup/resources/setup_res.h"
#include "setup/setuplogic.h"
#include "setup/state.h"
#include "setup/taskxml.h"

void CenterWindowOnScreen(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

static BOOL Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

static void EnableOptionsControls(HWND page) {
  BOOL vista = g_SetupPlatform.OsVersion() >= 600;
  BOOL startup = Checked(page, IDC_SETUP_STARTUP), desktop = Checked(page, IDC_SETUP_DESKTOP);
  EnableWindow(GetDlgItem(page, IDC_SETUP_STARTUP_OPTIONS), startup);
  EnableWindow(GetDlgItem(page, IDC_SETUP_STARTUP_ADMIN), startup && vista);
  EnableWindow(GetDlgItem(page, IDC_SETUP_DESKTOP_OPTIONS), desktop);
  EnableWindow(GetDlgItem(page, IDC_SETUP_DESKTOP_ADMIN), desktop && vista);
}

static void ReadPreviousChoices(HWND page) {
  wchar_t path[MAX_PATH];
  if (ReadTaskArguments()) {
    CheckDlgButton(page, IDC_SETUP_STARTUP, BST_CHECKED);
    CheckDlgButton(page, IDC_SETUP_STARTUP_ADMIN, BST_CHECKED);
  } else if (GetShortcutPath(CSIDL_STARTUP, path)) {
    CheckDlgButton(page, IDC_SETUP_STARTUP, BST_CHECKED);
    ReadShortcutArguments(path, g_Setup.StartupOptions);
  }
  if (GetShortcutPath(CSIDL_DESKTOPDIRECTORY, path)) {
    CheckDlgButton(page, IDC_SETUP_DESKTOP, BST_CHECKED);
    if (ReadShortcutArguments(path, g_Setup.DesktopOptions) && !_wcsicmp(PathFindFileNameW(path), L"VnAdmin.exe"))
      CheckDlgButton(page, IDC_SETUP_DESKTOP_ADMIN, BST_CHECKED);
  }
}

static void BrowseForFolder(HWND page) {
  wchar_t title[256], path[MAX_PATH];
  LoadSetupString(IDS_SETUP_CHOOSE_FOLDER, title, 256);
  BROWSEINFOW bi = {};
  bi.hwndOwner = g_Setup.Sheet;
  bi.lpszTitle = title;
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_NEWDIALOGSTYLE;
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&bi);
  if (item) {
    if (SHGetPathFromIDListW(item, path)) SetDlgItemTextW(page, IDC_SETUP_FOLDER, path);
    CoTaskMemFree(item);
  }
  if (SUCCEEDED(init)) CoUninitialize();
}

// The checks of Next: FALSE keeps the page.
static BOOL AcceptOptionsPage(HWND page) {
  wchar_t folder[MAX_PATH];
  GetDlgItemTextW(page, IDC_SETUP_FOLDER, folder, MAX_PATH - 1);
  size_t n = wcslen(folder);
  if (!n || folder[n - 1] != L'\\') wcscat(folder, L"\\");
  BOOL vista = g_SetupPlatform.OsVersion() >= 600;
  BOOL startup = Checked(page, IDC_SETUP_STARTUP), desktop = Checked(page, IDC_SETUP_DESKTOP);
  BOOL startupAdmin = vista && Checked(page, IDC_SETUP_STARTUP_ADMIN);
  BOOL desktopAdmin = vista && Checked(page, IDC_SETUP_DESKTOP_ADMIN);
  int check = CheckInstallFolder(folder, g_Setup.SetupFolder);
  if (check == FOLDER_ROOT || check == FOLDER_NOT_FULL) {
    g_SetupPlatform.ShowMessage(check, MB_ICONERROR, nullptr);
    return FALSE;
  }
  if (check == FOLDER_OK) {
    wchar_t bare[MAX_PATH];
    wcscpy(bare, folder);
    bare[wcslen(bare) - 1] = 0;
    if (GetFileAttributesW(bare) == INVALID_FILE_ATTRIBUTES) {
      if (!EnsureInstallFolder(folder)) return FALSE;
      RemoveDirectoryW(bare);  // made for real by the first step
    }
    wchar_t full[MAX_PATH], root[4];
    DWORD sectors = 0, bytes = 0, free = 0, total = 0;
    ULONGLONG space = 0;
    if (GetFullPathNameW(folder, MAX_PATH, full, nullptr)) {
      lstrcpynW(root, full, 4);
      if (GetDiskFreeSpaceW(root, &sectors, &bytes, &free, &total)) space = (ULONGLONG)sectors * bytes * free;
    }
    if (space < 104857600) {
      wchar_t megabytes[16];
      wsprintfW(megabytes, L"%u", (unsigned)(space >> 20));
      if (g_SetupPlatform.ShowMessage(IDS_SETUP_LOW_SPACE, MB_ICONQUESTION | MB_YESNO, megabytes) != IDYES)
        return FALSE;
    }
  }
  wcscpy(g_Setup.InstallFolder, folder);
  g_Setup.CopyFiles = check != FOLDER_SETUP;
  g_Setup.RegisterAtStartup = startup;
  g_Setup.StartThroughAdmin = startupAdmin;
  g_Setup.DesktopShortcut = desktop;
  g_Setup.DesktopThroughAdmin = desktopAdmin;
  return TRUE;
}

INT_PTR CALLBACK OptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      g_Setup.Sheet = GetParent(page);
      CenterWindowOnScreen(g_Setup.Sheet);
      SendDlgItemMessageW(page, IDC_SETUP_FOLDER, EM_LIMITTEXT, 259, 0);
      if (g_Setup.PreviousInstall) ReadPreviousChoices(page);
      else CheckDlgButton(page, IDC_SETUP_STARTUP, BST_CHECKED);
      SendMessageW(page, WM_COMMAND, IDC_SETUP_STARTUP, 0);
      SendMessageW(page, WM_COMMAND, IDC_SETUP_DESKTOP, 0);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_SETUP_BROWSE: BrowseForFolder(page); break;
        case IDC_SETUP_STARTUP: case IDC_SETUP_DESKTOP: EnableOptionsControls(page); break;
        case IDC_SETUP_STARTUP_OPTIONS: case IDC_SETUP_DESKTOP_OPTIONS:
          DialogBoxParamW(SetupTemplateModule(IDD_START_OPTIONS), MAKEINTRESOURCEW(IDD_START_OPTIONS), g_Setup.Sheet,
                          StartOptionsDlgProc, LOWORD(wParam) == IDC_SETUP_DESKTOP_OPTIONS);
          break;
      }
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR* nm = (const NMHDR*)lParam;
      if (nm->code == PSN_SETACTIVE) {
        PropSheet_SetWizButtons(g_Setup.Sheet, PSWIZB_NEXT);
        SetDlgItemTextW(page, IDC_SETUP_FOLDER, g_Setup.InstallFolder);
        SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      if (nm->code == PSN_WIZNEXT) {
        SetWindowLongPtrW(page, DWLP_MSGRESULT, AcceptOptionsPage(page) ? 0 : -1);
        return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}

static void EnableStartOptionControls(HWND d) {
  EnableWindow(GetDlgItem(d, IDC_SO_PAGE), Checked(d, IDC_SO_PAGE_ON));
  EnableWindow(GetDlgItem(d, IDC_SO_COLUMNS), Checked(d, IDC_SO_BUTTONS_ON));
  EnableWindow(GetDlgItem(d, IDC_SO_ROWS), Checked(d, IDC_SO_BUTTONS_ON));
  EnableWindow(GetDlgItem(d, IDC_SO_DELAY), Checked(d, IDC_SO_DELAY_ON));
  EnableWindow(GetDlgItem(d, IDC_SO_X), Checked(d, IDC_SO_SHOW_POSITION));
  EnableWindow(GetDlgItem(d, IDC_SO_Y), Checked(d, IDC_SO_SHOW_POSITION));
  wchar_t caption[128];
  LoadSetupString(Checked(d, IDC_SO_PINNED) || Checked(d, IDC_SO_NONRESIDENT) ? IDS_SETUP_SHOW_PREVIOUS
                                                                              : IDS_SETUP_SHOW_NOT,
                  caption, 128);
  SetDlgItemTextW(d, IDC_SO_SHOW_DEFAULT, caption);
}

// Position fields take digits only; a negative coordinate read from an
// existing string is kept while its field still shows it with its sign.
static int ReadCoordinate(HWND d, int id) {
  wchar_t text[16];
  GetDlgItemTextW(d, id, text, 16);
  return _wtoi(text);
}

INT_PTR CALLBACK StartOptionsDlgProc(HWND d, UINT message, WPARAM wParam, LPARAM lParam) {
  wchar_t* target = (wchar_t*)GetPropW(d, L"VnOptions");
  switch (message) {
    case WM_INITDIALOG: {
      target = lParam ? g_Setup.DesktopOptions : g_Setup.StartupOptions;
      SetPropW(d, L"VnOptions", target);
      CenterWindowOnScreen(d);
      static const struct { int id, chars; } kLimits[] = {{IDC_SO_PAGE, 2}, {IDC_SO_COLUMNS, 2}, {IDC_SO_ROWS, 2},
                                                         {IDC_SO_X, 4},    {IDC_SO_Y, 4},       {IDC_SO_DELAY, 5}};
      for (const auto& l : kLimits) SendDlgItemMessageW(d, l.id, EM_LIMITTEXT, l.chars, 0);
      StartOptions o;
      ParseStartOptions(target, &o);
      CheckDlgButton(d, IDC_SO_PAGE_ON, o.PageOn ? BST_CHECKED : BST_UNCHECKED);
      SetDlgItemInt(d, IDC_SO_PAGE, o.Page, FALSE);
      CheckDlgButton(d, IDC_SO_BUTTONS_ON, o.ButtonsOn ? BST_CHECKED : BST_UNCHECKED);
      SetDlgItemInt(d, IDC_SO_COLUMNS, o.Columns, FALSE);
      SetDlgItemInt(d, IDC_SO_ROWS, o.Rows, FALSE);
      CheckDlgButton(d, IDC_SO_PINNED, o.Pinned ? BST_CHECKED : BST_UNCHECKED);
      CheckRadioButton(d, IDC_SO_SHOW_DEFAULT, IDC_SO_SHOW_POSITION, IDC_SO_SHOW_DEFAULT + o.Show);
      SetDlgItemInt(d, IDC_SO_X, o.X, TRUE);
      SetDlgItemInt(d, IDC_SO_Y, o.Y, TRUE);
      CheckDlgButton(d, IDC_SO_NONRESIDENT, o.NonResident ? BST_CHECKED : BST_UNCHECKED);
      CheckDlgButton(d, IDC_SO_DELAY_ON, o.DelayOn ? BST_CHECKED : BST_UNCHECKED);
      SetDlgItemInt(d, IDC_SO_DELAY, o.Delay, FALSE);
      EnableStartOptionControls(d);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: {
          StartOptions o = {};
          o.PageOn = Checked(d, IDC_SO_PAGE_ON);
          o.Page = (int)GetDlgItemInt(d, IDC_SO_PAGE, nullptr, FALSE);
          o.ButtonsOn = Checked(d, IDC_SO_BUTTONS_ON);
          o.Columns = (int)GetDlgItemInt(d, IDC_SO_COLUMNS, nullptr, FALSE);
          o.Rows = (int)GetDlgItemInt(d, IDC_SO_ROWS, nullptr, FALSE);
          o.Pinned = Checked(d, IDC_SO_PINNED);
          o.Show = Checked(d, IDC_SO_SHOW_POSITION) ? SHOW_AT_POSITION
                   : Checked(d, IDC_SO_SHOW_CURSOR) ? SHOW_AROUND_CURSOR : SHOW_DEFAULT;
          o.X = ReadCoordinate(d, IDC_SO_X);
          o.Y = ReadCoordinate(d, IDC_SO_Y);
          o.NonResident = Checked(d, IDC_SO_NONRESIDENT);
          o.DelayOn = Checked(d, IDC_SO_DELAY_ON);
          o.Delay = (int)GetDlgItemInt(d, IDC_SO_DELAY, nullptr, FALSE);
          if (target) BuildStartOptions(o, target);
          RemovePropW(d, L"VnOptions");
          EndDialog(d, 1);
          return TRUE;
        }
        case IDCANCEL:
          RemovePropW(d, L"VnOptions");
          EndDialog(d, 0);
          return TRUE;
        default:
          EnableStartOptionControls(d);
          return TRUE;
      }
  }
  return FALSE;
}

static void StartLauncherAtFinish() {
  wchar_t launcher[MAX_PATH];
  swprintf(launcher, MAX_PATH, L"%lsVantrel.exe", g_Setup.InstallFolder);
  if (g_SetupPlatform.OsVersion() < 600 || !g_Setup.ShellToken) {
    ShellExecuteW(nullptr, nullptr, launcher, g_Setup.StartupOptions, g_Setup.InstallFolder, SW_SHOWNORMAL);
  } else if (!g_Setup.StartThroughAdmin) {
    g_SetupPlatform.ShellExecuteAsShellUser(launcher);
  } else {
    wchar_t cmdline[80];
    swprintf(cmdline, 80, L"SCHTASKS /Run /TN \"%ls\" /I", kTaskName);
    g_SetupPlatform.RunHidden(cmdline);
  }
}

INT_PTR CALLBACK ProgressPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_TIMER:
      KillTimer(page, 1);
      PostMessageW(page, WM_COMMAND, 1, 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == 1) {
        HWND status = GetDlgItem(page, IDC_SETUP_STATUS);
        if (RunInstallStep(status, GetDlgItem(page, IDC_SETUP_PROGRESS))) {
          PostMessageW(page, WM_COMMAND, 1, 0);
        } else {
          PropSheet_CancelToClose(g_Setup.Sheet);
          wchar_t text[512];
          LoadSetupString(g_Setup.Failed ? IDS_SETUP_INSTALL_ERROR : IDS_SETUP_INSTALLED, text, 512);
          SetWindowTextW(status, text);
          PropSheet_SetWizButtons(g_Setup.Sheet, PSWIZB_FINISH);
        }
      }
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR* nm = (const NMHDR*)lParam;
      if (nm->code == PSN_SETACTIVE) {
        PropSheet_SetWizButtons(g_Setup.Sheet, 0);
        g_Setup.Step = 0;
        SetTimer(page, 1, 300, nullptr);
        SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      if (nm->code == PSN_WIZFINISH) {
        if (!g_Setup.Failed && g_Setup.RegisterAtStartup) StartLauncherAtFinish();
        SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      return FALSE;
    }
  }
  return FALSE;
}

INT_PTR ShowSetupWizard() {
  PROPSHEETPAGEW pages[2] = {};
  const int templates[2] = {IDD_SETUP_OPTIONS, IDD_SETUP_PROGRESS};
  const DLGPROC procs[2] = {OptionsPageProc, ProgressPageProc};
  for (int i = 0; i < 2; ++i) {
    pages[i].dwSize = sizeof pages[i];
    pages[i].hInstance = SetupTemplateModule(templates[i]);
    pages[i].pszTemplate = MAKEINTRESOURCEW(templates[i]);
    pages[i].pfnDlgProc = procs[i];
  }
  PROPSHEETHEADERW header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_WIZARD | PSH_NOAPPLYNOW | PSH_PROPSHEETPAGE;
  header.hInstance = g_Setup.Instance;
  header.nPages = 2;
  header.ppsp = pages;
  return PropertySheetW(&header);
}
