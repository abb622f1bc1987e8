// A small scanner over zero-terminated UTF-16 XML text held in memory: finds
// a child element by name at the current level and reads one attribute of
// a start tag. No tree, no allocation; every call scans afresh.
#pragma once
#include <windows.h>

// FindXmlElement kinds.
enum {
  XML_TAG = 0,      // the '<' of the start tag
  XML_ATTRS = 1,    // just behind the name, where the attributes begin
  XML_CONTENT = 2,  // just behind the start tag's '>'
};

// Values of the numeric, colour and switch readers hold at most this many characters.
const int kXmlValueChars = 255;

// The first direct child named `name` of the element whose content `pos`
// points into; null when there is none or the document is broken there.
// An empty element (`<x/>`) has a content in which no child is found.
const wchar_t* FindXmlElement(const wchar_t* pos, const wchar_t* name, int kind);

// The value into out (capacity characters plus the terminator), with every
// '\' stored as '/' when slashes is set; its length, or -1 with out emptied
// when the attribute is missing, malformed or longer than capacity.
int ReadXmlAttrString(const wchar_t* attrs, const wchar_t* name, wchar_t* out, int capacity, int slashes);
// 1 and the decimal value, or 0 with out untouched (also on overflow).
int ReadXmlAttrInt(const wchar_t* attrs, const wchar_t* name, int* out);
// 1 and a COLORREF from "#RRGGBB" or a decimal 0xRRGGBB, or 0.
int ReadXmlAttrColor(const wchar_t* attrs, const wchar_t* name, COLORREF* out);
// "a, b, c, d" and "x, y": 1 when every value was there; the values before
// the first missing or broken one are stored either way.
int ReadXmlAttrRect(const wchar_t* attrs, const wchar_t* name, int out[4]);
int ReadXmlAttrPair(const wchar_t* attrs, const wchar_t* name, int out[2]);
// 1 when the value holds "true" (bits set in *flags) or "false" (cleared),
// case-insensitively; else 0 and *flags unchanged.
int ReadXmlAttrBool(const wchar_t* attrs, const wchar_t* name, UINT* flags, UINT bits);

// Decimal conversion of the value readers: leading blanks, an optional sign,
// digits up to the first other character (none gives 0); *end (when given)
// behind the digits. 0 when the number does not fit an int.
int ParseXmlInt(const wchar_t* text, const wchar_t** end, int* out);

// 1 when text holds word, ignoring ASCII case (keyword tests on values).
int XmlValueHas(const wchar_t* text, const wchar_t* word);
