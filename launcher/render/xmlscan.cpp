#include "render/xmlscan.h"

#include <limits.h>
#include <wchar.h>

static bool IsStop(wchar_t c) { return c == 0 || c == L'<' || c == L'>'; }
// Line feeds count: skins written with Unix line ends are common.
static bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
static bool IsElementNameEnd(wchar_t c) { return IsBlank(c) || c == L'>' || c == L'/'; }
static bool IsAttrNameEnd(wchar_t c) { return IsBlank(c) || c == L'='; }

// p at an opening quote: just behind the closing one, or null when a stop
// character comes first (an unclosed value, or '<' or '>' inside it).
static const wchar_t* SkipQuoted(const wchar_t* p) {
  for (p++; *p != L'"'; p++)
    if (IsStop(*p)) return nullptr;
  return p + 1;
}

// Just behind the next `end`, or null at the end of the text.
static const wchar_t* SkipPast(const wchar_t* p, const wchar_t* end) {
  const wchar_t* found = wcsstr(p, end);
  return found ? found + wcslen(end) : nullptr;
}

// From behind an element's name: its content, or the '/' of "/>" for an
// empty element (a child search from there ends at once). Null when the
// start tag is not closed before the next '<' or the end of the text.
static const wchar_t* FindTagEnd(const wchar_t* p) {
  for (;;) {
    if (*p == L'"') {
      p = SkipQuoted(p);
      if (!p) return nullptr;
      continue;
    }
    if (*p == 0 || *p == L'<') return nullptr;
    if (*p == L'/' && p[1] == L'>') return p;
    if (*p == L'>') return p + 1;
    p++;
  }
}

const wchar_t* FindXmlElement(const wchar_t* pos, const wchar_t* name, int kind) {
  if (!pos || !name || !name[0]) return nullptr;
  const size_t len = wcslen(name);
  int depth = 0;
  const wchar_t* p = pos;
  while (*p) {
    if (*p == L'"') {
      p = SkipQuoted(p);
      if (!p) return nullptr;
      continue;
    }
    if (*p == L'/' && p[1] == L'>') {
      if (--depth < 0) return nullptr;
      p += 2;
      continue;
    }
    if (*p != L'<') {
      p++;
      continue;
    }
    const wchar_t next = p[1];
    if (next == 0) return nullptr;
    if (next == L'?' || next == L'!') {
      // Quotes mean nothing here; a document type or CDATA section also runs
      // to the next comment end.
      p = SkipPast(p + 2, next == L'?' ? L"?>" : L"-->");
      if (!p) return nullptr;
      continue;
    }
    if (next == L'/') {
      if (--depth < 0) return nullptr;
      p += 2;
      continue;
    }
    if (depth == 0 && !wcsncmp(p + 1, name, len) && IsElementNameEnd(p[1 + len])) {
      const wchar_t* attrs = p + 1 + len;
      const wchar_t* content = FindTagEnd(attrs);
      if (!content) return nullptr;
      return kind == XML_TAG ? p : kind == XML_ATTRS ? attrs : content;
    }
    depth++;
    p++;
  }
  return nullptr;
}

// The value of attribute `name` and its length; null when it is missing or
// malformed. Names are compared with whole words only, so `top` is not
// found inside `stop`.
static const wchar_t* FindAttrValue(const wchar_t* attrs, const wchar_t* name, size_t* length) {
  if (!attrs || !name || !name[0]) return nullptr;
  const size_t len = wcslen(name);
  const wchar_t* p = attrs;
  for (;;) {
    if (IsStop(*p)) return nullptr;
    if (*p == L'"') {
      p = SkipQuoted(p);
      if (!p) return nullptr;
      continue;
    }
    if (IsBlank(*p) || *p == L'=') {
      p++;
      continue;
    }
    // A word: the attribute when it is the name, else passed over whole.
    if (!wcsncmp(p, name, len) && IsAttrNameEnd(p[len])) {
      p += len;
      break;
    }
    while (!IsStop(*p) && !IsBlank(*p) && *p != L'=' && *p != L'"') p++;
  }
  // Whatever stands before the opening quote is passed over, so a name
  // without a value takes the next quoted value.
  while (*p != L'"') {
    if (IsStop(*p)) return nullptr;
    p++;
  }
  const wchar_t* start = p + 1;
  const wchar_t* end = start;
  while (*end != L'"') {
    if (IsStop(*end)) return nullptr;
    end++;
  }
  *length = (size_t)(end - start);
  return start;
}

int ReadXmlAttrString(const wchar_t* attrs, const wchar_t* name, wchar_t* out, int capacity, int slashes) {
  if (!out) return -1;
  out[0] = 0;
  size_t len = 0;
  const wchar_t* value = FindAttrValue(attrs, name, &len);
  if (!value || capacity < 0 || len > (size_t)capacity) return -1;
  for (size_t i = 0; i < len; i++) out[i] = slashes && value[i] == L'\\' ? L'/' : value[i];
  out[len] = 0;
  return (int)len;
}

static int ReadShortValue(const wchar_t* attrs, const wchar_t* name, wchar_t (&out)[kXmlValueChars + 1]) {
  return ReadXmlAttrString(attrs, name, out, kXmlValueChars, 0) >= 0;
}

int ParseXmlInt(const wchar_t* s, const wchar_t** end, int* out) {
  if (!s || !out) return 0;
  while (IsBlank(*s)) s++;
  bool negative = *s == L'-';
  if (*s == L'-' || *s == L'+') s++;
  long long v = 0;
  for (; *s >= L'0' && *s <= L'9'; s++) {
    v = v * 10 + (*s - L'0');
    if (v > -(long long)INT_MIN) return 0;
  }
  if (!negative && v > INT_MAX) return 0;
  *out = (int)(negative ? -v : v);
  if (end) *end = s;
  return 1;
}

int ReadXmlAttrInt(const wchar_t* attrs, const wchar_t* name, int* out) {
  wchar_t v[kXmlValueChars + 1];
  int n;
  if (!out || !ReadShortValue(attrs, name, v) || !ParseXmlInt(v, nullptr, &n)) return 0;
  *out = n;
  return 1;
}

static int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

int ReadXmlAttrColor(const wchar_t* attrs, const wchar_t* name, COLORREF* out) {
  wchar_t v[kXmlValueChars + 1];
  if (!out || !ReadShortValue(attrs, name, v)) return 0;
  UINT rgb = 0;
  if (const wchar_t* hash = wcschr(v, L'#')) {
    // Unsigned arithmetic: digits beyond eight only push the high bits out.
    for (const wchar_t* p = hash + 1; HexDigit(*p) >= 0; p++) rgb = rgb * 16 + (UINT)HexDigit(*p);
  } else {
    int n;
    if (!ParseXmlInt(v, nullptr, &n)) return 0;
    rgb = (UINT)n;
  }
  *out = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  return 1;
}

// count integers, each after the next comma; the ones read stay stored.
static int ReadIntList(const wchar_t* attrs, const wchar_t* name, int* out, int count) {
  wchar_t v[kXmlValueChars + 1];
  if (!out || !ReadShortValue(attrs, name, v)) return 0;
  const wchar_t* p = v;
  for (int i = 0; i < count; i++) {
    if (i > 0) {
      p = wcschr(p, L',');
      if (!p) return 0;
      p++;
    }
    if (!ParseXmlInt(p, &p, &out[i])) return 0;
  }
  return 1;
}

int ReadXmlAttrRect(const wchar_t* attrs, const wchar_t* name, int out[4]) {
  return ReadIntList(attrs, name, out, 4);
}

int ReadXmlAttrPair(const wchar_t* attrs, const wchar_t* name, int out[2]) {
  return ReadIntList(attrs, name, out, 2);
}

int ReadXmlAttrBool(const wchar_t* attrs, const wchar_t* name, UINT* flags, UINT bits) {
  wchar_t v[kXmlValueChars + 1];
  if (!flags || !ReadShortValue(attrs, name, v)) return 0;
  if (XmlValueHas(v, L"true")) {
    *flags |= bits;
    return 1;
  }
  if (XmlValueHas(v, L"false")) {
    *flags &= ~bits;
    return 1;
  }
  return 0;
}

static wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? (wchar_t)(c - L'A' + L'a') : c; }

int XmlValueHas(const wchar_t* text, const wchar_t* word) {
  if (!text || !word) return 0;
  for (; *text; text++) {
    size_t i = 0;
    while (word[i] && FoldAscii(text[i]) == FoldAscii(word[i])) i++;
    if (!word[i]) return 1;
  }
  return !word[0];
}
