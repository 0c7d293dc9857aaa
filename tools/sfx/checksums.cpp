// The two checksums zlib's inflater and our archive reader call, in place of
// zlib's own, whose precomputed tables would take 6 KB of the extractor's
// file: here the CRC-32 tables are computed on first use into zeroed memory,
// which costs the file nothing, once, by whichever worker comes first. Eight
// tables let the CRC take eight bytes a step, about as fast as zlib's. The
// native builds keep zlib's versions, and the tests compare the two.
#include <windows.h>

#include <stdint.h>
#include <string.h>
#include <zlib.h>

namespace {

uint32_t crcTables[8][256];
INIT_ONCE crcTablesMade = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK MakeCrcTables(INIT_ONCE*, void*, void**) {
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t crc = n;
    for (int bit = 0; bit < 8; ++bit) crc = crc & 1 ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    crcTables[0][n] = crc;
  }
  for (uint32_t n = 0; n < 256; ++n) {
    for (int k = 1; k < 8; ++k) {
      uint32_t previous = crcTables[k - 1][n];
      crcTables[k][n] = (previous >> 8) ^ crcTables[0][previous & 0xFF];
    }
  }
  return TRUE;
}

}  // namespace

uLong crc32(uLong start, const Bytef* bytes, uInt length) {
  if (!bytes) return 0;
  // Several workers may ask at once: none reads a table half made.
  InitOnceExecuteOnce(&crcTablesMade, MakeCrcTables, nullptr, nullptr);
  uint32_t crc = ~static_cast<uint32_t>(start);
  for (; length >= 8; bytes += 8, length -= 8) {
    uint32_t low, high;
    memcpy(&low, bytes, 4);  // little-endian, as every Windows processor is
    memcpy(&high, bytes + 4, 4);
    low ^= crc;
    crc = crcTables[7][low & 0xFF] ^ crcTables[6][(low >> 8) & 0xFF] ^
          crcTables[5][(low >> 16) & 0xFF] ^ crcTables[4][low >> 24] ^ crcTables[3][high & 0xFF] ^
          crcTables[2][(high >> 8) & 0xFF] ^ crcTables[1][(high >> 16) & 0xFF] ^
          crcTables[0][high >> 24];
  }
  for (; length > 0; ++bytes, --length) crc = crcTables[0][(crc ^ *bytes) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

uLong adler32(uLong start, const Bytef* bytes, uInt length) {
  if (!bytes) return 1;
  uint32_t a = start & 0xFFFF, b = (start >> 16) & 0xFFFF;
  while (length > 0) {
    // The most bytes whose sums cannot overflow 32 bits before the modulo.
    uInt chunk = length < 5552 ? length : 5552;
    length -= chunk;
    while (chunk--) {
      a += *bytes++;
      b += a;
    }
    a %= 65521;
    b %= 65521;
  }
  return (b << 16) | a;
}
