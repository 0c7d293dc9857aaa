#include "tools/sfx/mapped_file.h"

#include <string.h>

bool MapWholeFile(const wchar_t* path, MappedFile* mapped) {
  memset(mapped, 0, sizeof *mapped);
  mapped->file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (mapped->file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  if (GetFileSizeEx(mapped->file, &size) && size.QuadPart > 0 &&
      static_cast<unsigned long long>(size.QuadPart) < (static_cast<size_t>(-1) >> 1)) {
    mapped->mapping = CreateFileMappingW(mapped->file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapped->mapping) {
      mapped->data =
          static_cast<const uint8_t*>(MapViewOfFile(mapped->mapping, FILE_MAP_READ, 0, 0, 0));
      mapped->size = static_cast<size_t>(size.QuadPart);
    }
  }
  if (mapped->data) return true;
  UnmapWholeFile(mapped);
  return false;
}

void UnmapWholeFile(MappedFile* mapped) {
  if (mapped->data) UnmapViewOfFile(mapped->data);
  if (mapped->mapping) CloseHandle(mapped->mapping);
  if (mapped->file && mapped->file != INVALID_HANDLE_VALUE) CloseHandle(mapped->file);
  memset(mapped, 0, sizeof *mapped);
}
