#include "render/skinsel.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/mainwnd.h"
#include "core/startup.h"
#include "core/hookbind.h"
#include "layout_fixture.h"
#include "render/image.h"
#include "render/layout.h"
#include "render/skin.h"
#include "render/skinxml.h"
#include "render/skinzip.h"
#include "state.h"
#include "store/designfile.h"
#include "store/lists.h"
#include "support/test_support.h"

namespace {

// The tiny skin's window at 96 DPI with the default design (7 x 3 buttons
// of 58, tabs 20 high): frames 5, 26, 5 and 7 around areas offset by one,
// button margins 4 and pitch 2, tab margins 2 above.
const int kTinyWidth = 436, kTinyHeight = 241;
// A design file's mark: the caption height it holds.
const int kClassicMark = 33;

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

SIZE FixedMeasure(int, const DesignColors*, const wchar_t*) { return SIZE{30, 16}; }

// A program folder holding the fixture's Skins (and the decoy beside it),
// with its own data folder, on a fresh design and a store of two pages.
class SkinSelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CopyTree(FixturePath(L"skinsel"), dir_.Path);
    CreateDirectoryW(Data().c_str(), nullptr);
    wcscpy(savedProgram_, g_App.ProgramPath);
    wcscpy(savedData_, g_App.DataFolderPath);
    wcscpy(g_App.ProgramPath, dir_.File(L"Vantrel.exe").c_str());
    wcscpy(g_App.DataFolderPath, Data().c_str());
    savedLayout_ = g_LayoutSeams;
    g_LayoutSeams.MeasureText = FixedMeasure;
    g_LayoutSeams.RefreshImages = nullptr;
    savedSkinSeams_ = g_SkinXmlSeams;
    savedApi_ = g_App.Api;
    BindOptionalFunctions();
    g_App.MainWnd = nullptr;
    g_App.Settings = SettingsState{};
    g_App.Layout = LayoutState{};
    ClearItemStore();
    ASSERT_EQ(0, AddPage(L"A"));
    ASSERT_EQ(1, AddPage(L"B"));
    g_App.Design = DesignState{};
    ResetAllDesigns();
    g_App.Skin = SkinSettings{};
    g_App.SkinText = SkinTextState{};
    g_App.SkinName[0] = 0;
  }
  void TearDown() override {
    FreeSlotBitmaps();
    CloseSkinArchive();
    g_App.Skin = SkinSettings{};
    g_App.SkinName[0] = 0;
    FreeLayout();
    g_App.Layout = LayoutState{};
    ClearItemStore();
    g_App.Design = DesignState{};
    g_App.Api = savedApi_;
    g_SkinXmlSeams = savedSkinSeams_;
    g_LayoutSeams = savedLayout_;
    wcscpy(g_App.ProgramPath, savedProgram_);
    wcscpy(g_App.DataFolderPath, savedData_);
  }

  std::wstring Data() const { return dir_.File(L"Data"); }
  std::wstring DataFile(const wchar_t* name) const { return Data() + L"\\" + name; }
  // Writes a design file whose caption height is mark, then puts the
  // defaults back.
  void WriteMarkedDesign(const wchar_t* file, int mark, const wchar_t* captionFace = nullptr) {
    g_App.Design.ViewMode[0].CaptionHeight = mark;
    if (captionFace) wcscpy(g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Face, captionFace);
    ASSERT_EQ(1, WriteDesign(nullptr, DataFile(file).c_str()));
    ResetAllDesigns();
  }
  static int Caption() { return g_App.Design.ViewMode[0].CaptionHeight; }
  // Every slot without an image and no archive held.
  static void ExpectNothingHeld() {
    EXPECT_EQ(nullptr, g_App.SkinZip.Data);
    EXPECT_EQ(nullptr, g_App.SkinZip.Prefix);
    for (const SkinSlot& s : g_App.Skin.Slots) {
      EXPECT_EQ(nullptr, s.Dc);
      EXPECT_EQ(nullptr, s.Bitmap);
    }
  }
  static void ExpectClassicLook() {
    EXPECT_EQ(0, HasSkin());
    EXPECT_STREQ(L"", g_App.SkinName);
    EXPECT_EQ(kClassicClipColor, g_App.Skin.ClipColor);
    EXPECT_EQ(6, g_App.Skin.SizeArea.left);
    EXPECT_EQ(0u, g_App.SkinText.SkinTextFlags);
    ExpectNothingHeld();
  }

  TempDir dir_;
  wchar_t savedProgram_[MAX_PATH], savedData_[260];
  LayoutSeams savedLayout_;
  SkinXmlSeams savedSkinSeams_;
  OptionalApi savedApi_;
};

TEST_F(SkinSelTest, NamesSelectTheirSkinAndItsDesignFile) {
  struct Case {
    const wchar_t* Name;
    const wchar_t* DesignFile;  // the one that must be read
    int Loaded;
    const wchar_t* KeptName;
    UINT Zipped;
  } cases[] = {
      {nullptr, L"Classic.vsd", 0, L"", 0},
      {L"", L"Classic.vsd", 0, L"", 0},
      {L"\\Tiny", L"[FOLDER]_Tiny.vsd", 1, L"\\Tiny", 0},
      {L"Tiny.zip", L"Tiny.vsd", 1, L"Tiny.zip", SKF_ZIPPED},
      // Found by appending ".zip".
      {L"Plain", L"Plain.vsd", 1, L"Plain", SKF_ZIPPED},
      {L"Stored.zip", L"Stored.vsd", 1, L"Stored.zip", SKF_ZIPPED},
      {L"Nested.zip", L"Nested.vsd", 1, L"Nested.zip", SKF_ZIPPED},
      {L"NestedStored.zip", L"NestedStored.vsd", 1, L"NestedStored.zip", SKF_ZIPPED},
      {L"\\OddBytes", L"[FOLDER]_OddBytes.vsd", 1, L"\\OddBytes", 0},
  };
  // Each design file marked by its row (the classic look's by its last).
  for (const Case& c : cases) WriteMarkedDesign(c.DesignFile, 40 + (int)(&c - cases));
  const int classicMark = 41;
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.Name ? c.Name : L"(null)"));
    EXPECT_EQ(c.Loaded, SelectSkin(c.Name));
    EXPECT_STREQ(c.KeptName, g_App.SkinName);
    EXPECT_EQ(c.Name && c.Name[0] ? 40 + (int)(&c - cases) : classicMark, Caption()) << "the design of its own file";
    EXPECT_EQ(c.Zipped, g_App.Skin.Flags & SKF_ZIPPED);
    EXPECT_EQ(c.Loaded, HasSkin());
    EXPECT_EQ(nullptr, g_App.SkinZip.Data) << "the archive lives only while the skin loads";
    if (c.Loaded) {
      // Images from the skin's folder, or the archive folder of its skin.xml.
      EXPECT_EQ(40, g_App.Skin.Slots[SLOT_TAB].ImageWidth);
      EXPECT_NE(nullptr, g_App.Skin.Slots[SLOT_BUTTON].Dc);
      EXPECT_EQ(16, g_App.Skin.Slots[SLOT_FRAMELEFT].ImageWidth);
      EXPECT_EQ(g_App.Skin.Slots[SLOT_FRAMELEFT].Dc, g_App.Skin.Slots[SLOT_FRAMETOP].Dc) << "one image, shared";
    }
  }
}

TEST_F(SkinSelTest, AFirstSelectionTakesTheSkinsDesign) {
  for (ViewModeDesign& v : g_App.Design.ViewMode) {
    v.SearchWindowX = 100;
    v.SearchWindowY = 200;
    v.SearchWindowW = 300;
  }
  ASSERT_EQ(1, SelectSkin(L"\\Tiny"));
  const DesignState& d = g_App.Design;
  for (int m = 0; m < 2; m++) {
    SCOPED_TRACE(m);
    EXPECT_STREQ(L"Tahoma", d.ViewMode[m].Fonts[FONT_CAPTION].Face);
    EXPECT_EQ(10, d.ViewMode[m].Fonts[FONT_CAPTION].Size);
    EXPECT_NE(nullptr, d.ViewMode[m].Fonts[FONT_CAPTION].Font) << "fonts are made again";
    EXPECT_EQ(8, d.ViewMode[m].Fonts[FONT_BUTTON].Size);
    EXPECT_EQ(0, d.ViewMode[m].SearchWindowW);
    EXPECT_EQ(0, d.ViewMode[m].SearchWindowX);
  }
  EXPECT_EQ(RGB(0x11, 0x22, 0x33), d.PageDefault.Sets[PD_BUTTONN].TextClr1);
  for (int p = 0; p < g_App.Store.PageCount; p++)
    EXPECT_EQ(0, memcmp(&d.PageDefault, &g_App.Store.Pages[p].Design, sizeof d.PageDefault)) << "page " << p;
  // The layout follows the skin's pieces.
  EXPECT_EQ(kTinyWidth, g_App.Layout.Width);
  EXPECT_EQ(kTinyHeight, g_App.Layout.Height);
}

TEST_F(SkinSelTest, ASkinWithItsDesignFileKeepsTheUsersFontsAndColours) {
  g_App.Store.Pages[1].Design.Sets[PD_BUTTONN].TextClr1 = RGB(1, 2, 3);
  WriteMarkedDesign(L"Tiny.vsd", 30, L"Courier New");
  ASSERT_EQ(1, SelectSkin(L"Tiny.zip"));
  EXPECT_STREQ(L"Courier New", g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Face);
  EXPECT_EQ(RGB(1, 2, 3), g_App.Store.Pages[1].Design.Sets[PD_BUTTONN].TextClr1);
  EXPECT_NE(RGB(0x11, 0x22, 0x33), g_App.Design.PageDefault.Sets[PD_BUTTONN].TextClr1);
}

TEST_F(SkinSelTest, ABrokenSkinLeavesTheClassicLookAndItsDesign) {
  const std::wstring longName(300, L'n');
  const wchar_t* names[] = {
      L"Truncated.zip", L"InflatesPast.zip", L"\\EscapeImage", L"EscapeImage.zip", L"\\Oversized", L"\\CutXml",
      L"Missing.zip", L"\\Missing",
      // Names that leave the Skins folder, though the decoy beside it is a whole skin.
      L"\\..\\Outside", L"..\\Outside", L"\\Tiny\\..\\..\\Outside", L"Tiny.zip\\..\\..\\Outside", L"C:\\Outside",
      L"\\\\server\\share", L"con", L"\\nul", L"\\Tiny/", longName.c_str()};
  WriteMarkedDesign(L"Classic.vsd", kClassicMark);
  for (const wchar_t* name : names) {
    SCOPED_TRACE(Narrow(name));
    // A skin in force before: its images must go too.
    ASSERT_EQ(1, SelectSkin(L"\\Tiny"));
    g_App.Design.ViewMode[0].CaptionHeight = 50;
    EXPECT_EQ(0, SelectSkin(name));
    ExpectClassicLook();
    EXPECT_EQ(kClassicMark, Caption()) << "the design of Classic.vsd";
  }
}

TEST_F(SkinSelTest, TheClassicLookWithoutADesignFileTakesTheDefaults) {
  ASSERT_EQ(1, SelectSkin(L"\\Tiny"));
  g_App.Design.ViewMode[0].CaptionHeight = 50;
  EXPECT_EQ(0, SelectSkin(nullptr));
  EXPECT_EQ(22, Caption());
  // A skin that fails with no Classic.vsd ends on the defaults as well.
  g_App.Design.ViewMode[0].CaptionHeight = 50;
  EXPECT_EQ(0, SelectSkin(L"Truncated.zip"));
  EXPECT_EQ(22, Caption());
  ExpectClassicLook();
}

TEST_F(SkinSelTest, WithoutLayeredWindowsNoSkinLoads) {
  g_App.Api.UpdateLayeredWindow = nullptr;
  EXPECT_EQ(0, SelectSkin(L"\\Tiny"));
  ExpectClassicLook();
}

TEST_F(SkinSelTest, SelectingWritesNothingOutsideTheDataFolder) {
  const std::set<std::wstring> before = ListFiles(dir_.Path);
  for (const wchar_t* name : {L"\\Tiny", L"Tiny.zip", L"\\..\\Outside", L"..\\..\\x", L"Truncated.zip", L"con"}) {
    SelectSkin(name);
    WriteDesign(nullptr, nullptr);
  }
  const std::set<std::wstring> after = ListFiles(dir_.Path);
  std::set<std::wstring> added;
  for (const std::wstring& f : after)
    if (!before.count(f)) added.insert(f);
  EXPECT_EQ((std::set<std::wstring>{L"Data\\Design.ini"}), added);
  EXPECT_EQ(before.size() + added.size(), after.size()) << "nothing was removed";
}

TEST_F(SkinSelTest, LoadSkinTakesTheNameOfTheDesign) {
  wcscpy(g_App.SkinName, L"Nested.zip");
  EXPECT_EQ(1, LoadSkin(0));
  EXPECT_EQ(1, HasSkin());
  EXPECT_EQ(22, Caption()) << "no design file is read";
  EXPECT_STREQ(L"Segoe UI", g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Face);
  EXPECT_EQ(1, LoadSkin(1));
  EXPECT_STREQ(L"Tahoma", g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Face);

  // Loading again frees what the load before held, also when it fails
  // before its first image.
  HDC held = g_App.Skin.Slots[SLOT_TAB].Dc;
  ASSERT_NE(nullptr, held);
  WriteMarkedDesign(L"Classic.vsd", kClassicMark);
  wcscpy(g_App.SkinName, L"\\Missing");
  EXPECT_EQ(0, LoadSkin(0));
  EXPECT_EQ(0u, GetObjectType(held));
  ExpectClassicLook();
  EXPECT_EQ(kClassicMark, Caption());
}

TEST_F(SkinSelTest, LoadSkinZipOnlyTestsWithoutAnEntry) {
  struct Case {
    const wchar_t* Name;
    int Ok;
  } cases[] = {{L"Tiny.zip", 1}, {L"Plain", 1}, {L"Nested.zip", 1}, {L"Truncated.zip", 0}, {L"Missing", 0},
               {L"\\Tiny", 0}, {L"..\\Skins\\Tiny.zip", 0},
               // The folder of that name is no archive: Tiny.zip is.
               {L"Tiny", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.Name));
    EXPECT_EQ(c.Ok, LoadSkinZip(c.Name, nullptr));
    ExpectNothingHeld();
  }
  ZipLocalHeader h;
  ASSERT_EQ(1, LoadSkinZip(L"Nested.zip", &h));
  EXPECT_NE(nullptr, g_App.SkinZip.Data);
  EXPECT_STREQ("inner/", g_App.SkinZip.Prefix);
  CloseSkinArchive();
}

TEST_F(SkinSelTest, ReadSkinXmlMarksTheCurrentSkinZippedOrNot) {
  wchar_t* text;
  wcscpy(g_App.SkinName, L"Tiny.zip");
  ASSERT_EQ(1, ReadSkinXml(&text, nullptr));
  EXPECT_EQ((UINT)SKF_ZIPPED, g_App.Skin.Flags & SKF_ZIPPED);
  EXPECT_EQ(0xFEFF, text[0]);
  EXPECT_NE(nullptr, wcsstr(text, L"</skin>"));
  HeapFree(GetProcessHeap(), 0, text);
  EXPECT_NE(nullptr, g_App.SkinZip.Data) << "open for the images";
  CloseSkinArchive();

  wcscpy(g_App.SkinName, L"\\Tiny");
  ASSERT_EQ(1, ReadSkinXml(&text, nullptr));
  EXPECT_EQ(0u, g_App.Skin.Flags & SKF_ZIPPED);
  HeapFree(GetProcessHeap(), 0, text);
  // Another skin by name leaves the flag alone.
  ASSERT_EQ(1, ReadSkinXml(&text, L"Stored.zip"));
  EXPECT_EQ(0u, g_App.Skin.Flags & SKF_ZIPPED);
  HeapFree(GetProcessHeap(), 0, text);
  CloseSkinArchive();

  // The odd byte behind the text is no character.
  ASSERT_EQ(1, ReadSkinXml(&text, L"\\OddBytes"));
  std::wstring t = text;
  EXPECT_EQ(L"</skin>\r\n", t.substr(t.size() - 9));
  HeapFree(GetProcessHeap(), 0, text);

  for (const wchar_t* broken : {L"InflatesPast.zip", L"Truncated.zip", L"\\Missing", L"", L"\\..\\Outside"}) {
    SCOPED_TRACE(Narrow(broken));
    EXPECT_EQ(0, ReadSkinXml(&text, broken));
    EXPECT_EQ(nullptr, text);
    ExpectNothingHeld();
  }
}

// Skins whose skin.xml the test writes: only the information is read from them.
TEST_F(SkinSelTest, InfoTextShowsTitleAuthorAndCommentLines) {
  struct Case {
    const wchar_t* Xml;  // nullptr: the tiny skin
    int TitleOnly;
    const wchar_t* Want;  // nullptr: fails
  } cases[] = {
      {nullptr, 0, L"Title: Tiny\r\nAuthor: Vantrel tests\r\n\r\nTwo\r\nlines"},
      {nullptr, 1, L"Tiny"},
      {L"<skin title=\"T\" author=\"A\"><general/></skin>", 0, L"Title: T\r\nAuthor: A"},
      {L"<skin title=\"T\"><comment>a<BR>b<i>c</i><br />d<Br\r\n/></comment></skin>", 0,
       L"Title: T\r\nAuthor: \r\n\r\na\r\nb<i>c</i>\r\nd\r\n"},
      // A comment that never closes is no comment.
      {L"<skin title=\"T\" author=\"A\"><comment>open</skin>", 0, L"Title: T\r\nAuthor: A"},
      {L"<skin><comment><!-- </comment> -->x</comment></skin>", 0, L"Title: \r\nAuthor: \r\n\r\n<!-- </comment> -->x"},
      {L"<skin title=\"T\">", 1, L"T"},
      {L"<other title=\"T\"/>", 0, nullptr},
  };
  int n = 0;
  for (const Case& c : cases) {
    std::wstring name = L"\\Tiny";
    if (c.Xml) {
      name = L"\\Info" + std::to_wstring(n++);
      std::wstring folder = dir_.File((L"Skins" + name).c_str());
      CreateDirectoryW(folder.c_str(), nullptr);
      ASSERT_TRUE(WriteUtf16File(folder + L"\\skin.xml", c.Xml));
    }
    SCOPED_TRACE(Narrow(name));
    wchar_t* text = nullptr;
    EXPECT_EQ(c.Want ? 1 : 0, GetSkinInfoText(&text, name.c_str(), c.TitleOnly));
    if (c.Want) {
      ASSERT_NE(nullptr, text);
      EXPECT_EQ(std::wstring(c.Want), text);
      HeapFree(GetProcessHeap(), 0, text);
    } else {
      EXPECT_EQ(nullptr, text);
    }
    ExpectNothingHeld();
  }
  // Of a zipped skin, without touching the current skin's flag.
  g_App.Skin.Flags = 0;
  wchar_t* text;
  ASSERT_EQ(1, GetSkinInfoText(&text, L"NestedStored.zip", 1));
  EXPECT_STREQ(L"Tiny", text);
  HeapFree(GetProcessHeap(), 0, text);
  EXPECT_EQ(0u, g_App.Skin.Flags);
  ExpectNothingHeld();
  // The classic look has no information.
  EXPECT_EQ(0, GetSkinInfoText(&text, nullptr, 0));
}

TEST_F(SkinSelTest, RecommendedSizesOfTheCurrentSkin) {
  EXPECT_EQ(0, ApplyRecommendedSizes()) << "the classic look recommends nothing";
  ASSERT_EQ(1, SelectSkin(L"Tiny.zip"));
  g_App.Design.ViewMode[0].TabSizeX = 70;
  g_App.Design.ViewMode[0].TabSizeY = 20;
  EXPECT_EQ(1, ApplyRecommendedSizes());
  EXPECT_EQ(70, g_App.Design.ViewMode[0].TabSizeX) << "600 is beyond its bound";
  EXPECT_EQ(30, g_App.Design.ViewMode[0].TabSizeY);
  EXPECT_EQ(30, g_App.Design.ViewMode[1].TabSizeY) << "shared designs follow";
  EXPECT_EQ(nullptr, g_App.SkinZip.Data);
  for (int slot : {SLOT_TAB, SLOT_BUTTON}) EXPECT_NE(nullptr, g_App.Skin.Slots[slot].Dc) << "the skin stays";
}

// WMA_SELECTSKIN through the real window procedure, then a start from the
// Design.ini it wrote.
class SkinRequestTest : public SkinSelTest {
 protected:
  void SetUp() override {
    SkinSelTest::SetUp();
    ASSERT_TRUE(EnsureLauncherClasses());
    g_App.Wnd = MainWindowState{};
    g_App.OpenDialogCount = 0;
    g_App.UiStateFlags = UIS_AUTOHIDE_ALLOWED;
    window_ = CreateMainWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(nullptr, window_);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
      if (msg.message != WM_QUIT) DispatchMessageW(&msg);
    g_App.MainWnd = nullptr;
    SkinSelTest::TearDown();
  }
  LRESULT Request(const wchar_t* name) {
    wcscpy(g_App.Wnd.SkinRequest, name);
    return SendMessageW(window_, WMA_SELECTSKIN, (WPARAM)g_App.Wnd.SkinRequest, 0);
  }
  std::wstring DesignSkinName() const {
    std::string bytes = ReadFileBytes(DataFile(L"Design.ini"));
    std::wstring text(bytes.size() / 2, 0);
    memcpy(&text[0], bytes.data(), text.size() * 2);
    size_t at = text.find(L"[Skin]\r\nName=");
    if (at == std::wstring::npos) return L"(none)";
    at += 13;
    return text.substr(at, text.find(L"\r\n", at) - at);
  }
  HWND window_ = nullptr;
};

TEST_F(SkinRequestTest, SelectsAndWritesTheDesignUnlessADialogOrMenuIsOpen) {
  Request(L"Tiny.zip");
  EXPECT_STREQ(L"Tiny.zip", g_App.SkinName);
  EXPECT_EQ(1, HasSkin());
  EXPECT_EQ(L"Tiny.zip", DesignSkinName());
  RECT r;
  GetWindowRect(window_, &r);
  EXPECT_EQ(kTinyWidth, r.right - r.left);
  EXPECT_EQ(kTinyHeight, r.bottom - r.top);

  // Dropped while a dialog, a sub-menu or a menu is open.
  g_App.OpenDialogs[0] = window_;
  g_App.OpenDialogCount = 1;
  Request(L"\\Tiny");
  g_App.OpenDialogCount = 0;
  g_App.Wnd.Flags |= WSF_SUBMENU_OPEN;
  Request(L"\\Tiny");
  g_App.Wnd.Flags = WSF_MENU_OPEN;
  Request(L"\\Tiny");
  g_App.Wnd.Flags = 0;
  EXPECT_STREQ(L"Tiny.zip", g_App.SkinName);
  EXPECT_EQ(L"Tiny.zip", DesignSkinName());

  // A pointer to anything but the request buffer is never read.
  wchar_t other[260] = L"\\Tiny";
  SendMessageW(window_, WMA_SELECTSKIN, (WPARAM)other, 0);
  EXPECT_STREQ(L"Tiny.zip", g_App.SkinName);

  // A name that leaves the Skins folder: the classic look, written as such.
  Request(L"..\\Outside");
  EXPECT_EQ(0, HasSkin());
  EXPECT_EQ(L"", DesignSkinName());
  Request(L"Tiny.zip");

  // The next start: the design and then the skin it names.
  const int width = g_App.Layout.Width, height = g_App.Layout.Height;
  FreeSlotBitmaps();
  g_App.Skin = SkinSettings{};
  g_App.SkinName[0] = 0;
  ResetAllDesigns();
  ReadDesign(nullptr, 0);
  EXPECT_STREQ(L"Tiny.zip", g_App.SkinName);
  EXPECT_EQ(1, LoadSkin(0));
  SyncViewModeDesign(-1);
  ApplyDesign();
  EXPECT_EQ(width, g_App.Layout.Width);
  EXPECT_EQ(height, g_App.Layout.Height);
  EXPECT_STREQ(L"Tahoma", g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Face) << "the design it wrote";
}

}  // namespace
