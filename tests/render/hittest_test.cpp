#include "render/hittest.h"

#include "core/ticker.h"
#include "layout_fixture.h"
#include "render/draw.h"
#include "render/image.h"
#include "render/skin_scene.h"

namespace {

struct SizingCase {
  const char* What;
  POINT Cursor;
  int Code;
};

TEST(SizingCode, BordersAndCornersOfAFivePixelBorder) {
  const RECT window = {100, 100, 500, 400};  // last column 499, last row 399
  const RECT none = {0, 0, 0, 0}, border = {5, 5, 5, 5};
  const SizingCase cases[] = {
      {"3 from the left, 1.5 borders from the top", {103, 107}, SIZING_TOPLEFT},
      {"corner reaches two borders along the top", {108, 101}, SIZING_TOPLEFT},
      {"past the corner on the top edge", {110, 101}, SIZING_TOP},
      {"top right", {497, 103}, SIZING_TOPRIGHT},
      {"bottom left", {102, 396}, SIZING_BOTTOMLEFT},
      {"last pixel", {499, 399}, SIZING_BOTTOMRIGHT},
      {"left", {102, 250}, SIZING_LEFT},
      {"right", {496, 250}, SIZING_RIGHT},
      {"bottom", {300, 398}, SIZING_BOTTOM},
      {"middle", {300, 250}, SIZING_NONE},
      {"just outside on the right", {500, 250}, SIZING_NONE},
      {"just outside on the left", {99, 250}, SIZING_NONE},
  };
  for (const SizingCase& c : cases) {
    LPCWSTR cursor = nullptr;
    EXPECT_EQ(SizingCodeAt(window, none, border, 96, c.Cursor, &cursor), c.Code) << c.What;
    LPCWSTR want = c.Code == SIZING_NONE                                        ? MAKEINTRESOURCEW(32512)
                   : c.Code == SIZING_TOPLEFT || c.Code == SIZING_BOTTOMRIGHT   ? MAKEINTRESOURCEW(32642)
                   : c.Code == SIZING_TOPRIGHT || c.Code == SIZING_BOTTOMLEFT   ? MAKEINTRESOURCEW(32643)
                   : c.Code == SIZING_LEFT || c.Code == SIZING_RIGHT            ? MAKEINTRESOURCEW(32644)
                                                                                : MAKEINTRESOURCEW(32645);
    EXPECT_EQ(cursor, want) << c.What;
  }
}

TEST(SizingCode, ShadowAndDpiScaleTheBorders) {
  const RECT window = {100, 100, 500, 400};
  const RECT shadow = {10, 10, 10, 10}, four = {4, 4, 4, 4};
  struct Case {
    const char* What;
    RECT Shadow;
    int Dpi;
    POINT Cursor;
    int Code;
  } cases[] = {
      {"on the shadow: nothing", shadow, 96, {105, 250}, SIZING_NONE},
      {"the border starts inside the shadow", shadow, 96, {112, 250}, SIZING_LEFT},
      {"4 stays 4 at 96 DPI", {}, 96, {104, 250}, SIZING_NONE},
      {"4 is used as 5 at 120 DPI", {}, 120, {104, 250}, SIZING_LEFT},
      {"the shadow scales too: 10 is 15 at 144 DPI", shadow, 144, {112, 250}, SIZING_NONE},
  };
  for (const Case& c : cases) EXPECT_EQ(SizingCodeAt(window, c.Shadow, four, c.Dpi, c.Cursor, nullptr), c.Code) << c.What;
}

class HitTest : public LayoutFixture {
 protected:
  void SetUp() override {
    LayoutFixture::SetUp();
    SetPages({L"60", L"70"});
    Layout();
  }
  void TearDown() override {
    FaceImages& f = g_App.Layout.Faces;
    for (int i = 0; i < FACE_COUNT; i++) {
      if (f.Dc[i]) DeleteDC(f.Dc[i]);
      if (f.Bitmap[i]) DeleteObject(f.Bitmap[i]);
    }
    f = FaceImages{};
    g_App.Store.PressedCell = g_App.Store.HoverCell = -1;
    g_App.Input = InputState{};
    LayoutFixture::TearDown();
  }
  // A 32-bit top-down image, opaque white, in a face slot.
  static DWORD* MakeFace(int face, int width, int height) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = height;  // bottom-up, as the decoders make them
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, b);
    DWORD* px = static_cast<DWORD*>(bits);
    for (int i = 0; i < width * height; i++) px[i] = 0xFFFFFFFF;
    g_App.Layout.Faces.Dc[face] = dc;
    g_App.Layout.Faces.Bitmap[face] = b;
    return px;
  }
  // Pixel (x, y) counted from the top of a bottom-up image.
  static DWORD& At(DWORD* px, int width, int height, int x, int y) { return px[(height - 1 - y) * width + x]; }
};

TEST_F(HitTest, TabsAndCellsWithoutASkin) {
  struct Case {
    const char* What;
    int Kind;
    POINT P;
    int Index;
  } cases[] = {
      {"first tab", HIT_TABS, {7, 24}, 0},
      {"second tab's last pixel", HIT_TABS, {7 + 70 + 80 - 1, 43}, 1},
      {"tab area left margin", HIT_TABS, {6, 30}, -1},
      {"tab area top margin", HIT_TABS, {20, 23}, -1},
      {"tab area right of the tabs", HIT_TABS, {300, 30}, -1},
      {"first cell", HIT_BUTTONS, {7, 44}, 0},
      {"first cell's last pixel", HIT_BUTTONS, {64, 101}, 0},
      {"second cell", HIT_BUTTONS, {65, 44}, 1},
      {"second row", HIT_BUTTONS, {7, 102}, 7},
      {"last cell's last pixel", HIT_BUTTONS, {412, 217}, 20},
      {"button area margin", HIT_BUTTONS, {6, 60}, -1},
      {"right frame", HIT_BUTTONS, {413, 60}, -1},
      {"unknown kind", 3, {7, 44}, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindItemAt(c.P, c.Kind, 0), c.Index) << c.What;
    // Without a skin the pixel test changes nothing.
    EXPECT_EQ(FindItemAt(c.P, c.Kind, 1), c.Index) << c.What;
  }
}

TEST_F(HitTest, TransparentPixelsOfAnAlphaSkinHitNothing) {
  g_App.Skin.TransparencyMode = SKINMODE_ALPHA;
  g_App.Layout.Faces.SharedDesign = 1;
  const int w = 58, h = 3 * 58;
  DWORD* px = MakeFace(FACE_BUTTONS, w, h);
  At(px, w, h, 0, 0) = 0;  // the normal face's top-left corner is clear
  EXPECT_EQ(FindItemAt(POINT{7, 44}, HIT_BUTTONS, 1), -1);
  EXPECT_EQ(FindItemAt(POINT{7, 44}, HIT_BUTTONS, 0), 0);
  EXPECT_EQ(FindItemAt(POINT{30, 70}, HIT_BUTTONS, 1), 0);
  // A neighbour whose rectangle also holds the point is not tried.
  g_App.Layout.CellRects[1] = g_App.Layout.CellRects[0];
  EXPECT_EQ(FindItemAt(POINT{7, 44}, HIT_BUTTONS, 1), -1);
  // Pressed: the third row of the image decides, and it is opaque.
  g_App.Store.PressedCell = 0;
  EXPECT_EQ(FindItemAt(POINT{7, 44}, HIT_BUTTONS, 1), 0);
  At(px, w, h, 0, 2 * 58) = 0x00FFFFFF;
  EXPECT_EQ(FindItemAt(POINT{7, 44}, HIT_BUTTONS, 1), -1);
}

TEST_F(HitTest, TabPixelsComeFromThePagesStateRow) {
  g_App.Skin.TransparencyMode = SKINMODE_ALPHA;
  const int w = 80, h = 2 * 3 * 20;
  DWORD* px = MakeFace(FACE_TABS, w, h);
  At(px, w, h, 0, 3 * 20) = 0;  // tab 1, normal row
  POINT tab1 = {g_App.Layout.TabRects[1].left, g_App.Layout.TabRects[1].top};
  g_App.Settings.LastPage = 0;
  EXPECT_EQ(FindItemAt(tab1, HIT_TABS, 1), -1);
  g_App.Settings.LastPage = 1;  // the active row of tab 1 is opaque
  EXPECT_EQ(FindItemAt(tab1, HIT_TABS, 1), 1);
  g_App.Settings.LastPage = 0;
  g_App.Layout.HoverTab = 1;
  EXPECT_EQ(FindItemAt(tab1, HIT_TABS, 1), 1);
}

TEST_F(HitTest, ColourKeyAndOutOfRangePixels) {
  DWORD* px = MakeFace(FACE_CLOSE, 4, 4);
  HDC dc = g_App.Layout.Faces.Dc[FACE_CLOSE];
  HBITMAP b = g_App.Layout.Faces.Bitmap[FACE_CLOSE];
  At(px, 4, 4, 1, 2) = 0x00FF00FF;  // magenta in 0x00RRGGBB
  g_App.Skin.TransparencyMode = SKINMODE_CLIPPING;
  g_App.Skin.ClipColor = RGB(255, 0, 255);
  EXPECT_EQ(IsTransparentPixel(dc, b, 1, 2), 1);
  EXPECT_EQ(IsTransparentPixel(dc, b, 2, 2), 0);
  EXPECT_EQ(IsTransparentPixel(dc, b, 4, 2), 0);   // outside
  EXPECT_EQ(IsTransparentPixel(dc, b, -1, 0), 0);
  EXPECT_EQ(IsTransparentPixel(nullptr, b, 1, 2), 0);
  EXPECT_EQ(IsTransparentPixel(dc, nullptr, 1, 2), 0);
  g_App.Skin.TransparencyMode = SKINMODE_ALPHA;
  At(px, 4, 4, 3, 0) = 0;
  EXPECT_EQ(IsTransparentPixel(dc, b, 3, 0), 1);
  EXPECT_EQ(IsTransparentPixel(dc, b, 2, 2), 0);
  g_App.Skin.TransparencyMode = SKINMODE_NONE;
  EXPECT_EQ(IsTransparentPixel(dc, b, 3, 0), 0);
}

// The caches of an alpha skin are top-down DIB sections: the pixel read is
// the one counted from the top whatever the bitmap's row order.
TEST_F(HitTest, AlphaIsReadFromTheRightRowOfEitherRowOrder) {
  g_App.Skin.TransparencyMode = SKINMODE_ALPHA;
  for (int height : {4, -4}) {
    BITMAPINFO bi = {};
    bi.bmiHeader = DibHeader(3, height, 32);
    void* bits = nullptr;
    HBITMAP b = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(b);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b);
    DWORD* px = static_cast<DWORD*>(bits);
    for (int i = 0; i < 12; i++) px[i] = 0xFF808080;
    // Row 0 from the top is the first row in memory of a top-down bitmap.
    int topRow = height < 0 ? 0 : 3;
    px[topRow * 3 + 1] = 0;
    EXPECT_EQ(IsTransparentPixel(dc, b, 1, 0), 1) << "height " << height;
    EXPECT_EQ(IsTransparentPixel(dc, b, 1, 3), 0) << "height " << height;
    EXPECT_EQ(IsTransparentPixel(dc, b, 0, 0), 0) << "height " << height;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(b);
  }
}

TEST_F(HitTest, ShadowAreaPerEntryAndDpi) {
  g_App.Skin.MainShadow = RECT{2, 4, 6, 8};
  g_App.Skin.SubMenuShadow = RECT{1, 1, 1, 1};
  g_App.Skin.SearchShadow = RECT{10, 0, 0, 10};
  struct Case {
    int Entry, Dpi;
    RECT Want;
  } cases[] = {
      {SHADOW_MAIN, 96, {102, 104, 194, 192}},
      {SHADOW_MAIN, 144, {103, 106, 191, 188}},
      {SHADOW_MAIN, 0, {102, 104, 194, 192}},  // the window's DPI, 96 here
      {SHADOW_SUBMENU, 96, {101, 101, 199, 199}},
      {SHADOW_SEARCH, 96, {110, 100, 200, 190}},
      {7, 96, {100, 100, 200, 200}},
  };
  for (const Case& c : cases) {
    RECT r = {100, 100, 200, 200};
    ShrinkByShadowArea(&r, c.Entry, c.Dpi);
    EXPECT_EQ(r, c.Want) << "entry " << c.Entry << " at " << c.Dpi;
  }
}

// The launcher window shown at (30, 40), laid out, without activation.
class WindowHitTest : public HitTest {
 protected:
  void SetUp() override {
    HitTest::SetUp();
    ASSERT_TRUE(EnsureLauncherClasses());
    window_ = CreateMainWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(window_, nullptr);
    g_App.Settings.LastPosX = 30;
    g_App.Settings.LastPosY = 40;
    g_App.Design.Dpi = 96;
    CalcMainWindowLayout();
    MoveWindow(window_, 30, 40, g_App.Layout.Width, g_App.Layout.Height, FALSE);
    ShowWindow(window_, SW_SHOWNA);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    g_App.MainWnd = nullptr;
    HitTest::TearDown();
  }
  HWND window_ = nullptr;
};

TEST_F(WindowHitTest, SystemButtonsHitOnlyWhereTheyLie) {
  // Close (400, 6)-(410, 16), pin (7, 6)-(17, 16), no mode or search button.
  EXPECT_EQ(HitTestSkinPart(SLOT_CLOSEBUTTON, 400, 6), 1);
  EXPECT_EQ(HitTestSkinPart(SLOT_CLOSEBUTTON, 410, 16), 1);
  EXPECT_EQ(HitTestSkinPart(SLOT_CLOSEBUTTON, 411, 16), 0);
  EXPECT_EQ(HitTestSkinPart(SLOT_PINBUTTON, 10, 10), 1);
  EXPECT_EQ(HitTestSkinPart(SLOT_MODEBUTTON, 0, 0), 0);
  EXPECT_EQ(HitTestSkinPart(SLOT_SEARCHBUTTON, 0, 0), 0);
  EXPECT_EQ(HitTestSkinPart(99, 0, 0), 0);
  // A transparent pixel of a skinned button misses.
  g_App.Skin.TransparencyMode = SKINMODE_ALPHA;
  DWORD* px = MakeFace(FACE_CLOSE, 11, 11);
  At(px, 11, 11, 0, 0) = 0;
  EXPECT_EQ(HitTestSkinPart(SLOT_CLOSEBUTTON, 400, 6), 0);
  EXPECT_EQ(HitTestSkinPart(SLOT_CLOSEBUTTON, 401, 6), 1);
  ShowWindow(window_, SW_HIDE);
  EXPECT_EQ(HitTestSkinPart(SLOT_CLOSEBUTTON, 401, 6), 0);
}

TEST_F(WindowHitTest, ButtonStatesFollowStatusPressAndCursor) {
  ASSERT_TRUE(SetCursorPos(30 + 405, 40 + 10));  // over the close button
  g_App.Settings.Status = STATUS_PINNED | STATUS_VIEWMODE2 | STATUS_SEARCH;
  POINT p;
  GetCursorPos(&p);
  ASSERT_EQ(p.x, 435);
  EXPECT_EQ(GetCloseButtonState(), 1);
  EXPECT_EQ(GetPinButtonState(), 2);
  EXPECT_EQ(GetModeButtonState(), 2);
  EXPECT_EQ(GetSearchButtonState(), 2);
  g_App.Input.RearrangeDrag = 1;  // nothing is under the cursor during a drag
  EXPECT_EQ(GetCloseButtonState(), 0);
  g_App.Input.RearrangeDrag = 0;
  ASSERT_TRUE(SetCursorPos(30 + 10, 40 + 10));  // over the pin
  EXPECT_EQ(GetPinButtonState(), 3);
  EXPECT_EQ(GetCloseButtonState(), 0);
  g_App.Input.ClosePressed = 1;  // held down: pressed wherever the cursor is
  EXPECT_EQ(GetCloseButtonState(), 2);
  g_App.Settings.Status = 0;
  EXPECT_EQ(GetPinButtonState(), 1);
  EXPECT_EQ(GetModeButtonState(), 0);
}

TEST_F(WindowHitTest, ScreenPointsAndItemAreas) {
  LayoutTabs();
  LayoutButtons();
  POINT cell8 = {30 + 65, 40 + 102};
  EXPECT_EQ(GetItemFromPoint(&cell8, HIT_BUTTONS, 0), 8);
  POINT tab1 = {30 + g_App.Layout.TabRects[1].left, 40 + 30};
  EXPECT_EQ(GetItemFromPoint(&tab1, HIT_TABS, 0), 1);
  struct Case {
    POINT Client;
    int Flags, In;
  } cases[] = {
      {{6, 22}, ITEMAREA_TABS, 1},  // the area with its margin
      {{6, 22}, ITEMAREA_BUTTONS, 0},
      {{412, 217}, ITEMAREA_BUTTONS, 1},
      {{412, 218}, ITEMAREA_TABS | ITEMAREA_BUTTONS, 0},
      {{200, 100}, ITEMAREA_TABS | ITEMAREA_BUTTONS, 1},
      {{200, 10}, ITEMAREA_TABS | ITEMAREA_BUTTONS, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsPointInItemArea(POINT{30 + c.Client.x, 40 + c.Client.y}, c.Flags), c.In)
        << c.Client.x << "," << c.Client.y;
  // Sizing from the cursor over the window's left border.
  ASSERT_TRUE(SetCursorPos(30 + 2, 40 + 100));
  HCURSOR cursor = nullptr;
  EXPECT_EQ(HitTestSizing(&cursor), SIZING_LEFT);
  EXPECT_EQ(cursor, LoadCursorW(nullptr, MAKEINTRESOURCEW(32644)));
  ASSERT_TRUE(SetCursorPos(30 + 200, 40 + 100));
  EXPECT_EQ(HitTestSizing(&cursor), SIZING_NONE);
  ASSERT_TRUE(SetCursorPos(5, 5));  // not over the window
  EXPECT_EQ(HitTestSizing(&cursor), SIZING_NONE);
}


// The launcher window under the fixture skins, shown at (50, 60) and pushed
// for real: hits follow the skin's pixels, shadow and sizing borders.
class SkinnedHitTest : public ::testing::Test {
 protected:
  static constexpr int kX = 50, kY = 60;
  void TearDown() override {
    if (g_App.MainWnd) ShowWindow(g_App.MainWnd, SW_HIDE);
    FreeDrawingResources();
    FreeSlotBitmaps();
    g_App.Render = RenderState{};
    g_App.Store.HoverCell = g_App.Store.PressedCell = -1;
  }
  static bool Show(const fixture_skin::Kind& k) {
    std::wstring path = fixture_skin::Path(k.Name);
    RenderScene scene{2, 3, 9};
    scene.Skin = path.c_str();
    if (!BuildRenderScene(scene) || g_App.Skin.TransparencyMode != k.Mode) return false;
    MoveWindow(g_App.MainWnd, kX, kY, g_App.Layout.Width, g_App.Layout.Height, FALSE);
    ShowWindow(g_App.MainWnd, SW_SHOWNA);
    RepaintMainWindow(RP_FRAME | RP_TABS | RP_BUTTONS | RP_PUSH);
    return true;
  }
};

TEST_F(SkinnedHitTest, ClearPixelsOfFacesHitNothing) {
  for (const fixture_skin::Kind& k : fixture_skin::kKinds) {
    ASSERT_TRUE(Show(k)) << k.Name;
    const RECT c0 = g_App.Layout.CellRects[0], c9 = g_App.Layout.CellRects[9];
    const RECT t0 = g_App.Layout.TabRects[0], t1 = g_App.Layout.TabRects[1];
    struct Case {
      const char* What;
      int Kind;
      POINT At;
      int Plain, Pixel;  // without and with the pixel test
    } cases[] = {
        {"a face's clear corner", HIT_BUTTONS, {c0.left + 1, c0.top + 1}, 0, -1},
        {"the face", HIT_BUTTONS, {c0.left + 8, c0.top + 8}, 0, 0},
        {"the face's last pixel", HIT_BUTTONS, {c0.right, c0.bottom}, 0, 0},
        {"a locked face's clear corner", HIT_BUTTONS, {c9.left + 2, c9.top + 2}, 9, -1},
        {"a locked face", HIT_BUTTONS, {c9.left + 3, c9.top + 3}, 9, 9},
        {"between two cells", HIT_BUTTONS, {c0.right + 1, c0.top + 8}, -1, -1},
        {"the current tab's clear corner", HIT_TABS, {t0.left, t0.top}, 0, -1},
        {"another tab's clear corner", HIT_TABS, {t1.left + 1, t1.top + 1}, 1, -1},
        {"a tab", HIT_TABS, {t1.left + 2, t1.top}, 1, 1},
    };
    for (const Case& c : cases) {
      EXPECT_EQ(FindItemAt(c.At, c.Kind, 0), c.Plain) << k.Name << ": " << c.What;
      EXPECT_EQ(FindItemAt(c.At, c.Kind, 1), c.Pixel) << k.Name << ": " << c.What;
      POINT screen = {kX + c.At.x, kY + c.At.y};
      EXPECT_EQ(GetItemFromPoint(&screen, c.Kind, 1), c.Pixel) << k.Name << ": " << c.What << " on the screen";
    }
    // Hovered or pressed, the other rows of the image decide; their corners
    // are clear too.
    g_App.Store.HoverCell = 0;
    EXPECT_EQ(FindItemAt(POINT{c0.left + 1, c0.top + 1}, HIT_BUTTONS, 1), -1) << k.Name;
    g_App.Store.PressedCell = 0;
    EXPECT_EQ(FindItemAt(POINT{c0.left + 8, c0.top + 8}, HIT_BUTTONS, 1), 0) << k.Name;
  }
}

TEST_F(SkinnedHitTest, SystemButtonsHitOnlyTheirVisiblePixels) {
  using namespace fixture_skin;
  for (const Kind& k : kKinds) {
    ASSERT_TRUE(Show(k)) << k.Name;
    struct Case {
      const char* What;
      int Slot;
      POINT At;
      int Hit;
    } cases[] = {
        {"close", SLOT_CLOSEBUTTON, {kCloseRect.left + 2, kCloseRect.top + 7}, 1},
        {"close's clear corner", SLOT_CLOSEBUTTON, {kCloseRect.left + 1, kCloseRect.top}, 0},
        {"close's last pixel", SLOT_CLOSEBUTTON, {kCloseRect.right, kCloseRect.bottom}, 1},
        {"right of close", SLOT_CLOSEBUTTON, {kCloseRect.right + 1, kCloseRect.top + 7}, 0},
        {"pin", SLOT_PINBUTTON, {kPinRect.left + 8, kPinRect.top + 3}, 1},
        {"pin's clear corner", SLOT_PINBUTTON, {kPinRect.left, kPinRect.top + 1}, 0},
        {"view mode", SLOT_MODEBUTTON, {kModeRect.left + 5, kModeRect.top + 5}, 1},
        {"no search button in this skin", SLOT_SEARCHBUTTON, {0, 0}, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(HitTestSkinPart(c.Slot, c.At.x, c.At.y), c.Hit) << k.Name << ": " << c.What;
  }
}

// The window less its 4-pixel shadow has sizing borders of 5 pixels; the
// caption between them only moves the window.
TEST_F(SkinnedHitTest, SizingBordersLieInsideTheShadow) {
  using namespace fixture_skin;
  for (const Kind& k : kKinds) {
    ASSERT_TRUE(Show(k)) << k.Name;
    struct Case {
      const char* What;
      POINT At;
      int Code;
    } cases[] = {
        {"left shadow", {2, 120}, SIZING_NONE},
        {"left border", {6, 120}, SIZING_LEFT},
        {"right border", {kWidth - kShadow - 1, 120}, SIZING_RIGHT},
        {"top border over the caption", {200, 6}, SIZING_TOP},
        {"bottom border", {200, kHeight - kShadow - 2}, SIZING_BOTTOM},
        {"top-left corner", {6, 6}, SIZING_TOPLEFT},
        {"corner reaches two borders down the left", {6, 4 + 9}, SIZING_TOPLEFT},
        {"caption", {200, 18}, SIZING_NONE},
        {"a button", {100, 100}, SIZING_NONE},
    };
    for (const Case& c : cases) {
      ASSERT_TRUE(SetCursorPos(kX + c.At.x, kY + c.At.y));
      EXPECT_EQ(HitTestSizing(nullptr), c.Code) << k.Name << ": " << c.What;
    }
    POINT caption = {kX + 200, kY + 18};
    EXPECT_EQ(IsPointInItemArea(caption, ITEMAREA_TABS | ITEMAREA_BUTTONS), 0) << k.Name;
    EXPECT_EQ(GetItemFromPoint(&caption, HIT_TABS, 1), -1) << k.Name;
    for (int slot : {SLOT_CLOSEBUTTON, SLOT_PINBUTTON, SLOT_MODEBUTTON, SLOT_SEARCHBUTTON})
      EXPECT_EQ(HitTestSkinPart(slot, 200, 18), 0) << k.Name << " slot " << slot;
    // The body the window shows and hides by leaves the shadow out.
    EXPECT_EQ(IsPointInLauncherBody(g_App.MainWnd, POINT{kX + kShadow - 1, kY + 120}), 0) << k.Name;
    EXPECT_EQ(IsPointInLauncherBody(g_App.MainWnd, POINT{kX + kShadow, kY + 120}), 1) << k.Name;
  }
}

}  // namespace
