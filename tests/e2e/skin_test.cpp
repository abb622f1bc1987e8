// The real Vantrel.exe with skins: the skin that Design.ini names gives the
// window the size of its pieces, a second start from the files it wrote
// draws the same, and a skin that cannot load leaves the classic look with
// the design of Classic.vsd and nothing written outside the data folder.
// The shipped skin, selected with the settings tool as the options page
// selects it, shows at the size its pieces give in its own light colours,
// from its folder and its archive alike.
// (WMA_SELECTSKIN carries an address in the launcher's own memory, so
// another process cannot send it: the render suite drives its handler.)
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <set>
#include <string>

#include "e2e/launcher_fixture.h"
#include "e2e/screen_capture.h"
#include "support/canvas.h"
#include "support/skin_files.h"
#include "support/test_support.h"

namespace {

using namespace e2e;

// The tiny skin's window with the default design: frames 5, 26, 5 and 7
// around 7 x 3 buttons of 58 with margins 4 and pitch 2, and one row of tabs
// 20 high below a margin of 2.
const int kTinyWidth = 5 + (4 + 7 * 58 + 6 * 2 + 4) + 5;
const int kTinyHeight = 26 + (2 + 20) + (4 + 3 * 58 + 2 * 2 + 4) + 7;
// The classic window of n columns: frames 6, a caption of 22, a button
// margin of 1 at the left and a tab margin of 2 above.
int ClassicWidth(int columns) { return 6 + (1 + columns * 58) + 6; }
const int kClassicHeight = 22 + (2 + 20) + 3 * 58 + 6;

struct SkinFolder : ProgramFolder {
  // skins: a fixture folder to copy as Skins, or null for the shipped skins
  // beside the settings tool.
  explicit SkinFolder(const wchar_t* skins = L"skinsel\\Skins") : ProgramFolder(false) {
    if (skins)
      CopyTree(FixturePath(skins), Dir.File(L"Skins"));
    else
      InstallSettingsTool(Dir.Path);
    SeedSettings(2);
  }
  std::wstring Design() const { return Dir.File(L"Data\\Design.ini"); }
  std::wstring DesignText() const { return ReadUtf16Text(Design()); }
  // The [Skin] Name of Design.ini, or "(none)".
  std::wstring DesignSkin() const { return IniValueAt(DesignText(), {L"Skin"}, L"Name"); }
  // Design.ini as it is with every from replaced by to, written to file.
  void WriteEditedDesign(const wchar_t* file, const std::wstring& from, const std::wstring& to) const {
    std::wstring t = DesignText();
    ASSERT_NE(std::wstring::npos, t.find(from));
    for (size_t at = t.find(from); at != std::wstring::npos; at = t.find(from, at + to.size())) t.replace(at, from.size(), to);
    ASSERT_TRUE(WriteUtf16File(Dir.File(file), t));
  }
};

struct SkinStart {
  RECT Rect = {};
  std::unique_ptr<Canvas> Shot;
};

// One start shown at 100,100 and captured (kept as a BMP in the build
// folder); pinned and unpinned, so that the exit saves as after any change.
void RunOnce(const SkinFolder& folder, const wchar_t* shotName, SkinStart* out) {
  Launcher l;
  HWND w = StartShown(l, folder, L"/n /s100:100");
  ASSERT_NE(nullptr, w);
  out->Shot = CaptureAndKeep(w, shotName);
  out->Rect = WindowRect(w);
  ASSERT_TRUE(ChangeAndTakeBack(l, w));
  EXPECT_EQ(0, l.Quit());
  EXPECT_EQ("", ReadFileBytes(folder.MessageLog()));
}

// origin: where the window's corner goes when its body is shown at 100,100.
void ExpectSize(const RECT& r, int width, int height, POINT origin = {100, 100}) {
  EXPECT_EQ(origin.x, r.left);
  EXPECT_EQ(origin.y, r.top);
  EXPECT_EQ(width, r.right - r.left);
  EXPECT_EQ(height, r.bottom - r.top);
}

TEST(SkinE2E, TheSkinDesignIniNamesShapesTheWindowAgainAtTheNextStart) {
  SkinFolder folder;
  // A first start writes a whole Design.ini of the classic look.
  SkinStart classic, first, second;
  RunOnce(folder, L"skin-classic.bmp", &classic);
  if (HasFatalFailure()) return;
  ExpectSize(classic.Rect, ClassicWidth(7), kClassicHeight);
  ASSERT_EQ(L"", folder.DesignSkin());

  folder.WriteEditedDesign(L"Data\\Design.ini", L"[Skin]\r\nName=\r\n", L"[Skin]\r\nName=Tiny.zip\r\n");
  RunOnce(folder, L"skin-first.bmp", &first);
  if (HasFatalFailure()) return;
  ExpectSize(first.Rect, kTinyWidth, kTinyHeight);
  EXPECT_EQ(L"Tiny.zip", folder.DesignSkin());
  const std::wstring written = folder.DesignText();

  RunOnce(folder, L"skin-second.bmp", &second);
  if (HasFatalFailure()) return;
  EXPECT_TRUE(EqualRect(&first.Rect, &second.Rect));
  EXPECT_TRUE(SamePixels(*first.Shot, *second.Shot)) << DifferentPixels(*first.Shot, *second.Shot) << " pixels differ";
  EXPECT_EQ(written, folder.DesignText());
}

TEST(SkinE2E, ABrokenSkinLeavesTheClassicLookOfClassicVsd) {
  SkinFolder folder;
  SkinStart classic;
  RunOnce(folder, L"skin-classic-first.bmp", &classic);
  if (HasFatalFailure()) return;
  // Classic.vsd holds a grid of 4 columns; Design.ini names skins that fail.
  folder.WriteEditedDesign(L"Data\\Classic.vsd", L"ButtonNumX=7\r\n", L"ButtonNumX=4\r\n");
  for (const wchar_t* skin : {L"Truncated.zip", L"\\..\\..\\Outside", L"\\CutXml"}) {
    SCOPED_TRACE(std::string(skin, skin + wcslen(skin)));
    folder.WriteEditedDesign(L"Data\\Design.ini", L"[Skin]\r\nName=" + folder.DesignSkin() + L"\r\n",
                             L"[Skin]\r\nName=" + std::wstring(skin) + L"\r\n");
    const std::set<std::wstring> before = ListFiles(folder.Dir.Path);
    SkinStart broken;
    RunOnce(folder, L"skin-broken.bmp", &broken);
    if (HasFatalFailure()) return;
    ExpectSize(broken.Rect, ClassicWidth(4), kClassicHeight);
    EXPECT_EQ(L"", folder.DesignSkin()) << "the name is emptied";
    EXPECT_TRUE(before == ListFiles(folder.Dir.Path)) << "files came or went";
  }
}

// Where the shipped skin puts the window and its first button for a design.
struct SkinGeometry {
  int Width = 0, Height = 0;
  POINT Body = {};       // the top-left of the window's body, inside its shadow
  RECT ButtonText = {};  // where the first button's name goes, below its icon
};

// Worked out from skin.xml as its author reads it: the side frames as wide
// and the title and bottom frames as high as their images; an area begins
// at its offset from the piece before it (1 adjoins it) and the frames
// close around the button area the same way; the tab strip is one row of
// tabs inside its margin, the grid the design's buttons with the skin's
// pitch between and margin around; the body lies inside the shadow area.
// A button's name goes below its icon and the icon's margins. The design
// numbers come from the written Design.ini; at 96 DPI nothing is scaled.
void ComputeShippedGeometry(const std::wstring& xml, const std::wstring& design, SkinGeometry* g) {
  auto number = [&](std::initializer_list<const wchar_t*> path, const wchar_t* attr) {
    std::vector<int> v = NumberList(XmlAttrAt(xml, path, attr));
    EXPECT_EQ(1u, v.size()) << attr;
    return v.empty() ? 0 : v[0];
  };
  auto quad = [&](std::initializer_list<const wchar_t*> path, const wchar_t* attr) {
    std::vector<int> v = NumberList(XmlAttrAt(xml, path, attr));
    EXPECT_EQ(4u, v.size()) << attr;
    v.resize(4);
    return v;
  };
  for (const wchar_t* side : {L"left", L"right"}) {
    EXPECT_EQ(L"ImageSize", XmlAttrAt(xml, {L"frame", side, L"arrangement"}, L"width"));
  }
  for (const wchar_t* side : {L"top", L"bottom"}) {
    EXPECT_EQ(L"ImageSize", XmlAttrAt(xml, {L"frame", side, L"arrangement"}, L"height"));
  }
  int left = number({L"frame", L"left"}, L"width"), right = number({L"frame", L"right"}, L"width");
  int top = number({L"frame", L"top"}, L"height"), bottom = number({L"frame", L"bottom"}, L"height");
  std::vector<int> tabOffset = quad({L"tabarea", L"arrangement"}, L"offset");
  std::vector<int> tabMargin = quad({L"tabarea", L"arrangement"}, L"margin");
  std::vector<int> areaOffset = quad({L"buttonarea", L"arrangement"}, L"offset");
  std::vector<int> areaMargin = quad({L"buttonarea", L"arrangement"}, L"margin");
  std::vector<int> pitch = NumberList(XmlAttrAt(xml, {L"buttonarea", L"button", L"arrangement"}, L"pitch"));
  ASSERT_EQ(2u, pitch.size());
  auto mode = [&](const wchar_t* key) { return _wtoi(IniValueAt(design, {L"ViewMode1"}, key).c_str()); };
  EXPECT_EQ(0u, wcstoul(IniValueAt(design, {L"ViewMode1"}, L"Flag").c_str(), nullptr, 16) & 1) << "tabs in one row";
  int nx = mode(L"ButtonNumX"), ny = mode(L"ButtonNumY");
  int grid = areaMargin[0] + nx * mode(L"ButtonSizeX") + (nx - 1) * pitch[0] + areaMargin[2];
  int gridHeight = areaMargin[1] + ny * mode(L"ButtonSizeY") + (ny - 1) * pitch[1] + areaMargin[3];
  int strip = tabMargin[1] + mode(L"TabSizeY") + tabMargin[3];
  ASSERT_GT(nx, 0);
  ASSERT_GT(ny, 0);
  std::vector<int> shadow = quad({L"general"}, L"shadowArea");
  g->Body = POINT{shadow[0], shadow[1]};
  g->Width = left + (areaOffset[0] - 1) + grid + (-areaOffset[2] - 1) + right;
  int stripTop = top + (tabOffset[1] - 1);
  int gridTop = stripTop + strip + (areaOffset[1] - 1);
  g->Height = gridTop + gridHeight + (-areaOffset[3] - 1) + bottom;
  int cellLeft = left + (areaOffset[0] - 1) + areaMargin[0], cellTop = gridTop + areaMargin[1];
  auto iconMargin = [&](const wchar_t* key) {
    return _wtoi(IniValueAt(design, {L"ViewMode1", L"Margin", L"ButtonIcon"}, key).c_str());
  };
  g->ButtonText = RECT{cellLeft, cellTop + iconMargin(L"Top") + mode(L"IconSizeDisp") + iconMargin(L"Bottom"),
                       cellLeft + mode(L"ButtonSizeX") - 1, cellTop + mode(L"ButtonSizeY") - 1};
}

// Pixels light in every channel in r (inclusive) of a capture: text drawn
// in the skin's colours, which are light on its dark faces.
int LightPixels(const Canvas& c, const RECT& r) {
  int n = 0;
  for (int y = r.top; y <= r.bottom && y < c.Height; y++)
    for (int x = r.left; x <= r.right && x < c.Width; x++) {
      DWORD p = c.Bits[y * c.Width + x];
      n += (p & 0xFF) >= 0xC0 && ((p >> 8) & 0xFF) >= 0xC0 && ((p >> 16) & 0xFF) >= 0xC0;
    }
  return n;
}

TEST(SkinE2E, TheShippedSkinChosenWithTheToolShowsAtItsSizeFromFolderAndArchive) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  ASSERT_EQ(96, dpi) << "the expected size is worked out unscaled";
  const std::wstring xml = ReadUtf16Text(BuildFile(L"Skins/Basalt/skin.xml"));
  ASSERT_FALSE(xml.empty());

  struct Form {
    const wchar_t* Name;
    const wchar_t* Shots[2];
  } forms[] = {{L"\\Basalt", {L"skin-basalt-folder.bmp", L"skin-basalt-folder-again.bmp"}},
               {L"Basalt.zip", {L"skin-basalt-zip.bmp", L"skin-basalt-zip-again.bmp"}}};
  SkinStart first[2];
  for (int f = 0; f < 2; f++) {
    SCOPED_TRACE(std::string(forms[f].Name, forms[f].Name + wcslen(forms[f].Name)));
    SkinFolder folder(nullptr);
    folder.SeedSettings(2, L"", {folder.MarkerButton(L"Alpha", 0, 0)});
    ToolRun r = RunSettingsTool(folder.Dir.Path, folder.Dir.File(L"Data"), {L"skin", forms[f].Name});
    ASSERT_EQ(0, r.Code) << r.Output;
    ASSERT_EQ(forms[f].Name, folder.DesignSkin());
    SkinGeometry g;
    ComputeShippedGeometry(xml, folder.DesignText(), &g);
    if (HasFatalFailure()) return;

    RunOnce(folder, forms[f].Shots[0], &first[f]);
    if (HasFatalFailure()) return;
    ExpectSize(first[f].Rect, g.Width, g.Height, POINT{100 - g.Body.x, 100 - g.Body.y});
    // The button's name in the skin's light colour, not the classic dark one.
    EXPECT_GE(LightPixels(*first[f].Shot, g.ButtonText), 20);
    const std::wstring written = folder.DesignText();
    EXPECT_EQ(forms[f].Name, folder.DesignSkin());

    SkinStart second;
    RunOnce(folder, forms[f].Shots[1], &second);
    if (HasFatalFailure()) return;
    EXPECT_TRUE(EqualRect(&first[f].Rect, &second.Rect));
    EXPECT_TRUE(SamePixels(*first[f].Shot, *second.Shot)) << DifferentPixels(*first[f].Shot, *second.Shot)
                                                          << " pixels differ";
    EXPECT_EQ(written, folder.DesignText());
  }
  EXPECT_TRUE(SamePixels(*first[0].Shot, *first[1].Shot)) << "the folder and the archive draw differently";
}

}  // namespace
