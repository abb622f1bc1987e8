#include "support/message_recorder.h"

#include "state.h"

static MessageRecorder* g_messageRecorder;
static FileDialogRecorder* g_fileDialogRecorder;

MessageRecorder::MessageRecorder()
    : previous_(g_messageRecorder), previousFn_(g_DialogSeams.MessageBoxFn) {
  g_messageRecorder = this;
  g_DialogSeams.MessageBoxFn = Record;
}

MessageRecorder::~MessageRecorder() {
  g_messageRecorder = previous_;
  g_DialogSeams.MessageBoxFn = previousFn_;
}

int MessageRecorder::Count(int id) const {
  int n = 0;
  for (const RecordedMessage& call : Calls) n += call.Id == id;
  return n;
}

int MessageRecorder::Record(HWND owner, int id, const wchar_t* text, const wchar_t* caption,
                            UINT flags) {
  MessageRecorder* self = g_messageRecorder;
  self->Calls.push_back({owner, id, text ? text : L"", caption ? caption : L"", flags,
                         g_App.UiStateFlags});
  int answer = self->DefaultAnswer;
  if (!self->Answers.empty()) {
    answer = self->Answers.front();
    self->Answers.pop_front();
  }
  if (self->WhileShown) {
    std::function<void()> inside = std::move(self->WhileShown);
    self->WhileShown = nullptr;
    inside();
  }
  return answer;
}

FileDialogRecorder::FileDialogRecorder()
    : previous_(g_fileDialogRecorder),
      previousOpen_(g_DialogSeams.GetOpenFileNameFn),
      previousSave_(g_DialogSeams.GetSaveFileNameFn) {
  g_fileDialogRecorder = this;
  g_DialogSeams.GetOpenFileNameFn = RecordOpen;
  g_DialogSeams.GetSaveFileNameFn = RecordSave;
}

FileDialogRecorder::~FileDialogRecorder() {
  g_fileDialogRecorder = previous_;
  g_DialogSeams.GetOpenFileNameFn = previousOpen_;
  g_DialogSeams.GetSaveFileNameFn = previousSave_;
}

BOOL FileDialogRecorder::RecordOpen(OPENFILENAMEW* ofn) { return Record(ofn, true); }
BOOL FileDialogRecorder::RecordSave(OPENFILENAMEW* ofn) { return Record(ofn, false); }

BOOL FileDialogRecorder::Record(OPENFILENAMEW* ofn, bool open) {
  FileDialogRecorder* self = g_fileDialogRecorder;
  RecordedFileDialog call = {};
  call.Open = open;
  call.StructSize = ofn->lStructSize;
  call.Owner = ofn->hwndOwner;
  call.HasFilter = ofn->lpstrFilter != nullptr;
  if (ofn->lpstrFilter) {
    const wchar_t* end = ofn->lpstrFilter;
    while (end[0] || end[1]) ++end;  // up to the double NUL
    if (end != ofn->lpstrFilter || end[0]) ++end;
    call.Filter.assign(ofn->lpstrFilter, end);
  }
  call.FilterIndex = ofn->nFilterIndex;
  call.File = ofn->lpstrFile ? ofn->lpstrFile : L"";
  call.MaxFile = ofn->nMaxFile;
  call.HasInitialDir = ofn->lpstrInitialDir != nullptr;
  call.InitialDir = ofn->lpstrInitialDir ? ofn->lpstrInitialDir : L"";
  call.Flags = ofn->Flags;
  call.HasDefExt = ofn->lpstrDefExt != nullptr;
  call.DefExt = ofn->lpstrDefExt ? ofn->lpstrDefExt : L"";
  self->Calls.push_back(call);
  if (self->Result && ofn->lpstrFile && ofn->nMaxFile > self->Chosen.size())
    wcscpy(ofn->lpstrFile, self->Chosen.c_str());
  return self->Result;
}
