// Times one way of putting a product's files into a folder, under Wine:
//   extract-driver sfx  EXTRACTOR.exe FOLDER  our self-extractor, driven like the installer
//   extract-driver nsis INSTALLER.exe FOLDER  a silent NSIS installer (/S /D=FOLDER)
//   extract-driver copy SOURCE FOLDER          CopyFileA of every file of SOURCE
// Prints "<mode> total_ms [unpack_ms]": total from process start to its end;
// for sfx also the time from the start button to the completion box, from
// the start to the window, from WM_CLOSE to the process's end, and the
// extractor's peak private memory in KiB.
// QB_WAIT_SCALE=<n> stretches the waits n times, for Wine under emulation.
// Exit codes of sfx: 3 the window never appeared, 4 the completion box never
// appeared, 5 the extractor ended before showing either (its exit code is
// printed), so a crashed extractor is reported at once rather than waited for,
// 6 it showed its failure box (whose text is printed; the box is then closed,
// which ends it).
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

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

// The extractor started, and its peak private memory so far: what it has
// allocated for itself, not the view of its own file (paged in from the file
// and dropped again) nor code it shares. On Windows that is PagefileUsage (the
// commit charge, equal to PrivateUsage), and PeakPagefileUsage is its peak.
// Wine 8 answers for another process from /proc/<pid>/status of its Linux
// process: PagefileUsage and PeakPagefileUsage are both RssAnon plus VmSwap,
// the anonymous memory it has touched (committed but untouched memory does
// not count, as it would on Windows), the "peak" is only the present figure,
// and PrivateUsage is always 0. Checked against /proc: 100 MB committed moved
// nothing, touching it added 100 MB, freeing it took it back off. So the peak
// is the largest PagefileUsage sampled every few milliseconds while the
// driver waits; where the system keeps a real peak, it also catches what
// falls between samples.
struct Extractor {
  PROCESS_INFORMATION process;
  SIZE_T peakPrivate;
  double sampled;
};

const double kSampleEveryMs = 5;

void SamplePrivateMemory(Extractor* extractor) {
  double now = Now();
  if (now - extractor->sampled < kSampleEveryMs) return;
  extractor->sampled = now;
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(extractor->process.hProcess,
                            reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                            sizeof counters)) {
    return;  // it has ended
  }
  SIZE_T peak = counters.PagefileUsage > counters.PeakPagefileUsage ? counters.PagefileUsage
                                                                    : counters.PeakPagefileUsage;
  if (peak > extractor->peakPrivate) extractor->peakPrivate = peak;
}

// The extractor's own top-level window of that title, or null: another
// program's window of the same title is not taken for it.
HWND ExtractorWindow(const Extractor& extractor, const char* title) {
  for (HWND window = FindWindowExA(nullptr, nullptr, nullptr, title); window;
       window = FindWindowExA(nullptr, window, nullptr, title)) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    if (id == extractor.process.dwProcessId) return window;
  }
  return nullptr;
}

// The window of that title, or null once the timeout has passed, the process
// that should show it has ended, or it has shown its failure box instead
// (then *failure is that box).
HWND WaitForWindow(Extractor* extractor, const char* title, double timeoutMs, HWND* failure) {
  const char* scale = getenv("QB_WAIT_SCALE");
  if (scale && atoi(scale) > 0) timeoutMs *= atoi(scale);
  double start = Now();
  for (;;) {
    SamplePrivateMemory(extractor);
    HWND window = FindWindowA(nullptr, title);
    if (window || Now() - start > timeoutMs) return window;
    *failure = ExtractorWindow(*extractor, "Self-Extractor Error");
    if (*failure) return nullptr;
    // It may have shown the window just before it ended.
    if (WaitForSingleObject(extractor->process.hProcess, 1) == WAIT_OBJECT_0) {
      return FindWindowA(nullptr, title);
    }
  }
}

BOOL CALLBACK AppendStaticText(HWND control, LPARAM text) {
  char className[16], line[1024];
  if (!GetClassNameA(control, className, sizeof className) || lstrcmpiA(className, "Static")) {
    return TRUE;
  }
  if (!GetWindowTextA(control, line, sizeof line)) return TRUE;
  std::string* all = reinterpret_cast<std::string*>(text);
  for (char* c = line; *c; ++c) {
    if (*c == '\r' || *c == '\n') *c = ' ';
  }
  if (!all->empty()) all->push_back(' ');
  all->append(line);
  return TRUE;
}

// Prints the text of the extractor's failure box on one line, then closes
// the box, after which the extractor ends by itself.
int Failed(Extractor* extractor, HWND box) {
  std::string text;
  EnumChildWindows(box, AppendStaticText, reinterpret_cast<LPARAM>(&text));
  printf("the extractor failed: %s\n", text.c_str());
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  if (WaitForSingleObject(extractor->process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(extractor->process.hProcess, 1);
  }
  return 6;
}

// The exit code for a window that never appeared: 5 if the extractor has
// ended (its own exit code is printed), 6 if it shows its failure box, else
// timedOutCode.
int NotShown(Extractor* extractor, HWND failure, const char* what, int timedOutCode) {
  if (failure) return Failed(extractor, failure);
  DWORD code = 0;
  if (WaitForSingleObject(extractor->process.hProcess, 0) != WAIT_OBJECT_0) return timedOutCode;
  GetExitCodeProcess(extractor->process.hProcess, &code);
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
  Extractor extractor = {};
  if (!Run(std::string("\"") + exe + "\"", &extractor.process)) return 2;
  std::string name = strrchr(exe, '\\') ? strrchr(exe, '\\') + 1 : exe;
  HWND failure = nullptr;
  HWND main =
      WaitForWindow(&extractor, ("WinZip Self-Extractor - " + name).c_str(), 30000, &failure);
  if (!main) return NotShown(&extractor, failure, "window", 3);
  double shown = Now();
  SendMessageA(GetDlgItem(main, 106), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder));
  double pressed = Now();
  PostMessageA(main, WM_COMMAND, IDOK, 0);
  HWND done = WaitForWindow(&extractor, "WinZip Self-Extractor", 300000, &failure);
  double unpacked = Now();
  if (!done) return NotShown(&extractor, failure, "completion box", 4);
  SamplePrivateMemory(&extractor);
  SendMessageA(done, WM_COMMAND, IDCANCEL, 0);
  double closing = Now();
  SendMessageA(main, WM_CLOSE, 0, 0);
  while (WaitForSingleObject(extractor.process.hProcess, 1) != WAIT_OBJECT_0) {
    SamplePrivateMemory(&extractor);
  }
  double end = Now();
  printf("sfx %.0f %.0f %.0f %.0f %lu\n", end - start, unpacked - pressed, shown - start,
         end - closing, static_cast<unsigned long>(extractor.peakPrivate / 1024));
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
