// The digest and cipher primitives against their published vectors: FIPS 180
// for SHA-1, RFC 2202 for HMAC-SHA1, RFC 6070 for PBKDF2 and FIPS 197 for AES.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "package/crypto.h"

namespace {

std::string Hex(const uint8_t* p, size_t n) {
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; i++) {
    s += digits[p[i] >> 4];
    s += digits[p[i] & 15];
  }
  return s;
}

std::string Unhex(const char* hex) {
  std::string s;
  for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) s += (char)std::stoi(std::string(hex + i, 2), nullptr, 16);
  return s;
}

std::string Sha1Hex(const std::string& data, size_t piece) {
  Sha1Context c;
  Sha1Begin(&c);
  for (size_t at = 0; at < data.size(); at += piece) Sha1Update(&c, data.data() + at, std::min(piece, data.size() - at));
  uint8_t d[20];
  Sha1End(&c, d);
  return Hex(d, 20);
}

TEST(Sha1, PublishedVectorsWholeAndInPieces) {
  struct Case {
    std::string Data;
    const char* Digest;
  } cases[] = {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
  };
  // Piece sizes that cross the 64-byte block and the 56-byte padding border.
  for (const Case& c : cases)
    for (size_t piece : {(size_t)1, (size_t)55, (size_t)64, (size_t)1000000})
      EXPECT_EQ(c.Digest, Sha1Hex(c.Data, piece)) << c.Data.size() << " bytes in pieces of " << piece;
}

std::string HmacHex(const std::string& key, const std::string& data, size_t keyPiece, size_t length = 20) {
  HmacSha1Context c;
  HmacSha1Begin(&c);
  for (size_t at = 0; at < key.size(); at += keyPiece)
    EXPECT_EQ(0, HmacSha1Key(&c, key.data() + at, std::min(keyPiece, key.size() - at)));
  HmacSha1Data(&c, data.data(), data.size());
  uint8_t mac[20];
  HmacSha1End(&c, mac, length);
  return Hex(mac, length);
}

TEST(HmacSha1, Rfc2202VectorsWithKeysFedWholeAndInPieces) {
  struct Case {
    std::string Key, Data;
    const char* Mac;
  } cases[] = {
      {std::string(20, '\x0b'), "Hi There", "b617318655057264e28bc0b6fb378c8ef146be00"},
      {"Jefe", "what do ya want for nothing?", "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79"},
      {std::string(20, '\xaa'), std::string(50, '\xdd'), "125d7342b9ac11cd91a39af48aa17b4f63f175d3"},
      {Unhex("0102030405060708090a0b0c0d0e0f10111213141516171819"), std::string(50, '\xcd'),
       "4c9007f4026250c6bc8414f9bf50c86c2d7235da"},
      {std::string(20, '\x0c'), "Test With Truncation", "4c1a03424b55e07fe7f27be1d58bb9324a9a5a04"},
      // 80-byte keys: hashed first, also when they pass 64 bytes only in a later piece.
      {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key - Hash Key First",
       "aa4ae5e15272d00e95705637ce8a3b55ed402112"},
      {std::string(80, '\xaa'), "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
       "e8e99d0f45237d786d6bbaa7965c7808bbff1a91"},
  };
  for (const Case& c : cases)
    for (size_t piece : {(size_t)1, (size_t)60, (size_t)100}) EXPECT_EQ(c.Mac, HmacHex(c.Key, c.Data, piece));
  // Cut to 10 bytes, as the archive's authentication code is.
  EXPECT_EQ("4c1a03424b55e07fe7f2", HmacHex(std::string(20, '\x0c'), "Test With Truncation", 20, 10));
}

TEST(HmacSha1, KeyOf64BytesIsUsedAsItStandsAnd65IsHashed) {
  // A 64-byte key equal to a digest padded with zeros would give the same
  // code as the long key that hashes to it only if 65+ bytes are hashed.
  std::string longKey(65, 'k');
  uint8_t digest[20];
  Sha1Context s;
  Sha1Begin(&s);
  Sha1Update(&s, longKey.data(), longKey.size());
  Sha1End(&s, digest);
  std::string padded((const char*)digest, 20);
  padded.resize(64, '\0');
  EXPECT_EQ(HmacHex(padded, "data", 64), HmacHex(longKey, "data", 65));
  EXPECT_EQ(HmacHex(padded, "data", 64), HmacHex(std::string((const char*)digest, 20), "data", 20));
  std::string key64(64, 'k');
  EXPECT_NE(HmacHex(key64, "data", 64), HmacHex(key64 + "k", "data", 65));
}

TEST(HmacSha1, KeyAfterDataIsRefused) {
  HmacSha1Context c;
  HmacSha1Begin(&c);
  EXPECT_EQ(0, HmacSha1Key(&c, "Jefe", 4));
  HmacSha1Data(&c, "what do ya want ", 16);
  EXPECT_EQ(-1, HmacSha1Key(&c, "x", 1));
  HmacSha1Data(&c, "for nothing?", 12);
  uint8_t mac[20];
  HmacSha1End(&c, mac, 20);
  EXPECT_EQ("effcdf6ae5eb2fa2d27416d5f184df9c259a7c79", Hex(mac, 20));
}

TEST(Pbkdf2HmacSha1, Rfc6070Vectors) {
  struct Case {
    std::string Password, Salt;
    uint32_t Iterations;
    const char* Key;
  } cases[] = {
      {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
      {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
      {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
      {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
       "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
      {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, "56fa6aa75548099dcc37d7f03425e0c3"},
  };
  for (const Case& c : cases) {
    uint8_t out[32];
    size_t n = strlen(c.Key) / 2;
    Pbkdf2HmacSha1(c.Password.data(), c.Password.size(), c.Salt.data(), c.Salt.size(), c.Iterations, out, n);
    EXPECT_EQ(c.Key, Hex(out, n)) << c.Password << " x" << c.Iterations;
  }
}

TEST(Aes, Fips197VectorsForEveryKeyLength) {
  struct Case {
    const char *Key, *Cipher;
  } cases[] = {
      // Appendix C: plaintext 00112233445566778899aabbccddeeff.
      {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
      {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
      {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f", "8ea2b7ca516745bfeafc49904b496089"},
  };
  std::string plain = Unhex("00112233445566778899aabbccddeeff");
  for (const Case& c : cases) {
    std::string key = Unhex(c.Key);
    AesContext ctx;
    ASSERT_EQ(1, AesSetEncryptKey((const uint8_t*)key.data(), key.size(), &ctx));
    uint8_t out[16];
    AesEncryptBlock((const uint8_t*)plain.data(), out, &ctx);
    EXPECT_EQ(c.Cipher, Hex(out, 16)) << key.size() * 8 << "-bit key";
  }
  // Appendix B, 128-bit.
  std::string key = Unhex("2b7e151628aed2a6abf7158809cf4f3c"), in = Unhex("3243f6a8885a308d313198a2e0370734");
  AesContext ctx;
  ASSERT_EQ(1, AesSetEncryptKey((const uint8_t*)key.data(), 16, &ctx));
  uint8_t out[16];
  AesEncryptBlock((const uint8_t*)in.data(), out, &ctx);
  EXPECT_EQ("3925841d02dc09fbdc118597196a0b32", Hex(out, 16));
}

TEST(Aes, OtherKeyLengthsAreRefused) {
  uint8_t key[33] = {};
  AesContext ctx;
  for (size_t n : {(size_t)0, (size_t)15, (size_t)17, (size_t)20, (size_t)31, (size_t)33}) {
    EXPECT_EQ(0, AesSetEncryptKey(key, n, &ctx)) << n;
    EXPECT_EQ(0, ctx.Rounds);
  }
}

}  // namespace
