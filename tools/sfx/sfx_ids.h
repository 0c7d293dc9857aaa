// Dialog and control ids of the self-extractor. The installer finds the main
// window by its title, writes the folder into IDC_SFX_FOLDER and, while it
// waits, reads the position of IDC_SFX_PROGRESS.
#pragma once

#define IDD_SFX_MAIN 100
#define IDD_SFX_DONE 101
#define IDC_SFX_FOLDER 106
#define IDC_SFX_STATUS 107
#define IDC_SFX_DONE_TEXT 108
#define IDC_SFX_PROGRESS 109
