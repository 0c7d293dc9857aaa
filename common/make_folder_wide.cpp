// The folder maker for UTF-16 paths.
#include "common/make_folder.h"

#include <windows.h>

namespace make_folder_levels {

const wchar_t* NextChar(const wchar_t* c) {
  return c + 1;
}

bool MakeOneFolder(const wchar_t* path) {
  return CreateDirectoryW(path, NULL) != FALSE;
}

}  // namespace make_folder_levels

#include "common/make_folder_levels.h"

bool PathExists(const wchar_t* path) {
  return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFolderPath(wchar_t* path, size_t* made) {
  return make_folder_levels::MakeLevels(path, made);
}
