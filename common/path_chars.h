// Finding the characters that divide a path (backslash, colon, dot) in 8-bit
// text. In the double-byte code pages of Windows (932, 936, 949, 950) the
// second byte of a character may be 0x5C, the byte of a backslash (表 is
// 0x95 0x5C in 932), so these texts are walked by characters with the
// system's CharNextA, never byte by byte. In a single-byte code page, and in
// UTF-8, every byte of an ASCII character is a character of its own, so the
// results are those of a byte-wise scan.
#pragma once

#include <stddef.h>

// The last character of text that is one of the ASCII characters in set, or
// NULL when there is none.
const char* FindLastPathChar(const char* text, const char* set);
inline char* FindLastPathChar(char* text, const char* set) {
  return const_cast<char*>(FindLastPathChar(static_cast<const char*>(text), set));
}

// Removes the last character of text when it is a backslash; returns the
// length that remains.
size_t DropTrailingBackslash(char* text);
