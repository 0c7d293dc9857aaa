// The extractor copy: the payload archive copied to a program name of its own
// ("qbar!ins.exe"), made new by setup and pinned open, sharing reading only,
// until the extractor has unpacked it. It is made beside the archive; when
// that folder cannot be written (a read-only share, a disc, a mounted image),
// in a new folder of setup's own under the user's temporary folder.
#pragma once

#include <windows.h>

// The copy's name, appended to the folder it is made in.
const char kExtractorCopyName[] = "\\qbar!ins.exe";

struct PinnedCopy {
  HANDLE file;    // INVALID_HANDLE_VALUE when no copy could be made
  HANDLE folder;  // the temporary folder's pin, or INVALID_HANDLE_VALUE
};

// Copies payloadArchivePath to extractorCopyPath, or when its folder refuses
// the copy, to a new temporary folder (then extractorCopyPath names the copy
// there and extractorCopyFolder its folder). A copy refused by a passing
// hold is tried once more a second later.
PinnedCopy MakePinnedExtractorCopy();

// Lets go of the copy and its folder.
void UnpinCopy(const PinnedCopy& copy);

// The end of the run: the copy goes, and with it the folder made for it.
void DeleteExtractorCopy();
