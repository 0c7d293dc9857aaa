// Drives a self-extractor as the installer does: starts it, types the folder
// into its window, presses Unzip, and waits for the completion box or the
// error box, which it then dismisses before closing the window.
//   drive-extractor EXTRACTOR.exe FOLDER
// Exits 0 when the files were unzipped, 1 when the extractor refused them
// (its message is printed), 2 and up when it could not be driven.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "tools/sfx/sfx_ids.h"

namespace {

const DWORD kTimeoutMs = 60000;

// The first of the titled windows to appear (second may be null), or null;
// which tells which.
HWND WaitForEither(const char* first, const char* second, int* which) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < kTimeoutMs) {
    HWND window = FindWindowA(nullptr, first);
    *which = 0;
    if (!window && second) {
      window = FindWindowA(nullptr, second);
      *which = 1;
    }
    if (window) return window;
    Sleep(20);
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: drive-extractor EXTRACTOR.exe FOLDER\n");
    return 2;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  std::string line = std::string("\"") + argv[1] + "\"";
  if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    fprintf(stderr, "drive-extractor: cannot start %s\n", argv[1]);
    return 3;
  }
  const char* name = strrchr(argv[1], '\\') ? strrchr(argv[1], '\\') + 1 : argv[1];
  std::string title = std::string("WinZip Self-Extractor - ") + name;
  int which = 0;
  HWND main = WaitForEither(title.c_str(), nullptr, &which);
  if (!main) {
    fprintf(stderr, "drive-extractor: no window titled %s\n", title.c_str());
    TerminateProcess(process.hProcess, 1);
    return 4;
  }
  SendMessageA(GetDlgItem(main, IDC_SFX_FOLDER), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[2]));
  PostMessageA(main, WM_COMMAND, IDOK, 0);
  HWND box = WaitForEither("WinZip Self-Extractor", "Self-Extractor Error", &which);
  if (!box) {
    fprintf(stderr, "drive-extractor: neither a completion nor an error box\n");
    TerminateProcess(process.hProcess, 1);
    return 5;
  }
  if (which == 1) {
    // A message box shows its text in the static control 0xFFFF.
    char text[512] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    printf("refused: %s\n", text);
  }
  SendMessageA(box, WM_COMMAND, which == 1 ? IDOK : IDCANCEL, 0);
  SendMessageA(main, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, kTimeoutMs) != WAIT_OBJECT_0) {
    fprintf(stderr, "drive-extractor: the extractor did not end\n");
    TerminateProcess(process.hProcess, 1);
    return 6;
  }
  return which == 1 ? 1 : 0;
}
