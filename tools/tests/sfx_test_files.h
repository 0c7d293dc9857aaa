// Where the self-extractor's tests find their archives (sfx-tests\ beside
// the test program, made by make-test-archives at build time), and the clock
// of their unpacks in process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The test program's own folder, where its helper programs lie too.
inline std::string TestFolder() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length);
  folder.resize(folder.rfind('\\'));
  return folder;
}

// Texts between the tests' ANSI strings and the extractor's UTF-16.
inline std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  int length =
      MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  wide.resize(length > 0 ? length - 1 : 0);
  return wide;
}
inline std::string Narrow(const std::wstring& text) {
  std::string narrow(text.size() * 4 + 1, '\0');
  int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &narrow[0],
                                   static_cast<int>(narrow.size()), nullptr, nullptr);
  narrow.resize(length > 0 ? length - 1 : 0);
  return narrow;
}

inline std::string TestArchive(const std::string& name) {
  return TestFolder() + "\\sfx-tests\\" + name;
}

// The four files of the test product, by name.
inline const char* const* ProductNames() {
  static const char* const names[] = {"big.txt", "empty.txt", "readme.txt", "zz-last.bin", nullptr};
  return names;
}
inline std::vector<std::string> ProductList() {
  std::vector<std::string> names;
  for (const char* const* name = ProductNames(); *name; ++name) names.push_back(*name);
  return names;
}

// The unpacks in process wait out a held file on a virtual clock: the wait
// passes at once.
inline void VirtualSleep(DWORD) {}
