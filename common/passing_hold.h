// Waiting out a passing hold. An on-access virus scanner, a search indexer or
// a backup agent opens each new or changed file for a moment to read it,
// mostly without sharing deletion, so that meanwhile nobody else can rename,
// delete or write the file. A file call that meets such a hold is tried again
// after a short, growing pause, for up to kHoldWaitLimit in all, and only then
// does its failure stand. One rule for both programs: setup.exe takes its
// clock from the seam and names files in 8-bit text, the self-extractor
// sleeps for real and names them in UTF-16.
#pragma once

#include <windows.h>

const DWORD kHoldWaitLimit = 10000;
// Most holds end within a few hundred milliseconds: the first attempts come
// quickly, later ones at most a quarter of a second apart.
const DWORD kFirstHoldPause = 20;
const DWORD kLongestHoldPause = 250;

struct HoldClock {
  void (*sleep)(DWORD milliseconds);
  // When not null, told once per step, before its first pause, that it waits.
  void (*waiting)(void* context);
  void* context;
};

// Whether a file call that failed with error, on a file of these attributes
// (INVALID_FILE_ATTRIBUTES when they cannot be read), met a passing hold: a
// sharing or lock violation, or access denied to a file that is neither
// read-only nor a folder (a file that is being read or deleted answers so).
inline bool IsPassingHold(DWORD error, DWORD attributes) {
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return true;
  return error == ERROR_ACCESS_DENIED &&
         (attributes == INVALID_FILE_ATTRIBUTES ||
          !(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)));
}

inline DWORD HeldFileAttributes(const char* path) {
  return GetFileAttributesA(path);
}
inline DWORD HeldFileAttributes(const wchar_t* path) {
  return GetFileAttributesW(path);
}

// Runs step(context) until it succeeds, fails other than by a passing hold on
// target (the file that another program may hold), or has waited
// kHoldWaitLimit. Returns 0 on success, else the error of the last attempt,
// which GetLastError then gives too.
template <typename Char>
DWORD WaitOutHolds(bool (*step)(void* context), void* context, const Char* target,
                   const HoldClock& clock) {
  DWORD waited = 0;
  DWORD pause = kFirstHoldPause;
  for (;;) {
    if (step(context)) return 0;
    DWORD error = GetLastError();
    if (waited >= kHoldWaitLimit || !IsPassingHold(error, HeldFileAttributes(target))) {
      SetLastError(error);
      return error;
    }
    if (waited == 0 && clock.waiting) clock.waiting(clock.context);
    if (pause > kHoldWaitLimit - waited) pause = kHoldWaitLimit - waited;
    clock.sleep(pause);
    waited += pause;
    pause = pause * 2 < kLongestHoldPause ? pause * 2 : kLongestHoldPause;
  }
}

// The same for a lambda: WaitOutHolds(target, clock, [&] { return ...; }).
template <typename Char, typename Step>
DWORD WaitOutHolds(const Char* target, const HoldClock& clock, Step step) {
  return WaitOutHolds([](void* context) { return (*static_cast<Step*>(context))(); }, &step, target,
                      clock);
}
