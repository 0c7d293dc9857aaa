#include "common/text.h"

#include <string.h>

bool CopyText(char* dst, size_t size, const char* src) {
  if (size == 0) return false;
  size_t length = strlen(src);
  if (length >= size) {
    dst[0] = '\0';
    return false;
  }
  memmove(dst, src, length + 1);
  return true;
}

bool AppendText(char* dst, size_t size, const char* tail) {
  size_t used = BoundedLength(dst, size);
  if (used == size) return false;  // no terminator: nothing safe to append to
  size_t length = strlen(tail);
  if (length >= size - used) return false;
  memmove(dst + used, tail, length + 1);
  return true;
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

size_t BoundedLength(const char* text, size_t size) {
  const void* end = memchr(text, '\0', size);
  return end ? static_cast<size_t>(static_cast<const char*>(end) - text) : size;
}

void LowerAsciiLetters(char* text) {
  for (; *text; ++text) {
    if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
  }
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
