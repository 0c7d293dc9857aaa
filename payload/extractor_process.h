// The extractor that setup started, told apart from every other program by
// its process: another product's self-extractor, or a second copy of ours
// started from another download, may show windows of the very same titles.
#pragma once

#include <windows.h>

struct ExtractorProcess {
  HANDLE handle;  // null when none was started
  DWORD id;
};

// The started extractor's top-level window with exactly this title, or null.
HWND FindExtractorWindow(const ExtractorProcess& extractor, const char* title);

// Whether the started extractor has ended (or was never started).
bool HasEnded(const ExtractorProcess& extractor);

// Whether the extractor shows its user a box of its own, such as the reason
// its unpack failed: a visible top-level window of its process other than
// mainWindow.
bool ShowsABoxOfItsOwn(const ExtractorProcess& extractor, HWND mainWindow);
