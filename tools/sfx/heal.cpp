#include "tools/sfx/heal.h"

#include "common/text.h"
#include "tools/sfx/file_calls.h"
#include "tools/sfx/journal_file.h"
#include "tools/sfx/placing.h"
#include "tools/sfx/work_folder.h"

namespace {

// A folder that cannot be listed counts as having them.
bool HasSetAsideFiles(const wchar_t* work) {
  bool found = false;
  bool listed = ForEachEntry(work, [&](const WIN32_FIND_DATAW& entry, const wchar_t*) {
    found = found || (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                      IsWorkFileName(entry.cFileName, kSetAsideFile));
    return true;
  });
  return found || !listed;
}

// Undoes every move of the journal's plan; false when one could not be.
bool UndoPlan(const wchar_t* folder, const wchar_t* work, const uint8_t* journal, DWORD size,
              bool* changed, char* badName, const HoldClock& clock) {
  bool undone = true;
  JournalRecord move;
  size_t cursor = 0;
  while (JournalNextRecord(journal, size, &cursor, &move)) {
    UndoResult result = UndoMove(folder, work, move, clock);
    *changed = *changed || result != kUndoNothing;
    if (result == kUndoFailed) {
      undone = false;
      CopyText(badName, kZipMaxName + 1, move.name);
    }
  }
  return undone;
}

}  // namespace

HealResult HealInterruptedUnpack(const wchar_t* folder, char* badName, const HoldClock& clock) {
  badName[0] = '\0';
  WorkFolder work;
  if (!WorkFolderPath(&work, folder)) return kHealFailed;
  FolderState found = PinWorkFolder(&work, clock);
  if (found == kFolderMissing) return kHealNothing;
  if (found == kFolderForeign) return kHealForeign;
  DWORD size = 0;
  uint8_t* journal = ReadJournal(work.path, &size);
  JournalState state = journal ? JournalCheck(journal, size) : kJournalUnreadable;
  bool changed = false, undone = true;
  if (state == kJournalPlanned) {
    undone = UndoPlan(folder, work.path, journal, size, &changed, badName, clock);
  } else if (state == kJournalUnreadable && HasSetAsideFiles(work.path)) {
    // Set-aside files are only made after the whole plan is flushed: a
    // journal that cannot say where they belong is not ours to act on.
    undone = false;
  }
  if (journal) HeapFree(GetProcessHeap(), 0, journal);
  if (!undone) {
    UnpinWorkFolder(&work);
    return kHealFailed;
  }
  if (!ClearWorkFolder(&work, clock)) return kHealFailed;
  return changed ? kHealDone : kHealNothing;
}
