#include <gtest/gtest.h>

#include "state.h"
#include "render/draw.h"
#include "render/skin.h"
#include "store/items.h"
#include "support/canvas.h"
#include "support/test_support.h"

namespace {

const COLORREF kBack = RGB(1, 2, 3);
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kGrey = RGB(0xA0, 0xA0, 0xA0);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

// Wine maps a face to a font file less reliably when the file is added
// after fonts were made in the process, as the suites before this one do:
// add the test font before any test runs.
class TestFontEnvironment : public ::testing::Environment {
 public:
  static inline int Added = 0;
  void SetUp() override { Added = AddFontResourceExW(FixturePath(L"render_cyrillic.ttf").c_str(), 0, nullptr); }
  void TearDown() override {
    if (Added) RemoveFontResourceExW(FixturePath(L"render_cyrillic.ttf").c_str(), 0, nullptr);
  }
};
::testing::Environment* const g_TestFont = ::testing::AddGlobalTestEnvironment(new TestFontEnvironment);

class DrawTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { fontAdded_ = TestFontEnvironment::Added; }
  static int fontAdded_;
  void SetUp() override {
    EnsureGdiplus();
    g_App.Design = DesignState{};
    g_App.Render = RenderState{};
    g_App.Settings.Status = 0;
    SetClassicLook();
    ResetViewModeDesign();
    InitPageDesign(&g_App.Design.PageDefault);
    g_App.Design.Dpi = 96;
  }
  void TearDown() override {
    for (auto& v : g_App.Design.ViewMode)
      for (auto& f : v.Fonts)
        if (f.Font) DeleteObject(f.Font);
    g_App.Design = DesignState{};
    g_App.Render = RenderState{};
    SetClassicLook();
  }
  // Gives every font of the active design a face that the test prefix has.
  void MakeFonts(const wchar_t* face = L"Tahoma") {
    for (auto& f : g_App.Design.ViewMode[0].Fonts) {
      lstrcpynW(f.Face, face, kFaceChars);
      f.Font = CreateFontForDpi(&f, 96);
    }
  }
};

// ---------------------------------------------------------------------------
// Arrows

TEST_F(DrawTest, ArrowIsCentredWithItsTipWhereTheDirectionPoints) {
  // 15 x 20 rectangle at (10, 0); b = 7, c = 4.
  const RECT r = {10, 0, 24, 19};
  struct Case {
    int direction, dpi;
    POINT tip, baseEnd1, baseEnd2;
  } cases[] = {
      // Right: x = 10 + (24 - 4 - 10 + 1) / 2 = 15, y = (19 - 7 + 1) / 2 = 6.
      {ARROW_RIGHT, 96, {18, 9}, {15, 6}, {15, 12}},
      {ARROW_LEFT, 96, {15, 9}, {18, 6}, {18, 12}},
      // Up and down: 7 wide, 4 high: x = 10 + (24 - 7 - 10 + 1) / 2 = 14, y = 8.
      {ARROW_UP, 96, {17, 8}, {14, 11}, {20, 11}},
      {ARROW_DOWN, 96, {17, 11}, {14, 8}, {20, 8}},
      // 192 DPI doubles both: b = 14, c = 8; x = 10 + 3 = 13, y = 3.
      {ARROW_RIGHT, 192, {20, 10}, {13, 3}, {13, 16}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.direction * 1000 + c.dpi);
    Canvas cv(40, 30);
    DrawArrow(cv.Dc, r, c.direction, 7, 4, kRed, c.dpi, 0);
    EXPECT_EQ(cv.At(c.tip.x, c.tip.y), kRed);
    EXPECT_EQ(cv.At(c.baseEnd1.x, c.baseEnd1.y), kRed);
    EXPECT_EQ(cv.At(c.baseEnd2.x, c.baseEnd2.y), kRed);
    RECT box = cv.BoxOf(kRed);
    int w = box.right - box.left + 1, h = box.bottom - box.top + 1;
    int b = c.dpi > 96 ? 14 : 7, d = c.dpi > 96 ? 8 : 4;
    bool vertical = c.direction == ARROW_UP || c.direction == ARROW_DOWN;
    EXPECT_EQ(w, vertical ? b : d);
    EXPECT_EQ(h, vertical ? d : b);
  }
}

TEST_F(DrawTest, ArrowWithAnUnknownDirectionDrawsNothing) {
  Canvas cv(20, 20);
  DrawArrow(cv.Dc, RECT{0, 0, 19, 19}, 4, 7, 4, kRed, 96, 0);
  DrawArrow(cv.Dc, RECT{0, 0, 19, 19}, -1, 7, 4, kRed, 96, 0);
  EXPECT_EQ(cv.Count(kRed), 0);
}

TEST_F(DrawTest, ArrowInAnAlphaSkinIsDrawnWithGdiplusInTheSameShape) {
  g_App.Skin.TransparencyMode = SKINMODE_ALPHA;
  Canvas cv(40, 30);
  DrawArrow(cv.Dc, RECT{10, 0, 24, 19}, ARROW_RIGHT, 7, 4, kRed, 96, 0);
  // Smoothed edges may blend; the inside is the colour and the tip region
  // stays where the GDI arrow has it.
  // Alpha 254 over the opaque canvas.
  EXPECT_EQ(cv.At(16, 9), RGB(254, 0, 0)) << Hex(cv.At(16, 9));
  RECT box = cv.InkBox(kBack);
  EXPECT_GE(box.left, 14);
  EXPECT_LE(box.right, 19);
  EXPECT_GE(box.top, 5);
  EXPECT_LE(box.bottom, 13);
}

// ---------------------------------------------------------------------------
// Gradients

TEST_F(DrawTest, GradientWithEqualColoursOrSolidFlagFillsInOneColour) {
  for (UINT flags : {0x1u, 0x2u | FE_SOLID, 0x7u | FE_SOLID}) {
    SCOPED_TRACE(flags);
    Canvas cv(20, 20);
    COLORREF second = (flags & FE_SOLID) ? kWhite : kRed;
    DrawFrameEdges(cv.Dc, RECT{2, 3, 11, 9}, kRed, second, flags);
    EXPECT_EQ(cv.Count(kRed), 10 * 7);
    EXPECT_EQ(cv.Count(kRed, 2, 3, 11, 9), 10 * 7);
  }
}

TEST_F(DrawTest, GradientRunsFromTheFirstColourOneLinePerRowOrColumn) {
  Canvas cv(20, 20);
  // 11 rows white to grey: line i = 255 - 95 * i / 11.
  DrawFrameEdges(cv.Dc, RECT{0, 0, 9, 10}, kWhite, kGrey, FE_TOP_TO_BOTTOM);
  EXPECT_EQ(cv.At(0, 0), kWhite);
  EXPECT_EQ(cv.At(9, 0), kWhite);
  int v5 = static_cast<int>(255 - 95.0 * 5 / 11);
  EXPECT_EQ(cv.At(4, 5), RGB(v5, v5, v5)) << Hex(cv.At(4, 5));
  int v10 = static_cast<int>(255 - 95.0 * 10 / 11);
  EXPECT_EQ(cv.At(4, 10), RGB(v10, v10, v10));
  EXPECT_EQ(cv.At(10, 5), kBack);
  EXPECT_EQ(cv.At(4, 11), kBack);

  Canvas h(20, 20);
  DrawFrameEdges(h.Dc, RECT{0, 0, 10, 3}, kRed, kBlue, FE_LEFT_TO_RIGHT);
  EXPECT_EQ(h.At(0, 3), kRed);
  EXPECT_EQ(h.At(10, 0), RGB(static_cast<int>(255 - 255.0 * 10 / 11), 0, 255 * 10 / 11));
  EXPECT_EQ(h.At(11, 0), kBack);
}

TEST_F(DrawTest, MirroredGradientTurnsBackAtTheMiddle) {
  // 11 rows, n = 5: grey in the middle row, white again at the last.
  Canvas cv(20, 20);
  DrawFrameEdges(cv.Dc, RECT{0, 0, 9, 10}, kWhite, kGrey, FE_TOP_TO_BOTTOM | FE_MIRRORED);
  EXPECT_EQ(cv.At(3, 0), kWhite);
  EXPECT_EQ(cv.At(3, 5), kGrey);
  EXPECT_EQ(cv.At(3, 10), kWhite);
  EXPECT_EQ(cv.At(3, 4), cv.At(3, 6));
}

TEST_F(DrawTest, DegenerateGradientsDrawWithoutDividingByZero) {
  // A one-line mirrored gradient has n = 0; a diagonal over a zero width
  // has no slope. Both used to divide by zero.
  Canvas cv(20, 20);
  DrawFrameEdges(cv.Dc, RECT{2, 4, 12, 4}, kRed, kBlue, FE_TOP_TO_BOTTOM | FE_MIRRORED);
  EXPECT_EQ(cv.Count(kRed), 11);
  Canvas v(20, 20);
  DrawFrameEdges(v.Dc, RECT{5, 0, 5, 0}, kRed, kBlue, FE_LEFT_TO_RIGHT | FE_MIRRORED);
  EXPECT_EQ(v.At(5, 0), kRed);
  for (UINT dir : {0x3u, 0x4u, 0x3u | FE_MIRRORED}) {
    SCOPED_TRACE(dir);
    Canvas d(20, 20);
    DrawFrameEdges(d.Dc, RECT{7, 2, 7, 12}, kRed, kBlue, dir);
    EXPECT_EQ(d.InkBox(kBack).left, 7);
    EXPECT_EQ(d.InkBox(kBack).right, 7);
    EXPECT_EQ(d.Count(kBack, 7, 2, 7, 12), 0) << "the column is filled";
  }
}

TEST_F(DrawTest, DiagonalGradientCoversTheRectangleAndStaysInside) {
  for (UINT dir : {FE_DIAGONAL_TOP, FE_DIAGONAL_BOTTOM}) {
    SCOPED_TRACE(dir);
    Canvas cv(40, 40);
    DrawFrameEdges(cv.Dc, RECT{5, 6, 24, 15}, kRed, kBlue, dir);
    EXPECT_EQ(cv.Count(kBack, 5, 6, 24, 15), 0);
    RECT ink = cv.InkBox(kBack);
    EXPECT_EQ(ink.left, 5);
    EXPECT_EQ(ink.top, 6);
    EXPECT_EQ(ink.right, 24);
    EXPECT_EQ(ink.bottom, 15);
    // The gradient starts in the corner the direction names.
    COLORREF start = cv.At(5, dir == FE_DIAGONAL_TOP ? 6 : 15), end = cv.At(24, dir == FE_DIAGONAL_TOP ? 15 : 6);
    EXPECT_GT(GetRValue(start), GetBValue(start)) << Hex(start);
    EXPECT_GT(GetBValue(end), GetRValue(end)) << Hex(end);
  }
}

TEST_F(DrawTest, GradientCutsCornersAndKeepsTheCallersClip) {
  Canvas cv(40, 40);
  DrawFrameEdges(cv.Dc, RECT{0, 0, 19, 5}, kRed, kBlue, FE_TOP_TO_BOTTOM | FE_CUT_TOP);
  EXPECT_EQ(cv.At(0, 0), kBack);
  EXPECT_EQ(cv.At(19, 0), kBack);
  EXPECT_NE(cv.At(10, 0), kBack);
  EXPECT_NE(cv.At(3, 4), kBack);
  EXPECT_NE(cv.At(16, 4), kBack);
  // The cut shapes end above the last row, which the window outline draws.
  EXPECT_EQ(cv.Count(kBack, 0, 5, 19, 5), 20);
  HRGN probe = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(cv.Dc, probe), 0) << "no clip region afterwards when there was none";

  Canvas b(40, 40);
  DrawFrameEdges(b.Dc, RECT{0, 0, 19, 5}, kRed, kBlue, FE_TOP_TO_BOTTOM | FE_CUT_BOTTOM);
  EXPECT_EQ(b.At(0, 4), kBack);
  EXPECT_EQ(b.At(19, 4), kBack);
  EXPECT_NE(b.At(0, 0), kBack);
  EXPECT_NE(b.At(19, 0), kBack);

  // An existing clip limits the gradient and is there again afterwards.
  Canvas c(40, 40);
  HRGN clip = CreateRectRgn(0, 0, 10, 40);
  SelectClipRgn(c.Dc, clip);
  DrawFrameEdges(c.Dc, RECT{0, 0, 19, 5}, kRed, kBlue, FE_LEFT_TO_RIGHT);
  EXPECT_NE(c.At(9, 2), kBack);
  EXPECT_EQ(c.At(10, 2), kBack);
  ASSERT_EQ(GetClipRgn(c.Dc, probe), 1);
  EXPECT_TRUE(EqualRgn(probe, clip));
  // An unknown direction draws nothing and leaves the clip alone.
  DrawFrameEdges(c.Dc, RECT{20, 20, 30, 30}, kRed, kBlue, 7);
  EXPECT_EQ(c.Count(kBack, 20, 20, 30, 30), 11 * 11);
  ASSERT_EQ(GetClipRgn(c.Dc, probe), 1);
  EXPECT_TRUE(EqualRgn(probe, clip));
  DeleteObject(clip);
  DeleteObject(probe);
}

TEST_F(DrawTest, ScaleColorTruncatesAndClampsEachChannel) {
  struct Case {
    COLORREF in;
    double factor;
    COLORREF out;
  } cases[] = {
      {0xFFFFFF, 0.7, 0xB2B2B2},
      {0x102030, 0.5, 0x081018},
      {0x80FF10, 2.0, 0xFFFF20},
      {0x123456, 0.0, 0x000000},
  };
  for (const Case& c : cases) EXPECT_EQ(ScaleColor(c.in, c.factor), c.out) << Hex(c.in);
}

TEST_F(DrawTest, ClassicShadesTakeTheBrighterWindowColourFirst) {
  struct Case {
    COLORREF bg1, bg2, s1, s2;
  } cases[] = {
      {0xFFFFFF, 0xA0A0A0, 0xB2B2B2, 0x707070},
      {0xA0A0A0, 0xFFFFFF, 0xB2B2B2, 0x707070},
      // Equal sums: BG1 first.
      {0x0000FF, 0xFF0000, 0x0000B2, 0xB20000},
  };
  for (const Case& c : cases) {
    COLORREF s1, s2;
    ComputeClassicShades(c.bg1, c.bg2, &s1, &s2);
    EXPECT_EQ(s1, c.s1) << Hex(c.bg1);
    EXPECT_EQ(s2, c.s2) << Hex(c.bg1);
  }
}

// ---------------------------------------------------------------------------
// Classic pieces

int DrawTest::fontAdded_ = 0;

ClassicLook TestLook() {
  ClassicLook l = {};
  l.Flag = 0x200;
  l.BG1 = kWhite;
  l.BG2 = kGrey;
  l.Frame1 = RGB(250, 250, 250);
  l.Frame2 = RGB(5, 5, 5);
  l.Shade1 = 0xB2B2B2;
  l.Shade2 = 0x707070;
  l.Client = RECT{0, 0, 49, 39};
  return l;
}

TEST_F(DrawTest, ClassicPiecesDrawTheirFaces) {
  ClassicLook look = TestLook();
  const RECT t = {10, 10, 29, 19};

  {
    Canvas cv(50, 40);
    DrawClassicPiece(cv.Dc, 4, t, look);
    EXPECT_EQ(cv.Count(RGB(0, 0, 0)), 20 * 10);
  }
  {
    // Bottom frame: gradient with cut top corners, then the black outline
    // of the whole client area.
    Canvas cv(50, 40);
    DrawClassicPiece(cv.Dc, 8, t, look);
    EXPECT_EQ(cv.At(10, 10), kBack);
    EXPECT_EQ(cv.At(29, 10), kBack);
    EXPECT_NE(cv.At(20, 15), kBack);
    EXPECT_EQ(cv.At(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(cv.At(49, 39), RGB(0, 0, 0));
    EXPECT_EQ(cv.At(1, 1), kBack);
  }
  {
    // Side frame: left to right.
    Canvas cv(50, 40);
    DrawClassicPiece(cv.Dc, 5, t, look);
    EXPECT_EQ(cv.At(10, 19), kWhite);
    EXPECT_EQ(cv.At(10, 10), cv.At(10, 15));
    EXPECT_NE(cv.At(29, 10), kWhite);
  }
  {
    Canvas cv(50, 40);
    DrawClassicPiece(cv.Dc, 9, t, look);
    EXPECT_EQ(cv.At(10, 15), look.Frame1);
    EXPECT_EQ(cv.At(20, 10), look.Frame1);
    EXPECT_EQ(cv.At(29, 15), look.Frame2);
    EXPECT_EQ(cv.At(20, 19), look.Frame2);
    EXPECT_EQ(cv.At(20, 15), kBack) << "only a box of lines";
    Canvas down(50, 40);
    DrawClassicPiece(down.Dc, 11, t, look);
    EXPECT_EQ(down.At(10, 15), look.Frame2);
    EXPECT_EQ(down.At(29, 15), look.Frame1);
  }
  {
    // Pin: the tab-area shades, pinned green; a dark box with a light line
    // inside along the bottom and right.
    Canvas cv(50, 40);
    DrawClassicPiece(cv.Dc, 12, t, look);
    COLORREF in = cv.At(15, 11);
    EXPECT_LT(GetRValue(in), GetRValue(look.Shade1));
    EXPECT_GT(GetRValue(in), GetRValue(look.Shade2));
    EXPECT_EQ(cv.At(10, 10), look.Frame2);
    EXPECT_EQ(cv.At(29, 19), look.Frame2);
    EXPECT_EQ(cv.At(20, 18), look.Frame1);
    EXPECT_EQ(cv.At(28, 12), look.Frame1);
    Canvas pinned(50, 40);
    DrawClassicPiece(pinned.Dc, 14, t, look);
    COLORREF green = pinned.At(15, 11);
    EXPECT_GT(GetGValue(green), 0xB4);
    EXPECT_LT(GetGValue(green), 0xF0);
    EXPECT_GT(GetRValue(green), 0x50);
    EXPECT_EQ(GetBValue(green), 0);
  }
  {
    Canvas cv(50, 40);
    DrawClassicPiece(cv.Dc, 25, t, look);
    EXPECT_EQ(cv.At(10, 10), look.Frame2);
    EXPECT_EQ(cv.At(29, 19), look.Frame2);
    COLORREF in = cv.At(15, 11);
    EXPECT_LT(GetRValue(in), GetRValue(look.Shade1));
    EXPECT_GT(GetRValue(in), GetRValue(look.Shade2));
  }
  {
    Canvas cv(50, 40);
    DrawClassicPiece(cv.Dc, 26, t, look);
    EXPECT_EQ(cv.At(10, 10), look.Frame2);
    EXPECT_EQ(cv.At(29, 19), look.Frame2);
    EXPECT_EQ(cv.At(20, 15), ScaleColor(look.Shade1, 0.7));
  }
  for (int slot : {0, 3, 16, 20, 24, 27, 33, 55, 61}) {
    SCOPED_TRACE(slot);
    Canvas cv(50, 40);
    DrawClassicPiece(cv.Dc, slot, t, look);
    EXPECT_EQ(cv.Count(kBack), 50 * 40);
  }
}

TEST_F(DrawTest, ClassicLineRaisesNormalFacesAndPushesInPressedOnes) {
  DesignColors d = g_App.Design.PageDefault.Sets[PD_BUTTONN];
  d.Frame1 = RGB(250, 250, 250);
  d.Frame2 = RGB(5, 5, 5);
  const RECT r = {2, 2, 21, 21};
  for (int dpi : {96, 192}) {
    SCOPED_TRACE(dpi);
    g_App.Design.Dpi = dpi;
    int w = dpi / 96;
    Canvas up(30, 30);
    DrawClassicLine(up.Dc, r, &d, 0);
    EXPECT_EQ(up.At(2, 10), d.Frame1);
    EXPECT_EQ(up.At(1 + w, 10), d.Frame1);
    EXPECT_EQ(up.At(10, 2), d.Frame1);
    EXPECT_EQ(up.At(21, 10), d.Frame2);
    EXPECT_EQ(up.At(22 - w, 10), d.Frame2);
    EXPECT_EQ(up.At(10, 21), d.Frame2);
    // The face runs from BG1 at the top to near BG2 at the bottom.
    EXPECT_GT(GetRValue(up.At(10, 2 + w)), GetRValue(up.At(10, 21 - w)));
    EXPECT_GE(GetRValue(up.At(10, 21 - w)), GetRValue(d.BG2));

    Canvas down(30, 30);
    DrawClassicLine(down.Dc, r, &d, 2);
    EXPECT_EQ(down.At(2, 10), ScaleColor(d.Frame1, 0.7));
    EXPECT_EQ(down.At(10, 2), ScaleColor(d.Frame1, 0.7));
    EXPECT_NE(down.At(21, 10), d.Frame2);
    EXPECT_NE(down.At(21, 10), kBack) << "the face reaches the right edge";
  }
}

TEST_F(DrawTest, ClassicTabFaceHasLightTopLeftAndDarkBottomRightLines) {
  DesignColors d = g_App.Design.PageDefault.Sets[PD_TABN];
  d.Frame1 = RGB(250, 250, 250);
  d.Frame2 = RGB(5, 5, 5);
  Canvas cv(40, 30);
  DrawPartFace(cv.Dc, RECT{2, 2, 31, 21}, 0, &d, 0);
  EXPECT_EQ(cv.At(2, 2), d.Frame1);
  EXPECT_EQ(cv.At(2, 20), d.Frame1);
  EXPECT_EQ(cv.At(30, 2), d.Frame1);
  EXPECT_EQ(cv.At(31, 2), d.Frame2);
  EXPECT_EQ(cv.At(2, 21), d.Frame2);
  EXPECT_EQ(cv.At(31, 21), d.Frame2);
  EXPECT_EQ(cv.At(10, 3), d.BG1);
  EXPECT_EQ(cv.At(32, 10), kBack);
  EXPECT_EQ(cv.At(10, 22), kBack);
}

// A skin's face is one cell of its image: the design column the colours'
// Pattern names, the row of the state (older tab images have four rows,
// the active one first).
TEST_F(DrawTest, SkinFaceIsTheCellOfItsColumnAndStateRow) {
  auto cellColour = [](int column, int row) { return RGB(40 + 100 * column, 20 + 50 * row, 7); };
  struct Case {
    const char* What;
    int Part, Columns, Rows, DesignCount;
    UINT TextFlags;
    int Pattern, State;
    int Column, Row;  // the cell expected
  } cases[] = {
      {"button, normal", 1, 2, 3, 2, 0, 0, 0, 0, 0},
      {"button, second column, down", 1, 2, 3, 2, 0, 1, 2, 1, 2},
      {"locked button, hover", 2, 2, 3, 2, 0, 1, 1, 1, 1},
      {"tab of the newer layout, hover", 0, 2, 3, 2, STF_TAB_TEXT | STF_NEW_TEXT_LAYOUT, 0, 1, 0, 1},
      {"older tab image: normal from row 2", 0, 2, 4, 2, 0, 0, 0, 0, 2},
      {"older tab image: hover from row 3", 0, 2, 4, 2, 0, 1, 1, 1, 3},
      {"older tab image: active from row 0", 0, 2, 4, 2, 0, 0, 2, 0, 0},
      {"a column past the image's designs: the first", 1, 2, 3, 2, 0, 2, 0, 0, 0},
      {"a negative column: the first", 1, 2, 3, 2, 0, -1, 1, 0, 1},
      {"a skin claiming no designs: one column", 1, 1, 3, 0, 0, 1, 2, 0, 2},
  };
  for (const Case& c : cases) {
    SetClassicLook();
    g_App.Skin.TransparencyMode = SKINMODE_CLIPPING;
    g_App.Skin.DesignCount[c.Part] = c.DesignCount;
    g_App.SkinText.SkinTextFlags = c.TextFlags;
    Canvas image(4 * c.Columns, 4 * c.Rows);
    for (int col = 0; col < c.Columns; col++)
      for (int row = 0; row < c.Rows; row++) {
        RECT r = {4 * col, 4 * row, 4 * col + 4, 4 * row + 4};
        HBRUSH b = CreateSolidBrush(cellColour(col, row));
        FillRect(image.Dc, &r, b);
        DeleteObject(b);
      }
    SkinSlot& slot = g_App.Skin.Slots[c.Part];
    slot.Dc = image.Dc;
    slot.ImageWidth = image.Width;
    slot.ImageHeight = image.Height;
    DesignColors d = g_App.Design.PageDefault.Sets[PD_BUTTONN];
    d.Pattern = c.Pattern;
    Canvas cv(12, 12);
    DrawPartFace(cv.Dc, RECT{2, 2, 9, 9}, c.Part, &d, c.State);
    EXPECT_EQ(Hex(cv.At(2, 2)), Hex(cellColour(c.Column, c.Row))) << c.What;
    EXPECT_EQ(Hex(cv.At(9, 9)), Hex(cellColour(c.Column, c.Row))) << c.What;
    EXPECT_EQ(cv.At(10, 10), kBack) << c.What;
    RECT want = {2, 2, 9, 9};
    EXPECT_TRUE(EqualRect(&slot.Target, &want)) << c.What << ": the piece lies where it was drawn";
    slot.Dc = nullptr;
  }
  // Without an image a skin draws no face (and no classic one either).
  Canvas cv(12, 12);
  DrawPartFace(cv.Dc, RECT{2, 2, 9, 9}, 1, &g_App.Design.PageDefault.Sets[PD_BUTTONN], 0);
  EXPECT_EQ(cv.Count(kBack), 144);
}

// ---------------------------------------------------------------------------
// Text

TEST_F(DrawTest, DecoratedTextIsChosenByTheDesignAndFont) {
  FontEntry plain = {}, smooth = {};
  smooth.Flag = FEF_ANTIALIAS;
  DesignColors d = {};
  struct Case {
    UINT flag;
    int alpha, skin;
    const FontEntry* font;
    int expect;
  } cases[] = {
      {0, 255, SKINMODE_NONE, &plain, 0},
      {0, 255, SKINMODE_NONE, &smooth, 1},
      {0, 255, SKINMODE_ALPHA, &plain, 1},
      {0, 255, SKINMODE_CLIPPING, &plain, 0},
      {DCF_OUTLINE, 255, SKINMODE_NONE, &plain, 1},
      {DCF_SHADOW_LOWER, 255, SKINMODE_NONE, &plain, 0},
      {DCF_SHADOW_LOWER, 254, SKINMODE_NONE, &plain, 1},
      {DCF_SHADOW_UPPER, 1, SKINMODE_NONE, &plain, 1},
      {DCF_SHADOW_UPPER, 0, SKINMODE_NONE, &plain, 0},
      {0, 128, SKINMODE_NONE, &plain, 0},
  };
  for (const Case& c : cases) {
    d.Flag = c.flag;
    d.ShadowAlpha = c.alpha;
    g_App.Skin.TransparencyMode = c.skin;
    EXPECT_EQ(NeedsDecoratedText(c.font, &d), c.expect) << c.flag << " " << c.alpha << " " << c.skin;
  }
}

// Shadow offset of text drawn in red over a blue shadow, from the two boxes.
struct ShadowCase {
  UINT flag;
  int alpha;
  int offset;
};

TEST_F(DrawTest, TextShadowLiesOffsetByItsWidthInBothPaths) {
  MakeFonts();
  ShadowCase cases[] = {
      {DCF_SHADOW_LOWER, 255, 3},   // GDI
      {DCF_SHADOW_UPPER, 255, -3},  // GDI
      {DCF_SHADOW_LOWER, 200, 3},   // GDI+
      {DCF_SHADOW_UPPER, 200, -3},  // GDI+
  };
  for (const ShadowCase& c : cases) {
    SCOPED_TRACE(c.flag + c.alpha);
    DesignColors d = {};
    d.Flag = c.flag;
    d.TextClr1 = kRed;
    d.TextClr2 = kBlue;
    d.ShadowAlpha = c.alpha;
    d.ShadowWidth = 3;
    Canvas cv(200, 60, kWhite);
    DrawDesignText(cv.Dc, RECT{20, 10, 179, 49}, L"Hello", FONT_BUTTON, &d, DT_SINGLELINE | DT_NOPREFIX);
    RECT text = cv.BoxNear(kRed, 40);
    RECT shadow = c.alpha == 255 ? cv.BoxOf(kBlue) : cv.InkBox(kWhite);
    ASSERT_LE(text.left, text.right) << "text was drawn";
    if (c.alpha == 255) {
      ASSERT_LE(shadow.left, shadow.right) << "shadow was drawn";
      EXPECT_EQ(shadow.top - text.top, c.offset);
      EXPECT_EQ(shadow.left - text.left, c.offset);
    } else {
      // Blended shadow: the ink reaches past the text on the shadow's side.
      if (c.offset > 0) EXPECT_GE(shadow.bottom - text.bottom, 2);
      else EXPECT_GE(text.top - shadow.top, 2);
    }
  }
}

TEST_F(DrawTest, OutlinedTextIsSurroundedByTheOutlineColour) {
  MakeFonts();
  DesignColors d = {};
  d.Flag = DCF_OUTLINE;
  d.TextClr1 = kRed;
  d.TextClr2 = kBlue;
  d.ShadowAlpha = 255;
  d.ShadowWidth = 3;
  Canvas cv(200, 60, kWhite);
  DrawDesignText(cv.Dc, RECT{20, 10, 179, 49}, L"HIH", FONT_CAPTION, &d, DT_SINGLELINE | DT_NOPREFIX);
  RECT ink = cv.InkBox(kWhite);
  ASSERT_LE(ink.left, ink.right);
  // The outline pen lies outside the fill on every side.
  int bluish = 0, reddish = 0;
  for (int y = ink.top; y <= ink.bottom; y++)
    for (int x = ink.left; x <= ink.right; x++) {
      COLORREF p = cv.At(x, y);
      if (GetBValue(p) > 200 && GetRValue(p) < 60) bluish++;
      if (GetRValue(p) > 200 && GetBValue(p) < 60) reddish++;
    }
  EXPECT_GT(bluish, 20);
  EXPECT_GT(reddish, 5);
  COLORREF edge = cv.At(ink.left, (ink.top + ink.bottom) / 2);
  EXPECT_GT(GetBValue(edge), GetRValue(edge)) << Hex(edge);
}

TEST_F(DrawTest, CentredSingleLineThatDoesNotFitStartsAtTheLeft) {
  MakeFonts();
  DesignColors d = {};
  d.TextClr1 = kRed;
  d.ShadowAlpha = 255;
  const UINT centred = DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
  for (int decorated : {0, 1}) {
    SCOPED_TRACE(decorated);
    d.Flag = decorated ? static_cast<UINT>(DCF_OUTLINE) : 0u;
    d.TextClr2 = kRed;
    // A short text is centred.
    Canvas shortText(200, 40, kWhite);
    DrawDesignText(shortText.Dc, RECT{10, 0, 189, 39}, L"ab", FONT_BUTTON, &d, centred);
    RECT s = shortText.InkBox(kWhite);
    ASSERT_LE(s.left, s.right);
    EXPECT_GT(s.left, 80);
    // A long one starts at the rectangle's left and is cut at its right.
    Canvas longText(200, 40, kWhite);
    DrawDesignText(longText.Dc, RECT{10, 0, 69, 39}, L"A rather long caption text", FONT_BUTTON, &d, centred);
    RECT l = longText.InkBox(kWhite);
    ASSERT_LE(l.left, l.right);
    EXPECT_LE(l.left, 13);
    EXPECT_LE(l.right, 70 + 3);
  }
}

TEST_F(DrawTest, MeasuredTextGrowsWithItsLengthInBothPaths) {
  MakeFonts();
  Canvas back(10, 10);
  g_App.Render.Back.Dc = back.Dc;  // measuring uses the back buffer
  DesignColors d = {};
  d.ShadowAlpha = 255;
  for (UINT flag : {0u, static_cast<UINT>(DCF_OUTLINE)}) {
    SCOPED_TRACE(flag);
    d.Flag = flag;
    SIZE one = MeasureText(FONT_BUTTON, &d, L"Page");
    SIZE two = MeasureText(FONT_BUTTON, &d, L"PagePage");
    SIZE none = MeasureText(FONT_BUTTON, &d, nullptr);
    EXPECT_GT(one.cx, 10);
    EXPECT_GT(one.cy, 8);
    EXPECT_GT(two.cx, one.cx + one.cx / 2);
    EXPECT_LT(none.cx, one.cx);
  }
  g_App.Render.Back.Dc = nullptr;
}

// Sizes are remembered between calls; a font made anew (perhaps under the
// handle of the one it replaces) or another decoration is measured afresh.
TEST_F(DrawTest, MeasuredTextFollowsTheFontItIsMeasuredIn) {
  MakeFonts();
  Canvas back(10, 10);
  g_App.Render.Back.Dc = back.Dc;
  DesignColors d = {};
  d.ShadowAlpha = 255;
  FontEntry& f = g_App.Design.ViewMode[0].Fonts[FONT_BUTTON];
  for (UINT flag : {0u, static_cast<UINT>(DCF_OUTLINE)}) {
    SCOPED_TRACE(flag);
    d.Flag = flag;
    f.Size = 9;
    DeleteObject(f.Font);
    f.Font = CreateFontForDpi(&f, 96);
    SIZE small = MeasureText(FONT_BUTTON, &d, L"Page");
    EXPECT_EQ(MeasureText(FONT_BUTTON, &d, L"Page").cx, small.cx);
    f.Size = 27;
    DeleteObject(f.Font);
    f.Font = CreateFontForDpi(&f, 96);
    SIZE large = MeasureText(FONT_BUTTON, &d, L"Page");
    EXPECT_GT(large.cx, small.cx * 2);
    EXPECT_GT(large.cy, small.cy * 2);
    EXPECT_LT(MeasureText(FONT_BUTTON, &d, L"Pa").cx, large.cx);
  }
  FreeTextFonts();
  g_App.Render.Back.Dc = nullptr;
}

// ---------------------------------------------------------------------------
// Icons

TEST_F(DrawTest, PartialAlphaIsFoundOnlyBetweenOneAnd254) {
  struct Case {
    BYTE alpha;
    int partial;
  } cases[] = {{255, 0}, {0, 0}, {128, 1}, {1, 1}, {254, 1}};
  for (const Case& c : cases) {
    HICON icon = MakeSolidIcon(16, kRed, c.alpha);
    ASSERT_TRUE(icon);
    EXPECT_EQ(IconHasPartialAlpha(icon), c.partial) << int(c.alpha);
    DestroyIcon(icon);
  }
  EXPECT_EQ(IconHasPartialAlpha(nullptr), 0);
}

TEST_F(DrawTest, ButtonIconIsPlacedByTheDesignAndDpi) {
  ViewModeDesign& v = g_App.Design.ViewMode[0];
  const RECT cell = {100, 50, 157, 107};
  struct Case {
    UINT flag;
    int dpi;
    POINT at;
  } cases[] = {
      // Default: centred across, icon margin top 6 below the cell top.
      {0x10, 96, {113, 56}},
      // No text: centred down as well: 6 + (58 - 2 - 6 - 32) / 2 = 15.
      {0x00, 96, {113, 65}},
      // Icon left of the text: at the left margin, centred down.
      {0x18, 96, {100, 65}},
      {0x10, 144, {119, 59}},
      {0x08, 144, {100, 72}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flag * 1000 + c.dpi);
    v.Flag = c.flag;
    POINT at = {-1, -1};
    DrawButtonIcon(nullptr, cell, &at, nullptr, 0, nullptr, c.dpi);
    EXPECT_EQ(at.x, c.at.x);
    EXPECT_EQ(at.y, c.at.y);
  }
}

TEST_F(DrawTest, ButtonIconIsDrawnAtItsSizeShiftedWhenDownWithItsOverlay) {
  HICON icon = MakeSolidIcon(32, kRed, 255), mark = MakeSolidIcon(16, kBlue, 255);
  ASSERT_TRUE(icon && mark);
  const RECT cell = {0, 0, 57, 57};
  {
    Canvas cv(80, 80);
    POINT at;
    DrawButtonIcon(cv.Dc, cell, &at, icon, 0, nullptr, 0);
    RECT box = cv.BoxOf(kRed);
    EXPECT_EQ(box.left, 13);
    EXPECT_EQ(box.top, 6);
    EXPECT_EQ(box.right, 13 + 31);
    EXPECT_EQ(box.bottom, 6 + 31);
  }
  {
    // Down: the classic shift is (1, 1); the reported point is not shifted.
    Canvas cv(80, 80);
    POINT at;
    DrawButtonIcon(cv.Dc, cell, &at, icon, 2, nullptr, 0);
    EXPECT_EQ(at.x, 13);
    RECT box = cv.BoxOf(kRed);
    EXPECT_EQ(box.left, 14);
    EXPECT_EQ(box.top, 7);
  }
  struct Case {
    int pos;
    POINT topLeft;
  } cases[] = {{1, {10, 10}}, {2, {26, 10}}, {3, {10, 26}}, {4, {26, 26}}, {0, {10, 10}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pos);
    OverlaySetting o = {16, c.pos, 0, 0, mark};
    Canvas cv(80, 80);
    DrawIconImage(cv.Dc, icon, 10, 10, 32, &o, 96, 0);
    RECT box = cv.BoxOf(kBlue);
    EXPECT_EQ(box.left, c.topLeft.x);
    EXPECT_EQ(box.top, c.topLeft.y);
    EXPECT_EQ(box.right - box.left, 15);
  }
  {
    // Offsets scale with the DPI, like the overlay size.
    OverlaySetting o = {8, 4, 2, -2, mark};
    Canvas cv(80, 80);
    DrawIconImage(cv.Dc, icon, 10, 10, 32, &o, 192, 0);
    RECT box = cv.BoxOf(kBlue);
    EXPECT_EQ(box.right - box.left, 15);
    EXPECT_EQ(box.left, 10 + 32 - 16 + 4);
    EXPECT_EQ(box.top, 10 + 32 - 16 - 4);
  }
  DestroyIcon(icon);
  DestroyIcon(mark);
}

TEST_F(DrawTest, ButtonTextSitsBelowTheIconOrRightOfIt) {
  MakeFonts();
  DesignColors d = {};
  d.TextClr1 = kRed;
  d.ShadowAlpha = 255;
  ViewModeDesign& v = g_App.Design.ViewMode[0];
  v.ButtonSizeX = 120;
  const RECT cell = {0, 0, 119, 57};
  {
    Canvas cv(140, 70, kWhite);
    POINT at;
    DrawButtonIcon(nullptr, cell, &at, nullptr, 0, nullptr, 0);
    DrawButtonText(cv.Dc, cell, at, L"Text", &d, 0, 0);
    RECT box = cv.BoxOf(kRed);
    ASSERT_LE(box.left, box.right);
    // Below the icon: icon y + text margin top + icon margin bottom + size.
    EXPECT_GE(box.top, at.y + 0 + 2 + 32);
    EXPECT_LE(box.bottom, 57 - 2);
  }
  {
    v.Flag = 0x18 | 0x20 | 0x40;  // icon left, one line, left-aligned
    Canvas cv(140, 70, kWhite);
    POINT at;
    DrawButtonIcon(nullptr, cell, &at, nullptr, 0, nullptr, 0);
    DrawButtonText(cv.Dc, cell, at, L"Text", &d, 0, 0);
    RECT box = cv.BoxOf(kRed);
    ASSERT_LE(box.left, box.right);
    EXPECT_GE(box.left, at.x + 0 + 32 + 2);
    EXPECT_LE(box.left, at.x + 32 + 2 + 3);
    // Hover and down shift the text with the icon (classic: down by 1, 1).
    Canvas down(140, 70, kWhite);
    DrawButtonText(down.Dc, cell, at, L"Text", &d, 2, 0);
    RECT moved = down.BoxOf(kRed);
    EXPECT_EQ(moved.left, box.left + 1);
    EXPECT_EQ(moved.top, box.top + 1);
  }
}

}  // namespace

namespace {

// GDI+ text must find a face named outside the ANSI code page: a renamed
// monospaced font measures "iiii" as wide as "WWWW" only when it is used.
TEST_F(DrawTest, GdiplusTextKeepsAFaceNameOutsideTheAnsiCodePage) {
  ASSERT_GT(fontAdded_, 0);
  const wchar_t* face = L"\x0412\x0430\x043D\x0442\x0440\x0435\x043B \x041C\x043E\x043D\x043E";
  Canvas back(10, 10);
  g_App.Render.Back.Dc = back.Dc;
  DesignColors d = {};
  d.Flag = DCF_OUTLINE;  // the GDI+ path
  d.ShadowAlpha = 255;

  MakeFonts(face);
  LOGFONTW lf;
  ASSERT_TRUE(GetTextLogfont(nullptr, g_App.Design.ViewMode[0].Fonts[FONT_BUTTON].Font, &lf));
  EXPECT_STREQ(lf.lfFaceName, face);
  SIZE narrow = MeasureText(FONT_BUTTON, &d, L"iiiiiiii");
  SIZE wide = MeasureText(FONT_BUTTON, &d, L"WWWWWWWW");
  EXPECT_GT(narrow.cx, 20);
  EXPECT_NEAR(narrow.cx, wide.cx, 1);

  // The same face spelt as the ANSI code page would give it falls back to a
  // proportional font: the check above tells the two apart.
  for (auto& f : g_App.Design.ViewMode[0].Fonts) DeleteObject(f.Font);
  MakeFonts(L"??????? ????");
  narrow = MeasureText(FONT_BUTTON, &d, L"iiiiiiii");
  wide = MeasureText(FONT_BUTTON, &d, L"WWWWWWWW");
  EXPECT_GT(wide.cx, narrow.cx + narrow.cx / 2);

  g_App.Render.Back.Dc = nullptr;
}

}  // namespace
