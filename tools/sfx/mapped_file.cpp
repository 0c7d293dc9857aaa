#include "tools/sfx/mapped_file.h"

#include <string.h>

namespace {

// Views start on the system's allocation granularity, 64 KiB everywhere.
const size_t kViewAlignment = 1 << 16;

const uint8_t* ReadWindow(void* context, size_t offset, size_t length) {
  FileWindow& window = *static_cast<FileWindow*>(context);
  const MappedFile& mapped = *window.mapped;
  if (offset > mapped.size || length > mapped.size - offset) return nullptr;
  if (window.view && offset >= window.start && offset - window.start + length <= window.length) {
    return window.view + (offset - window.start);
  }
  size_t start = offset - offset % kViewAlignment;
  size_t needed = offset - start + length;
  if (needed > window.most) return nullptr;
  size_t shown = mapped.size - start < window.most ? mapped.size - start : window.most;
  if (window.view) UnmapViewOfFile(window.view);
  window.view = static_cast<const uint8_t*>(
      MapViewOfFile(mapped.mapping, FILE_MAP_READ, 0, static_cast<DWORD>(start), shown));
  window.start = start;
  window.length = window.view ? shown : 0;
  return window.view ? window.view + (offset - start) : nullptr;
}

}  // namespace

bool MapFile(const wchar_t* path, MappedFile* mapped) {
  memset(mapped, 0, sizeof *mapped);
  mapped->file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (mapped->file == INVALID_HANDLE_VALUE) return false;
  // The archive format's offsets end at 4 GiB, and so do the views'.
  LARGE_INTEGER size;
  if (GetFileSizeEx(mapped->file, &size) && size.QuadPart > 0 && size.HighPart == 0) {
    mapped->mapping = CreateFileMappingW(mapped->file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    mapped->size = size.LowPart;
  }
  if (mapped->mapping) return true;
  UnmapFile(mapped);
  return false;
}

void UnmapFile(MappedFile* mapped) {
  if (mapped->mapping) CloseHandle(mapped->mapping);
  if (mapped->file && mapped->file != INVALID_HANDLE_VALUE) CloseHandle(mapped->file);
  memset(mapped, 0, sizeof *mapped);
}

void OpenFileWindow(const MappedFile& mapped, size_t most, FileWindow* window) {
  memset(window, 0, sizeof *window);
  window->mapped = &mapped;
  window->most = most;
}

void CloseFileWindow(FileWindow* window) {
  if (window->view) UnmapViewOfFile(window->view);
  window->view = nullptr;
  window->length = 0;
}

ZipSource WindowSource(FileWindow* window) {
  return {ReadWindow, window};
}
