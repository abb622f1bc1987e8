#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/hotkeyfield.h"
#include "support/test_support.h"

namespace {

// Like Pump, but keys become characters as in a dialog's loop.
void PumpKeys(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

// A window with a hot-key field and an ordinary edit beside it.
class HotKeyFieldTest : public testing::Test {
 protected:
  void SetUp() override {
    window_ = CreateWindowExW(0, L"STATIC", L"hot key", WS_POPUP | WS_VISIBLE, 10, 10, 300, 80, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(window_);
    field_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 5, 5, 280, 24, window_, (HMENU)1065,
                             GetModuleHandleW(nullptr), nullptr);
    other_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 5, 40, 280, 24, window_, (HMENU)1066,
                             GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(MakeHotKeyField(field_, &state_, 7));
    ASSERT_TRUE(state_);
    EXPECT_EQ(7, state_->Param);
    SetForegroundWindow(window_);
    SetFocus(field_);
    Pump(50);
  }
  void TearDown() override {
    if (window_) DestroyWindow(window_);
    EXPECT_FALSE(state_);  // the field freed its record and cleared the slot
    EXPECT_FALSE(IsHotKeyHookInstalled());
  }
  static void Key(WORD vk, bool up) {
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
    PumpKeys(40);
  }
  std::wstring FieldText() {
    wchar_t text[256];
    GetWindowTextW(field_, text, 256);
    return text;
  }

  HWND window_ = nullptr, field_ = nullptr, other_ = nullptr;
  HotKeyFieldState* state_ = nullptr;
};

TEST_F(HotKeyFieldTest, TakesCombinationsWhileFocusedOnly) {
  ASSERT_TRUE(IsHotKeyHookInstalled());
  Key(VK_CONTROL, false);
  Key('A', false);
  EXPECT_EQ(0x241, state_->Code);
  EXPECT_NE(std::wstring::npos, FieldText().find(L"A")) << FieldText();
  // The owner sets a press count; auto-repeat of A must not count as a new press.
  state_->Code |= 0x3000;
  Key('A', false);
  Key('A', false);
  EXPECT_EQ(0x3241, state_->Code);
  // Releasing a modifier keeps what is shown.
  Key('A', true);
  Key(VK_CONTROL, true);
  EXPECT_EQ(0x3241, state_->Code);
  // A new combination clears the press count.
  Key(VK_SHIFT, false);
  Key('B', false);
  Key('B', true);
  Key(VK_SHIFT, true);
  EXPECT_EQ(0x142, state_->Code);
  // The Win key alone is Win + its own key.
  Key(VK_LWIN, false);
  Key(VK_LWIN, true);
  EXPECT_EQ(0x800 | VK_LWIN, state_->Code);

  // Characters never reach the field, and once it loses the focus the hook
  // is gone: the other edit gets the keys as usual.
  SetFocus(other_);
  Pump(20);
  EXPECT_FALSE(IsHotKeyHookInstalled());
  Key('C', false);
  Key('C', true);
  wchar_t text[16];
  GetWindowTextW(other_, text, 16);
  EXPECT_STREQ(L"c", text);
  EXPECT_EQ(0x800 | VK_LWIN, state_->Code);
  // Back in the field the hook returns; Tab stays in the field.
  SetFocus(field_);
  EXPECT_TRUE(IsHotKeyHookInstalled());
  EXPECT_EQ((LRESULT)DLGC_WANTALLKEYS, SendMessageW(field_, WM_GETDLGCODE, 0, 0));
}

TEST(HotKeyCode, ModifiersKeepTheRememberedKey) {
  struct Step {
    UINT Key, Modifiers;
    WORD Want;
  };
  // Ctrl, A, then Shift while A is held: Ctrl + Shift + A. After a reset
  // (A released) Shift alone starts over.
  const Step held[] = {{VK_CONTROL, 2, 0x200}, {'A', 2, 0x241}, {VK_SHIFT, 3, 0x341}};
  UINT remembered = 0;
  WORD code = 0;
  for (const Step& s : held) {
    code = NextHotKeyCode(code, s.Key, s.Modifiers, &remembered);
    EXPECT_EQ(s.Want, code) << s.Key;
  }
  remembered = 0;  // WMA_HKRESET
  EXPECT_EQ(0x100, NextHotKeyCode(code, VK_SHIFT, 1, &remembered));
  // A remembered key that is no longer the stored one is forgotten.
  remembered = 'Z';
  EXPECT_EQ(0x400, NextHotKeyCode(0x241, VK_MENU, 4, &remembered));
  EXPECT_EQ(0u, remembered);
}

}  // namespace
