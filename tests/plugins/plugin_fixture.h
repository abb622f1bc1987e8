// A program folder of its own with Plugins\ and a data folder, the sample
// plug-ins copied in under the names a test picks; the host emptied after.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugins/host.h"
#include "state.h"
#include "support/test_support.h"

class PluginHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_App;
    Program = Temp.Path + L"\\Prog";
    Plugins = Program + L"\\Plugins";
    Data = Temp.Path + L"\\Data";
    ASSERT_TRUE(CreateDirectoryW(Program.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Plugins.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(Data.c_str(), nullptr));
    wcscpy(g_App.ProgramPath, (Program + L"\\Vantrel.exe").c_str());
    wcscpy(g_App.DataFolderPath, Data.c_str());
    g_App.MainWnd = nullptr;
    g_App.Plugins = nullptr;
  }
  void TearDown() override {
    FreePluginProbeList();
    UnloadAllPlugins();
    delete g_App.Plugins;
    g_App = saved_;
  }

  // Plugins\<name> from fixtures/plugins/Sample_<kind>.dll.
  void Install(const wchar_t* kind, const std::wstring& name) {
    std::wstring from = std::wstring(VN_PLUGIN_FIXTURES) + L"\\Sample_" + kind + L".dll";
    ASSERT_TRUE(CopyFileW(from.c_str(), (Plugins + L"\\" + name).c_str(), FALSE)) << kind;
  }
  // The lines the sample plug-in wrote to Plugins\<name>.log.
  std::vector<std::string> Log(const std::wstring& name) {
    std::string bytes = ReadFileBytes(Plugins + L"\\" + name + L".log");
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(bytes.substr(start, end - start));
    return lines;
  }
  // Only the "event ..." lines, in order.
  std::vector<std::string> Events(const std::wstring& name) {
    std::vector<std::string> out;
    for (auto& l : Log(name))
      if (l.rfind("event ", 0) == 0) out.push_back(l.substr(6));
    return out;
  }
  bool Loaded(const std::wstring& name) {
    return GetModuleHandleW((Plugins + L"\\" + name).c_str()) != nullptr;
  }
  int Count() { return g_App.Plugins ? (int)g_App.Plugins->List.size() : 0; }

  TempDir Temp;
  std::wstring Program, Plugins, Data;

 private:
  AppState saved_;
};
