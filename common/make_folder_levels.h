// The walk that makes a folder level by level, over either kind of text;
// make_folder.cpp (8-bit) and make_folder_wide.cpp (UTF-16) give it their
// character step and file calls, each in its own object, so that a program
// imports only the calls of the kind it uses.
#pragma once

#include <stddef.h>

#include "common/make_folder.h"

namespace make_folder_levels {

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

}  // namespace make_folder_levels
