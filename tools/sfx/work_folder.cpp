#include "tools/sfx/work_folder.h"

#include <string.h>

#include "common/make_folder.h"
#include "common/text.h"
#include "tools/sfx/cut_point.h"
#include "tools/sfx/unpack_journal.h"

namespace {

const wchar_t kWorkFolderName[] = L"qbar-work~00";
const wchar_t kJournalName[] = L"journal";
const wchar_t kGonePrefix[] = L"gone-";

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
  while (*prefix && *text == *prefix) ++text, ++prefix;
  return !*prefix;
}

// A folder that is no link, junction or other reparse point.
bool IsPlainFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
             FILE_ATTRIBUTE_DIRECTORY;
}

// The name of a slot's file as WorkFilePath spells it: kind and a number.
bool IsSlotName(const wchar_t* name, wchar_t kind) {
  if (name[0] != kind || !name[1] || (name[1] == L'0' && name[2])) return false;
  size_t digits = 1;
  while (name[digits] >= L'0' && name[digits] <= L'9') ++digits;
  return !name[digits] && digits <= 7;
}

bool IsDotName(const wchar_t* name) {
  return name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2]));
}

// Opens the folder at path without following it, and keeps it open, not
// shared for deletion, so that nobody can rename or remove it meanwhile.
// Held only when both the handle and the name, asked once it is open, show
// a plain folder: the handle shows a link itself, the name also one that
// the system followed while opening it.
FolderState HoldFolder(const wchar_t* path, HANDLE* held, const HoldClock& clock) {
  HANDLE folder = INVALID_HANDLE_VALUE;
  DWORD error = WaitOutHolds(path, clock, [&] {
    folder = CreateFileW(path, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                         nullptr);
    return folder != INVALID_HANDLE_VALUE;
  });
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return kFolderMissing;
  if (error) return kFolderForeign;
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileInformationByHandle(folder, &info) && IsPlainFolder(info.dwFileAttributes) &&
      IsPlainFolder(GetFileAttributesW(path))) {
    *held = folder;
    return kFolderHeld;
  }
  CloseHandle(folder);
  return kFolderForeign;
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
// there is none, it cannot be read, or it is no plain file of at most the
// largest size a journal has.
uint8_t* ReadJournal(const wchar_t* work, DWORD* size) {
  wchar_t path[kLongPath];
  if (!JournalPath(path, work)) return nullptr;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  uint8_t* data = nullptr;
  BY_HANDLE_FILE_INFORMATION info;
  *size = 0;
  if (GetFileInformationByHandle(file, &info) && !info.nFileSizeHigh &&
      info.nFileSizeLow <= kJournalMaxSize &&
      !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
    *size = info.nFileSizeLow;
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
    if (!PathExists(held)) return true;
    *changed = true;
    return DurableMoveWaiting(held, target, MOVEFILE_REPLACE_EXISTING, target, clock) == 0;
  }
  // The new file had taken the name once its scratch file is gone.
  if (PathExists(held) || !PathExists(target)) return true;
  *changed = true;
  return DeleteWaiting(target, clock) == 0;
}

// Calls visit(found, path) for each entry of folder but "." and "..". True
// when the folder could be listed (or is empty) and every visit returned true.
template <typename Visit>
bool ForEachEntry(const wchar_t* folder, Visit visit) {
  wchar_t pattern[kLongPath], path[kLongPath];
  CopyText(pattern, folder);
  if (!AppendText(pattern, L"\\*")) return false;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  bool all = true;
  do {
    if (IsDotName(found.cFileName)) continue;
    CopyText(path, folder);
    all = AppendText(path, L"\\") && AppendText(path, found.cFileName) && visit(found, path) && all;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return all;
}

bool IsFile(const WIN32_FIND_DATAW& found) {
  return !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A folder that cannot be listed counts as holding them.
bool HoldsSetAsideFiles(const wchar_t* work) {
  bool holds = false;
  bool listed = ForEachEntry(work, [&](const WIN32_FIND_DATAW& found, const wchar_t*) {
    holds = holds || (IsFile(found) && IsSlotName(found.cFileName, L'o'));
    return true;
  });
  return holds || !listed;
}

bool RemoveEntries(const wchar_t* folder, bool* gone, const HoldClock& clock);

// Removes one entry that is not the extractor's: a folder with what it holds,
// emptied only while it is held as a plain folder, but a link or junction by
// itself, so that nothing it points at is touched.
bool RemoveEntry(const wchar_t* path, DWORD attributes, const HoldClock& clock) {
  bool link = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    HANDLE held;
    if (!link && HoldFolder(path, &held, clock) == kFolderHeld) {
      bool emptied = RemoveEntries(path, nullptr, clock);
      CloseHandle(held);
      if (!emptied) return false;
    }
    return WaitOutHolds(path, clock, [&] { return RemoveDirectoryW(path) != FALSE; }) == 0;
  }
  if (!link && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  return DeleteWaiting(path, clock) == 0;
}

// Empties folder. In the work folder itself (gone given) the journal stays
// for the caller, and set-aside files that cannot go yet wait for the
// restart; gone tells that some do.
bool RemoveEntries(const wchar_t* folder, bool* gone, const HoldClock& clock) {
  return ForEachEntry(folder, [&](const WIN32_FIND_DATAW& found, const wchar_t* path) {
    const wchar_t* name = found.cFileName;
    bool ours = gone && IsFile(found);
    if (ours && lstrcmpiW(name, kJournalName) == 0) return true;
    if (ours && StartsWith(name, kGonePrefix)) {
      // Waits for the restart (or a program of the product to end).
      *gone = DeleteFileW(path) ? *gone : true;
      return true;
    }
    if (!ours || !IsSlotName(name, L'o')) return RemoveEntry(path, found.dwFileAttributes, clock);
    if (DeleteWaiting(path, clock) == 0) {
      PassCutPoint(kCutDeleted);
      return true;
    }
    if (!PutAsideForRestart(folder, path)) return false;
    *gone = true;
    return true;
  });
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

bool WorkFolderPath(WorkFolder* work, const wchar_t* folder) {
  work->held = nullptr;
  return PathInFolder(work->path, folder, "") && AppendText(work->path, kLongPath, kWorkFolderName);
}

FolderState HoldWorkFolder(WorkFolder* work, const HoldClock& clock) {
  return HoldFolder(work->path, &work->held, clock);
}

void ReleaseWorkFolder(WorkFolder* work) {
  if (work->held) CloseHandle(work->held);
  work->held = nullptr;
}

bool WorkFilePath(wchar_t* path, const wchar_t* work, char kind, uint32_t slot) {
  char name[16] = {kind, '\0'};
  return AppendDecimal(name, slot) && PathInFolder(path, work, name);
}

bool JournalPath(wchar_t* path, const wchar_t* work) {
  return PathInFolder(path, work, "") && AppendText(path, kLongPath, kJournalName);
}

bool ClearWorkFolder(WorkFolder* work, const HoldClock& clock) {
  const wchar_t* folder = work->path;
  wchar_t path[kLongPath];
  bool gone = false;
  bool cleared = RemoveEntries(folder, &gone, clock) && JournalPath(path, folder);
  DWORD error = cleared ? DeleteWaiting(path, clock) : 0;
  ReleaseWorkFolder(work);
  if (!cleared || (error && error != ERROR_FILE_NOT_FOUND)) return false;
  // Once released, a link put in its place would be removed itself.
  if (WaitOutHolds(folder, clock, [&] { return RemoveDirectoryW(folder) != FALSE; }) == 0) {
    return true;
  }
  // Emptied by the restart's deletions, then removed after them.
  if (gone) MoveFileExW(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return gone;
}

HealResult HealInterruptedUnpack(const wchar_t* folder, char* badName, const HoldClock& clock) {
  badName[0] = '\0';
  WorkFolder work;
  if (!WorkFolderPath(&work, folder)) return kHealFailed;
  FolderState found = HoldWorkFolder(&work, clock);
  if (found == kFolderMissing) return kHealNothing;
  if (found == kFolderForeign) return kHealForeign;
  DWORD size = 0;
  uint8_t* journal = ReadJournal(work.path, &size);
  JournalState state = journal ? JournalCheck(journal, size) : kJournalUnreadable;
  bool changed = false, undone = true;
  if (state == kJournalPlanned) {
    JournalRecord record;
    size_t cursor = 0;
    while (JournalNextRecord(journal, size, &cursor, &record)) {
      if (!UndoRecord(folder, work.path, record, &changed, clock)) {
        undone = false;
        CopyText(badName, kZipMaxName + 1, record.name);
      }
    }
  } else if (state == kJournalUnreadable && HoldsSetAsideFiles(work.path)) {
    // Set-aside files are only made after the whole plan is flushed: a
    // journal that cannot say where they belong is not ours to act on.
    undone = false;
  }
  if (journal) HeapFree(GetProcessHeap(), 0, journal);
  if (!undone) {
    ReleaseWorkFolder(&work);
    return kHealFailed;
  }
  if (!ClearWorkFolder(&work, clock)) return kHealFailed;
  return changed ? kHealDone : kHealNothing;
}
