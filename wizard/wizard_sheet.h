#pragma once

#include <windows.h>
#include <commctrl.h>

// Fills one page record in its first-version size.
void FillPageRecord(PROPSHEETPAGEA_V1* record, int dialogId, const char* title, DLGPROC procedure);

// Builds the three pages and runs the modal wizard; PropertySheetA's result.
INT_PTR RunWizard();
