// The payload's self-extractor played on the test's own thread, so that the
// folder page's Next can install for real without a real archive: starting
// "qbar!ins.exe" opens a window with the extractor's title and destination
// box; its start command writes the given files into the destination and
// shows the completion box. The fake's virtual sleeps pump this thread.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/fake_outside.h"

class StandInExtractor {
 public:
  using Files = std::vector<std::pair<std::string, std::string>>;  // name, content
  StandInExtractor(FakeOutside& fake, Files files);
  ~StandInExtractor();
  StandInExtractor(const StandInExtractor&) = delete;
  StandInExtractor& operator=(const StandInExtractor&) = delete;

  // Runs when the extractor is started, before its window opens.
  std::function<void()> onStart;
  std::vector<std::string> commandLines;  // what it was started with
  std::string destination;                // the folder it unpacked into

 private:
  static LRESULT CALLBACK MainProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK BoxProc(HWND, UINT, WPARAM, LPARAM);
  void Unpack();
  Files files_;
  HWND main_ = NULL;
  HWND box_ = NULL;
  static StandInExtractor* current_;
};
