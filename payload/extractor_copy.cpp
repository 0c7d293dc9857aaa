#include "payload/extractor_copy.h"

#include "common/make_folder.h"
#include "common/text.h"
#include "payload/file_steps.h"
#include "seam/outside.h"
#include "setup/setup_state.h"

namespace {

const DWORD kCopyRetryPause = 1000;
// Names tried for the temporary folder before giving up: only one setup
// runs at a time, so a name is taken only by a run that was cut off.
const unsigned kTempFolderNames = 100;

// Static, as it is too large for the stack of a program without the
// runtime's stack probes.
BYTE copyBlock[64 * 1024];

bool CopyBytes(HANDLE from, HANDLE to) {
  for (;;) {
    DWORD got = 0, put = 0;
    if (!ReadFile(from, copyBlock, sizeof copyBlock, &got, NULL)) return false;
    if (got == 0) return true;
    if (!WriteFile(to, copyBlock, got, &put, NULL) || put != got) return false;
  }
}

// Trades the handle that wrote the copy for one that only reads it and
// shares only reading, reopened from it, never by name: a program cannot
// start from a file that is open for writing. The file is open throughout,
// never to be renamed or deleted; whatever another program could write in
// the moment between the two is read by the digest, which is taken after.
HANDLE KeepReading(HANDLE written) {
  HANDLE reading = ReOpenFile(written, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
  CloseHandle(written);
  if (reading == INVALID_HANDLE_VALUE) return reading;
  HANDLE pinned = ReOpenFile(reading, GENERIC_READ, FILE_SHARE_READ, 0);
  CloseHandle(reading);
  return pinned;
}

// Writes the archive into the new file at copy; on failure the part written
// goes again.
HANDLE FillCopy(HANDLE created, const char* copy) {
  HANDLE source = CreateFileA(setupState.payloadArchivePath, GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, 0, NULL);
  bool copied = source != INVALID_HANDLE_VALUE && CopyBytes(source, created);
  DWORD error = GetLastError();
  if (source != INVALID_HANDLE_VALUE) CloseHandle(source);
  if (copied) return KeepReading(created);
  CloseHandle(created);
  DeleteFileA(copy);
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

// The archive copied to copy as setup's own new file, pinned. An old copy
// goes by its name first; a link under the name is refused, and the copy is
// made only where nothing stands (a link made there meanwhile is not
// followed). On failure, *error says why: when an old copy could not be
// deleted, the deletion's error.
HANDLE CreatePinnedCopy(const char* copy, DWORD* error) {
  *error = ERROR_FILE_EXISTS;
  DWORD attributes = GetFileAttributesA(copy);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return INVALID_HANDLE_VALUE;
  }
  DWORD deleteError = DeleteFileA(copy) ? 0 : GetLastError();
  HANDLE created = CreateFileA(copy, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL,
                               CREATE_NEW, FILE_FLAG_OPEN_REPARSE_POINT, NULL);
  HANDLE pinned = created == INVALID_HANDLE_VALUE ? created : FillCopy(created, copy);
  *error = GetLastError();
  if (*error == ERROR_FILE_EXISTS && deleteError) *error = deleteError;
  return pinned;
}

// A folder that takes no new file: a read-only share, a disc, a mounted
// image, a full disk, or one the user may not write to.
bool RefusesNewFiles(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT ||
         error == ERROR_NETWORK_ACCESS_DENIED || error == ERROR_DISK_FULL ||
         error == ERROR_HANDLE_DISK_FULL;
}

// A folder made new under the temporary folder, pinned open without sharing
// deletion so that it cannot be swapped for a link while the copy is made
// and run there. False when none could be made.
bool MakeTempFolder(char (&folder)[MAX_PATH], HANDLE* pin) {
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) return false;
  for (unsigned attempt = 0; attempt < kTempFolderNames; ++attempt) {
    if (!JoinPath(folder, temp, "qbar-setup-") || !AppendDecimal(folder, attempt)) return false;
    if (CreateDirectoryA(folder, NULL)) {
      *pin = CreateFileA(folder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
      if (*pin != INVALID_HANDLE_VALUE && IsPlainFolder(GetFileAttributesA(folder))) return true;
      if (*pin != INVALID_HANDLE_VALUE) CloseHandle(*pin);
      return false;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

// The copy in a temporary folder of its own; extractorCopyPath and
// extractorCopyFolder name them once both are made.
PinnedCopy MakeCopyInTempFolder() {
  PinnedCopy made = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
  char folder[MAX_PATH];
  char copy[MAX_PATH];
  if (!MakeTempFolder(folder, &made.folder)) return made;
  DWORD error;
  if (JoinPath(copy, folder, kExtractorCopyName)) made.file = CreatePinnedCopy(copy, &error);
  if (made.file == INVALID_HANDLE_VALUE) {
    CloseHandle(made.folder);
    made.folder = INVALID_HANDLE_VALUE;
    RemoveDirectoryA(folder);
    return made;
  }
  CopyText(setupState.extractorCopyPath, copy);
  CopyText(setupState.extractorCopyFolder, folder);
  return made;
}

}  // namespace

PinnedCopy MakePinnedExtractorCopy() {
  PinnedCopy made = {INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
  const char* copy = setupState.extractorCopyPath;
  if (!copy[0]) return made;  // path too long: no retry can help
  // A copy held by another program (an earlier run's extractor, a scanner)
  // may be free a second later.
  for (int attempt = 1;; ++attempt) {
    DWORD error;
    made.file = CreatePinnedCopy(copy, &error);
    if (made.file != INVALID_HANDLE_VALUE) return made;
    if (RefusesNewFiles(error)) return MakeCopyInTempFolder();
    if (attempt == 2) return made;
    outside.sleep(kCopyRetryPause);
  }
}

void UnpinCopy(const PinnedCopy& copy) {
  if (copy.file != INVALID_HANDLE_VALUE) CloseHandle(copy.file);
  if (copy.folder != INVALID_HANDLE_VALUE) CloseHandle(copy.folder);
}

void DeleteExtractorCopy() {
  // The extractor, closed a moment ago, may still be ending, and a scanner
  // may be reading the copy: both are waited out.
  if (setupState.extractorCopyPath[0]) DeleteFileWaiting(setupState.extractorCopyPath);
  if (setupState.extractorCopyFolder[0]) RemoveDirectoryA(setupState.extractorCopyFolder);
}
