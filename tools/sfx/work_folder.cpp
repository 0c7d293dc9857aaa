#include "tools/sfx/work_folder.h"

#include "common/make_folder.h"
#include "common/text.h"
#include "tools/sfx/cut_point.h"
#include "tools/sfx/journal_file.h"

namespace {

const wchar_t kWorkFolderName[] = L"qbar-work~00";
const wchar_t kGonePrefix[] = L"gone-";

// Opens the folder at path without following it, and keeps it open, not
// shared for deletion, so that nobody can rename or remove it meanwhile.
// Pinned only when both the handle and the name, asked once it is open, show
// a plain folder: the handle shows a link itself, the name also one that
// the system followed while opening it.
FolderState PinFolder(const wchar_t* path, HANDLE* pin, const HoldClock& clock) {
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
    *pin = folder;
    return kFolderPinned;
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

bool IsFile(const WIN32_FIND_DATAW& found) {
  return !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveEntries(const wchar_t* folder, bool* gone, const HoldClock& clock);

// Removes one entry that is not the extractor's: a folder with what is in it,
// emptied only while it is pinned as a plain folder, but a link or junction by
// itself, so that nothing it points at is touched.
bool RemoveEntry(const wchar_t* path, DWORD attributes, const HoldClock& clock) {
  bool link = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    HANDLE pin;
    if (!link && PinFolder(path, &pin, clock) == kFolderPinned) {
      bool emptied = RemoveEntries(path, nullptr, clock);
      CloseHandle(pin);
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
    if (ours && StartsWith(name, MAX_PATH, kGonePrefix)) {
      // Waits for the restart (or a program of the product to end).
      *gone = DeleteFileW(path) ? *gone : true;
      return true;
    }
    if (!ours || !IsWorkFileName(name, kSetAsideFile))
      return RemoveEntry(path, found.dwFileAttributes, clock);
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

bool WorkFolderPath(WorkFolder* work, const wchar_t* folder) {
  work->pin = nullptr;
  return PathInFolder(work->path, folder, "") && AppendText(work->path, kLongPath, kWorkFolderName);
}

FolderState PinWorkFolder(WorkFolder* work, const HoldClock& clock) {
  return PinFolder(work->path, &work->pin, clock);
}

void UnpinWorkFolder(WorkFolder* work) {
  if (work->pin) CloseHandle(work->pin);
  work->pin = nullptr;
}

bool WorkFilePath(wchar_t* path, const wchar_t* work, char kind, uint32_t slot) {
  char name[16] = {kind, '\0'};
  return AppendDecimal(name, slot) && PathInFolder(path, work, name);
}

bool IsWorkFileName(const wchar_t* name, char kind) {
  if (name[0] != static_cast<unsigned char>(kind) || !name[1] || (name[1] == L'0' && name[2])) {
    return false;
  }
  size_t digits = 1;
  while (name[digits] >= L'0' && name[digits] <= L'9') ++digits;
  return !name[digits] && digits <= 7;
}

bool ClearWorkFolder(WorkFolder* work, const HoldClock& clock, HANDLE journal) {
  const wchar_t* folder = work->path;
  wchar_t path[kLongPath];
  bool gone = false;
  bool cleared = RemoveEntries(folder, &gone, clock) && JournalPath(path, folder);
  DWORD error = 0;
  if (journal == INVALID_HANDLE_VALUE) {
    error = cleared ? DeleteWaiting(path, clock) : 0;
  } else if (cleared) {
    error = DeleteAndClose(journal);
  } else {
    CloseHandle(journal);  // the journal stays for the next run
  }
  UnpinWorkFolder(work);
  if (!cleared || (error && error != ERROR_FILE_NOT_FOUND)) return false;
  // Once unpinned, a link put in its place would be removed itself.
  if (WaitOutHolds(folder, clock, [&] { return RemoveDirectoryW(folder) != FALSE; }) == 0) {
    return true;
  }
  // Emptied by the restart's deletions, then removed after them.
  if (gone) MoveFileExW(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return gone;
}
