// The one place of an unpack in progress: a work folder of a fixed name
// inside the destination (so that every move is a rename on one volume),
// with the staged new files n<SLOT>, the set-aside earlier files o<SLOT>
// and the journal (journal_file.h). No product file can have its name:
// archive names with "~" and a digit in their stem are refused.
// The name is the extractor's alone. Other users may be able to write in the
// destination, so what stands under it is checked without being followed,
// and only a plain folder is worked in, pinned open meanwhile so that it
// cannot be renamed or replaced by a link to somewhere else; anything else
// found in it is removed with it.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "common/passing_hold.h"
#include "tools/sfx/file_calls.h"

// The destination's length may be at most MAX_PATH - kWorkFolderRoom, so
// that "FOLDER\qbar-work~00" is a plain path too.
const size_t kWorkFolderRoom = 14;

// The kinds of file a slot has in the work folder, the first letter of its
// name.
const char kNewFile = 'n';       // the entry, staged
const char kSetAsideFile = 'o';  // the earlier file of the entry's name

// The work folder of a long-form destination, and our handle on it while
// it is pinned.
struct WorkFolder {
  wchar_t path[kLongPath];
  HANDLE pin;  // null when not pinned
};
bool WorkFolderPath(WorkFolder* work, const wchar_t* folder);

enum FolderState {
  kFolderMissing,
  kFolderPinned,   // a plain folder, now pinned
  kFolderForeign,  // a link, a file or anything else: not to be touched
};

// Looks at what stands under the work folder's name without following it,
// and pins a plain folder open, not shared for deletion, until
// UnpinWorkFolder.
FolderState PinWorkFolder(WorkFolder* work, const HoldClock& clock);
void UnpinWorkFolder(WorkFolder* work);

// work + "\" + kind + slot: "n12", "o12".
bool WorkFilePath(wchar_t* path, const wchar_t* work, char kind, uint32_t slot);
// Whether name is spelt as WorkFilePath spells a file of that kind.
bool IsWorkFileName(const wchar_t* name, char kind);

// Empties, unpins and removes the pinned work folder: the journal last, so
// that a cut in the middle leaves it readable. Whatever else lies in it goes
// too; a link is removed itself and never entered. A set-aside file that
// cannot be deleted (a program of the product still runs from it) is renamed
// to gone-* in the work folder and deleted at the next restart, the work
// folder with it. True when nothing but such files is left. A file or the
// folder that another program holds for a moment is waited for on clock.
// A journal the run holds open (journal, else INVALID_HANDLE_VALUE) is
// deleted through its handle, which is closed.
bool ClearWorkFolder(WorkFolder* work, const HoldClock& clock,
                     HANDLE journal = INVALID_HANDLE_VALUE);
