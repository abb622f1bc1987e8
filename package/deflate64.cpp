#include "package/deflate64.h"

#include <stdlib.h>
#include <string.h>

#include "package/pipeline.h"

const uint32_t kWindowBytes = 65536;
const uint32_t kInputBytes = 32768;
const int kMaxCodeBits = 15;
// Ones past the end of the entry's bytes are handed out only this far: a
// last symbol may reach a little past, a stream cut short stops here.
const uint32_t kOverrunBytes = 8;

static const uint16_t kLengthBase[31] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27, 31,
                                         35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3,  0,  0};
static const uint8_t kLengthExtra[31] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2,
                                         3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16, 99, 99};
static const uint16_t kDistanceBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                           49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                           2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
static const uint8_t kDistanceExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                           7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
static const uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// Decoder of the entry in progress: bits from the input area, output in the window.
struct Decoder {
  uint64_t Bits;
  uint32_t Count;
  uint8_t* Next;
  uint8_t* End;
  uint64_t Left;     // stored bytes not read yet
  uint32_t Overrun;  // bytes of ones handed out past the end
  uint8_t* Window;
  uint32_t Position;
  uint64_t Total;  // bytes produced so far
  uint8_t Input[kInputBytes];
};
static Decoder g_D;

static void Refill() {
  uint32_t n = g_D.Left < kInputBytes ? (uint32_t)g_D.Left : kInputBytes;
  int64_t got = n ? ReadEntryData(g_D.Input, n) : 0;
  if (got <= 0) {
    g_D.Left = 0;
    got = 0;
  }
  g_D.Left -= (uint64_t)got;
  g_D.Next = g_D.Input;
  g_D.End = g_D.Input + got;
}

static inline void NeedBits(uint32_t n) {
  while (g_D.Count < n) {
    if (g_D.Next == g_D.End) Refill();
    uint8_t byte;
    if (g_D.Next < g_D.End) {
      if (g_D.End - g_D.Next >= 8 && g_D.Count <= 32) {
        uint64_t word;
        memcpy(&word, g_D.Next, 8);
        g_D.Bits |= word << g_D.Count;
        uint32_t take = (63 - g_D.Count) >> 3;
        g_D.Next += take;
        g_D.Count += take * 8;
        g_D.Bits &= (1ull << g_D.Count) - 1;  // bytes not taken yet stay out
        continue;
      }
      byte = *g_D.Next++;
    } else {
      byte = 0xFF;
      g_D.Overrun++;
    }
    g_D.Bits |= (uint64_t)byte << g_D.Count;
    g_D.Count += 8;
  }
}

static inline void DumpBits(uint32_t n) {
  g_D.Bits >>= n;
  g_D.Count -= n;
}

static inline uint32_t PeekBits(uint32_t n) { return (uint32_t)(g_D.Bits & ((1u << n) - 1)); }

static bool InputEnded() { return g_D.Overrun > kOverrunBytes; }

static int FlushWindow() {
  if (g_D.Position > 0 && WriteEntryData(g_D.Window, g_D.Position) < 0) return INFLATE_ABORTED;
  g_D.Position = 0;
  return INFLATE_OK;
}

static uint32_t ReverseBits(uint32_t code, int length) {
  uint32_t r = 0;
  for (int i = 0; i < length; i++, code >>= 1) r = r << 1 | (code & 1);
  return r;
}

int BuildHuffmanTables(const uint8_t* lengths, int n, int simple, const uint16_t* bases, const uint8_t* extras,
                       HuffEntry** table, int* lookupBits) {
  *table = nullptr;
  int count[kMaxCodeBits + 1] = {};
  for (int i = 0; i < n; i++) {
    if (lengths[i] > kMaxCodeBits) return 2;
    count[lengths[i]]++;
  }
  if (count[0] == n) {
    *lookupBits = 0;
    return 0;
  }
  int shortest = 1, longest = kMaxCodeBits;
  while (count[shortest] == 0) shortest++;
  while (count[longest] == 0) longest--;
  int root = *lookupBits;
  if (root < shortest) root = shortest;
  if (root > longest) root = longest;
  int left = 1;
  for (int len = 1; len <= kMaxCodeBits; len++) {
    left = (left << 1) - count[len];
    if (left < 0) return 2;
  }
  // Canonical codes: the first code of each length.
  uint32_t next[kMaxCodeBits + 2] = {};
  count[0] = 0;
  for (int len = 1; len <= kMaxCodeBits; len++) next[len] = (next[len - 1] + count[len - 1]) << 1;
  // The longest code behind each root prefix decides its sub-table's size.
  static uint8_t deepest[1 << kMaxCodeBits];
  uint32_t rootSize = 1u << root, mask = rootSize - 1;
  memset(deepest, 0, rootSize);
  uint32_t codes[kMaxCodeBits + 2];
  memcpy(codes, next, sizeof codes);
  for (int i = 0; i < n; i++) {
    int len = lengths[i];
    if (len <= root) {
      if (len) codes[len]++;
      continue;
    }
    uint32_t prefix = ReverseBits(codes[len]++, len) & mask;
    if (deepest[prefix] < len) deepest[prefix] = (uint8_t)len;
  }
  uint32_t total = rootSize;
  for (uint32_t p = 0; p < rootSize; p++)
    if (deepest[p]) total += 1u << (deepest[p] - root);
  HuffEntry* t = (HuffEntry*)malloc(total * sizeof(HuffEntry));
  if (!t) return 3;
  for (uint32_t i = 0; i < total; i++) t[i] = HuffEntry{HUFF_INVALID, 1, 0};
  uint32_t used = rootSize;
  for (uint32_t p = 0; p < rootSize; p++) {
    if (!deepest[p]) continue;
    int bits = deepest[p] - root;
    t[p] = HuffEntry{(uint8_t)(32 + bits), (uint8_t)root, (uint16_t)used};
    for (uint32_t i = 0; i < (1u << bits); i++) t[used + i].Bits = (uint8_t)bits;
    used += 1u << bits;
  }
  memcpy(codes, next, sizeof codes);
  for (int sym = 0; sym < n; sym++) {
    int len = lengths[sym];
    if (!len) continue;
    HuffEntry e;
    if (sym < simple)
      e = sym < 256 ? HuffEntry{HUFF_LITERAL, 0, (uint16_t)sym} : HuffEntry{HUFF_END, 0, 0};
    else
      e = HuffEntry{extras[sym - simple], 0, bases[sym - simple]};
    uint32_t rev = ReverseBits(codes[len]++, len);
    if (len <= root) {
      e.Bits = (uint8_t)len;
      for (uint32_t i = rev; i < rootSize; i += 1u << len) t[i] = e;
    } else {
      HuffEntry link = t[rev & mask];
      int bits = link.Op - 32;
      e.Bits = (uint8_t)(len - root);
      for (uint32_t i = rev >> root; i < (1u << bits); i += 1u << (len - root)) t[link.Value + i] = e;
    }
  }
  *table = t;
  *lookupBits = root;
  return left > 0 && longest != 1 ? 1 : 0;
}

void FreeHuffmanTables(HuffEntry* table) { free(table); }

// The entry for the next symbol, its bits consumed; Op tells what it is.
static inline HuffEntry DecodeSymbol(const HuffEntry* t, int bits) {
  NeedBits(bits);
  HuffEntry e = t[PeekBits(bits)];
  DumpBits(e.Bits);
  if (e.Op > HUFF_LITERAL && e.Op != HUFF_INVALID) {
    uint32_t sub = e.Op - 32;
    NeedBits(sub);
    e = t[e.Value + PeekBits(sub)];
    DumpBits(e.Bits);
  }
  return e;
}

static int PutByte(uint8_t b) {
  g_D.Window[g_D.Position++] = b;
  g_D.Total++;
  if (g_D.Position == kWindowBytes) return FlushWindow();
  return INFLATE_OK;
}

static int CopyMatch(uint32_t length, uint32_t distance) {
  // Nothing lies before the entry's first byte.
  if (distance > g_D.Total) return INFLATE_BAD_DATA;
  uint8_t* w = g_D.Window;
  uint32_t from = (g_D.Position - distance) & (kWindowBytes - 1);
  g_D.Total += length;
  while (length > 0) {
    uint32_t chunk = length;
    if (chunk > kWindowBytes - g_D.Position) chunk = kWindowBytes - g_D.Position;
    if (chunk > kWindowBytes - from) chunk = kWindowBytes - from;
    if (from < g_D.Position && g_D.Position - from < chunk) {
      uint8_t* d = w + g_D.Position;
      const uint8_t* s = w + from;
      for (uint32_t i = 0; i < chunk; i++) d[i] = s[i];
    } else {
      memmove(w + g_D.Position, w + from, chunk);
    }
    g_D.Position += chunk;
    from = (from + chunk) & (kWindowBytes - 1);
    length -= chunk;
    if (g_D.Position == kWindowBytes && FlushWindow() != INFLATE_OK) return INFLATE_ABORTED;
  }
  return INFLATE_OK;
}

static int DecodeCodes(const HuffEntry* lit, int litBits, const HuffEntry* dist, int distBits) {
  for (;;) {
    HuffEntry e = DecodeSymbol(lit, litBits);
    if (InputEnded()) return INFLATE_BAD_DATA;
    int rc;
    if (e.Op == HUFF_LITERAL) {
      rc = PutByte((uint8_t)e.Value);
    } else if (e.Op == HUFF_END) {
      return INFLATE_OK;
    } else if (e.Op > 16) {
      return INFLATE_BAD_DATA;
    } else {
      NeedBits(e.Op);
      uint32_t length = e.Value + PeekBits(e.Op);
      DumpBits(e.Op);
      if (!dist) return INFLATE_BAD_DATA;
      HuffEntry d = DecodeSymbol(dist, distBits);
      if (d.Op > 16) return INFLATE_BAD_DATA;
      NeedBits(d.Op);
      uint32_t distance = d.Value + PeekBits(d.Op);
      DumpBits(d.Op);
      if (InputEnded()) return INFLATE_BAD_DATA;
      rc = CopyMatch(length, distance);
    }
    if (rc != INFLATE_OK) return rc;
    if (g_Sfx.ExtractAbortCode != ABORT_NONE) return INFLATE_ABORTED;
  }
}

static int StoredBlock() {
  DumpBits(g_D.Count & 7);
  NeedBits(32);
  uint32_t len = PeekBits(16), nlen = (uint32_t)(g_D.Bits >> 16) & 0xFFFF;
  DumpBits(32);
  // Stored bytes are taken as they stand: none may be made up past the end.
  if (g_D.Overrun > 0 || nlen != (~len & 0xFFFF)) return INFLATE_BAD_DATA;
  while (len > 0) {
    if (g_Sfx.ExtractAbortCode != ABORT_NONE) return INFLATE_ABORTED;
    uint32_t chunk = kWindowBytes - g_D.Position;
    if (chunk > len) chunk = len;
    if (g_D.Count >= 8) {  // whole bytes still in the bit buffer
      int rc = PutByte((uint8_t)g_D.Bits);
      DumpBits(8);
      len--;
      if (rc != INFLATE_OK) return rc;
      continue;
    }
    if (g_D.Next == g_D.End) Refill();
    uint32_t have = (uint32_t)(g_D.End - g_D.Next);
    if (have == 0) return INFLATE_BAD_DATA;
    if (chunk > have) chunk = have;
    memcpy(g_D.Window + g_D.Position, g_D.Next, chunk);
    g_D.Next += chunk;
    g_D.Position += chunk;
    g_D.Total += chunk;
    len -= chunk;
    if (g_D.Position == kWindowBytes && FlushWindow() != INFLATE_OK) return INFLATE_ABORTED;
  }
  return INFLATE_OK;
}

static int FixedBlock() {
  if (!g_Sfx.FixedLiterals) {
    uint8_t lengths[288];
    memset(lengths, 8, 144);
    memset(lengths + 144, 9, 112);
    memset(lengths + 256, 7, 24);
    memset(lengths + 280, 8, 8);
    int bits = 7;
    int rc = BuildHuffmanTables(lengths, 288, 257, kLengthBase, kLengthExtra, &g_Sfx.FixedLiterals, &bits);
    g_Sfx.FixedLiteralBits = bits;
    if (rc != 0) {
      FreeFixedTables();
      return rc;
    }
    memset(lengths, 5, 32);
    bits = 5;
    rc = BuildHuffmanTables(lengths, 32, 0, kDistanceBase, kDistanceExtra, &g_Sfx.FixedDistances, &bits);
    g_Sfx.FixedDistanceBits = bits;
    if (rc > 1) {
      FreeFixedTables();
      return rc;
    }
  }
  return DecodeCodes(g_Sfx.FixedLiterals, g_Sfx.FixedLiteralBits, g_Sfx.FixedDistances, g_Sfx.FixedDistanceBits);
}

static int DynamicBlock() {
  NeedBits(14);
  int nl = 257 + (int)PeekBits(5);
  DumpBits(5);
  int nd = 1 + (int)PeekBits(5);
  DumpBits(5);
  int nb = 4 + (int)PeekBits(4);
  DumpBits(4);
  uint8_t lengths[320] = {};
  for (int i = 0; i < nb; i++) {
    if (g_Sfx.ExtractAbortCode != ABORT_NONE) return INFLATE_ABORTED;
    NeedBits(3);
    lengths[kCodeLengthOrder[i]] = (uint8_t)PeekBits(3);
    DumpBits(3);
  }
  HuffEntry* cl = nullptr;
  int clBits = 7;
  int rc = BuildHuffmanTables(lengths, 19, 19, nullptr, nullptr, &cl, &clBits);
  if (rc != 0 || clBits == 0) {
    FreeHuffmanTables(cl);
    return rc != 0 ? rc : INFLATE_BAD_DATA;
  }
  memset(lengths, 0, 19);
  int previous = 0;
  for (int i = 0; i < nl + nd;) {
    if (g_Sfx.ExtractAbortCode != ABORT_NONE) rc = INFLATE_ABORTED;
    HuffEntry e = DecodeSymbol(cl, clBits);
    if (rc == INFLATE_OK && (e.Op != HUFF_LITERAL || InputEnded())) rc = INFLATE_BAD_DATA;
    if (rc != INFLATE_OK) break;
    int symbol = e.Value, repeat = 0, value = 0;
    if (symbol < 16) {
      lengths[i++] = (uint8_t)symbol;
      previous = symbol;
      continue;
    }
    if (symbol == 16) {
      NeedBits(2);
      repeat = 3 + (int)PeekBits(2);
      DumpBits(2);
      value = previous;
    } else if (symbol == 17) {
      NeedBits(3);
      repeat = 3 + (int)PeekBits(3);
      DumpBits(3);
      previous = 0;
    } else {
      NeedBits(7);
      repeat = 11 + (int)PeekBits(7);
      DumpBits(7);
      previous = 0;
    }
    if (i + repeat > nl + nd) {
      rc = INFLATE_BAD_DATA;
      break;
    }
    memset(lengths + i, value, repeat);
    i += repeat;
  }
  FreeHuffmanTables(cl);
  if (rc != INFLATE_OK) return rc;
  HuffEntry *lit = nullptr, *dist = nullptr;
  int litBits = 9, distBits = 6;
  rc = BuildHuffmanTables(lengths, nl, 257, kLengthBase, kLengthExtra, &lit, &litBits);
  if (rc == 0 && litBits == 0) rc = INFLATE_BAD_DATA;
  if (rc == 0) {
    rc = BuildHuffmanTables(lengths + nl, nd, 0, kDistanceBase, kDistanceExtra, &dist, &distBits);
    if (rc == 1) rc = 0;  // an incomplete distance code is allowed
    if (rc == 0 && distBits == 0 && nl > 257) rc = INFLATE_BAD_DATA;
  }
  if (rc == 0) rc = DecodeCodes(lit, litBits, dist, distBits);
  FreeHuffmanTables(lit);
  FreeHuffmanTables(dist);
  return rc;
}

int InflateDeflate64() {
  g_D.Position = 0;
  g_D.Bits = 0;
  g_D.Count = 0;
  g_D.Total = 0;
  g_D.Overrun = 0;
  g_D.Next = g_D.End = g_D.Input;
  for (;;) {
    NeedBits(3);
    uint32_t last = PeekBits(1), type = (uint32_t)(g_D.Bits >> 1) & 3;
    DumpBits(3);
    if (InputEnded()) return INFLATE_BAD_DATA;
    int rc;
    switch (type) {
      case 0:
        rc = StoredBlock();
        break;
      case 1:
        rc = FixedBlock();
        break;
      case 2:
        rc = DynamicBlock();
        break;
      default:
        rc = INFLATE_BAD_BLOCK;
    }
    if (rc != INFLATE_OK) return rc;
    if (g_Sfx.ExtractAbortCode != ABORT_NONE) return INFLATE_ABORTED;
    if (last) break;
  }
  return FlushWindow();
}

int InflateDeflate64Entry(uint64_t compressedSize) {
  // Zeroed, so that what a bad distance could reach is never stale memory.
  g_D.Window = (uint8_t*)calloc(kWindowBytes, 1);
  if (!g_D.Window) return INFLATE_NO_MEMORY;
  g_D.Left = compressedSize;
  int rc = InflateDeflate64();
  free(g_D.Window);
  g_D.Window = nullptr;
  return rc;
}

void FreeFixedTables() {
  FreeHuffmanTables(g_Sfx.FixedLiterals);
  FreeHuffmanTables(g_Sfx.FixedDistances);
  g_Sfx.FixedLiterals = g_Sfx.FixedDistances = nullptr;
}
