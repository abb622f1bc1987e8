#include "render/skinsel.h"

#include <wchar.h>

#include "core/menucmd.h"
#include "render/design.h"
#include "render/icons.h"
#include "render/image.h"
#include "render/layout.h"
#include "render/skin.h"
#include "render/skinxml.h"
#include "render/skinzip.h"
#include "render/xmlscan.h"
#include "resources/resource.h"
#include "state.h"
#include "store/datafolder.h"
#include "store/designfile.h"
#include "store/items.h"

// A skin archive is read whole into memory; larger files are no skin.
const DWORD kMaxSkinArchiveBytes = 256u << 20;
// Title and author as the skin information shows them; longer values are left out.
const int kInfoFieldChars = 1023;
// Room of the information text beside its comment: both labels, title,
// author and the line breaks between them.
const size_t kInfoFrameChars = 3584;
const size_t kInfoTitleChars = 256;

static int IsPlainFile(const wchar_t* path) {
  DWORD a = GetFileAttributesW(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

static void FreeHeap(void* p) {
  if (p) HeapFree(GetProcessHeap(), 0, p);
}

// ---- reading a skin's files --------------------------------------------------

int LoadSkinZip(const wchar_t* name, ZipLocalHeader* entry) {
  // A folder skin's name never names an archive.
  if (!name || name[0] == L'\\') return 0;
  wchar_t path[MAX_PATH];
  if (!BuildSkinFilePath(name, nullptr, path, MAX_PATH)) return 0;
  if (!IsPlainFile(path)) {
    if (wcslen(path) + 4 >= MAX_PATH) return 0;
    wcscat(path, L".zip");
    if (!IsPlainFile(path)) return 0;
  }
  BYTE* data;
  DWORD n = ReadWholeFile(path, GetProcessHeap(), &data, kMaxSkinArchiveBytes);
  if (!n) return 0;
  OpenSkinArchive(data, n);
  ZipLocalHeader found;
  int ok = FindZipEntry(L"skin.xml", &found, 1);
  if (!ok || !entry) {
    CloseSkinArchive();
    return ok;
  }
  *entry = found;
  return 1;
}

int ReadSkinXml(wchar_t** text, const wchar_t* name) {
  *text = nullptr;
  const bool current = name == nullptr;
  if (current) name = g_App.SkinName;
  if (!IsSkinName(name)) return 0;
  BYTE* data = nullptr;
  DWORD n;
  if (name[0] == L'\\') {
    wchar_t path[MAX_PATH];
    if (!BuildSkinFilePath(name, L"skin.xml", path, MAX_PATH)) return 0;
    n = ReadWholeFile(path, GetProcessHeap(), &data, kMaxSkinMemberBytes);
    if (!n) return 0;
    if (current) g_App.Skin.Flags &= ~(UINT)SKF_ZIPPED;
  } else {
    ZipLocalHeader entry;
    if (!LoadSkinZip(name, &entry)) return 0;
    n = ExtractZipEntry(&entry, &data);
    if (!n) {
      CloseSkinArchive();
      return 0;
    }
    if (current) g_App.Skin.Flags |= SKF_ZIPPED;
  }
  // Both readers put two zero bytes behind the data; an odd last byte
  // belongs to no character, so the text ends before it.
  if (n & 1) data[n - 1] = 0;
  *text = reinterpret_cast<wchar_t*>(data);
  return 1;
}

int LoadSkinXml(int takeDesign) {
  wchar_t* text;
  if (!ReadSkinXml(&text, nullptr)) return 0;
  int ok = LoadSkinXmlText(text, takeDesign);
  FreeHeap(text);
  CloseSkinArchive();
  return ok;
}

// ---- selection -------------------------------------------------------------------

// No image, archive or value of the skin before stays behind.
static void DropSkin() {
  FreeSlotBitmaps();
  CloseSkinArchive();
  g_App.Skin = SkinSettings{};
}

// LoadSkin's work; *readClassic tells whether a failed skin brought in the
// design of Classic.vsd.
static int LoadSkinOrClassic(int takeDesign, int* readClassic) {
  *readClassic = 0;
  DropSkin();
  // Without layered windows no skin can be shown.
  if (!g_App.Api.UpdateLayeredWindow) g_App.SkinName[0] = 0;
  if (g_App.SkinName[0] && !LoadSkinXml(takeDesign)) {
    FreeSlotBitmaps();
    wchar_t path[MAX_PATH];
    // Never the null path: that would be Design.ini.
    if (GetDesignFilePath(path, L"")) ReadDesign(path, 1);
    *readClassic = 1;
    g_App.SkinName[0] = 0;
  }
  if (g_App.SkinName[0]) return 1;
  SetClassicLook();
  return 0;
}

int LoadSkin(int takeDesign) {
  int readClassic;
  return LoadSkinOrClassic(takeDesign, &readClassic);
}

int SelectSkin(const wchar_t* name) {
  // A name that could leave the Skins folder (or is too long to be a file
  // there) selects nothing of it: the classic look.
  if (!name || wcsnlen(name, 260) >= 260 || (name[0] && !IsSkinName(name))) name = L"";
  // Reading the design file sets g_App.SkinName, which may be the name given.
  wchar_t chosen[260];
  lstrcpynW(chosen, name, 260);
  DropSkin();

  wchar_t path[MAX_PATH];
  int designRead = GetDesignFilePath(path, chosen) && IsPlainFile(path) && ReadDesign(path, 1);
  if (!designRead)
    for (ViewModeDesign& v : g_App.Design.ViewMode) v.SearchWindowX = v.SearchWindowY = v.SearchWindowW = 0;
  wcscpy(g_App.SkinName, chosen);

  int readClassic;
  int loaded = LoadSkinOrClassic(!designRead, &readClassic);
  // A skin that failed keeps the Classic.vsd design it fell back to.
  if (!loaded && !designRead && !readClassic) ResetAllDesigns();

  SyncViewModeDesign(-1);
  for (int i = 0; i < FONT_COUNT; i++) RecreateFont(i, 0);
  ApplyDesign();
  if (g_MenuEntries.RelayoutSearchWindow) g_MenuEntries.RelayoutSearchWindow();
  return loaded;
}

// ---- what the options page asks --------------------------------------------------

static int IsXmlNameEnd(wchar_t c) { return c == L'>' || c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

static int AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? c + 32 : c; }

// "<br", "<BR/>" ...: a line break of the skin's comment.
static int IsLineBreakTag(const wchar_t* p) { return p[0] == L'<' && AsciiLower(p[1]) == L'b' && AsciiLower(p[2]) == L'r'; }

// The '<' of the closing tag of name at the level of p (the element's
// content); null when the document ends or another element closes first.
static const wchar_t* FindClosingTag(const wchar_t* p, const wchar_t* name) {
  const size_t n = wcslen(name);
  int depth = 0;
  for (; *p; p++) {
    if (*p != L'<') continue;
    if (p[1] == L'!' && p[2] == L'-' && p[3] == L'-') {
      const wchar_t* end = wcsstr(p + 4, L"-->");
      if (!end) return nullptr;
      p = end + 2;
      continue;
    }
    if (p[1] == L'/') {
      if (depth == 0) return !wcsncmp(p + 2, name, n) && IsXmlNameEnd(p[2 + n]) ? p : nullptr;
      depth--;
      continue;
    }
    // Line breaks written as "<br>" never nest.
    if (IsLineBreakTag(p)) continue;
    const wchar_t* close = wcschr(p, L'>');
    if (!close) return nullptr;
    if (close[-1] != L'/') depth++;
    p = close;
  }
  return nullptr;
}

static void AppendInfo(wchar_t* out, size_t* used, const wchar_t* text) {
  size_t n = wcslen(text);
  wmemcpy(out + *used, text, n);
  *used += n;
}

static void AppendInfoLabel(wchar_t* out, size_t* used, int id) {
  wchar_t label[256];
  if (LoadStoreString(id, label, 256) <= 0) label[0] = 0;
  AppendInfo(out, used, label);
}

// The display text of a skin.xml text into a new heap block.
static int BuildSkinInfoText(const wchar_t* xml, int titleOnly, wchar_t** out) {
  const wchar_t* attrs = FindXmlElement(xml, L"skin", XML_ATTRS);
  const wchar_t* content = attrs ? FindXmlElement(xml, L"skin", XML_CONTENT) : nullptr;
  if (!content) return 0;
  const wchar_t* comment = FindXmlElement(content, L"comment", XML_CONTENT);
  const wchar_t* commentEnd = comment ? FindClosingTag(comment, L"comment") : nullptr;
  if (!commentEnd) comment = nullptr;
  size_t chars = titleOnly ? kInfoTitleChars : (comment ? (size_t)(commentEnd - comment) : 0) + kInfoFrameChars;
  wchar_t* t = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (chars + 1) * sizeof(wchar_t)));
  if (!t) return 0;
  *out = t;
  if (titleOnly) {
    ReadXmlAttrString(attrs, L"title", t, (int)kInfoTitleChars - 1, 0);
    return 1;
  }
  wchar_t title[kInfoFieldChars + 1], author[kInfoFieldChars + 1];
  ReadXmlAttrString(attrs, L"title", title, kInfoFieldChars, 0);
  ReadXmlAttrString(attrs, L"author", author, kInfoFieldChars, 0);
  size_t used = 0;
  AppendInfoLabel(t, &used, IDS_SKIN_TITLE);
  AppendInfo(t, &used, title);
  AppendInfo(t, &used, L"\r\n");
  AppendInfoLabel(t, &used, IDS_SKIN_AUTHOR);
  AppendInfo(t, &used, author);
  if (!comment) return 1;
  AppendInfo(t, &used, L"\r\n\r\n");
  // Each line break tag takes at least three characters and gives two, so
  // the comment never outgrows its room.
  for (const wchar_t* p = comment; p < commentEnd;) {
    if (IsLineBreakTag(p)) {
      AppendInfo(t, &used, L"\r\n");
      while (p < commentEnd && *p != L'>') p++;
      p++;
      continue;
    }
    t[used++] = *p++;
  }
  return 1;
}

int GetSkinInfoText(wchar_t** text, const wchar_t* name, int titleOnly) {
  *text = nullptr;
  wchar_t* xml;
  // Named explicitly, so the current skin's zipped flag stays as it is.
  if (!ReadSkinXml(&xml, name ? name : g_App.SkinName)) return 0;
  int ok = BuildSkinInfoText(xml, titleOnly, text);
  FreeHeap(xml);
  CloseSkinArchive();
  return ok;
}

int ApplyRecommendedSizes() {
  wchar_t* xml;
  if (!ReadSkinXml(&xml, nullptr)) return 0;
  int ok = ApplyRecommendedSizesText(xml);
  FreeHeap(xml);
  CloseSkinArchive();
  return ok;
}
