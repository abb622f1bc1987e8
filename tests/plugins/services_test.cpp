#include <gtest/gtest.h>

#include <climits>
#include <set>

#include "core/hookbind.h"
#include "plugin_fixture.h"
#include "plugins/plugindata.h"
#include "plugins/services.h"
#include "resources/resource.h"
#include "store/items.h"

namespace {

void* const* Slots() { return reinterpret_cast<void* const*>(GetPluginServices()); }

TEST(PluginServiceTable, OnlyTheListedSlotsAreFilled) {
  std::set<int> want;
  for (int s = 0; s <= 6; s++) want.insert(0 * 16 + s);
  for (int s = 0; s <= 6; s++) want.insert(1 * 16 + s);
  for (int s = 0; s <= 3; s++) want.insert(2 * 16 + s);
  for (int s = 0; s <= 1; s++) want.insert(3 * 16 + s);
  for (int s = 0; s <= 10; s++) want.insert(4 * 16 + s);
  want.insert(5 * 16 + 0);
  std::set<int> got;
  for (int i = 0; i < 96; i++)
    if (Slots()[i]) got.insert(i);
  EXPECT_EQ(want, got);
  EXPECT_EQ(GetPluginServices(), GetPluginServices()) << "one table for all";
}

TEST(PluginServiceTable, ShowArgumentsStayInTheirSixteenBits) {
  struct Case {
    int Mode, X, Y, Page;
    WPARAM W;
    LPARAM L;
  };
  const Case cases[] = {
      {1, 10, 20, 3, 0x00030001, 0x0014000A},
      {0x12345, 0x1FFFF, 0x10002, 0x7FFF0004, 0x00042345, 0x0002FFFF},
      {0, -5, -1, -1, 0xFFFF0000, (LPARAM)0xFFFFFFFBu},
  };
  for (const Case& c : cases) {
    WPARAM w;
    LPARAM l;
    PackShowLauncher(c.Mode, c.X, c.Y, c.Page, &w, &l);
    EXPECT_EQ(c.W, w);
    EXPECT_EQ(c.L, l);
  }
}

// The launcher window is a message-only window of the test; what the
// services post is read back from its queue.
class PluginServicesTest : public PluginHostTest {
 protected:
  void SetUp() override {
    PluginHostTest::SetUp();
    g_App.MainWnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_TRUE(g_App.MainWnd);
    Svc = GetPluginServices();
  }
  void TearDown() override {
    DestroyWindow(g_App.MainWnd);
    g_App.MainWnd = nullptr;
    PluginHostTest::TearDown();
  }
  struct Posted {
    UINT Message;
    WPARAM W;
    LPARAM L;
    bool operator==(const Posted& o) const { return Message == o.Message && W == o.W && L == o.L; }
  };
  std::vector<Posted> Drain() {
    std::vector<Posted> out;
    MSG m;
    while (PeekMessageW(&m, g_App.MainWnd, 0, 0, PM_REMOVE)) out.push_back({m.message, m.wParam, m.lParam});
    return out;
  }
  const PluginServices* Svc;
};

TEST_F(PluginServicesTest, StateServicesPostOnlyWhenTheStateDiffers) {
  struct Case {
    const char* What;
    UINT Status;
    LONG RunState;
    int (*Call)(const PluginServices*, int);
    int Arg;
    int Command;  // 0: nothing posted
  };
  auto pin = [](const PluginServices* s, int a) { return s->SetPinned(a); };
  auto restrict = [](const PluginServices* s, int a) { return s->SetRestricted(a); };
  auto unhook = [](const PluginServices* s, int a) { return s->SetUnhooked(a); };
  auto view = [](const PluginServices* s, int a) { return s->SetViewMode(a); };
  const Case cases[] = {
      {"pin while pinned", STATUS_PINNED, 0, pin, 1, 0},
      {"unpin while pinned", STATUS_PINNED, 0, pin, 0, CMD_PIN_TOGGLE},
      {"pin while not", 0, 0, pin, 7, CMD_PIN_TOGGLE},
      {"unpin while not", 0, 0, pin, 0, 0},
      {"restrict while restricted", STATUS_RESTRICTED, 0, restrict, 1, 0},
      {"lift restriction", STATUS_RESTRICTED, 0, restrict, 0, CMD_RESTRICT_TOGGLE},
      {"release active hooks", 0, RS_HOOKS_ON, unhook, 1, CMD_HOOK_TOGGLE},
      {"release released hooks", 0, 0, unhook, 1, 0},
      {"restore released hooks", 0, 0, unhook, 0, CMD_HOOK_TOGGLE},
      {"restore active hooks", 0, RS_HOOKS_ON, unhook, 0, 0},
      {"first view mode", STATUS_VIEWMODE2, 0, view, 0, CMD_VIEWMODE1},
      {"second view mode", 0, 0, view, 2, CMD_VIEWMODE2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    g_App.Settings.Status = c.Status;
    g_App.RunState = c.RunState;
    EXPECT_EQ(1, c.Call(Svc, c.Arg));
    std::vector<Posted> want;
    if (c.Command) want.push_back({WM_COMMAND, (WPARAM)c.Command, 0});
    EXPECT_EQ(want, Drain());
  }
  EXPECT_EQ(1, Svc->PostHideLauncher());
  EXPECT_EQ(1, Svc->PostShowLauncher(0x10001, -2, 3, 2));
  EXPECT_EQ((std::vector<Posted>{{WMA_HIDELAUNCHER, 0x10000, 1}, {WMA_SHOWLAUNCHER, 0x20001, 0x3FFFE}}), Drain());
  DestroyWindow(g_App.MainWnd);
  g_App.MainWnd = nullptr;
  EXPECT_EQ(0, Svc->PostHideLauncher()) << "no window, nothing posted";
}

TEST_F(PluginServicesTest, SkinSelectionIsRefusedWhileADialogIsOpen) {
  EXPECT_EQ(1, Svc->PostSelectSkin(L"Basalt"));
  std::vector<Posted> got = Drain();
  ASSERT_EQ(1u, got.size());
  EXPECT_EQ((UINT)WMA_SELECTSKIN, got[0].Message);
  EXPECT_STREQ(L"Basalt", reinterpret_cast<const wchar_t*>(got[0].W));
  HWND dialog = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  g_App.OpenDialogs[0] = dialog;
  g_App.OpenDialogCount = 1;
  EXPECT_EQ(0, Svc->PostSelectSkin(L"Basalt"));
  g_App.OpenDialogCount = 0;
  DestroyWindow(dialog);
  EXPECT_EQ(0, Svc->PostSelectSkin(nullptr));
  EXPECT_EQ(0, Svc->PostSelectSkin(std::wstring(300, L'n').c_str())) << "a cut name is another skin";
  EXPECT_TRUE(Drain().empty());
  EXPECT_STREQ(L"", Svc->GetSkinInfo(nullptr));
  EXPECT_STREQ(L"", Svc->GetSkinInfo(L"No such skin"));
  EXPECT_EQ(Program + L"\\Skins", Svc->GetSkinsFolder());
}

TEST_F(PluginServicesTest, CaptionIsCopiedCutOrLentAsAsked) {
  wchar_t lent[] = L"lent text";
  EXPECT_EQ(1, Svc->SetCaptionText(lent, 0));
  EXPECT_EQ(lent, g_App.Render.CaptionText);
  std::wstring big(2000, L'c');
  EXPECT_EQ(1, Svc->SetCaptionText(big.c_str(), 1));
  EXPECT_EQ(g_App.Render.CaptionBuffer, g_App.Render.CaptionText);
  EXPECT_EQ(1023u, wcslen(g_App.Render.CaptionBuffer));
  EXPECT_EQ(1, Svc->SetCaptionText(nullptr, 0));
  EXPECT_EQ(g_App.Render.CaptionBuffer, g_App.Render.CaptionText);
  // Nothing lent any more: an unload leaves the caption alone.
  ForgetPluginCaption();
  EXPECT_EQ(g_App.Render.CaptionBuffer, g_App.Render.CaptionText);
}

TEST_F(PluginServicesTest, LanguageStringsAreCutToTheBufferAndCheckTheirArguments) {
  HMODULE self = GetModuleHandleW(nullptr);
  wchar_t full[260], cut[4] = {L'x', L'x', L'x', L'x'};
  int n = Svc->LoadLangString(self, IDS_LANG_NAME, full, 260);
  ASSERT_GT(n, 3);
  EXPECT_EQ((size_t)n, wcslen(full));
  EXPECT_EQ(3, Svc->LoadLangString(self, IDS_LANG_NAME, cut, 4));
  EXPECT_EQ(std::wstring(full, 3), cut);
  wchar_t none[8] = L"old";
  EXPECT_EQ(0, Svc->LoadLangString(self, 65000, none, 8));
  EXPECT_STREQ(L"", none);
  EXPECT_EQ(0, Svc->LoadLangString(self, IDS_LANG_NAME, nullptr, 8));
  EXPECT_EQ(0, Svc->LoadLangString(self, IDS_LANG_NAME, full, 0));
  EXPECT_EQ(0, Svc->LoadLangString(self, IDS_LANG_NAME, full, -5));
  const wchar_t* display = nullptr;
  Svc->GetLanguageName(&display);
  ASSERT_TRUE(display);
  EXPECT_STREQ(full, display);
}

TEST_F(PluginServicesTest, DataAndItemServicesCheckIndexesReferencesAndSlots) {
  ASSERT_EQ(1, AddPlugin(L"Data.dll", 0));
  EXPECT_EQ(1, Svc->SetPluginIntValue(0, nullptr, L"K", 3));
  EXPECT_EQ(3, Svc->GetPluginIntValue(0, L"General", L"K", 0));
  EXPECT_EQ(0, Svc->SetPluginIntValue(1, nullptr, L"K", 3));
  EXPECT_EQ(0, Svc->SetPluginIntValue(INT_MIN, nullptr, L"K", 3));
  EXPECT_EQ(nullptr, Svc->SetPluginStrValue(0, nullptr, nullptr, L"x"));
  EXPECT_EQ(nullptr, Svc->GetPluginStrValue(-1, nullptr, L"K"));
  EXPECT_EQ(1, Svc->DeletePluginValue(0, nullptr, L"K"));
  EXPECT_EQ(0, Svc->SavePluginDataNow(-1));
  EXPECT_EQ(1, Svc->SavePluginDataNow(0));
  EXPECT_EQ(0, Svc->SetPluginDescription(9, L"x"));
  // No item behind these references.
  for (int ref : {0, 0x10000, 0x7FFF0005, -1}) {
    EXPECT_EQ(0, Svc->SetItemPluginInt(ref, 0, 1));
    EXPECT_EQ(nullptr, Svc->SetItemPluginStr(ref, 0, L"x"));
    EXPECT_EQ(-4, Svc->GetItemPluginInt(ref, 0, -4));
    EXPECT_EQ(nullptr, Svc->GetItemPluginStr(ref, 0));
  }
}

TEST_F(PluginServicesTest, WindowOperationsActOnWindowsOnly) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VnPluginTarget";
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, wc.lpszClassName, L"target", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                           wc.hInstance, nullptr);
  ASSERT_TRUE(w);
  EXPECT_EQ(1, Svc->PluginWindowOperation(w, VNW_SHOW));
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(1, Svc->PluginWindowOperation(w, VNW_TOGGLE_TOPMOST));
  EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(1, Svc->PluginWindowOperation(w, VNW_TOGGLE_TOPMOST));
  EXPECT_FALSE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(1, Svc->PluginWindowOperation(w, 12));
  EXPECT_EQ(1, Svc->PluginWindowOperation(w, -1));
  EXPECT_TRUE(IsWindowVisible(w)) << "unknown operations do nothing";
  EXPECT_EQ(1, Svc->PluginWindowOperation(w, VNW_HIDE));
  EXPECT_FALSE(IsWindowVisible(w));
  for (int op = 0; op <= 9; op++) EXPECT_EQ(1, Svc->PluginWindowOperation((HWND)(INT_PTR)0x12345, op)) << op;
  EXPECT_EQ(1, Svc->PluginWindowOperation(w, VNW_CLOSE));
  MSG m;
  EXPECT_TRUE(PeekMessageW(&m, w, WM_CLOSE, WM_CLOSE, PM_REMOVE));
  DestroyWindow(w);
}

}  // namespace
