#include "setup/run_mode.h"

namespace {
char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

bool IsRemoveOnlyCommandLine(const char* commandLine) {
  static const char kMarker[] = "unwise.exe";
  // Searched in place rather than in a MAX_PATH copy, so a long command line
  // is neither overrun nor cut short.
  for (const char* start = commandLine; *start; ++start) {
    int matched = 0;
    while (kMarker[matched] && LowerAscii(start[matched]) == kMarker[matched]) ++matched;
    if (!kMarker[matched]) return true;
  }
  return false;
}
