#include <gtest/gtest.h>
#include <windows.h>
#include <msxml2.h>

#include <string>

// The version 3 DOM document (msxml3.dll), named here since the import
// libraries do not carry its class id.
static const CLSID kDomDocument30 = {0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};

#include "setup/taskxml.h"

// The text of the first element named tag, read through the platform's XML
// parser; "<broken>" when the document does not parse.
static std::wstring ParsedElementText(const wchar_t* xml, const wchar_t* tag) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::wstring result = L"<broken>";
  IXMLDOMDocument* doc = nullptr;
  if (SUCCEEDED(CoCreateInstance(kDomDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                 (void**)&doc))) {
    VARIANT_BOOL ok = VARIANT_FALSE;
    BSTR text = SysAllocString(xml);
    doc->loadXML(text, &ok);
    SysFreeString(text);
    if (ok == VARIANT_TRUE) {
      result = L"<missing>";
      IXMLDOMNodeList* list = nullptr;
      BSTR name = SysAllocString(tag);
      IXMLDOMNode* node = nullptr;
      if (SUCCEEDED(doc->getElementsByTagName(name, &list)) && list && list->get_item(0, &node) == S_OK) {
        BSTR value = nullptr;
        node->get_text(&value);
        result = value ? value : L"";
        SysFreeString(value);
        node->Release();
      }
      if (list) list->Release();
      SysFreeString(name);
    }
    doc->Release();
  }
  CoUninitialize();
  return result;
}

TEST(LogonTaskXml, ParsesWithTriggerCommandAndOptions) {
  struct Case { const wchar_t* folder; const wchar_t* options; } cases[] = {
      {L"C:\\Program Files\\Vantrel\\", L" /p2 /b5:4 /l /m /d3000"},
      {L"C:\\R&D <tools>\\", L""},
  };
  for (const Case& c : cases) {
    wchar_t* xml = BuildLogonTaskXml(c.folder, c.options);
    ASSERT_TRUE(xml);
    // Exactly the text: no NUL or anything after the closing tag.
    std::wstring text(xml);
    EXPECT_EQ(text.rfind(L"</Task>"), text.size() - 7);
    EXPECT_EQ(std::wstring(L"\"") + c.folder + L"VnAdmin.exe\"", ParsedElementText(xml, L"Command"));
    // The parser's text trims the leading blank; the exact text is checked below.
    std::wstring options(c.options);
    EXPECT_EQ(options.substr(options.find_first_not_of(L' ') == std::wstring::npos ? options.size()
                                                                                  : options.find_first_not_of(L' ')),
              ParsedElementText(xml, L"Arguments"));
    EXPECT_EQ(L"true", ParsedElementText(xml, L"LogonTrigger"));
    EXPECT_EQ(L"HighestAvailable", ParsedElementText(xml, L"RunLevel"));
    EXPECT_EQ(L"InteractiveToken", ParsedElementText(xml, L"LogonType"));
    EXPECT_EQ(L"PT1M10", ParsedElementText(xml, L"RestartOnFailure"));
    EXPECT_EQ(L"PT0S", ParsedElementText(xml, L"ExecutionTimeLimit"));
    EXPECT_EQ(L"false", ParsedElementText(xml, L"AllowHardTerminate"));
    EXPECT_EQ(L"2", ParsedElementText(xml, L"Priority"));
    // What the installer reads back from a query is what it wrote.
    wchar_t args[260];
    EXPECT_TRUE(ReadTaskXmlArguments(xml, args));
    EXPECT_STREQ(c.options, args);
    HeapFree(GetProcessHeap(), 0, xml);
  }
}

TEST(LogonTaskXml, ArgumentsOfAQueryAnswer) {
  wchar_t args[260];
  EXPECT_FALSE(ReadTaskXmlArguments(L"ERROR: The system cannot find the file specified.", args));
  EXPECT_TRUE(ReadTaskXmlArguments(L"<?xml version=\"1.0\"?><Task><Actions Context=\"Author\"><Exec>"
                                   L"<Command>x</Command></Exec></Actions></Task>", args));
  EXPECT_STREQ(L"", args);
  // Arguments elsewhere than in the action are not the action's.
  EXPECT_FALSE(ReadTaskXmlArguments(L"<Task><Arguments> /n</Arguments></Task>", args));
  EXPECT_TRUE(ReadTaskXmlArguments(L"<ACTIONS><EXEC><ARGUMENTS> /s1:2 &amp; x</ARGUMENTS>", args));
  EXPECT_STREQ(L" /s1:2 & x", args);
}
