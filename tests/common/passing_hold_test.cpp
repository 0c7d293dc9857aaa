// The one rule for waiting out another program's passing hold on a file,
// which both programs use: which failures are waited out, the exact pauses
// on the clock, and what stands at the end.
#include "common/passing_hold.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/scratch_folder.h"

namespace {

std::vector<DWORD> pauses;
int waitingNotices = 0;

void RecordPause(DWORD milliseconds) {
  pauses.push_back(milliseconds);
}
void CountWaitingNotice(void*) {
  ++waitingNotices;
}

// A file call that fails with each of errors in turn, then succeeds.
struct ScriptedCall {
  std::vector<DWORD> errors;
  size_t attempts = 0;
  bool operator()() {
    if (attempts == errors.size()) return true;
    SetLastError(errors[attempts++]);
    return false;
  }
};

std::vector<DWORD> Repeated(size_t count, DWORD value) {
  return std::vector<DWORD>(count, value);
}
std::vector<DWORD> Joined(std::vector<DWORD> first, const std::vector<DWORD>& then) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

TEST(PassingHold, WaitsOutOnlyAPassingHoldWithGrowingPausesForAtMostTenSeconds) {
  ScratchFolder scratch;
  const std::string plain = scratch / "plain.txt", readOnly = scratch / "read-only.txt";
  WriteFile(plain, "");
  WriteFile(readOnly, "");
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  // Held past the limit: 20, 40, 80, 160, then 250 until the last pause ends
  // at exactly 10 s.
  const std::vector<DWORD> toTheLimit = Joined(Joined({20, 40, 80, 160}, Repeated(38, 250)), {200});
  const struct {
    const char* what;
    std::string target;
    std::vector<DWORD> errors;
    std::vector<DWORD> pauses;
    DWORD result;
  } rows[] = {
      {"no hold", plain, {}, {}, 0},
      {"a sharing violation waited out",
       plain,
       {ERROR_SHARING_VIOLATION, ERROR_SHARING_VIOLATION},
       {20, 40},
       0},
      {"a lock violation waited out", plain, {ERROR_LOCK_VIOLATION}, {20}, 0},
      {"access denied on a plain file waited out",
       plain,
       Repeated(3, ERROR_ACCESS_DENIED),
       {20, 40, 80},
       0},
      {"access denied where the attributes cannot be read waited out",
       scratch / "missing",
       {ERROR_ACCESS_DENIED},
       {20},
       0},
      {"access denied on a read-only file not waited for",
       readOnly,
       {ERROR_ACCESS_DENIED},
       {},
       ERROR_ACCESS_DENIED},
      {"access denied on a folder not waited for",
       scratch.path(),
       {ERROR_ACCESS_DENIED},
       {},
       ERROR_ACCESS_DENIED},
      {"another failure not waited for", plain, {ERROR_DISK_FULL}, {}, ERROR_DISK_FULL},
      {"a hold past the 10 s limit", plain, Repeated(1000, ERROR_SHARING_VIOLATION), toTheLimit,
       ERROR_SHARING_VIOLATION},
  };
  const HoldClock clock = {RecordPause, CountWaitingNotice, nullptr};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    pauses.clear();
    waitingNotices = 0;
    ScriptedCall call{row.errors};
    EXPECT_EQ(row.result, WaitOutHolds(row.target.c_str(), clock, [&] { return call(); }));
    if (row.result) {
      EXPECT_EQ(row.result, GetLastError()) << "the last error stands";
    }
    EXPECT_EQ(row.pauses, pauses);
    EXPECT_EQ(row.pauses.empty() ? 0 : 1, waitingNotices) << "told once that it waits";
  }
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
