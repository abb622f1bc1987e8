#include "render/skin.h"

#include "state.h"
#include "render/layout.h"

int HasSkin() { return g_App.Skin.TransparencyMode != SKINMODE_NONE; }

void SetClassicLook() {
  SkinSettings& s = g_App.Skin;
  // Slot images belong to the skin loader, which frees them before this.
  s = SkinSettings{};
  // A skin that failed half-way leaves no image flags or text colours behind.
  g_App.SkinText = SkinTextState{};
  ResetSkinArrangement();
  s.TabAreaMargin = RECT{1, 2, 0, 0};
  s.ButtonAreaMargin = RECT{1, 0, 0, 0};
  s.ShiftHover = POINT{0, 0};
  s.ShiftDown = POINT{1, 1};
  s.ItemMargin = RECT{2, 2, 2, 2};
  s.TabPosition = TABPOS_TOP;
  s.TransparencyMode = SKINMODE_NONE;
  s.ClipColor = kClassicClipColor;
  s.SizeArea = RECT{6, 6, 6, 6};
  s.SearchSizeArea = RECT{6, 0, 6, 0};
  // The side frames reach the window's bottom edge.
  for (int slot : {SLOT_FRAMELEFT, SLOT_FRAMERIGHT}) {
    s.Slots[slot].Edge[EDGE_BOTTOM] = ARR_BOTTOM | SLOT_FRAMEBOTTOM;
    s.Slots[slot].Offset[EDGE_BOTTOM] = 0;
  }
  s.Slots[SLOT_SUBMENUFRAME + 0].Offset[EDGE_RIGHT] = 3;
  s.Slots[SLOT_SUBMENUFRAME + 2].Offset[EDGE_RIGHT] = 3;
  s.Slots[SLOT_SUBMENUFRAME + 1].Offset[EDGE_BOTTOM] = 3;
  s.Slots[SLOT_SUBMENUFRAME + 3].Offset[EDGE_BOTTOM] = 3;
  s.ItemInterval = 4;
  s.ScrollButtonInterval = 1;
  s.ScrollButtonWidth = 16;
  s.ScrollButtonHeight = 16;
}
