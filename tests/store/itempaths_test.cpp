// Buttons' paths made relative to the program folder and back.
#include "store/lists.h"
#include "store/paths.h"
#include "store_fixture.h"

namespace {

class ItemPathsTest : public StoreTest {
 protected:
  std::wstring folder;  // program folder, no trailing backslash
  void SetUp() override {
    StoreTest::SetUp();
    folder = GetProgramPath();
    folder.resize(folder.rfind(L'\\'));
    MakePages(1);
  }
  wchar_t* In(const wchar_t* rest) { return StoreDupString((folder + rest).c_str()); }
};

TEST_F(ItemPathsTest, NewButtonStoresPathsRelativeButNotItsTip) {
  S().Set.Option1 = OPT1_RELATIVE_PATHS;
  NewButtonTemplate t{};
  t.Button.Type = 1;
  t.Button.File = In(L"\\Data\\a.txt");
  t.Button.Directory = In(L"\\Work");
  t.Button.IconFile = In(L"\\i.ico");
  t.Button.Tip = In(L"\\Data\\a.txt");
  t.Button.Parameter = In(L"\\p.txt");
  ButtonInfo* b = AddButton(&t, 0);
  ASSERT_NE(nullptr, b);
  EXPECT_STREQ(L"Data\\a.txt", b->File);
  EXPECT_STREQ(L"Work", b->Directory);
  EXPECT_STREQ(L"i.ico", b->IconFile);
  EXPECT_EQ(folder + L"\\Data\\a.txt", b->Tip);  // free text
  EXPECT_EQ(folder + L"\\p.txt", b->Parameter);

  NewButtonTemplate u{};
  u.Button.Type = 4;  // URL: no paths
  u.Button.IconFile = In(L"\\i.ico");
  ButtonInfo* url = AddButton(&u, 0);
  EXPECT_EQ(folder + L"\\i.ico", url->IconFile);
  NewButtonTemplate k{};
  k.Button.Type = 1;
  k.Button.File = In(L"\\x.exe");
  k.Control = NBT_KEEP_FIELDS;  // taken as filled
  EXPECT_EQ(folder + L"\\x.exe", AddButton(&k, 0)->File);
}

TEST_F(ItemPathsTest, ConvertAllItemPaths) {
  ButtonInfo* folderItem = Add(0, "folder", 0, 0, IT_FOLDER);
  folderItem->File = In(L"\\Data");
  folderItem->Directory = In(L"\\Data");  // a folder's Directory is not a path
  ButtonInfo* menu = AddMenu(0, "menu");
  menu->Directory = StoreDupString(L"/max");
  ButtonInfo* inner = Add(MenuOf(menu), "inner", 0, 0, 2);
  inner->File = In(L"\\tool.exe");
  inner->Directory = In(L"\\Work");
  inner->RehookTrigger = In(L"\\watch.exe");
  inner->OverlayIcon = In(L"\\o.ico");
  inner->Tip = In(L"\\tip");
  ButtonInfo* url = Add(0, "url", 1, 0, 4);
  url->File = StoreDupString(L"http://example.invalid/");
  url->IconFile = In(L"\\u.ico");

  g_Log.MessageAnswer = IDCANCEL;
  ConvertAllItemPaths(1);
  EXPECT_EQ(1, g_Log.Count("Msg 658"));
  EXPECT_EQ(folder + L"\\tool.exe", inner->File);
  EXPECT_FALSE(g_Log.Has("SavePages"));

  g_Log.MessageAnswer = IDOK;
  ConvertAllItemPaths(1);
  EXPECT_STREQ(L"Data", folderItem->File);
  EXPECT_EQ(folder + L"\\Data", folderItem->Directory);
  EXPECT_STREQ(L"/max", menu->Directory);
  EXPECT_STREQ(L"tool.exe", inner->File);
  EXPECT_STREQ(L"Work", inner->Directory);
  EXPECT_STREQ(L"watch.exe", inner->RehookTrigger);
  EXPECT_STREQ(L"o.ico", inner->OverlayIcon);
  EXPECT_EQ(folder + L"\\tip", inner->Tip);
  EXPECT_STREQ(L"http://example.invalid/", url->File);
  EXPECT_STREQ(L"u.ico", url->IconFile);
  EXPECT_TRUE(g_Log.Has("SavePages"));

  ConvertAllItemPaths(0);
  EXPECT_EQ(1, g_Log.Count("Msg 659"));
  EXPECT_EQ(folder + L"\\tool.exe", inner->File);
  EXPECT_EQ(folder + L"\\Data", folderItem->File);
  EXPECT_EQ(folder + L"\\u.ico", url->IconFile);
  EXPECT_STREQ(L"/max", menu->Directory);  // an option string, never a path
}

}  // namespace
