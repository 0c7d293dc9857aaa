#include "payload/payload_digest.h"

#include <wincrypt.h>

#include "common/pe_signing.h"

namespace {

// Static, as it is too large for the stack of a program without the
// runtime's stack probes.
BYTE block[64 * 1024];

void Zero(BYTE* bytes, DWORD count) {
  while (count) bytes[--count] = 0;
}

}  // namespace

bool PayloadDigest(HANDLE file, BYTE (&digest)[kPayloadDigestSize]) {
  DWORD high = 0;
  DWORD size = GetFileSize(file, &high);
  DWORD got = 0;
  SigningFields fields;
  if (high || size == INVALID_FILE_SIZE || SetFilePointer(file, 0, NULL, FILE_BEGIN) != 0 ||
      !ReadFile(file, block, sizeof block, &got, NULL) ||
      !FindSigningFields(block, got, size, &fields)) {
    return false;
  }
  // The fields lie in the first 4 KiB, and so in the first block.
  Zero(block + fields.checksumAt, 4);
  Zero(block + fields.securityEntryAt, 8);

  HCRYPTPROV provider;
  if (!CryptAcquireContextA(&provider, NULL, NULL, PROV_RSA_AES,
                            CRYPT_VERIFYCONTEXT | CRYPT_SILENT)) {
    return false;
  }
  HCRYPTHASH hash;
  bool done = false;
  if (CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
    DWORD remaining = fields.signedEnd;
    while (got) {
      DWORD part = got < remaining ? got : remaining;
      if (!CryptHashData(hash, block, part, 0)) break;
      remaining -= part;
      if (!remaining || !ReadFile(file, block, sizeof block, &got, NULL)) break;
    }
    DWORD length = kPayloadDigestSize;
    done = !remaining && CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0) &&
           length == kPayloadDigestSize;
    CryptDestroyHash(hash);
  }
  CryptReleaseContext(provider, 0);
  return done;
}
