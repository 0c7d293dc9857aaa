#include "tools/sfx/journal_file.h"

#include <string.h>

#include "common/text.h"
#include "tools/sfx/file_calls.h"

const wchar_t kJournalName[] = L"journal";

namespace {

// The plan as text, in a heap block (HeapFree'd by the caller); null when
// there is no memory for it.
char* PlanText(const Slot* slots, uint32_t count) {
  size_t size = JournalPlanSize(count);
  char* text = static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size));
  if (!text) return nullptr;
  bool ok = JournalAppendStart(text, size);
  for (uint32_t i = 0; ok && i < count; ++i) ok = JournalAppendRecord(text, size, slots[i].move);
  if (ok && JournalAppendPlanned(text, size)) return text;
  HeapFree(GetProcessHeap(), 0, text);
  return nullptr;
}

// Creates the journal new (not following a link) and writes text through;
// on failure nothing of it is left. Shared with nobody: no scanner's hold
// on it delays its deletion at the end, which goes through this handle.
bool CreateJournal(const wchar_t* path, const char* text, HANDLE* journal) {
  *journal = CreateFileW(path, GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                         FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (*journal == INVALID_HANDLE_VALUE) return false;
  DWORD length = static_cast<DWORD>(strlen(text)), written = 0;
  if (WriteFile(*journal, text, length, &written, nullptr) && written == length &&
      FlushFileBuffers(*journal)) {
    return true;
  }
  DWORD why = GetLastError();
  CloseHandle(*journal);
  *journal = INVALID_HANDLE_VALUE;
  DeleteFileW(path);
  SetLastError(why);
  return false;
}

}  // namespace

bool JournalPath(wchar_t* path, const wchar_t* work) {
  return PathInFolder(path, work, "") && AppendText(path, kLongPath, kJournalName);
}

bool WriteJournalPlan(Run& run, const wchar_t* work, const Slot* slots, uint32_t count) {
  char* text = PlanText(slots, count);
  if (!text) return Fail(run.outcome, kUnpackCannotWrite, nullptr, ERROR_NOT_ENOUGH_MEMORY);
  wchar_t path[kLongPath];
  JournalPath(path, work);
  run.progress.name = nullptr;
  DWORD error =
      WaitOutHolds(path, run.clock, [&] { return CreateJournal(path, text, &run.journal); });
  HeapFree(GetProcessHeap(), 0, text);
  return error == 0 || Fail(run.outcome, kUnpackCannotWrite, nullptr, error);
}

bool RecordPlaced(Run& run) {
  DWORD length = static_cast<DWORD>(strlen(kJournalPlacedLine)), written = 0;
  return WriteFile(run.journal, kJournalPlacedLine, length, &written, nullptr) &&
         written == length && FlushFileBuffers(run.journal);
}

uint8_t* ReadJournal(const wchar_t* work, DWORD* size) {
  wchar_t path[kLongPath];
  if (!JournalPath(path, work)) return nullptr;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  uint8_t* data = nullptr;
  BY_HANDLE_FILE_INFORMATION info;
  *size = 0;
  if (GetFileInformationByHandle(file, &info) && !info.nFileSizeHigh &&
      info.nFileSizeLow <= kJournalMaxSize &&
      !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
    *size = info.nFileSizeLow;
    data = static_cast<uint8_t*>(HeapAlloc(GetProcessHeap(), 0, *size + 1));
    DWORD read = 0;
    if (data && (!ReadFile(file, data, *size, &read, nullptr) || read != *size)) {
      HeapFree(GetProcessHeap(), 0, data);
      data = nullptr;
    }
  }
  CloseHandle(file);
  return data;
}
