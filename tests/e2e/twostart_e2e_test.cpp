// The real Vantrel.exe started twice from an empty data folder: the second
// start draws exactly what the first drew and leaves its files as they were.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "e2e/launcher_fixture.h"
#include "e2e/screen_capture.h"
#include "support/canvas.h"
#include "support/test_support.h"

namespace {

using namespace e2e;

// Pixels of the rows top..bottom whose every channel is below 0x30.
int DarkPixels(const Canvas& c, int top, int bottom) {
  int n = 0;
  for (int y = top; y <= bottom; y++)
    for (int x = 0; x < c.Width; x++) {
      COLORREF p = c.At(x, y);
      n += GetRValue(p) < 0x30 && GetGValue(p) < 0x30 && GetBValue(p) < 0x30;
    }
  return n;
}

// A first start keeps its files in the program folder's Data\<user>.
std::wstring DataFile(const ProgramFolder& folder, const wchar_t* name) {
  wchar_t user[257] = L"";
  DWORD chars = ARRAYSIZE(user);
  GetUserNameW(user, &chars);
  return folder.Dir.File(L"Data\\") + user + L"\\" + name;
}

struct Start {
  std::unique_ptr<Canvas> Shot;
  RECT Rect = {};
  std::string Settings, Design;
};

ULONGLONG WriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a)) return 0;
  return ((ULONGLONG)a.ftLastWriteTime.dwHighDateTime << 32) | a.ftLastWriteTime.dwLowDateTime;
}

// The classic window is light: its frame, tab strip and button faces are
// shades of white and grey, text and icons the only dark pixels. A page
// design read as all zero draws the tab strip and the buttons black.
void ExpectLight(const Canvas& c) {
  int half = c.Height / 2;
  EXPECT_LT(DarkPixels(c, 0, half - 1), c.Width * half / 5) << "upper half (caption and tabs) dark";
  EXPECT_LT(DarkPixels(c, half, c.Height - 1), c.Width * (c.Height - half) / 5) << "lower half (buttons) dark";
}

// One start shown at 100,100 and captured; then a change taken back (pinned
// and unpinned), so that the exit saves the settings as after any change;
// ended from the menu. The files it left.
void RunOnce(const ProgramFolder& folder, const wchar_t* shotName, Start* out) {
  Launcher l;
  HWND w = StartShown(l, folder, L"/n /s100:100");
  ASSERT_NE(nullptr, w);
  out->Shot = CaptureAndKeep(w, shotName);
  out->Rect = WindowRect(w);
  ExpectLight(*out->Shot);

  ASSERT_TRUE(ChangeAndTakeBack(l, w));
  ULONGLONG settingsBefore = WriteTime(DataFile(folder, L"Vantrel.ini"));
  ULONGLONG designBefore = WriteTime(DataFile(folder, L"Design.ini"));
  Sleep(50);  // a rewrite gets a later time
  EXPECT_EQ(0, l.Quit());
  EXPECT_NE(settingsBefore, WriteTime(DataFile(folder, L"Vantrel.ini"))) << "Vantrel.ini not saved at exit";
  EXPECT_NE(designBefore, WriteTime(DataFile(folder, L"Design.ini"))) << "Design.ini not saved at exit";
  out->Settings = ReadFileBytes(DataFile(folder, L"Vantrel.ini"));
  out->Design = ReadFileBytes(DataFile(folder, L"Design.ini"));
}

std::wstring Utf16(const std::string& bytes) {
  if (bytes.size() < 2) return L"";
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

void ExpectSameStart(const Start& first, const Start& later) {
  EXPECT_TRUE(EqualRect(&first.Rect, &later.Rect));
  EXPECT_TRUE(SamePixels(*first.Shot, *later.Shot)) << DifferentPixels(*first.Shot, *later.Shot) << " pixels differ";
  EXPECT_TRUE(first.Settings == later.Settings) << "Vantrel.ini changed";
  EXPECT_TRUE(first.Design == later.Design) << "Design.ini changed";
}

TEST(TwoStartE2E, TheSecondStartDrawsAsTheFirstAndKeepsItsFiles) {
  ProgramFolder folder(false);
  ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(DataFile(folder, L"Vantrel.ini").c_str()));

  Start first, second, third;
  RunOnce(folder, L"twostart-first.bmp", &first);
  if (HasFatalFailure()) return;
  const Canvas& a = *first.Shot;
  ASSERT_GT(a.Width, 100);
  ASSERT_GT(a.Height, 100);
  EXPECT_EQ(100, first.Rect.left);
  EXPECT_EQ(100, first.Rect.top);

  // The capture holds the launcher, not what lies under it: with the window
  // gone the same place reads differently almost everywhere.
  std::unique_ptr<Canvas> under = CaptureScreen(first.Rect);
  EXPECT_GT(DifferentPixels(a, *under), a.Width * a.Height * 9 / 10);

  // The page designs are saved with the rest.
  std::wstring design = Utf16(first.Design);
  ASSERT_FALSE(first.Settings.empty());
  size_t at = design.find(L"\r\n[PageDefault]\r\n");
  ASSERT_NE(std::wstring::npos, at);
  for (const wchar_t* page : {L"\r\n[Page000]\r\n", L"\r\n[Page001]\r\n", L"\r\n[Page002]\r\n"}) {
    at = design.find(page, at);
    EXPECT_NE(std::wstring::npos, at) << "no page design in Design.ini";
    if (at == std::wstring::npos) break;
  }

  RunOnce(folder, L"twostart-second.bmp", &second);
  if (HasFatalFailure()) return;
  ExpectSameStart(first, second);

  // Without Design.ini the launcher draws with the default design, which is
  // what the first start had, and saves it again at exit.
  ASSERT_TRUE(DeleteFileW(DataFile(folder, L"Design.ini").c_str()));
  RunOnce(folder, L"twostart-third.bmp", &third);
  if (HasFatalFailure()) return;
  ExpectSameStart(first, third);
}

}  // namespace
