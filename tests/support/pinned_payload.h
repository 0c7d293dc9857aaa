// Payloads for tests that drive a stand-in extractor: the headers of a PE
// program (all that the setup program's check reads) followed by any bytes,
// pinned in the setup program as tools/stamp-setup pins the released one.
#pragma once

#include <string>

// The headers of an unsigned PE32 program, followed by body.
std::string StandInPayload(const std::string& body);

// The payload's digest as the setup program computes it; empty when it
// refuses the file.
std::string DigestOfFile(const std::string& path);

// Writes StandInPayload(body) to path and pins its digest; what was written.
std::string WritePinnedPayload(const std::string& path, const std::string& body = "archive");

// Pins the digest that tools/stamp-setup wrote into that setup.exe, so that
// the payload it was stamped with passes only if this program computes the
// same digest.
void PinAsStampedIn(const std::string& setupProgram);

// Back to a setup program that was never stamped.
void ClearPayloadPin();
