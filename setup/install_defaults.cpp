#include "setup/install_defaults.h"

#include "setup/setup_state.h"

void SetInstallModeDefaults(HINSTANCE instance) {
  setupState.instanceHandle = instance;
  setupState.startMenuShortcuts = 0;
  setupState.programsShortcuts = 0;
  setupState.desktopShortcuts = 1;
  setupState.submenuShortcuts = 1;
  setupState.startupShortcut = 1;
  setupState.installCompleted = 0;
  setupState.extractorCopyPath[0] = '\0';
  setupState.extractorCopyFolder[0] = '\0';
  setupState.payloadArchivePath[0] = '\0';
}
