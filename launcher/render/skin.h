// The look of the window: the 63 skin slots with their arrangement and
// target rectangles, and the skin-wide values the layout, drawing and hit
// testing read. The classic look is a fixed set of these values.
#pragma once
#include <windows.h>

#include "render/design.h"

// Slot numbers; states of a system button follow its normal slot.
enum {
  SLOT_TAB = 0,
  SLOT_BUTTON = 1,
  SLOT_LOCKEDBUTTON = 2,
  SLOT_WINDOW = 3,
  SLOT_BACKGROUND = 4,
  SLOT_FRAMELEFT = 5,
  SLOT_FRAMETOP = 6,
  SLOT_FRAMERIGHT = 7,
  SLOT_FRAMEBOTTOM = 8,
  SLOT_CLOSEBUTTON = 9,
  SLOT_PINBUTTON = 12,
  SLOT_MODEBUTTON = 16,
  SLOT_SEARCHBUTTON = 20,
  SLOT_CAPTION = 24,
  SLOT_TABAREA = 25,
  SLOT_BUTTONAREA = 26,
  SLOT_LOCKMARKER = 27,
  SLOT_SUBMENU = 28,
  SLOT_SUBMENUFRAME = 29,      // left, top, right, bottom
  SLOT_SEARCHWINDOW = 56,
  SLOT_SEARCHFRAME = 57,       // left, top, right, bottom
  SKIN_SLOT_COUNT = 63,
};

// ArrangementCode: base slot in the low 16 bits, one side bit, size bits.
enum : UINT {
  ARR_BASE_MASK = 0xFFFF,
  ARR_LEFT = 0x10000,
  ARR_TOP = 0x20000,
  ARR_RIGHT = 0x40000,
  ARR_BOTTOM = 0x80000,
  ARR_SIZE = 0x100000,      // the value is the width (height)
  ARR_VARIABLE = 0x200000,  // the size comes from the view-mode design
};

// Edge index of SkinSlot::Edge and SkinSlot::Offset.
enum { EDGE_LEFT, EDGE_TOP, EDGE_RIGHT, EDGE_BOTTOM };

// SkinSettings::Flags bits.
enum : UINT {
  SKF_ZIPPED = 0x1,      // images are read from the skin's archive
  SKF_NO_CAPTION = 0x2,  // the skin has no caption: no caption text is drawn
};

enum { TABPOS_TOP = 0, TABPOS_LEFT = 1, TABPOS_RIGHT = 2, TABPOS_BOTTOM = 3 };
enum { SKINMODE_NONE = 0, SKINMODE_CLIPPING = 1, SKINMODE_ALPHA = 2 };

const COLORREF kClassicClipColor = RGB(0xFF, 0x00, 0xFF);

struct SkinSlot {
  UINT Flags;  // bit 0: tiled, else stretched
  wchar_t FileName[260];
  int ImageWidth, ImageHeight;
  HDC Dc;
  HBITMAP Bitmap;
  int SourceLeft, SourceTop, SourceWidth, SourceHeight;
  RECT Border;  // nine-grid insets at 96 DPI
  RECT Target;  // inclusive: right and bottom are the last pixel
  UINT Edge[4];  // ArrangementCode per edge
  int Offset[4];
};

struct SkinSettings {
  UINT Flags;  // bit 0 zipped, bit 1 no caption text
  int TabPosition;
  int TransparencyMode;
  COLORREF ClipColor;
  int DesignCount[3];  // design columns of the tab, button and locked-button images
  RECT SizeArea;        // sizing borders of the main window
  RECT SearchSizeArea;
  RECT MainShadow, SearchShadow, SubMenuShadow;
  SkinSlot Slots[SKIN_SLOT_COUNT];
  RECT TabAreaMargin, ButtonAreaMargin, ItemMargin;
  POINT TabPitch, ButtonPitch;
  POINT ShiftHover, ShiftDown;
  int LockMarkerOrder;
  int ItemInterval;
  int ScrollButtonInterval, ScrollButtonWidth, ScrollButtonHeight;
  COLORREF BackColor;
};

// SkinTextFlags bits.
enum : UINT {
  STF_SUBMENU_IMAGES = 0x1,   // the sub-menu is drawn from skin images
  STF_TAB_TEXT = 0x2,         // the tab element carries a text child
  STF_NEW_TEXT_LAYOUT = 0x4,  // ... so its texts use the newer layout (tab image of 3 rows)
  STF_SEARCH_IMAGES = 0x8,    // the search window is drawn from skin images
};

// The skin's text colour sets of sub-menu items and search results.
enum { SKT_ITEM_NORMAL, SKT_ITEM_SELECTED, SKT_ITEM_DISABLED, SKT_SEARCH_NORMAL, SKT_SEARCH_SELECTED, SKT_COUNT };

// Beside SkinSettings and not cleared with it: the skin reader and the
// classic look set it.
struct SkinTextState {
  UINT SkinTextFlags;
  DesignColors TextColors[SKT_COUNT];
};

// 1 when a skin is loaded (its images draw the window), 0 in the classic look.
int HasSkin();

// The classic look: every skin value cleared, then the classic arrangement
// and values. The skin loader falls back to it when a skin fails.
void SetClassicLook();
