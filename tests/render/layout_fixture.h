// The layout's inputs without a window: default design, classic look, a
// DPI and pages whose names give their measured text widths.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <wchar.h>

#include <string>
#include <vector>

#include "core/mainwnd.h"
#include "core/startup.h"
#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "render/layout.h"
#include "render/skin.h"
#include "store/outlets.h"

inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline std::ostream& operator<<(std::ostream& o, const RECT& r) {
  return o << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}

inline bool EnsureLauncherClasses() {
  // The render scene of another fixture may have registered them first.
  static bool registered = [] {
    WNDCLASSEXW known = {sizeof known};
    HINSTANCE self = GetModuleHandleW(nullptr);
    return RegisterWindowClasses(self) != 0 || GetClassInfoExW(self, L"VantrelWndClass", &known) != 0;
  }();
  return registered;
}

class LayoutFixture : public ::testing::Test {
 protected:
  // A page named "120" measures 120 pixels in the active-tab font and
  // 10 fewer in the other, so the widest measure is the active one.
  static SIZE FakeMeasure(int font, const DesignColors*, const wchar_t* text) {
    int w = text ? _wtoi(text) : 0;
    return SIZE{font == FONT_TABA ? w : w - 10, 16};
  }
  static inline int MessageCount = 0;
  static int CountMessage(HWND, int, const wchar_t*, const wchar_t*, UINT) {
    MessageCount++;
    return IDOK;
  }

  void SetUp() override {
    g_App.Design = DesignState{};
    g_App.Settings = SettingsState{};
    g_App.Layout = LayoutState{};
    g_App.MainWnd = nullptr;
    ResetViewModeDesign();
    SetClassicLook();
    g_App.Design.Dpi = 96;
    savedSeams_ = g_LayoutSeams;
    g_LayoutSeams.MeasureText = FakeMeasure;
    g_LayoutSeams.RefreshImages = nullptr;
    savedDialogs_ = g_DialogSeams;
    g_DialogSeams.MessageBoxFn = CountMessage;
    MessageCount = 0;
    SetPages({});
  }
  void TearDown() override {
    FreeLayout();
    g_App.Store.Pages = nullptr;
    g_App.Store.PageCount = 0;
    g_LayoutSeams = savedSeams_;
    g_DialogSeams = savedDialogs_;
    g_StoreFailAllocation = nullptr;
    g_App.Layout = LayoutState{};
    g_App.Skin = SkinSettings{};
  }

  void SetPages(std::vector<std::wstring> names) {
    names_ = std::move(names);
    pages_.assign(names_.size(), PageInfo{});
    for (size_t i = 0; i < names_.size(); i++) pages_[i].Name = &names_[i][0];
    g_App.Store.Pages = pages_.empty() ? nullptr : pages_.data();
    g_App.Store.PageCount = (int)pages_.size();
  }

  // A skin-like arrangement: areas join the frames by one pixel on every
  // side, so that each tab position can be taken.
  static void UseTabPosition(int position) {
    SkinSlot* s = g_App.Skin.Slots;
    s[SLOT_TABAREA].Offset[EDGE_BOTTOM] = -1;
    s[SLOT_BUTTONAREA].Offset[EDGE_RIGHT] = -1;
    s[SLOT_BUTTONAREA].Offset[EDGE_BOTTOM] = -1;
    SetTabPositionArrangement(position);
  }

  static void Layout() {
    CalcMainWindowLayout();
    LayoutTabs();
    LayoutButtons();
  }
  static RECT Slot(int i) { return g_App.Skin.Slots[i].Target; }
  static ViewModeDesign& Design() { return g_App.Design.ViewMode[0]; }

 private:
  std::vector<std::wstring> names_;
  std::vector<PageInfo> pages_;
  LayoutSeams savedSeams_;
  DialogSeams savedDialogs_;
};
