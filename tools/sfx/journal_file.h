// The journal as a file in the work folder, written and read: its plan is
// written and flushed before the first earlier file is set aside, and stays
// open, shared with nobody, until the work folder goes, or the run ends with
// moves it could not undo; the next run reads it before it does anything
// else (heal.h). Its
// text is unpack_journal.h's.
#pragma once

#include <windows.h>

#include <stdint.h>

#include "tools/sfx/unpack_run.h"

extern const wchar_t kJournalName[];

bool JournalPath(wchar_t* path, const wchar_t* work);

// Writes the plan of the slots' moves to a new journal in work, flushed, and
// keeps it open in run.journal.
bool WriteJournalPlan(Run& run, const wchar_t* work, const Slot* slots, uint32_t count);

// Appends and flushes the end of placing: every new file has its name.
bool RecordPlaced(Run& run);

// Reads the whole journal into a heap block (HeapFree'd by the caller); null
// when there is none, it cannot be read, or it is no plain file of at most
// the largest size a journal has.
uint8_t* ReadJournal(const wchar_t* work, DWORD* size);
