// The folder maker for 8-bit paths, walked by characters (a trail byte may be
// 0x5C).
#include "common/make_folder.h"

#include <windows.h>

namespace make_folder_levels {

const char* NextChar(const char* c) {
  return CharNextA(c);
}

bool MakeOneFolder(const char* path) {
  return CreateDirectoryA(path, NULL) != FALSE;
}

}  // namespace make_folder_levels

#include "common/make_folder_levels.h"

bool PathExists(const char* path) {
  return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolderPath(char* path, size_t* made) {
  return make_folder_levels::MakeLevels(path, made);
}
