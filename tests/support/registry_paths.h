// Registry paths the tests arrange and inspect, written out here rather than
// taken from the program, so that a wrong path in the program fails a test.
#pragma once

namespace registry_paths {

inline constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr char kProductKey[] = "SOFTWARE\\TarragonProducts\\Tarragon";
inline constexpr char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WinQuillbar";

}  // namespace registry_paths
