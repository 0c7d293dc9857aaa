// Times one way of putting a product's files into a folder, under Wine:
//   extract-driver sfx  EXTRACTOR.exe FOLDER  our self-extractor, driven like the installer
//   extract-driver nsis INSTALLER.exe FOLDER  a silent NSIS installer (/S /D=FOLDER)
//   extract-driver copy SOURCE FOLDER          CopyFileA of every file of SOURCE
// Prints "<mode> total_ms [unpack_ms]": total from process start to its end;
// for sfx also the time from the start button to the completion box, from
// the start to the window, and from WM_CLOSE to the process's end.
// QB_WAIT_SCALE=<n> stretches the waits n times, for Wine under emulation.
// Exit codes of sfx: 3 the window never appeared, 4 the completion box never
// appeared, 5 the extractor ended before showing either (its exit code is
// printed), so a crashed extractor is reported at once rather than waited for.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

double Now() {
  static LARGE_INTEGER frequency;
  if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER count;
  QueryPerformanceCounter(&count);
  return 1000.0 * count.QuadPart / frequency.QuadPart;
}

// The window of that title, or null once the timeout has passed or the
// process that should show it has ended.
HWND WaitForWindow(const char* title, double timeoutMs, HANDLE process) {
  const char* scale = getenv("QB_WAIT_SCALE");
  if (scale && atoi(scale) > 0) timeoutMs *= atoi(scale);
  double start = Now();
  for (;;) {
    HWND window = FindWindowA(nullptr, title);
    if (window || Now() - start > timeoutMs) return window;
    // It may have shown the window just before it ended.
    if (WaitForSingleObject(process, 1) == WAIT_OBJECT_0) return FindWindowA(nullptr, title);
  }
}

// The exit code for a window that never appeared: 5 if the extractor has
// ended (its own exit code is printed), else timedOutCode.
int NotShown(HANDLE process, const char* what, int timedOutCode) {
  DWORD code = 0;
  if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) return timedOutCode;
  GetExitCodeProcess(process, &code);
  printf("the extractor ended with 0x%lx before its %s appeared\n", (unsigned long)code, what);
  return 5;
}

bool Run(const std::string& command, PROCESS_INFORMATION* process) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string line = command;
  return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        process);
}

int Sfx(const char* exe, const char* folder) {
  double start = Now();
  PROCESS_INFORMATION process;
  if (!Run(std::string("\"") + exe + "\"", &process)) return 2;
  std::string name = strrchr(exe, '\\') ? strrchr(exe, '\\') + 1 : exe;
  HWND main = WaitForWindow(("WinZip Self-Extractor - " + name).c_str(), 30000, process.hProcess);
  if (!main) return NotShown(process.hProcess, "window", 3);
  double shown = Now();
  SendMessageA(GetDlgItem(main, 106), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder));
  double pressed = Now();
  PostMessageA(main, WM_COMMAND, IDOK, 0);
  HWND done = WaitForWindow("WinZip Self-Extractor", 300000, process.hProcess);
  double unpacked = Now();
  if (!done) return NotShown(process.hProcess, "completion box", 4);
  SendMessageA(done, WM_COMMAND, IDCANCEL, 0);
  double closing = Now();
  SendMessageA(main, WM_CLOSE, 0, 0);
  WaitForSingleObject(process.hProcess, INFINITE);
  double end = Now();
  printf("sfx %.0f %.0f %.0f %.0f\n", end - start, unpacked - pressed, shown - start,
         end - closing);
  return 0;
}

int Nsis(const char* exe, const char* folder) {
  double start = Now();
  PROCESS_INFORMATION process;
  if (!Run(std::string("\"") + exe + "\" /S /D=" + folder, &process)) return 2;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  printf("nsis %.0f\n", Now() - start);
  return code == 0 ? 0 : 5;
}

int Copy(const char* source, const char* folder) {
  double start = Now();
  CreateDirectoryA(folder, nullptr);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((std::string(source) + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 2;
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::string from = std::string(source) + "\\" + found.cFileName;
    std::string to = std::string(folder) + "\\" + found.cFileName;
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) return 3;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  printf("copy %.0f\n", Now() - start);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return 1;
  if (!strcmp(argv[1], "sfx")) return Sfx(argv[2], argv[3]);
  if (!strcmp(argv[1], "nsis")) return Nsis(argv[2], argv[3]);
  if (!strcmp(argv[1], "copy")) return Copy(argv[2], argv[3]);
  return 1;
}
