#pragma once

#include <windows.h>

// What install mode does after the wizard: when the sheet returned non-zero
// with the installation completed, remember the folder, make the shortcuts,
// write the uninstall entry, register the file types and offer to start
// Quillbar; in every case stop COM and delete the extractor copy.
void FinishInstallation(INT_PTR sheetResult);
