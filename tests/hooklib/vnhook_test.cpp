// Tests of the built VnHook.dll itself: its exports and imports, hooks
// installed for real, a hot key detected from injected keys, and the shared
// section seen by second processes.
#include "hooklib/vnhook.h"
#include "hooklib/adminring.h"
#include "hooklib/peer.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <ctype.h>
#include <string>
#include <vector>

namespace {

// The library, loaded for one test and unloaded after it.
struct HookLibrary {
  HMODULE module = LoadLibraryW(BuildFolderFile(L"VnHook.dll").c_str());
  ~HookLibrary()
  {
    if (module)
      FreeLibrary(module);
  }
  template <typename Fn>
  Fn Bind(const char* name)
  {
    return module ? (Fn)GetProcAddress(module, name) : nullptr;
  }
};

TEST(VnHookDll, ExportsTheTenEntryPointsAndItsVersion)
{
  HookLibrary lib;
  ASSERT_NE(nullptr, lib.module);
  const char* names[] = {"_VnGetDllVersion",    "_VnSetDllData",       "_VnOperateMouseHook",
                         "_VnOperateKeyboardHook", "_VnSetAdminReq",   "_VnClearAdminReq",
                         "_VnGetAdminReq",      "_VnCheckMouseCircle", "_VnCheckPtOnEdge",
                         "_VnIsExplorerWindow"};
  for (const char* name : names)
    EXPECT_NE(nullptr, GetProcAddress(lib.module, name)) << name;
  auto version = lib.Bind<VnGetDllVersionFn>("_VnGetDllVersion");
  ASSERT_NE(nullptr, version);
  EXPECT_EQ(0x02000100u, version());
}

// The library runs in every program that receives input: it must not bring
// COM into them by its imports.
TEST(VnHookDll, ImportsNoComLibraries)
{
  HookLibrary lib;
  ASSERT_NE(nullptr, lib.module);
  BYTE* base = (BYTE*)lib.module;
  IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
  IMAGE_DATA_DIRECTORY dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  ASSERT_NE(0u, dir.VirtualAddress);
  std::vector<std::string> dlls;
  for (IMAGE_IMPORT_DESCRIPTOR* d = (IMAGE_IMPORT_DESCRIPTOR*)(base + dir.VirtualAddress); d->Name;
       d++) {
    std::string name = (const char*)(base + d->Name);
    for (char& c : name)
      c = (char)tolower((unsigned char)c);
    dlls.push_back(name);
  }
  EXPECT_EQ(1, std::count(dlls.begin(), dlls.end(), "user32.dll"));
  for (const char* com : {"ole32.dll", "oleaut32.dll"})
    EXPECT_EQ(0, std::count(dlls.begin(), dlls.end(), com)) << com;
}

// A process without COM maps the library and stays without it until a click
// needs UI Automation.
TEST(VnHookDll, ComLoadsOnlyForTheUiAutomationPath)
{
  Peer peer;
  ASSERT_TRUE(peer.Start(L"com-on-demand"));
  EXPECT_EQ(0u, peer.Wait(20000)) << "10: COM came with the library; 12: the path did not load it";
}

// Timers and the menu watch call into the library: when it leaves a process
// (FreeLibrary, or the system unloading a hook library), none may be left.
TEST(VnHookDll, UnloadingEndsItsTimersAndMenuWatch)
{
  Peer peer;
  ASSERT_TRUE(peer.Start(L"unload-with-timers"));
  EXPECT_EQ(0u, peer.Wait(20000)) << "8: a timer outlived the library";
}

// Pumps this thread (once at least, then for ms) and counts msg posted to wnd.
int CountPosted(HWND wnd, UINT msg, DWORD ms)
{
  int n = 0;
  DWORD start = GetTickCount();
  do {
    MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    MSG m;
    while (PeekMessageW(&m, NULL, 0, 0, PM_REMOVE)) {
      if (m.hwnd == wnd && m.message == msg)
        n++;
      DispatchMessageW(&m);
    }
  } while (GetTickCount() - start < ms);
  return n;
}

DWORD WINAPI SendMiddleClick(void*)
{
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_MIDDLEDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_MIDDLEUP;
  return SendInput(2, in, sizeof(INPUT));
}

// Middle clicks from another thread while this one pumps (low-level hooks
// run here): how many mouse actions reached wnd.
int MouseActionsOfAMiddleClick(HWND wnd)
{
  HANDLE sender = CreateThread(NULL, 0, SendMiddleClick, NULL, 0, NULL);
  int n = 0;
  while (sender && MsgWaitForMultipleObjects(1, &sender, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
    n += CountPosted(wnd, WMA_MOUSEACTION, 0);
  if (sender)
    CloseHandle(sender);
  return n + CountPosted(wnd, WMA_MOUSEACTION, 200);
}

struct HookOps {
  HookLibrary lib;
  VnSetDllDataFn setData = lib.Bind<VnSetDllDataFn>("_VnSetDllData");
  VnOperateMouseHookFn mouse = lib.Bind<VnOperateMouseHookFn>("_VnOperateMouseHook");
  VnOperateKeyboardHookFn keyboard = lib.Bind<VnOperateKeyboardHookFn>("_VnOperateKeyboardHook");
  SharedHookData* shared = SharedSectionOf(lib.module);
  HWND wnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
  HWND other = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);

  bool Bound() const { return setData && mouse && keyboard && shared && wnd && other; }
  // Action 2, a middle click anywhere.
  void ConfigureMiddleClick()
  {
    UINT32 where[kMouseSettingCount] = {};
    where[2] = 1;
    setData(DLLDATA_MOUSE, where, NULL);
    setData(DLLDATA_SUSPEND, NULL, NULL);
  }
  ~HookOps()
  {
    if (mouse)
      mouse(HOOKOP_REMOVE, NULL, FALSE);
    if (keyboard)
      keyboard(HOOKOP_REMOVE, NULL);
    DestroyWindow(wnd);
    DestroyWindow(other);
  }
};

TEST(VnHookDll, HooksInstallOnceAndRemove)
{
  HookOps h;
  ASSERT_TRUE(h.Bound());
  SharedHookData* s = h.shared;
  ASSERT_EQ(nullptr, s->mouseHook);
  ASSERT_EQ(nullptr, s->keyboardHook);
  h.ConfigureMiddleClick();

  ASSERT_TRUE(h.mouse(HOOKOP_INSTALL, h.wnd, TRUE));
  HHOOK mouseHook = s->mouseHook;
  ASSERT_NE(nullptr, mouseHook);
  EXPECT_EQ(h.wnd, s->mouseTarget);
  EXPECT_TRUE(s->hookKinds & HOOKKIND_MOUSE_LL);
  EXPECT_EQ(GetCurrentProcessId(), s->mouseHookOwner.process);
  // Installed already: the first handle and target stay, nothing is added.
  EXPECT_TRUE(h.mouse(HOOKOP_INSTALL, h.other, TRUE));
  EXPECT_EQ(mouseHook, s->mouseHook);
  EXPECT_EQ(h.wnd, s->mouseTarget);
  EXPECT_EQ(1, MouseActionsOfAMiddleClick(h.wnd)) << "the hook procedure runs";
  EXPECT_EQ(0, MouseActionsOfAMiddleClick(h.other));

  EXPECT_TRUE(h.mouse(HOOKOP_REMOVE, NULL, FALSE));
  EXPECT_EQ(nullptr, s->mouseHook);
  EXPECT_TRUE(h.mouse(HOOKOP_REMOVE, NULL, FALSE)) << "nothing left to remove";
  EXPECT_EQ(0, MouseActionsOfAMiddleClick(h.wnd)) << "no hook of ours is left";
  EXPECT_TRUE(h.mouse(7, NULL, FALSE)) << "other ops do nothing";

  ASSERT_TRUE(h.keyboard(HOOKOP_INSTALL, h.wnd));
  HHOOK keyboardHook = s->keyboardHook;
  ASSERT_NE(nullptr, keyboardHook);
  EXPECT_EQ(h.wnd, s->keyboardTarget);
  EXPECT_TRUE(s->hookKinds & HOOKKIND_KEYBOARD_LL);
  EXPECT_EQ(GetCurrentProcessId(), s->keyboardHookOwner.process);
  EXPECT_TRUE(h.keyboard(HOOKOP_INSTALL, h.other));
  EXPECT_EQ(keyboardHook, s->keyboardHook);
  EXPECT_EQ(h.wnd, s->keyboardTarget);
  EXPECT_TRUE(h.keyboard(HOOKOP_REMOVE, NULL));
  EXPECT_EQ(nullptr, s->keyboardHook);
  EXPECT_TRUE(h.keyboard(HOOKOP_REMOVE, NULL));

  // The ordinary (not low-level) mouse hook installs as well.
  ASSERT_TRUE(h.mouse(HOOKOP_INSTALL, h.wnd, FALSE));
  EXPECT_NE(nullptr, s->mouseHook);
  EXPECT_FALSE(s->hookKinds & HOOKKIND_MOUSE_LL);
  EXPECT_TRUE(h.mouse(HOOKOP_REMOVE, NULL, FALSE));
  EXPECT_EQ(nullptr, s->mouseHook);
}

// A launcher that died leaves its hook handles in the section; the system
// removed the hooks with it. The next installation must not take them for
// its own, while the hooks of a process that still runs stay as they are.
TEST(VnHookDll, HooksOfAProcessThatEndedAreInstalledAgain)
{
  HookOps h;
  ASSERT_TRUE(h.Bound());
  SharedHookData* s = h.shared;
  h.ConfigureMiddleClick();
  HANDLE ready = CreateEventW(NULL, TRUE, FALSE, L"VnHookTestHooksReady");
  HANDLE go = CreateEventW(NULL, TRUE, FALSE, L"VnHookTestHooksGo");
  ASSERT_TRUE(ready && go);
  Peer peer;
  ASSERT_TRUE(peer.Start(L"install-hooks VnHookTestHooksReady VnHookTestHooksGo"));
  HANDLE both[2] = {ready, peer.pi.hProcess};
  ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, both, FALSE, 20000)) << "peer did not get ready";
  HHOOK peerMouse = s->mouseHook, peerKeyboard = s->keyboardHook;
  HWND peerTarget = s->mouseTarget;
  ASSERT_NE(nullptr, peerMouse);
  ASSERT_NE(nullptr, peerKeyboard);
  EXPECT_EQ(peer.pi.dwProcessId, s->mouseHookOwner.process);

  EXPECT_TRUE(h.mouse(HOOKOP_INSTALL, h.wnd, TRUE));
  EXPECT_TRUE(h.keyboard(HOOKOP_INSTALL, h.wnd));
  EXPECT_EQ(peerMouse, s->mouseHook) << "the peer runs: its hooks stand";
  EXPECT_EQ(peerTarget, s->mouseTarget);
  EXPECT_EQ(peerKeyboard, s->keyboardHook);

  SetEvent(go);
  ASSERT_EQ(0u, peer.Wait(10000));
  ASSERT_EQ(peerMouse, s->mouseHook) << "the handles outlive their process";

  EXPECT_TRUE(h.mouse(HOOKOP_INSTALL, h.wnd, TRUE));
  EXPECT_EQ(h.wnd, s->mouseTarget);
  EXPECT_EQ(GetCurrentProcessId(), s->mouseHookOwner.process);
  EXPECT_EQ(1, MouseActionsOfAMiddleClick(h.wnd)) << "a hook of our own is in";
  EXPECT_FALSE(UnhookWindowsHookEx(peerMouse)) << "no hook of the peer is left in the chain";
  // Removing a stale handle succeeds: the caller need not retry.
  EXPECT_TRUE(h.keyboard(HOOKOP_REMOVE, NULL));
  EXPECT_EQ(nullptr, s->keyboardHook);
  EXPECT_FALSE(UnhookWindowsHookEx(peerKeyboard));
  EXPECT_TRUE(h.keyboard(HOOKOP_INSTALL, h.wnd));
  EXPECT_EQ(h.wnd, s->keyboardTarget);
  EXPECT_EQ(GetCurrentProcessId(), s->keyboardHookOwner.process);
  CloseHandle(ready);
  CloseHandle(go);
}

// What the test window received.
struct WindowLog {
  std::vector<int> hotKeys;
  std::vector<int> keyDowns;
};
WindowLog g_log;

LRESULT CALLBACK LogWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
  if (msg == WMA_HOTKEY)
    g_log.hotKeys.push_back((int)wParam);
  else if (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN)
    g_log.keyDowns.push_back((int)wParam);
  else if (msg == WM_SYSKEYUP || msg == WM_SYSCHAR)
    return 0;  // no menu loop for Alt
  return DefWindowProcW(wnd, msg, wParam, lParam);
}

void PumpFor(DWORD ms)
{
  DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MsgWaitForMultipleObjects(0, NULL, FALSE, 20, QS_ALLINPUT);
    MSG m;
    while (PeekMessageW(&m, NULL, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
  }
}

INPUT Key(WORD vk, bool up, ULONG_PTR extra = 0)
{
  INPUT in = {};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  in.ki.dwExtraInfo = extra;
  return in;
}

struct KeySender {
  std::vector<INPUT> keys;
  UINT sent = 0;
  static DWORD WINAPI Run(void* p)
  {
    KeySender* self = (KeySender*)p;
    self->sent = SendInput((UINT)self->keys.size(), self->keys.data(), sizeof(INPUT));
    return 0;
  }
};

// The installed keyboard hook, removed whatever happens in the test.
struct KeyboardHookGuard {
  VnOperateKeyboardHookFn op;
  BOOL installed;
  KeyboardHookGuard(VnOperateKeyboardHookFn fn, HWND target) : op(fn)
  {
    installed = op(HOOKOP_INSTALL, target);
  }
  ~KeyboardHookGuard()
  {
    for (int i = 0; i < 300 && !op(HOOKOP_REMOVE, NULL); i++)
      Sleep(10);
  }
};

// A focused window of this process is the hot-key target; keys are injected
// with SendInput and the hook of the real library decides what it gets.
class InjectedKeys : public testing::Test {
 protected:
  static HWND wnd_;

  static void SetUpTestSuite()
  {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = LogWndProc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.lpszClassName = L"VnHookTestWnd";
    RegisterClassW(&wc);
    wnd_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"hook test", WS_POPUP | WS_VISIBLE,
                           10, 10, 100, 100, NULL, NULL, wc.hInstance, NULL);
  }
  static void TearDownTestSuite()
  {
    DestroyWindow(wnd_);
    UnregisterClassW(L"VnHookTestWnd", GetModuleHandleW(NULL));
  }

  // Installs the keyboard hook with these hot-key rows, plays the keys from
  // another thread (as real input comes; this thread pumps so the low-level
  // hook can run) and removes the hook again.
  void PlayKeys(const std::vector<WORD>& codes, std::vector<INPUT> keys)
  {
    HookLibrary lib;
    auto setData = lib.Bind<VnSetDllDataFn>("_VnSetDllData");
    auto keyboard = lib.Bind<VnOperateKeyboardHookFn>("_VnOperateKeyboardHook");
    ASSERT_NE(nullptr, setData);
    ASSERT_NE(nullptr, keyboard);
    ASSERT_NE(nullptr, wnd_);
    SetForegroundWindow(wnd_);
    SetFocus(wnd_);
    PumpFor(100);
    ASSERT_EQ(wnd_, GetForegroundWindow());
    g_log = WindowLog();

    std::vector<HotKeyEntry> rows;
    for (WORD c : codes)
      rows.push_back({c, 0, 0});
    setData(DLLDATA_HOTKEYS, (void*)(INT_PTR)(rows.size() - 1), rows.data());
    setData(DLLDATA_SUSPEND, nullptr, nullptr);
    KeyboardHookGuard hook(keyboard, wnd_);
    ASSERT_TRUE(hook.installed);
    KeySender sender = {std::move(keys)};
    HANDLE thread = CreateThread(NULL, 0, KeySender::Run, &sender, 0, NULL);
    ASSERT_NE(nullptr, thread);
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
      PumpFor(10);
    CloseHandle(thread);
    EXPECT_EQ(sender.keys.size(), sender.sent);
    PumpFor(300);  // replays and posts have arrived by now
  }
};
HWND InjectedKeys::wnd_;

TEST_F(InjectedKeys, HotKeyReachesTheTargetAndIsSwallowed)
{
  // Row 0 Ctrl+Alt+K, row 1 Ctrl+Alt+J; the J carries our signature.
  PlayKeys({0x64B, 0x64A},
           {Key(VK_LCONTROL, false), Key(VK_LMENU, false), Key('K', false), Key('K', true),
            Key('J', false, INJECT_SIGNATURE | 0x5A), Key('J', true, INJECT_SIGNATURE | 0x5A),
            Key(VK_LMENU, true), Key(VK_LCONTROL, true)});
  EXPECT_EQ(std::vector<int>{0}, g_log.hotKeys) << "Ctrl+Alt+K once; the signed J is not looked at";
  // Ctrl and Alt pass on, the matched K is swallowed, the signed J passes
  // although it would match row 1.
  std::vector<int> expected = {VK_CONTROL, VK_MENU, 'J'};
  EXPECT_EQ(expected, g_log.keyDowns);
}

TEST_F(InjectedKeys, WinAloneAnswersAtKeyUpAndWinShortcutsAreReplayed)
{
  PlayKeys({0x85B}, {Key(VK_LWIN, false), Key('E', false), Key('E', true), Key(VK_LWIN, true)});
  EXPECT_TRUE(g_log.hotKeys.empty());
  std::vector<int> replayed = {VK_LWIN, 'E'};
  EXPECT_EQ(replayed, g_log.keyDowns) << "Win and E reach the window, in order, once";

  PlayKeys({0x85B}, {Key(VK_LWIN, false), Key(VK_LWIN, true)});
  EXPECT_EQ(std::vector<int>{0}, g_log.hotKeys);
  EXPECT_TRUE(g_log.keyDowns.empty()) << "the Win key-down was held back";
}

TEST(VnHookDll, AdminRingOutlivesTheProcessThatMadeTheMutex)
{
  // The peer maps the library first, queues a request and ends. Its handle of
  // the admin mutex goes with it; this process must still reach the ring.
  CloseAdminMutex();  // the ring tests' own handle in this process
  HANDLE ready = CreateEventW(NULL, TRUE, FALSE, L"VnHookTestPeerReady");
  HANDLE go = CreateEventW(NULL, TRUE, FALSE, L"VnHookTestPeerGo");
  ASSERT_NE(nullptr, ready);
  ASSERT_NE(nullptr, go);
  Peer peer;
  ASSERT_TRUE(peer.Start(L"set-and-wait VnHookTestPeerReady VnHookTestPeerGo 0x12340 7"));
  HANDLE both[2] = {ready, peer.pi.hProcess};
  DWORD w = WaitForMultipleObjects(2, both, FALSE, 20000);

  HookLibrary lib;
  SetEvent(go);
  DWORD code = peer.Wait(20000);
  CloseHandle(ready);
  CloseHandle(go);
  ASSERT_EQ(WAIT_OBJECT_0, w) << "peer did not get ready";
  ASSERT_EQ(0u, code);
  HANDLE left = OpenMutexW(SYNCHRONIZE, FALSE, VN_ADMINREQ_MUTEX);
  EXPECT_EQ(nullptr, left) << "the mutex should have gone with its creator";
  if (left)
    CloseHandle(left);

  auto get = lib.Bind<VnGetAdminReqFn>("_VnGetAdminReq");
  ASSERT_NE(nullptr, get);
  int kind = -1;
  INT_PTR a = -1, b = -1;
  ASSERT_TRUE(get(&kind, &a, &b));
  EXPECT_EQ(ADMINREQ_WINDOWOP, kind);
  EXPECT_EQ(0x12340, a);
  EXPECT_EQ(7, b);
  EXPECT_FALSE(get(&kind, &a, &b));
}

}  // namespace
