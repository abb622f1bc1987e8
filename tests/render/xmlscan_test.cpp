#include <gtest/gtest.h>

#include <string>

#include "render/xmlscan.h"

namespace {

// What FindXmlElement returned, as the text from there (or "<none>"), so a
// table states the expected place by the characters found there.
std::wstring At(const wchar_t* p, size_t chars = 12) {
  if (!p) return L"<none>";
  return std::wstring(p).substr(0, chars);
}

struct FindCase {
  const char* What;
  const wchar_t* Doc;  // searched from its start (the content of some parent)
  const wchar_t* Name;
  int Kind;
  const wchar_t* Expect;  // the first characters at the result, or "<none>"
};

const FindCase kFindCases[] = {
    {"state children: the whole name must match", L"<normal/> <hover/> <downhover n=\"3\"/> <down n=\"4\"/>",
     L"down", XML_TAG, L"<down n=\"4\""},
    {"a longer name is another element", L"<tabarea x=\"1\"><tab y=\"2\"/></tabarea><tab z=\"3\">", L"tab",
     XML_ATTRS, L" z=\"3\">"},
    {"a commented-out element is skipped", L"<!-- <left a=\"1\"/> --><left a=\"2\"/>", L"left", XML_ATTRS,
     L" a=\"2\"/>"},
    {"the XML declaration is skipped", L"<?xml version=\"1.0\"?><skin>x", L"skin", XML_CONTENT, L"x"},
    {"a line break tag keeps the depth", L"text<br/>more</comment><left a=\"1\">", L"left", XML_TAG, L"<none>"},
    {"a line break tag before a sibling", L"text<br/>more<left a=\"1\">", L"left", XML_TAG, L"<left a=\"1\""},
    {"the parent's closing tag ends the search", L"<a/></parent><left/>", L"left", XML_TAG, L"<none>"},
    {"a quote in a comment is harmless", L"<!-- say \" --><left a=\"1\">", L"left", XML_TAG, L"<left a=\"1\""},
    {"a lone quote in text content breaks the search", L"say \" here <left a=\"1\">", L"left", XML_TAG,
     L"<none>"},
    {"a namesake inside a sibling is not a child", L"<top><left a=\"1\"/></top><left a=\"2\"/>", L"left", XML_ATTRS,
     L" a=\"2\"/>"},
    {"a document type runs to the next comment end", L"<!DOCTYPE x><left a=\"1\"/>--><left a=\"2\"/>", L"left",
     XML_ATTRS, L" a=\"2\"/>"},
    {"names are compared case-sensitively", L"<Left a=\"1\"/><left a=\"2\"/>", L"left", XML_ATTRS, L" a=\"2\"/>"},
    {"tab and carriage return end a name", L"<left\ta=\"1\"/><top\r\na=\"2\"/>", L"top", XML_ATTRS, L"\r\na=\"2\"/>"},
    {"content is behind the first '>'", L"<frame a=\"1\">inner</frame>", L"frame", XML_CONTENT, L"inner"},
    {"a '>' inside a value is a broken tag", L"<frame a=\">\">inner", L"frame", XML_CONTENT, L"<none>"},
    {"'<' followed by the end", L"<", L"left", XML_TAG, L"<none>"},
    {"an unclosed comment", L"<!-- <left/>", L"left", XML_TAG, L"<none>"},
    {"an unclosed declaration", L"<?xml <left/>", L"left", XML_TAG, L"<none>"},
    {"nothing to find", L"", L"left", XML_TAG, L"<none>"},
    // Unix line ends and empty elements without a blank.
    {"a line feed ends an element name", L"<general\ntabPosition=\"top\"/>", L"general", XML_ATTRS,
     L"\ntabPosition"},
    {"a slash ends an element name", L"<caption/><left/>", L"left", XML_TAG, L"<left/>"},
    {"an empty element without blank is found", L"<normal/>", L"normal", XML_ATTRS, L"/>"},
    // Broken start tags.
    {"a start tag without '>' at the end", L"<skin title=\"a\"", L"skin", XML_CONTENT, L"<none>"},
    {"a start tag without '>' before the next tag", L"<skin title=\"a\" <general/>", L"skin", XML_CONTENT,
     L"<none>"},
    {"attributes of a start tag without '>'", L"<skin title=\"a\"", L"skin", XML_ATTRS, L"<none>"},
    {"an unclosed value in the start tag", L"<skin title=\"a>", L"skin", XML_CONTENT, L"<none>"},
};

TEST(FindXmlElement, FindsDirectChildrenByWholeName) {
  for (const FindCase& c : kFindCases) {
    SCOPED_TRACE(c.What);
    EXPECT_EQ(At(FindXmlElement(c.Doc, c.Name, c.Kind), wcslen(c.Expect)), c.Expect);
  }
}

TEST(FindXmlElement, AnEmptyElementHasNoChildren) {
  // Its siblings must not be taken for its children.
  const wchar_t* doc = L"<left image=\"a.png\"/><arrangement width=\"5\"/>";
  const wchar_t* content = FindXmlElement(doc, L"left", XML_CONTENT);
  ASSERT_NE(content, nullptr);
  EXPECT_EQ(FindXmlElement(content, L"arrangement", XML_ATTRS), nullptr);
  // With children it has them.
  const wchar_t* open = L"<left image=\"a.png\"><arrangement width=\"5\"/></left>";
  const wchar_t* inner = FindXmlElement(open, L"left", XML_CONTENT);
  EXPECT_EQ(At(FindXmlElement(inner, L"arrangement", XML_ATTRS), 9), L" width=\"5");
}

TEST(FindXmlElement, NullOrEmptyArgumentsFindNothing) {
  EXPECT_EQ(FindXmlElement(nullptr, L"a", XML_TAG), nullptr);
  EXPECT_EQ(FindXmlElement(L"<a/>", nullptr, XML_TAG), nullptr);
  EXPECT_EQ(FindXmlElement(L"< a/>", L"", XML_TAG), nullptr);
}

TEST(FindXmlElement, WalksADocumentFromTheTop) {
  // With a byte-order mark and CR LF, and without either.
  for (const wchar_t* eol : {L"\r\n", L"\n"}) {
    for (bool bom : {true, false}) {
      SCOPED_TRACE(testing::Message() << "bom " << bom << " lf only " << (eol[0] == L'\n'));
      std::wstring doc = bom ? L"\xFEFF" : L"";
      doc += std::wstring(L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>") + eol + L"<skin title=\"T\">" + eol +
             L"  <frame>" + eol + L"    <left image=\"l.png\"/>" + eol + L"  </frame>" + eol + L"</skin>" + eol;
      const wchar_t* skin = FindXmlElement(doc.c_str(), L"skin", XML_CONTENT);
      const wchar_t* frame = FindXmlElement(skin, L"frame", XML_CONTENT);
      const wchar_t* left = FindXmlElement(frame, L"left", XML_ATTRS);
      wchar_t image[32];
      EXPECT_EQ(ReadXmlAttrString(left, L"image", image, 31, 0), 5);
      EXPECT_STREQ(image, L"l.png");
    }
  }
}

struct AttrCase {
  const char* What;
  const wchar_t* Attrs;
  const wchar_t* Name;
  const wchar_t* Expect;  // null: missing
};

const AttrCase kAttrCases[] = {
    {"plain", L" a=\"1\" b=\"2\">", L"b", L"2"},
    {"blanks around the equals sign", L" a = \"1\">", L"a", L"1"},
    {"no equals sign", L" a \"1\">", L"a", L"1"},
    {"a name without value takes the next value", L" a b=\"2\">", L"a", L"2"},
    {"an empty value", L" a=\"\">", L"a", L""},
    {"case-sensitive: size is not fontSize", L" fontSize=\"9\">", L"size", nullptr},
    {"case-sensitive: Size is not size", L" Size=\"9\">", L"size", nullptr},
    {"a longer name is another attribute", L" tops=\"1\" top=\"2\">", L"top", L"2"},
    {"a name inside another name is not the attribute", L" stop=\"1\" top=\"2\">", L"top", L"2"},
    {"a name inside another name, alone", L" stop=\"1\">", L"top", nullptr},
    {"a name inside a value is not the attribute", L" a=\"top\" top=\"2\">", L"top", L"2"},
    {"after a line feed", L"\n top=\"1\">", L"top", L"1"},
    {"after a tab", L"\ttop=\"1\">", L"top", L"1"},
    {"a line feed ends the name", L" top\n=\"1\">", L"top", L"1"},
    {"a '<' in the value", L" a=\"x<y\">", L"a", nullptr},
    {"a '>' in the value", L" a=\"x>y\">", L"a", nullptr},
    {"an unclosed value", L" a=\"xy", L"a", nullptr},
    {"an unclosed earlier value", L" b=\"xy> a=\"1\">", L"a", nullptr},
    {"the tag ends first", L" a=\"1\"> b=\"2\"", L"b", nullptr},
    {"the value of an empty element", L" a=\"1\"/>", L"a", L"1"},
    {"at the very start", L"a=\"1\">", L"a", L"1"},
    {"missing", L" a=\"1\">", L"b", nullptr},
};

TEST(ReadXmlAttrString, FindsTheAttributeByWholeWord) {
  for (const AttrCase& c : kAttrCases) {
    SCOPED_TRACE(c.What);
    wchar_t out[64] = L"junk";
    int n = ReadXmlAttrString(c.Attrs, c.Name, out, 63, 0);
    if (!c.Expect) {
      EXPECT_EQ(n, -1);
      EXPECT_STREQ(out, L"");
    } else {
      EXPECT_EQ(n, (int)wcslen(c.Expect));
      EXPECT_STREQ(out, c.Expect);
    }
  }
}

TEST(ReadXmlAttrString, KeepsToTheCapacityAndTurnsSlashes) {
  std::wstring v260(260, L'x'), v261(261, L'x');
  wchar_t out[262];
  std::wstring attrs = L" image=\"" + v260 + L"\">";
  EXPECT_EQ(ReadXmlAttrString(attrs.c_str(), L"image", out, 260, 0), 260);
  EXPECT_EQ(std::wstring(out), v260);
  attrs = L" image=\"" + v261 + L"\">";
  out[0] = L'q';
  EXPECT_EQ(ReadXmlAttrString(attrs.c_str(), L"image", out, 260, 0), -1);
  EXPECT_STREQ(out, L"");

  EXPECT_EQ(ReadXmlAttrString(L" image=\"a\\b\\c.png\">", L"image", out, 260, 1), 9);
  EXPECT_STREQ(out, L"a/b/c.png");
  EXPECT_EQ(ReadXmlAttrString(L" image=\"a\\b.png\">", L"image", out, 260, 0), 7);
  EXPECT_STREQ(out, L"a\\b.png");
  EXPECT_EQ(ReadXmlAttrString(nullptr, L"image", out, 260, 0), -1);
  EXPECT_EQ(ReadXmlAttrString(L" image=\"a\">", L"image", nullptr, 260, 0), -1);
}

struct IntCase {
  const wchar_t* Value;
  int Ok;
  int Expect;
};

TEST(ReadXmlAttrInt, ReadsDecimalsAndRefusesWhatDoesNotFit) {
  const IntCase cases[] = {
      {L"12", 1, 12},
      {L"-41", 1, -41},
      {L"  +7", 1, 7},
      {L"\n 8", 1, 8},
      {L"15px", 1, 15},
      {L"abc", 1, 0},
      {L"", 1, 0},
      {L"-", 1, 0},
      {L"2147483647", 1, 2147483647},
      {L"-2147483648", 1, -2147483647 - 1},
      {L"2147483648", 0, 99},
      {L"-2147483649", 0, 99},
      {L"99999999999999999999999", 0, 99},
  };
  for (const IntCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "value \"" << std::string(c.Value, c.Value + wcslen(c.Value)) << "\"");
    std::wstring attrs = std::wstring(L" v=\"") + c.Value + L"\">";
    int out = 99;
    EXPECT_EQ(ReadXmlAttrInt(attrs.c_str(), L"v", &out), c.Ok);
    EXPECT_EQ(out, c.Expect);
  }
}

TEST(ReadXmlAttrInt, TakesValuesOfAtMost255Characters) {
  std::wstring v255 = std::wstring(253, L'0') + L"12";
  std::wstring attrs = L" v=\"" + v255 + L"\">";
  int out = 0;
  EXPECT_EQ(ReadXmlAttrInt(attrs.c_str(), L"v", &out), 1);
  EXPECT_EQ(out, 12);
  attrs = L" v=\"0" + v255 + L"\">";
  out = 5;
  EXPECT_EQ(ReadXmlAttrInt(attrs.c_str(), L"v", &out), 0);
  EXPECT_EQ(out, 5);
  COLORREF color = 7;
  UINT flags = 0;
  attrs = L" v=\"" + std::wstring(256, L'1') + L"\">";
  EXPECT_EQ(ReadXmlAttrColor(attrs.c_str(), L"v", &color), 0);
  attrs = L" v=\"" + std::wstring(252, L' ') + L"true\">";
  EXPECT_EQ(ReadXmlAttrBool(attrs.c_str(), L"v", &flags, 1), 0);
  EXPECT_EQ(flags, 0u);
  EXPECT_EQ(color, 7u);
}

TEST(ReadXmlAttrColor, TakesHexRrggbbOrDecimal) {
  struct {
    const wchar_t* Value;
    int Ok;
    COLORREF Expect;
  } cases[] = {
      {L"#FF00FF", 1, RGB(0xFF, 0x00, 0xFF)},
      {L"#000050", 1, 0x500000},  // blue in the third byte
      {L"#29507E", 1, RGB(0x29, 0x50, 0x7E)},
      {L"#29507e", 1, RGB(0x29, 0x50, 0x7E)},
      {L"255", 1, RGB(0, 0, 255)},
      {L"#1FF00FF", 1, RGB(0xFF, 0x00, 0xFF)},  // bits above 24 dropped
      {L"#123456789ABCDEF", 1, RGB(0xAB, 0xCD, 0xEF)},
      {L"#", 1, 0},
      {L"  #00FF00 ", 1, RGB(0, 0xFF, 0)},
      {L"99999999999", 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.Value, c.Value + wcslen(c.Value)));
    std::wstring attrs = std::wstring(L" color=\"") + c.Value + L"\">";
    COLORREF out = 1;
    EXPECT_EQ(ReadXmlAttrColor(attrs.c_str(), L"color", &out), c.Ok);
    EXPECT_EQ(out, c.Expect);
  }
}

TEST(ReadXmlAttrRect, StoresTheValuesBeforeTheFirstMissingOne) {
  struct {
    const wchar_t* Value;
    int Ok;
    int Expect[4];
  } cases[] = {
      {L"1, 2, 3, 4", 1, {1, 2, 3, 4}},
      {L" -1 ,2 ,  3,4", 1, {-1, 2, 3, 4}},
      {L"1,2,3,4,5", 1, {1, 2, 3, 4}},
      {L"1, 2", 0, {1, 2, 9, 9}},
      {L"", 0, {0, 9, 9, 9}},
      {L"1, 2, 99999999999, 4", 0, {1, 2, 9, 9}},
      {L",,,", 1, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.Value, c.Value + wcslen(c.Value)));
    std::wstring attrs = std::wstring(L" r=\"") + c.Value + L"\">";
    int out[4] = {9, 9, 9, 9};
    EXPECT_EQ(ReadXmlAttrRect(attrs.c_str(), L"r", out), c.Ok);
    for (int i = 0; i < 4; i++) EXPECT_EQ(out[i], c.Expect[i]) << i;
  }
  int pair[2] = {9, 9};
  EXPECT_EQ(ReadXmlAttrPair(L" p=\"5, -6\">", L"p", pair), 1);
  EXPECT_EQ(pair[0], 5);
  EXPECT_EQ(pair[1], -6);
  pair[1] = 9;
  EXPECT_EQ(ReadXmlAttrPair(L" p=\"7\">", L"p", pair), 0);
  EXPECT_EQ(pair[0], 7);
  EXPECT_EQ(pair[1], 9);
  EXPECT_EQ(ReadXmlAttrPair(L" q=\"7, 8\">", L"p", pair), 0);
  EXPECT_EQ(pair[0], 7);
}

TEST(ReadXmlAttrBool, SetsOrClearsTheBitsOnTrueOrFalse) {
  struct {
    const wchar_t* Value;
    int Ok;
    UINT Expect;
  } cases[] = {
      {L"true", 1, 0x13},  {L"TRUE", 1, 0x13}, {L"is True", 1, 0x13}, {L"false", 1, 0x01},
      {L"False", 1, 0x01}, {L"yes", 0, 0x11},  {L"", 0, 0x11},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.Value, c.Value + wcslen(c.Value)));
    std::wstring attrs = std::wstring(L" b=\"") + c.Value + L"\">";
    UINT flags = 0x11;
    EXPECT_EQ(ReadXmlAttrBool(attrs.c_str(), L"b", &flags, 0x12), c.Ok);
    EXPECT_EQ(flags, c.Expect);
  }
}

TEST(XmlValueHas, IgnoresAsciiCase) {
  EXPECT_TRUE(XmlValueHas(L"ImageSize", L"imagesize"));
  EXPECT_TRUE(XmlValueHas(L"xxBOTTOMxx", L"bottom"));
  EXPECT_FALSE(XmlValueHas(L"botto", L"bottom"));
  EXPECT_FALSE(XmlValueHas(nullptr, L"a"));
  EXPECT_TRUE(XmlValueHas(L"", L""));
}

}  // namespace
