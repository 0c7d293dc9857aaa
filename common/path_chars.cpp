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

namespace {

const char* NextChar(const char* c) {
  return CharNextA(c);
}
const wchar_t* NextChar(const wchar_t* c) {
  return c + 1;
}

template <typename C>
const C* LevelEnd(const C* path) {
  if (!*path) return path;
  if (path[0] != '\\' || path[1] != '\\') return NextChar(path);
  int separators = 0;
  const C* c = path + 2;
  while (*c && separators < 2) {
    if (*c == '\\') ++separators;
    c = NextChar(c);
  }
  return c;
}

}  // namespace

const char* FirstLevelEnd(const char* path) {
  return LevelEnd(path);
}
const wchar_t* FirstLevelEnd(const wchar_t* path) {
  return LevelEnd(path);
}
