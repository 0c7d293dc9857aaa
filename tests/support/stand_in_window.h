// Real windows standing in for other programs' windows: Quillbar's main
// window and its tray window. They live on the test's thread.
#pragma once

#include <windows.h>

#include <vector>

class StandInWindow {
 public:
  // trayAnswer: what the window answers to message 0x465.
  explicit StandInWindow(const char* className, LRESULT trayAnswer = 0);
  ~StandInWindow();
  StandInWindow(const StandInWindow&) = delete;
  StandInWindow& operator=(const StandInWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  void Destroy();

  struct Message {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
  };
  // Every message of interest the window received (WM_CLOSE and 0x465).
  std::vector<Message> received;

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_ = NULL;
  LRESULT trayAnswer_;
};

// Dispatches this thread's pending messages.
void PumpMessages();
