// The launcher window drawn from the fixture skins: every piece from its
// image, the states and design columns of faces, locked buttons and the
// lock marker, caption text, both transparency modes and what is pushed.
#include <gtest/gtest.h>

#include <vector>

#include "render/image.h"
#include "render/paint.h"
#include "render/skin_scene.h"
#include "support/canvas.h"

namespace {

using namespace fixture_skin;

struct PushRecord {
  COLORREF Key;
  BLENDFUNCTION Blend;
  DWORD Flags;
};
std::vector<PushRecord> g_Pushes;

BOOL WINAPI RecordPush(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF key, BLENDFUNCTION* blend, DWORD flags) {
  g_Pushes.push_back({key, blend ? *blend : BLENDFUNCTION{}, flags});
  return TRUE;
}

// The back buffer's 32-bit pixels, top-down.
struct Frame {
  int Width = 0, Height = 0;
  std::vector<DWORD> Bits;
  Frame() {
    const ImageCache& c = g_App.Render.Back;
    Width = c.Width;
    Height = c.Height;
    if (!c.Bits) return;
    GdiFlush();
    Bits.assign(c.Bits, c.Bits + (size_t)c.Width * c.Height);
  }
  DWORD Raw(int x, int y) const {
    if (x < 0 || y < 0 || x >= Width || y >= Height || Bits.empty()) return 0xDEADBEEF;
    return Bits[(size_t)y * Width + x];
  }
  COLORREF At(int x, int y) const {
    DWORD p = Raw(x, y);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  int Alpha(int x, int y) const { return (int)(Raw(x, y) >> 24); }
  // Pixels of the inclusive rectangle that are exactly this colour.
  int Count(const RECT& r, COLORREF c) const {
    int n = 0;
    for (int y = r.top; y <= r.bottom; y++)
      for (int x = r.left; x <= r.right; x++) n += At(x, y) == c;
    return n;
  }
  // Pixels brighter than `level` on every channel (text is blended a little).
  int Bright(const RECT& r, int level) const {
    int n = 0;
    for (int y = r.top; y <= r.bottom; y++)
      for (int x = r.left; x <= r.right; x++) {
        COLORREF c = At(x, y);
        n += GetRValue(c) >= level && GetGValue(c) >= level && GetBValue(c) >= level;
      }
    return n;
  }
};

RECT CellRect(int i) { return g_App.Layout.CellRects[i]; }
RECT TabRect(int i) { return g_App.Layout.TabRects[i]; }
const RECT& Target(int slot) { return g_App.Skin.Slots[slot].Target; }

class SkinnedWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { g_Pushes.clear(); }
  void TearDown() override {
    FreeDrawingResources();
    FreeSlotBitmaps();
    g_App.Render = RenderState{};
    g_App.Layout.HoverTab = -1;
    g_App.Store.HoverCell = g_App.Store.PressedCell = -1;
    g_App.Settings.Status = 0;
  }
  // The scene under a fixture skin; pages P1..Pn, three buttons on P1.
  static bool Build(const Kind& k, RenderScene scene = RenderScene{}, bool zipped = false) {
    // Each build starts from no drawn state, as a fresh window does.
    FreeDrawingResources();
    g_App.Render = RenderState{};
    g_App.Layout.HoverTab = -1;
    g_App.Store.HoverCell = g_App.Store.PressedCell = -1;
    std::wstring path = Path(k.Name, zipped);
    scene.Skin = path.c_str();
    scene.Push = RecordPush;
    if (!BuildRenderScene(scene)) return false;
    return g_App.Skin.TransparencyMode == k.Mode && g_App.Render.Back.Bits;
  }
  // What a transparent pixel of the window holds in this mode.
  static void ExpectClear(const Frame& f, const Kind& k, int x, int y, const char* what) {
    if (k.Mode == SKINMODE_ALPHA)
      EXPECT_EQ(f.Raw(x, y), 0u) << k.Name << ": " << what;
    else
      EXPECT_EQ(f.At(x, y), kKey) << k.Name << ": " << what;
  }
};

TEST_F(SkinnedWindowTest, PiecesLieWhereTheSkinArrangesThem) {
  ASSERT_TRUE(Build(kKinds[0], RenderScene{2, 3}));
  EXPECT_EQ(g_App.Layout.Width, kWidth);
  EXPECT_EQ(g_App.Layout.Height, kHeight);
  EXPECT_EQ(g_App.Render.Back.Width, kWidth);
  struct Case {
    int Slot;
    RECT Want;
  } cases[] = {
      {SLOT_CLOSEBUTTON, kCloseRect},     {SLOT_PINBUTTON, kPinRect},         {SLOT_MODEBUTTON, kModeRect},
      {SLOT_CAPTION, kCaptionRect},       {SLOT_TABAREA, kTabAreaRect},       {SLOT_BUTTONAREA, kButtonAreaRect},
      {SLOT_FRAMETOP, {0, 0, 445, 33}},   {SLOT_FRAMELEFT, {0, 34, 9, 243}},  {SLOT_FRAMERIGHT, {436, 34, 445, 243}},
      {SLOT_FRAMEBOTTOM, {0, 244, 445, 253}}, {SLOT_BACKGROUND, {10, 34, 435, 243}},
  };
  for (const Case& c : cases) EXPECT_TRUE(EqualRect(&Target(c.Slot), &c.Want)) << "slot " << c.Slot;
  RECT cell0 = {kCellLeft, kCellTop, kCellLeft + 57, kCellTop + 57};
  RECT cell8 = {kCellLeft + kCellStep, kCellTop + kCellStep, kCellLeft + kCellStep + 57, kCellTop + kCellStep + 57};
  EXPECT_TRUE(EqualRect(&g_App.Layout.CellRects[0], &cell0));
  EXPECT_TRUE(EqualRect(&g_App.Layout.CellRects[8], &cell8));
  RECT tab1 = {14 + 58 + 2, 38, 14 + 58 + 2 + 57, 57};
  EXPECT_TRUE(EqualRect(&g_App.Layout.TabRects[1], &tab1));
}

// One pixel of every piece, in both transparency modes.
TEST_F(SkinnedWindowTest, EveryPieceShowsItsImage) {
  for (const Kind& k : kKinds) {
    ASSERT_TRUE(Build(k, RenderScene{2, 3})) << k.Name;
    Frame f;
    const RECT c0 = CellRect(0), c5 = CellRect(5), t0 = TabRect(0), t1 = TabRect(1);
    struct Probe {
      const char* What;
      POINT At;
      COLORREF Want;
    } probes[] = {
        {"top frame under the caption", {200, 31}, kFrame},
        {"left frame", {6, 100}, kFrame},
        {"left frame's light line", {4, 100}, kFrameLight},
        {"right frame", {438, 100}, kFrame},
        {"bottom frame", {200, 246}, kFrame},
        {"caption right of its text", {kCaptionRect.right - 2, kCaptionRect.top + 2}, kCaption},
        {"background through the tab area's clear edge", {11, 45}, kBackground},
        {"tab area right of the tabs", {300, 45}, kTabArea},
        {"button area margin", {11, 100}, kButtonArea},
        {"button area between two cells", {c0.right + 1, c0.top + 20}, kButtonArea},
        {"close button", {kCloseRect.left + 2, kCloseRect.top + 7}, kClose[0]},
        {"behind the close button's clear corner", {kCloseRect.left, kCloseRect.top}, kFrame},
        {"pin button", {kPinRect.left + 2, kPinRect.top + 7}, kPin[0]},
        {"view-mode button (cells of its image)", {kModeRect.left + 2, kModeRect.top + 2}, kMode[0]},
        {"current tab, active row", {t0.left + 2, t0.top + 10}, kTab[0][2]},
        {"other tab, normal row", {t1.left + 2, t1.top + 10}, kTab[0][0]},
        {"behind a tab's clear corner", {t1.left, t1.top}, kTabArea},
        {"button face", {c0.left + 8, c0.top + 8}, kButton[0][0]},
        {"face middle stretched from its cell", {c0.left + 29, c0.top + 25}, kButton[0][0]},
        {"empty cell's face", {c5.left + 8, c5.top + 8}, kButton[0][0]},
        {"behind a face's clear corner", {c5.left + 1, c5.top + 1}, kButtonArea},
    };
    for (const Probe& p : probes)
      EXPECT_EQ(Hex(f.At(p.At.x, p.At.y)), Hex(p.Want)) << k.Name << ": " << p.What;
    ExpectClear(f, k, 0, 0, "window corner");
    ExpectClear(f, k, kWidth - 1, kHeight - 1, "opposite corner");
    if (k.Mode == SKINMODE_ALPHA) {
      // The shadow keeps its alpha through every cache: black at 64.
      EXPECT_EQ(f.Raw(1, 100), 0x40000000u) << "left shadow";
      EXPECT_EQ(f.Raw(200, 251), 0x40000000u) << "bottom shadow";
      EXPECT_EQ(f.Alpha(200, 31), 255);
      EXPECT_EQ(f.Alpha(c0.left + 8, c0.top + 8), 255);
    } else {
      ExpectClear(f, k, 1, 100, "left shadow");
      ExpectClear(f, k, 200, 251, "bottom shadow");
    }
  }
}

TEST_F(SkinnedWindowTest, EachModeIsPushedItsOwnWay) {
  for (const Kind& k : kKinds) {
    g_Pushes.clear();
    ASSERT_TRUE(Build(k)) << k.Name;
    ASSERT_EQ(g_Pushes.size(), 1u) << k.Name;
    const PushRecord& p = g_Pushes[0];
    if (k.Mode == SKINMODE_ALPHA) {
      EXPECT_EQ(p.Flags, (DWORD)ULW_ALPHA);
      EXPECT_EQ(p.Blend.AlphaFormat, AC_SRC_ALPHA);
    } else {
      EXPECT_EQ(p.Flags, (DWORD)(ULW_COLORKEY | ULW_ALPHA));
      EXPECT_EQ(p.Key, kKey);
      EXPECT_EQ(p.Blend.AlphaFormat, 0);
    }
    EXPECT_EQ(p.Blend.SourceConstantAlpha, 255) << k.Name;
  }
}

// Hover, press and state changes redraw from the state rows of the images.
TEST_F(SkinnedWindowTest, StatesTakeTheirRows) {
  for (const Kind& k : kKinds) {
    ASSERT_TRUE(Build(k, RenderScene{2, 3})) << k.Name;
    struct Case {
      const char* What;
      void (*Act)();
      int Cell, Tab, Piece;  // the part probed: a cell, a tab or a system button
      COLORREF Want;
    } cases[] = {
        {"hovered button", [] { SetHoverButton(1, 0); }, 1, -1, 0, kButton[0][1]},
        {"the hover left the button", [] { SetHoverButton(2, 0); }, 1, -1, 0, kButton[0][0]},
        {"pressed button",
         [] {
           g_App.Store.PressedCell = 0;
           DrawButton(nullptr, 0, 2, 1, 1);
         },
         0, -1, 0, kButton[0][2]},
        {"hovered tab", [] { SetHoverTab(1); }, -1, 1, 0, kTab[0][1]},
        {"hovered current tab stays active", [] { SetHoverTab(0); }, -1, 0, 0, kTab[0][2]},
        {"close button hovered", [] { SetSystemButtonState(SLOT_CLOSEBUTTON, 1); }, -1, -1, SLOT_CLOSEBUTTON,
         kClose[1]},
        {"close button held", [] { SetSystemButtonState(SLOT_CLOSEBUTTON, 2); }, -1, -1, SLOT_CLOSEBUTTON, kClose[2]},
        {"pinned",
         [] {
           g_App.Settings.Status |= STATUS_PINNED;
           RepaintMainWindow(RP_FRAME | RP_PUSH);
         },
         -1, -1, SLOT_PINBUTTON, kPin[2]},
        {"pinned and hovered", [] { SetSystemButtonState(SLOT_PINBUTTON, 3); }, -1, -1, SLOT_PINBUTTON, kPin[3]},
        {"second view mode's button, hovered", [] { DrawSystemButton(SLOT_MODEBUTTON, nullptr, nullptr, 3, 1); }, -1,
         -1, SLOT_MODEBUTTON, kMode[3]},
    };
    for (const Case& c : cases) {
      size_t pushes = g_Pushes.size();
      c.Act();
      EXPECT_GT(g_Pushes.size(), pushes) << k.Name << ": " << c.What << " was pushed";
      Frame f;
      RECT r = c.Cell >= 0 ? CellRect(c.Cell) : c.Tab >= 0 ? TabRect(c.Tab) : Target(c.Piece);
      POINT at = {r.left + 2, r.top + (c.Cell >= 0 ? 8 : 7)};
      EXPECT_EQ(Hex(f.At(at.x, at.y)), Hex(c.Want)) << k.Name << ": " << c.What;
    }
  }
}

// A page whose designs pick the skin's second column gets faces of its own.
TEST_F(SkinnedWindowTest, PagesTakeTheirDesignColumn) {
  ASSERT_TRUE(Build(kKinds[0], RenderScene{2, 3}));
  EXPECT_EQ(g_App.Render.SharedDesign, 1) << "every page took the skin's colours";
  for (DesignColors& set : g_App.Store.Pages[1].Design.Sets) set.Pattern = 1;
  ApplyDesign();
  EXPECT_EQ(g_App.Render.SharedDesign, 0);
  EXPECT_EQ(g_App.Render.ButtonFaces.Width, 2 * 58);
  ASSERT_TRUE(AddSceneButton(1, L"On two", 0, 0, 1));
  g_App.Store.CurrentPage = g_App.Settings.LastPage = 1;
  RebuildButtonGrid(0);
  RepaintMainWindow(RP_TABS | RP_BUTTONS | RP_PUSH);
  Frame f;
  const RECT c0 = CellRect(0), c3 = CellRect(3), t0 = TabRect(0), t1 = TabRect(1);
  EXPECT_EQ(Hex(f.At(c0.left + 8, c0.top + 8)), Hex(kButton[1][0])) << "a button of page 2";
  EXPECT_EQ(Hex(f.At(c3.left + 8, c3.top + 8)), Hex(kButton[1][0])) << "an empty cell of page 2";
  EXPECT_EQ(Hex(f.At(t1.left + 2, t1.top + 10)), Hex(kTab[1][2])) << "page 2's tab, now current";
  EXPECT_EQ(Hex(f.At(t0.left + 2, t0.top + 10)), Hex(kTab[0][0])) << "page 1's tab";
  // A design column the image does not have falls back to the first.
  for (DesignColors& set : g_App.Store.Pages[1].Design.Sets) set.Pattern = 7;
  ApplyDesign();
  Frame g;
  EXPECT_EQ(Hex(g.At(c0.left + 8, c0.top + 8)), Hex(kButton[0][0]));
}

// A locked button (shown on every page) with a red icon: its own faces, and
// the marker over everything (top), between face and icon (back) or under
// the face, showing only where the face is clear (bottom).
TEST_F(SkinnedWindowTest, LockedButtonsAndTheMarkerOrder) {
  const COLORREF red = RGB(255, 0, 0);
  struct Case {
    int Order;
    COLORREF ClearCorner, Face, OverIcon;  // at (1, 1), (6, 6) and (14, 14) of the cell
  } cases[] = {
      {0, kMarker, kMarker, kMarker},
      {1, kMarker, kMarker, red},
      {2, kMarker, kLocked[0], red},
  };
  for (const Kind& k : kKinds) {
    ASSERT_TRUE(Build(k, RenderScene{2, 0, 9})) << k.Name;
    EXPECT_TRUE(g_App.Render.LockedFaces.Dc);
    EXPECT_TRUE(g_App.Render.LockMarker.Dc);
    ButtonInfo* locked = g_App.Store.Grid[9].Button;
    ASSERT_TRUE(locked && (locked->Type & ITEM_LOCKED));
    locked->Icon[0] = MakeSolidIcon(32, red, 255);
    ASSERT_TRUE(locked->Icon[0]);
    for (const Case& c : cases) {
      g_App.Skin.LockMarkerOrder = c.Order;
      RepaintMainWindow(RP_BUTTONS | RP_PUSH);
      Frame f;
      RECT r = CellRect(9);
      EXPECT_EQ(Hex(f.At(r.left + 1, r.top + 1)), Hex(c.ClearCorner)) << k.Name << " order " << c.Order;
      EXPECT_EQ(Hex(f.At(r.left + 6, r.top + 6)), Hex(c.Face)) << k.Name << " order " << c.Order;
      EXPECT_EQ(Hex(f.At(r.left + 14, r.top + 14)), Hex(c.OverIcon)) << k.Name << " order " << c.Order;
      if (k.Mode == SKINMODE_ALPHA) {
        EXPECT_EQ(f.Alpha(r.left + 14, r.top + 14), 255) << "order " << c.Order;
      }
      EXPECT_EQ(Hex(f.At(r.left + 50, r.top + 30)), Hex(kLocked[0])) << k.Name << ": the locked face";
      RECT plain = CellRect(10);
      EXPECT_EQ(Hex(f.At(plain.left + 6, plain.top + 6)), Hex(kButton[0][0])) << k.Name << ": no marker";
    }
    // Hovered, the locked button takes the hover row of its own faces.
    SetHoverButton(9, 0);
    Frame f;
    EXPECT_EQ(Hex(f.At(CellRect(9).left + 50, CellRect(9).top + 30)), Hex(kLocked[1])) << k.Name;
    DestroyIcon(locked->Icon[0]);
    locked->Icon[0] = nullptr;
  }
}

// Caption text in the skin's caption colour (white), none when the skin has
// no caption element.
TEST_F(SkinnedWindowTest, CaptionTextUnlessTheSkinSuppressesIt) {
  for (const Kind& k : kKinds) {
    ASSERT_TRUE(Build(k)) << k.Name;
    Frame shown;
    EXPECT_GT(shown.Bright(kCaptionRect, 0xE0), 15) << k.Name << ": \"Vantrel\" in white";
    if (k.Mode == SKINMODE_ALPHA) {
      // Text drawn into the back buffer must not punch holes into the window.
      int holes = 0;
      for (int y = kCaptionRect.top; y <= kCaptionRect.bottom; y++)
        for (int x = kCaptionRect.left; x <= kCaptionRect.right; x++) holes += shown.Alpha(x, y) != 255;
      EXPECT_EQ(holes, 0) << k.Name;
    }
    g_App.Skin.Flags |= SKF_NO_CAPTION;
    RepaintMainWindow(RP_FRAME | RP_PUSH);
    Frame f;
    EXPECT_EQ(f.Bright(kCaptionRect, 0xE0), 0) << k.Name;
    EXPECT_EQ(f.Count(kCaptionRect, kCaption), (kCaptionRect.right - kCaptionRect.left + 1) *
                                                   (kCaptionRect.bottom - kCaptionRect.top + 1))
        << k.Name << ": the bare caption image";
  }
}

// A state the skin gives no image shows the nearest state it has; a system
// button the skin leaves out has no strip at all.
TEST_F(SkinnedWindowTest, MissingStateImagesAndButtons) {
  for (const Kind& k : kKinds) {
    ASSERT_TRUE(Build(k)) << k.Name;
    EXPECT_FALSE(g_App.Render.SysButtons[SYSBTN_SEARCH].Dc) << k.Name;
    SkinSlot* s = g_App.Skin.Slots;
    // These slots share the image of the normal slot: dropping their handles
    // frees nothing.
    ASSERT_EQ(s[SLOT_CLOSEBUTTON + 1].FileName[0], L'\\');
    ASSERT_EQ(s[SLOT_PINBUTTON + 3].FileName[0], L'\\');
    s[SLOT_CLOSEBUTTON + 1].Dc = nullptr;
    s[SLOT_PINBUTTON + 3].Dc = nullptr;
    BuildSystemButtonImages();
    DrawSystemButton(SLOT_CLOSEBUTTON, nullptr, nullptr, 1, 0);
    DrawSystemButton(SLOT_PINBUTTON, nullptr, nullptr, 3, 1);
    Frame f;
    EXPECT_EQ(Hex(f.At(kCloseRect.left + 2, kCloseRect.top + 7)), Hex(kClose[0])) << k.Name << ": hover -> normal";
    EXPECT_EQ(Hex(f.At(kPinRect.left + 2, kPinRect.top + 7)), Hex(kPin[2])) << k.Name << ": down and hover -> down";
  }
}

// A repaint copies the pieces it composed before; whatever changed since
// must show exactly as a repaint from nothing draws it.
TEST_F(SkinnedWindowTest, RepaintsShowWhatChangedSinceTheLast) {
  for (const Kind& k : kKinds) {
    ASSERT_TRUE(Build(k, RenderScene{2, 3})) << k.Name;
    struct Case {
      const char* What;
      void (*Act)();
      bool Changes;  // the window looks different afterwards
    } cases[] = {
        {"button renamed", [] { g_App.Store.Grid[0].Button->Name = StoreDupString(L"Renamed at last"); }, true},
        {"tab renamed", [] { g_App.Store.Pages[1].Name = StoreDupString(L"Other"); }, true},
        {"new icon", [] { g_App.Store.Grid[1].Button->Icon[0] = MakeSolidIcon(32, RGB(0, 255, 0), 255); }, true},
        {"another icon", [] { g_App.Store.Grid[1].Button->Icon[0] = MakeSolidIcon(32, RGB(0, 0, 255), 255); }, true},
        {"hovered", [] { SetHoverButton(1, 0); }, true},
        {"hover left", [] { SetHoverButton(-1, 0); }, true},
        {"tab hovered", [] { SetHoverTab(1); }, true},
        {"tab hover left", [] { SetHoverTab(-1); }, true},
        {"button locked", [] { g_App.Store.Grid[2].Button->Type |= ITEM_LOCKED; }, true},
        {"nothing", [] {}, false},
    };
    const int all = RP_FRAME | RP_TABS | RP_BUTTONS | RP_PUSH;
    RepaintMainWindow(all);
    Frame before;
    for (const Case& c : cases) {
      c.Act();
      RepaintMainWindow(all);
      Frame cached;
      ForgetComposedPieces();
      RepaintMainWindow(all);
      Frame fresh;
      ASSERT_EQ(cached.Bits.size(), fresh.Bits.size());
      EXPECT_TRUE(cached.Bits == fresh.Bits) << k.Name << ": " << c.What;
      EXPECT_EQ(cached.Bits != before.Bits, c.Changes) << k.Name << ": " << c.What;
      before = fresh;
    }
  }
}

// The same skin read from its folder and from its archive draws the same.
TEST_F(SkinnedWindowTest, FolderAndZipDrawTheSame) {
  for (const Kind& k : kKinds) {
    ASSERT_TRUE(Build(k, RenderScene{2, 3, 9})) << k.Name;
    EXPECT_EQ(g_App.Skin.Flags & SKF_ZIPPED, 0u);
    Frame folder;
    ASSERT_TRUE(Build(k, RenderScene{2, 3, 9}, true)) << k.Name;
    EXPECT_EQ(g_App.Skin.Flags & SKF_ZIPPED, (UINT)SKF_ZIPPED);
    Frame zip;
    ASSERT_EQ(folder.Bits.size(), zip.Bits.size());
    EXPECT_TRUE(folder.Bits == zip.Bits) << k.Name;
  }
}

}  // namespace
