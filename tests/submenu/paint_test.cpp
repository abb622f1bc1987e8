// Painting of a level into a bitmap: item faces by state and the scroll
// buttons with their arrows, from skin images and in the classic look.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "render/skin.h"
#include "state.h"
#include "submenu/records.h"
#include "submenu/tree.h"

namespace {

const int kW = 100, kH = 120;

// A solid image of one colour standing in for a skin slot's picture.
struct SolidSlot {
  HDC Dc = nullptr;
  HBITMAP Bitmap = nullptr;
  HGDIOBJ Old = nullptr;
  void Make(int slot, COLORREF color, int w, int h) {
    Dc = CreateCompatibleDC(nullptr);
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB};
    void* bits = nullptr;
    Bitmap = CreateDIBSection(Dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    Old = SelectObject(Dc, Bitmap);
    RECT r = {0, 0, w, h};
    HBRUSH b = CreateSolidBrush(color);
    FillRect(Dc, &r, b);
    DeleteObject(b);
    SkinSlot& s = g_App.Skin.Slots[slot];
    s.Dc = Dc;
    s.Bitmap = Bitmap;
    s.ImageWidth = s.SourceWidth = w;
    s.ImageHeight = s.SourceHeight = h;
  }
  ~SolidSlot() {
    if (!Dc) return;
    SelectObject(Dc, Old);
    DeleteObject(Bitmap);
    DeleteDC(Dc);
  }
};

class SubMenuPaint : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClassicLook();
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO bi = {};
    bi.bmiHeader = {sizeof(BITMAPINFOHEADER), kW, -kH, 1, 32, BI_RGB};
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    // One column of three items between an up and a down button.
    for (int i = 0; i < 3; ++i) {
      SmItem it = {};
      it.ImageIndex = -1;
      it.Rect = RECT{4, 24 + 20 * i, 90, 24 + 20 * i + 19};
      items_.push_back(it);
    }
    for (auto& it : items_) ptrs_.push_back(&it);
    m_.Items = ptrs_.data();
    m_.ItemCount = 3;
    m_.Rows = 3;
    m_.Columns = 1;
    m_.Dpi = 96;
    m_.Hover = 1;
    m_.Selection = &selected_;
    m_.SelectionCount = 1;
    m_.State = SMS_VSCROLL;
    m_.Scroll[0] = RECT{4, 4, 90, 19};
    m_.Scroll[1] = RECT{4, 90, 90, 105};
    m_.ScrollState[0] = 0;
    m_.ScrollState[1] = 2;
  }
  void TearDown() override {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
    for (auto& s : g_App.Skin.Slots) s.Dc = nullptr, s.Bitmap = nullptr;
    SetClassicLook();
  }
  void Paint() { PaintSubMenu(dc_, &m_, RECT{0, 0, kW - 1, kH - 1}); }
  COLORREF At(int x, int y) { return GetPixel(dc_, x, y); }
  POINT Centre(RECT r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::vector<SmItem> items_;
  std::vector<SmItem*> ptrs_;
  int selected_ = 2;
  OpenMenu m_ = {};
};

const COLORREF kNormal = RGB(200, 0, 0), kCurrent = RGB(0, 200, 0), kMulti = RGB(0, 0, 200);
const COLORREF kButton[4] = {RGB(10, 10, 10), RGB(20, 20, 20), RGB(30, 30, 30), RGB(40, 40, 40)};
const COLORREF kArrowNormal = RGB(50, 150, 50), kArrowDown = RGB(150, 50, 150);

TEST_F(SubMenuPaint, SkinImagesDrawFacesByStateAndScrollButtons) {
  const struct {
    const char* What;
    bool MultiImage;   // the skin has a multi-selection image
    bool DownArrows;   // ... and arrow images of the pressed state
    COLORREF Third;    // the selected, not current item
    COLORREF DownArrow;
  } cases[] = {
      {"all images", true, true, kMulti, kArrowDown},
      {"no multi-selection image: the normal face", false, true, kNormal, kArrowDown},
      {"no pressed arrow: the normal arrow", true, false, kMulti, kArrowNormal},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    SetClassicLook();
    g_App.Skin.TransparencyMode = SKINMODE_CLIPPING;
    g_App.Skin.ClipColor = RGB(255, 0, 255);
    g_App.Skin.BackColor = RGB(250, 250, 250);
    std::vector<SolidSlot> slots(20);
    slots[0].Make(33, kNormal, 8, 8);
    slots[1].Make(34, kCurrent, 8, 8);
    if (c.MultiImage) slots[2].Make(35, kMulti, 8, 8);
    for (int s = 0; s < 4; ++s) slots[3 + s].Make(36 + s, kButton[s], 8, 8);
    slots[7].Make(40, kArrowNormal, 6, 4);          // up, normal
    slots[8].Make(44, kArrowNormal, 6, 4);          // down, normal
    if (c.DownArrows) slots[9].Make(46, kArrowDown, 6, 4);  // down, pressed

    Paint();
    POINT p0 = Centre(items_[0].Rect), p1 = Centre(items_[1].Rect), p2 = Centre(items_[2].Rect);
    EXPECT_EQ(kNormal, At(p0.x, p0.y));
    EXPECT_EQ(kCurrent, At(p1.x, p1.y));
    EXPECT_EQ(c.Third, At(p2.x, p2.y));
    // Button faces by state: normal above, pressed below; arrows centred.
    EXPECT_EQ(kButton[0], At(m_.Scroll[0].left, m_.Scroll[0].top));
    EXPECT_EQ(kButton[2], At(m_.Scroll[1].left, m_.Scroll[1].top));
    POINT up = Centre(m_.Scroll[0]), down = Centre(m_.Scroll[1]);
    EXPECT_EQ(kArrowNormal, At(up.x, up.y));
    EXPECT_EQ(c.DownArrow, At(down.x, down.y));
    // A disabled button takes its own image.
    m_.ScrollState[0] = -1;
    Paint();
    EXPECT_EQ(kButton[3], At(m_.Scroll[0].left, m_.Scroll[0].top));
    m_.ScrollState[0] = 0;
    for (auto& s : g_App.Skin.Slots) s.Dc = nullptr, s.Bitmap = nullptr;
  }
}

TEST_F(SubMenuPaint, ClassicLookFillsFacesAndFramesTheSelection) {
  Paint();
  COLORREF menu = GetSysColor(COLOR_MENU), dark = GetSysColor(COLOR_3DDKSHADOW);
  POINT p0 = Centre(items_[0].Rect), p1 = Centre(items_[1].Rect), p2 = Centre(items_[2].Rect);
  EXPECT_EQ(menu, At(p0.x, p0.y));
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), At(p1.x, p1.y));
  // The selected item: the menu colour inside a dark frame from one pixel
  // below its top to one above its bottom, over its full width.
  RECT r = items_[2].Rect;
  EXPECT_EQ(menu, At(p2.x, p2.y));
  EXPECT_EQ(dark, At(r.left, p2.y));
  EXPECT_EQ(dark, At(r.right, p2.y));
  EXPECT_EQ(dark, At(p2.x, r.top + 1));
  EXPECT_EQ(dark, At(p2.x, r.bottom - 1));
  EXPECT_EQ(menu, At(p2.x, r.top));
  // An unselected item has no frame.
  EXPECT_EQ(menu, At(items_[0].Rect.left, p0.y));
  // The pressed button is outlined dark; the normal one is not.
  EXPECT_EQ(dark, At(m_.Scroll[1].left, m_.Scroll[1].top));
  EXPECT_EQ(menu, At(m_.Scroll[0].left, m_.Scroll[0].top));
}

}  // namespace
