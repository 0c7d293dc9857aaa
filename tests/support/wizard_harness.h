// The setup wizard's three real pages in a modeless sheet, so that a test can
// press its buttons and look at its pages while its own thread pumps.
#pragma once

#include <windows.h>

class ModelessWizard {
 public:
  explicit ModelessWizard(int startPage = 0);
  ~ModelessWizard();
  ModelessWizard(const ModelessWizard&) = delete;
  ModelessWizard& operator=(const ModelessWizard&) = delete;

  HWND sheet() const { return sheet_; }
  HWND page() const;       // the current page
  int pageId() const;      // template id of the current page, from its controls
  void Press(int button);  // PSBTN_BACK, PSBTN_NEXT, PSBTN_FINISH, PSBTN_CANCEL
  bool ButtonEnabled(int controlId) const;
  // Hands a sheet notification to the page procedure for the current page;
  // the result it set (kUnsetResult when none) and whether it handled it.
  static constexpr LONG_PTR kUnsetResult = 0x5a5a;
  LONG_PTR Notify(DLGPROC procedure, int code, BOOL* handled = nullptr);

 private:
  HWND sheet_ = NULL;
};
