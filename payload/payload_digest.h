// The payload's digest: SHA-256 of the payload file up to its certificate
// table, with the PE checksum and the security directory entry counted as
// zeros, so that signing the payload does not change it. tools/stamp-setup
// computes the same digest when it pins a payload into setup.exe.
#pragma once

#include <windows.h>

const DWORD kPayloadDigestSize = 32;

// Reads the open file from its start. False when it cannot be read, is not a
// PE program, or its security directory names anything but a table at its
// end.
bool PayloadDigest(HANDLE file, BYTE (&digest)[kPayloadDigestSize]);
