#include <gtest/gtest.h>

#include "state.h"
#include "render/design.h"
#include "store/lists.h"

namespace {

class DesignTest : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void TearDown() override {
    ReleaseAll();
    Clear();
  }
  static void Clear() {
    g_App.Design = DesignState{};
    g_App.Settings = SettingsState{};
    g_App.RunState = 0;
  }
  static void ReleaseAll() {
    for (int i = 0; i < FONT_COUNT; i++) {
      HFONT a = g_App.Design.ViewMode[0].Fonts[i].Font, b = g_App.Design.ViewMode[1].Fonts[i].Font;
      if (a) DeleteObject(a);
      if (b && b != a) DeleteObject(b);
    }
  }
};

void ExpectColors(const DesignColors& c, UINT flag, COLORREF bg1, COLORREF bg2, COLORREF frame1, COLORREF text1,
                  COLORREF text2, int pattern) {
  EXPECT_EQ(c.Flag, flag);
  EXPECT_EQ(c.BG1, bg1);
  EXPECT_EQ(c.BG2, bg2);
  EXPECT_EQ(c.Frame1, frame1);
  EXPECT_EQ(c.Frame2, 0u);
  EXPECT_EQ(c.TextClr1, text1);
  EXPECT_EQ(c.TextClr2, text2);
  EXPECT_EQ(c.ShadowAlpha, 255);
  EXPECT_EQ(c.ShadowWidth, 1);
  EXPECT_EQ(c.Pattern, pattern);
}

TEST_F(DesignTest, ResetGivesEveryExistingPageTheDefaultColours) {
  ClearItemStore();
  ASSERT_EQ(AddPage(L"A"), 0);
  ASSERT_EQ(AddPage(L"B"), 1);
  // Pages as the first run makes them: zero-filled records.
  memset(&g_App.Store.Pages[0].Design, 0, sizeof(PageDesign));
  memset(&g_App.Store.Pages[1].Design, 0, sizeof(PageDesign));
  g_App.Store.Pages[1].Design.Sets[PD_BUTTONN].Pattern = 2;
  ResetAllDesigns();
  for (int p = 0; p < 2; p++) {
    SCOPED_TRACE(p);
    const PageDesign& d = g_App.Store.Pages[p].Design;
    ExpectColors(d.Sets[PD_TABN], 0x1, 0xCFCFCF, 0x606060, 0xFFFFFF, 0xFFFFFF, 0x202020, 0);
    ExpectColors(d.Sets[PD_BUTTONN], 0x1, 0xFFFFFF, 0xA0A0A0, 0xFFFFFF, 0x202020, 0xFFFFFF, p == 1 ? 2 : 0);
  }
  ClearItemStore();
}

TEST_F(DesignTest, ResetGivesTheDefaultsOfBothViewModesAndTheWindow) {
  // Dirty every field first so a default that is not set shows.
  memset(&g_App.Design, 0x5A, sizeof g_App.Design);
  for (auto& v : g_App.Design.ViewMode)
    for (auto& f : v.Fonts) f.Font = nullptr;
  g_App.Design.Window.Pattern = 4;
  g_App.Design.PageDefault.Sets[2].Pattern = 3;

  ResetAllDesigns();

  for (int m = 0; m < 2; m++) {
    SCOPED_TRACE(m);
    const ViewModeDesign& v = g_App.Design.ViewMode[m];
    EXPECT_EQ(v.Flag, 0x10u);
    EXPECT_EQ(v.CaptionHeight, 22);
    EXPECT_EQ(v.FrameWidth, 6);
    EXPECT_EQ(v.TabSizeX, 58);
    EXPECT_EQ(v.TabSizeY, 20);
    EXPECT_EQ(v.ButtonSizeX, 58);
    EXPECT_EQ(v.ButtonSizeY, 58);
    EXPECT_EQ(v.IconSizeGet, 32);
    EXPECT_EQ(v.IconSizeDisp, 32);
    EXPECT_EQ(v.ButtonNumX, 7);
    EXPECT_EQ(v.ButtonNumY, m == 0 ? 3 : 6);
    EXPECT_EQ(v.SearchWindowX, 0);
    EXPECT_EQ(v.SearchWindowY, 0);
    EXPECT_EQ(v.SearchWindowW, 0);
    const RECT margins[4] = {{4, 2, 4, 0}, {5, 0, 5, 0}, {0, 6, 0, 2}, {2, 0, 2, 2}};
    for (int i = 0; i < MARGIN_COUNT; i++) {
      EXPECT_EQ(v.Margin[i].left, margins[i].left) << i;
      EXPECT_EQ(v.Margin[i].top, margins[i].top) << i;
      EXPECT_EQ(v.Margin[i].right, margins[i].right) << i;
      EXPECT_EQ(v.Margin[i].bottom, margins[i].bottom) << i;
    }
    const int sizes[5] = {11, 10, 10, 9, 11};
    const UINT flags[5] = {0x100, 0x100, 0, 0, 0};
    for (int i = 0; i < FONT_COUNT; i++) {
      EXPECT_EQ(v.Fonts[i].Size, sizes[i]) << i;
      EXPECT_EQ(v.Fonts[i].Flag, flags[i]) << i;
      EXPECT_EQ(v.Fonts[i].Font, nullptr) << i;
      // The built-in strings leave the interface font open; the default face stands in.
      EXPECT_STREQ(v.Fonts[i].Face, L"Segoe UI") << i;
    }
  }
  const DesignColors& w = g_App.Design.Window;
  ExpectColors(w, 0x200, 0xFFFFFF, 0xA0A0A0, 0xFFFFFF, 0x202020, 0xFFFFFF, 4);

  const PageDesign& p = g_App.Design.PageDefault;
  ExpectColors(p.Sets[0], 0x1, 0xCFCFCF, 0x606060, 0xFFFFFF, 0xFFFFFF, 0x202020, 0x5A5A5A5A);
  ExpectColors(p.Sets[1], 0x11, 0xFBFFFF, 0x24CEFF, 0xFFFFFF, 0x006AFF, 0x0000FF, 0x5A5A5A5A);
  ExpectColors(p.Sets[2], 0x211, 0xA0A0A0, 0xFFFFFF, 0xFFFFFF, 0x202020, 0xFFFFFF, 3);
  ExpectColors(p.Sets[3], 0x1, 0xFFFFFF, 0xA0A0A0, 0xFFFFFF, 0x202020, 0xFFFFFF, 0x5A5A5A5A);
  ExpectColors(p.Sets[4], 0x11, 0x24CEFF, 0xFBFFFF, 0xFFFFFF, 0x006AFF, 0x0000FF, 0x5A5A5A5A);
  ExpectColors(p.Sets[5], 0x1, 0xFFFFFF, 0xA0A0A0, 0xFFFFFF, 0x202020, 0xFFFFFF, 0x5A5A5A5A);
}

TEST_F(DesignTest, ResetMarksAPendingSaveOnlyOnceChangesAreTracked) {
  ResetViewModeDesign();
  EXPECT_EQ(g_App.Settings.PendingSave, 0);
  g_App.RunState = RS_TRACK_CHANGES;
  ResetViewModeDesign();
  EXPECT_EQ(g_App.Settings.PendingSave, 1);
}

TEST_F(DesignTest, SetDefaultFontsTouchesOneModeAndKeepsHandles) {
  ResetViewModeDesign();
  for (auto& v : g_App.Design.ViewMode)
    for (auto& f : v.Fonts) {
      f.Size = 40;
      f.Flag = 0x700;
      lstrcpyW(f.Face, L"Other");
      f.Font = reinterpret_cast<HFONT>(0x1234);
    }
  g_App.Settings.Status = STATUS_VIEWMODE2;
  SetDefaultFonts(5);  // above 1: the active mode, here the second
  EXPECT_EQ(g_App.Design.ViewMode[1].Fonts[FONT_BUTTON].Size, 9);
  EXPECT_STREQ(g_App.Design.ViewMode[1].Fonts[FONT_BUTTON].Face, L"Segoe UI");
  EXPECT_EQ(g_App.Design.ViewMode[1].Fonts[FONT_BUTTON].Font, reinterpret_cast<HFONT>(0x1234));
  EXPECT_EQ(g_App.Design.ViewMode[0].Fonts[FONT_BUTTON].Size, 40);
  SetDefaultFonts(0);
  EXPECT_EQ(g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Flag, 0x100u);
  for (auto& v : g_App.Design.ViewMode)
    for (auto& f : v.Fonts) f.Font = nullptr;
}

TEST_F(DesignTest, SyncCopiesTheDesignButKeepsGridSearchWindowAndFonts) {
  ResetViewModeDesign();
  ViewModeDesign& a = g_App.Design.ViewMode[0];
  ViewModeDesign& b = g_App.Design.ViewMode[1];
  a.CaptionHeight = 30;
  a.Margin[MARGIN_BUTTONTEXT].right = 9;
  a.Fonts[FONT_TABB].Size = 14;
  a.Fonts[FONT_TABB].Font = reinterpret_cast<HFONT>(0x10);
  a.SearchWindowW = 111;
  b.SearchWindowX = 5;
  b.SearchWindowY = 6;
  b.SearchWindowW = 7;
  b.Fonts[FONT_TABB].Font = reinterpret_cast<HFONT>(0x20);

  EXPECT_EQ(SyncViewModeDesign(0), 1);
  EXPECT_EQ(b.CaptionHeight, 30);
  EXPECT_EQ(b.Margin[MARGIN_BUTTONTEXT].right, 9);
  EXPECT_EQ(b.Fonts[FONT_TABB].Size, 14);
  EXPECT_EQ(b.ButtonNumX, 7);
  EXPECT_EQ(b.ButtonNumY, 6);
  EXPECT_EQ(b.SearchWindowX, 5);
  EXPECT_EQ(b.SearchWindowY, 6);
  EXPECT_EQ(b.SearchWindowW, 7);
  EXPECT_EQ(b.Fonts[FONT_TABB].Font, reinterpret_cast<HFONT>(0x20));
  EXPECT_EQ(a.ButtonNumY, 3);

  // -1: from the active mode, here the second one onto the first.
  g_App.Settings.Status = STATUS_VIEWMODE2;
  b.FrameWidth = 12;
  EXPECT_EQ(SyncViewModeDesign(-1), 1);
  EXPECT_EQ(a.FrameWidth, 12);
  EXPECT_EQ(a.ButtonNumY, 3);
  EXPECT_EQ(a.SearchWindowW, 111);
  EXPECT_EQ(a.Fonts[FONT_TABB].Font, reinterpret_cast<HFONT>(0x10));

  // Separate designs per view mode: nothing moves.
  g_App.Settings.DispOption = DISP_SEPARATE_VIEWMODES;
  a.CaptionHeight = 50;
  EXPECT_EQ(SyncViewModeDesign(0), 0);
  EXPECT_EQ(b.CaptionHeight, 30);

  for (auto& v : g_App.Design.ViewMode)
    for (auto& f : v.Fonts) f.Font = nullptr;
}

TEST(FontForDpi, HeightFollowsPointsAndDpi) {
  struct Case {
    int Size, Dpi, Height;
  } cases[] = {
      {10, 144, -20}, {10, 96, -13}, {9, 96, -12}, {11, 96, -15}, {11, 144, -22},
      {7, 144, -14},  {10, 120, -17}, {72, 144, -144}, {1, 96, -1},
  };
  for (const Case& c : cases) {
    FontEntry e{nullptr, c.Size, 0, L"Tahoma"};
    LOGFONTW lf;
    BuildFontLogfont(&e, c.Dpi, &lf);
    EXPECT_EQ(lf.lfHeight, c.Height) << c.Size << "pt at " << c.Dpi;
  }
}

TEST(FontForDpi, FlagsAndFaceGoIntoTheFont) {
  struct Case {
    UINT Flag;
    LONG Weight;
    BYTE Italic;
  } cases[] = {{0, FW_NORMAL, 0}, {FEF_BOLD, FW_BOLD, 0}, {FEF_ITALIC, FW_NORMAL, 1},
               {FEF_BOLD | FEF_ITALIC | FEF_ANTIALIAS, FW_BOLD, 1}, {FEF_ANTIALIAS, FW_NORMAL, 0}};
  for (const Case& c : cases) {
    FontEntry e{nullptr, 10, c.Flag, L"Tahoma"};
    ASSERT_NE(CreateFontForDpi(&e, 144), nullptr);
    LOGFONTW lf{};
    ASSERT_EQ(GetObjectW(e.Font, sizeof lf, &lf), (int)sizeof lf);
    EXPECT_EQ(lf.lfHeight, -20);
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(lf.lfWeight, c.Weight) << c.Flag;
    EXPECT_EQ(lf.lfItalic, c.Italic) << c.Flag;
    EXPECT_EQ(lf.lfUnderline, 0);
    EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(lf.lfQuality, CLEARTYPE_QUALITY);
    EXPECT_STREQ(lf.lfFaceName, L"Tahoma");
    DeleteObject(e.Font);
  }
}

TEST_F(DesignTest, RecreateFontSharesOneHandleWhileBothModesAgree) {
  ResetViewModeDesign();
  g_App.Design.Dpi = 144;
  RecreateFont(FONT_BUTTON, 1);
  HFONT shared = g_App.Design.ViewMode[0].Fonts[FONT_BUTTON].Font;
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(g_App.Design.ViewMode[1].Fonts[FONT_BUTTON].Font, shared);
  LOGFONTW lf{};
  GetObjectW(shared, sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, -18);  // 9 pt at 144 DPI

  // The second mode gets a size of its own: its own handle, the first keeps a live one.
  g_App.Settings.DispOption = DISP_SEPARATE_VIEWMODES;
  g_App.Design.ViewMode[1].Fonts[FONT_BUTTON].Size = 12;
  RecreateFont(FONT_BUTTON, 1);
  HFONT a = g_App.Design.ViewMode[0].Fonts[FONT_BUTTON].Font;
  HFONT b = g_App.Design.ViewMode[1].Fonts[FONT_BUTTON].Font;
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(GetObjectType(a), (DWORD)OBJ_FONT);
  EXPECT_EQ(GetObjectType(b), (DWORD)OBJ_FONT);
  EXPECT_EQ(GetObjectType(shared), 0u) << "the old shared handle is deleted";
  GetObjectW(b, sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, -24);

  // With sync the first mode's font is copied over and both share again.
  g_App.Settings.DispOption = 0;
  RecreateFont(FONT_BUTTON, 1);
  EXPECT_EQ(g_App.Design.ViewMode[0].Fonts[FONT_BUTTON].Font, g_App.Design.ViewMode[1].Fonts[FONT_BUTTON].Font);
  EXPECT_EQ(GetObjectType(a), 0u);
  EXPECT_EQ(GetObjectType(b), 0u);

  RecreateFont(FONT_COUNT, 0);  // out of range: nothing
  RecreateFont(-1, 0);
}

TEST_F(DesignTest, RecreateFontWithoutADpiUses96) {
  ResetViewModeDesign();
  RecreateFont(FONT_CAPTION, 0);
  LOGFONTW lf{};
  GetObjectW(g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Font, sizeof lf, &lf);
  EXPECT_EQ(lf.lfHeight, -15);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
}

TEST_F(DesignTest, ResetReleasesTheFontsItDrops) {
  ResetViewModeDesign();
  for (int i = 0; i < FONT_COUNT; i++) RecreateFont(i, 1);
  g_App.Design.ViewMode[1].Fonts[FONT_TABA].Font = nullptr;
  HFONT own = CreateFontForDpi(&g_App.Design.ViewMode[1].Fonts[FONT_TABA], 96);
  HFONT shared = g_App.Design.ViewMode[0].Fonts[FONT_CAPTION].Font;
  ResetViewModeDesign();
  EXPECT_EQ(GetObjectType(shared), 0u);
  EXPECT_EQ(GetObjectType(own), 0u);
  for (auto& v : g_App.Design.ViewMode)
    for (auto& f : v.Fonts) EXPECT_EQ(f.Font, nullptr);
}

}  // namespace
