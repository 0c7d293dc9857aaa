// Installing the product's files by driving the self-extracting payload.
#pragma once

// Copies archiveName (beside setup.exe) to a new "qbar!ins.exe" (beside it,
// or in a temporary folder of setup's own when the setup folder cannot be
// written), runs it when it is the payload pinned in this program, unpacks
// into installFolder, places plug-ins and copies the sample configuration
// files. 1 on success; 0 after the user has been told why not.
int ExtractPayload(const char* archiveName);

// The setup error box.
void ShowSetupError(const char* text);
