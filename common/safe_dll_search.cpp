#include "common/safe_dll_search.h"

#include <windows.h>

#include "common/text.h"

namespace {

// Loaded by bare name while windows are drawn: the theme library by the
// common controls, the blending library by the theme and control code through
// a delay load. A delay load may search the program's folder even with the
// search restricted (Wine's does), so both are loaded here first by their
// full path in the system folder; a later load by bare name then finds the
// module already loaded. CryptoAPI loads its provider (for setup.exe's check
// of the payload) by the bare name the registry may give; it comes last.
const char* const kPreloadedDlls[] = {"\\uxtheme.dll", "\\msimg32.dll", "\\rsaenh.dll"};
const size_t kWindowDlls = 2;

void PreloadFromSystemFolder(size_t count) {
  char systemFolder[MAX_PATH];
  UINT length = GetSystemDirectoryA(systemFolder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  for (size_t i = 0; i < count; ++i) {
    char path[MAX_PATH];
    if (JoinPath(path, systemFolder, kPreloadedDlls[i])) LoadLibraryA(path);
  }
}

}  // namespace

void RestrictDllSearchToSystem(bool usesCryptoApi) {
  // Looked up at run time: older systems have no SetDefaultDllDirectories,
  // and importing it would keep the program from starting there at all.
  // Going through void (*)() says that the pointer's real type is known.
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  SetDefaultDllDirectoriesFunction setDefaultDllDirectories =
      kernel ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(
                   reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
             : nullptr;
  if (!setDefaultDllDirectories || !setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    SetDllDirectoryA("");
  }
  PreloadFromSystemFolder(usesCryptoApi ? kWindowDlls + 1 : kWindowDlls);
}
