#include "shell/tray_loader.h"

#include <windows.h>

#include "seam/outside.h"
#include "common/registry_text.h"
#include "common/path_chars.h"
#include "common/text.h"

namespace {

const char kWinlogonKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

// Letters A to Z compared without regard to case, every other byte exactly: the
// value is a path list, not words, so no locale rules apply. A double-byte
// character is compared whole and exactly: its second byte may be a letter
// (ア is 0x83 0x41 in code page 932, ヂ 0x83 0x61).
bool SameIgnoringCase(const char* a, const char* b) {
  for (;;) {
    if (IsDBCSLeadByte(static_cast<BYTE>(*a)) && a[1]) {
      if (a[0] != b[0] || a[1] != b[1]) return false;
      a += 2;
      b += 2;
      continue;
    }
    char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
    char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
    if (x != y) return false;
    if (!x) return true;
    ++a;
    ++b;
  }
}

// Windows' own entry: "<Windows folder>\system32\userinit.exe,".
bool BuildStandardEntry(char (&standard)[280]) {
  UINT length = outside.windowsDirectory(standard, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  return AppendText(standard, "\\system32\\userinit.exe,");
}

// The tray program beside the setup program, in the short form the tray
// loader was registered with. Setup runs from the install folder when it
// removes the product.
bool BuildTrayLoaderEntry(char (&tray)[264]) {
  DWORD length = outside.moduleFileName(tray, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;  // cut: not our path
  char shortPath[MAX_PATH];
  DWORD shortLength = GetShortPathNameA(tray, shortPath, MAX_PATH);
  if (shortLength > 0 && shortLength < MAX_PATH) CopyText(tray, shortPath);
  char* lastBackslash = FindLastPathChar(tray, "\\");
  if (!lastBackslash) return false;
  lastBackslash[1] = '\0';
  return AppendText(tray, "qbartray.exe");
}

}  // namespace

void RemoveTrayLoader() {
  char standard[280];
  if (!BuildStandardEntry(standard)) return;
  char tray[264];
  if (!BuildTrayLoaderEntry(tray)) return;

  HKEY winlogon;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kWinlogonKey, 0, KEY_ALL_ACCESS, &winlogon) !=
      ERROR_SUCCESS) {
    return;
  }
  // Data over 1999 bytes (or without room for its terminator) is not ours to
  // judge: it is left as it is.
  char userInit[2000];
  if (QueryTextValue(winlogon, "UserInit", userInit, 1999) == ERROR_SUCCESS) {
    char expected[784];
    CopyText(expected, standard);
    AppendText(expected, tray);
    AppendText(expected, ",");
    if (SameIgnoringCase(expected, userInit)) SetTextValue(winlogon, "UserInit", standard);
  }
  RegCloseKey(winlogon);
}
