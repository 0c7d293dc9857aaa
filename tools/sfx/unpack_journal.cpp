#include "tools/sfx/unpack_journal.h"

#include <string.h>

#include "common/text.h"

namespace {

const char kStartLine[] = "quillbar unpack journal 1\n";
const char kPlannedLine[] = "planned\n";
const char kAside[] = "aside ";
const char kNew[] = "new ";
// Far more slots than any archive has entries; keeps the numbers short.
const uint32_t kMaxSlot = 999999;

bool StartsWith(const uint8_t* data, size_t size, const char* text) {
  size_t length = strlen(text);
  return size >= length && memcmp(data, text, length) == 0;
}

// Parses one plan record from the line [data, data + length) (no "\n").
bool ParseRecord(const uint8_t* data, size_t length, JournalRecord* record) {
  size_t at;
  if (StartsWith(data, length, kAside)) {
    record->aside = true;
    at = sizeof kAside - 1;
  } else if (StartsWith(data, length, kNew)) {
    record->aside = false;
    at = sizeof kNew - 1;
  } else {
    return false;
  }
  size_t digits = 0;
  uint32_t slot = 0;
  while (at < length && data[at] >= '0' && data[at] <= '9') {
    // One spelling per number: no leading zero, no more than kMaxSlot.
    if (digits == 1 && slot == 0) return false;
    slot = slot * 10 + (data[at++] - '0');
    if (++digits > 6) return false;
  }
  if (digits == 0 || slot > kMaxSlot || at >= length || data[at++] != ' ') return false;
  size_t nameLength = length - at;
  if (nameLength == 0 || nameLength > kZipMaxName) return false;
  memcpy(record->name, data + at, nameLength);
  record->name[nameLength] = '\0';
  record->slot = slot;
  // A NUL inside would cut the name short of what was checked.
  return strlen(record->name) == nameLength && ZipNameAllowed(record->name);
}

// The line at *cursor without its "\n"; false when no "\n" ends it.
bool NextLine(const uint8_t* data, size_t size, size_t* cursor, const uint8_t** line,
              size_t* length) {
  const void* end = memchr(data + *cursor, '\n', size - *cursor);
  if (!end) return false;
  *line = data + *cursor;
  *length = static_cast<size_t>(static_cast<const uint8_t*>(end) - *line);
  *cursor += *length + 1;
  return true;
}

bool IsPlannedLine(const uint8_t* line, size_t length) {
  return length == sizeof kPlannedLine - 2 && memcmp(line, kPlannedLine, length) == 0;
}

}  // namespace

const char kJournalPlacedLine[] = "placed\n";

size_t JournalPlanSize(uint32_t count) {
  // "aside " + six digits + " " + name + "\n" per record.
  return sizeof kStartLine + sizeof kPlannedLine +
         static_cast<size_t>(count) * (sizeof kAside + 8 + kZipMaxName);
}

bool JournalAppendStart(char* text, size_t size) {
  return AppendText(text, size, kStartLine);
}

bool JournalAppendRecord(char* text, size_t size, const JournalRecord& record) {
  size_t used = strlen(text);
  if (record.slot > kMaxSlot || !AppendText(text, size, record.aside ? kAside : kNew) ||
      !AppendDecimal(text, size, record.slot) || !AppendText(text, size, " ") ||
      !AppendText(text, size, record.name) || !AppendText(text, size, "\n")) {
    text[used] = '\0';
    return false;
  }
  return true;
}

bool JournalAppendPlanned(char* text, size_t size) {
  return AppendText(text, size, kPlannedLine);
}

JournalState JournalCheck(const uint8_t* data, size_t size) {
  if (!StartsWith(data, size, kStartLine)) return kJournalUnreadable;
  size_t cursor = sizeof kStartLine - 1;
  size_t planStart = cursor;
  const uint8_t* line;
  size_t length;
  JournalRecord record, earlier;
  bool first = true;
  uint32_t lastSlot = 0;
  for (;;) {
    size_t recordStart = cursor;
    if (!NextLine(data, size, &cursor, &line, &length)) return kJournalUnreadable;
    if (IsPlannedLine(line, length)) break;
    if (!ParseRecord(line, length, &record)) return kJournalUnreadable;
    if (!first && record.slot <= lastSlot) return kJournalUnreadable;
    first = false;
    lastSlot = record.slot;
    // Two records of one name would put two files back under it.
    size_t other = planStart;
    while (other < recordStart) {
      NextLine(data, size, &other, &line, &length);
      ParseRecord(line, length, &earlier);
      if (ZipSameName(earlier.name, record.name)) return kJournalUnreadable;
    }
  }
  size_t tail = size - cursor;
  size_t placed = sizeof kJournalPlacedLine - 1;
  if (tail == placed && memcmp(data + cursor, kJournalPlacedLine, placed) == 0) {
    return kJournalPlaced;
  }
  if (tail < placed && memcmp(data + cursor, kJournalPlacedLine, tail) == 0) {
    return kJournalPlanned;
  }
  return kJournalUnreadable;
}

bool JournalNextRecord(const uint8_t* data, size_t size, size_t* cursor, JournalRecord* record) {
  if (*cursor == 0) *cursor = sizeof kStartLine - 1;
  const uint8_t* line;
  size_t length;
  if (!NextLine(data, size, cursor, &line, &length) || IsPlannedLine(line, length)) return false;
  return ParseRecord(line, length, record);
}
