#include "payload/payload_pin.h"

PayloadPin payloadPin = {"QbPayloadPin/1:", {}};

bool IsPinnedPayload(HANDLE file) {
  BYTE digest[kPayloadDigestSize];
  if (!PayloadDigest(file, digest)) return false;
  BYTE stamped = 0;
  BYTE differs = 0;
  for (DWORD i = 0; i < kPayloadDigestSize; ++i) {
    stamped |= payloadPin.digest[i];
    differs |= digest[i] ^ payloadPin.digest[i];
  }
  return stamped && !differs;
}
