#include "tests/shell/registry_spy.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace {

RegistrySpy* spy = nullptr;
std::map<HKEY, std::string> keyNames;

decltype(&RegOpenKeyExA) realOpen;
decltype(&RegCreateKeyExA) realCreate;
decltype(&RegSetValueExA) realSet;
decltype(&RegQueryValueExA) realQuery;
decltype(&RegDeleteKeyA) realDelete;
decltype(&RegDeleteValueA) realDeleteValue;
decltype(&RegCloseKey) realClose;

std::string NameOf(HKEY key) {
  if (key == HKEY_LOCAL_MACHINE) return "HKLM";
  if (key == HKEY_CURRENT_USER) return "HKCU";
  if (key == HKEY_CLASSES_ROOT) return "HKCR";
  auto found = keyNames.find(key);
  return found == keyNames.end() ? "<unknown key>" : found->second;
}

std::string Child(HKEY parent, const char* name) {
  return NameOf(parent) + (name && *name ? std::string("\\") + name : std::string());
}

std::string Hex(DWORD value) {
  std::ostringstream text;
  text << "0x" << std::uppercase << std::hex << value;
  return text.str();
}

void Record(const std::string& line) {
  spy->calls.push_back(line);
}

LONG WINAPI Open(HKEY parent, LPCSTR name, DWORD options, REGSAM access, PHKEY result) {
  LONG rc = realOpen(parent, name, options, access, result);
  std::string path = Child(parent, name);
  if (rc == ERROR_SUCCESS) keyNames[*result] = path;
  Record("open " + path + " access=" + Hex(access) + (rc == ERROR_SUCCESS ? "" : " FAILED"));
  return rc;
}

LONG WINAPI Create(HKEY parent, LPCSTR name, DWORD reserved, LPSTR keyClass, DWORD options,
                   REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                   LPDWORD disposition) {
  LONG rc =
      realCreate(parent, name, reserved, keyClass, options, access, security, result, disposition);
  std::string path = Child(parent, name);
  if (rc == ERROR_SUCCESS) keyNames[*result] = path;
  std::string line = "create " + path + " access=" + Hex(access);
  if (!keyClass)
    line += " class=null";
  else if (*keyClass)
    line += std::string(" class=") + keyClass;
  if (options) line += " options=" + Hex(options);
  if (reserved) line += " reserved";
  if (security) line += " security";
  Record(line + (rc == ERROR_SUCCESS ? "" : " FAILED"));
  return rc;
}

LONG WINAPI Set(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.substr(0, text.find('\0'));
  Record("set " + NameOf(key) + " " + (name && *name ? name : "(default)") +
         " type=" + std::to_string(type) + " size=" + std::to_string(size) + " \"" + text + "\"");
  return realSet(key, name, reserved, type, data, size);
}

LONG WINAPI Query(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                  LPDWORD size) {
  Record("query " + NameOf(key) + " " + (name && *name ? name : "(default)") +
         " size=" + (size ? std::to_string(*size) : std::string("null")));
  return realQuery(key, name, reserved, type, data, size);
}

LONG WINAPI Delete(HKEY parent, LPCSTR name) {
  Record("delete " + Child(parent, name));
  return realDelete(parent, name);
}

LONG WINAPI DeleteValue(HKEY key, LPCSTR name) {
  Record("delete-value " + NameOf(key) + " " + (name ? name : "(default)"));
  return realDeleteValue(key, name);
}

LONG WINAPI Close(HKEY key) {
  Record("close " + NameOf(key));
  keyNames.erase(key);
  return realClose(key);
}

// The import table slot through which this program calls function of dll.
void** ImportSlot(const char* dll, const char* function) {
  BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(NULL));
  auto dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       entry->Name; ++entry) {
    if (lstrcmpiA(reinterpret_cast<char*>(base + entry->Name), dll) != 0) continue;
    auto names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    auto slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (lstrcmpA(reinterpret_cast<char*>(byName->Name), function) == 0) {
        return reinterpret_cast<void**>(&slots->u1.Function);
      }
    }
  }
  return nullptr;
}

// Puts replacement into the slot; returns what was there.
template <typename Function>
void Swap(const char* name, Function replacement, Function* previous) {
  void** slot = ImportSlot("advapi32.dll", name);
  ASSERT_TRUE(slot != nullptr) << name << " is not imported from advapi32.dll";
  DWORD protection;
  VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
  if (previous) *previous = reinterpret_cast<Function>(*slot);
  *slot = reinterpret_cast<void*>(replacement);
  VirtualProtect(slot, sizeof *slot, protection, &protection);
}

}  // namespace

RegistrySpy::RegistrySpy() {
  spy = this;
  keyNames.clear();
  Swap("RegOpenKeyExA", &Open, &realOpen);
  Swap("RegCreateKeyExA", &Create, &realCreate);
  Swap("RegSetValueExA", &Set, &realSet);
  Swap("RegQueryValueExA", &Query, &realQuery);
  Swap("RegDeleteKeyA", &Delete, &realDelete);
  Swap("RegDeleteValueA", &DeleteValue, &realDeleteValue);
  Swap("RegCloseKey", &Close, &realClose);
}

RegistrySpy::~RegistrySpy() {
  Swap("RegOpenKeyExA", realOpen, static_cast<decltype(realOpen)*>(nullptr));
  Swap("RegCreateKeyExA", realCreate, static_cast<decltype(realCreate)*>(nullptr));
  Swap("RegSetValueExA", realSet, static_cast<decltype(realSet)*>(nullptr));
  Swap("RegQueryValueExA", realQuery, static_cast<decltype(realQuery)*>(nullptr));
  Swap("RegDeleteKeyA", realDelete, static_cast<decltype(realDelete)*>(nullptr));
  Swap("RegDeleteValueA", realDeleteValue, static_cast<decltype(realDeleteValue)*>(nullptr));
  Swap("RegCloseKey", realClose, static_cast<decltype(realClose)*>(nullptr));
  spy = nullptr;
}

std::vector<std::string> RegistrySpy::Calls(const std::string& kind) const {
  std::vector<std::string> lines;
  for (const std::string& line : calls) {
    if (line.compare(0, kind.size() + 1, kind + " ") == 0) lines.push_back(line);
  }
  return lines;
}
