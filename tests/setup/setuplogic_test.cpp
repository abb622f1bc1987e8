#include <gtest/gtest.h>
#include <windows.h>

#include "setup/setuplogic.h"
#include "setup/startoptions.h"

TEST(StartOptions, ReadAndWrittenBack) {
  struct Case {
    const wchar_t* text;
    BOOL pageOn; int page; BOOL buttonsOn; int columns, rows; BOOL pinned; int show; int x, y;
    BOOL nonResident; BOOL delayOn; int delay;
    const wchar_t* written;
  } cases[] = {
      {L" /p2 /b5:4 /l /m /d3000", TRUE, 2, TRUE, 5, 4, TRUE, SHOW_AROUND_CURSOR, 0, 0, FALSE, TRUE, 3000,
       L" /p2 /b5:4 /l /m /d3000"},
      {L"", FALSE, 1, FALSE, 7, 3, FALSE, SHOW_DEFAULT, 0, 0, FALSE, FALSE, 1000, L""},
      {L" /b0:0 /d40000", FALSE, 1, TRUE, 7, 3, FALSE, SHOW_DEFAULT, 0, 0, FALSE, TRUE, 1000, L" /b7:3 /d1000"},
      {L" /P101 /B100:101", TRUE, 1, TRUE, 100, 3, FALSE, SHOW_DEFAULT, 0, 0, FALSE, FALSE, 1000, L" /p1 /b100:3"},
      // A position wins over the cursor and keeps its sign.
      {L" /m /s-20:35 /n", FALSE, 1, FALSE, 7, 3, FALSE, SHOW_AT_POSITION, -20, 35, TRUE, FALSE, 1000,
       L" /s-20:35 /n"},
      {L" /s", FALSE, 1, FALSE, 7, 3, FALSE, SHOW_AT_POSITION, 0, 0, FALSE, FALSE, 1000, L" /s0:0"},
      {L"/d99999999999 /pX", TRUE, 1, FALSE, 7, 3, FALSE, SHOW_DEFAULT, 0, 0, FALSE, TRUE, 1000, L" /p1 /d1000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    StartOptions o;
    ParseStartOptions(c.text, &o);
    EXPECT_EQ(c.pageOn, o.PageOn) << c.text[0];
    EXPECT_EQ(c.page, o.Page);
    EXPECT_EQ(c.buttonsOn, o.ButtonsOn);
    EXPECT_EQ(c.columns, o.Columns);
    EXPECT_EQ(c.rows, o.Rows);
    EXPECT_EQ(c.pinned, o.Pinned);
    EXPECT_EQ(c.show, o.Show);
    EXPECT_EQ(c.x, o.X);
    EXPECT_EQ(c.y, o.Y);
    EXPECT_EQ(c.nonResident, o.NonResident);
    EXPECT_EQ(c.delayOn, o.DelayOn);
    EXPECT_EQ(c.delay, o.Delay);
    wchar_t out[kStartOptionChars];
    BuildStartOptions(o, out);
    EXPECT_STREQ(c.written, out);
  }
}

TEST(StartOptions, OutOfRangeFieldsAreLeftOut) {
  StartOptions o = {};
  o.PageOn = TRUE;  // page 0: nothing to choose
  o.ButtonsOn = TRUE;
  o.Columns = 4;    // rows 0
  o.DelayOn = TRUE;
  o.Delay = 30001;
  o.Show = SHOW_AROUND_CURSOR;
  wchar_t out[kStartOptionChars];
  BuildStartOptions(o, out);
  EXPECT_STREQ(L" /m", out);
}

TEST(InstallFolder, Checks) {
  const wchar_t* setup = L"Z:\\tmp\\dist\\";
  struct Case { const wchar_t* folder; int expected; } cases[] = {
      {L"C:\\Program Files\\Vantrel\\", FOLDER_OK},
      {L"d:\\x\\", FOLDER_OK},
      {L"z:\\TMP\\Dist\\", FOLDER_SETUP},
      {L"C:\\", FOLDER_ROOT},
      {L"\\", FOLDER_ROOT},
      {L"\\\\server\\share\\Vantrel\\", FOLDER_NOT_FULL},
      {L"Vantrel\\", FOLDER_NOT_FULL},
      {L"C:Vantrel\\", FOLDER_NOT_FULL},
      {L"1:\\Vantrel\\", FOLDER_NOT_FULL},
      {L"C:\\a\\..\\Windows\\", FOLDER_NOT_FULL},
      {L"C:\\a\\\\b\\", FOLDER_NOT_FULL},
      {L"C:\\a<b\\", FOLDER_NOT_FULL},
      {L"C:\\a\\b:c\\", FOLDER_NOT_FULL},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, CheckInstallFolder(c.folder, setup)) << (int)c.folder[0];
}

TEST(UninstallString, FolderOfTheProgram) {
  struct Case { const wchar_t* text; BOOL ok; const wchar_t* folder; } cases[] = {
      {L"\"C:\\Program Files\\Vantrel\\Setup.exe\" /r", TRUE, L"C:\\Program Files\\Vantrel\\"},
      {L"C:\\Vantrel\\Setup.exe /r", TRUE, L"C:\\Vantrel\\"},
      {L"\"C:\\Program Files\\Vantrel\\Setup.exe /r", FALSE, L""},
      {L"C:\\Vantrel\\Setup.exe", FALSE, L""},
      {L"\"Setup.exe\" /r", FALSE, L""},
      {L"", FALSE, L""},
  };
  for (const Case& c : cases) {
    wchar_t folder[MAX_PATH] = L"";
    EXPECT_EQ(c.ok, ParseUninstallString(c.text, folder));
    if (c.ok) {
      EXPECT_STREQ(c.folder, folder);
    }
  }
}

TEST(SetupCommand, Dispatch) {
  struct Case { const wchar_t* cmdline; int command; const wchar_t* library; } cases[] = {
      {L"", SETUP_WIZARD, L""},
      {L"/r", SETUP_ASK_REMOVE, L""},
      {L"/R", SETUP_ASK_REMOVE, L""},
      {L"/X", SETUP_WIZARD, L""},
      {L"/x", SETUP_REMOVE, L""},
      {L"/x /C:\\Temp\\VUI1A.tmp", SETUP_REMOVE, L"C:\\Temp\\VUI1A.tmp"},
      {L"/x /\"C:\\My Temp\\VUI1A.tmp\"", SETUP_REMOVE, L"C:\\My Temp\\VUI1A.tmp"},
      {L"setup /r", SETUP_WIZARD, L""},
  };
  for (const Case& c : cases) {
    wchar_t library[MAX_PATH];
    EXPECT_EQ(c.command, ParseSetupCommand(c.cmdline, library)) << (int)wcslen(c.cmdline);
    EXPECT_STREQ(c.library, library);
  }
}

TEST(DisplayVersion, DigitsAsNumbers) {
  struct Case { DWORD ms, ls; const wchar_t* text; } cases[] = {
      {MAKELONG(2, 4), MAKELONG(0, 1), L"4.21"},
      {MAKELONG(2, 4), MAKELONG(0, 2), L"4.22"},
      {MAKELONG(12, 4), MAKELONG(7, 10), L"4.1210"},
  };
  for (const Case& c : cases) {
    wchar_t out[16];
    FormatDisplayVersion(c.ms, c.ls, out);
    EXPECT_STREQ(c.text, out);
  }
}

TEST(LanguageList, IdsAndLibraryVersions) {
  EXPECT_EQ(0x0409, ParseLanguageListId(L"0x0409"));
  EXPECT_EQ(0x0809, ParseLanguageListId(L"0x0809   ; English (United Kingdom)"));
  EXPECT_EQ(0x0c0a, ParseLanguageListId(L"0C0A"));
  EXPECT_EQ(0, ParseLanguageListId(L""));
  EXPECT_EQ(0, ParseLanguageListId(L"; none"));
  EXPECT_EQ(0, ParseLanguageListId(L"0x123456"));
  struct Case { const wchar_t* text; int ok; } versions[] = {
      {L"4.20", 1}, {L"4.22", 1}, {L"5.00", 1}, {L"4.19", 0}, {L"4.2", 0}, {L"4,20", 0}, {L"a.bc", 0}};
  for (const Case& c : versions) EXPECT_EQ(c.ok, AcceptSetupLanguageVersion(c.text)) << c.ok;
}
