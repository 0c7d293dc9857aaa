// Self-extractors as processes of their own, for the ways one can behave
// that setup must answer. With the real one's titles, destination box
// (control 106) and progress bar (control 109):
//   extractor_stand_in.exe            takes the folder and the start command,
//                                     then never moves nor shows its
//                                     completion box; runs until it is ended
//   extractor_stand_in.exe vanish     ends at the start command, without a
//                                     completion box (its user closed it, or
//                                     it crashed)
//   extractor_stand_in.exe complain   at the start command shows its user a
//                                     box of its own ("Self-Extractor Error"),
//                                     and ends once that box is closed
//   extractor_stand_in.exe other      another program's windows of the same
//                                     titles: a main window and a completion
//                                     box, which count every command, close
//                                     and enabling they get and answer WM_APP
//                                     with that count
#include <windows.h>

#include <commctrl.h>
#include <string.h>

namespace {

enum Mode { kStall, kVanish, kComplain, kOther } mode = kStall;
LRESULT received = 0;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_APP:
      return received;
    case WM_ENABLE:
    case WM_CLOSE:
      ++received;
      return 0;
    case WM_COMMAND:
      if (lParam != 0) break;  // a child's notification
      ++received;
      if (mode == kVanish && LOWORD(wParam) == IDOK) PostQuitMessage(0);
      if (mode == kComplain && LOWORD(wParam) == IDOK) {
        MessageBoxA(window, "Nothing was changed in the folder: its disk is full.",
                    "Self-Extractor Error", MB_OK | MB_ICONERROR);
        PostQuitMessage(0);
      }
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow(const char* title, bool withControls) {
  HINSTANCE instance = GetModuleHandleA(NULL);
  HWND window = CreateWindowA("QbExtractorStandIn", title, WS_OVERLAPPEDWINDOW, 0, 0, 300, 120,
                              NULL, NULL, instance, NULL);
  if (window && withControls) {
    CreateWindowA("EDIT", "", WS_CHILD, 10, 10, 200, 20, window,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(106)), instance, NULL);
    CreateWindowA(PROGRESS_CLASSA, "", WS_CHILD, 10, 40, 200, 10, window,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(109)), instance, NULL);
  }
  return window;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
  if (strcmp(arguments, "vanish") == 0) mode = kVanish;
  if (strcmp(arguments, "complain") == 0) mode = kComplain;
  if (strcmp(arguments, "other") == 0) mode = kOther;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "QbExtractorStandIn";
  RegisterClassA(&windowClass);
  if (!MakeWindow("WinZip Self-Extractor - qbar!ins.exe", true)) return 1;
  if (mode == kOther && !MakeWindow("WinZip Self-Extractor", false)) return 1;
  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
