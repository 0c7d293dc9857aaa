#include "tools/sfx/pe_overlay.h"

#include "common/pe_signing.h"

size_t PeBytesBeforeSignature(const uint8_t* data, size_t size) {
  return PeBytesBeforeSignature(data, size, size);
}

size_t PeBytesBeforeSignature(const uint8_t* header, size_t headerSize, size_t size) {
  SigningFields fields;
  return FindSigningFields(header, headerSize, size, &fields) ? fields.signedEnd : size;
}
