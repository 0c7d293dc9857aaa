#include "setup/startup_checks.h"

#include <windows.h>

#include "seam/outside.h"

// Windows are found with FindWindowExA throughout setup, which also picks
// out the extractor's among windows of the same title: one import the less.
namespace {
const UINT kTrayVersionQuery = WM_USER + 101;  // 0x465
const LRESULT kCurrentTrayAnswer = 117;
}  // namespace

int CheckProductNotRunning() {
  while (FindWindowExA(NULL, NULL, "QuillbarMain", NULL)) {
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
  HWND tray = FindWindowExA(NULL, NULL, "QuillbarTray", NULL);
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
