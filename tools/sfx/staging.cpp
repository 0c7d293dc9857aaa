#include "tools/sfx/staging.h"

#include "common/text.h"
#include "tools/sfx/cut_point.h"
#include "tools/sfx/file_calls.h"
#include "tools/sfx/work_folder.h"

namespace {

// Large writes: a 50 MB product unpacks in a few hundred calls, and the
// progress moves with each.
const size_t kInflateBuffer = 1 << 20;

// An entry's bytes on their way into its staged file.
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

void SetWriteTime(HANDLE file, const ZipEntry& entry) {
  FILETIME local, utc;
  if (DosDateTimeToFileTime(entry.dosDate, entry.dosTime, &local) &&
      LocalFileTimeToFileTime(&local, &utc)) {
    SetFileTime(file, nullptr, nullptr, &utc);
  }
}

// Why an entry's extraction failed, for the outcome.
bool FailExtraction(Run& run, const ZipEntry& entry, ZipStatus status, DWORD error) {
  if (status == kZipWriteFailed) {
    if (Cancelled(run)) return Fail(run.outcome, kUnpackCancelled, entry.name, 0);
    return Fail(run.outcome, kUnpackCannotWrite, entry.name, error);
  }
  run.outcome->zip = status;
  return Fail(run.outcome, kUnpackBadArchive, entry.name, 0);
}

// Unpacks one entry into the new file path, left open in *file so that its
// flush can wait until every entry is written (the disk has written most of
// it back by then). On failure nothing of it is left.
bool StageEntry(Run& run, const ZipArchive& archive, const ZipEntry& entry, const wchar_t* path,
                uint8_t* buffer, HANDLE* file) {
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
    return Fail(run.outcome, kUnpackCannotWrite, entry.name, error);
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
  return FailExtraction(run, entry, status, error);
}

// Flushes (when asked) and closes the staged files left open. Every byte is
// on the disk before any earlier file is given up for it.
bool FlushAndClose(Run& run, Slot* slots, const wchar_t* work, uint32_t count, bool flush) {
  bool ok = true;
  wchar_t staged[kLongPath];
  for (uint32_t i = 0; i < count; ++i) {
    if (!slots[i].file) continue;
    if (flush && ok) {
      WorkFilePath(staged, work, kNewFile, i);
      DWORD error =
          WaitOutHolds(staged, run.clock, [&] { return FlushFileBuffers(slots[i].file) != FALSE; });
      if (error) ok = Fail(run.outcome, kUnpackCannotWrite, slots[i].move.name, error);
    }
    CloseHandle(slots[i].file);
    slots[i].file = nullptr;
  }
  return ok;
}

bool StageAll(Run& run, const ZipArchive& archive, const wchar_t* work, Slot* slots,
              uint8_t* buffer) {
  ZipEntry entry;
  wchar_t staged[kLongPath];
  size_t cursor = archive.directory;
  for (uint32_t i = 0; i < archive.entryCount; ++i) {
    ZipReadEntry(archive, &cursor, &entry);  // checked before the unpack began
    CopyText(slots[i].move.name, entry.name);
    slots[i].move.slot = i;
    slots[i].size = entry.size;
    WorkFilePath(staged, work, kNewFile, i);
    if (!StageEntry(run, archive, entry, staged, buffer, &slots[i].file)) {
      FlushAndClose(run, slots, work, i, false);  // closes the files written so far
      return false;
    }
    PassCutPoint(kCutWritten);
  }
  return FlushAndClose(run, slots, work, archive.entryCount, true);
}

}  // namespace

bool StageEntries(Run& run, const ZipArchive& archive, const wchar_t* work, Slot* slots) {
  uint8_t* buffer = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, kInflateBuffer));
  if (!buffer) return Fail(run.outcome, kUnpackCannotWrite, nullptr, ERROR_NOT_ENOUGH_MEMORY);
  bool ok = StageAll(run, archive, work, slots, buffer);
  HeapFree(GetProcessHeap(), 0, buffer);
  return ok;
}
