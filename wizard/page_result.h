#pragma once

#include <windows.h>

// A page answers a sheet notification by its DWL_MSGRESULT and TRUE.
inline BOOL SetPageResult(HWND page, LONG_PTR result) {
  SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
  return TRUE;
}

// Sets the wizard buttons; posted, so it takes effect after the notification.
inline void PostWizardButtons(HWND page, LPARAM buttons) {
  PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, buttons);
}
