#include <gtest/gtest.h>

#include <vector>

#include "render/icon_fixture.h"
#include "render/iconcache.h"
#include "render/paint.h"
#include "store/lists.h"
#include "support/canvas.h"
#include "support/message_recorder.h"
#include "support/test_support.h"
#include "tools/render_scene.h"

namespace {

struct PushRecord {
  HWND Window;
  SIZE Size;
  COLORREF Key;
  BLENDFUNCTION Blend;
  DWORD Flags;
};
std::vector<PushRecord> g_Pushes;

BOOL WINAPI RecordPush(HWND w, HDC, POINT*, SIZE* size, HDC, POINT*, COLORREF key, BLENDFUNCTION* blend,
                       DWORD flags) {
  g_Pushes.push_back({w, size ? *size : SIZE{}, key, blend ? *blend : BLENDFUNCTION{}, flags});
  return TRUE;
}

// The back buffer's pixels, top-down, as COLORREF.
struct Pixels {
  int Width = 0, Height = 0;
  std::vector<DWORD> Bits;
  explicit Pixels(const ImageCache& c) : Width(c.Width), Height(c.Height), Bits(c.Width * c.Height) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = c.Width;
    bi.bmiHeader.biHeight = -c.Height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    if (c.Bitmap) GetDIBits(c.Dc, c.Bitmap, 0, c.Height, Bits.data(), &bi, DIB_RGB_COLORS);
  }
  COLORREF At(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width || y >= Height) return CLR_INVALID;
    DWORD p = Bits[y * Width + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  COLORREF At(POINT p) const { return At(p.x, p.y); }
  // Pixels inside the inclusive rectangle darker than `level` on every channel.
  int Dark(const RECT& r, int level) const {
    int n = 0;
    for (int y = r.top; y <= r.bottom; y++)
      for (int x = r.left; x <= r.right; x++) {
        COLORREF c = At(x, y);
        if (c != CLR_INVALID && GetRValue(c) < level && GetGValue(c) < level && GetBValue(c) < level) n++;
      }
    return n;
  }
};

class BackBufferTest : public ::testing::Test {
 protected:
  void SetUp() override { g_Pushes.clear(); }
  void TearDown() override {
    FreeDrawingResources();
    g_App.Render = RenderState{};
    g_App.Layout.HoverTab = -1;
    g_App.Store.HoverCell = g_App.Store.PressedCell = -1;
  }
  void Build(RenderScene scene) {
    if (!scene.Painted && !scene.Push) scene.Push = RecordPush;
    ASSERT_TRUE(BuildRenderScene(scene));
  }
  static const RECT& Cell(int i) { return g_App.Layout.CellRects[i]; }
  static const RECT& Tab(int i) { return g_App.Layout.TabRects[i]; }
  static const RECT& Slot(int s) { return g_App.Skin.Slots[s].Target; }
};

TEST_F(BackBufferTest, DefaultWindowIsComposedAndPushedWithTheColourKey) {
  Build(RenderScene{});
  const RenderState& r = g_App.Render;
  ASSERT_TRUE(r.Back.Dc);
  EXPECT_EQ(r.Back.Width, 419);
  EXPECT_EQ(r.Back.Height, 224);
  ASSERT_EQ(g_Pushes.size(), 1u);
  const PushRecord& p = g_Pushes[0];
  EXPECT_EQ(p.Window, g_App.MainWnd);
  EXPECT_EQ(p.Key, RGB(255, 0, 255));
  EXPECT_EQ(p.Flags, static_cast<DWORD>(ULW_COLORKEY | ULW_ALPHA));
  EXPECT_EQ(p.Blend.SourceConstantAlpha, 255);
  EXPECT_EQ(p.Blend.AlphaFormat, 0);
  // Pushed opaque: GDI leaves the alpha bytes 0, which Wine's layered
  // windows take as transparent even with a colour key.
  ASSERT_TRUE(r.Back.Bits);
  int clear = 0;
  for (int i = 0; i < r.Back.Width * r.Back.Height; i++) clear += (r.Back.Bits[i] >> 24) != 0xFF;
  EXPECT_EQ(clear, 0);

  // The classic look has no view-mode and search buttons.
  EXPECT_TRUE(r.SysButtons[SYSBTN_CLOSE].Dc);
  EXPECT_TRUE(r.SysButtons[SYSBTN_PIN].Dc);
  EXPECT_FALSE(r.SysButtons[SYSBTN_MODE].Dc);
  EXPECT_FALSE(r.SysButtons[SYSBTN_SEARCH].Dc);

  Pixels px(r.Back);
  // The black outline round the whole window.
  EXPECT_EQ(px.At(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(px.At(418, 223), RGB(0, 0, 0));
  EXPECT_EQ(px.At(200, 223), RGB(0, 0, 0));
  // Top frame: the window gradient starts white under the outline.
  EXPECT_GE(GetRValue(px.At(200, 1)), 0xF8);
  EXPECT_EQ(GetRValue(px.At(200, 1)), GetBValue(px.At(200, 1)));
  // Button cells: light top-left edge, black bottom-right edge, a face
  // from white towards grey in between.
  const RECT& c0 = Cell(0);
  EXPECT_EQ(px.At(c0.left, c0.top + 10), RGB(255, 255, 255));
  EXPECT_EQ(px.At(c0.right, c0.top + 10), RGB(0, 0, 0));
  EXPECT_EQ(px.At(c0.left + 10, c0.bottom), RGB(0, 0, 0));
  COLORREF high = px.At(c0.left + 3, c0.top + 3), low = px.At(c0.left + 3, c0.bottom - 3);
  EXPECT_GT(GetRValue(high), GetRValue(low));
  EXPECT_GE(GetRValue(low), 0xA0);
  // The current tab's face: the selected design mirrors grey to white and
  // back, white in the middle row.
  const RECT& t0 = Tab(0);
  EXPECT_EQ(px.At(t0.left, t0.top + 5), RGB(255, 255, 255));
  COLORREF mid = px.At(t0.left + 2, (t0.top + t0.bottom) / 2);
  EXPECT_GT(GetRValue(mid), 0xF0) << Hex(mid);
  EXPECT_LT(GetRValue(px.At(t0.left + 2, t0.bottom - 1)), 0xB8);
  // Caption text "Vantrel" in the dark text colour.
  EXPECT_GT(px.Dark(Slot(SLOT_CAPTION), 0x60), 20);
  // Button texts under the icons of the three buttons, none in cell 3.
  for (int i = 0; i < 3; i++) EXPECT_GT(px.Dark(Cell(i), 0x60) - 2 * 58, 5) << i;
  EXPECT_LE(px.Dark(Cell(3), 0x60), 2 * 58 + 1);
  // Pin button: shades of the window colours.
  RECT pin = Slot(SLOT_PINBUTTON);
  COLORREF shade = px.At((pin.left + pin.right) / 2, pin.top + 2);
  EXPECT_NEAR(GetRValue(shade), 0xB2, 12) << Hex(shade);
}

TEST_F(BackBufferTest, PinnedWindowShowsTheGreenPinButton) {
  Build(RenderScene{});
  g_App.Settings.Status |= STATUS_PINNED;
  RepaintMainWindow(RP_FRAME | RP_PUSH);
  Pixels px(g_App.Render.Back);
  RECT pin = Slot(SLOT_PINBUTTON);
  COLORREF c = px.At((pin.left + pin.right) / 2, pin.top + 2);
  EXPECT_GT(GetGValue(c), 0xB0) << Hex(c);
  EXPECT_EQ(GetBValue(c), 0) << Hex(c);
  g_App.Settings.Status &= ~STATUS_PINNED;
  EXPECT_EQ(g_Pushes.size(), 2u);
}

TEST_F(BackBufferTest, TwoPagesShowTwoTabsTheCurrentOneSelected) {
  Build(RenderScene{2, 2});
  ASSERT_EQ(g_App.Layout.TabRectCount, 2);
  Pixels px(g_App.Render.Back);
  // Normal tab: grey gradient from 0xCFCFCF to 0x606060 with white text;
  // the selected one is white in its middle row.
  const RECT& t1 = Tab(1);
  const RECT& t0 = Tab(0);
  int midY = (t1.top + t1.bottom) / 2;
  COLORREF top = px.At(t1.left + 2, t1.top + 1), bottom = px.At(t1.left + 2, t1.bottom - 1);
  EXPECT_NEAR(GetRValue(top), 0xCF, 6) << Hex(top);
  EXPECT_LT(GetRValue(bottom), 0x80) << Hex(bottom);
  EXPECT_GT(GetRValue(px.At(t0.left + 2, midY)), 0xF0);
  EXPECT_LT(GetRValue(px.At(t1.left + 2, midY)), 0xB0);
  // Switching pages redraws the strip with the other tab selected.
  g_App.Store.CurrentPage = 1;
  RepaintMainWindow(RP_TABS | RP_PUSH);
  Pixels after(g_App.Render.Back);
  EXPECT_GT(GetRValue(after.At(t1.left + 2, midY)), 0xF0);
  EXPECT_LT(GetRValue(after.At(t0.left + 2, midY)), 0xB0);
}

TEST_F(BackBufferTest, HoverAndPressedCellsTakeTheirFacesAndPushOnce) {
  Build(RenderScene{});
  COLORREF normal = Pixels(g_App.Render.Back).At(Cell(1).left + 3, Cell(1).top + 2);
  size_t before = g_Pushes.size();
  SetHoverButton(1, 0);
  EXPECT_EQ(g_Pushes.size(), before + 1);
  Pixels px(g_App.Render.Back);
  // Hover face: 0x24CEFF (orange-yellow) at the top.
  COLORREF h = px.At(Cell(1).left + 3, Cell(1).top + 2);
  EXPECT_GT(GetRValue(h), 0xF0) << Hex(h);
  EXPECT_LT(GetBValue(h), 0x60) << Hex(h);
  // The caption follows the hovered button's name.
  EXPECT_STREQ(CurrentCaptionText(), L"Button 2");
  // Pressed: the edge is the scaled light colour, no dark bottom edge.
  g_App.Store.PressedCell = 0;
  DrawButton(nullptr, 0, 2, 1, 1);
  Pixels down(g_App.Render.Back);
  EXPECT_EQ(down.At(Cell(0).left, Cell(0).top + 10), RGB(0xB2, 0xB2, 0xB2));
  EXPECT_NE(down.At(Cell(0).right, Cell(0).top + 10), RGB(0, 0, 0));
  // Clearing restores the normal face and the caption.
  EXPECT_EQ(ClearHoverState(3, 1), 1);
  EXPECT_STREQ(CurrentCaptionText(), L"Vantrel");
  Pixels plain(g_App.Render.Back);
  EXPECT_EQ(plain.At(Cell(1).left + 3, Cell(1).top + 2), normal);
  EXPECT_EQ(ClearHoverState(3, 1), 0) << "nothing left to clear";
}

TEST_F(BackBufferTest, LockedButtonIsDrawnOnEveryPage) {
  Build(RenderScene{2, 0, 9});
  Pixels p1(g_App.Render.Back);
  EXPECT_GT(p1.Dark(Cell(9), 0x60) - 2 * 58, 5);
  g_App.Store.CurrentPage = g_App.Settings.LastPage = 1;
  RebuildButtonGrid(0);
  RepaintMainWindow(RP_TABS | RP_BUTTONS | RP_PUSH);
  Pixels p2(g_App.Render.Back);
  EXPECT_GT(p2.Dark(Cell(9), 0x60) - 2 * 58, 5);
  EXPECT_LE(p2.Dark(Cell(8), 0x60), 2 * 58 + 1);
}

TEST_F(BackBufferTest, PagesWithTheirOwnButtonColoursGetAFaceColumnEach) {
  Build(RenderScene{3, 1});
  EXPECT_EQ(g_App.Render.ButtonFaces.Width, 58);
  g_App.Store.Pages[1].Design.Sets[PD_BUTTONN].BG1 = RGB(0, 0, 200);
  g_App.Store.Pages[1].Design.Sets[PD_BUTTONN].BG2 = RGB(0, 0, 200);
  ApplyDesign();
  EXPECT_EQ(g_App.Render.SharedDesign, 0);
  EXPECT_EQ(g_App.Render.ButtonFaces.Width, 3 * 58);
  g_App.Store.CurrentPage = 1;
  RebuildButtonGrid(0);
  RepaintMainWindow(RP_BUTTONS | RP_PUSH);
  Pixels px(g_App.Render.Back);
  EXPECT_EQ(px.At(Cell(5).left + 5, Cell(5).top + 5), RGB(0, 0, 200));
  // A pattern-only difference does not split the faces in the classic look.
  g_App.Store.Pages[1].Design = g_App.Store.Pages[0].Design;
  g_App.Store.Pages[2].Design.Sets[PD_BUTTONH].Pattern = 3;
  EXPECT_EQ(PagesShareButtonDesign(), 1);
}

TEST_F(BackBufferTest, ButtonIconIsDrawnAboveItsText) {
  Build(RenderScene{});
  ButtonInfo* b = g_App.Store.Grid[0].Button;
  ASSERT_TRUE(b);
  HICON icon = CreateIcon(nullptr, 32, 32, 1, 32, nullptr, nullptr);
  // A solid red 32 x 32 icon.
  {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = 32;
    bi.bmiHeader.biHeight = 32;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits;
    HBITMAP color = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    for (int i = 0; i < 32 * 32; i++) static_cast<DWORD*>(bits)[i] = 0xFFFF0000;
    HBITMAP mask = CreateBitmap(32, 32, 1, 1, nullptr);
    ICONINFO ii = {TRUE, 0, 0, mask, color};
    if (icon) DestroyIcon(icon);
    icon = CreateIconIndirect(&ii);
    DeleteObject(color);
    DeleteObject(mask);
  }
  ASSERT_TRUE(icon);
  b->Icon[0] = icon;
  DrawButton(nullptr, 0, 0, 1, 1);
  Pixels px(g_App.Render.Back);
  const RECT& c = Cell(0);
  EXPECT_EQ(px.At(c.left + 13, c.top + 6), RGB(255, 0, 0));
  EXPECT_EQ(px.At(c.left + 44, c.top + 37), RGB(255, 0, 0));
  EXPECT_NE(px.At(c.left + 45, c.top + 38), RGB(255, 0, 0));
  b->Icon[0] = nullptr;
  DestroyIcon(icon);
}

TEST_F(BackBufferTest, AlphaSettingGoesWithEveryPush) {
  RenderScene s;
  Build(s);
  g_App.Settings.Alpha = 180;
  EXPECT_EQ(UpdateWindowAlpha(), 1);
  EXPECT_EQ(UpdateWindowAlpha(), 0) << "unchanged the second time";
  RepaintMainWindow(RP_PUSH);
  ASSERT_FALSE(g_Pushes.empty());
  EXPECT_EQ(g_Pushes.back().Blend.SourceConstantAlpha, 180);
  g_App.Settings.Alpha = 255;
}

// Without layered windows nothing is pushed: WM_PAINT composes the caches
// into the window, the same picture the layered window gets.
TEST_F(BackBufferTest, WithoutLayeredWindowsPaintComposesTheCachesIntoTheWindow) {
  Build(RenderScene{});
  Pixels layered(g_App.Render.Back);
  g_Pushes.clear();
  RenderScene s;
  s.Painted = 1;
  Build(s);
  HWND w = g_App.MainWnd;
  ASSERT_FALSE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_FALSE(g_App.Render.Back.Dc);
  EXPECT_TRUE(g_App.Render.Background.Dc);
  EXPECT_TRUE(g_App.Render.ButtonFaces.Dc);
  int width = g_App.Layout.Width, height = g_App.Layout.Height;
  ASSERT_EQ(layered.Width, width);
  ASSERT_EQ(layered.Height, height);

  ShowWindow(w, SW_SHOWNA);
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  Canvas shown(width, height);
  HDC dc = GetDC(w);
  ASSERT_TRUE(dc);
  BitBlt(shown.Dc, 0, 0, width, height, dc, 0, 0, SRCCOPY);
  ReleaseDC(w, dc);
  // Drawers without a DC of their own draw into the window's.
  SetHoverButton(0, 0);
  ClearHoverState(3, 1);
  ShowWindow(w, SW_HIDE);
  EXPECT_TRUE(g_Pushes.empty());

  int differ = 0;
  for (int y = 0; y < height; y++)
    for (int x = 0; x < width; x++) differ += shown.At(x, y) != layered.At(x, y);
  EXPECT_EQ(differ, 0);
  // Not a blank window either: the outline, a button's edges, the caption text.
  EXPECT_EQ(shown.At(0, 0), RGB(0, 0, 0));
  const RECT& c0 = Cell(0);
  EXPECT_EQ(shown.At(c0.left, c0.top + 10), RGB(255, 255, 255));
  EXPECT_EQ(shown.At(c0.right, c0.top + 10), RGB(0, 0, 0));
  const RECT& cap = Slot(SLOT_CAPTION);
  int dark = 0;
  for (int y = cap.top; y <= cap.bottom; y++)
    for (int x = cap.left; x <= cap.right; x++) {
      COLORREF c = shown.At(x, y);
      dark += GetRValue(c) < 0x60 && GetGValue(c) < 0x60 && GetBValue(c) < 0x60;
    }
  EXPECT_GT(dark, 20);
}

// A layout whose back buffer cannot be made: the old, smaller buffer is not
// kept, nothing is drawn or pushed, and the next layout that can be made
// brings the window back.
TEST_F(BackBufferTest, ABackBufferThatCannotBeMadeLeavesNone) {
  Build(RenderScene{});
  ASSERT_TRUE(g_App.Render.Back.Dc);
  size_t pushes = g_Pushes.size();
  LayoutState& L = g_App.Layout;
  int width = L.Width, height = L.Height;
  L.Width = L.Height = 100000;  // 40 GB
  UpdateWindowAfterLayout();
  EXPECT_FALSE(g_App.Render.Back.Dc);
  RepaintMainWindow(RP_FRAME | RP_TABS | RP_BUTTONS | RP_PUSH);
  SetHoverButton(1, 0);
  ClearHoverState(3, 1);
  EXPECT_EQ(pushes, g_Pushes.size());

  L.Width = width;
  L.Height = height;
  UpdateWindowAfterLayout();
  ASSERT_TRUE(g_App.Render.Back.Dc);
  EXPECT_EQ(width, g_App.Render.Back.Width);
  EXPECT_EQ(height, g_App.Render.Back.Height);
  EXPECT_EQ(pushes + 1, g_Pushes.size());
}

// Deleting or moving a page so that the tab strip gains or loses a row
// leaves the window as a whole new layout would: size, cells, caches and
// the composed picture.
TEST_F(BackBufferTest, PageChangesThatChangeTheTabRowsLayOutTheWholeWindow) {
  TempDir dir;
  wcscpy(g_App.DataFolderPath, dir.Path.c_str());
  MessageRecorder messages;  // the question before a page is deleted: OK
  struct Case {
    const char* What;
    const wchar_t* Names[3];
    int Current;  // the page deleted, or -1
    int Drag, To;  // the page moved and where to
  } cases[] = {
      {"deleting the page of the second row", {L"P1", L"P2", nullptr}, 2, -1, -1},
      {"moving a page up beside the first", {L"P1", nullptr, L"P3"}, -1, 2, 1},
  };
  for (const Case& c : cases) {
    Build(RenderScene{3, 2});
    g_App.Design.ViewMode[0].Flag |= VMF_TAB_MULTILINE;
    // A tab wider than the strip has a row of its own.
    for (int p = 0; p < 3; p++) {
      StoreFree(g_App.Store.Pages[p].Name);
      g_App.Store.Pages[p].Name = StoreDupString(c.Names[p] ? c.Names[p] : L"A page name far wider than the tab strip of the window, which takes a row of its own whatever the font");
    }
    ApplyDesign();
    int before = g_App.Layout.Height;
    if (c.Current >= 0) {
      g_App.Store.CurrentPage = g_App.Settings.LastPage = c.Current;
      RebuildButtonGrid(0);
      ASSERT_EQ(1, DeletePage()) << c.What;
    } else {
      g_App.Store.DragPage = c.Drag;
      MovePage(c.To);
    }
    const LayoutState& L = g_App.Layout;
    ASSERT_LT(L.Height, before) << c.What << ": the strip lost a row";
    EXPECT_EQ(g_App.Store.CurrentPage, g_App.Settings.LastPage) << c.What;
    RECT window;
    ASSERT_TRUE(GetWindowRect(g_App.MainWnd, &window));
    EXPECT_EQ(L.Height, window.bottom - window.top) << c.What;
    EXPECT_EQ(L.Height, g_App.Render.Back.Height) << c.What;
    EXPECT_EQ(L.Height, g_App.Render.Background.Height) << c.What;
    int height = L.Height;
    std::vector<RECT> cells(L.CellRects, L.CellRects + L.CellCount);
    RepaintMainWindow(RP_FRAME | RP_TABS | RP_BUTTONS | RP_PUSH);
    Pixels after(g_App.Render.Back);

    ApplyDesign();
    EXPECT_EQ(height, L.Height) << c.What;
    for (int i = 0; i < L.CellCount; i++) EXPECT_TRUE(EqualRect(&cells[i], &L.CellRects[i])) << c.What << " cell " << i;
    Pixels fresh(g_App.Render.Back);
    EXPECT_TRUE(after.Bits == fresh.Bits) << c.What;
  }
  ClearItemStore();
  g_App.DataFolderPath[0] = 0;
}

TEST_F(BackBufferTest, BuffersAreReplacedOnlyWhenTheNewOneCanBeMade) {
  Build(RenderScene{});
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  ASSERT_EQ(CreateBackBuffer(g_App.MainWnd, &dc, &bmp, 20, 10), 1);
  HDC firstDc = dc;
  EXPECT_EQ(CreateBackBuffer(g_App.MainWnd, &dc, &bmp, 0, 10), 0);
  EXPECT_EQ(dc, firstDc) << "a failed creation keeps the old pair";
  ASSERT_EQ(CreateBackBuffer(g_App.MainWnd, &dc, &bmp, 30, 30), 1);
  BITMAP bm;
  ASSERT_EQ(GetObjectW(bmp, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 30);
  DeleteDC(dc);
  DeleteObject(bmp);
}

// Icons read from the cache are made when their page is first drawn and
// draw the same pixels as the icons the cache was written from.
TEST_F(BackBufferTest, CachedIconsAreMadeWhenTheirPageIsDrawn) {
  Build(RenderScene{2, 3});
  const ViewModeDesign& v = g_App.Design.ViewMode[0];
  for (int i = 0; i < 2; i++) ASSERT_TRUE(AddSceneButton(1, L"Other", i % v.ButtonNumX, i / v.ButtonNumX, 1));
  std::vector<ButtonInfo*> page0, page1;
  for (int i = 0; i < 3; i++) page0.push_back(GetItem(0, i));
  for (int i = 0; i < 2; i++) page1.push_back(GetItem(1, i));
  DWORD seed = 1;
  for (auto* list : {&page0, &page1})
    for (ButtonInfo* b : *list) {
      ASSERT_TRUE(b);
      b->Icon[0] = MakeTestIcon(32, seed++);
      b->Icon[1] = MakeTestIcon(16, seed++);
    }
  RepaintMainWindow(RP_BUTTONS | RP_PUSH);
  Pixels direct(g_App.Render.Back);

  TempDir dir;
  wcscpy(g_App.DataFolderPath, dir.Path.c_str());
  ASSERT_EQ(SaveIconCache(0), 1);
  for (auto* list : {&page0, &page1})
    for (ButtonInfo* b : *list)
      for (HICON& icon : b->Icon) icon = (DestroyIcon(icon), nullptr);
  ASSERT_EQ(LoadIconCache(), 1);
  for (ButtonInfo* b : page0) EXPECT_EQ(b->Icon[0], nullptr) << "nothing made before drawing";

  RepaintMainWindow(RP_BUTTONS | RP_PUSH);
  Pixels cached(g_App.Render.Back);
  EXPECT_TRUE(cached.Bits == direct.Bits);
  for (ButtonInfo* b : page0) {
    EXPECT_NE(b->Icon[0], nullptr);
    EXPECT_EQ(b->Icon[1], nullptr) << "the other view mode's icon waits";
  }
  for (ButtonInfo* b : page1) EXPECT_EQ(b->Icon[0], nullptr) << "a page not shown makes no icons";

  g_App.Store.CurrentPage = g_App.Settings.LastPage = 1;
  RebuildButtonGrid(0);
  RepaintMainWindow(RP_TABS | RP_BUTTONS | RP_PUSH);
  for (ButtonInfo* b : page1) EXPECT_NE(b->Icon[0], nullptr);
  ClearItemStore();
  g_App.DataFolderPath[0] = 0;
}

}  // namespace
