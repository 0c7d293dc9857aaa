#include "tools/sfx/unpack.h"

#include <string.h>

#include "common/make_folder.h"
#include "common/text.h"
#include "tools/sfx/cut_point.h"
#include "tools/sfx/pe_overlay.h"
#include "tools/sfx/unpack_journal.h"
#include "tools/sfx/work_folder.h"
#include "tools/sfx/zip_check.h"

namespace {

// Large writes: a 50 MB product unpacks in a few hundred calls, and the
// progress moves with each.
const size_t kInflateBuffer = 1 << 20;

// One unpack on its way: what it reports, and the clock of its waits for
// files that another program holds for a moment.
struct Run {
  const UnpackObserver* observer;
  UnpackOutcome* outcome;
  HoldClock clock;
  UnpackProgress progress;
  HANDLE journal;  // the journal, open from its plan until placing has ended
};

void Report(Run& run) {
  if (run.observer->progress) run.observer->progress(run.observer->context, run.progress);
}

void ReportWaiting(void* context) {
  Run& run = *static_cast<Run*>(context);
  run.progress.waiting = true;
  Report(run);
  run.progress.waiting = false;
}

void RealSleep(DWORD milliseconds) {
  Sleep(milliseconds);
}

// The file now concerned, and that it is done with when moved is non-zero.
void Advance(Run& run, const char* name, ULONGLONG moved) {
  run.progress.name = name;
  run.progress.done += moved;
  Report(run);
}

bool Cancelled(const Run& run) {
  return run.observer->cancel && *run.observer->cancel;
}

// An entry's bytes on their way into its scratch file.
struct WriteTarget {
  Run* run;
  HANDLE file;
  const wchar_t* path;
};

bool WriteToFile(void* context, const uint8_t* bytes, size_t count) {
  WriteTarget* target = static_cast<WriteTarget*>(context);
  Run& run = *target->run;
  if (Cancelled(run)) return false;
  while (count > 0) {
    DWORD chunk = count > kInflateBuffer ? kInflateBuffer : static_cast<DWORD>(count);
    DWORD written = 0;
    if (WaitOutHolds(
            target->path, run.clock,
            [&] { return WriteFile(target->file, bytes, chunk, &written, nullptr) != FALSE; }) ||
        written == 0) {
      return false;
    }
    bytes += written;
    count -= written;
    Advance(run, run.progress.name, written);
  }
  return true;
}

bool IsFolder(const wchar_t* path) {
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The destination with any missing parent; true when it is a folder now.
// made receives the length of the outermost folder this call made (0:
// none), so that a failure can remove what it made.
bool MakeDestination(wchar_t* folder, size_t* made) {
  *made = 0;
  return IsFolder(folder) || MakeFolderPath(folder, made) || IsFolder(folder);
}

// Removes the folders that MakeDestination made, deepest first; only empty
// ones go, so nothing of anyone else's can.
void RemoveMadeFolders(const wchar_t* folder, size_t made) {
  if (!made) return;
  wchar_t path[MAX_PATH];
  if (!CopyText(path, folder)) return;
  for (size_t length = lstrlenW(path); length >= made && RemoveDirectoryW(path);) {
    while (length > 0 && path[length] != L'\\') --length;
    path[length] = L'\0';
  }
}

// Free bytes for this user on the disk of folder, which may not exist yet:
// asked of its nearest existing parent.
bool FreeSpace(const wchar_t* folder, ULONGLONG* available) {
  wchar_t path[MAX_PATH];
  if (!CopyText(path, folder)) return false;
  for (size_t length = lstrlenW(path);;) {
    ULARGE_INTEGER free;
    if (GetDiskFreeSpaceExW(path, &free, nullptr, nullptr)) {
      *available = free.QuadPart;
      return true;
    }
    while (length > 0 && path[length - 1] != L'\\') --length;
    if (length == 0) return false;
    // A drive root keeps its backslash.
    if (length != 3 || path[1] != L':') --length;
    if (!path[length]) return false;  // the root itself was asked
    path[length] = L'\0';
  }
}

bool Fail(UnpackOutcome* outcome, UnpackStep step, const char* name, DWORD error) {
  outcome->step = step;
  outcome->error = error;
  if (name) CopyText(outcome->name, sizeof outcome->name, name);
  return false;
}

void SetWriteTime(HANDLE file, const ZipEntry& entry) {
  FILETIME local, utc;
  if (DosDateTimeToFileTime(entry.dosDate, entry.dosTime, &local) &&
      LocalFileTimeToFileTime(&local, &utc)) {
    SetFileTime(file, nullptr, nullptr, &utc);
  }
}

// One entry on its way into the folder.
struct Slot {
  char name[kZipMaxName + 1];
  uint32_t size;  // its unpacked bytes
  bool planned;   // the plan has an earlier file of its name to set aside
  bool aside;     // its earlier file is set aside as o<slot>
  bool placed;    // n<slot> has the name
  HANDLE file;    // n<slot> while it is written and until it is flushed
};

// Unpacks one entry into the scratch file path, left open in *file so that
// its flush can wait until every entry is written (the disk has written most
// of it back by then). On failure nothing of it is left.
bool UnpackToScratch(Run& run, const ZipArchive& archive, const ZipEntry& entry,
                     const wchar_t* path, uint8_t* buffer, HANDLE* file) {
  UnpackOutcome* outcome = run.outcome;
  Advance(run, entry.name, 0);
  DWORD error = WaitOutHolds(path, run.clock, [&] {
    // Only a new file: a name that something else took meanwhile is never
    // opened, nor followed if it is a link.
    *file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return *file != INVALID_HANDLE_VALUE;
  });
  if (error) {
    *file = nullptr;
    return Fail(outcome, kUnpackCannotWrite, entry.name, error);
  }
  WriteTarget target = {&run, *file, path};
  ZipStatus status = ZipExtract(archive, entry, buffer, kInflateBuffer, WriteToFile, &target);
  error = GetLastError();
  if (status == kZipOk) {
    SetWriteTime(*file, entry);
    Advance(run, entry.name, 1);
    return true;
  }
  CloseHandle(*file);
  *file = nullptr;
  DeleteFileW(path);
  if (status == kZipWriteFailed) {
    if (Cancelled(run)) return Fail(outcome, kUnpackCancelled, entry.name, 0);
    return Fail(outcome, kUnpackCannotWrite, entry.name, error);
  }
  outcome->zip = status;
  return Fail(outcome, kUnpackBadArchive, entry.name, 0);
}

// Flushes (when asked) and closes the scratch files left open. Every byte is
// on the disk before any earlier file is given up for it.
bool FlushAndClose(Run& run, Slot* slots, const wchar_t* work, uint32_t count, bool flush) {
  bool ok = true;
  wchar_t scratch[kLongPath];
  for (uint32_t i = 0; i < count; ++i) {
    if (!slots[i].file) continue;
    if (flush && ok) {
      WorkFilePath(scratch, work, 'n', i);
      DWORD error = WaitOutHolds(scratch, run.clock,
                                 [&] { return FlushFileBuffers(slots[i].file) != FALSE; });
      if (error) ok = Fail(run.outcome, kUnpackCannotWrite, slots[i].name, error);
    }
    CloseHandle(slots[i].file);
    slots[i].file = nullptr;
  }
  return ok;
}

// Writes the plan to the journal and flushes it: which names have an earlier
// file to set aside. A folder of an entry's name, or a file its owner
// protected, is not ours to replace: refused before anything is moved.
bool WriteJournal(Run& run, const wchar_t* folder, const wchar_t* work, Slot* slots,
                  uint32_t count) {
  UnpackOutcome* outcome = run.outcome;
  size_t size = JournalPlanSize(count);
  char* text = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
  if (!text) return Fail(outcome, kUnpackCannotWrite, nullptr, ERROR_NOT_ENOUGH_MEMORY);
  bool ok = JournalAppendStart(text, size);
  wchar_t target[kLongPath];
  for (uint32_t i = 0; ok && i < count; ++i) {
    PathInFolder(target, folder, slots[i].name);
    DWORD attributes = GetFileAttributesW(target);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
      ok = Fail(outcome, kUnpackCannotPlace, slots[i].name, ERROR_ACCESS_DENIED);
      break;
    }
    JournalRecord record;
    record.aside = slots[i].planned = attributes != INVALID_FILE_ATTRIBUTES;
    record.slot = i;
    CopyText(record.name, slots[i].name);
    ok = JournalAppendRecord(text, size, record);
  }
  ok = ok && JournalAppendPlanned(text, size);
  if (ok) {
    wchar_t path[kLongPath];
    JournalPath(path, work);
    DWORD length = static_cast<DWORD>(strlen(text));
    run.progress.name = nullptr;
    // Kept open, sharing reading only, until placing has ended.
    DWORD error = WaitOutHolds(path, run.clock, [&] {
      run.journal = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      if (run.journal == INVALID_HANDLE_VALUE) return false;
      DWORD written = 0;
      if (WriteFile(run.journal, text, length, &written, nullptr) && written == length &&
          FlushFileBuffers(run.journal)) {
        return true;
      }
      DWORD why = GetLastError();
      CloseHandle(run.journal);
      DeleteFileW(path);
      SetLastError(why);
      return false;
    });
    if (error) {
      run.journal = INVALID_HANDLE_VALUE;
      ok = Fail(outcome, kUnpackCannotWrite, nullptr, error);
    }
  }
  HeapFree(GetProcessHeap(), 0, text);
  return ok;
}

// Records in the journal that every new file has its name.
bool RecordPlaced(Run& run) {
  DWORD length = static_cast<DWORD>(strlen(kJournalPlacedLine)), written = 0;
  return WriteFile(run.journal, kJournalPlacedLine, length, &written, nullptr) &&
         written == length && FlushFileBuffers(run.journal);
}

// Sets the earlier file of the slot's name aside when the plan has one, then
// gives the scratch file that name. A name planned as new that something
// took meanwhile is left alone, and fails the unpack: the plan is what the
// next run undoes after a cut, and it would delete that file.
bool PutInPlace(Run& run, Slot* slot, uint32_t index, const wchar_t* folder, const wchar_t* work,
                ULONGLONG size) {
  wchar_t target[kLongPath], scratch[kLongPath], aside[kLongPath];
  PathInFolder(target, folder, slot->name);
  WorkFilePath(scratch, work, 'n', index);
  WorkFilePath(aside, work, 'o', index);
  Advance(run, slot->name, 0);
  if (slot->planned) {
    // Fails for good while another program keeps the file open without
    // sharing; a program that reads it for a moment is waited for.
    if (DWORD error = DurableMoveWaiting(target, aside, 0, target, run.clock)) {
      return Fail(run.outcome, kUnpackCannotPlace, slot->name, error);
    }
    slot->aside = true;
    PassCutPoint(kCutAside);
  }
  // A program that reads every new file may hold the scratch file still.
  if (DWORD error = DurableMoveWaiting(scratch, target, 0, scratch, run.clock)) {
    return Fail(run.outcome, kUnpackCannotPlace, slot->name, error);
  }
  slot->placed = true;
  Advance(run, slot->name, size + 1);
  PassCutPoint(kCutPlaced);
  return true;
}

// Undoes PutInPlace: the earlier file replaces the new one, or the new one
// goes when there was none. False when the name does not hold what it held.
bool TakeBack(const Run& run, const Slot& slot, uint32_t index, const wchar_t* folder,
              const wchar_t* work) {
  wchar_t target[kLongPath], aside[kLongPath];
  PathInFolder(target, folder, slot.name);
  WorkFilePath(aside, work, 'o', index);
  if (slot.aside) {
    return DurableMoveWaiting(aside, target, MOVEFILE_REPLACE_EXISTING, target, run.clock) == 0;
  }
  return !slot.placed || DeleteWaiting(target, run.clock) == 0;
}

void NoteUnrestored(UnpackOutcome* outcome, const char* name) {
  char* list = outcome->unrestored;
  size_t size = sizeof outcome->unrestored;
  size_t used = strlen(list);
  if ((used && !AppendText(list, size, ", ")) || !AppendText(list, size, name)) {
    list[used] = '\0';
    // A list too long to show ends in one word.
    if (!strstr(list, "...")) AppendText(list, size, used ? ", ..." : "...");
  }
}

// Whole kilobytes as a 32-bit count; beyond 4 TB the count stops there.
unsigned KiloBytes(ULONGLONG bytes) {
  ULONGLONG kilobytes = bytes / 1024;
  return kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<unsigned>(kilobytes);
}

// Unpacks, plans and places into the made folder, its work folder made.
bool UnpackIntoWorkFolder(Run& run, const ZipArchive& archive, const wchar_t* folder,
                          const wchar_t* work, Slot* slots, uint8_t* buffer) {
  UnpackOutcome* outcome = run.outcome;
  ZipEntry entry;
  wchar_t scratch[kLongPath];
  size_t cursor = archive.directory;
  uint32_t count = archive.entryCount;
  for (uint32_t i = 0; i < count; ++i) {
    ZipReadEntry(archive, &cursor, &entry);  // checked by the caller
    CopyText(slots[i].name, entry.name);
    slots[i].size = entry.size;
    WorkFilePath(scratch, work, 'n', i);
    if (!UnpackToScratch(run, archive, entry, scratch, buffer, &slots[i].file)) {
      FlushAndClose(run, slots, work, i, false);  // closes the files written so far
      return false;
    }
    PassCutPoint(kCutWritten);
  }
  if (!FlushAndClose(run, slots, work, count, true)) return false;
  if (!WriteJournal(run, folder, work, slots, count)) return false;
  PassCutPoint(kCutPlanned);
  uint32_t placed = 0;
  while (placed < count &&
         PutInPlace(run, &slots[placed], placed, folder, work, slots[placed].size)) {
    ++placed;
  }
  if (placed == count) {
    if (RecordPlaced(run)) {
      PassCutPoint(kCutRecorded);
      outcome->files = placed;
      return true;
    }
    // Unrecorded, the set-aside files must not be given up: undone instead.
    Fail(outcome, kUnpackCannotWrite, nullptr, GetLastError());
    --placed;
  }
  // The entry that failed may be half done: undo it with the others.
  for (uint32_t i = placed + 1; i-- > 0;) {
    if (!TakeBack(run, slots[i], i, folder, work)) NoteUnrestored(outcome, slots[i].name);
  }
  return false;
}

}  // namespace

bool MapWholeFile(const wchar_t* path, MappedFile* mapped) {
  memset(mapped, 0, sizeof *mapped);
  mapped->file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (mapped->file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  if (GetFileSizeEx(mapped->file, &size) && size.QuadPart > 0 &&
      static_cast<unsigned long long>(size.QuadPart) < (static_cast<size_t>(-1) >> 1)) {
    mapped->mapping = CreateFileMappingW(mapped->file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapped->mapping) {
      mapped->data =
          static_cast<const uint8_t*>(MapViewOfFile(mapped->mapping, FILE_MAP_READ, 0, 0, 0));
      mapped->size = static_cast<size_t>(size.QuadPart);
    }
  }
  if (mapped->data) return true;
  UnmapWholeFile(mapped);
  return false;
}

void UnmapWholeFile(MappedFile* mapped) {
  if (mapped->data) UnmapViewOfFile(mapped->data);
  if (mapped->mapping) CloseHandle(mapped->mapping);
  if (mapped->file && mapped->file != INVALID_HANDLE_VALUE) CloseHandle(mapped->file);
  memset(mapped, 0, sizeof *mapped);
}

bool UnpackArchive(const ZipArchive& archive, const wchar_t* folderText,
                   const UnpackObserver* observer, UnpackOutcome* outcome) {
  static const UnpackObserver kUnobserved = {};
  Run run = {observer ? observer : &kUnobserved, outcome, {}, {}, INVALID_HANDLE_VALUE};
  run.clock.sleep = run.observer->sleep ? run.observer->sleep : RealSleep;
  run.clock.waiting = ReportWaiting;
  run.clock.context = &run;
  memset(outcome, 0, sizeof *outcome);
  outcome->step = kUnpackDone;
  CopyText(outcome->folder, folderText);
  ArmCutPoint();

  outcome->zip = ZipCheckAll(archive, outcome->name);
  if (outcome->zip != kZipOk) return Fail(outcome, kUnpackBadArchive, nullptr, 0);

  // A typed folder may be relative or end in a backslash.
  wchar_t folder[MAX_PATH];
  DWORD length = folderText[0] ? GetFullPathNameW(folderText, MAX_PATH, folder, nullptr) : 0;
  if (length == 0 || length >= MAX_PATH) return Fail(outcome, kUnpackNoFolder, nullptr, 0);
  while (length > 0 && folder[length - 1] == L'\\') folder[--length] = L'\0';
  CopyText(outcome->folder, folder);
  if (length == 2 && folder[1] == L':') {
    // A drive root keeps its backslash for the folder calls ("C:" alone is
    // the drive's current folder).
    folder[2] = L'\\';
    folder[3] = L'\0';
  }
  if (length + kWorkFolderRoom > MAX_PATH) return Fail(outcome, kUnpackPathTooLong, nullptr, 0);
  wchar_t longFolder[kLongPath], target[kLongPath];
  WorkFolder work;
  if (!LongPath(longFolder, kLongPath, folder) || !WorkFolderPath(&work, longFolder)) {
    return Fail(outcome, kUnpackPathTooLong, nullptr, 0);
  }

  // Every target path must fit, and every file the disk, before the first
  // byte is written. The scratch files live beside the earlier files until
  // they are placed, so the whole size must be free.
  ZipEntry entry;
  ULONGLONG needed = 0;
  size_t cursor = archive.directory;
  for (uint32_t i = 0; i < archive.entryCount; ++i) {
    ZipReadEntry(archive, &cursor, &entry);  // checked above
    if (!PathInFolder(target, folder, entry.name) || lstrlenW(target) >= MAX_PATH) {
      return Fail(outcome, kUnpackPathTooLong, entry.name, 0);
    }
    needed += entry.size;
    run.progress.total += 2 * (ULONGLONG(entry.size) + 1);
  }
  Report(run);

  // A run cut off here before leaves its files as they were, or as they
  // should be, before anything else happens.
  HealResult healed = HealInterruptedUnpack(longFolder, outcome->name, run.clock);
  if (healed == kHealForeign) return Fail(outcome, kUnpackForeignWorkFolder, nullptr, 0);
  if (healed == kHealFailed) return Fail(outcome, kUnpackCannotHeal, nullptr, GetLastError());
  outcome->healed = healed == kHealDone;
  outcome->name[0] = '\0';

  ULONGLONG available = 0;
  if (FreeSpace(folder, &available) && needed > available) {
    outcome->needed = needed;
    outcome->available = available;
    return Fail(outcome, kUnpackNoRoom, nullptr, ERROR_DISK_FULL);
  }
  size_t made = 0;
  // Made by an earlier run when it holds files that wait for a restart.
  if (!MakeDestination(folder, &made) ||
      (!CreateDirectoryW(work.path, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)) {
    DWORD error = GetLastError();
    RemoveMadeFolders(folder, made);
    return Fail(outcome, kUnpackNoFolder, nullptr, error);
  }
  // Whatever took the name since the heal looked is not worked in either.
  if (HoldWorkFolder(&work, run.clock) != kFolderHeld) {
    RemoveMadeFolders(folder, made);
    return Fail(outcome, kUnpackForeignWorkFolder, nullptr, 0);
  }

  HANDLE heap = GetProcessHeap();
  uint8_t* buffer = static_cast<uint8_t*>(HeapAlloc(heap, 0, kInflateBuffer));
  Slot* slots = static_cast<Slot*>(
      HeapAlloc(heap, HEAP_ZERO_MEMORY, (archive.entryCount + 1) * sizeof(Slot)));
  bool ok = buffer && slots;
  if (!ok) Fail(outcome, kUnpackCannotWrite, nullptr, ERROR_NOT_ENOUGH_MEMORY);
  ok = ok && UnpackIntoWorkFolder(run, archive, longFolder, work.path, slots, buffer);
  run.progress.name = nullptr;  // it lay in the slots
  if (buffer) HeapFree(heap, 0, buffer);
  if (slots) HeapFree(heap, 0, slots);
  if (run.journal != INVALID_HANDLE_VALUE) CloseHandle(run.journal);
  // After a failure that left earlier files set aside, the work folder and
  // its journal stay for the next run to put them back.
  if (outcome->unrestored[0]) {
    ReleaseWorkFolder(&work);
  } else {
    ClearWorkFolder(&work, run.clock);
    if (!ok) RemoveMadeFolders(folder, made);
  }
  return ok;
}

bool UnpackMapped(const MappedFile& mapped, const wchar_t* folder, const UnpackObserver* observer,
                  UnpackOutcome* outcome) {
  memset(outcome, 0, sizeof *outcome);
  // A signed payload carries its signature after the archive.
  ZipArchive archive;
  ZipStatus status =
      ZipOpen(mapped.data, PeBytesBeforeSignature(mapped.data, mapped.size), &archive);
  if (status != kZipOk) {
    outcome->zip = status;
    return Fail(outcome, kUnpackBadArchive, nullptr, 0);
  }
  return UnpackArchive(archive, folder, observer, outcome);
}

bool UnpackFile(const wchar_t* archivePath, const wchar_t* folder, const UnpackObserver* observer,
                UnpackOutcome* outcome) {
  MappedFile mapped;
  if (!MapWholeFile(archivePath, &mapped)) {
    memset(outcome, 0, sizeof *outcome);
    return Fail(outcome, kUnpackNoArchive, nullptr, GetLastError());
  }
  bool ok = UnpackMapped(mapped, folder, observer, outcome);
  UnmapWholeFile(&mapped);
  return ok;
}

void DescribeFailure(const UnpackOutcome& outcome, wchar_t* text, size_t size) {
  const wchar_t* why = L"the files could not be unzipped.";
  switch (outcome.step) {
    case kUnpackDone:
      CopyText(text, size, L"The files were unzipped.");
      return;
    case kUnpackNoArchive:
      why = L"this program cannot read its own file.";
      break;
    case kUnpackBadArchive:
      switch (outcome.zip) {
        case kZipNoArchive:
          why = L"this program holds no archive.";
          break;
        case kZipUnsupported:
          why = L"the archive uses a feature this program does not support.";
          break;
        case kZipRefusedName:
          why = L"the archive holds a name that is not a plain file name.";
          break;
        case kZipDuplicateName:
          why = L"the archive holds two files of one name.";
          break;
        case kZipOverlap:
          why = L"the archive is damaged: two files share their data.";
          break;
        case kZipCrcMismatch:
        case kZipSizeMismatch:
        case kZipBadData:
          why = L"the archive is damaged: a file does not match its checksum.";
          break;
        default:
          why = L"the archive is damaged or incomplete.";
          break;
      }
      break;
    case kUnpackNoFolder:
      why = L"the folder is missing or cannot be created.";
      break;
    case kUnpackPathTooLong:
      why = L"the folder name is too long for the files to unzip into it.";
      break;
    case kUnpackNoRoom:
      why = L"its disk has not enough free space for the files.";
      break;
    case kUnpackCannotWrite:
      why = L"a file could not be written; the disk may be full.";
      break;
    case kUnpackCannotPlace:
      why = L"a file could not be replaced; it may be in use or read-only.";
      break;
    case kUnpackCancelled:
      why = L"unzipping was stopped.";
      break;
    case kUnpackCannotHeal:
      why = L"an earlier unzipping into it was cut off, and its files could not all be put back.";
      break;
    case kUnpackForeignWorkFolder:
      why = L"qbar-work~00 in it is not a folder this program made. Remove it, then unzip again.";
      break;
  }
  // Each opening is true of the folder as this run leaves it.
  const wchar_t* opening = L"Nothing was changed";
  if (outcome.step == kUnpackCannotHeal) {
    opening = L"Unzipping did not start";
  } else if (outcome.unrestored[0]) {
    opening = L"Unzipping failed";
  } else if (outcome.healed) {
    opening =
        L"Files an earlier, cut-off unzipping had replaced were put back, and nothing else "
        L"was changed";
  }
  if (!CopyText(text, size, opening) ||
      (outcome.folder[0] &&
       (!AppendText(text, size, L" in ") || !AppendText(text, size, outcome.folder))) ||
      !AppendText(text, size, L": ") || !AppendText(text, size, why)) {
    text[0] = L'\0';
    return;
  }
  size_t end = lstrlenW(text);
  if (outcome.step == kUnpackNoRoom) {
    // Needed rounded up and free rounded down, so that the two never read
    // as equal.
    if (!AppendText(text, size, L"\n\nThe files need ") ||
        !AppendDecimal(text, size, KiloBytes(outcome.needed + 1023)) ||
        !AppendText(text, size, L" KB; ") ||
        !AppendDecimal(text, size, KiloBytes(outcome.available)) ||
        !AppendText(text, size, L" KB are free.")) {
      text[end] = L'\0';
    }
  }
  if (outcome.name[0]) {
    // Names are plain ASCII and at most kZipMaxName long: this fits the
    // callers' buffers, and if not the sentence alone is shown.
    end = lstrlenW(text);
    if (!AppendText(text, size, L"\n\nFile: ") || !AppendAsciiText(text, size, outcome.name)) {
      text[end] = L'\0';
    }
  }
  if (outcome.unrestored[0]) {
    end = lstrlenW(text);
    if (!AppendText(text, size, L"\n\nThese files are not as they were: ") ||
        !AppendAsciiText(text, size, outcome.unrestored) ||
        !AppendText(text, size,
                    L". They are put back when this program next unzips into the "
                    L"folder.")) {
      text[end] = L'\0';
    }
  }
}
