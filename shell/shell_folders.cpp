#include "shell/shell_folders.h"

#include <windows.h>

#include "common/registry_text.h"

namespace {
// Read from the registry rather than through the shell's special-folder calls,
// so that the folders are those the user's profile names, as older shells did.
const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
}  // namespace

void GetShellFolder(char* result, const char* valueName) {
  result[0] = '\0';
  if (!valueName[0]) return;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFoldersKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return;
  }
  // The type is not examined and nothing is expanded; a value that does not
  // fit with its terminator leaves result empty rather than cut.
  QueryTextValue(key, valueName, result, MAX_PATH);
  RegCloseKey(key);
}

void GetStartMenuFolder(char* result) {
  GetShellFolder(result, "Start Menu");
}
void GetProgramsFolder(char* result) {
  GetShellFolder(result, "Programs");
}
void GetDesktopFolder(char* result) {
  GetShellFolder(result, "Desktop");
}
void GetStartupFolder(char* result) {
  GetShellFolder(result, "Startup");
}
