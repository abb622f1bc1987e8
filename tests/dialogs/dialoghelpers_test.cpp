#include "dialogs/dialoghelpers.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <limits.h>

#include <string>
#include <vector>

#include "state.h"
#include "resources/resource.h"
#include "support/message_recorder.h"
#include "support/test_support.h"

namespace {

// Filter text as the dialog gets it: entries with their NULs.
template <size_t N>
std::wstring Entries(const wchar_t (&text)[N]) {
  return std::wstring(text, N - 1);
}

// Keeps the parts of g_App these tests change and puts them back.
class DialogHelpersTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_App;
    g_App.Instance = nullptr;
    g_App.MainWnd = nullptr;
    g_App.LangModule = nullptr;
    g_App.OpenDialogCount = 0;
    g_App.UiStateFlags = UIS_AUTOHIDE_ALLOWED;
  }
  void TearDown() override {
    for (HWND w : windows_) DestroyWindow(w);
    if (lang_) FreeLibrary(lang_);
    g_App = saved_;
  }

  HWND MakeWindow(bool visible) {
    HWND w = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | (visible ? WS_VISIBLE : 0), 0, 0, 50,
                             50, nullptr, nullptr, nullptr, nullptr);
    windows_.push_back(w);
    return w;
  }
  HMODULE LoadTestLanguage() {
    lang_ = LoadLibraryExW(FixturePath(L"testlang.dll").c_str(), nullptr,
                           LOAD_LIBRARY_AS_DATAFILE);
    return lang_;
  }

  AppState saved_;
  std::vector<HWND> windows_;
  HMODULE lang_ = nullptr;
};

TEST_F(DialogHelpersTest, ShowMessageShowsBuiltInTextAndReturnsAnswer) {
  MessageRecorder rec;
  rec.Answer(IDYES);
  EXPECT_EQ(IDYES, ShowMessage(IDS_ERR_SAVE, MB_ICONERROR | MB_YESNO));
  ASSERT_EQ(1u, rec.Calls.size());
  const RecordedMessage& m = rec.Calls[0];
  EXPECT_EQ(IDS_ERR_SAVE, m.Id);
  EXPECT_EQ(L"Failed to save the setting data.", m.Text);
  EXPECT_EQ(L"Vantrel", m.Caption);
  EXPECT_EQ((UINT)(MB_ICONERROR | MB_YESNO), m.Flags);
  EXPECT_TRUE(rec.Shown(IDS_ERR_SAVE));
  EXPECT_FALSE(rec.Shown(IDS_ERR_UPDATE));

  // Answers come from the queue, then the default.
  rec.Answer(IDNO);
  rec.DefaultAnswer = IDCANCEL;
  EXPECT_EQ(IDNO, ShowMessage(IDS_ASK_TO_RELATIVE, MB_YESNO));
  EXPECT_EQ(IDCANCEL, ShowMessage(IDS_ASK_TO_RELATIVE, MB_OKCANCEL));
  EXPECT_EQ(2, rec.Count(IDS_ASK_TO_RELATIVE));
}

TEST_F(DialogHelpersTest, ShowMessageOwner) {
  HWND dialog = MakeWindow(true);
  HWND visibleMain = MakeWindow(true);
  HWND hiddenMain = MakeWindow(false);
  struct Case {
    const char* what;
    HWND main;
    bool dialogOpen;  // a stack of two: a hidden window, then top
    HWND top;
    HWND owner;
  } cases[] = {
      {"inside a dialog", visibleMain, true, dialog, dialog},
      {"inside a dialog, launcher hidden", hiddenMain, true, dialog, dialog},
      {"null stack top, launcher shown", visibleMain, true, nullptr, visibleMain},
      {"null stack top, launcher hidden", hiddenMain, true, nullptr, nullptr},
      {"no dialog, launcher shown", visibleMain, false, nullptr, visibleMain},
      {"no dialog, launcher hidden", hiddenMain, false, nullptr, nullptr},
      {"no dialog, no launcher", nullptr, false, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MessageRecorder rec;
    g_App.MainWnd = c.main;
    g_App.OpenDialogs[0] = hiddenMain;  // below the top: never the owner
    g_App.OpenDialogs[1] = c.top;
    g_App.OpenDialogCount = c.dialogOpen ? 2 : 0;
    ShowMessage(IDS_ERR_HOOK, MB_ICONERROR);
    ASSERT_EQ(1u, rec.Calls.size());
    EXPECT_EQ(c.owner, rec.Calls[0].Owner);
  }
}

TEST_F(DialogHelpersTest, AutoHideIsHeldWhileABoxIsUp) {
  MessageRecorder rec;
  g_App.UiStateFlags = UIS_AUTOHIDE_ALLOWED | 0x01;
  ShowMessage(IDS_ERR_HOOK, MB_ICONERROR);
  EXPECT_EQ(0x01u, rec.Calls[0].UiStateFlags);
  EXPECT_EQ(UIS_AUTOHIDE_ALLOWED | 0x01u, g_App.UiStateFlags);

  // A box opened while another is up must not let auto-hide run early.
  UINT afterInner = 0;
  rec.WhileShown = [&] {
    ShowMessage(IDS_ERR_MEMORY, MB_ICONERROR);
    afterInner = g_App.UiStateFlags;
  };
  ShowMessage(IDS_ERR_HOOK, MB_ICONERROR);
  ASSERT_EQ(3u, rec.Calls.size());
  EXPECT_EQ(IDS_ERR_MEMORY, rec.Calls[2].Id);
  EXPECT_EQ(0u, rec.Calls[2].UiStateFlags & UIS_AUTOHIDE_ALLOWED);
  EXPECT_EQ(0u, afterInner & UIS_AUTOHIDE_ALLOWED);
  EXPECT_EQ(UIS_AUTOHIDE_ALLOWED | 0x01u, g_App.UiStateFlags);
}

TEST_F(DialogHelpersTest, ShowMessageFFormatsTheArgument) {
  MessageRecorder rec;
  ShowMessageF(IDS_LIMIT_ITEMS, MB_ICONWARNING, 1000);
  ShowMessageF(IDS_ASK_DELETE, MB_ICONQUESTION | MB_OKCANCEL, L"Notepad");
  ShowMessageF(IDS_ASK_DELETE, MB_ICONQUESTION | MB_OKCANCEL, L"100% %s %d");
  ShowMessage(IDS_ASK_DELETE, MB_OK);  // unformatted: the text as it stands
  ASSERT_EQ(4u, rec.Calls.size());
  EXPECT_EQ(L"Up to 1000 items can be registered per page.", rec.Calls[0].Text);
  EXPECT_EQ((UINT)MB_ICONWARNING, rec.Calls[0].Flags);
  EXPECT_EQ(L"Are you sure you want to delete \"Notepad\"?", rec.Calls[1].Text);
  EXPECT_EQ(L"Are you sure you want to delete \"100% %s %d\"?", rec.Calls[2].Text);
  EXPECT_EQ(L"Are you sure you want to delete \"%s\"?", rec.Calls[3].Text);
  EXPECT_EQ(L"Vantrel", rec.Calls[1].Caption);
}

TEST_F(DialogHelpersTest, ShowMessageFCutsLongTextsToTheBuffer) {
  MessageRecorder rec;
  std::wstring name(3000, L'n');
  ShowMessageF(IDS_ASK_DELETE, MB_OK, name.c_str());
  ASSERT_EQ(1u, rec.Calls.size());
  EXPECT_EQ(1023u, rec.Calls[0].Text.size());
  EXPECT_EQ(0u, rec.Calls[0].Text.find(L"Are you sure you want to delete \"nnn"));
}

TEST(GetFormatConversion, AcceptsOnlyOneIntOrString) {
  struct Case {
    const wchar_t* format;
    int kind;
  } cases[] = {
      {L"plain text", 0},
      {L"", 0},
      {L"100%% sure", 0},
      {L"Up to %d items", 'd'},
      {L"Delete \"%s\"?", 's'},
      {L"Submenu %02d", 'd'},
      {L"%-20s|", 's'},
      {L"%.10s and 50%%", 's'},
      {L"%d of %d", -1},
      {L"%s %d", -1},
      {L"%n", -1},
      {L"%x", -1},
      {L"%ls", -1},
      {L"%I64d", -1},
      {L"%*d", -1},
      {L"%.*s", -1},
      {L"%9999d", -1},
      {L"trailing %", -1},
      {L"%%%d%%", 'd'},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.kind, GetFormatConversion(c.format))
        << std::string(c.format, c.format + wcslen(c.format));
  }
}

TEST_F(DialogHelpersTest, LanguageLibraryTextsAndTheirFormats) {
  ASSERT_TRUE(LoadTestLanguage());
  g_App.LangModule = lang_;
  MessageRecorder rec;
  ShowMessage(IDS_ERR_SAVE, MB_ICONERROR);
  ShowMessage(IDS_ERR_BACKUP, MB_ICONERROR);             // not in the library
  ShowMessage(IDS_ERR_UPDATE, MB_ICONERROR);             // longer than a message holds
  ShowMessageF(IDS_ASK_DELETE, MB_OKCANCEL, L"Notepad");  // translated, same format
  ShowMessageF(IDS_LIMIT_ITEMS, MB_ICONWARNING, 1000);    // %s where %d is passed
  ShowMessageF(IDS_LIMIT_PAGES, MB_ICONWARNING, 100);     // two conversions
  ASSERT_EQ(6u, rec.Calls.size());
  EXPECT_EQ(L"Die Einstellungen wurden nicht gespeichert.", rec.Calls[0].Text);
  EXPECT_EQ(L"Failed to write the backup file.", rec.Calls[1].Text);
  EXPECT_EQ(1023u, rec.Calls[2].Text.size());
  EXPECT_EQ(0u, rec.Calls[2].Text.find(L"01234567890123"));
  EXPECT_EQ(L"\u201ENotepad\u201C wirklich l\u00F6schen? 100%", rec.Calls[3].Text);
  EXPECT_EQ(L"Up to 1000 items can be registered per page.", rec.Calls[4].Text);
  EXPECT_EQ(L"You can add pages up to 100.", rec.Calls[5].Text);
}

TEST_F(DialogHelpersTest, ProgramStringsComeFromTheGivenInstance) {
  ASSERT_TRUE(LoadTestLanguage());
  g_App.Instance = (HINSTANCE)lang_;
  MessageRecorder rec;
  ShowMessage(IDS_ERR_SAVE, MB_OK);
  EXPECT_EQ(L"Die Einstellungen wurden nicht gespeichert.", rec.Last()->Text);
}

// --- BrowseForFile --------------------------------------------------------

TEST_F(DialogHelpersTest, BrowseOpenBuildsFilterFlagsAndFolder) {
  TempDir dir;
  FileDialogRecorder rec;
  HWND owner = MakeWindow(false);
  wchar_t path[1024];
  wcscpy(path, dir.File(L"tool.exe").c_str());
  int kinds[] = {FK_PROGRAMS, FK_ALL};
  EXPECT_FALSE(BrowseForFile(owner, path, 2, kinds, 1, 0, 1));
  ASSERT_EQ(1u, rec.Calls.size());
  const RecordedFileDialog& c = rec.Calls[0];
  EXPECT_TRUE(c.Open);
  EXPECT_EQ(owner, c.Owner);
  EXPECT_EQ(Entries(L"Programs (*.exe;*.com)\0*.exe;*.com\0All Files (*.*)\0*.*\0"),
            c.Filter);
  EXPECT_EQ(1u, c.FilterIndex);
  EXPECT_EQ(dir.File(L"tool.exe"), c.File);
  EXPECT_EQ(1024u, c.MaxFile);
  EXPECT_EQ(dir.Path, c.InitialDir);
  EXPECT_EQ(0x121004u, c.Flags);
  EXPECT_FALSE(c.HasDefExt);
  EXPECT_EQ(sizeof(OPENFILENAMEW), c.StructSize);

  EXPECT_FALSE(BrowseForFile(owner, path, 2, kinds, 2, 1, 1));
  EXPECT_EQ(0x21004u, rec.Calls[1].Flags);
  EXPECT_EQ(2u, rec.Calls[1].FilterIndex);
}

TEST_F(DialogHelpersTest, BrowseInitialFolder) {
  TempDir dir;
  CreateDirectoryW(dir.File(L"sub").c_str(), nullptr);
  struct Case {
    std::wstring path, folder, file;
  } cases[] = {
      {dir.File(L"sub"), dir.File(L"sub"), L""},                         // a folder
      {dir.File(L"sub\\a.ini"), dir.File(L"sub"), dir.File(L"sub\\a.ini")},
      {dir.File(L"gone\\a.ini"), L"C:", dir.File(L"gone\\a.ini")},       // folder missing
      {L"a.ini", L"C:", L"a.ini"},                                       // no folder part
      {L"", L"C:", L""},
  };
  int kinds[] = {FK_SETTINGS};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.path.size());
    FileDialogRecorder rec;
    wchar_t path[1024];
    wcscpy(path, c.path.c_str());
    BrowseForFile(nullptr, path, 1, kinds, 1, 0, 1);
    ASSERT_EQ(1u, rec.Calls.size());
    EXPECT_EQ(c.folder, rec.Calls[0].InitialDir);
    EXPECT_EQ(c.file, rec.Calls[0].File);
  }
}

TEST_F(DialogHelpersTest, BrowseSaveAsksBeforeOverwritingAndAddsIni) {
  TempDir dir;
  FileDialogRecorder rec;
  rec.Result = TRUE;
  rec.Chosen = dir.File(L"export.ini");
  wchar_t path[1024];
  wcscpy(path, dir.File(L"Vantrel.ini").c_str());
  int kinds[] = {FK_SETTINGS};
  EXPECT_TRUE(BrowseForFile(nullptr, path, 1, kinds, 1, 0, 0));
  ASSERT_EQ(1u, rec.Calls.size());
  const RecordedFileDialog& c = rec.Calls[0];
  EXPECT_FALSE(c.Open);
  EXPECT_EQ((DWORD)OFN_OVERWRITEPROMPT, c.Flags);
  EXPECT_EQ(L"ini", c.DefExt);
  EXPECT_EQ(Entries(L"Setting Data Files (*.ini)\0*.ini\0"), c.Filter);
  EXPECT_EQ(dir.Path, c.InitialDir);
  EXPECT_EQ(dir.File(L"export.ini"), std::wstring(path));
}

TEST_F(DialogHelpersTest, BrowseFilterStaysWithinItsBuffer) {
  FileDialogRecorder rec;
  // Every kind, unknown ones among them, far more than fit.
  std::vector<int> kinds;
  for (int i = 0; i < 200; ++i) kinds.push_back(i % 7 - 1);
  wchar_t path[1024] = L"";
  BrowseForFile(nullptr, path, (int)kinds.size(), kinds.data(), 1, 0, 1);
  ASSERT_EQ(1u, rec.Calls.size());
  const std::wstring& f = rec.Calls[0].Filter;
  EXPECT_LE(f.size(), 1023u);
  EXPECT_GT(f.size(), 900u);
  // Whole entries only: pairs of name and pattern, the first five kinds in order.
  std::vector<std::wstring> parts;
  for (size_t at = 0; at < f.size();) {
    size_t end = f.find(L'\0', at);
    ASSERT_NE(std::wstring::npos, end);
    parts.push_back(f.substr(at, end - at));
    at = end + 1;
  }
  ASSERT_EQ(0u, parts.size() % 2);
  EXPECT_EQ(L"All Files (*.*)", parts[0]);
  EXPECT_EQ(L"Programs (*.exe;*.com)", parts[2]);
  EXPECT_EQ(L"Icon Files (*.exe;*.ico;*.dll;*.icl)", parts[4]);
  EXPECT_EQ(L"*.exe;*.ico;*.dll;*.icl", parts[5]);
  EXPECT_EQ(L"Icon Library Files (*.dll;*.icl)", parts[6]);
  EXPECT_EQ(L"Setting Data Files (*.ini)", parts[8]);
  EXPECT_EQ(L"All Files (*.*)", parts[10]);
}

TEST_F(DialogHelpersTest, BrowseFilterNamesFromTheLanguageLibrary) {
  ASSERT_TRUE(LoadTestLanguage());
  g_App.LangModule = lang_;
  FileDialogRecorder rec;
  wchar_t path[1024] = L"";
  int kinds[] = {FK_ALL, FK_ICONLIBS};
  BrowseForFile(nullptr, path, 2, kinds, 1, 0, 1);
  EXPECT_EQ(Entries(L"Alle Dateien (*.*)\0*.*\0Icon Library Files (*.dll;*.icl)\0*.dll;*.icl\0"),
            rec.Calls[0].Filter);
}

// --- Controls of a real dialog ------------------------------------------

enum { kEdit = 100, kUpDown = 101, kOther = 102 };

// In-memory dialog template: items are DWORD aligned, strings UTF-16.
class DialogTemplate {
 public:
  DialogTemplate() {
    DWORD style = WS_POPUP | DS_MODALFRAME;
    Dword(style);
    Dword(0);
    count_ = words_.size();
    Word(0);  // item count, filled in by Add
    Word(0), Word(0), Word(200), Word(120);
    Word(0), Word(0), Word(0);  // no menu, default class, no title
  }
  void Add(const wchar_t* cls, WORD atom, WORD id, DWORD style, short x, short y, short cx,
           short cy) {
    if (words_.size() % 2) Word(0);
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Word(x), Word(y), Word(cx), Word(cy), Word(id);
    if (cls) {
      for (const wchar_t* p = cls; *p; ++p) Word(*p);
      Word(0);
    } else {
      Word(0xFFFF), Word(atom);
    }
    Word(0);  // no title
    Word(0);  // no creation data
    ++words_[count_];
  }
  const DLGTEMPLATE* Get() const { return (const DLGTEMPLATE*)words_.data(); }

 private:
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) { Word(LOWORD(d)), Word(HIWORD(d)); }
  std::vector<WORD> words_;
  size_t count_;
};

static INT_PTR CALLBACK QuietDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class DialogControlsTest : public testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
    DialogTemplate t;
    t.Add(nullptr, 0x0081, kEdit, ES_AUTOHSCROLL | WS_BORDER, 10, 10, 60, 12);
    t.Add(UPDOWN_CLASSW, 0, kUpDown, UDS_SETBUDDYINT, 70, 10, 10, 12);
    t.Add(nullptr, 0x0082, kPlacementFrameId, SS_LEFT, 10, 30, 150, 60);
    t.Add(nullptr, 0x0081, kOther, WS_BORDER, 5, 5, 20, 10);
    dialog_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), t.Get(), nullptr,
                                         QuietDialogProc, 0);
    ASSERT_TRUE(dialog_ != nullptr);
    ASSERT_TRUE(GetDlgItem(dialog_, kUpDown) != nullptr);
  }
  void TearDown() override {
    if (dialog_) DestroyWindow(dialog_);
  }
  RECT ClientRectOf(int id) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog_, id), &r);
    MapWindowPoints(nullptr, dialog_, (POINT*)&r, 2);
    return r;
  }
  HWND dialog_ = nullptr;
};

TEST_F(DialogControlsTest, SetEditRangeLimitsDigitsAndSetsRange) {
  struct Case {
    int max, min;
    int chars;
  } cases[] = {
      {1000, -1000, 5}, {10000, 0, 5}, {100, 1, 3},           {100, 0, 3},
      {0, -5, 2},       {9, 0, 1},     {INT_MAX, INT_MIN, 11}, {70000, 0, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.max << " " << c.min);
    SetEditRange(dialog_, kEdit, kUpDown, c.max, c.min);
    EXPECT_EQ(c.chars, (int)SendDlgItemMessageW(dialog_, kEdit, EM_GETLIMITTEXT, 0, 0));
    int low = 0, high = 0;
    SendDlgItemMessageW(dialog_, kUpDown, UDM_GETRANGE32, (WPARAM)&low, (LPARAM)&high);
    EXPECT_EQ(c.min, low);
    EXPECT_EQ(c.max, high);
  }
}

TEST_F(DialogControlsTest, GetEditTextAllocCopiesText) {
  EXPECT_EQ(nullptr, GetEditTextAlloc(dialog_, kEdit, EDIT_TEXT_PLAIN));
  EXPECT_EQ(nullptr, GetEditTextAlloc(dialog_, 999, EDIT_TEXT_PLAIN));  // no such control
  SetDlgItemTextW(dialog_, kEdit, L"C:\\Tools\\Gr\u00FC\u00DFe.exe");
  wchar_t* text = GetEditTextAlloc(dialog_, kEdit, EDIT_TEXT_PLAIN);
  ASSERT_TRUE(text != nullptr);
  EXPECT_STREQ(L"C:\\Tools\\Gr\u00FC\u00DFe.exe", text);
  EXPECT_GE(HeapSize(GetProcessHeap(), 0, text), (wcslen(text) + 1) * sizeof(wchar_t));
  HeapFree(GetProcessHeap(), 0, text);
}

TEST_F(DialogControlsTest, GetEditTextAllocExpandsAndMakesPathsAbsolute) {
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring folder(program);
  folder.resize(folder.rfind(L'\\'));
  std::wstring parent = folder.substr(0, folder.rfind(L'\\'));
  SetEnvironmentVariableW(L"VN_DLG_TOOLS", L"C:\\Tools");
  struct Case {
    std::wstring text, expect;
  } cases[] = {
      {L"%VN_DLG_TOOLS%\\x.exe", L"C:\\Tools\\x.exe"},
      {L"tool.exe", folder + L"\\tool.exe"},
      {L"..\\a.txt", parent + L"\\a.txt"},
      {L"C:\\abs\\b.exe", L"C:\\abs\\b.exe"},
      {L"%VN_DLG_UNSET%\\c.exe", L"%VN_DLG_UNSET%\\c.exe"},  // no absolute form: as expanded
      {L"\\\\server\\share\\d.exe", L"\\\\server\\share\\d.exe"},
  };
  for (const Case& c : cases) {
    SetDlgItemTextW(dialog_, kEdit, c.text.c_str());
    wchar_t* text = GetEditTextAlloc(dialog_, kEdit, EDIT_TEXT_ABSOLUTE_PATH);
    ASSERT_TRUE(text != nullptr);
    EXPECT_EQ(c.expect, std::wstring(text));
    HeapFree(GetProcessHeap(), 0, text);
  }
  SetEnvironmentVariableW(L"VN_DLG_TOOLS", nullptr);
  SetDlgItemTextW(dialog_, kEdit, L"");
  EXPECT_EQ(nullptr, GetEditTextAlloc(dialog_, kEdit, EDIT_TEXT_ABSOLUTE_PATH));
}

TEST_F(DialogControlsTest, PlaceControlInFrameByPercent) {
  MoveWindow(GetDlgItem(dialog_, kPlacementFrameId), 20, 30, 200, 100, FALSE);
  struct Case {
    int x, y, w, h;
    RECT expect;  // left, top, right, bottom
  } cases[] = {
      {0, 0, 0, 0, {5, 6, 45, 18}},        // nothing given: stays
      {-5, -1, -100, -2, {5, 6, 45, 18}},  // negative: stays
      {50, 0, 0, 0, {120, 6, 160, 18}},
      {0, 25, 0, 0, {5, 55, 45, 67}},
      {10, 10, 50, 50, {40, 40, 140, 90}},
      {0, 0, 100, 100, {5, 6, 205, 106}},
      {33, 33, 0, 0, {86, 63, 126, 75}},   // 66 and 33: rounded down
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " " << c.y << " " << c.w << " " << c.h);
    MoveWindow(GetDlgItem(dialog_, kOther), 5, 6, 40, 12, FALSE);
    PlaceControlInFrame(dialog_, kOther, c.x, c.y, c.w, c.h);
    RECT r = ClientRectOf(kOther);
    EXPECT_EQ(c.expect.left, r.left);
    EXPECT_EQ(c.expect.top, r.top);
    EXPECT_EQ(c.expect.right, r.right);
    EXPECT_EQ(c.expect.bottom, r.bottom);
  }
}

}  // namespace
