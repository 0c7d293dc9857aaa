#include "seam/outside.h"

namespace {

int RealMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  return MessageBoxA(owner, text, caption, style);
}
void RealSleep(DWORD milliseconds) {
  Sleep(milliseconds);
}
UINT RealWinExec(LPCSTR commandLine, UINT showState) {
  return WinExec(commandLine, showState);
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
