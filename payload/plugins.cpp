// The payload unpacks everything into the install folder; the plug-ins and
// their documents belong in a folder of their own.
#include "payload/plugins.h"

#include <windows.h>

#include "setup/setup_state.h"
#include "common/text.h"

namespace {

// Fourteen libraries, four documents sharing a library's base name, then the
// plug-ins' source archive.
const char* const kPluginFiles[] = {
    "QBarClock.dll",  "QBarCpu.dll",   "QBarDisk.dll",    "QBarMail.dll",    "QBarMem.dll",
    "QBarNet.dll",    "QBarNotes.dll", "QBarPower.dll",   "QBarRecent.dll",  "QBarRun.dll",
    "QBarSearch.dll", "QBarTasks.dll", "QBarVolume.dll",  "QBarWeather.dll", "QBarClock.txt",
    "QBarMail.chm",   "QBarNotes.txt", "QBarWeather.htm", "PluginSrc.zip"};

}  // namespace

void PlacePlugins() {
  char pluginsFolder[MAX_PATH];
  if (!JoinPath(pluginsFolder, setupState.installFolder, "\\plugins")) return;
  // A plain file of that name stays: the moves then fail and the files
  // remain where they were unpacked.
  if (GetFileAttributesA(pluginsFolder) == INVALID_FILE_ATTRIBUTES) {
    CreateDirectoryA(pluginsFolder, NULL);
  }
  for (const char* name : kPluginFiles) MoveIntoFolder(pluginsFolder, name);
}

void MoveIntoFolder(const char* folder, const char* name) {
  char source[MAX_PATH];
  char target[MAX_PATH];
  // A pair that cannot both be named is left alone altogether: deleting the
  // old target without a move to follow would only lose a file.
  if (!JoinPath(source, setupState.installFolder, "\\") || !AppendText(source, name)) return;
  if (!JoinPath(target, folder, "\\") || !AppendText(target, name)) return;
  // MoveFileA does not replace, so the older copy goes first, even when
  // there is nothing new to take its place.
  DeleteFileA(target);
  MoveFileA(source, target);
}
