// Placeholders so that the program links while shell integration is built;
// each is replaced by its real file.
#include "shell/context_menu.h"
#include "shell/file_types.h"
#include "shell/shell_folders.h"
#include "shell/shortcuts.h"
#include "shell/tray_loader.h"

void GetShellFolder(char* result, const char*) { result[0] = '\0'; }
void GetStartMenuFolder(char* result) { result[0] = '\0'; }
void GetProgramsFolder(char* result) { result[0] = '\0'; }
void GetDesktopFolder(char* result) { result[0] = '\0'; }
void GetStartupFolder(char* result) { result[0] = '\0'; }
void CreateShortcut(const char*, const char*, const char*, const char*, const char*) {}
void DeleteShortcuts(const char*) {}
void RegisterFileTypes(int, const char*) {}
void RemoveContextMenuExtension() {}
void RemoveTrayLoader() {}
void RemoveDeskBand() {}
