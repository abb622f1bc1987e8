// The real Vantrel.exe with skins: the skin that Design.ini names gives the
// window the size of its pieces, a second start from the files it wrote
// draws the same, and a skin that cannot load leaves the classic look with
// the design of Classic.vsd and nothing written outside the data folder.
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

std::wstring Utf16(const std::string& bytes) {
  if (bytes.size() < 2) return L"";
  return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}

struct SkinFolder : ProgramFolder {
  SkinFolder() : ProgramFolder(false) {
    CopyTree(FixturePath(L"skinsel\\Skins"), Dir.File(L"Skins"));
    SeedSettings(2);
  }
  std::wstring Design() const { return Dir.File(L"Data\\Design.ini"); }
  std::wstring DesignText() const { return Utf16(ReadFileBytes(Design())); }
  // The [Skin] Name of Design.ini, or "(none)".
  std::wstring DesignSkin() const {
    std::wstring t = DesignText();
    size_t at = t.find(L"[Skin]\r\nName=");
    if (at == std::wstring::npos) return L"(none)";
    at += 13;
    return t.substr(at, t.find(L"\r\n", at) - at);
  }
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

void ExpectSize(const RECT& r, int width, int height) {
  EXPECT_EQ(100, r.left);
  EXPECT_EQ(100, r.top);
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

}  // namespace
