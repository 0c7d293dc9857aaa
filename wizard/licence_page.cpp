#include "wizard/licence_page.h"

#include <commctrl.h>

#include "wizard/center_window.h"
#include "wizard/page_ids.h"
#include "wizard/page_result.h"

namespace {

const int kLicenceList = 1008;

// The list scrolls sideways as far as its widest line, measured in the
// list's own font (at the monitor's DPI), so that every line can be read.
void SetWidestLineExtent(HWND list) {
  HDC dc = GetDC(list);
  HGDIOBJ oldFont =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(list, WM_GETFONT, 0, 0)));
  SIZE size = {0, 0};
  LONG widest = 0;
  for (const char* line : kLicenceLines) {
    GetTextExtentPoint32A(dc, line, lstrlenA(line), &size);
    if (size.cx > widest) widest = size.cx;
  }
  SelectObject(dc, oldFont);
  ReleaseDC(list, dc);
  // And room for the margin that the list draws before each line.
  SendMessageA(list, LB_SETHORIZONTALEXTENT, widest + size.cy / 2, 0);
}

}  // namespace

void FillLicenseList(HWND dialog, int listId) {
  SendDlgItemMessageA(dialog, listId, LB_RESETCONTENT, 0, 0);
  for (const char* line : kLicenceLines) {
    SendDlgItemMessageA(dialog, listId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
  }
  SetWidestLineExtent(GetDlgItem(dialog, listId));
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
