// Dialog and control ids of the self-extractor. The installer finds the main
// window by its title and writes the folder into kFolderEdit.
#pragma once

#define IDD_SFX_MAIN 100
#define IDD_SFX_DONE 101
#define IDC_SFX_FOLDER 106
#define IDC_SFX_STATUS 107
#define IDC_SFX_DONE_TEXT 108
