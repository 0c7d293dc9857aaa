#include "tools/sfx/work_folder.h"

#include <string.h>

#include "common/text.h"
#include "tools/sfx/cut_point.h"
#include "tools/sfx/unpack_journal.h"

namespace {

const wchar_t kWorkFolderName[] = L"qbar-work~00";
const char kJournalName[] = "journal";
const wchar_t kGonePrefix[] = L"gone-";
// A journal is a few dozen bytes a file; anything far larger is not ours.
const DWORD kMaxJournal = 1 << 24;

bool Exists(const wchar_t* path) {
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
  while (*prefix && *text == *prefix) ++text, ++prefix;
  return !*prefix;
}

// Renames a set-aside file that cannot be deleted to a name no later unpack
// uses, and has it deleted at the next restart.
bool PutAsideForRestart(const wchar_t* work, const wchar_t* path) {
  wchar_t gone[kLongPath];
  for (unsigned attempt = 0; attempt < 16; ++attempt) {
    CopyText(gone, work);
    if (!AppendText(gone, L"\\") || !AppendText(gone, kGonePrefix) ||
        !AppendDecimal(gone, GetTickCount() + attempt)) {
      return false;
    }
    if (MoveFileExW(path, gone, MOVEFILE_WRITE_THROUGH)) {
      MoveFileExW(gone, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
      return true;
    }
  }
  return false;
}

// Reads the whole journal into a heap block (freed by the caller); null when
// there is none or it cannot be read.
uint8_t* ReadJournal(const wchar_t* work, DWORD* size) {
  wchar_t path[kLongPath];
  if (!JournalPath(path, work)) return nullptr;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  uint8_t* data = nullptr;
  DWORD high = 0;
  *size = GetFileSize(file, &high);
  if (!high && *size <= kMaxJournal) {
    data = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, *size + 1));
    DWORD read = 0;
    if (data && (!ReadFile(file, data, *size, &read, nullptr) || read != *size)) {
      HeapFree(GetProcessHeap(), 0, data);
      data = nullptr;
    }
  }
  CloseHandle(file);
  return data;
}

// Undoes one move of a plan whose placing had not ended; true when the
// name holds what it held before that run.
bool UndoRecord(const wchar_t* folder, const wchar_t* work, const JournalRecord& record,
                bool* changed, const HoldClock& clock) {
  wchar_t target[kLongPath], held[kLongPath];
  if (!PathInFolder(target, folder, record.name) ||
      !WorkFilePath(held, work, record.aside ? 'o' : 'n', record.slot)) {
    return false;
  }
  if (record.aside) {
    // Still under its own name unless it was set aside.
    if (!Exists(held)) return true;
    *changed = true;
    return DurableMoveWaiting(held, target, MOVEFILE_REPLACE_EXISTING, target, clock) == 0;
  }
  // The new file had taken the name once its scratch file is gone.
  if (Exists(held) || !Exists(target)) return true;
  *changed = true;
  return DeleteWaiting(target, clock) == 0;
}

bool HoldsSetAsideFiles(const wchar_t* work) {
  wchar_t pattern[kLongPath];
  CopyText(pattern, work);
  if (!AppendText(pattern, L"\\o*")) return true;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

}  // namespace

DWORD DeleteWaiting(const wchar_t* path, const HoldClock& clock) {
  return WaitOutHolds(path, clock, [&] { return DeleteFileW(path) != FALSE; });
}

DWORD DurableMoveWaiting(const wchar_t* from, const wchar_t* to, DWORD flags, const wchar_t* held,
                         const HoldClock& clock) {
  return WaitOutHolds(
      held, clock, [&] { return MoveFileExW(from, to, flags | MOVEFILE_WRITE_THROUGH) != FALSE; });
}

bool LongPath(wchar_t* path, size_t size, const wchar_t* full) {
  if (full[0] == L'\\' && full[1] == L'\\') {
    // Already long, or a device: taken as it is.
    if (full[2] == L'?' || full[2] == L'.') return CopyText(path, size, full);
    return CopyText(path, size, L"\\\\?\\UNC\\") && AppendText(path, size, full + 2);
  }
  return CopyText(path, size, L"\\\\?\\") && AppendText(path, size, full);
}

bool PathInFolder(wchar_t* path, const wchar_t* folder, const char* name) {
  if (!CopyText(path, kLongPath, folder)) return false;
  size_t length = 0;
  while (folder[length]) ++length;
  if (length > 0 && folder[length - 1] != L'\\' && !AppendText(path, kLongPath, L"\\")) {
    return false;
  }
  return AppendAsciiText(path, kLongPath, name);
}

bool WorkFolderPath(wchar_t* work, const wchar_t* folder) {
  return PathInFolder(work, folder, "") && AppendText(work, kLongPath, kWorkFolderName);
}

bool WorkFilePath(wchar_t* path, const wchar_t* work, char kind, uint32_t slot) {
  char name[16] = {kind, '\0'};
  return AppendDecimal(name, slot) && PathInFolder(path, work, name);
}

bool JournalPath(wchar_t* path, const wchar_t* work) {
  return PathInFolder(path, work, kJournalName);
}

bool ClearWorkFolder(const wchar_t* work, const HoldClock& clock) {
  wchar_t pattern[kLongPath], path[kLongPath];
  CopyText(pattern, work);
  if (!AppendText(pattern, L"\\*")) return false;
  bool cleared = true, gone = false;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const wchar_t* name = found.cFileName;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      CopyText(path, work);
      if (!AppendText(path, L"\\") || !AppendText(path, name)) {
        cleared = false;
        continue;
      }
      if (StartsWith(name, kGonePrefix)) {
        // Waits for the restart (or a program of the product to end).
        gone = DeleteFileW(path) ? gone : true;
      } else if (name[0] == L'o') {
        if (DeleteWaiting(path, clock) == 0) {
          PassCutPoint(kCutDeleted);
        } else if (PutAsideForRestart(work, path)) {
          gone = true;
        } else {
          cleared = false;
        }
      } else if (name[0] == L'n') {
        cleared = DeleteWaiting(path, clock) == 0 && cleared;
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  if (!cleared || !JournalPath(path, work)) return false;
  DWORD error = DeleteWaiting(path, clock);
  if (error && error != ERROR_FILE_NOT_FOUND) return false;
  if (WaitOutHolds(work, clock, [&] { return RemoveDirectoryW(work) != FALSE; }) == 0) return true;
  // Emptied by the restart's deletions, then removed after them.
  if (gone) MoveFileExW(work, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return gone;
}

HealResult HealInterruptedUnpack(const wchar_t* folder, char* badName, const HoldClock& clock) {
  badName[0] = '\0';
  wchar_t work[kLongPath];
  if (!WorkFolderPath(work, folder)) return kHealFailed;
  if (!Exists(work)) return kHealNothing;
  DWORD size = 0;
  uint8_t* journal = ReadJournal(work, &size);
  JournalState state = journal ? JournalCheck(journal, size) : kJournalUnreadable;
  bool changed = false, undone = true;
  if (state == kJournalPlanned) {
    JournalRecord record;
    size_t cursor = 0;
    while (JournalNextRecord(journal, size, &cursor, &record)) {
      if (!UndoRecord(folder, work, record, &changed, clock)) {
        undone = false;
        CopyText(badName, kZipMaxName + 1, record.name);
      }
    }
  } else if (state == kJournalUnreadable && HoldsSetAsideFiles(work)) {
    // Set-aside files are only made after the whole plan is flushed: a
    // journal that cannot say where they belong is not ours to act on.
    undone = false;
  }
  if (journal) HeapFree(GetProcessHeap(), 0, journal);
  if (!undone || !ClearWorkFolder(work, clock)) return kHealFailed;
  return changed ? kHealDone : kHealNothing;
}
