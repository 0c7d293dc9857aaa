// Remove-only mode: undoes what the installation told the system, and leaves
// the program files for the user to delete.
#include "setup/removal.h"

#include <windows.h>

#include "seam/outside.h"
#include "setup/com.h"
#include "setup/program_submenu.h"
#include "shell/context_menu.h"
#include "shell/file_types.h"
#include "shell/shell_folders.h"
#include "shell/shortcuts.h"
#include "shell/tray_loader.h"

namespace {

const char kCaption[] = "Quillbar Setup";
// The tray program takes this WM_CLOSE as a request from the removal.
const WPARAM kTrayCloseFromRemoval = 1234;

void CloseTray() {
  HWND tray = FindWindowExA(NULL, NULL, "QuillbarTray", NULL);
  // Posted: the removal goes on while the tray shuts down.
  if (tray) PostMessageA(tray, WM_CLOSE, kTrayCloseFromRemoval, 0);
}

void RemoveShortcuts() {
  char folder[MAX_PATH];
  GetStartMenuFolder(folder);
  DeleteShortcuts(folder);
  GetProgramsFolder(folder);
  DeleteShortcuts(folder);
  if (GetProgramSubmenuFolder(folder)) {
    DeleteShortcuts(folder);
    RemoveDirectoryA(folder);  // stays when the user keeps anything else in it
  }
  GetStartupFolder(folder);
  DeleteShortcuts(folder);
  GetDesktopFolder(folder);
  DeleteShortcuts(folder);
}

void DeleteTrayService() {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
                    0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    return;
  }
  RegDeleteValueA(key, "QBarTray");
  RegCloseKey(key);
}

void RemoveQuillbar() {
  CloseTray();
  RemoveContextMenuExtension();
  RegisterFileTypes(0, "");
  RemoveShortcuts();
  RemoveTrayLoader();
  RemoveDeskBand();
  DeleteTrayService();
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
  outside.messageBox(NULL,
                     "Quillbar information removed.\r"
                     "Please use explorer to remove quillbar file folder.",
                     kCaption, MB_OK | MB_TOPMOST);
}

}  // namespace

void RunRemoval() {
  if (outside.messageBox(NULL, "Remove Quillbar?", kCaption, MB_OKCANCEL | MB_TOPMOST) == IDOK) {
    RemoveQuillbar();
  }
  ComStartStop(0);
}
