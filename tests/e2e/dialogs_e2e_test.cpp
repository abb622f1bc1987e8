// The dialogs of the real launcher, opened from its menu commands and
// driven from outside the process.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <gtest/gtest.h>

#include <string>

#include "e2e/launcher_fixture.h"

namespace {

struct Found {
  DWORD Pid;
  const wchar_t* Caption;
  HWND Window;
};

BOOL CALLBACK FindDialog(HWND w, LPARAM lp) {
  Found* f = (Found*)lp;
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t text[128] = {}, cls[32] = {};
  GetClassNameW(w, cls, 32);
  GetWindowTextW(w, text, 128);
  if (pid == f->Pid && !wcscmp(cls, L"#32770") && !wcscmp(text, f->Caption) && IsWindowVisible(w)) {
    f->Window = w;
    return FALSE;
  }
  return TRUE;
}

// The launcher's visible dialog with that caption, waiting for it.
HWND WaitDialog(const e2e::Launcher& l, const wchar_t* caption, DWORD timeoutMs = 10000) {
  DWORD start = GetTickCount();
  do {
    Found f = {l.Info.dwProcessId, caption, nullptr};
    EnumWindows(FindDialog, (LPARAM)&f);
    if (f.Window) return f.Window;
    Sleep(50);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

bool WaitGone(HWND w, DWORD timeoutMs = 10000) {
  DWORD start = GetTickCount();
  while (IsWindow(w)) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

std::wstring ItemText(HWND dialog, int id) {
  wchar_t text[256] = {};
  SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, 256, (LPARAM)text);
  return text;
}

HWND CurrentPage(HWND sheet) { return (HWND)SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0); }

// A file of the data folder, which may be a per-user folder below Data.
std::wstring DataFile(const e2e::ProgramFolder& folder, const wchar_t* name) {
  for (const std::wstring& f : ListFiles(folder.Dir.Path)) {
    size_t n = wcslen(name);
    if (f.rfind(L"Data\\", 0) == 0 && f.size() > n && f.compare(f.size() - n, n, name) == 0 && f[f.size() - n - 1] == L'\\')
      return folder.Dir.File(f.c_str());
  }
  return folder.Dir.File((std::wstring(L"Data\\") + name).c_str());
}

// [General] value of key in the written settings.
std::wstring General(const e2e::ProgramFolder& folder, const wchar_t* key) {
  std::string bytes = ReadFileBytes(DataFile(folder, L"Vantrel.ini"));
  if (bytes.size() < 2) return L"";
  std::wstring text((const wchar_t*)(bytes.data() + 2), (bytes.size() - 2) / 2);
  std::wstring pat = std::wstring(L"\r\n") + key + L"=";
  size_t at = text.find(pat);
  if (at == std::wstring::npos) return L"";
  at += pat.size();
  return text.substr(at, text.find(L"\r\n", at) - at);
}

const wchar_t kSheet[] = L"Vantrel Options [View Mode 1]";

// The options sheet as the launcher's menu command opens it.
HWND OpenOptionsSheet(const e2e::Launcher& l, HWND w) {
  PostMessageW(w, WM_COMMAND, 40019, 0);
  return WaitDialog(l, kSheet);
}

TEST(DialogsE2E, OptionsSheetFromTheMenuCancelsAndSavesAndStartsAgainFromWhatItWrote) {
  e2e::ProgramFolder folder(true);
  {
    e2e::Launcher l;
    HWND w = l.StartReady(folder, L"");
    ASSERT_TRUE(w);
    // Settings as the first run writes them.
    HWND sheet = OpenOptionsSheet(l, w);
    ASSERT_TRUE(sheet);
    PropSheet_PressButton(sheet, PSBTN_OK);
    ASSERT_TRUE(WaitGone(sheet));
    ASSERT_TRUE(l.Answers());
    std::string settings = ReadFileBytes(DataFile(folder, L"Vantrel.ini"));
    std::string design = ReadFileBytes(DataFile(folder, L"Design.ini"));
    ASSERT_FALSE(settings.empty());

    // Every page opens; changes on the Clicks page, then Cancel.
    sheet = OpenOptionsSheet(l, w);
    ASSERT_TRUE(sheet);
    for (int i = 1; i < 16; i++) {
      SendMessageW(sheet, PSM_SETCURSEL, (WPARAM)i, 0);
      ASSERT_TRUE(CurrentPage(sheet)) << i;
    }
    SendMessageW(sheet, PSM_SETCURSEL, 0, 0);
    HWND page = CurrentPage(sheet);
    SendMessageW(GetDlgItem(page, 1089), WM_SETTEXT, 0, (LPARAM)L"4321");
    SendMessageW(GetDlgItem(page, 1148), BM_CLICK, 0, 0);
    PropSheet_PressButton(sheet, PSBTN_CANCEL);
    ASSERT_TRUE(WaitGone(sheet));
    ASSERT_TRUE(l.Answers());
    EXPECT_EQ(settings, ReadFileBytes(DataFile(folder, L"Vantrel.ini")));
    EXPECT_EQ(design, ReadFileBytes(DataFile(folder, L"Design.ini")));

    // The same change with OK, and a delay the page clamps.
    sheet = OpenOptionsSheet(l, w);
    ASSERT_TRUE(sheet);
    page = CurrentPage(sheet);  // the page left last: Clicks
    EXPECT_EQ(0, PropSheet_HwndToIndex(sheet, page));
    SendMessageW(GetDlgItem(page, 1089), WM_SETTEXT, 0, (LPARAM)L"12000");
    PropSheet_PressButton(sheet, PSBTN_OK);
    ASSERT_TRUE(WaitGone(sheet));
    ASSERT_TRUE(l.Answers());
    EXPECT_EQ(L"10000", General(folder, L"PressHoldG"));
    EXPECT_EQ(0, l.Quit());
  }
  // Started again from what it wrote, the page shows the stored delay.
  e2e::Launcher again;
  HWND w = again.StartReady(folder, L"");
  ASSERT_TRUE(w);
  HWND sheet = OpenOptionsSheet(again, w);
  ASSERT_TRUE(sheet);
  EXPECT_EQ(L"10000", ItemText(CurrentPage(sheet), 1089));
  PropSheet_PressButton(sheet, PSBTN_CANCEL);
  ASSERT_TRUE(WaitGone(sheet));
  EXPECT_EQ(0, again.Quit());
}

TEST(DialogsE2E, EdgesAndCirclesPagesWriteWhatTheNextStartShows) {
  e2e::ProgramFolder folder(true);
  {
    e2e::Launcher l;
    HWND w = l.StartReady(folder, L"");
    ASSERT_TRUE(w);
    HWND sheet = OpenOptionsSheet(l, w);
    ASSERT_TRUE(sheet);
    SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
    // Typed and applied at once: the delay is clamped all the same.
    SendMessageW(GetDlgItem(CurrentPage(sheet), 1162), WM_SETTEXT, 0, (LPARAM)L"99999");
    SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
    HWND circles = CurrentPage(sheet);
    // A maximum radius below the minimum is stored as the minimum.
    SendMessageW(GetDlgItem(circles, 1180), WM_SETTEXT, 0, (LPARAM)L"3");
    SendMessageW(GetDlgItem(circles, 1182), WM_SETTEXT, 0, (LPARAM)L"50");
    PropSheet_PressButton(sheet, PSBTN_OK);
    ASSERT_TRUE(WaitGone(sheet));
    ASSERT_TRUE(l.Answers());
    EXPECT_EQ(L"10000", General(folder, L"ShowDelay"));

    // The hot-key list opens from its menu command and closes with OK.
    PostMessageW(w, WM_COMMAND, 40011, 0);
    HWND list = WaitDialog(l, L"Hotkey List");
    ASSERT_TRUE(list);
    EXPECT_TRUE(GetDlgItem(list, 1398));
    PostMessageW(list, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitGone(list));
    EXPECT_EQ(0, l.Quit());
  }
  e2e::Launcher again;
  HWND w = again.StartReady(folder, L"");
  ASSERT_TRUE(w);
  HWND sheet = OpenOptionsSheet(again, w);
  ASSERT_TRUE(sheet);
  SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
  EXPECT_EQ(L"50", ItemText(CurrentPage(sheet), 1180));
  EXPECT_EQ(L"50", ItemText(CurrentPage(sheet), 1182));
  SendMessageW(sheet, PSM_SETCURSEL, 1, 0);
  EXPECT_EQ(L"10000", ItemText(CurrentPage(sheet), 1162));
  PropSheet_PressButton(sheet, PSBTN_CANCEL);
  ASSERT_TRUE(WaitGone(sheet));
  EXPECT_EQ(0, again.Quit());
}

TEST(DialogsE2E, AboutAndLanguageFromTheMenu) {
  e2e::ProgramFolder folder(true);
  e2e::Launcher l;
  HWND w = l.StartReady(folder, L"");
  ASSERT_TRUE(w);
  PostMessageW(w, WM_COMMAND, 40001, 0);
  HWND about = WaitDialog(l, L"About Vantrel");
  ASSERT_TRUE(about);
  EXPECT_EQ(std::wstring(sizeof(void*) == 8 ? L"Vantrel 64-bit Version " : L"Vantrel Version ") + L"4.2.2",
            ItemText(about, 1401));
  PostMessageW(about, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitGone(about));

  PostMessageW(w, WM_COMMAND, 40002, 0);
  HWND lang = WaitDialog(l, L"Choose Language");
  ASSERT_TRUE(lang);
  // The built-in language and the shipped English.dll.
  EXPECT_EQ(2, (int)SendMessageW(GetDlgItem(lang, 1035), LB_GETCOUNT, 0, 0));
  PostMessageW(lang, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitGone(lang));
  ASSERT_TRUE(l.Answers());
  EXPECT_EQ(L"English.dll", General(folder, L"Language"));
  EXPECT_EQ(0, l.Quit());
}

}  // namespace
