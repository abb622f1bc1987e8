#include "support/settings_env.h"

#include "state.h"
#include "store/backup.h"
#include "store/ini.h"
#include "store/lists.h"
#include "store/settings.h"

static UINT g_FixedDay = SettingsEnv::kToday;
static UINT FixedToday() { return g_FixedDay; }

void SettingsEnv::SetToday(UINT day) { g_FixedDay = day; }

static void ClearState() {
  ResetSettings();
  ClearItemStore();
  g_App.RunState = 0;
  g_App.OpenDialogCount = 0;
}

SettingsEnv::SettingsEnv() {
  lstrcpynW(g_App.DataFolderPath, Dir.Path.c_str(), ARRAYSIZE(g_App.DataFolderPath));
  g_App.DataFolderMode = 0;
  g_FixedDay = kToday;
  g_BackupSeams.Today = FixedToday;
  ClearState();
}

SettingsEnv::~SettingsEnv() {
  ClearState();
  g_App.DataFolderPath[0] = 0;
}

std::string SettingsFixture(const wchar_t* relative) {
  return ReadFileBytes(FixturePath((std::wstring(L"settings\\") + relative).c_str()));
}

bool SettingsEnv::Install(const wchar_t* fixture, const wchar_t* as) const {
  std::string bytes = SettingsFixture(fixture);
  return !bytes.empty() && WriteFileBytes(File(as), bytes);
}

std::wstring SettingsEnv::Text(const wchar_t* name) const {
  std::string b = Bytes(name);
  if (b.size() < 2) return std::wstring();
  return std::wstring(reinterpret_cast<const wchar_t*>(b.data() + 2), (b.size() - 2) / 2);
}

bool SettingsEnv::Exists(const wchar_t* name) const {
  return GetFileAttributesW(File(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Utf16Bytes(const std::wstring& text) {
  std::string bytes("\xFF\xFE", 2);
  bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  return bytes;
}

void ReplaceAll(std::wstring& text, const std::wstring& what, const std::wstring& with) {
  for (size_t at = 0; (at = text.find(what, at)) != std::wstring::npos; at += with.size())
    text.replace(at, what.size(), with);
}

static FailingWrites* g_Failing;

static BOOL WINAPI FailingWriteFile(HANDLE h, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED ov) {
  if (++g_Failing->Calls == g_Failing->FailAt) {
    // A disk that fills up half way: part of the data lands, then the error.
    DWORD half = size / 2;
    DWORD put = 0;
    if (half) WriteFile(h, data, half, &put, ov);
    if (written) *written = put;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return WriteFile(h, data, size, written, ov);
}

FailingWrites::FailingWrites(int k) : FailAt(k) {
  g_Failing = this;
  g_IniWriteFile = FailingWriteFile;
}

FailingWrites::~FailingWrites() {
  g_IniWriteFile = WriteFile;
  g_Failing = nullptr;
}
