// The one seam between the setup program and what lies outside it: the user,
// the clock, the start of other programs, the session, and where the program
// and Windows live. Everything else is called directly. Production binds the
// real calls; the tests rebind these pointers to scripted answers, a virtual
// clock and recorded launches.
#pragma once

#include <windows.h>

struct Outside {
  int (*messageBox)(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
  void (*sleep)(DWORD milliseconds);
  // As WinExec; process, when not null, receives the started program's
  // process (null when none started), which the caller closes.
  UINT (*winExec)(LPCSTR commandLine, UINT showState, HANDLE* process);
  BOOL (*exitWindows)(UINT flags, DWORD reason);
  // The setup program's own path, as GetModuleFileNameA(NULL, ...) gives it.
  DWORD (*moduleFileName)(LPSTR buffer, DWORD size);
  // As GetWindowsDirectoryA.
  UINT (*windowsDirectory)(LPSTR buffer, UINT size);
};

extern Outside outside;

// The bindings to the real Win32 calls.
Outside RealOutside();
