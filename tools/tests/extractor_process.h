// The self-extractor as a process of its own, started and driven as the
// installer does: a copy named "qbar!ins.exe", found by its title, given a
// folder in control 106 and a posted IDOK. Ended when this goes, if it still
// runs. The waits are on a real second process, so they poll with real time.
#pragma once

#include <windows.h>

#include <string>

#include "tools/tests/sfx_test_files.h"

const char kExtractorTitle[] = "WinZip Self-Extractor - qbar!ins.exe";
const char kExtractorDoneTitle[] = "WinZip Self-Extractor";
const char kExtractorErrorTitle[] = "Self-Extractor Error";

// Polls for a top-level window of that whole title for up to timeoutMs.
inline HWND WaitForTitle(const char* title, DWORD timeoutMs) {
  for (DWORD start = GetTickCount();; Sleep(50)) {
    HWND window = FindWindowA(nullptr, title);
    if (window || GetTickCount() - start > timeoutMs) return window;
  }
}

class ExtractorProcess {
 public:
  // Copies the test archive into folder as "qbar!ins.exe" and starts it,
  // with QB_SFX_TEST_CUT=cut in its environment when cut is given.
  bool Start(const std::string& archive, const std::string& folder, const char* cut = nullptr) {
    std::string copy = folder + "\\qbar!ins.exe";
    if (!CopyFileA(TestArchive(archive).c_str(), copy.c_str(), FALSE)) return false;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string command = "\"" + copy + "\"";
    SetEnvironmentVariableA("QB_SFX_TEST_CUT", cut);
    bool started = CreateProcessA(copy.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                  folder.c_str(), &startup, &process_);
    SetEnvironmentVariableA("QB_SFX_TEST_CUT", nullptr);
    main_ = started ? WaitForTitle(kExtractorTitle, 20000) : nullptr;
    return main_ != nullptr;
  }
  // Types the folder as the installer does, in the ANSI code page, or as
  // UTF-16 where that code page cannot spell it.
  void Unzip(const std::wstring& folder) {
    HWND field = GetDlgItem(main_, 106);
    BOOL lost = FALSE;
    std::string ansi(folder.size() * 2 + 1, '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, folder.c_str(), -1, &ansi[0],
                        static_cast<int>(ansi.size()), nullptr, &lost);
    if (lost) {
      SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    } else {
      SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ansi.c_str()));
    }
    PostMessageA(main_, WM_COMMAND, IDOK, 0);
  }
  // Waits for the process to end; its exit code, or STILL_ACTIVE.
  DWORD WaitForExit(DWORD timeoutMs) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process_.hProcess, timeoutMs) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process_.hProcess, &code);
    }
    return code;
  }
  HWND main() const { return main_; }
  ~ExtractorProcess() {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) {
      if (IsWindow(main_)) SendMessageTimeoutA(main_, WM_CLOSE, 0, 0, SMTO_BLOCK, 2000, nullptr);
      if (WaitForSingleObject(process_.hProcess, 5000) != WAIT_OBJECT_0) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
      }
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }

 private:
  PROCESS_INFORMATION process_ = {};
  HWND main_ = nullptr;
};
