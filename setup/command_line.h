// Paths as they go into the command lines and registry texts the setup
// program writes for other programs to run.
#pragma once

#include <windows.h>

#include <stddef.h>

// Replaces path by its short (8.3) form when there is one that fits; a path
// without one (a missing file, a volume without short names) stays as it is.
void ToShortPath(char (&path)[MAX_PATH]);

// Appends a program's path to a command line, in double quotes when it holds
// a blank, so that its first word is not taken for the program. On overflow
// command is left unchanged and the result is false.
bool AppendProgramPath(char* command, size_t size, const char* path);

template <size_t N>
inline bool AppendProgramPath(char (&command)[N], const char* path) {
  return AppendProgramPath(command, N, path);
}
