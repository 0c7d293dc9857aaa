#include "wizard/licence_page.h"

#include <commctrl.h>

#include "wizard/center_window.h"
#include "wizard/page_ids.h"
#include "wizard/page_result.h"

namespace {
const int kLicenceList = 1008;
}  // namespace

void FillLicenseList(HWND dialog, int listId) {
  SendDlgItemMessageA(dialog, listId, LB_RESETCONTENT, 0, 0);
  for (const char* line : kLicenceLines) {
    SendDlgItemMessageA(dialog, listId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
  }
}

INT_PTR CALLBACK LicensePageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
    case WM_COMMAND:
      return TRUE;
    case WM_NOTIFY:
      switch (reinterpret_cast<NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
          CenterWindow(page);
          FillLicenseList(page, kLicenceList);
          PostWizardButtons(page, PSWIZB_NEXT);
          return TRUE;
        case PSN_KILLACTIVE:
          return SetPageResult(page, kGoOn);
        case PSN_WIZNEXT:
          return SetPageResult(page, kFolderPage);
        case PSN_WIZBACK:
          return SetPageResult(page, kStayOnPage);
        case PSN_RESET:
          return SetPageResult(page, 0);
      }
      return FALSE;
  }
  return FALSE;
}
