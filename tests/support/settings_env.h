// A data folder of its own for settings tests: a temporary folder that
// ResolveDataFolder returns, a fixed day for the backup clock, recorded
// message boxes, and the settings and item store emptied before and after.
#pragma once
#include <windows.h>

#include <string>

#include "support/message_recorder.h"
#include "support/test_support.h"

struct SettingsEnv {
  static constexpr UINT kToday = 154000;  // a day in 2022

  TempDir Dir;
  MessageRecorder Messages;

  SettingsEnv();
  ~SettingsEnv();
  SettingsEnv(const SettingsEnv&) = delete;
  SettingsEnv& operator=(const SettingsEnv&) = delete;

  std::wstring File(const wchar_t* name) const { return Dir.File(name); }
  // Copies a built fixture (relative to the settings fixtures) into the folder.
  bool Install(const wchar_t* fixture, const wchar_t* as = L"Vantrel.ini") const;
  std::string Bytes(const wchar_t* name) const { return ReadFileBytes(File(name)); }
  std::wstring Text(const wchar_t* name) const;  // UTF-16 file without its BOM
  bool Exists(const wchar_t* name) const;

  static void SetToday(UINT day);
};

// A fixture file of the settings fixtures as bytes.
std::string SettingsFixture(const wchar_t* relative);
// Bytes of a UTF-16LE text with BOM.
std::string Utf16Bytes(const std::wstring& text);
// Replaces every occurrence of what by with.
void ReplaceAll(std::wstring& text, const std::wstring& what, const std::wstring& with);

// Makes the k-th file write of the INI commits fail (1-based) while alive;
// Calls counts every write attempted.
struct FailingWrites {
  int FailAt;
  int Calls = 0;
  explicit FailingWrites(int k);
  ~FailingWrites();
};
