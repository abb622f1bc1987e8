// The icon cache file: written and read back pixel-equal, refused when it
// does not fit the buttons, refused cleanly and fast when damaged, and never
// left half-written.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/iteminfo.h"
#include "state.h"
#include "render/icon_fixture.h"
#include "render/iconcache.h"
#include "store/items.h"
#include "store/lists.h"
#include "support/test_support.h"

namespace {

wchar_t* Dup(const wchar_t* s) {
  size_t n = wcslen(s);
  wchar_t* p = (wchar_t*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (n + 1) * sizeof(wchar_t));
  memcpy(p, s, n * sizeof(wchar_t));
  return p;
}

int PutInt(std::string& s, size_t at, int v) {
  memcpy(&s[at], &v, 4);
  return v;
}
int GetInt(const std::string& s, size_t at) {
  int v;
  memcpy(&v, s.data() + at, 4);
  return v;
}

class IconCacheTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::vector<ButtonInfo*> buttons;
  std::vector<std::string> pixels;  // per button: its four slots' pixels, joined

  void SetUp() override {
    ClearItemStore();
    wcscpy(g_App.DataFolderPath, dir.Path.c_str());
    g_IconCacheSeams.WriteFile = ::WriteFile;
    // Three pages (one empty) and a child menu with one button.
    ASSERT_EQ(0, AddPage(L"P1"));
    ASSERT_EQ(1, AddPage(L"P2"));
    ASSERT_EQ(2, AddPage(L"P3"));
    Add(0, 32, 16, false);
    Add(0, 48, 24, true);  // with an overlay
    ButtonInfo* menu = Add(1, 32, 16, false, IT_CHILDMENU);
    Add(LIST_SUBMENU | menu->SubMenuIdx, 32, 16, false);
    Add(1, 16, 16, false);
  }
  void TearDown() override {
    g_IconCacheSeams.WriteFile = ::WriteFile;
    ClearItemStore();
    g_App.DataFolderPath[0] = 0;
  }

  ButtonInfo* Add(int list, int first, int second, bool overlay, UINT type = IT_PROGRAM) {
    NewButtonTemplate t{};
    t.Button.Type = type;
    t.Button.Name = Dup(L"b");
    t.Control = NBT_KEEP_FIELDS;
    ButtonInfo* b = AddButton(&t, list);
    EXPECT_NE(nullptr, b);
    DWORD seed = (DWORD)buttons.size() * 16 + 1;
    b->Icon[0] = MakeTestIcon(first, seed);
    b->Icon[1] = MakeTestIcon(second, seed + 1);
    if (overlay) {
      b->OverlayIcon = Dup(L"overlay.ico");
      b->Overlay[0].Icon = MakeTestIcon(16, seed + 2);
      b->Overlay[1].Icon = MakeTestIcon(8, seed + 3);
    }
    buttons.push_back(b);
    pixels.push_back(Pixels(b));
    return b;
  }
  // The icons as the drawing code gets them: made from the cache when asked.
  static std::string Pixels(ButtonInfo* b) {
    MakeCachedIcons(b, -1);
    return IconPixels(b->Icon[0]) + "|" + IconPixels(b->Overlay[0].Icon) + "|" + IconPixels(b->Icon[1]) + "|" +
           IconPixels(b->Overlay[1].Icon);
  }
  void DropIcons() {
    for (ButtonInfo* b : buttons)
      for (int k = 0; k < 2; k++) {
        DestroyIcon(b->Icon[k]);
        DestroyIcon(b->Overlay[k].Icon);
        b->Icon[k] = b->Overlay[k].Icon = nullptr;
      }
  }
  std::wstring CacheFile() { return dir.File(kIconCacheName); }
  std::string Saved() {
    EXPECT_EQ(1, SaveIconCache(0));
    return ReadFileBytes(CacheFile());
  }
};

TEST_F(IconCacheTest, RoundTripPixelEqual) {
  std::string file = Saved();
  ASSERT_GT(file.size(), 12u);
  EXPECT_EQ(0, memcmp(file.data(), "VNICON\0", 8));
  EXPECT_EQ(4, GetInt(file, 8));  // 3 pages + 1 child menu
  // Page 0: two buttons, the second with overlays: 2 + 4 images.
  EXPECT_EQ(6, GetInt(file, 16));
  // The empty page: a bare block header.
  size_t page1 = 12 + GetInt(file, 12);
  size_t page2 = page1 + GetInt(file, page1);
  EXPECT_EQ(8, GetInt(file, page2));
  EXPECT_EQ(0, GetInt(file, page2 + 4));

  DropIcons();
  ASSERT_EQ(1, LoadIconCache());
  for (size_t i = 0; i < buttons.size(); i++) EXPECT_EQ(pixels[i], Pixels(buttons[i])) << i;
  // Written again from the loaded icons: the same bytes.
  EXPECT_EQ(file, Saved());
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((CacheFile() + L".tmp").c_str()));
}

TEST_F(IconCacheTest, MissingIconsWrittenAsNone) {
  DestroyIcon(buttons[0]->Icon[1]);
  buttons[0]->Icon[1] = nullptr;
  DestroyIcon(buttons[1]->Overlay[1].Icon);
  buttons[1]->Overlay[1].Icon = nullptr;
  std::string before0 = Pixels(buttons[0]), before1 = Pixels(buttons[1]);
  Saved();
  DropIcons();
  ASSERT_EQ(1, LoadIconCache());
  EXPECT_EQ(before0, Pixels(buttons[0]));
  EXPECT_EQ(before1, Pixels(buttons[1]));
  EXPECT_EQ(nullptr, buttons[0]->Icon[1]);
  EXPECT_EQ(nullptr, buttons[1]->Overlay[1].Icon);
}

int MadeIcons(const std::vector<ButtonInfo*>& buttons) {
  int n = 0;
  for (ButtonInfo* b : buttons)
    for (int k = 0; k < 2; k++) n += (b->Icon[k] != nullptr) + (b->Overlay[k].Icon != nullptr);
  return n;
}

TEST_F(IconCacheTest, IconsAreMadeOnlyWhenAskedFor) {
  std::string file = Saved();
  DropIcons();
  ASSERT_EQ(1, LoadIconCache());
  EXPECT_EQ(0, MadeIcons(buttons));
  // Written again before any icon was made: the same bytes, still no icons.
  EXPECT_EQ(file, Saved());
  EXPECT_EQ(0, MadeIcons(buttons));

  // One view mode: its icon and overlay only, pixel-equal to the originals.
  ButtonInfo* b = buttons[1];
  MakeCachedIcons(b, 1);
  EXPECT_EQ(nullptr, b->Icon[0]);
  EXPECT_EQ(nullptr, b->Overlay[0].Icon);
  ASSERT_NE(nullptr, b->Icon[1]);
  ASSERT_NE(nullptr, b->Overlay[1].Icon);
  EXPECT_EQ(2, MadeIcons(buttons));
  MakeCachedIcons(b, 0);
  EXPECT_EQ(pixels[1], Pixels(b));
  // Asking again makes nothing new.
  HICON made = b->Icon[0];
  MakeCachedIcons(b, -1);
  EXPECT_EQ(made, b->Icon[0]);
  EXPECT_EQ(4, MadeIcons(buttons));
  // Buttons never asked for made none.
  for (size_t i = 0; i < buttons.size(); i++) {
    if (buttons[i] == b) continue;
    EXPECT_EQ(nullptr, buttons[i]->Icon[0]) << i;
  }
  // A mix of made and waiting icons is written as the same file.
  EXPECT_EQ(file, Saved());
}

TEST_F(IconCacheTest, CopiedAndMovedButtonsKeepTheirWaitingIcons) {
  Saved();
  DropIcons();
  ASSERT_EQ(1, LoadIconCache());
  // A copy on the empty page, then the original of another button moved there.
  CopyButton(buttons[1], 2, -1, 1, nullptr);
  ButtonInfo* copy = GetItem(2, 0);
  ASSERT_NE(nullptr, copy);
  ASSERT_NE(buttons[1], copy);
  EXPECT_EQ(pixels[1], Pixels(copy));
  EXPECT_EQ(nullptr, buttons[1]->Icon[0]) << "the source still waits";
  EXPECT_EQ(pixels[1], Pixels(buttons[1]));
  CopyButton(buttons[0], 2, -1, 0, nullptr);
  ButtonInfo* moved = GetItem(2, 1);
  ASSERT_NE(nullptr, moved);
  EXPECT_EQ(pixels[0], Pixels(moved));
}

TEST_F(IconCacheTest, RefusedWhenButtonsChanged) {
  Saved();
  ButtonInfo* b = buttons[0];
  HICON kept = b->Icon[0];
  // A page more: the container count differs.
  ASSERT_EQ(3, AddPage(L"P4"));
  EXPECT_EQ(0, LoadIconCache());
  EXPECT_EQ(kept, b->Icon[0]);
  Saved();
  ASSERT_EQ(1, LoadIconCache());
  // A button that gained an overlay file: its block's image count differs.
  kept = buttons[3]->Icon[0];
  buttons[3]->OverlayIcon = Dup(L"new.ico");
  EXPECT_EQ(0, LoadIconCache());
  EXPECT_EQ(kept, buttons[3]->Icon[0]);
  EXPECT_EQ(pixels[3], Pixels(buttons[3]));
}

TEST_F(IconCacheTest, DamagedFilesRefusedFast) {
  const std::string good = Saved();
  const size_t block0 = 12, image0 = 20;  // first block header, first image length
  const int len0 = GetInt(good, image0);
  auto edit = [&](size_t at, int v) {
    std::string s = good;
    PutInt(s, at, v);
    return s;
  };
  auto header = [&](size_t field, DWORD v) {  // a field of the first image's BITMAPINFOHEADER
    return edit(image0 + 4 + field, (int)v);
  };
  struct Case {
    std::string Name;
    std::string File;
  };
  std::vector<Case> cases = {
      {"empty", ""},
      {"header only", good.substr(0, 12)},
      {"zero block size", edit(block0, 0)},
      {"block size 4", edit(block0, 4)},
      {"negative block size", edit(block0, -16)},
      {"block size past the end", edit(block0, (int)good.size())},
      {"block one byte longer", edit(block0, GetInt(good, block0) + 1)},
      {"block one byte shorter", edit(block0, GetInt(good, block0) - 1)},
      {"huge image count", edit(block0 + 4, 0x7FFFFFFF)},
      {"negative image count", edit(block0 + 4, -1)},
      {"huge container count", edit(8, 0x7FFFFFFF)},
      {"image length past the block", edit(image0, len0 + 1000)},
      {"image length past the file", edit(image0, 0x7FFFFFF0)},
      {"image length -1", edit(image0, -1)},
      {"image length short", edit(image0, len0 - 4)},
      {"width beyond the image", header(4, 4096)},
      {"height beyond the image", header(8, 2 * 33)},
      {"odd height", header(8, 2 * 32 + 1)},
      {"colour table claimed", header(14, 8)},
      {"1-bit colour claimed", header(14, 1)},
      {"bit count 0", header(14, 0)},
      {"compressed", header(16, BI_RLE8)},
      {"image size disagrees", header(20, 12)},
      {"colours used", header(32, 16)},
      {"header size 1064", header(0, 1064)},
      {"trailing bytes", good + "x"},
  };
  for (int i = 0; i < 7; i++) {
    std::string s = good;
    s[i] ^= 0x20;
    cases.push_back({"magic byte " + std::to_string(i), s});
  }
  for (size_t cut = 1; cut < good.size(); cut += 37) cases.push_back({"cut at " + std::to_string(cut), good.substr(0, cut)});

  std::vector<HICON> before;
  for (ButtonInfo* b : buttons) before.push_back(b->Icon[0]);
  DWORD start = GetTickCount();
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteFileBytes(CacheFile(), c.File));
    EXPECT_EQ(0, LoadIconCache()) << c.Name;
    for (size_t i = 0; i < buttons.size(); i++) ASSERT_EQ(before[i], buttons[i]->Icon[0]) << c.Name;
  }
  EXPECT_LT(GetTickCount() - start, 5000u) << cases.size() << " files";

  // Byte 7 is padding and not checked.
  std::string pad = good;
  pad[7] = 'Z';
  ASSERT_TRUE(WriteFileBytes(CacheFile(), pad));
  EXPECT_EQ(1, LoadIconCache());
  DeleteFileW(CacheFile().c_str());
  EXPECT_EQ(0, LoadIconCache());
}

// Write failures leave the previous file as it was and no partial file behind.
int g_WritesLeft;
BOOL WINAPI FailingWrite(HANDLE f, LPCVOID data, DWORD n, LPDWORD wrote, LPOVERLAPPED o) {
  if (g_WritesLeft-- > 0) return WriteFile(f, data, n / 2, wrote, o);  // a short write
  SetLastError(ERROR_DISK_FULL);
  return FALSE;
}

TEST_F(IconCacheTest, FailedWriteLeavesNoPartialFile) {
  std::wstring tmp = CacheFile() + L".tmp";
  for (int writes : {0, 1}) {
    g_WritesLeft = writes;
    g_IconCacheSeams.WriteFile = FailingWrite;
    EXPECT_EQ(0, SaveIconCache(0));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(CacheFile().c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(tmp.c_str()));
  }
  g_IconCacheSeams.WriteFile = ::WriteFile;
  std::string good = Saved();
  buttons[0]->Icon[0] = (DestroyIcon(buttons[0]->Icon[0]), MakeTestIcon(32, 999));
  g_WritesLeft = 0;
  g_IconCacheSeams.WriteFile = FailingWrite;
  EXPECT_EQ(0, SaveIconCache(0));
  EXPECT_EQ(good, ReadFileBytes(CacheFile()));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(tmp.c_str()));

  // A data folder that cannot take the file.
  g_IconCacheSeams.WriteFile = ::WriteFile;
  wcscpy(g_App.DataFolderPath, dir.File(L"missing\\folder").c_str());
  EXPECT_EQ(0, SaveIconCache(0));
}

TEST_F(IconCacheTest, RebuildReloadsAllButKeptIcons) {
  ButtonInfo* keep = buttons[0];
  keep->Type |= ITEM_KEEP_ICONS;
  HICON kept = keep->Icon[0];
  ButtonInfo* other = buttons[3];
  other->Type = IT_FOLDER;
  ASSERT_EQ(1, SaveIconCache(1));
  EXPECT_EQ(kept, keep->Icon[0]);
  ASSERT_NE(nullptr, other->Icon[0]);
  EXPECT_NE(pixels[3].substr(0, pixels[3].find('|')), IconPixels(other->Icon[0]));
  // What was written reads back.
  std::string rebuilt = Pixels(other);
  DropIcons();
  ASSERT_EQ(1, LoadIconCache());
  EXPECT_EQ(rebuilt, Pixels(other));
}

}  // namespace
