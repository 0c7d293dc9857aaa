// The unpack as its steps, in the order they run. Each step says why it
// failed in the outcome and returns false; the file calls are below them.
#include "tools/sfx/unpack.h"

#include <string.h>

#include "common/pe_signing.h"
#include "common/text.h"
#include "tools/sfx/cut_point.h"
#include "tools/sfx/file_calls.h"
#include "tools/sfx/heal.h"
#include "tools/sfx/journal_file.h"
#include "tools/sfx/pe_overlay.h"
#include "tools/sfx/placing.h"
#include "tools/sfx/staging.h"
#include "tools/sfx/unpack_run.h"
#include "tools/sfx/work_folder.h"
#include "tools/sfx/zip_check.h"

namespace {

// Where the files go: the folder for the folder calls, its long form for
// the files, its work folder, and how much of the folder this run made.
struct Destination {
  wchar_t folder[MAX_PATH];
  wchar_t longFolder[kLongPath];
  WorkFolder work;
  size_t made;
};

bool CheckArchive(Run& run, const ZipArchive& archive) {
  run.outcome->zip = ZipCheckAll(archive, run.outcome->name);
  return run.outcome->zip == kZipOk || Fail(run.outcome, kUnpackBadArchive, nullptr, 0);
}

// A typed folder may be relative or end in a backslash; a drive root keeps
// its backslash for the folder calls ("C:" alone is the drive's current
// folder). The outcome names the folder as resolved.
bool ResolveDestination(Run& run, const wchar_t* typed, Destination* destination) {
  wchar_t* folder = destination->folder;
  DWORD length = typed[0] ? GetFullPathNameW(typed, MAX_PATH, folder, nullptr) : 0;
  if (length == 0 || length >= MAX_PATH) return Fail(run.outcome, kUnpackNoFolder, nullptr, 0);
  while (length > 0 && folder[length - 1] == L'\\') folder[--length] = L'\0';
  CopyText(run.outcome->folder, folder);
  if (length == 2 && folder[1] == L':') {
    folder[2] = L'\\';
    folder[3] = L'\0';
  }
  if (length + kWorkFolderRoom > MAX_PATH ||
      !LongPath(destination->longFolder, kLongPath, folder) ||
      !WorkFolderPath(&destination->work, destination->longFolder)) {
    return Fail(run.outcome, kUnpackPathTooLong, nullptr, 0);
  }
  return true;
}

// Every target path must fit, and every file the disk, before the first
// byte is written. The staged files lie beside the earlier files until they
// are placed, so the whole size must be free. Counts the progress's total.
bool CheckItFits(Run& run, const ZipArchive& archive, const Destination& destination) {
  ZipEntry entry;
  wchar_t target[kLongPath];
  ULONGLONG needed = 0, available = 0;
  size_t cursor = archive.directory;
  for (uint32_t i = 0; i < archive.entryCount; ++i) {
    ZipReadEntry(archive, &cursor, &entry);  // checked before
    if (!PathInFolder(target, destination.folder, entry.name) || lstrlenW(target) >= MAX_PATH) {
      return Fail(run.outcome, kUnpackPathTooLong, entry.name, 0);
    }
    needed += entry.size;
    run.progress.total += 2 * (ULONGLONG(entry.size) + 1);
  }
  Report(run);
  if (FreeSpace(destination.folder, &available) && needed > available) {
    run.outcome->needed = needed;
    run.outcome->available = available;
    return Fail(run.outcome, kUnpackNoRoom, nullptr, ERROR_DISK_FULL);
  }
  return true;
}

// A run cut off before leaves its files as they were, or as they should be,
// before anything else happens.
bool HealEarlierUnpack(Run& run, const Destination& destination) {
  HealResult healed = HealInterruptedUnpack(destination.longFolder, run.outcome->name, run.clock);
  if (healed == kHealForeign) return Fail(run.outcome, kUnpackForeignWorkFolder, nullptr, 0);
  if (healed == kHealFailed) return Fail(run.outcome, kUnpackCannotHeal, nullptr, GetLastError());
  run.outcome->healed = healed == kHealDone;
  run.outcome->name[0] = '\0';
  return true;
}

// Makes the destination and its work folder, and pins the work folder.
bool PrepareWorkFolder(Run& run, Destination* destination) {
  // The work folder is there already when it has files that wait for a
  // restart.
  if (!MakeDestination(destination->folder, &destination->made) ||
      (!CreateDirectoryW(destination->work.path, nullptr) &&
       GetLastError() != ERROR_ALREADY_EXISTS)) {
    DWORD error = GetLastError();
    RemoveMadeFolders(destination->folder, destination->made);
    return Fail(run.outcome, kUnpackNoFolder, nullptr, error);
  }
  // Whatever took the name since the heal looked is not worked in either.
  if (PinWorkFolder(&destination->work, run.clock) != kFolderPinned) {
    RemoveMadeFolders(destination->folder, destination->made);
    return Fail(run.outcome, kUnpackForeignWorkFolder, nullptr, 0);
  }
  return true;
}

// One slot for each entry, and one more so that an empty archive has one.
bool MakeSlots(Run& run, const ZipArchive& archive, Slot** slots) {
  *slots = static_cast<Slot*>(
      HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, (archive.entryCount + 1) * sizeof(Slot)));
  return *slots || Fail(run.outcome, kUnpackCannotWrite, nullptr, ERROR_NOT_ENOUGH_MEMORY);
}

// Decides which names have an earlier file to set aside, and writes that
// down before any is.
bool WritePlan(Run& run, const Destination& destination, Slot* slots, uint32_t count) {
  if (!PlanMoves(run, destination.longFolder, slots, count) ||
      !WriteJournalPlan(run, destination.work.path, slots, count)) {
    return false;
  }
  PassCutPoint(kCutPlanned);
  return true;
}

// After a failure whose moves could not all be undone, the work folder and
// its journal stay for the next run to undo them.
void Finish(Run& run, Destination* destination, Slot* slots, uint32_t count, bool ok) {
  run.progress.name = nullptr;  // it lay in the slots
  if (slots) {
    CloseStagedFiles(slots, count);
    HeapFree(GetProcessHeap(), 0, slots);
  }
  if (run.outcome->notUndone[0]) {
    if (run.journal != INVALID_HANDLE_VALUE) CloseHandle(run.journal);
    UnpinWorkFolder(&destination->work);
    return;
  }
  ClearWorkFolder(&destination->work, run.clock, run.journal);
  if (!ok) RemoveMadeFolders(destination->folder, destination->made);
}

bool UnpackArchive(const MappedFile& mapped, const ZipArchive& archive, const wchar_t* folder,
                   const UnpackObserver* observer, UnpackOutcome* outcome) {
  Run run;
  StartRun(&run, observer, outcome);
  CopyText(outcome->folder, folder);
  ArmCutPoint();
  Destination destination = {};
  if (!CheckArchive(run, archive) || !ResolveDestination(run, folder, &destination) ||
      !CheckItFits(run, archive, destination) || !HealEarlierUnpack(run, destination) ||
      !PrepareWorkFolder(run, &destination)) {
    return false;
  }
  uint32_t count = archive.entryCount;
  Slot* slots = nullptr;
  bool ok = MakeSlots(run, archive, &slots) &&
            StageEntries(run, archive, mapped, destination.work.path, slots) &&
            WritePlan(run, destination, slots, count) &&
            PlaceAll(run, destination.longFolder, destination.work.path, slots, count);
  Finish(run, &destination, slots, count, ok);
  return ok;
}

}  // namespace

bool UnpackMapped(const MappedFile& mapped, const wchar_t* folder, const UnpackObserver* observer,
                  UnpackOutcome* outcome) {
  FileWindow directory, pieces;
  OpenFileWindow(mapped, kDirectoryView, &directory);
  OpenFileWindow(mapped, kReaderView, &pieces);
  ZipSource directorySource = WindowSource(&directory);
  // A signed payload carries its signature after the archive.
  size_t headerSize = mapped.size < kSigningHeaderLimit ? mapped.size : kSigningHeaderLimit;
  const uint8_t* header = directorySource.read(&directory, 0, headerSize);
  ZipArchive archive;
  ZipStatus status =
      header ? ZipOpenSource(directorySource, WindowSource(&pieces),
                             PeBytesBeforeSignature(header, headerSize, mapped.size), &archive)
             : kZipCannotRead;
  bool ok = status == kZipOk && UnpackArchive(mapped, archive, folder, observer, outcome);
  CloseFileWindow(&pieces);
  CloseFileWindow(&directory);
  if (status == kZipOk) return ok;
  memset(outcome, 0, sizeof *outcome);
  outcome->zip = status;
  return Fail(outcome, kUnpackBadArchive, nullptr, 0);
}
