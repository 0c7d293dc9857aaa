// Where Authenticode signing changes a program: the PE checksum, the security
// directory entry and the certificate table it appends at the end. setup.exe's
// digest of the payload leaves exactly these out, so that signing the payload
// after setup.exe was stamped with its digest keeps the two matching; the
// self-extractor looks for its archive in front of the table. Portable (no
// Windows headers): every offset taken from the file is checked against what
// was read before use.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The headers must lie in the file's first 4 KiB, and the file must be
// smaller than 4 GiB; anything else is no payload of ours.
const size_t kSigningHeaderLimit = 4096;

struct SigningFields {
  size_t checksumAt;       // 4 bytes
  size_t securityEntryAt;  // 8 bytes
  size_t signedEnd;        // where the certificate table begins, or the file's end
};

// header: the file's first min(fileSize, kSigningHeaderLimit) bytes. False
// when the file is not a PE program with a security directory entry, or its
// entry names a table that does not end the file behind the headers.
bool FindSigningFields(const uint8_t* header, size_t headerSize, size_t fileSize,
                       SigningFields* fields);
