// Deflate64 (zip method 9): deflate with a 64 KiB window, length code 285
// carrying 16 extra bits on base 3, and distance codes 30 and 31. The bits
// come from the archive through the entry's decryption; the output goes
// through the pipeline's output end.
#pragma once
#include <stdint.h>

struct HuffEntry {
  uint8_t Op;    // 0..16 base + extra bits, 31 end of block, 32 literal, 33..48 link, 99 invalid
  uint8_t Bits;  // bits this entry consumes at its level
  uint16_t Value;
};

const uint8_t HUFF_END = 31;
const uint8_t HUFF_LITERAL = 32;
const uint8_t HUFF_INVALID = 99;

// Step results.
const int INFLATE_OK = 0;
const int INFLATE_BAD_DATA = 1;
const int INFLATE_BAD_BLOCK = 2;  // block type 3 or an over-subscribed code
const int INFLATE_NO_MEMORY = 3;
const int INFLATE_ABORTED = -1;

// Decodes one entry of compressedSize stored bytes from the stream's position.
int InflateDeflate64Entry(uint64_t compressedSize);
int InflateDeflate64();
void FreeFixedTables();

// Tables for a code of n lengths: the first simple symbols are literals
// (256 the end of block), the others take bases and extras. lookupBits
// comes in as the wished root size and goes out as the one used (0: every
// length was 0, no table). 0 done, 1 incomplete code, 2 over-subscribed,
// 3 out of memory.
int BuildHuffmanTables(const uint8_t* lengths, int n, int simple, const uint16_t* bases, const uint8_t* extras,
                       HuffEntry** table, int* lookupBits);
void FreeHuffmanTables(HuffEntry* table);
