// The skin that ships with the launcher, as the build puts it into Skins\:
// its skin.xml read with its real images, from the folder and from the
// archive, every piece the windows use present, faces that can be clicked,
// recommended sizes that parse, and a laid-out window whose pieces meet.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "render/icons.h"
#include "render/image.h"
#include "layout_fixture.h"
#include "render/skinxml.h"
#include "render/skinzip.h"
#include "store/settings.h"
#include "support/test_support.h"

namespace {

const wchar_t kSkin[] = L"Basalt";

int LoadShippedSlotImage(SkinSlot* slot) { return LoadSlotImage((int)(slot - g_App.Skin.Slots)); }
int ThirtyTwoBits() { return 32; }

std::wstring SkinFolder() { return BuildFile(L"Skins") + L"\\" + kSkin; }
std::wstring SkinArchivePath() { return BuildFile(L"Skins") + L"\\" + kSkin + L".zip"; }

// skin.xml as the reader takes it: UTF-16LE behind the byte-order mark,
// which the scanner passes over like any character.
std::wstring SkinXmlText(const std::string& bytes) {
  if (bytes.size() < 4 || bytes.size() % 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return L"";
  return std::wstring((const wchar_t*)bytes.data(), bytes.size() / 2);
}

// Every slot the launcher window, the sub-menus and the search window draw.
const int kNeededSlots[] = {
    SLOT_TAB, SLOT_BUTTON, SLOT_LOCKEDBUTTON, SLOT_BACKGROUND, 5, 6, 7, 8,  // frames
    9, 10, 11,                                                             // close: normal, hover, down
    12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,                        // pin, mode, search
    SLOT_CAPTION, SLOT_TABAREA, SLOT_BUTTONAREA, SLOT_LOCKMARKER,
    SLOT_SUBMENU, 29, 30, 31, 32, 33, 34, 35,  // sub-menu frame and items
    36, 37, 38, 39,                            // scroll buttons
    40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55,  // arrows
    SLOT_SEARCHWINDOW, 57, 58, 59, 60, 61, 62,
};

// Alpha of a pixel (from the top) of a slot's 32-bit image, or -1.
int AlphaAt(const SkinSlot& s, int x, int y) {
  DIBSECTION ds;
  if (GetObjectW(s.Bitmap, sizeof ds, &ds) != sizeof ds || !ds.dsBm.bmBits || ds.dsBm.bmBitsPixel != 32) return -1;
  if (x < 0 || y < 0 || x >= ds.dsBm.bmWidth || y >= ds.dsBm.bmHeight) return -1;
  const BYTE* row = (const BYTE*)ds.dsBm.bmBits + (size_t)(ds.dsBm.bmHeight - 1 - y) * ds.dsBm.bmWidthBytes;
  return row[x * 4 + 3];
}

bool Inside(const RECT& a, const RECT& b) {
  return a.left >= b.left && a.top >= b.top && a.right <= b.right && a.bottom <= b.bottom;
}
bool Overlap(const RECT& a, const RECT& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

class ShippedSkinTest : public LayoutFixture {
 protected:
  void SetUp() override {
    LayoutFixture::SetUp();
    saved_ = g_SkinXmlSeams;
    g_SkinXmlSeams.LoadSlotImage = LoadShippedSlotImage;
    // An alpha skin needs a 32-bit display, which Xvfb need not be.
    g_SkinXmlSeams.ScreenBitsPerPixel = ThirtyTwoBits;
    wcscpy(savedSkin_, g_App.SkinName);
    g_App.Skin = SkinSettings{};
    g_App.SkinText = SkinTextState{};
  }
  void TearDown() override {
    FreeSlotBitmaps();
    CloseSkinArchive();
    wcscpy(g_App.SkinName, savedSkin_);
    g_SkinXmlSeams = saved_;
    g_App.SkinText = SkinTextState{};
    LayoutFixture::TearDown();
  }

  // Reads the folder skin, or the archive as the skin selection opens it;
  // the skin.xml text, empty on failure.
  std::wstring Open(bool zipped) {
    FreeSlotBitmaps();
    CloseSkinArchive();
    g_App.Skin = SkinSettings{};
    if (!zipped) {
      swprintf(g_App.SkinName, 260, L"\\%ls", kSkin);
      return SkinXmlText(ReadFileBytes(SkinFolder() + L"\\skin.xml"));
    }
    swprintf(g_App.SkinName, 260, L"%ls.zip", kSkin);
    BYTE* data;
    DWORD n = ReadWholeFile(SkinArchivePath().c_str(), GetProcessHeap(), &data);
    if (!n) return L"";
    OpenSkinArchive(data, n);
    ZipLocalHeader h;
    BYTE* xml;
    DWORD size;
    if (!FindZipEntry(L"skin.xml", &h, 1) || !(size = ExtractZipEntry(&h, &xml))) return L"";
    std::string bytes((const char*)xml, size);
    HeapFree(GetProcessHeap(), 0, xml);
    g_App.Skin.Flags = SKF_ZIPPED;
    return SkinXmlText(bytes);
  }

  // The shipped skin loaded (takeDesign as for a skin chosen the first time).
  void Load(bool zipped = false, int takeDesign = 1) {
    std::wstring text = Open(zipped);
    ASSERT_FALSE(text.empty()) << "skin.xml missing or not UTF-16LE with a byte-order mark";
    ASSERT_EQ(1, LoadSkinXmlText(text.c_str(), takeDesign));
    text_ = text;
  }
  static const SkinSlot& Slot(int i) { return g_App.Skin.Slots[i]; }

  std::wstring text_;
  SkinXmlSeams saved_;
  wchar_t savedSkin_[260];
};

TEST_F(ShippedSkinTest, EveryPieceLoadsFromTheFolderAndFromTheArchive) {
  for (bool zipped : {false, true}) {
    for (int takeDesign : {1, 0}) {
      SCOPED_TRACE(testing::Message() << (zipped ? "archive" : "folder") << ", takeDesign " << takeDesign);
      Load(zipped, takeDesign);
      if (HasFailure()) return;
      EXPECT_EQ(SKINMODE_ALPHA, g_App.Skin.TransparencyMode);
      EXPECT_EQ(0u, g_App.Skin.Flags & SKF_NO_CAPTION);
      // Sub-menu and search window from their own images, tabs with their own text.
      EXPECT_EQ(STF_SUBMENU_IMAGES | STF_TAB_TEXT | STF_NEW_TEXT_LAYOUT | STF_SEARCH_IMAGES,
                g_App.SkinText.SkinTextFlags);
      for (int i : kNeededSlots) {
        const SkinSlot& s = Slot(i);
        SCOPED_TRACE(testing::Message() << "slot " << i << " " << s.FileName);
        EXPECT_NE(nullptr, s.Dc);
        EXPECT_NE(nullptr, s.Bitmap);
        EXPECT_GT(s.SourceWidth, 0);
        EXPECT_GT(s.SourceHeight, 0);
        EXPECT_LE(s.SourceLeft + s.SourceWidth, s.ImageWidth);
        EXPECT_LE(s.SourceTop + s.SourceHeight, s.ImageHeight);
      }
      // Its images are read from the skin's folder inside the archive.
      if (zipped) {
        EXPECT_STREQ("Basalt/", g_App.SkinZip.Prefix ? g_App.SkinZip.Prefix : "(none)");
      }
    }
  }
}

TEST_F(ShippedSkinTest, FontsAndColoursOfASkinChosenTheFirstTime) {
  Load();
  const ViewModeDesign* v = g_App.Design.ViewMode;
  for (int mode = 0; mode < 2; mode++) {
    for (int f = 0; f < FONT_COUNT; f++) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << " font " << f);
      // An empty face would fall back to whatever the system picks.
      EXPECT_STRNE(L"", v[mode].Fonts[f].Face);
      EXPECT_GE(v[mode].Fonts[f].Size, 8);
      EXPECT_TRUE(v[mode].Fonts[f].Flag & FEF_ANTIALIAS);
    }
  }
  // Light text on the dark faces: every text colour is brighter than the
  // shadow beneath it.
  auto light = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
  const PageDesign& page = g_App.Design.PageDefault;
  for (int set = 0; set < 6; set++) {
    SCOPED_TRACE(testing::Message() << "page design set " << set);
    EXPECT_GT(light(page.Sets[set].TextClr1), 3 * 0x90);
    EXPECT_GT(light(page.Sets[set].TextClr1), light(page.Sets[set].TextClr2));
  }
  EXPECT_GT(light(g_App.Design.Window.TextClr1), 3 * 0x90);
  for (int i = 0; i < SKT_COUNT; i++) EXPECT_GT(light(g_App.SkinText.TextColors[i].TextClr1), 3 * 0x60) << i;
}

TEST_F(ShippedSkinTest, StatesAndDesignsAreWholeCellsOfTheirImages) {
  Load();
  const SkinSettings& k = g_App.Skin;
  // Faces: design columns by three state rows; the drawing divides the image
  // evenly, so a remainder would shift every cell.
  struct Face {
    int Slot, Designs;
  } faces[] = {{SLOT_TAB, k.DesignCount[0]}, {SLOT_BUTTON, k.DesignCount[1]}, {SLOT_LOCKEDBUTTON, k.DesignCount[2]}};
  for (const Face& f : faces) {
    SCOPED_TRACE(testing::Message() << "slot " << f.Slot);
    EXPECT_GE(f.Designs, 1);
    EXPECT_EQ(0, Slot(f.Slot).ImageWidth % f.Designs);
    EXPECT_EQ(0, Slot(f.Slot).ImageHeight % 3);
  }
  EXPECT_EQ(k.DesignCount[0], k.DesignCount[1]) << "a page's tab and button colours go together";
  // State images of one piece: the same size, each its own cell.
  struct States {
    int First, Count;
  } states[] = {{9, 3}, {12, 4}, {16, 4}, {20, 4}, {33, 3}, {36, 4}, {40, 4}, {44, 4}, {48, 4}, {52, 4}};
  for (const States& s : states) {
    std::set<std::pair<int, int>> cells;
    for (int i = s.First; i < s.First + s.Count; i++) {
      SCOPED_TRACE(testing::Message() << "slot " << i);
      EXPECT_EQ(Slot(s.First).SourceWidth, Slot(i).SourceWidth);
      EXPECT_EQ(Slot(s.First).SourceHeight, Slot(i).SourceHeight);
      cells.insert({Slot(i).SourceLeft, Slot(i).SourceTop});
    }
    EXPECT_EQ((size_t)s.Count, cells.size()) << "states of slot " << s.First << " share a cell";
  }
  // Search results and sub-menu items look alike; the search window
  // borrows the sub-menu's decoded images instead of decoding them again.
  for (int i = 0; i < 5; i++) EXPECT_EQ(Slot(SLOT_SUBMENU + i).Bitmap, Slot(SLOT_SEARCHWINDOW + i).Bitmap) << i;
}

TEST_F(ShippedSkinTest, FacesAndCaptionButtonsCanBeClickedInEveryState) {
  Load();
  // The launcher hit-tests the alpha of faces and caption buttons: a
  // transparent pixel is no hit. Inside the rounded corners every pixel of
  // every state must be opaque at least a little.
  auto check = [](int slot, int left, int top, int width, int height) {
    int inset = 6;
    for (int y = top + inset; y < top + height - inset; y++)
      for (int x = left + inset; x < left + width - inset; x++)
        if (AlphaAt(Slot(slot), x, y) <= 0) {
          ADD_FAILURE() << "slot " << slot << " transparent at " << x << "," << y;
          return;
        }
  };
  const SkinSettings& k = g_App.Skin;
  int faces[3][2] = {{SLOT_TAB, k.DesignCount[0]}, {SLOT_BUTTON, k.DesignCount[1]}, {SLOT_LOCKEDBUTTON, k.DesignCount[2]}};
  for (auto& f : faces) {
    const SkinSlot& s = Slot(f[0]);
    int w = s.ImageWidth / f[1], h = s.ImageHeight / 3;
    for (int column = 0; column < f[1]; column++)
      for (int row = 0; row < 3; row++) check(f[0], column * w, row * h, w, h);
  }
  for (int i = SLOT_CLOSEBUTTON; i < SLOT_CAPTION; i++) {
    const SkinSlot& s = Slot(i);
    check(i, s.SourceLeft, s.SourceTop, s.SourceWidth, s.SourceHeight);
  }
}

TEST_F(ShippedSkinTest, TheArchiveHoldsTheFolderAndTheFolderOnlyWhatTheSkinUses) {
  Load();
  std::set<std::wstring> used;
  for (const SkinSlot& s : g_App.Skin.Slots)
    if (s.FileName[0]) used.insert(s.FileName[0] == L'\\' ? s.FileName + 1 : s.FileName);
  used.insert(L"skin.xml");

  std::set<std::wstring> files;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((SkinFolder() + L"\\*").c_str(), &found);
  ASSERT_NE(INVALID_HANDLE_VALUE, find);
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.insert(found.cFileName);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  EXPECT_EQ(used, files) << "files the skin never names, or names it lacks";

  ASSERT_FALSE(Open(true).empty());
  for (const std::wstring& name : files) {
    SCOPED_TRACE(name);
    ZipLocalHeader h;
    ASSERT_EQ(1, FindZipEntry(name.c_str(), &h, 0));
    BYTE* data;
    DWORD n = ExtractZipEntry(&h, &data);
    ASSERT_GT(n, 0u);
    EXPECT_EQ(ReadFileBytes(SkinFolder() + L"\\" + name), std::string((const char*)data, n));
    HeapFree(GetProcessHeap(), 0, data);
  }
}

TEST_F(ShippedSkinTest, RecommendedSizesParseForBothViewModes) {
  Load();
  g_App.Settings.DispOption |= DISP_SEPARATE_VIEWMODES;
  ResetViewModeDesign();
  ASSERT_EQ(1, ApplyRecommendedSizesText(text_.c_str()));
  struct Want {
    int TabSizeY, ButtonSizeX, ButtonSizeY, ButtonNumX, ButtonNumY, IconSizeDisp;
    bool Text;
  } want[2] = {{26, 64, 64, 7, 3, 32, true}, {26, 48, 48, 9, 5, 32, false}};
  for (int mode = 0; mode < 2; mode++) {
    SCOPED_TRACE(testing::Message() << "mode " << mode + 1);
    const ViewModeDesign& v = g_App.Design.ViewMode[mode];
    EXPECT_EQ(want[mode].TabSizeY, v.TabSizeY);
    EXPECT_EQ(0, v.TabSizeX);  // tabs as wide as their names
    EXPECT_EQ(want[mode].ButtonSizeX, v.ButtonSizeX);
    EXPECT_EQ(want[mode].ButtonSizeY, v.ButtonSizeY);
    EXPECT_EQ(want[mode].ButtonNumX, v.ButtonNumX);
    EXPECT_EQ(want[mode].ButtonNumY, v.ButtonNumY);
    EXPECT_EQ(want[mode].IconSizeDisp, v.IconSizeDisp);
    EXPECT_EQ(want[mode].Text, (v.Flag & 0x10) != 0);
    EXPECT_EQ(10, v.Margin[MARGIN_TABTEXT].left);
    EXPECT_EQ(8, v.Margin[MARGIN_BUTTONICON].top);
  }
}

TEST_F(ShippedSkinTest, LaidOutWindowPiecesMeetInsideTheVisibleBody) {
  struct Case {
    int Dpi;
    bool Recommended;
  } cases[] = {{96, false}, {96, true}, {144, true}, {192, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Dpi << " DPI" << (c.Recommended ? ", recommended sizes" : ""));
    SetPages({L"60", L"90", L"120"});
    ResetViewModeDesign();
    Load();
    if (HasFailure()) return;
    if (c.Recommended) {
      ASSERT_EQ(1, ApplyRecommendedSizesText(text_.c_str()));
    }
    g_App.Design.Dpi = c.Dpi;
    Layout();

    const LayoutState& L = g_App.Layout;
    auto S = [&](int v) { return c.Dpi > 96 ? v * c.Dpi / 96 : v; };
    const RECT& shadow = g_App.Skin.MainShadow;
    RECT body = {S(shadow.left), S(shadow.top), L.Width - 1 - S(shadow.right), L.Height - 1 - S(shadow.bottom)};
    ASSERT_LT(body.left, body.right);
    RECT top = Slot(SLOT_FRAMETOP).Target;
    RECT bar = {body.left, body.top, body.right, top.bottom};

    const int buttons[4] = {SLOT_PINBUTTON, SLOT_SEARCHBUTTON, SLOT_MODEBUTTON, SLOT_CLOSEBUTTON};
    for (int i = 0; i < 4; i++) {
      RECT r = Slot(buttons[i]).Target;
      SCOPED_TRACE(testing::Message() << "button slot " << buttons[i] << " " << r);
      EXPECT_TRUE(Inside(r, bar)) << "outside the title bar " << bar;
      EXPECT_FALSE(Overlap(r, Slot(SLOT_CAPTION).Target));
      for (int j = i + 1; j < 4; j++) EXPECT_FALSE(Overlap(r, Slot(buttons[j]).Target)) << buttons[j];
      // In the order left to right: pin, then search, mode and close at the right.
      if (i < 3) {
        EXPECT_LT(r.right, Slot(buttons[i + 1]).Target.left);
      }
    }
    RECT caption = Slot(SLOT_CAPTION).Target;
    EXPECT_TRUE(Inside(caption, bar)) << caption;
    EXPECT_GT(caption.right - caption.left, S(100));
    EXPECT_GT(caption.bottom - caption.top, S(14));

    RECT background = Slot(SLOT_BACKGROUND).Target;
    EXPECT_TRUE(Inside(background, body)) << background;
    EXPECT_EQ(top.bottom + 1, background.top);
    EXPECT_EQ(Slot(SLOT_FRAMELEFT).Target.right + 1, background.left);
    EXPECT_EQ(Slot(SLOT_FRAMERIGHT).Target.left - 1, background.right);
    EXPECT_EQ(Slot(SLOT_FRAMEBOTTOM).Target.top - 1, background.bottom);
    RECT tabs = Slot(SLOT_TABAREA).Target, grid = Slot(SLOT_BUTTONAREA).Target;
    EXPECT_TRUE(Inside(tabs, background)) << tabs;
    EXPECT_TRUE(Inside(grid, background)) << grid;
    EXPECT_LT(tabs.bottom, grid.top);
    for (int p = 0; p < L.TabRectCount; p++) EXPECT_TRUE(Inside(L.TabRects[p], tabs)) << "tab " << p;
    for (int i = 0; i < L.CellCount; i++) EXPECT_TRUE(Inside(L.CellRects[i], grid)) << "cell " << i;
    // The side frames reach from the title bar to the bottom frame.
    for (int f : {SLOT_FRAMELEFT, SLOT_FRAMERIGHT}) {
      EXPECT_EQ(top.bottom + 1, Slot(f).Target.top) << f;
      EXPECT_EQ(Slot(SLOT_FRAMEBOTTOM).Target.top - 1, Slot(f).Target.bottom) << f;
    }
    EXPECT_EQ(L.Width - 1, Slot(SLOT_FRAMERIGHT).Target.right);
    EXPECT_EQ(L.Height - 1, Slot(SLOT_FRAMEBOTTOM).Target.bottom);
  }
}

}  // namespace
