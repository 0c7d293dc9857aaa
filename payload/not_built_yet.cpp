// Placeholders so that the program links while payload installation is
// built; each is replaced by its real file.
#include "payload/extract.h"
#include "payload/modules.h"
#include "payload/plugins.h"

int ExtractPayload(const char*) { return 0; }
void ShowSetupError(const char*) {}
void CopyToConfigFolder(const char*) {}
void PlacePlugins() {}
void MoveIntoFolder(const char*, const char*) {}
int ReplaceLockedModules() { return 0; }
BOOL FileVersionAtLeast(const char*, DWORD) { return FALSE; }
BOOL FileVersionIs(const char*, DWORD, DWORD) { return FALSE; }
