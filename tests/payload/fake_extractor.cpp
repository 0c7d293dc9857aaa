#include "tests/payload/fake_extractor.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include "tests/support/scratch_folder.h"
#include "tests/support/stand_in_window.h"

namespace {

const char kMainClass[] = "QbTestExtractorMain";
const char kBoxClass[] = "QbTestExtractorBox";

void RegisterOnce(const char* name, WNDPROC procedure) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(NULL);
  windowClass.lpszClassName = name;
  RegisterClassA(&windowClass);  // fails harmlessly when already registered
}

FakeExtractor* Owner(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  return reinterpret_cast<FakeExtractor*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

}  // namespace

FakeExtractor::FakeExtractor(FakeOutside& clock, std::string productFolder)
    : clock_(clock), productFolder_(std::move(productFolder)) {
  RegisterOnce(kMainClass, MainProc);
  RegisterOnce(kBoxClass, BoxProc);
}

FakeExtractor::~FakeExtractor() {
  if (box_) DestroyWindow(box_);
  if (main_) DestroyWindow(main_);
}

void FakeExtractor::Open(bool withProgressBar) {
  main_ = CreateWindowA(kMainClass, "WinZip Self-Extractor - qbar!ins.exe", WS_OVERLAPPEDWINDOW, 0,
                        0, 300, 200, NULL, NULL, GetModuleHandleA(NULL), this);
  ASSERT_TRUE(main_ != NULL);
  HWND edit = CreateWindowA("EDIT", "", WS_CHILD, 10, 10, 200, 20, main_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(106)),
                            GetModuleHandleA(NULL), NULL);
  ASSERT_TRUE(edit != NULL);
  if (!withProgressBar) return;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  HWND bar = CreateWindowA(PROGRESS_CLASSA, "", WS_CHILD, 10, 40, 200, 10, main_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(109)),
                           GetModuleHandleA(NULL), NULL);
  ASSERT_TRUE(bar != NULL);
  SendMessageA(bar, PBM_SETRANGE32, 0, 1000000);
}

void FakeExtractor::MoveProgress() {
  SendDlgItemMessageA(main_, 109, PBM_DELTAPOS, 1, 0);
}

void FakeExtractor::Complete() {
  box_ = CreateWindowA(kBoxClass, "WinZip Self-Extractor", WS_POPUP, 0, 0, 200, 100, main_, NULL,
                       GetModuleHandleA(NULL), this);
  Record("box shown");
}

void FakeExtractor::Pump() {
  pumping_ = true;
  PumpMessages();
  pumping_ = false;
}

void FakeExtractor::Record(const std::string& what) {
  events.push_back({what, clock_.now});
}

void FakeExtractor::Unpack() {
  char text[1024] = "";
  GetDlgItemTextA(main_, 106, text, sizeof text);
  destination = text;
  for (const std::string& name : ListFolder(productFolder_)) {
    CopyFileA((productFolder_ + "\\" + name).c_str(), (destination + "\\" + name).c_str(), FALSE);
  }
  if (completes) Complete();
}

LRESULT CALLBACK FakeExtractor::MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  FakeExtractor* self = Owner(window, message, lParam);
  // The edit control's own notifications (lParam: the control) are not
  // commands from outside.
  if (self && message == WM_COMMAND && lParam == 0) {
    bool sent = !self->pumping_;
    if (wParam == IDOK && !sent) {
      self->Record("start");
      self->Unpack();
    } else {
      self->Record("command " + std::to_string(wParam) + (sent ? " sent" : " posted"));
    }
    return 0;
  }
  if (self && message == WM_CLOSE) {
    self->Record(self->pumping_ ? "close posted" : "close sent");
    self->main_ = NULL;
    DestroyWindow(window);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK FakeExtractor::BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  FakeExtractor* self = Owner(window, message, lParam);
  if (self && message == WM_COMMAND) {
    if (wParam == IDCANCEL && lParam == 0) {
      std::string how = self->pumping_ ? " posted" : " sent";
      self->Record((IsWindowEnabled(window) ? "cancel enabled" : "cancel disabled") + how);
      self->box_ = NULL;
      DestroyWindow(window);
    } else {
      self->Record("box command " + std::to_string(wParam));
    }
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
