// The setup program's entry point.
#include <windows.h>

#include "common/safe_dll_search.h"
#include "setup/run_setup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  RestrictDllSearchToSystem(true);
  // The whole command line, the program's own path included: the run mode may
  // be chosen by the name the program was started under.
  return RunSetup(instance, GetCommandLineA());
}
