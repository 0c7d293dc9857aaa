// Where the self-extractor's tests find their archives: sfx-tests\ beside
// the test program, made by make-test-archives at build time.
#pragma once

#include <windows.h>

#include <string>

// The test program's own folder, where its helper programs lie too.
inline std::string TestFolder() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  folder.resize(folder.rfind('\\'));
  return folder;
}

inline std::string TestArchive(const std::string& name) {
  return TestFolder() + "\\sfx-tests\\" + name;
}

// The four files of the test product, by name.
inline const char* const* ProductNames() {
  static const char* const names[] = {"big.txt", "empty.txt", "readme.txt", "zz-last.bin", nullptr};
  return names;
}
