#include <gtest/gtest.h>

#include <climits>

#include "plugin_fixture.h"
#include "plugins/plugindata.h"
#include "store/ini.h"
#include "store/items.h"

namespace {

// A store as one line per entry: "section|key|kind|value".
std::wstring Dump(const PluginStore& store) {
  std::wstring out;
  for (const auto& s : store) {
    out += L"[" + s.first + L"]";
    for (const auto& e : s.second) {
      const PluginValue& v = e.second;
      out += L" " + e.first + L"=";
      if (v.Kind == PV_INT) out += std::to_wstring(v.Number);
      else if (v.Kind == PV_STRING) out += L"'" + v.Text + L"'";
      else out += L"-";
    }
  }
  return out;
}

std::wstring FileText(const std::wstring& path) {
  std::string b = ReadFileBytes(path);
  if (b.size() < 2 || (unsigned char)b[0] != 0xFF || (unsigned char)b[1] != 0xFE) return L"<no BOM>";
  return std::wstring(reinterpret_cast<const wchar_t*>(b.data() + 2), (b.size() - 2) / 2);
}

class PluginDataTest : public PluginHostTest {
 protected:
  void SetUp() override {
    PluginHostTest::SetUp();
    // A record that is listed but not loaded is all the store needs.
    ASSERT_EQ(1, AddPlugin(L"Data.dll", 0));
    File = Data + L"\\PluginData\\Data.ini";
  }
  PluginRecord& R() { return *g_App.Plugins->List[0]; }
  std::wstring File;
};

TEST_F(PluginDataTest, TheFileHoldsEveryKindInNameOrderAndReadsBackTheSame) {
  ASSERT_EQ(1, SetPluginInt(0, L"b", L"Neg", INT_MIN));
  ASSERT_TRUE(SetPluginString(0, L"b", L"Text", L"a [b] [\\ = \"q\" \u00e9\u65e5"));
  ASSERT_TRUE(SetPluginString(0, nullptr, L"Empty", L""));
  ASSERT_TRUE(SetPluginString(0, L"B", L"Quoted", L"\"x\""));
  ASSERT_EQ(1, SetPluginInt(0, L"b", L"Max", INT_MAX));
  GetPluginInt(0, L"a", L"Made", 5);  // an empty entry: header only
  EXPECT_TRUE(R().Flags & PRF_CHANGED);
  ASSERT_EQ(1, SavePluginData(0));
  EXPECT_FALSE(R().Flags & PRF_CHANGED);
  EXPECT_EQ(L"\r\n[B]\r\nQuoted=\"\"x\"\"\r\n"
            L"\r\n[General]\r\nEmpty=\"\"\r\n"
            L"\r\n[a]\r\n"
            L"\r\n[b]\r\nMax=2147483647\r\nNeg=-2147483648\r\nText=\"a [\\b] [\\\\ = \"q\" \u00e9\u65e5\"\r\n",
            FileText(File));
  std::wstring before = Dump(R().Store);
  R().Store.clear();
  R().Flags |= PRF_CHANGED;
  LoadPluginData(0);
  EXPECT_FALSE(R().Flags & PRF_CHANGED);
  // The empty entry was not written: its section comes back without it.
  EXPECT_EQ(L"[B] Quoted='\"x\"'[General] Empty=''[a][b] Max=2147483647 Neg=-2147483648 "
            L"Text='a [b] [\\ = \"q\" \u00e9\u65e5'",
            Dump(R().Store));
  EXPECT_NE(before, Dump(R().Store));
  // Written again from what was read: the same bytes.
  std::wstring first = FileText(File);
  ASSERT_EQ(1, SavePluginData(0));
  EXPECT_EQ(first, FileText(File));
}

TEST_F(PluginDataTest, GettersCreateEntriesAndTurnOtherKindsIntoEmptyStrings) {
  EXPECT_EQ(9, GetPluginInt(0, nullptr, L"Missing", 9));
  EXPECT_FALSE(R().Flags & PRF_CHANGED) << "a lookup is no change";
  ASSERT_EQ(1, SetPluginInt(0, nullptr, L"N", 4));
  EXPECT_STREQ(L"", GetPluginString(0, L"General", L"N"));
  EXPECT_EQ(-1, GetPluginInt(0, nullptr, L"N", -1));
  EXPECT_EQ(L"[General] Missing=- N=''", Dump(R().Store));
  EXPECT_EQ(1, DeletePluginValue(0, nullptr, L"N"));
  EXPECT_EQ(0, DeletePluginValue(0, nullptr, L"N"));
  EXPECT_EQ(1, SetPluginDescription(0, L"About"));
  EXPECT_TRUE(R().Flags & PRF_DESCRIPTION);
  EXPECT_EQ(L"About", R().Description);
}

// Names and texts that would break the line structure of the file change
// nothing, and neither does an index no plug-in has.
TEST_F(PluginDataTest, BadNamesTextsAndIndexesAreRefusedWithoutAChange) {
  struct Bad {
    int Index;
    const wchar_t* Section;
    const wchar_t* Key;
    const wchar_t* Text;
  };
  std::wstring longName(kPluginNameChars + 1, L'k');
  const Bad cases[] = {
      {0, L"S", L"a=b", L"v"},   {0, L"S", L"[k", L"v"},   {0, L"S", L"k]", L"v"},
      {0, L"S", L"k\r", L"v"},   {0, L"S", L"k\nx", L"v"}, {0, L"S", L"", L"v"},
      {0, L"S", nullptr, L"v"},  {0, L"a]b", L"k", L"v"},  {0, L"[S", L"k", L"v"},
      {0, L"S=1", L"k", L"v"},   {0, L"", L"k", L"v"},     {0, L"S\n", L"k", L"v"},
      {0, L"S", longName.c_str(), L"v"}, {0, longName.c_str(), L"k", L"v"},
      {0, L"S", L"k", L"line\r\nbreak"}, {-1, L"S", L"k", L"v"}, {1, L"S", L"k", L"v"},
  };
  for (size_t i = 0; i < ARRAYSIZE(cases); i++) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    const Bad& c = cases[i];
    bool textOnly = c.Text && wcspbrk(c.Text, L"\r\n");
    if (!textOnly) {
      EXPECT_EQ(0, SetPluginInt(c.Index, c.Section, c.Key, 1));
    }
    EXPECT_EQ(nullptr, SetPluginString(c.Index, c.Section, c.Key, c.Text));
    if (!textOnly) {
      EXPECT_EQ(7, GetPluginInt(c.Index, c.Section, c.Key, 7));
      EXPECT_EQ(nullptr, GetPluginString(c.Index, c.Section, c.Key));
      EXPECT_EQ(0, DeletePluginValue(c.Index, c.Section, c.Key));
    }
    EXPECT_TRUE(R().Store.empty());
    EXPECT_FALSE(R().Flags & PRF_CHANGED);
  }
  EXPECT_EQ(0, SavePluginData(-1));
  EXPECT_EQ(0, SavePluginData(3));
  EXPECT_EQ(0, SetPluginDescription(-1, L"x"));
  LoadPluginData(-1);
}

// Files as a person or another program may leave them: whatever can be
// read is kept, nothing crashes or runs past the text.
TEST(PluginDataParse, DamagedFilesKeepWhatCanBeRead) {
  struct Case {
    const wchar_t* Text;
    const wchar_t* Store;
  };
  std::wstring longSection = L"[" + std::wstring(300, L's') + L"]\r\nk=1\r\n";
  std::wstring longKey = L"[S]\r\n" + std::wstring(300, L'k') + L"=1\r\n[T]\r\nk=2\r\n";
  const Case cases[] = {
      {L"", L""},
      {L"\uFEFF", L""},
      {L"\uFEFF\r\n[S", L""},
      {L"[S]", L"[S]"},
      {L"[S]\r\nk=1", L"[S] k=1"},
      {L"[S]\r\nk=", L"[S]"},
      {L"[S]\r\nk=\r\nj=2\r\n", L"[S] j=2"},
      {L"[S]\r\nno key here\r\nk=3\r\n", L"[S] k=3"},
      {L"[S]\nk=1\nj=\"a\"\n", L"[S] j='a' k=1"},
      {L"[S]\rk=1\rj=2\r", L"[S] j=2 k=1"},
      {L"[S]\r\nk=  -12x\r\nj=abc\r\nh=+7\r\n", L"[S] h=7 j=0 k=-12"},
      {L"[S]\r\nk=\"open\r\nj=\"\"\r\n", L"[S] j='' k='\"open'"},
      {L"[S]\r\nk=1\r\nk=2\r\n", L"[S] k=2"},
      {L"[S]\r\nk]=1\r\n[=]\r\nj=2\r\n", L"[S]"},
      {L"[S]\r\nk=\"a[\\b\"\r\n", L"[S] k='a[b'"},
      {L"[S]\r\nk=1\r\n[S]\r\nj=2\r\n", L"[S] j=2 k=1"},
      {L"junk before\r\n[S]\r\nk=1\r\n", L"[S] k=1"},
      {L"[S]\r\nk=1[T]\r\nj=2", L"[S] j=2 k=1"},
      {longSection.c_str(), L""},
      {longKey.c_str(), L"[S][T] k=2"},
  };
  for (size_t i = 0; i < ARRAYSIZE(cases); i++) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    PluginStore store;
    ParsePluginData(cases[i].Text, &store);
    EXPECT_EQ(cases[i].Store, Dump(store));
  }
  ParsePluginData(nullptr, nullptr);
}

BOOL WINAPI FailingWrite(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) { return FALSE; }

TEST_F(PluginDataTest, AFailedWriteKeepsTheOldFileAndTheChangedMark) {
  ASSERT_EQ(1, SetPluginInt(0, nullptr, L"K", 1));
  ASSERT_EQ(1, SavePluginData(0));
  std::wstring old = FileText(File);
  ASSERT_EQ(1, SetPluginInt(0, nullptr, L"K", 2));
  IniWriteFn saved = g_IniWriteFile;
  g_IniWriteFile = FailingWrite;
  int ok = SavePluginData(0);
  g_IniWriteFile = saved;
  EXPECT_EQ(0, ok);
  EXPECT_EQ(old, FileText(File));
  EXPECT_TRUE(R().Flags & PRF_CHANGED);
  EXPECT_EQ(1u, ListFiles(Data + L"\\PluginData").size()) << "no temporary file left";
}

TEST_F(PluginDataTest, AFileNamedPluginDataMakesWayForTheFolder) {
  ASSERT_TRUE(WriteFileBytes(Data + L"\\PluginData", "in the way"));
  ASSERT_EQ(1, SetPluginInt(0, nullptr, L"K", 1));
  EXPECT_EQ(1, SavePluginData(0));
  EXPECT_EQ(L"\r\n[General]\r\nK=1\r\n", FileText(File));
  wchar_t path[MAX_PATH];
  ASSERT_EQ(1, GetPluginDataPath(L"My.Plugin.dll", path, MAX_PATH));
  EXPECT_EQ(Data + L"\\PluginData\\My.Plugin.ini", path);
  EXPECT_EQ(0, GetPluginDataPath(L"..\\x.dll", path, MAX_PATH));
}

TEST(ItemPluginValues, SlotsGrowTheListsAndBadSlotsAreRefused) {
  ButtonInfo b = {};
  ASSERT_EQ(1, SetItemPluginInt(&b, 5, 42));
  ASSERT_EQ(6u, b.PluginInts->size());
  EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0, 42}), *b.PluginInts);
  const wchar_t* stored = SetItemPluginString(&b, 2, L"two");
  ASSERT_TRUE(stored);
  EXPECT_STREQ(L"two", stored);
  ASSERT_EQ(3u, b.PluginStrs->size());
  EXPECT_STREQ(L"", (*b.PluginStrs)[0]);
  EXPECT_EQ(42, GetItemPluginInt(&b, 5, -1));
  EXPECT_EQ(-1, GetItemPluginInt(&b, 6, -1));
  EXPECT_EQ(-1, GetItemPluginInt(&b, -1, -1));
  EXPECT_EQ(-1, GetItemPluginInt(nullptr, 0, -1));
  EXPECT_STREQ(L"two", GetItemPluginString(&b, 2));
  EXPECT_EQ(nullptr, GetItemPluginString(&b, 3));
  EXPECT_EQ(nullptr, SetItemPluginString(&b, -1, L"x"));
  EXPECT_EQ(nullptr, SetItemPluginString(nullptr, 0, L"x"));
  // A slot number from a plug-in is no reason to allocate gigabytes.
  EXPECT_EQ(0, SetItemPluginInt(&b, 0x7FFFFFFF, 1));
  EXPECT_EQ(nullptr, SetItemPluginString(&b, 0x10000, L"x"));
  EXPECT_EQ(6u, b.PluginInts->size());
  FreeItemPluginParams(&b);
  EXPECT_EQ(nullptr, b.PluginInts);
  EXPECT_EQ(nullptr, b.PluginStrs);
}

}  // namespace
