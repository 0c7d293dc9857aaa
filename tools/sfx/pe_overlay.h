// Finds where a program's own bytes and appended data end in front of its
// code signature. A signed self-extractor carries the signature's
// certificate table after the archive, at the end of the file; the archive
// reader must see only the bytes before it. Portable (no Windows headers), so
// that it is also built natively with sanitizers and fuzzed: every offset
// taken from the file is checked against its size before use.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The number of bytes in front of the certificate table that the PE header's
// security directory places at the end of the file. size itself when the
// file is not a PE program, is not signed, or names a table that is out of
// range or does not end the file.
size_t PeBytesBeforeSignature(const uint8_t* data, size_t size);
// The same from the file's first min(size, kSigningHeaderLimit) bytes.
size_t PeBytesBeforeSignature(const uint8_t* header, size_t headerSize, size_t size);
