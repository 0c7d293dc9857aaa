#include "wizard/wizard_sheet.h"

#include "setup/setup_state.h"
#include "wizard/folder_page.h"
#include "wizard/licence_page.h"
#include "wizard/page_ids.h"
#include "wizard/shortcuts_page.h"

#include <stddef.h>

// The first versions of the two records, which every comctl32 understands.
static const DWORD kSheetHeaderSize =
    offsetof(PROPSHEETHEADERA, pfnCallback) + sizeof(PFNPROPSHEETCALLBACK);
#ifndef _WIN64
static_assert(sizeof(PROPSHEETPAGEA_V1) == 40, "first-version page record");
static_assert(kSheetHeaderSize == 40, "first-version sheet header");
#endif

void FillPageRecord(PROPSHEETPAGEA_V1* record, int dialogId, const char* title, DLGPROC procedure) {
  record->dwSize = sizeof(PROPSHEETPAGEA_V1);
  record->dwFlags = PSP_DEFAULT;
  record->hInstance = setupState.instanceHandle;
  record->pszTemplate = MAKEINTRESOURCEA(LOWORD(dialogId));
  record->hIcon = NULL;
  record->pszTitle = title;
  record->pfnDlgProc = procedure;
  record->lParam = 0;
}

namespace {

typedef INT_PTR(WINAPI* PropertySheetProc)(LPCPROPSHEETHEADERA);

// comctl32 is loaded here, not imported: as it loads it brings in the theme
// library by bare name, and an import would load both before WinMain has
// restricted the DLL search to the system folder, so that a uxtheme.dll
// beside setup.exe in a download folder would run in it.
PropertySheetProc LoadPropertySheet() {
  HMODULE commonControls = LoadLibraryA("comctl32.dll");
  if (!commonControls) return NULL;
  return reinterpret_cast<PropertySheetProc>(
      reinterpret_cast<void*>(GetProcAddress(commonControls, "PropertySheetA")));
}

}  // namespace

INT_PTR RunWizard() {
  PropertySheetProc propertySheet = LoadPropertySheet();
  if (!propertySheet) return -1;  // as a sheet that could not be shown
  // The sheet steps through the array by each record's dwSize.
  static PROPSHEETPAGEA_V1 pages[3];
  FillPageRecord(&pages[0], kLicencePage, "", LicensePageProc);
  FillPageRecord(&pages[1], kFolderPage, "", FolderPageProc);
  FillPageRecord(&pages[2], kShortcutsPage, "", ShortcutsPageProc);

  PROPSHEETHEADERA header = {};
  header.dwSize = kSheetHeaderSize;
  header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
  header.hwndParent = NULL;
  header.pszCaption = "Setup Wizard";
  header.nPages = 3;
  header.nStartPage = 0;
  header.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);
  return propertySheet(&header);
}
