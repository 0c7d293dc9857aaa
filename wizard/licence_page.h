#pragma once

#include <windows.h>

// The licence, one list box row per line.
extern const char* const kLicenceLines[22];

// Empties the list box, adds the 22 licence lines in order and lets it scroll
// as far as the widest of them.
void FillLicenseList(HWND dialog, int listId);

INT_PTR CALLBACK LicensePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
