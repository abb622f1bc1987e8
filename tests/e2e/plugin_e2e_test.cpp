// The real launcher with plug-ins: the sample plug-in beside a broken one
// and one of too old an interface, its events in order, its service calls,
// its data file kept across two starts, unloaded before the program ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e/launcher_fixture.h"
#include "e2e/screen_capture.h"
#include "hooklib/vnhook.h"
#include "support/test_support.h"

namespace {

using namespace e2e;

std::vector<std::string> LogLines(const std::wstring& path) {
  std::string bytes = ReadFileBytes(path);
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(bytes.substr(start, end - start));
  return lines;
}

// Waits until the log holds a line that starts with prefix.
bool WaitForLine(const std::wstring& path, const std::string& prefix, DWORD timeoutMs = 5000) {
  DWORD start = GetTickCount();
  do {
    for (const std::string& l : LogLines(path))
      if (l.rfind(prefix, 0) == 0) return true;
    Sleep(20);
  } while (GetTickCount() - start < timeoutMs);
  return false;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

struct PluginFolder : ProgramFolder {
  PluginFolder() : ProgramFolder(true) {
    std::wstring plugins = Dir.File(L"Plugins");
    CreateDirectoryW(plugins.c_str(), nullptr);
    EXPECT_TRUE(CopyFileW(FixturePath(L"plugins\\Sample_good.dll").c_str(), (plugins + L"\\Sample.dll").c_str(), FALSE));
    EXPECT_TRUE(CopyFileW(FixturePath(L"plugins\\Sample_old.dll").c_str(), (plugins + L"\\Old.dll").c_str(), FALSE));
    EXPECT_TRUE(WriteFileBytes(plugins + L"\\Broken.dll", "MZ but nothing else"));
    // The broken one first: the sample takes index 0 when it leaves.
    SeedSettings(2,
                 L"\r\n[Plugins]\r\nCount=4\r\nPlugin000=Broken.dll\r\nPlugin001=Sample.dll\r\n"
                 L"Plugin002=Old.dll\r\nPlugin003=..\\Sample.dll\r\n",
                 {L"Type=00000005\r\nName=Plug\r\nFile=Sample.dll\r\nViewMode1Pos=0,0\r\nViewMode2Pos=0,0\r\n"
                  L"PluginInt01=7\r\n"},
                 L"00b4e021", L"00000835");  // no tray icon: Wine's tray would cover the caption
  }
  std::wstring Log() const { return Dir.File(L"Plugins\\Sample.dll.log"); }
  std::vector<std::string> Events() const {
    std::vector<std::string> out;
    for (const std::string& l : LogLines(Log()))
      if (l.rfind("event ", 0) == 0 || l.rfind("executed ", 0) == 0) out.push_back(l);
    return out;
  }
};

// One run: start, show, hide, run the plug-in item, exit. The events the
// sample saw, in order.
std::vector<std::string> RunOnce(PluginFolder& folder, const wchar_t* shotName) {
  DeleteFileW(folder.Log().c_str());
  Launcher l;
  HWND w = l.StartReady(folder, L"");
  EXPECT_NE(nullptr, w);
  if (!w) return {};
  SendMessageW(w, WMA_SHOWLAUNCHER, MAKEWPARAM(0x205, 0), 0);
  EXPECT_TRUE(BecomesVisible(w));
  EXPECT_TRUE(l.Answers());
  if (shotName) CaptureAndKeep(w, shotName);
  SendMessageW(w, WMA_HIDELAUNCHER, 0, 0);
  EXPECT_TRUE(BecomesVisible(w, false));
  PostMessageW(w, WMA_EXECUTE, 0, 0);  // page 0, button 0: the plug-in item
  EXPECT_TRUE(WaitForLine(folder.Log(), "event 10003 ", 15000));
  EXPECT_TRUE(l.Running()) << "the broken plug-ins did not stop it";
  EXPECT_EQ(0, l.Quit());
  return folder.Events();
}

TEST(PluginE2E, TheSamplePluginSeesShowHideAndALaunchInOrderAndLeavesBeforeExit) {
  PluginFolder folder;
  std::vector<std::string> events = RunOnce(folder, L"plugin_shown.bmp");
  // Query and init at index 0, shown and hidden with the state word (hooks
  // on), the item launched (6), executed (7) and announced, unloaded last.
  const std::vector<std::string> want = {
      "event 1 0 0",         "event 2 0 0",     "event 10001 65536 0", "event 10002 65536 0",
      "event 6 65536 0",     "event 7 65536 0", "executed 65536",      "event 10003 65536 0",
      "event 3 0 0"};
  EXPECT_EQ(want, events);
  std::vector<std::string> log = LogLines(folder.Log());
  EXPECT_TRUE(Has(log, "svc version 04020200")) << "the program's own version";
  EXPECT_TRUE(Has(log, "svc window 1 module 1"));
  EXPECT_TRUE(Has(log, "svc pages 2 current 0"));
  EXPECT_TRUE(Has(log, "svc slot07 0 slot51 0"));
  EXPECT_TRUE(Has(log, "svc starts 1"));
  EXPECT_TRUE(Has(log, "svc caption 1"));
  EXPECT_TRUE(Has(log, "svc badkey 0"));
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog())) << "refused plug-ins are dropped silently";
  std::string data = ReadFileBytes(folder.Dir.File(L"Data\\PluginData\\Sample.ini"));
  ASSERT_FALSE(data.empty()) << "values set in PE_INIT are written at once";
  // The settings still name every plug-in, the ones that failed this time too.
  std::string settings = ReadFileBytes(folder.Settings());
  EXPECT_NE(std::string::npos, settings.find(std::string("O\0l\0d\0.\0d\0l\0l\0", 14)));

  // Started again from what it wrote: the same events, the counter read back.
  std::vector<std::string> again = RunOnce(folder, nullptr);
  EXPECT_EQ(want, again);
  EXPECT_TRUE(Has(LogLines(folder.Log()), "svc starts 2"));
}

}  // namespace
