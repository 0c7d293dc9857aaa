// setup.exe's file steps after the unpack (placing plug-ins, copying the
// configuration samples, putting new modules in place), each waiting out a
// passing hold (common/passing_hold.h) on the file it concerns on the seam's
// clock. The result is the Win32 call's, once any hold has been waited out.
#pragma once

#include <windows.h>

enum FileStep { kCopyReplacing, kCopyAsNew, kMoveFile, kDeleteFile };

bool RunFileStep(FileStep step, const char* from, const char* to);

inline bool CopyFileWaiting(const char* from, const char* to, BOOL failIfExists) {
  return RunFileStep(failIfExists ? kCopyAsNew : kCopyReplacing, from, to);
}
inline bool MoveFileWaiting(const char* from, const char* to) {
  return RunFileStep(kMoveFile, from, to);
}
inline bool DeleteFileWaiting(const char* path) {
  return RunFileStep(kDeleteFile, path, nullptr);
}
