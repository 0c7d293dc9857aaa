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
const size_t kLocalHeaderSize = 30;
const size_t kMaxComment = 0xFFFF;
// Data is read in slices, so that a view stays small and a sink can stop a
// large file.
const size_t kSlice = 1 << 20;

// Where the end record starts: the last one whose comment reaches exactly to
// the end. size when there is none.
size_t FindEndRecord(const uint8_t* data, size_t size) {
  size_t lowest = size - kEndSize > kMaxComment ? size - kEndSize - kMaxComment : 0;
  for (size_t end = size - kEndSize;; --end) {
    if (Read32(data + end) == kEndSignature && Read16(data + end + 20) == size - end - kEndSize) {
      return end;
    }
    if (end == lowest) return size;
  }
}

// Info-ZIP writes zip64 end records when it packs a stream, even for small
// archives whose plain end record holds every value; the directory then
// ends where the zip64 record starts. Only its fixed-size form is taken.
ZipStatus FindDirectoryEnd(const uint8_t* data, size_t end, size_t* directoryEnd) {
  *directoryEnd = end;
  if (end < kZip64LocatorSize || Read32(data + end - kZip64LocatorSize) != kZip64LocatorSignature) {
    return kZipOk;
  }
  size_t zip64End = end - kZip64LocatorSize;
  if (zip64End < kZip64EndSize || Read32(data + zip64End - kZip64EndSize) != kZip64EndSignature ||
      Read32(data + zip64End - kZip64EndSize + 4) != kZip64EndSize - 12 ||
      Read32(data + zip64End - kZip64EndSize + 8) != 0) {
    return kZipUnsupported;  // an extensible zip64 record
  }
  *directoryEnd = zip64End - kZip64EndSize;
  return kZipOk;
}

}  // namespace

namespace {

// The end of the file that can hold the end record, its comment and the
// zip64 records in front of it.
const size_t kTailSize = kZip64EndSize + kZip64LocatorSize + kEndSize + kMaxComment;

const uint8_t* ReadMemory(void* context, size_t offset, size_t) {
  return static_cast<const uint8_t*>(context) + offset;
}

}  // namespace

ZipStatus ZipOpen(const uint8_t* data, size_t size, ZipArchive* archive) {
  ZipSource memory = {ReadMemory, const_cast<uint8_t*>(data)};
  return ZipOpenSource(memory, memory, size, archive);
}

ZipStatus ZipOpenSource(const ZipSource& directorySource, const ZipSource& pieces, size_t size,
                        ZipArchive* archive) {
  if (size < kEndSize) return kZipNoArchive;
  size_t tailSize = size < kTailSize ? size : kTailSize;
  size_t tailStart = size - tailSize;
  const uint8_t* tail = directorySource.read(directorySource.context, tailStart, tailSize);
  if (!tail) return kZipCannotRead;
  size_t end = FindEndRecord(tail, tailSize);
  if (end == tailSize) return kZipNoArchive;
  const uint8_t* record = tail + end;
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
  size_t directoryEnd;
  if (FindDirectoryEnd(tail, end, &directoryEnd) != kZipOk) return kZipUnsupported;
  directoryEnd += tailStart;
  if (directorySize > directoryEnd) return kZipBadDirectory;
  size_t directory = directoryEnd - directorySize;
  // Offsets are recorded from the start of the archive, which a builder may
  // or may not have counted from the start of the file: the gap between the
  // recorded and the actual directory start says which.
  if (directoryOffset > directory) return kZipBadDirectory;
  archive->directoryData =
      directorySource.read(directorySource.context, directory, size - directory);
  if (!archive->directoryData) return kZipTooLarge;
  archive->pieces = pieces;
  archive->size = size;
  archive->directory = directory;
  archive->directoryEnd = directoryEnd;
  archive->shift = directory - directoryOffset;
  archive->entryCount = entries;
  return kZipOk;
}

namespace {

// The local header must be where the directory says, before the directory,
// and name the same file with the same method. Gives where it starts and
// where the entry's data starts.
ZipStatus ReadLocalHeader(const ZipArchive& archive, uint32_t localOffset, const ZipEntry& entry,
                          size_t* local, size_t* dataOffset) {
  if (localOffset > archive.directory - archive.shift) return kZipBadEntry;
  *local = archive.shift + localOffset;
  if (!Fits(*local, kLocalHeaderSize, archive.directory)) return kZipBadEntry;
  const ZipSource& pieces = archive.pieces;
  const uint8_t* header = pieces.read(pieces.context, *local, kLocalHeaderSize);
  if (!header) return kZipCannotRead;
  if (Read32(header) != kLocalSignature) return kZipBadEntry;
  if (Read16(header + 8) != entry.method) return kZipBadEntry;
  size_t nameLength = Read16(header + 26);
  size_t extraLength = Read16(header + 28);
  *dataOffset = *local + kLocalHeaderSize + nameLength + extraLength;
  if (nameLength != strlen(entry.name) ||
      !Fits(*local + kLocalHeaderSize, nameLength, archive.directory)) {
    return kZipBadEntry;
  }
  header = pieces.read(pieces.context, *local, kLocalHeaderSize + nameLength);
  if (!header) return kZipCannotRead;
  if (memcmp(header + kLocalHeaderSize, entry.name, nameLength) != 0) return kZipBadEntry;
  return Fits(*dataOffset, entry.compressedSize, archive.directory) ? kZipOk : kZipBadEntry;
}

}  // namespace

ZipStatus ZipReadEntry(const ZipArchive& archive, size_t* cursor, ZipEntry* entry) {
  entry->name[0] = '\0';
  size_t at = *cursor;
  if (!Fits(at, kZipDirectoryRecordSize, archive.directoryEnd)) return kZipBadDirectory;
  const uint8_t* record = archive.directoryData + (at - archive.directory);
  if (Read32(record) != kDirectorySignature) return kZipBadDirectory;
  uint16_t flags = Read16(record + 8);
  size_t nameLength = Read16(record + 28);
  size_t recordLength =
      kZipDirectoryRecordSize + nameLength + Read16(record + 30) + Read16(record + 32);
  if (!Fits(at, recordLength, archive.directoryEnd)) return kZipBadDirectory;
  *cursor = at + recordLength;

  if (nameLength > kZipMaxName) return kZipRefusedName;
  const uint8_t* name = record + kZipDirectoryRecordSize;
  if (memchr(name, 0, nameLength)) return kZipRefusedName;
  memcpy(entry->name, name, nameLength);
  entry->name[nameLength] = '\0';
  entry->nameOffset = at - archive.directory + kZipDirectoryRecordSize;

  entry->method = Read16(record + 10);
  entry->dosTime = Read16(record + 12);
  entry->dosDate = Read16(record + 14);
  entry->crc = Read32(record + 16);
  entry->compressedSize = Read32(record + 20);
  entry->size = Read32(record + 24);
  uint32_t localOffset = Read32(record + 42);
  if (flags & 0x0001) return kZipUnsupported;  // encrypted
  if (entry->method != 0 && entry->method != 8) return kZipUnsupported;
  if (entry->compressedSize == 0xFFFFFFFF || entry->size == 0xFFFFFFFF ||
      localOffset == 0xFFFFFFFF || Read16(record + 34) != 0) {
    return kZipUnsupported;  // zip64, or a start on another disk
  }
  if (entry->method == 0 && entry->compressedSize != entry->size) return kZipBadEntry;
  return ReadLocalHeader(archive, localOffset, *entry, &entry->localHeader, &entry->dataOffset);
}

namespace {

// The next slice of an entry's data, at most kSlice bytes from at.
const uint8_t* ReadSlice(const ZipArchive& archive, size_t at, size_t end, size_t* slice) {
  *slice = end - at < kSlice ? end - at : kSlice;
  return archive.pieces.read(archive.pieces.context, at, *slice);
}

ZipStatus ExtractStored(const ZipArchive& archive, const ZipEntry& entry, ZipSink sink,
                        void* context) {
  uLong crc = crc32(0, Z_NULL, 0);
  size_t end = entry.dataOffset + entry.size;
  for (size_t at = entry.dataOffset, slice; at < end; at += slice) {
    const uint8_t* bytes = ReadSlice(archive, at, end, &slice);
    if (!bytes) return kZipCannotRead;
    crc = crc32(crc, bytes, static_cast<uInt>(slice));
    if (!sink(context, bytes, slice)) return kZipWriteFailed;
  }
  return crc == entry.crc ? kZipOk : kZipCrcMismatch;
}

ZipStatus ExtractDeflated(const ZipArchive& archive, const ZipEntry& entry, uint8_t* buffer,
                          size_t bufferSize, ZipSink sink, void* context) {
  z_stream stream;
  memset(&stream, 0, sizeof stream);
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return kZipBadData;
  size_t at = entry.dataOffset, end = entry.dataOffset + entry.compressedSize;
  uInt outSize = bufferSize > 0x40000000 ? 0x40000000 : static_cast<uInt>(bufferSize);
  uLong crc = crc32(0, Z_NULL, 0);
  uint64_t total = 0;
  ZipStatus status = kZipOk;
  for (;;) {
    if (stream.avail_in == 0 && at < end) {
      size_t slice;
      stream.next_in = const_cast<Bytef*>(ReadSlice(archive, at, end, &slice));
      if (!stream.next_in) {
        status = kZipCannotRead;
        break;
      }
      stream.avail_in = static_cast<uInt>(slice);
      at += slice;
    }
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
      if (stream.avail_in != 0 || at != end) status = kZipBadData;
      break;
    }
    if (produced == 0 && stream.avail_in == 0 && at == end) {
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
