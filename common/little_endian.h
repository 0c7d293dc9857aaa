// Little-endian fields and bounds of the file formats both programs read
// (zip records, PE headers), taken from bytes that lie in memory.
#pragma once

#include <stddef.h>
#include <stdint.h>

inline uint16_t Read16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// True when [offset, offset + length) lies within [0, limit); no overflow.
inline bool Fits(size_t offset, size_t length, size_t limit) {
  return offset <= limit && length <= limit - offset;
}
