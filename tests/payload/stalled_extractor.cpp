// An extractor that has stalled, as a process of its own: its main window,
// with the real one's title, destination box (control 106) and progress bar
// (control 109), takes the folder and the start command and then never moves
// nor shows its completion box. It runs until it is ended.
#include <windows.h>

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  HWND main = CreateWindowA("STATIC", "WinZip Self-Extractor - qbar!ins.exe", WS_OVERLAPPEDWINDOW,
                            0, 0, 300, 120, NULL, NULL, instance, NULL);
  if (!main) return 1;
  CreateWindowA("EDIT", "", WS_CHILD, 10, 10, 200, 20, main,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(106)), instance, NULL);
  CreateWindowA(PROGRESS_CLASSA, "", WS_CHILD, 10, 40, 200, 10, main,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(109)), instance, NULL);
  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
