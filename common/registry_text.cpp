#include "common/registry_text.h"

LONG QueryTextValue(HKEY key, const char* name, char* buffer, DWORD size) {
  if (size == 0) return ERROR_MORE_DATA;
  DWORD type = 0;
  DWORD bytes = size;
  LONG result = RegQueryValueExA(key, name, NULL, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
  if (result != ERROR_SUCCESS) {
    buffer[0] = '\0';
    return result;
  }
  if (bytes > 0 && buffer[bytes - 1] == '\0') return ERROR_SUCCESS;
  if (bytes >= size) {
    buffer[0] = '\0';
    return ERROR_MORE_DATA;
  }
  buffer[bytes] = '\0';
  return ERROR_SUCCESS;
}

LONG SetTextValue(HKEY key, const char* name, const char* text) {
  return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(lstrlenA(text) + 1));
}
