#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "state.h"
#include "store/backup.h"
#include "store/designfile.h"
#include "store/datafolder.h"
#include "store/lists.h"
#include "store/settings.h"
#include "support/message_recorder.h"
#include "support/settings_env.h"
#include "support/test_support.h"

namespace {

std::wstring DesignFixture(const wchar_t* name) { return FixturePath(L"design") + L"\\" + name; }

std::wstring Utf16Text(const std::string& bytes) {
  // Drops the BOM.
  if (bytes.size() < 2) return L"";
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

bool CopyFixture(const wchar_t* name, const std::wstring& to) {
  std::string bytes = ReadFileBytes(DesignFixture(name));
  return !bytes.empty() && WriteFileBytes(to, bytes);
}

class DesignFileTest : public ::testing::Test {
 protected:
  PageDesign pageStore[4] = {};
  PageDesign* pages[4] = {&pageStore[0], &pageStore[1], &pageStore[2], &pageStore[3]};
  TempDir dir;
  wchar_t savedFolder[260];

  void SetUp() override {
    lstrcpynW(savedFolder, g_App.DataFolderPath, 260);
    Clear();
    ResetAllDesigns();
    // Null paths go to a data folder of the test's own.
    lstrcpynW(g_App.DataFolderPath, dir.Path.c_str(), 260);
  }
  void TearDown() override {
    Clear();
    lstrcpynW(g_App.DataFolderPath, savedFolder, 260);
  }
  static void Clear() {
    for (int i = 0; i < FONT_COUNT; i++) {
      HFONT a = g_App.Design.ViewMode[0].Fonts[i].Font, b = g_App.Design.ViewMode[1].Fonts[i].Font;
      if (a) DeleteObject(a);
      if (b && b != a) DeleteObject(b);
    }
    g_App.Design = DesignState{};
    g_App.Settings = SettingsState{};
    g_App.SkinName[0] = 0;
    g_App.RunState = 0;
  }
  // Reads a fixture copied under its own name, writes it back and compares bytes.
  void ExpectRoundTrip(const wchar_t* name, int pageCount) {
    SCOPED_TRACE(testing::Message() << "fixture " << std::string(name, name + wcslen(name)));
    std::wstring in = dir.File(name);
    ASSERT_TRUE(CopyFixture(name, in));
    std::string original = ReadFileBytes(in);
    ASSERT_EQ(ReadDesignPages(in.c_str(), 1, pages, pageCount), 1);
    std::wstring out = dir.File(L"out.vsd");
    ASSERT_EQ(WriteDesignPages(nullptr, out.c_str(), pages, pageCount), 1);
    EXPECT_TRUE(ReadFileBytes(out) == original) << "written back differently";
    // Over the file it came from, too.
    ASSERT_EQ(WriteDesignPages(nullptr, in.c_str(), pages, pageCount), 1);
    EXPECT_TRUE(ReadFileBytes(in) == original);
    EXPECT_EQ(GetFileAttributesW((in + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
  }
};

// ---- round trips ----

TEST_F(DesignFileTest, HandWrittenFilesAreWrittenBackByteForByte) {
  ExpectRoundTrip(L"Design.ini", 3);
  ExpectRoundTrip(L"[FOLDER]_Glass.vsd", 1);
  ExpectRoundTrip(L"Classic.vsd", 0);
  g_App.Settings.DispOption = DISP_SEPARATE_VIEWMODES;
  ExpectRoundTrip(L"Blue.vsd", 2);
}

TEST_F(DesignFileTest, SkinDesignFilesFoundByNameRoundTrip) {
  struct Case {
    const wchar_t* Skin;
    const wchar_t* File;
    int Pages;
    UINT DispOption;
  } cases[] = {{L"Blue.zip", L"Blue.vsd", 2, DISP_SEPARATE_VIEWMODES},
               {L"\\Glass", L"[FOLDER]_Glass.vsd", 1, 0},
               {L"", L"Classic.vsd", 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Pages);
    wchar_t path[260];
    GetDesignFilePath(path, c.Skin);
    ASSERT_EQ(std::wstring(path), dir.File(c.File));
    ASSERT_TRUE(CopyFixture(c.File, path));
    std::string original = ReadFileBytes(path);
    g_App.Settings.DispOption = c.DispOption;
    ASSERT_EQ(ReadDesignPages(path, 1, pages, c.Pages), 1);
    ASSERT_EQ(WriteDesignPages(nullptr, path, pages, c.Pages), 1);
    EXPECT_TRUE(ReadFileBytes(path) == original);
  }
}

TEST_F(DesignFileTest, ReadPutsEveryValueInItsPlace) {
  g_App.Settings.DispOption = DISP_SEPARATE_VIEWMODES;
  ASSERT_EQ(ReadDesignPages(DesignFixture(L"Blue.vsd").c_str(), 1, pages, 2), 1);
  EXPECT_STREQ(g_App.SkinName, L"Blue.zip");
  // mode(5, 6, 6, (10, 10, 400), "Arial") of the fixture script.
  const ViewModeDesign& v = g_App.Design.ViewMode[1];
  EXPECT_EQ(v.Flag, 0x15u);
  EXPECT_EQ(v.CaptionHeight, 25);
  EXPECT_EQ(v.FrameWidth, 9);
  EXPECT_EQ(v.TabSizeX, 65);
  EXPECT_EQ(v.TabSizeY, 23);
  EXPECT_EQ(v.ButtonSizeX, 55);
  EXPECT_EQ(v.ButtonSizeY, 57);
  EXPECT_EQ(v.IconSizeGet, 29);
  EXPECT_EQ(v.IconSizeDisp, 25);
  EXPECT_EQ(v.ButtonNumX, 6);
  EXPECT_EQ(v.ButtonNumY, 6);
  EXPECT_EQ(v.SearchWindowX, 10);
  EXPECT_EQ(v.SearchWindowY, 10);
  EXPECT_EQ(v.SearchWindowW, 400);
  const LONG margins[4][4] = {{8, 1, -2, 0}, {6, 0, 11, 1}, {1, 7, 0, 8}, {-1000, 1000, 2, 2}};
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(v.Margin[i].left, margins[i][0]) << i;
    EXPECT_EQ(v.Margin[i].top, margins[i][1]) << i;
    EXPECT_EQ(v.Margin[i].right, margins[i][2]) << i;
    EXPECT_EQ(v.Margin[i].bottom, margins[i][3]) << i;
  }
  const int sizes[5] = {17, 10, 14, 8, 72};
  const UINT flags[5] = {0x100, 0x300, 0, 0x400, 0x700};
  for (int i = 0; i < 5; i++) {
    EXPECT_EQ(v.Fonts[i].Size, sizes[i]) << i;
    EXPECT_EQ(v.Fonts[i].Flag, flags[i]) << i;
    EXPECT_STREQ(v.Fonts[i].Face, L"Arial") << i;
  }
  EXPECT_EQ(g_App.Design.ViewMode[0].CaptionHeight, 22);
  EXPECT_STREQ(g_App.Design.ViewMode[0].Fonts[0].Face, L"Segoe UI");

  const DesignColors& w = g_App.Design.Window;
  EXPECT_EQ(w.Flag, 0x240u);
  EXPECT_EQ(w.BG1, 0x123456u);
  EXPECT_EQ(w.BG2, 0x654321u);
  EXPECT_EQ(w.Frame1, 0xFFFFFFu);
  EXPECT_EQ(w.Frame2, 0u);
  EXPECT_EQ(w.TextClr1, 0x202020u);
  EXPECT_EQ(w.TextClr2, 0xFFFFFFu);
  EXPECT_EQ(w.ShadowAlpha, 0);
  EXPECT_EQ(w.ShadowWidth, 100);
  EXPECT_EQ(w.Pattern, 0);

  // page_sets(seed): set i = (0x11+i, 0x010203*(seed+i+1), 0xA0A0A0^seed, 0xFFFFFF-i, seed,
  //                           0x202020+i, 0x00FF00>>(i%3), 255-seed-i, 1+i, i%3)
  struct Expect {
    const PageDesign* Design;
    UINT Seed;
  } designs[] = {{&g_App.Design.PageDefault, 6}, {pages[0], 7}, {pages[1], 8}};
  for (const Expect& e : designs)
    for (UINT i = 0; i < 6; i++) {
      SCOPED_TRACE(testing::Message() << "seed " << e.Seed << " set " << i);
      const DesignColors& c = e.Design->Sets[i];
      EXPECT_EQ(c.Flag, 0x11 + i);
      EXPECT_EQ(c.BG1, (0x010203u * (e.Seed + i + 1)) & 0xFFFFFF);
      EXPECT_EQ(c.BG2, 0xA0A0A0u ^ e.Seed);
      EXPECT_EQ(c.Frame1, 0xFFFFFFu - i);
      EXPECT_EQ(c.Frame2, e.Seed);
      EXPECT_EQ(c.TextClr1, 0x202020u + i);
      EXPECT_EQ(c.TextClr2, 0x00FF00u >> (i % 3));
      EXPECT_EQ(c.ShadowAlpha, (int)(255 - e.Seed - i));
      EXPECT_EQ(c.ShadowWidth, (int)(1 + i));
      EXPECT_EQ(c.Pattern, (int)(i % 3));
    }
}

TEST_F(DesignFileTest, EscapedBracketsAndWideCharactersSurvive) {
  ASSERT_EQ(ReadDesignPages(DesignFixture(L"[FOLDER]_Glass.vsd").c_str(), 1, pages, 1), 1);
  EXPECT_STREQ(g_App.SkinName, L"\\Glass [v2]");
  EXPECT_STREQ(g_App.Design.ViewMode[0].Fonts[FONT_SUBMENU].Face, L"\x30e1\x30a4\x30ea\x30aa [x]");
  // Shared designs: the second mode is the first but for grid and search window.
  EXPECT_STREQ(g_App.Design.ViewMode[1].Fonts[FONT_SUBMENU].Face, L"\x30e1\x30a4\x30ea\x30aa [x]");
  EXPECT_EQ(g_App.Design.ViewMode[1].ButtonNumX, 1);
  EXPECT_EQ(g_App.Design.ViewMode[1].SearchWindowW, 10);
}

TEST_F(DesignFileTest, NullPathUsesDesignIniThenTheSettingsFile) {
  // Only Vantrel.ini: its design sections, found after the settings' own [PageNNN].
  ASSERT_TRUE(CopyFixture(L"Vantrel.ini", dir.File(L"Vantrel.ini")));
  ASSERT_EQ(ReadDesignPages(nullptr, 1, pages, 3), 1);
  EXPECT_EQ(g_App.Design.ViewMode[0].ButtonNumX, 8);
  EXPECT_EQ(pages[0]->Sets[0].Frame2, 3u);
  EXPECT_EQ(pages[2]->Sets[0].Frame2, 5u);

  // Writing with no path makes Design.ini, the same bytes as the hand-written one.
  ASSERT_EQ(WriteDesignPages(nullptr, nullptr, pages, 3), 1);
  EXPECT_TRUE(ReadFileBytes(dir.File(L"Design.ini")) == ReadFileBytes(DesignFixture(L"Design.ini")));

  // Design.ini wins over Vantrel.ini once it exists.
  ASSERT_TRUE(CopyFixture(L"Classic.vsd", dir.File(L"Design.ini")));
  ASSERT_EQ(ReadDesignPages(nullptr, 1, pages, 0), 1);
  EXPECT_EQ(g_App.Design.ViewMode[0].ButtonNumX, 7);
  EXPECT_STREQ(g_App.SkinName, L"");

}

TEST_F(DesignFileTest, AppendedToASettingsFileAfterItsOwnSections) {
  std::wstring path = dir.File(L"backup.ini");
  IniFile f;
  ASSERT_EQ(OpenIniFile(&f, path.c_str()), 1);
  int ok = WriteIniSection(&f, L"General", -1);
  ok &= WriteIniHex(&f, L"Version", 0x04020200, -1);
  ok &= WriteIniHex(&f, L"Status", 0, -1);
  ok &= WriteIniSection(&f, L"Pages", -1);
  ok &= WriteIniInt(&f, L"Count", 2, -1);
  for (int i = 0; i < 2; i++) {
    wchar_t name[8];
    wsprintfW(name, L"P%d", i);
    ok &= WriteIniSection(&f, L"Page%03u", i);
    ok &= WriteIniString(&f, L"Name", name, -1);
    ok &= WriteIniHex(&f, L"Flag", 0, -1);
    ok &= WriteIniInt(&f, L"Count", 1, -1);
    ok &= WriteIniSection(&f, L"ScrollStat", -1);
    ok &= WriteIniList(&f, L"ViewMode%d", 0, 0, 1);
    ok &= WriteIniList(&f, L"ViewMode%d", 0, 0, 2);
    ok &= WriteIniSection(&f, L"Btn%03u", 0);
    ok &= WriteIniHex(&f, L"Type", 1, -1);
    ok &= WriteIniString(&f, L"Name", L"Caption", -1);
  }
  ok &= WriteIniSection(&f, L"SubMenus", -1);
  ok &= WriteIniInt(&f, L"Count", 0, -1);
  ASSERT_EQ(ok, 1);
  ASSERT_EQ(ReadDesignPages(DesignFixture(L"Design.ini").c_str(), 1, pages, 3), 1);
  ASSERT_EQ(WriteDesignPages(&f, nullptr, pages, 3), 1);
  EXPECT_TRUE(ReadFileBytes(path) == ReadFileBytes(DesignFixture(L"Vantrel.ini")));
}

// ---- old files and partial files ----

TEST_F(DesignFileTest, OldSectionNamesReadButWithoutHoverSetTheFileIsIncomplete) {
  for (auto* p : pages) InitPageDesign(p);
  EXPECT_EQ(ReadDesignPages(DesignFixture(L"legacy.ini").c_str(), 1, pages, 1), 0);
  EXPECT_STREQ(g_App.SkinName, L"Old");
  const ViewModeDesign& v = g_App.Design.ViewMode[0];
  EXPECT_EQ(v.CaptionHeight, 24);
  EXPECT_EQ(v.ButtonNumX, 5);
  EXPECT_EQ(v.Margin[MARGIN_TABTEXT].right, 10);
  EXPECT_STREQ(v.Fonts[FONT_SUBMENU].Face, L"Verdana");
  EXPECT_EQ(v.Fonts[FONT_TABB].Size, 13);
  EXPECT_EQ(v.Fonts[FONT_TABA].Flag, 0x300u);
  // Sets 0-3 from [TabB], [TabBH], [Tab], [Button]; pressed copies normal; hover keeps its own.
  const PageDesign* read[2] = {&g_App.Design.PageDefault, pages[0]};
  for (const PageDesign* d : read) {
    for (UINT i = 0; i < 4; i++) EXPECT_EQ(d->Sets[i].Flag, 0x11 + i);
    EXPECT_EQ(d->Sets[PD_BUTTOND].Flag, 0x14u);
    EXPECT_EQ(d->Sets[PD_BUTTOND].BG1, d->Sets[PD_BUTTONN].BG1);
    EXPECT_EQ(d->Sets[PD_BUTTONH].Flag, 0x11u);  // default hover set untouched
    EXPECT_EQ(d->Sets[PD_BUTTONH].BG1, 0x24CEFFu);
  }
}

std::wstring FixtureText(const wchar_t* name) { return Utf16Text(ReadFileBytes(DesignFixture(name))); }

TEST_F(DesignFileTest, OnlyWindowSectionGivesDefaultViewModesAndKeepsPages) {
  std::wstring path = dir.File(L"w.ini");
  ASSERT_TRUE(WriteUtf16File(path,
                             L"\r\n[Window]\r\nFlag=00000201\r\nBG1=00000001\r\nBG2=00000002\r\nFrame1=00000003\r\n"
                             L"Frame2=00000004\r\nTextClr1=00000005\r\nTextClr2=00000006\r\nPattern=7\r\n"));
  g_App.Design.ViewMode[0].CaptionHeight = 77;
  lstrcpyW(g_App.SkinName, L"kept");
  pages[0]->Sets[3].BG1 = 0x123;
  g_App.Design.PageDefault.Sets[1].BG2 = 0x456;
  EXPECT_EQ(ReadDesignPages(path.c_str(), 0, pages, 1), 0);
  EXPECT_EQ(g_App.Design.ViewMode[0].CaptionHeight, 22);
  EXPECT_EQ(g_App.Design.ViewMode[1].ButtonNumY, 6);
  EXPECT_STREQ(g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Face, L"Segoe UI");
  EXPECT_EQ(g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Size, 11);
  EXPECT_EQ(g_App.Design.Window.Flag, 0x201u);
  EXPECT_EQ(g_App.Design.Window.TextClr2, 6u);
  EXPECT_EQ(g_App.Design.Window.ShadowAlpha, 255);  // missing: 255
  EXPECT_EQ(g_App.Design.Window.ShadowWidth, 1);    // missing: 1
  EXPECT_EQ(g_App.Design.Window.Pattern, 7);
  EXPECT_STREQ(g_App.SkinName, L"kept");
  EXPECT_EQ(pages[0]->Sets[3].BG1, 0x123u);
  EXPECT_EQ(g_App.Design.PageDefault.Sets[1].BG2, 0x456u);
}

TEST_F(DesignFileTest, NoFileOrNoWindowSectionResetsEverything) {
  struct Case {
    const wchar_t* Name;
    const char* Bytes;
    size_t Size;
  } cases[] = {{L"missing.ini", nullptr, 0},
               {L"empty.ini", "", 0},
               {L"nowindow.ini", "\xFF\xFE\r\0\n\0[\0S\0k\0i\0n\0]\0", 18}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Size);
    std::wstring path = dir.File(c.Name);
    if (c.Bytes) {
      ASSERT_TRUE(WriteFileBytes(path, std::string(c.Bytes, c.Size)));
    }
    g_App.Design.ViewMode[1].IconSizeGet = 64;
    g_App.Design.Window.BG1 = 1;
    g_App.Design.PageDefault.Sets[0].BG1 = 1;
    pages[1]->Sets[5].Flag = 99;
    EXPECT_EQ(ReadDesignPages(path.c_str(), 0, pages, 2), 0);
    EXPECT_EQ(g_App.Design.ViewMode[1].IconSizeGet, 32);
    EXPECT_EQ(g_App.Design.Window.BG1, 0xFFFFFFu);
    EXPECT_EQ(g_App.Design.PageDefault.Sets[0].BG1, 0xCFCFCFu);
    EXPECT_EQ(pages[1]->Sets[5].Flag, 1u);
  }
}

// Replaces the first occurrence of `from` in the hand-written Design.ini.
std::wstring EditedDesign(const std::wstring& from, const std::wstring& to) {
  std::wstring text = FixtureText(L"Design.ini");
  size_t at = text.find(from);
  if (at == std::wstring::npos) return L"";
  return text.replace(at, from.size(), to);
}

TEST_F(DesignFileTest, ValuesOutOfRangeAreReplacedAfterReading) {
  // Design.ini view mode 1 is mode(1, ...): CaptionHeight 21, IconSizeGet 25 ...
  struct Case {
    const wchar_t* From;
    const wchar_t* To;
    int (*Get)();
    int Expected;
  } cases[] = {
      {L"IconSizeGet=25", L"IconSizeGet=8", [] { return g_App.Design.ViewMode[0].IconSizeGet; }, 32},
      {L"IconSizeGet=25", L"IconSizeGet=257", [] { return g_App.Design.ViewMode[0].IconSizeGet; }, 32},
      {L"IconSizeGet=25", L"IconSizeGet=16", [] { return g_App.Design.ViewMode[0].IconSizeGet; }, 16},
      {L"IconSizeDisp=21", L"IconSizeDisp=257", [] { return g_App.Design.ViewMode[0].IconSizeDisp; }, 32},
      {L"IconSizeDisp=21", L"IconSizeDisp=0", [] { return g_App.Design.ViewMode[0].IconSizeDisp; }, 0},
      {L"ButtonNumX=8", L"ButtonNumX=0", [] { return g_App.Design.ViewMode[0].ButtonNumX; }, 7},
      {L"ButtonNumX=8", L"ButtonNumX=-4", [] { return g_App.Design.ViewMode[0].ButtonNumX; }, 7},
      {L"ButtonNumX=8", L"ButtonNumX=1001", [] { return g_App.Design.ViewMode[0].ButtonNumX; }, 7},
      {L"ButtonNumY=4", L"ButtonNumY=0", [] { return g_App.Design.ViewMode[0].ButtonNumY; }, 3},
      {L"ButtonNumY=4", L"ButtonNumY=2147483647", [] { return g_App.Design.ViewMode[0].ButtonNumY; }, 3},
      {L"ButtonNumY=4", L"ButtonNumY=1000", [] { return g_App.Design.ViewMode[0].ButtonNumY; }, 1000},
      {L"ButtonSizeX=51", L"ButtonSizeX=501", [] { return g_App.Design.ViewMode[0].ButtonSizeX; }, 58},
      {L"ButtonSizeY=53", L"ButtonSizeY=-1", [] { return g_App.Design.ViewMode[0].ButtonSizeY; }, 58},
      {L"ButtonSizeY=53", L"ButtonSizeY=500", [] { return g_App.Design.ViewMode[0].ButtonSizeY; }, 500},
      {L"FrameWidth=5", L"FrameWidth=101", [] { return g_App.Design.ViewMode[0].FrameWidth; }, 6},
      {L"CaptionHeight=21", L"CaptionHeight=-1", [] { return g_App.Design.ViewMode[0].CaptionHeight; }, 22},
      {L"CaptionHeight=21", L"CaptionHeight=100", [] { return g_App.Design.ViewMode[0].CaptionHeight; }, 100},
      {L"TabSizeX=61", L"TabSizeX=600", [] { return g_App.Design.ViewMode[0].TabSizeX; }, 58},
      {L"TabSizeY=19", L"TabSizeY=101", [] { return g_App.Design.ViewMode[0].TabSizeY; }, 20},
      {L"TabSizeY=19", L"TabSizeY=-100", [] { return g_App.Design.ViewMode[0].TabSizeY; }, 20},
      // Caption margin of view mode 1 is 4, 1, -2, 0.
      {L"Left=4\r\n", L"Left=2000\r\n", [] { return (int)g_App.Design.ViewMode[0].Margin[0].left; }, 0},
      {L"Right=-2\r\n", L"Right=-1001\r\n", [] { return (int)g_App.Design.ViewMode[0].Margin[0].right; }, 0},
      // Caption font of view mode 1: 13 points; tab B font: 10.
      {L"Size=13", L"Size=0", [] { return g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Size; }, 11},
      {L"Size=13", L"Size=73", [] { return g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Size; }, 11},
      {L"Size=13", L"Size=1", [] { return g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Size; }, 1},
      {L"Size=10\r\nFlag=00000000", L"Size=-3\r\nFlag=00000000",
       [] { return g_App.Design.ViewMode[0].Fonts[FONT_TABB].Size; }, 10},
      {L"ShadowAlpha=200", L"ShadowAlpha=256", [] { return g_App.Design.Window.ShadowAlpha; }, 255},
      {L"ShadowAlpha=200", L"ShadowAlpha=-1", [] { return g_App.Design.Window.ShadowAlpha; }, 255},
      {L"ShadowWidth=2", L"ShadowWidth=101", [] { return g_App.Design.Window.ShadowWidth; }, 1},
      {L"ShadowWidth=2", L"ShadowWidth=0", [] { return g_App.Design.Window.ShadowWidth; }, 0},
      // Missing numbers read 0 (then meet their range), missing shadows their defaults.
      {L"CaptionHeight=21\r\n", L"", [] { return g_App.Design.ViewMode[0].CaptionHeight; }, 0},
      {L"IconSizeGet=25\r\n", L"", [] { return g_App.Design.ViewMode[0].IconSizeGet; }, 32},
      {L"Flag=00000011\r\n", L"", [] { return (int)g_App.Design.ViewMode[0].Flag; }, 0},
      {L"ShadowAlpha=200\r\n", L"", [] { return g_App.Design.Window.ShadowAlpha; }, 255},
      {L"Flag=00000200\r\n", L"Flag=\r\n", [] { return (int)g_App.Design.Window.Flag; }, 0},
      {L"BG1=00fffffe", L"BG1=zz", [] { return (int)g_App.Design.Window.BG1; }, 0},
  };
  std::wstring path = dir.File(L"edited.ini");
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.To, c.To + wcslen(c.To)));
    std::wstring text = EditedDesign(c.From, c.To);
    ASSERT_FALSE(text.empty());
    ASSERT_TRUE(WriteUtf16File(path, text));
    ResetAllDesigns();
    ReadDesignPages(path.c_str(), 1, pages, 3);
    EXPECT_EQ(c.Get(), c.Expected);
  }
}

TEST_F(DesignFileTest, MissingStringsKeepTheirValue) {
  std::wstring path = dir.File(L"edited.ini");
  // Without Name the skin name stays and the file counts as incomplete.
  ASSERT_TRUE(WriteUtf16File(path, EditedDesign(L"Name=Blue.zip\r\n", L"")));
  lstrcpyW(g_App.SkinName, L"Before");
  EXPECT_EQ(ReadDesignPages(path.c_str(), 1, pages, 3), 0);
  EXPECT_STREQ(g_App.SkinName, L"Before");

  // A face without its key keeps the face it had.
  ASSERT_TRUE(WriteUtf16File(path, EditedDesign(L"Face=Tahoma\r\n", L"")));
  lstrcpyW(g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Face, L"Earlier");
  EXPECT_EQ(ReadDesignPages(path.c_str(), 1, pages, 3), 1);
  EXPECT_STREQ(g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Face, L"Earlier");
  EXPECT_EQ(g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Size, 13);

  // ... but a face left empty brings the default fonts.
  g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Face[0] = 0;
  ReadDesignPages(path.c_str(), 1, pages, 3);
  EXPECT_STREQ(g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Face, L"Segoe UI");
  EXPECT_EQ(g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Size, 11);
  EXPECT_EQ(g_App.Design.ViewMode[0].Fonts[FONT_BUTTON].Size, 9);
}

TEST_F(DesignFileTest, MissingFontOrViewModeSectionsFallBackToDefaults) {
  std::wstring path = dir.File(L"edited.ini");
  // A font section missing in both the new and the old names: default fonts.
  ASSERT_TRUE(WriteUtf16File(path, EditedDesign(L"[SubMenu]", L"[Other]")));
  ReadDesignPages(path.c_str(), 1, pages, 3);
  EXPECT_EQ(g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Size, 11);
  EXPECT_STREQ(g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Face, L"Segoe UI");
  // ... and the first mode never borrows the second mode's fonts.
  EXPECT_EQ(g_App.Design.ViewMode[0].ButtonNumX, 8);

  // A missing second view mode: both modes default, the rest still read.
  std::wstring text = FixtureText(L"Design.ini");
  size_t a = text.find(L"\r\n[ViewMode2]"), b = text.find(L"\r\n[Window]");
  ASSERT_TRUE(WriteUtf16File(path, text.substr(0, a) + text.substr(b)));
  EXPECT_EQ(ReadDesignPages(path.c_str(), 1, pages, 3), 1);
  EXPECT_EQ(g_App.Design.ViewMode[0].ButtonNumX, 7);
  EXPECT_EQ(g_App.Design.ViewMode[0].CaptionHeight, 22);
  EXPECT_EQ(g_App.Design.ViewMode[1].ButtonNumY, 6);
  EXPECT_EQ(g_App.Design.Window.ShadowAlpha, 200);
  EXPECT_EQ(pages[2]->Sets[0].Frame2, 5u);

  // A margin section missing: the group's margins past it read 0, fonts still found.
  ASSERT_TRUE(WriteUtf16File(path, EditedDesign(L"[TabText]", L"[Nothing]")));
  ReadDesignPages(path.c_str(), 1, pages, 3);
  EXPECT_EQ(g_App.Design.ViewMode[0].Margin[MARGIN_TABTEXT].left, 0);
  EXPECT_EQ(g_App.Design.ViewMode[0].Margin[MARGIN_BUTTONICON].top, 7);
  EXPECT_EQ(g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Size, 13);
}

TEST_F(DesignFileTest, SearchWindowKeptWhenTheFileHasNone) {
  std::wstring path = dir.File(L"edited.ini");
  // Design.ini's second mode has SearchWindowW=0.
  g_App.Settings.Status = STATUS_VIEWMODE2;
  for (int keep = 0; keep < 2; keep++) {
    SCOPED_TRACE(keep);
    ViewModeDesign& v = g_App.Design.ViewMode[1];
    v.SearchWindowX = 11;
    v.SearchWindowY = 12;
    v.SearchWindowW = 13;
    ASSERT_EQ(ReadDesignPages(DesignFixture(L"Design.ini").c_str(), keep, pages, 3), 1);
    EXPECT_EQ(v.SearchWindowX, keep ? 40 : 11);
    EXPECT_EQ(v.SearchWindowY, keep ? 50 : 12);
    EXPECT_EQ(v.SearchWindowW, keep ? 0 : 13);
  }
  // The first mode's file width is not 0: taken as read.
  g_App.Settings.Status = 0;
  g_App.Design.ViewMode[0].SearchWindowW = 99;
  ReadDesignPages(DesignFixture(L"Design.ini").c_str(), 0, pages, 3);
  EXPECT_EQ(g_App.Design.ViewMode[0].SearchWindowW, 320);
  EXPECT_EQ(g_App.Design.ViewMode[0].SearchWindowX, -30);
}

TEST_F(DesignFileTest, PageSectionsAreMatchedByNumberAndStayInTheirPage) {
  std::wstring path = dir.File(L"edited.ini");
  // [Page001] missing: page 1 keeps its design, page 2 is still read.
  ASSERT_TRUE(WriteUtf16File(path, EditedDesign(L"[Page001]", L"[Gone001]")));
  for (auto* p : pages) InitPageDesign(p);
  ReadDesignPages(path.c_str(), 1, pages, 3);
  EXPECT_EQ(pages[0]->Sets[0].Frame2, 3u);
  EXPECT_EQ(pages[1]->Sets[0].Frame2, 0u);
  EXPECT_EQ(pages[2]->Sets[0].Frame2, 5u);

  // A page without [ButtonD] takes its normal button set for the pressed one,
  // never the next page's.
  std::wstring text = FixtureText(L"Design.ini");
  size_t page0 = text.find(L"[Page000]");
  size_t d = text.find(L"[ButtonD]", page0);
  ASSERT_TRUE(WriteUtf16File(path, text.replace(d, 9, L"[Unknown]")));
  EXPECT_EQ(ReadDesignPages(path.c_str(), 1, pages, 3), 1);
  EXPECT_EQ(pages[0]->Sets[PD_BUTTOND].BG1, pages[0]->Sets[PD_BUTTONN].BG1);
  EXPECT_EQ(pages[0]->Sets[PD_BUTTOND].Flag, 0x14u);
  EXPECT_EQ(pages[1]->Sets[PD_BUTTOND].Flag, 0x16u);

  // More pages than the file holds: the extra one keeps its design; fewer: the rest is ignored.
  pages[3]->Sets[0].BG1 = 0x777;
  EXPECT_EQ(ReadDesignPages(DesignFixture(L"Design.ini").c_str(), 1, pages, 4), 1);
  EXPECT_EQ(pages[3]->Sets[0].BG1, 0x777u);
}

// Every value a read leaves must be within the ranges the program relies on.
void ExpectDesignInRange(const PageDesign* const* pages, int count) {
  for (int m = 0; m < 2; m++) {
    const ViewModeDesign& v = g_App.Design.ViewMode[m];
    EXPECT_TRUE(v.ButtonSizeX >= 0 && v.ButtonSizeX <= 500) << m;
    EXPECT_TRUE(v.ButtonSizeY >= 0 && v.ButtonSizeY <= 500) << m;
    EXPECT_TRUE(v.ButtonNumX >= 1 && v.ButtonNumX <= 1000) << m;
    EXPECT_TRUE(v.ButtonNumY >= 1 && v.ButtonNumY <= 1000) << m;
    EXPECT_TRUE(v.IconSizeGet >= 16 && v.IconSizeGet <= 256) << m;
    EXPECT_TRUE(v.IconSizeDisp >= 0 && v.IconSizeDisp <= 256) << m;
    EXPECT_TRUE(v.FrameWidth >= 0 && v.FrameWidth <= 100) << m;
    EXPECT_TRUE(v.CaptionHeight >= 0 && v.CaptionHeight <= 100) << m;
    EXPECT_TRUE(v.TabSizeX >= 0 && v.TabSizeX <= 500) << m;
    EXPECT_TRUE(v.TabSizeY >= 0 && v.TabSizeY <= 100) << m;
    for (const RECT& r : v.Margin)
      for (LONG e : {r.left, r.top, r.right, r.bottom}) EXPECT_TRUE(e >= -1000 && e <= 1000) << m;
    for (const FontEntry& f : v.Fonts) {
      EXPECT_TRUE(f.Size >= 1 && f.Size <= 72) << m;
      EXPECT_LT(wcsnlen(f.Face, kFaceChars), (size_t)kFaceChars);
      EXPECT_GT(wcslen(f.Face), 0u);
    }
  }
  EXPECT_LT(wcsnlen(g_App.SkinName, 260), 260u);
  std::vector<const DesignColors*> sets = {&g_App.Design.Window};
  for (const DesignColors& c : g_App.Design.PageDefault.Sets) sets.push_back(&c);
  for (int i = 0; i < count; i++)
    for (const DesignColors& c : pages[i]->Sets) sets.push_back(&c);
  for (const DesignColors* c : sets) {
    EXPECT_TRUE(c->ShadowAlpha >= 0 && c->ShadowAlpha <= 255);
    EXPECT_TRUE(c->ShadowWidth >= 0 && c->ShadowWidth <= 100);
  }
}

TEST_F(DesignFileTest, DamagedFilesReadWithoutHarmAndLeaveValuesInRange) {
  WIN32_FIND_DATAW fd;
  std::wstring folder = DesignFixture(L"bad");
  HANDLE h = FindFirstFileW((folder + L"\\*.ini").c_str(), &fd);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  int files = 0;
  std::wstring again = dir.File(L"again.ini"), twice = dir.File(L"twice.ini");
  do {
    std::wstring name = fd.cFileName;
    SCOPED_TRACE(std::string(name.begin(), name.end()));
    files++;
    ResetAllDesigns();
    for (auto* p : pages) InitPageDesign(p);
    ULONGLONG start = GetTickCount64();
    int result = ReadDesignPages((folder + L"\\" + name).c_str(), 0, pages, 3);
    EXPECT_LT(GetTickCount64() - start, 5000u);
    EXPECT_TRUE(result == 0 || result == 1);
    ExpectDesignInRange(pages, 3);
    // What was read is a sound design: it writes, reads back and writes the same bytes.
    ASSERT_EQ(WriteDesignPages(nullptr, again.c_str(), pages, 3), 1);
    ReadDesignPages(again.c_str(), 1, pages, 3);
    ASSERT_EQ(WriteDesignPages(nullptr, twice.c_str(), pages, 3), 1);
    EXPECT_TRUE(ReadFileBytes(again) == ReadFileBytes(twice));
  } while (FindNextFileW(h, &fd));
  FindClose(h);
  EXPECT_GE(files, 20);
}

TEST_F(DesignFileTest, DamagedValuesAreCutOrReplaced) {
  std::wstring bad = DesignFixture(L"bad");
  // 10 000-character values: names and faces cut, numbers out of range replaced.
  ReadDesignPages((bad + L"\\long_values.ini").c_str(), 0, pages, 3);
  EXPECT_EQ(wcslen(g_App.SkinName), 259u);
  EXPECT_EQ(wcslen(g_App.Design.ViewMode[0].Fonts[0].Face), 31u);
  EXPECT_EQ(g_App.Design.ViewMode[0].ButtonNumX, 7);

  // An ANSI file is converted and read.
  EXPECT_EQ(ReadDesignPages((bad + L"\\ansi.ini").c_str(), 0, pages, 3), 0);
  EXPECT_EQ(g_App.Design.Window.Flag, 0x200u);
  EXPECT_EQ(g_App.Design.Window.BG1, 0xFFFFFFu);
  EXPECT_EQ(wcslen(g_App.SkinName), 3u);  // two accented letters around a t
  EXPECT_EQ(g_App.SkinName[1], L't');
  EXPECT_EQ(g_App.Design.ViewMode[0].ButtonNumX, 7);
}

// ---- failed writes ----

int g_FailAt;
int g_WriteCalls;
BOOL WINAPI FailingWrite(HANDLE h, LPCVOID data, DWORD size, LPDWORD put, LPOVERLAPPED ov) {
  if (++g_WriteCalls == g_FailAt) {
    // Half of the chunk reaches the disk, then the write fails.
    WriteFile(h, data, size / 2, put, ov);
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  return WriteFile(h, data, size, put, ov);
}

struct WriteSeam {
  IniWriteFn Saved = g_IniWriteFile;
  explicit WriteSeam(int failAt) {
    g_FailAt = failAt;
    g_WriteCalls = 0;
    g_IniWriteFile = FailingWrite;
  }
  ~WriteSeam() { g_IniWriteFile = Saved; }
};

TEST_F(DesignFileTest, AFailedWriteKeepsThePreviousFile) {
  // A hundred pages make a file of several write chunks, so writes fail both
  // while the sections are written and at the commit.
  std::vector<PageDesign> many(100);
  std::vector<PageDesign*> manyPages;
  for (size_t i = 0; i < many.size(); i++) {
    InitPageDesign(&many[i]);
    many[i].Sets[0].Pattern = (int)i;
    manyPages.push_back(&many[i]);
  }
  ASSERT_EQ(ReadDesignPages(DesignFixture(L"Design.ini").c_str(), 1, pages, 3), 1);
  std::wstring reference = dir.File(L"reference.vsd");
  ASSERT_EQ(WriteDesignPages(nullptr, reference.c_str(), manyPages.data(), 100), 1);
  std::string expected = ReadFileBytes(reference);
  ASSERT_GT(expected.size(), 3u * 64 * 1024);

  std::wstring path = dir.File(L"Blue.vsd");
  ASSERT_TRUE(CopyFixture(L"Classic.vsd", path));
  std::string before = ReadFileBytes(path);
  int failures = 0;
  for (int k = 1; k < 100; k++) {
    WriteSeam seam(k);
    int result = WriteDesignPages(nullptr, path.c_str(), manyPages.data(), 100);
    if (g_WriteCalls < k) {
      // Fewer writes than k: this one went through.
      EXPECT_EQ(result, 1);
      EXPECT_TRUE(ReadFileBytes(path) == expected);
      break;
    }
    failures++;
    EXPECT_EQ(result, 0) << k;
    EXPECT_TRUE(ReadFileBytes(path) == before) << k;
    EXPECT_EQ(GetFileAttributesW((path + L".tmp").c_str()), INVALID_FILE_ATTRIBUTES) << k;
  }
  EXPECT_GE(failures, 4);

  // The same through an open settings file.
  {
    WriteSeam seam(1);
    IniFile f;
    ASSERT_EQ(OpenIniFile(&f, path.c_str()), 1);
    EXPECT_EQ(WriteDesignPages(&f, nullptr, pages, 3), 0);
  }
  EXPECT_TRUE(ReadFileBytes(path) == expected);
}

TEST_F(DesignFileTest, AnUnusableTargetReportsOnlyForTheDataFolder) {
  MessageRecorder messages;
  // A folder that does not exist: the write fails, silently with a path.
  std::wstring path = dir.File(L"none\\x.vsd");
  EXPECT_EQ(WriteDesignPages(nullptr, path.c_str(), pages, 0), 0);
  EXPECT_TRUE(messages.Calls.empty());

  // A data folder whose Design.ini path is too long to open: message 655.
  std::wstring longFolder = dir.Path + L"\\" + std::wstring(250 - dir.Path.size(), L'd');
  lstrcpynW(g_App.DataFolderPath, longFolder.c_str(), 260);
  EXPECT_EQ(WriteDesignPages(nullptr, nullptr, pages, 0), 0);
  ASSERT_EQ(messages.Calls.size(), 1u);
  EXPECT_EQ(messages.Calls[0].Id, 655);
  EXPECT_EQ(messages.Calls[0].Flags & MB_ICONMASK, (UINT)MB_ICONERROR);
}

// ---- the item store's pages ----

// A design no default has: every value of every set depends on seed and set.
PageDesign SeededDesign(UINT seed) {
  PageDesign d;
  for (UINT i = 0; i < PD_COUNT; i++) {
    UINT k = seed * 16 + i;
    d.Sets[i] = DesignColors{0x100 + k, 0x010101u * k, 0x808080u ^ k, 0x00FF00u + k, k,
                             0x202020u + k, 0xFFFF00u - k, (int)(200 - i), (int)(2 + i), (int)(i % 3)};
  }
  return d;
}

bool SameDesign(const PageDesign& a, const PageDesign& b) { return memcmp(&a, &b, sizeof a) == 0; }

PageDesign DefaultDesign() {
  PageDesign d = {};
  InitPageDesign(&d);
  return d;
}

// Headers of a UTF-16 design text from `from` on, in order, up to the next
// header that begins with "[Page".
std::vector<std::wstring> SectionsAfter(const std::wstring& text, size_t from) {
  std::vector<std::wstring> out;
  for (size_t at = text.find(L"\r\n[", from); at != std::wstring::npos; at = text.find(L"\r\n[", at + 1)) {
    size_t end = text.find(L']', at);
    std::wstring name = text.substr(at + 3, end - at - 3);
    if (at > from + 2 && name.compare(0, 4, L"Page") == 0) break;
    out.push_back(name);
  }
  return out;
}

// The store's pages carry their own designs to every file that holds the
// design, and back: Design.ini of the data folder, a backup (settings and
// design in one file, restored as Vantrel.ini with no Design.ini beside it)
// and an export of the design alone.
TEST(StorePageDesigns, RoundTripThroughEveryFileThatCarriesThem) {
  enum Carrier { DESIGN_INI, BACKUP, DESIGN_EXPORT };
  for (Carrier carrier : {DESIGN_INI, BACKUP, DESIGN_EXPORT}) {
    SCOPED_TRACE(carrier);
    SettingsEnv env;
    ASSERT_EQ(1, ReadSettings());  // a first run: three pages
    ASSERT_EQ(3, AddPage(L"Four"));
    ItemStore& st = g_App.Store;
    for (int i = 0; i < st.PageCount; i++) st.Pages[i].Design = SeededDesign(i + 1);
    g_App.Design.PageDefault = SeededDesign(9);

    std::wstring other = env.File(L"carried.ini");
    switch (carrier) {
      case DESIGN_INI:
        ASSERT_EQ(1, WriteSettings(nullptr, 0));
        other = env.File(L"Design.ini");
        break;
      case BACKUP:
        ASSERT_EQ(1, WriteSettings(other.c_str(), 0));
        ASSERT_TRUE(DeleteFileW(env.File(L"Design.ini").c_str()));
        ASSERT_TRUE(CopyFileW(other.c_str(), env.File(L"Vantrel.ini").c_str(), FALSE));
        break;
      case DESIGN_EXPORT:
        ASSERT_EQ(1, ExportSettingsTo(other.c_str(), EXPORT_DESIGN));
        break;
    }

    // [PageDefault], then one group of the six colour sets per page, in page order.
    std::wstring text = Utf16Text(ReadFileBytes(other));
    size_t at = text.find(L"\r\n[PageDefault]\r\n");
    ASSERT_NE(at, std::wstring::npos);
    const std::vector<std::wstring> sets = {L"PageDefault", L"TabN", L"TabH", L"TabS", L"ButtonN", L"ButtonH",
                                            L"ButtonD"};
    EXPECT_TRUE(SectionsAfter(text, at) == sets);
    for (int i = 0; i < 4; i++) {
      wchar_t header[16];
      wsprintfW(header, L"\r\n[Page%03d]\r\n", i);
      size_t page = text.find(header, at);
      ASSERT_NE(page, std::wstring::npos) << i;
      std::vector<std::wstring> want = sets;
      want[0] = header + 3;
      want[0].resize(7);
      EXPECT_TRUE(SectionsAfter(text, page) == want) << i;
      at = page;
    }
    EXPECT_EQ(text.find(L"[Page004]", at), std::wstring::npos);

    // Read back over pages that hold something else.
    if (carrier == DESIGN_EXPORT) {
      for (int i = 0; i < st.PageCount; i++) st.Pages[i].Design = DefaultDesign();
      g_App.Design.PageDefault = DefaultDesign();
      EXPECT_EQ(1, ReadDesign(other.c_str(), 1));
    } else {
      ASSERT_EQ(1, ReadSettings());
    }
    ASSERT_EQ(4, st.PageCount);
    for (int i = 0; i < 4; i++) EXPECT_TRUE(SameDesign(st.Pages[i].Design, SeededDesign(i + 1))) << i;
    EXPECT_TRUE(SameDesign(g_App.Design.PageDefault, SeededDesign(9)));
    EXPECT_TRUE(env.Messages.Calls.empty());
  }
}

// Replaces `from` by `to` inside the group of page section `page` (-1:
// [PageDefault]) of a design text; empty when it is not there.
std::wstring EditPageGroup(std::wstring text, int page, const std::wstring& from, const std::wstring& to) {
  wchar_t header[16];
  if (page < 0)
    lstrcpyW(header, L"[PageDefault]");
  else
    wsprintfW(header, L"[Page%03d]", page);
  size_t start = text.find(header);
  if (start == std::wstring::npos) return L"";
  size_t end = text.find(L"\r\n[Page", start + 1);
  size_t at = text.find(from, start);
  if (at == std::wstring::npos || (end != std::wstring::npos && at > end)) return L"";
  return text.replace(at, from.size(), to);
}

// A page design file written for three pages, then edited: what each page
// holds after ReadDesign, and whether the file counted as complete.
TEST(StorePageDesigns, MissingOldAndIncompletePageSections) {
  SettingsEnv env;
  for (int i = 0; i < 3; i++) ASSERT_EQ(i, AddPage(L"P"));
  ItemStore& st = g_App.Store;
  for (int i = 0; i < 3; i++) st.Pages[i].Design = SeededDesign(i + 1);
  g_App.Design.PageDefault = SeededDesign(9);
  ASSERT_EQ(1, WriteDesign(nullptr, nullptr));
  const std::wstring written = Utf16Text(env.Bytes(L"Design.ini"));
  const PageDesign earlier = SeededDesign(7);

  struct Edit {
    int Page;
    const wchar_t* From;
    const wchar_t* To;
  };
  struct Case {
    const char* Name;
    std::vector<Edit> Edits;
    int Result;
    // What page p's set s holds afterwards: 'r' read from the file, 'e'
    // the earlier value, 'n' a copy of the read button-normal set.
    const char* Expect[3];
    // The values read where the edits took keys out (they read as 0).
    void (*Removed)(PageDesign* read);
  } cases[] = {
      {"complete", {}, 1, {"rrrrrr", "rrrrrr", "rrrrrr"}},
      // A missing page section is not read: the page keeps its design, the
      // next page is still found.
      {"page 1 missing", {{1, L"[Page001]", L"[Gone001]"}}, 1, {"rrrrrr", "eeeeee", "rrrrrr"}},
      {"page 0 missing", {{0, L"[Page000]", L"[Gone000]"}}, 1, {"eeeeee", "rrrrrr", "rrrrrr"}},
      // Old names: no hover set of their own (incomplete), pressed copies normal.
      {"old names",
       {{1, L"[TabN]", L"[TabB]"},
        {1, L"[TabH]", L"[TabBH]"},
        {1, L"[TabS]", L"[Tab]"},
        {1, L"[ButtonN]", L"[Button]"},
        {1, L"[ButtonH]", L"[Other1]"},
        {1, L"[ButtonD]", L"[Other2]"}},
       0,
       {"rrrrrr", "rrrren", "rrrrrr"}},
      {"no pressed set", {{2, L"[ButtonD]", L"[Other]"}}, 1, {"rrrrrr", "rrrrrr", "rrrrrn"}},
      // Only the hover set of the buttons decides completeness.
      {"hover set without Pattern", {{2, L"Pattern=1\r\n\r\n[ButtonD]", L"\r\n[ButtonD]"}}, 0,
       {"rrrrrr", "rrrrrr", "rrrrrr"}, [](PageDesign* read) { read[2].Sets[PD_BUTTONH].Pattern = 0; }},
      {"tab set without BG1", {{0, L"BG1=", L"Other="}}, 1, {"rrrrrr", "rrrrrr", "rrrrrr"},
       [](PageDesign* read) { read[0].Sets[PD_TABN].BG1 = 0; }},
      {"default design incomplete", {{-1, L"[ButtonH]", L"[Other]"}}, 0, {"rrrrrr", "rrrrrr", "rrrrrr"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::wstring text = written;
    for (const Edit& e : c.Edits) {
      text = EditPageGroup(text, e.Page, e.From, e.To);
      ASSERT_FALSE(text.empty());
    }
    ASSERT_TRUE(WriteUtf16File(env.File(L"Design.ini"), text));
    for (int i = 0; i < 3; i++) st.Pages[i].Design = earlier;
    EXPECT_EQ(c.Result, ReadDesign(nullptr, 0));
    PageDesign read[3] = {SeededDesign(1), SeededDesign(2), SeededDesign(3)};
    if (c.Removed) c.Removed(read);
    for (int p = 0; p < 3; p++) {
      for (int s = 0; s < PD_COUNT; s++) {
        char how = c.Expect[p][s];
        const DesignColors& want =
            how == 'r' ? read[p].Sets[s] : how == 'e' ? earlier.Sets[s] : read[p].Sets[PD_BUTTONN];
        EXPECT_EQ(0, memcmp(&st.Pages[p].Design.Sets[s], &want, sizeof want)) << "page " << p << " set " << s;
      }
    }
  }
}

// Pages read from the settings file start with the default page design, so
// a Design.ini that describes none of them (as one written before the page
// designs were saved) leaves them drawable rather than all black.
TEST(StorePageDesigns, PagesTheDesignFileDoesNotDescribeGetTheDefaultDesign) {
  SettingsEnv env;
  ASSERT_EQ(1, ReadSettings());
  ASSERT_EQ(1, WriteDesignPages(nullptr, nullptr, nullptr, 0));
  ASSERT_EQ(std::wstring::npos, env.Text(L"Design.ini").find(L"[Page000]"));
  ASSERT_EQ(1, ReadSettings());
  ASSERT_EQ(3, g_App.Store.PageCount);
  for (int i = 0; i < 3; i++) EXPECT_TRUE(SameDesign(g_App.Store.Pages[i].Design, DefaultDesign())) << i;
  EXPECT_EQ(0xFFFFFFu, g_App.Store.Pages[0].Design.Sets[PD_BUTTONN].BG1);
}

}  // namespace
