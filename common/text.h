// Bounded text handling for the program's fixed buffers. Nothing is ever cut:
// a text that does not fit is refused, and the result says so.
#pragma once

#include <stddef.h>

// Copies src into dst (size bytes with the terminator). On overflow dst is
// left empty and the result is false.
bool CopyText(char* dst, size_t size, const char* src);

// Appends tail to the text in dst. On overflow dst is left unchanged and the
// result is false.
bool AppendText(char* dst, size_t size, const char* tail);

// dst = folder + name (name usually begins with a backslash). On overflow dst
// is left empty and the result is false.
bool JoinPath(char* dst, size_t size, const char* folder, const char* name);

// Appends value in decimal. On overflow dst is left unchanged and the result
// is false.
bool AppendDecimal(char* dst, size_t size, unsigned value);

// The length of text, or size when its first size bytes hold no terminator.
// (Not strnlen: the runtime library's copy brings unwind tables along, a
// section of its own in setup.exe.)
size_t BoundedLength(const char* text, size_t size);

// The letters A to Z lower-cased; every other byte stays as it is.
inline char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether text, of which at most length characters may be read, begins with
// prefix.
template <typename C>
inline bool StartsWith(const C* text, size_t length, const C* prefix) {
  for (size_t i = 0; prefix[i]; ++i) {
    if (i == length || text[i] != prefix[i]) return false;
  }
  return true;
}

// The same for UTF-16 texts, which the self-extractor keeps its folder in.
bool CopyText(wchar_t* dst, size_t size, const wchar_t* src);
bool AppendText(wchar_t* dst, size_t size, const wchar_t* tail);
bool AppendDecimal(wchar_t* dst, size_t size, unsigned value);
// Appends a plain ASCII text (an archive's file name) to a UTF-16 one.
bool AppendAsciiText(wchar_t* dst, size_t size, const char* tail);

template <typename C, size_t N>
inline bool CopyText(C (&dst)[N], const C* src) {
  return CopyText(dst, N, src);
}
template <typename C, size_t N>
inline bool AppendText(C (&dst)[N], const C* tail) {
  return AppendText(dst, N, tail);
}
template <typename C, size_t N>
inline bool AppendDecimal(C (&dst)[N], unsigned value) {
  return AppendDecimal(dst, N, value);
}
template <size_t N>
inline bool AppendAsciiText(wchar_t (&dst)[N], const char* tail) {
  return AppendAsciiText(dst, N, tail);
}
template <size_t N>
inline bool JoinPath(char (&dst)[N], const char* folder, const char* name) {
  return JoinPath(dst, N, folder, name);
}
