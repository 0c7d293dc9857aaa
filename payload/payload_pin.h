// The one payload this setup program runs: the digest (payload/payload_digest.h)
// of the qbar47.dat it was released with. tools/stamp-setup finds the marker,
// which occurs once in setup.exe, and writes the digest behind it. A program
// that was never stamped holds zeros and accepts no payload.
#pragma once

#include <windows.h>

#include "payload/payload_digest.h"

struct PayloadPin {
  char marker[16];
  BYTE digest[kPayloadDigestSize];
};

// Writable data, so that the compiler cannot fold the zeros of an unstamped
// program into the check; the tests pin the payloads they make here.
extern PayloadPin payloadPin;

// True when the open file's digest is the pinned one.
bool IsPinnedPayload(HANDLE file);
