#include "package/decrypt.h"

#include <string.h>

#include "common/zip.h"
#include "package/pipeline.h"
#include "package/stream.h"

const int kTraditionalHeaderBytes = 12;

static inline uint32_t CrcStep(uint32_t crc, uint8_t c) { return g_Sfx.CrcTable[(crc ^ c) & 0xFF] ^ (crc >> 8); }

void UpdateKeys(uint8_t c) {
  uint32_t* k = g_Sfx.Keys;
  k[0] = CrcStep(k[0], c);
  k[1] = (k[1] + (k[0] & 0xFF)) * 134775813u + 1;
  k[2] = CrcStep(k[2], (uint8_t)(k[1] >> 24));
}

uint8_t DecryptByte() {
  uint32_t t = (g_Sfx.Keys[2] | 2) & 0xFFFF;
  return (uint8_t)((t * (t ^ 1)) >> 8);
}

void DecryptEntryBytes(uint8_t* data, size_t count) {
  if (g_Sfx.AesDataLength != 0) {
    DecryptAesData(data, count);
    return;
  }
  for (size_t i = 0; i < count; i++) {
    data[i] ^= DecryptByte();
    UpdateKeys(data[i]);
  }
}

int DeriveAesKeys(uint32_t strength, const char* password, size_t length, const uint8_t* salt, uint8_t verifier[2],
                  AesState* ctx) {
  if (length > kMaxPasswordBytes) return -100;
  if (strength < 1 || strength > 3) return -101;
  size_t keyLength = 8 * strength + 8;
  uint8_t derived[66];
  Pbkdf2HmacSha1(password, length, salt, 4 + 4 * strength, 1000, derived, 2 * keyLength + 2);
  AesSetEncryptKey(derived, keyLength, &ctx->Aes);
  HmacSha1Begin(&ctx->Hmac);
  HmacSha1Key(&ctx->Hmac, derived + keyLength, keyLength);
  verifier[0] = derived[2 * keyLength];
  verifier[1] = derived[2 * keyLength + 1];
  memset(ctx->Counter, 0, sizeof ctx->Counter);
  ctx->Position = 16;
  SecureZeroMemory(derived, sizeof derived);
  return 0;
}

void DecryptAesData(uint8_t* data, size_t count) {
  AesState& a = g_Sfx.AesCtx;
  HmacSha1Data(&a.Hmac, data, count);
  size_t i = 0;
  while (i < count) {
    if (a.Position == 16) {
      for (int j = 0; j < 8 && ++a.Counter[j] == 0; j++) {
      }
      AesEncryptBlock(a.Counter, a.KeyStream, &a.Aes);
      a.Position = 0;
      if (count - i >= 16) {  // a whole block at once
        uint64_t d[2], k[2];
        memcpy(d, data + i, 16);
        memcpy(k, a.KeyStream, 16);
        d[0] ^= k[0];
        d[1] ^= k[1];
        memcpy(data + i, d, 16);
        a.Position = 16;
        i += 16;
        continue;
      }
    }
    data[i++] ^= a.KeyStream[a.Position++];
  }
}

int64_t StartAesEntry(const char* password, uint64_t compressedSize, uint32_t strength) {
  g_Sfx.AesStrength = (uint8_t)strength;
  g_Sfx.CodeState = AES_CODE_UNCHECKED;
  if (strength < 1 || strength > 3) return -1;
  uint32_t saltLength = 4 + 4 * (strength & 3);
  // Salt, verifier and code must fit: a smaller entry would give a negative length.
  if (compressedSize < (uint64_t)saltLength + 2 + kAesCodeBytes) return -1;
  if (ArchiveRead(g_Sfx.Salt, saltLength) != saltLength) return -1;
  uint8_t derived[2], stored[2];
  if (DeriveAesKeys(strength, password, strlen(password), g_Sfx.Salt, derived, &g_Sfx.AesCtx) != 0) return -1;
  if (ArchiveRead(stored, 2) != 2 || memcmp(stored, derived, 2) != 0) return -1;
  memcpy(g_Sfx.Verifier, derived, 2);
  return (int64_t)(compressedSize - saltLength - 2 - kAesCodeBytes);
}

int CheckZipPassword(const char* password, ZipEntry* entry) {
  g_Sfx.AesDataLength = 0;
  if (!password) {
    g_Sfx.DecryptOn = false;
    return 1;
  }
  if (!password[0]) return 0;
  g_Sfx.DecryptOn = true;
  int64_t start = ArchiveTell();
  if (entry->cipher != 0) {
    if (entry->compressedSize == 0) {
      entry->cipher = 0;
      g_Sfx.DecryptOn = false;
      return 1;
    }
    int64_t length = StartAesEntry(password, entry->compressedSize, entry->cipher & 0xFF);
    if (length < 0) {
      g_Sfx.DecryptOn = false;
      ArchiveSeek(start);
      return 0;
    }
    // An empty file still has salt, verifier and code; nothing to decrypt.
    g_Sfx.AesDataLength = length ? length : -1;
    entry->compressedSize = (uint64_t)length;
    return 1;
  }
  g_Sfx.Keys[0] = 0x12345678;
  g_Sfx.Keys[1] = 0x23456789;
  g_Sfx.Keys[2] = 0x34567890;
  for (const char* p = password; *p; p++) UpdateKeys((uint8_t)*p);
  uint8_t header[kTraditionalHeaderBytes];
  if (entry->compressedSize < kTraditionalHeaderBytes || ArchiveRead(header, sizeof header) != kTraditionalHeaderBytes) {
    entry->compressedSize = entry->compressedSize > 12 ? entry->compressedSize - 12 : 0;
    g_Sfx.DecryptOn = false;
    ArchiveSeek(start);
    return 0;
  }
  for (int i = 0; i < kTraditionalHeaderBytes; i++) {
    header[i] ^= DecryptByte();
    UpdateKeys(header[i]);
  }
  // Writers that stream (data descriptor) know only the time when the header is made.
  // Taken from the entry's central record; without one, from its local header.
  uint16_t flags = g_Sfx.CentralMatched ? g_Sfx.Central.flags : entry->flags;
  uint16_t time = g_Sfx.CentralMatched ? g_Sfx.Central.dosTime : entry->dosTime;
  uint32_t crc = g_Sfx.CentralMatched ? g_Sfx.Central.crc32 : entry->crc32;
  uint8_t check = (flags & ZIPFLAG_DESCRIPTOR) ? (uint8_t)(time >> 8) : (uint8_t)(crc >> 24);
  if (header[11] != check && entry->crc32 != 0 && entry->compressedSize != 0) {
    g_Sfx.DecryptOn = false;
    ArchiveSeek(start);
    return 0;
  }
  entry->compressedSize = entry->compressedSize > 12 ? entry->compressedSize - 12 : 0;
  return 1;
}

int32_t VerifyAesCode(int64_t entryEnd) {
  if (g_Sfx.CodeState != AES_CODE_UNCHECKED) return g_Sfx.CodeState;
  uint8_t mac[kAesCodeBytes], stored[kAesCodeBytes];
  HmacSha1End(&g_Sfx.AesCtx.Hmac, mac, kAesCodeBytes);
  int64_t back = ArchiveTell();
  int ok = ArchiveSeek(entryEnd - kAesCodeBytes) && ArchiveRead(stored, kAesCodeBytes) == kAesCodeBytes &&
           memcmp(mac, stored, kAesCodeBytes) == 0;
  ArchiveSeek(back);
  g_Sfx.CodeState = ok ? 0 : AES_CODE_MISMATCH;
  return g_Sfx.CodeState;
}
