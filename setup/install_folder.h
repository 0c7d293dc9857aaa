#pragma once

// installFolder = the remembered "Folder" value, else the default folder on
// the Windows drive. The result always ends in NUL inside installFolder.
void LoadInstallFolder();
