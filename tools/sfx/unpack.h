// Unpacks an archive into a folder on Windows. Every entry is checked before
// anything is written, then unpacked into a scratch file in the target folder;
// only when every entry has unpacked with the right size and CRC are the
// scratch files renamed to their real names. A damaged archive therefore
// leaves no file, whole or partial, under any of its names.
#pragma once

#include <windows.h>

#include "tools/sfx/zip_reader.h"

enum UnpackStep {
  kUnpackDone = 0,
  kUnpackNoArchive,    // the program's own file could not be read
  kUnpackBadArchive,   // see UnpackOutcome::zip
  kUnpackNoFolder,     // no folder given, or it cannot be made
  kUnpackPathTooLong,  // folder + name would not fit MAX_PATH
  kUnpackCannotWrite,  // a scratch file could not be made or written
  kUnpackCannotPlace,  // a scratch file could not take its real name
  kUnpackCancelled,
};

struct UnpackOutcome {
  UnpackStep step;
  ZipStatus zip;
  char name[kZipMaxName + 1];  // the entry concerned, when there is one
  DWORD error;                 // GetLastError of the failed call, when there is one
  unsigned files;              // files placed
};

// A read-only view of a whole file.
struct MappedFile {
  HANDLE file;
  HANDLE mapping;
  const uint8_t* data;
  size_t size;
};

bool MapWholeFile(const char* path, MappedFile* mapped);
void UnmapWholeFile(MappedFile* mapped);

// Unpacks every entry of archive into folder (made, with its parents, when
// missing). cancel, when not null, is polled while writing: non-zero stops
// the unpacking as a failure. Returns outcome->step == kUnpackDone.
bool UnpackArchive(const ZipArchive& archive, const char* folder, volatile LONG* cancel,
                   UnpackOutcome* outcome);

// The self-extractor's own file: opens and unpacks it.
bool UnpackFile(const char* archivePath, const char* folder, volatile LONG* cancel,
                UnpackOutcome* outcome);

// A sentence for the user about a failed outcome.
void DescribeFailure(const UnpackOutcome& outcome, char* text, size_t size);
