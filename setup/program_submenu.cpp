#include "setup/program_submenu.h"

#include "common/text.h"
#include "shell/shell_folders.h"

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WinQuillbar";

bool GetProgramSubmenuFolder(char (&folder)[MAX_PATH]) {
  GetProgramsFolder(folder);
  if (folder[0] && AppendText(folder, "\\Quillbar")) return true;
  folder[0] = '\0';
  return false;
}
