#include "wizard/folder_page.h"

#include <commctrl.h>

#include "wizard/center_window.h"
#include "wizard/page_ids.h"
#include "wizard/page_result.h"

// Not built yet beyond what lets the wizard run: the page shows, Back returns
// to the licence and Next stays.
INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_NOTIFY) return FALSE;
  switch (reinterpret_cast<NMHDR*>(lParam)->code) {
    case PSN_SETACTIVE:
      CenterWindow(page);
      return TRUE;
    case PSN_WIZBACK:
      return SetPageResult(page, kLicencePage);
    case PSN_WIZNEXT:
      return SetPageResult(page, kStayOnPage);
  }
  return FALSE;
}

int CreateFolderPath(const char*) { return 0; }

BOOL BrowseForFolder(char* buffer) {
  buffer[0] = '\0';
  return FALSE;
}
