// The user-editable look: two view-mode designs, the window colours, the
// default page colours; their defaults, and fonts made for a DPI.
#pragma once
#include <windows.h>

// FontEntry::Flag bits.
enum : UINT {
  FEF_BOLD = 0x100,
  FEF_ITALIC = 0x200,
  FEF_ANTIALIAS = 0x400,
};

// The five fonts of a view mode, in file order.
enum { FONT_CAPTION, FONT_TABA, FONT_TABB, FONT_BUTTON, FONT_SUBMENU, FONT_COUNT };
// The four text and icon margins of a view mode, in file order.
enum { MARGIN_CAPTION, MARGIN_TABTEXT, MARGIN_BUTTONICON, MARGIN_BUTTONTEXT, MARGIN_COUNT };
// The six colour sets of a PageDesign.
enum { PD_TABN, PD_TABH, PD_TABS, PD_BUTTONN, PD_BUTTONH, PD_BUTTOND, PD_COUNT };

const int kFaceChars = 32;  // face name with its terminator

struct FontEntry {
  HFONT Font;  // owned; 0 = not made yet
  int Size;    // points, 1-72
  UINT Flag;
  wchar_t Face[kFaceChars];
};

// Sizes in pixels at 96 DPI.
struct ViewModeDesign {
  UINT Flag;
  int CaptionHeight;
  int FrameWidth;
  int TabSizeX, TabSizeY;
  int ButtonSizeX, ButtonSizeY;
  int IconSizeGet, IconSizeDisp;
  int ButtonNumX, ButtonNumY;
  int SearchWindowX, SearchWindowY, SearchWindowW;
  RECT Margin[MARGIN_COUNT];
  FontEntry Fonts[FONT_COUNT];
};

struct DesignColors {
  UINT Flag;
  COLORREF BG1, BG2;
  COLORREF Frame1, Frame2;
  COLORREF TextClr1, TextClr2;
  int ShadowAlpha;
  int ShadowWidth;
  int Pattern;
};

struct PageDesign {
  DesignColors Sets[PD_COUNT];
};

struct DesignState {
  ViewModeDesign ViewMode[2];  // [0] = view mode 1
  DesignColors Window;
  PageDesign PageDefault;
  int Dpi;  // DPI the fonts are made for; 0 until the layout sets it (taken as 96)
};

void ResetViewModeDesign();
void ResetAllDesigns();
void InitPageDesign(PageDesign* design);
void SetDefaultFonts(int mode);
int SyncViewModeDesign(int mode);
void RecreateFont(int index, int sync);
HFONT CreateFontForDpi(FontEntry* entry, int dpi);
// The LOGFONT CreateFontForDpi makes.
void BuildFontLogfont(const FontEntry* entry, int dpi, LOGFONTW* out);
