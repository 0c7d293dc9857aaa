#pragma once

// True when the command line holds "unwise.exe" anywhere, letters A to Z
// compared lower-cased. The whole line is searched, however long.
bool IsRemoveOnlyCommandLine(const char* commandLine);
