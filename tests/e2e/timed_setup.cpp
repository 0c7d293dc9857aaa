// setup.exe with its waits counted, for bench/install-time: the same program
// (RunSetup over the same core library and resources), with the seam's sleep
// wrapped so that every wait the program itself decides on is added up. At
// exit it writes "<count> <requested ms> <measured ms>" and one line per
// distinct wait into "<its own path>.sleeps".
#include <windows.h>

#include <stdio.h>

#include "seam/outside.h"
#include "setup/run_setup.h"

namespace {

void (*realSleep)(DWORD) = nullptr;
DWORD sleepCount = 0;
unsigned long long requestedMs = 0;
LONGLONG measuredTicks = 0;
struct Kind {
  DWORD milliseconds;
  DWORD count;
};
Kind kinds[16];
int kindCount = 0;

void CountingSleep(DWORD milliseconds) {
  LARGE_INTEGER before, after;
  QueryPerformanceCounter(&before);
  realSleep(milliseconds);
  QueryPerformanceCounter(&after);
  measuredTicks += after.QuadPart - before.QuadPart;
  ++sleepCount;
  requestedMs += milliseconds;
  for (int i = 0; i < kindCount; ++i) {
    if (kinds[i].milliseconds == milliseconds) {
      ++kinds[i].count;
      return;
    }
  }
  if (kindCount < 16) kinds[kindCount++] = Kind{milliseconds, 1};
}

void Report() {
  char path[MAX_PATH + 8];
  DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  lstrcatA(path, ".sleeps");
  FILE* out = fopen(path, "w");
  if (!out) return;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  fprintf(out, "%lu %llu %lld\n", sleepCount, requestedMs,
          measuredTicks * 1000 / frequency.QuadPart);
  for (int i = 0; i < kindCount; ++i)
    fprintf(out, "%lu ms x %lu\n", kinds[i].milliseconds, kinds[i].count);
  fclose(out);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  realSleep = outside.sleep;
  outside.sleep = CountingSleep;
  int result = RunSetup(instance, GetCommandLineA());
  Report();
  return result;
}
