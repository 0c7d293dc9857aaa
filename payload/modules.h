#pragma once

#include <windows.h>

// Puts newly delivered modules in place of the installed ones. 1 when the main
// module is in place; 0 when it was locked (the user has been told).
int ReplaceLockedModules();

// Version checks against a file's VS_FIXEDFILEINFO, through the system's own
// version.dll loaded at run time.
BOOL FileVersionAtLeast(const char* path, DWORD threshold);
BOOL FileVersionIs(const char* path, DWORD versionMS, DWORD versionLS);
