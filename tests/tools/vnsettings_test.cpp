// vnsettings skin <name>: the selection of the options page from the
// command line, with the shipped skin. A first selection takes the skin's
// fonts and colours, the look left behind keeps its design in its own
// design file, a skin selected again comes back with the user's changes,
// and a name that gives no skin leaves the classic look and says why.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "support/skin_files.h"
#include "support/test_support.h"

namespace {

std::string Narrow(const std::wstring& w) { return std::string(w.begin(), w.end()); }

// A program folder with the tool, the shipped skins and two broken ones.
class SkinCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallSettingsTool(dir_.Path);
    for (const wchar_t* broken : {L"Truncated.zip", L"CutXml"}) {
      std::wstring from = FixturePath(L"skinsel\\Skins\\") + broken, to = dir_.File(L"Skins\\") + broken;
      if (GetFileAttributesW(from.c_str()) & FILE_ATTRIBUTE_DIRECTORY)
        CopyTree(from, to);
      else
        ASSERT_TRUE(CopyFileW(from.c_str(), to.c_str(), FALSE));
    }
    skinXml_ = ReadUtf16Text(dir_.File(L"Skins\\Basalt\\skin.xml"));
    ASSERT_FALSE(skinXml_.empty());
  }

  std::wstring Data(const wchar_t* file = nullptr) const {
    return file ? dir_.File(L"Data\\") + file : dir_.File(L"Data");
  }
  std::wstring Design() const { return ReadUtf16Text(Data(L"Design.ini")); }
  ToolRun Select(const std::wstring& name) { return RunSettingsTool(dir_.Path, Data(), {L"skin", name}); }
  // Selects name and expects it to load.
  void ExpectSelected(const std::wstring& name, const char* saying) {
    ToolRun r = Select(name);
    EXPECT_EQ(0, r.Code) << r.Output;
    EXPECT_NE(std::string::npos, r.Output.find(saying)) << r.Output;
    EXPECT_EQ(name, IniValueAt(Design(), {L"Skin"}, L"Name"));
  }
  // A user's change to the design: wider buttons.
  void WidenButtons(const wchar_t* file, int width) {
    std::wstring t = ReadUtf16Text(Data(file));
    for (const wchar_t* mode : {L"ViewMode1", L"ViewMode2"})
      ASSERT_TRUE(ReplaceIniValue(&t, {mode}, L"ButtonSizeX", std::to_wstring(width)));
    ASSERT_TRUE(WriteUtf16File(Data(file), t));
  }
  static std::wstring ButtonWidth(const std::wstring& design) { return IniValueAt(design, {L"ViewMode1"}, L"ButtonSizeX"); }
  static std::wstring ButtonText(const std::wstring& design, const wchar_t* page) {
    return IniValueAt(design, {page, L"ButtonN"}, L"TextClr1");
  }
  // The skin's colour of a normal button's text, as a design file holds it.
  std::wstring SkinButtonText() const {
    return DesignColor(XmlAttrAt(skinXml_, {L"buttonarea", L"button", L"decoration", L"normal"}, L"color"));
  }

  TempDir dir_;
  std::wstring skinXml_;
};

TEST_F(SkinCommandTest, AFirstSelectionTakesTheSkinsFontsAndColoursForEveryPage) {
  struct Case {
    const wchar_t* Name;
    const wchar_t* DesignFile;  // the skin's own, written when another look is chosen
  } cases[] = {{L"\\Basalt", L"[FOLDER]_Basalt.vsd"}, {L"Basalt.zip", L"Basalt.vsd"}, {L"Basalt", L"Basalt.vsd"}};
  const std::wstring skinText = SkinButtonText();
  const std::wstring skinFace = XmlAttrAt(skinXml_, {L"caption", L"font"}, L"face");
  ASSERT_EQ(L"00e2dbd5", skinText) << "read from skin.xml";
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.Name));
    // A fresh data folder: the tool's first run makes the settings.
    RemoveTree(Data());
    CreateDirectoryW(Data().c_str(), nullptr);
    ExpectSelected(c.Name, "its own fonts and colours");
    const std::wstring design = Design();
    EXPECT_EQ(skinText, ButtonText(design, L"PageDefault"));
    for (const wchar_t* page : {L"Page000", L"Page001", L"Page002"}) EXPECT_EQ(skinText, ButtonText(design, page)) << Narrow(page);
    EXPECT_EQ(skinFace, IniValueAt(design, {L"ViewMode1", L"Font", L"Caption"}, L"Face"));
    // The classic look it left keeps its own design, in Classic.vsd.
    const std::wstring classic = ReadUtf16Text(Data(L"Classic.vsd"));
    EXPECT_EQ(L"", IniValueAt(classic, {L"Skin"}, L"Name"));
    EXPECT_NE(L"(none)", ButtonText(classic, L"PageDefault"));
    EXPECT_NE(skinText, ButtonText(classic, L"PageDefault"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Data(c.DesignFile).c_str()));
  }
}

TEST_F(SkinCommandTest, ASkinSelectedAgainKeepsTheUsersChange) {
  ExpectSelected(L"\\Basalt", "its own fonts and colours");
  const std::wstring classicWidth = ButtonWidth(ReadUtf16Text(Data(L"Classic.vsd")));
  WidenButtons(L"Design.ini", 71);
  // Selected again: its design (with the change) goes to its own file and
  // is read back from there, not taken from the skin anew.
  ExpectSelected(L"\\Basalt", "the design of its design file");
  EXPECT_EQ(L"71", ButtonWidth(Design()));
  EXPECT_EQ(L"71", ButtonWidth(ReadUtf16Text(Data(L"[FOLDER]_Basalt.vsd"))));
  EXPECT_EQ(SkinButtonText(), ButtonText(Design(), L"Page000"));

  struct Step {
    const wchar_t* Name;
    const char* Saying;
    std::wstring Width;
    bool SkinColours;
  } steps[] = {
      {L"", "classic look", classicWidth, false},
      {L"\\Basalt", "the design of its design file", L"71", true},
      // The zipped form is a skin of its own: first selected, it takes the
      // skin's fonts and colours and keeps the sizes of the look before.
      {L"Basalt.zip", "its own fonts and colours", L"71", true},
      {L"", "classic look", classicWidth, false},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(Narrow(s.Name));
    ExpectSelected(s.Name, s.Saying);
    EXPECT_EQ(s.Width, ButtonWidth(Design()));
    EXPECT_EQ(s.SkinColours, SkinButtonText() == ButtonText(Design(), L"Page000"));
  }
}

TEST_F(SkinCommandTest, ANameThatGivesNoSkinLeavesTheClassicLookAndSaysWhy) {
  struct Case {
    const wchar_t* Name;
    const char* Why;
  } cases[] = {
      {L"\\Nowhere", "no skin \"\\Nowhere\""},
      {L"Nowhere.zip", "no skin \"Nowhere.zip\""},
      {L"\\..\\Skins\\Basalt", "is no skin name"},
      {L"Truncated.zip", "\"Truncated.zip\" is broken"},
      {L"\\CutXml", "\"\\CutXml\" is broken"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.Name));
    ExpectSelected(L"\\Basalt", "");
    // Classic.vsd marked, to tell its design from the skin's.
    WidenButtons(L"Classic.vsd", 66);
    ToolRun r = Select(c.Name);
    EXPECT_EQ(1, r.Code) << r.Output;
    EXPECT_NE(std::string::npos, r.Output.find(c.Why)) << r.Output;
    EXPECT_NE(std::string::npos, r.Output.find("the classic look is selected")) << r.Output;
    const std::wstring design = Design();
    EXPECT_EQ(L"", IniValueAt(design, {L"Skin"}, L"Name"));
    EXPECT_EQ(L"66", ButtonWidth(design));
    EXPECT_NE(SkinButtonText(), ButtonText(design, L"Page000"));
    // The skin it left kept its design.
    EXPECT_EQ(L"\\Basalt", IniValueAt(ReadUtf16Text(Data(L"[FOLDER]_Basalt.vsd")), {L"Skin"}, L"Name"));
  }
}

}  // namespace
