// Unpacks an archive into a folder on Windows, all or nothing. Every entry is
// checked, and the disk's free space with it, before anything is written;
// then each entry is unpacked into a scratch file in the target folder. Only
// when every entry has unpacked with the right size and CRC are the files
// put in place: an earlier file of the same name is first set aside under a
// scratch name, and if any entry cannot be placed every set-aside file takes
// its name back. The folder is then exactly as it was, and no scratch file
// stays behind.
#pragma once

#include <windows.h>

#include "tools/sfx/zip_reader.h"

enum UnpackStep {
  kUnpackDone = 0,
  kUnpackNoArchive,    // the program's own file could not be read
  kUnpackBadArchive,   // see UnpackOutcome::zip
  kUnpackNoFolder,     // no folder given, or it cannot be made
  kUnpackPathTooLong,  // folder + name would not fit MAX_PATH
  kUnpackNoRoom,       // the unpacked files would not fit the disk's free space
  kUnpackCannotWrite,  // a scratch file could not be made or written
  kUnpackCannotPlace,  // a scratch file could not take its real name
  kUnpackCancelled,
};

struct UnpackOutcome {
  UnpackStep step;
  ZipStatus zip;
  char folder[MAX_PATH];       // the destination, as a full path once resolved
  char name[kZipMaxName + 1];  // the entry concerned, when there is one
  ULONGLONG needed;            // kUnpackNoRoom: bytes the files take
  ULONGLONG available;         // kUnpackNoRoom: bytes free on the disk
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

// What happened, for the user: "Nothing was changed in FOLDER: " and the
// reason, then the file concerned. Empty when it does not fit size.
void DescribeFailure(const UnpackOutcome& outcome, char* text, size_t size);
