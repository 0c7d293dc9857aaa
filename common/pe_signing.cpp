#include "common/pe_signing.h"

#include "common/little_endian.h"

namespace {

const size_t kNewHeaderPointer = 0x3C;  // e_lfanew in the DOS header
const size_t kFileHeaderSize = 4 + 20;  // "PE\0\0" and the COFF header
const size_t kOptionalHeaderSizeField = 4 + 16;
const size_t kChecksumField = 64;
// Where NumberOfRvaAndSizes lies in the optional header of either width; the
// data directories follow it.
const size_t kDirectoryCount32 = 92;
const size_t kDirectoryCount64 = 108;
const uint32_t kSecurityDirectory = 4;
const size_t kDirectoryEntrySize = 8;

}  // namespace

bool FindSigningFields(const uint8_t* header, size_t headerSize, size_t fileSize,
                       SigningFields* fields) {
  if (headerSize > kSigningHeaderLimit) headerSize = kSigningHeaderLimit;
  if (!Fits(0, kNewHeaderPointer + 4, headerSize) || header[0] != 'M' || header[1] != 'Z') {
    return false;
  }
  size_t peHeader = Read32(header + kNewHeaderPointer);
  if (!Fits(peHeader, kFileHeaderSize, headerSize) || Read32(header + peHeader) != 0x00004550) {
    return false;
  }
  size_t optional = peHeader + kFileHeaderSize;
  size_t optionalSize = Read16(header + peHeader + kOptionalHeaderSizeField);
  if (!Fits(optional, optionalSize, headerSize) || optionalSize < 2) return false;

  uint16_t magic = Read16(header + optional);
  size_t countAt = magic == 0x10B ? kDirectoryCount32 : magic == 0x20B ? kDirectoryCount64 : 0;
  if (countAt == 0 || !Fits(countAt, 4, optionalSize)) return false;
  size_t entryAt = countAt + 4 + kSecurityDirectory * kDirectoryEntrySize;
  if (Read32(header + optional + countAt) <= kSecurityDirectory ||
      !Fits(entryAt, kDirectoryEntrySize, optionalSize)) {
    return false;
  }
  fields->checksumAt = optional + kChecksumField;
  fields->securityEntryAt = optional + entryAt;

  // Unlike the other directories, this one holds a file offset. A signature
  // appends its table at the very end; a table anywhere else would let bytes
  // in the middle of the file go unhashed.
  size_t tableOffset = Read32(header + fields->securityEntryAt);
  size_t tableSize = Read32(header + fields->securityEntryAt + 4);
  if (tableOffset == 0 && tableSize == 0) {
    fields->signedEnd = fileSize;
    return true;
  }
  if (tableSize == 0 || tableOffset < optional + optionalSize ||
      !Fits(tableOffset, tableSize, fileSize) || tableOffset + tableSize != fileSize) {
    return false;
  }
  fields->signedEnd = tableOffset;
  return true;
}
