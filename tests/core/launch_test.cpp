// The launch road: command lines built from registry templates, the
// clipboard and extra arguments (bounded), creation flags, window
// conditions, and which system call, verb, flags and token each kind of
// launch takes for each elevation (recorded through the platform seam).
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "core/commands.h"
#include "core/launch.h"
#include "core/procwatch.h"
#include "core/hookbind.h"
#include "state.h"
#include "store/items.h"
#include "store/outlets.h"
#include "support/test_support.h"

namespace {

// --- command templates ----------------------------------------------------------

TEST(CommandTemplateTest, PlaceholdersAreSubstitutedNeverFormatted) {
  const wchar_t* path = L"C:\\d\\a b.txt";
  struct Case {
    const wchar_t* tmpl;
    const wchar_t* params;
    const wchar_t* want;
    int program;  // length of the program part + 1
  } cases[] = {
      {L"\"C:\\v.exe\" \"%1\"", nullptr, L"\"C:\\v.exe\" \"C:\\d\\a b.txt\"", 11},
      {L"\"C:\\v.exe\" \"%1\" %*", L"-x", L"\"C:\\v.exe\" \"C:\\d\\a b.txt\" -x", 11},
      {L"C:\\v.exe %L", L"-p", L"C:\\v.exe C:\\d\\a b.txt -p", 9},
      {L"C:\\v.exe", nullptr, L"C:\\v.exe \"C:\\d\\a b.txt\"", 9},
      {L"C:\\v.exe", L"-p", L"C:\\v.exe \"C:\\d\\a b.txt\" -p", 9},
      {L"v.exe \"%1\" %2 %3", L"-p", L"v.exe \"C:\\d\\a b.txt\" -p ", 6},
      {L"v.exe %1 %*", nullptr, L"v.exe C:\\d\\a b.txt ", 6},
      // printf directives in registry text are plain text to us.
      {L"v.exe %s%n%x \"%1\"", nullptr, L"v.exe  \"C:\\d\\a b.txt\"", 6},
      {L"v.exe 100%% \"%1\" %I", nullptr, L"v.exe 100% \"C:\\d\\a b.txt\" ", 6},
      {L"v.exe \"%1\" %", nullptr, L"v.exe \"C:\\d\\a b.txt\" %", 6},
      {L"v.exe %~* \"%1\"", L"-q", L"v.exe -q \"C:\\d\\a b.txt\"", 6},
  };
  wchar_t out[256];
  for (const Case& c : cases) {
    int program = -1;
    ASSERT_EQ(1, FillCommandTemplate(c.tmpl, path, c.params, out, 256, &program)) << c.want;
    EXPECT_STREQ(c.want, out);
    EXPECT_EQ(c.program, program) << c.want;
  }
}

TEST(CommandTemplateTest, TooLongFailsInsteadOfOverflowing) {
  wchar_t out[32];
  for (int i = 0; i < 32; ++i) out[i] = L'#';
  std::wstring longPath(40, L'a');
  int program = -1;
  // Each limit: template alone, path, appended path, parameters.
  EXPECT_EQ(0, FillCommandTemplate(L"v.exe \"%1\"", longPath.c_str(), nullptr, out, 32, &program));
  EXPECT_EQ(0, FillCommandTemplate(L"v.exe", L"C:\\x.txt", longPath.c_str(), out, 32, &program));
  EXPECT_EQ(0, FillCommandTemplate(std::wstring(40, L'v').c_str(), L"C:\\x", nullptr, out, 32, &program));
  EXPECT_EQ(L'\0', out[0]);
  EXPECT_EQ(0, program);
  // Exactly full: 31 characters and the terminator.
  EXPECT_EQ(1, FillCommandTemplate(L"v %1", std::wstring(29, L'p').c_str(), nullptr, out, 32, nullptr));
  EXPECT_EQ(31u, wcslen(out));
  EXPECT_EQ(0, FillCommandTemplate(L"v %1", std::wstring(30, L'p').c_str(), nullptr, out, 32, nullptr));
}

TEST(ArgumentTest, ClipboardPlaceholderAndAppending) {
  struct Case {
    const wchar_t* command;
    const wchar_t* text;
    int noBlank;
    int size;
    int ok;
    const wchar_t* want;
  } cases[] = {
      {L"-a <clipboard> -b", L"\"a b\" c", 0, 64, 1, L"-a \"a b\" c -b"},
      {L"-a <CLIPBOARD> -b", L"x", 0, 64, 1, L"-a x -b"},
      {L"<clipboard><clipboard>", L"x", 0, 64, 1, L"x<clipboard>"},  // the first only
      {L"-a", L"x", 0, 64, 1, L"-a x"},
      {L"http://h/?q=", L"x", 1, 64, 1, L"http://h/?q=x"},
      {L"", L"x", 0, 64, 1, L"x"},
      {L"-a <clipboard>", L"0123456789", 0, 14, 1, L"-a 0123456789"},
      {L"-a <clipboard>", L"01234567890", 0, 14, 0, L"-a <clipboard>"},
      {L"-abcdefgh", L"012", 0, 14, 1, L"-abcdefgh 012"},
      {L"-abcdefgh", L"0123", 0, 14, 0, L"-abcdefgh"},
  };
  for (const Case& c : cases) {
    wchar_t buf[64];
    lstrcpyW(buf, c.command);
    EXPECT_EQ(c.ok, InsertClipboardText(buf, c.size, c.text, c.noBlank)) << c.want;
    EXPECT_STREQ(c.want, buf);
  }
  wchar_t buf[8] = L"ab";
  EXPECT_EQ(1, AppendArgument(buf, 8, L"cd"));
  EXPECT_STREQ(L"ab cd", buf);
  EXPECT_EQ(1, AppendArgument(buf, 8, nullptr));
  EXPECT_EQ(1, AppendArgument(buf, 8, L""));
  EXPECT_EQ(1, AppendArgument(buf, 8, L"e"));
  EXPECT_STREQ(L"ab cd e", buf);
  EXPECT_EQ(0, AppendArgument(buf, 8, L"f"));
  EXPECT_STREQ(L"ab cd e", buf);
  wchar_t empty[4] = L"";
  EXPECT_EQ(1, AppendArgument(empty, 4, L"xyz"));
  EXPECT_STREQ(L"xyz", empty);
}

int IsTwo(const wchar_t* piece) { return !lstrcmpW(piece, L"two") || !lstrcmpW(piece, L"C:\\a b"); }

TEST(ArgumentTest, ClipboardFilesAndText) {
  const wchar_t* files[] = {L"C:\\a b.txt", L"C:\\c.txt"};
  wchar_t* joined = JoinClipboardFiles(files, 2);
  ASSERT_NE(nullptr, joined);
  EXPECT_STREQ(L"\"C:\\a b.txt\" C:\\c.txt", joined);
  HeapFree(GetProcessHeap(), 0, joined);
  EXPECT_EQ(nullptr, JoinClipboardFiles(files, 0));

  wchar_t* text = JoinClipboardText(L"  one \r\n\r\n two\tthree  \n\tC:\\a b\n", IsTwo);
  ASSERT_NE(nullptr, text);
  EXPECT_STREQ(L"one \"two\" three \"C:\\a b\"", text);
  HeapFree(GetProcessHeap(), 0, text);

  // Text beyond a command line's room is refused, not cut.
  std::wstring huge(kCommandChars + 10, L'x');
  EXPECT_EQ(nullptr, JoinClipboardText(huge.c_str(), IsTwo));
}

TEST(CreationFlagsTest, OnlyOnePriorityClassAndUnicodeEnvironment) {
  struct Case {
    UINT flag;
    DWORD want;
  } cases[] = {
      {0, CREATE_UNICODE_ENVIRONMENT},
      {0x20, NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT},
      {0x80, HIGH_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT},
      {0x8000, ABOVE_NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT},
      {0x100, REALTIME_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT},
      // Hand-edited: suspended, debugged, new console, detached: all dropped.
      {0x80 | CREATE_SUSPENDED | DEBUG_PROCESS | CREATE_NEW_CONSOLE | DETACHED_PROCESS,
       HIGH_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT},
      {CREATE_SUSPENDED | DEBUG_ONLY_THIS_PROCESS, CREATE_UNICODE_ENVIRONMENT},
      {0xFFFFFFFF, IDLE_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT},
      {0x80 | 0x4000, BELOW_NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT},
  };
  for (const Case& c : cases) EXPECT_EQ(c.want, CreationFlagsFromItemFlag(c.flag)) << std::hex << c.flag;
}

TEST(WindowConditionTest, AllOrNoneOfThePairs) {
  TargetWindowCondition conds[2] = {};
  lstrcpyW(conds[0].Title, L"report");
  lstrcpyW(conds[1].Class, L"Note");
  struct Case {
    const wchar_t* title;
    const wchar_t* cls;
    UINT options;
    int want;
  } cases[] = {
      {L"Monthly REPORT", L"Notepad", ITEM_MATCH_ALL, 1},
      {L"Monthly REPORT", L"Edit", ITEM_MATCH_ALL, 0},
      {L"Letter", L"Notepad", ITEM_MATCH_ALL, 0},
      {L"Letter", L"Edit", ITEM_SKIP_MATCHING, 1},
      {L"a report", L"Edit", ITEM_SKIP_MATCHING, 0},
      {L"Letter", L"notepad", ITEM_SKIP_MATCHING, 0},
      {L"Letter", L"Edit", 0, 1},  // conditions only count with an option bit
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.want, WindowMatchesConditions(c.title, c.cls, conds, 2, c.options)) << c.title << " " << c.cls;
}

// --- the road through the seam ----------------------------------------------------

struct Call {
  std::string Api;
  std::wstring File, Params, Dir, Verb;
  DWORD Flags = 0;
  HANDLE Token = nullptr;
  int Show = 0;
  DWORD Thread = 0;
};
std::vector<Call> g_Calls;
std::vector<std::pair<int, INT_PTR>> g_Events;
int g_Elevation;
HANDLE g_Token;
BOOL g_ShellExecuteOk = TRUE;
HRESULT g_DesktopResult = S_OK;
BOOL g_CreateOk = TRUE;
BOOL g_TokenOk = TRUE;
int g_ConfirmAnswer = 1;
int g_Confirmed;
CRITICAL_SECTION g_CallLock;

std::wstring Text(const wchar_t* t) { return t ? t : L""; }
void Record(const Call& c) {
  EnterCriticalSection(&g_CallLock);
  g_Calls.push_back(c);
  g_Calls.back().Thread = GetCurrentThreadId();
  LeaveCriticalSection(&g_CallLock);
}

int FakeElevation(HANDLE* token) {
  if (token) *token = g_Token;
  return g_Elevation;
}
BOOL WINAPI FakeShellExecuteEx(SHELLEXECUTEINFOW* i) {
  Call c;
  c.Api = "ShellExecuteEx";
  c.File = Text(i->lpFile);
  c.Params = Text(i->lpParameters);
  c.Dir = Text(i->lpDirectory);
  c.Verb = Text(i->lpVerb);
  c.Show = i->nShow;
  Record(c);
  return g_ShellExecuteOk;
}
HRESULT FakeDesktop(const wchar_t* file, const wchar_t* params, const wchar_t* dir, const wchar_t* verb, int show) {
  Call c;
  c.Api = "Desktop";
  c.File = Text(file);
  c.Params = Text(params);
  c.Dir = Text(dir);
  c.Verb = Text(verb);
  c.Show = show;
  Record(c);
  return g_DesktopResult;
}
BOOL WINAPI FakeCreateProcess(LPCWSTR, LPWSTR cmd, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD flags,
                              LPVOID, LPCWSTR dir, LPSTARTUPINFOW si, LPPROCESS_INFORMATION pi) {
  Call c;
  c.Api = "CreateProcess";
  c.File = Text(cmd);
  c.Dir = Text(dir);
  c.Flags = flags;
  c.Show = (si->dwFlags & STARTF_USESHOWWINDOW) ? si->wShowWindow : -1;
  Record(c);
  *pi = PROCESS_INFORMATION{};
  return g_CreateOk;
}
BOOL WINAPI FakeCreateWithToken(HANDLE token, DWORD, LPCWSTR, LPWSTR cmd, DWORD flags, LPVOID, LPCWSTR dir,
                                LPSTARTUPINFOW si, LPPROCESS_INFORMATION pi) {
  Call c;
  c.Api = "WithToken";
  c.File = Text(cmd);
  c.Dir = Text(dir);
  c.Flags = flags;
  c.Token = token;
  c.Show = si->wShowWindow;
  Record(c);
  *pi = PROCESS_INFORMATION{};
  return g_TokenOk;
}
HRESULT FakeActivate(const wchar_t* id, const wchar_t* args, DWORD* pid) {
  Call c;
  c.Api = "Activate";
  c.File = Text(id);
  c.Params = Text(args);
  Record(c);
  *pid = 0;
  return REGDB_E_CLASSNOTREG;  // no activation manager, as under Wine
}
int FakeConfirm(int count) {
  g_Confirmed = count;
  return g_ConfirmAnswer;
}
LONG g_RunningAtThreadStart = -1;  // -1: no thread was asked for
bool g_ThreadStartFails = false;
HANDLE WINAPI FakeCreateThread(LPSECURITY_ATTRIBUTES a, SIZE_T size, LPTHREAD_START_ROUTINE proc, LPVOID arg,
                               DWORD flags, LPDWORD id) {
  g_RunningAtThreadStart = g_App.Core.RunningWork;
  if (g_ThreadStartFails) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return ::CreateThread(a, size, proc, arg, flags, id);
}
std::vector<int> g_ScrollResets;
void RecordScrollReset(int page) {
  EnterCriticalSection(&g_CallLock);
  g_ScrollResets.push_back(page);
  LeaveCriticalSection(&g_CallLock);
}
int RecordEvent(int code, INT_PTR arg) {
  EnterCriticalSection(&g_CallLock);
  g_Events.push_back({code, arg});
  LeaveCriticalSection(&g_CallLock);
  return 1;
}

// A button whose texts live here.
struct TestButton {
  std::wstring File, Parameter, Directory;
  ButtonInfo B = {};
  TestButton(UINT type, const wchar_t* file, const wchar_t* param = L"", int flag = 0x20,
             const wchar_t* dir = L"") {
    File = file;
    Parameter = param;
    Directory = dir;
    B.Type = type;
    B.File = File.empty() ? nullptr : &File[0];
    B.Parameter = Parameter.empty() ? nullptr : &Parameter[0];
    B.Directory = Directory.empty() ? nullptr : &Directory[0];
    B.Flag = flag;
    B.WindowStat = SW_SHOWNORMAL;
  }
};

// An extension and class of our own, removed afterwards. Written through
// HKEY_CLASSES_ROOT: Wine does not merge the user's classes into it.
struct TestAssociation {
  std::wstring Ext, Class;
  TestAssociation(const wchar_t* command) {
    wchar_t n[64];
    wsprintfW(n, L".vnlt%lu", GetCurrentProcessId());
    Ext = n;
    wsprintfW(n, L"VnLaunchTest%lu", GetCurrentProcessId());
    Class = n;
    SetValue(Ext, Class);
    SetValue(Class + L"\\shell\\open\\command", command);
  }
  ~TestAssociation() {
    RegDeleteTreeW(HKEY_CLASSES_ROOT, Ext.c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, Class.c_str());
  }
  static void SetValue(const std::wstring& key, const std::wstring& value) {
    HKEY k;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &k, nullptr));
    RegSetValueExW(k, nullptr, 0, REG_SZ, (const BYTE*)value.c_str(), (DWORD)((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
  }
};

class LaunchRoadTest : public testing::Test {
 protected:
  void SetUp() override {
    static bool lockReady = (InitializeCriticalSection(&g_CallLock), true);
    (void)lockReady;
    savedPlatform_ = g_LaunchPlatform;
    savedOutlets_ = g_StoreOutlets;
    savedRunState_ = g_App.RunState;
    savedMain_ = g_App.MainWnd;
    g_App.MainWnd = nullptr;
    LaunchPlatform& p = g_LaunchPlatform;
    p = LaunchPlatform{};
    p.GetElevation = FakeElevation;
    p.ShellExecuteExW = FakeShellExecuteEx;
    p.ShellExecuteViaDesktop = FakeDesktop;
    p.CreateProcessW = FakeCreateProcess;
    p.CreateProcessWithTokenW = FakeCreateWithToken;
    p.ActivateApplication = FakeActivate;
    p.ConfirmManyFiles = FakeConfirm;
    p.CreateThread = FakeCreateThread;
    p.ResetPageScroll = RecordScrollReset;
    g_StoreOutlets.BroadcastPluginEvent = RecordEvent;
    // Hooks on: no launch here asks for a process watch by itself.
    g_App.RunState = RS_HOOKS_ON;
    g_Calls.clear();
    g_Events.clear();
    g_Elevation = 2;
    g_Token = nullptr;
    g_ShellExecuteOk = TRUE;
    g_DesktopResult = S_OK;
    g_CreateOk = TRUE;
    g_TokenOk = TRUE;
    g_ConfirmAnswer = 1;
    g_Confirmed = 0;
    g_RunningAtThreadStart = -1;
    g_ThreadStartFails = false;
    g_ScrollResets.clear();
    g_App.Core.RunningWork = 0;
  }
  void TearDown() override {
    g_LaunchPlatform = savedPlatform_;
    g_StoreOutlets = savedOutlets_;
    g_App.RunState = savedRunState_;
    g_App.MainWnd = savedMain_;
  }
  LaunchPlatform savedPlatform_;
  StoreOutlets savedOutlets_;
  LONG savedRunState_ = 0;
  HWND savedMain_ = nullptr;
};

HANDLE const kShellToken = (HANDLE)(INT_PTR)0x1234;

TEST_F(LaunchRoadTest, ElevationDecisionTable) {
  TestAssociation assoc(L"\"C:\\tools\\viewer.exe\" /view \"%1\"");
  std::wstring doc = L"C:\\docs\\letter" + assoc.Ext;
  struct Case {
    const char* name;
    int elevation;
    HANDLE token;
    UINT type;  // item type | option bits
    int flag;
    const wchar_t* file;
    const wchar_t* param;
    HRESULT desktop;
    BOOL tokenOk;
    int result;
    // Expected calls, in order: api, file (or command line), params, verb, flags, token.
    std::vector<Call> want;
  };
  const wchar_t* exe = L"C:\\apps\\tool.exe";
  auto C = [](const char* api, std::wstring file, std::wstring params, std::wstring verb, DWORD flags, HANDLE token) {
    Call c;
    c.Api = api;
    c.File = file;
    c.Params = params;
    c.Verb = verb;
    c.Flags = flags;
    c.Token = token;
    return c;
  };
  const DWORD U = CREATE_UNICODE_ENVIRONMENT;
  Case cases[] = {
      {"limited, normal priority: through the desktop", 2, nullptr, 1, 0x20, exe, L"-a", S_OK, TRUE, 1,
       {C("Desktop", exe, L"-a", L"", 0, nullptr)}},
      {"limited, high priority: CreateProcess", 2, nullptr, 1, 0x80, exe, L"-a", S_OK, TRUE, 1,
       {C("CreateProcess", L"\"C:\\apps\\tool.exe\" -a", L"", L"", HIGH_PRIORITY_CLASS | U, nullptr)}},
      {"hand-edited Flag: suspended, debug and console bits dropped", 2, nullptr, 1,
       0x80 | CREATE_SUSPENDED | DEBUG_PROCESS | CREATE_NEW_CONSOLE, exe, L"", S_OK, TRUE, 1,
       {C("CreateProcess", L"\"C:\\apps\\tool.exe\"", L"", L"", HIGH_PRIORITY_CLASS | U, nullptr)}},
      {"elevated, standard user, high priority: the shell's token", 1, kShellToken, 1 | ITEM_RUN_STANDARD, 0x80, exe,
       L"", S_OK, TRUE, 1,
       {C("WithToken", L"\"C:\\apps\\tool.exe\"", L"", L"", HIGH_PRIORITY_CLASS | U, kShellToken)}},
      {"elevated, standard user, token refused: CreateProcess", 1, kShellToken, 1 | ITEM_RUN_STANDARD, 0x80, exe, L"",
       S_OK, FALSE, 1,
       {C("WithToken", L"\"C:\\apps\\tool.exe\"", L"", L"", HIGH_PRIORITY_CLASS | U, kShellToken),
        C("CreateProcess", L"\"C:\\apps\\tool.exe\"", L"", L"", HIGH_PRIORITY_CLASS | U, nullptr)}},
      {"elevated, standard user, no token kept: CreateProcess", 1, nullptr, 1 | ITEM_RUN_STANDARD, 0x80, exe, L"",
       S_OK, TRUE, 1, {C("CreateProcess", L"\"C:\\apps\\tool.exe\"", L"", L"", HIGH_PRIORITY_CLASS | U, nullptr)}},
      {"elevated, standard user, normal priority: through the desktop", 1, kShellToken, 1 | ITEM_RUN_STANDARD, 0x20,
       exe, L"", S_OK, TRUE, 1, {C("Desktop", exe, L"", L"", 0, nullptr)}},
      {"elevated, plain: ShellExecuteEx as ourselves", 1, kShellToken, 1, 0x20, exe, L"", S_OK, TRUE, 1,
       {C("ShellExecuteEx", exe, L"", L"", 0, nullptr)}},
      {"elevated, run as administrator: nothing to raise", 1, kShellToken, 1 | ITEM_RUN_ADMIN, 0x20, exe, L"", S_OK,
       TRUE, 1, {C("ShellExecuteEx", exe, L"", L"", 0, nullptr)}},
      {"limited, run as administrator: runas through the desktop, never CreateProcess", 2, nullptr,
       1 | ITEM_RUN_ADMIN, 0x80, exe, L"-a", S_OK, TRUE, 1, {C("Desktop", exe, L"-a", L"runas", 0, nullptr)}},
      {"limited, run as administrator, desktop fails: runas by ShellExecuteEx", 2, nullptr, 1 | ITEM_RUN_ADMIN, 0x20,
       exe, L"", E_FAIL, TRUE, 1,
       {C("Desktop", exe, L"", L"runas", 0, nullptr), C("ShellExecuteEx", exe, L"", L"runas", 0, nullptr)}},
      {"limited, document as administrator: the associated program's command", 2, nullptr, 2 | ITEM_RUN_ADMIN, 0x20,
       doc.c_str(), L"", S_OK, TRUE, 1,
       {C("Desktop", L"C:\\tools\\viewer.exe", L"/view \"" + doc + L"\"", L"runas", 0, nullptr)}},
      {"limited, standard user asked: already standard", 2, nullptr, 1 | ITEM_RUN_STANDARD, 0x80, exe, L"", S_OK,
       TRUE, 1, {C("CreateProcess", L"\"C:\\apps\\tool.exe\"", L"", L"", HIGH_PRIORITY_CLASS | U, nullptr)}},
      {"no elevation information (as under Wine): desktop first", 0, nullptr, 1, 0x20, exe, L"", E_FAIL, TRUE, 1,
       {C("Desktop", exe, L"", L"", 0, nullptr), C("ShellExecuteEx", exe, L"", L"", 0, nullptr)}},
      {"document with a parameter: associated program, parameter after", 2, nullptr, 2, 0x20, doc.c_str(), L"-p",
       S_OK, TRUE, 1, {C("Desktop", L"C:\\tools\\viewer.exe", L"/view \"" + doc + L"\" -p", L"", 0, nullptr)}},
      {"document, high priority: CreateProcess with the association", 2, nullptr, 2, 0x80, doc.c_str(), L"", S_OK,
       TRUE, 1,
       {C("CreateProcess", L"\"C:\\tools\\viewer.exe\" /view \"" + doc + L"\"", L"", L"", HIGH_PRIORITY_CLASS | U,
          nullptr)}},
      {"URL: File directly followed by the Parameter", 2, nullptr, 4, 0x20, L"https://example.invalid/q?", L"x=1",
       S_OK, TRUE, 1, {C("Desktop", L"https://example.invalid/q?x=1", L"", L"", 0, nullptr)}},
      {"packaged app without an activation manager: declined", 2, nullptr, 7, 0x20, L"Vendor.App_1!Main", L"", S_OK,
       TRUE, 0, {C("Activate", L"Vendor.App_1!Main", L"", L"", 0, nullptr)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_Calls.clear();
    g_Elevation = c.elevation;
    g_Token = c.token;
    g_DesktopResult = c.desktop;
    g_TokenOk = c.tokenOk;
    TestButton b(c.type, c.file, c.param, c.flag);
    const wchar_t* path = (c.type & 0xFFFF) <= 3 ? c.file : nullptr;
    EXPECT_EQ(c.result, ExecuteItem(&b.B, path, 0, nullptr));
    ASSERT_EQ(c.want.size(), g_Calls.size());
    for (size_t i = 0; i < c.want.size(); ++i) {
      const Call& got = g_Calls[i];
      const Call& want = c.want[i];
      EXPECT_EQ(want.Api, got.Api);
      EXPECT_EQ(want.File, got.File);
      EXPECT_EQ(want.Params, got.Params);
      EXPECT_EQ(want.Verb, got.Verb);
      EXPECT_EQ(want.Flags, got.Flags);
      EXPECT_EQ(want.Token, got.Token);
    }
  }
}

TEST_F(LaunchRoadTest, FoldersWindowStateAndDirectory) {
  TestButton tree(IT_FOLDER | ITEM_BY_PROCESS, L"C:\\data", L"");
  EXPECT_EQ(1, ExecuteItem(&tree.B, L"C:\\data", 0, nullptr));
  ASSERT_EQ(1u, g_Calls.size());
  EXPECT_EQ(L"explorer", g_Calls[0].File);
  EXPECT_EQ(L"/e,\"C:\\data\" \"\"", g_Calls[0].Params);

  // With the file manager setting the folder goes to it, quoted, after its parameters.
  wchar_t filer[] = L"C:\\fm\\fm.exe";
  wchar_t filerParam[] = L"/single";
  wchar_t* savedPath = g_App.Settings.FilerPath;
  wchar_t* savedParam = g_App.Settings.FilerParam;
  UINT savedOption = g_App.Settings.Option1;
  g_App.Settings.FilerPath = filer;
  g_App.Settings.FilerParam = filerParam;
  g_App.Settings.Option1 |= 0x400000;
  g_Calls.clear();
  TestButton plain(IT_FOLDER, L"C:\\my data", L"/x");
  EXPECT_EQ(1, ExecuteItem(&plain.B, L"C:\\my data", 0, nullptr));
  g_App.Settings.FilerPath = savedPath;
  g_App.Settings.FilerParam = savedParam;
  g_App.Settings.Option1 = savedOption;
  ASSERT_EQ(1u, g_Calls.size());
  EXPECT_EQ(L"C:\\fm\\fm.exe", g_Calls[0].File);
  EXPECT_EQ(L"/x /single \"C:\\my data\"", g_Calls[0].Params);

  g_Calls.clear();
  TestButton program(1, L"C:\\apps\\tool.exe", L"", 0x80, L"C:\\work");
  program.B.WindowStat = SW_SHOWMAXIMIZED;
  EXPECT_EQ(1, ExecuteItem(&program.B, L"C:\\apps\\tool.exe", 0, nullptr));
  ASSERT_EQ(1u, g_Calls.size());
  EXPECT_EQ(L"C:\\work", g_Calls[0].Dir);
  EXPECT_EQ(SW_SHOWMAXIMIZED, g_Calls[0].Show);
}

// CF_HDROP with n files named C:\clip\f<i>.txt ("C:\clip\f 0.txt" for the first).
void PutFilesOnClipboard(int n) {
  std::wstring names;
  for (int i = 0; i < n; ++i) names += (i ? L"C:\\clip\\f" + std::to_wstring(i) : std::wstring(L"C:\\clip\\f 0")) +
                                       L".txt" + std::wstring(1, L'\0');
  names += L'\0';
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  DROPFILES* d = (DROPFILES*)GlobalLock(g);
  d->pFiles = sizeof(DROPFILES);
  d->fWide = TRUE;
  memcpy(d + 1, names.data(), names.size() * sizeof(wchar_t));
  GlobalUnlock(g);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  SetClipboardData(CF_HDROP, g);
  CloseClipboard();
}

TEST_F(LaunchRoadTest, ClipboardArguments) {
  TempDir dir;
  std::wstring exe = dir.File(L"tool.exe");
  ASSERT_TRUE(WriteFileBytes(exe, "MZ"));
  TestButton b(1, exe.c_str(), L"-a <clipboard> -b", 0x80);

  PutFilesOnClipboard(2);
  PrepareAndExecuteItem(&b.B, 0, nullptr);
  ASSERT_EQ(1u, g_Calls.size());
  EXPECT_EQ(L"\"" + exe + L"\" -a \"C:\\clip\\f 0.txt\" C:\\clip\\f1.txt -b", g_Calls[0].File);
  EXPECT_EQ(0, g_Confirmed);  // two files: no question
  ASSERT_EQ(1u, g_Events.size());

  // Twenty files ask first; declined, nothing starts (not even with the
  // placeholder left in) and no launch is reported.
  PutFilesOnClipboard(20);
  g_Calls.clear();
  g_Events.clear();
  g_ConfirmAnswer = 0;
  PrepareAndExecuteItem(&b.B, 0, nullptr);
  EXPECT_EQ(20, g_Confirmed);
  EXPECT_TRUE(g_Calls.empty());
  EXPECT_TRUE(g_Events.empty());

  g_ConfirmAnswer = 1;
  PrepareAndExecuteItem(&b.B, 0, nullptr);
  ASSERT_EQ(1u, g_Calls.size());
  EXPECT_NE(std::wstring::npos, g_Calls[0].File.find(L"C:\\clip\\f19.txt -b"));

  // Text: appended with flag 0x40 even without the placeholder.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  const wchar_t text[] = L"alpha\r\nbeta";
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, sizeof text);
  memcpy(GlobalLock(g), text, sizeof text);
  GlobalUnlock(g);
  SetClipboardData(CF_UNICODETEXT, g);
  CloseClipboard();
  TestButton plain(1, exe.c_str(), L"-x", 0x80);
  g_Calls.clear();
  PrepareAndExecuteItem(&plain.B, LF_APPEND_CLIPBOARD, nullptr);
  ASSERT_EQ(1u, g_Calls.size());
  EXPECT_EQ(L"\"" + exe + L"\" -x alpha beta", g_Calls[0].File);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
}

TEST_F(LaunchRoadTest, PluginsHearOfEveryAttemptThatReachedTheDispatch) {
  TempDir dir;
  std::wstring exe = dir.File(L"tool.exe");
  ASSERT_TRUE(WriteFileBytes(exe, "MZ"));
  TestButton b(1, exe.c_str(), L"", 0x80);
  b.B.List = 2;
  b.B.Index = 5;
  g_CreateOk = FALSE;
  PrepareAndExecuteItem(&b.B, 0, nullptr);
  ASSERT_EQ(1u, g_Calls.size());
  ASSERT_EQ(1u, g_Events.size());
  EXPECT_EQ(PN_ITEMEXECUTED, g_Events[0].first);
  EXPECT_EQ((3 << 16) | 5, g_Events[0].second);

  // No target: nothing starts and nothing is reported.
  g_Calls.clear();
  g_Events.clear();
  TestButton empty(1, L"", L"", 0x80);
  PrepareAndExecuteItem(&empty.B, 0, nullptr);
  EXPECT_TRUE(g_Calls.empty());
  EXPECT_TRUE(g_Events.empty());
}

// One page whose only button is b; the store as it was comes back after.
struct OneButtonPage {
  ItemStore Saved = g_App.Store;
  PageInfo Page = {};
  ButtonInfo* Table[1];
  ButtonInfo** Tables[1] = {Table};
  explicit OneButtonPage(ButtonInfo* b) {
    Table[0] = b;
    b->List = 0;
    b->Index = 0;
    Page.Count = 1;
    g_App.Store.Pages = &Page;
    g_App.Store.PageButtons = Tables;
    g_App.Store.PageCount = 1;
    g_App.Store.SubMenuCount = 0;
    g_App.Store.Refs.History = nullptr;
    g_App.Store.Refs.MaxMemories = 0;
    g_App.Store.LastLaunched = nullptr;
  }
  ~OneButtonPage() { g_App.Store = Saved; }
};

// Waits (up to 5 s) until the plug-ins heard of a launch and nothing runs.
bool WaitForLaunchEnd() {
  for (int i = 0; i < 500; ++i) {
    EnterCriticalSection(&g_CallLock);
    bool done = !g_Events.empty();
    LeaveCriticalSection(&g_CallLock);
    if (done && g_App.Core.RunningWork == 0) return true;
    Sleep(10);
  }
  return false;
}

TEST_F(LaunchRoadTest, LaunchItemHandsTheButtonToAThread) {
  TempDir dir;
  std::wstring exe = dir.File(L"tool.exe");
  ASSERT_TRUE(WriteFileBytes(exe, "MZ"));
  TestButton b(1, exe.c_str(), L"-t", 0x80);
  OneButtonPage page(&b.B);

  LaunchItem(&b.B, 0, nullptr);
  // Counted before the thread existed: nothing may end the program in between.
  EXPECT_EQ(1, g_RunningAtThreadStart);
  ASSERT_TRUE(WaitForLaunchEnd());
  EXPECT_EQ(0, g_App.Core.RunningWork);
  ASSERT_EQ(1u, g_Calls.size());
  EXPECT_NE(GetCurrentThreadId(), g_Calls[0].Thread);
  EXPECT_EQ(L"\"" + exe + L"\" -t", g_Calls[0].File);
  ASSERT_EQ(1u, g_Events.size());
  EXPECT_EQ((1 << 16) | 0, g_Events[0].second);
  EXPECT_EQ(&b.B, g_App.Store.LastLaunched);  // recorded for the history
}

TEST_F(LaunchRoadTest, AThreadThatCannotStartLaunchesHereAndIsNotCounted) {
  TempDir dir;
  std::wstring exe = dir.File(L"tool.exe");
  ASSERT_TRUE(WriteFileBytes(exe, "MZ"));
  TestButton b(1, exe.c_str(), L"", 0x80);
  OneButtonPage page(&b.B);
  g_ThreadStartFails = true;
  LaunchItem(&b.B, 0, nullptr);
  EXPECT_EQ(1, g_RunningAtThreadStart);
  EXPECT_EQ(0, g_App.Core.RunningWork);
  ASSERT_EQ(1u, g_Calls.size());
  EXPECT_EQ(GetCurrentThreadId(), g_Calls[0].Thread);
  EXPECT_EQ(1u, g_Events.size());
}

TEST_F(LaunchRoadTest, NoItemLaunchesNothing) {
  TestButton b(1, L"C:\\apps\\tool.exe", L"", 0x80);
  OneButtonPage page(&b.B);
  g_App.Core.RunningWork = 2;  // other work going on stays as it is
  for (UINT flags : {0u, (UINT)LF_FROM_WINDOW, (UINT)LF_SKIP_PRELAUNCH}) {
    LaunchItem(nullptr, flags, nullptr);
    EXPECT_EQ(-1, g_RunningAtThreadStart) << flags;  // no thread asked for
    EXPECT_EQ(2, g_App.Core.RunningWork) << flags;
  }
  Sleep(50);
  EXPECT_TRUE(g_Calls.empty());
  EXPECT_TRUE(g_Events.empty());  // no PN_ITEMEXECUTED
  EXPECT_EQ(nullptr, g_App.Store.LastLaunched);
  EXPECT_FALSE(IsForegroundGuardOn());
  g_App.Core.RunningWork = 0;
}

// A page that goes back to its top-left after a launch: the launch thread
// only asks; the scroll stays as it is until the window's thread resets
// it with its grid.
TEST_F(LaunchRoadTest, AfterALaunchThePageScrollResetIsAskedForNotMade) {
  TempDir dir;
  std::wstring exe = dir.File(L"tool.exe");
  ASSERT_TRUE(WriteFileBytes(exe, "MZ"));
  TestButton b(1, exe.c_str(), L"", 0x80);
  OneButtonPage page(&b.B);
  UINT savedStatus = g_App.Settings.Status;
  g_App.Settings.Status &= ~STATUS_VIEWMODE2;
  struct Case {
    int Flag, Row, Column;
    bool Asked;
  } cases[] = {
      {0x2, 3, 0, true},
      {0x2, 0, 2, true},
      {0x3, 1, 1, true},
      {0x2, 0, 0, false},  // not scrolled
      {0x1, 3, 0, false},  // resets on showing only
      {0x0, 3, 0, false},
  };
  for (const Case& c : cases) {
    g_ScrollResets.clear();
    page.Page.Flag = c.Flag;
    page.Page.ScrollStat[0] = c.Row;
    page.Page.ScrollStat[2] = c.Column;
    PrepareAndExecuteItem(&b.B, 0, nullptr);
    EXPECT_EQ(c.Asked ? std::vector<int>{0} : std::vector<int>{}, g_ScrollResets) << c.Flag << " " << c.Row;
    EXPECT_EQ(c.Row, page.Page.ScrollStat[0]);
    EXPECT_EQ(c.Column, page.Page.ScrollStat[2]);
  }
  // A failed launch asks for nothing.
  g_ScrollResets.clear();
  g_CreateOk = FALSE;
  page.Page.Flag = 0x2;
  page.Page.ScrollStat[0] = 3;
  PrepareAndExecuteItem(&b.B, 0, nullptr);
  EXPECT_TRUE(g_ScrollResets.empty());
  g_App.Settings.Status = savedStatus;
}

DWORD WINAPI AskForScrollReset(LPVOID) {
  g_LaunchPlatform.ResetPageScroll(4);
  return 0;
}

// The road's real entries: threads are the system's, and the scroll reset
// goes to the launcher window as a message its own thread handles.
TEST_F(LaunchRoadTest, StartUpBindsThreadsAndThePostedScrollReset) {
  InputOutlets savedInput = g_InputOutlets;
  InitLaunchPlatform();
  EXPECT_EQ((void*)::CreateThread, (void*)g_LaunchPlatform.CreateThread);
  ASSERT_NE(nullptr, g_LaunchPlatform.ResetPageScroll);
  HWND w = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, w);
  g_App.MainWnd = w;
  HANDLE t = ::CreateThread(nullptr, 0, AskForScrollReset, nullptr, 0, nullptr);
  ASSERT_NE(nullptr, t);
  WaitForSingleObject(t, 5000);
  CloseHandle(t);
  MSG m;
  ASSERT_TRUE(PeekMessageW(&m, w, WMA_RESETSCROLL, WMA_RESETSCROLL, PM_REMOVE));
  EXPECT_EQ(4u, m.wParam);
  g_App.MainWnd = nullptr;
  DestroyWindow(w);
  g_InputOutlets = savedInput;
}

}  // namespace
