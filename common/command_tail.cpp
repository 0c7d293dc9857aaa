#include "common/command_tail.h"

namespace {

// Blanks as the C runtime's start-up takes them: any control character or space.
bool IsBlank(char c) {
  return c != '\0' && static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

const char* CommandLineTail(const char* commandLine) {
  bool quoted = false;
  while (*commandLine && (quoted || !IsBlank(*commandLine))) {
    if (*commandLine == '"') quoted = !quoted;
    ++commandLine;
  }
  while (IsBlank(*commandLine)) ++commandLine;
  return commandLine;
}
