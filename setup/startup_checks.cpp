#include "setup/startup_checks.h"

#include <windows.h>

#include "seam/outside.h"

namespace {
const UINT kTrayVersionQuery = WM_USER + 101;  // 0x465
const LRESULT kCurrentTrayAnswer = 117;
}  // namespace

int CheckProductNotRunning() {
  while (FindWindowA("QuillbarMain", NULL)) {
    int answer =
        outside.messageBox(NULL,
                           "Please shut down  Quillbar and then Press OK.\r"
                           "To shutdown Quillbar, Ctrl-right click any bar and press quit.\r"
                           "Or use Ctrl-alt-del, select Quillbar, and press end task.",
                           "Quillbar Setup", MB_OKCANCEL | MB_TOPMOST);
    if (answer != IDOK) return 0;
    // The wait is the user's: the program itself does not sleep here.
    outside.messageBox(NULL,
                       "To allow Quillbar to clear from memory,\r"
                       "please wait 15 seconds then press OK",
                       "Quillbar Setup", MB_OK | MB_TOPMOST);
  }
  return 1;
}

int CheckTrayIsCurrent() {
  HWND tray = FindWindowA("QuillbarTray", NULL);
  if (!tray) return 1;
  if (SendMessageA(tray, kTrayVersionQuery, 0, 0) == kCurrentTrayAnswer) return 1;
  outside.messageBox(NULL,
                     "Old version of Quillbar tray support running.\r"
                     "Shutdown qbartray.exe using Configure|remove tray support or Task Manager, "
                     "uninstall tray support,  and reboot.\r"
                     "See readme.txt formore info",
                     "Error", MB_OK);
  return 0;
}
