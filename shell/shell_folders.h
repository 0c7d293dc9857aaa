// The current user's shell folders, read from the per-user "Shell Folders"
// key. Each lookup leaves result (at least MAX_PATH bytes) holding the folder
// or the empty text.
#pragma once

void GetShellFolder(char* result, const char* valueName);
void GetStartMenuFolder(char* result);
void GetProgramsFolder(char* result);
void GetDesktopFolder(char* result);
void GetStartupFolder(char* result);
