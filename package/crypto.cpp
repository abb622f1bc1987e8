#include "package/crypto.h"

#include <string.h>

// --- SHA-1 -------------------------------------------------------------------

static inline uint32_t Rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
static inline uint32_t LoadBe32(const uint8_t* p) {
  return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}
static inline void StoreBe32(uint8_t* p, uint32_t v) {
  p[0] = (uint8_t)(v >> 24);
  p[1] = (uint8_t)(v >> 16);
  p[2] = (uint8_t)(v >> 8);
  p[3] = (uint8_t)v;
}

// Rounds unrolled over a 16-word circular schedule: the variables rotate
// through the macro arguments instead of being moved every round.
#define SHA1_W(i) (w[(i) & 15] = Rol(w[((i) + 13) & 15] ^ w[((i) + 8) & 15] ^ w[((i) + 2) & 15] ^ w[(i) & 15], 1))
#define SHA1_F1(b, c, d) ((d) ^ ((b) & ((c) ^ (d))))
#define SHA1_F2(b, c, d) ((b) ^ (c) ^ (d))
#define SHA1_F3(b, c, d) (((b) & (c)) | ((d) & ((b) | (c))))
#define SHA1_STEP(a, b, c, d, e, f, k, x) \
  {                                      \
    e += Rol(a, 5) + f(b, c, d) + (k) + (x); \
    b = Rol(b, 30);                      \
  }
#define SHA1_FIVE(i, f, k, X)                   \
  SHA1_STEP(a, b, c, d, e, f, k, X((i) + 0))    \
  SHA1_STEP(e, a, b, c, d, f, k, X((i) + 1))    \
  SHA1_STEP(d, e, a, b, c, f, k, X((i) + 2))    \
  SHA1_STEP(c, d, e, a, b, f, k, X((i) + 3))    \
  SHA1_STEP(b, c, d, e, a, f, k, X((i) + 4))
#define SHA1_W0(i) (w[i])

static void Sha1Block(uint32_t state[5], const uint8_t* block) {
  uint32_t w[16];
  for (int i = 0; i < 16; i++) w[i] = LoadBe32(block + 4 * i);
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
  SHA1_FIVE(0, SHA1_F1, 0x5A827999, SHA1_W0)
  SHA1_FIVE(5, SHA1_F1, 0x5A827999, SHA1_W0)
  SHA1_FIVE(10, SHA1_F1, 0x5A827999, SHA1_W0)
  SHA1_STEP(a, b, c, d, e, SHA1_F1, 0x5A827999, w[15])
  SHA1_STEP(e, a, b, c, d, SHA1_F1, 0x5A827999, SHA1_W(16))
  SHA1_STEP(d, e, a, b, c, SHA1_F1, 0x5A827999, SHA1_W(17))
  SHA1_STEP(c, d, e, a, b, SHA1_F1, 0x5A827999, SHA1_W(18))
  SHA1_STEP(b, c, d, e, a, SHA1_F1, 0x5A827999, SHA1_W(19))
  SHA1_FIVE(20, SHA1_F2, 0x6ED9EBA1, SHA1_W)
  SHA1_FIVE(25, SHA1_F2, 0x6ED9EBA1, SHA1_W)
  SHA1_FIVE(30, SHA1_F2, 0x6ED9EBA1, SHA1_W)
  SHA1_FIVE(35, SHA1_F2, 0x6ED9EBA1, SHA1_W)
  SHA1_FIVE(40, SHA1_F3, 0x8F1BBCDC, SHA1_W)
  SHA1_FIVE(45, SHA1_F3, 0x8F1BBCDC, SHA1_W)
  SHA1_FIVE(50, SHA1_F3, 0x8F1BBCDC, SHA1_W)
  SHA1_FIVE(55, SHA1_F3, 0x8F1BBCDC, SHA1_W)
  SHA1_FIVE(60, SHA1_F2, 0xCA62C1D6, SHA1_W)
  SHA1_FIVE(65, SHA1_F2, 0xCA62C1D6, SHA1_W)
  SHA1_FIVE(70, SHA1_F2, 0xCA62C1D6, SHA1_W)
  SHA1_FIVE(75, SHA1_F2, 0xCA62C1D6, SHA1_W)
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
}

void Sha1Begin(Sha1Context* ctx) {
  ctx->Length[0] = ctx->Length[1] = 0;
  ctx->State[0] = 0x67452301;
  ctx->State[1] = 0xEFCDAB89;
  ctx->State[2] = 0x98BADCFE;
  ctx->State[3] = 0x10325476;
  ctx->State[4] = 0xC3D2E1F0;
}

void Sha1Update(Sha1Context* ctx, const void* data, size_t length) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (length > 0) {
    uint32_t used = ctx->Length[0] & 63;
    size_t n = 64 - used;
    if (n > length) n = length;
    uint32_t low = ctx->Length[0] + (uint32_t)n;
    if (low < ctx->Length[0]) ctx->Length[1]++;
    ctx->Length[0] = low;
    if (used == 0 && n == 64) {
      Sha1Block(ctx->State, p);
    } else {
      memcpy(ctx->Block + used, p, n);
      if (used + n == 64) Sha1Block(ctx->State, ctx->Block);
    }
    p += n;
    length -= n;
  }
}

void Sha1End(Sha1Context* ctx, uint8_t digest[20]) {
  uint32_t high = ctx->Length[1] << 3 | ctx->Length[0] >> 29, low = ctx->Length[0] << 3;
  uint8_t pad[72] = {0x80};
  uint32_t used = ctx->Length[0] & 63;
  size_t padLength = (used < 56 ? 56 : 120) - used;
  uint8_t bits[8];
  StoreBe32(bits, high);
  StoreBe32(bits + 4, low);
  Sha1Update(ctx, pad, padLength);
  Sha1Update(ctx, bits, 8);
  for (int i = 0; i < 5; i++) StoreBe32(digest + 4 * i, ctx->State[i]);
}

// --- HMAC-SHA1 ---------------------------------------------------------------

void HmacSha1Begin(HmacSha1Context* ctx) { memset(ctx, 0, sizeof *ctx); }

int HmacSha1Key(HmacSha1Context* ctx, const void* key, size_t length) {
  if (ctx->KeyLength == kHmacDataPhase) return -1;
  const uint8_t* p = static_cast<const uint8_t*>(key);
  if (ctx->KeyLength > 64) {  // already hashing a long key
    Sha1Update(&ctx->Sha, p, length);
    ctx->KeyLength = 65;
    return 0;
  }
  if (ctx->KeyLength + length <= 64) {
    memcpy(ctx->Key + ctx->KeyLength, p, length);
    ctx->KeyLength += (uint32_t)length;
    return 0;
  }
  Sha1Begin(&ctx->Sha);
  Sha1Update(&ctx->Sha, ctx->Key, ctx->KeyLength);
  Sha1Update(&ctx->Sha, p, length);
  ctx->KeyLength = 65;
  return 0;
}

void HmacSha1Data(HmacSha1Context* ctx, const void* data, size_t length) {
  if (ctx->KeyLength != kHmacDataPhase) {
    if (ctx->KeyLength > 64) {
      uint8_t digest[20];
      Sha1End(&ctx->Sha, digest);
      memset(ctx->Key, 0, sizeof ctx->Key);
      memcpy(ctx->Key, digest, 20);
    } else {
      memset(ctx->Key + ctx->KeyLength, 0, 64 - ctx->KeyLength);
    }
    for (int i = 0; i < 64; i++) ctx->Key[i] ^= 0x36;
    Sha1Begin(&ctx->Sha);
    Sha1Update(&ctx->Sha, ctx->Key, 64);
    ctx->KeyLength = kHmacDataPhase;
  }
  Sha1Update(&ctx->Sha, data, length);
}

void HmacSha1End(HmacSha1Context* ctx, uint8_t* mac, size_t length) {
  HmacSha1Data(ctx, nullptr, 0);  // a code over no data still needs the inner pad
  uint8_t inner[20];
  Sha1End(&ctx->Sha, inner);
  for (int i = 0; i < 64; i++) ctx->Key[i] ^= 0x36 ^ 0x5C;
  Sha1Begin(&ctx->Sha);
  Sha1Update(&ctx->Sha, ctx->Key, 64);
  Sha1Update(&ctx->Sha, inner, 20);
  uint8_t outer[20];
  Sha1End(&ctx->Sha, outer);
  memcpy(mac, outer, length < 20 ? length : 20);
}

// --- PBKDF2 ------------------------------------------------------------------

void Pbkdf2HmacSha1(const void* password, size_t passwordLength, const void* salt, size_t saltLength,
                    uint32_t iterations, uint8_t* out, size_t outLength) {
  HmacSha1Context keyed;
  HmacSha1Begin(&keyed);
  HmacSha1Key(&keyed, password, passwordLength);
  HmacSha1Data(&keyed, nullptr, 0);  // the inner pad once, copied for every round
  for (uint32_t blockNumber = 1; outLength > 0; blockNumber++) {
    uint8_t counter[4];
    StoreBe32(counter, blockNumber);
    HmacSha1Context h = keyed;
    HmacSha1Data(&h, salt, saltLength);
    HmacSha1Data(&h, counter, 4);
    uint8_t u[20], t[20];
    HmacSha1End(&h, u, 20);
    memcpy(t, u, 20);
    for (uint32_t i = 1; i < iterations; i++) {
      h = keyed;
      HmacSha1Data(&h, u, 20);
      HmacSha1End(&h, u, 20);
      for (int j = 0; j < 20; j++) t[j] ^= u[j];
    }
    size_t n = outLength < 20 ? outLength : 20;
    memcpy(out, t, n);
    out += n;
    outLength -= n;
  }
}

// --- AES ---------------------------------------------------------------------

struct AesTables {
  uint8_t Sbox[256];
  uint32_t Te[4][256];
  AesTables() {
    // S-box from the multiplicative inverse: p walks the field by powers of
    // 3, q by powers of its inverse, so q = 1/p at every step.
    uint8_t p = 1, q = 1;
    do {
      p = (uint8_t)(p ^ (p << 1) ^ (p & 0x80 ? 0x1B : 0));
      q ^= (uint8_t)(q << 1);
      q ^= (uint8_t)(q << 2);
      q ^= (uint8_t)(q << 4);
      if (q & 0x80) q ^= 0x09;
      uint8_t x = (uint8_t)(q ^ (q << 1 | q >> 7) ^ (q << 2 | q >> 6) ^ (q << 3 | q >> 5) ^ (q << 4 | q >> 4));
      Sbox[p] = x ^ 0x63;
    } while (p != 1);
    Sbox[0] = 0x63;
    for (int i = 0; i < 256; i++) {
      uint32_t s = Sbox[i], s2 = (s << 1) ^ (s & 0x80 ? 0x11B : 0), s3 = s2 ^ s;
      uint32_t t = s2 << 24 | s << 16 | s << 8 | s3;
      for (int k = 0; k < 4; k++) Te[k][i] = k ? (t >> (8 * k) | t << (32 - 8 * k)) : t;
    }
  }
};
static const AesTables g_Aes;

static uint32_t SubWord(uint32_t w) {
  const uint8_t* s = g_Aes.Sbox;
  return (uint32_t)s[w >> 24] << 24 | (uint32_t)s[(w >> 16) & 0xFF] << 16 | (uint32_t)s[(w >> 8) & 0xFF] << 8 |
         s[w & 0xFF];
}

int AesSetEncryptKey(const uint8_t* key, size_t length, AesContext* ctx) {
  ctx->Rounds = 0;
  if (!key || (length != 16 && length != 24 && length != 32)) return 0;
  int nk = (int)length / 4, total = 4 * (nk + 7);
  uint32_t* w = ctx->RoundKeys;
  for (int i = 0; i < nk; i++) w[i] = LoadBe32(key + 4 * i);
  uint32_t rcon = 1;
  for (int i = nk; i < total; i++) {
    uint32_t t = w[i - 1];
    if (i % nk == 0) {
      t = SubWord(t << 8 | t >> 24) ^ rcon << 24;
      rcon = (rcon << 1) ^ (rcon & 0x80 ? 0x11B : 0);
    } else if (nk > 6 && i % nk == 4) {
      t = SubWord(t);
    }
    w[i] = w[i - nk] ^ t;
  }
  ctx->Rounds = nk + 6;
  return 1;
}

#define AES_ROUND(o0, o1, o2, o3, i0, i1, i2, i3, k)                                                  \
  o0 = t0[i0 >> 24] ^ t1[(i1 >> 16) & 0xFF] ^ t2[(i2 >> 8) & 0xFF] ^ t3[i3 & 0xFF] ^ (k)[0]; \
  o1 = t0[i1 >> 24] ^ t1[(i2 >> 16) & 0xFF] ^ t2[(i3 >> 8) & 0xFF] ^ t3[i0 & 0xFF] ^ (k)[1]; \
  o2 = t0[i2 >> 24] ^ t1[(i3 >> 16) & 0xFF] ^ t2[(i0 >> 8) & 0xFF] ^ t3[i1 & 0xFF] ^ (k)[2]; \
  o3 = t0[i3 >> 24] ^ t1[(i0 >> 16) & 0xFF] ^ t2[(i1 >> 8) & 0xFF] ^ t3[i2 & 0xFF] ^ (k)[3];

void AesEncryptBlock(const uint8_t in[16], uint8_t out[16], const AesContext* ctx) {
  const uint32_t* rk = ctx->RoundKeys;
  const uint32_t *t0 = g_Aes.Te[0], *t1 = g_Aes.Te[1], *t2 = g_Aes.Te[2], *t3 = g_Aes.Te[3];
  uint32_t s0 = LoadBe32(in) ^ rk[0], s1 = LoadBe32(in + 4) ^ rk[1], s2 = LoadBe32(in + 8) ^ rk[2],
           s3 = LoadBe32(in + 12) ^ rk[3];
  uint32_t u0, u1, u2, u3;
  // Rounds in pairs, alternating between the two sets of columns.
  int pairs = (ctx->Rounds - 2) / 2;
  for (int r = 0; r < pairs; r++) {
    AES_ROUND(u0, u1, u2, u3, s0, s1, s2, s3, rk + 4)
    AES_ROUND(s0, s1, s2, s3, u0, u1, u2, u3, rk + 8)
    rk += 8;
  }
  AES_ROUND(u0, u1, u2, u3, s0, s1, s2, s3, rk + 4)
  rk += 8;
  const uint8_t* s = g_Aes.Sbox;
  StoreBe32(out, ((uint32_t)s[u0 >> 24] << 24 | (uint32_t)s[(u1 >> 16) & 0xFF] << 16 |
                  (uint32_t)s[(u2 >> 8) & 0xFF] << 8 | s[u3 & 0xFF]) ^ rk[0]);
  StoreBe32(out + 4, ((uint32_t)s[u1 >> 24] << 24 | (uint32_t)s[(u2 >> 16) & 0xFF] << 16 |
                      (uint32_t)s[(u3 >> 8) & 0xFF] << 8 | s[u0 & 0xFF]) ^ rk[1]);
  StoreBe32(out + 8, ((uint32_t)s[u2 >> 24] << 24 | (uint32_t)s[(u3 >> 16) & 0xFF] << 16 |
                      (uint32_t)s[(u0 >> 8) & 0xFF] << 8 | s[u1 & 0xFF]) ^ rk[2]);
  StoreBe32(out + 12, ((uint32_t)s[u3 >> 24] << 24 | (uint32_t)s[(u0 >> 16) & 0xFF] << 16 |
                       (uint32_t)s[(u1 >> 8) & 0xFF] << 8 | s[u2 & 0xFF]) ^ rk[3]);
}
#undef AES_ROUND
