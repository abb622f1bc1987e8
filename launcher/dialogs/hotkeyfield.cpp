#include "dialogs/hotkeyfield.h"

#include <commctrl.h>

#include "core/menucmd.h"
#include "core/ticker.h"
#include "state.h"

// One field at a time has the focus; the hook runs on the thread that made it.
static struct {
  HWND Field;
  HHOOK Hook;
  UINT Modifiers;
  UINT LastDown;
  UINT Remembered;
} s_hook;

int IsHotKeyHookInstalled() { return s_hook.Hook != nullptr; }

static UINT ModifierBit(UINT vk) {
  switch (vk) {
    case VK_SHIFT: case VK_LSHIFT: case VK_RSHIFT: return 1;
    case VK_CONTROL: case VK_LCONTROL: case VK_RCONTROL: return 2;
    case VK_MENU: case VK_LMENU: case VK_RMENU: return 4;
    case VK_LWIN: case VK_RWIN: return 8;
  }
  return 0;
}

static LRESULT CALLBACK HotKeyFieldHookProc(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION && s_hook.Field && IsWindow(s_hook.Field)) {
    const KBDLLHOOKSTRUCT* k = (const KBDLLHOOKSTRUCT*)lParam;
    UINT vk = k->vkCode, bit = ModifierBit(vk);
    if (wParam != WM_KEYUP && wParam != WM_SYSKEYUP && !(k->flags & LLKHF_UP)) {
      s_hook.Modifiers |= bit;
      // Auto-repeat sends the same key again: only its first press counts.
      if (vk != s_hook.LastDown) PostMessageW(s_hook.Field, WMA_HKKEYDOWN, vk, 0);
      s_hook.LastDown = vk;
    } else {
      s_hook.Modifiers &= ~bit;
      if (bit == 8 || !bit) PostMessageW(s_hook.Field, WMA_HKRESET, 0, 0);
      s_hook.LastDown = 0;
    }
    return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

WORD NextHotKeyCode(WORD code, UINT key, UINT modifiers, UINT* remembered) {
  UINT main;
  if (IsModifierKey(key)) {
    main = *remembered;
    if (main != (code & 0xFFu)) *remembered = main = 0;
  } else {
    *remembered = main = key;
  }
  return (WORD)(((modifiers & 0xF) << 8) | (main & 0xFF));
}

static void ResetHookState() {
  s_hook.Remembered = 0;
  s_hook.LastDown = 0;
  s_hook.Modifiers = 0;
}

static void LeaveField() {
  ResetHookState();
  s_hook.Field = nullptr;
  if (s_hook.Hook) UnhookWindowsHookEx(s_hook.Hook);
  s_hook.Hook = nullptr;
}

static void Refresh(HWND field, const HotKeyFieldState* s) {
  wchar_t text[1024];
  FormatHotKeyName(s->Code, text, 1024, 0);
  SetWindowTextW(field, text);
  int n = GetWindowTextLengthW(field);
  SendMessageW(field, EM_SETSEL, (WPARAM)n, n);
}

LRESULT CALLBACK HotKeyFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR ref) {
  HotKeyFieldState** slot = (HotKeyFieldState**)ref;
  HotKeyFieldState* s = slot ? *slot : nullptr;
  switch (message) {
    case WMA_CTLINIT:
      s = (HotKeyFieldState*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(HotKeyFieldState));
      if (!s) return 0;
      s->Param = lParam;
      *slot = s;
      return 1;
    case WM_SETFOCUS:
      s_hook.Field = field;
      ResetHookState();
      if (!s_hook.Hook) s_hook.Hook = SetWindowsHookExW(WH_KEYBOARD_LL, HotKeyFieldHookProc, GetModuleHandleW(nullptr), 0);
      break;
    case WM_KILLFOCUS:
      LeaveField();
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(field, HotKeyFieldProc, id);
      if (s_hook.Field == field) LeaveField();
      if (s) HeapFree(GetProcessHeap(), 0, s);
      if (slot) *slot = nullptr;
      return DefSubclassProc(field, message, wParam, lParam);
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_CHAR:
      return 0;
    case WMA_HKKEYDOWN:
      if (s) {
        WORD next = NextHotKeyCode(s->Code, (UINT)wParam, s_hook.Modifiers, &s_hook.Remembered);
        if (next != s->Code) {
          s->Code = next;
          Refresh(field, s);
        }
      }
      return 0;
    case WMA_HKRESET:
      s_hook.Remembered = 0;
      return 0;
    case WMA_HKREFRESH:
      if (s) Refresh(field, s);
      return 0;
  }
  return DefSubclassProc(field, message, wParam, lParam);
}

int MakeHotKeyField(HWND edit, HotKeyFieldState** slot, LPARAM param) {
  if (!edit || !SetWindowSubclass(edit, HotKeyFieldProc, (UINT_PTR)GetDlgCtrlID(edit), (DWORD_PTR)slot)) return 0;
  return SendMessageW(edit, WMA_CTLINIT, 0, param) ? 1 : 0;
}
