// Reads a zip archive, typically at the end of the self-extractor's own file,
// either whole in memory or a piece at a time through a source of bounded
// views, so that no archive needs more address space than its directory and
// a few views. Portable (no Windows headers), so that it is also
// built natively with sanitizers and fuzzed. Every length and offset taken
// from the archive is checked against the bytes actually present before use.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum ZipStatus {
  kZipOk = 0,
  kZipNoArchive,      // no end-of-central-directory record
  kZipBadDirectory,   // central directory out of range or malformed
  kZipBadEntry,       // local header missing or disagreeing with the directory
  kZipUnsupported,    // encryption, zip64, several disks, a method other than stored/deflated
  kZipRefusedName,    // a folder part, a drive, "..", a device name...
  kZipDuplicateName,  // two entries that would land on one file
  kZipOverlap,        // two entries share bytes of the archive
  kZipBadData,        // the compressed stream is damaged or truncated
  kZipSizeMismatch,   // the data does not have the recorded size
  kZipCrcMismatch,    // the data does not have the recorded CRC
  kZipWriteFailed,    // the sink refused the data
  kZipTooLarge,       // the directory is larger than the source can show at once
  kZipCannotRead,     // the source could not show a piece of the archive
};

// Longest entry name accepted: the file lands in a MAX_PATH path anyway.
const size_t kZipMaxName = 255;
// Most entries an archive may have: 0xFFFF in the end record means zip64,
// which is refused.
const uint32_t kZipMaxEntries = 0xFFFE;
// The fixed part of a directory record: no archive has more entries than its
// directory has room for such parts.
const size_t kZipDirectoryRecordSize = 46;

// Where an archive's bytes come from: read gives bytes [offset, offset +
// length) of the file, valid until the next read of the same source, or null
// when they cannot be shown.
struct ZipSource {
  const uint8_t* (*read)(void* context, size_t offset, size_t length);
  void* context;
};

// Offsets are from the start of the file.
struct ZipArchive {
  ZipSource pieces;              // the local headers and the data
  const uint8_t* directoryData;  // the bytes from the directory to the file's end, whole
  size_t size;
  size_t directory;     // where the central directory starts
  size_t directoryEnd;  // where the end record starts
  size_t shift;         // added to recorded offsets: bytes in front of the archive
  uint32_t entryCount;
};

struct ZipEntry {
  char name[kZipMaxName + 1];
  uint16_t method;  // 0 stored, 8 deflated
  uint16_t dosTime;
  uint16_t dosDate;
  uint32_t crc;
  uint32_t compressedSize;
  uint32_t size;
  size_t nameOffset;   // where the entry's name lies in directoryData
  size_t localHeader;  // where the entry's local header starts
  size_t dataOffset;   // where the entry's data starts
};

// Finds the end record and the central directory of the size bytes at data.
ZipStatus ZipOpen(const uint8_t* data, size_t size, ZipArchive* archive);

// The same through sources: directory shows the end of the file, then the
// directory whole (kZipTooLarge when it cannot), and is not read again while
// the archive is in use; the archive reads its other bytes through pieces.
// A reader on another thread uses a copy of the archive with its own pieces.
ZipStatus ZipOpenSource(const ZipSource& directory, const ZipSource& pieces, size_t size,
                        ZipArchive* archive);

// Reads the directory record at *cursor (start with archive.directory) and its
// local header, and moves *cursor to the next record. The name is checked for
// form (terminated, no NUL inside) but not for safety: see zip_check.h.
ZipStatus ZipReadEntry(const ZipArchive& archive, size_t* cursor, ZipEntry* entry);

// Receives unpacked bytes in order; false stops the extraction.
typedef bool (*ZipSink)(void* context, const uint8_t* bytes, size_t count);

// Unpacks one entry through sink, using buffer (bufferSize bytes) for
// inflated data; checks the stream's end, the size and the CRC. The sink may
// have received bytes before a failure is found: callers write to a scratch
// file and keep it only on kZipOk.
ZipStatus ZipExtract(const ZipArchive& archive, const ZipEntry& entry, uint8_t* buffer,
                     size_t bufferSize, ZipSink sink, void* context);
