#include "tools/sfx/cut_point.h"

#include <windows.h>

#include <string.h>

namespace {

const char* const kPointNames[] = {
    "written:", "planned:", "aside:", "placed:", "recorded:", "deleted:"};
int armedPoint = -1;
// Passed by every staging worker: the count is of passes in all.
volatile LONG passesLeft;

}  // namespace

void ArmCutPoint() {
  armedPoint = -1;
  char value[32];
  DWORD length = GetEnvironmentVariableA("QB_SFX_TEST_CUT", value, sizeof value);
  if (length == 0 || length >= sizeof value) return;
  for (int point = 0; point <= kCutDeleted; ++point) {
    size_t nameLength = strlen(kPointNames[point]);
    if (strncmp(value, kPointNames[point], nameLength) != 0) continue;
    passesLeft = 0;
    for (const char* digit = value + nameLength; *digit >= '0' && *digit <= '9'; ++digit) {
      passesLeft = passesLeft * 10 + (*digit - '0');
    }
    armedPoint = point;
  }
}

void PassCutPoint(CutPoint point) {
  if (static_cast<int>(point) == armedPoint && InterlockedDecrement(&passesLeft) == 0) {
    TerminateProcess(GetCurrentProcess(), kCutExitCode);
  }
}
