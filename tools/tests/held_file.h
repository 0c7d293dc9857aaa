// Another process that holds a file open without sharing, as a running
// program holds its module (or, for a while, as a virus scanner reads a new
// file): a real lock, ended when this goes.
#pragma once

#include <windows.h>

#include <string>

#include "tools/tests/sfx_test_files.h"

class HeldByAnotherProcess {
 public:
  // program is file_holder.exe, or a copy of it that should be running;
  // milliseconds, when given, how long file_holder holds the file.
  explicit HeldByAnotherProcess(const std::string& path,
                                const std::string& program = TestFolder() + "\\file_holder.exe",
                                DWORD milliseconds = INFINITE) {
    std::string command = "\"" + program + "\" \"" + path + "\"";
    if (milliseconds != INFINITE) command += " " + std::to_string(milliseconds);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_)) {
      return;
    }
    // Held once even a fully sharing open is refused.
    for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(20)) {
      HANDLE probe = CreateFileA(path.c_str(), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
      if (probe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) {
        held_ = true;
        return;
      }
      if (probe != INVALID_HANDLE_VALUE) CloseHandle(probe);
    }
  }
  ~HeldByAnotherProcess() {
    if (!process_.hProcess) return;
    TerminateProcess(process_.hProcess, 0);
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
  bool held() const { return held_; }

 private:
  PROCESS_INFORMATION process_ = {};
  bool held_ = false;
};
