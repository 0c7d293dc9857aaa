#pragma once

// Moves the plug-in files from installFolder into installFolder\plugins.
void PlacePlugins();

// Moves installFolder\name to folder\name, replacing what is there.
void MoveIntoFolder(const char* folder, const char* name);
