// Real registry, redirected: for the lifetime of a RegistrySandbox the
// process's HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT are
// fresh scratch keys (RegOverridePredefKey), deleted again afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class RegistrySandbox {
 public:
  RegistrySandbox();
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

 private:
  std::string name_;
  HKEY parent_ = NULL;
  HKEY roots_[3] = {};
};

// Small helpers for arranging and reading registry state in tests.
void SetRegText(HKEY root, const char* path, const char* name, const std::string& text);
void SetRegValue(HKEY root, const char* path, const char* name, DWORD type, const void* data,
                 DWORD size);
bool KeyExists(HKEY root, const char* path);
bool ValueExists(HKEY root, const char* path, const char* name);
// The value's raw bytes; false when the key or value is missing.
bool ReadRegValue(HKEY root, const char* path, const char* name, DWORD* type,
                  std::vector<unsigned char>* data);
// The value as a text (up to the first NUL); "<missing>" when absent.
std::string ReadRegText(HKEY root, const char* path, const char* name);
// Names of the subkeys of a key, in the registry's order.
std::vector<std::string> SubkeyNames(HKEY root, const char* path);
