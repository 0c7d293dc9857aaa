#pragma once

// start non-zero: CoInitialize and the run's one shell-link object (shellLink,
// shellLinkFile); zero: release both, file interface first, and CoUninitialize.
void ComStartStop(int start);
