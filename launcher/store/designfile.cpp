#include "store/designfile.h"
#include "state.h"
#include "dialogs/dialoghelpers.h"
#include "resources/resource.h"
#include "store/datafolder.h"

static const wchar_t* const kMarginSections[MARGIN_COUNT] = {L"Caption", L"TabText", L"ButtonIcon",
                                                             L"ButtonText"};
static const wchar_t* const kFontSections[FONT_COUNT] = {L"Caption", L"TabA", L"TabB", L"Button", L"SubMenu"};
static const wchar_t* const kOldFontSections[FONT_COUNT] = {L"Caption", L"Tab", L"TabB", L"Button",
                                                            L"FolderMenu"};
static const wchar_t* const kColorSections[PD_COUNT] = {L"TabN", L"TabH", L"TabS", L"ButtonN", L"ButtonH",
                                                        L"ButtonD"};
// Names of sets 0-3 before the hover and pressed sets had their own.
static const wchar_t* const kOldColorSections[PD_COUNT] = {L"TabB", L"TabBH", L"Tab", L"Button", nullptr,
                                                           nullptr};

// The view-mode keys in file order; Flag is hex, the rest decimal.
struct ViewModeKey {
  const wchar_t* Key;
  int ViewModeDesign::*Field;
};
static const ViewModeKey kViewModeKeys[] = {
    {L"CaptionHeight", &ViewModeDesign::CaptionHeight}, {L"FrameWidth", &ViewModeDesign::FrameWidth},
    {L"TabSizeX", &ViewModeDesign::TabSizeX},           {L"TabSizeY", &ViewModeDesign::TabSizeY},
    {L"ButtonSizeX", &ViewModeDesign::ButtonSizeX},     {L"ButtonSizeY", &ViewModeDesign::ButtonSizeY},
    {L"IconSizeGet", &ViewModeDesign::IconSizeGet},     {L"IconSizeDisp", &ViewModeDesign::IconSizeDisp},
    {L"ButtonNumX", &ViewModeDesign::ButtonNumX},       {L"ButtonNumY", &ViewModeDesign::ButtonNumY},
    {L"SearchWindowX", &ViewModeDesign::SearchWindowX}, {L"SearchWindowY", &ViewModeDesign::SearchWindowY},
    {L"SearchWindowW", &ViewModeDesign::SearchWindowW},
};

static const int kDefaultFontSizes[FONT_COUNT] = {11, 10, 10, 9, 11};

static void FreeText(void* p) {
  if (p) HeapFree(GetProcessHeap(), 0, p);
}

static int InRange(int v, int lo, int hi) { return v >= lo && v <= hi; }

// A section searched forward from `from` that must begin before `limit`
// (null: anywhere), so a damaged group never borrows a later group's section.
static const wchar_t* FindSectionBefore(const wchar_t* from, const wchar_t* name, int number,
                                        const wchar_t* limit) {
  if (!from) return nullptr;
  const wchar_t* p = FindIniSection(from, name, number);
  if (p && limit && p > limit) return nullptr;
  return p;
}

static int ReadInt(const wchar_t* section, const wchar_t* key, int* out, int mode) {
  *out = 0;
  return section ? ReadIniInt(section, key, out, mode) : 0;
}

// ---- reading ----

// One colour set; 1 when all its colour keys and Pattern were there.
static int ReadDesignColors(const wchar_t* section, DesignColors* set) {
  int n = 0;
  n += ReadInt(section, L"Flag", (int*)&set->Flag, INI_HEX);
  n += ReadInt(section, L"BG1", (int*)&set->BG1, INI_HEX);
  n += ReadInt(section, L"BG2", (int*)&set->BG2, INI_HEX);
  n += ReadInt(section, L"Frame1", (int*)&set->Frame1, INI_HEX);
  n += ReadInt(section, L"Frame2", (int*)&set->Frame2, INI_HEX);
  n += ReadInt(section, L"TextClr1", (int*)&set->TextClr1, INI_HEX);
  n += ReadInt(section, L"TextClr2", (int*)&set->TextClr2, INI_HEX);
  n += ReadInt(section, L"Pattern", &set->Pattern, INI_DEC);
  // Out-of-range shadow values would make absurd pens and offsets when drawn.
  if (!ReadInt(section, L"ShadowAlpha", &set->ShadowAlpha, INI_DEC) || !InRange(set->ShadowAlpha, 0, 255))
    set->ShadowAlpha = 255;
  if (!ReadInt(section, L"ShadowWidth", &set->ShadowWidth, INI_DEC) || !InRange(set->ShadowWidth, 0, 100))
    set->ShadowWidth = 1;
  return n == 8;
}

// One PageDesign from the sections under `header`, up to the next page-level
// section; 1 when the hover set of the buttons was there and complete.
static int ReadPageDesign(const wchar_t* header, PageDesign* design) {
  const wchar_t* limit = FindIniText(header, L"[Page", 0);
  int complete = 0;
  for (int i = 0; i < PD_COUNT; i++) {
    const wchar_t* s = FindSectionBefore(header, kColorSections[i], -1, limit);
    if (!s && kOldColorSections[i]) s = FindSectionBefore(header, kOldColorSections[i], -1, limit);
    if (s) {
      int ok = ReadDesignColors(s, &design->Sets[i]);
      if (i == PD_BUTTONH) complete = ok;
    } else if (i == PD_BUTTOND) {
      design->Sets[PD_BUTTOND] = design->Sets[PD_BUTTONN];
    }
  }
  return complete;
}

// The five fonts under [Font] by one set of section names; the last section
// when all five were there.
static const wchar_t* ReadFonts(const wchar_t* font, const wchar_t* const* names, const wchar_t* limit,
                                ViewModeDesign* v) {
  const wchar_t* pos = font;
  int all = 1;
  for (int i = 0; i < FONT_COUNT; i++) {
    FontEntry* f = &v->Fonts[i];
    const wchar_t* s = FindSectionBefore(pos, names[i], -1, limit);
    ReadInt(s, L"Size", &f->Size, INI_DEC);
    if (!InRange(f->Size, 1, 72)) f->Size = kDefaultFontSizes[i];
    ReadInt(s, L"Flag", (int*)&f->Flag, INI_HEX);
    if (wchar_t* face = s ? ReadIniString(s, L"Face", -1, 0) : nullptr) {
      lstrcpynW(f->Face, face, kFaceChars);
      FreeText(face);
    }
    if (s)
      pos = s;
    else
      all = 0;
  }
  return all ? pos : nullptr;
}

// One view-mode group after its header; returns the position after its last
// section read.
static const wchar_t* ReadViewMode(const wchar_t* header, const wchar_t* limit, int mode) {
  ViewModeDesign* v = &g_App.Design.ViewMode[mode];
  const wchar_t* pos = header;
  ReadInt(header, L"Flag", (int*)&v->Flag, INI_HEX);
  for (const ViewModeKey& k : kViewModeKeys) ReadInt(header, k.Key, &(v->*k.Field), INI_DEC);

  const wchar_t* font = FindSectionBefore(header, L"Font", -1, limit);
  const wchar_t* margin = FindSectionBefore(header, L"Margin", -1, font ? font : limit);
  const wchar_t* m = margin;
  int all = margin != nullptr;
  for (int i = 0; i < MARGIN_COUNT; i++) {
    const wchar_t* s = FindSectionBefore(m, kMarginSections[i], -1, font ? font : limit);
    RECT* r = &v->Margin[i];
    ReadInt(s, L"Left", (int*)&r->left, INI_DEC);
    ReadInt(s, L"Top", (int*)&r->top, INI_DEC);
    ReadInt(s, L"Right", (int*)&r->right, INI_DEC);
    ReadInt(s, L"Bottom", (int*)&r->bottom, INI_DEC);
    LONG* edge[4] = {&r->left, &r->top, &r->right, &r->bottom};
    for (LONG* e : edge)
      if (!InRange(*e, -1000, 1000)) *e = 0;
    if (s)
      m = s;
    else
      all = 0;
  }
  if (all) pos = m;

  font = FindSectionBefore(pos, L"Font", -1, limit);
  const wchar_t* last = font ? ReadFonts(font, kFontSections, limit, v) : nullptr;
  if (font && !last) last = ReadFonts(font, kOldFontSections, limit, v);
  int emptyFace = 0;
  for (const FontEntry& f : v->Fonts) emptyFace |= !f.Face[0];
  if (!last || emptyFace) SetDefaultFonts(mode);
  if (last) pos = last;

  if (!InRange(v->ButtonSizeX, 0, 500)) v->ButtonSizeX = 58;
  if (!InRange(v->ButtonSizeY, 0, 500)) v->ButtonSizeY = 58;
  // No list holds more than 1000 buttons; a larger grid only costs memory.
  if (!InRange(v->ButtonNumX, 1, 1000)) v->ButtonNumX = 7;
  if (!InRange(v->ButtonNumY, 1, 1000)) v->ButtonNumY = 3;
  if (!InRange(v->IconSizeGet, 16, 256)) v->IconSizeGet = 32;
  if (!InRange(v->IconSizeDisp, 0, 256)) v->IconSizeDisp = 32;
  if (!InRange(v->FrameWidth, 0, 100)) v->FrameWidth = 6;
  if (!InRange(v->CaptionHeight, 0, 100)) v->CaptionHeight = 22;
  // The options never store tab sizes beyond these; larger ones overflow the layout.
  if (!InRange(v->TabSizeX, 0, 500)) v->TabSizeX = 58;
  if (!InRange(v->TabSizeY, 0, 100)) v->TabSizeY = 20;
  return pos;
}

static const wchar_t* FindViewModeHeader(const wchar_t* from, int mode) {
  const wchar_t* p = FindIniSection(from, L"ViewMode%d", mode + 1);
  return p ? p : FindIniSection(from, L"DispMode%d", mode + 1);
}

static void ResetDesigns(PageDesign* const* pages, int count) {
  ResetAllDesigns();
  for (int i = 0; i < count; i++) InitPageDesign(pages[i]);
}

static int ReadDesignText(wchar_t* text, int keepSearchWindow, PageDesign* const* pages, int count) {
  const wchar_t* pos = text;
  int result = 0;
  if (const wchar_t* skin = FindIniSection(text, L"Skin", -1)) {
    if (wchar_t* name = ReadIniString(skin, L"Name", -1, 1)) {
      lstrcpynW(g_App.SkinName, name, 260);
      FreeText(name);
      result = 1;
    }
    pos = skin;
  }

  int current = (g_App.Settings.Status & STATUS_VIEWMODE2) ? 1 : 0;
  ViewModeDesign* cur = &g_App.Design.ViewMode[current];
  int searchX = cur->SearchWindowX, searchY = cur->SearchWindowY, searchW = cur->SearchWindowW;

  for (int mode = 0; mode < 2; mode++) {
    const wchar_t* header = FindViewModeHeader(pos, mode);
    if (!header) {
      ResetViewModeDesign();
      break;
    }
    // The group ends where the next view mode or the window colours begin.
    const wchar_t* limit = FindIniSection(header, L"Window", -1);
    if (mode == 0) {
      const wchar_t* next = FindViewModeHeader(header, 1);
      if (next && (!limit || next < limit)) limit = next;
    }
    pos = ReadViewMode(header, limit, mode);
  }
  SyncViewModeDesign(0);
  if (!keepSearchWindow && cur->SearchWindowW == 0) {
    cur->SearchWindowX = searchX;
    cur->SearchWindowY = searchY;
    cur->SearchWindowW = searchW;
  }

  const wchar_t* window = FindIniSection(pos, L"Window", -1);
  if (window) {
    result &= ReadDesignColors(window, &g_App.Design.Window);
    pos = window;
  } else {
    result = 0;
  }

  const wchar_t* def = FindIniSection(pos, L"PageDefault", -1);
  if (def) {
    result &= ReadPageDesign(def, &g_App.Design.PageDefault);
    pos = def;
  } else {
    result = 0;
  }
  for (int i = 0; i < count; i++) {
    const wchar_t* page = FindIniSection(pos, L"Page%03u", i);
    if (!page) continue;
    result &= ReadPageDesign(page, pages[i]);
    pos = page;
  }
  return result;
}

int ReadDesignPages(const wchar_t* path, int keepSearchWindow, PageDesign* const* pages, int count) {
  wchar_t* text = nullptr;
  int read = path ? ReadSettingsFile(path, &text, 0) : ReadSettingsFile(nullptr, &text, 2);
  if (!read && !path) read = ReadSettingsFile(nullptr, &text, 0);
  if (!read || !text) {
    ResetDesigns(pages, count);
    return 0;
  }
  if (!FindIniSection(text, L"Window", -1) &&
      (!ConvertAnsiSettings(&text) || !FindIniSection(text, L"Window", -1))) {
    FreeText(text);
    ResetDesigns(pages, count);
    return 0;
  }
  int result = ReadDesignText(text, keepSearchWindow, pages, count);
  FreeText(text);
  return result;
}

// ---- writing ----

static int WriteDesignColors(IniFile* f, const DesignColors& c) {
  int ok = 1;
  ok &= WriteIniHex(f, L"Flag", c.Flag, -1);
  ok &= WriteIniHex(f, L"BG1", c.BG1, -1);
  ok &= WriteIniHex(f, L"BG2", c.BG2, -1);
  ok &= WriteIniHex(f, L"Frame1", c.Frame1, -1);
  ok &= WriteIniHex(f, L"Frame2", c.Frame2, -1);
  ok &= WriteIniHex(f, L"TextClr1", c.TextClr1, -1);
  ok &= WriteIniHex(f, L"TextClr2", c.TextClr2, -1);
  ok &= WriteIniInt(f, L"ShadowAlpha", c.ShadowAlpha, -1);
  ok &= WriteIniInt(f, L"ShadowWidth", c.ShadowWidth, -1);
  ok &= WriteIniInt(f, L"Pattern", c.Pattern, -1);
  return ok;
}

static int WritePageDesign(IniFile* f, const PageDesign& d) {
  int ok = 1;
  for (int i = 0; i < PD_COUNT; i++) {
    ok &= WriteIniSection(f, kColorSections[i], -1);
    ok &= WriteDesignColors(f, d.Sets[i]);
  }
  return ok;
}

static int WriteViewMode(IniFile* f, int mode) {
  const ViewModeDesign& v = g_App.Design.ViewMode[mode];
  int ok = WriteIniSection(f, L"ViewMode%d", mode + 1);
  ok &= WriteIniHex(f, L"Flag", v.Flag, -1);
  for (const ViewModeKey& k : kViewModeKeys) ok &= WriteIniInt(f, k.Key, v.*k.Field, -1);
  ok &= WriteIniSection(f, L"Margin", -1);
  for (int i = 0; i < MARGIN_COUNT; i++) {
    const RECT& r = v.Margin[i];
    ok &= WriteIniSection(f, kMarginSections[i], -1);
    ok &= WriteIniInt(f, L"Left", r.left, -1);
    ok &= WriteIniInt(f, L"Top", r.top, -1);
    ok &= WriteIniInt(f, L"Right", r.right, -1);
    ok &= WriteIniInt(f, L"Bottom", r.bottom, -1);
  }
  ok &= WriteIniSection(f, L"Font", -1);
  for (int i = 0; i < FONT_COUNT; i++) {
    const FontEntry& e = v.Fonts[i];
    ok &= WriteIniSection(f, kFontSections[i], -1);
    ok &= WriteIniInt(f, L"Size", e.Size, -1);
    ok &= WriteIniHex(f, L"Flag", e.Flag, -1);
    ok &= WriteIniString(f, L"Face", e.Face, -1);
  }
  return ok;
}

int WriteDesignPages(IniFile* file, const wchar_t* path, PageDesign* const* pages, int count) {
  IniFile own;
  IniFile* f = file;
  if (!f) {
    wchar_t target[MAX_PATH + 16];
    const wchar_t* folder = path ? nullptr : ResolveDataFolder();
    // No data folder, or one too deep for its Design.ini, cannot be opened.
    if (!path && (!folder || !*folder || lstrlenW(folder) + 12 > MAX_PATH)) folder = nullptr;
    if (folder) wsprintfW(target, L"%s\\Design.ini", folder);
    if ((!path && !folder) || !OpenIniFile(&own, path ? path : target)) {
      if (!path) ShowMessage(IDS_ERR_SAVE, MB_ICONERROR);
      return 0;
    }
    f = &own;
  }
  SyncViewModeDesign(0);
  int ok = WriteIniSection(f, L"Skin", -1);
  ok &= WriteIniString(f, L"Name", g_App.SkinName, -1);
  for (int mode = 0; mode < 2; mode++) ok &= WriteViewMode(f, mode);
  ok &= WriteIniSection(f, L"Window", -1);
  ok &= WriteDesignColors(f, g_App.Design.Window);
  ok &= WriteIniSection(f, L"PageDefault", -1);
  ok &= WritePageDesign(f, g_App.Design.PageDefault);
  for (int i = 0; i < count; i++) {
    ok &= WriteIniSection(f, L"Page%03u", i);
    ok &= WritePageDesign(f, *pages[i]);
  }
  // A failed write keeps the old file: commit only a complete one.
  int closed = CloseIniFile(f, ok);
  return ok && closed;
}

// The designs of the item store's pages, in page order.
static int CollectPageDesigns(PageDesign** out) {
  ItemStore& st = g_App.Store;
  int count = st.Pages && st.PageCount > 0 ? st.PageCount : 0;
  if (count > kMaxPages) count = kMaxPages;
  for (int i = 0; i < count; i++) out[i] = &st.Pages[i].Design;
  return count;
}

int ReadDesign(const wchar_t* path, int keepSearchWindow) {
  PageDesign* pages[kMaxPages];
  int count = CollectPageDesigns(pages);
  return ReadDesignPages(path, keepSearchWindow, pages, count);
}

int WriteDesign(IniFile* file, const wchar_t* path) {
  PageDesign* pages[kMaxPages];
  int count = CollectPageDesigns(pages);
  return WriteDesignPages(file, path, pages, count);
}
