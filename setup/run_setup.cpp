#include "setup/run_setup.h"

#include "setup/com.h"
#include "setup/finish.h"
#include "setup/install_defaults.h"
#include "setup/install_folder.h"
#include "setup/removal.h"
#include "setup/run_mode.h"
#include "setup/setup_state.h"
#include "setup/single_run.h"
#include "setup/startup_checks.h"
#include "wizard/wizard_sheet.h"

namespace {

void RunClaimedSetup(HINSTANCE instance, const char* commandLine) {
  // Both early ends come before COM starts and before the registry is read.
  if (!CheckProductNotRunning()) return;
  if (!CheckTrayIsCurrent()) return;
  ComStartStop(1);
  LoadInstallFolder();
  setupState.configFolder[0] = '\0';
  if (IsRemoveOnlyCommandLine(commandLine)) {
    RunRemoval();
    return;
  }
  SetInstallModeDefaults(instance);
  FinishInstallation(RunWizard());
}

}  // namespace

int RunSetup(HINSTANCE instance, const char* commandLine) {
  // Before anything else, in both modes: a removal and an install exclude
  // each other too.
  HANDLE claim = ClaimSetupRun();
  if (!claim) return 0;
  RunClaimedSetup(instance, commandLine);
  ReleaseSetupRun(claim);
  return 0;
}
