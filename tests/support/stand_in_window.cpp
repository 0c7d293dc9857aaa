#include "tests/support/stand_in_window.h"

#include <gtest/gtest.h>

StandInWindow::StandInWindow(const char* className, LRESULT trayAnswer) : trayAnswer_(trayAnswer) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = GetModuleHandleA(NULL);
  windowClass.lpszClassName = className;
  RegisterClassA(&windowClass);  // fails harmlessly when already registered
  hwnd_ = CreateWindowA(className, className, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, NULL, NULL,
                        GetModuleHandleA(NULL), this);
  EXPECT_TRUE(hwnd_ != NULL);
}

StandInWindow::~StandInWindow() {
  Destroy();
}

void StandInWindow::Destroy() {
  if (hwnd_) {
    HWND window = hwnd_;
    hwnd_ = NULL;
    DestroyWindow(window);
  }
}

LRESULT CALLBACK StandInWindow::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<StandInWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self && (message == WM_CLOSE || message == WM_USER + 101)) {
    self->received.push_back({message, wParam, lParam});
    if (message == WM_USER + 101) return self->trayAnswer_;
    return 0;  // a stand-in keeps its window: the test decides when it goes
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}
