// SHA-1, HMAC-SHA1, PBKDF2-HMAC-SHA1 and the AES block cipher (encryption
// direction only: counter mode needs no other). Contexts are fixed-size
// records on the caller's side; nothing here allocates.
#pragma once
#include <stddef.h>
#include <stdint.h>

struct Sha1Context {
  uint32_t Length[2];  // message bytes so far: low, high word
  uint32_t State[5];
  uint8_t Block[64];
};

struct HmacSha1Context {
  uint8_t Key[64];
  Sha1Context Sha;
  uint32_t KeyLength;  // key bytes gathered, or kHmacDataPhase once data came
};
const uint32_t kHmacDataPhase = 0xFFFFFFFF;

struct AesContext {
  uint32_t RoundKeys[4 * 15];
  int Rounds;  // 10, 12 or 14; 0 = no usable key
};

void Sha1Begin(Sha1Context* ctx);
void Sha1Update(Sha1Context* ctx, const void* data, size_t length);
void Sha1End(Sha1Context* ctx, uint8_t digest[20]);

void HmacSha1Begin(HmacSha1Context* ctx);
// Adds key bytes; a key growing past 64 bytes is replaced by its digest.
// -1 once data has been fed.
int HmacSha1Key(HmacSha1Context* ctx, const void* key, size_t length);
void HmacSha1Data(HmacSha1Context* ctx, const void* data, size_t length);
// The first length (at most 20) bytes of the code.
void HmacSha1End(HmacSha1Context* ctx, uint8_t* mac, size_t length);

void Pbkdf2HmacSha1(const void* password, size_t passwordLength, const void* salt, size_t saltLength,
                    uint32_t iterations, uint8_t* out, size_t outLength);

// 1 for a 16, 24 or 32-byte key; 0 leaves the context unusable.
int AesSetEncryptKey(const uint8_t* key, size_t length, AesContext* ctx);
void AesEncryptBlock(const uint8_t in[16], uint8_t out[16], const AesContext* ctx);
