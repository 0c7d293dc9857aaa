#include "payload/file_steps.h"

#include "common/passing_hold.h"
#include "seam/outside.h"

namespace {

struct FileStepCall {
  FileStep step;
  const char* from;
  const char* to;
};

bool Attempt(void* context) {
  const FileStepCall& call = *static_cast<FileStepCall*>(context);
  switch (call.step) {
    case kCopyReplacing:
    case kCopyAsNew:
      return CopyFileA(call.from, call.to, call.step == kCopyAsNew);
    case kMoveFile:
      return MoveFileA(call.from, call.to);
    case kDeleteFile:
      return DeleteFileA(call.from);
  }
  return false;
}

}  // namespace

bool RunFileStep(FileStep step, const char* from, const char* to) {
  FileStepCall call = {step, from, to};
  // A copy is held up by its target; a move or a deletion by the file itself.
  const char* target = to && step != kMoveFile ? to : from;
  HoldClock clock = {outside.sleep, nullptr, nullptr};
  return WaitOutHolds(Attempt, &call, target, clock) == 0;
}
