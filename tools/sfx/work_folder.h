// The one place of an unpack in progress: a work folder of a fixed name
// inside the destination (so that every move is a rename on one volume),
// holding the unpacked scratch files n<SLOT>, the set-aside earlier files
// o<SLOT> and the journal (unpack_journal.h). No product file can have its
// name: archive names holding "~" and a digit in their stem are refused.
// The name is the extractor's alone. Other users may be able to write in the
// destination, so what stands under it is checked without being followed,
// and only a plain folder is worked in, held open meanwhile so that it cannot
// be renamed or replaced by a link to somewhere else; anything else found in
// it is removed with it.
// Paths here are in the long form ("\\?\C:\..."), so that the work folder's
// files may reach past MAX_PATH behind a destination that itself fits.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "common/passing_hold.h"

// Room for a long-form destination, the work folder and a file in it.
const size_t kLongPath = MAX_PATH + 40;

// The destination's length may be at most MAX_PATH - kWorkFolderRoom, so
// that "FOLDER\qbar-work~00" is a plain path too.
const size_t kWorkFolderRoom = 14;

// The long form of a full path: "\\?\C:\x" or "\\?\UNC\server\share\x".
bool LongPath(wchar_t* path, size_t size, const wchar_t* full);

// folder + "\" + name (name ASCII), folder being long-form, a drive root
// ending in its backslash or a folder without one.
bool PathInFolder(wchar_t* path, const wchar_t* folder, const char* name);

// The work folder of a long-form destination, and its handle while held.
struct WorkFolder {
  wchar_t path[kLongPath];
  HANDLE held;  // null when not held
};
bool WorkFolderPath(WorkFolder* work, const wchar_t* folder);

enum FolderState {
  kFolderMissing,
  kFolderHeld,     // a plain folder, now held
  kFolderForeign,  // a link, a file or anything else: not to be touched
};

// Looks at what stands under the work folder's name without following it,
// and holds a plain folder open, not shared for deletion, until
// ReleaseWorkFolder.
FolderState HoldWorkFolder(WorkFolder* work, const HoldClock& clock);
void ReleaseWorkFolder(WorkFolder* work);

// work + "\" + kind + slot: "n12", "o12".
bool WorkFilePath(wchar_t* path, const wchar_t* work, char kind, uint32_t slot);
bool JournalPath(wchar_t* path, const wchar_t* work);

// A deletion, and a move written through to the disk, once any passing hold
// on the file concerned is over: for a move, held names the file that
// another program may hold (the one moved, or the one it replaces). 0 on
// success, else the error.
DWORD DeleteWaiting(const wchar_t* path, const HoldClock& clock);
DWORD DurableMoveWaiting(const wchar_t* from, const wchar_t* to, DWORD flags, const wchar_t* held,
                         const HoldClock& clock);

// Empties, releases and removes the held work folder: the journal last, so
// that a cut in the middle leaves it readable. Whatever else lies in it goes
// too; a link is removed itself and never entered. A set-aside file that
// cannot be deleted (a program of the product still runs from it) is renamed
// to gone-* in the work folder and deleted at the next restart, the work
// folder with it. True when nothing but such files is left. A file or the
// folder that another program holds for a moment is waited for on clock.
bool ClearWorkFolder(WorkFolder* work, const HoldClock& clock);

enum HealResult {
  kHealNothing,  // no product file needed to change (none moved, or placing had ended)
  kHealDone,     // files of an interrupted unpack were put back
  kHealFailed,   // a file could not be put back: see badName
  kHealForeign,  // the work folder's name holds something not to be touched
};

// Before an unpack: undoes an interrupted one in the long-form destination
// folder, so that its files are as they were before that run (or as that
// run left them when its placing had ended), then clears the work folder.
// A journal that cannot be read while set-aside files exist means that
// nothing is touched, and so does anything but a plain folder under the work
// folder's name. badName (kZipMaxName + 1) names the file concerned.
HealResult HealInterruptedUnpack(const wchar_t* folder, char* badName, const HoldClock& clock);
