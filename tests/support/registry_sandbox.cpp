#include "tests/support/registry_sandbox.h"

#include <gtest/gtest.h>

namespace {
const HKEY kRedirected[3] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT};
const char* const kRootNames[3] = {"HKLM", "HKCU", "HKCR"};
const char kCryptography[] = "SOFTWARE\\Microsoft\\Cryptography";
}  // namespace

RegistrySandbox::RegistrySandbox() {
  static int counter = 0;
  name_ =
      "QuillbarTests-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
  // The scratch keys live under the real HKCU, opened before it is redirected.
  LONG rc = RegCreateKeyExA(HKEY_CURRENT_USER, ("Software\\" + name_).c_str(), 0, NULL, 0,
                            KEY_ALL_ACCESS, NULL, &parent_, NULL);
  EXPECT_EQ(ERROR_SUCCESS, rc);
  for (int i = 0; i < 3; ++i) {
    rc =
        RegCreateKeyExA(parent_, kRootNames[i], 0, NULL, 0, KEY_ALL_ACCESS, NULL, &roots_[i], NULL);
    EXPECT_EQ(ERROR_SUCCESS, rc);
  }
  // CryptoAPI finds its providers under HKLM, and the setup program's check
  // of its payload uses it: the sandbox carries the real registration.
  HKEY cryptography;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCryptography, 0, KEY_READ, &cryptography) ==
      ERROR_SUCCESS) {
    HKEY copy;
    if (RegCreateKeyExA(roots_[0], kCryptography, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &copy, NULL) ==
        ERROR_SUCCESS) {
      EXPECT_EQ(ERROR_SUCCESS, RegCopyTreeA(cryptography, NULL, copy));
      RegCloseKey(copy);
    }
    RegCloseKey(cryptography);
  }
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(ERROR_SUCCESS, RegOverridePredefKey(kRedirected[i], roots_[i]));
}

RegistrySandbox::~RegistrySandbox() {
  for (int i = 0; i < 3; ++i) {
    RegOverridePredefKey(kRedirected[i], NULL);
    RegCloseKey(roots_[i]);
  }
  RegCloseKey(parent_);
  HKEY software;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ALL_ACCESS, &software) == ERROR_SUCCESS) {
    RegDeleteTreeA(software, name_.c_str());
    RegDeleteKeyA(software, name_.c_str());
    RegCloseKey(software);
  }
}

void SetRegValue(HKEY root, const char* path, const char* name, DWORD type, const void* data,
                 DWORD size) {
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExA(root, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL))
      << path;
  EXPECT_EQ(ERROR_SUCCESS,
            RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
  RegCloseKey(key);
}

void SetRegText(HKEY root, const char* path, const char* name, const std::string& text) {
  SetRegValue(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

bool KeyExists(HKEY root, const char* path) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

bool ReadRegValue(HKEY root, const char* path, const char* name, DWORD* type,
                  std::vector<unsigned char>* data) {
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD size = 0;
  LONG rc = RegQueryValueExA(key, name, NULL, type, NULL, &size);
  if (rc == ERROR_SUCCESS) {
    data->assign(size, 0);
    rc = RegQueryValueExA(key, name, NULL, type, data->data(), &size);
    data->resize(size);
  }
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool ValueExists(HKEY root, const char* path, const char* name) {
  DWORD type;
  std::vector<unsigned char> data;
  return ReadRegValue(root, path, name, &type, &data);
}

std::string ReadRegText(HKEY root, const char* path, const char* name) {
  DWORD type;
  std::vector<unsigned char> data;
  if (!ReadRegValue(root, path, name, &type, &data)) return "<missing>";
  std::string text(data.begin(), data.end());
  return text.substr(0, text.find('\0'));
}

std::vector<std::string> SubkeyNames(HKEY root, const char* path) {
  std::vector<std::string> names;
  HKEY key;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, i, name, &length, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
    names.push_back(name);
  }
  RegCloseKey(key);
  return names;
}
