#include "setup/run_setup.h"

#include "setup/com.h"
#include "setup/finish.h"
#include "setup/install_defaults.h"
#include "setup/install_folder.h"
#include "setup/removal.h"
#include "setup/run_mode.h"
#include "setup/setup_state.h"
#include "setup/startup_checks.h"
#include "wizard/wizard_sheet.h"

int RunSetup(HINSTANCE instance, const char* commandLine) {
  // Both early ends come before COM starts and before the registry is read.
  if (!CheckProductNotRunning()) return 0;
  if (!CheckTrayIsCurrent()) return 0;
  ComStartStop(1);
  LoadInstallFolder();
  setupState.configFolder[0] = '\0';
  if (IsRemoveOnlyCommandLine(commandLine)) {
    RunRemoval();
    return 0;
  }
  SetInstallModeDefaults(instance);
  FinishInstallation(RunWizard());
  return 0;
}
