// The real Vantrel.exe's window as a user meets it: circles drawn with the
// mouse, the hover highlight and tooltips of its buttons, the menu key.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "e2e/launcher_fixture.h"
#include "hooklib/vnhook.h"
#include "support/test_support.h"

namespace {

using namespace e2e;

// Low-level mouse hook on its own thread; no auto-hide.
const wchar_t kHookOption1[] = L"00100021";

// Mouse moves to each point in turn, as a device would send them.
void InjectPath(const std::vector<POINT>& path) {
  for (const POINT& p : path) {
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in.mi.dx = AbsoluteX(p.x);
    in.mi.dy = AbsoluteY(p.y);
    SendInput(1, &in, sizeof in);
    Sleep(20);
  }
}

// Strokes along a diamond round c, corner to corner in small steps, starting
// at its left corner: clockwise on the screen (left, top, right, bottom) or
// the other way round.
std::vector<POINT> Circle(POINT c, int radius, bool clockwise, int strokes) {
  const POINT cw[4] = {{c.x - radius, c.y}, {c.x, c.y - radius}, {c.x + radius, c.y}, {c.x, c.y + radius}};
  std::vector<POINT> path = {cw[0]};
  for (int s = 0; s < strokes; ++s) {
    int from = clockwise ? s % 4 : (4 - s % 4) % 4;
    int to = clockwise ? (from + 1) % 4 : (from + 3) % 4;
    for (int k = 1; k <= 4; ++k)
      path.push_back(POINT{cw[from].x + (cw[to].x - cw[from].x) * k / 4, cw[from].y + (cw[to].y - cw[from].y) * k / 4});
  }
  return path;
}

std::wstring CircleSection(int detector, int page, int button) {
  return L"\r\n[Circle" + std::to_wstring(detector) + L"]\r\nFlag=1\r\nNumber=7\r\nMaximum=500\r\nMinimum=5\r\nPage=" +
         std::to_wstring(page) + L"\r\nButton=" + std::to_wstring(button) + L"\r\n";
}

TEST(WindowE2E, CirclesLaunchTheirButtonAndShowTheLauncher) {
  ProgramFolder folder(true);
  // Circle 1 (counter-clockwise) runs page 0's button; circle 0
  // (clockwise) shows the launcher at the show point (DispPosition bit 11).
  folder.SeedSettings(1,
                      L"DispPosition=00000800\r\nShowPosX=150\r\nShowPosY=120\r\n" + CircleSection(0, 0xFFFF, 0) +
                          CircleSection(1, 0, 0),
                      {folder.MarkerButton(L"hit", 0, 0)}, kHookOption1);
  Launcher l;
  HWND w = l.StartReady(folder, L"");
  ASSERT_NE(nullptr, w);
  ASSERT_FALSE(Visible(w));

  InjectPath(Circle(POINT{600, 400}, 40, false, 10));
  EXPECT_EQ(1u, WaitForMarks(folder, 1).size());
  EXPECT_EQ("hit", MarkNames(folder));
  EXPECT_FALSE(Visible(w));

  InjectPath(Circle(POINT{600, 400}, 40, true, 10));
  ASSERT_TRUE(BecomesVisible(w));
  RECT r = WindowRect(w);
  EXPECT_EQ(150, r.left);
  EXPECT_EQ(120, r.top);
  Sleep(300);
  EXPECT_EQ("hit", MarkNames(folder)) << "the show circle launched nothing";
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
  EXPECT_EQ(0, l.Quit());
}

// The screen's pixels in r.
std::vector<COLORREF> Grab(RECT r) {
  int w = r.right - r.left, h = r.bottom - r.top;
  std::vector<COLORREF> px((size_t)w * h);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(dc, bmp);
  BitBlt(dc, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px[(size_t)y * w + x] = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return px;
}

int Differing(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
  int n = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
  return n;
}

struct TipFind {
  DWORD Pid;
  HWND Tip;
};

BOOL CALLBACK FindShownTip(HWND w, LPARAM lp) {
  TipFind* f = (TipFind*)lp;
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t cls[32];
  if (pid == f->Pid && IsWindowVisible(w) && GetClassNameW(w, cls, 32) && !lstrcmpiW(cls, L"tooltips_class32")) {
    f->Tip = w;
    return FALSE;
  }
  return TRUE;
}

// The text of the launcher's tooltip once it shows text, waiting up to 5 s;
// "" when none showed.
std::wstring ShownTipText(const Launcher& l, const std::wstring& unlike = L"") {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 5000) {
    TipFind f = {l.Info.dwProcessId, nullptr};
    EnumWindows(FindShownTip, (LPARAM)&f);
    // Another process's window answers WM_GETTEXT with what it shows;
    // GetWindowText would give only its title.
    wchar_t text[128] = L"";
    DWORD_PTR got = 0;
    if (f.Tip && SendMessageTimeoutW(f.Tip, WM_GETTEXT, 128, (LPARAM)text, SMTO_ABORTIFHUNG, 1000, &got) && got > 0 &&
        text != unlike)
      return text;
    Sleep(50);
  }
  return L"";
}

TEST(WindowE2E, HoveredButtonIsHighlightedAndShowsItsTip) {
  ProgramFolder folder(false);
  // Every cell of the 7 x 3 grid holds a button named after its place, with
  // a tip of its own.
  std::vector<std::wstring> buttons;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 7; ++column) {
      std::wstring name = L"r" + std::to_wstring(row) + L"c" + std::to_wstring(column);
      buttons.push_back(folder.MarkerButton(name.c_str(), row, column) + L"Tip=Starts " + name + L"\r\n");
    }
  }
  folder.SeedSettings(1, L"", buttons);
  ASSERT_TRUE(MovePointer(900, 700));
  Launcher l;
  HWND w = l.StartReady(folder, L"/n");
  ASSERT_NE(nullptr, w);
  ASSERT_TRUE(BecomesVisible(w));
  RECT r = WindowRect(w);
  ASSERT_LT(r.right, 900);
  ASSERT_LT(r.bottom, 700);
  POINT mid = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  // Left of the middle: the middle cell's face beside its icon, above where
  // the tooltip opens.
  RECT probe = {mid.x - 25, mid.y - 4, mid.x - 17, mid.y + 12};
  Sleep(300);
  std::vector<COLORREF> plain = Grab(probe);

  // The middle of the window lies on the middle cell.
  ASSERT_TRUE(MovePointer(mid.x, mid.y));
  EXPECT_EQ(L"Starts r1c3", ShownTipText(l));
  std::vector<COLORREF> hovered = Grab(probe);
  EXPECT_GT(Differing(plain, hovered), (int)plain.size() / 2) << "no hover highlight on the screen";

  // The next cell: its own tip, and the highlight leaves the first.
  ASSERT_TRUE(MovePointer(mid.x + 62, mid.y));
  EXPECT_EQ(L"Starts r1c4", ShownTipText(l, L"Starts r1c3"));
  EXPECT_EQ(0, Differing(plain, Grab(probe)));
  EXPECT_EQ("", MarkNames(folder));
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
}

// The launcher's visible popup menu, waiting up to 3 s.
HWND ShownMenu(const Launcher& l) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 3000) {
    for (HWND m = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); m; m = FindWindowExW(nullptr, m, L"#32768", nullptr)) {
      DWORD pid = 0;
      GetWindowThreadProcessId(m, &pid);
      if (pid == l.Info.dwProcessId && IsWindowVisible(m)) return m;
    }
    Sleep(50);
  }
  return nullptr;
}

TEST(WindowE2E, MenuKeyOpensTheWindowsMenuAtTheButtonArea) {
  ProgramFolder folder(false);
  folder.SeedSettings(2);
  ASSERT_TRUE(MovePointer(900, 700));  // no button under the pointer
  Launcher l;
  HWND w = l.StartReady(folder, L"/n");
  ASSERT_NE(nullptr, w);
  ASSERT_TRUE(BecomesVisible(w));
  DWORD start = GetTickCount();
  while (GetForegroundWindow() != w && GetTickCount() - start < 3000) {
    SetForegroundWindow(w);
    Sleep(50);
  }
  ASSERT_EQ(w, GetForegroundWindow());
  INPUT key[2] = {};
  key[0].type = key[1].type = INPUT_KEYBOARD;
  key[0].ki.wVk = key[1].ki.wVk = VK_APPS;
  key[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, key, sizeof(INPUT));
  HWND menu = ShownMenu(l);
  ASSERT_NE(nullptr, menu);
  RECT r = WindowRect(w), m = WindowRect(menu);
  // At the button area's top-left, under the caption and the tabs: not at
  // the pointer.
  EXPECT_GT(m.left, r.left);
  EXPECT_LT(m.left, r.left + 20);
  EXPECT_GT(m.top, r.top + 30);
  EXPECT_LT(m.top, r.top + 80);
  PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(l.Answers());
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
}

}  // namespace
