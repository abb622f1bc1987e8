// What the end-to-end tests share: program folders holding a copy of the
// built Vantrel.exe, started launchers, and waits on their windows.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace e2e {

inline constexpr wchar_t kMainClass[] = L"VantrelWndClass";

// One start of the marker program: its name argument, its tick count and
// its creation time (FILETIME units).
struct Mark {
  std::string Name;
  unsigned long Tick = 0;
  unsigned long long Created = 0;
};

// Ends every process still running a program of folder (a marker started
// as a launcher ended may hang in Wine's start-up, holding the test run's
// output open).
inline void EndProgramsIn(const std::wstring& folder) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return;
  PROCESSENTRY32W pe = {sizeof pe};
  std::wstring prefix = folder + L"\\";
  CharLowerW(&prefix[0]);
  for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe)) {
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, pe.th32ProcessID);
    if (!p) continue;
    wchar_t image[MAX_PATH];
    DWORD n = MAX_PATH;
    if (QueryFullProcessImageNameW(p, 0, image, &n)) {
      CharLowerW(image);
      if (wcsncmp(image, prefix.c_str(), prefix.size()) == 0) TerminateProcess(p, 1);
    }
    CloseHandle(p);
  }
  CloseHandle(snap);
}

// One program folder: Vantrel.exe, Languages\, optionally VnHook.dll, and
// Data\ so that every file it writes stays here.
struct ProgramFolder {
  TempDir Dir;

  explicit ProgramFolder(bool withHookLibrary) {
    EXPECT_TRUE(CopyFileW(BuildFile(L"Vantrel.exe").c_str(), Exe().c_str(), FALSE));
    CreateDirectoryW(Dir.File(L"Data").c_str(), nullptr);
    CreateDirectoryW(Dir.File(L"Languages").c_str(), nullptr);
    CopyFileW(BuildFile(L"Languages/English.dll").c_str(), Dir.File(L"Languages\\English.dll").c_str(), FALSE);
    CopyFileW(BuildFile(L"Languages/Language.ini").c_str(), Dir.File(L"Languages\\Language.ini").c_str(), FALSE);
    if (withHookLibrary) {
      // The real library when it is built; the bind-only stand-in otherwise.
      std::wstring real = BuildFile(L"VnHook.dll");
      if (GetFileAttributesW(real.c_str()) == INVALID_FILE_ATTRIBUTES) real = FixturePath(L"fakehook_good.dll");
      EXPECT_TRUE(CopyFileW(real.c_str(), Dir.File(L"VnHook.dll").c_str(), FALSE));
    }
  }
  ~ProgramFolder() { EndProgramsIn(Dir.Path); }
  std::wstring Exe() const { return Dir.File(L"Vantrel.exe"); }
  std::wstring Settings() const { return Dir.File(L"Data\\Vantrel.ini"); }
  // A settings file of this version with pages P1..Pn; extra sections go
  // before [Pages] (in file order), page 0 gets the buttons given. Lines of
  // extra before its first section stay in [General]. A missing number
  // reads as 0, and a press-and-hold time of 0 turns every click on a
  // button into a hold: the file carries one as a saved file would.
  void SeedSettings(int pages, const std::wstring& extra = L"", const std::vector<std::wstring>& buttons = {},
                    const wchar_t* option1 = L"00b4e021", const wchar_t* dispOption = L"000008b5") const {
    std::wstring t = L"\r\n[General]\r\nVersion=04020200\r\nLastPage=0\r\nLastPosX=10\r\nLastPosY=20\r\n"
                     L"Status=00000000\r\nOption1=" + std::wstring(option1) +
                     L"\r\nDispOption=" + dispOption + L"\r\nPressHoldB=1000\r\nLanguage=English.dll\r\n" + extra +
                     L"\r\n[Pages]\r\nCount=" + std::to_wstring(pages) + L"\r\n";
    for (int p = 0; p < pages; ++p) {
      wchar_t head[16];
      wsprintfW(head, L"Page%03d", p);
      size_t n = p == 0 ? buttons.size() : 0;
      t += L"\r\n[" + std::wstring(head) + L"]\r\nName=P" + std::to_wstring(p + 1) + L"\r\nFlag=00000000\r\nCount=" +
           std::to_wstring(n) + L"\r\n\r\n[ScrollStat]\r\nViewMode1=0,0\r\nViewMode2=0,0\r\n";
      for (size_t b = 0; b < n; ++b) {
        wsprintfW(head, L"Btn%03d", (int)b);
        t += L"\r\n[" + std::wstring(head) + L"]\r\n" + buttons[b];
      }
    }
    t += L"\r\n[SubMenus]\r\nCount=0\r\n";
    EXPECT_TRUE(WriteUtf16File(Settings(), t));
  }
  // [General] value of key in Data\Vantrel.ini, or "" when missing.
  std::wstring GeneralValue(const wchar_t* key) const {
    std::string bytes = ReadFileBytes(Settings());
    if (bytes.size() < 2) return L"";
    std::wstring text((const wchar_t*)(bytes.data() + 2), (bytes.size() - 2) / 2);
    std::wstring pat = std::wstring(L"\r\n") + key + L"=";
    size_t at = text.find(pat);
    if (at == std::wstring::npos) return L"";
    at += pat.size();
    return text.substr(at, text.find(L"\r\n", at) - at);
  }
  std::wstring MessageLog() const { return Dir.File(L"messages.log"); }
  // Where the marker program notes its starts.
  std::wstring MarkerLog() const { return Dir.File(L"marker.log"); }
  // A button that starts the marker program with its name, at row, column.
  std::wstring MarkerButton(const wchar_t* name, int row, int column) const {
    std::wstring exe = Dir.File(L"marker.exe");
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) CopyFileW(BuildFile(L"marker.exe").c_str(), exe.c_str(), FALSE);
    return L"Type=00000001\r\nName=" + std::wstring(name) + L"\r\nFile=" + exe + L"\r\nParameter=" + name + L" \"" +
           MarkerLog() + L"\"\r\nViewMode1Pos=" + std::to_wstring(row) + L"," + std::to_wstring(column) +
           L"\r\nViewMode2Pos=" + std::to_wstring(row) + L"," + std::to_wstring(column) + L"\r\n";
  }
  // The marker's starts, in order.
  std::vector<Mark> Marks() const {
    std::vector<Mark> out;
    std::string text = ReadFileBytes(MarkerLog());
    size_t at = 0;
    while (at < text.size()) {
      size_t end = text.find("\r\n", at);
      if (end == std::string::npos) break;
      char name[64];
      Mark m;
      if (sscanf(text.substr(at, end - at).c_str(), "%63s %lu %llu", name, &m.Tick, &m.Created) == 3) {
        m.Name = name;
        out.push_back(m);
      }
      at = end + 2;
    }
    return out;
  }
};

// A started Vantrel.exe. Message boxes go to the folder's messages.log.
struct Launcher {
  PROCESS_INFORMATION Info = {};

  bool Start(const ProgramFolder& folder, const wchar_t* args) {
    std::wstring cmd = L"\"" + folder.Exe() + L"\" " + args;
    std::vector<wchar_t> buf(cmd.begin(), cmd.end());
    buf.push_back(0);
    SetEnvironmentVariableW(L"VANTREL_MESSAGE_LOG", folder.MessageLog().c_str());
    STARTUPINFOW si = {sizeof si};
    BOOL ok = CreateProcessW(folder.Exe().c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             folder.Dir.Path.c_str(), &si, &Info);
    SetEnvironmentVariableW(L"VANTREL_MESSAGE_LOG", nullptr);
    return ok != FALSE;
  }
  // The launcher window of this process, waiting up to timeoutMs for it.
  HWND Window(DWORD timeoutMs = 10000) const {
    DWORD start = GetTickCount();
    for (;;) {
      for (HWND w = FindWindowExW(nullptr, nullptr, kMainClass, nullptr); w;
           w = FindWindowExW(nullptr, w, kMainClass, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == Info.dwProcessId) return w;
      }
      if (GetTickCount() - start >= timeoutMs || !Running()) return nullptr;
      Sleep(20);
    }
  }
  bool Running() const { return Info.hProcess && WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT; }
  // Exit code, or -1 when it did not end in time.
  long WaitExit(DWORD timeoutMs = 10000) const {
    if (WaitForSingleObject(Info.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(Info.hProcess, &code);
    return (long)code;
  }
  // The window exists and answers; start-up is then at its last steps.
  bool Ready(DWORD timeoutMs = 10000) const { return Window(timeoutMs) != nullptr && Answers(timeoutMs); }
  // Waits until the window has handled everything posted before. Hiding a
  // window that was drawn takes Wine up to 2 s under Xvfb (no window
  // manager to confirm the unmap).
  bool Answers(DWORD timeoutMs = 5000) const {
    HWND w = Window(0);
    DWORD_PTR r;
    return w && SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &r) != 0;
  }
  // When the process ended (FILETIME units), 0 while it runs.
  unsigned long long ExitTime() const {
    FILETIME created, ended = {}, kernel, user;
    if (Running() || !GetProcessTimes(Info.hProcess, &created, &ended, &kernel, &user)) return 0;
    return ((unsigned long long)ended.dwHighDateTime << 32) | ended.dwLowDateTime;
  }
  // Starts it and waits until its window answers: the window, or null.
  HWND StartReady(const ProgramFolder& folder, const wchar_t* args) {
    if (!Start(folder, args) || !Ready()) return nullptr;
    return Window(0);
  }
  // Exit from the menu, as a user would; the exit code as WaitExit gives it.
  long Quit(DWORD timeoutMs = 10000) const {
    PostMessageW(Window(0), WM_COMMAND, 40004, 0);
    return WaitExit(timeoutMs);
  }
  ~Launcher() {
    if (!Info.hProcess) return;
    if (Running()) {
      if (HWND w = Window(0)) PostMessageW(w, WM_COMMAND, 40004, 0);
      if (WaitForSingleObject(Info.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(Info.hProcess, 1);
    }
    CloseHandle(Info.hProcess);
    CloseHandle(Info.hThread);
  }
};

inline bool Visible(HWND w) { return IsWindowVisible(w) != FALSE; }

// Holds the window's visibility as it is for timeoutMs; false as soon as it changes.
inline bool StaysVisible(HWND w, bool want, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    if (Visible(w) != want) return false;
    Sleep(20);
  }
  return true;
}

// Polls until the window's visibility is as wanted (start-up shows it last).
inline bool BecomesVisible(HWND w, bool want = true, DWORD timeoutMs = 5000) {
  DWORD start = GetTickCount();
  while (Visible(w) != want) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

// Starts l with args and waits until its window is visible and answers:
// the window, or null.
inline HWND StartShown(Launcher& l, const ProgramFolder& folder, const wchar_t* args) {
  HWND w = l.StartReady(folder, args);
  return w && BecomesVisible(w) && l.Answers() ? w : nullptr;
}

// A change taken back (pinned and unpinned), so that the exit saves the
// settings as after any change; true when the window has handled it.
inline bool ChangeAndTakeBack(const Launcher& l, HWND w) {
  for (int i = 0; i < 2; i++) SendMessageW(w, WM_COMMAND, 40005, 0);
  return l.Answers();
}

// Keys pressed in order and released in reverse, as a user would type them.
inline void InjectKeys(std::initializer_list<WORD> keys) {
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

inline RECT WindowRect(HWND w) {
  RECT r = {};
  GetWindowRect(w, &r);
  return r;
}

// Absolute input coordinates of a screen point.
inline LONG AbsoluteX(int x) { return (LONG)(((LONGLONG)x * 65536 + GetSystemMetrics(SM_CXSCREEN) - 1) / GetSystemMetrics(SM_CXSCREEN)); }
inline LONG AbsoluteY(int y) { return (LONG)(((LONGLONG)y * 65536 + GetSystemMetrics(SM_CYSCREEN) - 1) / GetSystemMetrics(SM_CYSCREEN)); }

// A click of one mouse button (down and up flags), as a device would send
// it; at (x, y) when given, else where the pointer is.
inline void InjectClick(DWORD down, DWORD up, const POINT* at = nullptr) {
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

// Runs xdotool, a program of the X display, with args (real input, not
// injected). Wine starts it but gives no handle to wait on: callers watch
// for what it does.
inline bool RunXdotool(const std::wstring& args) {
  std::wstring cmd = L"/bin/sh -c \"xdotool " + args + L"\"";
  std::vector<wchar_t> buf(cmd.begin(), cmd.end());
  buf.push_back(0);
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi = {};
  if (!CreateProcessW(L"/bin/sh", buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  return true;
}

// Real pointer movement (SendInput does not move the X pointer, and the
// ticker polls the cursor), watched until it arrived; a window of our own
// makes GetCursorPos ask the display.
inline bool MovePointer(int x, int y) {
  static HWND probe = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                      nullptr, nullptr);
  (void)probe;
  if (!RunXdotool(L"mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y))) return false;
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 5000) {
    POINT pt;
    if (GetCursorPos(&pt) && pt.x == x && pt.y == y) return true;
    Sleep(50);
  }
  return false;
}

// Waits up to timeoutMs for the marker program to have noted count starts;
// the starts seen.
inline std::vector<Mark> WaitForMarks(const ProgramFolder& folder, size_t count, DWORD timeoutMs = 8000) {
  DWORD start = GetTickCount();
  std::vector<Mark> marks = folder.Marks();
  while (marks.size() < count && GetTickCount() - start < timeoutMs) {
    Sleep(20);
    marks = folder.Marks();
  }
  return marks;
}

// The names of the marker's starts, in order, joined by spaces.
inline std::string MarkNames(const ProgramFolder& folder) {
  std::string names;
  for (const auto& m : folder.Marks()) names += (names.empty() ? "" : " ") + m.Name;
  return names;
}

// Brings w to the front, trying for up to 3 s.
inline bool BringToFront(HWND w) {
  DWORD start = GetTickCount();
  while (GetForegroundWindow() != w) {
    SetForegroundWindow(w);
    if (GetTickCount() - start > 3000) return false;
    Sleep(50);
  }
  return true;
}

// The command line another process was started with (read from its process
// parameters), or "" when it cannot be read.
inline std::wstring ProcessCommandLine(DWORD pid) {
  typedef NTSTATUS(NTAPI * QueryFn)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  QueryFn query = (QueryFn)GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess");
  HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!p) return L"";
  std::wstring out;
  PROCESS_BASIC_INFORMATION info = {};
  PEB peb = {};
  RTL_USER_PROCESS_PARAMETERS params = {};
  if (query && query(p, ProcessBasicInformation, &info, sizeof info, nullptr) == 0 &&
      ReadProcessMemory(p, info.PebBaseAddress, &peb, sizeof peb, nullptr) &&
      ReadProcessMemory(p, peb.ProcessParameters, &params, sizeof params, nullptr)) {
    out.resize(params.CommandLine.Length / sizeof(wchar_t));
    if (!ReadProcessMemory(p, params.CommandLine.Buffer, &out[0], params.CommandLine.Length, nullptr)) out.clear();
  }
  CloseHandle(p);
  return out;
}

// The window of class cls whose process runs image (compared without
// case), other than the process skip; NULL when there is none.
inline HWND FindWindowOfImage(const wchar_t* cls, const std::wstring& image, DWORD skip = 0) {
  for (HWND w = FindWindowExW(nullptr, nullptr, cls, nullptr); w; w = FindWindowExW(nullptr, w, cls, nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (!pid || pid == skip) continue;
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!p) continue;
    wchar_t path[MAX_PATH];
    DWORD n = MAX_PATH;
    bool same = QueryFullProcessImageNameW(p, 0, path, &n) && !_wcsicmp(path, image.c_str());
    CloseHandle(p);
    if (same) return w;
  }
  return nullptr;
}

}  // namespace e2e
