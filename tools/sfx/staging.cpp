#include "tools/sfx/staging.h"

#include "common/text.h"
#include "tools/sfx/cut_point.h"
#include "tools/sfx/file_calls.h"
#include "tools/sfx/work_folder.h"

namespace {

// Large writes: a 50 MB product unpacks in a few hundred calls, and the
// progress moves with each.
const size_t kInflateBuffer = 1 << 20;
// Two workers for each processor: while one waits for the disk to take a
// file, the other inflates. Few enough that their buffers stay small and the
// machine stays usable.
const unsigned kWorkersPerProcessor = 2;
const unsigned kMostWorkers = 8;
// A staged file stays open, shared with nobody, until it is placed: nothing
// can change it after its check, and no scanner can take a hold on it that
// placing would have to wait out. That many at most, the last entries, whose
// files would otherwise have had the least time to be let go; an earlier
// one is closed once flushed.
const uint32_t kMostHeldOpen = 512;

// What the workers share: the entries, the next one to take, and whether one
// of them failed, which stops the others.
struct Stager {
  Run* run;
  const ZipArchive* archive;
  const wchar_t* work;
  Slot* slots;
  volatile LONG next;
  volatile LONG failed;
};

// One worker: its own buffer, and its own clock, so that its waits name its
// file.
struct Worker {
  Stager* stager;
  FileWindow window;
  ZipArchive archive;  // the archive, read through the worker's window
  uint8_t* buffer;
  HoldClock clock;
  const char* name;  // the entry it stages
};

bool Stopped(const Stager& stager) {
  return stager.failed || Cancelled(*stager.run);
}

// Only the first failure is the unpack's: the others follow from the stop.
bool FailOnce(Stager& stager, UnpackResult result, ZipStatus zip, const char* name, DWORD error) {
  Run& run = *stager.run;
  AcquireSRWLockExclusive(&run.lock);
  if (InterlockedExchange(&stager.failed, 1) == 0) {
    if (result == kUnpackCannotWrite && Cancelled(run)) result = kUnpackCancelled, error = 0;
    run.outcome->zip = zip;
    Fail(run.outcome, result, name, error);
  }
  ReleaseSRWLockExclusive(&run.lock);
  return false;
}

void WorkerWaiting(void* context) {
  Worker& worker = *static_cast<Worker*>(context);
  ReportWaitingFor(*worker.stager->run, worker.name);
}

// An entry's bytes on their way into its staged file.
struct WriteTarget {
  Worker* worker;
  HANDLE file;
  const wchar_t* path;
};

bool WriteToFile(void* context, const uint8_t* bytes, size_t count) {
  WriteTarget* target = static_cast<WriteTarget*>(context);
  Worker& worker = *target->worker;
  if (Stopped(*worker.stager)) return false;
  while (count > 0) {
    DWORD chunk = count > kInflateBuffer ? kInflateBuffer : static_cast<DWORD>(count);
    DWORD written = 0;
    if (WaitOutHolds(
            target->path, worker.clock,
            [&] { return WriteFile(target->file, bytes, chunk, &written, nullptr) != FALSE; }) ||
        written == 0) {
      return false;
    }
    bytes += written;
    count -= written;
    Advance(*worker.stager->run, worker.name, written);
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

// Unpacks one entry into the new file path and flushes it there and then:
// its flush overlaps the other workers' inflating. The file stays open in
// its slot when kept. On failure nothing of it is left.
bool StageEntry(Worker& worker, const ZipEntry& entry, const wchar_t* path, Slot& slot, bool kept) {
  Stager& stager = *worker.stager;
  worker.name = entry.name;
  Advance(*stager.run, entry.name, 0);
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD error = WaitOutHolds(path, worker.clock, [&] {
    // Only a new file: a name that something else took meanwhile is never
    // opened, nor followed if it is a link.
    file = CreateFileW(path, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                       FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return file != INVALID_HANDLE_VALUE;
  });
  if (error) return FailOnce(stager, kUnpackCannotWrite, kZipOk, entry.name, error);
  WriteTarget target = {&worker, file, path};
  ZipStatus status =
      ZipExtract(worker.archive, entry, worker.buffer, kInflateBuffer, WriteToFile, &target);
  error = GetLastError();
  if (status == kZipOk) {
    SetWriteTime(file, entry);
    error = WaitOutHolds(path, worker.clock, [&] { return FlushFileBuffers(file) != FALSE; });
    if (!error) {
      if (kept) {
        slot.staged = file;
      } else {
        CloseHandle(file);
      }
      Advance(*stager.run, entry.name, 1);
      return true;
    }
    status = kZipWriteFailed;
  }
  CloseHandle(file);
  DeleteFileW(path);
  if (status == kZipWriteFailed) {
    return FailOnce(stager, kUnpackCannotWrite, kZipOk, entry.name, error);
  }
  return FailOnce(stager, kUnpackBadArchive, status, entry.name, 0);
}

// Takes the next entry until none is left or the unpack stops.
DWORD WINAPI StageNext(void* context) {
  Worker& worker = *static_cast<Worker*>(context);
  Stager& stager = *worker.stager;
  ZipEntry entry;
  wchar_t staged[kLongPath];
  for (;;) {
    if (Stopped(stager)) {
      if (!stager.failed) FailOnce(stager, kUnpackCancelled, kZipOk, nullptr, 0);
      return 0;
    }
    uint32_t i = static_cast<uint32_t>(InterlockedIncrement(&stager.next) - 1);
    if (i >= stager.archive->entryCount) return 0;
    size_t cursor = stager.slots[i].record;
    // Checked before the unpack began; only a view may fail now.
    ZipStatus status = ZipReadEntry(worker.archive, &cursor, &entry);
    if (status != kZipOk) {
      FailOnce(stager, kUnpackBadArchive, status, entry.name, 0);
      return 0;
    }
    WorkFilePath(staged, stager.work, kNewFile, i);
    bool kept = stager.archive->entryCount - i <= kMostHeldOpen;
    if (!StageEntry(worker, entry, staged, stager.slots[i], kept)) return 0;
    PassCutPoint(kCutWritten);
  }
}

// Each slot's name, size, and where its directory record lies.
void FillSlots(const ZipArchive& archive, Slot* slots) {
  ZipEntry entry;
  size_t cursor = archive.directory;
  for (uint32_t i = 0; i < archive.entryCount; ++i) {
    slots[i].record = cursor;
    ZipReadEntry(archive, &cursor, &entry);  // checked before the unpack began
    CopyText(slots[i].move.name, entry.name);
    slots[i].move.slot = i;
    slots[i].size = entry.size;
  }
}

unsigned fixedWorkers;

// Waits until every started worker has ended.
void WaitForWorkers(HANDLE* threads, unsigned started) {
  if (started) WaitForMultipleObjects(started, threads, TRUE, INFINITE);
  for (unsigned i = 0; i < started; ++i) CloseHandle(threads[i]);
}

void EndWorkers(Worker* workers, unsigned count) {
  for (unsigned i = 0; i < count; ++i) {
    if (workers[i].buffer) HeapFree(GetProcessHeap(), 0, workers[i].buffer);
    CloseFileWindow(&workers[i].window);
  }
}

unsigned WorkerCount(uint32_t entries) {
  unsigned count = fixedWorkers;
  if (count == 0) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    count = kWorkersPerProcessor * system.dwNumberOfProcessors;
  }
  if (count > kMostWorkers) count = kMostWorkers;
  if (count > entries) count = entries;
  return count > 0 ? count : 1;
}

}  // namespace

void FixStagingWorkersForTests(unsigned count) {
  fixedWorkers = count;
}

bool StageEntries(Run& run, const ZipArchive& archive, const MappedFile& mapped,
                  const wchar_t* work, Slot* slots) {
  FillSlots(archive, slots);
  Stager stager = {&run, &archive, work, slots, 0, 0};
  Worker workers[kMostWorkers] = {};
  HANDLE threads[kMostWorkers] = {};
  unsigned count = WorkerCount(archive.entryCount), started = 0;
  HANDLE heap = GetProcessHeap();
  // The first worker is this thread. A worker that cannot have its buffer or
  // its thread is not needed for the unpack to finish.
  for (unsigned i = 0; i < count; ++i) {
    workers[i].stager = &stager;
    workers[i].clock = {run.clock.sleep, WorkerWaiting, &workers[i]};
    OpenFileWindow(mapped, kReaderView, &workers[i].window);
    workers[i].archive = archive;
    workers[i].archive.pieces = WindowSource(&workers[i].window);
    workers[i].buffer = static_cast<uint8_t*>(HeapAlloc(heap, 0, kInflateBuffer));
    if (!workers[i].buffer || i == 0) continue;
    threads[started] = CreateThread(nullptr, 0, StageNext, &workers[i], 0, nullptr);
    if (threads[started]) ++started;
  }
  if (workers[0].buffer) {
    StageNext(&workers[0]);
  } else {
    FailOnce(stager, kUnpackCannotWrite, kZipOk, nullptr, ERROR_NOT_ENOUGH_MEMORY);
  }
  WaitForWorkers(threads, started);
  EndWorkers(workers, count);
  run.progress.name = nullptr;  // it lay with the workers
  return !stager.failed;
}
