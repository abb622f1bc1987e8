// The launcher's real start-up, run in this process from a program folder
// of its own: after InitLauncher every entry of every table of calls into
// neighbours and platform seams must be filled. A table entry that only a
// test fills is a path the shipped program never takes.
#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "core/commands.h"
#include "core/eventlists.h"
#include "core/hookbind.h"
#include "core/hookctl.h"
#include "core/launch.h"
#include "core/menucmd.h"
#include "core/showhide.h"
#include "core/startup.h"
#include "core/ticker.h"
#include "core/tray.h"
#include "core/triggers.h"
#include "dialogs/dialoghelpers.h"
#include "render/iconcache.h"
#include "render/layout.h"
#include "render/skinxml.h"
#include "plugins/host.h"
#include "state.h"
#include "store/backup.h"
#include "store/ini.h"
#include "store/outlets.h"
#include "support/message_recorder.h"
#include "support/test_support.h"

namespace {

struct Table {
  const char* Name;
  const void* Address;
  size_t Bytes;
  std::vector<const char*> Fields;  // in declaration order
};

// Every table of function pointers the launcher calls through, with its
// fields; the count check below catches a field added without a name here.
std::vector<Table> Tables() {
  return {
      {"StoreOutlets", &g_StoreOutlets, sizeof g_StoreOutlets,
       {"SavePages", "WriteSettings", "SaveIconCache", "RepaintMainWindow", "DrawButton", "CalcMainWindowLayout",
        "LayoutTabs", "BuildTabImages", "BuildBackgroundBitmaps", "SelectPage", "HideTooltip", "ResetCaption",
        "UpdateCursor", "PostResearch", "ShowSubMenuWindow", "_VnSetDllData", "BroadcastPluginEvent",
        "RemoveWatchEntries", "RegisterItemDialog", "OpenItemProperties", "ClassifyItemTarget", "GetItemIcon", "StopSearch"}},
      {"InputOutlets", &g_InputOutlets, sizeof g_InputOutlets,
       {"LaunchItem", "GetItemFromPoint", "IsPointInItemArea", "HitTestSizing", "HitTestSkinPart", "GetCellRect",
        "SetHoverButton", "SetHoverTab", "ApplyDesign", "CloseSubMenus", "ShowHelpTopic"}},
      {"TickerOutlets", &g_TickerOutlets, sizeof g_TickerOutlets,
       {"CheckHotEdge", "CheckHoldAction", "CheckSubMenuFocus", "EndDrag", "ReleaseGuardExpired",
        "ClearReleaseBits"}},
      {"TrayOutlets", &g_TrayOutlets, sizeof g_TrayOutlets,
       {"DispatchTrayClick", "HasTrayDoubleClick", "ShowTrayMenu"}},
      {"MenuEntryPoints", &g_MenuEntries, sizeof g_MenuEntries,
       {"AboutDialog", "LanguageDialog", "HotkeyListDialog", "OptionsDialog", "AddPageDialog", "UpdateAllIcons",
        "ShowBalloon", "SetTrayState", "SetHooks", "RefreshAppHookState", "ToggleSearchWindow",
        "RelayoutSearchWindow", "OpenItemLocation", "ShowItemContextMenu", "OpenSubMenu", "TrayBusyAnimation"}},
      {"LaunchPlatform", &g_LaunchPlatform, sizeof g_LaunchPlatform,
       {"GetElevation", "ShellExecuteExW", "ShellExecuteViaDesktop", "CreateProcessW", "CreateProcessWithTokenW",
        "ActivateApplication", "ConfirmManyFiles", "StartDelayedLaunches", "RunPowerCommand", "RunSpecialCommand",
        "OpenSubMenu", "PluginItemEvent", "SetTrayBusy", "GetButtonScreenRect", "GetDropPoint", "ResetPageScroll",
        "CreateThread", "ShortcutTarget", "SetHooks"}},
      {"TriggerPlatform", &g_TriggerPlatform, sizeof g_TriggerPlatform,
       {"Tick", "Show", "Launch", "SetTimer", "KillTimer", "Post", "DoubleClickTime", "Metric", "WindowAt",
        "NcHitTest", "PtOnEdge", "ExplorerPlace", "ScreenToClient", "KeyState", "SuspendWord", "ModifierState",
        "OpenInSubMenu", "EndKeepAwake"}},
      {"SystemSeams", &g_SystemSeams, sizeof g_SystemSeams,
       {"ExitSession", "SuspendState", "EmptyRecycleBin", "MonitorOff", "StartScreenSaver", "SystemParameters",
        "EnablePrivilege", "Sleep", "HtmlHelp"}},
      {"ShowHideSeams", &g_ShowHideSeams, sizeof g_ShowHideSeams, {"GetCursorPos", "GetMonitors"}},
      {"LayoutSeams", &g_LayoutSeams, sizeof g_LayoutSeams, {"MeasureText", "RefreshImages"}},
      {"IconCacheSeams", &g_IconCacheSeams, sizeof g_IconCacheSeams, {"WriteFile"}},
      {"SkinXmlSeams", &g_SkinXmlSeams, sizeof g_SkinXmlSeams, {"LoadSlotImage", "ScreenBitsPerPixel"}},
      {"DialogSeams", &g_DialogSeams, sizeof g_DialogSeams,
       {"MessageBoxFn", "GetOpenFileNameFn", "GetSaveFileNameFn", "ShellExecuteExFn"}},
      {"BackupSeams", &g_BackupSeams, sizeof g_BackupSeams, {"Today", "SetTrayBusy"}},
      {"IniWriteFile", &g_IniWriteFile, sizeof g_IniWriteFile, {"WriteFile"}},
      {"HotKeyRowHandler", &g_HotKeyRowHandler, sizeof g_HotKeyRowHandler, {"Handler"}},
      {"HookBindings", &g_Hook, sizeof g_Hook,
       {"Module", "GetDllVersion", "SetDllData", "OperateMouseHook", "OperateKeyboardHook", "SetAdminReq",
        "ClearAdminReq", "CheckPtOnEdge", "IsExplorerWindow"}},
      {"PluginHostSeams", &g_PluginHostSeams, sizeof g_PluginHostSeams,
       {"LoadLibraryW", "GetProcAddress", "FreeLibrary"}},
  };
}

// Entries whose neighbour is not part of the program yet (dialogs, drag
// and drop): each must still be empty, so that this list shrinks as they
// arrive.
const std::set<std::string> kNotBuiltYet = {
    // Dialogs.
    "StoreOutlets.RegisterItemDialog", "StoreOutlets.OpenItemProperties", "MenuEntryPoints.AddPageDialog",
    // Drag and drop, and operations on dropped files.
    "LaunchPlatform.GetDropPoint", "MenuEntryPoints.OpenItemLocation",
};

class StartedLauncher : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new TempDir;
    CopyFileW(BuildFile(L"VnHook.dll").c_str(), dir_->File(L"VnHook.dll").c_str(), FALSE);
    CreateDirectoryW(dir_->File(L"Data").c_str(), nullptr);
    wcscpy(g_App.ProgramPath, dir_->File(L"Vantrel.exe").c_str());
    wcscpy(g_App.DataFolderPath, dir_->File(L"Data").c_str());
    messages_ = new MessageRecorder;
    HINSTANCE self = GetModuleHandleW(nullptr);
    classes_ = RegisterWindowClasses(self);
    // Hooks loaded but off: nothing of this test reaches other programs.
    started_ = classes_ && InitLauncher(self, L"/nh");
  }
  static void TearDownTestSuite() {
    if (g_App.MainWnd) DestroyWindow(g_App.MainWnd);
    ShutdownLauncher(started_);
    delete messages_;
    delete dir_;
  }
  static TempDir* dir_;
  static MessageRecorder* messages_;
  static int classes_, started_;
};
TempDir* StartedLauncher::dir_;
MessageRecorder* StartedLauncher::messages_;
int StartedLauncher::classes_, StartedLauncher::started_;

TEST_F(StartedLauncher, StartsWithoutAMessage) {
  ASSERT_TRUE(classes_);
  ASSERT_TRUE(started_);
  ASSERT_NE(nullptr, g_App.MainWnd);
  EXPECT_TRUE(messages_->Calls.empty()) << "message " << messages_->Calls[0].Id;
  // The shell tells the window of Recycle Bin changes.
  EXPECT_NE(0u, g_App.Ticker.RecycleBinWatch);
}

TEST_F(StartedLauncher, EveryTableEntryIsFilled) {
  ASSERT_TRUE(started_);
  std::set<std::string> seen;
  for (const Table& t : Tables()) {
    ASSERT_EQ(t.Bytes, t.Fields.size() * sizeof(void*)) << t.Name << ": a field has no name in this test";
    const void* const* slot = static_cast<const void* const*>(t.Address);
    for (size_t i = 0; i < t.Fields.size(); ++i) {
      std::string name = std::string(t.Name) + "." + t.Fields[i];
      seen.insert(name);
      if (kNotBuiltYet.count(name))
        EXPECT_EQ(nullptr, slot[i]) << name << " is filled now: take it off the list of neighbours not built";
      else
        EXPECT_NE(nullptr, slot[i]) << name << " is empty after the real start-up";
    }
  }
  for (const std::string& name : kNotBuiltYet) EXPECT_TRUE(seen.count(name)) << name << " names no entry";
}

}  // namespace
