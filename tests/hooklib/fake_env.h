// A synthetic platform for the hook logic: a settable clock, a key-state
// table, a small window tree, thread timers that fire when the test says so,
// and records of what would be posted and injected.
#pragma once
#include "hooklib/hookenv.h"
#include "hooklib/mouse.h"
#include "hooklib/vnhook.h"
#include <map>
#include <memory>
#include <string>
#include <string.h>
#include <utility>
#include <vector>

struct PostedMessage {
  HWND wnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

// A window of the fake tree; handles are small numbers.
struct FakeWindow {
  std::wstring cls;
  HWND parent = NULL;
  HWND next = NULL;  // further down the z-order
  bool visible = true;
  RECT rect = {};
  LRESULT ncHit = HTCLIENT;
  bool itemAt = false;  // a list view: the point is on an item
};

struct FakeTimer {
  UINT ms;
  TIMERPROC proc;
};

// Thread timers: each thread numbers its own, so two threads may hold timers
// of the same id, and a thread sees and kills only its own.
typedef std::pair<DWORD, UINT_PTR> FakeTimerKey;  // thread, id

struct FakeHookEnv {
  DWORD tick = 100000;
  bool keys[256] = {};
  bool injectFails = false;
  bool swapButtons = false;
  UINT doubleClickMs = 500;
  int doubleClickCx = 4, doubleClickCy = 4;
  POINT cursor = {0, 0};
  std::vector<PostedMessage> posted;
  std::vector<INPUT> injected;
  std::map<HWND, FakeWindow> windows;
  HWND windowAtPoint = NULL;  // what WindowFromPoint answers
  bool itemsViewBackground = false;
  DWORD thread = 1;  // the thread the hook code runs on
  std::map<FakeTimerKey, FakeTimer> timers;
  std::map<DWORD, UINT_PTR> nextTimer;
  int winEventHooks = 0;
  WINEVENTPROC winEventProc = nullptr;
  HWINEVENTHOOK winEventHook = NULL;  // the last one set

  // The timers and menu watch of the library start empty, as in a process
  // that has just loaded it.
  FakeHookEnv() : saved_(g_HookEnv)
  {
    current_ = this;
    g_HookEnv = {Tick, KeyState, Post, Inject, Metric, DoubleClickTime, CursorPos, WindowAt,
                 ClassName, RelatedWindow, Parent, Visible, WindowRect, FindWindowEx, NcHitTest,
                 ListViewItemAt, ItemsViewBackgroundAt, ThreadId, SetTimer, KillTimer,
                 SetWinEventHook, UnhookWinEvent};
    g_HookTimers = HookTimers();
  }
  ~FakeHookEnv()
  {
    g_HookTimers = HookTimers();
    g_HookEnv = saved_;
    current_ = nullptr;
  }
  FakeHookEnv(const FakeHookEnv&) = delete;
  FakeHookEnv& operator=(const FakeHookEnv&) = delete;

  // The system's view of a key going down or up, with the generic
  // Shift/Ctrl/Alt codes following their left and right keys.
  void SetKey(BYTE vk, bool down)
  {
    keys[vk] = down;
    if (vk == VK_LSHIFT || vk == VK_RSHIFT)
      keys[VK_SHIFT] = keys[VK_LSHIFT] || keys[VK_RSHIFT];
    if (vk == VK_LCONTROL || vk == VK_RCONTROL)
      keys[VK_CONTROL] = keys[VK_LCONTROL] || keys[VK_RCONTROL];
    if (vk == VK_LMENU || vk == VK_RMENU)
      keys[VK_MENU] = keys[VK_LMENU] || keys[VK_RMENU];
  }

  // This thread's timer of that id, or null.
  const FakeTimer* Timer(UINT_PTR id) const
  {
    auto it = timers.find({thread, id});
    return it == timers.end() ? nullptr : &it->second;
  }

  // Runs this thread's timer with the given id as its message loop would.
  void FireTimer(UINT_PTR id)
  {
    const FakeTimer* t = Timer(id);
    if (t)
      t->proc(NULL, WM_TIMER, id, tick);
  }

 private:
  HookEnv saved_;
  static inline FakeHookEnv* current_;

  static int WINAPI Metric(int index)
  {
    switch (index) {
    case SM_SWAPBUTTON: return current_->swapButtons;
    case SM_CXDOUBLECLK: return current_->doubleClickCx;
    case SM_CYDOUBLECLK: return current_->doubleClickCy;
    }
    return 0;
  }
  static UINT WINAPI DoubleClickTime(void) { return current_->doubleClickMs; }
  static BOOL WINAPI CursorPos(LPPOINT pt)
  {
    *pt = current_->cursor;
    return TRUE;
  }
  static const FakeWindow* Find(HWND wnd)
  {
    auto it = current_->windows.find(wnd);
    return it == current_->windows.end() ? nullptr : &it->second;
  }
  static HWND WINAPI WindowAt(POINT) { return current_->windowAtPoint; }
  static int WINAPI ClassName(HWND wnd, LPWSTR name, int size)
  {
    const FakeWindow* w = Find(wnd);
    if (!w || size <= 0)
      return 0;
    lstrcpynW(name, w->cls.c_str(), size);
    return lstrlenW(name);
  }
  static HWND WINAPI RelatedWindow(HWND wnd, UINT cmd)
  {
    const FakeWindow* w = Find(wnd);
    return w && cmd == GW_HWNDNEXT ? w->next : NULL;
  }
  static HWND WINAPI Parent(HWND wnd)
  {
    const FakeWindow* w = Find(wnd);
    return w ? w->parent : NULL;
  }
  static BOOL WINAPI Visible(HWND wnd)
  {
    const FakeWindow* w = Find(wnd);
    return w && w->visible;
  }
  static BOOL WINAPI WindowRect(HWND wnd, LPRECT rect)
  {
    const FakeWindow* w = Find(wnd);
    if (!w)
      return FALSE;
    *rect = w->rect;
    return TRUE;
  }
  // Children of parent (NULL = top level) in handle order, by class.
  static HWND WINAPI FindWindowEx(HWND parent, HWND after, LPCWSTR cls, LPCWSTR)
  {
    for (auto& [h, w] : current_->windows)
      if (w.parent == parent && (!after || h > after) && (!cls || w.cls == cls))
        return h;
    return NULL;
  }
  static LRESULT NcHitTest(HWND wnd, POINT)
  {
    const FakeWindow* w = Find(wnd);
    return w ? w->ncHit : 0;
  }
  static BOOL ListViewItemAt(HWND wnd, POINT)
  {
    const FakeWindow* w = Find(wnd);
    return !w || w->itemAt;
  }
  static BOOL ItemsViewBackgroundAt(POINT) { return current_->itemsViewBackground; }
  static DWORD WINAPI ThreadId(void) { return current_->thread; }
  static UINT_PTR WINAPI SetTimer(HWND, UINT_PTR, UINT ms, TIMERPROC proc)
  {
    UINT_PTR& next = current_->nextTimer[current_->thread];
    UINT_PTR id = ++next;
    current_->timers[{current_->thread, id}] = {ms, proc};
    return id;
  }
  static BOOL WINAPI KillTimer(HWND, UINT_PTR id)
  {
    return current_->timers.erase({current_->thread, id}) > 0;
  }
  static HWINEVENTHOOK WINAPI SetWinEventHook(DWORD, DWORD, HMODULE, WINEVENTPROC proc, DWORD,
                                              DWORD, DWORD)
  {
    current_->winEventHooks++;
    current_->winEventProc = proc;
    current_->winEventHook = (HWINEVENTHOOK)(INT_PTR)(0x7700 + current_->winEventHooks);
    return current_->winEventHook;
  }
  static BOOL WINAPI UnhookWinEvent(HWINEVENTHOOK)
  {
    current_->winEventHooks--;
    return TRUE;
  }

  static DWORD WINAPI Tick(void) { return current_->tick; }
  static SHORT WINAPI KeyState(int vk) { return current_->keys[vk & 0xFF] ? (SHORT)0x8000 : 0; }
  static BOOL WINAPI Post(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
  {
    current_->posted.push_back({wnd, msg, wParam, lParam});
    return TRUE;
  }
  // Injected key-downs reach the system: their keys read as down afterwards.
  static UINT WINAPI Inject(UINT count, LPINPUT inputs, int size)
  {
    if (size != (int)sizeof(INPUT) || current_->injectFails)
      return 0;
    for (UINT i = 0; i < count; i++) {
      current_->injected.push_back(inputs[i]);
      if (inputs[i].type == INPUT_KEYBOARD)
        current_->SetKey((BYTE)inputs[i].ki.wVk, !(inputs[i].ki.dwFlags & KEYEVENTF_KEYUP));
    }
    return count;
  }
};

// A zeroed shared record per test, as the library sees it after loading.
inline std::unique_ptr<SharedHookData> NewSharedHookData()
{
  std::unique_ptr<SharedHookData> d(new SharedHookData);
  memset(d.get(), 0, sizeof(SharedHookData));
  return d;
}
