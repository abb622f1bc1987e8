#include "core/mainwnd.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include "core/menucmd.h"
#include "core/shellhelp.h"
#include "core/showhide.h"
#include "core/startup.h"
#include "state.h"
#include "core/switches.h"
#include "core/hookbind.h"
#include "resources/resource.h"
#include "store/items.h"
#include "store/lists.h"
#include "core_child.h"
#include "core/mouseinput.h"
#include "scene_fixture.h"
#include "support/message_recorder.h"
#include "support/test_support.h"

namespace {

// The launcher window in this process, on a fresh state record.
class MainWndTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_App;
    ASSERT_TRUE(EnsureLauncherClasses());
    BindOptionalFunctions();
    g_App.RunState = 0;
    g_App.OpenDialogCount = 0;
    g_App.UiStateFlags = UIS_AUTOHIDE_ALLOWED;
    g_App.Wnd = MainWindowState{};
    g_App.Settings = SettingsState{};
    g_App.Core.RunningWork = 0;
    window_ = CreateMainWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(nullptr, window_);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    for (HWND w : extra_)
      if (IsWindow(w)) DestroyWindow(w);
    Pump();
    g_App = saved_;
  }

  // Runs what is queued; true when the quit message came.
  static bool Pump() {
    bool quit = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) quit = true;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    return quit;
  }

  AppState saved_;
  HWND window_ = nullptr;
  std::vector<HWND> extra_;
};

TEST_F(MainWndTest, TheWindowIsATopmostToolPopupTakingFiles) {
  EXPECT_EQ(window_, g_App.MainWnd);
  LONG ex = GetWindowLongW(window_, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ex & WS_EX_TOPMOST);
  EXPECT_TRUE(ex & WS_EX_ACCEPTFILES);
  EXPECT_EQ(g_App.Api.UpdateLayeredWindow != nullptr, (ex & WS_EX_LAYERED) != 0);
  EXPECT_EQ((LONG)WS_POPUP, GetWindowLongW(window_, GWL_STYLE) & ~(WS_CLIPSIBLINGS | WS_CLIPCHILDREN));
  EXPECT_FALSE(IsWindowVisible(window_));
  wchar_t title[16];
  GetWindowTextW(window_, title, 16);
  EXPECT_STREQ(L"Vantrel", title);
  EXPECT_NE(0u, g_App.Wnd.TaskbarCreatedMsg);
}

TEST_F(MainWndTest, SixClassesAreRegistered) {
  for (const wchar_t* cls : {kMainWndClass, kDragWndClass, kSubMenuWndClass, kSmDragWndClass,
                             kSearchWndClass, kEdgeWndClass}) {
    WNDCLASSEXW wc = {sizeof wc};
    EXPECT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), cls, &wc));
  }
  WNDCLASSEXW wc = {sizeof wc};
  ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), kMainWndClass, &wc));
  EXPECT_EQ((UINT)CS_DBLCLKS, wc.style);
  // A second registration fails, and start-up then ends.
  EXPECT_EQ(0, RegisterWindowClasses(GetModuleHandleW(nullptr)));
}

TEST_F(MainWndTest, DestroyClearsAQueuedExecuteAndQuits) {
  InterlockedOr(&g_App.RunState, RS_EXECUTE_PENDING);
  PostMessageW(window_, WMA_EXECUTE, 0x00020003, 0);
  DestroyWindow(window_);
  EXPECT_FALSE(g_App.RunState & RS_EXECUTE_PENDING);
  EXPECT_EQ(nullptr, g_App.MainWnd);
  EXPECT_TRUE(Pump());
}

TEST_F(MainWndTest, ExecuteClearsThePendingBitEvenForBadItems) {
  for (WPARAM wp : {(WPARAM)0, (WPARAM)0xFFFFFFFF, (WPARAM)0x7FFF7FFF}) {
    InterlockedOr(&g_App.RunState, RS_EXECUTE_PENDING);
    SendMessageW(window_, WMA_EXECUTE, wp, 0x80);
    EXPECT_FALSE(g_App.RunState & RS_EXECUTE_PENDING);
  }
}

TEST_F(MainWndTest, SystemCloseHidesButExitEnds) {
  ShowLauncher(SHOW_LAST_POSITION, 0, 0, 0xFFFF, 1);
  ASSERT_TRUE(IsWindowVisible(window_));
  SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindowVisible(window_));
  EXPECT_FALSE(Pump());
  EXPECT_TRUE(IsWindow(window_));

  SendMessageW(window_, WM_COMMAND, CMD_EXIT, 0);
  EXPECT_TRUE(Pump());
  EXPECT_FALSE(IsWindow(window_));
}

TEST_F(MainWndTest, SystemCloseEndsNModeOnlyWhenNothingRuns) {
  g_App.RunState |= RS_N_MODE;
  ShowLauncher(SHOW_LAST_POSITION, 0, 0, 0xFFFF, 1);
  g_App.Core.RunningWork = 1;
  SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(Pump());
  EXPECT_TRUE(IsWindow(window_));

  g_App.Core.RunningWork = 0;
  ShowLauncher(SHOW_LAST_POSITION, 0, 0, 0xFFFF, 1);
  SendMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(Pump());
  EXPECT_FALSE(IsWindow(window_));
}

TEST_F(MainWndTest, AdminErrorThreeReportsAndCloses) {
  MessageRecorder rec;
  for (WPARAM wp : {(WPARAM)1, (WPARAM)2, (WPARAM)0, (WPARAM)4, (WPARAM)-3}) SendMessageW(window_, WMA_ADMINERROR, wp, 0);
  EXPECT_TRUE(rec.Calls.empty());
  EXPECT_FALSE(Pump());
  SendMessageW(window_, WMA_ADMINERROR, 3, 0);
  ASSERT_EQ(1u, rec.Calls.size());
  EXPECT_EQ(IDS_ERR_HOOK, rec.Calls[0].Id);
  EXPECT_TRUE(Pump());
  EXPECT_FALSE(IsWindow(window_));
}

TEST_F(MainWndTest, ShowAndHideRequests) {
  SendMessageW(window_, WMA_SHOWLAUNCHER, MAKEWPARAM(SHOW_AT_POINT | SHOW_FROM_OUTSIDE, 0xFFFF),
               MAKELPARAM(123, 77));
  EXPECT_TRUE(IsWindowVisible(window_));
  RECT r;
  GetWindowRect(window_, &r);
  EXPECT_EQ(123, r.left);
  EXPECT_EQ(77, r.top);
  EXPECT_EQ(123, g_App.Settings.LastPosX);
  EXPECT_EQ(77, g_App.Settings.LastPosY);
  // From now on changes are tracked.
  EXPECT_TRUE(g_App.RunState & RS_TRACK_CHANGES);

  // Negative points arrive as signed 16-bit values.
  SendMessageW(window_, WMA_SHOWLAUNCHER, SHOW_AT_POINT, MAKELPARAM((WORD)-20, (WORD)-30));
  GetWindowRect(window_, &r);
  EXPECT_EQ(-20, r.left);
  EXPECT_EQ(-30, r.top);
  EXPECT_EQ(1, g_App.Settings.PendingSave);

  SendMessageW(window_, WMA_HIDELAUNCHER, 1, 0);
  EXPECT_FALSE(IsWindowVisible(window_));
}

TEST_F(MainWndTest, PinCommandTogglesAndShows) {
  g_App.Settings.DispOption = DISP_ALWAYS_ON_TOP | DISP_TOPMOST_WHEN_PINNED;
  g_App.Settings.DispPosition = 8;  // at the show point
  g_App.Settings.ShowPosX = 40;
  g_App.Settings.ShowPosY = 50;
  SendMessageW(window_, WM_COMMAND, CMD_PIN, 0);
  EXPECT_TRUE(g_App.Settings.Status & STATUS_PINNED);
  EXPECT_TRUE(IsWindowVisible(window_));
  EXPECT_TRUE(GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT r;
  GetWindowRect(window_, &r);
  EXPECT_EQ(40, r.left);
  EXPECT_EQ(50, r.top);

  SendMessageW(window_, WM_COMMAND, CMD_PIN, 0);
  EXPECT_FALSE(g_App.Settings.Status & STATUS_PINNED);
  EXPECT_FALSE(GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(MainWndTest, HidingUnpinsWithoutASave) {
  ShowLauncher(SHOW_LAST_POSITION, 0, 0, 0xFFFF, 1);
  g_App.Settings.Status |= STATUS_PINNED;
  g_App.Settings.PendingSave = 0;
  HideLauncher(1, 0, 0);
  EXPECT_FALSE(g_App.Settings.Status & STATUS_PINNED);
  EXPECT_EQ(0, g_App.Settings.PendingSave);

  g_App.Settings.Option1 = OPT1_KEEP_PINNED;
  ShowLauncher(SHOW_LAST_POSITION, 0, 0, 0xFFFF, 1);
  g_App.Settings.Status |= STATUS_PINNED;
  HideLauncher(1, 0, 0);
  EXPECT_TRUE(g_App.Settings.Status & STATUS_PINNED);
}

TEST_F(MainWndTest, StandbyParksInsteadOfHiding) {
  g_App.Settings.StandbyPosition = 5;
  g_App.Settings.StandbyPosX = 300;
  g_App.Settings.StandbyPosY = 200;
  ShowLauncher(SHOW_AT_POINT, 10, 10, 0xFFFF, 1);
  EXPECT_EQ(1, HideLauncher(0, 0, 0));
  EXPECT_TRUE(IsWindowVisible(window_));
  EXPECT_TRUE(g_App.Wnd.Flags & WSF_STANDBY);
  RECT r;
  GetWindowRect(window_, &r);
  EXPECT_EQ(300, r.left);
  EXPECT_EQ(200, r.top);
  // Hide mode 1 always hides.
  HideLauncher(1, 0, 0);
  EXPECT_FALSE(IsWindowVisible(window_));
}

TEST_F(MainWndTest, PrivateMessageChecks) {
  wchar_t foreign[260] = L"Skin";
  struct Case {
    UINT Message;
    WPARAM W;
    LPARAM L;
    int Want;
  } cases[] = {
      {WMA_MOUSECIRCLE, 0, 0, 1},
      {WMA_MOUSECIRCLE, 1, 0, 1},
      {WMA_MOUSECIRCLE, 2, 0, 0},
      {WMA_MOUSECIRCLE, (WPARAM)-1, 0, 0},
      {WMA_MOUSEACTION, 0, 0, 1},
      {WMA_MOUSEACTION, 99, 11, 1},
      {WMA_MOUSEACTION, 100, 0, 0},
      {WMA_MOUSEACTION, 5, 12, 0},
      {WMA_MOUSEACTION, 5, -1, 0},
      {WMA_BUTTONUP, 0x80000001, 0, 1},
      {WMA_BUTTONUP, 0x80000010, 0, 1},
      {WMA_BUTTONUP, 0x80000003, 0, 0},  // never two buttons at once
      {WMA_BUTTONUP, 0x80000020, 0, 0},
      {WMA_BUTTONUP, 0x80000000, 0, 0},
      {WMA_BUTTONUP, 0x1, 0, 0},
      {WMA_BUTTONUP, (WPARAM)-1, 0, 0},
      {WMA_HOTKEY, 0, 0, 1},
      {WMA_HOTKEY, (WPARAM)-1, 0, 0},
      {WMA_HOTKEY, 1025, 0, 0},
      {WMA_WINKEYDOWN, 0x5B, 0, 1},
      {WMA_WINKEYDOWN, 0x1005B, 0, 0},
      {WMA_WINKEYUP, 0x5C, 1, 1},
      {WMA_WINKEYUP, 0x5C, 2, 0},
      {WMA_CLOSESUBMENUS, 0, 0, 1},
      {WMA_CLOSESUBMENUS, 63, 0, 1},
      {WMA_CLOSESUBMENUS, 64, 0, 0},
      {WMA_CLOSESUBMENUS, (WPARAM)-1, 0, 0},
      {WMA_SELECTSKIN, (WPARAM)foreign, 0, 0},
      {WMA_SELECTSKIN, (WPARAM)g_App.Wnd.SkinRequest, 0, 1},
      {WMA_SELECTSKIN, 0, 0, 0},
      {WMA_OPENLOCATION, (WPARAM)foreign, 0, 0},
      {WMA_OPENLOCATION, 0, 0, 0},
      {WMA_TRAY, 101, WM_RBUTTONUP, 1},
      {WMA_TRAY, 101, WM_MOUSEMOVE, 1},
      {WMA_TRAY, 102, WM_RBUTTONUP, 0},
      {WMA_TRAY, 101, WM_KEYDOWN, 0},
      {WMA_ADMINERROR, 3, 0, 1},
      {WMA_ADMINERROR, 4, 0, 0},
      {WMA_SHOWLAUNCHER, 0xFFFFFFFF, -1, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Want, IsPrivateMessageValid(c.Message, c.W, c.L)) << "case " << (&c - cases);
}

// Requests that name pages, buttons and hot-key rows against a real store.
TEST_F(MainWndTest, RequestsCheckedAgainstTheStore) {
  ClearItemStore();
  for (const wchar_t* name : {L"P1", L"P2", L"P3"}) ASSERT_GE(AddPage(name), 0);
  NewButtonTemplate t{};
  t.Button.Type = 1;
  t.Button.Name = StoreDupString(L"b");
  t.Control = NBT_KEEP_FIELDS;
  ButtonInfo* b = AddButton(&t, 1);
  ASSERT_NE(nullptr, b);

  EXPECT_EQ(1, IsPrivateMessageValid(WMA_OPENLOCATION, (WPARAM)b, 0x2000));
  EXPECT_EQ(0, IsPrivateMessageValid(WMA_OPENLOCATION, (WPARAM)b + 8, 0x2000));
  EXPECT_EQ(0, IsPrivateMessageValid(WMA_OPENLOCATION, (WPARAM)&g_App.Store, 0x2000));

  HotKeyEntry rows[3] = {};
  g_App.Store.Refs.HotKeys.Rows = rows;
  g_App.Store.Refs.HotKeys.Count = 2;
  EXPECT_EQ(1, IsPrivateMessageValid(WMA_HOTKEY, 2, 0));
  EXPECT_EQ(0, IsPrivateMessageValid(WMA_HOTKEY, 3, 0));
  g_App.Store.Refs.HotKeys.Rows = nullptr;
  g_App.Store.Refs.HotKeys.Count = 0;

  // A second start's page: taken when it exists, ignored otherwise.
  SendMessageW(window_, WMA_SHOWLAUNCHER, MAKEWPARAM(0x205, 2), 0);
  EXPECT_EQ(2, g_App.Store.CurrentPage);
  EXPECT_EQ(2, g_App.Settings.LastPage);
  SendMessageW(window_, WMA_SHOWLAUNCHER, MAKEWPARAM(0x205, 3), 0);
  SendMessageW(window_, WMA_SHOWLAUNCHER, MAKEWPARAM(0x205, 0x8001), 0);
  EXPECT_EQ(2, g_App.Store.CurrentPage);
  SendMessageW(window_, WMA_SHOWLAUNCHER, MAKEWPARAM(0x205, 0xFFFF), 0);
  EXPECT_EQ(2, g_App.Store.CurrentPage);
  ClearItemStore();
}

TEST_F(MainWndTest, SkinRequestsUseTheOwnBuffer) {
  EXPECT_EQ(1, QueueSkinSelection(L"Glass"));
  EXPECT_STREQ(L"Glass", g_App.Wnd.SkinRequest);
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, window_, WMA_SELECTSKIN, WMA_SELECTSKIN, PM_REMOVE));
  EXPECT_EQ((WPARAM)g_App.Wnd.SkinRequest, msg.wParam);
  // Refused while a dialog or a menu is open.
  g_App.OpenDialogs[0] = window_;
  g_App.OpenDialogCount = 1;
  EXPECT_EQ(0, QueueSkinSelection(L"Other"));
  g_App.OpenDialogCount = 0;
  g_App.UiStateFlags |= 1;
  EXPECT_EQ(0, QueueSkinSelection(L"Other"));
  EXPECT_STREQ(L"Glass", g_App.Wnd.SkinRequest);
}

TEST_F(MainWndTest, WaitForForegroundGivesUp) {
  HWND hidden = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  extra_.push_back(hidden);
  DWORD start = GetTickCount();
  EXPECT_EQ(0, WaitForForeground(hidden, 1000));
  DWORD took = GetTickCount() - start;
  EXPECT_GE(took, 1000u);
  EXPECT_LE(took, 1300u);

  ShowLauncher(SHOW_LAST_POSITION, 0, 0, 0xFFFF, 1);
  SetForegroundWindow(window_);
  start = GetTickCount();
  EXPECT_EQ(1, WaitForForeground(window_, 1000));
  EXPECT_LE(GetTickCount() - start, 100u);
}

TEST_F(MainWndTest, TypedKeysGoToTheSearchBox) {
  HWND search = CreateWindowExW(0, kSearchWndClass, L"", WS_POPUP, 200, 200, 200, 30, window_, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  HWND edit = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 30, search, nullptr,
                              nullptr, nullptr);
  extra_.push_back(search);
  ShowLauncher(SHOW_LAST_POSITION, 0, 0, 0xFFFF, 1);

  // Switched off, or not a printable character: nothing arrives.
  SendMessageW(window_, WM_CHAR, 'a', 1);
  g_App.Settings.KeyboardOption = 0x4;
  SendMessageW(window_, WM_CHAR, ' ', 1);
  Pump();
  wchar_t text[16];
  GetWindowTextW(edit, text, 16);
  EXPECT_STREQ(L"", text);
  EXPECT_FALSE(g_App.Settings.Status & STATUS_SEARCH);

  SendMessageW(window_, WM_CHAR, 'a', 1);
  Pump();
  GetWindowTextW(edit, text, 16);
  EXPECT_STREQ(L"a", text);
  EXPECT_TRUE(g_App.Settings.Status & STATUS_SEARCH);
}

// Session end (whether or not the session really ends) and suspend write
// pending settings to the data folder; with nothing pending nothing is written.
TEST_F(MainWndTest, SessionEndAndSuspendAnswer) {
  TempDir data;
  MessageRecorder messages;
  wcscpy(g_App.DataFolderPath, data.Path.c_str());
  std::wstring file = data.File(L"Vantrel.ini");
  struct Case {
    UINT Message;
    WPARAM WParam;
    int Pending;
    LRESULT Answer;
  } cases[] = {
      {WM_ENDSESSION, FALSE, 1, 0},
      {WM_ENDSESSION, TRUE, 1, 0},
      {WM_POWERBROADCAST, PBT_APMSUSPEND, 1, TRUE},
      {WM_ENDSESSION, FALSE, 0, 0},
      {WM_POWERBROADCAST, PBT_APMSUSPEND, 0, TRUE},
  };
  for (const Case& c : cases) {
    DeleteFileW(file.c_str());
    g_App.Settings.PendingSave = c.Pending;
    EXPECT_EQ(c.Answer, SendMessageW(window_, c.Message, c.WParam, 0)) << c.Message << " " << c.WParam;
    EXPECT_EQ(c.Pending != 0, GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES)
        << c.Message << " " << c.WParam << " pending " << c.Pending;
    EXPECT_EQ(0, g_App.Settings.PendingSave);
  }
  EXPECT_TRUE(messages.Calls.empty());
  EXPECT_TRUE(IsWindow(window_)) << "a session end that is called off leaves the launcher running";
  EXPECT_EQ(0u, g_App.Wnd.PowerState & 7);
  EXPECT_EQ(TRUE, SendMessageW(window_, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0));
  EXPECT_EQ(3u, g_App.Wnd.PowerState & 7);
  g_App.DataFolderPath[0] = 0;
}

// --- an open shell context menu gets the menu messages of the window ---

// A shell folder whose items have a context menu with one owner-drawn
// entry; the menu notes the messages passed on to it.
std::vector<UINT> g_ForwardedToMenu;

class FakeShellMenu : public IContextMenu3 {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IContextMenu || iid == IID_IContextMenu2 || iid == IID_IContextMenu3) {
      *out = static_cast<IContextMenu3*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override { return --refs_; }
  STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT first, UINT, UINT) override {
    InsertMenuW(menu, index, MF_BYPOSITION | MF_OWNERDRAW, first, nullptr);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
  }
  STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO*) override { return S_OK; }
  STDMETHODIMP GetCommandString(UINT_PTR, UINT, UINT*, CHAR*, UINT) override { return E_NOTIMPL; }
  STDMETHODIMP HandleMenuMsg(UINT message, WPARAM wParam, LPARAM lParam) override {
    return HandleMenuMsg2(message, wParam, lParam, nullptr);
  }
  STDMETHODIMP HandleMenuMsg2(UINT message, WPARAM, LPARAM, LRESULT* result) override {
    g_ForwardedToMenu.push_back(message);
    if (message == WM_MEASUREITEM || message == WM_DRAWITEM) {
      if (result) *result = TRUE;
    } else if (result) {
      *result = message == WM_MENUCHAR ? MAKELRESULT(0, MNC_CLOSE) : 0;
    }
    return S_OK;
  }
  ULONG refs_ = 1;
};

class FakeDesktop : public IShellFolder {
 public:
  explicit FakeDesktop(FakeShellMenu* menu) : menu_(menu) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IShellFolder) {
      *out = this;
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*, ULONG*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
  STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP CompareIDs(LPARAM, PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) override { return E_NOTIMPL; }
  STDMETHODIMP CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP GetAttributesOf(UINT, PCUITEMID_CHILD_ARRAY, SFGAOF*) override { return E_NOTIMPL; }
  STDMETHODIMP GetUIObjectOf(HWND, UINT, PCUITEMID_CHILD_ARRAY, REFIID iid, UINT*, void** out) override {
    return menu_->QueryInterface(iid, out);
  }
  STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD, SHGDNF, STRRET*) override { return E_NOTIMPL; }
  STDMETHODIMP SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override { return E_NOTIMPL; }
  FakeShellMenu* menu_;
};

struct MenuAnswers {
  LRESULT MenuChar = -1;
  LRESULT Measure = -1;
};
MenuAnswers g_MenuAnswers;

void CALLBACK AskWhileMenuOpen(HWND w, UINT, UINT_PTR id, DWORD) {
  KillTimer(w, id);
  MEASUREITEMSTRUCT mis = {};
  mis.CtlType = ODT_MENU;
  g_MenuAnswers.Measure = SendMessageW(w, WM_MEASUREITEM, 0, (LPARAM)&mis);
  g_MenuAnswers.MenuChar = SendMessageW(w, WM_MENUCHAR, 'x', 0);
  EndMenu();
}

TEST_F(MainWndTest, AnOpenShellMenuGetsTheMenuMessages) {
  FakeShellMenu menu;
  FakeDesktop desktop(&menu);
  IShellFolder* savedDesktop = g_App.Core.DesktopFolder;
  g_App.Core.DesktopFolder = &desktop;
  g_ForwardedToMenu.clear();
  g_MenuAnswers = MenuAnswers();
  BYTE item[6] = {4, 0, 'a', 'b', 0, 0};  // one item of 4 bytes, then the end
  LPCITEMIDLIST child = (LPCITEMIDLIST)item;
  SetTimer(window_, 77, 200, AskWhileMenuOpen);
  ShellContextMenu(nullptr, &child, 1, window_, POINT{40, 40});
  auto seen = [](UINT m) {
    for (UINT x : g_ForwardedToMenu)
      if (x == m) return true;
    return false;
  };
  EXPECT_TRUE(seen(WM_INITMENUPOPUP));  // sent by the menu itself
  EXPECT_TRUE(seen(WM_MEASUREITEM));
  EXPECT_TRUE(seen(WM_MENUCHAR));
  EXPECT_EQ(TRUE, g_MenuAnswers.Measure);
  EXPECT_EQ(MAKELRESULT(0, MNC_CLOSE), g_MenuAnswers.MenuChar);  // the menu's answer, not ours
  // Closed: the window answers for itself again.
  g_ForwardedToMenu.clear();
  SendMessageW(window_, WM_MENUCHAR, 'x', 0);
  EXPECT_TRUE(g_ForwardedToMenu.empty());
  g_App.Core.DesktopFolder = savedDesktop;
}

// --- on a drawn window: gestures, the menu key, display changes ---

std::vector<std::string> g_Launched;
void RecordLaunch(ButtonInfo* b, int flags, POINT*) {
  char f[16];
  wsprintfA(f, " %x", flags);
  std::string name;
  for (const wchar_t* c = b && b->Name ? b->Name : L"?"; *c; ++c) name += (char)*c;
  g_Launched.push_back(name + f);
}

class DrawnWindowTest : public SceneWindowTest {
 protected:
  RenderScene Scene() override { return RenderScene{4, 3}; }
  void SetUp() override {
    SceneWindowTest::SetUp();
    g_Launched.clear();
    g_InputOutlets.LaunchItem = RecordLaunch;
  }
  static RECT PrimaryMonitor() {
    POINT origin = {0, 0};
    MONITORINFO mi = {sizeof mi};
    GetMonitorInfoW(MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), &mi);
    return mi.rcMonitor;
  }
};

TEST_F(DrawnWindowTest, CircleGestureShowsItsPageWhereDispPositionSays) {
  CircleGestureSettings& row = g_App.Store.Refs.Circle[0];
  row.Page = LIST_NONE;
  row.Button = 3;
  g_App.Settings.ShowPosX = 40;
  g_App.Settings.ShowPosY = 50;
  // Circle bits 8..11 of DispPosition: bit 10 centres on the primary monitor.
  g_App.Settings.DispPosition = 0x400;
  g_App.Settings.Option1 = 0;
  PostMessageW(Window(), WMA_MOUSECIRCLE, 0, 0);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_TRUE(IsWindowVisible(Window()));
  EXPECT_EQ(3, g_App.Store.CurrentPage);
  RECT r, m = PrimaryMonitor();
  GetWindowRect(Window(), &r);
  EXPECT_NEAR((m.right - m.left) / 2, (r.left + r.right) / 2, 1);
  EXPECT_NEAR((m.bottom - m.top) / 2, (r.top + r.bottom) / 2, 1);
  EXPECT_EQ(0, g_App.Wnd.AutoHide);
  EXPECT_TRUE(g_Launched.empty());

  // Bit 11: at the show point, here with auto-hide (Option1 0x8000); the
  // index 0xFFFF keeps the page.
  row.Button = LIST_NONE;
  g_App.Settings.DispPosition = 0x800;
  g_App.Settings.Option1 = 0x8000;
  SendMessageW(Window(), WMA_MOUSECIRCLE, 0, 0);
  GetWindowRect(Window(), &r);
  EXPECT_EQ(40, r.left);
  EXPECT_EQ(50, r.top);
  EXPECT_EQ(3, g_App.Store.CurrentPage);
  EXPECT_NE(0, g_App.Wnd.AutoHide);
}

TEST_F(DrawnWindowTest, CircleGestureLaunchesItsButton) {
  g_App.Store.Refs.Circle[1].Page = 0;
  g_App.Store.Refs.Circle[1].Button = 1;
  g_App.Store.Refs.Circle[0].Page = 0;
  g_App.Store.Refs.Circle[0].Button = 7;  // no such button
  SendMessageW(Window(), WMA_MOUSECIRCLE, 0, 0);
  SendMessageW(Window(), WMA_MOUSECIRCLE, 1, 0);
  ASSERT_EQ(1u, g_Launched.size());
  EXPECT_EQ("Button 2 80", g_Launched[0]);
  EXPECT_FALSE(IsWindowVisible(Window()));
}

// Where the popup menu opened, and closes it.
POINT g_MenuAt;
int g_MenuSeen;
void CALLBACK NoteMenu(HWND w, UINT, UINT_PTR id, DWORD) {
  HWND menu = FindWindowW(L"#32768", nullptr);
  if (!menu || !IsWindowVisible(menu)) return;
  KillTimer(w, id);
  RECT r;
  GetWindowRect(menu, &r);
  g_MenuAt = POINT{r.left, r.top};
  g_MenuSeen++;
  EndMenu();
}

TEST_F(DrawnWindowTest, MenuKeyOpensTheMenuAtTheButtonAreaOrTheCurrentCell) {
  SetWindowPos(Window(), nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(Window(), SW_SHOWNA);
  const RECT& area = g_App.Skin.Slots[SLOT_BUTTONAREA].Target;
  g_App.Store.HoverCell = -1;
  g_MenuSeen = 0;
  SetTimer(Window(), 77, 50, NoteMenu);
  SendMessageW(Window(), WM_CONTEXTMENU, (WPARAM)Window(), -1);
  ASSERT_EQ(1, g_MenuSeen);
  EXPECT_EQ(100 + area.left, g_MenuAt.x);
  EXPECT_EQ(120 + area.top, g_MenuAt.y);
  EXPECT_FALSE(g_App.Wnd.Flags & WSF_MENU_OPEN);

  g_App.Store.HoverCell = 2;
  SetTimer(Window(), 77, 50, NoteMenu);
  SendMessageW(Window(), WM_CONTEXTMENU, (WPARAM)Window(), -1);
  ASSERT_EQ(2, g_MenuSeen);
  EXPECT_EQ(100 + (Cell(2).left + Cell(2).right) / 2, g_MenuAt.x);
  EXPECT_EQ(120 + (Cell(2).top + Cell(2).bottom) / 2, g_MenuAt.y);
  EXPECT_EQ(2, g_App.Input.LastMenuItem);

  // While a menu of the window is open the key does nothing.
  g_App.Wnd.Flags |= WSF_MENU_OPEN;
  SetTimer(Window(), 77, 50, NoteMenu);
  SendMessageW(Window(), WM_CONTEXTMENU, (WPARAM)Window(), -1);
  KillTimer(Window(), 77);
  EXPECT_EQ(2, g_MenuSeen);
  g_App.Wnd.Flags = 0;
  ShowWindow(Window(), SW_HIDE);
}

// The caption font's height: the fonts are made for the DPI stored.
LONG CaptionFontHeight() {
  LOGFONTW lf = {};
  GetObjectW(g_App.Design.ViewMode[0].Fonts[0].Font, sizeof lf, &lf);
  return lf.lfHeight;
}

// Fonts made for another DPI than the window's monitor has.
void MakeFontsFor(int dpi) {
  g_App.Design.Dpi = dpi;
  for (int i = 0; i < FONT_COUNT; i++) RecreateFont(i, 0);
}

TEST_F(DrawnWindowTest, DisplayAndDpiChangesLayTheWindowOutAgain) {
  const int dpi = g_App.Design.Dpi;
  const LONG height = CaptionFontHeight();
  RECT r;
  GetWindowRect(Window(), &r);
  const int width = r.right - r.left;
  MakeFontsFor(dpi * 3 / 2);
  ASSERT_NE(height, CaptionFontHeight());
  SendMessageW(Window(), WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
  EXPECT_EQ(dpi, g_App.Design.Dpi);
  EXPECT_EQ(height, CaptionFontHeight());
  EXPECT_FALSE(g_App.RunState & RS_DPI_RELAYOUT);

  // WM_DPICHANGED: the same, but not while a re-layout runs.
  MakeFontsFor(dpi * 3 / 2);
  InterlockedOr(&g_App.RunState, RS_DPI_RELAYOUT);
  EXPECT_EQ(0, SendMessageW(Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0));
  EXPECT_EQ(dpi * 3 / 2, g_App.Design.Dpi);
  InterlockedAnd(&g_App.RunState, ~RS_DPI_RELAYOUT);
  EXPECT_EQ(0, SendMessageW(Window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), 0));
  EXPECT_EQ(dpi, g_App.Design.Dpi);
  EXPECT_EQ(height, CaptionFontHeight());

  // Same DPI: a display change (or a new work area) applies the design
  // again, with the fonts it has.
  HFONT font = g_App.Design.ViewMode[0].Fonts[0].Font;
  g_App.Design.ViewMode[0].ButtonNumX += 1;
  SendMessageW(Window(), WM_SETTINGCHANGE, SPI_SETWORKAREA, 0);
  GetWindowRect(Window(), &r);
  EXPECT_GT(r.right - r.left, width);
  EXPECT_EQ(font, g_App.Design.ViewMode[0].Fonts[0].Font);
  // Other settings changes leave the window alone.
  g_App.Design.ViewMode[0].ButtonNumX -= 1;
  SendMessageW(Window(), WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0);
  RECT same;
  GetWindowRect(Window(), &same);
  EXPECT_EQ(r.right - r.left, same.right - same.left);
}

// --- activation of the application ---

int g_SuspendSends;
void WINAPI CountSuspendSends(int kind, void*, void*) {
  if (kind == DLLDATA_SUSPEND) g_SuspendSends++;
}

TEST_F(MainWndTest, LosingActivationCancelsAPressAndRefreshesTheHooks) {
  HookBindings savedHook = g_Hook;
  g_Hook.SetDllData = CountSuspendSends;
  g_SuspendSends = 0;
  g_App.Hooks.SuspendSent = 0;
  g_App.RunState |= RS_HOOKS_ON;
  g_App.Input.Press = PRESS_LEFT | 4;
  g_App.Input.PressCell = 4;
  SendMessageW(window_, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(0u, g_App.Input.Press & PRESS_KINDS);
  EXPECT_EQ(-1, g_App.Input.PressCell);
  EXPECT_EQ(1, g_SuspendSends);
  g_Hook = savedHook;
}

TEST_F(MainWndTest, TranslucentInTheBackgroundOpaqueInFront) {
  HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 500, 500, 20, 20, nullptr, nullptr, nullptr,
                               nullptr);
  extra_.push_back(other);
  ShowWindow(window_, SW_SHOWNA);
  g_App.Settings.Alpha = 128;
  g_App.Settings.DispOption = 0x2;
  g_App.Render.Alpha = 255;
  SetForegroundWindow(other);
  SendMessageW(window_, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(128, g_App.Render.Alpha);
  SetForegroundWindow(window_);
  SendMessageW(window_, WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_EQ(255, g_App.Render.Alpha);
  // Without the option the setting holds either way.
  g_App.Settings.DispOption = 0;
  SetForegroundWindow(other);
  SendMessageW(window_, WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(255, g_App.Render.Alpha);
}

// --- sub-menu focus ---

TEST(SubMenuFocus, ClosesOnlyWhenNothingHoldsTheMenus) {
  struct Case {
    int Dialog;
    DWORD Since;
    int Front, Cursor;
    int Want;
  } cases[] = {
      {0, 400, 0, 0, 1}, {0, 5000, 0, 0, 1}, {1, 5000, 0, 0, 0},
      {0, 399, 0, 0, 0}, {0, 5000, 1, 0, 0}, {0, 5000, 0, 1, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.Want, ShouldCloseSubMenus(c.Dialog, c.Since, c.Front, c.Cursor)) << "case " << (&c - cases);
}

TEST_F(MainWndTest, FocusCheckClosesAnOpenSubMenuTheUserLeft) {
  // Nothing open: nothing to close.
  CheckSubMenuFocus();
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, window_, WMA_CLOSESUBMENUS, WMA_CLOSESUBMENUS, PM_REMOVE));
  // A sub-menu window away from the cursor, opened long ago.
  POINT pt;
  GetCursorPos(&pt);
  HWND menu = CreateWindowExW(WS_EX_TOOLWINDOW, kSubMenuWndClass, L"", WS_POPUP, pt.x + 200 > 900 ? 10 : pt.x + 200,
                              10, 50, 50, window_, nullptr, GetModuleHandleW(nullptr), nullptr);
  extra_.push_back(menu);
  ShowWindow(menu, SW_SHOWNA);
  g_App.Wnd.SubMenuOpenedTick = GetTickCount() - 1000;
  CheckSubMenuFocus();
  ASSERT_TRUE(PeekMessageW(&msg, window_, WMA_CLOSESUBMENUS, WMA_CLOSESUBMENUS, PM_REMOVE));
  EXPECT_EQ(0u, msg.wParam);
  // Just opened: it stays.
  g_App.Wnd.SubMenuOpenedTick = GetTickCount();
  CheckSubMenuFocus();
  EXPECT_FALSE(PeekMessageW(&msg, window_, WMA_CLOSESUBMENUS, WMA_CLOSESUBMENUS, PM_REMOVE));
  // The launcher window coming to the front checks too.
  g_App.Wnd.SubMenuOpenedTick = GetTickCount() - 1000;
  g_App.Wnd.Flags |= WSF_SUBMENU_OPEN;
  ShowWindow(window_, SW_SHOWNA);
  SendMessageW(window_, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_TRUE(PeekMessageW(&msg, window_, WMA_CLOSESUBMENUS, WMA_CLOSESUBMENUS, PM_REMOVE));
  g_App.Wnd.Flags = 0;
}

}  // namespace
