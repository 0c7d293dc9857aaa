// Placing and its undoing, side by side. The plan says which names have an
// earlier file; placing sets each such file aside in the work folder as
// o<slot> and renames the staged n<slot> into its place (through the staged
// file's handle while it is held open), every move on the disk before the
// end of placing is recorded. One undo serves a run that
// fails while placing and the next run after one that was cut off: it reads what the move had done
// from the files themselves, so it needs only the move as the journal records it.
#pragma once

#include <stdint.h>

#include "common/passing_hold.h"
#include "tools/sfx/unpack_journal.h"
#include "tools/sfx/unpack_run.h"

// Decides for each slot whether an earlier file of its name is to be set
// aside. A folder of an entry's name, or a file its owner protected, is not
// ours to replace: refused before anything is moved.
bool PlanMoves(Run& run, const wchar_t* folder, Slot* slots, uint32_t count);

// Places every slot as planned. If one cannot be placed, every move is
// undone and the names whose moves could not be are listed in the outcome.
bool PlaceAll(Run& run, const wchar_t* folder, const wchar_t* work, Slot* slots, uint32_t count);

enum UndoResult {
  kUndoNothing,  // the move had not happened
  kUndoDone,     // the name has again what it had before
  kUndoFailed,
};

// Undoes one move in the long-form folder: the set-aside earlier file takes
// its name back, or the new file goes when there was no earlier one.
UndoResult UndoMove(const wchar_t* folder, const wchar_t* work, const JournalRecord& move,
                    const HoldClock& clock);
