#include "setup/command_line.h"

#include <string.h>

#include "common/text.h"

void ToShortPath(char (&path)[MAX_PATH]) {
  // A separate buffer: the call is not promised to work in place, and a
  // failed call must not leave half a path behind.
  char shortPath[MAX_PATH];
  DWORD length = GetShortPathNameA(path, shortPath, MAX_PATH);
  if (length && length < MAX_PATH) CopyText(path, shortPath);
}

bool AppendProgramPath(char* command, size_t size, const char* path) {
  if (!strchr(path, ' ')) return AppendText(command, size, path);
  size_t used = BoundedLength(command, size);
  if (used == size || strlen(path) + 2 >= size - used) return false;
  AppendText(command, size, "\"");
  AppendText(command, size, path);
  AppendText(command, size, "\"");
  return true;
}
