// The setup program's entry: start-up checks, run-mode choice, and either the
// install wizard with its finishing steps or the removal.
#include <windows.h>

#include <stdlib.h>

#include "setup/com.h"
#include "setup/finish.h"
#include "setup/install_defaults.h"
#include "setup/install_folder.h"
#include "setup/removal.h"
#include "setup/run_mode.h"
#include "setup/setup_state.h"
#include "setup/startup_checks.h"
#include "wizard/wizard_sheet.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  if (!CheckProductNotRunning()) return 0;
  if (!CheckTrayIsCurrent()) exit(0);
  ComStartStop(1);
  LoadInstallFolder();
  setupState.configFolder[0] = '\0';
  if (IsRemoveOnlyCommandLine(GetCommandLineA())) {
    RunRemoval();
    return 0;
  }
  SetInstallModeDefaults(instance);
  FinishInstallation(RunWizard());
  return 0;
}
