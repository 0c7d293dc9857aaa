#include "common/path_chars.h"

#include <windows.h>
#include <string.h>

const char* FindLastPathChar(const char* text, const char* set) {
  const char* last = NULL;
  for (const char* c = text; *c; c = CharNextA(c)) {
    if (strchr(set, *c)) last = c;
  }
  return last;
}

size_t DropTrailingBackslash(char* text) {
  char* lastChar = NULL;
  char* c = text;
  for (; *c; c = CharNextA(c)) lastChar = c;
  if (lastChar && *lastChar == '\\') {
    *lastChar = '\0';
    return static_cast<size_t>(lastChar - text);
  }
  return static_cast<size_t>(c - text);
}
