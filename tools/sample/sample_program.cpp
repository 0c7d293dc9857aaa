// The sample product's two programs, Quillbar.exe and QBarConf.exe, which an
// installation can start and shut down like the real ones: a window of the
// product's class whose title shows the configuration file it was started
// with, and that ends on WM_CLOSE. The build gives each its class and title.
#include <windows.h>

#include "common/text.h"

#if !defined(QB_SAMPLE_CLASS) || !defined(QB_SAMPLE_TITLE)
#error "the build names the window class and title"
#endif

namespace {

LRESULT CALLBACK MainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = MainProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = QB_SAMPLE_CLASS;
  if (!RegisterClassA(&windowClass)) return 1;

  // "<title> - <configuration file>" when one is given; a text that does not
  // fit the title is left out rather than cut.
  char title[MAX_PATH + 64] = QB_SAMPLE_TITLE;
  while (*commandLine == ' ') ++commandLine;
  if (*commandLine) {
    char* end = title + lstrlenA(title);
    if (!AppendText(title, " - ") || !AppendText(title, commandLine)) *end = '\0';
  }
  HWND window = CreateWindowA(QB_SAMPLE_CLASS, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, 400, 120, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, show);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
