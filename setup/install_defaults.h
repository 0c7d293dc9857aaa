#pragma once

#include <windows.h>

// The install-mode values of SetupState, assigned before the wizard runs.
void SetInstallModeDefaults(HINSTANCE instance);
