// Stand-in for the product's main program, shipped in the sample product so
// that an installation can be started and shut down like the real one: a
// window of class "QuillbarMain" whose title shows the configuration file it
// was started with, and that ends on WM_CLOSE.
#include <windows.h>

#include "setup/text.h"

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
  windowClass.lpszClassName = "QuillbarMain";
  if (!RegisterClassA(&windowClass)) return 1;

  // "Quillbar - <configuration file>" when one is given; a text that does not
  // fit the title is left out rather than cut.
  char title[MAX_PATH + 16] = "Quillbar";
  while (*commandLine == ' ') ++commandLine;
  if (*commandLine) {
    char* end = title + 8;
    if (!AppendText(title, " - ") || !AppendText(title, commandLine)) *end = '\0';
  }
  HWND window = CreateWindowA("QuillbarMain", title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
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
