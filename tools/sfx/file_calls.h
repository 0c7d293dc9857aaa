// The file calls the extractor's steps share, so that the steps say what
// happens and the Win32 detail lies here: long-form paths, deletions and
// moves that wait out a passing hold, the free space of a disk, the
// destination's folders, and walking a folder's entries. Paths in the long
// form ("\\?\C:\...") let the work folder's files reach past MAX_PATH behind
// a destination that itself fits.
#pragma once

#include <windows.h>

#include "common/passing_hold.h"
#include "common/text.h"

// Room for a long-form destination, the work folder and a file in it.
const size_t kLongPath = MAX_PATH + 40;

// The long form of a full path: "\\?\C:\x" or "\\?\UNC\server\share\x".
bool LongPath(wchar_t* path, size_t size, const wchar_t* full);

// folder + "\" + name (name ASCII) into kLongPath characters, folder being
// long-form, a drive root ending in its backslash or a folder without one.
bool PathInFolder(wchar_t* path, const wchar_t* folder, const char* name);

// A deletion, and a move written through to the disk, once any passing hold
// on the file concerned is over: for a move, held names the file that
// another program may hold (the one moved, or the one it replaces). 0 on
// success, else the error.
DWORD DeleteWaiting(const wchar_t* path, const HoldClock& clock);
DWORD DurableMoveWaiting(const wchar_t* from, const wchar_t* to, DWORD flags, const wchar_t* held,
                         const HoldClock& clock);
// A move of a file we hold open (with DELETE access) under the name held,
// through its handle, to to, which must be free. Not written through: the
// caller flushes the file.
DWORD RenameOpenFileWaiting(HANDLE file, const wchar_t* held, const wchar_t* to,
                            const HoldClock& clock);
// Deletes a file we hold open (with DELETE access), shared with nobody,
// through its handle, and closes the handle. 0 on success, else the error.
DWORD DeleteAndClose(HANDLE file);

// Free bytes for this user on the disk of folder, which may not exist yet:
// asked of its nearest existing parent.
bool FreeSpace(const wchar_t* folder, ULONGLONG* available);

// The destination with any missing parent; true when it is a folder now.
// made receives the length of the outermost folder this call made (0:
// none), so that a failure can remove what it made.
bool MakeDestination(wchar_t* folder, size_t* made);

// Removes the folders that MakeDestination made, deepest first; only empty
// ones go, so nothing of anyone else's can.
void RemoveMadeFolders(const wchar_t* folder, size_t made);

// Calls visit(context, found, path) for each entry of folder but "." and
// "..". True when the folder could be listed (or is empty) and every visit
// returned true.
typedef bool (*EntryVisit)(void* context, const WIN32_FIND_DATAW& found, const wchar_t* path);
bool ForEachEntry(const wchar_t* folder, EntryVisit visit, void* context);

// The same for a lambda: ForEachEntry(folder, [&](found, path) { return ...; }).
template <typename Visit>
bool ForEachEntry(const wchar_t* folder, Visit visit) {
  return ForEachEntry(
      folder,
      [](void* context, const WIN32_FIND_DATAW& found, const wchar_t* path) {
        return (*static_cast<Visit*>(context))(found, path);
      },
      &visit);
}
