// The payload unpacks everything into the install folder; the plug-ins and
// their documents belong in a folder of their own.
#include "payload/plugins.h"

#include <windows.h>

#include "payload/file_steps.h"
#include "setup/setup_state.h"
#include "common/text.h"

// The names live in one file that the payload builder reads too, so that a
// payload cannot leave one out unnoticed.
const char* const kPluginFiles[] = {
#include "payload/plugin_files.inc"
};
const size_t kPluginFileCount = sizeof kPluginFiles / sizeof kPluginFiles[0];

void PlacePlugins() {
  char pluginsFolder[MAX_PATH];
  if (!JoinPath(pluginsFolder, setupState.installFolder, "\\plugins")) return;
  // A plain file of that name stays: the moves then fail and the files
  // remain where they were unpacked.
  if (GetFileAttributesA(pluginsFolder) == INVALID_FILE_ATTRIBUTES) {
    CreateDirectoryA(pluginsFolder, NULL);
  }
  for (size_t i = 0; i < kPluginFileCount; ++i) MoveIntoFolder(pluginsFolder, kPluginFiles[i]);
}

void MoveIntoFolder(const char* folder, const char* name) {
  char source[MAX_PATH];
  char target[MAX_PATH];
  // A pair that cannot both be named is left alone altogether: deleting the
  // old target without a move to follow would only lose a file.
  if (!JoinPath(source, setupState.installFolder, "\\") || !AppendText(source, name)) return;
  if (!JoinPath(target, folder, "\\") || !AppendText(target, name)) return;
  // MoveFileA does not replace, so the older copy goes first, even when
  // there is nothing new to take its place. Either may be held a moment by
  // a program that reads every new file.
  DeleteFileWaiting(target);
  MoveFileWaiting(source, target);
}
