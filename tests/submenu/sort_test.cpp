// Comparators, the insert index and the whole-array sort, which must give
// the order of inserting the entries one by one.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "submenu/options.h"
#include "submenu/sort.h"

namespace {

struct Entry {
  const wchar_t* Name;
  const wchar_t* Ext;
  ULONGLONG Size;
  DWORD Time;
  int Folder;
};

struct Items {
  std::vector<SmItem> Store;
  std::vector<SmItem*> Ptrs;
  explicit Items(const std::vector<Entry>& entries) {
    Store.resize(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      SmItem& it = Store[i];
      it = SmItem{};
      it.Name = const_cast<wchar_t*>(entries[i].Name);
      it.Extension = const_cast<wchar_t*>(entries[i].Ext);
      it.Size = entries[i].Size;
      it.WriteTime.dwLowDateTime = entries[i].Time;
      it.Attributes = SMA_DATA_READ | (entries[i].Folder ? SFGAO_FOLDER : 0);
      it.Sequence = (int)i;
    }
    for (SmItem& it : Store) Ptrs.push_back(&it);
  }
};

// The order of inserting one by one at FindSortedInsertIndex.
std::vector<std::wstring> Inserted(Items& items, UINT bits, int computer) {
  std::vector<SmItem*> out;
  int folders = 0;
  for (SmItem* it : items.Ptrs) {
    int at = FindSortedInsertIndex(out.data(), (int)out.size(), folders, it, bits, computer);
    out.insert(out.begin() + at, it);
    if (IsFolderItem(it)) ++folders;
  }
  std::vector<std::wstring> names;
  for (SmItem* it : out) names.push_back(it->Name);
  return names;
}

std::vector<std::wstring> Sorted(Items& items, UINT bits, int computer) {
  std::vector<SmItem*> v = items.Ptrs;
  SortSmItems(v.data(), (int)v.size(), bits, computer);
  std::vector<std::wstring> names;
  for (SmItem* it : v) names.push_back(it->Name);
  return names;
}

const std::vector<Entry> kFolder = {
    {L"b.txt", L"txt", 30, 5, 0}, {L"Sub", nullptr, 0, 9, 1},    {L"a.doc", L"doc", 10, 7, 0},
    {L"c.txt", L"txt", 10, 1, 0}, {L"apps", nullptr, 0, 2, 1},   {L"B.bmp", L"bmp", 20, 3, 0},
};

TEST(SubMenuSort, OrdersByEachKey) {
  using V = std::vector<std::wstring>;
  const struct {
    UINT Bits;
    V Want;
  } cases[] = {
      {0, {L"b.txt", L"Sub", L"a.doc", L"c.txt", L"apps", L"B.bmp"}},  // enumeration order
      {SMO_BY_NAME, {L"apps", L"Sub", L"a.doc", L"B.bmp", L"b.txt", L"c.txt"}},
      {SMO_BY_NAME | SMO_REVERSE, {L"Sub", L"apps", L"c.txt", L"b.txt", L"B.bmp", L"a.doc"}},
      {SMO_BY_NAME | SMO_MIXED, {L"a.doc", L"apps", L"B.bmp", L"b.txt", L"c.txt", L"Sub"}},
      // Folders by name; equal sizes: the later entry first.
      {SMO_BY_SIZE, {L"apps", L"Sub", L"c.txt", L"a.doc", L"B.bmp", L"b.txt"}},
      {SMO_BY_SIZE | SMO_REVERSE, {L"Sub", L"apps", L"b.txt", L"B.bmp", L"a.doc", L"c.txt"}},
      {SMO_BY_EXT, {L"apps", L"Sub", L"B.bmp", L"a.doc", L"b.txt", L"c.txt"}},
      {SMO_BY_WRITE, {L"apps", L"Sub", L"c.txt", L"B.bmp", L"b.txt", L"a.doc"}},
  };
  for (const auto& c : cases) {
    Items items(kFolder);
    EXPECT_EQ(c.Want, Inserted(items, c.Bits, 0)) << std::hex << c.Bits;
    EXPECT_EQ(c.Want, Sorted(items, c.Bits, 0)) << std::hex << c.Bits;
  }
}

TEST(SubMenuSort, ComputerFolderByDriveLetter) {
  const std::vector<Entry> drives = {
      {L"Network", nullptr, 0, 0, 1},         {L"Data (D:)", nullptr, 0, 0, 1}, {L"System (C:)", nullptr, 0, 0, 1},
      {L"Control Panel", nullptr, 0, 0, 1},   {L"Backup (D:)", nullptr, 0, 0, 1},
  };
  Items items(drives);
  using V = std::vector<std::wstring>;
  V up = {L"System (C:)", L"Data (D:)", L"Backup (D:)", L"Network", L"Control Panel"};
  EXPECT_EQ(up, Inserted(items, SMO_BY_NAME, 1));
  EXPECT_EQ(up, Sorted(items, SMO_BY_NAME, 1));
  V down = {L"Network", L"Control Panel", L"Backup (D:)", L"Data (D:)", L"System (C:)"};
  EXPECT_EQ(down, Inserted(items, SMO_BY_NAME | SMO_REVERSE, 1));
  EXPECT_EQ(down, Sorted(items, SMO_BY_NAME | SMO_REVERSE, 1));
  EXPECT_EQ(L'C', DriveLetterOf(L"System (C:)"));
  EXPECT_EQ(0, DriveLetterOf(L":)"));
  EXPECT_EQ(0, DriveLetterOf(nullptr));
}

TEST(SubMenuSort, EntryWithoutFileDataGoesLast) {
  Items items({{L"b", L"", 5, 0, 0}, {L"a", L"", 1, 0, 0}, {L"c", L"", 3, 0, 0}});
  items.Store[0].Attributes &= ~SMA_DATA_READ;
  items.Store[0].Size = ~0ULL;  // as left by a failed read
  using V = std::vector<std::wstring>;
  EXPECT_EQ((V{L"a", L"c", L"b"}), Inserted(items, SMO_BY_SIZE, 0));
  EXPECT_EQ((V{L"a", L"c", L"b"}), Sorted(items, SMO_BY_SIZE, 0));
}

// Many names with duplicates: the merge sort and one-by-one insertion agree
// for every key and direction.
TEST(SubMenuSort, BigSortMatchesInsertion) {
  std::mt19937 rng(7);
  std::vector<std::wstring> names;
  for (int i = 0; i < 600; ++i) names.push_back(L"n" + std::to_wstring(rng() % 200));
  std::vector<Entry> entries;
  for (auto& n : names) entries.push_back({n.c_str(), L"x", rng() % 50, (DWORD)(rng() % 30), (int)(rng() % 5 == 0)});
  const UINT keys[] = {SMO_BY_NAME, SMO_BY_SIZE, SMO_BY_WRITE, SMO_BY_EXT};
  for (UINT key : keys)
    for (UINT extra : {0u, (UINT)SMO_REVERSE, (UINT)SMO_MIXED, (UINT)(SMO_REVERSE | SMO_MIXED)}) {
      if ((key & (SMO_BY_SIZE | SMO_BY_EXT)) && (extra & SMO_MIXED)) continue;  // folder rule is asymmetric
      Items items(entries);
      EXPECT_EQ(Inserted(items, key | extra, 0), Sorted(items, key | extra, 0)) << std::hex << (key | extra);
    }
}

}  // namespace
