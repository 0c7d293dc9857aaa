#include "shell/tray_loader.h"

#include <windows.h>

namespace {

// Deepest first. The class identifier's third group is spelt in both cases, as
// the desk band registered itself; key names compare without regard to case.
const char* const kDeskBandKeys[] = {
    "CLSID\\{E84C1F27-6D5A-4B09-9C3E-51F2A7D6B081}\\Implemented Categories\\"
    "{00021492-0000-0000-C000-000000000046}",
    "CLSID\\{E84C1F27-6D5A-4B09-9C3E-51F2A7D6B081}\\Implemented Categories",
    "CLSID\\{E84C1F27-6D5A-4b09-9C3E-51F2A7D6B081}\\InProcServer32",
    "CLSID\\{E84C1F27-6D5A-4b09-9C3E-51F2A7D6B081}",
};

}  // namespace

void RemoveDeskBand() {
  for (const char* path : kDeskBandKeys) RegDeleteKeyA(HKEY_CLASSES_ROOT, path);
}
