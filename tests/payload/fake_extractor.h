// A stand-in for the self-extractor, on the test's own thread: a main window
// with the extractor's title and destination control 106 that "unpacks" a
// folder's files when it receives IDOK, and a completion box with the
// extractor's title that IDCANCEL dismisses. Everything it receives is
// recorded with the virtual time it arrived. Posted messages reach it when
// the test pumps messages (the fixtures do so on every virtual sleep).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/fake_outside.h"

class FakeExtractor {
 public:
  FakeExtractor(FakeOutside& clock, std::string productFolder);
  ~FakeExtractor();
  FakeExtractor(const FakeExtractor&) = delete;
  FakeExtractor& operator=(const FakeExtractor&) = delete;

  // Shows the main window, as the started program would; with a progress
  // bar (control 109) when asked.
  void Open(bool withProgressBar = false);

  // Moves the progress bar on, as an unpack that is still working would.
  void MoveProgress();

  // Shows the completion box, as an unpack that has ended would.
  void Complete();

  // Dispatches the thread's pending messages; what reaches the windows from
  // here was posted, anything else was sent.
  void Pump();

  // false: unpacking ends with the completion box only when Complete() is
  // called.
  bool completes = true;

  struct Event {
    std::string what;
    DWORD at;
  };
  // "start" (IDOK posted, wParam 1, lParam 0), "command w sent|posted"
  // (anything else), "box shown", "cancel disabled|enabled sent|posted",
  // "close sent|posted".
  std::vector<Event> events;
  std::string destination;  // control 106's text when unpacking started

  HWND mainWindow() const { return main_; }
  HWND completionBox() const { return box_; }

 private:
  static LRESULT CALLBACK MainProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK BoxProc(HWND, UINT, WPARAM, LPARAM);
  void Record(const std::string& what);
  void Unpack();

  FakeOutside& clock_;
  std::string productFolder_;
  HWND main_ = NULL;
  HWND box_ = NULL;
  bool pumping_ = false;
};
