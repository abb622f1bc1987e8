// Helpers shared by the test suites.
#pragma once
#include <windows.h>
#include <set>
#include <string>

// A fresh folder under the (Wine prefix's) temporary folder, removed with
// everything in it when the object goes.
struct TempDir {
  std::wstring Path;  // no trailing backslash
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::wstring File(const wchar_t* name) const { return Path + L"\\" + name; }
};

// Whole file as bytes; empty when missing.
std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// UTF-16LE text with BOM, as the settings files are stored.
bool WriteUtf16File(const std::wstring& path, const std::wstring& text);
// Path of a fixture made at build time.
std::wstring FixturePath(const wchar_t* name);
// Path of a file of the build folder (name with forward slashes allowed).
std::wstring BuildFile(const wchar_t* name);
void RemoveTree(const std::wstring& path);
// Copies the folder from with everything in it to to (created as needed).
void CopyTree(const std::wstring& from, const std::wstring& to);
// Every file below folder, as paths relative to it ("Data\\Design.ini").
std::set<std::wstring> ListFiles(const std::wstring& folder);
// Dispatches this thread's messages for at least ms milliseconds.
void Pump(DWORD ms);
