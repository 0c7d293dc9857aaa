#pragma once

#include <windows.h>

INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Creates path and every missing folder above it; non-zero on success, and
// zero for a folder that already exists.
int CreateFolderPath(const char* path);

// The shell's folder picker; TRUE with the chosen folder in buffer (MAX_PATH),
// FALSE with buffer empty when the user cancels.
BOOL BrowseForFolder(char* buffer);
