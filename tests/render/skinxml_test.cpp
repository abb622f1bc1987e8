#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "render/draw.h"
#include "render/image.h"
#include "render/skinxml.h"
#include "render/xmlscan.h"
#include "state.h"
#include "store/lists.h"
#include "store/paths.h"

namespace {

// Images the fake loader knows; any other name fails to load.
std::map<std::wstring, SIZE> g_images;
std::vector<std::wstring> g_loaded;
int g_screenBits = 32;

// Lower slots lend their images by the loader's own rule; only reading and
// decoding a file is faked.
int FakeLoadSlotImage(SkinSlot* slot) {
  if (BorrowSlotImage((int)(slot - g_App.Skin.Slots))) return 1;
  g_loaded.push_back(slot->FileName);
  auto it = g_images.find(slot->FileName);
  if (it == g_images.end()) return 0;
  slot->ImageWidth = it->second.cx;
  slot->ImageHeight = it->second.cy;
  // Handles that only identify the image; nothing hands them to GDI.
  slot->Dc = reinterpret_cast<HDC>(0x10000 + g_loaded.size() * 16);
  slot->Bitmap = reinterpret_cast<HBITMAP>(0x20000 + g_loaded.size() * 16);
  return 1;
}

int FakeScreenBits() { return g_screenBits; }

// A skin using every element, in the newer text layout.
const wchar_t kFullSkin[] = LR"(<?xml version="1.0" encoding="UTF-16"?>
<skin title="Full" author="Someone" version="1">
  <comment>Two<br/>lines</comment>
  <general tabPosition="Bottom" alphaChannel="false" clippingColor="#29507E" sizeArea="4, 5, 6, 7" shadowArea="1, 2, 3, 4"/>
  <background image="back.png" left="1/2" top="3/4" width="1/2" height="1/4" method="Tile" border="3, 3, -3, 3">
    <arrangement offset="1, 2, -3, -4"/>
  </background>
  <frame>
    <left image="frame.png" left="0" top="0" width="10"><arrangement width="ImageSize"/></left>
    <top image="frame.png"><arrangement height="Variable"/></top>
    <right><arrangement width="12"/></right>
    <bottom image="bottom.png" height="9"><arrangement height="ImageSize"/></bottom>
  </frame>
  <closebutton>
    <normal image="close.png" left="0" top="0" width="16" height="14"/>
    <hover image="close.png" left="16"/>
    <down image="close.png"/>
    <arrangement>
      <left base="TopFrame" side="right" offset="-20"/>
      <top base="TopFrame" side="top" offset="3"/>
      <right width="ImageSize"/>
      <bottom height="Variable" base="TopFrame" side="bottom" offset="-2"/>
    </arrangement>
  </closebutton>
  <lockbutton>
    <normal image="pin.png"/><hover image="pin.png"/><down image="pin.png"/><downhover image="pin.png"/>
    <arrangement>
      <left base="CloseButton" side="left" offset="-18"/>
      <top base="LockButton" side="top"/>
      <right/>
      <bottom height="14"/>
    </arrangement>
  </lockbutton>
  <caption image="caption.png">
    <arrangement>
      <left base="PinButton" side="right" offset="2"/>
      <top base="TopFrame" side="top" offset="1"/>
      <right base="CloseButton" side="left" width="Variable" offset="-2"/>
      <bottom base="TopFrame" side="bottom" height="variable"/>
    </arrangement>
    <text face="Tahoma" size="11" style="bold" antiAlias="true">
      <decoration shadow="lower" color="#FFFFFF" shadowColor="#000000" shadowAlpha="128" shadowWidth="2"/>
    </text>
  </caption>
  <tabarea image="tabarea.png">
    <arrangement offset="2, 0, -2, -5" margin="1, 2, 3, 4"/>
    <tab image="tab.png" designs="2">
      <arrangement pitch="3, 4"/>
      <text>
        <font><active fontFace="Verdana" fontSize="10" fontStyle="Bold Italic"/><inactive face="Verdana" size="9"/></font>
        <decoration>
          <normal color="#101010"/>
          <hover color="#202020" shadow="upper"/>
          <active color="#303030" shadow="outline" shadowAlpha="300"/>
        </decoration>
      </text>
    </tab>
  </tabarea>
  <buttonarea>
    <arrangement offset="0, 1, -3, -1" margin="5, 6, 7, 8"/>
    <button image="button.png" pattern="3">
      <arrangement pitch="1, 2" shiftHover="0, -1" shiftDown="1, 1"/>
      <text>
        <font face="Arial" size="8"/>
        <decoration><normal color="#010101"/><hover color="#020202"/><down color="#030303"/></decoration>
      </text>
    </button>
    <lockedbutton image="locked.png" designs="2"/>
    <lockmarker image="lock.png">
      <arrangement offset="2, 2, 0, 0" zOrder="bottom"/>
    </lockmarker>
  </buttonarea>
  <submenu image="menu.png" border="4, 4, 4, 4">
    <arrangement shadowArea="5, 5, 5, 5"/>
    <frame>
      <left image="menuframe.png"><arrangement width="3"/></left>
      <top image="menuframe.png"><arrangement height="3"/></top>
      <right image="menuframe.png"><arrangement width="3"/></right>
      <bottom image="menuframe.png"><arrangement height="3"/></bottom>
    </frame>
    <item>
      <normal image="item.png" left="0" top="1/3" width="1/1" height="1/3"/>
      <selected image="item.png" left="0" top="2/3" width="1/1" height="1/3"/>
      <multisel image="item.png" left="0" top="3/3" width="1/1" height="1/3"/>
      <arrangement margin="3, 2, 3, 2" interval="5"/>
      <text>
        <font face="Tahoma" size="12"/>
        <decoration><normal color="#0000FF"/><selected color="#00FF00"/><disabled color="#808080"/></decoration>
      </text>
    </item>
    <scrollbutton>
      <normal image="scroll.png"/><hover image="scroll.png"/><down image="scroll.png"/><disabled image="scroll.png"/>
      <arrangement interval="2" width="18" height="12"/>
      <uparrow><normal image="arrows.png"/><disabled image="arrows.png"/></uparrow>
      <rightarrow><hover image="arrows.png"/></rightarrow>
    </scrollbutton>
  </submenu>
  <searchwindow image="search.png">
    <arrangement sizeArea="8, 0, 8, 0" shadowArea="6, 6, 6, 6"/>
    <item>
      <normal image="result.png"/>
      <selected image="result.png"/>
      <text><decoration><normal color="#111111"/><selected color="#222222"/></decoration></text>
    </item>
  </searchwindow>
  <recommended>
    <mode1>
      <caption textMargin="1, 2, 3, 4" centerText="true"/>
      <tab size="600, 30" fixedWidth="true"/>
      <button size="60, 70" count="8, 4000" iconSize="24"/>
    </mode1>
  </recommended>
</skin>
)";

// The least a skin must hold (no design of its own taken), ending with the
// last element a skin requires.
const wchar_t kMinimalSkin[] =
    L"<skin>\r\n"
    L"<general tabPosition=\"top\"/>\r\n"
    L"<background><arrangement offset=\"0,0,0,0\"/></background>\r\n"
    L"<frame><left><arrangement width=\"2\"/></left><top><arrangement height=\"Variable\"/></top>"
    L"<right><arrangement width=\"2\"/></right><bottom><arrangement height=\"2\"/></bottom></frame>\r\n"
    L"<tabarea><arrangement offset=\"0,0,0,0\" margin=\"0,0,0,0\"/>"
    L"<tab image=\"tab.png\" designs=\"1\"><arrangement pitch=\"0,0\"/></tab></tabarea>\r\n"
    L"<buttonarea><arrangement offset=\"0,0,0,0\" margin=\"0,0,0,0\"/>"
    L"<button image=\"button.png\" designs=\"1\"><arrangement pitch=\"0,0\" shiftHover=\"0,0\" shiftDown=\"1,1\"/>"
    L"</button></buttonarea>\r\n"
    L"<submenu image=\"menu.png\"><item><normal image=\"item.png\"/><selected image=\"item.png\"/>"
    L"<multisel image=\"item.png\"/></item></submenu>\r\n"
    L"</skin>\r\n";

// The full skin with each `from` (which must occur) replaced by `to`.
std::wstring Edited(const std::wstring& doc, std::initializer_list<std::pair<const wchar_t*, const wchar_t*>> edits) {
  std::wstring out = doc;
  for (const auto& e : edits) {
    size_t at = out.find(e.first);
    EXPECT_NE(at, std::wstring::npos) << "no such text in the skin";
    if (at != std::wstring::npos) out.replace(at, wcslen(e.first), e.second);
  }
  return out;
}

class SkinXmlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = g_SkinXmlSeams;
    g_SkinXmlSeams.LoadSlotImage = FakeLoadSlotImage;
    g_SkinXmlSeams.ScreenBitsPerPixel = FakeScreenBits;
    g_screenBits = 32;
    g_loaded.clear();
    g_images = {
        {L"back.png", {40, 80}},     {L"frame.png", {10, 20}},  {L"bottom.png", {30, 9}},  {L"close.png", {48, 14}},
        {L"pin.png", {16, 16}},      {L"caption.png", {100, 20}}, {L"tabarea.png", {10, 10}}, {L"tab.png", {60, 90}},
        {L"button.png", {90, 90}},   {L"locked.png", {40, 40}}, {L"lock.png", {8, 8}},     {L"menu.png", {20, 20}},
        {L"menuframe.png", {3, 3}},  {L"item.png", {30, 30}},   {L"scroll.png", {16, 16}}, {L"arrows.png", {8, 8}},
        {L"search.png", {20, 20}},   {L"result.png", {10, 10}},
    };
    ClearItemStore();
    g_App.Settings = SettingsState{};
    g_App.Design = DesignState{};
    ResetAllDesigns();
    Clear();
  }
  void TearDown() override {
    Clear();
    ClearItemStore();
    g_App.Design = DesignState{};
    g_SkinXmlSeams = saved_;
  }
  // The fake handles are never freed: the slots are only forgotten.
  static void Clear() {
    g_App.Skin = SkinSettings{};
    g_App.SkinText = SkinTextState{};
  }
  static int Load(const std::wstring& doc, int takeDesign = 0) {
    Clear();
    g_loaded.clear();
    return LoadSkinXmlText(doc.c_str(), takeDesign);
  }
  static const SkinSlot& Slot(int i) { return g_App.Skin.Slots[i]; }
  SkinXmlSeams saved_;
};

void ExpectSource(const SkinSlot& s, int left, int top, int width, int height) {
  EXPECT_EQ(s.SourceLeft, left);
  EXPECT_EQ(s.SourceTop, top);
  EXPECT_EQ(s.SourceWidth, width);
  EXPECT_EQ(s.SourceHeight, height);
}

void ExpectEdges(const SkinSlot& s, std::initializer_list<UINT> codes, std::initializer_list<int> offsets) {
  int i = 0;
  for (UINT c : codes) EXPECT_EQ(s.Edge[i++], c) << "edge " << i - 1;
  i = 0;
  for (int o : offsets) EXPECT_EQ(s.Offset[i++], o) << "offset " << i - 1;
}

void ExpectRect(const RECT& r, int l, int t, int rr, int b) {
  EXPECT_EQ(r.left, l);
  EXPECT_EQ(r.top, t);
  EXPECT_EQ(r.right, rr);
  EXPECT_EQ(r.bottom, b);
}

TEST_F(SkinXmlTest, FullSkinGivesTheWindowValues) {
  ASSERT_EQ(Load(kFullSkin), 1);
  const SkinSettings& k = g_App.Skin;
  EXPECT_EQ(k.TabPosition, TABPOS_BOTTOM);
  EXPECT_EQ(k.TransparencyMode, SKINMODE_CLIPPING);
  EXPECT_EQ(k.ClipColor, RGB(0x29, 0x50, 0x7E));
  ExpectRect(k.SizeArea, 4, 5, 6, 7);
  ExpectRect(k.MainShadow, 1, 2, 3, 4);
  EXPECT_EQ(k.Flags & SKF_NO_CAPTION, 0u);

  // Background cut into cells of a 40 x 80 image, tiled; a negative border is none.
  ExpectSource(Slot(SLOT_BACKGROUND), 0, 40, 20, 20);
  EXPECT_EQ(Slot(SLOT_BACKGROUND).Flags, 1u);
  ExpectRect(Slot(SLOT_BACKGROUND).Border, 3, 3, 0, 3);
  EXPECT_EQ(Slot(SLOT_BACKGROUND).Offset[EDGE_LEFT], 1);
  EXPECT_EQ(Slot(SLOT_BACKGROUND).Offset[EDGE_BOTTOM], -4);

  // Frame: image size, variable, a number, and a width read without its left.
  EXPECT_EQ(Slot(SLOT_FRAMELEFT).Edge[EDGE_RIGHT], (UINT)ARR_SIZE);
  EXPECT_EQ(Slot(SLOT_FRAMELEFT).Offset[EDGE_RIGHT], 10);
  EXPECT_EQ(Slot(SLOT_FRAMETOP).Edge[EDGE_BOTTOM], (UINT)ARR_VARIABLE);
  EXPECT_EQ(Slot(SLOT_FRAMERIGHT).Edge[EDGE_RIGHT], (UINT)ARR_SIZE);
  EXPECT_EQ(Slot(SLOT_FRAMERIGHT).Offset[EDGE_RIGHT], 12);
  EXPECT_STREQ(Slot(SLOT_FRAMERIGHT).FileName, L"");
  ExpectSource(Slot(SLOT_FRAMEBOTTOM), 0, 0, 0, 0);
  EXPECT_EQ(Slot(SLOT_FRAMEBOTTOM).Offset[EDGE_BOTTOM], 0);

  // Tab position bottom: the frames and areas take their bases from it.
  EXPECT_EQ(Slot(SLOT_FRAMEBOTTOM).Edge[EDGE_TOP], (UINT)(ARR_BOTTOM | SLOT_TABAREA));
  EXPECT_EQ(Slot(SLOT_TABAREA).Edge[EDGE_TOP], (UINT)(ARR_BOTTOM | SLOT_BUTTONAREA));
  EXPECT_EQ(Slot(SLOT_BUTTONAREA).Edge[EDGE_TOP], (UINT)(ARR_BOTTOM | SLOT_FRAMETOP));
  EXPECT_EQ(Slot(SLOT_FRAMEBOTTOM).Offset[EDGE_TOP], 5);
  EXPECT_EQ(Slot(SLOT_FRAMERIGHT).Offset[EDGE_LEFT], 3);

  // Areas and their tabs and buttons.
  ExpectEdges(Slot(SLOT_TABAREA), {}, {2, 0, -2, -5});
  ExpectRect(k.TabAreaMargin, 1, 2, 3, 4);
  ExpectRect(k.ButtonAreaMargin, 5, 6, 7, 8);
  EXPECT_EQ(k.DesignCount[0], 2);
  EXPECT_EQ(k.DesignCount[1], 3);
  EXPECT_EQ(k.DesignCount[2], 2);
  EXPECT_EQ(k.TabPitch.x, 3);
  EXPECT_EQ(k.TabPitch.y, 4);
  EXPECT_EQ(k.ButtonPitch.y, 2);
  EXPECT_EQ(k.ShiftHover.y, -1);
  EXPECT_EQ(k.ShiftDown.x, 1);
  EXPECT_EQ(k.LockMarkerOrder, 2);
  ExpectEdges(Slot(SLOT_LOCKMARKER), {}, {2, 2, 0, 0});
}

TEST_F(SkinXmlTest, FullSkinGivesTheSystemButtonsAndCaption) {
  ASSERT_EQ(Load(kFullSkin), 1);
  ExpectSource(Slot(SLOT_CLOSEBUTTON), 0, 0, 16, 14);
  ExpectSource(Slot(SLOT_CLOSEBUTTON + 1), 16, 0, 0, 0);  // reading stops at the missing top
  ExpectEdges(Slot(SLOT_CLOSEBUTTON), {ARR_RIGHT | SLOT_FRAMETOP, ARR_TOP | SLOT_FRAMETOP, ARR_SIZE, ARR_BOTTOM | SLOT_FRAMETOP},
              {-20, 3, 16, -2});
  // pinbutton is missing, so lockbutton; a LockButton base is the pin button's.
  EXPECT_STREQ(Slot(SLOT_PINBUTTON + 3).FileName, L"\\pin.png");
  ExpectEdges(Slot(SLOT_PINBUTTON), {ARR_LEFT | SLOT_CLOSEBUTTON, ARR_TOP | SLOT_PINBUTTON, ARR_SIZE, ARR_SIZE},
              {-18, 0, 0, 14});
  // No mode or search button.
  EXPECT_STREQ(Slot(SLOT_MODEBUTTON).FileName, L"");
  EXPECT_EQ(Slot(SLOT_SEARCHBUTTON).Bitmap, nullptr);
  // A variable right edge follows its base, whatever the case of the keyword.
  ExpectEdges(Slot(SLOT_CAPTION),
              {ARR_RIGHT | SLOT_PINBUTTON, ARR_TOP | SLOT_FRAMETOP, ARR_LEFT | SLOT_CLOSEBUTTON, ARR_BOTTOM | SLOT_FRAMETOP},
              {2, 1, -2, 0});
}

TEST_F(SkinXmlTest, FullSkinGivesTheSubMenuAndSearchWindow) {
  ASSERT_EQ(Load(kFullSkin), 1);
  const SkinSettings& k = g_App.Skin;
  const DesignColors* colors = g_App.SkinText.TextColors;
  EXPECT_EQ(g_App.SkinText.SkinTextFlags,
            (UINT)(STF_SUBMENU_IMAGES | STF_TAB_TEXT | STF_NEW_TEXT_LAYOUT | STF_SEARCH_IMAGES));
  ExpectRect(Slot(SLOT_SUBMENU).Border, 4, 4, 4, 4);
  ExpectRect(k.SubMenuShadow, 5, 5, 5, 5);
  for (int i = 0; i < 4; i++) EXPECT_EQ(Slot(SLOT_SUBMENUFRAME + i).Offset[i % 2 ? EDGE_BOTTOM : EDGE_RIGHT], 3) << i;
  ExpectSource(Slot(33), 0, 0, 30, 10);
  ExpectSource(Slot(34), 0, 10, 30, 10);
  ExpectSource(Slot(35), 0, 20, 30, 10);
  ExpectRect(k.ItemMargin, 3, 2, 3, 2);
  EXPECT_EQ(k.ItemInterval, 5);
  EXPECT_EQ(colors[SKT_ITEM_NORMAL].TextClr1, RGB(0, 0, 0xFF));
  EXPECT_EQ(colors[SKT_ITEM_SELECTED].TextClr1, RGB(0, 0xFF, 0));
  EXPECT_EQ(colors[SKT_ITEM_DISABLED].TextClr1, RGB(0x80, 0x80, 0x80));
  EXPECT_EQ(k.ScrollButtonInterval, 2);
  EXPECT_EQ(k.ScrollButtonWidth, 18);
  EXPECT_EQ(k.ScrollButtonHeight, 12);
  EXPECT_NE(Slot(39).Bitmap, nullptr);
  // Arrow pieces at 40 + 4 x arrow + state; the ones not named stay empty.
  EXPECT_NE(Slot(40).Bitmap, nullptr);
  EXPECT_NE(Slot(43).Bitmap, nullptr);
  EXPECT_NE(Slot(53).Bitmap, nullptr);
  EXPECT_EQ(Slot(41).Bitmap, nullptr);
  EXPECT_EQ(Slot(44).Bitmap, nullptr);

  EXPECT_STREQ(Slot(SLOT_SEARCHWINDOW).FileName, L"search.png");
  ExpectRect(k.SearchSizeArea, 8, 0, 8, 0);
  ExpectRect(k.SearchShadow, 6, 6, 6, 6);
  EXPECT_STREQ(Slot(62).FileName, L"\\result.png");
  EXPECT_EQ(colors[SKT_SEARCH_NORMAL].TextClr1, 0x111111u);
  EXPECT_EQ(colors[SKT_SEARCH_SELECTED].TextClr1, 0x222222u);
}

TEST_F(SkinXmlTest, SlotsNamingOneFileShareOneImage) {
  ASSERT_EQ(Load(kFullSkin), 1);
  // Each file decoded once.
  std::map<std::wstring, int> count;
  for (const std::wstring& name : g_loaded) count[name]++;
  for (const auto& c : count) EXPECT_EQ(c.second, 1) << std::string(c.first.begin(), c.first.end());
  EXPECT_EQ(count.size(), g_images.size());
  // The first slot owns it; later ones borrow it with the mark.
  EXPECT_STREQ(Slot(SLOT_FRAMELEFT).FileName, L"frame.png");
  EXPECT_STREQ(Slot(SLOT_FRAMETOP).FileName, L"\\frame.png");
  EXPECT_EQ(Slot(SLOT_FRAMETOP).Bitmap, Slot(SLOT_FRAMELEFT).Bitmap);
  EXPECT_EQ(Slot(SLOT_FRAMETOP).Dc, Slot(SLOT_FRAMELEFT).Dc);
  EXPECT_EQ(Slot(SLOT_FRAMETOP).ImageHeight, 20);
  EXPECT_STREQ(Slot(SLOT_CLOSEBUTTON + 2).FileName, L"\\close.png");
}

TEST_F(SkinXmlTest, TakesTheSkinsDesignOnlyWhenAsked) {
  ASSERT_EQ(AddPage(L"A"), 0);
  ASSERT_EQ(AddPage(L"B"), 1);
  g_App.Store.Pages[1].Design.Sets[PD_BUTTONN].Pattern = 2;
  const DesignState before = g_App.Design;

  // With a design file of its own: the design stays, the skin's item colours are taken.
  ASSERT_EQ(Load(kFullSkin, 0), 1);
  EXPECT_EQ(0, memcmp(&before, &g_App.Design, sizeof before));
  EXPECT_EQ(g_App.SkinText.TextColors[SKT_ITEM_NORMAL].TextClr1, RGB(0, 0, 0xFF));
  EXPECT_EQ(g_App.Store.Pages[1].Design.Sets[PD_BUTTONN].Pattern, 2);

  ASSERT_EQ(Load(kFullSkin, 1), 1);
  const DesignState& d = g_App.Design;
  for (int m = 0; m < 2; m++) {
    SCOPED_TRACE(m);
    const FontEntry* f = d.ViewMode[m].Fonts;
    EXPECT_STREQ(f[FONT_CAPTION].Face, L"Tahoma");
    EXPECT_EQ(f[FONT_CAPTION].Size, 11);
    EXPECT_EQ(f[FONT_CAPTION].Flag, (UINT)(FEF_BOLD | FEF_ANTIALIAS));
    EXPECT_STREQ(f[FONT_TABA].Face, L"Verdana");
    EXPECT_EQ(f[FONT_TABA].Size, 10);
    EXPECT_EQ(f[FONT_TABA].Flag, (UINT)(FEF_BOLD | FEF_ITALIC));
    EXPECT_EQ(f[FONT_TABB].Size, 9);
    EXPECT_EQ(f[FONT_TABB].Flag, 0u);
    EXPECT_STREQ(f[FONT_BUTTON].Face, L"Arial");
    EXPECT_EQ(f[FONT_SUBMENU].Size, 12);
  }
  EXPECT_EQ(d.Window.Flag & 0x700, (UINT)DCF_SHADOW_LOWER);
  EXPECT_EQ(d.Window.TextClr1, 0xFFFFFFu);
  EXPECT_EQ(d.Window.TextClr2, 0u);
  EXPECT_EQ(d.Window.ShadowAlpha, 128);
  EXPECT_EQ(d.Window.ShadowWidth, 2);
  const DesignColors* s = d.PageDefault.Sets;
  EXPECT_EQ(s[PD_TABN].TextClr1, 0x101010u);
  EXPECT_EQ(s[PD_TABH].Flag & 0x700, (UINT)DCF_SHADOW_UPPER);
  EXPECT_EQ(s[PD_TABS].Flag & 0x700, (UINT)DCF_OUTLINE);
  EXPECT_EQ(s[PD_TABS].ShadowAlpha, 255);  // out of range: the default
  EXPECT_EQ(s[PD_BUTTONN].TextClr1, 0x010101u);
  EXPECT_EQ(s[PD_BUTTONH].TextClr1, 0x020202u);
  EXPECT_EQ(s[PD_BUTTOND].TextClr1, 0x030303u);
  // Every page takes the skin's colours, in the first design column.
  for (int p = 0; p < 2; p++) {
    SCOPED_TRACE(p);
    EXPECT_EQ(0, memcmp(&g_App.Store.Pages[p].Design, &d.PageDefault, sizeof(PageDesign)));
    EXPECT_EQ(g_App.Store.Pages[p].Design.Sets[PD_BUTTONN].Pattern, 0);
  }
}

TEST_F(SkinXmlTest, ReadsTheOlderTextLayout) {
  std::wstring doc = Edited(
      kFullSkin,
      {{L"<text>\n        <font><active", L"<oldtext><font><active"},
       {L"</decoration>\n      </text>\n    </tab>",
        L"</decoration></oldtext>\n"
        L"<active><text face=\"Old\" size=\"7\" color=\"#0A0B0C\"><hover/></text></active>"
        L"<inactive><text size=\"6\"><decoration color=\"#0D0E0F\"/><hover color=\"#1A1B1C\"/></text></inactive>"
        L"</tab>"},
       {L"<font face=\"Arial\" size=\"8\"/>", L""},
       {L"<text>\n        \n        <decoration><normal color=\"#010101\"/>",
        L"<text size=\"5\"><decoration color=\"#050505\"><normal color=\"#010101\"/>"}});
  ASSERT_EQ(Load(doc, 1), 1);
  EXPECT_EQ(g_App.SkinText.SkinTextFlags & (STF_TAB_TEXT | STF_NEW_TEXT_LAYOUT), 0u);
  const DesignState& d = g_App.Design;
  EXPECT_STREQ(d.ViewMode[0].Fonts[FONT_TABA].Face, L"Old");
  EXPECT_EQ(d.ViewMode[0].Fonts[FONT_TABA].Size, 7);
  EXPECT_EQ(d.ViewMode[0].Fonts[FONT_TABB].Size, 6);
  EXPECT_STREQ(d.ViewMode[0].Fonts[FONT_TABB].Face, L"");
  EXPECT_EQ(d.PageDefault.Sets[PD_TABS].TextClr1, RGB(0x0A, 0x0B, 0x0C));
  EXPECT_EQ(d.PageDefault.Sets[PD_TABN].TextClr1, RGB(0x0D, 0x0E, 0x0F));
  EXPECT_EQ(d.PageDefault.Sets[PD_TABH].TextClr1, RGB(0x1A, 0x1B, 0x1C));
  // The button's text element carries font and colours; pressed looks normal.
  EXPECT_EQ(d.ViewMode[0].Fonts[FONT_BUTTON].Size, 5);
  EXPECT_EQ(d.PageDefault.Sets[PD_BUTTONN].TextClr1, RGB(5, 5, 5));
  EXPECT_EQ(d.PageDefault.Sets[PD_BUTTOND].TextClr1, RGB(5, 5, 5));
  // Without the newer tab layout the item colours come from the item's text.
  EXPECT_EQ(g_App.SkinText.TextColors[SKT_ITEM_SELECTED].TextClr1, 0u);

  // The older tab text needs its hover children.
  EXPECT_EQ(Load(Edited(doc, {{L"<hover/>", L""}}), 1), 0);
  EXPECT_EQ(Load(Edited(doc, {{L"<hover/>", L""}}), 0), 1);
}

TEST_F(SkinXmlTest, ReadsTheCasesOfOptionalElements) {
  // No caption: no caption text, slot emptied.
  size_t from = std::wstring(kFullSkin).find(L"<caption");
  size_t to = std::wstring(kFullSkin).find(L"</caption>") + 10;
  std::wstring noCaption = std::wstring(kFullSkin).erase(from, to - from);
  ASSERT_EQ(Load(noCaption, 1), 1);
  EXPECT_EQ(g_App.Skin.Flags & SKF_NO_CAPTION, (UINT)SKF_NO_CAPTION);
  EXPECT_EQ(Slot(SLOT_CAPTION).Edge[EDGE_LEFT], 0u);
  EXPECT_EQ(Slot(SLOT_CAPTION).Offset[EDGE_TOP], 0);

  // No search window: the sub-menu's pieces, borders and colours.
  from = std::wstring(kFullSkin).find(L"<searchwindow");
  to = std::wstring(kFullSkin).find(L"</searchwindow>") + 15;
  std::wstring noSearch = std::wstring(kFullSkin).erase(from, to - from);
  ASSERT_EQ(Load(noSearch), 1);
  EXPECT_EQ(g_App.SkinText.SkinTextFlags & STF_SEARCH_IMAGES, 0u);
  EXPECT_STREQ(Slot(SLOT_SEARCHWINDOW).FileName, L"\\menu.png");
  EXPECT_EQ(Slot(SLOT_SEARCHWINDOW).Bitmap, Slot(SLOT_SUBMENU).Bitmap);
  EXPECT_STREQ(Slot(SLOT_SEARCHFRAME).FileName, L"\\menuframe.png");
  EXPECT_STREQ(Slot(SLOT_SEARCHFRAME + 1).FileName, L"\\menuframe.png");  // a borrower stays marked once
  EXPECT_STREQ(Slot(61).FileName, L"\\item.png");
  ExpectSource(Slot(62), 0, 10, 30, 10);
  ExpectRect(g_App.Skin.SearchShadow, 5, 5, 5, 5);
  ExpectRect(g_App.Skin.SearchSizeArea, 4, 0, 6, 0);
  EXPECT_EQ(g_App.SkinText.TextColors[SKT_SEARCH_SELECTED].TextClr1, RGB(0, 0xFF, 0));

  // pinbutton wins over lockbutton; the mode button with its four states.
  std::wstring buttons = Edited(kFullSkin, {{L"<closebutton>", L"<pinbutton><normal image=\"close.png\"/>"
                                                               L"<hover/><down/><downhover/><arrangement><left/><top/>"
                                                               L"<right/><bottom/></arrangement></pinbutton>"
                                                               L"<modebutton><normal image=\"pin.png\"/><hover/><down/>"
                                                               L"<downhover/><arrangement><left base=\"SearchButton\"/>"
                                                               L"<top/><right/><bottom/></arrangement></modebutton>"
                                                               L"<closebutton>"}});
  ASSERT_EQ(Load(buttons), 1);
  EXPECT_STREQ(Slot(SLOT_CLOSEBUTTON).FileName, L"close.png");
  EXPECT_STREQ(Slot(SLOT_PINBUTTON).FileName, L"\\close.png");  // read after the close button
  EXPECT_STREQ(Slot(SLOT_PINBUTTON + 1).FileName, L"");
  EXPECT_STREQ(Slot(SLOT_MODEBUTTON).FileName, L"pin.png");
  EXPECT_EQ(Slot(SLOT_MODEBUTTON).Edge[EDGE_LEFT], (UINT)SLOT_SEARCHBUTTON);  // no side
}

TEST_F(SkinXmlTest, AnEmptyElementTakesNothingFromItsSiblings) {
  // The lock marker written empty, before the area's own arrangement.
  std::wstring doc = Edited(kFullSkin, {{L"<lockmarker image=\"lock.png\">\n      <arrangement offset=\"2, 2, 0, 0\" zOrder=\"bottom\"/>\n    </lockmarker>", L""},
                                        {L"<buttonarea>", L"<buttonarea><lockmarker image=\"lock.png\"/>"},
                                        {L"margin=\"5, 6, 7, 8\"/>", L"margin=\"5, 6, 7, 8\" zOrder=\"under\"/>"}});
  ASSERT_EQ(Load(doc), 1);
  EXPECT_STREQ(Slot(SLOT_LOCKMARKER).FileName, L"lock.png");
  ExpectEdges(Slot(SLOT_LOCKMARKER), {}, {0, 0, 0, 0});
  EXPECT_EQ(g_App.Skin.LockMarkerOrder, 0);
}

TEST_F(SkinXmlTest, ReadsAPlainSubMenu) {
  size_t from = std::wstring(kFullSkin).find(L"<submenu");
  size_t to = std::wstring(kFullSkin).find(L"</submenu>") + 10;
  std::wstring plain = std::wstring(kFullSkin).replace(
      from, to - from,
      L"<foldermenu backColor=\"#102030\"><normal image=\"item.png\"/><selected image=\"result.png\"/>"
      L"<arrangement margin=\"4\" interval=\"6\"/><text><font face=\"Plain\" size=\"13\"/></text></foldermenu>");
  ASSERT_EQ(Load(plain, 1), 1);
  const SkinSettings& k = g_App.Skin;
  EXPECT_EQ(g_App.SkinText.SkinTextFlags & STF_SUBMENU_IMAGES, 0u);
  EXPECT_EQ(k.BackColor, RGB(0x10, 0x20, 0x30));
  EXPECT_STREQ(Slot(35).FileName, L"\\result.png");
  EXPECT_EQ(Slot(35).Bitmap, Slot(34).Bitmap);
  ExpectRect(k.ItemMargin, 4, 4, 4, 4);
  EXPECT_EQ(k.ItemInterval, 6);
  EXPECT_EQ(Slot(SLOT_SUBMENUFRAME).Offset[EDGE_RIGHT], 3);
  EXPECT_EQ(Slot(SLOT_SUBMENUFRAME + 3).Offset[EDGE_BOTTOM], 3);
  EXPECT_EQ(k.ScrollButtonWidth, 16);
  EXPECT_STREQ(g_App.Design.ViewMode[0].Fonts[FONT_SUBMENU].Face, L"Plain");

  // Without a design of its own the font stays.
  const FontEntry kept = g_App.Design.ViewMode[1].Fonts[FONT_SUBMENU];
  ResetAllDesigns();
  const FontEntry reset = g_App.Design.ViewMode[0].Fonts[FONT_SUBMENU];
  ASSERT_EQ(Load(plain, 0), 1);
  EXPECT_STREQ(g_App.Design.ViewMode[0].Fonts[FONT_SUBMENU].Face, reset.Face);
  EXPECT_STREQ(kept.Face, L"Plain");

  // A submenu whose image does not load falls back to the plain form.
  std::wstring both = std::wstring(kFullSkin).insert(from, plain.substr(from, plain.find(L"</foldermenu>") + 13 - from));
  ASSERT_EQ(Load(Edited(both, {{L"<submenu image=\"menu.png\"", L"<submenu image=\"gone.png\""}})), 1);
  EXPECT_EQ(g_App.Skin.BackColor, RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(Load(Edited(kFullSkin, {{L"<submenu image=\"menu.png\"", L"<submenu image=\"gone.png\""}})), 0);
}

TEST_F(SkinXmlTest, CutsAndClampsSourceRectangles) {
  struct {
    const char* What;
    const wchar_t* Attrs;  // on a 40 x 80 image
    int Expect[4];
  } cases[] = {
      {"cells", L"left=\"1/2\" top=\"3/4\" width=\"1/2\" height=\"1/4\"", {0, 40, 20, 20}},
      {"the second of two cells", L"left=\"2/2\"", {20, 0, 0, 0}},
      {"width without left stays 0", L"width=\"10\"", {0, 0, 0, 0}},
      {"cell 0 stops the reading", L"left=\"5\" top=\"0/4\" width=\"10\" height=\"10\"", {5, 0, 0, 0}},
      {"a cell of 0 parts stops the reading", L"left=\"5\" top=\"1/0\" width=\"10\"", {5, 0, 0, 0}},
      {"left beyond the image", L"left=\"50\" top=\"0\" width=\"100\"", {0, 0, 40, 0}},
      {"width cut to the image", L"left=\"30\" top=\"70\" width=\"100\" height=\"100\"", {30, 70, 10, 10}},
      {"negative values", L"left=\"-5\" top=\"-7\" width=\"-3\" height=\"-1\"", {0, 0, 0, 0}},
      {"negative width from the left", L"left=\"0\" top=\"0\" width=\"-30\" height=\"5\"", {0, 0, 0, 5}},
      {"an overflowing number stops the reading", L"left=\"3\" top=\"99999999999\" width=\"5\"", {3, 0, 0, 0}},
      {"a huge cell", L"left=\"2000000000/1\" top=\"0\" width=\"2000000000/1\"", {0, 0, 40, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    std::wstring doc = Edited(kFullSkin, {{L"left=\"1/2\" top=\"3/4\" width=\"1/2\" height=\"1/4\"", c.Attrs}});
    ASSERT_EQ(Load(doc), 1);
    ExpectSource(Slot(SLOT_BACKGROUND), c.Expect[0], c.Expect[1], c.Expect[2], c.Expect[3]);
  }
}

TEST_F(SkinXmlTest, ReadsTheValueForms) {
  struct {
    const char* What;
    const wchar_t* From;
    const wchar_t* To;
    int (*Field)();
    int Expect;
  } cases[] = {
      {"tab position in capitals", L"\"Bottom\"", L"\"BOTTOM\"", [] { return g_App.Skin.TabPosition; }, TABPOS_BOTTOM},
      {"tab position left", L"\"Bottom\"", L"\"left\"", [] { return g_App.Skin.TabPosition; }, TABPOS_LEFT},
      {"tab position right", L"\"Bottom\"", L"\"Right\"", [] { return g_App.Skin.TabPosition; }, TABPOS_RIGHT},
      {"any other tab position is top", L"\"Bottom\"", L"\"sideways\"", [] { return g_App.Skin.TabPosition; },
       TABPOS_TOP},
      {"decimal colour", L"\"#29507E\"", L"\"255\"", [] { return (int)g_App.Skin.ClipColor; }, 0xFF0000},
      {"default clipping colour", L"clippingColor=\"#29507E\"", L"", [] { return (int)g_App.Skin.ClipColor; },
       0xFF00FF},
      {"sizeArea with two values keeps the rest", L"sizeArea=\"4, 5, 6, 7\"", L"sizeArea=\"9, 8\"",
       [] { return (int)(g_App.Skin.SizeArea.left * 1000 + g_App.Skin.SizeArea.top * 100 + g_App.Skin.SizeArea.right); },
       9800},
      {"zOrder under", L"zOrder=\"bottom\"", L"zOrder=\"Under\"", [] { return g_App.Skin.LockMarkerOrder; }, 1},
      {"zOrder back", L"zOrder=\"bottom\"", L"zOrder=\"back\"", [] { return g_App.Skin.LockMarkerOrder; }, 1},
      {"zOrder missing", L"zOrder=\"bottom\"", L"", [] { return g_App.Skin.LockMarkerOrder; }, 0},
      {"zOrder other", L"zOrder=\"bottom\"", L"zOrder=\"top\"", [] { return g_App.Skin.LockMarkerOrder; }, 0},
      {"an unknown base is none", L"base=\"CloseButton\" side=\"left\" offset=\"-18\"",
       L"base=\"Nothing\" side=\"left\" offset=\"-18\"", [] { return (int)Slot(SLOT_PINBUTTON).Edge[EDGE_LEFT]; },
       ARR_LEFT},
      {"a base of PinButton", L"base=\"LockButton\"", L"base=\"PinButton\"",
       [] { return (int)Slot(SLOT_PINBUTTON).Edge[EDGE_TOP]; }, ARR_TOP | SLOT_PINBUTTON},
      {"an edge without offset", L"side=\"right\" offset=\"-20\"", L"side=\"right\"",
       [] { return Slot(SLOT_CLOSEBUTTON).Offset[EDGE_LEFT]; }, 0},
      {"a right edge without width", L"<right width=\"ImageSize\"/>", L"<right/>",
       [] { return Slot(SLOT_CLOSEBUTTON).Offset[EDGE_RIGHT]; }, 0},
      {"an overflowing width is 0", L"<right width=\"ImageSize\"/>", L"<right width=\"99999999999\"/>",
       [] { return Slot(SLOT_CLOSEBUTTON).Offset[EDGE_RIGHT]; }, 0},
      {"stretched unless tiled", L"method=\"Tile\"", L"method=\"stretch\"",
       [] { return (int)Slot(SLOT_BACKGROUND).Flags; }, 0},
      {"fontFace without face", L"<inactive face=\"Verdana\" size=\"9\"/>",
       L"<inactive fontFace=\"Serif\" fontSize=\"9\"/>",
       [] { return (int)g_App.Design.ViewMode[0].Fonts[FONT_TABB].Face[4]; }, L'f'},
      {"a face longer than 31 characters is none", L"<inactive face=\"Verdana\" size=\"9\"/>",
       L"<inactive face=\"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456\" size=\"9\"/>",
       [] { return (int)g_App.Design.ViewMode[0].Fonts[FONT_TABB].Face[0]; }, 0},
      {"a font size beyond 72 is 72", L"<inactive face=\"Verdana\" size=\"9\"/>",
       L"<inactive face=\"Verdana\" size=\"900\"/>", [] { return g_App.Design.ViewMode[0].Fonts[FONT_TABB].Size; },
       72},
      {"a missing locked-button design count is one", L"<lockedbutton image=\"locked.png\" designs=\"2\"/>",
       L"<lockedbutton image=\"locked.png\"/>", [] { return g_App.Skin.DesignCount[2]; }, 1},
      {"an unloadable locked button", L"<lockedbutton image=\"locked.png\" designs=\"2\"/>",
       L"<lockedbutton image=\"gone.png\" designs=\"2\"/>", [] { return g_App.Skin.DesignCount[2]; }, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    ASSERT_EQ(Load(Edited(kFullSkin, {{c.From, c.To}}), 1), 1);
    EXPECT_EQ(c.Field(), c.Expect);
  }
}

TEST_F(SkinXmlTest, AnAlphaSkinNeedsAScreenOf32Bits) {
  std::wstring alpha = Edited(kFullSkin, {{L"alphaChannel=\"false\"", L"alphaChannel=\"True\""}});
  ASSERT_EQ(Load(alpha), 1);
  EXPECT_EQ(g_App.Skin.TransparencyMode, SKINMODE_ALPHA);
  EXPECT_EQ(g_App.Skin.ClipColor, 0u);
  g_screenBits = 16;
  EXPECT_EQ(Load(alpha), 0);
  EXPECT_EQ(Load(kFullSkin), 1);
}

struct BrokenCase {
  const char* What;
  const wchar_t* From;
  const wchar_t* To;
  int TakeDesign;
};

// Each breaks the full skin in one place; all must fail.
const BrokenCase kBroken[] = {
    {"no tab position", L"tabPosition=\"Bottom\" ", L"", 0},
    {"a tab position too long to read", L"tabPosition=\"Bottom\"",
     L"tabPosition=\"BottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottom"
     L"BottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottom"
     L"BottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottomBottom\"",
     0},
    {"no general", L"<general ", L"<generale ", 0},
    {"an unclosed value in general", L"clippingColor=\"#29507E\"", L"clippingColor=\"#29507E", 0},
    {"a '<' in a value", L"\"Bottom\"", L"\"Bot<tom\"", 0},
    {"no '>' behind skin", L"version=\"1\">", L"version=\"1\"", 0},
    {"no background", L"<background ", L"<backdrop ", 0},
    {"background offset with three values", L"offset=\"1, 2, -3, -4\"", L"offset=\"1, 2, -3\"", 0},
    {"background offset that overflows", L"offset=\"1, 2, -3, -4\"", L"offset=\"1, 2, 99999999999, -4\"", 0},
    {"background offset beyond any screen", L"offset=\"1, 2, -3, -4\"", L"offset=\"1, 2, 40000, -4\"", 0},
    {"a frame piece missing", L"<right><arrangement width=\"12\"/></right>", L"", 0},
    {"a frame width missing", L"<arrangement width=\"12\"/>", L"<arrangement/>", 0},
    {"a frame width that overflows", L"width=\"12\"", L"width=\"99999999999\"", 0},
    {"a tab image that does not load", L"tab.png", L"gone.png", 0},
    {"a tab image outside the skin", L"image=\"tab.png\"", L"image=\"..\\tab.png\"", 0},
    {"no tab design count", L"<tab image=\"tab.png\" designs=\"2\">", L"<tab image=\"tab.png\">", 0},
    {"a tab design count of 0", L"designs=\"2\">", L"designs=\"0\">", 0},
    {"no tab pitch", L"<arrangement pitch=\"3, 4\"/>", L"<arrangement/>", 0},
    {"no button shiftDown", L" shiftDown=\"1, 1\"", L"", 0},
    {"a button pitch of one value", L"pitch=\"1, 2\"", L"pitch=\"1\"", 0},
    {"no tab area margin", L"margin=\"1, 2, 3, 4\"", L"", 0},
    {"a system button without downhover", L"<downhover image=\"pin.png\"/>", L"", 0},
    {"a system button without an edge", L"<right width=\"ImageSize\"/>", L"", 0},
    {"a caption without an edge", L"<left base=\"PinButton\" side=\"right\" offset=\"2\"/>", L"", 0},
    {"a caption font without size", L"<text face=\"Tahoma\" size=\"11\"", L"<text face=\"Tahoma\"", 1},
    {"a tab decoration missing", L"<hover color=\"#202020\" shadow=\"upper\"/>", L"", 1},
    {"a tab font missing", L"<inactive face=\"Verdana\" size=\"9\"/>", L"", 1},
    {"a button decoration missing", L"<down color=\"#030303\"/>", L"", 1},
    {"a button font without size", L"<font face=\"Arial\" size=\"8\"/>", L"<font face=\"Arial\"/>", 1},
    {"a sub-menu font without size", L"<font face=\"Tahoma\" size=\"12\"/>", L"<font face=\"Tahoma\"/>", 1},
    {"an item image missing", L"<multisel image=\"item.png\" left=\"0\" top=\"3/3\" width=\"1/1\" height=\"1/3\"/>",
     L"", 0},
    {"an item image that does not load", L"<multisel image=\"item.png\"", L"<multisel image=\"gone.png\"", 0},
    {"no sub-menu at all", L"<submenu image=\"menu.png\" border=\"4, 4, 4, 4\">", L"<submenux image=\"menu.png\">", 0},
    {"a scroll button image that does not load", L"<disabled image=\"scroll.png\"/>",
     L"<disabled image=\"gone.png\"/>", 0},
    {"a search window image that does not load", L"search.png", L"gone.png", 0},
    {"a search item image missing", L"<selected image=\"result.png\"/>", L"<selected/>", 0},
};

TEST_F(SkinXmlTest, ABrokenSkinFails) {
  for (const BrokenCase& c : kBroken) {
    SCOPED_TRACE(c.What);
    EXPECT_EQ(Load(Edited(kFullSkin, {{c.From, c.To}}), c.TakeDesign), 0);
  }
  // Those that only the skin's own design needs.
  for (const BrokenCase& c : kBroken)
    if (c.TakeDesign) {
      EXPECT_EQ(Load(Edited(kFullSkin, {{c.From, c.To}}), 0), 1) << c.What;
    }
  EXPECT_EQ(Load(L""), 0);
  EXPECT_EQ(Load(L"<skin/>"), 0);
  EXPECT_EQ(LoadSkinXmlText(nullptr, 0), 0);
}

TEST_F(SkinXmlTest, ImageNamesNeverLeaveTheSkin) {
  struct {
    const wchar_t* Name;
    int Safe;
  } cases[] = {
      {L"tab.png", 1},          {L"images\\tab.png", 1},    {L"images/tab.png", 1},      {L"a.b.png", 1},
      {L"..\\tab.png", 0},      {L"images\\..\\..\\x.png", 0}, {L"../x.png", 0},         {L"...\\x.png", 0},
      {L".. \\x.png", 0},       {L".\\x.png", 0},           {L"\\tab.png", 0},           {L"/tab.png", 0},
      {L"\\\\server\\s\\x.png", 0}, {L"C:\\x.png", 0},      {L"C:x.png", 0},             {L"tab.png:stream", 0},
      {L"a\\\\b.png", 0},       {L"images\\", 0},           {L"", 0},                    {L"con.png", 0},
      {L"images\\NUL", 0},      {L"Com1.jpg", 0},           {L"lpt9", 0},                {L"console.png", 1},
      {L"com0.png", 1},         {L"t?b.png", 0},            {L"t*.png", 0},              {L"a|b.png", 0},
      {L"tab\t.png", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.Name, c.Name + wcslen(c.Name)));
    EXPECT_EQ(IsSkinFileName(c.Name), c.Safe);
    // Through a skin: a refused name is never handed to the loader.
    g_images[c.Name] = SIZE{10, 10};
    std::wstring image = std::wstring(L"image=\"") + c.Name + L"\"";
    ASSERT_EQ(Load(Edited(kFullSkin, {{L"image=\"back.png\"", image.c_str()}})), 1);
    bool handed = false;
    for (const std::wstring& n : g_loaded) handed |= n == c.Name;
    EXPECT_EQ(handed, c.Safe == 1 && c.Name[0]);
    EXPECT_EQ(Slot(SLOT_BACKGROUND).Bitmap != nullptr, c.Safe == 1);
    if (!c.Safe) {
      EXPECT_STREQ(Slot(SLOT_BACKGROUND).FileName, L"");
    }
  }
}

TEST_F(SkinXmlTest, ZippedSkinsNameImagesWithSlashes) {
  g_images[L"sub/tab.png"] = SIZE{60, 90};
  std::wstring doc = Edited(kFullSkin, {{L"image=\"tab.png\"", L"image=\"sub\\tab.png\""}});
  Clear();
  g_App.Skin.Flags = SKF_ZIPPED;
  ASSERT_EQ(LoadSkinXmlText(doc.c_str(), 0), 1);
  EXPECT_STREQ(Slot(SLOT_TAB).FileName, L"sub/tab.png");
  EXPECT_EQ(g_App.Skin.Flags & SKF_ZIPPED, (UINT)SKF_ZIPPED);
  // A folder skin keeps the name as written.
  EXPECT_EQ(Load(doc), 0);
  EXPECT_STREQ(Slot(SLOT_TAB).FileName, L"sub\\tab.png");
}

TEST_F(SkinXmlTest, ANameTooLongForTheSlotIsNoImage) {
  std::wstring name(258, L'n');
  g_images[name] = SIZE{60, 90};
  ASSERT_EQ(Load(Edited(kFullSkin, {{L"image=\"tab.png\"", (L"image=\"" + name + L"\"").c_str()}})), 1);
  std::wstring longer = name + L"n";
  g_images[longer] = SIZE{60, 90};
  EXPECT_EQ(Load(Edited(kFullSkin, {{L"image=\"tab.png\"", (L"image=\"" + longer + L"\"").c_str()}})), 0);
  // A borrower of the longest name still ends within its slot.
  std::wstring shared = Edited(kFullSkin, {{L"image=\"frame.png\"", (L"image=\"" + name + L"\"").c_str()},
                                           {L"<top image=\"frame.png\">", (L"<top image=\"" + name + L"\">").c_str()}});
  ASSERT_EQ(Load(shared), 1);
  EXPECT_EQ(Slot(SLOT_FRAMETOP).FileName[0], L'\\');
  EXPECT_EQ(wcslen(Slot(SLOT_FRAMETOP).FileName), 259u);
}

TEST_F(SkinXmlTest, EveryCutOfADocumentFailsUntilItsLastRequiredTag) {
  const std::wstring doc = kMinimalSkin;
  ASSERT_EQ(Load(doc), 1);
  const size_t last = doc.find(L"<multisel");
  const size_t complete = doc.find(L'>', last) + 1;
  for (size_t n = 0; n < doc.size(); n++) {
    std::wstring cut = doc.substr(0, n);
    EXPECT_EQ(Load(cut), n >= complete ? 1 : 0) << "cut at " << n;
  }
}

std::wstring Units(const std::string& bytes) {
  std::wstring text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text += (wchar_t)((unsigned char)bytes[i] | ((unsigned char)bytes[i + 1] << 8));
  return text;
}

TEST_F(SkinXmlTest, ReadsUtf16LittleEndianOnly) {
  std::wstring doc = kMinimalSkin;
  EXPECT_EQ(Load(L"\xFEFF" + doc), 1);
  EXPECT_EQ(Load(doc), 1);
  // Unix line ends and no blank before the slash of empty elements.
  std::wstring unix;
  for (wchar_t c : std::wstring(kFullSkin))
    if (c != L'\r') unix += c;
  EXPECT_EQ(Load(unix), 1);
  std::wstring tight = Edited(unix, {{L"<right/>", L"<right\n/>"}, {L"<general tabPosition", L"<general\ntabPosition"}});
  EXPECT_EQ(Load(tight), 1);

  // The same text as UTF-8 or big-endian UTF-16 bytes is no skin.
  std::string utf8(doc.begin(), doc.end());
  EXPECT_EQ(Load(Units("\xEF\xBB\xBF" + utf8)), 0);
  EXPECT_EQ(Load(Units(utf8)), 0);
  std::string big;
  for (wchar_t c : L"\xFEFF" + doc) {
    big += (char)(c >> 8);
    big += (char)(c & 0xFF);
  }
  EXPECT_EQ(Load(Units(big)), 0);
}

TEST_F(SkinXmlTest, ClassicLookLeavesNothingOfAFailedSkin) {
  EXPECT_EQ(Load(Edited(kFullSkin, {{L"search.png", L"gone.png"}})), 0);
  EXPECT_NE(g_App.SkinText.SkinTextFlags, 0u);
  g_App.Skin = SkinSettings{};  // the fake images are not freed
  SetClassicLook();
  EXPECT_EQ(g_App.SkinText.SkinTextFlags, 0u);
  EXPECT_EQ(g_App.SkinText.TextColors[SKT_ITEM_NORMAL].TextClr1, 0u);
}

TEST_F(SkinXmlTest, WithoutAnImageLoaderEverySkinFails) {
  g_SkinXmlSeams.LoadSlotImage = nullptr;
  EXPECT_EQ(Load(kFullSkin), 0);
  EXPECT_EQ(Load(kMinimalSkin), 0);
}

class RecommendedTest : public SkinXmlTest {};

TEST_F(RecommendedTest, AppliesTheValuesWithinTheirBounds) {
  ViewModeDesign& v = g_App.Design.ViewMode[0];
  ASSERT_EQ(ApplyRecommendedSizesText(kFullSkin), 1);
  EXPECT_EQ(v.TabSizeX, 58);  // 600 is beyond 500
  EXPECT_EQ(v.TabSizeY, 30);
  EXPECT_EQ(v.ButtonSizeX, 60);
  EXPECT_EQ(v.ButtonSizeY, 70);
  EXPECT_EQ(v.ButtonNumX, 8);
  EXPECT_EQ(v.ButtonNumY, 3);  // 4000 buttons a column is beyond any list
  EXPECT_EQ(v.IconSizeDisp, 24);
  ExpectRect(v.Margin[MARGIN_CAPTION], 1, 2, 3, 4);
  EXPECT_EQ(v.Flag & 0x80, 0x80u);
  EXPECT_EQ(v.Flag & 0x2, 0x2u);
  // Shared designs: the second view mode follows, keeping its grid.
  EXPECT_EQ(g_App.Design.ViewMode[1].TabSizeY, 30);
  EXPECT_EQ(g_App.Design.ViewMode[1].ButtonNumY, 6);

  std::wstring other = Edited(kFullSkin, {{L"textMargin=\"1, 2, 3, 4\" centerText=\"true\"",
                                           L"textMargin=\"5, 2000, 7\" centerText=\"false\""}});
  ASSERT_EQ(ApplyRecommendedSizesText(other.c_str()), 1);
  ExpectRect(v.Margin[MARGIN_CAPTION], 5, 2, 7, 4);
  EXPECT_EQ(v.Flag & 0x80, 0u);
  EXPECT_EQ(ApplyRecommendedSizesText(kMinimalSkin), 0);
}

TEST_F(RecommendedTest, SeparateViewModesTakeModeTwoOrTheDirectChildren) {
  g_App.Settings.DispOption |= DISP_SEPARATE_VIEWMODES;
  g_App.Settings.Status |= STATUS_VIEWMODE2;
  std::wstring doc = Edited(kFullSkin, {{L"</mode1>", L"</mode1><mode2><button size=\"40, 41\"/></mode2>"}});
  ASSERT_EQ(ApplyRecommendedSizesText(doc.c_str()), 1);
  EXPECT_EQ(g_App.Design.ViewMode[0].ButtonSizeX, 60);
  EXPECT_EQ(g_App.Design.ViewMode[1].ButtonSizeX, 40);
  EXPECT_EQ(g_App.Design.ViewMode[1].TabSizeY, 20);

  doc = Edited(kFullSkin, {{L"</mode1>", L"</mode1><tab size=\"50, 25\"/>"}});
  ASSERT_EQ(ApplyRecommendedSizesText(doc.c_str()), 1);
  EXPECT_EQ(g_App.Design.ViewMode[1].TabSizeX, 50);
  EXPECT_EQ(g_App.Design.ViewMode[0].TabSizeY, 30);

  // Without mode1 nothing changes.
  ResetAllDesigns();
  doc = Edited(kFullSkin, {{L"<mode1>", L"<model>"}, {L"</mode1>", L"</model><tab size=\"50, 25\"/>"}});
  ASSERT_EQ(ApplyRecommendedSizesText(doc.c_str()), 1);
  EXPECT_EQ(g_App.Design.ViewMode[1].TabSizeX, 58);
  EXPECT_EQ(g_App.Design.ViewMode[0].TabSizeY, 20);
}

TEST(SkinFilePath, StaysInsideTheSkinsFolder) {
  wchar_t saved[MAX_PATH];
  wcscpy(saved, g_App.ProgramPath);
  wcscpy(g_App.ProgramPath, L"C:\\Apps\\Vantrel\\Vantrel.exe");
  struct {
    const wchar_t* Skin;
    const wchar_t* File;
    const wchar_t* Expect;  // null: refused
  } cases[] = {
      {L"\\Glass", L"skin.xml", L"C:\\Apps\\Vantrel\\Skins\\Glass\\skin.xml"},
      {L"\\Glass", L"img/tab.png", L"C:\\Apps\\Vantrel\\Skins\\Glass\\img/tab.png"},
      {L"\\Glass", nullptr, L"C:\\Apps\\Vantrel\\Skins\\Glass"},
      {L"Blue.zip", nullptr, L"C:\\Apps\\Vantrel\\Skins\\Blue.zip"},
      {L"Blue", nullptr, L"C:\\Apps\\Vantrel\\Skins\\Blue"},
      {L"Blue.zip", L"skin.xml", nullptr},  // entries of an archive are no files
      {L"\\..", L"skin.xml", nullptr},
      {L"..\\Vantrel.ini", nullptr, nullptr},
      {L"\\Glass\\..\\..", nullptr, nullptr},
      {L"C:\\Windows", nullptr, nullptr},
      {L"\\C:", nullptr, nullptr},
      {L"\\\\server\\share", nullptr, nullptr},
      {L"", nullptr, nullptr},
      {nullptr, nullptr, nullptr},
      {L"\\Glass", L"..\\..\\Vantrel.ini", nullptr},
      {L"\\Glass", L"D:\\x.png", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.Skin ? std::string(c.Skin, c.Skin + wcslen(c.Skin)) : "null") << " "
                                    << (c.File ? std::string(c.File, c.File + wcslen(c.File)) : "null"));
    wchar_t out[MAX_PATH] = L"junk";
    EXPECT_EQ(BuildSkinFilePath(c.Skin, c.File, out, MAX_PATH), c.Expect ? 1 : 0);
    EXPECT_STREQ(out, c.Expect ? c.Expect : L"");
  }
  wchar_t small[30];
  EXPECT_EQ(BuildSkinFilePath(L"\\Glass", L"skin.xml", small, 30), 0);
  EXPECT_EQ(IsSkinName(L"\\Glass [v2]"), 1);
  EXPECT_EQ(IsSkinName(L"\\a\\b"), 0);
  wcscpy(g_App.ProgramPath, saved);
}

}  // namespace
