#pragma once

#include <windows.h>

// One run of the setup program for the given whole command line: the start-up
// checks, COM start, the remembered folder, then the install wizard with its
// finishing steps or the removal. Its result is the process exit code, 0 on
// every path.
int RunSetup(HINSTANCE instance, const char* commandLine);
