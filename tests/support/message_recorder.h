// Test stand-ins for the dialogs' platform calls: message boxes and the
// open/save file dialogs. Each installs itself into g_DialogSeams for its
// lifetime, records every call and answers as told.
#pragma once
#include <windows.h>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "dialogs/dialoghelpers.h"

struct RecordedMessage {
  HWND Owner;
  int Id;
  std::wstring Text;
  std::wstring Caption;
  UINT Flags;
  UINT UiStateFlags;  // g_App.UiStateFlags while the box was up
};

struct MessageRecorder {
  std::vector<RecordedMessage> Calls;
  std::deque<int> Answers;   // used in order; when empty, DefaultAnswer
  int DefaultAnswer = IDOK;
  std::function<void()> WhileShown;  // runs inside the box, e.g. to open another

  MessageRecorder();
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  void Answer(int result) { Answers.push_back(result); }
  int Count(int id) const;
  bool Shown(int id) const { return Count(id) > 0; }
  const RecordedMessage* Last() const { return Calls.empty() ? nullptr : &Calls.back(); }

 private:
  MessageRecorder* previous_;
  int (*previousFn_)(HWND, int, const wchar_t*, const wchar_t*, UINT);
  static int Record(HWND owner, int id, const wchar_t* text, const wchar_t* caption, UINT flags);
};

struct RecordedFileDialog {
  bool Open;
  DWORD StructSize;
  HWND Owner;
  std::wstring Filter;  // entries with their NULs, without the closing NUL
  bool HasFilter;
  DWORD FilterIndex;
  std::wstring File;
  DWORD MaxFile;
  std::wstring InitialDir;
  bool HasInitialDir;
  DWORD Flags;
  std::wstring DefExt;
  bool HasDefExt;
};

struct FileDialogRecorder {
  std::vector<RecordedFileDialog> Calls;
  BOOL Result = FALSE;
  std::wstring Chosen;  // written to the file buffer when Result is TRUE

  FileDialogRecorder();
  ~FileDialogRecorder();
  FileDialogRecorder(const FileDialogRecorder&) = delete;
  FileDialogRecorder& operator=(const FileDialogRecorder&) = delete;

 private:
  FileDialogRecorder* previous_;
  BOOL (*previousOpen_)(OPENFILENAMEW*);
  BOOL (*previousSave_)(OPENFILENAMEW*);
  static BOOL RecordOpen(OPENFILENAMEW* ofn);
  static BOOL RecordSave(OPENFILENAMEW* ofn);
  static BOOL Record(OPENFILENAMEW* ofn, bool open);
};
