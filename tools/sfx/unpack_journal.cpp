#include "tools/sfx/unpack_journal.h"

#include <stdlib.h>
#include <string.h>

#include "common/text.h"
#include "tools/sfx/same_names.h"
#include "tools/sfx/zip_check.h"

namespace {

const char kStartLine[] = "quillbar unpack journal 1\n";
const char kPlannedLine[] = "planned\n";
const char kAside[] = "aside ";
const char kNew[] = "new ";
// Far more slots than any archive has entries; keeps the numbers short.
const uint32_t kMaxSlot = 999999;

constexpr size_t PlanSize(uint32_t count) {
  // "aside " + six digits + " " + name + "\n" per record.
  return sizeof kStartLine + sizeof kPlannedLine +
         static_cast<size_t>(count) * (sizeof kAside + 8 + kZipMaxName);
}

// Parses one plan record from the line [data, data + length) (no "\n").
bool ParseRecord(const uint8_t* data, size_t length, JournalRecord* record) {
  const char* line = reinterpret_cast<const char*>(data);
  size_t at;
  if (StartsWith(line, length, kAside)) {
    record->aside = true;
    at = sizeof kAside - 1;
  } else if (StartsWith(line, length, kNew)) {
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
const size_t kJournalMaxSize = PlanSize(kJournalMaxRecords) + sizeof kJournalPlacedLine;

size_t JournalPlanSize(uint32_t count) {
  return PlanSize(count);
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
  if (size > kJournalMaxSize || !StartsWith(reinterpret_cast<const char*>(data), size, kStartLine))
    return kJournalUnreadable;
  NameAt* names = static_cast<NameAt*>(malloc(kJournalMaxRecords * sizeof(NameAt)));
  if (!names) return kJournalUnreadable;
  size_t cursor = sizeof kStartLine - 1;
  const uint8_t* line;
  size_t length;
  JournalRecord record;
  uint32_t count = 0, lastSlot = 0;
  JournalState state = kJournalUnreadable;
  for (;;) {
    if (!NextLine(data, size, &cursor, &line, &length)) break;
    if (IsPlannedLine(line, length)) {
      state = kJournalPlanned;
      break;
    }
    if (count == kJournalMaxRecords || !ParseRecord(line, length, &record) ||
        (count > 0 && record.slot <= lastSlot)) {
      break;
    }
    lastSlot = record.slot;
    uint32_t nameLength = static_cast<uint32_t>(strlen(record.name));
    names[count] = {static_cast<size_t>(line - data) + length - nameLength, nameLength, count};
    ++count;
  }
  // Two records of one name would put two files back under it.
  if (state == kJournalPlanned && FirstSharedName(data, names, count) != count) {
    state = kJournalUnreadable;
  }
  free(names);
  // After a whole plan, anything but the end of placing itself (missing,
  // cut short, zeros, other bytes) means that placing had not ended: nothing
  // was deleted yet, so the plan can be undone.
  size_t placed = sizeof kJournalPlacedLine - 1;
  if (state == kJournalPlanned && size - cursor == placed &&
      memcmp(data + cursor, kJournalPlacedLine, placed) == 0) {
    return kJournalPlaced;
  }
  return state;
}

bool JournalNextRecord(const uint8_t* data, size_t size, size_t* cursor, JournalRecord* record) {
  if (*cursor == 0) *cursor = sizeof kStartLine - 1;
  const uint8_t* line;
  size_t length;
  if (!NextLine(data, size, cursor, &line, &length) || IsPlannedLine(line, length)) return false;
  return ParseRecord(line, length, record);
}
