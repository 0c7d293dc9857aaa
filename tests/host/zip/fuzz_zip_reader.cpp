// libFuzzer target: any bytes as a self-extractor's file, read as the
// extractor reads its own: the bytes in front of a signature, then the
// archive; and as the unpack journal the extractor reads before anything
// else when it finds one. None may read outside them, whatever they claim.
#include <stddef.h>
#include <stdint.h>

#include "tools/sfx/pe_overlay.h"
#include "tools/sfx/unpack_journal.h"
#include "tools/sfx/zip_check.h"
#include "tools/sfx/zip_reader.h"

namespace {
bool Discard(void*, const uint8_t*, size_t) {
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (JournalCheck(data, size) != kJournalUnreadable) {
    JournalRecord record;
    size_t cursor = 0;
    while (JournalNextRecord(data, size, &cursor, &record)) ZipNameAllowed(record.name);
  }
  size = PeBytesBeforeSignature(data, size);
  ZipArchive archive;
  if (ZipOpen(data, size, &archive) != kZipOk) return 0;
  char badName[kZipMaxName + 1];
  ZipCheckAll(archive, badName);
  // Unpack whatever reads, checked or not, to reach the inflater with
  // entries that the full check would have stopped earlier.
  size_t cursor = archive.directory;
  uint8_t buffer[1024];
  for (uint32_t i = 0; i < archive.entryCount; ++i) {
    ZipEntry entry;
    if (ZipReadEntry(archive, &cursor, &entry) != kZipOk) break;
    ZipNameAllowed(entry.name);
    ZipExtract(archive, entry, buffer, sizeof buffer, Discard, nullptr);
  }
  return 0;
}
