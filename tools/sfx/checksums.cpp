// The two checksums zlib's inflater and our archive reader call, in place of
// zlib's own, whose precomputed tables would take 6 KB of the extractor's
// file: here the CRC-32 tables are computed on first use into zeroed memory,
// which costs the file nothing, once, by whichever worker comes first. Eight
// tables let the CRC take eight bytes a step. A processor with carry-less
// multiplication (nearly every one since 2010) folds 64 bytes a step instead,
// ten times as fast: the CRC of every byte unpacked was a sixth of the
// unpack's work. The native builds keep zlib's versions, and the tests
// compare the two.
#include <windows.h>

#include <cpuid.h>
#include <stdint.h>
#include <string.h>
#include <wmmintrin.h>
#include <zlib.h>

namespace {

uint32_t crcTables[8][256];
bool canFold;
INIT_ONCE crcTablesMade = INIT_ONCE_STATIC_INIT;

// The constants of folding for the CRC-32 polynomial, bit-reflected: x^n
// mod P(x) for the distances folded over (4 x 128 + 32 and 4 x 128 - 32
// bits, 128 + 32 and 128 - 32, 64), then the Barrett constant and P(x).
alignas(16) const uint64_t kFold4[2] = {0x0154442bd4, 0x01c6e41596};
alignas(16) const uint64_t kFold1[2] = {0x01751997d0, 0x00ccaa009e};
alignas(16) const uint64_t kFold64[2] = {0x0163cd6124, 0};
alignas(16) const uint64_t kBarrett[2] = {0x01db710641, 0x01f7011641};

__attribute__((target("pclmul,sse2"))) __m128i Fold(__m128i sum, __m128i by, __m128i next) {
  __m128i low = _mm_clmulepi64_si128(sum, by, 0x00);
  __m128i high = _mm_clmulepi64_si128(sum, by, 0x11);
  return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// The CRC (not inverted) of length bytes, length a multiple of 16 and at
// least 64: four lanes of 16 bytes are folded forward 64 bytes at a time,
// then into one, which is reduced to 32 bits.
__attribute__((target("pclmul,sse2"))) uint32_t FoldedCrc(const uint8_t* bytes, size_t length,
                                                          uint32_t crc) {
  const __m128i* block = reinterpret_cast<const __m128i*>(bytes);
  __m128i lane[4];
  for (int i = 0; i < 4; ++i) lane[i] = _mm_loadu_si128(block + i);
  lane[0] = _mm_xor_si128(lane[0], _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i by = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold4));
  for (block += 4, length -= 64; length >= 64; block += 4, length -= 64) {
    for (int i = 0; i < 4; ++i) lane[i] = Fold(lane[i], by, _mm_loadu_si128(block + i));
  }
  by = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold1));
  __m128i sum = lane[0];
  for (int i = 1; i < 4; ++i) sum = Fold(sum, by, lane[i]);
  for (; length >= 16; ++block, length -= 16) sum = Fold(sum, by, _mm_loadu_si128(block));
  // 128 bits to 64, then to 32 by Barrett reduction.
  const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
  sum = _mm_xor_si128(_mm_srli_si128(sum, 8), _mm_clmulepi64_si128(sum, by, 0x10));
  by = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
  sum = _mm_xor_si128(_mm_srli_si128(sum, 4),
                      _mm_clmulepi64_si128(_mm_and_si128(sum, low32), by, 0x00));
  by = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
  __m128i quotient =
      _mm_and_si128(_mm_clmulepi64_si128(_mm_and_si128(sum, low32), by, 0x10), low32);
  sum = _mm_xor_si128(sum, _mm_clmulepi64_si128(quotient, by, 0x00));
  return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(sum, 4)));
}

BOOL CALLBACK MakeCrcTables(INIT_ONCE*, void*, void**) {
  unsigned eax, ebx, ecx, edx;
  canFold = __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (ecx & bit_PCLMUL) && (edx & bit_SSE2);
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
  if (canFold && length >= 64) {
    uInt folded = length & ~15u;
    crc = FoldedCrc(bytes, folded, crc);
    bytes += folded;
    length -= folded;
  }
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
