// A read-only view of a whole file: the self-extractor reads its own file,
// and the archive appended to it, through one.
#pragma once

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

struct MappedFile {
  HANDLE file;
  HANDLE mapping;
  const uint8_t* data;
  size_t size;
};

// Opened sharing reading only: while it is mapped nobody can write, rename
// or delete the file.
bool MapWholeFile(const wchar_t* path, MappedFile* mapped);
void UnmapWholeFile(MappedFile* mapped);
