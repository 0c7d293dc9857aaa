// Version checks through the system's own version.dll, loaded by full path
// at run time: setup.exe imports nothing that Windows would look for in the
// folder it was started from.
#include <windows.h>

#include "payload/modules.h"
#include "common/text.h"

namespace {

typedef DWORD(WINAPI* GetSizeFunction)(LPCSTR, LPDWORD);
typedef BOOL(WINAPI* GetInfoFunction)(LPCSTR, DWORD, DWORD, LPVOID);
typedef BOOL(WINAPI* QueryValueFunction)(LPCVOID, LPCSTR, LPVOID*, PUINT);

struct VersionLibrary {
  GetSizeFunction getSize;
  GetInfoFunction getInfo;
  QueryValueFunction queryValue;
};

// GetProcAddress gives a generic pointer; going through void (*)() says that
// the cast to the real signature is meant.
template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Loaded once and kept for the rest of the run.
const VersionLibrary* LoadVersionLibrary() {
  static VersionLibrary library;
  static bool tried = false;
  if (!tried) {
    tried = true;
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !AppendText(path, "\\version.dll")) return nullptr;
    HMODULE module = LoadLibraryA(path);
    if (!module) return nullptr;
    library.getSize = Lookup<GetSizeFunction>(module, "GetFileVersionInfoSizeA");
    library.getInfo = Lookup<GetInfoFunction>(module, "GetFileVersionInfoA");
    library.queryValue = Lookup<QueryValueFunction>(module, "VerQueryValueA");
  }
  if (!library.getSize || !library.getInfo || !library.queryValue) return nullptr;
  return &library;
}

// The file's fixed version record; false when the file has none (or none
// that is whole).
bool ReadFixedVersion(const char* path, VS_FIXEDFILEINFO* version) {
  const VersionLibrary* library = LoadVersionLibrary();
  if (!library) return false;
  DWORD handle = 0;
  DWORD size = library->getSize(path, &handle);
  if (size == 0) return false;
  void* buffer = HeapAlloc(GetProcessHeap(), 0, size);
  if (!buffer) return false;
  bool found = false;
  if (library->getInfo(path, handle, size, buffer)) {
    VS_FIXEDFILEINFO* record = nullptr;
    UINT length = 4;
    if (library->queryValue(buffer, "\\", reinterpret_cast<LPVOID*>(&record), &length) && record &&
        length >= sizeof(VS_FIXEDFILEINFO)) {
      *version = *record;
      found = true;
    }
  }
  HeapFree(GetProcessHeap(), 0, buffer);
  return found;
}

}  // namespace

BOOL FileVersionAtLeast(const char* path, DWORD threshold) {
  VS_FIXEDFILEINFO version;
  return ReadFixedVersion(path, &version) && version.dwFileVersionMS >= threshold;
}

BOOL FileVersionIs(const char* path, DWORD versionMS, DWORD versionLS) {
  VS_FIXEDFILEINFO version;
  return ReadFixedVersion(path, &version) && version.dwFileVersionMS == versionMS &&
         version.dwFileVersionLS == versionLS;
}
