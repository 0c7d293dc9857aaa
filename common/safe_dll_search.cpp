#include "common/safe_dll_search.h"

#include <windows.h>

void RestrictDllSearchToSystem() {
  // Looked up at run time: older systems have no SetDefaultDllDirectories,
  // and importing it would keep the program from starting there at all.
  // Going through void (*)() says that the pointer's real type is known.
  typedef BOOL(WINAPI * SetDefaultDllDirectoriesFunction)(DWORD);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  SetDefaultDllDirectoriesFunction setDefaultDllDirectories =
      kernel ? reinterpret_cast<SetDefaultDllDirectoriesFunction>(
                   reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
             : nullptr;
  if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  SetDllDirectoryA("");
}
