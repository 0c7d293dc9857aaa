// One setup at a time on the machine, in any session: a second one, started
// by a double click too many or from a second download, would ask to create
// the same folder and unpack into it beside the first.
#pragma once

#include <windows.h>

// The claim on the run, held until ReleaseSetupRun; null when another setup
// holds it, and then the user has been told.
HANDLE ClaimSetupRun();
void ReleaseSetupRun(HANDLE claim);
