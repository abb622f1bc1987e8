// The real Vantrel.exe, copied into folders of its own and driven from here
// with window messages, as a second start, Setup or a user would.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "hooklib/vnhook.h"
#include "resources/resource.h"
#include "e2e/launcher_fixture.h"
#include "support/test_support.h"

namespace {

using namespace e2e;

TEST(LauncherE2E, NModeRunsWithoutTheHookLibraryAndShows) {
  ProgramFolder folder(false);
  Launcher l;
  HWND w = l.StartReady(folder, L"/n");
  ASSERT_NE(nullptr, w);
  EXPECT_TRUE(BecomesVisible(w));
  LONG ex = GetWindowLongW(w, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ex & WS_EX_ACCEPTFILES);
  EXPECT_TRUE(ex & WS_EX_LAYERED);
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
  // Its folders beside the program.
  for (const wchar_t* sub : {L"Plugins", L"Languages", L"Skins"}) {
    DWORD attr = GetFileAttributesW(folder.Dir.File(sub).c_str());
    EXPECT_TRUE(attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) << "folder " << sub;
  }
  EXPECT_EQ(0, l.Quit());
}

TEST(LauncherE2E, MissingHookLibraryIsReportedAndEndsTheStart) {
  ProgramFolder folder(false);
  Launcher l;
  ASSERT_TRUE(l.Start(folder, L""));
  EXPECT_EQ(0, l.WaitExit());
  EXPECT_EQ("652\r\n", ReadFileBytes(folder.MessageLog()));
}

TEST(LauncherE2E, WrongHookLibraryVersionIsReported) {
  ProgramFolder folder(false);
  ASSERT_TRUE(CopyFileW(FixturePath(L"fakehook_badversion.dll").c_str(), folder.Dir.File(L"VnHook.dll").c_str(), FALSE));
  Launcher l;
  ASSERT_TRUE(l.Start(folder, L""));
  EXPECT_EQ(0, l.WaitExit());
  EXPECT_EQ("651\r\n", ReadFileBytes(folder.MessageLog()));
}

TEST(LauncherE2E, SecondStartForwardsAndEnds) {
  ProgramFolder folder(true);
  Launcher first;
  HWND w = first.StartReady(folder, L"");
  ASSERT_NE(nullptr, w);
  EXPECT_FALSE(Visible(w));

  Launcher second;
  ASSERT_TRUE(second.Start(folder, L"/p2 /l /s140:160"));
  EXPECT_EQ(0, second.WaitExit());
  ASSERT_TRUE(first.Answers());
  // Showing may still be under way when the window answers.
  EXPECT_TRUE(BecomesVisible(w));
  RECT r = WindowRect(w);
  EXPECT_EQ(140, r.left);
  EXPECT_EQ(160, r.top);
  EXPECT_EQ(w, first.Window(0));

  // Closed, then a plain second start shows it where it was.
  SendMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(BecomesVisible(w, false));
  Launcher third;
  ASSERT_TRUE(third.Start(folder, L""));
  EXPECT_EQ(0, third.WaitExit());
  ASSERT_TRUE(first.Answers());
  // Showing may still be under way when the window answers.
  EXPECT_TRUE(BecomesVisible(w));
  r = WindowRect(w);
  EXPECT_EQ(140, r.left);
  EXPECT_EQ(160, r.top);
  EXPECT_TRUE(first.Running());
}

TEST(LauncherE2E, ACopyInAnotherFolderRunsBeside) {
  ProgramFolder a(false), b(false);
  Launcher la, lb;
  ASSERT_TRUE(la.Start(a, L"/n"));
  HWND wa = la.Window();
  ASSERT_NE(nullptr, wa);
  ASSERT_TRUE(lb.Start(b, L"/n"));
  HWND wb = lb.Window();
  ASSERT_NE(nullptr, wb);
  ASSERT_TRUE(la.Ready());
  ASSERT_TRUE(lb.Ready());
  EXPECT_NE(wa, wb);
  EXPECT_TRUE(la.Running());
  EXPECT_TRUE(lb.Running());
}

TEST(LauncherE2E, CloseHidesExitEnds) {
  ProgramFolder folder(true);
  Launcher l;
  HWND w = l.StartReady(folder, L"/m");
  ASSERT_NE(nullptr, w);
  EXPECT_TRUE(BecomesVisible(w));
  PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  // A sent WM_NULL may be answered before the posted close is handled.
  EXPECT_TRUE(BecomesVisible(w, false));
  EXPECT_TRUE(l.Running());

  EXPECT_EQ(0, l.Quit());
}

TEST(LauncherE2E, CloseEndsNModeAndSetupsCloseEndsAny) {
  ProgramFolder folder(true);
  {
    Launcher l;
    ASSERT_TRUE(l.Start(folder, L"/n"));
    HWND w = l.Window();
    ASSERT_NE(nullptr, w);
    PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(0, l.WaitExit());
  }
  Launcher l;
  ASSERT_TRUE(l.Start(folder, L""));
  HWND w = l.Window();
  ASSERT_NE(nullptr, w);
  PostMessageW(w, WM_CLOSE, 0, 0);
  EXPECT_EQ(0, l.WaitExit());
}

TEST(LauncherE2E, ForwardedPageAndPinAreSavedOnExit) {
  ProgramFolder folder(true);
  folder.SeedSettings(3);
  Launcher first;
  HWND w = first.StartReady(folder, L"");
  ASSERT_NE(nullptr, w);
  Launcher second;
  ASSERT_TRUE(second.Start(folder, L"/p2 /l /s140:160"));
  EXPECT_EQ(0, second.WaitExit());
  ASSERT_TRUE(first.Answers());
  ASSERT_EQ(0, first.Quit());
  EXPECT_EQ(L"1", folder.GeneralValue(L"LastPage"));
  EXPECT_EQ(L"140", folder.GeneralValue(L"LastPosX"));
  EXPECT_EQ(L"160", folder.GeneralValue(L"LastPosY"));
  EXPECT_EQ(2u, wcstoul(folder.GeneralValue(L"Status").c_str(), nullptr, 16) & 2);
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
}

TEST(LauncherE2E, SessionEndAndSuspendWritePendingSettings) {
  ProgramFolder folder(true);
  folder.SeedSettings(4);
  Launcher l;
  HWND w = l.StartReady(folder, L"/m");
  ASSERT_NE(nullptr, w);
  ASSERT_TRUE(BecomesVisible(w));
  // Shown once: from now on a page change is a pending change.
  SendMessageW(w, WMA_SHOWLAUNCHER, MAKEWPARAM(0x205, 2), 0);
  // The session does not end, and still the settings are written.
  SendMessageW(w, WM_ENDSESSION, FALSE, 0);
  EXPECT_EQ(L"2", folder.GeneralValue(L"LastPage"));
  SendMessageW(w, WMA_SHOWLAUNCHER, MAKEWPARAM(0x205, 3), 0);
  EXPECT_EQ(TRUE, SendMessageW(w, WM_POWERBROADCAST, PBT_APMSUSPEND, 0));
  EXPECT_EQ(L"3", folder.GeneralValue(L"LastPage"));
  EXPECT_TRUE(l.Running());
}

FILETIME LastWrite(const std::wstring& path) {
  FILETIME t = {};
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f != INVALID_HANDLE_VALUE) {
    GetFileTime(f, nullptr, nullptr, &t);
    CloseHandle(f);
  }
  return t;
}

TEST(LauncherE2E, NothingChangedNothingWritten) {
  ProgramFolder folder(true);
  folder.SeedSettings(2);
  Launcher l;
  ASSERT_NE(nullptr, l.StartReady(folder, L""));
  std::string before = ReadFileBytes(folder.Settings());
  FILETIME written = LastWrite(folder.Settings());
  Sleep(50);
  ASSERT_EQ(0, l.Quit());
  EXPECT_EQ(before, ReadFileBytes(folder.Settings()));
  FILETIME after = LastWrite(folder.Settings());
  EXPECT_EQ(0, CompareFileTime(&written, &after));
}

// The icon cache: written on the first start, read and left alone on the
// next, rebuilt when damaged, when the pages changed and with /r.
TEST(LauncherE2E, IconCacheWrittenReadAndRebuilt) {
  ProgramFolder folder(true);
  folder.SeedSettings(2);
  std::wstring cache = folder.Dir.File(L"Data\\VnIcons.bin");
  auto run = [&](const wchar_t* args) {
    Launcher l;
    ASSERT_NE(nullptr, l.StartReady(folder, args));
    ASSERT_EQ(0, l.Quit());
  };
  // Header, container count 2, two empty blocks.
  std::string empty2("VNICON\0\0\2\0\0\0\x08\0\0\0\0\0\0\0\x08\0\0\0\0\0\0\0", 28);
  run(L"");
  ASSERT_EQ(empty2, ReadFileBytes(cache));
  FILETIME first = LastWrite(cache);
  Sleep(30);
  run(L"");
  FILETIME second = LastWrite(cache);
  EXPECT_EQ(0, CompareFileTime(&first, &second));

  std::string damaged = empty2;
  damaged[12] = 0;  // block size 0
  ASSERT_TRUE(WriteFileBytes(cache, damaged));
  run(L"");
  EXPECT_EQ(empty2, ReadFileBytes(cache));

  FILETIME before = LastWrite(cache);
  Sleep(30);
  run(L"/r");
  EXPECT_EQ(empty2, ReadFileBytes(cache));
  FILETIME rebuilt = LastWrite(cache);
  EXPECT_NE(0, CompareFileTime(&before, &rebuilt));

  folder.SeedSettings(3);
  run(L"");
  std::string bytes = ReadFileBytes(cache);
  ASSERT_EQ(36u, bytes.size());
  EXPECT_EQ(3, bytes[8]);
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((cache + L".tmp").c_str()));
}

TEST(LauncherE2E, RandomPrivateMessagesLeaveItAnswering) {
  ProgramFolder folder(true);
  Launcher l;
  HWND w = l.StartReady(folder, L"");
  ASSERT_NE(nullptr, w);
  std::mt19937 rng(20261209);
  std::vector<UINT> messages;
  for (UINT m = WMA_HOTKEY; m <= WMA_CLOSESUBMENUS; ++m) {
    if (m != WMA_ADMINERROR && m != WMA_TRAY) messages.push_back(m);
  }
  std::uniform_int_distribution<size_t> pick(0, messages.size() - 1);
  auto wide = [&]() -> UINT_PTR {
    switch (rng() % 4) {
      case 0: return rng() % 16;
      case 1: return (UINT_PTR)(INT_PTR)(int)rng();
      case 2: return ((UINT_PTR)rng() << (sizeof(UINT_PTR) * 8 - 32)) ^ rng();  // high bits on x64
      default: return (UINT_PTR)-(INT_PTR)(rng() % 4);
    }
  };
  for (int i = 0; i < 10000; ++i) {
    UINT m = messages[pick(rng)];
    while (!PostMessageW(w, m, wide(), (LPARAM)wide())) {
      // A full queue: let it catch up.
      ASSERT_TRUE(l.Answers(5000)) << "after " << i << " posts";
    }
    if (i % 500 == 499) {
      ASSERT_TRUE(l.Answers(5000)) << "after " << i << " posts";
    }
  }
  EXPECT_TRUE(l.Answers(1000));
  EXPECT_TRUE(l.Running());
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
}

// The launcher's own show hot key, Ctrl+Alt+K, keeping the current page.
const wchar_t kShowHotKeySettings[] =
    L"\r\n[HotKey]\r\nCount=0\r\n\r\n[HotKey000]\r\nCode=064b\r\nPage=65535\r\nButton=0\r\n";

// Keys pressed in order and released in reverse, as a user would type them.
void InjectKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> in;
  for (WORD k : keys) {
    INPUT one = {};
    one.type = INPUT_KEYBOARD;
    one.ki.wVk = k;
    in.push_back(one);
  }
  for (size_t i = keys.size(); i-- > 0;) {
    in.push_back(in[i]);
    in.back().ki.dwFlags = KEYEVENTF_KEYUP;
  }
  for (INPUT& one : in) {
    SendInput(1, &one, sizeof(INPUT));
    Sleep(30);
  }
}

void InjectShowHotKey() { InjectKeys({VK_CONTROL, VK_MENU, 'K'}); }

TEST(LauncherHooksE2E, ShowHotKeyShowsTheLauncherUnlessHooksAreOff) {
  ProgramFolder folder(true);
  folder.SeedSettings(2, kShowHotKeySettings);
  {
    // /nh: the library is bound, but nothing listens to the keyboard.
    Launcher l;
    HWND w = l.StartReady(folder, L"/nh");
    ASSERT_NE(nullptr, w);
    ASSERT_FALSE(Visible(w));
    InjectShowHotKey();
    EXPECT_TRUE(StaysVisible(w, false, 1500));
    EXPECT_EQ(0, l.Quit());
  }
  Launcher l;
  HWND w = l.StartReady(folder, L"");
  ASSERT_NE(nullptr, w);
  ASSERT_FALSE(Visible(w));
  InjectShowHotKey();
  EXPECT_TRUE(BecomesVisible(w));
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
  EXPECT_EQ(0, l.Quit());
}

struct AdminRequestSeen {
  int Kind;
  INT_PTR A, B;
  bool operator==(const AdminRequestSeen& o) const { return Kind == o.Kind && A == o.A && B == o.B; }
};

// Every request in the ring, oldest first, leaving it empty; priority
// requests (kind 3) are set aside in priorities.
std::vector<AdminRequestSeen> TakeAdminRequests(VnGetAdminReqFn get, std::vector<AdminRequestSeen>* priorities) {
  std::vector<AdminRequestSeen> out;
  AdminRequestSeen r;
  while (get(&r.Kind, &r.A, &r.B)) (r.Kind == ADMINREQ_PRIORITY ? *priorities : out).push_back(r);
  return out;
}

TEST(LauncherHooksE2E, VnAdminModeQueuesHookRequestsInOrder) {
  ProgramFolder folder(true);
  folder.SeedSettings(2, kShowHotKeySettings);
  // This process maps the same library file, so it reads the same ring,
  // as the administrator helper would.
  HMODULE lib = LoadLibraryW(folder.Dir.File(L"VnHook.dll").c_str());
  ASSERT_NE(nullptr, lib);
  VnGetAdminReqFn get = (VnGetAdminReqFn)GetProcAddress(lib, "_VnGetAdminReq");
  ASSERT_NE(nullptr, get);
  std::vector<AdminRequestSeen> priorities;
  TakeAdminRequests(get, &priorities);
  priorities.clear();
  {
    Launcher l;
    HWND w = l.StartReady(folder, L"/vnadmin");
    ASSERT_NE(nullptr, w);
    std::vector<AdminRequestSeen> on = TakeAdminRequests(get, &priorities);
    std::vector<AdminRequestSeen> wantOn = {{ADMINREQ_MOUSEHOOK, 1, 0}, {ADMINREQ_KEYBOARDHOOK, 1, 0}};
    EXPECT_TRUE(on == wantOn) << "requests at start: " << on.size();
    for (const AdminRequestSeen& p : priorities) EXPECT_NE(0, p.A);
    // The hooks live in the helper's process, not in the launcher's.
    InjectShowHotKey();
    EXPECT_TRUE(StaysVisible(w, false, 1500));
    EXPECT_EQ(0, l.Quit());
  }
  std::vector<AdminRequestSeen> off = TakeAdminRequests(get, &priorities);
  std::vector<AdminRequestSeen> wantOff = {{ADMINREQ_MOUSEHOOK, 0, 0}, {ADMINREQ_KEYBOARDHOOK, 0, 0}};
  EXPECT_TRUE(off == wantOff) << "requests at exit: " << off.size();
  FreeLibrary(lib);
}

// --- gestures through the real hook library ----------------------------------------------------

// Low-level mouse hook on its own thread; no auto-hide, no button needed at
// edges.
const wchar_t kGestureOption1[] = L"00100021";

// One page whose only button starts the marker program as "hit"; triggers
// fire at once; extra sections (mouse actions, hot keys, edges) given.
void SeedGestureSettings(const ProgramFolder& folder, const wchar_t* extra) {
  folder.SeedSettings(1, std::wstring(L"ShowDelay=0\r\nEdgeBootDelay=0\r\n") + extra, {folder.MarkerButton(L"hit", 0, 0)},
                      kGestureOption1);
}

// A click of one mouse button (down and up flags), as a device would send
// it; at (x, y) when given, else where the pointer is.
void InjectClick(DWORD down, DWORD up, const POINT* at = nullptr) {
  std::vector<INPUT> in(2);
  in[0].mi.dwFlags = down;
  in[1].mi.dwFlags = up;
  if (at) {
    INPUT move = {};
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    move.mi.dx = AbsoluteX(at->x);
    move.mi.dy = AbsoluteY(at->y);
    in.insert(in.begin(), move);
  }
  for (INPUT& one : in) {
    one.type = INPUT_MOUSE;
    SendInput(1, &one, sizeof(INPUT));
    Sleep(30);
  }
}

void InjectMiddleClick(int x, int y) {
  POINT at = {x, y};
  InjectClick(MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, &at);
}

// The button bound to the gesture ("hit") ran once, the launcher stayed
// hidden, and it then quits cleanly.
void ExpectOneHiddenLaunch(const ProgramFolder& folder, Launcher& l, HWND w) {
  EXPECT_EQ(1u, WaitForMarks(folder, 1).size());
  Sleep(300);
  EXPECT_EQ("hit", MarkNames(folder));
  EXPECT_FALSE(Visible(w));
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
  EXPECT_EQ(0, l.Quit());
}

TEST(LauncherGesturesE2E, MiddleClickInTheCornerShowsTheLauncher) {
  ProgramFolder folder(true);
  // Middle click (action 2) in the top-left corner (place 1) shows the
  // launcher; corners 10 x 10 pixels.
  SeedGestureSettings(folder, L"\r\n[Edge]\r\nRange01=10\r\nRange02=10\r\n"
                              L"\r\n[Action]\r\nCount=1\r\n\r\n[Action002]\r\nFlag=00000002\r\n"
                              L"\r\n[Range001]\r\nPage=65535\r\nButton=65535\r\n");
  Launcher l;
  HWND w = l.StartReady(folder, L"");
  ASSERT_NE(nullptr, w);
  ASSERT_FALSE(Visible(w));
  InjectMiddleClick(400, 300);  // not in the corner
  EXPECT_TRUE(StaysVisible(w, false, 1000));
  InjectMiddleClick(3, 4);
  EXPECT_TRUE(BecomesVisible(w));
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
  EXPECT_EQ("", MarkNames(folder));
  EXPECT_EQ(0, l.Quit());
}

TEST(LauncherGesturesE2E, MiddleClickInTheCornerLaunchesItsButton) {
  ProgramFolder folder(true);
  // The same click bound to page 0, button 0 instead.
  SeedGestureSettings(folder, L"\r\n[Edge]\r\nRange01=10\r\nRange02=10\r\n"
                              L"\r\n[Action]\r\nCount=1\r\n\r\n[Action002]\r\nFlag=00000002\r\n"
                              L"\r\n[Range001]\r\nPage=0\r\nButton=0\r\n");
  Launcher l;
  HWND w = l.StartReady(folder, L"");
  ASSERT_NE(nullptr, w);
  InjectMiddleClick(400, 300);
  InjectMiddleClick(3, 4);
  ExpectOneHiddenLaunch(folder, l, w);
}

TEST(LauncherGesturesE2E, HotKeyOfAButtonLaunchesIt) {
  ProgramFolder folder(true);
  // Row 0 (the show key) unset; row 1: Ctrl+Alt+M starts page 0, button 0.
  SeedGestureSettings(folder, L"\r\n[HotKey]\r\nCount=1\r\n\r\n[HotKey000]\r\nCode=0000\r\nPage=65535\r\nButton=0\r\n"
                              L"\r\n[HotKey001]\r\nCode=064d\r\nPage=0\r\nButton=0\r\n");
  Launcher l;
  HWND w = l.StartReady(folder, L"");
  ASSERT_NE(nullptr, w);
  InjectKeys({VK_CONTROL, 'M'});  // not the hot key
  InjectKeys({VK_CONTROL, VK_MENU, 'M'});
  ExpectOneHiddenLaunch(folder, l, w);
}

TEST(LauncherGesturesE2E, HotEdgeShowsTheLauncherOncePerVisit) {
  ProgramFolder folder(true);
  // Arriving at the top-left corner shows the launcher, current page.
  SeedGestureSettings(folder, L"\r\n[Edge]\r\nEdge000=ffffffff\r\nRange01=10\r\nRange02=10\r\n");
  ASSERT_TRUE(MovePointer(600, 400));
  Launcher l;
  HWND w = l.StartReady(folder, L"");
  ASSERT_NE(nullptr, w);
  ASSERT_FALSE(Visible(w));
  ASSERT_TRUE(MovePointer(0, 0));
  EXPECT_TRUE(BecomesVisible(w));
  // Hidden while the pointer stays in the corner: not shown again.
  PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(BecomesVisible(w, false));
  EXPECT_TRUE(StaysVisible(w, false, 1500));
  // Away and back: shown again.
  ASSERT_TRUE(MovePointer(600, 400));
  Sleep(600);
  ASSERT_TRUE(MovePointer(2, 2));
  EXPECT_TRUE(BecomesVisible(w));
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
  EXPECT_EQ(0, l.Quit());
}

// --- launching buttons -----------------------------------------------------------

// A document type and a URL protocol of this test's own, opened by the
// recorder; removed again afterwards. Written through HKEY_CLASSES_ROOT:
// Wine does not merge the user's classes into it.
struct RecorderAssociations {
  std::wstring Ext, DocClass, Scheme;
  explicit RecorderAssociations(const std::wstring& recorder) {
    std::wstring id = std::to_wstring(GetCurrentProcessId());
    Ext = L".vne2e" + id;
    DocClass = L"VnE2EDocument" + id;
    Scheme = L"vne2e" + id;
    Set(Ext, nullptr, DocClass);
    Set(DocClass + L"\\shell\\open\\command", nullptr, L"\"" + recorder + L"\" /doc \"%1\"");
    Set(Scheme, nullptr, L"URL:Vantrel test");
    Set(Scheme, L"URL Protocol", L"");
    Set(Scheme + L"\\shell\\open\\command", nullptr, L"\"" + recorder + L"\" /url \"%1\"");
  }
  ~RecorderAssociations() {
    for (const std::wstring& k : {Ext, DocClass, Scheme}) RegDeleteTreeW(HKEY_CLASSES_ROOT, k.c_str());
  }
  static void Set(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY k;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k,
                                             nullptr));
    RegSetValueExW(k, name, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
  }
};

std::wstring Hex8(UINT v) {
  wchar_t b[16];
  wsprintfW(b, L"%08x", v);
  return b;
}

struct TestButtonSpec {
  UINT Type;
  std::wstring File, Parameter, Directory;
  int WindowStat;
  UINT Flag;
};

// Lines of record.txt (UTF-8), as wide strings.
std::vector<std::wstring> RecordedLines(const std::wstring& file) {
  std::string bytes = ReadFileBytes(file);
  std::vector<std::wstring> lines;
  size_t at = 0;
  while (at < bytes.size()) {
    size_t end = bytes.find('\n', at);
    if (end == std::string::npos) break;
    std::string l = bytes.substr(at, end - at);
    int n = MultiByteToWideChar(CP_UTF8, 0, l.data(), (int)l.size(), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, l.data(), (int)l.size(), &w[0], n);
    lines.push_back(w);
    at = end + 1;
  }
  return lines;
}

// Waits (up to 15 s) for record.txt to hold count lines.
std::vector<std::wstring> WaitForLines(const std::wstring& file, size_t count) {
  std::vector<std::wstring> lines;
  for (int i = 0; i < 750; ++i) {
    lines = RecordedLines(file);
    if (lines.size() >= count) break;
    Sleep(20);
  }
  return lines;
}

std::wstring Field(const std::wstring& line, const wchar_t* name) {
  std::wstring key = std::wstring(name) + L"=";
  size_t at = line.find(key);
  if (at == std::wstring::npos) return L"<none>";
  at += key.size();
  return line.substr(at, line.find(L'\t', at) - at);
}

TEST(LauncherE2E, ButtonsLaunchProgramsDocumentsUrlsAndFolders) {
  ProgramFolder folder(true);
  std::wstring recorder = folder.Dir.File(L"vnrecorder.exe");
  ASSERT_TRUE(CopyFileW(BuildFile(L"vnrecorder.exe").c_str(), recorder.c_str(), FALSE));
  std::wstring record = folder.Dir.File(L"record.txt");
  std::wstring work = folder.Dir.File(L"Work folder");
  std::wstring sub = folder.Dir.File(L"Sub");
  CreateDirectoryW(work.c_str(), nullptr);
  CreateDirectoryW(sub.c_str(), nullptr);
  RecorderAssociations assoc(recorder);
  std::wstring doc = folder.Dir.File((L"letter" + assoc.Ext).c_str());
  ASSERT_TRUE(WriteFileBytes(doc, "text"));

  const TestButtonSpec buttons[] = {
      {1, recorder, L"-a \"b c\"", work, 3, 0x20},  // ShellExecuteEx road
      {1, recorder, L"-x", work, 7, 0x80},          // CreateProcess with a priority
      {2, doc, L"", L"", 1, 0x20},
      {4, assoc.Scheme + L":hello", L"/world", L"", 1, 0x20},
      {3, sub, L"", L"", 1, 0x20},
  };
  const int n = (int)(sizeof buttons / sizeof buttons[0]);
  std::vector<std::wstring> texts;
  for (int i = 0; i < n; ++i) {
    const TestButtonSpec& b = buttons[i];
    texts.push_back(L"Type=" + Hex8(b.Type) + L"\r\nName=B" + std::to_wstring(i) + L"\r\nFile=" + b.File +
                    L"\r\nParameter=" + b.Parameter + L"\r\nDirectory=" + b.Directory + L"\r\nWindowStat=" +
                    std::to_wstring(b.WindowStat) + L"\r\nFlag=" + Hex8(b.Flag) + L"\r\nTip=\r\nKeyboard=0000\r\n"
                    L"ViewMode1Pos=0," + std::to_wstring(i) + L"\r\nViewMode2Pos=0," + std::to_wstring(i) + L"\r\n");
  }
  folder.SeedSettings(1, L"FilerPath=" + recorder + L"\r\nFilerParam=/filer\r\n", texts, L"00f4e021");

  Launcher l;
  HWND w = l.StartReady(folder, L"");
  ASSERT_NE(nullptr, w);

  std::vector<std::wstring> lines;
  for (int i = 0; i < n; ++i) {
    PostMessageW(w, WMA_EXECUTE, (WPARAM)i, 0);  // page 0, button i
    lines = WaitForLines(record, (size_t)i + 1);
    ASSERT_EQ((size_t)i + 1, lines.size()) << "button " << i << " recorded nothing";
  }
  auto lower = [](std::wstring s) {
    CharLowerW(&s[0]);
    return s;
  };
  // Program with arguments, its working folder and window state.
  EXPECT_NE(std::wstring::npos, Field(lines[0], L"cmd").find(L"-a \"b c\"")) << lines[0];
  EXPECT_EQ(lower(work), lower(Field(lines[0], L"cwd")));
  EXPECT_EQ(L"3", Field(lines[0], L"show"));
  EXPECT_EQ(L"\"" + recorder + L"\" -x", Field(lines[1], L"cmd"));
  EXPECT_EQ(lower(work), lower(Field(lines[1], L"cwd")));
  EXPECT_EQ(L"7", Field(lines[1], L"show"));
  // The document through its association, the URL with its parameter.
  EXPECT_NE(std::wstring::npos, lower(Field(lines[2], L"cmd")).find(lower(L"/doc \"" + doc + L"\""))) << lines[2];
  EXPECT_NE(std::wstring::npos, Field(lines[3], L"cmd").find(L"/url \"" + assoc.Scheme + L":hello/world")) << lines[3];
  // The folder through the file manager setting.
  EXPECT_NE(std::wstring::npos, lower(Field(lines[4], L"cmd")).find(lower(L"/filer \"" + sub + L"\""))) << lines[4];
  EXPECT_TRUE(l.Running());
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
}

// --- input, event lists ------------------------------------------------------------------

void SendKey(WORD vk, bool up) {
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

// A key held down from here until the holder goes.
struct HeldKey {
  WORD Vk;
  explicit HeldKey(WORD vk) : Vk(vk) { SendKey(vk, false); }
  ~HeldKey() { SendKey(Vk, true); }
};

bool BringToFront(HWND w) {
  DWORD start = GetTickCount();
  while (GetForegroundWindow() != w) {
    SetForegroundWindow(w);
    if (GetTickCount() - start > 3000) return false;
    Sleep(50);
  }
  return true;
}

TEST(LauncherE2E, LauncherKeyChangesThePageAndLastPageIsSaved) {
  ProgramFolder folder(false);
  // Page001 (next page) on N, nothing else bound.
  folder.SeedSettings(3, L"\r\n[Keyboard]\r\nPage001=004e\r\n");
  Launcher l;
  HWND w = l.StartReady(folder, L"/n");
  ASSERT_NE(nullptr, w);
  ASSERT_TRUE(BecomesVisible(w));
  ASSERT_TRUE(BringToFront(w));
  InjectKeys({'N'});
  ASSERT_TRUE(l.Answers());
  Sleep(200);
  ASSERT_TRUE(l.Answers());
  ASSERT_EQ(0, l.Quit());
  EXPECT_EQ(L"1", folder.GeneralValue(L"LastPage"));
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
}

TEST(LauncherE2E, LeftClickOnAButtonLaunchesIt) {
  ProgramFolder folder(false);
  // Every cell of the 7 x 3 grid holds a button named after its place.
  std::vector<std::wstring> buttons;
  for (int row = 0; row < 3; ++row) {
    for (int column = 0; column < 7; ++column) {
      std::wstring name = L"r" + std::to_wstring(row) + L"c" + std::to_wstring(column);
      buttons.push_back(folder.MarkerButton(name.c_str(), row, column));
    }
  }
  folder.SeedSettings(1, L"", buttons);
  Launcher l;
  HWND w = l.StartReady(folder, L"/n");
  ASSERT_NE(nullptr, w);
  ASSERT_TRUE(BecomesVisible(w));
  // The middle of the window lies on the middle cell.
  RECT r = WindowRect(w);
  ASSERT_TRUE(MovePointer((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  InjectClick(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  WaitForMarks(folder, 1);
  Sleep(300);
  EXPECT_EQ("r1c3", MarkNames(folder));
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
  // Started with /n, it hid for the launch and ends with it.
  EXPECT_EQ(0, l.WaitExit());
}

// An event list section: the buttons of page 0 given, with their delays.
std::wstring EventListSection(int list, const std::vector<std::pair<int, int>>& buttonAndDelay) {
  std::wstring t = L"\r\n[AutoBoot00" + std::to_wstring(list) + L"]\r\nCount=" + std::to_wstring(buttonAndDelay.size()) + L"\r\n";
  for (size_t i = 0; i < buttonAndDelay.size(); ++i) {
    wchar_t key[16];
    wsprintfW(key, L"Item%03d", (int)i);
    t += std::wstring(key) + L"=" + Hex8((UINT)buttonAndDelay[i].first) + L"\r\n" + key + L"Delay=" +
         std::to_wstring(buttonAndDelay[i].second) + L"\r\n";
  }
  return t;
}

TEST(LauncherE2E, StartUpListRunsInOrderWithItsDelaysUnlessShiftIsHeld) {
  ProgramFolder folder(true);
  // No tray icon: start-up would wait for Wine's tray host, while the
  // window already answers (see below).
  folder.SeedSettings(1, EventListSection(0, {{0, 0}, {1, 700}, {2, 1400}}),
                      {folder.MarkerButton(L"a", 0, 0), folder.MarkerButton(L"b", 0, 1), folder.MarkerButton(L"c", 0, 2)},
                      L"00b4e021", L"00000835");
  {
    Launcher l;
    DWORD started = GetTickCount();
    ASSERT_NE(nullptr, l.StartReady(folder, L""));
    std::vector<Mark> marks = WaitForMarks(folder, 3);
    ASSERT_EQ(3u, marks.size()) << MarkNames(folder);
    EXPECT_EQ("a b c", MarkNames(folder));
    EXPECT_LT(marks[0].Tick - started, 5000u);
    // Gaps between the launcher's starts (creation times), not between the
    // runs: a start takes its own time. The runner looks every 100 ms; a
    // busy machine only adds.
    for (int i = 1; i < 3; ++i) {
      unsigned long long gapMs = (marks[i].Created - marks[i - 1].Created) / 10000;
      EXPECT_GE(gapMs, 550u) << "item " << i;
      EXPECT_LE(gapMs, 2000u) << "item " << i;
    }
    EXPECT_EQ(0, l.Quit());
  }
  ASSERT_TRUE(DeleteFileW(folder.MarkerLog().c_str()));
  Launcher l;
  {
    HeldKey shift(VK_SHIFT);
    // Injected keys reach the system key state, seen by every process.
    ASSERT_NE(0, GetAsyncKeyState(VK_SHIFT) & 0x8000);
    ASSERT_NE(nullptr, l.StartReady(folder, L""));
    // The window answers sent messages while start-up still waits on
    // other programs: hold on past its last step.
    Sleep(1000);
  }
  Sleep(2000);
  EXPECT_EQ("", MarkNames(folder));
  EXPECT_EQ(0, l.Quit());
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
}

TEST(LauncherE2E, ExitListRunsBeforeTheProcessEnds) {
  // A window of ours keeps Wine's desktop process up when the launcher ends:
  // a program starting in that moment was seen to hang in its start-up.
  HWND keeper = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, keeper);
  ProgramFolder folder(true);
  // No tray icon: the launch threads animate it, and Wine's tray host
  // holds each such call for up to 2 s while it takes the icon's window
  // down (no window manager), which would blur the delays measured here.
  folder.SeedSettings(1, EventListSection(1, {{0, 0}, {1, 500}}),
                      {folder.MarkerButton(L"a", 0, 0), folder.MarkerButton(L"b", 0, 1)}, L"00b4e021", L"00000835");
  Launcher l;
  ASSERT_NE(nullptr, l.StartReady(folder, L"/nh"));
  Sleep(200);
  EXPECT_EQ("", MarkNames(folder));
  DWORD asked = GetTickCount();
  ASSERT_EQ(0, l.Quit());
  EXPECT_GE(GetTickCount() - asked, 450u) << "the second item's delay was not waited for";
  // Both were started before the launcher ended; a loaded machine may run
  // them later.
  std::vector<Mark> marks = WaitForMarks(folder, 2, 5000);
  ASSERT_EQ(2u, marks.size());
  EXPECT_EQ("a b", MarkNames(folder));
  EXPECT_GE((marks[1].Created - marks[0].Created) / 10000, 400u);
  DestroyWindow(keeper);
  unsigned long long ended = l.ExitTime();
  ASSERT_NE(0u, ended);
  for (const Mark& m : marks) EXPECT_LT(m.Created, ended) << m.Name;
}

}  // namespace
