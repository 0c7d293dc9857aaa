#include "tools/sfx/zip_reader.h"

#include "common/little_endian.h"

#include <string.h>

#include <zlib.h>

namespace {

const uint32_t kEndSignature = 0x06054b50;
const uint32_t kDirectorySignature = 0x02014b50;
const uint32_t kLocalSignature = 0x04034b50;
const uint32_t kZip64EndSignature = 0x06064b50;
const uint32_t kZip64LocatorSignature = 0x07064b50;
const size_t kEndSize = 22;
const size_t kZip64EndSize = 56;
const size_t kZip64LocatorSize = 20;
const size_t kDirectoryRecordSize = 46;
const size_t kLocalHeaderSize = 30;
const size_t kMaxComment = 0xFFFF;
// Stored data goes to the sink in slices, so a sink can stop a large file.
const size_t kStoredSlice = 1 << 20;

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

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

ZipStatus ZipOpen(const uint8_t* data, size_t size, ZipArchive* archive) {
  if (size < kEndSize) return kZipNoArchive;
  // The end record is the last one whose comment reaches exactly to the end.
  size_t lowest = size - kEndSize > kMaxComment ? size - kEndSize - kMaxComment : 0;
  size_t end = size - kEndSize;
  for (;;) {
    if (Read32(data + end) == kEndSignature && Read16(data + end + 20) == size - end - kEndSize) {
      break;
    }
    if (end == lowest) return kZipNoArchive;
    --end;
  }
  const uint8_t* record = data + end;
  uint16_t disk = Read16(record + 4);
  uint16_t directoryDisk = Read16(record + 6);
  uint16_t entriesHere = Read16(record + 8);
  uint16_t entries = Read16(record + 10);
  uint32_t directorySize = Read32(record + 12);
  uint32_t directoryOffset = Read32(record + 16);
  if (entries == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF) {
    return kZipUnsupported;  // zip64
  }
  if (disk != 0 || directoryDisk != 0 || entriesHere != entries) return kZipUnsupported;
  // Info-ZIP writes zip64 end records when it packs a stream, even for small
  // archives whose plain end record holds every value; the directory then
  // ends where the zip64 record starts.
  size_t directoryEnd = end;
  if (end >= kZip64LocatorSize &&
      Read32(data + end - kZip64LocatorSize) == kZip64LocatorSignature) {
    size_t zip64End = end - kZip64LocatorSize;
    if (zip64End < kZip64EndSize || Read32(data + zip64End - kZip64EndSize) != kZip64EndSignature ||
        Read32(data + zip64End - kZip64EndSize + 4) != kZip64EndSize - 12 ||
        Read32(data + zip64End - kZip64EndSize + 8) != 0) {
      return kZipUnsupported;  // an extensible zip64 record
    }
    directoryEnd = zip64End - kZip64EndSize;
  }
  if (directorySize > directoryEnd) return kZipBadDirectory;
  size_t directory = directoryEnd - directorySize;
  // Offsets are recorded from the start of the archive, which a builder may
  // or may not have counted from the start of the file: the gap between the
  // recorded and the actual directory start says which.
  if (directoryOffset > directory) return kZipBadDirectory;
  archive->data = data;
  archive->size = size;
  archive->directory = directory;
  archive->directoryEnd = directoryEnd;
  archive->shift = directory - directoryOffset;
  archive->entryCount = entries;
  return kZipOk;
}

ZipStatus ZipReadEntry(const ZipArchive& archive, size_t* cursor, ZipEntry* entry) {
  entry->name[0] = '\0';
  const uint8_t* data = archive.data;
  size_t at = *cursor;
  if (!Fits(at, kDirectoryRecordSize, archive.directoryEnd)) return kZipBadDirectory;
  const uint8_t* record = data + at;
  if (Read32(record) != kDirectorySignature) return kZipBadDirectory;
  uint16_t flags = Read16(record + 8);
  uint16_t method = Read16(record + 10);
  uint32_t compressedSize = Read32(record + 20);
  uint32_t size = Read32(record + 24);
  size_t nameLength = Read16(record + 28);
  size_t extraLength = Read16(record + 30);
  size_t commentLength = Read16(record + 32);
  uint16_t startDisk = Read16(record + 34);
  uint32_t localOffset = Read32(record + 42);
  size_t recordLength = kDirectoryRecordSize + nameLength + extraLength + commentLength;
  if (!Fits(at, recordLength, archive.directoryEnd)) return kZipBadDirectory;
  *cursor = at + recordLength;

  if (nameLength > kZipMaxName) return kZipRefusedName;
  const uint8_t* name = record + kDirectoryRecordSize;
  if (memchr(name, 0, nameLength)) return kZipRefusedName;
  memcpy(entry->name, name, nameLength);
  entry->name[nameLength] = '\0';

  if (flags & 0x0001) return kZipUnsupported;  // encrypted
  if (method != 0 && method != 8) return kZipUnsupported;
  if (compressedSize == 0xFFFFFFFF || size == 0xFFFFFFFF || localOffset == 0xFFFFFFFF ||
      startDisk != 0) {
    return kZipUnsupported;
  }
  if (method == 0 && compressedSize != size) return kZipBadEntry;

  // The local header must be where the directory says, before the directory,
  // and name the same file with the same method.
  if (localOffset > archive.directory - archive.shift) return kZipBadEntry;
  size_t local = archive.shift + localOffset;
  if (!Fits(local, kLocalHeaderSize, archive.directory)) return kZipBadEntry;
  const uint8_t* header = data + local;
  if (Read32(header) != kLocalSignature) return kZipBadEntry;
  if (Read16(header + 8) != method) return kZipBadEntry;
  size_t localNameLength = Read16(header + 26);
  size_t localExtraLength = Read16(header + 28);
  size_t dataOffset = local + kLocalHeaderSize + localNameLength + localExtraLength;
  if (localNameLength != nameLength ||
      !Fits(local + kLocalHeaderSize, localNameLength, archive.directory) ||
      memcmp(header + kLocalHeaderSize, name, nameLength) != 0) {
    return kZipBadEntry;
  }
  if (!Fits(dataOffset, compressedSize, archive.directory)) return kZipBadEntry;

  entry->method = method;
  entry->dosTime = Read16(record + 12);
  entry->dosDate = Read16(record + 14);
  entry->crc = Read32(record + 16);
  entry->compressedSize = compressedSize;
  entry->size = size;
  entry->localHeader = local;
  entry->dataOffset = dataOffset;
  return kZipOk;
}

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

ZipStatus ZipCheckAll(const ZipArchive& archive, char* badName) {
  ZipEntry entry;
  size_t cursor = archive.directory;
  ZipStatus status = kZipOk;
  for (uint32_t i = 0; i < archive.entryCount && status == kZipOk; ++i) {
    size_t start = cursor;
    status = ZipReadEntry(archive, &cursor, &entry);
    if (status == kZipOk && !ZipNameAllowed(entry.name)) status = kZipRefusedName;
    // Compare with every earlier entry; product archives hold a few dozen.
    size_t end = status == kZipOk ? entry.dataOffset + entry.compressedSize : 0;
    ZipEntry earlier;
    for (size_t other = archive.directory; status == kZipOk && other < start;) {
      if (ZipReadEntry(archive, &other, &earlier) != kZipOk) return kZipBadDirectory;
      if (ZipSameName(earlier.name, entry.name)) status = kZipDuplicateName;
      size_t earlierEnd = earlier.dataOffset + earlier.compressedSize;
      if (status == kZipOk && entry.localHeader < earlierEnd && earlier.localHeader < end) {
        status = kZipOverlap;
      }
    }
  }
  if (status == kZipOk && cursor != archive.directoryEnd) {
    entry.name[0] = '\0';
    status = kZipBadDirectory;  // the directory holds more or less than the end record says
  }
  if (status != kZipOk && badName) memcpy(badName, entry.name, strlen(entry.name) + 1);
  return status;
}

namespace {

ZipStatus ExtractStored(const ZipArchive& archive, const ZipEntry& entry, ZipSink sink,
                        void* context) {
  const uint8_t* bytes = archive.data + entry.dataOffset;
  uLong crc = crc32(0, Z_NULL, 0);
  size_t left = entry.size;
  while (left > 0) {
    size_t slice = left < kStoredSlice ? left : kStoredSlice;
    crc = crc32(crc, bytes, static_cast<uInt>(slice));
    if (!sink(context, bytes, slice)) return kZipWriteFailed;
    bytes += slice;
    left -= slice;
  }
  return crc == entry.crc ? kZipOk : kZipCrcMismatch;
}

ZipStatus ExtractDeflated(const ZipArchive& archive, const ZipEntry& entry, uint8_t* buffer,
                          size_t bufferSize, ZipSink sink, void* context) {
  z_stream stream;
  memset(&stream, 0, sizeof stream);
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return kZipBadData;
  stream.next_in = const_cast<Bytef*>(archive.data + entry.dataOffset);
  stream.avail_in = entry.compressedSize;
  uInt outSize = bufferSize > 0x40000000 ? 0x40000000 : static_cast<uInt>(bufferSize);
  uLong crc = crc32(0, Z_NULL, 0);
  uint64_t total = 0;
  ZipStatus status = kZipOk;
  for (;;) {
    stream.next_out = buffer;
    stream.avail_out = outSize;
    int result = inflate(&stream, Z_NO_FLUSH);
    if (result != Z_OK && result != Z_STREAM_END) {
      // Z_BUF_ERROR here means no progress: the input ran out mid-stream.
      status = kZipBadData;
      break;
    }
    size_t produced = outSize - stream.avail_out;
    total += produced;
    if (total > entry.size) {
      status = kZipSizeMismatch;
      break;
    }
    crc = crc32(crc, buffer, static_cast<uInt>(produced));
    if (produced > 0 && !sink(context, buffer, produced)) {
      status = kZipWriteFailed;
      break;
    }
    if (result == Z_STREAM_END) {
      // The stream must use exactly the recorded compressed bytes.
      if (stream.avail_in != 0) status = kZipBadData;
      break;
    }
    if (produced == 0 && stream.avail_in == 0) {
      status = kZipBadData;
      break;
    }
  }
  inflateEnd(&stream);
  if (status != kZipOk) return status;
  if (total != entry.size) return kZipSizeMismatch;
  return crc == entry.crc ? kZipOk : kZipCrcMismatch;
}

}  // namespace

ZipStatus ZipExtract(const ZipArchive& archive, const ZipEntry& entry, uint8_t* buffer,
                     size_t bufferSize, ZipSink sink, void* context) {
  if (!Fits(entry.dataOffset, entry.compressedSize, archive.directory)) return kZipBadEntry;
  if (entry.method == 0) return ExtractStored(archive, entry, sink, context);
  if (entry.method == 8 && bufferSize > 0) {
    return ExtractDeflated(archive, entry, buffer, bufferSize, sink, context);
  }
  return kZipUnsupported;
}

bool ZipSameName(const char* a, const char* b) {
  for (; *a && LowerAscii(*a) == LowerAscii(*b); ++a, ++b) {
  }
  return LowerAscii(*a) == LowerAscii(*b);
}
