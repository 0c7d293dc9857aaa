// A DLL planted where the setup was downloaded to, under the name of a system
// DLL that Windows loads by bare name. Loaded into any process, it leaves
// "<its own path>.loaded" beside itself, naming that process; the scenarios
// check that no such file appears.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t marker[MAX_PATH + 16];
  DWORD length = GetModuleFileNameW(self, marker, MAX_PATH);
  if (!length || length >= MAX_PATH) return TRUE;
  lstrcatW(marker, L".loaded");
  HANDLE file = CreateFileW(marker, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return TRUE;
  char process[MAX_PATH + 2];
  DWORD size = GetModuleFileNameA(NULL, process, MAX_PATH);
  process[size++] = '\n';
  DWORD written;
  WriteFile(file, process, size, &written, NULL);
  CloseHandle(file);
  return TRUE;
}
