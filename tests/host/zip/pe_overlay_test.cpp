#include "tools/sfx/pe_overlay.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/sfx/zip_reader.h"

namespace {

typedef std::vector<uint8_t> Bytes;

const size_t kPeHeader = 0x80;
const size_t kOptional = kPeHeader + 24;

void Put16(Bytes& bytes, size_t at, uint16_t value) {
  bytes[at] = value & 0xFF;
  bytes[at + 1] = value >> 8;
}
void Put32(Bytes& bytes, size_t at, uint32_t value) {
  Put16(bytes, at, value & 0xFFFF);
  Put16(bytes, at + 2, value >> 16);
}

// The headers of a PE program as a linker writes them, PE32 or PE32+, padded
// to 0x400 bytes, without a signature.
Bytes Program(bool plus) {
  Bytes bytes(0x400, 0);
  bytes[0] = 'M';
  bytes[1] = 'Z';
  Put32(bytes, 0x3C, kPeHeader);
  Put32(bytes, kPeHeader, 0x00004550);
  Put16(bytes, kPeHeader + 4 + 16, plus ? 0xF0 : 0xE0);
  Put16(bytes, kOptional, plus ? 0x20B : 0x10B);
  Put32(bytes, kOptional + (plus ? 108 : 92), 16);
  return bytes;
}

size_t SecurityEntry(bool plus) {
  return kOptional + (plus ? 112 : 96) + 4 * 8;
}

// Appends a certificate table of tableSize bytes at a quadword boundary, as
// a signing tool does, and points the security directory at it.
void Sign(Bytes& bytes, bool plus, size_t tableSize = 0x5A0) {
  bytes.resize((bytes.size() + 7) / 8 * 8, 0);
  Put32(bytes, SecurityEntry(plus), static_cast<uint32_t>(bytes.size()));
  Put32(bytes, SecurityEntry(plus) + 4, static_cast<uint32_t>(tableSize));
  bytes.resize(bytes.size() + tableSize, 0x30);
}

Bytes Corpus(const std::string& name) {
  std::ifstream in(std::string(QB_ZIP_CORPUS) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PeOverlay : public testing::TestWithParam<bool> {};

TEST_P(PeOverlay, ASignedPayloadsArchiveEndsWhereTheSignatureStarts) {
  Bytes payload = Program(GetParam());
  Bytes zip = Corpus("mixed.zip");
  payload.insert(payload.end(), zip.begin(), zip.end());
  // The payload builder pads the archive's comment to a quadword boundary,
  // where the signature then starts.
  uint16_t padding = static_cast<uint16_t>(-payload.size() % 8);
  Put16(payload, payload.size() - 2, padding);
  payload.resize(payload.size() + padding, 0);
  size_t archiveEnd = payload.size();
  Sign(payload, GetParam());

  size_t bounded = PeBytesBeforeSignature(payload.data(), payload.size());
  EXPECT_EQ(archiveEnd, bounded);
  // The reader looks for an end record whose comment closes the bytes it is
  // given: with the signature behind it, there is none.
  ZipArchive archive;
  EXPECT_EQ(kZipNoArchive, ZipOpen(payload.data(), payload.size(), &archive));
  ASSERT_EQ(kZipOk, ZipOpen(payload.data(), bounded, &archive));
  EXPECT_EQ(0x400u, archive.shift);
}

TEST_P(PeOverlay, AnUnsignedProgramKeepsAllItsBytes) {
  Bytes program = Program(GetParam());
  program.resize(0x1000, 0x55);
  EXPECT_EQ(program.size(), PeBytesBeforeSignature(program.data(), program.size()));
}

TEST_P(PeOverlay, ATableThatDoesNotEndTheFileIsIgnored) {
  Bytes program = Program(GetParam());
  Sign(program, GetParam());
  program.push_back(0);
  EXPECT_EQ(program.size(), PeBytesBeforeSignature(program.data(), program.size()));
}

TEST_P(PeOverlay, ATableReachingPastTheFileOrIntoTheHeadersIsIgnored) {
  Bytes program = Program(GetParam());
  Sign(program, GetParam());
  Put32(program, SecurityEntry(GetParam()) + 4, 0xFFFFFFF0);
  EXPECT_EQ(program.size(), PeBytesBeforeSignature(program.data(), program.size()));

  Put32(program, SecurityEntry(GetParam()), 0x10);
  Put32(program, SecurityEntry(GetParam()) + 4, static_cast<uint32_t>(program.size() - 0x10));
  EXPECT_EQ(program.size(), PeBytesBeforeSignature(program.data(), program.size()));
}

TEST_P(PeOverlay, EveryCutOfASignedHeaderIsReadWithinItsBytes) {
  Bytes program = Program(GetParam());
  Sign(program, GetParam());
  for (size_t size = 0; size <= SecurityEntry(GetParam()) + 8; ++size) {
    // A copy of exactly size bytes, so that the sanitizer sees any read past it.
    Bytes cut(program.begin(), program.begin() + size);
    EXPECT_EQ(size, PeBytesBeforeSignature(cut.data(), cut.size())) << size;
  }
}

TEST_P(PeOverlay, TooFewDataDirectoriesMeanNoSignature) {
  Bytes program = Program(GetParam());
  Sign(program, GetParam());
  Put32(program, kOptional + (GetParam() ? 108 : 92), 4);
  EXPECT_EQ(program.size(), PeBytesBeforeSignature(program.data(), program.size()));
}

INSTANTIATE_TEST_SUITE_P(Pe32AndPe32Plus, PeOverlay, testing::Bool());

TEST(PeOverlayOther, AnArchiveWithoutAProgramKeepsAllItsBytes) {
  Bytes zip = Corpus("mixed.zip");
  EXPECT_EQ(zip.size(), PeBytesBeforeSignature(zip.data(), zip.size()));
}

}  // namespace
