// Shortcut files: made through the run's one shell-link object, and swept by
// the six names the setup program makes.
#pragma once

// workingDirectory and arguments may be null. Writes nothing when COM did not
// start, when linkPath is empty or too long, or when a call fails.
void CreateShortcut(const char* linkPath, const char* description, const char* targetPath,
                    const char* workingDirectory, const char* arguments);

// CreateShortcut for folder + name (name begins with a backslash). An empty
// folder (a lookup that found nothing) makes no shortcut, and a folder + name
// that does not fit in MAX_PATH is skipped.
void CreateShortcutIn(const char* folder, const char* name, const char* description,
                      const char* targetPath, const char* workingDirectory, const char* arguments);

// Deletes the product's six shortcut names from folder (no trailing
// backslash). An empty folder is left alone.
void DeleteShortcuts(const char* folder);
