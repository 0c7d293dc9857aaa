#include "tools/sfx/zip_check.h"

#include <stdlib.h>
#include <string.h>

#include "common/text.h"
#include "tools/sfx/heap_sort.h"
#include "tools/sfx/same_names.h"

namespace {

// Windows opens a device, not a file, for these base names whatever the
// extension ("nul.txt" is the null device), and it drops blanks at the end of
// the base first, so "nul .txt" is the null device too.
bool IsDeviceName(const char* name) {
  static const char* const kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
  size_t base = 0;
  while (name[base] && name[base] != '.') ++base;
  while (base > 0 && name[base - 1] == ' ') --base;
  for (const char* device : kDevices) {
    size_t length = strlen(device);
    if (base != length) continue;
    size_t i = 0;
    while (i < length && LowerAscii(name[i]) == device[i]) ++i;
    if (i == length) return true;
  }
  if (base == 4) {
    char a = LowerAscii(name[0]), b = LowerAscii(name[1]), c = LowerAscii(name[2]);
    bool com = a == 'c' && b == 'o' && c == 'm';
    bool lpt = a == 'l' && b == 'p' && c == 't';
    if ((com || lpt) && name[3] >= '0' && name[3] <= '9') return true;
  }
  return false;
}

// "IMPORT~1.TXT" may be the 8.3 alias of an existing "Important notes.txt":
// writing it would replace that file instead of making a new one.
bool LooksLikeShortAlias(const char* name) {
  const char* stemEnd = strrchr(name, '.');
  if (!stemEnd) stemEnd = name + strlen(name);
  for (const char* p = name; p + 1 < stemEnd; ++p) {
    if (p[0] == '~' && p[1] >= '0' && p[1] <= '9') return true;
  }
  return false;
}

}  // namespace

bool ZipNameAllowed(const char* name) {
  size_t length = strlen(name);
  if (length == 0 || length > kZipMaxName) return false;
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    // Only plain ASCII: a name's bytes must mean the same file whatever the
    // code page of the machine that unpacks it.
    if (c < 0x20 || c >= 0x7F) return false;
    if (strchr("/\\:*?\"<>|", c)) return false;
  }
  // Windows drops trailing dots and blanks, so "..." or "a." would name
  // another file than the one listed; "." and ".." end in a dot too.
  char last = name[length - 1];
  if (last == '.' || last == ' ') return false;
  return !IsDeviceName(name) && !LooksLikeShortAlias(name);
}

namespace {

// The bytes an entry takes in the archive: [start, end).
struct Span {
  size_t start;
  size_t end;
  uint32_t index;
};

bool StartsBefore(const void* a, const void* b, const void*) {
  return static_cast<const Span*>(a)->start < static_cast<const Span*>(b)->start;
}

// The index of the first entry, in archive order, found to share bytes with
// another one; count when none do. Sorted by start, each span is compared
// with the one reaching furthest before it.
uint32_t FirstOverlap(Span* spans, uint32_t count) {
  HeapSort(spans, count, sizeof *spans, StartsBefore, nullptr);
  uint32_t first = count;
  for (uint32_t i = 1, reach = 0; i < count; ++i) {
    if (spans[i].start < spans[reach].end) {
      uint32_t later = spans[i].index > spans[reach].index ? spans[i].index : spans[reach].index;
      if (later < first) first = later;
    }
    if (spans[i].end > spans[reach].end) reach = i;
  }
  return first;
}

// What the check of the whole archive keeps of each entry.
struct Checked {
  NameAt* names;
  Span* spans;
};

// Reads every entry in order up to the first that cannot be read or has a
// refused name; gives how many were sound, and the failing one in *entry.
ZipStatus ReadAllEntries(const ZipArchive& archive, Checked& checked, uint32_t* sound,
                         size_t* cursor, ZipEntry* entry) {
  *cursor = archive.directory;
  for (*sound = 0; *sound < archive.entryCount; ++*sound) {
    ZipStatus status = ZipReadEntry(archive, cursor, entry);
    if (status == kZipOk && !ZipNameAllowed(entry->name)) status = kZipRefusedName;
    if (status != kZipOk) return status;
    uint32_t i = *sound;
    checked.names[i] = {entry->nameOffset, static_cast<uint32_t>(strlen(entry->name)), i};
    checked.spans[i] = {entry->localHeader, entry->dataOffset + entry->compressedSize, i};
  }
  return kZipOk;
}

// The entry at index of the directory (index below the sound ones).
void ReadEntryAt(const ZipArchive& archive, uint32_t index, ZipEntry* entry) {
  size_t cursor = archive.directory;
  for (uint32_t i = 0; i <= index; ++i) ZipReadEntry(archive, &cursor, entry);
}

}  // namespace

ZipStatus ZipCheckAll(const ZipArchive& archive, char* badName) {
  // No more entries can be read than whole records fit the directory.
  size_t room = (archive.directoryEnd - archive.directory) / kZipDirectoryRecordSize;
  room = (room < archive.entryCount ? room : archive.entryCount) + 1;
  Checked checked = {static_cast<NameAt*>(malloc(room * sizeof(NameAt))),
                     static_cast<Span*>(malloc(room * sizeof(Span)))};
  ZipEntry entry;
  entry.name[0] = '\0';
  ZipStatus status = kZipBadDirectory;
  uint32_t sound = 0;
  size_t cursor = 0;
  if (checked.names && checked.spans) {
    status = ReadAllEntries(archive, checked, &sound, &cursor, &entry);
    // An earlier entry that shares a name or bytes is the first fault.
    uint32_t shared = FirstSharedName(archive.directoryData, checked.names, sound);
    uint32_t overlap = FirstOverlap(checked.spans, sound);
    uint32_t first = shared <= overlap ? shared : overlap;
    if (first < sound) {
      status = shared <= overlap ? kZipDuplicateName : kZipOverlap;
      ReadEntryAt(archive, first, &entry);
    } else if (status == kZipOk && cursor != archive.directoryEnd) {
      entry.name[0] = '\0';
      status = kZipBadDirectory;  // the directory has more or fewer than the end record says
    }
  }
  free(checked.names);
  free(checked.spans);
  if (status != kZipOk && badName) memcpy(badName, entry.name, strlen(entry.name) + 1);
  return status;
}
