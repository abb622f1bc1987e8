#include "support/test_support.h"

TempDir::TempDir() {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  static LONG counter;
  for (;;) {
    wchar_t name[MAX_PATH + 64];
    wsprintfW(name, L"%svn%lu_%ld", base, GetCurrentProcessId(), InterlockedIncrement(&counter));
    if (CreateDirectoryW(name, nullptr)) {
      Path = name;
      return;
    }
  }
}

TempDir::~TempDir() { RemoveTree(Path); }

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      if (!wcscmp(fd.cFileName, L".") || !wcscmp(fd.cFileName, L"..")) continue;
      std::wstring child = path + L"\\" + fd.cFileName;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(child);
      } else {
        SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(child.c_str());
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(path.c_str());
}

void CopyTree(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((from + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (!wcscmp(fd.cFileName, L".") || !wcscmp(fd.cFileName, L"..")) continue;
    std::wstring source = from + L"\\" + fd.cFileName, target = to + L"\\" + fd.cFileName;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CopyTree(source, target);
    else
      CopyFileW(source.c_str(), target.c_str(), FALSE);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

static void CollectFiles(const std::wstring& folder, const std::wstring& prefix, std::set<std::wstring>* out) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (!wcscmp(fd.cFileName, L".") || !wcscmp(fd.cFileName, L"..")) continue;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CollectFiles(folder + L"\\" + fd.cFileName, prefix + fd.cFileName + L"\\", out);
    else
      out->insert(prefix + fd.cFileName);
  } while (FindNextFileW(h, &fd));
  FindClose(h);
}

std::set<std::wstring> ListFiles(const std::wstring& folder) {
  std::set<std::wstring> files;
  CollectFiles(folder, L"", &files);
  return files;
}

std::string ReadFileBytes(const std::wstring& path) {
  std::string out;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return out;
  char buf[65536];
  DWORD got;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got) out.append(buf, got);
  CloseHandle(h);
  return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  BOOL ok = WriteFile(h, bytes.data(), (DWORD)bytes.size(), &put, nullptr);
  CloseHandle(h);
  return ok && put == bytes.size();
}

bool WriteUtf16File(const std::wstring& path, const std::wstring& text) {
  std::string bytes("\xFF\xFE", 2);
  bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  return WriteFileBytes(path, bytes);
}

std::wstring FixturePath(const wchar_t* name) {
  std::wstring p = VN_FIXTURE_DIR;
  for (auto& c : p)
    if (c == L'/') c = L'\\';
  return p + L"\\" + name;
}

std::wstring BuildFile(const wchar_t* name) {
  std::wstring p = VN_BUILD_DIR;
  p += L"/";
  p += name;
  for (wchar_t& c : p)
    if (c == L'/') c = L'\\';
  return p;
}

void Pump(DWORD ms) {
  DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(5);
  } while (GetTickCount() - start < ms);
}
