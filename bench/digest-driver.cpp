// Times setup.exe's check of its payload: PayloadDigest over a file opened
// as setup.exe opens its extractor copy, run several times in one process.
// Prints "<bytes> <milliseconds of each run>" and the digest, or "refused".
//   digest-driver.exe FILE [runs]
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include "payload/payload_digest.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  int runs = argc > 2 ? atoi(argv[2]) : 3;
  HANDLE file = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  LARGE_INTEGER frequency, before, after, size;
  QueryPerformanceFrequency(&frequency);
  GetFileSizeEx(file, &size);
  printf("%lld", size.QuadPart);
  BYTE digest[kPayloadDigestSize];
  for (int run = 0; run < runs; ++run) {
    QueryPerformanceCounter(&before);
    bool made = PayloadDigest(file, digest);
    QueryPerformanceCounter(&after);
    if (!made) {
      printf(" refused\n");
      return 1;
    }
    printf(" %.1f", 1000.0 * (after.QuadPart - before.QuadPart) / frequency.QuadPart);
  }
  printf("\n");
  for (BYTE byte : digest) printf("%02x", byte);
  printf("\n");
  CloseHandle(file);
  return 0;
}
