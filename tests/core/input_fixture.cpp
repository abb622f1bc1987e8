#include "input_fixture.h"

#include <stdio.h>

InputLog g_InputLog;

static std::string Narrow(const wchar_t* w) {
  std::string s;
  for (; w && *w; ++w) s += (char)*w;
  return s;
}

static void RecordLaunch(ButtonInfo* b, int flags, POINT*) {
  char f[16];
  sprintf(f, "%x", flags);
  g_InputLog.Launches.push_back(Narrow(b ? b->Name : L"?") + " " + f);
}

static void RecordHover(int cell) { g_InputLog.Hover.push_back(cell); }
static void RecordOptions(int) { g_InputLog.Options++; }

void InputTest::SetUp() {
  saved_ = new AppState(g_App);
  savedStore_ = g_StoreOutlets;
  savedInput_ = g_InputOutlets;
  savedMenu_ = g_MenuEntries;
  savedSystem_ = g_SystemSeams;
  g_InputLog = InputLog();
  ClearItemStore();
  g_App.RunState = 0;
  g_App.MainWnd = nullptr;
  g_App.Wnd = MainWindowState{};
  g_App.Settings = SettingsState{};
  g_App.Core.RunningWork = 0;
  ResetInputState();
  g_StoreOutlets = StoreOutlets();
  g_InputOutlets = InputOutlets();
  g_InputOutlets.LaunchItem = RecordLaunch;
  g_InputOutlets.SetHoverButton = RecordHover;
  g_MenuEntries = MenuEntryPoints();
  g_MenuEntries.OptionsDialog = RecordOptions;
  S().Set = StoreSettings();
  for (ViewModeDesign& d : g_App.Design.ViewMode) {
    d.Flag = 0;
    d.ButtonNumX = 4;
    d.ButtonNumY = 3;
  }
}

void InputTest::TearDown() {
  StopDelayedLaunches(3000);
  ClearItemStore();
  g_StoreOutlets = savedStore_;
  g_InputOutlets = savedInput_;
  g_MenuEntries = savedMenu_;
  g_SystemSeams = savedSystem_;
  g_App = *saved_;
  delete saved_;
}

void InputTest::MakePages(int n) {
  for (int i = 0; i < n; i++) {
    wchar_t name[8];
    swprintf(name, 8, L"P%d", i + 1);
    ASSERT_EQ(i, AddPage(name));
  }
  S().CurrentPage = 0;
  RebuildButtonGrid(1);
}

ButtonInfo* InputTest::Add(int page, const char* name, int column, int row, UINT type) {
  NewButtonTemplate t{};
  t.Button.Type = type;
  std::wstring w(name, name + strlen(name));
  t.Button.Name = StoreDupString(w.c_str());
  t.Button.Position[0] = t.Button.Position[1] = ItemPos{column, row};
  t.Control = NBT_KEEP_FIELDS;
  ButtonInfo* b = AddButton(&t, page);
  if (!b) StoreFree(t.Button.Name);
  RebuildButtonGrid(0);
  return b;
}
