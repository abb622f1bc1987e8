// The package program under Wine: packages of a small tree, made by the
// build's packer, extracted, their command run, their folder removed.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

struct BoxSeen {
  DWORD Process;
  std::vector<std::wstring>* Captions;
};

BOOL CALLBACK CloseBoxes(HWND w, LPARAM l) {
  BoxSeen* seen = (BoxSeen*)l;
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != seen->Process || !IsWindowVisible(w)) return TRUE;
  wchar_t caption[100] = L"";
  GetWindowTextW(w, caption, 100);
  seen->Captions->push_back(caption);
  // A Yes/No box cannot be closed: it is answered No.
  if (GetDlgItem(w, IDNO)) PostMessageW(w, WM_COMMAND, IDNO, 0);
  else PostMessageW(w, WM_CLOSE, 0, 0);
  return TRUE;
}

// Runs the package; message boxes it shows are noted and closed.
DWORD RunPackage(const std::wstring& exe, std::vector<std::wstring>* boxes) {
  std::wstring cmd = L"\"" + exe + L"\"";
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi;
  if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return 9999;
  DWORD code = 9998;
  for (int i = 0; i < 600; i++) {
    if (WaitForSingleObject(pi.hProcess, 100) == WAIT_OBJECT_0) break;
    BoxSeen seen = {pi.dwProcessId, boxes};
    EnumWindows(CloseBoxes, (LPARAM)&seen);
  }
  if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 9997);
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return code;
}

std::wstring Sfx(const wchar_t* name) { return FixturePath((std::wstring(L"sfx\\") + name).c_str()); }

std::wstring TempFolder(const wchar_t* name) {
  wchar_t t[MAX_PATH];
  GetTempPathW(MAX_PATH, t);
  return std::wstring(t) + name;
}

std::string Narrow(const std::wstring& w) {
  char b[400];
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, b, sizeof b, nullptr, nullptr);
  return n > 0 ? std::string(b, n - 1) : std::string();
}

bool Exists(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW d;
  HANDLE f = FindFirstFileW((dir + L"\\*").c_str(), &d);
  if (f != INVALID_HANDLE_VALUE) {
    do {
      std::wstring n = d.cFileName;
      if (n == L"." || n == L"..") continue;
      std::wstring p = dir + L"\\" + n;
      if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(p);
      else DeleteFileW(p.c_str());
    } while (FindNextFileW(f, &d));
    FindClose(f);
  }
  RemoveDirectoryW(dir.c_str());
}

int Lines(const std::string& s) {
  int n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

const wchar_t* kTree[] = {L"readme.txt", L"data\\random.bin", L"data\\deeper\\zeros.bin", L"data\\empty.txt"};

TEST(PackageE2E, ExtractsTheTreeAndRunsItsCommandOnceEachStart) {
  std::wstring dest = TempFolder(L"vnsfx-keep");
  RemoveTree(dest);
  for (int start = 1; start <= 2; start++) {
    std::vector<std::wstring> boxes;
    EXPECT_EQ(RunPackage(Sfx(L"keeping.exe"), &boxes), 0u) << start;
    EXPECT_TRUE(boxes.empty()) << start;
    for (const wchar_t* name : kTree) {
      ASSERT_TRUE(Exists(dest + L"\\" + name)) << start;
      EXPECT_EQ(ReadFileBytes(dest + L"\\" + name), ReadFileBytes(Sfx((std::wstring(L"tree\\") + name).c_str())));
    }
    EXPECT_EQ(ReadFileBytes(dest + L"\\vnrecorder.exe"), ReadFileBytes(std::wstring(VN_BUILD_DIR) + L"\\vnrecorder.exe"));
    std::string record = ReadFileBytes(dest + L"\\record.txt");
    EXPECT_EQ(Lines(record), start) << record;
    EXPECT_NE(record.find("cwd=" + std::string(dest.begin(), dest.end())), std::string::npos) << record;
  }
  RemoveTree(dest);
}

TEST(PackageE2E, ShippedSettingsRunTheCommandAndRemoveTheFolder) {
  std::wstring record = Sfx(L"marker-record.txt");
  DeleteFileW(record.c_str());
  std::vector<std::wstring> boxes;
  EXPECT_EQ(RunPackage(Sfx(L"deleting.exe"), &boxes), 0u);
  EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : Narrow(boxes[0]));
  std::string marks = ReadFileBytes(record);
  EXPECT_EQ(Lines(marks), 1) << marks;
  EXPECT_EQ(marks.rfind("packaged ", 0), 0u) << marks;
  EXPECT_FALSE(Exists(TempFolder(L"~deleting.exe")));
}

// A window titled "Setup" for three seconds, as an installer started by a
// command that itself ended at once.
DWORD WINAPI ShowSetupWindow(void*) {
  HWND w = CreateWindowExW(0, L"STATIC", L"Setup", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ULONGLONG end = GetTickCount64() + 3000;
  MSG m;
  while (GetTickCount64() < end) {
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    Sleep(20);
  }
  DestroyWindow(w);
  return 0;
}

TEST(PackageE2E, InstallerWindowIsAwaitedBeforeTheFolderGoes) {
  std::wstring record = Sfx(L"marker-record.txt");
  DeleteFileW(record.c_str());
  HANDLE shower = CreateThread(nullptr, 0, ShowSetupWindow, nullptr, 0, nullptr);
  while (!FindWindowW(nullptr, L"Setup")) Sleep(10);
  ULONGLONG start = GetTickCount64();
  std::vector<std::wstring> boxes;
  EXPECT_EQ(RunPackage(Sfx(L"deleting.exe"), &boxes), 0u);
  ULONGLONG took = GetTickCount64() - start;
  WaitForSingleObject(shower, INFINITE);
  CloseHandle(shower);
  // Gone with the window, long before the 30 s an absent window costs.
  EXPECT_GE(took, 2500u);
  EXPECT_LT(took, 20000u);
  EXPECT_EQ(Lines(ReadFileBytes(record)), 1);
  EXPECT_FALSE(Exists(TempFolder(L"~deleting.exe")));
}

TEST(PackageE2E, FlippedPayloadByteExtractsAndRunsNothing) {
  std::wstring record = Sfx(L"marker-record.txt");
  DeleteFileW(record.c_str());
  RemoveTree(TempFolder(L"~flipped.exe"));
  std::vector<std::wstring> boxes;
  EXPECT_NE(RunPackage(Sfx(L"flipped.exe"), &boxes), 0u);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], L"Warning");
  EXPECT_FALSE(Exists(record));
  EXPECT_FALSE(Exists(TempFolder(L"~flipped.exe")));
}

TEST(PackageE2E, ClimbingNamesStayInsideTheDestination) {
  std::wstring dest = TempFolder(L"vnsfx-climb");
  RemoveTree(dest);
  std::vector<std::wstring> boxes;
  EXPECT_EQ(RunPackage(Sfx(L"climbing.exe"), &boxes), 0u);
  EXPECT_EQ(ReadFileBytes(dest + L"\\escaped.txt"), "escaped");
  EXPECT_EQ(ReadFileBytes(dest + L"\\back.txt"), "back");
  EXPECT_FALSE(Exists(TempFolder(L"escaped.txt")));
  EXPECT_FALSE(Exists(TempFolder(L"..\\escaped.txt")));
  EXPECT_FALSE(Exists(TempFolder(L"..\\..\\escaped.txt")));
  RemoveTree(dest);
}

TEST(PackageE2E, BrokenEntryStopsTheCommand) {
  std::wstring record = Sfx(L"marker-record.txt");
  DeleteFileW(record.c_str());
  std::wstring dest = TempFolder(L"~broken.exe");
  RemoveTree(dest);
  std::vector<std::wstring> boxes;
  EXPECT_EQ(RunPackage(Sfx(L"broken.exe"), &boxes), 2u);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], L"ZIP-SFX");
  EXPECT_FALSE(Exists(record));
  EXPECT_FALSE(Exists(dest + L"\\readme.txt"));
  EXPECT_TRUE(Exists(dest + L"\\data\\random.bin"));
  RemoveTree(dest);
}

TEST(PackageE2E, InfCommandIsInstalledBySetupapi) {
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VantrelPackageTest");
  std::vector<std::wstring> boxes;
  EXPECT_EQ(RunPackage(Sfx(L"inf.exe"), &boxes), 0u);
  EXPECT_TRUE(boxes.empty());
  wchar_t value[100] = L"";
  DWORD size = sizeof value;
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\VantrelPackageTest", L"Installed", RRF_RT_REG_SZ, nullptr,
                         value, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(value, L"from the package");
  RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\VantrelPackageTest");
  RemoveTree(TempFolder(L"vnsfx-inf"));
}

TEST(PackageE2E, StartQuestionAnsweredNoExtractsNothing) {
  std::wstring dest = TempFolder(L"vnsfx-ask");
  RemoveTree(dest);
  std::vector<std::wstring> boxes;
  // Without a command line the exit code is the parser's -1.
  EXPECT_EQ(RunPackage(Sfx(L"asking.exe"), &boxes), (DWORD)-1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], L"Vantrel");
  EXPECT_FALSE(Exists(dest));
}

}  // namespace
