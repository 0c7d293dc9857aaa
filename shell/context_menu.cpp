#include "shell/context_menu.h"

#include <windows.h>

namespace {

const char kClassId[] = "{5A7E2C93-D041-11d2-B3F8-7C2A91E40000}";

// Deepest first: RegDeleteKeyA removes only keys without subkeys.
const char* const kHandlerKeys[] = {
    "*\\Shellex\\ContextMenuHandlers\\Quillbar",
    "Folder\\Shellex\\ContextMenuHandlers\\Quillbar",
    "CLSID\\{5A7E2C93-D041-11d2-B3F8-7C2A91E40000}\\InProcServer32",
    "CLSID\\{5A7E2C93-D041-11d2-B3F8-7C2A91E40000}",
};

const char kApprovedKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";

}  // namespace

void RemoveContextMenuExtension() {
  for (const char* path : kHandlerKeys) RegDeleteKeyA(HKEY_CLASSES_ROOT, path);
  HKEY approved;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kApprovedKey, 0, KEY_ALL_ACCESS, &approved) !=
      ERROR_SUCCESS) {
    return;
  }
  RegDeleteValueA(approved, kClassId);
  RegCloseKey(approved);
}
