#include "hooklib/keyboard.h"
#include "hooklib/hookenv.h"

static const DWORD kMultiPressMs = 500;
// Sent by some keyboards without a key-up; never treated as auto-repeat.
static const BYTE kRepeatExemptKey = 0xF0;

static bool IsKeyDown(int vk)
{
  return (g_HookEnv.KeyState(vk) & 0x8000) != 0;
}

static bool IsModifierKey(BYTE vk)
{
  return vk >= VK_LSHIFT && vk <= VK_RMENU;
}

static bool HasKeyPart(const SharedHookData* d, BYTE key)
{
  return (d->hotKeyKeyParts[key >> 5] >> (key & 31)) & 1;
}

WORD BuildHotKeyCode(const SharedHookData* d, BYTE vk)
{
  BYTE pending = d->pendingKey;
  WORD code = vk;
  if (IsModifierKey(vk)) {
    if (pending == VK_LWIN || IsKeyDown(VK_LWIN))
      code = VK_LWIN;
    else if (pending == VK_RWIN || IsKeyDown(VK_RWIN))
      code = VK_RWIN;
    else
      code = 0;
  }
  // A held-back key-down never reached the system, so its state reads as up:
  // the pending key counts as held.
  if (vk == VK_LSHIFT || vk == VK_RSHIFT || pending == VK_LSHIFT || pending == VK_RSHIFT ||
      IsKeyDown(VK_SHIFT))
    code |= HOTKEY_SHIFT;
  if (vk == VK_LCONTROL || vk == VK_RCONTROL || pending == VK_LCONTROL || pending == VK_RCONTROL ||
      IsKeyDown(VK_CONTROL))
    code |= HOTKEY_CTRL;
  if (vk == VK_LMENU || vk == VK_RMENU || pending == VK_LMENU || pending == VK_RMENU ||
      IsKeyDown(VK_MENU))
    code |= HOTKEY_ALT;
  if (vk == VK_LWIN || vk == VK_RWIN || pending == VK_LWIN || pending == VK_RWIN ||
      IsKeyDown(VK_LWIN) || IsKeyDown(VK_RWIN))
    code |= HOTKEY_WIN;
  return code;
}

// Sends the held-back key-down and then the current one, so the system sees
// the combination it would have seen without us. TRUE when both went out.
static bool ReplayPendingKey(SharedHookData* d, BYTE vk)
{
  INPUT in[2] = {};
  in[0].type = INPUT_KEYBOARD;
  in[0].ki.wVk = d->pendingKey;
  in[0].ki.dwExtraInfo = INJECT_SIGNATURE;
  in[1].type = INPUT_KEYBOARD;
  in[1].ki.wVk = vk;
  in[1].ki.dwExtraInfo = INJECT_SIGNATURE;
  d->pendingKey = 0;
  d->deferredHotKey = 0;
  return g_HookEnv.Inject(2, in, sizeof(INPUT)) == 2;
}

static BOOL MatchKeyUp(SharedHookData* d, BYTE vk)
{
  d->lastKeyDown = 0;
  if (d->pendingKey == vk)
    d->pendingKey = 0;
  int deferred = d->deferredHotKey;
  if (deferred) {
    d->deferredHotKey = 0;
    g_HookEnv.Post(d->keyboardTarget, WMA_HOTKEY, deferred - 1, 0);
  }
  return FALSE;
}

BOOL MatchHotKey(SharedHookData* d, BYTE vk, DWORD time, BOOL down)
{
  if (!down)
    return MatchKeyUp(d, vk);
  d->deferredHotKey = 0;
  if (vk != kRepeatExemptKey && vk == d->lastKeyDown)
    return FALSE;
  d->lastKeyDown = vk;
  if (d->suspendFlags & HOOKSUSPEND_HOTKEYS)
    return FALSE;

  int last = d->hotKeyLast;
  if (last > kHotKeySlots - 1)
    last = kHotKeySlots - 1;
  bool fired = false, multiPress = false;
  // Ordinary typing: no row has this key part, so no row can match and the
  // key states need not be asked for. A modifier's key part is 0 or a Win key.
  bool mayMatch = vk == 0 ||
                  (last >= 0 && (IsModifierKey(vk) ? HasKeyPart(d, 0) || HasKeyPart(d, VK_LWIN) ||
                                                         HasKeyPart(d, VK_RWIN)
                                                   : HasKeyPart(d, vk)));
  if (mayMatch) {
    WORD code = BuildHotKeyCode(d, vk);
    if (!code)
      return FALSE;
    BYTE keyPart = (BYTE)code;
    // Under the low-level hook a hot key of modifiers or Win alone answers at
    // key-up, so the same keys can still begin an ordinary shortcut.
    bool deferrable = (d->hookKinds & HOOKKIND_KEYBOARD_LL) &&
                      (keyPart == 0 || keyPart == VK_LWIN || keyPart == VK_RWIN);
    for (int i = 0; i <= last; i++) {
      WORD row = d->hotKeys[i];
      if ((row & 0xFFF) != code)
        continue;
      int presses = row >> 12;
      if (presses)
        multiPress = true;
      if (d->lastHotKeyCode != code || time - d->lastPressTick > kMultiPressMs) {
        d->pressCount = 0;
        d->lastHotKeyCode = code;
      }
      if (d->pressCount != presses)
        continue;
      fired = true;
      if (deferrable && presses == 0) {
        d->pendingKey = vk;
        d->deferredHotKey = i + 1;
      } else {
        g_HookEnv.Post(d->keyboardTarget, WMA_HOTKEY, i, 0);
        d->deferredHotKey = 0;
      }
    }
  }

  // A key that fires nothing releases a held-back key ahead of itself. If the
  // replay cannot be sent, the key is passed on rather than lost.
  bool replayed = !fired && d->pendingKey && ReplayPendingKey(d, vk);

  if (multiPress) {
    d->pressCount++;
    d->lastPressTick = time;
  } else {
    d->lastHotKeyCode = 0;
    d->pressCount = 0;
  }
  return fired || replayed;
}
