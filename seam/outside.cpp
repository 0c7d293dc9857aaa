#include "seam/outside.h"

namespace {

int RealMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  return MessageBoxA(owner, text, caption, style);
}
void RealSleep(DWORD milliseconds) {
  Sleep(milliseconds);
}
// WinExec, keeping the process: its start, its wait of up to 30 s for the
// program's first idle moment, and its results (33, or an error below 32).
UINT RealWinExec(LPCSTR commandLine, UINT showState, HANDLE* process) {
  if (process) *process = NULL;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showState);
  PROCESS_INFORMATION started;
  // Only the UTF-16 call writes to its command line; the 8-bit one works on
  // its own converted copy.
  if (!CreateProcessA(NULL, const_cast<LPSTR>(commandLine), NULL, NULL, FALSE, 0, NULL, NULL,
                      &startup, &started)) {
    DWORD error = GetLastError();
    return error < 32 ? error : ERROR_BAD_FORMAT;
  }
  WaitForInputIdle(started.hProcess, 30000);
  CloseHandle(started.hThread);
  if (process) {
    *process = started.hProcess;
  } else {
    CloseHandle(started.hProcess);
  }
  return 33;
}
BOOL RealExitWindows(UINT flags, DWORD reason) {
  return ExitWindowsEx(flags, reason);
}
DWORD RealModuleFileName(LPSTR buffer, DWORD size) {
  return GetModuleFileNameA(NULL, buffer, size);
}
UINT RealWindowsDirectory(LPSTR buffer, UINT size) {
  return GetWindowsDirectoryA(buffer, size);
}

}  // namespace

Outside RealOutside() {
  return Outside{RealMessageBox,  RealSleep,          RealWinExec,
                 RealExitWindows, RealModuleFileName, RealWindowsDirectory};
}

Outside outside = RealOutside();
