// The extractor's own CRC-32 and Adler-32 (tools/sfx/checksums.cpp), which
// this program links in place of zlib's: the published check values, and one
// result however the data is split into calls.
#include <zlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

TEST(ChecksumsTest, GiveTheStandardValuesInOneCallOrMany) {
  const Bytef* digits = reinterpret_cast<const Bytef*>("123456789");
  EXPECT_EQ(0xCBF43926u, crc32(crc32(0, nullptr, 0), digits, 9));
  EXPECT_EQ(0x091E01DEu, adler32(adler32(0, nullptr, 0), digits, 9));
  std::string data;
  for (unsigned i = 0; data.size() < 100000; ++i) data += static_cast<char>(i * 2654435761u >> 24);
  const Bytef* bytes = reinterpret_cast<const Bytef*>(data.data());
  uLong crcWhole = crc32(0, bytes, static_cast<uInt>(data.size()));
  uLong adlerWhole = adler32(1, bytes, static_cast<uInt>(data.size()));
  // As Python's zlib computes them for the same bytes.
  EXPECT_EQ(0xF1CA8AD9u, crcWhole);
  EXPECT_EQ(0xB8879840u, adlerWhole);
  for (size_t piece : {1u, 3u, 8u, 13u, 64u, 80u, 4096u, 7000u}) {
    uLong crc = 0, adler = 1;
    for (size_t at = 0; at < data.size(); at += piece) {
      uInt length = static_cast<uInt>(std::min(piece, data.size() - at));
      crc = crc32(crc, bytes + at, length);
      adler = adler32(adler, bytes + at, length);
    }
    EXPECT_EQ(crcWhole, crc) << piece;
    EXPECT_EQ(adlerWhole, adler) << piece;
  }
}
