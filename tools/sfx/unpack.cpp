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
// made receives the length of the outermost folder this call made (0: none),
// so that a failure can remove what it made.
bool MakeFolderPath(char* folder, size_t* made) {
  *made = 0;
  if (IsFolder(folder)) return true;
  for (char* p = folder; *p; ++p) {
    if (*p != '\\' || p == folder || p[-1] == ':' || p[-1] == '\\') continue;
    *p = '\0';
    if (CreateDirectoryA(folder, nullptr) && !*made) *made = static_cast<size_t>(p - folder);
    *p = '\\';
  }
  if (CreateDirectoryA(folder, nullptr) && !*made) *made = strlen(folder);
  return IsFolder(folder);
}

// Removes the folders that MakeFolderPath made, deepest first; only empty
// ones go, so nothing of anyone else's can.
void RemoveMadeFolders(const char* folder, size_t made) {
  if (!made) return;
  char path[MAX_PATH];
  if (!CopyText(path, folder)) return;
  while (strlen(path) >= made && RemoveDirectoryA(path)) {
    char* cut = strrchr(path, '\\');
    if (!cut) break;
    *cut = '\0';
  }
}

// Free bytes for this user on the disk of folder, which may not exist yet:
// asked of its nearest existing parent.
bool FreeSpace(const char* folder, ULONGLONG* available) {
  char path[MAX_PATH];
  if (!CopyText(path, folder)) return false;
  for (;;) {
    ULARGE_INTEGER free;
    if (GetDiskFreeSpaceExA(path, &free, nullptr, nullptr)) {
      *available = free.QuadPart;
      return true;
    }
    char* cut = strrchr(path, '\\');
    if (!cut || !cut[1]) return false;
    // A drive root keeps its backslash.
    if (cut - path == 2 && path[1] == ':') ++cut;
    *cut = '\0';
  }
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

// One entry on its way into the folder.
struct Slot {
  char target[MAX_PATH];   // its real name
  char scratch[MAX_PATH];  // its unpacked data until placed; empty once placed
  char aside[MAX_PATH];    // the earlier file of its name, set aside; empty if none
};

// Sets an earlier file of the target's name aside, then gives the scratch
// file the target's name. On failure the earlier file has its name back.
bool PutInPlace(Slot* slot, const char* folder, const char* name, UnpackOutcome* outcome) {
  DWORD attributes = GetFileAttributesA(slot->target);
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    // A folder of that name, or a file its owner protected, is not ours to replace.
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
      return Fail(outcome, kUnpackCannotPlace, name, ERROR_ACCESS_DENIED);
    }
    if (!GetTempFileNameA(folder, "qbo", 0, slot->aside)) {
      slot->aside[0] = '\0';
      return Fail(outcome, kUnpackCannotPlace, name, GetLastError());
    }
    // Fails while another program holds the file open without sharing.
    if (!MoveFileExA(slot->target, slot->aside, MOVEFILE_REPLACE_EXISTING)) {
      DWORD error = GetLastError();
      DeleteFileA(slot->aside);
      slot->aside[0] = '\0';
      return Fail(outcome, kUnpackCannotPlace, name, error);
    }
  }
  if (!MoveFileExA(slot->scratch, slot->target, 0)) {
    DWORD error = GetLastError();
    if (slot->aside[0] && MoveFileExA(slot->aside, slot->target, MOVEFILE_REPLACE_EXISTING)) {
      slot->aside[0] = '\0';
    }
    return Fail(outcome, kUnpackCannotPlace, name, error);
  }
  slot->scratch[0] = '\0';
  return true;
}

// Undoes PutInPlace: the earlier file replaces the new one, or the new one
// goes when there was none.
void TakeBack(Slot* slot) {
  if (slot->aside[0]) {
    if (MoveFileExA(slot->aside, slot->target, MOVEFILE_REPLACE_EXISTING)) slot->aside[0] = '\0';
  } else {
    DeleteFileA(slot->target);
  }
}

// Whole kilobytes as a 32-bit count; beyond 4 TB the count stops there.
unsigned KiloBytes(ULONGLONG bytes) {
  ULONGLONG kilobytes = bytes / 1024;
  return kilobytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<unsigned>(kilobytes);
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
  CopyText(outcome->folder, folderText);

  outcome->zip = ZipCheckAll(archive, outcome->name);
  if (outcome->zip != kZipOk) return Fail(outcome, kUnpackBadArchive, nullptr, 0);

  // A typed folder may be relative or end in a backslash.
  char folder[MAX_PATH];
  DWORD length = folderText[0] ? GetFullPathNameA(folderText, MAX_PATH, folder, nullptr) : 0;
  if (length == 0 || length >= MAX_PATH) return Fail(outcome, kUnpackNoFolder, nullptr, 0);
  while (length > 0 && folder[length - 1] == '\\') folder[--length] = '\0';
  CopyText(outcome->folder, folder);
  if (length == 2 && folder[1] == ':') {
    // A drive root keeps its backslash for the folder calls ("C:" alone is
    // the drive's current folder).
    folder[2] = '\\';
    folder[3] = '\0';
  }

  // Scratch files are named folder\qbxXXXX.tmp.
  if (length + 14 > MAX_PATH) return Fail(outcome, kUnpackPathTooLong, nullptr, 0);

  // Every target path must fit, and every file the disk, before the first
  // byte is written. The scratch files live beside the earlier files until
  // they are placed, so the whole size must be free.
  ZipEntry entry;
  char target[MAX_PATH];
  ULONGLONG needed = 0;
  size_t cursor = archive.directory;
  for (uint32_t i = 0; i < archive.entryCount; ++i) {
    ZipReadEntry(archive, &cursor, &entry);  // checked above
    if (!TargetPath(target, folder, entry.name)) {
      return Fail(outcome, kUnpackPathTooLong, entry.name, 0);
    }
    needed += entry.size;
  }
  ULONGLONG available = 0;
  if (FreeSpace(folder, &available) && needed > available) {
    outcome->needed = needed;
    outcome->available = available;
    return Fail(outcome, kUnpackNoRoom, nullptr, ERROR_DISK_FULL);
  }
  size_t made = 0;
  if (!MakeFolderPath(folder, &made)) {
    DWORD error = GetLastError();
    RemoveMadeFolders(folder, made);
    return Fail(outcome, kUnpackNoFolder, nullptr, error);
  }

  HANDLE heap = GetProcessHeap();
  uint8_t* buffer = static_cast<uint8_t*>(HeapAlloc(heap, 0, kInflateBuffer));
  Slot* slots = static_cast<Slot*>(
      HeapAlloc(heap, HEAP_ZERO_MEMORY, (archive.entryCount + 1) * sizeof(Slot)));
  if (!buffer || !slots) {
    if (buffer) HeapFree(heap, 0, buffer);
    if (slots) HeapFree(heap, 0, slots);
    RemoveMadeFolders(folder, made);
    return Fail(outcome, kUnpackCannotWrite, nullptr, ERROR_NOT_ENOUGH_MEMORY);
  }

  bool ok = true;
  cursor = archive.directory;
  for (uint32_t i = 0; ok && i < archive.entryCount; ++i) {
    ZipReadEntry(archive, &cursor, &entry);
    TargetPath(slots[i].target, folder, entry.name);
    ok = UnpackToScratch(archive, entry, folder, buffer, cancel, slots[i].scratch, outcome);
  }
  uint32_t placed = 0;
  cursor = archive.directory;
  while (ok && placed < archive.entryCount) {
    ZipReadEntry(archive, &cursor, &entry);
    ok = PutInPlace(&slots[placed], folder, entry.name, outcome);
    if (ok) ++placed;
  }
  if (ok) {
    outcome->files = placed;
  } else {
    // The entry that failed has already undone itself; undo the others.
    while (placed > 0) TakeBack(&slots[--placed]);
  }
  for (uint32_t i = 0; i < archive.entryCount; ++i) {
    if (slots[i].scratch[0]) DeleteFileA(slots[i].scratch);
    // Set-aside files go on success only: after a failure one that could not
    // take its name back still holds the user's earlier file.
    if (ok && slots[i].aside[0]) DeleteFileA(slots[i].aside);
  }
  HeapFree(heap, 0, slots);
  HeapFree(heap, 0, buffer);
  if (!ok) RemoveMadeFolders(folder, made);
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
  const char* why = "the files could not be unzipped.";
  switch (outcome.step) {
    case kUnpackDone:
      CopyText(text, size, "The files were unzipped.");
      return;
    case kUnpackNoArchive:
      why = "this program cannot read its own file.";
      break;
    case kUnpackBadArchive:
      switch (outcome.zip) {
        case kZipNoArchive:
          why = "this program holds no archive.";
          break;
        case kZipUnsupported:
          why = "the archive uses a feature this program does not support.";
          break;
        case kZipRefusedName:
          why = "the archive holds a name that is not a plain file name.";
          break;
        case kZipDuplicateName:
          why = "the archive holds two files of one name.";
          break;
        case kZipOverlap:
          why = "the archive is damaged: two files share their data.";
          break;
        case kZipCrcMismatch:
        case kZipSizeMismatch:
        case kZipBadData:
          why = "the archive is damaged: a file does not match its checksum.";
          break;
        default:
          why = "the archive is damaged or incomplete.";
          break;
      }
      break;
    case kUnpackNoFolder:
      why = "the folder is missing or cannot be created.";
      break;
    case kUnpackPathTooLong:
      why = "the folder name is too long for the files to unzip into it.";
      break;
    case kUnpackNoRoom:
      why = "its disk has not enough free space for the files.";
      break;
    case kUnpackCannotWrite:
      why = "a file could not be written; the disk may be full.";
      break;
    case kUnpackCannotPlace:
      why = "a file could not be replaced; it may be in use or read-only.";
      break;
    case kUnpackCancelled:
      why = "unzipping was stopped.";
      break;
  }
  if (!CopyText(text, size, "Nothing was changed") ||
      (outcome.folder[0] &&
       (!AppendText(text, size, " in ") || !AppendText(text, size, outcome.folder))) ||
      !AppendText(text, size, ": ") || !AppendText(text, size, why)) {
    text[0] = '\0';
    return;
  }
  char* end = text + strlen(text);
  if (outcome.step == kUnpackNoRoom) {
    // Needed rounded up and free rounded down, so that the two never read
    // as equal.
    if (!AppendText(text, size, "\n\nThe files need ") ||
        !AppendDecimal(text, size, KiloBytes(outcome.needed + 1023)) ||
        !AppendText(text, size, " KB; ") ||
        !AppendDecimal(text, size, KiloBytes(outcome.available)) ||
        !AppendText(text, size, " KB are free.")) {
      *end = '\0';
    }
  }
  if (outcome.name[0]) {
    // Names are plain ASCII and at most kZipMaxName long: this fits the
    // callers' buffers, and if not the sentence alone is shown.
    end = text + strlen(text);
    if (!AppendText(text, size, "\n\nFile: ") || !AppendText(text, size, outcome.name)) *end = 0;
  }
}
