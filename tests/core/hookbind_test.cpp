#include "core/hookbind.h"

#include <gtest/gtest.h>

#include <string>

#include "state.h"
#include "resources/resource.h"
#include "support/message_recorder.h"
#include "support/test_support.h"

namespace {

// A program folder of its own; VnHook.dll there is one of the stand-ins.
class HookBindTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_App;
    wsprintfW(g_App.ProgramPath, L"%s\\Vantrel.exe", dir_.Path.c_str());
  }
  void TearDown() override {
    LoadHookLibrary(0);
    g_App = saved_;
  }
  void Install(const wchar_t* kind) {
    std::wstring from = FixturePath((std::wstring(L"fakehook_") + kind + L".dll").c_str());
    ASSERT_TRUE(CopyFileW(from.c_str(), dir_.File(L"VnHook.dll").c_str(), FALSE)) << "fixture " << kind;
  }
  bool LibraryLoaded() { return GetModuleHandleW(dir_.File(L"VnHook.dll").c_str()) != nullptr; }

  TempDir dir_;
  AppState saved_;
};

TEST_F(HookBindTest, RefusedLibrariesTellWhyAndAreNotKept) {
  struct Case {
    const wchar_t* Kind;  // nullptr: no library at all
    int Message;
  } cases[] = {
      {nullptr, IDS_ERR_DLLLOAD},
      {L"badversion", IDS_ERR_DLLVERSION},
      {L"noexport", IDS_ERR_DLLLOAD},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    DeleteFileW(dir_.File(L"VnHook.dll").c_str());
    if (c.Kind) Install(c.Kind);
    MessageRecorder rec;
    EXPECT_EQ(0, LoadHookLibrary(1));
    ASSERT_EQ(1u, rec.Calls.size());
    EXPECT_EQ(c.Message, rec.Calls[0].Id);
    EXPECT_EQ((UINT)MB_ICONERROR, rec.Calls[0].Flags & MB_ICONMASK);
    EXPECT_EQ(nullptr, g_Hook.Module);
    EXPECT_EQ(nullptr, g_Hook.SetDllData);
    EXPECT_FALSE(LibraryLoaded());
  }
}

TEST_F(HookBindTest, BindsAllExportsAndUnloads) {
  Install(L"good");
  MessageRecorder rec;
  ASSERT_EQ(1, LoadHookLibrary(1));
  EXPECT_TRUE(rec.Calls.empty());
  EXPECT_TRUE(LibraryLoaded());
  EXPECT_NE(nullptr, g_Hook.GetDllVersion);
  EXPECT_NE(nullptr, g_Hook.SetDllData);
  EXPECT_NE(nullptr, g_Hook.OperateMouseHook);
  EXPECT_NE(nullptr, g_Hook.OperateKeyboardHook);
  EXPECT_NE(nullptr, g_Hook.SetAdminReq);
  EXPECT_NE(nullptr, g_Hook.ClearAdminReq);
  EXPECT_NE(nullptr, g_Hook.CheckPtOnEdge);
  EXPECT_NE(nullptr, g_Hook.IsExplorerWindow);
  // Loading again keeps the one binding.
  HMODULE m = g_Hook.Module;
  EXPECT_EQ(1, LoadHookLibrary(1));
  EXPECT_EQ(m, g_Hook.Module);

  EXPECT_EQ(1, LoadHookLibrary(0));
  EXPECT_EQ(nullptr, g_Hook.Module);
  EXPECT_EQ(nullptr, g_Hook.IsExplorerWindow);
  EXPECT_FALSE(LibraryLoaded());
  // Unloading what is not loaded is fine.
  EXPECT_EQ(1, LoadHookLibrary(0));
}

}  // namespace
