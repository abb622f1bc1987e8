// The item store in the real Vantrel.exe: damaged positions under the grid
// line commands, the plug-in list through a write, and buttons dragged by a
// real pointer being saved.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "e2e/launcher_fixture.h"
#include "hooklib/vnhook.h"
#include "support/test_support.h"

namespace {

using namespace e2e;

// Runs one xdotool command line on the X display and waits until it has
// done all of it (Wine gives no handle to wait on for a Unix program: the
// shell leaves a file behind instead).
bool Xdo(const std::wstring& commands) {
  static int runs = 0;
  std::wstring done = L"/tmp/vn-store-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++runs);
  std::wstring seen = L"Z:" + done;
  for (wchar_t& c : seen)
    if (c == L'/') c = L'\\';
  if (!RunXdotool(commands + L"; touch " + done)) return false;
  DWORD start = GetTickCount();
  while (GetFileAttributesW(seen.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount() - start > 15000) return false;
    Sleep(20);
  }
  DeleteFileW(seen.c_str());
  return true;
}

std::wstring MoveTo(POINT p) { return L"mousemove " + std::to_wstring(p.x) + L" " + std::to_wstring(p.y) + L" sleep 0.15 "; }

// Vantrel.ini as text (UTF-16 without its byte-order mark).
std::wstring SettingsText(const ProgramFolder& folder) {
  std::string bytes = ReadFileBytes(folder.Settings());
  if (bytes.size() < 2) return L"";
  return std::wstring((const wchar_t*)(bytes.data() + 2), (bytes.size() - 2) / 2);
}

// The lines of one section, from its header to the next one.
std::wstring Section(const std::wstring& text, const std::wstring& name) {
  size_t at = text.find(L"\r\n[" + name + L"]\r\n");
  if (at == std::wstring::npos) return L"";
  at += name.size() + 6;
  size_t end = text.find(L"\r\n[", at);
  return text.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
}

// Waits up to timeoutMs for the settings file to satisfy ok.
template <class Pred>
bool SettingsBecome(const ProgramFolder& folder, Pred ok, DWORD timeoutMs = 5000) {
  DWORD start = GetTickCount();
  for (;;) {
    if (ok(SettingsText(folder))) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
}

// The page lists of the file for a failure message.
std::string Shown(const ProgramFolder& folder);

std::wstring Button(const wchar_t* name, const std::wstring& row, const std::wstring& column) {
  return L"Type=00000001\r\nName=" + std::wstring(name) + L"\r\nFile=C:\\windows\\notepad.exe\r\nViewMode1Pos=" + row +
         L"," + column + L"\r\nViewMode2Pos=" + row + L"," + column + L"\r\n";
}

// The page lists of the file: "[Page000] a(1,3) b(1,4) | [Page001] ..." with
// each button's name and its ViewMode1Pos.
std::wstring PageButtons(const std::wstring& text) {
  std::wstring out;
  size_t at = 0;
  for (;;) {
    size_t head = text.find(L"\r\n[", at);
    if (head == std::wstring::npos) break;
    size_t close = text.find(L"]", head);
    std::wstring name = text.substr(head + 3, close - head - 3);
    at = close;
    if (name.rfind(L"Page", 0) == 0 && name != L"Pages") {
      out += (out.empty() ? L"" : L" | ") + name + L":";
    } else if (name.rfind(L"Btn", 0) == 0) {
      std::wstring body = Section(text.substr(head), name);
      auto value = [&](const wchar_t* key) {
        size_t k = body.find(std::wstring(key) + L"=");
        if (k == std::wstring::npos) return std::wstring();
        k += wcslen(key) + 1;
        return body.substr(k, body.find(L"\r\n", k) - k);
      };
      out += L" " + value(L"Name") + L"(" + value(L"ViewMode1Pos") + L")";
    } else if (name == L"SubMenus") {
      break;
    }
  }
  return out;
}

std::string Shown(const ProgramFolder& folder) {
  std::wstring w = PageButtons(SettingsText(folder));
  return std::string(w.begin(), w.end());
}

// Screen point of the middle of a grid cell (row, column) of the default
// classic window: 7 x 3 cells of 58 pixels below a 22-pixel caption and a
// 22-pixel tab strip, inside a 6-pixel frame with the button area's 1-pixel
// margin.
POINT CellPoint(HWND w, int row, int column) {
  RECT r = WindowRect(w);
  return POINT{r.left + 7 + column * 58 + 29, r.top + 44 + row * 58 + 29};
}
// The middle of the tab of page p (tabs of 58 pixels from x = 7).
POINT TabPoint(HWND w, int page) {
  RECT r = WindowRect(w);
  return POINT{r.left + 7 + page * 58 + 29, r.top + 33};
}

const int kMax = 0x7FFFFFFF;

// A file with coordinates at the largest int (hand-edited or damaged) starts,
// and the row and column commands of the context menu neither end the
// program nor run past the largest coordinate.
TEST(StoreE2E, DamagedPositionsSurviveTheGridLineCommands) {
  ProgramFolder folder(false);
  std::wstring max = std::to_wstring(kMax), nearMax = std::to_wstring(kMax - 1);
  folder.SeedSettings(1, L"", {Button(L"farColumn", L"1", max), Button(L"farRow", max, L"3"), Button(L"plain", L"1", L"0"),
                               Button(L"nearFar", L"1", nearMax)});
  Launcher l;
  HWND w = l.StartReady(folder, L"/n /s100:100");
  ASSERT_NE(nullptr, w);
  ASSERT_TRUE(BecomesVisible(w));
  struct Step {
    int Command;
    const wchar_t* After;
  } steps[] = {
      // Insert Empty Row at row 1: the far columns move down, the last row cannot.
      {40037, L"Page000: farColumn(2,2147483647) farRow(2147483647,3) plain(2,0) nearFar(2,2147483646)"},
      // Insert Empty Column at column 3: the far row moves on, the last column cannot.
      {40038, L"Page000: farColumn(2,2147483647) farRow(2147483647,4) plain(2,0) nearFar(2,2147483647)"},
      // Delete Empty Row at row 1 (empty now): everything below comes up.
      {40039, L"Page000: farColumn(1,2147483647) farRow(2147483646,4) plain(1,0) nearFar(1,2147483647)"},
      // Delete Empty Column at column 3 (empty): everything right of it comes back.
      {40040, L"Page000: farColumn(1,2147483646) farRow(2147483646,3) plain(1,0) nearFar(1,2147483646)"},
  };
  for (const Step& s : steps) {
    // The command goes to the cell of the context menu, as when chosen from it.
    ASSERT_TRUE(Xdo(MoveTo(CellPoint(w, 1, 3)) + L"click 3 sleep 0.4 key Escape sleep 0.2"));
    ASSERT_TRUE(l.Answers()) << s.Command;
    PostMessageW(w, WM_COMMAND, s.Command, 0);
    ASSERT_TRUE(l.Answers()) << s.Command;
    ASSERT_TRUE(l.Running()) << s.Command;
    EXPECT_TRUE(SettingsBecome(folder, [&](const std::wstring& t) { return PageButtons(t) == s.After; }))
        << s.Command << ": " << Shown(folder);
  }
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
  EXPECT_EQ(0, l.Quit());
}

// A [Plugins] list with a number missing keeps its later names when the
// launcher writes its settings, and again after a start from that file.
TEST(StoreE2E, APluginListWithAGapKeepsItsLaterEntries) {
  ProgramFolder folder(true);
  folder.SeedSettings(3, L"\r\n[Plugins]\r\nCount=4\r\nPlugin000=Clock.dll\r\nPlugin002=Notes.dll\r\nPlugin003=Tray.dll\r\n");
  const std::wstring want = L"Count=3\r\nPlugin000=Clock.dll\r\nPlugin001=Notes.dll\r\nPlugin002=Tray.dll\r\n";
  for (int page : {1, 2}) {
    Launcher l;
    HWND w = l.StartReady(folder, L"/m");
    ASSERT_NE(nullptr, w);
    ASSERT_TRUE(BecomesVisible(w));
    // Shown once: a page change is a pending change, written at exit.
    SendMessageW(w, WMA_SHOWLAUNCHER, MAKEWPARAM(0x205, page), 0);
    ASSERT_EQ(0, l.Quit());
    EXPECT_EQ(std::to_wstring(page), folder.GeneralValue(L"LastPage"));
    EXPECT_EQ(want, Section(SettingsText(folder), L"Plugins")) << "start " << page;
  }
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
}

// A button dragged with the real pointer: a Ctrl-drag copies it, a drag
// over another page's tab moves it there; either is in the file at once.
TEST(StoreE2E, DraggedButtonsAreSaved) {
  ProgramFolder folder(false);
  folder.SeedSettings(2, L"PageDelay=100\r\n", {Button(L"a", L"1", L"3"), Button(L"b", L"0", L"0")});
  Launcher l;
  HWND w = l.StartReady(folder, L"/n /s100:100");
  ASSERT_NE(nullptr, w);
  ASSERT_TRUE(BecomesVisible(w));
  POINT from = CellPoint(w, 1, 3), right = CellPoint(w, 1, 5);
  POINT halfway = {from.x + 30, from.y};

  // Ctrl held at the release: a copy at the cell dropped on.
  ASSERT_TRUE(Xdo(MoveTo(from) + L"mousedown 1 sleep 0.1 " + MoveTo(halfway) + MoveTo(right) +
                  L"keydown ctrl sleep 0.2 mouseup 1 sleep 0.1 keyup ctrl"));
  ASSERT_TRUE(l.Answers());
  EXPECT_TRUE(SettingsBecome(folder, [](const std::wstring& t) {
    return PageButtons(t) == L"Page000: a(1,3) b(0,0) a(1,5) | Page001:";
  })) << Shown(folder);

  // Over the second tab the page changes; the drop moves the button there.
  ASSERT_TRUE(Xdo(MoveTo(CellPoint(w, 0, 0)) + L"mousedown 1 sleep 0.1 " +
                  MoveTo(POINT{CellPoint(w, 0, 0).x + 30, CellPoint(w, 0, 0).y}) + MoveTo(TabPoint(w, 1)) +
                  L"sleep 0.5 " + MoveTo(CellPoint(w, 2, 2)) + L"mouseup 1 sleep 0.2"));
  ASSERT_TRUE(l.Answers());
  EXPECT_TRUE(SettingsBecome(folder, [](const std::wstring& t) {
    return PageButtons(t) == L"Page000: a(1,3) a(1,5) | Page001: b(2,2)";
  })) << Shown(folder);
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
  EXPECT_EQ(0, l.Quit());
}

}  // namespace
