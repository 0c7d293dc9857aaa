// An on-access scanner, as the end-to-end scenarios and the benchmarks need
// one: an antivirus, an indexer or a backup agent reads each new or changed
// file for a moment soon after it is written.
//   scanner.exe <folder> <hold ms> <log file>
// Waits for the folder to exist, then looks at it and everything below it
// every 10 ms. Each file that is new, or whose size or last-write time
// changed, is opened for reading without FILE_SHARE_DELETE, as scanners open
// it, so that nobody can rename or delete it, and closed after <hold ms>.
// Holds run side by side; a file its writer still holds unshared is tried
// again at the next look. Every hold is logged as "held <path>" (UTF-8); the
// log lies outside the folder, or each line would be held in turn. Ends when
// its window (class "QbScanner") gets WM_CLOSE.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

#include <iterator>
#include <map>
#include <string>

namespace {

const DWORD kLookMs = 10;

struct Seen {
  ULONGLONG size = 0;
  FILETIME written = {};
  bool present = false;                // found by the current look
  HANDLE held = INVALID_HANDLE_VALUE;  // open until `until`
  ULONGLONG until = 0;
};

std::map<std::wstring, Seen> files;
FILE* logFile = nullptr;
ULONGLONG holdMs = 0;

void LogHeld(const std::wstring& path) {
  int size = WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, NULL, 0, NULL, NULL);
  std::string text(size > 0 ? size : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, &text[0], size, NULL, NULL);
  fprintf(logFile, "held %s\n", text.c_str());
  fflush(logFile);
}

void Consider(const std::wstring& path, const WIN32_FIND_DATAW& found, ULONGLONG now) {
  ULONGLONG size = ((ULONGLONG)found.nFileSizeHigh << 32) | found.nFileSizeLow;
  auto known = files.find(path);
  bool isNew = known == files.end();
  Seen& seen = isNew ? files[path] : known->second;
  seen.present = true;
  if (seen.held != INVALID_HANDLE_VALUE) return;
  if (!isNew && seen.size == size && CompareFileTime(&seen.written, &found.ftLastWriteTime) == 0)
    return;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) {
    // Not yet read: a new file stays new, a changed one changed.
    if (isNew) files.erase(path);
    return;
  }
  seen.size = size;
  seen.written = found.ftLastWriteTime;
  seen.held = file;
  seen.until = now + holdMs;
  LogHeld(path);
}

void LookInto(const std::wstring& folder, ULONGLONG now) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        LookInto(folder + L"\\" + name, now);
    } else {
      Consider(folder + L"\\" + name, found, now);
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// Ends the holds that are due and forgets files that are gone, so that a
// file made again under the same name counts as new.
void Look(const std::wstring& folder) {
  ULONGLONG now = GetTickCount64();
  for (auto& entry : files) {
    Seen& seen = entry.second;
    if (seen.held != INVALID_HANDLE_VALUE && now >= seen.until) {
      CloseHandle(seen.held);
      seen.held = INVALID_HANDLE_VALUE;
    }
    seen.present = false;
  }
  LookInto(folder, now);
  for (auto it = files.begin(); it != files.end();) {
    bool gone = !it->second.present && it->second.held == INVALID_HANDLE_VALUE;
    it = gone ? files.erase(it) : std::next(it);
  }
}

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 2;
  std::wstring folder = argv[1];
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  holdMs = (ULONGLONG)_wtoi(argv[2]);
  logFile = _wfopen(argv[3], L"w");
  if (!logFile) return 3;

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = GetModuleHandleW(NULL);
  windowClass.lpszClassName = L"QbScanner";
  RegisterClassW(&windowClass);
  // Hidden, like the stand-ins: only its class matters.
  if (!CreateWindowW(L"QbScanner", L"QbScanner", WS_OVERLAPPEDWINDOW, 0, 0, 160, 80, NULL, NULL,
                     GetModuleHandleW(NULL), NULL))
    return 4;

  for (;;) {
    MsgWaitForMultipleObjects(0, NULL, FALSE, kLookMs, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, NULL, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        for (auto& entry : files)
          if (entry.second.held != INVALID_HANDLE_VALUE) CloseHandle(entry.second.held);
        fclose(logFile);
        return 0;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Look(folder);
  }
}
