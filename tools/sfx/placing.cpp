#include "tools/sfx/placing.h"

#include <string.h>

#include "common/make_folder.h"
#include "common/text.h"
#include "tools/sfx/cut_point.h"
#include "tools/sfx/file_calls.h"
#include "tools/sfx/journal_file.h"
#include "tools/sfx/work_folder.h"

namespace {

// Gives the staged file its name: through its handle while it is held open,
// which stays open until FlushPlaced.
DWORD PlaceStaged(const Slot& slot, const wchar_t* staged, const wchar_t* target,
                  const HoldClock& clock) {
  // A program that reads every new file may hold a closed staged file still.
  if (!slot.staged) return DurableMoveWaiting(staged, target, 0, staged, clock);
  return RenameOpenFileWaiting(slot.staged, staged, target, clock);
}

// Flushes and closes the files renamed through their handles, so that each
// new name is on the disk, as a written-through move's would be, before the
// end of placing is recorded. Flushed after all the renames, which the file
// system can then write in one go. 0, or the first error.
DWORD FlushPlaced(Slot* slots, uint32_t count) {
  DWORD error = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (!slots[i].staged) continue;
    if (!FlushFileBuffers(slots[i].staged) && !error) error = GetLastError();
    CloseHandle(slots[i].staged);
    slots[i].staged = nullptr;
  }
  return error;
}

// Sets the earlier file of the slot's name aside when the plan has one, then
// gives the staged file that name. A name planned as new that something
// took meanwhile is left alone, and fails the unpack: the plan is what the
// next run undoes after a cut, and it would delete that file.
bool PlaceSlot(Run& run, const Slot& slot, const wchar_t* folder, const wchar_t* work) {
  const JournalRecord& move = slot.move;
  wchar_t target[kLongPath], staged[kLongPath], aside[kLongPath];
  PathInFolder(target, folder, move.name);
  WorkFilePath(staged, work, kNewFile, move.slot);
  WorkFilePath(aside, work, kSetAsideFile, move.slot);
  Advance(run, move.name, 0);
  if (move.aside) {
    // Fails for good while another program keeps the file open without
    // sharing; a program that reads it for a moment is waited for.
    if (DWORD error = DurableMoveWaiting(target, aside, 0, target, run.clock)) {
      return Fail(run.outcome, kUnpackCannotPlace, move.name, error);
    }
    PassCutPoint(kCutAside);
  }
  if (DWORD error = PlaceStaged(slot, staged, target, run.clock)) {
    return Fail(run.outcome, kUnpackCannotPlace, move.name, error);
  }
  Advance(run, move.name, ULONGLONG(slot.size) + 1);
  PassCutPoint(kCutPlaced);
  return true;
}

void NoteNotUndone(UnpackOutcome* outcome, const char* name) {
  char* list = outcome->notUndone;
  size_t size = sizeof outcome->notUndone;
  size_t used = strlen(list);
  if ((used && !AppendText(list, size, ", ")) || !AppendText(list, size, name)) {
    list[used] = '\0';
    // A list too long to show ends in one word.
    if (!strstr(list, "...")) AppendText(list, size, used ? ", ..." : "...");
  }
}

}  // namespace

bool PlanMoves(Run& run, const wchar_t* folder, Slot* slots, uint32_t count) {
  wchar_t target[kLongPath];
  for (uint32_t i = 0; i < count; ++i) {
    PathInFolder(target, folder, slots[i].move.name);
    DWORD attributes = GetFileAttributesW(target);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
      return Fail(run.outcome, kUnpackCannotPlace, slots[i].move.name, ERROR_ACCESS_DENIED);
    }
    slots[i].move.aside = attributes != INVALID_FILE_ATTRIBUTES;
  }
  return true;
}

bool PlaceAll(Run& run, const wchar_t* folder, const wchar_t* work, Slot* slots, uint32_t count) {
  uint32_t placed = 0;
  while (placed < count && PlaceSlot(run, slots[placed], folder, work)) ++placed;
  if (placed == count) {
    DWORD error = FlushPlaced(slots, count);
    if (!error && RecordPlaced(run)) {
      PassCutPoint(kCutRecorded);
      run.outcome->files = placed;
      return true;
    }
    // Unrecorded, the set-aside files must not be given up: undone instead.
    Fail(run.outcome, kUnpackCannotWrite, nullptr, error ? error : GetLastError());
    --placed;
  }
  // An undo may have to delete a placed file: none stays open.
  CloseStagedFiles(slots, count);
  // The slot that failed may be half placed: undone with the others.
  for (uint32_t i = placed + 1; i-- > 0;) {
    if (UndoMove(folder, work, slots[i].move, run.clock) == kUndoFailed) {
      NoteNotUndone(run.outcome, slots[i].move.name);
    }
  }
  return false;
}

UndoResult UndoMove(const wchar_t* folder, const wchar_t* work, const JournalRecord& move,
                    const HoldClock& clock) {
  wchar_t target[kLongPath], moved[kLongPath];
  if (!PathInFolder(target, folder, move.name) ||
      !WorkFilePath(moved, work, move.aside ? kSetAsideFile : kNewFile, move.slot)) {
    return kUndoFailed;
  }
  if (move.aside) {
    // Still under its own name unless it was set aside.
    if (!PathExists(moved)) return kUndoNothing;
    DWORD error = DurableMoveWaiting(moved, target, MOVEFILE_REPLACE_EXISTING, target, clock);
    return error ? kUndoFailed : kUndoDone;
  }
  // The new file had taken the name once its staged file is gone.
  if (PathExists(moved) || !PathExists(target)) return kUndoNothing;
  return DeleteWaiting(target, clock) ? kUndoFailed : kUndoDone;
}
