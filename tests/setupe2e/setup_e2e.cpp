// End to end: the staged distribution installed by Setup.exe driven through
// its wizard, over a hook library held by another process, then removed by
// the installed Setup.exe /r driven through its dialogs. Runs in a Wine
// prefix of its own: it writes the machine's Uninstall key.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>

#include "support/test_support.h"

namespace {

const wchar_t kInstall[] = L"C:\\VnSetupTest\\Vantrel\\";
const wchar_t kKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vantrel";

std::wstring Dist() { return BuildFile(L"setupdist"); }

HANDLE Start(const std::wstring& exe, const std::wstring& args) {
  std::wstring line = L"\"" + exe + L"\" " + args;
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi;
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return nullptr;
  CloseHandle(pi.hThread);
  return pi.hProcess;
}

struct Find { const wchar_t* title; int child; HWND found; };
BOOL CALLBACK FindTop(HWND w, LPARAM p) {
  Find* f = (Find*)p;
  wchar_t cls[64], text[128];
  GetClassNameW(w, cls, 64);
  GetWindowTextW(w, text, 128);
  if (!IsWindowVisible(w) || wcscmp(cls, L"#32770")) return TRUE;
  if (f->title && wcscmp(text, f->title)) return TRUE;
  if (f->child) {
    // the wizard's page is a grandchild
    HWND page = PropSheet_GetCurrentPageHwnd(w);
    if (!GetDlgItem(w, f->child) && !(page && GetDlgItem(page, f->child))) return TRUE;
  }
  f->found = w;
  return FALSE;
}

// ms 0: one look.
HWND WaitDialog(const wchar_t* title, int child, DWORD ms = 20000) {
  for (DWORD t = 0;; t += 100) {
    Find f = {title, child, nullptr};
    EnumWindows(FindTop, (LPARAM)&f);
    if (f.found || t >= ms) return f.found;
    Sleep(100);
  }
}

// Ends a started helper on every way out of the test, so nothing keeps
// the run's output open.
struct Ended {
  HANDLE Process;
  ~Ended() {
    if (Process) {
      TerminateProcess(Process, 0);
      CloseHandle(Process);
    }
  }
};

// The static text of a message box.
std::wstring BoxText(HWND box) {
  wchar_t text[1024] = L"";
  GetDlgItemTextW(box, 0xFFFF, text, 1024);
  return text;
}

// With VN_SETUP_SHOTS naming a folder, a request file there asks the
// watcher outside Wine to take a picture of the screen, and the test waits
// until it is taken (other windows' pixels are not readable from here).
void Shot(HWND w, const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  if (!GetEnvironmentVariableW(L"VN_SETUP_SHOTS", folder, MAX_PATH)) return;
  Sleep(500);
  std::wstring request = std::wstring(folder) + L"\\" + name + L".request";
  WriteFileBytes(request, "");
  for (int i = 0; i < 100 && GetFileAttributesW(request.c_str()) != INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
}

std::wstring RegValue(const wchar_t* name) {
  wchar_t data[600] = L"";
  DWORD bytes = sizeof data;
  if (RegGetValueW(HKEY_LOCAL_MACHINE, kKey, name, RRF_RT_REG_SZ, nullptr, data, &bytes) != ERROR_SUCCESS)
    return L"<none>";
  return data;
}

std::wstring UserFolder(int csidl) {
  wchar_t path[MAX_PATH] = L"";
  SHGetFolderPathW(nullptr, csidl, nullptr, 0, path);
  return path;
}

bool ShortcutTarget(const std::wstring& link, std::wstring* target, std::wstring* args) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* sl = nullptr;
  IPersistFile* pf = nullptr;
  bool ok = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void**)&sl)) &&
            SUCCEEDED(sl->QueryInterface(IID_IPersistFile, (void**)&pf)) && SUCCEEDED(pf->Load(link.c_str(), STGM_READ));
  if (ok) {
    wchar_t t[MAX_PATH] = L"", a[260] = L"";
    sl->GetPath(t, MAX_PATH, nullptr, 0);
    sl->GetArguments(a, 260);
    *target = t;
    *args = a;
  }
  if (pf) pf->Release();
  if (sl) sl->Release();
  CoUninitialize();
  return ok;
}

HANDLE DuplicateOf(HANDLE h) {
  HANDLE copy = nullptr;
  DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
  return copy;
}

bool Exists(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST(SetupEndToEnd, InstallsOverAHeldLibraryAndUninstalls) {
  ASSERT_TRUE(Exists(Dist() + L"\\Setup.exe"));
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, kKey);
  RemoveTree(L"C:\\VnSetupTest");
  // Desktop shell stand-in: the installer takes the desktop user's token from it.
  HANDLE shell = Start(BuildFile(L"shellstandin.exe"), L"");
  ASSERT_TRUE(shell);
  Ended endShell = {shell};
  Sleep(1500);

  // An earlier hook library, mapped by this process while Setup replaces it.
  CreateDirectoryW(L"C:\\VnSetupTest", nullptr);
  CreateDirectoryW(L"C:\\VnSetupTest\\Vantrel", nullptr);
  std::wstring hook = std::wstring(kInstall) + L"VnHook.dll";
  ASSERT_TRUE(WriteFileBytes(hook, ReadFileBytes(Dist() + L"\\VnHook.dll") + std::string(64, 'x')));
  HMODULE held = LoadLibraryW(hook.c_str());
  ASSERT_TRUE(held);

  HANDLE setup = Start(Dist() + L"\\Setup.exe", L"");
  ASSERT_TRUE(setup);
  Ended endSetup = {DuplicateOf(setup)};
  HWND sheet = WaitDialog(nullptr, 2002);
  ASSERT_TRUE(sheet) << "no wizard";
  HWND page = PropSheet_GetCurrentPageHwnd(sheet);
  Shot(sheet, L"setup-options.png");
  SetDlgItemTextW(page, 2002, kInstall);
  SendDlgItemMessageW(page, 2007, BM_CLICK, 0, 0);  // desktop shortcut
  // The start options of the Startup shortcut.
  PostMessageW(page, WM_COMMAND, 2006, 0);
  HWND options = WaitDialog(L"Startup Options", 2018);
  ASSERT_TRUE(options);
  SendDlgItemMessageW(options, 2017, BM_CLICK, 0, 0);
  SetDlgItemTextW(options, 2018, L"2");
  SendDlgItemMessageW(options, 2013, BM_CLICK, 0, 0);
  Shot(options, L"setup-startoptions.png");
  SendMessageW(options, WM_COMMAND, IDOK, 0);
  Sleep(300);
  PropSheet_PressButton(sheet, PSBTN_NEXT);
  // The progress page runs its steps and ends with the success text.
  std::wstring status;
  for (int i = 0; i < 300; ++i) {
    HWND progressPage = PropSheet_GetCurrentPageHwnd(sheet);
    wchar_t text[512] = L"";
    if (progressPage) GetDlgItemTextW(progressPage, 2010, text, 512);
    status = text;
    if (status.find(L"successfully installed") != std::wstring::npos || status.find(L"error") != std::wstring::npos)
      break;
    HWND box = WaitDialog(L"Vantrel", 0xFFFF, 0);
    ASSERT_FALSE(box) << "message: " << std::string(BoxText(box).begin(), BoxText(box).end());
    Sleep(100);
  }
  EXPECT_NE(std::wstring::npos, status.find(L"successfully installed"));
  Shot(sheet, L"setup-progress.png");
  PropSheet_PressButton(sheet, PSBTN_FINISH);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(setup, 20000));
  CloseHandle(setup);
  FreeLibrary(held);

  // Files identical, the folder skin's sub-folder included.
  for (const wchar_t* f : {L"Vantrel.exe", L"VnHook.dll", L"Setup.exe", L"VnAdmin.exe", L"Languages\\English.dll",
                           L"Languages\\Language.ini", L"Skins\\Basalt.zip", L"Skins\\Basalt\\skin.xml"}) {
    std::string want = ReadFileBytes(Dist() + L"\\" + f);
    EXPECT_FALSE(want.empty()) << (int)f[0];
    EXPECT_TRUE(want == ReadFileBytes(std::wstring(kInstall) + f)) << std::string(f, f + wcslen(f));
  }
  // The Uninstall entry, every value (Wine lists values sorted by name, so
  // the order they were written in is not visible here).
  for (const wchar_t* name : {L"DisplayName", L"DisplayIcon", L"DisplayVersion", L"Publisher", L"InstallLocation",
                              L"UninstallString", L"URLInfoAbout", L"HelpLink", L"URLUpdateInfo", L"Contact"})
    EXPECT_NE(L"<none>", RegValue(name)) << std::string(name, name + wcslen(name));
  EXPECT_EQ(L"Vantrel", RegValue(L"DisplayName"));
  EXPECT_EQ(L"4.22", RegValue(L"DisplayVersion"));
  EXPECT_EQ(std::wstring(kInstall), RegValue(L"InstallLocation"));
  EXPECT_EQ(std::wstring(kInstall) + L"Vantrel.exe", RegValue(L"DisplayIcon"));
  EXPECT_EQ(L"\"" + std::wstring(kInstall) + L"Setup.exe\" /r", RegValue(L"UninstallString"));
  // The shortcuts read back.
  std::wstring target, args;
  ASSERT_TRUE(ShortcutTarget(UserFolder(CSIDL_STARTUP) + L"\\Vantrel.lnk", &target, &args));
  EXPECT_EQ(0, _wcsicmp((std::wstring(kInstall) + L"Vantrel.exe").c_str(), target.c_str()));
  EXPECT_EQ(L" /p2 /m", args);
  ASSERT_TRUE(ShortcutTarget(UserFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Vantrel.lnk", &target, &args));
  EXPECT_EQ(0, _wcsicmp((std::wstring(kInstall) + L"Vantrel.exe").c_str(), target.c_str()));

  // A second run offers what the first one wrote.
  setup = Start(std::wstring(kInstall) + L"Setup.exe", L"");
  sheet = WaitDialog(nullptr, 2002);
  ASSERT_TRUE(sheet);
  page = PropSheet_GetCurrentPageHwnd(sheet);
  wchar_t folder[MAX_PATH];
  GetDlgItemTextW(page, 2002, folder, MAX_PATH);
  EXPECT_STREQ(kInstall, folder);
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page, 2004));
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page, 2007));
  PropSheet_PressButton(sheet, PSBTN_CANCEL);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(setup, 20000));
  CloseHandle(setup);

  // Uninstall: a foreign file in Data, held open, is reported and kept.
  std::wstring data = std::wstring(kInstall) + L"Data";
  CreateDirectoryW(data.c_str(), nullptr);
  std::wstring foreign = data + L"\\foreign.txt";
  HANDLE keep = CreateFileW(foreign.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, keep);
  HANDLE remover = Start(std::wstring(kInstall) + L"Setup.exe", L"/r");
  HWND ask = WaitDialog(L"Vantrel", 0xFFFF);
  ASSERT_TRUE(ask);
  EXPECT_NE(std::wstring::npos, BoxText(ask).find(L"Are you sure"));
  Shot(ask, L"uninstall-confirm.png");
  SendMessageW(ask, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(remover, 20000));
  CloseHandle(remover);
  // The copy reports the kept file and the folder it keeps, then the result.
  int reported = 0;
  HWND done = nullptr;
  for (int i = 0; i < 300 && !done; ++i) {
    HWND box = WaitDialog(L"Vantrel", 0xFFFF, 0);
    if (box) {
      std::wstring text = BoxText(box);
      if (text.find(L"foreign.txt") != std::wstring::npos) {
        if (!reported++) Shot(box, L"uninstall-delete-failed.png");
      }
      SendMessageW(box, WM_COMMAND, IDOK, 0);
    }
    HWND dlg = WaitDialog(L"Uninstall Vantrel", 2026, 0);
    if (dlg && IsWindowEnabled(GetDlgItem(dlg, IDCANCEL))) done = dlg;
    Sleep(100);
  }
  ASSERT_TRUE(done);
  EXPECT_GE(reported, 1);
  wchar_t result[512];
  GetDlgItemTextW(done, 2026, result, 512);
  EXPECT_NE(std::wstring::npos, std::wstring(result).find(L"not empty")) << std::string(result, result + wcslen(result));
  Shot(done, L"uninstall-result.png");
  SendMessageW(done, WM_COMMAND, IDCANCEL, 0);
  Sleep(500);
  CloseHandle(keep);

  EXPECT_TRUE(Exists(foreign));
  for (const wchar_t* f : {L"Vantrel.exe", L"VnHook.dll", L"Setup.exe", L"VnAdmin.exe", L"Skins", L"Languages"})
    EXPECT_FALSE(Exists(std::wstring(kInstall) + f)) << std::string(f, f + wcslen(f));
  EXPECT_EQ(L"<none>", RegValue(L"DisplayName"));
  EXPECT_FALSE(Exists(UserFolder(CSIDL_STARTUP) + L"\\Vantrel.lnk"));
  EXPECT_FALSE(Exists(UserFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Vantrel.lnk"));

  RemoveTree(L"C:\\VnSetupTest");
}
