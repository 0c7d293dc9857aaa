#include "tests/support/pinned_payload.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string.h>

#include "payload/payload_pin.h"
#include "tests/support/scratch_folder.h"

namespace {

void Put(std::string& bytes, size_t at, unsigned value, size_t width) {
  for (size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

}  // namespace

std::string StandInPayload(const std::string& body) {
  const size_t peHeader = 0x40;
  const size_t optional = peHeader + 24;
  const size_t optionalSize = 224;  // PE32 with 16 data directories
  std::string bytes(optional + optionalSize, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  Put(bytes, 0x3C, peHeader, 4);
  Put(bytes, peHeader, 0x4550, 4);
  Put(bytes, peHeader + 20, optionalSize, 2);
  Put(bytes, optional, 0x10B, 2);
  Put(bytes, optional + 92, 16, 4);
  return bytes + body;
}

std::string DigestOfFile(const std::string& path) {
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return "";
  BYTE digest[kPayloadDigestSize];
  bool made = PayloadDigest(file, digest);
  CloseHandle(file);
  return made ? std::string(reinterpret_cast<char*>(digest), sizeof digest) : "";
}

std::string WritePinnedPayload(const std::string& path, const std::string& body) {
  std::string payload = StandInPayload(body);
  WriteFile(path, payload);
  std::string digest = DigestOfFile(path);
  EXPECT_EQ(kPayloadDigestSize, digest.size()) << "no digest of " << path;
  memcpy(payloadPin.digest, digest.data(), digest.size());
  return payload;
}

void PinAsStampedIn(const std::string& setupProgram) {
  std::string program = ReadFile(setupProgram);
  std::string marker(payloadPin.marker, sizeof payloadPin.marker);
  size_t at = program.find(marker);
  ASSERT_NE(std::string::npos, at) << setupProgram << " holds no payload pin";
  ASSERT_EQ(std::string::npos, program.find(marker, at + 1));
  ASSERT_LE(at + sizeof payloadPin, program.size());
  memcpy(payloadPin.digest, program.data() + at + sizeof payloadPin.marker, kPayloadDigestSize);
  ASSERT_NE(std::string(kPayloadDigestSize, '\0'),
            std::string(program, at + sizeof payloadPin.marker, kPayloadDigestSize))
      << setupProgram << " was never stamped";
}

void ClearPayloadPin() {
  memset(payloadPin.digest, 0, sizeof payloadPin.digest);
}
