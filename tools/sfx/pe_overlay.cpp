#include "tools/sfx/pe_overlay.h"

#include "common/pe_signing.h"

size_t PeBytesBeforeSignature(const uint8_t* data, size_t size) {
  SigningFields fields;
  return FindSigningFields(data, size, size, &fields) ? fields.signedEnd : size;
}
