#pragma once

#include <stddef.h>

// The plug-in file list (payload/plugin_files.inc): plain names, in the
// order PlacePlugins moves them.
extern const char* const kPluginFiles[];
extern const size_t kPluginFileCount;

// Moves the plug-in files from installFolder into installFolder\plugins.
void PlacePlugins();

// Moves installFolder\name to folder\name, replacing what is there.
void MoveIntoFolder(const char* folder, const char* name);
