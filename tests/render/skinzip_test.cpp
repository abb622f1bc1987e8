// Zipped skins made by Info-ZIP zip at build time (and broken copies of
// them): skin.xml found at the root or inside folders, later lookups under
// its folder, and members that must not be handed out.
#include <gtest/gtest.h>

#include <string>

#include "render/icons.h"
#include "render/skinzip.h"
#include "state.h"
#include "support/test_support.h"

namespace {

const DWORD kSkinXmlBytes = 2626;  // UTF-16 skin.xml of make_skin_zips.py

class SkinZipTest : public ::testing::Test {
 protected:
  void TearDown() override { CloseSkinArchive(); }

  // Opens a fixture archive as the skin's archive.
  void Open(const wchar_t* archive) {
    std::wstring path = FixturePath((std::wstring(L"skinzip\\") + archive).c_str());
    BYTE* data;
    DWORD n = ReadWholeFile(path.c_str(), GetProcessHeap(), &data);
    ASSERT_GT(n, 0u) << "missing fixture";
    OpenSkinArchive(data, n);
  }
  std::string Prefix() const { return g_App.SkinZip.Prefix ? g_App.SkinZip.Prefix : "(none)"; }
  // Finds and extracts; the bytes, or "(missing)" / "(refused)".
  std::string Member(const wchar_t* name, int findSkinXml) {
    ZipLocalHeader h;
    if (!FindZipEntry(name, &h, findSkinXml)) return "(missing)";
    BYTE* data;
    DWORD n = ExtractZipEntry(&h, &data);
    if (!n) {
      EXPECT_EQ(nullptr, data);
      return "(refused)";
    }
    EXPECT_EQ(0, data[n]);
    EXPECT_EQ(0, data[n + 1]);
    std::string bytes((const char*)data, n);
    HeapFree(GetProcessHeap(), 0, data);
    return bytes;
  }
  static std::string Png() { return ReadFileBytes(FixturePath(L"image\\rgba.png")); }
  static bool IsSkinXml(const std::string& s) {
    return s.size() == kSkinXmlBytes && s.compare(0, 2, "\xFF\xFE") == 0 &&
           s.compare(s.size() - 4, 4, std::string("\r\0\n\0", 4)) == 0;
  }
};

TEST_F(SkinZipTest, SkinXmlAndItsImagesFromInfoZipArchives) {
  for (const wchar_t* archive : {L"deflate.zip", L"stored.zip"}) {
    SCOPED_TRACE(archive);
    Open(archive);
    EXPECT_TRUE(IsSkinXml(Member(L"skin.xml", 1)));
    EXPECT_EQ("(none)", Prefix());  // at the root: no folder prefix
    // Names compare without ASCII case.
    EXPECT_EQ(Png(), Member(L"images/tab.png", 0));
    EXPECT_EQ(73890u, Member(L"NOTES.TXT", 0).size());
    EXPECT_EQ("(missing)", Member(L"tab.png", 0));
    CloseSkinArchive();
  }
}

TEST_F(SkinZipTest, SkinXmlTwoFoldersDeepPrefixesLaterLookups) {
  Open(L"nested.zip");
  EXPECT_TRUE(IsSkinXml(Member(L"skin.xml", 1)));
  EXPECT_EQ("theme/inner/", Prefix());
  // The image next to skin.xml, not the root's tab.png.
  EXPECT_EQ(Png(), Member(L"tab.png", 0));
  EXPECT_EQ("(missing)", Member(L"inner/tab.png", 0));
}

TEST_F(SkinZipTest, MembersThatCannotBeTrustedAreNotHandedOut) {
  struct Case {
    const wchar_t* Archive;
    const wchar_t* Name;
    int FindSkinXml;
    const char* Result;  // "xml" for the intact skin.xml
  } cases[] = {
      // An encrypted member ends the walk before the wanted one.
      {L"encrypted.zip", L"skin.xml", 1, "(missing)"},
      {L"bzip2.zip", L"skin.xml", 1, "(refused)"},
      // Sizes only behind the data or in a Zip64 field: the walk cannot go on.
      {L"descriptor.zip", L"skin.xml", 1, "(missing)"},
      {L"descriptor.zip", L"notes.txt", 0, "(missing)"},
      {L"zip64.zip", L"skin.xml", 1, "(missing)"},
      {L"badcrc.zip", L"skin.xml", 1, "(refused)"},
      {L"stored-badcrc.zip", L"skin.xml", 1, "xml"},  // stored members carry no CRC check
      {L"inflates-past.zip", L"skin.xml", 1, "(refused)"},
      {L"inflates-short.zip", L"skin.xml", 1, "(refused)"},
      {L"claims-gigabytes.zip", L"skin.xml", 1, "(refused)"},
      {L"stored-sizes.zip", L"skin.xml", 1, "(refused)"},
      {L"cut-in-data.zip", L"skin.xml", 1, "(missing)"},
      {L"cut-in-name.zip", L"skin.xml", 1, "(missing)"},
      {L"traversal-only.zip", L"skin.xml", 1, "(missing)"},
      {L"traversal.zip", L"../skin.xml", 0, "(missing)"},
      {L"traversal.zip", L"C:/skin.xml", 0, "(missing)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Archive << " " << c.Name);
    Open(c.Archive);
    std::string got = Member(c.Name, c.FindSkinXml);
    if (std::string(c.Result) == "xml") {
      EXPECT_TRUE(IsSkinXml(got));
    } else {
      EXPECT_EQ(c.Result, got);
    }
    CloseSkinArchive();
  }
}

TEST_F(SkinZipTest, MembersBeforeABrokenOneStayReadable) {
  Open(L"cut-in-data.zip");
  EXPECT_EQ(73890u, Member(L"notes.txt", 0).size());
  CloseSkinArchive();
  Open(L"claims-gigabytes.zip");
  EXPECT_EQ(Png(), Member(L"Images/Tab.PNG", 0));
}

TEST_F(SkinZipTest, NamesThatLeaveTheArchiveOrOverflowThePrefixArePassedOver) {
  struct Case {
    const wchar_t* Archive;
    const char* Prefix;
  } cases[] = {
      {L"traversal.zip", "good/"},  // after ../, /rooted/, C:/, a/../../ and good/./
      {L"long-name.zip", "ok/"},    // after a name of 260 bytes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Archive);
    Open(c.Archive);
    EXPECT_TRUE(IsSkinXml(Member(L"skin.xml", 1)));
    EXPECT_EQ(c.Prefix, Prefix());
    CloseSkinArchive();
  }
  // 259 bytes still fit; the prefix then leaves no room for a further name.
  Open(L"name-259.zip");
  EXPECT_TRUE(IsSkinXml(Member(L"skin.xml", 1)));
  EXPECT_EQ(std::string(250, 'd') + "/", Prefix());
  EXPECT_EQ("(missing)", Member(L"abcdefghij.png", 0));
}

TEST_F(SkinZipTest, NothingWithoutAnOpenArchive) {
  ZipLocalHeader h;
  EXPECT_EQ(0, FindZipEntry(L"skin.xml", &h, 1));
  Open(L"deflate.zip");
  ASSERT_EQ(1, FindZipEntry(L"skin.xml", &h, 1));
  CloseSkinArchive();
  BYTE* data;
  EXPECT_EQ(0u, ExtractZipEntry(&h, &data));
  EXPECT_EQ(nullptr, data);
}

}  // namespace
