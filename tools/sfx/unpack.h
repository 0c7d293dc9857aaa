// Unpacks an archive into a folder on Windows, all or nothing, and so that a
// run cut off at any point is undone by the next one. Every entry is checked,
// and the disk's free space with it, before anything is written. A work
// folder in the destination (work_folder.h) then takes every entry unpacked,
// checked and flushed to disk (staging.h); a journal of the moves to come is
// flushed there (journal_file.h); only then are earlier files of the same
// names set aside into it and the new ones renamed into place, every move
// written through (placing.h). If any entry cannot be placed every move is
// undone; after success the set-aside files are deleted and the work folder
// is gone. A run cut off is undone by the next one before it unpacks
// (heal.h). Folder names are UTF-16 throughout, so no code page can split a
// character.
#pragma once

#include <windows.h>

#include "tools/sfx/mapped_file.h"
#include "tools/sfx/zip_reader.h"

enum UnpackResult {
  kUnpackDone = 0,
  kUnpackNoArchive,    // the program's own file could not be read
  kUnpackBadArchive,   // see UnpackOutcome::zip
  kUnpackNoFolder,     // no folder given, or it cannot be made
  kUnpackPathTooLong,  // folder + name would not fit MAX_PATH
  kUnpackNoRoom,       // the unpacked files would not fit the disk's free space
  kUnpackCannotWrite,  // a staged file could not be made or written
  kUnpackCannotPlace,  // a staged file could not take its real name
  kUnpackCancelled,
  kUnpackCannotHeal,         // an earlier, interrupted unpack could not be undone
  kUnpackForeignWorkFolder,  // the work folder's name is a link, a file or the like
};

struct UnpackOutcome {
  UnpackResult result;
  ZipStatus zip;
  wchar_t folder[MAX_PATH];    // the destination, as a full path once resolved
  char name[kZipMaxName + 1];  // the entry concerned, when there is one
  ULONGLONG needed;            // kUnpackNoRoom: bytes the files take
  ULONGLONG available;         // kUnpackNoRoom: bytes free on the disk
  DWORD error;                 // GetLastError of the failed call, when there is one
  unsigned files;              // files placed
  bool healed;                 // an interrupted unpack's moves were undone first
  char notUndone[512];         // after a failure: names whose moves could not be undone
};

// How far an unpack is. Each file counts its bytes and one more, once as it
// is unpacked into the work folder and once as it takes its name, so that
// total is twice the sum of (size + 1) and even an empty file moves done.
struct UnpackProgress {
  ULONGLONG done;
  ULONGLONG total;
  const char* name;  // the file now concerned, or null
  bool waiting;      // another program holds that file: the hold is waited out
};

// What an unpack tells the one who started it, and how it is paced and
// stopped. Any field may be null, and so may the observer itself.
struct UnpackObserver {
  volatile LONG* cancel;              // non-zero stops the unpack as a failure
  void (*sleep)(DWORD milliseconds);  // the pause of a hold's wait; Sleep when null
  void (*progress)(void* context, const UnpackProgress& progress);
  void* context;
};

// The self-extractor's own file, mapped: finds the archive in it and
// unpacks every entry into folder (made, with its parents, when missing),
// after undoing an interrupted unpack found there. A file that another
// program holds for a moment is waited for (common/passing_hold.h). Returns
// outcome->result == kUnpackDone.
bool UnpackMapped(const MappedFile& mapped, const wchar_t* folder, const UnpackObserver* observer,
                  UnpackOutcome* outcome);
