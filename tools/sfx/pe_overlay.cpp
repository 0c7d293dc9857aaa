#include "tools/sfx/pe_overlay.h"

#include "tools/sfx/little_endian.h"

namespace {

const size_t kNewHeaderPointer = 0x3C;  // e_lfanew in the DOS header
const size_t kFileHeaderSize = 4 + 20;  // "PE\0\0" and the COFF header
const size_t kOptionalHeaderSizeField = 4 + 16;
const uint16_t kMagic32 = 0x10B;
const uint16_t kMagic64 = 0x20B;
// Where NumberOfRvaAndSizes and the data directories lie in the optional header.
const size_t kDirectoryCount32 = 92;
const size_t kDirectoryCount64 = 108;
const uint32_t kSecurityDirectory = 4;
const size_t kDirectoryEntrySize = 8;

}  // namespace

size_t PeBytesBeforeSignature(const uint8_t* data, size_t size) {
  if (!Fits(0, kNewHeaderPointer + 4, size) || data[0] != 'M' || data[1] != 'Z') return size;
  size_t header = Read32(data + kNewHeaderPointer);
  if (!Fits(header, kFileHeaderSize + 2, size) || Read32(data + header) != 0x00004550) return size;
  size_t optionalSize = Read16(data + header + kOptionalHeaderSizeField);
  size_t optional = header + kFileHeaderSize;
  if (!Fits(optional, optionalSize, size) || optionalSize < 2) return size;

  uint16_t magic = Read16(data + optional);
  size_t countAt = magic == kMagic32   ? kDirectoryCount32
                   : magic == kMagic64 ? kDirectoryCount64
                                       : 0;
  if (countAt == 0 || !Fits(countAt, 4, optionalSize)) return size;
  uint32_t count = Read32(data + optional + countAt);
  size_t entryAt = countAt + 4 + kSecurityDirectory * kDirectoryEntrySize;
  if (count <= kSecurityDirectory || !Fits(entryAt, kDirectoryEntrySize, optionalSize)) {
    return size;
  }

  // Unlike the other directories, this one holds a file offset, not an
  // address in the loaded image.
  size_t tableOffset = Read32(data + optional + entryAt);
  size_t tableSize = Read32(data + optional + entryAt + 4);
  if (tableOffset == 0 || tableSize == 0) return size;
  if (!Fits(tableOffset, tableSize, size) || tableOffset + tableSize != size) return size;
  // The table never overlaps the headers that point to it.
  if (tableOffset < optional + optionalSize) return size;
  return tableOffset;
}
