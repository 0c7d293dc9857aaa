// Binds the program's seam to the test: scripted message-box answers (every
// box is recorded with its text, caption and style, in order), a virtual
// clock, recorded launches and log-offs, and chosen module and Windows paths.
// The real bindings come back when the object goes.
#pragma once

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct BoxSeen {
  std::string text;
  std::string caption;
  UINT style;
};

class FakeOutside {
 public:
  FakeOutside();
  ~FakeOutside();
  FakeOutside(const FakeOutside&) = delete;
  FakeOutside& operator=(const FakeOutside&) = delete;

  // Scripts the answer to the next box; action, when given, runs while the
  // box is "shown" (before the answer returns). A box with no answer scripted
  // fails the test and gets IDCANCEL.
  void Answer(int result, std::function<void()> action = {});

  std::vector<BoxSeen> boxes;

  // Virtual clock: Sleep adds to now and is recorded; nothing waits for real.
  // onSleep runs after each sleep, with the new time, so a test can make
  // things happen "meanwhile".
  DWORD now = 0;
  std::vector<DWORD> sleeps;
  std::function<void(DWORD now)> onSleep;

  // Launches are recorded; launch decides the result (default: 33, nothing
  // started). A caller that asks for the started process gets this very
  // process, whose windows stand in for the program's, with no right to end
  // it. UseRealLaunch() starts the program for real as well, and hands its
  // process to the caller that asks for it.
  std::vector<std::string> launches;
  std::function<UINT(const char* commandLine, UINT show)> launch;
  void UseRealLaunch();
  // Starts program (with arguments) for real in place of what is launched,
  // and keeps its process in launchedProcess (ended and closed when this
  // goes) as well as handing it to the caller.
  void UseRealLaunchOf(const std::string& program, const std::string& arguments = "");
  HANDLE launchedProcess = NULL;

  // Each ExitWindowsEx call: its flags and its reason.
  std::vector<std::pair<UINT, DWORD>> exitWindowsCalls;

  // Empty means the real value.
  std::string modulePath;
  std::string windowsFolder;

 private:
  std::deque<std::pair<int, std::function<void()>>> answers_;
  bool realLaunch_ = false;
  std::string launchedProgram_;
  std::string launchedArguments_;
  static FakeOutside* current_;
  static int MessageBoxHook(HWND, LPCSTR, LPCSTR, UINT);
  static void SleepHook(DWORD);
  static UINT WinExecHook(LPCSTR, UINT, HANDLE*);
  static BOOL ExitWindowsHook(UINT, DWORD);
  static DWORD ModuleFileNameHook(LPSTR, DWORD);
  static UINT WindowsDirectoryHook(LPSTR, UINT);
};
