// A program planted where the setup was downloaded to, or in its current
// folder, under the name of a system program that the setup starts (such as
// notepad.exe). Started, it leaves "<its own path>.ran" beside itself, with
// its command line, and ends; the scenarios check that no such file appears.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t marker[MAX_PATH + 16];
  DWORD length = GetModuleFileNameW(NULL, marker, MAX_PATH);
  if (!length || length >= MAX_PATH) return 1;
  lstrcatW(marker, L".ran");
  HANDLE file =
      CreateFileW(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const char* commandLine = GetCommandLineA();
  DWORD written;
  WriteFile(file, commandLine, lstrlenA(commandLine), &written, NULL);
  CloseHandle(file);
  return 0;
}
