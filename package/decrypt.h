// Decryption of encrypted entries while they are read: the traditional
// stream cipher with its 12-byte header, and WinZip AES (AE-1, AE-2) in
// counter mode with an HMAC-SHA1 code over the stored bytes.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "package/sfxstate.h"

const size_t kMaxPasswordBytes = 128;
const int kAesCodeBytes = 10;
const int32_t AES_CODE_UNCHECKED = 0x8000;
const int32_t AES_CODE_MISMATCH = 7;

// 1 ready (compressedSize lowered to what the method reads), 0 wrong
// password with the stream back at the entry's data. A null password
// means the entry is not encrypted.
int CheckZipPassword(const char* password, ZipEntry* entry);
// The encrypted data's length, or -1 for a wrong password, a bad strength
// or an entry too small to hold salt, verifier and code.
int64_t StartAesEntry(const char* password, uint64_t compressedSize, uint32_t strength);
int DeriveAesKeys(uint32_t strength, const char* password, size_t length, const uint8_t* salt, uint8_t verifier[2],
                  AesState* ctx);
void DecryptAesData(uint8_t* data, size_t count);
// 0 matched, 7 not; entryEnd is the position behind the entry's stored data.
int32_t VerifyAesCode(int64_t entryEnd);

void UpdateKeys(uint8_t c);
uint8_t DecryptByte();
// The current entry's scheme over count bytes read from the archive.
void DecryptEntryBytes(uint8_t* data, size_t count);
