// The Deflate64 decoder on streams written bit by bit for its edge codes
// (their verdict checked by Info-ZIP unzip -t when they were made), on
// broken streams, and its code tables on sets of code lengths.
#include <gtest/gtest.h>

#include "tests/package/extract.h"

namespace {

TEST(Deflate64, EdgeCodesDecodeAsUnzipDecodesThem) {
  for (const char* name : {"d64_len285", "d64_dist65536", "d64_dynamic_full", "d64_one_distance"}) {
    ArchiveRun run = ExtractArchive(PackageFixture((std::string(name) + ".zip").c_str()));
    ASSERT_EQ(1u, run.Entries.size()) << name;
    EXPECT_EQ(ZIPMETHOD_DEFLATE64, run.Entries[0].Method);
    EXPECT_EQ(ENTRY_OK, run.Entries[0].Result) << name;
    EXPECT_TRUE(run.Entries[0].Data == ReadFileBytes(PackageFixture((std::string(name) + ".expected").c_str())))
        << name;
  }
}

TEST(Deflate64, BrokenStreamsFailTheirEntry) {
  for (const char* name : {"d64_bad_stored", "d64_type3", "d64_oversubscribed", "d64_truncated", "d64_before_start"}) {
    ArchiveRun run = ExtractArchive(PackageFixture((std::string(name) + ".zip").c_str()));
    ASSERT_EQ(1u, run.Entries.size()) << name;
    EXPECT_EQ(ENTRY_DATA, run.Entries[0].Result) << name;
  }
}

TEST(Deflate64, TableBuildResults) {
  struct Case {
    std::vector<uint8_t> Lengths;
    int Result, Bits;
  } cases[] = {
      {{2, 2, 2, 2}, 0, 2},          // complete
      {{1, 2, 3, 3}, 0, 3},          // complete, root lowered to the longest code
      {{1}, 0, 1},                   // one code of one bit: accepted
      {{1, 2}, 1, 2},                // incomplete
      {{1, 1, 1}, 2, 0},             // over-subscribed
      {{0, 0, 0}, 0, 0},             // no codes: no table
      {{16, 1, 1}, 2, 0},            // a length beyond the longest code
      {{15, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, 0, 9},  // sub-tables below a 9-bit root
  };
  for (const Case& c : cases) {
    HuffEntry* table = nullptr;
    int bits = 9;
    EXPECT_EQ(c.Result, BuildHuffmanTables(c.Lengths.data(), (int)c.Lengths.size(), (int)c.Lengths.size(), nullptr,
                                           nullptr, &table, &bits))
        << c.Lengths.size();
    if (c.Result < 2) {
      EXPECT_EQ(c.Bits, bits) << c.Lengths.size();
    }
    EXPECT_EQ(c.Result >= 2 || c.Bits == 0, table == nullptr);
    FreeHuffmanTables(table);
  }
}

TEST(Deflate64, LongCodesResolveThroughSubTables) {
  // Lengths 1..15 and a second 15: symbol i is read as i ones and a zero
  // (the last one as 15 ones).
  std::vector<uint8_t> lengths = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 15};
  HuffEntry* t = nullptr;
  int bits = 9;
  ASSERT_EQ(0, BuildHuffmanTables(lengths.data(), 16, 16, nullptr, nullptr, &t, &bits));
  for (int sym = 0; sym < 16; sym++) {
    uint32_t code = sym < 15 ? (1u << sym) - 1 : 0x7FFF;
    HuffEntry e = t[code & 0x1FF];
    int used = e.Bits;
    if (e.Op > HUFF_LITERAL && e.Op != HUFF_INVALID) {
      e = t[e.Value + ((code >> 9) & ((1u << (e.Op - 32)) - 1))];
      used += e.Bits;
    }
    EXPECT_EQ(HUFF_LITERAL, e.Op) << sym;
    EXPECT_EQ(sym, e.Value) << sym;
    EXPECT_EQ(sym < 15 ? sym + 1 : 15, used) << sym;
  }
  FreeHuffmanTables(t);
}

}  // namespace
