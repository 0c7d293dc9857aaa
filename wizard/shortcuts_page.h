#pragma once

#include <windows.h>

INT_PTR CALLBACK ShortcutsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Starts Notepad on the install folder's read-me file, by its short path
// where it has one.
void ViewReadMe();
