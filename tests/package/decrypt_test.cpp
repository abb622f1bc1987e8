// Encrypted entries from Info-ZIP and 7-Zip: traditional encryption (check
// byte from the CRC or, behind a data descriptor, from the time) and WinZip
// AES of every strength over stored, deflate and Deflate64 data; wrong
// passwords, altered codes and entries too small for their own header.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include "tests/package/extract.h"
#include "tests/package/zipbuild.h"

namespace {

const char* kPassword = "Tr0ub4dor&3";

std::string ZipBytes(const char* archive) { return ReadFileBytes(PackageFixture(archive)); }

// Offsets of a member's local header and central record.
size_t LocalOf(const std::string& zip, const char* name) {
  for (size_t at = zip.find(name); at != std::string::npos; at = zip.find(name, at + 1))
    if (at >= 30 && zip.compare(at - 30, 4, "PK\x03\x04") == 0) return at - 30;
  return std::string::npos;
}
size_t CentralOf(const std::string& zip, const char* name) {
  for (size_t at = zip.find(name); at != std::string::npos; at = zip.find(name, at + 1))
    if (at >= 46 && zip.compare(at - 46, 4, "PK\x01\x02") == 0) return at - 46;
  return std::string::npos;
}
// End of a member's stored data (sizes from the central record, no Zip64).
size_t DataEnd(const std::string& zip, const char* name) {
  size_t local = LocalOf(zip, name), central = CentralOf(zip, name);
  const uint8_t* l = (const uint8_t*)zip.data() + local;
  const uint8_t* c = (const uint8_t*)zip.data() + central;
  return local + 30 + ReadLe16(l + 26) + ReadLe16(l + 28) + ReadLe32(c + 20);
}

const char* const kEncrypted[] = {
    "iz_crypt.zip",           "iz_crypt_stream.zip",    "7z_zipcrypto.zip",     "7z_aes128_copy.zip",
    "7z_aes128_deflate.zip",  "7z_aes128_deflate64.zip", "7z_aes192_copy.zip",   "7z_aes192_deflate.zip",
    "7z_aes192_deflate64.zip", "7z_aes256_copy.zip",     "7z_aes256_deflate.zip", "7z_aes256_deflate64.zip",
};

TEST(EntryDecryption, EveryEncryptedArchiveExtractsByteForByte) {
  for (const char* archive : kEncrypted) {
    SCOPED_TRACE(archive);
    ArchiveRun run = ExtractArchive(PackageFixture(archive), kPassword);
    ASSERT_GE(run.Entries.size(), 3u);
    bool aes = strstr(archive, "aes") != nullptr;
    for (const Extracted& e : run.Entries) {
      if (e.Result == kFolder) continue;
      EXPECT_TRUE(e.Flags & ZIPFLAG_ENCRYPTED) << e.Name;
      EXPECT_EQ(ENTRY_OK, e.Result) << e.Name;
      EXPECT_EQ(SourceFile(e.Name.c_str()), e.Data) << e.Name;
      if (aes && e.Size > 0) {
        EXPECT_EQ((uint32_t)(atoi(archive + 6) - 64) / 64, e.Cipher) << e.Name;
      }
    }
  }
}

TEST(EntryDecryption, WrongPasswordsAreRefusedAndTheEntryLeftAsItWas) {
  for (const char* archive : kEncrypted) {
    SCOPED_TRACE(archive);
    for (const char* wrong : {"tr0ub4dor&3", "x", ""}) {
      ArchiveRun run = ExtractArchive(PackageFixture(archive), wrong);
      ASSERT_GE(run.Entries.size(), 3u);
      for (const Extracted& e : run.Entries) {
        if (e.Result == kFolder) continue;
        if (e.Size == 0 && (*wrong || strstr(archive, "aes"))) {
          // An empty file: nothing to check a traditional password against, and
          // an empty AES entry still needs its verifier.
          if (strstr(archive, "aes"))
            EXPECT_EQ(kWrongPassword, e.Result) << e.Name << " " << wrong;
          else
            EXPECT_EQ(ENTRY_OK, e.Result) << e.Name << " " << wrong;
          continue;
        }
        EXPECT_NE(ENTRY_OK, e.Result) << e.Name << " " << wrong;
        EXPECT_TRUE(e.Data.empty()) << e.Name << " " << wrong;
      }
    }
  }
}

void SetLe(std::string* s, size_t at, uint32_t v, int n) {
  for (int i = 0; i < n; i++) (*s)[at + i] = (char)(v >> (8 * i));
}

TEST(EntryDecryption, CheckByteComesFromTheTimeBehindADescriptorElseFromTheCrc) {
  struct Case {
    const char* Archive;
    int Field;  // offset in the central record
    bool Refused;
  } cases[] = {
      {"7z_zipcrypto.zip", 16 + 3, true},   // CRC's high byte
      {"7z_zipcrypto.zip", 12 + 1, false},  // time's high byte
      // Info-ZIP sets the descriptor flag on every encrypted entry, seekable or not.
      {"iz_crypt.zip", 12 + 1, true},
      {"iz_crypt_stream.zip", 12 + 1, true},
      {"iz_crypt_stream.zip", 16 + 3, false},  // only the final CRC check notices
  };
  for (const Case& c : cases) {
    std::string zip = ZipBytes(c.Archive);
    size_t central = CentralOf(zip, "text.txt");
    zip[central + c.Field] ^= 0x5A;
    PatchedArchive a(zip);
    const Extracted* e = ExtractArchive(a.Path, kPassword).Find("text.txt");
    ASSERT_TRUE(e) << c.Archive;
    if (c.Refused) {
      EXPECT_EQ(kWrongPassword, e->Result) << c.Archive << " " << c.Field;
    } else {
      EXPECT_NE(kWrongPassword, e->Result) << c.Archive << " " << c.Field;
      EXPECT_EQ(c.Field == 13 ? ENTRY_OK : ENTRY_CRC, e->Result) << c.Archive << " " << c.Field;
    }
  }
}

TEST(EntryDecryption, AesCodeDecidesEvenWhenTheDataComesOutRight) {
  std::string zip = ZipBytes("7z_aes256_deflate.zip");
  size_t end = DataEnd(zip, "text.txt");
  std::string flippedCode = zip, flippedData = zip;
  flippedCode[end - 3] ^= 0x01;
  flippedData[end - 200] ^= 0x01;
  {
    PatchedArchive a(flippedCode);
    ArchiveRun run = ExtractArchive(a.Path, kPassword);
    EXPECT_EQ(ENTRY_AUTH, run.Find("text.txt")->Result);
    EXPECT_EQ(SourceFile("text.txt"), run.Find("text.txt")->Data);
    EXPECT_EQ(ENTRY_OK, run.Find("far.bin")->Result);
  }
  {
    PatchedArchive a(flippedData);
    EXPECT_NE(ENTRY_OK, ExtractArchive(a.Path, kPassword).Find("text.txt")->Result);
  }
}

TEST(EntryDecryption, AesEntrySmallerThanItsHeaderIsRefused) {
  std::string zip = ZipBytes("7z_aes128_copy.zip");
  // empty.txt holds 8 salt + 2 verifier + 10 code bytes; claim fewer.
  for (uint32_t size : {0u, 1u, 19u}) {
    std::string z = zip;
    SetLe(&z, LocalOf(z, "empty.txt") + 18, size, 4);
    SetLe(&z, CentralOf(z, "empty.txt") + 20, size, 4);
    PatchedArchive a(z);
    ArchiveRun run = ExtractArchive(a.Path, kPassword);
    const Extracted* e = run.Find("empty.txt");
    ASSERT_TRUE(e) << size;
    // Size 0 has nothing to decrypt and is taken as not encrypted.
    EXPECT_EQ(size == 0 ? ENTRY_OK : kWrongPassword, e->Result) << size;
  }
}

TEST(EntryDecryption, KeyDerivationRefusesLongPasswordsAndUnknownStrengths) {
  uint8_t salt[16] = {}, verifier[2];
  static AesState state;
  std::string longest(128, 'p'), tooLong(129, 'p');
  EXPECT_EQ(0, DeriveAesKeys(3, longest.c_str(), longest.size(), salt, verifier, &state));
  EXPECT_EQ(-100, DeriveAesKeys(3, tooLong.c_str(), tooLong.size(), salt, verifier, &state));
  EXPECT_EQ(-101, DeriveAesKeys(0, "p", 1, salt, verifier, &state));
  EXPECT_EQ(-101, DeriveAesKeys(4, "p", 1, salt, verifier, &state));
  // The verifier is the two bytes behind both keys of the PBKDF2 output.
  for (uint32_t strength = 1; strength <= 3; strength++) {
    uint8_t derived[66];
    size_t key = 8 * strength + 8;
    Pbkdf2HmacSha1("p", 1, salt, 4 + 4 * strength, 1000, derived, 2 * key + 2);
    ASSERT_EQ(0, DeriveAesKeys(strength, "p", 1, salt, verifier, &state));
    EXPECT_EQ(0, memcmp(verifier, derived + 2 * key, 2)) << strength;
    EXPECT_EQ(16u, state.Position);
  }
}

}  // namespace
