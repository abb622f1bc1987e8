// A synthetic platform for the hook logic: a settable clock, a key-state
// table, and records of what would be posted and injected.
#pragma once
#include "hooklib/hookenv.h"
#include "hooklib/vnhook.h"
#include <memory>
#include <string.h>
#include <vector>

struct PostedMessage {
  HWND wnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
};

struct FakeHookEnv {
  DWORD tick = 100000;
  bool keys[256] = {};
  bool injectFails = false;
  std::vector<PostedMessage> posted;
  std::vector<INPUT> injected;

  FakeHookEnv() : saved_(g_HookEnv)
  {
    current_ = this;
    g_HookEnv = {Tick, KeyState, Post, Inject};
  }
  ~FakeHookEnv()
  {
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

 private:
  HookEnv saved_;
  static inline FakeHookEnv* current_;

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
