#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <thread>


#include "plugins/host.h"
#include "plugins/plugindata.h"
#include "plugins/vnplugin.h"
#include "plugin_fixture.h"
#include "store/items.h"

namespace {

using Lines = std::vector<std::string>;

// What one library in Plugins\ does to the loader: loaded or not, and the
// events it saw (its log stays empty when it never got a handler).
struct LoadCase {
  const char* What;
  const wchar_t* Kind;  // fixture, "text" for a text file, null for none
  int Loaded;
  Lines Events;
};

TEST_F(PluginHostTest, LoaderAcceptsOnlyAWorkingPluginOfTheVersion) {
  const LoadCase cases[] = {
      {"missing file", nullptr, 0, {}},
      {"not a PE file", L"text", 0, {}},
      {"no export", L"noexport", 0, {}},
      {"one below the version", L"old", 0, {"1 0 0", "3 0 0"}},
      {"the version exactly", L"exact", 1, {"1 0 0", "2 0 0"}},
      {"a later version", L"good", 1, {"1 0 0", "2 0 0"}},
      {"refused at PE_INIT", L"refuse", 0, {"1 0 0", "2 0 0", "3 0 0"}},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.What);
    const std::wstring name = L"P.dll";
    DeleteFileW((Plugins + L"\\" + name).c_str());
    DeleteFileW((Plugins + L"\\" + name + L".log").c_str());
    if (c.Kind && !wcscmp(c.Kind, L"text"))
      ASSERT_TRUE(WriteFileBytes(Plugins + L"\\" + name, "not a library\r\n"));
    else if (c.Kind)
      Install(c.Kind, name);
    EXPECT_EQ(c.Loaded, AddPlugin(name.c_str(), 1));
    EXPECT_EQ(c.Loaded, Count());
    EXPECT_EQ(c.Loaded ? 0 : -1, FindPlugin(name.c_str()));
    EXPECT_EQ(c.Events, Events(name));
    EXPECT_EQ(c.Loaded != 0, Loaded(name)) << "a refused library is freed";
    UnloadAllPlugins();
    EXPECT_FALSE(Loaded(name));
  }
}

TEST_F(PluginHostTest, NamesThatLeaveThePluginsFolderOrNameADeviceAreRefused) {
  Install(L"good", L"Sample.dll");
  ASSERT_TRUE(CreateDirectoryW((Plugins + L"\\sub").c_str(), nullptr));
  Install(L"good", L"sub\\Sample.dll");
  const wchar_t* names[] = {L"..\\Plugins\\Sample.dll", L"sub\\Sample.dll", L"sub/Sample.dll",
                            L"C:Sample.dll", L"Sample.dll:stream", L"", L"..", L"con.dll", L"NUL", L"com1.dll",
                            L"LPT9.x"};
  for (size_t i = 0; i < ARRAYSIZE(names); i++) {
    const wchar_t* n = names[i];
    SCOPED_TRACE(testing::Message() << "name #" << i);
    EXPECT_EQ(0, AddPlugin(n, 0));
    EXPECT_EQ(0, AddPlugin(n, 1));
    EXPECT_EQ(0, Count());
  }
  EXPECT_EQ(0, AddPlugin(nullptr, 1));
  EXPECT_EQ(-1, FindPlugin(nullptr));
  // Names that only look alike stay allowed.
  for (const wchar_t* n : {L"console.dll", L"com10.dll", L"nul1.dll"}) EXPECT_TRUE(IsPluginFileName(n)) << n;
}

TEST_F(PluginHostTest, ANameInOtherCaseIsTheSamePlugin) {
  Install(L"good", L"Sample.dll");
  ASSERT_EQ(1, AddPlugin(L"Sample.dll", 1));
  EXPECT_EQ(1, AddPlugin(L"SAMPLE.DLL", 1));
  EXPECT_EQ(1, AddPlugin(L"sample.dll", 0));
  EXPECT_EQ(1, Count());
  EXPECT_EQ(0, FindPlugin(L"sAmPlE.dLl"));
  EXPECT_EQ((Lines{"1 0 0", "2 0 0"}), Events(L"Sample.dll")) << "loaded once";
}

TEST_F(PluginHostTest, UnloadingRenumbersTheLaterPluginsInOrder) {
  for (const wchar_t* n : {L"A.dll", L"B.dll", L"C.dll"}) {
    Install(L"good", n);
    ASSERT_EQ(1, AddPlugin(n, 1));
  }
  UnloadPlugin(0);
  EXPECT_EQ((Lines{"1 0 0", "2 0 0", "3 0 0"}), Events(L"A.dll"));
  EXPECT_EQ((Lines{"1 0 0", "2 1 0", "4 0 0"}), Events(L"B.dll"));
  EXPECT_EQ((Lines{"1 0 0", "2 2 0", "4 1 0"}), Events(L"C.dll"));
  EXPECT_FALSE(Loaded(L"A.dll"));
  EXPECT_EQ(0, FindPlugin(L"B.dll"));
  EXPECT_EQ(1, FindPlugin(L"C.dll"));
  UnloadPlugin(5);
  UnloadPlugin(-1);
  EXPECT_EQ(2, Count());
  EXPECT_EQ(0, LoadPlugin(2));
  EXPECT_EQ(0, LoadPlugin(-1));
  // Exit: each told once, in load order, no renumbering, libraries freed.
  UnloadAllPlugins();
  EXPECT_EQ("3 0 0", Events(L"B.dll").back());
  EXPECT_EQ("3 0 0", Events(L"C.dll").back());
  EXPECT_EQ(4u, Events(L"C.dll").size());
  EXPECT_FALSE(Loaded(L"B.dll") || Loaded(L"C.dll"));
}

TEST_F(PluginHostTest, BroadcastSendsTheStateWordWhereItBelongsAndAndsTheResults) {
  EXPECT_EQ(1, BroadcastPluginEvent(PN_SHOWN, 77)) << "nobody listening";
  Install(L"good", L"Sample.dll");
  ASSERT_EQ(1, AddPlugin(L"Sample.dll", 1));
  g_App.Settings.Status = STATUS_PINNED | STATUS_RESTRICTED | 0x100;
  g_App.RunState = RS_HOOKS_ON;
  const int codes[] = {PN_SHOWN, PN_HIDDEN, PN_ITEMEXECUTED, PN_PAGECHANGED, PN_PAGESRESET,
                       PN_VIEWMODE, PN_PIN, PN_RESTRICT, PN_UNHOOK};
  for (int code : codes) EXPECT_EQ(1, BroadcastPluginEvent(code, 77));
  Lines got = Events(L"Sample.dll");
  got.erase(got.begin(), got.begin() + 2);
  // 0x10006: pinned, restricted, hooks active; the other bits of Status stay out.
  EXPECT_EQ((Lines{"10001 65542 0", "10002 65542 0", "10003 77 0", "10004 77 0", "10006 77 0",
                   "10008 65542 0", "10009 65542 0", "1000a 65542 0", "1000b 65542 0"}),
            got);
  g_App.RunState = 0;
  g_App.Settings.Status = STATUS_VIEWMODE2;
  EXPECT_EQ(1u, GetPluginStateWord());
}

TEST_F(PluginHostTest, ValuesWrittenDuringInitAreSavedAtOnceAndReadAtTheNextLoad) {
  Install(L"good", L"Sample.dll");
  ASSERT_EQ(1, AddPlugin(L"Sample.dll", 1));
  std::wstring file = Data + L"\\PluginData\\Sample.ini";
  std::string first = ReadFileBytes(file);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(0u, g_App.Plugins->List[0]->Flags & PRF_CHANGED);
  UnloadPlugin(0);
  ASSERT_EQ(1, AddPlugin(L"Sample.dll", 1));
  EXPECT_EQ(2, GetPluginInt(0, L"Counters", L"Starts", 0)) << "read back, counted on";
  EXPECT_STREQ(L"Sample [one]", GetPluginString(0, nullptr, L"Name"));
  Lines log = Log(L"Sample.dll");
  EXPECT_NE(std::find(log.begin(), log.end(), "svc badkey 0"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "svc wrongindex -7"), log.end());
}

TEST_F(PluginHostTest, ItemEventsReachThePluginTheItemNames) {
  Install(L"good", L"Sample.dll");
  ASSERT_EQ(1, AddPlugin(L"Sample.dll", 1));
  ButtonInfo item = {};
  wchar_t other[] = L"Other.dll", same[] = L"SAMPLE.dll";
  item.File = other;
  EXPECT_EQ(-1, PluginItemEvent(&item, PE_ITEMLAUNCH, 0x10003, 1));
  EXPECT_EQ(-1, PluginItemEvent(nullptr, PE_ITEMLAUNCH, 0x10003, 1));
  item.File = same;
  EXPECT_EQ(1, PluginItemEvent(&item, PE_ITEMLAUNCH, 0x10003, 1));
  EXPECT_EQ("6 65539 1", Events(L"Sample.dll").back());
}

// The launch thread runs PE_ITEMEXECUTE while the UI thread unloads the
// plug-in: the library must stay mapped until the call has returned.
TEST_F(PluginHostTest, UnloadDuringAnExecuteOnALaunchThreadWaitsForTheCall) {
  Install(L"good", L"Sample.dll");
  ASSERT_EQ(1, AddPlugin(L"Sample.dll", 1));
  HANDLE inside = CreateEventW(nullptr, TRUE, FALSE, L"VnSampleInsideExecute");
  ASSERT_TRUE(inside);
  wchar_t file[] = L"Sample.dll";
  ButtonInfo item = {};
  item.File = file;
  int result = 0;
  std::thread launch([&] { result = PluginItemEvent(&item, PE_ITEMEXECUTE, 0x10001, 0); });
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(inside, 5000));
  UnloadPlugin(0);
  EXPECT_EQ(0, Count());
  EXPECT_TRUE(Loaded(L"Sample.dll")) << "pinned by the running call";
  launch.join();
  CloseHandle(inside);
  EXPECT_EQ(1, result);
  EXPECT_EQ("executed 65537", Log(L"Sample.dll").back());
  EXPECT_FALSE(Loaded(L"Sample.dll"));
}

TEST_F(PluginHostTest, ACaptionLentByAPluginGoesWithIt) {
  Install(L"good", L"Sample.dll");
  ASSERT_EQ(1, AddPlugin(L"Sample.dll", 1));
  BroadcastPluginEvent(PN_SHOWN, 0);
  ASSERT_NE(nullptr, g_App.Render.CaptionText);
  EXPECT_STREQ(L"Sample plug-in caption", g_App.Render.CaptionText);
  EXPECT_NE(g_App.Render.CaptionBuffer, g_App.Render.CaptionText) << "kept without copy";
  UnloadPlugin(0);
  EXPECT_EQ(nullptr, g_App.Render.CaptionText);
}

// The Plugins options page's list: loaded plug-ins checked, usable ones
// unchecked, the rest not listed; the probed libraries go with the list.
TEST_F(PluginHostTest, ThePluginListShowsUsableLibrariesAndWhichAreLoaded) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 200, 100, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_TRUE(list);
  FillPluginList(list);
  EXPECT_EQ(0, SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) << "an empty folder";
  Install(L"good", L"A.dll");
  Install(L"exact", L"B.dll");
  Install(L"old", L"C.dll");
  Install(L"refuse", L"D.dll");
  Install(L"noexport", L"E.dll");
  ASSERT_TRUE(WriteFileBytes(Plugins + L"\\F.dll", "text"));
  ASSERT_EQ(1, AddPlugin(L"A.dll", 1));
  FillPluginList(list);
  ASSERT_EQ(2, SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  wchar_t text[300];
  for (int row = 0; row < 2; row++) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
    item.stateMask = LVIS_STATEIMAGEMASK | LVIS_SELECTED;
    item.iItem = row;
    item.pszText = text;
    item.cchTextMax = 300;
    ASSERT_TRUE(SendMessageW(list, LVM_GETITEMW, 0, (LPARAM)&item));
    // The sample fills the whole name buffer: the row shows 255 units.
    EXPECT_EQ(std::wstring(255, L'S'), text);
    EXPECT_EQ(row, (int)item.lParam);
    EXPECT_EQ(row == 0 ? 2u : 1u, (item.state & LVIS_STATEIMAGEMASK) >> 12) << "checked when loaded";
    EXPECT_EQ(row == 0, (item.state & LVIS_SELECTED) != 0);
  }
  EXPECT_STREQ(L"A.dll", GetPluginRowFileName(0));
  EXPECT_EQ(1, IsPluginRowLoaded(0));
  EXPECT_EQ(0, IsPluginRowLoaded(1));
  EXPECT_EQ(0, IsPluginRowLoaded(2));
  EXPECT_EQ((Lines{"1 0 0", "2 -1 0"}), Events(L"B.dll")) << "probed with index -1";
  EXPECT_EQ((Lines{"1 0 0", "2 -1 0", "3 0 0"}), Events(L"D.dll"));
  EXPECT_FALSE(Loaded(L"C.dll") || Loaded(L"D.dll") || Loaded(L"E.dll"));
  FreePluginProbeList();
  EXPECT_FALSE(Loaded(L"B.dll"));
  EXPECT_TRUE(Loaded(L"A.dll")) << "the loaded plug-in stays";
  EXPECT_EQ((Lines{"1 0 0", "2 0 0", "1 0 0"}), Events(L"A.dll")) << "queried, never unloaded by the page";
  DestroyWindow(list);
}

}  // namespace
