#include "shell/shortcuts.h"

#include <windows.h>

#include "setup/setup_state.h"
#include "common/text.h"

namespace {

// The six names the setup program makes, in the order the sweep deletes them.
const char* const kShortcutNames[] = {"\\Quillbar.lnk", "\\QBarConf.lnk", "\\Configure.lnk",
                                      "\\Tutorial.lnk", "\\QBarHelp.lnk", "\\HTML Help.lnk"};

bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// "X:\..." or "\\server\...". An empty folder from a lookup turns a link path
// into "\Quillbar.lnk", the root of whatever drive is current: never write
// there.
bool IsFullPath(const char* path) {
  if (IsLetter(path[0]) && path[1] == ':' && path[2] == '\\') return true;
  return path[0] == '\\' && path[1] == '\\';
}

}  // namespace

void CreateShortcut(const char* linkPath, const char* description, const char* targetPath,
                    const char* workingDirectory, const char* arguments) {
  IShellLinkA* link = setupState.shellLink;
  IPersistFile* file = setupState.shellLinkFile;
  if (!link || !file) return;
  // The name is saved as wide text of at most MAX_PATH characters with its
  // terminator; a longer one is skipped, since a cut name is another file.
  if (lstrlenA(linkPath) >= MAX_PATH || !IsFullPath(linkPath)) return;
  WCHAR wideLinkPath[MAX_PATH];
  if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wideLinkPath, MAX_PATH)) return;

  // The object serves every shortcut of the run, so each property is set every
  // time: a shortcut made without working directory or arguments must not
  // inherit the previous one's. A failed call would leave the previous
  // shortcut's value in place, so nothing is saved then.
  if (FAILED(link->SetPath(targetPath))) return;
  if (FAILED(link->SetDescription(description))) return;
  if (FAILED(link->SetWorkingDirectory(workingDirectory ? workingDirectory : ""))) return;
  if (FAILED(link->SetArguments(arguments ? arguments : ""))) return;
  file->Save(wideLinkPath, TRUE);
}

void CreateShortcutIn(const char* folder, const char* name, const char* description,
                      const char* targetPath, const char* workingDirectory, const char* arguments) {
  if (!folder[0]) return;
  char linkPath[MAX_PATH];
  if (!JoinPath(linkPath, folder, name)) return;
  CreateShortcut(linkPath, description, targetPath, workingDirectory, arguments);
}

void DeleteShortcuts(const char* folder) {
  if (!folder[0]) return;
  for (const char* name : kShortcutNames) {
    char path[MAX_PATH];
    // A path that does not fit is passed over: cut, it would name another file.
    if (JoinPath(path, folder, name)) DeleteFileA(path);
  }
}
