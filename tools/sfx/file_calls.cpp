#include "tools/sfx/file_calls.h"

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "common/make_folder.h"

namespace {

bool IsFolder(const wchar_t* path) {
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

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
  size_t length = lstrlenW(folder);
  if (length > 0 && folder[length - 1] != L'\\' && !AppendText(path, kLongPath, L"\\")) {
    return false;
  }
  return AppendAsciiText(path, kLongPath, name);
}

DWORD DeleteWaiting(const wchar_t* path, const HoldClock& clock) {
  return WaitOutHolds(path, clock, [&] { return DeleteFileW(path) != FALSE; });
}

DWORD DurableMoveWaiting(const wchar_t* from, const wchar_t* to, DWORD flags, const wchar_t* held,
                         const HoldClock& clock) {
  return WaitOutHolds(
      held, clock, [&] { return MoveFileExW(from, to, flags | MOVEFILE_WRITE_THROUGH) != FALSE; });
}

DWORD RenameOpenFileWaiting(HANDLE file, const wchar_t* held, const wchar_t* to,
                            const HoldClock& clock) {
  // The name follows the structure's fixed part; the system reads it to its
  // length, and its terminator keeps it a string for the path conversion.
  union {
    FILE_RENAME_INFO info;
    uint8_t bytes[sizeof(FILE_RENAME_INFO) + kLongPath * sizeof(wchar_t)];
  } rename;
  size_t length = lstrlenW(to);
  if (length >= kLongPath) return ERROR_FILENAME_EXCED_RANGE;
  memset(&rename, 0, sizeof rename);
  rename.info.ReplaceIfExists = FALSE;
  rename.info.FileNameLength = static_cast<DWORD>(length * sizeof(wchar_t));
  memcpy(rename.bytes + offsetof(FILE_RENAME_INFO, FileName), to, length * sizeof(wchar_t));
  return WaitOutHolds(held, clock, [&] {
    return SetFileInformationByHandle(file, FileRenameInfo, &rename, sizeof rename) != FALSE;
  });
}

DWORD DeleteAndClose(HANDLE file) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  DWORD error =
      SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition)
          ? 0
          : GetLastError();
  CloseHandle(file);
  return error;
}

bool FreeSpace(const wchar_t* folder, ULONGLONG* available) {
  wchar_t path[MAX_PATH];
  if (!CopyText(path, folder)) return false;
  for (size_t length = lstrlenW(path);;) {
    ULARGE_INTEGER free;
    if (GetDiskFreeSpaceExW(path, &free, nullptr, nullptr)) {
      *available = free.QuadPart;
      return true;
    }
    while (length > 0 && path[length - 1] != L'\\') --length;
    if (length == 0) return false;
    // A drive root keeps its backslash.
    if (length != 3 || path[1] != L':') --length;
    if (!path[length]) return false;  // the root itself was asked
    path[length] = L'\0';
  }
}

bool MakeDestination(wchar_t* folder, size_t* made) {
  *made = 0;
  return IsFolder(folder) || MakeFolderPath(folder, made) || IsFolder(folder);
}

void RemoveMadeFolders(const wchar_t* folder, size_t made) {
  if (!made) return;
  wchar_t path[MAX_PATH];
  if (!CopyText(path, folder)) return;
  for (size_t length = lstrlenW(path); length >= made && RemoveDirectoryW(path);) {
    while (length > 0 && path[length] != L'\\') --length;
    path[length] = L'\0';
  }
}

bool ForEachEntry(const wchar_t* folder, EntryVisit visit, void* context) {
  wchar_t pattern[kLongPath], path[kLongPath];
  CopyText(pattern, folder);
  if (!AppendText(pattern, L"\\*")) return false;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  bool all = true;
  do {
    const wchar_t* name = found.cFileName;
    if (name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2]))) continue;
    CopyText(path, folder);
    all = AppendText(path, L"\\") && AppendText(path, name) && visit(context, found, path) && all;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return all;
}
