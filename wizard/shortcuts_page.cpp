#include "wizard/shortcuts_page.h"

// Not built yet: the page is never reached while the folder page stays on Next.
INT_PTR CALLBACK ShortcutsPageProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}
