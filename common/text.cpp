#include "common/text.h"

#include <string.h>

namespace {

// One body for the 8-bit texts of both programs and the self-extractor's
// UTF-16 ones.
template <typename C>
size_t TextLength(const C* text) {
  size_t length = 0;
  while (text[length]) ++length;
  return length;
}

// Length of the text in dst, or size when dst holds no terminator.
template <typename C>
size_t UsedLength(const C* dst, size_t size) {
  size_t used = 0;
  while (used < size && dst[used]) ++used;
  return used;
}

template <typename C>
bool CopyTextOf(C* dst, size_t size, const C* src) {
  if (size == 0) return false;
  size_t length = TextLength(src);
  if (length >= size) {
    dst[0] = 0;
    return false;
  }
  memmove(dst, src, (length + 1) * sizeof(C));
  return true;
}

template <typename C>
bool AppendTextOf(C* dst, size_t size, const C* tail) {
  size_t used = UsedLength(dst, size);
  if (used == size) return false;  // no terminator: nothing safe to append to
  size_t length = TextLength(tail);
  if (length >= size - used) return false;
  memmove(dst + used, tail, (length + 1) * sizeof(C));
  return true;
}

}  // namespace

bool CopyText(char* dst, size_t size, const char* src) {
  return CopyTextOf(dst, size, src);
}
bool CopyText(wchar_t* dst, size_t size, const wchar_t* src) {
  return CopyTextOf(dst, size, src);
}
bool AppendText(char* dst, size_t size, const char* tail) {
  return AppendTextOf(dst, size, tail);
}
bool AppendText(wchar_t* dst, size_t size, const wchar_t* tail) {
  return AppendTextOf(dst, size, tail);
}
size_t BoundedLength(const char* text, size_t size) {
  return UsedLength(text, size);
}

bool JoinPath(char* dst, size_t size, const char* folder, const char* name) {
  if (size == 0) return false;
  size_t folderLength = strlen(folder);
  size_t nameLength = strlen(name);
  if (folderLength + nameLength >= size) {
    dst[0] = '\0';
    return false;
  }
  memmove(dst, folder, folderLength);
  memmove(dst + folderLength, name, nameLength + 1);
  return true;
}

bool AppendDecimal(char* dst, size_t size, unsigned value) {
  char digits[12];
  char* p = digits + sizeof digits - 1;
  *p = '\0';
  do {
    *--p = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value);
  return AppendText(dst, size, p);
}

bool AppendAsciiText(wchar_t* dst, size_t size, const char* tail) {
  size_t used = UsedLength(dst, size);
  size_t length = strlen(tail);
  if (used == size || length >= size - used) return false;
  for (size_t i = 0; i <= length; ++i) dst[used + i] = static_cast<unsigned char>(tail[i]);
  return true;
}

bool AppendDecimal(wchar_t* dst, size_t size, unsigned value) {
  char digits[12] = "";
  return AppendDecimal(digits, sizeof digits, value) && AppendAsciiText(dst, size, digits);
}
