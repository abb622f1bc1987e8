#include "support/skin_files.h"

#include <stdlib.h>

#include "support/test_support.h"

std::wstring ReadUtf16Text(const std::wstring& path) {
  std::string bytes = ReadFileBytes(path);
  if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return L"";
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

// Where the line "key=" of the section begins, or npos.
static size_t FindIniKey(const std::wstring& text, std::initializer_list<const wchar_t*> sections,
                         const wchar_t* key) {
  size_t at = 0;
  for (const wchar_t* s : sections) {
    at = text.find(L"\r\n[" + std::wstring(s) + L"]\r\n", at);
    if (at == std::wstring::npos) return at;
    at += 2;
  }
  // Keys count up to the next section only; "[\" begins an escaped value.
  size_t end = at;
  do end = text.find(L"\r\n[", end + 1);
  while (end != std::wstring::npos && end + 3 < text.size() && text[end + 3] == L'\\');
  size_t k = text.find(L"\r\n" + std::wstring(key) + L"=", at);
  return k < end ? k + 2 : std::wstring::npos;
}

std::wstring IniValueAt(const std::wstring& text, std::initializer_list<const wchar_t*> sections, const wchar_t* key) {
  size_t k = FindIniKey(text, sections, key);
  if (k == std::wstring::npos) return L"(none)";
  k += wcslen(key) + 1;
  return text.substr(k, text.find(L"\r\n", k) - k);
}

bool ReplaceIniValue(std::wstring* text, std::initializer_list<const wchar_t*> sections, const wchar_t* key,
                     const std::wstring& to) {
  size_t k = FindIniKey(*text, sections, key);
  if (k == std::wstring::npos) return false;
  k += wcslen(key) + 1;
  text->replace(k, text->find(L"\r\n", k) - k, to);
  return true;
}

static bool IsNameEnd(wchar_t c) { return c == L' ' || c == L'>' || c == L'/' || c == L'\r' || c == L'\n' || c == L'\t'; }

std::wstring XmlAttrAt(const std::wstring& xml, std::initializer_list<const wchar_t*> elements, const wchar_t* attr) {
  size_t at = 0;
  for (const wchar_t* e : elements) {
    std::wstring open = L"<" + std::wstring(e);
    for (at = xml.find(open, at); at != std::wstring::npos; at = xml.find(open, at + 1))
      if (at + open.size() < xml.size() && IsNameEnd(xml[at + open.size()])) break;
    if (at == std::wstring::npos) return L"(none)";
    at += open.size();
  }
  size_t tagEnd = xml.find(L'>', at);
  std::wstring pattern = L" " + std::wstring(attr) + L"=\"";
  size_t v = xml.find(pattern, at);
  if (v == std::wstring::npos || v > tagEnd) return L"(none)";
  v += pattern.size();
  return xml.substr(v, xml.find(L'"', v) - v);
}

std::vector<int> NumberList(const std::wstring& text) {
  std::vector<int> out;
  const wchar_t* p = text.c_str();
  while (*p) {
    wchar_t* end;
    long v = wcstol(p, &end, 10);
    if (end == p) {
      p++;
      continue;
    }
    out.push_back((int)v);
    p = end;
  }
  return out;
}

std::wstring DesignColor(const std::wstring& skinColor) {
  if (skinColor.size() != 7 || skinColor[0] != L'#') return L"(no colour)";
  std::wstring c = L"00" + skinColor.substr(5, 2) + skinColor.substr(3, 2) + skinColor.substr(1, 2);
  for (wchar_t& ch : c) ch = (wchar_t)towlower(ch);
  return c;
}

void InstallSettingsTool(const std::wstring& folder) {
  CopyFileW(BuildFile(L"vnsettings.exe").c_str(), (folder + L"\\vnsettings.exe").c_str(), FALSE);
  CreateDirectoryW((folder + L"\\Languages").c_str(), nullptr);
  CopyFileW(BuildFile(L"Languages/English.dll").c_str(), (folder + L"\\Languages\\English.dll").c_str(), FALSE);
  CopyFileW(BuildFile(L"Languages/Language.ini").c_str(), (folder + L"\\Languages\\Language.ini").c_str(), FALSE);
  CopyTree(BuildFile(L"Skins"), folder + L"\\Skins");
  CreateDirectoryW((folder + L"\\Data").c_str(), nullptr);
}

ToolRun RunSettingsTool(const std::wstring& folder, const std::wstring& dataFolder,
                        const std::vector<std::wstring>& args) {
  ToolRun run;
  // Wine's console host of an earlier run may still hold that run's output
  // file, doomed: every run writes a file of its own.
  static unsigned runs;
  std::wstring exe = folder + L"\\vnsettings.exe",
               out = folder + L"\\vnsettings" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++runs) + L".out";
  std::wstring cmd = L"\"" + exe + L"\" \"" + dataFolder + L"\"";
  for (const std::wstring& a : args) cmd += L" \"" + a + L"\"";
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE file = CreateFileW(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return run;
  STARTUPINFOW si = {sizeof si};
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = si.hStdError = file;
  PROCESS_INFORMATION pi = {};
  std::vector<wchar_t> line(cmd.begin(), cmd.end());
  line.push_back(0);
  BOOL started = CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, folder.c_str(), &si, &pi);
  CloseHandle(file);
  if (!started) return run;
  if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    run.Code = (long)code;
  } else {
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 5000);
  }
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);
  // The console host may hold the file a little longer: read it shared.
  HANDLE in = CreateFileW(out.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, 0, nullptr);
  if (in != INVALID_HANDLE_VALUE) {
    char buf[4096];
    DWORD got;
    while (ReadFile(in, buf, sizeof buf, &got, nullptr) && got) run.Output.append(buf, got);
    CloseHandle(in);
  }
  DeleteFileW(out.c_str());
  return run;
}
