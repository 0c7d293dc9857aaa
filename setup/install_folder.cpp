#include "setup/install_folder.h"

#include "seam/outside.h"
#include "common/registry_text.h"
#include "setup/setup_state.h"
#include "common/text.h"

void LoadInstallFolder() {
  HKEY key;
  LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TarragonProducts\\Tarragon", 0,
                              KEY_QUERY_VALUE, &key);
  if (result == ERROR_SUCCESS) {
    result = QueryTextValue(key, "Folder", setupState.installFolder, MAX_PATH);
    RegCloseKey(key);
  }
  if (result == ERROR_SUCCESS) return;

  CopyText(setupState.installFolder, "C:\\Program Files\\Quillbar");
  char windowsFolder[MAX_PATH] = "";
  UINT length = outside.windowsDirectory(windowsFolder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) windowsFolder[0] = '\0';
  if (windowsFolder[0] != '\0' && windowsFolder[1] == ':') {
    setupState.installFolder[0] = windowsFolder[0];
  }
}
