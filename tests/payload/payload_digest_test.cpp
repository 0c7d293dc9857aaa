// The payload's digest leaves out exactly what Authenticode signing changes,
// checked against SHA-256 computed here through CNG over the bytes the test
// itself cuts, and refuses every file that is not a payload it can pin.
#include "payload/payload_digest.h"

#include <windows.h>
#include <bcrypt.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/payload/payload_fixture.h"
#include "tests/support/pinned_payload.h"

namespace {

// Where StandInPayload puts the fields signing changes. PE32+ headers place
// them by the same reader (common/pe_signing.h), tested natively for both.
const size_t kOptional = 0x40 + 24;
const size_t kChecksumAt = kOptional + 64;
const size_t kSecurityEntryAt = kOptional + 96 + 4 * 8;

std::string Sha256(const std::string& bytes) {
  BCRYPT_ALG_HANDLE algorithm = NULL;
  BCRYPT_HASH_HANDLE hash = NULL;
  unsigned char digest[32] = {};
  EXPECT_EQ(0, BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, NULL, 0));
  EXPECT_EQ(0, BCryptCreateHash(algorithm, &hash, NULL, 0, NULL, 0, 0));
  EXPECT_EQ(0, BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data())),
                              static_cast<ULONG>(bytes.size()), 0));
  EXPECT_EQ(0, BCryptFinishHash(hash, digest, sizeof digest, 0));
  BCryptDestroyHash(hash);
  BCryptCloseAlgorithmProvider(algorithm, 0);
  return std::string(reinterpret_cast<char*>(digest), sizeof digest);
}

void Put32(std::string& bytes, size_t at, unsigned value) {
  for (size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

// As a signature leaves the file: a checksum, and a certificate table
// appended and named by the security directory entry.
std::string Signed(std::string bytes) {
  Put32(bytes, kChecksumAt, 0x0badf00d);
  Put32(bytes, kSecurityEntryAt, static_cast<unsigned>(bytes.size()));
  Put32(bytes, kSecurityEntryAt + 4, 24);
  return bytes + std::string(24, '\x30');
}

class PayloadDigestTest : public PayloadTest {
 protected:
  std::string DigestOf(const std::string& bytes) {
    std::string path = scratch / "payload.dat";
    WriteFile(path, bytes);
    return DigestOfFile(path);
  }
};

TEST_F(PayloadDigestTest, LeavesOutExactlyWhatSigningChanges) {
  // 100000 bytes: the digest reads the file in more than one block.
  const std::string payload = StandInPayload("archive" + std::string(100000, 'z'));
  const std::string digest = DigestOf(payload);
  EXPECT_EQ(Sha256(payload), digest) << "an unsigned payload: every byte";
  EXPECT_EQ(digest, DigestOf(Signed(payload)));
  std::string changed = payload;
  changed[payload.size() / 2] ^= 1;
  EXPECT_NE(digest, DigestOf(Signed(changed)));
}

TEST_F(PayloadDigestTest, RefusesWhatIsNoPayloadItCanPin) {
  const std::string payload = StandInPayload("archive");
  auto with = [&](size_t at, unsigned value) {
    std::string bytes = payload;
    Put32(bytes, at, value);
    return bytes;
  };
  // Where the certificate table may lie is the reader's to check, tested
  // natively (pe_overlay_test.cpp); one refusal of it stands for them here.
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"a file that is no program", "archive"},
      {"a PE header past the first 4 KiB", with(0x3C, 4096) + std::string(8192, 'P')},
      {"no PE signature", with(0x40, 0x4551)},
      {"an unknown optional header", with(kOptional, 0x107)},
      {"a table of no bytes", with(kSecurityEntryAt, static_cast<unsigned>(payload.size()))},
  };
  for (const auto& refused : cases) {
    SCOPED_TRACE(refused.what);
    EXPECT_EQ("", DigestOf(refused.bytes));
  }
  EXPECT_NE("", DigestOf(payload)) << "the payload they were made from";
}

}  // namespace
