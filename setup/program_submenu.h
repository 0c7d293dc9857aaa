// Quillbar's own folder in the Programs menu, and the registry key of its
// uninstall entry: made by the finishing steps, undone by the removal.
#pragma once

#include <windows.h>

extern const char kUninstallKey[];

// The Programs folder + "\Quillbar", looked up afresh. False, with folder
// empty, when there is no Programs folder (an empty one would name a folder
// at the root of the current drive) or the name does not fit.
bool GetProgramSubmenuFolder(char (&folder)[MAX_PATH]);
