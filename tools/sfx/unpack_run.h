// One unpack on its way, as its steps share it: what it reports to its
// observer, the outcome it fills in, the clock of its waits for files that
// another program holds for a moment, and each entry's slot.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "common/passing_hold.h"
#include "tools/sfx/unpack.h"
#include "tools/sfx/unpack_journal.h"

struct Run {
  const UnpackObserver* observer;
  UnpackOutcome* outcome;
  HoldClock clock;
  UnpackProgress progress;
  HANDLE journal;  // the journal, open from its plan until the work folder goes
  SRWLOCK lock;    // the progress and the outcome, while workers stage entries
};

// One entry on its way into the folder: its move as the journal records it
// (its name, its slot, and whether an earlier file of its name is set aside).
struct Slot {
  JournalRecord move;
  uint32_t size;  // its unpacked bytes
  size_t record;  // where its directory record lies in the archive
  HANDLE staged;  // the staged file while it is held open until placed, else null
};

// Closes the staged files that are still open.
void CloseStagedFiles(Slot* slots, uint32_t count);

// Starts a run with an empty outcome; a null observer observes nothing.
void StartRun(Run* run, const UnpackObserver* observer, UnpackOutcome* outcome);

// Any thread may report: the observer is told one report at a time.
void Report(Run& run);
// The file now concerned, and that it is done with when moved is non-zero.
void Advance(Run& run, const char* name, ULONGLONG moved);
// That name is held by another program and waited for.
void ReportWaitingFor(Run& run, const char* name);
bool Cancelled(const Run& run);

// Records why the unpack fails, and the entry concerned when name is given;
// returns false for the failing step to return.
bool Fail(UnpackOutcome* outcome, UnpackResult result, const char* name, DWORD error);
