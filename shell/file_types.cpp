#include "shell/file_types.h"

#include <windows.h>
#include <string.h>

#include "common/registry_text.h"
#include "common/path_chars.h"
#include "common/text.h"

namespace {

struct FileType {
  const char* extension;
  const char* progId;
  const char* iconIndex;
  const char* commandTail;
};

// In the order they are deleted and registered.
const FileType kFileTypes[] = {
    {".Quillbar", "Quillbar.Script", ",4", " *Script RunFile %1"},
    {".QBarNote", "Quillbar.Note", ",2", " *Note Open File \"%1\""},
    {".QuillbarClip", "Quillbar.Clip", ",8", " *Clip File \"%1\""},
};

// Beneath each ProgID key, deepest first: RegDeleteKeyA removes only keys
// without subkeys, so the key itself goes only after these.
const char* const kProgIdSubkeys[] = {"\\shell\\open\\command", "\\shell\\open", "\\shell",
                                      "\\DefaultIcon"};

// Working buffers for the texts built from the product path (at most
// MAX_PATH with its terminator, plus quotes and the longest tail).
const size_t kTextSize = 300;

char kNoClass[] = "";

HKEY CreateKey(HKEY parent, const char* name) {
  HKEY key;
  if (RegCreateKeyExA(parent, name, 0, kNoClass, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                      NULL, &key, NULL) != ERROR_SUCCESS) {
    return NULL;
  }
  return key;
}

void DeleteFileType(const FileType& type) {
  RegDeleteKeyA(HKEY_CLASSES_ROOT, type.extension);
  for (const char* subkey : kProgIdSubkeys) {
    char path[MAX_PATH];
    if (JoinPath(path, type.progId, subkey)) RegDeleteKeyA(HKEY_CLASSES_ROOT, path);
  }
  RegDeleteKeyA(HKEY_CLASSES_ROOT, type.progId);
}

// The text from the last "." on (folders included) becomes ".icl"; a path
// without a "." is used as it is.
void BuildIconLibraryPath(char* iconLibrary, const char* productPath) {
  CopyText(iconLibrary, kTextSize, productPath);
  char* dot = FindLastPathChar(iconLibrary, ".");
  if (dot) {
    *dot = '\0';
    AppendText(iconLibrary, kTextSize, ".icl");
  }
}

// A short path that still holds a blank (no 8.3 names on that volume) is
// quoted, so that the shell cannot take its first word for the program.
void BuildCommand(char* command, const char* productPath, const char* tail) {
  bool quoted = strchr(productPath, ' ') != NULL;
  command[0] = '\0';
  if (quoted) AppendText(command, kTextSize, "\"");
  AppendText(command, kTextSize, productPath);
  if (quoted) AppendText(command, kTextSize, "\"");
  AppendText(command, kTextSize, tail);
}

void WriteProgId(const FileType& type, const char* iconLibrary, const char* command) {
  HKEY progId = CreateKey(HKEY_CLASSES_ROOT, type.progId);
  if (!progId) return;
  HKEY defaultIcon = CreateKey(progId, "DefaultIcon");
  if (defaultIcon) {
    char iconValue[kTextSize];
    CopyText(iconValue, iconLibrary);
    AppendText(iconValue, type.iconIndex);
    SetTextValue(defaultIcon, NULL, iconValue);
    RegCloseKey(defaultIcon);
  }
  HKEY shell = CreateKey(progId, "shell");
  if (shell) {
    HKEY open = CreateKey(shell, "open");
    if (open) {
      HKEY commandKey = CreateKey(open, "command");
      if (commandKey) {
        SetTextValue(commandKey, NULL, command);
        RegCloseKey(commandKey);
      }
      RegCloseKey(open);
    }
    RegCloseKey(shell);
  }
  RegCloseKey(progId);
}

}  // namespace

void RegisterFileTypes(int reg, const char* productPath) {
  for (const FileType& type : kFileTypes) DeleteFileType(type);
  if (!reg) return;
  // Every text below fits its buffer for a path of up to MAX_PATH with its
  // terminator; a longer one registers nothing rather than a cut command.
  if (lstrlenA(productPath) >= MAX_PATH) return;

  char iconLibrary[kTextSize];
  BuildIconLibraryPath(iconLibrary, productPath);
  for (const FileType& type : kFileTypes) {
    char command[kTextSize];
    BuildCommand(command, productPath, type.commandTail);
    WriteProgId(type, iconLibrary, command);
    // Written even when the ProgID key could not be made.
    HKEY extension = CreateKey(HKEY_CLASSES_ROOT, type.extension);
    if (extension) {
      SetTextValue(extension, NULL, type.progId);
      RegCloseKey(extension);
    }
  }
}
