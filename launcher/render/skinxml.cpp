#include "render/skinxml.h"

#include <limits.h>
#include <wchar.h>

#include "render/draw.h"
#include "render/image.h"
#include "render/layout.h"
#include "render/xmlscan.h"
#include "state.h"
#include "store/paths.h"

static int RealScreenBitsPerPixel() {
  HDC screen = GetDC(nullptr);
  int bits = screen ? GetDeviceCaps(screen, BITSPIXEL) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return bits;
}

// The reader hands over the slot; the image loader works by slot number.
static int LoadSkinSlotImage(SkinSlot* slot) {
  SkinSlot* first = g_App.Skin.Slots;
  if (slot < first || slot >= first + SKIN_SLOT_COUNT) return 0;
  return LoadSlotImage((int)(slot - first));
}

SkinXmlSeams g_SkinXmlSeams = {LoadSkinSlotImage, RealScreenBitsPerPixel};

// Skin geometry beyond a 16-bit coordinate describes no screen and would
// overflow the layout's scaling; such a value is a failed read.
const int kSkinValueLimit = 32767;

// Pieces of the sub-menu and search window: item normal, selected (and
// multi-selected); scroll button states; arrows, four states each; search results.
const int kMenuItemSlot = 33;
const int kScrollButtonSlot = 36;
const int kArrowSlot = 40;
const int kSearchItemSlot = 61;

// ViewModeDesign::Flag bits the recommended sizes switch.
enum : UINT {
  VMF_TAB_LEFTTEXT = 0x4,
  VMF_BUTTON_LEFTICON = 0x8,
  VMF_BUTTON_TEXT = 0x10,
  VMF_BUTTON_SINGLELINE = 0x20,
  VMF_BUTTON_LEFTTEXT = 0x40,
  VMF_CAPTIONCENTER = 0x80,
  VMF_CAPTIONMULTILINE = 0x100,
};

struct XmlNode {
  const wchar_t* Attrs;
  const wchar_t* Content;
};

// A direct child of parent; 0 when it is missing.
static int FindChild(const wchar_t* parent, const wchar_t* name, XmlNode* node) {
  node->Attrs = FindXmlElement(parent, name, XML_ATTRS);
  node->Content = node->Attrs ? FindXmlElement(parent, name, XML_CONTENT) : nullptr;
  return node->Content != nullptr;
}

static int ReadValue(const wchar_t* attrs, const wchar_t* name, wchar_t (&out)[kXmlValueChars + 1]) {
  return ReadXmlAttrString(attrs, name, out, kXmlValueChars, 0) >= 0;
}

static int InSkinLimit(int v) { return v >= -kSkinValueLimit && v <= kSkinValueLimit; }

static int ReadSkinInt(const wchar_t* attrs, const wchar_t* name, int* out) {
  int v;
  if (!ReadXmlAttrInt(attrs, name, &v) || !InSkinLimit(v)) return 0;
  *out = v;
  return 1;
}

// count (2 or 4) integers; the ones read before a missing or broken one are stored.
static int ReadSkinInts(const wchar_t* attrs, const wchar_t* name, int* out, int count) {
  int v[4];
  for (int i = 0; i < count; i++) v[i] = out[i];
  int ok = count == 4 ? ReadXmlAttrRect(attrs, name, v) : ReadXmlAttrPair(attrs, name, v);
  for (int i = 0; i < count; i++) {
    if (!InSkinLimit(v[i])) return 0;
    out[i] = v[i];
  }
  return ok;
}

static int ReadSkinRect(const wchar_t* attrs, const wchar_t* name, RECT* r) {
  int v[4] = {(int)r->left, (int)r->top, (int)r->right, (int)r->bottom};
  int ok = ReadSkinInts(attrs, name, v, 4);
  *r = RECT{v[0], v[1], v[2], v[3]};
  return ok;
}

static int ReadSkinPoint(const wchar_t* attrs, const wchar_t* name, POINT* p) {
  int v[2] = {(int)p->x, (int)p->y};
  int ok = ReadSkinInts(attrs, name, v, 2);
  *p = POINT{v[0], v[1]};
  return ok;
}

struct Keyword {
  const wchar_t* Word;
  UINT Value;
};

// The value of the first keyword the text holds, tested in table order.
static UINT MatchValue(const wchar_t* value, const Keyword* table, int count, UINT otherwise) {
  for (int i = 0; i < count; i++)
    if (XmlValueHas(value, table[i].Word)) return table[i].Value;
  return otherwise;
}

static UINT MatchKeyword(const wchar_t* attrs, const wchar_t* name, const Keyword* table, int count, UINT otherwise) {
  wchar_t v[kXmlValueChars + 1];
  return ReadValue(attrs, name, v) ? MatchValue(v, table, count, otherwise) : otherwise;
}

// ---- names -----------------------------------------------------------------

// Windows opens these as devices in any folder, with any extension.
static int IsDeviceName(const wchar_t* part, size_t len) {
  size_t base = 0;
  while (base < len && part[base] != L'.') base++;
  while (base > 0 && part[base - 1] == L' ') base--;
  if (base == 3) {
    for (const wchar_t* d : {L"CON", L"PRN", L"AUX", L"NUL"})
      if (!_wcsnicmp(part, d, 3)) return 1;
    return 0;
  }
  return base == 4 && (!_wcsnicmp(part, L"COM", 3) || !_wcsnicmp(part, L"LPT", 3)) && part[3] >= L'1' &&
         part[3] <= L'9';
}

// One part of a path: not empty, not only dots and blanks (Windows drops
// trailing dots and blanks, so "..." and ".. " are ".."), no device.
static int IsPlainPart(const wchar_t* part, size_t len) {
  size_t kept = len;
  while (kept > 0 && (part[kept - 1] == L'.' || part[kept - 1] == L' ')) kept--;
  return kept > 0 && !IsDeviceName(part, len);
}

static int IsSkinPath(const wchar_t* name, int allowFolders) {
  if (!name || !name[0]) return 0;
  for (const wchar_t* p = name; *p; p++)
    if (*p < 32 || wcschr(L":*?\"<>|", *p)) return 0;
  const wchar_t* part = name;
  for (;;) {
    const wchar_t* end = part;
    while (*end && *end != L'\\' && *end != L'/') end++;
    if (!IsPlainPart(part, (size_t)(end - part))) return 0;
    if (!*end) return 1;
    if (!allowFolders) return 0;
    part = end + 1;
  }
}

int IsSkinFileName(const wchar_t* name) { return IsSkinPath(name, 1); }

int IsSkinName(const wchar_t* name) {
  if (!name) return 0;
  return IsSkinPath(name[0] == L'\\' ? name + 1 : name, 0);
}

// Appends text to out (chars in all); 0 when it does not fit.
static int AppendText(wchar_t* out, size_t chars, const wchar_t* text) {
  size_t used = wcslen(out), n = wcslen(text);
  if (used + n + 1 > chars) return 0;
  wmemcpy(out + used, text, n + 1);
  return 1;
}

int BuildSkinFilePath(const wchar_t* skinName, const wchar_t* file, wchar_t* out, int chars) {
  if (!out || chars <= 0) return 0;
  out[0] = 0;
  if (!IsSkinName(skinName)) return 0;
  // An archive's entries are no files: the zip reader finds them.
  if (file && (skinName[0] != L'\\' || !IsSkinFileName(file))) return 0;
  wchar_t name[MAX_PATH] = L"Skins";
  if (skinName[0] != L'\\' && !AppendText(name, MAX_PATH, L"\\")) return 0;
  if (!AppendText(name, MAX_PATH, skinName)) return 0;
  if (file && (!AppendText(name, MAX_PATH, L"\\") || !AppendText(name, MAX_PATH, file))) return 0;
  if (!BuildProgramFilePath(name, out, chars)) {
    out[0] = 0;
    return 0;
  }
  return 1;
}

// ---- images ----------------------------------------------------------------

// Slot to becomes a copy of slot from that borrows its image.
static void ShareSlot(int to, int from) {
  SkinSlot* slots = g_App.Skin.Slots;
  slots[to] = slots[from];
  wchar_t* name = slots[to].FileName;
  if (!name[0] || name[0] == L'\\') return;
  size_t len = wcslen(name);
  if (len + 2 > ARRAYSIZE(slots[to].FileName)) len = ARRAYSIZE(slots[to].FileName) - 2;
  wmemmove(name + 1, name, len);
  name[0] = L'\\';
  name[len + 1] = 0;
}

// A cell "n/m" (n >= 1, m >= 1) of an image size, or a plain number of pixels.
static int ReadCell(const wchar_t* value, int imageSize, int isPosition, int* out) {
  int n;
  if (!ParseXmlInt(value, nullptr, &n)) return 0;
  const wchar_t* slash = wcschr(value, L'/');
  if (!slash) {
    *out = n;
    return 1;
  }
  int m;
  if (!ParseXmlInt(slash + 1, nullptr, &m) || n < 1 || m < 1) return 0;
  long long size = imageSize > 0 ? imageSize : 0;
  long long v = (long long)(isPosition ? n - 1 : n) * (size / m);
  *out = v > INT_MAX ? INT_MAX : (int)v;
  return 1;
}

// The part of the image that forms the slot; reading stops at the first
// missing or broken value.
static void ReadSourceRect(const wchar_t* attrs, SkinSlot* s) {
  static const wchar_t* const kNames[4] = {L"left", L"top", L"width", L"height"};
  int* fields[4] = {&s->SourceLeft, &s->SourceTop, &s->SourceWidth, &s->SourceHeight};
  const int w = s->ImageWidth, h = s->ImageHeight;
  for (int i = 0; i < 4; i++) {
    wchar_t v[kXmlValueChars + 1];
    if (!ReadValue(attrs, kNames[i], v) || !ReadCell(v, i % 2 ? h : w, i < 2, fields[i])) break;
  }
  // Never outside the image, whatever the file says.
  if (s->SourceLeft < 0 || s->SourceLeft >= w) s->SourceLeft = 0;
  if (s->SourceTop < 0 || s->SourceTop >= h) s->SourceTop = 0;
  if (s->SourceWidth > w - s->SourceLeft) s->SourceWidth = w - s->SourceLeft;
  if (s->SourceHeight > h - s->SourceTop) s->SourceHeight = h - s->SourceTop;
  if (s->SourceWidth < 0) s->SourceWidth = 0;
  if (s->SourceHeight < 0) s->SourceHeight = 0;
}

// The image attributes of an element: 1 when the slot has its image.
static int ReadSkinImage(const wchar_t* attrs, int index) {
  SkinSettings& k = g_App.Skin;
  SkinSlot* s = &k.Slots[index];
  // Room is left for the mark of a borrowed image.
  int zipped = (k.Flags & SKF_ZIPPED) != 0;
  if (ReadXmlAttrString(attrs, L"image", s->FileName, ARRAYSIZE(s->FileName) - 2, zipped) < 0) return 0;
  if (!IsSkinFileName(s->FileName)) {
    s->FileName[0] = 0;
    return 0;
  }
  if (!g_SkinXmlSeams.LoadSlotImage || !g_SkinXmlSeams.LoadSlotImage(s)) return 0;

  ReadSourceRect(attrs, s);
  wchar_t v[kXmlValueChars + 1];
  if (ReadValue(attrs, L"method", v) && XmlValueHas(v, L"tile"))
    s->Flags |= 1;
  else
    s->Flags &= ~1u;
  ReadSkinRect(attrs, L"border", &s->Border);
  LONG* border[4] = {&s->Border.left, &s->Border.top, &s->Border.right, &s->Border.bottom};
  for (LONG* b : border)
    if (*b < 0) *b = 0;
  return 1;
}

// ---- arrangement -----------------------------------------------------------

static const wchar_t* const kEdgeNames[4] = {L"left", L"top", L"right", L"bottom"};

static const Keyword kBaseSlots[] = {
    {L"TopFrame", SLOT_FRAMETOP},         {L"LeftFrame", SLOT_FRAMELEFT},     {L"RightFrame", SLOT_FRAMERIGHT},
    {L"BottomFrame", SLOT_FRAMEBOTTOM},   {L"CloseButton", SLOT_CLOSEBUTTON}, {L"PinButton", SLOT_PINBUTTON},
    {L"LockButton", SLOT_PINBUTTON},      {L"ModeButton", SLOT_MODEBUTTON},   {L"SearchButton", SLOT_SEARCHBUTTON},
};
static const Keyword kSides[] = {{L"left", ARR_LEFT}, {L"top", ARR_TOP}, {L"right", ARR_RIGHT}, {L"bottom", ARR_BOTTOM}};

// The four edges of a system button or the caption.
static int ReadSkinArrangement(const wchar_t* content, int index) {
  SkinSlot* s = &g_App.Skin.Slots[index];
  XmlNode arrangement;
  if (!FindChild(content, L"arrangement", &arrangement)) return 0;
  for (int e = 0; e < 4; e++) {
    const wchar_t* edge = FindXmlElement(arrangement.Content, kEdgeNames[e], XML_ATTRS);
    if (!edge) return 0;
    if (e == EDGE_RIGHT || e == EDGE_BOTTOM) {
      wchar_t v[kXmlValueChars + 1];
      int has = ReadValue(edge, e == EDGE_RIGHT ? L"width" : L"height", v);
      if (!has || !XmlValueHas(v, L"Variable")) {
        int size = 0;
        if (has && XmlValueHas(v, L"ImageSize"))
          size = e == EDGE_RIGHT ? s->SourceWidth : s->SourceHeight;
        else if (has && (!ParseXmlInt(v, nullptr, &size) || !InSkinLimit(size)))
          size = 0;
        s->Edge[e] = ARR_SIZE;
        s->Offset[e] = size;
        continue;
      }
    }
    UINT base = MatchKeyword(edge, L"base", kBaseSlots, ARRAYSIZE(kBaseSlots), 0);
    UINT side = MatchKeyword(edge, L"side", kSides, ARRAYSIZE(kSides), 0);
    int offset = 0;
    ReadSkinInt(edge, L"offset", &offset);
    s->Edge[e] = base | side;
    s->Offset[e] = offset;
  }
  return 1;
}

// ---- text ------------------------------------------------------------------

static int ReadSkinFont(const wchar_t* attrs, FontEntry* f) {
  if (ReadXmlAttrString(attrs, L"face", f->Face, kFaceChars - 1, 0) < 0)
    ReadXmlAttrString(attrs, L"fontFace", f->Face, kFaceChars - 1, 0);
  int size;
  int sized = ReadXmlAttrInt(attrs, L"size", &size) || ReadXmlAttrInt(attrs, L"fontSize", &size);
  if (sized) f->Size = size < 1 ? 1 : size > 72 ? 72 : size;
  f->Flag = 0;
  wchar_t v[kXmlValueChars + 1];
  if (ReadValue(attrs, L"style", v) || ReadValue(attrs, L"fontStyle", v)) {
    if (XmlValueHas(v, L"bold")) f->Flag |= FEF_BOLD;
    if (XmlValueHas(v, L"italic")) f->Flag |= FEF_ITALIC;
  }
  ReadXmlAttrBool(attrs, L"antiAlias", &f->Flag, FEF_ANTIALIAS);
  return sized;
}

// Font entry index of the first view mode, copied to the second, which
// keeps its own handle.
static int ReadSkinFontEntry(const wchar_t* attrs, int index) {
  ViewModeDesign* v = g_App.Design.ViewMode;
  int sized = ReadSkinFont(attrs, &v[0].Fonts[index]);
  HFONT kept = v[1].Fonts[index].Font;
  v[1].Fonts[index] = v[0].Fonts[index];
  v[1].Fonts[index].Font = kept;
  return sized;
}

static void ReadSkinDecoration(const wchar_t* attrs, DesignColors* d) {
  static const Keyword kShadows[] = {{L"upper", DCF_SHADOW_UPPER}, {L"lower", DCF_SHADOW_LOWER}, {L"outline", DCF_OUTLINE}};
  d->Flag &= ~(UINT)(DCF_SHADOW_UPPER | DCF_SHADOW_LOWER | DCF_OUTLINE);
  d->Flag |= MatchKeyword(attrs, L"shadow", kShadows, ARRAYSIZE(kShadows), 0);
  ReadXmlAttrColor(attrs, L"color", &d->TextClr1);
  ReadXmlAttrColor(attrs, L"shadowColor", &d->TextClr2);
  // The ranges the design file keeps.
  int v;
  d->ShadowAlpha = ReadXmlAttrInt(attrs, L"shadowAlpha", &v) && v >= 0 && v <= 255 ? v : 255;
  d->ShadowWidth = ReadXmlAttrInt(attrs, L"shadowWidth", &v) && v >= 0 && v <= 100 ? v : 1;
}

// The text child: its font (a font child or the text's own attributes) and,
// with colors, its decoration. The text's content when the font had a size.
static const wchar_t* ReadSkinText(const wchar_t* content, int fontIndex, DesignColors* colors) {
  XmlNode text;
  if (!FindChild(content, L"text", &text)) return nullptr;
  const wchar_t* font = FindXmlElement(text.Content, L"font", XML_ATTRS);
  int sized = ReadSkinFontEntry(font ? font : text.Attrs, fontIndex);
  if (colors) {
    const wchar_t* decoration = FindXmlElement(text.Content, L"decoration", XML_ATTRS);
    ReadSkinDecoration(decoration ? decoration : text.Attrs, colors);
  }
  return sized ? text.Content : nullptr;
}

// Children of parent read by ReadSkinDecoration into sets; each required.
static int ReadDecorationSets(const wchar_t* parent, const wchar_t* const* names, DesignColors* const* sets, int count) {
  for (int i = 0; i < count; i++) {
    const wchar_t* attrs = FindXmlElement(parent, names[i], XML_ATTRS);
    if (!attrs) return 0;
    ReadSkinDecoration(attrs, sets[i]);
  }
  return 1;
}

// ---- handlers --------------------------------------------------------------

static int ReadSkinGeneral(const wchar_t* skin, int, int) {
  SkinSettings& k = g_App.Skin;
  const wchar_t* general = FindXmlElement(skin, L"general", XML_ATTRS);
  if (!general) return 0;
  static const Keyword kPositions[] = {
      {L"top", TABPOS_TOP}, {L"left", TABPOS_LEFT}, {L"right", TABPOS_RIGHT}, {L"bottom", TABPOS_BOTTOM}};
  wchar_t v[kXmlValueChars + 1];
  if (!ReadValue(general, L"tabPosition", v)) return 0;
  k.TabPosition = (int)MatchValue(v, kPositions, ARRAYSIZE(kPositions), TABPOS_TOP);

  UINT alpha = 0;
  ReadXmlAttrBool(general, L"alphaChannel", &alpha, 1);
  if (alpha) {
    // The colour key is not put in place of alpha on a poorer display.
    if (!g_SkinXmlSeams.ScreenBitsPerPixel || g_SkinXmlSeams.ScreenBitsPerPixel() != 32) return 0;
    k.TransparencyMode = SKINMODE_ALPHA;
    k.ClipColor = 0;
  } else {
    k.TransparencyMode = SKINMODE_CLIPPING;
    k.ClipColor = kClassicClipColor;
    ReadXmlAttrColor(general, L"clippingColor", &k.ClipColor);
  }
  ReadSkinRect(general, L"sizeArea", &k.SizeArea);
  ReadSkinRect(general, L"shadowArea", &k.MainShadow);
  return 1;
}

static int ReadSkinBackground(const wchar_t* skin, int, int) {
  XmlNode background;
  if (!FindChild(skin, L"background", &background)) return 0;
  ReadSkinImage(background.Attrs, SLOT_BACKGROUND);
  const wchar_t* arrangement = FindXmlElement(background.Content, L"arrangement", XML_ATTRS);
  return arrangement && ReadSkinInts(arrangement, L"offset", g_App.Skin.Slots[SLOT_BACKGROUND].Offset, 4);
}

// The four pieces of a frame, left, top, right, bottom from first.
static int ReadSkinFrame(const wchar_t* content, int first, int) {
  XmlNode frame;
  if (!FindChild(content, L"frame", &frame)) return 0;
  for (int i = 0; i < 4; i++) {
    XmlNode piece;
    if (!FindChild(frame.Content, kEdgeNames[i], &piece)) return 0;
    SkinSlot* s = &g_App.Skin.Slots[first + i];
    ReadSkinImage(piece.Attrs, first + i);
    const wchar_t* arrangement = FindXmlElement(piece.Content, L"arrangement", XML_ATTRS);
    const bool across = i == EDGE_LEFT || i == EDGE_RIGHT;  // a width, else a height
    wchar_t v[kXmlValueChars + 1];
    if (!arrangement || !ReadValue(arrangement, across ? L"width" : L"height", v)) return 0;
    const int edge = across ? EDGE_RIGHT : EDGE_BOTTOM;
    if (XmlValueHas(v, L"ImageSize")) {
      s->Edge[edge] = ARR_SIZE;
      s->Offset[edge] = across ? s->SourceWidth : s->SourceHeight;
    } else if (XmlValueHas(v, L"Variable")) {
      s->Edge[edge] = ARR_VARIABLE;
    } else {
      int size;
      if (!ParseXmlInt(v, nullptr, &size) || !InSkinLimit(size)) return 0;
      s->Edge[edge] = ARR_SIZE;
      s->Offset[edge] = size;
    }
  }
  return 1;
}

static int ReadSkinSystemButton(const wchar_t* skin, int first, int) {
  XmlNode button;
  int found = 0;
  switch (first) {
    case SLOT_CLOSEBUTTON: found = FindChild(skin, L"closebutton", &button); break;
    case SLOT_PINBUTTON:
      found = FindChild(skin, L"pinbutton", &button) || FindChild(skin, L"lockbutton", &button);
      break;
    case SLOT_MODEBUTTON: found = FindChild(skin, L"modebutton", &button); break;
    default: found = FindChild(skin, L"searchbutton", &button); break;
  }
  if (!found) return 1;  // the button is not shown
  static const wchar_t* const kStates[4] = {L"normal", L"hover", L"down", L"downhover"};
  const int states = first == SLOT_CLOSEBUTTON ? 3 : 4;
  for (int i = 0; i < states; i++) {
    const wchar_t* attrs = FindXmlElement(button.Content, kStates[i], XML_ATTRS);
    if (!attrs) return 0;
    ReadSkinImage(attrs, first + i);
  }
  return ReadSkinArrangement(button.Content, first);
}

static int ReadSkinCaption(const wchar_t* skin, int, int takeDesign) {
  SkinSettings& k = g_App.Skin;
  k.Flags &= ~SKF_NO_CAPTION;
  XmlNode caption;
  if (!FindChild(skin, L"caption", &caption)) {
    k.Slots[SLOT_CAPTION] = SkinSlot{};
    k.Flags |= SKF_NO_CAPTION;
    return 1;
  }
  ReadSkinImage(caption.Attrs, SLOT_CAPTION);
  if (!ReadSkinArrangement(caption.Content, SLOT_CAPTION)) return 0;
  return !takeDesign || ReadSkinText(caption.Content, FONT_CAPTION, &g_App.Design.Window);
}

// designs, else pattern: the design columns of an image (at least one, as
// the drawing divides the image by it).
static int ReadDesignCount(const wchar_t* attrs, int* out) {
  int n;
  if (!ReadXmlAttrInt(attrs, L"designs", &n) && !ReadXmlAttrInt(attrs, L"pattern", &n)) return 0;
  if (n < 1 || n > kSkinValueLimit) return 0;
  *out = n;
  return 1;
}

static int ReadSkinTab(const wchar_t* tabArea, int takeDesign) {
  SkinSettings& k = g_App.Skin;
  PageDesign& page = g_App.Design.PageDefault;
  XmlNode tab;
  if (!FindChild(tabArea, L"tab", &tab) || !ReadSkinImage(tab.Attrs, SLOT_TAB)) return 0;
  if (!ReadDesignCount(tab.Attrs, &k.DesignCount[0])) return 0;
  const wchar_t* arrangement = FindXmlElement(tab.Content, L"arrangement", XML_ATTRS);
  if (!arrangement || !ReadSkinPoint(arrangement, L"pitch", &k.TabPitch)) return 0;
  XmlNode text;
  int hasText = FindChild(tab.Content, L"text", &text);
  if (hasText) g_App.SkinText.SkinTextFlags |= STF_TAB_TEXT | STF_NEW_TEXT_LAYOUT;
  if (!takeDesign) return 1;

  if (hasText) {
    XmlNode font;
    if (!FindChild(text.Content, L"font", &font)) return 0;
    const wchar_t* active = FindXmlElement(font.Content, L"active", XML_ATTRS);
    const wchar_t* inactive = FindXmlElement(font.Content, L"inactive", XML_ATTRS);
    if (!active || !inactive || !ReadSkinFontEntry(active, FONT_TABA) || !ReadSkinFontEntry(inactive, FONT_TABB))
      return 0;
    XmlNode decoration;
    if (!FindChild(text.Content, L"decoration", &decoration)) return 0;
    static const wchar_t* const kNames[3] = {L"normal", L"hover", L"active"};
    DesignColors* const sets[3] = {&page.Sets[PD_TABN], &page.Sets[PD_TABH], &page.Sets[PD_TABS]};
    return ReadDecorationSets(decoration.Content, kNames, sets, 3);
  }
  // The older layout: a text under each of active and inactive.
  XmlNode active, inactive;
  if (!FindChild(tab.Content, L"active", &active) || !FindChild(tab.Content, L"inactive", &inactive)) return 0;
  const wchar_t* activeText = ReadSkinText(active.Content, FONT_TABA, &page.Sets[PD_TABS]);
  const wchar_t* inactiveText = activeText ? ReadSkinText(inactive.Content, FONT_TABB, &page.Sets[PD_TABN]) : nullptr;
  if (!inactiveText || !FindXmlElement(activeText, L"hover", XML_ATTRS)) return 0;
  const wchar_t* hover = FindXmlElement(inactiveText, L"hover", XML_ATTRS);
  if (!hover) return 0;
  ReadSkinDecoration(hover, &page.Sets[PD_TABH]);
  return 1;
}

static int ReadSkinButton(const wchar_t* buttonArea, int takeDesign) {
  SkinSettings& k = g_App.Skin;
  PageDesign& page = g_App.Design.PageDefault;
  XmlNode button;
  if (!FindChild(buttonArea, L"button", &button) || !ReadSkinImage(button.Attrs, SLOT_BUTTON)) return 0;
  if (!ReadDesignCount(button.Attrs, &k.DesignCount[1])) return 0;
  const wchar_t* arrangement = FindXmlElement(button.Content, L"arrangement", XML_ATTRS);
  if (!arrangement || !ReadSkinPoint(arrangement, L"pitch", &k.ButtonPitch) ||
      !ReadSkinPoint(arrangement, L"shiftHover", &k.ShiftHover) ||
      !ReadSkinPoint(arrangement, L"shiftDown", &k.ShiftDown))
    return 0;

  const wchar_t* locked = FindXmlElement(buttonArea, L"lockedbutton", XML_ATTRS);
  if (locked && ReadSkinImage(locked, SLOT_LOCKEDBUTTON) && !ReadDesignCount(locked, &k.DesignCount[2]))
    k.DesignCount[2] = 1;
  if (!takeDesign) return 1;

  XmlNode text;
  if (!FindChild(button.Content, L"text", &text)) return 0;
  const wchar_t* font = FindXmlElement(text.Content, L"font", XML_ATTRS);
  if (!font) {
    // The older layout: the text's own font and colours, pressed as normal.
    if (!ReadSkinText(button.Content, FONT_BUTTON, &page.Sets[PD_BUTTONN])) return 0;
    page.Sets[PD_BUTTOND] = page.Sets[PD_BUTTONN];
    return 1;
  }
  if (!ReadSkinFontEntry(font, FONT_BUTTON)) return 0;
  XmlNode decoration;
  if (!FindChild(text.Content, L"decoration", &decoration)) return 0;
  static const wchar_t* const kNames[3] = {L"normal", L"hover", L"down"};
  DesignColors* const sets[3] = {&page.Sets[PD_BUTTONN], &page.Sets[PD_BUTTONH], &page.Sets[PD_BUTTOND]};
  return ReadDecorationSets(decoration.Content, kNames, sets, 3);
}

static void ReadSkinLockMarker(const wchar_t* buttonArea) {
  SkinSettings& k = g_App.Skin;
  XmlNode marker;
  if (!FindChild(buttonArea, L"lockmarker", &marker)) return;
  ReadSkinImage(marker.Attrs, SLOT_LOCKMARKER);
  const wchar_t* arrangement = FindXmlElement(marker.Content, L"arrangement", XML_ATTRS);
  if (!arrangement) return;
  ReadSkinInts(arrangement, L"offset", k.Slots[SLOT_LOCKMARKER].Offset, 4);
  static const Keyword kOrders[] = {{L"back", 1}, {L"under", 1}, {L"bottom", 2}};
  k.LockMarkerOrder = (int)MatchKeyword(arrangement, L"zOrder", kOrders, ARRAYSIZE(kOrders), 0);
}

static int ReadSkinArea(const wchar_t* skin, int first, int takeDesign) {
  SkinSettings& k = g_App.Skin;
  const bool tabs = first == SLOT_TABAREA;
  XmlNode area;
  if (!FindChild(skin, tabs ? L"tabarea" : L"buttonarea", &area)) return 0;
  ReadSkinImage(area.Attrs, first);
  const wchar_t* arrangement = FindXmlElement(area.Content, L"arrangement", XML_ATTRS);
  if (!arrangement || !ReadSkinInts(arrangement, L"offset", k.Slots[first].Offset, 4) ||
      !ReadSkinRect(arrangement, L"margin", tabs ? &k.TabAreaMargin : &k.ButtonAreaMargin))
    return 0;
  if (tabs) return ReadSkinTab(area.Content, takeDesign);
  if (!ReadSkinButton(area.Content, takeDesign)) return 0;
  ReadSkinLockMarker(area.Content);
  return 1;
}

// Children named by states, each an image that must load, into slots from first.
static int ReadStateImages(const wchar_t* parent, const wchar_t* const* states, int count, int first) {
  for (int i = 0; i < count; i++) {
    const wchar_t* attrs = FindXmlElement(parent, states[i], XML_ATTRS);
    if (!attrs || !ReadSkinImage(attrs, first + i)) return 0;
  }
  return 1;
}

static int ReadSkinMenuItem(const wchar_t* menu, int takeDesign) {
  SkinSettings& k = g_App.Skin;
  DesignColors* colors = g_App.SkinText.TextColors;
  XmlNode item;
  static const wchar_t* const kStates[3] = {L"normal", L"selected", L"multisel"};
  if (!FindChild(menu, L"item", &item) || !ReadStateImages(item.Content, kStates, 3, kMenuItemSlot)) return 0;
  if (const wchar_t* arrangement = FindXmlElement(item.Content, L"arrangement", XML_ATTRS)) {
    ReadSkinRect(arrangement, L"margin", &k.ItemMargin);
    ReadSkinInt(arrangement, L"interval", &k.ItemInterval);
  }
  // The colours always; the font only for a skin that brings its design.
  ViewModeDesign* v = g_App.Design.ViewMode;
  FontEntry kept[2] = {v[0].Fonts[FONT_SUBMENU], v[1].Fonts[FONT_SUBMENU]};
  const bool newLayout = (g_App.SkinText.SkinTextFlags & STF_NEW_TEXT_LAYOUT) != 0;
  int sized = ReadSkinText(item.Content, FONT_SUBMENU, newLayout ? nullptr : &colors[SKT_ITEM_NORMAL]) != nullptr;
  if (newLayout) {
    XmlNode text, decoration;
    if (FindChild(item.Content, L"text", &text) && FindChild(text.Content, L"decoration", &decoration)) {
      static const wchar_t* const kNames[3] = {L"normal", L"selected", L"disabled"};
      for (int i = 0; i < 3; i++)
        if (const wchar_t* attrs = FindXmlElement(decoration.Content, kNames[i], XML_ATTRS))
          ReadSkinDecoration(attrs, &colors[SKT_ITEM_NORMAL + i]);
    }
  }
  if (!takeDesign) {
    v[0].Fonts[FONT_SUBMENU] = kept[0];
    v[1].Fonts[FONT_SUBMENU] = kept[1];
    return 1;
  }
  return sized;
}

// Optional; when present its four images must load.
static int ReadSkinScrollButton(const wchar_t* menu) {
  SkinSettings& k = g_App.Skin;
  XmlNode scroll;
  if (!FindChild(menu, L"scrollbutton", &scroll)) return 1;
  static const wchar_t* const kStates[4] = {L"normal", L"hover", L"down", L"disabled"};
  if (!ReadStateImages(scroll.Content, kStates, 4, kScrollButtonSlot)) return 0;
  if (const wchar_t* arrangement = FindXmlElement(scroll.Content, L"arrangement", XML_ATTRS)) {
    ReadSkinInt(arrangement, L"interval", &k.ScrollButtonInterval);
    ReadSkinInt(arrangement, L"width", &k.ScrollButtonWidth);
    ReadSkinInt(arrangement, L"height", &k.ScrollButtonHeight);
  }
  static const wchar_t* const kArrows[4] = {L"uparrow", L"downarrow", L"leftarrow", L"rightarrow"};
  for (int a = 0; a < 4; a++) {
    XmlNode arrow;
    if (!FindChild(scroll.Content, kArrows[a], &arrow)) continue;
    for (int i = 0; i < 4; i++)
      if (const wchar_t* attrs = FindXmlElement(arrow.Content, kStates[i], XML_ATTRS))
        ReadSkinImage(attrs, kArrowSlot + 4 * a + i);
  }
  return 1;
}

// A sub-menu without a background image: plain back colour and classic frame.
static int ReadSkinPlainMenu(const wchar_t* skin, int takeDesign) {
  SkinSettings& k = g_App.Skin;
  XmlNode menu;
  if (!FindChild(skin, L"foldermenu", &menu)) return 0;
  ReadXmlAttrColor(menu.Attrs, L"backColor", &k.BackColor);
  static const wchar_t* const kStates[2] = {L"normal", L"selected"};
  if (!ReadStateImages(menu.Content, kStates, 2, kMenuItemSlot)) return 0;
  ShareSlot(kMenuItemSlot + 2, kMenuItemSlot + 1);
  if (const wchar_t* arrangement = FindXmlElement(menu.Content, L"arrangement", XML_ATTRS)) {
    int margin;
    if (ReadSkinInt(arrangement, L"margin", &margin)) k.ItemMargin = RECT{margin, margin, margin, margin};
    ReadSkinInt(arrangement, L"interval", &k.ItemInterval);
  }
  SkinSlot* frame = &k.Slots[SLOT_SUBMENUFRAME];
  frame[0].Offset[EDGE_RIGHT] = 3;
  frame[2].Offset[EDGE_RIGHT] = 3;
  frame[1].Offset[EDGE_BOTTOM] = 3;
  frame[3].Offset[EDGE_BOTTOM] = 3;
  k.ScrollButtonInterval = 1;
  k.ScrollButtonWidth = 16;
  k.ScrollButtonHeight = 16;

  ViewModeDesign* v = g_App.Design.ViewMode;
  FontEntry kept[2] = {v[0].Fonts[FONT_SUBMENU], v[1].Fonts[FONT_SUBMENU]};
  int sized = ReadSkinText(menu.Content, FONT_SUBMENU, nullptr) != nullptr;
  if (!takeDesign) {
    v[0].Fonts[FONT_SUBMENU] = kept[0];
    v[1].Fonts[FONT_SUBMENU] = kept[1];
    return 1;
  }
  return sized;
}

static int ReadSkinSubMenu(const wchar_t* skin, int, int takeDesign) {
  SkinSettings& k = g_App.Skin;
  XmlNode menu;
  if (!FindChild(skin, L"submenu", &menu) && !FindChild(skin, L"foldermenu", &menu)) return 0;
  if (!ReadSkinImage(menu.Attrs, SLOT_SUBMENU)) return ReadSkinPlainMenu(skin, takeDesign);

  g_App.SkinText.SkinTextFlags |= STF_SUBMENU_IMAGES;
  if (const wchar_t* arrangement = FindXmlElement(menu.Content, L"arrangement", XML_ATTRS))
    ReadSkinRect(arrangement, L"shadowArea", &k.SubMenuShadow);
  ReadSkinFrame(menu.Content, SLOT_SUBMENUFRAME, takeDesign);
  return ReadSkinMenuItem(menu.Content, takeDesign) && ReadSkinScrollButton(menu.Content);
}

static int ReadSkinSearchWindow(const wchar_t* skin, int, int) {
  SkinSettings& k = g_App.Skin;
  DesignColors* colors = g_App.SkinText.TextColors;
  XmlNode search;
  if (!FindChild(skin, L"searchwindow", &search)) {
    // The search window takes the sub-menu's look.
    for (int i = 0; i < 5; i++) ShareSlot(SLOT_SEARCHWINDOW + i, SLOT_SUBMENU + i);
    ShareSlot(kSearchItemSlot, kMenuItemSlot);
    ShareSlot(kSearchItemSlot + 1, kMenuItemSlot + 1);
    k.SearchShadow = k.SubMenuShadow;
    k.SearchSizeArea.left = k.SizeArea.left;
    k.SearchSizeArea.right = k.SizeArea.right;
    colors[SKT_SEARCH_NORMAL] = colors[SKT_ITEM_NORMAL];
    colors[SKT_SEARCH_SELECTED] = colors[SKT_ITEM_SELECTED];
    return 1;
  }
  g_App.SkinText.SkinTextFlags |= STF_SEARCH_IMAGES;
  if (!ReadSkinImage(search.Attrs, SLOT_SEARCHWINDOW)) return 0;
  if (const wchar_t* arrangement = FindXmlElement(search.Content, L"arrangement", XML_ATTRS)) {
    ReadSkinRect(arrangement, L"sizeArea", &k.SearchSizeArea);
    ReadSkinRect(arrangement, L"shadowArea", &k.SearchShadow);
  }
  ReadSkinFrame(search.Content, SLOT_SEARCHFRAME, 0);
  XmlNode item;
  static const wchar_t* const kStates[2] = {L"normal", L"selected"};
  if (!FindChild(search.Content, L"item", &item) || !ReadStateImages(item.Content, kStates, 2, kSearchItemSlot))
    return 0;
  XmlNode text, decoration;
  if (FindChild(item.Content, L"text", &text) && FindChild(text.Content, L"decoration", &decoration)) {
    for (int i = 0; i < 2; i++)
      if (const wchar_t* attrs = FindXmlElement(decoration.Content, kStates[i], XML_ATTRS))
        ReadSkinDecoration(attrs, &colors[SKT_SEARCH_NORMAL + i]);
  }
  return 1;
}

struct SkinElementHandler {
  int (*Read)(const wchar_t* skin, int firstSlot, int takeDesign);
  int FirstSlot;
};

static const SkinElementHandler kSkinElementHandlers[] = {
    {ReadSkinGeneral, 0},
    {ReadSkinBackground, 0},
    {ReadSkinFrame, SLOT_FRAMELEFT},
    {ReadSkinSystemButton, SLOT_CLOSEBUTTON},
    {ReadSkinSystemButton, SLOT_PINBUTTON},
    {ReadSkinSystemButton, SLOT_MODEBUTTON},
    {ReadSkinSystemButton, SLOT_SEARCHBUTTON},
    {ReadSkinCaption, 0},
    {ReadSkinArea, SLOT_TABAREA},
    {ReadSkinArea, SLOT_BUTTONAREA},
    {ReadSkinSubMenu, 0},
    {ReadSkinSearchWindow, 0},
    {nullptr, 0},
};

int LoadSkinXmlText(const wchar_t* text, int takeDesign) {
  const wchar_t* skin = FindXmlElement(text, L"skin", XML_CONTENT);
  if (!skin) return 0;
  ResetSkinArrangement();
  g_App.SkinText.SkinTextFlags = 0;
  for (const SkinElementHandler* h = kSkinElementHandlers; h->Read; h++)
    if (!h->Read(skin, h->FirstSlot, takeDesign)) return 0;

  if (takeDesign) {
    PageDesign& page = g_App.Design.PageDefault;
    for (DesignColors& set : page.Sets) set.Pattern = 0;
    for (int p = 0; p < g_App.Store.PageCount; p++) g_App.Store.Pages[p].Design = page;
  }
  SetTabPositionArrangement(g_App.Skin.TabPosition);
  return 1;
}

// ---- recommended sizes -----------------------------------------------------

// Each value of four that was read and lies within -1000..1000.
static void ApplyMargin(const wchar_t* attrs, const wchar_t* name, RECT* margin) {
  int v[4] = {INT_MIN, INT_MIN, INT_MIN, INT_MIN};
  ReadXmlAttrRect(attrs, name, v);
  LONG* fields[4] = {&margin->left, &margin->top, &margin->right, &margin->bottom};
  for (int i = 0; i < 4; i++)
    if (v[i] >= -1000 && v[i] <= 1000) *fields[i] = v[i];
}

static void ApplyPair(const wchar_t* attrs, const wchar_t* name, int* x, int* y, int lowest, int highestX,
                      int highestY) {
  int v[2] = {INT_MIN, INT_MIN};
  ReadXmlAttrPair(attrs, name, v);
  if (v[0] >= lowest && v[0] <= highestX) *x = v[0];
  if (v[1] >= lowest && v[1] <= highestY) *y = v[1];
}

// The caption, tab and button children of parent into one view-mode design.
static void ApplyRecommendedMode(const wchar_t* parent, ViewModeDesign* d) {
  if (const wchar_t* caption = FindXmlElement(parent, L"caption", XML_ATTRS)) {
    ApplyMargin(caption, L"textMargin", &d->Margin[MARGIN_CAPTION]);
    ReadXmlAttrBool(caption, L"centerText", &d->Flag, VMF_CAPTIONCENTER);
    ReadXmlAttrBool(caption, L"multiLine", &d->Flag, VMF_CAPTIONMULTILINE);
  }
  if (const wchar_t* tab = FindXmlElement(parent, L"tab", XML_ATTRS)) {
    ApplyPair(tab, L"size", &d->TabSizeX, &d->TabSizeY, 0, 500, 100);
    ApplyMargin(tab, L"textMargin", &d->Margin[MARGIN_TABTEXT]);
    ReadXmlAttrBool(tab, L"fixedWidth", &d->Flag, VMF_TAB_FIXEDWIDTH);
    ReadXmlAttrBool(tab, L"multiLine", &d->Flag, VMF_TAB_MULTILINE);
    ReadXmlAttrBool(tab, L"leftText", &d->Flag, VMF_TAB_LEFTTEXT);
  }
  if (const wchar_t* button = FindXmlElement(parent, L"button", XML_ATTRS)) {
    ApplyPair(button, L"size", &d->ButtonSizeX, &d->ButtonSizeY, 0, 500, 500);
    // No list holds more than 1000 buttons; the design file keeps the same bound.
    ApplyPair(button, L"count", &d->ButtonNumX, &d->ButtonNumY, 1, 1000, 1000);
    int icon;
    if (ReadXmlAttrInt(button, L"iconSize", &icon) && icon >= 0 && icon <= 256) d->IconSizeDisp = icon;
    ApplyMargin(button, L"iconMargin", &d->Margin[MARGIN_BUTTONICON]);
    ApplyMargin(button, L"textMargin", &d->Margin[MARGIN_BUTTONTEXT]);
    ReadXmlAttrBool(button, L"leftIcon", &d->Flag, VMF_BUTTON_LEFTICON);
    ReadXmlAttrBool(button, L"text", &d->Flag, VMF_BUTTON_TEXT);
    ReadXmlAttrBool(button, L"singleLine", &d->Flag, VMF_BUTTON_SINGLELINE);
    ReadXmlAttrBool(button, L"leftText", &d->Flag, VMF_BUTTON_LEFTTEXT);
  }
}

int ApplyRecommendedSizesText(const wchar_t* text) {
  const wchar_t* skin = FindXmlElement(text, L"skin", XML_CONTENT);
  const wchar_t* recommended = skin ? FindXmlElement(skin, L"recommended", XML_CONTENT) : nullptr;
  if (!recommended) return 0;
  ViewModeDesign* v = g_App.Design.ViewMode;
  if (const wchar_t* mode1 = FindXmlElement(recommended, L"mode1", XML_CONTENT)) {
    ApplyRecommendedMode(mode1, &v[0]);
    if (g_App.Settings.DispOption & DISP_SEPARATE_VIEWMODES) {
      const wchar_t* mode2 = FindXmlElement(recommended, L"mode2", XML_CONTENT);
      int current = (g_App.Settings.Status & STATUS_VIEWMODE2) ? 1 : 0;
      if (mode2)
        ApplyRecommendedMode(mode2, &v[1]);
      else
        ApplyRecommendedMode(recommended, &v[current]);
    }
  }
  SyncViewModeDesign(0);
  return 1;
}
