// What the helper's tests share: a stand-in for the helper's platform seam
// (elevation, process starts, waits, a clock that only moves when the helper
// sleeps, message boxes), stand-ins for the hook library's three exports,
// and windows of the launcher's class in this process.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "admin/platform.h"
#include "admin/state.h"

namespace admintest {

inline HANDLE const kFakeToken = (HANDLE)(INT_PTR)0x7001;
inline HANDLE const kFakeProcess = (HANDLE)(INT_PTR)0x7002;
inline HANDLE const kFakeThread = (HANDLE)(INT_PTR)0x7003;
inline LPVOID const kFakeEnvironment = (LPVOID)(INT_PTR)0x7004;
inline HWND const kFakeShell = (HWND)(INT_PTR)0x7005;
const DWORD kNever = 0xFFFFFFFF;

inline bool IsFake(HANDLE h) { return (INT_PTR)h >= 0x7001 && (INT_PTR)h <= 0x7005; }

// Runs every message waiting for this thread's windows.
inline void PumpMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

struct FakePlatform {
  // What the system answers.
  int Os = 1000;
  int Elevation = TokenElevationTypeFull;
  DWORD ShellAfterMs = 0;       // kNever: no shell window ever
  bool TokenOk = true;
  int TokenStartFailures = 0;   // -1: every start with the token fails
  bool EnvironmentOk = true;
  bool PlainStartOk = true;
  bool ProcessEnds = false;     // the started process has ended at once
  DWORD StartedPid = GetCurrentProcessId();
  DWORD Now = 5000;
  std::function<void()> OnSleep;

  // What the helper did.
  std::vector<std::string> Starts;  // "CreateProcessWithTokenW" or "CreateProcessW", per attempt
  std::wstring App, Line, Folder;
  HANDLE TokenUsed = nullptr;
  LPVOID EnvironmentUsed = nullptr;
  DWORD CreationFlags = 0;
  STARTUPINFOW Startup = {};
  std::vector<HANDLE> Closed;
  bool EnvironmentDestroyed = false;
  std::vector<int> Messages;
  std::vector<std::pair<HANDLE, DWORD>> Waits;  // other than the started process

  FakePlatform() : saved_(g_AdminPlatform), start_(Now) {
    current_ = this;
    AdminPlatform& p = g_AdminPlatform;
    p.OsVersion = [] { return current_->Os; };
    p.ElevationType = [] { return current_->Elevation; };
    p.GetShellWindow = ShellWindow;
    p.DuplicateShellToken = [](HWND shell) -> HANDLE {
      return shell == kFakeShell && current_->TokenOk ? kFakeToken : nullptr;
    };
    p.CreateEnvironmentBlock = CreateEnvironment;
    p.DestroyEnvironmentBlock = DestroyEnvironment;
    p.CreateProcessWithTokenW = StartWithToken;
    p.CreateProcessW = StartPlain;
    p.WaitForInputIdle = InputIdle;
    p.WaitForSingleObject = Wait;
    p.CloseHandle = Close;
    p.GetTickCount = Tick;
    p.Sleep = SleepFor;
    p.ShowMessage = [](int id, UINT) {
      current_->Messages.push_back(id);
      return IDOK;
    };
  }
  ~FakePlatform() {
    g_AdminPlatform = saved_;
    current_ = nullptr;
  }
  DWORD Elapsed() const { return Now - start_; }
  bool WasClosed(HANDLE h) const {
    for (HANDLE c : Closed)
      if (c == h) return true;
    return false;
  }

 private:
  static inline FakePlatform* current_;
  AdminPlatform saved_;
  DWORD start_;

  static DWORD WINAPI InputIdle(HANDLE, DWORD) { return 0; }
  static DWORD WINAPI Tick() { return current_->Now; }
  static HWND WINAPI ShellWindow() {
    FakePlatform* f = current_;
    return f->ShellAfterMs != kNever && f->Elapsed() >= f->ShellAfterMs ? kFakeShell : nullptr;
  }
  static BOOL WINAPI CreateEnvironment(LPVOID* env, HANDLE, BOOL) {
    *env = current_->EnvironmentOk ? kFakeEnvironment : nullptr;
    return current_->EnvironmentOk;
  }
  static BOOL WINAPI DestroyEnvironment(LPVOID env) {
    current_->EnvironmentDestroyed = env == kFakeEnvironment;
    return TRUE;
  }
  static void Record(LPCWSTR app, LPWSTR line, DWORD flags, LPCWSTR folder, LPSTARTUPINFOW si) {
    FakePlatform* f = current_;
    f->App = app ? app : L"(null)";
    f->Line = line ? line : L"(null)";
    f->Folder = folder ? folder : L"(null)";
    f->CreationFlags = flags;
    f->Startup = *si;
  }
  static BOOL Started(LPPROCESS_INFORMATION pi) {
    pi->hProcess = kFakeProcess;
    pi->hThread = kFakeThread;
    pi->dwProcessId = current_->StartedPid;
    pi->dwThreadId = 1;
    return TRUE;
  }
  static BOOL WINAPI StartWithToken(HANDLE token, DWORD, LPCWSTR app, LPWSTR line, DWORD flags, LPVOID env,
                                    LPCWSTR folder, LPSTARTUPINFOW si, LPPROCESS_INFORMATION pi) {
    FakePlatform* f = current_;
    f->Starts.push_back("CreateProcessWithTokenW");
    Record(app, line, flags, folder, si);
    f->TokenUsed = token;
    f->EnvironmentUsed = env;
    if (f->TokenStartFailures < 0) return FALSE;
    if (f->TokenStartFailures > 0) {
      f->TokenStartFailures--;
      return FALSE;
    }
    return Started(pi);
  }
  static BOOL WINAPI StartPlain(LPCWSTR app, LPWSTR line, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
                                DWORD flags, LPVOID env, LPCWSTR folder, LPSTARTUPINFOW si,
                                LPPROCESS_INFORMATION pi) {
    FakePlatform* f = current_;
    f->Starts.push_back("CreateProcessW");
    Record(app, line, flags, folder, si);
    f->EnvironmentUsed = env;
    return f->PlainStartOk ? Started(pi) : FALSE;
  }
  static DWORD WINAPI Wait(HANDLE h, DWORD ms) {
    if (h == kFakeProcess) return current_->ProcessEnds ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    current_->Waits.push_back({h, ms});
    return WAIT_TIMEOUT;
  }
  static BOOL WINAPI Close(HANDLE h) {
    current_->Closed.push_back(h);
    return IsFake(h) ? TRUE : CloseHandle(h);
  }
  static void WINAPI SleepFor(DWORD ms) {
    current_->Now += ms ? ms : 1;
    PumpMessages();
    if (current_->OnSleep) current_->OnSleep();
  }
};

// Stand-ins for _VnOperateMouseHook, _VnOperateKeyboardHook and
// _VnGetAdminReq, bound into g_Admin for the object's life.
struct FakeHookLibrary {
  struct Request {
    int Kind;
    INT_PTR A, B;
  };
  std::deque<Request> Ring;
  bool EndlessRing = false;        // a writer that keeps the ring full
  int Taken = 0;
  std::vector<std::string> Calls;  // "mouse 1", "keyboard 2", ...
  std::vector<HWND> Targets;       // of the installs
  std::vector<BOOL> LowLevel;      // of the mouse installs
  int InstallFailures = 0;         // the next installs that fail
  int RemoveFailures = 0;          // -1: removing never succeeds

  FakeHookLibrary() : saved_(g_Admin) {
    current_ = this;
    g_Admin.OperateMouseHook = Mouse;
    g_Admin.OperateKeyboardHook = Keyboard;
    g_Admin.GetAdminReq = Get;
    g_Admin.MouseHookOwned = 0;
    g_Admin.KeyboardHookOwned = 0;
  }
  ~FakeHookLibrary() {
    g_Admin = saved_;
    current_ = nullptr;
  }
  void Queue(int kind, INT_PTR a, INT_PTR b = 0) { Ring.push_back({kind, a, b}); }
  std::string Joined() const {
    std::string s;
    for (const std::string& c : Calls) s += (s.empty() ? "" : ", ") + c;
    return s;
  }

 private:
  static inline FakeHookLibrary* current_;
  AdminState saved_;

  static BOOL Operate(const char* which, int op, HWND target) {
    FakeHookLibrary* f = current_;
    f->Calls.push_back(std::string(which) + " " + std::to_string(op));
    if (op == HOOKOP_INSTALL) {
      f->Targets.push_back(target);
      if (f->InstallFailures > 0) {
        f->InstallFailures--;
        return FALSE;
      }
    } else if (op == HOOKOP_REMOVE && f->RemoveFailures != 0) {
      if (f->RemoveFailures > 0) f->RemoveFailures--;
      return FALSE;
    }
    return TRUE;
  }
  static BOOL WINAPI Mouse(int op, HWND target, BOOL lowLevel) {
    if (op == HOOKOP_INSTALL) current_->LowLevel.push_back(lowLevel);
    return Operate("mouse", op, target);
  }
  static BOOL WINAPI Keyboard(int op, HWND target) { return Operate("keyboard", op, target); }
  static BOOL WINAPI Get(int* kind, INT_PTR* a, INT_PTR* b) {
    FakeHookLibrary* f = current_;
    if (f->EndlessRing) {
      f->Taken++;
      *kind = 99;
      *a = *b = 0;
      return TRUE;
    }
    if (f->Ring.empty()) {
      *kind = 0;
      *a = *b = 0;
      return FALSE;
    }
    Request r = f->Ring.front();
    f->Ring.pop_front();
    f->Taken++;
    *kind = r.Kind;
    *a = r.A;
    *b = r.B;
    return TRUE;
  }
};

// A window that notes the messages posted or sent to it.
struct RecordingWindow {
  struct Seen {
    UINT Message;
    WPARAM W;
    LPARAM L;
  };
  HWND Handle = nullptr;
  std::vector<Seen> Messages;
  int CloseAfter = -1;  // WM_CLOSE destroys it at the nth one (1 = first); -1 never

  explicit RecordingWindow(const wchar_t* cls = L"VnAdminTestWindow", DWORD style = WS_POPUP) {
    static ATOM plain = Register(L"VnAdminTestWindow");
    static ATOM launcher = Register(L"VantrelWndClass");
    (void)plain;
    (void)launcher;
    Handle = CreateWindowExW(0, cls, L"", style, 20, 20, 80, 60, nullptr, nullptr, GetModuleHandleW(nullptr), this);
  }
  ~RecordingWindow() {
    if (IsWindow(Handle)) DestroyWindow(Handle);
  }
  int Count(UINT message) const {
    int n = 0;
    for (const Seen& s : Messages) n += s.Message == message;
    return n;
  }

 private:
  static ATOM Register(const wchar_t* name) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = name;
    return RegisterClassW(&wc);
  }
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE) SetWindowLongPtrW(w, GWLP_USERDATA, (LONG_PTR)((CREATESTRUCTW*)lp)->lpCreateParams);
    RecordingWindow* self = (RecordingWindow*)GetWindowLongPtrW(w, GWLP_USERDATA);
    if (self && (m == WM_CLOSE || m >= WM_APP)) {
      self->Messages.push_back({m, wp, lp});
      if (m == WM_CLOSE) {
        if (self->CloseAfter > 0 && self->Count(WM_CLOSE) >= self->CloseAfter) DestroyWindow(w);
        return 0;
      }
      return 0;
    }
    if (m == WM_NCDESTROY) SetWindowLongPtrW(w, GWLP_USERDATA, 0);
    return DefWindowProcW(w, m, wp, lp);
  }
};

inline std::wstring OwnExePath() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

}  // namespace admintest
