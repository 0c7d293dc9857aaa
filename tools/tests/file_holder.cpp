// Holds one file open without sharing, as another program that has the file
// in use would: file_holder PATH [MILLISECONDS] holds it until it is ended,
// or for that long.
#include <windows.h>

#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) return 2;
  HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  Sleep(argc == 3 ? static_cast<DWORD>(atol(argv[2])) : INFINITE);
  CloseHandle(file);
  return 0;
}
