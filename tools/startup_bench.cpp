// Start-up benchmark: Vantrel.exe (from a temporary copy of the program
// folder, with a 100-page settings file in its Data folder) against a bare
// program that only creates one window. Times from CreateProcess to the
// main window existing and to the window answering a message (ready for
// input); prints medians and the ratios.
//   startup_bench [runs]          (run from the build folder, under Wine)
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>
#include "tools/bench.h"

static const wchar_t kBareClass[] = L"VnBenchBareWindow";
static const wchar_t kMainClass[] = L"VantrelWndClass";

static LRESULT CALLBACK BareProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(w, m, wp, lp);
}

// The baseline: one registered class, one window, a message loop.
static int RunBare() {
  WNDCLASSEXW wc = {sizeof wc};
  wc.lpfnWndProc = BareProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kBareClass;
  RegisterClassExW(&wc);
  CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kBareClass, L"bare", WS_POPUP, 0, 0, 1, 1, nullptr,
                  nullptr, wc.hInstance, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

static HWND FindProcessWindow(const wchar_t* cls, DWORD pid) {
  for (HWND w = FindWindowExW(nullptr, nullptr, cls, nullptr); w; w = FindWindowExW(nullptr, w, cls, nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid) return w;
  }
  return nullptr;
}

struct Sample {
  double Window;  // ms to the window existing
  double Ready;   // ms to the window answering
};

static bool TimeStart(const std::wstring& exe, const std::wstring& args, const std::wstring& dir,
                      const wchar_t* cls, Sample* out) {
  std::wstring cmd = L"\"" + exe + L"\" " + args;
  std::vector<wchar_t> buf(cmd.begin(), cmd.end());
  buf.push_back(0);
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi;
  double t0 = Now();
  if (!CreateProcessW(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi))
    return false;
  HWND w = nullptr;
  while (!(w = FindProcessWindow(cls, pi.dwProcessId))) {
    if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0 || Now() - t0 > 30000) break;
    Sleep(0);
  }
  bool ok = w != nullptr;
  if (ok) {
    out->Window = Now() - t0;
    // Ready: the window answers a message. (WaitForInputIdle cannot tell:
    // COM start-up already pumps messages before the window exists.)
    DWORD_PTR r;
    ok = SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &r) != 0;
    out->Ready = Now() - t0;
    // The launcher ends on its exit command; the bare window on WM_CLOSE.
    PostMessageW(w, wcscmp(cls, kMainClass) ? WM_CLOSE : WM_COMMAND, wcscmp(cls, kMainClass) ? 0 : 40004, 0);
  }
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  return ok;
}

static void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!wcscmp(fd.cFileName, L".") || !wcscmp(fd.cFileName, L"..")) continue;
      std::wstring child = path + L"\\" + fd.cFileName;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(child);
      else DeleteFileW(child.c_str());
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(path.c_str());
}

static bool WriteUtf16(const std::wstring& path, const std::wstring& text) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put;
  WORD bom = 0xFEFF;
  BOOL ok = WriteFile(h, &bom, 2, &put, nullptr) &&
            WriteFile(h, text.data(), (DWORD)(text.size() * sizeof(wchar_t)), &put, nullptr);
  CloseHandle(h);
  return ok != FALSE;
}

// A settings file with 100 pages of 20 buttons each.
static std::wstring HundredPageSettings() {
  std::wstring t = L"\r\n[General]\r\nVersion=04020200\r\nLastPage=0\r\nOption1=00b4e021\r\n"
                   L"DispOption=000008b5\r\nLanguage=English.dll\r\n";
  t += L"\r\n[Pages]\r\nCount=100\r\n";
  wchar_t line[256];
  for (int p = 0; p < 100; ++p) {
    swprintf(line, 256, L"\r\n[Page%03d]\r\nName=Page %d\r\nFlag=00000000\r\nCount=20\r\n", p, p + 1);
    t += line;
    t += L"\r\n[ScrollStat]\r\nViewMode1=0,0\r\nViewMode2=0,0\r\n";
    for (int b = 0; b < 20; ++b) {
      swprintf(line, 256,
               L"\r\n[Btn%03d]\r\nType=00000002\r\nName=Item %d-%d\r\nFile=C:\\windows\\notepad.exe\r\n"
               L"Parameter=\r\nDirectory=\r\nWindowStat=1\r\nFlag=00000000\r\nTip=\r\nKeyboard=0000\r\n"
               L"ViewMode1Pos=%d,%d\r\nViewMode2Pos=%d,%d\r\n",
               b, p, b, b / 5, b % 5, b / 5, b % 5);
      t += line;
    }
  }
  t += L"\r\n[SubMenus]\r\nCount=0\r\n";
  return t;
}

static double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

int wmain(int argc, wchar_t** argv) {
  if (argc > 1 && !wcscmp(argv[1], L"--bare")) return RunBare();
  int runs = argc > 1 ? _wtoi(argv[1]) : 15;
  if (runs < 1) runs = 15;

  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring buildDir(self);
  buildDir.resize(buildDir.rfind(L'\\'));

  wchar_t tmp[MAX_PATH];
  GetTempPathW(MAX_PATH, tmp);
  std::wstring dir = std::wstring(tmp) + L"vnbench" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(dir.c_str(), nullptr);
  CreateDirectoryW((dir + L"\\Data").c_str(), nullptr);
  CreateDirectoryW((dir + L"\\Languages").c_str(), nullptr);
  std::wstring exe = dir + L"\\Vantrel.exe";
  if (!CopyFileW((buildDir + L"\\Vantrel.exe").c_str(), exe.c_str(), FALSE)) {
    fwprintf(stderr, L"startup_bench: no Vantrel.exe beside the benchmark\n");
    RemoveTree(dir);
    return 1;
  }
  CopyFileW((buildDir + L"\\Languages\\English.dll").c_str(), (dir + L"\\Languages\\English.dll").c_str(), FALSE);
  CopyFileW((buildDir + L"\\Languages\\Language.ini").c_str(), (dir + L"\\Languages\\Language.ini").c_str(), FALSE);
  bool hooks = CopyFileW((buildDir + L"\\VnHook.dll").c_str(), (dir + L"\\VnHook.dll").c_str(), FALSE) != FALSE;
  std::wstring settings = dir + L"\\Data\\Vantrel.ini";
  std::wstring seed = HundredPageSettings();
  // Without the hook library the launcher runs as /n (no hooks, no tray).
  std::wstring args = hooks ? L"" : L"/n";

  std::vector<double> lw, lr, bw, br;
  for (int i = 0; i < runs; ++i) {
    WriteUtf16(settings, seed);  // every run reads the same file
    Sample s;
    if (TimeStart(exe, args, dir, kMainClass, &s)) {
      lw.push_back(s.Window);
      lr.push_back(s.Ready);
    }
    if (TimeStart(self, L"--bare", dir, kBareClass, &s)) {
      bw.push_back(s.Window);
      br.push_back(s.Ready);
    }
  }
  // The launcher must really have read the hundred pages: show it, go to
  // the last page, exit, and find that page saved.
  WriteUtf16(settings, seed);
  bool pagesRead = false;
  {
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    std::vector<wchar_t> buf(cmd.begin(), cmd.end());
    buf.push_back(0);
    STARTUPINFOW si = {sizeof si};
    PROCESS_INFORMATION pi;
    if (CreateProcessW(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi)) {
      HWND w = nullptr;
      for (int i = 0; i < 3000 && !(w = FindProcessWindow(kMainClass, pi.dwProcessId)); ++i) Sleep(10);
      if (w) {
        const UINT showLauncher = 0x8008;
        SendMessageW(w, showLauncher, 0xFFFF0205, 0);
        SendMessageW(w, showLauncher, 0x00630205, 0);
        PostMessageW(w, WM_COMMAND, 40004, 0);
      }
      if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
      CloseHandle(pi.hProcess);
      CloseHandle(pi.hThread);
      HANDLE h = CreateFileW(settings.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      if (h != INVALID_HANDLE_VALUE) {
        std::vector<char> bytes(GetFileSize(h, nullptr));
        DWORD got = 0;
        ReadFile(h, bytes.data(), (DWORD)bytes.size(), &got, nullptr);
        CloseHandle(h);
        std::wstring text((const wchar_t*)bytes.data(), got / 2);
        pagesRead = text.find(L"\r\nLastPage=99\r\n") != std::wstring::npos;
      }
    }
  }
  RemoveTree(dir);
  if (!pagesRead) fwprintf(stderr, L"startup_bench: the launcher did not keep the 100-page settings\n");
  if (lw.empty() || bw.empty()) {
    fwprintf(stderr, L"startup_bench: no successful runs\n");
    return 1;
  }
  double mlw = Median(lw), mlr = Median(lr), mbw = Median(bw), mbr = Median(br);
  wprintf(L"startup_bench: %d runs, settings with 100 pages (%ls), hook library %ls\n", runs,
          pagesRead ? L"read" : L"NOT read", hooks ? L"loaded" : L"absent (/n)");
  wprintf(L"  Vantrel.exe   window %8.1f ms   ready %8.1f ms\n", mlw, mlr);
  wprintf(L"  bare program  window %8.1f ms   ready %8.1f ms\n", mbw, mbr);
  wprintf(L"  ratio         window %8.2f      ready %8.2f\n", mlw / mbw, mlr / mbr);
  return pagesRead ? 0 : 1;
}
