// Other programs, as the end-to-end scenarios need them:
//   stand_in.exe window <class> [<answer to 0x465>]
//     a top-level window of that class (Quillbar's main window, an old or
//     current tray); it answers message 0x465 with the number given (0 when
//     none) and ends on WM_CLOSE.
//   stand_in.exe hold <file>
//     holds the file open without sharing, as Windows holds a loaded module,
//     until its window (class "QbHoldFile") gets WM_CLOSE.
#include <windows.h>

#include <stdlib.h>
#include <wchar.h>

namespace {

LRESULT trayAnswer = 0;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 101) return trayAnswer;
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow(const wchar_t* className) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = GetModuleHandleW(NULL);
  windowClass.lpszClassName = className;
  windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
  RegisterClassW(&windowClass);
  // Not shown: only its class matters to the setup program, and a hidden
  // window keeps the screenshots clean.
  return CreateWindowW(className, className, WS_OVERLAPPEDWINDOW, 0, 0, 160, 80, NULL, NULL,
                       GetModuleHandleW(NULL), NULL);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  HANDLE held = INVALID_HANDLE_VALUE;
  HWND window = NULL;
  if (wcscmp(argv[1], L"window") == 0) {
    if (argc > 3) trayAnswer = _wtoi(argv[3]);
    window = MakeWindow(argv[2]);
  } else if (wcscmp(argv[1], L"hold") == 0) {
    held = CreateFileW(argv[2], GENERIC_READ, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (held == INVALID_HANDLE_VALUE) return 3;
    window = MakeWindow(L"QbHoldFile");
  } else {
    return 2;
  }
  if (!window) return 4;
  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
  return 0;
}
