#include "tests/wizard/stand_in_extractor.h"

#include <gtest/gtest.h>

#include "tests/support/scratch_folder.h"
#include "tests/support/stand_in_window.h"

StandInExtractor* StandInExtractor::current_ = nullptr;

namespace {
const char kMainClass[] = "QuillbarTestsExtractor";
const char kBoxClass[] = "QuillbarTestsExtractorBox";

void RegisterOnce(const char* name, WNDPROC procedure) {
  WNDCLASSA windowClass = {};
  if (GetClassInfoA(GetModuleHandleA(NULL), name, &windowClass)) return;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(NULL);
  windowClass.lpszClassName = name;
  RegisterClassA(&windowClass);
}
}  // namespace

StandInExtractor::StandInExtractor(FakeOutside& fake, Files files) : files_(std::move(files)) {
  current_ = this;
  RegisterOnce(kMainClass, MainProc);
  RegisterOnce(kBoxClass, BoxProc);
  fake.launch = [this](const char* commandLine, UINT) -> UINT {
    commandLines.push_back(commandLine);
    if (onStart) onStart();
    main_ = CreateWindowA(kMainClass, "WinZip Self-Extractor - qbar!ins.exe", WS_OVERLAPPEDWINDOW,
                          0, 0, 300, 200, NULL, NULL, GetModuleHandleA(NULL), NULL);
    CreateWindowA("EDIT", "", WS_CHILD, 0, 0, 200, 20, main_, reinterpret_cast<HMENU>(106),
                  GetModuleHandleA(NULL), NULL);
    return 33;
  };
  fake.onSleep = [](DWORD) { PumpMessages(); };
}

StandInExtractor::~StandInExtractor() {
  if (IsWindow(box_)) DestroyWindow(box_);
  if (IsWindow(main_)) DestroyWindow(main_);
  current_ = nullptr;
}

void StandInExtractor::Unpack() {
  char folder[MAX_PATH] = "";
  GetDlgItemTextA(main_, 106, folder, MAX_PATH);
  destination = folder;
  for (const auto& file : files_) WriteFile(destination + "\\" + file.first, file.second);
  box_ = CreateWindowA(kBoxClass, "WinZip Self-Extractor", WS_OVERLAPPED, 0, 0, 200, 100, NULL,
                       NULL, GetModuleHandleA(NULL), NULL);
}

LRESULT CALLBACK StandInExtractor::MainProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDOK && current_) {
    current_->Unpack();
    return 0;
  }
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK StandInExtractor::BoxProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    DestroyWindow(window);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
