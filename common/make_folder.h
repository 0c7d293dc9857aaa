// Making a folder with every missing folder above it, one rule for both
// programs: the folder page's 8-bit paths, walked by characters (a trail byte
// may be 0x5C), and the self-extractor's UTF-16 ones.
#pragma once

#include <windows.h>

#include <stddef.h>

// Whether attributes are a folder's that is no link, junction or other
// reparse point: one that may be worked in without being followed.
inline bool IsPlainFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
             FILE_ATTRIBUTE_DIRECTORY;
}

// Whether anything, file or folder, stands under path.
bool PathExists(const char* path);
bool PathExists(const wchar_t* path);

// Makes path (without a trailing backslash) level by level, stopping at the
// first level that is neither there nor can be made. A network path's
// "\\server\share" is never made, only what lies below it. True only when
// this call made the last level: an existing folder is no success here.
// made, when given, receives the length of the outermost level this call
// made (0: none), so that a caller that fails later can remove what it made.
// path is changed while it is walked and given back as it was.
bool MakeFolderPath(char* path, size_t* made);
bool MakeFolderPath(wchar_t* path, size_t* made);
