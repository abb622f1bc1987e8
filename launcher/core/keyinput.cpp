#include "core/keyinput.h"

#include <imm.h>

#include "core/commands.h"
#include "core/input.h"
#include "core/mainwnd.h"
#include "core/mouseinput.h"
#include "state.h"
#include "core/hookctl.h"
#include "core/ticker.h"
#include "core/triggers.h"
#include "core/winhelpers.h"

int MakeKeyCode(int vk, UINT modifiers, int leftWinDown, int rightWinDown) {
  int mods = (int)(modifiers & 0xF) << 8;
  if (IsModifierKey((UINT)vk)) return mods | (leftWinDown ? VK_LWIN : rightWinDown ? VK_RWIN : 0);
  return mods | (vk & 0xFF);
}

int IsModifierOnlyCode(int code) {
  int key = code & 0xFF;
  return key == 0 || key == VK_LWIN || key == VK_RWIN;
}

int FindLauncherKey(const WORD* table, int count, int code) {
  if (!code) return -1;
  for (int i = 0; i < count; ++i)
    if (table[i] && table[i] == (WORD)code) return i;
  return -1;
}

int IsRepeatableEntry(int entry) { return entry == 0 || entry == 1 || (entry >= 14 && entry <= 23); }

int IsImeComposing(HWND window) {
  HIMC imc = ImmGetContext(window);
  if (!imc) return 0;
  int composing = 0;
  if (ImmGetOpenStatus(imc)) composing = ImmGetCompositionStringW(imc, GCS_COMPSTR, nullptr, 0) > 0;
  ImmReleaseContext(window, imc);
  return composing;
}

static HWND FindOwnSearchWindow() {
  HWND w = FindWindowExW(nullptr, nullptr, kSearchWndClass, nullptr);
  for (; w; w = FindWindowExW(nullptr, w, kSearchWndClass, nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == GetCurrentProcessId()) return w;
  }
  return nullptr;
}

static int FocusSearchBox() {
  HWND search = FindOwnSearchWindow();
  if (!search || !IsWindowVisible(search)) return 0;
  HWND edit = FindWindowExW(search, nullptr, L"Edit", nullptr);
  ShowWindow(search, SW_SHOW);
  if (edit) {
    ShowWindow(edit, SW_SHOW);
    BringToForeground(search, 0);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
  }
  return 1;
}

static int LauncherTakesKeys() {
  HWND w = g_App.MainWnd;
  return w && IsWindowVisible(w) && !(g_App.Wnd.Flags & WSF_SUBMENU_OPEN);
}

void OnKeyDown(UINT, WPARAM wp, LPARAM lParam) {
  InputState& in = g_App.Input;
  int vk = (int)(wp & 0xFF);
  // Only a new key cancels what waits for a release: a held modifier
  // repeats, and its repeats must not lose the kept item.
  int repeat = (lParam & 0x40000000) != 0;
  if (!repeat) {
    in.PendingKeyCommand = 0;
    ClearKeptItem();
  }
  if (vk == VK_PROCESSKEY) return;
  if (vk == VK_ESCAPE && in.RearrangeDrag) {
    CancelPress();
    in.RearrangeDrag = 0;
    in.TabDrag = 0;
    return;
  }
  if (!LauncherTakesKeys()) return;
  UINT mods = GetModifierState();
  if (vk == VK_TAB && !mods && !repeat && FocusSearchBox()) return;
  int code = MakeKeyCode(vk, mods, GetAsyncKeyState(VK_LWIN) < 0, GetAsyncKeyState(VK_RWIN) < 0);
  int entry = FindLauncherKey(g_App.Settings.Keyboard, kLauncherCommands, code);
  if (repeat && !IsRepeatableEntry(entry)) return;
  int ran = 0;
  if (entry < 0) {
    // A button's own key: it runs now, after more presses, or (Windows key
    // and modifier-only keys) on the key release.
    // Its character must not also start a search.
    if (MatchButtonKey(g_App.Store.CurrentPage, (UINT)vk, 0) != 0) {
      MSG m;
      PeekMessageW(&m, g_App.MainWnd, WM_CHAR, WM_CHAR, PM_REMOVE);
    }
    return;
  }
  if (entry == kPressKeyEntry) {
    int cell = g_App.Store.HoverCell;
    if (cell >= 0 && !(in.Press & PRESS_KINDS)) {
      StartPress(cell, PRESS_KEY);
      ran = 1;
    }
  } else if (IsModifierOnlyCode(code)) {
    in.PendingKeyCommand = entry + 1;
  } else {
    ran = PerformLauncherCommand(entry, 0);
  }
  if (ran) {
    MSG m;
    PeekMessageW(&m, g_App.MainWnd, WM_CHAR, WM_CHAR, PM_REMOVE);
    in.PendingKeyCommand = 0;
  }
}

void OnKeyUp(UINT, WPARAM) {
  InputState& in = g_App.Input;
  if (!LauncherTakesKeys()) return;
  if (in.Press & PRESS_KEY) ReleasePress(in.PressCell);
  if (in.PendingKeyCommand) {
    int command = in.PendingKeyCommand - 1;
    in.PendingKeyCommand = 0;
    PerformLauncherCommand(command, 0);
  }
  if (in.RearrangeDrag) return;
  if (in.Press & (PRESS_LEFT | PRESS_RIGHT)) CancelPress();
  RunHoveredItem();
}
