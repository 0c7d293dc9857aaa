// The journal of an unpack in progress: what the extractor is about to move
// where, written in its work folder and flushed before the first earlier file
// is set aside, so that a run cut off by a power cut or a crash can be undone
// by the next one. Portable (no Windows headers), so that its reader is also
// built natively with sanitizers and fuzzed.
//
// Plain ASCII text, one record a line ending in "\n":
//   quillbar unpack journal 1   the first line
//   aside SLOT NAME             NAME's earlier file goes to the work folder as
//                               o<SLOT>, then n<SLOT> takes the name NAME
//   new SLOT NAME               there is no earlier file: n<SLOT> takes the name
//   planned                     the plan is whole; nothing was moved before it
//   placed                      every new file has its name: nothing is undone,
//                               the set-aside files only wait to be deleted
// Slots rise from line to line and names are plain file names (zip_check.h),
// no two alike ignoring letter case.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "tools/sfx/zip_reader.h"

enum JournalState {
  kJournalUnreadable = 0,  // torn before "planned", damaged, or not a journal
  kJournalPlanned,         // moves may have begun: undo them
  kJournalPlaced,          // placing ended: the new files stay
};

struct JournalRecord {
  bool aside;  // an earlier file was there
  uint32_t slot;
  char name[kZipMaxName + 1];
};

// Room a plan of count entries may take, with its first and last lines.
size_t JournalPlanSize(uint32_t count);

// The most records a journal holds: more than any archive the reader opens
// has entries (kZipMaxEntries). A larger journal, or one of more bytes than
// the largest such plan and its end take, was not written by an unpack: it
// is unreadable, and is read no further than that.
const uint32_t kJournalMaxRecords = 65535;
extern const size_t kJournalMaxSize;

// Appends to text (size bytes): the first line, one plan record, the plan's
// end, the placing's end. False, with text unchanged, when it does not fit.
bool JournalAppendStart(char* text, size_t size);
bool JournalAppendRecord(char* text, size_t size, const JournalRecord& record);
bool JournalAppendPlanned(char* text, size_t size);
extern const char kJournalPlacedLine[];

// Checks the whole journal, in time that grows as n log n with its records.
// After a whole plan, exactly "placed\n" means that placing ended; anything
// else that follows (nothing, a part of it, zeros or other bytes that a cut
// write left) that it had not.
JournalState JournalCheck(const uint8_t* data, size_t size);

// Reads the plan record at *cursor (start at 0) of a journal that
// JournalCheck accepted; false once the plan's end is reached.
bool JournalNextRecord(const uint8_t* data, size_t size, size_t* cursor, JournalRecord* record);
