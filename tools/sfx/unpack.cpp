#include "tools/sfx/unpack.h"

#include <string.h>

#include "common/text.h"
#include "tools/sfx/pe_overlay.h"

namespace {

// Large writes: a 50 MB product unpacks in a few hundred calls.
const size_t kInflateBuffer = 1 << 20;

struct WriteTarget {
  HANDLE file;
  volatile LONG* cancel;
};

bool WriteToFile(void* context, const uint8_t* bytes, size_t count) {
  WriteTarget* target = static_cast<WriteTarget*>(context);
  if (target->cancel && *target->cancel) return false;
  while (count > 0) {
    DWORD chunk = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
    DWORD written = 0;
    if (!WriteFile(target->file, bytes, chunk, &written, nullptr) || written != chunk) {
      return false;
    }
    bytes += chunk;
    count -= chunk;
  }
  return true;
}

bool IsFolder(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Makes folder and any missing parent; the result says whether it exists now.
bool MakeFolderPath(char* folder) {
  if (IsFolder(folder)) return true;
  for (char* p = folder; *p; ++p) {
    if (*p != '\\' || p == folder || p[-1] == ':' || p[-1] == '\\') continue;
    *p = '\0';
    CreateDirectoryA(folder, nullptr);
    *p = '\\';
  }
  CreateDirectoryA(folder, nullptr);
  return IsFolder(folder);
}

// folder + "\" + name, folder being a drive root ("C:\") or a folder without
// a trailing backslash.
bool TargetPath(char* target, const char* folder, const char* name) {
  size_t length = strlen(folder);
  const char* separator = length > 0 && folder[length - 1] == '\\' ? "" : "\\";
  return JoinPath(target, MAX_PATH, folder, separator) && AppendText(target, MAX_PATH, name);
}

bool Fail(UnpackOutcome* outcome, UnpackStep step, const char* name, DWORD error) {
  outcome->step = step;
  outcome->error = error;
  if (name) CopyText(outcome->name, sizeof outcome->name, name);
  return false;
}

void SetWriteTime(HANDLE file, const ZipEntry& entry) {
  FILETIME local, utc;
  if (DosDateTimeToFileTime(entry.dosDate, entry.dosTime, &local) &&
      LocalFileTimeToFileTime(&local, &utc)) {
    SetFileTime(file, nullptr, nullptr, &utc);
  }
}

// Unpacks one entry into a fresh scratch file in folder; its name goes to
// scratch. On failure nothing of it is left on disk.
bool UnpackToScratch(const ZipArchive& archive, const ZipEntry& entry, const char* folder,
                     uint8_t* buffer, volatile LONG* cancel, char* scratch,
                     UnpackOutcome* outcome) {
  if (!GetTempFileNameA(folder, "qbx", 0, scratch)) {
    scratch[0] = '\0';
    return Fail(outcome, kUnpackCannotWrite, entry.name, GetLastError());
  }
  HANDLE file = CreateFileA(scratch, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    DeleteFileA(scratch);
    scratch[0] = '\0';
    return Fail(outcome, kUnpackCannotWrite, entry.name, error);
  }
  WriteTarget target = {file, cancel};
  ZipStatus status = ZipExtract(archive, entry, buffer, kInflateBuffer, WriteToFile, &target);
  DWORD error = GetLastError();
  if (status == kZipOk) SetWriteTime(file, entry);
  CloseHandle(file);
  if (status == kZipOk) return true;
  DeleteFileA(scratch);
  scratch[0] = '\0';
  if (status == kZipWriteFailed) {
    if (cancel && *cancel) return Fail(outcome, kUnpackCancelled, entry.name, 0);
    return Fail(outcome, kUnpackCannotWrite, entry.name, error);
  }
  outcome->zip = status;
  return Fail(outcome, kUnpackBadArchive, entry.name, 0);
}

}  // namespace

bool MapWholeFile(const char* path, MappedFile* mapped) {
  memset(mapped, 0, sizeof *mapped);
  mapped->file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (mapped->file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  if (GetFileSizeEx(mapped->file, &size) && size.QuadPart > 0 &&
      static_cast<unsigned long long>(size.QuadPart) < (static_cast<size_t>(-1) >> 1)) {
    mapped->mapping = CreateFileMappingA(mapped->file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapped->mapping) {
      mapped->data =
          static_cast<const uint8_t*>(MapViewOfFile(mapped->mapping, FILE_MAP_READ, 0, 0, 0));
      mapped->size = static_cast<size_t>(size.QuadPart);
    }
  }
  if (mapped->data) return true;
  UnmapWholeFile(mapped);
  return false;
}

void UnmapWholeFile(MappedFile* mapped) {
  if (mapped->data) UnmapViewOfFile(mapped->data);
  if (mapped->mapping) CloseHandle(mapped->mapping);
  if (mapped->file && mapped->file != INVALID_HANDLE_VALUE) CloseHandle(mapped->file);
  memset(mapped, 0, sizeof *mapped);
}

bool UnpackArchive(const ZipArchive& archive, const char* folderText, volatile LONG* cancel,
                   UnpackOutcome* outcome) {
  memset(outcome, 0, sizeof *outcome);
  outcome->step = kUnpackDone;

  outcome->zip = ZipCheckAll(archive, outcome->name);
  if (outcome->zip != kZipOk) return Fail(outcome, kUnpackBadArchive, nullptr, 0);

  // A typed folder may be relative or end in a backslash.
  char folder[MAX_PATH];
  DWORD length = folderText[0] ? GetFullPathNameA(folderText, MAX_PATH, folder, nullptr) : 0;
  if (length == 0 || length >= MAX_PATH) return Fail(outcome, kUnpackNoFolder, nullptr, 0);
  while (length > 0 && folder[length - 1] == '\\') folder[--length] = '\0';
  if (length == 2 && folder[1] == ':') {
    // A drive root keeps its backslash for the folder calls ("C:" alone is
    // the drive's current folder).
    folder[2] = '\\';
    folder[3] = '\0';
  }

  // Scratch files are named folder\qbxXXXX.tmp.
  if (length + 14 > MAX_PATH) return Fail(outcome, kUnpackPathTooLong, nullptr, 0);

  // Every target path must fit before the first byte is written.
  ZipEntry entry;
  char target[MAX_PATH];
  size_t cursor = archive.directory;
  for (uint32_t i = 0; i < archive.entryCount; ++i) {
    ZipReadEntry(archive, &cursor, &entry);  // checked above
    if (!TargetPath(target, folder, entry.name)) {
      return Fail(outcome, kUnpackPathTooLong, entry.name, 0);
    }
  }
  if (!MakeFolderPath(folder)) return Fail(outcome, kUnpackNoFolder, nullptr, GetLastError());

  HANDLE heap = GetProcessHeap();
  uint8_t* buffer = static_cast<uint8_t*>(HeapAlloc(heap, 0, kInflateBuffer));
  char(*scratch)[MAX_PATH] = static_cast<char(*)[MAX_PATH]>(
      HeapAlloc(heap, HEAP_ZERO_MEMORY, (archive.entryCount + 1) * sizeof(char[MAX_PATH])));
  if (!buffer || !scratch) {
    if (buffer) HeapFree(heap, 0, buffer);
    if (scratch) HeapFree(heap, 0, scratch);
    return Fail(outcome, kUnpackCannotWrite, nullptr, ERROR_NOT_ENOUGH_MEMORY);
  }

  bool ok = true;
  cursor = archive.directory;
  for (uint32_t i = 0; ok && i < archive.entryCount; ++i) {
    ZipReadEntry(archive, &cursor, &entry);
    ok = UnpackToScratch(archive, entry, folder, buffer, cancel, scratch[i], outcome);
  }
  cursor = archive.directory;
  for (uint32_t i = 0; ok && i < archive.entryCount; ++i) {
    ZipReadEntry(archive, &cursor, &entry);
    TargetPath(target, folder, entry.name);
    if (!MoveFileExA(scratch[i], target, MOVEFILE_REPLACE_EXISTING)) {
      ok = Fail(outcome, kUnpackCannotPlace, entry.name, GetLastError());
      break;
    }
    scratch[i][0] = '\0';
    ++outcome->files;
  }
  // Whatever failed, no scratch file stays behind.
  for (uint32_t i = 0; i < archive.entryCount; ++i) {
    if (scratch[i][0]) DeleteFileA(scratch[i]);
  }
  HeapFree(heap, 0, scratch);
  HeapFree(heap, 0, buffer);
  return ok;
}

bool UnpackFile(const char* archivePath, const char* folder, volatile LONG* cancel,
                UnpackOutcome* outcome) {
  memset(outcome, 0, sizeof *outcome);
  MappedFile mapped;
  if (!MapWholeFile(archivePath, &mapped)) {
    return Fail(outcome, kUnpackNoArchive, nullptr, GetLastError());
  }
  // A signed payload carries its signature after the archive.
  mapped.size = PeBytesBeforeSignature(mapped.data, mapped.size);
  ZipArchive archive;
  ZipStatus status = ZipOpen(mapped.data, mapped.size, &archive);
  bool ok;
  if (status != kZipOk) {
    outcome->zip = status;
    ok = Fail(outcome, kUnpackBadArchive, nullptr, 0);
  } else {
    ok = UnpackArchive(archive, folder, cancel, outcome);
  }
  UnmapWholeFile(&mapped);
  return ok;
}

void DescribeFailure(const UnpackOutcome& outcome, char* text, size_t size) {
  const char* what = "The files could not be unzipped.";
  switch (outcome.step) {
    case kUnpackDone:
      what = "The files were unzipped.";
      break;
    case kUnpackNoArchive:
      what = "This program cannot read its own file.";
      break;
    case kUnpackBadArchive:
      switch (outcome.zip) {
        case kZipNoArchive:
          what = "This program holds no archive.";
          break;
        case kZipUnsupported:
          what = "The archive uses a feature this program does not support.";
          break;
        case kZipRefusedName:
          what = "The archive holds a name that is not a plain file name. Nothing was unzipped.";
          break;
        case kZipDuplicateName:
          what = "The archive holds two files of one name. Nothing was unzipped.";
          break;
        case kZipCrcMismatch:
        case kZipSizeMismatch:
        case kZipBadData:
          what =
              "The archive is damaged: a file does not match its checksum. Nothing was unzipped.";
          break;
        default:
          what = "The archive is damaged or incomplete. Nothing was unzipped.";
          break;
      }
      break;
    case kUnpackNoFolder:
      what = "The folder to unzip to is missing or cannot be created.";
      break;
    case kUnpackPathTooLong:
      what = "The folder name is too long for the files to unzip into it.";
      break;
    case kUnpackCannotWrite:
      what = "A file could not be written in the folder. Nothing was unzipped.";
      break;
    case kUnpackCannotPlace:
      what = "A file could not be replaced; it may be in use or read-only.";
      break;
    case kUnpackCancelled:
      what = "Unzipping was stopped. Nothing was unzipped.";
      break;
  }
  if (!CopyText(text, size, what)) return;
  if (outcome.name[0]) {
    // Names are plain ASCII and at most kZipMaxName long: this fits the
    // callers' buffers, and if not the sentence alone is shown.
    char* end = text + strlen(text);
    if (!AppendText(text, size, "\n\nFile: ") || !AppendText(text, size, outcome.name)) *end = 0;
  }
}
