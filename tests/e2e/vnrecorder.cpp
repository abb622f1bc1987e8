// Stand-in program for the launch tests: appends one line with its command
// line, working folder and show state to record.txt beside itself.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  wchar_t self[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  if (!n || n >= MAX_PATH) return 1;
  std::wstring record(self);
  record = record.substr(0, record.find_last_of(L'\\') + 1) + L"record.txt";
  wchar_t cwd[MAX_PATH] = L"";
  GetCurrentDirectoryW(MAX_PATH, cwd);
  STARTUPINFOW si = {sizeof si};
  GetStartupInfoW(&si);
  int show = (si.dwFlags & STARTF_USESHOWWINDOW) ? si.wShowWindow : -1;
  std::wstring line = std::wstring(L"cmd=") + GetCommandLineW() + L"\tcwd=" + cwd + L"\tshow=" +
                      std::to_wstring(show) + L"\n";
  int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), (int)line.size(), nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes, '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), (int)line.size(), &utf8[0], bytes, nullptr, nullptr);
  // Several launches may finish at once: take turns on the file.
  for (int tries = 0; tries < 200; ++tries) {
    HANDLE f = CreateFileW(record.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(f, utf8.data(), (DWORD)utf8.size(), &written, nullptr);
      CloseHandle(f);
      return 0;
    }
    Sleep(10);
  }
  return 2;
}
