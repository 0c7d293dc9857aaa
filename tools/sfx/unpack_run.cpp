#include "tools/sfx/unpack_run.h"

#include <string.h>

#include "common/text.h"

namespace {

void ReportWaiting(void* context) {
  Run& run = *static_cast<Run*>(context);
  ReportWaitingFor(run, run.progress.name);
}

void ReportLocked(Run& run) {
  if (run.observer->progress) run.observer->progress(run.observer->context, run.progress);
}

void RealSleep(DWORD milliseconds) {
  Sleep(milliseconds);
}

}  // namespace

void StartRun(Run* run, const UnpackObserver* observer, UnpackOutcome* outcome) {
  static const UnpackObserver kUnobserved = {};
  memset(run, 0, sizeof *run);
  run->observer = observer ? observer : &kUnobserved;
  run->outcome = outcome;
  run->clock.sleep = run->observer->sleep ? run->observer->sleep : RealSleep;
  run->clock.waiting = ReportWaiting;
  run->clock.context = run;
  run->journal = INVALID_HANDLE_VALUE;
  InitializeSRWLock(&run->lock);
  memset(outcome, 0, sizeof *outcome);
}

void CloseStagedFiles(Slot* slots, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    if (slots[i].staged) CloseHandle(slots[i].staged);
    slots[i].staged = nullptr;
  }
}

void Report(Run& run) {
  AcquireSRWLockExclusive(&run.lock);
  ReportLocked(run);
  ReleaseSRWLockExclusive(&run.lock);
}

void Advance(Run& run, const char* name, ULONGLONG moved) {
  AcquireSRWLockExclusive(&run.lock);
  run.progress.name = name;
  run.progress.done += moved;
  ReportLocked(run);
  ReleaseSRWLockExclusive(&run.lock);
}

void ReportWaitingFor(Run& run, const char* name) {
  AcquireSRWLockExclusive(&run.lock);
  run.progress.name = name;
  run.progress.waiting = true;
  ReportLocked(run);
  run.progress.waiting = false;
  ReleaseSRWLockExclusive(&run.lock);
}

bool Cancelled(const Run& run) {
  return run.observer->cancel && *run.observer->cancel;
}

bool Fail(UnpackOutcome* outcome, UnpackResult result, const char* name, DWORD error) {
  outcome->result = result;
  outcome->error = error;
  if (name) CopyText(outcome->name, sizeof outcome->name, name);
  return false;
}
