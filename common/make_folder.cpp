#include "common/make_folder.h"

#include <windows.h>

namespace {

const char* NextChar(const char* c) {
  return CharNextA(c);
}
const wchar_t* NextChar(const wchar_t* c) {
  return c + 1;
}

bool MakeOneFolder(const char* path) {
  return CreateDirectoryA(path, NULL) != FALSE;
}
bool MakeOneFolder(const wchar_t* path) {
  return CreateDirectoryW(path, NULL) != FALSE;
}

// Where the first backslash that ends a level can stand: in a network path
// just after the share's backslash (the end of the text when nothing follows
// the share); otherwise after the first character, since a backslash there
// (a root-relative path) ends no level.
template <typename C>
const C* FirstLevelEnd(const C* path) {
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

template <typename C>
bool MakeLevels(C* path, size_t* made) {
  size_t outermost = 0;
  if (made) *made = 0;
  C* c = path + (FirstLevelEnd(path) - path);
  for (; *c; c = const_cast<C*>(NextChar(c))) {
    if (*c != '\\') continue;
    *c = '\0';
    bool there = PathExists(path);
    if (!there && MakeOneFolder(path)) {
      there = true;
      if (!outermost) outermost = static_cast<size_t>(c - path);
    }
    *c = '\\';
    if (made) *made = outermost;
    if (!there) return false;
  }
  if (!MakeOneFolder(path)) return false;
  if (made && !outermost) *made = static_cast<size_t>(c - path);
  return true;
}

}  // namespace

bool PathExists(const char* path) {
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool PathExists(const wchar_t* path) {
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolderPath(char* path, size_t* made) {
  return MakeLevels(path, made);
}

bool MakeFolderPath(wchar_t* path, size_t* made) {
  return MakeLevels(path, made);
}
