// The self-extractor's own file, mapped: it reads its file, and the archive
// appended to it, through views of bounded size, so that an archive of any
// size the format allows fits the 32-bit program's address space.
#pragma once

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#include "tools/sfx/zip_reader.h"

struct MappedFile {
  HANDLE file;
  HANDLE mapping;
  size_t size;
};

// Opened sharing reading only: while it is mapped nobody can write, rename
// or delete the file.
bool MapFile(const wchar_t* path, MappedFile* mapped);
void UnmapFile(MappedFile* mapped);

// The views' sizes: one for the directory, read whole (an archive whose
// directory is larger is refused before anything is written), and one for
// each reader of local headers and data, which reads a slice at a time.
const size_t kDirectoryView = 32 << 20;
const size_t kReaderView = 4 << 20;

// One view of a mapped file, at most most bytes, moved to wherever a read
// asks. Each reader, on each thread, has its own.
struct FileWindow {
  const MappedFile* mapped;
  size_t most;
  const uint8_t* view;
  size_t start;   // where the view starts in the file
  size_t length;  // how much of the file it shows
};

void OpenFileWindow(const MappedFile& mapped, size_t most, FileWindow* window);
void CloseFileWindow(FileWindow* window);
// The window as the archive reader's source.
ZipSource WindowSource(FileWindow* window);
