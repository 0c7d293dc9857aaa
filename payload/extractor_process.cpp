#include "payload/extractor_process.h"

namespace {

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

struct BoxSearch {
  DWORD process;
  HWND mainWindow;
  bool found;
};

BOOL CALLBACK LookForBox(HWND window, LPARAM context) {
  BoxSearch& search = *reinterpret_cast<BoxSearch*>(context);
  if (window != search.mainWindow && IsWindowVisible(window) &&
      ProcessOf(window) == search.process) {
    search.found = true;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND FindExtractorWindow(const ExtractorProcess& extractor, const char* title) {
  HWND window = NULL;
  while ((window = FindWindowExA(NULL, window, NULL, title)) != NULL) {
    if (extractor.id && ProcessOf(window) == extractor.id) return window;
  }
  return NULL;
}

bool HasEnded(const ExtractorProcess& extractor) {
  return !extractor.handle || WaitForSingleObject(extractor.handle, 0) != WAIT_TIMEOUT;
}

bool ShowsABoxOfItsOwn(const ExtractorProcess& extractor, HWND mainWindow) {
  BoxSearch search = {extractor.id, mainWindow, false};
  if (extractor.id) EnumWindows(LookForBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}
