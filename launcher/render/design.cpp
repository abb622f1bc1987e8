#include "render/design.h"
#include "state.h"
#include "resources/resource.h"

static const DesignColors kDefaultPageSets[PD_COUNT] = {
    // Flag   BG1       BG2       Frame1    Frame2 TextClr1  TextClr2  Alpha Width Pattern
    {0x1, 0xCFCFCF, 0x606060, 0xFFFFFF, 0, 0xFFFFFF, 0x202020, 255, 1, 0},
    {0x11, 0xFBFFFF, 0x24CEFF, 0xFFFFFF, 0, 0x006AFF, 0x0000FF, 255, 1, 0},
    {0x211, 0xA0A0A0, 0xFFFFFF, 0xFFFFFF, 0, 0x202020, 0xFFFFFF, 255, 1, 0},
    {0x1, 0xFFFFFF, 0xA0A0A0, 0xFFFFFF, 0, 0x202020, 0xFFFFFF, 255, 1, 0},
    {0x11, 0x24CEFF, 0xFBFFFF, 0xFFFFFF, 0, 0x006AFF, 0x0000FF, 255, 1, 0},
    {0x1, 0xFFFFFF, 0xA0A0A0, 0xFFFFFF, 0, 0x202020, 0xFFFFFF, 255, 1, 0},
};

static const DesignColors kDefaultWindow = {0x200, 0xFFFFFF, 0xA0A0A0, 0xFFFFFF, 0, 0x202020, 0xFFFFFF,
                                            255, 1, 0};

static const struct {
  int Size;
  UINT Flag;
} kDefaultFonts[FONT_COUNT] = {{11, FEF_BOLD}, {10, FEF_BOLD}, {10, 0}, {9, 0}, {11, 0}};

static const RECT kDefaultMargins[MARGIN_COUNT] = {{4, 2, 4, 0}, {5, 0, 5, 0}, {0, 6, 0, 2}, {2, 0, 2, 2}};

static int ActiveViewMode() { return (g_App.Settings.Status & STATUS_VIEWMODE2) ? 1 : 0; }

// Copies a colour set's defaults; Pattern belongs to the skin and stays.
static void SetDefaultColors(DesignColors* set, const DesignColors& def) {
  int pattern = set->Pattern;
  *set = def;
  set->Pattern = pattern;
}

void InitPageDesign(PageDesign* design) {
  for (int i = 0; i < PD_COUNT; i++) SetDefaultColors(&design->Sets[i], kDefaultPageSets[i]);
}

void SetDefaultFonts(int mode) {
  if (mode != 0 && mode != 1) mode = ActiveViewMode();
  // The interface font comes with the language; fall back when a library
  // (or the built-in set) leaves it empty, or every read would reset the fonts.
  wchar_t face[31];
  HMODULE module = g_App.LangModule ? g_App.LangModule : g_App.Instance;
  if (LoadStringW(module, IDS_LANG_FONT, face, 31) <= 0 || !face[0]) lstrcpynW(face, L"Segoe UI", 31);
  for (int i = 0; i < FONT_COUNT; i++) {
    FontEntry* f = &g_App.Design.ViewMode[mode].Fonts[i];
    f->Size = kDefaultFonts[i].Size;
    f->Flag = kDefaultFonts[i].Flag;
    lstrcpynW(f->Face, face, kFaceChars);
  }
}

// Deletes both modes' font handles, a shared handle once.
static void ReleaseFonts() {
  for (int i = 0; i < FONT_COUNT; i++) {
    HFONT a = g_App.Design.ViewMode[0].Fonts[i].Font;
    HFONT b = g_App.Design.ViewMode[1].Fonts[i].Font;
    if (a) DeleteObject(a);
    if (b && b != a) DeleteObject(b);
    g_App.Design.ViewMode[0].Fonts[i].Font = nullptr;
    g_App.Design.ViewMode[1].Fonts[i].Font = nullptr;
  }
}

void ResetViewModeDesign() {
  ReleaseFonts();
  ViewModeDesign* v = &g_App.Design.ViewMode[0];
  *v = ViewModeDesign{};
  v->Flag = 0x10;
  v->CaptionHeight = 22;
  v->FrameWidth = 6;
  v->TabSizeX = 58;
  v->TabSizeY = 20;
  v->ButtonSizeX = 58;
  v->ButtonSizeY = 58;
  v->IconSizeGet = 32;
  v->IconSizeDisp = 32;
  v->ButtonNumX = 7;
  v->ButtonNumY = 3;
  for (int i = 0; i < MARGIN_COUNT; i++) v->Margin[i] = kDefaultMargins[i];
  SetDefaultFonts(0);
  g_App.Design.ViewMode[1] = *v;
  g_App.Design.ViewMode[1].ButtonNumY = 6;
  SetDefaultColors(&g_App.Design.Window, kDefaultWindow);
  MarkSettingsChanged();
}

void ResetAllDesigns() {
  ResetViewModeDesign();
  InitPageDesign(&g_App.Design.PageDefault);
  // Pages made before (the first-run pages among them) would otherwise keep
  // all-zero colours and draw black.
  for (int i = 0; i < g_App.Store.PageCount; i++) InitPageDesign(&g_App.Store.Pages[i].Design);
}

int SyncViewModeDesign(int mode) {
  if (g_App.Settings.DispOption & DISP_SEPARATE_VIEWMODES) return 0;
  if (mode != 0 && mode != 1) mode = ActiveViewMode();
  const ViewModeDesign& from = g_App.Design.ViewMode[mode];
  ViewModeDesign* to = &g_App.Design.ViewMode[1 - mode];
  ViewModeDesign kept = *to;
  *to = from;
  to->ButtonNumX = kept.ButtonNumX;
  to->ButtonNumY = kept.ButtonNumY;
  to->SearchWindowX = kept.SearchWindowX;
  to->SearchWindowY = kept.SearchWindowY;
  to->SearchWindowW = kept.SearchWindowW;
  for (int i = 0; i < FONT_COUNT; i++) to->Fonts[i].Font = kept.Fonts[i].Font;
  return 1;
}

void BuildFontLogfont(const FontEntry* entry, int dpi, LOGFONTW* out) {
  *out = LOGFONTW{};
  out->lfHeight = -MulDiv(entry->Size, dpi, 72);
  out->lfWeight = (entry->Flag & FEF_BOLD) ? FW_BOLD : FW_NORMAL;
  out->lfItalic = (entry->Flag & FEF_ITALIC) ? TRUE : FALSE;
  out->lfCharSet = DEFAULT_CHARSET;
  out->lfQuality = CLEARTYPE_QUALITY;
  lstrcpynW(out->lfFaceName, entry->Face, LF_FACESIZE);
}

HFONT CreateFontForDpi(FontEntry* entry, int dpi) {
  LOGFONTW lf;
  BuildFontLogfont(entry, dpi, &lf);
  entry->Font = CreateFontIndirectW(&lf);
  return entry->Font;
}

static bool SameFont(const FontEntry& a, const FontEntry& b) {
  return a.Size == b.Size && a.Flag == b.Flag && !lstrcmpW(a.Face, b.Face);
}

void RecreateFont(int index, int sync) {
  if (index < 0 || index >= FONT_COUNT) return;
  if (sync) SyncViewModeDesign(-1);
  FontEntry* a = &g_App.Design.ViewMode[0].Fonts[index];
  FontEntry* b = &g_App.Design.ViewMode[1].Fonts[index];
  if (a->Font) DeleteObject(a->Font);
  if (b->Font && b->Font != a->Font) DeleteObject(b->Font);
  a->Font = nullptr;
  b->Font = nullptr;
  int dpi = g_App.Design.Dpi > 0 ? g_App.Design.Dpi : 96;
  CreateFontForDpi(a, dpi);
  if (SameFont(*a, *b))
    b->Font = a->Font;
  else
    CreateFontForDpi(b, dpi);
}
