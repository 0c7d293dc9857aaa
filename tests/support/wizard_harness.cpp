#include "tests/support/wizard_harness.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "setup/setup_state.h"
#include "tests/support/stand_in_window.h"
#include "wizard/folder_page.h"
#include "wizard/licence_page.h"
#include "wizard/shortcuts_page.h"
#include "wizard/wizard_sheet.h"

ModelessWizard::ModelessWizard(int startPage) {
  static PROPSHEETPAGEA_V1 pages[3];
  setupState.instanceHandle = GetModuleHandleA(NULL);
  FillPageRecord(&pages[0], 101, "", LicensePageProc);
  FillPageRecord(&pages[1], 103, "", FolderPageProc);
  FillPageRecord(&pages[2], 104, "", ShortcutsPageProc);
  PROPSHEETHEADERA header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW | PSH_MODELESS;
  header.pszCaption = "Setup Wizard";
  header.nPages = 3;
  header.nStartPage = startPage;
  header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
  sheet_ = reinterpret_cast<HWND>(PropertySheetA(&header));
  EXPECT_TRUE(sheet_ != NULL);
  PumpMessages();
}

ModelessWizard::~ModelessWizard() {
  if (IsWindow(sheet_)) DestroyWindow(sheet_);
  PumpMessages();
}

HWND ModelessWizard::page() const {
  return PropSheet_GetCurrentPageHwnd(sheet_);
}

int ModelessWizard::pageId() const {
  HWND current = page();
  if (GetDlgItem(current, 1001)) return 103;
  if (GetDlgItem(current, 1003)) return 104;
  if (GetDlgItem(current, 1008)) return 101;
  return 0;
}

void ModelessWizard::Press(int button) {
  PropSheet_PressButton(sheet_, button);
  PumpMessages();
}

bool ModelessWizard::ButtonEnabled(int controlId) const {
  return IsWindowEnabled(GetDlgItem(sheet_, controlId)) != FALSE;
}

LONG_PTR ModelessWizard::Notify(DLGPROC procedure, int code, BOOL* handled) {
  HWND current = page();
  NMHDR header = {};
  header.hwndFrom = sheet_;
  header.code = static_cast<UINT>(code);
  SetWindowLongPtrA(current, DWLP_MSGRESULT, kUnsetResult);
  INT_PTR result = procedure(current, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
  if (handled) *handled = static_cast<BOOL>(result);
  return GetWindowLongPtrA(current, DWLP_MSGRESULT);
}
